#include "linked_port.h"

LinkedPort::LinkedPort() {
  port.OnRxChar = link.Receiver();
  port.OnAfterOpen = [this](TCustomComPort&) { link.Reply().ClearLine(); };
}

LinkedPort::~LinkedPort() {
  try {
    port.SetConnected(false);
  } catch (...) {
  }
}

void LinkedPort::Connect(const std::string& comName) {
  port.SetPort(comName);
  port.SetConnected(true);
}
