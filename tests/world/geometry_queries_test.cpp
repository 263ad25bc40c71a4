// geometry_queries_test.cpp - the ray and triangle test against a double-precision reference,
// its faces, edges and corners, and the two-sided form with the picking ray.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

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
    for (const bool twoSided : {false, true}) {
      const Reference want = ReferenceTest(o, d, P, Q, R, twoSided);
      // Rays that graze an edge may fall either way in single precision: compare the clear cases.
      const Reference shrunk = [&] {
        int32_t p[3], q[3], r[3];
        for (int i = 0; i < 3; ++i) {
          const double c = (double(P[i]) + Q[i] + R[i]) / 3.0;
          p[i] = int32_t(std::lround(c + (P[i] - c) * 0.98));
          q[i] = int32_t(std::lround(c + (Q[i] - c) * 0.98));
          r[i] = int32_t(std::lround(c + (R[i] - c) * 0.98));
        }
        return ReferenceTest(o, d, p, q, r, twoSided);
      }();
      const Reference grown = [&] {
        int32_t p[3], q[3], r[3];
        for (int i = 0; i < 3; ++i) {
          const double c = (double(P[i]) + Q[i] + R[i]) / 3.0;
          p[i] = int32_t(std::lround(c + (P[i] - c) * 1.02));
          q[i] = int32_t(std::lround(c + (Q[i] - c) * 1.02));
          r[i] = int32_t(std::lround(c + (R[i] - c) * 1.02));
        }
        return ReferenceTest(o, d, p, q, r, twoSided);
      }();
      if (shrunk.hit != grown.hit) continue;
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
        EXPECT_NEAR(distance, want.distance, 1e-3 * std::max(1.0, std::fabs(want.distance))) << "case " << n;
      }
    }
  }
  EXPECT_GT(hits, 5000);
  EXPECT_GT(compared, 35000);
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
