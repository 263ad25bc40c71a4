// static_balance.h - a car standing at rest checked against its static balance: the tyres carry
// its weight, each axle's load follows the lever rule about the centre of mass, and each spring
// holds its wheel's load less the wheel's weight along its travel, which fixes the ride heights.
#pragma once
#include <gtest/gtest.h>

#include <cmath>

#include "physics/car.h"
#include "solid/solid.h"

// The car's contact point of a wheel in car axes, from the car's origin.
inline Vec3 ContactInCarAxes(const Car& car, const CarWheel& w) {
  return MatrixTransposeTimes(car.orientation, w.contactPoint - car.offset);
}

struct StaticBalanceShares {
  double weight = 0.005;  // the tyres' summed load against the car's weight
  double axle = 0.01;     // each axle's load against the lever rule (two axles of two wheels)
  double spring = 0.02;   // each spring's force against the load it holds
};

// Expects car, standing still, to be at its static balance within the given shares of each
// figure, under gravity (m/s^2, downwards).  A car without two axles of two wheels has its
// weight and springs checked only.
inline void ExpectStaticBalance(const Car& car, const StaticBalanceShares& share = {}, double gravity = 9.81) {
  const double weight = car.mass * gravity;
  double sum = 0, axle[2] = {}, y[2] = {};
  int n[2] = {};
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    const Vec3 at = ContactInCarAxes(car, w) - car.centreOfMass;
    sum += w.normalForce;
    if (w.wheelSet > 1) continue;
    axle[w.wheelSet] += w.normalForce;
    y[w.wheelSet] += at.y;
    ++n[w.wheelSet];
  }
  EXPECT_NEAR(sum, weight, weight * share.weight) << "the tyres carry the weight";
  if (n[0] == 2 && n[1] == 2) {
    const double rear = y[0] / 2, front = y[1] / 2;
    EXPECT_NEAR(axle[1], weight * -rear / (front - rear), weight * share.axle) << "the front axle's load";
    EXPECT_NEAR(axle[0], weight * front / (front - rear), weight * share.axle) << "the rear axle's load";
  }
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    if (w.suspensionType == SUSPENSION_RIGID) continue;
    const Vec3 tyre = w.groundNormal * w.normalForce + w.deformation * w.treadStiffness;
    const Vec3 along = MatrixTimes(car.orientation, w.travelDirection);
    const double held = Dot(tyre, along) - w.unsprungMass * gravity * along.z + car.wheelSteps[i].antiRollForce;
    EXPECT_GT(w.travel, 0.0f) << "wheel " << i;
    EXPECT_NEAR(w.springRate * w.travel - w.springPreload, held, std::fabs(held) * share.spring) << "wheel " << i;
  }
}
