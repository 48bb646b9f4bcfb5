#pragma once
// The life of a port's waiting thread, the same on every platform: one thread per
// connection, stopped by the platform's stop signal while the user-interface thread
// keeps serving hand-offs, so that a thread blocked in one finishes it and sees the
// signal.

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

#include "thread_sync.h"

class WaitingThread {
 public:
  // Runs body on a new thread; body calls Ended() last. Raises std::system_error.
  void Start(std::function<void()> body) {
    ended_ = false;
    stopping_ = false;
    thread_ = std::thread(std::move(body));
  }

  // setSignal sets the platform's stop signal; returns once the thread has ended.
  void Stop(ThreadSync& sync, const std::function<void()>& setSignal) {
    if (!thread_.joinable()) return;
    setSignal();
    stopping_ = true;
    sync.Notify();
    std::this_thread::yield();
    sync.ServeUntil([this] { return ended_.load(); });
    thread_.join();
  }

  bool Running() const { return thread_.joinable() && !ended_.load(); }

  // Set while Stop waits: a hand-off then running may be abandoned (ThreadSync::Send).
  const std::atomic<bool>& Stopping() const { return stopping_; }

  // The thread's last act.
  void Ended(ThreadSync& sync) {
    ended_ = true;
    sync.Notify();
  }

 private:
  std::thread thread_;
  std::atomic<bool> ended_{true};
  std::atomic<bool> stopping_{false};
};
