#pragma once
// One command's arguments: its positional arguments and the options it knows.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

struct OptionSpec {
  std::string name;  // "--json"
  bool takesValue = false;
};

struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;  // present options, with their values
  bool Has(const std::string& option) const { return options.count(option) != 0; }
};

// Raises a usage error for an unknown option, a missing value, or another number of
// positional arguments than wanted.
ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& known,
                     std::size_t positionalWanted);
