#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "serial/port_names.h"
#include "serial/port_names_linux.h"

namespace {

[[noreturn]] void Fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

TempConfigHome::TempConfigHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kelvaro-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) Fail("mkdtemp");
  path_ = pattern;
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
    saved_ = old;
    hadSaved_ = true;
  }
  ::setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
}

TempConfigHome::~TempConfigHome() {
  if (hadSaved_) {
    ::setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

PtyPair::PtyPair() {
  termios raw{};
  cfmakeraw(&raw);
  if (::openpty(&master_, &slave_, nullptr, &raw, nullptr) != 0) Fail("openpty");
  // openpty leaves both descriptors inheritable and blocking.
  for (int fd : {master_, slave_}) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  termios masterRaw{};
  ::tcgetattr(master_, &masterRaw);
  cfmakeraw(&masterRaw);
  ::tcsetattr(master_, TCSANOW, &masterRaw);
  char name[256];
  if (::ttyname_r(slave_, name, sizeof name) != 0) Fail("ttyname_r");
  slavePath_ = name;
}

PtyPair::~PtyPair() {
  CloseFd(master_);
  CloseFd(slave_);
}

void LinkPort(const std::string& comName, const std::string& target) {
  const std::filesystem::path link = std::filesystem::path(PortsDir()) / comName;
  std::filesystem::create_directories(link.parent_path());
  std::error_code ignored;
  std::filesystem::remove(link, ignored);
  std::filesystem::create_symlink(target, link);
}

void PtyPair::LinkAs(const std::string& comName) const { LinkPort(comName, slavePath_); }

void PtyPair::Send(const std::string& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (got > 0) {
      done += static_cast<std::size_t>(got);
    } else if (got < 0 && errno == EAGAIN) {
      pollfd p{master_, POLLOUT, 0};
      ::poll(&p, 1, 100);
    } else if (!(got < 0 && errno == EINTR)) {
      Fail("write to pty master");
    }
  }
}

std::string PtyPair::Receive(std::size_t count, std::chrono::milliseconds timeout) const {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  std::string got;
  while (got.size() < count) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
    if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    // No process holds the slave: the master reports a hang-up and reads fail.
    if (n <= 0 && errno != EAGAIN && errno != EINTR) break;
  }
  return got;
}

std::string PtyPair::Drain() const {
  std::string got;
  char buffer[4096];
  for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;) got.append(buffer, static_cast<std::size_t>(n));
  return got;
}

void PtyPair::CloseMaster() { CloseFd(master_); }
void PtyPair::CloseSlave() { CloseFd(slave_); }
bool PtyPair::HangUpEndsTheWait() { return true; }
