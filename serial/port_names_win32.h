#pragma once
// What Windows adds to the COM names: the spooler's port list, filtered, and where
// an earlier installation kept the port choice.

#include <string>
#include <vector>

// Where earlier versions kept the port choice; writing there needs administrator rights.
inline constexpr char kOldPortChoicePath[] = "C:\\VORMAK_setup.ini";

// The serial ports among the spooler's port names, in their order: every name that
// begins with "COM", without its trailing colon ("COM3:" gives "COM3").
std::vector<std::string> SerialPortsOf(const std::vector<std::string>& spoolerPorts);

// choicePath when it exists or oldPath does not; otherwise oldPath, so that a choice
// made with an earlier version carries over once.
std::string PortChoiceLoadPathOf(const std::string& choicePath, const std::string& oldPath);
