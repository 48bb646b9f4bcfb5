#pragma once
// The ports finding the module meets on a service laptop, all behind COM names: modules
// in steady states, a silent pty, a loopback plug, a device babbling without pause and a
// port another process holds. Linux only.

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "held_port.h"
#include "pty_pair.h"
#include "sim/simulated_module.h"

// The far end of a pty played by a thread: a loopback plug, a device that sends noise
// without pause, one unplugged once asked, or one that answers the poll too late.
enum class Peer { Echo, Babble, HangUp, Late };

class PtyPeer {
 public:
  PtyPeer(const std::string& comName, Peer peer);
  ~PtyPeer() { Stop(); }
  // Ends it; returns everything it received.
  std::string Stop();

 private:
  void Serve(Peer peer);
  PtyPair pty_;
  std::string received_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Only whole polls: "??" CR once, or twice when the second poll came.
bool OnlyPolls(const std::string& received);

// names: three modules' COM names (their links in configDir's ports folder), then the
// silent, the echoing, the babbling and the held port's.
struct FinderScene {
  static constexpr const char* kStatusLines[] = {"[0110,G,2]", "[0010,5,0]", "[1101,O,9]"};
  FinderScene(const std::vector<std::string>& names, const std::string& configDir);
  // What finding each port gives, in the order of names (code page 1250).
  std::vector<std::string> FindingTexts() const;

  std::vector<std::unique_ptr<SimulatedModule>> modules;  // a test may unplug one
  PtyPair silent, held;
  PtyPeer echo, babble;
  HeldPort holder;
};
