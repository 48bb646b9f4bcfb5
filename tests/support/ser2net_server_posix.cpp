#include "ser2net_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

// A loopback port nobody listens on now: the system's pick for port 0.
int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
  ::close(fd);
  if (!bound) throw std::runtime_error("no free loopback port");
  return ntohs(address.sin_port);
}

bool Listening(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return up;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

}  // namespace

std::string Ser2netConfig(const std::string& device, int port) {
  std::ifstream in(std::string(KELVARO_SOURCE_DIR) + "/docs/examples/ser2net.yaml");
  std::ostringstream text;
  text << in.rdbuf();
  std::string config = text.str();
  Replace(config, "/dev/ttyUSB0", device);
  Replace(config, "7217", std::to_string(port));
  return config;
}

Ser2netServer::Ser2netServer(const std::string& device) : port_(FreeLoopbackPort()) {
  config_ = (std::filesystem::temp_directory_path() / ("kelvaro-ser2net-" + std::to_string(port_) + ".yaml")).string();
  std::ofstream(config_) << Ser2netConfig(device, port_);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const char* argv[] = {"ser2net", "-n", "-d", "-c", config_.c_str(), nullptr};
  pid_t pid = -1;
  const int error = ::posix_spawnp(&pid, "ser2net", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start ser2net (scripts/deps.sh installs it)");
  id_ = pid;
  for (int i = 0; i < 500 && !Listening(port_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!Listening(port_)) {
    Kill();
    throw std::runtime_error("ser2net does not listen on port " + std::to_string(port_));
  }
}

Ser2netServer::~Ser2netServer() {
  Kill();
  std::filesystem::remove(config_);
}

std::string Ser2netServer::Url() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

void Ser2netServer::Kill() {
  if (id_ < 0) return;
  ::kill(static_cast<pid_t>(id_), SIGKILL);
  ::waitpid(static_cast<pid_t>(id_), nullptr, 0);
  id_ = -1;
}
