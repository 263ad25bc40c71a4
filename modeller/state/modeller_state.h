// modeller_state.h - the modeller's state: its modes, what the undo history saves with each
// point, the drags, the screen's record and the shared state (the open modeller, its edited
// object, the texture screens' selections and the shared box), with the changes of mode and of
// edited object that every part of the modeller makes.
//
// Sections: [Modes] [State] [Drags and rectangle] [Screen] [Shared state]
//           [Modes and edited object] [Mode buttons] [Mode sub-screens] [Texts]
//
// One modeller is open at a time (ActiveModeller).  It edits the main object that the object
// editor shows (not owned) and, inside its tree, one edited object (EditedObject).  The
// screen itself (its life, keys, mouse, buttons and overlay) is modeller_screen.h; the undo
// history and the status line are in modeller_undo.h, the selection routines in
// modeller_selection.h, the checks every operation shares in modeller_operations.h.  Main
// thread only.
#pragma once
#include <cstdint>

#include "core/process.h"

struct Bone;
struct BoneTable;
struct ModelObject;
struct ObjectEditor;
struct PreviewEntry;

// ---- [Modes] ----
enum ModellerMode : uint8_t {
  ModeSubobject = 0,
  ModeTriangle = 1,
  ModePoint = 2,
  ModeBuild = 3,
  ModeTextureMapping = 4,  // opens the texture mapping panel
  ModeTextureCutout = 5,   // opens the cutouts screen
  ModeTexturePage = 6,     // opens the texture pages screen
  ModeView = 7,
};
constexpr int MODELLER_MODE_COUNT = 8;
struct ModellerModeButton {
  const char* label;
  const char* hint;
  int shiftKey;  // the letter that selects the mode with Shift
};
extern const ModellerModeButton MODELLER_MODE_BUTTONS[MODELLER_MODE_COUNT];

// ---- [State] ----
constexpr int MAX_TRACE_POINTS = 80;
// How the trace is extruded: 0 off, 1 including the last selected point ("incl"), 2 excluding
// it, the last point a reference only ("excl").
enum TraceMode : uint8_t { TRACE_OFF = 0, TRACE_INCLUDING = 1, TRACE_EXCLUDING = 2 };
constexpr int BUILD_LIST_SIZE = 3;
constexpr uint32_t BUILD_REFERENCE_MIRRORED = 0x8000;  // the mirrored copy of the point in the low bits
constexpr int NORMAL_LEVEL_LOW = 1;

// What the undo history saves and restores whole with each point of the model.
struct ModellerState {
  uint32_t currentGroup;   // smoothing group of new triangles
  uint32_t currentLayer;   // 0..31, the layer of new triangles
  uint32_t buildCount;     // 0..3
  uint32_t buildList[BUILD_LIST_SIZE];
  int32_t selectedPointCount;
  int32_t currentPoint;    // the last point selected (drawn green); -1 none
  int32_t selectedTriangleCount;
  int32_t currentTriangle; // equal to the triangle count when none
  int32_t currentMapping;
  int32_t editedObjectIndex;  // depth-first pre-order from the main object (0)
  int32_t selectedMapping, selectedCutout, selectedPage;  // copies of the shared ones; -1 none
  uint8_t autoMirror;      // build mode mirrors each new triangle
  uint8_t normalLevel;     // 0 zero, 1 low, 2 medium, 3 high
  uint8_t sideSwap;        // 0 static, 1 swap
  uint8_t mode;            // ModellerMode
  uint8_t unchanged;       // 1 until the first recorded edit; set again by a save
  int32_t traceCount;      // 0..80
  uint16_t trace[MAX_TRACE_POINTS];  // selected points in the order they were selected
};

// ---- [Drags and rectangle] ----
enum PointTransformKind : int {
  TRANSFORM_NONE = 0,
  TRANSFORM_ROTATE = 1,
  TRANSFORM_SCALE_2D = 2,
  TRANSFORM_SCALE_HORIZONTAL = 3,
  TRANSFORM_SCALE_VERTICAL = 4,
};
// The drag that rotates or scales the selected points about the current point.
struct PointTransformState {
  int kind;              // PointTransformKind
  float centre[2];       // the current point on the screen, pixels
  float start[2];        // the pointer when the drag began, pixels
  int32_t* positions;    // three 16.16 words per selected point, in point order; owned
  int32_t positionCount; // points held
};

enum HandleDragKind : int { HANDLE_NONE = 0, HANDLE_MOVE_POINTS = 1, HANDLE_BOX_CORNER = 2, HANDLE_MOVE_SUBOBJECT = 3 };
// The drag of a view handle: the selected points, the edited subobject or a corner of the
// shared box.
struct HandleDragState {
  int kind;              // HandleDragKind
  int axis;              // moves: a mask of axes (1 x, 2 y, 4 z); the box: the axis 0..2; -1 none
  int corner;            // of the box: 0 minimum, 1 maximum, -1 none
  int lastMouse[2];      // pixels
  float screenAxes[3][2];// each axis handle's screen direction, pixels (0, 0: none)
  float scale;           // 16.16 units the length of an axis direction stands for
  int32_t grabPoint[3];  // a free drag in perspective: the last hit on its plane (16.16)
  float planeNormal[3];
};

// The selection rectangle of the perspective view, in the interface's normalised units of
// the pointer (x -1 left .. 1 right, y -1 top .. 1 bottom).
enum ScreenRectResult : uint8_t { RECT_NONE = 0, RECT_SELECT = 1, RECT_DESELECT = 2 };
struct ScreenRect {
  uint8_t active;
  uint8_t result;        // ScreenRectResult, applied by the next pass over the markers
  float start[2], current[2], minimum[2], maximum[2];

  void Begin();          // at the pointer
  void Update();         // the current corner follows the pointer
  // Dragged at least 0.011 across (times the screen's height-to-width ratio) or 0.011 down.
  int IsLargeEnough() const;
  int ContainsPoint(const int32_t point[3]) const;  // a 16.16 world point
  // Three 16.16 world points; flag 1 when they run clockwise as the screen shows them (x right,
  // y down), 0 to take them the other way round.  True when the triangle overlaps.
  int ContainsTriangle(const int32_t p0[3], const int32_t p1[3], const int32_t p2[3], int flag) const;
  void Draw() const;     // four lines in the 2D list; one colour while Ctrl is held
};
// A view-space point (16.16: right, up, depth) in normalised units; 0 when it cannot be
// projected (an axis view's scale below 1024, or in front of the near plane in perspective).
int ProjectToScreen(const int32_t viewPoint[3], float out[2]);

// ---- [Screen] ----
constexpr int UNDO_SLOT_COUNT = 31;
constexpr int STATUS_TEXT_SIZE = 236;  // 235 characters and a zero
constexpr uint32_t STATUS_SHOWN_MS = 3000;
constexpr int LIMIT_TEXT_SIZE = 64;
enum StatusKind : uint8_t { STATUS_NOTICE = 0, STATUS_EDIT = 1 };
enum StepwiseRun : int {
  STEPWISE_NONE = 0, STEPWISE_MERGE = 1, STEPWISE_MERGE_STOPPING = 2, STEPWISE_REDUCE = 3, STEPWISE_REDUCE_STOPPING = 4,
};
enum DragSelectState : int { DRAG_SELECT_NONE = 0, DRAG_SELECT_DESELECT = 1, DRAG_SELECT_SELECT = 2 };

// The operations the keys reach (RunModellerOperation, modeller_screen.h).
enum ModellerOperation : int {
  OPERATION_NONE = 0,
  OPERATION_DELETE_SUBOBJECT, OPERATION_DELETE_TRIANGLES, OPERATION_DELETE_POINTS,
  OPERATION_DUPLICATE_SUBOBJECT, OPERATION_DUPLICATE_TRIANGLES, OPERATION_DUPLICATE_POINTS,
  OPERATION_EXTRUDE, OPERATION_HIDE_SELECTED, OPERATION_HIDE_UNSELECTED, OPERATION_UNHIDE_ALL,
  OPERATION_MERGE_DIALOG, OPERATION_DETAIL_REDUCTION_DIALOG, OPERATION_NEW_SUBOBJECT, OPERATION_NEW_POINT,
  OPERATION_FLIP_TRIANGLES, OPERATION_FLIP_CONNECTED, OPERATION_SELECT_TRIANGLE_POINTS,
  OPERATION_SELECT_POINT_TRIANGLES, OPERATION_LOAD_DIALOG, OPERATION_ROTATE_EDGE, OPERATION_FLOOD_SELECT,
  OPERATION_BUILD_CLICK,
};

struct ModellerScreen {
  Prss prss;
  ModellerState state;
  ModelObject* mainObject;       // the object editor's first object: not owned
  ModelObject* editedParent;     // of the edited object; null for the main object
  ObjectEditor* editor;
  PreviewEntry* preview;         // the main object's preview entry
  Bone* bones;                   // the skeleton's, handed on for the operations that need it
  BoneTable* boneTable;
  const char* editNames[UNDO_SLOT_COUNT];  // the undo history's node names, in node order
  HandleDragState handle;
  PointTransformState transform;
  uint32_t statusTimeMs;         // the status line shows while above 0
  uint8_t statusKind;            // StatusKind
  char statusText[STATUS_TEXT_SIZE];
  int32_t noExitQuestion;        // 0: ask before closing a changed model
  int32_t autoLod;               // the level of detail follows the distance
  int32_t stepwiseRun;           // StepwiseRun
  int32_t pairsDone, pairsPossible;
  ScreenRect rect;
  float edgeFraction;            // where a divided edge gets its new point: 0.5
  int32_t buildEdgeUsers;        // triangles of the current level on a two-point build list's edge
  uint8_t buildCtrl;             // Ctrl was held at the last build click
  uint8_t fanPending;            // a Ctrl click made a triangle and kept its first and last points
  int32_t dragSelect;            // DragSelectState
  uint8_t triangleButtons;       // pick triangles by buttons at their centres
  uint8_t facingOnly;            // box selection and triangle buttons only take facing triangles
  uint8_t editedChanged;         // the edited object changed: the next frame takes it up
  uint8_t colourChoice, cutoutChoice;  // applied to the numbered mappings and cutouts on a rebuild
  int32_t pointLimit, triangleLimit;   // of the edited object (SetSpokeLimits)
  char pointLimitText[LIMIT_TEXT_SIZE], triangleLimitText[LIMIT_TEXT_SIZE];  // their refusals
  int32_t raisedTopLimit;        // the point-button limit before the status line raised it; -1 none
  ModellerOperation lastOperationAsked;  // the last request of the keys
  uint8_t traceMode;             // TraceMode; starts including the last point
  uint8_t traceClosed;           // the trace is drawn back to its first point
  uint8_t showScaleRows;         // the subobject panel shows the object's scale buttons
  uint8_t showMoveRows;          // the subobject panel shows the rows that move every point
  int32_t mappingScroll;         // the mapping list's first shown entry
  int32_t subobjectScroll;       // the subobject list's first shown object row
};

// ---- [Shared state] ----
// The visible-layer mask and the panels-hidden flag are the object editor's
// (ObjectEditorShared.visibleLayers, .hidePanels).
extern ModellerScreen* ActiveModeller;  // the open modeller; null while none is open
extern ModelObject* EditedObject;       // the edited object of the open modeller
// The texture screens' selections: -1 none.
extern int32_t SelectedMapping, SelectedCutout, SelectedPage;
extern uint8_t AutoMirrorSetting;       // kept between modellers
// A box of two corners (16.16 metres) that the views show with drag handles: (-2, -2, 0)
// and (2, 2, 2) the first time a modeller opens.
struct ModellerBox {
  int32_t corners[2][3];  // minimum, maximum
  int set;
};
extern ModellerBox ModelBox;

// ---- [Modes and edited object] ----
// The open sub-screen is told to terminate and frees itself; the modeller is current again.
void CloseModellerSubScreen(ModellerScreen& screen);
// Also the mode buttons' handler (ModeButtonAction); the click code is ignored.
void SetModellerMode(ModellerScreen& screen, int clickCode, int mode);
// Makes object the edited object; choosing the edited object again gives the main object.
void SelectSubobject(ModellerScreen& screen, int clickCode, ModelObject* object);
// Makes object the edited object (its parent and index looked up); rebuild 1 rebuilds the mesh.
void SetEditedObject(ModellerScreen& screen, ModelObject* object, int rebuild);
// -2 flips the automatic level of detail; another level of the main object becomes current
// (the edited object's selection cleared and the mesh rebuilt).
void SetCurrentLod(ModellerScreen& screen, int flags, int level);
// The object at a depth-first pre-order index of the tree (0 the main object); null beyond.
ModelObject* ObjectAtTreeIndex(ModelObject& main, int index);
int TreeIndexOf(const ModelObject& main, const ModelObject* object);  // -1 when not in the tree
// The open modeller when process is its screen or a sub-screen of it; null otherwise.
ModellerScreen* ModellerOf(Prss* process);

// ---- [Mode buttons] ----
// The message history button and the eight mode buttons at the row cursor, the mode lit.
void AddModeButtons(ModellerScreen& screen);

// ---- [Mode sub-screens] ----
// The texture mapping panel, the cutouts screen and the texture pages screen are opened as the
// modeller's sub-screen in modes 4, 5 and 6; after undo and redo the open one takes up the
// restored selection.  The texture tools stand above the modes, so the screen installs these
// (OpenModeSubScreen and ReloadModeSubScreen, modeller_screen.h) with the modeller's other
// hooks (InstallModellerHooks); null members open and reload nothing.
struct ModeSubScreenLink {
  Prss* (*open)(ModellerScreen& screen, int mode);
  void (*reload)(ModellerScreen& screen);
};
extern ModeSubScreenLink ModeSubScreens;

// ---- [Texts] ----
constexpr const char* TEXT_UNNAMED_MAPPING = "unnamed mapping";
constexpr const char* TEXT_NO_VISIBLE_LAYERS = "No visible layers - a layer must be selected";
constexpr int MAX_EDIT_LIMIT = 32768;
