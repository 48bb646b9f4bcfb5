#pragma once
// The temporary file of an atomic save, removed unless it was moved into place; the
// platform's file seam says how it is removed.

#include <string>
#include <utility>

class TempFile {
 public:
  using Remove = void (*)(const std::string& path);
  TempFile(std::string path, Remove remove) : path_(std::move(path)), remove_(remove) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (!path_.empty()) remove_(path_);
  }
  const std::string& Path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::string path_;
  Remove remove_;
};
