#include "transfer.h"

#include <algorithm>
#include <string>

#include "line_protocol.h"

int TransferCountdown = 0;
std::array<BlockFrame, kBlockCount> FrameStage{};

void TickCountdown() {
  if (TransferCountdown > 0) --TransferCountdown;
}

namespace {

// Pumps events until done() holds, the countdown runs out or the connection is gone
// (a hang-up closed the port meanwhile). The pump blocks until the next event (a tick
// is one), so the wait never spins.
template <typename Done>
void Wait(TransferLink& link, int ticks, Done done) {
  TransferCountdown = ticks;
  while (TransferCountdown > 0) {
    link.pump.ProcessEvents();
    if (done() || !link.port.Connected()) return;
  }
}

void Indicate(TransferLink& link, int block, IndicatorColour colour) {
  if (link.view) link.view->SetIndicator(block, colour);
}

void IndicateAll(TransferLink& link, IndicatorColour colour) {
  if (link.view) link.view->SetAllIndicators(colour);
}

void EnableControls(TransferLink& link, bool enabled) {
  if (link.view) link.view->SetControlsEnabled(enabled);
}

void ShowComparison(TransferLink& link, int block, BlockComparison::Outcome outcome,
                    const ImageDifference& difference = {}) {
  if (link.view) link.view->ShowComparison(block, {outcome, difference});
}

// The common start and end of the three procedures. A link error from a send ends
// the procedure at once, but the buttons come back before it goes on to the error
// handler; the window is only ever hidden, so they would stay dead otherwise.
template <typename Body>
TransferResult RunProcedure(TransferLink& link, IndicatorColour startColour, Body body) {
  if (!link.port.Connected()) {
    if (link.notice) link.notice->ShowPlainMessage(kNoConnectionText);
    return {TransferStop::PortClosed};
  }
  IndicateAll(link, startColour);
  EnableControls(link, false);
  // Nothing received before the first command can answer it: a noise byte or half a
  // line left from before would spoil the first reply.
  link.reply.ClearLine();
  TransferResult result;
  try {
    result = body();
  } catch (...) {
    EnableControls(link, true);
    throw;
  }
  EnableControls(link, true);
  // The line hung up during the procedure and the port was closed: the lamp of the
  // block in hand turned red, and this says why.
  if (!link.port.Connected() && link.notice) link.notice->ShowPlainMessage(kNoConnectionText);
  return result;
}

// A stop at block (kNoBlock: none in hand) for why, unless the port was closed meanwhile,
// which ended the wait and is the better reason.
TransferResult Stopped(TransferLink& link, int block, TransferStop why) {
  return {link.port.Connected() ? why : TransferStop::PortClosed, block};
}

void BlockDone(TransferLink& link, int block) {
  Indicate(link, block, IndicatorColour::Green);
  if (link.blockDone) link.blockDone(block);
}

// Asks for block b and waits for its reply; done when a good reply for that very
// block came in time. The decoder does not look at the block number, so it is
// checked here.
TransferResult RequestBlock(TransferLink& link, int block) {
  ReplyState& reply = link.reply;
  reply.blockGood = 0;
  reply.blockBad = 0;
  // Blocks 0 to 3: one hex digit is the decimal digit.
  SendCommand(link.port, std::string(kReadBlockCommand) + static_cast<char>('0' + block));
  Wait(link, kBlockReplyTicks, [&] { return reply.blockGood || reply.blockBad; });
  const int replyBlock = ReceivedFrame[kFrameBlockNumber];
  if (reply.blockGood && replyBlock == block) return {};
  if (reply.blockGood && link.port.Connected()) return {TransferStop::OtherBlock, block, replyBlock};
  return Stopped(link, block, reply.blockBad ? TransferStop::BadReply : TransferStop::NoReply);
}

}  // namespace

// The image changes only when all four blocks came in: a failed read leaves the
// user's image as it was, unsaved edits included.
TransferResult ReadModule(TransferLink& link) {
  return RunProcedure(link, IndicatorColour::White, [&] {
    for (int b = 0; b < static_cast<int>(kBlockCount); ++b) {
      if (const TransferResult stop = RequestBlock(link, b); !stop.Done()) {
        Indicate(link, b, IndicatorColour::Red);
        return stop;
      }
      BlockDone(link, b);
      FrameStage[static_cast<std::size_t>(b)] = ReceivedFrame;
    }
    for (std::size_t b = 0; b < kBlockCount; ++b) {
      std::copy_n(FrameStage[b].begin(), kBlockSize,
                  ParameterImage.begin() + static_cast<std::ptrdiff_t>(b * kBlockSize));
    }
    return TransferResult{};
  });
}

// A block the module does not confirm turns red, so the failure is seen.
TransferResult WriteModule(TransferLink& link) {
  return RunProcedure(link, IndicatorColour::White, [&] {
    for (std::size_t b = 0; b < kBlockCount; ++b) FrameStage[b] = BuildFrame(ParameterImage, static_cast<int>(b));
    ReplyState& reply = link.reply;
    for (int b = 0; b < static_cast<int>(kBlockCount); ++b) {
      // "WRFL" CR, the 540 digits, CR: one write, so that the frame leaves as one
      // piece. A "WROK" can only answer its last CR. No wait ends on "WRFLERR", but
      // it says why a block was not confirmed, so it is cleared with "WROK".
      reply.writeConfirmed = 0;
      reply.writeRejected = 0;
      SendCommand(link.port,
                  std::string(kWriteBlockCommand) + kCR + FrameToHex(FrameStage[static_cast<std::size_t>(b)]));
      // "WRFLERR" does not end this wait: a refused block fails by time-out.
      Wait(link, kWriteConfirmTicks, [&] { return reply.writeConfirmed != 0; });
      if (!reply.writeConfirmed) {
        Indicate(link, b, IndicatorColour::Red);
        return Stopped(link, b, reply.writeRejected ? TransferStop::Refused : TransferStop::NotConfirmed);
      }
      BlockDone(link, b);
    }
    reply.activateConfirmed = 0;
    SendCommand(link.port, kActivateCommand);
    Wait(link, kActivateTicks, [&] { return reply.activateConfirmed != 0; });
    if (!reply.activateConfirmed) {
      IndicateAll(link, IndicatorColour::Red);
      return Stopped(link, kNoBlock, TransferStop::ActivationNotConfirmed);
    }
    return TransferResult{};
  });
}

TransferResult WriteModule(TransferLink& link, const ImageBytes& image) {
  ParameterImage = image;
  return WriteModule(link);
}

TransferResult CompareModule(TransferLink& link) {
  return RunProcedure(link, IndicatorColour::Yellow, [&] {
    for (int b = 0; b < static_cast<int>(kBlockCount); ++b) {
      if (const TransferResult stop = RequestBlock(link, b); !stop.Done()) {
        Indicate(link, b, IndicatorColour::Red);
        ShowComparison(link, b, BlockComparison::Outcome::NoValidReply);
        return stop;
      }
      const std::size_t base = static_cast<std::size_t>(b) * kBlockSize;
      // Image byte 1023 is not a setting; the module may hold anything there.
      const std::size_t last = std::min(base + kBlockSize - 1, kLastComparedByte);
      if (!std::equal(ParameterImage.begin() + static_cast<std::ptrdiff_t>(base),
                      ParameterImage.begin() + static_cast<std::ptrdiff_t>(last + 1), ReceivedFrame.begin())) {
        Indicate(link, b, IndicatorColour::Red);
        // The module's block in the tool's image: a field reaching into the next block
        // shows the tool's bytes there, the only ones at hand.
        ImageBytes module = ParameterImage;
        std::copy_n(ReceivedFrame.begin(), kBlockSize, module.begin() + static_cast<std::ptrdiff_t>(base));
        ShowComparison(link, b, BlockComparison::Outcome::Differs, CompareImages(ParameterImage, module, base, last));
        return TransferResult{TransferStop::Differs, b};
      }
      BlockDone(link, b);
      ShowComparison(link, b, BlockComparison::Outcome::Equal);
    }
    return TransferResult{};
  });
}
