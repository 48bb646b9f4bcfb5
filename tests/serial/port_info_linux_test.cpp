// What Linux says of a port: its USB adapter in a sysfs tree faked as the kernel lays it
// out, and whether the port can be had, over real pseudo-terminals.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "serial/port_info.h"
#include "serial/port_info_internal.h"
#include "serial/port_info_linux.h"
#include "tests/support/held_port.h"
#include "tests/support/pty_pair.h"

namespace {

namespace fs = std::filesystem;

class UsbInSysfs : public ::testing::Test {
 protected:
  // A USB device at devices/usb1/1-2 with the given attributes, and a tty whose device
  // link leads to the path below it.
  void Tty(const std::string& tty, const std::string& below, const std::string& driver) {
    const fs::path device = sys / "devices/usb1/1-2" / below;
    fs::create_directories(device);
    fs::create_directories(sys / "class/tty" / tty);
    fs::create_directory_symlink(device, sys / "class/tty" / tty / "device");
    fs::create_directories(sys / "bus/usb-serial/drivers" / driver);
    fs::create_directory_symlink(sys / "bus/usb-serial/drivers" / driver, device / "driver");
  }
  std::string TtyDir() const { return (sys / "class/tty").string(); }

  TempConfigHome config;
  fs::path sys = fs::path(config.Path()) / "sys";
};

TEST_F(UsbInSysfs, TheAdapterAboveATtyOrItsInterfaceGivesItsIdsAndTexts) {
  fs::create_directories(sys / "devices/usb1/1-2");
  const std::pair<const char*, const char*> attributes[] = {{"idVendor", "0403\n"},
                                                            {"idProduct", "6001\n"},
                                                            {"manufacturer", "FTDI\n"},
                                                            {"product", "FT232R USB UART \n"},
                                                            {"serial", "A50285BI\n"}};
  for (const auto& [name, value] : attributes) std::ofstream(sys / "devices/usb1/1-2" / name) << value;
  Tty("ttyUSB0", "1-2:1.0/ttyUSB0", "ftdi_sio");  // a usb-serial port below its interface
  Tty("ttyACM0", "1-2:1.2", "cdc_acm");           // an ACM tty's device is the interface itself
  const UsbAdapter ftdi{"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"};
  EXPECT_EQ(UsbAdapterIn("ttyUSB0", TtyDir()), ftdi);
  EXPECT_EQ(UsbAdapterIn("ttyACM0", TtyDir()), ftdi);
  EXPECT_EQ(TtyDriverIn("ttyUSB0", TtyDir()), "ftdi_sio");
  EXPECT_EQ(TtyDriverIn("ttyACM0", TtyDir()), "cdc_acm");
}

TEST_F(UsbInSysfs, ABuiltInUartOrAnUnknownTtyHasNoAdapter) {
  fs::create_directories(sys / "devices/platform/serial8250/tty/ttyS0");
  fs::create_directories(sys / "class/tty/ttyS0");
  fs::create_directory_symlink(sys / "devices/platform/serial8250/tty/ttyS0", sys / "class/tty/ttyS0/device");
  EXPECT_EQ(UsbAdapterIn("ttyS0", TtyDir()), std::nullopt);
  EXPECT_EQ(UsbAdapterIn("pts", TtyDir()), std::nullopt);
  EXPECT_EQ(TtyDriverIn("pts", TtyDir()), "");
}

// A busy tty (EBUSY) or the lock a connection takes (EWOULDBLOCK) is another program's
// hold; no permission or no device is "cannot be opened".
TEST(OpenCodeMeansInUse, BusyOrLockedOnlyNotPermissionOrAbsence) {
  const std::pair<int, bool> rows[] = {
      {EBUSY, true}, {EWOULDBLOCK, true}, {EACCES, false}, {EPERM, false}, {ENOENT, false}};
  for (const auto& [code, expected] : rows) EXPECT_EQ(OpenCodeMeansInUse(code), expected) << code;
}

class Availability : public ::testing::Test {
 protected:
  TempConfigHome config;
  PtyPair pty;
};

TEST_F(Availability, FreeHeldOrWithoutDeviceAsTheOpeningFindsIt) {
  pty.LinkAs("COM5");
  LinkPort("COM6", config.Path() + "/absent");
  EXPECT_EQ(CheckAvailability("COM5"), PortAvailability{});
  EXPECT_EQ(CheckAvailability("COM6"),
            (PortAvailability{PortState::CannotOpen, "", "No such file or directory", ENOENT}));
  EXPECT_EQ(CheckAvailability("COMX"), (PortAvailability{PortState::CannotOpen, "", "not a COM name", 0}));
  const HeldPort holder(pty.SlavePath());
  const PortAvailability held = CheckAvailability("COM5");
  EXPECT_EQ(held.state, PortState::InUse);
  EXPECT_EQ(held.errorCode, EWOULDBLOCK);
  // This process holds the slave too (the fixture); it is no other program.
  EXPECT_EQ(held.holder, "sleep (pid " + std::to_string(holder.Pid()) + ")");
}

TEST_F(Availability, TheDescriptionNamesTheDeviceAndLeavesThePortThisProgramHoldsAlone) {
  pty.LinkAs("COM5");
  const PortInfo info = DescribePort("com5", "COM5");
  EXPECT_EQ(info.name, "COM5");
  EXPECT_EQ(info.device, pty.SlavePath());
  EXPECT_EQ(info.availability.state, PortState::OpenHere);
  EXPECT_EQ(DescribePort("COM5").availability.state, PortState::Free);
}

}  // namespace
