// Kelvaro: the service tool for the Harnvik GSM line adapter.

#include <QApplication>
#include <QDir>
#include <QIcon>

#include "quit_on_signal.h"
#include "startup.h"
#include "ui/form_style.h"
#include "ui/main_form.h"
#include "ui/qt_translation.h"

namespace {

// The program icon in every size built into the program.
QIcon ProgramIcon() {
  QIcon icon;
  const QDir icons(QStringLiteral(":/icons"));
  for (const QString& name : icons.entryList(QDir::Files)) icon.addFile(icons.filePath(name));
  return icon;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  InstallQtTranslation();
  QGuiApplication::setDesktopFileName(QStringLiteral("org.kelvaro.Kelvaro"));
  const QIcon icon = ProgramIcon();
  if (!icon.isNull()) QApplication::setWindowIcon(icon);
  QApplication::setFont(FormFont());

  KelvaroWindows windows;
  QObject::connect(&windows.Main(), &TMainForm::Closing, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  CloseOnTerminationSignals(&windows.Main());
  windows.ShowMainWindow();
  return app.exec();
}
