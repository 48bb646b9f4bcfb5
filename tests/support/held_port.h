#pragma once
// Another program holding a port as a connection does: a process ("sleep") that has the
// device open and locked until the holder is destroyed.

#include <sys/types.h>

#include <string>

class HeldPort {
 public:
  // Returns once the process holds the lock; raises std::runtime_error when it cannot.
  explicit HeldPort(const std::string& device);
  ~HeldPort();
  HeldPort(const HeldPort&) = delete;
  HeldPort& operator=(const HeldPort&) = delete;

  pid_t Pid() const { return pid_; }

 private:
  void End();
  pid_t pid_ = -1;
};
