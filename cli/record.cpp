#include "record.h"

#include <chrono>
#include <cstdio>
#include <variant>

#include "files.h"
#include "json.h"
#include "options.h"
#include "params/cp1250.h"
#include "sha256.h"
#include "table.h"

namespace {

constexpr std::size_t kMaxRecordFile = 256 * kMegabyte;
constexpr std::size_t kShortHash = 12;

// The record line's members, in the order they are written; log reads them by the same table.
struct RecordMember {
  const char* key;
  std::variant<std::string RecordEntry::*, int RecordEntry::*, std::vector<std::string> RecordEntry::*> member;
  bool nullWhenEmpty = false;  // "", or a 0, is written as null
};

const RecordMember kRecordMembers[] = {
    {"time", &RecordEntry::time},
    {"command", &RecordEntry::command},
    {"port", &RecordEntry::port},
    {"device", &RecordEntry::device, true},
    {"stableName", &RecordEntry::stableName, true},
    {"site", &RecordEntry::site, true},
    {"image", &RecordEntry::imageFile, true},
    {"sha256", &RecordEntry::sha256, true},
    {"outcome", &RecordEntry::outcome},
    {"block", &RecordEntry::block, true},
    {"cause", &RecordEntry::cause, true},
    {"differences", &RecordEntry::differences},
    {"otherBytes", &RecordEntry::otherBytes},
};

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
// Clang does not deduce an aggregate's arguments by itself yet.
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// Every text goes into the record as UTF-8, whatever the system handed over.
std::string Text(const std::string& bytes) { return UnicodeToUtf8(TextToUnicode(bytes)); }

Json MemberJson(const RecordEntry& entry, const RecordMember& m) {
  return std::visit(Overloaded{[&](std::string RecordEntry::*text) {
                                 return m.nullWhenEmpty && (entry.*text).empty() ? Json() : Json(Text(entry.*text));
                               },
                               [&](int RecordEntry::*number) {
                                 return m.nullWhenEmpty && entry.*number == 0 ? Json() : Json(entry.*number);
                               },
                               [&](std::vector<std::string> RecordEntry::*texts) {
                                 Json list = Json::array();
                                 for (const std::string& text : entry.*texts) list.push_back(Text(text));
                                 return list;
                               }},
                    m.member);
}

// Whatever a line holds under the key: what is not of the member's kind reads as empty.
void ReadMember(RecordEntry& entry, const RecordMember& m, const Json& value) {
  std::visit(
      Overloaded{[&](std::string RecordEntry::*text) { entry.*text = ScalarText(value); },
                 [&](int RecordEntry::*number) { entry.*number = value.is_number_integer() ? value.get<int>() : 0; },
                 [&](std::vector<std::string> RecordEntry::*texts) {
                   if (!value.is_array()) return;
                   for (const Json& item : value) (entry.*texts).push_back(ScalarText(item));
                 }},
      m.member);
}

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

std::string Details(const RecordEntry& entry) {
  if (entry.outcome == kOutcomeFailed) {
    return (entry.block > 0 ? "block " + std::to_string(entry.block) + ": " : "") + entry.cause;
  }
  std::string details;
  for (const std::string& key : entry.differences) details += (details.empty() ? "" : " ") + key;
  if (entry.otherBytes != 0)
    details += (details.empty() ? "" : " ") + ("+" + std::to_string(entry.otherBytes) + " bytes");
  return details;
}

// The columns of log, each from an entry.
struct Column {
  const char* heading;
  std::string (*cell)(const RecordEntry& entry);
};

const Column kColumns[] = {
    {"time", [](const RecordEntry& e) { return e.time; }},
    {"command", [](const RecordEntry& e) { return e.command; }},
    {"port", [](const RecordEntry& e) { return e.port; }},
    {"device", [](const RecordEntry& e) { return e.stableName.empty() ? e.device : e.stableName; }},
    {"site", [](const RecordEntry& e) { return e.site; }},
    {"image", [](const RecordEntry& e) { return e.imageFile; }},
    {"sha256", [](const RecordEntry& e) { return e.sha256.substr(0, kShortHash); }},
    {"outcome", [](const RecordEntry& e) { return e.outcome; }},
    {"details", Details},
};

}  // namespace

void RecordEntry::SetImage(const ImageBytes& bytes) { sha256 = Sha256Hex(std::string(bytes.begin(), bytes.end())); }

void RecordEntry::SetDifference(const ImageDifference& difference) {
  outcome = difference.Empty() ? kOutcomeOk : kOutcomeDiffers;
  differences.clear();
  for (const FieldDifference& d : difference.fields) differences.push_back(d.field->key);
  otherBytes = difference.otherBytes;
}

std::string RecordLine(const RecordEntry& entry) {
  Json line = Json::object();
  for (const RecordMember& m : kRecordMembers) line[m.key] = MemberJson(entry, m);
  return line.dump() + "\n";
}

RecordReading ReadRecord(std::string_view bytes) {
  RecordReading reading;
  std::size_t lineNumber = 0;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    const std::string_view line = bytes.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (line.empty()) continue;
    Json json;
    try {
      json = ParseJson(line);
    } catch (const JsonError&) {
    }
    RecordEntry entry;
    if (json.is_object()) {
      for (const RecordMember& m : kRecordMembers) {
        if (const auto value = json.find(m.key); value != json.end()) ReadMember(entry, m, *value);
      }
    }
    if (entry.time.empty() || entry.command.empty() || entry.outcome.empty()) {
      reading.strangeLines.push_back(lineNumber);
    } else {
      reading.entries.push_back(std::move(entry));
    }
  }
  return reading;
}

std::string LogTable(const std::vector<RecordEntry>& entries) {
  std::vector<std::vector<std::string>> rows(1);
  for (const Column& column : kColumns) rows.front().push_back(column.heading);
  for (const RecordEntry& entry : entries) {
    std::vector<std::string>& cells = rows.emplace_back();
    for (const Column& column : kColumns) cells.push_back(UnicodeToShownUtf8(TextToUnicode(column.cell(entry))));
  }
  return TableText(rows);
}

AppendOnlyFile Recorder::Open(const std::string& path) {
  try {
    return AppendOnlyFile(path);
  } catch (const EInOutError& error) {
    UsageError(path + ": cannot append to the record (" + error.what() + ")");
  }
}

Recorder::Recorder(const std::string& path) : path_(path), file_(Open(path)) {}

void Recorder::Append(RecordEntry entry) {
  entry.time = UtcTime(std::chrono::system_clock::now());
  try {
    file_.Append(RecordLine(entry));
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
  RecordReading reading = ReadRecord(ReadInputFile(path, kMaxRecordFile, "; start a new record"));
  for (const std::size_t line : reading.strangeLines) {
    context.err << "kelvaro-cli: " << path << " line " << line << ": not a record line, left out\n";
  }
  if (args.Has(kSite)) {
    // The record holds UTF-8; a Windows console hands the name over in code page 1250.
    const std::string site = Text(args.Value(kSite));
    std::erase_if(reading.entries, [&](const RecordEntry& entry) { return entry.site != site; });
  }
  context.out << LogTable(reading.entries);
  return reading.strangeLines.empty() ? kExitOk : kExitUsage;
}
