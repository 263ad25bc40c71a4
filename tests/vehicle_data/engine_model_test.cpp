// engine_model_test.cpp - the engine model: the curve's ease-in and limit, the figures
// BuildCurve derives against the test's own double-precision scan, the firing orders, the
// recomputation by power unit, and the steps: the rev limiter, over-rev damage, the clutch's
// slip, the turbo's wastegate and the electric motor through zero speed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_class.h"

namespace {

// A new engine of a class's defaults: zeroed, reset, with the class's figures.
EngineModel NewEngine(int vehicleClass) {
  EngineModel e;
  std::memset(&e, 0, sizeof e);
  e.Reset();
  const VehicleClass& row = VehicleClassRow(vehicleClass);
  e.resistanceMul = row.resistanceMul;
  e.inertiaMul = row.inertiaMul;
  e.torquePerCc = row.torquePerCc;
  e.idleSpeed = row.idleSpeed;
  e.spreadMul = row.spreadFactor;
  e.camTiming = row.spreadFactor;
  e.redline = 800.0f;
  return e;
}

// The test's curve in double precision, from the engine's derived figures.
double Curve(const EngineModel& e, double w) {
  if (w <= 0) return 0;
  const double x = (w - e.peakSpeed) / e.spread;
  double t = e.peakTorque / (1.0 + x * x);
  if (1.5 * e.idleSpeed > w) {
    const double u = w * 0.667 / e.idleSpeed;
    t *= (3.0 - 2.0 * u) * u * u;
  }
  const double f = e.resistance * w * w + 0.015 * e.peakTorque;
  if (e.torqueLimit != 0 && e.boostMultiplier * t - f > e.torqueLimit) t = (e.torqueLimit + f) / e.boostMultiplier;
  return t;
}

void ExpectRelative(double got, double want, const char* what) {
  EXPECT_NEAR(got, want, 2e-5 * std::max(std::fabs(want), 1e-6)) << what;
}

TEST(EngineModel, BuildCurveDerivesItsFiguresAndMaximaAsADoublePrecisionScan) {
  struct Case {
    int vehicleClass;
    float size;
    int cylinders;
    uint32_t flags;
    float torqueLimit;
  };
  const Case cases[] = {
      {CLASS_GT, 3000.0f, 6, 0, 0.0f},
      {CLASS_GT, 2000.0f, 4, ENGINE_TURBO, 0.0f},
      {CLASS_FORMULA, 2400.0f, 8, 0, 250.0f},
      {CLASS_KART, 20.0f, 1, 0, 0.0f},     // held up to the class's smallest
      {CLASS_TRUCK, 50000.0f, 12, 0, 0.0f},  // and down to its largest
      {CLASS_GT, 3000.0f, 0, 0, 0.0f},       // no cylinder: held at one
      {CLASS_TRUCK, 9000.0f, 16, 0, 0.0f},   // more than twelve: held at twelve
  };
  for (const Case& c : cases) {
    EngineModel e = NewEngine(c.vehicleClass);
    e.engineSize = c.size;
    e.cylinders = uint8_t(c.cylinders);
    e.flags = c.flags;
    e.torqueLimit = c.torqueLimit;
    e.turboMaxBoost = 1.2f;
    e.BuildCurve(c.vehicleClass);
    const VehicleClass& row = VehicleClassRow(c.vehicleClass);
    const double size = std::clamp(double{c.size}, double{row.engineSizeMin}, double{row.engineSizeMax});
    ASSERT_EQ(e.engineSize, float(size));
    const int cylinders = std::clamp(c.cylinders, 1, 12);
    ASSERT_EQ(e.cylinders, cylinders);

    // r, the cube root of one cylinder's size, places and widens the peak.
    const double r = std::pow(size / cylinders, 0.33333298), W = 4654.0 / r;
    ExpectRelative(e.inertia, size * e.inertiaMul * r * r, "inertia");
    ExpectRelative(e.peakTorque, e.torquePerCc * size, "peak torque");
    ExpectRelative(e.resistance, size * (size / cylinders) * e.resistanceMul, "resistance");
    ExpectRelative(e.spread, e.spreadMul * 0.55 * W, "spread");
    ExpectRelative(e.peakSpeed, e.camTiming * W, "peak speed");
    const double boost = c.flags & ENGINE_TURBO ? 2.2 : 1.0;
    ExpectRelative(e.boostMultiplier, boost, "boost multiplier");
    if (c.flags & ENGINE_TURBO) {
      const double w0 = 0.4 * W, p0 = Curve(e, w0) * w0 * 6.711e-7;
      ExpectRelative(e.turboInertia, e.turboInertiaMul * p0, "turbo inertia");
      ExpectRelative(e.turboDrag, p0 / 15707.964, "turbo drag");
    }

    // The greatest net torque and power over the same 255 speeds, the lowest winning a tie.
    double bestTorque = 0, torqueSpeed = 0, bestPower = 0, powerSpeed = 0;
    for (int i = 1; i <= 255; ++i) {
      const double w = i * double{e.redline} / 256.0;
      const double n = boost * Curve(e, w) - (e.resistance * w * w + 0.015 * e.peakTorque);
      if (n > bestTorque) bestTorque = n, torqueSpeed = w;
      if (n * w > bestPower) bestPower = n * w, powerSpeed = w;
    }
    ExpectRelative(e.maxTorque, bestTorque, "greatest torque");
    ExpectRelative(e.maxTorqueSpeed, torqueSpeed, "its speed");
    ExpectRelative(e.maxPower, bestPower, "greatest power");
    ExpectRelative(e.maxPowerSpeed, powerSpeed, "its speed");
    ExpectRelative(e.clutchCapacity, std::max(1.4 * bestTorque, 2800.0 * e.inertia), "clutch capacity");
    ExpectRelative(e.stiffness, 4.0 * bestTorque, "stiffness");
  }
}

TEST(EngineModel, TheCurveEasesInFromNothingAndKeepsToItsLimit) {
  EngineModel e = NewEngine(CLASS_GT);
  e.BuildCurve(CLASS_GT);
  EXPECT_EQ(e.TorqueAtRpm(0.0f), 0.0f);
  EXPECT_EQ(e.TorqueAtRpm(-50.0f), 0.0f);
  EXPECT_EQ(e.TorqueAtRpm(std::nanf("")), 0.0f);
  // Just above 0 and up to 1.5 idle speeds the bell is eased in by (3 - 2u) u^2.
  for (float w : {0.5f, 20.0f, 100.0f, 200.0f}) {
    const double x = (w - e.peakSpeed) / e.spread, u = w * 0.667 / e.idleSpeed;
    ExpectRelative(e.TorqueAtRpm(w), e.peakTorque / (1 + x * x) * (3 - 2 * u) * u * u, "eased");
  }
  const float above = 1.5f * e.idleSpeed + 1.0f;
  const double x = (above - e.peakSpeed) / e.spread;
  ExpectRelative(e.TorqueAtRpm(above), e.peakTorque / (1 + x * x), "bell");

  // A torque limit holds the net torque at the limit.
  e.torqueLimit = 100.0f;
  const float w = e.peakSpeed;
  const double friction = e.resistance * w * w + 0.015 * e.peakTorque;
  ExpectRelative(e.TorqueAtRpm(w) - friction, 100.0, "limited");
}

TEST(EngineModel, ANegativeTorqueLimitGivesNothingAtAStandstill) {
  // A vehicle file may hold any float as the limit. At a crank speed of 0 the engine gives no
  // torque and has no friction, whatever the limit: the limit only caps a turning crank.
  EngineModel e = NewEngine(CLASS_GT);
  e.BuildCurve(CLASS_GT);
  e.torqueLimit = -10.0f;
  EXPECT_EQ(e.TorqueAtRpm(0.0f), 0.0f);
  EXPECT_EQ(e.NetTorqueAt(0.0f), 0.0f);
  EXPECT_EQ(e.TorqueAtRpm(-1.0f), 0.0f);
}

TEST(EngineModel, AnEngineWithoutTorqueOrResistanceHasItsMaximaAtNoSpeed) {
  // An engine or vehicle file may hold 0 for both the torque per cc and the resistance: the
  // peak torque and the friction are then 0, so the net torque and the power are 0 at every
  // speed scanned. No speed beats nothing, so the greatest torque and power stay at speed 0
  // (taking the last speed scanned would put them at 255/256 of the 800 redline, 796.875).
  EngineModel e = NewEngine(CLASS_GT);
  e.torquePerCc = 0.0f;
  e.resistanceMul = 0.0f;
  e.BuildCurve(CLASS_GT);
  EXPECT_EQ(e.peakTorque, 0.0f);
  EXPECT_EQ(e.resistance, 0.0f);
  EXPECT_EQ(e.maxTorque, 0.0f);
  EXPECT_EQ(e.maxTorqueSpeed, 0.0f);
  EXPECT_EQ(e.maxPower, 0.0f);
  EXPECT_EQ(e.maxPowerSpeed, 0.0f);
}

TEST(EngineModel, FiringOrdersByCylindersAndLayout) {
  struct Case {
    int cylinders, layout;
    uint32_t flags;
    uint8_t order[12];
  };
  const Case cases[] = {
      {8, ENGINE_V, ENGINE_CROSS_PLANE, {0, 7, 3, 2, 5, 4, 6, 1, 9, 10, 11, 12}},
      {8, ENGINE_V, 0, {0, 7, 4, 3, 6, 1, 2, 5, 9, 10, 11, 12}},
      {8, ENGINE_INLINE, ENGINE_CROSS_PLANE, {0, 5, 1, 4, 7, 2, 6, 3, 9, 10, 11, 12}},
      {4, ENGINE_FLAT, 0, {0, 2, 1, 3, 5, 6, 7, 8, 9, 10, 11, 12}},
      {4, ENGINE_INLINE, 0, {0, 2, 3, 1, 5, 6, 7, 8, 9, 10, 11, 12}},
      {6, ENGINE_V, 0, {0, 4, 2, 5, 1, 3, 7, 8, 9, 10, 11, 12}},
      {6, ENGINE_FLAT, 0, {0, 5, 2, 1, 4, 3, 7, 8, 9, 10, 11, 12}},  // 1-6-3-2-5-4
      {12, ENGINE_V, 0, {0, 6, 4, 10, 2, 8, 5, 11, 1, 7, 3, 9}},
      {3, ENGINE_INLINE, 0, {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
  };
  for (const Case& c : cases) {
    EngineModel e = NewEngine(CLASS_GT);
    e.cylinders = uint8_t(c.cylinders);
    e.layout = uint8_t(c.layout);
    e.flags = c.flags;
    e.engineSize = 4000.0f;
    e.BuildCurve(CLASS_GT);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(e.firingOrder[i], c.order[i]) << c.cylinders << " cylinders, " << i;
  }
}

TEST(EngineModel, RecomputingByPowerUnit) {
  EngineModel motor = NewEngine(CLASS_GT);
  motor.torquePerCc = 1.0f;
  motor.maxTorque = 400.0f;
  motor.maxPower = 200000.0f;
  motor.Recompute(6, CLASS_GT);
  const double r = std::pow(400.0, 0.333333), d = r * 0.02 * 0.5;
  ExpectRelative(motor.inertia, 400.0 * 0.1 * 0.5 * 0.5 * d * d, "inertia");
  EXPECT_EQ(motor.peakTorque, 400.0f);
  EXPECT_EQ(motor.stiffness, 1600.0f);
  EXPECT_EQ(motor.maxTorqueSpeed, 500.0f);  // the base speed: power over torque
  EXPECT_EQ(motor.maxPowerSpeed, 500.0f);
  EXPECT_EQ(motor.maxPower, 200000.0f);  // stored, not derived

  motor.maxTorque = 0.0f;  // a motor without torque has no base speed (and no division)
  motor.Recompute(6, CLASS_GT);
  EXPECT_EQ(motor.maxTorqueSpeed, 0.0f);

  EngineModel none = NewEngine(CLASS_GT);
  none.BuildCurve(CLASS_GT);
  none.Recompute(0, CLASS_GT);
  for (float v : {none.inertia, none.stiffness, none.maxPower, none.maxPowerSpeed, none.maxTorque,
                  none.maxTorqueSpeed, none.peakTorque})
    EXPECT_EQ(v, 0.0f);

  EngineModel combustion = NewEngine(CLASS_GT);
  combustion.Recompute(1, CLASS_GT);
  EXPECT_GT(combustion.maxTorque, 0.0f);
}

// An engine running at a set speed, its inertia so large that a step leaves the speed.
EngineModel RunningAt(float speed) {
  EngineModel e = NewEngine(CLASS_GT);
  e.BuildCurve(CLASS_GT);
  e.inertia = 1e12f;
  e.running = 1;
  e.throttle = 1.0f;
  e.speed = speed;
  return e;
}

TEST(EngineModel, TheLimiterFadesTheDriveOverTheLastHundredthBeforeTheRedline) {
  float power, limiter;
  // Below 0.99 x redline the full drive, the limiter's output left alone.
  EngineModel e = RunningAt(700.0f);
  limiter = 7.0f;
  const double friction = e.resistance * 700.0 * 700.0 + 0.015 * e.peakTorque;
  ExpectRelative(e.UpdateTorque(0.001f, power, limiter), e.TorqueAtRpm(700.0f) - friction, "full drive");
  EXPECT_EQ(limiter, 7.0f);
  ExpectRelative(power, 700.0 * e.TorqueAtRpm(700.0f), "power");
  // At 0.99 x redline itself the fade has not begun: the limiter's output is still left alone.
  e = RunningAt(0.99f * 800.0f);
  limiter = 7.0f;
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_EQ(limiter, 7.0f);

  // Half way through the last hundredth: half the drive.
  e = RunningAt(0.995f * 800.0f);
  const float w = e.speed;
  const double f2 = e.resistance * double{w} * w + 0.015 * e.peakTorque;
  const float net = e.UpdateTorque(0.001f, power, limiter);
  EXPECT_NEAR(limiter, 0.5f, 1e-3f);
  ExpectRelative(net, limiter * e.TorqueAtRpm(w) - f2, "limited drive");

  // At the redline no drive at all, and the limiter reads 0; so too when not running.
  e = RunningAt(800.0f);
  limiter = 7.0f;
  ExpectRelative(e.UpdateTorque(0.001f, power, limiter), -(e.resistance * 640000.0 + 0.015 * e.peakTorque), "none");
  EXPECT_EQ(limiter, 0.0f);
  // At a redline of 1001 too, where the fade's own sum would not come out at 0: 0.99f is
  // 16609444 / 2^24, so 0.99f x 1001 rounds to 990.989990234375 (steps of 2^-14 there), the
  // speed is 10.010009765625 over it, x 100 = 1001.0009765625 (exact), / 1001 = 1 + 9.76e-7,
  // which rounds to 1 + 2^-20 (steps of 2^-23), leaving -2^-20 = -9.5367431640625e-7. The
  // redline itself is past the fade and the limiter reads 0 exactly.
  e = NewEngine(CLASS_GT);
  e.redline = 1001.0f;
  e.BuildCurve(CLASS_GT);
  e.inertia = 1e12f;
  e.running = 1;
  e.throttle = 1.0f;
  e.speed = 1001.0f;
  limiter = 7.0f;
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_EQ(limiter, 0.0f);
  e = RunningAt(400.0f);
  e.running = 0;
  limiter = 7.0f;
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_EQ(limiter, 0.0f);
}

TEST(EngineModel, OverRevvingCostsHealthAndAStoppedCrankStops) {
  float power, limiter = 0.0f;
  EngineModel e = RunningAt(1.2f * 800.0f);
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_NEAR(e.health, 1.0f - 0.04f * 0.001f, 1e-7f);
  e.health = 1e-6f;
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_EQ(e.health, 0.0f);  // never below nothing

  // Below 1 rad/s the crank stops turning; the engine stays running.
  e = RunningAt(0.5f);
  e.smoothedSpeed = 3.0f;
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_EQ(e.speed, 0.0f);
  EXPECT_EQ(e.smoothedSpeed, 0.0f);
  EXPECT_EQ(e.running, 1u);
  // At 1 rad/s exactly it goes on turning (without inertia the step leaves the speed), and
  // the smoothed speed follows it: 3 + (1 - 3) x 20 x 0.001 = 2.96.
  e = RunningAt(1.0f);
  e.inertia = 0.0f;
  e.smoothedSpeed = 3.0f;
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_EQ(e.speed, 1.0f);
  EXPECT_NEAR(e.smoothedSpeed, 2.96f, 1e-6f);

  // The crank angle is kept within 32 pi, the driveline turned with it.
  e = RunningAt(500.0f);
  e.crankAngle = 100.5f;
  e.drivelineAngle = 100.4f;
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_NEAR(e.crankAngle, 100.5f + 0.5f - 201.06194f, 1e-3f);
  EXPECT_NEAR(e.crankAngle - e.drivelineAngle, 0.6f, 1e-3f);
}

TEST(EngineModel, AFullBoostOpensTheWastegate) {
  float power, limiter = 0.0f;
  EngineModel e = NewEngine(CLASS_GT);
  e.flags = ENGINE_TURBO;
  e.BuildCurve(CLASS_GT);
  e.inertia = 1e12f;
  e.running = 1;
  e.throttle = 1.0f;
  e.speed = 600.0f;
  e.turboSpeed = 15707.964f;  // full boost: only the drag acts
  const float before = e.turboSpeed;
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_NEAR(e.boost, e.turboMaxBoost, 1e-6f);
  const double drag = e.turboDrag * before;
  EXPECT_NEAR(e.turboSpeed, before - drag * 3000.0 / e.turboInertia * 0.001, 1e-2);
  // Below the wastegate the engine's power spins the rotor up.
  e.turboSpeed = 1000.0f;
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_GT(e.turboSpeed, 1000.0f);

  // A turbo without inertia (no torque where its figures are taken) is left as it is.
  e.turboInertia = 0.0f;
  e.turboSpeed = 1000.0f;
  e.UpdateTorque(0.001f, power, limiter);
  EXPECT_EQ(e.turboSpeed, 1000.0f);
  EXPECT_TRUE(std::isfinite(e.boost));
}

TEST(EngineModel, ASlippingClutchHoldsNineTenthsUntilItGrips) {
  EngineModel e = NewEngine(CLASS_GT);
  e.ratio = 3.0f;
  e.stiffness = 100.0f;
  e.clutchCapacity = 50.0f;
  e.clutchHeatRate = 0.0002f;
  e.crankAngle = 1.0f;  // 100 N m wound up: past the capacity
  e.UpdateClutch();
  EXPECT_EQ(e.clutchTorque, 50.0f);
  EXPECT_EQ(e.slipping, 1u);
  EXPECT_FLOAT_EQ(e.drivelineAngle, 0.5f);
  EXPECT_FLOAT_EQ(e.clutchHeat, 0.5f * 0.0002f);

  e.drivelineAngle = 0.0f;
  e.clutchHeat = 0.0f;
  e.UpdateClutch();
  EXPECT_FLOAT_EQ(e.clutchTorque, 45.0f);  // still slipping: nine tenths
  e.crankAngle = -1.0f;
  e.drivelineAngle = 0.0f;
  e.clutchHeat = 0.0f;
  e.UpdateClutch();
  EXPECT_FLOAT_EQ(e.clutchTorque, -45.0f);

  // Within its grip it passes the spring's torque, grips again and cools.
  e.crankAngle = 0.1f;
  e.drivelineAngle = 0.0f;
  e.clutchHeat = 0.01f;
  e.UpdateClutch();
  EXPECT_FLOAT_EQ(e.clutchTorque, 10.0f);
  EXPECT_EQ(e.slipping, 0u);
  EXPECT_FLOAT_EQ(e.clutchHeat, 0.01f * 0.999996f);
  e.crankAngle = 0.49f;
  e.UpdateClutch();  // the full capacity again: 49 N m passes
  EXPECT_FLOAT_EQ(e.clutchTorque, 49.0f);
  e.clutchHeat = 0.0001f;  // below the rate: cooled at once
  e.UpdateClutch();
  EXPECT_EQ(e.clutchHeat, 0.0f);
  e.clutchHeat = 0.0002f;  // at the rate: cooled at once too
  e.UpdateClutch();
  EXPECT_EQ(e.clutchHeat, 0.0f);
  // A spring torque of exactly the capacity, either way, passes and grips (50 N m = 0.5 x 100).
  for (const float wound : {0.5f, -0.5f}) {
    e.crankAngle = wound;
    e.drivelineAngle = 0.0f;
    e.UpdateClutch();
    EXPECT_EQ(e.clutchTorque, 100.0f * wound) << wound;
    EXPECT_EQ(e.slipping, 0u) << wound;
    EXPECT_EQ(e.drivelineAngle, 0.0f) << wound;
  }

  // Out of gear nothing passes.
  e.ratio = 0.0f;
  e.UpdateClutch();
  EXPECT_EQ(e.clutchTorque, 0.0f);
  EXPECT_EQ(e.slipping, 0u);
}

// A running electric motor (transmission type 6) of 300 N m and 90 kW with its redline at 1500 rad/s.
EngineModel RunningMotor() {
  EngineModel e = NewEngine(CLASS_GT);
  e.maxTorque = 300.0f;
  e.maxPower = 90000.0f;
  e.torquePerCc = 1.0f;
  e.redline = 1500.0f;
  e.Recompute(6, CLASS_GT);
  e.running = 1;
  return e;
}

TEST(EngineModel, AnElectricMotorStopsAtZeroSpeedWhenItWouldPassThrough) {
  EngineModel e = RunningMotor();
  float power;

  // Full torque up to the base speed (300 rad/s), constant power above it.
  e.throttle = 1.0f;
  e.inertia = 1e12f;
  e.speed = 100.0f;
  EXPECT_FLOAT_EQ(e.UpdateElectric(0.001f, power, 2), 300.0f);
  e.speed = 600.0f;
  EXPECT_FLOAT_EQ(e.UpdateElectric(0.001f, power, 2), 150.0f);
  EXPECT_FLOAT_EQ(power, 90000.0f);
  EXPECT_EQ(e.UpdateElectric(0.001f, power, 1), 0.0f);     // neutral
  EXPECT_FLOAT_EQ(e.UpdateElectric(0.001f, power, 0), -150.0f);  // reverse

  // At the redline itself the motor drives nothing, even where the fade's own sum would not
  // come out at 0 (a redline of 1001: 1 - 10.010009765625 x 100 / 1001 is -2^-20 in floats).
  e.redline = 1001.0f;
  e.speed = 1001.0f;
  e.clutchTorque = 0.0f;
  EXPECT_EQ(e.UpdateElectric(0.001f, power, 2), 0.0f);
  EXPECT_EQ(power, 0.0f);
  e.redline = 1500.0f;

  // Braking through zero: the motor stops there for this step, the driveline snaps to it.
  e.Recompute(6, CLASS_GT);
  e.speed = 0.5f;
  e.throttle = 0.0f;
  e.clutchTorque = 1000.0f;
  e.crankAngle = 2.0f;
  e.drivelineAngle = 1.5f;
  e.smoothedSpeed = 0.0f;
  e.UpdateElectric(0.001f, power, 2);
  EXPECT_EQ(e.speed, 0.0f);
  EXPECT_EQ(e.drivelineAngle, 2.0f);
  EXPECT_FLOAT_EQ(e.smoothedSpeed, 0.5f * 20.0f * 0.001f);  // followed the speed before the step

  // From rest the motor starts turning: 300 N m on an inertia of 1000 kg m^2 for 1 ms is
  // 0.0003 rad/s, and the driveline is left where it was.
  e.speed = 0.0f;
  e.throttle = 1.0f;
  e.clutchTorque = 0.0f;
  e.inertia = 1000.0f;
  e.crankAngle = 2.0f;
  e.drivelineAngle = 1.5f;
  e.UpdateElectric(0.001f, power, 2);
  EXPECT_FLOAT_EQ(e.speed, 300.0f / 1000.0f * 0.001f);
  EXPECT_EQ(e.drivelineAngle, 1.5f);
}

TEST(EngineModel, AnElectricMotorsCrankIsKeptWithinThirtyTwoPiEitherWay) {
  EngineModel e = RunningMotor();
  e.inertia = 1e12f;  // the speed stays as it is over the step
  float power;
  // Forwards at 500 rad/s for 1 ms: 100.5 + 0.5 = 101 is past 32 pi, so 64 pi comes off the
  // crank and the driveline alike.
  e.speed = 500.0f;
  e.crankAngle = 100.5f;
  e.drivelineAngle = 100.4f;
  e.UpdateElectric(0.001f, power, 2);
  EXPECT_NEAR(e.crankAngle, 101.0f - 201.06194f, 1e-3f);
  EXPECT_NEAR(e.drivelineAngle, 100.4f - 201.06194f, 1e-3f);
  // Backwards the same way round: -101 takes 64 pi on.
  e.speed = -500.0f;
  e.crankAngle = -100.5f;
  e.drivelineAngle = -100.4f;
  e.UpdateElectric(0.001f, power, 0);
  EXPECT_NEAR(e.crankAngle, -101.0f + 201.06194f, 1e-3f);
  EXPECT_NEAR(e.drivelineAngle, -100.4f + 201.06194f, 1e-3f);
}

TEST(EngineModel, StartingAndClearingTheRunningState) {
  EngineModel e = NewEngine(CLASS_GT);
  e.speed = 0.0f;
  EXPECT_EQ(e.Start(), 1);
  EXPECT_EQ(e.running, 1u);
  EXPECT_FLOAT_EQ(e.speed, 0.25f * e.idleSpeed);
  e.speed = 300.0f;
  EXPECT_EQ(e.Start(), 0);
  EXPECT_EQ(e.speed, 300.0f);
  e.speed = 0.25f * e.idleSpeed;  // already at the least starting speed: nothing to raise
  EXPECT_EQ(e.Start(), 0);

  e.throttle = e.crankAngle = e.smoothedSpeed = e.turboSpeed = e.boost = 1.0f;
  e.manifoldPressure = e.manifoldPressureSmoothed = e.clutchPedal = e.drivelineAngle = e.clutchTorque = 1.0f;
  e.spareState = 1.0f;
  e.slipping = 1;
  e.health = 0.7f;
  e.clutchHeat = 0.2f;
  e.ClearState();
  for (float v : {e.throttle, e.crankAngle, e.speed, e.smoothedSpeed, e.turboSpeed, e.boost, e.manifoldPressure,
                  e.manifoldPressureSmoothed, e.clutchPedal, e.drivelineAngle, e.clutchTorque, e.spareState})
    EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(e.running, 0u);
  EXPECT_EQ(e.slipping, 0u);
  EXPECT_EQ(e.health, 0.7f);  // kept
  EXPECT_EQ(e.clutchHeat, 0.2f);
}

}  // namespace

namespace {

TEST(EngineModel, AnEngineThatCannotBeSteppedNamesItsFigure) {
  EngineModel good = NewEngine(CLASS_GT);
  EXPECT_EQ(good.SimulationFault(1, CLASS_GT), nullptr);
  EXPECT_EQ(good.inertia, 0.0f) << "the engine itself is not recomputed";
  struct Case {
    float EngineModel::*field;
    float value;
    const char* name;
  };
  const Case cases[] = {
      {&EngineModel::spreadMul, 0.0f, "torque spread"},
      {&EngineModel::idleSpeed, -1.0f, "idle speed"},
      {&EngineModel::redline, std::nanf(""), "redline"},
      {&EngineModel::inertiaMul, 0.0f, "inertia multiplier"},
      {&EngineModel::inertiaFactor, 0.0f, "inertia"},  // the multiplier is above 0, the inertia is not
      {&EngineModel::camTiming, INFINITY, "cam timing"},
      {&EngineModel::torquePerCc, 1e38f, "peak torque"},
      {&EngineModel::torqueLimit, -INFINITY, "torque limit"},
  };
  for (const Case& c : cases) {
    EngineModel e = good;
    e.*c.field = c.value;
    const char* fault = e.SimulationFault(1, CLASS_GT);
    ASSERT_NE(fault, nullptr) << c.name;
    EXPECT_STREQ(fault, c.name);
  }
  // Finite figures, but friction that runs out of range before the redline.
  EngineModel overflowing = good;
  overflowing.resistanceMul = -1e30f;
  overflowing.torqueLimit = 100.0f;
  EXPECT_STREQ(overflowing.SimulationFault(1, CLASS_GT), "torque curve");
  EXPECT_EQ(EngineModel{}.SimulationFault(0, CLASS_GT), nullptr) << "no power unit is not stepped";

  EngineModel motor = good;
  motor.torquePerCc = 1.0f, motor.maxTorque = 300.0f, motor.maxPower = 90000.0f, motor.redline = 1500.0f;
  EXPECT_EQ(motor.SimulationFault(6, CLASS_GT), nullptr);
  motor.spreadMul = 0.0f;  // a motor has no curve
  EXPECT_EQ(motor.SimulationFault(6, CLASS_GT), nullptr);
  motor.maxTorque = 0.0f;
  EXPECT_STREQ(motor.SimulationFault(6, CLASS_GT), "maximum torque");
  motor.maxTorque = 300.0f, motor.redline = 0.0f;
  EXPECT_STREQ(motor.SimulationFault(6, CLASS_GT), "redline");
  motor.redline = 1500.0f, motor.maxPower = -90000.0f;  // a base speed of -300 rad/s
  EXPECT_STREQ(motor.SimulationFault(6, CLASS_GT), "base speed");
  motor.maxPower = 0.0f;  // no power: no torque above standstill, but nothing to refuse
  EXPECT_EQ(motor.SimulationFault(6, CLASS_GT), nullptr);
}

}  // namespace
