#include "block_frame.h"

#include <stdexcept>

#include "line_protocol.h"

BlockFrame ReceivedFrame{};

std::uint32_t FrameChecksum(const BlockFrame& frame) {
  std::uint32_t sum = 0;
  // The module's sum: data bytes XORed with their offset, the rest added as they are.
  for (std::size_t k = 0; k < kBlockSize; ++k) sum += frame[k] ^ static_cast<std::uint8_t>(k);
  for (std::size_t k = kBlockSize; k < kFrameChecksum; ++k) sum += frame[k];
  return sum;
}

BlockFrame BuildFrame(const ImageBytes& image, int block) {
  if (block < 0 || block >= static_cast<int>(kBlockCount)) {
    throw std::out_of_range("block number " + std::to_string(block) + " out of range 0..3");
  }
  BlockFrame frame{};
  const std::size_t start = static_cast<std::size_t>(block) * kBlockSize;
  for (std::size_t k = 0; k < kBlockSize; ++k) frame[k] = image[start + k];
  frame[kFrameBlockNumber] = static_cast<std::uint8_t>(block);
  // Frames we send carry the sum most significant byte first.
  const std::uint32_t sum = FrameChecksum(frame);
  for (std::size_t k = 0; k < 4; ++k) {
    frame[kFrameChecksum + k] = static_cast<std::uint8_t>(sum >> (24 - 8 * k));
  }
  return frame;
}

std::string FrameToHex(const BlockFrame& frame) {
  std::string hex;
  hex.reserve(kFrameHexDigits);
  for (std::uint8_t byte : frame) hex += HexByte(byte);
  return hex;
}

bool CheckReceivedChecksum(const BlockFrame& frame) {
  // The module sends the checksum least significant byte first, unlike the frames we send.
  std::uint32_t stored = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    stored |= static_cast<std::uint32_t>(frame[kFrameChecksum + k]) << (8 * k);
  }
  return stored == FrameChecksum(frame);
}

int UpperHexDigitValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  return -1;
}

bool DecodeBlockReply(const std::string& line, BlockFrame& frame) {
  // The dispatcher hands over only lines that begin "RDFL"; the digits follow it.
  if (line.size() != kBlockReplyLength) return false;
  constexpr std::size_t kFirstDigit = kBlockReplyLength - kFrameHexDigits;
  for (std::size_t i = 0; i < kFrameSize; ++i) {
    const int high = UpperHexDigitValue(line[kFirstDigit + 2 * i]);
    const int low = UpperHexDigitValue(line[kFirstDigit + 2 * i + 1]);
    if (high < 0 || low < 0) return false;  // what was decoded so far stays
    frame[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return CheckReceivedChecksum(frame);
}
