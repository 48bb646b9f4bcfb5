#include "status_walk.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// The call states in the order a call goes through them.
constexpr std::string_view kCallStates = "01234569";
constexpr int kPollsPerCallStep = 4;
constexpr int kSignalMax = 31;

// One in n; the generator's own output, so a seed gives the same walk everywhere.
bool OneIn(std::mt19937& random, std::uint32_t n) { return random() % n == 0; }

// Messages of the module's own, code page 1250.
constexpr std::array<std::string_view, 6> kMessages = {
    "GSM h\xE1l\xF3zat: bejelentkezve",  // GSM hálózat: bejelentkezve
    "T\xE1pfesz\xFClts\xE9g rendben",    // Tápfeszültség rendben
    "Riaszt\xE1s tov\xE1"
    "bb\xEDtva",                            // Riasztás továbbítva
    "SMS elk\xFCldve",                      // SMS elküldve
    "Contact-ID jelent\xE9s fogadva",       // Contact-ID jelentés fogadva
    "Vonalfesz\xFClts\xE9g visszat\xE9rt",  // Vonalfeszültség visszatért
};

char Flag(bool on) { return on ? '1' : '0'; }

}  // namespace

std::string StatusWalk::StatusLine(std::mt19937& random) {
  if (!heldLine_.empty()) return heldLine_;
  std::string line = "[";
  line += Flag(in1_);
  line += Flag(in2_);
  line += Flag(wiredLine_);
  line += "0,";
  line += static_cast<char>('0' + signal_);
  line += ',';
  line += kCallStates[static_cast<std::size_t>(callStep_)];
  line += ']';

  ++polls_;
  signal_ = std::clamp(signal_ + static_cast<int>(random() % 3) - 1, 0, kSignalMax);
  if (polls_ % kPollsPerCallStep == 0) {
    callStep_ = (callStep_ + 1) % static_cast<int>(kCallStates.size());
  }
  if (OneIn(random, 16)) in1_ = !in1_;
  if (OneIn(random, 24)) in2_ = !in2_;
  if (OneIn(random, 32)) wiredLine_ = !wiredLine_;
  return line;
}

std::string StatusWalk::MessageLine(std::mt19937& random) {
  if (messagesLeft_ >= 0) {
    if (messagesLeft_ == 0) return {};
    --messagesLeft_;
    return "<" + std::string(kMessages[nextMessage_++ % kMessages.size()]) + ">";
  }
  if (!OneIn(random, 6)) return {};
  return "<" + std::string(kMessages[random() % kMessages.size()]) + ">";
}
