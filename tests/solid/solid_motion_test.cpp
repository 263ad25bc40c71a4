// solid_motion_test.cpp - a body in free flight: gravity and drag against closed-form
// results, the move of the float offset into the 16.16 position, torque-free spinning, the
// thin-shell mass properties, and what a body does with a state it cannot move.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/solid/solid_test_util.h"

namespace {

class SolidMotion : public ::testing::Test {
 protected:
  RecordingHooks hooks;
};

// A body without hull points: only drag and gravity act on it.
void MakePointMass(Solid& body, float mass) {
  body.mass = mass;
  body.orientation[0] = body.orientation[4] = body.orientation[8] = 1.0f;
  body.inverseInertia[0] = body.inverseInertia[4] = body.inverseInertia[8] = 1.0f;
  body.InitState();
  body.awake = 1;
}

TEST_F(SolidMotion, FallsAsTheDiscreteStepAndTheDragLawSay) {
  Solid heavy;
  MakePointMass(heavy, 1e6f);
  for (int n = 1; n <= 1000; ++n) {
    StepAlone(heavy, G);
    ASSERT_LE(std::fabs(heavy.offset.x), 1.0f / 131072.0f);
    ASSERT_LE(std::fabs(heavy.offset.z), 1.0f / 131072.0f) << "step " << n;
    if (n % 250 == 0) {
      const double v = n * -9.81 * 0.001, z = -9.81 * 1e-6 * n * (n + 1) / 2.0;
      EXPECT_NEAR(heavy.velocity.z, v, 1e-4 * std::fabs(v)) << n;
      EXPECT_NEAR(OriginMetres(heavy).z, z, 1e-4 * std::fabs(z) + 2.0 / 65536.0) << n;
    }
  }

  // 1 kg under -|v| v: terminal speed sqrt(m g).
  Solid light;
  MakePointMass(light, 1.0f);
  for (int n = 0; n < 1000; ++n) StepAlone(light, G);
  const double vt = std::sqrt(9.81), x = 9.81 * 1.0 / vt;
  EXPECT_NEAR(light.velocity.z, -vt * std::tanh(x), 0.005 * vt * std::tanh(x));
  const double z = -(vt * vt / 9.81) * std::log(std::cosh(x));
  EXPECT_NEAR(OriginMetres(light).z, z, 0.005 * std::fabs(z));
}

TEST_F(SolidMotion, MovesWholeUnitsIntoTheFixedPosition) {
  Solid body;
  MakePointMass(body, 1e6f);
  body.velocity = {1.0f, -0.25f, 0.0f};
  for (int n = 0; n < 1000; ++n) StepAlone(body, 0.0f);
  EXPECT_NEAR(body.position.x, 65536, 1);
  EXPECT_NEAR(body.position.y, -16384, 1);
  EXPECT_LE(std::fabs(body.offset.x), 1.0f / 131072.0f);

  // Ties go to even, as every conversion to 16.16 does; nothing undefined at the ends.
  EXPECT_EQ(FixedFromScaled(2.5f), 2);
  EXPECT_EQ(FixedFromScaled(3.5f), 4);
  EXPECT_EQ(FixedFromScaled(-2.5f), -2);
  EXPECT_EQ(FixedFromScaled(NAN), 0);
  EXPECT_EQ(FixedFromScaled(1e20f), INT32_MAX);
  EXPECT_EQ(FixedFromScaled(-INFINITY), INT32_MIN);
  EXPECT_EQ(SaturatingAdd(INT32_MAX - 5, 100), INT32_MAX);
  EXPECT_EQ(SaturatingAdd(INT32_MIN + 5, -100), INT32_MIN);
}

TEST_F(SolidMotion, AFastBodyStopsAtTheEdgeOfTheFixedRangeAndANonFiniteOneIsStopped) {
  Solid body;
  MakePointMass(body, 1e6f);
  body.velocity = Hooks.wind = {3e38f, 0.0f, 0.0f};  // moving with the wind: no drag
  StepAlone(body, 0.0f);
  EXPECT_EQ(body.velocity.x, 3e38f);
  EXPECT_EQ(body.position.x, INT32_MAX) << "the conversion saturates";

  Hooks.wind = {};
  Solid broken;
  MakePointMass(broken, 10.0f);
  broken.position = {65536, 0, 0};
  broken.velocity = {NAN, 0.0f, 0.0f};
  broken.angularMomentum = {1.0f, 0.0f, 0.0f};
  StepAlone(broken, G);
  EXPECT_EQ(broken.position.x, 65536);
  EXPECT_EQ(broken.velocity.x, 0.0f);
  EXPECT_EQ(broken.angularMomentum.x, 0.0f);
  broken.angularMomentum = {INFINITY, 0.0f, 0.0f};
  StepAlone(broken, G);
  EXPECT_EQ(broken.angularMomentum.x, 0.0f);
  EXPECT_EQ(Reports.lines.size(), 1u) << "reported once while it lasts";
  StepAlone(broken, G);  // finite again: falls
  EXPECT_LT(broken.velocity.z, 0.0f);
  broken.offset = {0.0f, NAN, 0.0f};
  StepAlone(broken, G);
  EXPECT_EQ(Reports.lines.size(), 2u) << "reported again after it cleared";
  for (float v : broken.orientation) EXPECT_TRUE(std::isfinite(v));
}

TEST_F(SolidMotion, ABodyTooLightToIntegrateIsNotUpdated) {
  Solid feather;
  MakePointMass(feather, 0.0005f);
  feather.velocity = {1.0f, 0.0f, 0.0f};
  StepAlone(feather, G);
  EXPECT_EQ(feather.velocity.x, 1.0f);
  EXPECT_EQ(feather.velocity.z, 0.0f);
  EXPECT_EQ(feather.position.x, 0);
}

TEST_F(SolidMotion, ThinShellOfACubeHasTheMassAndInertiaOfItsFaces) {
  Solid cube;
  const float a = 2.0f, density = 3.0f;
  MakeBox(cube, {a / 2, a / 2, a / 2}, 6.0f * a * a * density, {0.0f, 0.0f, 0.0f});
  EXPECT_NEAR(cube.mass, 6.0f * a * a * density, 1e-3f);
  const float M = cube.mass, expected = 5.0f * M * a * a / 18.0f;
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(cube.inertia[i * 4], expected, 1e-4f * expected);
  for (int i : {1, 2, 3, 5, 6, 7}) EXPECT_NEAR(cube.inertia[i], 0.0f, 1e-4f * expected);
  EXPECT_NEAR(cube.inverseInertia[0], 1.0f / expected, 1e-4f / expected);
  EXPECT_NEAR(cube.radius, std::sqrt(3.0f), 1e-6f);

  // Off the origin: the centre is found and the tensor moved to it.
  Solid shifted;
  MakeBox(shifted, {a / 2, a / 2, a / 2}, M, {0.0f, 0.0f, 0.0f}, 20000.0f, 1.0f, 20.0f, {0.3f, -0.2f, 0.1f});
  EXPECT_NEAR(shifted.centreOfMass.x, 0.3f, 1e-6f);
  EXPECT_NEAR(shifted.centreOfMass.y, -0.2f, 1e-6f);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(shifted.inertia[i * 4], expected, 1e-4f * expected);
  for (int i : {1, 2, 5}) EXPECT_NEAR(shifted.inertia[i], 0.0f, 1e-4f * expected);
  EXPECT_EQ(shifted.extent[0], 0.8f);
  EXPECT_EQ(shifted.extent[3], -0.7f);

  // A hull that encloses nothing has no inverse, not an infinite one.
  Solid flat;
  MakeBox(flat, {1.0f, 1.0f, 0.0f}, 1.0f, {0.0f, 0.0f, 0.0f});
  for (float v : flat.inverseInertia) EXPECT_TRUE(std::isfinite(v));
}

class FreeSpin : public SolidMotion {
 protected:
  // A 1 x 2 x 3 m shell, its centre of mass off the origin, with gravity off.
  void SetUp() override {
    MakeBox(body, {0.5f, 1.0f, 1.5f}, 20.0f, {3.0f, 4.0f, 5.0f}, 20000.0f, 1.0f, 20.0f, {0.3f, 0.2f, -0.1f});
  }
  float Energy() const { return 0.5f * Dot(body.angularMomentum, AngularVelocity(body)); }
  Solid body;
};

TEST_F(FreeSpin, WithoutAngularMomentumTheOrientationKeepsEveryBit) {
  Turn(body, {0.0f, 0.6f, 0.8f}, 0.7f);
  float before[9];
  std::memcpy(before, body.orientation, sizeof before);
  for (int n = 0; n < 2000; ++n) StepAlone(body, 0.0f);
  EXPECT_EQ(std::memcmp(before, body.orientation, sizeof before), 0);
}

TEST_F(FreeSpin, KeepsAngularMomentumCentreAndEnergy) {
  body.angularMomentum = MatrixTimes(body.orientation, Vec3{0.3f, -0.2f, 0.25f});
  // |omega| at most 0.5 rad/s.
  const Vec3 w = AngularVelocity(body);
  ASSERT_LE(std::sqrt(LengthSquared(w)), 0.5f);
  const Vec3 L = body.angularMomentum, centre = CentreMetres(body);
  const float energy = Energy();
  for (int n = 0; n < 10000; ++n) {
    StepAlone(body, 0.0f);
    ASSERT_EQ(std::memcmp(&L, &body.angularMomentum, sizeof L), 0) << "step " << n;
  }
  const Vec3 moved = CentreMetres(body) - centre;
  EXPECT_LE(std::sqrt(LengthSquared(moved)), 1e-6f);
  EXPECT_NEAR(Energy(), energy, 1e-3f * energy);
  for (int n = 0; n < 90000; ++n) StepAlone(body, 0.0f);
  EXPECT_LT(OrthonormalityError(body), 1e-2f) << "the orientation is never re-orthonormalised";
}

TEST_F(FreeSpin, ASpinAboutTheIntermediateAxisFlips) {
  // Principal axes are the box's: the intermediate one is y.  A spin of 2 rad/s about it
  // with a small disturbance turns over; about the other two axes it stays.
  auto spin = [&](int axis) {
    MakeBox(body, {0.5f, 1.0f, 1.5f}, 20.0f, {0.0f, 0.0f, 0.0f});
    Vec3 w = {0.002f, 0.002f, 0.002f};
    (&w.x)[axis] = 2.0f;
    body.angularMomentum = MatrixTimes(body.inertia, w);
    float lowest = 1.0f;
    for (int n = 0; n < 20000; ++n) {
      StepAlone(body, 0.0f);
      // The body axis's world direction against its start.
      lowest = std::min(lowest, body.orientation[axis * 3 + axis]);
    }
    return lowest;
  };
  EXPECT_LT(spin(1), -0.9f) << "the y axis turned over";
  EXPECT_GT(spin(0), 0.99f);
  EXPECT_GT(spin(2), 0.99f);
}

}  // namespace
