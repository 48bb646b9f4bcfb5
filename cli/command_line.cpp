#include "command_line.h"

#include <algorithm>

#include "cli_error.h"

namespace {

std::string Arguments(std::size_t n) { return std::to_string(n) + " argument" + (n == 1 ? "" : "s"); }

}  // namespace

std::string ParsedArgs::Value(const std::string& option) const {
  const auto found = options.find(option);
  return found == options.end() || found->second.empty() ? "" : found->second.front();
}

std::vector<std::string> ParsedArgs::Values(const std::string& option) const {
  const auto found = options.find(option);
  return found == options.end() ? std::vector<std::string>() : found->second;
}

ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& known, Arity positional) {
  ParsedArgs parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto spec = std::find_if(known.begin(), known.end(), [&](const OptionSpec& o) { return o.name == arg; });
    if (spec == known.end()) {
      if (arg.size() >= 2 && arg.rfind("--", 0) == 0) UsageError("unknown option " + arg);
      parsed.positional.push_back(arg);
      continue;
    }
    if (parsed.Has(arg) && !spec->repeatable) UsageError(arg + " is given twice");
    std::vector<std::string>& values = parsed.options[arg];
    if (spec->takesValue) {
      if (i + 1 >= args.size()) UsageError(arg + " wants a value");
      values.push_back(args[++i]);
    }
  }
  const std::size_t got = parsed.positional.size();
  if (got < positional.least || got > positional.most) {
    const std::string wanted =
        positional.least == positional.most ? Arguments(positional.least) : "at least " + Arguments(positional.least);
    UsageError("wants " + wanted + ", got " + std::to_string(got));
  }
  return parsed;
}
