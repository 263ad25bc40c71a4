// car_gearbox.cpp - the automatic gearbox's decision and the gear change itself, with the
// drive side and the off-centre driver the car's set-up asks about.
//
// The power the gearbox compares is the engine's net torque (the curve's torque times the
// boost multiplier, less the friction) times its speed; the lowest shift speed is half the
// speed of the engine's greatest power, so that an up-shift at the rev limit lands above it
// and a down-shift below it (the box never hunts between two gears).  The gear change's "engine torque" is the torque the clutch
// passes into the gearbox.
#include <algorithm>
#include <cmath>
#include <mutex>

#include "physics/car.h"
#include "vehicle_data/vehicle_file.h"

namespace {

constexpr uint8_t GEAR_NEUTRAL = 1, GEAR_FIRST = 2;
constexpr float STALL_SHARE = 0.75f;
constexpr float SHIFT_DOWN_THROTTLE = 0.5f;
constexpr float DECISION_CLUTCH = 0.75f, UPSHIFT_CLUTCH = 0.05f;
constexpr float UPSHIFT_GRIP = 0.925f;
constexpr float REV_LIMIT_SHARE = 0.99f;
constexpr float DISENGAGED = 0.9f;
constexpr float REV_MATCH = 0.02f;
constexpr float ENGAGE_TORQUE_SHARE = 0.3f;

float Power(const EngineModel& e, float w) { return e.NetTorqueAt(w) * w; }

}  // namespace

int Car::AutoShiftDecision(float w) const {
  if (transmissionType == TRANSMISSION_NONE) return SHIFT_KEEP;
  if (w < STALL_SHARE * StallSpeed() && gear > GEAR_FIRST && controls.throttle > SHIFT_DOWN_THROTTLE) return SHIFT_DOWN;
  if (gear == GEAR_NEUTRAL || controls.clutch > DECISION_CLUTCH) return SHIFT_KEEP;
  if (gear >= GEAR_SLOTS) return SHIFT_KEEP;
  const float ratio = gearRatios[gear];
  if (ratio == 0.0f || !std::isfinite(ratio)) return SHIFT_KEEP;
  const float r = 1.0f / ratio;
  const float lowest = 0.5f * engine.maxPowerSpeed;
  if (gear >= GEAR_FIRST && gear + 1 < gearCount && gear + 1 < GEAR_SLOTS && w > lowest) {
    if (controls.clutch > UPSHIFT_CLUTCH) return SHIFT_KEEP;
    for (int i = 0; i < std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS); ++i)
      if (wheels[i].driven && (!wheels[i].groundContact || wheelSteps[i].gripUse > UPSHIFT_GRIP)) return SHIFT_KEEP;
    if (w > REV_LIMIT_SHARE * engine.redline) return SHIFT_UP;
    const float next = gearRatios[gear + 1] * r * w;
    return Power(engine, w) < Power(engine, next) ? SHIFT_UP : SHIFT_KEEP;
  }
  if (gear > GEAR_FIRST && w < lowest) {
    const float next = gearRatios[gear - 1] * r * w;
    if (Power(engine, w) < Power(engine, next) && next < lowest) return SHIFT_DOWN;
  }
  return SHIFT_KEEP;
}

void Car::AutoShift() {
  timers.launchHold = 0;
  const int answer = AutoShiftDecision(engine.speed);
  if (answer == SHIFT_DOWN) {
    gearbox.requested = static_cast<uint8_t>(gear - 1);
    gearbox.shiftTimer = SHIFT_DOWN_STEPS;
  } else if (answer == SHIFT_UP) {
    gearbox.requested = static_cast<uint8_t>(gear + 1);
    gearbox.shiftTimer = SHIFT_UP_STEPS;
  }
}

void Car::ExecuteGearChange() {
  const uint8_t kind = transmissionType;
  const uint8_t target = gearbox.requested;
  const bool up = target > gear;
  const uint8_t upAssist = gearAssist[0], downAssist = gearAssist[1], shiftAssist = gearAssist[3];
  // 1. The clutch armed: always for a shift assisted on kinds 1 and 5, else when leaving
  // neutral with the assist.
  if (shiftAssist && (kind == TRANSMISSION_H_PATTERN || kind == TRANSMISSION_PADDLE || gear == GEAR_NEUTRAL)) {
    timers.antiStall = timers.antiStallSet;
    controls.clutch = 1.0f;
  }
  // 2. From neutral: at once with the clutch out or an engine nearly still, else at a rev match.
  const auto fromNeutral = [&] {
    bool engage = controls.clutch > DISENGAGED || engine.speed < 1.0f;
    if (!engage && target < GEAR_SLOTS) {
      float spin = 0.0f;
      int driven = 0;
      for (int i = 0; i < std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS); ++i) {
        if (!wheels[i].driven) continue;
        spin += torqueFactors[wheels[i].wheelSet & 1] * wheels[i].spinRate;
        ++driven;
      }
      const float mean = driven ? spin / static_cast<float>(driven) : 0.0f;
      const float mismatch = (engine.speed - gearRatios[target] * finalDrive * mean) / engine.speed;
      engage = std::fabs(mismatch) < REV_MATCH;
    }
    if (engage) gear = target;
  };
  if (gear == GEAR_NEUTRAL) {
    fromNeutral();
    return;
  }
  // 3. From another gear.
  const bool latched = gearbox.upLatch || gearbox.downLatch;
  if (kind == TRANSMISSION_H_PATTERN) {
    if (latched) {
      if (controls.clutch > DISENGAGED) gear = target;
      return;
    }
    if (up && upAssist) timers.launchHold = 1;
    if (!up && target >= GEAR_FIRST && downAssist) timers.blip = timers.blipSet;
    gear = GEAR_NEUTRAL;
    if (target != GEAR_NEUTRAL) fromNeutral();
    return;
  }
  if (gearbox.changeStarted != target + 1) {
    gearbox.changeStarted = static_cast<uint8_t>(target + 1);
    if (up) {
      if (upAssist)
        timers.ignitionCut = timers.upShiftSet;
      else if (kind == TRANSMISSION_SEQUENTIAL_CUT)
        timers.engineCut = timers.upShiftSet;
    } else if (target >= GEAR_FIRST && downAssist) {
      timers.blip = timers.blipSet;
    }
  }
  if (std::fabs(engine.clutchTorque) < ENGAGE_TORQUE_SHARE * engine.maxTorque) gear = target;
}

int Car::HasOffCentreDriver() const {
  return std::fabs(driverPosition.x) >= OFF_CENTRE && !(options & OPT1_DRIVE_SIDE_LOCKED) ? 1 : 0;
}

int Car::SetDriveSide(int requested) {
  raceHooks.requestedDriveSide = static_cast<uint8_t>(requested & 1);
  const uint8_t was = mirrored;
  ChooseMirrored(*this, requested);
  if (mirrored != was) {
    {
      std::lock_guard<std::recursive_mutex> lock(CarLock);
      modelRebuild = 1;
    }
    SetupFromVehicle(0);
  }
  return mirrored;
}
