// The rules of whole files that are the same on every platform (run on Linux and under Wine).

#include <gtest/gtest.h>

#include "params/file_io_internal.h"

namespace {

// The temporary file of a save goes into the folder as the target's path names it:
// the same on every platform, the root and a bare name included.
TEST(TempSavePath, LiesBesideTheTargetAsItsPathNamesIt) {
  const std::pair<const char*, const char*> rows[] = {
      {"a.HVK", ""}, {"d/a.HVK", "d/"}, {"/a.HVK", "/"}, {"d/e/a.HVK", "d/e/"}, {"./a.HVK", "./"}};
  const std::string name = ".kelvaro-save-" + std::to_string(ProcessId()) + "-7.tmp";
  for (const auto& [target, folder] : rows) EXPECT_EQ(TempSavePath(target, 7), folder + name) << target;
}

}  // namespace
