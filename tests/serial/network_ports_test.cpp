// Network port names and the ports configuration that gives COM names to them.

#include <gtest/gtest.h>

#include "params/file_io.h"
#include "serial/network_ports.h"
#include "serial/port_names.h"
#include "tests/support/file_bytes.h"
#include "tests/support/pty_pair.h"
#include "tests/support/raised.h"

namespace {

struct NameRow {
  std::string text;
  std::string host;  // empty: refused, with why in the message
  int port = 0;
  std::string why;
};

const NameRow kNameRows[] = {
    {"rfc2217://127.0.0.1:7217", "127.0.0.1", 7217, ""},
    {"RFC2217://Board.example:1", "Board.example", 1, ""},
    {"rfc2217://[::1]:65535", "::1", 65535, ""},
    {"rfc2217://" + std::string(253, 'h') + ":7217", std::string(253, 'h'), 7217, ""},
    {"rfc2217://" + std::string(300, 'h') + ":7217", "", 0, "the host has 300 characters, more than 253"},
    {"rfc2217://board:0", "", 0, "the port 0 is not between 1 and 65535"},
    {"rfc2217://board:70000", "", 0, "the port 70000 is not between 1 and 65535"},
    {"rfc2217://board:7217/module", "", 0, "a network port name has no path"},
    {"rfc2217://board/module", "", 0, "a network port name has no path"},
    {"rfc2217://board", "", 0, "the port number is missing"},
    {"rfc2217://board:x1", "", 0, "the port \"x1\" is not a number"},
    {"rfc2217://:7217", "", 0, "the host is missing"},
    {"rfc2217://user@board:7217", "", 0, "RFC 2217 has no user name or password"},
    {"rfc2217://bo ard:7217", "", 0, "the host \"bo ard\" has a character no host name has"},
    {"rfc2217://[::1:7217", "", 0, "the IPv6 address has no closing ]"},
    {"telnet://board:7217", "", 0, "it does not begin with rfc2217://"},
};

class NetworkNames : public ::testing::TestWithParam<NameRow> {};

TEST_P(NetworkNames, AreReadOrRefusedWithTheReason) {
  const NameRow& row = GetParam();
  if (!row.host.empty()) {
    EXPECT_EQ(ParseNetworkName(row.text), (NetworkAddress{row.host, row.port}));
    return;
  }
  const auto error = Raised<EPortName>([&] { ParseNetworkName(row.text); });
  ASSERT_TRUE(error) << row.text;
  const std::string shown = row.text.size() > 60 ? row.text.substr(0, 60) + "..." : row.text;
  EXPECT_EQ(error->what(),
            "\"" + shown + "\" is no network port name: " + row.why + " (the form is rfc2217://HOST:PORT)");
}

INSTANTIATE_TEST_SUITE_P(Rows, NetworkNames, ::testing::ValuesIn(kNameRows));

TEST(NetworkName, IsWrittenOneWayAndAnInvalidOneIsKeptAsGiven) {
  EXPECT_EQ(CanonicalNetworkName("RFC2217://[::1]:07217"), "rfc2217://[::1]:7217");
  EXPECT_EQ(CanonicalNetworkName("rfc2217://board:0"), "rfc2217://board:0");
  EXPECT_TRUE(IsNetworkName("Rfc2217://x"));
  EXPECT_FALSE(IsNetworkName("COM5"));
}

class NetworkPortsConfig : public ::testing::Test {
 protected:
  std::string File() const { return FileBytes(NetworkPortsPath()); }
  TempConfigHome config;
};

TEST_F(NetworkPortsConfig, AddReplacesRemoveTakesOutAndHandEditedLinesStay) {
  MakeParentFolders(NetworkPortsPath());
  WriteFileBytes(NetworkPortsPath(), "# the office's modules\r\nCOM12 rfc2217://old:1\r\ncom12 rfc2217://older:2\r\n");
  AddNetworkPort("com12", "RFC2217://board:07217");
  AddNetworkPort("COM3", "rfc2217://[::1]:7217");
  EXPECT_EQ(File(), "# the office's modules\nCOM12 rfc2217://board:7217\nCOM3 rfc2217://[::1]:7217\n");
  EXPECT_EQ(NetworkPortAddress("com12"), "rfc2217://board:7217");
  EXPECT_EQ(PortDescription("COM3"), "rfc2217://[::1]:7217");
  EXPECT_EQ(PortDescription("RFC2217://board:07"), "rfc2217://board:7");
  RemoveNetworkPort("COM12");
  EXPECT_EQ(File(), "# the office's modules\nCOM3 rfc2217://[::1]:7217\n");
  EXPECT_EQ(NetworkPortAddress("COM12"), std::nullopt);
}

// The machine's own ports (this machine may have COM1 besides the test's) keep their places.
TEST_F(NetworkPortsConfig, TheListHoldsNetworkPortsAmongTheMachinesInNumberOrder) {
  PtyPair five, eight;
  five.LinkAs("COM5");
  eight.LinkAs("COM8");
  AddNetworkPort("COM6", "rfc2217://board:7217");
  AddNetworkPort("COM2", "rfc2217://board:7218");
  std::vector<std::string> list{"first"};
  ListSerialPorts(list);
  const std::vector<std::string> ours{"COM2", "COM5", "COM6", "COM8"};
  std::vector<std::string> seen;
  std::copy_if(list.begin(), list.end(), std::back_inserter(seen),
               [&](const std::string& name) { return std::find(ours.begin(), ours.end(), name) != ours.end(); });
  EXPECT_EQ(list.front(), "first");
  EXPECT_EQ(seen, ours);
}

TEST_F(NetworkPortsConfig, RefusalsSayWhy) {
  PtyPair five;
  five.LinkAs("COM5");
  const std::pair<std::function<void()>, std::string> rows[] = {
      {[] { AddNetworkPort("COM0", "rfc2217://board:7217"); },
       "\"COM0\" is no COM name (COM1 to COM" + std::to_string(kLastComNumber) + ")"},
      {[] { AddNetworkPort("COM7", "rfc2217://board:0"); },
       "\"rfc2217://board:0\" is no network port name: the port 0 is not between 1 and 65535 (the form is "
       "rfc2217://HOST:PORT)"},
      {[] { AddNetworkPort("COM5", "rfc2217://board:7217"); }, "COM5 is a serial port of this machine (" +
                                                                   PortDescription("COM5") +
                                                                   "); give the network port a free COM name"},
      {[] { RemoveNetworkPort("COM8"); }, "COM8 is no network port (" + NetworkPortsPath() + ")"},
  };
  for (const auto& [call, message] : rows) {
    const auto error = Raised<EPortName>(call);
    ASSERT_TRUE(error) << message;
    EXPECT_EQ(error->what(), message);
  }
  EXPECT_EQ(NetworkPorts().size(), 0u);
}

}  // namespace
