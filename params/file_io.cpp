// The rules of whole files, the same on every platform; the system's calls are the
// file seam's (file_io_internal.h).

#include "params/file_io.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "params/file_io_internal.h"

const char kNotFoundText[] = "File not found";
const char kInvalidNameText[] = "Invalid filename";
const char kTooManyFilesText[] = "Too many open files";
const char kAccessDeniedText[] = "File access denied";
const char kDiskFullText[] = "Disk full";

namespace {

// Temporary names already taken (leftovers of a crashed run) are skipped this many times at most.
constexpr int kTempNameAttempts = 100;
// The room a read starts with, then doubles.
constexpr std::size_t kFirstReadSize = 4096;

// The error number of a name the system's calls would misread, else 0: a NUL inside it
// would make them see a shorter name, a separator at its end a folder's (which one
// system refuses and another opens as the file), and a path of kPathLimit characters
// or more they cannot name at all.
int NameError(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos || std::strchr(kSeparators, path.back()) != nullptr) {
    return kFileErrorCodes.invalidName;
  }
  return path.size() >= kPathLimit ? kFileErrorCodes.nameTooLong : 0;
}

// The temporary file of a save, removed unless it was moved into place; closed first,
// since Windows removes no open file.
struct TempFile {
  std::string path;  // empty until the file is made, and once it is in place
  std::unique_ptr<SystemFile> file;
  ~TempFile() {
    file.reset();
    if (!path.empty()) RemoveFile(path);
  }
};

}  // namespace

EInOutError::EInOutError(const std::string& message, int errorCode)
    : std::runtime_error(message), errorCode_(errorCode) {}

void FailFile(int errorCode) { throw EInOutError(InOutErrorMessage(errorCode), errorCode); }
void FailNotCreated(int errorCode) { throw EFileNotCreated(InOutErrorMessage(errorCode), errorCode); }

EInOutError FileTooLarge() { return EInOutError("File too large", kFileErrorCodes.tooLarge); }

std::string InOutErrorMessage(int errorCode) {
  const auto row = std::find_if(kErrorTexts.begin(), kErrorTexts.end(),
                                [&](const ErrorText& candidate) { return candidate.code == errorCode; });
  return row != kErrorTexts.end() ? row->text : "I/O error " + std::to_string(errorCode);
}

std::string TempSavePath(const std::string& target, unsigned n) {
  const std::size_t nameStart = target.find_last_of(kSeparators) + 1;  // 0 without a folder
  return target.substr(0, nameStart) + ".kelvaro-save-" + std::to_string(ProcessId()) + "-" + std::to_string(n) +
         ".tmp";
}

FileStart ReadFileStart(const std::string& path, std::size_t limit) {
  if (const int error = NameError(path)) FailFile(error);
  const std::unique_ptr<SystemFile> file = OpenForReading(path);
  FileStart start;
  std::size_t total = 0;
  while (total < limit) {
    // The room grows as the bytes come: a bound far above a file's usual size (the port
    // choice file's 1 MiB) costs nothing when the file is small.
    if (total == start.bytes.size()) start.bytes.resize(std::min(limit, std::max(kFirstReadSize, 2 * total)));
    std::size_t got = 0;
    start.readError = file->Read(start.bytes.data() + total, start.bytes.size() - total, got);
    if (start.readError != 0 || got == 0) break;
    total += got;
  }
  start.bytes.resize(total);
  return start;
}

void SaveFileAtomically(const std::string& path, std::string_view bytes) {
  if (const int error = NameError(path)) FailNotCreated(error);
  const SaveTarget target = FindSaveTarget(path);
  // Through a link, the file it names, whose path may be longer.
  if (const int error = NameError(target.path)) FailNotCreated(error);
  static std::atomic<unsigned> counter{0};
  TempFile temp;
  for (int attempt = 1; !temp.file; ++attempt) {
    const std::string name = TempSavePath(target.path, counter++);
    int error = NameError(name);
    if (error == 0) temp.file = CreateNewFile(name, error);
    if (temp.file) {
      temp.path = name;
    } else if (error != kFileErrorCodes.nameTaken || attempt == kTempNameAttempts) {
      FailNotCreated(error);
    }
  }
  for (std::string_view rest = bytes; !rest.empty();) {
    const std::size_t written = temp.file->Write(rest);
    if (written == 0) FailFile(kFileErrorCodes.diskFull);
    rest.remove_prefix(written);
  }
  temp.file->Close();
  if (target.replacing) KeepAttributes(temp.path, target.keep);
  RenameOver(temp.path, target.path);
  temp.path.clear();
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

AppendOnlyFile::AppendOnlyFile(const std::string& path) {
  if (const int error = NameError(path)) FailFile(error);
  file_ = OpenForAppending(path);
}

AppendOnlyFile::~AppendOnlyFile() = default;

void AppendOnlyFile::Append(std::string_view bytes) {
  // The rest in a second write could land after another program's line.
  if (file_->Write(bytes) != bytes.size()) FailFile(kFileErrorCodes.diskFull);
  file_->Flush();
}
