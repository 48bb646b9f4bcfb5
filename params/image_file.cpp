#include "params/image_file.h"

#include <algorithm>

void SaveImageFile(const ImageBytes& image, const std::string& path) {
  SaveFileAtomically(path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
}

void LoadImageFile(ImageBytes& image, const std::string& path) {
  const FileStart start = ReadFileStart(path, image.size());
  if (start.readError != 0) throw EInOutError(InOutErrorMessage(start.readError), start.readError);
  if (start.bytes.size() < image.size()) throw EInOutError(kReadBeyondEndText, kShortFileCode);
  std::copy(start.bytes.begin(), start.bytes.end(), image.begin());
}
