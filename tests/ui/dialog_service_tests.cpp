// The general error handler's text and box, the code page 1250 edge, Qt's own texts
// in Hungarian and where the file dialogs open.

#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTranslator>
#include <QTreeView>
#include <QtTest>

#include "params/image_file.h"
#include "serial/com_port.h"
#include "tests/ui/ui_test_support.h"
#include "ui/dialog_service.h"
#include "ui/qt_translation.h"
#include "ui/text_codec.h"

namespace {

// A home folder of the test's own, with a config folder that names no documents folder,
// so the documents folder is <home>/Documents.
class TestHome {
 public:
  TestHome() : saved_(qgetenv("HOME")) { qputenv("HOME", dir_.path().toLocal8Bit()); }
  ~TestHome() { qputenv("HOME", saved_); }
  QString Path(const QString& name = QString()) const { return name.isEmpty() ? dir_.path() : dir_.filePath(name); }
  // Windows' documents folder is the user's known folder, which HOME does not move.
  bool MovesTheDocumentsFolder() const {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) == Path(QStringLiteral("Documents"));
  }

 private:
  QTemporaryDir dir_;
  TempConfigHome config_;
  QByteArray saved_;
};

}  // namespace

class DialogServiceTests : public QObject {
  Q_OBJECT

 private slots:
  void generalErrorText_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a letter gets a full stop") << QByteArray("File not found") << QStringLiteral("File not found.");
    QTest::newRow("a closing bracket stays") << QByteArray("Unable to open com port (win error code: 2)")
                                             << QStringLiteral("Unable to open com port (win error code: 2)");
    QTest::newRow("a full stop stays") << QByteArray("Done.") << QStringLiteral("Done.");
    QTest::newRow("empty stays empty") << QByteArray("") << QString();
    QTest::newRow("a digit gets one") << QByteArray("I/O error 5") << QStringLiteral("I/O error 5.");
    QTest::newRow("a slash gets one") << QByteArray("Cannot Create /tmp/") << QStringLiteral("Cannot Create /tmp/.");
    QTest::newRow("an exclamation mark stays") << QByteArray("Hiba!") << QStringLiteral("Hiba!");
    QTest::newRow("a hyphen stays") << QByteArray("a-") << QStringLiteral("a-");
    QTest::newRow("an accented last byte gets one") << QByteArray("R\xF6vidz\xE1r") << QString::fromUtf8("Rövidzár.");
  }
  void generalErrorText() {
    QFETCH(QByteArray, message);
    QFETCH(QString, shown);
    QCOMPARE(GeneralErrorText(message.toStdString()), shown);
  }

  void theGeneralErrorHandlerShowsAnErrorBoxWithTheTitle() {
    AnsweringDialogs dialogs;
    ShowGeneralError(EInOutError("File not found", 2));
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QCOMPARE(dialogs.messages[0].caption, QStringLiteral("dialog_service_tests"));
    QCOMPARE(dialogs.messages[0].text, QStringLiteral("File not found."));
    QVERIFY(dialogs.messages[0].icon == DialogService::Icon::Error);
  }

  void guardedHandsEveryErrorToTheHandler() {
    AnsweringDialogs dialogs;
    Guarded(nullptr, [] { throw EComPort(CE_WriteFailed, 5); });
    Guarded(nullptr, [] { throw 42; });
    Guarded(nullptr, [] {});
    QCOMPARE(dialogs.messages.size(), std::size_t{2});
    QCOMPARE(dialogs.messages[0].text, QStringLiteral("WriteFile function failed (win error code: 5)"));
    QCOMPARE(dialogs.messages[1].text, QStringLiteral("Unknown error."));
  }

  void aPlainMessageHasNoIcon() {
    AnsweringDialogs dialogs;
    ShowPlainMessage(QStringLiteral(" Nincs soros kapcsolat."));
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QCOMPARE(dialogs.messages[0].text, QStringLiteral(" Nincs soros kapcsolat."));
    QVERIFY(dialogs.messages[0].icon == DialogService::Icon::None);
  }

  void codePage1250_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("COM5") << QStringLiteral("COM5");
    QTest::newRow("small accents") << QByteArray("\xE1\xE9\xED\xF3\xF6\xF5\xFA\xFC\xFB")
                                   << QString::fromUtf8("áéíóöőúüű");
    QTest::newRow("capital accents") << QByteArray("\xC1\xC9\xD6\xD5\xDC\xDB") << QString::fromUtf8("ÁÉÖŐÜŰ");
    QTest::newRow("euro sign") << QByteArray("\x80") << QString::fromUtf8("€");
    QTest::newRow("undefined bytes") << QByteArray("\x81\x83\x88\x90\x98")
                                     << QStringLiteral("\u0081\u0083\u0088\u0090\u0098");
  }
  void codePage1250() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(FromCp1250(bytes.toStdString()), text);
    QCOMPARE(ToCp1250(text), bytes.toStdString());
    QVERIFY(FitsCp1250(text));
  }

  void qtsOwnTextsAreHungarianWhenItsTranslationIsThere_data() {
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("Qt's translations folder") << true << QString::fromUtf8("Mégse");
    QTest::newRow("a folder without it") << false << QStringLiteral("Cancel");
  }
  void qtsOwnTextsAreHungarianWhenItsTranslationIsThere() {
    QFETCH(bool, installed);
    QFETCH(QString, cancel);
    QTemporaryDir empty;
    const QString folder = installed ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : empty.path();
    if (installed && !QFile::exists(folder + QStringLiteral("/qtbase_hu.qm")))
      QSKIP("qt6-translations-l10n is not installed (make deps installs it)");
    QTranslator* translator = InstallQtTranslation(folder);
    QCOMPARE(translator != nullptr, installed);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }

  void fileDialogStartFolder_data() {
    QTest::addColumn<QStringList>("made");  // folders under the home folder
    QTest::addColumn<QString>("last");      // the folder of the file chosen last, if any
    QTest::addColumn<QString>("opensIn");   // empty for the home folder itself
    QTest::newRow("documents") << QStringList{"Documents"} << QString() << QString("Documents");
    QTest::newRow("no documents folder: home") << QStringList() << QString() << QString();
    QTest::newRow("the folder chosen last")
        << QStringList{"Documents", "images"} << QString("images") << QString("images");
    QTest::newRow("chosen last, gone since") << QStringList{"Documents"} << QString("images") << QString("Documents");
  }
  void fileDialogStartFolder() {
    QFETCH(QStringList, made);
    QFETCH(QString, last);
    QFETCH(QString, opensIn);
    TestHome home;
    if (!made.contains(last) && !home.MovesTheDocumentsFolder()) QSKIP("the documents folder is not under HOME here");
    for (const QString& folder : made) QDir(home.Path()).mkdir(folder);
    QCOMPARE(FileDialogStartFolder(last.isEmpty() ? QString() : home.Path(last)), home.Path(opensIn));
  }

  // The real dialog: it opens in the documents folder, then where the last file was
  // chosen, and its date column is as wide as the dates and in sight.
  void theFileDialogOpensWhereTheLastFileWasWithItsDatesInSight() {
    TestHome home;
    QDir(home.Path()).mkpath(QStringLiteral("Documents/images"));
    const QString image = home.Path(QStringLiteral("Documents/images/a.HVK"));
    QFile(image).open(QIODevice::WriteOnly);
    QStringList openedIn;
    bool datesFit = false;
    for (int round = 0; round < 2; ++round) {
      WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog != nullptr);
        openedIn << dialog->directory().absolutePath();
        auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        datesFit = QTest::qWaitFor([&] {
          const int date = 3;
          const QModelIndex first = view->model()->index(0, date, view->rootIndex());
          const QHeaderView* header = view->header();
          return first.isValid() && header->sectionSize(date) >= view->sizeHintForIndex(first).width() &&
                 header->sectionSize(date) >= header->sectionSizeHint(date) &&
                 header->sectionViewportPosition(date) + header->sectionSize(date) <= view->viewport()->width();
        });
        // Typed, as a person would: the name field has the focus.
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(image);
        static_cast<QDialog*>(dialog)->accept();
      });
      const QString filter = QStringLiteral("Harnvik Data (*.HVK)");
      QCOMPARE(DialogService::Current().GetOpenFileName(nullptr, filter, QStringLiteral("*.HVK"), filter), image);
    }
    QCOMPARE(openedIn, (QStringList{QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                    home.Path(QStringLiteral("Documents/images"))}));
    QVERIFY(datesFit);
  }

  // Windows' Qt has no code page 1250 of its own: a text that came back different (or
  // empty) would be stored into the module as it came back.
  void everyByteComesBackFromTheWindowsUnchanged() {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
    QCOMPARE(FromCp1250(all).size(), qsizetype{256});
    QCOMPARE(ToCp1250(FromCp1250(all)), all);
    QVERIFY(FitsCp1250(FromCp1250(all)));
  }

  void charactersOutsideTheCodePageDoNotFit() {
    QCOMPARE(ToCp1250(QString::fromUtf8("a\u4E2D\U0001F600")), std::string("a\x1A\x1A"));
    QVERIFY(!FitsCp1250(QString::fromUtf8("ŵ")));
    QVERIFY(!FitsCp1250(QString::fromUtf8("a\u4E2D")));
    QVERIFY(FitsCp1250(QString()));
  }
};

QTEST_MAIN(DialogServiceTests)
#include "dialog_service_tests.moc"
