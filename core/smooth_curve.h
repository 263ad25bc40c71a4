// smooth_curve.h - the smooth-motion curve: a value (a scalar, or a 3-vector) carried from
// where it is, moving as it moves, to a target value and rate in a given time along a quartic
// in time whose acceleration at the end is zero, so that the motion joins the target without
// a jolt.
//
// For the time t since the plan, each coordinate:
//   x(t) = xs + vs t + c1 t^2/2 + c2 t^3/6 + c3 t^4/24
//   v(t) = vs + c1 t + c2 t^2/2 + c3 t^3/6
// The head tracking of the VR view eases its heading with the scalar curve; the car's path
// following and the race's camera move with the 3-vector curve.  Both forms plan through one
// solver.  Plain data, allocation-free.
#pragma once

// The end conditions x(T) = target, v(T) = target rate and zero acceleration at T:
//   | h2 h3 h4 | |c1|   |D|      h2 = T^2/2, h3 = T^3/6, h4 = T^4/24
//   | T  h2 h3 | |c2| = |V|      D = target - xs - vs T
//   | 1  T  h2 | |c3|   |0|      V = target rate - vs
// solved by the cofactor inverse, made once per duration and applied to every coordinate.
// Only the cofactors that meet D and V are kept (the third right-hand side is 0).  A caller
// planning again and again over one duration (the car's step) keeps one solver.
struct SmoothCurveSolver {
  float T;
  float k00, k01, k02, k10, k11, k12;
  float determinant;  // T^6 / 144: regular for every T > 0

  explicit SmoothCurveSolver(float duration);
  // The coefficients of one coordinate from its start value and rate and its target.
  void Solve(float start, float startRate, float target, float targetRate, float& c1, float& c2, float& c3) const;
};

struct SmoothCurve {
  float value;
  float targetValue;
  float targetRate;
  float rate;
  float finished;    // a word the step that reaches the target sets to 0
  float time;        // t since the plan, seconds
  float duration;    // T, seconds
  float startValue;  // xs
  float startRate;   // vs
  float c1, c2, c3;

  // Every field 0, then the value, the target and the start at value: at rest.
  void SetAtRest(float at);
  // From the current value and rate to (target, targetRateAtEnd) in T seconds.  A T of 0 (or
  // less) leaves the coefficients alone: the first step reaches the target.
  void Plan(float target, float targetRateAtEnd, float T);
  // Advances the time by dt and sets the value and rate; from the time the duration is
  // reached on they are the target value and rate exactly.
  void Step(float dt);
};

struct SmoothCurve3 {
  float position[3];
  float targetPosition[3];
  float targetVelocity[3];
  float velocity[3];
  float finished[3];  // a vector the step that reaches the target sets to 0
  float time;         // t since the plan, seconds
  float duration;     // T, seconds
  float startPosition[3];
  float startVelocity[3];
  float c1[3], c2[3], c3[3];

  // Every field 0, then the position, the target and the start at `at`, the velocity and the
  // target velocity at `moving`.
  void Init(const float at[3], const float moving[3]);
  // From the current position and velocity to (target, targetVelocityAtEnd) in T seconds; a
  // T of 0 (or less) solves nothing, as the scalar curve.
  void Plan(const float target[3], const float targetVelocityAtEnd[3], float T);
  // The same over the solver's duration (which must be above 0), the solver made beforehand.
  void Plan(const float target[3], const float targetVelocityAtEnd[3], const SmoothCurveSolver& solver);
  // As the scalar curve's step, for each coordinate.
  void Step(float dt);
};
