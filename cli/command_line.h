#pragma once
// One command's arguments: its positional arguments and the options it knows.

#include <cstddef>
#include <limits>
#include <map>
#include <string>
#include <vector>

struct OptionSpec {
  std::string name;  // "--json", "-o"
  bool takesValue = false;
  bool repeatable = false;  // --set KEY=VALUE, as often as wanted
};

// How many positional arguments a command takes.
struct Arity {
  std::size_t least;
  std::size_t most;
};
constexpr Arity Exactly(std::size_t n) { return {n, n}; }
constexpr Arity AtLeast(std::size_t n) { return {n, std::numeric_limits<std::size_t>::max()}; }

struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::vector<std::string>> options;  // present options, with their values in order
  bool Has(const std::string& option) const { return options.count(option) != 0; }
  // The value of an option given once; "" when absent.
  std::string Value(const std::string& option) const;
  // Every value of a repeatable option, in the order given.
  std::vector<std::string> Values(const std::string& option) const;
};

// Raises a usage error for an unknown option, a missing value, an option given twice
// that is not repeatable, or a number of positional arguments outside the arity.
ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& known, Arity positional);
