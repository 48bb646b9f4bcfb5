// Port descriptions in words, and Windows' device ids read as a USB adapter: the same
// on every system.

#include "serial/port_info.h"

#include <gtest/gtest.h>

namespace {

// A permission problem is not "in use"; a held port names its holder where the system does.
TEST(PortDescription, WordsTheDeviceTheAdapterAndWhetherThePortCanBeHad) {
  const UsbAdapter ftdi{"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"};
  const std::pair<PortInfo, const char*> rows[] = {
      {{.device = "/dev/ttyUSB0",
        .stableName = "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0",
        .usb = ftdi,
        .availability = {PortState::InUse, "minicom (pid 1234)", "", 16}},
       "/dev/ttyUSB0 (/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0), FT232R USB UART by FTDI, USB 0403:6001, "
       "serial A50285BI: in use by minicom (pid 1234)"},
      {{.device = "\\\\.\\COM3",
        .friendlyName = "USB-SERIAL CH340 (COM3)",
        .usb = UsbAdapter{"1a86", "7523", "", "", ""},
        .availability = {PortState::OpenHere}},
       "USB-SERIAL CH340 (COM3), USB 1a86:7523: connected in this program"},
      {{.device = "/dev/pts/3"}, "/dev/pts/3: free"},
      {{.device = "/dev/ttyS4", .availability = {PortState::CannotOpen, "", "Permission denied", 13}},
       "/dev/ttyS4: cannot be opened (Permission denied)"},
      {{.availability = {PortState::CannotOpen, "", "No such file or directory", 2}},
       "no device: cannot be opened (No such file or directory)"},
      {{.device = "\\\\.\\COM7", .usb = UsbAdapter{"0403", "6015", "FTDI", "", ""}, .availability = {PortState::InUse}},
       "\\\\.\\COM7, FTDI, USB 0403:6015: in use by another program"},
  };
  for (const auto& [info, text] : rows) EXPECT_EQ(PortDescription(info), text);
}

TEST(UsbAdapterOfWindowsIds, TakesTheIdsFromTheHardwareIdAndTheSerialFromTheInstanceId) {
  const struct {
    const char* hardwareId;
    const char* instanceId;
    std::optional<UsbAdapter> usb;
  } rows[] = {
      {"USB\\VID_0403&PID_6001&REV_0600", "USB\\VID_0403&PID_6001\\A50285BI",
       UsbAdapter{"0403", "6001", "", "", "A50285BI"}},
      // Windows makes an id up for a device without a serial of its own.
      {"USB\\VID_1A86&PID_7523&REV_0263", "USB\\VID_1A86&PID_7523\\5&2B1B3D8&0&2",
       UsbAdapter{"1a86", "7523", "", "", ""}},
      {"FTDIBUS\\COMPORT&VID_0403&PID_6001", "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000",
       UsbAdapter{"0403", "6001", "", "", "A50285BI"}},
      {"usb\\vid_10c4&pid_ea60", "", UsbAdapter{"10c4", "ea60", "", "", ""}},
      {"ACPI\\PNP0501", "ACPI\\PNP0501\\1", std::nullopt},
      {"USB\\VID_04&PID_6001", "", std::nullopt},
  };
  for (const auto& row : rows)
    EXPECT_EQ(UsbAdapterOfWindowsIds(row.hardwareId, row.instanceId), row.usb) << row.hardwareId;
}

}  // namespace
