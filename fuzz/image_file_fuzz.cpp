// Image loading on arbitrary files: a file of at least 1024 bytes replaces the
// image with its first 1024 bytes; a shorter one raises "Read beyond end of file"
// and leaves the image as it was. What loaded saves and loads back byte for byte.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_temp_file.h"
#include "params/image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteFuzzFile("image.HVK", data, size);
  ImageBytes image;
  for (std::size_t k = 0; k < kImageSize; ++k) image[k] = static_cast<std::uint8_t>(k * 7 + 3);
  const ImageBytes before = image;

  try {
    LoadImageFile(image, path);
  } catch (const EInOutError& e) {
    if (size >= kImageSize) FuzzFail("a long enough file was refused");
    if (std::strcmp(e.what(), "Read beyond end of file") != 0) FuzzFail("a short file gave another message");
    if (image != before) FuzzFail("a refused file changed the image");
    return 0;
  }
  if (size < kImageSize) FuzzFail("a short file loaded");
  if (std::memcmp(image.data(), data, kImageSize) != 0) FuzzFail("the image is not the file's first 1024 bytes");

  const std::string saved = FuzzFolder() + "/saved.HVK";
  SaveImageFile(image, saved);
  const std::string bytes = ReadFuzzFile(saved);
  if (bytes.size() != kImageSize || std::memcmp(bytes.data(), image.data(), kImageSize) != 0) {
    FuzzFail("a saved image is not its 1024 bytes");
  }
  ImageBytes reloaded{};
  LoadImageFile(reloaded, saved);
  if (reloaded != image) FuzzFail("a saved image loads back different");
  return 0;
}
