// COM names on Windows: the names themselves, the port list from the print spooler,
// and the program's folder under %APPDATA%.

#include "port_names_win32.h"

#include <shlobj.h>
#include <windows.h>
#include <winspool.h>

#include <cstdlib>

#include "com_error.h"
#include "port_names.h"

namespace {

constexpr char kComPrefix[] = "COM";

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string AppDataDir() {
  if (const char* appData = std::getenv("APPDATA"); appData != nullptr && *appData != '\0') return appData;
  char folder[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK) return folder;
  return ".";
}

}  // namespace

std::vector<std::string> SerialPortsOf(const std::vector<std::string>& spoolerPorts) {
  std::vector<std::string> ports;
  for (const std::string& name : spoolerPorts) {
    if (name.rfind(kComPrefix, 0) != 0) continue;
    ports.push_back(!name.empty() && name.back() == ':' ? name.substr(0, name.size() - 1) : name);
  }
  return ports;
}

std::string PortChoiceLoadPathOf(const std::string& choicePath, const std::string& oldPath) {
  return !FileExists(choicePath) && FileExists(oldPath) ? oldPath : choicePath;
}

std::string ConfigDir() { return AppDataDir() + "\\Kelvaro"; }

std::string PortChoicePath() { return ConfigDir() + "\\VORMAK_setup.ini"; }

std::string PortChoiceLoadPath() { return PortChoiceLoadPathOf(PortChoicePath(), kOldPortChoicePath); }

std::string PortDevicePath(const std::string& comName) { return "\\\\.\\" + NormalizePortName(comName); }

// Windows keeps a COM name with its adapter itself: the device says it all.
std::string PortDescription(const std::string& comName) { return PortDevicePath(comName); }

void ListSerialPorts(std::vector<std::string>& list) {
  // The size first; the spooler answers an empty buffer with ERROR_INSUFFICIENT_BUFFER.
  DWORD needed = 0;
  DWORD returned = 0;
  std::vector<BYTE> buffer;
  if (!EnumPortsA(nullptr, 1, nullptr, 0, &needed, &returned)) {
    const DWORD err = GetLastError();
    if (err != ERROR_INSUFFICIENT_BUFFER) throw EComPort(CE_EnumPortsFailed, static_cast<int>(err));
    buffer.resize(needed);
    if (!EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &returned)) {
      throw EComPort(CE_EnumPortsFailed, static_cast<int>(GetLastError()));
    }
  }
  const auto* ports = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
  std::vector<std::string> names;
  for (DWORD i = 0; i < returned && !buffer.empty(); ++i) names.emplace_back(ports[i].pName);
  const std::vector<std::string> serial = SerialPortsOf(names);
  list.insert(list.end(), serial.begin(), serial.end());
}
