#pragma once
// The CR-terminated line protocol: the three send primitives, line assembly from
// received bytes, and the classification of each complete line.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "params/line_ends.h"
#include "port_link.h"
#include "reply_state.h"

// A line that grows this long without a CR is noise: it is dropped. (The fuzz target
// gives ReceiveBytes a smaller cap, so that it reaches past it often.)
constexpr std::size_t kMaxLineLength = 64 * 1024;

// What the module's lines begin with.
inline constexpr std::string_view kStatusLineStart = "[";
inline constexpr std::string_view kMessageLineStart = "<";
inline constexpr std::string_view kOkReply = "OK";
inline constexpr std::string_view kActivateReply = "CRCOK";
inline constexpr std::string_view kWriteReply = "WROK";
inline constexpr std::string_view kWriteRejectReply = "WRFLERR";
inline constexpr std::string_view kBlockReply = "RDFL";

// The commands the tool sends (SendCommand adds the CR).
inline constexpr std::string_view kPollCommand = "??";
// How often the module is polled while its state is watched.
inline constexpr std::chrono::milliseconds kPollInterval{500};
inline constexpr std::string_view kReadBlockCommand = "RDFL000";  // then the block number, one hex digit
inline constexpr std::string_view kWriteBlockCommand = "WRFL";
inline constexpr std::string_view kActivateCommand = "WRACT";

// Handlers that other parts of the protocol install. A missing status or message
// handler drops the line; a missing block decoder counts the reply as bad.
struct LineHandlers {
  std::function<void(const std::string& line)> statusLine;
  std::function<void(const std::string& line)> messageLine;
  std::function<bool(const std::string& line)> blockReply;  // true: good
};

// A byte as two upper-case hex digits, high nibble first.
std::string HexByte(std::uint8_t byte);

// Each does nothing when the port is not open; otherwise one write.
void SendCommand(PortLink& port, std::string_view text);  // text, CR
void SendHexByte(PortLink& port, std::uint8_t byte);      // two upper-case digits
void SendTerminator(PortLink& port);                      // CR

// Reads exactly count bytes, one per read, assembling lines in state.lineBuffer.
// A read or handler failure abandons the rest of the notification silently; a read
// that finds nothing ends it too. A line longer than maxLineLength is dropped.
void ReceiveBytes(PortLink& port, int count, ReplyState& state, const LineHandlers& handlers,
                  std::size_t maxLineLength = kMaxLineLength);

// Applies the seven tests one after the other, each independently.
void DispatchLine(const std::string& line, ReplyState& state, const LineHandlers& handlers);
