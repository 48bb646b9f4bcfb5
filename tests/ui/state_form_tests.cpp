// The module state window: decoded status lines and messages as they arrive over
// the wire, and the "??" poll that runs only while the window is shown.

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QtTest>
#include <memory>

#include "sim/simulated_module.h"
#include "tests/support/port_choice_file.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/window_tables.h"
#include "ui/main_form.h"
#include "ui/state_form.h"
#include "ui/text_codec.h"

namespace {

constexpr int kFastPoll = 20;
const std::string kPoll = "??\r";

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

// A main window and a state window installed as its status display, taken apart in
// the program's order: the display uninstalled first.
struct StateWindows {
  explicit StateWindows(int pollInterval) : state(main.ComPort1(), nullptr, pollInterval) {
    main.Link().InstallStatusDisplay(&state);
  }
  ~StateWindows() { main.Link().InstallStatusDisplay(nullptr); }

  TMainForm main;
  TStateForm state;
};

}  // namespace

class StateFormTests : public WindowTest {
  Q_OBJECT

 private:
  std::unique_ptr<StateWindows> windows_;
  PtyPair* pty_ = nullptr;

  TMainForm& Main() { return windows_->main; }
  TStateForm& State() { return windows_->state; }

  // The windows on port, chosen in the choice file, and connected unless told not to.
  void Open(const std::string& port, int pollInterval, bool connect) {
    WriteChoiceFile(PortChoiceFile(port));
    windows_ = std::make_unique<StateWindows>(pollInterval);
    if (connect) QTest::mouseClick(Control<QPushButton>(&Main(), "btConnect"), Qt::LeftButton);
  }
  // The windows on a pty on COM5.
  void Start(int pollInterval = kFastPoll, bool connect = true) {
    pty_ = &Ports().Pty("COM5");
    Open("COM5", pollInterval, connect);
  }
  QLabel* Label(const char* name) { return Control<QLabel>(&State(), name); }
  QString Log() { return Control<QPlainTextEdit>(&State(), "MemoState")->toPlainText(); }
  QProgressBar* Bar() { return Control<QProgressBar>(&State(), "pbTerero"); }
  // Sends lines from the module's side, then waits until the window has taken them:
  // a marker message line follows them, and the log is cleared of it afterwards.
  void Deliver(const std::string& bytes) {
    pty_->Send(bytes + "<end-of-delivery>\r");
    QVERIFY(QTest::qWaitFor([&] { return Log().endsWith(QStringLiteral("end-of-delivery")); }, 3000));
    QTest::mouseClick(Control<QPushButton>(&State(), "btClearMsg"), Qt::LeftButton);
  }
  // Everything the module side received during ms of running events.
  std::string WireDuring(int ms) {
    std::string wire;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
      QTest::qWait(5);
      wire += pty_->Drain();
    }
    return wire;
  }

 private slots:
  void cleanup() {
    windows_.reset();
    EndWorld();
  }

  void theWindowStartsWithItsTableBoldPanelsAndEmptyValues() {
    Start(kFastPoll, false);
    CompareWithTable(&State(), StateTable());
    for (const ControlRow& row : StateTable().controls) {
      const bool bold = row.role == QAccessible::PushButton || row.name.startsWith(QLatin1String("Panel"));
      QCOMPARE(Control(&State(), row.name)->font().bold(), bold);
    }
    for (const char* name : {"lbLineVoltage", "lbIN1", "lbIN2", "lbGSMLine"}) {
      QCOMPARE(Label(name)->text(), QStringLiteral("."));
      QVERIFY(!Label(name)->font().bold());
    }
    QCOMPARE(Label("lbGSMpowVal")->text(), QStringLiteral("0"));
    QCOMPARE(Bar()->minimum(), 0);
    QCOMPARE(Bar()->maximum(), 31);
    QVERIFY(Control<QPlainTextEdit>(&State(), "MemoState")->isReadOnly());
    // The three first panels in one row, the wired line on the left.
    QCOMPARE(Label("PanelIN1")->y(), Label("PanelLineVoltage")->y());
    QCOMPARE(Label("PanelIN2")->y(), Label("PanelLineVoltage")->y());
    QVERIFY(Label("PanelLineVoltage")->x() < Label("PanelIN1")->x());
    QVERIFY(Label("PanelIN1")->x() < Label("PanelIN2")->x());
    QVERIFY(!State().Polling());
    State().show();
    SaveShot(&State(), "state-window-empty");
  }

  // Each item in its own label and colour, the bar held to 0..31; what the items say
  // is the decoder's, and tested there.
  void statusLinesShowEachItemInItsOwnLabel_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("bar");
    QTest::newRow("signal below 0") << QByteArray("[0110,/,3]") << 0;
    QTest::newRow("signal 10") << QByteArray("[1100,:,2]") << 10;
    QTest::newRow("signal above 31") << QByteArray("[1000,P,9]") << 31;
  }
  void statusLinesShowEachItemInItsOwnLabel() {
    QFETCH(QByteArray, line);
    QFETCH(int, bar);
    Start();
    Deliver(line.toStdString() + "\r");
    const ModuleStatus status = DecodeStatusLine(line.toStdString()).value();
    const std::pair<const char*, StatusItem> items[] = {{"lbLineVoltage", status.wiredLine},
                                                        {"lbIN1", status.in1},
                                                        {"lbIN2", status.in2},
                                                        {"lbGSMLine", status.callState}};
    for (const auto& [name, item] : items) {
      QCOMPARE(Label(name)->text(), FromCp1250(item.text));
      QCOMPARE(Label(name)->palette().color(QPalette::WindowText), QColor(item.colour.r, item.colour.g, item.colour.b));
    }
    QCOMPARE(Label("lbGSMpowVal")->text(), QString::number(status.signal));
    QCOMPARE(Bar()->value(), bar);
  }

  // Styles draw nothing for a value too small for one chunk or a rounded end; a signal
  // of 1 or 2 must not look like none.
  void theSignalBarShowsEveryValueAboveNothing_data() {
    QTest::addColumn<QString>("style");
    QTest::newRow("default") << QString();
    for (const QString& style : QStyleFactory::keys()) QTest::newRow(qPrintable(style)) << style;
  }
  void theSignalBarShowsEveryValueAboveNothing() {
    QFETCH(QString, style);
    Start(kFastPoll, false);
    std::unique_ptr<QStyle> own(style.isEmpty() ? nullptr : QStyleFactory::create(style));
    if (own) Bar()->setStyle(own.get());
    QList<int> coloured;
    for (int value : {0, 1, 2, 31}) {
      Bar()->setValue(value);
      const QImage shot = Bar()->grab().toImage();
      const QColor fill = Bar()->palette().color(QPalette::Highlight);
      int count = 0;
      for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) count += shot.pixelColor(x, y) == fill ? 1 : 0;
      coloured << count;
    }
    QCOMPARE(coloured[0], 0);
    // At least two pixels wide across half the bar's height.
    QVERIFY2(coloured[1] >= Bar()->height(), qPrintable(QString::number(coloured[1])));
    QVERIFY(coloured[1] < coloured[2] && coloured[2] < coloured[3]);
    Bar()->setStyle(nullptr);
  }

  void tabRunsTopToBottom() {
    Start(kFastPoll, false);
    QCOMPARE(TabOrder(&State()), (QStringList{"MemoState", "btClearMsg", "btClose"}));
  }

  void linesThatArriveWhileHiddenAreThereAtTheNextOpening() {
    Start();
    Deliver("[0010,O,9]\r<while hidden>\r");
    State().show();
    QCOMPARE(Label("lbLineVoltage")->text(), QStringLiteral("Vonal rendben"));
    SaveShot(&State(), "state-window");
  }

  void theLogGrowsAndClears() {
    Start();
    State().show();
    pty_->Send("<abcde>\r<>\r<f\xF5nix>\r");
    QVERIFY(QTest::qWaitFor([&] { return Log().count(QLatin1Char('\n')) == 2; }, 3000));
    QCOMPARE(Log(), QStringLiteral("abcde\n\nfőnix"));
    QTest::mouseClick(Control<QPushButton>(&State(), "btClearMsg"), Qt::LeftButton);
    QCOMPARE(Log(), QString());
    // Clearing does not stop the poll.
    QVERIFY(State().Polling());
    pty_->Send("<again>\r");
    QVERIFY(QTest::qWaitFor([&] { return Log() == QStringLiteral("again"); }, 3000));
  }

  void thePollRunsOnlyWhileTheWindowIsShown() {
    Start();
    QCOMPARE(WireDuring(5 * kFastPoll), std::string());
    State().show();
    QVERIFY(State().Polling());
    const std::string shown = WireDuring(10 * kFastPoll);
    QVERIFY2(Count(shown, kPoll) >= 3, shown.c_str());
    QCOMPARE(Count(shown, kPoll) * kPoll.size(), shown.size());
    QTest::mouseClick(Control<QPushButton>(&State(), "btClose"), Qt::LeftButton);
    QVERIFY(!State().isVisible());
    QVERIFY(!State().Polling());
    pty_->Drain();
    QCOMPARE(WireDuring(5 * kFastPoll), std::string());
  }

  void withThePortClosedNothingIsSent() {
    Start(kFastPoll, false);
    State().show();
    QCOMPARE(WireDuring(5 * kFastPoll), std::string());
    QVERIFY(Dialogs().messages.empty());
  }

  void thePollEvery500MillisecondsInRealTime() {
    Start(static_cast<int>(kPollInterval.count()));
    QElapsedTimer clock;
    clock.start();
    State().show();
    std::string wire;
    QVERIFY(QTest::qWaitFor([&] { return (wire += pty_->Drain()).size() >= kPoll.size(); }, 2000));
    const qint64 first = clock.elapsed();
    QVERIFY(QTest::qWaitFor([&] { return (wire += pty_->Drain()).size() >= 2 * kPoll.size(); }, 2000));
    const qint64 second = clock.elapsed();
    QCOMPARE(wire, kPoll + kPoll);
    QVERIFY2(first >= 450 && first < 1000, QByteArray::number(first));
    QVERIFY2(second - first >= 400 && second - first < 1000, QByteArray::number(second - first));
  }

  // A line whose writes fail while it stays open (a hang-up closes the port instead).
  void aFailedPollIsShownOnceAndPollingRestsUntilTheNextOpening() {
    struct FailingPort : PortLink {
      bool Connected() const override { return true; }
      int WriteText(const std::string&) override { throw EComPort(CE_WriteFailed, 5); }
      int ReadBytes(std::uint8_t*, int) override { return 0; }
    } port;
    TStateForm state(port, nullptr, kFastPoll);
    state.show();
    QVERIFY(QTest::qWaitFor([&] { return !Dialogs().messages.empty(); }, 3000));
    QTest::qWait(10 * kFastPoll);
    QCOMPARE(Dialogs().messages.size(), std::size_t{1});
    QCOMPARE(Dialogs().messages[0].text, QStringLiteral("WriteFile function failed (win error code: 5)"));
    QVERIFY(Dialogs().messages[0].icon == DialogService::Icon::Error);
    QVERIFY(!state.Polling());

    state.hide();
    state.show();
    QVERIFY(state.Polling());
    QVERIFY(QTest::qWaitFor([&] { return Dialogs().messages.size() == 2; }, 3000));
    QTest::qWait(5 * kFastPoll);
    QCOMPARE(Dialogs().messages.size(), std::size_t{2});
  }

  // The main window closes a hung-up port: the poll then sends nothing and shows nothing.
  void aHangUpWhilePollingClosesThePortWithoutABox() {
    if (!PtyPair::HangUpEndsTheWait()) QSKIP("the port does not see the hang-up here");
    Start();
    State().show();
    pty_->CloseMaster();
    QVERIFY(QTest::qWaitFor([&] { return !Main().ComPort1().Connected(); }, 3000));
    QTest::qWait(5 * kFastPoll);
    QVERIFY(Dialogs().messages.empty());
    QCOMPARE(Main().StatusText(), kNoConnectionStatus);
  }

  void theStatusButtonShowsTheWindowModallyWhileItPolls() {
    Start();
    Main().SetStateForm(&State());
    std::string whileShown;
    WhenModal([&](QWidget* modal) {
      QCOMPARE(modal, &State());
      whileShown = WireDuring(6 * kFastPoll);
      QTest::mouseClick(Control<QPushButton>(modal, "btClose"), Qt::LeftButton);
    });
    QTest::mouseClick(Control<QPushButton>(&Main(), "btStatus"), Qt::LeftButton);
    QVERIFY2(Count(whileShown, kPoll) >= 2, whileShown.c_str());
    QVERIFY(!State().Polling());
    pty_->Drain();
    QCOMPARE(WireDuring(5 * kFastPoll), std::string());
  }

  void theSimulatedModulesStateAndMessagesReachTheWindow() {
    SimulatedModule module("COM8", Ports().ConfigDir() + "/Kelvaro");
    module.Start();
    Open("COM8", kFastPoll, true);
    QVERIFY(Main().ComPort1().Connected());
    State().show();
    QSet<QString> calls;
    QVERIFY(QTest::qWaitFor(
        [&] {
          calls.insert(Label("lbGSMLine")->text());
          return calls.size() >= 3 && !Log().isEmpty();
        },
        10000));
    QVERIFY(Label("lbLineVoltage")->text() != QStringLiteral("."));
    State().hide();
    windows_.reset();  // before the module goes
  }
};

QTEST_MAIN(StateFormTests)
#include "state_form_tests.moc"
