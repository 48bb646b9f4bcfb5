#pragma once
// What both transfer benchmarks hold a transfer against: the line at 19200 bit/s, 10 bits
// a byte, the target ratio of measured to wire time, and the lamps a procedure lit.

#include <cstddef>

#include "protocol/transfer.h"

inline constexpr int kLineRate = 19200;
inline constexpr double kBitsPerByte = 10;
inline constexpr double kRatioTarget = 1.05;

inline double WireSeconds(std::size_t bytes) { return static_cast<double>(bytes) * kBitsPerByte / kLineRate; }

// Counts the lamps the procedures light, so a run that failed a block shows.
class LampCount : public TransferView {
 public:
  void SetIndicator(int, IndicatorColour colour) override { green += colour == IndicatorColour::Green; }
  void SetAllIndicators(IndicatorColour colour) override { green = colour == IndicatorColour::Green ? 4 : 0; }
  void SetControlsEnabled(bool) override {}
  int green = 0;
};
