// instance_link.cpp - the running instance's socket, over POSIX Unix-domain sockets.
#include "platform/instance_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/messages.h"

namespace {

int g_listenSocket = -1;
struct stat g_socketFile;  // the socket file this instance made, removed again only while it is that file

using SteadyClock = std::chrono::steady_clock;

// The socket's name is relative: the working folder is the instance's identity, and a
// relative name never meets the 108-byte limit of socket paths.
sockaddr_un SocketAddress() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", INSTANCE_SOCKET_NAME);
  return address;
}

// A socket file of this user's that nobody answers on is what an instance left that ended
// without closing: that alone may be removed.  Any other file of that name (a plain file, a
// link, another user's socket) is left as it is.
bool IsLeftSocket() {
  struct stat st;
  return lstat(INSTANCE_SOCKET_NAME, &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == geteuid();
}

bool IsOwnSocket() {
  struct stat st;
  return lstat(INSTANCE_SOCKET_NAME, &st) == 0 && S_ISSOCK(st.st_mode) && st.st_dev == g_socketFile.st_dev &&
         st.st_ino == g_socketFile.st_ino;
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

// Connects to the folder's socket; -1 when nobody listens.  A full queue of connections
// (the instance is slow to accept) is asked again until the deadline; busy tells that the
// deadline passed that way.
int ConnectToRunning(SteadyClock::time_point deadline, bool* busy = nullptr) {
  if (busy) *busy = false;
  const sockaddr_un address = SocketAddress();
  for (;;) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    const int error = errno;
    close(fd);
    if (error != EAGAIN && error != EINTR) return -1;
    if (MsLeft(deadline) == 0) {
      if (busy) *busy = error == EAGAIN;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10, MsLeft(deadline))));
  }
}

// One accepted connection and the part of its request read so far.
struct Connection {
  int fd = -1;
  uint8_t bytes[5 + INSTANCE_TEXT_MAX];
  int have = 0;
  SteadyClock::time_point deadline;
};
Connection g_connections[INSTANCE_CONNECTION_MAX];
int g_nextConnection;  // where the next pass starts, so every connection gets its turn

void Drop(Connection& c) {
  if (c.fd >= 0) {
    UnwatchDescriptor(c.fd);
    close(c.fd);
  }
  c.fd = -1;
  c.have = 0;
}

void DropAll() {
  for (Connection& c : g_connections) Drop(c);
}

// The user id of the connection's other end; false when the system cannot tell.
bool PeerUserId(int fd, uint32_t& userId) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || size != sizeof credentials) return false;
  userId = credentials.uid;
  return true;
}

// Takes a new connection into the table; when the table is full the oldest one goes.
void Keep(int fd) {
  Connection* slot = nullptr;
  for (Connection& c : g_connections) {
    if (c.fd < 0) {
      slot = &c;
      break;
    }
    if (!slot || c.deadline < slot->deadline) slot = &c;
  }
  Drop(*slot);
  WatchDescriptor(fd);  // the rest of its request, or its end, wakes a waiting loop
  slot->fd = fd;
  slot->have = 0;
  slot->deadline = SteadyClock::now() + std::chrono::milliseconds(INSTANCE_READ_TIMEOUT_MS);
}

// The bytes a request needs in all, as far as its head tells; 0 for a damaged head.
int RequestSize(const Connection& c) {
  if (c.have < 5) return 5;
  const int length = c.bytes[4];
  return length > INSTANCE_TEXT_MAX ? 0 : 5 + length;
}

// Reads what the sender sent since the last pass and answers a complete request.  Returns
// true when a request was answered; the connection is dropped whenever it is done with.
bool Advance(Connection& c, InstanceRequestHandler handler, SteadyClock::time_point now) {
  for (;;) {
    const int need = RequestSize(c);
    if (need == 0) {
      Drop(c);
      return false;
    }
    if (c.have == need && need >= 5) break;
    const ssize_t got = recv(c.fd, c.bytes + c.have, static_cast<size_t>(need - c.have), 0);
    if (got > 0) {
      c.have += static_cast<int>(got);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && now < c.deadline) return false;  // later
    Drop(c);  // closed early, failed, or silent too long
    return false;
  }
  char text[INSTANCE_TEXT_MAX + 1];
  const int length = c.bytes[4];
  std::memcpy(text, c.bytes + 5, static_cast<size_t>(length));
  text[length] = 0;
  uint8_t reply[4];
  PutU32(reply, handler(GetU32(c.bytes), text));
  // Four bytes always fit a fresh connection's buffer; a sender that gave up is not our concern.
  (void)!send(c.fd, reply, sizeof reply, MSG_NOSIGNAL | MSG_DONTWAIT);
  Drop(c);
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
    if (errno != EADDRINUSE || InstanceLinkFindRunning() || !IsLeftSocket() || unlink(INSTANCE_SOCKET_NAME) != 0 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      close(fd);
      return 0;
    }
  }
  // Only this user may connect, whatever the umask made of the file; nobody can connect
  // before listen, so the mode is right before the first connection.
  if (lstat(INSTANCE_SOCKET_NAME, &g_socketFile) != 0 || chmod(INSTANCE_SOCKET_NAME, 0600) != 0 ||
      listen(fd, 8) != 0) {
    close(fd);
    unlink(INSTANCE_SOCKET_NAME);
    return 0;
  }
  SetNonBlocking(fd);
  g_listenSocket = fd;
  WatchDescriptor(fd);  // a second start connecting wakes a waiting loop
  return 1;
}

void InstanceLinkClose() {
  DropAll();
  if (g_listenSocket < 0) return;
  UnwatchDescriptor(g_listenSocket);
  close(g_listenSocket);
  g_listenSocket = -1;
  if (IsOwnSocket()) unlink(INSTANCE_SOCKET_NAME);
}

int InstanceLinkListening() { return g_listenSocket >= 0; }

int InstanceLinkFindRunning() {
  bool busy = false;
  const int fd = ConnectToRunning(SteadyClock::now() + std::chrono::milliseconds(200), &busy);
  if (fd < 0) return busy ? 1 : 0;  // a full queue has an instance behind it
  close(fd);  // the running instance reads nothing and drops the connection
  return 1;
}

int InstanceLinkServe(InstanceRequestHandler handler, InstanceRefusedPeerHandler refusedPeer) {
  if (g_listenSocket < 0) return 0;
  const auto start = SteadyClock::now();
  const auto budgetEnd = start + std::chrono::milliseconds(INSTANCE_SERVE_BUDGET_MS);
  const uint32_t ownUserId = geteuid();
  // New connections: at most a table's worth per pass, so a flood cannot hold the pass.
  for (int accepted = 0; accepted < INSTANCE_CONNECTION_MAX && SteadyClock::now() < budgetEnd;) {
    const int fd = accept4(g_listenSocket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      break;  // EAGAIN: nothing more waits
    }
    ++accepted;
    uint32_t userId = 0;
    if (!PeerUserId(fd, userId) || userId != ownUserId) {
      close(fd);
      if (refusedPeer) refusedPeer(userId);
      continue;
    }
    Keep(fd);
  }
  int served = 0;
  for (int visited = 0; visited < INSTANCE_CONNECTION_MAX; ++visited) {
    Connection& c = g_connections[g_nextConnection];
    g_nextConnection = (g_nextConnection + 1) % INSTANCE_CONNECTION_MAX;
    if (c.fd < 0) continue;
    const auto now = SteadyClock::now();
    if (visited > 0 && now >= budgetEnd) break;  // the rest wait for the next pass
    if (Advance(c, handler, now)) ++served;
  }
  return served;
}

InstanceSendResult InstanceLinkSend(uint32_t code, const char* text, int timeoutMs, uint32_t& reply) {
  reply = 0;
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  bool busy = false;
  const int fd = ConnectToRunning(deadline, &busy);
  if (fd < 0) return busy ? INSTANCE_TIMED_OUT : INSTANCE_NOT_RUNNING;
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
