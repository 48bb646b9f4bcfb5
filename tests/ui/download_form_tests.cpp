// The parameter transfer window: its controls, the indicators around loading and
// saving image files, the editor it opens, and the buttons around the procedures,
// with the serial link on a pseudo-terminal.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "params/image_file.h"
#include "serial/port_names.h"
#include "sim/simulated_module.h"
#include "tests/support/pty_pair.h"
#include "tests/support/test_images.h"
#include "tests/ui/transfer_bench.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/window_tables.h"
#include "ui/char_grid.h"
#include "ui/download_form.h"

namespace {

constexpr int kTestTick = 1;  // ms: a 50-tick wait passes in a moment

const QColor kWhite(255, 255, 255);
const QColor kYellow(255, 255, 0);
const QColor kSilver(192, 192, 192);
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

ImageBytes Pattern() { return SteppedImage(7, 3); }

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write test file");
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

QByteArray Bytes(const ImageBytes& image) {
  return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size()));
}

}  // namespace

class DownloadFormTests : public WindowTest {
  Q_OBJECT

 private:
  std::unique_ptr<TransferBench> transfer_;

  TFormDownload& Form() { return transfer_->form; }
  QPushButton* Button(const QString& name) { return Control<QPushButton>(&Form(), name); }
  // A file in the test's own folder.
  QString FilePath(const QString& name) {
    return QString::fromStdString(Ports().ConfigDir()) + QLatin1Char('/') + name;
  }

  QList<QColor> Indicators() {
    QList<QColor> shown;
    for (int b = 0; b < 4; ++b) shown.append(Form().IndicatorShown(b));
    return shown;
  }

  QList<bool> ButtonsEnabled() {
    QList<bool> enabled;
    for (const ControlRow& row : RowsWithRole(TransferTable(), QAccessible::PushButton))
      enabled.append(Button(row.name)->isEnabled());
    return enabled;
  }

 private slots:
  void init() {
    StartWorld();
    transfer_ = std::make_unique<TransferBench>(kTestTick);
  }
  void cleanup() {
    transfer_.reset();
    EndWorld();
  }

  void theWindowShowsItsTableAndIsCentredAtEveryOpening() {
    SaveShot(&Form(), "download-form");
    CompareWithTable(&Form(), TransferTable());
    for (const ControlRow& row : RowsWithRole(TransferTable(), QAccessible::StaticText)) {
      auto* lamp = Control<QLabel>(&Form(), row.name);
      QCOMPARE(lamp->frameShadow(), QFrame::Sunken);
      QCOMPARE(lamp->palette().color(QPalette::WindowText), QColor(Qt::black));
      QVERIFY(lamp->geometry().bottom() < Button("btOpen")->y());
    }
    QCOMPARE(Indicators(), QList<QColor>(4, kSilver));
    // Wherever it was moved to before.
    Form().move(0, 0);
    Form().hide();
    Form().show();
    QVERIFY(InTheMiddleOfTheScreen(Form()));
  }

  void tabRunsTopToBottom() {
    QCOMPARE(TabOrder(&Form()),
             (QStringList{"btOpen", "btSave", "btRead", "btWrite", "btCompare", "btEdit", "btClose"}));
  }

  void theButtonsAreBoldGreyAndShowTheirWholeCaptions() {
    for (const ControlRow& row : RowsWithRole(TransferTable(), QAccessible::PushButton)) {
      QPushButton* button = Button(row.name);
      QVERIFY2(button->font().bold(), qPrintable(row.name));
      QCOMPARE(button->palette().color(QPalette::Active, QPalette::ButtonText), QColor(128, 128, 128));
      QVERIFY(Form().rect().contains(button->geometry()));
      QVERIFY2(button->fontMetrics().horizontalAdvance(row.text) < button->width() - 4, qPrintable(row.name));
    }
  }

  void theButtonsStandInTheirRowsAndColumns() {
    const QRect open = Button("btOpen")->geometry();
    const QRect save = Button("btSave")->geometry();
    QCOMPARE(open.top(), save.top());
    QVERIFY(open.right() < save.left());
    QVERIFY(open.right() < Form().width() / 2 && save.left() > Form().width() / 2);
    QCOMPARE(Button("btRead")->width(), Button("btEdit")->width());
    QCOMPARE(Button("btEdit")->height(), 2 * Button("btRead")->height());
    QVERIFY(Button("btRead")->y() < Button("btWrite")->y());
    QVERIFY(Button("btWrite")->y() < Button("btCompare")->y());
    QVERIFY(Button("btCompare")->y() < Button("btEdit")->y());
    QVERIFY(Button("btEdit")->geometry().bottom() < Button("btClose")->y());
    QVERIFY(Button("btClose")->x() > Form().width() / 2);
  }

  void eachLampColourShowsItsOwnRgb_data() {
    QTest::addColumn<int>("colour");
    QTest::addColumn<QColor>("rgb");
    QTest::newRow("white") << int(IndicatorColour::White) << kWhite;
    QTest::newRow("yellow") << int(IndicatorColour::Yellow) << kYellow;
    QTest::newRow("silver") << int(IndicatorColour::Silver) << kSilver;
    QTest::newRow("green") << int(IndicatorColour::Green) << kGreen;
    QTest::newRow("red") << int(IndicatorColour::Red) << kRed;
  }
  void eachLampColourShowsItsOwnRgb() {
    QFETCH(int, colour);
    QFETCH(QColor, rgb);
    Form().SetIndicator(2, IndicatorColour(colour));
    QCOMPARE(Indicators(), (QList<QColor>{kSilver, kSilver, rgb, kSilver}));
    Form().SetAllIndicators(IndicatorColour(colour));
    QCOMPARE(Indicators(), QList<QColor>(4, rgb));
    const QImage shot = Control<QLabel>(&Form(), "BP3")->grab().toImage();
    QCOMPARE(shot.pixelColor(4 * shot.devicePixelRatio(), 4 * shot.devicePixelRatio()), rgb);
  }

  void creatingTheWindowErasesTheImageAndStartsTheTick() {
    transfer_.reset();
    ParameterImage.fill(0x00);
    TransferCountdown = 0;
    LinkBench line;
    TFormDownload form(line.port, line.link, line.pump);
    QVERIFY(std::all_of(ParameterImage.begin(), ParameterImage.end(), [](std::uint8_t b) { return b == 0xFF; }));
    auto* timer = form.findChild<QTimer*>("Timer1");
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 100);
    QVERIFY(timer->isActive());  // from creation, shown or not
  }

  void theTickCountsTheWaitDownWhileTheWindowIsHidden() {
    Form().hide();
    TransferCountdown = 5;
    QTRY_COMPARE_WITH_TIMEOUT(TransferCountdown, 0, 2000);
  }

  void aLoadedFileTurnsTheLampsGreenAndAFailedLoadLeavesTheImage_data() {
    QTest::addColumn<QByteArray>("content");  // empty: no file
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QColor>("after");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("loaded") << Bytes(Pattern()) << true << kGreen << QString() << true;
    QTest::newRow("longer file: first 1024") << Bytes(Pattern()) + "extra" << true << kGreen << QString() << true;
    QTest::newRow("cancelled") << QByteArray() << false << kSilver << QString() << false;
    QTest::newRow("missing file") << QByteArray() << true << kSilver << "File not found." << false;
    QTest::newRow("short file") << QByteArray(1000, 'x') << true << kSilver << "Read beyond end of file." << false;
  }
  void aLoadedFileTurnsTheLampsGreenAndAFailedLoadLeavesTheImage() {
    QFETCH(QByteArray, content);
    QFETCH(bool, answered);
    QFETCH(QColor, after);
    QFETCH(QString, message);
    QFETCH(bool, replaced);
    const QString path = FilePath("image.HVK");
    if (!content.isEmpty()) WriteFile(path, content);
    if (answered) Dialogs().answers.push_back(path);
    Form().SetAllIndicators(IndicatorColour::Green);
    ParameterImage.fill(0x55);
    QList<QColor> whileOpen;
    Dialogs().duringFileDialog = [&] { whileOpen = Indicators(); };
    Button("btOpen")->click();
    QCOMPARE(whileOpen, QList<QColor>(4, kSilver));
    QCOMPARE(Indicators(), QList<QColor>(4, after));
    if (message.isEmpty()) {
      QVERIFY(Dialogs().messages.empty());
    } else {
      QCOMPARE(Dialogs().messages.size(), std::size_t(1));
      QCOMPARE(Dialogs().messages[0].text, message);
      QCOMPARE(Dialogs().messages[0].icon, DialogService::Icon::Error);
      QCOMPARE(Dialogs().messages[0].caption, ApplicationTitle());
    }
    ImageBytes expected;
    expected.fill(0x55);
    if (replaced) expected = Pattern();
    QVERIFY(ParameterImage == expected);
  }

  void theFileDialogsOfferHvkFilesAndTheSaveAddsTheSuffix() {
    Button("btOpen")->click();
    Button("btSave")->click();
    QCOMPARE(Dialogs().fileRequests.size(), std::size_t(2));
    for (const auto& request : Dialogs().fileRequests) {
      QCOMPARE(request.filter, QString("Harnvik Data (*.HVK)"));
      QCOMPARE(request.initialName, QString("*.HVK"));
      QVERIFY(!request.title.isEmpty());
    }
    QVERIFY(!Dialogs().fileRequests[0].save);
    QVERIFY(Dialogs().fileRequests[1].save);
    QCOMPARE(Dialogs().fileRequests[1].defaultSuffix, QString("HVK"));
  }

  void aNameSavedWithoutExtensionGetsHvkAndLoadsBack_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("file");
    QTest::newRow("no extension") << "image"
                                  << "image.HVK";
    QTest::newRow("own extension kept") << "image.bin"
                                        << "image.bin";
    QTest::newRow("HVK kept") << "image.HVK"
                              << "image.HVK";
    QTest::newRow("accented name") << QString::fromUtf8("régi kép") << QString::fromUtf8("régi kép.HVK");
  }
  void aNameSavedWithoutExtensionGetsHvkAndLoadsBack() {
    QFETCH(QString, typed);
    QFETCH(QString, file);
    ParameterImage = Pattern();
    Dialogs().answers.push_back(FilePath(typed));
    Form().SetAllIndicators(IndicatorColour::Yellow);
    Button("btSave")->click();
    QVERIFY(Dialogs().messages.empty());
    QCOMPARE(ReadFile(FilePath(file)), Bytes(Pattern()));
    QCOMPARE(Indicators(), QList<QColor>(4, kYellow));  // saving leaves them

    ParameterImage.fill(0);
    Dialogs().answers.push_back(FilePath(typed));
    Button("btOpen")->click();
    QVERIFY(ParameterImage == Pattern());
    QCOMPARE(Indicators(), QList<QColor>(4, kGreen));
  }

  void aSaveReplacesTheOldFileAndReportsAMissingFolder() {
    const QString path = FilePath("old.HVK");
    WriteFile(path, "old contents");
    ParameterImage = Pattern();
    Dialogs().answers.push_back(path);
    Button("btSave")->click();
    QCOMPARE(ReadFile(path), Bytes(Pattern()));
    Dialogs().answers.push_back(FilePath("missing/folder.HVK"));
    Button("btSave")->click();
    QCOMPARE(Dialogs().messages.size(), std::size_t(1));
    QCOMPARE(Dialogs().messages[0].icon, DialogService::Icon::Error);
    QCOMPARE(Dialogs().messages[0].text, QString("File not found."));
    QVERIFY(ButtonsEnabled() == QList<bool>(7, true));
  }

  void theEditorShowsTheLoadedFileAndItsCancelStoresNothing() {
    ImageBytes image;
    image.fill(kErasedByte);
    EditorValues values;
    values.user2 = {"0", "6", "3", "0"};
    values.events[4] = {"9", "9", "*", "1"};
    values.sms[6] = "Sz\xFBr\xF5 hiba";
    StoreAll(image, values);
    const QString path = FilePath("values.HVK");
    WriteFile(path, Bytes(image));
    Dialogs().answers.push_back(path);
    Button("btOpen")->click();

    QStringList shown;
    QString sms;
    WhenModal([&](QWidget* modal) {
      auto* user2 = Control<TCharGrid>(modal, "acgUSER2");
      for (int col = 0; col < 5; ++col) shown.append(user2->Cell(col));
      shown.append(Control<TCharGrid>(modal, "acgEvent5")->Cell(2));
      sms = Control<QLineEdit>(modal, "edSMS7")->text();
      Control<QPushButton>(modal, "btSettingCancel")->click();
    });
    Button("btEdit")->click();
    QCOMPARE(shown, (QStringList{"0", "6", "3", "0", "", "*"}));
    QCOMPARE(sms, QString::fromUtf8("Szűrő hiba"));
    QVERIFY(ParameterImage == image);  // cancelled: nothing stored
  }

  void anAcceptedEditIsStoredAndTheFocusReturnsToEdit() {
    WhenModal([&](QWidget* modal) {
      Control<TCharGrid>(modal, "acgUSER1")->setFocus();
      TypeKeys("06301112233");
      Control<QPushButton>(modal, "btSettingOK")->click();
    });
    Button("btEdit")->click();
    QCOMPARE(Form().focusWidget(), Button("btEdit"));
    QCOMPARE(ParameterImage[EEAddr::User1], std::uint8_t(11));
    QCOMPARE(ParameterImage[EEAddr::User1 + 11], std::uint8_t('3'));
    QCOMPARE(ParameterImage[EEAddr::Marker], std::uint8_t(0x37));
  }

  // What the procedure does without a connection is the transfer's; the window adds the box.
  void aProcedureWithoutAConnectionShowsAPlainBoxUnderTheProgramsTitle() {
    Button("btRead")->click();
    QCOMPARE(Dialogs().messages.size(), std::size_t(1));
    QCOMPARE(Dialogs().messages[0].text, kNoConnectionStatus);
    QCOMPARE(Dialogs().messages[0].icon, DialogService::Icon::None);
    QCOMPARE(Dialogs().messages[0].caption, ApplicationTitle());
  }

  void everyButtonIsDisabledWhileAProcedureRunsAndTheFocusStays_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QList<QColor>>("after");
    // A module that never answers: the first block fails by time-out.
    QTest::newRow("read") << "btRead" << QByteArray("RDFL0000\r") << QList<QColor>{kRed, kWhite, kWhite, kWhite};
    QTest::newRow("write") << "btWrite" << QByteArray("WRFL\r") << QList<QColor>{kRed, kWhite, kWhite, kWhite};
    QTest::newRow("compare") << "btCompare" << QByteArray("RDFL0000\r")
                             << QList<QColor>{kRed, kYellow, kYellow, kYellow};
  }
  void everyButtonIsDisabledWhileAProcedureRunsAndTheFocusStays() {
    QFETCH(QString, button);
    QFETCH(QByteArray, command);
    QFETCH(QList<QColor>, after);
    PtyPair module;
    module.LinkAs("COM5");
    transfer_->line.Connect("COM5");
    QList<bool> during;
    QTimer::singleShot(0, &Form(), [&] { during = ButtonsEnabled(); });
    QPushButton* started = Button(button.toLatin1().constData());
    started->setFocus();
    started->click();
    QCOMPARE(during, QList<bool>(7, false));
    QCOMPARE(ButtonsEnabled(), QList<bool>(7, true));
    // Disabled, the button lost the focus; the keyboard goes on from it.
    QCOMPARE(Form().focusWidget(), started);
    // The procedure the button starts, by what it sends and how its time-out shows.
    QCOMPARE(Indicators(), after);
    const std::string sent = module.Drain();
    QVERIFY2(QByteArray::fromStdString(sent).startsWith(command), sent.c_str());
  }

  void aSerialLinkErrorDuringAProcedureIsShownUnchangedInAnErrorBox() {
    auto module = std::make_unique<PtyPair>();
    module->LinkAs("COM6");
    transfer_->line.Connect("COM6");
    module->CloseMaster();
    module->CloseSlave();
    Button("btRead")->click();
    QCOMPARE(Dialogs().messages.size(), std::size_t(1));
    QCOMPARE(Dialogs().messages[0].icon, DialogService::Icon::Error);
    QVERIFY2(Dialogs().messages[0].text.startsWith("WriteFile function failed (win error code: "),
             qPrintable(Dialogs().messages[0].text));
    QVERIFY(Dialogs().messages[0].text.endsWith(")"));  // shown unchanged, no full stop
  }

  // The close box hides the window when the procedure ends; Esc, pressed while waiting for
  // the module, hid the lamps that tell how it went.
  void closingDuringAProcedureHidesTheWindowWhenItEndsButEscDoesNothing_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("close box") << false;
    QTest::newRow("Esc") << true;
  }
  // The lamps a compare coloured say why, to the eye and to assistive tools; a new
  // colour makes the report go.
  void theComparedLampsExplainThemselvesInTooltipAndDescription() {
    SimulatedModule module("COM5", ConfigDir());
    module.Start();
    transfer_->line.Connect("COM5");
    ParameterImage = module.Memory();
    StoreSmsText(ParameterImage, EEAddr::SmsText(2), "Teszt");
    Button("btCompare")->click();
    auto* first = Control<QLabel>(&Form(), "BP1");
    const QString report = QString::fromUtf8("SMS 2: Teszt \u2260 Tűzjelzés a lakásban");
    QCOMPARE(first->accessibleDescription(), report);
    QCOMPARE(first->toolTip(), report);
    QVERIFY(Control<QLabel>(&Form(), "BP2")->toolTip().isEmpty());  // not reached

    ParameterImage = module.Memory();
    Button("btCompare")->click();
    QCOMPARE(first->toolTip(), QStringLiteral("Egyezik"));
    Form().SetAllIndicators(IndicatorColour::Silver);
    QVERIFY(first->toolTip().isEmpty());
  }

  void closingDuringAProcedureHidesTheWindowWhenItEndsButEscDoesNothing() {
    QFETCH(bool, escape);
    PtyPair module;
    module.LinkAs("COM5");
    transfer_->line.Connect("COM5");
    bool visibleAfterClose = false;
    QTimer::singleShot(0, &Form(), [&] {
      if (escape)
        PressKey(Qt::Key_Escape);
      else
        Form().close();
      visibleAfterClose = Form().isVisible();
    });
    Button("btCompare")->click();
    QVERIFY(visibleAfterClose);
    QCOMPARE(Form().isVisible(), escape);
    QCOMPARE(Form().IndicatorShown(0), kRed);
  }

  void closingOnlyHidesTheWindowAndKeepsItsLamps_data() {
    QTest::addColumn<QString>("by");
    QTest::newRow("btClose") << "btClose";
    QTest::newRow("close box") << "close box";
    QTest::newRow("Esc") << "Esc";
  }
  void closingOnlyHidesTheWindowAndKeepsItsLamps() {
    QFETCH(QString, by);
    if (by == "close box")
      Form().close();
    else if (by == "Esc")
      PressKey(Qt::Key_Escape);
    else
      Button("btClose")->click();
    QVERIFY(!Form().isVisible());
    Form().SetIndicator(0, IndicatorColour::Red);  // still alive as the transfer view
    QCOMPARE(Form().IndicatorShown(0), kRed);
  }
};

QTEST_MAIN(DownloadFormTests)
#include "download_form_tests.moc"
