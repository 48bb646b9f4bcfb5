#include "sheet.h"

#include <algorithm>

#include "params/cp1250.h"
#include "params/line_ends.h"

namespace {

constexpr char kQuote = '"';
constexpr std::size_t kLetters = 26;

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
