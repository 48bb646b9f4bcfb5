// The port object on Windows' communications functions against simulated modules behind
// COM ports (run_with_modules.sh: a plain one on COM5, one that hangs up after two replies
// on COM6). The test thread plays the user-interface thread.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "protocol/block_frame.h"
#include "protocol/line_protocol.h"
#include "protocol/transfer.h"
#include "serial/com_port.h"
#include "serial/linked_port.h"
#include "serial/module_finder.h"
#include "serial/sync_pump.h"
#include "sim/sample_image.h"
#include "tests/support/broker_client_win32.h"
#include "tests/support/pty_pair.h"
#include "tests/support/raised.h"
#include "tests/support/recording_view.h"

namespace {

using namespace std::chrono_literals;

bool ModulePortLive(const std::string& name) {
  const char* live = std::getenv("KELVARO_MODULE_PORTS");
  return live != nullptr && (" " + std::string(live) + " ").find(" " + name + " ") != std::string::npos;
}

class WinComPortTest : public ::testing::Test {
 protected:
  void Connect(const std::string& name) {
    if (!ModulePortLive(name)) GTEST_SKIP() << "no simulated module on " << name << " (make test-wine starts them)";
    ParameterImage.fill(kErasedByte);
    port.OnRxChar = [this](TCustomComPort& sender, int count) {
      counts.push_back(count);
      linked.link.OnReceived(sender, count);
    };
    linked.Connect(name);
  }

  LinkedPort linked;
  TComPort& port = linked.port;
  // 20 ms ticks: a block's wait gives up after one second.
  SyncPump loop{linked.sync, 20ms};
  RecordingView view;
  TransferLink link = linked.link.Transfer(port, loop, &view);
  std::vector<int> counts;
};

// Shared code must not put a POSIX errno where Windows' own codes belong.
TEST_F(WinComPortTest, AWriteOnAClosedPortCarriesWindowsOwnCode) {
  const auto error = Raised<EComPort>([&] { port.WriteText("??\r"); });
  ASSERT_TRUE(error) << "wrote on a closed port";
  EXPECT_EQ(error->ErrorNumber(), CE_WriteFailed);
  EXPECT_EQ(error->PlatformCode(), ERROR_INVALID_HANDLE);
}

TEST_F(WinComPortTest, ANameWithoutADeviceGivesError1WithTheSystemsCode) {
  port.SetPort("COM9");
  const auto error = Raised<EComPort>([&] { port.SetConnected(true); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->ErrorNumber(), CE_OpenFailed);
  EXPECT_STREQ(error->what(), "Unable to open com port (win error code: 2)");
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(port.ThreadRunning());
}

TEST_F(WinComPortTest, ReadsTheModulesMemoryThroughNotifications) {
  Connect("COM5");
  EXPECT_TRUE(port.ThreadRunning());
  ReadModule(link);
  EXPECT_EQ(view.lamps, "GGGG");
  EXPECT_EQ(ParameterImage, SampleImage());
  ASSERT_FALSE(counts.empty());
  for (int count : counts) EXPECT_GT(count, 0);
}

TEST_F(WinComPortTest, AWriteIsTakenIntoUseAndComparesEqual) {
  Connect("COM5");
  ImageBytes image = SampleImage();
  image[EEAddr::SmsText(1) + 1] ^= 0x01;
  ParameterImage = image;
  WriteModule(link);
  EXPECT_EQ(view.lamps, "GGGG");
  CompareModule(link);
  EXPECT_EQ(view.lamps, "GGGG");
  EXPECT_EQ(ParameterImage, image);
  // The module is shared by the tests: it gets its memory back.
  ParameterImage = SampleImage();
  WriteModule(link);
}

TEST_F(WinComPortTest, AReadWithNothingWaitingReturnsAtOnceAndReopeningStartsAFreshThread) {
  Connect("COM5");
  std::uint8_t byte = 0;
  EXPECT_EQ(port.BytesWaiting(), 0);
  EXPECT_EQ(port.ReadBytes(&byte, 1), 0);
  port.SetConnected(false);
  EXPECT_FALSE(port.ThreadRunning());
  port.SetConnected(true);
  EXPECT_TRUE(port.ThreadRunning());
  ReadModule(link);
  EXPECT_EQ(view.lamps, "GGGG");
}

// Bytes that come between a notification's count and its first read stay in the
// device's queue for the next notification. Fetched along with the counted ones, the
// end of a reply lay unannounced until the module sent again, and a write's "WROK"
// was lost so now and then under Wine.
TEST_F(WinComPortTest, BytesThatComeWhileANotificationReadsAreAnnouncedByTheNext) {
  TempConfigHome config;
  PtyPair pty;
  pty.LinkAs("COM8");
  std::string received;
  port.OnRxChar = [&](TCustomComPort& sender, int count) {
    if (counts.empty()) {
      pty.Send("\r\n");
      const auto deadline = std::chrono::steady_clock::now() + 5s;
      while (BrokerAsk(pty.Slave(), "queued") != "6" && std::chrono::steady_clock::now() < deadline) Sleep(1);
    }
    counts.push_back(count);
    for (int i = 0; i < count; ++i) {
      std::uint8_t byte = 0;
      if (sender.ReadBytes(&byte, 1) == 1) received += static_cast<char>(byte);
    }
  };
  port.SetPort("COM8");
  port.SetConnected(true);
  pty.Send("WROK");
  EXPECT_TRUE(loop.PumpUntil([&] { return received == "WROK\r\n"; }, 5s)) << received;
  EXPECT_GE(counts.size(), 2u);
}

// Whether the third request still goes out (and times out) or meets the dead line, the
// read ends cleanly; the next write fails, and its failure ends the connection as a
// lost line rather than leave it open on a dead line.
TEST_F(WinComPortTest, AModuleThatHangsUpMidReadEndsItCleanlyAndTheNextWriteLosesTheLine) {
  Connect("COM6");
  bool lost = false;
  port.OnLineLost = [&](TCustomComPort&) { lost = true; };
  const auto readError = Raised<EComPort>([&] { ReadModule(link); });
  EXPECT_EQ(view.lamps, readError ? "GGWW" : "GGRW");
  if (readError) {
    EXPECT_EQ(readError->ErrorNumber(), CE_WriteFailed);
  }
  EXPECT_EQ(ParameterImage[0], kErasedByte);
  const auto error = Raised<EComPort>([&] { port.WriteText("??\r"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->ErrorNumber(), CE_WriteFailed);
  EXPECT_NE(error->PlatformCode(), 0);
  EXPECT_EQ(error->what(),
            ComErrorText(CE_WriteFailed) + " (win error code: " + std::to_string(error->PlatformCode()) + ")");
  EXPECT_TRUE(loop.PumpUntil([&] { return lost; }, 5s));
  // The user can still disconnect.
  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
}

// Windows' COM ports asked as a connection opens them: the module answers its poll, and
// a name without a device gives Windows' own code.
TEST_F(WinComPortTest, FindsTheModuleOnItsPortAndSaysWhyAPortWithoutADeviceCannotBeOpened) {
  if (!ModulePortLive("COM5")) GTEST_SKIP() << "no simulated module on COM5 (make test-wine starts it)";
  const std::vector<PortFinding> found = FindModules({"COM5", "COM9"});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].outcome, FindOutcome::Answered);
  EXPECT_EQ(found[1].outcome, FindOutcome::CannotOpen);
  EXPECT_EQ(found[1].availability.errorCode, ERROR_FILE_NOT_FOUND);
}

}  // namespace
