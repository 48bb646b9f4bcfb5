#pragma once
// A file's whole contents as bytes, for the tests that hand the program a file or check
// what it left on disk: no line-end translation on either system.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

// Empty when the file cannot be read.
inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
