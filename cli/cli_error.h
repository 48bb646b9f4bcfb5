#pragma once
// A failure a command reports on one line of standard error, with its exit status.

#include <stdexcept>
#include <string>

#include "cli.h"

class CliError : public std::runtime_error {
 public:
  CliError(int exitStatus, const std::string& message) : std::runtime_error(message), exitStatus_(exitStatus) {}
  int ExitStatus() const { return exitStatus_; }

 private:
  int exitStatus_;
};

[[noreturn]] inline void UsageError(const std::string& message) { throw CliError(kExitUsage, message); }
