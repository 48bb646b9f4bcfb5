#include "module_logic.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "protocol/line_protocol.h"

namespace {

constexpr std::size_t kChecksumBytes = 4;
constexpr std::size_t kNoiseMaxLength = 16;

// The frame's sum in the order it travels: the module sends it least significant
// byte first, the tool most significant byte first.
void StoreChecksumLsbFirst(BlockFrame& frame, std::uint32_t sum) {
  for (std::size_t i = 0; i < kChecksumBytes; ++i) {
    frame[kFrameChecksum + i] = static_cast<std::uint8_t>(sum >> (8 * i));
  }
}

std::uint32_t ReadChecksumMsbFirst(const BlockFrame& frame) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < kChecksumBytes; ++i) sum = (sum << 8) | frame[kFrameChecksum + i];
  return sum;
}

// A line the tool ignores: it starts with nothing the dispatcher knows and holds no
// CR or LF, which would end it early.
std::string NoiseLine(std::mt19937& random) {
  static constexpr std::string_view kKnownStarts = "[<OCWR";
  std::string line;
  const std::size_t length = 1 + random() % kNoiseMaxLength;
  while (line.size() < length) {
    const char c = static_cast<char>(random() % 256);
    if (c == kCR || c == kLF) continue;
    if (line.empty() && kKnownStarts.find(c) != std::string_view::npos) continue;
    line += c;
  }
  return line + kReplyEnd;
}

// "RDFL000" and one digit 0 to 3 names a block; -1 for anything else.
int ReadBlockNumber(const std::string& line) {
  if (line.size() != kReadBlockCommand.size() + 1 || !line.starts_with(kReadBlockCommand)) return -1;
  const char digit = line.back();
  return digit >= '0' && digit < static_cast<char>('0' + kBlockCount) ? digit - '0' : -1;
}

}  // namespace

std::string BlockReplyLine(const ImageBytes& memory, int block, const SimFaults& faults) {
  BlockFrame frame = BuildFrame(memory, block);
  if (block == faults.wrongBlock) {
    frame[kFrameBlockNumber] = static_cast<std::uint8_t>((block + 1) % kBlockCount);
  }
  std::uint32_t sum = FrameChecksum(frame);
  if (block == faults.badChecksum) ++sum;
  StoreChecksumLsbFirst(frame, sum);
  std::string digits = FrameToHex(frame);
  if (faults.lowercaseHex) {
    std::transform(digits.begin(), digits.end(), digits.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  }
  return std::string(kBlockReply) + digits + kReplyEnd;
}

std::optional<BlockFrame> DecodeWriteFrame(const std::string& digits) {
  if (digits.size() != kFrameHexDigits) return std::nullopt;
  BlockFrame frame{};
  // The tool's own decoder fills the frame; its verdict reads the other byte order.
  DecodeBlockReply(std::string(kBlockReply) + digits, frame);
  // Re-encoding gives the same text only when every digit was upper-case hex.
  if (FrameToHex(frame) != digits) return std::nullopt;
  if (ReadChecksumMsbFirst(frame) != FrameChecksum(frame)) return std::nullopt;
  if (frame[kFrameBlockNumber] >= kBlockCount) return std::nullopt;
  return frame;
}

ModuleLogic::ModuleLogic(const ImageBytes& memory, const SimFaults& faults, std::uint32_t seed)
    : memory_(memory), faults_(faults), random_(seed) {}

void ModuleLogic::Reply(ModuleAnswer& answer, const std::string& line) {
  if (faults_.garbageRate > 0 && random_() < faults_.garbageRate * static_cast<double>(random_.max())) {
    answer.bytes += NoiseLine(random_);
  }
  answer.bytes += line;
  ++answer.replies;
}

ModuleAnswer ModuleLogic::HandleLine(const std::string& line) {
  ModuleAnswer answer;
  if (awaitingFrame_) {
    awaitingFrame_ = false;
    HandleWriteFrame(answer, line);
    return answer;
  }
  ++commandsSeen_;
  if (faults_.silent) return answer;

  if (const int block = ReadBlockNumber(line); block >= 0) {
    Reply(answer, BlockReplyLine(memory_, block, faults_));
  } else if (line == kWriteBlockCommand) {
    awaitingFrame_ = true;
  } else if (line == kActivateCommand) {
    Activate(answer);
  } else if (line == kPollCommand) {
    Reply(answer, status_.StatusLine(random_) + kReplyEnd);
    if (const std::string message = status_.MessageLine(random_); !message.empty()) {
      Reply(answer, message + kReplyEnd);
    }
  }
  return answer;
}

void ModuleLogic::HandleWriteFrame(ModuleAnswer& answer, const std::string& digits) {
  if (faults_.silent) return;
  const std::optional<BlockFrame> frame = DecodeWriteFrame(digits);
  const int block = frame ? (*frame)[kFrameBlockNumber] : -1;
  if (!frame || block == faults_.rejectWrite) {
    Reply(answer, std::string(kWriteRejectReply) + kReplyEnd);
    return;
  }
  auto& slot = pending_[static_cast<std::size_t>(block)].emplace();
  std::copy_n(frame->begin(), kBlockSize, slot.begin());
  Reply(answer, std::string(kWriteReply) + kReplyEnd);
}

void ModuleLogic::Activate(ModuleAnswer& answer) {
  if (faults_.noCrcOk) return;
  for (std::size_t b = 0; b < kBlockCount; ++b) {
    if (!pending_[b]) continue;
    std::copy(pending_[b]->begin(), pending_[b]->end(), memory_.begin() + static_cast<std::ptrdiff_t>(b * kBlockSize));
    pending_[b].reset();
  }
  if (onActivate_) onActivate_(memory_);
  Reply(answer, std::string(kActivateReply) + kReplyEnd);
}
