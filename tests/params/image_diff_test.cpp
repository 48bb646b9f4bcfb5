// Which fields a compare names, and how: labels and values as the editor shows them.

#include "params/image_diff.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "params/field_map.h"
#include "tests/support/test_images.h"

namespace {

// An installation to compare against: numbers, a code and texts set.
ImageBytes Installed() {
  ImageBytes image = ErasedImage();
  StorePhoneNumber(image, EEAddr::User1, {"3", "6", "2", "0"});
  StoreEventCode(image, EEAddr::EventCode(1), {"1", "*", "3", "0"});
  StoreSmsText(image, EEAddr::SmsText(2), "Riaszt\xE1s");
  StoreSmsText(image, EEAddr::SmsText(4), "negyedik");
  image[EEAddr::Marker] = kStoredMarker;
  return image;
}

struct DiffRow {
  const char* name;
  std::function<void(ImageBytes&)> change;  // applied to the module's copy
  std::size_t first, last;
  std::vector<std::string> lines;
};

TEST(CompareImages, NamesTheFieldsThatDifferWithBothValues) {
  const DiffRow rows[] = {
      {"nothing", [](ImageBytes&) {}, 0, kLastComparedByte, {}},
      {"a phone digit",
       [](ImageBytes& m) { m[EEAddr::User1 + 4] = '1'; },
       0,
       kLastComparedByte,
       {"1. Felhasználó  (#USER1): 3620 ≠ 3621"}},
      {"a code gone",
       [](ImageBytes& m) { StoreEventCode(m, EEAddr::EventCode(1), {}); },
       0,
       255,
       {"Eseménykód 1: 1*30 ≠ "}},
      {"an SMS text",
       [](ImageBytes& m) { StoreSmsText(m, EEAddr::SmsText(2), "Riaszt\xE1s!"); },
       0,
       255,
       {"SMS 2: Riasztás ≠ Riasztás!"}},
      {"the IN2 text",
       [](ImageBytes& m) { StoreSmsText(m, EEAddr::SmsText(10), "IN2"); },
       256,
       511,
       {"IN2 bemenet:  ≠ IN2"}},
      {"the marker", [](ImageBytes& m) { m[EEAddr::Marker] = 0xFF; }, 768, 1022, {"Jelölő bájt: 55 ≠ 255"}},
      {"an untouched byte", [](ImageBytes& m) { m[600] = 0; }, 512, 767, {"Egyéb bájtok: 1 eltér"}},
      {"padding after a text",
       [](ImageBytes& m) { m[EEAddr::SmsText(2) + 30] = 'x'; },
       0,
       255,
       {"Egyéb bájtok: 1 eltér"}},
      {"byte 1023", [](ImageBytes& m) { m[1023] = 0; }, 768, 1023, {}},
      // SMS 4 spans blocks 0 and 1; it is named for the block its difference lies in.
      {"a spanning text, its first block",
       [](ImageBytes& m) { m[EEAddr::SmsText(4) + 1] = 'N'; },
       0,
       255,
       {"SMS 4: negyedik ≠ Negyedik"}},
      {"a spanning text, the other block", [](ImageBytes& m) { m[EEAddr::SmsText(4) + 1] = 'N'; }, 256, 511, {}},
      {"a spanning text, its second block",
       [](ImageBytes& m) { StoreSmsText(m, EEAddr::SmsText(4), "negyedik!!!!!!"); },
       256,
       511,
       {"SMS 4: negyedik ≠ negyedik!!!!!!"}},
  };
  for (const DiffRow& row : rows) {
    ImageBytes module = Installed();
    row.change(module);
    EXPECT_EQ(ReportLines(CompareImages(Installed(), module, row.first, row.last)), row.lines) << row.name;
  }
}

TEST(ImageFields, CoverTheMapOnceEachInKeyOrder) {
  std::string keys;
  for (const ImageField& field : ImageFields()) keys += field.key + " ";
  EXPECT_EQ(keys,
            "user1 user2 smsfw1 smsfw2 autodial prefix event1 event2 event3 event4 event5 event6 event7 event8 event9 "
            "sms1 sms2 sms3 sms4 sms5 sms6 sms7 sms8 sms9 sms10 marker ");
  std::vector<int> owners(kImageSize, 0);
  for (const ImageField& field : ImageFields()) {
    for (std::size_t k = field.offset; k < field.offset + field.size; ++k) ++owners[k];
  }
  for (std::size_t k = 0; k < kImageSize; ++k) EXPECT_LE(owners[k], 1) << k;
}

}  // namespace
