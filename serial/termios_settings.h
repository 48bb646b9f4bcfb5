#pragma once
// Line settings as a termios, a pure function so that it is testable without a device.

#include <termios.h>

#include "com_settings.h"

// Fills t from settings, starting from raw mode: no CR/LF translation, no echo,
// no signals, reads that return at once (VMIN = VTIME = 0), CLOCAL | CREAD.
// False when the line cannot be set so (CTS or DSR flow control, DSR sensitivity).
bool MakeTermios(const TComLineSettings& settings, termios& t);

// The modem lines (TIOCM_DTR, TIOCM_RTS) that the settings assert while open.
int AssertedModemLines(const TComLineSettings& settings);
