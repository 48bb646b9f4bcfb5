#pragma once
// The block indicators written as one letter each (W, Y, S, G, R), so a test can
// compare all four at once: "GGRW".

#include "protocol/transfer.h"

char IndicatorLetter(IndicatorColour colour);
