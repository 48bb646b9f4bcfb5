#include "tests/ui/window_tables.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <utility>

#include "app/version.h"

namespace {

constexpr QAccessible::Role kButton = QAccessible::PushButton;
constexpr QAccessible::Role kLabel = QAccessible::StaticText;
constexpr QAccessible::Role kField = QAccessible::EditableText;
constexpr QAccessible::Role kFrame = QAccessible::Grouping;

// Captions and names that stand in two places.
const QString kCloseWindowCaption = QStringLiteral("Ablak bezárása");
const QString kParameterSettingCaption = QStringLiteral("Paraméterek beállítása");
const QString kSignalName = QStringLiteral("GSM térerő (0-31):");
const QString kMessagesName = QStringLiteral("A modul állapot üzenetei:");

}  // namespace

const WindowTable& SplashTable() {
  // The splash shows no caption: assistive tools name it by the program.
  static const WindowTable table{
      QStringLiteral("splash"),
      QStringLiteral("Kelvaro"),
      QSize(496, 309),
      QAccessible::Window,
      {
          {QStringLiteral("lbVersion"), QLatin1String(kVersionText), kLabel, true},
          {QStringLiteral("Image1"), QStringLiteral("Harnvik GSM vonali adapter telepítő és szervizprogram"),
           QAccessible::Graphic, false},
      },
  };
  return table;
}

const WindowTable& MainTable() {
  static const WindowTable table{
      QStringLiteral("main"),
      QStringLiteral("Harnvik"),
      QSize(227, 248),
      QAccessible::Window,
      {
          {QStringLiteral("gbSerialPort"), QStringLiteral("Soros kapcsolat"), kFrame, false},
          {QStringLiteral("gbModule"), QStringLiteral("Modul"), kFrame, false},
          {QStringLiteral("lbSelectSerialPort"), QStringLiteral("Soros port kiválasztása"), kLabel, true},
          {QStringLiteral("btConnect"), QStringLiteral("Soros kapcsolat létrehozása"), kButton, true},
          {QStringLiteral("btDisconnect"), QStringLiteral("Soros kapcsolat bontása"), kButton, true},
          {QStringLiteral("btStatus"), QStringLiteral("Modul állapotának figyelése"), kButton, true},
          {QStringLiteral("btParameterSetting"), kParameterSettingCaption, kButton, true},
          {QStringLiteral("btClose"), QStringLiteral("Kilépés"), kButton, true},
          {QStringLiteral("StatusBar1"), QStringLiteral("Állapotsor"), QAccessible::StatusBar, false},
      },
  };
  return table;
}

const WindowTable& StateTable() {
  // The signal bar and the message log are named by the labels before them.
  static const WindowTable table{
      QStringLiteral("state"),
      QStringLiteral("A modul állapota"),
      QSize(295, 343),
      QAccessible::Dialog,
      {
          {QStringLiteral("PanelLineVoltage"), QStringLiteral("Vezetékes vonal"), kLabel, true},
          {QStringLiteral("PanelIN1"), QStringLiteral("IN1"), kLabel, true},
          {QStringLiteral("PanelIN2"), QStringLiteral("IN2"), kLabel, true},
          {QStringLiteral("PanelGSMLine"), QStringLiteral("GSM vonal státusz"), kLabel, true},
          {QStringLiteral("lbGSMpower"), kSignalName, kLabel, true},
          {QStringLiteral("pbTerero"), kSignalName, QAccessible::ProgressBar, false},
          {QStringLiteral("lbStateMessages"), kMessagesName, kLabel, true},
          {QStringLiteral("MemoState"), kMessagesName, kField, false},
          {QStringLiteral("btClearMsg"), QStringLiteral("Üzenetablak törlése"), kButton, true},
          {QStringLiteral("btClose"), kCloseWindowCaption, kButton, true},
      },
  };
  return table;
}

const WindowTable& TransferTable() {
  static const WindowTable table = [] {
    WindowTable t{QStringLiteral("transfer"), kParameterSettingCaption, QSize(276, 276), QAccessible::Dialog, {}};
    for (int b = 1; b <= 4; ++b)
      t.controls.push_back({QStringLiteral("BP%1").arg(b), QStringLiteral("Blokk %1").arg(b), kLabel, true});
    const std::pair<const char*, QString> buttons[] = {{"btOpen", QStringLiteral("Beolvasás fájlból")},
                                                       {"btSave", QStringLiteral("Mentés fájlba")},
                                                       {"btRead", QStringLiteral("<-- Adatok beolvasása a modulból")},
                                                       {"btWrite", QStringLiteral("--> Adatok áttöltése a modulba")},
                                                       {"btCompare", QStringLiteral("<--> Adatok összehasonlítása")},
                                                       {"btEdit", QStringLiteral("Adatok szerkesztése")},
                                                       {"btClose", kCloseWindowCaption}};
    for (const auto& [name, caption] : buttons) t.controls.push_back({QLatin1String(name), caption, kButton, true});
    return t;
  }();
  return table;
}

const WindowTable& SettingsTable() {
  static const WindowTable table = [] {
    WindowTable t{QStringLiteral("settings"),
                  QStringLiteral("Harnvik  -  Beállítások"),
                  QSize(444, 501),
                  QAccessible::Dialog,
                  {}};
    t.controls = {{QStringLiteral("gbPhoneNumbers"), QStringLiteral(" Telefonszámok "), kFrame, true},
                  {QStringLiteral("gbSmsSettings"), QStringLiteral(" SMS beállítások"), kFrame, true},
                  {QStringLiteral("lbEventCode"), QStringLiteral("eseménykód"), kLabel, true},
                  {QStringLiteral("lbSmsText"), QStringLiteral("SMS üzenetek szövege"), kLabel, true}};
    // Each number grid is named by the label on its row.
    const std::pair<const char*, QString> numbers[] = {
        {"USER1", QStringLiteral("1. Felhasználó  (#USER1)")},
        {"USER2", QStringLiteral("2. Felhasználó  (#USER2)")},
        {"SMSFW1", QStringLiteral("SMS továbbítás 1.  (#SMSFW1)")},
        {"SMSFW2", QStringLiteral("SMS továbbítás 2.  (#SMSFW2)")},
        {"AUTODIAL", QStringLiteral("Automatikus tárcsázás (#AUTO)")},
        {"NETPREFIX", QStringLiteral("Külső vonal eléréséhez használt prefix szám (#PREFIX)")}};
    for (const auto& [key, label] : numbers) {
      t.controls.push_back({QStringLiteral("lb") + QLatin1String(key), label, kLabel, true});
      t.controls.push_back({QStringLiteral("acg") + QLatin1String(key), label, QAccessible::Table, false});
    }
    for (int n = 1; n <= 9; ++n) {
      t.controls.push_back(
          {QStringLiteral("acgEvent%1").arg(n), QStringLiteral("Eseménykód %1").arg(n), QAccessible::Table, false});
      t.controls.push_back({QStringLiteral("edSMS%1").arg(n), QStringLiteral("SMS %1").arg(n), kField, false});
    }
    const QString in2 = QStringLiteral("IN2 bemenet");
    t.controls.push_back({QStringLiteral("lbIN2"), in2, kLabel, true});
    t.controls.push_back({QStringLiteral("edSMS10"), in2, kField, false});
    t.controls.push_back({QStringLiteral("btSettingOK"), QStringLiteral("Beállítások Rögzítése"), kButton, true});
    t.controls.push_back(
        {QStringLiteral("btSettingCancel"), QStringLiteral("Beállítások Visszavonása"), kButton, true});
    return t;
  }();
  return table;
}

std::vector<const WindowTable*> WindowTables() {
  return {&SplashTable(), &MainTable(), &StateTable(), &TransferTable(), &SettingsTable()};
}

QString MainCaptionAfterSplash() { return MainTable().caption + QStringLiteral("  ") + QLatin1String(kVersionText); }

std::vector<ControlRow> RowsWithRole(const WindowTable& table, QAccessible::Role role) {
  std::vector<ControlRow> rows;
  for (const ControlRow& row : table.controls)
    if (row.role == role) rows.push_back(row);
  return rows;
}

const ControlRow& RowNamed(const WindowTable& table, const QString& name) {
  for (const ControlRow& row : table.controls)
    if (row.name == name) return row;
  qFatal("no control %s in the table of %s", qPrintable(name), qPrintable(table.tag));
}

QString VisibleCaption(const QWidget* control) {
  if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (const auto* frame = qobject_cast<const QGroupBox*>(control)) return frame->title();
  return {};
}

bool InTheMiddleOfTheScreen(const QWidget& window) {
  const QPoint offCentre = window.geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
  return offCentre.manhattanLength() <= 1;
}

void CompareWithTable(QWidget* window, const WindowTable& table) {
  QCOMPARE(window->windowTitle(), table.caption);
  QCOMPARE(window->size(), table.size);
  QCOMPARE(window->minimumSize(), window->maximumSize());
  QVERIFY(InTheMiddleOfTheScreen(*window));
  for (const ControlRow& row : table.controls) {
    const QWidget* control = window->findChild<QWidget*>(row.name);
    QVERIFY2(control != nullptr, qPrintable(row.name));
    if (row.captioned) QCOMPARE(VisibleCaption(control), row.text);
  }
}
