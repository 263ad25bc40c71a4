// clock_test.cpp - the fake clock and the file-time conversions.
#include <gtest/gtest.h>

#include "platform/clock.h"

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
