#pragma once
// What Linux says about a tty, over folders a test can fake: the USB adapter behind it
// (sysfs) and the processes that hold it (/proc).

#include <optional>
#include <string>

#include "port_info.h"

// The USB device above sysTtyDir/<tty>/device (sysTtyDir is normally /sys/class/tty):
// its idVendor, idProduct, manufacturer, product and serial attributes. None when no
// USB device stands above it (a built-in UART, a pseudo-terminal).
std::optional<UsbAdapter> UsbAdapterIn(const std::string& tty, const std::string& sysTtyDir);
// The kernel driver of sysTtyDir/<tty>/device; empty when there is none.
std::string TtyDriverIn(const std::string& tty, const std::string& sysTtyDir);
// "minicom (pid 1234)" for every process in procDir but ignoredPid that has device open,
// joined with ", "; only the processes whose descriptors the system lets us see.
std::string HoldersIn(const std::string& device, const std::string& procDir, int ignoredPid);
