// The rules of whole files, the same on every platform; the system's calls are the
// file seam's (file_io_internal.h).

#include "params/file_io.h"

#include <atomic>
#include <cstring>

#include "params/file_io_internal.h"

namespace {

// Temporary names already taken (leftovers of a crashed run) are skipped this many times at most.
constexpr int kTempNameAttempts = 100;
constexpr char kFileTooLargeText[] = "File too large";

// A NUL inside the name would make the system see a different, shorter name.
bool BadName(const std::string& path) { return path.empty() || path.find('\0') != std::string::npos; }

// The temporary file of a save: closed and removed unless it was moved into place.
class TempFile {
 public:
  explicit TempFile(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 1; !file_; ++attempt) {
      path_ = TempSavePath(target, counter++);
      int error = 0;
      file_ = CreateNewFile(path_, error);
      if (!file_ && (error != kFileErrorCodes.nameTaken || attempt == kTempNameAttempts)) FailNotCreated(error);
    }
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  // Closed first: Windows removes no open file.
  ~TempFile() {
    file_.reset();
    if (!moved_) RemoveFile(path_);
  }

  void WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
      const std::size_t written = file_->Write(bytes);
      if (written == 0) FailFile(kFileErrorCodes.diskFull);
      bytes.remove_prefix(written);
    }
    file_->Flush();
    file_->Close();
  }
  void MoveOver(const std::string& target) {
    RenameOver(path_, target);
    moved_ = true;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::unique_ptr<SystemFile> file_;
  bool moved_ = false;
};

}  // namespace

EInOutError::EInOutError(const std::string& message, int errorCode)
    : std::runtime_error(message), errorCode_(errorCode) {}

void FailFile(int errorCode) { throw EInOutError(InOutErrorMessage(errorCode), errorCode); }
void FailNotCreated(int errorCode) { throw EFileNotCreated(InOutErrorMessage(errorCode), errorCode); }

EInOutError FileTooLarge() { return EInOutError(kFileTooLargeText, kFileErrorCodes.tooLarge); }

std::string InOutErrorMessage(int errorCode) {
  switch (FailureOf(errorCode)) {
    case FileFailure::NotFound: return "File not found";
    case FileFailure::InvalidName: return "Invalid filename";
    case FileFailure::TooManyOpenFiles: return "Too many open files";
    case FileFailure::AccessDenied: return "File access denied";
    case FileFailure::DiskFull: return "Disk full";
    case FileFailure::Other: break;
  }
  return "I/O error " + std::to_string(errorCode);
}

std::string TempSavePath(const std::string& target, unsigned n) {
  // The folder as the target names it, its last separator included: "" for none, "/" for the root.
  const std::size_t nameStart = target.find_last_of(kSeparators) + 1;
  return target.substr(0, nameStart) + ".kelvaro-save-" + std::to_string(ProcessId()) + "-" + std::to_string(n) +
         ".tmp";
}

FileStart ReadFileStart(const std::string& path, std::size_t limit) {
  if (BadName(path)) FailFile(kFileErrorCodes.invalidName);
  const std::unique_ptr<SystemFile> file = OpenForReading(path);
  FileStart start;
  start.bytes.resize(limit);
  std::size_t total = 0;
  while (total < limit) {
    std::size_t got = 0;
    start.readError = file->Read(start.bytes.data() + total, limit - total, got);
    if (start.readError != 0 || got == 0) break;
    total += got;
  }
  start.bytes.resize(total);
  return start;
}

void SaveFileAtomically(const std::string& path, std::string_view bytes) {
  if (BadName(path) || std::strchr(kSeparators, path.back()) != nullptr) FailNotCreated(kFileErrorCodes.invalidName);
  const SaveTarget target = FindSaveTarget(path);
  TempFile temp(target.path);
  temp.WriteAll(bytes);
  if (target.replacing) KeepAttributes(temp.Path(), target.keep);
  temp.MoveOver(target.path);
}

bool MakeParentFolders(const std::string& path) {
  const std::size_t root = RootLength(path);
  if (root == std::string::npos) return true;
  for (std::size_t separator = path.find_first_of(kSeparators, root + 1); separator != std::string::npos;
       separator = path.find_first_of(kSeparators, separator + 1)) {
    if (!MakeFolder(path.substr(0, separator))) return false;
  }
  return true;
}
