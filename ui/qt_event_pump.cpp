#include "qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

void QtEventPump::ProcessEvents() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

void InstallQtWake(ThreadSync& sync) {
  sync.SetWake([&sync] {
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&sync] { sync.Serve(); }, Qt::QueuedConnection);
  });
}
