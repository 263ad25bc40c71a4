// ride_height_test.cpp - a sample car set down on flat ground, then each of its wheels under
// the one-wheel harness with the wheel's static share of the car's weight: the wheel comes to
// rest where the static balance puts it, the spring holding the sprung share (k s - preload)
// and the tyre pressed in by its whole load over its radial stiffness.
//
// The harness stands in for the car's own step (the car coming to rest on its wheels), which
// keeps these checks when it arrives.  Tolerance: 0.1 % of each load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "physics/car.h"
#include "tests/wheel/quarter_car.h"
#include "text/text_colours.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "world/world.h"

namespace {

constexpr float G = 9.81f;
constexpr double TOLERANCE = 1e-3;
constexpr int REST_STEPS = 6000;  // 6 s of 1 ms steps
constexpr float GROUND = 0.75f;   // m

// Flat ground at GROUND under every vertical query; nothing across.
int32_t FlatGround(const IntVector&, const IntVector& vector, MapSquareHit& hit, int) {
  hit.hitValue = 0;
  if (vector.x || vector.y) return 0;
  hit.height = FixedFromMetres(GROUND);
  hit.normal[0] = hit.normal[1] = 0;
  hit.normal[2] = 1;
  return hit.hitValue = 0x8000;
}

class RideHeights : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    SetDefaultTextColours();
    InitWheelTables();
    Wld::QueryMapSquare = FlatGround;
  }
  void TearDown() override { Wld::QueryMapSquare = Wld::NoWorldQuery; }
};

TEST_P(RideHeights, EachWheelOfASettledCarRestsAtTheStaticBalance) {
  Car car;
  BuildSampleVehicle(GetParam(), car);
  car.currentSetup = car.setups[0].record;
  car.driverSlot = 0;
  car.SetupFromVehicle(0);
  ASSERT_GE(car.wheelCount, 2);
  for (int k = 0; k < 9; ++k) car.orientation[k] = k % 4 == 0 ? 1.0f : 0.0f;

  // Set down with the offset its callers give: the lowest wheel point 5 cm above the ground.
  float lowest = 1e9f, rear = 0, front = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    const Vec3& p = car.wheelPositions[i];
    lowest = std::min(lowest, p.z - car.wheelSets[car.wheels[i].wheelSet].rollingRadius);
    rear = std::min(rear, p.y);
    front = std::max(front, p.y);
  }
  car.SettleOnGround(1, 0, FixedFromMetres(0.05f - lowest));
  EXPECT_NEAR(car.position.z / 65536.0 + lowest, GROUND + 0.05, 1.0 / 65536);
  EXPECT_EQ(car.orientation[8], 1.0f) << "level";

  // The axle loads from the mass model's centre of mass, shared by the wheels of each axle.
  const MassProperties& built = car.massRecords[MASS_RECORD_BUILT];
  const float mass = built.mass, y = built.centreOfMass.y;
  ASSERT_GT(front - rear, 0.1f);
  const float axleMass[2] = {mass * (front - y) / (front - rear), mass * (y - rear) / (front - rear)};
  int onAxle[2] = {};
  for (int i = 0; i < car.wheelCount; ++i) ++onAxle[car.wheels[i].wheelSet];

  float springMost, springLeast, dampingLeast, dampingMost, antiRoll;
  car.GetSuspensionLimits(springLeast, springMost, dampingLeast, dampingMost, antiRoll);
  for (int i = 0; i < car.wheelCount; ++i) {
    SCOPED_TRACE(i);
    const CarWheel& wheel = car.wheels[i];
    const SuspensionBlock& set = car.wheelSets[wheel.wheelSet];
    // The harness's wheel as the car's set-up fills it: its set's tyre, the set-up's pressure
    // of its side (kPa), spring and damping within the car's limits.
    WheelSetSizes sizes;
    sizes.width = set.sectionWidth;
    sizes.aspect = set.aspectRatio;
    sizes.rimRadius = set.rimRadius;
    sizes.rimWidth = set.rimWidth;
    sizes.compound = set.compoundIndex;
    sizes.rounded = set.roundedProfile;
    const int pressureAt = SETUP_AXLE[wheel.wheelSet] + (wheel.side > 0 ? AXLE_PRESSURE_RIGHT : AXLE_PRESSURE_LEFT);
    QuarterCar q;
    q.sprungMass = axleMass[wheel.wheelSet] / float(onAxle[wheel.wheelSet]) - wheel.unsprungMass;
    ASSERT_GT(q.sprungMass, 0.0f);
    SetupQuarterCar(q, sizes, SetupShort(car.currentSetup, pressureAt) * 1000.0f);
    CarWheel& w = q.wheel();
    ASSERT_NEAR(w.unsprungMass, wheel.unsprungMass, 1e-4f) << "the set-up's wheel mass";
    w.springRate = std::clamp(springMost * 0.5f, springLeast, springMost);
    w.bumpDamping = w.reboundDamping = std::clamp(dampingMost * 0.5f, dampingLeast, dampingMost);
    q.Run(REST_STEPS);

    EXPECT_LT(std::fabs(w.travelVelocity), 1e-4f);
    const double sprung = q.sprungMass * G, tyreLoad = (q.sprungMass + w.unsprungMass) * G;
    EXPECT_NEAR(w.springRate * w.travel - w.springPreload, sprung, sprung * TOLERANCE) << "spring travel";
    EXPECT_NEAR(w.deflection, tyreLoad / w.radialStiffness, tyreLoad / w.radialStiffness * TOLERANCE)
        << "tyre deflection";
    EXPECT_GT(w.travel, 0.0f);
    EXPECT_LT(w.travel, w.maxTravel);
  }
}

// A road car, a van, an open-wheeler and a kart.
INSTANTIATE_TEST_SUITE_P(Samples, RideHeights, ::testing::Values(0, 7, 11, 20));

}  // namespace
