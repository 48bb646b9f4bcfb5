// The tests' user-interface loop: hand-offs are served at once, ticks come at
// their period, and nothing in between costs a turn of the loop.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "protocol/transfer.h"
#include "serial/sync_pump.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(SyncPump, ServesAHandOffWithoutWaitingForTheTick) {
  ThreadSync sync;
  SyncPump loop(sync, std::chrono::seconds(10));
  std::atomic<bool> ran{false};
  std::thread sender([&] { sync.Send([&] { ran = true; }); });
  const auto start = Clock::now();
  EXPECT_TRUE(loop.PumpUntil([&] { return ran.load(); }, 5s));
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_EQ(loop.Ticks(), 0);
  sender.join();
}

TEST(SyncPump, TicksTheCountdownAtItsPeriod) {
  ThreadSync sync;
  SyncPump loop(sync, 2ms);
  TransferCountdown = 25;
  const auto start = Clock::now();
  int turns = 0;
  EXPECT_TRUE(loop.PumpUntil(
      [&] {
        ++turns;
        return TransferCountdown == 0;
      },
      5s));
  EXPECT_GE(Clock::now() - start, 48ms);
  EXPECT_EQ(loop.Ticks(), 25);
  // One turn per tick: the loop blocks between them instead of spinning.
  EXPECT_LE(turns, 2 * 25 + 1);
}

}  // namespace
