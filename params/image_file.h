#pragma once
// Image files (".HVK"): exactly the 1024 image bytes, no header or checksum.

#include <string>

#include "parameter_image.h"
#include "params/file_io.h"

// Writes the image atomically (params/file_io.h): a failed save leaves any previous file intact.
void SaveImageFile(const ImageBytes& image, const std::string& path);
// Replaces the image only when the file's first 1024 bytes were all read; a longer
// file is read only as far as those. "Read beyond end of file" for a shorter one.
void LoadImageFile(ImageBytes& image, const std::string& path);
