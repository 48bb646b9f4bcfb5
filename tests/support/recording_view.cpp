#include "recording_view.h"

char IndicatorLetter(IndicatorColour colour) {
  switch (colour) {
    case IndicatorColour::White: return 'W';
    case IndicatorColour::Yellow: return 'Y';
    case IndicatorColour::Silver: return 'S';
    case IndicatorColour::Green: return 'G';
    case IndicatorColour::Red: return 'R';
  }
  return '?';
}

void RecordingView::SetIndicator(int block, IndicatorColour colour) {
  lamps[static_cast<std::size_t>(block)] = IndicatorLetter(colour);
  calls.push_back(std::to_string(block) + IndicatorLetter(colour));
}

void RecordingView::SetAllIndicators(IndicatorColour colour) {
  lamps = std::string(4, IndicatorLetter(colour));
  calls.push_back(std::string("all ") + IndicatorLetter(colour));
}

void RecordingView::SetControlsEnabled(bool on) {
  enabled = on;
  calls.push_back(on ? "enabled" : "disabled");
}

void RecordingView::ShowComparison(int block, const BlockComparison& comparison) {
  const char* outcomes[] = {"equal", "differs", "no reply"};
  comparisons.push_back(std::to_string(block) + " " + outcomes[static_cast<int>(comparison.outcome)]);
  for (const std::string& line : ReportLines(comparison.difference)) comparisons.push_back(line);
}
