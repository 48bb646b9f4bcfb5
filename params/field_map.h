#pragma once
// The image's fields as the tool names and shows them: the editor's labels, the
// command-line tool's keys, and each value as the editor shows it. Built from the
// address table EEAddr, so the offsets have one home.

#include <cstddef>
#include <string>
#include <vector>

#include "params/parameter_image.h"

enum class FieldKind { PhoneNumber, Prefix, EventCode, SmsText, Marker };

struct ImageField {
  std::string key;    // ASCII: user1 user2 smsfw1 smsfw2 autodial prefix event1..9 sms1..10 marker
  std::string label;  // code page 1250, as the editor labels the field
  std::size_t offset;
  std::size_t size;
  FieldKind kind;
};

// The phone numbers and the prefix, the event codes, the SMS texts and the marker byte,
// in that order.
const std::vector<ImageField>& ImageFields();

// The field's value as the editor shows it: the digits of a number, the four
// characters of an event code ("" for no code), the SMS text, the marker byte as a
// decimal number. Code page 1250.
std::string FieldValue(const ImageBytes& image, const ImageField& field);
