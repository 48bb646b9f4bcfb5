#include "record.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "cli_error.h"
#include "files.h"
#include "json.h"
#include "options.h"
#include "params/cp1250.h"
#include "sha256.h"

namespace {

constexpr std::size_t kMaxRecordFile = 256 * kMegabyte;
constexpr std::size_t kShortHash = 12;

// Every text goes into the record as UTF-8, whatever the system handed over.
std::string Text(const std::string& bytes) { return JsonString(UnicodeToUtf8(TextToUnicode(bytes))); }
std::string TextOrNull(const std::string& bytes) { return bytes.empty() ? "null" : Text(bytes); }

std::string UtcTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto day = floor<days>(time);
  const year_month_day date(day);
  const hh_mm_ss clock(floor<seconds>(time - day));
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

// The columns of log, each from a record line's members.
struct Column {
  const char* heading;
  std::string (*cell)(const JsonValue& record);
};

std::string Member(const JsonValue& record, const char* key) {
  const JsonValue* value = record.Find(key);
  return value == nullptr ? "" : value->text;
}

std::string Details(const JsonValue& record) {
  const std::string outcome = Member(record, "outcome");
  if (outcome == kOutcomeFailed) {
    const std::string block = Member(record, "block");
    return (block.empty() ? "" : "block " + block + ": ") + Member(record, "cause");
  }
  std::string details;
  if (const JsonValue* differences = record.Find("differences")) {
    for (const JsonValue& key : differences->items) details += (details.empty() ? "" : " ") + key.text;
  }
  const std::string other = Member(record, "otherBytes");
  if (!other.empty() && other != "0") details += (details.empty() ? "" : " ") + ("+" + other + " bytes");
  return details;
}

const std::array<Column, 9> kColumns = {{
    {"time", [](const JsonValue& r) { return Member(r, "time"); }},
    {"command", [](const JsonValue& r) { return Member(r, "command"); }},
    {"port", [](const JsonValue& r) { return Member(r, "port"); }},
    {"device",
     [](const JsonValue& r) {
       const std::string stable = Member(r, "stableName");
       return stable.empty() ? Member(r, "device") : stable;
     }},
    {"site", [](const JsonValue& r) { return Member(r, "site"); }},
    {"image", [](const JsonValue& r) { return Member(r, "image"); }},
    {"sha256", [](const JsonValue& r) { return Member(r, "sha256").substr(0, kShortHash); }},
    {"outcome", [](const JsonValue& r) { return Member(r, "outcome"); }},
    {"details", Details},
}};

// Characters, not bytes, so accented site names line up.
std::size_t Width(const std::string& utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Whether a line is one of ours: an object with at least a time, a command and an outcome.
bool IsRecord(const JsonValue& line) {
  return line.type == JsonValue::Type::Object && !Member(line, "time").empty() && !Member(line, "command").empty() &&
         !Member(line, "outcome").empty();
}

}  // namespace

void RecordEntry::SetDifference(const ImageDifference& difference) {
  outcome = difference.Empty() ? kOutcomeOk : kOutcomeDiffers;
  differences.clear();
  for (const FieldDifference& d : difference.fields) differences.push_back(d.field->key);
  otherBytes = difference.otherBytes;
}

std::string RecordLine(const RecordEntry& entry, std::chrono::system_clock::time_point time) {
  std::string differences;
  for (const std::string& key : entry.differences) differences += (differences.empty() ? "" : ",") + Text(key);
  const std::string hash =
      entry.bytes ? JsonString(Sha256Hex(std::string(entry.bytes->begin(), entry.bytes->end()))) : "null";
  return "{\"time\":" + JsonString(UtcTime(time)) + ",\"command\":" + Text(entry.command) +
         ",\"port\":" + Text(entry.port) + ",\"device\":" + TextOrNull(entry.device) +
         ",\"stableName\":" + TextOrNull(entry.stableName) + ",\"site\":" + TextOrNull(entry.site) +
         ",\"image\":" + TextOrNull(entry.imageFile) + ",\"sha256\":" + hash + ",\"outcome\":" + Text(entry.outcome) +
         ",\"block\":" + (entry.block > 0 ? std::to_string(entry.block) : "null") +
         ",\"cause\":" + TextOrNull(entry.cause) + ",\"differences\":[" + differences +
         "],\"otherBytes\":" + std::to_string(entry.otherBytes) + "}\n";
}

AppendOnlyFile Recorder::Open(const std::string& path) {
  try {
    return AppendOnlyFile(path);
  } catch (const EInOutError& error) {
    UsageError(path + ": cannot append to the record (" + error.what() + ")");
  }
}

Recorder::Recorder(const std::string& path) : path_(path), file_(Open(path)) {}

void Recorder::Append(const RecordEntry& entry) {
  try {
    file_.Append(RecordLine(entry, std::chrono::system_clock::now()));
  } catch (const EInOutError& error) {
    throw RecordAppendError(path_ + ": cannot append to the record (" + error.what() + ")");
  }
}

std::unique_ptr<Recorder> OpenRecorder(const ParsedArgs& args) {
  if (!args.Has(kRecord)) return nullptr;
  return std::make_unique<Recorder>(args.Value(kRecord));
}

int LogCommand(const ParsedArgs& args, CliContext& context) {
  const std::string& path = args.positional[0];
  const std::string bytes = ReadInputFile(path, kMaxRecordFile, "; start a new record");
  const bool bySite = args.Has(kSite);
  const std::string site = args.Value(kSite);

  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> headings;
  for (const Column& column : kColumns) headings.push_back(column.heading);
  rows.push_back(headings);
  int bad = 0;
  std::size_t lineNumber = 0;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    const std::string_view line(bytes.data() + start, end - start);
    start = end + 1;
    ++lineNumber;
    if (line.empty()) continue;
    JsonValue record;
    try {
      record = ParseJson(line);
    } catch (const JsonError&) {
    }
    if (!IsRecord(record)) {
      context.err << "kelvaro-cli: " << path << " line " << lineNumber << ": not a record line, left out\n";
      ++bad;
      continue;
    }
    if (bySite && Member(record, "site") != site) continue;
    std::vector<std::string> cells;
    for (const Column& column : kColumns) cells.push_back(UnicodeToShownUtf8(TextToUnicode(column.cell(record))));
    rows.push_back(cells);
  }

  std::vector<std::size_t> widths(kColumns.size(), 0);
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Width(row[c]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - Width(row[c]) + 2, ' ');
    }
    context.out << line.substr(0, line.find_last_not_of(' ') + 1) << '\n';
  }
  return bad > 0 ? kExitUsage : kExitOk;
}
