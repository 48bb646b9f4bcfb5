#pragma once
// COM names, the devices they stand for, and where the program keeps its files.
// The rules for the names are the same everywhere; finding the machine's ports and
// folders is the platform's (port_names_linux.cpp).

#include <string>
#include <vector>

constexpr int kFirstComNumber = 1;
constexpr int kLastComNumber = 96;

// "COM" and a number 1..96 without leading zeros; anything unreadable gives "COM1".
std::string NormalizePortName(const std::string& text);
// "COM<number>" for a number 1..96.
std::string ComName(int number);
// The number of a COM name, after normalizing it.
int PortNumber(const std::string& comName);

// The program's config folder: ${XDG_CONFIG_HOME:-$HOME/.config}/Kelvaro on Linux.
std::string ConfigDir();
// <config dir>/VORMAK_setup.ini
std::string PortChoicePath();

// The device a (normalized) COM name stands for.
std::string PortDevicePath(const std::string& comName);
// What a person needs to recognise the port: its device and, when there is one, the
// name that stays with the adapter ("/dev/ttyUSB0 (/dev/serial/by-id/usb-...)").
std::string PortDescription(const std::string& comName);
// Appends, in ascending number, every COM name whose device exists and is a serial
// port. Raises EComPort 15 when the device list cannot be read.
void ListSerialPorts(std::vector<std::string>& list);
