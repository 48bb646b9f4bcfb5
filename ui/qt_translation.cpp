#include "qt_translation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace {
// Debian's qt6-translations-l10n; the program speaks Hungarian whatever the desktop's language.
const QString kQtTranslation = QStringLiteral("qtbase_hu");
}  // namespace

QTranslator* InstallQtTranslation(const QString& folder) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(kQtTranslation, folder)) {
    delete translator;
    return nullptr;
  }
  QCoreApplication::installTranslator(translator);
  return translator;
}
