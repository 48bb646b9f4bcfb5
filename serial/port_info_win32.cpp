// Port descriptions on Windows: the device's friendly name, hardware id and USB adapter
// through SetupAPI, for the ports the Ports class holds (the spooler stays the source of
// the port list); Windows' own texts for its codes.

#include <windows.h>

// initguid.h before the headers of the keys: it makes them define the keys they name.
#include <initguid.h>

#include <devguid.h>
#include <devpkey.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "params/cp1250.h"
#include "port_info_internal.h"
#include "port_names.h"
#include "windows_errors.h"

namespace {

bool SameName(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// A registry property of the device as a text; of a list (the hardware ids), the first.
std::string RegistryProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  char buffer[1024] = {};
  if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, reinterpret_cast<BYTE*>(buffer),
                                         sizeof buffer - 2, nullptr)) {
    return "";
  }
  return buffer;
}

// The USB product text the device reports itself, in code page 1250 ('?' for what it lacks).
std::string BusReportedText(HDEVINFO set, SP_DEVINFO_DATA& device) {
  wchar_t buffer[256] = {};
  DEVPROPTYPE type = 0;
  if (!SetupDiGetDevicePropertyW(set, &device, &DEVPKEY_Device_BusReportedDeviceDesc, &type,
                                 reinterpret_cast<BYTE*>(buffer), sizeof buffer - sizeof(wchar_t), nullptr, 0) ||
      type != DEVPROP_TYPE_STRING) {
    return "";
  }
  std::string text;
  for (const wchar_t* c = buffer; *c != 0; ++c) text += UnicodeToCp1250(static_cast<char32_t>(*c)).value_or('?');
  return text;
}

// The COM name the device's own key gives it ("PortName").
std::string PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
  const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return "";
  char name[64] = {};
  DWORD size = sizeof name - 1, type = 0;
  const bool read =
      RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) == ERROR_SUCCESS &&
      type == REG_SZ;
  RegCloseKey(key);
  return read ? name : "";
}

std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
  char id[512] = {};
  return SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr) ? id : "";
}

}  // namespace

void DescribeDevice(PortInfo& info) {
  info.device = PortDevicePath(info.name);
  const HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    if (!SameName(PortNameOf(set, device), info.name)) continue;
    info.friendlyName = RegistryProperty(set, device, SPDRP_FRIENDLYNAME);
    info.hardwareId = RegistryProperty(set, device, SPDRP_HARDWAREID);
    info.usb = UsbAdapterOfWindowsIds(info.hardwareId, InstanceId(set, device));
    if (info.usb) {
      info.usb->manufacturer = RegistryProperty(set, device, SPDRP_MFG);
      info.usb->product = BusReportedText(set, device);
    }
    break;
  }
  SetupDiDestroyDeviceInfoList(set);
}

bool OpenCodeMeansInUse(int platformCode) { return WinOpenCodeMeansInUse(static_cast<std::uint32_t>(platformCode)); }

// Windows does not say who holds a COM port without walking every process's handles.
std::string PortHolders(const std::string&) { return ""; }

std::string SystemErrorText(int platformCode) {
  char text[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(platformCode), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                      sizeof text, nullptr);
  std::string message(text, length);
  // Windows ends its texts with a full stop and a line end.
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(platformCode) : message;
}
