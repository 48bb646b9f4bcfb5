#pragma once
// The error of the given type that a call raised, or none: a test then checks its text
// and numbers, and that there was one, without a try, FAIL and catch of its own.

#include <optional>

template <typename Error, typename Call>
std::optional<Error> Raised(Call&& call) {
  try {
    call();
  } catch (const Error& error) {
    return error;
  }
  return std::nullopt;
}
