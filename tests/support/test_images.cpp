#include "test_images.h"

#include "protocol/block_frame.h"

ImageBytes ErasedImage() {
  ImageBytes image;
  image.fill(kErasedByte);
  return image;
}

ImageBytes SteppedImage(unsigned step, int seed) {
  ImageBytes image;
  constexpr std::size_t kBlockShift = 0x5B;
  for (std::size_t i = 0; i < image.size(); ++i) {
    image[i] = static_cast<std::uint8_t>(i * step + static_cast<std::size_t>(seed) + kBlockShift * (i / kBlockSize));
  }
  return image;
}
