#pragma once
// What the window tests share: the base their classes derive from, a dialog service
// that answers instead of blocking, a config folder whose COM names all lead to
// pseudo-terminals or nowhere, the serial link wired as the main window wires it, and
// small helpers for finding controls, typing into them and acting on modal windows.

#include <QApplication>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "serial/linked_port.h"
#include "tests/support/pty_pair.h"
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
  QString GetOpenFileName(QWidget*, const QString& title, const QString& initialName, const QString& filter) override;
  QString GetSaveFileName(QWidget*, const QString& title, const QString& initialName, const QString& filter,
                          const QString& defaultSuffix) override;

  // The texts and icons of the message boxes shown so far, in order.
  QStringList Texts() const;
  std::vector<Icon> Icons() const;

  std::vector<Message> messages;
  std::vector<FileRequest> fileRequests;
  std::deque<QString> answers;
  // Runs while a file dialog is "open".
  std::function<void()> duringFileDialog;

 private:
  QString Answer(const FileRequest& request);
};

// A temporary config folder in which every COM name but the ones given to Pty()
// is linked to a path that does not exist, so no test can reach a real port of
// the machine, and the port list holds exactly the test's own ports.
class TestPorts {
 public:
  TestPorts();
  ~TestPorts();

  const std::string& ConfigDir() const { return home_.Path(); }
  // A pseudo-terminal linked as comName (created on first use).
  PtyPair& Pty(const std::string& comName);
  // comName leads nowhere again: opening it fails as for an unplugged adapter.
  void Unplug(const std::string& comName);

 private:
  TempConfigHome home_;
  std::map<std::string, std::unique_ptr<PtyPair>> ptys_;
};

// What every window test starts from: the answering dialogs and the test's ports.
struct TestWorld {
  AnsweringDialogs dialogs;
  TestPorts ports;
};

// The base of every window test class: a fresh world for each test, and the check
// that the test closed every descriptor it opened. QtTest runs every private slot as
// a test, inherited ones too, but for init() and cleanup(): so the world's start and
// end are protected functions, and the slots below call them for a class that needs
// nothing more; a class that does declares its own init() or cleanup(), which QtTest
// finds first.
class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { StartWorld(); }
  void cleanup() { EndWorld(); }

 protected:
  // In init(): notes the open descriptors, then makes the world. The first call opens
  // first what the toolkit opens on first use and keeps for the run.
  void StartWorld();
  // In cleanup(), once the test's windows are gone: ends the world, and the open
  // descriptors must be those StartWorld() noted.
  void EndWorld();

  AnsweringDialogs& Dialogs() { return world_->dialogs; }
  TestPorts& Ports() { return world_->ports; }

 private:
  std::unique_ptr<TestWorld> world_;
  int descriptorsBefore_ = 0;
};

// Reads and writes the port choice file of the current config folder.
std::string ReadChoiceFile();
void WriteChoiceFile(const std::string& bytes);

template <typename T = QWidget>
T* Control(QWidget* window, const QString& name) {
  return window->findChild<T*>(name);
}
template <typename T = QWidget>
T* Control(QWidget* window, const char* name) {
  return Control<T>(window, QString::fromLatin1(name));
}

// The window's controls in the order Tab visits them, disabled ones included.
QStringList TabOrder(QWidget* window);

// Runs action on the modal window as soon as one is active, from inside its exec().
void WhenModal(std::function<void(QWidget* modal)> action);

// Saves the window's picture as <dir>/<name>.png when KELVARO_SHOT_DIR is set.
void SaveShot(QWidget* window, const char* name);

// The port and module link as the main window owns them, with hand-offs served by
// the Qt event loop.
class LinkBench : public LinkedPort {
 public:
  LinkBench();
  ~LinkBench();
  QtEventPump pump;

 private:
  // The wake's queued calls go with it, so none can reach a bench that is gone.
  QObject wakeContext_;
};

// Types text into whatever has the focus, one key at a time; '\b' is Backspace and
// '\r' Enter, so a key that moves the focus sends the next one to its new place.
void TypeKeys(const QString& text);
void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Shows the window and waits until it is active, so focus and keys behave as on a desktop.
void ShowActive(QWidget* window);
