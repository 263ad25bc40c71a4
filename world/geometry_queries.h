// geometry_queries.h - ray questions against triangles: whether and where a ray meets one, the
// nearest triangle of a built mesh along a ray, and the face a short probe meets in a
// collision mesh.
//
// Sections: [Picking ray] [Triangle tests] [Mesh tests]
//
// Positions are signed 16.16 (65536 = 1 metre); the arithmetic of the tests is in 32-bit
// floats in metres.  A direction of unit length gives distances in metres.  Main thread only.
#pragma once
#include <cstdint>

struct BuiltMesh;
struct ContactProbe;
struct Obj3d;

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
// 1 when the line of the ray passes inside the triangle from its front side (the steps of
// RayTriangleIntersect without the distance): the probe's in-triangle test.
int PointRayInTriangle(const int32_t origin[3], const float direction[3], const int32_t P[3], const int32_t Q[3],
                       const int32_t R[3]);

// ---- [Mesh tests] ----
// The view ray's reach.
constexpr float MESH_RAY_MAX_DISTANCE = 16384.0f;
// 1 when a triangle of the mesh lies along the ray (direction of unit length) nearer than what
// the record holds.  Here the record's candidate strength is a DISTANCE (16.16) where the
// smaller wins, 0 meaning none yet; never mix this test with a RayTest (larger wins) in one
// record.  Hits at distance 0 or less and at maxDistance (metres) or beyond are ignored; the
// parts whose material has its flag byte set are skipped unless includeFlagged.  A hit writes
// the point (origin + direction x distance), the unit normal (Q - P) x (R - P) of the
// triangle's corners (a, c, b), the distance and the part's index into candidatePart.
// Corner indices outside the points and triangle counts past the array are skipped.
int MeshRayTest(const BuiltMesh& mesh, const int32_t origin[3], const float direction[3], ContactProbe& hit,
                float maxDistance, int includeFlagged);
// 1 when a face of the collision mesh meets the probe, the segment from start - probe to start
// (16.16; for a downward probe from above the start down to it).  The record's candidate
// strength is the fraction of the probe counted back from the start (16.16, larger wins:
// the face met first coming from start - probe); a face counts only when probe . normal is
// below -64 (it faces against the probe).  A face taken writes the fraction, its normal in
// metres and the mesh's two physics bytes as candidate kind and sub-kind; the caller makes the
// point.  The triangles' own point positions and normals are read (a collision mesh's are in
// world space).
int SurfaceUnderPoint(const Obj3d& mesh, const int32_t start[3], const int32_t probe[3], ContactProbe& hit);
