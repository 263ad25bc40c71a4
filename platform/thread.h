// thread.h - worker threads with a stack of a chosen size, and a sleep in real time.
//
// The program runs on one thread; the few workers it starts (the sky worker) get a small
// stack of their own and one argument.  A worker's sleep is real time whatever clock the
// program reads, so that a test's fake clock (clock.h) never turns a worker's polling into
// a busy loop.
#pragma once
#include <cstddef>
#include <cstdint>

struct PlatformThread {
  uint64_t handle = 0;
  int running = 0;  // started and not yet joined
};

// Starts fn(argument) with a stack of stackBytes (raised to the system's least).  1 when the
// thread runs; 0 (nothing started) when the system refused it.
int StartThread(PlatformThread& thread, void (*fn)(void*), void* argument, size_t stackBytes);
// Waits for the thread to end; nothing when it is not running.
void JoinThread(PlatformThread& thread);
void ThreadSleepMs(uint32_t ms);
