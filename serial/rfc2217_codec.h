#pragma once
// The Telnet stream of a network port (RFC 854), as an RFC 2217 client speaks it: data
// bytes with IAC doubled, the option negotiation (BINARY both ways, COM-PORT-OPTION
// from us), and the COM-PORT-OPTION subnegotiations. No I/O: bytes in, data and
// answers out, so every rule is testable as a table and fuzzable.

#include <cstdint>
#include <string>
#include <string_view>

#include "com_settings.h"

namespace telnet {
constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kCr = 13;
constexpr std::uint8_t kNul = 0;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPortOption = 44;
}  // namespace telnet

// COM-PORT-OPTION commands as the client sends them; the server's answers and
// notifications are these plus kServerCommand.
enum class ComPortCommand : std::uint8_t {
  SetBaudRate = 1,
  SetDataSize = 2,
  SetParity = 3,
  SetStopSize = 4,
  SetControl = 5,
  FlowControlSuspend = 8,
  FlowControlResume = 9,
  PurgeData = 12,
};
constexpr std::uint8_t kServerCommand = 100;

// The values of SET-PARITY, SET-STOPSIZE, SET-CONTROL and PURGE-DATA this program sends.
constexpr std::uint8_t kParityNone = 1;
constexpr std::uint8_t kOneStopBit = 1;
constexpr std::uint8_t kNoFlowControlOut = 1;
constexpr std::uint8_t kXonXoffOut = 2;
constexpr std::uint8_t kHardwareFlowOut = 3;
constexpr std::uint8_t kDtrOn = 8;
constexpr std::uint8_t kRtsOn = 11;
constexpr std::uint8_t kNoFlowControlIn = 14;
constexpr std::uint8_t kXonXoffIn = 15;
constexpr std::uint8_t kPurgeBothBuffers = 3;

// One COM-PORT-OPTION subnegotiation: IAC SB COM-PORT-OPTION command value IAC SE,
// every IAC in the value doubled.
std::string ComPortSubnegotiation(ComPortCommand command, std::string_view value);
std::string ComPortSubnegotiation(ComPortCommand command, std::uint8_t value);

// The line settings as the server is to set its serial port: SET-BAUDRATE,
// SET-DATASIZE, SET-PARITY, SET-STOPSIZE, the flow control out and in, DTR and RTS.
std::string ComPortLineSettings(const TComLineSettings& settings);

class TelnetStream {
 public:
  // What the client says on connecting: it will send binary and COM-PORT-OPTION, and
  // asks the server to send binary.
  std::string Open();

  // Takes bytes from the server in pieces of any size: their data goes to data, and
  // what the negotiation answers to output.
  void Receive(std::string_view bytes, std::string& data, std::string& output);

  // Data bytes as they go to the server: IAC doubled, and CR as CR NUL while we do not
  // send binary.
  std::string Encode(std::string_view data) const;
  // How many of data's bytes the first encodedBytes of Encode(data) carry whole.
  std::size_t DataBytesIn(std::string_view data, std::size_t encodedBytes) const;

  // The server agreed to COM-PORT-OPTION; and it has answered every request of Open.
  bool ComPortAgreed() const { return comPortOut_ == Option::Yes; }
  bool Settled() const;
  bool BinaryOut() const { return binaryOut_ == Option::Yes; }
  bool BinaryIn() const { return binaryIn_ == Option::Yes; }
  // Between the server's FLOWCONTROL-SUSPEND and its FLOWCONTROL-RESUME.
  bool Suspended() const { return suspended_; }

  // A longer subnegotiation is read to its end and ignored.
  static constexpr std::size_t kMaxSubnegotiation = 64;

 private:
  // An option's state on one side (RFC 1143, without the queue: we never change our
  // mind once asked).
  enum class Option { No, WantYes, Yes };
  enum class State { Data, Iac, Verb, Sb, SbIac };

  void Negotiate(std::uint8_t verb, std::uint8_t option, std::string& output);
  void Subnegotiation();
  Option* Ours(std::uint8_t option);
  Option* Theirs(std::uint8_t option);

  State state_ = State::Data;
  std::uint8_t verb_ = 0;
  bool afterCr_ = false;  // a NUL after CR is the CR's, while the server does not send binary
  std::string sb_;
  bool sbTooLong_ = false;
  // Options we send (WILL) and options the server sends (DO).
  Option binaryOut_ = Option::No;
  Option comPortOut_ = Option::No;
  Option suppressGoAheadOut_ = Option::No;
  Option binaryIn_ = Option::No;
  Option suppressGoAheadIn_ = Option::No;
  bool suspended_ = false;
};
