#pragma once
// The file seam: the system's own calls, one implementation per platform, chosen by
// the build (file_io_posix.cpp, file_io_win32.cpp). The rules around them (the names
// refused, the error texts, the temporary file and its attempts, the steps of a save)
// are file_io.cpp's, the same on every platform. Failures are raised with FailFile or
// FailNotCreated and the system's own error number (errno; GetLastError on Windows).

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

[[noreturn]] void FailFile(int errorCode);        // EInOutError
[[noreturn]] void FailNotCreated(int errorCode);  // EFileNotCreated

// What an error number means, as far as the error texts tell it.
enum class FileFailure { NotFound, InvalidName, TooManyOpenFiles, AccessDenied, DiskFull, Other };
FileFailure FailureOf(int errorCode);

// The system's numbers for what the shared rules find themselves.
struct FileErrorCodes {
  int invalidName;  // a name that names no file
  int nameTaken;    // a new file's name is taken
  int diskFull;     // a write that took nothing
  int tooLarge;     // a file longer than its reader takes
};
extern const FileErrorCodes kFileErrorCodes;

// The characters that end a folder's name in a path.
extern const char kSeparators[];
// Where the folders of a path start: past "C:" or "\\server\share" on Windows.
std::size_t RootLength(const std::string& path);
// True when the folder exists afterwards.
bool MakeFolder(const std::string& path);
unsigned long ProcessId();

// An open file; closed when it goes.
class SystemFile {
 public:
  virtual ~SystemFile() = default;
  // Up to size bytes into buffer, got = 0 at the end; the error number of a failed read, else 0.
  virtual int Read(char* buffer, std::size_t size, std::size_t& got) = 0;
  // Some of bytes, at least one unless the medium is full; raises.
  virtual std::size_t Write(std::string_view bytes) = 0;
  virtual void Flush() = 0;
  // Closes now, so that a failing close (delayed write errors) is raised.
  virtual void Close() = 0;
};

// A plain file, for reading; a folder, a pipe or a device is an invalid name.
std::unique_ptr<SystemFile> OpenForReading(const std::string& path);
// A new file for writing, or nullptr and the error number.
std::unique_ptr<SystemFile> CreateNewFile(const std::string& path, int& error);

// What a save replaces: through a link, the file it points at.
struct SaveTarget {
  std::string path;
  bool replacing = false;
  unsigned keep = 0;  // what the replaced file keeps: its permissions, or its attributes on Windows
};
// Raises EFileNotCreated when nothing can be saved there, and EInOutError for a read-only file.
SaveTarget FindSaveTarget(const std::string& path);
// Gives the new file what the replaced one keeps.
void KeepAttributes(const std::string& path, unsigned keep);
// Moves from over to; raises EFileNotCreated.
void RenameOver(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);

// The temporary file's path beside the target: ".kelvaro-save-<process>-<n>.tmp" in its folder.
std::string TempSavePath(const std::string& target, unsigned n);
