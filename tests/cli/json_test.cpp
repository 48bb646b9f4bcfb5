// The JSON the tool reads back, and import over it.

#include "cli/json.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_error.h"
#include "cli/settings_text.h"
#include "params/field_map.h"
#include "tests/support/raised.h"
#include "tests/support/test_images.h"

namespace {

// Not JSON, or nothing of ours: each with where, counted in bytes, and why, without
// the bytes the parser last read.
TEST(ParseJson, RefusesWhatIsNotJsonSayingWhere) {
  const std::pair<std::string, std::string> rows[] = {
      {"", "line 1, column 1: unexpected end of input; expected '[', '{', or a literal"},
      {"{\"a\": 1} x", "line 1, column 10: invalid literal; expected end of input"},
      {"\"\xf5\"", "line 1, column 2: invalid string: ill-formed UTF-8 byte"},
      {"[1e999]", "line 1, column 7: number overflow parsing '1e999'"},
      {"{\"a\": 1,\n \"a\": 2}", "line 2, column 4: the key \"a\" is given twice"},
      {"[{\"a\": 1}, {\"a\": 2}]", ""},
      {std::string(40, '[') + std::string(40, ']'), "line 1, column 34: nested too deeply"},
  };
  for (const auto& [text, message] : rows) {
    const auto error = Raised<JsonError>([&] { ParseJson(text); });
    EXPECT_EQ(error ? error->what() : "", message) << text;
  }
}

TEST(ParseJson, ReadsAByteOrderMark) { EXPECT_EQ(ParseJson("\xEF\xBB\xBF{\"s\": \"\u00e9\"}")["s"], "é"); }

// diff --json's layout: members and items a line each, an object in an array on one.
TEST(JsonLayout, KeepsObjectsInAnArrayOnOneLine) {
  const Json value = ParseJson(R"({"d": [{"key": "a", "b": [1, null]}, {}], "e": [], "n": 2})");
  EXPECT_EQ(JsonLayout(value),
            "{\n  \"d\": [\n    {\"key\": \"a\", \"b\": [1, null]},\n    {}\n  ],\n  \"e\": [],\n  \"n\": 2\n}");
}

struct Imported {
  ImageBytes image;
  std::string error, notes;
};

Imported Import(const std::string& json, const ImageBytes& base) {
  std::ostringstream notes;
  try {
    return {ImportSettings(json, base, "s.json: ", notes), "", notes.str()};
  } catch (const CliError& error) {
    return {base, error.what(), notes.str()};
  }
}

// Garbage in a field the settings leave as show gives it stays byte for byte.
TEST(ImportSettings, KeepsTheBasesBytesForValuesShowWouldGive) {
  const ImageBytes base = SteppedImage(13, 5);
  const Imported same = Import(SettingsJson(base), base);
  EXPECT_EQ(same.error, "");
  EXPECT_EQ(same.image, base);

  const Imported changed = Import("{\"sms3\": \"Betörés\", \"event2\": \"12A4\"}", base);
  ImageBytes expected = base;
  StoreSmsText(expected, EEAddr::SmsText(3), "Bet\xf6r\xe9s");
  expected[EEAddr::EventCode(2)] = expected[EEAddr::EventCode(2) + 1] = 0xFF;
  EXPECT_EQ(changed.image, expected);
  EXPECT_EQ(changed.notes,
            "kelvaro-cli: s.json: event2=\"12A4\" is stored as no code (a code with a letter A-F, or with fewer than "
            "four characters, is none)\n");
}

TEST(ImportSettings, RefusesWhatIsNoSettingsNamingTheKey) {
  const std::pair<std::string, std::string> rows[] = {
      {"not json", "s.json: not JSON (line 1, column 2: invalid literal)"},
      {"[]", "s.json: the settings are an array, not an object"},
      {"{\"user1\": 630}", "s.json: user1 wants a string, not a number"},
      {"{\"marker\": \"55\"}", "s.json: marker wants a number, not a string"},
      {"{\"phone\": \"1\"}",
       "s.json: \"phone\" is no key of show --json (user1 user2 smsfw1 smsfw2 autodial prefix "
       "event1 event2 event3 event4 event5 event6 event7 event8 event9 sms1 sms2 sms3 sms4 sms5 "
       "sms6 sms7 sms8 sms9 sms10 marker)"},
      {"{\"user2\": \"06 30\"}",
       "s.json: user2=\"06 30\": a phone number takes the digits 0-9 only, at most 16, not \" \""},
  };
  for (const auto& [json, message] : rows) EXPECT_EQ(Import(json, ErasedImage()).error, message) << json;
}

}  // namespace
