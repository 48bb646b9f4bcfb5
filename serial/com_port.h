#pragma once
// The serial port object: a named port with the module's fixed line settings,
// one waiting thread per connection, and the OnRxChar notification on the
// user-interface thread. Every call comes from the user-interface thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "com_error.h"
#include "com_settings.h"
#include "protocol/port_link.h"
#include "thread_sync.h"

class TCustomComPort;
using TComRxCharEvent = std::function<void(TCustomComPort& sender, int count)>;
using TComNotifyEvent = std::function<void(TCustomComPort& sender)>;

class ComDevice;  // the platform's open device and its waiting thread

class TCustomComPort : public PortLink {
 public:
  explicit TCustomComPort(ThreadSync& sync);
  ~TCustomComPort() override;  // closes an open port
  TCustomComPort(const TCustomComPort&) = delete;
  TCustomComPort& operator=(const TCustomComPort&) = delete;

  const std::string& Port() const;
  // A COM name, normalized, or a network name ("rfc2217://HOST:PORT", network_name.h);
  // a changed name reopens an open port.
  void SetPort(const std::string& name);

  bool Connected() const override;
  void SetConnected(bool connected);

  int WriteText(const std::string& text) override;
  int ReadBytes(std::uint8_t* buffer, int count) override;
  int BytesWaiting();

  TComRxCharEvent OnRxChar;  // count is at least 1
  // Once the port is open and set up, before any notification of the connection.
  TComNotifyEvent OnAfterOpen;
  // The line hung up: the waiting thread has ended and nothing will arrive any more.
  // The port stays open until its owner closes it (which it may do from here).
  TComNotifyEvent OnLineLost;
  // Every few tens of milliseconds while an opening waits for a network port, so the
  // user-interface thread can repaint. Its receiver must take no user input and must
  // not touch the port.
  TComNotifyEvent OnConnecting;

  // True while a waiting thread of the current connection runs; false once a
  // dispatch error or a hang-up of the line ended it.
  bool ThreadRunning() const;

 private:
  void Open();
  void Close();
  TComLineSettings LineSettings() const;
  void DispatchEvents(ComDevice* device, TComEvents events);

  ThreadSync& sync_;
  std::string port_ = "COM1";
  bool connected_ = false;
  // The settings, fixed: the module's line, and the time-outs, queue sizes and events the link needs.
  TBaudRate baudRate_ = br19200;
  TDataBits dataBits_ = dbEight;
  TStopBits stopBits_ = sbOneStopBit;
  TComParity parity_{this};
  TComFlowControl flowControl_{this};
  TComTimeouts timeouts_{this};
  TComBuffer buffer_{this};
  TComEvents events_ = kAllComEvents;
  std::unique_ptr<ComDevice> device_;
  ComDevice* closing_ = nullptr;  // the device whose thread a closing waits for
};

class TComPort : public TCustomComPort {
 public:
  using TCustomComPort::TCustomComPort;
};
