// setup_marks.cpp - the vehicle editor's marks on its car (setup_marks.h).
#include "vehicle/setup_marks.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "core/gamma_tables.h"

void EmitTriangle16(MarkBuffer& out, const IntVector& a, const IntVector& b, const IntVector& c, uint32_t colour) {
  if (out.vertexCount + 3 > out.vertexCapacity || out.triangleCount + 1 > out.triangleCapacity) return;
  const uint32_t first = out.vertexCount;
  for (const IntVector* p : {&a, &b, &c}) {
    uint8_t* v = out.vertices + MARK_VERTEX_SIZE * out.vertexCount++;
    const float xyz[3] = {p->x / 65536.0f, p->y / 65536.0f, p->z / 65536.0f};
    const float zero[2] = {0.0f, 0.0f};
    std::memcpy(v, xyz, 12);
    std::memcpy(v + 12, &colour, 4);
    std::memcpy(v + 16, zero, 8);
  }
  uint16_t* i = out.indices + 3 * out.triangleCount++;
  i[0] = static_cast<uint16_t>(first + 2);
  i[1] = static_cast<uint16_t>(first + 1);
  i[2] = static_cast<uint16_t>(first);
}

namespace {

uint32_t MarkColour(uint32_t rgb) { return ApplyBrightnessTable(0xFF000000u | (rgb & 0xFFFFFF)); }

int32_t ToFixed(float metres) {
  if (!std::isfinite(metres)) return 0;
  const float v = std::fmax(std::fmin(metres * 65536.0f, 2.0e9f), -2.0e9f);
  return static_cast<int32_t>(v);
}

}  // namespace

void DrawAxisMarker(MarkBuffer& out, const FixedTransform& transform, const IntVector& point, const float axes[3],
                    uint32_t colourA, uint32_t colourB, float scale) {
  const float s = scale != 0.0f ? scale : 1.0f;
  const uint32_t shaft = MarkColour(colourA), head = MarkColour(colourB);
  for (int axis = 0; axis < 3; ++axis) {
    const int32_t length = ToFixed(axes[axis] / s);
    if (length == 0) continue;
    const int across = axis == 2 ? 0 : 2;  // the arrow lies flat across x, or across z for the x and y arrows
    // Local points along the axis at 0, 3/4 and the full length, and offsets across.
    IntVector p[5] = {point, point, point, point, point};
    const int32_t neck = length - length / 4;
    int32_t* along[5];
    int32_t* side[5];
    for (int k = 0; k < 5; ++k) {
      along[k] = axis == 0 ? &p[k].x : axis == 1 ? &p[k].y : &p[k].z;
      side[k] = across == 0 ? &p[k].x : &p[k].z;
    }
    *along[1] += neck;
    *along[2] += neck;
    *side[0] -= MARKER_HALF_WIDTH / 2;
    *side[1] += MARKER_HALF_WIDTH / 2;
    *side[2] -= MARKER_HALF_WIDTH;
    *side[3] += MARKER_HALF_WIDTH;
    *along[3] += neck;
    *along[4] += length;
    IntVector q[5];
    for (int k = 0; k < 5; ++k) TransformPoint(transform, p[k], q[k]);
    const bool reversed = length < 0;
    // The shaft (one thin triangle) and the head.
    if (!reversed) {
      EmitTriangle16(out, q[0], q[1], q[4], shaft);
      EmitTriangle16(out, q[2], q[3], q[4], head);
    } else {
      EmitTriangle16(out, q[4], q[1], q[0], shaft);
      EmitTriangle16(out, q[4], q[3], q[2], head);
    }
  }
}
