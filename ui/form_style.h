#pragma once
// What every window shares: its font, its place on the screen and its push buttons.

#include <QFont>

class QPushButton;
class QRect;
class QString;
class QWidget;

// The windows' font: 8-point sans-serif; captions that stand out are bold.
QFont FormFont(bool bold = false);
// Moves a window so that it stands in the middle of the primary screen.
void CentreOnScreen(QWidget& window);
// Centres the window now and again every time it is shown, wherever it was moved to.
void CentreOnScreenWhenShown(QWidget& window);

enum class ButtonWeight { Normal, Bold };
// A push button named name (its object name and, with its caption, what assistive
// tools see). Enter and the keypad's Enter press it while it has the focus, as Space
// does; it is never an auto-default button, so Enter in a field does not press it.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                        ButtonWeight weight);
