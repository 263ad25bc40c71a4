// wheel_local.h - what the per-wheel model's files share and no one else uses (tests may).
//
// Sections: [Helpers] [Brush model] [Steps of the tyre step]
#pragma once
#include <cmath>
#include <cstdint>

#include "wheel/wheel.h"

// ---- [Helpers] ----
// metres to 16.16, rounded to nearest (ties to even), saturated; NaN gives 0.
inline int32_t FixedFromMetres(double metres) {
  const double scaled = metres * 65536.0;
  if (std::isnan(scaled)) return 0;
  if (scaled >= 2147483647.0) return INT32_MAX;
  if (scaled <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(std::nearbyint(scaled));
}

inline int32_t AddSaturated(int32_t a, int32_t b) {
  const int64_t sum = int64_t{a} + b;
  return sum > INT32_MAX ? INT32_MAX : (sum < INT32_MIN ? INT32_MIN : static_cast<int32_t>(sum));
}

// Adds to one of the car's sums, unless the sum would overflow: nothing that is not a
// number reaches the car.
inline void AddToSum(Vec3& sum, const Vec3& v) {
  const Vec3 total = sum + v;
  if (IsFinite(total)) sum = total;
}
inline void AddToSum(float& sum, float v) {
  const float total = sum + v;
  if (std::isfinite(total)) sum = total;
}

// v held within lo..hi; NaN gives 0.
inline float ClampFinite(float v, float lo, float hi) {
  if (std::isnan(v)) return 0.0f;
  return v < lo ? lo : (v > hi ? hi : v);
}

// A whole number of degrees Celsius, or a tread byte, rounded and held within 0..255.
inline uint8_t RoundToByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint8_t>(std::nearbyint(v));
}

// The compound row of a wheel set; an index past the table takes the last row.
inline const TyreCompound& CompoundOf(const SuspensionBlock& set) {
  return TyreCompounds[set.compoundIndex < TYRE_COMPOUND_COUNT ? set.compoundIndex : TYRE_COMPOUND_COUNT - 1];
}
inline const SurfaceGrip& SurfaceOf(const CarWheel& w) { return SurfaceGrips[SurfaceRow(w.surfaceKind)]; }

// The rotation by an angle about the unit axis u (Rodrigues: cos I + (1 - cos) u u^T + sin [u]x),
// row-major, from the angle's cosine and sine or from the angle; and the product a b of two
// row-major 3 x 3 matrices.
void AxisRotation(const Vec3& u, double cosine, double sine, float out[9]);
inline void AxisRotation(const Vec3& u, float angle, float out[9]) {
  AxisRotation(u, std::cos(static_cast<double>(angle)), std::sin(static_cast<double>(angle)), out);
}
void MatrixProduct(const float a[9], const float b[9], float out[9]);

// 1 when the wheel set's figures that the tyre and heat steps divide by are all positive:
// a malformed set gets neither step.
bool TyreIsUsable(const SuspensionBlock& set, const CarWheel& w);

// ---- [Brush model] ----
// (p^2 200000 b)^(1/3) with p = 0.75 n / a, the peak of a parabolic pressure carrying n:
// times the pressure table it is the friction per slice length.  The tyre step's load
// sensitivity and the brush model share it.
float PatchFrictionScale(float n, float a, float b);
// WheelContactForce with that scale already taken.
void WheelContactForceScaled(float a, float d, float sx, float sy, float v, float k, float g, float mu, float r,
                             float frictionScale, BrushForces& out);

// ---- [Steps of the tyre step] ----
// Lane loads and rolling heat; returns the tread temperature grip G.  rollingTorque gets the
// rolling resistance (N m, not below 0), which the spin takes like a brake's torque.
float HeatTreadByRolling(CarWheel& w, const SuspensionBlock& set, int sector, float& rollingTorque);
// The coat laid on loose ground or cleaned off on firm ground, then the sliding heat and wear.
void HeatAndWearBySliding(CarWheel& w, const SuspensionBlock& set, int sector);
// The tyre's outer edge against a plane; returns 1 when the edge touched in this step.
int PushEdge(CarWheel& w, const SuspensionBlock& set, const Vec3& centre, const Vec3& spin, float dt, Solid& car);
// The spring and damper with its stops; accelerates the travel.  Returns the travel direction
// in world axes.
Vec3 PushSuspension(CarWheel& w, const float carMatrix[9], const Vec3& totalForce, float dt);
// Overloads bend the spring, the arms and the toe.
void DamageSuspension(CarWheel& w, const SuspensionBlock& set, const float carMatrix[9], const Vec3& travelWorld,
                      const Vec3& spin, int edgeTouched, float dt);
