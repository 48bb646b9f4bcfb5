#include "char_grid.h"

#include <QAccessible>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "char_grid_accessible.h"

namespace {

constexpr int kPitch = TCharGrid::kCellWidth + TCharGrid::kLineWidth;
constexpr int kFrameWidth = 2;  // the sunken border of an edit control

// Navigation keys keep their grid meaning even while the editor is open.
bool IsNavigationKey(int key) {
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return true;
    default: return false;
  }
}

// The name assistive tools know the grid by: its own, or else the control name.
QString AccessibleGridName(const TCharGrid& grid) {
  return grid.accessibleName().isEmpty() ? grid.objectName() : grid.accessibleName();
}

// Tells assistive tools about a cell: its text changed, or it became the current one.
void NotifyCell(TCharGrid* grid, int col, QAccessible::Event type) {
  if (!QAccessible::isActive()) return;
  QAccessibleEvent event(grid, type);
  event.setChild(col);
  QAccessible::updateAccessibility(&event);
}

}  // namespace

TCharGrid::TCharGrid(int colCount, QWidget* parent)
    : QFrame(parent), cells_(colCount), colorRoles_(colCount, QPalette::Base), editor_(new QLineEdit(this)) {
  InstallCharGridAccessibility();
  setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  setLineWidth(kFrameWidth);
  setFixedSize(colCount * kPitch + 2 * kFrameWidth, kCellHeight + kLineWidth + 2 * kFrameWidth);
  // The grid takes focus on a click itself, so it knows whether it was focused before.
  setFocusPolicy(Qt::TabFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);

  editor_->setFrame(false);
  editor_->setTextMargins(0, 0, 0, 0);
  editor_->setContentsMargins(0, 0, 0, 0);
  editor_->setAlignment(Qt::AlignCenter);
  editor_->setFocusPolicy(Qt::ClickFocus);  // never a Tab stop of its own
  editor_->setObjectName(QStringLiteral("InplaceEditor"));
  editor_->hide();
  editor_->installEventFilter(this);
  // Text that reaches the editor past the key handling (paste, Delete) goes straight to the cell.
  connect(editor_, &QLineEdit::textEdited, this, [this](const QString& text) { SetCell(col_, text); });
}

void TCharGrid::SetCol(int col) {
  col = std::clamp(col, 0, ColCount() - 1);
  if (col == col_) return;
  ValidateCurrent();
  CloseEditor();
  col_ = col;
  textWhenCurrent_ = cells_[col_];
  editorOpenedOnCurrent_ = false;
  update();
  if (HasFocusInside()) NotifyCell(this, col_, QAccessible::Focus);
}

void TCharGrid::SetCell(int col, const QString& text) {
  if (col < 0 || col >= ColCount()) return;
  cells_[col] = text;
  if (editorOpen_ && col == col_ && editor_->text() != text) editor_->setText(text);
  update(CellRect(col));
  NotifyCell(this, col, QAccessible::NameChanged);
}

void TCharGrid::LoadCells(const QStringList& texts) {
  CloseEditor();
  for (int col = 0; col < ColCount(); ++col) cells_[col] = texts.value(col);
  textWhenCurrent_ = cells_[col_];
  editorOpenedOnCurrent_ = false;
  update();
}

void TCharGrid::SetCellColorRole(int col, QPalette::ColorRole role) {
  if (col < 0 || col >= ColCount()) return;
  colorRoles_[col] = role;
  update(CellRect(col));
}

QColor TCharGrid::CellColor(int col) const { return palette().color(colorRoles_.value(col, QPalette::Base)); }

QRect TCharGrid::CellRect(int col) const {
  const QRect inner = contentsRect();
  return QRect(inner.left() + col * kPitch, inner.top(), kCellWidth, kCellHeight);
}

bool TCharGrid::HasFocusInside() const { return hasFocus() || editor_->hasFocus(); }

void TCharGrid::ShowEditor() {
  QPalette colours = editor_->palette();
  colours.setColor(QPalette::Base, CellColor(col_));
  editor_->setPalette(colours);
  editor_->setGeometry(CellRect(col_));
  editor_->setText(cells_[col_]);
  editor_->end(false);
  // The editor takes the focus, so assistive tools name it as they name the grid.
  editor_->setAccessibleName(AccessibleGridName(*this));
  editorOpen_ = true;
  editorOpenedOnCurrent_ = true;
  editor_->show();
  editor_->setFocus(Qt::OtherFocusReason);
  update();
}

void TCharGrid::CloseEditor() {
  if (!editorOpen_) return;
  editorOpen_ = false;
  // Hand the focus back first, or hiding the editor would pass it to the next control.
  if (editor_->hasFocus()) setFocus(Qt::OtherFocusReason);
  editor_->hide();
  update();
}

void TCharGrid::ValidateCurrent() {
  if (!editorOpenedOnCurrent_ || cells_[col_] == textWhenCurrent_) return;
  QString text = cells_[col_];
  bool valid = true;
  if (OnCellValidate) OnCellValidate(*this, col_, Row(), text, valid);
  if (valid) SetCell(col_, text);
}

void TCharGrid::LostFocus() {
  ValidateCurrent();
  if (editorOpen_) {
    editorOpen_ = false;
    // When the window lost the activation, the grid (not a hidden editor) gets the focus back.
    if (window()->focusWidget() == editor_) setFocus(Qt::OtherFocusReason);
    editor_->hide();
  }
  update();
}

void TCharGrid::RestoreCurrent() {
  SetCell(col_, textWhenCurrent_);
  CloseEditor();
}

void TCharGrid::MoveFocusOut(bool next) {
  // From the grid itself, so the editor (a child) is never the next stop.
  if (editor_->hasFocus()) setFocus(Qt::OtherFocusReason);
  focusNextPrevChild(next);
}

int TCharGrid::ColAt(const QPoint& pos) const {
  return std::clamp((pos.x() - contentsRect().left()) / kPitch, 0, ColCount() - 1);
}

void TCharGrid::TypeKey(QChar key) {
  if (!editorOpen_ && key != kEnter) ShowEditor();
  if (OnKeyPress) OnKeyPress(*this, key);
  if (key.isNull() || !editorOpen_ || key == kEnter) return;
  // Without a handler the editor takes the character as any text field would.
  if (key == kBackspace)
    editor_->backspace();
  else
    editor_->insert(QString(key));
  SetCell(col_, editor_->text());
}

bool TCharGrid::HandleKey(QKeyEvent* event) {
  const int key = event->key();
  if (IsNavigationKey(key)) {
    if (key == Qt::Key_Left) SetCol(col_ - 1);
    if (key == Qt::Key_Right) SetCol(col_ + 1);
    if (key == Qt::Key_Home) SetCol(0);
    if (key == Qt::Key_End) SetCol(ColCount() - 1);
    return true;
  }
  switch (key) {
    case Qt::Key_F2:
      if (!editorOpen_) ShowEditor();
      return true;
    case Qt::Key_Escape: RestoreCurrent(); return true;
    case Qt::Key_Tab: MoveFocusOut(true); return true;
    case Qt::Key_Backtab: MoveFocusOut(false); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // An open editor's text is validated before the key handling sees the Enter.
      if (editorOpen_) ValidateCurrent();
      TypeKey(kEnter);
      return true;
    case Qt::Key_Backspace: TypeKey(kBackspace); return true;
    default: break;
  }
  // Ctrl combinations (paste, select all) are editing commands, not typed characters;
  // Ctrl+Alt is AltGr on some keyboards and types a character.
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool command = (mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier);
  const QString text = event->text();
  if (!command && text.size() == 1 && text[0].isPrint()) {
    TypeKey(text[0]);
    return true;
  }
  return false;
}

void TCharGrid::keyPressEvent(QKeyEvent* event) {
  if (!HandleKey(event)) QFrame::keyPressEvent(event);
}

void TCharGrid::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const bool wasFocused = HasFocusInside();
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  const int col = ColAt(event->position().toPoint());
  if (col != col_)
    SetCol(col);
  else if (wasFocused)
    ShowEditor();
}

void TCharGrid::focusInEvent(QFocusEvent* event) {
  QFrame::focusInEvent(event);
  update();
}

void TCharGrid::focusOutEvent(QFocusEvent* event) {
  QFrame::focusOutEvent(event);
  if (event->reason() == Qt::PopupFocusReason) return;
  if (QApplication::focusWidget() == editor_) return;  // the editor is opening
  LostFocus();
}

bool TCharGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched != editor_) return QFrame::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) return HandleKey(static_cast<QKeyEvent*>(event));
  if (event->type() == QEvent::ShortcutOverride) {
    // Typed characters belong to the grid's key handling, not to window shortcuts.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      event->accept();
      return true;
    }
  }
  if (event->type() == QEvent::FocusOut) {
    auto* focus = static_cast<QFocusEvent*>(event);
    // A context menu (paste) keeps the editor; the grid itself taking focus is a move or a close.
    if (focus->reason() != Qt::PopupFocusReason && QApplication::focusWidget() != this) LostFocus();
  }
  return QFrame::eventFilter(watched, event);
}

void TCharGrid::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QRect inner = contentsRect();
  const QColor lineColour = palette().color(QPalette::Mid);
  for (int col = 0; col < ColCount(); ++col) {
    const QRect cell = CellRect(col);
    painter.fillRect(cell, CellColor(col));
    painter.fillRect(QRect(cell.right() + 1, inner.top(), kLineWidth, kCellHeight + kLineWidth), lineColour);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(cell, Qt::AlignCenter, cells_[col]);
  }
  painter.fillRect(QRect(inner.left(), inner.top() + kCellHeight, ColCount() * kPitch, kLineWidth), lineColour);
  // The current cell is marked only while the grid has the focus, and never highlighted.
  if (hasFocus() && !editorOpen_) {
    QPen dotted(palette().color(QPalette::Text), 1);
    dotted.setDashPattern({1, 1});
    painter.setPen(dotted);
    painter.drawRect(CellRect(col_).adjusted(0, 0, -1, -1));
  }
}
