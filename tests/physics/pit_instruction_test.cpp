// pit_instruction_test.cpp - the pit-instruction items of a car: their bounds when set, raised
// and lowered, the fuel only while refuelling is allowed, the symmetric copy and what it
// makes unavailable, the pressure range held by the vehicle's mass, the wings a car has, the
// display countdown and indices outside the table.
#include <gtest/gtest.h>

#include "physics/pit_instruction.h"
#include "tests/physics/car_test_util.h"

class PitItems : public CarTest {
 protected:
  Car car;
  RaceRules saved;
  void SetUp() override {
    saved = RaceSettings;
    RaceSettings.flags = RACE_FLAG_REFUELLING;
    MakeSampleCar(0, car);  // a saloon: tyre types 5..7, no pressure limits of its own
  }
  void TearDown() override { RaceSettings = saved; }
  int32_t Value(int item) const { return car.pitValues[item]; }
};

TEST_F(PitItems, FuelAndTyresStayWithinAHundredAndFuelNeedsRefuelling) {
  using namespace PitInstruction;
  Adjust(car, PIT_FUEL, 70, PIT_SET);
  EXPECT_EQ(Value(PIT_FUEL), 70);
  EXPECT_EQ(car.pitDisplayMs, PIT_DISPLAY_MS);
  Adjust(car, PIT_FUEL, 50, PIT_ADD);
  EXPECT_EQ(Value(PIT_FUEL), 100) << "stops at 100";
  Adjust(car, PIT_FUEL, 130, PIT_SUBTRACT);
  EXPECT_EQ(Value(PIT_FUEL), 0) << "stops at 0";
  Adjust(car, PIT_FUEL, 2147483647, PIT_ADD);
  EXPECT_EQ(Value(PIT_FUEL), 100) << "no overflow";

  RaceSettings.flags = 0;
  Adjust(car, PIT_FUEL, 40, PIT_SET);
  EXPECT_EQ(Value(PIT_FUEL), 100) << "no refuelling: unchanged";
  EXPECT_EQ(IsAvailable(car, PIT_FUEL), 1);

  car.pitDisplayMs = 0;
  Adjust(car, PIT_TYRES, -5, PIT_SET);
  EXPECT_EQ(Value(PIT_TYRES), 0);
  EXPECT_EQ(car.pitDisplayMs, PIT_DISPLAY_MS);
  car.pitDisplayMs = 0;
  Adjust(car, PIT_REPAIR, 3, PIT_SET);
  EXPECT_EQ(Value(PIT_REPAIR), 1);
  EXPECT_EQ(car.pitDisplayMs, PIT_DISPLAY_MS);
  Adjust(car, PIT_REPAIR, 1, PIT_SUBTRACT);
  EXPECT_EQ(Value(PIT_REPAIR), 0);
  car.pitDisplayMs = 0;
  Adjust(car, PIT_FRONT_CAMBER_LEFT, 20, PIT_SET);
  EXPECT_EQ(car.pitDisplayMs, 0) << "only fuel, tyres and repair are shown";
}

TEST_F(PitItems, SymmetricCopiesTheLeftSideAndHidesTheRight) {
  using namespace PitInstruction;
  Adjust(car, PIT_FRONT_CAMBER_RIGHT, 70, PIT_SET);
  EXPECT_EQ(IsAvailable(car, PIT_FRONT_CAMBER_RIGHT), 1);
  Adjust(car, PIT_SYMMETRIC, 1, PIT_SET);
  for (const int item : {PIT_FRONT_CAMBER_RIGHT, PIT_FRONT_PRESSURE_RIGHT, PIT_REAR_CAMBER_RIGHT, PIT_REAR_PRESSURE_RIGHT})
    EXPECT_EQ(IsAvailable(car, item), 0) << item;
  Adjust(car, PIT_FRONT_CAMBER_LEFT, 40, PIT_SET);
  EXPECT_EQ(Value(PIT_FRONT_CAMBER_RIGHT), 40);
  Adjust(car, PIT_REAR_CAMBER_LEFT, 95, PIT_SET);
  EXPECT_EQ(Value(PIT_REAR_CAMBER_LEFT), 90);
  EXPECT_EQ(Value(PIT_REAR_CAMBER_RIGHT), 90);
  Adjust(car, PIT_REAR_PRESSURE_LEFT, 200, PIT_SET);
  EXPECT_EQ(Value(PIT_REAR_PRESSURE_RIGHT), 200);
  Adjust(car, PIT_SYMMETRIC, 0, PIT_SET);
  EXPECT_EQ(IsAvailable(car, PIT_REAR_PRESSURE_RIGHT), 1);
}

TEST_F(PitItems, CompoundsPressuresAndWingsKeepTheCarsRanges) {
  using namespace PitInstruction;
  Adjust(car, PIT_FRONT_TYRE, 2, PIT_SET);
  EXPECT_EQ(Value(PIT_FRONT_TYRE), 5) << "a saloon's compounds start at 5";
  Adjust(car, PIT_REAR_TYRE, 9, PIT_SET);
  EXPECT_EQ(Value(PIT_REAR_TYRE), 7);

  // The rear range is 0..270 kPa (1.5 x the first default's 180), held by the mass to
  // 10 (1 + trunc(60 sqrt(w / 1000))).
  car.massWithoutOccupants = 1000.0f;
  Adjust(car, PIT_REAR_PRESSURE_LEFT, 500, PIT_SET);
  EXPECT_EQ(Value(PIT_REAR_PRESSURE_LEFT), 270);
  car.massWithoutOccupants = 10.0f;  // cap 10 x (1 + 6) = 70
  Adjust(car, PIT_REAR_PRESSURE_LEFT, 500, PIT_SET);
  EXPECT_EQ(Value(PIT_REAR_PRESSURE_LEFT), 70);
  // Each axle's range comes from its own rated pressure: a front rated at 200 kPa reaches 300,
  // the rear (180) 270, on either side.
  car.massWithoutOccupants = 1000.0f;
  SetSetupShort(car.setups[0].record, SETUP_AXLE[1] + AXLE_PRESSURE_LEFT, 200);
  Adjust(car, PIT_FRONT_PRESSURE_LEFT, 500, PIT_SET);
  EXPECT_EQ(Value(PIT_FRONT_PRESSURE_LEFT), 300);
  Adjust(car, PIT_FRONT_PRESSURE_RIGHT, 500, PIT_SET);
  EXPECT_EQ(Value(PIT_FRONT_PRESSURE_RIGHT), 300);
  Adjust(car, PIT_REAR_PRESSURE_RIGHT, 500, PIT_SET);
  EXPECT_EQ(Value(PIT_REAR_PRESSURE_RIGHT), 270);
  car.massWithoutOccupants = 10.0f;
  // A cap below the vehicle's lowest pressure widens to lowest .. lowest + 1.
  car.options2 |= OPT2_PRESSURE_LIMITS;
  car.rimWords[0] = 150;
  car.rimWords[1] = 400;
  Adjust(car, PIT_FRONT_PRESSURE_LEFT, 500, PIT_SET);
  EXPECT_EQ(Value(PIT_FRONT_PRESSURE_LEFT), 151);
  Adjust(car, PIT_FRONT_PRESSURE_LEFT, 500, PIT_SUBTRACT);
  EXPECT_EQ(Value(PIT_FRONT_PRESSURE_LEFT), 150);

  // The road car has a rear wing and no front wing.
  EXPECT_EQ(IsAvailable(car, PIT_REAR_WING), 1);
  EXPECT_EQ(IsAvailable(car, PIT_FRONT_WING), 0);
  car.wingAngles[0][0] = 3;
  car.wingAngles[0][1] = 14;
  Adjust(car, PIT_REAR_WING, 20, PIT_SET);
  EXPECT_EQ(Value(PIT_REAR_WING), 14);
  Adjust(car, PIT_REAR_WING, 20, PIT_SUBTRACT);
  EXPECT_EQ(Value(PIT_REAR_WING), 3);
  // A front wing keeps the front's own range.
  car.aeroItems[AERO_FRONT_WING].flags |= AERO_PRESENT;
  car.wingAngles[1][0] = 2;
  car.wingAngles[1][1] = 9;
  Adjust(car, PIT_FRONT_WING, 20, PIT_SET);
  EXPECT_EQ(Value(PIT_FRONT_WING), 9);
  Adjust(car, PIT_FRONT_WING, 20, PIT_SUBTRACT);
  EXPECT_EQ(Value(PIT_FRONT_WING), 2);
}

TEST_F(PitItems, AnIndexOutsideTheTableChangesNothing) {
  using namespace PitInstruction;
  int32_t before[PIT_ITEM_COUNT];
  std::copy(car.pitValues, car.pitValues + PIT_ITEM_COUNT, before);
  for (const int item : {16, 200, -1}) {
    Adjust(car, item, 50, PIT_SET);
    EXPECT_EQ(IsAvailable(car, item), 0);
  }
  Adjust(car, PIT_TYRES, 50, 3);  // no such mode
  EXPECT_TRUE(std::equal(before, before + PIT_ITEM_COUNT, car.pitValues));
  EXPECT_EQ(car.pitDisplayMs, 0);
  EXPECT_STREQ(PIT_ITEM_KEYWORDS[PIT_REAR_WING], "rwing");
  EXPECT_STREQ(PIT_COMPOUND_KEYWORDS[7], "knobbly");
}
