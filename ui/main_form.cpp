#include "main_form.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include "accessible_window.h"
#include "com_combo_box.h"
#include "dialog_service.h"
#include "protocol/transfer.h"
#include "qt_event_pump.h"
#include "serial/port_names.h"
#include "text_codec.h"

namespace {

const QString kCaption = QStringLiteral("Harnvik");
const QString kSelectSerialPortText = QStringLiteral("Soros port kiválasztása");
const QString kConnectText = QStringLiteral("Soros kapcsolat létrehozása");
const QString kDisconnectText = QStringLiteral("Soros kapcsolat bontása");
const QString kStatusText = QStringLiteral("Modul állapotának figyelése");
const QString kParameterSettingText = QStringLiteral("Paraméterek beállítása");
const QString kCloseText = QStringLiteral("Kilépés");
const QString kConnectedText = QStringLiteral(" Soros kapcsolat rendben.");
const QString kPortUnavailableText = QStringLiteral(" Hiba: A COM port nem elérhető!");
// What assistive tools call the two framed areas and the status bar, which show no caption.
const QString kSerialPortFrameName = QStringLiteral("Soros kapcsolat");
const QString kModuleFrameName = QStringLiteral("Modul");
const QString kStatusBarName = QStringLiteral("Állapotsor");

// Layout, in pixels of the client area.
constexpr QSize kClientSize(227, 248);
constexpr int kMargin = 6;
constexpr int kInner = 8;
constexpr int kFrameWidth = kClientSize.width() - 2 * kMargin;
constexpr int kControlWidth = kFrameWidth - 2 * kInner;
constexpr int kButtonHeight = 23;
constexpr int kTallButtonHeight = 34;
constexpr int kStatusBarHeight = 20;
// QStatusBar keeps its items this far from its left edge; the right edge gets the same.
constexpr int kStatusTextInset = 2;

QGroupBox* MakeFrame(QWidget* parent, const char* name, const QString& accessibleName, const QRect& geometry) {
  auto* frame = new QGroupBox(parent);
  frame->setObjectName(QString::fromLatin1(name));
  frame->setAccessibleName(accessibleName);
  frame->setGeometry(geometry);
  return frame;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  ReportAsWindow("TMainForm");
  InstallQtWake(line_.sync, this);
  line_.port.OnLineLost = [this](TCustomComPort&) { ComPort1LineLost(); };
  // While a network port connects the window repaints, and the user's clicks and keys
  // (closing the window among them) wait until the connection is made or refused.
  line_.port.OnConnecting = [](TCustomComPort&) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  BuildControls();
  FormCreate();
}

TMainForm::~TMainForm() {
  advSave_.SetCell(0, 0, line_.port.Port());
  try {
    advSave_.SaveCellFile(PortChoicePath());
  } catch (const std::exception& error) {
    // The choice is lost for the next start, but closing goes on.
    ShowGeneralError(error, nullptr);
  }
  cbCOM->ComPortDestroyed();
  line_.sync.SetWake(nullptr);
}

void TMainForm::BuildControls() {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(kCaption);
  // A dialog border: fixed size, a close box, nothing to minimise or maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFont(FormFont());
  setFixedSize(kClientSize);
  CentreOnScreen(*this);

  gbSerialPort = MakeFrame(this, "gbSerialPort", kSerialPortFrameName, QRect(kMargin, 4, kFrameWidth, 106));
  lbSelectSerialPort = new QLabel(kSelectSerialPortText, gbSerialPort);
  lbSelectSerialPort->setObjectName(QStringLiteral("lbSelectSerialPort"));
  lbSelectSerialPort->setGeometry(kInner, 6, kControlWidth, 16);
  cbCOM = new TComComboBox(gbSerialPort);
  cbCOM->setObjectName(QStringLiteral("cbCOM"));
  // The label names the chooser through its buddy (on Linux the chooser reads its
  // current port and is labelled by it); its drop-down list has no label of its own.
  cbCOM->view()->setAccessibleName(kSelectSerialPortText);
  cbCOM->setAccessibleDescription(kSelectSerialPortText);
  cbCOM->setGeometry(kInner, 23, kControlWidth, 23);
  lbSelectSerialPort->setBuddy(cbCOM);
  btConnect = MakeButton(gbSerialPort, "btConnect", kConnectText, QRect(kInner, 51, kControlWidth, kButtonHeight),
                         ButtonWeight::Bold);
  btDisconnect = MakeButton(gbSerialPort, "btDisconnect", kDisconnectText,
                            QRect(kInner, 77, kControlWidth, kButtonHeight), ButtonWeight::Bold);

  gbModule = MakeFrame(this, "gbModule", kModuleFrameName, QRect(kMargin, 114, kFrameWidth, 82));
  btStatus = MakeButton(gbModule, "btStatus", kStatusText, QRect(kInner, 6, kControlWidth, kTallButtonHeight),
                        ButtonWeight::Bold);
  btParameterSetting = MakeButton(gbModule, "btParameterSetting", kParameterSettingText,
                                  QRect(kInner, 42, kControlWidth, kTallButtonHeight), ButtonWeight::Bold);

  constexpr int kCloseWidth = 80;
  btClose = MakeButton(this, "btClose", kCloseText,
                       QRect(kClientSize.width() - kMargin - kCloseWidth, 201, kCloseWidth, kButtonHeight),
                       ButtonWeight::Bold);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setAccessibleName(kStatusBarName);
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setGeometry(0, kClientSize.height() - kStatusBarHeight, kClientSize.width(), kStatusBarHeight);
  // One text across the whole width; a permanent label, so no tooltip can wipe it.
  statusText_ = new QLabel(StatusBar1);
  statusText_->setObjectName(QStringLiteral("StatusBar1Text"));
  // A styled panel shows on all four sides; a sunken one's light right and bottom edges
  // vanished against the window, and the text's frame looked cut off at the window's edge.
  statusText_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  StatusBar1->setContentsMargins(0, 0, kStatusTextInset, 0);
  StatusBar1->addWidget(statusText_, 1);

  // The chooser fills itself once and shows the port's setting; only the user's
  // choices reach the port.
  cbCOM->SetComProperty(cpPort);
  cbCOM->SetComPort(&line_.port);
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
    line_.port.SetPort(advSave_.Cell(0, 0));
    cbCOM->ShowPortSetting();
  } catch (const std::exception&) {
    // No remembered port: show the first one; the port keeps "COM1".
    cbCOM->SelectFirstEntry();
  }
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
    line_.port.SetConnected(true);
  } catch (const std::exception&) {
    // The status bar tells; no message box.
  }
  if (line_.port.Connected()) {
    ShowConnectedState(true);
    SetStatusText(kConnectedText);
    // Disabling btConnect passed the focus on down the row; the next step is watching the module.
    btStatus->setFocus(Qt::OtherFocusReason);
  } else {
    SetStatusText(kPortUnavailableText);
    ShowConnectedState(false);
  }
}

void TMainForm::btDisconnectClick() {
  SetStatusText(FromCp1250(kNoConnectionText));
  try {
    line_.port.SetConnected(false);
  } catch (const std::exception& error) {
    // The port stays open, so the buttons stay as they are.
    ShowGeneralError(error, this);
    return;
  }
  ShowConnectedState(false);
  btConnect->setFocus(Qt::OtherFocusReason);
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
  if (btDisconnect->isEnabled() && !line_.port.Connected()) {
    ShowConnectedState(false);
    SetStatusText(kPortUnavailableText);
    btConnect->setFocus(Qt::OtherFocusReason);
  }
}

// An unplugged adapter: the connection is gone, so the window closes the port as
// "Soros kapcsolat bontása" would. That lets go of the device at once, and the
// adapter plugged in again comes back under its old name.
void TMainForm::ComPort1LineLost() { btDisconnectClick(); }

void TMainForm::closeEvent(QCloseEvent* event) {
  emit Closing();
  event->accept();
}
