#pragma once
// The Qt side of the core's two toolkit interfaces.

#include "protocol/event_pump.h"
#include "serial/thread_sync.h"

class QObject;

// Processes pending events; when none is pending, blocks until the next one
// (a timer tick, received bytes, a hand-off), so the transfer waits never spin.
class QtEventPump : public EventPump {
 public:
  void ProcessEvents() override;
};

// Wires the hand-off's wake-up to a queued call that serves it on the
// user-interface thread. Modal windows and message boxes run event loops, so
// they keep serving hand-offs. The queued calls are tied to context, which must go
// no later than sync: once it is gone, calls still queued are dropped instead of
// reaching a sync object that has gone with it. Unset the wake-up before context goes.
void InstallQtWake(ThreadSync& sync, QObject* context);
