#include "tests/support/local_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A socket bound to a port the system chose; -1 on failure.
int BindAnyPort(uint16_t* port) {
  int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(descriptor);
    return -1;
  }
  *port = ntohs(address.sin_port);
  return descriptor;
}

}  // namespace

std::vector<uint16_t> UnusedLocalPorts(size_t count) {
  // Every socket stays bound until all ports are known, so they differ.
  std::vector<int> sockets;
  std::vector<uint16_t> ports;
  for (size_t i = 0; i < count; ++i) {
    uint16_t port = 0;
    int descriptor = BindAnyPort(&port);
    if (descriptor < 0) break;
    sockets.push_back(descriptor);
    ports.push_back(port);
  }
  for (int descriptor : sockets) close(descriptor);
  if (ports.size() != count) ports.clear();
  return ports;
}
