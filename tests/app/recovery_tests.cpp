// Unplugging, contention and bad places, with the whole program's windows on the
// offscreen platform: the simulated module hangs up in the middle of a read and of
// a write; another program holds the port; the port choice folder and an image
// folder cannot be written. Each time the program must say so once, keep working,
// and lose nothing.

#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "params/image_file.h"
#include "params/parameter_image.h"
#include "serial/port_names.h"
#include "sim/simulated_module.h"
#include "tests/support/file_bytes.h"
#include "tests/support/ordinary_user.h"
#include "tests/support/port_choice_file.h"
#include "tests/support/recording_view.h"
#include "tests/support/test_images.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/window_tables.h"
#include "ui/download_form.h"
#include "ui/main_form.h"

namespace fs = std::filesystem;

namespace {

constexpr char kModulePort[] = "COM5";
// 5 ms ticks: a silent block costs 250 ms instead of 5 s.
constexpr int kFastTick = 5;
constexpr int kFastHandOver = 30;
constexpr int kFastPoll = 10;
constexpr uid_t kNobody = 65534;

StartupIntervals Fast() {
  StartupIntervals intervals;
  intervals.handOver = kFastHandOver;
  intervals.tick = kFastTick;
  intervals.poll = kFastPoll;
  return intervals;
}

ImageBytes Pattern(int seed) { return SteppedImage(13, seed); }

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// What the four lamps show, as letters: W Y S G R, ? for anything else.
QString Lamps(const TFormDownload& form) {
  QString lamps;
  for (int b = 0; b < 4; ++b) {
    char letter = '?';
    for (IndicatorColour colour : {IndicatorColour::White, IndicatorColour::Yellow, IndicatorColour::Silver,
                                   IndicatorColour::Green, IndicatorColour::Red}) {
      if (form.IndicatorShown(b) == TFormDownload::IndicatorRgb(colour)) letter = IndicatorLetter(colour);
    }
    lamps += QLatin1Char(letter);
  }
  return lamps;
}

bool AllButtonsEnabled(QWidget* form) {
  for (const ControlRow& row : RowsWithRole(TransferTable(), QAccessible::PushButton)) {
    if (!Control<QPushButton>(form, row.name)->isEnabled()) return false;
  }
  return true;
}

void Click(QWidget* window, const char* button) {
  QTest::mouseClick(Control<QPushButton>(window, button), Qt::LeftButton);
}

}  // namespace

class RecoveryTests : public WindowTest {
  Q_OBJECT

 private:
  std::unique_ptr<SimulatedModule> module_;
  std::unique_ptr<KelvaroWindows> windows_;

  SimulatedModule& Module() { return *module_; }
  TMainForm& Main() { return windows_->Main(); }
  TFormDownload& Download() { return windows_->Download(); }
  fs::path KelvaroFolder() { return fs::path(Ports().ConfigDir()) / "Kelvaro"; }

  void StartProgram() {
    WriteChoiceFile(PortChoiceFile(kModulePort));
    windows_ = std::make_unique<KelvaroWindows>(Fast());
    windows_->ShowMainWindow();
  }

  // Presses a button of the transfer window, opened modally from the main window
  // as the user does, and notes what it shows when the button's work is done.
  struct Outcome {
    QString lamps;
    bool usable = false;
    int newMessages = 0;
  };
  Outcome PressInTransferWindow(const char* button) {
    Outcome outcome;
    const int before = static_cast<int>(Dialogs().Texts().size());
    bool ran = false;
    WhenModal([&](QWidget* modal) {
      Click(modal, button);
      outcome.lamps = Lamps(Download());
      outcome.usable = AllButtonsEnabled(modal);
      ran = true;
      Click(modal, "btClose");
    });
    Click(&Main(), "btParameterSetting");
    outcome.newMessages = static_cast<int>(Dialogs().Texts().size()) - before;
    qInfo("%s: lamps %s, %d new message box(es)", button, qPrintable(outcome.lamps), outcome.newMessages);
    if (!ran) outcome.lamps = QStringLiteral("transfer window did not open");
    return outcome;
  }

  void Reconnect() {
    if (Main().ComPort1().Connected()) Click(&Main(), "btDisconnect");
    QVERIFY(!Main().ComPort1().Connected());
    Module().SetFaults({});
    Module().Replug();
    Click(&Main(), "btConnect");
    QVERIFY(Main().ComPort1().Connected());
    QCOMPARE(Main().StatusText(), kConnectedStatus);
  }

 private slots:
  void init() {
    StartWorld();
    module_ = std::make_unique<SimulatedModule>(kModulePort, KelvaroFolder().string());
    ParameterImage.fill(kErasedByte);
  }
  void cleanup() {
    windows_.reset();
    module_.reset();
    EndWorld();
  }

  // --- unplugging ---

  // Unplugged during a procedure: the procedure ends with its buttons back, the main
  // window shows the connection gone and lets go of the device, and the adapter
  // plugged in again under the same name connects without a restart.
  void aHangUpDuringAProcedureDisconnectsAndAReplugWorksWithoutARestart_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("read") << "btRead";
    QTest::newRow("write") << "btWrite";
  }
  void aHangUpDuringAProcedureDisconnectsAndAReplugWorksWithoutARestart() {
    QFETCH(QString, button);
    Module().Start();
    StartProgram();
    Click(&Main(), "btConnect");
    const ImageBytes memoryBefore = Module().Memory();
    ParameterImage = Pattern(9);
    Module().SetFaults({.hangupAfter = 2});

    const Outcome cut = PressInTransferWindow(button.toLatin1().constData());
    QVERIFY(cut.usable);
    // The notice that the connection is gone, or the error of a request that met the dead line first.
    QCOMPARE(cut.newMessages, 1);
    QVERIFY(!Main().ComPort1().Connected());
    QCOMPARE(Main().StatusText(), kNoConnectionStatus);
    QVERIFY(Control<QPushButton>(&Main(), "btConnect")->isEnabled());
    QVERIFY(!Control<QPushButton>(&Main(), "btParameterSetting")->isEnabled());
    // "WRACT" never went: the blocks a write got through are not in use.
    QCOMPARE(Module().Memory(), memoryBefore);
    QCOMPARE(ParameterImage, Pattern(9));

    Reconnect();
    QCOMPARE(PressInTransferWindow(button.toLatin1().constData()).lamps, QStringLiteral("GGGG"));
    QCOMPARE(ParameterImage, Module().Memory());
  }

  void aModuleGoneQuietLeavesTheStateWindowAndTheTransferWindowUsable() {
    Module().Start();
    StartProgram();
    Click(&Main(), "btConnect");
    Module().SetFaults({.silent = true});
    const Outcome quiet = PressInTransferWindow("btCompare");
    QCOMPARE(quiet.lamps, QStringLiteral("RYYY"));
    QCOMPARE(quiet.newMessages, 0);
    QVERIFY(quiet.usable);
    Module().SetFaults({});
    QCOMPARE(PressInTransferWindow("btRead").lamps, QStringLiteral("GGGG"));
  }

  void aHangUpWhileTheStateWindowPollsGivesNoBoxAndAReconnectShowsTheModuleAgain() {
    Module().Start();
    StartProgram();
    Click(&Main(), "btConnect");
    Module().SetFaults({.hangupAfter = 3});
    QLabel* line = Control<QLabel>(&windows_->State(), "lbLineVoltage");
    WhenModal([&](QWidget* modal) {
      // Thirty polls' time on the dead line while the window stays open.
      if (QTest::qWaitFor([&] { return Module().HungUp(); }, 5000)) QTest::qWait(30 * kFastPoll);
      modal->close();
    });
    Click(&Main(), "btStatus");
    QVERIFY(Module().HungUp());
    QVERIFY2(Dialogs().Texts().isEmpty(), qPrintable(Dialogs().Texts().join(QLatin1Char('|'))));
    QVERIFY(!Main().ComPort1().Connected());

    Reconnect();
    line->setText(QStringLiteral("."));
    bool shown = false;
    WhenModal([&](QWidget* modal) {
      shown = QTest::qWaitFor([&] { return line->text() != QStringLiteral("."); }, 5000);
      modal->close();
    });
    Click(&Main(), "btStatus");
    QVERIFY(shown);
  }

  // --- contention and bad places ---

  void aPortHeldByAnotherProgramIsReportedInTheStatusBar() {
    Module().Start();
    StartProgram();
    // One process that opens the port, locks it and keeps it: killing it frees the port.
    QProcess holder;
    holder.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"), QStringLiteral("exec 3<\"$0\"; flock -x 3; echo held; exec sleep 60"),
                  QString::fromStdString(Module().DevicePath())});
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readAllStandardOutput(), QByteArray("held\n"));

    Click(&Main(), "btConnect");
    QVERIFY(!Main().ComPort1().Connected());
    QCOMPARE(Main().StatusText(), kUnavailableStatus);
    QVERIFY(Control<QPushButton>(&Main(), "btConnect")->isEnabled());
    QVERIFY(!Control<QPushButton>(&Main(), "btParameterSetting")->isEnabled());
    QVERIFY(Dialogs().Texts().isEmpty());

    holder.kill();
    QVERIFY(holder.waitForFinished(5000));
    Click(&Main(), "btConnect");
    QVERIFY(Main().ComPort1().Connected());
    QCOMPARE(Main().StatusText(), kConnectedStatus);
    QCOMPARE(PressInTransferWindow("btRead").lamps, QStringLiteral("GGGG"));
  }

  void aPortChoiceFolderThatCannotBeWrittenGivesOneBoxAtExitAndKeepsTheOldFile() {
    StartProgram();
    const std::string previous = ReadChoiceFile();
    Main().ComPort1().SetPort("COM7");  // a choice that would change the file
    ::chmod(Ports().ConfigDir().c_str(), 0755);
    // Only the folder refuses: the file itself could be written (a read-only file is
    // refused as "File access denied").
    ::chmod(PortChoicePath().c_str(), 0666);
    ::chmod(KelvaroFolder().c_str(), 0555);
    {
      AsOrdinaryUser user;
      windows_.reset();  // the end of the run stores the choice
    }
    ::chmod(KelvaroFolder().c_str(), 0755);

    QCOMPARE(Dialogs().Texts().size(), 1);
    QCOMPARE(Dialogs().Icons().front(), DialogService::Icon::Error);
    QCOMPARE(Dialogs().Texts().front(), QString::fromStdString("Cannot Create " + PortChoicePath() + "."));
    QCOMPARE(ReadChoiceFile(), previous);
    QCOMPARE(FolderNames(KelvaroFolder()), (std::vector<std::string>{"VORMAK_setup.ini", "ports"}));
  }

  void anImageSaveIntoAReadOnlyFolderGivesTheBoxAndKeepsImageAndOldFile() {
    StartProgram();
    const fs::path folder = fs::path(Ports().ConfigDir()) / "images";
    fs::create_directories(folder);
    const ImageBytes old = Pattern(1);
    SaveImageFile(old, (folder / "old.HVK").string());
    ::chmod(Ports().ConfigDir().c_str(), 0755);
    ::chmod(folder.c_str(), 0555);
    ParameterImage = Pattern(3);
    Download().show();

    Dialogs().answers = {QString::fromStdString((folder / "new.HVK").string()),
                         QString::fromStdString((folder / "old.HVK").string())};
    {
      AsOrdinaryUser user;
      Click(&Download(), "btSave");
      Click(&Download(), "btSave");
    }
    ::chmod(folder.c_str(), 0755);

    QCOMPARE(Dialogs().Texts(), QStringList({"File access denied.", "File access denied."}));
    QCOMPARE(Dialogs().Icons(),
             (std::vector<DialogService::Icon>{DialogService::Icon::Error, DialogService::Icon::Error}));
    QCOMPARE(ParameterImage, Pattern(3));
    QCOMPARE(FolderNames(folder), std::vector<std::string>{"old.HVK"});
    QCOMPARE(FileBytes(folder / "old.HVK"), std::string(old.begin(), old.end()));
    QVERIFY(AllButtonsEnabled(&Download()));
    Download().hide();
  }
};

QTEST_MAIN(RecoveryTests)
#include "recovery_tests.moc"
