#pragma once
// A command's syntax, parsed: its positional arguments and the options it declares.
// Each option is one named object (options.h) that both the command table, and so the
// usage line, and the command's handler read: args.Has(kVerify).

#include <map>
#include <string>
#include <vector>

struct Option {
  const char* name;             // "--json", "-o"
  const char* value = nullptr;  // its value as the usage line names it ("FILE"); none for a flag
  bool repeatable = false;      // --set KEY=VALUE, as often as wanted
  bool required = false;        // the command does not run without it
};

// What a command takes: its positional arguments as the usage line names them (a last
// one ending in "..." stands for one or more, "[SITE...]" for none or more), and its
// options.
struct CommandSyntax {
  const char* name;
  std::vector<const char*> positional;
  std::vector<const Option*> options;

  // "write PORT IN.HVK [--set KEY=VALUE]... [--verify] [--record FILE]"
  std::string Usage() const;
};

class ParsedArgs {
 public:
  std::vector<std::string> positional;

  // Each raises std::logic_error for an option the command does not declare: the
  // handler and the command table disagree.
  bool Has(const Option& option) const;
  // The value of an option given once; "" when absent.
  std::string Value(const Option& option) const;
  // Every value of a repeatable option, in the order given.
  std::vector<std::string> Values(const Option& option) const;

 private:
  friend ParsedArgs ParseArgs(const std::vector<std::string>& args, const CommandSyntax& syntax);
  const std::vector<std::string>* Given(const Option& option) const;

  std::vector<const Option*> declared_;
  std::map<const Option*, std::vector<std::string>> given_;  // present options, with their values in order
};

// Raises a usage error naming the word for an option the command does not declare, a
// missing value, a required option left out, an option given twice that is not
// repeatable, or a number of positional arguments the syntax does not take.
ParsedArgs ParseArgs(const std::vector<std::string>& args, const CommandSyntax& syntax);
