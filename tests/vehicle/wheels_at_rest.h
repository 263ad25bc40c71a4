// wheels_at_rest.h - a car's wheels made ready to draw for the vehicle's drawing tests.
#pragma once

#include "physics/car.h"
#include "vehicle/wheel_profile.h"
#include "wheel/wheel.h"

// Each wheel set's tyre made (the first type, new) with its rim's profile.
inline void MakeTyres(Car& car) {
  for (SuspensionBlock& set : car.wheelSets) {
    SetupTyre(set, 0, 0.0f);
    BuildRimProfile(set, nullptr, RimProfileFlags{0, 0, 0});
  }
}

// A 200/50 tyre (the first type, new) on a rim of 0.2 m radius and 0.18 m width; its rim's
// profile is left to the caller.
inline void MakeTyre200Over50(SuspensionBlock& set) {
  set.sectionWidth = 0.2f;
  set.aspectRatio = 0.5f;
  set.rimRadius = 0.2f;
  set.rimWidth = 0.18f;
  SetupTyre(set, 0, 0.0f);
}

// The tyres made, and every wheel at rest where the vehicle put it: straight ahead, upright,
// no camber.
inline void StandWheelsAtRest(Car& car) {
  MakeTyres(car);
  for (int i = 0; i < car.wheelCount; ++i) {
    car.wheels[i].centre = car.wheelPositions[i];
    car.wheels[i].steerAngle = 0.0f;
    car.wheels[i].spinAxis = Vec3{1, 0, 0};
    car.wheels[i].uprightAxis = Vec3{0, 0, 1};
  }
}
