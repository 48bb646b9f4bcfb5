#pragma once
// Images for the params tests.

#include <cstdint>
#include <random>

#include "params/parameter_image.h"

// The same pseudo-random bytes for the same seed, so a test can rebuild its "before".
inline ImageBytes Arbitrary(unsigned seed) {
  std::mt19937 random(seed);
  ImageBytes image;
  for (auto& b : image) b = static_cast<std::uint8_t>(random());
  return image;
}
