#pragma once
// The simulated module's own state, which moves by itself a little on every "??",
// so the state window looks alive: the signal drifts, the call state steps through
// its values, and the inputs and the wired line change now and then.

#include <cstdint>
#include <random>
#include <string>
#include <utility>

inline constexpr std::uint32_t kDefaultSimSeed = 1;

class StatusWalk {
 public:
  // The status line of the current state, "[abcd,s,k]", then one step on.
  std::string StatusLine(std::mt19937& random);
  // Now and then a message line "<...>" to follow the status line; empty otherwise.
  std::string MessageLine(std::mt19937& random);

  // A steady module, for pictures and demonstrations: every poll gets this status line
  // and the state stays where it is.
  void Hold(std::string statusLine) { heldLine_ = std::move(statusLine); }
  // Only the first count messages, one a poll, in turn through the module's own; then none.
  void LimitMessages(int count) { messagesLeft_ = count; }

 private:
  std::string heldLine_;
  int messagesLeft_ = -1;  // below 0: now and then, at random
  std::size_t nextMessage_ = 0;
  bool in1_ = false;
  bool in2_ = false;
  bool wiredLine_ = true;
  int signal_ = 18;
  int callStep_ = 0;
  int polls_ = 0;
};
