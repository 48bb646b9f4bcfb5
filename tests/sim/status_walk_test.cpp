// The simulated module's own state, as the state window would show it.

#include <gtest/gtest.h>

#include <set>

#include "protocol/status_decode.h"
#include "sim/status_walk.h"

namespace {

TEST(StatusWalk, EveryLineIsAStatusLineWithinRange) {
  StatusWalk walk;
  std::mt19937 random(kDefaultSimSeed);
  std::set<char> callStates, in1, in2, wired;
  int previousSignal = -1;
  for (int i = 0; i < 2000; ++i) {
    const std::string line = walk.StatusLine(random);
    ASSERT_EQ(line.size(), 10u) << line;
    const auto status = DecodeStatusLine(line);
    ASSERT_TRUE(status) << line;
    ASSERT_GE(status->signal, 0) << line;
    ASSERT_LE(status->signal, 31) << line;
    // The signal drifts; it does not jump.
    if (previousSignal >= 0) {
      EXPECT_LE(std::abs(status->signal - previousSignal), 1) << line;
    }
    previousSignal = status->signal;
    in1.insert(line[1]);
    in2.insert(line[2]);
    wired.insert(line[3]);
    callStates.insert(line[8]);
  }
  EXPECT_EQ(callStates, (std::set<char>{'0', '1', '2', '3', '4', '5', '6', '9'}));
  EXPECT_EQ(in1, (std::set<char>{'0', '1'}));
  EXPECT_EQ(in2, (std::set<char>{'0', '1'}));
  EXPECT_EQ(wired, (std::set<char>{'0', '1'}));
}

TEST(StatusWalk, StartsIdleWithTheLinePresent) {
  StatusWalk walk;
  std::mt19937 random(kDefaultSimSeed);
  EXPECT_EQ(walk.StatusLine(random), "[0010,B,0]");
}

TEST(StatusWalk, MessagesAreMessageLinesInCodePage1250) {
  StatusWalk walk;
  std::mt19937 random(kDefaultSimSeed);
  std::set<std::string> texts;
  for (int i = 0; i < 600; ++i) {
    const std::string line = walk.MessageLine(random);
    if (line.empty()) continue;
    const auto text = DecodeMessageLine(line);
    ASSERT_TRUE(text) << line;
    texts.insert(*text);
  }
  EXPECT_GE(texts.size(), 4u);
  EXPECT_TRUE(texts.count("T\xE1pfesz\xFClts\xE9g rendben"));
}

// A walk that went on moving would make every picture of the state window different.
TEST(StatusWalk, AHeldModuleKeepsItsLineAndSendsOnlyItsCountOfMessages) {
  StatusWalk walk;
  walk.Hold("[0110,G,2]");
  walk.LimitMessages(2);
  std::mt19937 random(kDefaultSimSeed);
  std::string messages;
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(walk.StatusLine(random), "[0110,G,2]");
    messages += walk.MessageLine(random);
  }
  EXPECT_EQ(messages, "<GSM h\xE1l\xF3zat: bejelentkezve><T\xE1pfesz\xFClts\xE9g rendben>");
}

}  // namespace
