// modeller_buttons.cpp - the frame of the modeller's buttons: a stepwise run's status, the
// selection rectangle, the markers, the mode bar, the undo buttons, the level of detail's
// distance and the panel of the mode (modeller_panels.cpp).
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/files/modeller_files.h"
#include "modeller/operations/build_mode.h"
#include "modeller/operations/collision_mesh.h"
#include "modeller/operations/layers.h"
#include "modeller/operations/stepwise_runs.h"
#include "modeller/operations/subobjects.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/screen/object_panel.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_state.h"
#include "modeller/state/modeller_undo.h"
#include "render/views.h"
#include "ui/interface.h"
#include "ui/value_edit.h"
#include "ui/widgets.h"

namespace {

void TriangleButtonsAction(void* owner, int, uintptr_t) {
  if (ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner))) s->triangleButtons ^= 1;
}

}  // namespace

void AddTriangleButtonsOption(ModellerScreen& s, int units) {
  ColourWord* colour = &TextColours.lightOrange;
  AddRowButton(&s.prss, units - 4, 0, 0, colour, "triangle buttons :", nullptr, nullptr);
  AddRowButton(&s.prss, 2, 3, !s.triangleButtons, colour, "NO", TriangleButtonsAction,
               "Select triangles by pointing at the triangle area");
  AddRowButton(&s.prss, 2, 3, s.triangleButtons, colour, "YES", TriangleButtonsAction,
               "Select triangles using buttons at the triangle centre");
}

int ShowsViewMarks() {
  const ModellerScreen* s = ActiveModeller;
  if (!s) return 0;
  const int mode = s->state.mode;
  if (mode != ModeTriangle && mode != ModePoint && mode != ModeBuild) return 0;
  const int draw = CurrentDrawMode();
  return (draw == DRAW_FLAT || draw >= DRAW_GOURAUD) && ObjectEditorShared.wireOverlay != 0;
}

int LodForDistance(const ModelObject& o, int current, int32_t distance) {
  const int count = std::clamp(int(o.lodCount), 1, MAX_LOD_COUNT);
  current = std::clamp(current, 0, count - 1);
  const int32_t low = current > 0 ? o.lodDistances[current - 1] : 0, high = o.lodDistances[current];
  if (distance >= low && distance <= high) return current;
  for (int level = 0; level < count; ++level)
    if (o.lodDistances[level] >= distance) return level;
  return count - 1;
}

void OutputCounts(const ModelObject& o, int level, int64_t& triangles, int64_t& vertices) {
  level = std::clamp(level, 0, std::max(int(o.lodCount), 1) - 1);
  const ModelLodCache& cache = o.caches[level];
  if (cache.state == 1) {
    triangles = cache.triangleCount;
    vertices = cache.vertexCount;
    return;
  }
  // Not built yet: each triangle of the level, a mirrored one twice, over the corners it uses.
  std::vector<uint8_t> used(size_t(o.pointCount) * 2, 0);
  triangles = vertices = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (tri.lod != level) continue;
    const bool mirrored = (tri.flags & TRIANGLE_MIRRORED) != 0;
    triangles += mirrored ? 2 : 1;
    for (uint16_t c : tri.corners) {
      const size_t p = c & CORNER_INDEX_MASK;
      if (p >= o.pointCount) continue;
      const size_t side = (c & CORNER_MIRRORED) ? 1 : 0;
      for (size_t copy = 0; copy < (mirrored ? 2u : 1u); ++copy) {
        uint8_t& mark = used[p * 2 + (side ^ copy)];
        vertices += !mark;
        mark = 1;
      }
    }
  }
}

namespace {

ColourWord* Plain() { return &TextColours.lightOrange; }

void NextRow() {
  RowCursorX = 0;
  RowCursorY += ButtonHeight;
}

void LodAction(void* owner, int clickCode, uintptr_t level) {
  if (ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner))) SetCurrentLod(*s, clickCode, int(intptr_t(level)));
}

void SpokeStepAction(void* owner, int, uintptr_t up) {
  if (ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner))) ChangeSpokeCount(*s, int(up));
}

void AddTotals(const ModelObject& o, int level, int64_t& triangles, int64_t& vertices) {
  int64_t t = 0, v = 0;
  OutputCounts(o, level, t, v);
  triangles += t, vertices += v;
  for (int i = 0; i < o.childCount; ++i) AddTotals(o.children[i], level, triangles, vertices);
}

// The spoke count, or the level-of-detail row: "auto", a button per level and the count's steps;
// then the level's distance on the same row, and the collision mesh's button below.
void AddLodRow(ModellerScreen& s) {
  Prss* owner = &s.prss;
  if (ObjectEditorShared.spokeCount != 0) {
    static char text[32];
    std::snprintf(text, sizeof text, "Number of spokes %d", ObjectEditorShared.spokeCount);
    AddRowButton(owner, 10, 0, 0, Plain(), text, nullptr, "The number of rotated repetitions of the spoke object");
    AddRowButton(owner, 1, 0, 0, Plain(), "-", SpokeStepAction, "One spoke fewer");
    AddRowButton(owner, 1, 1, 0, Plain(), "+", SpokeStepAction, "One spoke more");
    RowCursorX += ButtonWidth;
    AddLodDistanceRow(s);
    return;
  }
  const ModelObject& o = *EditedObject;
  const int count = std::clamp(int(o.lodCount), 1, MAX_LOD_COUNT);
  AddRowButton(owner, count == 1 ? 9 : count == 2 ? 6 : 5, uintptr_t(intptr_t(-2)), s.autoLod != 0, Plain(), "auto",
               LodAction, "Automatically select level of detail (LOD) by distance");
  static const char* const NAMES[MAX_LOD_COUNT] = {"lod1", "lod2", "lod3", "lod4"};
  for (int level = 0; level < count; ++level)
    AddRowButton(owner, 3, uintptr_t(level), s.mainObject->currentLod == level, Plain(), NAMES[level], LodAction,
                 "Select a level of detail (LOD)");
  AddStepHintButtons(owner, SUBOBJECT_REMOVE_LOD, SUBOBJECT_ADD_LOD, Plain(), SubobjectCommand, 0);
  // The level's distance on the same row.
  RowCursorX += ButtonWidth;
  AddLodDistanceRow(s);
  if (EditedObject == s.mainObject && o.lodCount > 1 && o.currentLod == o.lodCount - 1) {
    AddRowButton(owner, 12, 0, 0, Plain(), "auto-create collision mesh", CreateCollisionMesh, nullptr);
    NextRow();
  }
}

// The edited object's output triangles and vertices, then the totals with every subobject.
void AddCountRow(ModellerScreen& s) {
  const int level = s.mainObject->currentLod;
  int64_t triangles = 0, vertices = 0, allTriangles = 0, allVertices = 0;
  OutputCounts(*EditedObject, level, triangles, vertices);
  AddTotals(*s.mainObject, level, allTriangles, allVertices);
  static char texts[4][24];
  std::snprintf(texts[0], sizeof texts[0], "%lld %s", (long long)triangles, triangles == 1 ? "tri" : "tris");
  std::snprintf(texts[1], sizeof texts[1], "%lld %s", (long long)vertices, vertices == 1 ? "pt" : "pts");
  std::snprintf(texts[2], sizeof texts[2], "%lld %s", (long long)allTriangles, allTriangles == 1 ? "tri" : "tris");
  std::snprintf(texts[3], sizeof texts[3], "%lld %s", (long long)allVertices, allVertices == 1 ? "pt" : "pts");
  Prss* owner = &s.prss;
  AddRowButton(owner, 6, 0, 0, &TextColours.grey, texts[0], nullptr, "Number of output triangles for the selected subobject");
  AddRowButton(owner, 6, 0, 0, &TextColours.grey, texts[1], nullptr, "Number of output vertices for the selected subobject");
  AddRowButton(owner, 6, 0, 0, allTriangles > OUTPUT_WARNING_COUNT ? &TextColours.red : &TextColours.grey, texts[2],
               nullptr, "Total number of output triangles for main + subobjects");
  AddRowButton(owner, 6, 0, 0, allVertices > OUTPUT_WARNING_COUNT ? &TextColours.red : &TextColours.grey, texts[3],
               nullptr, "Total number of output vertices for main + subobjects");
  NextRow();
}

// With "auto" on, the level follows the camera's distance to the model's origin, scaled by the
// view's zoom (2 / its field factor, halved).
void FollowCameraDistance(ModellerScreen& s) {
  if (!s.autoLod || !CurrentView) return;
  ModelObject& main = *s.mainObject;
  const IntVector origin = MeshTransformOf(main).translation;
  const double dx = double(CurrentView->position[0]) - origin.x, dy = double(CurrentView->position[1]) - origin.y,
               dz = double(CurrentView->position[2]) - origin.z;
  const double field = CurrentView->fieldFactorH > 0 ? CurrentView->fieldFactorH / 65536.0 : 1.0;
  const double scaled = std::sqrt(dx * dx + dy * dy + dz * dz) / field;
  const int32_t distance = int32_t(std::min(scaled, double(INT32_MAX)));
  const int level = LodForDistance(main, main.currentLod, distance);
  if (level == main.currentLod) return;
  main.currentLod = uint8_t(level);
  DeselectAllTriangles(s);
  RefreshEditedMesh(&s.prss);
}

// Whether the rows of the mode's panel (from index first on) that end at pixel row bottom are
// all headings: labels that nothing happens on.
bool HeadingRowEndsAt(int first, int bottom) {
  bool any = false;
  for (int i = first; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (!IsRowButton(b) || b.bottom != bottom) continue;
    if (b.handler || b.style != BUTTON_STYLE_TEXT) return false;
    any = true;
  }
  return any;
}

// The rows of the mode's panel (added from index first on) that would run off the bottom of a
// short window stand beside the column instead, ending above the object panel's rows, where
// they keep clear of the view block at the bottom right; a heading right above them goes
// with them.  The row cursor then stands under the rows kept in the column.
void MoveRowsRunningOffBeside(const ModellerScreen& s, int first) {
  int split = INT_MAX;  // the top of the first row that runs off
  for (int i = first; i < ButtonCount; ++i)
    if (IsRowButton(InterfaceButtons[i]) && InterfaceButtons[i].bottom > ScreenHeight)
      split = std::min(split, InterfaceButtons[i].top);
  if (split == INT_MAX) return;
  if (HeadingRowEndsAt(first, split)) split -= ButtonHeight;
  int movedBottom = split, movedRight = 0;
  for (int i = first; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (IsRowButton(b) && b.top >= split) movedBottom = std::max(movedBottom, b.bottom), movedRight = std::max(movedRight, b.right);
  }
  const int dy = ScreenHeight - ObjectPanelRows(s) * ButtonHeight - movedBottom;
  int dx = 0;  // past the column's rows beside which they come to stand
  for (int i = first; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (IsRowButton(b) && b.top < split && b.top < movedBottom + dy && split + dy < b.bottom) dx = std::max(dx, b.right);
  }
  if (split + dy < 0 || dx + movedRight > ScreenWidth - EDIT_VIEW_BLOCK_UNITS * ButtonWidth) return;
  for (int i = first; i < ButtonCount; ++i) {
    InterfaceButton& b = InterfaceButtons[i];
    if (!IsRowButton(b) || b.top < split) continue;
    b.left += dx, b.right += dx, b.top += dy, b.bottom += dy;
  }
  RowCursorX = 0, RowCursorY = split;
}

}  // namespace

void AddModellerButtons(ModellerScreen& s) {
  if (s.stepwiseRun != STEPWISE_NONE) {
    // A slice of the run, its progress on the status line, and no other buttons this frame.
    const bool merge = s.stepwiseRun <= STEPWISE_MERGE_STOPPING;
    StepStepwiseRun(s);
    ShowEditorInfof(merge ? TEXT_MERGE_PROGRESS : TEXT_REDUCTION_PROGRESS, s.pairsDone, s.pairsDone == 1 ? "" : "s",
                    s.pairsPossible);
    return;
  }
  ScreenRect& rect = s.rect;
  if (rect.active) {
    if (ShiftHeld || CtrlHeld) {
      if (rect.IsLargeEnough()) rect.Draw();
    } else {
      rect.active = 0;
    }
  }
  const bool panels = !ObjectEditorShared.hidePanels;
  if (panels && s.mainObject) {
    switch (s.state.mode) {
      case ModeSubobject: AddSubobjectLabels(s, *s.mainObject); break;
      case ModeTriangle:
        DrawTriangleMarkers(s);
        AddSubobjectLabels(s, *s.mainObject);
        break;
      case ModePoint:
        DrawPointMarkers(s);
        AddSubobjectLabels(s, *s.mainObject);
        break;
      case ModeBuild:
        EndPendingFan(s);
        if (ShiftHeld)
          DrawTriangleMarkers(s);
        else
          DrawPointMarkers(s);
        break;
      default: break;
    }
  }
  rect.result = RECT_NONE;
  if (!s.mainObject || !EditedObject) return;
  FollowCameraDistance(s);
  if (!panels) return;
  RowCursorX = RowCursorY = 0;
  const int firstPanelButton = ButtonCount;
  AddModeButtons(s);
  NextRow();
  AddLodRow(s);
  AddChoiceRows(s);
  AddCountRow(s);
  AddUndoButtons(&s.prss);
  NextRow();
  int attributeColumn = -1;
  const int modePanelFirst = ButtonCount;
  switch (s.state.mode) {
    case ModeSubobject: AddSubobjectPanel(s); break;
    case ModeTriangle: attributeColumn = AddTrianglePanel(s); break;
    case ModePoint: AddPointPanel(s); break;
    case ModeBuild: attributeColumn = AddBuildPanel(s); break;
    default: break;
  }
  MoveRowsRunningOffBeside(s, modePanelFirst);
  AddAttributeColumn(s, attributeColumn, firstPanelButton);
  // The layer panel under the mode's panel, clear of the model in the middle of the screen;
  // the mapping list starts on the row under the last one placed (the layer panel leaves the
  // cursor on its fourth row).  Where the window is too short for it there, it stands against
  // the right edge in the highest rows free.
  const int layerFirst = ButtonCount, columnY = RowCursorY;
  RowCursorX = 0;
  AddLayerPanel(s);
  int lowest = 0;
  for (int i = layerFirst; i < ButtonCount; ++i) lowest = std::max(lowest, InterfaceButtons[i].bottom);
  if (lowest > ScreenHeight) {
    const int rows = (lowest - columnY) / ButtonHeight - 1;
    ButtonCount = layerFirst;
    RowCursorX = ScreenWidth - LAYER_PANEL_UNITS * ButtonWidth;
    RowCursorY = FreeTopAtRightEdge(firstPanelButton, LAYER_PANEL_UNITS, rows) - ButtonHeight;
    AddLayerPanel(s);
    RowCursorX = 0, RowCursorY = columnY;
  }
  NextRow();
  AddMappingList(s);
  // Where the left column's rows that reach the object panel's rows end: a long panel may.
  const int panelTop = ScreenHeight - ObjectPanelRows(s) * ButtonHeight;
  int usedRight = 0;
  for (int i = firstPanelButton; i < ButtonCount; ++i)
    if (InterfaceButtons[i].left < PANEL_COLUMN_UNITS * ButtonWidth && InterfaceButtons[i].bottom > panelTop)
      usedRight = std::max(usedRight, InterfaceButtons[i].right);
  AddObjectPanel(s, usedRight);
}
