// Sockets on Windows: Winsock, non-blocking sockets, select for the opening's waits,
// and an event that WSAEventSelect sets for the waiting thread beside its stop signal.

// Winsock before windows.h, which would bring the old socket header.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include "com_error.h"
#include "net_socket.h"

const int kTimedOutCode = WSAETIMEDOUT;
const int kInvalidAddressCode = WSAEINVAL;
const int kConnectionEndedCode = WSAECONNRESET;

namespace {

SOCKET Sock(SocketHandle socket) { return static_cast<SOCKET>(socket); }

// Windows' SIO_TCP_SET_ACK_FREQUENCY (mstcpip.h; mingw's headers lack it).
constexpr DWORD kSetAckFrequency = _WSAIOW(IOC_VENDOR, 23);

// What we receive is acknowledged at once, not up to 200 ms later: a server that holds
// its next bytes until the last are acknowledged (Nagle's rule; ser2net does) would hold
// a reply's end that long. Windows that lack the setting (and Wine) keep their own.
void QuickAcks(SOCKET s) {
  DWORD everySegment = 1, unused = 0;
  WSAIoctl(s, kSetAckFrequency, &everySegment, sizeof everySegment, nullptr, 0, &unused, nullptr, nullptr);
}

timeval Timeval(std::chrono::milliseconds timeout) {
  return timeval{static_cast<long>(timeout.count() / 1000), static_cast<long>(timeout.count() % 1000) * 1000};
}

// select on one socket: > 0 ready, 0 not within the time-out, < 0 failed.
int SelectOne(SocketHandle socket, bool write, std::chrono::milliseconds timeout, bool* failed = nullptr) {
  fd_set ready, broken;
  FD_ZERO(&ready);
  FD_ZERO(&broken);
  FD_SET(Sock(socket), &ready);
  FD_SET(Sock(socket), &broken);
  timeval t = Timeval(timeout);
  const int n = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &broken, &t);
  if (failed != nullptr) *failed = n > 0 && FD_ISSET(Sock(socket), &broken);
  return n;
}

}  // namespace

int StartSockets() {
  static const int result = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  return result;
}

SocketHandle StartConnect(const SocketAddress& address, int& error) {
  const SOCKET s = socket(address.family, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    error = WSAGetLastError();
    return kNoSocket;
  }
  u_long nonBlocking = 1;
  const BOOL noDelay = TRUE;
  const auto* sa = reinterpret_cast<const sockaddr*>(address.bytes.data());
  QuickAcks(s);
  if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
      setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay) != 0 ||
      (connect(s, sa, static_cast<int>(address.bytes.size())) != 0 && WSAGetLastError() != WSAEWOULDBLOCK)) {
    error = WSAGetLastError();
    closesocket(s);
    return kNoSocket;
  }
  error = 0;
  return static_cast<SocketHandle>(s);
}

bool FinishConnect(SocketHandle socket, std::chrono::milliseconds timeout, int& error) {
  bool failed = false;
  const int n = SelectOne(socket, true, timeout, &failed);
  if (n == 0) return false;
  error = n < 0 ? WSAGetLastError() : 0;
  if (failed) {
    int size = sizeof error;
    if (getsockopt(Sock(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0)
      error = WSAGetLastError();
  }
  return true;
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) closesocket(Sock(socket));
}

bool WaitSocket(SocketHandle socket, bool write, std::chrono::milliseconds timeout) {
  return SelectOne(socket, write, timeout) != 0;
}

SocketIo SendSome(SocketHandle socket, const char* bytes, std::size_t size) {
  const int sent = send(Sock(socket), bytes, static_cast<int>(size), 0);
  if (sent >= 0) return {static_cast<std::size_t>(sent)};
  const int error = WSAGetLastError();
  return error == WSAEWOULDBLOCK ? SocketIo{} : SocketIo{0, false, error};
}

SocketIo ReceiveSome(SocketHandle socket, char* buffer, std::size_t size) {
  const int got = recv(Sock(socket), buffer, static_cast<int>(size), 0);
  if (got > 0) return {static_cast<std::size_t>(got)};
  if (got == 0) return {0, true, 0};
  const int error = WSAGetLastError();
  return error == WSAEWOULDBLOCK ? SocketIo{} : SocketIo{0, false, error};
}

struct SocketWaiter::Handles {
  SOCKET socket = INVALID_SOCKET;  // the port's; not closed here
  HANDLE stop = nullptr;
  WSAEVENT network = WSA_INVALID_EVENT;
  void Close() {
    if (network != WSA_INVALID_EVENT) {
      WSAEventSelect(socket, nullptr, 0);
      WSACloseEvent(network);
    }
    if (stop != nullptr) CloseHandle(stop);
    network = WSA_INVALID_EVENT;
    stop = nullptr;
  }
};

SocketWaiter::SocketWaiter(SocketHandle socket) : handles_(std::make_unique<Handles>()) {
  handles_->socket = Sock(socket);
  handles_->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  handles_->network = WSACreateEvent();
  if (handles_->stop == nullptr || handles_->network == WSA_INVALID_EVENT ||
      WSAEventSelect(handles_->socket, handles_->network, FD_READ | FD_CLOSE) != 0) {
    const int error = static_cast<int>(handles_->stop == nullptr ? GetLastError() : WSAGetLastError());
    handles_->Close();
    throw EComPort(CE_OpenFailed, error);
  }
}

SocketWaiter::~SocketWaiter() { handles_->Close(); }

SocketWaiter::Wake SocketWaiter::Wait() {
  const HANDLE objects[2] = {handles_->stop, handles_->network};
  for (;;) {
    const DWORD which = WaitForMultipleObjects(2, objects, FALSE, INFINITE);
    if (which == WAIT_OBJECT_0) return Wake::Stopped;
    WSANETWORKEVENTS events{};
    if (which != WAIT_OBJECT_0 + 1 || WSAEnumNetworkEvents(handles_->socket, handles_->network, &events) != 0)
      return Wake::Ended;
    if (events.lNetworkEvents & FD_CLOSE) return Wake::Ended;
    if (events.lNetworkEvents & FD_READ) return Wake::Received;
  }
}

void SocketWaiter::Stop() { SetEvent(handles_->stop); }
