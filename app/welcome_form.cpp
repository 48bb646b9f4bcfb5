#include "welcome_form.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include "app/version.h"
#include "ui/accessible_window.h"
#include "ui/form_style.h"
#include "ui/main_form.h"

namespace {

// Assistive tools name the splash, which shows no caption, by the program's name.
const QString kCaption = QStringLiteral("Kelvaro");
const QString kSplashPicture = QStringLiteral(":/splash.bmp");
// The words on the picture, read out in its place.
const QString kSplashPictureText = QStringLiteral("Harnvik GSM vonali adapter telepítő és szervizprogram");
constexpr QSize kClientSize(496, 309);
constexpr int kBorderWidth = 2;
const QColor kBorderColour(128, 128, 128);
// lbVersion: right edge 6 pixels in from the right, top 292 pixels down.
constexpr int kVersionRightGap = 6;
constexpr int kVersionTop = 292;
constexpr int kVersionWidth = 120;
constexpr int kVersionHeight = kClientSize.height() - kVersionTop - kBorderWidth;

}  // namespace

TWelcomeForm::TWelcomeForm(int handOverInterval)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  ReportAsWindow("TWelcomeForm");
  setObjectName(QStringLiteral("WelcomeForm"));
  setWindowTitle(kCaption);
  setFixedSize(kClientSize);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBorderColour);
  setPalette(palette);
  setAutoFillBackground(true);

  // The grey border shows around the picture, which fills the rest.
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setAccessibleName(kSplashPictureText);
  Image1->setPixmap(QPixmap(kSplashPicture));
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setGeometry(kBorderWidth, kBorderWidth, kClientSize.width() - 2 * kBorderWidth,
                      kClientSize.height() - 2 * kBorderWidth);

  lbVersion = new QLabel(this);
  lbVersion->setObjectName(QStringLiteral("lbVersion"));
  lbVersion->setFont(FormFont(true));
  lbVersion->setAlignment(Qt::AlignRight | Qt::AlignTop);
  lbVersion->setGeometry(kClientSize.width() - kVersionRightGap - kVersionWidth, kVersionTop, kVersionWidth,
                         kVersionHeight);
  // Transparent over the picture, in the window-text colour.
  lbVersion->setAutoFillBackground(false);
  QPalette textPalette = lbVersion->palette();
  textPalette.setColor(QPalette::WindowText, QGuiApplication::palette().color(QPalette::WindowText));
  lbVersion->setPalette(textPalette);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setTimerType(Qt::PreciseTimer);
  Timer1->setInterval(handOverInterval);
  connect(Timer1, &QTimer::timeout, this, &TWelcomeForm::Timer1Timer);

  CentreOnScreen(*this);
  lbVersion->setText(QLatin1String(kVersionText));
  show();
}

TWelcomeForm::~TWelcomeForm() = default;

void TWelcomeForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!mainForm_) FormShow();
}

void TWelcomeForm::FormShow() {
  mainForm_ = std::make_unique<TMainForm>();
  // Closing the main window hides the splash first, also during the first 2 s.
  connect(mainForm_.get(), &TMainForm::Closing, this, &QWidget::hide);
  Timer1->start();
}

void TWelcomeForm::Timer1Timer() {
  Timer1->stop();
  hide();
  mainForm_->setWindowTitle(mainForm_->windowTitle() + QStringLiteral("  ") + QLatin1String(kVersionText));
  mainForm_->show();
  mainForm_->raise();
  mainForm_->activateWindow();
}
