#include "protocol/block_frame.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "fake_port_link.h"
#include "protocol/line_protocol.h"
#include "tests/support/raised.h"
#include "tests/support/test_images.h"

namespace {

// The wire form written out independently of the codec.
std::string Hex(const BlockFrame& frame) {
  std::string out;
  char pair[3];
  for (std::uint8_t b : frame) {
    std::snprintf(pair, sizeof pair, "%02X", b);
    out += pair;
  }
  return out;
}

// The module's reply for a frame: the checksum least significant byte first.
BlockFrame AsReceived(BlockFrame frame, std::uint32_t sum) {
  for (int k = 0; k < 4; ++k) frame[kFrameChecksum + k] = static_cast<std::uint8_t>(sum >> (8 * k));
  return frame;
}

std::string Reply(const BlockFrame& frame) { return "RDFL" + Hex(frame); }

BlockFrame Filled(std::uint8_t value) {
  BlockFrame frame;
  frame.fill(value);
  return frame;
}

std::array<std::uint8_t, 4> ChecksumBytes(const BlockFrame& frame) {
  return {frame[266], frame[267], frame[268], frame[269]};
}

// ---- FrameChecksum ----

TEST(FrameChecksum, WorkedExamples) {
  BlockFrame erased{};
  for (std::size_t k = 0; k < 256; ++k) erased[k] = 0xFF;
  EXPECT_EQ(FrameChecksum(erased), 0x7F80u);
  erased[265] = 3;
  EXPECT_EQ(FrameChecksum(erased), 0x7F83u);
  EXPECT_EQ(FrameChecksum(BlockFrame{}), 32640u);  // zeros XORed with their offsets
}

TEST(FrameChecksum, DataEqualToItsOffsetSumsToZero) {
  BlockFrame frame{};
  for (std::size_t k = 0; k < 256; ++k) frame[k] = static_cast<std::uint8_t>(k);
  EXPECT_EQ(FrameChecksum(frame), 0u);
}

TEST(FrameChecksum, LargestSumIs67830) {
  BlockFrame frame = Filled(0xFF);
  for (std::size_t k = 0; k < 256; ++k) frame[k] = static_cast<std::uint8_t>(~k);
  EXPECT_EQ(FrameChecksum(frame), 67830u);
}

TEST(FrameChecksum, TrailerBytesCountAsTheyAreAndTheChecksumFieldNot) {
  BlockFrame frame{};
  const std::uint32_t base = FrameChecksum(frame);
  for (std::size_t k = 256; k < 266; ++k) {
    BlockFrame f = frame;
    f[k] = 0x40;
    EXPECT_EQ(FrameChecksum(f), base + 0x40) << k;
  }
  for (std::size_t k = 266; k < 270; ++k) {
    BlockFrame f = frame;
    f[k] = 0x40;
    EXPECT_EQ(FrameChecksum(f), base) << k;
  }
}

// ---- BuildFrame ----

TEST(BuildFrame, ErasedBlocksCarryTheSumMostSignificantByteFirst) {
  const struct {
    int block;
    std::array<std::uint8_t, 4> sum;
  } rows[] = {{0, {0x00, 0x00, 0x7F, 0x80}},
              {1, {0x00, 0x00, 0x7F, 0x81}},
              {2, {0x00, 0x00, 0x7F, 0x82}},
              {3, {0x00, 0x00, 0x7F, 0x83}}};
  for (const auto& row : rows) {
    const BlockFrame frame = BuildFrame(ErasedImage(), row.block);
    EXPECT_EQ(ChecksumBytes(frame), row.sum) << row.block;
    EXPECT_EQ(frame[265], row.block);
  }
}

TEST(BuildFrame, CarriesItsOwnQuarterOfTheImageAndZeros) {
  ImageBytes image;
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  for (int block = 0; block < 4; ++block) {
    const BlockFrame frame = BuildFrame(image, block);
    for (std::size_t k = 0; k < 256; ++k) ASSERT_EQ(frame[k], image[block * 256 + k]) << block << " " << k;
    for (std::size_t k = 256; k < 265; ++k) EXPECT_EQ(frame[k], 0) << k;
    const std::uint32_t sum = FrameChecksum(frame);
    EXPECT_EQ(ChecksumBytes(frame), (std::array<std::uint8_t, 4>{std::uint8_t(sum >> 24), std::uint8_t(sum >> 16),
                                                                 std::uint8_t(sum >> 8), std::uint8_t(sum)}));
  }
}

TEST(BuildFrame, LargestSentSumFillsTheLowTwoBytes) {
  ImageBytes image{};
  for (std::size_t k = 0; k < 256; ++k) image[768 + k] = static_cast<std::uint8_t>(~k);  // each adds 255
  const BlockFrame frame = BuildFrame(image, 3);
  EXPECT_EQ(FrameChecksum(frame), 65283u);
  EXPECT_EQ(ChecksumBytes(frame), (std::array<std::uint8_t, 4>{0x00, 0x00, 0xFF, 0x03}));
}

TEST(BuildFrame, BlockNumberOutOfRangeIsRefused) {
  for (int block : {-1, 4, 255}) {
    const auto error = Raised<std::out_of_range>([&] { BuildFrame(ErasedImage(), block); });
    ASSERT_TRUE(error) << block;
    EXPECT_EQ(std::string(error->what()), "block number " + std::to_string(block) + " out of range 0..3");
  }
}

// ---- FrameToHex ----

TEST(FrameToHex, ErasedBlockZeroOnTheWire) {
  const std::string expected = std::string(512, 'F') + std::string(18, '0') + "00" + "00007F80";
  EXPECT_EQ(FrameToHex(BuildFrame(ErasedImage(), 0)), expected);
}

TEST(FrameToHex, EveryByteUpperCaseHighNibbleFirst) {
  BlockFrame frame;
  for (std::size_t k = 0; k < frame.size(); ++k) frame[k] = static_cast<std::uint8_t>(k * 37 + 11);
  const std::string hex = FrameToHex(frame);
  EXPECT_EQ(hex.size(), kFrameHexDigits);
  EXPECT_EQ(hex, Hex(frame));
}

TEST(FrameToHex, WriteSendsTheSameDigitsByteByByte) {
  FakePortLink port;
  const BlockFrame frame = BuildFrame(ErasedImage(), 2);
  for (std::uint8_t b : frame) SendHexByte(port, b);
  std::string joined;
  for (const auto& w : port.writes) joined += w;
  EXPECT_EQ(port.writes.size(), kFrameSize);
  EXPECT_EQ(joined, FrameToHex(frame));
}

// ---- UpperHexDigitValue ----

TEST(UpperHexDigitValue, UpperCaseOnly) {
  const std::string digits = "0123456789ABCDEF";
  for (int v = 0; v < 16; ++v) EXPECT_EQ(UpperHexDigitValue(digits[v]), v);
  for (char c : std::string("abcdefGgXx /:@`\x7F\x80\xFF")) EXPECT_EQ(UpperHexDigitValue(c), -1) << int(c);
  EXPECT_EQ(UpperHexDigitValue('\0'), -1);
}

// ---- CheckReceivedChecksum ----

TEST(CheckReceivedChecksum, ReadsLeastSignificantByteFirst) {
  BlockFrame frame{};
  for (std::size_t k = 0; k < 256; ++k) frame[k] = 0xFF;
  const struct {
    std::array<std::uint8_t, 4> bytes;
    bool good;
  } rows[] = {
      {{0x80, 0x7F, 0x00, 0x00}, true},  {{0x00, 0x00, 0x7F, 0x80}, false},  // the order we send in
      {{0x7F, 0x80, 0x00, 0x00}, false}, {{0x80, 0x7F, 0x00, 0x01}, false}, {{0x81, 0x7F, 0x00, 0x00}, false},
  };
  for (const auto& row : rows) {
    for (int k = 0; k < 4; ++k) frame[266 + k] = row.bytes[k];
    EXPECT_EQ(CheckReceivedChecksum(frame), row.good);
  }
}

TEST(CheckReceivedChecksum, SumAbove16BitsReadsTheThirdByte) {
  BlockFrame frame = Filled(0xFF);
  for (std::size_t k = 0; k < 256; ++k) frame[k] = static_cast<std::uint8_t>(~k);
  frame = AsReceived(frame, 67830);  // 0x000108F6
  EXPECT_EQ(ChecksumBytes(frame), (std::array<std::uint8_t, 4>{0xF6, 0x08, 0x01, 0x00}));
  EXPECT_TRUE(CheckReceivedChecksum(frame));
  frame[268] = 0x00;
  EXPECT_FALSE(CheckReceivedChecksum(frame));
}

// ---- DecodeBlockReply ----

class DecodeReply : public ::testing::Test {
 protected:
  BlockFrame target = Filled(0xAA);  // what was there before
  BlockFrame erased0 = AsReceived(BuildFrame(ErasedImage(), 0), 0x7F80);
};

TEST_F(DecodeReply, ErasedBlockZeroFromTheModule) {
  const std::string line = Reply(erased0);
  ASSERT_EQ(line.size(), 544u);
  EXPECT_EQ(line.substr(4 + 532), "807F0000");
  EXPECT_TRUE(DecodeBlockReply(line, target));
  EXPECT_EQ(target, erased0);
}

TEST_F(DecodeReply, EveryImageBlockRoundTrips) {
  ImageBytes image;
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i ^ (i >> 3));
  for (int block = 0; block < 4; ++block) {
    BlockFrame sent = BuildFrame(image, block);
    const BlockFrame received = AsReceived(sent, FrameChecksum(sent));
    EXPECT_TRUE(DecodeBlockReply(Reply(received), target)) << block;
    EXPECT_EQ(target, received);
  }
}

TEST_F(DecodeReply, WrongLengthLeavesTheFrameUntouched) {
  const std::string good = Reply(erased0);
  for (const std::string& line :
       {good.substr(0, 543), good + "0", good.substr(0, 542), good + "00", std::string("RDFL"), std::string()}) {
    EXPECT_FALSE(DecodeBlockReply(line, target)) << line.size();
    EXPECT_EQ(target, Filled(0xAA)) << line.size();
  }
}

TEST_F(DecodeReply, ChecksumInSendingOrderIsBad) {
  const BlockFrame sent = BuildFrame(ErasedImage(), 0);
  EXPECT_FALSE(DecodeBlockReply(Reply(sent), target));
  EXPECT_EQ(target, sent);  // all of it was decoded before the check
}

TEST_F(DecodeReply, ChecksumThatReadsTheSameBothWaysPasses) {
  ImageBytes image{};
  for (std::size_t k = 0; k < 256; ++k) image[k] = static_cast<std::uint8_t>(k);  // sums to 0
  const BlockFrame sent = BuildFrame(image, 0);
  EXPECT_TRUE(DecodeBlockReply(Reply(sent), target));
}

TEST_F(DecodeReply, OneFlippedBitAnywhereIsBad) {
  for (std::size_t k = 0; k < kFrameSize; k += 13) {
    BlockFrame frame = erased0;
    frame[k] ^= 0x10;
    EXPECT_FALSE(DecodeBlockReply(Reply(frame), target)) << k;
  }
}

TEST_F(DecodeReply, BlockNumberAndZeroBytesAreNotTested) {
  BlockFrame frame = BuildFrame(ErasedImage(), 0);
  frame[256] = 0x12;
  frame[264] = 0x34;
  frame[265] = 0x09;
  frame = AsReceived(frame, FrameChecksum(frame));
  EXPECT_TRUE(DecodeBlockReply(Reply(frame), target));
  EXPECT_EQ(target, frame);
}

TEST_F(DecodeReply, BadDigitStopsDecodingThere) {
  const struct {
    std::size_t digit;  // index among the 540 digits
    char bad;
  } rows[] = {{0, 'f'}, {1, 'f'}, {20, 'a'}, {21, 'G'}, {300, ' '}, {531, '\0'}, {532, 'c'}, {539, '\xFF'}};
  for (const auto& row : rows) {
    BlockFrame before = Filled(0xAA);
    std::string line = Reply(erased0);
    line[4 + row.digit] = row.bad;
    EXPECT_FALSE(DecodeBlockReply(line, before)) << row.digit;
    const std::size_t stopped = row.digit / 2;
    for (std::size_t k = 0; k < kFrameSize; ++k) {
      ASSERT_EQ(before[k], k < stopped ? erased0[k] : 0xAA) << row.digit << " byte " << k;
    }
  }
}

TEST_F(DecodeReply, AllLowerCaseIsBad) {
  std::string line = Reply(AsReceived(BuildFrame(ErasedImage(), 1), 0x7F81));
  for (std::size_t i = 4; i < line.size(); ++i) line[i] = static_cast<char>(std::tolower(line[i]));
  EXPECT_FALSE(DecodeBlockReply(line, target));
}

}  // namespace
