#include "line_protocol.h"

#include <utility>

namespace {

constexpr char kHexDigitChars[] = "0123456789ABCDEF";

void AssembleByte(std::uint8_t byte, ReplyState& state, const LineHandlers& handlers, std::size_t maxLineLength) {
  const char c = static_cast<char>(byte);
  if (c == kLF) return;
  if (c != kCR) {
    if (state.discardingLine) return;
    if (state.lineBuffer.size() == maxLineLength) {
      // Nothing the module sends comes near this; noise must not grow memory.
      state.lineBuffer.clear();
      state.lineBuffer.shrink_to_fit();
      state.discardingLine = true;
      return;
    }
    state.lineBuffer.push_back(c);
    return;
  }
  state.discardingLine = false;  // a dropped line left the buffer empty
  if (state.lineBuffer.empty()) return;
  // The line leaves the buffer before it is handled, so a handler that fails
  // leaves the buffer empty and the same line can never be dispatched twice.
  const std::string line = std::move(state.lineBuffer);
  state.lineBuffer.clear();
  DispatchLine(line, state, handlers);
}

}  // namespace

std::string HexByte(std::uint8_t byte) { return {kHexDigitChars[byte >> 4], kHexDigitChars[byte & 0x0F]}; }

void SendCommand(PortLink& port, std::string_view text) {
  if (!port.Connected()) return;
  std::string bytes(text);
  bytes.push_back(kCR);
  port.WriteText(bytes);
}

void SendHexByte(PortLink& port, std::uint8_t byte) {
  if (!port.Connected()) return;
  port.WriteText(HexByte(byte));
}

void SendTerminator(PortLink& port) {
  if (!port.Connected()) return;
  port.WriteText(std::string(1, kCR));
}

void ReceiveBytes(PortLink& port, int count, ReplyState& state, const LineHandlers& handlers,
                  std::size_t maxLineLength) {
  try {
    for (int i = 0; i < count; ++i) {
      std::uint8_t byte = 0;
      if (port.ReadBytes(&byte, 1) <= 0) return;  // nothing there after all
      AssembleByte(byte, state, handlers, maxLineLength);
    }
  } catch (...) {
    // A failed read or handler ends this notification quietly; bytes still
    // waiting are picked up by the next one.
  }
}

void DispatchLine(const std::string& line, ReplyState& state, const LineHandlers& handlers) {
  if (line.starts_with(kStatusLineStart) && handlers.statusLine) handlers.statusLine(line);
  if (line.starts_with(kMessageLineStart) && handlers.messageLine) handlers.messageLine(line);
  if (line.starts_with(kOkReply)) state.okSeen = 1;
  if (line.starts_with(kActivateReply)) state.activateConfirmed = 1;
  if (line.starts_with(kWriteReply)) state.writeConfirmed = 1;
  if (line.starts_with(kWriteRejectReply)) state.writeRejected = 1;
  if (line.starts_with(kBlockReply)) {
    const bool good = handlers.blockReply && handlers.blockReply(line);
    if (good) {
      state.blockGood = 1;
    } else {
      state.blockBad = 1;
    }
  }
}
