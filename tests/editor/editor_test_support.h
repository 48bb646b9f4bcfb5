#pragma once
// What the settings editor and transfer window tests share: a dialog service that
// answers instead of blocking, the serial link wired as the main window wires it,
// and helpers for typing into the focused control and acting on modal windows.

#include <QApplication>
#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "protocol/line_protocol.h"
#include "protocol/reply_state.h"
#include "serial/com_port.h"
#include "serial/thread_sync.h"
#include "ui/dialog_service.h"
#include "ui/qt_event_pump.h"

// Records every message box and file dialog instead of showing it; file dialogs
// answer with the queued paths, and with an empty text (cancelled) when none is left.
class AnsweringDialogs : public DialogService {
 public:
  struct Message {
    QString caption;
    QString text;
    Icon icon;
  };
  struct FileRequest {
    bool save;
    QString title;
    QString initialName;
    QString filter;
    QString defaultSuffix;
  };

  AnsweringDialogs() { DialogService::Install(this); }
  ~AnsweringDialogs() override { DialogService::Install(nullptr); }

  void ShowMessage(QWidget*, const QString& caption, const QString& text, Icon icon) override;
  QString GetOpenFileName(QWidget*, const QString& title, const QString& initialName,
                          const QString& filter) override;
  QString GetSaveFileName(QWidget*, const QString& title, const QString& initialName, const QString& filter,
                          const QString& defaultSuffix) override;

  std::vector<Message> messages;
  std::vector<FileRequest> fileRequests;
  std::deque<QString> answers;
  // Runs while a file dialog is "open".
  std::function<void()> duringFileDialog;

 private:
  QString Answer(const FileRequest& request);
};

// The port, reply state and block decoder as the main window owns them, with
// received bytes dispatched on the user-interface thread.
class LinkBench {
 public:
  LinkBench();
  ~LinkBench();
  void Connect(const std::string& comName);

  ThreadSync sync;  // before the port: closing it serves hand-offs
  ReplyState reply;
  LineHandlers handlers;
  TComPort port;
  QtEventPump pump;
};

template <typename T = QWidget>
T* Control(QWidget* window, const char* name) {
  return window->findChild<T*>(QString::fromLatin1(name));
}

// Types text into whatever has the focus, one key at a time; '\b' is Backspace and
// '\r' Enter, so a key that moves the focus sends the next one to its new place.
void TypeKeys(const QString& text);
void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Shows the window and waits until it is active, so focus and keys behave as on a desktop.
void ShowActive(QWidget* window);

// Saves the window's picture as <dir>/<name>.png when KELVARO_SHOT_DIR is set.
void SaveShot(QWidget* window, const char* name);

// Runs action on the modal window as soon as one is active, from inside its exec().
void WhenModal(std::function<void(QWidget* modal)> action);
