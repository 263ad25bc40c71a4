// thread_test.cpp - the worker group's parallel chunks: every item once with its own chunk's
// bounds, on no more threads than asked, range after range as the count moves; a range started
// inside a job runs inline; the workers round as the caller does; a worker asleep from the
// range before wakes and takes chunks of the next; and a single thread started and joined.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <cfenv>
#include <climits>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/thread.h"

namespace {

struct Counted {
  std::vector<std::atomic<int>> runs;
  std::vector<std::atomic<int>> chunkOf;
  int chunkItems = 1;
  std::atomic<int> badBounds{0};
  std::mutex lock;
  std::set<std::thread::id> threads;
  explicit Counted(int items, int chunk) : runs(size_t(items)), chunkOf(size_t(items)), chunkItems(chunk) {}
};

void CountChunk(void* context, int chunk, int begin, int end) {
  auto& c = *static_cast<Counted*>(context);
  if (begin != chunk * c.chunkItems || end <= begin || end - begin > c.chunkItems) ++c.badBounds;
  for (int i = begin; i < end; ++i) {
    ++c.runs[size_t(i)];
    c.chunkOf[size_t(i)] = chunk;
  }
  // Long enough for the workers to take chunks of their own.
  volatile double sink = 0;
  for (int k = 0; k < 2000; ++k) sink = sink + std::sqrt(double(k));
  std::lock_guard<std::mutex> hold(c.lock);
  c.threads.insert(std::this_thread::get_id());
}

struct ParallelChunks : ::testing::Test {
  void TearDown() override { SetParallelThreadCount(0); }
};

}  // namespace

TEST_F(ParallelChunks, EveryItemRunsOnceInItsChunkOnAtMostTheThreadsAsked) {
  EXPECT_EQ(ParallelChunkCount(0, 8), 0);
  EXPECT_EQ(ParallelChunkCount(1, 8), 1);
  EXPECT_EQ(ParallelChunkCount(16, 8), 2);
  EXPECT_EQ(ParallelChunkCount(17, 8), 3);
  EXPECT_EQ(ParallelChunkCount(5, 0), 5) << "a chunk holds one item at least";
  // The count moves up and down between ranges: workers started for a larger count stay idle.
  for (const int threads : {1, 2, 8, 3, 1, 5, 2}) {
    SetParallelThreadCount(threads);
    EXPECT_EQ(ParallelThreadCount(), threads);
    for (const int items : {0, 1, 7, 64, 1000, 1001}) {
      for (const int chunk : {1, 16, 300}) {
        Counted c(items, chunk);
        RunParallelChunks(items, chunk, CountChunk, &c);
        for (int i = 0; i < items; ++i) {
          ASSERT_EQ(c.runs[size_t(i)], 1) << "item " << i << " of " << items << ", " << threads << " threads";
          ASSERT_EQ(c.chunkOf[size_t(i)], i / chunk);
        }
        EXPECT_EQ(c.badBounds, 0);
        EXPECT_LE(int(c.threads.size()), threads);
        if (threads == 1 || ParallelChunkCount(items, chunk) <= 1) {
          EXPECT_LE(c.threads.size(), size_t(1));
          if (!c.threads.empty()) {
            EXPECT_EQ(*c.threads.begin(), std::this_thread::get_id()) << "a plain loop";
          }
        }
      }
    }
  }
  SetParallelThreadCount(0);
  EXPECT_GE(ParallelThreadCount(), 1);
  EXPECT_LE(ParallelThreadCount(), PARALLEL_THREADS_MOST);
  SetParallelThreadCount(99);
  EXPECT_EQ(ParallelThreadCount(), PARALLEL_THREADS_MOST);
}

TEST_F(ParallelChunks, ManyShortRangesEachFinishBeforeTheCallReturns) {
  SetParallelThreadCount(4);
  std::vector<int> values(64);
  struct Add {
    std::vector<int>* values;
    int by;
  };
  for (int range = 0; range < 3000; ++range) {
    Add add = {&values, range};
    RunParallelChunks(
        64, 4,
        [](void* context, int, int begin, int end) {
          const Add& a = *static_cast<Add*>(context);
          for (int i = begin; i < end; ++i) (*a.values)[size_t(i)] += a.by;
        },
        &add);
  }
  for (int v : values) EXPECT_EQ(v, 2999 * 3000 / 2);
}

TEST_F(ParallelChunks, ARangeStartedInsideAJobRunsInline) {
  SetParallelThreadCount(4);
  struct Outer {
    std::atomic<int> inner{0};
    std::atomic<int> foreign{0};
  } outer;
  RunParallelChunks(
      8, 1,
      [](void* context, int, int, int) {
        auto& o = *static_cast<Outer*>(context);
        struct Inner {
          Outer* outer;
          std::thread::id id;
        } inner = {&o, std::this_thread::get_id()};
        RunParallelChunks(
            10, 1,
            [](void* c, int, int, int) {
              auto& in = *static_cast<Inner*>(c);
              ++in.outer->inner;
              if (std::this_thread::get_id() != in.id) ++in.outer->foreign;
            },
            &inner);
      },
      &outer);
  EXPECT_EQ(outer.inner, 80);
  EXPECT_EQ(outer.foreign, 0);
}

TEST_F(ParallelChunks, WorkersRoundAsTheCallerDoes) {
  SetParallelThreadCount(4);
  struct Rounded {
    double values[64];
  } upward{}, nearest{};
  const auto job = [](void* context, int, int begin, int end) {
    auto& r = *static_cast<Rounded*>(context);
    // 0.5 + k rounds to the even neighbour when to nearest, up when upward.
    for (int i = begin; i < end; ++i) r.values[i] = std::nearbyint(0.5 + i);
    volatile double sink = 0;
    for (int k = 0; k < 20000; ++k) sink = sink + std::sqrt(double(k));
  };
  const int saved = std::fegetround();
  std::fesetround(FE_UPWARD);
  RunParallelChunks(64, 1, job, &upward);
  std::fesetround(saved);
  RunParallelChunks(64, 1, job, &nearest);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(upward.values[i], double(i + 1)) << i;
    EXPECT_EQ(nearest.values[i], double(i % 2 == 0 ? i : i + 1)) << i;
  }
}

TEST_F(ParallelChunks, TheCallersOwnWorkRunsOnceOnItsThreadBesideTheChunks) {
  struct Shared {
    std::thread::id caller;
    std::atomic<int> firstRuns{0}, onOtherThread{0}, chunksBeforeFirstOnCaller{0}, chunks{0};
    std::atomic<bool> firstDone{false};
  };
  for (const int threads : {1, 4}) {
    for (const int items : {0, 1, 200}) {
      SetParallelThreadCount(threads);
      Shared shared;
      shared.caller = std::this_thread::get_id();
      RunParallelChunks(
          items, 8,
          [](void* context, int, int, int) {
            auto& s = *static_cast<Shared*>(context);
            ++s.chunks;
            // The caller takes chunks only after its own work.
            if (std::this_thread::get_id() == s.caller && !s.firstDone) ++s.chunksBeforeFirstOnCaller;
          },
          &shared,
          [](void* context) {
            auto& s = *static_cast<Shared*>(context);
            ++s.firstRuns;
            if (std::this_thread::get_id() != s.caller) ++s.onOtherThread;
            s.firstDone = true;
          });
      EXPECT_EQ(shared.firstRuns, 1) << threads << " threads, " << items << " items";
      EXPECT_EQ(shared.onOtherThread, 0);
      EXPECT_EQ(shared.chunksBeforeFirstOnCaller, 0);
      EXPECT_EQ(shared.chunks, ParallelChunkCount(items, 8));
    }
  }
}

namespace {

// One range of 8 chunks of 1 whose caller's own work waits (20 s at most) for a worker to take
// a chunk: counts who ran the chunks, and whether a worker was seen.
struct WorkerTaken {
  std::thread::id caller = std::this_thread::get_id();
  std::mutex lock;
  std::condition_variable taken;
  int byWorker = 0, byCaller = 0;
  bool workerSeen = false;

  void RunRange() {
    RunParallelChunks(
        8, 1,
        [](void* context, int, int, int) {
          auto& s = *static_cast<WorkerTaken*>(context);
          std::lock_guard<std::mutex> hold(s.lock);
          if (std::this_thread::get_id() == s.caller) {
            ++s.byCaller;
          } else {
            ++s.byWorker;
            s.taken.notify_all();
          }
        },
        this,
        [](void* context) {
          auto& s = *static_cast<WorkerTaken*>(context);
          std::unique_lock<std::mutex> hold(s.lock);
          s.workerSeen = s.taken.wait_for(hold, std::chrono::seconds(20), [&] { return s.byWorker > 0; });
        });
  }
};

}  // namespace

// The caller's own work waits for a worker to take a chunk, so the range can only go on once a
// worker has woken; the first range may start the worker, the later ones find it asleep from the
// range before (it has finished with it before that range returned).  The wait has a deadline
// only so that a worker that never wakes fails the test instead of hanging it.
TEST_F(ParallelChunks, AWorkerAsleepFromTheRangeBeforeWakesAndTakesAChunk) {
  SetParallelThreadCount(2);
  for (int range = 0; range < 4; ++range) {
    WorkerTaken shared;
    shared.RunRange();
    EXPECT_TRUE(shared.workerSeen) << "range " << range << ": no worker took a chunk";
    EXPECT_EQ(shared.byWorker + shared.byCaller, 8) << "range " << range;
    if (!shared.workerSeen) break;
  }
}

// With the count put back to 0 the machine's own count is used: the cores this process may run
// on less one, at least 1 and at most PARALLEL_THREADS_MOST.  A count below 0 puts it back too.
TEST_F(ParallelChunks, WithoutAForcedCountTheCoresOfTheProcessLessOneAreUsed) {
  cpu_set_t set;
  CPU_ZERO(&set);
  ASSERT_EQ(sched_getaffinity(0, sizeof set, &set), 0);
  const int cores = CPU_COUNT(&set);
  const int expected = cores - 1 < 1 ? 1 : (cores - 1 > PARALLEL_THREADS_MOST ? PARALLEL_THREADS_MOST : cores - 1);
  SetParallelThreadCount(3);
  SetParallelThreadCount(0);
  EXPECT_EQ(ParallelThreadCount(), expected) << cores << " cores";
  SetParallelThreadCount(3);
  SetParallelThreadCount(-2);
  EXPECT_EQ(ParallelThreadCount(), expected);
  SetParallelThreadCount(PARALLEL_THREADS_MOST);
  EXPECT_EQ(ParallelThreadCount(), PARALLEL_THREADS_MOST) << "the most is allowed";
  SetParallelThreadCount(1);
  EXPECT_EQ(ParallelThreadCount(), 1);
}

// A chunk size of 0 or below runs chunks of one item each: every item once, in its own chunk.
TEST_F(ParallelChunks, ChunksOfNoItemsOrFewerHoldOneItemEach) {
  for (const int threads : {1, 4}) {
    SetParallelThreadCount(threads);
    for (const int chunk : {0, -3}) {
      Counted c(9, 1);
      RunParallelChunks(9, chunk, CountChunk, &c);
      for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(c.runs[size_t(i)], 1) << "item " << i << ", chunk size " << chunk << ", " << threads << " threads";
        EXPECT_EQ(c.chunkOf[size_t(i)], i);
      }
      EXPECT_EQ(c.badBounds, 0);
    }
  }
}

// In a process of its own (a fresh group): a range on 3 threads starts 2 workers beside the
// caller, a later one on 5 starts 2 more, and one on 2 starts none.  The kernel lists a thread
// as soon as it is made, so counting the process's threads is exact.
TEST(ParallelWorkers, AFreshGroupStartsOneWorkerFewerThanTheThreadsAsked) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto threadsOfProcess = [] {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
  };
  const auto runRange = [](int threads) {
    SetParallelThreadCount(threads);
    std::atomic<int> items{0};
    RunParallelChunks(
        64, 1, [](void* context, int, int begin, int end) { *static_cast<std::atomic<int>*>(context) += end - begin; },
        &items);
    return items.load() == 64;
  };
  // The child's exit code packs the workers added after each range: 16 * after3 + after5, and
  // 128 when after the range on 2 the count had moved again (or a range lost items).
  EXPECT_EXIT(
      {
        const int before = threadsOfProcess();
        bool whole = runRange(3);
        const int after3 = threadsOfProcess() - before;
        whole = runRange(5) && whole;
        const int after5 = threadsOfProcess() - before;
        whole = runRange(2) && whole;
        const bool steady = threadsOfProcess() - before == after5;
        std::_Exit((steady && whole ? 0 : 128) + 16 * after3 + after5);
      },
      ::testing::ExitedWithCode(16 * 2 + 4), "");
}

// In a process of its own: the worker that the very first range starts joins that range.  The
// caller's own work waits for a worker to take a chunk, so the range goes on only once the new
// worker has woken for it; the wait has a deadline only so that a worker sleeping through the
// range fails the test instead of hanging it.  The child exits 0 when a worker took a chunk and
// the 8 chunks ran once each between the worker and the caller.
TEST(ParallelWorkers, TheWorkerStartedForTheFirstRangeTakesAChunkOfIt) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        SetParallelThreadCount(2);
        WorkerTaken shared;
        shared.RunRange();
        std::_Exit((shared.workerSeen ? 0 : 1) + (shared.byWorker + shared.byCaller == 8 ? 0 : 2));
      },
      ::testing::ExitedWithCode(0), "");
}

// A started thread runs its function once on a stack of the size asked for; a second start
// while it runs is refused, and joining ends it (a second join does nothing).
TEST(Threads, AStartedThreadRunsOnceOnTheStackAskedForAndIsJoined) {
  struct Seen {
    std::atomic<int> runs{0};
    size_t stack = 0;
  } seen;
  const auto run = [](void* argument) {
    auto& s = *static_cast<Seen*>(argument);
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
      pthread_attr_getstacksize(&attributes, &s.stack);
      pthread_attr_destroy(&attributes);
    }
    ++s.runs;
  };
  constexpr size_t ASKED = size_t{1} << 20;
  PlatformThread thread;
  ASSERT_EQ(StartThread(thread, run, &seen, ASKED), 1);
  EXPECT_EQ(thread.running, 1);
  EXPECT_EQ(StartThread(thread, run, &seen, ASKED), 0) << "already running";
  JoinThread(thread);
  EXPECT_EQ(thread.running, 0);
  EXPECT_EQ(seen.runs, 1);
  EXPECT_GE(seen.stack, ASKED);
  EXPECT_LT(seen.stack, ASKED + ASKED / 2) << "not the default stack";
  JoinThread(thread);
  // A stack smaller than the least a thread may have is raised to that least.
  ASSERT_EQ(StartThread(thread, run, &seen, 1), 1);
  JoinThread(thread);
  EXPECT_EQ(seen.runs, 2);
  EXPECT_GE(seen.stack, size_t(PTHREAD_STACK_MIN));
  EXPECT_LT(seen.stack, ASKED) << "not the default stack";
}

// A sleep comes back once its time is up, a sleep of no time at once; neither sleeps again.
TEST(Threads, ASleepReturnsOnceItsTimeIsUp) {
  ThreadSleepMs(0);
  ThreadSleepMs(1);
  SUCCEED();
}

// In a process of its own (a fresh group), 8 threads asked: a range of one chunk runs as a
// plain loop and starts no worker; a range of 3 chunks starts only the 2 workers that can get
// a chunk beside the caller.  The child's exit code is 16 * after1 + after3, the workers added
// after each range, and 128 more when a range lost items.
TEST(ParallelWorkers, ARangeOfFewChunksStartsOneWorkerFewerThanItsChunks) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        int before = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++before;
        SetParallelThreadCount(8);
        std::atomic<int> items{0};
        const ParallelChunkJob count = [](void* context, int, int begin, int end) {
          *static_cast<std::atomic<int>*>(context) += end - begin;
        };
        RunParallelChunks(5, 8, count, &items);  // one chunk of 5
        int after1 = -before;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++after1;
        RunParallelChunks(20, 8, count, &items);  // chunks of 8, 8 and 4
        int after3 = -before;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++after3;
        std::_Exit((items.load() == 25 ? 0 : 128) + 16 * after1 + after3);
      },
      ::testing::ExitedWithCode(2), "");
}

// The last chunk of a range ends at the item count, not a whole chunk on: 10 items in chunks of
// 4 are [0, 4), [4, 8) and [8, 10), on one thread as on several.
TEST_F(ParallelChunks, TheLastChunkEndsAtTheItemCount) {
  struct Ends {
    std::atomic<int> ends[3];
    std::atomic<int> items{0};
  };
  for (const int threads : {1, 4}) {
    SetParallelThreadCount(threads);
    Ends seen{};
    for (auto& end : seen.ends) end = -1;
    RunParallelChunks(
        10, 4,
        [](void* context, int chunk, int begin, int end) {
          auto& s = *static_cast<Ends*>(context);
          if (chunk >= 0 && chunk < 3) s.ends[chunk] = end;
          s.items += end - begin;
        },
        &seen);
    EXPECT_EQ(seen.ends[0], 4) << threads << " threads";
    EXPECT_EQ(seen.ends[1], 8) << threads << " threads";
    EXPECT_EQ(seen.ends[2], 10) << threads << " threads";
    EXPECT_EQ(seen.items, 10) << threads << " threads";
  }
}
