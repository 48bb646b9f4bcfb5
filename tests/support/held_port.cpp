#include "held_port.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

HeldPort::HeldPort(const std::string& device) {
  // The shell opens and locks the device, then becomes sleep, which keeps both.
  const char* argv[] = {"sh", "-c", "exec 3<\"$0\" && flock -x 3 && exec sleep 600", device.c_str(), nullptr};
  if (::posix_spawnp(&pid_, "sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::string name;
  while (pid_ > 0 && name != "sleep" && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::ifstream("/proc/" + std::to_string(pid_) + "/comm") >> name;
  }
  if (name != "sleep") {
    End();
    throw std::runtime_error("no process holds " + device);
  }
}

HeldPort::~HeldPort() { End(); }

void HeldPort::End() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}
