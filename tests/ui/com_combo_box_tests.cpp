// The port chooser on its own: filling, showing the port's setting, and what a
// choice hands to the port.

#include <QtTest>
#include <memory>

#include "serial/com_port.h"
#include "serial/port_info.h"
#include "serial/port_names.h"
#include "serial/thread_sync.h"
#include "tests/ui/ui_test_support.h"
#include "ui/com_combo_box.h"

class ComComboBoxTests : public WindowTest {
  Q_OBJECT

 private:
  ThreadSync sync_;

  // COM3 and COM4 on ptys, the port set to portName, the chooser filled and bound.
  void Bind(TComPort& port, TComComboBox& box, const char* portName, bool autoApply) {
    Ports().Pty("COM3");
    Ports().Pty("COM4");
    port.SetPort(portName);
    box.SetComProperty(cpPort);
    box.SetComPort(&port);
    box.SetAutoApply(autoApply);
  }

  QStringList Entries(const QComboBox& box) {
    QStringList entries;
    for (int i = 0; i < box.count(); ++i) entries << box.itemText(i);
    return entries;
  }

  // The machine's ports in the machine's order (number order on Linux, the spooler's on
  // Windows; each is tested with its discovery).
  static QStringList MachinePorts() {
    std::vector<std::string> ports;
    ListSerialPorts(ports);
    QStringList names;
    for (const std::string& port : ports) names << QString::fromStdString(port);
    return names;
  }

  static QString Description(const QString& port, const std::string& openHere = "") {
    return QString::fromStdString(PortDescription(DescribePort(port.toStdString(), openHere)));
  }

  // What the closed list shows when the pointer rests on it.
  static QString ClosedToolTip(TComComboBox& box) {
    QHelpEvent rest(QEvent::ToolTip, QPoint(1, 1), box.mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(&box, &rest);
    return box.toolTip();
  }

 private slots:
  void fillsOnceWithTheMachinesPortsInTheirOrderAndDescribesThem() {
    Ports().Pty("COM120");
    Ports().Pty("COM3");
    TComComboBox box;
    QVERIFY(!box.isEditable());
    QCOMPARE(box.count(), 0);
    box.SetComProperty(cpPort);
    QCOMPARE(Entries(box), MachinePorts());
    QCOMPARE(box.count(), 2);
    for (int i = 0; i < box.count(); ++i)
      QCOMPARE(box.itemData(i, Qt::ToolTipRole).toString(), Description(box.itemText(i)));
    // No port bound yet: the first entry.
    QCOMPARE(box.currentIndex(), 0);
    QCOMPARE(ClosedToolTip(box), Description(box.itemText(0)));
  }

  // Opened again to look, the connected port would seem held by another program.
  void theConnectedPortIsDescribedAsConnectedHereAndAsItIsOnceClosed() {
    TComPort port(sync_);
    TComComboBox box;
    Bind(port, box, "COM4", true);
    port.SetConnected(true);
    QCOMPARE(ClosedToolTip(box), Description("COM4", "COM4"));
    QVERIFY(port.ThreadRunning());
    port.SetConnected(false);
    QCOMPARE(ClosedToolTip(box), Description("COM4"));
  }

  // An adapter plugged in after the start: opening the list shows it, the chosen
  // entry stays chosen, and the open connection stays where it is.
  void openingTheListMakesItAfreshAndMovesNothing() {
    TComPort port(sync_);
    TComComboBox box;
    Bind(port, box, "COM4", true);
    port.SetConnected(true);
    bool applied = false;
    connect(&box, &TComComboBox::PortApplied, [&] { applied = true; });
    Ports().Pty("COM12");
    box.showPopup();
    box.hidePopup();
    QCOMPARE(Entries(box), MachinePorts());
    QCOMPARE(box.count(), 3);
    QCOMPARE(box.currentText(), QStringLiteral("COM4"));
    QVERIFY(!applied);
    QVERIFY(port.Connected());
    QCOMPARE(port.Port(), std::string("COM4"));
    port.SetConnected(false);
  }

  void bindingShowsThePortsSettingOrNothing() {
    TComPort port(sync_);
    TComComboBox box;
    Bind(port, box, "com4", false);
    QCOMPARE(box.currentText(), QStringLiteral("COM4"));
    QCOMPARE(box.ComSelect().Port, std::string("COM4"));

    port.SetPort("COM9");
    box.ShowPortSetting();
    QCOMPARE(box.currentIndex(), -1);
    QCOMPARE(port.Port(), std::string("COM9"));

    box.ComPortDestroyed();
    QCOMPARE(box.ComSelect().ComPort, nullptr);
    QCOMPARE(box.currentText(), QStringLiteral("COM3"));
    QCOMPARE(port.Port(), std::string("COM9"));
  }

  void theProgramsOwnSelectionsHandNothingToThePort() {
    TComPort port(sync_);
    TComComboBox box;
    Bind(port, box, "COM9", true);
    box.SelectFirstEntry();
    box.setCurrentIndex(1);
    QCOMPARE(port.Port(), std::string("COM9"));
  }

  void theUsersChoiceIsWrittenToThePortAtOnce() {
    TComPort port(sync_);
    TComComboBox box;
    Bind(port, box, "COM3", true);
    QSignalSpy applied(&box, &TComComboBox::PortApplied);
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(port.Port(), std::string("COM4"));
    QCOMPARE(box.ComSelect().Port, std::string("COM4"));
    QCOMPARE(applied.count(), 1);
    QTest::keyClick(&box, Qt::Key_Up);
    QCOMPARE(port.Port(), std::string("COM3"));
  }

  void withoutAutoApplyTheChoiceStaysInTheChooser() {
    TComPort port(sync_);
    TComComboBox box;
    Bind(port, box, "COM3", false);
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(box.ComSelect().Port, std::string("COM4"));
    QCOMPARE(port.Port(), std::string("COM3"));
  }

  void aPortListThatCannotBeHadLeavesTheListEmptyWithoutAMessage() {
    TComPort port(sync_);
    TComComboBox box;
    box.SetPortLister([](std::vector<std::string>& list) {
      list.push_back("COM3");
      throw EComPort(CE_EnumPortsFailed, 13);
    });
    box.SetComProperty(cpPort);
    box.SetComPort(&port);
    QCOMPARE(box.count(), 0);
    QCOMPARE(box.currentIndex(), -1);
    QVERIFY(Dialogs().messages.empty());
    QCOMPARE(port.Port(), std::string("COM1"));
  }
};

QTEST_MAIN(ComComboBoxTests)
#include "com_combo_box_tests.moc"
