// views_local.h - what the view, layout and camera files share and the tests may reach.
#pragma once
#include <cmath>
#include <cstdint>

#include "render/views.h"

namespace views_local {

constexpr double FIXED_TO_M = 1.0 / 65536.0;

// Rounds to the nearest integer and keeps the result within 32 bits.
inline int32_t RoundToFixed(double v) {
  if (!(v > -2147483648.0)) return INT32_MIN;  // NaN lands here too
  if (v >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(std::lround(v));
}

// a - b with 32-bit wrap-around, as the fixed-point arithmetic has always done it.
inline int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// The view-space ray through a pixel of the view, before normalising: (x, y, 1) at depth 1.
// 0 when the view has no scale.
inline int PixelToViewSlope(const View& v, double px, double py, double* sx, double* sy) {
  if (v.scale <= 0) return 0;
  *sx = (px - v.centreX) / v.scale;
  *sy = (v.centreY - py) / v.scale;
  return 1;
}

inline int PointerInView(const View& v, int x, int y) {
  return x >= v.left && x < v.right && y >= v.top && y < v.bottom;
}

// World vector from view-space components through the float basis.
inline void ViewToWorldVector(double x, double y, double z, double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = x * ViewBasis[0][i] + y * ViewBasis[1][i] + z * ViewBasis[2][i];
}

// The ray of the pointer: origin (16.16, as doubles) and unit direction.  In an orthographic
// view the rays are parallel to forward and start on the plane through the eye.
int PointerRay(int mouseX, int mouseY, double origin[3], double direction[3]);

// Ray against one triangle (doubles, metres relative to the ray origin); returns the
// distance along the unit ray, or a negative value for a miss.
double RayTriangle(const double dir[3], const double a[3], const double b[3], const double c[3]);

// The edge turning and tiling of the side-by-side screens, for a known field of view.
void LayOutScreens(ScreenLayoutState& s, float fieldOfView, float screenAngle);

}  // namespace views_local
