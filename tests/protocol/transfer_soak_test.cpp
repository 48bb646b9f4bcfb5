// The fault soak: a thousand reads, writes and compares mixed, unpaced, against the
// simulated module over a pseudo-terminal with the real port object, while the
// module misbehaves at random: noise lines between replies, replies that stop
// coming part way, block replies with a wrong checksum, a wrong block number or
// lower-case digits, refused writes, a missing "CRCOK", single bits flipped on the
// line in either direction, and hang-ups that are followed by a replug and a
// reconnect.
//
// After every procedure: the image is unchanged (failed read) or equal to the
// module's memory (read); the module's memory is unchanged or equal to the image
// (write); compare changes neither; a failed block shows red; an all-green
// procedure did what it says; a procedure without faults succeeded. At the end the
// open descriptors and the resident memory must not have grown.
//
// KELVARO_SOAK_PROCEDURES (default 1000) and KELVARO_SOAK_SEED change the run.

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "protocol/block_frame.h"
#include "protocol/line_protocol.h"
#include "protocol/transfer.h"
#include "serial/com_port.h"
#include "serial/linked_port.h"
#include "serial/sync_pump.h"
#include "sim/simulated_module.h"
#include "tests/support/descriptor_count.h"
#include "tests/support/pty_pair.h"
#include "tests/support/recording_view.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// 2 ms ticks: a block reply may take 100 ms, far more than the module needs unpaced.
constexpr auto kTick = 2ms;
// The longest procedure waits 4 x 80 + 100 ticks; anything near this is a hang.
constexpr auto kHangLimit = 20s;
// How long a failed clean procedure's reply may still come, to tell a busy machine from a lost reply.
constexpr auto kLateReplyLimit = 2s;
// Warm-up procedures before the descriptor and memory baseline is taken.
constexpr int kWarmUp = 50;
constexpr long kRssGrowthLimitKiB = 8 * 1024;
constexpr char kComName[] = "COM11";

int EnvInt(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == "VmRSS:") {
      long kib = 0;
      status >> kib;
      return kib;
    }
  }
  return -1;
}

// The test loop, which also lets the module fall silent after a given number of
// event rounds: replies that stop part way through a procedure.
class SoakPump : public EventPump {
 public:
  SoakPump(SyncPump& loop, SimulatedModule& module) : loop_(loop), module_(module) {}
  void ProcessEvents() override {
    if (silenceAfter_ >= 0 && rounds_++ == silenceAfter_) {
      SimFaults faults = module_.Faults();
      faults.silent = true;
      module_.SetFaults(faults);
    }
    loop_.ProcessEvents();
  }
  void SilenceAfter(int rounds) {
    silenceAfter_ = rounds;
    rounds_ = 0;
  }

 private:
  SyncPump& loop_;
  SimulatedModule& module_;
  int silenceAfter_ = -1;
  int rounds_ = 0;
};

// The line between the port and the protocol, which can flip one bit of one byte
// going either way: what a noisy cable does to a frame or a command.
class FlippingLine : public PortLink {
 public:
  explicit FlippingLine(PortLink& port) : port_(port) {}

  bool Connected() const override { return port_.Connected(); }
  int WriteText(const std::string& text) override {
    if (txCountdown_ >= 0 && static_cast<std::size_t>(txCountdown_) < text.size()) {
      std::string bent = text;
      bent[static_cast<std::size_t>(txCountdown_)] ^= static_cast<char>(mask_);
      txCountdown_ = -1;
      ++flipped;
      return port_.WriteText(bent);
    }
    if (txCountdown_ >= 0) txCountdown_ -= static_cast<int>(text.size());
    return port_.WriteText(text);
  }
  int ReadBytes(std::uint8_t* buffer, int count) override {
    const int n = port_.ReadBytes(buffer, count);
    if (rxCountdown_ >= 0 && rxCountdown_ < n) {
      buffer[rxCountdown_] ^= mask_;
      rxCountdown_ = -1;
      ++flipped;
    } else if (rxCountdown_ >= 0) {
      rxCountdown_ -= n;
    }
    return n;
  }

  // One bit of the byte that many bytes on from now; -1: none.
  void FlipReceived(int after, int bit) { Arm(rxCountdown_, after, bit); }
  void FlipSent(int after, int bit) { Arm(txCountdown_, after, bit); }
  void Disarm() { rxCountdown_ = txCountdown_ = -1; }

  int flipped = 0;

 private:
  void Arm(int& countdown, int after, int bit) {
    countdown = after;
    mask_ = static_cast<std::uint8_t>(1u << bit);
  }

  PortLink& port_;
  int rxCountdown_ = -1;
  int txCountdown_ = -1;
  std::uint8_t mask_ = 0;
};

enum class Kind { Read, Write, Compare };

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Read: return "read";
    case Kind::Write: return "write";
    case Kind::Compare: return "compare";
  }
  return "?";
}

// The lamps after a procedure that stopped at a block: the blocks before it green,
// that one red, the rest in the start colour.
bool StoppedAtOneRedBlock(const std::string& lamps, char startColour) {
  const std::size_t red = lamps.find('R');
  if (red == std::string::npos) return false;
  for (std::size_t b = 0; b < lamps.size(); ++b) {
    const char want = b < red ? 'G' : b == red ? 'R' : startColour;
    if (lamps[b] != want) return false;
  }
  return true;
}

bool SameUpTo1022(const ImageBytes& a, const ImageBytes& b) {
  return std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(kImageSize - 1), b.begin());
}

class FaultSoak : public ::testing::Test {
 protected:
  void SetUp() override {
    ParameterImage.fill(kErasedByte);
    TransferCountdown = 0;
    module.Start();
    // Received bytes pass the flipping line on their way to the module link.
    port.OnRxChar = [this](TCustomComPort&, int count) { linked.link.OnReceived(line, count); };
    linked.Connect(kComName);
  }

  void Reconnect() {
    port.SetConnected(false);
    module.Replug();
    repliesAtPlug = module.RepliesSent();
    port.SetConnected(true);
    ++counts["replugs and reconnects"];
  }

  // Draws this procedure's faults, sets them on the module and counts them by kind.
  void InjectFaults(std::mt19937& random, Kind kind) {
    SimFaults faults;
    pump.SilenceAfter(-1);
    const auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    // True, and counted under its name, when the fault is drawn.
    const auto drawn = [&](int percent, const char* fault) {
      if (!chance(percent)) return false;
      ++faultCounts[fault];
      return true;
    };
    const auto block = [&] { return static_cast<int>(random() % kBlockCount); };
    if (drawn(15, "noise lines between replies")) faults.garbageRate = 0.5;
    if (kind != Kind::Write) {
      if (drawn(8, "block reply with a wrong checksum")) faults.badChecksum = block();
      if (drawn(8, "block reply for another block")) faults.wrongBlock = block();
      if (drawn(4, "block reply in lower-case digits")) faults.lowercaseHex = true;
    } else {
      if (drawn(6, "block write refused (WRFLERR)")) faults.rejectWrite = block();
      if (drawn(6, "no CRCOK after WRACT")) faults.noCrcOk = true;
    }
    line.Disarm();
    if (chance(8)) {
      // Somewhere within the procedure's traffic: four replies or four frames.
      const int after = static_cast<int>(random() % 2200);
      const int bit = static_cast<int>(random() % 8);
      if (random() % 2 == 0) {
        line.FlipReceived(after, bit);
      } else {
        line.FlipSent(after, bit);
      }
    }
    if (drawn(6, "replies stop part way")) pump.SilenceAfter(static_cast<int>(random() % 40));
    if (drawn(6, "hang-up part way")) {
      // The module counts its replies since it was plugged in.
      faults.hangupAfter = module.RepliesSent() - repliesAtPlug + static_cast<int>(random() % 5);
    }
    faulty = faults.badChecksum >= 0 || faults.wrongBlock >= 0 || faults.lowercaseHex || faults.rejectWrite >= 0 ||
             faults.noCrcOk || faults.hangupAfter >= 0;
    module.SetFaults(faults);
  }

  // After a failed wait: true when the awaited reply still turns up.
  bool LateReply(Kind kind) {
    const auto& reply = linked.link.Reply();
    const auto arrived = [&] {
      if (kind != Kind::Write) return reply.blockGood || reply.blockBad;
      return view.lamps == "RRRR" ? reply.activateConfirmed != 0 : reply.writeConfirmed != 0;
    };
    if (arrived()) return false;  // it came in time and failed on its content
    return loop.PumpUntil(arrived, kLateReplyLimit);
  }

  void Fail(int procedure, Kind kind, const std::string& what) {
    ++corruptions;
    if (corruptionNotes.size() < 10) {
      corruptionNotes.push_back("procedure " + std::to_string(procedure) + " (" + KindName(kind) + ", lamps " +
                                view.lamps + "): " + what);
    }
  }

  TempConfigHome config;
  SimulatedModule module{kComName, config.Path() + "/Kelvaro"};
  LinkedPort linked;
  TComPort& port = linked.port;
  FlippingLine line{port};
  SyncPump loop{linked.sync, kTick};
  SoakPump pump{loop, module};
  RecordingView view;
  RecordingNotice notice;
  TransferLink link = linked.link.Transfer(line, pump, &view, &notice);

  std::map<std::string, int> counts;
  std::map<std::string, int> faultCounts;
  bool faulty = false;
  int repliesAtPlug = 0;
  int corruptions = 0;
  std::vector<std::string> corruptionNotes;
};

TEST_F(FaultSoak, ThousandProceduresUnderRandomFaultsLoseNothing) {
  const int procedures = EnvInt("KELVARO_SOAK_PROCEDURES", 1000);
  const unsigned seed = static_cast<unsigned>(EnvInt("KELVARO_SOAK_SEED", 20261208));
  std::mt19937 random(seed);
  int baselineFds = -1;
  long baselineRss = -1;
  int hangs = 0;
  bool previousClean = true;
  Clock::duration longest{};
  const auto start = Clock::now();

  for (int n = 0; n < procedures; ++n) {
    if (n == kWarmUp || (procedures <= kWarmUp && n == 0)) {
      baselineFds = OpenDescriptorCount();
      baselineRss = ResidentKiB();
    }
    const Kind kind = static_cast<Kind>(random() % 3);
    const ImageBytes moduleBefore = module.Memory();
    module.ClearReceived();  // its capture of the line would pass for our growth
    if (kind == Kind::Write) {
      // New settings somewhere in the image, as an edit or a loaded file brings.
      for (int k = static_cast<int>(random() % 8); k >= 0; --k) {
        ParameterImage[random() % kImageSize] = static_cast<std::uint8_t>(random());
      }
    } else if (kind == Kind::Compare) {
      ParameterImage = moduleBefore;
      if (random() % 2 == 0) ParameterImage[random() % kImageSize] ^= static_cast<std::uint8_t>(1 + random() % 255);
    }
    const ImageBytes imageBefore = ParameterImage;
    InjectFaults(random, kind);
    view = RecordingView();

    const int flippedBefore = line.flipped;
    bool linkError = false;
    const auto began = Clock::now();
    try {
      switch (kind) {
        case Kind::Read: ReadModule(link); break;
        case Kind::Write: WriteModule(link); break;
        case Kind::Compare: CompareModule(link); break;
      }
    } catch (const EComPort&) {
      linkError = true;  // a send on a line that hung up; the window shows the error box
      ++counts["link errors raised to the error handler"];
    }
    const auto took = Clock::now() - began;
    longest = std::max(longest, took);
    if (took > kHangLimit) ++hangs;
    const bool silencedNow = module.Faults().silent;
    module.SetFaults({});
    const bool bitFlipped = line.flipped != flippedBefore;
    line.Disarm();
    if (bitFlipped) ++faultCounts["bit flipped on the line"];

    const ImageBytes moduleAfter = module.Memory();
    const bool allGreen = view.lamps == "GGGG";
    ++counts[std::string(KindName(kind)) + (allGreen ? " succeeded" : " failed")];
    const char startColour = kind == Kind::Compare ? 'Y' : 'W';
    // A fault may leave half a line at either end, which the next procedure meets.
    const bool clean = !faulty && !silencedNow && !bitFlipped && !linkError && !module.HungUp();
    bool innocent = clean && previousClean;
    previousClean = clean;
    if (innocent) ++counts["procedures with no fault near them"];
    if (innocent && !allGreen && LateReply(kind)) {
      // The reply came, only after the wait: a machine too busy for 2 ms ticks, not a loss.
      ++counts["late replies on a busy machine"];
      innocent = false;
    }

    if (!view.enabled) Fail(n, kind, "the buttons stayed disabled");
    if (!notice.messages.empty()) Fail(n, kind, "a no-connection box with the port open");
    switch (kind) {
      case Kind::Read:
        if (moduleAfter != moduleBefore) Fail(n, kind, "a read changed the module's memory");
        if (allGreen && ParameterImage != moduleAfter) Fail(n, kind, "a green read left the image unlike the module");
        if (!allGreen && ParameterImage != imageBefore) Fail(n, kind, "a failed read changed the image");
        break;
      case Kind::Write:
        if (ParameterImage != imageBefore) Fail(n, kind, "a write changed the image");
        if (moduleAfter != moduleBefore && moduleAfter != ParameterImage) {
          Fail(n, kind, "the module holds neither its old memory nor the image");
        }
        if (allGreen && moduleAfter != ParameterImage) Fail(n, kind, "a green write left the module unlike the image");
        break;
      case Kind::Compare:
        if (moduleAfter != moduleBefore || ParameterImage != imageBefore) Fail(n, kind, "a compare changed something");
        if (allGreen && !SameUpTo1022(ParameterImage, moduleAfter)) Fail(n, kind, "a green compare of different data");
        if (innocent && allGreen != SameUpTo1022(ParameterImage, moduleAfter)) {
          Fail(n, kind, "a clean compare gave the wrong answer");
        }
        break;
    }
    if (!allGreen && !linkError && view.lamps != "RRRR" && !StoppedAtOneRedBlock(view.lamps, startColour)) {
      Fail(n, kind, "a failed procedure without its block in red");
    }
    if (view.lamps == "RRRR" && kind != Kind::Write) Fail(n, kind, "all four red outside a write");
    if (innocent && kind != Kind::Compare && !allGreen) Fail(n, kind, "a procedure without faults failed");

    // The adapter comes back: replug and connect again, as the user would.
    if (module.HungUp() || linkError || !port.ThreadRunning()) Reconnect();
  }
  const auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const int endFds = OpenDescriptorCount();
  const long endRss = ResidentKiB();

  std::printf("fault soak: %d procedures in %.1f s (seed %u), longest %.2f s\n", procedures, seconds, seed,
              std::chrono::duration<double>(longest).count());
  for (const auto& [what, count] : counts) std::printf("  %-40s %6d\n", what.c_str(), count);
  std::printf("faults injected:\n");
  int injected = 0;
  for (const auto& [what, count] : faultCounts) {
    std::printf("  %-40s %6d\n", what.c_str(), count);
    injected += count;
  }
  std::printf("  %-40s %6d\n", "total", injected);
  std::printf("replies the module sent %d, commands it saw %d\n", module.RepliesSent(), module.CommandsSeen());
  std::printf("open descriptors %d -> %d, resident memory %ld KiB -> %ld KiB\n", baselineFds, endFds, baselineRss,
              endRss);
  std::printf("crashes 0, hangs %d, corruptions %d\n", hangs, corruptions);
  for (const std::string& note : corruptionNotes) std::printf("  %s\n", note.c_str());

  EXPECT_EQ(corruptions, 0);
  EXPECT_EQ(hangs, 0);
  EXPECT_LE(endFds, baselineFds) << "descriptors leaked";
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // The sanitizers hold freed memory back on purpose; they check for leaks themselves.
  EXPECT_LE(endRss - baselineRss, kRssGrowthLimitKiB) << "resident memory grew";
#endif
}

}  // namespace
