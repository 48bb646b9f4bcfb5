#include "sheet.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "params/cp1250.h"
#include "params/line_ends.h"

namespace {

constexpr char kQuote = '"';
constexpr std::size_t kLetters = 26;
constexpr char kWrittenSeparator = ';';
// A spreadsheet program reads a cell beginning with one of these as a formula or a
// signed number; a leading apostrophe is its mark of text where a cell is typed, and
// in ="..." no program can take it for one.
constexpr std::string_view kValueStart = "=+-@'";
// Words it reads as true and false, in English and in Hungarian.
constexpr std::string_view kTruthWords[] = {"TRUE", "FALSE", "IGAZ", "HAMIS"};
// Where a program would split or end a cell that is not quoted: both separators, as
// either may be its own (Calc splits at both by default), a tab and line breaks.
constexpr std::string_view kSplitting = ",;\t\r\n";

std::string AsUtf8(std::string_view bytes) {
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  if (Utf8ToUnicode(bytes)) return std::string(bytes);
  return Cp1250ToUtf8(bytes);
}

bool IsLineEnd(char c) { return c == kLF || c == kCR; }

// The separator is the one of the two the header row uses more (outside quotes);
// with neither, the comma.
char Separator(std::string_view text) {
  int commas = 0, semicolons = 0;
  bool quoted = false;
  for (const char c : text) {
    if (c == kQuote) quoted = !quoted;
    if (quoted) continue;
    if (IsLineEnd(c)) break;
    commas += c == ',';
    semicolons += c == ';';
  }
  return semicolons > commas ? ';' : ',';
}

// The text of a formula ="text" (its quotes doubled), as spreadsheet programs keep
// text they would otherwise take for a number; any other cell as it is.
std::string Unwrapped(std::string cell) {
  if (cell.size() < 3 || !cell.starts_with("=\"") || cell.back() != kQuote) return cell;
  std::string text;
  for (std::size_t i = 2; i + 1 < cell.size(); ++i) {
    if (cell[i] == kQuote) {
      if (i + 2 >= cell.size() || cell[i + 1] != kQuote) return cell;  // no single text
      ++i;
    }
    text += cell[i];
  }
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool SameLetters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return std::toupper(static_cast<unsigned char>(x)) == y; });
}

// Every number, date, time, fraction, percentage and amount has a digit; formulas and
// truth values are the rest of what a program would not keep as typed.
bool TakenForAValue(std::string_view text) {
  if (text.empty()) return false;
  if (kValueStart.find(text.front()) != std::string_view::npos) return true;
  if (std::any_of(text.begin(), text.end(), IsDigit)) return true;
  return std::any_of(std::begin(kTruthWords), std::end(kTruthWords),
                     [&](std::string_view word) { return SameLetters(text, word); });
}

std::string Quoted(std::string_view text) {
  std::string quoted(1, kQuote);
  for (const char c : text) quoted += c == kQuote ? std::string(2, kQuote) : std::string(1, c);
  return quoted + kQuote;
}

// A quote inside a cell is read as itself; one at its start would open a quoted cell.
std::string Field(const std::string& text) {
  const bool quoted = text.find_first_of(kSplitting) != std::string::npos || text.starts_with(kQuote);
  return quoted ? Quoted(text) : text;
}

void AppendRow(std::string& text, const std::vector<std::string>& fields, std::string_view lineEnd) {
  for (std::size_t c = 0; c < fields.size(); ++c) {
    if (c > 0) text += kWrittenSeparator;
    text += fields[c];
  }
  text += lineEnd;
}

}  // namespace

bool IsEmpty(const SheetRow& row) {
  return std::all_of(row.cells.begin(), row.cells.end(), [](const std::string& cell) { return cell.empty(); });
}

Sheet ReadSheet(std::string_view bytes) {
  const std::string text = AsUtf8(bytes);
  Sheet sheet{Separator(text), {}};
  SheetRow row{1, {""}};
  std::size_t i = 0;
  auto endRow = [&] {
    sheet.rows.push_back(std::move(row));
    row = {static_cast<int>(sheet.rows.size()) + 1, {""}};
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == kQuote && row.cells.back().empty()) {
      // A quoted cell: "" stands for one quote; it ends at a lone quote.
      for (++i;; ++i) {
        if (i >= text.size()) throw SheetError("row " + std::to_string(row.number) + ": a quoted cell is not closed");
        if (text[i] != kQuote) {
          row.cells.back() += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == kQuote) {
          row.cells.back() += kQuote;
          ++i;
        } else {
          break;
        }
      }
      ++i;
      if (i < text.size() && text[i] != sheet.separator && !IsLineEnd(text[i])) {
        throw SheetError("row " + std::to_string(row.number) + ", column " + ColumnName(row.cells.size() - 1) +
                         ": text after the closing quote");
      }
    } else if (c == sheet.separator) {
      row.cells.emplace_back();
      ++i;
    } else if (IsLineEnd(c)) {
      i += c == kCR && i + 1 < text.size() && text[i + 1] == kLF ? 2 : 1;
      endRow();
    } else {
      row.cells.back() += c;
      ++i;
    }
  }
  if (!text.empty() && !IsLineEnd(text.back())) endRow();  // the last line had no line end
  for (SheetRow& read : sheet.rows) {
    for (std::string& cell : read.cells) cell = Unwrapped(std::move(cell));
  }
  // Empty rows below the last one, as spreadsheet programs leave them, are no rows.
  while (!sheet.rows.empty() && IsEmpty(sheet.rows.back())) sheet.rows.pop_back();
  return sheet;
}

std::string ColumnName(std::size_t index) {
  std::string name;
  for (++index; index > 0; index = (index - 1) / kLetters) {
    name.insert(name.begin(), static_cast<char>('A' + (index - 1) % kLetters));
  }
  return name;
}

std::string TextCell(const std::string& utf8) { return Field(TakenForAValue(utf8) ? "=" + Quoted(utf8) : utf8); }

std::string WriteSheet(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows,
                       std::string_view lineEnd) {
  std::string text(kByteOrderMark);
  std::vector<std::string> fields;
  std::transform(header.begin(), header.end(), std::back_inserter(fields), Field);
  AppendRow(text, fields, lineEnd);
  for (const std::vector<std::string>& row : rows) {
    fields.clear();
    std::transform(row.begin(), row.end(), std::back_inserter(fields), TextCell);
    AppendRow(text, fields, lineEnd);
  }
  return text;
}
