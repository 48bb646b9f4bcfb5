#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <iterator>

#include "params/file_io.h"
#include "serial/cell_file.h"
#include "serial/port_names.h"
#include "tests/support/file_bytes.h"
#include "tests/support/ordinary_user.h"
#include "tests/support/port_choice_file.h"
#include "tests/support/pty_pair.h"
#include "tests/support/raised.h"

namespace {

namespace fs = std::filesystem;

const std::string kExample = PortChoiceFile("COM1");

class CellFileTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return config.Path() + "/" + name; }

  void Write(const std::string& name, const std::string& bytes) const { WriteFileBytes(PathOf(name), bytes); }
  std::string Read(const std::string& name) const { return FileBytes(PathOf(name)); }

  // Loads the bytes into a fresh table.
  CellTable Loaded(const std::string& bytes) const {
    Write("in.ini", bytes);
    CellTable table;
    table.LoadCellFile(PathOf("in.ini"));
    return table;
  }

  // What saving the table writes.
  std::string Saved(const CellTable& table) const {
    table.SaveCellFile(PathOf("out.ini"));
    return Read("out.ini");
  }

  TempConfigHome config;
};

TEST_F(CellFileTest, FreshTableIsTwoColumnsOneRowWidth20) {
  CellTable table;
  EXPECT_EQ(table.ColCount(), 2);
  EXPECT_EQ(table.RowCount(), 1);
  EXPECT_EQ(table.ColWidth(0), 20);
  EXPECT_EQ(table.ColWidth(1), 20);
  EXPECT_EQ(table.Cell(0, 0), "");
  EXPECT_EQ(Saved(table), "2,1\r\ncw 0,20\r\ncw 1,20\r\n");
}

TEST_F(CellFileTest, ThePortComOneGivesThe33ByteFile) {
  CellTable table;
  table.SetCell(0, 0, "COM1");
  const std::string bytes = Saved(table);
  EXPECT_EQ(bytes, kExample);
  EXPECT_EQ(bytes.size(), 33u);
}

TEST_F(CellFileTest, RoundTripIsByteForByte) {
  const std::string inputs[] = {
      kExample,
      "3,2\r\ncw 0,20\r\ncw 1,35\r\ncw 2,-4\r\n0,0,COM12\r\n2,0,x,y\r\n1,1, spaced\r\n",
      "1,1\r\ncw 0,20\r\n0,0,a\nb\r\n",
  };
  for (const std::string& input : inputs) EXPECT_EQ(Saved(Loaded(input)), input);
}

TEST_F(CellFileTest, MissingFileIsAnErrorAndLeavesTheTable) {
  CellTable table;
  table.SetCell(0, 0, "COM4");
  const std::string path = PathOf("absent.ini");
  const auto error = Raised<EAdvGridError>([&] { table.LoadCellFile(path); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->what(), "Cannot open file " + path);
  EXPECT_EQ(table.Cell(0, 0), "COM4");
  // Only a regular file is read: a folder, a FIFO nobody writes, a device.
  fs::create_directory(PathOf("folder.ini"));
  ASSERT_EQ(::mkfifo(PathOf("fifo.ini").c_str(), 0600), 0);
  for (const std::string& other : {PathOf("folder.ini"), PathOf("fifo.ini"), std::string("/dev/zero")}) {
    const auto error = Raised<EAdvGridError>([&] { table.LoadCellFile(other); });
    ASSERT_TRUE(error) << other;
    EXPECT_EQ(error->what(), "Cannot open file " + other);
  }
}

TEST_F(CellFileTest, EmptyFileKeepsTheCounts) {
  const CellTable table = Loaded("");
  EXPECT_EQ(table.ColCount(), 2);
  EXPECT_EQ(table.RowCount(), 1);
  EXPECT_EQ(table.Cell(0, 0), "");
}

TEST_F(CellFileTest, LfOnlyFileIsOneSizeLine) {
  const CellTable table = Loaded("2,1\ncw 0,20\ncw 1,20\n0,0,COM1\n");
  EXPECT_EQ(table.ColCount(), 2);
  EXPECT_EQ(table.RowCount(), 1);
  EXPECT_EQ(table.Cell(0, 0), "");
}

TEST_F(CellFileTest, LineEndings) {
  // CR alone ends a line too; the last line needs no line end.
  EXPECT_EQ(Loaded("2,1\r0,0,COM2").Cell(0, 0), "COM2");
  EXPECT_EQ(Loaded("2,1\r\n0,0,COM2").Cell(0, 0), "COM2");
  // CR LF LF: the second LF is the first character of the next line, where it
  // stops the column number after no digit: column 0.
  EXPECT_EQ(Loaded("2,1\r\n\n1,0,COM2\r\n").Cell(0, 0), "COM2");
}

TEST_F(CellFileTest, BlankLineAfterThePortEmptiesIt) {
  EXPECT_EQ(Loaded(kExample + "\r\n").Cell(0, 0), "");
  EXPECT_EQ(Loaded("2,1\r\n\r\n0,0,COM3\r\n").Cell(0, 0), "COM3");
}

TEST_F(CellFileTest, LineWithoutCommaIsCellZeroZero) {
  EXPECT_EQ(Loaded("2,1\r\nCOM1\r\n").Cell(0, 0), "COM1");
  // One comma: the row reads as 0 and the rest is the text.
  const CellTable table = Loaded("2,1\r\n1,COM3\r\n");
  EXPECT_EQ(table.Cell(1, 0), "COM3");
  EXPECT_EQ(table.Cell(0, 0), "");
}

TEST_F(CellFileTest, SizeZeroZeroBecomesOneByOne) {
  CellTable table = Loaded("0,0\r\n");
  EXPECT_EQ(table.ColCount(), 1);
  EXPECT_EQ(table.RowCount(), 1);
  table.SetCell(0, 0, "COM2");
  EXPECT_EQ(Saved(table), "1,1\r\ncw 0,20\r\n0,0,COM2\r\n");
}

TEST_F(CellFileTest, SizeThreeTwoKeepsItsCells) {
  const CellTable table = Loaded("3,2\r\n0,0,COM6\r\n2,1,far\r\n0,2,outside\r\n");
  EXPECT_EQ(table.ColCount(), 3);
  EXPECT_EQ(table.RowCount(), 2);
  EXPECT_EQ(Saved(table), "3,2\r\ncw 0,20\r\ncw 1,20\r\ncw 2,20\r\n0,0,COM6\r\n2,1,far\r\n");
}

TEST_F(CellFileTest, SizeLineForms) {
  const std::pair<const char*, std::pair<int, int>> rows[] = {
      {"3\r\n", {1, 3}},     {"$3,0x2\r\n", {3, 2}},          {" 4, 2\r\n", {4, 2}},
      {"-3,-1\r\n", {1, 1}}, {"1000,1000\r\n", {1000, 1000}}, {"2x,1y\r\n", {2, 1}},
      {"a,b\r\n", {1, 1}},
  };
  for (const auto& [text, size] : rows) {
    const CellTable table = Loaded(text);
    EXPECT_EQ(table.ColCount(), size.first) << text;
    EXPECT_EQ(table.RowCount(), size.second) << text;
  }
}

TEST_F(CellFileTest, SizeAboveTheLimitEndsLoadingBeforeAnythingChanges) {
  for (const char* text : {"1001,1\r\n0,0,COM9\r\n", "2,99999999999\r\n0,0,COM9\r\n"}) {
    Write("big.ini", text);
    CellTable table;
    table.SetCell(0, 0, "COM4");
    EXPECT_THROW(table.LoadCellFile(PathOf("big.ini")), EAdvGridError) << text;
    EXPECT_EQ(table.ColCount(), 2);
    EXPECT_EQ(table.RowCount(), 1);
    EXPECT_EQ(table.Cell(0, 0), "COM4");
  }
}

TEST_F(CellFileTest, WidthLines) {
  EXPECT_EQ(Loaded("2,1\r\ncw 1,35\r\n").ColWidth(1), 35);
  EXPECT_EQ(Saved(Loaded("2,1\r\ncw 1,35\r\n")), "2,1\r\ncw 0,20\r\ncw 1,35\r\n");
  // Out of range: no effect.
  EXPECT_EQ(Saved(Loaded("2,1\r\ncw 5,40\r\ncw -1,40\r\n")), "2,1\r\ncw 0,20\r\ncw 1,20\r\n");
  // The third character is skipped whatever it is; no comma reads as column 0, width 0.
  EXPECT_EQ(Loaded("2,1\r\ncwX1,7\r\n").ColWidth(1), 7);
  EXPECT_EQ(Loaded("2,1\r\ncw 1\r\n").ColWidth(0), 0);
  EXPECT_EQ(Loaded("2,1\r\ncw,9\r\n").ColWidth(0), 9);
  // Only the first 255 characters of the width count.
  EXPECT_EQ(Loaded("2,1\r\ncw 0," + std::string(254, '0') + "12\r\n").ColWidth(0), 1);
  // A width line never sets a cell.
  EXPECT_EQ(Loaded("2,1\r\ncw 0,20\r\n").Cell(0, 0), "");
}

TEST_F(CellFileTest, CellLineOutsideTheCountsHasNoEffect) {
  const CellTable table = Loaded("2,1\r\n0,0,COM2\r\n0,1,COM1\r\n2,0,COM3\r\n");
  EXPECT_EQ(table.Cell(0, 0), "COM2");
  EXPECT_EQ(Saved(table), PortChoiceFile("COM2"));
}

TEST_F(CellFileTest, NegativeCellEndsLoadingKeepingEarlierLines) {
  Write("neg.ini", "2,1\r\n0,0,COM2\r\n-1,0,x\r\n1,0,later\r\n");
  CellTable table;
  EXPECT_THROW(table.LoadCellFile(PathOf("neg.ini")), EAdvGridError);
  EXPECT_EQ(table.Cell(0, 0), "COM2");
  EXPECT_EQ(table.Cell(1, 0), "");
  // A "-" that the digits do not run to the end after does not count.
  EXPECT_EQ(Loaded("2,1\r\n-1x,0,y\r\n").Cell(1, 0), "y");
}

TEST_F(CellFileTest, EndOfFileByteEndsReading) {
  EXPECT_EQ(Loaded(kExample + "\x1A" + "0,0,COM9\r\n").Cell(0, 0), "COM1");
  EXPECT_EQ(Loaded("2,1\r\n0,0,CO\x1AM4\r\n").Cell(0, 0), "CO");
  EXPECT_EQ(Loaded(std::string("\x1A") + "5,5\r\n").ColCount(), 2);
}

TEST_F(CellFileTest, SpacesBeforeNumbersAreSkippedButTextKeepsThem) {
  EXPECT_EQ(Loaded("2,1\r\n0,0, COM1\r\n").Cell(0, 0), " COM1");
  EXPECT_EQ(Loaded("2,1\r\n 1, 0,x \r\n").Cell(1, 0), "x ");
}

TEST_F(CellFileTest, TextWithCrIsWrittenWithStandIns) {
  CellTable table;
  table.SetCell(0, 0, "a\rb\nc");
  table.SetCell(1, 0, "d\ne");
  EXPECT_EQ(Saved(table), "2,1\r\ncw 0,20\r\ncw 1,20\r\n0,0,a\tb\bc\r\n1,0,d\ne\r\n");
  // Read back, the text keeps only what came before its first CR.
  const CellTable back = Loaded(Read("out.ini"));
  EXPECT_EQ(back.Cell(0, 0), "a");
  EXPECT_EQ(back.Cell(1, 0), "d\ne");
  // Tabs alone are ordinary characters.
  EXPECT_EQ(Loaded("2,1\r\n0,0,a\tb\r\n").Cell(0, 0), "a\tb");
  EXPECT_EQ(Loaded("2,1\r\n0,0,a\bb\tc\r\n").Cell(0, 0), "a\nb");
}

TEST_F(CellFileTest, CellsOutsideTheTableAreErrors) {
  CellTable table;
  const std::pair<int, int> outside[] = {{2, 0}, {0, 1}, {-1, 0}, {0, -1}};
  for (const auto& [col, row] : outside) {
    EXPECT_THROW(table.Cell(col, row), EAdvGridError);
    EXPECT_THROW(table.SetCell(col, row, "x"), EAdvGridError);
  }
  EXPECT_THROW(table.ColWidth(2), EAdvGridError);
}

TEST_F(CellFileTest, SaveCreatesTheFolderAndLeavesNoTemporaryFile) {
  CellTable table;
  table.SetCell(0, 0, "COM3");
  table.SaveCellFile(PortChoicePath());
  table.SaveCellFile(PortChoicePath());
  EXPECT_EQ(FileBytes(PortChoicePath()), PortChoiceFile("COM3"));
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(ConfigDir())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(CellFileTest, SaveThatCannotCreateLeavesThePreviousFile) {
  Write("blocker", "a file where a folder should be");
  const std::string beneath = PathOf("blocker/VORMAK_setup.ini");
  CellTable table;
  const auto error = Raised<EAdvGridError>([&] { table.SaveCellFile(beneath); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->what(), "Cannot Create " + beneath);
  // The target is a folder: the rename fails and the folder stays as it was.
  fs::create_directory(PathOf("taken.ini"));
  EXPECT_THROW(table.SaveCellFile(PathOf("taken.ini")), EAdvGridError);
  EXPECT_TRUE(fs::is_directory(PathOf("taken.ini")));
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(config.Path())) ++entries;
  EXPECT_EQ(entries, 2);
}

// The port choice saver refuses and follows what the image saver does.
TEST_F(CellFileTest, SaveRefusesAReadOnlyFileAndWritesThroughALink) {
  CellTable table;
  table.SetCell(0, 0, "COM4");
  Write("readonly.ini", kExample);
  ::chmod(PathOf("readonly.ini").c_str(), 0444);
  ::chmod(config.Path().c_str(), 0777);
  {
    AsOrdinaryUser user;
    ASSERT_TRUE(user.Ok());
    const auto error = Raised<EInOutError>([&] { table.SaveCellFile(PathOf("readonly.ini")); });
    ASSERT_TRUE(error);
    EXPECT_STREQ(error->what(), "File access denied");
  }
  EXPECT_EQ(Read("readonly.ini"), kExample);

  Write("real.ini", kExample);
  fs::create_symlink(PathOf("real.ini"), PathOf("link.ini"));
  table.SaveCellFile(PathOf("link.ini"));
  EXPECT_TRUE(fs::is_symlink(PathOf("link.ini")));
  EXPECT_EQ(Read("real.ini"), PortChoiceFile("COM4"));
}

// A file in the choice file's place that is far too long must not become a huge table.
TEST_F(CellFileTest, LoadReadsAtMostOneMebibyte) {
  // The port's cell line padded with spaces to exactly the bound, then one byte more.
  std::string bytes = kExample;
  bytes.insert(bytes.size() - 2, kMaxCellFileSize - bytes.size(), ' ');
  EXPECT_EQ(Loaded(bytes).Cell(0, 0).substr(0, 5), "COM1 ");
  bytes.insert(bytes.size() - 2, " ");
  Write("long.ini", bytes);
  CellTable table;
  const auto error = Raised<EInOutError>([&] { table.LoadCellFile(PathOf("long.ini")); });
  ASSERT_TRUE(error);
  EXPECT_STREQ(error->what(), "File too large");
  EXPECT_EQ(error->ErrorCode(), EFBIG);
  EXPECT_EQ(table.Cell(0, 0), "");
  // Nothing after an end-of-file byte counts, however much follows it.
  EXPECT_EQ(Loaded(kExample + "\x1A" + std::string(kMaxCellFileSize, 'x')).Cell(0, 0), "COM1");
}

TEST(ReadCellNumber, LenientForms) {
  const std::pair<const char*, int> rows[] = {
      {"12", 12},    {" 12", 12}, {"-12", -12}, {" -12", -12}, {"-12 ", 12}, {"+12", 12},
      {"12abc", 12}, {"abc", 0},  {"", 0},      {"   ", 0},    {"$1F", 31},  {"0x1f", 31},
      {"0X1F", 31},  {"x10", 16}, {"X10", 16},  {"$", 0},      {"$G", 0},    {"-$5", 0},
      {"-", 0},      {"+-1", 0},  {"007", 7},   {"0", 0},      {"0y", 0},    {"99999999999", INT_MAX},
      {"1\n2", 1},   {"\t5", 0},
  };
  for (const auto& [text, value] : rows) EXPECT_EQ(ReadCellNumber(text), value) << '"' << text << '"';
}

}  // namespace
