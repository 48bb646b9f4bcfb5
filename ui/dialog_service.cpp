#include "dialog_service.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "text_codec.h"

namespace {

class ModalDialogService : public DialogService {
 public:
  void ShowMessage(QWidget* parent, const QString& caption, const QString& text, Icon icon) override {
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, caption, text, QMessageBox::Ok,
                    parent);
    box.exec();
  }

  QString GetOpenFileName(QWidget* parent, const QString& title, const QString& initialName,
                          const QString& filter) override {
    return QFileDialog::getOpenFileName(parent, title, initialName, filter);
  }

  QString GetSaveFileName(QWidget* parent, const QString& title, const QString& initialName, const QString& filter,
                          const QString& defaultSuffix) override {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
  }
};

ModalDialogService modalService;
DialogService* installed = nullptr;

}  // namespace

DialogService& DialogService::Current() { return installed ? *installed : modalService; }

void DialogService::Install(DialogService* service) { installed = service; }

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
