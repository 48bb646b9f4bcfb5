// COM names on Windows: the names themselves, the port list from the print spooler
// (or Windows' device map when the spooler cannot answer), and the program's folder
// under %APPDATA%.

#include "port_names_win32.h"

#include <shlobj.h>
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

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
    std::string port = !name.empty() && name.back() == ':' ? name.substr(0, name.size() - 1) : name;
    // Choosing a name the port object would change must not open another port.
    if (IsComName(port)) ports.push_back(std::move(port));
  }
  return ports;
}

std::vector<std::string> DeviceMapPortsIn(const std::string& key) {
  std::vector<std::string> ports;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return ports;
  for (DWORD i = 0;; ++i) {
    char name[256];
    char data[256] = {};
    DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
    const LSTATUS status =
        RegEnumValueA(handle, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    if (type == REG_SZ && NormalizePortName(data) == data) ports.emplace_back(data);
  }
  RegCloseKey(handle);
  std::sort(ports.begin(), ports.end(),
            [](const std::string& a, const std::string& b) { return PortNumber(a) < PortNumber(b); });
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
std::string PortStableName(const std::string&) { return ""; }

// The spooler's list, or nothing and its error code.
DWORD SpoolerPorts(std::vector<BYTE>& buffer, DWORD& returned) {
  // The size first; the spooler answers an empty buffer with ERROR_INSUFFICIENT_BUFFER.
  DWORD needed = 0;
  if (EnumPortsA(nullptr, 1, nullptr, 0, &needed, &returned)) return ERROR_SUCCESS;
  const DWORD err = GetLastError();
  if (err != ERROR_INSUFFICIENT_BUFFER) return err;
  buffer.resize(needed);
  return EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &returned) ? ERROR_SUCCESS : GetLastError();
}

void ListMachineSerialPorts(std::vector<std::string>& list) {
  std::vector<BYTE> buffer;
  DWORD returned = 0;
  if (const DWORD err = SpoolerPorts(buffer, returned); err != ERROR_SUCCESS) {
    const std::vector<std::string> mapped = DeviceMapPortsIn(kSerialCommKey);
    if (mapped.empty()) throw EComPort(CE_EnumPortsFailed, static_cast<int>(err));
    list.insert(list.end(), mapped.begin(), mapped.end());
    return;
  }
  const auto* ports = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
  std::vector<std::string> names;
  for (DWORD i = 0; i < returned && !buffer.empty(); ++i) names.emplace_back(ports[i].pName);
  const std::vector<std::string> serial = SerialPortsOf(names);
  list.insert(list.end(), serial.begin(), serial.end());
}
