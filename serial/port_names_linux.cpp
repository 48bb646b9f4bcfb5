// COM names on Linux: links in the ports folder, else the fixed table of tty devices.

#include "port_names_linux.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "com_error.h"
#include "port_names.h"

namespace {

constexpr int kPortsPerTable = 32;
// COM1-32, COM33-64, COM65-96 in turn.
constexpr const char* kTableDevices[] = {"ttyS", "ttyUSB", "ttyACM"};
static_assert(std::size(kTableDevices) * kPortsPerTable == kLastTableComNumber);

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string HomeDir() {
  std::string home = EnvOrEmpty("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return ".";
}

// The table's device of a name, or empty above the table.
std::string TableDevice(const std::string& devDir, int number) {
  if (number > kLastTableComNumber) return "";
  const int index = number - kFirstComNumber;
  return devDir + "/" + kTableDevices[index / kPortsPerTable] + std::to_string(index % kPortsPerTable);
}

bool EntryExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsCharDevice(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// The path a ports-folder entry stands for: a link's target (relative to the
// folder when relative), or the entry itself.
std::string ResolveEntry(const std::string& folder, const std::string& entry) {
  char target[4096];
  const ssize_t n = ::readlink(entry.c_str(), target, sizeof target - 1);
  if (n <= 0) return entry;
  std::string path(target, static_cast<std::size_t>(n));
  return path.front() == '/' ? path : folder + "/" + path;
}

// The kernel's UART type of a tty (0: no chip known); 0 when it cannot be read.
int UartType(const std::string& sysNode) {
  std::ifstream in(sysNode + "/type");
  int type = 0;
  return in >> type ? type : 0;
}

std::string Canonical(const std::string& path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(path, error);
  return error ? std::string() : canonical.string();
}

}  // namespace

std::string ConfigDir() {
  std::string base = EnvOrEmpty("XDG_CONFIG_HOME");
  // The base directory standard ignores relative paths.
  if (base.empty() || base.front() != '/') base = HomeDir() + "/.config";
  return base + "/Kelvaro";
}

std::string PortsDir() { return ConfigDir() + "/ports"; }

std::string PortChoicePath() { return ConfigDir() + "/VORMAK_setup.ini"; }

std::string PortChoiceLoadPath() { return PortChoicePath(); }

std::string PortDevicePath(const std::string& comName) {
  const std::string name = NormalizePortName(comName);
  const std::string folder = PortsDir();
  const std::string entry = folder + "/" + name;
  if (EntryExists(entry)) return ResolveEntry(folder, entry);
  return TableDevice("/dev", PortNumber(name));
}

void ListSerialPortsIn(std::vector<std::string>& list, const std::string& devDir, const std::string& sysTtyDir) {
  if (DIR* dir = ::opendir(devDir.c_str())) {
    ::closedir(dir);
  } else {
    throw EComPort(CE_EnumPortsFailed, errno);
  }
  const std::string folder = PortsDir();
  std::vector<std::string> found;
  for (int number = kFirstComNumber; number <= kLastComNumber; ++number) {
    const std::string name = ComName(number);
    const std::string entry = folder + "/" + name;
    bool present;
    if (EntryExists(entry)) {
      present = IsCharDevice(entry);
    } else {
      const std::string device = TableDevice(devDir, number);
      present = !device.empty() && IsCharDevice(device);
      // Every ttyS node exists whether or not a UART sits behind it, and a PC's
      // placeholder slots even have a device; only a real chip has a type.
      if (present && (number - kFirstComNumber) / kPortsPerTable == 0) {
        const std::string node = sysTtyDir + "/" + device.substr(device.rfind('/') + 1);
        present = EntryExists(node + "/device") && UartType(node) != 0;
      }
    }
    if (present) found.push_back(name);
  }
  list.insert(list.end(), found.begin(), found.end());
}

void ListMachineSerialPorts(std::vector<std::string>& list) { ListSerialPortsIn(list, "/dev", "/sys/class/tty"); }

std::string StableLinkIn(const std::string& device, const std::string& byIdDir) {
  const std::string target = Canonical(device);
  std::error_code error;
  if (target.empty()) return "";
  for (const auto& entry : std::filesystem::directory_iterator(byIdDir, error)) {
    if (Canonical(entry.path().string()) == target) return entry.path().string();
  }
  return "";
}

std::string PortStableName(const std::string& comName) {
  const std::string device = PortDevicePath(comName);
  const std::string stable = StableLinkIn(device, "/dev/serial/by-id");
  return stable == device ? "" : stable;
}
