#pragma once
// A pseudo-terminal pair that stands in for a serial line, and a temporary
// configuration folder in which COM names are linked to such pairs. The tests play
// the module's side on the master; the port object opens the slave by its COM name.

#include <chrono>
#include <string>

// Points XDG_CONFIG_HOME at a fresh temporary folder while it lives, and removes
// the folder afterwards.
class TempConfigHome {
 public:
  TempConfigHome();
  ~TempConfigHome();
  TempConfigHome(const TempConfigHome&) = delete;
  TempConfigHome& operator=(const TempConfigHome&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string saved_;
  bool hadSaved_ = false;
};

// The fixture keeps a descriptor of the slave open, so that the master does not
// see a hang-up while the port object has the slave closed.
class PtyPair {
 public:
  PtyPair();  // raw mode on both sides
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int Master() const { return master_; }
  int Slave() const { return slave_; }
  const std::string& SlavePath() const { return slavePath_; }

  // Links the slave as <config>/Kelvaro/ports/<comName>, replacing an older link.
  void LinkAs(const std::string& comName) const;

  // Writes every byte to the master (the module sending).
  void Send(const std::string& bytes) const;
  // Reads from the master until count bytes came or the timeout passed.
  std::string Receive(std::size_t count, std::chrono::milliseconds timeout) const;
  // Reads whatever the master holds now.
  std::string Drain() const;

  // The other end going away, as when an adapter is unplugged.
  void CloseMaster();
  void CloseSlave();
  // Whether the port's waiting side notices CloseMaster() by itself: under Wine the
  // wait goes on, and only a write fails.
  static bool HangUpEndsTheWait();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

// Links comName in the ports folder to target, which need not exist.
void LinkPort(const std::string& comName, const std::string& target);

// Links every COM name a device of the machine may stand behind (on Linux the fixed
// table, COM1 to COM96; Wine numbers the machine's serial devices from COM1 up) to a
// path in folder that does not exist: the port list then holds only a test's own ports,
// and no test can reach a real port of the machine.
inline void UnplugMachinePorts(const std::string& folder) {
  constexpr int kLastMachineComNumber = 96;
  for (int number = 1; number <= kLastMachineComNumber; ++number) {
    LinkPort("COM" + std::to_string(number), folder + "/no-such-device");
  }
}
