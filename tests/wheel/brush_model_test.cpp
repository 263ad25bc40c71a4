// brush_model_test.cpp - the pressure tables and the 20-slice brush model, against a
// double-precision transcription written here and the brush model's known results.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/wheel/wheel_reference.h"
#include "wheel/wheel.h"
#include "wheel/wheel_local.h"

namespace {

class BrushModel : public ::testing::Test {
 protected:
  void SetUp() override { InitWheelTables(); }
};

// A car tyre's patch: 5 cm half length, 1 cm deflection, brush stiffness 2e7, 4 kN.
constexpr float A = 0.05f, D = 0.01f, K = 2.0e7f, B = 0.18f, N = 4000.0f, V = 20.0f;

TEST_F(BrushModel, TablesAndTheirIntegrals) {
  EXPECT_NEAR(WheelPressureIntegral, 1.48225, 1e-5);                             // the exact integral is 1.4783
  EXPECT_NEAR(WheelPressureTable[0], std::pow(1 - 0.95 * 0.95, 2.0 / 3), 1e-6);  // the leading slice
  EXPECT_NEAR(WheelPressureTable[19], WheelPressureTable[0], 1e-6);
  EXPECT_NEAR(WheelPressureTable[9], std::pow(1 - 0.05 * 0.05, 2.0 / 3), 1e-6);
  EXPECT_NEAR(WheelFlatPressureTable[0], std::pow(1 - std::pow(0.95, 4), 2.0 / 3), 1e-6);
  EXPECT_NEAR(WheelFlatPressureIntegral, 1.69745, 1e-5);
  const float once = WheelPressureIntegral;
  InitWheelTables();
  EXPECT_EQ(WheelPressureIntegral, once);  // a second call does not add to the sums
}

TEST_F(BrushModel, MatchesTheTranscription) {
  const float cases[][4] = {// sx, sy, g, mu
                            {0.001f, 0.0f, 0.0f, 1.0f},    {0.0f, -0.002f, 0.0f, 1.0f}, {0.02f, 0.03f, 0.0f, 1.0f},
                            {-0.05f, 0.08f, 0.1f, 0.9f},   {0.3f, -0.4f, -0.2f, 1.1f},  {-2.0f, 0.0f, 0.0f, 0.5f},
                            {0.004f, 0.006f, 0.35f, 1.0f}, {0.0f, 0.0f, 0.4f, 1.0f}};
  for (const auto& c : cases) {
    BrushForces f;
    WheelContactForce(A, D, c[0], c[1], V, K, c[2], B, c[3], 0.75f, N, f);
    const BrushD d = BrushModelD(A, D, c[0], c[1], V, K, c[2], B, c[3], 0.75, N);
    const double scale = N;  // forces are compared against the load
    EXPECT_NEAR(f.longitudinal, d.fl, scale * 1e-5) << c[0] << " " << c[1];
    EXPECT_NEAR(f.lateral, d.fs, scale * 1e-5) << c[0] << " " << c[1];
    EXPECT_NEAR(f.aligningMoment, d.mz, scale * A * 1e-5);
    EXPECT_NEAR(f.slidingFraction, d.fraction, 1e-6);
    EXPECT_NEAR(f.slidingFriction, d.friction, scale * 1e-5);
    EXPECT_NEAR(f.slidingPower, d.power, std::max(1.0, d.power) * 1e-4);
  }
}

TEST_F(BrushModel, AnAdheringPatchHasTheBrushStiffnessAndTrail) {
  // Every slice holds: Fl = 2 k a^2 sx and Fs = 2 k a^2 sy; the trail is a (1/3 - 1/1200),
  // the midpoint sum of the triangular deflection, about a/3.
  const float sx = 1e-5f, sy = -2e-5f;
  BrushForces f;
  WheelContactForce(A, D, sx, sy, V, K, 0.0f, B, 1.0f, 0.75f, N, f);
  EXPECT_EQ(f.slidingFraction, 0.0f);
  EXPECT_EQ(f.slidingPower, 0.0f);
  EXPECT_NEAR(f.longitudinal, 2.0 * K * A * A * sx, 1e-3);
  EXPECT_NEAR(f.lateral, 2.0 * K * A * A * sy, 1e-3);
  EXPECT_NEAR(-f.aligningMoment / f.lateral, A * (1.0 / 3 - 1.0 / 1200), 1e-6);
}

TEST_F(BrushModel, LargeSlipSaturatesTowardsTheSlidingRatio) {
  // Everything slides far: the friction falls from its static value towards r times it.
  const double staticLimit = std::cbrt(std::pow(0.75 * N / A, 2) * 200000 * B) * 1.1 * A * WheelPressureIntegral;
  for (float r : {1.0f, 0.75f}) {
    BrushForces f;
    WheelContactForce(A, D, 0.0f, 50.0f, V, K, 0.0f, B, 1.0f, r, N, f);
    EXPECT_NEAR(f.slidingFraction, 1.0f, 1e-6);
    EXPECT_NEAR(std::fabs(f.lateral) / staticLimit, r, 0.01) << r;
    EXPECT_GT(f.slidingPower, 0.0f);
  }
}

TEST_F(BrushModel, SlidingFractionInStepsOfOneTwentieth) {
  for (float sy = 0.0f; sy < 0.2f; sy += 0.003f) {
    BrushForces f;
    WheelContactForce(A, D, 0.5f * sy, sy, V, K, 0.1f, B, 1.0f, 0.75f, N, f);
    const float twentieths = f.slidingFraction / 0.05f;
    EXPECT_NEAR(twentieths, std::round(twentieths), 1e-4) << sy;
    EXPECT_GE(f.slidingFraction, 0.0f);
    EXPECT_LE(f.slidingFraction, 1.0f + 1e-6f);
  }
}

TEST_F(BrushModel, NoSlipNoCamberNoForce) {
  BrushForces f;
  f.longitudinal = 7.0f;  // the outputs start from zero
  WheelContactForce(A, D, 0.0f, 0.0f, V, K, 0.0f, B, 1.0f, 0.75f, N, f);
  EXPECT_EQ(f.longitudinal, 0.0f);
  EXPECT_EQ(f.lateral, 0.0f);
  EXPECT_EQ(f.aligningMoment, 0.0f);
  EXPECT_EQ(f.slidingFraction, 0.0f);
  EXPECT_EQ(f.slidingFriction, 0.0f);
  EXPECT_EQ(f.slidingPower, 0.0f);
}

// A bristle that needs exactly what friction holds still holds: with no friction at all (a
// friction scale of 0) and no slip, every slice needs nothing and none slides.
TEST_F(BrushModel, ASliceNeedingExactlyItsFrictionHolds) {
  BrushForces f;
  WheelContactForceScaled(A, D, 0.0f, 0.0f, V, K, 0.0f, 1.0f, 0.75f, 0.0f, f);
  EXPECT_EQ(f.slidingFraction, 0.0f);
  EXPECT_EQ(f.longitudinal, 0.0f);
  EXPECT_EQ(f.lateral, 0.0f);
  EXPECT_EQ(f.aligningMoment, 0.0f);
  EXPECT_EQ(f.slidingFriction, 0.0f);
  EXPECT_EQ(f.slidingPower, 0.0f);
}

}  // namespace
