// The Telnet stream of a network port as tables: what the server's bytes give, cut
// anywhere, and what goes to the server.

#include <gtest/gtest.h>

#include <string>

#include "serial/rfc2217_codec.h"

namespace {

using namespace std::string_literals;

// ser2net's first words on a connection: WILL SGA, DO SGA, WILL ECHO, DONT ECHO, DO
// BINARY, WILL BINARY, DO COM-PORT-OPTION.
const std::string kSer2netGreeting =
    "\xff\xfb\x03\xff\xfd\x03\xff\xfb\x01\xff\xfe\x01\xff\xfd\x00\xff\xfb\x00\xff\xfd\x2c"s;

struct ReceiveRow {
  const char* fault;  // what is broken when the row fails
  std::string input;
  std::string data;
  std::string answers;
  bool agreed = false;
  bool settled = false;
  bool suspended = false;
};

const ReceiveRow kReceiveRows[] = {
    {"data is not passed on", "RDFL\r\n", "RDFL\r\n", ""},
    {"IAC IAC is not one 0xFF",
     "a\xff\xff"s
     "b",
     "a\xff"s
     "b",
     ""},
    {"CR NUL is not CR while the server sends no binary", "A\r\0B"s, "A\rB", ""},
    {"the server's greeting is answered wrongly (SGA taken, ECHO refused)", kSer2netGreeting, "",
     "\xff\xfd\x03\xff\xfb\x03\xff\xfe\x01"s, true, true},
    {"a NUL after CR is dropped in binary", kSer2netGreeting + "\r\0"s, "\r\0"s,
     "\xff\xfd\x03\xff\xfb\x03\xff\xfe\x01"s, true, true},
    {"refusals are answered or taken as agreement", "\xff\xfe\x2c\xff\xfe\x00\xff\xfc\x00"s, "", "", false, true},
    {"an unknown option is not refused", "\xff\xfd\x18\xff\xfb\x05"s, "", "\xff\xfc\x18\xff\xfe\x05"s},
    {"an agreement is answered twice", "\xff\xfd\x00\xff\xfd\x00"s, "", ""},
    {"BINARY turned off after agreement is not confirmed", "\xff\xfd\x00\xff\xfe\x00"s, "", "\xff\xfc\x00"s},
    {"a notification leaks into the data", "\xff\xfa\x2c\x6b\x00\xff\xf0X"s, "X", ""},
    {"an escaped IAC ends a subnegotiation", "\xff\xfa\x2c\x65\x00\x00\xff\xff\x00\xff\xf0Y"s, "Y", ""},
    {"FLOWCONTROL-SUSPEND is not kept", "\xff\xfa\x2c\x6c\xff\xf0"s, "", "", false, false, true},
    {"FLOWCONTROL-RESUME does not end it", "\xff\xfa\x2c\x6c\xff\xf0\xff\xfa\x2c\x6d\xff\xf0"s, "", ""},
    {"a subnegotiation cut off by a command is kept or the command lost", "\xff\xfa\x2c\x6c\xff\xfd\x18Z"s, "Z",
     "\xff\xfc\x18"s},
    {"an over-long subnegotiation is taken", "\xff\xfa\x2c\x6c"s + std::string(100, 'a') + "\xff\xf0Z"s, "Z", ""},
    {"NOP, GA and AYT reach the data", "\xff\xf1\xff\xf9\xff\xf6Z"s, "Z", ""},
};

class TelnetReceive : public ::testing::TestWithParam<ReceiveRow> {};

// Whole, cut at every byte, and byte by byte: the same result.
TEST_P(TelnetReceive, GivesTheRowsDataAndAnswersCutAnywhere) {
  const ReceiveRow& row = GetParam();
  for (std::size_t cut = 0; cut <= row.input.size() + 1; ++cut) {
    TelnetStream stream;
    stream.Open();
    std::string data, answers;
    if (cut <= row.input.size()) {
      stream.Receive(std::string_view(row.input).substr(0, cut), data, answers);
      stream.Receive(std::string_view(row.input).substr(cut), data, answers);
    } else {
      for (char c : row.input) stream.Receive(std::string_view(&c, 1), data, answers);
    }
    SCOPED_TRACE(std::string(row.fault) + ", cut at " + std::to_string(cut));
    EXPECT_EQ(data, row.data);
    EXPECT_EQ(answers, row.answers);
    EXPECT_EQ(stream.ComPortAgreed(), row.agreed);
    EXPECT_EQ(stream.Settled(), row.settled);
    EXPECT_EQ(stream.Suspended(), row.suspended);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, TelnetReceive, ::testing::ValuesIn(kReceiveRows));

TEST(TelnetStream, OpensAskingForBinaryBothWaysAndComPortOption) {
  TelnetStream stream;
  EXPECT_EQ(stream.Open(), "\xff\xfb\x00\xff\xfd\x00\xff\xfb\x2c"s);
  EXPECT_FALSE(stream.Settled());
}

TEST(TelnetStream, EscapesIacAndSendsCrAsCrNulUntilBinaryIsAgreed) {
  TelnetStream stream;
  stream.Open();
  EXPECT_EQ(stream.Encode("a\xff\r"s), "a\xff\xff\r\0"s);
  EXPECT_EQ(stream.DataBytesIn("a\xff\r"s, 2), 1u);  // half of the escaped IAC is not a byte written
  EXPECT_EQ(stream.DataBytesIn("a\xff\r"s, 4), 2u);
  std::string data, answers;
  stream.Receive(kSer2netGreeting, data, answers);
  EXPECT_EQ(stream.Encode("a\xff\r"s), "a\xff\xff\r"s);
  EXPECT_EQ(stream.DataBytesIn("a\xff\r"s, 4), 3u);
}

TEST(ComPortLineSettings, AreTheModulesLineWithoutFlowControlAndWithDtrAndRts) {
  const auto sb = [](const std::string& body) { return "\xff\xfa\x2c"s + body + "\xff\xf0"s; };
  EXPECT_EQ(ComPortLineSettings(TComLineSettings{}), sb("\x01\x00\x00\x4b\x00"s) + sb("\x02\x08") + sb("\x03\x01") +
                                                         sb("\x04\x01") + sb("\x05\x01") + sb("\x05\x0e") +
                                                         sb("\x05\x08") + sb("\x05\x0b"));
  EXPECT_EQ(ComPortSubnegotiation(ComPortCommand::SetBaudRate, "\x00\xff"s), sb("\x01\x00\xff\xff"s));
}

}  // namespace
