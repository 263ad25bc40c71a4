// solid_step.cpp - one step of a rigid body: integration of the impulses and the hull's
// world positions, the force sum with drag and gravity, sleeping and waking, the pose and
// the move of the float offset into the 16.16 position.
#include "solid/solid.h"

#include <algorithm>
#include <cmath>

#include "core/report.h"
#include "solid/solid_hooks.h"

void Solid::ApplyImpulses() {
  velocity += linearImpulse * (1.0f / mass);
  angularMomentum += angularImpulse + Cross(linearImpulse, WorldCentre());
  linearImpulse = angularImpulse = impulseHandedOn = {};
}

void Solid::Integrate(float dt, int collideTrees) {
  if (mass < SOLID_LEAST_MASS) return;
  if (!awake && !touched) {
    for (int i = 0; i < pointCount; ++i) {
      ContactProbe& p = points[i].probe;
      p.candidateSurface = 0;
      p.candidateBody = nullptr;
      p.candidateObject = nullptr;
    }
    return;
  }
  touched = 0;
  if (collideTrees && awake) TrunkContacts(dt);
  ApplyImpulses();

  const IntVector centre = FixedFromMetres(WorldCentre());
  const IntVector g = {SaturatingAdd(position.x, centre.x), SaturatingAdd(position.y, centre.y),
                       SaturatingAdd(position.z, centre.z)};
  box[0] = box[3] = g.x;
  box[1] = box[4] = g.y;
  box[2] = box[5] = g.z;
  for (int i = 0; i < pointCount; ++i) {
    SolidPoint& p = points[i];
    const IntVector d = FixedFromMetres(MatrixTimes(orientation, p.local));
    IntVector& w = p.probe.world;
    w = {SaturatingAdd(position.x, d.x), SaturatingAdd(position.y, d.y), SaturatingAdd(position.z, d.z)};
    p.probe.fromCentre = {SaturatingAdd(d.x, -int64_t{centre.x}), SaturatingAdd(d.y, -int64_t{centre.y}),
                          SaturatingAdd(d.z, -int64_t{centre.z})};
    box[0] = std::min(box[0], w.x), box[3] = std::max(box[3], w.x);
    box[1] = std::min(box[1], w.y), box[4] = std::max(box[4], w.y);
    box[2] = std::min(box[2], w.z), box[5] = std::max(box[5], w.z);
    p.probe.ClearCandidate();
  }
  for (int i = 0; i < triangleCount; ++i) triangles[i].worldNormal = MatrixTimes(orientation, triangles[i].localNormal);
}

int Solid::StopIfNotFinite() {
  if (IsFinite(offset) && IsFinite(velocity) && IsFinite(angularMomentum)) {
    flag &= static_cast<uint8_t>(~SOLID_REPORTED_NOT_FINITE);
    return 0;
  }
  velocity = angularMomentum = offset = force = torque = {};
  linearImpulse = angularImpulse = impulseHandedOn = {};
  if (!(flag & SOLID_REPORTED_NOT_FINITE)) {
    ReportLine("A body's motion was not finite - the body is stopped", REPORT_ERROR);
    flag |= SOLID_REPORTED_NOT_FINITE;
  }
  return 1;
}

void Solid::Update(float dt, float gravity) {
  // The sums below divide by the mass, as Integrate's do: a body too light to be integrated
  // is not updated either.
  if (mass < SOLID_LEAST_MASS) return;
  GroundReactionSum = {0.0f, 0.0f, 0.0f};
  const Vec3 air = velocity - WorldLink.Wind();
  const Vec3 drag = air * -std::sqrt(LengthSquared(air));
  CheckContact(dt);

  if (awake || touched) {
    force = drag;
    torque = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < pointCount; ++i) {
      const SolidPoint& p = points[i];
      if (p.contactState == 0) continue;
      force += p.contactForce;
      torque += Cross(p.anchor - offset, p.contactForce);
    }
    const Vec3 c = WorldCentre();
    const Vec3 weight = {0.0f, 0.0f, gravity * mass};
    force += weight;
    torque += Cross(c, weight);
    velocity += force * (dt / mass);
    angularMomentum += (torque + Cross(force, c)) * dt;
  }

  if (owner) {
    UpdateSleep();
    if (!awake) {
      velocity = angularMomentum = {};
      linearImpulse = angularImpulse = impulseHandedOn = {};
      return;
    }
  } else if (!awake) {
    return;
  }
  if (StopIfNotFinite()) return;
  Vec3 omega;
  AdvancePose(dt, omega);
  Move();
}

void Solid::UpdateSleep() {
  const int shouldWake = LengthSquared(velocity) > SOLID_WAKE_SPEED_SQUARED;
  if (awake && !shouldWake) {
    awake = 0;
    WorldLink.AddObToMapSquares(owner);
  } else if (!awake && shouldWake) {
    awake = 1;
    woken = 1;
    if (RaceLink.ReportsMovedObjects()) RaceLink.ReportObjectMoved(position, radius);
    if (RaceLink.WantsMovedObjectWarnings()) RaceLink.RaisePlayerWarning(2);
    WorldLink.RemoveObFromMapSquares(owner);
    WorldLink.AddToActiveList(owner);
  }
}

void Solid::AdvancePose(float dt, Vec3& omega) {
  offset += velocity * dt;
  omega = MatrixTimes(orientation, MatrixTimes(inverseInertia, MatrixTransposeTimes(orientation, angularMomentum)));
  const Vec3 theta = omega * dt;
  const float angle = std::sqrt(LengthSquared(theta));
  if (!(angle > 1e-6f) || !std::isfinite(angle)) return;  // nothing to turn, or no turn to make
  const Vec3 a = theta * (1.0f / angle);
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  const float q[9] = {a.x * a.x + c * (1.0f - a.x * a.x), a.x * a.y * t - a.z * s,           a.x * a.z * t + a.y * s,
                      a.x * a.y * t + a.z * s,           a.y * a.y + c * (1.0f - a.y * a.y), a.y * a.z * t - a.x * s,
                      a.x * a.z * t - a.y * s,           a.y * a.z * t + a.x * s,           a.z * a.z + c * (1.0f - a.z * a.z)};
  const Vec3 before = WorldCentre();
  float r[9];
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      r[row * 3 + col] = q[row * 3] * orientation[col] + q[row * 3 + 1] * orientation[3 + col] +
                         q[row * 3 + 2] * orientation[6 + col];
  std::copy(r, r + 9, orientation);
  offset += before - WorldCentre();
}

void Solid::Move() {
  const IntVector n = FixedFromMetres(offset);
  position = {SaturatingAdd(position.x, n.x), SaturatingAdd(position.y, n.y), SaturatingAdd(position.z, n.z)};
  const Vec3 moved = {static_cast<float>(n.x) / 65536.0f, static_cast<float>(n.y) / 65536.0f,
                      static_cast<float>(n.z) / 65536.0f};
  offset -= moved;
  for (int i = 0; i < pointCount; ++i) points[i].anchor -= moved;
}
