// thread.cpp - worker threads over POSIX threads, and the group that runs parallel chunks.
#include "platform/thread.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <mutex>

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

// ---- [Parallel chunks] ----

namespace {

// One range at a time: the caller publishes it under the lock, bumps the generation and wakes
// the workers; chunks are then claimed through an atomic counter by whoever is free.  A worker
// joins the range under the lock while it is open; once the caller has run out of chunks it
// closes the range and waits only for the workers that joined (a worker the system has not yet
// woken is not waited for: on a busy machine that could take milliseconds).
struct WorkerGroup {
  std::mutex lock;
  std::condition_variable wake, finished;
  PlatformThread threads[PARALLEL_THREADS_MOST];
  int started = 0;
  bool stopping = false;
  // The range in force (read by the workers after they joined it).
  uint64_t generation = 0;
  int helpers = 0;     // workers 0..helpers-1 may join it
  bool open = false;   // workers may still join
  int joined = 0;      // workers that joined and have not yet finished with it
  ParallelChunkJob job = nullptr;
  void* context = nullptr;
  int itemCount = 0, chunkItems = 1, chunkCount = 0;
  std::fenv_t environment;
  std::atomic<int> nextChunk{0};

  ~WorkerGroup() {
    {
      std::lock_guard<std::mutex> hold(lock);
      stopping = true;
    }
    wake.notify_all();
    for (int i = 0; i < started; ++i) JoinThread(threads[i]);
  }
};

// Constructed on first use and destroyed at exit after the last range: the workers are joined.
WorkerGroup& Group() {
  static WorkerGroup group;
  return group;
}

std::atomic<int> g_forcedCount{0};
// Set on the threads while they run a range's chunks: a range started from a job runs inline.
thread_local bool t_inChunks = false;
// Callers take turns.
std::mutex g_callerTurn;

void RunChunks(WorkerGroup& g) {
  for (;;) {
    const int chunk = g.nextChunk.fetch_add(1, std::memory_order_relaxed);
    if (chunk >= g.chunkCount) return;
    const int begin = chunk * g.chunkItems;
    g.job(g.context, chunk, begin, std::min(g.itemCount, begin + g.chunkItems));
  }
}

struct WorkerStart {
  int index;
};
WorkerStart g_workerStarts[PARALLEL_THREADS_MOST];

void Worker(void* argument) {
  const int index = static_cast<WorkerStart*>(argument)->index;
  WorkerGroup& g = Group();
  uint64_t seen = 0;
  std::unique_lock<std::mutex> hold(g.lock);
  for (;;) {
    g.wake.wait(hold, [&] { return g.stopping || g.generation != seen; });
    if (g.stopping) return;
    seen = g.generation;
    if (index >= g.helpers || !g.open) continue;
    ++g.joined;
    hold.unlock();
    std::fesetenv(&g.environment);
    t_inChunks = true;
    RunChunks(g);
    t_inChunks = false;
    hold.lock();
    if (--g.joined == 0 && !g.open) g.finished.notify_one();
  }
}

// The hardware threads this process may run on (a process pinned to one core counts 1).
int MachineThreadCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  long usable = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : sysconf(_SC_NPROCESSORS_ONLN);
  if (usable < 1) usable = 1;
  return std::clamp(int(std::min<long>(usable, INT_MAX)) - 1, 1, PARALLEL_THREADS_MOST);
}

}  // namespace

int ParallelThreadCount() {
  const int forced = g_forcedCount.load(std::memory_order_relaxed);
  if (forced > 0) return forced;
  static const int machine = MachineThreadCount();
  return machine;
}

void SetParallelThreadCount(int count) {
  g_forcedCount.store(count <= 0 ? 0 : std::min(count, PARALLEL_THREADS_MOST), std::memory_order_relaxed);
}

int ParallelChunkCount(int itemCount, int chunkItems) {
  if (itemCount <= 0) return 0;
  chunkItems = std::max(chunkItems, 1);
  return int((int64_t(itemCount) + chunkItems - 1) / chunkItems);
}

void RunParallelChunks(int itemCount, int chunkItems, ParallelChunkJob job, void* context,
                       void (*callerFirst)(void* context)) {
  chunkItems = std::max(chunkItems, 1);
  const int chunkCount = ParallelChunkCount(itemCount, chunkItems);
  const int threads = std::min(ParallelThreadCount(), chunkCount);
  if (threads <= 1 || t_inChunks) {
    if (callerFirst) callerFirst(context);
    for (int chunk = 0; chunk < chunkCount; ++chunk) {
      const int begin = chunk * chunkItems;
      job(context, chunk, begin, std::min(itemCount, begin + chunkItems));
    }
    return;
  }
  std::lock_guard<std::mutex> turn(g_callerTurn);
  WorkerGroup& g = Group();
  {
    std::lock_guard<std::mutex> hold(g.lock);
    while (g.started < threads - 1) {
      g_workerStarts[g.started].index = g.started;
      if (!StartThread(g.threads[g.started], Worker, &g_workerStarts[g.started], PARALLEL_WORKER_STACK)) break;
      ++g.started;
    }
    g.helpers = std::min(threads - 1, g.started);
    g.open = true;
    g.joined = 0;
    g.job = job;
    g.context = context;
    g.itemCount = itemCount;
    g.chunkItems = chunkItems;
    g.chunkCount = chunkCount;
    std::fegetenv(&g.environment);
    g.nextChunk.store(0, std::memory_order_relaxed);
    ++g.generation;
  }
  g.wake.notify_all();
  t_inChunks = true;
  if (callerFirst) callerFirst(context);
  RunChunks(g);
  t_inChunks = false;
  std::unique_lock<std::mutex> hold(g.lock);
  g.open = false;
  g.finished.wait(hold, [&] { return g.joined == 0; });
}
