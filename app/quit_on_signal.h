#pragma once
// A desktop session ends programs with SIGTERM (and a terminal with SIGINT or SIGHUP).
// Those signals close the main window the way its close box does, so the port choice
// is still saved and an open port is closed properly.

class QWidget;

void CloseOnTerminationSignals(QWidget* mainWindow);
