// The read, write and compare procedures end to end: the real port object over a
// pty to the simulated module, a test loop whose ticks are 1 ms unless a test
// says otherwise.

#include <gtest/gtest.h>
#include <time.h>

#include <functional>
#include <string>
#include <vector>

#include "params/cp1250.h"
#include "protocol/block_frame.h"
#include "protocol/line_protocol.h"
#include "protocol/module_link.h"
#include "protocol/status_decode.h"
#include "protocol/transfer.h"
#include "serial/com_port.h"
#include "serial/linked_port.h"
#include "serial/sync_pump.h"
#include "sim/simulated_module.h"
#include "tests/protocol/fake_port_link.h"
#include "tests/support/pty_pair.h"
#include "tests/support/raised.h"
#include "tests/support/recording_view.h"
#include "tests/support/test_images.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

ImageBytes Pattern(int seed) { return SteppedImage(11, seed); }

using Procedure = TransferProcedure;
using Stop = TransferStop;

class TransferTest : public ::testing::Test {
 protected:
  explicit TransferTest(SyncPump::Period tick = 1ms) : loop(linked.sync, tick) {}

  void SetUp() override {
    ParameterImage.fill(kErasedByte);
    TransferCountdown = 0;
    module.Start();
    linked.Connect("COM7");
  }

  TempConfigHome config;
  SimulatedModule module{"COM7", config.Path() + "/Kelvaro"};
  LinkedPort linked;
  TComPort& port = linked.port;
  SyncPump loop;
  RecordingView view;
  RecordingNotice notice;
  TransferLink link = linked.link.Transfer(port, loop, &view, &notice);
};

std::string ReadCommands() { return "RDFL0000\rRDFL0001\rRDFL0002\rRDFL0003\r"; }

// --- good paths ---

TEST_F(TransferTest, ReadMakesTheImageTheModulesMemory) {
  ReadModule(link);
  EXPECT_EQ(ParameterImage, module.Memory());
  EXPECT_EQ(view.calls, (std::vector<std::string>{"all W", "disabled", "0G", "1G", "2G", "3G", "enabled"}));
  EXPECT_EQ(module.Received(), ReadCommands());
  EXPECT_TRUE(notice.messages.empty());
}

// Each block done is also told to those who count blocks.
TEST_F(TransferTest, WriteThenCompareIsAllGreenAndTheModuleHoldsTheImage) {
  std::vector<int> done;
  link.blockDone = [&](int block) { done.push_back(block); };
  EXPECT_TRUE(WriteModule(link, Pattern(3)).Done());
  EXPECT_EQ(view.calls, (std::vector<std::string>{"all W", "disabled", "0G", "1G", "2G", "3G", "enabled"}));
  EXPECT_EQ(module.Memory(), Pattern(3));

  view.calls.clear();
  EXPECT_TRUE(CompareModule(link).Done());
  EXPECT_EQ(view.calls, (std::vector<std::string>{"all Y", "disabled", "0G", "1G", "2G", "3G", "enabled"}));
  EXPECT_EQ(ParameterImage, Pattern(3));
  EXPECT_EQ(done, (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3}));
}

TEST_F(TransferTest, WritePutsTheExactBytesOnTheWire) {
  ParameterImage = Pattern(4);
  WriteModule(link);
  std::string expected;
  for (int b = 0; b < 4; ++b) expected += "WRFL\r" + FrameToHex(BuildFrame(Pattern(4), b)) + "\r";
  expected += "WRACT\r";
  EXPECT_EQ(module.Received(), expected);
}

// --- compare ---

struct CompareRow {
  const char* name;
  std::size_t changedByte;
  std::string lamps;
  TransferResult result;
};

class CompareDifference : public TransferTest, public ::testing::WithParamInterface<CompareRow> {};

TEST_P(CompareDifference, StopsAtTheFirstDifferingBlock) {
  ParameterImage = module.Memory();
  ParameterImage[GetParam().changedByte] ^= 0x01;
  const ImageBytes before = ParameterImage;
  EXPECT_EQ(CompareModule(link), GetParam().result);
  EXPECT_EQ(view.lamps, GetParam().lamps);
  EXPECT_TRUE(view.enabled);
  EXPECT_EQ(ParameterImage, before);
}

INSTANTIATE_TEST_SUITE_P(Rows, CompareDifference,
                         ::testing::Values(CompareRow{"OnlyByte1023", 1023, "GGGG", {}},
                                           CompareRow{"Byte1022", 1022, "GGGR", {Stop::Differs, 3}},
                                           CompareRow{"Byte0", 0, "RYYY", {Stop::Differs, 0}},
                                           CompareRow{"Byte300", 300, "GRYY", {Stop::Differs, 1}},
                                           CompareRow{"Byte767", 767, "GGRY", {Stop::Differs, 2}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Each lamp the compare colours says why: the red one names the fields that differ.
TEST_F(TransferTest, CompareExplainsEveryLampItColours) {
  ParameterImage = module.Memory();
  CompareModule(link);
  EXPECT_EQ(view.comparisons, (std::vector<std::string>{"0 equal", "1 equal", "2 equal", "3 equal"}));

  view.comparisons.clear();
  const std::string moduleText = LoadSmsText(ParameterImage, EEAddr::SmsText(2));
  StoreSmsText(ParameterImage, EEAddr::SmsText(2), "Teszt");
  ParameterImage[700] ^= 1;  // a later block is never reached
  CompareModule(link);
  EXPECT_EQ(view.lamps, "RYYY");
  EXPECT_EQ(view.comparisons,
            (std::vector<std::string>{"0 differs", "SMS 2: Teszt \u2260 " + Cp1250ToUtf8(moduleText)}));

  view.comparisons.clear();
  module.SetFaults({.silent = true});
  CompareModule(link);
  EXPECT_EQ(view.comparisons, std::vector<std::string>{"0 no reply"});
}

// --- every fault of the module, through every procedure it matters to ---

enum class Run { Read, Write, Compare };

struct FaultRow {
  const char* name;
  SimFaults faults;
  Run run;
  std::string lamps;
  TransferResult result;  // where and why the procedure says it stopped
  // A paced block reply takes 47 ms at 115200 bit/s: its wait needs longer ticks
  // than 1 ms to be sure of it on a loaded machine.
  SyncPump::Period tick = 1ms;
};

class ModuleFault : public TransferTest, public ::testing::WithParamInterface<FaultRow> {
 protected:
  ModuleFault() : TransferTest(GetParam().tick) {}
};

TEST_P(ModuleFault, ShowsOnTheLampsAndIsAnswered) {
  const FaultRow& row = GetParam();
  module.SetFaults(row.faults);
  const ImageBytes memory = module.Memory();
  ParameterImage = row.run == Run::Compare ? memory : Pattern(5);
  const ImageBytes before = ParameterImage;
  const bool allGood = row.lamps == "GGGG";

  TransferResult result;
  switch (row.run) {
    case Run::Read: result = ReadModule(link); break;
    case Run::Write: result = WriteModule(link); break;
    case Run::Compare: result = CompareModule(link); break;
  }

  EXPECT_EQ(result, row.result);
  EXPECT_EQ(view.lamps, row.lamps);
  EXPECT_TRUE(view.enabled);
  EXPECT_TRUE(notice.messages.empty());
  if (row.run == Run::Read) {
    // A failed read leaves the image as it was; a good one replaces it whole.
    EXPECT_EQ(ParameterImage, allGood ? memory : before);
  } else {
    EXPECT_EQ(ParameterImage, before);
  }
  if (row.run == Run::Write) {
    EXPECT_EQ(module.Memory(), allGood ? before : memory);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModuleFault,
    ::testing::Values(
        FaultRow{"SilentRead", {.silent = true}, Run::Read, "RWWW", {Stop::NoReply, 0}},
        FaultRow{"WrongBlockOneRead", {.wrongBlock = 1}, Run::Read, "GRWW", {Stop::OtherBlock, 1, 2}},
        FaultRow{"BadChecksumTwoRead", {.badChecksum = 2}, Run::Read, "GGRW", {Stop::BadReply, 2}},
        FaultRow{"LowercaseHexRead", {.lowercaseHex = true}, Run::Read, "RWWW", {Stop::BadReply, 0}},
        FaultRow{"GarbageRead", {.garbageRate = 1.0}, Run::Read, "GGGG", {}},
        FaultRow{"PacedRead", {.baud = 115200}, Run::Read, "GGGG", {}, 10ms},
        FaultRow{"SilentCompare", {.silent = true}, Run::Compare, "RYYY", {Stop::NoReply, 0}},
        FaultRow{"WrongBlockThreeCompare", {.wrongBlock = 3}, Run::Compare, "GGGR", {Stop::OtherBlock, 3, 0}},
        FaultRow{"BadChecksumZeroCompare", {.badChecksum = 0}, Run::Compare, "RYYY", {Stop::BadReply, 0}},
        FaultRow{"LowercaseHexCompare", {.lowercaseHex = true}, Run::Compare, "RYYY", {Stop::BadReply, 0}},
        FaultRow{"GarbageCompare", {.garbageRate = 1.0}, Run::Compare, "GGGG", {}},
        FaultRow{"SilentWrite", {.silent = true}, Run::Write, "RWWW", {Stop::NotConfirmed, 0}},
        FaultRow{"RejectWriteTwo", {.rejectWrite = 2}, Run::Write, "GGRW", {Stop::Refused, 2}},
        FaultRow{"NoCrcOk", {.noCrcOk = true}, Run::Write, "RRRR", {Stop::ActivationNotConfirmed}},
        FaultRow{"GarbageWrite", {.garbageRate = 1.0}, Run::Write, "GGGG", {}},
        FaultRow{"PacedWrite", {.baud = 115200}, Run::Write, "GGGG", {}, 10ms}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransferTest, ARefusedBlockEndsTheWriteWithoutActivation) {
  module.SetFaults({.rejectWrite = 1});
  ParameterImage = Pattern(6);
  WriteModule(link);
  const std::string wire = module.Received();
  EXPECT_EQ(wire.find("WRACT"), std::string::npos);
  EXPECT_EQ(wire, "WRFL\r" + FrameToHex(BuildFrame(Pattern(6), 0)) + "\r" + "WRFL\r" +
                      FrameToHex(BuildFrame(Pattern(6), 1)) + "\r");
}

TEST_F(TransferTest, TheRefusalDoesNotEndTheWaitEarly) {
  module.SetFaults({.rejectWrite = 0});
  WriteModule(link);
  EXPECT_EQ(view.lamps, "RWWW");
  EXPECT_GE(loop.Ticks(), kWriteConfirmTicks);
}

// --- the port closed ---

struct ClosedRow {
  const char* name;
  Procedure procedure;
};

class PortClosed : public TransferTest, public ::testing::WithParamInterface<ClosedRow> {};

TEST_P(PortClosed, OnlyTheNotice) {
  port.SetConnected(false);
  ParameterImage = Pattern(8);
  EXPECT_EQ(GetParam().procedure(link), TransferResult{Stop::PortClosed});
  EXPECT_EQ(notice.messages, (std::vector<std::string>{" Nincs soros kapcsolat."}));
  EXPECT_TRUE(view.calls.empty());
  EXPECT_EQ(ParameterImage, Pattern(8));
  EXPECT_EQ(module.BytesReceived(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Rows, PortClosed,
                         ::testing::Values(ClosedRow{"Read", ReadModule}, ClosedRow{"Write", WriteModule},
                                           ClosedRow{"Compare", CompareModule}),
                         [](const auto& info) { return std::string(info.param.name); });

// Lines the module sends of its own accord are dispatched inside the waits too.
TEST_F(TransferTest, StatusLinesAreHandledDuringTheWaits) {
  struct Signals : StatusDisplay {
    void ShowStatus(const ModuleStatus& status) override { shown.push_back(status.signal); }
    void AddMessage(const std::string&) override {}
    std::vector<int> shown;
  } display;
  linked.link.InstallStatusDisplay(&display);
  SendCommand(port, kPollCommand);
  ReadModule(link);
  linked.link.InstallStatusDisplay(nullptr);
  EXPECT_EQ(display.shown, std::vector<int>{18});  // the module's first "[0010,B,0]"
  EXPECT_EQ(view.lamps, "GGGG");
}

TEST_F(TransferTest, WithoutAViewOrANoticeTheProceduresRunTheSame) {
  TransferLink bare = linked.link.Transfer(port, loop);
  ReadModule(bare);
  EXPECT_EQ(ParameterImage, module.Memory());
  port.SetConnected(false);
  EXPECT_NO_THROW(WriteModule(bare));
}

// --- the line going away ---

class LinkError : public TransferTest, public ::testing::WithParamInterface<ClosedRow> {};

// The module hung up before the procedure: its first send fails, the error goes on
// to the caller, and the buttons work again.
TEST_P(LinkError, EnablesTheButtonsBeforeTheErrorGoesOn) {
  module.SetFaults({.hangupAfter = 0});
  ASSERT_TRUE(loop.PumpUntil([&] { return module.HungUpAndClosed(); }, 5s));
  ParameterImage = Pattern(9);
  const auto error = Raised<EComPort>([&] { GetParam().procedure(link); });
  ASSERT_TRUE(error);
  EXPECT_STREQ(error->what(), "WriteFile function failed (win error code: 5)");
  EXPECT_TRUE(view.enabled);
  EXPECT_EQ(view.calls.back(), "enabled");
  EXPECT_EQ(view.lamps, GetParam().name == std::string("Compare") ? "YYYY" : "WWWW");
  EXPECT_EQ(ParameterImage, Pattern(9));
}

INSTANTIATE_TEST_SUITE_P(Rows, LinkError,
                         ::testing::Values(ClosedRow{"Read", ReadModule}, ClosedRow{"Write", WriteModule},
                                           ClosedRow{"Compare", CompareModule}),
                         [](const auto& info) { return std::string(info.param.name); });

// Hung up after two replies: whether the third command still goes out (and times
// out) or fails to go out, the read ends cleanly.
TEST_F(TransferTest, AHangUpMidReadEndsTheReadCleanly) {
  module.SetFaults({.hangupAfter = 2});
  ParameterImage = Pattern(10);
  const auto error = Raised<EComPort>([&] { ReadModule(link); });
  EXPECT_EQ(view.lamps, error ? "GGWW" : "GGRW");
  if (error) {
    EXPECT_EQ(error->ErrorNumber(), CE_WriteFailed);
  }
  EXPECT_TRUE(view.enabled);
  EXPECT_EQ(ParameterImage, Pattern(10));
}

// The owner closes a hung-up port as the main window does: the procedure in progress
// ends there with its buttons back and the notice that the connection is gone.
// Ticks long enough that the hang-up reaches the port before the wait runs out, even
// on a busy machine (1 ms ticks gave up first now and then); the test ends with the
// hang-up, not with the wait.
class HangUpTransfer : public TransferTest {
 public:
  HangUpTransfer() : TransferTest(20ms) {}
};

TEST_F(HangUpTransfer, APortClosedByAHangUpEndsTheProcedureWithTheNotice) {
  port.OnLineLost = [](TCustomComPort& sender) { sender.SetConnected(false); };
  module.SetFaults({.hangupAfter = 2});
  ParameterImage = Pattern(10);
  try {
    EXPECT_EQ(ReadModule(link), (TransferResult{Stop::PortClosed, 2}));
    EXPECT_EQ(notice.messages, std::vector<std::string>{kNoConnectionText});
  } catch (const EComPort& error) {
    // The third request met the dead line before the hang-up was handed over.
    EXPECT_EQ(error.ErrorNumber(), CE_WriteFailed);
  }
  ASSERT_TRUE(loop.PumpUntil([&] { return !port.Connected(); }, 5s));
  EXPECT_TRUE(view.enabled);
  EXPECT_EQ(view.lamps.substr(0, 2), "GG");
  EXPECT_EQ(ParameterImage, Pattern(10));
}

// A noise byte or half a line from before the procedure cannot spoil its first reply.
TEST_F(TransferTest, WhatWasReceivedBeforeTheProcedureIsNoPartOfItsReplies) {
  linked.link.Reply().lineBuffer = "\x05x";
  ReadModule(link);
  EXPECT_EQ(view.lamps, "GGGG");
}

TEST_F(TransferTest, AfterAReplugAndReconnectTheReadWorksAgain) {
  module.SetFaults({.hangupAfter = 1});
  try {
    ReadModule(link);
  } catch (const EComPort&) {
  }
  ASSERT_TRUE(module.HungUp());
  module.SetFaults({});
  module.Replug();
  port.SetConnected(false);
  port.SetConnected(true);
  ReadModule(link);
  EXPECT_EQ(view.lamps, "GGGG");
  EXPECT_EQ(ParameterImage, module.Memory());
}

// A frame leaves in one write: a USB adapter then sends it as one burst.
TEST(WriteModule, EachFrameIsOneWrite) {
  // The module confirms everything at once.
  struct Confirming : EventPump {
    explicit Confirming(ModuleLink& m) : module(m) {}
    void ProcessEvents() override { module.Reply().writeConfirmed = module.Reply().activateConfirmed = 1; }
    ModuleLink& module;
  };
  FakePortLink port;
  ModuleLink module;
  Confirming pump(module);
  TransferLink link = module.Transfer(port, pump);
  ParameterImage = Pattern(12);
  WriteModule(link);
  ASSERT_EQ(port.writes.size(), 5u);
  for (int b = 0; b < 4; ++b) EXPECT_EQ(port.writes[b], "WRFL\r" + FrameToHex(BuildFrame(Pattern(12), b)) + "\r");
  EXPECT_EQ(port.writes[4], "WRACT\r");
}

// --- the countdown ---

TEST(TickCountdown, CountsDownToZeroAndNoFurther) {
  for (const auto& [start, after] : std::vector<std::pair<int, int>>{{3, 2}, {1, 0}, {0, 0}, {-2, -2}}) {
    TransferCountdown = start;
    TickCountdown();
    EXPECT_EQ(TransferCountdown, after) << start;
  }
}

// Real time, 100 ms ticks: a module that never answers fails block 0 after about
// 5 s (the first tick comes up to one period after the start), and the wait costs
// next to no CPU.
class RealTimeTransfer : public TransferTest {
 protected:
  RealTimeTransfer() : TransferTest(kTickPeriod) {}
};

TEST_F(RealTimeTransfer, ASilentModuleFailsTheReadAfterFiveSeconds) {
  module.SetFaults({.silent = true});
  ParameterImage = Pattern(11);
  timespec cpuBefore{}, cpuAfter{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuBefore);
  const auto start = Clock::now();
  ReadModule(link);
  const auto elapsed = Clock::now() - start;
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuAfter);
  const double cpu =
      static_cast<double>(cpuAfter.tv_sec - cpuBefore.tv_sec) + (cpuAfter.tv_nsec - cpuBefore.tv_nsec) / 1e9;

  EXPECT_EQ(view.lamps, "RWWW");
  EXPECT_EQ(ParameterImage, Pattern(11));
  EXPECT_GE(elapsed, 4800ms);
  EXPECT_LT(elapsed, 7s);
  EXPECT_LT(cpu, 0.25);
}

}  // namespace
