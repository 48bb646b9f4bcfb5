#pragma once
// What the terminal needs before the tool writes to it: on Windows, UTF-8 for the
// labels' and texts' accented letters.

void PrepareConsole();
