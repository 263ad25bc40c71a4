// clock.cpp - the real clock over CLOCK_MONOTONIC and the wall clock, and the fake clock.
#include "platform/clock.h"

#include <atomic>
#include <ctime>
#include <mutex>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace {

struct FakeClock {
  bool active = false;
  uint32_t nowMs = 0;
  int64_t wallMs = 0;   // milliseconds since 1970-01-01 UTC
  uint64_t sleptMs = 0;
  uint32_t ticks = 0;
  uint32_t stepOnRead = 0;
};

FakeClock g_fake;
std::mutex g_fakeLock;  // the fake clock may be read from worker threads too
// Whether a fake clock is installed, read without the lock: the real counter is read once per
// item by sliced work, so its path takes no lock.
std::atomic<bool> g_fakeInstalled{false};

int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void WallFromUnixMs(int64_t ms, WallTime& out) {
  int64_t days = ms / 86400000;
  int64_t rest = ms % 86400000;
  if (rest < 0) { rest += 86400000; --days; }
  // Civil date from days since 1970 (proleptic Gregorian).
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  out.year = static_cast<int>(yoe + era * 400 + (m <= 2));
  out.month = static_cast<int>(m);
  out.day = static_cast<int>(d);
  out.hour = static_cast<int>(rest / 3600000);
  out.minute = static_cast<int>(rest / 60000 % 60);
  out.second = static_cast<int>(rest / 1000 % 60);
  out.millisecond = static_cast<int>(rest % 1000);
  out.dayOfWeek = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
}

}  // namespace

double ClockTraceMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

uint32_t ClockNowMs() {
  if (g_fakeInstalled.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> lock(g_fakeLock);
    if (g_fake.active) {
      const uint32_t now = g_fake.nowMs;
      g_fake.nowMs += g_fake.stepOnRead;
      g_fake.wallMs += g_fake.stepOnRead;
      g_fake.ticks += g_fake.stepOnRead * FAKE_TICKS_PER_MS;
      return now;
    }
  }
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

bool ClockSliceOver(uint32_t startMs, uint32_t limitMs) {
  thread_local uint32_t asks = 0;
  if (!g_fakeInstalled.load(std::memory_order_relaxed) && ++asks % CLOCK_SLICE_STRIDE != 0) return false;
  return ClockNowMs() - startMs >= limitMs;
}

void ClockSleepMs(uint32_t ms) {
  {
    std::lock_guard<std::mutex> lock(g_fakeLock);
    if (g_fake.active) {
      g_fake.nowMs += ms;
      g_fake.wallMs += ms;
      g_fake.sleptMs += ms;
      g_fake.ticks += ms * FAKE_TICKS_PER_MS;
      return;
    }
  }
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

void ClockWallTime(WallTime& out, bool local) {
  if (g_fakeInstalled.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> lock(g_fakeLock);
    if (g_fake.active) {
      // The fake wall clock has no time zone: local and UTC agree.
      WallFromUnixMs(g_fake.wallMs, out);
      return;
    }
  }
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  const int64_t ms = static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  if (!local) {
    WallFromUnixMs(ms, out);
    return;
  }
  // The local fields of the last second asked on this thread: a burst of log lines breaks the
  // time down once a second.
  thread_local time_t lastSecs = -1;
  thread_local tm parts{};
  const time_t secs = ts.tv_sec;
  if (secs != lastSecs) {
    localtime_r(&secs, &parts);
    lastSecs = secs;
  }
  out.year = parts.tm_year + 1900;
  out.month = parts.tm_mon + 1;
  out.day = parts.tm_mday;
  out.hour = parts.tm_hour;
  out.minute = parts.tm_min;
  out.second = parts.tm_sec;
  out.millisecond = static_cast<int>(ms % 1000);
  out.dayOfWeek = parts.tm_wday;
}

uint64_t FileTimeFromWallTime(const WallTime& w) {
  const int64_t days = DaysFromCivil(w.year, static_cast<unsigned>(w.month), static_cast<unsigned>(w.day));
  const int64_t unixMs = days * 86400000 + w.hour * 3600000LL + w.minute * 60000LL + w.second * 1000LL + w.millisecond;
  return static_cast<uint64_t>(unixMs + 11644473600000LL) * 10000u;
}

void WallTimeFromFileTime(uint64_t fileTime, WallTime& out) {
  WallFromUnixMs(static_cast<int64_t>(fileTime / 10000u) - 11644473600000LL, out);
}

uint64_t ClockFileTimeNow() {
  WallTime w;
  ClockWallTime(w, false);
  return FileTimeFromWallTime(w);
}

uint32_t ClockResolution100ns() {
  timespec res{};
  if (clock_getres(CLOCK_MONOTONIC, &res) != 0) return 10000;  // 1 ms when the system will not say
  const uint64_t units = (static_cast<uint64_t>(res.tv_sec) * 1000000000u + static_cast<uint64_t>(res.tv_nsec) + 99) / 100;
  return units == 0 ? 1 : static_cast<uint32_t>(units);
}

uint32_t ClockTicks() {
  {
    std::lock_guard<std::mutex> lock(g_fakeLock);
    if (g_fake.active) return g_fake.ticks;
  }
#if defined(__x86_64__) || defined(__i386__)
  // The identification instruction first, so that no earlier instruction is still running
  // when the counter is read.
  unsigned a, b, c, d;
  __cpuid(0, a, b, c, d);
  return static_cast<uint32_t>(__rdtsc() >> 2);
#else
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>((static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec)) >> 2);
#endif
}

void ClockUseFake(uint32_t startMs, const WallTime& startWall) {
  std::lock_guard<std::mutex> lock(g_fakeLock);
  g_fake.active = true;
  g_fakeInstalled.store(true, std::memory_order_release);
  g_fake.nowMs = startMs;
  g_fake.sleptMs = 0;
  g_fake.ticks = 0;
  g_fake.stepOnRead = 0;
  const int64_t days = DaysFromCivil(startWall.year, static_cast<unsigned>(startWall.month),
                                     static_cast<unsigned>(startWall.day));
  g_fake.wallMs = days * 86400000 + startWall.hour * 3600000LL + startWall.minute * 60000LL +
                  startWall.second * 1000LL + startWall.millisecond;
}

void ClockUseReal() {
  std::lock_guard<std::mutex> lock(g_fakeLock);
  g_fake.active = false;
  g_fakeInstalled.store(false, std::memory_order_release);
}

bool ClockIsFake() {
  std::lock_guard<std::mutex> lock(g_fakeLock);
  return g_fake.active;
}

void ClockAdvanceFake(uint32_t ms) {
  std::lock_guard<std::mutex> lock(g_fakeLock);
  g_fake.nowMs += ms;
  g_fake.wallMs += ms;
  g_fake.ticks += ms * FAKE_TICKS_PER_MS;
}

void ClockAdvanceFakeTicks(uint32_t ticks) {
  std::lock_guard<std::mutex> lock(g_fakeLock);
  g_fake.ticks += ticks;
}

void ClockSetFakeMs(uint32_t ms) {
  std::lock_guard<std::mutex> lock(g_fakeLock);
  g_fake.nowMs = ms;
}

void ClockFakeStepOnRead(uint32_t ms) {
  std::lock_guard<std::mutex> lock(g_fakeLock);
  g_fake.stepOnRead = ms;
}

uint64_t ClockFakeSleptMs() {
  std::lock_guard<std::mutex> lock(g_fakeLock);
  return g_fake.sleptMs;
}
