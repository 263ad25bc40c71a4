// smooth_curve_test.cpp - the smooth-motion curves, scalar and 3-vector alike: their
// coefficients, their end, a plan without time, re-planning in mid-course and monotonic motion
// between two rests; the 3-vector curve's coordinates move as three scalar curves would, and
// a plan with a kept solver as the plan over its duration.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/smooth_curve.h"

namespace {

// One interface over both forms: the scalar curve, and coordinate 1 of the vector curve whose
// other coordinates run their own plans beside it.
struct Scalar {
  SmoothCurve c;
  void SetAtRest(float at) { c.SetAtRest(at); }
  void Plan(float target, float rate, float T) { c.Plan(target, rate, T); }
  void Step(float dt) { c.Step(dt); }
  float value() const { return c.value; }
  float rate() const { return c.rate; }
  float& rateField() { return c.rate; }
  float time() const { return c.time; }
  float start() const { return c.startValue; }
  float startRate() const { return c.startRate; }
  float C(int k) const { return k == 1 ? c.c1 : k == 2 ? c.c2 : c.c3; }
  void SetCoefficients(float v) { c.c1 = c.c2 = c.c3 = v; }
};

struct Vector {
  SmoothCurve3 c;
  void SetAtRest(float at) {
    const float p[3] = {-4.0f, at, 9.0f}, v[3] = {0.0f, 0.0f, 0.0f};
    c.Init(p, v);
  }
  void Plan(float target, float rate, float T) {
    const float p[3] = {c.position[0] + 1.0f, target, -c.position[2]}, v[3] = {0.5f, rate, -0.25f};
    c.Plan(p, v, T);
  }
  void Step(float dt) { c.Step(dt); }
  float value() const { return c.position[1]; }
  float rate() const { return c.velocity[1]; }
  float& rateField() { return c.velocity[1]; }
  float time() const { return c.time; }
  float start() const { return c.startPosition[1]; }
  float startRate() const { return c.startVelocity[1]; }
  float C(int k) const { return k == 1 ? c.c1[1] : k == 2 ? c.c2[1] : c.c3[1]; }
  void SetCoefficients(float v) {
    for (int i = 0; i < 3; ++i) c.c1[i] = c.c2[i] = c.c3[i] = v;
  }
};

template <typename T>
class SmoothCurves : public ::testing::Test {};
using Forms = ::testing::Types<Scalar, Vector>;
TYPED_TEST_SUITE(SmoothCurves, Forms);

}  // namespace

TYPED_TEST(SmoothCurves, FromRestToRestInOneSecondFollowsTheQuarticAndHoldsTheTarget) {
  TypeParam c;
  c.SetAtRest(0.0f);
  c.Plan(1.0f, 0.0f, 1.0f);
  EXPECT_NEAR(c.C(1), 12.0f, 1e-4f);
  EXPECT_NEAR(c.C(2), -48.0f, 1e-4f);
  EXPECT_NEAR(c.C(3), 72.0f, 1e-4f);
  // The acceleration at the end is zero.
  EXPECT_NEAR(c.C(1) + c.C(2) * 1.0f + c.C(3) * 0.5f, 0.0f, 1e-4f);
  c.Step(0.5f);
  EXPECT_NEAR(c.value(), 0.6875f, 1e-6f);
  c.Step(0.5f);
  EXPECT_EQ(c.value(), 1.0f);
  EXPECT_EQ(c.rate(), 0.0f);
  for (int i = 0; i < 10; ++i) c.Step(0.37f);
  EXPECT_EQ(c.value(), 1.0f) << "no overshoot after the end";
  EXPECT_EQ(c.time(), 1.0f);
}

TYPED_TEST(SmoothCurves, RestToRestMovesMonotonically) {
  TypeParam c;
  c.SetAtRest(2.0f);
  c.Plan(-3.0f, 0.0f, 0.7f);
  float last = c.value();
  for (int i = 0; i < 80; ++i) {
    c.Step(0.01f);
    EXPECT_LE(c.value(), last + 1e-6f) << i;
    last = c.value();
  }
  EXPECT_EQ(c.value(), -3.0f);
}

TYPED_TEST(SmoothCurves, EndsAtTheTargetRate) {
  TypeParam c;
  c.SetAtRest(0.0f);
  c.rateField() = 2.0f;
  c.Plan(1.0f, -0.5f, 2.0f);
  c.Step(1.999f);
  EXPECT_NEAR(c.value(), 1.0f, 1e-3f);
  EXPECT_NEAR(c.rate(), -0.5f, 1e-2f);
}

TYPED_TEST(SmoothCurves, APlanNotLongerThanTheFirstStepReachesTheTargetAtOnce) {
  TypeParam c;
  c.SetAtRest(5.0f);
  c.SetCoefficients(7.0f);  // what an earlier plan left
  c.Plan(1.5f, 0.25f, 0.0f);
  EXPECT_EQ(c.C(1), 7.0f) << "nothing was solved";
  EXPECT_FALSE(std::isnan(c.value()));
  c.Step(0.01f);
  EXPECT_EQ(c.value(), 1.5f);
  EXPECT_EQ(c.rate(), 0.25f);
  // A negative time or one below the first step behaves the same.
  c.Plan(-2.0f, 0.0f, -1.0f);
  EXPECT_EQ(c.C(1), 7.0f);
  c.Step(0.01f);
  EXPECT_EQ(c.value(), -2.0f);
  c.Plan(4.0f, 1.0f, 0.005f);
  c.Step(0.01f);
  EXPECT_EQ(c.value(), 4.0f);
  EXPECT_EQ(c.rate(), 1.0f);
}

TYPED_TEST(SmoothCurves, PlanningAgainMidCourseKeepsValueAndRateContinuous) {
  TypeParam c;
  c.SetAtRest(0.0f);
  c.Plan(1.0f, 0.0f, 1.0f);
  for (int i = 0; i < 30; ++i) c.Step(0.01f);
  const float value = c.value(), rate = c.rate();
  EXPECT_GT(rate, 0.5f);
  c.Plan(-1.0f, 0.0f, 1.0f);
  EXPECT_EQ(c.start(), value);
  EXPECT_EQ(c.startRate(), rate);
  c.Step(0.0001f);
  EXPECT_NEAR(c.value(), value, 1e-3f);
  EXPECT_NEAR(c.rate(), rate, 1e-2f);
}

TEST(SmoothCurve3, EachCoordinateMovesAsTheScalarCurveBitForBit) {
  SmoothCurve3 v;
  const float at[3] = {1.0f, -2.0f, 0.5f}, moving[3] = {0.3f, 0.0f, -1.5f};
  v.Init(at, moving);
  EXPECT_EQ(v.startPosition[0], 1.0f);
  EXPECT_EQ(v.targetVelocity[2], -1.5f);
  EXPECT_EQ(v.startVelocity[2], 0.0f) << "Init leaves the start velocity at 0";
  SmoothCurve s[3];
  for (int i = 0; i < 3; ++i) {
    s[i].SetAtRest(at[i]);
    s[i].rate = moving[i];
  }
  const float targets[2][3] = {{4.0f, 0.0f, -3.0f}, {-1.0f, 2.5f, 0.0f}};
  const float rates[2][3] = {{0.0f, 1.0f, 0.0f}, {2.0f, 0.0f, -0.5f}};
  const float durations[2] = {0.8f, 0.45f};
  for (int plan = 0; plan < 2; ++plan) {
    v.Plan(targets[plan], rates[plan], durations[plan]);
    for (int i = 0; i < 3; ++i) s[i].Plan(targets[plan][i], rates[plan][i], durations[plan]);
    for (int step = 0; step < 60; ++step) {
      v.Step(0.01f);
      for (int i = 0; i < 3; ++i) {
        s[i].Step(0.01f);
        ASSERT_EQ(v.position[i], s[i].value) << plan << " " << step << " " << i;
        ASSERT_EQ(v.velocity[i], s[i].rate) << plan << " " << step << " " << i;
      }
    }
  }
  for (float f : v.finished) EXPECT_EQ(f, 0.0f);
}

TEST(SmoothCurve3, APlanWithAKeptSolverEqualsThePlanOverItsDurationBitForBit) {
  const SmoothCurveSolver solver(0.001f);
  const float at[3] = {60.0f, -95.0f, 0.3f}, moving[3] = {0.0f, 12.0f, -0.01f};
  SmoothCurve3 byDuration, bySolver;
  byDuration.Init(at, moving);
  bySolver.Init(at, moving);
  for (int step = 0; step < 200; ++step) {
    const float target[3] = {60.0f + 0.003f * step, -95.0f + 0.012f * step, 0.3f - 0.0001f * step};
    const float rate[3] = {0.1f * step, 12.0f - 0.01f * step, 0.0f};
    byDuration.Plan(target, rate, 0.001f);
    bySolver.Plan(target, rate, solver);
    byDuration.Step(0.001f);
    bySolver.Step(0.001f);
    ASSERT_EQ(std::memcmp(&byDuration, &bySolver, sizeof byDuration), 0) << step;
  }
}
