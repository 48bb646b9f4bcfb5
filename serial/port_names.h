#pragma once
// COM names on Linux and where the program keeps its files.
//
// COMn (n = 1..96) names, first, a symbolic link "COMn" in the ports folder
// (<config dir>/ports/COMn), and otherwise the fixed table
// COM1-COM32 -> /dev/ttyS0-31, COM33-COM64 -> /dev/ttyUSB0-31, COM65-COM96 -> /dev/ttyACM0-31.

#include <string>
#include <vector>

// ${XDG_CONFIG_HOME:-$HOME/.config}/Kelvaro
std::string ConfigDir();
// <config dir>/ports
std::string PortsDir();
// <config dir>/VORMAK_setup.ini
std::string PortChoicePath();

// "COM" and a number 1..96 without leading zeros; anything unreadable gives "COM1".
std::string NormalizePortName(const std::string& text);
// The device a (normalized) COM name stands for.
std::string PortDevicePath(const std::string& comName);
// Appends, in ascending number, every COM name whose device exists and is a serial
// port. Raises EComPort 15 when the device list cannot be read.
void ListSerialPorts(std::vector<std::string>& list);
// ListSerialPorts over another device folder and /sys/class/tty folder (tests).
void ListSerialPortsIn(std::vector<std::string>& list, const std::string& devDir, const std::string& sysTtyDir);
