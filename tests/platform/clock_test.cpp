// clock_test.cpp - the fake clock and the file-time conversions.
#include <gtest/gtest.h>

#include "platform/clock.h"

#include <ctime>

TEST(Clock, TheFakeClockMovesOnlyWhenSleptOrAdvanced) {
  ClockUseFake(0xFFFFFFF0u, WallTime{2026, 12, 31, 23, 59, 59, 990, 0});
  EXPECT_EQ(ClockNowMs(), 0xFFFFFFF0u);
  ClockSleepMs(32);
  EXPECT_EQ(ClockNowMs(), 0x10u) << "the counter wraps like the system's";
  EXPECT_EQ(ClockNowMs() - 0xFFFFFFF0u, 32u);
  WallTime w;
  ClockWallTime(w, true);
  EXPECT_EQ(w.year, 2027);
  EXPECT_EQ(w.month, 1);
  EXPECT_EQ(w.day, 1);
  EXPECT_EQ(w.millisecond, 22);
  EXPECT_EQ(ClockFakeSleptMs(), 32u);
  // Stepping on each read: a reading returns the counter, then moves it on.
  ClockFakeStepOnRead(300);
  EXPECT_EQ(ClockNowMs(), 0x10u);
  EXPECT_EQ(ClockNowMs(), 0x10u + 300);
  ClockFakeStepOnRead(0);
  EXPECT_EQ(ClockNowMs(), 0x10u + 600);
  EXPECT_EQ(ClockNowMs(), 0x10u + 600);
  ClockUseReal();
  const uint32_t a = ClockNowMs();
  ClockSleepMs(2);
  EXPECT_GE(ClockNowMs() - a, 2u);
}

TEST(Clock, SlicedWorkReadsAFakeClockEveryAskAndTheRealOneEverySixteenth) {
  // A fake clock is read at every ask: a test can end sliced work after any item.
  ClockUseFake(1000, WallTime{2026, 1, 1, 12, 0, 0, 0, 4});
  ClockFakeStepOnRead(20);
  EXPECT_FALSE(ClockSliceOver(1000, 50));  // reads 1000
  EXPECT_FALSE(ClockSliceOver(1000, 50));  // 1020
  EXPECT_FALSE(ClockSliceOver(1000, 50));  // 1040
  EXPECT_TRUE(ClockSliceOver(1000, 50));   // 1060
  // Exactly the limit is over; one millisecond short of it is not.
  ClockUseFake(1000, WallTime{2026, 1, 1, 12, 0, 0, 0, 4});
  ClockFakeStepOnRead(25);
  EXPECT_FALSE(ClockSliceOver(1000, 50));  // reads 1000
  EXPECT_FALSE(ClockSliceOver(1000, 50));  // 1025
  EXPECT_TRUE(ClockSliceOver(1000, 50));   // 1050: the limit itself
  EXPECT_FALSE(ClockSliceOver(1026, 50));  // 1075 - 1026 = 49
  ClockFakeStepOnRead(0);
  ClockUseReal();
  // The real counter: work begun a second ago is seen over within one stride of asks, and the
  // asks between readings never end it early.
  const uint32_t now = ClockNowMs();
  int asks = 1;
  while (!ClockSliceOver(now - 1000, 50) && asks < 100) ++asks;
  EXPECT_LE(asks, int(CLOCK_SLICE_STRIDE));
  for (uint32_t k = 0; k < 3 * CLOCK_SLICE_STRIDE; ++k) EXPECT_FALSE(ClockSliceOver(ClockNowMs(), 60000));
}

TEST(Clock, FileTimesCountHundredNanosecondsSince1601) {
  EXPECT_EQ(FileTimeFromWallTime(WallTime{1601, 1, 1, 0, 0, 0, 0, 0}), 0u);
  EXPECT_EQ(FileTimeFromWallTime(WallTime{1970, 1, 1, 0, 0, 0, 0, 0}), 116444736000000000ull);
  const WallTime leap{2024, 2, 29, 13, 14, 15, 678, 0};
  WallTime back;
  WallTimeFromFileTime(FileTimeFromWallTime(leap), back);
  EXPECT_EQ(back.year, 2024);
  EXPECT_EQ(back.month, 2);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.hour, 13);
  EXPECT_EQ(back.minute, 14);
  EXPECT_EQ(back.second, 15);
  EXPECT_EQ(back.millisecond, 678);
  EXPECT_EQ(back.dayOfWeek, 4) << "29 February 2024 was a Thursday";
}

TEST(Clock, TicksCountOnAndTheFakeTicksMoveWithFakeTimeOrByHand) {
  const uint32_t a = ClockTicks();
  ClockSleepMs(2);
  const uint32_t b = ClockTicks();
  EXPECT_GT(b - a, 0u) << "the real counter moves in 2 ms";
  EXPECT_LT(b - a, 0x80000000u);

  ClockUseFake(5, WallTime{2026, 1, 1, 0, 0, 0, 0, 4});
  EXPECT_EQ(ClockTicks(), 0u);
  ClockSleepMs(3);
  EXPECT_EQ(ClockTicks(), 3 * FAKE_TICKS_PER_MS);
  ClockAdvanceFake(1);
  ClockAdvanceFakeTicks(7);
  EXPECT_EQ(ClockTicks(), 4 * FAKE_TICKS_PER_MS + 7);
  ClockUseReal();
}

TEST(Clock, MidnightAndTheDaysBefore1970KeepTheirDate) {
  // Exactly midnight is the new day's first millisecond, not the old day's 24th hour.
  ClockUseFake(0, WallTime{2026, 3, 1, 0, 0, 0, 0, 0});
  WallTime w;
  ClockWallTime(w, false);
  EXPECT_EQ(w.month, 3);
  EXPECT_EQ(w.day, 1);
  EXPECT_EQ(w.hour, 0);
  EXPECT_EQ(w.dayOfWeek, 0) << "1 March 2026 is a Sunday";
  ClockUseReal();

  struct Known {
    uint64_t fileTime;  // 100-ns units since 1601
    WallTime wall;
  };
  // Unix seconds worked out by hand: 86400 a day, leap days counted; plus 11644473600 s.
  const Known known[] = {
      {116444736000000000ull, {1970, 1, 1, 0, 0, 0, 0, 4}},         // a Thursday
      {116444735990000000ull, {1969, 12, 31, 23, 59, 59, 0, 3}},    // one second before
      {116444735999990000ull, {1969, 12, 31, 23, 59, 59, 999, 3}},  // one millisecond before
      {125911584000000000ull, {2000, 1, 1, 0, 0, 0, 0, 6}},         // 946684800 s, a Saturday
      {125962560000000000ull, {2000, 2, 29, 0, 0, 0, 0, 2}},        // +59 days, a Tuesday
      {125963423990000000ull, {2000, 2, 29, 23, 59, 59, 0, 2}},
      {125963424000000000ull, {2000, 3, 1, 0, 0, 0, 0, 3}},
      {0ull, {1601, 1, 1, 0, 0, 0, 0, 1}},                          // a Monday
      {157519728000000000ull, {2100, 2, 28, 12, 0, 0, 0, 0}},       // 2100 has no 29 February:
      {157520160000000000ull, {2100, 3, 1, 0, 0, 0, 0, 1}},         // 12 hours on, 1 March
  };
  for (const Known& k : known) {
    WallTime got;
    WallTimeFromFileTime(k.fileTime, got);
    const WallTime& e = k.wall;
    EXPECT_EQ(got.year, e.year) << k.fileTime;
    EXPECT_EQ(got.month, e.month) << k.fileTime;
    EXPECT_EQ(got.day, e.day) << k.fileTime;
    EXPECT_EQ(got.hour, e.hour) << k.fileTime;
    EXPECT_EQ(got.minute, e.minute) << k.fileTime;
    EXPECT_EQ(got.second, e.second) << k.fileTime;
    EXPECT_EQ(got.millisecond, e.millisecond) << k.fileTime;
    EXPECT_EQ(got.dayOfWeek, e.dayOfWeek) << k.fileTime;
    EXPECT_EQ(FileTimeFromWallTime(e), k.fileTime) << e.year << "-" << e.month << "-" << e.day;
  }
}

TEST(Clock, TheRealWallClockAgreesWithTheSystemsCalendar) {
  // Read the system's UTC and local time around our reading; retried if a second turned
  // between them.  Read from the same clock as ours: time() may read a coarser one that
  // turns its second a few milliseconds later.
  for (int attempt = 0; attempt < 5; ++attempt) {
    timespec start{}, end{};
    clock_gettime(CLOCK_REALTIME, &start);
    WallTime utc, local;
    ClockWallTime(utc, false);
    ClockWallTime(local, true);
    clock_gettime(CLOCK_REALTIME, &end);
    if (start.tv_sec != end.tv_sec) continue;
    const time_t before = start.tv_sec;
    tm u{}, l{};
    gmtime_r(&before, &u);
    localtime_r(&before, &l);
    EXPECT_EQ(utc.year, u.tm_year + 1900);
    EXPECT_EQ(utc.month, u.tm_mon + 1);
    EXPECT_EQ(utc.day, u.tm_mday);
    EXPECT_EQ(utc.hour, u.tm_hour);
    EXPECT_EQ(utc.minute, u.tm_min);
    EXPECT_EQ(utc.second, u.tm_sec);
    EXPECT_EQ(utc.dayOfWeek, u.tm_wday);
    EXPECT_EQ(local.day, l.tm_mday);
    EXPECT_EQ(local.hour, l.tm_hour);
    EXPECT_EQ(local.dayOfWeek, l.tm_wday);
    return;
  }
  FAIL() << "the second kept turning";
}

// Every few days from 1601 to 2500 at odd hours, against the C library's own calendar: the
// date, the time of day and the weekday agree both ways.
TEST(Clock, FileTimesAgreeWithTheSystemsCalendarOverNineCenturies) {
  constexpr int64_t FROM_1601 = 11644473600;  // seconds from 1601 to 1970
  const int64_t first = -FROM_1601, last = 16725225600;  // 1 January 2500
  int checked = 0;
  for (int64_t seconds = first; seconds < last; seconds += 86400 * 11 + 3600 * 5 + 61 * 7) {
    const time_t t = static_cast<time_t>(seconds);
    tm c{};
    ASSERT_NE(gmtime_r(&t, &c), nullptr);
    const int millisecond = int(((seconds % 1000) + 1000) % 1000);
    const uint64_t fileTime = uint64_t(seconds + FROM_1601) * 10000000ull + uint64_t(millisecond) * 10000ull;
    WallTime w;
    WallTimeFromFileTime(fileTime, w);
    ASSERT_EQ(w.year, c.tm_year + 1900) << seconds;
    ASSERT_EQ(w.month, c.tm_mon + 1) << seconds;
    ASSERT_EQ(w.day, c.tm_mday) << seconds;
    ASSERT_EQ(w.hour, c.tm_hour) << seconds;
    ASSERT_EQ(w.minute, c.tm_min) << seconds;
    ASSERT_EQ(w.second, c.tm_sec) << seconds;
    ASSERT_EQ(w.millisecond, millisecond) << seconds;
    ASSERT_EQ(w.dayOfWeek, c.tm_wday) << seconds;
    const WallTime fromC{c.tm_year + 1900, c.tm_mon + 1, c.tm_mday, c.tm_hour, c.tm_min, c.tm_sec, millisecond, 0};
    ASSERT_EQ(FileTimeFromWallTime(fromC), fileTime) << seconds;
    ++checked;
  }
  EXPECT_GT(checked, 25000);
}

// Setting the fake counter moves it alone, not the wall clock or the ticks; the file time now
// is the fake wall clock's: 1 January 2026 is 1767225600 s after 1970, 13411699200 s after 1601.
TEST(Clock, SettingTheFakeCounterMovesItAloneAndTheFileTimeFollowsTheFakeWall) {
  ClockUseFake(100, WallTime{2026, 1, 1, 0, 0, 0, 0, 4});
  EXPECT_TRUE(ClockIsFake());
  EXPECT_EQ(ClockFileTimeNow(), 134116992000000000ull);
  ClockSetFakeMs(40);  // a clock that jumps back
  EXPECT_EQ(ClockNowMs(), 40u);
  EXPECT_EQ(ClockTicks(), 0u);
  EXPECT_EQ(ClockFileTimeNow(), 134116992000000000ull) << "the wall clock did not move";
  ClockAdvanceFake(5);
  EXPECT_EQ(ClockNowMs(), 45u);
  EXPECT_EQ(ClockFileTimeNow(), 134116992000000000ull + 5 * 10000ull);
  ClockUseReal();
  EXPECT_FALSE(ClockIsFake());
}

// Once the fake clock is put back, sliced work reads the real counter again only every
// CLOCK_SLICE_STRIDE-th ask: of three strides of asks on work begun a second ago (far past its
// limit), exactly three see it over, whatever ask the count had reached before.
TEST(Clock, AfterTheFakeClockTheRealOneIsReadEverySixteenthAskAgain) {
  ClockUseFake(1000, WallTime{2026, 1, 1, 12, 0, 0, 0, 4});
  EXPECT_TRUE(ClockIsFake());
  ClockUseReal();
  EXPECT_FALSE(ClockIsFake());
  const uint32_t begun = ClockNowMs() - 1000;
  int over = 0;
  for (uint32_t k = 0; k < 3 * CLOCK_SLICE_STRIDE; ++k) over += ClockSliceOver(begun, 50) ? 1 : 0;
  EXPECT_EQ(over, 3);
}
