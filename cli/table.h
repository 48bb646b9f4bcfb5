#pragma once
// A table as text: each column as wide as its widest cell, in characters (an accented
// name lines up), two spaces between columns, no spaces at a line's end.

#include <string>
#include <vector>

// rows of UTF-8 cells, the headings first; one line a row.
std::string TableText(const std::vector<std::vector<std::string>>& rows);
