// modeller_selection.cpp - the selection of points and triangles: counters, the trace,
// clicks on points, select all, the axis views' drag box and the passes of the selection
// rectangle.  The clicks on triangles are in build_mode.cpp, the drags in
// selection_drags.cpp.
#include "modeller/state/modeller_selection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/editor/object_editor.h"
#include "render/draw_mesh.h"
#include "render/views.h"
#include "text/messages.h"

namespace {

ModelObject& Edited() { return *EditedObject; }

bool PointSelected(const ModelObject& o, int p) { return (o.points[p].flags & POINT_SELECTED) != 0; }
bool TriangleSelected(const ModelObject& o, int t) { return (o.triangles[t].flags & TRIANGLE_SELECTED) != 0; }

bool CornersInRange(const ModelObject& o, const ModelTriangle& t) {
  for (uint16_t c : t.corners)
    if ((c & CORNER_INDEX_MASK) >= o.pointCount) return false;
  return true;
}

// Shown in the current level: not hidden, on a visible layer.
bool TriangleShown(const ModelObject& o, const ModelTriangle& t, int level) {
  return t.lod == level && !(t.flags & TRIANGLE_HIDDEN) && (ObjectEditorShared.visibleLayers >> (t.layer & 31) & 1);
}

int CurrentLevel(const ModellerScreen& s) { return s.mainObject ? s.mainObject->currentLod : 0; }

double DistanceSquaredM(const ModelPoint& a, const ModelPoint& b) {
  const double dx = (double(a.x) - b.x) / 65536.0, dy = (double(a.y) - b.y) / 65536.0, dz = (double(a.z) - b.z) / 65536.0;
  return dx * dx + dy * dy + dz * dz;
}

// The selected point nearest to the given one becomes green (none: -1).
void NearestSelectedBecomesCurrent(ModellerScreen& s, int from) {
  const ModelObject& o = Edited();
  int best = -1;
  double bestDistance = 0;
  for (int p = 0; p < o.pointCount; ++p) {
    if (!PointSelected(o, p)) continue;
    const double d = from >= 0 && from < o.pointCount ? DistanceSquaredM(o.points[p], o.points[from]) : 0;
    if (best < 0 || d < bestDistance) best = p, bestDistance = d;
  }
  s.state.currentPoint = best;
}

}  // namespace

FixedTransform MeshTransformOf(const ModelObject& o) {
  if (o.builtMesh) return o.builtMesh->world;
  FixedTransform t;
  SetIdentityTransform(t);
  return t;
}

namespace {

// A point of the rectangle's pass.  The copy is selected through its point.
bool MarkerInRect(const ScreenRect& rect, const float p[2]) {
  return p[0] >= rect.minimum[0] && p[0] <= rect.maximum[0] && p[1] >= rect.minimum[1] && p[1] <= rect.maximum[1];
}


// The rectangle of the drag box's two world corners as the screen shows them.
bool RectFromDragBox(const DragBox& box, ScreenRect& rect) {
  float a[2], b[2];
  int32_t view[3];
  WorldToView(box.worldCorners[0], view);
  if (!ProjectToScreen(view, a)) return false;
  WorldToView(box.worldCorners[1], view);
  if (!ProjectToScreen(view, b)) return false;
  rect = ScreenRect{};
  for (int i = 0; i < 2; ++i) {
    rect.minimum[i] = std::min(a[i], b[i]);
    rect.maximum[i] = std::max(a[i], b[i]);
  }
  return true;
}

}  // namespace

int FacesViewer(const IntVector& a, const IntVector& b, const IntVector& c) {
  const double e1[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
  const double e2[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
  const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
  double towards[3];
  if (ViewOrthoDepth != 0) {
    for (int i = 0; i < 3; ++i) towards[i] = ViewBasis[2][i];
  } else {
    const int32_t* eye = CurrentView->position;
    towards[0] = double(a.x) - eye[0], towards[1] = double(a.y) - eye[1], towards[2] = double(a.z) - eye[2];
  }
  return n[0] * towards[0] + n[1] * towards[1] + n[2] * towards[2] < 0.0;
}

// ---- [Counters and clearing] ----

void DeselectAllPoints(ModellerScreen& s) {
  ModelObject& o = Edited();
  s.state.currentPoint = -1;
  s.state.traceCount = 0;
  s.state.selectedPointCount = 0;
  for (int p = 0; p < o.pointCount; ++p) o.points[p].flags &= uint8_t(~POINT_SELECTED);
}

void DeselectAllTriangles(ModellerScreen& s) {
  ModelObject& o = Edited();
  s.state.selectedTriangleCount = 0;
  for (int t = 0; t < o.triangleCount; ++t) o.triangles[t].flags &= uint8_t(~TRIANGLE_SELECTED);
  s.state.currentTriangle = o.triangleCount;
}

void DeselectAll(ModellerScreen& s) {
  SelectedPage = SelectedCutout = SelectedMapping = -1;
  s.dragSelect = DRAG_SELECT_NONE;
  if (s.state.mode != ModeBuild) {
    s.state.currentGroup = 0;
    s.state.currentLayer = 0;
    DeselectAllPoints(s);
  }
  DeselectAllTriangles(s);
}

void CountSelectedPoints(ModellerScreen& s, int report) {
  const ModelObject& o = Edited();
  int count = 0;
  for (int p = 0; p < o.pointCount; ++p) count += PointSelected(o, p);
  if (report && count != s.state.selectedPointCount) {
    char line[96];
    std::snprintf(line, sizeof line, TEXT_FIXED_POINTS, s.state.selectedPointCount, count);
    ShowDebugMessage(line, TextColours.error);
  }
  s.state.selectedPointCount = count;
}

void CountSelectedTriangles(ModellerScreen& s, int report) {
  const ModelObject& o = Edited();
  int count = 0;
  for (int t = 0; t < o.triangleCount; ++t) count += TriangleSelected(o, t);
  if (report && count != s.state.selectedTriangleCount) {
    char line[96];
    std::snprintf(line, sizeof line, TEXT_FIXED_TRIANGLES, s.state.selectedTriangleCount, count);
    ShowDebugMessage(line, TextColours.error);
  }
  s.state.selectedTriangleCount = count;
}

// ---- [Points and trace] ----

void AddToTrace(ModellerScreen& s, int point) {
  if (s.state.traceCount >= MAX_TRACE_POINTS || point < 0 || point >= Edited().pointCount) return;
  s.state.trace[s.state.traceCount++] = uint16_t(point);
}

void RemoveFromTrace(ModellerScreen& s, int point) {
  const int points = Edited().pointCount;
  int kept = 0;
  for (int i = 0; i < s.state.traceCount; ++i) {
    const int entry = s.state.trace[i];
    if (entry != point && entry < points) s.state.trace[kept++] = uint16_t(entry);
  }
  s.state.traceCount = kept;
}

void SelectPoint(ModellerScreen& s, int point) {
  ModelObject& o = Edited();
  if (point < 0 || point >= o.pointCount) return;
  if (!PointSelected(o, point)) ++s.state.selectedPointCount;
  o.points[point].flags |= POINT_SELECTED;
  AddToTrace(s, point);
  s.state.currentPoint = point;
}

void DeselectPoint(ModellerScreen& s, int point) {
  ModelObject& o = Edited();
  if (point < 0 || point >= o.pointCount || !PointSelected(o, point)) return;
  o.points[point].flags &= uint8_t(~POINT_SELECTED);
  --s.state.selectedPointCount;
  RemoveFromTrace(s, point);
  if (s.state.currentPoint == point) NearestSelectedBecomesCurrent(s, point);
}

void PointMarkerClick(void* owner, int clickCode, uintptr_t word) {
  ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner));
  if (!s || !EditedObject) return;
  const int point = int(word);
  if (point >= Edited().pointCount) return;
  const bool selected = PointSelected(Edited(), point);
  if (clickCode == CLICK_MAKE_CURRENT) {
    if (selected) s->state.currentPoint = point;
    return;
  }
  if (clickCode & CLICK_CTRL) {
    if (selected)
      DeselectPoint(*s, point);
    else
      SelectPoint(*s, point);
    return;
  }
  DeselectAllPoints(*s);
  SelectPoint(*s, point);
}

// ---- [Triangles] ----

void TakeTriangleAttributes(ModellerScreen& s, int triangle) {
  const ModelTriangle& t = Edited().triangles[triangle];
  s.state.currentGroup = t.group;
  s.state.currentLayer = t.layer;
  s.state.currentMapping = t.mapping;
  s.state.normalLevel = t.normalLevel;
  s.state.sideSwap = (t.flags & TRIANGLE_SIDE_SWAP) ? 1 : 0;
  s.state.currentTriangle = triangle;
}

void SelectTriangle(ModellerScreen& s, int triangle) {
  ModelObject& o = Edited();
  if (triangle < 0 || triangle >= o.triangleCount) return;
  o.triangles[triangle].flags |= TRIANGLE_SELECTED;
  ++s.state.selectedTriangleCount;
  TakeTriangleAttributes(s, triangle);
}

void DeselectTriangle(ModellerScreen& s, int triangle) {
  ModelObject& o = Edited();
  if (triangle < 0 || triangle >= o.triangleCount || !TriangleSelected(o, triangle)) return;
  o.triangles[triangle].flags &= uint8_t(~TRIANGLE_SELECTED);
  --s.state.selectedTriangleCount;
  if (s.state.currentTriangle == triangle) FindCurrentTriangle(s);
}

void FindCurrentTriangle(ModellerScreen& s) {
  const ModelObject& o = Edited();
  for (int t = 0; t < o.triangleCount; ++t)
    if (TriangleSelected(o, t)) {
      TakeTriangleAttributes(s, t);
      return;
    }
  s.state.currentTriangle = o.triangleCount;
}

// ---- [Whole selections] ----

void SelectAll(ModellerScreen& s, int toggle) {
  ModelObject& o = Edited();
  if (s.state.mode == ModeTriangle) {
    const int level = CurrentLevel(s), previous = s.state.currentTriangle;
    s.state.selectedTriangleCount = 0;
    for (int t = 0; t < o.triangleCount; ++t) {
      ModelTriangle& tri = o.triangles[t];
      const bool was = (tri.flags & TRIANGLE_SELECTED) != 0;
      tri.flags &= uint8_t(~TRIANGLE_SELECTED);
      if (!TriangleShown(o, tri, level) || (toggle && was)) continue;
      SelectTriangle(s, t);
    }
    if (previous >= 0 && previous < o.triangleCount && TriangleSelected(o, previous)) TakeTriangleAttributes(s, previous);
    if (s.state.selectedTriangleCount == 0) s.state.currentTriangle = o.triangleCount;
    return;
  }
  if (s.state.mode != ModePoint) return;
  const int previous = s.state.currentPoint;
  o.MarkPointsByLayerMask(ObjectEditorShared.visibleLayers, 0);
  std::vector<uint8_t> chosen(size_t(o.pointCount));
  for (int p = 0; p < o.pointCount; ++p) {
    const ModelPoint& point = o.points[p];
    const bool shown = !(point.flags & POINT_HIDDEN) && point.work != 0;
    chosen[size_t(p)] = shown && !(toggle && (point.flags & POINT_SELECTED));
  }
  DeselectAllPoints(s);
  for (int p = 0; p < o.pointCount; ++p)
    if (chosen[size_t(p)]) SelectPoint(s, p);
  if (previous >= 0 && previous < o.pointCount && PointSelected(o, previous)) s.state.currentPoint = previous;
}

void ModellerBoxSelect(void* owner) {
  ModellerScreen* s = static_cast<ModellerScreen*>(owner);
  if (!s || s != ActiveModeller || !EditedObject) return;
  const int mode = s->state.mode;
  if (mode != ModeTriangle && mode != ModePoint) return;
  ScreenRect rect;
  if (!RectFromDragBox(EditViews.dragBox, rect)) return;
  const bool remove = ShiftHeld && !CtrlHeld;
  if (!CtrlHeld && !ShiftHeld) {
    if (mode == ModeTriangle)
      DeselectAllTriangles(*s);
    else
      DeselectAllPoints(*s);
  }
  if (mode == ModeTriangle)
    ApplyRectangleToTriangles(*s, rect, !remove);
  else
    ApplyRectangleToPoints(*s, rect, !remove);
}

// ---- [Rectangle passes] ----

int HasMirroredCopy(const ModelObject& o, int p) {
  const ModelPoint& point = o.points[p];
  if (ObjectEditorShared.spokeCount > 1) return point.y != 0 || point.z != 0;
  return (point.flags & POINT_MIRRORED) != 0;
}

void PlaceEditedPoints(const ModelObject& o, std::vector<PlacedPoint>& out) {
  out.resize(size_t(o.pointCount));
  const FixedTransform transform = MeshTransformOf(o);
  for (int p = 0; p < o.pointCount; ++p) {
    PlacedPoint& placed = out[size_t(p)];
    const ModelPoint& point = o.points[p];
    TransformPoint(transform, IntVector{point.x, point.y, point.z}, placed.world[0]);
    const bool copy = HasMirroredCopy(o, p) != 0;
    if (copy) placed.world[1] = ObjectPointPosition(o, uint16_t(p | CORNER_MIRRORED));
    for (int i = 0; i < 2; ++i) {
      placed.projected[i] = 0;
      if (i == 1 && !copy) continue;
      int32_t view[3];
      const int32_t world[3] = {placed.world[i].x, placed.world[i].y, placed.world[i].z};
      WorldToView(world, view);
      placed.projected[i] = uint8_t(ProjectToScreen(view, placed.screen[i]));
    }
  }
}

void ApplyRectangleToPoints(ModellerScreen& s, const ScreenRect& rect, int select) {
  ModelObject& o = Edited();
  static std::vector<PlacedPoint> placed;
  PlaceEditedPoints(o, placed);
  o.MarkPointsByLayerMask(ObjectEditorShared.visibleLayers, 0);
  const int current = s.state.currentPoint;
  for (int p = 0; p < o.pointCount; ++p) {
    const ModelPoint& point = o.points[p];
    const bool selected = (point.flags & POINT_SELECTED) != 0;
    if (!selected && ((point.flags & POINT_HIDDEN) || point.work == 0)) continue;
    const PlacedPoint& at = placed[size_t(p)];
    const bool inside = (at.projected[0] && MarkerInRect(rect, at.screen[0])) ||
                        (at.projected[1] && MarkerInRect(rect, at.screen[1]));
    if (!inside) continue;
    if (select && !selected) {
      SelectPoint(s, p);
    } else if (!select && selected) {
      o.points[p].flags &= uint8_t(~POINT_SELECTED);
      RemoveFromTrace(s, p);
    }
  }
  if (!select && current >= 0 && current < o.pointCount && !PointSelected(o, current))
    NearestSelectedBecomesCurrent(s, current);
  CountSelectedPoints(s, 0);
}

void ApplyRectangleToTriangles(ModellerScreen& s, const ScreenRect& rect, int select) {
  ModelObject& o = Edited();
  static std::vector<PlacedPoint> placed;
  PlaceEditedPoints(o, placed);
  const int level = CurrentLevel(s);
  bool lostCurrent = false;
  for (int t = 0; t < o.triangleCount; ++t) {
    ModelTriangle& tri = o.triangles[t];
    const bool selected = (tri.flags & TRIANGLE_SELECTED) != 0;
    if ((select != 0) == selected || !CornersInRange(o, tri)) continue;
    if (!selected && !TriangleShown(o, tri, level)) continue;
    // The triangle, and its mirrored copy (corners reflected, in reversed order).
    bool hit = false;
    for (int copy = 0; copy < ((tri.flags & TRIANGLE_MIRRORED) ? 2 : 1) && !hit; ++copy) {
      float corners[3][2];
      IntVector world[3];
      bool projected = true;
      for (int k = 0; k < 3 && projected; ++k) {
        const uint16_t reference = copy ? uint16_t(tri.corners[2 - k] ^ CORNER_MIRRORED) : tri.corners[k];
        const int index = reference & CORNER_INDEX_MASK, side = (reference & CORNER_MIRRORED) ? 1 : 0;
        const PlacedPoint& at = placed[size_t(index)];
        if (side && !at.projected[1] && HasMirroredCopy(o, index) == 0) {
          // A reference to the copy of a point without one: its reflection.
          world[k] = ObjectPointPosition(o, reference);
          int32_t view[3];
          const int32_t w[3] = {world[k].x, world[k].y, world[k].z};
          WorldToView(w, view);
          projected = ProjectToScreen(view, corners[k]) != 0;
          continue;
        }
        if (!at.projected[side]) projected = false;
        world[k] = at.world[side];
        corners[k][0] = at.screen[side][0];
        corners[k][1] = at.screen[side][1];
      }
      if (!projected) continue;
      if (!selected && s.facingOnly && !FacesViewer(world[0], world[1], world[2])) continue;
      if (s.triangleButtons) {
        const float centre[2] = {(corners[0][0] + corners[1][0] + corners[2][0]) / 3.0f,
                                 (corners[0][1] + corners[1][1] + corners[2][1]) / 3.0f};
        hit = MarkerInRect(rect, centre);
      } else {
        hit = RectOverlapsProjected(rect, corners, ProjectedWinding(corners)) != 0;
      }
    }
    if (!hit) continue;
    if (select) {
      SelectTriangle(s, t);
    } else {
      tri.flags &= uint8_t(~TRIANGLE_SELECTED);
      lostCurrent = lostCurrent || t == s.state.currentTriangle;
    }
  }
  CountSelectedTriangles(s, 0);
  if (lostCurrent) FindCurrentTriangle(s);
}

// ---- [Picking] ----

ModelObject* GetPickedObject(ModellerScreen& s) {
  ModelObject& main = *s.mainObject;
  const int index = ObjectEditorShared.pick.object;
  if (index == -1) return &main;
  if (index >= 0 && index < main.childCount && main.children) return &main.children[index];
  return nullptr;
}
