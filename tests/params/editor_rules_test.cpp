#include "params/editor_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "params/cp1250.h"
#include "tests/params/sample_images.h"

namespace {

using namespace std::string_literals;

const ImageField& Field(const std::string& key) {
  for (const ImageField& field : ImageFields()) {
    if (field.key == key) return field;
  }
  throw std::invalid_argument(key);
}

// A whole value stored by the editor's rules: the field's first bytes afterwards, or the
// rule that refuses it and the character it names. A refusal leaves the image alone.
TEST(StoreFieldText, TakesWhatTheEditorTakesAndRefusesTheRest) {
  const std::string forty(40, 'w');
  struct Row {
    const char* key;
    std::string value;  // UTF-8
    std::string stored;
    StoredAs as = StoredAs::Given;
    std::string rule = "";
    std::string refusedChar = "";
  };
  const std::string phoneRule = "a phone number takes the digits 0-9 only, at most 16";
  const std::string eventRule = "an event code takes 0-9, * and A-F only, at most 4";
  const std::string smsCharRule = "an SMS text takes only characters of the module's character set (code page 1250)";
  const std::string markerRule = "the marker takes a whole number from 0 to 255";
  const Row rows[] = {
      {"user1", "06301234567",
       "\x0b"
       "06301234567\0"s},
      {"user1", "", "\xff\0"s},
      {"user1", "12345678901234567", "", {}, phoneRule},
      {"user1", "+3630", "", {}, phoneRule, "+"},
      {"prefix", "12345678",
       "\x08"
       "12345678"},
      {"prefix", "", "\0\0"s},
      {"prefix", "123456789", "", {}, "the prefix takes the digits 0-9 only, at most 8"},
      {"event1", "1*30", "\x1a\x30"},
      {"event1", "", "\xff\xff"},
      {"event1", "12a4", "\xff\xff", StoredAs::NoCode},
      {"event1", "12", "\xff\xff", StoredAs::NoCode},
      {"event1", "12345", "", {}, eventRule},
      {"event1", "1 3", "", {}, eventRule, " "},
      {"sms1", "Fő u. 3.  ",
       "\x08"
       "F\xf5 u. 3. "},
      {"sms1", forty + "  ", "\x28" + forty},
      {"sms1", forty + "w", "", {}, "an SMS text takes at most 40 characters"},
      {"sms1", "ok ✓", "", {}, smsCharRule, "✓"},
      {"sms1", "x˙", "", {}, smsCharRule, "˙"},
      {"sms1", "x\0"s, "", {}, smsCharRule, "\0"s},
      {"marker", "55", "\x37"},
      {"marker", "256", "", {}, markerRule},
      {"marker", "", "", {}, markerRule},
      {"marker", "5x", "", {}, markerRule},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.key) + "=" + row.value);
    const ImageField& field = Field(row.key);
    ImageBytes image = Arbitrary(7);
    const ImageBytes before = image;
    try {
      EXPECT_EQ(StoreFieldText(image, field, TextToUnicode(row.value)), row.as);
      EXPECT_EQ(row.rule, "");
      EXPECT_EQ(std::string(image.begin() + field.offset, image.begin() + field.offset + row.stored.size()),
                row.stored);
    } catch (const ERefusedValue& refused) {
      EXPECT_EQ(refused.what(), row.rule);
      EXPECT_EQ(refused.Character() ? UnicodeToUtf8(std::u32string(1, *refused.Character())) : "", row.refusedChar);
      EXPECT_EQ(image, before);
    }
  }
}

// Text from outside: UTF-8 when valid, else code page 1250.
TEST(TextToUnicode, ReadsValidUtf8AsUtf8AndAnythingElseAsCodePage1250) {
  const std::pair<std::string, std::u32string> rows[] = {
      {"Fő ✓ 😀", U"Fő ✓ 😀"},
      {"F\xf5", U"Fő"},                                   // code page 1250
      {"\xc0\x80", U"\u0154\u20ac"},                      // overlong NUL
      {"\xed\xa0\x80", U"\u00ed\u00a0\u20ac"},            // a surrogate
      {"\xe2\x9c", U"\u00e2\u015b"},                      // cut short
      {"\xf4\x90\x80\x80", U"\u00f4\u0090\u20ac\u20ac"},  // past U+10FFFF
  };
  for (const auto& [bytes, text] : rows) {
    EXPECT_EQ(TextToUnicode(bytes), text) << bytes;
    EXPECT_EQ(Utf8ToUnicode(bytes).has_value(), UnicodeToUtf8(text) == bytes) << bytes;
  }
}

}  // namespace
