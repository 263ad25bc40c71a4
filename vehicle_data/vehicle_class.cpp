// vehicle_class.cpp - the vehicle class table.
#include "vehicle_data/vehicle_class.h"

// clang-format off
const VehicleClass VehicleClassTable[VEHICLE_CLASS_COUNT] = {
    // name          mass  1  cc min  cc max  spread  resistance  inertia  torque  col 9  tank  idle
    {"object",       0.0f,  0,   50,    100,  1.6f,   1.417e-10f, 1e-06f,   0.143f, 2,     1,    104.71f},
    {"touring car",  0.15f, 0,  250,  12000,  1.6f,   1.417e-10f, 1.2e-06f, 0.143f, 2,     1,    104.71f},
    {"saloon",       0.15f, 0,  250,  12000,  1.6f,   1.417e-10f, 1.2e-06f, 0.143f, 2,     1,    104.71f},
    {"buggy",        0.15f, 0,  250,  12000,  1.6f,   1.417e-10f, 1.2e-06f, 0.143f, 2,     1,    104.71f},
    {"formula",      0.1f,  1, 1000,   3000,  2.225f, 1.209e-10f, 8e-07f,   0.19f,  8,     1.1f, 209.42f},
    {"GT",           0.15f, 0, 1000,   8000,  2.225f, 1.209e-10f, 8e-07f,   0.19f,  6,     1.1f, 157.065f},
    {"kart",         0.0f,  1,   50,   1200,  0.8f,   1.417e-10f, 1e-06f,   0.09f,  2,     1,    104.71f},
    {"bike",         0.15f, 1,   50,   2000,  1.6f,   1.417e-10f, 8e-07f,   0.143f, 2,     1,    104.71f},
    {"van",          0.15f, 0,  250,  12000,  1.6f,   1.417e-10f, 1.2e-06f, 0.143f, 2,     1,    104.71f},
    {"truck",        0.15f, 0,  250,  12000,  1.6f,   1.417e-10f, 1.2e-06f, 0.143f, 2,     1,    104.71f},
    {"F1",           0.1f,  1, 1000,   2400,  2.225f, 7.5e-11f,   4e-07f,   0.19f,  12.1f, 1.1f, 418.84f},
    {"FSAE",         0.15f, 1,  250,   1000,  1.6f,   1.417e-10f, 8e-07f,   0.143f, 2,     1,    104.71f},
};
// clang-format on

const VehicleClass& VehicleClassRow(int vehicleClass) {
  if (vehicleClass < 0 || vehicleClass >= VEHICLE_CLASS_COUNT) vehicleClass = CLASS_OBJECT;
  return VehicleClassTable[vehicleClass];
}

ClassStart ClassStartOf(int vehicleClass, int rearWheels, int frontWheels, float wheelbase) {
  constexpr float UPRIGHT = 0.7853982f, RAKED = 0.4188790f;  // 45 and 24 degrees
  const float b = wheelbase;
  ClassStart c{nullptr, 360.0f, UPRIGHT, 100, false, {}, {}, {}, 0.4f};
  if (frontWheels == 1) {
    c = {"bike", 30.0f, RAKED, 250, true, {0, b / 2 - 1.0f, 0.3f}, {0, 0, 0.2f}, {0, 0.3f, 0.6f}, 0.3f};
    if (rearWheels == 1) c.aero = 0.2f;
    return c;
  }
  switch (vehicleClass) {
    case CLASS_TOURING_CAR:
    case CLASS_SALOON:
      return {"saloon", 450.0f, UPRIGHT, 250, true, {0, -0.2f, 0}, {0, b / 2, 0.2f}, {0, -b / 2, 0.2f}, 0.4f};
    case CLASS_BUGGY:
      return {"saloon", 450.0f, UPRIGHT, 250, true, {0, -0.5f, 0}, {0, -b / 2, 0.2f}, {0, b / 2, 0.2f}, 0.4f};
    case CLASS_VAN:
    case CLASS_TRUCK:
      return {"saloon", 450.0f, UPRIGHT, 250, true, {0, 0.2f, 0.5f}, {0, b / 2, 0.2f}, {0, -b / 2, 0.2f}, 0.4f};
    case CLASS_FORMULA:
      return {"racer", 225.0f, UPRIGHT, 120, true, {0, 0.1f, -0.05f}, {0, -b / 4, 0.2f}, {0, 0, 0.2f}, 0.2f};
    case CLASS_GT:
      return {"coupe", 270.0f, UPRIGHT, 180, true, {0, -0.2f, 0}, {0, b / 2, 0.2f}, {0, -b / 2, 0.2f}, 0.3f};
    case CLASS_KART:
      return {"kart", 75.0f, UPRIGHT, 80, true, {0, -0.5f, -0.1f}, {0, -b / 2, 0.1f}, {0, b / 4, 0.1f}, 0.2f};
    case CLASS_F1:
      return {"f1", 200.0f, UPRIGHT, 120, true, {0, 0, -0.1f}, {0, -b / 4, 0.2f}, {0, 0, 0.2f}, 0.25f};
    case CLASS_FSAE:
      return {"fsae", 135.0f, UPRIGHT, 100, true, {0, -0.1f, -0.1f}, {0, -b / 4, 0.2f}, {0, 0, 0.2f}, 0.2f};
    default: return c;
  }
}
