#pragma once
// Numbers as the port name and the port choice file read them: blanks in front, then
// an optional sign and decimal digits, or "$", "x", "X", "0x", "0X" and hexadecimal
// digits in either case. Each reader then applies its own rule to what was read.

#include <cstdint>
#include <string_view>

struct LenientNumber {
  std::int64_t magnitude = 0;  // saturates beyond every 32-bit value
  bool negative = false;
  bool hex = false;
  bool digits = false;  // at least one digit was read
  bool whole = false;   // reading ran to the end of the text
};

// The value of a hexadecimal digit in either case; -1 for any other character.
int HexDigitValue(char c);

// Reads up to the first character that does not fit. signBeforeHex: a sign may
// stand before a hexadecimal prefix too.
LenientNumber ReadLenientNumber(std::string_view text, bool signBeforeHex);
