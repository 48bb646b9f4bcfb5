#include "com_port.h"

#include <utility>

#include "com_port_internal.h"
#include "com_port_network.h"
#include "port_names.h"

TCustomComPort::TCustomComPort(ThreadSync& sync) : sync_(sync) {}

TCustomComPort::~TCustomComPort() {
  // Nobody is told of anything while the object goes.
  OnRxChar = nullptr;
  OnAfterOpen = nullptr;
  OnLineLost = nullptr;
  OnConnecting = nullptr;
  try {
    SetConnected(false);
  } catch (...) {
    // At program end nothing is left to report a failed purge to; the device is closed anyway.
    if (const std::unique_ptr<ComDevice> device = std::move(device_)) device->StopThread(sync_);
  }
}

const std::string& TCustomComPort::Port() const { return port_; }

void TCustomComPort::SetPort(const std::string& name) {
  std::string normalized = IsNetworkName(name) ? CanonicalNetworkName(name) : NormalizePortName(name);
  if (normalized == port_) return;
  port_ = std::move(normalized);
  if (connected_) {
    Close();
    // A receiver served during the closing may have opened the port already.
    if (!connected_) Open();
  }
}

bool TCustomComPort::Connected() const { return connected_; }

void TCustomComPort::SetConnected(bool connected) {
  if (connected == connected_) return;
  if (connected) {
    Open();
  } else {
    Close();
  }
}

TComLineSettings TCustomComPort::LineSettings() const {
  return TComLineSettings{baudRate_, dataBits_, stopBits_, parity_, flowControl_};
}

void TCustomComPort::Open() {
  std::unique_ptr<ComDevice> device = OpenPortDevice(port_, [this] {
    if (OnConnecting) OnConnecting(*this);
  });
  device_ = std::move(device);
  connected_ = true;
  ComDevice* opened = device_.get();
  try {
    device_->SetQueueSizes(buffer_);
    device_->SetLineSettings(LineSettings());
    device_->SetTimeouts(timeouts_);
    device_->RequestLowLatency();
    // Only this connection's events reach the receivers: a connection opened from
    // inside a notification must not get the old one's.
    device_->StartThread(sync_, events_, [this, opened](TComEvents events) { DispatchEvents(opened, events); });
  } catch (...) {
    device_.reset();
    connected_ = false;
    throw;
  }
  // Once for each of CTS, DSR and RLSD; a failure leaves the port open.
  for (int line = 0; line < 3; ++line) device_->ReadModemStatus();
  if (OnAfterOpen) OnAfterOpen(*this);
}

// The device leaves the port object before the wait for its thread, which serves
// hand-offs: a receiver that closes or reopens the port from there finds it closed
// already, and a connection it opens is not the one this closing ends.
void TCustomComPort::Close() {
  device_->Purge();
  const std::unique_ptr<ComDevice> device = std::move(device_);
  connected_ = false;
  ComDevice* const outer = closing_;
  closing_ = device.get();
  device->StopThread(sync_);
  closing_ = outer;
}

bool TCustomComPort::ThreadRunning() const { return device_ && device_->ThreadRunning(); }

int TCustomComPort::WriteText(const std::string& text) {
  if (!device_) throw EComPort(CE_WriteFailed, ComDevice::kNotOpenCode);
  return device_->Write(text, timeouts_);
}

int TCustomComPort::ReadBytes(std::uint8_t* buffer, int count) {
  if (!device_) throw EComPort(CE_ReadFailed, ComDevice::kNotOpenCode);
  return device_->Read(buffer, count);
}

int TCustomComPort::BytesWaiting() {
  if (!device_) throw EComPort(CE_ClearErrorFailed, ComDevice::kNotOpenCode);
  return device_->BytesWaiting();
}

// Runs on the user-interface thread. Only the connection that is open, or is being
// closed, is heard. A receiver may close the port (even reopen it) from inside a
// notification, so this is looked at afresh after each step.
void TCustomComPort::DispatchEvents(ComDevice* device, TComEvents events) {
  const auto live = [&] { return device == device_.get() || device == closing_; };
  if (live() && (events & evError)) device->ClearErrors();
  if (live() && (events & evRxChar)) {
    const int count = device->BytesWaiting();
    if (count > 0 && OnRxChar) OnRxChar(*this, count);
  }
  for (TComEvent modemEvent : {evCTS, evDSR, evRLSD}) {
    if (live() && (events & modemEvent)) device->ReadModemStatus();
  }
  if (live() && (events & kLineLostEvent) && OnLineLost) OnLineLost(*this);
}
