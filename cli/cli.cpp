#include "cli.h"

#include <exception>
#include <sstream>
#include <utility>

#include "batch_command.h"
#include "cli_error.h"
#include "command_line.h"
#include "image_commands.h"
#include "module_commands.h"
#include "options.h"
#include "port_commands.h"
#include "protocol/line_protocol.h"
#include "record.h"
#include "sheet_command.h"

namespace {

// A command: its syntax, the text --help gives after the usage line, and its handler.
// A new command is one entry here and its handler.
struct Command {
  CommandSyntax syntax;
  std::string help;
  int (*run)(const ParsedArgs&, CliContext&);
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {{"ports", {}, {&kJson}},
       "Lists the machine's serial ports and the network ports given COM names, one a line: the COM\n"
       "name and what stands behind it (the device, a USB adapter's product, maker, ids and serial\n"
       "number, and whether it is free, in use by another program or cannot be opened; each port\n"
       "is opened and closed at once to see that, nothing is sent), or the network address.\n"
       "With --json, an array of objects: name device stableName driver friendlyName hardwareId\n"
       "usb availability description, a text the system does not give as null.",
       PortsCommand},
      {{"ports add", {"COMn", "rfc2217://HOST:PORT"}, {}},
       "Gives COMn to a network port in the ports configuration, replacing the address it had, so\n"
       "that the windows, which know only COM names, reach that module too. A COM name of one of\n"
       "the machine's serial ports is refused.",
       PortsAddCommand},
      {{"ports remove", {"COMn"}, {}}, "Takes COMn's network port out of the ports configuration.", PortsRemoveCommand},
      {{"find", {"[PORT...]"}, {&kJson}},
       "Asks every listed port (see ports), or the ones named, at once whether a Harnvik module\n"
       "answers: each is opened as a connection opens it, sent the state poll (\"??\") and nothing\n"
       "else, and heard for about " +
           std::to_string(std::chrono::duration_cast<std::chrono::seconds>(kFindAnswerWait).count()) +
           " s. One line a port: the module's state as the state\n"
           "window shows it, no answer (and what came back: nothing, an echo, no status line), in use\n"
           "(by whom, where the system says) or cannot be opened (why). With --json, an array of\n"
           "objects: port outcome status heard availability text. Exit status 0 when a module\n"
           "answered, 1 when none did.",
       FindCommand},
      {{"show", {"FILE.HVK"}, {&kJson}},
       "Lists every field of a parameter image, \"label: value\" a line (UTF-8). With --json, one\n"
       "object: user1 user2 smsfw1 smsfw2 autodial prefix event1..event9 sms1..sms10 as strings\n"
       "(\"\" for an absent number or code) and marker as a number; import reads it back.",
       ShowCommand},
      {{"diff", {"A.HVK", "B.HVK"}, {&kJson}},
       "Lists the fields that differ between two parameter images, \"label: A's value \u2260 B's value\".\n"
       "Exit status 1 when anything differs, 0 when nothing does.",
       DiffCommand},
      {{"set", {"IN.HVK", "KEY=VALUE..."}, {&kOut}},
       "Changes fields by the keys of show --json, with the settings editor's rules: phone\n"
       "numbers digits only, at most 16 (the prefix at most 8); event codes of 0-9, * and A-F (a\n"
       "code with a letter, or with fewer than four characters, is stored as no code, and said\n"
       "so); SMS texts at most 40 characters of the module's character set, trailing spaces\n"
       "dropped; marker a number from 0 to 255. An empty value clears the field. A value the\n"
       "editor would refuse ends with exit status 2 and nothing is written. The file is\n"
       "replaced atomically: IN.HVK itself, or OUT.HVK with -o.",
       SetCommand},
      {{"import", {"SETTINGS.json", "OUT.HVK"}, {&kBase}},
       "Makes an image from settings in show --json's form (- reads them from standard input).\n"
       "A key left out, or holding what show --json gives for BASE.HVK, keeps BASE.HVK's bytes;\n"
       "a changed value is stored by the settings editor's rules (see set). Without --base, the\n"
       "bytes no field covers are those of a fresh image (0xFF). OUT.HVK is replaced atomically.",
       ImportCommand},
      {{"read", {"PORT", "OUT.HVK"}, {&kRecord}},
       "Reads the module's parameter memory into OUT.HVK, replacing it atomically. When a block\n"
       "fails, no file is written and the exit status is 1. --record appends one line to FILE\n"
       "(see log).",
       ReadCommand},
      {{"write", {"PORT", "IN.HVK"}, {&kSet, &kVerify, &kRecord}},
       "Writes IN.HVK to the module and makes the module take it into use. --set changes a\n"
       "field on the way, as set does, leaving IN.HVK as it is. With --verify, reads the module\n"
       "back afterwards and lists every field that differs (exit status 1 then). --record\n"
       "appends one line to FILE (see log).",
       WriteCommand},
      {{"compare", {"PORT", "FILE.HVK"}, {&kSet, &kRecord}},
       "Reads the module's whole memory and lists every field in which FILE.HVK (with the --set\n"
       "changes, as set makes them) differs from it, \"label: the file's value \u2260 the module's\n"
       "value\". The file is not changed. Exit status 1 when anything differs. --record appends\n"
       "one line to FILE (see log).",
       CompareCommand},
      {{"batch", {"SHEET.csv"}, {&kTemplate, &kPort, &kVerify, &kRecord}},
       "Writes one module a row of SHEET.csv: T.HVK with the row's values. The header row names\n"
       "the columns: site (a name for the row) and keys of show --json; each row's cells are\n"
       "applied as set applies them (one holding what show --json gives for T.HVK keeps its\n"
       "bytes), and every row is checked before the first module is touched. Comma or semicolon\n"
       "separated, quoted cells as spreadsheet programs write them, a cell =\"...\" read as the\n"
       "text inside, UTF-8 or code page 1250 (sheet writes one). For each row it asks for the\n"
       "module on the terminal, writes (and verifies, with --verify), prints one result line and\n"
       "goes on; at the end a summary.\n"
       "Exit status 1 when a row failed or the batch was stopped; --record appends one line a\n"
       "row written to FILE. With --port auto the module is looked for again for each row (see\n"
       "find); when none or several answer, nothing is written and the row is asked for again.",
       BatchCommand},
      {{"sheet", {"T.HVK", "[SITE...]"}, {&kSheetOut}},
       "Writes a sheet for batch: the header row with site and every key of show --json, and a\n"
       "row a SITE holding T.HVK's values (without SITE, one row whose site is left to fill\n"
       "in). A spreadsheet program opens it by a double click with every cell in its column:\n"
       "semicolon separated, UTF-8 with a byte order mark, and every value the program would\n"
       "take for a number, a date or a formula (a phone number, an event code, a text\n"
       "beginning with = + - or @) written as =\"...\", so that it stays as typed. batch reads\n"
       "back what the program saves. -o writes SHEET.csv, replacing it atomically; without -o\n"
       "the sheet goes to standard output.",
       SheetCommand},
      {{"log", {"FILE"}, {&kSite}},
       "Prints the record FILE (--record's) as a table: time, command, port, device, site, image,\n"
       "the first digits of the SHA-256 of the 1024 bytes, outcome and details. --site keeps\n"
       "one site's lines.",
       LogCommand},
      {{"state", {"PORT"}, {&kSeconds}},
       "Asks the module for its state (\"??\") every " + std::to_string(kPollInterval.count()) +
           " ms for N seconds, once without --seconds,\n"
           "and prints the decoded state and the module's messages as they come.",
       StateCommand},
  };
  return commands;
}

std::string Overview() {
  std::string text =
      "Usage: kelvaro-cli COMMAND [ARGUMENTS]\n"
      "Reads, writes and compares the parameter memory of Harnvik modules, one or a sheet of\n"
      "them, and shows, changes and compares parameter image files.\n" +
      PortRule(true) +
      "\n(the port where a module answers: kelvaro-cli ports lists the ports, kelvaro-cli find\n"
      "asks them).\n\n"
      "Commands:\n";
  for (const Command& command : Commands()) text += "  kelvaro-cli " + command.syntax.Usage() + "\n";
  text +=
      "\n'kelvaro-cli COMMAND --help' tells more about one command.\n"
      "Exit status: 0 done and nothing differs; 1 the module failed or something differs;\n"
      "2 a usage, port or file error, or a value the settings editor would refuse.\n";
  return text;
}

// The command whose name's words begin args, the one of most words ("ports add" before
// "ports"), and the number of its words; none when no command's name does.
std::pair<const Command*, std::size_t> CommandOf(const std::vector<std::string>& args) {
  std::pair<const Command*, std::size_t> best{nullptr, 0};
  for (const Command& command : Commands()) {
    std::istringstream name(command.syntax.name);
    std::size_t words = 0;
    for (std::string word; name >> word; ++words) {
      if (words >= args.size() || args[words] != word) {
        words = 0;
        break;
      }
    }
    if (words > best.second) best = {&command, words};
  }
  return best;
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
  if (const auto [command, words] = CommandOf(args); command != nullptr) {
    const CommandSyntax& syntax = command->syntax;
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(words), args.end());
    const std::string usage = "kelvaro-cli " + syntax.Usage();
    if (WantsHelp(rest)) {
      context.out << "Usage: " << usage << "\n" << command->help << "\n";
      return kExitOk;
    }
    ParsedArgs parsed;
    try {
      parsed = ParseArgs(rest, syntax);
    } catch (const CliError& error) {
      // A bad command line: say which command, and how it is used.
      UsageError(std::string(syntax.name) + ": " + error.what() + " (usage: " + usage + ")");
    }
    return command->run(parsed, context);
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
