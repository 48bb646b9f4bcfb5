#pragma once
// The parameter transfer window: reads, writes and compares the module's parameter
// memory, loads and saves image files and opens the settings editor. It is the
// transfer view from its creation on, and its Timer1 drives the transfer countdown
// for the whole run.

#include <QColor>
#include <QDialog>
#include <array>

#include "protocol/module_link.h"
#include "protocol/transfer.h"

class QLabel;
class QPushButton;
class QTimer;
class TSettingsForm;

class TFormDownload : public QDialog, public TransferView, public UserNotice {
  Q_OBJECT

 public:
  // Erases the image to 0xFF and starts Timer1; tests pass a shorter tick (ms).
  TFormDownload(PortLink& port, ModuleLink& moduleLink, EventPump& pump, QWidget* parent = nullptr,
                int tickInterval = static_cast<int>(kTickPeriod.count()));

  // btEdit fills this editor from the image and shows it modally.
  void SetSettingsForm(TSettingsForm* settings);

  // The colour an indicator shows now.
  static QColor IndicatorRgb(IndicatorColour colour);
  QColor IndicatorShown(int block) const;

  void SetIndicator(int block, IndicatorColour colour) override;
  void SetAllIndicators(IndicatorColour colour) override;
  void SetControlsEnabled(bool enabled) override;
  // The lamp's tooltip and accessible description say what the compare found.
  void ShowComparison(int block, const BlockComparison& comparison) override;
  void ShowPlainMessage(const std::string& text) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPushButton* AddButton(const char* name, const QString& caption, const QRect& geometry);
  // started gets the focus back when the procedure ends.
  void RunProcedure(TransferProcedure procedure, QPushButton* started);
  void btOpenClick();
  void btSaveClick();
  void btReadClick();
  void btWriteClick();
  void btCompareClick();
  void btEditClick();
  void btCloseClick();
  void Timer1Timer();

  TransferLink link_;
  TSettingsForm* settings_ = nullptr;
  bool procedureRunning_ = false;
  bool closeWhenDone_ = false;
  std::array<QLabel*, kBlockCount> BP{};
  QPushButton* btOpen;
  QPushButton* btSave;
  QPushButton* btRead;
  QPushButton* btWrite;
  QPushButton* btCompare;
  QPushButton* btEdit;
  QPushButton* btClose;
  QTimer* Timer1;
};
