// show --json then import --base over arbitrary images: the same 1024 bytes, garbage
// in the fields included. The same input read as a settings file over that image
// gives an image or a usage error, never anything else.
//
// Input: 1024 image bytes (shorter inputs are padded with the erased value).

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "cli/cli_error.h"
#include "cli/settings_text.h"
#include "fuzz/fuzz_temp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ImageBytes image;
  image.fill(kErasedByte);
  for (std::size_t k = 0; k < kImageSize && k < size; ++k) image[k] = data[k];
  std::ostringstream notes;
  if (ImportSettings(SettingsJson(image), image, "", notes) != image)
    FuzzFail("show --json | import --base changed it");
  if (!notes.str().empty()) FuzzFail("an unchanged value was stored again");

  try {
    ImportSettings(std::string_view(reinterpret_cast<const char*>(data), size), image, "", notes);
  } catch (const CliError&) {
  }
  return 0;
}
