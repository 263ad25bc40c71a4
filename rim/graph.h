// graph.h - the point graph editor: the points of a GraphData drawn over a grid in a screen
// rectangle, with a view that pans and zooms, and points that are selected, added, duplicated,
// dragged, scaled and deleted.  Its owner learns of changes through three virtual operations.
//
// Sections: [Graph] [Handlers] [Point lists]
//
// One graph is worked with at a time: the interface's handlers reach the graph last drawn or
// initialised (ActiveGraph).  A point (x, y) stands at screen x = rint((x - origin x) x width /
// scale w + left), screen y = rint(top + height - (y - origin y) x height / scale h).  Main
// thread only.
#pragma once
#include <cstdint>

#include "core/graph_data.h"
#include "text/text_colours.h"

struct MouseRecord;
struct Prss;

// ---- [Graph] ----
constexpr int GRAPH_MAX_SELECTION = 80;
constexpr int GRAPH_HANDLE_OFFSET = 32;    // pixels from the latest selected point to its handles
constexpr float GRAPH_SAME_X = 0.001f;     // Shift + press: points this close in x are taken too
constexpr float GRAPH_HELD_RATE = 0.0001f; // a held zoom or scale: 1 + rate x frame ms a frame
// The point buttons' colours: points 0 and 1, and the others.
inline constexpr uint8_t GRAPH_FIXED_POINT_COLOUR[3] = {255, 200, 80};
inline constexpr uint8_t GRAPH_POINT_COLOUR[3] = {160, 220, 255};

// Held actions (the tool mode), and the handle modes of a point drag.
enum GraphTool : int32_t {
  GRAPH_TOOL_NONE = 0,
  GRAPH_ZOOM_IN = 1,   // both ranges / f
  GRAPH_ZOOM_OUT = 2,  // both ranges x f
  GRAPH_NARROW = 3,    // scale w / f
  GRAPH_WIDEN = 4,     // scale w x f
  GRAPH_SHRINK_X = 5,  // selected x / f
  GRAPH_GROW_X = 6,
  GRAPH_SHRINK_Y = 7,  // selected y / f
  GRAPH_GROW_Y = 8,
};
enum GraphHandle : uint32_t { GRAPH_HANDLE_NONE = 0, GRAPH_HANDLE_X = 1, GRAPH_HANDLE_Y = 2, GRAPH_HANDLE_BOTH = 3 };

// The words of the tool row and the side panel.
enum GraphWord : int {
  GRAPH_WORD_ZERO_X = 0,
  GRAPH_WORD_NEW = 5,
  GRAPH_WORD_DUPLICATE = 6,
  GRAPH_WORD_SELECT_ALL = 7,
  GRAPH_WORD_CLEAR = 8,
  GRAPH_WORD_DELETE = 9,
  GRAPH_WORD_SCALE_FIRST = 10,  // 10..13: tool modes 5..8
  GRAPH_WORD_SNAP = 14,
};

struct Graph {
  virtual ~Graph() = default;
  // 1 when the point may be deleted.
  virtual int CanDeletePoint(int index);
  // A kept point moved down from old to new by a delete.
  virtual void RenumberPoint(int oldIndex, int newIndex);
  // The points were changed by the editor (code 0).
  virtual void PointsChanged(int code);

  int32_t mode = 0;         // 0 none; a user's own editing mode word
  uint32_t panning = 0;     // 1 while the view is dragged
  uint32_t handleMode = 0;  // GraphHandle
  int32_t toolMode = 0;     // GraphTool
  int32_t panStartMouseX = 0, panStartMouseY = 0;
  float panStartX = 0, panStartY = 0;
  int32_t left = 0, top = 0, width = 1, height = 1;  // pixels
  GraphData* data = nullptr;
  Prss* owner = nullptr;
  ColourWord background = 0;
  float limitMinX = 0, limitMaxX = 0, limitMinY = 0, limitMaxY = 0;
  float originX = 0, originY = 0, scaleW = 1, scaleH = 1;
  int32_t dragStartX = 0, dragStartY = 0;
  uint32_t snap = 1;
  int32_t selectionCount = 0;
  int32_t maxPoints = GRAPH_MAX_SELECTION;
  int32_t selection[GRAPH_MAX_SELECTION] = {};  // the last is the most recent
  GraphPoint saved[GRAPH_MAX_SELECTION] = {};   // the selection's positions when a drag began

  // The owner, the data, the view's limits and the background; mode words and selection
  // cleared, snap on, 80 points at most, origin (0, 0), both ranges the larger of 1 and the
  // largest x or y of any point.
  void Init(Prss* ownerScreen, GraphData* graphData, float minX, float maxX, float minY, float maxY,
            ColourWord colour);
  // Steps the held action, the pan and the point drag by the mouse, fills the background,
  // draws the grid and adds the side panel.  Called every frame.
  void DrawGraph(int rectLeft, int rectTop, int rectWidth, int rectHeight);
  // Fills the background and draws the grid and the handle lines (during the frame's draw).
  void PaintGraph() const;
  // One button per point, the latest selected point's handles, and the tool row.
  void DrawGraphPoints();
  // A left press on the graph and not on a button starts a pan; 1 when one started.
  int GraphPressed(const MouseRecord& event);
  // "P" adds a point at the mouse, "A" or Ctrl+A selects all (unless the mode word is set),
  // "C" clears the selection.
  void GraphKey(int key);
  // The tool row's and the side panel's words.
  void ToolButton(int word);
  // A point's button pressed with the click code: selection and the start of a drag.
  void PointPressed(int index, int clickCode);
  // A handle pressed (GRAPH_HANDLE_X or GRAPH_HANDLE_Y): a drag in that axis.
  void HandlePressed(uint32_t handle);
  // Deletes the selected points that CanDeletePoint allows, renumbering the kept ones.
  void DeleteSelected();
  void SelectAll();
  void ClearSelection() { selectionCount = 0; }
  int IsSelected(int index) const;

  // The grid step of the view: 0.01 below a range of 3, 0.1 below 30, 1 below 300, else 10.
  float GridStep() const;
  int ScreenX(float x) const;
  int ScreenY(float y) const;
  float GraphX(int screenX) const;
  float GraphY(int screenY) const;
};

// The graph the interface's handlers act on: the one last initialised or drawn.
extern Graph* ActiveGraph;

// ---- [Handlers] ----
// Interface handlers over ActiveGraph (owner, click code, word).
void GraphPointButton(void* owner, int clickCode, uintptr_t index);
void GraphHandleButton(void* owner, int clickCode, uintptr_t handle);
void GraphToolButton(void* owner, int clickCode, uintptr_t word);

// ---- [Point lists] ----
// Grows the array by one (a new array) and appends the point.  The points' stored form is the
// rim body's (vehicle_data/rim_profile.h), their only file.
void AppendGraphPoint(GraphData& data, GraphPoint point);
