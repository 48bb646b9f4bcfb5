#pragma once
// What the settings editor and transfer window tests add to the window tests' helpers:
// the serial link wired as the main window wires it, and typing into the focused control.

#include <QApplication>
#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/linked_port.h"
#include "tests/ui/ui_test_support.h"
#include "ui/qt_event_pump.h"

// The port and module link as the main window owns them, with hand-offs served by
// the Qt event loop.
class LinkBench : public LinkedPort {
 public:
  LinkBench();
  QtEventPump pump;
};

// Types text into whatever has the focus, one key at a time; '\b' is Backspace and
// '\r' Enter, so a key that moves the focus sends the next one to its new place.
void TypeKeys(const QString& text);
void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Shows the window and waits until it is active, so focus and keys behave as on a desktop.
void ShowActive(QWidget* window);
