// object_editor.h - the object editor screen: a model object shown and edited in the edit
// view, with its previews, the surface under the mouse, the display options and one
// sub-screen (the modeller, the animation editor or the options).
//
// Sections: [Screen] [Shared state] [Opening] [Draw modes and previews] [Picking]
//           [Panel helpers] [Modeller]
//
// One object editor is open at a time (OpenObjectEditorScreen).  It owns the objects it
// shows and their previews, except the first object when the caller gave it.  Main thread
// only.
#pragma once
#include <cstdint>

#include "core/frame_globals.h"
#include "core/process.h"
#include "modeller/editor/preview_mesh.h"
#include "modeller/editor/wire_edges.h"
#include "ui/interface.h"

struct Bone;
struct BoneTable;
struct MouseRecord;
struct ModelObject;

// ---- [Screen] ----
enum ObjectEditorOpenMode : uint32_t { OPEN_NONE = 0, OPEN_MODELLER = 1, OPEN_ANIMATION_EDITOR = 2 };
enum ObjectEditorCaller : uint8_t { CALLER_ENTRY_MENU = 0, CALLER_VEHICLE_EDITOR = 3 };
constexpr int MAX_SHOWN_OBJECTS = 16;
constexpr uint16_t OBJECT_EDITOR_LIGHT_HEADING = 57344, OBJECT_EDITOR_LIGHT_ELEVATION = 8192;
constexpr uint16_t OBJECT_EDITOR_LIGHT_ELEVATION_MAX = 15474;
constexpr int32_t OBJECT_EDITOR_NEAR_CLIP = 6554;  // 0.1 m
// The shared depth-sorting tree the editor sets up when nobody has.
constexpr uint32_t EDITOR_SORT_TREE_CAPACITY = 72000, EDITOR_SORT_TREE_BUCKETS = 256, EDITOR_SORT_TREE_SHIFT = 20;
// An entry of the depth-sorting tree: a draw batch waiting for its turn by depth.
struct DepthSortEntry {
  const void* item;     // what to draw
  int32_t depth;        // 16.16 along the view
  uint32_t batch;
  float colour[4];
  uint32_t spare[2];
};

struct ObjectEditor {
  Prss prss;
  uint16_t lightHeading, lightElevation;  // 16-bit turns
  uint32_t openMode;        // ObjectEditorOpenMode
  uint8_t callersObject;    // the first shown object belongs to the caller
  int32_t shownCount;
  ModelObject* shown[MAX_SHOWN_OBJECTS];
  PreviewEntry previews[MAX_SHOWN_OBJECTS];
  int32_t showDummy;        // the reference objects (entries 1 and on) are drawn
  int32_t normalsDisplay;   // 0 off, 1 small, 2 big
  int32_t normalsColour;    // 0..3
  int32_t skeletonIndex;    // -1 none
  Bone* bones;
  BoneTable* boneTable;
  int32_t savedNearClip;
  uint8_t callerKind;       // ObjectEditorCaller
  int32_t savedEditorOpen;
  uint8_t madeSortTree;     // this screen set up the depth-sorting tree
  int32_t twoSidedPicking;
  void* animationArgument;
  EditorFrameHookFn savedDrawHook;
  void* savedDrawHookOwner;
  WireEdgeStore wireEdges;
  ModelObject* eyeObject;
};

// ---- [Shared state] ----
// The draw modes: 0 flat, 1 wire, 2 layers, 3 gouraud, 4 mappings, 5 groups, 6 n.c.level,
// 7 l.r.swap.  The current one is MeshDisplay.modellerDrawMode.
enum DrawMode : int { DRAW_FLAT = 0, DRAW_WIRE = 1, DRAW_LAYERS = 2, DRAW_GOURAUD = 3, DRAW_MAPPINGS = 4,
                      DRAW_GROUPS = 5, DRAW_NORMAL_LEVELS = 6, DRAW_SIDE_SWAP = 7 };
struct SurfacePick {
  int32_t rayOrigin[3];   // 16.16
  float rayDirection[3];
  int32_t state;          // 0 not tested, 1 tested with no hit, 2 hit
  int32_t object;         // -1 the main object, else the subobject's index
  int32_t triangle;
  float distance;         // along the ray, metres
  int32_t point[3];       // the hit, 16.16
  float normal[3];        // unit
};
struct ObjectEditorState {
  uint32_t visibleLayers = ~0u;
  uint32_t invert = 0, shadow = 0, wireOverlay = 0, testSideSwap = 0, showHidden = 0;
  uint32_t showWheels = 1, showSubobjects = 1, showMain = 1, showSkeleton = 0, showVehicle = 1;
  int32_t meshesDrawn = 0;
  int32_t unsavedChanges = 0;
  int32_t rebuildWire = 0;
  int32_t meshChangePending = 0;  // the modeller's edits ask for a rebuild
  int32_t modellerBox = 0;        // 2: the modeller asks for its box to be drawn
  int32_t modellerMode = 0;       // the modeller's mode while it is open (ModellerMode)
  int32_t hidePanels = 0, hideBottomRight = 0, closeAll = 0;
  int32_t bottomRightRows = 0;    // rows the edit views' block took over the bottom edge last frame
  // The left edge (pixels) of the block and the view options above it last frame; 0 none drawn.
  int32_t bottomRightLeft = 0;
  int32_t spokeCount = 0;         // of the edited spoke object
  int32_t editedObject = -1;      // the modeller's edited subobject, -1 the main object
  // The view frames the model at the end of the act this many acts on (1: this one), when the
  // frame's panels stand: a model opened, loaded or imported, the key O.
  int32_t frameCountdown = 0;
  SurfacePick pick;
  // A copy of the editor skin name (EditorSkinName), taken at opening and at each choice of
  // skin, so that a media reload can put it back; cleared at closing.
  char skinName[24] = {};
};
extern ObjectEditorState ObjectEditorShared;
extern ObjectEditor* ActiveObjectEditor;  // the open one, null while none is open
int CurrentDrawMode();  // MeshDisplay.modellerDrawMode
// Set while an editor opened by the entry menu or the vehicle editor is open: read by the
// cutout, mapping and texture page screens.
extern int ObjectEditorPagesShared;
// The options screen (opened under the deepest open sub-screen); null until it exists.
extern Prss* (*OpenOptionsScreen)(Prss* parent);
extern int ObjectEditorOpen;  // the object editor screen is open
// The mapping tool's shot of a mapping's screen area: 0 none pending, else the frames drawn
// since the request (1..4).  The frame loop counts them while the tool is open and takes the
// copy at 4 with CopyMappingToClipboard (texture_mapping.h); meanwhile the editor draws no
// background, grid or panels.
extern int MappingScreenshotRequested;
// Where the cutouts screen's rows stand this frame (pixels), for its page panel's place and for
// the editor's panels at the bottom right: the cutout list's right edge and bottom, the right
// edge and bottom of the rows under the list at the left (its buttons, the mappings of the
// current cutout), and the bottom of the page panel's rows (0 while the panel is not shown).
struct CutoutsLayout {
  int listRight = 0, listBottom = 0, buttonsRight = 0, buttonsBottom = 0, panelBottom = 0;
};
extern CutoutsLayout CutoutsPlaced;

// ---- [Opening] ----
// Opens the editor as a sub-screen of parent (the caller attaches it with Prss_AddSub):
// open mode 1 the modeller at once, 2 the animation editor; object null makes a new empty
// object; skeletonIndex -1 none; callerKind 0 the entry menu, 3 the vehicle editor;
// visibleLayers -1 (all bits) for every layer.
ObjectEditor* OpenObjectEditor(Prss* parent, uint32_t openMode, ModelObject* object, int skeletonIndex,
                               void* animationArgument, ModelObject* eyeObject, int callerKind, uint32_t visibleLayers);
Prss* ObjectEditorScreenAction(Prss* process);
void ObjectEditorKey(Prss* process, int key);
void ObjectEditorMouse(Prss* process, MouseRecord* mouse);
// 0 the options screen, 1 the modeller, 4 the animation editor.
void ObjectEditorMenuAction(ObjectEditor& editor, int action);
// Closes at once without unsaved changes, else asks "Exit editor?".
void ConfirmExitEditor(ObjectEditor& editor);
// 0 look at the origin, 1 at the object, 2 from the driver's eye.
void FrameObjectView(ObjectEditor& editor, int which);

// ---- [Draw modes and previews] ----
void SetObjectDrawMode(ObjectEditor& editor, int force, int mode);
void RebuildObjectPreviews(ObjectEditor& editor, int force);
void RebuildMainPreview(ObjectEditor& editor);
// The wire mode's edges of the shown previews, collected again.
void RebuildWireEdges(ObjectEditor& editor);
// The count of different materials of a Gouraud first preview, and its count of parts
// through the out-argument; 0 (and 0) otherwise.
int PreviewMaterialCount(int* second);
// 1 plus the place of a material among the different materials of a Gouraud first preview, in
// the order its parts first use them; 0 when the preview has no part of it.
int PreviewMaterialNumber(const void* material);
// Whether the cutouts screen shows its backing column: for every object but a wheel, whose
// spokes and rim have no cockpit behind them.
int ShowsBackingColumn();

// ---- [Picking] ----
// The world position of a point reference of the object (15-bit index, bit 15 the mirrored
// copy: x negated, or for a spoke object the point turned by one spoke step), through the
// object's mesh transform.
IntVector ObjectPointPosition(const ModelObject& object, uint16_t reference);
// The surface under the mouse, once per changed ray (ObjectEditorShared.pick).
void PickSurfaceUnderMouse(ObjectEditor& editor);
// The triangles of one shown object against the ray; updates the pick when a nearer hit is
// found.  perspective limits hits to beyond 0.1 m.
void PickObjectTriangles(ObjectEditor& editor, const ModelObject& object, int objectIndex, int perspective);

// ---- [Panel helpers] ----
// The caption at the bottom middle of the screen (highlighted green, else orange).
void DrawCentredCaption(const char* text, int highlighted);
// A row of buttons sharing the width (the last takes the remainder), the highlighted one lit,
// each calling handler with its index; with count 0 only the row cursor moves down a row.
void AddSplitRowButtons(Prss* owner, int units, int highlighted, int count, const char* const* labels,
                        InterfaceHandler handler);
void AddPanelSeparator(float x, float y);

// ---- [Modeller] ----
// The modeller stands above the object editor: it installs these with its other hooks at
// start-up (InstallModellerHooks, modeller_screen.h's StartModeller and ShowsViewMarks).  A
// null member means no modeller: none opens, no marks are shown and the editor rebuilds its
// own preview.
struct ModellerLink {
  // The modeller's screen inside the editor, over the main object and its preview entry;
  // noExitQuestion 0 asks before a changed model is left.  The editor attaches it as its
  // sub-screen.
  Prss* (*start)(ObjectEditor& editor, ModelObject* object, PreviewEntry* preview, Bone* bones, BoneTable* boneTable,
                 int noExitQuestion);
  // The modeller shows its marks on the view: the picking takes both sides of triangles.
  int (*showsViewMarks)();
  // The edited mesh of the modeller rebuilt when process is the modeller's screen or one of its
  // sub-screens (1); 0, nothing done, for any other process.
  int (*refreshEditedMesh)(Prss* process);
};
extern ModellerLink ModellerHooks;
