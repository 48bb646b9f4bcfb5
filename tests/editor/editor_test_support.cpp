#include "editor_test_support.h"

#include <QTest>
#include <QTimer>

#include "protocol/block_frame.h"

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
