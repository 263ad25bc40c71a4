// car_update_test.cpp - the car's per-step update on the sample vehicles: standing at rest on
// its wheels by the static balance, accelerating as the drive train's equation says, cornering
// on the Ackermann radius with the understeer its axle loads predict, the step's own rules,
// one hash for a scripted drive, and the halt of a car whose state is not finite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tests/physics/car_drive_util.h"
#include "tests/physics/static_balance.h"
#include "text/language.h"
#include "world/race_state.h"

namespace {

constexpr int ROAD_CAR = 0, GT_CAR = 2, VAN = 7, OPEN_WHEELER = 11, KART = 20;

class CarUpdate : public CarTest {
 protected:
  void SetUp() override { InitWheelTables(); }
  // The sample road car, shown, stood at rest on the ground.
  static void StandShownSampleCar(Car& car) {
    MakeSampleCar(ROAD_CAR, car);
    car.showCar = 1;
    StandCar(car);
  }
};

// ---- at rest ----

class CarAtRest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    SetDefaultTextColours();
    Crc32InitTable();
    InitWheelTables();
  }
};

TEST_P(CarAtRest, SettlesWithItsWeightOnItsWheelsByTheStaticBalance) {
  Car car;
  MakeSampleCar(GetParam(), car);
  car.showCar = 1;
  StandCar(car, 0.3f);
  StepCar(car, 3000);
  ASSERT_FALSE(car.frozen);
  EXPECT_LT(car.speed, 1e-3f);
  const Vec3 before = CarPosition(car);
  StepCar(car, 10000);
  const Vec3 moved = CarPosition(car) - before;
  // The rolling resistance holds the free wheels against the tyres' standing forces.
  EXPECT_LT(std::sqrt(LengthSquared(moved)), 1e-3f) << "drift in 10 s";

  // The tyres carry the whole weight, the axles by the lever rule, the springs their loads.
  ExpectStaticBalance(car);
  const double weight = car.mass * 9.81;
  double roll = 0, track = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    const Vec3 at = ContactInCarAxes(car, w) - car.centreOfMass;
    roll += w.normalForce * at.x;
    track += std::fabs(at.x) / 2;
  }
  // Across: the loads' moment about the centre of mass is none (with equal tracks, the left
  // side carries M g (t/2 - x) / t).
  EXPECT_NEAR(roll, 0.0, weight * track / 2 * 0.01);

  // Each wheel stands near upright (the struts' lean is taken back by their axles' angle) and
  // each tyre is pressed in by its load over its stiffness.
  for (int i = 0; i < car.wheelCount; ++i) {
    SCOPED_TRACE(i);
    const CarWheel& w = car.wheels[i];
    EXPECT_LT(std::fabs(w.camberSine), std::sin(3.0f * 3.14159265f / 180.0f));
    const float load = w.normalForce;
    EXPECT_NEAR(w.deflection, load / w.radialStiffness, load / w.radialStiffness * 0.02);
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, CarAtRest, ::testing::Values(ROAD_CAR, VAN, OPEN_WHEELER, KART));

TEST_F(CarUpdate, AStillCarSleepsAfterAThousandStepsButNeverTheShowCar) {
  for (int show = 0; show < 2; ++show) {
    Car car;
    MakeSampleCar(ROAD_CAR, car);
    car.showCar = uint8_t(show);
    StandCar(car);
    StepCar(car, 2500);
    int slept = -1;
    for (int i = 0; i < 1500 && slept < 0; ++i) {
      StepCar(car, 1);
      if (!car.awake) slept = i;
    }
    if (show) {
      EXPECT_EQ(slept, -1);
    } else {
      EXPECT_GE(slept, 0);
      EXPECT_EQ(car.velocity.z, 0.0f);
      const IntVector at = car.position;
      StepCar(car, 100);
      EXPECT_EQ(car.position.z, at.z) << "a sleeping car stays";
      car.inputs.throttle = 1000;
      StepCar(car, 1);
      EXPECT_EQ(car.awake, 1) << "woken by its controls";
    }
  }
}

// ---- straight line ----

// The drive train's equation of motion, integrated in double precision.
struct StraightLine {
  double mEff, ratio, radius, efficiency, drag, rolling;
  const EngineModel* engine;
  double Torque(double w) const {
    const double friction = w > 0 ? engine->resistance * w * w + 0.015 * engine->peakTorque : 0.0;
    return engine->TorqueAtRpm(float(w)) - friction;
  }
  double Speed(double v, double seconds) const {
    const double h = 1e-4;
    for (double t = 0; t < seconds - h / 2; t += h) {
      const auto a = [&](double u) {
        return (Torque(u * ratio / radius) * ratio * efficiency / radius - drag * u * u - rolling) / mEff;
      };
      const double k1 = a(v), k2 = a(v + h / 2 * k1), k3 = a(v + h / 2 * k2), k4 = a(v + h * k3);
      v += h / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
    }
    return v;
  }
};

TEST_F(CarUpdate, FullThrottleInSecondGearFollowsTheDriveTrainsEquation) {
  Car car;
  BuildSampleVehicle(ROAD_CAR, car);
  car.engine.flags &= ~ENGINE_TURBO;  // no boost: the torque is the curve's
  car.currentSetup = car.setups[0].record;
  // A long final drive keeps the engine below its limiter for the three seconds.
  SetSetupShort(car.currentSetup, SETUP_FINAL_DRIVE, 20000);
  car.driverSlot = 0;
  car.SetupFromVehicle(0);
  car.showCar = 1;
  car.SetFuelLoad(50);
  StandCar(car);
  StepCar(car, 2000);

  const int second = Car::FIRST_GEAR_SLOT + 1;
  const double ratio = car.gearRatios[second] * car.finalDrive, R = car.wheelSets[1].rollingRadius;
  ASSERT_EQ(car.driveType, DRIVE_FRONT);
  ASSERT_NEAR(car.wheelSets[0].rollingRadius, R, 1e-6);
  // The reference's figures: the static rolling resistance of every tyre, the drag at no yaw,
  // the mass with the engine's and the wheels' inertia.
  StraightLine ref{};
  ref.engine = &car.engine;
  ref.ratio = ratio;
  ref.radius = R;
  ref.efficiency = car.drivetrainEfficiency;
  double wheelInertia = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    const SuspensionBlock& set = car.wheelSets[w.wheelSet];
    double lanes = 0;
    for (int j = 0; j < TREAD_LANES; ++j) lanes += w.sectors[0].thickness[j] * w.laneDeflection[j];
    ref.rolling += set.rollingHeat * 800.0 *
                   (600.0 * set.treadContactWidth * lanes +
                    set.sectionWidth * 0.02 * 100.0 * (w.laneDeflection[0] + w.laneDeflection[2]));
    wheelInertia += w.spinInertia;
  }
  for (int i = 0; i < AERO_ITEMS; ++i) {
    const AeroItem& item = car.aeroItems[i];
    if (!(item.flags & AERO_PRESENT)) continue;
    float cl, cd = item.dragFactor;
    if (i < 2) WingCoefficients(item.angle, 0.0f, item.liftArea, item.dragArea, cl, cd);
    ref.drag += cd;
  }
  ref.mEff = car.mass + (car.engine.inertia * ratio * ratio + wheelInertia) / (R * R);

  car.velocity = MatrixTimes(car.orientation, Vec3{0.0f, 10.0f, 0.0f});
  for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].spinRate = float(10.0 / R);
  car.engine.Start();
  car.engine.speed = float(10.0 * ratio / R);
  car.engine.drivelineAngle = car.engine.crankAngle;
  car.gear = car.lastGear = second;
  car.inputs.throttle = 65535;
  car.controls.throttle = 1.0f;
  for (int second = 1; second <= 3; ++second) {
    StepCar(car, 1000);
    EXPECT_NEAR(car.speed, ref.Speed(10.0, second), ref.Speed(10.0, second) * 0.03) << second << " s";
    EXPECT_LT(car.engine.speed, car.engine.redline * 0.99f);
  }
  float spin = 0;
  for (int i = 0; i < car.wheelCount; ++i)
    if (car.wheels[i].driven) spin += car.wheels[i].spinRate * 0.5f;
  EXPECT_EQ(car.engine.slipping, 0u);
  EXPECT_NEAR(car.engine.speed, ratio * spin, ratio * spin * 0.005) << "the clutch locked";
}

// ---- cornering ----

struct Circle {
  double radius, lateral;  // m, m/s^2
};
// Holds a speed with the throttle for a while at a steering word, then measures the path's
// radius over two seconds from the yaw rate and the speed.
Circle DriveCircle(Car& car, uint16_t steering, float target) {
  car.inputs.steering = steering;
  double yaw = 0, v = 0;
  for (int i = 0; i < 10000; ++i) {
    const float e = target - car.speed;
    car.inputs.throttle = uint16_t(std::clamp(8000.0f + 20000.0f * e, 0.0f, 65535.0f));
    StepCar(car, 1);
    if (i >= 8000) {
      yaw += car.angularVelocity.z;
      v += car.speed;
    }
  }
  yaw /= 2000;
  v /= 2000;
  return {v / std::fabs(yaw), v * std::fabs(yaw)};
}

void StartDriving(Car& car) {
  car.showCar = 1;
  car.SetFuelLoad(50);
  car.assists.autoClutch = 1;
  StandCar(car);
  StepCar(car, 1000);
  car.engine.Start();
  car.engine.speed = car.engine.idleSpeed;
  StepCar(car, 300);
  car.gear = Car::FIRST_GEAR_SLOT;
}

// The rear axle's radius from the centre of mass's circle.
double RearRadius(const Car& car, const Circle& c) {
  const double rearY = car.rearmostY - car.centreOfMass.y;
  return std::sqrt(c.radius * c.radius - rearY * rearY);
}

TEST_F(CarUpdate, AtLowSpeedTheCarTurnsOnTheAckermannRadiusAndUndersteersFaster) {
  Car car;
  MakeSampleCar(OPEN_WHEELER, car);
  StartDriving(car);
  const uint16_t word = STEERING_STRAIGHT - 3000;
  const Circle slow = DriveCircle(car, word, 2.0f);
  const double expected = car.wheelBase / std::tan(car.wheelSteerAngle);
  EXPECT_NEAR(RearRadius(car, slow), expected, expected * 0.02);
  // The understeer gradient: the steer beyond L/R grows with the lateral acceleration.
  DriveCircle(car, word, 6.0f);  // gently up to speed, no wheelspin
  const Circle fast = DriveCircle(car, word, 9.0f);
  ASSERT_GT(fast.lateral, 1.0);
  const double gradient = (car.wheelSteerAngle - car.wheelBase / RearRadius(car, fast) -
                           (car.wheelSteerAngle - car.wheelBase / RearRadius(car, slow))) /
                          (fast.lateral - slow.lateral);
  EXPECT_GT(gradient, 1e-4) << "understeer";
}

// The front wheels' steer on the ground as one wheel: the axle's heading from the mean of the
// two wheels' cotangents (each turns about its leaning upright, so on the ground it turns a
// little less than its steer angle).
double GroundSteer(const Car& car) {
  double cot = 0;
  int n = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    if (w.wheelSet != 1) continue;
    const Vec3 f = MatrixTransposeTimes(car.orientation, w.forward);
    cot += f.y / -f.x;
    ++n;
  }
  return std::atan(n / cot);
}

// The slip each axle needs, by the brush model at the axle's static wheel loads, for a lateral
// force of its load x a / g shared by its wheels as their loads are.
double AxleSlip(const Car& car, int axle, double a) {
  double low = 0, high = 0.5;
  for (int k = 0; k < 60; ++k) {
    const double slip = (low + high) / 2;
    double force = 0, load = 0;
    for (int i = 0; i < car.wheelCount; ++i) {
      const CarWheel& w = car.wheels[i];
      if (w.wheelSet != axle) continue;
      const SuspensionBlock& set = car.wheelSets[axle];
      BrushForces b;
      WheelContactForce(w.patchLength / 2, w.deflection, 0.0f, float(slip), 5.0f, set.brushStiffness, 0.0f,
                        set.treadContactWidth, w.gripCoefficient, 0.75f, w.normalForce, b);
      force += std::fabs(b.lateral);
      load += w.normalForce;
    }
    (force < load * a / 9.81 ? low : high) = slip;
  }
  return low;
}

// Moves the base centre of mass along the car, the inertia about the origin with it.
void MoveCentreOfMass(Car& car, float dy) {
  MassProperties& base = car.massRecords[MASS_RECORD_BASE];
  const auto point = [](float I[9], float m, const Vec3& c) {
    I[0] += m * (c.y * c.y + c.z * c.z);
    I[4] += m * (c.x * c.x + c.z * c.z);
    I[8] += m * (c.x * c.x + c.y * c.y);
    I[1] -= m * c.x * c.y;
    I[3] -= m * c.x * c.y;
    I[2] -= m * c.x * c.z;
    I[6] -= m * c.x * c.z;
    I[5] -= m * c.y * c.z;
    I[7] -= m * c.y * c.z;
  };
  point(base.inertia, -base.mass, base.centreOfMass);
  base.centreOfMass.y += dy;
  base.centreWithoutWheels.y += dy;
  point(base.inertia, base.mass, base.centreOfMass);
}

// The steer beyond L/R at a circle's lateral acceleration.
struct SteerPoint {
  double lateral, excess;
};
SteerPoint SteerAt(Car& car, uint16_t word, float speed) {
  const Circle c = DriveCircle(car, word, speed);
  return {c.lateral, GroundSteer(car) - car.wheelBase / RearRadius(car, c)};
}

TEST_F(CarUpdate, TheRoadCarTurnsOnItsWheelsRadiusUndersteersAndOversteersWithItsWeightBehind) {
  const uint16_t word = STEERING_STRAIGHT - 8000;
  for (int weightBehind = 0; weightBehind < 2; ++weightBehind) {
    SCOPED_TRACE(weightBehind);
    Car car;
    MakeSampleCar(ROAD_CAR, car);
    // Well behind the middle of the wheel base (the axles stand at -1.3 and 1.3 m).
    if (weightBehind) MoveCentreOfMass(car, -0.6f - car.massRecords[MASS_RECORD_BASE].centreOfMass.y);
    StartDriving(car);
    const double brush = (AxleSlip(car, 1, 6.0) - AxleSlip(car, 1, 1.0)) - (AxleSlip(car, 0, 6.0) - AxleSlip(car, 0, 1.0));
    const Circle slow = DriveCircle(car, word, 2.0f);
    const double expected = car.wheelBase / std::tan(GroundSteer(car));
    EXPECT_NEAR(RearRadius(car, slow), expected, expected * 0.02);
    const SteerPoint gentle = SteerAt(car, word, 4.5f);
    DriveCircle(car, word, 8.0f);  // gently up to speed
    const SteerPoint hard = SteerAt(car, word, 11.0f);
    ASSERT_LT(gentle.lateral, 1.2);
    ASSERT_GT(hard.lateral, 4.5);
    const double gradient = (hard.excess - gentle.excess) / (hard.lateral - gentle.lateral);
    if (!weightBehind) {
      // The brush model at the static loads: the front needs more slip for each g.
      EXPECT_GT(brush, 0.0) << "understeer predicted";
      EXPECT_GT(gradient, 1e-4) << "understeer";
    } else {
      // The static brush prediction stays with understeer (the model's cornering stiffness
      // grows a little faster than the load); the car, with its weight and roll behind, turns
      // in.
      EXPECT_LT(gradient, -1e-4) << "oversteer";
    }
  }
}

TEST_F(CarUpdate, TheElectricMotorTurnsWithItsDrivelineAndPassesItsTorque) {
  constexpr int ROADSTER = 3;  // an electric motor on the rear wheels
  Car car;
  MakeSampleCar(ROADSTER, car);
  ASSERT_EQ(car.transmissionType, TRANSMISSION_ELECTRIC);
  ASSERT_GT(car.fuelCapacity, 0.0f) << "the sample carries a traction battery";
  StartDriving(car);
  car.inputs.throttle = uint16_t(0.1f * 65535);
  StepCar(car, 3000);
  float least = 1e30f, most = -1e30f;
  const float before = car.engine.speed;
  for (int n = 0; n < 100; ++n) {
    StepCar(car, 1);
    least = std::min(least, car.engine.clutchTorque);
    most = std::max(most, car.engine.clutchTorque);
  }
  ASSERT_FALSE(car.frozen);
  EXPECT_GT(car.speed, 1.0f);
  // The coupling turns the motor with the wheels; it carries its torque on a small slip.
  float spin = 0;
  for (int i = 0; i < car.wheelCount; ++i)
    if (car.wheels[i].driven) spin += car.wheels[i].spinRate * 0.5f;
  EXPECT_NEAR(car.engine.speed, car.effectiveRatio * spin, car.engine.speed * 0.05f);
  // What the motor makes, less what turns up its own speed, reaches the wheels, steadily.
  const float made = car.controls.throttle * car.engine.peakTorque;
  const float passed = made - car.engine.inertia * (car.engine.speed - before) / 0.1f;
  EXPECT_NEAR(car.engine.clutchTorque, passed, made * 0.02f);
  EXPECT_NEAR(car.driveTorque, car.engine.clutchTorque * car.effectiveRatio * car.drivetrainEfficiency, 1e-3f);
  EXPECT_LT(most - least, made * 0.02f) << "no rattle in the coupling";
  // An empty battery takes the throttle away; the smallest charge gives it back.
  car.fuelAmount = 0.0f;
  StepCar(car, 1);
  EXPECT_EQ(car.engine.throttle, 0.0f);
  car.fuelAmount = 1.0f;
  StepCar(car, 1);
  EXPECT_GT(car.engine.throttle, 0.05f);
}

// ---- two-wheelers ----

float Lean(const Car& car) { return std::asin(car.orientation[6]); }

TEST_F(CarUpdate, ATwoWheelerBalancesStandingAndLeansIntoItsTurnsRiding) {
  constexpr int SCOOTER = 4;
  // Standing: the balance holds it up; without its gain it falls over.
  for (int balanced = 0; balanced < 2; ++balanced) {
    SCOPED_TRACE(balanced);
    Car car;
    MakeSampleCar(SCOOTER, car);
    ASSERT_EQ(car.vehicleClass, CLASS_BIKE);
    ASSERT_GT(car.balanceGain, 0.0f);
    if (!balanced) car.balanceGain = 0.0f;
    car.showCar = 1;
    StandCar(car);
    car.angularMomentum = MatrixTimes(car.orientation, Vec3{0.0f, 2.0f, 0.0f});  // a push to one side
    // (The samples' two-wheelers have no body points: one that falls over meets no floor.)
    StepCar(car, balanced ? 3000 : 1000);
    ASSERT_FALSE(car.frozen);
    if (balanced) {
      EXPECT_LT(std::fabs(Lean(car)), 0.1f);
      EXPECT_LT(car.speed, 1e-2f);
    } else {
      EXPECT_GT(std::fabs(Lean(car)), 0.5f) << "fallen";
    }
  }

  // Riding: the steering word sets the lean, the wheel steers to hold it, and it turns the
  // way it leans.
  Car car;
  MakeSampleCar(SCOOTER, car);
  StartDriving(car);
  const auto ride = [&car](uint16_t steering) {
    car.inputs.steering = steering;
    for (int i = 0; i < 5000; ++i) {
      car.inputs.throttle = uint16_t(std::clamp(8000.0f + 20000.0f * (8.0f - car.speed), 0.0f, 65535.0f));
      StepCar(car, 1);
    }
  };
  ride(STEERING_STRAIGHT);
  ASSERT_GT(car.speed, 7.0f);
  EXPECT_NEAR(Lean(car), 0.0f, 0.01f);
  const float straightYaw = car.angularVelocity.z;
  ride(STEERING_STRAIGHT - 3000);  // to the left
  ASSERT_FALSE(car.frozen);
  const float target = car.LeanTarget();
  ASSERT_GT(target, 0.02f);
  EXPECT_NEAR(Lean(car), target, 0.01f);
  EXPECT_GT(car.angularVelocity.z - straightYaw, 0.02f) << "it turns left";
  const float lock = float(car.steeringLock) * 3.14159265f / 180.0f;
  EXPECT_LE(std::fabs(car.wheelSteerAngle), lock);
}

// The balance acts below 2 m/s and while the lean's sine is below 0.5 (30 degrees), strictly:
// at either edge no torque at all (the wheels in the air add none).
TEST_F(CarUpdate, ATwoWheelersBalanceStopsExactlyAtTwoMetresASecondAndThirtyDegrees) {
  constexpr int SCOOTER = 4;
  Car car;
  MakeSampleCar(SCOOTER, car);
  ASSERT_EQ(car.vehicleClass, CLASS_BIKE);
  car.showCar = 1;
  const auto balance = [&car](float speed, float sine) {
    StandCar(car);
    const float cosine = std::sqrt(1.0f - sine * sine);  // rolled about the car's y axis
    const float m[9] = {cosine, 0.0f, sine, 0.0f, 1.0f, 0.0f, -sine, 0.0f, cosine};
    for (int k = 0; k < 9; ++k) car.orientation[k] = m[k];
    car.speed = speed;
    car.angularVelocity = {};
    car.torque = {};
    car.DriveWheels(0.001f, TEST_GRAVITY);
    return std::sqrt(LengthSquared(car.torque));
  };
  EXPECT_GT(balance(std::nextafter(2.0f, 0.0f), 0.2f), 1.0f);
  EXPECT_EQ(balance(2.0f, 0.2f), 0.0f);
  EXPECT_GT(balance(1.0f, std::nextafter(0.5f, 0.0f)), 1.0f);
  EXPECT_EQ(balance(1.0f, 0.5f), 0.0f);
}

// The engine cut lasts this step's drive and its timer runs down to 0, never below.
TEST_F(CarUpdate, TheEngineCutTimerRunsDownToNothing) {
  Car car;
  StandShownSampleCar(car);
  car.fuelAmount = car.fuelCapacity > 0.0f ? car.fuelCapacity : 10.0f;
  car.engine.running = 1;
  car.timers.engineCut = 0.0015f;
  StepCar(car, 1);
  EXPECT_NEAR(car.timers.engineCut, 0.0005f, 1e-7);
  EXPECT_TRUE(car.engine.running) << "the cut lasts the step's drive only";
  StepCar(car, 1);
  EXPECT_EQ(car.timers.engineCut, 0.0f);
  EXPECT_TRUE(car.engine.running);
  // An engine without fuel stops and stays stopped.
  car.fuelAmount = 0.0f;
  StepCar(car, 1);
  EXPECT_FALSE(car.engine.running);
}

// A remote car that hears nothing counts its silent steps: 1500 are still within its patience,
// the 1501st makes it inactive with the silence kept in seconds, and from that step it drifts on
// at its last velocity, 65.536 units of 16.16 per m/s each step, rounded.  A remote car that
// never had a state counts nothing.
TEST_F(CarUpdate, ARemoteCarSilentPastFifteenHundredStepsStopsAndDriftsOnItsLastVelocity) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.remote = 1;
  car.remoteState = 0;  // a state was received once
  car.PlaceAt(0, 0, 0.0f);
  ASSERT_TRUE(car.active);
  car.stepsSinceState = 1499;
  car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  EXPECT_EQ(car.stepsSinceState, 1500u);
  EXPECT_TRUE(car.active) << "1500 silent steps";
  EXPECT_EQ(car.remoteGap, 0.0f);
  car.velocity = {1.0f, -2.0f, 0.5f};
  car.speed = std::sqrt(5.25f);
  ASSERT_EQ(car.stopState, 1);
  const IntVector before = car.position;
  car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  EXPECT_FALSE(car.active) << "1501 silent steps";
  EXPECT_EQ(car.stopState, 0) << "its stop watch still sees it move";
  EXPECT_FLOAT_EQ(car.remoteGap, 1.501f);
  // 65.536, -131.072 and 32.768 units.
  EXPECT_EQ(car.position.x - before.x, 66);
  EXPECT_EQ(car.position.y - before.y, -131);
  EXPECT_EQ(car.position.z - before.z, 33);

  car.remoteState = -1;
  const IntVector still = car.position;
  const uint32_t silent = car.stepsSinceState;
  car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  EXPECT_EQ(car.stepsSinceState, silent) << "no state ever: nothing counted";
  EXPECT_EQ(car.position.x, still.x);
}

// A replayed remote car holds its words for the steps it is told to, then moves each of
// steering, throttle and brake by its delta every step, held to 0..65535.
TEST_F(CarUpdate, AReplayedRemoteCarHoldsThenMovesItsWordsWithinTheirRange) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.remote = 1;
  car.remoteState = 0;
  car.PlaceAt(0, 0, 0.0f);
  ASSERT_TRUE(car.active);
  RaceConnection.replayPlaying = 1;
  car.inputs.steering = 30000;
  car.inputs.throttle = 100;
  car.inputs.brake = 65500;
  car.inputs.replayDeltas[0] = 500;
  car.inputs.replayDeltas[1] = -300;
  car.inputs.replayDeltas[2] = 100;
  car.inputs.replayHold = 1;
  car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  EXPECT_EQ(car.inputs.replayHold, 0);
  EXPECT_EQ(car.inputs.steering, 30000) << "held for one step";
  EXPECT_EQ(car.inputs.throttle, 100);
  EXPECT_EQ(car.inputs.brake, 65500);
  car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  EXPECT_EQ(car.inputs.steering, 30500);
  EXPECT_EQ(car.inputs.throttle, 0) << "100 - 300 held at 0";
  EXPECT_EQ(car.inputs.brake, 65535) << "65500 + 100 held at 65535";
  EXPECT_EQ(car.inputs.replayHold, 0);
  car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  EXPECT_EQ(car.inputs.steering, 31000);
  RaceConnection.replayPlaying = 0;
  car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  EXPECT_EQ(car.inputs.steering, 31000) << "no replay, no deltas";
}

// The step's bookkeeping: a gear change counts in a running race unless it is into neutral;
// a stopped car whose control sum moved by more than 511 starts its stop timing again; the
// engine cut stops the engine for one step's drive only; a load above the tank is cut to it.
TEST_F(CarUpdate, GearChangesControlSumMovesTheEngineCutAndTheTankInOneStep) {
  Car car;
  StandShownSampleCar(car);
  car.watch.warmUp = 0;  // the stop watch only counts its warm-up in these steps
  car.raceRunning = 1;
  car.gear = car.lastGear = 1;
  car.gearChanges = 0;
  const auto step = [&car] { car.Update(CAR_STEP_SECONDS, TEST_GRAVITY); };
  car.gear = 3;
  step();
  EXPECT_EQ(car.gearChanges, 1u);
  EXPECT_EQ(car.lastGear, 3);
  car.gear = 1;
  step();
  EXPECT_EQ(car.gearChanges, 1u) << "into neutral";
  EXPECT_EQ(car.lastGear, 1);
  car.raceRunning = 0;
  car.gear = 2;
  step();
  EXPECT_EQ(car.gearChanges, 1u) << "no race running";
  EXPECT_EQ(car.lastGear, 2);
  car.gear = 1;
  step();

  car.inputs.throttle = 3000;
  const int32_t sum = car.ControlSum();
  for (const auto& [last, kept] : {std::pair{sum - 511, true}, {sum + 511, true}, {sum - 512, false}, {sum + 512, false}}) {
    car.stopState = 1;
    car.stoppedTiming = 55;
    car.lastControlSum = last;
    step();
    EXPECT_EQ(car.stoppedTiming, kept ? 55u : 0u) << last - sum;
    EXPECT_EQ(car.lastControlSum, sum);
  }
  car.stopState = 0;
  car.stoppedTiming = 55;
  car.lastControlSum = sum - 5000;
  step();
  EXPECT_EQ(car.stoppedTiming, 55u) << "a moving car has no stop timing to restart";

  // The tank: a load above its capacity is cut to it; a running engine empties it to 0, no
  // further.
  car.inputs.throttle = 0;
  ASSERT_GT(car.fuelCapacity, 0.0f);
  car.fuelAmount = car.fuelCapacity + 5.0f;
  step();
  EXPECT_EQ(car.fuelAmount, car.fuelCapacity);
  car.fuelAmount = 1e-9f;
  car.engine.running = 1;
  car.engine.speed = 400.0f;
  car.inputs.throttle = 65535;
  car.controls.throttle = 1.0f;
  step();
  EXPECT_EQ(car.fuelAmount, 0.0f);
  car.inputs.throttle = 0;
}

// The wheel-speed figures: the mean |spin x radius| of the wheels in contact (the car's speed
// when none touches; with the last-driven-wheel option the last driven wheel rolling forwards),
// the odometer growing by it x dt x 65536, the smoothed speed taking 0.05 of it a step, and the
// tacho figure: (engine speed - idle) x 5 / range + 2 above the idle speed, else speed x 2 / idle.
TEST_F(CarUpdate, TheWheelSpeedOdometerAndTachoFigures) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  StandCar(car);
  ASSERT_EQ(car.wheelCount, 4);
  const auto R = [&car](int i) { return double(car.wheelSets[car.wheels[i].wheelSet & 1].rollingRadius); };
  const float spins[4] = {20.0f, -30.0f, 0.0f, 70.0f};  // the third driven but standing
  const uint8_t touching[4] = {1, 1, 0, 1}, driven[4] = {1, 1, 1, 0};
  for (int i = 0; i < 4; ++i) {
    car.wheels[i].spinRate = spins[i];
    car.wheels[i].groundContact = touching[i];
    car.wheels[i].driven = driven[i];
  }
  car.speed = 3.0f;
  car.engine.idleSpeed = 100.0f;
  car.engine.redline = 700.0f;
  car.engine.speed = 400.0f;
  const auto figures = [&car](double wheelSpeed, const char* what) {
    car.wheelOdometer = 1000;
    car.smoothedWheelSpeed = 10.0f;
    car.DrivingFigures(0.001f);
    EXPECT_NEAR(car.smoothedWheelSpeed, 10.0 * 0.95 + wheelSpeed * 0.05, 1e-4) << what;
    EXPECT_NEAR(car.wheelOdometer, 1000 + wheelSpeed * 0.001 * 65536, 1.0) << what;
  };
  figures((20 * R(0) + 30 * R(1) + 70 * R(3)) / 3, "three wheels in contact");
  EXPECT_NEAR(car.tacho, 300.0f * 5.0f / 600.0f + 2.0f, 1e-5);
  car.wheelCount = 3;
  figures((20 * R(0) + 30 * R(1)) / 2, "three wheels: the touching fourth slot is past the count");
  car.wheelCount = 4;
  car.options |= OPT1_LAST_DRIVEN_WHEEL_SPEED;
  figures(20 * R(0), "the last driven wheel rolling forwards");
  car.options &= ~OPT1_LAST_DRIVEN_WHEEL_SPEED;
  for (CarWheel& w : car.wheels) w.groundContact = 0;
  figures(3.0, "none in contact: the car's speed");
  // Below the idle speed, and above it with no range to the rev limit.
  car.engine.speed = 50.0f;
  car.DrivingFigures(0.001f);
  EXPECT_NEAR(car.tacho, 1.0f, 1e-6);
  car.engine.redline = 100.0f;
  car.engine.speed = 150.0f;
  car.DrivingFigures(0.001f);
  EXPECT_NEAR(car.tacho, 3.0f, 1e-6);
}

// Two cyclic counters: 0..999 while the signal flag is set, 0..299 while the flash flag and
// the flasher option are both set.
TEST_F(CarUpdate, TheSignalAndFlashCountersCycle) {
  Car car;
  StandShownSampleCar(car);
  car.signalFlag = 1;
  car.signalCounter = 998;
  car.flashFlag = 1;
  car.options2 |= OPT2_FLASHER;
  car.flashCounter = 298;
  StepCar(car, 1);
  EXPECT_EQ(car.signalCounter, 999);
  EXPECT_EQ(car.flashCounter, 299);
  StepCar(car, 1);
  EXPECT_EQ(car.signalCounter, 0);
  EXPECT_EQ(car.flashCounter, 0);
  car.options2 &= ~OPT2_FLASHER;
  car.signalFlag = 0;
  StepCar(car, 1);
  EXPECT_EQ(car.signalCounter, 0);
  EXPECT_EQ(car.flashCounter, 0);
}

// A two-wheeler's lean target: the steering's share of 60 degrees over the lock, or the lean
// that balances the turn (atan(v^2 / radius / 9.81), radius = wheel base / tan(steer)),
// whichever is smaller; none for a straight steer (below 1e-5 rad) or a car without a lock.
TEST_F(CarUpdate, TheLeanTargetIsTheSmallerOfTheSteeringShareAndTheTurnsLean) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.wheelBase = 2.5f;
  car.steeringLock = 30;
  const auto target = [&car](float steer, float speed) {
    car.controls.steerAngle = steer;
    car.speed = speed;
    return car.LeanTarget();
  };
  // 0.1 rad of a 30 degree lock is 0.2 of 60 degrees; at 10 m/s the turn's lean is
  // atan(100 x tan 0.1 / 2.5 / 9.81) = 0.3883, at 3 m/s 0.03680.
  EXPECT_NEAR(target(0.1f, 10.0f), 0.2f, 1e-5f);
  EXPECT_NEAR(target(0.1f, 3.0f), 0.036803f, 1e-5f);
  EXPECT_NEAR(target(-0.1f, 3.0f), -0.036803f, 1e-5f);
  // Exactly 1e-5 rad already steers: its share, 2e-5, is below the lean of 4.08e-5.
  EXPECT_NEAR(target(1e-5f, 10.0f), 2e-5f, 1e-7f);
  EXPECT_EQ(target(std::nextafter(1e-5f, 0.0f), 10.0f), 0.0f);
  car.steeringLock = 0;
  EXPECT_EQ(target(0.1f, 10.0f), 0.0f) << "no lock, no lean";
  // A wheel base below 1 cm turns as 1 cm: at 0.1 m/s on the full lock of 255 degrees (share
  // 0.0235) the lean is atan(0.01 x tan 0.1 / 0.01 / 9.81) = 0.010228.
  car.steeringLock = 255;
  car.wheelBase = 0.005f;
  EXPECT_NEAR(target(0.1f, 0.1f), 0.010228f, 1e-5f);
}

// The steering geometry: the wheels steer as the controls ask (a two-wheeler at 2 m/s too);
// the turning radius is the wheel base over tan |angle|; the turn side is 1 left of 1e-5 rad,
// 2 right of -1e-5 rad, else 0, strictly.
TEST_F(CarUpdate, TheSteeringGeometrysRadiusAndTurnSide) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  ASSERT_GT(car.wheelBase, 1.0f);
  const auto steer = [&car](float angle) {
    car.controls.steerAngle = angle;
    car.SteeringGeometry();
    EXPECT_EQ(car.wheelSteerAngle, angle);
    return car.turnSide;
  };
  EXPECT_EQ(steer(0.2f), 1);
  EXPECT_NEAR(car.turningRadius, car.wheelBase / std::tan(0.2), 1e-4);
  EXPECT_EQ(steer(-0.2f), 2);
  EXPECT_NEAR(car.turningRadius, car.wheelBase / std::tan(0.2), 1e-4);
  EXPECT_EQ(steer(1e-5f), 0);
  EXPECT_EQ(steer(std::nextafter(1e-5f, 1.0f)), 1);
  EXPECT_EQ(steer(-1e-5f), 0);
  EXPECT_EQ(steer(std::nextafter(-1e-5f, -1.0f)), 2);
  // A two-wheeler steers to its lean only above 2 m/s.
  constexpr int SCOOTER = 4;
  Car bike;
  MakeSampleCar(SCOOTER, bike);
  bike.speed = 2.0f;
  bike.controls.steerAngle = 0.1f;
  bike.SteeringGeometry();
  EXPECT_EQ(bike.wheelSteerAngle, 0.1f);
  bike.speed = 2.5f;
  bike.SteeringGeometry();
  EXPECT_NE(bike.wheelSteerAngle, 0.1f);
}

// The electric motor's coupling gain takes up half a speed difference in one step:
// 0.5 / (dt (1 / I + r^2 e / D)) with the motor's inertia I, the effective ratio r, the
// drivetrain's efficiency e and the driven wheels' inertia D; none without an inertia or a step.
TEST_F(CarUpdate, TheMotorCouplingGainTakesUpHalfTheDifference) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.engine.inertia = 0.2f;
  car.effectiveRatio = 8.0f;
  car.drivetrainEfficiency = 0.9f;
  double driven = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    car.wheels[i].driven = uint8_t(i < 2);
    car.wheels[i].spinInertia = 1.0f + float(i);
    if (i < 2) driven += 1.0 + i;
  }
  const double give = 1 / 0.2 + 8.0 * 8.0 * double(0.9f) / driven;
  EXPECT_NEAR(car.MotorCouplingGain(0.001f), 0.5 / (0.001 * give), 1e-2);
  // A driven slot past the car's wheel count does not count.
  car.wheelCount = 3;
  car.wheels[3].driven = 1;
  car.wheels[3].spinInertia = 50.0f;
  EXPECT_NEAR(car.MotorCouplingGain(0.001f), 0.5 / (0.001 * give), 1e-2) << "three wheels";
  car.wheelCount = 4;
  for (CarWheel& w : car.wheels) w.driven = 0;
  EXPECT_NEAR(car.MotorCouplingGain(0.001f), 0.5 / (0.001 * 5.0), 1e-2) << "no driven wheel";
  EXPECT_EQ(car.MotorCouplingGain(0.0f), 0.0f);
  car.engine.inertia = 0.0f;
  EXPECT_EQ(car.MotorCouplingGain(0.001f), 0.0f);
}

// A rest step needs the speed below 0.05 m/s and the engine's below 2 pi rad/s, strictly:
// at either limit the count starts again.
TEST_F(CarUpdate, ARestStepOnlyBelowTheExactSpeedLimits) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  StandCar(car);
  const auto count = [&car](float speed, float engineSpeed) {
    car.restCount = 5;
    car.awake = 1;
    car.speed = speed;
    car.engine.running = 0;
    car.engine.speed = engineSpeed;
    car.filteredAcceleration = {};
    car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
    return car.restCount;
  };
  EXPECT_EQ(count(std::nextafter(0.05f, 0.0f), 0.0f), 6);
  EXPECT_EQ(count(0.05f, 0.0f), 0);
  EXPECT_EQ(count(0.0f, std::nextafter(6.2831855f, 0.0f)), 6);
  EXPECT_EQ(count(0.0f, 6.2831855f), 0);
  EXPECT_EQ(count(0.0f, -6.2831855f), 0);
}

// ---- the step's rules ----

TEST_F(CarUpdate, TheStepsEdgeRules) {
  // The steering word at the middle steers nothing, and the turn side is none.
  EXPECT_EQ(SteerAngleOfWord(STEERING_STRAIGHT, 30), 0.0f);
  EXPECT_GT(SteerAngleOfWord(0, 30), 0.5f) << "word 0 turns left";
  Car car;
  StandShownSampleCar(car);
  car.inputs.steering = STEERING_STRAIGHT;
  StepCar(car, 2);
  EXPECT_EQ(car.controls.steerAngle, 0.0f);
  EXPECT_EQ(car.turnSide, 0);
  car.inputs.steering = 20000;
  StepCar(car, 1);
  EXPECT_EQ(car.turnSide, 1);

  // The clutch of the fixed-curve kind: engaged from 2600 rpm, free up to 2000.
  const double rpm = 3.14159265358979 / 30;
  EXPECT_EQ(CentrifugalClutch(float(2000 * rpm)), 1.0f);
  EXPECT_NEAR(CentrifugalClutch(float(2300 * rpm)), 0.5f, 1e-4);
  EXPECT_EQ(CentrifugalClutch(float(2600 * rpm) + 0.001f), 0.0f);
  EXPECT_EQ(CentrifugalClutch(5000.0f), 0.0f);

  // An 80 km/h pit limit starts cutting at 19.44 m/s and leaves nothing at 22.22 m/s.
  EXPECT_EQ(PitLimitScale(19.44f, 80), 1.0f);
  EXPECT_LT(PitLimitScale(19.5f, 80), 1.0f);
  EXPECT_NEAR(PitLimitScale(20.833f, 80), 0.5f, 1e-3);
  EXPECT_EQ(PitLimitScale(22.23f, 80), 0.0f);
  EXPECT_EQ(PitLimitScale(50.0f, 0), 1.0f) << "no limit";

  // A horizontal impact acceleration of exactly 60 m/s^2 raises no event.
  float level[9];
  SetIdentity3x3(level);
  EXPECT_EQ(IsImpactAcceleration({600.0f, 0.0f, 0.0f}, level, 10.0f), 0);
  EXPECT_EQ(IsImpactAcceleration({360.0f, 480.0f, 0.0f}, level, 10.0f), 0);
  EXPECT_EQ(IsImpactAcceleration({601.0f, 0.0f, 0.0f}, level, 10.0f), 1);
  EXPECT_EQ(IsImpactAcceleration({0.0f, 0.0f, 5000.0f}, level, 10.0f), 0) << "vertical";
}

TEST_F(CarUpdate, TheAerodynamicItemsForces) {
  Car car;
  MakeSampleCar(GT_CAR, car);
  ASSERT_TRUE(car.aeroItems[AERO_REAR_WING].flags & AERO_PRESENT);
  car.showCar = 1;
  StandCar(car);
  // Air slower than about 0.0316 m/s pushes nothing.
  car.velocity = MatrixTimes(car.orientation, Vec3{0.0f, 0.03f, 0.0f});
  StepCar(car, 1);
  for (const AeroItem& item : car.aeroItems) EXPECT_EQ(LengthSquared(item.lift) + LengthSquared(item.drag), 0.0f);
  // Straight ahead at 40 m/s: a wing's lift and drag are its formula's.
  car.velocity = MatrixTimes(car.orientation, Vec3{0.0f, 40.0f, 0.0f});
  car.angularMomentum = {};
  Vec3 f = {}, t = {};
  car.SumAerodynamics(f, t);
  const AeroItem& wing = car.aeroItems[AERO_REAR_WING];
  float cl, cd;
  WingCoefficients(wing.angle, 0.0f, wing.liftArea, wing.dragArea, cl, cd);
  const Vec3 z = {car.orientation[2], car.orientation[5], car.orientation[8]};
  const Vec3 y = {car.orientation[1], car.orientation[4], car.orientation[7]};
  EXPECT_NEAR(Dot(wing.lift, z) + wing.downforce * 0.0f, cl * 1600.0f, std::fabs(cl) * 1600.0f * 1e-4);
  EXPECT_NEAR(Dot(wing.drag, y), -cd * 1600.0f, cd * 1600.0f * 1e-4);
  EXPECT_LT(Dot(wing.lift, z), 0.0f) << "the wing presses the car down";
}

// A wing riding on the wheels hands its downforce to them along the car's up axis, so a car
// turned a quarter round on the flat gets the same wheel forces turned a quarter round.
TEST_F(CarUpdate, AnUnsprungWingsDownforceTurnsWithTheCar) {
  Car straight, turned;
  Car* cars[2] = {&straight, &turned};
  const float headings[2] = {0.0f, 3.14159265f / 2};
  for (int k = 0; k < 2; ++k) {
    Car& car = *cars[k];
    MakeSampleCar(GT_CAR, car);
    car.options |= OPT1_UNSPRUNG_WINGS;
    car.SetupFromVehicle(0);
    ASSERT_TRUE(car.aeroItems[AERO_REAR_WING].flags & AERO_REAR_UNSPRUNG);
    car.showCar = 1;
    StandCar(car, headings[k]);
    car.velocity = MatrixTimes(car.orientation, Vec3{0.0f, 40.0f, 0.0f});
    StepCar(car, 1);
  }
  // The wing does press down (else the comparison below says nothing).
  ASSERT_LT(straight.aeroItems[AERO_REAR_WING].downforce, -50.0f);
  int rear = 0;
  for (int i = 0; i < straight.wheelCount; ++i) {
    if (straight.wheels[i].wheelSet & 1) continue;
    SCOPED_TRACE(i);
    ++rear;
    // Heading a quarter round, the car's x axis lies along the world's y and its y along -x:
    // a force (fx, fy, fz) on the straight car is (-fy, fx, fz) on the turned one.
    const Vec3 a = straight.wheels[i].wheelForce, b = turned.wheels[i].wheelForce;
    EXPECT_NEAR(b.x, -a.y, 1.0f);
    EXPECT_NEAR(b.y, a.x, 1.0f);
    EXPECT_NEAR(b.z, a.z, 1.0f);
  }
  EXPECT_EQ(rear, 2);
}

TEST_F(CarUpdate, DifferentialsShareTheirTorque) {
  float a, b;
  AxleDifferential open;
  SplitAxleTorque(open, 400.0f, 50.0f, 10.0f, 1.0f, 0.001f, a, b);
  EXPECT_EQ(a, 200.0f);
  EXPECT_EQ(b, 200.0f);
  AxleDifferential viscous;
  viscous.kind = DIFF_VISCOUS;
  viscous.viscous = 2;
  SplitAxleTorque(viscous, 400.0f, 50.0f, 10.0f, 1.0f, 0.001f, a, b);
  EXPECT_EQ(a, 200.0f - 80.0f) << "the faster wheel gives";
  EXPECT_EQ(b, 200.0f + 80.0f);
  AxleDifferential lsd;
  lsd.kind = DIFF_LIMITED_SLIP;
  lsd.powerLocking = 50;
  lsd.coastLocking = 10;
  SplitAxleTorque(lsd, 400.0f, 50.0f, 10.0f, 1.0f, 0.001f, a, b);
  EXPECT_EQ(a, 100.0f);
  EXPECT_EQ(b, 300.0f);
  SplitAxleTorque(lsd, -400.0f, 10.0f, 50.0f, 1.0f, 0.001f, a, b);
  EXPECT_EQ(a, -200.0f + 20.0f) << "coasting: the coast locking toward the slower";
  lsd.preload = 4;
  SplitAxleTorque(lsd, 400.0f, 50.0f, 10.0f, 1.0f, 0.001f, a, b);
  EXPECT_EQ(a, 200.0f - 120.0f) << "the preload adds 5 N m a step";
  // Never more than brings the spins together in one step.
  SplitAxleTorque(lsd, 400.0f, 10.05f, 10.0f, 1.0f, 0.001f, a, b);
  EXPECT_NEAR(a, 200.0f - 25.0f, 1e-2);
  SplitAxleTorque(lsd, 400.0f, 10.0f, 10.0f, 1.0f, 0.001f, a, b);
  EXPECT_EQ(a, 200.0f);
}

// A stiff viscous coupling moves no more than would bring the two spins together in one
// step: 0.5 rad/s apart, half of it times a spin inertia of 0.1 over a step of 1 ms is 25 N m,
// where 200 N m per rad/s would move 100 N m; either way round.
TEST_F(CarUpdate, AStiffViscousCouplingMovesNoMoreThanEvensTheSpins) {
  float a, b;
  AxleDifferential viscous;
  viscous.kind = DIFF_VISCOUS;
  viscous.viscous = 200;
  SplitAxleTorque(viscous, 400.0f, 10.5f, 10.0f, 0.1f, 0.001f, a, b);
  EXPECT_NEAR(a, 200.0f - 25.0f, 1e-3f) << "the faster first wheel gives 25 N m, not 100";
  EXPECT_NEAR(b, 200.0f + 25.0f, 1e-3f);
  SplitAxleTorque(viscous, 400.0f, 10.0f, 10.5f, 0.1f, 0.001f, a, b);
  EXPECT_NEAR(a, 200.0f + 25.0f, 1e-3f) << "the faster second wheel gives";
  EXPECT_NEAR(b, 200.0f - 25.0f, 1e-3f);
}

// An axle with no differential gives its whole torque to one wheel: of its driven wheels the
// one with the lower grip, the later on a tie; a wheel past the wheel count is none of them.
TEST_F(CarUpdate, AnAxleWithNoDifferentialDrivesItsWheelOfLeastGrip) {
  Car car;
  StandShownSampleCar(car);
  ASSERT_EQ(car.wheelCount, 4);
  SuspensionBlock& rear = car.wheelSets[0];
  rear.paired = 0;
  rear.lockedDifferential = 0;
  car.driveType = DRIVE_REAR;
  ASSERT_NE(car.transmissionType, TRANSMISSION_NONE);
  car.gear = 2;
  // Wheels 0 and 1 on the rear set, driven; 2 and 3 on the front set, free.
  for (int i = 0; i < 4; ++i) {
    car.wheels[i].wheelSet = uint8_t(i < 2 ? 0 : 1);
    car.wheels[i].driven = uint8_t(i < 2 ? 1 : 0);
  }
  const auto drive = [&car](float grip0, float grip1) {
    car.driveTorque = 100.0f;
    car.wheels[0].frictionLimit = grip0;
    car.wheels[1].frictionLimit = grip1;
    car.DriveWheels(0.001f, TEST_GRAVITY);
    return std::pair{car.wheelSteps[0].driveTorque, car.wheelSteps[1].driveTorque};
  };
  EXPECT_EQ(drive(2000.0f, 3000.0f), (std::pair{100.0f, 0.0f})) << "the first has less grip";
  EXPECT_EQ(drive(3000.0f, 2000.0f), (std::pair{0.0f, 100.0f})) << "the second has less grip";
  EXPECT_EQ(drive(2000.0f, 2000.0f), (std::pair{0.0f, 100.0f})) << "a tie: the later";
  // Three wheels counted: a fourth on the rear set, driven and with the least grip, is not.
  car.wheelCount = 3;
  car.wheels[1].wheelSet = 1;
  car.wheels[1].driven = 0;
  car.wheels[3].wheelSet = 0;
  car.wheels[3].driven = 1;
  car.wheels[3].frictionLimit = 10.0f;
  car.wheelSteps[3].driveTorque = 0.0f;
  EXPECT_EQ(drive(2000.0f, 3000.0f).first, 100.0f) << "the only driven wheel counted";
  EXPECT_EQ(car.wheelSteps[3].driveTorque, 0.0f);
  car.wheelCount = 4;
}

// A locked differential turns its two wheels as one (their mean spin, the first wheel
// included); a pair or a lock naming a wheel past the car's wheel count is no pair: no
// anti-roll force, no shared spin.
TEST_F(CarUpdate, ALockedPairTurnsAsOneAndAPairPastTheWheelCountIsNone) {
  Car car;
  StandShownSampleCar(car);
  SuspensionBlock& rear = car.wheelSets[0];
  rear.paired = 0;
  rear.lockedDifferential = 1;
  rear.leftWheel = 1;
  rear.rightWheel = 2;
  car.wheels[0].spinRate = 10.0f;
  car.wheels[1].spinRate = 30.0f;
  car.DriveWheels(0.001f, TEST_GRAVITY);
  EXPECT_EQ(car.wheels[0].spinRate, car.wheels[1].spinRate);
  EXPECT_NEAR(car.wheels[0].spinRate, 20.0f, 0.5f);
  // Their shared angle exactly at sixteen turns either way is kept, not wrapped.
  for (float angle : {100.53097f, -100.53097f}) {
    for (int i = 0; i < 2; ++i) {
      car.wheels[i].spinRate = 0.0f;
      car.wheels[i].rotationAngle = angle;
    }
    car.DriveWheels(0.001f, TEST_GRAVITY);
    EXPECT_EQ(car.wheels[0].rotationAngle, angle);
    EXPECT_EQ(car.wheels[1].rotationAngle, angle);
  }

  // Three wheels counted; the rear set names the fourth, either way round.
  for (int fourthFirst : {0, 1}) {
    StandCar(car);
    car.wheelCount = 3;
    rear.paired = 1;
    rear.leftWheel = fourthFirst ? 4 : 3;
    rear.rightWheel = fourthFirst ? 3 : 4;
    car.liveAntiRoll[0] = 1000.0f;
    car.wheels[2].travel = 0.0f;
    car.wheels[3].travel = 0.05f;
    car.wheels[2].spinRate = 10.0f;
    car.wheels[3].spinRate = 30.0f;
    car.wheelSteps[2].antiRollForce = car.wheelSteps[3].antiRollForce = 0.0f;
    car.DriveWheels(0.001f, TEST_GRAVITY);
    EXPECT_EQ(car.wheelSteps[2].antiRollForce, 0.0f) << fourthFirst;
    EXPECT_EQ(car.wheelSteps[3].antiRollForce, 0.0f) << fourthFirst;
    EXPECT_EQ(car.wheels[3].spinRate, 30.0f) << fourthFirst;
    EXPECT_NEAR(car.wheels[2].spinRate, 10.0f, 0.5f) << fourthFirst;
  }
  car.wheelCount = 4;
}

// The driveline turns with the driven wheels' mean spin, each axle weighted by its torque
// factor when all four drive; with no driven wheel it stands (0, not a division by nothing),
// and its angle moves by spin x ratio x dt.
TEST_F(CarUpdate, TheDrivelineFollowsTheDrivenWheelsAndStandsWithoutAny) {
  Car car;
  StandShownSampleCar(car);
  ASSERT_EQ(car.wheelCount, 4);
  const float spins[4] = {10.0f, 20.0f, 40.0f, 80.0f};
  const auto spinUp = [&car, &spins] {
    for (int i = 0; i < 4; ++i) car.wheels[i].spinRate = spins[i];
  };
  for (int i = 0; i < 4; ++i) car.wheels[i].driven = 0;
  car.engineLoadSpin = 7.0f;
  car.effectiveRatio = 3.0f;
  car.engine.drivelineAngle = 1.0f;
  spinUp();
  car.DriveWheels(0.001f, TEST_GRAVITY);
  EXPECT_EQ(car.engineLoadSpin, 0.0f) << "no driven wheel";
  EXPECT_EQ(car.engine.drivelineAngle, 1.0f);

  car.driveType = DRIVE_FOUR;
  car.torqueFactors[0] = 0.5f;
  car.torqueFactors[1] = 1.5f;
  for (int i = 0; i < 4; ++i) car.wheels[i].driven = 1;
  spinUp();
  car.DriveWheels(0.001f, TEST_GRAVITY);
  double spin = 0, weight = 0;
  for (int i = 0; i < 4; ++i) {
    const double share = car.wheels[i].wheelSet & 1 ? 1.5 : 0.5;
    spin += share * car.wheels[i].spinRate;
    weight += share;
  }
  EXPECT_NEAR(car.engineLoadSpin, spin / weight, 1e-4);
  EXPECT_NEAR(car.engine.drivelineAngle, 1.0 + spin / weight * 3.0 * 0.001, 1e-5);
}

TEST_F(CarUpdate, AntiLockReleasesOnlyTheWheelsThatLag) {
  Car car;
  StandShownSampleCar(car);
  car.controls.brake = 1.0f;
  for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].spinRate = 20.0f;
  car.RunAntiLock(0.001f);
  for (int i = 0; i < car.wheelCount; ++i) EXPECT_EQ(car.wheelSteps[i].antiLockRelease, 0) << "all at the reference";
  car.wheels[1].spinRate = 10.0f;
  car.RunAntiLock(0.001f);
  EXPECT_EQ(car.wheelSteps[1].antiLockRelease, 100);
  EXPECT_EQ(car.wheelSteps[0].antiLockRelease, 0);
  car.wheels[1].spinRate = 20.0f;
  car.RunAntiLock(0.001f);
  EXPECT_EQ(car.wheelSteps[1].antiLockRelease, 80);
}

// The step works the traction cut out afresh: a cut marked by the step before (2) is gone
// after a step without the assist, and with the cut kept for one step's torque only, the
// throttle given back is this step's, not one kept from before.
TEST_F(CarUpdate, EachStepWorksTheTractionCutOutAfresh) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  StandCar(car);
  car.assists.word = 0;
  car.inputs.throttle = 0;
  car.controls.throttle = 0.0f;
  car.controls.tractionFactor = 2.0f;
  car.controls.keptThrottle = 0.3f;
  StepCar(car, 1);
  EXPECT_EQ(car.controls.tractionFactor, 1.0f);
  EXPECT_EQ(car.controls.keptThrottle, 0.0f) << "no throttle this step";
  car.assists.word = ASSIST_KEEP_CUT;
  car.controls.keptThrottle = 0.3f;
  StepCar(car, 1);
  EXPECT_EQ(car.controls.throttle, 0.0f) << "not the 0.3 kept from before";
  EXPECT_EQ(car.controls.tractionFactor, 1.0f);
}

TEST_F(CarUpdate, TheNoHandbrakeMessageIsShownOncePerPress) {
  CarRace race;
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.options2 &= ~OPT2_HANDBRAKE;
  car.showCar = 1;
  StandCar(car);
  race.players.push_back({&car, PLAYER_LOCAL_HUMAN});
  car.velocity = {0.0f, 5.0f, 0.0f};
  car.inputs.handbrake = 65535;
  StepCar(car, 50);
  EXPECT_EQ(std::count(race.lines.begin(), race.lines.end(), std::string(LanguageTexts[TX_3h_nohandbr])), 1);
  EXPECT_EQ(car.controls.handbrake, 0.0f);
  car.inputs.handbrake = 0;
  StepCar(car, 5);
  car.inputs.handbrake = 65535;
  StepCar(car, 5);
  EXPECT_EQ(std::count(race.lines.begin(), race.lines.end(), std::string(LanguageTexts[TX_3h_nohandbr])), 2);
}

// ---- determinism ----

// FNV-1a over the car's whole state, field by field.
struct Fnv {
  uint64_t h = 0xcbf29ce484222325ull;
  void Bytes(const void* p, size_t n) {
    for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<const uint8_t*>(p)[i]) * 0x100000001b3ull;
  }
  void F(float v) { Bytes(&v, 4); }
  void V(const Vec3& v) { F(v.x), F(v.y), F(v.z); }
  void I(int32_t v) { Bytes(&v, 4); }
};
uint64_t StateHash(const Car& car) {
  Fnv f;
  f.I(car.position.x), f.I(car.position.y), f.I(car.position.z);
  f.V(car.offset);
  for (float v : car.orientation) f.F(v);
  f.V(car.velocity), f.V(car.angularMomentum), f.V(car.angularVelocity);
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    f.F(w.travel), f.F(w.travelVelocity), f.F(w.spinRate), f.F(w.rotationAngle), f.F(w.steerAngle);
    f.F(w.deflection), f.F(w.normalForce), f.F(w.deformLongitudinal), f.F(w.deformLateral), f.F(w.twist);
    f.V(w.wheelForce), f.V(w.contactPoint), f.F(w.airHeat), f.F(w.pressure);
    for (const TreadSector& s : w.sectors)
      for (int j = 0; j < TREAD_LANES; ++j) f.F(s.bodyHeat[j]), f.F(s.contactHeat[j]), f.F(s.thickness[j]);
  }
  f.F(car.engine.speed), f.F(car.engine.crankAngle), f.F(car.engine.drivelineAngle), f.F(car.engine.clutchTorque);
  f.F(car.engine.health), f.F(car.engine.clutchHeat), f.F(car.fuelAmount);
  return f.h;
}

void ScriptedDrive(Car& car) {
  StartDriving(car);
  for (int i = 0; i < 10000; ++i) {
    const int t = i / 1000;
    car.inputs.throttle = t < 6 ? 50000 : 0;
    car.inputs.brake = t >= 7 ? 40000 : 0;
    car.inputs.steering = uint16_t(STEERING_STRAIGHT + (t == 3 || t == 4 ? -5000 : (t == 5 ? 3000 : 0)));
    if (i == 2500) car.gear = Car::FIRST_GEAR_SLOT + 1;
    if (i == 4500) car.gear = Car::FIRST_GEAR_SLOT + 2;
    if (i == 8000) car.gear = 1;
    StepCar(car, 1);
  }
}

TEST_F(CarUpdate, AScriptedDriveGivesOneHash) {
  Car a, b;
  MakeSampleCar(ROAD_CAR, a);
  MakeSampleCar(ROAD_CAR, b);
  ScriptedDrive(a);
  ScriptedDrive(b);
  EXPECT_FALSE(a.frozen);
  EXPECT_GT(CarPosition(a).y, 20.0f) << "it drove";
  EXPECT_EQ(StateHash(a), StateHash(b));
  EXPECT_EQ(StateHash(a), 267619619590165665ull) << StateHash(a);
}

// ---- bad input ----

TEST_F(CarUpdate, AStateThatIsNotFiniteHaltsTheCarWithOneMessage) {
  for (int where = 0; where < 2; ++where) {
    CarRace race;
    Car car;
    MakeSampleCar(ROAD_CAR, car);
    car.showCar = 0;  // the car on show is placed again instead (car_reset_test)
    StandCar(car);
    StepCar(car, 100);
    const IntVector at = car.position;
    if (where == 0)
      car.velocity.x = NAN;
    else
      car.aeroItems[AERO_CENTRE].liftFactor = NAN;  // a force that is not a number
    StepCar(car, 500);
    EXPECT_TRUE(car.frozen) << where;
    EXPECT_EQ(car.position.x, at.x);
    EXPECT_EQ(car.position.y, at.y);
    EXPECT_EQ(car.position.z, at.z);
    EXPECT_EQ(race.lines.size(), 1u) << where;
  }
}

// The safety check's edges: 200 m/s and heights of exactly -20 m and 160 m are safe, a step
// past any of them stops the car as unsafe; motion that is not finite stops it as out of range,
// its offset cleared.  Each stop is told once.
TEST_F(CarUpdate, TheSafetyCheckEdgesAndItsTwoReasons) {
  CarRace race;
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.showCar = 0;
  const auto check = [&car](float speed, float metres) {
    StandCar(car);
    car.offset = {};
    car.speed = speed;
    car.position.z = int32_t(metres * 65536.0f);
    return car.HaltIfUnsafe();
  };
  EXPECT_EQ(check(200.0f, 1.0f), 0);
  EXPECT_EQ(check(10.0f, 160.0f), 0);
  EXPECT_EQ(check(10.0f, -20.0f), 0);
  EXPECT_TRUE(race.lines.empty());
  EXPECT_EQ(check(std::nextafter(200.0f, 300.0f), 1.0f), 1);
  EXPECT_TRUE(car.frozen);
  EXPECT_EQ(car.speed, 0.0f);
  EXPECT_EQ(check(10.0f, 160.0f + 1.0f / 65536.0f), 1);
  EXPECT_EQ(check(10.0f, -20.0f - 1.0f / 65536.0f), 1);
  ASSERT_EQ(race.lines.size(), 3u);
  for (const std::string& line : race.lines) EXPECT_NE(line.find(TEXT_CAR_UNSAFE), std::string::npos) << line;
  StandCar(car);
  car.velocity.y = NAN;
  car.offset.x = NAN;
  EXPECT_EQ(car.HaltIfUnsafe(), 1);
  EXPECT_TRUE(car.frozen);
  EXPECT_TRUE(IsFinite(car.velocity));
  EXPECT_EQ(LengthSquared(car.offset), 0.0f);
  ASSERT_EQ(race.lines.size(), 4u);
  EXPECT_NE(race.lines[3].find(TEXT_CAR_MOTION_OUT_OF_RANGE), std::string::npos) << race.lines[3];
}

TEST_F(CarUpdate, ACarBeyondTheSafeSpeedOrHeightIsHalted) {
  CarRace race;
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.showCar = 0;  // the car on show is placed again instead (car_reset_test)
  StandCar(car);
  car.velocity = {0.0f, 250.0f, 0.0f};
  StepCar(car, 3);
  EXPECT_TRUE(car.frozen);
  EXPECT_EQ(race.lines.size(), 1u);
  StandCar(car);
  car.position.z = FixedFromMetres(170.0f);
  StepCar(car, 3);
  EXPECT_TRUE(car.frozen);
  EXPECT_EQ(race.lines.size(), 2u);
}

}  // namespace
