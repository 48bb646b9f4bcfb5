#pragma once
// The parameter transfer window: reads, writes and compares the module's parameter
// memory, loads and saves image files and opens the settings editor. Its Timer1
// drives the transfer countdown for the whole run.

#include <QDialog>

#include "protocol/transfer.h"

class QTimer;
class TSettingsForm;

class TFormDownload : public QDialog, public TransferView, public UserNotice {
  Q_OBJECT

 public:
  static constexpr int kTimer1Interval = 100;  // ms, one countdown tick

  // Erases the image to 0xFF and starts Timer1; tests pass a shorter tick.
  TFormDownload(PortLink& port, ReplyState& reply, EventPump& pump, QWidget* parent = nullptr,
                int tickInterval = kTimer1Interval);

  // btEdit fills this editor from the image and shows it modally.
  void SetSettingsForm(TSettingsForm* settings);

  void SetIndicator(int block, IndicatorColour colour) override;
  void SetAllIndicators(IndicatorColour colour) override;
  void SetControlsEnabled(bool enabled) override;
  void ShowPlainMessage(const std::string& text) override;

 private:
  TransferLink link_;
  TSettingsForm* settings_ = nullptr;
  QTimer* Timer1 = nullptr;
};
