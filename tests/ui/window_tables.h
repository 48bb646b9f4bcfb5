#pragma once
// What a person sees of each of the five windows, written once for the window tests
// and the accessibility test: the window's caption, client size and accessible role,
// and a row per control with its object name, the name a person reads (its caption
// or its label's text), its accessible role, and whether that name is also the
// control's own visible caption. The window tests check the visible captions, the
// accessibility test the names and roles.

#include <QAccessible>
#include <QSize>
#include <QString>
#include <vector>

class QWidget;

struct ControlRow {
  QString name;  // the object name
  QString text;  // what a person reads
  QAccessible::Role role;
  bool captioned;  // text is also the control's text() or title()
};

struct WindowTable {
  QString tag;  // the row name in data tables
  QString caption;
  QSize size;  // of the client area
  QAccessible::Role role;
  std::vector<ControlRow> controls;
};

const WindowTable& SplashTable();
const WindowTable& MainTable();
const WindowTable& StateTable();
const WindowTable& TransferTable();
const WindowTable& SettingsTable();
// The five, in the order the program makes them.
std::vector<const WindowTable*> WindowTables();
// The main window's caption once the splash has handed over: its own, then the version.
QString MainCaptionAfterSplash();

std::vector<ControlRow> RowsWithRole(const WindowTable& table, QAccessible::Role role);
const ControlRow& RowNamed(const WindowTable& table, const QString& name);

// What the main window's status line says.
inline const QString kConnectedStatus = QStringLiteral(" Soros kapcsolat rendben.");
inline const QString kUnavailableStatus = QStringLiteral(" Hiba: A COM port nem elérhető!");
// Also the notice of a procedure started without a connection.
inline const QString kNoConnectionStatus = QStringLiteral(" Nincs soros kapcsolat.");

// A label's or button's text, a frame's title; empty for any other control.
QString VisibleCaption(const QWidget* control);

bool InTheMiddleOfTheScreen(const QWidget& window);

// The window as its table has it: its caption, its fixed size, its place in the
// middle of the screen, and every control there, showing its caption where the
// table says it shows one.
void CompareWithTable(QWidget* window, const WindowTable& table);
