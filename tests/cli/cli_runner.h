#pragma once
// kelvaro-cli in-process for the tests that run it against simulated modules on
// pseudo-terminals, with 5 ms countdown ticks, so a time-out costs a fraction of a
// second and a reply still has 250 ms on a busy machine.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/json.h"
#include "params/image_file.h"
#include "sim/simulated_module.h"
#include "tests/support/file_bytes.h"
#include "tests/support/pty_pair.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Result {
  int status;
  std::string out, err;
};

// What the installer types: each line handed over only when the tool reads on, after
// before(k) for the k-th line (where a test plugs in the next module); then end of input.
class Typing : public std::streambuf {
 public:
  Typing(std::vector<std::string> lines, std::function<void(std::size_t)> before)
      : lines_(std::move(lines)), before_(std::move(before)) {}

 protected:
  int_type underflow() override {
    if (next_ == lines_.size()) return traits_type::eof();
    if (before_) before_(next_);
    current_ = lines_[next_++] + "\n";
    setg(current_.data(), current_.data(), current_.data() + current_.size());
    return traits_type::to_int_type(current_[0]);
  }

 private:
  std::vector<std::string> lines_;
  std::function<void(std::size_t)> before_;
  std::size_t next_ = 0;
  std::string current_;
};

// kelvaro-cli run in-process in a config folder of its own, its files there, and no
// port of the machine listed.
class CliRunner : public ::testing::Test {
 protected:
  CliRunner() { UnplugMachinePorts(config.Path()); }

  Result Run(std::vector<std::string> args, std::vector<std::string> typed = {},
             std::function<void(std::size_t)> beforeLine = {}) {
    std::ostringstream out, err;
    Typing typing(std::move(typed), std::move(beforeLine));
    std::istream in(&typing);
    CliContext context{out, err, 5ms, in, findWait};
    for (std::string& arg : args) {
      if (arg.ends_with(".HVK") || arg.ends_with(".csv") || arg.ends_with(".jsonl")) arg = Path(arg);
    }
    const int status = RunCli(args, context);
    return {status, out.str(), err.str()};
  }

  void Write(const std::string& name, const std::string& text) const { WriteFileBytes(Path(name), text); }

  std::vector<Json> RecordLines(const std::string& name) const {
    std::ifstream in(Path(name));
    std::vector<Json> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(ParseJson(line));
    return lines;
  }

  std::string Path(const std::string& name) const { return config.Path() + "/" + name; }

  void Save(const std::string& name, const ImageBytes& image) const { SaveImageFile(image, Path(name)); }

  ImageBytes Load(const std::string& name) const {
    ImageBytes image{};
    LoadImageFile(image, Path(name));
    return image;
  }

  TempConfigHome config;
  // find's and auto's wait for a module: the real one unless a test shortens it.
  std::chrono::milliseconds findWait = kFindAnswerWait;
};

// With a simulated module behind COM7.
class CliTest : public CliRunner {
 protected:
  void SetUp() override { module.Start(); }

  SimulatedModule module{"COM7", config.Path() + "/Kelvaro"};
};
