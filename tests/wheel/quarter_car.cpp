// quarter_car.cpp - the one-wheel harness of the per-wheel tests, fuzz target and benchmark.
#include "tests/wheel/quarter_car.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float TWO_PI = 6.2831855f;
}

void MakeWheelSet(SuspensionBlock& set, const WheelSetSizes& sizes) {
  set = {};
  set.sectionWidth = sizes.width;
  set.aspectRatio = sizes.aspect;
  set.rimRadius = sizes.rimRadius;
  set.rimWidth = sizes.rimWidth;
  set.suspensionType = sizes.type;
  set.compoundIndex = sizes.compound;
  SetupTyre(set, sizes.rounded, 0.0f);
  const float R = set.rollingRadius;
  const float sidewall = std::max(set.maxDeflection, TYRE_DEFLECTION_FLOOR);
  set.heatCapacityWidth = set.treadContactWidth * R * TWO_PI * 0.0625f / 3.0f;
  set.sidewallFactor = sidewall * R * TWO_PI * 0.0625f;
  set.rimVolume = sizes.rimRadius * TWO_PI * sizes.rimWidth * R * 0.02f;
}

float TyreAirMass(const SuspensionBlock& set, float coldPressure) {
  const float R = set.rollingRadius, w = set.sectionWidth, r = set.rimRadius;
  const float inner = R - 0.03f * R;
  const float volume = (inner * inner - r * r) * 3.1415927f * (w - w * 0.02f * 2.0f);
  return (coldPressure + ATMOSPHERIC_PRESSURE) / ATMOSPHERIC_PRESSURE * volume * 1.205f;
}

void SetupQuarterCar(QuarterCar& q, const WheelSetSizes& sizes, float coldPressure) {
  q.car.wheelCount = 1;
  MakeWheelSet(q.set(), sizes);
  const SuspensionBlock& set = q.set();
  QuarterBody& car = q.car;
  car.orientation[0] = car.orientation[4] = car.orientation[8] = 1.0f;
  car.stiffness = 200000.0f;
  car.grip = 1.0f;
  car.damping = 2000.0f;

  CarWheel& w = q.wheel();
  w = {};
  w.side = 1.0f;
  w.suspensionType = sizes.type;
  w.designCentre = {0.7f, 0.0f, 0.0f};
  w.axleAlong = 0.0f;
  w.axleAcross = 1.0f;  // the side folded in: the spin axis is +x on both sides
  w.uprightAxis = {0.0f, 0.0f, 1.0f};
  w.travelDirection = {0.0f, 0.0f, 1.0f};
  w.spinAxis = {1.0f, 0.0f, 0.0f};
  w.contactOffset = {set.wheelOffset, 0.0f, -set.rollingRadius};
  w.maxTravel = 0.2f;
  w.springRate = 40000.0f;
  w.bumpDamping = 3000.0f;
  w.reboundDamping = 3500.0f;
  w.springPreload = 500.0f;
  const float R = set.rollingRadius;
  w.unsprungMass = (R * TWO_PI * sizes.width + R * R * TWO_PI + sizes.rimRadius * TWO_PI * sizes.width) * 12.0f;
  w.spinInertia = w.unsprungMass * R * R * 0.5f;
  // Load limits as the car's set-up gives them: three and six times a share of the weight.
  w.springStrength = q.sprungMass * 9.81f * 6.0f;
  w.springDamageRate = 0.06f;
  w.armStrength = q.sprungMass * 9.81f * 12.0f;
  w.armDamageRate = 1.2f;
  w.coldPressure = coldPressure;
  w.airMass = TyreAirMass(set, coldPressure);
  w.ResetWheelState();
  w.gripCoefficient = 1.0f;
  w.InitThermalState(set, 0);
  w.UpdateSuspensionGeometry(set);
  car.mass = q.sprungMass + w.unsprungMass;
  PlaceAboveGround(q, 0.0f);
}

Vec3 QuarterCar::WheelCentreWorld() const { return car.offset + MatrixTimes(car.orientation, car.wheels[0].centre); }

void PlaceAboveGround(QuarterCar& q, float height) {
  q.car.offset = {};
  const Vec3 lowest = q.WheelCentreWorld() + MatrixTimes(q.car.orientation, q.wheel().contactOffset);
  q.car.offset.z = height - lowest.z;
}

void QuarterCar::Step() {
  CarWheel& w = wheel();
  // The travel, held within its stops with its speed stopped there.
  w.travel += w.travelVelocity * dt;
  if (w.travel < 0.0f) {
    w.travel = 0.0f;
    w.travelVelocity = 0.0f;
  } else if (w.travel > w.maxTravel) {
    w.travel = w.maxTravel;
    w.travelVelocity = 0.0f;
  }
  w.UpdateSuspensionGeometry(set());
  const Vec3 centre = WheelCentreWorld();
  // Flat ground under the wheel.
  w.groundContact = 1;
  w.groundNormal = {0.0f, 0.0f, 1.0f};
  w.groundPoint = {centre.x, centre.y, 0.0f};
  w.gripCoefficient = groundGrip;
  w.spinTorque = driveTorque;
  // The car's step rebuilds its sums every step.
  car.torque = car.impulseHandedOn = {};
  car.steeringTorqueSum = 0.0f;
  Vec3 total = outsideForce;
  w.UpdateWheelForces(set(), car.orientation, centre, brakeTorque, car.steeringTorqueSum, dt, 1.0f / dt, gravity, car,
                      total);
  w.UpdateTyreTemperatures(set(), 0, dt, airCooling);
  // The body: the wheel's force and the sprung weight.
  Vec3 force = w.wheelForce;
  force.z += sprungMass * gravity;
  if (holdVelocity) {
    car.velocity.z += force.z * dt / car.mass;
  } else {
    car.velocity += force * (dt / car.mass);
  }
  car.offset += car.velocity * dt;
}
