#include "main_form.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include "accessible_window.h"
#include "com_combo_box.h"
#include "dialog_service.h"
#include "protocol/block_frame.h"
#include "protocol/transfer.h"
#include "qt_event_pump.h"
#include "serial/port_names.h"
#include "text_codec.h"

namespace {

const char kCaption[] = "Harnvik";
const char kSelectSerialPortText[] = "Soros port kiválasztása";
const char kConnectText[] = "Soros kapcsolat létrehozása";
const char kDisconnectText[] = "Soros kapcsolat bontása";
const char kStatusText[] = "Modul állapotának figyelése";
const char kParameterSettingText[] = "Paraméterek beállítása";
const char kCloseText[] = "Kilépés";
const char kConnectedText[] = " Soros kapcsolat rendben.";
const char kPortUnavailableText[] = " Hiba: A COM port nem elérhető!";

// Layout, in pixels of the client area.
constexpr int kMargin = 6;
constexpr int kInner = 8;
constexpr int kFrameWidth = TMainForm::kClientWidth - 2 * kMargin;
constexpr int kControlWidth = kFrameWidth - 2 * kInner;
constexpr int kButtonHeight = 23;
constexpr int kTallButtonHeight = 34;
constexpr int kStatusBarHeight = 20;

QGroupBox* MakeFrame(QWidget* parent, const char* name, const QRect& geometry) {
  auto* frame = new QGroupBox(parent);
  frame->setObjectName(QString::fromLatin1(name));
  frame->setAccessibleName(QString::fromLatin1(name));
  frame->setGeometry(geometry);
  return frame;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent, Qt::Window), comPort1_(sync_) {
  ReportAsWindow("TMainForm");
  InstallQtWake(sync_, this);
  comPort1_.OnRxChar = [this](TCustomComPort&, int count) { ComPort1RxChar(count); };
  handlers_.blockReply = [](const std::string& line) { return DecodeBlockReply(line, ReceivedFrame); };
  InstallStatusDisplay(nullptr);
  BuildControls();
  FormCreate();
}

TMainForm::~TMainForm() {
  advSave_.SetCell(0, 0, comPort1_.Port());
  try {
    advSave_.SaveCellFile(PortChoicePath());
  } catch (const std::exception& error) {
    // The choice is lost for the next start, but closing goes on.
    ShowGeneralError(error, nullptr);
  }
  cbCOM->ComPortDestroyed();
  sync_.SetWake(nullptr);
}

void TMainForm::BuildControls() {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QString::fromUtf8(kCaption));
  // A dialog border: fixed size, a close box, nothing to minimise or maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFont(FormFont());
  setFixedSize(kClientWidth, kClientHeight);
  CentreOnScreen(*this);

  gbSerialPort = MakeFrame(this, "gbSerialPort", QRect(kMargin, 4, kFrameWidth, 106));
  lbSelectSerialPort = new QLabel(QString::fromUtf8(kSelectSerialPortText), gbSerialPort);
  lbSelectSerialPort->setObjectName(QStringLiteral("lbSelectSerialPort"));
  lbSelectSerialPort->setGeometry(kInner, 6, kControlWidth, 16);
  cbCOM = new TComComboBox(gbSerialPort);
  cbCOM->setObjectName(QStringLiteral("cbCOM"));
  cbCOM->setAccessibleName(QStringLiteral("cbCOM"));
  cbCOM->view()->setAccessibleName(QStringLiteral("cbCOM"));
  cbCOM->setAccessibleDescription(QString::fromUtf8(kSelectSerialPortText));
  cbCOM->setGeometry(kInner, 23, kControlWidth, 23);
  lbSelectSerialPort->setBuddy(cbCOM);
  btConnect = MakeButton(gbSerialPort, "btConnect", QString::fromUtf8(kConnectText),
                         QRect(kInner, 51, kControlWidth, kButtonHeight), ButtonWeight::Bold);
  btDisconnect = MakeButton(gbSerialPort, "btDisconnect", QString::fromUtf8(kDisconnectText),
                            QRect(kInner, 77, kControlWidth, kButtonHeight), ButtonWeight::Bold);

  gbModule = MakeFrame(this, "gbModule", QRect(kMargin, 114, kFrameWidth, 82));
  btStatus = MakeButton(gbModule, "btStatus", QString::fromUtf8(kStatusText),
                        QRect(kInner, 6, kControlWidth, kTallButtonHeight), ButtonWeight::Bold);
  btParameterSetting = MakeButton(gbModule, "btParameterSetting", QString::fromUtf8(kParameterSettingText),
                                  QRect(kInner, 42, kControlWidth, kTallButtonHeight), ButtonWeight::Bold);

  constexpr int kCloseWidth = 80;
  btClose =
      MakeButton(this, "btClose", QString::fromUtf8(kCloseText),
                 QRect(kClientWidth - kMargin - kCloseWidth, 201, kCloseWidth, kButtonHeight), ButtonWeight::Bold);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setAccessibleName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
  // One text across the whole width; a permanent label, so no tooltip can wipe it.
  statusText_ = new QLabel(StatusBar1);
  statusText_->setObjectName(QStringLiteral("StatusBar1Text"));
  statusText_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StatusBar1->addWidget(statusText_, 1);

  // The chooser fills itself once and shows the port's setting; only the user's
  // choices reach the port.
  cbCOM->SetComProperty(cpPort);
  cbCOM->SetComPort(&comPort1_);
  cbCOM->SetAutoApply(true);
  ShowConnectedState(false);

  connect(btConnect, &QPushButton::clicked, this, &TMainForm::btConnectClick);
  connect(btDisconnect, &QPushButton::clicked, this, &TMainForm::btDisconnectClick);
  connect(btStatus, &QPushButton::clicked, this, &TMainForm::btStatusClick);
  connect(btParameterSetting, &QPushButton::clicked, this, &TMainForm::btParameterSettingClick);
  connect(btClose, &QPushButton::clicked, this, &QWidget::close);
  connect(cbCOM, &TComComboBox::PortApplied, this, &TMainForm::cbCOMPortApplied);
}

void TMainForm::FormCreate() {
  try {
    advSave_.LoadCellFile(PortChoiceLoadPath());
    // Even an empty cell is handed over; the port makes "COM1" of it.
    comPort1_.SetPort(advSave_.Cell(0, 0));
    cbCOM->ShowPortSetting();
  } catch (const std::exception&) {
    // No remembered port: show the first one; the port keeps "COM1".
    cbCOM->SelectFirstEntry();
  }
}

void TMainForm::InstallStatusDisplay(StatusDisplay* display) {
  handlers_.statusLine = [display](const std::string& line) { HandleStatusLine(line, display); };
  handlers_.messageLine = [display](const std::string& line) { HandleMessageLine(line, display); };
}

QString TMainForm::StatusText() const { return statusText_->text(); }

void TMainForm::SetStatusText(const QString& text) {
  statusText_->setText(text);
  StatusBar1->setAccessibleDescription(text);
}

void TMainForm::ShowConnectedState(bool connected) {
  btConnect->setEnabled(!connected);
  btDisconnect->setEnabled(connected);
  btStatus->setEnabled(connected);
  btParameterSetting->setEnabled(connected);
}

void TMainForm::btConnectClick() {
  try {
    comPort1_.SetConnected(true);
  } catch (const std::exception&) {
    // The status bar tells; no message box.
  }
  if (comPort1_.Connected()) {
    ShowConnectedState(true);
    SetStatusText(QString::fromUtf8(kConnectedText));
  } else {
    SetStatusText(QString::fromUtf8(kPortUnavailableText));
    ShowConnectedState(false);
  }
}

void TMainForm::btDisconnectClick() {
  SetStatusText(FromCp1250(kNoConnectionText));
  try {
    comPort1_.SetConnected(false);
  } catch (const std::exception& error) {
    // The port stays open, so the buttons stay as they are.
    ShowGeneralError(error, this);
    return;
  }
  ShowConnectedState(false);
}

void TMainForm::btStatusClick() {
  if (stateForm_ != nullptr) stateForm_->exec();
}

void TMainForm::btParameterSettingClick() {
  if (downloadForm_ != nullptr) downloadForm_->exec();
}

void TMainForm::cbCOMPortApplied() {
  // A failed reopening leaves the port closed; the buttons must not go on
  // offering a connection that is gone.
  if (btDisconnect->isEnabled() && !comPort1_.Connected()) {
    ShowConnectedState(false);
    SetStatusText(QString::fromUtf8(kPortUnavailableText));
  }
}

void TMainForm::ComPort1RxChar(int count) { ReceiveBytes(comPort1_, count, reply_, handlers_); }

void TMainForm::closeEvent(QCloseEvent* event) {
  emit Closing();
  event->accept();
}
