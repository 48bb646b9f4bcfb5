#include "download_form.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "dialog_service.h"
#include "form_style.h"
#include "params/image_file.h"
#include "params/parameter_image.h"
#include "settings_form.h"
#include "text_codec.h"

namespace {

const QString kCaption = QStringLiteral("Paraméterek beállítása");
const QString kBlockCaption = QStringLiteral("Blokk %1");
const QString kOpenCaption = QStringLiteral("Beolvasás fájlból");
const QString kSaveCaption = QStringLiteral("Mentés fájlba");
const QString kReadCaption = QStringLiteral("<-- Adatok beolvasása a modulból");
const QString kWriteCaption = QStringLiteral("--> Adatok áttöltése a modulba");
const QString kCompareCaption = QStringLiteral("<--> Adatok összehasonlítása");
const QString kEditCaption = QStringLiteral("Adatok szerkesztése");
const QString kCloseCaption = QStringLiteral("Ablak bezárása");

// The image file dialogs; their titles are the captions of the buttons that open them.
const QString kImageFilter = QStringLiteral("Harnvik Data (*.HVK)");
const QString kImageInitialName = QStringLiteral("*.HVK");
const QString kImageSuffix = QStringLiteral("HVK");

const QColor kButtonTextColour(128, 128, 128);

// What a lamp says after a compare.
const QString kBlockEqualText = QStringLiteral("Egyezik");
const QString kNoValidReplyText = QStringLiteral("Nincs érvényes válasz");

constexpr QSize kClientSize(276, 276);
constexpr int kMargin = 8;
constexpr int kInnerWidth = kClientSize.width() - 2 * kMargin;
constexpr int kGap = 4;
constexpr int kPanelHeight = 33;
constexpr int kButtonHeight = 26;
constexpr int kRowPitch = kButtonHeight + 7;
constexpr int kHalfWidth = (kInnerWidth - kGap) / 2;

// A name typed without an extension gets the image files' own.
QString WithImageSuffix(const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
  return path + QLatin1Char('.') + kImageSuffix;
}

}  // namespace

TFormDownload::TFormDownload(PortLink& port, ModuleLink& moduleLink, EventPump& pump, QWidget* parent, int tickInterval)
    : QDialog(parent), link_(moduleLink.Transfer(port, pump, this, this)) {
  ParameterImage.fill(kErasedByte);

  setObjectName(QStringLiteral("FormDownload"));
  setWindowTitle(kCaption);
  setFont(FormFont());
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientSize);
  CentreOnScreenWhenShown(*this);

  const int panelWidth = (kInnerWidth - 3 * kGap) / 4;
  for (std::size_t b = 0; b < kBlockCount; ++b) {
    auto* panel = new QLabel(kBlockCaption.arg(b + 1), this);
    panel->setObjectName(QStringLiteral("BP%1").arg(b + 1));
    panel->setAccessibleName(panel->text());
    panel->setAlignment(Qt::AlignCenter);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    panel->setGeometry(kMargin + static_cast<int>(b) * (panelWidth + kGap), kMargin, panelWidth, kPanelHeight);
    BP[b] = panel;
  }
  SetAllIndicators(IndicatorColour::Silver);

  int top = kMargin + kPanelHeight + 8;
  btOpen = AddButton("btOpen", kOpenCaption, QRect(kMargin, top, kHalfWidth, kButtonHeight));
  btSave = AddButton("btSave", kSaveCaption,
                     QRect(kClientSize.width() - kMargin - kHalfWidth, top, kHalfWidth, kButtonHeight));
  top += kRowPitch;
  btRead = AddButton("btRead", kReadCaption, QRect(kMargin, top, kInnerWidth, kButtonHeight));
  top += kRowPitch;
  btWrite = AddButton("btWrite", kWriteCaption, QRect(kMargin, top, kInnerWidth, kButtonHeight));
  top += kRowPitch;
  btCompare = AddButton("btCompare", kCompareCaption, QRect(kMargin, top, kInnerWidth, kButtonHeight));
  top += kRowPitch;
  btEdit = AddButton("btEdit", kEditCaption, QRect(kMargin, top, kInnerWidth, 2 * kButtonHeight));
  btClose = AddButton("btClose", kCloseCaption,
                      QRect(kClientSize.width() - kMargin - kHalfWidth, kClientSize.height() - kMargin - kButtonHeight,
                            kHalfWidth, kButtonHeight));

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(tickInterval);

  connect(btOpen, &QPushButton::clicked, this, &TFormDownload::btOpenClick);
  connect(btSave, &QPushButton::clicked, this, &TFormDownload::btSaveClick);
  connect(btRead, &QPushButton::clicked, this, &TFormDownload::btReadClick);
  connect(btWrite, &QPushButton::clicked, this, &TFormDownload::btWriteClick);
  connect(btCompare, &QPushButton::clicked, this, &TFormDownload::btCompareClick);
  connect(btEdit, &QPushButton::clicked, this, &TFormDownload::btEditClick);
  connect(btClose, &QPushButton::clicked, this, &TFormDownload::btCloseClick);
  connect(Timer1, &QTimer::timeout, this, &TFormDownload::Timer1Timer);

  Timer1->start();
}

QPushButton* TFormDownload::AddButton(const char* name, const QString& caption, const QRect& geometry) {
  QPushButton* button = MakeButton(this, name, caption, geometry, ButtonWeight::Bold);
  QPalette colours = button->palette();
  // Grey captions while enabled; disabled buttons keep the system's disabled look.
  colours.setColor(QPalette::Active, QPalette::ButtonText, kButtonTextColour);
  colours.setColor(QPalette::Inactive, QPalette::ButtonText, kButtonTextColour);
  button->setPalette(colours);
  return button;
}

void TFormDownload::SetSettingsForm(TSettingsForm* settings) { settings_ = settings; }

QColor TFormDownload::IndicatorRgb(IndicatorColour colour) {
  switch (colour) {
    case IndicatorColour::White: return QColor(255, 255, 255);
    case IndicatorColour::Yellow: return QColor(255, 255, 0);
    case IndicatorColour::Silver: return QColor(192, 192, 192);
    case IndicatorColour::Green: return QColor(0, 128, 0);
    case IndicatorColour::Red: return QColor(255, 0, 0);
  }
  return QColor(192, 192, 192);
}

QColor TFormDownload::IndicatorShown(int block) const {
  if (block < 0 || block >= static_cast<int>(kBlockCount)) return QColor();
  return BP[static_cast<std::size_t>(block)]->palette().color(QPalette::Window);
}

void TFormDownload::SetIndicator(int block, IndicatorColour colour) {
  if (block < 0 || block >= static_cast<int>(kBlockCount)) return;
  QLabel* panel = BP[static_cast<std::size_t>(block)];
  QPalette colours = panel->palette();
  colours.setColor(QPalette::Window, IndicatorRgb(colour));
  colours.setColor(QPalette::WindowText, Qt::black);
  panel->setPalette(colours);
  // A new colour makes an earlier compare's report stale.
  panel->setToolTip(QString());
  panel->setAccessibleDescription(QString());
}

void TFormDownload::ShowComparison(int block, const BlockComparison& comparison) {
  if (block < 0 || block >= static_cast<int>(kBlockCount)) return;
  QString report;
  switch (comparison.outcome) {
    case BlockComparison::Outcome::Equal: report = kBlockEqualText; break;
    case BlockComparison::Outcome::NoValidReply: report = kNoValidReplyText; break;
    case BlockComparison::Outcome::Differs:
      for (const std::string& line : ReportLines(comparison.difference)) {
        if (!report.isEmpty()) report += QLatin1Char('\n');
        report += QString::fromStdString(line);
      }
      break;
  }
  QLabel* panel = BP[static_cast<std::size_t>(block)];
  panel->setToolTip(report);
  panel->setAccessibleDescription(report);
}

void TFormDownload::SetAllIndicators(IndicatorColour colour) {
  for (int b = 0; b < static_cast<int>(kBlockCount); ++b) SetIndicator(b, colour);
}

void TFormDownload::SetControlsEnabled(bool enabled) {
  for (QPushButton* button : {btOpen, btSave, btRead, btWrite, btCompare, btEdit, btClose}) button->setEnabled(enabled);
}

void TFormDownload::ShowPlainMessage(const std::string& text) { ::ShowPlainMessage(FromCp1250(text), this); }

void TFormDownload::Timer1Timer() { TickCountdown(); }

void TFormDownload::RunProcedure(TransferProcedure procedure, QPushButton* started) {
  procedureRunning_ = true;
  // The lamps are the window's report; the procedure's answer is for the command line.
  Guarded(this, [&] { procedure(link_); });
  procedureRunning_ = false;
  // Disabling the buttons took the focus away; the keyboard goes on where it was.
  if (started->isEnabled()) started->setFocus(Qt::OtherFocusReason);
  // A close asked for while the procedure ran takes effect now.
  if (closeWhenDone_) {
    closeWhenDone_ = false;
    reject();
  }
}

void TFormDownload::btOpenClick() {
  SetAllIndicators(IndicatorColour::Silver);
  const QString path =
      WithImageSuffix(DialogService::Current().GetOpenFileName(this, kOpenCaption, kImageInitialName, kImageFilter));
  if (path.isEmpty()) return;
  Guarded(this, [&] {
    LoadImageFile(ParameterImage, QFile::encodeName(path).toStdString());
    SetAllIndicators(IndicatorColour::Green);
  });
}

void TFormDownload::btSaveClick() {
  const QString path = WithImageSuffix(
      DialogService::Current().GetSaveFileName(this, kSaveCaption, kImageInitialName, kImageFilter, kImageSuffix));
  if (path.isEmpty()) return;
  Guarded(this, [&] { SaveImageFile(ParameterImage, QFile::encodeName(path).toStdString()); });
}

void TFormDownload::btReadClick() { RunProcedure(ReadModule, btRead); }

void TFormDownload::btWriteClick() { RunProcedure(WriteModule, btWrite); }

void TFormDownload::btCompareClick() { RunProcedure(CompareModule, btCompare); }

void TFormDownload::btEditClick() {
  if (!settings_) return;
  settings_->SetValues(LoadAll(ParameterImage));
  settings_->exec();
  btEdit->setFocus(Qt::OtherFocusReason);
}

void TFormDownload::btCloseClick() { reject(); }

void TFormDownload::closeEvent(QCloseEvent* event) {
  if (procedureRunning_) {
    closeWhenDone_ = true;
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TFormDownload::keyPressEvent(QKeyEvent* event) {
  // Esc closes the idle window; while a procedure runs it does nothing, since a close waiting
  // for the end would hide the lamps, the only sign of how it went. A dialog's own Esc would
  // hide the window at once.
  if (event->matches(QKeySequence::Cancel)) {
    if (!procedureRunning_) close();
    return;
  }
  QDialog::keyPressEvent(event);
}
