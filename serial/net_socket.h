#pragma once
// The system's TCP sockets as a network port uses them, one implementation per
// platform (net_socket_posix.cpp, net_socket_win32.cpp) beside the address look-up
// both share (net_address.cpp). A socket only ever connects; nothing here listens.
// Every failure carries the system's own code: errno or WSAGetLastError(), and for a
// host name getaddrinfo's.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

// The system's codes for a time-out, an address that cannot be used, and a
// connection the other end ended (ETIMEDOUT, EINVAL, ECONNRESET and their WSA twins).
extern const int kTimedOutCode;
extern const int kInvalidAddressCode;
extern const int kConnectionEndedCode;

// One address of a host as the system's sockaddr, kept as bytes.
struct SocketAddress {
  int family = 0;
  std::string bytes;
};

// Makes the sockets usable (Winsock's start-up, once); 0 or the system's code.
int StartSockets();

// The TCP addresses of host (a name or an address) and port: 0, or getaddrinfo's
// code. With numericOnly a name is not looked up and gives the code at once.
int ResolveAddresses(const std::string& host, int port, bool numericOnly, std::vector<SocketAddress>& addresses);

// A non-blocking socket without send delay (TCP_NODELAY) that has begun to connect
// to address; kNoSocket and the code in error when it could not begin.
SocketHandle StartConnect(const SocketAddress& address, int& error);
// Waits at most timeout for the connection to be made: true once it is decided,
// error then 0 (connected) or the reason it failed.
bool FinishConnect(SocketHandle socket, std::chrono::milliseconds timeout, int& error);
void CloseSocket(SocketHandle socket);

// Waits at most timeout until the socket has bytes or its end to read (write false)
// or room to write; true when it has.
bool WaitSocket(SocketHandle socket, bool write, std::chrono::milliseconds timeout);

// What one send or receive did: bytes moved; 0 with neither flag when the socket
// takes or has nothing now; ended when the other end has closed; error otherwise.
struct SocketIo {
  std::size_t count = 0;
  bool ended = false;
  int error = 0;
};
SocketIo SendSome(SocketHandle socket, const char* bytes, std::size_t size);
SocketIo ReceiveSome(SocketHandle socket, char* buffer, std::size_t size);

// The waiting thread's wait on a socket: it ends when bytes arrive, when the
// connection ends, or when Stop() is called.
class SocketWaiter {
 public:
  enum class Wake { Stopped, Received, Ended };
  // Raises EComPort(CE_OpenFailed) with the system's code when it cannot be made.
  explicit SocketWaiter(SocketHandle socket);
  ~SocketWaiter();
  SocketWaiter(const SocketWaiter&) = delete;
  SocketWaiter& operator=(const SocketWaiter&) = delete;

  // The waiting thread's: blocks until one of the three. A wait the system fails is
  // an ended connection.
  Wake Wait();
  // Any thread.
  void Stop();

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
};
