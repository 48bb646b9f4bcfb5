#include "console.h"

// A POSIX terminal takes the bytes as they are; UTF-8 is the locale's business.
void PrepareConsole() {}
