#pragma once
// A sheet as spreadsheet programs save it: comma or semicolon separated values, quoted
// cells that may hold separators, quotes and line breaks, in UTF-8 (with or without a
// byte order mark) or, when it is not valid UTF-8, in code page 1250.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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

// Rows of nothing but empty cells below the last other row are left out.
Sheet ReadSheet(std::string_view bytes);
// True when every cell is empty.
bool IsEmpty(const SheetRow& row);
// "A", "B", ... "Z", "AA": a column as the spreadsheet names it, from 0.
std::string ColumnName(std::size_t index);
