// The port object's device on Windows: the communications functions on \\.\COMn with
// overlapped transfers, and a waiting thread over WaitCommEvent that hands each
// wake-up's events to the user-interface thread.

#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <system_error>

#include "com_error.h"
#include "com_port_internal.h"
#include "dcb_settings.h"
#include "port_names.h"
#include "waiting_thread.h"
#include "windows_errors.h"

namespace {

static_assert(win_error::kFileNotFound == ERROR_FILE_NOT_FOUND && win_error::kAccessDenied == ERROR_ACCESS_DENIED &&
              win_error::kInvalidHandle == ERROR_INVALID_HANDLE && win_error::kNotReady == ERROR_NOT_READY &&
              win_error::kBadCommand == ERROR_BAD_COMMAND && win_error::kGenFailure == ERROR_GEN_FAILURE &&
              win_error::kSharingViolation == ERROR_SHARING_VIOLATION && win_error::kBusy == ERROR_BUSY &&
              win_error::kOperationAborted == ERROR_OPERATION_ABORTED &&
              win_error::kIoIncomplete == ERROR_IO_INCOMPLETE &&
              win_error::kDeviceNotConnected == ERROR_DEVICE_NOT_CONNECTED &&
              win_error::kDeviceRemoved == ERROR_DEVICE_REMOVED);

// Under Wine a pending wait on a pseudo-terminal ends with ERROR_OPERATION_ABORTED after
// some tens of milliseconds without an event, and at once when the port is written to.
// Such a wait is started again at once, so the reply that follows a write is seen
// without delay. Only when waits keep failing at once (more than kFastFailuresAtOnce in
// a row, each within kFastFailure) does each further one first pause on the stop
// signal, so that a line whose every wait fails at once cannot spin the processor.
// Wine's waiting worker may also signal the end of a wait before the wait's status has
// left "pending" (ERROR_IO_INCOMPLETE, now and then on a busy line); that wait is over
// too and is started again the same way, not taken for a lost line. Which codes restart
// is LineFailureOf's table (windows_errors.h).
constexpr auto kFastFailure = std::chrono::milliseconds(5);
constexpr int kFastFailuresAtOnce = 3;
constexpr DWORD kFailedWaitPauseMs = 20;

// What the device is asked for at most in one read: the bytes a notification announced
// are fetched at once and handed out as asked, since the line assembly asks for one
// byte at a time and each read of the device is several system calls.
constexpr std::size_t kReadAhead = 4096;

[[noreturn]] void Fail(int errorNumber, DWORD platformCode) {
  throw EComPort(errorNumber, static_cast<int>(platformCode));
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A device without modem-control lines (a pseudo-terminal under Wine, some virtual
// ports) answers so; that is no failure.
bool NoModemLines(DWORD err) { return err == ERROR_NOT_SUPPORTED || err == ERROR_INVALID_FUNCTION; }

bool LineGone(DWORD err) { return LineFailureOf(err) == LineFailure::LineLost; }

bool Signalled(HANDLE event) { return event != nullptr && WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

class Event {
 public:
  explicit Event(bool set) : handle_(CreateEventA(nullptr, TRUE, set, nullptr)) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  ~Event() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

class WinComDevice : public ComDevice {
 public:
  explicit WinComDevice(HANDLE handle) : handle_(handle) {}

  ~WinComDevice() override {
    CloseHandle(handle_);
    if (stop_ != nullptr) CloseHandle(stop_);
    if (lost_ != nullptr) CloseHandle(lost_);
  }

  void SetQueueSizes(const TComBuffer& buffer) override {
    if (!SetupComm(handle_, static_cast<DWORD>(buffer.inputSize), static_cast<DWORD>(buffer.outputSize))) {
      Fail(CE_SetupFailed, GetLastError());
    }
    inputSize_ = buffer.inputSize;
  }

  void SetLineSettings(const TComLineSettings& settings) override {
    DCB dcb = MakeDcb(settings, inputSize_);
    if (!SetCommState(handle_, &dcb)) Fail(CE_SetStateFailed, GetLastError());
  }

  void SetTimeouts(const TComTimeouts& timeouts) override {
    COMMTIMEOUTS t = MakeCommTimeouts(timeouts);
    if (!SetCommTimeouts(handle_, &t)) Fail(CE_SetTimeoutsFailed, GetLastError());
  }

  void StartThread(ThreadSync& sync, TComEvents mask, Dispatch dispatch) override {
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stop_ == nullptr) Fail(CE_OpenFailed, GetLastError());
    lost_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (lost_ == nullptr) Fail(CE_OpenFailed, GetLastError());
    if (!SetCommMask(handle_, CommEventMask(mask, RunningUnderWine()))) Fail(CE_OpenFailed, GetLastError());
    try {
      waiting_.Start([this, &sync, dispatch = std::move(dispatch)] { Wait(sync, dispatch); });
    } catch (const std::system_error& e) {
      Fail(CE_OpenFailed, static_cast<DWORD>(e.code().value()));
    }
  }

  // Windows keeps a USB adapter's latency in its driver's own settings.
  bool RequestLowLatency() override { return false; }

  void StopThread(ThreadSync& sync) override {
    waiting_.Stop(sync, [this] { SetEvent(stop_); });
  }

  bool ThreadRunning() const override { return waiting_.Running(); }

  void ReadModemStatus() override {
    DWORD status = 0;
    if (!GetCommModemStatus(handle_, &status)) {
      const DWORD err = GetLastError();
      if (!NoModemLines(err)) LineFailed(CE_ModemStatusFailed, err);
    }
  }

  void ClearErrors() override { QueueCount(CE_ClearErrorFailed); }

  int Write(const std::string& text, const TComTimeouts&) override {
    // The device counts the write time-out itself (SetTimeouts).
    return static_cast<int>(Transfer(CE_WriteFailed, [&](OVERLAPPED* ov) {
      return WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), nullptr, ov);
    }));
  }

  int Read(std::uint8_t* buffer, int count) override {
    if (count < 1) return 0;
    if (aheadBegin_ == aheadEnd_) FetchWaiting(std::max(static_cast<std::size_t>(count), announced_));
    const std::size_t n = std::min(static_cast<std::size_t>(count), aheadEnd_ - aheadBegin_);
    std::copy_n(ahead_.begin() + static_cast<std::ptrdiff_t>(aheadBegin_), n, buffer);
    aheadBegin_ += n;
    return static_cast<int>(n);
  }

  int BytesWaiting() override {
    announced_ = static_cast<std::size_t>(QueueCount(CE_ClearErrorFailed));
    return static_cast<int>(aheadEnd_ - aheadBegin_ + announced_);
  }

  void Purge() override {
    aheadBegin_ = aheadEnd_ = announced_ = 0;
    // An unplugged adapter has nothing left to discard; the user must still be able
    // to disconnect from it.
    if (!PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT)) {
      const DWORD err = GetLastError();
      if (!LineGone(err)) Fail(CE_PurgeFailed, err);
    }
  }

 private:
  // A call on the line failed. A code that means the line has gone also reaches the
  // waiting thread, which hands the lost line over as when its own wait fails so: the
  // connection is closed instead of staying open on a dead line.
  [[noreturn]] void LineFailed(int errorNumber, DWORD err) {
    if (LineGone(err) && lost_ != nullptr) SetEvent(lost_);
    Fail(errorNumber, err);
  }

  // The input queue's count; also reads and clears the line's error state.
  int QueueCount(int errorNumber) {
    DWORD errors = 0;
    COMSTAT stat{};
    if (!ClearCommError(handle_, &errors, &stat)) LineFailed(errorNumber, GetLastError());
    return static_cast<int>(stat.cbInQue);
  }

  // Up to wanted bytes of what the input queue holds. Only what the queue holds is asked
  // for: Wine's overlapped read does not return at once on an empty queue, whatever the
  // time-outs say, and with the interval time-out at all bits set it would wait for the
  // whole count. Nothing beyond what was asked for or announced is taken: Wine ends a
  // wait for EV_RXCHAR while the queue holds bytes, not for bytes already taken from
  // it, so the end of a reply that came after the count and was fetched with the
  // counted bytes lay here unannounced, and the module, having answered, sent nothing
  // that would announce it.
  void FetchWaiting(std::size_t wanted) {
    aheadBegin_ = aheadEnd_ = 0;
    const std::size_t waiting = std::min({kReadAhead, wanted, static_cast<std::size_t>(QueueCount(CE_ReadFailed))});
    if (waiting == 0) return;
    aheadEnd_ = Transfer(CE_ReadFailed, [&](OVERLAPPED* ov) {
      return ReadFile(handle_, ahead_.data(), static_cast<DWORD>(waiting), nullptr, ov);
    });
    announced_ -= std::min(announced_, aheadEnd_);
  }

  // One overlapped transfer with an event of its own: started by start, waited for,
  // and its byte count fetched; every failure raises errorNumber.
  template <typename Start>
  DWORD Transfer(int errorNumber, Start start) {
    Event done(false);
    if (done.Get() == nullptr) Fail(errorNumber, GetLastError());
    OVERLAPPED ov{};
    ov.hEvent = done.Get();
    if (!start(&ov)) {
      const DWORD err = GetLastError();
      if (err != ERROR_IO_PENDING) LineFailed(errorNumber, err);
    }
    DWORD count = 0;
    if (WaitForSingleObject(done.Get(), INFINITE) != WAIT_OBJECT_0) {
      const DWORD err = GetLastError();
      // The record must outlive the transfer.
      CancelIoEx(handle_, &ov);
      GetOverlappedResult(handle_, &ov, &count, TRUE);
      Fail(errorNumber, err);
    }
    if (!GetOverlappedResult(handle_, &ov, &count, FALSE)) LineFailed(errorNumber, GetLastError());
    return count;
  }

  // After a wait that ended without an event: true to start the next one (at once, or
  // after a pause when waits keep failing at once), false when the stop signal or a
  // lost line came during the pause.
  bool BeforeRestart(std::chrono::steady_clock::time_point started, int& fastFailures) const {
    fastFailures = std::chrono::steady_clock::now() - started < kFastFailure ? fastFailures + 1 : 0;
    if (fastFailures <= kFastFailuresAtOnce) return true;
    const HANDLE signals[2] = {stop_, lost_};
    return WaitForMultipleObjects(2, signals, FALSE, kFailedWaitPauseMs) == WAIT_TIMEOUT;
  }

  // The waiting thread: touches only the device, its own events and flags.
  // It never ends without a word: whatever stops it other than the stop signal (an
  // event it cannot make, a wait that cannot start or fails with a code that
  // LineFailureOf says ends the line, a read or write that failed so) is handed over as
  // a lost line, so the connection is closed instead of staying open with nothing ever
  // received.
  void Wait(ThreadSync& sync, const Dispatch& dispatch) {
    Event completion(true);
    OVERLAPPED ov{};
    ov.hEvent = completion.Get();
    const HANDLE objects[3] = {stop_, lost_, completion.Get()};
    // The wait writes the mask when it ends, which may be after the loop has left.
    DWORD mask = 0;
    bool pending = false;
    bool lost = completion.Get() == nullptr;
    int fastFailures = 0;
    while (!lost) {
      mask = 0;
      const auto started = std::chrono::steady_clock::now();
      if (!WaitCommEvent(handle_, &mask, &ov)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
          lost = LineGone(error);
          if (lost || !BeforeRestart(started, fastFailures)) break;
          continue;
        }
      }
      pending = true;
      if (WaitForMultipleObjects(3, objects, FALSE, INFINITE) != WAIT_OBJECT_0 + 2) break;
      pending = false;
      DWORD unused = 0;
      if (!GetOverlappedResult(handle_, &ov, &unused, FALSE)) {
        lost = LineGone(GetLastError());
        if (lost || !BeforeRestart(started, fastFailures)) break;
        continue;
      }
      fastFailures = 0;
      const TComEvents events = ComEventsOfMask(mask);
      // The request holds its own copy: closing from inside the notification may end
      // this thread while the dispatch still runs.
      if (events != 0 && sync.Send([dispatch, events] { dispatch(events); }, waiting_.Stopping())) break;
    }
    // A lost line is the last thing handed over; a connection being closed needs no word.
    if ((lost || Signalled(lost_)) && !Signalled(stop_)) {
      sync.Send([dispatch] { dispatch(kLineLostEvent); }, waiting_.Stopping());
    }
    // Clearing the mask ends a wait still pending; its record must outlive it.
    SetCommMask(handle_, 0);
    if (pending) {
      DWORD unused = 0;
      CancelIoEx(handle_, &ov);
      GetOverlappedResult(handle_, &ov, &unused, TRUE);
    }
    // Bytes received but not read are gone once the connection ends.
    PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR);
    waiting_.Ended(sync);
  }

  HANDLE handle_;
  HANDLE stop_ = nullptr;
  HANDLE lost_ = nullptr;  // set by a call on the line that found it gone
  int inputSize_ = 1024;
  WaitingThread waiting_;
  // Bytes fetched from the device and not yet read: ahead_[aheadBegin_, aheadEnd_).
  std::array<std::uint8_t, kReadAhead> ahead_{};
  std::size_t aheadBegin_ = 0;
  std::size_t aheadEnd_ = 0;
  // Bytes of the input queue that the last BytesWaiting counted and no read has fetched.
  std::size_t announced_ = 0;
};

}  // namespace

const int ComDevice::kNotOpenCode = ERROR_INVALID_HANDLE;

std::unique_ptr<ComDevice> ComDevice::Open(const std::string& portName) {
  const std::string path = PortDevicePath(portName);
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) Fail(CE_OpenFailed, GetLastError());
  // Nothing received before the opening can pass for an answer.
  if (!PurgeComm(handle, PURGE_RXCLEAR)) {
    const DWORD err = GetLastError();
    CloseHandle(handle);
    Fail(CE_OpenFailed, err);
  }
  return std::make_unique<WinComDevice>(handle);
}
