// rim_screen.cpp - the rim editor's host screen: the graph over the car's rim, its keys, mouse
// and draw hook, and what closing leaves of the rim.
#include "vehicle_editor/rim/rim_screen.h"

#include <algorithm>
#include <cmath>

#include "core/window_state.h"
#include "physics/car.h"
#include "render/immediate.h"
#include "ui/interface.h"
#include "ui/shapes_2d.h"

Car* RimEditorCar;

namespace {

constexpr int KEY_ESCAPE = 27;
constexpr uint32_t SURFACE_LINE = 0xFFFFFFFFu;

RimScreen* RimOf(void* process) { return static_cast<RimScreen*>(process); }

// The unused mappings go, last first; mapping 0 stays.
void RemoveUnusedMappings(WXS& rim) {
  for (int i = rim.mappingCount - 1; i > 0; --i) RemoveRimMapping(rim, i);
}

void PlaceGraph(RimScreen& s) {
  // The area is square by the screen's height until the rim editor fits it to the tyre.
  s.areaLeft = 0, s.areaTop = 0;
  s.areaHeight = ScreenHeight;
  s.areaWidth = std::max(0, std::min(ScreenWidth - RIM_SIDE_UNITS * ButtonWidth, ScreenHeight));
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
    Prss* parent = process->parent;
    delete &s;
    if (parent) Prss_MakeCurrent(parent);
    return nullptr;
  }
  PlaceGraph(s);
  const int m = RIM_GRAPH_MARGIN;
  g.DrawGraph(s.areaLeft + m, s.areaTop + m, s.areaWidth - 2 * m, s.areaHeight - 2 * m);
  if (g.mode == RIM_MODE_POINT) g.DrawGraphPoints();
  return process;
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
      --rim.surfaceCount;
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

void DrawRimEditor(void* screen) {
  RimScreen& s = *RimOf(screen);
  if (s.savedHook) s.savedHook(s.savedHookArgument);
  if (FrameSkipped || s.prss.sub) return;
  const GraphWXS& g = s.graph;
  g.PaintGraph();
  const WXS& rim = *g.rim;
  const int opened = BeginLineBatch2D();
  for (int i = 0; i < rim.surfaceCount; ++i) {
    const RimSurface& f = rim.surfaces[i];
    if (f.first >= uint32_t(rim.numPoints) || f.second >= uint32_t(rim.numPoints)) continue;
    const GraphPoint& a = rim.points[f.first];
    const GraphPoint& b = rim.points[f.second];
    EmitLine2D(SURFACE_LINE, float(g.ScreenX(a.x)), float(g.ScreenY(a.y)), float(g.ScreenX(b.x)),
               float(g.ScreenY(b.y)));
  }
  if (opened) EndLineBatch2D();
}
