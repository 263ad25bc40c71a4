// model_mappings.cpp - mapping directions (packed quarter-degree angles), their matrices,
// and mirroring mappings, objects and the drive-side swap.
#include "model/model_object.h"

#include <algorithm>
#include <utility>

#include "render/texture_names.h"

// ---- directions ----

namespace {
int SignExtend(uint32_t value, int bits) {
  const uint32_t sign = 1u << (bits - 1);
  value &= (1u << bits) - 1;
  return static_cast<int>(value ^ sign) - static_cast<int>(sign);
}

// Heading and roll: past +-720 they wrap by a full turn, then stay within +-720.
int WrapHalfTurn(int value) {
  if (value < -720) value += 1440;
  if (value > 720) value -= 1440;
  return std::clamp(value, -720, 720);
}
}  // namespace

bool IsAxisDirection(uint32_t d) {
  return d == DIRECTION_BACK || d == DIRECTION_RIGHT || d == DIRECTION_FRONT || d == DIRECTION_LEFT ||
         d == DIRECTION_TOP || d == DIRECTION_UNDER;
}

int DirectionHeading(uint32_t direction) { return SignExtend(direction, 11); }
int DirectionPitch(uint32_t direction) { return SignExtend(direction >> 11, 10); }
int DirectionRoll(uint32_t direction) { return SignExtend(direction >> 21, 11); }

uint32_t PackDirection(int heading, int pitch, int roll) {
  return (static_cast<uint32_t>(heading) & 0x7FF) | (static_cast<uint32_t>(pitch) & 0x3FF) << 11 |
         static_cast<uint32_t>(roll) << 21;
}

int32_t QuarterDegreesToTurn(int units) { return units * 4096 / 90; }

void ModelMapping::RotateFirst(int delta) {
  direction = PackDirection(WrapHalfTurn(DirectionHeading(direction) + delta), DirectionPitch(direction),
                            DirectionRoll(direction));
}

void ModelMapping::RotateSecond(int delta) {
  direction = PackDirection(DirectionHeading(direction), std::clamp(DirectionPitch(direction) + delta, -360, 360),
                            DirectionRoll(direction));
}

void ModelMapping::RotateThird(int delta) {
  direction = PackDirection(DirectionHeading(direction), DirectionPitch(direction),
                            WrapHalfTurn(DirectionRoll(direction) + delta));
}

void ModelMapping::ClearAxisOffset() {
  if (!(flags & MAPPING_CENTRAL)) return;
  if (direction == DIRECTION_BACK || direction == DIRECTION_FRONT || direction == DIRECTION_UNDER ||
      direction == DIRECTION_TOP)
    offset[0] = 0;
  else if (direction == DIRECTION_RIGHT || direction == DIRECTION_LEFT)
    offset[1] = 0;
}

int ModelMapping::DirectionFlag() const {
  if (direction == DIRECTION_FRONT) return MAPPING_LINK_FRONT;
  if (direction == DIRECTION_BACK) return MAPPING_LINK_BACK;
  if (direction == DIRECTION_RIGHT || direction == DIRECTION_LEFT) return MAPPING_LINK_SIDE;
  return MAPPING_LINK_TOP;
}

void ModelMapping::DirectionMatrix(FixedMatrix& matrix) const {
  MatrixFromAngles(matrix, uint32_t(QuarterDegreesToTurn(DirectionHeading(direction))),
                   uint32_t(QuarterDegreesToTurn(DirectionPitch(direction))),
                   uint32_t(QuarterDegreesToTurn(DirectionRoll(direction))));
}

int ModelMapping::IsOneSided(const FixedMatrix& m) const {
  int atOrAbove = 0;
  for (int corner = 0; corner < 4; ++corner) {
    const int64_t u = (corner & 1) ? width / 2 : -(width / 2);
    const int64_t v = (corner & 2) ? height / 2 : -(height / 2);
    // The corner (u, 0, v) in the mapping's frame, turned into the object's frame.
    const int64_t x = ((int64_t{m.m[0]} * u + int64_t{m.m[2]} * v) >> 16) + offset[0];
    if (x >= 0) ++atOrAbove;
  }
  return atOrAbove == 4 || atOrAbove == 0;
}

void ModelMapping::Mirror(const ModelObject& object) {
  direction = (direction & ~0x7FFu) | (static_cast<uint32_t>(-DirectionHeading(direction)) & 0x7FF);
  offset[0] = NegateStored(offset[0]);
  bool ordinaryTexture = false;
  if (cutout[0] < object.cutoutCount) {
    const int page = object.cutouts[cutout[0]].page;
    ordinaryTexture = page < object.pageCount && object.pages[page].type != PAGE_SKIN &&
                      !IsSpecialTextureName(object.pages[page].name);
  }
  const bool unflipped = (name[0] == 'U' || name[0] == 'u') && name[1] == '_';
  if (ordinaryTexture && !unflipped)
    width = NegateStored(width);
  else
    std::swap(cutout[0], cutout[1]);
}

// ---- mirroring objects ----

void ModelObject::MarkAllMappingsForRefresh() {
  for (int i = 0; i < mappingCount; ++i) mappings[i].work[MAPPING_REFRESH] = 1;
}

void ModelObject::NegateX() {
  angles[1] = static_cast<int16_t>(-angles[1]);
  angles[2] = static_cast<int16_t>(-angles[2]);
  offset[0] = NegateStored(offset[0]);
  for (int i = 0; i < pointCount; ++i) points[i].x = NegateStored(points[i].x);
}

void ModelObject::MirrorGeometry() {
  FreeRenderCaches();
  NegateX();
  for (int t = 0; t < triangleCount; ++t) std::swap(triangles[t].corners[1], triangles[t].corners[2]);
  for (int i = 0; i < mappingCount; ++i) mappings[i].Mirror(*this);
  for (int c = 0; c < childCount; ++c) children[c].MirrorGeometry();
}

void ModelObject::FlipMarkedTriangles() {
  for (int t = 0; t < triangleCount; ++t) {
    ModelTriangle& tri = triangles[t];
    if (!(tri.flags & TRIANGLE_SIDE_SWAP) || (tri.flags & TRIANGLE_MIRRORED)) continue;
    std::swap(tri.corners[1], tri.corners[2]);
    for (uint16_t& corner : tri.corners) corner ^= CORNER_MIRRORED;
    if (tri.mapping < mappingCount) mappings[tri.mapping].work[MAPPING_REFRESH] = 1;
  }
  for (int i = 0; i < mappingCount; ++i)
    if (mappings[i].work[MAPPING_REFRESH]) {
      mappings[i].Mirror(*this);
      mappings[i].work[MAPPING_REFRESH] = 0;
    }
  for (int c = 0; c < childCount; ++c) {
    ModelObject& child = children[c];
    if (child.sideFunction == SIDE_FULL_FLIP)
      child.MirrorGeometry();
    else if (child.sideFunction == SIDE_SWAP_ONLY)
      child.offset[0] = NegateStored(child.offset[0]);
  }
}
