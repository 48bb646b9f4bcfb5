// Sockets on POSIX: non-blocking descriptors, poll for the opening's waits, and epoll
// with an eventfd for the waiting thread.

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "com_error.h"
#include "net_socket.h"

const int kTimedOutCode = ETIMEDOUT;
const int kInvalidAddressCode = EINVAL;
const int kConnectionEndedCode = ECONNRESET;

namespace {

int Fd(SocketHandle socket) { return static_cast<int>(socket); }

// poll, with EINTR retried within the same time.
int PollOne(int fd, short events, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    pollfd p{fd, events, 0};
    const auto left =
        std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready >= 0 || errno != EINTR) return ready;
  }
}

// What we receive is acknowledged at once, not up to 40 ms later: a server that holds
// its next bytes until the last are acknowledged (Nagle's rule; ser2net does) would hold
// a reply's end that long. Linux falls back to delaying, so this is said after each read.
void QuickAcks(int fd) {
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

}  // namespace

int StartSockets() { return 0; }

SocketHandle StartConnect(const SocketAddress& address, int& error) {
  const int fd = ::socket(address.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    error = errno;
    return kNoSocket;
  }
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  QuickAcks(fd);
  const auto* sa = reinterpret_cast<const sockaddr*>(address.bytes.data());
  if (::connect(fd, sa, static_cast<socklen_t>(address.bytes.size())) != 0 && errno != EINPROGRESS) {
    error = errno;
    ::close(fd);
    return kNoSocket;
  }
  error = 0;
  return fd;
}

bool FinishConnect(SocketHandle socket, std::chrono::milliseconds timeout, int& error) {
  const int ready = PollOne(Fd(socket), POLLOUT, timeout);
  if (ready < 0) {
    error = errno;
    return true;
  }
  if (ready == 0) return false;
  socklen_t size = sizeof error;
  if (::getsockopt(Fd(socket), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  return true;
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) ::close(Fd(socket));
}

bool WaitSocket(SocketHandle socket, bool write, std::chrono::milliseconds timeout) {
  return PollOne(Fd(socket), write ? POLLOUT : POLLIN, timeout) != 0;
}

SocketIo SendSome(SocketHandle socket, const char* bytes, std::size_t size) {
  for (;;) {
    // No SIGPIPE for a connection the other end has closed: the error says it.
    const ssize_t sent = ::send(Fd(socket), bytes, size, MSG_NOSIGNAL);
    if (sent >= 0) return {static_cast<std::size_t>(sent)};
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {};
    if (errno != EINTR) return {0, false, errno};
  }
}

SocketIo ReceiveSome(SocketHandle socket, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::recv(Fd(socket), buffer, size, 0);
    if (got > 0) {
      QuickAcks(Fd(socket));
      return {static_cast<std::size_t>(got)};
    }
    if (got == 0) return {0, true, 0};
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {};
    if (errno != EINTR) return {0, false, errno};
  }
}

struct SocketWaiter::Handles {
  int epoll = -1;
  int stop = -1;
  int socket = -1;  // the port's; not closed here
  void Close() {
    if (epoll >= 0) ::close(epoll);
    if (stop >= 0) ::close(stop);
    epoll = stop = -1;
  }
};

SocketWaiter::SocketWaiter(SocketHandle socket) : handles_(std::make_unique<Handles>()) {
  handles_->socket = Fd(socket);
  handles_->stop = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  handles_->epoll = ::epoll_create1(EPOLL_CLOEXEC);
  epoll_event stop{};
  stop.events = EPOLLIN;
  stop.data.fd = handles_->stop;
  // Edge-triggered, as on a serial line: a wake-up means new bytes or the end.
  epoll_event line{};
  line.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
  line.data.fd = handles_->socket;
  if (handles_->stop < 0 || handles_->epoll < 0 ||
      ::epoll_ctl(handles_->epoll, EPOLL_CTL_ADD, handles_->stop, &stop) != 0 ||
      ::epoll_ctl(handles_->epoll, EPOLL_CTL_ADD, handles_->socket, &line) != 0) {
    const int error = errno;
    handles_->Close();
    throw EComPort(CE_OpenFailed, error);
  }
}

SocketWaiter::~SocketWaiter() { handles_->Close(); }

SocketWaiter::Wake SocketWaiter::Wait() {
  for (;;) {
    epoll_event events[2];
    const int n = ::epoll_wait(handles_->epoll, events, 2, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Wake::Ended;
    Wake wake = Wake::Received;
    for (int i = 0; i < n; ++i) {
      if (events[i].data.fd == handles_->stop) return Wake::Stopped;
      if (events[i].events & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) wake = Wake::Ended;
    }
    return wake;
  }
}

void SocketWaiter::Stop() {
  const std::uint64_t one = 1;
  while (::write(handles_->stop, &one, sizeof one) < 0 && errno == EINTR) {
  }
}
