#include "module_commands.h"

#include <charconv>
#include <chrono>
#include <optional>
#include <vector>

#include "files.h"
#include "image_commands.h"
#include "options.h"
#include "params/cp1250.h"
#include "port_commands.h"
#include "protocol/status_decode.h"
#include "protocol/transfer.h"
#include "serial/linked_port.h"
#include "serial/network_ports.h"
#include "serial/port_names.h"
#include "serial/sync_pump.h"
#include "settings_text.h"

namespace {

using Clock = std::chrono::steady_clock;

// A single poll waits this long at most for the module's status line.
constexpr auto kSinglePollWait = std::chrono::seconds(1);
constexpr int kMaxStateSeconds = 24 * 3600;

// A wait of so many ticks, as a person reads it: "5 s".
std::string WaitText(int ticks) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(ticks * kTickPeriod).count()) + " s";
}

// Why the module stopped a procedure, as a person reads it.
std::string StopText(const TransferResult& result) {
  switch (result.stop) {
    case TransferStop::NoReply: return "no reply within " + WaitText(kBlockReplyTicks) + " (time-out)";
    case TransferStop::OtherBlock: return "the reply was for block " + std::to_string(result.replyBlock + 1);
    case TransferStop::BadReply: return "bad reply (wrong length, digits or checksum)";
    case TransferStop::Refused: return "refused by the module (WRFLERR)";
    case TransferStop::NotConfirmed: return "not confirmed within " + WaitText(kWriteConfirmTicks) + " (time-out)";
    case TransferStop::ActivationNotConfirmed:
      return "activation not confirmed within " + WaitText(kActivateTicks) + " (no CRCOK)";
    case TransferStop::Differs: return "differs from the image";
    case TransferStop::None:
    case TransferStop::PortClosed: break;
  }
  return "";
}

std::string BlockText(int block) { return "block " + std::to_string(block + 1) + "/" + std::to_string(kBlockCount); }

// The port opened for one command, with the core's own event pump.
class ModuleSession {
 public:
  ModuleSession(const std::string& port, CliContext& context) : pump(line.sync, context.tick), context_(context) {
    CheckComName(port);
    // A hung-up line is closed at once: the procedure then ends instead of waiting out its time-out.
    line.port.OnLineLost = [](TCustomComPort& port) { port.SetConnected(false); };
    try {
      line.Connect(port);
    } catch (const EComPort& error) {
      throw CliError(kExitUsage, line.port.Port() + ": " + error.what());
    }
  }

  // Runs a procedure with a progress line on standard error for each block done
  // ("block 2/4 read"); raises ModuleFailure where the module stopped it, or a port
  // error when the line hung up.
  template <class Procedure>
  void Run(Procedure procedure, const char* done) {
    TransferLink link = line.link.Transfer(line.port, pump);
    link.blockDone = [&](int block) { context_.err << BlockText(block) << ' ' << done << '\n'; };
    const TransferResult result = procedure(link);
    if (result.Done()) return;
    if (result.block != kNoBlock) context_.err << BlockText(result.block) << " failed\n";
    if (result.stop == TransferStop::PortClosed) HungUp();
    throw ModuleFailure(result.block, StopText(result));
  }

  // Between polls: a port error when the line hung up meanwhile.
  void CheckStillConnected() const {
    if (!line.port.Connected()) HungUp();
  }

  LinkedPort line;
  SyncPump pump;

 private:
  [[noreturn]] void HungUp() const {
    throw CliError(kExitUsage, line.port.Port() + ": the line hung up (adapter unplugged?)");
  }

  CliContext& context_;
};

// Reads all four blocks into ParameterImage, or says how the module failed.
void ReadAll(ModuleSession& session) { session.Run(ReadModule, "read"); }

// Compares the image with the module's whole memory, lists the differences and puts
// them in the record; true when there are any.
bool ReportDifferences(const ImageBytes& image, ModuleSession& session, CliContext& context, RecordEntry& entry) {
  ReadAll(session);
  const ImageDifference difference = CompareImages(image, ParameterImage);
  PrintDifference(context.out, difference);
  entry.SetDifference(difference);
  return !difference.Empty();
}

// Runs a procedure and appends its record entry however it ends.
template <class Procedure>
int Recorded(Recorder* recorder, RecordEntry& entry, Procedure procedure) {
  try {
    const int status = procedure();
    if (recorder != nullptr) recorder->Append(entry);
    return status;
  } catch (const std::exception& error) {
    entry.outcome = kOutcomeFailed;
    const auto* failure = dynamic_cast<const ModuleFailure*>(&error);
    entry.block = failure != nullptr ? failure->Block() + 1 : 0;
    entry.cause = failure != nullptr ? failure->Cause() : error.what();
    if (recorder != nullptr) recorder->Append(entry);
    throw;
  }
}

// The image file with the --set changes made, in memory only.
ImageBytes ImageWithChanges(const ParsedArgs& args, const std::string& path, CliContext& context) {
  ImageBytes image = LoadExactImage(path);
  ApplyAssignments(image, args.Values(kSet), context.err);
  return image;
}

// What read, write and compare start from: PORT checked, the record opened, then for
// auto the module found, so that a record that cannot be opened stops the command
// before any port hears a thing, and a search that finds no one module writes nothing.
struct Procedure {
  std::unique_ptr<Recorder> recorder;
  std::string port;
  RecordEntry entry{};
};

Procedure StartProcedure(const char* command, const ParsedArgs& args, CliContext& context) {
  CheckPortArgument(args.positional[0]);
  Procedure procedure{OpenRecorder(args), ChosenPort(args.positional[0], context)};
  procedure.entry = ProcedureEntry(command, procedure.port, args.positional[1]);
  return procedure;
}

class StatePrinter : public StatusDisplay {
 public:
  explicit StatePrinter(std::ostream& out) : out_(out) {}
  void ShowStatus(const ModuleStatus& status) override {
    out_ << Cp1250ToUtf8(StatusText(status)) << std::endl;
    ++shown;
  }
  void AddMessage(const std::string& text) override { out_ << '<' << Cp1250ToShownUtf8(text) << '>' << std::endl; }
  int shown = 0;

 private:
  std::ostream& out_;
};

int StateSeconds(const ParsedArgs& args) {
  if (!args.Has(kSeconds)) return 0;
  const std::string text = args.Value(kSeconds);
  int seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || seconds < 1 || seconds > kMaxStateSeconds) {
    UsageError(std::string(kSeconds.name) + " wants a whole number from 1 to " + std::to_string(kMaxStateSeconds) +
               ", not \"" + text + "\"");
  }
  return seconds;
}

}  // namespace

ModuleFailure::ModuleFailure(int block, const std::string& cause)
    : CliError(kExitModuleOrDifference, (block != kNoBlock ? "block " + std::to_string(block + 1) + ": " : "") + cause),
      block_(block),
      cause_(cause) {}

RecordEntry ProcedureEntry(const std::string& command, const std::string& port, const std::string& imageFile) {
  CheckComName(port);
  RecordEntry entry;
  entry.command = command;
  entry.imageFile = imageFile;
  entry.port = IsNetworkName(port) ? CanonicalNetworkName(port) : NormalizePortName(port);
  // A network port, or a COM name given one, is its address; a serial port its device.
  if (const std::optional<std::string> address = NetworkAddressOf(port)) {
    entry.device = *address;
  } else {
    entry.device = PortDevicePath(port);
    entry.stableName = PortStableName(port);
  }
  return entry;
}

// The file is written only when all four blocks came in.
int ReadCommand(const ParsedArgs& args, CliContext& context) {
  const std::string& path = args.positional[1];
  Procedure procedure = StartProcedure("read", args, context);
  RecordEntry& entry = procedure.entry;
  return Recorded(procedure.recorder.get(), entry, [&] {
    ModuleSession session(procedure.port, context);
    ReadAll(session);
    entry.SetImage(ParameterImage);
    SaveImage(ParameterImage, path);
    return kExitOk;
  });
}

int WriteToModule(const std::string& port, const ImageBytes& image, bool verify, CliContext& context,
                  RecordEntry& entry, Recorder* recorder) {
  entry.SetImage(image);
  return Recorded(recorder, entry, [&] {
    ModuleSession session(port, context);
    session.Run([&](TransferLink& link) { return WriteModule(link, image); }, "written");
    context.err << "activated\n";
    if (verify && ReportDifferences(image, session, context, entry)) return kExitModuleOrDifference;
    return kExitOk;
  });
}

int WriteCommand(const ParsedArgs& args, CliContext& context) {
  const ImageBytes image = ImageWithChanges(args, args.positional[1], context);
  Procedure procedure = StartProcedure("write", args, context);
  return WriteToModule(procedure.port, image, args.Has(kVerify), context, procedure.entry, procedure.recorder.get());
}

int CompareCommand(const ParsedArgs& args, CliContext& context) {
  const ImageBytes image = ImageWithChanges(args, args.positional[1], context);
  Procedure procedure = StartProcedure("compare", args, context);
  RecordEntry& entry = procedure.entry;
  return Recorded(procedure.recorder.get(), entry, [&] {
    ModuleSession session(procedure.port, context);
    const bool differs = ReportDifferences(image, session, context, entry);
    entry.SetImage(ParameterImage);
    return differs ? kExitModuleOrDifference : kExitOk;
  });
}

int StateCommand(const ParsedArgs& args, CliContext& context) {
  const int seconds = StateSeconds(args);
  CheckPortArgument(args.positional[0]);
  ModuleSession session(ChosenPort(args.positional[0], context), context);
  StatePrinter printer(context.out);
  session.line.link.InstallStatusDisplay(&printer);
  const auto start = Clock::now();
  const auto end = start + std::chrono::seconds(seconds);
  auto nextPoll = start;
  for (;;) {
    const auto now = Clock::now();
    if (seconds == 0 ? printer.shown > 0 || now >= start + kSinglePollWait : now >= end) break;
    if (now >= nextPoll && (seconds > 0 || nextPoll == start)) {
      SendCommand(session.line.port, kPollCommand);
      nextPoll += kPollInterval;
    }
    session.pump.ProcessEvents();
    session.CheckStillConnected();
  }
  session.line.link.InstallStatusDisplay(nullptr);
  return kExitOk;
}
