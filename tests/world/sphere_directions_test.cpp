// sphere_directions_test.cpp - the sphere-direction table against double-precision rounding
// and the geometry of the vectors across each direction.
#include <gtest/gtest.h>

#include <cmath>

#include "world/sphere_directions.h"

namespace {

constexpr double PI = 3.14159265358979323846;

double Dot(const IntVector& a, const IntVector& b) { return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z; }
double Length(const IntVector& v) { return std::sqrt(Dot(v, v)); }
// u x v of two 16.16 vectors, in 16.16, rounded in double precision.
IntVector Cross(const IntVector& u, const IntVector& v) {
  return {int32_t(std::lround((double(u.y) * v.z - double(u.z) * v.y) / 65536.0)),
          int32_t(std::lround((double(u.z) * v.x - double(u.x) * v.z) / 65536.0)),
          int32_t(std::lround((double(u.x) * v.y - double(u.y) * v.x) / 65536.0))};
}

TEST(SphereDirections, EachDirectionIsTheRoundedUnitVectorAndItsCrossVectorsAreUnitAcrossItAndOfOneHandedness) {
  InitSphereDirections();
  EXPECT_EQ(SphereDirections[0][0].d.x, 0);
  EXPECT_EQ(SphereDirections[0][0].d.y, 0);
  EXPECT_EQ(SphereDirections[0][0].d.z, 65536) << "row 0 is straight up";
  for (int i = 0; i < SPHERE_ROWS; ++i) {
    for (int j = 0; j < SPHERE_COLUMNS; ++j) {
      const SphereDirection& s = SphereDirections[i][j];
      const double a = i * PI / 15.0, b = j * PI / 12.0;
      EXPECT_NEAR(s.d.x, std::cos(b) * std::sin(a) * 65536.0, 1.0) << i << "," << j;
      EXPECT_NEAR(s.d.y, std::sin(b) * std::sin(a) * 65536.0, 1.0) << i << "," << j;
      EXPECT_NEAR(s.d.z, std::cos(a) * 65536.0, 1.0) << i << "," << j;
      // Lengths of 65536 within a few units; dot products near 0 relative to 65536^2.
      for (const IntVector* v : {&s.b, &s.a, &s.c, &s.e}) {
        EXPECT_NEAR(Length(*v), 65536.0, 4.0) << i << "," << j;
        EXPECT_NEAR(Dot(*v, s.d) / 65536.0, 0.0, 4.0) << i << "," << j;
      }
      EXPECT_NEAR(Dot(s.a, s.b) / 65536.0, 0.0, 4.0) << i << "," << j;
      EXPECT_NEAR(Dot(s.c, s.e) / 65536.0, 0.0, 4.0) << i << "," << j;
      // One handedness everywhere: b along (0, dz, -dy), a = b x d, and the foliage pair
      // c, e about their middle m = (c + e) / 2 = d x h, where h = (c - e) / 2 lies level.
      const double bl = std::hypot(double(s.d.z), double(s.d.y));
      EXPECT_NEAR(s.b.y, s.d.z / bl * 65536.0, 2.0) << i << "," << j;
      EXPECT_NEAR(s.b.z, -s.d.y / bl * 65536.0, 2.0) << i << "," << j;
      const IntVector across = Cross(s.b, s.d);
      EXPECT_NEAR(s.a.x, across.x, 4.0) << i << "," << j;
      EXPECT_NEAR(s.a.y, across.y, 4.0) << i << "," << j;
      EXPECT_NEAR(s.a.z, across.z, 4.0) << i << "," << j;
      const IntVector h = {(s.c.x - s.e.x) / 2, (s.c.y - s.e.y) / 2, (s.c.z - s.e.z) / 2};
      EXPECT_NEAR(h.z, 0.0, 1.0) << i << "," << j;
      const IntVector m = Cross(s.d, h);
      EXPECT_NEAR((s.c.x + s.e.x) / 2.0, m.x, 4.0) << i << "," << j;
      EXPECT_NEAR((s.c.y + s.e.y) / 2.0, m.y, 4.0) << i << "," << j;
      EXPECT_NEAR((s.c.z + s.e.z) / 2.0, m.z, 4.0) << i << "," << j;
    }
  }
  EXPECT_EQ(TreeShared.wind[0], 0.0f);
  EXPECT_EQ(TreeShared.wind[1], 0.0f);
  EXPECT_EQ(TreeShared.scale, 1.0f);
}

}  // namespace
