// The pseudo-terminal pairs of the tests on Windows, under Wine: a Windows program
// cannot make one, so the broker on the Linux side does and links its slave as a Wine
// COM port (broker_client_win32.h). Master() is the data connection that carries the
// master's bytes, Slave() the control connection, SlavePath() the slave's device on
// the Linux side. The test's config folder takes the COM ports out of the spooler's
// list while it lives, and each linked pair puts its name in, so the list holds
// exactly the test's own ports.

// Winsock before windows.h, which would bring the old socket header.
#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>

#include "broker_client_win32.h"
#include "pty_pair.h"

namespace {

constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

// Takes the COM values out of the spooler's list and returns them.
std::map<std::string, std::string> TakeComValues() {
  std::map<std::string, std::string> taken;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return taken;
  for (DWORD i = 0;; ++i) {
    char name[256];
    BYTE data[1024];
    DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    if (std::string(name).rfind("COM", 0) == 0)
      taken[name] = std::string(reinterpret_cast<char*>(data), dataSize ? dataSize - 1 : 0);
  }
  for (const auto& entry : taken) RegDeleteValueA(key, entry.first.c_str());
  RegCloseKey(key);
  return taken;
}

// The list as it was before the first config folder took it.
std::map<std::string, std::string> savedComValues;
int configHomes = 0;

}  // namespace

TempConfigHome::TempConfigHome() {
  char folder[MAX_PATH + 1];
  if (GetTempFileNameA(std::filesystem::temp_directory_path().string().c_str(), "kel", 0, folder) == 0)
    throw std::runtime_error("no temporary name");
  std::filesystem::remove(folder);
  std::filesystem::create_directories(folder);
  path_ = folder;
  // As on Linux, where linking the test's ports makes it, the program's folder is there.
  std::filesystem::create_directories(path_ + "\\Kelvaro");
  if (const char* old = std::getenv("APPDATA")) {
    saved_ = old;
    hadSaved_ = true;
  }
  _putenv_s("APPDATA", path_.c_str());
  if (configHomes++ == 0) savedComValues = TakeComValues();
}

TempConfigHome::~TempConfigHome() {
  if (--configHomes == 0) {
    TakeComValues();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      for (const auto& [name, data] : savedComValues)
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
      RegCloseKey(key);
    }
  }
  _putenv_s("APPDATA", hadSaved_ ? saved_.c_str() : "");
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

PtyPair::PtyPair() {
  slave_ = BrokerConnect();
  std::istringstream answer(BrokerAsk(slave_, "pty"));
  std::string id;
  answer >> id >> slavePath_;
  master_ = BrokerConnect();
  BrokerAsk(master_, "data " + id);
}

PtyPair::~PtyPair() {
  BrokerClose(master_);
  BrokerClose(slave_);
}

void LinkPort(const std::string& comName, const std::string&) {
  int control = BrokerConnect();
  BrokerAsk(control, "unlink " + comName);
  BrokerClose(control);
  ListPort(comName, false);
}

void PtyPair::LinkAs(const std::string& comName) const {
  BrokerAsk(slave_, "link " + comName);
  ListPort(comName, true);
}

void PtyPair::Send(const std::string& bytes) const { BrokerSend(master_, bytes); }

std::string PtyPair::Receive(std::size_t count, std::chrono::milliseconds timeout) const {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  std::string got;
  while (got.size() < count && master_ >= 0) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || !BrokerReadable(master_, static_cast<long>(left))) break;
    char buffer[4096];
    const int n =
        recv(static_cast<SOCKET>(master_), buffer, static_cast<int>(std::min(sizeof buffer, count - got.size())), 0);
    if (n <= 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

std::string PtyPair::Drain() const {
  std::string got;
  char buffer[4096];
  while (master_ >= 0 && BrokerReadable(master_, 0)) {
    const int n = recv(static_cast<SOCKET>(master_), buffer, sizeof buffer, 0);
    if (n <= 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

void PtyPair::CloseMaster() {
  if (master_ < 0) return;
  BrokerAsk(slave_, "hangup");
  BrokerClose(master_);
}

void PtyPair::CloseSlave() { BrokerAsk(slave_, "closeslave"); }
bool PtyPair::HangUpEndsTheWait() { return false; }
