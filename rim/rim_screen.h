// rim_screen.h - the rim editor over the vehicle editor: the car's rim profile in a GraphWXS,
// its points edited in "point" mode and joined into surfaces in "surface" mode, the rim's
// colours (mappings) in a side panel, rims loaded from and saved to rim files, and the car's
// tyre section drawn behind for reference.  Closed by Escape.
//
// Sections: [Screen] [Rows and buttons] [Drawing]
//
// The side panel stands right of the graph area: "load", "save", "point", "surface", the
// selected surface's smoothing group, one row per mapping (its colour sliders and the number
// of surfaces using it, lit when current), then "cols : n", "del" and "dup".  Edits made here
// are not recorded one by one: opening the editor recorded "edit rim".
//
// One at a time.  Main thread only.
#pragma once
#include <cstdint>

#include "core/frame_globals.h"
#include "core/process.h"
#include "rim/rim_file.h"

struct SuspensionBlock;

struct Car;
struct MouseRecord;

// ---- [Screen] ----
constexpr float RIM_VIEW_MIN_X = -0.5f, RIM_VIEW_MAX_X = 1000.0f;
constexpr float RIM_VIEW_MIN_Y = 0.0f, RIM_VIEW_MAX_Y = 1000.0f;
constexpr ColourWord RIM_BACKGROUND = 0x505050;
constexpr float RIM_VIEW_RANGE = 5.0f;
constexpr int RIM_GRAPH_MARGIN = 40;   // pixels between the graph area and the graph
constexpr int RIM_SIDE_UNITS = 12;     // button units right of the graph area

constexpr int RIM_NAME_LENGTH = 32;          // a rim file's name as typed
constexpr int RIM_ENTRY_LOAD = 4, RIM_ENTRY_SAVE = 6;
constexpr int RIM_MAX_SURFACE_TICK = 20;     // pixels
constexpr uint32_t RIM_SURFACE_COLOUR = 0xFFFFFFFFu;
constexpr uint32_t RIM_TYRE_OUTLINE_COLOUR = 0xFF40E040u;
constexpr const char* TEXT_RIM_LOAD_PROMPT = "Enter name of rim to LOAD";
constexpr const char* TEXT_RIM_SAVE_PROMPT = "Enter name of rim to SAVE";
constexpr const char* TEXT_RIM_RENAME_PROMPT = "Enter new name for colour";

struct RimScreen {
  Prss prss;
  GraphWXS graph;
  int32_t areaLeft, areaTop, areaWidth, areaHeight;  // pixels
  EditorFrameHookFn savedHook;
  void* savedHookArgument;
  int32_t shownGroup;  // the selected surface's smoothing group as last shown
  // Rows at the foot of the screen that the screen underneath keeps for its own controls (the
  // vehicle editor's rim shape rows): the graph area and the side panel stop above them.
  int32_t parentRows;
};

// The car whose rim is edited while the screen lives; null otherwise.
extern Car* RimEditorCar;

// Makes the screen over parent on the rim (the car's meshes follow its changes), installs its
// draw hook, removes the rim's unused mappings (mapping 0 stays) and makes it current; the
// caller attaches it as the parent's sub-screen.
RimScreen* CreateRimScreen(Prss* parent, WXS* rim, Car* car);
// Each frame: the graph, its side panel, and the mode's buttons (points and tool row, or the
// points and surfaces as buttons), the rim editor's panel.  Once terminated: the hook
// given back, the car's meshes released, every point no surface uses removed (points 0 and 1
// stay), the unused mappings removed; null.
Prss* RimScreenAction(Prss* process);
// Space: PointsChanged; Escape or Shift+X closes; Delete removes the selected surface, or the
// selected points; other keys go to the graph.
void RimEditorKey(Prss* process, int key);
// The interface first; else a left press inside the graph area starts a pan.
void RimEditorMouse(Prss* process, MouseRecord* mouse);
// The draw hook: the background and the grid, the surfaces as white lines with a tick from
// each midpoint, and the car's tyre section.
void DrawRimEditor(void* screen);

// The graph area's width: the screen width less the side panel, or less when the car's rim
// is narrower than the screen's height makes the area (rim width and edges over the rim's
// inner radius, the front wheel set's); the side panel's whole width when that ratio is 0 or
// not a number.
int RimAreaWidth(const Car* car, int screenWidth, int screenHeight);

// ---- [Rows and buttons] ----
// Word 0 "load", 1 "save": asks for the rim's name.
void RimFileButton(void* screen, int clickCode, uintptr_t word);
// The answers: "data\whl\<name>.wxs" into the edited rim (only a whole read replaces it;
// the car's meshes are released), and the edited rim written there.  A name FileNameFault
// refuses is refused with a message before any path is made.
void LoadRimIntoEditor(Prss* screen, const char* name, uint32_t answerWord);
void SaveRimAnswered(Prss* screen, const char* name, uint32_t answerWord);
// Word 0 "point", 1 "surface": the editing mode; the selections are cleared.
void SetRimMode(void* screen, int clickCode, uintptr_t word);
// Surface mode: a point's button.  The first press selects it, pressing it again clears it,
// pressing another one adds the surface between them with the current mapping (while there
// are fewer surfaces than the maximum and a current mapping exists).
void RimSurfacePointPressed(void* screen, int clickCode, uintptr_t index);
// A surface's button: selected with its mapping made current; pressed again, deselected.
void RimSurfacePressed(void* screen, int clickCode, uintptr_t index);
// Word 0 "del": the current mapping removed when no surface uses it (mapping 0 stays), then
// mapping 0 current.  Word 1 "dup": a copy of the current mapping, made current, while there
// are fewer than 16.
void RimMappingButton(void* screen, int clickCode, uintptr_t word);
// A mapping row's handler: its swatch or count pressed with the left button makes it current,
// with the right button asks "Enter new name for colour" (the row's buttons carry
// RimRowWord of the mapping); a colour change (a slider, a step,
// a paste) carries the master colours to their numbered mappings and releases the meshes.
void RimMappingRow(void* screen, int clickCode, uintptr_t word);
inline uintptr_t RimRowWord(int mapping) { return uintptr_t(mapping) + 1; }
// The answer of the rename: the mapping (the answer word) takes the name, cut to its field.
void RenameRimMapping(Prss* screen, const char* name, uint32_t mapping);

// ---- [Drawing] ----
struct RimLine {
  GraphPoint a, b;
};
constexpr int RIM_TYRE_OUTLINE_LINES = 16;
// The car's tyre section as lines in the rim profile's units: the wheel set's profile built
// without a rim, each tyre surface placed as the wheel builder places the rim profile (x across
// the rim between points 0 and 1, y from the axle with 4.0 at the rim's inner radius).  The
// number of lines; 0 when the set's dimensions give no finite outline.
int RimTyreOutline(const SuspensionBlock& set, const WXS& rim, int roundTyre, RimLine* lines, int maxLines);
