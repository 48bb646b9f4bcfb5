#include "tests/ui/ui_test_support.h"

#include <QDialog>
#include <QFile>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "serial/port_names.h"
#include "tests/support/descriptor_count.h"

void AnsweringDialogs::ShowMessage(QWidget*, const QString& caption, const QString& text, Icon icon) {
  messages.push_back({caption, text, icon});
}

QStringList AnsweringDialogs::Texts() const {
  QStringList texts;
  for (const Message& message : messages) texts << message.text;
  return texts;
}

std::vector<DialogService::Icon> AnsweringDialogs::Icons() const {
  std::vector<Icon> icons;
  for (const Message& message : messages) icons.push_back(message.icon);
  return icons;
}

QString AnsweringDialogs::GetOpenFileName(QWidget*, const QString& title, const QString& initialName,
                                          const QString& filter) {
  return Answer({false, title, initialName, filter, QString()});
}

QString AnsweringDialogs::GetSaveFileName(QWidget*, const QString& title, const QString& initialName,
                                          const QString& filter, const QString& defaultSuffix) {
  return Answer({true, title, initialName, filter, defaultSuffix});
}

QString AnsweringDialogs::Answer(const FileRequest& request) {
  fileRequests.push_back(request);
  if (duringFileDialog) duringFileDialog();
  if (answers.empty()) return {};
  QString path = answers.front();
  answers.pop_front();
  return path;
}

TestPorts::TestPorts() { UnplugMachinePorts(home_.Path()); }

TestPorts::~TestPorts() = default;

PtyPair& TestPorts::Pty(const std::string& comName) {
  auto& pty = ptys_[comName];
  if (!pty) pty = std::make_unique<PtyPair>();
  pty->LinkAs(comName);
  return *pty;
}

void TestPorts::Unplug(const std::string& comName) { LinkPort(comName, home_.Path() + "/no-such-device"); }

namespace {

// What the toolkit opens on first use and keeps for the run: the threads of its
// pool (kept for good here, so that none ends between two counts), and what showing
// a window and running one modally open.
void OpenWhatTheToolkitKeeps() {
  static bool done = false;
  if (done) return;
  done = true;
  QThreadPool::globalInstance()->setExpiryTimeout(-1);
  // Large images are converted on every thread of the pool.
  QImage large(2000, 2000, QImage::Format_ARGB32);
  large.fill(Qt::white);
  static_cast<void>(large.convertToFormat(QImage::Format_RGB888));
  // The style and image format plugins are libraries loaded on first use and kept. Loaded
  // first here: under Wine, loading one late in a run crashed in Wine's loader.
  for (const QString& key : QStyleFactory::keys()) delete QStyleFactory::create(key);
  QImage().loadFromData(QByteArray("no image: every format's plugin is asked"));
  QDialog window;
  ShowActive(&window);
  QDialog modal;
  WhenModal([](QWidget* shown) { shown->close(); });
  modal.exec();
}

}  // namespace

void WindowTest::StartWorld() {
  OpenWhatTheToolkitKeeps();
  descriptorsBefore_ = OpenDescriptorCount();
  world_ = std::make_unique<TestWorld>();
}

void WindowTest::EndWorld() {
  world_.reset();
  const int open = OpenDescriptorCount();
  if (open != descriptorsBefore_) {
    // Linux names what each descriptor stands for; elsewhere there is no such folder.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
      qInfo("fd %s -> %s", entry.path().filename().string().c_str(),
            std::filesystem::read_symlink(entry.path(), error).string().c_str());
    }
  }
  QCOMPARE(open, descriptorsBefore_);
}

std::string ReadChoiceFile() {
  QFile file(QString::fromStdString(PortChoicePath()));
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

void WriteChoiceFile(const std::string& bytes) {
  QFile file(QString::fromStdString(PortChoicePath()));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

QStringList TabOrder(QWidget* window) {
  QStringList names;
  for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
    if (w->window() == window && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window)) names << w->objectName();
  }
  return names;
}

void WhenModal(std::function<void(QWidget* modal)> action) {
  auto* poll = new QTimer(QCoreApplication::instance());
  poll->setInterval(1);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    // Keys go to the focused control, so the modal window must have the focus first.
    if (QApplication::activeWindow() != modal) {
      modal->activateWindow();
      return;
    }
    poll->stop();
    poll->deleteLater();
    action(modal);
  });
  poll->start();
}

void SaveShot(QWidget* window, const char* name) {
  const QString dir = qEnvironmentVariable("KELVARO_SHOT_DIR");
  if (dir.isEmpty()) return;
  window->grab().save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

LinkBench::LinkBench() { InstallQtWake(sync, &wakeContext_); }

LinkBench::~LinkBench() {
  // Closed while the wake's context lives: the port's thread ends before it goes.
  try {
    port.SetConnected(false);
  } catch (...) {
  }
}

void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::focusWidget();
  if (!target) target = QApplication::activeWindow();
  QTest::keyClick(target, key, modifiers);
}

void TypeKeys(const QString& text) {
  for (QChar c : text) {
    QWidget* target = QApplication::focusWidget();
    if (!target) target = QApplication::activeWindow();
    if (c == QLatin1Char('\b'))
      QTest::keyClick(target, Qt::Key_Backspace);
    else if (c == QLatin1Char('\r'))
      QTest::keyClick(target, Qt::Key_Return);
    else
      QTest::sendKeyEvent(QTest::KeyAction::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

void ShowActive(QWidget* window) {
  window->show();
  window->activateWindow();
  QApplication::setActiveWindow(window);
  if (!QTest::qWaitForWindowActive(window)) qWarning("window did not become active");
}
