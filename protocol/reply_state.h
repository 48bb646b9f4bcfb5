#pragma once
// What the reply dispatcher leaves for the transfer procedures. Flags are set to 1
// by the dispatcher and cleared only by the procedures, each before it waits.

#include <cstdint>
#include <string>

struct ReplyState {
  std::string lineBuffer;
  std::uint8_t okSeen = 0;
  std::uint8_t activateConfirmed = 0;
  std::uint8_t writeConfirmed = 0;
  std::uint8_t writeRejected = 0;
  std::uint8_t blockGood = 0;
  std::uint8_t blockBad = 0;
  // Set once a line outgrew the line buffer: its bytes are dropped up to the next CR.
  bool discardingLine = false;

  // Forgets the line received so far: what came before a new connection or a new
  // procedure's first command cannot be part of an answer.
  void ClearLine() {
    lineBuffer.clear();
    discardingLine = false;
  }
};
