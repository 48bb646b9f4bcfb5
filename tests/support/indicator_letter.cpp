#include "indicator_letter.h"

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
