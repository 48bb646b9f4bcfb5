#include "status_decode.h"

namespace {

// Status line "[abcd,s,k]": a, b the inputs, c the wired line, s the signal, k the call state.
constexpr std::size_t kMinStatusLength = 9;
constexpr std::size_t kIn1Pos = 1;
constexpr std::size_t kIn2Pos = 2;
constexpr std::size_t kWiredLinePos = 3;
constexpr std::size_t kFirstCommaPos = 5;
constexpr std::size_t kSignalPos = 6;
constexpr std::size_t kSecondCommaPos = 7;
constexpr std::size_t kCallStatePos = 8;
constexpr int kSignalZero = '0';

// Texts in code page 1250.
constexpr char kShortCircuitText[] = "R\xF6vidz\xE1r";
constexpr char kOpenText[] = "Nyitva";
constexpr char kLinePresentText[] = "Vonal rendben";
constexpr char kNoLineText[] = "Nincs vonal";

struct CallStateText {
  char code;
  const char* text;
  Rgb colour;
};

constexpr CallStateText kCallStates[] = {
    {'0', "Alaphelyzetben.", kBlack},
    {'1', "Beemelve, t\xE1rcs\xE1z\xE1sra v\xE1r.", kRed},
    {'2', "Kimen\xF5 h\xEDv\xE1s folyamatban", kGreen},
    {'3', "Automatikus Contact-ID v\xE9tel", kBlue},
    {'4', "Bej\xF6v\xF5 h\xEDv\xE1s, beemel\xE9sre v\xE1r", kRed},
    {'5', "Bej\xF6v\xF5 h\xEDv\xE1s folyamatban", kGreen},
    {'6', "Automatikus h\xEDv\xE1s folyamatban.", kGreen},
    {'9', "H\xEDv\xE1s v\xE9ge.", kGreen},
};
constexpr CallStateText kUnknownCallState{0, ".", kBlack};

StatusItem InputItem(char code) {
  return code == '1' ? StatusItem{kShortCircuitText, kRed} : StatusItem{kOpenText, kBlack};
}

StatusItem WiredLineItem(char code) {
  return code == '1' ? StatusItem{kLinePresentText, kGreen} : StatusItem{kNoLineText, kRed};
}

StatusItem CallStateItem(char code) {
  for (const CallStateText& state : kCallStates) {
    if (state.code == code) return {state.text, state.colour};
  }
  return {kUnknownCallState.text, kUnknownCallState.colour};
}

}  // namespace

std::optional<ModuleStatus> DecodeStatusLine(const std::string& line) {
  // Only the frame is checked; the length has no upper bound.
  if (line.size() < kMinStatusLength || line.front() != '[' || line[kFirstCommaPos] != ',' ||
      line[kSecondCommaPos] != ',' || line.back() != ']') {
    return std::nullopt;
  }
  ModuleStatus status;
  status.in1 = InputItem(line[kIn1Pos]);
  status.in2 = InputItem(line[kIn2Pos]);
  status.wiredLine = WiredLineItem(line[kWiredLinePos]);
  status.callState = CallStateItem(line[kCallStatePos]);
  status.signal = static_cast<unsigned char>(line[kSignalPos]) - kSignalZero;
  return status;
}

std::optional<std::string> DecodeMessageLine(const std::string& line) {
  if (line.size() < 2 || line.front() != '<' || line.back() != '>') return std::nullopt;
  return line.substr(1, line.size() - 2);
}

void HandleStatusLine(const std::string& line, StatusDisplay* display) {
  if (display == nullptr) return;
  if (auto status = DecodeStatusLine(line)) display->ShowStatus(*status);
}

void HandleMessageLine(const std::string& line, StatusDisplay* display) {
  if (display == nullptr) return;
  if (auto text = DecodeMessageLine(line)) display->AddMessage(*text);
}

std::string StatusText(const ModuleStatus& status) {
  const auto item = [](const char* label, const StatusItem& value) { return label + std::string(": ") + value.text; };
  return item(kWiredLineLabel, status.wiredLine) + " | " + item(kIn1Label, status.in1) + " | " +
         item(kIn2Label, status.in2) + " | " + item(kCallStateLabel, status.callState) + " | " + kSignalLabel + ' ' +
         std::to_string(status.signal);
}
