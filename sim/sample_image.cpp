#include "sample_image.h"

#include <string_view>

namespace {

template <std::size_t N>
std::array<std::string, N> Cells(std::string_view digits) {
  std::array<std::string, N> cells;
  for (std::size_t i = 0; i < digits.size() && i < N; ++i) cells[i] = std::string(1, digits[i]);
  return cells;
}

// Contact-ID event codes of a typical panel; "*" is the code's wildcard digit.
constexpr std::string_view kEventCodes[kEventCodeCount] = {
    "1130", "1110", "1120", "1301", "1302", "1401", "1137", "1151", "1*02",
};

// SMS texts in code page 1250; text 10 belongs to IN2.
constexpr std::string_view kSmsTexts[kSmsTextCount] = {
    "Bet\xF6r\xE9s riaszt\xE1s!",                   // Betörés riasztás!
    "T\xFBzjelz\xE9s a lak\xE1sban",                // Tűzjelzés a lakásban
    "P\xE1nikgomb megnyomva",                       // Pánikgomb megnyomva
    "H\xE1l\xF3zati \xE1ramkimarad\xE1s",           // Hálózati áramkimaradás
    "Akkumul\xE1tor fesz\xFClts\xE9g alacsony",     // Akkumulátor feszültség alacsony
    "\xC9les\xEDt\xE9s / hat\xE1stalan\xEDt\xE1s",  // Élesítés / hatástalanítás
    "Szabot\xE1zs a k\xF6zponton",                  // Szabotázs a központon
    "G\xE1zsziv\xE1rg\xE1s \xE9szlelve",            // Gázszivárgás észlelve
    "Id\xF5szakos teszt jelent\xE9s",               // Időszakos teszt jelentés
    "IN2 bemenet: ajt\xF3nyit\xE1s",                // IN2 bemenet: ajtónyitás
};

}  // namespace

ImageBytes SampleImage() {
  EditorValues values;
  values.user1 = Cells<kPhoneCells>("06301234567");
  values.user2 = Cells<kPhoneCells>("06209876543");
  values.smsFw1 = Cells<kPhoneCells>("06705551234");
  values.smsFw2 = Cells<kPhoneCells>("0614567890");
  values.autoDial = Cells<kPhoneCells>("06309990011");
  values.prefix = Cells<kPrefixCells>("9");
  for (std::size_t n = 0; n < kEventCodeCount; ++n) values.events[n] = Cells<kEventCells>(kEventCodes[n]);
  for (std::size_t n = 0; n < kSmsTextCount; ++n) values.sms[n] = std::string(kSmsTexts[n]);

  ImageBytes image;
  image.fill(kErasedByte);
  StoreAll(image, values);
  return image;
}
