// car_drive_util.h - driving a sample car in the car simulation's tests: the car stood on the
// floor as its placement will stand it, and stepped in 1 ms steps as the program steps it.
#pragma once
#include <cmath>

#include "physics/car.h"
#include "tests/physics/car_test_util.h"

constexpr float TEST_GRAVITY = -9.81f;

// Stands the car as its placement will: level at a heading (rad, about z), reset, its wheels'
// running state cleared, the engine stopped, at x, y (m) with its lowest point 5 cm above the
// floor.
inline void StandCar(Car& car, float heading = 0.0f, float x = 0.0f, float y = 0.0f) {
  const float c = std::cos(heading), s = std::sin(heading);
  const float m[9] = {c, -s, 0.0f, s, c, 0.0f, 0.0f, 0.0f, 1.0f};
  for (int k = 0; k < 9; ++k) car.orientation[k] = m[k];
  car.InitState();
  car.awake = 1;
  car.simulated = 1;
  car.frozen = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    CarWheel& w = car.wheels[i];
    w.ResetWheelState();
    w.UpdateSuspensionGeometry(car.wheelSets[w.wheelSet & 1]);
  }
  car.engine.ClearState();
  car.UpdateMassProperties();
  car.position = FixedFromMetres(Vec3{x, y, 0.05f - car.LowestPoint()});
}

// n steps of the car, in the program's order.
inline void StepCar(Car& car, int n) {
  for (int i = 0; i < n; ++i) {
    car.Integrate(CAR_STEP_SECONDS, 0);
    car.FloorContacts();
    car.CheckGround();
    car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  }
}

inline Vec3 CarPosition(const Car& car) {
  return Vec3{float(car.position.x / 65536.0 + car.offset.x), float(car.position.y / 65536.0 + car.offset.y),
              float(car.position.z / 65536.0 + car.offset.z)};
}
