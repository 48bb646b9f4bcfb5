// Servers that never agree, on loopback listeners the test makes itself: one whose
// queue is full, so the connection is never made, and two that speak no Telnet. Each
// must end within the opening's time-out (shortened here) with its own error.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "serial/com_error.h"
#include "serial/com_port_network.h"
#include "serial/com_settings.h"
#include "tests/support/raised.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kShortTimeout = 300ms;

// A listener on a loopback port with a queue of backlog; a talking one accepts one
// connection and sends a line of plain text on it.
struct Listener {
  explicit Listener(int backlog) : fd(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd, backlog);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
  }
  ~Listener() {
    if (talker.joinable()) talker.join();
    for (int c : clients) ::close(c);
    ::close(fd);
  }
  void Talk() {
    talker = std::thread([this] {
      const int c = ::accept(fd, nullptr, nullptr);
      ::send(c, "[0010,B,0]\r\n", 12, MSG_NOSIGNAL);
      clients.push_back(c);
    });
  }
  // Connections that fill the queue of a listener that never accepts.
  void Fill() {
    for (int i = 0; i < 4; ++i) {
      const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(static_cast<std::uint16_t>(port));
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      ::connect(c, reinterpret_cast<sockaddr*>(&address), sizeof address);
      clients.push_back(c);
    }
    std::this_thread::sleep_for(50ms);  // the handshakes of the ones that fit
  }
  int fd;
  int port = 0;
  std::vector<int> clients;
  std::thread talker;
};

TEST(NetworkOpening, EndsWithinItsTimeOutWithTheReasonWhileTheCallerKeepsItsTurns) {
  struct Row {
    const char* server;
    int backlog;
    void (Listener::*prepare)();
    int errorNumber;
  };
  const Row rows[] = {{"full queue", 0, &Listener::Fill, CE_ConnectFailed},
                      {"silent raw TCP", 4, nullptr, CE_NoRfc2217},
                      {"talking raw TCP", 4, &Listener::Talk, CE_NoRfc2217}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.server);
    Listener listener(row.backlog);
    if (row.prepare) (listener.*row.prepare)();
    int turns = 0;
    const auto start = Clock::now();
    const auto error = Raised<EComPort>([&] {
      OpenNetworkDevice({"127.0.0.1", listener.port}, {kShortTimeout, [&] { ++turns; }});
    });
    const auto took = Clock::now() - start;
    ASSERT_TRUE(error);
    EXPECT_EQ(error->ErrorNumber(), row.errorNumber);
    EXPECT_EQ(error->PlatformCode(), ETIMEDOUT);
    EXPECT_GE(took, kShortTimeout);
    EXPECT_LT(took, kShortTimeout + 500ms);
    EXPECT_GE(turns, 5);
  }
}

}  // namespace

namespace {

// A server that agrees to everything and at once asks us to hold our data: a write then
// sends nothing until the server resumes.
TEST(NetworkFlowControl, AWriteWaitsWhileTheServerHasSuspendedUs) {
  Listener listener(4);
  int server = -1;
  std::thread accepting([&] {
    server = ::accept(listener.fd, nullptr, nullptr);
    const std::string agree = std::string("\xff\xfd\x2c\xff\xfd\x00\xff\xfb\x00", 9) + "\xff\xfa\x2c\x6c\xff\xf0";
    ::send(server, agree.data(), agree.size(), MSG_NOSIGNAL);
  });
  const auto device = OpenNetworkDevice({"127.0.0.1", listener.port}, {});
  accepting.join();
  listener.clients.push_back(server);
  TComTimeouts quick(nullptr), patient(nullptr);
  quick.writeTotalConstant = 50;
  // What the server has within the time given.
  const auto received = [&](int withinMs) {
    pollfd p{server, POLLIN, 0};
    char buffer[256];
    const ssize_t n = ::poll(&p, 1, withinMs) > 0 ? ::recv(server, buffer, sizeof buffer, 0) : 0;
    return std::string(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
  };
  // The opening asked for BINARY both ways and COM-PORT-OPTION, and had the buffers purged.
  const std::string opening = std::string("\xff\xfb\x00\xff\xfd\x00\xff\xfb\x2c", 9) + "\xff\xfa\x2c\x0c\x03\xff\xf0";
  std::string heard;
  for (std::string more = "?"; heard.size() < opening.size() && !more.empty();) heard += (more = received(2000));
  EXPECT_EQ(heard, opening);
  // The suspension came with the agreement.
  device->BytesWaiting();
  EXPECT_EQ(device->Write("AB\r", quick), 0);
  EXPECT_EQ(received(0), "");
  ::send(server, "\xff\xfa\x2c\x6d\xff\xf0", 6, MSG_NOSIGNAL);
  EXPECT_EQ(device->Write("AB\r", patient), 3);
  EXPECT_EQ(received(2000), "AB\r");
}

}  // namespace
