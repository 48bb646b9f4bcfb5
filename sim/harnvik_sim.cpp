// harnvik-sim: a simulated module for trying the tool without the hardware.

#include <pthread.h>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "params/image_file.h"
#include "serial/port_names.h"
#include "sim_options.h"
#include "simulated_module.h"

int main(int argc, char** argv) {
  SimOptions options;
  try {
    options = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const SimUsageError& error) {
    std::fprintf(stderr, "harnvik-sim: %s\nTry harnvik-sim --help.\n", error.what());
    return 2;
  }
  if (options.help) {
    std::fputs(SimUsage().c_str(), stdout);
    return 0;
  }

  // The signals that end us are taken by sigwait below, never by a handler, so the
  // module's thread never sees them and the link is removed on the way out.
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGINT);
  sigaddset(&endSignals, SIGTERM);
  sigaddset(&endSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

  try {
    const std::string configDir = options.configDir.empty() ? ConfigDir() : options.configDir;
    SimulatedModule module(options.port, configDir, options.faults);
    if (!options.imageFile.empty()) {
      ImageBytes memory{};
      try {
        LoadImageFile(memory, options.imageFile);
      } catch (const std::exception& error) {
        std::fprintf(stderr, "harnvik-sim: cannot load %s: %s\n", options.imageFile.c_str(), error.what());
        return 1;
      }
      module.SetMemory(memory);
      module.SetImageFile(options.imageFile);
    }
    module.HoldStatus(options.heldStatus, options.messages);
    if (!options.logFile.empty()) module.SetLogFile(options.logFile);
    module.Start();
    std::printf("%s %s\n", options.port.c_str(), module.DevicePath().c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&endSignals, &received);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "harnvik-sim: %s\n", error.what());
    return 1;
  }
  return 0;
}
