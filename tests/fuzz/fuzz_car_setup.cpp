// fuzz_car_setup.cpp - a sample car whose 120 set-up bytes and vehicle figures come from the
// input, set up from its vehicle data: either the car is refused as not physical (with its
// code), or every figure the set-up derives is finite and inside its clamp, and setting up
// again changes none of them.
//
// Input: byte 0 picks the sample, byte 1 the set-up chosen (own, first or second default) and
// whether the default set-up is kept in step, bytes 2..5 the class, power unit, drive and a
// few option bits; then 120 bytes laid over the chosen set-up (XOR, so that zeros keep the
// sample's), then groups of floats, each behind a byte whose bit 0 says whether the group
// is taken (what runs out reads as 0).  Finite floats are held within +-100 (engine figures
// +-1e6); NaN and infinities come through.  Then four assist bytes and up to eight sets of
// controls of five bytes, each driven for 250 steps; once the input is read, 100 steps more
// with the controls let go end the drive.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "physics/car_events.h"
#include "physics/car_setup_local.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle_data/vehicle_class.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size, at;
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  uint32_t Word() {
    uint32_t w = 0;
    for (int i = 0; i < 4; ++i) w |= static_cast<uint32_t>(Byte()) << (8 * i);
    return w;
  }
  float Float(float limit) {
    const uint32_t bits = Word();
    float v;
    std::memcpy(&v, &bits, 4);
    if (std::isfinite(v)) v = v > limit ? limit : (v < -limit ? -limit : v);
    return v;
  }
  // A group of floats replaced when its byte says so.
  void Group(std::initializer_list<float*> figures, float limit) {
    if (!(Byte() & 1)) return;
    for (float* f : figures) *f = Float(limit);
  }
};

#define CHECK(condition)                                                            \
  do {                                                                              \
    if (!(condition)) {                                                             \
      std::fprintf(stderr, "fuzz_car_setup: %s (line %d)\n", #condition, __LINE__); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

bool Finite(const Vec3& v) { return IsFinite(v); }
bool Within(float v, float lo, float hi) { return v >= lo && v <= hi; }

void TakeFigures(Input& in, Car& car) {
  const float METRES = 100.0f, ENGINE = 1e6f;
  for (int i = 0; i < CAR_MAX_WHEELS; ++i) {
    Vec3& p = car.wheelPositions[i];
    in.Group({&p.x, &p.y, &p.z}, METRES);
  }
  for (SuspensionBlock& s : car.wheelSets) {
    s.suspensionType = static_cast<uint8_t>(s.suspensionType ^ (in.Byte() % 8));
    in.Group({&s.sectionWidth, &s.aspectRatio, &s.rimRadius, &s.rimWidth}, METRES);
    in.Group({&s.maxUpPosition, &s.caster, &s.inclination, &s.includedAngle, &s.wheelOffset, &s.trackWidth}, METRES);
    in.Group({&s.lowerArmLength, &s.upperArmLength, &s.halfUprightLength}, METRES);
  }
  for (float(&item)[3] : car.aero) in.Group({&item[0], &item[1]}, METRES);
  in.Group({&car.enginePosition.x, &car.enginePosition.y, &car.enginePosition.z}, METRES);
  in.Group({&car.wheelBaseAddition, &car.steeringWheelTurn, &car.smallBatteryMass, &car.fuelTankCapacity}, METRES);
  EngineModel& e = car.engine;
  in.Group({&e.engineSize, &e.torquePerCc, &e.redline, &e.maxPower, &e.maxTorque, &e.turboMaxBoost}, ENGINE);
  for (int i = 0; i < 2; ++i)
    for (uint8_t& b : car.wingAngles[i]) b = static_cast<uint8_t>(b ^ in.Byte());
  // The first default set-up's ride heights and pressures, which the own set-up is held to.
  SetupRecord& first = car.setups[0].record;
  for (const int axle : SETUP_AXLE) {
    float ride = SetupFloat(first, axle + AXLE_RIDE_HEIGHT);
    in.Group({&ride}, METRES);
    SetSetupFloat(first, axle + AXLE_RIDE_HEIGHT, ride);
    first.bytes[axle + AXLE_PRESSURE_LEFT] = static_cast<uint8_t>(first.bytes[axle + AXLE_PRESSURE_LEFT] ^ in.Byte());
  }
}

// The car's greatest load before its intake restriction, as the brakes and suspension see it.
float DesignLoad(Car& car) {
  const EngineModel kept = car.engine;
  car.engine.Recompute(car.transmissionType, car.vehicleClass);
  const float load = car.ComputeDownforce();
  car.engine = kept;
  return load;
}

void CheckFigures(Car& car) {
  const int wheels = CarWheelCount(car);
  for (int i = 0; i < wheels; ++i) {
    const CarWheel& w = car.wheels[i];
    CHECK(Finite(w.centre) && Finite(w.designCentre) && Finite(w.restMount) && Finite(w.contactOffset));
    CHECK(Finite(w.spinAxis) && Finite(w.travelDirection) && Finite(w.uprightAxis) && Finite(w.kingpinAxis));
    CHECK(std::isfinite(w.unsprungMass) && std::isfinite(w.spinInertia) && std::isfinite(w.airMass));
    CHECK(std::isfinite(w.rideHeight) && w.maxTravel >= 0.0f && std::isfinite(w.maxTravel));
    CHECK(std::isfinite(w.restArmAngle) && std::isfinite(w.trailingArmLength) && std::isfinite(w.toeAngle));
    CHECK(std::isfinite(w.loadLimits[0]) && std::isfinite(w.loadLimits[1]) && std::isfinite(w.brakeTorque));
    CHECK(w.brakeTorque >= 0.0f);  // a brake never drives its wheel
    CHECK(std::isfinite(w.springRate) && std::isfinite(w.bumpDamping) && std::isfinite(w.reboundDamping));
    CHECK(std::isfinite(w.uprightX) && w.slotIndex < 4);
  }
  for (int i = 0; i < wheels; ++i) {  // the sets that carry a wheel
    const SuspensionBlock& s = car.wheelSets[car.wheels[i].wheelSet & 1];
    CHECK(s.rollingRadius > 0.0f && std::isfinite(s.airVolume) && std::isfinite(s.rimVolume));
    CHECK(std::isfinite(s.brakeTorque) && std::isfinite(s.heatCapacityWidth) && std::isfinite(s.sidewallFactor));
  }
  for (const AeroItem& item : car.aeroItems)
    CHECK(std::isfinite(item.liftFactor) && std::isfinite(item.dragFactor) && Finite(item.centre));
  CHECK(std::isfinite(car.totalDragFactor) && std::isfinite(car.totalLiftFactor));
  CHECK(std::isfinite(car.mass) && Finite(car.centreOfMass) && Finite(car.sprungCentre));
  for (int i = 0; i < 9; ++i) CHECK(std::isfinite(car.inertia[i]) && std::isfinite(car.inverseInertia[i]));
  CHECK(std::isfinite(car.wheelBase) && std::isfinite(car.steeringFactor) && std::isfinite(car.wheelOverhang));
  CHECK(std::isfinite(car.lowestPoint) && std::isfinite(car.centreHeight) && std::isfinite(car.radius));
  CHECK(std::isfinite(car.halfWidth) && std::isfinite(car.bodyForceFigures[0]) && std::isfinite(car.tyreRadiusRatio));
  CHECK(Within(car.topSpeed, LEAST_TOP_SPEED, MOST_TOP_SPEED));
  CHECK(std::isfinite(car.gearRatios[0]) && car.gearRatios[1] == 0.0f);
  // A ratio word w gives w x 7 / 65534 + 0.5: from 0.5 up to a little over 7.5 at 65535.
  const float mostRatio = 65535.0f * 7.0f / 65534.0f + 0.5f;
  for (int slot = 2; slot < Car::GEAR_SLOTS; ++slot) CHECK(Within(car.gearRatios[slot], 0.5f, mostRatio));
  CHECK(Within(car.finalDrive, 0.5f, mostRatio) && Within(car.frontShare, 0.0f, 1.0f));
  CHECK(car.gearCount >= 3 && car.gearCount <= 9);
  CHECK(car.driveType != DRIVE_FOUR || (car.wheelSets[0].paired && car.wheelSets[1].paired));

  // The brakes and the suspension inside the limits the greatest load gives.
  const SetupRecord& r = car.currentSetup;
  const double load = DesignLoad(car);
  const float R = car.wheelSets[SetCarriesWheel(car, 1) ? 1 : 0].rollingRadius;
  float T = static_cast<float>(load) * 0.41f * (R > 0.0f ? R : 0.0f);
  if (!(T > 0.0f)) T = 0.0f;
  const float brake = SetupFloat(r, SETUP_BRAKE_STRENGTH);
  CHECK(std::isfinite(brake) && (brake == ClampSetupValue(brake, 0.24f * T, T)));
  const float A = static_cast<float>((1.0 + std::trunc(std::clamp(11.0 * load / 10000.0, 0.0, 1e6))) * 10000.0);
  const float B = static_cast<float>((1.0 + std::trunc(std::clamp(1.1 * load / 1000.0, 0.0, 1e6))) * 1000.0);
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    CHECK(std::isfinite(AxleFloat(car, axle, AXLE_RIDE_HEIGHT)));
    CHECK(Within(AxleFloat(car, axle, AXLE_SPRING), 0.1f * A, A));
    CHECK(Within(AxleFloat(car, axle, AXLE_BUMP), 0.1f * B, B));
    CHECK(Within(AxleFloat(car, axle, AXLE_REBOUND), 0.1f * B, B));
    CHECK(Within(AxleFloat(car, axle, AXLE_ANTI_ROLL), 0.0f, A));
  }
  CHECK(r.bytes[SETUP_BALLAST] <= SETUP_MOST_BALLAST && car.appliedBallast == r.bytes[SETUP_BALLAST]);
  if (car.setupIndex == -1) {
    SetupRecord clamped = r;
    ClampSetup(clamped);
    CHECK(std::memcmp(clamped.bytes, r.bytes, SETUP_RECORD_SIZE) == 0);
    CHECK(r.bytes[SETUP_STEERING_LOCK] >= LEAST_STEERING_LOCK);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in = {data, size, 0};
  const int row = in.Byte() % BUILTIN_VEHICLE_COUNT;
  const uint8_t choice = in.Byte();
  Car car;
  BuildSampleVehicle(row, car);
  car.driverSlot = 0;
  car.setupIndex = choice % 3 - 1;
  car.setupsInStep = choice >> 7;
  car.currentSetup = car.setups[car.setupIndex < 0 ? 0 : car.setupIndex].record;
  car.vehicleClass = static_cast<uint8_t>((car.vehicleClass + in.Byte()) % VEHICLE_CLASS_COUNT);
  car.transmissionType = static_cast<uint8_t>((car.transmissionType + in.Byte()) % TRANSMISSION_TYPE_COUNT);
  car.driveType = static_cast<uint8_t>((car.driveType + in.Byte()) % 4);
  const uint8_t options = in.Byte();
  if (options & 1) car.options |= OPT1_SAME_TYRES;
  if (options & 2) car.options |= OPT1_OPEN_DIFFERENTIALS;
  if (options & 4) car.options |= OPT1_COAST_AS_POWER;
  if (options & 8) car.options2 |= OPT2_PRESSURE_LIMITS | OPT2_TYRE_TYPE_LIMITS;
  for (uint8_t& b : car.currentSetup.bytes) b = static_cast<uint8_t>(b ^ in.Byte());
  TakeFigures(in, car);

  car.SetupFromVehicle(0);
  if (car.currentSetup.bytes[SETUP_FLAGS] == 0 || car.inertiaStatus != INERTIA_VALID) return 0;
  CheckFigures(car);
  // Again, keeping the structure: the same figures.
  const float top = car.topSpeed, mass = car.mass, brake = SetupFloat(car.currentSetup, SETUP_BRAKE_STRENGTH);
  const Vec3 centre = car.wheels[0].centre;
  car.SetupFromVehicle(1);
  CHECK(car.inertiaStatus == INERTIA_VALID);
  CHECK(car.topSpeed == top && car.mass == mass && SetupFloat(car.currentSetup, SETUP_BRAKE_STRENGTH) == brake);
  CHECK(std::memcmp(&car.wheels[0].centre, &centre, sizeof centre) == 0);
  CheckFigures(car);

  // Then stood on the floor and driven with controls from the input: the state stays finite, or
  // the car is halted where it was.
  static const bool tables = (InitWheelTables(), true);
  (void)tables;
  SetIdentity3x3(car.orientation);
  car.InitState();
  car.awake = car.simulated = 1;
  for (int i = 0; i < std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); ++i) {
    car.wheels[i].ResetWheelState();
    car.wheels[i].UpdateSuspensionGeometry(car.wheelSets[car.wheels[i].wheelSet & 1]);
  }
  car.engine.ClearState();
  // 5 cm up and already coming down at 1 m/s, it lands within the first 40 steps.
  car.position = FixedFromMetres(Vec3{0.0f, 0.0f, 0.05f - car.LowestPoint()});
  car.velocity = {0.0f, 0.0f, -1.0f};
  car.SetFuelLoad(50.0f);
  car.engine.Start();
  car.engine.speed = car.engine.idleSpeed;
  // As after a second of driving: the stop-and-start watch's warm-up ends on the first step.
  car.watch.warmUp = WATCH_WARM_UP - 1;
  car.assists.autoClutch = in.Byte() & 1;
  car.antiLock = in.Byte() & 1;
  car.assists.word = in.Byte() & 7;
  car.assists.tractionSlip = in.Byte();
  for (int controls = 0; controls < 8 && car.inertiaStatus == INERTIA_VALID; ++controls) {
    const bool read = in.at >= in.size;
    car.inputs.throttle = static_cast<uint16_t>(in.Byte() << 8);
    car.inputs.brake = static_cast<uint16_t>(in.Byte() << 8);
    car.inputs.steering = static_cast<uint16_t>(in.Byte() << 8);
    car.inputs.handbrake = static_cast<uint16_t>((in.Byte() & 1) << 15);
    car.gear = static_cast<uint8_t>(in.Byte() % Car::GEAR_SLOTS);
    for (int step = 0; step < (read ? 100 : 250) && car.inertiaStatus == INERTIA_VALID; ++step) {
      car.Integrate(CAR_STEP_SECONDS, 0);
      car.FloorContacts();
      car.CheckGround();
      car.Update(CAR_STEP_SECONDS, -9.81f);
    }
    if (read) break;
  }
  CHECK(Finite(car.offset) && Finite(car.velocity) && Finite(car.angularMomentum) && std::isfinite(car.speed));
  for (float v : car.orientation) CHECK(std::isfinite(v));
  for (int i = 0; i < std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); ++i)
    CHECK(std::isfinite(car.wheels[i].spinRate) && std::isfinite(car.wheels[i].travel));
  CHECK(std::isfinite(car.engine.speed) && std::isfinite(car.fuelAmount));
  return 0;
}
