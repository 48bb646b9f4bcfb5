#include "params/editor_rules.h"

#include <algorithm>

#include "params/cp1250.h"

namespace {

constexpr char32_t kEventStar = U'*';
constexpr std::uint8_t kLostOnLoad[] = {0x00, 0xFF};
constexpr int kMaxMarker = 255;

constexpr char kPhoneRule[] = "a phone number takes the digits 0-9 only, at most 16";
constexpr char kPrefixRule[] = "the prefix takes the digits 0-9 only, at most 8";
constexpr char kEventRule[] = "an event code takes 0-9, * and A-F only, at most 4";
constexpr char kSmsLengthRule[] = "an SMS text takes at most 40 characters";
constexpr char kSmsCharRule[] = "an SMS text takes only characters of the module's character set (code page 1250)";
constexpr char kMarkerRule[] = "the marker takes a whole number from 0 to 255";

std::optional<char32_t> FirstRefused(std::u32string_view value, bool (*takes)(char32_t)) {
  const auto refused = std::find_if_not(value.begin(), value.end(), takes);
  if (refused == value.end()) return std::nullopt;
  return *refused;
}

template <std::size_t N>
std::array<std::string, N> DigitCells(std::u32string_view value, const char* rule) {
  if (const std::optional<char32_t> refused = FirstRefused(value, IsDigitCellChar)) throw ERefusedValue(rule, refused);
  if (value.size() > N) throw ERefusedValue(rule);
  std::array<std::string, N> cells{};
  for (std::size_t k = 0; k < value.size(); ++k) cells[k] = std::string(1, static_cast<char>(value[k]));
  return cells;
}

StoredAs StoreEvent(ImageBytes& image, std::size_t offset, std::u32string_view value) {
  EventCells cells{};
  if (value.size() > kEventCells) throw ERefusedValue(kEventRule);
  for (std::size_t k = 0; k < value.size(); ++k) {
    const char32_t kept = EventCellChar(value[k]);
    if (kept == 0) throw ERefusedValue(kEventRule, value[k]);
    cells[k] = std::string(1, static_cast<char>(kept));
  }
  StoreEventCode(image, offset, cells);
  const bool noCode = image[offset] == kErasedByte && image[offset + 1] == kErasedByte;
  return noCode && !value.empty() ? StoredAs::NoCode : StoredAs::Given;
}

void StoreSms(ImageBytes& image, std::size_t offset, std::u32string_view value) {
  // Trailing spaces are not kept: the editor shows the text without them.
  value = value.substr(0, value.find_last_not_of(U' ') + 1);
  if (const std::optional<char32_t> refused = FirstRefused(value, IsSmsTextChar)) {
    throw ERefusedValue(kSmsCharRule, refused);
  }
  if (value.size() > kSmsMaxLength) throw ERefusedValue(kSmsLengthRule);
  std::string text;
  for (const char32_t c : value) text += *UnicodeToCp1250(c);
  StoreSmsText(image, offset, text);
}

// Not an editor rule (the editor only ever sets 0x37): the byte as show --json prints it.
void StoreMarker(ImageBytes& image, std::size_t offset, std::u32string_view value) {
  int number = 0;
  for (const char32_t c : value) {
    number = IsDigitCellChar(c) ? number * 10 + static_cast<int>(c - U'0') : kMaxMarker + 1;
    if (number > kMaxMarker) throw ERefusedValue(kMarkerRule);
  }
  if (value.empty()) throw ERefusedValue(kMarkerRule);
  image[offset] = static_cast<std::uint8_t>(number);
}

}  // namespace

bool IsDigitCellChar(char32_t c) { return c >= U'0' && c <= U'9'; }

char32_t EventCellChar(char32_t c) {
  if (c >= U'a' && c <= U'f') c = c - U'a' + U'A';
  return IsDigitCellChar(c) || (c >= U'A' && c <= U'F') || c == kEventStar ? c : 0;
}

bool IsSmsTextChar(char32_t c) {
  const std::optional<char> byte = UnicodeToCp1250(c);
  return byte && std::find(std::begin(kLostOnLoad), std::end(kLostOnLoad), static_cast<std::uint8_t>(*byte)) ==
                     std::end(kLostOnLoad);
}

StoredAs StoreFieldText(ImageBytes& image, const ImageField& field, std::u32string_view value) {
  switch (field.kind) {
    case FieldKind::PhoneNumber:
      StorePhoneNumber(image, field.offset, DigitCells<kPhoneCells>(value, kPhoneRule));
      break;
    case FieldKind::Prefix: StorePrefix(image, field.offset, DigitCells<kPrefixCells>(value, kPrefixRule)); break;
    case FieldKind::EventCode: return StoreEvent(image, field.offset, value);
    case FieldKind::SmsText: StoreSms(image, field.offset, value); break;
    case FieldKind::Marker: StoreMarker(image, field.offset, value); break;
  }
  return StoredAs::Given;
}
