// layout_properties.cpp - the type properties of the layout objects 172 to 179.
#include "modeller/world/layout_properties.h"

#include <cmath>

#include "model/model_object.h"

const LayoutPropertyInfo LAYOUT_PROPERTIES[LAYOUT_PROPERTY_KINDS] = {
    {nullptr, 0, 0, 0, 0},
    {"Width : %.2f", 0x03, 0, 3, 1},
    {"Length : %.2f", 0x0C, 2, 3, 1},
    {"Size X : %.2f", 0x03, 0, 3, 0},
    {"Size Y : %.2f", 0x0C, 2, 3, 0},
    {"Height : %.2f", 0xF0, 4, 15, 3},
    {"Pitch : %.0f\xC2\xB0", 0xF0, 4, 15, 0},
    {nullptr, 0x03, 0, 3, 0},
    {"Angle : %.1f\xC2\xB0", 0xF0, 4, 15, 15},
};

const uint8_t OBJECT_PROPERTY_KINDS[LAST_PROPERTY_OBJECT - FIRST_PROPERTY_OBJECT + 1][PROPERTIES_PER_OBJECT] = {
    {PROPERTY_WIDTH, PROPERTY_LENGTH, PROPERTY_PITCH},    // 172
    {PROPERTY_WIDTH, PROPERTY_LENGTH, PROPERTY_HEIGHT},   // 173
    {PROPERTY_COLOUR, PROPERTY_LENGTH, PROPERTY_HEIGHT},  // 174
    {PROPERTY_SIZE_X, PROPERTY_SIZE_Y, PROPERTY_HEIGHT},  // 175
    {PROPERTY_COLOUR, PROPERTY_LENGTH, PROPERTY_PITCH},   // 176
    {PROPERTY_COLOUR, PROPERTY_LENGTH, PROPERTY_HEIGHT},  // 177
    {PROPERTY_COLOUR, PROPERTY_SIZE_Y, PROPERTY_PITCH},   // 178
    {PROPERTY_COLOUR, PROPERTY_LENGTH, PROPERTY_ANGLE},   // 179
};

namespace {

constexpr int32_t METRE = 65536;
constexpr int32_t EIGHTH_METRE = 8192;
constexpr int32_t QUARTER_METRE = 16384;
constexpr int32_t NEAR_ZERO = 640;  // about 1 cm
// The width and length steps of values 0..3: -1 m, 0, +2 m, +6 m.
constexpr int32_t WIDTH_STEPS[4] = {-METRE, 0, 2 * METRE, 6 * METRE};
constexpr double ANGLE_STEP = 0.09817477;  // radians a value

// Moves a coordinate outward by step (0 stays where it is); the sums wrap as 32-bit words.
bool Outward(int32_t& c, int32_t step) {
  if (step == 0 || c == 0) return false;
  const uint32_t s = static_cast<uint32_t>(step);
  c = static_cast<int32_t>(c > 0 ? static_cast<uint32_t>(c) + s : static_cast<uint32_t>(c) - s);
  return true;
}

}  // namespace

int LayoutPropertyValue(int kind, int flags) {
  if (kind <= PROPERTY_NONE || kind >= LAYOUT_PROPERTY_KINDS) return 0;
  const LayoutPropertyInfo& p = LAYOUT_PROPERTIES[kind];
  return (flags & p.mask) >> p.shift;
}

int SetObjectTypeProperties(ModelObject& model, int objectIndex, int flags, int removing) {
  if (objectIndex < FIRST_PROPERTY_OBJECT || objectIndex > LAST_PROPERTY_OBJECT) return 0;
  const uint8_t* kinds = OBJECT_PROPERTY_KINDS[objectIndex - FIRST_PROPERTY_OBJECT];
  const int sign = removing ? -1 : 1;
  bool changed = false;
  for (int k = 0; k < PROPERTIES_PER_OBJECT; ++k) {
    const int kind = kinds[k];
    const int value = LayoutPropertyValue(kind, flags);
    if (kind != PROPERTY_ANGLE && value == LAYOUT_PROPERTIES[kind].fallback) continue;
    ModelPoint* points = model.points;
    const int count = points ? model.pointCount : 0;
    switch (kind) {
      case PROPERTY_WIDTH:
        for (int i = 0; i < count; ++i) changed |= Outward(points[i].x, sign * WIDTH_STEPS[value]);
        break;
      case PROPERTY_LENGTH:
        for (int i = 0; i < count; ++i) {
          ModelPoint& p = points[i];
          if (objectIndex == LAST_PROPERTY_OBJECT) {
            if (p.x > NEAR_ZERO && p.y < NEAR_ZERO) changed |= Outward(p.x, 2 * sign * WIDTH_STEPS[value]);
          } else {
            changed |= Outward(p.y, sign * WIDTH_STEPS[value]);
          }
        }
        break;
      case PROPERTY_SIZE_X:
        for (int i = 0; i < count; ++i) changed |= Outward(points[i].x, sign * value * EIGHTH_METRE);
        break;
      case PROPERTY_SIZE_Y:
        for (int i = 0; i < count; ++i) changed |= Outward(points[i].y, sign * value * EIGHTH_METRE);
        break;
      case PROPERTY_HEIGHT: {
        const int32_t step = sign * (value - 3) * QUARTER_METRE;
        const bool byY = objectIndex == 173 || objectIndex == 177;
        for (int i = 0; i < count; ++i) {
          ModelPoint& p = points[i];
          if (byY ? p.y > 0 : p.z > EIGHTH_METRE) {
            p.z = static_cast<int32_t>(static_cast<uint32_t>(p.z) + static_cast<uint32_t>(step));
            changed = true;
          }
        }
        break;
      }
      case PROPERTY_COLOUR:
        if (!removing) {
          model.SetAllMappingColours(LAYOUT_PROPERTY_COLOURS[value]);
          changed = true;
        }
        break;
      case PROPERTY_ANGLE: {
        const int32_t r = 2 * METRE << ((flags >> 2) & 3);
        const int angleValue = removing ? 15 : value;
        int32_t x = 0, y = r;
        if (angleValue != 15) {
          const double a = (angleValue + 1) * ANGLE_STEP;
          x = static_cast<int32_t>(std::lround(r * std::cos(a)));
          y = static_cast<int32_t>(std::lround(r * std::sin(a)));
        }
        for (int i = 0; i < count; ++i) {
          ModelPoint& p = points[i];
          if (p.y <= NEAR_ZERO) continue;
          changed |= p.x != x || p.y != y;
          p.x = x;
          p.y = y;
        }
        break;
      }
      default:
        break;
    }
  }
  if (changed) model.FreeRenderCaches();
  return changed ? 1 : 0;
}
