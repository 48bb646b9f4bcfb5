#pragma once
// The characters that end lines: in the module's protocol and in the port choice file.

constexpr char kCR = 0x0D;
constexpr char kLF = 0x0A;
