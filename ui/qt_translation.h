#pragma once
// The toolkit's own texts (file dialogs, message box buttons, the question before a
// file is replaced) in Hungarian, like the rest of the program.

#include <QLibraryInfo>
#include <QString>

class QTranslator;

// Loads Qt's Hungarian translation from folder and installs it for the application;
// the translator belongs to the application. Without the file nothing changes and
// the toolkit's texts stay English: the result is nullptr.
QTranslator* InstallQtTranslation(const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));
