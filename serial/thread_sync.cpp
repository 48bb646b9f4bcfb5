#include "thread_sync.h"

#include <utility>

std::exception_ptr ThreadSync::Send(std::function<void()> request) { return SendAndWait(std::move(request), nullptr); }

std::exception_ptr ThreadSync::Send(std::function<void()> request, const std::atomic<bool>& abandon) {
  return SendAndWait(std::move(request), &abandon);
}

std::exception_ptr ThreadSync::SendAndWait(std::function<void()> request, const std::atomic<bool>* abandon) {
  auto req = std::make_shared<Request>();
  req->run = std::move(request);
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(req);
    wake = wake_;
  }
  changed_.notify_all();
  if (wake) wake();
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return req->done || (abandon && req->started && abandon->load()); });
  return req->done ? req->error : nullptr;
}

// Takes the front request and runs it outside the lock; marks it done under the lock.
void ThreadSync::RunOne(std::unique_lock<std::mutex>& lock) {
  RequestPtr req = std::move(queue_.front());
  queue_.pop_front();
  req->started = true;
  lock.unlock();
  std::exception_ptr error;
  try {
    req->run();
  } catch (...) {
    error = std::current_exception();
  }
  lock.lock();
  req->error = error;
  req->done = true;
  changed_.notify_all();
}

void ThreadSync::Serve() {
  std::unique_lock lock(mutex_);
  while (!queue_.empty()) RunOne(lock);
}

void ThreadSync::ServeUntil(const std::function<bool()>& done) {
  std::unique_lock lock(mutex_);
  while (!done()) {
    if (queue_.empty()) {
      changed_.wait(lock);
      continue;
    }
    RunOne(lock);
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
