// Start-up: the splash over the main window, the hand-over, the five windows and
// the end of the run.

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "app/startup.h"
#include "app/welcome_form.h"
#include "params/parameter_image.h"
#include "tests/support/port_choice_file.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/window_tables.h"
#include "ui/main_form.h"

namespace {

constexpr int kFastHandOver = 30;

StartupIntervals Fast() {
  StartupIntervals intervals;
  intervals.handOver = kFastHandOver;
  return intervals;
}

}  // namespace

class StartupTests : public WindowTest {
  Q_OBJECT

 private slots:
  void theSplashLooksAsDescribed() {
    TWelcomeForm splash(kFastHandOver);
    QVERIFY(splash.isVisible());
    CompareWithTable(&splash, SplashTable());
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    QLabel* version = Control<QLabel>(&splash, "lbVersion");
    QVERIFY(version->font().bold());
    QCOMPARE(version->font().pointSize(), 8);
    QCOMPARE(version->geometry().right() + 1, 496 - 6);
    QCOMPARE(version->y(), 292);
    QVERIFY(version->alignment() & Qt::AlignRight);
    QVERIFY(!version->autoFillBackground());

    const QImage picture = QImage(QStringLiteral(":/splash.bmp"));
    QCOMPARE(picture.size(), SplashTable().size);
    QCOMPARE(picture.depth(), 32);  // 24-bit on disk, loaded as RGB32
    QFile bmp(QStringLiteral(":/splash.bmp"));
    QVERIFY(bmp.open(QIODevice::ReadOnly));
    const QByteArray header = bmp.read(30);
    QCOMPARE(header.left(2), QByteArray("BM"));
    QCOMPARE(static_cast<int>(static_cast<unsigned char>(header[28])), 24);

    // The grey border round the picture.
    const QImage shot = splash.grab().toImage();
    for (QPoint p : {QPoint(0, 0), QPoint(1, 150), QPoint(495, 308), QPoint(250, 307)}) {
      QCOMPARE(shot.pixelColor(p), QColor(128, 128, 128));
    }
    QVERIFY(shot.pixelColor(2, 2) != QColor(128, 128, 128));
    SaveShot(&splash, "splash");
  }

  void theSplashCreatesTheMainWindowAndHandsOver() {
    TWelcomeForm splash(kFastHandOver);
    TMainForm& main = splash.MainForm();
    main.show();
    QCOMPARE(main.windowTitle(), MainTable().caption);
    QVERIFY(splash.isVisible());
    QVERIFY(QTest::qWaitFor([&] { return !splash.isVisible(); }, 2000));
    QCOMPARE(main.windowTitle(), MainCaptionAfterSplash());
    QVERIFY(main.isVisible());
    // Once only.
    QTest::qWait(3 * kFastHandOver);
    QCOMPARE(main.windowTitle(), MainCaptionAfterSplash());
  }

  void theHandOverTakesTwoSecondsInRealTime() {
    QElapsedTimer clock;
    clock.start();
    TWelcomeForm splash;
    TMainForm& main = splash.MainForm();
    main.show();
    QTest::qWait(1500);
    QVERIFY(splash.isVisible());
    QCOMPARE(main.windowTitle(), MainTable().caption);
    QVERIFY(QTest::qWaitFor([&] { return !splash.isVisible(); }, 2000));
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 1950 && took < 3000, QByteArray::number(took));
    QCOMPARE(main.windowTitle(), MainCaptionAfterSplash());
  }

  void closingTheMainWindowDuringTheSplashHidesTheSplash() {
    TWelcomeForm splash;
    TMainForm& main = splash.MainForm();
    main.show();
    QSignalSpy closing(&main, &TMainForm::Closing);
    QTest::mouseClick(Control<QPushButton>(&main, "btClose"), Qt::LeftButton);
    QCOMPARE(closing.count(), 1);
    QVERIFY(!splash.isVisible());
    QVERIFY(!main.isVisible());
  }

  void allFiveWindowsAreCreatedAndOnlyTheSplashIsShown() {
    std::fill(ParameterImage.begin(), ParameterImage.end(), 0);
    KelvaroWindows windows(Fast());
    QVERIFY(windows.Welcome().isVisible());
    QVERIFY(!windows.Main().isVisible());
    QVERIFY(!windows.State().isVisible());
    QVERIFY(!windows.Download().isVisible());
    QVERIFY(!windows.Settings().isVisible());
    // The transfer window's creation erased the image.
    QVERIFY(std::all_of(ParameterImage.begin(), ParameterImage.end(), [](std::uint8_t b) { return b == 0xFF; }));
    windows.ShowMainWindow();
    QVERIFY(windows.Main().isVisible());
    QVERIFY(windows.Welcome().isVisible());
    QVERIFY(QTest::qWaitFor([&] { return !windows.Welcome().isVisible(); }, 2000));
    QCOMPARE(windows.Main().windowTitle(), MainCaptionAfterSplash());
  }

  void theMainWindowsButtonsOpenTheStateAndTransferWindows() {
    Ports().Pty("COM5");
    WriteChoiceFile(PortChoiceFile("COM5"));
    KelvaroWindows windows(Fast());
    windows.ShowMainWindow();
    QTest::mouseClick(Control<QPushButton>(&windows.Main(), "btConnect"), Qt::LeftButton);
    QVERIFY(windows.Main().ComPort1().Connected());
    const std::pair<const char*, QWidget*> rows[] = {{"btStatus", &windows.State()},
                                                     {"btParameterSetting", &windows.Download()}};
    for (auto [button, window] : rows) {
      QWidget* shown = nullptr;
      WhenModal([&](QWidget* modal) {
        shown = modal;
        modal->close();
      });
      QTest::mouseClick(Control<QPushButton>(&windows.Main(), button), Qt::LeftButton);
      QCOMPARE(shown, window);
    }
  }

  void statusLinesReachTheStateWindowFromStartUpOn() {
    PtyPair& pty = Ports().Pty("COM5");
    WriteChoiceFile(PortChoiceFile("COM5"));
    KelvaroWindows windows(Fast());
    QTest::mouseClick(Control<QPushButton>(&windows.Main(), "btConnect"), Qt::LeftButton);
    pty.Send("[0010,O,9]\r");
    QVERIFY(QTest::qWaitFor(
        [&] { return Control<QLabel>(&windows.State(), "lbLineVoltage")->text() == QStringLiteral("Vonal rendben"); },
        3000));
  }

  void theEndOfTheRunSavesThePortAndClosesIt() {
    PtyPair& pty = Ports().Pty("COM5");
    WriteChoiceFile(PortChoiceFile("COM5"));
    {
      KelvaroWindows windows(Fast());
      QTest::mouseClick(Control<QPushButton>(&windows.Main(), "btConnect"), Qt::LeftButton);
      QVERIFY(windows.Main().ComPort1().Connected());
      // Lines still arriving while the windows go away must not reach a window that is gone.
      pty.Send("[0010,O,9]\r<bye>\r");
    }
    QCOMPARE(ReadChoiceFile(), PortChoiceFile("COM5"));
    QVERIFY(Dialogs().messages.empty());
  }
};

QTEST_MAIN(StartupTests)
#include "startup_tests.moc"
