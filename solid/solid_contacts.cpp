// solid_contacts.cpp - a body's contacts through its hull points: candidates from the floor,
// world objects and other bodies' hulls, the candidate turned into a contact plane, the
// spring, damper and friction force of each touching point, and the extent overlap test.
#include "solid/solid.h"

#include <algorithm>
#include <cmath>

#include "core/report.h"
#include "solid/physics_registry.h"
#include "solid/solid_hooks.h"

namespace {

struct Long3 {
  int64_t x, y, z;
};

Long3 Difference(const IntVector& a, const IntVector& b) {
  return {int64_t{a.x} - b.x, int64_t{a.y} - b.y, int64_t{a.z} - b.z};
}
// 16.16 products summed in 64 bits, then shifted.
int64_t Dot16(const Long3& a, const Long3& b) { return (a.x * b.x + a.y * b.y + a.z * b.z) >> 16; }
Long3 Cross16(const Long3& a, const Long3& b) {
  return {(a.y * b.z - a.z * b.y) >> 16, (a.z * b.x - a.x * b.z) >> 16, (a.x * b.y - a.y * b.x) >> 16};
}
// Beyond 4096 m no hull triangle reaches, and the products above would pass 64 bits.
bool WithinReach(const Long3& v) {
  constexpr int64_t reach = int64_t{1} << 28;
  return std::abs(v.x) < reach && std::abs(v.y) < reach && std::abs(v.z) < reach;
}

// A 16.16 point in a body's axes, relative to its position, in metres.
Vec3 InBodyAxes(const Solid& body, const IntVector& point) {
  return MatrixTransposeTimes(body.orientation, MetresBetween(point, body.position));
}

// Clears the side bits of an extent that a point lies strictly inside of.
void ClearSides(const Solid& body, const Vec3& p, int& sides) {
  if (p.y < body.extent[0]) sides &= ~1;
  if (p.y > body.extent[1]) sides &= ~2;
  if (p.x < body.extent[2]) sides &= ~4;
  if (p.x > body.extent[3]) sides &= ~8;
}

}  // namespace

void FloorContactProbe(ContactProbe& probe) {
  const int32_t h = probe.fromCentre.z, z = probe.world.z;
  if (!(h < -64 && h < z && z < 0)) return;
  const int64_t s = (int64_t{z} << 16) / h;
  if (s <= probe.candidateStrength) return;
  probe.candidatePoint = {probe.world.x, probe.world.y, 0};
  probe.candidateNormal = {0.0f, 0.0f, 1.0f};
  probe.candidateSurface = 0;
  probe.candidateBody = nullptr;
  probe.candidateObject = nullptr;
  probe.candidateStrength = static_cast<int32_t>(s);
  probe.candidateKind = FLOOR_CONTACT_KIND;
  probe.candidateSubKind = 0;
  probe.candidatePart = 0;
}

// Every point is searched on every step.  A free point searched only one step in ten would be
// found up to ten steps' travel deep, and the spring would push it out with energy it never
// stored on the way in: a box dropped level would bounce higher than it fell.
void Solid::FloorContacts() {
  for (int i = 0; i < pointCount; ++i) FloorContactProbe(points[i].probe);
}

void Solid::CollideWithObject(FixedOb* object, int upperPoints, int positiveYPoints, int otherPoints) {
  for (int i = 0; i < pointCount; ++i) {
    SolidPoint& p = points[i];
    const int selected = p.local.z > centreOfMass.z ? upperPoints : p.local.y > 0.0f ? positiveYPoints : otherPoints;
    if (selected)
      WorldLink.RayTest(object, p.probe.world, p.probe.fromCentre, p.probe, 0, 0, 0, RAY_TEST_MODE_CONTACT);
  }
}

void Solid::CollideWithSolid(Solid& other) {
  for (int i = 0; i < pointCount; ++i) other.PointContactWithHull(points[i].probe);
}

void Solid::PointContactWithHull(ContactProbe& probe) const {
  const Long3 D = {probe.fromCentre.x, probe.fromCentre.y, probe.fromCentre.z};
  for (int i = 0; i < triangleCount; ++i) {
    const SolidTriangle& t = triangles[i];
    const IntVector nf = FixedFromMetres(t.worldNormal);
    const Long3 n = {nf.x, nf.y, nf.z};
    const int64_t dD = Dot16(D, n);
    if (!(dD < -64)) continue;
    const IntVector& V0 = points[t.corners[0]].probe.world;
    const IntVector& V1 = points[t.corners[1]].probe.world;
    const IntVector& V2 = points[t.corners[2]].probe.world;
    const Long3 toP = Difference(probe.world, V0);
    if (!WithinReach(toP)) continue;
    const int64_t dP = Dot16(toP, n);
    if (!(dP < 0 && dD < dP)) continue;
    const int64_t s = (dP << 16) / dD;
    if (s <= probe.candidateStrength) continue;
    const IntVector Q = {SaturatingAdd(probe.world.x, -((D.x * s) >> 16)),
                         SaturatingAdd(probe.world.y, -((D.y * s) >> 16)),
                         SaturatingAdd(probe.world.z, -((D.z * s) >> 16))};
    const Long3 e0 = Difference(V1, V0), e1 = Difference(V2, V1), e2 = Difference(V0, V2);
    const Long3 q0 = Difference(Q, V0), q1 = Difference(Q, V1), q2 = Difference(Q, V2);
    if (!WithinReach(e0) || !WithinReach(e1) || !WithinReach(e2) || !WithinReach(q0) || !WithinReach(q1) ||
        !WithinReach(q2))
      continue;
    if (!(Dot16(Cross16(e0, q0), n) > 0 && Dot16(Cross16(e1, q1), n) > 0 && Dot16(Cross16(e2, q2), n) > 0)) continue;
    probe.candidatePoint = Q;
    probe.candidateNormal = t.worldNormal;
    probe.candidateSurface = 0;
    probe.candidateBody = const_cast<Solid*>(this);
    probe.candidateObject = nullptr;
    probe.candidateStrength = static_cast<int32_t>(s);
    probe.candidateKind = contactKind;
    probe.candidateSubKind = contactSubKind;
    probe.candidatePart = 0;
  }
}

void Solid::CheckGround() {
  for (int i = 0; i < pointCount; ++i) {
    SolidPoint& p = points[i];
    const ContactProbe& probe = p.probe;
    if (probe.candidateStrength < 1) {
      p.touching = 0;
      continue;
    }
    p.planePoint = MetresBetween(probe.candidatePoint, position);
    p.planeGrip = 1.0f;
    p.planeNormal = probe.candidateNormal;
    if (Solid* other = probe.candidateBody; other && (awake || other->awake)) {
      touched = other->touched = 1;
      if (IsLocalCar() || other->IsLocalCar()) AddImpactPair(this, other, p.planeNormal);
    }
    if (FixedOb* object = probe.candidateObject;
        object && IsLocalCar() && (WorldLink.ObjectFlags(object) & OBJECT_FLAG_RECORDS_IMPACTS))
      AddImpactGround(this, object, p.planeNormal);
    p.touching = 1;
  }
}

void Solid::CheckContact(float dt) {
  for (int i = 0; i < pointCount; ++i) {
    SolidPoint& p = points[i];
    const Vec3 w = offset + MatrixTimes(orientation, p.local);
    p.sliding = 0;
    const Vec3& n = p.planeNormal;
    const float d = p.touching ? Dot(n, p.planePoint - w) : 0.0f;
    if (!p.touching || !(d > 0.0f)) {
      p.contactForce = {0.0f, 0.0f, 0.0f};
      p.lastDepth = 0.0f;
      p.anchor = w;
      p.contactState = 0;
      continue;
    }
    const Vec3 c = w + n * d;
    Solid* other = p.probe.candidateBody;
    const float k = other ? std::min(stiffness, other->stiffness) : stiffness;
    const float b = other ? std::min(damping, other->damping) : damping;
    // The friction spring pulls along the contact plane only.  A point found already sunk
    // keeps its anchor where it was found, below the plane; the spring's part along the
    // normal would pull the body into the floor for as long as it rests there.
    Vec3 tangential = (p.anchor - c) * k;
    tangential -= n * Dot(n, tangential);
    const float previousDepth = p.lastDepth;
    const float rate = std::clamp((d - previousDepth) / dt, -4.0f, 4.0f);
    p.lastDepth = d;
    const float normalForce = rate * b + k * d;
    p.contactForce = n * normalForce;
    if (!other) GroundReactionSum += p.contactForce;
    const float limit = grip * normalForce * p.planeGrip;
    if (limit * limit < 0.0001f) {
      tangential = {0.0f, 0.0f, 0.0f};
      p.anchor = c;
    } else if (LengthSquared(tangential) > limit * limit) {
      tangential = tangential * (limit / std::sqrt(LengthSquared(tangential)));
      p.sliding = 1;
      p.anchor = c + tangential * (1.0f / k);
    }
    p.contactForce += tangential;
    if (other) {
      const Vec3 J = p.contactForce * dt;
      other->ApplyImpulseAt(J, p.probe.world);
      impulseHandedOn += J;
    }
    if (d - previousDepth > 0.0f)
      p.contactState = 1;
    else if (p.contactState == 1)
      p.contactState = 2;
  }
}

void Solid::ApplyImpulseAt(const Vec3& impulse, const IntVector& point) {
  linearImpulse -= impulse;
  angularImpulse += Cross(impulse, MetresBetween(point, position));
}

int Solid::CollidePair(const Solid& other) const {
  const Vec3 o = InBodyAxes(*this, other.position);
  int sides = (o.y > extent[0] ? 1 : 0) | (o.y < extent[1] ? 2 : 0) | (o.x > extent[2] ? 4 : 0) |
              (o.x < extent[3] ? 8 : 0);
  if (sides == 0) return 1;
  for (int i = 0; i < other.pointCount; ++i) {
    ClearSides(*this, InBodyAxes(*this, other.points[i].probe.world), sides);
    if (sides == 0) return 1;
  }
  if (other.GetType() == 1 && CarWheelWorldPositions) {
    IntVector wheels[8];
    const int count = CarWheelWorldPositions(other, wheels, 8);
    for (int i = 0; i < count; ++i) {
      ClearSides(*this, InBodyAxes(*this, wheels[i]), sides);
      if (sides == 0) return 1;
    }
  }
  return 0;
}

void Solid::TrunkContacts(float dt) {
  int c0, c1, r0, r1;
  if (!WorldLink.MapSquareRange(box[0], box[3], box[1], box[4], c0, c1, r0, r1)) return;
  TrunkRecord near[SOLID_MAX_TRUNKS];
  int count = 0, tooMany = 0;
  for (int row = r0; row <= r1; ++row) {
    for (int column = c0; column <= c1; ++column) {
      const TrunkRecord* list = nullptr;
      const int total = WorldLink.SquareTrunks(column, row, list);
      for (int i = 0; i < total; ++i) {
        const TrunkRecord& t = list[i];
        const int64_t margin = int64_t{t.radius} * TRUNK_RADIUS_UNIT;
        if (t.x + margin < box[0] || t.x - margin > box[3] || t.y + margin < box[1] || t.y - margin > box[4] ||
            t.highestZ + margin < box[2] || t.lowestZ - margin > box[5])
          continue;
        const auto same = [&](const TrunkRecord& u) {
          return u.x == t.x && u.y == t.y && u.lowestZ == t.lowestZ && u.highestZ == t.highestZ && u.radius == t.radius;
        };
        if (std::any_of(near, near + count, same)) continue;
        if (count == SOLID_MAX_TRUNKS) {
          tooMany = 1;
          continue;
        }
        near[count++] = t;
      }
    }
  }
  if (tooMany && !(flag & SOLID_REPORTED_TRUNKS)) ReportLine("Too many trunks in vicinity", REPORT_ERROR);
  flag = static_cast<uint8_t>(tooMany ? flag | SOLID_REPORTED_TRUNKS : flag & ~SOLID_REPORTED_TRUNKS);

  const IntVector centre = FixedFromMetres(WorldCentre());
  const IntVector G = {SaturatingAdd(position.x, centre.x), SaturatingAdd(position.y, centre.y),
                       SaturatingAdd(position.z, centre.z)};
  for (int i = 0; i < count; ++i) {
    const TrunkRecord& t = near[i];
    const IntVector A = {t.x, t.y, std::clamp(G.z, t.lowestZ, t.highestZ)};
    const Vec3 u = MetresBetween(G, A);
    if (!(LengthSquared(u) > 0.0001f)) continue;
    const Vec3 dir = u * (1.0f / std::sqrt(LengthSquared(u)));
    const IntVector surface = FixedFromMetres(dir * (static_cast<float>(t.radius) * 0.01f));
    ContactProbe probe = {};
    probe.world = {SaturatingAdd(A.x, surface.x), SaturatingAdd(A.y, surface.y), SaturatingAdd(A.z, surface.z)};
    probe.fromCentre = FixedFromMetres(dir);
    PointContactWithHull(probe);
    if (probe.candidateStrength <= 0) continue;
    const float s = static_cast<float>(probe.candidateStrength) / 65536.0f;
    const Vec3 J = dir * (Dot(velocity, dir) * damping * dt) + probe.candidateNormal * (s * stiffness * dt);
    ApplyImpulseAt(J, probe.candidatePoint);
  }
}
