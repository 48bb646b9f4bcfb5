// Port descriptions on Linux: the device and its USB adapter from sysfs, the holders of
// a busy port from /proc.

#include "port_info_linux.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "port_info_internal.h"
#include "port_names.h"

namespace {

namespace fs = std::filesystem;

constexpr char kSysTtyDir[] = "/sys/class/tty";
constexpr char kProcDir[] = "/proc";

// A sysfs attribute's first line, without the line end and trailing blanks.
std::string Attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

fs::path Canonical(const fs::path& path) {
  std::error_code error;
  fs::path canonical = fs::canonical(path, error);
  return error ? fs::path() : canonical;
}

// A device is the same device under any node that names it.
bool SameFile(const struct stat& a, const struct stat& b) {
  if (S_ISCHR(b.st_mode)) return S_ISCHR(a.st_mode) && a.st_rdev == b.st_rdev;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsNumber(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::optional<UsbAdapter> UsbAdapterIn(const std::string& tty, const std::string& sysTtyDir) {
  fs::path at = Canonical(fs::path(sysTtyDir) / tty / "device");
  // Up from the tty's device (a port of an interface, or the interface itself) to the
  // USB device that carries the ids.
  for (; !at.empty() && at != at.root_path(); at = at.parent_path()) {
    std::error_code error;
    if (!fs::exists(at / "idVendor", error)) continue;
    return UsbAdapter{Attribute(at / "idVendor"), Attribute(at / "idProduct"), Attribute(at / "manufacturer"),
                      Attribute(at / "product"), Attribute(at / "serial")};
  }
  return std::nullopt;
}

std::string TtyDriverIn(const std::string& tty, const std::string& sysTtyDir) {
  return Canonical(fs::path(sysTtyDir) / tty / "device" / "driver").filename().string();
}

std::string HoldersIn(const std::string& device, const std::string& procDir, int ignoredPid) {
  struct stat target;
  if (::stat(device.c_str(), &target) != 0) return "";
  std::string holders;
  std::error_code error;
  for (const fs::directory_entry& process : fs::directory_iterator(procDir, error)) {
    const std::string pid = process.path().filename().string();
    if (!IsNumber(pid) || std::stoi(pid) == ignoredPid) continue;
    std::error_code unreadable;
    for (const fs::directory_entry& fd : fs::directory_iterator(process.path() / "fd", unreadable)) {
      struct stat open;
      if (::stat(fd.path().c_str(), &open) != 0 || !SameFile(open, target)) continue;
      holders += (holders.empty() ? "" : ", ") + Attribute(process.path() / "comm") + " (pid " + pid + ")";
      break;
    }
  }
  return holders;
}

void DescribeDevice(PortInfo& info) {
  info.device = PortDevicePath(info.name);
  if (info.device.empty()) return;
  info.stableName = PortStableName(info.name);
  const std::string tty = Canonical(info.device).filename().string();
  if (tty.empty()) return;
  info.driver = TtyDriverIn(tty, kSysTtyDir);
  info.usb = UsbAdapterIn(tty, kSysTtyDir);
}

// The exclusive tty (EBUSY) or the lock a connection takes (EWOULDBLOCK) is held.
bool OpenCodeMeansInUse(int platformCode) { return platformCode == EBUSY || platformCode == EWOULDBLOCK; }

std::string PortHolders(const std::string& comName) {
  const std::string device = PortDevicePath(comName);
  return device.empty() ? "" : HoldersIn(device, kProcDir, static_cast<int>(::getpid()));
}

std::string SystemErrorText(int platformCode) { return std::strerror(platformCode); }
