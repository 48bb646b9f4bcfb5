#pragma once
// The transfer window as the procedures see it: the four lamps as one letter each
// (W, Y, S, G, R), so a test compares all four at once ("GGRW"); the buttons; the
// order of every call; what each compared block's lamp was told; its message boxes.

#include <string>
#include <vector>

#include "protocol/transfer.h"

char IndicatorLetter(IndicatorColour colour);

class RecordingView : public TransferView {
 public:
  void SetIndicator(int block, IndicatorColour colour) override;
  void SetAllIndicators(IndicatorColour colour) override;
  void SetControlsEnabled(bool on) override;
  void ShowComparison(int block, const BlockComparison& comparison) override;

  std::string lamps = "SSSS";
  bool enabled = true;
  std::vector<std::string> calls;        // "all W", "disabled", "0G", ...
  std::vector<std::string> comparisons;  // "1 differs", then the report's lines
};

class RecordingNotice : public UserNotice {
 public:
  void ShowPlainMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};
