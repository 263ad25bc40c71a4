// vehicle_class.h - the vehicle classes: their names and the figures each class gives a new
// vehicle, an old engine record and the car's set-up.
//
// A vehicle's class is a byte of its data, 0 to 11.  Speeds are in radians per second.
// Thread-safe (constant data).
#pragma once
#include <cstdint>

#include "solid/solid.h"

enum VehicleClassIndex : uint8_t {
  CLASS_OBJECT = 0,
  CLASS_TOURING_CAR = 1,
  CLASS_SALOON = 2,
  CLASS_BUGGY = 3,
  CLASS_FORMULA = 4,
  CLASS_GT = 5,
  CLASS_KART = 6,
  CLASS_BIKE = 7,
  CLASS_VAN = 8,
  CLASS_TRUCK = 9,
  CLASS_F1 = 10,
  CLASS_FSAE = 11,
};
constexpr int VEHICLE_CLASS_COUNT = 12;

struct VehicleClass {
  const char* name;
  float suspensionMassConstant;  // the default when a vehicle file holds none
  int32_t single;                // 1 for the single-seater classes; kept with the table
  float engineSizeMin, engineSizeMax;  // cc
  float spreadFactor;       // torque spread and cam timing multiplier, also the redline factor
  float resistanceMul;      // engine defaults
  float inertiaMul;
  float torquePerCc;
  float column9;            // kept with the table
  float fuelTankFactor;     // 1.1 for "formula", "GT" and "F1"
  float idleSpeed;          // rad/s
};
extern const VehicleClass VehicleClassTable[VEHICLE_CLASS_COUNT];

// The row of a class; a class out of range gives row 0 ("object").
const VehicleClass& VehicleClassRow(int vehicleClass);

// What a class (or a single front wheel, which takes precedence) gives a new vehicle: its
// driver's animation set ("sit_<name>" and "str_<name>" in "data\\move"; null for no driver),
// the steering wheel's turn to one side and its column's pitch, the tyre pressure of the
// set-up, and, where placed is set, the driver's seat, the engine and the fuel tank (lateral,
// forward, up from the car's origin); the aerodynamic value of its drag items.
struct ClassStart {
  const char* animation;
  float steeringTurn;     // degrees
  float steeringPitch;    // radians: the column's lean back from upright
  uint16_t tyrePressure;  // kPa
  bool placed;
  Vec3 driver, engine, tank;
  float aero;
};
// The start of a vehicle of the class with the axles' wheel counts and the wheelbase (m).
ClassStart ClassStartOf(int vehicleClass, int rearWheels, int frontWheels, float wheelbase);
