#include "form_style.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int kFormPointSize = 8;
}

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
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setAccessibleName(caption);
  button->setAutoDefault(false);
  if (weight == ButtonWeight::Bold) button->setFont(FormFont(true));
  button->setGeometry(geometry);
  return button;
}
