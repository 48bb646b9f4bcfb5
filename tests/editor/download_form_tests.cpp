#include <QTest>

class DownloadFormTests : public QObject {
  Q_OBJECT
};

QTEST_MAIN(DownloadFormTests)
#include "download_form_tests.moc"
