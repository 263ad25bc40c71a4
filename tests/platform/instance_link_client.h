// instance_link_client.h - a raw client of the running instance's socket, for the tests that
// speak to the instance link byte by byte.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/instance_link.h"

// A client connected to the running instance's socket, not blocking; -1 when none listens.
inline int ConnectRaw() {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, INSTANCE_SOCKET_NAME);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}
