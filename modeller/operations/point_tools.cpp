// point_tools.cpp - the point mode's command by button word: new and duplicated points,
// deletion, the mirror and centre-plane flags, reference points, flips, the ambient darkness,
// and the selection routines the point and triangle modes share.
#include "modeller/operations/point_tools.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/report.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/modeller_options.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "ui/dialogs.h"
#include "ui/value_edit.h"

namespace {

constexpr int INDEX_TEXT_LENGTH = 8;
constexpr int TYPED_VALUE_LENGTH = 12;
constexpr uint8_t DARKNESS_SHIFT = 6, LOW_FLAGS = 0x3F;
const char* const DARKNESS_NAMES[4] = {"Bright (default)", "Dark (drk)", "Very dark (vdk)", "Extra dark (exd)"};

bool Selected(const ModelPoint& p) { return (p.flags & POINT_SELECTED) != 0; }

int GreenPoint(const ModellerScreen& s) {
  const int green = s.state.currentPoint;
  return green >= 0 && green < EditedObject->pointCount ? green : -1;
}

void Record(const char* name) {
  if (AddUndoPoint) AddUndoPoint(name, 0, 0, 0);
}

void Refresh(ModellerScreen& s) {
  RefreshEditedMesh(&s.prss);
}

// One of the green point's edits: its undo point, then the change and the rebuild.
template <class Edit>
void EditGreen(ModellerScreen& s, const char* name, Edit edit) {
  const int green = GreenPoint(s);
  if (green < 0) return;
  Record(name);
  edit(EditedObject->points[green]);
  Refresh(s);
}

// The same edit of every selected point; nothing with none selected.
template <class Edit>
void EditSelected(ModellerScreen& s, const char* name, Edit edit) {
  if (s.state.selectedPointCount == 0) return;
  Record(name);
  ModelObject& o = *EditedObject;
  for (int p = 0; p < o.pointCount; ++p)
    if (Selected(o.points[p])) edit(o.points[p]);
  Refresh(s);
}

void NewOrDuplicate(ModellerScreen& s) {
  const int selected = s.state.selectedPointCount;
  if (!CheckAddLimits(s, selected == 0 ? 1 : selected, 0)) return;
  ModelObject& o = *EditedObject;
  if (selected == 0) {
    Record("add new point");
    o.ResizePoints(1);
    const int index = o.pointCount++;
    o.points[index] = ModelPoint{};
    SelectPoint(s, index);
  } else {
    Record(selected == 1 ? "duplicate point" : "duplicate points");
    DuplicatePoints(s);
  }
  Refresh(s);
}

// The trace and the green point after points were removed: old index -> new index, -1 gone.
void RenumberSelection(ModellerScreen& s, const std::vector<int>& newIndex) {
  ModellerState& st = s.state;
  int kept = 0;
  for (int i = 0; i < st.traceCount; ++i) {
    const int entry = st.trace[i] < int(newIndex.size()) ? newIndex[st.trace[i]] : -1;
    if (entry >= 0) st.trace[kept++] = uint16_t(entry);
  }
  st.traceCount = kept;
  st.currentPoint = st.currentPoint >= 0 && st.currentPoint < int(newIndex.size()) ? newIndex[st.currentPoint] : -1;
  CountSelectedPoints(s, 0);
}

// The Delete key (click code 0) removes every selected point or, when any is in use, none; a
// button click removes the unused ones and leaves the others selected.
void DeletePoints(ModellerScreen& s, int clickCode) {
  ModelObject& o = *EditedObject;
  if (s.state.selectedPointCount == 0) return;
  std::vector<uint8_t> used(size_t(o.pointCount), 0);
  for (int t = 0; t < o.triangleCount; ++t)
    for (uint16_t c : o.triangles[t].corners)
      if ((c & CORNER_INDEX_MASK) < o.pointCount) used[c & CORNER_INDEX_MASK] = 1;
  int inUse = 0, removable = 0;
  for (int p = 0; p < o.pointCount; ++p)
    if (Selected(o.points[p])) (used[size_t(p)] ? inUse : removable)++;
  if (clickCode == 0 && inUse > 0) {
    ShowMessageBox(&s.prss, s.state.selectedPointCount == 1 ? TEXT_POINT_IN_USE : TEXT_POINTS_IN_USE);
    return;
  }
  if (removable == 0) return;
  Record(removable == 1 ? "delete point" : "delete points");
  // The points in use stay: their selection is set aside while the others go.
  std::vector<uint8_t> keptSelected(size_t(o.pointCount), 0);
  std::vector<int> newIndex(size_t(o.pointCount), -1);
  for (int p = 0; p < o.pointCount; ++p) {
    ModelPoint& point = o.points[p];
    if (Selected(point) && used[size_t(p)]) {
      keptSelected[size_t(p)] = 1;
      point.flags &= uint8_t(~POINT_SELECTED);
    }
  }
  for (int p = 0, next = 0; p < o.pointCount; ++p)
    if (!Selected(o.points[p])) newIndex[size_t(p)] = next++;
  RemoveMarkedPoints(o);
  for (size_t p = 0; p < newIndex.size(); ++p)
    if (keptSelected[p]) o.points[newIndex[p]].flags |= POINT_SELECTED;
  RenumberSelection(s, newIndex);
  Refresh(s);
}

void MirrorGreen(ModellerScreen& s) {
  const int green = GreenPoint(s);
  if (green < 0) return;
  ModelObject& o = *EditedObject;
  ModelPoint& p = o.points[green];
  if (!(p.flags & POINT_MIRROR_STATE)) {
    EditGreen(s, "mirror point", [](ModelPoint& q) { q.ClassifyMirror(); });
    return;
  }
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!(tri.flags & TRIANGLE_SELECTED)) continue;
    for (uint16_t c : tri.corners)
      if ((c & CORNER_INDEX_MASK) == green) {
        ShowMessageBox(&s.prss, TEXT_MIRRORED_POINT_IN_USE);
        return;
      }
  }
  EditGreen(s, "unmirror point", [](ModelPoint& q) { q.flags &= uint8_t(~POINT_MIRROR_STATE); });
}

void Fix(ModelPoint& p) { p.flags = uint8_t((p.flags & ~POINT_MIRRORED) | POINT_CENTRAL); }
void Free(ModelPoint& p) { p.flags = uint8_t((p.flags & ~POINT_CENTRAL) | POINT_MIRRORED); }

// Negating one coordinate of every selected point; -2^31 has no negation in 16.16.
void FlipSelected(ModellerScreen& s, int axis) {
  ModelObject& o = *EditedObject;
  for (int p = 0; p < o.pointCount; ++p) {
    const ModelPoint& point = o.points[p];
    if (Selected(point) && (axis == 0 ? point.x : point.y) == INT32_MIN) {
      RefuseOperation(s, TEXT_VALUE_OUT_OF_BOUNDS);
      return;
    }
  }
  EditSelected(s, axis == 0 ? "flip L-R" : "flip F-B", [axis](ModelPoint& p) {
    int32_t& v = axis == 0 ? p.x : p.y;
    v = -v;
  });
}

void IndexAnswer(Prss* owner, const char* text, uint32_t) {
  if (ModellerScreen* s = OperationScreen(owner)) SelectPointByIndex(*s, text);
}

void SelectConnectedTriangles(ModellerScreen& s) {
  if (s.state.selectedPointCount == 0) return;
  SetModellerMode(s, 0, ModeTriangle);  // keeps the points, clears the triangles
  SelectTrianglesFromPoints(s, 0);
  DeselectAllPoints(s);
}

void LatheCommand(ModellerScreen& s) {
  if (CheckLayerVisible(s)) return;
  if (EditViews.width == 0) {
    ShowMessageBox(&s.prss, TEXT_LATHE_NEEDS_2D);
    return;
  }
  if (IsTraceValid(s)) OpenModellerOptions(s, RunLathe, OPTIONS_LATHE);
}

void DarknessAnswered(Prss* owner, uint32_t level, uint32_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || level > 3) return;
  EditSelected(*s, "set point darkness", [level](ModelPoint& p) {
    p.flags = uint8_t(level << DARKNESS_SHIFT | (p.flags & LOW_FLAGS));
  });
}

}  // namespace

// ---- [Point tools] ----

void PointToolsCommand(void* owner, int clickCode, uintptr_t word) {
  ModellerScreen* screen = OperationScreen(owner);
  if (!screen || !EditedObject) return;
  ModellerScreen& s = *screen;
  CountSelectedPoints(s, 1);
  switch (int(word)) {
    case POINT_TOOL_NEW_OR_DUPLICATE: NewOrDuplicate(s); break;
    case POINT_TOOL_DELETE: DeletePoints(s, clickCode); break;
    case POINT_TOOL_MIRROR_GREEN: MirrorGreen(s); break;
    case POINT_TOOL_CENTRE_GREEN:
      EditGreen(s, "centre point", [](ModelPoint& p) {
        if (p.flags & POINT_MIRRORED) Fix(p);
        p.x = 0;
      });
      break;
    case POINT_TOOL_FIX_GREEN: EditGreen(s, "fix to centre", Fix); break;
    case POINT_TOOL_FREE_GREEN: EditGreen(s, "free from centre", Free); break;
    case POINT_TOOL_SET_DISTANCE: AskSetDistance(s); break;
    case POINT_TOOL_TRACE_CLOSED:
      s.traceClosed ^= 1;
      Refresh(s);
      break;
    case POINT_TOOL_SELECT_BY_INDEX: {
      char prompt[DIALOG_TEXT_SIZE];
      std::snprintf(prompt, sizeof prompt, "Enter the index of the point to select (0 to %d)",
                    EditedObject->pointCount - 1);
      AskText(&s.prss, IndexAnswer, prompt, INDEX_TEXT_LENGTH, 0, nullptr, 0, ENTRY_TYPE_SINGLE_BYTE, nullptr);
      break;
    }
    case POINT_TOOL_CENTRE:
      EditSelected(s, "centre points", [](ModelPoint& p) {
        p.x = 0;
        Fix(p);
      });
      break;
    case POINT_TOOL_MIRROR:
      EditSelected(s, "mirror points", [](ModelPoint& p) {
        if (!(p.flags & POINT_MIRROR_STATE)) p.ClassifyMirror();
      });
      break;
    case POINT_TOOL_FREE: EditSelected(s, "free points", Free); break;
    case POINT_TOOL_REFERENCE_GREEN: {
      const int green = GreenPoint(s);
      if (green < 0) break;
      const bool on = !(EditedObject->points[green].flags & POINT_REFERENCE);
      EditGreen(s, on ? "switch ON reference point" : "switch OFF reference point",
                [](ModelPoint& p) { p.flags ^= POINT_REFERENCE; });
      break;
    }
    case POINT_TOOL_SELECT_TRIANGLES: SelectConnectedTriangles(s); break;
    case POINT_TOOL_CIRCLE:
      if (GreenPoint(s) >= 0) OpenModellerOptions(s, CreateCircle, OPTIONS_CIRCLE);
      break;
    case POINT_TOOL_EXTRUDE: ExtrudeCommand(s); break;
    case POINT_TOOL_LATHE: LatheCommand(s); break;
    case POINT_TOOL_FLIP_FRONT_BACK: FlipSelected(s, 1); break;
    case POINT_TOOL_FLIP_LEFT_RIGHT: FlipSelected(s, 0); break;
    case POINT_TOOL_REFERENCE_OFF:
      EditSelected(s, "switch OFF reference points", [](ModelPoint& p) { p.flags &= uint8_t(~POINT_REFERENCE); });
      break;
    case POINT_TOOL_REFERENCE_ON:
      EditSelected(s, "switch ON reference points", [](ModelPoint& p) { p.flags |= POINT_REFERENCE; });
      break;
    default: break;
  }
}

void DuplicatePoints(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  ModellerState& st = s.state;
  st.traceCount = 0;
  const int sources = o.pointCount;
  int selected = 0;
  for (int p = 0; p < sources; ++p) selected += Selected(o.points[p]);
  const int room = std::max(0, std::min(selected, s.pointLimit - o.pointCount));
  o.ResizePoints(room);
  for (int p = 0; p < sources && o.pointCount < s.pointLimit && room > 0; ++p) {
    ModelPoint& source = o.points[p];
    if (!Selected(source)) continue;
    const int copy = o.pointCount++;
    source.work = copy;
    o.points[copy] = source;
    o.points[copy].work = 0;
    source.flags &= uint8_t(~POINT_SELECTED);
    st.currentPoint = copy;
    AddToTrace(s, copy);
  }
  CountSelectedPoints(s, 0);
}

void RemoveMarkedPoints(ModelObject& o) {
  std::vector<int> newIndex(size_t(o.pointCount), -1);
  int kept = 0;
  for (int p = 0; p < o.pointCount; ++p) {
    if (Selected(o.points[p])) continue;
    newIndex[size_t(p)] = kept;
    o.points[kept++] = o.points[p];
  }
  for (int t = 0; t < o.triangleCount; ++t)
    for (uint16_t& c : o.triangles[t].corners) {
      const int index = c & CORNER_INDEX_MASK;
      if (index < o.pointCount && newIndex[size_t(index)] >= 0)
        c = uint16_t((c & ~CORNER_INDEX_MASK) | newIndex[size_t(index)]);
    }
  o.pointCount = uint16_t(kept);
}

// ---- [Darkness and merges] ----

void PointDarknessButton(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || word > 3) return;
  CountSelectedPoints(*s, 1);
  const int count = s->state.selectedPointCount;
  if (count == 0) return;
  char question[DIALOG_TEXT_SIZE];
  std::snprintf(question, sizeof question, "Set ambient darkness for %d point%s?", count, count == 1 ? "" : "s");
  AskQuestion(&s->prss, DarknessAnswered, question, DARKNESS_NAMES[word], uint32_t(word), 0, 0);
}

// ---- [Selection routines] ----

void SelectPointByIndex(ModellerScreen& s, const char* text) {
  if (!text || !text[0] || !EditedObject) return;
  const long index = std::strtol(text, nullptr, 10);
  const int count = EditedObject->pointCount;
  if (index < 0 || index >= count) {
    ShowEditorInfof("Point index must be between 0 and %d", count - 1);
    return;
  }
  DeselectAll(s);
  SelectPoint(s, int(index));
  ShowEditorInfof("Selected point #%d", int(index));
}

void SelectTrianglesFromPoints(ModellerScreen& s, int flip) {
  ModelObject& o = *EditedObject;
  DeselectAllTriangles(s);
  const int level = s.mainObject ? s.mainObject->currentLod : 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    ModelTriangle& tri = o.triangles[t];
    if (tri.lod != level) continue;
    bool touches = false;
    for (uint16_t c : tri.corners) {
      const int p = c & CORNER_INDEX_MASK;
      touches = touches || (p < o.pointCount && Selected(o.points[p]));
    }
    if (!touches) continue;
    if (flip) std::swap(tri.corners[1], tri.corners[2]);
    SelectTriangle(s, t);
  }
}

void SelectTrianglePoints(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  DeselectAllPoints(s);
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!(tri.flags & TRIANGLE_SELECTED)) continue;
    for (uint16_t c : tri.corners) {
      const int p = c & CORNER_INDEX_MASK;
      if (p < o.pointCount && !Selected(o.points[p])) SelectPoint(s, p);
    }
  }
}
