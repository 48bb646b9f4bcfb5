#pragma once
// Image files (".HVK"): exactly the 1024 image bytes, no header or checksum.

#include <stdexcept>
#include <string>

#include "parameter_image.h"

// The input/output error of file operations. Its message is one of
// "File not found", "Invalid filename", "Too many open files", "File access denied",
// "Read beyond end of file", "Disk full" or "I/O error <errno>".
// ErrorCode() is the system's error number, or kShortFileCode when the file ended early.
class EInOutError : public std::runtime_error {
 public:
  EInOutError(const std::string& message, int errorCode);
  int ErrorCode() const { return errorCode_; }

 private:
  int errorCode_;
};

constexpr int kShortFileCode = 0;

// The message for a system error number.
std::string InOutErrorMessage(int errorCode);

// Writes the image beside the target and renames it into place, so a failed save
// leaves any previous file intact.
void SaveImageFile(const ImageBytes& image, const std::string& path);
// Replaces the image only when the file's first 1024 bytes were all read.
void LoadImageFile(ImageBytes& image, const std::string& path);
