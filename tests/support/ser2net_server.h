#pragma once
// Debian's ser2net in front of a serial device, started by the test on a free loopback
// port with the configuration the guides print (docs/examples/ser2net.yaml), its device
// and port put in. Under Wine the broker starts it on the Linux side
// (tests/win32/pty_broker.py).

#include <string>

// The guides' configuration for a device and a port: the text of
// docs/examples/ser2net.yaml with /dev/ttyUSB0 and 7217 replaced.
std::string Ser2netConfig(const std::string& device, int port);

class Ser2netServer {
 public:
  // Returns once it takes connections; raises std::runtime_error when it does not.
  explicit Ser2netServer(const std::string& device);
  ~Ser2netServer();
  Ser2netServer(const Ser2netServer&) = delete;
  Ser2netServer& operator=(const Ser2netServer&) = delete;

  // "rfc2217://127.0.0.1:<port>"
  std::string Url() const;
  int Port() const { return port_; }
  // Ends it at once (SIGKILL), as a crash or a pulled network cable at the board would.
  void Kill();

 private:
  int port_ = 0;
  long id_ = -1;  // its process, or the broker's connection for it
  std::string config_;
};
