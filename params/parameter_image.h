#pragma once
// The tool's copy of the module's 1024-byte parameter memory, its field map and
// the conversions between the image and the settings editor's cell texts.
// Texts are 8-bit strings in code page 1250.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kImageSize = 1024;
using ImageBytes = std::array<std::uint8_t, kImageSize>;

constexpr std::uint8_t kErasedByte = 0xFF;

// The single image of the run; erased to 0xFF when the transfer window is created.
extern ImageBytes ParameterImage;

// Sets every byte to the value of erased module memory.
void EraseImage(ImageBytes& image);

// Field offsets in the image.
namespace EEAddr {
constexpr std::size_t AutoDial = 0;
constexpr std::size_t SmsFw1 = 17;
constexpr std::size_t SmsFw2 = 34;
constexpr std::size_t User1 = 51;
constexpr std::size_t User2 = 68;
constexpr std::size_t Prefix = 85;
constexpr std::size_t FirstEventCode = 102;  // event code n at 102 + 2(n - 1)
constexpr std::size_t FirstSmsText = 122;    // SMS text n at 122 + 41(n - 1)
constexpr std::size_t Marker = 1022;
constexpr std::size_t EventCode(int n) { return FirstEventCode + 2 * static_cast<std::size_t>(n - 1); }
constexpr std::size_t SmsText(int n) { return FirstSmsText + 41 * static_cast<std::size_t>(n - 1); }
}  // namespace EEAddr

constexpr std::size_t kPhoneCells = 16;
constexpr std::size_t kPrefixCells = 8;
constexpr std::size_t kEventCells = 4;
constexpr std::size_t kEventCodeCount = 9;
constexpr std::size_t kSmsTextCount = 10;
constexpr std::size_t kSmsMaxLength = 40;
constexpr std::uint8_t kStoredMarker = 0x37;
constexpr std::uint8_t kEventStarValue = 10;  // the nibble value of "*" in an event code

using PhoneCells = std::array<std::string, kPhoneCells>;
using PrefixCells = std::array<std::string, kPrefixCells>;
using EventCells = std::array<std::string, kEventCells>;

// Everything the settings editor shows, as plain cell texts.
struct EditorValues {
  PhoneCells user1, user2, smsFw1, smsFw2, autoDial;
  PrefixCells prefix;
  std::array<EventCells, kEventCodeCount> events;  // event codes 1 to 9
  std::array<std::string, kSmsTextCount> sms;      // SMS texts 1 to 10 (10 belongs to IN2)
};

// The field functions raise std::out_of_range when the field would reach past the image.
void StorePhoneNumber(ImageBytes& image, std::size_t offset, const PhoneCells& cells);
PhoneCells LoadPhoneNumber(const ImageBytes& image, std::size_t offset);
void StorePrefix(ImageBytes& image, std::size_t offset, const PrefixCells& cells);
PrefixCells LoadPrefix(const ImageBytes& image, std::size_t offset);
void StoreEventCode(ImageBytes& image, std::size_t offset, const EventCells& cells);
EventCells LoadEventCode(const ImageBytes& image, std::size_t offset);
void StoreSmsText(ImageBytes& image, std::size_t offset, const std::string& text);
std::string LoadSmsText(const ImageBytes& image, std::size_t offset);

// Stores every field and sets the marker byte to 0x37.
void StoreAll(ImageBytes& image, const EditorValues& values);
// Reads every field; changes nothing in the image.
EditorValues LoadAll(const ImageBytes& image);
