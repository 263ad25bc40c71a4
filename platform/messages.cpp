// messages.cpp - a small ring of window messages, filled by the platform and by posts.
#include "platform/messages.h"

#include <deque>
#include <mutex>

namespace {
std::deque<WindowMessage> g_queue;
std::mutex g_queueLock;  // posts may come from worker threads
MessageSource g_source = nullptr;
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
  std::lock_guard<std::mutex> lock(g_queueLock);
  g_queue.push_back(WindowMessage{id, wParam, lParam});
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
