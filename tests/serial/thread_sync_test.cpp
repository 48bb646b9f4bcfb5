// The hand-off between a waiting thread and the user-interface thread (this test's thread).

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "serial/sync_pump.h"
#include "serial/thread_sync.h"
#include "tests/support/raised.h"

namespace {

using namespace std::chrono_literals;

TEST(ThreadSync, RequestRunsOnTheServingThreadAndTheSenderWaitsForIt) {
  ThreadSync sync;
  std::thread::id ranOn;
  std::atomic<bool> returned{false};
  bool ranBeforeReturn = false;
  std::thread sender([&] {
    sync.Send([&] { ranOn = std::this_thread::get_id(); });
    ranBeforeReturn = ranOn != std::thread::id();
    returned = true;
  });
  ASSERT_TRUE(sync.WaitForRequest(5s));
  EXPECT_FALSE(returned);
  sync.Serve();
  sender.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_TRUE(ranBeforeReturn);
}

TEST(ThreadSync, TheRequestsExceptionGoesBackToTheSender) {
  ThreadSync sync;
  std::exception_ptr error;
  std::thread sender([&] { error = sync.Send([] { throw std::runtime_error("dispatch failed"); }); });
  ASSERT_TRUE(sync.WaitForRequest(5s));
  EXPECT_NO_THROW(sync.Serve());
  sender.join();
  const auto raised = Raised<std::runtime_error>([&] { std::rethrow_exception(error); });
  ASSERT_TRUE(raised);
  EXPECT_STREQ(raised->what(), "dispatch failed");
}

TEST(ThreadSync, WakeIsCalledForEveryRequest) {
  ThreadSync sync;
  std::atomic<int> wakes{0};
  sync.SetWake([&] { ++wakes; });
  std::atomic<bool> done{false};
  std::thread sender([&] {
    sync.Send([] {});
    sync.Send([] {});
    done = true;
  });
  SyncPump loop(sync);
  ASSERT_TRUE(loop.PumpUntil([&] { return done.load(); }, std::chrono::seconds(5)));
  sender.join();
  EXPECT_EQ(wakes, 2);
}

TEST(ThreadSync, ServeUntilServesRequestsUntilTheConditionHolds) {
  ThreadSync sync;
  std::atomic<bool> ended{false};
  int runs = 0;
  std::thread sender([&] {
    for (int i = 0; i < 3; ++i) sync.Send([&] { ++runs; });
    ended = true;
    sync.Notify();
  });
  sync.ServeUntil([&] { return ended.load(); });
  sender.join();
  EXPECT_EQ(runs, 3);
}

// Closing from inside a notification: the request runs below the closing, which
// must see the waiting thread end before the request returns.
TEST(ThreadSync, AbandonReleasesTheSenderOfTheRunningRequest) {
  ThreadSync sync;
  std::atomic<bool> abandon{false};
  std::atomic<bool> returned{false};
  std::exception_ptr error;
  bool senderLeftWhileRunning = false;
  std::thread sender([&] {
    error = sync.Send(
        [&] {
          abandon = true;
          sync.Notify();
          sync.ServeUntil([&] { return returned.load(); });
          senderLeftWhileRunning = true;
          throw std::runtime_error("nobody listens any more");
        },
        abandon);
    returned = true;
    sync.Notify();
  });
  ASSERT_TRUE(sync.WaitForRequest(5s));
  EXPECT_NO_THROW(sync.Serve());
  sender.join();
  EXPECT_TRUE(senderLeftWhileRunning);
  EXPECT_FALSE(error);
}

TEST(ThreadSync, AbandonDoesNotDropAQueuedRequest) {
  ThreadSync sync;
  std::atomic<bool> abandon{false};
  std::atomic<bool> returned{false};
  bool ran = false;
  std::thread sender([&] {
    sync.Send([&] { ran = true; }, abandon);
    returned = true;
  });
  ASSERT_TRUE(sync.WaitForRequest(5s));
  abandon = true;
  sync.Notify();
  EXPECT_TRUE(sync.WaitForRequest(20ms));
  EXPECT_FALSE(returned);
  sync.Serve();
  sender.join();
  EXPECT_TRUE(ran);
}

}  // namespace
