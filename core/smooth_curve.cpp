// smooth_curve.cpp - the smooth-motion curve's plan and step.
#include "core/smooth_curve.h"

void SmoothCurve::SetAtRest(float at) {
  *this = SmoothCurve{};
  value = targetValue = startValue = at;
}

void SmoothCurve::Plan(float target, float targetRateAtEnd, float T) {
  startValue = value;
  startRate = rate;
  targetValue = target;
  targetRate = targetRateAtEnd;
  duration = T;
  time = 0.0f;
  if (!(T > 0.0f)) return;  // reached at the first step: nothing to solve
  // The end conditions x(T) = target, v(T) = target rate and zero acceleration at T:
  //   | h2 h3 h4 | |c1|   |D|      h2 = T^2/2, h3 = T^3/6, h4 = T^4/24
  //   | T  h2 h3 | |c2| = |V|      D = target - xs - vs T
  //   | 1  T  h2 | |c3|   |0|      V = target rate - vs
  // solved once by the cofactor inverse.
  const float h2 = T * T / 2.0f, h3 = T * T * T / 6.0f, h4 = T * T * T * T / 24.0f;
  const float D = target - startValue - startRate * T;
  const float V = targetRateAtEnd - startRate;
  // Only the cofactors that meet D and V are needed (the third right-hand side is 0).
  const float k00 = h2 * h2 - h3 * T, k01 = -(T * h2 - h3), k02 = T * T - h2;  // row 0
  const float k10 = -(h3 * h2 - h4 * T), k11 = h2 * h2 - h4, k12 = -(h2 * T - h3);  // row 1
  // Regular for every T > 0: the determinant is T^6 / 144.
  const float determinant = h2 * k00 + h3 * k01 + h4 * k02;
  c1 = (k00 * D + k10 * V) / determinant;
  c2 = (k01 * D + k11 * V) / determinant;
  c3 = (k02 * D + k12 * V) / determinant;
}

void SmoothCurve::Step(float dt) {
  time += dt;
  if (time >= duration) {
    value = targetValue;
    rate = targetRate;
    finished = 0.0f;
    time = duration;
    return;
  }
  const float t = time, t2 = t * t, t3 = t2 * t, t4 = t3 * t;
  value = startValue + startRate * t + c1 * t2 / 2.0f + c2 * t3 / 6.0f + c3 * t4 / 24.0f;
  rate = startRate + c1 * t + c2 * t2 / 2.0f + c3 * t3 / 6.0f;
}
