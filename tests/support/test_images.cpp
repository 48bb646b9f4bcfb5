#include "test_images.h"

ImageBytes ErasedImage() {
  ImageBytes image;
  image.fill(kErasedByte);
  return image;
}

ImageBytes SteppedImage(unsigned step, int seed) {
  ImageBytes image;
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * step + seed);
  return image;
}
