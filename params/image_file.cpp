#include "params/image_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <utility>

namespace {

constexpr const char* kFileNotFound = "File not found";
constexpr const char* kInvalidFilename = "Invalid filename";
constexpr const char* kTooManyOpenFiles = "Too many open files";
constexpr const char* kFileAccessDenied = "File access denied";
constexpr const char* kReadBeyondEnd = "Read beyond end of file";
constexpr const char* kDiskFull = "Disk full";
constexpr const char* kIoErrorPrefix = "I/O error ";

// Temporary names already taken (leftovers of a crashed run) are skipped this many times at most.
constexpr int kTempNameAttempts = 100;

[[noreturn]] void Fail(int errorCode) { throw EInOutError(InOutErrorMessage(errorCode), errorCode); }

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  // Closes now so that a failing close (delayed write errors) can be reported.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd);
  }

 private:
  int fd_;
};

// Removes the temporary file unless it was renamed into place.
class TempFile {
 public:
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  const std::string& Path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::string path_;
};

// A NUL inside the name would make the system see a different, shorter name.
void CheckName(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) Fail(EINVAL);
}

// Only plain files are image files: opening a FIFO would hang, opening a tty would toggle its lines.
void CheckPlainFile(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) Fail(EISDIR);
  if (!S_ISREG(st.st_mode)) Fail(EINVAL);
}

struct SaveTarget {
  std::string path;
  bool replacing;
  mode_t mode;  // permissions of the file being replaced
};

SaveTarget ResolveSaveTarget(const std::string& path) {
  CheckName(path);
  if (path.back() == '/') Fail(EISDIR);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    if (err != ENOENT) Fail(err);
    return {path, false, 0};
  }
  CheckPlainFile(st);
  // A read-only file stays protected even though renaming over it would succeed.
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) Fail(errno);
  // Replace the file a link points at, not the link.
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) Fail(errno);
  std::string target(resolved);
  ::free(resolved);
  return {target, true, static_cast<mode_t>(st.st_mode & 07777)};
}

std::string Folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string TempName(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  return folder + "/.kelvaro-save-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
}

void WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      const int err = errno;
      if (err == EINTR) continue;
      Fail(err);
    }
    if (written == 0) Fail(ENOSPC);
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

// Reads until the buffer is full or the file ends; returns the bytes read.
std::size_t ReadUpTo(int fd, std::uint8_t* data, std::size_t size) {
  std::size_t total = 0;
  while (total < size) {
    const ssize_t got = ::read(fd, data + total, size - total);
    if (got < 0) {
      const int err = errno;
      if (err == EINTR) continue;
      Fail(err);
    }
    if (got == 0) break;
    total += static_cast<std::size_t>(got);
  }
  return total;
}

}  // namespace

EInOutError::EInOutError(const std::string& message, int errorCode)
    : std::runtime_error(message), errorCode_(errorCode) {}

std::string InOutErrorMessage(int errorCode) {
  switch (errorCode) {
    case ENOENT: return kFileNotFound;
    case EINVAL:
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR: return kInvalidFilename;
    case EMFILE:
    case ENFILE: return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return kFileAccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kDiskFull;
    default: return kIoErrorPrefix + std::to_string(errorCode);
  }
}

void SaveImageFile(const ImageBytes& image, const std::string& path) {
  const SaveTarget target = ResolveSaveTarget(path);
  const std::string folder = Folder(target.path);

  int fd = -1;
  std::string tempPath;
  for (int attempt = 0; fd < 0; ++attempt) {
    tempPath = TempName(folder);
    fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      const int err = errno;
      if (err != EEXIST || attempt + 1 >= kTempNameAttempts) Fail(err);
    }
  }
  UniqueFd file(fd);
  TempFile temp(tempPath);

  // open() masked the mode with the umask; a replaced file keeps its own permissions.
  if (target.replacing && ::fchmod(file.Get(), target.mode) != 0) Fail(errno);
  WriteAll(file.Get(), image.data(), image.size());
  if (::fsync(file.Get()) != 0) Fail(errno);
  if (file.Close() != 0) Fail(errno);
  if (::rename(temp.Path().c_str(), target.path.c_str()) != 0) Fail(errno);
  temp.Release();
}

void LoadImageFile(ImageBytes& image, const std::string& path) {
  CheckName(path);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) Fail(errno);
  CheckPlainFile(st);

  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.Get() < 0) Fail(errno);
  if (::fstat(file.Get(), &st) != 0) Fail(errno);
  CheckPlainFile(st);  // the name may have been swapped since the first look

  ImageBytes loaded{};
  if (ReadUpTo(file.Get(), loaded.data(), loaded.size()) < loaded.size()) {
    throw EInOutError(kReadBeyondEnd, kShortFileCode);
  }
  image = loaded;
}
