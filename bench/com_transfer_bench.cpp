// com_transfer_bench: read, write and compare over a COM port against a module paced at
// 19200 bit/s behind it, with the real port object, the real procedures and 100 ms ticks.
// Each transfer is timed inside the process, from the first command byte sent to the last
// reply byte received (a wrapper around the port notes both), and set against the wire
// time of the bytes it moved, 10 bits a byte, both directions together.
//   com_transfer_bench [COMn]     (default COM5)
// `make bench-wine` runs it under Wine against harnvik-sim --baud 19200 (scripts/bench_wine.sh);
// on Linux it runs against the same module behind a COM name of the ports folder.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "bench/bench_line.h"
#include "params/parameter_image.h"
#include "protocol/transfer.h"
#include "serial/linked_port.h"
#include "serial/sync_pump.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 3;
// The closing LF of the last reply comes after the CR that ended the procedure.
constexpr auto kLastByteWait = std::chrono::milliseconds(1000);

// The port as the procedures and the receive path see it, noting when the first byte of a
// transfer went out and when the last one came in.
class TimedPort : public PortLink {
 public:
  explicit TimedPort(PortLink& port) : port_(port) {}

  bool Connected() const override { return port_.Connected(); }
  int WriteText(const std::string& text) override {
    if (sent == 0) firstSent = Clock::now();
    const int written = port_.WriteText(text);
    sent += static_cast<std::size_t>(written);
    return written;
  }
  int ReadBytes(std::uint8_t* buffer, int count) override {
    const int read = port_.ReadBytes(buffer, count);
    if (read > 0) {
      lastReceived = Clock::now();
      lastByte = buffer[read - 1];
      received += static_cast<std::size_t>(read);
    }
    return read;
  }

  void Restart() { sent = received = 0, lastByte = 0; }

  std::size_t sent = 0, received = 0;
  Clock::time_point firstSent, lastReceived;
  std::uint8_t lastByte = 0;

 private:
  PortLink& port_;
};

struct Timing {
  double seconds = 0;  // first byte sent to last byte received
  double wire = 0;     // what the bytes need on the line
  bool allGreen = false;
};

class Bench {
 public:
  explicit Bench(const std::string& comName) {
    line.port.OnRxChar = [this](TCustomComPort&, int count) { line.link.OnReceived(timed, count); };
    line.Connect(comName);
  }

  template <typename Procedure>
  Timing Time(Procedure procedure) {
    timed.Restart();
    lamps.green = 0;
    procedure(link);
    pump.PumpUntil([this] { return timed.lastByte == '\n'; }, kLastByteWait);
    return {std::chrono::duration<double>(timed.lastReceived - timed.firstSent).count(),
            WireSeconds(timed.sent + timed.received), lamps.green == 4};
  }

 private:
  LinkedPort line;
  SyncPump pump{line.sync};
  TimedPort timed{line.port};
  LampCount lamps;
  TransferLink link = line.link.Transfer(timed, pump, &lamps);
};

struct Row {
  const char* name;
  void (*procedure)(TransferLink&);
  Timing median;
  bool allGreen = true;
};

int RunBench(const std::string& comName) {
  Bench bench(comName);
  Row rows[] = {{"read", [](TransferLink& link) { static_cast<void>(ReadModule(link)); }, {}},
                {"write", [](TransferLink& link) { static_cast<void>(WriteModule(link)); }, {}},
                {"compare", [](TransferLink& link) { static_cast<void>(CompareModule(link)); }, {}}};
  // One read first, so first-touch costs are not charged to the line; then the write sends
  // something other than what the module holds, and the compare agrees.
  bench.Time(rows[0].procedure);
  for (Row& row : rows) {
    if (&row == &rows[1]) {
      for (std::size_t i = 0; i < kImageSize; ++i) ParameterImage[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    std::vector<Timing> rounds;
    for (int i = 0; i < kRounds; ++i) {
      rounds.push_back(bench.Time(row.procedure));
      row.allGreen = row.allGreen && rounds.back().allGreen;
    }
    std::sort(rounds.begin(), rounds.end(), [](const Timing& a, const Timing& b) { return a.seconds < b.seconds; });
    row.median = rounds[kRounds / 2];
  }

  bool pass = true;
  std::printf("%-9s %12s %12s %8s\n", "", "wire time", "measured", "ratio");
  for (const Row& row : rows) {
    const double ratio = row.median.seconds / row.median.wire;
    pass = pass && ratio <= kRatioTarget && row.allGreen;
    std::printf("%-9s %10.3f s %10.3f s %8.3f%s\n", row.name, row.median.wire, row.median.seconds, ratio,
                row.allGreen ? "" : "  (a block failed)");
  }
  std::printf("measured in the process, first command byte sent to last reply byte received; median of %d\n", kRounds);
  std::printf(pass ? "PASS: every ratio <= %.2f\n" : "FAIL: a ratio above %.2f or a failed block\n", kRatioTarget);
  return pass ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return RunBench(argc > 1 ? argv[1] : "COM5");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "com_transfer_bench: %s\n", error.what());
    return 2;
  }
}
