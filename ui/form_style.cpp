#include "form_style.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kFormPointSize = 8;

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
    QRect frame(QPoint(), window.size());
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
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
