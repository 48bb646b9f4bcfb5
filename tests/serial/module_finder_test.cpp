// Finding the module over real pseudo-terminals: simulated modules in steady states
// beside ports that are silent, echo, babble, are held by another process, go away
// while asked or answer too late.

#include "serial/module_finder.h"

#include <gtest/gtest.h>

#include "serial/port_names.h"
#include "tests/support/finder_scene.h"
#include "tests/support/raised.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class ModuleFinderTest : public ::testing::Test {
 protected:
  TempConfigHome config;
};

TEST_F(ModuleFinderTest, FindsExactlyTheModulesAndSendsTheOtherPortsOnlyThePoll) {
  const std::vector<std::string> names = {"COM3", "COM4", "COM120", "COM6", "COM7", "COM8", "COM9"};
  FinderScene scene(names, ConfigDir());

  const auto start = Clock::now();
  const std::vector<PortFinding> found = FindModules(names);
  EXPECT_LT(Clock::now() - start, 2s);

  const std::vector<std::string> texts = scene.FindingTexts();
  ASSERT_EQ(found.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(found[i].port, names[i]);
    EXPECT_EQ(FindingText(found[i]), texts[i]) << names[i];
  }
  EXPECT_TRUE(OnlyPolls(scene.silent.Drain()));
  for (PtyPeer* peer : {&scene.echo, &scene.babble}) EXPECT_TRUE(OnlyPolls(peer->Stop()));

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
