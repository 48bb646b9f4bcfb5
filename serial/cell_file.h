#pragma once
// The port choice file: a small table of text cells in a plain line format
// (size line, one width line per column, one line per non-empty cell).
// Cell (0, 0) holds the chosen port.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

// "Cannot open file <path>" and "Cannot Create <path>"; also a file that names a
// negative cell or a size above kMaxCellTableCount, and a cell asked for outside the table.
class EAdvGridError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest column or row count a file may set; a size line beyond it ends
// loading before anything changes.
constexpr int kMaxCellTableCount = 1000;
// The largest file loading reads; a longer one is a load error ("File too large").
constexpr std::size_t kMaxCellFileSize = 1 << 20;

class CellTable {
 public:
  CellTable();  // 2 columns, 1 row, widths 20, all cells empty

  int ColCount() const;
  int RowCount() const;
  int ColWidth(int col) const;
  // Outside the table: EAdvGridError.
  std::string Cell(int col, int row) const;
  void SetCell(int col, int row, const std::string& text);

  void LoadCellFile(const std::string& path);
  // Saves atomically (params/file_io.h) and creates the folder when it is missing.
  // A read-only file is refused as image files are ("File access denied").
  void SaveCellFile(const std::string& path) const;

 private:
  void Resize(int colCount, int rowCount);
  void ReadLines(const std::vector<std::string>& lines);
  std::string Serialize() const;

  int colCount_ = 0;
  int rowCount_ = 0;
  std::vector<int> widths_;
  std::vector<std::vector<std::string>> cells_;  // [row][col]
};

// A number field read leniently: leading spaces, then an optional sign and decimal
// digits, or "$", "x", "X", "0x", "0X" and hexadecimal digits; reading stops at the
// first character that does not fit (0 when no digit came), and a "-" counts only
// when the digits run to the end of the field.
int ReadCellNumber(const std::string& field);
