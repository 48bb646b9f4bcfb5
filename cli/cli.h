#pragma once
// kelvaro-cli: the tool's procedures and image files from the command line, for
// programming many modules from a script. No toolkit: the serial link's hand-offs
// are served by the core's own event pump.

#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "protocol/transfer.h"
#include "serial/module_finder.h"

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitModuleOrDifference = 1;  // the module failed, or a compare or diff found a difference
constexpr int kExitUsage = 2;               // a usage, port or file error

struct CliContext {
  std::ostream& out;  // results: listings, differences
  std::ostream& err;  // progress lines and errors
  // The transfer countdown's tick; shorter in tests.
  std::chrono::microseconds tick = kTickPeriod;
  std::istream& in = std::cin;  // the terminal batch asks, or a settings file piped in
  // How long find and auto hear the ports for a module; shorter in tests.
  std::chrono::milliseconds findWait = kFindAnswerWait;
};

// args without the program name.
int RunCli(const std::vector<std::string>& args, CliContext& context);
