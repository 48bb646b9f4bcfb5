#include <QTest>

class SettingsFormTests : public QObject {
  Q_OBJECT
};

QTEST_MAIN(SettingsFormTests)
#include "settings_form_tests.moc"
