// Files on Windows: the ANSI file functions, GetLastError, and MoveFileEx for the
// atomic save.
//
// Paths are the program's 8-bit strings and go to the ANSI (...A) functions as they
// are. The windows hand paths over through QFile::encodeName, which on Windows is the
// system's ANSI code page (1250 on the Central European systems the tool is made for),
// and %APPDATA% comes in that code page too; converting from 1250 explicitly would
// misread those paths on any system with another ANSI code page.

#include <windows.h>

#include <atomic>
#include <utility>

#include "params/file_io.h"
#include "params/temp_file.h"

namespace {

// Temporary names already taken (leftovers of a crashed run) are skipped this many times at most.
constexpr int kTempNameAttempts = 100;
// The byte the appenders of a file lock, at 2^62.
constexpr DWORD kAppendLockOffsetHigh = 0x40000000;

[[noreturn]] void Fail(DWORD errorCode) {
  throw EInOutError(InOutErrorMessage(static_cast<int>(errorCode)), static_cast<int>(errorCode));
}
[[noreturn]] void FailNotCreated(DWORD errorCode) {
  throw EFileNotCreated(InOutErrorMessage(static_cast<int>(errorCode)), static_cast<int>(errorCode));
}

class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE Get() const { return handle_; }
  HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
  // Closes now so that a failing close can be reported.
  bool Close() {
    const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A NUL inside the name would make the system see a different, shorter name.
bool BadName(const std::string& path) { return path.empty() || path.find('\0') != std::string::npos; }

// Only plain files are read or replaced: a folder or a device (NUL, COM1) is no image.
DWORD NotPlainFileError(DWORD attributes) {
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ? ERROR_INVALID_NAME : 0;
}

struct SaveTarget {
  std::string path;
  bool replacing;
  DWORD attributes;  // of the file being replaced
};

// The file a link or junction names, so that the save replaces it rather than the link.
std::string FinalPath(const std::string& path) {
  UniqueHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) FailNotCreated(GetLastError());
  char target[MAX_PATH + 8] = {};
  const DWORD length = GetFinalPathNameByHandleA(file.Get(), target, sizeof target, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= sizeof target) FailNotCreated(length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
  std::string result(target, length);
  // Plain drive paths read better, and MoveFileEx takes them either way.
  if (result.rfind("\\\\?\\", 0) == 0 && result.size() > 6 && result[5] == ':') result.erase(0, 4);
  return result;
}

SaveTarget ResolveSaveTarget(const std::string& path) {
  if (BadName(path) || IsSeparator(path.back())) FailNotCreated(ERROR_INVALID_NAME);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND) FailNotCreated(err);
    return {path, false, 0};
  }
  if (const DWORD err = NotPlainFileError(attributes)) FailNotCreated(err);
  // A read-only file stays protected even though moving over it could be forced.
  if (attributes & FILE_ATTRIBUTE_READONLY) Fail(ERROR_ACCESS_DENIED);
  const std::string target = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? FinalPath(path) : path;
  return {target, true, attributes};
}

std::string Folder(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return ".";
  return path.substr(0, separator + 1);
}

std::string TempName(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  const std::string prefix = folder == "." ? "" : folder;
  return prefix + ".kelvaro-save-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + ".tmp";
}

void WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) Fail(GetLastError());
    if (written == 0) Fail(ERROR_DISK_FULL);
    bytes.remove_prefix(written);
  }
}

}  // namespace

std::string InOutErrorMessage(int errorCode) {
  switch (errorCode) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "File not found";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_DRIVE: return "Invalid filename";
    case ERROR_TOO_MANY_OPEN_FILES: return "Too many open files";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return "File access denied";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "Disk full";
    default: return "I/O error " + std::to_string(errorCode);
  }
}

FileStart ReadFileStart(const std::string& path, std::size_t limit) {
  if (BadName(path)) Fail(ERROR_INVALID_NAME);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) Fail(GetLastError());
  if (const DWORD err = NotPlainFileError(attributes)) Fail(err);
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) Fail(GetLastError());
  // A device swapped in under the same name since the first look.
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) Fail(ERROR_INVALID_NAME);

  FileStart start;
  start.bytes.resize(limit);
  std::size_t total = 0;
  while (total < limit) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), start.bytes.data() + total, static_cast<DWORD>(limit - total), &got, nullptr)) {
      start.readError = static_cast<int>(GetLastError());
      break;
    }
    if (got == 0) break;
    total += got;
  }
  start.bytes.resize(total);
  return start;
}

void SaveFileAtomically(const std::string& path, std::string_view bytes) {
  const SaveTarget target = ResolveSaveTarget(path);
  const std::string folder = Folder(target.path);

  HANDLE handle = INVALID_HANDLE_VALUE;
  std::string tempPath;
  for (int attempt = 0; handle == INVALID_HANDLE_VALUE; ++attempt) {
    tempPath = TempName(folder);
    handle = CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD err = GetLastError();
      if (err != ERROR_FILE_EXISTS || attempt + 1 >= kTempNameAttempts) FailNotCreated(err);
    }
  }
  UniqueHandle file(handle);
  TempFile temp(tempPath, [](const std::string& path) { DeleteFileA(path.c_str()); });

  WriteAll(file.Get(), bytes);
  if (!FlushFileBuffers(file.Get())) Fail(GetLastError());
  if (!file.Close()) Fail(GetLastError());
  // A replaced file keeps its attributes (hidden, archive, ...).
  constexpr DWORD kKeptAttributes =
      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD kept = target.attributes & kKeptAttributes;
  if (target.replacing && !SetFileAttributesA(temp.Path().c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL)) {
    Fail(GetLastError());
  }
  if (!MoveFileExA(temp.Path().c_str(), target.path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    FailNotCreated(GetLastError());
  }
  temp.Release();
}

bool MakeParentFolders(const std::string& path) {
  // Past the root: "C:\", or "\\server\share\" of a network path.
  std::size_t start = 0;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    start = path.find_first_of("\\/", 2);
    start = start == std::string::npos ? path.size() : path.find_first_of("\\/", start + 1);
  } else if (path.size() >= 2 && path[1] == ':') {
    start = 2;
  }
  if (start == std::string::npos) return true;
  for (std::size_t separator = path.find_first_of("\\/", start + 1); separator != std::string::npos;
       separator = path.find_first_of("\\/", separator + 1)) {
    const std::string folder = path.substr(0, separator);
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return true;
}

AppendOnlyFile::AppendOnlyFile(const std::string& path) {
  if (BadName(path) || IsSeparator(path.back())) Fail(ERROR_INVALID_NAME);
  // Append access without write access: the system puts every write at the end. Read
  // access only for the lock below.
  UniqueHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA | GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) Fail(GetLastError());
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) Fail(ERROR_INVALID_NAME);
  handle_ = reinterpret_cast<std::intptr_t>(file.Release());
}

AppendOnlyFile::~AppendOnlyFile() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

void AppendOnlyFile::Append(std::string_view bytes) {
  const HANDLE file = reinterpret_cast<HANDLE>(handle_);
  // Wine finds the end and writes there in two steps, so two appenders can write over
  // each other; every appender holds this lock while it writes. It lies far past any
  // record's bytes, so readers never meet it.
  OVERLAPPED lockByte{};
  lockByte.OffsetHigh = kAppendLockOffsetHigh;
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockByte)) Fail(GetLastError());
  DWORD written = 0;
  const bool wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  const DWORD err = GetLastError();
  UnlockFileEx(file, 0, 1, 0, &lockByte);
  if (!wrote) Fail(err);
  // The rest in a second write could land after another program's line.
  if (written != bytes.size()) Fail(ERROR_DISK_FULL);
  if (!FlushFileBuffers(file)) Fail(GetLastError());
}
