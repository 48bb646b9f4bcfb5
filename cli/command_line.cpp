#include "command_line.h"

#include <algorithm>

#include "cli_error.h"

ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& known,
                     std::size_t positionalWanted) {
  ParsedArgs parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg.rfind("--", 0) != 0) {
      parsed.positional.push_back(arg);
      continue;
    }
    const auto spec = std::find_if(known.begin(), known.end(), [&](const OptionSpec& o) { return o.name == arg; });
    if (spec == known.end()) UsageError("unknown option " + arg);
    if (spec->takesValue) {
      if (i + 1 >= args.size()) UsageError(arg + " wants a value");
      parsed.options[arg] = args[++i];
    } else {
      parsed.options[arg] = "";
    }
  }
  if (parsed.positional.size() != positionalWanted) {
    UsageError("wants " + std::to_string(positionalWanted) + " argument" + (positionalWanted == 1 ? "" : "s") +
               ", got " + std::to_string(parsed.positional.size()));
  }
  return parsed;
}
