// A network port's Telnet stream on arbitrary bytes from a server, in pieces of
// arbitrary sizes: IAC sequences cut anywhere, unknown options, subnegotiations long,
// short and unended. Checked on every input:
// - the data and the answers are the same whole, in the pieces, and byte by byte, and
//   so are the agreements and the flow control;
// - the data is never longer than the input, and is the input itself when it holds no
//   IAC and no CR;
// - every answer is one whole negotiation command, agreeing only to what we speak;
// - the data, encoded as we would send it, comes back as itself to a reader in step
//   with us (IAC doubled, CR NUL while we do not send binary).
//
// Input: the bytes, then four bytes that seed the piece sizes.

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

#include "fuzz/fuzz_temp_file.h"
#include "serial/rfc2217_codec.h"

namespace {

constexpr std::size_t kSeedBytes = 4;
constexpr std::size_t kMaxPiece = 64;

struct Outcome {
  std::string data;
  std::string answers;
  bool agreed, settled, suspended, binaryOut;
  bool operator==(const Outcome&) const = default;
};

template <typename Feed>
Outcome Run(Feed feed) {
  TelnetStream stream;
  stream.Open();
  Outcome out{};
  feed(stream, out);
  out.agreed = stream.ComPortAgreed();
  out.settled = stream.Settled();
  out.suspended = stream.Suspended();
  out.binaryOut = stream.BinaryOut();
  return out;
}

void CheckAnswers(const std::string& answers) {
  if (answers.size() % 3 != 0) FuzzFail("an answer is not a whole negotiation command");
  for (std::size_t i = 0; i < answers.size(); i += 3) {
    const auto iac = static_cast<std::uint8_t>(answers[i]);
    const auto verb = static_cast<std::uint8_t>(answers[i + 1]);
    const auto option = static_cast<std::uint8_t>(answers[i + 2]);
    if (iac != telnet::kIac || verb < telnet::kWill || verb > telnet::kDont) FuzzFail("an answer is no command");
    const bool ours = option == telnet::kBinary || option == telnet::kSuppressGoAhead ||
                      (verb == telnet::kWill && option == telnet::kComPortOption);
    if ((verb == telnet::kWill || verb == telnet::kDo) && !ours) FuzzFail("agreed to an option we do not speak");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kSeedBytes) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size - kSeedBytes);
  std::uint32_t seed = 0;
  for (std::size_t k = 0; k < kSeedBytes; ++k) seed |= std::uint32_t{data[size - kSeedBytes + k]} << (8 * k);

  const Outcome whole = Run([&](TelnetStream& s, Outcome& o) { s.Receive(input, o.data, o.answers); });
  const Outcome pieces = Run([&](TelnetStream& s, Outcome& o) {
    std::minstd_rand random(seed);
    for (std::size_t at = 0; at < input.size();) {
      const std::size_t piece = std::min(input.size() - at, std::size_t{1} + random() % kMaxPiece);
      s.Receive(std::string_view(input).substr(at, piece), o.data, o.answers);
      at += piece;
    }
  });
  const Outcome bytes = Run([&](TelnetStream& s, Outcome& o) {
    for (char c : input) s.Receive(std::string_view(&c, 1), o.data, o.answers);
  });
  if (!(pieces == whole) || !(bytes == whole)) FuzzFail("the stream's result depends on where it was cut");
  if (whole.data.size() > input.size()) FuzzFail("more data than bytes");
  if (input.find_first_of("\xff\r") == std::string::npos && whole.data != input) FuzzFail("plain bytes changed");
  CheckAnswers(whole.answers);

  TelnetStream sender;
  sender.Open();
  std::string unused, ignored;
  if (whole.binaryOut) sender.Receive(std::string("\xff\xfd\x00", 3), unused, ignored);
  TelnetStream reader;
  reader.Open();
  if (whole.binaryOut) reader.Receive(std::string("\xff\xfb\x00", 3), unused, ignored);
  std::string back;
  reader.Receive(sender.Encode(whole.data), back, ignored);
  if (back != whole.data) FuzzFail("encoded data does not come back as itself");
  return 0;
}
