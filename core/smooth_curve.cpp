// smooth_curve.cpp - the smooth-motion curves' plan and step, and the one solver both plan
// with.
#include "core/smooth_curve.h"

namespace {

// x(t) and v(t) of one coordinate.
void Evaluate(float t, float start, float startRate, float c1, float c2, float c3, float& value, float& rate) {
  const float t2 = t * t, t3 = t2 * t, t4 = t3 * t;
  value = start + startRate * t + c1 * t2 / 2.0f + c2 * t3 / 6.0f + c3 * t4 / 24.0f;
  rate = startRate + c1 * t + c2 * t2 / 2.0f + c3 * t3 / 6.0f;
}

}  // namespace

SmoothCurveSolver::SmoothCurveSolver(float duration) : T(duration) {
  const float h2 = T * T / 2.0f, h3 = T * T * T / 6.0f, h4 = T * T * T * T / 24.0f;
  k00 = h2 * h2 - h3 * T, k01 = -(T * h2 - h3), k02 = T * T - h2;    // row 0
  k10 = -(h3 * h2 - h4 * T), k11 = h2 * h2 - h4, k12 = -(h2 * T - h3);  // row 1
  determinant = h2 * k00 + h3 * k01 + h4 * k02;
}

void SmoothCurveSolver::Solve(float start, float startRate, float target, float targetRate, float& c1, float& c2,
                              float& c3) const {
  const float D = target - start - startRate * T;
  const float V = targetRate - startRate;
  c1 = (k00 * D + k10 * V) / determinant;
  c2 = (k01 * D + k11 * V) / determinant;
  c3 = (k02 * D + k12 * V) / determinant;
}

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
  SmoothCurveSolver(T).Solve(startValue, startRate, target, targetRateAtEnd, c1, c2, c3);
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

namespace {

// A plan's start: the curve's position and velocity now, the target, the duration.
void BeginPlan(SmoothCurve3& curve, const float target[3], const float targetVelocityAtEnd[3], float T) {
  for (int i = 0; i < 3; ++i) {
    curve.startPosition[i] = curve.position[i];
    curve.startVelocity[i] = curve.velocity[i];
    curve.targetPosition[i] = target[i];
    curve.targetVelocity[i] = targetVelocityAtEnd[i];
  }
  curve.duration = T;
  curve.time = 0.0f;
}

}  // namespace

void SmoothCurve3::Plan(const float target[3], const float targetVelocityAtEnd[3], float T) {
  if (!(T > 0.0f)) {
    BeginPlan(*this, target, targetVelocityAtEnd, T);  // nothing to solve
    return;
  }
  Plan(target, targetVelocityAtEnd, SmoothCurveSolver(T));
}

void SmoothCurve3::Plan(const float target[3], const float targetVelocityAtEnd[3], const SmoothCurveSolver& solver) {
  BeginPlan(*this, target, targetVelocityAtEnd, solver.T);
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
