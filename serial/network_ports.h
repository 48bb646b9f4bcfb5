#pragma once
// The ports configuration: COM names that stand for network ports, so the windows,
// which know only COM names, reach a module on the network too. One file on every
// system, <config dir>/ports/network.txt (on Linux beside the links of the ports
// folder, on Windows under %APPDATA%\Kelvaro\ports), one line a port:
//
//   COM12 rfc2217://192.168.5.20:7217
//
// Lines beginning with "#", blank lines and lines that name no COM name are left as
// they are and otherwise ignored; of two lines for one name the first counts.

#include <optional>
#include <string>
#include <vector>

#include "network_name.h"

std::string NetworkPortsPath();

struct NetworkPort {
  std::string comName;
  std::string address;  // as the file has it: a network name, unless edited by hand
};

// The configured ports in number order; none when the file is missing or unreadable.
std::vector<NetworkPort> NetworkPorts();
// The address the configuration gives a COM name (in any case), if any.
std::optional<std::string> NetworkPortAddress(const std::string& comName);
// The network name a port name stands for: a network name itself, or a COM name's
// configured address; none for a serial port.
std::optional<std::string> NetworkAddressOf(const std::string& portName);

// Gives comName the network port name address, replacing the address it had. Raises
// EPortName for a name that is not a COM name, an address that is not a network name,
// and a COM name the machine has a serial port of; the file's own errors
// (EInOutError) when it cannot be written.
void AddNetworkPort(const std::string& comName, const std::string& address);
// Takes comName's address out of the configuration; EPortName when it has none.
void RemoveNetworkPort(const std::string& comName);

// ListSerialPorts (port_names.h) puts the configured ports among the machine's, in
// number order, each name once.
