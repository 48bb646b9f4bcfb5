#pragma once
// What stands behind a COM name, as plain values that a person reads through
// PortDescription and a script takes as they are: the device, the USB adapter where
// there is one, and whether the port can be had now. What the system says about a
// device is the platform's (port_info_linux.cpp: sysfs and /proc; port_info_win32.cpp:
// SetupAPI). Every field starts empty, so a value may name only the fields it sets.

#include <optional>
#include <string>

// A USB adapter's own numbers and texts; each empty where the system does not say.
struct UsbAdapter {
  std::string vendorId;      // four lower-case hex digits, "0403"
  std::string productId;     // "6001"
  std::string manufacturer;  // "FTDI"
  std::string product;       // "FT232R USB UART"
  std::string serialNumber;  // "A50285BI"
  friend bool operator==(const UsbAdapter&, const UsbAdapter&) = default;
};

enum class PortState {
  Free,        // it opened exclusively, as a connection opens it
  InUse,       // another program holds it
  OpenHere,    // this program has it open (and it was not opened again to look)
  CannotOpen,  // no device, no permission, ...
  NotChecked,  // a network port: it is opened only to be used
};

struct PortAvailability {
  PortState state = PortState::Free;
  std::string holder{};  // InUse: who holds it, where the system says ("minicom (pid 1234)")
  std::string reason{};  // CannotOpen: the system's text for errorCode ("Permission denied")
  int errorCode = 0;     // a failed opening's platform code (errno, GetLastError()); 0 when it opened
  friend bool operator==(const PortAvailability&, const PortAvailability&) = default;
};

struct PortInfo {
  std::string name{};    // "COM33"
  std::string device{};  // what opening it opens: "/dev/ttyUSB0", "\\.\COM3", "rfc2217://host:7217"; empty for nothing
  std::string stableName{};    // Linux: the name that stays with the adapter (/dev/serial/by-id/...)
  std::string driver{};        // Linux: the kernel's driver of the tty ("ftdi_sio", "cdc_acm")
  std::string friendlyName{};  // Windows: "USB Serial Port (COM3)"
  std::string hardwareId{};    // Windows: "USB\VID_0403&PID_6001&REV_0600"
  std::optional<UsbAdapter> usb{};
  PortAvailability availability{};
};

// What stands behind comName and whether it can be had. The check opens the port as a
// connection does, exclusively, and closes it at once, sending nothing; the port this
// program has open itself (openHere, its COM name; empty for none) is not opened again.
// A text that is no COM name opens nothing. A network port (a network name, or a COM
// name the ports configuration gives one) is not opened to look: connecting takes its
// time, and a server that lets a new connection take the port would drop the one using it.
PortInfo DescribePort(const std::string& comName, const std::string& openHere = "");

// Opens comName as a connection does and closes it at once.
PortAvailability CheckAvailability(const std::string& comName);
// What an opening of comName that failed with the platform's code says: in use (and by
// whom, where the system says), or cannot be opened (and why).
PortAvailability UnavailableBecause(const std::string& comName, int platformCode);

// The port in words, the one place that words a port for a person (the chooser's
// tooltip, the command line's port list):
// "/dev/ttyUSB0 (/dev/serial/by-id/...), FT232R USB UART by FTDI, USB 0403:6001,
// serial A50285BI: free".
std::string PortDescription(const PortInfo& info);
// "free", "in use by minicom (pid 1234)", "cannot be opened (Permission denied)", ...
std::string AvailabilityText(const PortAvailability& availability);

// A USB adapter from Windows' ids of its device: the vendor and product ids in the
// hardware id ("USB\VID_0403&PID_6001&REV_0600", "FTDIBUS\COMPORT&VID_0403&PID_6001"),
// the serial number in the instance id ("USB\VID_0403&PID_6001\A50285BI"; on FTDI's own
// bus "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000", the serial and the port's letter).
// None without a vendor id.
std::optional<UsbAdapter> UsbAdapterOfWindowsIds(const std::string& hardwareId, const std::string& instanceId);
