// ports --json's and find --json's objects: every field under its name, code page 1250
// texts in UTF-8, and null for what the system did not say.

#include <gtest/gtest.h>

#include "cli/port_commands.h"

namespace {

TEST(PortJson, FieldsComeInUtf8AndWhatTheSystemDidNotSayIsNull) {
  const PortInfo info{.name = "COM3",
                      .friendlyName = "Soros USB-eszk\xF6z (COM3)",
                      .usb = UsbAdapter{"0403", "6001", "FTDI", "", "A50285BI"},
                      .availability = {PortState::InUse, "", "", 5}};
  EXPECT_EQ(
      PortInfoJson(info).dump(),
      R"j({"name":"COM3","device":null,"stableName":null,"driver":null,"friendlyName":"Soros USB-eszköz (COM3)",)j"
      R"j("hardwareId":null,"usb":{"vendorId":"0403","productId":"6001","manufacturer":"FTDI","product":null,)j"
      R"j("serialNumber":"A50285BI"},"availability":{"state":"inUse","holder":null,"reason":null,"errorCode":5},)j"
      R"j("description":"Soros USB-eszköz (COM3), FTDI, USB 0403:6001, serial A50285BI: in use by another program"})j");
  const PortFinding answered{"COM5", FindOutcome::Answered, DecodeStatusLine("[0110,G,2]")};
  EXPECT_EQ(FindingJson(answered).dump(),
            R"j({"port":"COM5","outcome":"answered","status":{"wiredLine":"Vonal rendben","in1":"Nyitva",)j"
            R"j("in2":"Rövidzár","callState":"Kimenő hívás folyamatban","signal":23},"heard":null,)j"
            R"j("availability":{"state":"free","holder":null,"reason":null,"errorCode":0},)j"
            R"j("text":"Vezetékes vonal: Vonal rendben | IN1: Nyitva | IN2: Rövidzár | GSM vonal státusz: )j"
            R"j(Kimenő hívás folyamatban | GSM térerő (0-31): 23"})j");
}

}  // namespace
