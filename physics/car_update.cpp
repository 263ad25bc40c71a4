// car_update.cpp - the car's per-step update: the step in its order (remote cars, counters,
// controls, rest, freezing, aerodynamics, engine, drive and wheels, body contacts, the force
// sum, fuel, pose and move, effects, orthonormal orientation, events, g vector and the
// driving figures), the entry points of the controls, events and race duties it calls, and
// the halt of a car whose state is not safe.
//
// The controls and the drive are in car_drive.cpp, the aerodynamic items in car_aero.cpp, the
// wheel effects in car_effects.cpp.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/report.h"
#include "physics/car.h"
#include "solid/physics_registry.h"
#include "solid/solid_hooks.h"
#include "world/race_state.h"

Vec3 CarImpactSum;

namespace {

constexpr uint32_t REMOTE_SILENCE_STEPS = 1500;
constexpr float REMOTE_DRIFT = 65.536f;          // 16.16 units per m/s in one millisecond
constexpr float REST_SPEED = 0.05f;              // m/s
constexpr float REST_ENGINE_SPEED = 6.2831855f;  // rad/s
constexpr float LEAST_CAR_MASS = 0.001f;         // kg
constexpr float FILTER_KEEP = 0.9f, FILTER_TAKE = 0.1f;
constexpr float SMOOTH_KEEP = 0.95f, SMOOTH_TAKE = 0.05f;
constexpr float ONE_OVER_G = 0.101936795f;
constexpr int32_t CONTROL_SUM_CHANGE = 511;
constexpr float NEGATIVE_FUEL_SHARE = 0.9f;

int WheelCount(const Car& car) { return std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); }

Vec3 Column(const float m[9], int c) { return {m[c], m[3 + c], m[6 + c]}; }
void SetColumn(float m[9], int c, const Vec3& v) {
  m[c] = v.x;
  m[3 + c] = v.y;
  m[6 + c] = v.z;
}
Vec3 Normalised(const Vec3& v) {
  const float l2 = LengthSquared(v);
  return l2 > 0.0f ? v * (1.0f / std::sqrt(l2)) : v;
}

bool OrientationIsFinite(const float m[9]) {
  for (int i = 0; i < 9; ++i)
    if (!std::isfinite(m[i])) return false;
  return true;
}

}  // namespace

// ---- rules that stand alone ----

float SteerAngleOfWord(uint16_t word, int lockDegrees) {
  return static_cast<float>(static_cast<int>(word) - STEERING_STRAIGHT) / 32768.0f *
         (-static_cast<float>(lockDegrees) * 3.14159265f / 180.0f);
}

int IsImpactAcceleration(const Vec3& impactSum, const float orientation[9], float mass) {
  if (!(mass > 0.0f)) return 0;
  const float ax = Dot(impactSum, Column(orientation, 0)) / mass;
  const float ay = Dot(impactSum, Column(orientation, 1)) / mass;
  return ax * ax + ay * ay > IMPACT_EVENT_ACCELERATION * IMPACT_EVENT_ACCELERATION ? 1 : 0;
}

// ---- entry points of parts built elsewhere ----


int Car::HaltIfUnsafe() {
  const double height = position.z / 65536.0 + offset.z;
  const bool finite = IsFinite(offset) && IsFinite(velocity) && IsFinite(angularMomentum) &&
                      OrientationIsFinite(orientation) && std::isfinite(speed);
  if (finite && speed <= CAR_MOST_SPEED && height >= CAR_LOWEST_HEIGHT && height <= CAR_HIGHEST_HEIGHT) return 0;
  if (!finite) {
    HaltOutOfRange();
  } else {
    ReportHalt(TEXT_CAR_UNSAFE);
    StopForReset();
  }
  return 1;
}

// ---- the step ----

void Car::Update(float dt, float gravity) {
  // 1.
  if (stepCountdown > 0) --stepCountdown;
  if (frozen && !remote) {
    // 9, early: a halted car stays where it is.
    FreezeCheck();
    storedStateCrc = StateCrc();
    return;
  }

  // 2, 3. A car driven by received data, or the local car's player.
  int player = -1;
  if (remote) {
    if (remoteState == -1) return;
    if (++stepsSinceState > REMOTE_SILENCE_STEPS) {
      active = 0;
      remoteGap = static_cast<float>(stepsSinceState) * 0.001f;
    }
    if (!active) {
      if (remoteState == 0) {
        position = {SaturatingAdd(position.x, FixedFromScaled(velocity.x * REMOTE_DRIFT)),
                    SaturatingAdd(position.y, FixedFromScaled(velocity.y * REMOTE_DRIFT)),
                    SaturatingAdd(position.z, FixedFromScaled(velocity.z * REMOTE_DRIFT))};
      }
      StopStartWatch();
      FollowPath(0);
      return;
    }
    if (RaceConnection.replayPlaying) {
      if (inputs.replayHold > 0) {
        --inputs.replayHold;
      } else {
        uint16_t* words[3] = {&inputs.steering, &inputs.throttle, &inputs.brake};
        for (int k = 0; k < 3; ++k) *words[k] = static_cast<uint16_t>(std::clamp(*words[k] + inputs.replayDeltas[k], 0, 65535));
      }
    }
  } else {
    player = GetPlayer();
  }

  // 4. The signal and flasher counters.
  if (signalFlag) signalCounter = static_cast<uint16_t>((signalCounter + 1) % 1000);
  if (flashFlag && (options2 & OPT2_FLASHER)) flashCounter = static_cast<uint16_t>((flashCounter + 1) % 300);

  // 5-7. The watch, the controls, anti-stall and the handbrake.
  const int watch = StopStartWatch();
  if (player >= 0) ProcessControls(player, watch);
  SmoothControls(dt, player);

  // 8. Rest: a still car with its engine off sleeps after 1000 steps; a sleeping one wakes
  // when its controls change, its engine runs or another body touches it.
  if (!awake) {
    if (touched || engine.running || ControlSum() != lastControlSum) {
      awake = 1;
    } else {
      return;
    }
  }
  if (!showCar) {
    const bool waiting = raceRunning && stopState != 0;
    if (!engine.running && speed < REST_SPEED && std::fabs(engine.speed) < REST_ENGINE_SPEED &&
        LengthSquared(filteredAcceleration) < 1.0f && !waiting && IsPlaceFree(Physics::Get(), *this)) {
      if (++restCount >= REST_STEPS) {
        restCount = 0;
        awake = 0;
        velocity = angularMomentum = {};
        linearImpulse = angularImpulse = impulseHandedOn = {};
        speed = engine.speed = smoothedWheelSpeed = tacho = 0.0f;
        lastControlSum = ControlSum();
        storedStateCrc = StateCrc();
        return;
      }
    } else {
      restCount = 0;
    }
  }

  // 9. A frozen remote car does nothing.
  if (frozen) return;

  // 14. Regenerative braking and anti-lock braking.
  if (assists.regenerative) RunRegenerativeBraking();
  if (antiLock) RunAntiLock(dt);

  // 15. Steering.
  controls.previousSteerAngle = controls.steerAngle;
  controls.steerAngle = SteerAngleOfWord(inputs.steering, steeringLock);

  // 16.
  if (mass < LEAST_CAR_MASS) return;

  // 17. The aerodynamic items.
  Vec3 sumForce = {}, sumTorque = {};
  SumAerodynamics(sumForce, sumTorque);
  if (testWeight & 1) {
    const Vec3 weight = {0.0f, 0.0f, testWeightMass * gravity};  // gravity is negative: down
    sumForce += weight;
    sumTorque += Cross(MatrixTimes(orientation, testWeightPoint), weight);
  }

  // 18. No fuel stops a combustion engine; the engine cut lasts this step's drive.
  const uint8_t kind = transmissionType;
  if (engine.running && !(fuelAmount > 0.0f) && kind != TRANSMISSION_ELECTRIC && kind != TRANSMISSION_NONE)
    engine.running = 0;
  int cutThisStep = 0;
  if (timers.engineCut > 0.0f) {
    timers.engineCut = std::max(timers.engineCut - dt, 0.0f);
    if (engine.running) {
      engine.running = 0;
      cutThisStep = 1;
    }
  }

  // 19. The effective ratio.
  if (kind == TRANSMISSION_NONE) {
    effectiveRatio = 0.0f;
  } else if (kind == TRANSMISSION_ELECTRIC) {
    effectiveRatio = gearRatios[FIRST_GEAR_SLOT] * finalDrive;
  } else {
    effectiveRatio = gear < GEAR_SLOTS ? gearRatios[gear] * finalDrive : 0.0f;
  }
  if (gear != lastGear) {
    if (gear != 1 && raceRunning) ++gearChanges;
    lastGear = gear;
  }

  // 20. Traction control.
  RunTractionControl();

  // 21. The impact sum starts again; the steering geometry.
  CarImpactSum = {};
  WheelEdgeForceSum = {};
  torque = {};
  SteeringGeometry();

  // 22-25. The engine, the drive and the wheels.
  RunEngine(dt);
  DriveWheels(dt, gravity);

  // 26. The body points' contacts.
  CheckContact(dt);

  // 27. The force sum about the centre of mass.
  float sprungMass = mass;
  const int count = WheelCount(*this);
  for (int i = 0; i < count; ++i) sprungMass -= wheels[i].unsprungMass;
  for (int i = 0; i < count; ++i) {
    const CarWheel& w = wheels[i];
    const Vec3 centre = offset + MatrixTimes(orientation, w.centre);
    const Vec3 at = w.inContact > 0.0f ? w.contactPoint : centre;
    sumForce += w.wheelForce;
    sumTorque += Cross(at - offset, w.wheelForce);
    // The anti-roll bar pushes the body the other way at the wheel's mount.
    const Vec3 bar = MatrixTimes(orientation, w.travelDirection) * -wheelSteps[i].antiRollForce;
    sumForce += bar;
    sumTorque += Cross(centre - offset, bar);
  }
  for (int i = 0; i < pointCount; ++i) {
    const SolidPoint& p = points[i];
    if (p.contactState == 0) continue;
    sumForce += p.contactForce;
    sumTorque += Cross(p.anchor - offset, p.contactForce);
    CarImpactSum += p.contactForce;
  }
  CarImpactSum += WheelEdgeForceSum;
  const Vec3 sprungAt = MatrixTimes(orientation, sprungCentre);
  const Vec3 weight = {0.0f, 0.0f, gravity * sprungMass};
  sumForce += weight;
  sumTorque += Cross(sprungAt, weight) + torque;
  force = sumForce;
  if (!IsFinite(sumForce) || !IsFinite(sumTorque)) {
    HaltOutOfRange();
    return;
  }
  const Vec3 c = WorldCentre();
  velocity += sumForce * (dt / mass);
  angularMomentum += (sumTorque - Cross(c, sumForce)) * dt;
  filteredForce = filteredForce * FILTER_KEEP + sumForce * FILTER_TAKE;
  if (player >= 0 && impactDamage) ApplyImpactDamage(player);

  // 28. Fuel, the smoothed engine figure, the engine cut and the traction cut given back.
  if (kind != TRANSMISSION_NONE) {
    const float used = fuelUsed < 0.0f ? fuelUsed * NEGATIVE_FUEL_SHARE : fuelUsed;
    fuelAmount = std::clamp(fuelAmount - used, 0.0f, fuelCapacity);
  }
  smoothedEngine = smoothedEngine * SMOOTH_KEEP + engine.speed * SMOOTH_TAKE;
  if (cutThisStep) engine.running = 1;
  if (assists.word & ASSIST_KEEP_CUT) {
    controls.throttle = controls.keptThrottle;
  } else if (controls.tractionFactor != 1.0f) {
    controls.tractionFactor = 2.0f;
  }

  // 29. The pose and the move.
  AdvancePose(dt, angularVelocity);
  Move();

  // 30. A stopped car whose controls moved starts its stop timing again.
  const int32_t sum = ControlSum();
  if (stopState != 0 && std::abs(sum - lastControlSum) > CONTROL_SUM_CHANGE) stoppedTiming = 0;
  lastControlSum = sum;

  // 31, 32.
  if (!showCar) WheelEffects();
  speed = std::sqrt(LengthSquared(velocity));
  filteredAcceleration = filteredAcceleration * FILTER_KEEP + sumForce * (FILTER_TAKE / mass);

  // 33. The impact event, the orientation made orthonormal, the periodic checks.
  if (!remote) {
    if (IsImpactAcceleration(CarImpactSum, orientation, mass))
      SendEventPacket(CAR_EVENT_IMPACT);
    else
      eventByte = static_cast<uint8_t>(eventByte & ~(1u << CAR_EVENT_IMPACT));
  }
  const Vec3 x = Column(orientation, 0);
  const Vec3 y = Normalised(Column(orientation, 1));
  const Vec3 z = Normalised(Cross(x, y));
  SetColumn(orientation, 0, Cross(y, z));
  SetColumn(orientation, 1, y);
  SetColumn(orientation, 2, z);
  if (player >= 0) PeriodicChecks(player);
  if (HaltIfUnsafe()) return;

  // 34. The g vector in the car's axes.
  const Vec3 g = filteredForce * (ONE_OVER_G / mass) + Vec3{0.0f, 0.0f, 1.0f};
  gInCarAxes = MatrixTransposeTimes(orientation, g);

  // 35. The path and the pit lane's speed limit, the state check word, the off-road event;
  // the driving figures.
  FollowPath(placedRemote ? 0 : 1);
  UpdatePitSpeedLimit();
  if (!remote) {
    storedStateCrc = StateCrc();
    OffTrackCheck();
  }
  if (!placedRemote) DrivingFigures(dt);
}

void Car::DrivingFigures(float dt) {
  // The wheel speed: the mean of the wheels on the ground, or the car's speed with none.
  const int count = WheelCount(*this);
  float sum = 0.0f, last = 0.0f;
  int touching = 0;
  for (int i = 0; i < count; ++i) {
    const CarWheel& w = wheels[i];
    const float ground = w.spinRate * wheelSets[w.wheelSet & 1].rollingRadius;
    if (w.driven && ground > 0.0f) last = ground;
    if (!w.groundContact) continue;
    sum += std::fabs(ground);
    ++touching;
  }
  float wheelSpeed = touching ? sum / static_cast<float>(touching) : speed;
  if (options & OPT1_LAST_DRIVEN_WHEEL_SPEED) wheelSpeed = last;
  if (std::isfinite(wheelSpeed))
    wheelOdometer = SaturatingAdd(wheelOdometer, FixedFromScaled(wheelSpeed * dt * 65536.0f));
  smoothedWheelSpeed = smoothedWheelSpeed * SMOOTH_KEEP + wheelSpeed * SMOOTH_TAKE;
  if (transmissionType == TRANSMISSION_NONE) return;
  const float idle = engine.idleSpeed, range = engine.redline - idle;
  if (engine.speed > idle && range > 0.0f)
    tacho = (engine.speed - idle) * 5.0f / range + 2.0f;
  else
    tacho = idle > 0.0f ? engine.speed * 2.0f / idle : 0.0f;
}
