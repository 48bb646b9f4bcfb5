#include "rfc2217_codec.h"

namespace {

using namespace telnet;

char Byte(std::uint8_t b) { return static_cast<char>(b); }

std::string Command(std::uint8_t verb, std::uint8_t option) { return {Byte(kIac), Byte(verb), Byte(option)}; }

}  // namespace

std::string ComPortSubnegotiation(ComPortCommand command, std::string_view value) {
  std::string out{Byte(kIac), Byte(kSb), Byte(kComPortOption), Byte(static_cast<std::uint8_t>(command))};
  for (char c : value) {
    out += c;
    if (static_cast<std::uint8_t>(c) == kIac) out += c;
  }
  return out + Byte(kIac) + Byte(kSe);
}

std::string ComPortSubnegotiation(ComPortCommand command, std::uint8_t value) {
  return ComPortSubnegotiation(command, std::string_view(reinterpret_cast<const char*>(&value), 1));
}

std::string ComPortLineSettings(const TComLineSettings& settings) {
  const auto rate = static_cast<std::uint32_t>(settings.baudRate);
  const std::string rateBytes{Byte(rate >> 24), Byte(rate >> 16), Byte(rate >> 8), Byte(rate)};
  const TComFlowValues& flow = settings.flow;
  const std::uint8_t out = flow.xonXoffOut ? kXonXoffOut : flow.outCTSFlow ? kHardwareFlowOut : kNoFlowControlOut;
  const std::uint8_t in = flow.xonXoffIn ? kXonXoffIn : kNoFlowControlIn;
  // No parity, one stop bit, DTR and RTS on: the one line offered.
  return ComPortSubnegotiation(ComPortCommand::SetBaudRate, rateBytes) +
         ComPortSubnegotiation(ComPortCommand::SetDataSize, static_cast<std::uint8_t>(settings.dataBits)) +
         ComPortSubnegotiation(ComPortCommand::SetParity, kParityNone) +
         ComPortSubnegotiation(ComPortCommand::SetStopSize, kOneStopBit) +
         ComPortSubnegotiation(ComPortCommand::SetControl, out) +
         ComPortSubnegotiation(ComPortCommand::SetControl, in) +
         ComPortSubnegotiation(ComPortCommand::SetControl, kDtrOn) +
         ComPortSubnegotiation(ComPortCommand::SetControl, kRtsOn);
}

std::string TelnetStream::Open() {
  binaryOut_ = comPortOut_ = binaryIn_ = Option::WantYes;
  return Command(kWill, kBinary) + Command(kDo, kBinary) + Command(kWill, kComPortOption);
}

bool TelnetStream::Settled() const {
  return binaryOut_ != Option::WantYes && comPortOut_ != Option::WantYes && binaryIn_ != Option::WantYes;
}

TelnetStream::Option* TelnetStream::Ours(std::uint8_t option) {
  switch (option) {
    case kBinary: return &binaryOut_;
    case kComPortOption: return &comPortOut_;
    case kSuppressGoAhead: return &suppressGoAheadOut_;
    default: return nullptr;
  }
}

TelnetStream::Option* TelnetStream::Theirs(std::uint8_t option) {
  switch (option) {
    case kBinary: return &binaryIn_;
    case kSuppressGoAhead: return &suppressGoAheadIn_;
    default: return nullptr;
  }
}

// An agreement is answered only when it changes the state, so two sides can never
// answer each other for ever; an option we do not know is refused (ECHO among them:
// the server must not send our own bytes back).
void TelnetStream::Negotiate(std::uint8_t verb, std::uint8_t option, std::string& output) {
  const bool enable = verb == kWill || verb == kDo;
  const bool ours = verb == kDo || verb == kDont;
  Option* state = ours ? Ours(option) : Theirs(option);
  const std::uint8_t yes = ours ? kWill : kDo;
  const std::uint8_t no = ours ? kWont : kDont;
  if (state == nullptr) {
    if (enable) output += Command(no, option);
    return;
  }
  if (enable) {
    if (*state == Option::No) output += Command(yes, option);
    *state = Option::Yes;
  } else {
    if (*state == Option::Yes) output += Command(no, option);
    *state = Option::No;
  }
}

// Of the server's answers and notifications only the flow control changes what we
// do; the acknowledgements of the settings and the line and modem states are not
// waited for (a server in front of a pseudo-terminal sends some and not others).
void TelnetStream::Subnegotiation() {
  if (sbTooLong_ || sb_.size() < 2 || static_cast<std::uint8_t>(sb_[0]) != kComPortOption) return;
  const auto command = static_cast<std::uint8_t>(sb_[1]);
  if (command == kServerCommand + static_cast<std::uint8_t>(ComPortCommand::FlowControlSuspend)) suspended_ = true;
  if (command == kServerCommand + static_cast<std::uint8_t>(ComPortCommand::FlowControlResume)) suspended_ = false;
}

void TelnetStream::Receive(std::string_view bytes, std::string& data, std::string& output) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    switch (state_) {
      case State::Data:
        if (b == kIac) {
          state_ = State::Iac;
        } else if (!(afterCr_ && b == kNul)) {
          data += Byte(b);
        }
        afterCr_ = b == kCr && !BinaryIn();
        break;
      case State::Iac:
        if (b == kIac) {
          data += Byte(b);
          afterCr_ = false;
          state_ = State::Data;
        } else if (b >= kWill && b <= kDont) {
          verb_ = b;
          state_ = State::Verb;
        } else if (b == kSb) {
          sb_.clear();
          sbTooLong_ = false;
          state_ = State::Sb;
        } else {
          // NOP, GA, AYT and the rest carry nothing for a serial line.
          state_ = State::Data;
        }
        break;
      case State::Verb:
        Negotiate(verb_, b, output);
        state_ = State::Data;
        break;
      case State::Sb:
      case State::SbIac:
        if (state_ == State::Sb && b == kIac) {
          state_ = State::SbIac;
          break;
        }
        if (state_ == State::SbIac && b == kSe) {
          Subnegotiation();
          state_ = State::Data;
          break;
        }
        if (state_ == State::SbIac && b != kIac) {
          // IAC and anything but SE or IAC ends a subnegotiation that was cut off: it is
          // dropped, and the byte read as the command after IAC.
          state_ = State::Iac;
          --i;
          break;
        }
        state_ = State::Sb;
        if (sb_.size() < kMaxSubnegotiation) {
          sb_ += Byte(b);
        } else {
          sbTooLong_ = true;
        }
        break;
    }
  }
}

std::string TelnetStream::Encode(std::string_view data) const {
  std::string out;
  out.reserve(data.size() + 8);
  for (char c : data) {
    out += c;
    if (static_cast<std::uint8_t>(c) == kIac) out += c;
    if (static_cast<std::uint8_t>(c) == kCr && !BinaryOut()) out += Byte(kNul);
  }
  return out;
}

std::size_t TelnetStream::DataBytesIn(std::string_view data, std::size_t encodedBytes) const {
  std::size_t whole = 0;
  std::size_t used = 0;
  for (char c : data) {
    const auto b = static_cast<std::uint8_t>(c);
    used += (b == kIac || (b == kCr && !BinaryOut())) ? 2 : 1;
    if (used > encodedBytes) break;
    ++whole;
  }
  return whole;
}
