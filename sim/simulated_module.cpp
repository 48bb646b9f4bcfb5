#include "simulated_module.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <system_error>

#include "params/image_file.h"
#include "protocol/line_protocol.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kPortsFolder[] = "ports";
// Longer than any command or frame line; anything longer is noise to drop.
constexpr std::size_t kMaxCommandLine = 4096;
// A hang-up waits this long at most for the client to take the last reply.
constexpr auto kDrainLimit = std::chrono::seconds(1);
constexpr auto kDrainCheck = std::chrono::milliseconds(1);
// What the master writes reaches the slave's count a moment later, through the
// kernel's buffer push; an empty count before then means nothing.
constexpr auto kDrainSettle = std::chrono::milliseconds(50);
constexpr auto kMasterBackOff = std::chrono::milliseconds(20);
constexpr int kBitsPerByte = 10;  // start, 8 data, stop
// A USB adapter's packet holds 64 bytes, two of them its own status.
constexpr std::size_t kAdapterPacket = 62;

WireLog::Time WallClock() { return std::chrono::system_clock::now(); }

[[noreturn]] void Fail(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

Clock::duration ByteTime(int baud) {
  if (baud <= 0) return Clock::duration::zero();
  return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(kBitsPerByte * 1'000'000'000LL / baud));
}

constexpr std::chrono::steady_clock::time_point kNever = std::chrono::steady_clock::time_point::max();

// Milliseconds for poll, rounded up, so it never wakes before the moment.
int PollTimeout(Clock::time_point until, Clock::time_point now) {
  if (until == kNever) return -1;
  if (until <= now) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
  return static_cast<int>(std::min<long long>(ms, 60'000));
}

}  // namespace

SimulatedModule::SimulatedModule(std::string comName, std::string configDir, SimFaults faults)
    : comName_(std::move(comName)), configDir_(std::move(configDir)), logic_(SampleImage(), faults) {
  linkPath_ = (std::filesystem::path(configDir_) / kPortsFolder / comName_).string();
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) Fail(errno, "eventfd");
  try {
    OpenPty();
    Link();
  } catch (...) {
    ClosePty();
    CloseFd(wakeFd_);
    throw;
  }
}

SimulatedModule::~SimulatedModule() {
  Stop();
  ClosePty();
  CloseFd(wakeFd_);
  // Only our own link goes; another module may have taken the name since.
  std::error_code ignored;
  if (std::filesystem::read_symlink(linkPath_, ignored) == devicePath_) std::filesystem::remove(linkPath_, ignored);
}

void SimulatedModule::OpenPty() {
  masterFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (masterFd_ < 0) Fail(errno, "posix_openpt");
  if (::grantpt(masterFd_) != 0) Fail(errno, "grantpt");
  if (::unlockpt(masterFd_) != 0) Fail(errno, "unlockpt");
  char name[128];
  if (const int error = ::ptsname_r(masterFd_, name, sizeof name); error != 0) Fail(error, "ptsname_r");
  devicePath_ = name;
  slaveFd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slaveFd_ < 0) Fail(errno, "cannot open " + devicePath_);
  // Raw from the start: a client that does not set the line itself still gets CR as CR.
  termios tio{};
  if (::tcgetattr(slaveFd_, &tio) != 0) Fail(errno, "tcgetattr " + devicePath_);
  ::cfmakeraw(&tio);
  if (::tcsetattr(slaveFd_, TCSANOW, &tio) != 0) Fail(errno, "tcsetattr " + devicePath_);
  if (::fcntl(masterFd_, F_SETFL, O_NONBLOCK) != 0) Fail(errno, "fcntl");
}

void SimulatedModule::ClosePty() {
  CloseFd(masterFd_);
  CloseFd(slaveFd_);
}

void SimulatedModule::Link() {
  const std::filesystem::path link(linkPath_);
  std::error_code error;
  std::filesystem::create_directories(link.parent_path(), error);
  if (error) Fail(error.value(), "cannot create " + link.parent_path().string());
  // A new link beside the old one, renamed over it: the name never goes missing.
  const std::string temporary = linkPath_ + ".new" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(devicePath_.c_str(), temporary.c_str()) != 0) Fail(errno, "cannot link " + temporary);
  if (::rename(temporary.c_str(), linkPath_.c_str()) != 0) {
    const int saved = errno;
    ::unlink(temporary.c_str());
    Fail(saved, "cannot link " + linkPath_);
  }
}

void SimulatedModule::Start() {
  if (thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] { Run(); });
}

void SimulatedModule::Stop() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  WakeThread();
  thread_.join();
}

void SimulatedModule::WakeThread() {
  const std::uint64_t one = 1;
  // A full counter already wakes the thread; nothing to do then.
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

ImageBytes SimulatedModule::Memory() const {
  std::lock_guard lock(mutex_);
  return logic_.Memory();
}

void SimulatedModule::SetMemory(const ImageBytes& memory) {
  std::lock_guard lock(mutex_);
  logic_.SetMemory(memory);
}

SimFaults SimulatedModule::Faults() const {
  std::lock_guard lock(mutex_);
  return logic_.Faults();
}

void SimulatedModule::SetFaults(const SimFaults& faults) {
  {
    std::lock_guard lock(mutex_);
    logic_.SetFaults(faults);
  }
  WakeThread();  // a hang-up count may be reached already
}

void SimulatedModule::SetImageFile(const std::string& path) {
  std::lock_guard lock(mutex_);
  imageFile_ = path;
  if (path.empty()) {
    logic_.SetOnActivate(nullptr);
    return;
  }
  // Runs on the module's thread with the lock held.
  logic_.SetOnActivate([this](const ImageBytes& memory) {
    try {
      SaveImageFile(memory, imageFile_);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "harnvik-sim: cannot save %s: %s\n", imageFile_.c_str(), error.what());
    }
  });
}

void SimulatedModule::HoldStatus(const std::string& statusLine, int messages) {
  std::lock_guard lock(mutex_);
  if (!statusLine.empty()) logic_.Status().Hold(statusLine);
  if (messages >= 0) logic_.Status().LimitMessages(messages);
}

void SimulatedModule::SetLogFile(const std::string& path) {
  logFile_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!logFile_) Fail(errno, "cannot write " + path);
  log_ = std::make_unique<WireLog>(logFile_);
}

void SimulatedModule::Replug() {
  const bool wasRunning = thread_.joinable();
  Stop();
  ClosePty();
  OpenPty();
  Link();
  hungUp_ = false;
  hungUpClosed_ = false;
  plugReplies_ = 0;
  if (wasRunning) Start();
}

int SimulatedModule::CommandsSeen() const {
  std::lock_guard lock(mutex_);
  return logic_.CommandsSeen();
}

std::string SimulatedModule::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void SimulatedModule::ClearReceived() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

// The line as the module sees it: received bytes count only once their wire time
// has passed, and what it sends leaves at the line rate. Unpaced, both are at once.
void SimulatedModule::Run() {
  Line line;
  while (!stopping_) {
    const SimFaults faults = Faults();
    const Clock::time_point now = Clock::now();
    TakeCompleteLines(line, faults, now);
    const bool outputBlocked = SendDue(line, faults, now);
    HangUpWhenDrained(line, faults, now);
    if (!WaitAndReceive(line, NextSend(line, faults, now, outputBlocked), now)) break;
  }
}

void SimulatedModule::TakeCompleteLines(Line& line, const SimFaults& faults, Clock::time_point now) {
  while (!line.incoming.empty() && line.incoming.front().at <= now) {
    const TimedByte received = line.incoming.front();
    line.incoming.pop_front();
    if (received.byte == kLF) continue;
    if (received.byte != kCR) {
      if (line.text.size() >= kMaxCommandLine) line.discarding = true;
      if (!line.discarding) line.text += received.byte;
      continue;
    }
    // Past its last reply before a hang-up the module hears nothing more.
    if (!line.text.empty() && !line.discarding && !GoingDown(faults)) {
      ModuleAnswer answer;
      {
        std::lock_guard lock(mutex_);
        answer = logic_.HandleLine(line.text);
      }
      Schedule(line, answer, ByteTime(faults.baud), received.at);
    }
    line.text.clear();
    line.discarding = false;
  }
}

// The answer starts once the CR is in and the line is free, one byte time a byte.
void SimulatedModule::Schedule(Line& line, const ModuleAnswer& answer, Clock::duration byteTime,
                               Clock::time_point lineEnd) {
  Clock::time_point at = std::max(lineEnd, line.txFree);
  for (const char c : answer.bytes) {
    at += byteTime;
    line.outgoing.push_back({c, at});
  }
  line.txFree = at;
  plugReplies_ += answer.replies;
  repliesSent_ += answer.replies;
}

bool SimulatedModule::GoingDown(const SimFaults& faults) const {
  return faults.hangupAfter >= 0 && plugReplies_ >= faults.hangupAfter;
}

// What may leave now. A USB adapter passes bytes on in packets: when 62 are gathered,
// or once the oldest has waited out its latency.
std::size_t SimulatedModule::Sendable(const Line& line, const SimFaults& faults, Clock::time_point now) {
  std::size_t due = 0;
  while (due < line.outgoing.size() && line.outgoing[due].at <= now) ++due;
  if (faults.latencyMs <= 0 || due == 0) return due;
  if (now >= line.outgoing.front().at + std::chrono::milliseconds(faults.latencyMs)) return due;
  return due - due % kAdapterPacket;
}

// When the next bytes may leave; kNever when nothing waits.
SimulatedModule::Clock::time_point SimulatedModule::NextSend(const Line& line, const SimFaults& faults,
                                                             Clock::time_point now, bool outputBlocked) {
  if (line.outgoing.empty() || outputBlocked) return kNever;
  if (faults.latencyMs <= 0) return std::max(line.outgoing.front().at, now);
  Clock::time_point at = std::max(line.outgoing.front().at + std::chrono::milliseconds(faults.latencyMs), now);
  if (line.outgoing.size() >= kAdapterPacket) at = std::min(at, std::max(line.outgoing[kAdapterPacket - 1].at, now));
  return at;
}

// Everything that may leave goes out, as far as the pty takes it. True when the
// pty took less than was due.
bool SimulatedModule::SendDue(Line& line, const SimFaults& faults, Clock::time_point now) {
  const std::size_t count = masterFd_ < 0 ? 0 : Sendable(line, faults, now);
  if (count == 0) return false;
  std::string due;
  for (std::size_t i = 0; i < count; ++i) due += line.outgoing[i].byte;
  const ssize_t written = ::write(masterFd_, due.data(), due.size());
  if (written > 0) {
    if (log_) log_->Sent(std::string_view(due).substr(0, static_cast<std::size_t>(written)), WallClock());
    line.outgoing.erase(line.outgoing.begin(), line.outgoing.begin() + written);
    bytesSent_ += static_cast<std::size_t>(written);
    line.lastWrite = now;
  }
  if (written < 0 && errno != EAGAIN && errno != EINTR) {
    line.outgoing.clear();  // a line that takes nothing: what was said is gone
    return false;
  }
  return written < static_cast<ssize_t>(due.size());
}

// Once the last reply before a hang-up is out and the client has read it, the module
// closes its side, like a cable pulled after the reply got through.
void SimulatedModule::HangUpWhenDrained(Line& line, const SimFaults& faults, Clock::time_point now) {
  if (masterFd_ < 0 || !GoingDown(faults) || !line.outgoing.empty()) {
    line.drainDeadline = kNever;
    return;
  }
  int waiting = 0;
  ::ioctl(slaveFd_, FIONREAD, &waiting);
  if (line.drainDeadline == kNever) line.drainDeadline = now + kDrainLimit;
  const bool drained = waiting == 0 && now >= line.lastWrite + kDrainSettle;
  if (!drained && now < line.drainDeadline) return;
  // The flag first: whoever sees the line go sees it set.
  hungUp_ = true;
  ClosePty();
  hungUpClosed_ = true;
  if (log_) log_->Note("hung up", WallClock());
  line.incoming.clear();
  line.text.clear();
  line.drainDeadline = kNever;
}

// Sleeps until the next byte is due either way, a wake-up, or received bytes, and
// takes those in with their wire times. False when polling itself failed.
bool SimulatedModule::WaitAndReceive(Line& line, Clock::time_point nextSend, Clock::time_point now) {
  const bool outputBlocked = nextSend == kNever && !line.outgoing.empty();
  Clock::time_point until = nextSend;
  if (!line.incoming.empty()) until = std::min(until, line.incoming.front().at);
  if (line.drainDeadline != kNever && masterFd_ >= 0) until = std::min(until, now + kDrainCheck);

  pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {masterFd_, POLLIN, 0}};
  if (outputBlocked) fds[1].events |= POLLOUT;
  const bool watchMaster = masterFd_ >= 0 && now >= line.masterQuietUntil;
  if (masterFd_ >= 0 && !watchMaster) until = std::min(until, line.masterQuietUntil);
  const nfds_t count = watchMaster ? 2 : 1;
  if (::poll(fds, count, PollTimeout(until, now)) < 0) return errno == EINTR;
  if (fds[0].revents & POLLIN) {
    std::uint64_t wakes = 0;
    [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &wakes, sizeof wakes);
  }
  if (count < 2) return true;
  // A hang-up or error with nothing to read would wake poll at once, every time:
  // look away from the master for a moment instead of spinning.
  if ((fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLIN)) {
    line.masterQuietUntil = Clock::now() + kMasterBackOff;
  }
  if (fds[1].revents & POLLIN) Receive(line);
  return true;
}

// Received bytes count from the end of their wire time, at the rate in force now:
// the faults may have changed while poll waited.
void SimulatedModule::Receive(Line& line) {
  char buffer[4096];
  const ssize_t got = ::read(masterFd_, buffer, sizeof buffer);
  if (got <= 0) return;
  const Clock::time_point now = Clock::now();
  const Clock::duration byteTime = ByteTime(Faults().baud);
  const std::size_t n = static_cast<std::size_t>(got);
  bytesReceived_ += n;
  if (log_) log_->Received(std::string_view(buffer, n), WallClock());
  {
    std::lock_guard lock(mutex_);
    received_.append(buffer, std::min(n, kMaxCapture - std::min(kMaxCapture, received_.size())));
  }
  for (std::size_t i = 0; i < n; ++i) {
    line.rxFree = std::max(line.rxFree, now) + byteTime;
    line.incoming.push_back({buffer[i], byteTime == Clock::duration::zero() ? now : line.rxFree});
  }
}
