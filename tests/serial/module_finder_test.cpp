// Finding the module over real pseudo-terminals: simulated modules in steady states
// beside ports that are silent, echo, babble, are held by another process, go away
// while asked or answer too late.

#include "serial/module_finder.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <thread>

#include "serial/port_names.h"
#include "sim/simulated_module.h"
#include "tests/support/held_port.h"
#include "tests/support/pty_pair.h"
#include "tests/support/raised.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The far end of a pty played by a thread: a loopback plug, a device that sends noise
// without pause, one unplugged once asked, or one that answers the poll too late.
enum class Peer { Echo, Babble, HangUp, Late };

class PtyPeer {
 public:
  PtyPeer(const std::string& comName, Peer peer) {
    pty_.LinkAs(comName);
    thread_ = std::thread([this, peer] { Serve(peer); });
  }
  ~PtyPeer() { Stop(); }
  // Ends it; returns everything it received.
  std::string Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return received_;
  }

 private:
  void Serve(Peer peer) {
    constexpr char kNoise[] = "[01\r<x\x15\xFF[0000,0\r";
    while (!stop_) {
      if (peer == Peer::Babble && ::write(pty_.Master(), kNoise, sizeof kNoise - 1) < 0 && errno != EAGAIN) return;
      pollfd p{pty_.Master(), POLLIN, 0};
      if (::poll(&p, 1, peer == Peer::Babble ? 0 : 10) <= 0) continue;
      const std::string got = pty_.Drain();
      received_ += got;
      if (peer == Peer::HangUp) return pty_.CloseMaster();
      if (peer == Peer::Late) std::this_thread::sleep_for(400ms);
      if (peer == Peer::Echo || peer == Peer::Late) pty_.Send(peer == Peer::Echo ? got : "[0110,G,2]\r\n");
    }
  }

  PtyPair pty_;
  std::string received_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Only whole polls: "??" CR once, or twice when the second poll came.
bool OnlyPolls(const std::string& received) { return received == "??\r" || received == "??\r??\r"; }

class ModuleFinderTest : public ::testing::Test {
 protected:
  TempConfigHome config;
};

TEST_F(ModuleFinderTest, FindsExactlyTheModulesAndSendsTheOtherPortsOnlyThePoll) {
  const std::vector<std::string> names = {"COM3", "COM4", "COM120", "COM6", "COM7", "COM8", "COM9"};
  const char* statusLines[] = {"[0110,G,2]", "[0010,5,0]", "[1101,O,9]"};
  std::vector<std::unique_ptr<SimulatedModule>> modules;
  for (std::size_t i = 0; i < 3; ++i) {
    modules.push_back(std::make_unique<SimulatedModule>(names[i], ConfigDir()));
    modules.back()->HoldStatus(statusLines[i], 0);
    modules.back()->Start();
  }
  PtyPair silent, held;
  silent.LinkAs("COM6");
  PtyPeer echo("COM7", Peer::Echo);
  PtyPeer babble("COM8", Peer::Babble);
  held.LinkAs("COM9");
  const HeldPort holder(held.SlavePath());

  const auto start = Clock::now();
  const std::vector<PortFinding> found = FindModules(names);
  EXPECT_LT(Clock::now() - start, 2s);

  const std::string texts[] = {StatusText(*DecodeStatusLine(statusLines[0])),
                               StatusText(*DecodeStatusLine(statusLines[1])),
                               StatusText(*DecodeStatusLine(statusLines[2])),
                               "no answer (nothing came back)",
                               "no answer (an echo of the poll)",
                               "no answer (no status line came back)",
                               "in use by sleep (pid " + std::to_string(holder.Pid()) + ")"};
  ASSERT_EQ(found.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(found[i].port, names[i]);
    EXPECT_EQ(FindingText(found[i]), texts[i]) << names[i];
  }
  EXPECT_TRUE(OnlyPolls(silent.Drain()));
  for (PtyPeer* peer : {&echo, &babble}) EXPECT_TRUE(OnlyPolls(peer->Stop()));

  const auto several = Raised<EModuleSearch>([&] { TheAnsweringPort(found); });
  ASSERT_TRUE(several);
  EXPECT_EQ(several->GetKind(), EModuleSearch::Kind::SeveralAnswered);
  EXPECT_STREQ(several->what(), "modules answered on COM3, COM4 and COM120; name the port of the one meant");
}

// Each a clear finding within the wait: no hang, and no port but the named ones opened.
TEST_F(ModuleFinderTest, AVanishingPortALateAnswerAndNamesThatAreNoPortsEachGiveAClearFinding) {
  PtyPeer vanishing("COM5", Peer::HangUp);
  PtyPeer late("COM6", Peer::Late);
  PtyPair com1;
  com1.LinkAs("COM1");
  LinkPort("COM7", config.Path() + "/absent");

  const auto start = Clock::now();
  const std::vector<PortFinding> found = FindModules({"COM5", "COM6", "COM7", "COMX", "COM257", "com6"}, 200ms);
  EXPECT_LT(Clock::now() - start, 1s);

  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(FindingText(found[0]), "no answer (the line went away)");
  EXPECT_EQ(FindingText(found[1]), "no answer (nothing came back)");
  EXPECT_EQ(FindingText(found[2]), "cannot be opened (No such file or directory)");
  for (std::size_t i = 3; i < 5; ++i) EXPECT_EQ(FindingText(found[i]), "cannot be opened (not a COM name)");
  EXPECT_EQ(com1.Drain(), "");
  EXPECT_TRUE(FindModules({}).empty());
}

TEST(TheAnsweringPort, OneModuleIsThePortNoneNamesThePortsAsked) {
  PortFinding answered{"COM5", FindOutcome::Answered, DecodeStatusLine("[0110,G,2]")};
  PortFinding silent{"COM3", FindOutcome::NoAnswer};
  PortFinding held{"COM9", FindOutcome::InUse};
  EXPECT_EQ(TheAnsweringPort({silent, answered, held}), "COM5");
  const std::pair<std::vector<PortFinding>, const char*> none[] = {
      {{silent, held}, "no module answered on COM3 and COM9"},
      {{}, "no module answered: there are no ports to ask"},
  };
  for (const auto& [findings, message] : none) {
    const auto error = Raised<EModuleSearch>([&] { TheAnsweringPort(findings); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->GetKind(), EModuleSearch::Kind::NoneAnswered);
    EXPECT_STREQ(error->what(), message);
  }
}

}  // namespace
