#include "params/cp1250.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code points of bytes 0x80 to 0xFF; below 0x80 the code page is ASCII. Undefined
// bytes hold the C1 control of their own value.
constexpr char16_t kHighHalf[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

constexpr char32_t kLastCodePoint = 0x10FFFF;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

bool IsC1Control(char32_t c) { return c >= 0x80 && c < 0xA0; }
bool IsControl(char32_t c) { return c < 0x20 || c == 0x7F || IsC1Control(c); }

std::string Convert(std::string_view bytes, bool controlsShown) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char byte : bytes) {
    const char32_t c = Cp1250ToUnicode(static_cast<std::uint8_t>(byte));
    if (IsC1Control(c) || (controlsShown && IsControl(c))) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

}  // namespace

char16_t Cp1250ToUnicode(unsigned char byte) { return byte < 0x80 ? byte : kHighHalf[byte - 0x80]; }

std::optional<char> UnicodeToCp1250(char32_t c) {
  if (c < 0x80) return static_cast<char>(c);
  const auto* found = std::find(std::begin(kHighHalf), std::end(kHighHalf), c);
  if (found == std::end(kHighHalf)) return std::nullopt;
  return static_cast<char>(0x80 + (found - std::begin(kHighHalf)));
}

std::string Cp1250ToUtf8(std::string_view bytes) { return Convert(bytes, false); }

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::optional<std::u32string> Utf8ToUnicode(std::string_view bytes) {
  std::u32string text;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<std::uint8_t>(bytes[i]);
    // The length a lead byte announces, and the least code point that length may carry.
    std::size_t length;
    char32_t c, least;
    if (lead < 0x80) {
      length = 1, c = lead, least = 0;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, least = 0x10000;
    } else {
      return std::nullopt;
    }
    if (length > bytes.size() - i) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<std::uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = c << 6 | (next & 0x3F);
    }
    if (c < least || c > kLastCodePoint || IsSurrogate(c)) return std::nullopt;
    text += c;
    i += length;
  }
  return text;
}

std::u32string TextToUnicode(std::string_view bytes) {
  if (std::optional<std::u32string> text = Utf8ToUnicode(bytes)) return *std::move(text);
  std::u32string text;
  for (const char byte : bytes) text += Cp1250ToUnicode(static_cast<unsigned char>(byte));
  return text;
}

std::string UnicodeToUtf8(std::u32string_view text) {
  std::string out;
  for (const char32_t c : text) AppendUtf8(out, c);
  return out;
}

std::string UnicodeToShownUtf8(std::u32string_view text) {
  std::string out;
  for (const char32_t c : text) AppendUtf8(out, IsControl(c) ? kReplacement : c);
  return out;
}

std::string Cp1250ToShownUtf8(std::string_view bytes) { return Convert(bytes, true); }
