// kelvaro-cli in-process against the simulated module on a pseudo-terminal, with
// 1 ms countdown ticks so a time-out costs milliseconds.

#include "cli/cli.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "params/image_file.h"
#include "sim/simulated_module.h"
#include "tests/support/pty_pair.h"
#include "tests/support/test_images.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Result {
  int status;
  std::string out, err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { module.Start(); }

  Result Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    CliContext context{out, err, 1ms};
    for (std::string& arg : args) {
      if (arg.ends_with(".HVK")) arg = Path(arg);
    }
    const int status = RunCli(args, context);
    return {status, out.str(), err.str()};
  }

  std::string Path(const std::string& name) const { return config.Path() + "/" + name; }

  void Save(const std::string& name, const ImageBytes& image) const { SaveImageFile(image, Path(name)); }

  ImageBytes Load(const std::string& name) const {
    ImageBytes image{};
    LoadImageFile(image, Path(name));
    return image;
  }

  TempConfigHome config;
  SimulatedModule module{"COM7", config.Path() + "/Kelvaro"};
};

TEST_F(CliTest, ReadSavesTheModulesMemoryAndNothingWhenABlockFails) {
  EXPECT_EQ(Run({"read", "COM7", "out.HVK"}).status, 0);
  EXPECT_EQ(Load("out.HVK"), module.Memory());

  module.SetFaults({.wrongBlock = 2});
  const Result failed = Run({"read", "COM7", "failed.HVK"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err,
            "block 1/4 read\nblock 2/4 read\nblock 3/4 failed\nkelvaro-cli: block 3: the reply was for block 4\n");
  EXPECT_FALSE(fs::exists(Path("failed.HVK")));
}

TEST_F(CliTest, WriteVerifiedRoundTripsAndARefusalIsAModuleFailure) {
  Save("in.HVK", SteppedImage(7, 3));
  EXPECT_EQ(Run({"write", "COM7", "in.HVK", "--verify"}).status, 0);
  EXPECT_EQ(module.Memory(), SteppedImage(7, 3));

  module.SetFaults({.rejectWrite = 1});
  const Result refused = Run({"write", "COM7", "in.HVK"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(refused.err.ends_with("kelvaro-cli: block 2: refused by the module (WRFLERR)\n")) << refused.err;
}

TEST_F(CliTest, CompareNamesEveryDifferingFieldAndLeavesTheFileAlone) {
  ImageBytes file = module.Memory();
  StorePhoneNumber(file, EEAddr::User2, {"1", "2"});
  file[900] ^= 1;  // a later block than the first difference
  Save("file.HVK", file);
  const Result result = Run({"compare", "COM7", "file.HVK"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "2. Felhasználó  (#USER2): 12 ≠ 06209876543\nEgyéb bájtok: 1 eltér\n");
  EXPECT_EQ(Load("file.HVK"), file);
  Save("same.HVK", module.Memory());
  const Result same = Run({"compare", "COM7", "same.HVK"});
  EXPECT_EQ(same.status, 0);
  EXPECT_EQ(same.out, "");
}

TEST_F(CliTest, ShowAndDiffReadTheFilesAlone) {
  Save("a.HVK", module.Memory());
  const Result json = Run({"show", "a.HVK", "--json"});
  EXPECT_EQ(json.status, 0);
  EXPECT_NE(json.out.find("\"user1\": \"06301234567\",\n"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"sms2\": \"Tűzjelzés a lakásban\",\n"), std::string::npos);
  EXPECT_TRUE(json.out.ends_with("\"marker\": 55\n}\n"));
  EXPECT_EQ(Run({"diff", "a.HVK", "a.HVK"}).status, 0);
}

// Every bad input: one line on standard error, exit status 2, no output.
TEST_F(CliTest, BadInputIsOneLineAndStatusTwo) {
  std::ofstream(Path("short.HVK"), std::ios::binary) << std::string(1000, 'x');
  fs::create_directory(Path("folder.HVK"));
  LinkPort("COM8", config.Path() + "/nothing");
  const std::vector<std::vector<std::string>> rows = {
      {},
      {"frob"},
      {"show"},
      {"show", "a.HVK", "--yaml"},
      {"show", "short.HVK"},
      {"show", "folder.HVK"},
      {"show", "missing.HVK"},
      {"read", "LPT1", "out.HVK"},
      {"read", "COM8", "out.HVK"},
      {"state", "COM7", "--seconds", "0"},
      {"read", "COM7", "out.HVK"},  // held by another program
  };
  const int holder = ::open(module.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  for (const auto& args : rows) {
    const Result result = Run(args);
    EXPECT_EQ(result.status, 2) << testing::PrintToString(args);
    EXPECT_TRUE(result.out.empty()) << testing::PrintToString(args);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  ::close(holder);
  EXPECT_FALSE(fs::exists(Path("out.HVK")));
}

// Unplugged after two replies: the line hangs up, or the third request meets it dead;
// either way a port error, no file, and one line that says so.
TEST_F(CliTest, AnUnpluggedModuleEndsTheReadWithoutAFile) {
  module.SetFaults({.hangupAfter = 2});
  const Result result = Run({"read", "COM7", "out.HVK"});
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(result.err.ends_with("kelvaro-cli: COM7: the line hung up (adapter unplugged?)\n") ||
              result.err.find("kelvaro-cli: WriteFile function failed") != std::string::npos)
      << result.err;
  EXPECT_FALSE(fs::exists(Path("out.HVK")));
}

}  // namespace
