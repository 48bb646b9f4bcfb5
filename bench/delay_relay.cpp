#include "delay_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

void NoDelay(int fd) {
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Bytes read from one side, each chunk due on the other side at its time.
struct Direction {
  int from, to;
  std::deque<std::pair<Clock::time_point, std::string>> held;
  bool open = true;
};

}  // namespace

DelayRelay::DelayRelay(int targetPort, std::chrono::milliseconds delay) : targetPort_(targetPort), delay_(delay) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 1) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(listener_);
    throw std::runtime_error("delay relay: no loopback port");
  }
  port_ = ntohs(address.sin_port);
  wake_ = ::eventfd(0, EFD_CLOEXEC);
  thread_ = std::thread([this] { Run(); });
}

DelayRelay::~DelayRelay() {
  stopping_ = true;
  const std::uint64_t one = 1;
  ::write(wake_, &one, sizeof one);
  thread_.join();
  ::close(listener_);
  ::close(wake_);
}

void DelayRelay::Run() {
  while (!stopping_) {
    pollfd p[2] = {{listener_, POLLIN, 0}, {wake_, POLLIN, 0}};
    if (::poll(p, 2, -1) <= 0 || (p[1].revents & POLLIN)) continue;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0) Relay(client);
  }
}

void DelayRelay::Relay(int client) {
  const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in target = Loopback(targetPort_);
  if (::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
    ::close(server);
    ::close(client);
    return;
  }
  NoDelay(client);
  NoDelay(server);
  Direction directions[2] = {{client, server, {}}, {server, client, {}}};
  while (!stopping_ && (directions[0].open || directions[1].open)) {
    // Wait for bytes, the relay's end, or the next chunk that falls due, to the
    // microsecond: a whole millisecond's rounding would be a tenth of the budget.
    auto next = Clock::time_point::max();
    for (const Direction& d : directions) {
      if (!d.held.empty()) next = std::min(next, d.held.front().first);
    }
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(
        Clock::duration::zero(), next == Clock::time_point::max() ? Clock::duration::zero() : next - Clock::now()));
    const timespec timeout{static_cast<time_t>(wait.count() / 1000000000),
                           static_cast<long>(wait.count() % 1000000000)};
    pollfd p[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {wake_, POLLIN, 0}};
    for (int i = 0; i < 2; ++i) p[i].fd = directions[i].open ? directions[i].from : -1;
    ::ppoll(p, 3, next == Clock::time_point::max() ? nullptr : &timeout, nullptr);
    for (int i = 0; i < 2; ++i) {
      Direction& d = directions[i];
      if (p[i].revents & (POLLIN | POLLHUP | POLLERR)) {
        char buffer[4096];
        const ssize_t n = ::recv(d.from, buffer, sizeof buffer, 0);
        if (n > 0) {
          d.held.emplace_back(Clock::now() + delay_, std::string(buffer, static_cast<std::size_t>(n)));
        } else {
          d.open = false;
        }
      }
      while (!d.held.empty() && d.held.front().first <= Clock::now()) {
        ::send(d.to, d.held.front().second.data(), d.held.front().second.size(), MSG_NOSIGNAL);
        d.held.pop_front();
      }
      // An end passes on once what came before it has.
      if (!d.open && d.held.empty()) ::shutdown(d.to, SHUT_WR);
    }
  }
  ::close(server);
  ::close(client);
}
