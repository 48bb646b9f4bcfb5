#include "params/parameter_image.h"

#include <stdexcept>

namespace {

constexpr std::size_t kEventFieldSize = 2;
constexpr std::size_t kSmsFieldSize = 1 + kSmsMaxLength;
constexpr std::uint8_t kEmptyPhoneCount = 0xFF;  // a phone number with no digits
constexpr std::uint8_t kEmptyPrefixCount = 0;    // the prefix has no "empty" marker
constexpr std::uint8_t kDigitPad = 0x00;
constexpr std::uint8_t kSmsPad = ' ';
constexpr char kEventStar = '*';
constexpr char kNoEventDigit = ' ';

constexpr ImageBytes ErasedImage() {
  ImageBytes image{};
  image.fill(kErasedByte);
  return image;
}

void CheckField(std::size_t offset, std::size_t size) {
  if (offset > kImageSize || size > kImageSize - offset) {
    throw std::out_of_range("field at offset " + std::to_string(offset) + " of " + std::to_string(size) +
                            " bytes lies outside the image");
  }
}

// Plain ASCII test: cell texts are code page 1250 bytes, which std::isdigit may misjudge.
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <std::size_t N>
void StoreDigits(ImageBytes& image, std::size_t offset, const std::array<std::string, N>& cells,
                 std::uint8_t emptyCount) {
  CheckField(offset, 1 + N);
  std::size_t count = 0;
  for (const std::string& cell : cells) {
    if (!cell.empty() && IsDigit(cell[0])) image[offset + 1 + count++] = static_cast<std::uint8_t>(cell[0]);
  }
  for (std::size_t k = count; k < N; ++k) image[offset + 1 + k] = kDigitPad;
  image[offset] = count == 0 ? emptyCount : static_cast<std::uint8_t>(count);
}

template <std::size_t N>
std::array<std::string, N> LoadDigits(const ImageBytes& image, std::size_t offset) {
  CheckField(offset, 1 + N);
  std::array<std::string, N> cells{};
  std::size_t count = image[offset];
  if (count > N) count = 0;  // also the erased 0xFF
  for (std::size_t k = 0; k < count; ++k) {
    const char c = static_cast<char>(image[offset + 1 + k]);
    if (IsDigit(c)) cells[k] = std::string(1, c);
  }
  return cells;
}

std::string EventDigitText(std::uint8_t value) {
  if (value <= 9) return std::string(1, static_cast<char>('0' + value));
  if (value == kEventStarValue) return std::string(1, kEventStar);
  return std::string(1, kNoEventDigit);
}

}  // namespace

ImageBytes ParameterImage = ErasedImage();

void EraseImage(ImageBytes& image) { image = ErasedImage(); }

void StorePhoneNumber(ImageBytes& image, std::size_t offset, const PhoneCells& cells) {
  StoreDigits(image, offset, cells, kEmptyPhoneCount);
}

PhoneCells LoadPhoneNumber(const ImageBytes& image, std::size_t offset) {
  return LoadDigits<kPhoneCells>(image, offset);
}

void StorePrefix(ImageBytes& image, std::size_t offset, const PrefixCells& cells) {
  StoreDigits(image, offset, cells, kEmptyPrefixCount);
}

PrefixCells LoadPrefix(const ImageBytes& image, std::size_t offset) { return LoadDigits<kPrefixCells>(image, offset); }

void StoreEventCode(ImageBytes& image, std::size_t offset, const EventCells& cells) {
  CheckField(offset, kEventFieldSize);
  std::array<std::uint8_t, kEventCells> values{};
  std::size_t count = 0;
  for (const std::string& cell : cells) {
    if (cell.empty()) continue;
    if (IsDigit(cell[0])) {
      values[count++] = static_cast<std::uint8_t>(cell[0] - '0');
    } else if (cell[0] == kEventStar) {
      values[count++] = kEventStarValue;
    }
  }
  // A code with a gap or a letter in it is no code at all.
  if (count != kEventCells) {
    image[offset] = kErasedByte;
    image[offset + 1] = kErasedByte;
    return;
  }
  image[offset] = static_cast<std::uint8_t>(values[0] << 4 | values[1]);
  image[offset + 1] = static_cast<std::uint8_t>(values[2] << 4 | values[3]);
}

EventCells LoadEventCode(const ImageBytes& image, std::size_t offset) {
  CheckField(offset, kEventFieldSize);
  EventCells cells;
  cells.fill(std::string(1, kNoEventDigit));
  const std::uint8_t high = image[offset];
  const std::uint8_t low = image[offset + 1];
  if (high == kErasedByte && low == kErasedByte) return cells;
  cells[0] = EventDigitText(high >> 4);
  cells[1] = EventDigitText(high & 0x0F);
  cells[2] = EventDigitText(low >> 4);
  cells[3] = EventDigitText(low & 0x0F);
  return cells;
}

void StoreSmsText(ImageBytes& image, std::size_t offset, const std::string& text) {
  CheckField(offset, kSmsFieldSize);
  const std::size_t length = text.size() < kSmsMaxLength ? text.size() : kSmsMaxLength;
  for (std::size_t i = 0; i < kSmsMaxLength; ++i) {
    image[offset + 1 + i] = i < length ? static_cast<std::uint8_t>(text[i]) : kSmsPad;
  }
  image[offset] = static_cast<std::uint8_t>(length);
}

std::string LoadSmsText(const ImageBytes& image, std::size_t offset) {
  CheckField(offset, kSmsFieldSize);
  std::size_t length = image[offset];
  if (length > kSmsMaxLength) length = 0;
  std::string text;
  for (std::size_t i = 1; i <= length; ++i) {
    const std::uint8_t b = image[offset + i];
    if (b != 0x00 && b != kErasedByte) text.push_back(static_cast<char>(b));
  }
  const std::size_t last = text.find_last_not_of(static_cast<char>(kSmsPad));
  text.erase(last == std::string::npos ? 0 : last + 1);
  return text;
}

void StoreAll(ImageBytes& image, const EditorValues& values) {
  for (std::size_t n = 1; n <= kSmsTextCount; ++n) {
    StoreSmsText(image, EEAddr::SmsText(static_cast<int>(n)), values.sms[n - 1]);
  }
  StorePhoneNumber(image, EEAddr::User1, values.user1);
  StorePhoneNumber(image, EEAddr::User2, values.user2);
  StorePhoneNumber(image, EEAddr::SmsFw1, values.smsFw1);
  StorePhoneNumber(image, EEAddr::SmsFw2, values.smsFw2);
  StorePrefix(image, EEAddr::Prefix, values.prefix);
  StorePhoneNumber(image, EEAddr::AutoDial, values.autoDial);
  for (std::size_t n = 1; n <= kEventCodeCount; ++n) {
    StoreEventCode(image, EEAddr::EventCode(static_cast<int>(n)), values.events[n - 1]);
  }
  // Marks the image as holding settings stored by the editor.
  image[EEAddr::Marker] = kStoredMarker;
}

EditorValues LoadAll(const ImageBytes& image) {
  EditorValues values;
  for (std::size_t n = 1; n <= kSmsTextCount; ++n) {
    values.sms[n - 1] = LoadSmsText(image, EEAddr::SmsText(static_cast<int>(n)));
  }
  values.user1 = LoadPhoneNumber(image, EEAddr::User1);
  values.user2 = LoadPhoneNumber(image, EEAddr::User2);
  values.smsFw1 = LoadPhoneNumber(image, EEAddr::SmsFw1);
  values.smsFw2 = LoadPhoneNumber(image, EEAddr::SmsFw2);
  values.prefix = LoadPrefix(image, EEAddr::Prefix);
  values.autoDial = LoadPhoneNumber(image, EEAddr::AutoDial);
  for (std::size_t n = 1; n <= kEventCodeCount; ++n) {
    values.events[n - 1] = LoadEventCode(image, EEAddr::EventCode(static_cast<int>(n)));
  }
  return values;
}
