// diagram_test_car.h - the sample car with a MacPherson strut rear axle and a double wishbone
// front axle, its arms placed as the car's set-up places them: what the axle diagram's tests
// draw.
#pragma once
#include <cmath>

#include "tests/physics/car_test_util.h"
#include "tests/vehicle/wheels_at_rest.h"

inline void MakeDiagramCar(Car& car) {
  MakeSampleCar(0, car);
  SetIdentity3x3(car.orientation);
  car.extent[2] = 0.8f;
  car.extent[3] = -0.8f;
  car.wheelSets[0].suspensionType = 3;
  car.wheelSets[1].suspensionType = 4;
  MakeTyres(car);
  // Each wheel's arms: 0.75 m out, pivots inboard.
  for (int i = 0; i < car.wheelCount; ++i) {
    CarWheel& w = car.wheels[i];
    const float side = w.side;
    SuspensionBlock& set = car.wheelSets[w.wheelSet];
    set.lowerArmLength = 0.35f;
    set.upperArmLength = 0.28f;
    set.halfUprightLength = 0.14f;
    set.trackWidth = 1.5f;
    w.designCentre = {side * 0.75f, w.designCentre.y, 0.3f};
    w.axleAlong = 0.06f;
    w.axleAcross = side * std::sqrt(1.0f - 0.06f * 0.06f);
    w.restArmAngle = -0.05f;
    w.lowerPivot = {side * 0.3f, w.designCentre.y, 0.12f};
    w.strutTop = {side * 0.58f, w.designCentre.y, 0.75f};
    w.upperPivotX = side * 0.36f;
    w.upperPivotZ = 0.42f;
    const bool strut = set.suspensionType == 3;
    w.mountDx = (strut ? w.strutTop.x : w.upperPivotX) - w.lowerPivot.x;
    w.mountDz = (strut ? w.strutTop.z : w.upperPivotZ) - w.lowerPivot.z;
    w.travel = 0.05f;
  }
}
