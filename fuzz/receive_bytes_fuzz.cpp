// The byte stream from the module, fed to ReceiveBytes in pieces of arbitrary
// sizes, with the real block, status and message handlers behind the dispatcher.
// The lines each handler sees and the flags left set are checked against a plain
// model of the framing: split at CR, LF dropped, empty and overlong lines dropped.
//
// The line cap is kLineCap here, not the program's 64 KiB: the same rules, reached
// with short inputs, thousands a second.
//
// Input: the stream (its first kMaxStream bytes), then four bytes that seed the piece
// sizes and the reads that fail. When the seed's top bit is set, the stream's bytes
// before its first CR are sent over and over until they pass the cap, so overlong
// lines, and what follows them, are within reach.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz/fuzz_temp_file.h"
#include "protocol/block_frame.h"
#include "protocol/line_protocol.h"
#include "protocol/status_decode.h"

// The harness's own code is neither traced nor checked: the code under test is, and
// the harness runs for every byte.
#define HARNESS __attribute__((no_sanitize("coverage", "address", "undefined")))

namespace {

constexpr std::size_t kSeedBytes = 4;
constexpr int kMaxFailedReads = 16;
constexpr std::uint32_t kRepeatFlag = 0x80000000u;
// Above the longest line the module sends (a block reply, 544 characters).
constexpr std::size_t kLineCap = 600;
// Room for an overlong line and a whole reply after it; bytes beyond are not sent.
constexpr std::size_t kMaxStream = 2 * kLineCap;

// Plays the serial link over the fuzz input; some reads fail, as a dying port's do,
// and take nothing with them.
class StreamPort : public PortLink {
 public:
  StreamPort(const std::uint8_t* data, std::size_t size, std::minstd_rand& random)
      : data_(data), size_(size), random_(random), readsToFailure_(NextFailure()) {}

  bool Connected() const override { return true; }
  int WriteText(const std::string& text) override { return static_cast<int>(text.size()); }
  HARNESS int ReadBytes(std::uint8_t* buffer, int count) override {
    if (count < 1) FuzzFail("ReadBytes asked for fewer than one byte");
    // About one read in 300 fails, kMaxFailedReads at the most.
    if (failedReads_ < kMaxFailedReads && --readsToFailure_ == 0) {
      ++failedReads_;
      readsToFailure_ = NextFailure();
      throw std::runtime_error("ReadFile function failed");
    }
    int n = 0;
    while (n < count && pos_ < size_) buffer[n++] = data_[pos_++];
    return n;
  }
  std::size_t Left() const { return size_ - pos_; }

 private:
  int NextFailure() { return static_cast<int>(1 + random_() % 599); }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  int failedReads_ = 0;
  std::minstd_rand& random_;
  int readsToFailure_;
};

struct Seen {
  std::vector<std::string> status, message, block;
  bool anyGood = false, anyBad = false;
  int shown = 0, added = 0;
};

class CountingDisplay : public StatusDisplay {
 public:
  explicit CountingDisplay(Seen& seen) : seen_(seen) {}
  void ShowStatus(const ModuleStatus&) override { ++seen_.shown; }
  void AddMessage(const std::string&) override { ++seen_.added; }

 private:
  Seen& seen_;
};

bool Begins(const std::string& line, const char* prefix) { return line.rfind(prefix, 0) == 0; }

// The framing rules on their own.
struct ModelFraming {
  std::string buffer;
  bool discarding = false;
  std::vector<std::string> lines;

  HARNESS void Feed(std::uint8_t byte) {
    if (byte == static_cast<std::uint8_t>(kLF)) return;
    if (byte == static_cast<std::uint8_t>(kCR)) {
      if (!discarding && !buffer.empty()) lines.push_back(buffer);
      buffer.clear();
      discarding = false;
      return;
    }
    if (discarding) return;
    if (buffer.size() == kLineCap) {
      buffer.clear();
      discarding = true;
      return;
    }
    buffer.push_back(static_cast<char>(byte));
  }
};

HARNESS int PieceSize(std::minstd_rand& random, std::size_t left) {
  switch (random() % 8) {
    case 0: return static_cast<int>(left + 1 + random() % 8);  // the port counted more than came
    case 1: return static_cast<int>(1 + random() % 600);
    default: return static_cast<int>(1 + random() % 8);
  }
}

}  // namespace

extern "C" HARNESS int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint32_t seed = 0;
  std::size_t streamSize = size;
  if (size >= kSeedBytes) {
    streamSize = size - kSeedBytes;
    for (std::size_t k = 0; k < kSeedBytes; ++k) seed |= static_cast<std::uint32_t>(data[streamSize + k]) << (8 * k);
  }
  std::minstd_rand random(seed == 0 ? 1 : seed);
  std::vector<std::uint8_t> stream(data, data + std::min(streamSize, kMaxStream));
  if ((seed & kRepeatFlag) != 0) {
    const auto firstCr = std::find(stream.begin(), stream.end(), static_cast<std::uint8_t>(kCR));
    const std::vector<std::uint8_t> head(stream.begin(), firstCr);
    std::vector<std::uint8_t> copies;
    while (!head.empty() && copies.size() + head.size() <= kLineCap) {
      copies.insert(copies.end(), head.begin(), head.end());
    }
    stream.insert(stream.begin(), copies.begin(), copies.end());
  }

  Seen seen;
  CountingDisplay display(seen);
  LineHandlers handlers;
  handlers.statusLine = [&](const std::string& line) {
    seen.status.push_back(line);
    HandleStatusLine(line, &display);
  };
  handlers.messageLine = [&](const std::string& line) {
    seen.message.push_back(line);
    HandleMessageLine(line, &display);
  };
  handlers.blockReply = [&](const std::string& line) {
    seen.block.push_back(line);
    const bool good = DecodeBlockReply(line, ReceivedFrame);
    (good ? seen.anyGood : seen.anyBad) = true;
    return good;
  };

  ReplyState state;
  StreamPort port(stream.data(), stream.size(), random);
  // Every call takes at least one byte unless a read fails, and failures are few.
  for (int calls = 0; port.Left() > 0; ++calls) {
    if (calls > static_cast<int>(stream.size()) + kMaxFailedReads) FuzzFail("the stream stopped being read");
    ReceiveBytes(port, PieceSize(random, port.Left()), state, handlers, kLineCap);
    if (state.lineBuffer.size() > kLineCap) FuzzFail("the line buffer outgrew its bound");
  }

  ModelFraming model;
  for (const std::uint8_t byte : stream) model.Feed(byte);

  Seen expected;
  int statusLines = 0, messageLines = 0;
  bool ok = false, activate = false, write = false, reject = false;
  for (const std::string& line : model.lines) {
    if (Begins(line, "[")) {
      expected.status.push_back(line);
      statusLines += DecodeStatusLine(line).has_value();
    }
    if (Begins(line, "<")) {
      expected.message.push_back(line);
      messageLines += DecodeMessageLine(line).has_value();
    }
    ok |= Begins(line, "OK");
    activate |= Begins(line, "CRCOK");
    write |= Begins(line, "WROK");
    reject |= Begins(line, "WRFLERR");
    if (Begins(line, "RDFL")) expected.block.push_back(line);
  }

  if (seen.status != expected.status) FuzzFail("status lines differ from the framing");
  if (seen.message != expected.message) FuzzFail("message lines differ from the framing");
  if (seen.block != expected.block) FuzzFail("block replies differ from the framing");
  if (seen.shown != statusLines || seen.added != messageLines) FuzzFail("display calls differ from the decoders");
  if ((state.okSeen != 0) != ok || (state.activateConfirmed != 0) != activate || (state.writeConfirmed != 0) != write ||
      (state.writeRejected != 0) != reject) {
    FuzzFail("a reply flag differs from the lines received");
  }
  if ((state.blockGood != 0) != seen.anyGood || (state.blockBad != 0) != seen.anyBad) {
    FuzzFail("block flags differ from the decoder's answers");
  }
  if (state.lineBuffer != model.buffer) FuzzFail("the unfinished line differs from the framing");
  return 0;
}
