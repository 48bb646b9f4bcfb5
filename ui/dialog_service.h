#pragma once
// Every message box and file dialog of the program goes through here, so tests can
// install an answering service instead of a modal window that would block them.

#include <QString>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

class QWidget;

class DialogService {
 public:
  enum class Icon { None, Error };

  virtual ~DialogService() = default;
  virtual void ShowMessage(QWidget* parent, const QString& caption, const QString& text, Icon icon) = 0;
  // Both return the chosen path, or an empty text when the user cancelled.
  virtual QString GetOpenFileName(QWidget* parent, const QString& title, const QString& initialName,
                                  const QString& filter) = 0;
  virtual QString GetSaveFileName(QWidget* parent, const QString& title, const QString& initialName,
                                  const QString& filter, const QString& defaultSuffix) = 0;

  // The service in use; the real, modal one unless a test installed another.
  static DialogService& Current();
  // Installs a service (not owned); nullptr puts the real one back.
  static void Install(DialogService* service);
};

// Where a file dialog opens: the folder of the file chosen last in this run, while it
// is there; else the user's documents folder; else the home folder.
QString FileDialogStartFolder(const QString& lastFolder);

// The program file's name without its extension.
QString ApplicationTitle();

// The general error handler: the error's message in a box with the application
// title, an error icon and OK. A full stop is appended to a non-empty message whose
// last byte is greater than '.'.
void ShowGeneralError(const std::exception& error, QWidget* parent = nullptr);
QString GeneralErrorText(const std::string& message);

// A plain message box: application title, no icon, OK.
void ShowPlainMessage(const QString& text, QWidget* parent = nullptr);

// Runs a handler body and hands anything it raises to the general error handler,
// so no exception crosses a Qt event-loop frame.
template <typename F>
void Guarded(QWidget* parent, F&& body) {
  try {
    body();
  } catch (const std::exception& error) {
    ShowGeneralError(error, parent);
  } catch (...) {
    ShowGeneralError(std::runtime_error("Unknown error"), parent);
  }
}
