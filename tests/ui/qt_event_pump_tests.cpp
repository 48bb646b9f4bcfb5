// The Qt side of the core's toolkit interfaces: the transfer waits' event pump and
// the wake-up that serves the serial thread's hand-offs on the user-interface thread.

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <thread>

#include "serial/thread_sync.h"
#include "tests/ui/ui_test_support.h"
#include "ui/qt_event_pump.h"

class QtEventPumpTests : public QObject {
  Q_OBJECT

 private slots:
  void processEventsWaitsForTheNextEventWhenNoneIsPending() {
    QtEventPump pump;
    bool fired = false;
    // A coarse timer, as the windows' own: under Wine a precise one does not end the wait.
    QTimer::singleShot(60, Qt::CoarseTimer, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    // Without waiting it would spin; with it, a handful of calls see the timer.
    int calls = 0;
    while (!fired && clock.elapsed() < 2000) {
      pump.ProcessEvents();
      ++calls;
    }
    QVERIFY(fired);
    QVERIFY2(calls < 20, QByteArray::number(calls));
  }

  void aHandOffIsServedByTheEventLoop() {
    ThreadSync sync;
    QObject context;
    InstallQtWake(sync, &context);
    const std::thread::id uiThread = std::this_thread::get_id();
    std::thread::id ranOn;
    std::atomic<bool> done{false};
    std::thread waiting([&] {
      sync.Send([&] { ranOn = std::this_thread::get_id(); });
      done = true;
    });
    QVERIFY(QTest::qWaitFor([&] { return done.load(); }, 3000));
    waiting.join();
    QVERIFY(ranOn == uiThread);
  }

  void aModalWindowKeepsServingHandOffs() {
    ThreadSync sync;
    QObject context;
    InstallQtWake(sync, &context);
    QDialog dialog;
    int served = 0;
    std::thread waiting;
    WhenModal([&](QWidget* modal) {
      waiting = std::thread([&, modal] {
        for (int i = 0; i < 3; ++i) sync.Send([&] { ++served; });
        QMetaObject::invokeMethod(
            modal, [modal] { modal->close(); }, Qt::QueuedConnection);
      });
    });
    dialog.exec();
    waiting.join();
    QCOMPARE(served, 3);
  }

  void callsQueuedForAContextThatIsGoneAreDropped() {
    auto sync = std::make_unique<ThreadSync>();
    auto context = std::make_unique<QObject>();
    InstallQtWake(*sync, context.get());
    std::thread waiting([&] { sync->Send([] {}); });
    // Served here without running Qt's events, so the wake-up stays queued.
    QVERIFY(sync->WaitForRequest(std::chrono::seconds(3)));
    sync->Serve();
    waiting.join();
    context.reset();
    sync.reset();
    // A wake-up reaching the gone sync would run on freed memory here.
    QTest::qWait(20);
  }
};

QTEST_MAIN(QtEventPumpTests)
#include "qt_event_pump_tests.moc"
