#include <windows.h>

#include "console.h"

// The console shows the tool's UTF-8 as UTF-8 instead of in its OEM code page.
void PrepareConsole() { SetConsoleOutputCP(CP_UTF8); }
