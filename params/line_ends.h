#pragma once
// The characters that end lines: in the module's protocol, the port choice file and sheets.

constexpr char kCR = 0x0D;
constexpr char kLF = 0x0A;
