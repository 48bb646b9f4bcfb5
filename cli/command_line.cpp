#include "command_line.h"

#include <algorithm>
#include <stdexcept>

#include "cli_error.h"

namespace {

constexpr std::string_view kOneOrMore = "...";
constexpr std::string_view kNoneOrMore = "...]";

std::string Arguments(std::size_t n) { return std::to_string(n) + " argument" + (n == 1 ? "" : "s"); }

std::string WithValue(const Option& option) {
  return option.value == nullptr ? option.name : std::string(option.name) + " " + option.value;
}

// A word that looks like an option; "-" alone names standard input.
bool IsOptionLike(const std::string& word) { return word.size() >= 2 && word[0] == '-'; }

}  // namespace

std::string CommandSyntax::Usage() const {
  std::string usage = name;
  for (const char* word : positional) usage += std::string(" ") + word;
  for (const Option* option : options) {
    usage += " " + (option->required ? WithValue(*option) : "[" + WithValue(*option) + "]");
    if (option->repeatable) usage += kOneOrMore;
  }
  return usage;
}

const std::vector<std::string>* ParsedArgs::Given(const Option& option) const {
  if (std::find(declared_.begin(), declared_.end(), &option) == declared_.end()) {
    throw std::logic_error(std::string("the command does not declare ") + option.name);
  }
  const auto found = given_.find(&option);
  return found == given_.end() ? nullptr : &found->second;
}

bool ParsedArgs::Has(const Option& option) const { return Given(option) != nullptr; }

std::string ParsedArgs::Value(const Option& option) const {
  const std::vector<std::string>* values = Given(option);
  return values == nullptr || values->empty() ? "" : values->front();
}

std::vector<std::string> ParsedArgs::Values(const Option& option) const {
  const std::vector<std::string>* values = Given(option);
  return values == nullptr ? std::vector<std::string>() : *values;
}

ParsedArgs ParseArgs(const std::vector<std::string>& args, const CommandSyntax& syntax) {
  ParsedArgs parsed;
  parsed.declared_ = syntax.options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto option = std::find_if(syntax.options.begin(), syntax.options.end(),
                                     [&](const Option* declared) { return arg == declared->name; });
    if (option == syntax.options.end()) {
      if (IsOptionLike(arg)) UsageError("unknown option " + arg);
      parsed.positional.push_back(arg);
      continue;
    }
    const auto [at, added] = parsed.given_.try_emplace(*option);
    if (!added && !(*option)->repeatable) UsageError(arg + " is given twice");
    if ((*option)->value != nullptr) {
      if (i + 1 >= args.size()) UsageError(arg + " wants a value");
      at->second.push_back(args[++i]);
    }
  }
  for (const Option* option : syntax.options) {
    if (option->required && !parsed.given_.contains(option)) UsageError("wants " + WithValue(*option));
  }
  const std::string_view last = syntax.positional.empty() ? "" : syntax.positional.back();
  const bool none = last.starts_with('[') && last.ends_with(kNoneOrMore);  // "[SITE...]"
  const bool more = none || last.ends_with(kOneOrMore);
  const std::size_t least = syntax.positional.size() - (none ? 1 : 0);
  const std::size_t got = parsed.positional.size();
  if (got < least || (!more && got > least)) {
    UsageError("wants " + (more ? "at least " : std::string()) + Arguments(least) + ", got " + std::to_string(got));
  }
  return parsed;
}
