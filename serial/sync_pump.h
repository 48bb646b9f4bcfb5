#pragma once
// The event pump of a program without a toolkit (the command-line tool, the tests,
// the benchmark): serves the serial link's hand-offs and ticks TransferCountdown
// every kTickPeriod, or at the period a test chooses (1 ms makes a 50-tick time-out
// cost 50 ms). It blocks until the next hand-off or tick, as a toolkit's loop does, so a
// wait on a silent line costs no CPU.

#include <chrono>
#include <functional>

#include "protocol/event_pump.h"
#include "protocol/transfer.h"
#include "serial/thread_sync.h"

class SyncPump : public EventPump {
 public:
  using Period = std::chrono::microseconds;

  explicit SyncPump(ThreadSync& sync, Period tickPeriod = kTickPeriod);

  // Runs what is pending: the hand-offs waiting now and a tick that is due. With
  // nothing pending, blocks until a hand-off arrives or the next tick is due.
  void ProcessEvents() override;

  // Pumps until done() holds or the timeout passes; true when done() held.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  int Ticks() const { return ticks_; }

 private:
  // True when a tick was due and ran.
  bool TickIfDue(std::chrono::steady_clock::time_point now);

  ThreadSync& sync_;
  std::chrono::steady_clock::duration period_;
  std::chrono::steady_clock::time_point nextTick_;
  int ticks_ = 0;
};
