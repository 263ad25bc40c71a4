// collision_mesh.cpp - the collision hull of the main object's last level of detail.
#include "modeller/operations/collision_mesh.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "model/model_object.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/point_tools.h"
#include "modeller/operations/triangle_tools.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "ui/dialogs.h"
#include "ui/value_edit.h"

namespace {

constexpr uint16_t M = CORNER_MIRRORED;  // a corner's mirrored copy
struct HullTriangle {
  uint16_t corners[3];
  uint8_t flags, group;
};
// Corners are hull point numbers (plus M for the mirrored copy).
constexpr HullTriangle HULL[HULL_TRIANGLE_COUNT] = {
    {{7, 3, 3 | M}, 0, 2}, {{7, 3 | M, 7 | M}, 0, 2}, {{0, 4, 4 | M}, 0, 2}, {{0, 4 | M, 0 | M}, 0, 2},
    {{8, 9, 9 | M}, 0, 2}, {{8, 9 | M, 8 | M}, 0, 2}, {{5, 1, 2}, 1, 1},           {{5, 2, 6}, 1, 1},
    {{4, 0, 1}, 1, 2},     {{4, 1, 5}, 1, 2},         {{6, 2, 3}, 1, 2},           {{6, 3, 7}, 1, 2},
    {{8, 5, 9}, 1, 1},     {{9, 5, 6}, 1, 1},         {{8, 4, 5}, 1, 0},           {{9, 6, 7}, 1, 0},
    {{9, 7, 7 | M}, 0, 0}, {{9, 7 | M, 9 | M}, 0, 0}, {{4, 8, 8 | M}, 0, 0},       {{4, 8 | M, 4 | M}, 0, 0},
    {{2, 1, 1 | M}, 0, 0}, {{2, 1 | M, 2 | M}, 0, 0}, {{1, 0, 0 | M}, 0, 0},       {{1, 0 | M, 1 | M}, 0, 0},
    {{3, 2, 2 | M}, 0, 0}, {{3, 2 | M, 3 | M}, 0, 0},
};

struct Box {
  int32_t minimum[3], maximum[3];
  void Take(const int32_t a[3], const int32_t b[3]) {
    for (int i = 0; i < 3; ++i) {
      minimum[i] = std::min(minimum[i], std::min(a[i], b[i]));
      maximum[i] = std::max(maximum[i], std::max(a[i], b[i]));
    }
  }
};

void Answered(Prss* owner, uint32_t, uint32_t) { CreateCollisionMesh(owner, 0, 1); }

// The ten points from the box (every division truncating toward zero).
void HullPoints(const Box& box, int32_t out[HULL_POINT_COUNT][3]) {
  const int64_t s = std::max(std::llabs(box.minimum[0]), std::llabs(box.maximum[0]));
  const int64_t ymin = box.minimum[1], ymax = box.maximum[1], length = ymax - ymin;
  const int64_t zmin = box.minimum[2], zmax = box.maximum[2], zmid = (zmin + zmax) / 2;
  const int64_t cut = s - s / 4, top = s - s / 3;
  const int64_t rows[HULL_POINT_COUNT][3] = {
      {cut, ymin, zmin},          {s, ymin + length / 8, zmin}, {s, ymax - length / 8, zmin},
      {cut, ymax, zmin},          {cut, ymin, zmid},            {s, ymin + length / 8, zmid},
      {s, ymax - length / 8, zmid}, {cut, ymax, zmid},          {top, ymin + length / 4, zmax},
      {top, ymax - length / 4, zmax},
  };
  for (int p = 0; p < HULL_POINT_COUNT; ++p)
    for (int a = 0; a < 3; ++a) out[p][a] = int32_t(std::clamp<int64_t>(rows[p][a], INT32_MIN, INT32_MAX));
}

}  // namespace

int CollisionMapping(const ModelObject& o) {
  int found = 0;
  for (int i = 0; i < o.mappingCount; ++i)
    if (strncasecmp(o.mappings[i].name, "M1", 2) == 0) found = i;
  return found;
}

void CreateCollisionMesh(void* owner, int, uintptr_t confirmed) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || !s->mainObject) return;
  ModelObject& o = *EditedObject;
  const int last = o.lodCount - 1;
  bool fits = EditedObject == s->mainObject && o.lodCount >= 2 && o.currentLod == last;
  // The box of the points level 0 uses (taken without touching the selection, so that "no" to
  // the question and an undo give the model back as it was).
  Box box{{INT32_MAX, INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN, INT32_MIN}};
  int lastLevelTriangles = 0;
  if (fits) {
    for (int t = 0; t < o.triangleCount; ++t) {
      const ModelTriangle& tri = o.triangles[t];
      if (tri.lod == last) ++lastLevelTriangles;
      if (tri.lod != 0) continue;
      for (uint16_t c : tri.corners) {
        const int p = c & CORNER_INDEX_MASK;
        if (p >= o.pointCount) continue;
        const int32_t at[3] = {o.points[p].x, o.points[p].y, o.points[p].z};
        box.Take(at, at);
      }
    }
    fits = box.minimum[0] <= box.maximum[0];
  }
  if (!fits) {
    ShowMessageBox(&s->prss, TEXT_NO_MAIN_LOD_TRIANGLES);
    return;
  }
  if (lastLevelTriangles > 0 && !confirmed) {
    AskQuestion(&s->prss, Answered, TEXT_LOD_HAS_TRIANGLES, TEXT_REPLACE_COLLISION_MESH, 0, 0, 0);
    return;
  }
  // What the replacement frees: the last level's triangles and the points only they use.
  std::vector<uint8_t> usedElsewhere(size_t(o.pointCount), 0), usedByLast(size_t(o.pointCount), 0);
  for (int t = 0; t < o.triangleCount; ++t)
    for (uint16_t c : o.triangles[t].corners) {
      const int p = c & CORNER_INDEX_MASK;
      if (p < o.pointCount) (o.triangles[t].lod == last ? usedByLast : usedElsewhere)[size_t(p)] = 1;
    }
  int64_t freedPoints = 0;
  for (int p = 0; p < o.pointCount; ++p) freedPoints += usedByLast[size_t(p)] && !usedElsewhere[size_t(p)];
  if (!CheckAddLimits(*s, HULL_POINT_COUNT - freedPoints, HULL_TRIANGLE_COUNT - lastLevelTriangles)) return;

  if (AddUndoPoint) AddUndoPoint("create collision mesh", 0, 0, 0);
  if (lastLevelTriangles > 0) {
    DeselectAllTriangles(*s);
    for (int t = 0; t < o.triangleCount; ++t)
      if (o.triangles[t].lod == last) o.triangles[t].flags |= TRIANGLE_SELECTED;
    CountSelectedTriangles(*s, 0);
    DeselectAllPoints(*s);
    SelectTrianglePoints(*s);
    DeleteSelectedTriangles(*s);
    o.UnmarkUsedPoints(0);
    RemoveMarkedPoints(o);
  }
  DeselectAllTriangles(*s);
  DeselectAllPoints(*s);
  s->state.currentPoint = -1;

  // The car's tyres widen the box (a seam until the car issues: no car, no widening).
  if (VehicleEditorHooks.carBeingEdited && VehicleEditorHooks.carBeingEdited() && VehicleEditorHooks.wheelTyreBox) {
    int32_t minimum[3], maximum[3];
    for (int wheel = 0; VehicleEditorHooks.wheelTyreBox(wheel, minimum, maximum); ++wheel) box.Take(minimum, maximum);
  }
  int32_t corners[HULL_POINT_COUNT][3];
  HullPoints(box, corners);
  const int base = o.pointCount;
  o.ResizePoints(HULL_POINT_COUNT);
  for (int p = 0; p < HULL_POINT_COUNT; ++p) {
    ModelPoint& point = o.points[base + p];
    point = ModelPoint{};
    point.flags = POINT_MIRRORED | POINT_REFERENCE;
    point.x = corners[p][0], point.y = corners[p][1], point.z = corners[p][2];
  }
  o.pointCount = uint16_t(base + HULL_POINT_COUNT);
  const int first = o.triangleCount;
  const uint8_t mapping = uint8_t(CollisionMapping(o));
  o.ResizeTriangles(HULL_TRIANGLE_ROOM);
  for (int t = 0; t < HULL_TRIANGLE_COUNT; ++t) {
    ModelTriangle& tri = o.triangles[first + t];
    tri = ModelTriangle{};
    tri.flags = HULL[t].flags;
    tri.group = HULL[t].group;
    tri.lod = uint8_t(last);
    tri.mapping = mapping;
    for (int c = 0; c < 3; ++c)
      tri.corners[c] = uint16_t((HULL[t].corners[c] & M) | (base + (HULL[t].corners[c] & ~M)));
  }
  o.triangleCount = uint16_t(first + HULL_TRIANGLE_COUNT);
  s->state.currentTriangle = o.triangleCount;
  RefreshEditedMesh(&s->prss);
}
