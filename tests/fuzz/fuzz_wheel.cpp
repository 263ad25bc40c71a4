// fuzz_wheel.cpp - a wheel-set record and a wheel's state from arbitrary bytes, through the
// tyre set-up, the thermal reset and 200 steps of the quarter car: every output the car
// reads stays finite.
//
// Input: byte 0 picks the vehicle data's version (248..252), then the 64-byte record, then
// flag bytes and floats for the wheel's state (what runs out reads as 0).  Finite floats are
// held within +-1e6 (sizes of the record within +-1000 m); NaN and infinities come through.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "tests/wheel/quarter_car.h"
#include "vehicle/vehicle.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size, at;
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  float Float(float limit = 1e6f) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(Byte()) << (8 * i);
    float v;
    std::memcpy(&v, &bits, 4);
    if (std::isfinite(v)) v = v > limit ? limit : (v < -limit ? -limit : v);
    return v;
  }
};

float Bound(float v, float limit) { return std::isfinite(v) ? (v > limit ? limit : (v < -limit ? -limit : v)) : v; }

// Names the failed condition before stopping, so a crash report says which output broke.
#define CHECK(condition)                                                        \
  do {                                                                          \
    if (!(condition)) {                                                         \
      std::fprintf(stderr, "fuzz_wheel: %s (line %d)\n", #condition, __LINE__); \
      std::abort();                                                             \
    }                                                                           \
  } while (0)

void CheckFinite(const QuarterCar& q) {
  const CarWheel& w = q.car.wheels[0];
  CHECK(IsFinite(w.wheelForce));
  CHECK(IsFinite(q.car.torque));
  CHECK(IsFinite(q.car.impulseHandedOn));
  CHECK(std::isfinite(q.car.steeringTorqueSum));
  CHECK(IsFinite(WheelEdgeForceSum));
  CHECK(std::isfinite(w.spinRate) && std::isfinite(w.rotationAngle) && std::fabs(w.rotationAngle) <= 100.53097f);
  CHECK(std::isfinite(w.travel) && std::isfinite(w.travelVelocity));
  CHECK(std::isfinite(w.deflection) && std::isfinite(w.normalForce) && std::isfinite(w.gripFactor));
  CHECK(IsFinite(w.deformation) && IsFinite(w.aligningMoment) && IsFinite(w.contactPoint));
  CHECK(w.sliding >= 0.0f && w.sliding <= 1.0001f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool tables = (InitWheelTables(), true);
  (void)tables;
  Input in = {data, size, 0};
  const int version = 248 + in.Byte() % 5;

  // The record, read through the container as the vehicle reader reads it.
  std::vector<uint8_t> image = {'Z', 'K', 'T', 'F', 'Z', 'W', 0, static_cast<uint8_t>(version)};
  for (int i = 0; i < WHEEL_SET_RECORD_SIZE; ++i) image.push_back(in.Byte());
  QuarterCar q;
  SuspensionBlock& set = q.set();
  DataFile df = {};
  CHECK(df.OpenReadMemory(nullptr, image.data(), static_cast<int64_t>(image.size()), "ZKTFZW", nullptr, 252) == 1);
  set.Read(df, version);
  CHECK(!df.readPastEnd);
  df.Close();
  for (float* size : {&set.sectionWidth, &set.aspectRatio, &set.rimRadius, &set.rimWidth, &set.wheelOffset, &set.caster,
                      &set.lowerArmLength, &set.upperArmLength, &set.halfUprightLength})
    *size = Bound(*size, 1000.0f);

  // The wheel set as the car's set-up completes it, then the wheel.
  WheelSetSizes sizes;
  sizes.width = set.sectionWidth;
  sizes.aspect = set.aspectRatio;
  sizes.rimRadius = set.rimRadius;
  sizes.rimWidth = set.rimWidth;
  sizes.compound = in.Byte();
  sizes.type = set.suspensionType;
  sizes.rounded = in.Byte() & 1;
  const SuspensionBlock stored = set;
  q.sprungMass = std::fabs(in.Float(1e4f));
  SetupQuarterCar(q, sizes, in.Float());
  // SetupQuarterCar made the set again from the sizes; the record's other fields come back.
  set.wheelOffset = stored.wheelOffset;
  set.caster = stored.caster;
  set.lowerArmLength = stored.lowerArmLength;
  set.upperArmLength = stored.upperArmLength;
  set.halfUprightLength = stored.halfUprightLength;
  set.ambientTemperatureC = in.Byte();
  set.rotationFrozen = in.Byte() & 1;

  CarWheel& w = q.wheel();
  w.suspensionType = set.suspensionType;
  w.side = static_cast<float>(static_cast<int>(in.Byte() % 3) - 1);
  w.surfaceKind = in.Byte();
  w.looseGround = in.Byte() & 1;
  w.steered = in.Byte() & 1;
  w.edgePresent = in.Byte() & 1;
  w.lowerPivot = {in.Float(), in.Float(), in.Float()};
  w.strutTop = {in.Float(), in.Float(), in.Float()};
  w.upperPivotX = in.Float();
  w.upperPivotZ = in.Float();
  w.mountDx = in.Float();
  w.mountDz = in.Float();
  w.restArmAngle = in.Float();
  w.trailingArmLength = in.Float();
  w.travel = in.Float();
  w.travelVelocity = in.Float();
  w.spinRate = in.Float();
  w.steerAngle = in.Float();
  w.rotationAngle = in.Float();
  w.springRate = in.Float();
  w.springPreload = in.Float();
  w.bumpDamping = in.Float();
  w.reboundDamping = in.Float();
  w.maxTravel = in.Float();
  w.springStrength = in.Float();
  w.armStrength = in.Float();
  w.edgePlaneNormal = {in.Float(), in.Float(), in.Float()};
  w.edgeDirection = {in.Float(), in.Float(), in.Float()};
  w.edgeFrictionFactor = in.Float();
  const Vec3 edgeOffset = {in.Float(), in.Float(), in.Float()};
  w.InitThermalState(set, in.Byte() & 1);
  w.UpdateSuspensionGeometry(set);

  q.driveTorque = in.Float();
  q.brakeTorque = in.Float();
  q.car.velocity = {in.Float(), in.Float(), in.Float()};
  q.outsideForce = {in.Float(), in.Float(), in.Float()};
  q.airCooling = in.Float();
  q.groundGrip = in.Float();
  q.holdVelocity = 1;
  const float lean = in.Float();
  float* m = q.car.orientation;
  MatrixFromAxisAngleF(m, 0.0f, 1.0f, 0.0f, std::isfinite(lean) ? std::fmod(lean, 6.2831855f) : lean);
  PlaceAboveGround(q, in.Float(1.0f));

  WheelEdgeForceSum = {};
  for (int step = 0; step < 200; ++step) {
    w.edgePlanePoint = q.WheelCentreWorld() + edgeOffset;
    q.Step();
    CheckFinite(q);
    // A damaged input part way through.
    if (step == 100 && in.Byte() & 1) w.spinRate = in.Float();
  }
  return 0;
}
