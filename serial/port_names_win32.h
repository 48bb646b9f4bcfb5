#pragma once
// What Windows adds to the COM names: the spooler's port list, filtered, and where
// an earlier installation kept the port choice.

#include <string>
#include <vector>

// Where earlier versions kept the port choice; writing there needs administrator rights.
inline constexpr char kOldPortChoicePath[] = "C:\\VORMAK_setup.ini";

// The serial ports among the spooler's port names, in their order: every name that
// begins with "COM", without its trailing colon ("COM3:" gives "COM3"), and that the
// port object keeps as it is (COM1 to COM256).
std::vector<std::string> SerialPortsOf(const std::vector<std::string>& spoolerPorts);

// Where Windows' own device map lists the serial ports (under HKEY_LOCAL_MACHINE).
inline constexpr char kSerialCommKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The COM names among the string values of a key under HKEY_LOCAL_MACHINE, in number
// order: the port list when the print spooler cannot give one (its service stopped,
// as on many locked-down laptops). Empty when the key cannot be read.
std::vector<std::string> DeviceMapPortsIn(const std::string& key);

// choicePath when it exists or oldPath does not; otherwise oldPath, so that a choice
// made with an earlier version carries over once.
std::string PortChoiceLoadPathOf(const std::string& choicePath, const std::string& oldPath);
