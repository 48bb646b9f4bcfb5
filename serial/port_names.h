#pragma once
// COM names, the devices they stand for, and where the program keeps its files.
// The rules for the names are the same everywhere; finding the machine's ports and
// folders is the platform's (port_names_linux.cpp, port_names_win32.cpp).

#include <string>
#include <vector>

// The numbers Windows' own port settings offer.
constexpr int kFirstComNumber = 1;
constexpr int kLastComNumber = 256;

// "COM" and a number 1..256 without leading zeros; anything unreadable or out of that
// range gives "COM1".
std::string NormalizePortName(const std::string& text);
// True when text, in any case, is a name NormalizePortName keeps as it is ("com5" and
// "COM5", not "COM05" or "5"): what a user may give where a COM name is asked for.
bool IsComName(const std::string& text);
// "COM<number>" for a number 1..256.
std::string ComName(int number);
// The number of a COM name, after normalizing it.
int PortNumber(const std::string& comName);

// The program's config folder: ${XDG_CONFIG_HOME:-$HOME/.config}/Kelvaro on Linux,
// %APPDATA%\Kelvaro on Windows.
std::string ConfigDir();
// <config dir>/VORMAK_setup.ini (the save goes there)
std::string PortChoicePath();
// Where the choice is loaded from at start: PortChoicePath(), except that on Windows
// a choice an earlier version kept at the root of C: is read while the new file does
// not exist yet.
std::string PortChoiceLoadPath();

// The device a (normalized) COM name stands for; empty when it stands for none (on
// Linux a name above the fixed table without a link in the ports folder), so that
// opening it fails rather than open another port.
std::string PortDevicePath(const std::string& comName);
// The name that stays with the adapter whichever device it gets today (on Linux its
// /dev/serial/by-id link); empty when there is none.
std::string PortStableName(const std::string& comName);
// What a person needs to recognise the port and know whether it can be had: its
// device, the adapter behind it and whether it is free, in use or cannot be opened
// (DescribePort and PortDescription in port_info.h; this checks the port by opening it).
std::string PortDescription(const std::string& comName);
// Appends the machine's serial ports: on Linux in ascending number every COM name
// whose device exists and is a serial port, on Windows the spooler's COM ports in its
// order. Raises EComPort 15 when the list cannot be read.
void ListMachineSerialPorts(std::vector<std::string>& list);
// The same with the network ports of the ports configuration (network_ports.cpp).
void ListSerialPorts(std::vector<std::string>& list);
