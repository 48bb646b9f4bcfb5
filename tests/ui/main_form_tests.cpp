// The main window: connecting, disconnecting, the port chooser moving a connection,
// the port choice surviving from one window to the next, a port numbered as Windows
// numbers adapters on a service laptop, and a port on the network.

#include <QAccessible>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "serial/network_ports.h"
#include "serial/port_names.h"
#include "sim/simulated_module.h"
#include "tests/support/port_choice_file.h"
#include "tests/support/ser2net_server.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/window_tables.h"
#include "ui/com_combo_box.h"
#include "ui/download_form.h"
#include "ui/main_form.h"

class MainFormTests : public WindowTest {
  Q_OBJECT

 private:
  std::unique_ptr<TMainForm> form_;

  TMainForm& Form() {
    if (!form_) form_ = std::make_unique<TMainForm>();
    return *form_;
  }
  QPushButton* Button(const QString& name) { return Control<QPushButton>(&Form(), name); }
  TComComboBox* Chooser() { return Control<TComComboBox>(&Form(), "cbCOM"); }
  // The four buttons, in the order btConnect, btDisconnect, btStatus, btParameterSetting.
  QList<bool> ButtonsEnabled() {
    return {Button("btConnect")->isEnabled(), Button("btDisconnect")->isEnabled(), Button("btStatus")->isEnabled(),
            Button("btParameterSetting")->isEnabled()};
  }
  const QList<bool> kDisconnectedButtons{true, false, false, false};
  const QList<bool> kConnectedButtons{false, true, true, true};

  // Connects to the chosen port and reads in the transfer window: four green lamps.
  void ConnectAndReadFourGreenLamps() {
    QTest::mouseClick(Button("btConnect"), Qt::LeftButton);
    QCOMPARE(Form().StatusText(), kConnectedStatus);
    QtEventPump pump;
    TFormDownload download(Form().ComPort1(), Form().Link(), pump);
    ShowActive(&download);
    QTest::mouseClick(Control<QPushButton>(&download, "btRead"), Qt::LeftButton);
    for (int block = 0; block < 4; ++block) QCOMPARE(download.IndicatorShown(block), QColor(0, 128, 0));
    download.close();
  }

 private slots:
  void init() { StartWorld(); }
  void cleanup() {
    form_.reset();
    EndWorld();
  }

  void theWindowShowsItsTableWithBoldButtonsInTwoFrames() {
    CompareWithTable(&Form(), MainTable());
    for (const ControlRow& row : RowsWithRole(MainTable(), QAccessible::PushButton))
      QVERIFY2(Button(row.name)->font().bold(), qPrintable(row.name));
    QCOMPARE(ButtonsEnabled(), kDisconnectedButtons);
    QVERIFY(Form().StatusText().isEmpty());
    // The two framed areas: chooser and connection buttons, then the module's buttons.
    QCOMPARE(Chooser()->parentWidget(), Button("btConnect")->parentWidget());
    QCOMPARE(Button("btDisconnect")->parentWidget()->objectName(), QStringLiteral("gbSerialPort"));
    QCOMPARE(Button("btStatus")->parentWidget(), Button("btParameterSetting")->parentWidget());
    QCOMPARE(Button("btStatus")->parentWidget()->objectName(), QStringLiteral("gbModule"));
    Form().show();
    SaveShot(&Form(), "main-window");
  }

  void theStatusBarsFrameIsCutOffAtTheWindowsRightEdge() {
    Form().show();
    auto* text = Control<QLabel>(&Form(), "StatusBar1Text");
    const QRect frame(text->mapTo(&Form(), QPoint(0, 0)), text->size());
    QCOMPARE(Form().width() - 1 - frame.right(), frame.left());
    const QImage shot = Form().grab().toImage();
    const int middle = frame.center().y();
    QCOMPARE(shot.pixelColor(frame.right(), middle), shot.pixelColor(frame.left(), middle));
    QVERIFY(shot.pixelColor(frame.right(), middle) != shot.pixelColor(frame.right() + 1, middle));
  }

  void connectingToAMissingPortShowsTheStatusTextOnly() {
    WriteChoiceFile(PortChoiceFile("COM7"));
    QTest::mouseClick(Button("btConnect"), Qt::LeftButton);
    QCOMPARE(Form().StatusText(), kUnavailableStatus);
    QVERIFY(Dialogs().messages.empty());
    QVERIFY(!Form().ComPort1().Connected());
    QCOMPARE(ButtonsEnabled(), kDisconnectedButtons);

    // The adapter is plugged in: the next attempt works.
    Ports().Pty("COM7");
    QTest::mouseClick(Button("btConnect"), Qt::LeftButton);
    QCOMPARE(Form().StatusText(), kConnectedStatus);
    QVERIFY(Form().ComPort1().Connected());
  }

  void connectingAndDisconnectingSwapTheButtons() {
    PtyPair& pty = Ports().Pty("COM5");
    WriteChoiceFile(PortChoiceFile("COM5"));
    QTest::mouseClick(Button("btConnect"), Qt::LeftButton);
    QCOMPARE(Form().StatusText(), kConnectedStatus);
    QCOMPARE(ButtonsEnabled(), kConnectedButtons);
    QVERIFY(Form().ComPort1().Connected());
    Form().show();
    SaveShot(&Form(), "main-window-connected");
    Form().ComPort1().WriteText("ab");
    QCOMPARE(pty.Receive(2, std::chrono::seconds(2)), std::string("ab"));

    QTest::mouseClick(Button("btDisconnect"), Qt::LeftButton);
    QCOMPARE(Form().StatusText(), kNoConnectionStatus);
    QCOMPARE(ButtonsEnabled(), kDisconnectedButtons);
    QVERIFY(!Form().ComPort1().Connected());
    QVERIFY(Dialogs().messages.empty());
  }

  // After connecting the next step is the module, after disconnecting connecting again:
  // a key press that ends on a disabled button must not leave the focus on "Kilépés".
  void theKeyboardPressesTheFocusedButtonAndTheFocusFollows_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
  }
  void theKeyboardPressesTheFocusedButtonAndTheFocusFollows() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    Ports().Pty("COM5");
    WriteChoiceFile(PortChoiceFile("COM5"));
    for (auto [from, to] : {std::pair{"btConnect", "btStatus"}, std::pair{"btDisconnect", "btConnect"}}) {
      Button(from)->setFocus();
      QTest::keyClick(Button(from), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
      QCOMPARE(Form().focusWidget(), Button(to));
    }
    QCOMPARE(Form().StatusText(), kNoConnectionStatus);
  }

  void tabRunsTopToBottom() {
    QCOMPARE(TabOrder(&Form()),
             (QStringList{"cbCOM", "btConnect", "btDisconnect", "btStatus", "btParameterSetting", "btClose"}));
  }

  void choosingAnotherPortWhileConnectedMovesTheConnection() {
    PtyPair& com5 = Ports().Pty("COM5");
    PtyPair& com6 = Ports().Pty("COM6");
    WriteChoiceFile(PortChoiceFile("COM5"));
    QCOMPARE(Chooser()->currentText(), QStringLiteral("COM5"));
    QTest::mouseClick(Button("btConnect"), Qt::LeftButton);

    QTest::keyClick(Chooser(), Qt::Key_Down);
    QCOMPARE(Chooser()->currentText(), QStringLiteral("COM6"));
    QCOMPARE(Form().ComPort1().Port(), std::string("COM6"));
    QVERIFY(Form().ComPort1().Connected());
    QCOMPARE(ButtonsEnabled(), kConnectedButtons);
    Form().ComPort1().WriteText("x");
    QCOMPARE(com6.Receive(1, std::chrono::seconds(2)), std::string("x"));
    QCOMPARE(com5.Drain(), std::string());
    QVERIFY(Dialogs().messages.empty());
  }

  void choosingTheCurrentPortKeepsTheConnection() {
    PtyPair& com5 = Ports().Pty("COM5");
    WriteChoiceFile(PortChoiceFile("COM5"));
    QTest::mouseClick(Button("btConnect"), Qt::LeftButton);
    // Bytes not read yet would be gone after a reopening; no events run until the
    // choice is made, so the port cannot read them before.
    com5.Send("<hello");
    emit Chooser()->activated(Chooser()->currentIndex());
    QVERIFY(Form().ComPort1().Connected());
    QVERIFY(QTest::qWaitFor([&] { return Form().Link().Reply().lineBuffer == "<hello"; }, 2000));
  }

  // A reopening that fails leaves the port closed; the buttons follow it.
  void aFailedMoveShowsTheErrorOnceAndTheButtonsFollowThePort() {
    Ports().Pty("COM5");
    Ports().Pty("COM6");
    WriteChoiceFile(PortChoiceFile("COM5"));
    QTest::mouseClick(Button("btConnect"), Qt::LeftButton);
    Ports().Unplug("COM6");

    QTest::keyClick(Chooser(), Qt::Key_Down);
    QCOMPARE(Form().ComPort1().Port(), std::string("COM6"));
    QVERIFY(!Form().ComPort1().Connected());
    QCOMPARE(Dialogs().messages.size(), std::size_t{1});
    QCOMPARE(Dialogs().messages[0].text, QStringLiteral("Unable to open com port (win error code: 2)"));
    QCOMPARE(Dialogs().messages[0].caption, ApplicationTitle());
    QVERIFY(Dialogs().messages[0].icon == DialogService::Icon::Error);
    QCOMPARE(ButtonsEnabled(), kDisconnectedButtons);
    QCOMPARE(Form().StatusText(), kUnavailableStatus);
    QCOMPARE(Form().focusWidget(), Button("btConnect"));
  }

  void theChosenPortIsPreselectedAtTheNextStart() {
    Ports().Pty("COM5");
    Ports().Pty("COM6");
    WriteChoiceFile(PortChoiceFile("COM5"));
    QTest::keyClick(Chooser(), Qt::Key_Down);
    QCOMPARE(Form().ComPort1().Port(), std::string("COM6"));
    form_.reset();
    QCOMPARE(ReadChoiceFile(), PortChoiceFile("COM6"));

    QCOMPARE(Chooser()->currentText(), QStringLiteral("COM6"));
    QCOMPARE(Form().ComPort1().Port(), std::string("COM6"));
  }

  void aFirstStartSelectsTheFirstPortAndWritesThe33ByteFile() {
    Ports().Pty("COM5");
    Ports().Pty("COM12");
    QCOMPARE(Chooser()->count(), 2);
    QCOMPARE(Chooser()->currentIndex(), 0);
    // The program's own selection hands nothing to the port.
    QCOMPARE(Form().ComPort1().Port(), std::string("COM1"));
    form_.reset();
    const std::string file = ReadChoiceFile();
    QCOMPARE(file.size(), std::size_t{33});
    QCOMPARE(file, PortChoiceFile("COM1"));
  }

  void aFirstStartWithoutPortsWritesThe33ByteFile() {
    QCOMPARE(Chooser()->count(), 0);
    form_.reset();
    QCOMPARE(ReadChoiceFile(), PortChoiceFile("COM1"));
    QVERIFY(Dialogs().messages.empty());
  }

  void aRememberedPortMissingFromTheListLeavesNoSelection() {
    Ports().Pty("COM5");
    WriteChoiceFile(PortChoiceFile("com9"));
    QCOMPARE(Chooser()->currentIndex(), -1);
    QCOMPARE(Form().ComPort1().Port(), std::string("COM9"));
  }

  void theRememberedNameIsMatchedIgnoringCase() {
    Ports().Pty("COM5");
    Ports().Pty("COM6");
    WriteChoiceFile(PortChoiceFile("com6"));
    QCOMPARE(Chooser()->currentText(), QStringLiteral("COM6"));
    QCOMPARE(Form().ComPort1().Port(), std::string("COM6"));
  }

  void anEmptyFileHandsTheEmptyNameToThePort() {
    Ports().Pty("COM5");
    Ports().Pty("COM6");
    WriteChoiceFile("");
    QCOMPARE(Form().ComPort1().Port(), std::string("COM1"));
    QCOMPARE(Chooser()->currentIndex(), -1);
  }

  void aFailedSaveIsShownAndClosingGoesOn() {
    Form();
    // The config folder's place is taken by a file, so the choice cannot be written.
    const std::string folder = ConfigDir();
    std::filesystem::remove_all(folder);
    { std::ofstream(folder) << "x"; }
    form_.reset();
    QCOMPARE(Dialogs().messages.size(), std::size_t{1});
    QVERIFY(Dialogs().messages[0].text.startsWith(QStringLiteral("Cannot Create ")));
    QVERIFY(Dialogs().messages[0].text.endsWith(QLatin1Char('.')));
    QVERIFY(Dialogs().messages[0].icon == DialogService::Icon::Error);
    std::filesystem::remove(folder);
  }

  void closingTheWindowAnnouncesTheEnd() {
    QSignalSpy closing(&Form(), &TMainForm::Closing);
    Form().show();
    QTest::mouseClick(Button("btClose"), Qt::LeftButton);
    QCOMPARE(closing.count(), 1);
    QVERIFY(!Form().isVisible());
  }

  // A module behind ser2net, its address given a COM name: listed with the address as
  // its tooltip, connected, read with four green lamps, and the COM name remembered.
  void aNetworkPortGivenAComNameIsListedConnectsAndReads() {
    SimulatedModule module("COM7", ConfigDir());
    module.Start();
    Ser2netServer server(module.DevicePath());
    AddNetworkPort("COM12", server.Url());
    WriteChoiceFile(PortChoiceFile("COM12"));
    const int entry = Chooser()->findText(QStringLiteral("COM12"));
    QCOMPARE(Chooser()->currentIndex(), entry);
    QCOMPARE(Chooser()->itemData(entry, Qt::ToolTipRole).toString(), QString::fromStdString(server.Url()));
    ConnectAndReadFourGreenLamps();
    form_.reset();
    QCOMPARE(ReadChoiceFile(), PortChoiceFile("COM12"));
  }

  // Windows gives an adapter COM120 on a laptop that has seen many: listed, chosen,
  // connected and read without COM1 ever being written to, and remembered.
  void aModuleBehindCom120IsListedChosenReadAndRemembered() {
    const PtyPair& com1 = Ports().Pty("COM1");
    SimulatedModule module("COM120", ConfigDir());
    module.Start();
    WriteChoiceFile(PortChoiceFile("COM1"));
    QCOMPARE(Chooser()->currentText(), QStringLiteral("COM1"));
    // Chosen from the list (in number order on Linux, in the spooler's under Wine).
    const int entry = Chooser()->findText(QStringLiteral("COM120"));
    QVERIFY(entry >= 0);
    Chooser()->setCurrentIndex(entry);
    emit Chooser()->activated(entry);
    QCOMPARE(Form().ComPort1().Port(), std::string("COM120"));
    ConnectAndReadFourGreenLamps();
    QCOMPARE(com1.Drain(), std::string());
    form_.reset();
    QCOMPARE(ReadChoiceFile(), PortChoiceFile("COM120"));
    QCOMPARE(Chooser()->currentText(), QStringLiteral("COM120"));
    QCOMPARE(Form().ComPort1().Port(), std::string("COM120"));
  }

  void theStatusAndTransferButtonsShowTheirWindowsModally() {
    Ports().Pty("COM5");
    WriteChoiceFile(PortChoiceFile("COM5"));
    QDialog state;
    QDialog download;
    Form().SetStateForm(&state);
    Form().SetDownloadForm(&download);
    QTest::mouseClick(Button("btConnect"), Qt::LeftButton);
    for (auto [button, dialog] : {std::pair{"btStatus", &state}, std::pair{"btParameterSetting", &download}}) {
      QWidget* shown = nullptr;
      WhenModal([&](QWidget* modal) {
        shown = modal;
        modal->close();
      });
      QTest::mouseClick(Button(button), Qt::LeftButton);
      QCOMPARE(shown, dialog);
      QVERIFY(!dialog->isVisible());
    }
  }
};

QTEST_MAIN(MainFormTests)
#include "main_form_tests.moc"
