#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "params/file_io.h"

namespace {

namespace fs = std::filesystem;

// Two writers appending to one record at once: every line arrives whole.
TEST(AppendOnlyFile, TwoWritersNeverMixTheirLines) {
  const fs::path path = fs::temp_directory_path() / ("kelvaro-append-" + std::to_string(std::random_device()()));
  constexpr int kLines = 500;
  auto writer = [&](char letter) {
    AppendOnlyFile file(path.string());
    for (int k = 0; k < kLines; ++k) file.Append(std::string(1 + k % 300, letter) + "\n");
  };
  std::thread a(writer, 'a');
  std::thread b(writer, 'b');
  a.join();
  b.join();
  std::map<std::string, int> count;
  {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
      EXPECT_EQ(line.find_first_not_of(line[0]), std::string::npos) << line;
      ++count[line.substr(0, 1)];
    }
  }
  EXPECT_EQ(count["a"], kLines);
  EXPECT_EQ(count["b"], kLines);
  fs::remove(path);
  EXPECT_THROW(AppendOnlyFile(fs::temp_directory_path().string()), EInOutError);  // a folder
}

}  // namespace
