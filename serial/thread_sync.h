#pragma once
// The synchronous hand-off from a port's waiting thread to the user-interface
// thread. The waiting thread queues a request and blocks until the user-interface
// thread has run it; the user-interface thread runs requests wherever it processes
// events, and closing's wait for the thread serves them too, so the two threads can
// never wait on each other.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class ThreadSync {
 public:
  // Waiting thread: runs request on the user-interface thread and returns once it
  // has run there, with the exception it raised, if any.
  std::exception_ptr Send(std::function<void()> request);

  // As Send, but also returns (with no exception) once *abandon is set while the
  // request is already running. Closing a port from inside that port's own
  // notification sets it: the request is then on the user-interface thread's stack
  // below the closing, and the waiting thread must end without it. Whoever sets
  // *abandon calls Notify() afterwards.
  std::exception_ptr Send(std::function<void()> request, const std::atomic<bool>& abandon);

  // User-interface thread: runs every request waiting now.
  void Serve();

  // User-interface thread: serves requests (and nothing else) until done() holds.
  // done is re-checked whenever a request arrives or Notify() is called. It runs
  // with the hand-off's lock held, so it must not call into this object.
  void ServeUntil(const std::function<bool()>& done);

  // User-interface thread (test loops): blocks until a request waits or the
  // timeout passes; true when a request waits.
  bool WaitForRequest(std::chrono::milliseconds timeout);

  // Any thread: wakes ServeUntil, WaitForRequest and abandoning senders to
  // re-check their condition.
  void Notify();

  // The toolkit's wake-up, called from the sending thread once a request is queued:
  // the Qt side posts a queued call that runs Serve() on the user-interface thread.
  void SetWake(std::function<void()> wake);

 private:
  // Shared, because an abandoned request may still be running after its sender left.
  struct Request {
    std::function<void()> run;
    std::exception_ptr error;
    bool started = false;
    bool done = false;
  };
  using RequestPtr = std::shared_ptr<Request>;

  std::exception_ptr SendAndWait(std::function<void()> request, const std::atomic<bool>* abandon);
  void RunOne(std::unique_lock<std::mutex>& lock);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<RequestPtr> queue_;
  std::function<void()> wake_;
};
