#include "port_names.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "com_port.h"
#include "hex_digit.h"

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 96;
constexpr int kPortsPerTable = 32;
// COM1-32, COM33-64, COM65-96 in turn.
constexpr const char* kTableDevices[] = {"ttyS", "ttyUSB", "ttyACM"};

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

// A whole text read as a 32-bit integer, in the forms the port name accepts;
// false for anything else.
bool ReadWholeInt(const std::string& text, std::int32_t& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0 || digit >= base) return false;
    magnitude = magnitude * base + digit;
    // Hexadecimal forms may spell a negative number in its 32 bits.
    const std::int64_t limit = base == 16 ? 0xFFFFFFFFLL : 0x7FFFFFFFLL + (negative ? 1 : 0);
    if (magnitude > limit) return false;
  }
  std::int64_t result = negative ? -magnitude : magnitude;
  if (base == 16) result = static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
  value = static_cast<std::int32_t>(result);
  return true;
}

std::string ComName(int number) { return "COM" + std::to_string(number); }

int PortNumber(const std::string& comName) { return std::stoi(NormalizePortName(comName).substr(3)); }

std::string TableDevice(const std::string& devDir, int number) {
  const int index = number - kFirstPort;
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
  if (n < 0) return entry;
  std::string path(target, static_cast<std::size_t>(n));
  return path.front() == '/' ? path : folder + "/" + path;
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

std::string NormalizePortName(const std::string& text) {
  std::string rest = text;
  if (rest.size() >= 3 && std::toupper(static_cast<unsigned char>(rest[0])) == 'C' &&
      std::toupper(static_cast<unsigned char>(rest[1])) == 'O' &&
      std::toupper(static_cast<unsigned char>(rest[2])) == 'M') {
    rest.erase(0, 3);
  }
  std::int32_t number = kFirstPort;
  if (!ReadWholeInt(rest, number) || number < kFirstPort || number > kLastPort) number = kFirstPort;
  return ComName(number);
}

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
  for (int number = kFirstPort; number <= kLastPort; ++number) {
    const std::string name = ComName(number);
    const std::string entry = folder + "/" + name;
    bool present;
    if (EntryExists(entry)) {
      present = IsCharDevice(entry);
    } else {
      const std::string device = TableDevice(devDir, number);
      present = IsCharDevice(device);
      // Every ttyS node exists whether or not a UART sits behind it; the kernel
      // links a device only for the real ones.
      if (present && (number - kFirstPort) / kPortsPerTable == 0) {
        const std::string node = device.substr(device.rfind('/') + 1);
        present = EntryExists(sysTtyDir + "/" + node + "/device");
      }
    }
    if (present) found.push_back(name);
  }
  list.insert(list.end(), found.begin(), found.end());
}

void ListSerialPorts(std::vector<std::string>& list) { ListSerialPortsIn(list, "/dev", "/sys/class/tty"); }
