#include "protocol/status_decode.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "fake_port_link.h"
#include "protocol/line_protocol.h"

namespace {

// Expected texts are written here in UTF-8 and converted by the C library, so a
// wrong escape in the decoder's code page 1250 bytes cannot hide.
std::string Cp1250(const std::string& utf8) {
  iconv_t cd = iconv_open("CP1250", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP1250 converter");
  std::string in = utf8;
  std::string out(in.size(), '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  std::size_t inLeft = in.size(), outLeft = out.size();
  const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("not convertible: " + utf8);
  out.resize(out.size() - outLeft);
  return out;
}

StatusItem Item(const char* utf8, Rgb colour) { return {Cp1250(utf8), colour}; }

const Rgb black{0, 0, 0}, red{255, 0, 0}, green{0, 128, 0}, blue{0, 0, 255};

struct RecordingDisplay : StatusDisplay {
  std::vector<ModuleStatus> shown;
  std::vector<std::string> messages;
  void ShowStatus(const ModuleStatus& status) override { shown.push_back(status); }
  void AddMessage(const std::string& text) override { messages.push_back(text); }
};

ModuleStatus Decoded(const std::string& line) {
  auto status = DecodeStatusLine(line);
  if (!status) throw std::runtime_error("not a status line: " + line);
  return *status;
}

// ---- DecodeStatusLine ----

TEST(DecodeStatusLine, ColourValues) {
  EXPECT_EQ(kBlack, black);
  EXPECT_EQ(kRed, red);
  EXPECT_EQ(kGreen, green);
  EXPECT_EQ(kBlue, blue);
}

TEST(DecodeStatusLine, WholeReports) {
  const struct {
    const char* line;
    ModuleStatus status;
  } rows[] = {
      {"[1100,:,2]",
       {Item("Rövidzár", red), Item("Rövidzár", red), Item("Nincs vonal", red), Item("Kimenő hívás folyamatban", green),
        10}},
      {"[0010,O,9]",
       {Item("Nyitva", black), Item("Nyitva", black), Item("Vonal rendben", green), Item("Hívás vége.", green), 31}},
      {"[0101,5,0]",  // position 4 is not read
       {Item("Nyitva", black), Item("Rövidzár", red), Item("Nincs vonal", red), Item("Alaphelyzetben.", black), 5}},
  };
  for (const auto& row : rows) EXPECT_EQ(Decoded(row.line), row.status) << row.line;
}

// The state window's order and names: the wired line first, the signal last, its
// value as a plain (possibly negative) number.
TEST(StatusText, WordsTheItemsAsTheStateWindowDoes) {
  EXPECT_EQ(StatusText(Decoded("[0110,G,2]")),
            Cp1250("Vezetékes vonal: Vonal rendben | IN1: Nyitva | IN2: Rövidzár | GSM vonal státusz: Kimenő hívás "
                   "folyamatban | GSM térerő (0-31): 23"));
  EXPECT_EQ(StatusText(Decoded("[1000,/,7]")),
            Cp1250("Vezetékes vonal: Nincs vonal | IN1: Rövidzár | IN2: Nyitva | GSM vonal státusz: . | "
                   "GSM térerő (0-31): -1"));
}

TEST(DecodeStatusLine, OnlyOneMeansShortedOrLinePresent) {
  for (char c : std::string("02x ]\xFF")) {
    const std::string line = std::string("[") + c + c + c + "0,5,0]";
    const ModuleStatus s = Decoded(line);
    EXPECT_EQ(s.in1, Item("Nyitva", black)) << line;
    EXPECT_EQ(s.in2, Item("Nyitva", black)) << line;
    EXPECT_EQ(s.wiredLine, Item("Nincs vonal", red)) << line;
  }
}

TEST(DecodeStatusLine, CallStates) {
  const struct {
    char code;
    const char* text;
    Rgb colour;
  } rows[] = {
      {'0', "Alaphelyzetben.", black},
      {'1', "Beemelve, tárcsázásra vár.", red},
      {'2', "Kimenő hívás folyamatban", green},
      {'3', "Automatikus Contact-ID vétel", blue},
      {'4', "Bejövő hívás, beemelésre vár", red},
      {'5', "Bejövő hívás folyamatban", green},
      {'6', "Automatikus hívás folyamatban.", green},
      {'7', ".", black},
      {'8', ".", black},
      {'9', "Hívás vége.", green},
      {'A', ".", black},
      {' ', ".", black},
      {',', ".", black},
      {'\xF5', ".", black},
  };
  for (const auto& row : rows) {
    const std::string line = std::string("[0000,5,") + row.code + "]";
    EXPECT_EQ(Decoded(line).callState, Item(row.text, row.colour)) << line;
  }
}

TEST(DecodeStatusLine, SignalIsTheUnsignedByteMinus48) {
  const struct {
    char code;
    int signal;
  } rows[] = {{'0', 0},  {'9', 9},   {':', 10},   {'?', 15},    {'O', 31},    {'P', 32},
              {'/', -1}, {' ', -16}, {'\0', -48}, {'\x7F', 79}, {'\x80', 80}, {'\xFF', 207}};
  for (const auto& row : rows) {
    std::string line = "[0000,x,0]";
    line[6] = row.code;
    EXPECT_EQ(Decoded(line).signal, row.signal) << int(static_cast<unsigned char>(row.code));
  }
}

TEST(DecodeStatusLine, NineCharactersWithTheBracketAsCallState) {
  const ModuleStatus s = Decoded("[0000,0,]");
  EXPECT_EQ(s.callState, Item(".", black));
  EXPECT_EQ(s.signal, 0);
}

TEST(DecodeStatusLine, LengthHasNoUpperBound) {
  const ModuleStatus s = Decoded("[1000,9,3" + std::string(5000, 'z') + "]");
  EXPECT_EQ(s.in1, Item("Rövidzár", red));
  EXPECT_EQ(s.signal, 9);
  EXPECT_EQ(s.callState, Item("Automatikus Contact-ID vétel", blue));
}

TEST(DecodeStatusLine, NotAStatusLine) {
  for (const std::string& line : {
           std::string("[1011,5,0"),    // no closing bracket
           std::string("[0000,0]"),     // eight characters
           std::string("[000,0,]"),     // eight characters
           std::string("[0000;0,0]"),   // position 5
           std::string("[0000,0;0]"),   // position 7
           std::string("[00000,0,0]"),  // commas one place late
           std::string("(0000,0,0]"),
           std::string(" [0000,0,0]"),
           std::string("[0000,0,0] "),
           std::string("[0000,0,0)"),
           std::string("["),
           std::string(),
       }) {
    EXPECT_FALSE(DecodeStatusLine(line).has_value()) << line;
  }
}

// ---- DecodeMessageLine ----

TEST(DecodeMessageLine, TextBetweenTheBrackets) {
  const struct {
    std::string line;
    std::optional<std::string> text;
  } rows[] = {
      {"<abcde>", "abcde"},
      {"<>", ""},
      {"<a>b>", "a>b"},
      {"<<>>", "<>"},
      {"<" + Cp1250("Hívás vége") + ">", Cp1250("Hívás vége")},
      {"<abcde", std::nullopt},
      {"<", std::nullopt},
      {">", std::nullopt},
      {"abcde>", std::nullopt},
      {" <abcde>", std::nullopt},
      {"<abcde> ", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(DecodeMessageLine(row.line), row.text) << row.line;
}

// ---- The two handlers ----

TEST(HandleStatusLine, ShowsGoodLinesOnly) {
  RecordingDisplay display;
  HandleStatusLine("[1100,:,2]", &display);
  HandleStatusLine("[1011,5,0", &display);
  ASSERT_EQ(display.shown.size(), 1u);
  EXPECT_EQ(display.shown[0], Decoded("[1100,:,2]"));
  EXPECT_TRUE(display.messages.empty());
}

TEST(HandleMessageLine, AddsGoodLinesOnly) {
  RecordingDisplay display;
  HandleMessageLine("<abcde>", &display);
  HandleMessageLine("<abcde", &display);
  HandleMessageLine("<>", &display);
  EXPECT_EQ(display.messages, (std::vector<std::string>{"abcde", ""}));
  EXPECT_TRUE(display.shown.empty());
}

TEST(Handlers, WithoutADisplayResultsAreDropped) {
  EXPECT_NO_THROW(HandleStatusLine("[1100,:,2]", nullptr));
  EXPECT_NO_THROW(HandleMessageLine("<abcde>", nullptr));
}

}  // namespace
