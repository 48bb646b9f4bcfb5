#include "protocol/line_protocol.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "fake_port_link.h"
#include "tests/support/raised.h"

namespace {

// Records every line each handler was given.
struct HandlerLog {
  std::vector<std::string> status, message, block;
  bool blockAnswer = true;

  LineHandlers Handlers() {
    LineHandlers h;
    h.statusLine = [this](const std::string& line) { status.push_back(line); };
    h.messageLine = [this](const std::string& line) { message.push_back(line); };
    h.blockReply = [this](const std::string& line) {
      block.push_back(line);
      return blockAnswer;
    };
    return h;
  }
};

struct Flags {
  int ok, activate, write, reject, good, bad;
  friend bool operator==(const Flags&, const Flags&) = default;
};

Flags FlagsOf(const ReplyState& s) {
  return {s.okSeen, s.activateConfirmed, s.writeConfirmed, s.writeRejected, s.blockGood, s.blockBad};
}

constexpr Flags kNone{0, 0, 0, 0, 0, 0};

// ---- Send primitives ----

TEST(SendPrimitives, EachIsOneWriteOfTheExactBytes) {
  FakePortLink port;
  SendCommand(port, "??");
  SendCommand(port, "RDFL0002");
  SendTerminator(port);
  SendHexByte(port, 0x7F);
  EXPECT_EQ(port.writes, (std::vector<std::string>{"??\r", "RDFL0002\r", "\r", "7F"}));
}

TEST(SendPrimitives, HexByteIsTwoUpperCaseDigitsHighNibbleFirst) {
  const struct {
    std::uint8_t byte;
    const char* digits;
  } rows[] = {{0x00, "00"}, {0x09, "09"}, {0x0A, "0A"}, {0xA0, "A0"},
              {0x3C, "3C"}, {0xBE, "BE"}, {0xF0, "F0"}, {0xFF, "FF"}};
  for (const auto& row : rows) {
    FakePortLink port;
    SendHexByte(port, row.byte);
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0], row.digits) << int(row.byte);
    EXPECT_EQ(HexByte(row.byte), row.digits);
  }
}

TEST(SendPrimitives, EveryByteValueGivesDigitsThatReadBack) {
  for (int b = 0; b < 256; ++b) {
    const std::string digits = HexByte(static_cast<std::uint8_t>(b));
    ASSERT_EQ(digits.size(), 2u);
    EXPECT_EQ(std::stoi(digits, nullptr, 16), b);
    for (char c : digits) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << digits;
  }
}

TEST(SendPrimitives, ClosedPortWritesNothingAndRaisesNothing) {
  FakePortLink port;
  port.connected = false;
  port.failWrites = true;  // any write attempt would raise
  EXPECT_NO_THROW(SendCommand(port, kPollCommand));
  EXPECT_NO_THROW(SendHexByte(port, 0xAB));
  EXPECT_NO_THROW(SendTerminator(port));
  EXPECT_TRUE(port.writes.empty());
}

TEST(SendPrimitives, WriteFailureReachesTheCaller) {
  FakePortLink port;
  port.failWrites = true;
  for (auto send : {+[](PortLink& p) { SendCommand(p, "WRACT"); }, +[](PortLink& p) { SendHexByte(p, 1); },
                    +[](PortLink& p) { SendTerminator(p); }}) {
    const auto error = Raised<std::runtime_error>([&] { send(port); });
    ASSERT_TRUE(error);
    EXPECT_STREQ(error->what(), "WriteFile function failed");
  }
}

// ---- ReceiveBytes ----

// A port, the reply state and recording handlers, as the main window holds them.
class Receive : public ::testing::Test {
 protected:
  FakePortLink port;
  ReplyState state;
  HandlerLog log;
  void Announce(int count) { ReceiveBytes(port, count, state, log.Handlers()); }
  // One notification announcing every byte just queued.
  void Send(const std::string& bytes) {
    port.Queue(bytes);
    Announce(static_cast<int>(port.incoming.size()));
  }
  bool NothingHandled() const { return log.status.empty() && log.message.empty() && log.block.empty(); }
  static std::string Message(std::size_t total) { return "<" + std::string(total - 2, 'a') + ">"; }
};

TEST_F(Receive, ReadsExactlyCountBytesOneAtATime) {
  port.Queue("OK\rWROK\r");
  Announce(5);
  EXPECT_EQ(port.readSizes, std::vector<int>(5, 1));
  EXPECT_EQ(state.lineBuffer, "WR");
  EXPECT_EQ(port.incoming.size(), 3u);  // left for the next notification
  EXPECT_EQ(FlagsOf(state), (Flags{1, 0, 0, 0, 0, 0}));
}

TEST_F(Receive, EmptyReadEndsTheNotification) {
  port.Queue("WR");
  Announce(6);
  EXPECT_EQ(port.readSizes.size(), 3u);  // the third finds nothing
  EXPECT_EQ(state.lineBuffer, "WR");
}

TEST_F(Receive, ZeroOrNegativeCountReadsNothing) {
  port.Queue("OK\r");
  Announce(0);
  Announce(-3);
  EXPECT_TRUE(port.readSizes.empty());
  EXPECT_EQ(FlagsOf(state), kNone);
}

TEST_F(Receive, LineEndingsAllEndOneLine) {
  for (const char* ending : {"\r", "\r\n", "\n\r", "\n\r\n", "\r\r", "\r\n\r\n"}) {
    log.message.clear();
    Send(std::string("<a>") + ending + "<b>" + ending);
    EXPECT_EQ(log.message, (std::vector<std::string>{"<a>", "<b>"})) << ending;
    EXPECT_TRUE(state.lineBuffer.empty());
  }
}

TEST_F(Receive, WrokCrLfConfirmsOnceWithoutAnEmptyLine) {
  Send("WROK\r\n");
  EXPECT_EQ(FlagsOf(state), (Flags{0, 0, 1, 0, 0, 0}));
  EXPECT_TRUE(state.lineBuffer.empty());
  EXPECT_TRUE(NothingHandled());
}

TEST_F(Receive, LfInsideALineIsDropped) {
  Send("<a\nb\n>\r");
  EXPECT_EQ(log.message, std::vector<std::string>{"<ab>"});
}

TEST_F(Receive, EmptyLinesAreNeverDispatched) {
  Send("\r\r\n\n\r\n\r");
  EXPECT_TRUE(NothingHandled());
  EXPECT_EQ(FlagsOf(state), kNone);
}

TEST_F(Receive, LineSplitOverThreeNotificationsIsAssembled) {
  Send("<h");
  EXPECT_EQ(state.lineBuffer, "<h");
  Send("ello>");
  EXPECT_TRUE(log.message.empty());
  Send("\r");
  EXPECT_EQ(log.message, std::vector<std::string>{"<hello>"});
}

TEST_F(Receive, EveryByteInItsOwnNotification) {
  for (char c : std::string("CRCOK\r\nWRFLERR\r")) Send(std::string(1, c));
  EXPECT_EQ(FlagsOf(state), (Flags{0, 1, 0, 1, 0, 0}));
}

TEST_F(Receive, NonAsciiBytesArriveUnchanged) {
  Send(std::string("<R\xF6vidz\xE1r\x00\xFF>\r", 13));
  ASSERT_EQ(log.message.size(), 1u);
  EXPECT_EQ(log.message[0], std::string("<R\xF6vidz\xE1r\x00\xFF>", 12));
}

TEST_F(Receive, ReadFailureAbandonsTheRestAndKeepsTheBuffer) {
  port.Queue("OK\rWROK\r");
  port.failOnRead = 4;  // after "OK\rW"
  EXPECT_NO_THROW(Announce(8));
  EXPECT_EQ(port.readSizes.size(), 5u);
  EXPECT_EQ(state.lineBuffer, "W");
  EXPECT_EQ(FlagsOf(state), (Flags{1, 0, 0, 0, 0, 0}));
  // The bytes not read are picked up by the next notification.
  Announce(static_cast<int>(port.incoming.size()));
  EXPECT_EQ(FlagsOf(state), (Flags{1, 0, 1, 0, 0, 0}));
}

TEST_F(Receive, HandlerFailureAbandonsTheRestWithTheLineGone) {
  int statusCalls = 0;
  LineHandlers h;
  h.statusLine = [&](const std::string&) {
    ++statusCalls;
    throw std::runtime_error("display gone");
  };
  port.Queue("[0000,0,0]\rOK\r");
  EXPECT_NO_THROW(ReceiveBytes(port, 14, state, h));
  EXPECT_EQ(statusCalls, 1);
  EXPECT_TRUE(state.lineBuffer.empty());
  EXPECT_EQ(port.incoming.size(), 3u);  // "OK\r" not read
  EXPECT_EQ(state.okSeen, 0);
  ReceiveBytes(port, 3, state, h);
  EXPECT_EQ(statusCalls, 1);  // never dispatched twice
  EXPECT_EQ(state.okSeen, 1);
}

TEST_F(Receive, BlockDecoderFailureSetsNeitherBlockFlag) {
  LineHandlers h;
  h.blockReply = [](const std::string&) -> bool { throw std::runtime_error("boom"); };
  port.Queue("RDFL00\r");
  ReceiveBytes(port, 7, state, h);
  EXPECT_EQ(FlagsOf(state), kNone);
  EXPECT_TRUE(state.lineBuffer.empty());
}

// The line length bound.

TEST_F(Receive, LineOfExactlyTheLimitIsDispatched) {
  Send(Message(kMaxLineLength) + "\r");
  ASSERT_EQ(log.message.size(), 1u);
  EXPECT_EQ(log.message[0].size(), kMaxLineLength);
}

TEST_F(Receive, LineOneByteOverTheLimitIsDropped) {
  Send(Message(kMaxLineLength + 1) + "\r");
  EXPECT_TRUE(log.message.empty());
  EXPECT_TRUE(state.lineBuffer.empty());
  Send("OK\r");  // the next CR started clean
  EXPECT_EQ(state.okSeen, 1);
}

TEST_F(Receive, TheRestOfAnOverlongLineIsDroppedUpToTheCr) {
  Send(std::string(kMaxLineLength + 1, 'x'));
  EXPECT_TRUE(state.lineBuffer.empty());  // memory given back at once
  Send("\nOK\n");                         // LF does not end the dropped line
  Send("WROK");
  EXPECT_TRUE(state.lineBuffer.empty());
  Send("\r<after>\r");
  EXPECT_EQ(FlagsOf(state), kNone);
  EXPECT_EQ(log.message, std::vector<std::string>{"<after>"});
}

TEST_F(Receive, NoiseWithoutCrNeverGrowsTheBuffer) {
  for (int round = 0; round < 3; ++round) {
    Send(std::string(kMaxLineLength / 2 + 7, 'n'));
    EXPECT_LE(state.lineBuffer.size(), kMaxLineLength);
  }
  Send("\rOK\r");
  EXPECT_EQ(state.okSeen, 1);
}

// ---- DispatchLine ----

TEST(DispatchLine, EachTestInTurn) {
  struct Row {
    const char* line;
    Flags flags;
    int status, message, block;
  };
  std::vector<Row> rows = {
      {"[0000,0,0]", kNone, 1, 0, 0},
      {"[", kNone, 1, 0, 0},  // malformed lines still reach the handler, which drops them
      {"<text>", kNone, 0, 1, 0},
      {"<", kNone, 0, 1, 0},
      {"OK", {1, 0, 0, 0, 0, 0}, 0, 0, 0},
      {"OKAY", {1, 0, 0, 0, 0, 0}, 0, 0, 0},
      {"CRCOK", {0, 1, 0, 0, 0, 0}, 0, 0, 0},  // "OK" is not at its start
      {"CRCOKX", {0, 1, 0, 0, 0, 0}, 0, 0, 0},
      {"WROK", {0, 0, 1, 0, 0, 0}, 0, 0, 0},
      {"WRFLERR", {0, 0, 0, 1, 0, 0}, 0, 0, 0},
      {"WRFLERR 3", {0, 0, 0, 1, 0, 0}, 0, 0, 0},
      {"RDFL", {0, 0, 0, 0, 1, 0}, 0, 0, 1},
      {"RDFLxyz", {0, 0, 0, 0, 1, 0}, 0, 0, 1},
  };
  // Near misses: ignored.
  for (const char* line : {"O", "ok", " OK", "CRCO", "WRO", "WRFL", "WRFLER", "RDF", "rdfl", "x[", ">", "]"}) {
    rows.push_back({line, kNone, 0, 0, 0});
  }
  for (const auto& row : rows) {
    ReplyState state;
    HandlerLog log;
    DispatchLine(row.line, state, log.Handlers());
    EXPECT_EQ(FlagsOf(state), row.flags) << row.line;
    EXPECT_EQ(static_cast<int>(log.status.size()), row.status) << row.line;
    EXPECT_EQ(static_cast<int>(log.message.size()), row.message) << row.line;
    EXPECT_EQ(static_cast<int>(log.block.size()), row.block) << row.line;
    for (const auto& got : {log.status, log.message, log.block}) {
      for (const auto& line : got) EXPECT_EQ(line, row.line);  // the whole line is handed on
    }
  }
}

TEST(DispatchLine, DecoderAnsweringBadSetsBlockBad) {
  ReplyState state;
  HandlerLog log;
  log.blockAnswer = false;
  DispatchLine("RDFL0000", state, log.Handlers());
  EXPECT_EQ(FlagsOf(state), (Flags{0, 0, 0, 0, 0, 1}));
}

TEST(DispatchLine, FlagsAreSetNeverCleared) {
  ReplyState state;
  HandlerLog log;
  DispatchLine("RDFL", state, log.Handlers());
  log.blockAnswer = false;
  DispatchLine("RDFL", state, log.Handlers());
  DispatchLine("OK", state, log.Handlers());
  DispatchLine("OK", state, log.Handlers());
  DispatchLine("garbage", state, log.Handlers());
  EXPECT_EQ(FlagsOf(state), (Flags{1, 0, 0, 0, 1, 1}));
}

TEST(DispatchLine, MissingHandlers) {
  ReplyState state;
  const LineHandlers none;
  EXPECT_NO_THROW(DispatchLine("[0000,0,0]", state, none));
  EXPECT_NO_THROW(DispatchLine("<text>", state, none));
  EXPECT_EQ(FlagsOf(state), kNone);
  DispatchLine("RDFL", state, none);  // no decoder: bad
  EXPECT_EQ(FlagsOf(state), (Flags{0, 0, 0, 0, 0, 1}));
}

TEST(DispatchLine, DispatchDoesNotTouchTheLineBuffer) {
  ReplyState state;
  state.lineBuffer = "partial";
  DispatchLine("OK", state, {});
  EXPECT_EQ(state.lineBuffer, "partial");
}

}  // namespace
