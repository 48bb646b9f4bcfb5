// The whole job against the simulated module: read its memory, edit a phone number
// and an SMS text with Hungarian accents in the settings editor, write it back,
// compare, and find exactly the edited code page 1250 bytes in the module.
// It runs with the real 100 ms tick: the waits end on the replies, not on the clock.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "serial/port_names.h"
#include "sim/simulated_module.h"
#include "tests/ui/transfer_bench.h"
#include "tests/ui/ui_test_support.h"
#include "ui/char_grid.h"
#include "ui/download_form.h"

namespace {

const QColor kGreen(0, 128, 0);

// What the edit below must leave in the image: the new number and text, and the marker.
ImageBytes Edited(ImageBytes image) {
  const std::uint8_t phone[17] = {11, '3', '6', '3', '0', '1', '2', '3', '4', '5', '6', '7', 0, 0, 0, 0, 0};
  std::copy(std::begin(phone), std::end(phone), image.begin() + EEAddr::User1);
  const std::uint8_t accents[] = {0xE1, 0xE9, 0xED, 0xF3, 0xF6, 0xF5, 0xFA, 0xFC, 0xFB};
  const std::size_t sms = EEAddr::SmsText(1);
  image[sms] = 9;
  std::copy(std::begin(accents), std::end(accents), image.begin() + static_cast<std::ptrdiff_t>(sms + 1));
  std::fill(image.begin() + static_cast<std::ptrdiff_t>(sms + 10),
            image.begin() + static_cast<std::ptrdiff_t>(sms + 41), std::uint8_t(' '));
  image[EEAddr::Marker] = kStoredMarker;
  return image;
}

}  // namespace

class RoundTripTests : public WindowTest {
  Q_OBJECT

 private slots:
  void readEditWriteAndCompareLeaveExactlyTheEditedBytesInTheModule() {
    SimulatedModule module("COM7", ConfigDir());
    module.Start();
    TransferBench transfer;
    transfer.line.Connect("COM7");
    TFormDownload& form = transfer.form;
    auto allGreen = [&form] {
      for (int b = 0; b < 4; ++b)
        if (form.IndicatorShown(b) != kGreen) return false;
      return true;
    };
    auto click = [&form](const char* name) { Control<QPushButton>(&form, name)->click(); };

    const ImageBytes original = module.Memory();
    click("btRead");
    QVERIFY(allGreen());
    QVERIFY(ParameterImage == original);

    WhenModal([](QWidget* editor) {
      auto* grid = Control<TCharGrid>(editor, "acgUSER1");
      grid->setFocus();
      PressKey(Qt::Key_Home);
      TypeKeys("\b36301234567");
      auto* sms = Control<QLineEdit>(editor, "edSMS1");
      sms->setFocus();
      PressKey(Qt::Key_A, Qt::ControlModifier);
      TypeKeys(QString::fromUtf8("áéíóöőúüű"));
      QTest::mouseClick(Control<QPushButton>(editor, "btSettingOK"), Qt::LeftButton);
    });
    click("btEdit");
    const ImageBytes expected = Edited(original);
    QVERIFY(!(expected == original));
    QVERIFY(ParameterImage == expected);

    click("btWrite");
    QVERIFY(allGreen());
    click("btCompare");
    QVERIFY(allGreen());
    QVERIFY(Dialogs().messages.empty());
    QVERIFY(module.Memory() == expected);
  }
};

QTEST_MAIN(RoundTripTests)
#include "round_trip_tests.moc"
