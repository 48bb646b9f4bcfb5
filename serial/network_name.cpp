#include "network_name.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::size_t kSchemeLength = sizeof kNetworkScheme - 1;
constexpr std::size_t kMaxPortDigits = 5;

bool HostNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

bool Ipv6Character(char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.'; }

[[noreturn]] void Refuse(const std::string& text, const std::string& why) {
  // A name longer than a screen line is shown by its start.
  constexpr std::size_t kShown = 60;
  const std::string shown = text.size() > kShown ? text.substr(0, kShown) + "..." : text;
  throw EPortName("\"" + shown + "\" is no network port name: " + why + " (the form is rfc2217://HOST:PORT)");
}

int ParsePort(const std::string& text, const std::string& digits) {
  if (digits.empty()) Refuse(text, "the port number is missing");
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const std::size_t slash = digits.find_first_of("/?#");
    if (slash != std::string::npos) Refuse(text, "a network port name has no path");
    Refuse(text, "the port \"" + digits + "\" is not a number");
  }
  const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size());
  const int port =
      digits.size() - first > kMaxPortDigits ? kLastNetworkPort + 1 : std::stoi("0" + digits.substr(first));
  if (port < kFirstNetworkPort || port > kLastNetworkPort) {
    Refuse(text, "the port " + digits + " is not between " + std::to_string(kFirstNetworkPort) + " and " +
                     std::to_string(kLastNetworkPort));
  }
  return port;
}

}  // namespace

bool IsNetworkName(const std::string& text) {
  return text.size() >= kSchemeLength &&
         std::equal(kNetworkScheme, kNetworkScheme + kSchemeLength, text.begin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

NetworkAddress ParseNetworkName(const std::string& text) {
  if (!IsNetworkName(text)) Refuse(text, "it does not begin with rfc2217://");
  const std::string rest = text.substr(kSchemeLength);
  NetworkAddress address;
  std::size_t hostEnd;
  if (!rest.empty() && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string::npos) Refuse(text, "the IPv6 address has no closing ]");
    address.host = rest.substr(1, close - 1);
    if (address.host.empty() || !std::all_of(address.host.begin(), address.host.end(), Ipv6Character)) {
      Refuse(text, "\"" + address.host + "\" is no IPv6 address");
    }
    hostEnd = close + 1;
  } else {
    hostEnd = std::min(rest.find_first_of(":/?#@"), rest.size());
    address.host = rest.substr(0, hostEnd);
  }
  if (hostEnd < rest.size() && rest[hostEnd] == '@') Refuse(text, "RFC 2217 has no user name or password");
  if (address.host.empty()) Refuse(text, "the host is missing");
  if (address.host.size() > kMaxHostLength) {
    Refuse(text, "the host has " + std::to_string(address.host.size()) + " characters, more than " +
                     std::to_string(kMaxHostLength));
  }
  if (!std::all_of(address.host.begin(), address.host.end(),
                   [&](char c) { return HostNameCharacter(c) || (rest.front() == '[' && Ipv6Character(c)); })) {
    Refuse(text, "the host \"" + address.host + "\" has a character no host name has");
  }
  if (hostEnd >= rest.size()) Refuse(text, "the port number is missing");
  if (rest[hostEnd] != ':') Refuse(text, "a network port name has no path");
  address.port = ParsePort(text, rest.substr(hostEnd + 1));
  return address;
}

std::string NetworkName(const NetworkAddress& address) {
  const bool ipv6 = address.host.find(':') != std::string::npos;
  return kNetworkScheme + (ipv6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

std::string CanonicalNetworkName(const std::string& text) {
  try {
    return NetworkName(ParseNetworkName(text));
  } catch (const EPortName&) {
    return text;
  }
}
