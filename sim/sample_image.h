#pragma once
// The memory the simulated module starts with unless given an image file: a
// plausible installation, so a read shows values rather than erased memory.

#include "params/parameter_image.h"

ImageBytes SampleImage();
