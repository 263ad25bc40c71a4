// geometry_queries.h - ray questions against triangles: whether and where a ray meets one.
//
// Sections: [Picking ray] [Triangle tests]
//
// Positions are signed 16.16 (65536 = 1 metre); the arithmetic of the tests is in 32-bit
// floats in metres.  A direction of unit length gives distances in metres.  Main thread only.
#pragma once
#include <cstdint>

// ---- [Picking ray] ----
// The ray the picking code last set; the two-sided test reads it.
struct PickingRay {
  int32_t origin[3];   // 16.16
  float direction[3];  // metres
};
extern PickingRay GlobalPickingRay;

// ---- [Triangle tests] ----
// The determinant below which a ray counts as parallel to (or behind) a triangle.
constexpr float RAY_TRIANGLE_EPSILON = 1e-7f;
// 1 when the ray meets the front of the triangle P, Q, R, the side the normal
// (Q - P) x (R - P) points to: the distance along the ray (not limited: it may be negative)
// and, when asked, that normal, not normalised.  Corners and edges count as inside.
int RayTriangleIntersect(const int32_t origin[3], const float direction[3], const int32_t P[3], const int32_t Q[3],
                         const int32_t R[3], float* distance, float normal[3]);
// The same with GlobalPickingRay, meeting either face.
int RayTriangleIntersectTwoSided(const int32_t P[3], const int32_t Q[3], const int32_t R[3], float* distance,
                                 float normal[3]);
