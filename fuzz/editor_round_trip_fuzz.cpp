// The settings editor over arbitrary images: LoadAll then StoreAll. Bytes the
// editor does not own never change, the marker is set, and a second round over
// the stored image changes nothing at all.
//
// Input: 1024 image bytes (shorter inputs are padded with the erased value).

#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_temp_file.h"
#include "params/parameter_image.h"

namespace {

// The fields the editor owns, as [offset, offset + size).
struct Field {
  std::size_t offset, size;
};

bool OwnedByEditor(std::size_t k) {
  static constexpr Field kFields[] = {
      {EEAddr::AutoDial, 17},
      {EEAddr::SmsFw1, 17},
      {EEAddr::SmsFw2, 17},
      {EEAddr::User1, 17},
      {EEAddr::User2, 17},
      {EEAddr::Prefix, 9},
      {EEAddr::FirstEventCode, 2 * kEventCodeCount},
      {EEAddr::FirstSmsText, 41 * kSmsTextCount},
      {EEAddr::Marker, 1},
  };
  for (const Field& f : kFields) {
    if (k >= f.offset && k < f.offset + f.size) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ImageBytes image;
  image.fill(kErasedByte);
  for (std::size_t k = 0; k < kImageSize && k < size; ++k) image[k] = data[k];
  const ImageBytes original = image;

  const EditorValues values = LoadAll(image);
  if (image != original) FuzzFail("LoadAll changed the image");
  StoreAll(image, values);

  for (std::size_t k = 0; k < kImageSize; ++k) {
    if (!OwnedByEditor(k) && image[k] != original[k]) FuzzFail("a byte the editor does not own changed");
  }
  if (image[EEAddr::Marker] != kStoredMarker) FuzzFail("the marker was not set");

  const ImageBytes stored = image;
  StoreAll(image, LoadAll(image));
  if (image != stored) FuzzFail("a second round changed the stored image");
  return 0;
}
