// engine_curve_test.cpp - the engine's curve and steps against the test's own double-precision
// transcription of the model, built from the definition alone: the sample engines and a sweep
// of definitions at 4096 speeds, the greatest torque and power against a dense optimum, the
// bell's peak and half width, the ease-in from idle, and stepped over 1 ms: a free-revving
// engine on its limiter, a coasting engine against the closed-form spin-down, a turbo at a
// held speed against its equilibrium and an electric motor's constant power.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/vehicle_gen/sample_engines.h"
#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_class.h"

namespace {

constexpr double DT = 0.001;

// The model in double precision from the definition (after BuildCurve's clamps).
struct Reference {
  double peakTorque, peakSpeed, spread, idle, resistance, limit, boost;
  explicit Reference(const EngineModel& e) {
    const double size = e.engineSize, perCylinder = size / e.cylinders;
    const double r = std::pow(perCylinder, 0.33333298), W = 4654.0 / r;
    peakTorque = e.torquePerCc * size;
    peakSpeed = e.camTiming * W;
    spread = e.spreadMul * 0.55 * W;
    idle = e.idleSpeed;
    resistance = size * perCylinder * e.resistanceMul;
    limit = e.torqueLimit;
    boost = e.flags & ENGINE_TURBO ? 1.0 + e.turboMaxBoost : 1.0;
  }
  double Friction(double w) const { return w > 0 ? resistance * w * w + 0.015 * peakTorque : 0.0; }
  double Bell(double w) const {
    const double x = (w - peakSpeed) / spread;
    return peakTorque / (1.0 + x * x);
  }
  double Curve(double w) const {
    if (w <= 0) return 0;
    double t = Bell(w);
    if (1.5 * idle > w) {
      const double u = w * 0.667 / idle;
      t *= (3.0 - 2.0 * u) * u * u;
    }
    if (limit != 0 && boost * t - Friction(w) > limit) t = (limit + Friction(w)) / boost;
    return t;
  }
  double Net(double w) const { return boost * Curve(w) - Friction(w); }
};

// An engine of a class's figures, built.
EngineModel Built(int vehicleClass, float size, int cylinders, int layout, uint32_t flags, float limit) {
  EngineModel e{};
  e.Reset();
  e.TakeClassFigures(vehicleClass);
  e.engineSize = size;
  e.cylinders = uint8_t(cylinders);
  e.layout = uint8_t(layout);
  e.flags = flags;
  e.turboMaxBoost = 0.8f;
  e.torqueLimit = limit;
  e.redline = 1.0f;
  e.BuildCurve(vehicleClass);  // for the peak speed the redline is set from
  e.redline = 1.3f * e.peakSpeed;
  e.BuildCurve(vehicleClass);
  return e;
}

// The combustion samples, built with their class.
std::vector<EngineModel> BuiltSamples() {
  std::vector<EngineModel> engines;
  for (int i = 0; i < SAMPLE_ENGINE_COUNT; ++i) {
    if (SAMPLE_ENGINES[i].electric) continue;
    EngineModel e{};
    BuildSampleEngine(i, e);
    e.FreeWaves();
    e.BuildCurve(SAMPLE_ENGINES[i].vehicleClass);
    engines.push_back(e);
  }
  return engines;
}

// The curve torque, the net torque and the power at 4096 speeds up to the redline.
void ExpectCurve(const EngineModel& e, const Reference& ref, const char* what) {
  for (int i = 0; i <= 4096; ++i) {
    const double w = double{e.redline} * i / 4096.0;
    const float wf = float(w);
    const double t = ref.Curve(wf), n = ref.Net(wf);
    const double scale = ref.boost * std::fabs(t) + ref.Friction(wf) + 1e-3 * ref.peakTorque;
    ASSERT_NEAR(e.TorqueAtRpm(wf), t, 2e-5 * scale) << what << " at " << w;
    ASSERT_NEAR(e.NetTorqueAt(wf), n, 2e-5 * scale) << what << " at " << w;
    ASSERT_NEAR(e.NetTorqueAt(wf) * wf, n * wf, 2e-5 * scale * wf) << what << " at " << w;
  }
}

// The greatest net torque and power lie within one grid step (1/256 of the redline) of a dense
// optimum; a torque held at its limit has a flat top, so there only the figure counts.
void ExpectMaxima(const EngineModel& e, const Reference& ref, const char* what) {
  double bestTorque = -1e30, torqueSpeed = 0, bestPower = -1e30, powerSpeed = 0;
  for (int i = 1; i <= 65536; ++i) {
    const double w = double{e.redline} * i / 65536.0, n = ref.Net(w);
    if (n > bestTorque) bestTorque = n, torqueSpeed = w;
    if (n * w > bestPower) bestPower = n * w, powerSpeed = w;
  }
  const double step = e.redline / 256.0 + 1e-5 * e.redline;  // and the float grid's rounding
  EXPECT_NEAR(e.maxPowerSpeed, powerSpeed, step) << what;
  EXPECT_LE(e.maxPower, bestPower * (1 + 2e-5)) << what;
  EXPECT_GE(e.maxPower, ref.Net(e.maxPowerSpeed) * e.maxPowerSpeed * (1 - 2e-5)) << what;
  EXPECT_LE(e.maxTorque, bestTorque + 2e-5 * ref.boost * ref.peakTorque) << what;
  if (ref.limit != 0 && bestTorque >= ref.limit * (1 - 1e-9)) {
    EXPECT_NEAR(e.maxTorque, ref.limit, 1e-4 * ref.limit) << what << ": held at the limit";
  } else {
    EXPECT_NEAR(e.maxTorqueSpeed, torqueSpeed, step) << what;
    EXPECT_GE(e.maxTorque, ref.Net(e.maxTorqueSpeed) - 2e-5 * ref.boost * ref.peakTorque) << what;
  }
}

TEST(EngineCurve, SamplesAndASweepOfDefinitionsAgreeWithTheDoublePrecisionModel) {
  for (const EngineModel& e : BuiltSamples()) {
    const Reference ref(e);
    ExpectCurve(e, ref, "sample");
    ExpectMaxima(e, ref, "sample");
  }
  // Both ends of each class's size range, 1 to 12 cylinders in each layout, the turbo on and
  // off, and a torque limit that holds the top of every fourth.
  int engines = 0, limited = 0;
  for (int c = 0; c < VEHICLE_CLASS_COUNT; ++c) {
    const VehicleClass& row = VehicleClassRow(c);
    for (float size : {row.engineSizeMin, row.engineSizeMax}) {
      for (int cylinders = 1; cylinders <= 12; ++cylinders) {
        for (int layout = ENGINE_INLINE; layout <= ENGINE_V; ++layout) {
          const uint32_t flags = (cylinders + layout) % 2 ? ENGINE_TURBO : 0;
          const float limit = cylinders % 4 == 0 ? 0.6f * row.torquePerCc * size : 0.0f;
          const EngineModel e = Built(c, size, cylinders, layout, flags, limit);
          const Reference ref(e);
          char what[64];
          std::snprintf(what, sizeof what, "class %d, %.0f cc, %d cylinders, layout %d", c, double{size}, cylinders,
                        layout);
          ExpectCurve(e, ref, what);
          ExpectMaxima(e, ref, what);
          if (HasFailure()) return;
          ++engines;
          limited += limit != 0;
        }
      }
    }
  }
  EXPECT_EQ(engines, 12 * 2 * 12 * 3);
  EXPECT_GT(limited, 0);
}

TEST(EngineCurve, TheBellPeaksAtItsSpeedAndEasesInFromIdle) {
  for (EngineModel e : BuiltSamples()) {
    e.torqueLimit = 0.0f;  // the bell itself
    const Reference ref(e);
    ASSERT_GT(e.peakSpeed - e.spread, 1.5f * e.idleSpeed);
    EXPECT_NEAR(e.TorqueAtRpm(e.peakSpeed), ref.peakTorque, 1e-5 * ref.peakTorque);
    EXPECT_NEAR(e.TorqueAtRpm(e.peakSpeed + e.spread), ref.peakTorque / 2, 1e-5 * ref.peakTorque);
    EXPECT_NEAR(e.TorqueAtRpm(e.peakSpeed - e.spread), ref.peakTorque / 2, 1e-5 * ref.peakTorque);

    // Continuous where the ease-in ends, rising from nothing below it.
    const float edge = 1.5f * e.idleSpeed;
    const float below = std::nextafter(edge, 0.0f), above = std::nextafter(edge, 1e9f);
    EXPECT_NEAR(e.TorqueAtRpm(below), e.TorqueAtRpm(above), 1e-6 * ref.peakTorque);
    EXPECT_EQ(e.TorqueAtRpm(0.0f), 0.0f);
    float last = 0.0f;
    for (int i = 1; i <= 1000; ++i) {
      const float t = e.TorqueAtRpm(edge * float(i) / 1000.0f);
      ASSERT_GT(t, last) << i;
      last = t;
    }
  }
}

// A running engine at full throttle, out of gear, health 1.
EngineModel Revving(float speed) {
  EngineModel e{};
  BuildSampleEngine(2, e);  // the flat six: no turbo
  e.FreeWaves();
  e.BuildCurve(SAMPLE_ENGINES[2].vehicleClass);
  e.ratio = 0.0f;
  e.running = 1;
  e.throttle = 1.0f;
  e.speed = speed;
  return e;
}

TEST(EngineCurve, AFreeRevvingEngineSettlesOnItsLimiter) {
  EngineModel e = Revving(300.0f);
  const Reference ref(e);
  const double r = e.redline;
  // Where the limited torque meets the friction: c(w) T(w) = F(w), c falling from 1 at 0.99 r
  // to 0 at r.
  auto excess = [&](double w) { return (1 - (w - 0.99 * r) * 100 / r) * ref.Curve(w) - ref.Friction(w); };
  ASSERT_GT(excess(0.99 * r), 0) << "the engine reaches its limiter";
  double lo = 0.99 * r, hi = r;
  for (int i = 0; i < 60; ++i) (excess(0.5 * (lo + hi)) > 0 ? lo : hi) = 0.5 * (lo + hi);
  float power, limiter = 0.0f;
  for (int step = 0; step < 20000; ++step) {
    e.UpdateClutch();
    e.UpdateTorque(float(DT), power, limiter);
  }
  EXPECT_GT(e.speed, 0.99 * r);
  EXPECT_LT(e.speed, r);
  EXPECT_NEAR(e.speed, lo, 1e-4 * r);
  EXPECT_EQ(e.health, 1.0f) << "never over the redline";
}

TEST(EngineCurve, ACoastingEngineSpinsDownInTheClosedFormTime) {
  EngineModel e = Revving(0.0f);
  e.speed = 0.9f * e.redline;
  e.throttle = 0.0f;
  const double I = e.inertia, k = e.resistance, c0 = 0.015 * double{e.peakTorque}, w0 = e.speed;
  const double expected = I / std::sqrt(k * c0) * (std::atan(w0 * std::sqrt(k / c0)) - std::atan(std::sqrt(k / c0)));
  float power, limiter = 0.0f;
  int steps = 0;
  while (e.speed > 0.0f && steps < 10000000) {
    e.UpdateClutch();
    e.UpdateTorque(float(DT), power, limiter);
    ++steps;
  }
  EXPECT_EQ(e.speed, 0.0f);
  EXPECT_NEAR(steps * DT, expected, 0.01 * expected);
  EXPECT_EQ(e.running, 1u) << "a stopped crank is still running";
}

TEST(EngineCurve, ATurboAtAHeldSpeedReachesItsEquilibriumBoost) {
  for (float speed : {250.0f, 500.0f, 700.0f}) {
    EngineModel e{};
    BuildSampleEngine(1, e);  // the turbocharged four
    e.FreeWaves();
    e.BuildCurve(SAMPLE_ENGINES[1].vehicleClass);
    e.running = 1;
    e.throttle = 1.0f;
    const Reference ref(e);
    // (P k - d s)(1 - g) = d s with P = w T (boost + 1), boost = M s / S: solved for s.
    const double M = e.turboMaxBoost, S = 15707.964, d = e.turboDrag, T = ref.Curve(speed);
    auto rate = [&](double s) {
      const double b = M * s / S;
      const double g = b >= M ? 1.0 : b > 0.95 * M ? (b - 0.95 * M) / (0.05 * M) : 0.0;
      return (speed * T * (b + 1) * 6.711e-7 - d * s) * (1 - g) - d * s;
    };
    double lo = 0, hi = S;
    for (int i = 0; i < 80; ++i) (rate(0.5 * (lo + hi)) > 0 ? lo : hi) = 0.5 * (lo + hi);
    const double boost = M * lo / S;
    float power, limiter = 0.0f;
    for (int step = 0; step < 60000; ++step) {
      e.speed = speed;  // held
      e.UpdateTorque(float(DT), power, limiter);
    }
    EXPECT_NEAR(e.boost, boost, 2e-3 * M) << speed;
  }
}

TEST(EngineCurve, AnElectricMotorsPowerStaysAtItsMaximumAboveItsBaseSpeed) {
  EngineModel e{};
  BuildSampleEngine(SAMPLE_ENGINE_COUNT - 1, e);
  ASSERT_TRUE(SAMPLE_ENGINES[SAMPLE_ENGINE_COUNT - 1].electric);
  e.FreeWaves();
  e.Recompute(6, SAMPLE_ENGINES[SAMPLE_ENGINE_COUNT - 1].vehicleClass);
  e.running = 1;
  e.throttle = 1.0f;
  const float base = e.maxTorqueSpeed;
  ASSERT_GT(base, 0.0f);
  for (int i = 0; i <= 100; ++i) {
    const float w = base + (0.985f * e.redline - base) * float(i) / 100.0f;
    e.speed = w;
    e.inertia = 1e30f;  // the speed held
    float power;
    e.UpdateElectric(float(DT), power, 2);
    ASSERT_NEAR(power, e.maxPower, 1e-5 * e.maxPower) << w;
  }
  // Below the base speed the full torque.
  e.speed = 0.5f * base;
  float power;
  EXPECT_NEAR(e.UpdateElectric(float(DT), power, 2), e.maxTorque, 1e-5 * e.maxTorque);
}

}  // namespace
