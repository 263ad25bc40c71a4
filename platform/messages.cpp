// messages.cpp - a small ring of window messages, filled by the platform and by posts.
#include "platform/messages.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/clock.h"

namespace {
std::deque<WindowMessage> g_queue;
std::mutex g_queueLock;  // posts may come from worker threads
MessageSource g_source = nullptr;

// The wait.  Another thread's wake sets wakeAsked and, while the main thread waits (or is about
// to), writes the event counter once, which the wait's poll sees; the wait empties it again.
struct Waiting {
  int watched[WATCHED_DESCRIPTOR_MAX];
  int watchedCount = 0;
  uint32_t limitMs = 0;
  int wakeFd = -1;
  std::once_flag wakeFdMade;
  std::atomic<bool> wakeAsked{false};
  std::atomic<bool> waiting{false};
  std::atomic<bool> wakeWritten{false};
};
Waiting g_wait;
// Static initialisation runs on the main thread: the thread whose posts need no wake.
const std::thread::id g_mainThread = std::this_thread::get_id();

int WakeDescriptor() {
  std::call_once(g_wait.wakeFdMade, [] { g_wait.wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); });
  return g_wait.wakeFd;
}

bool QueueEmpty() {
  std::lock_guard<std::mutex> lock(g_queueLock);
  return g_queue.empty();
}
}  // namespace

bool PeekWindowMessage(WindowMessage& out) {
  if (g_source) g_source();
  std::lock_guard<std::mutex> lock(g_queueLock);
  if (g_queue.empty()) return false;
  out = g_queue.front();
  g_queue.pop_front();
  return true;
}

bool PeekWindowMessageIf(WindowMessage& out, bool (*accept)(const WindowMessage&)) {
  if (g_source) g_source();
  std::lock_guard<std::mutex> lock(g_queueLock);
  if (g_queue.empty() || !accept(g_queue.front())) return false;
  out = g_queue.front();
  g_queue.pop_front();
  return true;
}

void PostWindowMessage(uint32_t id, uint64_t wParam, int64_t lParam) {
  {
    std::lock_guard<std::mutex> lock(g_queueLock);
    g_queue.push_back(WindowMessage{id, wParam, lParam});
  }
  // The main thread pumps what it posts before it waits again.
  if (std::this_thread::get_id() != g_mainThread) WakeMessageWait();
}

void ClearWindowMessages() {
  std::lock_guard<std::mutex> lock(g_queueLock);
  g_queue.clear();
}

int CountWindowMessages() {
  std::lock_guard<std::mutex> lock(g_queueLock);
  return static_cast<int>(g_queue.size());
}

void SetMessageSource(MessageSource collect) { g_source = collect; }

// ---- [Waiting] ----

WaitResult WaitForMessages(uint32_t timeoutMs) {
  g_wait.waiting.store(true);
  // What arrived before the wait began: the source's events, posts, a wake.
  if (g_source) g_source();
  if (!QueueEmpty() || g_wait.wakeAsked.load()) {
    g_wait.waiting.store(false);
    g_wait.wakeAsked.store(false);
    return WAIT_WOKEN;
  }
  pollfd fds[WATCHED_DESCRIPTOR_MAX + 1];
  int count = 0;
  const int wakeFd = WakeDescriptor();
  if (wakeFd >= 0) fds[count++] = pollfd{wakeFd, POLLIN, 0};
  for (int i = 0; i < g_wait.watchedCount; ++i) fds[count++] = pollfd{g_wait.watched[i], POLLIN, 0};
  if (g_wait.limitMs) timeoutMs = std::min(timeoutMs, g_wait.limitMs);
  // The fake clock's time passes only when the program sleeps: the wait looks, then sleeps.
  const bool fake = ClockIsFake();
  const int pollMs = fake ? 0 : static_cast<int>(std::min<uint32_t>(timeoutMs, INT32_MAX));
  int ready;
  do {
    ready = poll(fds, static_cast<nfds_t>(count), pollMs);
  } while (ready < 0 && errno == EINTR);
  g_wait.waiting.store(false);
  g_wait.wakeAsked.store(false);
  g_wait.wakeWritten.store(false);
  // Emptied whenever it shows a wake, also one written after the flag above was cleared.
  if (ready > 0 && wakeFd >= 0 && (fds[0].revents & POLLIN)) {
    uint64_t wakes = 0;
    (void)!read(wakeFd, &wakes, sizeof wakes);
  }
  if (ready > 0) return WAIT_WOKEN;
  if (fake) ClockSleepMs(timeoutMs);
  return WAIT_TIMED_OUT;
}

void WakeMessageWait() {
  g_wait.wakeAsked.store(true);
  if (g_wait.waiting.load() && !g_wait.wakeWritten.exchange(true)) {
    const uint64_t one = 1;
    (void)!write(WakeDescriptor(), &one, sizeof one);
  }
}

void WatchDescriptor(int fd) {
  if (fd < 0 || g_wait.watchedCount >= WATCHED_DESCRIPTOR_MAX) return;
  int* end = g_wait.watched + g_wait.watchedCount;
  if (std::find(g_wait.watched, end, fd) == end) g_wait.watched[g_wait.watchedCount++] = fd;
}

void UnwatchDescriptor(int fd) {
  int* end = g_wait.watched + g_wait.watchedCount;
  int* at = std::find(g_wait.watched, end, fd);
  if (at == end) return;
  *at = end[-1];
  --g_wait.watchedCount;
}

void LimitMessageWait(uint32_t ms) { g_wait.limitMs = ms; }
