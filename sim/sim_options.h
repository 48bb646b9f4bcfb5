#pragma once
// harnvik-sim's command line.

#include <stdexcept>
#include <string>
#include <vector>

#include "sim_faults.h"

inline constexpr char kDefaultSimPort[] = "COM9";

struct SimOptions {
  std::string port = kDefaultSimPort;
  std::string configDir;  // empty: the program's own config folder
  std::string imageFile;  // empty: the built-in sample configuration
  std::string logFile;    // empty: no log of the line
  SimFaults faults;
  std::string heldStatus;  // empty: the state moves by itself
  int messages = -1;       // below 0: a message now and then
  bool help = false;
};

// A bad command line; the message names the option and what it wants.
class SimUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// args without the program name. Raises SimUsageError.
SimOptions ParseSimOptions(const std::vector<std::string>& args);
std::string SimUsage();
