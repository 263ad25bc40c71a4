// car_assists_test.cpp - two driving assists of the step worked through by hand: regenerative
// braking's shares of the braking (the motor's torque through the gears against the demand)
// and traction control's cut of the throttle from the driven wheels' slip over the free ones.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/car.h"
#include "tests/physics/car_test_util.h"

namespace {

constexpr float TWO_PI_F = 6.2831855f;

// An electric car in drive, off the throttle and braking half: a motor of 200 N m through a
// first gear of 10 and a final drive of 1 offers 2000 N m; the rear brakes ask 1000 x 0.5.
class Regeneration : public ::testing::Test {
 protected:
  Car car;
  void SetUp() override {
    MakeBareCar(car);
    car.assists.electricOn = 1;
    car.assists.selectorInDrive = 1;
    car.assists.regenTorque = 200.0f;
    car.assists.regenCornerSpeed = 0.0f;
    car.stopState = 0;
    car.gearRatios[Car::FIRST_GEAR_SLOT] = 10.0f;
    car.finalDrive = 1.0f;
    car.singleAxleMotor = 0;
    car.driveType = DRIVE_REAR;
    car.wheelSets[0].brakeTorque = 1000.0f;
    car.wheelSets[1].brakeTorque = 3000.0f;
    car.engine.speed = 100.0f;
    car.controls.throttle = 0.0f;
    car.controls.brake = 0.5f;
  }
  void Expect(float regen, float friction, const char* what) {
    car.RunRegenerativeBraking();
    EXPECT_NEAR(car.controls.regenShare, regen, 1e-6f) << what;
    EXPECT_NEAR(car.controls.frictionShare, friction, 1e-6f) << what;
  }
};

TEST_F(Regeneration, TheMotorTakesWhatItCanAndTheBrakesTheRest) {
  Expect(500.0f / 2000.0f, 0.0f, "2000 N m cover the demand of 500");
  car.assists.regenCornerSpeed = 50.0f;  // above 50 rad/s the torque falls as 50 / speed
  Expect(500.0f / 1000.0f, 0.0f, "half the torque at 100 rad/s");
  car.singleAxleMotor = 1;
  Expect(1.0f, 0.0f, "halved again: 500 meets 500");
  car.controls.brake = 1.0f;  // a demand of 1000 against 500
  Expect(1.0f, 0.5f, "the motor all out, the brakes half");
  car.driveType = DRIVE_FRONT;  // the front set's 3000 N m x 1
  Expect(1.0f, 1.0f - 500.0f / 3000.0f, "the front brakes' demand");
}

TEST_F(Regeneration, ItWorksOnlyInDriveBrakingOffTheThrottleAboveOneTurnASecond) {
  Expect(0.25f, 0.0f, "as set up");
  car.controls.throttle = 0.001f;
  Expect(0.0f, 1.0f, "a thousandth of throttle");
  car.controls.throttle = 0.0009f;
  Expect(0.25f, 0.0f, "below a thousandth");
  car.controls.brake = 0.001f;
  Expect(1.0f / 2000.0f, 0.0f, "a thousandth of brake: a demand of 1");
  car.controls.brake = 0.0009f;
  Expect(0.0f, 1.0f, "below a thousandth of brake");
  car.controls.brake = 0.5f;
  car.engine.speed = TWO_PI_F;
  Expect(0.25f, 0.0f, "exactly one turn a second");
  car.engine.speed = 6.28f;
  Expect(0.0f, 1.0f, "below one turn a second");
  car.engine.speed = 100.0f;
  car.assists.selectorInDrive = 0;
  Expect(0.0f, 1.0f, "not in drive");
  car.assists.selectorInDrive = 1;
  car.stopState = 1;
  Expect(0.0f, 1.0f, "stopped");
  car.stopState = 0;
  car.assists.electricOn = 0;
  Expect(0.0f, 1.0f, "the electric drive off");
}

// Four wheels of 0.3 m: the front pair free, the rear pair driven.  Traction control with a
// slip allowance of 100 thousandths, a least speed of 5 m/s and a gain of 1.
class Traction : public ::testing::Test {
 protected:
  Car car;
  void SetUp() override {
    MakeBareCar(car);
    car.wheelCount = 4;
    for (int i = 0; i < 4; ++i) {
      car.wheels[i].wheelSet = uint8_t(i < 2 ? 0 : 1);
      car.wheels[i].driven = uint8_t(i < 2 ? 1 : 0);
    }
    car.wheelSets[0].rollingRadius = car.wheelSets[1].rollingRadius = 0.3f;
    car.assists.word = ASSIST_TRACTION;
    car.assists.tractionDisabled = 0;
    car.assists.tractionSlip = 100;
    car.assists.tractionMinSpeed = 5;
    car.assists.tractionGain = 1.0f;
    car.effectiveRatio = 5.0f;
    car.controls.clutch = 0.0f;
    car.inputs.throttle = 65535;
  }
  // The factor for the free and driven wheels' spins (rad/s), from a throttle of 0.8.
  float Factor(float freeSpin, float drivenSpin) {
    for (int i = 0; i < 4; ++i) car.wheels[i].spinRate = i < 2 ? drivenSpin : freeSpin;
    car.controls.throttle = 0.8f;
    car.RunTractionControl();
    EXPECT_FLOAT_EQ(car.controls.keptThrottle, 0.8f);
    EXPECT_NEAR(car.controls.throttle, 0.8f * car.controls.tractionFactor, 1e-6f);
    return car.controls.tractionFactor;
  }
};

TEST_F(Traction, TheCutGrowsWithTheSlipPastItsAllowanceAndFadesNearTheLeastSpeed) {
  // The free wheels at 100 rad/s: 30 m/s.  Driven at 110: a slip of 1.1, the allowance.
  EXPECT_FLOAT_EQ(Factor(100.0f, 109.9f), 1.0f);
  // 112: slip 1.12, cut (1.12 - 1.1) / 0.05 = 0.4.
  EXPECT_NEAR(Factor(100.0f, 112.0f), 0.6f, 1e-4f);
  // 120: cut 2, held at 1.
  EXPECT_NEAR(Factor(100.0f, 120.0f), 0.0f, 1e-6f);
  // Free wheels at 20 rad/s, 6 m/s, under 1.5 x 5: the cut of 0.4 times (6 - 5) / 2.5.
  EXPECT_NEAR(Factor(20.0f, 22.4f), 1.0f - 0.4f * 0.4f, 1e-4f);
  // Below the least speed nothing is cut: 16 rad/s is 4.8 m/s.
  EXPECT_FLOAT_EQ(Factor(16.0f, 40.0f), 1.0f);
  // A gain of 0.9 reads the driven wheels slower: 112 x 0.9 / 100 is no slip.
  car.assists.tractionGain = 0.9f;
  EXPECT_FLOAT_EQ(Factor(100.0f, 112.0f), 1.0f);
}

// A free wheel past the wheel count is no reference: with three wheels the fourth's 200 rad/s
// is not looked at, and driven wheels at 112 against 100 are still cut to 0.6.
TEST_F(Traction, AFreeWheelPastTheWheelCountIsNoReference) {
  car.wheelCount = 3;
  for (int i = 0; i < 4; ++i) car.wheels[i].spinRate = i < 2 ? 112.0f : 100.0f;
  car.wheels[3].spinRate = 200.0f;
  car.controls.throttle = 0.8f;
  car.RunTractionControl();
  EXPECT_NEAR(car.controls.tractionFactor, 0.6f, 1e-4f);
}

TEST_F(Traction, ItActsOnlyWhenOnWithThrottleAGearAndTheClutchIn) {
  EXPECT_LT(Factor(100.0f, 120.0f), 1.0f);
  car.assists.tractionDisabled = 1;
  EXPECT_FLOAT_EQ(Factor(100.0f, 120.0f), 1.0f);
  car.assists.tractionDisabled = 0;
  car.assists.word = 0;
  EXPECT_FLOAT_EQ(Factor(100.0f, 120.0f), 1.0f);
  car.assists.word = ASSIST_TRACTION;
  car.effectiveRatio = 1.0f;
  EXPECT_FLOAT_EQ(Factor(100.0f, 120.0f), 1.0f) << "a ratio of 1 is not above 1";
  car.effectiveRatio = 5.0f;
  car.controls.clutch = 0.5f;
  EXPECT_FLOAT_EQ(Factor(100.0f, 120.0f), 1.0f) << "the clutch half out";
  car.controls.clutch = 0.0f;
  car.inputs.throttle = 6553;  // 0.09999 of the word
  EXPECT_FLOAT_EQ(Factor(100.0f, 120.0f), 1.0f);
  car.inputs.throttle = 65535;
  car.assists.tractionSlip = 0;
  EXPECT_FLOAT_EQ(Factor(100.0f, 120.0f), 1.0f) << "no allowance: no control";
}

}  // namespace

namespace {

// Anti-lock braking over the Traction fixture's four wheels of 0.3 m, braking.
class AntiLock : public Traction {
 protected:
  void Spins(float a, float b, float c, float d) {
    const float spins[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i) car.wheels[i].spinRate = spins[i];
  }
  int Release(int i) const { return car.wheelSteps[i].antiLockRelease; }
};

TEST_F(AntiLock, AWheelSlowerThanFourFifthsOfTheFastestIsReleasedAndThenTakesHoldAgain) {
  car.controls.brake = 1.0f;
  car.controls.antiLockReference = 0.0f;
  // The fastest at 100 rad/s: 30 m/s.  Four fifths is 24 m/s, 80 rad/s.
  Spins(100.0f, 79.0f, 81.0f, 90.0f);
  car.RunAntiLock(0.001f);
  EXPECT_FLOAT_EQ(car.controls.antiLockReference, 30.0f);
  EXPECT_EQ(Release(0), 0);
  EXPECT_EQ(Release(1), 100) << "below four fifths";
  EXPECT_EQ(Release(2), 0) << "just above four fifths";
  // Exactly four fifths is not below it: with wheels of 0.5 m, 40 m/s and 32 m/s are exact.
  car.wheelSets[0].rollingRadius = car.wheelSets[1].rollingRadius = 0.5f;
  car.wheelSteps[2].antiLockRelease = 0;
  Spins(80.0f, 79.0f, 64.0f, 64.0f);
  car.RunAntiLock(0.001f);
  EXPECT_EQ(Release(2), 0) << "exactly four fifths";
  car.wheelSets[0].rollingRadius = car.wheelSets[1].rollingRadius = 0.3f;
  // The wheel spins up again: its release falls 20 a step, to nothing.
  Spins(100.0f, 100.0f, 100.0f, 100.0f);
  for (const int expected : {60, 40, 20, 0, 0}) {
    car.RunAntiLock(0.001f);
    EXPECT_EQ(Release(1), expected);
  }
  // The reference keeps nothing of the last step: all four slow to 10 rad/s, 3 m/s.
  Spins(10.0f, 10.0f, 10.0f, 10.0f);
  car.RunAntiLock(0.001f);
  EXPECT_FLOAT_EQ(car.controls.antiLockReference, 3.0f);
}

// With three wheels the fourth slot is neither the reference, nor released, nor cleared.
TEST_F(AntiLock, ASlotPastTheWheelCountIsNeitherTheReferenceNorReleasedNorCleared) {
  car.wheelCount = 3;
  car.controls.brake = 1.0f;
  car.controls.antiLockReference = 0.0f;
  Spins(100.0f, 79.0f, 90.0f, 200.0f);  // the fourth would be 60 m/s
  car.RunAntiLock(0.001f);
  EXPECT_FLOAT_EQ(car.controls.antiLockReference, 30.0f);
  EXPECT_EQ(Release(0), 0);
  EXPECT_EQ(Release(1), 100);
  Spins(100.0f, 79.0f, 90.0f, 1.0f);  // standing all but still
  car.RunAntiLock(0.001f);
  EXPECT_EQ(Release(3), 0) << "a slow slot past the count is not released";
  car.wheelSteps[3].antiLockRelease = 55;
  car.controls.brake = 0.0f;
  car.RunAntiLock(0.001f);
  EXPECT_EQ(Release(1), 0) << "the brake off clears the car's wheels";
  EXPECT_EQ(Release(3), 55) << "and leaves the slot past them alone";
}

TEST_F(AntiLock, NothingIsReleasedAtFiveMetresASecondOrLessOrWithoutTheBrake) {
  car.controls.brake = 1.0f;
  Spins(50.0f / 3.0f, 1.0f, 1.0f, 1.0f);  // the fastest at 5 m/s
  car.RunAntiLock(0.001f);
  EXPECT_EQ(Release(1), 0) << "a reference of 5 m/s is not above 5";
  Spins(17.0f, 1.0f, 1.0f, 1.0f);  // 5.1 m/s
  car.RunAntiLock(0.001f);
  EXPECT_EQ(Release(1), 100);
  car.controls.brake = 0.0f;
  car.RunAntiLock(0.001f);
  EXPECT_EQ(Release(1), 0) << "off the brake every release is cleared";
  EXPECT_FLOAT_EQ(car.controls.antiLockReference, 0.0f);
}

}  // namespace
