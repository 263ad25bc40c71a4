// solid.cpp - the rigid body's record: conversions, hull, reset, extents and mass properties.
#include "solid/solid.h"

#include <algorithm>
#include <cstring>

#include "solid/physics_registry.h"
#include "solid/solid_hooks.h"

Vec3 GroundReactionSum = {0.0f, 0.0f, 0.0f};
int (*CarWheelWorldPositions)(const Solid& car, IntVector* out, int max) = nullptr;

int32_t FixedFromScaled(float scaled) {
  if (std::isnan(scaled)) return 0;
  if (scaled >= 2147483648.0f) return INT32_MAX;
  if (scaled <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(std::lrintf(scaled));  // within 32 bits: the largest float below 2^31 is 2^31 - 128
}

int32_t SaturatingAdd(int32_t a, int64_t b) {
  const int64_t sum = int64_t{a} + std::clamp<int64_t>(b, INT32_MIN * int64_t{2}, INT32_MAX * int64_t{2});
  return static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

void ContactProbe::ClearCandidate() {
  candidatePoint = {};
  candidateNormal = {};
  candidateSurface = 0;
  candidateBody = nullptr;
  candidateObject = nullptr;
  candidateStrength = 0;
  candidateKind = candidateSubKind = candidatePart = 0;
}

void SolidPoint::Clear() {
  const Vec3 keep = local;
  *this = SolidPoint{};
  local = keep;
}

CollisionMeshHandle& CollisionMeshHandle::operator=(CollisionMeshHandle&& other) noexcept {
  if (this != &other) {
    Release();
    mesh = other.mesh;
    other.mesh = nullptr;
  }
  return *this;
}

void CollisionMeshHandle::Release() {
  if (mesh) WorldLink.FreeCollisionMesh(mesh);
  mesh = nullptr;
}

Solid::~Solid() {
  Physics::RemoveSolid(this);
  ForgetImpacts(this);
}

void Solid::AllocateHull(int pointTotal, int triangleTotal) {
  points.reset(pointTotal > 0 ? new SolidPoint[pointTotal]() : nullptr);
  triangles.reset(triangleTotal > 0 ? new SolidTriangle[triangleTotal]() : nullptr);
  pointCount = static_cast<uint16_t>(std::max(pointTotal, 0));
  triangleCount = static_cast<uint16_t>(std::max(triangleTotal, 0));
}

void Solid::FreeContacts() {
  points.reset();
  triangles.reset();
  pointCount = triangleCount = 0;
  collisionMesh.Release();
}

void Solid::InitState() {
  touched = 0;
  active = 1;
  flag = 0;
  velocity = angularMomentum = force = torque = {};
  linearImpulse = angularImpulse = impulseHandedOn = {};
  offset = {};
  for (int i = 0; i < pointCount; ++i) points[i].Clear();
  for (int i = 0; i < triangleCount; ++i) triangles[i].worldNormal = MatrixTimes(orientation, triangles[i].localNormal);
  std::fill(box, box + 6, 0);
  std::fill(reserved, reserved + SOLID_RESERVED_WORDS, 0.0f);
  std::fill(reserved + 6, reserved + 12, 255.0f);
}

void Solid::UpdateExtents() {
  std::fill(extent, extent + 5, 0.0f);
  for (int i = 0; i < pointCount; ++i) {
    const Vec3& p = points[i].local;
    extent[0] = std::max(extent[0], p.y);
    extent[1] = std::min(extent[1], p.y);
    extent[2] = std::max(extent[2], p.x);
    extent[3] = std::min(extent[3], p.x);
    extent[4] = std::max(extent[4], p.z);
  }
}

void Solid::ComputeTriangleNormals() {
  for (int i = 0; i < triangleCount; ++i) {
    SolidTriangle& t = triangles[i];
    const Vec3& a = points[t.corners[0]].local;
    const Vec3 n = Cross(points[t.corners[1]].local - a, points[t.corners[2]].local - a);
    const float length = std::sqrt(LengthSquared(n));
    t.localNormal = length > 0.0f ? n * (1.0f / length) : Vec3{0.0f, 0.0f, 0.0f};
  }
}

namespace {

// The inverse of a 3x3 matrix by cofactors; zero when it has none.
void InvertByCofactors(const float m[9], float out[9]) {
  const float c00 = m[4] * m[8] - m[5] * m[7], c01 = m[5] * m[6] - m[3] * m[8], c02 = m[3] * m[7] - m[4] * m[6];
  const float det = m[0] * c00 + m[1] * c01 + m[2] * c02;
  if (det == 0.0f || !std::isfinite(det)) {
    std::fill(out, out + 9, 0.0f);
    return;
  }
  const float k = 1.0f / det;
  out[0] = c00 * k;
  out[1] = (m[2] * m[7] - m[1] * m[8]) * k;
  out[2] = (m[1] * m[5] - m[2] * m[4]) * k;
  out[3] = c01 * k;
  out[4] = (m[0] * m[8] - m[2] * m[6]) * k;
  out[5] = (m[2] * m[3] - m[0] * m[5]) * k;
  out[6] = c02 * k;
  out[7] = (m[1] * m[6] - m[0] * m[7]) * k;
  out[8] = (m[0] * m[4] - m[1] * m[3]) * k;
}

// k (sum of u_i v_i - half the sum over ordered pairs i != j of u_i v_j) over three corners.
float Spread(float k, const float u[3], const float v[3]) {
  float same = 0.0f, cross = 0.0f;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) (i == j ? same : cross) += u[i] * v[j];
  return k * (same - 0.5f * cross);
}

}  // namespace

void Solid::MassFromSurface(float density) {
  Vec3 sum = {0.0f, 0.0f, 0.0f};
  for (int i = 0; i < triangleCount; ++i) {
    const SolidTriangle& t = triangles[i];
    const Vec3 &a = points[t.corners[0]].local, &b = points[t.corners[1]].local, &c = points[t.corners[2]].local;
    const float m = std::sqrt(LengthSquared(Cross(b - a, c - a))) * 0.5f * density;
    mass += m;
    sum += (a + b + c) * (1.0f / 3.0f) * m;
  }
  if (mass > 0.0f) centreOfMass = sum * (1.0f / mass);

  float* I = inertia;
  for (int i = 0; i < triangleCount; ++i) {
    const SolidTriangle& t = triangles[i];
    const Vec3 &a = points[t.corners[0]].local, &b = points[t.corners[1]].local, &c = points[t.corners[2]].local;
    const float m = std::sqrt(LengthSquared(Cross(b - a, c - a))) * 0.5f * density;
    const Vec3 g = (a + b + c) * (1.0f / 3.0f);
    I[0] += m * (g.y * g.y + g.z * g.z);
    I[4] += m * (g.x * g.x + g.z * g.z);
    I[8] += m * (g.x * g.x + g.y * g.y);
    I[1] -= m * g.x * g.y, I[3] -= m * g.x * g.y;
    I[2] -= m * g.x * g.z, I[6] -= m * g.x * g.z;
    I[5] -= m * g.y * g.z, I[7] -= m * g.y * g.z;
    const Vec3 p1 = a - g, p2 = b - g, p3 = c - g;
    const float x[3] = {p1.x, p2.x, p3.x}, y[3] = {p1.y, p2.y, p3.y}, z[3] = {p1.z, p2.z, p3.z};
    const float k = m / 18.0f;
    const float sxx = Spread(k, x, x), syy = Spread(k, y, y), szz = Spread(k, z, z);
    const float sxy = Spread(k, x, y), sxz = Spread(k, x, z), syz = Spread(k, y, z);
    I[0] += syy + szz;
    I[4] += sxx + szz;
    I[8] += sxx + syy;
    I[1] -= sxy, I[3] -= sxy;
    I[2] -= sxz, I[6] -= sxz;
    I[5] -= syz, I[7] -= syz;
  }
  const Vec3 q = centreOfMass;
  const float M = mass;
  I[0] -= M * (q.y * q.y + q.z * q.z);
  I[4] -= M * (q.x * q.x + q.z * q.z);
  I[8] -= M * (q.x * q.x + q.y * q.y);
  I[1] += M * q.x * q.y, I[3] += M * q.x * q.y;
  I[2] += M * q.x * q.z, I[6] += M * q.x * q.z;
  I[5] += M * q.y * q.z, I[7] += M * q.y * q.z;
  InvertByCofactors(inertia, inverseInertia);

  float largest = 0.0f;
  for (int i = 0; i < pointCount; ++i) largest = std::max(largest, LengthSquared(points[i].local));
  radius = std::sqrt(largest);
}
