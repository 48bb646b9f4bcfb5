#pragma once
// The module state window: the two inputs, the wired line, the GSM call state and
// signal strength, and a log of the module's message lines. It is the status
// display from start-up on, so what arrives while it is hidden is there at the
// next opening; while it is shown it polls the module.

#include <QDialog>
#include <string>

#include "protocol/line_protocol.h"
#include "protocol/port_link.h"
#include "protocol/status_decode.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

class TStateForm : public QDialog, public StatusDisplay {
  Q_OBJECT

 public:
  static constexpr int kSignalMax = 31;

  // pollInterval: ms between two "??"; tests pass a shorter one.
  explicit TStateForm(PortLink& port, QWidget* parent = nullptr,
                      int pollInterval = static_cast<int>(kPollInterval.count()));

  void ShowStatus(const ModuleStatus& status) override;
  void AddMessage(const std::string& text) override;

  bool Polling() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildControls();
  void TimerStateTimer();
  void btClearMsgClick();

  PortLink& port_;
  int messageLines_ = 0;

  QLabel* PanelLineVoltage = nullptr;
  QLabel* lbLineVoltage = nullptr;
  QLabel* PanelIN1 = nullptr;
  QLabel* lbIN1 = nullptr;
  QLabel* PanelIN2 = nullptr;
  QLabel* lbIN2 = nullptr;
  QLabel* PanelGSMLine = nullptr;
  QLabel* lbGSMLine = nullptr;
  QLabel* lbGSMpower = nullptr;
  QLabel* lbGSMpowVal = nullptr;
  QProgressBar* pbTerero = nullptr;
  QLabel* lbStateMessages = nullptr;
  QPlainTextEdit* MemoState = nullptr;
  QPushButton* btClearMsg = nullptr;
  QPushButton* btClose = nullptr;
  QTimer* TimerState = nullptr;
};
