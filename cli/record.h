#pragma once
// The service record: one JSON line a procedure, appended to the file --record names,
// which several tools may append to at once; `log` reads it back as a table.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "cli_error.h"
#include "command_line.h"
#include "params/file_io.h"
#include "params/image_diff.h"

inline constexpr char kOutcomeOk[] = "ok";
inline constexpr char kOutcomeDiffers[] = "differs";
inline constexpr char kOutcomeFailed[] = "failed";

// One procedure, as its record line holds it.
struct RecordEntry {
  std::string time;     // UTC, "2026-12-08T09:30:00Z"; set when the line is appended
  std::string command;  // read, write or compare
  std::string port;     // the COM name
  std::string device;
  std::string stableName;  // "" when there is none
  std::string site;        // a batch's row; "" outside a batch
  std::string imageFile;
  std::string sha256;  // of the bytes written (or meant for the module), or read from it; "" for none
  std::string outcome = kOutcomeOk;
  int block = 0;  // the failed block, 1 to 4; 0 when the failure was no block's
  std::string cause;
  std::vector<std::string> differences;  // keys of the fields that differ
  int otherBytes = 0;                    // differing bytes outside those fields

  void SetImage(const ImageBytes& bytes);
  void SetDifference(const ImageDifference& difference);
  bool operator==(const RecordEntry&) const = default;
};

// The entry as one line of JSON, its members in the record's order; "" and a block of 0
// are written as null.
std::string RecordLine(const RecordEntry& entry);

// A record read back: its entries, and the numbers of the lines that are none of ours
// (an entry has at least a time, a command and an outcome).
struct RecordReading {
  std::vector<RecordEntry> entries;
  std::vector<std::size_t> strangeLines;
};
RecordReading ReadRecord(std::string_view bytes);
// log's table: a heading row, then a row an entry.
std::string LogTable(const std::vector<RecordEntry>& entries);

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
  void Append(RecordEntry entry);

 private:
  static AppendOnlyFile Open(const std::string& path);
  std::string path_;
  AppendOnlyFile file_;
};

// The recorder --record asks for, or none.
std::unique_ptr<Recorder> OpenRecorder(const ParsedArgs& args);

int LogCommand(const ParsedArgs& args, CliContext& context);
