// profiler_test.cpp - the frame profiler's nesting checks and its roll into the history, on
// the fake tick source.
#include <gtest/gtest.h>

#include <string>

#include "core/profiler.h"
#include "platform/clock.h"
#include "report_recorder.h"

namespace {

class ProfilerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClockUseFake(1000, WallTime{2026, 1, 2, 3, 4, 5, 0, 0});
    ProfilerInit();
  }
  void TearDown() override { ClockUseReal(); }
  // The lines reported to the user: each misuse is one line in the error colour.
  static int LineCount() { return static_cast<int>(ReportRecorder::Reports().lines.size()); }
  static std::string Newest() {
    const std::vector<std::string>& lines = ReportRecorder::Reports().lines;
    if (lines.empty()) return "";
    EXPECT_EQ(lines.back().rfind("1|-1|", 0), 0u) << lines.back();
    return lines.back().substr(5);
  }

  ReportRecorder recorder_;
};

TEST_F(ProfilerTest, NestedTimersCountTheirTicksAndLinkAsTheyFirstNest) {
  EXPECT_STREQ(Profiler.timers[0].name, "Null");
  for (uint32_t total : Profiler.frameTotals) EXPECT_EQ(total, 250u);
  const int a = ProfilerAddTimer("A"), b = ProfilerAddTimer("B"), c = ProfilerAddTimer("C");
  ProfilerStart(a);
  ClockAdvanceFakeTicks(100);
  ProfilerStart(b);
  ClockAdvanceFakeTicks(30);
  ProfilerStop(b);
  ProfilerStart(c);
  ClockAdvanceFakeTicks(20);
  ProfilerStop(c);
  ProfilerStop(a);
  EXPECT_EQ(Profiler.timers[a].accumulated, 150u);
  EXPECT_EQ(Profiler.timers[b].accumulated, 30u);
  EXPECT_EQ(Profiler.timers[a].parent, PROFILER_NONE);
  EXPECT_EQ(Profiler.rootFirstChild, a);
  EXPECT_EQ(Profiler.timers[a].firstChild, b);
  EXPECT_EQ(Profiler.timers[b].nextSibling, c);
  EXPECT_EQ(Profiler.timers[c].parent, a);
  EXPECT_EQ(Profiler.depth, 1);
  EXPECT_EQ(LineCount(), 0);
}

// Only the timers added so far are timers: the number one past the last added, or below 0,
// starts, stops and shares nothing.
TEST_F(ProfilerTest, ANumberPastTheAddedTimersOrBelowZeroIsIgnored) {
  const int a = ProfilerAddTimer("A");
  ASSERT_EQ(a, 1);  // "Null" is timer 0
  for (const int timer : {a + 1, -1}) {
    ProfilerStart(timer);
    EXPECT_EQ(Profiler.depth, 1) << timer << ": nothing pushed";
    ClockAdvanceFakeTicks(40);
    ProfilerStop(timer);
    EXPECT_EQ(ProfilerShare(timer), 0.0f) << timer;
  }
  EXPECT_EQ(Profiler.timers[a + 1].running, 0);
  EXPECT_EQ(Profiler.timers[a + 1].linked, 0);
  EXPECT_EQ(Profiler.rootFirstChild, PROFILER_NONE) << "none linked under the root";
  EXPECT_EQ(Profiler.enabled, 1);
  EXPECT_EQ(LineCount(), 0);
}

TEST_F(ProfilerTest, StartingATimerTwiceNamesItAndSwitchesProfilingOff) {
  const int a = ProfilerAddTimer("Physics"), b = ProfilerAddTimer("Other");
  ProfilerStart(a);
  ProfilerStart(a);
  EXPECT_EQ(Newest(), "PR: Physics already started");
  EXPECT_EQ(Profiler.enabled, 0);
  ProfilerStart(b);
  EXPECT_EQ(Profiler.timers[b].running, 0) << "nothing starts once profiling is off";
}

TEST_F(ProfilerTest, ElevenNestedStartsSucceedAndTheTwelfthIsTooDeep) {
  int timers[12];
  for (int i = 0; i < 12; ++i) timers[i] = ProfilerAddTimer(("T" + std::to_string(i)).c_str());
  for (int i = 0; i < 11; ++i) ProfilerStart(timers[i]);
  EXPECT_EQ(Profiler.depth, 12);
  EXPECT_EQ(LineCount(), 0);
  EXPECT_EQ(Profiler.enabled, 1);
  ProfilerStart(timers[11]);
  EXPECT_EQ(Newest(), "PR: Too deep");
  EXPECT_EQ(Profiler.enabled, 0);
  EXPECT_EQ(Profiler.timers[timers[11]].running, 0);
}

TEST_F(ProfilerTest, StoppingTheOuterOfTwoFirstNamesTheInnerStillOnTheStack) {
  const int outer = ProfilerAddTimer("Outer"), inner = ProfilerAddTimer("Inner");
  ProfilerStart(outer);
  ProfilerStart(inner);
  ClockAdvanceFakeTicks(5);
  ProfilerStop(outer);
  EXPECT_EQ(Newest(), "PR: Inner is still on stack");
  EXPECT_EQ(Profiler.timers[outer].running, 0);
  EXPECT_EQ(Profiler.timers[outer].accumulated, 5u);
  EXPECT_EQ(Profiler.enabled, 0);
}

TEST_F(ProfilerTest, ATimerStartedUnderAnotherParentClosesItsFirstParentOnce) {
  const int a = ProfilerAddTimer("A"), b = ProfilerAddTimer("B"), c = ProfilerAddTimer("C");
  ProfilerStart(a);
  ProfilerStart(c);
  ProfilerStop(c);
  ProfilerStop(a);
  ProfilerStart(b);
  ProfilerStart(c);
  EXPECT_EQ(Newest(), "PR: Closed A due to C");
  EXPECT_EQ(Profiler.timers[a].enabled, 0);
  EXPECT_EQ(Profiler.skipDisplay, 1);
  EXPECT_EQ(Profiler.enabled, 1) << "profiling goes on";
  EXPECT_EQ(Profiler.timers[c].running, 1);
  ProfilerStop(c);
  ProfilerStop(b);
  // The next frame: no second message for the same parent.
  ProfilerEndFrame();
  EXPECT_EQ(Profiler.skipDisplay, 0);
  const int lines = LineCount();
  ProfilerStart(b);
  ProfilerStart(c);
  EXPECT_EQ(LineCount(), lines);
  EXPECT_EQ(Profiler.skipDisplay, 1);
  ProfilerStop(c);
  ProfilerStop(b);
  // Timers started under the closed parent do not run.
  ProfilerStart(a);
  ProfilerStart(c);
  EXPECT_EQ(Profiler.timers[c].running, 0);
}

TEST_F(ProfilerTest, ARootTimerStartedUnderAnotherIsAnUnexpectedError) {
  const int a = ProfilerAddTimer("A"), top = ProfilerAddTimer("Top");
  ProfilerStart(top);
  ProfilerStop(top);
  ProfilerStart(a);
  ProfilerStart(top);
  EXPECT_EQ(Newest(), "PR: Unexpected error");
  EXPECT_EQ(Profiler.enabled, 0);
}

TEST_F(ProfilerTest, TheSeventeenthTimerIsRefusedWithIndexZero) {
  for (int i = 1; i < PROFILER_TIMERS; ++i) EXPECT_EQ(ProfilerAddTimer("T"), i);
  EXPECT_EQ(LineCount(), 0);
  EXPECT_EQ(ProfilerAddTimer("One too many"), 0);
  EXPECT_EQ(Newest(), "PR: Too many timers");
  EXPECT_EQ(Profiler.enabled, 0);
  EXPECT_EQ(Profiler.timerCount, PROFILER_TIMERS);
}

TEST_F(ProfilerTest, StoppingARunningTimerWithOnlyTheRootLeftSaysNoneInStack) {
  const int a = ProfilerAddTimer("A");
  Profiler.timers[a].running = 1;  // running, yet not on the stack
  ProfilerStop(a);
  EXPECT_EQ(Newest(), "PR: None in stack");
  EXPECT_EQ(Profiler.depth, 1) << "the root marker stays";
  EXPECT_EQ(Profiler.stack[0].timer, PROFILER_NONE);
  EXPECT_EQ(Profiler.enabled, 0);
  EXPECT_EQ(Profiler.timers[a].running, 0);
}

TEST_F(ProfilerTest, EachFrameRollsTheCountsIntoTheHistoryAndTheTicksIntoTheTotals) {
  const int a = ProfilerAddTimer("A");
  ProfilerEndFrame();  // a clean start for the frames below
  for (int frame = 0; frame < PROFILER_HISTORY; ++frame) {
    ProfilerStart(a);
    ClockAdvanceFakeTicks(300);
    ProfilerStop(a);
    ClockAdvanceFakeTicks(700);
    ProfilerEndFrame();
    if (frame == 0) {
      EXPECT_EQ(Profiler.timers[a].history[1], 300u);
      EXPECT_EQ(Profiler.frameTotals[1], 1000u);
      EXPECT_EQ(Profiler.timers[a].accumulated, 0u);
      // One frame of 1000 ticks among six of the first 250 and the clean start's 0.
      EXPECT_NEAR(ProfilerShare(a), 300.0 * 100.0 / (1000 + 6 * 250), 1e-4);
    }
  }
  EXPECT_EQ(Profiler.ringIndex, 1);
  EXPECT_NEAR(ProfilerShare(a), 30.0, 1e-4);
  EXPECT_NEAR(ProfilerShare(0), 0.0, 1e-6);

  ProfilerClearMarks();
  for (uint32_t total : Profiler.frameTotals) EXPECT_EQ(total, 250u);
  for (uint32_t h : Profiler.timers[a].history) EXPECT_EQ(h, 0u);
}

}  // namespace
