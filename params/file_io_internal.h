#pragma once
// The file seam: the system's calls, one file per platform (file_io_posix.cpp,
// file_io_win32.cpp), chosen by the build. The names refused, the error texts, the
// temporary file and the steps of a save are file_io.cpp's. The seam raises FailFile
// or FailNotCreated with the system's own error number (errno; GetLastError on Windows).

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

[[noreturn]] void FailFile(int errorCode);        // EInOutError
[[noreturn]] void FailNotCreated(int errorCode);  // EFileNotCreated

// The error texts (file_io.cpp's) and the error numbers that get them (the seam's);
// a number in no row gets "I/O error <number>".
extern const char kNotFoundText[], kInvalidNameText[], kTooManyFilesText[], kAccessDeniedText[], kDiskFullText[];
struct ErrorText {
  int code;
  const char* text;
};
extern const std::span<const ErrorText> kErrorTexts;

// The system's numbers for what the shared rules find themselves: a name that names no
// file, a name longer than the system's calls take, a new file's name taken, a write
// that took nothing, a file longer than its reader takes.
struct FileErrorCodes {
  int invalidName, nameTooLong, nameTaken, diskFull, tooLarge;
};
extern const FileErrorCodes kFileErrorCodes;
extern const std::size_t kPathLimit;  // a path this long or longer the system's calls cannot name

extern const char kSeparators[];                  // the characters that end a folder's name
std::size_t RootLength(const std::string& path);  // past "C:" or "\\server\share" on Windows
bool MakeFolder(const std::string& path);         // true when the folder exists afterwards
unsigned long ProcessId();

// An open file; closed when it goes.
class SystemFile {
 public:
  virtual ~SystemFile() = default;
  // Up to size bytes, got = 0 at the end; the error number of a failed read, else 0.
  virtual int Read(char* buffer, std::size_t size, std::size_t& got) = 0;
  // Some of bytes; none when the medium is full.
  virtual std::size_t Write(std::string_view bytes) = 0;
  virtual void Flush() = 0;  // to the medium
  // Flushes and closes now, so that delayed write errors are raised.
  virtual void Close() = 0;
};
// Plain files only: a folder, a pipe or a device is an invalid name.
std::unique_ptr<SystemFile> OpenForReading(const std::string& path);
// A new file, or nullptr and the error number.
std::unique_ptr<SystemFile> CreateNewFile(const std::string& path, int& error);
// A plain file, made when missing, whose every Write lands at its end in one piece, even
// while other programs append to it.
std::unique_ptr<SystemFile> OpenForAppending(const std::string& path);

// What a save replaces (through a link, the file it points at) and what the new file
// keeps of it: its permissions, or its attributes on Windows. A read-only file raises
// EInOutError; a place that takes no file, EFileNotCreated.
struct SaveTarget {
  std::string path;
  bool replacing;
  unsigned keep;
};
SaveTarget FindSaveTarget(const std::string& path);
void KeepAttributes(const std::string& path, unsigned keep);
void RenameOver(const std::string& from, const std::string& to);  // EFileNotCreated
void RemoveFile(const std::string& path);

// ".kelvaro-save-<process>-<n>.tmp" in the target's folder, as the target's path names it.
std::string TempSavePath(const std::string& target, unsigned n);
