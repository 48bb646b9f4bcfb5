#include "text_codec.h"

#include <QList>
#include <algorithm>

#include "params/cp1250.h"

// Through the core's own table, never Qt's codecs: a Qt built without ICU (as on Windows)
// knows no code page 1250 by name and would turn every text into an empty one.

namespace {
// What a character the code page cannot hold becomes, as the system's converters do.
constexpr char kSubstitute = 0x1A;
}  // namespace

QString FromCp1250(const std::string& bytes) {
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    text[static_cast<qsizetype>(i)] = QChar(Cp1250ToUnicode(static_cast<unsigned char>(bytes[i])));
  return text;
}

std::string ToCp1250(const QString& text) {
  std::string bytes;
  for (const char32_t c : text.toUcs4()) bytes += UnicodeToCp1250(c).value_or(kSubstitute);
  return bytes;
}

bool FitsCp1250(const QString& text) {
  const QList<uint> chars = text.toUcs4();
  return std::all_of(chars.begin(), chars.end(), [](char32_t c) { return UnicodeToCp1250(c).has_value(); });
}
