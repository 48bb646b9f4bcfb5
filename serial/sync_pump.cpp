#include "sync_pump.h"

#include "protocol/transfer.h"

using Clock = std::chrono::steady_clock;

SyncPump::SyncPump(ThreadSync& sync, Period tickPeriod)
    : sync_(sync), period_(tickPeriod), nextTick_(Clock::now() + period_) {}

bool SyncPump::TickIfDue(Clock::time_point now) {
  if (now < nextTick_) return false;
  TickCountdown();
  ++ticks_;
  // A late loop gets one tick, not a burst, as a toolkit timer does.
  nextTick_ += period_;
  if (nextTick_ <= now) nextTick_ = now + period_;
  return true;
}

void SyncPump::ProcessEvents() {
  bool ran = false;
  if (sync_.WaitForRequest(std::chrono::milliseconds(0))) {
    sync_.Serve();
    ran = true;
  }
  if (TickIfDue(Clock::now()) || ran) return;

  const auto untilTick = std::chrono::ceil<std::chrono::milliseconds>(nextTick_ - Clock::now());
  if (sync_.WaitForRequest(std::max(untilTick, std::chrono::milliseconds(0)))) {
    sync_.Serve();
    return;
  }
  TickIfDue(Clock::now());
}

bool SyncPump::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() >= deadline) return false;
    ProcessEvents();
  }
  return true;
}
