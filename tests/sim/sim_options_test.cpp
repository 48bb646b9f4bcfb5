// harnvik-sim's command line.

#include <gtest/gtest.h>

#include "sim/sim_options.h"
#include "tests/support/raised.h"

namespace {

TEST(ParseSimOptions, DefaultsToComNineTheSampleAndNoFaults) {
  const SimOptions options = ParseSimOptions({});
  EXPECT_EQ(options.port, "COM9");
  EXPECT_EQ(options.configDir, "");
  EXPECT_EQ(options.imageFile, "");
  EXPECT_EQ(options.logFile, "");
  EXPECT_FALSE(options.help);
  const SimFaults none;
  EXPECT_EQ(options.faults.silent, none.silent);
  EXPECT_EQ(options.faults.wrongBlock, -1);
  EXPECT_EQ(options.faults.hangupAfter, -1);
  EXPECT_EQ(options.faults.baud, 0);
}

TEST(ParseSimOptions, TakesEveryOption) {
  const SimOptions options = ParseSimOptions({"--port",
                                              "com12",
                                              "--config-dir",
                                              "/tmp/k",
                                              "--image",
                                              "a.HVK",
                                              "--log",
                                              "line.log",
                                              "--silent",
                                              "--wrong-block",
                                              "1",
                                              "--bad-checksum",
                                              "2",
                                              "--lowercase-hex",
                                              "--no-crcok",
                                              "--reject-write",
                                              "3",
                                              "--garbage",
                                              "0.25",
                                              "--hangup-after",
                                              "5",
                                              "--baud",
                                              "19200",
                                              "--latency-ms",
                                              "16",
                                              "--status",
                                              "[0110,G,2]",
                                              "--messages",
                                              "4"});
  EXPECT_EQ(options.port, "COM12");
  EXPECT_EQ(options.configDir, "/tmp/k");
  EXPECT_EQ(options.imageFile, "a.HVK");
  EXPECT_EQ(options.logFile, "line.log");
  EXPECT_TRUE(options.faults.silent);
  EXPECT_EQ(options.faults.wrongBlock, 1);
  EXPECT_EQ(options.faults.badChecksum, 2);
  EXPECT_TRUE(options.faults.lowercaseHex);
  EXPECT_TRUE(options.faults.noCrcOk);
  EXPECT_EQ(options.faults.rejectWrite, 3);
  EXPECT_DOUBLE_EQ(options.faults.garbageRate, 0.25);
  EXPECT_EQ(options.faults.hangupAfter, 5);
  EXPECT_EQ(options.faults.baud, 19200);
  EXPECT_EQ(options.faults.latencyMs, 16);
  EXPECT_EQ(options.heldStatus, "[0110,G,2]");
  EXPECT_EQ(options.messages, 4);
}

TEST(ParseSimOptions, Help) {
  EXPECT_TRUE(ParseSimOptions({"--help"}).help);
  EXPECT_TRUE(ParseSimOptions({"-h"}).help);
}

struct BadRow {
  std::vector<std::string> args;
  std::string message;
};

class ParseSimOptionsBad : public ::testing::TestWithParam<BadRow> {};

TEST_P(ParseSimOptionsBad, SaysWhatIsWrong) {
  const auto error = Raised<SimUsageError>([&] { ParseSimOptions(GetParam().args); });
  ASSERT_TRUE(error);
  EXPECT_STREQ(error->what(), GetParam().message.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseSimOptionsBad,
    ::testing::Values(BadRow{{"--port"}, "--port wants a value"}, BadRow{{"--log"}, "--log wants a value"},
                      BadRow{{"--port", "COM0"}, "--port wants a name COM1 to COM256, not \"COM0\""},
                      BadRow{{"--port", "COM257"}, "--port wants a name COM1 to COM256, not \"COM257\""},
                      BadRow{{"--port", "COM09"}, "--port wants a name COM1 to COM256, not \"COM09\""},
                      BadRow{{"--port", "LPT1"}, "--port wants a name COM1 to COM256, not \"LPT1\""},
                      BadRow{{"--wrong-block", "4"}, "--wrong-block wants a whole number from 0 to 3, not \"4\""},
                      BadRow{{"--bad-checksum", "-1"}, "--bad-checksum wants a whole number from 0 to 3, not \"-1\""},
                      BadRow{{"--reject-write", "1x"}, "--reject-write wants a whole number from 0 to 3, not \"1x\""},
                      BadRow{{"--hangup-after", ""}, "--hangup-after wants a whole number from 0 to 1000000, not \"\""},
                      BadRow{{"--baud", "-9600"}, "--baud wants a whole number from 0 to 4000000, not \"-9600\""},
                      BadRow{{"--garbage", "1.5"}, "--garbage wants a rate from 0 to 1, not \"1.5\""},
                      BadRow{{"--garbage", "nan"}, "--garbage wants a rate from 0 to 1, not \"nan\""},
                      BadRow{{"--garbage", "0.5 "}, "--garbage wants a rate from 0 to 1, not \"0.5 \""},
                      BadRow{{"--status", "0110,G,2"},
                             "--status wants a status line such as \"[0110,G,2]\", not \"0110,G,2\""},
                      BadRow{{"--slient"}, "unknown option \"--slient\""},
                      BadRow{{"COM9"}, "unknown option \"COM9\""}));

}  // namespace
