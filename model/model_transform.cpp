// model_transform.cpp - scaling and moving an object with its mappings and subobjects,
// turning mappings, the mapping matrices of a display build and angles from a rotation.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "model/model_object.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double QUARTER_DEGREES_PER_RADIAN = 229.1831;  // 1440 / (2 pi)

int32_t Clamp32(double value) {
  if (!(value == value)) return 0;  // NaN
  return static_cast<int32_t>(std::clamp(value, double(INT32_MIN), double(INT32_MAX)));
}

// value x factor, to nearest with ties to even, within 32 bits.
int32_t Scaled(int32_t value, float factor) { return Clamp32(std::nearbyint(double(value) * double(factor))); }

int32_t Moved(int32_t value, int32_t by) { return Clamp32(double(value) + double(by)); }

}  // namespace

int RadiansToQuarterDegrees(double radians) {
  return static_cast<int>(Clamp32(std::nearbyint(radians * QUARTER_DEGREES_PER_RADIAN)));
}

void ModelObject::Scale(float factor) {
  for (int i = 0; i < pointCount; ++i) {
    ModelPoint& p = points[i];
    p.x = Scaled(p.x, factor);
    p.y = Scaled(p.y, factor);
    p.z = Scaled(p.z, factor);
  }
  for (int i = 0; i < mappingCount; ++i) {
    ModelMapping& m = mappings[i];
    for (int32_t& v : m.offset) v = Scaled(v, factor);
    m.width = Scaled(m.width, factor);
    m.height = Scaled(m.height, factor);
  }
  for (int c = 0; c < childCount && children; ++c) {
    ModelObject& child = children[c];
    for (int32_t& v : child.offset) v = Scaled(v, factor);
    child.Scale(factor);
  }
}

void ModelObject::Translate(const IntVector& by) {
  for (int c = 0; c < childCount && children; ++c) {
    children[c].offset[0] = Moved(children[c].offset[0], by.x);
    children[c].offset[1] = Moved(children[c].offset[1], by.y);
    children[c].offset[2] = Moved(children[c].offset[2], by.z);
  }
  for (int i = 0; i < pointCount; ++i) {
    ModelPoint& p = points[i];
    if (!(p.flags & POINT_CENTRAL)) p.x = Moved(p.x, by.x);
    p.y = Moved(p.y, by.y);
    p.z = Moved(p.z, by.z);
  }
  MarkAllMappingsForRefresh();
  ShiftMappings(by);
}

void ModelObject::ShiftMappings(const IntVector& by) {
  for (int i = 0; i < mappingCount; ++i) {
    ModelMapping& m = mappings[i];
    if (!m.work[MAPPING_REFRESH]) continue;
    m.offset[0] = Moved(m.offset[0], by.x);
    m.offset[1] = Moved(m.offset[1], by.y);
    m.offset[2] = Moved(m.offset[2], by.z);
    m.ClearAxisOffset();
    m.work[MAPPING_REFRESH] = 0;
  }
}

void ModelObject::TransformMappings(const IntVector& by, const FixedMatrix& rotation, int rotate,
                                    const uint32_t* direction) {
  for (int i = 0; i < mappingCount; ++i) {
    ModelMapping& m = mappings[i];
    const IntVector position{m.offset[0], m.offset[1], m.offset[2]};
    IntVector turned;
    MatrixTransform(rotation, position, turned);
    m.offset[0] = Moved(turned.x, by.x);
    m.offset[1] = Moved(turned.y, by.y);
    m.offset[2] = Moved(turned.z, by.z);
    m.flags &= ~MAPPING_CENTRAL;
    if (rotate) {
      FixedMatrix own, composed;
      m.DirectionMatrix(own);
      MatrixMultiply(rotation, own, composed);
      float angles[3];
      MatrixToAngles(composed, angles);
      // A half turn is +720 (not -720), as the axis codes have it.
      auto halfTurnPositive = [](int units) { return units == -720 ? 720 : units; };
      m.direction = PackDirection(halfTurnPositive(RadiansToQuarterDegrees(angles[0])),
                                  RadiansToQuarterDegrees(angles[1]),
                                  halfTurnPositive(RadiansToQuarterDegrees(angles[2])));
    } else if (direction) {
      m.direction = *direction;
    }
  }
}

void ModelObject::BuildMappingMatrices() {
  std::free(mappingMatrices);
  mappingMatrices = nullptr;
  if (mappingCount <= 0) return;
  mappingMatrices = static_cast<FixedMatrix*>(std::calloc(static_cast<size_t>(mappingCount), sizeof(FixedMatrix)));
  for (int i = 0; i < mappingCount; ++i) {
    mappings[i].DirectionMatrix(mappingMatrices[i]);
    mappings[i].work[MAPPING_ONE_SIDED] = static_cast<uint8_t>(mappings[i].IsOneSided(mappingMatrices[i]));
  }
}

// MatrixFromAngles(a, b, c) = RotZ(a) RotX(b) RotY(c): element 7 is sin b, elements 1 and 4
// carry a (times cos b), elements 6 and 8 carry c.  At a quarter turn of pitch only a - c
// (or a + c) is left: the roll is taken as 0 and the heading from elements 2 and 5.
void MatrixToAngles(const FixedMatrix& matrix, float angles[3]) {
  double m[9];
  for (int i = 0; i < 9; ++i) m[i] = matrix.m[i] / 65536.0;
  const double s = m[7];
  double heading, pitch, roll;
  if (s < -0.9999999) {
    pitch = -PI / 2;
    roll = 0;
    heading = std::atan2(-m[2], m[5]);
  } else if (s > 0.9999999) {
    pitch = PI / 2;
    roll = 0;
    heading = PI - std::atan2(m[2], m[5]);
    if (heading > PI) heading -= 2 * PI;
  } else {
    heading = std::atan2(-m[1], m[4]);
    pitch = std::asin(s);
    roll = -std::atan2(m[6], m[8]);
  }
  angles[0] = static_cast<float>(heading);
  angles[1] = static_cast<float>(pitch);
  angles[2] = static_cast<float>(roll);
}
