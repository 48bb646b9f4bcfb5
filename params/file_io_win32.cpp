// The file seam on Windows: the ANSI file functions, GetLastError, and MoveFileEx for
// the atomic save.
//
// Paths are the program's 8-bit strings and go to the ANSI (...A) functions as they
// are. The windows hand paths over through QFile::encodeName, which on Windows is the
// system's ANSI code page (1250 on the Central European systems the tool is made for),
// and %APPDATA% comes in that code page too; converting from 1250 explicitly would
// misread those paths on any system with another ANSI code page. The ANSI functions
// name nothing of MAX_PATH characters or more.

#include <windows.h>

#include <utility>

#include "params/file_io_internal.h"

namespace {

// The byte the appenders of a file lock, at 2^62.
constexpr DWORD kAppendLockOffsetHigh = 0x40000000;

const ErrorText kTexts[] = {
    {ERROR_FILE_NOT_FOUND, kNotFoundText},     {ERROR_PATH_NOT_FOUND, kNotFoundText},
    {ERROR_INVALID_NAME, kInvalidNameText},    {ERROR_BAD_PATHNAME, kInvalidNameText},
    {ERROR_DIRECTORY, kInvalidNameText},       {ERROR_FILENAME_EXCED_RANGE, kInvalidNameText},
    {ERROR_INVALID_DRIVE, kInvalidNameText},   {ERROR_TOO_MANY_OPEN_FILES, kTooManyFilesText},
    {ERROR_ACCESS_DENIED, kAccessDeniedText},  {ERROR_SHARING_VIOLATION, kAccessDeniedText},
    {ERROR_LOCK_VIOLATION, kAccessDeniedText}, {ERROR_WRITE_PROTECT, kAccessDeniedText},
    {ERROR_DISK_FULL, kDiskFullText},          {ERROR_HANDLE_DISK_FULL, kDiskFullText},
};

[[noreturn]] void Fail(DWORD errorCode) { FailFile(static_cast<int>(errorCode)); }
[[noreturn]] void FailCreating(DWORD errorCode) { FailNotCreated(static_cast<int>(errorCode)); }

// Wine finds a file's end and writes there in two steps, so two appenders could write
// over each other; every appender holds a lock on this byte while it writes. It lies
// far past any record's bytes, so readers never meet it.
class AppendLock {
 public:
  AppendLock(HANDLE file, bool appending) : file_(appending ? file : INVALID_HANDLE_VALUE) {
    byte_.OffsetHigh = kAppendLockOffsetHigh;
    if (appending && !LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &byte_)) Fail(GetLastError());
  }
  ~AppendLock() {
    if (file_ != INVALID_HANDLE_VALUE) UnlockFileEx(file_, 0, 1, 0, &byte_);
  }

 private:
  HANDLE file_;
  OVERLAPPED byte_{};
};

class WinFile : public SystemFile {
 public:
  explicit WinFile(HANDLE handle, bool appending = false) : handle_(handle), appending_(appending) {}
  ~WinFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  int Read(char* buffer, std::size_t size, std::size_t& got) override {
    DWORD n = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(size), &n, nullptr)) return static_cast<int>(GetLastError());
    got = n;
    return 0;
  }
  std::size_t Write(std::string_view bytes) override {
    const AppendLock lock(handle_, appending_);
    DWORD n = 0;
    if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr)) Fail(GetLastError());
    return n;
  }
  void Flush() override {
    if (!FlushFileBuffers(handle_)) Fail(GetLastError());
  }
  void Close() override {
    Flush();
    if (!CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE))) Fail(GetLastError());
  }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
  bool appending_;
};

// Only plain files are read or replaced: a folder or a device (NUL, COM1) is no image.
DWORD NotPlainFileError(DWORD attributes) {
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ? ERROR_INVALID_NAME : 0;
}

// The file a link or junction names, so that the save replaces it rather than the link.
std::string FinalPath(const std::string& path) {
  WinFile file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) FailCreating(GetLastError());
  char target[MAX_PATH + 4] = {};  // room for the "\\?\" in front of a drive path
  const DWORD length = GetFinalPathNameByHandleA(file.Get(), target, sizeof target, FILE_NAME_NORMALIZED);
  if (length == 0) FailCreating(GetLastError());
  if (length >= sizeof target) FailCreating(ERROR_FILENAME_EXCED_RANGE);
  std::string result(target, length);
  // Plain drive paths read better, and MoveFileEx takes them either way.
  if (result.rfind("\\\\?\\", 0) == 0 && result.size() > 6 && result[5] == ':') result.erase(0, 4);
  return result;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A file just opened, or the error of its opening; a device under its name (NUL, COM1,
// or one swapped in since a first look) is an invalid name.
std::unique_ptr<SystemFile> OpenedPlainFile(HANDLE handle, bool appending = false) {
  if (handle == INVALID_HANDLE_VALUE) Fail(GetLastError());
  auto file = std::make_unique<WinFile>(handle, appending);
  if (GetFileType(handle) != FILE_TYPE_DISK) Fail(ERROR_INVALID_NAME);
  return file;
}

}  // namespace

const std::span<const ErrorText> kErrorTexts = kTexts;
const FileErrorCodes kFileErrorCodes{ERROR_INVALID_NAME, ERROR_FILENAME_EXCED_RANGE, ERROR_FILE_EXISTS, ERROR_DISK_FULL,
                                     ERROR_FILE_TOO_LARGE};
const std::size_t kPathLimit = MAX_PATH;
const char kSeparators[] = "\\/";

std::size_t RootLength(const std::string& path) {
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    const std::size_t server = path.find_first_of(kSeparators, 2);
    return server == std::string::npos ? std::string::npos : path.find_first_of(kSeparators, server + 1);
  }
  return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

bool MakeFolder(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

std::unique_ptr<SystemFile> OpenForReading(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) Fail(GetLastError());
  if (const DWORD err = NotPlainFileError(attributes)) Fail(err);
  return OpenedPlainFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Append access without write access: the system puts every write at the end. Read
// access only for the appenders' lock.
std::unique_ptr<SystemFile> OpenForAppending(const std::string& path) {
  return OpenedPlainFile(
      CreateFileA(path.c_str(), FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
      true);
}

std::unique_ptr<SystemFile> CreateNewFile(const std::string& path, int& error) {
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  error = static_cast<int>(GetLastError());
  return handle == INVALID_HANDLE_VALUE ? nullptr : std::make_unique<WinFile>(handle);
}

SaveTarget FindSaveTarget(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND) FailCreating(err);
    return {path, false, 0};
  }
  if (const DWORD err = NotPlainFileError(attributes)) FailCreating(err);
  // A read-only file stays protected even though moving over it could be forced.
  if (attributes & FILE_ATTRIBUTE_READONLY) Fail(ERROR_ACCESS_DENIED);
  const std::string target = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? FinalPath(path) : path;
  // These attributes are kept; FILE_ATTRIBUTE_NORMAL stands for none of them.
  const DWORD kept = attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  return {target, true, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL};
}

void KeepAttributes(const std::string& path, unsigned keep) {
  if (!SetFileAttributesA(path.c_str(), keep)) Fail(GetLastError());
}

void RenameOver(const std::string& from, const std::string& to) {
  if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    FailCreating(GetLastError());
  }
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }
