// car_setup.cpp - the car's set-up from its vehicle data, as far as the car holds its parts:
// the wheel sets' tyres, rays and caster, the wheel records' sets, sides, masses and tyre
// rays, the frame tubes' figures and the mass model.  The car's step, its limits and its
// aerodynamics come with the car simulation's own set-up.
#include <algorithm>
#include <cmath>

#include "physics/car.h"
#include "vehicle/data/vehicle_class.h"

namespace {

constexpr double PI = 3.1415927;
constexpr float SIDE_LIMIT = 0.01f;  // m: a wheel nearer the centre line is central
constexpr float TUBE_RADIUS_PER_ROOT_MASS = 0.01f;
constexpr float WHEEL_DENSITY_FIGURE = 12.0f;  // kg per m^2 of the wheel's surfaces
constexpr float TWO_PI = 6.2831855f;
constexpr float RAY_MARGIN = 0.05f;    // m beyond the tyre's reach at either end of a ground ray
constexpr float MOST_RAY_TRAVEL = 1.0f;  // m: a larger stored travel is a damaged figure

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

// The caster of a rigid or double wishbone set: the set-up's byte in tenths of a degree, the
// front set's held to its type's range; the byte goes back into the current set-up.
void SettleCaster(Car& car, int axle) {
  SuspensionBlock& set = car.wheelSets[axle];
  uint8_t& current = car.currentSetup.bytes[SETUP_AXLE[axle] + AXLE_CASTER];
  const bool rigid = set.suspensionType == SUSPENSION_RIGID;
  if (!rigid && set.suspensionType != SUSPENSION_DOUBLE_WISHBONE) {
    current = 0;
    return;
  }
  const uint8_t stored = car.setupCount > 0 ? car.setups[0].record.bytes[SETUP_AXLE[axle] + AXLE_CASTER] : 0;
  int byte = stored;
  if (axle == 1) {
    byte = current ? current : stored;
    byte = rigid ? std::clamp(byte, 40, 240) : std::clamp(byte, 10, 60);
  }
  current = static_cast<uint8_t>(byte);
  set.caster = static_cast<float>(byte * PI / 1800.0);
}

}  // namespace

void Car::SetupFromVehicle(uint32_t keepStructure) {
  if (currentSetup.bytes[SETUP_FLAGS] == 0) return;  // no set-up: nothing to set up
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    SuspensionBlock& set = wheelSets[axle];
    set.compoundIndex = static_cast<uint8_t>(
        std::min<int>(currentSetup.bytes[SETUP_AXLE[axle] + AXLE_TYRE_TYPE], TYRE_COMPOUND_COUNT - 1));
    SettleCaster(*this, axle);
    SetupTyre(set, vehicleClass == CLASS_BIKE, set.wheelOffset);
    SetRayFigures(set);
  }
  if (!keepStructure) {
    for (int i = 0; i < frameTubeCount; ++i) {
      FrameTube& t = frameTubes[i];
      if (t.massPerMetre != 0.0f) t.radius = TUBE_RADIUS_PER_ROOT_MASS * std::sqrt(std::max(t.massPerMetre, 0.0f));
      if (t.a < 0 || t.b < 0) t.massPerMetre = 0.0f;  // a suspension link's mass is the suspension's
    }
  }
  // Each wheel's set (the front set ahead of the origin), side and mass from its tyre and rim.
  const int wheels = std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS);
  for (int i = 0; i < wheels; ++i) {
    CarWheel& w = this->wheels[i];
    const Vec3& p = wheelPositions[i];
    w.restMount = w.mount = p;
    w.wheelSet = p.y > 0.0f ? 1 : 0;
    w.side = p.x > SIDE_LIMIT ? 1.0f : p.x < -SIDE_LIMIT ? -1.0f : 0.0f;
    const SuspensionBlock& set = wheelSets[w.wheelSet];
    const float R = set.rollingRadius, width = set.sectionWidth, rim = set.rimRadius;
    w.unsprungMass = (R * TWO_PI * width + R * R * TWO_PI + rim * TWO_PI * width) * WHEEL_DENSITY_FIGURE;
    w.spinInertia = w.unsprungMass * R * R * 0.5f;
    w.tyreScale = std::isfinite(R) && R > 0.0f ? R : 0.0f;  // no tyre, no tyre ray
  }
  // The wheel base, from the rearmost to the foremost wheel, both from 0 (1 m without wheels),
  // is also a dent's size.
  float rearmost = 0.0f, foremost = 0.0f;
  for (int i = 0; i < wheels; ++i) {
    rearmost = std::min(rearmost, wheelPositions[i].y);
    foremost = std::max(foremost, wheelPositions[i].y);
  }
  wheelBase = wheels ? foremost - rearmost : 1.0f;
  damageSize = wheelBase;
  if (!keepStructure) {
    BuildFrameGeometry(MASS_SUM, wheels);
    BuildFrameGeometry(MASS_INERTIA, wheels);
  }
}
