#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "protocol/block_frame.h"
#include "serial/com_port.h"
#include "serial/port_names.h"
#include "serial/port_names_linux.h"
#include "tests/support/pty_pair.h"
#include "tests/support/raised.h"

namespace {

namespace fs = std::filesystem;

struct NormalizeRow {
  const char* text;
  const char* expected;
};

class NormalizePortNameTable : public ::testing::TestWithParam<NormalizeRow> {};

TEST_P(NormalizePortNameTable, Normalizes) {
  EXPECT_EQ(NormalizePortName(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NormalizePortNameTable,
    ::testing::Values(NormalizeRow{"com5", "COM5"}, NormalizeRow{"5", "COM5"}, NormalizeRow{"COM05", "COM5"},
                      NormalizeRow{"COM5", "COM5"}, NormalizeRow{"cOm12", "COM12"}, NormalizeRow{"COM96", "COM96"},
                      NormalizeRow{"COM1", "COM1"}, NormalizeRow{"", "COM1"}, NormalizeRow{"COM", "COM1"},
                      NormalizeRow{"COM0", "COM1"}, NormalizeRow{"COM97", "COM97"}, NormalizeRow{"LPT1", "COM1"},
                      NormalizeRow{"COM256", "COM256"}, NormalizeRow{"COM257", "COM1"}, NormalizeRow{"COM 3", "COM3"},
                      NormalizeRow{"COMX", "COM1"}, NormalizeRow{"$A", "COM10"}, NormalizeRow{"COM$a", "COM10"},
                      NormalizeRow{"x1F", "COM31"}, NormalizeRow{"0X100", "COM256"}, NormalizeRow{"0x101", "COM1"},
                      NormalizeRow{" +7", "COM7"}, NormalizeRow{"COM  7", "COM7"}, NormalizeRow{"-5", "COM1"},
                      NormalizeRow{"COM5 ", "COM1"}, NormalizeRow{" COM5", "COM1"}, NormalizeRow{"+", "COM1"},
                      NormalizeRow{"$", "COM1"}, NormalizeRow{"5a", "COM1"}, NormalizeRow{"COM4294967301", "COM1"},
                      NormalizeRow{"COM-4294967291", "COM1"}, NormalizeRow{"COM2147483648", "COM1"},
                      NormalizeRow{"COM0005", "COM5"}));

// Port names read hex digits in either case, block replies only in upper case; both
// readers live in one program, so neither may stand in for the other.
TEST(IsComName, OnlyNamesThatNormalizeToThemselves) {
  const std::pair<const char*, bool> rows[] = {{"COM5", true},   {"com96", true},   {"Com12", true},  {"COM97", true},
                                               {"COM256", true}, {"COM257", false}, {"COM05", false}, {"5", false},
                                               {"COM0", false},  {"COM 3", false},  {"", false},      {"COM5 ", false}};
  for (const auto& [text, expected] : rows) EXPECT_EQ(IsComName(text), expected) << '"' << text << '"';
}

TEST(NormalizePortName, LowerCaseHexBesideTheBlockReplyReader) {
  EXPECT_EQ(UpperHexDigitValue('a'), -1);
  EXPECT_EQ(NormalizePortName("COM$a"), "COM10");
  EXPECT_EQ(NormalizePortName("0x1f"), "COM31");
}

class PortPaths : public ::testing::Test {
 protected:
  TempConfigHome config;
};

TEST_F(PortPaths, ConfigFolderFollowsXdgConfigHome) {
  EXPECT_EQ(ConfigDir(), config.Path() + "/Kelvaro");
  EXPECT_EQ(PortsDir(), config.Path() + "/Kelvaro/ports");
  EXPECT_EQ(PortChoicePath(), config.Path() + "/Kelvaro/VORMAK_setup.ini");
}

TEST_F(PortPaths, WithoutXdgConfigHomeTheFolderIsInHome) {
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("HOME", "/home/installer", 1);
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(ConfigDir(), "/home/installer/.config/Kelvaro");
  // A relative value is ignored, as the base directory rules say.
  ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  EXPECT_EQ(ConfigDir(), "/home/installer/.config/Kelvaro");
  ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(PortPaths, FixedTableWhenNoLinkExistsAndNoDeviceAboveIt) {
  const std::pair<const char*, const char*> rows[] = {
      {"COM1", "/dev/ttyS0"},
      {"COM32", "/dev/ttyS31"},
      {"COM33", "/dev/ttyUSB0"},
      {"COM64", "/dev/ttyUSB31"},
      {"COM65", "/dev/ttyACM0"},
      {"COM96", "/dev/ttyACM31"},
      {"com40", "/dev/ttyUSB7"},
      {"COM97", ""},
      {"COM256", ""},
  };
  for (const auto& [name, device] : rows) EXPECT_EQ(PortDevicePath(name), device) << name;
}

TEST_F(PortPaths, LinkInThePortsFolderComesFirst) {
  LinkPort("COM33", "/dev/pts/77");
  EXPECT_EQ(PortDevicePath("COM33"), "/dev/pts/77");
  LinkPort("COM3", "../../adapter");
  EXPECT_EQ(PortDevicePath("COM3"), PortsDir() + "/../../adapter");
  // A dangling link still decides: the name stands for nothing that exists.
  LinkPort("COM1", config.Path() + "/absent");
  EXPECT_EQ(PortDevicePath("COM1"), config.Path() + "/absent");
}

class ListPorts : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dev);
    fs::create_directories(sys);
  }
  // A node in the fake device folder that is a character device (a pty slave).
  void CharNode(const std::string& name) { fs::create_symlink(pty.SlavePath(), dev + "/" + name); }
  std::vector<std::string> List() {
    std::vector<std::string> list{"first"};
    ListSerialPortsIn(list, dev, sys);
    list.erase(list.begin());
    return list;
  }

  TempConfigHome config;
  PtyPair pty;
  std::string dev = config.Path() + "/dev";
  std::string sys = config.Path() + "/sys";
};

TEST_F(ListPorts, ListsRealUartsAdaptersAndLinksInAscendingOrder) {
  CharNode("ttyS0");  // no device link: a node without a UART
  CharNode("ttyS1");  // a slot with no chip behind it
  fs::create_directories(sys + "/ttyS1/device");
  std::ofstream(sys + "/ttyS1/type") << "0\n";
  CharNode("ttyS2");
  fs::create_directories(sys + "/ttyS2/device");
  std::ofstream(sys + "/ttyS2/type") << "4\n";
  CharNode("ttyUSB0");
  CharNode("ttyACM31");
  std::ofstream(dev + "/ttyUSB1") << "not a device";
  pty.LinkAs("COM70");
  pty.LinkAs("COM256");  // above the table only a link stands for a device
  EXPECT_EQ(List(), (std::vector<std::string>{"COM3", "COM33", "COM70", "COM96", "COM256"}));
}

TEST_F(ListPorts, LinkDecidesOverTheTable) {
  CharNode("ttyUSB0");
  LinkPort("COM33", config.Path() + "/absent");
  EXPECT_EQ(List(), std::vector<std::string>{});
}

TEST_F(ListPorts, AppendsToWhatTheListHolds) {
  pty.LinkAs("COM12");
  std::vector<std::string> list{"kept"};
  ListSerialPortsIn(list, dev, sys);
  EXPECT_EQ(list, (std::vector<std::string>{"kept", "COM12"}));
}

TEST_F(ListPorts, UnreadableDeviceFolderRaisesError15) {
  std::vector<std::string> list;
  const auto error = Raised<EComPort>([&] { ListSerialPortsIn(list, config.Path() + "/nowhere", sys); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->ErrorNumber(), CE_EnumPortsFailed);
  EXPECT_STREQ(error->what(), "EnumPorts function failed (win error code: 2)");
  EXPECT_TRUE(list.empty());
}

TEST_F(ListPorts, TheStableLinkOfAnAdapterIsFoundWhateverItsNumber) {
  const std::string byId = config.Path() + "/by-id";
  fs::create_directories(byId);
  fs::create_symlink(pty.SlavePath(), byId + "/usb-Adapter_A1-if00-port0");
  EXPECT_EQ(StableLinkIn(pty.SlavePath(), byId), byId + "/usb-Adapter_A1-if00-port0");
  EXPECT_EQ(StableLinkIn(dev + "/ttyUSB7", byId), "");
  EXPECT_EQ(StableLinkIn(pty.SlavePath(), config.Path() + "/no-by-id"), "");
}

TEST(ComErrorMessages, EveryNumberHasItsText) {
  const std::pair<int, const char*> rows[] = {
      {1, "Unable to open com port (win error code: 2)"},
      {2, "WriteFile function failed (win error code: 5)"},
      {3, "ReadFile function failed (win error code: 5)"},
      {5, "PurgeComm function failed (win error code: 5)"},
      {7, "SetCommState function failed (win error code: 22)"},
      {8, "SetCommTimeouts failed (win error code: 22)"},
      {9, "SetupComm function failed (win error code: 22)"},
      {10, "ClearCommError function failed (win error code: 5)"},
      {11, "GetCommModemStatus function failed (win error code: -1)"},
      {15, "EnumPorts function failed (win error code: 13)"},
  };
  for (const auto& [number, text] : rows) {
    const int code = std::stoi(std::string(text).substr(std::string(text).rfind(": ") + 2));
    const EComPort e(number, code);
    EXPECT_STREQ(e.what(), text);
    EXPECT_EQ(e.ErrorNumber(), number);
    EXPECT_EQ(e.PlatformCode(), code);
  }
}

}  // namespace
