#include "broker_client_win32.h"

// Winsock before windows.h, which would bring the old socket header.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace {

constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error("pty broker: " + what); }

SOCKET AsSocket(int connection) { return static_cast<SOCKET>(connection); }

}  // namespace

int BrokerConnect() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  const char* port = std::getenv("KELVARO_PTY_BROKER");
  if (!started || port == nullptr) Fail("KELVARO_PTY_BROKER is not set (run under tests/win32/run_with_modules.sh)");
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (s == INVALID_SOCKET || connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    Fail("cannot connect to port " + std::string(port));
  const BOOL noDelay = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
  return static_cast<int>(s);
}

void BrokerClose(int& connection) {
  if (connection >= 0) closesocket(AsSocket(connection));
  connection = -1;
}

void BrokerSend(int connection, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const int n = send(AsSocket(connection), bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
    if (n <= 0) Fail("send failed");
    done += static_cast<std::size_t>(n);
  }
}

std::string BrokerAsk(int connection, const std::string& line) {
  BrokerSend(connection, line + "\n");
  std::string answer;
  char c = 0;
  while (recv(AsSocket(connection), &c, 1, 0) == 1 && c != '\n') answer += c;
  if (answer.rfind("ok", 0) != 0) Fail(line + ": " + answer);
  return answer.size() > 3 ? answer.substr(3) : std::string();
}

bool BrokerReadable(int connection, long timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(AsSocket(connection), &set);
  timeval t{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return select(0, &set, nullptr, nullptr, &t) > 0;
}

void ListPort(const std::string& comName, bool listed) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    Fail("cannot open the registry's Ports key");
  // The spooler lists the "COMn:" values (Wine's in the order of their names).
  const std::string value = comName + ":";
  if (listed) {
    RegSetValueExA(key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  } else {
    RegDeleteValueA(key, value.c_str());
  }
  RegCloseKey(key);
}

std::string WindowsPathOf(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}
