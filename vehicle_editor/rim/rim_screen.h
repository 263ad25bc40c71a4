// rim_screen.h - the rim editor's host screen over the vehicle editor: the car's rim profile
// in a GraphWXS that is drawn with its points every frame, closed by Escape.  The rim editor's
// own rows (files, modes, surfaces, colours, the tyre's outline) are added to it by the rim
// editor.
//
// Sections: [Screen]
//
// One at a time.  Main thread only.
#pragma once
#include <cstdint>

#include "core/frame_globals.h"
#include "core/process.h"
#include "vehicle_editor/rim/rim_file.h"

struct Car;
struct MouseRecord;

// ---- [Screen] ----
constexpr float RIM_VIEW_MIN_X = -0.5f, RIM_VIEW_MAX_X = 1000.0f;
constexpr float RIM_VIEW_MIN_Y = 0.0f, RIM_VIEW_MAX_Y = 1000.0f;
constexpr ColourWord RIM_BACKGROUND = 0x505050;
constexpr float RIM_VIEW_RANGE = 5.0f;
constexpr int RIM_GRAPH_MARGIN = 40;   // pixels between the graph area and the graph
constexpr int RIM_SIDE_UNITS = 12;     // button units right of the graph area

struct RimScreen {
  Prss prss;
  GraphWXS graph;
  int32_t areaLeft, areaTop, areaWidth, areaHeight;  // pixels
  EditorFrameHookFn savedHook;
  void* savedHookArgument;
};

// The car whose rim is edited while the screen lives; null otherwise.
extern Car* RimEditorCar;

// Makes the screen over parent on the rim (the car's meshes follow its changes), installs its
// draw hook, removes the rim's unused mappings (mapping 0 stays) and makes it current; the
// caller attaches it as the parent's sub-screen.
RimScreen* CreateRimScreen(Prss* parent, WXS* rim, Car* car);
// Each frame: the graph, its side panel, points and tool row.  Once terminated: the hook
// given back, the car's meshes released, every point no surface uses removed (points 0 and 1
// stay), the unused mappings removed; null.
Prss* RimScreenAction(Prss* process);
// Space: PointsChanged; Escape or Shift+X closes; Delete removes the selected surface, or the
// selected points; other keys go to the graph.
void RimEditorKey(Prss* process, int key);
// The interface first; else a left press inside the graph area starts a pan.
void RimEditorMouse(Prss* process, MouseRecord* mouse);
// The draw hook: the background, the grid and the surfaces as white lines.
void DrawRimEditor(void* screen);
