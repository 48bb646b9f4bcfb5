#pragma once
// The service record: one JSON line a procedure, appended to the file --record names,
// which several tools may append to at once; `log` reads it back as a table.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "cli_error.h"
#include "command_line.h"
#include "params/file_io.h"
#include "params/image_diff.h"

inline constexpr char kOutcomeOk[] = "ok";
inline constexpr char kOutcomeDiffers[] = "differs";
inline constexpr char kOutcomeFailed[] = "failed";

struct RecordEntry {
  std::string command;  // read, write or compare
  std::string port;     // the COM name
  std::string device;
  std::string stableName;  // "" when there is none
  std::string site;        // a batch's row; "" outside a batch
  std::string imageFile;
  std::optional<ImageBytes> bytes;  // written (or meant for the module), or read from it
  std::string outcome = kOutcomeOk;
  int block = 0;  // the failed block, 1 to 4; 0 when the failure was no block's
  std::string cause;
  std::vector<std::string> differences;  // keys of the fields that differ
  int otherBytes = 0;                    // differing bytes outside those fields

  void SetDifference(const ImageDifference& difference);
};

std::string RecordLine(const RecordEntry& entry, std::chrono::system_clock::time_point time);

// The record could not be appended to: a usage error that also ends a batch.
class RecordAppendError : public CliError {
 public:
  explicit RecordAppendError(const std::string& message) : CliError(kExitUsage, message) {}
};

// The --record file, opened for appending before the module is touched: a usage error
// when it cannot be.
class Recorder {
 public:
  explicit Recorder(const std::string& path);
  // RecordAppendError when the line could not be appended.
  void Append(const RecordEntry& entry);

 private:
  static AppendOnlyFile Open(const std::string& path);
  std::string path_;
  AppendOnlyFile file_;
};

// The recorder --record asks for, or none.
std::unique_ptr<Recorder> OpenRecorder(const ParsedArgs& args);

int LogCommand(const ParsedArgs& args, CliContext& context);
