#pragma once
// Parameter images the tests fill their modules, files and windows with.

#include "params/parameter_image.h"

// Every byte 0xFF, as a freshly erased module holds it.
ImageBytes ErasedImage();
// Byte i is i * step + seed (mod 256), so images made with different seeds differ
// at every offset. The bytes repeat every 256, so the four blocks are alike.
ImageBytes SteppedImage(unsigned step, int seed);
