#pragma once
// Code page 1250 to UTF-8 for the parts of the program that have no toolkit to do it
// (the command-line tool, reports): the core's texts are code page 1250 bytes.

#include <string>
#include <string_view>

// Bytes the code page leaves undefined become U+FFFD.
std::string Cp1250ToUtf8(std::string_view bytes);
// The same for a value shown on a line of its own: control characters (a CR in an
// SMS text, say) become U+FFFD too, so the value cannot break the line.
std::string Cp1250ToShownUtf8(std::string_view bytes);
