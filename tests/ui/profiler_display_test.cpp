// profiler_display_test.cpp - the profiler's table as labels, for a scripted history.
#include <gtest/gtest.h>

#include <string>

#include "ui/profiler_display.h"

namespace {

class ProfilerDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    ProfilerInit();
    ProfilerLabelCount = 0;
    draw_ = ProfilerAddTimer("Draw");
    // A scripted history: 8 frames of 1000 ticks, "Draw" taking 100, 200, ... of them.
    for (int i = 0; i < PROFILER_HISTORY; ++i) {
      Profiler.frameTotals[i] = 1000;
      Profiler.timers[draw_].history[i] = 100u * static_cast<uint32_t>(i + 1);
    }
  }
  void TearDown() override { ProfilerLabelCount = 0; }
  int draw_ = 0;
};

void ExpectBox(const ProfilerLabel& label, float left, float top, float right, float bottom) {
  EXPECT_FLOAT_EQ(label.left, left);
  EXPECT_FLOAT_EQ(label.top, top);
  EXPECT_FLOAT_EQ(label.right, right);
  EXPECT_FLOAT_EQ(label.bottom, bottom);
}

TEST_F(ProfilerDisplay, EachTimerGetsItsNameShareAndBarInRowsOf004) {
  ProfilerShow(0.1f);
  ASSERT_EQ(ProfilerLabelCount, 6);  // "Null" and "Draw"
  const ProfilerLabel* row = &ProfilerLabels[3];
  EXPECT_EQ(row[0].kind, PROFILER_LABEL_TEXT);
  EXPECT_STREQ(row[0].text, "Draw");
  ExpectBox(row[0], 0.2f, 0.14f, 0.275f, 0.18f);
  // 3600 of 8000 ticks: 45 percent, and a bar 0.45 of the bar's full width.
  EXPECT_STREQ(row[1].text, "45.00");
  ExpectBox(row[1], 0.275f, 0.14f, 0.35f, 0.18f);
  EXPECT_EQ(row[2].kind, PROFILER_LABEL_BAR);
  EXPECT_EQ(row[2].colour, 0xFFF0A000u);
  ExpectBox(row[2], 0.35f, 0.14f + 0.012f, 0.35f + 0.45f * 0.15f, 0.14f + 0.028f);
  EXPECT_STREQ(ProfilerLabels[0].text, "Null");
  EXPECT_STREQ(ProfilerLabels[1].text, "0.00");
  EXPECT_FLOAT_EQ(ProfilerLabels[2].right, 0.35f) << "an empty bar";
  EXPECT_FLOAT_EQ(ProfilerRowY, 0.18f);

  // A scripted history longer than the frame: the bar stops at its full width.
  for (uint32_t& h : Profiler.timers[draw_].history) h = 5000;
  ProfilerLabelCount = 0;
  ProfilerShow(0.0f);
  EXPECT_STREQ(ProfilerLabels[4].text, "500.00");
  EXPECT_FLOAT_EQ(ProfilerLabels[5].right, 0.35f + 0.15f);
}

TEST_F(ProfilerDisplay, NothingIsAddedWhenSkippedOrWhenTheLastFrameTotalIsZero) {
  Profiler.skipDisplay = 1;
  ProfilerShow(0.1f);
  EXPECT_EQ(ProfilerLabelCount, 0);
  Profiler.skipDisplay = 0;
  Profiler.ringIndex = 3;
  Profiler.frameTotals[2] = 0;  // the slot before the ring index
  ProfilerShow(0.1f);
  EXPECT_EQ(ProfilerLabelCount, 0);
  Profiler.frameTotals[2] = 1;
  ProfilerShow(0.1f);
  EXPECT_EQ(ProfilerLabelCount, 6);
}

// Rows are drawn only for the timers there are: "Null" and "Draw" are rows 0 and 1, so a row
// 2 (the timer count) or -1 adds nothing and leaves the next row where it was.
TEST_F(ProfilerDisplay, ARowPastTheLastTimerOrBeforeTheFirstAddsNothing) {
  ASSERT_EQ(Profiler.timerCount, 2);
  ProfilerRowY = 0.5f;
  ProfilerDrawRow(2);
  ProfilerDrawRow(-1);
  EXPECT_EQ(ProfilerLabelCount, 0);
  EXPECT_FLOAT_EQ(ProfilerRowY, 0.5f);
  ProfilerDrawRow(1);
  ASSERT_EQ(ProfilerLabelCount, 3);
  EXPECT_STREQ(ProfilerLabels[0].text, "Draw");
}

TEST_F(ProfilerDisplay, LabelsStopWhenTheTableIsFull) {
  for (int i = 0; i < 200; ++i) ProfilerShow(0.0f);
  EXPECT_EQ(ProfilerLabelCount, PROFILER_LABELS);
  EXPECT_EQ(ProfilerLabels[PROFILER_LABELS - 1].kind, PROFILER_LABEL_TEXT) << "1024 = 341 rows and one name";
}

}  // namespace
