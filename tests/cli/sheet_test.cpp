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
      // Text kept from being a number, as written and as a program saves it back.
      {"site;x;y\nA;=\"0130\";\"=\"\"a;b\"\"\"\n", {{"site", "x", "y"}, {"A", "0130", "a;b"}}},
      {"site;x;y\nA;=\"say \"\"hi\"\"\";=\"\"\n=\"\";\n", {{"site", "x", "y"}, {"A", "say \"hi\"", ""}}},
      // Formulas that are no single text stay as they are.
      {"site;x;y;z\nA;=\"a\"b\";=\"\"\";=1\n", {{"site", "x", "y", "z"}, {"A", "=\"a\"b\"", "=\"\"\"", "=1"}}},
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

// What a spreadsheet program would take for a number, a date, a formula or a truth
// value goes in ="..."; separators and line breaks in quotes.
TEST(TextCell, KeepsWhatAProgramWouldConvertAsText) {
  const std::pair<std::string, std::string> cells[] = {
      {"06301234567", "=\"06301234567\""},
      {"0130", "=\"0130\""},
      {"1E30", "=\"1E30\""},
      {"1*30", "=\"1*30\""},
      {"=riasztás", "=\"=riasztás\""},
      {"+36 hívás", "=\"+36 hívás\""},
      {"-", "=\"-\""},
      {"@otthon", "=\"@otthon\""},
      {"'jel", "=\"'jel\""},
      {"Igaz", "=\"Igaz\""},
      {"true", "=\"true\""},
      {"12 \"x\"", "=\"12 \"\"x\"\"\""},
      {"Fő u. 3, hátul", "\"=\"\"Fő u. 3, hátul\"\"\""},
      {"", ""},
      {"Tűzjelzés", "Tűzjelzés"},
      {"Igazgató", "Igazgató"},
      {"mondta: \"jó\"", "mondta: \"jó\""},
      {"Tűz; füst", "\"Tűz; füst\""},
      {"a,b", "\"a,b\""},
      {"\"idézet\"", "\"\"\"idézet\"\"\""},
      {"a\r\nb", "\"a\r\nb\""},
  };
  for (const auto& [text, cell] : cells) EXPECT_EQ(TextCell(text), cell) << text;
}

TEST(WriteSheet, WritesWhatReadSheetReadsBack) {
  const std::vector<std::vector<std::string>> rows = {{"Kovács", "06301234567", "=\"x\"", "a;b\nc", "\"", ""},
                                                      {"", "", "", "", "", ""},
                                                      {"2", "-", "+", "@", "'", "é"}};
  const std::string text = WriteSheet({"site", "a", "b", "c", "d", "e"}, rows, "\r\n");
  EXPECT_TRUE(text.starts_with("\xEF\xBB\xBFsite;a;b;c;d;e\r\nKovács;=\"06301234567\";")) << text;
  Cells cells = Read(text);
  cells.erase(cells.begin());
  EXPECT_EQ(cells, rows);
}

TEST(ColumnName, CountsAsSpreadsheetsDo) {
  EXPECT_EQ(ColumnName(0), "A");
  EXPECT_EQ(ColumnName(25), "Z");
  EXPECT_EQ(ColumnName(26), "AA");
  EXPECT_EQ(ColumnName(27 * 26), "AAA");
}

}  // namespace
