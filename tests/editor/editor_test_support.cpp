#include "editor_test_support.h"

#include <QTest>
#include <QTimer>

LinkBench::LinkBench() { InstallQtWake(sync, QCoreApplication::instance()); }

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
