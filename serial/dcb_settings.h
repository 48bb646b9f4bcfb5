#pragma once
// Line settings, time-outs and the event mask as Windows' own structures: pure
// functions, so that they are testable without a device.

#include <windows.h>

#include "com_settings.h"

// The DCB for SetCommState: the settings field by field, binary transfer, null bytes
// kept, transfers not aborted on line errors, XON/XOFF limits a quarter of the
// input queue each.
DCB MakeDcb(const TComLineSettings& settings, int inputQueueSize);

// COMMTIMEOUTS in its field order; -1 (all bits set) stays all bits set.
COMMTIMEOUTS MakeCommTimeouts(const TComTimeouts& timeouts);

// The SetCommMask mask of a set of events: all ten are 0x5FF. Under Wine only
// EV_RXCHAR, EV_RXFLAG and EV_TXEMPTY are kept: with any other bit its wait on a
// pseudo-terminal never ends, since it reads modem lines and error counters that a
// pseudo-terminal lacks. The tool acts only on received bytes, so nothing is lost.
DWORD CommEventMask(TComEvents events, bool underWine);

// The events a wake-up's mask reports.
TComEvents ComEventsOfMask(DWORD mask);
