// Sheets as spreadsheet programs might save them, and worse: reading gives rows or a
// SheetError, and every cell applied to a field gives a stored value or a usage error;
// the rows read, written as sheet writes them, read back as themselves.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

#include "cli/cli_error.h"
#include "cli/settings_text.h"
#include "cli/sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Sheet sheet;
  try {
    sheet = ReadSheet(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const SheetError&) {
    return 0;
  }
  ImageBytes image;
  image.fill(kErasedByte);
  std::ostringstream notes;
  const auto& fields = ImageFields();
  for (const SheetRow& row : sheet.rows) {
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
      try {
        ApplyValue(image, fields[c % fields.size()], row.cells[c], "", notes);
      } catch (const CliError&) {
      }
    }
  }
  std::vector<std::vector<std::string>> rows;
  for (const SheetRow& row : sheet.rows) rows.push_back(row.cells);
  const Sheet again = ReadSheet(WriteSheet({kSiteColumn, "x"}, rows, "\r\n"));
  if (again.rows.size() != rows.size() + 1) std::abort();
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (again.rows[k + 1].cells != rows[k]) std::abort();
  }
  return 0;
}
