#include "cli/sheet.h"
#include "tests/support/raised.h"

#include <gtest/gtest.h>

namespace {

using Cells = std::vector<std::vector<std::string>>;

Cells Read(const std::string& bytes) {
  Cells cells;
  for (const SheetRow& row : ReadSheet(bytes).rows) cells.push_back(row.cells);
  return cells;
}

// What spreadsheet programs save, as rows of UTF-8 cells.
TEST(ReadSheet, ReadsWhatSpreadsheetProgramsSave) {
  const std::pair<std::string, Cells> rows[] = {
      {"site,sms1\r\nA,x\r\n", {{"site", "sms1"}, {"A", "x"}}},
      {"site;sms1\nA;\"1,2\"\n", {{"site", "sms1"}, {"A", "1,2"}}},
      {"site,sms1\nA,\"say \"\"hi\"\"\nthen\"", {{"site", "sms1"}, {"A", "say \"hi\"\nthen"}}},
      {"\xEF\xBB\xBFsite;x\nFő;\n", {{"site", "x"}, {"Fő", ""}}},
      {"site;x\nF\xf5;1\n", {{"site", "x"}, {"Fő", "1"}}},          // code page 1250
      {"site;x\r\nA;1\r\n;\r\n\r\n", {{"site", "x"}, {"A", "1"}}},  // empty rows at the end
      {"site,x\n\nA,1", {{"site", "x"}, {""}, {"A", "1"}}},
      {"site,x\nA,b\"c\n", {{"site", "x"}, {"A", "b\"c"}}},
  };
  for (const auto& [bytes, cells] : rows) EXPECT_EQ(Read(bytes), cells) << bytes;
}

TEST(ReadSheet, RefusesABrokenQuoteNamingTheRow) {
  const std::pair<std::string, std::string> rows[] = {
      {"site,x\nA,\"open\n", "row 2: a quoted cell is not closed"},
      {"site,x\nA,\"q\"z\n", "row 2, column B: text after the closing quote"},
  };
  for (const auto& [bytes, message] : rows) {
    const auto error = Raised<SheetError>([&] { ReadSheet(bytes); });
    ASSERT_TRUE(error) << bytes;
    EXPECT_EQ(error->what(), message);
  }
}

TEST(ColumnName, CountsAsSpreadsheetsDo) {
  EXPECT_EQ(ColumnName(0), "A");
  EXPECT_EQ(ColumnName(25), "Z");
  EXPECT_EQ(ColumnName(26), "AA");
  EXPECT_EQ(ColumnName(27 * 26), "AAA");
}

}  // namespace
