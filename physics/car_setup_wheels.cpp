// car_setup_wheels.cpp - the wheels' part of the car's set-up from its vehicle data: the
// suspension mounts from the frame, each wheel's record, the pairs and their differentials,
// each wheel's mass and suspension geometry as the per-wheel model places it, the tyres' air,
// the load limits, the brakes and the springs.
//
// The wheel record's figures map onto the per-wheel model's inputs: the mount point is its
// design centre (at the axle's ride height), the camber direction its axle direction in the
// upright's frame, the arm vector its second mount, the arm angle its rest arm angle, the
// steering axis its upright axis (and a linear set's or a fork's travel direction), the
// camber axis its spin axis and the hub its contact offset.
#include <algorithm>
#include <cmath>

#include "physics/car_setup_local.h"

namespace {

constexpr float SIDE_LIMIT = 0.01f;  // m: a wheel nearer the centre line is central
constexpr float TWO_PI = 6.2831855f;
constexpr float HALF_PI = 1.5707964f;
constexpr float WHEEL_DENSITY_FIGURE = 12.0f;  // kg per m^2 of the wheel's surfaces
constexpr float CAMBER_STEP = 0.07853982f / 45.0f;  // rad per step of a camber byte
constexpr int CAMBER_ZERO = 45;
constexpr float KPA = 1000.0f;
constexpr float AIR_DENSITY = 1.205f;  // kg/m^3 at the atmosphere
constexpr float TREAD_SHARE = 0.03f, SIDEWALL_SHARE = 0.02f, RIM_FIGURE_SHARE = 0.02f;
constexpr float SECTOR_SHARE = 0.0625f;  // one of the tread's sixteen sectors
constexpr float GRAVITY = 9.81f;
constexpr float LOAD_LIMIT_LOADS[2] = {3.0f, 6.0f}, LOAD_LIMIT_FIGURES[2] = {0.06f, 1.2f};

Vec3 Metres(const IntVector& p) {
  return {static_cast<float>(p.x) / 65536.0f, static_cast<float>(p.y) / 65536.0f, static_cast<float>(p.z) / 65536.0f};
}

// The axle's drive bit: 1 for the rear, 2 for the front.
bool Driven(const Car& car, int axle) { return car.driveType & (axle == 0 ? DRIVE_REAR : DRIVE_FRONT); }

// The set-up's camber byte of the wheel's side, in radians from upright.
float CamberOf(const Car& car, const CarWheel& w) {
  const int byte = SetupByte(car, AxleField(w.wheelSet, w.side > 0.0f ? AXLE_CAMBER_RIGHT : AXLE_CAMBER_LEFT));
  return static_cast<float>(byte - CAMBER_ZERO) * CAMBER_STEP;
}

// An arm's angle: atan(rise / run), 0 when there is no run to divide by.
float ArmAngle(float rise, float run) { return run != 0.0f ? std::atan(rise / run) : 0.0f; }

// Step 21 for the arm types (MacPherson strut and double wishbone).
void SetArmGeometry(const Car& car, CarWheel& w, const SuspensionBlock& s) {
  const float side = w.side;
  const float a = (CamberOf(car, w) + s.includedAngle + HALF_PI) * side;
  w.axleAlong = std::cos(a);
  w.axleAcross = std::sin(a);
  w.restArmAngle = ArmAngle(w.rideHeight - s.halfUprightLength - w.lowerPivot.z, s.lowerArmLength);
  if (w.suspensionType == SUSPENSION_MACPHERSON_STRUT) {
    w.mountDx = w.strutTop.x - w.lowerPivot.x;
    w.mountDz = w.strutTop.z - w.lowerPivot.z;
    w.uprightX = (s.wheelOffset + s.lowerArmLength) * side + w.lowerPivot.x;
  } else {
    w.mountDx = w.upperPivotX - w.lowerPivot.x;
    w.mountDz = w.upperPivotZ - w.lowerPivot.z;
    w.uprightX = ((s.upperArmLength * side + w.upperPivotX) + (s.lowerArmLength * side + w.lowerPivot.x)) * 0.5f +
                 s.wheelOffset * side;
  }
}

}  // namespace

void Car::SetSuspensionMounts() {
  for (SuspensionBlock& set : wheelSets) set.upperPivot = set.lowerPivot = set.thrustBearing = IntVector{};
  for (int i = 0; i < framePointCount; ++i) {
    const FramePoint& p = framePoints[i];
    SuspensionBlock& set = wheelSets[p.y >= 0 ? 1 : 0];
    const IntVector at{p.x, p.y, p.z};
    if (p.type == 2) set.upperPivot = at;
    else if (p.type == 1) set.lowerPivot = at;
    else if (p.type == 3) set.thrustBearing = at;
  }
}

void Car::SetWheelSuspensionGeometry(CarWheel& w) {
  const SuspensionBlock& s = wheelSets[w.wheelSet & 1];
  const float side = w.side, a = CamberOf(*this, w);
  const float R = s.rollingRadius, h = s.wheelOffset, t = s.trackWidth;
  const float x = (std::sin(a) * R + (t * 0.5f - std::cos(a) * h)) * side;
  w.restMount.x = w.mount.x = w.designCentre.x = x;
  w.uprightX = side * std::cos(a) * h + x;
  const float turned = side * a, c = std::cos(turned), sn = std::sin(turned);
  // The hub (y 0: the per-wheel model keeps its contact offset across the car) and the
  // camber axis, which is the wheel's spin axis.
  w.contactOffset = {c * side * h - sn * R, 0.0f, -sn * side * h - c * R};
  w.spinAxis = {c, 0.0f, -sn};
  const float caster = s.caster, q = -(s.inclination * side);
  w.kingpinAxis = {std::sin(q), -std::sin(caster) * std::cos(q), std::cos(caster) * std::cos(q)};
}

void SetupWheelRecords(Car& car) {
  for (int i = 0; i < CarWheelCount(car); ++i) {
    CarWheel& w = car.wheels[i];
    w.restMount = w.mount = w.designCentre = car.wheelPositions[i];
    w.wheelSet = w.restMount.y > 0.0f ? 1 : 0;
    w.side = w.restMount.x > SIDE_LIMIT ? 1.0f : (w.restMount.x < -SIDE_LIMIT ? -1.0f : 0.0f);
    SuspensionBlock& set = car.wheelSets[w.wheelSet];
    (w.side > 0.0f ? set.rightWheel : set.leftWheel) = static_cast<uint8_t>(i + 1);
    const float R = set.rollingRadius;
    w.tyreScale = R;  // the tyre ray's length: the wheel's radius
    w.slotIndex = static_cast<uint8_t>(w.wheelSet * 2 + (w.side > 0.0f ? 1 : 0));
    const int pressure = SetupShort(car.currentSetup, AxleField(w.wheelSet, w.side > 0.0f ? AXLE_PRESSURE_RIGHT
                                                                                          : AXLE_PRESSURE_LEFT));
    w.pressure = w.coldPressure = static_cast<float>(pressure) * KPA;
    w.airMass = 0.0f;
  }
}

void SetupWheelPairs(Car& car) {
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    SuspensionBlock& set = car.wheelSets[axle];
    set.lockedDifferential = 0;
    set.paired = set.leftWheel && set.rightWheel &&
                         car.wheels[set.leftWheel - 1].restMount.y == car.wheels[set.rightWheel - 1].restMount.y
                     ? 1
                     : 0;
    if (!set.paired) continue;
    uint8_t& differential = SetupByte(car, AxleField(axle, AXLE_DIFFERENTIAL));
    if (car.options & OPT1_OPEN_DIFFERENTIALS) differential = 0;
    else if (car.options & OPT1_COAST_AS_POWER)
      SetupByte(car, AxleField(axle, AXLE_COAST_LOCKING)) = SetupByte(car, AxleField(axle, AXLE_POWER_LOCKING));
    if (Driven(car, axle) && differential == 1) set.lockedDifferential = 1;
  }
}

void SetupWheelGeometry(Car& car) {
  car.drivenWheels = 0;
  for (int i = 0; i < CarWheelCount(car); ++i) {
    CarWheel& w = car.wheels[i];
    const int axle = w.wheelSet & 1;
    const SuspensionBlock& s = car.wheelSets[axle];
    const float R = s.rollingRadius, width = s.sectionWidth, rim = s.rimRadius;
    w.unsprungMass = (R * TWO_PI * width + R * R * TWO_PI + rim * TWO_PI * width) * WHEEL_DENSITY_FIGURE;
    w.spinInertia = w.unsprungMass * R * R * 0.5f;

    w.rideHeight = AxleFloat(car, axle, AXLE_RIDE_HEIGHT);
    w.springRate = w.bumpDamping = w.reboundDamping = 0.0f;  // step 31 gives them
    w.toeAngle = SetupToeAngle(car, axle);
    w.maxTravel = std::max(s.maxUpPosition - w.rideHeight, 0.0f);
    w.driven = Driven(car, axle) ? 1 : 0;
    car.drivenWheels = static_cast<uint8_t>(car.drivenWheels + w.driven);

    const Vec3 upper = Metres(s.upperPivot), lower = Metres(s.lowerPivot), thrust = Metres(s.thrustBearing);
    w.upperPivotX = upper.x * w.side;
    w.upperPivotZ = upper.z;
    w.lowerPivot = {lower.x * w.side, lower.y, lower.z};
    w.strutTop = {thrust.x * w.side, thrust.y, thrust.z};
    w.mountDx = w.mountDz = 0.0f;
    w.axleAlong = w.axleAcross = 0.0f;
    w.suspensionType = s.suspensionType;

    switch (w.suspensionType) {
      case SUSPENSION_RIGID:
      case SUSPENSION_LINEAR:
        car.SetWheelSuspensionGeometry(w);
        w.uprightAxis = w.travelDirection = {0.0f, 0.0f, 1.0f};
        break;
      case SUSPENSION_FRONT_FORK:
        car.SetWheelSuspensionGeometry(w);
        w.uprightAxis = w.travelDirection = w.kingpinAxis;
        break;
      case SUSPENSION_MACPHERSON_STRUT:
      case SUSPENSION_DOUBLE_WISHBONE: SetArmGeometry(car, w, s); break;
      case SUSPENSION_TRAILING_ARM: {
        car.SetWheelSuspensionGeometry(w);  // the steering axis stays as it was
        const float dy = w.restMount.y - w.lowerPivot.y, dz = w.rideHeight - w.lowerPivot.z;
        w.trailingArmLength = std::sqrt(dy * dy + dz * dz);
        w.restArmAngle = -ArmAngle(dz, dy);
        break;
      }
      default: break;
    }
    w.designCentre.z = w.rideHeight;
    w.UpdateSuspensionGeometry(s);
  }
}

void SetupTyreAir(Car& car) {
  for (SuspensionBlock& s : car.wheelSets) {
    const float R = s.rollingRadius, rim = s.rimRadius, width = s.sectionWidth;
    s.rimVolume = rim * TWO_PI * s.rimWidth * R * RIM_FIGURE_SHARE;
    const float outer = R - TREAD_SHARE * R;
    s.airVolume = (outer * outer - rim * rim) * (TWO_PI / 2.0f) * (width - width * SIDEWALL_SHARE * 2.0f);
    for (const uint8_t link : {s.leftWheel, s.rightWheel}) {
      if (!link) continue;
      CarWheel& w = car.wheels[link - 1];
      w.airMass = ((w.pressure + ATMOSPHERIC_PRESSURE) / ATMOSPHERIC_PRESSURE) * s.airVolume * AIR_DENSITY;
    }
    s.heatCapacityWidth = s.treadContactWidth * R * TWO_PI * SECTOR_SHARE / 3.0f;
    s.sidewallFactor = s.maxDeflection * R * TWO_PI * SECTOR_SHARE;
  }
}

void SetupLoadLimits(Car& car) {
  const MassProperties& base = car.massRecords[MASS_RECORD_BASE];
  const float divisor = car.WheelBaseDivisor();
  for (int i = 0; i < CarWheelCount(car); ++i) {
    CarWheel& w = car.wheels[i];
    const float f = 1.0f - std::fabs(w.restMount.y - base.centreOfMass.y) / divisor;
    for (int k = 0; k < 2; ++k) {
      w.loadLimits[k] = base.mass * GRAVITY * LOAD_LIMIT_LOADS[k] * f;
      w.loadLimitFigures[k] = LOAD_LIMIT_FIGURES[k];
    }
  }
}

void Car::SplitBrakes() {
  const float strength = SetupFloat(currentSetup, SETUP_BRAKE_STRENGTH);
  // A default set-up's balance past the whole (it is not clamped) puts all of it on the front:
  // a rear brake of negative torque would spin its wheels up.
  const int percent = std::min<int>(SetupByte(*this, SETUP_BRAKE_BALANCE), 100);
  const float share = options2 & OPT2_NO_BRAKE_BALANCE ? 0.0f : static_cast<float>(percent) / 100.0f;
  wheelSets[1].brakeTorque = strength * 2.0f * share;
  wheelSets[0].brakeTorque = strength * 2.0f * (1.0f - share);
  for (int i = 0; i < CarWheelCount(*this); ++i) wheels[i].brakeTorque = wheelSets[wheels[i].wheelSet & 1].brakeTorque;
}

void Car::ApplySpringRates() {
  for (int i = 0; i < CarWheelCount(*this); ++i) {
    CarWheel& w = wheels[i];
    if (w.suspensionType == SUSPENSION_RIGID) continue;
    const bool broken = w.damage[DAMAGE_SPRING] == DAMAGE_AT_LIMIT;
    const int axle = w.wheelSet & 1;
    w.springRate = broken || (zeroSprings & 1) ? 0.0f : AxleFloat(*this, axle, AXLE_SPRING);
    w.bumpDamping = broken ? 0.0f : AxleFloat(*this, axle, AXLE_BUMP);
    w.reboundDamping = broken ? 0.0f : AxleFloat(*this, axle, AXLE_REBOUND);
  }
}
