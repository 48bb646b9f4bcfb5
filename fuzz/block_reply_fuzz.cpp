// DecodeBlockReply on arbitrary lines, checked against the reply's rules written
// out again here: 544 characters, upper-case hex, the sum least significant byte
// first; a short line leaves the frame alone, a bad digit stops decoding there.
// The input is also turned into a well-formed reply, which must decode to itself.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_temp_file.h"
#include "protocol/block_frame.h"
#include "protocol/line_protocol.h"

namespace {

constexpr std::uint8_t kUntouched = 0xA5;

int Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::uint32_t ModuleSum(const BlockFrame& frame) {
  std::uint32_t sum = 0;
  for (std::size_t k = 0; k < 266; ++k) sum += k < 256 ? (frame[k] ^ (k & 0xFF)) : frame[k];
  return sum;
}

void CheckRawLine(const std::string& line) {
  BlockFrame frame;
  frame.fill(kUntouched);
  const bool good = DecodeBlockReply(line, frame);

  if (line.size() != 544) {
    if (good) FuzzFail("a reply of the wrong length was good");
    for (std::uint8_t b : frame) {
      if (b != kUntouched) FuzzFail("a reply of the wrong length touched the frame");
    }
    return;
  }
  std::size_t decoded = 0;
  for (; decoded < 270; ++decoded) {
    const int high = Digit(line[4 + 2 * decoded]);
    const int low = Digit(line[5 + 2 * decoded]);
    if (high < 0 || low < 0) break;
    if (frame[decoded] != (high << 4 | low)) FuzzFail("a decoded byte differs from its digits");
  }
  for (std::size_t k = decoded; k < 270; ++k) {
    if (frame[k] != kUntouched) FuzzFail("bytes after a bad digit were written");
  }
  if (decoded < 270) {
    if (good) FuzzFail("a reply with a bad digit was good");
    return;
  }
  const std::uint32_t stored =
      frame[266] | frame[267] << 8 | frame[268] << 16 | static_cast<std::uint32_t>(frame[269]) << 24;
  if (good != (stored == ModuleSum(frame))) FuzzFail("the checksum verdict is wrong");
}

void CheckWellFormed(const std::uint8_t* data, std::size_t size) {
  BlockFrame sent{};
  for (std::size_t k = 0; k < 266 && k < size; ++k) sent[k] = data[k];
  const std::uint32_t sum = ModuleSum(sent);
  for (std::size_t k = 0; k < 4; ++k) sent[266 + k] = static_cast<std::uint8_t>(sum >> (8 * k));
  std::string line = "RDFL";
  for (std::uint8_t b : sent) line += HexByte(b);

  BlockFrame frame{};
  if (!DecodeBlockReply(line, frame)) FuzzFail("a well-formed reply was bad");
  if (frame != sent) FuzzFail("a well-formed reply decoded to other bytes");
  if (FrameToHex(frame) != line.substr(4)) FuzzFail("the frame does not encode back to its digits");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckRawLine(std::string(reinterpret_cast<const char*>(data), size));
  CheckWellFormed(data, size);
  return 0;
}
