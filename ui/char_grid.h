#pragma once
// A one-row grid of single-character cells, as the settings editor uses for phone
// numbers, the prefix and event codes. Typed characters go to OnKeyPress, which sets
// the cells and moves the current column itself; OnCellValidate cleans up the cell
// being left once its in-place editor has been opened.

#include <QChar>
#include <QFrame>
#include <QPalette>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

class QLineEdit;

class TCharGrid : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kCellWidth = 12;
  static constexpr int kCellHeight = 16;
  static constexpr int kLineWidth = 1;  // grid line right of and below every cell
  static constexpr QChar kBackspace = QChar(0x08);
  static constexpr QChar kEnter = QChar(0x0D);

  // A typed character (Backspace as kBackspace, Enter as kEnter); the handler sets
  // key to QChar() once it has dealt with it.
  using KeyPressEvent = std::function<void(TCharGrid& grid, QChar& key)>;
  // The cell's text by reference; valid stays true to accept the text as left.
  using CellValidateEvent = std::function<void(TCharGrid& grid, int col, int row, QString& text, bool& valid)>;

  explicit TCharGrid(int colCount, QWidget* parent = nullptr);

  int ColCount() const { return static_cast<int>(cells_.size()); }
  int RowCount() const { return 1; }
  int Col() const { return col_; }
  int Row() const { return 0; }
  // Moving the current cell validates the cell being left and closes the editor.
  void SetCol(int col);

  QString Cell(int col) const { return cells_.value(col); }
  void SetCell(int col, const QString& text);
  // Fills every cell afresh: the editor closes and the current cell starts clean.
  void LoadCells(const QStringList& texts);
  // Cells follow the system colours: the window background unless set otherwise.
  void SetCellColorRole(int col, QPalette::ColorRole role);
  QColor CellColor(int col) const;
  QRect CellRect(int col) const;

  bool EditorMode() const { return editorOpen_; }
  void ShowEditor();
  QLineEdit* InplaceEditor() const { return editor_; }
  // The grid or its in-place editor holds the keyboard focus.
  bool HasFocusInside() const;

  KeyPressEvent OnKeyPress;
  CellValidateEvent OnCellValidate;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool HandleKey(QKeyEvent* event);
  void TypeKey(QChar key);
  void ValidateCurrent();
  void CloseEditor();
  void LostFocus();
  void RestoreCurrent();
  void MoveFocusOut(bool next);
  int ColAt(const QPoint& pos) const;

  QVector<QString> cells_;
  QVector<QPalette::ColorRole> colorRoles_;
  int col_ = 0;
  QString textWhenCurrent_;  // for Esc and for the validation's "changed" test
  bool editorOpenedOnCurrent_ = false;
  bool editorOpen_ = false;
  QLineEdit* editor_;
};
