// The port object's device on POSIX: a tty opened exclusively, set raw, and a
// waiting thread over epoll that hands received bytes to the user-interface thread.

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>

#include "com_error.h"
#include "com_port_internal.h"
#include "port_names.h"
#include "termios_settings.h"
#include "waiting_thread.h"

namespace {

[[noreturn]] void Fail(int errorNumber, int platformCode) { throw EComPort(errorNumber, platformCode); }

// A device without modem-control lines (a pseudo-terminal) answers so; that is no failure.
bool NoModemLines(int err) { return err == ENOTTY || err == EINVAL; }

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// How often the waiting thread looks whether its device node is still there: some
// drivers remove the node of an unplugged adapter without hanging the line up first.
constexpr int kNodeCheckMs = 500;

// The same device as the descriptor holds: the node exists and names the same device.
bool NodeStillThere(const std::string& path, dev_t device) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == device;
}

class PosixComDevice : public ComDevice {
 public:
  PosixComDevice(int fd, std::string path, dev_t device) : fd_(fd), path_(std::move(path)), device_(device) {}

  ~PosixComDevice() override {
    // The exclusive flag outlives our descriptor on a tty that someone else still
    // holds (the other side of a pty pair); clear it so that the next opening works.
    ::ioctl(fd_, TIOCNXCL);
    CloseFd(fd_);
    CloseFd(epollFd_);
    CloseFd(stopFd_);
  }

  void SetQueueSizes(const TComBuffer&) override {
    // Linux has no settable tty queue sizes; the driver's own serve.
  }

  void SetLineSettings(const TComLineSettings& settings) override {
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) Fail(CE_SetStateFailed, errno);
    if (!MakeTermios(settings, t)) Fail(CE_SetStateFailed, EINVAL);
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) Fail(CE_SetStateFailed, errno);
    const int assert = AssertedModemLines(settings);
    const int clear = (TIOCM_DTR | TIOCM_RTS) & ~assert;
    if (assert != 0 && ::ioctl(fd_, TIOCMBIS, &assert) != 0 && !NoModemLines(errno)) Fail(CE_SetStateFailed, errno);
    if (clear != 0 && ::ioctl(fd_, TIOCMBIC, &clear) != 0 && !NoModemLines(errno)) Fail(CE_SetStateFailed, errno);
  }

  void SetTimeouts(const TComTimeouts&) override {
    // Reads never wait (the descriptor is non-blocking and VMIN = VTIME = 0); the
    // write time-out is counted by Write itself.
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) Fail(CE_SetTimeoutsFailed, errno);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) Fail(CE_SetTimeoutsFailed, errno);
  }

  bool RequestLowLatency() override {
    serial_struct serial{};
    if (::ioctl(fd_, TIOCGSERIAL, &serial) != 0) return false;  // a pty, or a driver without it
    if (serial.flags & ASYNC_LOW_LATENCY) return true;
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd_, TIOCSSERIAL, &serial) == 0;
  }

  void StartThread(ThreadSync& sync, TComEvents mask, Dispatch dispatch) override {
    // Only received bytes end a wait here; the other events have nothing to show.
    if ((mask & evRxChar) == 0) return;
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) Fail(CE_OpenFailed, errno);
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (epollFd_ < 0) Fail(CE_OpenFailed, errno);
    epoll_event stop{};
    stop.events = EPOLLIN;
    stop.data.fd = stopFd_;
    // Edge-triggered: a wake-up means new bytes. Bytes that a receiver leaves in
    // the queue wait for the next byte instead of handing off again and again.
    epoll_event line{};
    line.events = EPOLLIN | EPOLLET;
    line.data.fd = fd_;
    if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, stopFd_, &stop) != 0) Fail(CE_OpenFailed, errno);
    if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd_, &line) != 0) Fail(CE_OpenFailed, errno);
    try {
      waiting_.Start([this, &sync, dispatch = std::move(dispatch)] { Wait(sync, dispatch); });
    } catch (const std::system_error& e) {
      Fail(CE_OpenFailed, e.code().value());
    }
  }

  void StopThread(ThreadSync& sync) override {
    waiting_.Stop(sync, [this] {
      const std::uint64_t one = 1;
      while (::write(stopFd_, &one, sizeof one) < 0 && errno == EINTR) {
      }
    });
  }

  bool ThreadRunning() const override { return waiting_.Running(); }

  void ReadModemStatus() override {
    int lines = 0;
    if (::ioctl(fd_, TIOCMGET, &lines) != 0 && !NoModemLines(errno)) Fail(CE_ModemStatusFailed, errno);
  }

  void ClearErrors() override {
    // termios keeps no error state to clear; reading the queue proves the line answers.
    BytesWaiting();
  }

  int Write(const std::string& text, const TComTimeouts& timeouts) override {
    using Clock = std::chrono::steady_clock;
    const auto n = static_cast<long long>(text.size());
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(timeouts.writeTotalMultiplier * n + timeouts.writeTotalConstant);
    long long written = 0;
    while (written < n) {
      const ssize_t got = ::write(fd_, text.data() + written, static_cast<size_t>(n - written));
      if (got > 0) {
        written += got;
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && errno != EAGAIN) Fail(CE_WriteFailed, errno);
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      pollfd p{fd_, POLLOUT, 0};
      const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 60000)));
      if (ready < 0 && errno != EINTR) Fail(CE_WriteFailed, errno);
    }
    return static_cast<int>(written);
  }

  int Read(std::uint8_t* buffer, int count) override {
    if (count < 1) return 0;
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, static_cast<size_t>(count));
      if (got >= 0) return static_cast<int>(got);
      if (errno == EAGAIN) return 0;
      if (errno != EINTR) Fail(CE_ReadFailed, errno);
    }
  }

  int BytesWaiting() override {
    int count = 0;
    if (::ioctl(fd_, FIONREAD, &count) != 0) Fail(CE_ClearErrorFailed, errno);
    return count;
  }

  void Purge() override {
    // A hung-up line (an unplugged adapter) has nothing left to discard and answers
    // EIO; the user must still be able to disconnect from it.
    if (::tcflush(fd_, TCIOFLUSH) != 0 && errno != EIO) Fail(CE_PurgeFailed, errno);
  }

 private:
  // The waiting thread: touches only the descriptors, the device node and its own flags.
  void Wait(ThreadSync& sync, const Dispatch& dispatch) {
    for (;;) {
      epoll_event events[2];
      const int n = ::epoll_wait(epollFd_, events, 2, kNodeCheckMs);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      bool stop = false, received = false, hungUp = n == 0 && !NodeStillThere(path_, device_);
      for (int i = 0; i < n; ++i) {
        if (events[i].data.fd == stopFd_)
          stop = true;
        else if (events[i].events & (EPOLLHUP | EPOLLERR))
          hungUp = true;
        else if (events[i].events & EPOLLIN)
          received = true;
      }
      if (stop) {
        // Bytes received but not read are gone once the connection ends.
        ::tcflush(fd_, TCIOFLUSH);
        break;
      }
      // The request holds its own copy of dispatch: closing from inside the
      // notification may end this thread while the dispatch still runs. A hang-up is
      // the last thing handed over.
      if (hungUp) {
        sync.Send([dispatch] { dispatch(kLineLostEvent); }, waiting_.Stopping());
        break;
      }
      if (received && sync.Send([dispatch] { dispatch(evRxChar); }, waiting_.Stopping())) break;
    }
    waiting_.Ended(sync);
  }

  int fd_;
  std::string path_;  // the node opened, and the device it named then
  dev_t device_;
  int stopFd_ = -1;
  int epollFd_ = -1;
  WaitingThread waiting_;
};

}  // namespace

const int ComDevice::kNotOpenCode = EBADF;

std::unique_ptr<ComDevice> ComDevice::Open(const std::string& portName) {
  const std::string path = PortDevicePath(portName);
  // A name that stands for no device is a device that does not exist.
  if (path.empty()) Fail(CE_OpenFailed, ENOENT);
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) Fail(CE_OpenFailed, errno);
  struct stat st;
  // flock keeps out a second opener even where TIOCEXCL does not (a privileged one);
  // TIOCEXCL also refuses what is no terminal (a file or FIFO a link points at).
  if (::fstat(fd, &st) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0 ||
      ::tcflush(fd, TCIFLUSH) != 0) {
    const int err = errno;
    CloseFd(fd);
    Fail(CE_OpenFailed, err);
  }
  return std::make_unique<PosixComDevice>(fd, path, st.st_rdev);
}
