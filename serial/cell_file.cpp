#include "cell_file.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "lenient_number.h"
#include "params/file_io.h"
#include "params/line_ends.h"

namespace {

constexpr int kDefaultColCount = 2;
constexpr int kDefaultRowCount = 1;
constexpr int kDefaultColWidth = 20;
constexpr std::size_t kMaxWidthField = 255;
constexpr char kEndOfFile = 0x1A;
// A text holding CR is written with CR and LF swapped for these.
constexpr char kCrStandIn = 0x09;
constexpr char kLfStandIn = 0x08;
constexpr const char* kLineEnd = "\r\n";
constexpr const char* kOutOfRange = "Cell index out of range";

// Lines end at CR with an optional LF after it; a lone LF is an ordinary character.
// The first line exists even in an empty file. (Loading has cut the file at 0x1A.)
std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines(1);
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes[i] == kCR) {
      ++i;
      if (i < bytes.size() && bytes[i] == kLF) ++i;
      if (i < bytes.size()) lines.emplace_back();
      continue;
    }
    lines.back() += bytes[i++];
  }
  return lines;
}

// Every cr in text becomes crTo and every lf becomes lfTo.
std::string SwapLineEnds(std::string text, char cr, char lf, char crTo, char lfTo) {
  for (char& c : text) {
    if (c == cr) {
      c = crTo;
    } else if (c == lf) {
      c = lfTo;
    }
  }
  return text;
}

std::string DecodeCellText(const std::string& text) {
  if (text.find(kLfStandIn) == std::string::npos) return text;
  const std::string decoded = SwapLineEnds(text, kCrStandIn, kLfStandIn, kCR, kLF);
  return decoded.substr(0, decoded.find(kCR));
}

std::string EncodeCellText(const std::string& text) {
  if (text.find(kCR) == std::string::npos) return text;
  return SwapLineEnds(text, kCR, kLF, kCrStandIn, kLfStandIn);
}

}  // namespace

int ReadCellNumber(const std::string& field) {
  const LenientNumber number = ReadLenientNumber(field, false);
  const int value = static_cast<int>(std::min<std::int64_t>(number.magnitude, INT_MAX));
  return number.negative && number.whole ? -value : value;
}

CellTable::CellTable() { Resize(kDefaultColCount, kDefaultRowCount); }

int CellTable::ColCount() const { return colCount_; }
int CellTable::RowCount() const { return rowCount_; }

int CellTable::ColWidth(int col) const {
  if (col < 0 || col >= colCount_) throw EAdvGridError(kOutOfRange);
  return widths_[static_cast<std::size_t>(col)];
}

std::string CellTable::Cell(int col, int row) const {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) throw EAdvGridError(kOutOfRange);
  return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void CellTable::SetCell(int col, int row, const std::string& text) {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) throw EAdvGridError(kOutOfRange);
  cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
}

// Cells inside both sizes keep their text; an added column has the default width.
void CellTable::Resize(int colCount, int rowCount) {
  colCount_ = std::max(colCount, 1);
  rowCount_ = std::max(rowCount, 1);
  widths_.resize(static_cast<std::size_t>(colCount_), kDefaultColWidth);
  cells_.resize(static_cast<std::size_t>(rowCount_));
  for (auto& row : cells_) row.resize(static_cast<std::size_t>(colCount_));
}

void CellTable::LoadCellFile(const std::string& path) {
  FileStart start;
  try {
    start = ReadFileStart(path, kMaxCellFileSize + 1);
  } catch (const EInOutError&) {
    throw EAdvGridError("Cannot open file " + path);
  }
  std::string& bytes = start.bytes;
  // Nothing after the end-of-file byte is read, however long the file.
  if (const std::size_t end = bytes.find(kEndOfFile); end != std::string::npos) {
    bytes.resize(end);
    start.readError = 0;
  }
  if (start.readError == 0) {
    if (bytes.size() > kMaxCellFileSize) throw FileTooLarge();
    ReadLines(SplitLines(bytes));
    return;
  }
  // The lines before the failure take effect; the one it cut off does not.
  const std::size_t lastEnd = bytes.rfind(kCR);
  bytes.resize(lastEnd == std::string::npos ? 0 : lastEnd);
  if (!bytes.empty()) ReadLines(SplitLines(bytes));
  throw EInOutError(InOutErrorMessage(start.readError), start.readError);
}

void CellTable::ReadLines(const std::vector<std::string>& lines) {
  const std::string& size = lines.front();
  if (!size.empty()) {
    const std::size_t comma = size.find(',');
    const int cols = comma == std::string::npos ? 1 : ReadCellNumber(size.substr(0, comma));
    const int rows = ReadCellNumber(comma == std::string::npos ? size : size.substr(comma + 1));
    if (cols > kMaxCellTableCount || rows > kMaxCellTableCount) {
      throw EAdvGridError("Table size " + std::to_string(cols) + " x " + std::to_string(rows) + " too large");
    }
    Resize(cols, rows);
  }
  for (std::size_t n = 1; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    const std::size_t first = line.find(',');
    if (line.rfind("cw", 0) == 0) {
      int col = 0, width = 0;
      if (first != std::string::npos) {
        // The third character is skipped, whatever it is.
        col = ReadCellNumber(first > 3 ? line.substr(3, first - 3) : "");
        width = ReadCellNumber(line.substr(first + 1, kMaxWidthField));
      }
      if (col >= 0 && col < colCount_) widths_[static_cast<std::size_t>(col)] = width;
      continue;
    }
    int col = 0, row = 0;
    std::string text = line;
    if (first != std::string::npos) {
      col = ReadCellNumber(line.substr(0, first));
      const std::size_t second = line.find(',', first + 1);
      if (second == std::string::npos) {
        text = line.substr(first + 1);
      } else {
        row = ReadCellNumber(line.substr(first + 1, second - first - 1));
        text = line.substr(second + 1);
      }
    }
    if (col < colCount_ && row < rowCount_) {
      if (col < 0 || row < 0) throw EAdvGridError(kOutOfRange);
      cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = DecodeCellText(text);
    }
  }
}

std::string CellTable::Serialize() const {
  std::string out = std::to_string(colCount_) + "," + std::to_string(rowCount_) + kLineEnd;
  for (int col = 0; col < colCount_; ++col) {
    out += "cw " + std::to_string(col) + "," + std::to_string(widths_[static_cast<std::size_t>(col)]) + kLineEnd;
  }
  for (int row = 0; row < rowCount_; ++row) {
    for (int col = 0; col < colCount_; ++col) {
      const std::string& text = cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
      if (text.empty()) continue;
      out += std::to_string(col) + "," + std::to_string(row) + "," + EncodeCellText(text) + kLineEnd;
    }
  }
  return out;
}

void CellTable::SaveCellFile(const std::string& path) const {
  if (!MakeParentFolders(path)) throw EAdvGridError("Cannot Create " + path);
  try {
    SaveFileAtomically(path, Serialize());
  } catch (const EFileNotCreated&) {
    throw EAdvGridError("Cannot Create " + path);
  }
}
