// Files on POSIX: descriptors, errno, and rename for the atomic save.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

#include "params/file_io.h"
#include "params/temp_file.h"

namespace {

// Temporary names already taken (leftovers of a crashed run) are skipped this many times at most.
constexpr int kTempNameAttempts = 100;

[[noreturn]] void Fail(int errorCode) { throw EInOutError(InOutErrorMessage(errorCode), errorCode); }
[[noreturn]] void FailNotCreated(int errorCode) { throw EFileNotCreated(InOutErrorMessage(errorCode), errorCode); }

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  // Closes now so that a failing close (delayed write errors) can be reported.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd);
  }

 private:
  int fd_;
};

// A NUL inside the name would make the system see a different, shorter name.
bool BadName(const std::string& path) { return path.empty() || path.find('\0') != std::string::npos; }

// Only plain files are read or replaced: opening a FIFO would hang, opening a tty would toggle its lines.
int NotPlainFileError(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return EINVAL;
  return 0;
}

struct SaveTarget {
  std::string path;
  bool replacing;
  mode_t mode;  // permissions of the file being replaced
};

SaveTarget ResolveSaveTarget(const std::string& path) {
  if (BadName(path)) FailNotCreated(EINVAL);
  if (path.back() == '/') FailNotCreated(EISDIR);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    if (err != ENOENT) FailNotCreated(err);
    return {path, false, 0};
  }
  if (const int err = NotPlainFileError(st)) FailNotCreated(err);
  // A read-only file stays protected even though renaming over it would succeed.
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) Fail(errno);
  // Replace the file a link points at, not the link.
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) FailNotCreated(errno);
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

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      const int err = errno;
      if (err == EINTR) continue;
      Fail(err);
    }
    if (written == 0) Fail(ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

std::string InOutErrorMessage(int errorCode) {
  switch (errorCode) {
    case ENOENT: return "File not found";
    case EINVAL:
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR: return "Invalid filename";
    case EMFILE:
    case ENFILE: return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return "File access denied";
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return "Disk full";
    default: return "I/O error " + std::to_string(errorCode);
  }
}

FileStart ReadFileStart(const std::string& path, std::size_t limit) {
  if (BadName(path)) Fail(EINVAL);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) Fail(errno);
  if (const int err = NotPlainFileError(st)) Fail(err);
  // Non-blocking, so that a FIFO swapped in since the first look cannot hold us.
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.Get() < 0) Fail(errno);
  if (::fstat(file.Get(), &st) != 0) Fail(errno);
  if (const int err = NotPlainFileError(st)) Fail(err);

  FileStart start;
  start.bytes.resize(limit);
  std::size_t total = 0;
  while (total < limit) {
    const ssize_t got = ::read(file.Get(), start.bytes.data() + total, limit - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      start.readError = errno;
      break;
    }
    if (got == 0) break;
    total += static_cast<std::size_t>(got);
  }
  start.bytes.resize(total);
  return start;
}

void SaveFileAtomically(const std::string& path, std::string_view bytes) {
  const SaveTarget target = ResolveSaveTarget(path);
  const std::string folder = Folder(target.path);

  int fd = -1;
  std::string tempPath;
  for (int attempt = 0; fd < 0; ++attempt) {
    tempPath = TempName(folder);
    fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      const int err = errno;
      if (err != EEXIST || attempt + 1 >= kTempNameAttempts) FailNotCreated(err);
    }
  }
  UniqueFd file(fd);
  TempFile temp(tempPath, [](const std::string& path) { ::unlink(path.c_str()); });

  // open() masked the mode with the umask; a replaced file keeps its own permissions.
  if (target.replacing && ::fchmod(file.Get(), target.mode) != 0) Fail(errno);
  WriteAll(file.Get(), bytes);
  if (::fsync(file.Get()) != 0) Fail(errno);
  if (file.Close() != 0) Fail(errno);
  if (::rename(temp.Path().c_str(), target.path.c_str()) != 0) FailNotCreated(errno);
  temp.Release();
}

bool MakeParentFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

AppendOnlyFile::AppendOnlyFile(const std::string& path) : handle_(-1) {
  if (BadName(path)) Fail(EINVAL);
  // Non-blocking, so that a FIFO under that name cannot hold us; it is refused below.
  UniqueFd file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
  if (file.Get() < 0) Fail(errno);
  struct stat st {};
  if (::fstat(file.Get(), &st) != 0) Fail(errno);
  if (const int err = NotPlainFileError(st)) Fail(err);
  handle_ = file.Release();
}

AppendOnlyFile::~AppendOnlyFile() { ::close(static_cast<int>(handle_)); }

void AppendOnlyFile::Append(std::string_view bytes) {
  const int fd = static_cast<int>(handle_);
  ssize_t written;
  do {
    written = ::write(fd, bytes.data(), bytes.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) Fail(errno);
  // The rest in a second write could land after another program's line.
  if (static_cast<std::size_t>(written) != bytes.size()) Fail(ENOSPC);
  if (::fsync(fd) != 0) Fail(errno);
}
