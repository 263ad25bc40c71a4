// geometry_queries_test.cpp - the ray and triangle test against a double-precision reference,
// its faces, edges and corners, the two-sided form with the picking ray, and the mesh tests
// against brute-force loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "render/material.h"
#include "render/object_mesh.h"
#include "solid/solid.h"
#include "world/built_mesh.h"
#include "world/geometry_queries.h"

namespace {

int32_t Fixed(double metres) { return int32_t(std::lround(metres * 65536.0)); }

// The same test in doubles, one-sided or two-sided; -1 when the ray misses.
struct Reference {
  bool hit;
  double distance;
};
Reference ReferenceTest(const int32_t o[3], const double d[3], const int32_t P[3], const int32_t Q[3],
                        const int32_t R[3], bool twoSided) {
  double e1[3], e2[3], s[3];
  for (int i = 0; i < 3; ++i) {
    e1[i] = (double(Q[i]) - P[i]) / 65536.0;
    e2[i] = (double(R[i]) - P[i]) / 65536.0;
    s[i] = (double(o[i]) - P[i]) / 65536.0;
  }
  const double p[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
  const double det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
  if (twoSided ? std::fabs(det) < 1e-7 : det < 1e-7) return {false, 0};
  const double u = (s[0] * p[0] + s[1] * p[1] + s[2] * p[2]) / det;
  const double q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
  const double v = (d[0] * q[0] + d[1] * q[1] + d[2] * q[2]) / det;
  if (u < 0 || u > 1 || v < 0 || u + v > 1) return {false, 0};
  return {true, (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) / det};
}

// The triangle (0,0,0), (1,0,0), (0,1,0) faces +z: (Q - P) x (R - P) = +z.
const int32_t P0[3] = {0, 0, 0}, Q0[3] = {65536, 0, 0}, R0[3] = {0, 65536, 0};

}  // namespace

TEST(RayTriangle, AgreesWithADoublePrecisionReferenceAwayFromTheEdges) {
  std::mt19937 random(29);
  std::uniform_real_distribution<double> coordinate(-5.0, 5.0);
  int hits = 0, compared = 0;
  for (int n = 0; n < 20000; ++n) {
    int32_t P[3], Q[3], R[3], o[3];
    double d[3];
    // Aimed at a point near the triangle: about half of the rays pass inside it.
    std::uniform_real_distribution<double> weight(-0.2, 1.0);
    const double a = weight(random), b = weight(random);
    for (int i = 0; i < 3; ++i) {
      P[i] = Fixed(coordinate(random));
      Q[i] = Fixed(coordinate(random));
      R[i] = Fixed(coordinate(random));
      o[i] = Fixed(coordinate(random) * 3);
    }
    for (int i = 0; i < 3; ++i) {
      const double target = P[i] + a * (double(Q[i]) - P[i]) + b * (double(R[i]) - P[i]);
      d[i] = (target - o[i]) / 65536.0;
    }
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (double& c : d) c /= length;
    const float df[3] = {float(d[0]), float(d[1]), float(d[2])};
    // The reference takes the float direction the test is given, so that only the test's own
    // arithmetic differs.
    const double dd[3] = {df[0], df[1], df[2]};
    // Rays that graze an edge (the barycentric weights within 1e-4 of 0 or 1) or run nearly
    // along the plane (|det| below 1e-3 |e1||e2|) may fall either way in single precision.
    double e1[3], e2[3], s[3];
    for (int i = 0; i < 3; ++i) {
      e1[i] = (double(Q[i]) - P[i]) / 65536.0;
      e2[i] = (double(R[i]) - P[i]) / 65536.0;
      s[i] = (double(o[i]) - P[i]) / 65536.0;
    }
    const double p[3] = {dd[1] * e2[2] - dd[2] * e2[1], dd[2] * e2[0] - dd[0] * e2[2], dd[0] * e2[1] - dd[1] * e2[0]};
    const double det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
    const double e1l = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
    const double e2l = std::sqrt(e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2]);
    if (std::fabs(det) < 1e-3 * e1l * e2l) continue;
    const double q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
    const double u = (s[0] * p[0] + s[1] * p[1] + s[2] * p[2]) / det;
    const double v = (dd[0] * q[0] + dd[1] * q[1] + dd[2] * q[2]) / det;
    const double margin = std::min({std::fabs(u), std::fabs(v), std::fabs(1 - u), std::fabs(1 - v), std::fabs(1 - u - v)});
    if (margin < 1e-4) continue;
    for (const bool twoSided : {false, true}) {
      const Reference want = ReferenceTest(o, dd, P, Q, R, twoSided);
      float distance = 0;
      int got;
      if (twoSided) {
        for (int i = 0; i < 3; ++i) {
          GlobalPickingRay.origin[i] = o[i];
          GlobalPickingRay.direction[i] = df[i];
        }
        got = RayTriangleIntersectTwoSided(P, Q, R, &distance, nullptr);
      } else {
        got = RayTriangleIntersect(o, df, P, Q, R, &distance, nullptr);
      }
      ++compared;
      ASSERT_EQ(got, want.hit ? 1 : 0) << "case " << n << (twoSided ? " two-sided" : " one-sided");
      if (want.hit) {
        ++hits;
        // 1e-5 relative while the ray crosses the plane steeply; single precision loses digits
        // in proportion to |e1||e2| / |det| as the ray turns along the plane.
        const double condition = std::max(1.0, e1l * e2l / std::fabs(det) / 100.0);
        EXPECT_NEAR(distance, want.distance, 1e-5 * condition * std::fabs(want.distance)) << "case " << n;
      }
    }
  }
  EXPECT_GT(hits, 5000);
  EXPECT_GT(compared, 30000);
}

TEST(RayTriangle, MeetsTheFrontFaceOnlyUnlessTwoSided) {
  const int32_t above[3] = {Fixed(0.25), Fixed(0.25), Fixed(2.0)};
  const int32_t below[3] = {Fixed(0.25), Fixed(0.25), Fixed(-2.0)};
  const float down[3] = {0, 0, -1}, up[3] = {0, 0, 1};
  float distance = 0, normal[3] = {};
  ASSERT_EQ(RayTriangleIntersect(above, down, P0, Q0, R0, &distance, normal), 1);
  EXPECT_FLOAT_EQ(distance, 2.0f);
  EXPECT_FLOAT_EQ(normal[2], 1.0f) << "(Q - P) x (R - P), not normalised";
  EXPECT_EQ(RayTriangleIntersect(below, up, P0, Q0, R0, &distance, nullptr), 0) << "the back face";
  GlobalPickingRay = PickingRay{{below[0], below[1], below[2]}, {0, 0, 1}};
  ASSERT_EQ(RayTriangleIntersectTwoSided(P0, Q0, R0, &distance, nullptr), 1);
  EXPECT_FLOAT_EQ(distance, 2.0f);
  // A ray along the plane meets neither face; one that starts past the triangle gives a
  // negative distance, which the test does not limit.
  const float along[3] = {1, 0, 0};
  const int32_t beside[3] = {Fixed(-1.0), Fixed(0.25), 0};
  EXPECT_EQ(RayTriangleIntersect(beside, along, P0, Q0, R0, &distance, nullptr), 0);
  const int32_t past[3] = {Fixed(0.25), Fixed(0.25), Fixed(-1.0)};
  ASSERT_EQ(RayTriangleIntersect(past, down, P0, Q0, R0, &distance, nullptr), 1);
  EXPECT_FLOAT_EQ(distance, -1.0f);
}

TEST(RayTriangle, CornersAndEdgesCountAsInsideAndJustBeyondDoesNot) {
  const float down[3] = {0, 0, -1};
  float distance = 0;
  const int32_t corner[3] = {0, 0, Fixed(1.0)};
  EXPECT_EQ(RayTriangleIntersect(corner, down, P0, Q0, R0, &distance, nullptr), 1) << "u = v = 0";
  const int32_t onEdge[3] = {32768, 32768, Fixed(1.0)};
  EXPECT_EQ(RayTriangleIntersect(onEdge, down, P0, Q0, R0, &distance, nullptr), 1) << "u + v = 1";
  const int32_t beyond[3] = {32768 + 64, 32768 + 64, Fixed(1.0)};
  EXPECT_EQ(RayTriangleIntersect(beyond, down, P0, Q0, R0, &distance, nullptr), 0) << "u + v a little above 1";
  const int32_t outside[3] = {-64, 100, Fixed(1.0)};
  EXPECT_EQ(RayTriangleIntersect(outside, down, P0, Q0, R0, &distance, nullptr), 0) << "u below 0";
}

TEST(RayTriangle, TwoSidedHitsWhenEitherWindingHitsOneSidedWithTheSameDistance) {
  std::mt19937 random(31);
  std::uniform_real_distribution<double> coordinate(-4.0, 4.0);
  int hits = 0;
  for (int n = 0; n < 20000; ++n) {
    int32_t P[3], Q[3], R[3], o[3];
    float d[3];
    for (int i = 0; i < 3; ++i) {
      P[i] = Fixed(coordinate(random));
      Q[i] = Fixed(coordinate(random));
      R[i] = Fixed(coordinate(random));
      o[i] = Fixed(coordinate(random) * 2);
    }
    for (int i = 0; i < 3; ++i) d[i] = float((P[i] + Q[i] + R[i]) / 3.0 - o[i]) / 65536.0f + float(coordinate(random) * 0.3);
    double rounding = 0;
    // Nearly parallel rays are ill-conditioned: the two windings round differently there.
    {
      double e1[3], e2[3];
      for (int i = 0; i < 3; ++i) e1[i] = (double(Q[i]) - P[i]) / 65536.0, e2[i] = (double(R[i]) - P[i]) / 65536.0;
      const double p[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
      const double det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
      const double length = std::sqrt(double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2]);
      const double e1l = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
      const double e2l = std::sqrt(e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2]);
      if (std::fabs(det) < 1e-3 * e1l * e2l * length) continue;
      // The distance (e2 . (s x e1)) / det cancels: its float rounding grows with the terms.
      double s[3];
      for (int i = 0; i < 3; ++i) s[i] = (double(o[i]) - P[i]) / 65536.0;
      const double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
      rounding = 8.0 * 1.2e-7 * (e2l * sl * e1l / std::fabs(det) + 1.0);
    }
    GlobalPickingRay = PickingRay{{o[0], o[1], o[2]}, {d[0], d[1], d[2]}};
    float two = 0, front = 0, back = 0;
    const int both = RayTriangleIntersectTwoSided(P, Q, R, &two, nullptr);
    const int a = RayTriangleIntersect(o, d, P, Q, R, &front, nullptr);
    const int b = RayTriangleIntersect(o, d, P, R, Q, &back, nullptr);
    ASSERT_EQ(both, a | b) << "case " << n;
    if (!both) continue;
    ++hits;
    const float want = a ? front : back;
    EXPECT_NEAR(two, want, rounding * std::max(1.0f, std::fabs(want))) << "case " << n;
  }
  EXPECT_GT(hits, 4000);
}

TEST(RayTriangle, PointRayInTriangleIsTheOneSidedTestWithoutTheDistance) {
  const float down[3] = {0, 0, -1}, up[3] = {0, 0, 1};
  const int32_t inside[3] = {Fixed(0.25), Fixed(0.25), Fixed(-3.0)};
  EXPECT_EQ(PointRayInTriangle(inside, down, P0, Q0, R0), 1) << "the line, behind the origin too";
  EXPECT_EQ(PointRayInTriangle(inside, up, P0, Q0, R0), 0) << "from the back";
  const int32_t outside[3] = {Fixed(0.75), Fixed(0.75), Fixed(1.0)};
  EXPECT_EQ(PointRayInTriangle(outside, down, P0, Q0, R0), 0);
}

namespace {

// A built mesh over vectors the test owns (never freed through the mesh).
struct TestMesh {
  std::vector<BuiltPoint> points;
  std::vector<BuiltTriangle> triangles;
  std::vector<BuiltPart> parts;
  std::vector<Material> materials;
  BuiltMesh View() {
    BuiltMesh m;
    m.pointCount = int32_t(points.size());
    m.points = points.data();
    m.triangleCount = int32_t(triangles.size());
    m.triangles = triangles.data();
    m.partCount = int32_t(parts.size());
    m.parts = parts.data();
    return m;
  }
};

// Horizontal triangles at random heights facing up (corners a, c, b as the test reads them),
// in four parts; part 2's material is flagged.
TestMesh RandomTerraces(std::mt19937& random) {
  TestMesh mesh;
  std::uniform_real_distribution<double> height(-50.0, 50.0), place(-20.0, 20.0);
  mesh.materials.resize(4);
  for (int g = 0; g < 4; ++g) {
    mesh.materials[g] = Material{};
    mesh.materials[g].flags = g == 2 ? 1 : 0;
    mesh.parts.push_back(BuiltPart{0, &mesh.materials[g], 0, 0});
    for (int k = 0; k < 25; ++k) {
      const double x = place(random), y = place(random), z = height(random);
      const uint32_t first = uint32_t(mesh.points.size());
      BuiltPoint p{};
      p.position[0] = Fixed(x - 8), p.position[1] = Fixed(y - 8), p.position[2] = Fixed(z);
      mesh.points.push_back(p);
      p.position[0] = Fixed(x + 8), p.position[1] = Fixed(y - 8);
      mesh.points.push_back(p);
      p.position[0] = Fixed(x), p.position[1] = Fixed(y + 8);
      mesh.points.push_back(p);
      // Corner order a, b, c with (c - a) x (b - a) pointing up.
      mesh.triangles.push_back(BuiltTriangle{{first, first + 2, first + 1}, 0});
      ++mesh.parts.back().triangleCount;
      mesh.parts.back().pointCount += 3;
    }
  }
  return mesh;
}

}  // namespace

TEST(MeshRay, EqualsTheNearestHitOfABruteForceLoopAfterTheGroupFilter) {
  std::mt19937 random(37);
  std::uniform_real_distribution<double> place(-15.0, 15.0);
  int hits = 0;
  for (int round = 0; round < 40; ++round) {
    TestMesh mesh = RandomTerraces(random);
    const BuiltMesh view = mesh.View();
    for (int n = 0; n < 200; ++n) {
      const int includeFlagged = n % 2;
      const int32_t origin[3] = {Fixed(place(random)), Fixed(place(random)), Fixed(60.0)};
      const float down[3] = {0, 0, -1};
      // The brute force: the highest triangle under the origin in a part the filter keeps.
      double best = -1;
      int bestPart = -1;
      int32_t first = 0;
      for (int g = 0; g < view.partCount; ++g) {
        for (int i = first; i < first + view.parts[g].triangleCount; ++i) {
          if (g == 2 && !includeFlagged) continue;
          float t;
          const uint32_t* c = view.triangles[i].corners;
          if (!RayTriangleIntersect(origin, down, view.points[c[0]].position, view.points[c[2]].position,
                                    view.points[c[1]].position, &t, nullptr))
            continue;
          if (best < 0 || t < best) best = t, bestPart = g;
        }
        first += view.parts[g].triangleCount;
      }
      ContactProbe hit{};
      const int got = MeshRayTest(view, origin, down, hit, MESH_RAY_MAX_DISTANCE, includeFlagged);
      ASSERT_EQ(got, best > 0 ? 1 : 0) << round << " " << n;
      if (!got) continue;
      ++hits;
      EXPECT_EQ(hit.candidateStrength, int32_t(std::lround(best * 65536.0)));
      EXPECT_EQ(hit.candidatePart, bestPart);
      EXPECT_EQ(hit.candidatePoint.z, origin[2] - hit.candidateStrength);
      EXPECT_EQ(hit.candidatePoint.x, origin[0]);
      EXPECT_FLOAT_EQ(hit.candidateNormal.z, 1.0f) << "normalised";
    }
  }
  EXPECT_GT(hits, 2000);
}

TEST(MeshRay, IgnoresDistanceZeroAndTheLimitKeepsANearerRecordAndSkipsCornersPastThePointCount) {
  std::mt19937 random(41);
  TestMesh mesh;
  mesh.parts.push_back(BuiltPart{0, nullptr, 3, 1});
  BuiltPoint p{};
  p.position[0] = Fixed(-1), p.position[1] = Fixed(-1);
  mesh.points.push_back(p);
  p.position[0] = Fixed(1);
  mesh.points.push_back(p);
  p.position[0] = 0, p.position[1] = Fixed(1);
  mesh.points.push_back(p);
  mesh.triangles.push_back(BuiltTriangle{{0, 2, 1}, 0});
  const BuiltMesh view = mesh.View();
  const float down[3] = {0, 0, -1};
  ContactProbe hit{};
  const int32_t onPlane[3] = {0, 0, 0};
  EXPECT_EQ(MeshRayTest(view, onPlane, down, hit, MESH_RAY_MAX_DISTANCE, 0), 0) << "distance 0";
  const int32_t atLimit[3] = {0, 0, Fixed(16384.0) - 1};
  EXPECT_EQ(MeshRayTest(view, atLimit, down, hit, 100.0f, 0), 0) << "beyond the maximum distance";
  const int32_t above[3] = {0, 0, Fixed(10.0)};
  hit.candidateStrength = Fixed(5.0);
  EXPECT_EQ(MeshRayTest(view, above, down, hit, MESH_RAY_MAX_DISTANCE, 0), 0) << "the record is nearer";
  hit.candidateStrength = Fixed(12.0);
  ASSERT_EQ(MeshRayTest(view, above, down, hit, MESH_RAY_MAX_DISTANCE, 0), 1);
  EXPECT_EQ(hit.candidateStrength, Fixed(10.0));
  // Damaged corner indices and a part longer than the triangle array are skipped.
  mesh.triangles[0].corners[1] = 3;
  mesh.parts[0].triangleCount = 5;
  ContactProbe fresh{};
  EXPECT_EQ(MeshRayTest(mesh.View(), above, down, fresh, MESH_RAY_MAX_DISTANCE, 0), 0);
  // Each corner is checked against the point count, the first and the third too: a fourth
  // point, a copy of the corner it replaces, stands in the array past the three counted.
  mesh.parts[0].triangleCount = 1;
  mesh.points.push_back(p);
  const uint32_t corners[3] = {0, 2, 1};
  for (int k = 0; k < 3; ++k) {
    mesh.triangles[0] = BuiltTriangle{{0, 2, 1}, 0};
    mesh.points[3] = mesh.points[corners[k]];
    ContactProbe whole{};
    ASSERT_EQ(MeshRayTest(mesh.View(), above, down, whole, MESH_RAY_MAX_DISTANCE, 0), 1) << "all four counted";
    mesh.triangles[0].corners[k] = 3;
    BuiltMesh counted = mesh.View();
    counted.pointCount = 3;
    ContactProbe probe{};
    EXPECT_EQ(MeshRayTest(counted, above, down, probe, MESH_RAY_MAX_DISTANCE, 0), 0) << "corner " << k;
  }
  (void)random;
}

TEST(SurfaceUnder, EqualsADoubleSegmentPlaneIntersectionUnderTheLargestFractionRule) {
  std::mt19937 random(43);
  std::uniform_real_distribution<double> place(-3.0, 3.0), tilt(-0.6, 0.6), height(-10.0, 10.0);
  int hits = 0;
  for (int round = 0; round < 300; ++round) {
    // Twelve large tilted faces, some facing down (never taken by a downward probe).
    Obj3d* mesh = new Obj3d();
    mesh->Init();
    AllocateMeshArrays(*mesh, 36, 12);
    mesh->physics[0] = 5, mesh->physics[1] = 1;
    for (int f = 0; f < 12; ++f) {
      const double z = height(random), gx = tilt(random), gy = tilt(random);
      const double xs[3] = {-40, 40, 0}, ys[3] = {-40, -40, 40};
      Obj3dPoint* corner[3];
      for (int k = 0; k < 3; ++k) {
        Obj3dPoint& q = mesh->points[f * 3 + k];
        q.x = Fixed(xs[k]), q.y = Fixed(ys[k]), q.z = Fixed(z + gx * xs[k] + gy * ys[k]);
        corner[k] = &q;
      }
      if (f % 4 == 3)
        InitTriangleRecord(mesh->triangles[f], corner[0], corner[2], corner[1], 0, 0);
      else
        InitTriangleRecord(mesh->triangles[f], corner[0], corner[1], corner[2], 0, 0);
    }
    for (int n = 0; n < 20; ++n) {
      const int32_t start[3] = {Fixed(place(random)), Fixed(place(random)), Fixed(height(random))};
      const int32_t probe[3] = {0, 0, -Fixed(12.0 + 10.0 * (n % 3))};
      // The reference: the plane met first coming down from start - probe, among faces whose
      // 16.16 probe . normal is below -64 and that the segment crosses.
      double best = 0, second = 0;
      int bestFace = -1;
      for (int f = 0; f < 12; ++f) {
        const Obj3dTriangle& t = mesh->triangles[f];
        const double d1 = double(probe[2]) * t.normal[2] / 65536.0;
        if (!(std::floor(d1) < -64)) continue;
        const Obj3dPoint& a = *t.points[0];
        const double n[3] = {t.normal[0] / 65536.0, t.normal[1] / 65536.0, t.normal[2] / 65536.0};
        const double d2 = ((start[0] - double(a.x)) * n[0] + (start[1] - double(a.y)) * n[1] +
                           (start[2] - double(a.z)) * n[2]);
        const double fraction = d2 / (probe[2] * n[2]);
        if (!(fraction > 0 && fraction < 1)) continue;
        if (fraction > best) {
          second = best, best = fraction, bestFace = f;
        } else if (fraction > second) {
          second = fraction;
        }
      }
      ContactProbe hit{};
      const int got = SurfaceUnderPoint(*mesh, start, probe, hit);
      // Faces within a 16.16 unit of the segment's ends, and two faces within a step of the
      // 16.16 fraction, may fall either way.
      const double margin = 4.0 / -probe[2];
      if ((best > 0 && (best < margin || best > 1 - margin || best - second < 3.0 / 65536)) || bestFace < 0) {
        if (bestFace < 0) {
          EXPECT_EQ(got, 0) << round << " " << n;
        }
        continue;
      }
      ASSERT_EQ(got, 1) << round << " " << n;
      ++hits;
      EXPECT_NEAR(hit.candidateStrength / 65536.0, best, 2.0 / 65536.0);
      EXPECT_FLOAT_EQ(hit.candidateNormal.z, mesh->triangles[bestFace].normal[2] / 65536.0f);
      EXPECT_EQ(hit.candidateKind, 5);
      EXPECT_EQ(hit.candidateSubKind, 1);
    }
    mesh->Free();
    delete mesh;
  }
  EXPECT_GT(hits, 3000);
}

TEST(SurfaceUnder, SkipsFacesAlongTheProbeAndOutsideTheTriangle) {
  Obj3d* mesh = new Obj3d();
  mesh->Init();
  AllocateMeshArrays(*mesh, 3, 1);
  mesh->points[1].x = Fixed(1.0);
  mesh->points[2].y = Fixed(1.0);
  InitTriangleRecord(mesh->triangles[0], &mesh->points[0], &mesh->points[1], &mesh->points[2], 0, 0);
  const int32_t start[3] = {Fixed(0.25), Fixed(0.25), Fixed(-0.5)};
  const int32_t down[3] = {0, 0, -Fixed(2.0)};
  ContactProbe hit{};
  ASSERT_EQ(SurfaceUnderPoint(*mesh, start, down, hit), 1);
  EXPECT_EQ(hit.candidateStrength, Fixed(0.25)) << "the plane a quarter of the probe back from the start";
  const int32_t sideways[3] = {Fixed(2.0), 0, -1};
  ContactProbe none{};
  EXPECT_EQ(SurfaceUnderPoint(*mesh, start, sideways, none), 0) << "probe . normal not below -64";
  const int32_t beside[3] = {Fixed(0.75), Fixed(0.75), Fixed(-0.5)};
  EXPECT_EQ(SurfaceUnderPoint(*mesh, beside, down, none), 0) << "outside the triangle";
  const int32_t aboveIt[3] = {Fixed(0.25), Fixed(0.25), Fixed(0.5)};
  EXPECT_EQ(SurfaceUnderPoint(*mesh, aboveIt, down, none), 0) << "the segment ends above the face";
  mesh->Free();
  delete mesh;
}
