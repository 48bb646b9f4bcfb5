#pragma once
// What the simulated module answers, line by line. No I/O: the pty side feeds it
// complete lines and sends what it hands back.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "params/parameter_image.h"
#include "protocol/block_frame.h"
#include "sim_faults.h"
#include "status_walk.h"

// Every reply line ends CR LF, as the module's own do.
inline constexpr char kReplyEnd[] = "\r\n";

// Block b's reply: "RDFL", the frame's 540 digits with the checksum least
// significant byte first, CR LF; faults bend it as they say.
std::string BlockReplyLine(const ImageBytes& memory, int block, const SimFaults& faults);
// The 540 digits of a "WRFL" frame: upper-case hex, checksum most significant
// byte first, block number 0 to 3; nothing when any of that is wrong.
std::optional<BlockFrame> DecodeWriteFrame(const std::string& digits);

struct ModuleAnswer {
  std::string bytes;  // everything to send, noise lines included
  int replies = 0;    // reply lines among them, noise not counted
};

class ModuleLogic {
 public:
  explicit ModuleLogic(const ImageBytes& memory, const SimFaults& faults = {}, std::uint32_t seed = kDefaultSimSeed);

  // One received line, without its CR. Anything the module does not know is ignored.
  ModuleAnswer HandleLine(const std::string& line);

  const ImageBytes& Memory() const { return memory_; }
  void SetMemory(const ImageBytes& memory) { memory_ = memory; }
  const SimFaults& Faults() const { return faults_; }
  void SetFaults(const SimFaults& faults) { faults_ = faults; }
  // Called with the new memory after every "WRACT" that took the pending blocks.
  void SetOnActivate(std::function<void(const ImageBytes&)> onActivate) { onActivate_ = std::move(onActivate); }
  int CommandsSeen() const { return commandsSeen_; }
  StatusWalk& Status() { return status_; }

 private:
  void Reply(ModuleAnswer& answer, const std::string& line);
  void HandleWriteFrame(ModuleAnswer& answer, const std::string& digits);
  void Activate(ModuleAnswer& answer);

  ImageBytes memory_;
  SimFaults faults_;
  std::mt19937 random_;
  StatusWalk status_;
  std::array<std::optional<std::array<std::uint8_t, kBlockSize>>, kBlockCount> pending_;
  bool awaitingFrame_ = false;
  int commandsSeen_ = 0;
  std::function<void(const ImageBytes&)> onActivate_;
};
