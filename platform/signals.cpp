// signals.cpp - SIGINT, SIGTERM and SIGHUP caught and kept for the frame loop.
#include "platform/signals.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include "platform/message_box.h"
#include "platform/messages.h"

namespace {

constexpr int END_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_pending{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");
// A byte written by the handler, read by TakeEndSignal: the loop at rest wakes on it.
int g_wake[2] = {-1, -1};

// Only what is safe in a handler: atomics, kill and write.
void OnEndSignal(int signal) {
  const int savedErrno = errno;
  g_pending.store(signal);
  EndMessageBoxForSignal();
  if (g_wake[1] >= 0) {
    const char byte = 1;
    (void)!write(g_wake[1], &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

void CatchEndSignals() {
  if (g_wake[0] >= 0) return;
  if (pipe2(g_wake, O_NONBLOCK | O_CLOEXEC) != 0) g_wake[0] = g_wake[1] = -1;
  WatchDescriptor(g_wake[0]);  // a signal ends the loop's wait for messages at once
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // SDL would turn two of them into a window's close
  for (const int signal : END_SIGNALS) {
    struct sigaction before = {};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // reads and writes under way go on; waits look again
    sigaction(signal, &action, nullptr);
  }
}

int TakeEndSignal() {
  if (g_wake[0] >= 0) {
    char drained[64];
    while (read(g_wake[0], drained, sizeof drained) > 0) {
    }
  }
  return g_pending.exchange(0);
}

int EndSignalPending() { return g_pending.load() != 0; }

const char* EndSignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "signal";
  }
}
