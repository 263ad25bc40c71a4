// car.h - the car record: a rigid body with its wheels and its two wheel sets.
//
// Layers: the car step of physics/ and the vehicle model above it both read and write it; it
// stands on the rigid body (physics/solid/solid.h) and the per-wheel model
// (vehicle/wheel/wheel.h), which push on the car as a Solid.
// This is its least form: the vehicle definition, the construction and the step's own
// fields come with the car's file, set-up and step.
#pragma once
#include <cstdint>

#include "physics/solid/solid.h"
#include "vehicle/wheel/wheel.h"

constexpr int CAR_MAX_WHEELS = 4;  // two wheel sets of at most two wheels
constexpr int CAR_WHEEL_SETS = 2;  // 0 rear, 1 front

struct Car : Solid {
  int GetType() const override { return 1; }

  int32_t wheelCount = 0;
  CarWheel wheels[CAR_MAX_WHEELS] = {};
  SuspensionBlock wheelSets[CAR_WHEEL_SETS] = {};
  float steeringTorqueSum = 0;  // N m about the steering axis, summed by the steered wheels
};
