#include "thread_sync.h"

#include <utility>

std::exception_ptr ThreadSync::Send(std::function<void()> request) {
  Request req;
  req.run = std::move(request);
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(&req);
    wake = wake_;
  }
  changed_.notify_all();
  if (wake) wake();
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return req.done; });
  return req.error;
}

namespace {
// Runs one request outside the lock and marks it done under the lock.
template <typename Lock, typename Req>
void RunOne(Lock& lock, Req* req, std::condition_variable& changed) {
  lock.unlock();
  try {
    req->run();
  } catch (...) {
    req->error = std::current_exception();
  }
  lock.lock();
  req->done = true;
  changed.notify_all();
}
}  // namespace

void ThreadSync::Serve() {
  std::unique_lock lock(mutex_);
  while (!queue_.empty()) {
    Request* req = queue_.front();
    queue_.pop_front();
    RunOne(lock, req, changed_);
  }
}

void ThreadSync::ServeUntil(const std::function<bool()>& done) {
  std::unique_lock lock(mutex_);
  while (!done()) {
    if (queue_.empty()) {
      changed_.wait(lock);
      continue;
    }
    Request* req = queue_.front();
    queue_.pop_front();
    RunOne(lock, req, changed_);
  }
}

bool ThreadSync::WaitForRequest(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
}

void ThreadSync::Notify() {
  { std::lock_guard lock(mutex_); }
  changed_.notify_all();
}

void ThreadSync::SetWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}
