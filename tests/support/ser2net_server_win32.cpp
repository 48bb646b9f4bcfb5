// ser2net under Wine: the broker runs it on the Linux side in front of the device, with
// the guides' configuration ("ser2net DEVICE"; tests/win32/pty_broker.py), and ends it
// when asked or when this connection closes.

#include <string>

#include "broker_client_win32.h"
#include "ser2net_server.h"

Ser2netServer::Ser2netServer(const std::string& device) {
  int control = BrokerConnect();
  port_ = std::stoi(BrokerAsk(control, "ser2net " + device));
  id_ = control;
}

Ser2netServer::~Ser2netServer() { Kill(); }

std::string Ser2netServer::Url() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

void Ser2netServer::Kill() {
  if (id_ < 0) return;
  int control = static_cast<int>(id_);
  BrokerAsk(control, "killser2net");
  BrokerClose(control);
  id_ = -1;
}
