// The harnvik-sim command as a user runs it: its line on stdout, its link, its
// answers to an independent client, and its exit.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "params/image_file.h"
#include "raw_client.h"
#include "sim/module_logic.h"
#include "sim/sample_image.h"
#include "tests/support/file_bytes.h"
#include "tests/support/pty_pair.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// harnvik-sim as a child process, its stdout and stderr on pipes.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args) {
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> all{HARNVIK_SIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int error = ::posix_spawn(&pid_, HARNVIK_SIM_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
    if (error != 0) pid_ = -1;
  }

  ~SimProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
    ::close(err_);
  }

  // Everything on stdout up to the first newline, or what came before the timeout.
  std::string FirstLine(std::chrono::milliseconds timeout = 5s) { return ReadUntilNewline(out_, timeout); }
  std::string Errors() { return ReadUntilNewline(err_, 5s, true); }

  // The exit status, or 128 + the signal that ended it.
  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  void Signal(int number) const { ::kill(pid_, number); }

 private:
  static std::string ReadUntilNewline(int fd, std::chrono::milliseconds timeout, bool toEnd = false) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (toEnd || text.find('\n') == std::string::npos) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{fd, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char c[256];
      const ssize_t got = ::read(fd, c, sizeof c);
      if (got <= 0) break;
      text.append(c, static_cast<std::size_t>(got));
    }
    return text;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
};

class HarnvikSim : public ::testing::Test {
 protected:
  std::string ConfigDir() const { return config.Path() + "/Kelvaro"; }
  std::string Link(const std::string& name) const { return ConfigDir() + "/ports/" + name; }

  TempConfigHome config;
};

TEST_F(HarnvikSim, PrintsItsNameAndDeviceAnswersAndRemovesItsLinkOnSigterm) {
  SimProcess sim({"--config-dir", ConfigDir(), "--port", "COM11"});
  const std::string line = sim.FirstLine();
  ASSERT_TRUE(line.starts_with("COM11 /dev/pts/")) << line;
  const std::string device = line.substr(6, line.size() - 7);
  EXPECT_EQ(fs::read_symlink(Link("COM11")).string(), device);
  {
    RawClient client(Link("COM11"));
    client.Send("RDFL0001\r");
    EXPECT_EQ(client.ReadLines(1), BlockReplyLine(SampleImage(), 1, {}));
  }
  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link("COM11"))));
}

TEST_F(HarnvikSim, UsesComNineAndTheConfigHomeByDefaultAndEndsOnSigint) {
  SimProcess sim({});
  ASSERT_TRUE(sim.FirstLine().starts_with("COM9 /dev/pts/"));
  EXPECT_TRUE(fs::is_symlink(Link("COM9")));
  sim.Signal(SIGINT);
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link("COM9"))));
}

TEST_F(HarnvikSim, FaultsComeFromTheCommandLine) {
  SimProcess sim({"--config-dir", ConfigDir(), "--wrong-block", "0", "--reject-write", "2"});
  ASSERT_FALSE(sim.FirstLine().empty());
  RawClient client(Link("COM9"));
  client.Send("RDFL0000\r");
  EXPECT_EQ(client.ReadLines(1), BlockReplyLine(SampleImage(), 0, {.wrongBlock = 0}));
  client.Send("WRFL\r" + FrameToHex(BuildFrame(SampleImage(), 2)) + "\r");
  EXPECT_EQ(client.ReadLines(1), "WRFLERR\r\n");
}

TEST_F(HarnvikSim, StartsFromAnImageFileAndSavesToItOnActivation) {
  const std::string file = config.Path() + "/start.HVK";
  ImageBytes image;
  image.fill(0x5A);
  SaveImageFile(image, file);
  SimProcess sim({"--config-dir", ConfigDir(), "--image", file});
  ASSERT_FALSE(sim.FirstLine().empty());
  RawClient client(Link("COM9"));
  client.Send("RDFL0003\r");
  EXPECT_EQ(client.ReadLines(1), BlockReplyLine(image, 3, {}));

  ImageBytes next = image;
  next[0] = 0x11;
  client.Send("WRFL\r" + FrameToHex(BuildFrame(next, 0)) + "\rWRACT\r");
  EXPECT_EQ(client.ReadLines(2), "WROK\r\nCRCOK\r\n");
  ImageBytes saved{};
  LoadImageFile(saved, file);
  EXPECT_EQ(saved, next);
}

TEST_F(HarnvikSim, LogsBothSidesOfTheLineToTheLogFile) {
  const std::string file = config.Path() + "/line.log";
  SimProcess sim({"--config-dir", ConfigDir(), "--log", file});
  ASSERT_FALSE(sim.FirstLine().empty());
  {
    RawClient client(Link("COM9"));
    client.Send("WRACT\r");
    EXPECT_EQ(client.ReadLines(1), "CRCOK\r\n");
  }
  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.Wait(), 0);
  const std::string log = FileBytes(file);
  EXPECT_NE(log.find(" in  \"WRACT\\r\"\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" out \"CRCOK\\r\\n\"\n"), std::string::npos) << log;
}

TEST_F(HarnvikSim, ALogFileThatCannotBeWrittenIsAnError) {
  const std::string file = config.Path() + "/no-such-folder/line.log";
  SimProcess sim({"--config-dir", ConfigDir(), "--log", file});
  EXPECT_EQ(sim.Wait(), 1);
  EXPECT_EQ(sim.Errors(), "harnvik-sim: cannot write " + file + ": No such file or directory\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link("COM9"))));
}

TEST_F(HarnvikSim, AMissingImageFileIsAnError) {
  SimProcess sim({"--config-dir", ConfigDir(), "--image", config.Path() + "/none.HVK"});
  EXPECT_EQ(sim.Wait(), 1);
  EXPECT_EQ(sim.Errors(), "harnvik-sim: cannot load " + config.Path() + "/none.HVK: File not found\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link("COM9"))));
}

TEST_F(HarnvikSim, ABadOptionIsAUsageError) {
  SimProcess sim({"--config-dir", ConfigDir(), "--bad-checksum", "7"});
  EXPECT_EQ(sim.Wait(), 2);
  EXPECT_EQ(sim.Errors(),
            "harnvik-sim: --bad-checksum wants a whole number from 0 to 3, not \"7\"\nTry harnvik-sim --help.\n");
}

TEST_F(HarnvikSim, HelpListsTheOptions) {
  SimProcess sim({"--help"});
  EXPECT_EQ(sim.Wait(), 0);
  const std::string text = sim.FirstLine();
  EXPECT_TRUE(text.starts_with("Usage: harnvik-sim [options]\n")) << text;
}

}  // namespace
