// smooth_curve.cpp - the smooth-motion curves' plan and step, and the one solver both plan
// with.
#include "core/smooth_curve.h"

namespace {

// The end conditions x(T) = target, v(T) = target rate and zero acceleration at T:
//   | h2 h3 h4 | |c1|   |D|      h2 = T^2/2, h3 = T^3/6, h4 = T^4/24
//   | T  h2 h3 | |c2| = |V|      D = target - xs - vs T
//   | 1  T  h2 | |c3|   |0|      V = target rate - vs
// solved by the cofactor inverse, made once per plan and applied to every coordinate.  Only
// the cofactors that meet D and V are kept (the third right-hand side is 0).
struct QuarticSolver {
  float T;
  float k00, k01, k02, k10, k11, k12;
  float determinant;  // T^6 / 144: regular for every T > 0

  explicit QuarticSolver(float duration) : T(duration) {
    const float h2 = T * T / 2.0f, h3 = T * T * T / 6.0f, h4 = T * T * T * T / 24.0f;
    k00 = h2 * h2 - h3 * T, k01 = -(T * h2 - h3), k02 = T * T - h2;    // row 0
    k10 = -(h3 * h2 - h4 * T), k11 = h2 * h2 - h4, k12 = -(h2 * T - h3);  // row 1
    determinant = h2 * k00 + h3 * k01 + h4 * k02;
  }
  // The coefficients of one coordinate from its start value and rate and its target.
  void Solve(float start, float startRate, float target, float targetRate, float& c1, float& c2, float& c3) const {
    const float D = target - start - startRate * T;
    const float V = targetRate - startRate;
    c1 = (k00 * D + k10 * V) / determinant;
    c2 = (k01 * D + k11 * V) / determinant;
    c3 = (k02 * D + k12 * V) / determinant;
  }
};

// x(t) and v(t) of one coordinate.
void Evaluate(float t, float start, float startRate, float c1, float c2, float c3, float& value, float& rate) {
  const float t2 = t * t, t3 = t2 * t, t4 = t3 * t;
  value = start + startRate * t + c1 * t2 / 2.0f + c2 * t3 / 6.0f + c3 * t4 / 24.0f;
  rate = startRate + c1 * t + c2 * t2 / 2.0f + c3 * t3 / 6.0f;
}

}  // namespace

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
  QuarticSolver(T).Solve(startValue, startRate, target, targetRateAtEnd, c1, c2, c3);
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
  Evaluate(time, startValue, startRate, c1, c2, c3, value, rate);
}

void SmoothCurve3::Init(const float at[3], const float moving[3]) {
  *this = SmoothCurve3{};
  for (int i = 0; i < 3; ++i) {
    position[i] = targetPosition[i] = startPosition[i] = at[i];
    velocity[i] = targetVelocity[i] = moving[i];
  }
}

void SmoothCurve3::Plan(const float target[3], const float targetVelocityAtEnd[3], float T) {
  for (int i = 0; i < 3; ++i) {
    startPosition[i] = position[i];
    startVelocity[i] = velocity[i];
    targetPosition[i] = target[i];
    targetVelocity[i] = targetVelocityAtEnd[i];
  }
  duration = T;
  time = 0.0f;
  if (!(T > 0.0f)) return;
  const QuarticSolver solver(T);
  for (int i = 0; i < 3; ++i)
    solver.Solve(startPosition[i], startVelocity[i], targetPosition[i], targetVelocity[i], c1[i], c2[i], c3[i]);
}

void SmoothCurve3::Step(float dt) {
  time += dt;
  if (time >= duration) {
    for (int i = 0; i < 3; ++i) {
      position[i] = targetPosition[i];
      velocity[i] = targetVelocity[i];
      finished[i] = 0.0f;
    }
    time = duration;
    return;
  }
  for (int i = 0; i < 3; ++i)
    Evaluate(time, startPosition[i], startVelocity[i], c1[i], c2[i], c3[i], position[i], velocity[i]);
}
