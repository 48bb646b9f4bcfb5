#pragma once
// SHA-256, for the record's fingerprint of the 1024 bytes a module got or gave, from
// the system's own crypto: nettle on Linux (sha256_posix.cpp), BCrypt on Windows
// (sha256_win32.cpp).

#include <array>
#include <string>
#include <string_view>

using Sha256Digest = std::array<unsigned char, 32>;

Sha256Digest Sha256(std::string_view bytes);

// 64 lower-case hexadecimal digits.
inline std::string Sha256Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char byte : Sha256(bytes)) hex += {kDigits[byte >> 4], kDigits[byte & 0xF]};
  return hex;
}
