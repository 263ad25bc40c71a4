// car_step_test.cpp - the car's stepping: catching up with the drawn time, the order of a
// step's parts and its gravity; the integration's wheel rays against the test's own rotations,
// the wind, the relative air, the damage restore and the car-changed flag; the halt of a car
// whose motion leaves the world's range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "core/frame_globals.h"
#include "core/window_state.h"
#include "tests/physics/car_test_util.h"
#include "world/race_state.h"

namespace {

class CarStep : public CarTest {
 protected:
  void SetUp() override {
    savedWindow = WindowInactive;
    savedFrame = SimFrameTime;
    WindowInactive = 0;
  }
  void TearDown() override {
    WindowInactive = savedWindow;
    SimFrameTime = savedFrame;
  }
  // One drawn frame of ms milliseconds.
  static void Frame(Car& car, uint32_t ms) {
    SimFrameTime = ms;
    car.AccumulateRunTime();
  }
  int savedWindow = 0;
  uint32_t savedFrame = 0;
  CarRace race;
};

// A car that writes down the parts of its steps.
struct OrderCar : Car {
  std::string order;
  void Integrate(float dt, int flags) override {
    order += 'I';
    Car::Integrate(dt, flags);
  }
  void FloorContacts() override {
    order += 'F';
    Car::FloorContacts();
  }
  void CheckGround() override {
    order += 'C';
    Car::CheckGround();
  }
  void Update(float dt, float gravity) override {
    order += 'U';
    Car::Update(dt, gravity);
  }
};

// The 3x3 rotation of angle about a unit axis, in double.
void AxisMatrix(const double k[3], double angle, double m[9]) {
  const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
  const double x = k[0], y = k[1], z = k[2];
  const double r[9] = {t * x * x + c,     t * x * y - s * z, t * x * z + s * y,  //
                       t * x * y + s * z, t * y * y + c,     t * y * z - s * x,  //
                       t * x * z - s * y, t * y * z + s * x, t * z * z + c};
  std::copy(r, r + 9, m);
}
void Times(const double m[9], const double v[3], double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = m[3 * i] * v[0] + m[3 * i + 1] * v[1] + m[3 * i + 2] * v[2];
}
// position + nearest(metres x 65536), axis by axis.
IntVector Fixed(const IntVector& position, const double metres[3]) {
  return {position.x + int32_t(std::nearbyint(metres[0] * 65536.0)),
          position.y + int32_t(std::nearbyint(metres[1] * 65536.0)),
          position.z + int32_t(std::nearbyint(metres[2] * 65536.0))};
}
void ExpectInBox(const Car& car, const IntVector& p) {
  EXPECT_LE(car.box[0], p.x);
  EXPECT_LE(car.box[1], p.y);
  EXPECT_LE(car.box[2], p.z);
  EXPECT_GE(car.box[3], p.x);
  EXPECT_GE(car.box[4], p.y);
  EXPECT_GE(car.box[5], p.z);
}
void ExpectSame(const IntVector& a, const IntVector& b) {
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.z, b.z);
}
void ExpectNear(const IntVector& a, const IntVector& b) {
  EXPECT_NEAR(a.x, b.x, 1);
  EXPECT_NEAR(a.y, b.y, 1);
  EXPECT_NEAR(a.z, b.z, 1);
}

TEST_F(CarStep, AFrameCatchesUpAtMostASecondAndTheStepsFollowTheClock) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
  Frame(car, 2000);  // after a pause: the first second is dropped
  EXPECT_EQ(car.runTime, 2000u);
  EXPECT_EQ(car.stepClock, 2000u);
  EXPECT_EQ(car.stepCount, 1000u);
  Frame(car, 16);
  EXPECT_EQ(car.stepCount, 1016u);
  Frame(car, 0);
  EXPECT_EQ(car.stepCount, 1016u);

  // While the window is inactive nothing grows, and no burst follows.
  WindowInactive = 1;
  for (int i = 0; i < 10; ++i) Frame(car, 500);
  EXPECT_EQ(car.runTime, 2016u);
  WindowInactive = 0;
  Frame(car, 20);
  EXPECT_EQ(car.runTime, 2036u);
  EXPECT_EQ(car.stepCount, 1036u);

  // A car not built to be stepped, or not physical, is left alone.
  car.simulated = 0;
  Frame(car, 100);
  car.simulated = 1;
  car.inertiaStatus = INERTIA_SINGULAR;
  Frame(car, 100);
  EXPECT_EQ(car.runTime, 2036u);
  EXPECT_EQ(car.stepCount, 1036u);

  // A fuel load that stops being physical halts the steps within the frame it is found in.
  car.inertiaStatus = INERTIA_VALID;
  car.engineFlag = 1;
  car.fuelAmount = std::numeric_limits<float>::quiet_NaN();
  Frame(car, 50);
  EXPECT_EQ(car.inertiaStatus, INERTIA_NO_MASS);
  EXPECT_EQ(car.stepCount, 1037u);  // the step that found it, no more
  EXPECT_TRUE(IsFinite(car.velocity));
}

TEST_F(CarStep, ACarAtTheFloorWaitsWithItsLagTrimmedToASecond) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 0.0f});  // its sprung-mass centre at height 0
  EXPECT_EQ(car.IsRefPointAboveZero(), 0);
  Frame(car, 500);
  EXPECT_EQ(car.stepCount, 0u);
  EXPECT_EQ(car.stepClock, 0u);
  Frame(car, 2000);
  EXPECT_EQ(car.runTime, 2500u);
  EXPECT_EQ(car.stepClock, 1500u);
  EXPECT_EQ(car.stepCount, 0u);
  // Lifted, it runs the second it kept, and no more.
  car.position.z = FixedFromMetres(10.0f);
  Frame(car, 0);
  EXPECT_EQ(car.stepCount, 1000u);
  EXPECT_EQ(car.stepClock, 2500u);

  // The test turns the sprung-mass centre with the car: 2 m ahead of the origin, nose up by
  // 30 degrees, it stands 1 m above the origin.
  car.massRecords[MASS_RECORD_BASE].centreWithoutWheels = {0.0f, 2.0f, 0.0f};
  car.position.z = FixedFromMetres(-0.99f);
  const float c = std::cos(0.5235988f), s = std::sin(0.5235988f);
  const float pitched[9] = {1, 0, 0, 0, c, -s, 0, s, c};
  std::copy(pitched, pitched + 9, car.orientation);
  EXPECT_EQ(car.IsRefPointAboveZero(), 1);
  car.position.z = FixedFromMetres(-1.01f);
  EXPECT_EQ(car.IsRefPointAboveZero(), 0);
}

TEST_F(CarStep, EachStepRunsItsPartsInOrderUnderTheWorldsGravity) {
  OrderCar car;
  MakeSteppableCar(car, {0.0f, 0.0f, 100.0f});
  // Heavy enough that the air's drag is lost in the rounding.
  MassProperties& base = car.massRecords[MASS_RECORD_BASE];
  base.mass = base.massWithoutWheels = 1e7f;
  for (float& v : base.inertia) v *= 1e4f;
  Frame(car, 3);
  EXPECT_EQ(car.order, "IFCUIFCUIFCU");

  // No world: -9.81 m/s^2.
  for (int i = 0; i < 997; ++i) Frame(car, 1);
  EXPECT_NEAR(car.velocity.z, -9.81f, 1e-3f);
  EXPECT_NEAR(car.velocity.x, 0.0f, 1e-6f);
  // and has fallen by g t^2 / 2 = 4.905 m (each 1 ms step moves it by the speed it has).
  EXPECT_NEAR(car.position.z / 65536.0 + car.offset.z, 100.0 - 4.905, 0.01);

  // A loaded world's gravity.
  WorldHooks world = NoWorldHooks();
  world.Gravity = [] { return -3.0f; };
  const WorldHooks saved = InstallWorldHooks(world);
  car.velocity = {};
  Frame(car, 1000);
  InstallWorldHooks(saved);
  EXPECT_NEAR(car.velocity.z, -3.0f, 1e-3f);
}

// The step hands the body points newly struck (state 2) to the impact damage of a car that a
// player drives, the first player included, and whose kind takes dents: each is then counted
// (state 3); a car without a player, or of a kind without dents, keeps them at 2.
TEST_F(CarStep, TheStepCountsNewlyStruckPointsOfADrivenCarThatTakesDents) {
  const auto drop = [](bool driven, uint8_t dents, int& struck, int& counted) {
    CarRace race;
    Car box;
    MakeSteppableCar(box, {0.0f, 0.0f, 0.6f});
    box.impactDamage = dents;
    box.velocity = {0.0f, 0.0f, -2.0f};
    if (driven) race.Drive(box);
    struck = counted = 0;
    for (int step = 0; step < 400; ++step) {
      box.Integrate(CAR_STEP_SECONDS, 0);
      box.FloorContacts();
      box.CheckGround();
      box.Update(CAR_STEP_SECONDS, -9.81f);
      for (int i = 0; i < box.pointCount; ++i) {
        struck += box.points[i].contactState == 2;
        counted += box.points[i].contactState == 3;
      }
    }
  };
  int struck, counted;
  drop(true, 1, struck, counted);
  EXPECT_EQ(struck, 0) << "player 0: every newly struck point counted in its step";
  EXPECT_GT(counted, 0);
  drop(false, 1, struck, counted);
  EXPECT_GT(struck, 0) << "no player";
  EXPECT_EQ(counted, 0);
  drop(true, 0, struck, counted);
  EXPECT_GT(struck, 0) << "a kind without dents";
  EXPECT_EQ(counted, 0);
}

// The editor's test weight presses down at its point: the car falls faster by the weight's
// share and turns about the axis through its centre, as a force at that point would turn it.
TEST_F(CarStep, TheTestWeightPressesDownAtItsPoint) {
  Car plain, weighted;
  MakeSteppableCar(plain, {0.0f, 0.0f, 100.0f});
  MakeSteppableCar(weighted, {0.0f, 0.0f, 100.0f});
  weighted.testWeight = 1;
  weighted.testWeightMass = 100.0f;
  weighted.testWeightPoint = {1.0f, 0.0f, 0.0f};
  const float dt = 0.001f, g = -9.81f;
  plain.Update(dt, g);
  weighted.Update(dt, g);
  EXPECT_NEAR(weighted.velocity.z - plain.velocity.z, 100.0f * g * dt / weighted.mass, 1e-6f);
  // r x F about the origin (the centre of mass): (1, 0, 0) x (0, 0, 100 g) = (0, -100 g, 0).
  EXPECT_NEAR(weighted.angularMomentum.y - plain.angularMomentum.y, -100.0f * g * dt, 1e-4f);
  EXPECT_NEAR(weighted.angularMomentum.x - plain.angularMomentum.x, 0.0f, 1e-6f);
  // Off, it weighs nothing.
  weighted.testWeight = 0;
  const Vec3 before = weighted.velocity - plain.velocity;
  plain.Update(dt, g);
  weighted.Update(dt, g);
  EXPECT_NEAR((weighted.velocity - plain.velocity).z, before.z, 1e-6f);
}

// What a car on show keeps drawing for: a move of more than 0.1 mm or a turn of more than
// 0.01 degree of the body or of a wheel (its travel, steer or spin) over a frame, or a change
// of the engine's speed of more than 0.1 rad/s (the rev counters).
TEST_F(CarStep, AShownCarKeepsTheFramesComingOnlyWhileItMoves) {
  Car car;
  car.wheelCount = 2;
  for (int i = 0; i < 9; ++i) car.orientation[i] = (i % 4 == 0) ? 1.0f : 0.0f;
  EXPECT_EQ(car.ShownPoseMoved(), 1);  // never looked at: it is news
  EXPECT_EQ(car.ShownPoseMoved(), 0);
  // 0.1 mm is 6.5536 units of 1/65536 m.
  car.position.x += 6;
  EXPECT_EQ(car.ShownPoseMoved(), 0);
  car.position.z -= 7;
  EXPECT_EQ(car.ShownPoseMoved(), 1);
  // Turns about z by 0.009 and 0.011 degree.
  for (const double degrees : {0.009, 0.011}) {
    const double a = degrees * 3.14159265358979323846 / 180.0;
    const float turned[9] = {float(std::cos(a)), float(-std::sin(a)), 0, float(std::sin(a)), float(std::cos(a)), 0,
                             0, 0, 1};
    EXPECT_EQ(car.ShownPoseMoved(), 0);
    std::copy(turned, turned + 9, car.orientation);
    EXPECT_EQ(car.ShownPoseMoved(), degrees > 0.01 ? 1 : 0) << degrees;
    for (int i = 0; i < 9; ++i) car.orientation[i] = (i % 4 == 0) ? 1.0f : 0.0f;
    car.ShownPoseMoved();
  }
  // Every entry of the matrix counts.
  for (int i = 0; i < 9; ++i) {
    car.ShownPoseMoved();
    const float kept = car.orientation[i];
    car.orientation[i] += 0.001f;
    EXPECT_EQ(car.ShownPoseMoved(), 1) << i;
    car.orientation[i] = kept;
    car.ShownPoseMoved();
  }
  // The second wheel: its travel by 0.11 mm, its steer and its spin by 0.011 degree.
  const float degree = 3.14159265f / 180.0f;
  car.wheels[1].travel += 0.00009f;
  EXPECT_EQ(car.ShownPoseMoved(), 0);
  car.wheels[1].travel += 0.00011f;
  EXPECT_EQ(car.ShownPoseMoved(), 1);
  car.wheels[1].steerAngle += 0.011f * degree;
  EXPECT_EQ(car.ShownPoseMoved(), 1);
  car.wheels[1].rotationAngle -= 0.011f * degree;
  EXPECT_EQ(car.ShownPoseMoved(), 1);
  car.wheels[1].rotationAngle -= 0.009f * degree;
  EXPECT_EQ(car.ShownPoseMoved(), 0);
  // A third wheel is not shown: its spin is no news.
  car.wheels[2].rotationAngle += 1.0f;
  EXPECT_EQ(car.ShownPoseMoved(), 0);
  car.engine.speed += 0.2f;
  EXPECT_EQ(car.ShownPoseMoved(), 1);
  car.engine.speed += 0.05f;
  EXPECT_EQ(car.ShownPoseMoved(), 0);
}

// Stepping asks for the next frame while the car falls and stops asking once it rests on the
// floor; a frame of no time keeps the verdict of the frame before.
TEST_F(CarStep, AFallingCarAsksForFramesAndARestingOneDoesNot) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
  KeepDrawing = 0;
  Frame(car, 20);
  EXPECT_EQ(KeepDrawing, 1);
  KeepDrawing = 0;
  Frame(car, 20);
  EXPECT_EQ(KeepDrawing, 1) << "20 ms of falling move it far more than 0.1 mm";
  KeepDrawing = 0;
  Frame(car, 0);
  EXPECT_EQ(KeepDrawing, 1) << "no time passed: it was moving";
  // Sunk to the floor it takes no more steps: it holds still, and says so.
  car.position.z = FixedFromMetres(-1.0f);
  KeepDrawing = 0;
  Frame(car, 20);
  EXPECT_EQ(KeepDrawing, 1) << "it jumped since the frame before";
  KeepDrawing = 0;
  Frame(car, 20);
  EXPECT_EQ(KeepDrawing, 0);
  Frame(car, 0);
  EXPECT_EQ(KeepDrawing, 0);
}

class CarIntegrate : public CarStep {};

TEST_F(CarIntegrate, ASteeredWheelsRaysOnAPitchedCarAreTheRoundedRotations) {
  Car car;
  MakeSteppableCar(car, {1000.3f, -20.7f, 3.2f});
  // Pitched by 0.2 rad about x, then rolled by 0.1 rad about y.
  const double pitch[3] = {1, 0, 0}, roll[3] = {0, 1, 0};
  double P[9], Q[9], R[9];
  AxisMatrix(pitch, 0.2, P);
  AxisMatrix(roll, 0.1, Q);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) R[3 * i + j] = Q[3 * i] * P[j] + Q[3 * i + 1] * P[3 + j] + Q[3 * i + 2] * P[6 + j];
  for (int i = 0; i < 9; ++i) car.orientation[i] = float(R[i]);
  for (int i = 0; i < 9; ++i) R[i] = car.orientation[i];  // the car's own float matrix

  car.wheelCount = 2;
  SuspensionBlock& front = car.wheelSets[1];
  front.rollingRadius = 0.31f;
  front.rayOffset = 0.17f;
  front.rayLength = 0.84f;
  front.extraRadius = 0.69f;
  car.wheelSets[0] = front;
  CarWheel& w = car.wheels[0];
  w.wheelSet = 1;
  w.centre = {1.6f, 2.4f, 1.5f};  // beyond the body's points (x +-1, y +-2, z +-0.5): the rays widen the box
  const float ux = 0.1f, uy = -0.05f, n = std::sqrt(ux * ux + uy * uy + 1.0f);
  w.uprightAxis = {ux / n, uy / n, 1.0f / n};
  w.contactOffset = {0.02f, 0.0f, -0.31f};
  w.steerAngle = 0.3f;
  w.tyreScale = 0.31f;
  w.tyreRay.candidateKind = 5;  // the surface it touched last
  w.tyreRay.candidateStrength = 100;
  w.groundRay.candidateStrength = 100;
  car.wheels[1].wheelSet = 0;
  car.wheels[1].centre = {-1.6f, -2.5f, 0.1f};
  car.wheels[1].contactOffset = {0.0f, 0.0f, -0.31f};

  car.Integrate(0.001f, 0);

  // The offset turned about the upright by the steer angle, then by the car.
  double S[9];
  const double upright[3] = {w.uprightAxis.x, w.uprightAxis.y, w.uprightAxis.z};
  AxisMatrix(upright, double{w.steerAngle}, S);
  const double offset[3] = {w.contactOffset.x, w.contactOffset.y, w.contactOffset.z};
  const double centre[3] = {w.centre.x, w.centre.y, w.centre.z};
  double steered[3], mount[3], turned[3];
  Times(S, offset, steered);
  Times(R, centre, mount);
  Times(R, steered, turned);
  const double up[3] = {R[2], R[5], R[8]};
  double end[3], ray[3];
  for (int k = 0; k < 3; ++k) {
    end[k] = mount[k] + turned[k] - up[k] * double{front.rayOffset};
    ray[k] = -up[k] * double{front.rayLength};
  }
  ExpectSame(w.groundRay.world, Fixed(car.position, end));
  ExpectSame(w.groundRay.fromCentre, Fixed({}, ray));
  EXPECT_EQ(w.groundRay.candidateStrength, 0);

  // The tyre ray along the contact direction (carried by the car alone), reaching R + e; its
  // direction is a float unit vector, so the test allows the last unit.
  const double length = std::sqrt(offset[0] * offset[0] + offset[2] * offset[2]);
  const double unit[3] = {offset[0] / length, 0.0, offset[2] / length};
  double along[3], tyreEnd[3], tyreRay[3];
  Times(R, unit, along);
  const double reach = double{front.rollingRadius} + double{front.extraRadius};
  for (int k = 0; k < 3; ++k) {
    tyreEnd[k] = mount[k] + along[k] * reach * double{w.tyreScale};
    tyreRay[k] = along[k] * double{w.tyreScale};
  }
  ExpectNear(w.tyreRay.world, Fixed(car.position, tyreEnd));
  ExpectNear(w.tyreRay.fromCentre, Fixed({}, tyreRay));
  EXPECT_EQ(w.tyreRay.candidateStrength, 0);
  EXPECT_EQ(w.tyreRay.candidateKind, 5);

  // The box holds every end; a wheel without a tyre has no tyre ray.
  ExpectInBox(car, w.groundRay.world);
  ExpectInBox(car, w.tyreRay.world);
  ExpectInBox(car, car.wheels[1].groundRay.world);
  ExpectSame(car.wheels[1].tyreRay.world, {});
}

// The car's box is the tightest one about its centre, its body points and every wheel ray's
// end: each of its six sides lies on one of them.
TEST_F(CarIntegrate, TheBoxIsTheTightestAboutTheCentrePointsAndRayEnds) {
  Car car;
  MakeSampleCar(0, car);
  const float c7 = std::cos(0.7f), s7 = std::sin(0.7f);
  const float turned[9] = {c7, -s7, 0.0f, s7, c7, 0.0f, 0.0f, 0.0f, 1.0f};
  std::copy(turned, turned + 9, car.orientation);
  car.position = FixedFromMetres(Vec3{10.0f, -5.0f, 1.0f});
  car.active = car.awake = 1;
  car.AllocateHull(2, 0);
  car.points[0].local = {0.2f, 0.3f, 0.9f};  // above the wheels
  car.points[1].local = {-0.1f, 0.0f, 0.4f};
  car.Integrate(CAR_STEP_SECONDS, 0);
  const Vec3 c = car.WorldCentre();
  std::vector<IntVector> ends = {{car.position.x + FixedFromMetres(c.x), car.position.y + FixedFromMetres(c.y),
                                  car.position.z + FixedFromMetres(c.z)}};
  for (int i = 0; i < car.pointCount; ++i) ends.push_back(car.points[i].probe.world);
  for (int i = 0; i < car.wheelCount; ++i) {
    ends.push_back(car.wheels[i].groundRay.world);
    if (car.wheels[i].tyreScale != 0.0f) ends.push_back(car.wheels[i].tyreRay.world);
  }
  int32_t box[6] = {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MIN};
  for (const IntVector& e : ends) {
    box[0] = std::min(box[0], e.x), box[1] = std::min(box[1], e.y), box[2] = std::min(box[2], e.z);
    box[3] = std::max(box[3], e.x), box[4] = std::max(box[4], e.y), box[5] = std::max(box[5], e.z);
  }
  for (int k = 0; k < 6; ++k) EXPECT_EQ(car.box[k], box[k]) << k;
}

// A tyre whose contact offset has no length has no direction to reach along: its ray ends at
// the wheel's mount and has no length, and the rays are still placed.
TEST_F(CarIntegrate, ATyreWithoutAContactOffsetHasItsRayEndAtItsMount) {
  Car car;
  MakeSteppableCar(car, {10.0f, 20.0f, 3.0f});
  car.wheelCount = 1;
  SuspensionBlock& set = car.wheelSets[1];
  set.rollingRadius = 0.3f;
  set.rayOffset = 0.1f;
  set.rayLength = 0.8f;
  CarWheel& w = car.wheels[0];
  w.wheelSet = 1;
  w.centre = {0.5f, 1.0f, 0.0f};
  w.contactOffset = {};
  w.tyreScale = 0.3f;
  car.Integrate(0.001f, 0);
  const double centre[3] = {0.5, 1.0, 0.0};
  ExpectSame(w.tyreRay.world, Fixed(car.position, centre));
  ExpectSame(w.tyreRay.fromCentre, {});
}

TEST_F(CarIntegrate, TheSetUpsRaysReachAboveTheWheelAndBelowTheTyreAtFullDroop) {
  Car car;
  MakeSampleCar(1, car);
  ASSERT_GT(car.wheelCount, 0);
  car.position = FixedFromMetres(Vec3{0.0f, 0.0f, 2.0f});
  SetIdentity3x3(car.orientation);
  car.InitState();
  for (int i = 0; i < car.wheelCount; ++i) {
    CarWheel& w = car.wheels[i];
    w.centre = car.wheelPositions[i];
    w.contactOffset = {0.0f, 0.0f, -car.wheelSets[w.wheelSet].rollingRadius};
    w.uprightAxis = {0.0f, 0.0f, 1.0f};
  }
  car.Integrate(0.001f, 0);
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    const SuspensionBlock& set = car.wheelSets[w.wheelSet];
    const double R = set.rollingRadius, centre = 2.0 + w.centre.z;
    const double bottom = w.groundRay.world.z / 65536.0, top = bottom - w.groundRay.fromCentre.z / 65536.0;
    EXPECT_GT(R, 0.1);
    EXPECT_LT(bottom, centre - R - set.maxUpPosition) << "wheel " << i;  // below the tyre at full droop
    EXPECT_GT(top, centre + R) << "wheel " << i;                          // above the wheel's top
    // The tyre ray runs from the centre exactly to the tyre's surface.
    EXPECT_EQ(w.tyreScale, set.rollingRadius);
    EXPECT_NEAR(w.tyreRay.world.z / 65536.0, centre - R, 1.0 / 65536.0);
    EXPECT_NEAR((w.tyreRay.world.z - w.tyreRay.fromCentre.z) / 65536.0, centre, 1.0 / 65536.0);
  }
}

TEST_F(CarIntegrate, WindOnATrackAndTheRelativeAirsDirectionAndFigures) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
  WorldHooks world = NoWorldHooks();
  world.Wind = [] { return Vec3{2.0f, 1.0f, 0.0f}; };
  const WorldHooks saved = InstallWorldHooks(world);

  car.stepContactWord = 7;
  car.velocity = {2.0f, 1.0f, 0.0f};
  car.Integrate(0.001f, 0);  // off the track: no wind
  EXPECT_EQ(car.windVelocity.x, 0.0f);
  EXPECT_EQ(car.aeroItems[3].airVelocity.y, 0.0f);
  EXPECT_EQ(car.stepContactWord, 0u);
  EXPECT_EQ(car.lastVelocity.x, 2.0f);
  EXPECT_NEAR(car.airDirection.x, -2.0f / std::sqrt(5.0f), 1e-6f);
  EXPECT_NEAR(car.airFigures[1], std::sqrt(5.0f) * 0.24f + car.radius, 1e-5f);

  car.locationKind = LOCATION_ON_TRACK;
  car.Integrate(0.001f, 0);  // the wind cancels the car's own speed
  for (const AeroItem& item : car.aeroItems) {
    EXPECT_EQ(item.airVelocity.x, 2.0f);
    EXPECT_EQ(item.airVelocity.y, 1.0f);
  }
  EXPECT_EQ(car.airDirection.x, 0.0f);
  EXPECT_EQ(car.airFigures[0], 0.0f);
  InstallWorldHooks(saved);

  // Still air up to 0.01 m/s; beyond it, its direction and r, 0.24 |a| + r, -r.
  car.locationKind = 0;
  car.velocity = {0.0099f, 0.0f, 0.0f};
  car.Integrate(0.001f, 0);
  EXPECT_EQ(car.airDirection.x, 0.0f);
  EXPECT_EQ(car.airFigures[1], 0.0f);
  car.velocity = {3.0f, 4.0f, 0.0f};
  car.Integrate(0.001f, 0);
  EXPECT_NEAR(car.airDirection.x, -0.6f, 1e-6f);
  EXPECT_NEAR(car.airDirection.y, -0.8f, 1e-6f);
  EXPECT_EQ(car.airFigures[0], car.radius);
  EXPECT_NEAR(car.airFigures[1], 5.0f * 0.24f + car.radius, 1e-5f);
  EXPECT_EQ(car.airFigures[2], -car.radius);
}

TEST_F(CarIntegrate, TheDamageRestoreAndTheChangedFlagWhileConnected) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
  car.damageRestorePending = 1;
  car.active = 0;  // an inactive car is not integrated at all
  car.Integrate(0.001f, 0);
  EXPECT_EQ(car.damageRestorePending, 1);
  car.active = 1;
  car.Integrate(0.001f, 0);
  EXPECT_EQ(car.damageRestorePending, 0);

  // A state unlike the stored one raises the flag only while a connection is open.
  car.storedStateCrc = car.StateCrc() + 1;
  car.Integrate(0.001f, 0);
  EXPECT_EQ(RaceConnection.carChanged, 0);
  RaceConnection.connectionOpen = 0;
  car.storedStateCrc = car.StateCrc();
  car.Integrate(0.001f, 0);
  EXPECT_EQ(RaceConnection.carChanged, 0);
  car.storedStateCrc += 1;
  car.remote = 1;  // a car driven by received data keeps out of it
  car.Integrate(0.001f, 0);
  EXPECT_EQ(RaceConnection.carChanged, 0);
  car.remote = 0;
  car.Integrate(0.001f, 0);
  EXPECT_EQ(RaceConnection.carChanged, 1);
}

TEST_F(CarIntegrate, IdentityAndPlayerLookUp) {
  Car car, other;
  EXPECT_EQ(car.GetType(), 1);
  EXPECT_EQ(car.IsLocalCar(), 1);
  car.remote = 1;
  EXPECT_EQ(car.IsLocalCar(), 0);
  EXPECT_EQ(car.GetPlayer(), -1);
  race.Connect(other, PLAYER_LOCAL_AI);
  race.Connect(car, PLAYER_REMOTE_HUMAN);
  EXPECT_EQ(car.GetPlayer(), 1);
  EXPECT_EQ(other.GetPlayer(), 0);
  float m[9] = {5, 5, 5, 5, 5, 5, 5, 5, 5};
  SetIdentity3x3(m);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(m[i], i % 4 == 0 ? 1.0f : 0.0f);
}

class CarHalt : public CarStep {};

TEST_F(CarHalt, AMotionThatIsNotFiniteStopsTheCarWithOneMessage) {
  Car car;
  MakeSteppableCar(car, {5.0f, 0.0f, 10.0f});
  const IntVector before = car.position;
  car.velocity.x = std::numeric_limits<float>::quiet_NaN();
  car.angularMomentum.z = std::numeric_limits<float>::infinity();
  Frame(car, 50);
  EXPECT_EQ(car.frozen, 1);
  EXPECT_EQ(car.velocity.x, 0.0f);
  EXPECT_EQ(car.angularMomentum.z, 0.0f);
  ExpectSame(car.position, before);  // frozen: nothing moves, nothing wraps
  ASSERT_EQ(CarRace::lines.size(), 1u);
  EXPECT_EQ(CarRace::lines[0], "TESTCAR : motion out of range - car stopped");

  // An offset that is not a number is dropped as well.
  car.frozen = 0;
  car.offset.y = std::numeric_limits<float>::quiet_NaN();
  car.Move();
  EXPECT_EQ(car.frozen, 1);
  EXPECT_EQ(car.offset.y, 0.0f);
  EXPECT_EQ(CarRace::lines.size(), 2u);
}

TEST_F(CarHalt, APositionBeyondThirtyTwoBitsStopsTheCarInsteadOfWrapping) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
  car.position.x = INT32_MAX - 100;
  car.offset.x = 0.01f;  // 655 units on
  car.Move();
  EXPECT_EQ(car.position.x, INT32_MAX - 100);
  EXPECT_EQ(car.frozen, 1);
  ASSERT_EQ(CarRace::lines.size(), 1u);

  // A ray that would end beyond the world stops it too.
  Car far;
  MakeSteppableCar(far, {0.0f, 0.0f, 10.0f});
  far.position.z = INT32_MIN + 1000;
  far.wheelCount = 1;
  far.wheelSets[0].rayOffset = 1.0f;
  far.Integrate(0.001f, 0);
  EXPECT_EQ(far.frozen, 1);
  EXPECT_EQ(CarRace::lines.size(), 2u);
}

TEST_F(CarHalt, AStoppedCarIsFrozenStillAndDoesNotMove) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
  car.speed = 12.0f;
  car.velocity = {1.0f, 2.0f, 3.0f};
  car.angularMomentum = {4.0f, 5.0f, 6.0f};
  car.StopForReset();
  EXPECT_EQ(car.frozen, 1);
  EXPECT_EQ(car.speed, 0.0f);
  EXPECT_EQ(car.velocity.z, 0.0f);
  EXPECT_EQ(car.angularMomentum.x, 0.0f);
  const IntVector before = car.position;
  car.offset = {1.0f, 1.0f, 1.0f};
  car.Move();
  ExpectSame(car.position, before);
  EXPECT_TRUE(CarRace::lines.empty());
}

}  // namespace
