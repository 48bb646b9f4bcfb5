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
#include "serial/sync_pump.h"
#include "sim/sample_image.h"
#include "tests/support/indicator_letter.h"

namespace {

using namespace std::chrono_literals;

bool ModulePortLive(const std::string& name) {
  const char* live = std::getenv("KELVARO_MODULE_PORTS");
  return live != nullptr && (" " + std::string(live) + " ").find(" " + name + " ") != std::string::npos;
}

class Lamps : public TransferView {
 public:
  void SetIndicator(int block, IndicatorColour colour) override {
    letters[static_cast<std::size_t>(block)] = IndicatorLetter(colour);
  }
  void SetAllIndicators(IndicatorColour colour) override { letters = std::string(4, IndicatorLetter(colour)); }
  void SetControlsEnabled(bool) override {}
  std::string letters = "SSSS";
};

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
  Lamps lamps;
  TransferLink link = linked.link.Transfer(port, loop, &lamps);
  std::vector<int> counts;
};

// Shared code must not put a POSIX errno where Windows' own codes belong.
TEST_F(WinComPortTest, AWriteOnAClosedPortCarriesWindowsOwnCode) {
  try {
    port.WriteText("??\r");
    FAIL() << "wrote on a closed port";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorNumber(), CE_WriteFailed);
    EXPECT_EQ(e.PlatformCode(), ERROR_INVALID_HANDLE);
  }
}

TEST_F(WinComPortTest, ANameWithoutADeviceGivesError1WithTheSystemsCode) {
  try {
    port.SetPort("COM9");
    port.SetConnected(true);
    FAIL() << "opened COM9";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorNumber(), CE_OpenFailed);
    EXPECT_STREQ(e.what(), "Unable to open com port (win error code: 2)");
  }
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(port.ThreadRunning());
}

TEST_F(WinComPortTest, ReadsTheModulesMemoryThroughNotifications) {
  Connect("COM5");
  EXPECT_TRUE(port.ThreadRunning());
  ReadModule(link);
  EXPECT_EQ(lamps.letters, "GGGG");
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
  EXPECT_EQ(lamps.letters, "GGGG");
  CompareModule(link);
  EXPECT_EQ(lamps.letters, "GGGG");
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
  EXPECT_EQ(lamps.letters, "GGGG");
}

// Whether the third request still goes out (and times out) or meets the dead line, the
// read ends cleanly; the next write fails.
TEST_F(WinComPortTest, AModuleThatHangsUpMidReadEndsItCleanlyAndTheNextWriteFails) {
  Connect("COM6");
  try {
    ReadModule(link);
    EXPECT_EQ(lamps.letters, "GGRW");
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorNumber(), CE_WriteFailed);
    EXPECT_EQ(lamps.letters, "GGWW");
  }
  EXPECT_EQ(ParameterImage[0], kErasedByte);
  try {
    port.WriteText("??\r");
    FAIL() << "wrote to a line that has gone";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorNumber(), CE_WriteFailed);
    EXPECT_NE(e.PlatformCode(), 0);
    EXPECT_EQ(e.what(), ComErrorText(CE_WriteFailed) + " (win error code: " + std::to_string(e.PlatformCode()) + ")");
  }
  // The user can still disconnect.
  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
}

}  // namespace
