#pragma once
// Reading, writing and comparing the module's parameter memory block by block.
// Each procedure runs to completion on the user-interface thread, pumping events
// while it waits for a reply.

#include <array>
#include <chrono>
#include <string>

#include "block_frame.h"
#include "event_pump.h"
#include "params/image_diff.h"
#include "port_link.h"
#include "reply_state.h"

enum class IndicatorColour { White, Yellow, Silver, Green, Red };

// What a compare found in one block, so the lamp it coloured can say why.
struct BlockComparison {
  enum class Outcome { Equal, Differs, NoValidReply };
  Outcome outcome = Outcome::Equal;
  ImageDifference difference;  // the tool's image against the module's, within the block
};

// The transfer window implements it; with none installed the procedures show nothing.
class TransferView {
 public:
  virtual ~TransferView() = default;
  virtual void SetIndicator(int block, IndicatorColour colour) = 0;
  virtual void SetAllIndicators(IndicatorColour colour) = 0;
  virtual void SetControlsEnabled(bool enabled) = 0;
  // After the compare coloured block's lamp; views that explain nothing ignore it.
  virtual void ShowComparison(int /*block*/, const BlockComparison& /*comparison*/) {}
};

// A plain message box: the application's title as caption, no icon, OK.
class UserNotice {
 public:
  virtual ~UserNotice() = default;
  virtual void ShowPlainMessage(const std::string& text) = 0;
};

inline constexpr char kNoConnectionText[] = " Nincs soros kapcsolat.";

// One tick of TransferCountdown: the transfer window's timer, the command-line tool's pump.
inline constexpr std::chrono::milliseconds kTickPeriod{100};
// Waits, in ticks.
constexpr int kBlockReplyTicks = 50;
constexpr int kWriteConfirmTicks = 80;
constexpr int kActivateTicks = 100;

// Ticks left in the current wait; each tick counts it down.
extern int TransferCountdown;
void TickCountdown();

extern std::array<BlockFrame, kBlockCount> FrameStage;

// Everything a procedure talks to besides the global image and received frame.
struct TransferLink {
  PortLink& port;
  ReplyState& reply;
  EventPump& pump;
  TransferView* view = nullptr;
  UserNotice* notice = nullptr;
};

void ReadModule(TransferLink& link);
void WriteModule(TransferLink& link);
void CompareModule(TransferLink& link);
