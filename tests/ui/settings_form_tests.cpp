// The settings editor window: its texts and layout, filling and reading back the
// values, the SMS fields' limits, and what accepting and cancelling store.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/window_tables.h"
#include "ui/char_grid.h"
#include "ui/settings_form.h"
#include "ui/text_codec.h"

namespace {

// An image with a value in every field the editor shows.
ImageBytes SampleValues() {
  ImageBytes image;
  image.fill(kErasedByte);
  EditorValues values;
  const char* phone = "36201234567";
  for (std::size_t i = 0; phone[i]; ++i) values.user1[i] = std::string(1, phone[i]);
  values.user2[0] = "5";
  values.smsFw2[15] = "9";
  values.prefix = {"0", "9"};
  values.events[0] = {"1", "*", "3", "0"};
  values.events[8] = {"6", "0", "2", "1"};
  values.sms[0] = "Riaszt\xE1s";
  values.sms[9] = "IN2 \xE9rz\xE9kel\xF5";
  StoreAll(image, values);
  return image;
}

}  // namespace

class SettingsFormTests : public WindowTest {
  Q_OBJECT

 private:
  TSettingsForm* form_ = nullptr;

  TCharGrid* Grid(const char* name) { return Control<TCharGrid>(form_, name); }
  QLineEdit* Sms(int n) { return Control<QLineEdit>(form_, ("edSMS" + std::to_string(n)).c_str()); }

  void Accept() { Control<QPushButton>(form_, "btSettingOK")->click(); }

 private slots:
  void init() {
    StartWorld();
    ParameterImage.fill(kErasedByte);
    form_ = new TSettingsForm;
    form_->SetValues(LoadAll(ParameterImage));
    ShowActive(form_);
  }
  void cleanup() {
    delete form_;
    form_ = nullptr;
    EndWorld();
  }

  void theWindowShowsItsTableInTwoFramesAboveItsButtons() {
    SaveShot(form_, "settings-form");
    CompareWithTable(form_, SettingsTable());
    QCOMPARE(form_->findChildren<QGroupBox*>().size(), 2);
    auto* phones = Control(form_, "gbPhoneNumbers");
    auto* sms = Control(form_, "gbSmsSettings");
    QVERIFY(phones->geometry().bottom() < sms->geometry().top());
    auto* ok = Control(form_, "btSettingOK");
    auto* cancel = Control(form_, "btSettingCancel");
    QVERIFY(ok->x() < cancel->x());
    QVERIFY(sms->geometry().bottom() < ok->y());
    QVERIFY(form_->rect().contains(cancel->geometry()));
    for (QWidget* w : form_->findChildren<QWidget*>()) {
      if (w->parentWidget() && w->isVisible())
        QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), qPrintable(w->objectName()));
    }
    for (int n = 1; n <= 10; ++n) QCOMPARE(Sms(n)->maxLength(), 40);
  }

  void noLabelIsCutOff() {
    for (const ControlRow& row : RowsWithRole(SettingsTable(), QAccessible::StaticText)) {
      auto* label = Control<QLabel>(form_, row.name);
      QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(QStringLiteral("%1: %2 wide, needs %3")
                                                                           .arg(row.name)
                                                                           .arg(label->width())
                                                                           .arg(label->sizeHint().width())));
    }
  }

  void everyFieldShowsItsValueAndReadsBackTheSameImage() {
    const ImageBytes image = SampleValues();
    form_->SetValues(LoadAll(image));
    QCOMPARE(Grid("acgUSER1")->Cell(0), QString("3"));
    QCOMPARE(Grid("acgUSER1")->Cell(10), QString("7"));
    QCOMPARE(Grid("acgUSER1")->Cell(11), QString());
    QCOMPARE(Grid("acgSMSFW2")->Cell(0), QString("9"));  // digits close up
    QCOMPARE(Grid("acgNETPREFIX")->Cell(1), QString("9"));
    QCOMPARE(Grid("acgEvent1")->Cell(1), QString("*"));
    QCOMPARE(Grid("acgEvent2")->Cell(0), QString(" "));  // no code: spaces
    QCOMPARE(Sms(1)->text(), QString::fromUtf8("Riasztás"));
    QCOMPARE(Sms(10)->text(), QString::fromUtf8("IN2 érzékelő"));
    QCOMPARE(Sms(2)->text(), QString());
    // Reading back what was shown and storing it gives the same image.
    ImageBytes again;
    again.fill(kErasedByte);
    StoreAll(again, form_->Values());
    QVERIFY(again == image);
  }

  void acceptingUnchangedValuesSetsTheMarker() {
    ParameterImage[EEAddr::Marker] = 0x00;
    Accept();
    QCOMPARE(ParameterImage[EEAddr::Marker], std::uint8_t(0x37));
    QCOMPARE(form_->result(), int(QDialog::Accepted));
    QVERIFY(!form_->isVisible());
  }

  void aTypedEventCodeIsStored() {
    Grid("acgEvent1")->setFocus();
    TypeKeys("1*30");
    Accept();
    QCOMPARE(ParameterImage[102], std::uint8_t(0x1A));
    QCOMPARE(ParameterImage[103], std::uint8_t(0x30));
  }

  void anEventCodeWithALetterIsStoredAsNoCode() {
    ParameterImage[104] = 0x12;
    ParameterImage[105] = 0x34;
    form_->SetValues(LoadAll(ParameterImage));
    Grid("acgEvent2")->setFocus();
    TypeKeys("a");
    QCOMPARE(Grid("acgEvent2")->Cell(0), QString("A"));
    Accept();
    QCOMPARE(ParameterImage[104], std::uint8_t(0xFF));
    QCOMPARE(ParameterImage[105], std::uint8_t(0xFF));
  }

  void aTypedPhoneNumberIsStoredWithItsLength() {
    Grid("acgSMSFW1")->setFocus();
    TypeKeys("3620\b1");
    Accept();
    const std::uint8_t expected[] = {3, '3', '6', '2', '1'};
    QCOMPARE(ParameterImage[EEAddr::SmsFw1], std::uint8_t(4));
    for (int i = 1; i < 5; ++i) QCOMPARE(ParameterImage[EEAddr::SmsFw1 + i], std::uint8_t(expected[i]));
    for (int i = 5; i < 17; ++i) QCOMPARE(ParameterImage[EEAddr::SmsFw1 + i], std::uint8_t(0));
  }

  void aPastedPairInAnOpenEditorIsStoredAsItsFirstDigit() {
    // Clicking the button takes the focus from the grid, which cleans the cell first.
    auto* grid = Grid("acgAUTODIAL");
    grid->setFocus();
    PressKey(Qt::Key_F2);
    grid->InplaceEditor()->insert("42");
    QCOMPARE(grid->Cell(0), QString("42"));
    auto* ok = Control<QPushButton>(form_, "btSettingOK");
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(ParameterImage[EEAddr::AutoDial], std::uint8_t(1));
    QCOMPARE(ParameterImage[EEAddr::AutoDial + 1], std::uint8_t('4'));
  }

  void smsTextsTakeWhatTheCodePageHoldsUpTo40Characters_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("accents") << QString::fromUtf8("áéíóöőúüű ÁÉÍÓÖŐÚÜŰ") << QString::fromUtf8("áéíóöőúüű ÁÉÍÓÖŐÚÜŰ");
    QTest::newRow("euro sign fits") << QString::fromUtf8("10 €") << QString::fromUtf8("10 €");
    QTest::newRow("foreign letters refused") << QString::fromUtf8("añø✓b") << QString("ab");
    QTest::newRow("dot above refused") << QString::fromUtf8("x˙y") << QString("xy");
    QTest::newRow("41st character refused") << QString(41, QChar('w')) << QString(40, QChar('w'));
  }
  void smsTextsTakeWhatTheCodePageHoldsUpTo40Characters() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    Sms(3)->setFocus();
    TypeKeys(typed);
    QCOMPARE(Sms(3)->text(), kept);
    Accept();
    QCOMPARE(LoadSmsText(ParameterImage, EEAddr::SmsText(3)), ToCp1250(kept));
  }

  void aPastedSmsTextWithAForeignCharacterIsRefused() {
    Sms(4)->setText("ok");
    Sms(4)->setFocus();
    Sms(4)->end(false);
    Sms(4)->insert(QString::fromUtf8(" ✓"));
    QCOMPARE(Sms(4)->text(), QString("ok"));
    Sms(4)->insert(QString::fromUtf8(" ő"));
    QCOMPARE(Sms(4)->text(), QString::fromUtf8("ok ő"));
  }

  void cancellingStoresNothing_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("cancel button") << false;
    QTest::newRow("close box") << true;
  }
  void cancellingStoresNothing() {
    QFETCH(bool, closeBox);
    const ImageBytes before = ParameterImage;
    Grid("acgUSER1")->setFocus();
    TypeKeys("555");
    Sms(1)->setText("elveszik");
    if (closeBox)
      form_->close();
    else
      Control<QPushButton>(form_, "btSettingCancel")->click();
    QVERIFY(!form_->isVisible());
    QCOMPARE(form_->result(), int(QDialog::Rejected));
    QVERIFY(ParameterImage == before);
  }

  void enterAndEscDoNotEndTheEditor() {
    Sms(2)->setFocus();
    PressKey(Qt::Key_Return);
    PressKey(Qt::Key_Escape);
    QVERIFY(form_->isVisible());
    QVERIFY(ParameterImage[EEAddr::Marker] == kErasedByte);
  }

  void tabFollowsTheRows() {
    QStringList expected = {"acgUSER1", "acgUSER2", "acgSMSFW1", "acgSMSFW2", "acgAUTODIAL", "acgNETPREFIX"};
    for (int n = 1; n <= 9; ++n) expected << QString("acgEvent%1").arg(n) << QString("edSMS%1").arg(n);
    expected << "edSMS10"
             << "btSettingOK"
             << "btSettingCancel"
             << "acgUSER1";
    Grid("acgUSER1")->setFocus();
    QStringList visited = {QApplication::focusWidget()->objectName()};
    for (int i = 1; i < expected.size(); ++i) {
      PressKey(Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
  }
};

QTEST_MAIN(SettingsFormTests)
#include "settings_form_tests.moc"
