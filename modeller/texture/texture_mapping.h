// texture_mapping.h - the texture mapping tool: where a mapping's handles lie, how linked
// mappings pass their sizes on, the tool's sub-screen with its operations and handle drags,
// and the mapping screenshot that copies a mapping's screen area to the clipboard.
//
// Sections: [Handles and links] [Tool state] [Tool life] [Selection and drag box]
//           [Operations] [Handle drags] [Screenshot] [Texts]
//
// A mapping (ModelMapping, model_object.h) is a rectangle in the edited object's space seen
// along its direction.  The tool edits the mappings of the modeller's edited object; every
// edit records an undo point first (AddUndoPoint) and refusals change nothing.  Object-space
// points are 16.16 metres; points "in the editor's space" also carry the edited object's
// offset (and its parent's for a subobject).  Main thread only.
#pragma once
#include <cstdint>

#include "core/process.h"
#include "model/model_meshes.h"
#include "model/model_object.h"

struct ModellerScreen;
struct MouseRecord;

// ---- [Handles and links] ----
constexpr int MAPPING_HANDLE_COUNT = 11;  // 0..3 corners, 4..7 edge middles, 8 centre, 9 roll, 10 direction
constexpr int MAPPING_HANDLE_CENTRE = 8, MAPPING_HANDLE_ROLL = 9, MAPPING_HANDLE_DIRECTION = 10;
extern const int OPPOSITE_MAPPING_HANDLE[8];  // 1, 0, 3, 2, 5, 4, 7, 6
// A handle point in object space: the direction matrix times the handle's offset in the
// mapping's own axes (right, along the view, up) plus the centre.
void GetMappingHandlePoint(const ModelMapping& mapping, int handle, int32_t out[3]);
// The same in the editor's space (the edited object's offset added, its parent's too).
void GetMappingCorner(const ModellerScreen& screen, int mapping, int32_t out[3], int handle);
// The edited object's offset in the editor's space (its parent's added for a subobject).
void EditedObjectOffset(const ModellerScreen& screen, int32_t out[3]);

int IsTopMapping(const ModelMapping& m);    // 1359872
int IsSideMapping(const ModelMapping& m);   // 360 or 1688
int IsFrontOrBackMapping(const ModelMapping& m);
// A side, front or back mapping with flag 16, or a top mapping with any of 32, 64, 128.
int IsMappingLinked(const ModelMapping& m);
// The top's sizes and positions go to the partners its flags name (signs stay with each).
void PushTopMappingLinks(ModelObject& object, int top);
// After mapping index changed: its linked tops take its size, then pass it on.
void PushMappingLinks(ModelObject& object, int index);
int FindLinkedTopMapping(const ModelObject& object, int flag);  // -1 none
// "Front", "Back", "Right", "Left", "Top", "Under", else "Horizon" (pitch 0) or "Free".
const char* MappingDirectionName(uint32_t direction);
// The unit normal (t - b) x (a - b) of the plane through a, b and t (16.16); 0 when the
// three points do not span a plane.
int PlaneNormalFromPoints(const int32_t a[3], const int32_t b[3], const int32_t t[3], double n[3]);
// The direction code of the plane through points a, b and t (16.16): the normal
// (t - b) x (a - b).  0 when it has no length; then *code is untouched.
int DirectionFromPoints(const int32_t a[3], const int32_t b[3], const int32_t t[3], uint32_t* code,
                        float* pitchDegrees, float* headingDegrees);

// ---- [Tool state] ----
constexpr int MAPPING_PANEL_POINTS = 3;
constexpr uint32_t MAPPING_SHOW_POINTS = 2;  // flags bit 1
constexpr uint16_t MAPPING_POINT_MIRRORED = 0x8000;
struct MappingPanel {
  Prss prss;
  ModellerScreen* modeller;
  int32_t caller;
  int32_t firstRow;           // of the mapping list
  int32_t cutoutSlot;         // armed: -1 none, 0 main, 1 opposite
  int32_t dragHandle;         // -1 none, else 0..10
  int32_t dragMouse[2];       // pixels at the start
  ModelMapping dragStart;     // the record as it was
  int32_t dragPoint[3];       // the grabbed point in object space at the start
  float dragScreenAxis[2];    // the direction handle: centre to handle on the screen, pixels
  float dragStartAngle;       // the roll handle: the mouse's angle round the centre, degrees
  int32_t dragRecorded;       // the drag's start recorded an undo node
  int32_t pointCount;
  uint16_t points[MAPPING_PANEL_POINTS];
  ModelMapping clipboard;
  int32_t hasClipboard;
  uint32_t flags;             // MAPPING_SHOW_POINTS
  int32_t locked;             // linked mappings are refused edits while 1 (the default)
  int16_t savedAngles[3];     // the edited object's rotation, shown unrotated while mapping
  void (*savedHook)(void*);
  void* savedHookOwner;
  uint8_t used[MAX_MODEL_MAPPINGS];  // some triangle uses the mapping; rebuilt each frame
  Material* preview;          // the selected mapping's page (the material table's), by name
  char previewName[EDITOR_SKIN_NAME_SIZE];
};
extern MappingPanel* ActiveMappingPanel;
// The tool's globals, kept between openings.
struct MappingToolSettings {
  int32_t showCutouts;        // 1
  float opacityAll;           // 0.25
  float opacitySelected;      // 0.5
  int32_t copiedBoxCode;      // the copied drag box: -2 none
  int32_t copiedBox[2][3];
  int32_t copiedPosition;     // 16.16
  int32_t copiedAngle;        // 16-bit turn; INT32_MIN none
  int32_t hasCopiedPosition;
};
extern MappingToolSettings MappingTool;

// ---- [Tool life] ----
// The modeller's mode 4: the record made, the object shown unrotated, the draw hook taken.
Prss* OpenMappingPanel(Prss* parent, ModellerScreen& modeller, int caller);
// After undo and redo: the selection again when valid, else none; the slot cleared.
void RefreshMappingPanelSelection();
// Marks the mappings some triangle of the edited object uses.
void MarkUsedMappings(const ModelObject& object, uint8_t used[MAX_MODEL_MAPPINGS]);

// ---- [Selection and drag box] ----
// mode bit 1 set: a second click keeps the selection.
void SelectMapping(MappingPanel& panel, int mode, int index);
void UpdateMappingDragBox(MappingPanel& panel);
int MappingMatchesDragBox(const MappingPanel& panel, const ModelMapping& mapping);
// 1 (refused with the message) when locked and the selected mapping is linked.
int LockedMapsCheck(MappingPanel& panel);
// The central rule, the links of the selected mapping and the drag box brought to it.
void RefreshLinkedMappings(MappingPanel& panel);

// ---- [Operations] ----
// Each returns 1 when it changed the model, 0 when refused (the message shown) or idle.
int AddMappingFromDragBox(MappingPanel& panel);
int AdjustMappingToDragBox(MappingPanel& panel);
int DuplicateMapping(MappingPanel& panel);
void CopyMapping(MappingPanel& panel);
int PasteMapping(MappingPanel& panel);
int DeleteMapping(MappingPanel& panel);
int RenameMapping(MappingPanel& panel, const char* name);
// step: left 1, right 5, Shift+left 10, Shift+right 20 (by the caller); down 1 moves down.
int MoveMappingInList(MappingPanel& panel, int step, int down);
// The armed slot of the selected mapping takes the cutout.
int AssignMappingCutout(MappingPanel& panel, int cutout);
void ArmCutoutSlot(MappingPanel& panel, int mapping, int slot);
// which 0 width, 1 height; metres, refused above 4000 in magnitude.
int SetMappingSize(MappingPanel& panel, int which, double metres);
int SquareMapping(MappingPanel& panel, int which);  // 0 width from the cutout, 1 height
// axis 0..2: metres typed (kind 2 "type position"), a 16.16 step (kind 0) or a paste (kind 1).
int SetMappingPosition(MappingPanel& panel, int axis, int kind, double value);
// angle 0 heading, 1 pitch, 2 roll: a step in quarter degrees (kind 0), a pasted 16-bit turn
// (kind 1) or typed degrees (kind 2).
int SetMappingAngle(MappingPanel& panel, int angle, int kind, double value);
int SwitchMappingCentral(MappingPanel& panel);  // the question's "yes"
// The link question's "yes" with flag 16, 32, 64 or 128.
int SetMappingLink(MappingPanel& panel, int flag);
// 1 when the link may be asked for (axis mapping other than bottom, no roll unless held).
int CanAskMappingLink(MappingPanel& panel, int flag);
// The link question's warning line when another mapping already holds the link that setting
// flag on mapping index would make ("Front mapping %s is also linked to top", ..., "Top mapping
// %s also uses this link", naming the first such mapping as the list shows it); empty when
// none does, or when the question switches the link off.
void MappingLinkWarning(const ModelObject& object, int index, int flag, char* out, int outSize);
// The status an axis mapping shows in place of "rotate": "[spoke mode]" in spoke mode, else
// "[central]" when central, "[linked]" when linked; null for none and for a turned mapping.
const char* MappingStatusText(const ModelMapping& mapping, int spokeMode);
void SetViewFromMapping(MappingPanel& panel, int index);
void CopyDragBox(MappingPanel& panel);
int PasteDragBox(MappingPanel& panel);
int DragBoxFromPoints(MappingPanel& panel);
// Two points: a "Horizon" view with the camera's up axis; three: a "Free" one.
int ViewFromPoints(MappingPanel& panel);
// The normal of the picked points' plane as a line a metre long from the first point (the
// editor's space); 0 with fewer than two points or no plane.
int PickedPointsNormal(const MappingPanel& panel, int32_t from[3], int32_t tip[3]);
void PickMappingPoint(MappingPanel& panel, uint16_t reference);

// ---- [Handle drags] ----
// Starts a drag of the selected mapping's handle with the mouse at (x, y) pixels; 0 when
// refused (the lock, a perspective ray along the plane).
int StartMappingHandleDrag(MappingPanel& panel, int handle, int x, int y);
// The mouse at (x, y) pixels.
void MoveMappingHandleDrag(MappingPanel& panel, int x, int y);
void EndMappingHandleDrag(MappingPanel& panel);
// The right button: the record as it was, and the drag's undo node dropped when it made one.
void CancelMappingHandleDrag(MappingPanel& panel);
// The drag's arithmetic in the mapping's plane: handle moved to point p (object space).
void DragMappingHandleTo(ModelMapping& mapping, const ModelMapping& start, int handle, const int32_t p[3]);

// ---- [Screenshot] ----
// 1024 or 2048: bit 6 of the editor options set means 1024.
int MappingSkinSize();
void SetMappingSkinSize(int size);
// The "copy screen shot" (word 0), "1024" (word 1) and "2048" (word 2) buttons.
void RequestMappingScreenshot(void* owner, int clickCode, uintptr_t word);
// The checks of a shot of the selected mapping; null when it may be taken, else the reason.
const char* CheckMappingScreenshot(const ModellerScreen& screen, const ModelMapping& mapping);
// For the frame loop (modeller.h): whether the tool is open, and the copy of the selected
// mapping's screen area to the clipboard (1 when it reached the clipboard).
int MappingToolIsOpen();
int CopyMappingToClipboard();
// The screen rectangle (pixels, top-left and size) of an RGBA picture, area-averaged to the
// destination size.  Exposed for the tests.
void AreaAverageRect(const uint8_t* rgba, int pitch, int sx, int sy, int sw, int sh, int dw, int dh,
                     uint8_t* out);

// ---- [Texts] ----
constexpr const char* TEXT_MAPPING_LOCKED = "LOCKED : you must click to unlock linked maps";
constexpr const char* TEXT_MAPPING_NEED_2D = "You must be in a 2D view to define a new mapping";
constexpr const char* TEXT_MAPPING_NEED_BOX = "You need a valid drag box to define a new mapping";
constexpr const char* TEXT_MAPPING_SPOKES = "Spokes can only be mapped from the right";
constexpr const char* TEXT_MAPPING_MAXIMUM = "Reached maximum number of mappings";
constexpr const char* TEXT_MAPPING_MATCHES = "Mapping already matches the drag box";
constexpr const char* TEXT_MAPPING_LINKS_REMOVED = "Direction of mapping changed - links removed";
constexpr const char* TEXT_MAPPING_USED = "The selected mapping is used by %d triangle%s";
constexpr const char* TEXT_MAPPING_LAST = "There must be at least one mapping";
constexpr const char* TEXT_MAPPING_RIM = "Can't delete the rim mapping";
constexpr const char* TEXT_MAPPING_RIM_RENAME = "Can't rename the rim mapping (spoke mode)";
constexpr const char* TEXT_MAPPING_BOUNDS = "Value is out of bounds";
constexpr const char* TEXT_MAPPING_CENTRAL_AXIS = "Can't set central - mapping has heading or pitch";
constexpr const char* TEXT_MAPPING_ROTATED_LINK = "Can't link a rotated mapping";
constexpr const char* TEXT_MAPPING_NO_DIRECTION = "Could not get direction from points";
constexpr const char* TEXT_SHOT_REFUSED = "Can't take screenshot -";
