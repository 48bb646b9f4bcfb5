#pragma once
// A sheet as spreadsheet programs save it: comma or semicolon separated values, quoted
// cells that may hold separators, quotes and line breaks, in UTF-8 (with or without a
// byte order mark) or, when it is not valid UTF-8, in code page 1250. And a sheet as
// we write it for them to open.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The column that names a row: the batch's site.
inline constexpr char kSiteColumn[] = "site";

struct SheetRow {
  int number;                      // as the spreadsheet numbers it: the header is row 1
  std::vector<std::string> cells;  // UTF-8
};

struct Sheet {
  char separator;
  std::vector<SheetRow> rows;  // the header first
};

// What() names the row.
class SheetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Rows of nothing but empty cells below the last other row are left out. A cell
// ="..." is the text between its quotes (TextCell undone), however it was saved.
Sheet ReadSheet(std::string_view bytes);
// True when every cell is empty.
bool IsEmpty(const SheetRow& row);
// "A", "B", ... "Z", "AA": a column as the spreadsheet names it, from 0.
std::string ColumnName(std::size_t index);

// A cell that a spreadsheet program opens as this text, and saves as it: in ="..."
// when the program would take the text for something else (a number, a date, a time,
// a formula, true or false), and quoted when it holds a separator, a line break or
// begins with a quote.
std::string TextCell(const std::string& utf8);
// What a spreadsheet program opens by a double click with every cell in its column
// and as typed: a byte order mark, then the rows, their cells separated by semicolons
// and each row ended by lineEnd. The header's cells are our own words, written as
// they are; the other rows' as TextCell writes them.
std::string WriteSheet(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows,
                       std::string_view lineEnd);
