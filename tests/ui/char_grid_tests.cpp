// The character grids of the settings editor: the key handling of the digit and
// event-code grids, the in-place editor, cell validation, focus marking and colours.

#include <QAccessible>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/window_tables.h"
#include "ui/char_grid.h"
#include "ui/settings_form.h"

namespace {

QStringList Cells(const TCharGrid& grid) {
  QStringList cells;
  for (int col = 0; col < grid.ColCount(); ++col) cells.append(grid.Cell(col));
  return cells;
}

// n cells: the given texts first, the rest empty.
QStringList Expected(int n, const QStringList& first) {
  QStringList cells = first;
  while (cells.size() < n) cells.append(QString());
  return cells;
}

struct ValidateCall {
  int col;
  int row;
  QString text;
};

}  // namespace

class CharGridTests : public WindowTest {
  Q_OBJECT

 private:
  TSettingsForm* form_ = nullptr;
  std::vector<ValidateCall> validations_;

  TCharGrid* Grid(const char* name) { return Control<TCharGrid>(form_, name); }

  // Focuses the grid as Tab would and records its validations.
  TCharGrid* Focus(const char* name) {
    TCharGrid* grid = Grid(name);
    const TCharGrid::CellValidateEvent handler = grid->OnCellValidate;
    grid->OnCellValidate = [this, handler](TCharGrid& g, int col, int row, QString& text, bool& valid) {
      validations_.push_back({col, row, text});
      handler(g, col, row, text, valid);
    };
    grid->setFocus(Qt::TabFocusReason);
    if (!grid->hasFocus()) qWarning("grid did not take the focus");
    return grid;
  }

  void Paste(const QString& text) {
    QApplication::clipboard()->setText(text);
    PressKey(Qt::Key_V, Qt::ControlModifier);
  }

 private slots:
  void init() {
    StartWorld();
    form_ = new TSettingsForm;
    ShowActive(form_);
    validations_.clear();
  }
  void cleanup() {
    delete form_;
    form_ = nullptr;
    EndWorld();
  }

  void digitGridsTakeOnlyDigitsAndBackspaceEmptiesToTheEnd_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("col");
    QTest::newRow("3620 fills cells 0 to 3") << "3620" << QStringList{"3", "6", "2", "0"} << 4;
    QTest::newRow("backspace at 4 empties 3 on") << "3620\b" << QStringList{"3", "6", "2"} << 3;
    QTest::newRow("backspace at 0 empties all") << "36\b\b\b" << QStringList{} << 0;
    QTest::newRow("letter refused") << "3a" << QStringList{"3"} << 1;
    QTest::newRow("star refused") << "*" << QStringList{} << 0;
    QTest::newRow("space refused") << "1 2" << QStringList{"1", "2"} << 2;
    QTest::newRow("enter consumed") << "1\r2" << QStringList{"1", "2"} << 2;
    QTest::newRow("accented letter refused") << QString::fromUtf8("5ő") << QStringList{"5"} << 1;
    QTest::newRow("last cell overwritten")
        << "12345678901234567"
        << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "1", "2", "3", "4", "5", "7"} << 15;
  }
  void digitGridsTakeOnlyDigitsAndBackspaceEmptiesToTheEnd() {
    QFETCH(QString, keys);
    QFETCH(QStringList, cells);
    QFETCH(int, col);
    TCharGrid* grid = Focus("acgUSER1");
    TypeKeys(keys);
    QCOMPARE(Cells(*grid), Expected(16, cells));
    QCOMPARE(grid->Col(), col);
    // Step 4 moves after every key, so the editor never stays open.
    QVERIFY(!grid->EditorMode());
    QVERIFY(grid->hasFocus());
  }

  void thePrefixGridStopsAtItsEighthCell() {
    TCharGrid* grid = Focus("acgNETPREFIX");
    TypeKeys("0612345678");
    QCOMPARE(Cells(*grid), (QStringList{"0", "6", "1", "2", "3", "4", "5", "8"}));
    QCOMPARE(grid->Col(), 7);
  }

  void eventGridsTakeHexDigitsAndStarInUpperCase_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("col");
    QTest::addColumn<bool>("editorOpen");
    QTest::newRow("1*30") << "1*30" << QStringList{"1", "*", "3", "0"} << 3 << true;
    QTest::newRow("lower-case a becomes A") << "a" << QStringList{"A"} << 1 << false;
    QTest::newRow("hex letters") << "bcdf" << QStringList{"B", "C", "D", "F"} << 3 << true;
    QTest::newRow("g refused, editor stays") << "g" << QStringList{} << 0 << true;
    QTest::newRow("refused then digit") << "x2" << QStringList{"2"} << 1 << false;
    QTest::newRow("backspace at 2") << "12\b" << QStringList{"1"} << 1 << false;
    QTest::newRow("backspace at 0 keeps editor") << "\b" << QStringList{} << 0 << true;
    QTest::newRow("enter consumed") << "1\r" << QStringList{"1"} << 1 << false;
    QTest::newRow("last cell overwritten") << "12345" << QStringList{"1", "2", "3", "5"} << 3 << true;
  }
  void eventGridsTakeHexDigitsAndStarInUpperCase() {
    QFETCH(QString, keys);
    QFETCH(QStringList, cells);
    QFETCH(int, col);
    QFETCH(bool, editorOpen);
    TCharGrid* grid = Focus("acgEvent1");
    TypeKeys(keys);
    QCOMPARE(Cells(*grid), Expected(4, cells));
    QCOMPARE(grid->Col(), col);
    QCOMPARE(grid->EditorMode(), editorOpen);
  }

  void aRefusedKeyInAnEventGridOpensTheEditorOnTheCurrentCell() {
    TCharGrid* grid = Focus("acgEvent3");
    TypeKeys("1");
    QVERIFY(!grid->EditorMode());  // moved to column 1: closed again
    TypeKeys("q");
    QVERIFY(grid->EditorMode());
    QCOMPARE(grid->InplaceEditor()->geometry(), grid->CellRect(1));
    QVERIFY(grid->InplaceEditor()->hasFocus());
    QVERIFY(grid->HasFocusInside());
  }

  void arrowsHomeAndEndMoveWithinTheRow_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("col");
    QTest::newRow("right") << 3 << int(Qt::Key_Right) << 4;
    QTest::newRow("left") << 3 << int(Qt::Key_Left) << 2;
    QTest::newRow("left at 0") << 0 << int(Qt::Key_Left) << 0;
    QTest::newRow("right at 15") << 15 << int(Qt::Key_Right) << 15;
    QTest::newRow("home") << 9 << int(Qt::Key_Home) << 0;
    QTest::newRow("end") << 2 << int(Qt::Key_End) << 15;
    QTest::newRow("down: one row only") << 5 << int(Qt::Key_Down) << 5;
  }
  void arrowsHomeAndEndMoveWithinTheRow() {
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, col);
    TCharGrid* grid = Focus("acgUSER2");
    grid->SetCol(start);
    PressKey(Qt::Key(key));
    QCOMPARE(grid->Col(), col);
    QVERIFY(grid->hasFocus());
  }

  void pastedDigitsKeepOnlyTheFirstWhenAnArrowLeavesTheCell() {
    TCharGrid* grid = Focus("acgUSER1");
    PressKey(Qt::Key_F2);
    QVERIFY(grid->EditorMode());
    Paste("12");
    QCOMPARE(grid->Cell(0), QString("12"));  // at once, before any validation
    QVERIFY(validations_.empty());
    PressKey(Qt::Key_Right);
    QCOMPARE(grid->Cell(0), QString("1"));
    QCOMPARE(grid->Col(), 1);
    QVERIFY(!grid->EditorMode());
    QCOMPARE(validations_.size(), std::size_t(1));
    QCOMPARE(validations_[0].col, 0);
    QCOMPARE(validations_[0].row, 0);
    QCOMPARE(validations_[0].text, QString("12"));
  }

  void pastedTextIsCleanedWhenTheCellIsLeft_data() {
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("kept");
    QTest::newRow("digit: first digit") << "acgAUTODIAL"
                                        << "98"
                                        << "9";
    QTest::newRow("digit: letter first") << "acgAUTODIAL"
                                         << "a1"
                                         << "";
    QTest::newRow("digit: space first") << "acgSMSFW1"
                                        << " 1"
                                        << "";
    QTest::newRow("event: lower-case hex") << "acgEvent2"
                                           << "e5"
                                           << "E";
    QTest::newRow("event: star") << "acgEvent2"
                                 << "*1"
                                 << "*";
    QTest::newRow("event: not hex") << "acgEvent2"
                                    << "z"
                                    << "";
  }
  void pastedTextIsCleanedWhenTheCellIsLeft() {
    QFETCH(QString, grid);
    QFETCH(QString, pasted);
    QFETCH(QString, kept);
    TCharGrid* g = Focus(grid.toLatin1().constData());
    PressKey(Qt::Key_F2);
    Paste(pasted);
    PressKey(Qt::Key_End);
    QCOMPARE(g->Cell(0), kept);
  }

  void deleteInTheEditorEmptiesTheCellAtOnce() {
    TCharGrid* grid = Focus("acgUSER1");
    TypeKeys("7");
    PressKey(Qt::Key_Home);
    PressKey(Qt::Key_F2);
    PressKey(Qt::Key_A, Qt::ControlModifier);
    PressKey(Qt::Key_Delete);
    QCOMPARE(grid->Cell(0), QString());
    QVERIFY(grid->EditorMode());
  }

  void escPutsBackWhatTheCellHeldWhenItBecameCurrent() {
    TCharGrid* grid = Focus("acgUSER1");
    TypeKeys("45");
    PressKey(Qt::Key_Home);
    validations_.clear();
    PressKey(Qt::Key_F2);
    Paste("9");
    QCOMPARE(grid->Cell(0), QString("49"));
    PressKey(Qt::Key_Escape);
    QCOMPARE(grid->Cell(0), QString("4"));
    QVERIFY(form_->isVisible());  // Esc belongs to the grid, not to the window
    PressKey(Qt::Key_Right);
    QVERIFY(validations_.empty());  // unchanged since it became current
  }

  void escAfterBackspaceInAnEventGridPutsBackTheCurrentCellOnly() {
    TCharGrid* grid = Focus("acgEvent1");
    TypeKeys("1234\b");  // column 2 becomes current holding 3, then 2 and 3 are emptied
    QCOMPARE(Cells(*grid), (QStringList{"1", "2", "", ""}));
    QCOMPARE(grid->Col(), 2);
    PressKey(Qt::Key_Escape);
    QCOMPARE(Cells(*grid), (QStringList{"1", "2", "3", ""}));
    QVERIFY(!grid->EditorMode());
  }

  void escAfterBackspaceInADigitGridKeepsTheCellsEmptied() {
    TCharGrid* grid = Focus("acgUSER1");
    TypeKeys("123\b");  // step 4 makes the emptied cell current afresh
    PressKey(Qt::Key_Escape);
    QCOMPARE(Cells(*grid), Expected(16, {"1", "2"}));
  }

  void f2OpensTheEditorAndKeepsItOpen() {
    TCharGrid* grid = Focus("acgUSER2");
    QVERIFY(!grid->EditorMode());
    PressKey(Qt::Key_F2);
    QVERIFY(grid->EditorMode());
    PressKey(Qt::Key_F2);
    QVERIFY(grid->EditorMode());
    QTest::qWait(20);
    QVERIFY(grid->EditorMode());
    QCOMPARE(grid->InplaceEditor()->palette().color(QPalette::Base), grid->CellColor(0));
  }

  void aClickOpensTheEditorOnlyOnTheCurrentCellOfAFocusedGrid() {
    TCharGrid* grid = Grid("acgUSER1");
    form_->findChild<QLineEdit*>("edSMS1")->setFocus();
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->CellRect(0).center());
    QVERIFY(grid->hasFocus());
    QVERIFY(!grid->EditorMode());  // the first click only focuses
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->CellRect(0).center());
    QVERIFY(grid->EditorMode());
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->CellRect(5).center());
    QCOMPARE(grid->Col(), 5);
    QVERIFY(!grid->EditorMode());
  }

  void aClickOnAnotherCellValidatesTheCellLeft() {
    TCharGrid* grid = Focus("acgUSER1");
    PressKey(Qt::Key_F2);
    Paste("55");
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->CellRect(9).center());
    QCOMPARE(grid->Col(), 9);
    QCOMPARE(grid->Cell(0), QString("5"));
    QCOMPARE(validations_.size(), std::size_t(1));
  }

  void validationRunsOnlyWhenTheEditorWasOpenAndTheTextChanged() {
    TCharGrid* grid = Focus("acgUSER1");
    PressKey(Qt::Key_Right);  // no editor
    PressKey(Qt::Key_F2);
    PressKey(Qt::Key_Right);  // editor, unchanged
    QVERIFY(validations_.empty());
    TypeKeys("8");  // typed into column 2: validated when step 1 moves on
    QCOMPARE(validations_.size(), std::size_t(1));
    QCOMPARE(validations_[0].col, 2);
    QCOMPARE(validations_[0].text, QString("8"));
    QCOMPARE(grid->Col(), 3);
  }

  void enterInAnOpenEditorValidatesAndDoesNotAcceptTheWindow() {
    TCharGrid* grid = Focus("acgEvent4");
    PressKey(Qt::Key_F2);
    Paste("c7");
    PressKey(Qt::Key_Return);
    QCOMPARE(validations_.size(), std::size_t(1));
    QCOMPARE(grid->Cell(0), QString("C"));
    QCOMPARE(grid->Col(), 0);
    QVERIFY(form_->isVisible());  // Enter does not accept the window
  }

  void losingTheFocusValidatesAndTabMovesOn() {
    TCharGrid* grid = Focus("acgEvent1");
    PressKey(Qt::Key_F2);
    Paste("b9");
    PressKey(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form_->findChild<QLineEdit*>("edSMS1"));
    QCOMPARE(grid->Cell(0), QString("B"));
    QCOMPARE(validations_.size(), std::size_t(1));
    QVERIFY(!grid->EditorMode());
  }

  void anotherWindowTakingTheFocusValidatesAndTheFocusComesBack() {
    TCharGrid* grid = Focus("acgEvent2");
    PressKey(Qt::Key_F2);
    Paste("d0");
    QWidget other;
    ShowActive(&other);
    QCOMPARE(grid->Cell(0), QString("D"));
    QCOMPARE(validations_.size(), std::size_t(1));
    QVERIFY(!grid->EditorMode());
    other.hide();
    ShowActive(form_);
    QCOMPARE(QApplication::focusWidget(), grid);
    TypeKeys("1");  // still the grid's key handling
    QCOMPARE(grid->Cell(0), QString("1"));
  }

  void tabFromAGridGoesToTheNextControl() {
    Focus("acgUSER1");
    PressKey(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), Grid("acgUSER2"));
    PressKey(Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), Grid("acgUSER1"));
  }

  void theDottedFocusRectangleShowsOnlyWhileFocused() {
    TCharGrid* grid = Focus("acgUSER1");
    grid->SetCol(2);
    const QRect cell = grid->CellRect(2);
    const QColor base = grid->CellColor(2);
    QImage focused = grid->grab().toImage();
    form_->findChild<QLineEdit*>("edSMS1")->setFocus();
    QImage unfocused = grid->grab().toImage();
    const qreal ratio = focused.devicePixelRatio();
    auto pixel = [ratio](const QImage& image, int x, int y) {
      return image.pixelColor(int(x * ratio), int(y * ratio));
    };
    int marked = 0;
    for (int x = cell.left(); x <= cell.right(); ++x) {
      if (pixel(focused, x, cell.top()) != base) ++marked;
      QCOMPARE(pixel(unfocused, x, cell.top()), base);
    }
    // Dotted: every other pixel of the top edge.
    QVERIFY(marked >= cell.width() / 2 - 1 && marked <= cell.width() / 2 + 1);
    // No highlight: the inside of the current cell keeps its colour.
    QCOMPARE(pixel(focused, cell.left() + 2, cell.bottom() - 2), base);
  }

  void assistiveToolsReadTheGridAsAOneRowTableOfItsCells() {
    TCharGrid* grid = Focus("acgUSER1");
    TypeKeys("36 2");
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
    QVERIFY(table);
    QCOMPARE(table->role(), QAccessible::Table);
    QCOMPARE(table->text(QAccessible::Name), grid->accessibleName());
    QCOMPARE(table->text(QAccessible::Value), QString("362"));
    QCOMPARE(table->childCount(), 16);
    QAccessibleTableInterface* cells = table->tableInterface();
    QVERIFY(cells);
    QCOMPARE(cells->rowCount(), 1);
    QCOMPARE(cells->columnCount(), 16);
    QAccessibleInterface* cell = cells->cellAt(0, 1);
    QCOMPARE(cell->role(), QAccessible::Cell);
    QCOMPARE(cell->text(QAccessible::Name), QString("6"));
    QCOMPARE(cell->tableCellInterface()->columnIndex(), 1);
    QCOMPARE(table->indexOfChild(cell), 1);
    QCOMPARE(cell->parent(), table);
    QCOMPARE(table->focusChild(), cells->cellAt(0, 3));
    QVERIFY(cells->cellAt(0, 3)->state().focused);
    QVERIFY(!cell->state().focused);
    QCOMPARE(cell->rect().size(), QSize(12, 16));
    QCOMPARE(cell->text(QAccessible::Value), QString("6"));
    QCOMPARE(table->child(1), cell);
    QCOMPARE(cells->cellAt(0, 5)->text(QAccessible::Name), QString::fromUtf8("üres"));
    QCOMPARE(cells->cellAt(0, 5)->text(QAccessible::Value), QString());

    // An event code's unused digit is a space, as an erased image loads: read as empty.
    QAccessibleInterface* code = QAccessible::queryAccessibleInterface(Grid("acgEvent1"));
    Grid("acgEvent1")->LoadCells({" ", "", "*", " "});
    QCOMPARE(code->tableInterface()->columnCount(), 4);
    QCOMPARE(code->text(QAccessible::Value), QString("  *"));
    QCOMPARE(code->child(0)->text(QAccessible::Name), QString::fromUtf8("üres"));
    QCOMPARE(code->child(0)->text(QAccessible::Value), QString(" "));
  }

  // The in-place editor takes the focus from the grid, so it carries the grid's name.
  void theInplaceEditorIsNamedAfterItsGrid() {
    TCharGrid* grid = Focus("acgEvent3");
    PressKey(Qt::Key_F2);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(grid->InplaceEditor()));
    QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(grid->InplaceEditor());
    QCOMPARE(editor->role(), QAccessible::EditableText);
    QCOMPARE(editor->text(QAccessible::Name), RowNamed(SettingsTable(), "acgEvent3").text);
  }

  void theCellsHaveTheirSizeAndTheFirstEventCellItsColour() {
    TCharGrid* phone = Grid("acgUSER1");
    TCharGrid* code = Grid("acgEvent9");
    QCOMPARE(phone->ColCount(), 16);
    QCOMPARE(Grid("acgNETPREFIX")->ColCount(), 8);
    QCOMPARE(code->ColCount(), 4);
    QCOMPARE(phone->RowCount(), 1);
    QCOMPARE(phone->CellRect(3).size(), QSize(12, 16));
    QCOMPARE(phone->CellRect(4).left() - phone->CellRect(3).left(), 13);  // a grid line between
    const QColor window = phone->palette().color(QPalette::Base);
    const QColor tooltip = phone->palette().color(QPalette::ToolTipBase);
    for (int col = 0; col < 16; ++col) QCOMPARE(phone->CellColor(col), window);
    QCOMPARE(code->CellColor(0), tooltip);
    for (int col = 1; col < 4; ++col) QCOMPARE(code->CellColor(col), window);
    const QImage shot = code->grab().toImage();
    const QPoint inside = code->CellRect(0).topLeft() + QPoint(1, 12);
    QCOMPARE(shot.pixelColor(inside * shot.devicePixelRatio()), tooltip);
  }
};

QTEST_MAIN(CharGridTests)
#include "char_grid_tests.moc"
