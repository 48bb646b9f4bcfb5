#include "lenient_number.h"

#include <algorithm>

namespace {

// Far beyond every 32-bit value, far below overflow.
constexpr std::int64_t kSaturation = std::int64_t{1} << 40;

}  // namespace

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

LenientNumber ReadLenientNumber(std::string_view text, bool signBeforeHex) {
  LenientNumber number;
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) i = text.size();
  const auto at = [&](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
  const auto readSign = [&] {
    if (at(i) == '+' || at(i) == '-') number.negative = text[i++] == '-';
  };
  if (signBeforeHex) readSign();
  if (at(i) == '$' || at(i) == 'x' || at(i) == 'X') {
    number.hex = true;
    ++i;
  } else if (at(i) == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X')) {
    number.hex = true;
    i += 2;
  } else if (!signBeforeHex) {
    readSign();
  }
  const int base = number.hex ? 16 : 10;
  for (; i < text.size(); ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0 || digit >= base) break;
    number.magnitude = std::min(number.magnitude * base + digit, kSaturation);
    number.digits = true;
  }
  number.whole = i == text.size();
  return number;
}
