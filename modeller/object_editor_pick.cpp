// object_editor_pick.cpp - the surface under the mouse: the ray through the pointer tested
// against the shown objects' triangles, nearest hit first.
#include <cmath>
#include <cstring>
#include <vector>

#include "core/window_state.h"
#include "modeller/edit_views.h"
#include "modeller/model/model_object.h"
#include "modeller/object_editor.h"
#include "render/draw_mesh.h"
#include "render/views.h"
#include "world/geometry_queries.h"

namespace {

constexpr float PERSPECTIVE_MIN_DISTANCE = 0.1f;

FixedTransform MeshTransform(const ModelObject& o) {
  if (o.builtMesh) return o.builtMesh->world;
  FixedTransform t;
  SetIdentityTransform(t);
  return t;
}

IntVector PointCopy(const ModelPoint& p, bool mirrored) {
  IntVector v{p.x, p.y, p.z};
  if (!mirrored) return v;
  const int spokes = ObjectEditorShared.spokeCount;
  if (spokes == 0) {
    v.x = NegateStored(p.x);
    return v;
  }
  // A spoke's next copy: turned about the x axis by one spoke step.
  const uint32_t angle = uint32_t(65536 / spokes) & 0xFFFF;
  const int32_t c = FixCos(angle), s = FixSin(angle);
  v.y = int32_t(uint32_t(FixMul(p.y, c)) - uint32_t(FixMul(p.z, s)));
  v.z = int32_t(uint32_t(FixMul(p.y, s)) + uint32_t(FixMul(p.z, c)));
  return v;
}

// The world positions of one object's points, worked out once per test.
struct PlacedPoints {
  FixedTransform transform;
  std::vector<IntVector> direct;
  const ModelObject* object = nullptr;

  void Place(const ModelObject& o) {
    object = &o;
    transform = MeshTransform(o);
    direct.resize(o.pointCount);
    for (int i = 0; i < o.pointCount; ++i) TransformPoint(transform, PointCopy(o.points[i], false), direct[size_t(i)]);
  }
  IntVector At(uint16_t reference) const {
    const int index = reference & CORNER_INDEX_MASK;
    if (!(reference & CORNER_MIRRORED)) return direct[size_t(index)];
    IntVector out;
    TransformPoint(transform, PointCopy(object->points[index], true), out);
    return out;
  }
};

}  // namespace

IntVector ObjectPointPosition(const ModelObject& o, uint16_t reference) {
  const int index = reference & CORNER_INDEX_MASK;
  if (index >= o.pointCount) return IntVector{0, 0, 0};
  IntVector out;
  TransformPoint(MeshTransform(o), PointCopy(o.points[index], (reference & CORNER_MIRRORED) != 0), out);
  return out;
}

void PickObjectTriangles(ObjectEditor& editor, const ModelObject& o, int objectIndex, int perspective) {
  SurfacePick& pick = ObjectEditorShared.pick;
  const uint32_t layers = ObjectEditorShared.visibleLayers;
  const int level = editor.shownCount > 0 ? editor.shown[0]->currentLod : 0;
  const int twoSided = editor.twoSidedPicking;
  static PlacedPoints placed;
  placed.Place(o);
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (tri.lod != level || (tri.flags & TRIANGLE_HIDDEN) || !(layers >> (tri.layer & 31) & 1)) continue;
    if ((tri.corners[0] & CORNER_INDEX_MASK) >= o.pointCount || (tri.corners[1] & CORNER_INDEX_MASK) >= o.pointCount ||
        (tri.corners[2] & CORNER_INDEX_MASK) >= o.pointCount)
      continue;
    const int copies = (tri.flags & TRIANGLE_MIRRORED) ? 2 : 1;
    for (int copy = 0; copy < copies; ++copy) {
      IntVector v[3];
      for (int k = 0; k < 3; ++k) {
        // The mirrored copy: each corner's other side, in reversed order.
        const uint16_t corner = copy == 0 ? tri.corners[k] : uint16_t(tri.corners[2 - k] | CORNER_MIRRORED);
        v[k] = placed.At(corner);
      }
      const int32_t P[3] = {v[0].x, v[0].y, v[0].z}, Q[3] = {v[1].x, v[1].y, v[1].z}, R[3] = {v[2].x, v[2].y, v[2].z};
      float distance, normal[3];
      const int hit = twoSided ? RayTriangleIntersectTwoSided(P, Q, R, &distance, normal)
                               : RayTriangleIntersect(pick.rayOrigin, pick.rayDirection, P, Q, R, &distance, normal);
      if (!hit || (perspective && !(distance > PERSPECTIVE_MIN_DISTANCE))) continue;
      if (pick.state == 2 && !(distance < pick.distance)) continue;
      pick.state = 2;
      pick.object = objectIndex;
      pick.triangle = t;
      pick.distance = distance;
      std::memcpy(pick.normal, normal, sizeof normal);
    }
  }
}

void PickSurfaceUnderMouse(ObjectEditor& editor) {
  ObjectEditorState& s = ObjectEditorShared;
  SurfacePick& pick = s.pick;
  int32_t origin[3];
  float direction[3];
  const bool perspective = EditViews.width == 0;
  if (perspective) {
    if (!PickFromMouse(direction)) {
      pick.state = 0;
      return;
    }
    std::memcpy(origin, CurrentView->position, sizeof origin);
  } else {
    float forward[3];
    if (!PickPointOnViewPlane(forward, origin)) {
      pick.state = 0;
      return;
    }
    std::memcpy(direction, forward, sizeof direction);
  }
  if (pick.state != 0 && std::memcmp(origin, pick.rayOrigin, sizeof origin) == 0 &&
      std::memcmp(direction, pick.rayDirection, sizeof direction) == 0)
    return;
  std::memcpy(pick.rayOrigin, origin, sizeof origin);
  std::memcpy(pick.rayDirection, direction, sizeof direction);
  std::memcpy(GlobalPickingRay.origin, origin, sizeof origin);
  std::memcpy(GlobalPickingRay.direction, direction, sizeof direction);
  pick.state = 0;
  if (!s.meshesDrawn || editor.shownCount == 0) return;
  pick.state = 1;
  const ModelObject& main = *editor.shown[0];
  if (s.showMain) PickObjectTriangles(editor, main, -1, perspective);
  for (int i = 0; i < main.childCount && main.children; ++i)
    if (s.showSubobjects || i == s.editedObject) PickObjectTriangles(editor, main.children[i], i, perspective);
  if (pick.state != 2) return;
  for (int i = 0; i < 3; ++i)
    pick.point[i] = int32_t(std::lround(double(origin[i]) + double(pick.distance) * direction[i] * 65536.0));
  const float squared = pick.normal[0] * pick.normal[0] + pick.normal[1] * pick.normal[1] + pick.normal[2] * pick.normal[2];
  if (squared >= 1e-12f) {
    const float k = 1.0f / std::sqrt(squared);
    for (float& n : pick.normal) n *= k;
  }
}
