#pragma once
// The tests' user-interface thread: serves hand-offs the way the toolkit's loop does.

#include <chrono>
#include <functional>

#include "serial/thread_sync.h"

// Serves hand-offs until done() holds or the timeout passes; true when done() held.
inline bool ServeUntilOrTimeout(ThreadSync& sync, const std::function<bool()>& done,
                                std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    sync.WaitForRequest(std::chrono::milliseconds(5));
    sync.Serve();
  }
  return true;
}
