#include "network_ports.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "com_error.h"
#include "params/file_io.h"
#include "port_names.h"

namespace {

// A hand-edited file is small; past this it is read no further.
constexpr std::size_t kMaxConfigSize = 64 * 1024;

std::vector<std::string> ConfigLines() {
  std::string bytes;
  try {
    bytes = ReadFileStart(NetworkPortsPath(), kMaxConfigSize).bytes;
  } catch (const EInOutError&) {
    return {};
  }
  std::vector<std::string> lines;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The port a line gives, if it gives one.
std::optional<NetworkPort> PortOfLine(const std::string& line) {
  std::istringstream words(line);
  NetworkPort port;
  if (!(words >> port.comName >> port.address) || !IsComName(port.comName)) return std::nullopt;
  port.comName = NormalizePortName(port.comName);
  return port;
}

bool SameName(const std::string& line, const std::string& comName) {
  const std::optional<NetworkPort> port = PortOfLine(line);
  return port && port->comName == comName;
}

void CheckComName(const std::string& comName) {
  if (!IsComName(comName)) {
    throw EPortName("\"" + comName + "\" is no COM name (COM" + std::to_string(kFirstComNumber) + " to COM" +
                    std::to_string(kLastComNumber) + ")");
  }
}

void SaveLines(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\n";
  const std::string path = NetworkPortsPath();
  MakeParentFolders(path);
  SaveFileAtomically(path, bytes);
}

}  // namespace

std::string NetworkPortsPath() { return (std::filesystem::path(ConfigDir()) / "ports" / "network.txt").string(); }

std::vector<NetworkPort> NetworkPorts() {
  std::vector<NetworkPort> ports;
  for (const std::string& line : ConfigLines()) {
    const std::optional<NetworkPort> port = PortOfLine(line);
    if (port &&
        std::none_of(ports.begin(), ports.end(), [&](const NetworkPort& p) { return p.comName == port->comName; }))
      ports.push_back(*port);
  }
  std::stable_sort(ports.begin(), ports.end(), [](const NetworkPort& a, const NetworkPort& b) {
    return PortNumber(a.comName) < PortNumber(b.comName);
  });
  return ports;
}

std::optional<std::string> NetworkPortAddress(const std::string& comName) {
  if (!IsComName(comName)) return std::nullopt;
  const std::string name = NormalizePortName(comName);
  for (const NetworkPort& port : NetworkPorts()) {
    if (port.comName == name) return port.address;
  }
  return std::nullopt;
}

std::optional<std::string> NetworkAddressOf(const std::string& portName) {
  if (IsNetworkName(portName)) return CanonicalNetworkName(portName);
  return NetworkPortAddress(portName);
}

void AddNetworkPort(const std::string& comName, const std::string& address) {
  CheckComName(comName);
  const std::string name = NormalizePortName(comName);
  const std::string canonical = NetworkName(ParseNetworkName(address));
  if (!NetworkPortAddress(name)) {
    std::vector<std::string> machine;
    try {
      ListMachineSerialPorts(machine);
    } catch (const EComPort&) {
      // Without the machine's list there is nothing to collide with.
    }
    if (std::find(machine.begin(), machine.end(), name) != machine.end()) {
      throw EPortName(name + " is a serial port of this machine (" + PortDescription(name) +
                      "); give the network port a free COM name");
    }
  }
  std::vector<std::string> lines = ConfigLines();
  const std::string entry = name + " " + canonical;
  const auto first = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return SameName(l, name); });
  if (first == lines.end()) {
    lines.push_back(entry);
  } else {
    *first = entry;
    lines.erase(std::remove_if(first + 1, lines.end(), [&](const std::string& l) { return SameName(l, name); }),
                lines.end());
  }
  SaveLines(lines);
}

void RemoveNetworkPort(const std::string& comName) {
  CheckComName(comName);
  const std::string name = NormalizePortName(comName);
  std::vector<std::string> lines = ConfigLines();
  const auto kept = std::remove_if(lines.begin(), lines.end(), [&](const std::string& l) { return SameName(l, name); });
  if (kept == lines.end()) throw EPortName(name + " is no network port (" + NetworkPortsPath() + ")");
  lines.erase(kept, lines.end());
  SaveLines(lines);
}

void ListSerialPorts(std::vector<std::string>& list) {
  const std::size_t from = list.size();
  ListMachineSerialPorts(list);
  for (const NetworkPort& port : NetworkPorts()) {
    const auto begin = list.begin() + static_cast<std::ptrdiff_t>(from);
    if (std::find(begin, list.end(), port.comName) != list.end()) continue;
    const int number = PortNumber(port.comName);
    list.insert(std::find_if(begin, list.end(), [&](const std::string& name) { return PortNumber(name) > number; }),
                port.comName);
  }
}
