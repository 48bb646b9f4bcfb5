// The five windows as assistive tools see them: created the way the program creates
// them, walked through their accessible interfaces. Every control a person can use
// must be named in words (its caption or its label, never its control name), and the
// state window must read its values. How a grid reads its cells is the grid's test.

#include <QAccessible>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/startup.h"
#include "params/parameter_image.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/window_tables.h"
#include "ui/char_grid.h"
#include "ui/main_form.h"

namespace {

// The port the chooser lists, so its drop-down list has an entry to name.
const char kListedPort[] = "COM3";

// Roles of what a person can act on or read a value from; each of them needs a name.
bool IsInteractive(QAccessible::Role role) {
  switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::ProgressBar:
    case QAccessible::Table:
    case QAccessible::Cell:
    case QAccessible::List:
    case QAccessible::ListItem: return true;
    default: return false;
  }
}

// How a node shows up in a failure message: the object name, or the path of places.
QString Describe(QAccessibleInterface* node, const QString& path) {
  const QObject* object = node->object();
  const QString name = object && !object->objectName().isEmpty() ? object->objectName() : path;
  return QStringLiteral("%1 (%2, role 0x%3)")
      .arg(name, object ? QLatin1String(object->metaObject()->className()) : QLatin1String("no object"))
      .arg(static_cast<int>(node->role()), 0, 16);
}

// On Linux a drop-down list is named by its current entry and otherwise by the label
// that names it, which screen readers read as its name.
bool HasLabel(QAccessibleInterface* node) { return !node->relations(QAccessible::Label).isEmpty(); }

// Every interactive node under node (itself included) that has no name.
void CollectNameless(QAccessibleInterface* node, const QString& path, QStringList& nameless) {
  if (IsInteractive(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty() && !HasLabel(node))
    nameless.append(Describe(node, path));
  for (int i = 0; i < node->childCount(); ++i) {
    if (QAccessibleInterface* child = node->child(i))
      CollectNameless(child, path + QLatin1Char('/') + QString::number(i), nameless);
  }
}

// Every node under node (itself included) whose name is the control name of a control
// of window, as an old build named grids, fields and frames.
void CollectNamedByControlName(QAccessibleInterface* node, const QSet<QString>& controlNames, QStringList& found) {
  const QString name = node->text(QAccessible::Name);
  if (controlNames.contains(name) || controlNames.contains(name.section(QLatin1Char(' '), 0, 0))) found.append(name);
  for (int i = 0; i < node->childCount(); ++i) {
    if (QAccessibleInterface* child = node->child(i)) CollectNamedByControlName(child, controlNames, found);
  }
}

int CountRole(QAccessibleInterface* node, QAccessible::Role role) {
  int count = node->role() == role ? 1 : 0;
  for (int i = 0; i < node->childCount(); ++i) {
    if (QAccessibleInterface* child = node->child(i)) count += CountRole(child, role);
  }
  return count;
}

QAccessibleInterface* Accessible(QWidget* widget) { return QAccessible::queryAccessibleInterface(widget); }

}  // namespace

class AccessibilityTests : public WindowTest {
  Q_OBJECT

 private:
  std::unique_ptr<KelvaroWindows> windows_;

  QWidget* Window(const QString& tag) {
    if (tag == QLatin1String("splash")) return &windows_->Welcome();
    if (tag == QLatin1String("main")) return &windows_->Main();
    if (tag == QLatin1String("state")) return &windows_->State();
    if (tag == QLatin1String("transfer")) return &windows_->Download();
    return &windows_->Settings();
  }
  static const WindowTable& Table(const QString& tag) {
    for (const WindowTable* table : WindowTables())
      if (table->tag == tag) return *table;
    qFatal("no window %s", qPrintable(tag));
  }
  static void AddWindowRows() {
    QTest::addColumn<QString>("window");
    for (const WindowTable* table : WindowTables()) QTest::newRow(qPrintable(table->tag)) << table->tag;
  }

 private slots:
  void init() {
    StartWorld();
    Ports().Pty(kListedPort);
    windows_ = std::make_unique<KelvaroWindows>();
    windows_->ShowMainWindow();
    // The editor as "Adatok szerkesztése" fills it from the freshly erased image.
    windows_->Settings().SetValues(LoadAll(ParameterImage));
  }
  void cleanup() {
    windows_.reset();
    EndWorld();
  }

  // ---- the windows themselves

  void windowsAreNamedByTheirCaptions_data() { AddWindowRows(); }
  void windowsAreNamedByTheirCaptions() {
    QFETCH(QString, window);
    QAccessibleInterface* accessible = Accessible(Window(window));
    QVERIFY(accessible != nullptr);
    QCOMPARE(accessible->text(QAccessible::Name), Table(window).caption);
    QCOMPARE(accessible->role(), Table(window).role);
  }

  // ---- no nameless control anywhere in a window's tree

  void noInteractiveControlIsNameless_data() { AddWindowRows(); }
  void noInteractiveControlIsNameless() {
    QFETCH(QString, window);
    QStringList nameless;
    CollectNameless(Accessible(Window(window)), window, nameless);
    QVERIFY2(nameless.isEmpty(), qPrintable(QStringLiteral("nameless: ") + nameless.join(QStringLiteral(", "))));
  }

  void noControlIsNamedByItsControlName_data() { AddWindowRows(); }
  void noControlIsNamedByItsControlName() {
    QFETCH(QString, window);
    QSet<QString> controlNames;
    for (const QObject* object : Window(window)->findChildren<QObject*>())
      if (!object->objectName().isEmpty()) controlNames.insert(object->objectName());
    QStringList found;
    CollectNamedByControlName(Accessible(Window(window)), controlNames, found);
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QStringLiteral(", "))));
  }

  // The walks above must really reach the controls: a tree cut short would pass them.
  void theWalkReachesEveryControlOfTheTableAndEveryCell_data() { AddWindowRows(); }
  void theWalkReachesEveryControlOfTheTableAndEveryCell() {
    QFETCH(QString, window);
    QAccessibleInterface* root = Accessible(Window(window));
    for (QAccessible::Role role : {QAccessible::PushButton, QAccessible::EditableText, QAccessible::Table})
      QCOMPARE(CountRole(root, role), int(RowsWithRole(Table(window), role).size()));
    int cells = 0;
    for (const TCharGrid* grid : Window(window)->findChildren<TCharGrid*>()) cells += grid->ColCount();
    QCOMPARE(CountRole(root, QAccessible::Cell), cells);
  }

  // ---- each control by the name a person or a test driver looks for

  void controlsAreNamedByTheirCaptionsOrLabels_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("role");
    for (const WindowTable* table : WindowTables()) {
      for (const ControlRow& row : table->controls)
        QTest::addRow("%s %s", qPrintable(table->tag), qPrintable(row.name))
            << table->tag << row.name << row.text << int(row.role);
    }
  }
  void controlsAreNamedByTheirCaptionsOrLabels() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(int, role);
    QWidget* widget = Window(window)->findChild<QWidget*>(control);
    QVERIFY2(widget != nullptr, qPrintable(control));
    QAccessibleInterface* accessible = Accessible(widget);
    QCOMPARE(accessible->text(QAccessible::Name), name);
    QCOMPARE(int(accessible->role()), role);
  }

  // ---- the status bar reads its message

  void theStatusBarIsDescribedByItsMessage() {
    // The remembered port leads nowhere, so connecting fails.
    Control<QPushButton>(&windows_->Main(), "btConnect")->click();
    QAccessibleInterface* bar = Accessible(Control(&windows_->Main(), "StatusBar1"));
    QCOMPARE(bar->text(QAccessible::Description), kUnavailableStatus);
  }

  // ---- the state window's values

  void theStateWindowsValuesAreReadable() {
    ModuleStatus status;
    status.wiredLine = {"Rendben", kGreen};
    status.in1 = {"Nyitott", kRed};
    status.in2 = {"Z\xE1rt", kBlack};
    status.callState = {"H\xEDv\xE1s", kBlue};
    status.signal = 17;
    windows_->State().ShowStatus(status);

    TStateForm& state = windows_->State();
    for (const auto& [label, text] :
         {std::pair{"lbLineVoltage", QStringLiteral("Rendben")}, std::pair{"lbIN1", QStringLiteral("Nyitott")},
          std::pair{"lbIN2", QStringLiteral("Zárt")}, std::pair{"lbGSMLine", QStringLiteral("Hívás")}}) {
      QAccessibleInterface* accessible = Accessible(Control(&state, label));
      QCOMPARE(accessible->role(), QAccessible::StaticText);
      QCOMPARE(accessible->text(QAccessible::Name), text);
    }

    QAccessibleInterface* bar = Accessible(Control(&state, "pbTerero"));
    QAccessibleValueInterface* value = bar->valueInterface();
    QVERIFY(value != nullptr);
    QCOMPARE(value->currentValue().toInt(), 17);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), TStateForm::kSignalMax);

    QAccessibleInterface* number = Accessible(Control(&state, "lbGSMpowVal"));
    QCOMPARE(number->text(QAccessible::Name), QStringLiteral("17"));
  }

  void theMessageLogIsReadable() {
    windows_->State().AddMessage("GSM modul k\xE9szen");
    windows_->State().AddMessage("Riaszt\xE1s");
    QAccessibleInterface* memo = Accessible(Control(&windows_->State(), "MemoState"));
    QAccessibleTextInterface* text = memo->textInterface();
    QVERIFY(text != nullptr);
    QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("GSM modul készen\nRiasztás"));
    QVERIFY(memo->state().readOnly);
  }

  // ---- acting through the interface does what a click does

  void thePressActionClicksTheButton() {
    windows_->State().AddMessage("egy");
    QAccessibleInterface* clear = Accessible(Control(&windows_->State(), "btClearMsg"));
    QAccessibleActionInterface* actions = clear->actionInterface();
    QVERIFY(actions != nullptr);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    // The press is an animated click, which lands a moment later.
    QTRY_COMPARE(Control<QPlainTextEdit>(&windows_->State(), "MemoState")->toPlainText(), QString());
  }

  void thePortChooserIsLabelledAndItsEntriesNamed() {
    QAccessibleInterface* combo = Accessible(Control(&windows_->Main(), "cbCOM"));
    QCOMPARE(combo->role(), QAccessible::ComboBox);
    QCOMPARE(combo->text(QAccessible::Value), QString::fromLatin1(kListedPort));
    const auto labels = combo->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->object(), Control(&windows_->Main(), "lbSelectSerialPort"));
    QCOMPARE(labels.first().first->text(QAccessible::Name), RowNamed(MainTable(), "lbSelectSerialPort").text);
    QAccessibleInterface* list = combo->child(0);
    QVERIFY(list != nullptr);
    QCOMPARE(list->role(), QAccessible::List);
    QStringList entries;
    for (int i = 0; i < list->childCount(); ++i) entries.append(list->child(i)->text(QAccessible::Name));
    QVERIFY2(entries.contains(QString::fromLatin1(kListedPort)), qPrintable(entries.join(QLatin1Char(','))));
  }
};

QTEST_MAIN(AccessibilityTests)
#include "accessibility_tests.moc"
