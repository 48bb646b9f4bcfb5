// The simulated module over its pty, driven by a raw client: the exact bytes it
// sends, its link, its hang-up and its pacing.

#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "params/image_file.h"
#include "raw_client.h"
#include "sim/simulated_module.h"
#include "tests/support/descriptor_count.h"
#include "tests/support/pty_pair.h"
#include "tests/support/raised.h"
#include "tests/support/test_images.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

ImageBytes Pattern(int seed) { return SteppedImage(13, seed); }

// What the tool puts on the wire for one block.
std::string WriteBlockBytes(const ImageBytes& image, int block) {
  return "WRFL\r" + FrameToHex(BuildFrame(image, block)) + "\r";
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
  const auto deadline = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class SimulatedModuleTest : public ::testing::Test {
 protected:
  std::string ConfigDir() const { return config.Path() + "/Kelvaro"; }

  TempConfigHome config;
};

// The reply to a read of block 0 in two parts, what came within a first wait and the
// rest, and the time from the command to the reply's end.
struct SplitReply {
  std::string first;
  std::string rest;
  Clock::duration elapsed;
};

class StartedModule : public SimulatedModuleTest {
 protected:
  void SetUp() override { module.Start(); }

  SplitReply ReadBlockSplitAfter(std::chrono::milliseconds firstWait) {
    SplitReply reply;
    const auto start = Clock::now();
    client.Send("RDFL0000\r");
    reply.first = client.ReadLines(1, firstWait);
    reply.rest = client.ReadLines(1);
    reply.elapsed = Clock::now() - start;
    EXPECT_EQ(reply.first + reply.rest, BlockReplyLine(SampleImage(), 0, {}));
    return reply;
  }

  SimulatedModule module{"COM7", ConfigDir()};
  RawClient client{module.LinkPath()};
};

TEST_F(SimulatedModuleTest, LinksItsDeviceUnderTheComNameUntilItGoes) {
  std::string link;
  {
    SimulatedModule module("COM7", ConfigDir());
    link = module.LinkPath();
    EXPECT_EQ(link, ConfigDir() + "/ports/COM7");
    EXPECT_TRUE(module.DevicePath().starts_with("/dev/pts/")) << module.DevicePath();
    EXPECT_EQ(fs::read_symlink(link).string(), module.DevicePath());
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(SimulatedModuleTest, LeavesALinkThatIsNoLongerItsOwn) {
  const std::string link = ConfigDir() + "/ports/COM7";
  {
    SimulatedModule module("COM7", ConfigDir());
    fs::remove(link);
    fs::create_symlink("/dev/null", link);
  }
  EXPECT_EQ(fs::read_symlink(link).string(), "/dev/null");
}

TEST_F(SimulatedModuleTest, ReplacesAStaleLink) {
  fs::create_directories(ConfigDir() + "/ports");
  fs::create_symlink("/dev/pts/no-such", ConfigDir() + "/ports/COM7");
  SimulatedModule module("COM7", ConfigDir());
  EXPECT_EQ(fs::read_symlink(module.LinkPath()).string(), module.DevicePath());
}

TEST_F(SimulatedModuleTest, ConstructionFailsClearlyWhenTheFolderCannotBeMade) {
  const std::string blocker = config.Path() + "/file";
  { std::ofstream(blocker) << "x"; }
  const auto error = Raised<std::system_error>([&] { SimulatedModule module("COM7", blocker); });
  ASSERT_TRUE(error);
  EXPECT_EQ(std::string(error->what()).substr(0, 14 + blocker.size() + 6), "cannot create " + blocker + "/ports");
}

TEST_F(SimulatedModuleTest, LeaksNoDescriptors) {
  const int before = OpenDescriptorCount();
  {
    SimulatedModule module("COM7", ConfigDir());
    module.Start();
    RawClient client(module.LinkPath());
    client.Send("RDFL0000\r");
    EXPECT_EQ(client.ReadLines(1).size(), 546u);
    module.Replug();
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(StartedModule, AnswersABlockReadWithTheExactBytes) {
  client.Send("RDFL0002\r");
  EXPECT_EQ(client.ReadLines(1), BlockReplyLine(SampleImage(), 2, {}));
  EXPECT_EQ(module.CommandsSeen(), 1);
  EXPECT_EQ(module.RepliesSent(), 1);
  EXPECT_EQ(module.BytesReceived(), 9u);
  // Counted once write() returned, which may be just after the client read them.
  EXPECT_TRUE(WaitFor([&] { return module.BytesSent() == 546u; }));
  EXPECT_EQ(module.Received(), "RDFL0002\r");
}

TEST_F(StartedModule, AssemblesCommandsFromPiecesAndDropsLineFeedsAndEmptyLines) {
  client.Send("\r\r\nRD");
  client.Send("FL00");
  client.Send("01\n\r");
  client.Send("\n?");
  client.Send("?\r\n");
  EXPECT_EQ(client.ReadLines(2), BlockReplyLine(SampleImage(), 1, {}) + "[0010,B,0]\r\n");
}

// What frames and activation do is the logic's; over the line the module must
// assemble a frame from the two digits at a time the tool sends.
TEST_F(StartedModule, AssemblesAFrameSentTwoDigitsAtATime) {
  client.Send("WRFL\r");
  const std::string digits = FrameToHex(BuildFrame(Pattern(1), 0));
  for (std::size_t i = 0; i < digits.size(); i += 2) client.Send(digits.substr(i, 2));
  client.Send("\r");
  EXPECT_EQ(client.ReadLines(1), "WROK\r\n");
}

TEST_F(StartedModule, IgnoresLinesItDoesNotKnow) {
  client.Send("HELLO\rRDFL0004\rWRFLX\r??\r");
  EXPECT_EQ(client.ReadLines(1), "[0010,B,0]\r\n");
}

TEST_F(StartedModule, SilentAnswersNothingUntilToldOtherwise) {
  module.SetFaults({.silent = true});
  client.Send("RDFL0000\r??\rWRACT\r");
  ASSERT_TRUE(WaitFor([&] { return module.CommandsSeen() == 3; }));
  module.SetFaults({});
  client.Send("??\r");
  // Anything said to the earlier commands would come first.
  EXPECT_EQ(client.ReadLines(1), "[0010,B,0]\r\n");
}

TEST_F(StartedModule, SendsNoiseLinesBetweenReplies) {
  module.SetFaults({.garbageRate = 1.0});
  client.Send("WRACT\r");
  const std::string bytes = client.ReadLines(2);
  ASSERT_TRUE(bytes.ends_with("\r\nCRCOK\r\n")) << bytes;
  EXPECT_GT(bytes.size(), 9u);
}

TEST_F(StartedModule, HangsUpAfterItsRepliesGotThrough) {
  module.SetFaults({.hangupAfter = 2});
  client.Send("RDFL0000\r");
  EXPECT_EQ(client.ReadLines(1).size(), 546u);
  EXPECT_FALSE(module.HungUp());
  client.Send("RDFL0001\r");
  EXPECT_EQ(client.ReadLines(1), BlockReplyLine(SampleImage(), 1, {}));
  EXPECT_TRUE(client.WaitHangUp());
  EXPECT_TRUE(module.HungUp());
  EXPECT_EQ(client.Send("RDFL0002\r"), EIO);
}

TEST_F(StartedModule, HangUpAfterNoneClosesAtOnce) {
  module.SetFaults({.hangupAfter = 0});
  EXPECT_TRUE(client.WaitHangUp());
  EXPECT_TRUE(WaitFor([&] { return module.HungUp(); }));
}

TEST_F(StartedModule, ReplugGivesAFreshLineUnderTheSameName) {
  module.SetFaults({.hangupAfter = 1});
  client.Send("RDFL0000\r");
  client.ReadLines(1);
  ASSERT_TRUE(client.WaitHangUp());
  const std::string oldDevice = module.DevicePath();

  module.Replug();
  EXPECT_FALSE(module.HungUp());
  EXPECT_NE(module.DevicePath(), oldDevice);
  EXPECT_EQ(fs::read_symlink(module.LinkPath()).string(), module.DevicePath());
  RawClient again(module.LinkPath());
  // The hang-up count starts again: one more reply, then the line goes.
  again.Send("RDFL0003\r");
  EXPECT_EQ(again.ReadLines(1), BlockReplyLine(SampleImage(), 3, {}));
  EXPECT_TRUE(again.WaitHangUp());
}

TEST_F(StartedModule, SavesItsMemoryToTheImageFileOnActivation) {
  const std::string file = config.Path() + "/module.HVK";
  module.SetImageFile(file);
  client.Send(WriteBlockBytes(Pattern(2), 1));
  client.ReadLines(1);
  EXPECT_FALSE(fs::exists(file));
  client.Send("WRACT\r");
  EXPECT_EQ(client.ReadLines(1), "CRCOK\r\n");
  ImageBytes saved{};
  LoadImageFile(saved, file);
  EXPECT_EQ(saved, module.Memory());
  EXPECT_TRUE(std::equal(saved.begin() + 256, saved.begin() + 512, Pattern(2).begin() + 256));
}

// Real time: at 19200 bit/s the 9 command bytes and the 546 reply bytes need
// 555 x 10 / 19200 s, and the reply trickles in rather than coming at once.
TEST_F(StartedModule, PacesBothDirectionsAtTheLineRate) {
  module.SetFaults({.baud = 19200});
  const SplitReply reply = ReadBlockSplitAfter(100ms);
  // About 180 bytes in the first 100 ms.
  EXPECT_GT(reply.first.size(), 50u);
  EXPECT_LT(reply.first.size(), 300u);
  EXPECT_GE(reply.elapsed, 285ms);
  EXPECT_LT(reply.elapsed, 600ms);
}

// Real time: as a USB adapter, the module passes its bytes on in packets of 62 and
// holds the rest of a reply for the latency.
TEST_F(StartedModule, HoldsWhatItSendsForTheAdaptersLatency) {
  module.SetFaults({.latencyMs = 300});
  const SplitReply reply = ReadBlockSplitAfter(150ms);
  EXPECT_EQ(reply.first.size(), 8 * 62u);  // of 546
  EXPECT_GE(reply.elapsed, 295ms);
}

// Real time: a module nobody talks to costs no CPU, with or without a client.
TEST_F(SimulatedModuleTest, WaitsWithoutSpinning) {
  SimulatedModule module("COM7", ConfigDir());
  module.Start();
  { RawClient client(module.LinkPath()); }
  timespec before{}, after{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
  std::this_thread::sleep_for(300ms);
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
  const double cpu = static_cast<double>(after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) / 1e9;
  EXPECT_LT(cpu, 0.03);
}

}  // namespace
