// A port over the network against Debian's ser2net, started by the test on loopback in
// front of the simulated module: the real procedures over it, its status lines, the
// server going away mid-read, and the servers that are not there. The test thread
// plays the user-interface thread.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

#include "protocol/line_protocol.h"
#include "protocol/status_decode.h"
#include "serial/com_port_network.h"
#include "serial/linked_port.h"
#include "serial/network_ports.h"
#include "serial/sync_pump.h"
#include "sim/simulated_module.h"
#include "tests/support/pty_pair.h"
#include "tests/support/raised.h"
#include "tests/support/recording_view.h"
#include "tests/support/ser2net_server.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Lamps as RecordingView keeps them, and something to do when a block has come in.
struct ViewWithHook : RecordingView {
  void SetIndicator(int block, IndicatorColour colour) override {
    RecordingView::SetIndicator(block, colour);
    if (colour == IndicatorColour::Green && afterBlock) afterBlock(block);
  }
  std::function<void(int)> afterBlock;
};

class NetworkPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ParameterImage.fill(kErasedByte);
    module.Start();
    server.emplace(module.DevicePath());
    // As the main window and kelvaro-cli do: a lost line is closed at once.
    port.OnLineLost = [](TCustomComPort& sender) { sender.SetConnected(false); };
  }

  TempConfigHome config;
  SimulatedModule module{"COM7", config.Path() + "/Kelvaro"};
  std::optional<Ser2netServer> server;
  LinkedPort linked;
  TComPort& port = linked.port;
  SyncPump loop{linked.sync, 10ms};
  ViewWithHook view;
  TransferLink link = linked.link.Transfer(port, loop, &view);
};

TEST_F(NetworkPortTest, AComNameGivenToTheServerReadsWritesAndCompares) {
  AddNetworkPort("COM12", server->Url());
  linked.Connect("COM12");
  ReadModule(link);
  EXPECT_EQ(view.lamps, "GGGG");
  EXPECT_EQ(ParameterImage, module.Memory());

  ImageBytes image = module.Memory();
  image[EEAddr::SmsText(1) + 1] ^= 0x01;
  ParameterImage = image;
  WriteModule(link);
  EXPECT_EQ(view.lamps, "GGGG");
  EXPECT_EQ(module.Memory(), image);
  CompareModule(link);
  EXPECT_EQ(view.lamps, "GGGG");
}

TEST_F(NetworkPortTest, StatusLinesArriveOverTheNetworkName) {
  struct Signals : StatusDisplay {
    void ShowStatus(const ModuleStatus&) override { ++shown; }
    void AddMessage(const std::string&) override {}
    int shown = 0;
  } display;
  linked.link.InstallStatusDisplay(&display);
  linked.Connect(server->Url());
  EXPECT_EQ(port.Port(), server->Url());
  SendCommand(port, kPollCommand);
  EXPECT_TRUE(loop.PumpUntil([&] { return display.shown > 0; }, 5s));
  linked.link.InstallStatusDisplay(nullptr);
}

// The line is lost as a pulled cable is: the read stops, the port closes at once, the
// image stays as it was; a later connection works.
TEST_F(NetworkPortTest, TheServerKilledMidReadIsALostLineAndALaterConnectWorks) {
  linked.Connect(server->Url());
  view.afterBlock = [&](int block) {
    if (block == 1) server->Kill();
  };
  const auto error = Raised<EComPort>([&] { ReadModule(link); });
  // The third request may meet the closed connection before its end is handed over.
  if (error) {
    EXPECT_EQ(error->ErrorNumber(), CE_WriteFailed);
  }
  EXPECT_EQ(view.lamps.substr(0, 2), "GG");
  EXPECT_NE(view.lamps[2], 'G');
  EXPECT_TRUE(loop.PumpUntil([&] { return !port.Connected(); }, 5s));
  EXPECT_EQ(ParameterImage[0], kErasedByte);

  view.afterBlock = nullptr;
  server.emplace(module.DevicePath());
  linked.Connect(server->Url());
  ReadModule(link);
  EXPECT_EQ(view.lamps, "GGGG");
}

TEST_F(NetworkPortTest, ARefusingServerAndAnUnknownHostAreClearErrorsAtOnce) {
  const std::string refusing = server->Url();
  server->Kill();
  const std::pair<std::string, int> rows[] = {{refusing, CE_ConnectFailed},
                                              {"rfc2217://nosuchhost.invalid:7217", CE_ResolveFailed}};
  for (const auto& [name, errorNumber] : rows) {
    port.SetPort(name);
    const auto start = Clock::now();
    const auto error = Raised<EComPort>([&] { port.SetConnected(true); });
    ASSERT_TRUE(error) << name;
    EXPECT_EQ(error->ErrorNumber(), errorNumber);
    EXPECT_NE(error->PlatformCode(), -1);
    EXPECT_EQ(error->what(),
              ComErrorText(errorNumber) + " (win error code: " + std::to_string(error->PlatformCode()) + ")");
    EXPECT_LT(Clock::now() - start, kNetworkConnectTimeout);
    EXPECT_FALSE(port.Connected());
  }
}

}  // namespace
