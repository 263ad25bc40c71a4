// smooth_curve_test.cpp - the smooth-motion curve: its coefficients, its end, a plan without
// time, re-planning in mid-course and monotonic motion between two rests.
#include <gtest/gtest.h>

#include <cmath>

#include "core/smooth_curve.h"

TEST(SmoothCurve, FromRestToRestInOneSecondFollowsTheQuartic) {
  SmoothCurve c;
  c.SetAtRest(0.0f);
  c.Plan(1.0f, 0.0f, 1.0f);
  EXPECT_NEAR(c.c1, 12.0f, 1e-4f);
  EXPECT_NEAR(c.c2, -48.0f, 1e-4f);
  EXPECT_NEAR(c.c3, 72.0f, 1e-4f);
  c.Step(0.5f);
  EXPECT_NEAR(c.value, 0.6875f, 1e-6f);
  // The acceleration at the end is zero and the end is met exactly, then held.
  EXPECT_NEAR(c.c1 + c.c2 * 1.0f + c.c3 * 0.5f, 0.0f, 1e-4f);
  c.Step(0.5f);
  EXPECT_EQ(c.value, 1.0f);
  EXPECT_EQ(c.rate, 0.0f);
  for (int i = 0; i < 10; ++i) c.Step(0.37f);
  EXPECT_EQ(c.value, 1.0f);
  EXPECT_EQ(c.time, 1.0f);
}

TEST(SmoothCurve, RestToRestMovesMonotonically) {
  SmoothCurve c;
  c.SetAtRest(2.0f);
  c.Plan(-3.0f, 0.0f, 0.7f);
  float last = c.value;
  for (int i = 0; i < 80; ++i) {
    c.Step(0.01f);
    EXPECT_LE(c.value, last + 1e-6f) << i;
    last = c.value;
  }
  EXPECT_EQ(c.value, -3.0f);
}

TEST(SmoothCurve, EndsAtTheTargetRate) {
  SmoothCurve c;
  c.SetAtRest(0.0f);
  c.rate = 2.0f;
  c.Plan(1.0f, -0.5f, 2.0f);
  c.Step(1.999f);
  EXPECT_NEAR(c.value, 1.0f, 1e-3f);
  EXPECT_NEAR(c.rate, -0.5f, 1e-2f);
}

TEST(SmoothCurve, PlanWithoutTimeReachesTheTargetAtTheFirstStep) {
  SmoothCurve c;
  c.SetAtRest(5.0f);
  c.c1 = c.c2 = c.c3 = 7.0f;  // what an earlier plan left
  c.Plan(1.5f, 0.25f, 0.0f);
  EXPECT_EQ(c.c1, 7.0f);  // nothing was solved
  EXPECT_FALSE(std::isnan(c.value));
  c.Step(0.01f);
  EXPECT_EQ(c.value, 1.5f);
  EXPECT_EQ(c.rate, 0.25f);
  // A duration below the first step behaves the same.
  c.Plan(4.0f, 0.0f, 0.005f);
  c.Step(0.01f);
  EXPECT_EQ(c.value, 4.0f);
}

TEST(SmoothCurve, PlanningAgainMidCourseKeepsValueAndRateContinuous) {
  SmoothCurve c;
  c.SetAtRest(0.0f);
  c.Plan(1.0f, 0.0f, 1.0f);
  for (int i = 0; i < 30; ++i) c.Step(0.01f);
  const float value = c.value, rate = c.rate;
  c.Plan(-1.0f, 0.0f, 1.0f);
  EXPECT_EQ(c.startValue, value);
  EXPECT_EQ(c.startRate, rate);
  c.Step(0.0001f);
  EXPECT_NEAR(c.value, value, 1e-3f);
  EXPECT_NEAR(c.rate, rate, 1e-2f);
}
