// sphere_directions.cpp - the sphere-direction table.
#include "world/sphere_directions.h"

#include <cmath>

SphereDirection SphereDirections[SPHERE_ROWS][SPHERE_COLUMNS];
TreeSharedValues TreeShared;

namespace {

constexpr double PI = 3.14159265358979323846;

int32_t Round(double value) { return static_cast<int32_t>(std::lround(value)); }

// v scaled to length 65536; a zero vector stays zero.
IntVector ToUnitLength(const IntVector& v) {
  const double length = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
  if (length == 0.0) return v;
  const double k = 65536.0 / length;
  return {Round(v.x * k), Round(v.y * k), Round(v.z * k)};
}

void FillAcross(SphereDirection& s) {
  const IntVector& d = s.d;
  s.b = ToUnitLength({0, d.z, -d.y});
  FixedCross(s.b, d, s.a);
  IntVector q{FOLIAGE_HALF_SPAN, 0, 0};
  if (d.x != 0 || d.y != 0) {
    const double k = FOLIAGE_HALF_SPAN / std::sqrt(double(d.x) * d.x + double(d.y) * d.y);
    q = {Round(-d.y * k), Round(d.x * k), 0};
  }
  IntVector w;
  FixedCross(d, q, w);
  s.c = {w.x + q.x, w.y + q.y, w.z + q.z};
  s.e = {w.x - q.x, w.y - q.y, w.z - q.z};
}

}  // namespace

void InitSphereDirections() {
  for (int i = 0; i < SPHERE_ROWS; ++i) {
    const double a = i * PI / 15.0;
    for (int j = 0; j < SPHERE_COLUMNS; ++j) {
      const double b = j * PI / 12.0;
      SphereDirection& s = SphereDirections[i][j];
      s.d = {Round(std::cos(b) * std::sin(a) * 65536.0), Round(std::sin(b) * std::sin(a) * 65536.0),
             Round(std::cos(a) * 65536.0)};
      FillAcross(s);
    }
  }
  TreeShared = TreeSharedValues{{0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 1.0f};
}
