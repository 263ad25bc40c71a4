// thread.cpp - worker threads over POSIX threads.
#include "platform/thread.h"

#include <pthread.h>

#include <climits>
#include <cstring>
#include <ctime>

static_assert(sizeof(pthread_t) <= sizeof(uint64_t), "a thread handle fits the record");

namespace {

struct Start {
  void (*fn)(void*);
  void* argument;
};

void* Run(void* start) {
  const Start s = *static_cast<Start*>(start);
  delete static_cast<Start*>(start);
  s.fn(s.argument);
  return nullptr;
}

}  // namespace

int StartThread(PlatformThread& thread, void (*fn)(void*), void* argument, size_t stackBytes) {
  if (thread.running) return 0;
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return 0;
  if (stackBytes < size_t(PTHREAD_STACK_MIN)) stackBytes = size_t(PTHREAD_STACK_MIN);
  pthread_attr_setstacksize(&attributes, stackBytes);
  Start* start = new Start{fn, argument};
  pthread_t id;
  const int error = pthread_create(&id, &attributes, Run, start);
  pthread_attr_destroy(&attributes);
  if (error != 0) {
    delete start;
    return 0;
  }
  thread.handle = 0;
  std::memcpy(&thread.handle, &id, sizeof id);
  thread.running = 1;
  return 1;
}

void JoinThread(PlatformThread& thread) {
  if (!thread.running) return;
  pthread_t id;
  std::memcpy(&id, &thread.handle, sizeof id);
  pthread_join(id, nullptr);
  thread = PlatformThread{};
}

void ThreadSleepMs(uint32_t ms) {
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}
