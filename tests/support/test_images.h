#pragma once
// Parameter images the tests fill their modules, files and windows with.

#include "params/parameter_image.h"

// Every byte 0xFF, as a freshly erased module holds it.
ImageBytes ErasedImage();
// Byte i is i * step + seed + 0x5B * (i / 256) (mod 256): images made with different
// seeds differ at every offset, and the four blocks differ from each other, so a
// block that lands under the wrong number shows.
ImageBytes SteppedImage(unsigned step, int seed);
