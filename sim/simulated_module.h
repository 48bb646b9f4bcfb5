#pragma once
// A Harnvik module that is not on the desk: it serves the module's line protocol on
// a pseudo-terminal whose other side is linked under a COM name in the program's
// ports folder, so the tool (or any client) opens it like the real port.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "module_logic.h"
#include "params/parameter_image.h"
#include "sample_image.h"
#include "sim_faults.h"
#include "wire_log.h"

class SimulatedModule {
 public:
  // Opens a pty pair, raw mode on its side, links the other side as
  // <configDir>/ports/<comName>. Raises std::system_error when it cannot.
  SimulatedModule(std::string comName, std::string configDir, SimFaults faults = {});
  ~SimulatedModule();  // stops, closes, removes the link
  SimulatedModule(const SimulatedModule&) = delete;
  SimulatedModule& operator=(const SimulatedModule&) = delete;

  // Its own thread serves the line between the two.
  void Start();
  void Stop();

  const std::string& DevicePath() const { return devicePath_; }
  const std::string& LinkPath() const { return linkPath_; }

  ImageBytes Memory() const;
  void SetMemory(const ImageBytes& memory);
  SimFaults Faults() const;
  void SetFaults(const SimFaults& faults);
  // After every "WRACT" the module took, saves its memory there (beside and renamed,
  // so a reader never sees half a file). Empty: no file.
  void SetImageFile(const std::string& path);
  // A steady state for the state window: every poll answered with statusLine (unless
  // empty), and only the first messages of its own (unless below 0).
  void HoldStatus(const std::string& statusLine, int messages);
  // Logs every byte received and sent to this file (WireLog), from Start on; called
  // before Start. Raises std::system_error when the file cannot be written.
  void SetLogFile(const std::string& path);

  // After a hang-up: a fresh pty, relinked under the same name; the hang-up count
  // starts again.
  void Replug();
  // True once it closed its side after hangupAfter replies, until Replug.
  bool HungUp() const { return hungUp_; }
  // True once its side is closed as well: from then on the client's writes fail.
  bool HungUpAndClosed() const { return hungUpClosed_; }

  // Counters for tests and the benchmark, since construction.
  int CommandsSeen() const;
  int RepliesSent() const { return repliesSent_; }
  std::size_t BytesReceived() const { return bytesReceived_; }
  std::size_t BytesSent() const { return bytesSent_; }
  // Every byte received since the last ClearReceived, up to kMaxCapture.
  std::string Received() const;
  void ClearReceived();

  static constexpr std::size_t kMaxCapture = 1 << 20;

 private:
  void OpenPty();
  void ClosePty();
  void Link();
  using Clock = std::chrono::steady_clock;
  struct TimedByte {
    char byte;
    Clock::time_point at;  // received: when its last bit arrived; to send: when it may go
  };
  // The serving thread's view of the line, from one turn of Run to the next.
  struct Line {
    std::deque<TimedByte> incoming;
    std::deque<TimedByte> outgoing;
    std::string text;  // the command line assembled so far
    bool discarding = false;
    Clock::time_point rxFree{};
    Clock::time_point txFree{};
    Clock::time_point drainDeadline = Clock::time_point::max();
    Clock::time_point lastWrite{};
    Clock::time_point masterQuietUntil{};
  };

  void Run();
  void TakeCompleteLines(Line& line, const SimFaults& faults, Clock::time_point now);
  void Schedule(Line& line, const ModuleAnswer& answer, Clock::duration byteTime, Clock::time_point lineEnd);
  bool GoingDown(const SimFaults& faults) const;
  static std::size_t Sendable(const Line& line, const SimFaults& faults, Clock::time_point now);
  static Clock::time_point NextSend(const Line& line, const SimFaults& faults, Clock::time_point now,
                                    bool outputBlocked);
  bool SendDue(Line& line, const SimFaults& faults, Clock::time_point now);
  void HangUpWhenDrained(Line& line, const SimFaults& faults, Clock::time_point now);
  bool WaitAndReceive(Line& line, Clock::time_point nextSend, Clock::time_point now);
  void Receive(Line& line);
  void WakeThread();

  std::string comName_;
  std::string configDir_;
  std::string devicePath_;
  std::string linkPath_;
  std::string imageFile_;

  mutable std::mutex mutex_;  // guards logic_, received_, imageFile_
  ModuleLogic logic_;
  std::string received_;

  int masterFd_ = -1;
  int slaveFd_ = -1;  // held, so the master never sees "no client" between connections
  int wakeFd_ = -1;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> hungUp_{false};
  std::atomic<bool> hungUpClosed_{false};
  std::atomic<int> repliesSent_{0};
  std::atomic<std::size_t> bytesReceived_{0};
  std::atomic<std::size_t> bytesSent_{0};
  int plugReplies_ = 0;  // thread's own; reset by Replug while stopped
  std::ofstream logFile_;
  std::unique_ptr<WireLog> log_;  // the thread's own once started; goes before its file
};
