#pragma once
// What Linux adds to the COM names: the ports folder of links, and the port list
// over folders a test can fake.
//
// COMn names, first, a symbolic link "COMn" in the ports folder (<config dir>/ports/COMn),
// and otherwise the fixed table COM1-COM32 -> /dev/ttyS0-31, COM33-COM64 ->
// /dev/ttyUSB0-31, COM65-COM96 -> /dev/ttyACM0-31. COM97-COM256 stand only for what
// their link names.

#include <string>
#include <vector>

// The last name of the fixed table.
constexpr int kLastTableComNumber = 96;

// <config dir>/ports
std::string PortsDir();
// ListSerialPorts over another device folder and /sys/class/tty folder. A ttyS node is
// a port only when the kernel knows a chip behind it (a non-zero type).
void ListSerialPortsIn(std::vector<std::string>& list, const std::string& devDir, const std::string& sysTtyDir);
// The link in byIdDir (normally /dev/serial/by-id) that leads to device, whichever
// ttyUSB number it has today; empty when there is none.
std::string StableLinkIn(const std::string& device, const std::string& byIdDir);
