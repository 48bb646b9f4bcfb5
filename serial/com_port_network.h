#pragma once
// The port object's third device: a TCP connection to an RFC 2217 server, the same on
// every platform over the socket seam (net_socket.h). And the choice of device by the
// port's name.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "com_port_internal.h"
#include "network_name.h"

// The longest an opening may take, from looking up the host to the server's agreement
// to RFC 2217: a few seconds, as a connection over a VPN may need.
constexpr std::chrono::milliseconds kNetworkConnectTimeout{5000};
// How often a waiting opening lets the caller's thread do its own work.
constexpr std::chrono::milliseconds kConnectSlice{20};

struct NetworkConnect {
  std::chrono::milliseconds timeout = kNetworkConnectTimeout;
  // Called every kConnectSlice while the opening waits; may be empty.
  std::function<void()> whileWaiting;
};

// Connects to an RFC 2217 server and agrees BINARY and COM-PORT-OPTION with it, then
// has it purge its buffers; what arrived before that is dropped. Errors: 17 when the
// host cannot be looked up, 16 when the connection cannot be made (or the time-out
// passed), 18 when the server will not speak RFC 2217; each with the system's code,
// the time-out's, or -1.
std::unique_ptr<ComDevice> OpenNetworkDevice(const NetworkAddress& address, const NetworkConnect& connect);

// The device a port name stands for: a network name's server, the server the ports
// configuration gives a COM name (network_ports.h), or else the platform's serial port.
std::unique_ptr<ComDevice> OpenPortDevice(const std::string& port, const std::function<void()>& whileWaiting);
