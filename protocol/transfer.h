#pragma once
// Reading, writing and comparing the module's parameter memory block by block.
// Each procedure runs to completion on the user-interface thread, pumping events
// while it waits for a reply.

#include <array>
#include <chrono>
#include <functional>
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
  // Told each block as it is done (read, confirmed or found equal), for those who
  // count blocks rather than paint lamps.
  std::function<void(int block)> blockDone;
};

// Why a procedure stopped before its end.
enum class TransferStop {
  None,                    // it ran to its end: done
  NoReply,                 // no block reply within its wait
  OtherBlock,              // a good reply, for another block
  BadReply,                // a block reply that failed the frame's tests
  Refused,                 // no "WROK" within its wait, and a "WRFLERR" came
  NotConfirmed,            // no "WROK" within its wait, and no "WRFLERR"
  ActivationNotConfirmed,  // no "CRCOK" within its wait after "WRACT"
  Differs,                 // the module's block differs from the image
  PortClosed,              // the port was closed, before the start or by a hang-up on the way
};

inline constexpr int kNoBlock = -1;

// What a procedure did: done, or the block where it stopped and why. The windows
// ignore it, their lamps are their report; the command line reads nothing else.
struct TransferResult {
  TransferStop stop = TransferStop::None;
  int block = kNoBlock;       // where it stopped, 0 to 3; kNoBlock when no block was in hand
  int replyBlock = kNoBlock;  // OtherBlock: the block the reply was for
  bool Done() const { return stop == TransferStop::None; }
  bool operator==(const TransferResult&) const = default;
};

TransferResult ReadModule(TransferLink& link);
TransferResult WriteModule(TransferLink& link);
// image becomes the ParameterImage, as a file loaded into the window does, and goes
// to the module.
TransferResult WriteModule(TransferLink& link, const ImageBytes& image);
TransferResult CompareModule(TransferLink& link);
using TransferProcedure = TransferResult (*)(TransferLink&);
