#pragma once
// SHA-256, for the record's fingerprint of the 1024 bytes a module got or gave.

#include <string>
#include <string_view>

// 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);
