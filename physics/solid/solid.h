// solid.h - the rigid body every car, bone and movable world object is, and the float
// triple the physics works in.
//
// Sections: [Vectors] [Solid]
//
// Layers: this file and solid.cpp are the bottom of the physics room, built as their own
// library (zkt_solid) over the foundation only, so that the vehicle model's per-wheel code
// (vehicle/wheel/), which the car step calls, can push on the body it stands on without
// knowing the car step above it.
//
// Units: positions are 16.16 fixed point (65536 = 1 m) in IntVector; everything else is a
// 32-bit float in metres, seconds, kilograms and newtons.  The orientation maps body axes
// to world axes, row-major: world = R body.
#pragma once
#include <cmath>

#include "core/fixed_math.h"

// ---- [Vectors] ----
struct Vec3 {
  float x, y, z;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(const Vec3& a, float k) { return {a.x * k, a.y * k, a.z * k}; }
inline Vec3& operator+=(Vec3& a, const Vec3& b) { return a = a + b; }
inline Vec3& operator-=(Vec3& a, const Vec3& b) { return a = a - b; }
inline float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float LengthSquared(const Vec3& a) { return Dot(a, a); }
inline bool IsFinite(const Vec3& a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }
// m v for a row-major 3x3 matrix.
inline Vec3 MatrixTimes(const float m[9], const Vec3& v) {
  return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
          m[6] * v.x + m[7] * v.y + m[8] * v.z};
}

// ---- [Solid] ----
// The least form the vehicle model needs; the physics issues add the flags, extents,
// inertia, contact points and the virtual operations of the step.
struct Solid {
  virtual ~Solid() = default;

  float mass = 0;             // kg
  Vec3 centreOfMass = {};     // body axes, m from the origin
  IntVector position = {};    // 16.16 world position of the body's reference
  float orientation[9] = {};  // body to world, row-major
  Vec3 offset = {};           // m from the 16.16 position to the true origin, world axes
  Vec3 velocity = {};         // m/s of the centre of mass, world axes
  Vec3 angularMomentum = {};  // about the centre of mass, world axes
  Vec3 force = {};            // summed during the step
  Vec3 torque = {};           // summed during the step, about the body origin
  Vec3 linearImpulse = {};    // from other bodies' contacts; applied and cleared by the step
  Vec3 angularImpulse = {};   // the same, about the body origin
  Vec3 impulseHandedOn = {};  // what this body's contacts gave to other bodies
  float stiffness = 0;        // contact spring, N/m
  float grip = 0;             // friction coefficient of the body's contacts
  float damping = 0;          // contact damper, N s/m

  // Takes the impulse off this body at a 16.16 world point: linear impulse -= J and
  // angular impulse += J x r, r = (point - position) / 65536.
  void ApplyImpulseAt(const Vec3& impulse, const IntVector& point);
  // The reaction of a contact on this body: the force times the step, taken off at the
  // contact's 16.16 point.  It goes into the impulse sums, which the body's own step applies,
  // because the force sum is rebuilt by that step.
  void ApplyReaction(const Vec3& impulse, const IntVector& point) { ApplyImpulseAt(impulse, point); }
};
