// car_drive.cpp - the car's controls and drive in its step: the pedals smoothed with the
// anti-stall, the automatic clutch, the idle governor, the pit limiter and the brake aids;
// regenerative and anti-lock braking; traction control; the steering geometry; the engine and
// its coupling to the wheels; the drive split with the differentials; and each wheel's step.
//
// The drive-train coupling: the clutch's torque (its spring between the crank and the
// driveline, EngineModel::UpdateClutch) times the effective ratio and the drivetrain's
// efficiency is the torque at the driven wheels; the driveline turns with the driven wheels'
// mean spin (weighted by the axles' torque factors) times the effective ratio.  An electric
// motor has no clutch: it passes (its speed - the driveline's) x a gain that takes up half of
// that difference in one step (MotorCouplingGain).
#include <algorithm>
#include <cmath>

#include "core/report.h"
#include "physics/car.h"
#include "physics/car_setup_local.h"
#include "solid/solid_hooks.h"
#include "text/language.h"
#include "vehicle_data/vehicle_class.h"

namespace {

constexpr float SLEW = 0.02f;  // per step: 50 ms from 0 to 1
constexpr float WORD = 1.0f / 65535.0f;
constexpr float CLUTCH_FULL_SPEED = 209.43951f;  // rad/s, 2000 rpm
constexpr float CLUTCH_RANGE = 62.83185f;        // rad/s, 600 rpm
constexpr float KMH = 0.2777778f;
constexpr float BRAKE_LIMIT_TIME = 0.2f;         // s
constexpr float BRAKE_WATCH_SPEED = 5.0f;        // m/s
constexpr float BRAKE_WATCH_GRIP = 0.925f;
constexpr float ANTI_LOCK_SHARE = 0.8f;
constexpr float ANTI_LOCK_SPEED = 5.0f;          // m/s
constexpr float ANTI_LOCK_FLOOR = 19.62f;        // m/s^2 x dt: the reference never keeps the last step's value
constexpr uint8_t ANTI_LOCK_RELEASE = 100, ANTI_LOCK_FALL = 20;
constexpr float TWO_PI = 6.2831855f;
constexpr float BEARING_DRAG = 0.1f;             // N m on every wheel
constexpr float STRAIGHT = 1e-5f;                // rad
constexpr float SPIN_ANGLE_LIMIT = 100.53097f, SPIN_ANGLE_WRAP = 201.06194f;
constexpr float PI_F = 3.14159265f;
constexpr float MOTOR_COUPLING_SHARE = 0.5f;   // of the motor's speed difference taken up in a step
constexpr uint8_t GEAR_NEUTRAL = 1;

float Slew(float value, float target) { return value + std::clamp(target - value, -SLEW, SLEW); }

int WheelCount(const Car& car) { return std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); }

bool HasEngine(const Car& car) { return car.transmissionType != TRANSMISSION_NONE; }

// The governor's throttle: rising to 1 as a running engine falls below its stall speed.
float IdleGovernor(const Car& car) {
  const float stall = car.StallSpeed();
  if (!car.engine.running || !(stall > 0.0f) || car.engine.speed >= stall) return 0.0f;
  return std::min(1.0f - car.engine.speed / stall, 1.0f);
}

}  // namespace

float CentrifugalClutch(float engineSpeed) {
  if (engineSpeed <= CLUTCH_FULL_SPEED) return 1.0f;
  return std::max(1.0f - (engineSpeed - CLUTCH_FULL_SPEED) / CLUTCH_RANGE, 0.0f);
}

float PitLimitScale(float speed, int limitKmh) {
  if (limitKmh <= 0) return 1.0f;
  const float limit = static_cast<float>(limitKmh) * KMH, band = limit / 8.0f;
  if (speed <= limit - band) return 1.0f;
  return std::max(1.0f - (speed - limit + band) / band, 0.0f);
}

void SplitAxleTorque(const AxleDifferential& d, float torque, float spinA, float spinB, float inertia, float dt,
                     float& a, float& b) {
  const float half = torque * 0.5f;
  a = b = half;
  const float difference = spinA - spinB;
  if (d.kind == DIFF_VISCOUS) {
    float shift = difference * static_cast<float>(d.viscous);
    const float most = std::fabs(difference) * 0.5f * inertia / dt;
    shift = std::clamp(shift, -most, most);
    a -= shift;
    b += shift;
  } else if (d.kind == DIFF_LIMITED_SLIP) {
    const float locking = static_cast<float>(torque >= 0.0f ? d.powerLocking : d.coastLocking) * 0.01f;
    float shift = std::fabs(locking * half) + static_cast<float>(d.preload) * 5.0f;
    shift = std::min(shift, std::fabs(difference) * 0.5f * inertia / dt);
    // Toward the slower wheel.
    if (difference > 0.0f) {
      a -= shift;
      b += shift;
    } else if (difference < 0.0f) {
      a += shift;
      b -= shift;
    }
  }
}

void Car::SmoothControls(float dt, int player) {
  const bool engine = HasEngine(*this);
  const bool stopped = stopState != 0;
  const uint8_t kind = transmissionType;

  // 6. Anti-stall: the clutch held out while the engine is about to stall.
  if (assists.autoClutch && gear != GEAR_NEUTRAL && this->engine.speed < 0.75f * StallSpeed())
    timers.antiStall = timers.antiStallSet;
  float clutchTarget = inputs.clutch * WORD;
  if (timers.antiStall > 0.0f) {
    const float half = 0.5f * timers.antiStallSet;
    clutchTarget = std::max(clutchTarget, timers.antiStall < half ? timers.antiStall / half : 1.0f);
    timers.antiStall = std::max(timers.antiStall - dt, 0.0f);
  }

  // 7. The further control steps and the handbrake.
  if (player >= 0) {
    ProcessToggles(player);
    TrackInputActivity(player);
  }
  const float handbrakeInput = inputs.handbrake * WORD;
  if (stopped && handbrakeInput > 0.1f) handbrakeHeld = 1;
  if (handbrakeHeld) {
    const bool inGear = gear != GEAR_NEUTRAL;
    const bool movesOff = kind == TRANSMISSION_NONE ? controls.throttle >= 0.25f
                          : kind == TRANSMISSION_ELECTRIC ? inGear && controls.throttle >= 0.25f
                                                          : inGear && controls.clutch <= 0.9f;
    if (!stopped || movesOff) handbrakeHeld = 0;
  }
  if (handbrakeHeld) {
    controls.handbrake = 1.0f;
  } else if (stopped || (options2 & OPT2_HANDBRAKE)) {
    controls.handbrake = handbrakeInput;
  } else {
    controls.handbrake = 0.0f;
    // Shown once a press, to the local human driver only.
    if (inputs.handbrake == 0) {
      handbrakeShown = 0;
    } else if (!handbrakeShown && !remote && player >= 0 && RaceLink.PlayerType(player) == PLAYER_LOCAL_HUMAN) {
      ReportLine(LanguageTexts[TX_3h_nohandbr], REPORT_MESSAGE);
      handbrakeShown = 1;
    }
  }

  // 10. The clutch.
  if (engine) {
    if (kind == TRANSMISSION_CENTRIFUGAL) {
      clutchTarget = CentrifugalClutch(this->engine.speed);
    } else if (assists.autoClutch && gear != GEAR_NEUTRAL &&
               std::fabs(engineLoadSpin * effectiveRatio) < 1.1f * this->engine.speed) {
      const float stall = StallSpeed(), w = this->engine.speed;
      float bite = 1.0f;
      if (!(w - stall < 0.25f * stall)) {
        const float e = std::max(0.667f * this->engine.maxTorqueSpeed * inputs.throttle * WORD, 1.5f * stall);
        bite = 1.0f - (w - 1.25f * stall) / (e - 1.25f * stall);
      }
      clutchTarget = std::max(clutchTarget, std::clamp(bite, 0.0f, 1.0f));
    }
    controls.clutch = Slew(controls.clutch, clutchTarget);
  }

  // 11. The throttle: the governor, the pit limiter, the cut, the launch hold and the blip.
  float throttleTarget = std::min(std::max(inputs.throttle * WORD, IdleGovernor(*this)), 1.0f);
  if (assists.pitLimit && !remote) throttleTarget *= PitLimitScale(speed, assists.pitLimit);
  controls.throttle = Slew(controls.throttle, throttleTarget);
  if (timers.ignitionCut > 0.0f) {
    controls.throttle = 0.0f;
    timers.ignitionCut = std::max(timers.ignitionCut - dt, 0.0f);
  }
  if (timers.launchHold) {
    const float radius = wheelSets[0].rollingRadius;
    if (radius > 0.0f && this->engine.speed > speed * effectiveRatio / radius)
      controls.throttle = 0.0f;
    else
      timers.launchHold = 0;
  }
  if (timers.blip > 0.0f) {
    if (timers.blipSet > 0.0f) controls.throttle = std::max(controls.throttle, timers.blip / timers.blipSet * 0.5f);
    timers.blip = std::max(timers.blip - dt, 0.0f);
  }

  // 12. The brake, with the grip watch of the brake assist and the hold.
  float brakeTarget = inputs.brake * WORD;
  if (assists.brakeAssist && !remote) {
    if (!(timers.brakeLimit > 0.0f) && speed > BRAKE_WATCH_SPEED) {
      bool gripLeft[CAR_WHEEL_SETS] = {};
      for (int i = 0; i < WheelCount(*this); ++i)
        if (wheels[i].groundContact && wheelSteps[i].gripUse < BRAKE_WATCH_GRIP) gripLeft[wheels[i].wheelSet & 1] = true;
      if (!(gripLeft[0] && gripLeft[1])) timers.brakeLimit = BRAKE_LIMIT_TIME;
    }
    if (timers.brakeLimit > 0.0f) {
      brakeTarget = std::min(brakeTarget, timers.brakeLimit * 0.667f / BRAKE_LIMIT_TIME + 0.333f);
      timers.brakeLimit = std::max(timers.brakeLimit - dt, 0.0f);
    }
  }
  controls.brake = Slew(controls.brake, brakeTarget);
  if ((assists.hold && !remote && assists.holdMode != 4) || assists.remoteHold) {
    controls.brake = std::max(controls.brake, stopped ? 0.125f : 0.5f);
    if (kind == TRANSMISSION_ELECTRIC || kind == TRANSMISSION_CENTRIFUGAL)
      controls.throttle = IdleGovernor(*this);
    else
      timers.antiStall = timers.antiStallSet;
  }

  // 13. Engine-braking compensation.
  if (engine && (assists.word & ASSIST_ENGINE_BRAKING) && controls.tractionFactor == 1.0f && assists.compensation &&
      gear > GEAR_NEUTRAL && controls.clutch < 0.05f) {
    const float w = this->engine.speed;
    const float t = this->engine.TorqueAtRpm(w);
    const float loss = w > 0.0f ? this->engine.resistance * w * w + this->engine.peakTorque * 0.015f : 0.0f;
    if (t > 1.0f)
      controls.throttle = std::max(controls.throttle,
                                   std::min(std::fabs(assists.compensation * loss * 0.01f / t), 1.0f));
  }
}

void Car::RunAntiLock(float dt) {
  const int count = WheelCount(*this);
  if (!(controls.brake > 0.0f)) {
    controls.antiLockReference = 0.0f;
    for (int i = 0; i < count; ++i) wheelSteps[i].antiLockRelease = 0;
    return;
  }
  if (controls.antiLockReference != 0.0f) controls.antiLockReference = std::max(dt * ANTI_LOCK_FLOOR, 0.0f);
  float ground[CAR_MAX_WHEELS] = {};
  for (int i = 0; i < count; ++i) {
    ground[i] = std::fabs(wheels[i].spinRate * wheelSets[wheels[i].wheelSet & 1].rollingRadius);
    controls.antiLockReference = std::max(controls.antiLockReference, ground[i]);
  }
  for (int i = 0; i < count; ++i) {
    uint8_t& release = wheelSteps[i].antiLockRelease;
    if (ground[i] < ANTI_LOCK_SHARE * controls.antiLockReference && controls.antiLockReference > ANTI_LOCK_SPEED)
      release = ANTI_LOCK_RELEASE;
    else if (release != 0)
      release = static_cast<uint8_t>(release > ANTI_LOCK_FALL ? release - ANTI_LOCK_FALL : 0);
  }
}

void Car::RunRegenerativeBraking() {
  controls.regenShare = 0.0f;
  controls.frictionShare = 1.0f;
  const float w = engine.speed;
  if (!assists.electricOn || stopState != 0 || !assists.selectorInDrive || !(controls.throttle < 0.001f) ||
      !(controls.brake >= 0.001f) || !(w >= TWO_PI))
    return;
  float available = assists.regenTorque;
  if (w > assists.regenCornerSpeed && assists.regenCornerSpeed > 0.0f) available *= assists.regenCornerSpeed / w;
  available *= gearRatios[FIRST_GEAR_SLOT] * finalDrive;
  if (singleAxleMotor) available *= 0.5f;
  const int driven = driveType == DRIVE_FRONT ? 1 : 0;
  const float demand = wheelSets[driven].brakeTorque * controls.brake;
  if (!(demand > 0.0f) || !(available > 0.0f)) return;
  if (available >= demand) {
    controls.frictionShare = 0.0f;
    controls.regenShare = demand / available;
  } else {
    controls.regenShare = 1.0f;
    controls.frictionShare = 1.0f - available / demand;
  }
}

void Car::RunTractionControl() {
  controls.tractionFactor = 1.0f;
  controls.keptThrottle = controls.throttle;
  if (!(assists.word & ASSIST_TRACTION) || assists.tractionDisabled || !(controls.throttle > 0.1f) ||
      !(inputs.throttle * WORD > 0.1f) || !(effectiveRatio > 1.0f) || !(controls.clutch < 0.5f))
    return;
  float reference = 0.0f, driven = 0.0f;
  int drivenCount = 0;
  for (int i = 0; i < WheelCount(*this); ++i) {
    const CarWheel& w = wheels[i];
    const float ground = std::fabs(w.spinRate * wheelSets[w.wheelSet & 1].rollingRadius);
    if (w.driven) {
      driven += ground;
      ++drivenCount;
    } else {
      reference = std::max(reference, ground);
    }
  }
  const float least = assists.tractionMinSpeed;
  if (!drivenCount || !(reference > least) || !(reference > 0.0f)) return;
  const float slip = driven / static_cast<float>(drivenCount) * assists.tractionGain / reference;
  const float s = assists.tractionSlip * 0.001f;
  if (!(slip > 1.0f + s) || !(s > 0.0f)) return;
  float cut = std::min((slip - 1.0f - s) / (0.5f * s), 1.0f);
  if (reference < 1.5f * least && least > 0.0f) cut *= (reference - least) / (0.5f * least);
  controls.tractionFactor = 1.0f - cut;
  controls.throttle *= controls.tractionFactor;
}

float Car::LeanTarget() const {
  const float lockRadians = static_cast<float>(steeringLock) * PI_F / 180.0f;
  if (!(std::fabs(controls.steerAngle) >= STRAIGHT) || !(lockRadians > 0.0f)) return 0.0f;
  const float share = controls.steerAngle * 1.0471976f / lockRadians;
  const float lean = std::atan(speed * speed / (WheelBaseDivisor() / std::tan(controls.steerAngle)) / 9.81f);
  const float target = std::fabs(share) < std::fabs(lean) ? share : lean;
  return std::isfinite(target) ? target : 0.0f;
}

void Car::SteeringGeometry() {
  const float lockRadians = static_cast<float>(steeringLock) * PI_F / 180.0f;
  if (vehicleClass == CLASS_BIKE && speed > 2.0f) {
    // Leaning steering: the wheels steer to bring the lean to its target.
    const Vec3 x = {orientation[0], orientation[3], orientation[6]};
    const Vec3 y = {orientation[1], orientation[4], orientation[7]};
    const float roll = std::asin(std::clamp(x.z, -1.0f, 1.0f));
    const float p = Dot(angularVelocity, y);
    const float pDot = (p - previousRollRate) / CAR_STEP_SECONDS;
    previousRollRate = p;
    const float target = LeanTarget();
    const float dt = CAR_STEP_SECONDS;
    const float h = std::sqrt(2.0f * speed) * 0.125f * 0.25f;
    wheelSteerAngle += (roll - h * p - h * h * pDot / 2.0f - target) * 8.0f * dt / speed -
                       4.0f * dt * (4.0f / std::sqrt(2.0f * speed)) * (h * pDot + p) / speed;
    wheelSteerAngle = std::clamp(wheelSteerAngle, -lockRadians, lockRadians);
  } else {
    wheelSteerAngle = controls.steerAngle;
  }
  if (WheelCount(*this) == 0) return;
  const float a = wheelSteerAngle;
  turningRadius = WheelBaseDivisor() / std::tan(std::fabs(a));
  turnSide = a > STRAIGHT ? 1 : (a < -STRAIGHT ? 2 : 0);
}

float Car::MotorCouplingGain(float dt) const {
  // The gain that takes up half of a speed difference between the motor and the driveline in
  // one step: the coupling's torque turns the motor back and, through the ratio, the driven
  // wheels on.
  if (!(engine.inertia > 0.0f) || !(dt > 0.0f)) return 0.0f;
  float driven = 0.0f;
  for (int i = 0; i < WheelCount(*this); ++i)
    if (wheels[i].driven) driven += wheels[i].spinInertia;
  float give = 1.0f / engine.inertia;
  if (driven > 0.0f) give += effectiveRatio * effectiveRatio * drivetrainEfficiency / driven;
  const float gain = MOTOR_COUPLING_SHARE / (dt * give);
  return std::isfinite(gain) ? gain : 0.0f;
}

void Car::RunEngine(float dt) {
  const uint8_t kind = transmissionType;
  fuelUsed = 0.0f;
  driveTorque = 0.0f;
  if (kind == TRANSMISSION_NONE) return;
  engine.ratio = effectiveRatio;
  engine.clutchPedal = controls.clutch;
  float power = 0.0f, net = 0.0f;
  if (kind == TRANSMISSION_ELECTRIC) {
    float throttle = controls.throttle;
    if (controls.regenShare > 0.0f)
      throttle = -controls.regenShare;
    else if (!(fuelAmount > 0.0f))
      throttle = 0.0f;
    engine.throttle = throttle;
    // The motor turns with the driveline: the torque it passes is (its speed - the driveline's
    // speed) x the coupling's gain.
    engine.clutchTorque = (engine.speed - engineLoadSpin * effectiveRatio) * MotorCouplingGain(dt);
    if (!std::isfinite(engine.clutchTorque)) engine.clutchTorque = 0.0f;
    net = engine.UpdateElectric(dt, power, gear);
    fuelUsed = power * dt * 2.7777778e-7f;
  } else {
    engine.throttle = controls.throttle;
    engine.UpdateClutch();
    float limiter = 1.0f;
    net = engine.UpdateTorque(dt, power, limiter);
    fuelUsed = power * dt * 1.75f * 3.3333333e-8f;
  }
  driveTorque = engine.clutchTorque * effectiveRatio * drivetrainEfficiency;
  if (!std::isfinite(driveTorque)) driveTorque = 0.0f;
  // The crank's turning pushes the body the other way about the crank axis.
  const Vec3 reaction = MatrixTimes(orientation, engineSpinAxis) * -net;
  if (IsFinite(reaction)) torque += reaction;
}

void Car::DriveWheels(float dt, float gravity) {
  const int count = WheelCount(*this);
  for (int i = 0; i < count; ++i) wheelSteps[i].driveTorque = 0.0f;

  // Two-wheeler balance at low speed.
  if (vehicleClass == CLASS_BIKE && speed < 2.0f && std::fabs(orientation[6]) < 0.5f && balanceGain != 0.0f) {
    const Vec3 y = {orientation[1], orientation[4], orientation[7]};
    const float roll = std::asin(orientation[6]);
    torque += y * ((roll - LeanTarget()) * balanceGain * 15.0f - Dot(angularVelocity, y) * balanceGain * 3.0f);
  }

  // The drive split between the axles.
  float setTorque[CAR_WHEEL_SETS] = {};
  const bool driving = transmissionType != TRANSMISSION_NONE && gear != GEAR_NEUTRAL && driveType != DRIVE_NONE;
  if (driving) {
    if (driveType == DRIVE_REAR) {
      setTorque[0] = driveTorque;
    } else if (driveType == DRIVE_FRONT) {
      setTorque[1] = driveTorque;
    } else {
      setTorque[0] = torqueFactors[0] * 0.5f * driveTorque;
      setTorque[1] = torqueFactors[1] * 0.5f * driveTorque;
      if (centreCoupling == 1) {
        float mean[CAR_WHEEL_SETS] = {};
        int n[CAR_WHEEL_SETS] = {};
        for (int i = 0; i < count; ++i) {
          mean[wheels[i].wheelSet & 1] += wheels[i].spinRate;
          ++n[wheels[i].wheelSet & 1];
        }
        if (n[0] && n[1]) {
          const float moved = (mean[1] / n[1] - mean[0] / n[0]) * centreStrength;
          setTorque[1] -= moved;
          setTorque[0] += moved;
        }
      }
    }
  }

  // Each axle: the anti-roll bar, then its differential.
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    const SuspensionBlock& set = wheelSets[axle];
    const int first = set.leftWheel - 1, second = set.rightWheel - 1;
    const bool pair = set.paired && first >= 0 && first < count && second >= 0 && second < count;
    if (pair) {
      const float bar = (wheels[second].travel - wheels[first].travel) * liveAntiRoll[axle];
      wheelSteps[first].antiRollForce = std::isfinite(bar) ? bar : 0.0f;
      wheelSteps[second].antiRollForce = std::isfinite(bar) ? -bar : 0.0f;
    }
    if (setTorque[axle] == 0.0f) continue;
    if (pair) {
      if (!wheels[first].driven) continue;
      AxleDifferential d;
      const int at = SETUP_AXLE[axle];
      d.kind = currentSetup.bytes[at + AXLE_DIFFERENTIAL];
      d.viscous = currentSetup.bytes[at + AXLE_VISCOUS];
      d.powerLocking = currentSetup.bytes[at + AXLE_POWER_LOCKING];
      d.coastLocking = currentSetup.bytes[at + AXLE_COAST_LOCKING];
      d.preload = currentSetup.bytes[at + AXLE_PRELOAD];
      SplitAxleTorque(d, setTorque[axle], wheels[first].spinRate, wheels[second].spinRate,
                      wheels[first].spinInertia, dt, wheelSteps[first].driveTorque, wheelSteps[second].driveTorque);
    } else {
      // Without a differential the whole torque goes to one wheel: the only driven one, or of
      // two the one with the lower grip (the later on a tie).
      int chosen = -1;
      for (int i = 0; i < count; ++i) {
        if ((wheels[i].wheelSet & 1) != axle || !wheels[i].driven) continue;
        if (chosen < 0 || wheels[i].frictionLimit <= wheels[chosen].frictionLimit) chosen = i;
      }
      if (chosen >= 0) wheelSteps[chosen].driveTorque = setTorque[axle];
    }
  }

  // Each wheel: its travel, geometry, steer angle, brake and tyre step.
  const float invDt = 1.0f / dt;
  const float downforceShare[CAR_WHEEL_SETS] = {
      aeroItems[AERO_REAR_WING].flags & AERO_REAR_UNSPRUNG ? aeroItems[AERO_REAR_WING].downforce * 0.5f : 0.0f,
      aeroItems[AERO_FRONT_WING].flags & AERO_FRONT_UNSPRUNG ? aeroItems[AERO_FRONT_WING].downforce * 0.5f : 0.0f};
  const Vec3 carUp = {orientation[2], orientation[5], orientation[8]};
  const float handbrakeStrength = AxleFloat(*this, 0, AXLE_SIXTH);
  const float airCooling = 1.0f + speed / 10.0f;
  steeringTorqueSum = 0.0f;
  for (int i = 0; i < count; ++i) {
    CarWheel& w = wheels[i];
    WheelStep& step = wheelSteps[i];
    const int axle = w.wheelSet & 1;
    const SuspensionBlock& set = wheelSets[axle];
    w.travel += w.travelVelocity * dt;
    if (w.travel < 0.0f) {
      w.travel = 0.0f;
      w.travelVelocity = 0.0f;
    } else if (w.travel > w.maxTravel) {
      w.travel = w.maxTravel;
      w.travelVelocity = 0.0f;
    }
    w.UpdateSuspensionGeometry(set);

    // The steer angle: the front wheels follow the steering with their Ackermann share.
    float steer = 0.0f;
    if (axle == 1) {
      const float lateral = w.restMount.x, a = wheelSteerAngle;
      steer = a;
      if (std::fabs(lateral) > 0.001f && std::fabs(a) > STRAIGHT) {
        const float sign = a > 0.0f ? 1.0f : -1.0f;
        const float ackermann = sign * std::atan(WheelBaseDivisor() / (turningRadius + lateral * sign));
        const float share = ackermannPercent * 0.01f;
        steer = ackermann * share + a * (1.0f - share);
      }
    }
    w.steerAngle = steer + w.toeAngle * w.side;

    // The brake: the pedal's share less what the anti-lock releases (the driven axle's share
    // goes to the motor while it regenerates), the bearings' drag, and the handbrake behind.
    float brake = w.brakeTorque * controls.brake * (1.0f - step.antiLockRelease * 0.01f);
    if (w.driven) brake *= controls.frictionShare;
    brake += BEARING_DRAG;
    if (axle == 0) brake += controls.handbrake * handbrakeStrength;
    if (!std::isfinite(brake) || brake < 0.0f) brake = BEARING_DRAG;

    w.spinTorque = step.driveTorque;
    const Vec3 centre = offset + MatrixTimes(orientation, w.centre);
    Vec3 outside = MatrixTimes(orientation, w.travelDirection) * step.antiRollForce + carUp * downforceShare[axle];
    if (!IsFinite(outside)) outside = {};
    w.UpdateWheelForces(set, orientation, centre, brake, steeringTorqueSum, dt, invDt, gravity, *this, outside);
    w.UpdateTyreTemperatures(set, 0, dt, airCooling);
    // The grip in use is the tyre step's sliding indicator: the share of the patch that
    // slides (0 or 1 while barely rolling).
    step.gripUse = std::isfinite(w.sliding) ? w.sliding : 0.0f;
  }

  // A solid axle turns its two wheels as one.
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    const SuspensionBlock& set = wheelSets[axle];
    const int first = set.leftWheel - 1, second = set.rightWheel - 1;
    if (!set.lockedDifferential || first < 0 || first >= count || second < 0 || second >= count) continue;
    const float spin = (wheels[first].spinRate + wheels[second].spinRate) * 0.5f;
    float angle = (wheels[first].rotationAngle + wheels[second].rotationAngle) * 0.5f;
    if (angle > SPIN_ANGLE_LIMIT) angle -= SPIN_ANGLE_WRAP;
    if (angle < -SPIN_ANGLE_LIMIT) angle += SPIN_ANGLE_WRAP;
    wheels[first].spinRate = wheels[second].spinRate = spin;
    wheels[first].rotationAngle = wheels[second].rotationAngle = angle;
  }

  // The driveline follows the driven wheels.
  float spin = 0.0f, weight = 0.0f;
  for (int i = 0; i < count; ++i) {
    if (!wheels[i].driven) continue;
    const float share = driveType == DRIVE_FOUR ? torqueFactors[wheels[i].wheelSet & 1] : 1.0f;
    spin += wheels[i].spinRate * share;
    weight += share;
  }
  engineLoadSpin = weight > 0.0f ? spin / weight : 0.0f;
  if (transmissionType != TRANSMISSION_NONE && effectiveRatio != 0.0f && std::isfinite(engineLoadSpin))
    engine.drivelineAngle += engineLoadSpin * effectiveRatio * dt;
}
