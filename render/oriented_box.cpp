// oriented_box.cpp - a solid box through a fixed-point transform.
#include "render/oriented_box.h"

#include <cmath>

#include "render/mesh_local.h"

namespace {

// The twelve triangles of the six faces, by corner index.
constexpr uint8_t BOX_TRIANGLES[12][3] = {{0, 1, 3}, {0, 3, 2}, {4, 0, 2}, {4, 2, 6}, {5, 4, 6}, {5, 6, 7},
                                          {1, 5, 7}, {1, 7, 3}, {2, 3, 7}, {2, 7, 6}, {4, 5, 1}, {4, 1, 0}};

// Metres to 16.16, rounded to nearest; saturated, NaN 0.
int32_t Fixed(float metres) {
  const double v = std::nearbyint(double(metres) * 65536.0);
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

}  // namespace

void DrawOrientedBox(const OrientedBox& box, const FixedTransform& transform) {
  int32_t centre[3], half[3];
  for (int a = 0; a < 3; ++a) {
    centre[a] = Fixed(box.centre[a]);
    half[a] = Fixed(box.halfSize[a]);
  }
  if (half[0] == 0 && half[1] == 0 && half[2] == 0) return;
  StreamTriangles s;
  if (!s.Start(8, 12)) {
    s.Finish();
    return;
  }
  const uint32_t colour = ColourFromBytes(int(ColourRed(box.colour)), int(ColourGreen(box.colour)),
                                          int(ColourBlue(box.colour)));
  for (int i = 0; i < 8; ++i) {
    const IntVector corner{int32_t(int64_t(centre[0]) + (i & 4 ? -int64_t(half[0]) : half[0])),
                           int32_t(int64_t(centre[1]) + (i & 1 ? half[1] : -int64_t(half[1]))),
                           int32_t(int64_t(centre[2]) + (i & 2 ? half[2] : -int64_t(half[2])))};
    IntVector world;
    TransformPoint(transform, corner, world);
    s.Vertex(float(world.x) / 65536.0f, float(world.y) / 65536.0f, float(world.z) / 65536.0f, colour);
  }
  for (const uint8_t* t : BOX_TRIANGLES) s.Triangle(t[0], t[1], t[2]);
  s.Draw();
  s.Finish();
}
