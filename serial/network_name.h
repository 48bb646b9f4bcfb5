#pragma once
// Network port names: "rfc2217://HOST:PORT", a serial line that a server (ser2net, a
// serial device server) puts on the network with RFC 2217. They stand wherever a COM
// name can, and a COM name can stand for one through the ports configuration
// (network_ports.h).

#include <stdexcept>
#include <string>

inline constexpr char kNetworkScheme[] = "rfc2217://";
// A DNS name has at most 253 characters; an address literal is shorter.
constexpr std::size_t kMaxHostLength = 253;
constexpr int kFirstNetworkPort = 1;
constexpr int kLastNetworkPort = 65535;

struct NetworkAddress {
  std::string host;  // a name, an IPv4 address, or an IPv6 address without its brackets
  int port = 0;
  bool operator==(const NetworkAddress&) const = default;
};

// A port name that cannot be used as asked: a network name that is not one, or a COM
// name the ports configuration cannot give to a network port. The message says why.
class EPortName : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// True when text begins with the scheme (in any case): it is then meant as a network
// name, valid or not, and never read as a COM name.
bool IsNetworkName(const std::string& text);

// The host and the port of a network name; raises EPortName for anything else: no
// host, a host of more than 253 characters or with characters no host name has, a
// missing, non-numeric or out-of-range port, a user name, a path or a query.
NetworkAddress ParseNetworkName(const std::string& text);

// "rfc2217://HOST:PORT", an IPv6 address in brackets.
std::string NetworkName(const NetworkAddress& address);

// The name as the port object keeps it: a valid one written the one way, anything
// else as it came (opening it then fails with the reason).
std::string CanonicalNetworkName(const std::string& text);
