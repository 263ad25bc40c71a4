// instance_link.cpp - the running instance's socket, over POSIX Unix-domain sockets.
#include "platform/instance_link.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

int g_listenSocket = -1;

using SteadyClock = std::chrono::steady_clock;

// The socket's name is relative: the working folder is the instance's identity, and a
// relative name never meets the 108-byte limit of socket paths.
sockaddr_un SocketAddress() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", INSTANCE_SOCKET_NAME);
  return address;
}

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK); }

int MsLeft(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for events on fd until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, SteadyClock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int result = poll(&entry, 1, MsLeft(deadline));
    if (result > 0) return true;
    if (result == 0) return false;
    if (errno != EINTR) return false;
  }
}

// Reads exactly length bytes of a non-blocking socket before the deadline.
bool ReadExactly(int fd, uint8_t* out, size_t length, SteadyClock::time_point deadline) {
  size_t done = 0;
  while (done < length) {
    const ssize_t got = recv(fd, out + done, length - done, 0);
    if (got > 0) {
      done += static_cast<size_t>(got);
      continue;
    }
    if (got == 0) return false;  // the other side closed early
    if (errno == EINTR) continue;
    if ((errno != EAGAIN && errno != EWOULDBLOCK) || !WaitFor(fd, POLLIN, deadline)) return false;
  }
  return true;
}

bool WriteExactly(int fd, const uint8_t* bytes, size_t length, SteadyClock::time_point deadline) {
  size_t done = 0;
  while (done < length) {
    const ssize_t sent = send(fd, bytes + done, length - done, MSG_NOSIGNAL);
    if (sent > 0) {
      done += static_cast<size_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline)) continue;
    return false;
  }
  return true;
}

void PutU32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}
uint32_t GetU32(const uint8_t* bytes) {
  return bytes[0] | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) | (uint32_t{bytes[3]} << 24);
}

// Connects to the folder's socket; -1 when nobody listens.
int ConnectToRunning(SteadyClock::time_point deadline) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  SetNonBlocking(fd);
  const sockaddr_un address = SocketAddress();
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
  if (errno == EAGAIN || errno == EINPROGRESS) {
    // A full backlog: an instance exists but is slow to accept.
    int error = 0;
    socklen_t size = sizeof error;
    if (WaitFor(fd, POLLOUT, deadline) && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
      return fd;
  }
  close(fd);
  return -1;
}

// Reads one request from an accepted connection and answers it.
bool ServeConnection(int fd, InstanceRequestHandler handler) {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(INSTANCE_READ_TIMEOUT_MS);
  uint8_t head[5];
  if (!ReadExactly(fd, head, sizeof head, deadline)) return false;
  const uint32_t code = GetU32(head);
  const int length = head[4];
  if (length > INSTANCE_TEXT_MAX) return false;
  char text[INSTANCE_TEXT_MAX + 1] = {};
  if (length && !ReadExactly(fd, reinterpret_cast<uint8_t*>(text), static_cast<size_t>(length), deadline)) return false;
  text[length] = 0;
  uint8_t reply[4];
  PutU32(reply, handler(code, text));
  WriteExactly(fd, reply, sizeof reply, deadline);  // a sender that gave up is not our concern
  return true;
}

}  // namespace

int InstanceLinkOpen() {
  if (g_listenSocket >= 0) return 1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  const sockaddr_un address = SocketAddress();
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    // A socket file nobody answers on is left from an instance that did not close it.
    if (errno != EADDRINUSE || InstanceLinkFindRunning() || unlink(INSTANCE_SOCKET_NAME) != 0 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      close(fd);
      return 0;
    }
  }
  if (listen(fd, 8) != 0) {
    close(fd);
    unlink(INSTANCE_SOCKET_NAME);
    return 0;
  }
  SetNonBlocking(fd);
  g_listenSocket = fd;
  return 1;
}

void InstanceLinkClose() {
  if (g_listenSocket < 0) return;
  close(g_listenSocket);
  g_listenSocket = -1;
  unlink(INSTANCE_SOCKET_NAME);
}

int InstanceLinkListening() { return g_listenSocket >= 0; }

int InstanceLinkFindRunning() {
  const int fd = ConnectToRunning(SteadyClock::now() + std::chrono::milliseconds(200));
  if (fd < 0) return 0;
  close(fd);  // the running instance reads nothing and drops the connection
  return 1;
}

int InstanceLinkServe(InstanceRequestHandler handler) {
  if (g_listenSocket < 0) return 0;
  int served = 0;
  for (;;) {
    const int fd = accept4(g_listenSocket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return served;  // EAGAIN: nothing more waits
    }
    if (ServeConnection(fd, handler)) ++served;
    close(fd);
  }
}

InstanceSendResult InstanceLinkSend(uint32_t code, const char* text, int timeoutMs, uint32_t& reply) {
  reply = 0;
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  const int fd = ConnectToRunning(deadline);
  if (fd < 0) return INSTANCE_NOT_RUNNING;
  const size_t length = text ? strnlen(text, INSTANCE_TEXT_MAX) : 0;
  uint8_t request[5 + INSTANCE_TEXT_MAX];
  PutU32(request, code);
  request[4] = static_cast<uint8_t>(length);
  if (length) std::memcpy(request + 5, text, length);
  InstanceSendResult result = INSTANCE_LINK_FAILED;
  uint8_t answer[4];
  if (WriteExactly(fd, request, 5 + length, deadline)) {
    if (ReadExactly(fd, answer, sizeof answer, deadline)) {
      reply = GetU32(answer);
      result = INSTANCE_REPLIED;
    } else if (MsLeft(deadline) == 0) {
      result = INSTANCE_TIMED_OUT;
    }
  } else if (MsLeft(deadline) == 0) {
    result = INSTANCE_TIMED_OUT;
  }
  close(fd);
  return result;
}
