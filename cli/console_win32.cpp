#include <windows.h>

#include <cstdlib>

#include "console.h"

namespace {

UINT outputCodePage = 0;

// The console is the user's: it gets back the code page it had.
void RestoreConsole() { SetConsoleOutputCP(outputCodePage); }

// Ctrl+C and a closed window end the tool without its exit handlers.
BOOL WINAPI RestoreOnBreak(DWORD) {
  RestoreConsole();
  return FALSE;
}

}  // namespace

// The console shows the tool's UTF-8 as UTF-8 instead of in its OEM code page.
void PrepareConsole() {
  outputCodePage = GetConsoleOutputCP();
  if (outputCodePage == 0 || outputCodePage == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) return;
  std::atexit(RestoreConsole);
  SetConsoleCtrlHandler(RestoreOnBreak, TRUE);
}
