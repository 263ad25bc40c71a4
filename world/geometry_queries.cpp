// geometry_queries.cpp - the ray and triangle test (Moller and Trumbore's), one- and two-sided.
#include "world/geometry_queries.h"

#include <cmath>

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
