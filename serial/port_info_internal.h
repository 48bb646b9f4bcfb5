#pragma once
// The seam between the port descriptions and the platform: one implementation per
// platform, chosen by the build (port_info_linux.cpp, port_info_win32.cpp).

#include <string>

#include "port_info.h"

// Fills in what the system says of info.name's device: device, stable name, driver,
// friendly name, hardware id, USB adapter.
void DescribeDevice(PortInfo& info);
// Whether an opening's platform code means that another program holds the port.
bool OpenCodeMeansInUse(int platformCode);
// Who holds comName's device, where the system says; empty otherwise.
std::string PortHolders(const std::string& comName);
// The system's text for a platform code.
std::string SystemErrorText(int platformCode);
