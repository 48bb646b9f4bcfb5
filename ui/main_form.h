#pragma once
// The main window: choose the serial port, connect and disconnect, open the module
// state window and the parameter transfer window, quit. It owns the serial port
// object, the link's receive path (protocol/module_link.h) and the hidden port
// choice table.

#include <QFont>
#include <QWidget>

#include "form_style.h"
#include "protocol/module_link.h"
#include "serial/cell_file.h"
#include "serial/linked_port.h"

class QDialog;
class QGroupBox;
class QLabel;
class QPushButton;
class QRect;
class QStatusBar;
class TComComboBox;

class TMainForm : public QWidget {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* parent = nullptr);
  // Stores the chosen port in the port choice file; an open port is closed.
  ~TMainForm() override;

  TComPort& ComPort1() { return line_.port; }
  // What the port's notifications feed and the transfer procedures read.
  ModuleLink& Link() { return line_.link; }

  // The windows that btStatus and btParameterSetting show modally.
  void SetStateForm(QDialog* form) { stateForm_ = form; }
  void SetDownloadForm(QDialog* form) { downloadForm_ = form; }

  QString StatusText() const;

 signals:
  // The window is being closed: the program ends.
  void Closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void FormCreate();
  void btConnectClick();
  void btDisconnectClick();
  void btStatusClick();
  void btParameterSettingClick();
  void cbCOMPortApplied();
  void ComPort1LineLost();
  void ShowConnectedState(bool connected);
  void SetStatusText(const QString& text);

  // The port, its hand-off and the module link it feeds (ComPort1RxChar).
  LinkedPort line_;
  CellTable advSave_;

  QGroupBox* gbSerialPort = nullptr;
  QLabel* lbSelectSerialPort = nullptr;
  TComComboBox* cbCOM = nullptr;
  QPushButton* btConnect = nullptr;
  QPushButton* btDisconnect = nullptr;
  QGroupBox* gbModule = nullptr;
  QPushButton* btStatus = nullptr;
  QPushButton* btParameterSetting = nullptr;
  QPushButton* btClose = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QLabel* statusText_ = nullptr;

  QDialog* stateForm_ = nullptr;
  QDialog* downloadForm_ = nullptr;
};
