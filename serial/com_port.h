#pragma once
// The serial port object: a named port with the module's fixed line settings,
// one waiting thread per connection, and the OnRxChar notification on the
// user-interface thread. Every call comes from the user-interface thread.
// (Implementation may add private members; the public API below is what the
// rest of the program uses.)

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "protocol/port_link.h"
#include "thread_sync.h"

// The link's own error numbers.
enum ComError {
  CE_OpenFailed = 1,         // "Unable to open com port"
  CE_WriteFailed = 2,        // "WriteFile function failed"
  CE_ReadFailed = 3,         // "ReadFile function failed"
  CE_PurgeFailed = 5,        // "PurgeComm function failed"
  CE_SetStateFailed = 7,     // "SetCommState function failed"
  CE_SetTimeoutsFailed = 8,  // "SetCommTimeouts failed"
  CE_SetupFailed = 9,        // "SetupComm function failed"
  CE_ClearErrorFailed = 10,  // "ClearCommError function failed"
  CE_ModemStatusFailed = 11, // "GetCommModemStatus function failed"
  CE_EnumPortsFailed = 15,   // "EnumPorts function failed"
};

// "<text> (win error code: <platform code>)"; on POSIX the code is the errno, -1 for none.
class EComPort : public std::runtime_error {
 public:
  EComPort(int errorNumber, int platformCode);
  int ErrorNumber() const { return errorNumber_; }
  int PlatformCode() const { return platformCode_; }

 private:
  int errorNumber_;
  int platformCode_;
};

class TCustomComPort;
using TComRxCharEvent = std::function<void(TCustomComPort& sender, int count)>;

class TCustomComPort : public PortLink {
 public:
  explicit TCustomComPort(ThreadSync& sync);
  ~TCustomComPort() override;  // closes an open port
  TCustomComPort(const TCustomComPort&) = delete;
  TCustomComPort& operator=(const TCustomComPort&) = delete;

  const std::string& Port() const;
  void SetPort(const std::string& name);  // normalized; a changed name reopens an open port

  bool Connected() const override;
  void SetConnected(bool connected);

  int WriteText(const std::string& text) override;
  int ReadBytes(std::uint8_t* buffer, int count) override;
  int BytesWaiting();

  TComRxCharEvent OnRxChar;  // count is at least 1

  // (implementation-defined private state follows)
};

class TComPort : public TCustomComPort {
 public:
  using TCustomComPort::TCustomComPort;
};
