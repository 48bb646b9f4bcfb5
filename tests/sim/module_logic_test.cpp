// What the simulated module answers, line by line, without a line in between.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/block_frame.h"
#include "protocol/line_protocol.h"
#include "sim/module_logic.h"
#include "sim/sample_image.h"
#include "tests/support/test_images.h"

namespace {

ImageBytes Pattern(int seed) { return SteppedImage(7, seed); }

std::string WithoutEnd(const std::string& line) { return line.substr(0, line.size() - 2); }

std::string WriteDigits(const ImageBytes& image, int block) { return FrameToHex(BuildFrame(image, block)); }

// --- BlockReplyLine ---

TEST(BlockReplyLine, ErasedBlocksCarryTheSumLeastSignificantByteFirst) {
  const std::string data(512, 'F');
  const std::string zeros(18, '0');
  EXPECT_EQ(BlockReplyLine(ErasedImage(), 0, {}), "RDFL" + data + zeros + "00" + "807F0000" + "\r\n");
  EXPECT_EQ(BlockReplyLine(ErasedImage(), 3, {}), "RDFL" + data + zeros + "03" + "837F0000" + "\r\n");
}

TEST(BlockReplyLine, TheToolsDecoderTakesEveryBlockOfTheSample) {
  const ImageBytes sample = SampleImage();
  for (int b = 0; b < 4; ++b) {
    BlockFrame frame{};
    ASSERT_TRUE(DecodeBlockReply(WithoutEnd(BlockReplyLine(sample, b, {})), frame)) << "block " << b;
    EXPECT_EQ(frame[kFrameBlockNumber], b);
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 256, sample.begin() + b * 256)) << "block " << b;
  }
}

struct ReplyFaultRow {
  const char* name;
  SimFaults faults;
  int block;
  bool decodesGood;
  int blockNumber;
};

class BlockReplyFaults : public ::testing::TestWithParam<ReplyFaultRow> {};

TEST_P(BlockReplyFaults, BendOnlyTheirBlock) {
  const ReplyFaultRow& row = GetParam();
  BlockFrame frame{};
  EXPECT_EQ(DecodeBlockReply(WithoutEnd(BlockReplyLine(SampleImage(), row.block, row.faults)), frame), row.decodesGood);
  if (row.decodesGood) {
    EXPECT_EQ(frame[kFrameBlockNumber], row.blockNumber);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, BlockReplyFaults,
                         ::testing::Values(ReplyFaultRow{"WrongBlockOnItsBlock", {.wrongBlock = 1}, 1, true, 2},
                                           ReplyFaultRow{"WrongBlockWrapsAfterThree", {.wrongBlock = 3}, 3, true, 0},
                                           ReplyFaultRow{"WrongBlockOnAnother", {.wrongBlock = 1}, 0, true, 0},
                                           ReplyFaultRow{"BadChecksumOnItsBlock", {.badChecksum = 2}, 2, false, 0},
                                           ReplyFaultRow{"BadChecksumOnAnother", {.badChecksum = 2}, 1, true, 1},
                                           ReplyFaultRow{"LowercaseHex", {.lowercaseHex = true}, 0, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- DecodeWriteFrame ---

TEST(DecodeWriteFrame, TakesTheToolsOwnFrames) {
  const ImageBytes image = Pattern(3);
  for (int b = 0; b < 4; ++b) {
    const auto frame = DecodeWriteFrame(WriteDigits(image, b));
    ASSERT_TRUE(frame) << "block " << b;
    EXPECT_EQ(*frame, BuildFrame(image, b));
  }
}

struct NearMissRow {
  const char* name;
  std::string digits;
};

std::string Digits0() { return WriteDigits(Pattern(3), 0); }

std::string WithChecksumLsbFirst() {
  BlockFrame frame = BuildFrame(Pattern(3), 0);
  std::reverse(frame.begin() + kFrameChecksum, frame.end());
  return FrameToHex(frame);
}

std::string WithBlockNumber4() {
  BlockFrame frame = BuildFrame(Pattern(3), 0);
  frame[kFrameBlockNumber] = 4;
  const std::uint32_t sum = FrameChecksum(frame);
  for (int i = 0; i < 4; ++i) frame[kFrameChecksum + i] = static_cast<std::uint8_t>(sum >> (24 - 8 * i));
  return FrameToHex(frame);
}

std::string WithOneLowerCaseDigit() {
  std::string digits = Digits0();
  const auto letter = digits.find_first_of("ABCDEF");
  digits[letter] = static_cast<char>(digits[letter] - 'A' + 'a');
  return digits;
}

class DecodeWriteFrameNearMiss : public ::testing::TestWithParam<NearMissRow> {};

TEST_P(DecodeWriteFrameNearMiss, IsRefused) { EXPECT_FALSE(DecodeWriteFrame(GetParam().digits)); }

INSTANTIATE_TEST_SUITE_P(Rows, DecodeWriteFrameNearMiss,
                         ::testing::Values(NearMissRow{"Digits539", Digits0().substr(1)},
                                           NearMissRow{"Digits541", Digits0() + "0"}, NearMissRow{"Empty", ""},
                                           NearMissRow{"OneLowerCaseDigit", WithOneLowerCaseDigit()},
                                           NearMissRow{"NotHex", "G" + Digits0().substr(1)},
                                           NearMissRow{"ChecksumLsbFirst", WithChecksumLsbFirst()},
                                           NearMissRow{"BlockNumber4", WithBlockNumber4()}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- ModuleLogic::HandleLine ---

std::string Answer(ModuleLogic& logic, const std::string& line) { return logic.HandleLine(line).bytes; }

TEST(HandleLine, ReadsEachBlockOfItsMemory) {
  ModuleLogic logic(Pattern(5));
  for (int b = 0; b < 4; ++b) {
    EXPECT_EQ(Answer(logic, "RDFL000" + std::to_string(b)), BlockReplyLine(Pattern(5), b, {}));
  }
}

TEST(HandleLine, IgnoresWhatItDoesNotKnow) {
  ModuleLogic logic(Pattern(5));
  for (const char* line : {"RDFL0004", "RDFL000", "RDFL00000", "rdfl0000", "RDFL000A", "WRACT ", "??? ", "OK", "X"}) {
    EXPECT_EQ(Answer(logic, line), "") << line;
  }
}

TEST(HandleLine, WrittenBlocksWaitForActivation) {
  const ImageBytes next = Pattern(9);
  ModuleLogic logic(Pattern(5));
  ImageBytes saved{};
  int activations = 0;
  logic.SetOnActivate([&](const ImageBytes& memory) {
    saved = memory;
    ++activations;
  });
  for (int b = 0; b < 4; ++b) {
    EXPECT_EQ(Answer(logic, "WRFL"), "");
    EXPECT_EQ(Answer(logic, WriteDigits(next, b)), "WROK\r\n");
  }
  EXPECT_EQ(logic.Memory(), Pattern(5));
  EXPECT_EQ(Answer(logic, "WRACT"), "CRCOK\r\n");
  EXPECT_EQ(logic.Memory(), next);
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(saved, next);
}

TEST(HandleLine, ActivationTakesOnlyTheBlocksWritten) {
  const ImageBytes next = Pattern(9);
  ModuleLogic logic(Pattern(5));
  Answer(logic, "WRFL");
  Answer(logic, WriteDigits(next, 2));
  Answer(logic, "WRACT");
  ImageBytes expected = Pattern(5);
  std::copy_n(next.begin() + 512, 256, expected.begin() + 512);
  EXPECT_EQ(logic.Memory(), expected);
  // The pending block went in once; a second activation changes nothing.
  logic.SetMemory(Pattern(5));
  EXPECT_EQ(Answer(logic, "WRACT"), "CRCOK\r\n");
  EXPECT_EQ(logic.Memory(), Pattern(5));
}

TEST(HandleLine, ABadFrameIsRefusedAndTheNextLineIsACommandAgain) {
  ModuleLogic logic(Pattern(5));
  Answer(logic, "WRFL");
  EXPECT_EQ(Answer(logic, "??"), "WRFLERR\r\n");
  EXPECT_EQ(Answer(logic, "RDFL0001"), BlockReplyLine(Pattern(5), 1, {}));
}

TEST(HandleLine, RejectWriteRefusesOnlyItsBlock) {
  const ImageBytes next = Pattern(9);
  ModuleLogic logic(Pattern(5), {.rejectWrite = 1});
  Answer(logic, "WRFL");
  EXPECT_EQ(Answer(logic, WriteDigits(next, 0)), "WROK\r\n");
  Answer(logic, "WRFL");
  EXPECT_EQ(Answer(logic, WriteDigits(next, 1)), "WRFLERR\r\n");
  Answer(logic, "WRACT");
  ImageBytes expected = Pattern(5);
  std::copy_n(next.begin(), 256, expected.begin());
  EXPECT_EQ(logic.Memory(), expected);
}

TEST(HandleLine, NoCrcOkIgnoresActivation) {
  ModuleLogic logic(Pattern(5), {.noCrcOk = true});
  Answer(logic, "WRFL");
  EXPECT_EQ(Answer(logic, WriteDigits(Pattern(9), 0)), "WROK\r\n");
  EXPECT_EQ(Answer(logic, "WRACT"), "");
  EXPECT_EQ(logic.Memory(), Pattern(5));
}

TEST(HandleLine, SilentAnswersNothingButCountsCommands) {
  ModuleLogic logic(Pattern(5), {.silent = true});
  for (const char* line : {"RDFL0000", "??", "WRFL", "WRACT"}) EXPECT_EQ(Answer(logic, line), "") << line;
  EXPECT_EQ(Answer(logic, WriteDigits(Pattern(9), 0)), "");
  // Deaf to "WRFL" too, it takes the frame for one more line.
  EXPECT_EQ(logic.CommandsSeen(), 5);
  EXPECT_EQ(logic.Memory(), Pattern(5));
}

TEST(HandleLine, PollGivesAStatusLineAndNowAndThenAMessage) {
  ModuleLogic logic(Pattern(5));
  int messages = 0;
  for (int i = 0; i < 200; ++i) {
    const ModuleAnswer answer = logic.HandleLine("??");
    ASSERT_EQ(answer.bytes[0], '[');
    const auto end = answer.bytes.find("\r\n");
    ASSERT_EQ(end, 10u) << answer.bytes;
    if (answer.bytes.size() > end + 2) {
      ++messages;
      EXPECT_EQ(answer.bytes[end + 2], '<');
      EXPECT_EQ(answer.replies, 2);
    } else {
      EXPECT_EQ(answer.replies, 1);
    }
  }
  EXPECT_GT(messages, 0);
  EXPECT_LT(messages, 100);
}

// Noise must never look like a reply to the tool's dispatcher.
TEST(HandleLine, GarbageLinesAreIgnoredByTheDispatcher) {
  ModuleLogic logic(Pattern(5), {.garbageRate = 1.0});
  int handled = 0;
  LineHandlers handlers{[&](const std::string&) { ++handled; }, [&](const std::string&) { ++handled; },
                        [&](const std::string&) {
                          ++handled;
                          return true;
                        }};
  for (int i = 0; i < 500; ++i) {
    const ModuleAnswer answer = logic.HandleLine("WRACT");
    EXPECT_EQ(answer.replies, 1);
    ASSERT_TRUE(answer.bytes.ends_with("\r\nCRCOK\r\n")) << answer.bytes;
    const std::string noise = answer.bytes.substr(0, answer.bytes.size() - 9);
    ASSERT_FALSE(noise.empty());
    EXPECT_EQ(noise.find_first_of("\r\n"), std::string::npos);
    ReplyState reply;
    DispatchLine(noise, reply, handlers);
    EXPECT_EQ(handled, 0) << noise;
    EXPECT_EQ(reply.okSeen + reply.activateConfirmed + reply.writeConfirmed + reply.writeRejected + reply.blockGood +
                  reply.blockBad,
              0)
        << noise;
  }
}

TEST(HandleLine, GarbageComesAtAboutItsRate) {
  ModuleLogic logic(Pattern(5), {.garbageRate = 0.25});
  int noisy = 0;
  for (int i = 0; i < 2000; ++i) noisy += logic.HandleLine("WRACT").bytes != "CRCOK\r\n";
  EXPECT_GT(noisy, 400);
  EXPECT_LT(noisy, 600);
}

}  // namespace
