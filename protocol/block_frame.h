#pragma once
// The 270-byte frame that carries one 256-byte block, and its 540-digit wire form.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "params/parameter_image.h"

constexpr std::size_t kBlockSize = 256;
constexpr std::size_t kBlockCount = 4;
constexpr std::size_t kFrameSize = 270;
constexpr std::size_t kFrameBlockNumber = 265;
constexpr std::size_t kFrameChecksum = 266;
constexpr std::size_t kFrameHexDigits = 2 * kFrameSize;
constexpr std::size_t kBlockReplyLength = 4 + kFrameHexDigits;  // "RDFL" and the digits

using BlockFrame = std::array<std::uint8_t, kFrameSize>;

// The frame most recently decoded from a block reply, good or bad.
extern BlockFrame ReceivedFrame;

// Sum of bytes 0..265, each data byte first XORed with its offset.
std::uint32_t FrameChecksum(const BlockFrame& frame);
// Fills a frame from the image for block b; checksum most significant byte first.
// Raises std::out_of_range for a block number other than 0 to 3.
BlockFrame BuildFrame(const ImageBytes& image, int block);
// The value of one upper-case hex digit, or -1 for anything else (lower case included).
int UpperHexDigitValue(char digit);
// Two upper-case hex digits per byte, byte 0 first.
std::string FrameToHex(const BlockFrame& frame);
// True when bytes 266..269, read least significant byte first, equal the sum.
bool CheckReceivedChecksum(const BlockFrame& frame);
// Decodes "RDFL" + 540 upper-case hex digits into frame and verifies it.
// A wrong length leaves frame untouched; a bad digit stops decoding there.
bool DecodeBlockReply(const std::string& line, BlockFrame& frame);
