#pragma once
// Code page 1250 and UTF-8 for the parts of the program that have no toolkit to do it
// (the command-line tool, reports): the core's texts are code page 1250 bytes.

#include <optional>
#include <string>
#include <string_view>

// The character a code page 1250 byte stands for. The five bytes the code page leaves
// undefined (0x81, 0x83, 0x88, 0x90, 0x98) stand for the C1 control of the same value, as
// Windows itself maps them, so every byte survives a trip through Unicode and back.
char16_t Cp1250ToUnicode(unsigned char byte);
// The byte that stands for a character, or nothing when the code page has none.
std::optional<char> UnicodeToCp1250(char32_t c);

// For reading: bytes the code page leaves undefined become U+FFFD.
std::string Cp1250ToUtf8(std::string_view bytes);
// The same for a value shown on a line of its own: control characters (a CR in an
// SMS text, say) become U+FFFD too, so the value cannot break the line.
std::string Cp1250ToShownUtf8(std::string_view bytes);

// UTF-8's byte order mark, which some programs put before UTF-8 text (a sheet saved as
// "CSV UTF-8").
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

void AppendUtf8(std::string& out, char32_t c);
std::string UnicodeToUtf8(std::u32string_view text);
// For a value on a line of its own, as Cp1250ToShownUtf8: control characters become U+FFFD.
std::string UnicodeToShownUtf8(std::u32string_view text);
// The characters of UTF-8 text; nothing when it is not valid UTF-8 (a cut or overlong
// sequence, a surrogate, a stray continuation byte).
std::optional<std::u32string> Utf8ToUnicode(std::string_view bytes);
// Text from outside whose encoding nobody stated (a command line, a sheet): UTF-8 when
// it is valid UTF-8, otherwise code page 1250, which is what Central European Windows
// hands over. Text in code page 1250 that happens to be valid UTF-8 is rare enough.
std::u32string TextToUnicode(std::string_view bytes);
