#pragma once
// Whole files, read and written the one way the program does it: image files and the
// port choice file both go through here. A save writes a temporary file beside the
// target and renames it into place, so a failed save leaves any previous file intact.

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// The input/output error of file operations. Its message is one of
// "File not found", "Invalid filename", "Too many open files", "File access denied",
// "Read beyond end of file", "Disk full", "File too large" or "I/O error <code>".
// ErrorCode() is the system's error number, or kShortFileCode when the file ended early.
class EInOutError : public std::runtime_error {
 public:
  EInOutError(const std::string& message, int errorCode);
  int ErrorCode() const { return errorCode_; }

 private:
  int errorCode_;
};

// A save that failed before any byte of the new file was in place: the name, the
// folder or the thing already there would not take a new file. Any previous file is
// untouched.
class EFileNotCreated : public EInOutError {
 public:
  using EInOutError::EInOutError;
};

constexpr int kShortFileCode = 0;
inline constexpr char kReadBeyondEndText[] = "Read beyond end of file";

// The message for a system error number (errno; on Windows the GetLastError code).
std::string InOutErrorMessage(int errorCode);
// A file longer than its reader takes: "File too large", with the system's own number for it.
EInOutError FileTooLarge();

// The first bytes of a regular file, at most limit of them. A file that cannot be
// opened, or is no regular file (a folder, a FIFO, a device), raises EInOutError.
// A read that fails part way keeps what came before it and sets readError.
struct FileStart {
  std::string bytes;
  int readError = 0;
};
FileStart ReadFileStart(const std::string& path, std::size_t limit);

// Replaces the file at path (through a symbolic link, the file it points at) with
// bytes, keeping the permissions of a file it replaces. A read-only target is refused
// ("File access denied"); failures before the new file exists raise EFileNotCreated,
// failures while writing it raise EInOutError.
void SaveFileAtomically(const std::string& path, std::string_view bytes);

// Creates every missing folder above path; false when one cannot be made.
bool MakeParentFolders(const std::string& path);

class SystemFile;

// A file that only grows, such as a record several programs append to at once: each
// Append lands at the end in one write, so their lines never mix. A missing file is
// created; one that cannot be opened for appending, or is no regular file, raises
// EInOutError, as does an Append that could not write all its bytes to the disk.
class AppendOnlyFile {
 public:
  explicit AppendOnlyFile(const std::string& path);
  ~AppendOnlyFile();
  void Append(std::string_view bytes);

 private:
  std::unique_ptr<SystemFile> file_;
};
