#pragma once
// The little JSON the command-line tool writes: UTF-8 strings, quoted and escaped.

#include <string>

std::string JsonString(const std::string& utf8);
