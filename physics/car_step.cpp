// car_step.cpp - the car's stepping: catching up with the drawn time in 1 ms steps, the
// integration with the wheels' rays, the wind and the relative air, and the halt of a car
// whose motion leaves the 16.16 world.
//
// A wheel's ground ray hangs from the wheel centre (its mount, which follows the suspension):
// the tyre's lowest point is the centre plus the contact offset, turned about the upright by
// the steer angle, then by the car; the ray ends the wheel set's ray offset below that point
// and reaches its ray length up, along the car's z axis.  The tyre ray runs along the
// contact direction, from the centre out to the tyre's surface.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "core/frame_globals.h"
#include "core/report.h"
#include "core/window_state.h"
#include "physics/car.h"
#include "solid/solid_hooks.h"
#include "world/race_state.h"

namespace {

constexpr float STILL_AIR = 0.0001f;  // (m/s)^2: slower relative air has no direction
constexpr float AIR_REACH = 0.24f;    // s: how far ahead of the car the air figure reaches

// The rays are placed in double precision: a world position far from the origin keeps its
// millimetres, and the result is the rounding of the exact rotation.
struct Dvec {
  double x, y, z;
};
Dvec Widen(const Vec3& v) { return {v.x, v.y, v.z}; }
Dvec operator+(const Dvec& a, const Dvec& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Dvec operator*(const Dvec& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double DotD(const Dvec& a, const Dvec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
// R v for a row-major float matrix.
Dvec Turned(const float r[9], const Dvec& v) {
  return {r[0] * v.x + r[1] * v.y + r[2] * v.z, r[3] * v.x + r[4] * v.y + r[5] * v.z,
          r[6] * v.x + r[7] * v.y + r[8] * v.z};
}
// v turned about the unit axis k (right-handed) by the angle of the given cosine and sine.
Dvec AboutAxis(const Dvec& v, const Dvec& k, double c, double s) {
  const Dvec kv = {k.y * v.z - k.z * v.y, k.z * v.x - k.x * v.z, k.x * v.y - k.y * v.x};
  return v * c + kv * s + k * (DotD(k, v) * (1.0 - c));
}

// base + metres in 16.16, rounded to nearest (ties to even); false when it is not finite or
// leaves 32 bits.
bool OffsetFixed(int32_t base, double metres, int32_t& out) {
  const double sum = static_cast<double>(base) + std::nearbyint(metres * 65536.0);
  if (!(sum >= INT32_MIN && sum <= INT32_MAX)) return false;
  out = static_cast<int32_t>(sum);
  return true;
}
bool OffsetFixed(const IntVector& base, const Dvec& metres, IntVector& out) {
  return OffsetFixed(base.x, metres.x, out.x) && OffsetFixed(base.y, metres.y, out.y) &&
         OffsetFixed(base.z, metres.z, out.z);
}

void WidenBox(int32_t box[6], const IntVector& p) {
  box[0] = std::min(box[0], p.x), box[3] = std::max(box[3], p.x);
  box[1] = std::min(box[1], p.y), box[4] = std::max(box[4], p.y);
  box[2] = std::min(box[2], p.z), box[5] = std::max(box[5], p.z);
}

}  // namespace

void Car::AccumulateRunTime() {
  if (WindowInactive || !simulated || inertiaStatus != INERTIA_VALID) return;
  runTime += SimFrameTime;
  // Lag beyond a second is dropped, never stepped.
  if (runTime > CAR_MOST_LAG_MS && stepClock < runTime - CAR_MOST_LAG_MS) stepClock = runTime - CAR_MOST_LAG_MS;
  const float gravity = WorldLink.Gravity();
  while (stepClock < runTime) {
    // A car that has sunk to the floor waits, its steps kept, until something lifts it; one
    // whose mass properties stopped being physical in a step runs no further step.
    if (!IsRefPointAboveZero() || inertiaStatus != INERTIA_VALID) break;
    Integrate(CAR_STEP_SECONDS, 0);
    FloorContacts();
    CheckGround();
    Update(CAR_STEP_SECONDS, gravity);
    stepClock += CAR_STEP_MS;
    ++stepCount;
    // The car on show whose motion ran away stands placed again; its clock starts anew.
    if (ReplaceShowCar()) break;
  }
  // A frame of no time moves nothing: the last verdict stands.
  if (SimFrameTime > 0) shownPose.moving = uint8_t(ShownPoseMoved());
  if (shownPose.moving) KeepDrawing = 1;
}

int Car::ShownPoseMoved() {
  CarShownPose now{};
  now.position = position;
  for (int i = 0; i < 9; ++i) now.orientation[i] = orientation[i];
  now.engineSpeed = engine.speed;
  now.wheelCount = std::clamp(wheelCount, 0, CAR_MAX_WHEELS);
  for (int w = 0; w < now.wheelCount; ++w) {
    now.wheelTravel[w] = wheels[w].travel;
    now.wheelSteer[w] = wheels[w].steerAngle;
    now.wheelRotation[w] = wheels[w].rotationAngle;
  }
  now.recorded = 1;
  const CarShownPose before = shownPose;
  now.moving = before.moving;
  shownPose = now;
  if (!before.recorded || before.wheelCount != now.wheelCount) return 1;
  const double dx = double(now.position.x - before.position.x), dy = double(now.position.y - before.position.y),
               dz = double(now.position.z - before.position.z);
  const double limit = CAR_REST_DISTANCE_M * 65536.0;
  if (dx * dx + dy * dy + dz * dz > limit * limit) return 1;
  // For a small turn t between two orientations the squared difference of the matrices is
  // 4 (1 - cos t), close to 2 t^2.
  double squares = 0;
  for (int i = 0; i < 9; ++i) {
    const double d = double(now.orientation[i]) - double(before.orientation[i]);
    squares += d * d;
  }
  if (squares > 2.0 * CAR_REST_ANGLE_RAD * CAR_REST_ANGLE_RAD) return 1;
  if (std::fabs(double(now.engineSpeed) - double(before.engineSpeed)) > CAR_REST_ENGINE_SPEED) return 1;
  for (int w = 0; w < now.wheelCount; ++w) {
    if (std::fabs(double(now.wheelTravel[w]) - double(before.wheelTravel[w])) > CAR_REST_DISTANCE_M) return 1;
    if (std::fabs(double(now.wheelSteer[w]) - double(before.wheelSteer[w])) > CAR_REST_ANGLE_RAD) return 1;
    if (std::fabs(double(now.wheelRotation[w]) - double(before.wheelRotation[w])) > CAR_REST_ANGLE_RAD) return 1;
  }
  return 0;
}

int Car::IsRefPointAboveZero() const {
  const Vec3& c = massRecords[MASS_RECORD_BASE].centreWithoutWheels;
  const float height = orientation[6] * c.x + orientation[7] * c.y + orientation[8] * c.z;
  return int64_t{FixedFromScaled(height * 65536.0f)} + position.z > 0 ? 1 : 0;
}

int Car::GetPlayer() const {
  const int players = RaceLink.PlayerCount();
  for (int i = 0; i < players; ++i)
    if (RaceLink.PlayerCar(i) == this) return i;
  return -1;
}

void Car::StopForReset() {
  frozen = 1;
  speed = 0.0f;
  velocity = angularMomentum = {};
}

void Car::HaltOutOfRange() {
  ReportHalt(TEXT_CAR_MOTION_OUT_OF_RANGE);
  StopForReset();
  if (!IsFinite(offset)) offset = {};
}

void Car::Integrate(float dt, int flags) {
  rayReachMade = 0;
  if (!active) return;
  if (damageRestorePending) {
    std::lock_guard<std::recursive_mutex> lock(CarLock);
    damageRestorePending = 0;
    RestoreUndamagedPoints();
    ApplyDamageNodesPhysical(*this);
  }
  if (!IsFinite(offset) || !IsFinite(velocity) || !IsFinite(angularMomentum)) HaltOutOfRange();
  if (IsLocalCar()) {
    UpdateMassProperties();
    if (StateCrc() != storedStateCrc && RaceConnection.connectionOpen == 0) RaceConnection.carChanged = 1;
  }
  Solid::Integrate(dt, flags);
  if (!PlaceWheelRays()) HaltOutOfRange();

  windVelocity = locationKind == LOCATION_ON_TRACK ? WorldLink.Wind() : Vec3{0.0f, 0.0f, 0.0f};
  for (AeroItem& item : aeroItems) item.airVelocity = windVelocity;
  stepContactWord = 0;

  lastVelocity = velocity;
  const Vec3 air = windVelocity - velocity;
  const float still = LengthSquared(air);
  if (still < STILL_AIR) {
    airDirection = {};
    airFigures[0] = airFigures[1] = airFigures[2] = 0.0f;
  } else {
    const float length = std::sqrt(still);
    airDirection = air * (1.0f / length);
    airFigures[0] = radius;
    airFigures[1] = length * AIR_REACH + radius;
    airFigures[2] = -radius;
  }
}

int Car::PlaceWheelRays() {
  const Dvec up = {orientation[2], orientation[5], orientation[8]};  // the car's z axis
  const int count = std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS);
  for (int i = 0; i < count; ++i) {
    CarWheel& w = wheels[i];
    const SuspensionBlock& set = wheelSets[w.wheelSet & 1];
    Dvec offset = Widen(w.contactOffset);
    if (w.steerAngle != 0.0f) {
      w.steerTrig.Of(w.steerAngle);
      offset = AboutAxis(offset, Widen(w.uprightAxis), w.steerTrig.cosine, w.steerTrig.sine);
    }
    const Dvec mount = Turned(orientation, Widen(w.centre));
    IntVector end, ray;
    if (!OffsetFixed(position, mount + Turned(orientation, offset) + up * -static_cast<double>(set.rayOffset), end) ||
        !OffsetFixed(IntVector{}, up * -static_cast<double>(set.rayLength), ray))
      return 0;
    w.groundRay.world = end;
    w.groundRay.fromCentre = ray;
    w.groundRay.ClearCandidate();
    WidenBox(box, end);

    if (w.tyreScale == 0.0f) continue;
    // Along the contact direction, carried by the car, out to the tyre's surface.
    const float length = std::sqrt(LengthSquared(w.contactOffset));
    const Dvec along = length > 0.0f ? Turned(orientation, Widen(w.contactOffset * (1.0f / length))) : Dvec{};
    const double scale = w.tyreScale;
    const double reach = static_cast<double>(set.rollingRadius) + set.extraRadius;
    if (!OffsetFixed(position, mount + along * (reach * scale), end) || !OffsetFixed(IntVector{}, along * scale, ray))
      return 0;
    const uint8_t surface = w.tyreRay.candidateKind;
    w.tyreRay.world = end;
    w.tyreRay.fromCentre = ray;
    w.tyreRay.ClearCandidate();
    w.tyreRay.candidateKind = surface;
    WidenBox(box, end);
  }
  return 1;
}
