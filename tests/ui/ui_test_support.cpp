#include "ui_test_support.h"

#include <QFile>
#include <QPixmap>
#include <QTimer>
#include <cstdlib>

#include "serial/port_names.h"

namespace {
constexpr int kLastComNumber = 96;
}

TestPorts::TestPorts() {
  for (int number = 1; number <= kLastComNumber; ++number) Unplug("COM" + std::to_string(number));
}

TestPorts::~TestPorts() = default;

PtyPair& TestPorts::Pty(const std::string& comName) {
  auto& pty = ptys_[comName];
  if (!pty) pty = std::make_unique<PtyPair>();
  pty->LinkAs(comName);
  return *pty;
}

void TestPorts::Unplug(const std::string& comName) { LinkPort(comName, home_.Path() + "/no-such-device"); }

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

void WhenModal(std::function<void(QWidget* modal)> action) {
  auto* poll = new QTimer(qApp);
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, action] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      poll->stop();
      poll->deleteLater();
      action(modal);
    }
  });
  poll->start();
}

void SaveShot(QWidget* window, const char* name) {
  const char* dir = std::getenv("KELVARO_SHOT_DIR");
  if (dir == nullptr || *dir == '\0') return;
  window->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QString::fromLatin1(name) +
                      QStringLiteral(".png"));
}
