#pragma once
// The synchronous hand-off from a port's waiting thread to the user-interface
// thread. The waiting thread queues a request and blocks until the user-interface
// thread has run it; the user-interface thread runs requests wherever it processes
// events, and closing's wait for the thread serves them too, so the two threads can
// never wait on each other.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

class ThreadSync {
 public:
  // Waiting thread: runs request on the user-interface thread and returns once it
  // has run there, with the exception it raised, if any.
  std::exception_ptr Send(std::function<void()> request);

  // User-interface thread: runs every request waiting now.
  void Serve();

  // User-interface thread: serves requests (and nothing else) until done() holds.
  // done is re-checked whenever a request arrives or Notify() is called.
  void ServeUntil(const std::function<bool()>& done);

  // User-interface thread (test loops): blocks until a request waits or the
  // timeout passes; true when a request waits.
  bool WaitForRequest(std::chrono::milliseconds timeout);

  // Any thread: wakes ServeUntil and WaitForRequest to re-check their condition.
  void Notify();

  // The toolkit's wake-up, called from the sending thread once a request is queued:
  // the Qt side posts a queued call that runs Serve() on the user-interface thread.
  void SetWake(std::function<void()> wake);

 private:
  struct Request {
    std::function<void()> run;
    std::exception_ptr error;
    bool done = false;
  };
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Request*> queue_;
  std::function<void()> wake_;
};
