#pragma once
// What the settings editor lets into each field. The editor's grids and SMS fields
// apply these rules to every key typed or text pasted; the command-line tool applies
// the same rules to whole values. Characters are Unicode code points, so both judge
// exactly the characters the user gave.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "params/field_map.h"

// A digit grid (the phone numbers and the prefix) takes "0"-"9".
bool IsDigitCellChar(char32_t c);
// An event-code grid takes "0"-"9", "A"-"F" and "*", a lower-case letter as its
// capital: the character the cell keeps, or 0 when it keeps none.
char32_t EventCellChar(char32_t c);
// An SMS text takes what code page 1250 holds, except the two characters (bytes 0x00
// and 0xFF) that loading the text back would drop.
bool IsSmsTextChar(char32_t c);

// A value the editor would not take; what() states the rule, character() the first
// character the rule refuses, when one character is the reason.
class ERefusedValue : public std::runtime_error {
 public:
  ERefusedValue(const std::string& rule, std::optional<char32_t> character = std::nullopt)
      : std::runtime_error(rule), character_(character) {}
  std::optional<char32_t> Character() const { return character_; }

 private:
  std::optional<char32_t> character_;
};

enum class StoredAs {
  Given,
  // An event code with a letter in it, or with fewer than four characters: the editor
  // takes it and stores it as "no code".
  NoCode,
};

// Stores a whole value into a field as the editor stores what was typed into it: the
// digits of a number (at most 16, the prefix at most 8), the four characters of an
// event code, an SMS text of at most 40 characters without its trailing spaces, the
// marker byte as a number from 0 to 255. An empty value clears the field. Raises
// ERefusedValue, leaving the image as it was, for a value the editor would not take.
StoredAs StoreFieldText(ImageBytes& image, const ImageField& field, std::u32string_view value);
