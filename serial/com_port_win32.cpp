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

namespace {

// Under Wine a pending wait on a pseudo-terminal ends with ERROR_OPERATION_ABORTED after
// some tens of milliseconds without an event, and at once when the port is written to.
// Such a wait is started again at once, so the reply that follows a write is seen
// without delay. Only when waits keep failing at once (more than kFastFailuresAtOnce in
// a row, each within kFastFailure) does each further one first pause on the stop
// signal, so that a line whose every wait fails at once cannot spin the processor.
// Wine's waiting worker may also signal the end of a wait before the wait's status has
// left "pending" (ERROR_IO_INCOMPLETE, now and then on a busy line); that wait is over
// too and is started again the same way, not taken for a lost line.
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

// What a handle to a device that has gone (an unplugged adapter) answers.
bool LineGone(DWORD err) {
  return err == ERROR_ACCESS_DENIED || err == ERROR_NOT_READY || err == ERROR_BAD_COMMAND || err == ERROR_GEN_FAILURE ||
         err == ERROR_DEVICE_NOT_CONNECTED || err == ERROR_DEVICE_REMOVED;
}

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
      if (!NoModemLines(err)) Fail(CE_ModemStatusFailed, err);
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
  // The input queue's count; also reads and clears the line's error state.
  int QueueCount(int errorNumber) {
    DWORD errors = 0;
    COMSTAT stat{};
    if (!ClearCommError(handle_, &errors, &stat)) Fail(errorNumber, GetLastError());
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
      if (err != ERROR_IO_PENDING) Fail(errorNumber, err);
    }
    DWORD count = 0;
    if (WaitForSingleObject(done.Get(), INFINITE) != WAIT_OBJECT_0) {
      const DWORD err = GetLastError();
      // The record must outlive the transfer.
      CancelIoEx(handle_, &ov);
      GetOverlappedResult(handle_, &ov, &count, TRUE);
      Fail(errorNumber, err);
    }
    if (!GetOverlappedResult(handle_, &ov, &count, FALSE)) Fail(errorNumber, GetLastError());
    return count;
  }

  // The last thing the waiting thread hands over when the device has gone.
  void LineLost(ThreadSync& sync, const Dispatch& dispatch) {
    sync.Send([dispatch] { dispatch(kLineLostEvent); }, waiting_.Stopping());
  }

  // The waiting thread: touches only the device, its own events and flags.
  // It never ends without a word: whatever stops it other than the stop signal (an
  // event it cannot make, a wait that cannot start or fails in a way it does not know)
  // is handed over as a lost line, so the connection is closed instead of staying open
  // with nothing ever received.
  void Wait(ThreadSync& sync, const Dispatch& dispatch) {
    Event completion(true);
    OVERLAPPED ov{};
    ov.hEvent = completion.Get();
    const HANDLE objects[2] = {stop_, completion.Get()};
    // The wait writes the mask when it ends, which may be after the loop has left.
    DWORD mask = 0;
    bool pending = false;
    int fastFailures = 0;
    if (completion.Get() == nullptr) LineLost(sync, dispatch);
    while (completion.Get() != nullptr) {
      mask = 0;
      const auto started = std::chrono::steady_clock::now();
      if (!WaitCommEvent(handle_, &mask, &ov) && GetLastError() != ERROR_IO_PENDING) {
        LineLost(sync, dispatch);
        break;
      }
      pending = true;
      if (WaitForMultipleObjects(2, objects, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
      pending = false;
      DWORD unused = 0;
      if (!GetOverlappedResult(handle_, &ov, &unused, FALSE)) {
        const DWORD error = GetLastError();
        if (error != ERROR_OPERATION_ABORTED && error != ERROR_IO_INCOMPLETE) {
          LineLost(sync, dispatch);
          break;
        }
        fastFailures = std::chrono::steady_clock::now() - started < kFastFailure ? fastFailures + 1 : 0;
        if (fastFailures > kFastFailuresAtOnce && WaitForSingleObject(stop_, kFailedWaitPauseMs) != WAIT_TIMEOUT) break;
        continue;
      }
      fastFailures = 0;
      const TComEvents events = ComEventsOfMask(mask);
      // The request holds its own copy: closing from inside the notification may end
      // this thread while the dispatch still runs.
      if (events != 0 && sync.Send([dispatch, events] { dispatch(events); }, waiting_.Stopping())) break;
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
