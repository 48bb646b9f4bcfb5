#include "form_style.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kFormPointSize = 8;

// Moves its window to the middle of the screen each time the program shows it, just
// before it appears (not when the desktop merely maps it again).
class CentreWhenShown : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType())
      CentreOnScreen(*static_cast<QWidget*>(watched));
    return false;
  }
};

// Qt presses a button on Enter only as a dialog's default button; here every window's
// buttons answer Enter themselves, on the key going down, as a default button does.
class FormButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      if (!event->isAutoRepeat()) click();
      return;
    }
    QPushButton::keyPressEvent(event);
  }
};

}  // namespace

QFont FormFont(bool bold) {
  QFont font(QStringLiteral("Sans Serif"), kFormPointSize);
  font.setStyleHint(QFont::SansSerif);
  font.setBold(bold);
  return font;
}

void CentreOnScreen(QWidget& window) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    // The window with its frame, once the desktop has given it one; move() places the frame.
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
}

void CentreOnScreenWhenShown(QWidget& window) {
  CentreOnScreen(window);
  window.installEventFilter(new CentreWhenShown(&window));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                        ButtonWeight weight) {
  auto* button = new FormButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setAccessibleName(caption);
  button->setAutoDefault(false);
  if (weight == ButtonWeight::Bold) button->setFont(FormFont(true));
  button->setGeometry(geometry);
  return button;
}
