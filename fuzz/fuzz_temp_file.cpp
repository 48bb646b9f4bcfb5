#include "fuzz/fuzz_temp_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace {

std::string MakeFolder() {
  std::string base = "/dev/shm";
  if (::access(base.c_str(), W_OK) != 0) {
    const char* tmp = ::getenv("TMPDIR");
    base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  std::string pattern = base + "/kelvaro-fuzz-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) FuzzFail("cannot create the fuzz folder");
  return pattern;
}

struct FolderOwner {
  std::string path = MakeFolder();
  ~FolderOwner() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

void FuzzFail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

const std::string& FuzzFolder() {
  static FolderOwner owner;
  return owner.path;
}

std::string WriteFuzzFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  const std::string path = FuzzFolder() + "/" + name;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) FuzzFail("cannot write the fuzz file");
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) FuzzFail("cannot write the fuzz file");
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return path;
}

std::string ReadFuzzFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) FuzzFail("cannot read back a file");
  std::string bytes;
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) FuzzFail("cannot read back a file");
    if (n == 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}
