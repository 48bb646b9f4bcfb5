#include "text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
constexpr const char* kCodePage = "windows-1250";
}

QString FromCp1250(const std::string& bytes) {
  QStringDecoder decode(kCodePage);
  return decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string ToCp1250(const QString& text) {
  QStringEncoder encode(kCodePage);
  QByteArray bytes = encode(text);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool FitsCp1250(const QString& text) {
  QStringEncoder encode(kCodePage, QStringConverter::Flag::Stateless);
  QByteArray bytes = encode(text);
  return !encode.hasError();
}
