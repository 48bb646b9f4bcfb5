#pragma once
// The files the command line reads and the images it saves, each failure a usage
// error that names the file. What it reads has a cap, so that a wrong file given by
// mistake (a disk image, a video) is refused before it is read whole.

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

#include "params/parameter_image.h"

inline constexpr std::size_t kMegabyte = std::size_t{1} << 20;

// What a command reads, at most limit bytes: more is a usage error, "<path>: more
// than 16 MB" followed by tooLarge (", no sheet").
std::string ReadInputFile(const std::string& path, std::size_t limit, const char* tooLarge);
// The same for what comes on a stream (standard input), named name in the messages.
std::string ReadInputStream(std::istream& in, const std::string& name, std::size_t limit, const char* tooLarge);
// An image file of exactly 1024 bytes; anything else is a usage error.
ImageBytes LoadExactImage(const std::string& path);
// Each replaces the file atomically.
void SaveImage(const ImageBytes& image, const std::string& path);
void SaveFile(const std::string& path, std::string_view bytes);
