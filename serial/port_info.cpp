#include "port_info.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "com_error.h"
#include "com_port_internal.h"
#include "network_ports.h"
#include "port_info_internal.h"
#include "port_names.h"

namespace {

constexpr char kNotAComName[] = "not a COM name";

// The hex digits after key in text ("VID_" in "USB\VID_0403&PID_6001"), lower case;
// empty when key is not followed by four of them.
std::string IdAfter(std::string text, const std::string& key) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::size_t at = text.find(key);
  if (at == std::string::npos || at + key.size() + 4 > text.size()) return "";
  std::string id = text.substr(at + key.size(), 4);
  for (char& c : id) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return "";
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return id;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

// The serial number in a Windows instance id, where the device has one of its own.
std::string SerialOfInstanceId(const std::string& instanceId) {
  const std::vector<std::string> parts = Split(instanceId, '\\');
  if (parts.size() < 3) return "";
  // USB\VID_0403&PID_6001\A50285BI; a device without a serial gets a made-up id with '&'.
  if (parts[0] == "USB") return parts[2].find('&') == std::string::npos ? parts[2] : "";
  // FTDIBUS\VID_0403+PID_6001+A50285BIA\0000: the serial, then the port's letter.
  const std::vector<std::string> fields = Split(parts[1], '+');
  if (parts[0] == "FTDIBUS" && fields.size() == 3 && fields[2].size() > 1) {
    return fields[2].substr(0, fields[2].size() - 1);
  }
  return "";
}

}  // namespace

PortAvailability UnavailableBecause(const std::string& comName, int platformCode) {
  PortAvailability availability;
  availability.errorCode = platformCode;
  if (OpenCodeMeansInUse(platformCode)) {
    availability.state = PortState::InUse;
    availability.holder = PortHolders(comName);
  } else {
    availability.state = PortState::CannotOpen;
    availability.reason = SystemErrorText(platformCode);
  }
  return availability;
}

PortAvailability CheckAvailability(const std::string& comName) {
  if (!IsComName(comName)) return {PortState::CannotOpen, "", kNotAComName, 0};
  try {
    // Closed again at once; nothing is sent.
    ComDevice::Open(comName);
    return {};
  } catch (const EComPort& error) {
    return UnavailableBecause(comName, error.PlatformCode());
  }
}

PortInfo DescribePort(const std::string& comName, const std::string& openHere) {
  PortInfo info;
  if (const std::optional<std::string> address = NetworkAddressOf(comName)) {
    info.name = IsNetworkName(comName) ? comName : NormalizePortName(comName);
    info.device = *address;
    info.availability.state = info.name == openHere ? PortState::OpenHere : PortState::NotChecked;
    return info;
  }
  if (!IsComName(comName)) {
    info.name = comName;
    info.availability = CheckAvailability(comName);
    return info;
  }
  info.name = NormalizePortName(comName);
  DescribeDevice(info);
  if (info.name == openHere) {
    info.availability.state = PortState::OpenHere;
  } else {
    info.availability = CheckAvailability(info.name);
  }
  return info;
}

std::string AvailabilityText(const PortAvailability& availability) {
  switch (availability.state) {
    case PortState::Free: return "free";
    case PortState::InUse:
      return "in use by " + (availability.holder.empty() ? std::string("another program") : availability.holder);
    case PortState::OpenHere: return "connected in this program";
    case PortState::NotChecked: return "not checked (a network port is opened only to be used)";
    case PortState::CannotOpen: break;
  }
  return "cannot be opened (" + availability.reason + ")";
}

std::string PortDescription(const PortInfo& info) {
  std::vector<std::string> parts;
  if (!info.friendlyName.empty()) {
    parts.push_back(info.friendlyName);
  } else if (info.device.empty()) {
    parts.emplace_back("no device");
  } else {
    parts.push_back(info.stableName.empty() ? info.device : info.device + " (" + info.stableName + ")");
  }
  if (info.usb) {
    const UsbAdapter& usb = *info.usb;
    if (!usb.product.empty() || !usb.manufacturer.empty()) {
      parts.push_back(usb.product.empty()        ? usb.manufacturer
                      : usb.manufacturer.empty() ? usb.product
                                                 : usb.product + " by " + usb.manufacturer);
    }
    parts.push_back("USB " + usb.vendorId + ":" + usb.productId);
    if (!usb.serialNumber.empty()) parts.push_back("serial " + usb.serialNumber);
  }
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  // A network port is its address, as the ports configuration gives it.
  if (info.availability.state == PortState::NotChecked) return text;
  return text + ": " + AvailabilityText(info.availability);
}

std::string PortDescription(const std::string& comName) { return PortDescription(DescribePort(comName)); }

std::optional<UsbAdapter> UsbAdapterOfWindowsIds(const std::string& hardwareId, const std::string& instanceId) {
  UsbAdapter usb;
  usb.vendorId = IdAfter(hardwareId, "VID_");
  if (usb.vendorId.empty()) return std::nullopt;
  usb.productId = IdAfter(hardwareId, "PID_");
  usb.serialNumber = SerialOfInstanceId(instanceId);
  return usb;
}
