#include "char_grid_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include "char_grid.h"

namespace {

const QString kEmptyCellName = QStringLiteral("üres");

// One character of the row.
class CharGridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  CharGridCellAccessible(TCharGrid* grid, int col) : grid_(grid), col_(col) {}

  bool isValid() const override { return grid_ && col_ < grid_->ColCount(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(grid_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  // A cell reads its character; an empty or blank one (an event code's unused digit
  // is a space) is read as empty, in words.
  QString text(QAccessible::Text t) const override {
    if (!grid_) return {};
    const QString cell = grid_->Cell(col_);
    if (t == QAccessible::Value) return cell;
    if (t != QAccessible::Name) return {};
    return cell.trimmed().isEmpty() ? kEmptyCellName : cell;
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!grid_) return {};
    const QRect cell = grid_->CellRect(col_);
    return QRect(grid_->mapToGlobal(cell.topLeft()), cell.size());
  }
  QAccessible::Role role() const override { return QAccessible::Cell; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.focusable = true;
    state.editable = true;
    state.focused = grid_ && grid_->Col() == col_ && grid_->HasFocusInside();
    return state;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
  }

  bool isSelected() const override { return false; }
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return col_; }
  int rowIndex() const override { return 0; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

 private:
  QPointer<TCharGrid> grid_;
  int col_;
};

// The row, as a table of one row.
class CharGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit CharGridAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Table) {}
  ~CharGridAccessible() override {
    for (QAccessible::Id id : cellIds_) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return Grid()->ColCount(); }
  QAccessibleInterface* child(int index) const override { return Cell(index); }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int col = 0; col < childCount(); ++col)
      if (Cell(col) == child) return col;
    return -1;
  }
  QAccessibleInterface* focusChild() const override { return Grid()->HasFocusInside() ? Cell(Grid()->Col()) : nullptr; }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Value) return QAccessibleWidget::text(t);
    QString row;
    for (int col = 0; col < Grid()->ColCount(); ++col) {
      const QString cell = Grid()->Cell(col);
      row += cell.isEmpty() ? QStringLiteral(" ") : cell;
    }
    while (row.endsWith(QLatin1Char(' '))) row.chop(1);
    return row;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override { return row == 0 ? Cell(column) : nullptr; }
  int selectedCellCount() const override { return 0; }
  QList<QAccessibleInterface*> selectedCells() const override { return {}; }
  QString columnDescription(int) const override { return {}; }
  QString rowDescription(int) const override { return {}; }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return 0; }
  int columnCount() const override { return Grid()->ColCount(); }
  int rowCount() const override { return Grid()->RowCount(); }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override { return {}; }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int) const override { return false; }
  bool selectRow(int) override { return false; }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override {}

 private:
  TCharGrid* Grid() const { return static_cast<TCharGrid*>(widget()); }
  QAccessibleInterface* Cell(int col) const {
    if (col < 0 || col >= Grid()->ColCount()) return nullptr;
    if (cellIds_.isEmpty()) {
      for (int c = 0; c < Grid()->ColCount(); ++c)
        cellIds_.append(QAccessible::registerAccessibleInterface(new CharGridCellAccessible(Grid(), c)));
    }
    return QAccessible::accessibleInterface(cellIds_[col]);
  }

  mutable QVector<QAccessible::Id> cellIds_;
};

QAccessibleInterface* CharGridAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TCharGrid") && object && object->isWidgetType())
    return new CharGridAccessible(static_cast<QWidget*>(object));
  return nullptr;
}

}  // namespace

void InstallCharGridAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(CharGridAccessibleFactory);
    return true;
  }();
  Q_UNUSED(installed);
}
