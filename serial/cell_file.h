#pragma once
// The port choice file: a small table of text cells in a plain line format
// (size line, one width line per column, one line per non-empty cell).
// Cell (0, 0) holds the chosen port.

#include <stdexcept>
#include <string>
#include <vector>

// "Cannot open file <path>" and "Cannot Create <path>".
class EAdvGridError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CellTable {
 public:
  CellTable();  // 2 columns, 1 row, widths 20, all cells empty

  int ColCount() const;
  int RowCount() const;
  int ColWidth(int col) const;
  std::string Cell(int col, int row) const;
  void SetCell(int col, int row, const std::string& text);

  void LoadCellFile(const std::string& path);
  // Writes a temporary file beside the target and renames it into place; creates
  // the folder when it is missing.
  void SaveCellFile(const std::string& path) const;

  // (implementation-defined private state follows)
};
