// object_editor_pick.cpp - the surface under the mouse: the ray through the pointer tested
// against the shown objects' triangles, nearest hit first.
#include <cmath>
#include <cstring>
#include <vector>

#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
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

bool IsIdentity(const FixedTransform& t) {
  static const FixedMatrix identity = [] {
    FixedMatrix m;
    MatrixIdentity(m);
    return m;
  }();
  return t.translation.x == 0 && t.translation.y == 0 && t.translation.z == 0 &&
         std::memcmp(&t.rotation, &identity, sizeof identity) == 0;
}

// A corner's place across the ray: its distances (metres) from two planes that hold the ray.
// A triangle whose three corners lie beyond one of the planes, on the same side, by more than
// CULL_MARGIN_M cannot be met by the ray, and is not tested.
struct Across {
  float u, v;
};
constexpr float CULL_MARGIN_M = 1e-3f;  // far beyond the ray test's rounding at model sizes

struct RayPlanes {
  double origin[3];  // 16.16
  double a[3], b[3];  // unit, square to the ray and to each other, per 16.16 unit
  void Set(const int32_t o[3], const float d[3]) {
    double dir[3] = {d[0], d[1], d[2]};
    // Any direction not along the ray gives the first plane.
    const double helper[3] = {std::fabs(dir[0]) < 0.6 ? 1.0 : 0.0, std::fabs(dir[0]) < 0.6 ? 0.0 : 1.0, 0.0};
    double x[3] = {dir[1] * helper[2] - dir[2] * helper[1], dir[2] * helper[0] - dir[0] * helper[2],
                   dir[0] * helper[1] - dir[1] * helper[0]};
    const double lx = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    double y[3] = {dir[1] * x[2] - dir[2] * x[1], dir[2] * x[0] - dir[0] * x[2], dir[0] * x[1] - dir[1] * x[0]};
    const double ly = std::sqrt(y[0] * y[0] + y[1] * y[1] + y[2] * y[2]);
    for (int i = 0; i < 3; ++i) {
      origin[i] = o[i];
      a[i] = lx > 0 ? x[i] / lx / 65536.0 : 0.0;
      b[i] = ly > 0 ? y[i] / ly / 65536.0 : 0.0;
    }
  }
  Across Of(const int32_t p[3]) const {
    const double d[3] = {p[0] - origin[0], p[1] - origin[1], p[2] - origin[2]};
    return Across{float(d[0] * a[0] + d[1] * a[1] + d[2] * a[2]), float(d[0] * b[0] + d[1] * b[1] + d[2] * b[2])};
  }
};

bool Missed(const Across& p, const Across& q, const Across& r) {
  const float m = CULL_MARGIN_M;
  return (p.u > m && q.u > m && r.u > m) || (p.u < -m && q.u < -m && r.u < -m) || (p.v > m && q.v > m && r.v > m) ||
         (p.v < -m && q.v < -m && r.v < -m);
}

// The world positions of one object's points, worked out once per test (each three 16.16
// words in a row, so that a corner is handed to the ray test in place), and where each lies
// across the ray.
struct PlacedPoints {
  FixedTransform transform;
  bool identity = true;
  std::vector<IntVector> direct;
  std::vector<Across> across;
  const ModelObject* object = nullptr;
  IntVector mirrored;  // the last mirrored copy asked for

  // Without a transform the points are used where they are.
  void Place(const ModelObject& o, const RayPlanes& planes) {
    object = &o;
    transform = MeshTransform(o);
    identity = IsIdentity(transform);
    if (!identity) {
      direct.resize(o.pointCount);
      for (int i = 0; i < o.pointCount; ++i) {
        const ModelPoint& p = o.points[i];
        TransformPoint(transform, IntVector{p.x, p.y, p.z}, direct[size_t(i)]);
      }
    }
    across.resize(o.pointCount);
    for (int i = 0; i < o.pointCount; ++i) across[size_t(i)] = planes.Of(Plain(uint32_t(i)));
  }
  const int32_t* Plain(uint32_t index) const { return identity ? &object->points[index].x : &direct[index].x; }
  const int32_t* At(uint16_t reference) {
    const int index = reference & CORNER_INDEX_MASK;
    if (!(reference & CORNER_MIRRORED)) return Plain(uint32_t(index));
    TransformPoint(transform, PointCopy(object->points[index], true), mirrored);
    return &mirrored.x;
  }
};

// A hit of the ray: it replaces the pick's when strictly nearer (and, in perspective, beyond
// the near limit), with the face's normal (Q - P) x (R - P) as the ray test gives it.
void TakeHit(SurfacePick& pick, const int32_t* P, const int32_t* Q, const int32_t* R, float distance, int triangle,
             int objectIndex, int perspective) {
  if (perspective && !(distance > PERSPECTIVE_MIN_DISTANCE)) return;
  if (pick.state == 2 && !(distance < pick.distance)) return;
  pick.state = 2;
  pick.object = objectIndex;
  pick.triangle = triangle;
  pick.distance = distance;
  float e1[3], e2[3];
  for (int i = 0; i < 3; ++i) {
    e1[i] = float(int64_t(Q[i]) - P[i]) / 65536.0f;
    e2[i] = float(int64_t(R[i]) - P[i]) / 65536.0f;
  }
  pick.normal[0] = e1[1] * e2[2] - e1[2] * e2[1];
  pick.normal[1] = e1[2] * e2[0] - e1[0] * e2[2];
  pick.normal[2] = e1[0] * e2[1] - e1[1] * e2[0];
}

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
  const int32_t* origin = twoSided ? GlobalPickingRay.origin : pick.rayOrigin;
  const float* direction = twoSided ? GlobalPickingRay.direction : pick.rayDirection;
  RayPlanes planes;
  planes.Set(origin, direction);
  static PlacedPoints placed;
  placed.Place(o, planes);
  const Across* across = placed.across.data();
  const uint32_t points = o.pointCount;
  // Tests one face; a hit strictly nearer than the pick's replaces it.
  auto test = [&](const int32_t* P, const int32_t* Q, const int32_t* R, int t) {
    float distance;
    if (twoSided ? RayTriangleIntersectTwoSided(P, Q, R, &distance, nullptr)
                 : RayTriangleIntersect(origin, direction, P, Q, R, &distance, nullptr))
      TakeHit(pick, P, Q, R, distance, t, objectIndex, perspective);
  };
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (tri.lod != level || (tri.flags & TRIANGLE_HIDDEN) || !(layers >> (tri.layer & 31) & 1)) continue;
    const uint32_t a = tri.corners[0], b = tri.corners[1], c = tri.corners[2];
    if ((a & CORNER_INDEX_MASK) >= points || (b & CORNER_INDEX_MASK) >= points || (c & CORNER_INDEX_MASK) >= points)
      continue;
    if (!((a | b | c) & CORNER_MIRRORED)) {
      if (!Missed(across[a], across[b], across[c])) test(placed.Plain(a), placed.Plain(b), placed.Plain(c), t);
    } else {
      int32_t v[3][3];
      for (int k = 0; k < 3; ++k) std::memcpy(v[k], placed.At(tri.corners[k]), sizeof v[k]);
      test(v[0], v[1], v[2], t);
    }
    if (!(tri.flags & TRIANGLE_MIRRORED)) continue;
    // The mirrored copy: each corner's other side, in reversed order.
    int32_t v[3][3];
    for (int k = 0; k < 3; ++k) std::memcpy(v[k], placed.At(uint16_t(tri.corners[2 - k] | CORNER_MIRRORED)), sizeof v[k]);
    test(v[0], v[1], v[2], t);
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
