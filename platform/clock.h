// clock.h - time for the core: the millisecond counter, sleeping and the wall clock.
//
// The counter behaves like the system's millisecond timer: 32 bits, monotonic, wrapping
// at 2^32, so callers subtract two readings as unsigned values.  The tick source counts
// finer for the frame profiler: the processor's time-stamp counter divided by 4, kept in 32
// bits (wrapping too).  A fake clock can be installed for tests: it stands still except when
// the program sleeps or the test advances it, so frame timing is exact and a test runs in
// almost no wall time.
#pragma once
#include <cstdint>

struct WallTime {
  int year, month, day;           // month 1..12, day 1..31
  int hour, minute, second, millisecond;
  int dayOfWeek;                  // 0 = Sunday
};

uint32_t ClockNowMs();                        // the millisecond counter
void     ClockSleepMs(uint32_t ms);            // sleep whole milliseconds (0 yields)
void     ClockWallTime(WallTime& out, bool local);  // UTC when local is false
uint64_t ClockFileTimeNow();                  // 100-ns units since 1601-01-01 UTC
uint32_t ClockResolution100ns();              // the finest step of the counter's source
uint32_t ClockTicks();                        // the time-stamp counter >> 2, low 32 bits
double   ClockTraceMs();                      // the real monotonic clock with fractions, for traces

// Whether work begun at startMs (a reading of ClockNowMs) has run limitMs or more, for work that
// asks after every small item.  A read of the real counter costs tens of nanoseconds, more than a
// small item, so only every CLOCK_SLICE_STRIDE-th ask reads it: the work overruns its limit by at
// most that many items, far below the counter's millisecond.  A fake clock is read at every ask,
// so that a test can end the work after any item.  Not for items that may take milliseconds.
constexpr uint32_t CLOCK_SLICE_STRIDE = 16;
bool ClockSliceOver(uint32_t startMs, uint32_t limitMs);

// Conversions between 100-ns file times (since 1601, UTC) and calendar times.
uint64_t FileTimeFromWallTime(const WallTime& w);
void     WallTimeFromFileTime(uint64_t fileTime, WallTime& out);

// ---- [Fake clock for tests] ----
void ClockUseFake(uint32_t startMs, const WallTime& startWall);  // installs the fake clock
void ClockUseReal();
bool ClockIsFake();
void ClockAdvanceFake(uint32_t ms);           // time passes (also moves the wall clock)
void ClockSetFakeMs(uint32_t ms);             // sets the counter only (a clock that jumps back)
uint64_t ClockFakeSleptMs();                  // total milliseconds slept since installed
// Every later read of the fake counter (ClockNowMs) moves it on by ms after the read, so that
// work timed against the counter ends after a known number of reads; 0 stops it.
void ClockFakeStepOnRead(uint32_t ms);
// The fake tick source starts at 0 and moves FAKE_TICKS_PER_MS with every fake millisecond
// (slept or advanced), and by n with ClockAdvanceFakeTicks.
constexpr uint32_t FAKE_TICKS_PER_MS = 1000;
void ClockAdvanceFakeTicks(uint32_t ticks);
