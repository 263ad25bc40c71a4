// rim_screen.cpp - the rim editor's screen: the graph over the car's rim, the mode's buttons
// and the side panel each frame, its keys and mouse, and what closing leaves of the rim.
#include "rim/rim_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/window_state.h"
#include "physics/car.h"
#include "rim/rim_editor_local.h"
#include "ui/interface.h"
#include "vehicle/wheel_profile.h"

Car* RimEditorCar;

namespace {

constexpr int KEY_ESCAPE = 27;

// The unused mappings go, last first; mapping 0 stays.
void RemoveUnusedMappings(WXS& rim) {
  for (int i = rim.mappingCount - 1; i > 0; --i) RemoveRimMapping(rim, i);
}

void PlaceGraph(RimScreen& s) {
  s.areaLeft = 0, s.areaTop = 0;
  s.areaHeight = std::max(0, ScreenHeight - s.parentRows * ButtonHeight);
  s.areaWidth = RimAreaWidth(s.graph.car, ScreenWidth, s.areaHeight);
}

// Surface mode: every point as a button (points 0 and 1 in their own colour), then a button at
// the middle of each surface in its mapping's colour.
void AddSurfaceButtons(RimScreen& s) {
  GraphWXS& g = s.graph;
  const WXS& rim = *g.rim;
  Prss* o = &s.prss;
  ActiveGraph = &g;
  for (int i = 0; i < rim.numPoints; ++i) {
    const GraphPoint& p = rim.points[i];
    AddColourPointButton(o, g.ScreenX(p.x), g.ScreenY(p.y), uintptr_t(i), g.IsSelected(i),
                         i < 2 ? GRAPH_FIXED_POINT_COLOUR : GRAPH_POINT_COLOUR, RimSurfacePointPressed);
  }
  static constexpr uint8_t NO_MAPPING[3] = {255, 255, 255};
  for (int i = 0; i < rim.surfaceCount; ++i) {
    const RimSurface& f = rim.surfaces[i];
    if (f.first >= uint32_t(rim.numPoints) || f.second >= uint32_t(rim.numPoints)) continue;
    const GraphPoint& a = rim.points[f.first];
    const GraphPoint& b = rim.points[f.second];
    const uint8_t* colour = f.mapping < uint32_t(std::max(rim.mappingCount, 0))
                                ? reinterpret_cast<const uint8_t*>(&rim.mappings[f.mapping].colour)
                                : NO_MAPPING;
    AddColourPointButton(o, (g.ScreenX(a.x) + g.ScreenX(b.x)) / 2, (g.ScreenY(a.y) + g.ScreenY(b.y)) / 2,
                         uintptr_t(i), g.selectedSurface == i, colour, RimSurfacePressed);
  }
}

constexpr int FILE_UNITS = 4, COUNT_UNITS = 4, NAME_UNITS = 6, SWATCH_UNITS = 2, SLIDER_GROUP_UNITS = 7;
constexpr int MAX_MAPPING_ROWS = 64;  // a loaded rim may hold more than the editor makes

// One mapping's row: its colour sliders (or, when the panel is short of room, a swatch and its
// name) and the number of surfaces using it, lit when it is the current mapping.
void AddMappingRow(RimScreen& s, int index, int full, char* countText, int countSize) {
  WXS& rim = *s.graph.rim;
  ModelMapping& m = rim.mappings[index];
  Prss* o = &s.prss;
  const int left = RowCursorX, top = RowCursorY;
  if (full) {
    AddColourSliders(o, RimRowWord(index), &m.colour, m.name, RimMappingRow, 0);
    RowCursorX = left + SLIDER_GROUP_UNITS * ButtonWidth;
  } else {
    AddRowColourSwatch(o, SWATCH_UNITS, RimRowWord(index), &m.colour, RimMappingRow, "Left: use, right: rename");
    AddRowButton(o, NAME_UNITS - 1, RimRowWord(index), 0, nullptr, m.name, RimMappingRow, "Left: use, right: rename");
  }
  std::snprintf(countText, size_t(countSize), "%d surf", RimMappingUses(rim, index));
  AddRowButton(o, COUNT_UNITS, RimRowWord(index), s.graph.currentMapping == index, nullptr, countText, RimMappingRow,
               "Left: use, right: rename");
  RowCursorX = left;
  RowCursorY = top + (full ? 4 * (ButtonHeight * 3 / 4) : ButtonHeight);
}

// The panel right of the graph area.
void AddRimPanel(RimScreen& s) {
  GraphWXS& g = s.graph;
  WXS& rim = *g.rim;
  Prss* o = &s.prss;
  const uint8_t domain = EditDomain;
  const int columns = LayoutColumns;
  EditDomain = 0;
  LayoutColumns = RIM_SIDE_UNITS;
  const int left = s.areaLeft + s.areaWidth;
  RowCursorX = left, RowCursorY = s.areaTop;
  AddRowButton(o, FILE_UNITS, 0, 0, nullptr, "load", RimFileButton, "Load a rim from a file");
  AddRowButton(o, FILE_UNITS, 1, 0, nullptr, "save", RimFileButton, "Save the rim to a file");
  RowCursorX = left, RowCursorY += ButtonHeight;
  AddRowButton(o, FILE_UNITS, RIM_MODE_POINT, g.mode == RIM_MODE_POINT, nullptr, "point", SetRimMode,
               "Edit the points");
  AddRowButton(o, FILE_UNITS, RIM_MODE_SURFACE, g.mode == RIM_MODE_SURFACE, nullptr, "surface", SetRimMode,
               "Join points into surfaces");
  RowCursorX = left, RowCursorY += ButtonHeight;
  if (g.selectedSurface >= 0 && g.selectedSurface < rim.surfaceCount) {
    AddSmoothingGroupSpinner(o, reinterpret_cast<int32_t*>(&rim.surfaces[g.selectedSurface].group));
    RowCursorX = left, RowCursorY += ButtonHeight;
  }
  // The mappings: every row with its sliders when they fit, else the current one only.
  static char counts[MAX_MAPPING_ROWS][16];
  static char total[24];
  const int rows = std::min(std::max(rim.mappingCount, 0), MAX_MAPPING_ROWS);
  const int fullHeight = 4 * (ButtonHeight * 3 / 4);
  const int bottom = s.areaTop + s.areaHeight;  // the screen's foot, or the parent's rows
  const int room = bottom - RowCursorY - ButtonHeight;
  const int allFull = rows * fullHeight <= room;
  for (int i = 0; i < rows && RowCursorY + ButtonHeight <= bottom - ButtonHeight; ++i)
    AddMappingRow(s, i, allFull || i == g.currentMapping, counts[i], sizeof counts[i]);
  RowCursorX = left;
  std::snprintf(total, sizeof total, "cols : %d", rim.mappingCount);
  AddRowButton(o, FILE_UNITS, 0, 0, nullptr, total, nullptr, nullptr);
  AddRowButton(o, FILE_UNITS, 0, 0, nullptr, "del", RimMappingButton, "Remove the current colour if unused");
  AddRowButton(o, FILE_UNITS, 1, 0, nullptr, "dup", RimMappingButton, "Copy the current colour");
  LayoutColumns = columns;
  EditDomain = domain;
}

}  // namespace

RimScreen* CreateRimScreen(Prss* parent, WXS* rim, Car* car) {
  if (!rim) return nullptr;
  RimScreen* s = Prss_New<RimScreen>();
  Prss_Init(&s->prss, parent, RimScreenAction, RimEditorKey, RimEditorMouse, Prss_Terminate, nullptr);
  RimEditorCar = car;
  s->savedHook = EditorFrameHook;
  s->savedHookArgument = EditorFrameHookArgument;
  EditorFrameHook = DrawRimEditor;
  EditorFrameHookArgument = s;
  GraphWXS& g = s->graph;
  g.rim = rim;
  g.car = car;
  g.Init(&s->prss, rim, RIM_VIEW_MIN_X, RIM_VIEW_MAX_X, RIM_VIEW_MIN_Y, RIM_VIEW_MAX_Y, RIM_BACKGROUND);
  g.snap = 0;
  g.originX = RIM_VIEW_MIN_X;
  g.scaleW = g.scaleH = RIM_VIEW_RANGE;
  g.maxPoints = RIM_EDITOR_POINTS;
  g.maxSurfaces = RIM_EDITOR_SURFACES;
  g.currentMapping = 0;
  g.selectedSurface = -1;
  s->shownGroup = -1;
  RemoveUnusedMappings(*rim);
  PlaceGraph(*s);
  Prss_MakeCurrent(&s->prss);
  return s;
}

Prss* RimScreenAction(Prss* process) {
  RimScreen& s = *RimOf(process);
  GraphWXS& g = s.graph;
  if (!process->alive) {
    if (EditorFrameHookArgument == &s) {
      EditorFrameHook = s.savedHook;
      EditorFrameHookArgument = s.savedHookArgument;
    }
    if (g.car) g.car->ReleaseMeshes();
    RimEditorCar = nullptr;
    // What no surface holds goes: every point but 0, 1 and the surfaces' ends, the colours
    // no surface uses.
    g.SelectAll();
    g.DeleteSelected();
    RemoveUnusedMappings(*g.rim);
    if (ActiveGraph == &g) ActiveGraph = nullptr;
    return Prss_Free(process, &s);
  }
  if (process->sub) {
    Prss_ActSub(process);
    if (process->sub) return process;
  }
  // A smoothing group stepped by the spinner: the wheels are made again.
  if (g.selectedSurface >= 0 && g.selectedSurface < g.rim->surfaceCount) {
    const int32_t group = int32_t(g.rim->surfaces[g.selectedSurface].group);
    if (group != s.shownGroup) {
      s.shownGroup = group;
      g.PointsChanged(0);
    }
  }
  PlaceGraph(s);
  const int m = RIM_GRAPH_MARGIN;
  g.DrawGraph(s.areaLeft + m, s.areaTop + m, s.areaWidth - 2 * m, s.areaHeight - 2 * m);
  if (g.mode == RIM_MODE_POINT)
    g.DrawGraphPoints();
  else
    AddSurfaceButtons(s);
  AddRimPanel(s);
  Prss_RestAfterDrawing(process);
  return process;
}

int RimAreaWidth(const Car* car, int screenWidth, int screenHeight) {
  const int most = std::max(0, screenWidth - RIM_SIDE_UNITS * ButtonWidth);
  if (!car) return most;
  // The profile's x spans the rim and its edges, its y the rim's inner radius: an area of
  // this shape shows the rim at about one scale in both directions.
  const SuspensionBlock& set = car->wheelSets[1];
  const double inner = double(set.rimRadius) - set.rimInnerDepthMm / 1000.0;
  const double ratio = (double(set.rimWidth) + 2.0 * PROFILE_RIM_EDGE) / inner;
  if (!std::isfinite(ratio) || ratio <= 0.0) return most;
  const double width = std::rint(screenHeight * ratio);
  return width < most ? int(width) : most;
}

void RimEditorKey(Prss* process, int key) {
  RimScreen& s = *RimOf(process);
  GraphWXS& g = s.graph;
  if (key == ' ') {
    g.PointsChanged(0);
  } else if (key == KEY_ESCAPE || ((key == 'X' || key == 'x') && ShiftHeld)) {
    process->terminate(process);
  } else if (key == KEYCODE_DELETE) {
    WXS& rim = *g.rim;
    if (g.selectedSurface >= 0 && g.selectedSurface < rim.surfaceCount) {
      rim.surfaces[g.selectedSurface] = rim.surfaces[rim.surfaceCount - 1];
      if (--rim.surfaceCount == 0) {
        std::free(rim.surfaces);
        rim.surfaces = nullptr;
      }
      g.selectedSurface = -1;
      g.PointsChanged(0);
    } else if (g.selectionCount > 0) {
      g.DeleteSelected();
    }
  } else {
    g.GraphKey(key);
  }
}

void RimEditorMouse(Prss* process, MouseRecord* mouse) {
  RimScreen& s = *RimOf(process);
  if (HandleInterfaceMouse(mouse)) return;
  GraphWXS& g = s.graph;
  if (g.handleMode != GRAPH_HANDLE_NONE || g.toolMode != GRAPH_TOOL_NONE || PointerOverButton) return;
  if (MouseX < s.areaLeft || MouseX >= s.areaLeft + s.areaWidth || MouseY < s.areaTop ||
      MouseY >= s.areaTop + s.areaHeight)
    return;
  g.GraphPressed(*mouse);
}
