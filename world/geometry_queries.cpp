// geometry_queries.cpp - the ray and triangle test (Moller and Trumbore's), one- and two-sided,
// and the mesh tests built on it.
#include "world/geometry_queries.h"

#include <cmath>

#include "render/material.h"
#include "render/object_mesh.h"
#include "solid/solid.h"
#include "world/built_mesh.h"

PickingRay GlobalPickingRay;

namespace {

constexpr float FIXED_TO_METRES = 1.0f / 65536.0f;

// 16.16 difference in metres; the difference is taken in 64 bits so that points far apart
// do not wrap.
float Metres(int32_t a, int32_t b) { return float(int64_t(a) - int64_t(b)) * FIXED_TO_METRES; }

void Cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}
float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Steps 1 to 5 give u and v; the distance and normal follow only when asked.
int Intersect(const int32_t origin[3], const float direction[3], const int32_t P[3], const int32_t Q[3],
              const int32_t R[3], float* distance, float normal[3], bool twoSided) {
  const float e1[3] = {Metres(Q[0], P[0]), Metres(Q[1], P[1]), Metres(Q[2], P[2])};
  const float e2[3] = {Metres(R[0], P[0]), Metres(R[1], P[1]), Metres(R[2], P[2])};
  float p[3];
  Cross(direction, e2, p);
  const float det = Dot(e1, p);
  // Back faces and rays along the plane give a small or negative determinant; NaN fails too.
  if (twoSided ? !(std::fabs(det) >= RAY_TRIANGLE_EPSILON) : !(det >= RAY_TRIANGLE_EPSILON)) return 0;
  const float inv = 1.0f / det;
  const float s[3] = {Metres(origin[0], P[0]), Metres(origin[1], P[1]), Metres(origin[2], P[2])};
  const float u = Dot(s, p) * inv;
  if (!(u >= 0.0f && u <= 1.0f)) return 0;
  float q[3];
  Cross(s, e1, q);
  const float v = Dot(direction, q) * inv;
  if (!(v >= 0.0f && u + v <= 1.0f)) return 0;
  if (distance) *distance = Dot(e2, q) * inv;
  if (normal) Cross(e1, e2, normal);
  return 1;
}

}  // namespace

int RayTriangleIntersect(const int32_t origin[3], const float direction[3], const int32_t P[3], const int32_t Q[3],
                         const int32_t R[3], float* distance, float normal[3]) {
  return Intersect(origin, direction, P, Q, R, distance, normal, false);
}

int RayTriangleIntersectTwoSided(const int32_t P[3], const int32_t Q[3], const int32_t R[3], float* distance,
                                 float normal[3]) {
  return Intersect(GlobalPickingRay.origin, GlobalPickingRay.direction, P, Q, R, distance, normal, true);
}

int PointRayInTriangle(const int32_t origin[3], const float direction[3], const int32_t P[3], const int32_t Q[3],
                       const int32_t R[3]) {
  return Intersect(origin, direction, P, Q, R, nullptr, nullptr, false);
}

int MeshRayTest(const BuiltMesh& mesh, const int32_t origin[3], const float direction[3], ContactProbe& hit,
                float maxDistance, int includeFlagged) {
  int met = 0;
  float bestNormal[3] = {};
  int32_t first = 0;
  for (int32_t g = 0; g < mesh.partCount; ++g) {
    const BuiltPart& part = mesh.parts[g];
    const int32_t count = part.triangleCount > 0 ? part.triangleCount : 0;
    const int32_t begin = first;
    first += count;
    if (!includeFlagged && part.material && part.material->flags) continue;
    for (int32_t i = begin; i < first && i < mesh.triangleCount; ++i) {
      const uint32_t* c = mesh.triangles[i].corners;
      if (c[0] >= uint32_t(mesh.pointCount) || c[1] >= uint32_t(mesh.pointCount) ||
          c[2] >= uint32_t(mesh.pointCount))
        continue;
      float t = 0, normal[3];
      if (!RayTriangleIntersect(origin, direction, mesh.points[c[0]].position, mesh.points[c[2]].position,
                                mesh.points[c[1]].position, &t, normal))
        continue;
      if (!(t > 0.0f && t < maxDistance) || t * 65536.0f >= 2147483520.0f) continue;
      const int32_t d = int32_t(std::lround(double(t) * 65536.0));
      if (hit.candidateStrength != 0 && d >= hit.candidateStrength) continue;
      const int32_t p[3] = {int32_t(int64_t(origin[0]) + std::llround(double(direction[0]) * d)),
                            int32_t(int64_t(origin[1]) + std::llround(double(direction[1]) * d)),
                            int32_t(int64_t(origin[2]) + std::llround(double(direction[2]) * d))};
      hit.candidatePoint = IntVector{p[0], p[1], p[2]};
      for (int k = 0; k < 3; ++k) bestNormal[k] = normal[k];
      hit.candidateStrength = d;
      hit.candidatePart = uint8_t(g);
      met = 1;
    }
  }
  if (met) {
    const float squared = Dot(bestNormal, bestNormal);
    if (squared >= 1e-12f) {
      const float length = std::sqrt(squared);
      for (float& c : bestNormal) c /= length;
    }
    hit.candidateNormal = Vec3{bestNormal[0], bestNormal[1], bestNormal[2]};
  }
  return met;
}

int SurfaceUnderPoint(const Obj3d& mesh, const int32_t start[3], const int32_t probe[3], ContactProbe& hit) {
  const float direction[3] = {float(probe[0]) * FIXED_TO_METRES, float(probe[1]) * FIXED_TO_METRES,
                              float(probe[2]) * FIXED_TO_METRES};
  int met = 0;
  for (int i = 0; i < mesh.triangleCount; ++i) {
    const Obj3dTriangle& face = mesh.triangles[i];
    if (!face.points[0] || !face.points[1] || !face.points[2]) continue;
    const int64_t d1 = (int64_t(probe[0]) * face.normal[0] + int64_t(probe[1]) * face.normal[1] +
                        int64_t(probe[2]) * face.normal[2]) >> 16;
    if (d1 >= -64) continue;
    const Obj3dPoint& a = *face.points[0];
    const int64_t d2 = ((int64_t(start[0]) - a.x) * face.normal[0] + (int64_t(start[1]) - a.y) * face.normal[1] +
                        (int64_t(start[2]) - a.z) * face.normal[2]) >> 16;
    if (!(d2 < 0 && d2 > d1)) continue;
    const int32_t t = int32_t((d2 * 65536) / d1);
    if (t <= hit.candidateStrength) continue;
    const Obj3dPoint& b = *face.points[1];
    const Obj3dPoint& c = *face.points[2];
    const int32_t P[3] = {a.x, a.y, a.z}, Q[3] = {b.x, b.y, b.z}, R[3] = {c.x, c.y, c.z};
    if (!PointRayInTriangle(start, direction, P, Q, R)) continue;
    hit.candidateStrength = t;
    hit.candidateNormal = Vec3{float(face.normal[0]) * FIXED_TO_METRES, float(face.normal[1]) * FIXED_TO_METRES,
                               float(face.normal[2]) * FIXED_TO_METRES};
    hit.candidateKind = mesh.physics[0];
    hit.candidateSubKind = mesh.physics[1];
    met = 1;
  }
  return met;
}
