// thread.h - worker threads with a stack of a chosen size, and a sleep in real time.
//
// The program runs on one thread; the few workers it starts (the sky worker) get a small
// stack of their own and one argument.  A worker's sleep is real time whatever clock the
// program reads, so that a test's fake clock (clock.h) never turns a worker's polling into
// a busy loop.
//
// Sections: [Threads] [Parallel chunks]
#pragma once
#include <cstddef>
#include <cstdint>

// ---- [Threads] ----
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

// ---- [Parallel chunks] ----
// A group of worker threads, started on first use and kept, that runs the chunks of one range
// of independent items at a time together with the calling thread (a world's object set-up).
constexpr int PARALLEL_THREADS_MOST = 8;
constexpr size_t PARALLEL_WORKER_STACK = 1u << 20;
// The threads a range runs on, the caller included: the hardware threads the process may run
// on less one (the rest of the machine keeps one), at most PARALLEL_THREADS_MOST, at least 1 (no
// worker is started and a range runs as a plain loop).  Worked out once.
int ParallelThreadCount();
// Forces the count (tests and benches), held to 1..PARALLEL_THREADS_MOST; 0 puts the machine's
// own back.
void SetParallelThreadCount(int count);

// job(context, chunk, begin, end) runs items [begin, end) of chunk number chunk.
using ParallelChunkJob = void (*)(void* context, int chunk, int begin, int end);
// The number of chunks of chunkItems items (the last may be shorter) that [0, itemCount) makes.
int ParallelChunkCount(int itemCount, int chunkItems);
// Runs every chunk of [0, itemCount) once, on the workers and this thread, and returns when all
// have run.  callerFirst(context), when given, runs on this thread first, beside the workers'
// first chunks, before this thread takes chunks too.  With one thread, one chunk, or when called
// from inside a job, everything runs here in order.  The workers run with this thread's
// floating-point environment, so that they round as it would.  Nothing may throw.  Callers take
// turns: one range runs at a time.
void RunParallelChunks(int itemCount, int chunkItems, ParallelChunkJob job, void* context,
                       void (*callerFirst)(void* context) = nullptr);
