#include "module_commands.h"

#include <charconv>
#include <chrono>
#include <vector>

#include "image_commands.h"
#include "params/cp1250.h"
#include "protocol/block_frame.h"
#include "protocol/status_decode.h"
#include "protocol/transfer.h"
#include "serial/linked_port.h"
#include "serial/port_names.h"
#include "serial/sync_pump.h"
#include "settings_text.h"

namespace {

using Clock = std::chrono::steady_clock;

// A single poll waits this long at most for the module's status line.
constexpr auto kSinglePollWait = std::chrono::seconds(1);
constexpr int kMaxStateSeconds = 24 * 3600;
constexpr char kSetOption[] = "--set";
constexpr char kVerifyOption[] = "--verify";

// The port opened for one command, with the core's own event pump.
class ModuleSession {
 public:
  ModuleSession(const std::string& port, CliContext& context) : pump(line.sync, context.tick) {
    CheckComName(port);
    // A hung-up line is closed at once: the procedure then ends instead of waiting out its time-out.
    line.port.OnLineLost = [](TCustomComPort& port) { port.SetConnected(false); };
    try {
      line.Connect(port);
    } catch (const EComPort& error) {
      throw CliError(kExitUsage, line.port.Port() + ": " + error.what());
    }
  }

  // After a procedure: a port error when the line hung up meanwhile.
  void CheckStillConnected() const {
    if (!line.port.Connected()) {
      throw CliError(kExitUsage, line.port.Port() + ": the line hung up (adapter unplugged?)");
    }
  }

  TransferLink Transfer(TransferView& view) { return line.link.Transfer(line.port, pump, &view); }

  LinkedPort line;
  SyncPump pump;
};

// One progress line a block on standard error; remembers where the procedure failed.
class ProgressView : public TransferView {
 public:
  ProgressView(std::ostream& err, const char* done) : err_(err), done_(done) {}

  void SetIndicator(int block, IndicatorColour colour) override {
    if (colour == IndicatorColour::Green) {
      err_ << "block " << block + 1 << "/4 " << done_ << '\n';
    } else if (colour == IndicatorColour::Red) {
      failedBlock = block;
      err_ << "block " << block + 1 << "/4 failed\n";
    }
  }
  // All four red after a write: the module did not take the new settings into use.
  void SetAllIndicators(IndicatorColour colour) override { activationFailed = colour == IndicatorColour::Red; }
  void SetControlsEnabled(bool) override {}

  int failedBlock = -1;
  bool activationFailed = false;

 private:
  std::ostream& err_;
  const char* done_;
};

// A wait of so many ticks, as a person reads it: "5 s".
std::string WaitText(int ticks) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(ticks * kTickPeriod).count()) + " s";
}

[[noreturn]] void ModuleFailed(int block, const std::string& why) { throw ModuleFailure(block, why); }

// Reads all four blocks into ParameterImage, or says how the module failed.
void ReadAll(ModuleSession& session, CliContext& context) {
  ProgressView view(context.err, "read");
  TransferLink link = session.Transfer(view);
  ReadModule(link);
  session.CheckStillConnected();
  if (view.failedBlock < 0) return;
  const ReplyState& reply = session.line.link.Reply();
  if (reply.blockBad) ModuleFailed(view.failedBlock, "bad reply (wrong length, digits or checksum)");
  if (reply.blockGood) {
    ModuleFailed(view.failedBlock, "the reply was for block " + std::to_string(ReceivedFrame[kFrameBlockNumber] + 1));
  }
  ModuleFailed(view.failedBlock, "no reply within " + WaitText(kBlockReplyTicks) + " (time-out)");
}

// Compares the image with the module's whole memory, lists the differences and puts
// them in the record; true when there are any.
bool ReportDifferences(const ImageBytes& image, ModuleSession& session, CliContext& context, RecordEntry& entry) {
  ReadAll(session, context);
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
  ApplyAssignments(image, args.Values(kSetOption), context.err);
  return image;
}

class StatePrinter : public StatusDisplay {
 public:
  explicit StatePrinter(std::ostream& out) : out_(out) {}
  void ShowStatus(const ModuleStatus& status) override {
    out_ << Item(kWiredLineLabel, status.wiredLine) << " | " << Item(kIn1Label, status.in1) << " | "
         << Item(kIn2Label, status.in2) << " | " << Item(kCallStateLabel, status.callState) << " | "
         << Cp1250ToUtf8(kSignalLabel) << ' ' << status.signal << std::endl;
    ++shown;
  }
  void AddMessage(const std::string& text) override { out_ << '<' << Cp1250ToShownUtf8(text) << '>' << std::endl; }
  int shown = 0;

 private:
  static std::string Item(const char* label, const StatusItem& item) {
    return Cp1250ToUtf8(label) + ": " + Cp1250ToUtf8(item.text);
  }
  std::ostream& out_;
};

int StateSeconds(const ParsedArgs& args) {
  if (!args.Has("--seconds")) return 0;
  const std::string text = args.Value("--seconds");
  int seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || seconds < 1 || seconds > kMaxStateSeconds) {
    UsageError("--seconds wants a whole number from 1 to " + std::to_string(kMaxStateSeconds) + ", not \"" + text +
               "\"");
  }
  return seconds;
}

}  // namespace

ModuleFailure::ModuleFailure(int block, const std::string& cause)
    : CliError(kExitModuleOrDifference, (block >= 0 ? "block " + std::to_string(block + 1) + ": " : "") + cause),
      block_(block),
      cause_(cause) {}

void CheckComName(const std::string& port) {
  if (!IsComName(port)) {
    UsageError("PORT is a COM name, COM1 to COM96, not \"" + port + "\" (kelvaro-cli ports lists them)");
  }
}

RecordEntry ProcedureEntry(const std::string& command, const std::string& port, const std::string& imageFile) {
  CheckComName(port);
  RecordEntry entry;
  entry.command = command;
  entry.port = NormalizePortName(port);
  entry.device = PortDevicePath(port);
  entry.stableName = PortStableName(port);
  entry.imageFile = imageFile;
  return entry;
}

int PortsCommand(const ParsedArgs&, CliContext& context) {
  std::vector<std::string> names;
  ListSerialPorts(names);
  for (const std::string& name : names) context.out << name << ' ' << PortDescription(name) << '\n';
  return kExitOk;
}

// The file is written only when all four blocks came in.
int ReadCommand(const ParsedArgs& args, CliContext& context) {
  const std::string& port = args.positional[0];
  const std::string& path = args.positional[1];
  RecordEntry entry = ProcedureEntry("read", port, path);
  const std::unique_ptr<Recorder> recorder = OpenRecorder(args);
  return Recorded(recorder.get(), entry, [&] {
    ModuleSession session(port, context);
    ReadAll(session, context);
    entry.bytes = ParameterImage;
    SaveImage(ParameterImage, path);
    return kExitOk;
  });
}

int WriteToModule(const std::string& port, const ImageBytes& image, bool verify, CliContext& context,
                  RecordEntry& entry, Recorder* recorder) {
  entry.bytes = image;
  return Recorded(recorder, entry, [&] {
    ModuleSession session(port, context);
    ParameterImage = image;
    ProgressView view(context.err, "written");
    ReplyState& reply = session.line.link.Reply();
    // The dispatcher never clears it; a refusal is this write's only if it was clear before.
    reply.writeRejected = 0;
    TransferLink link = session.Transfer(view);
    WriteModule(link);
    session.CheckStillConnected();
    if (view.failedBlock >= 0) {
      ModuleFailed(view.failedBlock, reply.writeRejected
                                         ? "refused by the module (WRFLERR)"
                                         : "not confirmed within " + WaitText(kWriteConfirmTicks) + " (time-out)");
    }
    if (view.activationFailed) {
      ModuleFailed(-1, "activation not confirmed within " + WaitText(kActivateTicks) + " (no CRCOK)");
    }
    context.err << "activated\n";
    if (verify && ReportDifferences(image, session, context, entry)) return kExitModuleOrDifference;
    return kExitOk;
  });
}

int WriteCommand(const ParsedArgs& args, CliContext& context) {
  const std::string& port = args.positional[0];
  const ImageBytes image = ImageWithChanges(args, args.positional[1], context);
  RecordEntry entry = ProcedureEntry("write", port, args.positional[1]);
  const std::unique_ptr<Recorder> recorder = OpenRecorder(args);
  return WriteToModule(port, image, args.Has(kVerifyOption), context, entry, recorder.get());
}

int CompareCommand(const ParsedArgs& args, CliContext& context) {
  const std::string& port = args.positional[0];
  const ImageBytes image = ImageWithChanges(args, args.positional[1], context);
  RecordEntry entry = ProcedureEntry("compare", port, args.positional[1]);
  const std::unique_ptr<Recorder> recorder = OpenRecorder(args);
  return Recorded(recorder.get(), entry, [&] {
    ModuleSession session(port, context);
    const bool differs = ReportDifferences(image, session, context, entry);
    entry.bytes = ParameterImage;
    return differs ? kExitModuleOrDifference : kExitOk;
  });
}

int StateCommand(const ParsedArgs& args, CliContext& context) {
  const int seconds = StateSeconds(args);
  ModuleSession session(args.positional[0], context);
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
