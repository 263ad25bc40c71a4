// selection_drags.cpp - the drags of the selection: the Ctrl drag that selects triangles, the
// rotate and scale drags of the selected points, the handle drags, and the geometry of moving
// points in the view plane.
#include "modeller/operations/drag_handles.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/point_tools.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "render/draw_mesh.h"
#include "render/views.h"
#include "ui/interface.h"
#include "ui/value_edit.h"

namespace {

int32_t RoundFixed(double v) { return int32_t(std::clamp(std::lround(v), long(INT32_MIN), long(INT32_MAX))); }

}  // namespace

void LocalViewAxes(const ModelObject* o, double axes[3][3]) {
  FixedMatrix rotation;
  if (o && o->builtMesh)
    rotation = o->builtMesh->world.rotation;
  else
    MatrixIdentity(rotation);
  for (int row = 0; row < 2; ++row)
    for (int i = 0; i < 3; ++i) {
      double sum = 0;  // the transposed rotation times the world axis
      for (int k = 0; k < 3; ++k) sum += rotation.m[k * 3 + i] / 65536.0 * ViewBasis[row][k];
      axes[row][i] = sum;
    }
  const double* r = axes[0];
  const double* u = axes[1];
  axes[2][0] = r[1] * u[2] - r[2] * u[1];
  axes[2][1] = r[2] * u[0] - r[0] * u[2];
  axes[2][2] = r[0] * u[1] - r[1] * u[0];
}

namespace {

void KeepCentral(ModelPoint& p) {
  if (p.flags & POINT_CENTRAL) p.x = 0;
}

// Each mapping is marked for the triangles that use it: 1 when all three corners are
// selected, 2 otherwise; those marked only 1 move with the points.
void MarkMovedMappings(ModelObject& o) {
  std::vector<uint8_t> marks(size_t(std::max(o.mappingCount, 0)));
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (tri.mapping >= o.mappingCount) continue;
    bool all = true;
    for (uint16_t c : tri.corners) {
      const int p = c & CORNER_INDEX_MASK;
      all = all && p < o.pointCount && (o.points[p].flags & POINT_SELECTED);
    }
    marks[tri.mapping] |= all ? 1 : 2;
  }
  for (int m = 0; m < o.mappingCount; ++m) o.mappings[m].work[MAPPING_REFRESH] = marks[size_t(m)] == 1;
}

// The movement of the pointer since the last step along an axis's screen direction, in 16.16.
int32_t AlongAxis(const HandleDragState& h, int axis, int dx, int dy) {
  const float ax = h.screenAxes[axis][0], ay = h.screenAxes[axis][1];
  const float length2 = ax * ax + ay * ay;
  if (!(length2 > 0.0f)) return 0;
  return RoundFixed((double(dx) * ax + double(dy) * ay) / length2 * h.scale);
}

// The pointer's ray against the free drag's plane; 0 when it misses.
int RayOnDragPlane(const HandleDragState& h, double hit[3]) {
  float direction[3];
  if (!PickFromMouse(direction)) return 0;
  const int32_t* eye = CurrentView->position;
  const double n[3] = {h.planeNormal[0], h.planeNormal[1], h.planeNormal[2]};
  const double denominator = n[0] * direction[0] + n[1] * direction[1] + n[2] * direction[2];
  if (std::fabs(denominator) < 1e-6) return 0;
  const double t = (n[0] * (double(h.grabPoint[0]) - eye[0]) + n[1] * (double(h.grabPoint[1]) - eye[1]) +
                    n[2] * (double(h.grabPoint[2]) - eye[2])) / denominator;
  if (!(t > 0.0)) return 0;
  for (int i = 0; i < 3; ++i) hit[i] = eye[i] + t * direction[i];
  return 1;
}

bool SingleAxis(int mask) { return mask == 1 || mask == 2 || mask == 4; }

void EndHandleDrag(ModellerScreen& s) {
  s.handle.axis = -1;
  s.handle.kind = HANDLE_NONE;
}

}  // namespace

// ---- [Drags] ----

void TriangleDragSelect(ModellerScreen& s, const MouseRecord& m) {
  if (!(m.leftHeld && !m.rightHeld && CtrlHeld)) {
    s.dragSelect = DRAG_SELECT_NONE;
    return;
  }
  const SurfacePick& pick = ObjectEditorShared.pick;
  ModelObject& o = *EditedObject;
  if (pick.state != 2 || GetPickedObject(s) != &o || pick.triangle < 0 || pick.triangle >= o.triangleCount) return;
  const bool selected = (o.triangles[pick.triangle].flags & TRIANGLE_SELECTED) != 0;
  if (s.dragSelect == DRAG_SELECT_SELECT && !selected) SelectTriangle(s, pick.triangle);
  if (s.dragSelect == DRAG_SELECT_DESELECT && selected) DeselectTriangle(s, pick.triangle);
}

void StartPointTransformDrag(ModellerScreen& s, int flags, int kind) {
  CountSelectedPoints(s, 1);
  ModelObject& o = *EditedObject;
  if (s.state.selectedPointCount == 0 || kind < TRANSFORM_ROTATE || kind > TRANSFORM_SCALE_VERTICAL) return;
  if (flags & CLICK_RIGHT) {  // the typed transform of the point tools
    AskPointTransform(s, kind);
    return;
  }
  const int current = s.state.currentPoint;
  if (current < 0 || current >= o.pointCount) return;
  float x = 0, y = 0;
  int32_t depth;
  const IntVector centre = ObjectPointPosition(o, uint16_t(current));
  const int32_t world[3] = {centre.x, centre.y, centre.z};
  ProjectPointToScreen(world, &x, &y, &depth);
  std::free(s.transform.positions);
  s.transform = PointTransformState{};
  s.transform.kind = kind;
  s.transform.centre[0] = x, s.transform.centre[1] = y;
  s.transform.start[0] = float(MouseX), s.transform.start[1] = float(MouseY);
  s.transform.positions = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * 3 * size_t(s.state.selectedPointCount)));
  for (int p = 0; p < o.pointCount && s.transform.positions; ++p) {
    const ModelPoint& point = o.points[p];
    if (!(point.flags & POINT_SELECTED)) continue;
    int32_t* at = &s.transform.positions[3 * s.transform.positionCount++];
    at[0] = point.x, at[1] = point.y, at[2] = point.z;
  }
  if (AddUndoPoint) AddUndoPoint(kind == TRANSFORM_ROTATE ? "rotate points" : "scale points", 0, 0, 0);
}

void EndPointTransformDrag(ModellerScreen& s) {
  std::free(s.transform.positions);
  s.transform = PointTransformState{};
  s.handle.kind = HANDLE_NONE;
}

void PointTransformDrag(ModellerScreen& s) {
  PointTransformState& d = s.transform;
  ModelObject& o = *EditedObject;
  const int current = s.state.currentPoint;
  if (!d.positions || current < 0 || current >= o.pointCount) return;
  const double sx = double(d.start[0]) - d.centre[0], sy = double(d.start[1]) - d.centre[1];
  const double mx = double(MouseX) - d.centre[0], my = double(MouseY) - d.centre[1];
  double axes[3][3];
  LocalViewAxes(&o, axes);
  double factor = 1.0, c = 1.0, sn = 0.0;
  switch (d.kind) {
    case TRANSFORM_ROTATE: {
      // The pointer's turn about the centre as seen (y grows downwards), about the axis
      // towards the viewer: the points follow it.
      const double angle = std::atan2(sy, sx) - std::atan2(my, mx);
      c = std::cos(angle), sn = std::sin(angle);
      break;
    }
    case TRANSFORM_SCALE_2D: {
      const double start = std::hypot(sx, sy);
      if (start == 0.0) return;
      factor = std::hypot(mx, my) / start;
      break;
    }
    case TRANSFORM_SCALE_HORIZONTAL:
      if (sx == 0.0) return;
      factor = mx / sx;
      break;
    case TRANSFORM_SCALE_VERTICAL:
      if (sy == 0.0) return;
      factor = my / sy;
      break;
    default: return;
  }
  if (!std::isfinite(factor) || std::fabs(factor) > TRANSFORM_FACTOR_LIMIT) return;  // the step is ignored
  const ModelPoint& centrePoint = o.points[current];
  const int32_t centre[3] = {centrePoint.x, centrePoint.y, centrePoint.z};
  // Worked out whole first: a step that would take a point out of the 16.16 range is ignored.
  static std::vector<int64_t> moved;
  moved.assign(size_t(d.positionCount) * 3, 0);
  int k = 0;
  for (int p = 0; p < o.pointCount && k < d.positionCount; ++p) {
    if (!(o.points[p].flags & POINT_SELECTED)) continue;
    const int32_t* start = &d.positions[3 * k];
    int64_t* out = &moved[size_t(3 * k++)];
    if (p == current) continue;
    if (d.kind == TRANSFORM_ROTATE) {
      const double v[3] = {double(start[0]) - centre[0], double(start[1]) - centre[1], double(start[2]) - centre[2]};
      double a = 0, b = 0, n = 0;
      for (int i = 0; i < 3; ++i) a += v[i] * axes[0][i], b += v[i] * axes[1][i], n += v[i] * axes[2][i];
      const double ra = a * c - b * sn, rb = a * sn + b * c;
      for (int i = 0; i < 3; ++i) out[i] = RoundNearest(centre[i] + ra * axes[0][i] + rb * axes[1][i] + n * axes[2][i]);
    } else {
      const double fh = d.kind == TRANSFORM_SCALE_VERTICAL ? 1.0 : factor;
      const double fv = d.kind == TRANSFORM_SCALE_HORIZONTAL ? 1.0 : factor;
      ScalePointInViewPlane(centre, start, out, fh, fv);
    }
    for (int i = 0; i < 3; ++i)
      if (!FitsFixed(out[i])) return;
  }
  k = 0;
  for (int p = 0; p < o.pointCount && k < d.positionCount; ++p) {
    ModelPoint& point = o.points[p];
    if (!(point.flags & POINT_SELECTED)) continue;
    const int64_t* out = &moved[size_t(3 * k++)];
    if (p == current) continue;
    point.x = int32_t(out[0]), point.y = int32_t(out[1]), point.z = int32_t(out[2]);
    KeepCentral(point);
  }
  RefreshEditedMesh(&s.prss);
}

void HandleDrag(ModellerScreen& s, const MouseRecord& m) {
  HandleDragState& h = s.handle;
  if (!m.leftHeld) {
    EndHandleDrag(s);
    s.rect.active = 0;
    return;
  }
  if (m.rightHeld) {
    const int kind = h.kind;
    EndHandleDrag(s);
    if (kind == HANDLE_MOVE_POINTS || kind == HANDLE_MOVE_SUBOBJECT) Undo(0);
    return;
  }
  const int dx = MouseX - h.lastMouse[0], dy = MouseY - h.lastMouse[1];
  if (h.kind == HANDLE_BOX_CORNER) {
    if (h.corner < 0 || h.corner > 1 || h.axis < 0 || h.axis > 2) return;
    const int32_t delta = AlongAxis(h, h.axis, dx, dy);
    if (delta == 0) return;
    h.lastMouse[0] = MouseX, h.lastMouse[1] = MouseY;
    int32_t* corners[2] = {ModelBox.corners[0], ModelBox.corners[1]};
    const int64_t moved = int64_t(corners[h.corner][h.axis]) + delta;
    corners[h.corner][h.axis] = h.corner == 0 ? int32_t(std::min<int64_t>(moved, corners[1][h.axis]))
                                              : int32_t(std::max<int64_t>(moved, corners[0][h.axis]));
    return;
  }
  if (h.kind != HANDLE_MOVE_POINTS && h.kind != HANDLE_MOVE_SUBOBJECT) return;
  int32_t move[3] = {0, 0, 0};
  if (EditViews.width == 0 && !SingleAxis(h.axis)) {  // in perspective
    double hit[3];
    if (!RayOnDragPlane(h, hit)) return;
    for (int i = 0; i < 3; ++i) {
      const int32_t to = RoundFixed(hit[i]);
      if (h.axis >> i & 1) move[i] = int32_t(uint32_t(to) - uint32_t(h.grabPoint[i]));
      h.grabPoint[i] = to;
    }
  } else {
    for (int i = 0; i < 3; ++i)
      if (h.axis >> i & 1) move[i] = AlongAxis(h, i, dx, dy);
    h.lastMouse[0] = MouseX, h.lastMouse[1] = MouseY;
  }
  if (move[0] == 0 && move[1] == 0 && move[2] == 0) return;
  if (h.kind == HANDLE_MOVE_SUBOBJECT) {
    for (int i = 0; i < 3; ++i) EditedObject->offset[i] = int32_t(uint32_t(EditedObject->offset[i]) + uint32_t(move[i]));
  } else {
    MoveSelectedPoints(s, IntVector{move[0], move[1], move[2]});
  }
  RefreshEditedMesh(&s.prss);
}

void MoveSelectedPoints(ModellerScreen&, const IntVector& by) {
  ModelObject& o = *EditedObject;
  for (int p = 0; p < o.pointCount; ++p) {
    ModelPoint& point = o.points[p];
    if (!(point.flags & POINT_SELECTED)) continue;
    point.x = int32_t(uint32_t(point.x) + uint32_t(by.x));
    point.y = int32_t(uint32_t(point.y) + uint32_t(by.y));
    point.z = int32_t(uint32_t(point.z) + uint32_t(by.z));
    KeepCentral(point);
  }
  MarkMovedMappings(o);
  o.ShiftMappings(by);
}

// ---- [Geometry in the view plane] ----

void ScalePointInViewPlane(const int32_t centre[3], const int32_t point[3], int64_t out[3], double fh, double fv) {
  double axes[3][3];
  LocalViewAxes(EditedObject, axes);
  double a = 0, b = 0;
  for (int i = 0; i < 3; ++i) {
    const double d = double(point[i]) - centre[i];
    a += d * axes[0][i];
    b += d * axes[1][i];
  }
  const double along = double(RoundNearest(a * (fh - 1.0))), up = double(RoundNearest(b * (fv - 1.0)));
  for (int i = 0; i < 3; ++i) out[i] = RoundNearest(point[i] + axes[0][i] * along + axes[1][i] * up);
}

void SetPointViewDistance(const int32_t centre[3], const int32_t point[3], double r, int64_t out[3]) {
  double axes[3][3];
  LocalViewAxes(EditedObject, axes);
  double a = 0, b = 0;
  for (int i = 0; i < 3; ++i) {
    out[i] = point[i];
    const double d = (double(point[i]) - centre[i]) / 65536.0;
    a += d * axes[0][i];
    b += d * axes[1][i];
  }
  const double length = std::hypot(a, b);
  if (length < 0.001) return;
  const double k = r / length;
  const double along = double(RoundNearest((k * a - a) * 65536.0)), up = double(RoundNearest((k * b - b) * 65536.0));
  for (int i = 0; i < 3; ++i) out[i] = RoundNearest(point[i] + axes[0][i] * along + axes[1][i] * up);
}

void SetPointDistance(const int32_t centre[3], const int32_t point[3], double r, int64_t out[3]) {
  double d[3];
  for (int i = 0; i < 3; ++i) {
    out[i] = point[i];
    d[i] = (double(point[i]) - centre[i]) / 65536.0;
  }
  const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (length == 0.0) return;
  for (int i = 0; i < 3; ++i) out[i] = RoundNearest(centre[i] + d[i] * (r / length) * 65536.0);
}
