#include "files.h"

#include <algorithm>

#include "cli_error.h"
#include "params/file_io.h"
#include "params/image_file.h"

namespace {

// The first count bytes of the file.
std::string ReadStart(const std::string& path, std::size_t count) {
  FileStart start;
  try {
    start = ReadFileStart(path, count);
  } catch (const EInOutError& error) {
    UsageError(path + ": " + error.what());
  }
  if (start.readError != 0) UsageError(path + ": " + InOutErrorMessage(start.readError));
  return std::move(start.bytes);
}

std::string Capped(std::string bytes, const std::string& name, std::size_t limit, const char* tooLarge) {
  if (bytes.size() > limit) UsageError(name + ": more than " + std::to_string(limit / kMegabyte) + " MB" + tooLarge);
  return bytes;
}

// A save's failure as a usage error naming the file.
template <class Save>
void Saving(const std::string& path, Save save) {
  try {
    save();
  } catch (const EInOutError& error) {
    UsageError(path + ": " + error.what());
  }
}

}  // namespace

std::string ReadInputFile(const std::string& path, std::size_t limit, const char* tooLarge) {
  return Capped(ReadStart(path, limit + 1), path, limit, tooLarge);
}

std::string ReadInputStream(std::istream& in, const std::string& name, std::size_t limit, const char* tooLarge) {
  std::string bytes(limit + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return Capped(std::move(bytes), name, limit, tooLarge);
}

ImageBytes LoadExactImage(const std::string& path) {
  const std::string bytes = ReadStart(path, kImageSize + 1);
  const std::string exact = std::to_string(kImageSize);
  if (bytes.size() != kImageSize) {
    const std::string size = bytes.size() > kImageSize ? "more than " + exact : std::to_string(bytes.size());
    UsageError(path + ": not a parameter image (" + size + " bytes; an image is exactly " + exact + ")");
  }
  ImageBytes image;
  std::copy(bytes.begin(), bytes.end(), image.begin());
  return image;
}

void SaveImage(const ImageBytes& image, const std::string& path) {
  Saving(path, [&] { SaveImageFile(image, path); });
}

void SaveFile(const std::string& path, std::string_view bytes) {
  Saving(path, [&] { SaveFileAtomically(path, bytes); });
}
