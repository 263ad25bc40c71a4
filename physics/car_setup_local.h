// car_setup_local.h - what the files of the car's set-up from the vehicle data share and no
// one else uses (tests may): the set-up record's fields as the car holds them, and the steps
// that car_setup_wheels.cpp and car_setup_parts.cpp do for car_setup.cpp.
#pragma once
#include <cstdint>

#include "physics/car.h"

// ---- the current set-up's fields ----
inline uint8_t& SetupByte(Car& car, int offset) { return car.currentSetup.bytes[offset]; }
inline uint8_t SetupByte(const Car& car, int offset) { return car.currentSetup.bytes[offset]; }
inline int AxleField(int axle, int field) { return SETUP_AXLE[axle & 1] + field; }
inline float AxleFloat(const Car& car, int axle, int field) { return SetupFloat(car.currentSetup, AxleField(axle, field)); }

// An axle's toe angle as the set-up gives it (rad): (toe byte - 9) x 0.015707964 / 9.
inline float SetupToeAngle(const Car& car, int axle) {
  return static_cast<float>(SetupByte(car, AxleField(axle, AXLE_TOE)) - 9) * (0.015707964f / 9.0f);
}

// v held within lo..hi as the set-up clamps: at or below lo gives lo, then at or above hi gives
// hi.  A value that is not a number is never given here (the set-up mends it first).
inline float ClampSetupValue(float v, float lo, float hi) { return v <= lo ? lo : (v >= hi ? hi : v); }

// v held within a vehicle's range of bytes as the set-up clamps: at or below the lowest gives
// the lowest, then at or above the highest the highest.  A highest below the lowest counts as
// the lowest, so that clamping again changes nothing.
inline int ClampToRange(int v, int lowest, int highest) {
  if (highest < lowest) highest = lowest;
  return v <= lowest ? lowest : (v >= highest ? highest : v);
}

// ---- mass ----
// Adds the parallel-axis terms of a point mass m at c to an inertia tensor about the origin.
void AddPointInertia(float I[9], float m, const Vec3& c);

// ---- steps of Car::SetupFromVehicle done elsewhere ----
// Step 16: each wheel's mount, set, side, links, radius, slot and tyre pressure.
void SetupWheelRecords(Car& car);
// Step 17: each set's pair flag, the differential bytes by the option bits, the locked flag.
void SetupWheelPairs(Car& car);
// Step 21: each wheel's mass, ride, toe, travel, drive, pivots and suspension geometry.
void SetupWheelGeometry(Car& car);
// Step 22: each set's rim figure, air volume and tread figures, each wheel's air mass.
void SetupTyreAir(Car& car);
// Step 25: the four aerodynamic items from the model's subobjects and the vehicle's areas.
void SetupAeroItems(Car& car);
// Step 27: each wheel's two load limits.
void SetupLoadLimits(Car& car);
