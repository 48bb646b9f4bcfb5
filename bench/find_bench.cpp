// find_bench: how long finding the module takes with the real answer wait, against
// in-process simulated modules over ptys: one port with a module, one silent port, and
// eight ports of which half are silent. Every port is asked at once, so the time
// should be about the wait whatever their number.

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "serial/module_finder.h"
#include "serial/port_names.h"
#include "sim/simulated_module.h"
#include "tests/support/pty_pair.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kOnePortTarget = 1.1;  // seconds
constexpr double kEightPortsTarget = 1.5;

struct Row {
  const char* name;
  int modules;
  int silent;
  double target;
};

constexpr Row kRows[] = {
    {"1 port, a module", 1, 0, kOnePortTarget},
    {"1 port, silent", 0, 1, kOnePortTarget},
    {"8 ports, 4 silent", 4, 4, kEightPortsTarget},
};

// Finds over the row's ports; true when exactly its modules answered and in time.
bool Run(const Row& row, const std::string& configDir) {
  std::vector<std::unique_ptr<SimulatedModule>> ports;
  std::vector<std::string> names;
  for (int i = 0; i < row.modules + row.silent; ++i) {
    names.push_back(ComName(101 + i));
    SimFaults faults;
    faults.silent = i >= row.modules;
    ports.push_back(std::make_unique<SimulatedModule>(names.back(), configDir, faults));
    ports.back()->HoldStatus("[0110,G,2]", 0);
    ports.back()->Start();
  }
  const auto start = Clock::now();
  const std::vector<PortFinding> found = FindModules(names);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  int answered = 0;
  for (const PortFinding& finding : found) answered += finding.outcome == FindOutcome::Answered;
  const bool right = answered == row.modules;
  std::printf("%-18s %7.3f s  (target <= %.1f s)%s\n", row.name, seconds, row.target,
              right ? "" : "  (wrong findings)");
  return right && seconds <= row.target;
}

}  // namespace

int main() {
  try {
    // A config folder of its own for the COM links, so no real port is ever opened.
    const TempConfigHome home;
    std::printf("finding the module, answer wait %lld ms\n", static_cast<long long>(kFindAnswerWait.count()));
    bool pass = true;
    for (const Row& row : kRows) pass = Run(row, ConfigDir()) && pass;
    std::printf("%s: find within %.1f s for 1 port and %.1f s for 8\n", pass ? "PASS" : "FAIL", kOnePortTarget,
                kEightPortsTarget);
    return pass ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "find_bench: %s\n", error.what());
    return 2;
  }
}
