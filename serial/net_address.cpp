// A host's TCP addresses through getaddrinfo, which both systems call the same way;
// only the header that declares it differs.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cerrno>

#include "net_socket.h"

int ResolveAddresses(const std::string& host, int port, bool numericOnly, std::vector<SocketAddress>& addresses) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICSERV | (numericOnly ? AI_NUMERICHOST : 0);
  addrinfo* found = nullptr;
  if (const int result = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); result != 0) {
#ifdef EAI_SYSTEM
    // POSIX's EAI_SYSTEM names its cause in errno.
    if (result == EAI_SYSTEM) return errno;
#endif
    return result;
  }
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    addresses.push_back({a->ai_family, std::string(reinterpret_cast<const char*>(a->ai_addr), a->ai_addrlen)});
  }
  freeaddrinfo(found);
  return 0;
}
