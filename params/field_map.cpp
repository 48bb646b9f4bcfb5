#include "params/field_map.h"

namespace {

constexpr std::size_t kPhoneFieldSize = 1 + kPhoneCells;
constexpr std::size_t kPrefixFieldSize = 1 + kPrefixCells;
constexpr std::size_t kEventFieldSize = 2;
constexpr std::size_t kSmsFieldSize = 1 + kSmsMaxLength;

std::vector<ImageField> MakeFields() {
  std::vector<ImageField> fields = {
      {"user1", "1. Felhaszn\xE1l\xF3  (#USER1)", EEAddr::User1, kPhoneFieldSize, FieldKind::PhoneNumber},
      {"user2", "2. Felhaszn\xE1l\xF3  (#USER2)", EEAddr::User2, kPhoneFieldSize, FieldKind::PhoneNumber},
      {"smsfw1",
       "SMS tov\xE1"
       "bb\xEDt\xE1s 1.  (#SMSFW1)",
       EEAddr::SmsFw1, kPhoneFieldSize, FieldKind::PhoneNumber},
      {"smsfw2",
       "SMS tov\xE1"
       "bb\xEDt\xE1s 2.  (#SMSFW2)",
       EEAddr::SmsFw2, kPhoneFieldSize, FieldKind::PhoneNumber},
      {"autodial", "Automatikus t\xE1rcs\xE1z\xE1s (#AUTO)", EEAddr::AutoDial, kPhoneFieldSize, FieldKind::PhoneNumber},
      {"prefix", "K\xFCls\xF5 vonal el\xE9r\xE9s\xE9hez haszn\xE1lt prefix sz\xE1m (#PREFIX)", EEAddr::Prefix,
       kPrefixFieldSize, FieldKind::Prefix},
  };
  for (int n = 1; n <= static_cast<int>(kEventCodeCount); ++n) {
    fields.push_back({"event" + std::to_string(n),
                      "Esem\xE9nyk\xF3"
                      "d " +
                          std::to_string(n),
                      EEAddr::EventCode(n), kEventFieldSize, FieldKind::EventCode});
  }
  for (int n = 1; n <= static_cast<int>(kSmsTextCount); ++n) {
    // The tenth text belongs to the IN2 input, not to an event code.
    std::string label = n == static_cast<int>(kSmsTextCount) ? "IN2 bemenet" : "SMS " + std::to_string(n);
    fields.push_back({"sms" + std::to_string(n), label, EEAddr::SmsText(n), kSmsFieldSize, FieldKind::SmsText});
  }
  fields.push_back({"marker", "Jel\xF6l\xF5 b\xE1jt", EEAddr::Marker, 1, FieldKind::Marker});
  return fields;
}

template <std::size_t N>
std::string Joined(const std::array<std::string, N>& cells) {
  std::string text;
  for (const std::string& cell : cells) text += cell;
  return text;
}

}  // namespace

const std::vector<ImageField>& ImageFields() {
  static const std::vector<ImageField> fields = MakeFields();
  return fields;
}

std::string FieldValue(const ImageBytes& image, const ImageField& field) {
  switch (field.kind) {
    case FieldKind::PhoneNumber: return Joined(LoadPhoneNumber(image, field.offset));
    case FieldKind::Prefix: return Joined(LoadPrefix(image, field.offset));
    case FieldKind::EventCode:
      if (image[field.offset] == kErasedByte && image[field.offset + 1] == kErasedByte) return "";
      return Joined(LoadEventCode(image, field.offset));
    case FieldKind::SmsText: return LoadSmsText(image, field.offset);
    case FieldKind::Marker: return std::to_string(image[field.offset]);
  }
  return "";
}
