#pragma once
// The one place where the core's code page 1250 strings meet QString.

#include <QString>
#include <string>

QString FromCp1250(const std::string& bytes);
std::string ToCp1250(const QString& text);
// True when every character of text has a code page 1250 byte.
bool FitsCp1250(const QString& text);
