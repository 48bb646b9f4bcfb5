// The port choice file: CellTable::LoadCellFile on arbitrary files. A file is
// either refused with the table's or the file layer's own error, or loaded into a
// table that saves and loads back to the same table; the chosen port read from it
// always normalizes to a valid COM name.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_temp_file.h"
#include "params/image_file.h"
#include "serial/cell_file.h"
#include "serial/port_names.h"

namespace {

bool SameTable(const CellTable& a, const CellTable& b) {
  if (a.ColCount() != b.ColCount() || a.RowCount() != b.RowCount()) return false;
  for (int col = 0; col < a.ColCount(); ++col) {
    if (a.ColWidth(col) != b.ColWidth(col)) return false;
    for (int row = 0; row < a.RowCount(); ++row) {
      if (a.Cell(col, row) != b.Cell(col, row)) return false;
    }
  }
  return true;
}

bool ValidComName(const std::string& name) {
  if (name.size() < 4 || name.size() > 6 || name.compare(0, 3, "COM") != 0 || name[3] == '0') return false;
  for (std::size_t k = 3; k < name.size(); ++k) {
    if (name[k] < '0' || name[k] > '9') return false;
  }
  const int number = std::stoi(name.substr(3));
  return number >= kFirstComNumber && number <= kLastComNumber;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteFuzzFile("VORMAK_setup.ini", data, size);
  CellTable table;
  try {
    table.LoadCellFile(path);
  } catch (const EAdvGridError&) {
    return 0;
  } catch (const EInOutError&) {
    return 0;
  }
  if (table.ColCount() < 1 || table.RowCount() < 1 || table.ColCount() > kMaxCellTableCount ||
      table.RowCount() > kMaxCellTableCount) {
    FuzzFail("a loaded table has an impossible size");
  }
  if (!ValidComName(NormalizePortName(table.Cell(0, 0)))) FuzzFail("the chosen port normalized to a bad name");

  const std::string again = FuzzFolder() + "/saved.ini";
  table.SaveCellFile(again);
  CellTable reloaded;
  reloaded.LoadCellFile(again);
  if (!SameTable(table, reloaded)) FuzzFail("a saved table loads back different");
  return 0;
}
