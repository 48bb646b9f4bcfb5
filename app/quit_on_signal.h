#pragma once
// A desktop session ends programs with SIGTERM (and a terminal with SIGINT or SIGHUP).
// Those signals close the main window the way its close box does, so the port choice
// is still saved and an open port is closed properly (quit_on_signal_posix.cpp; on
// Windows there is nothing to catch, quit_on_signal_win32.cpp).

class QWidget;

void CloseOnTerminationSignals(QWidget* mainWindow);
