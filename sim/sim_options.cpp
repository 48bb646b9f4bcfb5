#include "sim_options.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

#include "protocol/block_frame.h"
#include "protocol/status_decode.h"
#include "serial/port_names.h"

namespace {

int ParseInt(const std::string& option, const std::string& text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || ptr != end || value < low || value > high) {
    throw SimUsageError(option + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                        ", not \"" + text + "\"");
  }
  return value;
}

double ParseRate(const std::string& option, const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !(value >= 0 && value <= 1)) {
    throw SimUsageError(option + " wants a rate from 0 to 1, not \"" + text + "\"");
  }
  return value;
}

constexpr int kLastBlock = static_cast<int>(kBlockCount) - 1;
constexpr int kMaxBaud = 4'000'000;
constexpr int kMaxReplies = 1'000'000;
constexpr int kMaxLatencyMs = 1000;

}  // namespace

SimOptions ParseSimOptions(const std::vector<std::string>& args) {
  SimOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw SimUsageError(option + " wants a value");
      return args[++i];
    };
    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--port") {
      const std::string& name = value();
      // The tool only looks for names it would write itself.
      if (!IsComName(name)) {
        throw SimUsageError("--port wants a name " + ComName(kFirstComNumber) + " to " + ComName(kLastComNumber) +
                            ", not \"" + name + "\"");
      }
      options.port = NormalizePortName(name);
    } else if (option == "--config-dir") {
      options.configDir = value();
    } else if (option == "--image") {
      options.imageFile = value();
    } else if (option == "--log") {
      options.logFile = value();
    } else if (option == "--silent") {
      options.faults.silent = true;
    } else if (option == "--wrong-block") {
      options.faults.wrongBlock = ParseInt(option, value(), 0, kLastBlock);
    } else if (option == "--bad-checksum") {
      options.faults.badChecksum = ParseInt(option, value(), 0, kLastBlock);
    } else if (option == "--lowercase-hex") {
      options.faults.lowercaseHex = true;
    } else if (option == "--no-crcok") {
      options.faults.noCrcOk = true;
    } else if (option == "--reject-write") {
      options.faults.rejectWrite = ParseInt(option, value(), 0, kLastBlock);
    } else if (option == "--garbage") {
      options.faults.garbageRate = ParseRate(option, value());
    } else if (option == "--hangup-after") {
      options.faults.hangupAfter = ParseInt(option, value(), 0, kMaxReplies);
    } else if (option == "--baud") {
      options.faults.baud = ParseInt(option, value(), 0, kMaxBaud);
    } else if (option == "--latency-ms") {
      options.faults.latencyMs = ParseInt(option, value(), 0, kMaxLatencyMs);
    } else if (option == "--status") {
      options.heldStatus = value();
      if (!DecodeStatusLine(options.heldStatus)) {
        throw SimUsageError("--status wants a status line such as \"[0110,G,2]\", not \"" + options.heldStatus + "\"");
      }
    } else if (option == "--messages") {
      options.messages = ParseInt(option, value(), 0, kMaxReplies);
    } else {
      throw SimUsageError("unknown option \"" + option + "\"");
    }
  }
  return options;
}

std::string SimUsage() {
  return "Usage: harnvik-sim [options]\n"
         "A simulated Harnvik module on a pseudo-terminal, linked as a COM name in the\n"
         "program's ports folder. Prints the name and the device on one line and runs\n"
         "until interrupted; the link goes when it ends.\n"
         "\n"
         "  --port COMn          the name to link (default COM9)\n"
         "  --config-dir DIR     the program's config folder (default\n"
         "                       ${XDG_CONFIG_HOME:-$HOME/.config}/Kelvaro); the link is DIR/ports/COMn\n"
         "  --image FILE.HVK     start from this image file and save to it on every WRACT\n"
         "                       (default: a built-in sample configuration)\n"
         "  --log FILE           write every byte received and sent to FILE as it crosses,\n"
         "                       a line of the protocol a record, stamped with the time (UTC)\n"
         "  --silent             answer nothing\n"
         "  --wrong-block B      block B's reply carries the next block's number\n"
         "  --bad-checksum B     block B's reply carries a wrong checksum\n"
         "  --lowercase-hex      block replies in lower-case hex digits\n"
         "  --no-crcok           ignore WRACT (no CRCOK, memory unchanged)\n"
         "  --reject-write B     answer block B's write with WRFLERR\n"
         "  --garbage RATE       a noise line before a reply line with this chance (0 to 1)\n"
         "  --hangup-after N     close the line after N replies, like a pulled cable\n"
         "  --baud RATE          pace both directions at RATE bit/s, 10 bits a byte\n"
         "                       (e.g. 19200; 0, the default, is unpaced)\n"
         "  --latency-ms N       hold what it sends until N ms passed or 62 bytes gathered,\n"
         "                       as a USB adapter does (16 is common; 0, the default: none)\n"
         "  --status LINE        answer every poll with this status line, e.g. \"[0110,G,2]\"\n"
         "                       (a steady state; by default it moves by itself)\n"
         "  --messages N         send only N messages, one a poll, in turn through its own\n"
         "                       (by default one now and then)\n"
         "  --help               this text\n";
}
