#include "dialog_service.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTreeView>

#include "text_codec.h"

namespace {

// Qt sizes the detail view's columns after sample texts, which dates in a longer
// format (and the Hungarian headings) do not fit. Size, type and date take what their
// texts need; the name column gets the rest, so all four stay in sight and only a long
// name is shortened.
void FitDetailColumns(QFileDialog& dialog) {
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return;
  QHeaderView* header = view->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int column = 1; column < header->count(); ++column)
    header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

class ModalDialogService : public DialogService {
 public:
  void ShowMessage(QWidget* parent, const QString& caption, const QString& text, Icon icon) override {
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, caption, text, QMessageBox::Ok,
                    parent);
    box.exec();
  }

  QString GetOpenFileName(QWidget* parent, const QString& title, const QString& initialName,
                          const QString& filter) override {
    return RunFileDialog(parent, title, initialName, filter, QFileDialog::AcceptOpen, QString());
  }

  QString GetSaveFileName(QWidget* parent, const QString& title, const QString& initialName, const QString& filter,
                          const QString& defaultSuffix) override {
    return RunFileDialog(parent, title, initialName, filter, QFileDialog::AcceptSave, defaultSuffix);
  }

 private:
  // Qt's own dialog on every desktop, so it speaks the program's language, not the desktop's.
  // The save dialog asks before it replaces a file.
  QString RunFileDialog(QWidget* parent, const QString& title, const QString& initialName, const QString& filter,
                        QFileDialog::AcceptMode mode, const QString& defaultSuffix) {
    QFileDialog dialog(parent, title, FileDialogStartFolder(lastFolder_), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(initialName);
    FitDetailColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString path = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(path).absolutePath();
    return path;
  }

  QString lastFolder_;  // of this run only
};

ModalDialogService modalService;
DialogService* installed = nullptr;

}  // namespace

DialogService& DialogService::Current() { return installed ? *installed : modalService; }

void DialogService::Install(DialogService* service) { installed = service; }

QString FileDialogStartFolder(const QString& lastFolder) {
  if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir()) return lastFolder;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QDir::homePath();
}

QString ApplicationTitle() { return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(); }

QString GeneralErrorText(const std::string& message) {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
  return FromCp1250(text);
}

void ShowGeneralError(const std::exception& error, QWidget* parent) {
  DialogService::Current().ShowMessage(parent, ApplicationTitle(), GeneralErrorText(error.what()),
                                       DialogService::Icon::Error);
}

void ShowPlainMessage(const QString& text, QWidget* parent) {
  DialogService::Current().ShowMessage(parent, ApplicationTitle(), text, DialogService::Icon::None);
}
