#pragma once
// The ports that finding the module meets on a service laptop, all behind COM names:
// simulated modules in steady states, a silent pty, a loopback plug that echoes, a
// device that sends noise without pause, and a port another process holds. Linux only
// (pseudo-terminals played by threads, a holding process).

#include <atomic>
#include <iterator>
#include <memory>
#include <optional>
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
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;
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

class FinderScene {
 public:
  // The modules' steady status lines, in turn.
  static constexpr const char* kStatusLines[] = {"[0110,G,2]", "[0010,5,0]", "[1101,O,9]"};
  static constexpr std::size_t kModules = std::size(kStatusLines);

  // names: the modules' COM names, then the silent, the echoing, the babbling and the
  // held port's; the modules go into the ports folder of configDir.
  FinderScene(const std::vector<std::string>& names, const std::string& configDir);

  // What finding each port of names gives, in their order (code page 1250).
  std::vector<std::string> FindingTexts() const;
  // True when the silent, echoing and babbling ports received the poll and nothing
  // else; ends the echo and the babble.
  bool OthersReceivedOnlyPolls();

  std::vector<std::unique_ptr<SimulatedModule>> modules;  // a test may end one: it is then no longer listed

 private:
  PtyPair silent_, held_;
  std::optional<PtyPeer> echo_, babble_;
  std::optional<HeldPort> holder_;
};
