// The file seam on POSIX: descriptors, errno, and rename for the atomic save.

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "params/file_io_internal.h"

namespace {

const ErrorText kTexts[] = {
    {ENOENT, kNotFoundText},          {EINVAL, kInvalidNameText},   {ENOTDIR, kInvalidNameText},
    {ENAMETOOLONG, kInvalidNameText}, {EISDIR, kInvalidNameText},   {EMFILE, kTooManyFilesText},
    {ENFILE, kTooManyFilesText},      {EACCES, kAccessDeniedText},  {EPERM, kAccessDeniedText},
    {EROFS, kAccessDeniedText},       {ETXTBSY, kAccessDeniedText}, {ENOSPC, kDiskFullText},
    {EDQUOT, kDiskFullText},          {EFBIG, kDiskFullText},
};

class PosixFile : public SystemFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  int Read(char* buffer, std::size_t size, std::size_t& got) override {
    ssize_t n;
    while ((n = ::read(fd_, buffer, size)) < 0 && errno == EINTR) {
    }
    if (n < 0) return errno;
    got = static_cast<std::size_t>(n);
    return 0;
  }
  std::size_t Write(std::string_view bytes) override {
    ssize_t n;
    while ((n = ::write(fd_, bytes.data(), bytes.size())) < 0 && errno == EINTR) {
    }
    if (n < 0) FailFile(errno);
    return static_cast<std::size_t>(n);
  }
  void Flush() override {
    if (::fsync(fd_) != 0) FailFile(errno);
  }
  void Close() override {
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) FailFile(errno);
  }

 private:
  int fd_;
};

// Only plain files are read or replaced: opening a FIFO would hang, opening a tty would toggle its lines.
int NotPlainFileError(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return EISDIR;
  return S_ISREG(st.st_mode) ? 0 : EINVAL;
}

// Non-blocking, so that a FIFO under that name cannot hold us; it is refused after the open.
std::unique_ptr<SystemFile> OpenPlainFile(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd < 0) FailFile(errno);
  auto file = std::make_unique<PosixFile>(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) FailFile(errno);
  if (const int err = NotPlainFileError(st)) FailFile(err);
  return file;
}

}  // namespace

const std::span<const ErrorText> kErrorTexts = kTexts;
const FileErrorCodes kFileErrorCodes{EINVAL, ENAMETOOLONG, EEXIST, ENOSPC, EFBIG};
const std::size_t kPathLimit = PATH_MAX;
const char kSeparators[] = "/";

std::size_t RootLength(const std::string&) { return 0; }

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

std::unique_ptr<SystemFile> OpenForReading(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) FailFile(errno);
  if (const int err = NotPlainFileError(st)) FailFile(err);
  return OpenPlainFile(path, O_RDONLY);
}

// O_APPEND: the system puts each write at the end, whoever else appends.
std::unique_ptr<SystemFile> OpenForAppending(const std::string& path) {
  return OpenPlainFile(path, O_WRONLY | O_APPEND | O_CREAT);
}

std::unique_ptr<SystemFile> CreateNewFile(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  error = errno;
  return fd < 0 ? nullptr : std::make_unique<PosixFile>(fd);
}

SaveTarget FindSaveTarget(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) FailNotCreated(errno);
    return {path, false, 0};
  }
  if (const int err = NotPlainFileError(st)) FailNotCreated(err);
  // A read-only file stays protected even though renaming over it would succeed.
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) FailFile(errno);
  // Replace the file a link points at, not the link.
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) FailNotCreated(errno);
  std::string target(resolved);
  ::free(resolved);
  return {target, true, static_cast<unsigned>(st.st_mode & 07777)};
}

// Creating the file masked its mode with the umask; a replaced file keeps its own permissions.
void KeepAttributes(const std::string& path, unsigned keep) {
  if (::chmod(path.c_str(), static_cast<mode_t>(keep)) != 0) FailFile(errno);
}

void RenameOver(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) FailNotCreated(errno);
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }
