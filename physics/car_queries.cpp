// car_queries.cpp - the read-only questions the vehicle editor, the information panel, the
// car's set-up and the animation loader ask of a car, and the car's two check words.
#include <algorithm>
#include <bit>
#include <cmath>

#include "core/checksum.h"
#include "physics/car.h"
#include "solid/solid_hooks.h"
#include "vehicle_data/vehicle_class.h"

namespace {

constexpr float CENTRAL_DRIVER = 0.2f;
constexpr float OCCUPANT_MASS = 70.0f;
constexpr int LEAST_LOCK = 15, MOST_LOCK = 60, FRONT_DRIVEN_LOCK = 30, SALOON_LOCK = 45;
constexpr float LOCK_LEAST_SPACE = 0.01f;  // m
constexpr double PI = 3.14159265358979323846;

// The check words' CRC: each byte shifted in below the register.
struct Crc {
  uint32_t value;
  void Byte(uint8_t b) { value = (value << 8 | b) ^ Crc32Table[value >> 24]; }
  void Word(uint32_t w) { value = Crc32Word(value, w); }
  void Float(float f) { Word(std::bit_cast<uint32_t>(f)); }
  void Short(int16_t s) {
    Byte(static_cast<uint8_t>(s));
    Byte(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
  }
};

int StoredLock(const Car& car, int i) { return car.setups[i].record.bytes[SETUP_STEERING_LOCK]; }

}  // namespace

void Car::ComputeBoundingRadius() {
  float largest = radius * radius;
  const int wheels = std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS);
  for (int i = 0; i < wheels; ++i) {
    const Vec3& p = wheelPositions[i];
    const SuspensionBlock& set = wheelSets[this->wheels[i].wheelSet & 1];
    const float half = set.sectionWidth / 2.0f;
    const float reach = LengthSquared(p) + set.rollingRadius * set.rollingRadius + half * half;
    if (reach > largest) largest = reach;
  }
  if (largest > radius * radius) radius = std::sqrt(largest);
  radiusFixed = std::max(largestMeshRadius, FixedFromMetres(radius));
}

void Car::GetAnimationNeeds(int& front, int& rear) const {
  front = (options & OPT1_FRONT_PASSENGER) && std::fabs(driverPosition.x) >= CENTRAL_DRIVER ? 1 : 0;
  rear = options & OPT1_BACK_SEAT ? 1 : 0;
}

float Car::ComputeDownforce() const {
  const float occupants = options & OPT1_BACK_SEAT ? 5.0f : 2.0f;
  const float gravity = WorldLink.Gravity ? WorldLink.Gravity() : -9.81f;
  float load = (massWithoutOccupants + OCCUPANT_MASS * occupants) * gravity;
  if (totalLiftArea < 0.0f && totalDragArea > 0.0f) {
    // The downforce at the speed the engine's power holds against the drag, no faster than
    // the top speed's most (a drag area next to nothing would make it endless).
    const float power = std::max(engine.maxPower, 0.0f) * drivetrainEfficiency;
    const float v = std::min(std::cbrt(power / totalDragArea), MOST_TOP_SPEED);
    load += v * v * totalLiftArea;
  }
  return -load;
}

void Car::GetSuspensionLimits(float& springLeast, float& springMost, float& dampingLeast, float& dampingMost,
                              float& antiRollMost) const {
  const double load = ComputeDownforce();
  const double steps = 1.0 + std::trunc(std::clamp(0.0011 * load, 0.0, 1e6));
  springMost = static_cast<float>(steps * 10000.0);
  springLeast = springMost / 10.0f;
  dampingMost = static_cast<float>(steps * 1000.0);
  dampingLeast = dampingMost / 10.0f;
  antiRollMost = springMost;
}

void Car::TyrePressureRange(int axle, int& lowest, int& highest) const {
  if (options2 & OPT2_PRESSURE_LIMITS) {
    lowest = rimWords[0];
    highest = std::max<int>(lowest + 1, rimWords[1]);
    return;
  }
  const int rated = setupCount > 0 ? SetupShort(setups[0].record, SETUP_AXLE[axle & 1] + AXLE_PRESSURE_LEFT) : 0;
  lowest = 0;
  highest = std::max(1, static_cast<int>(std::lround(1.5 * rated)));
}

void Car::ClampedTyrePressureRange(int axle, int& lowest, int& highest) const {
  TyrePressureRange(axle, lowest, highest);
  highest = std::min(highest, TyrePressureLimit());
  if (highest <= lowest) highest = lowest + 1;
}

int Car::TyrePressureLimit() const {
  // The vehicle's own mass, as the ballast's limit reads it: a damaged mass counts as none.
  const double kilograms = massWithoutOccupants > 0.0f ? std::min(double{massWithoutOccupants}, 1e9) : 0.0;
  const double root = std::sqrt(kilograms / 1000.0);
  return static_cast<int>(1.0 - std::trunc(-60.0 * root)) * 10;
}

int Car::GetMaxSteeringLock() const {
  const int configuration = currentSetup.bytes[SETUP_CONFIGURATION];
  if (options2 & OPT2_FIXED_LOCK) return std::max(LEAST_LOCK, setupCount > 0 ? StoredLock(*this, 0) : 0);
  if (driveType & DRIVE_FRONT) {
    if (vehicleClass == CLASS_GT && (configCount < 2 || configuration == 1)) return FRONT_DRIVEN_LOCK;
  } else {
    if (vehicleClass >= CLASS_TOURING_CAR && vehicleClass <= CLASS_BUGGY) return SALOON_LOCK;
    if (vehicleClass == CLASS_GT && configuration == 1) {
      // The lock the front wheel leaves room for: its width against the space inside it.
      const SuspensionBlock& front = wheelSets[1];
      const float space = 0.5f * front.trackWidth - front.wheelOffset;
      if (!(space >= LOCK_LEAST_SPACE)) return MOST_LOCK;
      const double degrees = std::round(std::atan(0.3 * front.sectionWidth / space) * 180.0 / PI);
      if (!(degrees > LEAST_LOCK)) return LEAST_LOCK;  // a damaged figure too
      return degrees < MOST_LOCK ? static_cast<int>(degrees) : MOST_LOCK;
    }
  }
  int largest = LEAST_LOCK;
  for (int i = 0; i < setupCount; ++i) largest = std::max(largest, StoredLock(*this, i));
  return largest;
}

void Car::GetTyreTypeRange(int& lowest, int& highest) const {
  if (options2 & OPT2_TYRE_TYPE_LIMITS) {
    lowest = rimBytes[1];
    highest = rimBytes[2];
    return;
  }
  const int configuration = currentSetup.bytes[SETUP_CONFIGURATION];
  highest = 7;
  switch (vehicleClass) {
    case CLASS_TOURING_CAR: lowest = 4; break;
    case CLASS_SALOON:
    case CLASS_VAN:
    case CLASS_TRUCK: lowest = 5; break;
    case CLASS_BUGGY: lowest = 6; break;
    case CLASS_GT:
      lowest = 1;
      highest = configCount >= 2 && configuration == 1 ? 7 : 3;
      break;
    case CLASS_BIKE: lowest = 0; break;
    default:
      lowest = setupCount > 0 && setups[0].record.bytes[SETUP_AXLE[0] + AXLE_TYRE_TYPE] > 1 ? 1 : 0;
      highest = 4;
      break;
  }
}

void Car::SetOptionFlags(uint32_t bits) {
  uint8_t& a = gearAssist[0];
  uint8_t& second = gearAssist[1];
  uint8_t& b = gearAssist[2];
  a = second = 0;
  b = bits & 0x200 ? 1 : 0;
  gearAssist[3] = bits & 0x8 ? 1 : 0;
  gearAssist[4] = bits & 0x40 ? 1 : 0;
  const bool eight = bits & 0x8;
  switch (transmissionType) {
    case TRANSMISSION_NONE:
    case TRANSMISSION_ELECTRIC: b = 0; break;
    case TRANSMISSION_H_PATTERN:
      if (eight) a = second = b = 1;
      break;
    case TRANSMISSION_MOTORBIKE:
    case TRANSMISSION_SEQUENTIAL:
      if (eight) a = b = 1;
      break;
    case TRANSMISSION_SEQUENTIAL_CUT:
      if (eight) b = 1;
      break;
    case TRANSMISSION_PADDLE: a = second = b = 1; break;
    case TRANSMISSION_CENTRIFUGAL: b = 1; break;
    default: break;
  }
}

uint32_t Car::StateCrc() const {
  Crc crc{std::bit_cast<uint32_t>(mass)};
  crc.Float(massWithoutOccupants);
  crc.Float(velocity.x);
  crc.Float(velocity.y);
  crc.Float(velocity.z);
  crc.Word(static_cast<uint32_t>(position.x));
  crc.Word(static_cast<uint32_t>(position.y));
  crc.Word(static_cast<uint32_t>(position.z));
  const int wheels = std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS);
  for (int i = 0; i < wheels; ++i) crc.Float(this->wheels[i].travel);
  return crc.value;
}

uint32_t Car::ConfigCrc(uint32_t seed) {
  Crc crc{seed};
  for (int i = 0; i < framePointCount; ++i) {
    crc.Word(static_cast<uint32_t>(framePoints[i].x));
    crc.Word(static_cast<uint32_t>(framePoints[i].y));
    crc.Word(static_cast<uint32_t>(framePoints[i].z));
  }
  for (int i = 0; i < frameTubeCount; ++i) {
    crc.Short(frameTubes[i].a);
    crc.Short(frameTubes[i].b);
  }
  // The closing records that are in use (a first value not 0): their other two values.
  for (const float(&item)[3] : aero) {
    if (item[0] == 0.0f) continue;
    crc.Float(item[1]);
    crc.Float(item[2]);
  }
  crc.Byte(vehicleClass);
  crc.Byte(transmissionType);
  crc.Byte(driveType);
  const int wheels = std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS);
  for (int i = 0; i < wheels; ++i) {
    crc.Float(wheelPositions[i].x);
    crc.Float(wheelPositions[i].y);
    crc.Float(wheelPositions[i].z);
  }
  for (const SuspensionBlock& set : wheelSets)
    for (float f : {set.sectionWidth, set.aspectRatio, set.rimRadius, set.rimWidth, set.wheelOffset, set.trackWidth})
      crc.Float(f);
  for (uint8_t b : currentSetup.bytes) crc.Byte(b);
  configCrc = crc.value;
  return configCrc;
}

int32_t Car::ControlSum() const {
  int32_t sum = inputs.steering + inputs.throttle + inputs.brake + inputs.clutch + inputs.handbrake;
  const CarRequests& r = inputs.requests;
  return r.shiftUp || r.shiftDown || r.ignition || r.pitLimiter ? sum + 1024 : sum;
}

int Car::FewWheelsOfKinds() const {
  // The kinds of the ground beside the road.
  const int count = std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS);
  int on = 0;
  for (int i = 0; i < count; ++i) {
    const uint8_t kind = wheels[i].surfaceKind;
    if (kind == 3 || kind == 4 || kind == 17) ++on;
  }
  return on < 3 ? 1 : 0;
}

int Car::FirstTwoItemsOff() const {
  return (aeroItems[AERO_REAR_WING].flags & AERO_PRESENT) || (aeroItems[AERO_FRONT_WING].flags & AERO_PRESENT) ? 0 : 1;
}
