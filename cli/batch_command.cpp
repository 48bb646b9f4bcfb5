#include "batch_command.h"

#include <map>

#include "files.h"
#include "json.h"
#include "module_commands.h"
#include "options.h"
#include "params/cp1250.h"
#include "params/line_ends.h"
#include "port_commands.h"
#include "settings_text.h"
#include "sheet.h"

namespace {

constexpr std::size_t kMaxSheetFile = 16 * kMegabyte;

struct BatchRow {
  int number;
  std::string site;
  ImageBytes image;  // the template with the row's values
};

std::string Shown(const std::string& utf8) { return UnicodeToShownUtf8(TextToUnicode(utf8)); }

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

Sheet LoadSheet(const std::string& path) {
  const std::string bytes = ReadInputFile(path, kMaxSheetFile, ", no sheet");
  try {
    return ReadSheet(bytes);
  } catch (const SheetError& error) {
    UsageError(path + ": " + error.what());
  }
}

// The header's columns: the field each names, nullptr for the site.
std::vector<const ImageField*> HeaderFields(const SheetRow& header, const std::string& where, std::size_t& site) {
  std::vector<const ImageField*> fields;
  std::map<std::string, std::size_t> seen;
  site = header.cells.size();
  for (std::size_t c = 0; c < header.cells.size(); ++c) {
    const std::string name = Trimmed(header.cells[c]);
    const std::string column = where + "column " + ColumnName(c) + ": ";
    if (const auto [at, added] = seen.emplace(name, c); !added) {
      UsageError(column + JsonString(Shown(name)) + " is named twice (also column " + ColumnName(at->second) + ")");
    }
    if (name == kSiteColumn) {
      site = c;
      fields.push_back(nullptr);
      continue;
    }
    try {
      fields.push_back(&FieldByKey(name));
    } catch (const CliError& error) {
      UsageError(column + error.what());
    }
  }
  if (site == header.cells.size()) UsageError(where + "the header row names no site column");
  return fields;
}

// Every row applied to the template, checked before any module is touched.
std::vector<BatchRow> CheckedRows(const std::string& path, const ImageBytes& templateImage, std::ostream& notes) {
  const Sheet sheet = LoadSheet(path);
  if (sheet.rows.empty()) UsageError(path + ": the sheet is empty");
  std::size_t siteColumn = 0;
  const std::vector<const ImageField*> fields = HeaderFields(sheet.rows.front(), path + ": ", siteColumn);
  if (sheet.rows.size() < 2) UsageError(path + ": no rows below the header row");
  // A cell that holds what show --json gives for the template keeps the template's
  // bytes, as import does: a sheet written by sheet programs the template exactly.
  std::vector<std::string> kept;
  for (const ImageField* field : fields) kept.push_back(field == nullptr ? "" : FieldText(templateImage, *field));
  std::vector<BatchRow> rows;
  std::map<std::string, int> sites;
  for (auto row = sheet.rows.begin() + 1; row != sheet.rows.end(); ++row) {
    const std::string where = path + ": row " + std::to_string(row->number);
    if (IsEmpty(*row)) UsageError(where + " is empty");
    if (const std::size_t cells = row->cells.size(); cells != fields.size()) {
      UsageError(where + " has " + std::to_string(cells) + (cells == 1 ? " cell" : " cells") + ", the header row " +
                 std::to_string(fields.size()));
    }
    const std::string& site = row->cells[siteColumn];
    if (site.empty()) UsageError(where + " has no site");
    if (const auto [at, added] = sites.emplace(site, row->number); !added) {
      UsageError(where + " repeats the site " + JsonString(Shown(site)) + " of row " + std::to_string(at->second));
    }
    BatchRow checked{row->number, site, templateImage};
    for (std::size_t c = 0; c < fields.size(); ++c) {
      if (fields[c] != nullptr && row->cells[c] != kept[c]) {
        ApplyValue(checked.image, *fields[c], row->cells[c], where + ", column " + ColumnName(c) + ": ", notes);
      }
    }
    rows.push_back(std::move(checked));
  }
  return rows;
}

enum class Answer { Go, Skip, Stop, EndOfInput };

Answer AskForModule(const std::string& site, const std::string& port, CliContext& context) {
  for (;;) {
    const std::string where = IsAutoPort(port) ? "" : " to " + port;
    context.err << Shown(site) << ": connect the module" << where << ", then press Enter (s: skip, q: stop) "
                << std::flush;
    std::string line;
    if (!std::getline(context.in, line)) {
      context.err << '\n';
      return Answer::EndOfInput;
    }
    line = Trimmed(line.substr(0, line.find_last_not_of(kCR) + 1));
    if (line.empty()) return Answer::Go;
    if (line == "s" || line == "S") return Answer::Skip;
    if (line == "q" || line == "Q") return Answer::Stop;
    context.err << "Enter alone writes the module; s skips this row, q stops the batch.\n";
  }
}

struct Tally {
  int done = 0, skipped = 0, notReached = 0;
  std::vector<std::string> failed;  // "<site> (<cause>)"

  std::string Summary() const {
    std::string text = std::to_string(done) + " done, " + std::to_string(failed.size()) + " failed";
    for (std::size_t k = 0; k < failed.size(); ++k) text += (k == 0 ? ": " : ", ") + failed[k];
    text += ", " + std::to_string(skipped) + " skipped";
    if (notReached > 0) text += ", " + std::to_string(notReached) + " not reached";
    return text;
  }
};

}  // namespace

int BatchCommand(const ParsedArgs& args, CliContext& context) {
  const std::string port = args.Value(kPort);
  const std::string templatePath = args.Value(kTemplate);
  CheckPortArgument(port);
  const ImageBytes templateImage = LoadExactImage(templatePath);
  const std::vector<BatchRow> rows = CheckedRows(args.positional[0], templateImage, context.err);
  const std::unique_ptr<Recorder> recorder = OpenRecorder(args);

  Tally tally;
  for (std::size_t k = 0; k < rows.size();) {
    const BatchRow& row = rows[k];
    const std::string site = Shown(row.site);
    const Answer answer = AskForModule(row.site, port, context);
    if (answer == Answer::EndOfInput)
      context.err << "kelvaro-cli: end of input: the batch stops before " << site << '\n';
    if (answer == Answer::EndOfInput || answer == Answer::Stop) {
      tally.notReached = static_cast<int>(rows.size() - k);
      break;
    }
    if (answer == Answer::Skip) {
      context.out << site << ": skipped" << std::endl;
      ++tally.skipped;
      ++k;
      continue;
    }
    // auto looks again for each row: the next module may be on another adapter. When
    // none or several answer, nothing is written and the same row is asked for again.
    std::string rowPort;
    try {
      rowPort = ChosenPort(port, context);
    } catch (const CliError& error) {
      context.err << "kelvaro-cli: " << error.what() << '\n';
      continue;
    }
    ++k;
    RecordEntry entry = ProcedureEntry("write", rowPort, templatePath);
    entry.site = row.site;
    std::string cause;
    try {
      if (WriteToModule(rowPort, row.image, args.Has(kVerify), context, entry, recorder.get()) != 0) {
        std::string keys;
        for (const std::string& key : entry.differences) keys += (keys.empty() ? "" : " ") + key;
        cause = "differs: " + (keys.empty() ? "other bytes" : keys);
      }
    } catch (const RecordAppendError&) {
      throw;  // the record would lose rows from here on
    } catch (const std::exception& error) {
      cause = error.what();
    }
    if (cause.empty()) {
      context.out << site << ": ok" << std::endl;
      ++tally.done;
    } else {
      context.out << site << ": failed (" << cause << ")" << std::endl;
      tally.failed.push_back(site + " (" + cause + ")");
    }
  }
  context.out << tally.Summary() << std::endl;
  return tally.failed.empty() && tally.notReached == 0 ? kExitOk : kExitModuleOrDifference;
}
