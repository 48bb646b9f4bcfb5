#include "state_form.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>

#include "dialog_service.h"
#include "form_style.h"
#include "protocol/line_protocol.h"
#include "signal_bar.h"
#include "text_codec.h"

namespace {

const QString kCaption = QStringLiteral("A modul állapota");
const QString kStateMessagesText = QStringLiteral("A modul állapot üzenetei:");
const QString kClearMsgText = QStringLiteral("Üzenetablak törlése");
const QString kCloseText = QStringLiteral("Ablak bezárása");
const QString kInitialValue = QStringLiteral(".");
const QString kInitialSignal = QStringLiteral("0");

// Layout, in pixels of the client area.
constexpr QSize kClientSize(295, 343);
constexpr int kMargin = 8;
constexpr int kGap = 6;
constexpr int kRowWidth = kClientSize.width() - 2 * kMargin;
constexpr int kHeaderHeight = 22;
constexpr int kValueHeight = 22;
constexpr int kLineVoltageWidth = 115;
constexpr int kInputWidth = (kRowWidth - kLineVoltageWidth - 2 * kGap) / 2;

// The panels are captioned with the core's names for the items, as the command-line tool prints them.
QLabel* MakeHeader(QWidget* parent, const char* name, const char* caption, const QRect& geometry) {
  auto* panel = new QLabel(FromCp1250(caption), parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setAlignment(Qt::AlignCenter);
  panel->setFont(FormFont(true));
  panel->setAutoFillBackground(true);
  panel->setGeometry(geometry);
  return panel;
}

QLabel* MakeValue(QWidget* parent, const char* name, const QRect& geometry) {
  auto* label = new QLabel(kInitialValue, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignCenter);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setGeometry(geometry);
  return label;
}

void ShowItem(QLabel* label, const StatusItem& item) {
  label->setText(FromCp1250(item.text));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(item.colour.r, item.colour.g, item.colour.b));
  label->setPalette(palette);
}

}  // namespace

TStateForm::TStateForm(PortLink& port, QWidget* parent, int pollInterval) : QDialog(parent), port_(port) {
  BuildControls();
  TimerState->setInterval(pollInterval);
}

void TStateForm::BuildControls() {
  setObjectName(QStringLiteral("StateForm"));
  setWindowTitle(kCaption);
  // Only the close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFont(FormFont());
  setFixedSize(kClientSize);
  CentreOnScreenWhenShown(*this);

  int x = kMargin;
  int y = kMargin;
  PanelLineVoltage =
      MakeHeader(this, "PanelLineVoltage", kWiredLineLabel, QRect(x, y, kLineVoltageWidth, kHeaderHeight));
  lbLineVoltage = MakeValue(this, "lbLineVoltage", QRect(x, y + kHeaderHeight, kLineVoltageWidth, kValueHeight));
  x += kLineVoltageWidth + kGap;
  PanelIN1 = MakeHeader(this, "PanelIN1", kIn1Label, QRect(x, y, kInputWidth, kHeaderHeight));
  lbIN1 = MakeValue(this, "lbIN1", QRect(x, y + kHeaderHeight, kInputWidth, kValueHeight));
  x += kInputWidth + kGap;
  PanelIN2 = MakeHeader(this, "PanelIN2", kIn2Label, QRect(x, y, kRowWidth + kMargin - x, kHeaderHeight));
  lbIN2 = MakeValue(this, "lbIN2", QRect(x, y + kHeaderHeight, kRowWidth + kMargin - x, kValueHeight));

  y += kHeaderHeight + kValueHeight + 10;
  PanelGSMLine = MakeHeader(this, "PanelGSMLine", kCallStateLabel, QRect(kMargin, y, kRowWidth, kHeaderHeight));
  lbGSMLine = MakeValue(this, "lbGSMLine", QRect(kMargin, y + kHeaderHeight, kRowWidth, kValueHeight));

  y += kHeaderHeight + kValueHeight + 12;
  lbGSMpower = new QLabel(FromCp1250(kSignalLabel), this);
  lbGSMpower->setObjectName(QStringLiteral("lbGSMpower"));
  lbGSMpower->setGeometry(kMargin, y, 112, 18);
  lbGSMpowVal = new QLabel(kInitialSignal, this);
  lbGSMpowVal->setObjectName(QStringLiteral("lbGSMpowVal"));
  lbGSMpowVal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lbGSMpowVal->setGeometry(kMargin + 112, y, 28, 18);
  pbTerero = new TSignalBar(this);
  pbTerero->setObjectName(QStringLiteral("pbTerero"));
  // Named by the label before it, as the message log is.
  lbGSMpower->setBuddy(pbTerero);
  pbTerero->setRange(0, kSignalMax);
  pbTerero->setValue(0);
  pbTerero->setTextVisible(false);
  pbTerero->setGeometry(kMargin + 148, y + 1, kRowWidth - 148, 16);

  y += 18 + 10;
  lbStateMessages = new QLabel(kStateMessagesText, this);
  lbStateMessages->setObjectName(QStringLiteral("lbStateMessages"));
  lbStateMessages->setGeometry(kMargin, y, kRowWidth, 16);
  y += 18;
  constexpr int kButtonHeight = 25;
  const int memoHeight = kClientSize.height() - kMargin - kButtonHeight - kGap - y;
  MemoState = new QPlainTextEdit(this);
  MemoState->setObjectName(QStringLiteral("MemoState"));
  MemoState->setReadOnly(true);
  MemoState->setGeometry(kMargin, y, kRowWidth, memoHeight);
  lbStateMessages->setBuddy(MemoState);

  y = kClientSize.height() - kMargin - kButtonHeight;
  const int halfWidth = (kRowWidth - kGap) / 2;
  btClearMsg =
      MakeButton(this, "btClearMsg", kClearMsgText, QRect(kMargin, y, halfWidth, kButtonHeight), ButtonWeight::Bold);
  btClose =
      MakeButton(this, "btClose", kCloseText,
                 QRect(kMargin + halfWidth + kGap, y, kRowWidth - halfWidth - kGap, kButtonHeight), ButtonWeight::Bold);

  TimerState = new QTimer(this);
  TimerState->setObjectName(QStringLiteral("TimerState"));

  connect(TimerState, &QTimer::timeout, this, &TStateForm::TimerStateTimer);
  connect(btClearMsg, &QPushButton::clicked, this, &TStateForm::btClearMsgClick);
  connect(btClose, &QPushButton::clicked, this, &QDialog::close);
}

void TStateForm::ShowStatus(const ModuleStatus& status) {
  ShowItem(lbLineVoltage, status.wiredLine);
  ShowItem(lbIN1, status.in1);
  ShowItem(lbIN2, status.in2);
  ShowItem(lbGSMLine, status.callState);
  pbTerero->setValue(std::clamp(status.signal, 0, kSignalMax));
  lbGSMpowVal->setText(QString::number(status.signal));
}

void TStateForm::AddMessage(const std::string& text) {
  // Every message is a line of its own, an empty one included.
  QTextCursor cursor(MemoState->document());
  cursor.movePosition(QTextCursor::End);
  if (messageLines_ > 0) cursor.insertBlock();
  cursor.insertText(FromCp1250(text));
  ++messageLines_;
  MemoState->setTextCursor(cursor);
  MemoState->ensureCursorVisible();
}

void TStateForm::btClearMsgClick() {
  MemoState->clear();
  messageLines_ = 0;
}

bool TStateForm::Polling() const { return TimerState->isActive(); }

void TStateForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  TimerState->start();
}

void TStateForm::hideEvent(QHideEvent* event) {
  TimerState->stop();
  QDialog::hideEvent(event);
}

void TStateForm::TimerStateTimer() {
  try {
    SendCommand(port_, kPollCommand);
  } catch (const std::exception& error) {
    // One box, not one per tick: the poll rests until the window is opened again.
    TimerState->stop();
    ShowGeneralError(error, this);
  }
}
