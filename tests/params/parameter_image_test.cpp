#include "params/parameter_image.h"
#include "tests/params/sample_images.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

static_assert(EEAddr::EventCode(9) == 118);
static_assert(EEAddr::SmsText(10) == 491);
static_assert(EEAddr::SmsText(10) + 41 == 532);

Bytes Slice(const ImageBytes& image, std::size_t offset, std::size_t size) {
  return Bytes(image.begin() + static_cast<long>(offset), image.begin() + static_cast<long>(offset + size));
}

// Cells from a short list, the rest empty.
template <std::size_t N>
std::array<std::string, N> Cells(std::vector<std::string> given) {
  std::array<std::string, N> cells{};
  for (std::size_t i = 0; i < given.size(); ++i) cells[i] = given[i];
  return cells;
}

// Count byte followed by the digit bytes, padded with zeros to the field size.
Bytes DigitField(std::uint8_t count, const std::string& digits, std::size_t cells) {
  Bytes field{count};
  for (char c : digits) field.push_back(static_cast<std::uint8_t>(c));
  field.resize(1 + cells, 0x00);
  return field;
}

void Put(ImageBytes& image, std::size_t offset, const Bytes& bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) image[offset + i] = bytes[i];
}

// Stores into an image of arbitrary bytes: the field at offset holds field afterwards,
// and the bytes on either side of it are as they were.
template <typename Store>
void ExpectStoredAlone(std::size_t offset, const Bytes& field, Store store) {
  ImageBytes image = Arbitrary(1);
  const ImageBytes before = image;
  store(image);
  EXPECT_EQ(Slice(image, offset, field.size()), field);
  EXPECT_EQ(image[offset - 1], before[offset - 1]);
  EXPECT_EQ(image[offset + field.size()], before[offset + field.size()]);
}

// ---- StorePhoneNumber ----

struct PhoneStoreRow {
  const char* name;
  std::vector<std::string> cells;
  std::uint8_t count;
  std::string digits;
};

const PhoneStoreRow kPhoneStoreRows[] = {
    {"gap closes up", {"3", "6", "", "2", "0"}, 4, "3620"},
    {"all empty", {}, 0xFF, ""},
    {"space and signs skipped", {" ", "1", "*", "#", "+", "2", "a"}, 2, "12"},
    {"first character decides", {"12", "x9", "7 "}, 2, "17"},
    {"code page letter is no digit", {"\xF6", "\xB9", "5"}, 1, "5"},
    {"only spaces", {" ", " ", " "}, 0xFF, ""},
    {"all sixteen",
     {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "1", "2", "3", "4", "5"},
     16,
     "0123456789012345"},
    {"last cell only", {"", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "9"}, 1, "9"},
};

TEST(StorePhoneNumber, Table) {
  for (const auto& row : kPhoneStoreRows) {
    SCOPED_TRACE(row.name);
    ExpectStoredAlone(EEAddr::User1, DigitField(row.count, row.digits, 16), [&](ImageBytes& image) {
      StorePhoneNumber(image, EEAddr::User1, Cells<kPhoneCells>(row.cells));
    });
  }
}

TEST(StorePhoneNumber, FieldPastTheImageIsRefused) {
  ImageBytes image = ErasedImage();
  EXPECT_THROW(StorePhoneNumber(image, kImageSize - 16, PhoneCells{}), std::out_of_range);
  EXPECT_EQ(image, ErasedImage());
  EXPECT_NO_THROW(StorePhoneNumber(image, kImageSize - 17, PhoneCells{}));
}

// ---- LoadPhoneNumber ----

struct PhoneLoadRow {
  const char* name;
  Bytes field;
  std::vector<std::string> cells;
};

const PhoneLoadRow kPhoneLoadRows[] = {
    {"erased", Bytes(17, 0xFF), {}},
    {"four digits", DigitField(4, "3620", 16), {"3", "6", "2", "0"}},
    {"count 0", DigitField(0, "123", 16), {}},
    {"count 17 is 0", DigitField(17, "1234567890123456", 16), {}},
    {"count 16",
     DigitField(16, "1234567890123456", 16),
     {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "1", "2", "3", "4", "5", "6"}},
    {"digits beyond the count", DigitField(2, "987", 16), {"9", "8"}},
    {"non-digit leaves its cell empty", DigitField(3, "1A3", 16), {"1", "", "3"}},
    {"zero and 0xFF bytes", {3, 0x00, 0xFF, '4', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {"", "", "4"}},
};

TEST(LoadPhoneNumber, Table) {
  for (const auto& row : kPhoneLoadRows) {
    SCOPED_TRACE(row.name);
    ImageBytes image = ErasedImage();
    Put(image, EEAddr::SmsFw2, row.field);
    EXPECT_EQ(LoadPhoneNumber(image, EEAddr::SmsFw2), Cells<kPhoneCells>(row.cells));
  }
}

// ---- StorePrefix / LoadPrefix ----

TEST(StorePrefix, Table) {
  const PhoneStoreRow rows[] = {
      {"empty prefix has count 0", {}, 0, ""},
      {"two digits", {"0", "", "6"}, 2, "06"},
      {"all eight", {"1", "2", "3", "4", "5", "6", "7", "8"}, 8, "12345678"},
      {"spaces only", {" ", " "}, 0, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ExpectStoredAlone(EEAddr::Prefix, DigitField(row.count, row.digits, 8),
                      [&](ImageBytes& image) { StorePrefix(image, EEAddr::Prefix, Cells<kPrefixCells>(row.cells)); });
  }
}

TEST(LoadPrefix, Table) {
  const PhoneLoadRow rows[] = {
      {"erased", Bytes(9, 0xFF), {}},
      {"count 0", DigitField(0, "12", 8), {}},
      {"count 8", DigitField(8, "12345678", 8), {"1", "2", "3", "4", "5", "6", "7", "8"}},
      {"count 9 is 0", DigitField(9, "12345678", 8), {}},
      {"two digits", DigitField(2, "06", 8), {"0", "6"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ImageBytes image = ErasedImage();
    Put(image, EEAddr::Prefix, row.field);
    EXPECT_EQ(LoadPrefix(image, EEAddr::Prefix), Cells<kPrefixCells>(row.cells));
  }
}

// ---- StoreEventCode / LoadEventCode ----

struct EventStoreRow {
  const char* name;
  EventCells cells;
  Bytes bytes;
};

const EventStoreRow kEventStoreRows[] = {
    {"digits and star", {"1", "*", "3", "0"}, {0x1A, 0x30}},
    {"all zero", {"0", "0", "0", "0"}, {0x00, 0x00}},
    {"all stars", {"*", "*", "*", "*"}, {0xAA, 0xAA}},
    {"all nine", {"9", "9", "9", "9"}, {0x99, 0x99}},
    {"first character decides", {"12", "3", "4", "5"}, {0x13, 0x45}},
    {"hex letter is no code", {"1", "2", "3", "A"}, {0xFF, 0xFF}},
    {"empty cell is no code", {"1", "", "3", "4"}, {0xFF, 0xFF}},
    {"space is no code", {" ", "1", "2", "3"}, {0xFF, 0xFF}},
    {"all empty", {"", "", "", ""}, {0xFF, 0xFF}},
    {"all spaces", {" ", " ", " ", " "}, {0xFF, 0xFF}},
};

TEST(StoreEventCode, Table) {
  for (const auto& row : kEventStoreRows) {
    SCOPED_TRACE(row.name);
    ExpectStoredAlone(EEAddr::EventCode(5), row.bytes,
                      [&](ImageBytes& image) { StoreEventCode(image, EEAddr::EventCode(5), row.cells); });
  }
}

TEST(LoadEventCode, Table) {
  const EventStoreRow rows[] = {
      {"digits and star", {"1", "*", "3", "0"}, {0x1A, 0x30}},
      {"erased", {" ", " ", " ", " "}, {0xFF, 0xFF}},
      {"one erased byte is still a code", {" ", " ", "1", "2"}, {0xFF, 0x12}},
      {"erased second byte", {"1", "2", " ", " "}, {0x12, 0xFF}},
      {"values 11 to 15 are spaces", {" ", " ", " ", " "}, {0xBC, 0xDE}},
      {"15 and 14", {" ", " ", " ", " "}, {0xFF, 0xFE}},
      {"zeros", {"0", "0", "0", "0"}, {0x00, 0x00}},
      {"nine and star", {"9", "*", "*", "9"}, {0x9A, 0xA9}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ImageBytes image = ErasedImage();
    Put(image, EEAddr::EventCode(1), row.bytes);
    EXPECT_EQ(LoadEventCode(image, EEAddr::EventCode(1)), row.cells);
  }
}

// ---- StoreSmsText / LoadSmsText ----

Bytes SmsField(std::uint8_t length, const std::string& text) {
  Bytes field{length};
  for (char c : text) field.push_back(static_cast<std::uint8_t>(c));
  field.resize(41, ' ');
  return field;
}

TEST(StoreSmsText, Table) {
  const std::string forty = "0123456789abcdefghijABCDEFGHIJ!\"#$%&'()*";
  struct Row {
    const char* name;
    std::string text;
    Bytes field;
  };
  const Row rows[] = {
      {"45 characters keep 40", forty + "vwxyz", SmsField(40, forty)},
      {"exactly 40", forty, SmsField(40, forty)},
      {"41", forty + "Z", SmsField(40, forty)},
      {"trailing spaces count", "Riasztas   ", SmsField(11, "Riasztas")},
      {"empty", "", SmsField(0, "")},
      {"code page bytes as they are", "R\xF6vidz\xE1r \xDB", SmsField(10, "R\xF6vidz\xE1r \xDB")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ExpectStoredAlone(EEAddr::SmsText(10), row.field,
                      [&](ImageBytes& image) { StoreSmsText(image, EEAddr::SmsText(10), row.text); });
  }
}

TEST(LoadSmsText, Table) {
  struct Row {
    const char* name;
    Bytes field;
    std::string text;
  };
  Bytes withGaps = SmsField(6, "AB");
  withGaps[3] = 0x00;
  withGaps[4] = 0xFF;
  withGaps[5] = 'C';
  withGaps[6] = ' ';
  const Row rows[] = {
      {"erased", Bytes(41, 0xFF), ""},
      {"trailing spaces removed", SmsField(11, "Riasztas"), "Riasztas"},
      {"leading spaces kept", SmsField(5, "  A"), "  A"},
      {"length 41 is empty", SmsField(41, "Riasztas"), ""},
      {"length 40", SmsField(40, std::string(40, 'x')), std::string(40, 'x')},
      {"bytes beyond the length ignored", SmsField(3, "abcdef"), "abc"},
      {"zero and 0xFF left out", withGaps, "ABC"},
      {"code page bytes", SmsField(8, "R\xF6vidz\xE1r"), "R\xF6vidz\xE1r"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ImageBytes image = ErasedImage();
    Put(image, EEAddr::SmsText(1), row.field);
    EXPECT_EQ(LoadSmsText(image, EEAddr::SmsText(1)), row.text);
  }
}

TEST(LoadSmsText, FieldPastTheImageIsRefused) {
  EXPECT_THROW(LoadSmsText(ErasedImage(), kImageSize - 40), std::out_of_range);
  EXPECT_THROW(LoadEventCode(ErasedImage(), kImageSize - 1), std::out_of_range);
  EXPECT_THROW(LoadPrefix(ErasedImage(), kImageSize + 100), std::out_of_range);
}

// ---- StoreAll / LoadAll ----

EditorValues Sample() {
  EditorValues v;
  v.autoDial = Cells<kPhoneCells>({"0", "6", "1"});
  v.smsFw1 = Cells<kPhoneCells>({"2"});
  v.smsFw2 = Cells<kPhoneCells>({"3", "3"});
  v.user1 = Cells<kPhoneCells>({"4", "4", "4"});
  v.user2 = Cells<kPhoneCells>({"5", "5", "5", "5"});
  v.prefix = Cells<kPrefixCells>({"9"});
  for (std::size_t n = 0; n < kEventCodeCount; ++n) {
    v.events[n] = {std::to_string(n + 1), "*", "0", std::to_string(9 - n)};
  }
  for (std::size_t n = 0; n < kSmsTextCount; ++n) v.sms[n] = "Uzenet " + std::to_string(n + 1);
  return v;
}

TEST(StoreAll, EachFieldAtItsOffset) {
  ImageBytes image = ErasedImage();
  StoreAll(image, Sample());
  EXPECT_EQ(Slice(image, EEAddr::AutoDial, 17), DigitField(3, "061", 16));
  EXPECT_EQ(Slice(image, EEAddr::SmsFw1, 17), DigitField(1, "2", 16));
  EXPECT_EQ(Slice(image, EEAddr::SmsFw2, 17), DigitField(2, "33", 16));
  EXPECT_EQ(Slice(image, EEAddr::User1, 17), DigitField(3, "444", 16));
  EXPECT_EQ(Slice(image, EEAddr::User2, 17), DigitField(4, "5555", 16));
  EXPECT_EQ(Slice(image, EEAddr::Prefix, 9), DigitField(1, "9", 8));
  for (int n = 1; n <= 9; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(Slice(image, 102 + 2 * static_cast<std::size_t>(n - 1), 2),
              (Bytes{static_cast<std::uint8_t>(n << 4 | 0xA), static_cast<std::uint8_t>(10 - n)}));
    EXPECT_EQ(Slice(image, 122 + 41 * static_cast<std::size_t>(n - 1), 41), SmsField(8, "Uzenet " + std::to_string(n)));
  }
  EXPECT_EQ(Slice(image, 491, 41), SmsField(9, "Uzenet 10"));
  EXPECT_EQ(image[1022], 0x37);
}

TEST(StoreAll, RoundTripThroughLoadAll) {
  ImageBytes image = ErasedImage();
  const EditorValues values = Sample();
  StoreAll(image, values);
  const EditorValues loaded = LoadAll(image);
  EXPECT_EQ(loaded.autoDial, values.autoDial);
  EXPECT_EQ(loaded.smsFw1, values.smsFw1);
  EXPECT_EQ(loaded.smsFw2, values.smsFw2);
  EXPECT_EQ(loaded.user1, values.user1);
  EXPECT_EQ(loaded.user2, values.user2);
  EXPECT_EQ(loaded.prefix, values.prefix);
  EXPECT_EQ(loaded.events, values.events);
  EXPECT_EQ(loaded.sms, values.sms);
}

TEST(LoadAll, ErasedImageShowsEmptyFields) {
  const EditorValues values = LoadAll(ErasedImage());
  for (const PhoneCells* cells : {&values.autoDial, &values.smsFw1, &values.smsFw2, &values.user1, &values.user2}) {
    EXPECT_EQ(*cells, PhoneCells{});
  }
  EXPECT_EQ(values.prefix, PrefixCells{});
  for (const EventCells& cells : values.events) EXPECT_EQ(cells, (EventCells{" ", " ", " ", " "}));
  for (const std::string& text : values.sms) EXPECT_EQ(text, "");
}

// The bytes the editor has no field for go back to the module as they came.
TEST(LoadAll, StoreAllLeavesUntouchedBytesAlone) {
  struct Range {
    std::size_t first, last;
  };
  const Range untouched[] = {{94, 101}, {120, 121}, {532, 1021}, {1023, 1023}};
  for (unsigned seed : {5u, 6u, 7u}) {
    for (bool erased : {false, true}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << (erased ? " erased" : ""));
      ImageBytes image = erased ? ErasedImage() : Arbitrary(seed);
      const ImageBytes before = image;
      StoreAll(image, LoadAll(image));
      for (const Range& range : untouched) {
        for (std::size_t i = range.first; i <= range.last; ++i) EXPECT_EQ(image[i], before[i]) << "offset " << i;
      }
      EXPECT_EQ(image[1022], 0x37);
      // A second pass changes nothing more: what is loaded is exactly what was stored.
      const ImageBytes once = image;
      StoreAll(image, LoadAll(image));
      EXPECT_EQ(image, once);
    }
  }
}

TEST(StoreAll, DifferentValuesStillLeaveUntouchedBytesAlone) {
  ImageBytes image = Arbitrary(8);
  const ImageBytes before = image;
  StoreAll(image, Sample());
  EXPECT_EQ(Slice(image, 94, 8), Slice(before, 94, 8));
  EXPECT_EQ(Slice(image, 120, 2), Slice(before, 120, 2));
  EXPECT_EQ(Slice(image, 532, 490), Slice(before, 532, 490));
  EXPECT_EQ(image[1023], before[1023]);
}

// ---- ParameterImage ----

TEST(ParameterImage, StartsErasedAndEraseRestoresIt) {
  EXPECT_EQ(ParameterImage, ErasedImage());
  ImageBytes image = Arbitrary(9);
  EraseImage(image);
  EXPECT_EQ(image, ErasedImage());
}

}  // namespace
