#include "quit_on_signal.h"

// Windows ends programs through their windows: the close box and the end of the
// session reach the main window as close events (Qt turns WM_CLOSE and WM_ENDSESSION
// into them), so the port choice is saved without any signal to catch.
void CloseOnTerminationSignals(QWidget*) {}
