// car_setup.cpp - the car's set-up from its vehicle data: its 36 steps in their order, the
// checks that keep a vehicle that is not physical from being stepped, and the mending of a
// set-up float that is not a number before its clamp.  The wheels' steps are in
// car_setup_wheels.cpp, the aerodynamic items, handicaps and the capability word in
// car_setup_parts.cpp.
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>

#include "core/report.h"
#include "physics/car_setup_local.h"
#include "text/text_strings.h"
#include "vehicle_data/vehicle_class.h"

namespace {

constexpr double PI = 3.1415927;  // as the caster's tenths of a degree are turned into radians
constexpr float TUBE_RADIUS_PER_ROOT_MASS = 0.01f;
constexpr float RAY_MARGIN = 0.05f;      // m beyond the tyre's reach at either end of a ground ray
constexpr float MOST_RAY_TRAVEL = 1.0f;  // m: a larger stored travel is a damaged figure
constexpr const char* OPEN_ROOF = "OPEN ROOF";
constexpr int DEGREES_HALF_TURN = 180;
constexpr float LEAST_STEERING_WHEEL_TURN = 0.001f;  // rad
constexpr float MOST_RIDE_HEIGHT = 100.0f;           // m either way: beyond any vehicle
constexpr float GRAVITY = 9.81f;
constexpr float BODY_FORCE_FIGURES[2] = {300.0f, 15.0f};
constexpr float BRAKE_LEAST_SHARE = 0.24f, BRAKE_GRIP = 0.41f;
// A two-wheeler's balance at low speed holds it up with twice the torque its weight tips it by
// (the step multiplies the gain by 15 per radian of lean).
constexpr float BALANCE_HOLD = 2.0f, BALANCE_PER_RADIAN = 15.0f;

// The set-up's own clamps of the front caster byte, by suspension type.
constexpr int WISHBONE_CASTER[2] = {10, 60}, RIGID_CASTER[2] = {40, 240};

// The frame tubes' special end points: -6, -4 and -3 mark the rear ends, -5, -2 and -1 the
// front ones.
bool RearEnd(int end) { return end == -6 || end == -4 || end == -3; }
bool FrontEnd(int end) { return end == -5 || end == -2 || end == -1; }

// The wheel set's ray figures.  The ground ray hangs from the wheel centre, which follows the
// suspension: it ends below the tyre as it would stand at full droop from full bump (the
// set's travel, plus a margin) and starts above the wheel's top.  The tyre ray's reach
// R + extra radius is 1, so that with the tyre's radius as each wheel's tyre scale it runs
// from the wheel centre exactly to the tyre's surface.
void SetRayFigures(SuspensionBlock& set) {
  const float R = std::isfinite(set.rollingRadius) ? std::max(set.rollingRadius, 0.0f) : 0.0f;
  const float travel = std::clamp(set.maxUpPosition, 0.0f, MOST_RAY_TRAVEL);
  set.rayOffset = (std::isfinite(travel) ? travel : 0.0f) + RAY_MARGIN;
  set.rayLength = set.rayOffset + 2.0f * R + RAY_MARGIN;
  set.extraRadius = 1.0f - R;
}

// Step 11's caster of rigid and double wishbone sets: the set-up's byte in tenths of a degree,
// the rear from the first default set-up, the front's own (or the default's when 0) held to
// its type's range; the byte goes back into the current set-up.  Every other type keeps its
// caster and its byte becomes 0.
void SettleCaster(Car& car, int axle) {
  SuspensionBlock& set = car.wheelSets[axle];
  uint8_t& current = SetupByte(car, AxleField(axle, AXLE_CASTER));
  const bool rigid = set.suspensionType == SUSPENSION_RIGID;
  if (!rigid && set.suspensionType != SUSPENSION_DOUBLE_WISHBONE) {
    current = 0;
    return;
  }
  const uint8_t stored = car.FirstDefaultSetup().bytes[AxleField(axle, AXLE_CASTER)];
  int byte = stored;
  if (axle == 1) {
    const int* range = rigid ? RIGID_CASTER : WISHBONE_CASTER;
    byte = current ? current : stored;
    byte = byte <= range[0] ? range[0] : (byte >= range[1] ? range[1] : byte);
  }
  current = static_cast<uint8_t>(byte);
  set.caster = static_cast<float>(byte * PI / 1800.0);
}

// One line "<vehicle> : <what> <text>".
void Report(const Car& car, const char* what, const char* text) {
  char line[VEHICLE_NAME_SIZE + 128];
  std::snprintf(line, sizeof line, "%s : %s %s", car.vehicleName, what, text);
  ReportLine(line, REPORT_ERROR);
}

// A set-up float before its clamp: one that is not finite takes the first default set-up's
// value, or the clamp's low bound when that is not finite either (0 when neither is), with
// one message naming the vehicle and the field; then, with a finite range, the clamp.
float SettleSetupFloat(Car& car, int offset, float lo, float hi, const char* field) {
  float v = SetupFloat(car.currentSetup, offset);
  if (!std::isfinite(v)) {
    const float fallback = SetupFloat(car.FirstDefaultSetup(), offset);
    v = std::isfinite(fallback) ? fallback : (std::isfinite(lo) ? lo : 0.0f);
    Report(car, field, TEXT_SETUP_NOT_A_NUMBER);
  }
  if (std::isfinite(lo) && std::isfinite(hi)) v = ClampSetupValue(v, lo, hi);
  SetSetupFloat(car.currentSetup, offset, v);
  return v;
}

// A vehicle figure the set-up reads, checked: 1 when finite; else the message naming it and
// the physics-invalid code.
bool Finite(Car& car, float v, const char* field, uint8_t code = INERTIA_BAD_FIGURE) {
  if (std::isfinite(v)) return true;
  car.inertiaStatus = code;
  Report(car, field, TEXT_CAR_NOT_PHYSICAL);
  return false;
}
bool Finite(Car& car, const Vec3& v, const char* field, uint8_t code = INERTIA_BAD_FIGURE) {
  return Finite(car, v.x, field, code) && Finite(car, v.y, field, code) && Finite(car, v.z, field, code);
}
bool Positive(Car& car, float v, const char* field, uint8_t code) {
  if (v > 0.0f && std::isfinite(v)) return true;
  car.inertiaStatus = code;
  Report(car, field, TEXT_CAR_NOT_PHYSICAL);
  return false;
}

// The figures of the vehicle the set-up reads, before it reads them: every one finite.  0
// with the physics-invalid code set and its message.
bool VehicleFiguresArePhysical(Car& car) {
  for (int i = 0; i < CarWheelCount(car); ++i)
    if (!Finite(car, car.wheelPositions[i], "wheel position")) return false;
  for (const SuspensionBlock& s : car.wheelSets) {
    const float figures[] = {s.aspectRatio,    s.rimWidth,       s.maxUpPosition,  s.caster,
                             s.inclination,    s.includedAngle,  s.wheelOffset,    s.trackWidth,
                             s.lowerArmLength, s.upperArmLength, s.halfUprightLength};
    for (float f : figures)
      if (!Finite(car, f, "wheel set figure")) return false;
  }
  for (const float(&item)[3] : car.aero)
    if (!Finite(car, item[0], "lift area") || !Finite(car, item[1], "drag area")) return false;
  for (int i = 0; i < car.pointCount; ++i)
    if (!Finite(car, car.points[i].local, "body point")) return false;
  return Finite(car, car.enginePosition, "engine position") && Finite(car, car.reverseRatio, "reverse ratio") &&
         Finite(car, car.wheelBaseAddition, "wheel base addition") &&
         Finite(car, car.steeringWheelTurn, "steering wheel turn");
}

// The engine as its power unit made it: every figure the steps use finite, and those they
// divide by above 0.  0 with code 4 and one message naming the first that is not
// (EngineModel::SimulationFault).
bool EngineIsPhysical(Car& car) {
  const char* field = car.engine.SimulationFault(car.transmissionType, car.vehicleClass);
  if (!field) return true;
  char what[64];
  std::snprintf(what, sizeof what, "engine %s", field);
  car.inertiaStatus = INERTIA_BAD_FIGURE;
  Report(car, what, TEXT_CAR_NOT_PHYSICAL);
  return false;
}

// Each tyre of a wheel set that carries a wheel (by the wheel's mount, as step 16 decides):
// of positive width, rim radius and radius.  0 with the physics-invalid code 3 and its
// message.
bool TyresArePhysical(Car& car) {
  bool carries[CAR_WHEEL_SETS] = {false, false};
  for (int i = 0; i < CarWheelCount(car); ++i) carries[car.wheelPositions[i].y > 0.0f ? 1 : 0] = true;
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    const SuspensionBlock& s = car.wheelSets[axle];
    if (carries[axle] && (!Positive(car, s.sectionWidth, "tyre width", INERTIA_BAD_TYRE) ||
                          !Positive(car, s.rimRadius, "rim radius", INERTIA_BAD_TYRE) ||
                          !Positive(car, s.sectionWidth * s.aspectRatio + s.rimRadius, "tyre radius", INERTIA_BAD_TYRE)))
      return false;
  }
  return true;
}

// The masses, centres of mass and inertia the rest of the set-up starts from (the mass model's
// base record and the vehicle's own mass): finite, the masses above 0, the inertia's
// diagonal about the centre of mass above 0.  0 with code 1 or 2 and its message.
bool MassesArePhysical(Car& car) {
  const MassProperties& base = car.massRecords[MASS_RECORD_BASE];
  if (!Positive(car, car.massWithoutOccupants, "mass", INERTIA_NO_MASS) ||
      !Positive(car, base.mass, "base mass", INERTIA_NO_MASS) ||
      !Positive(car, base.massWithoutWheels, "sprung mass", INERTIA_NO_MASS) ||
      !Finite(car, base.centreOfMass, "centre of mass", INERTIA_NO_MASS) ||
      !Finite(car, base.centreWithoutWheels, "centre of sprung mass", INERTIA_NO_MASS))
    return false;
  for (float v : base.inertia)
    if (!Finite(car, v, "inertia", INERTIA_SINGULAR)) return false;
  const Vec3& c = base.centreOfMass;
  const float m = base.mass;
  const float diagonal[3] = {base.inertia[0] - m * (c.y * c.y + c.z * c.z), base.inertia[4] - m * (c.x * c.x + c.z * c.z),
                             base.inertia[8] - m * (c.x * c.x + c.y * c.y)};
  for (float d : diagonal)
    if (!Positive(car, d, "inertia", INERTIA_SINGULAR)) return false;
  return true;
}

// Step 2: the gear words made non-increasing and turned into the forward gears' ratios; the
// reverse gear's is the vehicle's, neutral's 0.
float GearRatio(uint16_t word) { return static_cast<float>(word) * 7.0f / 65534.0f + 0.5f; }
void SetupGears(Car& car) {
  car.gearRatios[0] = car.reverseRatio;
  car.gearRatios[1] = 0.0f;
  uint16_t last = 0;
  for (int i = 0; i < SETUP_GEAR_COUNT; ++i) {
    const int at = SETUP_GEAR_WORDS + 2 * i;
    uint16_t word = SetupShort(car.currentSetup, at);
    if (i > 0 && word > last) {
      word = last;
      SetSetupShort(car.currentSetup, at, word);
    }
    car.gearRatios[Car::FIRST_GEAR_SLOT + i] = GearRatio(word);
    last = word;
  }
}

// The configuration chosen, as step 8 settles it: one at or beyond the count is the first.
int ChosenConfiguration(const Car& car) {
  const int count = std::clamp<int>(car.configCount, 0, VEHICLE_MAX_CONFIGS);
  const int index = SetupByte(car, SETUP_CONFIGURATION);
  return index < count ? index : 0;
}

// Step 5, the own set-up's clamps against its vehicle.
void ClampOwnSetup(Car& car) {
  ClampSetup(car.currentSetup);
  for (int wing = 0; wing < 2; ++wing) {
    uint8_t& angle = SetupByte(car, wing == 0 ? SETUP_REAR_WING : SETUP_FRONT_WING);
    angle = static_cast<uint8_t>(ClampToRange(angle, car.wingAngles[wing][0], car.wingAngles[wing][1]));
  }
  int typeLowest, typeHighest;
  car.GetTyreTypeRange(typeLowest, typeHighest);
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    uint8_t& type = SetupByte(car, AxleField(axle, AXLE_TYRE_TYPE));
    type = static_cast<uint8_t>(ClampToRange(type, typeLowest, typeHighest));
    int lowest, highest;
    car.TyrePressureRange(axle, lowest, highest);
    for (const int side : {AXLE_PRESSURE_LEFT, AXLE_PRESSURE_RIGHT}) {
      const int at = AxleField(axle, side);
      const int pressure = std::clamp<int>(SetupShort(car.currentSetup, at), std::max(lowest, 0), std::max(highest, 0));
      SetSetupShort(car.currentSetup, at, static_cast<uint16_t>(pressure));
    }
  }
}

// The ride heights: mended when not a number; the own set-up's held to d +- r, d the first
// default set-up's and r the smaller of 0.08 m and the wheel set's rest height's distance
// from d; every set-up's within MOST_RIDE_HEIGHT, so that no figure made from it overflows.
void SettleRideHeights(Car& car, bool own) {
  static const char* const NAMES[2] = {"rear ride height", "front ride height"};
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    const int at = AxleField(axle, AXLE_RIDE_HEIGHT);
    const float d = SetupFloat(car.FirstDefaultSetup(), at);
    float r = std::fabs(car.wheelSets[axle].maxUpPosition - d);
    if (!(r < MOST_RIDE_HEIGHT_CHANGE)) r = MOST_RIDE_HEIGHT_CHANGE;
    const float inf = INFINITY;
    const float v = SettleSetupFloat(car, at, own ? d - r : -inf, own ? d + r : inf, NAMES[axle]);
    SetSetupFloat(car.currentSetup, at, ClampSetupValue(v, -MOST_RIDE_HEIGHT, MOST_RIDE_HEIGHT));
  }
}

// Step 14: the frame tubes' alternative sizes and the option bits their special ends set.
void SetupFrameTubes(Car& car) {
  car.options &= ~(OPT1_TUBE_SPECIAL_END | OPT1_TUBE_END_FRONT | OPT1_TUBE_END_REAR);
  for (int i = 0; i < car.frameTubeCount; ++i) {
    FrameTube& t = car.frameTubes[i];
    if (t.massPerMetre != 0.0f) t.radius = TUBE_RADIUS_PER_ROOT_MASS * std::sqrt(std::max(t.massPerMetre, 0.0f));
    if (t.a < 0 || t.b < 0) t.massPerMetre = 0.0f;  // a suspension link's mass is the suspension's
    for (const int end : {int{t.a}, int{t.b}}) {
      if (RearEnd(end)) car.options |= OPT1_TUBE_END_REAR | OPT1_TUBE_SPECIAL_END;
      if (FrontEnd(end)) car.options |= OPT1_TUBE_END_FRONT | OPT1_TUBE_SPECIAL_END;
    }
  }
}

// Step 12's shared tyre: the rear wheel set takes the front set's tyre and rim and their looks.
void ShareFrontTyre(Car& car) {
  const SuspensionBlock& front = car.wheelSets[1];
  SuspensionBlock& rear = car.wheelSets[0];
  rear.sectionWidth = front.sectionWidth;
  rear.aspectRatio = front.aspectRatio;
  rear.rimRadius = front.rimRadius;
  rear.rimWidth = front.rimWidth;
  CopyRimShape(front, rear);
}

// Step 23: the extents of the body points, widened by every wheel's tyre, and how far the
// wheels stand out beyond the body's width.
void SetupExtents(Car& car) {
  car.UpdateExtents();
  float* e = car.extent;  // largest y, smallest y, largest x, smallest x
  const float bodyHalf = std::max(std::fabs(e[3]), std::fabs(e[2]));
  for (int i = 0; i < CarWheelCount(car); ++i) {
    const CarWheel& w = car.wheels[i];
    const SuspensionBlock& set = car.wheelSets[w.wheelSet & 1];
    const float R = set.rollingRadius, half = set.sectionWidth / 2.0f;
    e[0] = std::max(e[0], w.restMount.y + R);
    e[1] = std::min(e[1], w.restMount.y - R);
    e[2] = std::max(e[2], w.uprightX + half);
    e[3] = std::min(e[3], w.uprightX - half);
  }
  car.wheelOverhang = std::max(std::fabs(e[3]), std::fabs(e[2])) - bodyHalf;
}

// Step 24: the wheel base from the rearmost and foremost mounts (both from 0).
void SetupWheelBase(Car& car) {
  car.rearmostY = car.foremostY = 0.0f;
  const int wheels = CarWheelCount(car);
  if (wheels == 0) {
    car.wheelBase = car.damageSize = 1.0f;
    car.impactDamage = 0;
    return;
  }
  for (int i = 0; i < wheels; ++i) {
    car.rearmostY = std::min(car.rearmostY, car.wheels[i].restMount.y);
    car.foremostY = std::max(car.foremostY, car.wheels[i].restMount.y);
  }
  car.wheelBase = car.foremostY - car.rearmostY + car.wheelBaseAddition;
  car.impactDamage = car.wheelSets[1].suspensionType != SUSPENSION_FRONT_FORK ? 1 : 0;
  car.damageSize = car.wheelBase;  // a dent's size
}

// Step 26: the wheels' angle per steering-wheel angle.  A steering wheel that does not turn
// (less than a thousandth of a radian) steers nothing.
void SetupSteeringFactor(Car& car) {
  car.steeringFactor = 0.0f;
  if (car.vehicleClass == CLASS_BIKE || !(car.steeringWheelTurn >= LEAST_STEERING_WHEEL_TURN)) return;
  const float lock = static_cast<float>(SetupByte(car, SETUP_STEERING_LOCK)) * static_cast<float>(PI) /
                     static_cast<float>(DEGREES_HALF_TURN);
  car.steeringFactor = lock / car.steeringWheelTurn;
  if (car.FirstDefaultSetup().bytes[SETUP_LOCK_REDUCTION] != 0)
    car.steeringFactor *= static_cast<float>(100 - SetupByte(car, SETUP_LOCK_REDUCTION)) * 0.01f;
}

// Step 28: the body's figures from its contact points and base mass.
void SetupBodyFigures(Car& car) {
  const MassProperties& base = car.massRecords[MASS_RECORD_BASE];
  car.lowestPoint = car.enginePosition.z;
  car.radius = 0.0f;
  for (int i = 0; i < 2; ++i) car.bodyForceFigures[i] = base.mass * BODY_FORCE_FIGURES[i];
  car.halfWidth = std::max(std::fabs(car.extent[3]), std::fabs(car.extent[2]));
  float largest = 0.0f;
  for (int i = 0; i < car.pointCount; ++i) {
    const Vec3& p = car.points[i].local;
    largest = std::max(largest, LengthSquared(p));
    car.lowestPoint = std::min(car.lowestPoint, p.z);
  }
  // Above the lower of the axles' lowest reach (of the sets that carry a wheel).
  float reach = -INFINITY;
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    const SuspensionBlock& s = car.wheelSets[axle];
    if (SetCarriesWheel(car, axle)) reach = std::max(reach, s.maxUpPosition - s.rollingRadius);
  }
  car.centreHeight = base.centreOfMass.z - (std::isfinite(reach) ? reach : 0.0f);
  car.balanceGain = car.vehicleClass == CLASS_BIKE && car.centreHeight > 0.0f
                        ? BALANCE_HOLD * base.mass * GRAVITY * car.centreHeight / BALANCE_PER_RADIAN
                        : 0.0f;
  if (!std::isfinite(car.balanceGain)) car.balanceGain = 0.0f;
  car.radius = std::sqrt(largest);
  car.ComputeBoundingRadius();
}

// Steps 29 and 30: the brake strength and the rear sixth figure held by the greatest load
// the front tyres can take, the brakes split; then the suspension's figures held by the
// limits that load gives.
void SetupBrakesAndSuspension(Car& car) {
  // The front tyre's radius, or the rear's on a car whose front set carries no wheel (and so
  // may have no tyre); a limit that comes out below 0 is 0.
  const float R = car.wheelSets[SetCarriesWheel(car, 1) ? 1 : 0].rollingRadius;
  float T = car.ComputeDownforce() * BRAKE_GRIP * (R > 0.0f ? R : 0.0f);
  if (!(T > 0.0f)) T = 0.0f;
  SettleSetupFloat(car, SETUP_BRAKE_STRENGTH, BRAKE_LEAST_SHARE * T, T, "brake strength");
  SettleSetupFloat(car, AxleField(0, AXLE_SIXTH), BRAKE_LEAST_SHARE * T, T, "rear handbrake strength");
  car.SplitBrakes();

  const double L = car.ComputeDownforce();
  const float A = static_cast<float>((1.0 + std::trunc(std::clamp(11.0 * L / 10000.0, 0.0, 1e6))) * 10000.0);
  const float B = static_cast<float>((1.0 + std::trunc(std::clamp(1.1 * L / 1000.0, 0.0, 1e6))) * 1000.0);
  static const char* const NAMES[2][4] = {
      {"rear spring rate", "rear bump damping", "rear rebound damping", "rear anti-roll rate"},
      {"front spring rate", "front bump damping", "front rebound damping", "front anti-roll rate"}};
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    const char* const* name = NAMES[axle];
    SettleSetupFloat(car, AxleField(axle, AXLE_SPRING), 0.1f * A, A, name[0]);
    SettleSetupFloat(car, AxleField(axle, AXLE_BUMP), 0.1f * B, B, name[1]);
    SettleSetupFloat(car, AxleField(axle, AXLE_REBOUND), 0.1f * B, B, name[2]);
    const uint32_t none = axle == 0 ? OPT1_NO_REAR_ANTI_ROLL : OPT1_NO_FRONT_ANTI_ROLL;
    if (car.options & none) SetSetupFloat(car.currentSetup, AxleField(axle, AXLE_ANTI_ROLL), 0.0f);
    else SettleSetupFloat(car, AxleField(axle, AXLE_ANTI_ROLL), 0.0f, A, name[3]);
  }
}

}  // namespace

float EstimateTopSpeed(float power, float efficiency, float dragFactor) {
  const double v = std::cbrt(static_cast<double>(power) * efficiency / dragFactor);
  return v > LEAST_TOP_SPEED ? (v < MOST_TOP_SPEED ? static_cast<float>(v) : MOST_TOP_SPEED) : LEAST_TOP_SPEED;
}

int CarWheelCount(const Car& car) { return std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); }

bool SetCarriesWheel(const Car& car, int axle) {
  for (int i = 0; i < CarWheelCount(car); ++i)
    if (car.wheels[i].wheelSet == axle) return true;
  return false;
}

const SetupRecord& Car::FirstDefaultSetup() const {
  static const SetupRecord NONE = {};
  return setupCount > 0 ? setups[0].record : NONE;
}

void Car::SetupFromVehicle(uint32_t keepStructure) {
  std::fesetenv(FE_DFL_ENV);
  // A new set-up may be stable: the car on show may be placed again.
  showCarHalted = showCarPlacements = showCarReplace = 0;
  if (SetupByte(*this, SETUP_FLAGS) == 0) return;  // no set-up: nothing to set up
  const bool full = keepStructure == 0;
  const bool own = setupIndex == -1;
  const uint8_t kind = transmissionType;

  // 1. The power unit; the handicaps are applied again by step 35, from the mass model's
  // values.  Every physics-invalid code is found again below (the mass model's by its own
  // run, or the checks of its values and the mass properties' rebuild at the end).
  engineFlag = kind != TRANSMISSION_NONE && kind != TRANSMISSION_ELECTRIC ? 1 : 0;
  singleAxleMotor = kind == TRANSMISSION_ELECTRIC && (driveType == DRIVE_REAR || driveType == DRIVE_FRONT) ? 1 : 0;
  appliedBallast = appliedBallastPosition = appliedRestriction = 0;
  massRecords[MASS_RECORD_BASE] = massRecords[MASS_RECORD_BUILT];
  inertiaStatus = INERTIA_VALID;
  if (!VehicleFiguresArePhysical(*this)) return;

  // 2-4. Gears, roof, a kart's rear axle.
  SetupGears(*this);
  openRoof = configCount > 0 && CompareNoCase(configs[ChosenConfiguration(*this)].name, OPEN_ROOF) == 0 ? 1 : 0;
  if (vehicleClass == CLASS_KART) {
    SetupByte(*this, AxleField(0, AXLE_DIFFERENTIAL)) = 1;
    SetupByte(*this, AxleField(0, AXLE_TOE)) = 9;
    SetupByte(*this, AxleField(0, AXLE_CAMBER_LEFT)) = SetupByte(*this, AxleField(0, AXLE_CAMBER_RIGHT)) = 45;
  }

  // 5-10. The own set-up's clamps, anti-lock, mounts, configuration, lock, drive ratios.
  if (own) ClampOwnSetup(*this);
  SettleRideHeights(*this, own);
  antiLock = (options2 & OPT2_ANTI_LOCK) && (SetupByte(*this, SETUP_FLAGS) & SETUP_FLAG_ANTI_LOCK) ? 1 : 0;
  SetSuspensionMounts();
  SetupByte(*this, SETUP_CONFIGURATION) = static_cast<uint8_t>(ChosenConfiguration(*this));
  if (own) {
    uint8_t& lock = SetupByte(*this, SETUP_STEERING_LOCK);
    const int most = GetMaxSteeringLock();
    lock = static_cast<uint8_t>(lock <= LEAST_STEERING_LOCK ? LEAST_STEERING_LOCK : (lock >= most ? most : lock));
  }
  steeringLock = SetupByte(*this, SETUP_STEERING_LOCK);
  finalDrive = GearRatio(SetupShort(currentSetup, SETUP_FINAL_DRIVE));
  // A default set-up is the vehicle's as written and is not clamped: a share above the whole
  // torque would drive the rear axle against the front and the drive line would swing apart.
  frontShare = static_cast<float>(std::min<int>(SetupByte(*this, SETUP_FRONT_SHARE), 100)) / 100.0f;

  // 11-13. The wheel sets: the set-up's bytes, caster, the shared tyre, the tyres.
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    SuspensionBlock& set = wheelSets[axle];
    set.setupByte = SetupByte(*this, AxleField(axle, AXLE_COPIED));
    set.compoundIndex = std::min<uint8_t>(SetupByte(*this, AxleField(axle, AXLE_TYRE_TYPE)), TYRE_COMPOUND_COUNT - 1);
    set.leftWheel = set.rightWheel = 0;
    SettleCaster(*this, axle);
  }
  for (uint8_t& b : gearAssist) b = 0;
  if (options & OPT1_SAME_TYRES) ShareFrontTyre(*this);
  if (!TyresArePhysical(*this)) return;
  for (SuspensionBlock& set : wheelSets) {
    SetupTyre(set, vehicleClass == CLASS_BIKE, set.wheelOffset);
    SetRayFigures(set);
  }

  // 14-15. The frame's tubes; the engine's figures by its power unit.
  if (full) SetupFrameTubes(*this);
  engine.Recompute(kind, vehicleClass);
  if (!EngineIsPhysical(*this)) return;

  // 16-20. The wheels and the drive.
  SetupWheelRecords(*this);
  SetupWheelPairs(*this);
  const bool bothPaired = wheelSets[0].paired && wheelSets[1].paired;
  if (driveType == DRIVE_FOUR && !bothPaired) driveType = DRIVE_REAR;
  torqueFactors[0] = torqueFactors[1] = 1.0f;
  if (driveType == DRIVE_FOUR) {
    torqueFactors[0] = (1.0f - frontShare) * 2.0f;
    torqueFactors[1] = frontShare * 2.0f;
  }
  if (vehicleClass == CLASS_KART || vehicleClass == CLASS_BIKE) drivetrainEfficiency = 0.9f;
  else if (kind == TRANSMISSION_ELECTRIC) drivetrainEfficiency = driveType == DRIVE_FOUR ? 0.9f : 0.95f;
  else drivetrainEfficiency = driveType == DRIVE_FOUR ? 0.8f : 0.85f;
  gearCount = kind == TRANSMISSION_ELECTRIC ? 3 : std::clamp<uint8_t>(gearPositions, 3, 9);

  // 21-23. The wheels' geometry, the tyres' air; the mass model and the extents.
  SetupWheelGeometry(*this);
  SetupTyreAir(*this);
  if (full) {
    BuildFrameGeometry(MASS_SUM, CarWheelCount(*this));
    BuildFrameGeometry(MASS_INERTIA, CarWheelCount(*this));
    SetupExtents(*this);
  }
  // The tank the fuel load is a share of: the vehicle's, as the mass model may have sized it.
  fuelCapacity = fuelTankCapacity > 0.0f && std::isfinite(fuelTankCapacity) ? fuelTankCapacity : 0.0f;

  // 24-28. Wheel base (the masses play no part in it), aerodynamics, steering, load limits,
  // body.
  SetupWheelBase(*this);
  if (!MassesArePhysical(*this)) return;
  if (inertiaStatus != INERTIA_VALID) {  // the mass model's: an inertia it could not invert
    Report(*this, "inertia", TEXT_CAR_NOT_PHYSICAL);
    return;
  }
  SetupAeroItems(*this);
  SetupSteeringFactor(*this);
  SetupLoadLimits(*this);
  SetupBodyFigures(*this);

  // 29-31. Brakes and suspension.
  SetupBrakesAndSuspension(*this);
  ApplySpringRates();

  // 32-34. The engine's spin, the top speed, the live adjustments.
  const float sign = options & OPT1_ENGINE_REVERSED ? 1.0f : -1.0f;
  engineSpinAxis = options & OPT1_TRANSVERSE_ENGINE ? Vec3{sign, 0.0f, 0.0f} : Vec3{0.0f, sign, 0.0f};
  topSpeed = EstimateTopSpeed(engine.maxPower, drivetrainEfficiency, totalDragFactor);
  adjustState = 0;
  liveBrakeBalance = SetupByte(*this, SETUP_BRAKE_BALANCE);
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) liveAntiRoll[axle] = AxleFloat(*this, axle, AXLE_ANTI_ROLL);
  // The rear tyre's radius over the front's; 1 where either set has no tyre to measure.
  tyreRadiusRatio = wheelSets[0].rollingRadius / wheelSets[1].rollingRadius;
  if (!(tyreRadiusRatio > 0.0f) || !std::isfinite(tyreRadiusRatio)) tyreRadiusRatio = 1.0f;

  // 35-36. Handicaps, the capability word, the lowest point; the default set-up kept in step.
  ApplyHandicaps();
  UpdateMassProperties();
  if (inertiaStatus != INERTIA_VALID) {  // the ballast or the fuel left no inertia to invert
    Report(*this, inertiaStatus == INERTIA_NO_MASS ? "mass" : "inertia", TEXT_CAR_NOT_PHYSICAL);
    return;
  }
  flagWord = MakeFlagWord();
  lowestPoint = LowestPoint();
  if (setupsInStep && setupIndex >= 0 && setupIndex < std::min<int>(setupCount, VEHICLE_MAX_SETUPS))
    setups[setupIndex].record = currentSetup;
}
