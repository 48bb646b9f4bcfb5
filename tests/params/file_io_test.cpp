// The rules of whole files that are the same on every platform (run on Linux and under Wine).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <tuple>

#include "params/file_io.h"
#include "params/file_io_internal.h"
#include "tests/support/raised.h"

namespace {

namespace fs = std::filesystem;

// The temporary file of a save goes into the folder as the target's path names it:
// the same on every platform, the root and a bare name included.
TEST(TempSavePath, LiesBesideTheTargetAsItsPathNamesIt) {
  const std::pair<const char*, const char*> rows[] = {
      {"a.HVK", ""}, {"d/a.HVK", "d/"}, {"/a.HVK", "/"}, {"d/e/a.HVK", "d/e/"}, {"./a.HVK", "./"}};
  const std::string name = ".kelvaro-save-" + std::to_string(ProcessId()) + "-7.tmp";
  for (const auto& [target, folder] : rows) EXPECT_EQ(TempSavePath(target, 7), folder + name) << target;
}

// A separator at a name's end was refused by one system and opened as the file by
// another, a path too long for the system's calls came back as whatever error they
// chose, and a NUL would cut a name short: every way into a file refuses them alike,
// before anything is made.
TEST(FileNames, NamesTheSystemWouldMisreadAreRefusedAlikeEverywhere) {
  const std::string folder = (fs::temp_directory_path() / ("kelvaro-names-" + std::to_string(ProcessId()))).string();
  fs::create_directory(folder);
  const std::string existing = folder + kSeparators[0] + "f";
  std::ofstream(existing) << "x";
  const std::pair<std::string, int> rows[] = {
      {"", kFileErrorCodes.invalidName},
      {existing + std::string(1, '\0') + "b", kFileErrorCodes.invalidName},
      {existing + kSeparators[0], kFileErrorCodes.invalidName},
      {folder + kSeparators[0] + "new" + kSeparators[0], kFileErrorCodes.invalidName},
      {folder + kSeparators[0] + std::string(kPathLimit, 'n'), kFileErrorCodes.nameTooLong},
  };
  const std::function<void(const std::string&)> calls[] = {
      [](const std::string& path) { ReadFileStart(path, 16); },
      [](const std::string& path) { SaveFileAtomically(path, "new"); },
      [](const std::string& path) { AppendOnlyFile(path).Append("new"); },
  };
  for (const auto& [path, code] : rows) {
    for (const auto& call : calls) {
      const auto error = Raised<EInOutError>([&] { call(path); });
      ASSERT_TRUE(error) << path;
      EXPECT_STREQ(error->what(), "Invalid filename");
      EXPECT_EQ(error->ErrorCode(), code);
    }
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
  EXPECT_EQ(ReadFileStart(existing, 16).bytes, "x");
  fs::remove_all(folder);
}

// The bound was once the room read into, zero-filled on every read: a read still stops at
// the bound or the file's end, whichever comes first, across the room's growth.
TEST(ReadFileStart, ReadsUpToTheBoundOrTheEnd) {
  const std::string path = (fs::temp_directory_path() / ("kelvaro-read-" + std::to_string(ProcessId()))).string();
  const std::tuple<std::size_t, std::size_t, std::size_t> rows[] = {
      {0, 16, 0},          {5, 16, 5}, {16, 16, 16}, {17, 16, 16}, {4097, 1 << 20, 4097}, {20000, 1 << 20, 20000},
      {20000, 9000, 9000},
  };
  for (const auto& [size, limit, expected] : rows) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 26);
    std::ofstream(path, std::ios::binary) << bytes;
    EXPECT_EQ(ReadFileStart(path, limit).bytes, bytes.substr(0, expected)) << size << " " << limit;
  }
  fs::remove(path);
}

}  // namespace
