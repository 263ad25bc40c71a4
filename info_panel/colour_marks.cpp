// colour_marks.cpp - the colour marks of a car's model.
#include "info_panel/colour_marks.h"

#include <cstring>

#include "model/model_object.h"
#include "physics/car.h"
#include "vehicle_data/rim_profile.h"

uint8_t ColourMarkFlags[2 * COLOUR_MARK_GROUP];

namespace {
constexpr uint16_t SUBOBJECT_FLAG_COLOURS = 4;  // the subobject takes a group's colours

void MarkMappings(const ModelMapping* mappings, int count, int group) {
  for (int i = 0; i < count && mappings; ++i) {
    const int colour = ColourMarkOf(mappings[i].name);
    if (colour) ColourMarkFlags[group * COLOUR_MARK_GROUP + colour - 1] = 1;
  }
}
}  // namespace

int ColourMarkOf(const char* name) {
  if (!name || (name[0] != 'M' && name[0] != 'm')) return 0;
  return name[1] >= '1' && name[1] <= '4' ? name[1] - '0' : 0;
}

void ScanColourMarksInObject(const ModelObject& o, int group, uint32_t layerMask) {
  for (int i = 0; i < o.mappingCount && o.mappings; ++i) {
    const int colour = ColourMarkOf(o.mappings[i].name);
    if (!colour) continue;
    for (int t = 0; t < o.triangleCount && o.triangles; ++t) {
      const ModelTriangle& tri = o.triangles[t];
      if (tri.mapping != i || !(layerMask & (1u << (tri.layer & 31)))) continue;
      ColourMarkFlags[group * COLOUR_MARK_GROUP + colour - 1] = 1;
      break;
    }
  }
}

void ScanCarColourMarks(Car* car) {
  std::memset(ColourMarkFlags, 0, sizeof ColourMarkFlags);
  if (!car || !car->model) return;
  const ModelObject& body = *car->model;
  const int config = car->currentSetup.bytes[SETUP_CONFIGURATION];
  const uint32_t mask = config < car->configCount ? car->configs[config].layerMask : car->configs[0].layerMask;
  ScanColourMarksInObject(body, MARKS_BODY, mask);
  for (int i = 0; i < body.childCount && body.children; ++i) {
    const ModelObject& sub = body.children[i];
    if (!(sub.options & SUBOBJECT_FLAG_COLOURS)) continue;
    ScanColourMarksInObject(sub, sub.type == SUBOBJECT_HUB ? MARKS_WHEELS : MARKS_BODY, mask);
  }
  if (car->rim) MarkMappings(car->rim->mappings, car->rim->mappingCount, MARKS_WHEELS);
  MarkMappings(car->spoke.mappings, car->spoke.mappingCount, MARKS_WHEELS);
}

int CarHasFlaggedHub(const Car* car) {
  if (!car || !car->model || !car->model->children) return 0;
  for (int i = 0; i < car->model->childCount; ++i) {
    const ModelObject& sub = car->model->children[i];
    if (sub.type == SUBOBJECT_HUB && (sub.options & SUBOBJECT_FLAG_COLOURS)) return 1;
  }
  return 0;
}
