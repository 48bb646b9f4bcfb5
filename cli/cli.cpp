#include "cli.h"

#include <exception>

#include "cli_error.h"
#include "command_line.h"
#include "image_commands.h"
#include "module_commands.h"

namespace {

struct Command {
  const char* name;
  const char* synopsis;
  const char* help;
  std::vector<OptionSpec> options;
  std::size_t positional;
  int (*run)(const ParsedArgs&, CliContext&);
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"ports",
       "ports",
       "Lists the machine's serial ports as COM names, each with its device, one a line.",
       {},
       0,
       PortsCommand},
      {"show",
       "show FILE.HVK [--json]",
       "Lists every field of a parameter image, \"label: value\" a line (UTF-8). With --json, one\n"
       "object: user1 user2 smsfw1 smsfw2 autodial prefix event1..event9 sms1..sms10 as strings\n"
       "(\"\" for an absent number or code) and marker as a number.",
       {{"--json"}},
       1,
       ShowCommand},
      {"diff",
       "diff A.HVK B.HVK [--json]",
       "Lists the fields that differ between two parameter images, \"label: A's value \u2260 B's value\".\n"
       "Exit status 1 when anything differs, 0 when nothing does.",
       {{"--json"}},
       2,
       DiffCommand},
      {"read",
       "read PORT OUT.HVK",
       "Reads the module's parameter memory into OUT.HVK, replacing it atomically. When a block\n"
       "fails, no file is written and the exit status is 1.",
       {},
       2,
       ReadCommand},
      {"write",
       "write PORT IN.HVK [--verify]",
       "Writes IN.HVK to the module and makes the module take it into use. With --verify, reads\n"
       "the module back afterwards and lists every field that differs (exit status 1 then).",
       {{"--verify"}},
       2,
       WriteCommand},
      {"compare",
       "compare PORT FILE.HVK",
       "Reads the module's whole memory and lists every field in which FILE.HVK differs from it,\n"
       "\"label: the file's value \u2260 the module's value\". The file is not changed. Exit status 1\n"
       "when anything differs.",
       {},
       2,
       CompareCommand},
      {"state",
       "state PORT [--seconds N]",
       "Asks the module for its state (\"??\") every 500 ms for N seconds, once without --seconds,\n"
       "and prints the decoded state and the module's messages as they come.",
       {{"--seconds", true}},
       1,
       StateCommand},
  };
  return commands;
}

std::string Overview() {
  std::string text =
      "Usage: kelvaro-cli COMMAND [ARGUMENTS]\n"
      "Reads, writes and compares the parameter memory of Harnvik modules, and shows and\n"
      "compares parameter image files. PORT is a COM name (see kelvaro-cli ports).\n\n"
      "Commands:\n";
  for (const Command& command : Commands()) text += "  kelvaro-cli " + std::string(command.synopsis) + "\n";
  text +=
      "\n'kelvaro-cli COMMAND --help' tells more about one command.\n"
      "Exit status: 0 done and nothing differs; 1 the module failed or something differs;\n"
      "2 a usage, port or file error.\n";
  return text;
}

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

int Run(const std::vector<std::string>& args, CliContext& context) {
  if (args.empty()) UsageError("no command given (kelvaro-cli --help lists them)");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    context.out << Overview();
    return kExitOk;
  }
  for (const Command& command : Commands()) {
    if (args[0] != command.name) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (WantsHelp(rest)) {
      context.out << "Usage: kelvaro-cli " << command.synopsis << "\n" << command.help << "\n";
      return kExitOk;
    }
    ParsedArgs parsed;
    try {
      parsed = ParseArgs(rest, command.options, command.positional);
    } catch (const CliError& error) {
      // A bad command line: say which command, and how it is used.
      UsageError(std::string(command.name) + ": " + error.what() + " (usage: kelvaro-cli " + command.synopsis + ")");
    }
    return command.run(parsed, context);
  }
  UsageError("unknown command \"" + args[0] + "\"");
}

}  // namespace

int RunCli(const std::vector<std::string>& args, CliContext& context) {
  try {
    return Run(args, context);
  } catch (const CliError& error) {
    context.err << "kelvaro-cli: " << error.what() << '\n';
    return error.ExitStatus();
  } catch (const std::exception& error) {
    // The link's errors (a port that cannot be opened, a line gone mid-transfer) and file errors.
    context.err << "kelvaro-cli: " << error.what() << '\n';
    return kExitUsage;
  }
}
