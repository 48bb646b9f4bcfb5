#pragma once
// The seam between the port object and the platform: one implementation per
// platform, chosen by the build (com_port_posix.cpp).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "com_settings.h"
#include "thread_sync.h"

// Not one of the line events: the line hung up (an adapter unplugged, the other end
// of the line gone, the device node removed). The waiting thread hands it over as
// the last thing it does.
constexpr TComEvents kLineLostEvent = 1 << 15;

// An open device and, once started, its waiting thread. Every call comes from the
// user-interface thread; failures raise EComPort with the number named below.
class ComDevice {
 public:
  using Dispatch = std::function<void(TComEvents)>;

  // The platform's error code for a call on a port that is not open (EBADF;
  // ERROR_INVALID_HANDLE on Windows), so error fields only ever hold the platform's own codes.
  static const int kNotOpenCode;

  // Opens the device of a COM name exclusively and empties its input queue, so
  // nothing received before the opening can pass for an answer; error 1.
  static std::unique_ptr<ComDevice> Open(const std::string& portName);

  // Closes the device; StopThread must have run first.
  virtual ~ComDevice() = default;

  virtual void SetQueueSizes(const TComBuffer& buffer) = 0;            // error 9
  virtual void SetLineSettings(const TComLineSettings& settings) = 0;  // error 7
  virtual void SetTimeouts(const TComTimeouts& timeouts) = 0;          // error 8
  // Asks the driver to pass received bytes on at once instead of gathering them (USB
  // adapters hold them up to 16 ms otherwise). False where the device cannot; never
  // an error.
  virtual bool RequestLowLatency() = 0;
  // The thread hands each wake-up's events through sync to dispatch.
  virtual void StartThread(ThreadSync& sync, TComEvents mask, Dispatch dispatch) = 0;
  // Sets the stop signal and serves hand-offs until the thread has ended.
  virtual void StopThread(ThreadSync& sync) = 0;
  virtual bool ThreadRunning() const = 0;

  virtual void ReadModemStatus() = 0;                                            // error 11
  virtual void ClearErrors() = 0;                                                // error 10
  virtual int Write(const std::string& text, const TComTimeouts& timeouts) = 0;  // error 2
  virtual int Read(std::uint8_t* buffer, int count) = 0;                         // error 3
  virtual int BytesWaiting() = 0;                                                // error 10
  virtual void Purge() = 0;                                                      // error 5
};
