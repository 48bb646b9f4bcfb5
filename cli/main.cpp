// kelvaro-cli: the service tool's procedures from the command line.

#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "console.h"

int main(int argc, char** argv) {
  PrepareConsole();
  CliContext context{std::cout, std::cerr};
  return RunCli(std::vector<std::string>(argv + 1, argv + argc), context);
}
