#pragma once
// Top-level windows built on a plain QWidget report the role of a client area to
// assistive tools; registering their class makes them report a window instead.

// className is the window's Qt class name (its Q_OBJECT class), e.g. "TMainForm".
void ReportAsWindow(const char* className);
