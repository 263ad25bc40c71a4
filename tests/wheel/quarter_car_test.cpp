// quarter_car_test.cpp - the wheel stepped under a quarter car for seconds at a time: it
// comes to rest at the static balance, rolls freely at its rolling radius, locks under a
// brake, and stays finite at the limits.
#include "tests/wheel/quarter_car.h"

#include <gtest/gtest.h>

#include <cmath>

#include "wheel/wheel.h"

namespace {

bool WheelIsFinite(const QuarterCar& q) {
  const CarWheel& w = q.car.wheels[0];
  bool ok = IsFinite(w.wheelForce) && IsFinite(w.centre) && IsFinite(w.contactPoint) && IsFinite(w.deformation) &&
            IsFinite(w.aligningMoment) && IsFinite(w.dragAnchor) && IsFinite(w.lastReference) &&
            IsFinite(q.car.torque) && IsFinite(q.car.impulseHandedOn) && IsFinite(q.car.velocity) &&
            IsFinite(q.car.offset) && std::isfinite(q.car.steeringTorqueSum) &&
            std::fabs(w.rotationAngle) <= 100.53097f && std::fabs(w.travelVelocity) <= 16.0f;
  for (float v : {w.spinRate,        w.rotationAngle,  w.travel,
                  w.travelVelocity,  w.deflection,     w.normalForce,
                  w.gripFactor,      w.sliding,        w.deformLongitudinal,
                  w.deformLateral,   w.twist,          w.pressure,
                  w.radialStiffness, w.treadStiffness, w.twistStiffness,
                  w.airHeat,         w.rimHeat,        w.totalWear,
                  w.slidingEnergy,   w.travelOffset,   w.lowerArmShortening,
                  w.toeDamageAngle,  w.spinTorque})
    ok = ok && std::isfinite(v);
  for (const TreadSector& s : w.sectors) {
    for (int j = 0; j < TREAD_LANES; ++j)
      ok = ok && std::isfinite(s.thickness[j]) && std::isfinite(s.bodyHeat[j]) && std::isfinite(s.contactHeat[j]);
    ok = ok && std::isfinite(s.innerCarcassHeat) && std::isfinite(s.outerCarcassHeat) && std::isfinite(s.coat);
  }
  return ok;
}

class QuarterCarRuns : public ::testing::Test {
 protected:
  QuarterCar q;
  void SetUp() override { InitWheelTables(); }
  void Start(const WheelSetSizes& sizes, float sprungMass) {
    q = QuarterCar();
    q.sprungMass = sprungMass;
    SetupQuarterCar(q, sizes);
  }
};

TEST_F(QuarterCarRuns, ALoadedWheelComesToRestAtTheStaticBalance) {
  Start(WheelSetSizes{}, 300.0f);
  q.Run(6000);
  const CarWheel& w = q.wheel();
  EXPECT_LT(std::fabs(w.travelVelocity), 1e-4f);
  EXPECT_LT(std::fabs(q.car.velocity.z), 1e-4f);
  const double sprung = 300.0 * 9.81, tyreLoad = (300.0 + w.unsprungMass) * 9.81;
  // The tyre is pressed in by its load over its radial stiffness ...
  EXPECT_NEAR(w.deflection, tyreLoad / w.radialStiffness, tyreLoad / w.radialStiffness * 1e-3);
  EXPECT_NEAR(w.normalForce, tyreLoad, tyreLoad * 1e-3);
  // ... and the spring, less its preload, holds the sprung load along the travel direction.
  EXPECT_NEAR(w.springRate * w.travel - w.springPreload, sprung, sprung * 1e-3);
  EXPECT_NEAR(w.wheelForce.z, sprung, sprung * 1e-3);
  EXPECT_GT(w.travel, 0.0f);
  EXPECT_LT(w.travel, w.maxTravel);
  EXPECT_TRUE(WheelIsFinite(q));
}

TEST_F(QuarterCarRuns, AFreeRollingWheelTurnsAtTheGroundSpeedOverItsRadius) {
  Start(WheelSetSizes{}, 300.0f);
  q.Run(3000);
  q.holdVelocity = 1;
  q.car.velocity.y = 15.0f;
  q.Run(4000);
  const float R = q.set().rollingRadius;
  EXPECT_NEAR(q.wheel().spinRate * R / 15.0f, 1.0f, 0.01f);
  EXPECT_LT(q.wheel().sliding, 0.5f);
  // Backwards too.
  q.car.velocity.y = -8.0f;
  q.Run(4000);
  EXPECT_NEAR(q.wheel().spinRate * R / -8.0f, 1.0f, 0.01f);
  EXPECT_TRUE(WheelIsFinite(q));
}

TEST_F(QuarterCarRuns, ALockedWheelSlidesOnOneSectorAndWearsIt) {
  Start(WheelSetSizes{}, 300.0f);
  q.Run(3000);
  q.holdVelocity = 1;
  q.car.velocity.y = 20.0f;
  q.brakeTorque = 5000.0f;
  q.Run(1000);
  const CarWheel& w = q.wheel();
  EXPECT_EQ(w.spinRate, 0.0f);
  EXPECT_EQ(w.sliding, 1.0f);
  const int sector = static_cast<int>(std::lrint(w.rotationAngle * 2.546479f)) & 15;
  const float newTread = 0.03f * q.set().rollingRadius;
  for (int k = 0; k < 16; ++k) {
    if (k == sector)
      EXPECT_LT(w.sectors[k].thickness[1], newTread);
    else
      EXPECT_EQ(w.sectors[k].thickness[1], newTread) << k;
  }
  EXPECT_GT(w.totalWear, 0.0f);
  EXPECT_GT(w.temperatures[TYRE_TEMP_CENTRE], 20);
}

TEST_F(QuarterCarRuns, ANarrowLowProfileTyreSettlesOnItsFlooredDeflection) {
  // 0.1 m at aspect 0.25 has no sidewall; its damping and rim contact use the 0.01 m floor.
  WheelSetSizes sizes;
  sizes.width = 0.1f;
  sizes.aspect = 0.25f;
  sizes.rimRadius = 0.15f;
  Start(sizes, 100.0f);
  ASSERT_LT(q.set().maxDeflection, 0.0f);
  q.Run(6000);
  const CarWheel& w = q.wheel();
  EXPECT_TRUE(WheelIsFinite(q));
  EXPECT_LT(std::fabs(w.travelVelocity), 1e-4f);
  const double tyreLoad = (100.0 + w.unsprungMass) * 9.81;
  EXPECT_NEAR(w.normalForce, tyreLoad, tyreLoad * 2e-3);
  EXPECT_LT(w.deflection, TYRE_DEFLECTION_FLOOR);
  // Rolling on it stays as calm.
  q.holdVelocity = 1;
  q.car.velocity.y = 25.0f;
  q.Run(3000);
  EXPECT_TRUE(WheelIsFinite(q));
  EXPECT_LT(std::fabs(q.car.velocity.z), 0.05f);
  EXPECT_NEAR(w.spinRate * q.set().rollingRadius / 25.0f, 1.0f, 0.02f);
}

TEST_F(QuarterCarRuns, ZeroLoadStaysFinite) {
  Start(WheelSetSizes{}, 0.0f);
  q.gravity = 0.0f;
  q.wheel().unsprungMass = 0.0f;
  q.car.mass = 1.0f;
  q.Run(500);
  EXPECT_TRUE(WheelIsFinite(q));
  // A wheel pressed in by a hair.
  Start(WheelSetSizes{}, 300.0f);
  PlaceAboveGround(q, -1e-12f);
  q.Run(1);
  EXPECT_TRUE(WheelIsFinite(q));
}

TEST_F(QuarterCarRuns, HugeSlipsStayFinite) {
  for (float slip : {1e6f, -1e6f}) {
    Start(WheelSetSizes{}, 300.0f);
    q.Run(1000);
    q.holdVelocity = 1;
    q.car.velocity = {slip, -slip, 0.0f};
    q.wheel().spinRate = slip / q.set().rollingRadius;
    q.Run(200);
    EXPECT_TRUE(WheelIsFinite(q)) << slip;
    q.car.velocity = {0.0f, slip, 0.0f};
    q.wheel().spinRate = -slip;
    q.Run(200);
    EXPECT_TRUE(WheelIsFinite(q)) << slip;
  }
}

TEST_F(QuarterCarRuns, ANinetyDegreeLeanStaysFinite) {
  Start(WheelSetSizes{}, 300.0f);
  q.Run(500);
  float* m = q.car.orientation;
  m[0] = 0, m[2] = 1, m[6] = -1, m[8] = 0;  // rolled onto its side
  q.wheel().steered = 1;
  q.Run(500);
  EXPECT_TRUE(WheelIsFinite(q));
  EXPECT_EQ(q.wheel().contactKind, 0);
}

TEST_F(QuarterCarRuns, NonFiniteInputsNeverReachTheCar) {
  const float bads[] = {NAN, INFINITY, -INFINITY};
  for (float bad : bads) {
    Start(WheelSetSizes{}, 300.0f);
    q.Run(1000);
    q.brakeTorque = bad;
    q.Run(3);
    q.brakeTorque = 0.0f;
    q.driveTorque = bad;
    q.Run(3);
    q.driveTorque = 0.0f;
    q.outsideForce = {0.0f, bad, 0.0f};
    q.Run(3);
    q.outsideForce = {};
    q.wheel().travel = bad;
    q.wheel().spinRate = bad;
    q.Run(3);
    q.airCooling = bad;
    q.Run(3);
    q.airCooling = 0.0f;
    EXPECT_TRUE(WheelIsFinite(q)) << bad;
    // And the wheel carries on.
    q.Run(3000);
    EXPECT_TRUE(WheelIsFinite(q)) << bad;
    EXPECT_LT(std::fabs(q.car.velocity.z), 1e-3f);
  }
}

}  // namespace
