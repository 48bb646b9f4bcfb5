#include "editor_test_support.h"

#include <QTest>
#include <QTimer>

#include "protocol/block_frame.h"

void AnsweringDialogs::ShowMessage(QWidget*, const QString& caption, const QString& text, Icon icon) {
  messages.push_back({caption, text, icon});
}

QString AnsweringDialogs::GetOpenFileName(QWidget*, const QString& title, const QString& initialName,
                                          const QString& filter) {
  return Answer({false, title, initialName, filter, QString()});
}

QString AnsweringDialogs::GetSaveFileName(QWidget*, const QString& title, const QString& initialName,
                                          const QString& filter, const QString& defaultSuffix) {
  return Answer({true, title, initialName, filter, defaultSuffix});
}

QString AnsweringDialogs::Answer(const FileRequest& request) {
  fileRequests.push_back(request);
  if (duringFileDialog) duringFileDialog();
  if (answers.empty()) return {};
  QString path = answers.front();
  answers.pop_front();
  return path;
}

LinkBench::LinkBench() : port(sync) {
  InstallQtWake(sync, QCoreApplication::instance());
  handlers.blockReply = [](const std::string& line) { return DecodeBlockReply(line, ReceivedFrame); };
  port.OnRxChar = [this](TCustomComPort&, int count) { ReceiveBytes(port, count, reply, handlers); };
}

LinkBench::~LinkBench() {
  try {
    port.SetConnected(false);
  } catch (...) {
    // A port whose other end went away may fail its last purge; it is closed anyway.
  }
}

void LinkBench::Connect(const std::string& comName) {
  port.SetPort(comName);
  port.SetConnected(true);
}

void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::focusWidget();
  if (!target) target = QApplication::activeWindow();
  QTest::keyClick(target, key, modifiers);
}

void TypeKeys(const QString& text) {
  for (QChar c : text) {
    QWidget* target = QApplication::focusWidget();
    if (!target) target = QApplication::activeWindow();
    if (c == QLatin1Char('\b'))
      QTest::keyClick(target, Qt::Key_Backspace);
    else if (c == QLatin1Char('\r'))
      QTest::keyClick(target, Qt::Key_Return);
    else
      QTest::sendKeyEvent(QTest::KeyAction::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

void ShowActive(QWidget* window) {
  window->show();
  window->activateWindow();
  QApplication::setActiveWindow(window);
  if (!QTest::qWaitForWindowActive(window)) qWarning("window did not become active");
}

void WhenModal(std::function<void(QWidget* modal)> action) {
  auto* poll = new QTimer(QCoreApplication::instance());
  poll->setInterval(1);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    // Keys go to the focused control, so the modal window must have the focus first.
    if (QApplication::activeWindow() != modal) {
      modal->activateWindow();
      return;
    }
    poll->stop();
    poll->deleteLater();
    action(modal);
  });
  poll->start();
}

void SaveShot(QWidget* window, const char* name) {
  const QString dir = qEnvironmentVariable("KELVARO_SHOT_DIR");
  if (dir.isEmpty()) return;
  window->grab().save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}
