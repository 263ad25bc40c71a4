// car_setup_test.cpp - the car's set-up from its vehicle data as far as it goes: the caster
// of rigid and double wishbone sets from the set-up's bytes, the tyres of both sets, the frame
// tubes' figures, the wheel records and the mass model it runs.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/physics/car_test_util.h"

namespace {
constexpr double TENTH_DEGREE = 3.1415927 / 1800.0;
}

class CarSetup : public CarTest {
 protected:
  Car car;
  void SetUp() override {
    MakeBareCar(car);
    car.setupCount = 1;
    for (SuspensionBlock& set : car.wheelSets) {
      set.sectionWidth = 0.2f;
      set.aspectRatio = 0.5f;
      set.rimRadius = 0.2f;
      set.caster = 0.25f;
    }
  }
  uint8_t& Current(int axle) { return car.currentSetup.bytes[SETUP_AXLE[axle] + AXLE_CASTER]; }
  uint8_t& Stored(int axle) { return car.setups[0].record.bytes[SETUP_AXLE[axle] + AXLE_CASTER]; }
};

TEST_F(CarSetup, RigidAndDoubleWishboneSetsTakeTheirCasterFromTheSetUp) {
  car.wheelSets[0].suspensionType = car.wheelSets[1].suspensionType = SUSPENSION_RIGID;
  Stored(0) = 7;
  Stored(1) = 20;
  Current(0) = 90;
  Current(1) = 0;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(0), 7) << "the rear takes the stored set-up's byte, held to no range";
  EXPECT_NEAR(car.wheelSets[0].caster, 7 * TENTH_DEGREE, 1e-7);
  EXPECT_EQ(Current(1), 40) << "a zero front byte takes the stored 20, raised to 40";
  EXPECT_NEAR(car.wheelSets[1].caster, 40 * TENTH_DEGREE, 1e-7);
  Current(1) = 250;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(1), 240);

  car.wheelSets[1].suspensionType = SUSPENSION_DOUBLE_WISHBONE;
  Current(1) = 35;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(1), 35);
  EXPECT_NEAR(car.wheelSets[1].caster, 0.0611, 1e-4);
  Current(1) = 5;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(1), 10);
  Current(1) = 61;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(1), 60);

  // Any other type keeps its caster and clears the set-up's byte.
  car.wheelSets[1].suspensionType = SUSPENSION_MACPHERSON_STRUT;
  car.wheelSets[1].caster = 0.1f;
  Current(1) = 45;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(1), 0);
  EXPECT_EQ(car.wheelSets[1].caster, 0.1f);
}

TEST_F(CarSetup, TyresTubesAndWheelsAreSetUpAndACarWithoutASetUpIsLeftAlone) {
  car.wheelSets[0].wheelOffset = 0.05f;
  const int a = AddFramePoint(car, 0.2f, 0.0f, 0.0f), b = AddFramePoint(car, 0.2f, 1.0f, 0.0f);
  AddTube(car, a, b, 4.0f);
  AddTube(car, a, -6, 0.0f);
  car.frameTubes[1].radius = 0.03f;
  car.frameTubes[1].massPerMetre = 2.0f;  // a link's figure: its mass is the suspension's
  car.wheelCount = 2;
  car.wheelPositions[0] = {-0.7f, -1.2f, 0.3f};
  car.wheelPositions[1] = {0.005f, 1.3f, 0.3f};

  car.currentSetup.bytes[SETUP_FLAGS] = 0;
  car.SetupFromVehicle(0);
  EXPECT_EQ(car.wheelSets[0].rollingRadius, 0.0f) << "no set-up: nothing set up";
  EXPECT_EQ(car.frameTubes[0].radius, 0.0f);

  car.currentSetup.bytes[SETUP_FLAGS] = 1;
  car.SetupFromVehicle(0);
  EXPECT_NEAR(car.wheelSets[0].rollingRadius, 0.3f, 1e-6);
  EXPECT_EQ(car.wheelSets[0].roundedProfile, 0);
  EXPECT_EQ(car.wheelSets[0].boundingRadius, FixedFromMetres(std::sqrt(0.09f + 0.15f * 0.15f)))
      << "the wheel offset widens the bounding radius";
  EXPECT_NEAR(car.frameTubes[0].radius, 0.02f, 1e-7);
  EXPECT_EQ(car.frameTubes[1].massPerMetre, 0.0f);
  EXPECT_NEAR(car.frameTubes[1].radius, 0.01f * std::sqrt(2.0f), 1e-7);
  EXPECT_EQ(car.wheels[0].wheelSet, 0);
  EXPECT_EQ(car.wheels[0].side, -1.0f);
  EXPECT_EQ(car.wheels[1].wheelSet, 1);
  EXPECT_EQ(car.wheels[1].side, 0.0f) << "within 1 cm of the centre line";
  const double R = 0.3, w = 0.2, rim = 0.2, twoPi = 6.2831855;
  const double wheel = (R * twoPi * w + R * R * twoPi + rim * twoPi * w) * 12.0;
  EXPECT_NEAR(car.wheels[0].unsprungMass, wheel, 1e-3);
  EXPECT_NEAR(car.wheels[0].spinInertia, wheel * R * R / 2, 1e-4);
  EXPECT_NEAR(car.partMasses.frame, 8.0f, 1e-4) << "the mass model ran";
  EXPECT_NEAR(car.partMasses.wheels, 2 * wheel, 1e-3);
  EXPECT_EQ(car.inertiaStatus, INERTIA_VALID);

  // Keeping the structure leaves the tubes and the mass alone; a bike's tyres are round.
  car.frameTubes[0].massPerMetre = 9.0f;
  car.vehicleClass = CLASS_BIKE;
  car.SetupFromVehicle(1);
  EXPECT_NEAR(car.frameTubes[0].radius, 0.02f, 1e-7);
  EXPECT_NEAR(car.partMasses.frame, 8.0f, 1e-4);
  EXPECT_EQ(car.wheelSets[0].roundedProfile, 1);
}
