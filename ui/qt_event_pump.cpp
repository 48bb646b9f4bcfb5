#include "qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

void QtEventPump::ProcessEvents() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

void InstallQtWake(ThreadSync& sync, QObject* context) {
  sync.SetWake([&sync, context] {
    QMetaObject::invokeMethod(
        context, [&sync] { sync.Serve(); }, Qt::QueuedConnection);
  });
}
