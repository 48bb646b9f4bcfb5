#include "linked_port.h"

LinkedPort::LinkedPort() { port.OnRxChar = link.Receiver(); }

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
