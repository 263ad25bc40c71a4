// quarter_car.h - one wheel under a quarter of a car, stepped in 1 ms steps as the car step
// will step it: the travel integrated and held at its stops, the geometry, the tyre step on
// flat ground at z = 0, the heat flow, then the body moved under its weight and the wheel's
// force.  The tests, the fuzz target and the benchmark build their wheels here.
#pragma once
#include <cstdint>

#include "solid/solid.h"
#include "wheel/wheel.h"

// The quarter of the car the wheel pushes on: a rigid body with the wheel and its set, as the
// car holds them (the car itself, physics/car.h, lies above the per-wheel model).
struct QuarterBody : Solid {
  int32_t wheelCount = 0;
  CarWheel wheels[1] = {};
  SuspensionBlock wheelSets[1] = {};
  float steeringTorqueSum = 0;  // N m about the steering axis
};

struct WheelSetSizes {
  float width = 0.2f;  // m
  float aspect = 0.5f;
  float rimRadius = 0.2f;  // m
  float rimWidth = 0.18f;  // m
  uint8_t compound = 5;
  uint8_t type = SUSPENSION_LINEAR;
  int rounded = 0;
};

// A wheel set as the car's set-up makes it: SetupTyre, then the heat-capacity width, the
// sidewall and the rim volume from the tyre's sizes (the sidewall from the floored maximum
// deflection, so a tyre with no sidewall still has a carcass).
void MakeWheelSet(SuspensionBlock& set, const WheelSetSizes& sizes);
// The tyre's air mass at a cold pressure (Pa above the atmosphere) for a wheel set.
float TyreAirMass(const SuspensionBlock& set, float coldPressure);

struct QuarterCar {
  QuarterBody car;
  float sprungMass = 300.0f;  // kg
  float gravity = -9.81f;
  float dt = 0.001f;
  float driveTorque = 0.0f;  // N m, put into the spin torque before each step
  float brakeTorque = 0.0f;
  float airCooling = 0.0f;
  int holdVelocity = 0;     // the car's horizontal velocity is held, only z moves
  Vec3 outsideForce = {};   // put in as the wheel's total force before each step
  float groundGrip = 1.0f;  // the ground's grip coefficient under the wheel

  CarWheel& wheel() { return car.wheels[0]; }
  SuspensionBlock& set() { return car.wheelSets[0]; }
  // The wheel centre in world axes, relative to the car's 16.16 position.
  Vec3 WheelCentreWorld() const;
  void Step();
  void Run(int steps) {
    for (int i = 0; i < steps; ++i) Step();
  }
};

// A right-hand wheel on a linear suspension moving straight up, its tyre and heat state set
// up, the car level and standing with the tyre just touching the ground.
void SetupQuarterCar(QuarterCar& q, const WheelSetSizes& sizes, float coldPressure = 200000.0f);
// Places the car so that the tyre's lowest point lies height metres above the ground.
void PlaceAboveGround(QuarterCar& q, float height);
