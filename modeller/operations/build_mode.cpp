// build_mode.cpp - the build mode's clicks on point markers and the edge division, the
// clicks on triangles with the triangle mode's edge rotation and flood select, and selection
// by index or from a list.
#include "modeller/operations/build_mode.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/triangle_tools.h"
#include "render/draw_mesh.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/problem_report.h"
#include "ui/value_edit.h"

namespace {

int Level(const ModellerScreen& s) { return s.mainObject ? s.mainObject->currentLod : 0; }
bool Reflected(uint32_t reference) { return (reference & CORNER_MIRRORED) != 0; }
void Refresh(ModellerScreen& s) {
  RefreshEditedMesh(&s.prss);
}
void Record(const char* name, int first, int second) {
  if (AddUndoPoint) AddUndoPoint(name, 0, uintptr_t(first), uintptr_t(second));
}

bool UsesBoth(const ModelTriangle& t, uint32_t a, uint32_t b) {
  bool hasA = false, hasB = false;
  for (uint16_t c : t.corners) hasA = hasA || c == a, hasB = hasB || c == b;
  return hasA && hasB;
}

int CountEdgeUsers(const ModelObject& o, uint32_t a, uint32_t b, int level) {
  int count = 0;
  for (int t = 0; t < o.triangleCount; ++t) count += o.triangles[t].lod == level && UsesBoth(o.triangles[t], a, b);
  return count;
}

ModelPoint PointAt(const ModelObject& o, uint32_t reference) {
  ModelPoint p = o.points[reference & CORNER_INDEX_MASK];
  if (Reflected(reference)) p.x = NegateStored(p.x);
  return p;
}

// The new triangle of the full build list.
void AddBuiltTriangle(ModellerScreen& s, bool ctrl) {
  ModelObject& o = *EditedObject;
  ModellerState& st = s.state;
  if (o.triangleCount >= s.triangleLimit) {
    ShowMessageBox(&s.prss, TEXT_REACHED_MAX_TRIANGLES);
    st.buildCount = 0;
    return;
  }
  bool mirror = st.autoMirror && ObjectEditorShared.spokeCount == 0;
  if (mirror && (Reflected(st.buildList[0]) || Reflected(st.buildList[1]) || Reflected(st.buildList[2]))) {
    mirror = false;
    ShowMessage(TEXT_NOT_AUTO_MIRRORED, TextColours.grey);
  }
  if (st.currentMapping < 0 || st.currentMapping >= o.mappingCount) {
    ShowMessage(TEXT_COLOUR_OUT_OF_BOUNDS, TextColours.grey);
    st.currentMapping = 0;
  }
  Record("add tri", int(st.buildList[0]), int(st.buildList[1]));
  DeselectAllTriangles(s);
  o.ResizeTriangles(1);
  ModelTriangle& t = o.triangles[o.triangleCount];
  t = ModelTriangle{};
  t.flags = TRIANGLE_SELECTED;
  t.layer = uint8_t(st.currentLayer);
  t.mapping = uint8_t(st.currentMapping);
  t.normalLevel = st.normalLevel;
  t.group = uint8_t(st.currentGroup);
  t.lod = uint8_t(Level(s));
  for (int k = 0; k < 3; ++k) t.corners[k] = uint16_t(st.buildList[k]);
  const int index = o.triangleCount++;
  st.selectedTriangleCount = 1;
  st.currentTriangle = index;
  if (ctrl) {
    st.buildList[1] = st.buildList[2];
    st.buildCount = 2;
    s.fanPending = 1;
  } else {
    st.buildCount = 0;
  }
  if (mirror)
    MirrorTriangle(o, index);
  else if (st.sideSwap)
    t.flags |= TRIANGLE_SIDE_SWAP;
  Refresh(s);
}

// The attributes a flood compares as one word of a triangle (mapping, group, normal level and
// the side flags), and the part of it that the draw mode compares.
uint32_t FloodWord(const ModelTriangle& t) {
  return uint32_t(t.mapping) | uint32_t(t.group) << 8 | uint32_t(t.normalLevel) << 16 |
         uint32_t(t.flags & (TRIANGLE_MIRRORED | TRIANGLE_SIDE_SWAP)) << 24;
}
uint32_t FloodMask(int drawMode) {
  switch (drawMode) {
    case DRAW_SIDE_SWAP: return 0xFF000000u;
    case DRAW_MAPPINGS: return 0xFFu;
    case DRAW_GROUPS: return 0xFF00u;
    case DRAW_NORMAL_LEVELS: return 0xFF0000u;
    default: return ~0u;
  }
}

bool FloodCandidate(const ModelTriangle& t, int level, uint32_t layers, uint32_t key, uint32_t mask) {
  return !(t.flags & (TRIANGLE_HIDDEN | TRIANGLE_MARK)) && t.lod == level && (layers >> (t.layer & 31) & 1) &&
         (FloodWord(t) & mask) == key;
}

}  // namespace

// ---- [Build mode] ----

void BuildClickPoint(ModellerScreen& s, int flags, uint32_t r) {
  if ((flags & CLICK_MIDDLE) || !EditedObject) return;
  if (CheckLayerVisible(s)) return;
  ModelObject& o = *EditedObject;
  ModellerState& st = s.state;
  if ((r & CORNER_INDEX_MASK) >= o.pointCount) return;
  const bool ctrl = CtrlHeld != 0;
  s.buildCtrl = ctrl;
  s.fanPending = 0;
  s.buildEdgeUsers = 0;
  if (st.buildCount == 1 && st.buildList[0] == r) {
    st.buildCount = 0;
  } else if (st.buildCount == 2 && st.buildList[0] == r) {
    st.buildList[0] = st.buildList[1];
    st.buildCount = 1;
  } else if (st.buildCount == 2 && st.buildList[1] == r) {
    st.buildCount = 1;
  } else if (st.buildCount < BUILD_LIST_SIZE) {
    st.buildList[st.buildCount++] = r;
  }
  if (st.buildCount == 2 && !Reflected(st.buildList[0]) && !Reflected(st.buildList[1]))
    s.buildEdgeUsers = CountEdgeUsers(o, st.buildList[0], st.buildList[1], Level(s));
  if (st.buildCount == 3) AddBuiltTriangle(s, ctrl);
}

void EndPendingFan(ModellerScreen& s) {
  if (!s.fanPending || CtrlHeld) return;
  s.fanPending = 0;
  if (s.state.buildCount == 2) {
    s.state.buildCount = 0;
    s.buildEdgeUsers = 0;
  }
}

void DivideEdge(void* owner, int, uintptr_t) {
  ModellerScreen* screen = OperationScreen(owner);
  if (!screen || !EditedObject || screen->state.buildCount != 2) return;
  ModellerScreen& s = *screen;
  ModelObject& o = *EditedObject;
  ModellerState& st = s.state;
  const uint32_t a = st.buildList[0], b = st.buildList[1];
  if (Reflected(a) || Reflected(b)) {
    ShowMessageBox(&s.prss, TEXT_DIVIDE_REFLECTED);
    return;
  }
  const int level = Level(s);
  const int users = CountEdgeUsers(o, a, b, level);
  if (o.triangleCount + users > s.triangleLimit || o.pointCount + 1 > s.pointLimit) {
    ShowMessageBox(&s.prss, TEXT_DIVIDE_LIMIT);
    return;
  }
  Record("divide edge", int(a), int(b));
  const ModelPoint first = PointAt(o, a), second = PointAt(o, b);
  ModelPoint made = first;
  const uint8_t both = first.flags & second.flags, either = (first.flags | second.flags) & POINT_MIRROR_STATE;
  made.flags &= uint8_t(~(POINT_MIRROR_STATE | POINT_SELECTED));
  if (both & POINT_CENTRAL)
    made.flags |= POINT_CENTRAL;
  else if (either)
    made.flags |= POINT_MIRRORED;
  const double f = double(s.edgeFraction);
  const auto between = [f](int32_t p, int32_t q) {
    return int32_t(int64_t(p) + RoundNearest(double(int64_t(q) - p) * f));
  };
  made.x = between(first.x, second.x), made.y = between(first.y, second.y), made.z = between(first.z, second.z);
  o.ResizePoints(1);
  const uint16_t m = uint16_t(o.pointCount);
  o.points[o.pointCount++] = made;
  o.ResizeTriangles(users);
  const int old = o.triangleCount;
  for (int t = 0; t < old; ++t) {
    ModelTriangle& tri = o.triangles[t];
    if (tri.lod != level || !UsesBoth(tri, a, b)) continue;
    ModelTriangle copy = tri;
    copy.flags &= uint8_t(~TRIANGLE_SELECTED);
    for (int k = 0; k < 3; ++k) {
      const uint16_t p = tri.corners[k], q = tri.corners[(k + 1) % 3];
      if ((p == a && q == b) || (p == b && q == a)) {
        tri.corners[k] = m;
        copy.corners[(k + 1) % 3] = m;
        break;
      }
    }
    o.triangles[o.triangleCount++] = copy;
  }
  st.buildCount = 0;
  s.buildEdgeUsers = 0;
  Refresh(s);
}

// ---- [Triangle clicks] ----

void TriangleClick(ModellerScreen& s, int clickCode, int t, int startsDrag) {
  ModelObject& o = *EditedObject;
  if (t < 0 || t >= o.triangleCount) return;
  if (s.state.mode == ModeBuild) {
    DeselectAllTriangles(s);
    SelectTriangle(s, t);
    return;
  }
  if (s.state.mode != ModeTriangle) return;
  const bool ctrl = CtrlHeld != 0, shift = ShiftHeld != 0;
  if (shift && !ctrl) {
    RotateSharedEdge(s, t);
    return;
  }
  if (shift && (MeshDisplay.modellerDrawMode == DRAW_WIRE || MeshDisplay.modellerDrawMode == DRAW_LAYERS)) {
    ShowEditorInfo(TEXT_FLOOD_DRAW_MODE);
    return;
  }
  bool becameSelected = false;
  if (!(o.triangles[t].flags & TRIANGLE_SELECTED)) {
    if (!ctrl || AltHeld) DeselectAll(s);
    SelectTriangle(s, t);
    becameSelected = true;
  } else if (clickCode == CLICK_MAKE_CURRENT) {
    TakeTriangleAttributes(s, t);
    return;
  } else if (!ctrl) {
    DeselectAll(s);
  } else {
    DeselectTriangle(s, t);
  }
  if (shift) {
    FloodSelect(s, t);
    return;
  }
  if (startsDrag) s.dragSelect = becameSelected ? DRAG_SELECT_SELECT : DRAG_SELECT_DESELECT;
}

void RotateSharedEdge(ModellerScreen& s, int clicked) {
  ModelObject& o = *EditedObject;
  CountSelectedTriangles(s, 0);
  if (s.state.selectedTriangleCount != 1) {
    ShowEditorInfo(TEXT_ROTATION_ONE_SELECTED);
    return;
  }
  int current = s.state.currentTriangle;
  if (current < 0 || current >= o.triangleCount) FindCurrentTriangle(s), current = s.state.currentTriangle;
  if (current < 0 || current >= o.triangleCount) {
    ShowMessage(TEXT_TRIANGLE_SELECTION_ERROR, TextColours.error);
    return;
  }
  if (clicked < 0 || clicked >= o.triangleCount) return;
  ModelTriangle& mine = o.triangles[current];
  ModelTriangle& other = o.triangles[clicked];
  if (clicked != current)
    for (int i = 0; i < 3; ++i) {
      const uint16_t a = mine.corners[i], b = mine.corners[(i + 1) % 3], o1 = mine.corners[(i + 2) % 3];
      for (int j = 0; j < 3; ++j) {
        if (other.corners[j] != b || other.corners[(j + 1) % 3] != a) continue;
        const uint16_t o2 = other.corners[(j + 2) % 3];
        Record("triangle rotation", 0, 0);
        mine.corners[0] = o1, mine.corners[1] = o2, mine.corners[2] = b;
        other.corners[0] = o1, other.corners[1] = a, other.corners[2] = o2;
        Refresh(s);
        return;
      }
    }
  ShowEditorInfo(TEXT_NO_SHARED_EDGE);
}

void FloodRegionByPasses(ModelObject& o, int start, int level, uint32_t layers, int drawMode) {
  const uint32_t mask = FloodMask(drawMode), key = FloodWord(o.triangles[start]) & mask;
  o.triangles[start].flags |= TRIANGLE_MARK;
  for (bool changed = true; changed;) {
    changed = false;
    for (int t = 0; t < o.triangleCount; ++t) {
      ModelTriangle& tri = o.triangles[t];
      if (!FloodCandidate(tri, level, layers, key, mask)) continue;
      bool joined = false;
      for (int u = 0; u < o.triangleCount && !joined; ++u) {
        const ModelTriangle& v = o.triangles[u];
        if (!(v.flags & TRIANGLE_MARK)) continue;
        for (int i = 0; i < 3 && !joined; ++i)
          for (int j = 0; j < 3 && !joined; ++j)
            joined = tri.corners[i] == v.corners[(j + 1) % 3] && tri.corners[(i + 1) % 3] == v.corners[j];
      }
      if (joined) tri.flags |= TRIANGLE_MARK, changed = true;
    }
  }
}

namespace {

// The edge adjacency of the triangles last flooded, kept between clicks: each triangle's
// neighbours are the triangles that run one of its edges the other way round.  Built again
// only when the point count or a triangle's corners differ from those it was built from.
struct FloodAdjacency {
  int pointCount = -1;
  std::vector<uint16_t> corners;     // three a triangle, as built from
  std::vector<int32_t> first;        // triangle t's neighbours are [first[t], first[t + 1])
  std::vector<int32_t> neighbours;
  std::vector<int32_t> queue;        // the walk's scratch
};
FloodAdjacency Adjacency;

bool AdjacencyCurrent(const ModelObject& o) {
  const FloodAdjacency& a = Adjacency;
  if (a.pointCount != o.pointCount || a.corners.size() != size_t(o.triangleCount) * 3) return false;
  const uint16_t* c = a.corners.data();
  for (int t = 0; t < o.triangleCount; ++t, c += 3) {
    const uint16_t* mine = o.triangles[t].corners;
    if (c[0] != mine[0] || c[1] != mine[1] || c[2] != mine[2]) return false;
  }
  return true;
}

void BuildAdjacency(const ModelObject& o) {
  FloodAdjacency& a = Adjacency;
  const int n = o.triangleCount, points = o.pointCount;
  a.pointCount = points;
  a.corners.resize(size_t(n) * 3);
  for (int t = 0; t < n; ++t)
    for (int k = 0; k < 3; ++k) a.corners[size_t(t) * 3 + size_t(k)] = o.triangles[t].corners[k];
  // The directed edges grouped by their first corner (a point or its mirrored copy): each
  // entry holds the triangle above and the edge's second corner below 16 bits.
  const auto bucket = [points](uint16_t reference) {
    return size_t(reference & CORNER_INDEX_MASK) + (reference & CORNER_MIRRORED ? size_t(points) : 0);
  };
  const auto inRange = [points](const uint16_t* c) {
    return (c[0] & CORNER_INDEX_MASK) < points && (c[1] & CORNER_INDEX_MASK) < points &&
           (c[2] & CORNER_INDEX_MASK) < points;
  };
  std::vector<int32_t> start(size_t(points) * 2 + 2, 0);
  for (int t = 0; t < n; ++t) {
    const uint16_t* c = &a.corners[size_t(t) * 3];
    if (inRange(c))
      for (int k = 0; k < 3; ++k) ++start[bucket(c[k]) + 2];
  }
  for (size_t b = 2; b < start.size(); ++b) start[b] += start[b - 1];
  std::vector<uint32_t> entries(size_t(start.back()));
  for (int t = 0; t < n; ++t) {
    const uint16_t* c = &a.corners[size_t(t) * 3];
    if (inRange(c))
      for (int k = 0; k < 3; ++k) entries[size_t(start[bucket(c[k]) + 1]++)] = uint32_t(t) << 16 | c[(k + 1) % 3];
  }
  a.first.assign(size_t(n) + 1, 0);
  a.neighbours.clear();
  for (int t = 0; t < n; ++t) {
    const uint16_t* c = &a.corners[size_t(t) * 3];
    if (inRange(c))
      for (int k = 0; k < 3; ++k) {
        const uint16_t from = c[k], to = c[(k + 1) % 3];
        const size_t b = bucket(to);
        for (int32_t e = start[b]; e < start[b + 1]; ++e)
          if ((entries[size_t(e)] & 0xFFFF) == from && int(entries[size_t(e)] >> 16) != t)
            a.neighbours.push_back(int32_t(entries[size_t(e)] >> 16));
      }
    a.first[size_t(t) + 1] = int32_t(a.neighbours.size());
  }
}

}  // namespace

void FloodRegion(ModelObject& o, int start, int level, uint32_t layers, int drawMode) {
  if (!AdjacencyCurrent(o)) BuildAdjacency(o);
  FloodAdjacency& a = Adjacency;
  const uint32_t mask = FloodMask(drawMode), key = FloodWord(o.triangles[start]) & mask;
  std::vector<int32_t>& queue = a.queue;
  queue.clear();
  queue.push_back(start);
  o.triangles[start].flags |= TRIANGLE_MARK;
  for (size_t q = 0; q < queue.size(); ++q) {
    const int t = queue[q];
    for (int32_t e = a.first[size_t(t)]; e < a.first[size_t(t) + 1]; ++e) {
      const int32_t n = a.neighbours[size_t(e)];
      ModelTriangle& other = o.triangles[n];
      if (!FloodCandidate(other, level, layers, key, mask)) continue;
      other.flags |= TRIANGLE_MARK;
      queue.push_back(n);
    }
  }
}

void FloodSelect(ModellerScreen& s, int t) {
  ModelObject& o = *EditedObject;
  if (t < 0 || t >= o.triangleCount) return;
  const int drawMode = MeshDisplay.modellerDrawMode;
  if (drawMode == DRAW_WIRE || drawMode == DRAW_LAYERS) {
    ShowEditorInfo(TEXT_FLOOD_DRAW_MODE);
    return;
  }
  for (int i = 0; i < o.triangleCount; ++i) o.triangles[i].flags &= uint8_t(~TRIANGLE_MARK);
  FloodRegion(o, t, Level(s), ObjectEditorShared.visibleLayers, drawMode);
  const bool select = (o.triangles[t].flags & TRIANGLE_SELECTED) != 0;
  for (int i = 0; i < o.triangleCount; ++i) {
    ModelTriangle& tri = o.triangles[i];
    if (!(tri.flags & TRIANGLE_MARK)) continue;
    tri.flags &= uint8_t(~TRIANGLE_MARK);
    tri.flags = select ? uint8_t(tri.flags | TRIANGLE_SELECTED) : uint8_t(tri.flags & ~TRIANGLE_SELECTED);
  }
  CountSelectedTriangles(s, 0);
  const int current = s.state.currentTriangle;
  if (current < 0 || current >= o.triangleCount || !(o.triangles[current].flags & TRIANGLE_SELECTED))
    FindCurrentTriangle(s);
}

// ---- [Selection by index] ----

void SelectTriangleByIndex(ModellerScreen& s, const char* text) {
  if (!text || !text[0] || !EditedObject) return;
  const long index = std::strtol(text, nullptr, 10);
  const int count = EditedObject->triangleCount;
  if (index < 0 || index >= count) {
    ShowEditorInfof("Triangle index must be between 0 and %d", count - 1);
    return;
  }
  const int level = EditedObject->triangles[index].lod;
  if (level != Level(s)) SetCurrentLod(s, 0, level);
  DeselectAll(s);
  SelectTriangle(s, int(index));
  ShowEditorInfof("Selected triangle #%ld in LOD%d", index, level + 1);
}

void ModellerSelectListedItems(int object, int kind) {
  ModellerScreen* s = ActiveModeller;
  if (!s || !s->mainObject || (kind != 0 && kind != 1)) return;
  ModelObject& main = *s->mainObject;
  if (object < 0 || object > main.childCount || (object > 0 && !main.children)) return;
  ModelObject* target = object == 0 ? &main : &main.children[object - 1];
  SetModellerMode(*s, 0, kind == 0 ? ModePoint : ModeTriangle);
  DeselectAll(*s);
  DeselectAllPoints(*s);
  if (EditedObject != target) SetEditedObject(*s, target, 1);
  for (int i = 0; i < ProblemMarkerCount; ++i) {
    const ProblemMarker& m = ProblemMarkers[i];
    if (m.kind != kind || m.object != object || m.item < 0) continue;
    if (kind == 0 && m.item < target->pointCount && !(target->points[m.item].flags & POINT_SELECTED))
      SelectPoint(*s, m.item);
    if (kind == 1 && m.item < target->triangleCount && !(target->triangles[m.item].flags & TRIANGLE_SELECTED))
      SelectTriangle(*s, m.item);
  }
}
