#pragma once
// A TCP relay on loopback that holds everything it passes on for a fixed time in each
// direction, as a long network path would: the benchmark's stand-in for a module a
// country away. One connection at a time; it runs on a thread of its own until it goes.

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

class DelayRelay {
 public:
  // Listens on a free loopback port and passes each connection on to targetPort.
  DelayRelay(int targetPort, std::chrono::milliseconds delay);
  ~DelayRelay();
  DelayRelay(const DelayRelay&) = delete;
  DelayRelay& operator=(const DelayRelay&) = delete;

  int Port() const { return port_; }

 private:
  void Run();
  void Relay(int client);

  int listener_ = -1;
  int wake_ = -1;
  int port_ = 0;
  int targetPort_;
  std::chrono::milliseconds delay_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};
