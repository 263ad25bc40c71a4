// modeller_operations.h - how every geometry operation of the modeller runs, and the ones
// built on that pattern here: the option pages, the checks of the selection, the layer and
// the limits, the extrusion of the traced selection, and the transforms of the selected points
// and of the edited object (their value buttons).
//
// Sections: [Pattern] [Option pages] [Checks and limits] [Dispatch] [Extrusion]
//           [Moving points] [Value buttons] [Object transforms] [Material callbacks] [Texts]
//
// The point tools are in point_tools.h, merge by distance and detail reduction in
// stepwise_runs.h.  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

struct ModelObject;
struct ModelPoint;

// ---- [Pattern] ----
// Every operation: a button handler (owner, click code, word) recounts what it uses, checks
// the visible layer where it adds triangles, the selection and the limits, refusing with a
// message box or an error-coloured message line that changes nothing; asks for its options, a
// typed value or a yes / no where it needs them (an empty answer changes nothing); then
// records the undo point named after the edit (AddUndoPoint), changes the edited object, calls
// RefreshEditedMesh and reports.  New coordinates are worked out in 64 bits first: a result
// outside the 16.16 range refuses the operation before its undo point.

// ---- [Option pages] ----
enum ModellerOptionsPage : int {
  OPTIONS_CIRCLE = 0,     // "Options for circle of points"
  OPTIONS_EXTRUDE = 1,    // "Extrude options"
  OPTIONS_LATHE = 2,      // "Lathe options"
  OPTIONS_MERGE = 3,      // "Point merge options"
  OPTIONS_REDUCTION = 4,  // "Detail reduction options"
};
constexpr int OPTIONS_PAGE_COUNT = 5;
enum ExtrudeClosure : int32_t { EXTRUDE_OPEN = 0, EXTRUDE_CLOSED = 1 };
enum ExtrudeSides : int32_t { ADD_OUTSIDE = 0, ADD_INSIDE = 1, ADD_BOTH = 2 };
enum PointMergeType : int32_t { MERGE_AVERAGE = 0, MERGE_TO_GREEN = 1, MERGE_BY_DISTANCE = 2 };

// The operations' options: they keep their values for the whole run.
struct ModellerOptionValues {
  uint8_t circlePoints = 20;      // 3..80
  float circleRadius = 0.5f;      // metres, 0.001..1000
  int32_t extrudeClosure = EXTRUDE_OPEN;
  int32_t extrudeSides = ADD_OUTSIDE;
  uint8_t latheSteps = 20;        // 1..80
  float latheRotation = 360.0f;   // degrees anti-clockwise, 1..360
  int32_t latheClosure = EXTRUDE_OPEN;
  int32_t latheSides = ADD_OUTSIDE;
  int32_t mergeType = MERGE_AVERAGE;
  float mergeDistance = 0.001f;   // metres, 0.0001..0.5
  float reductionLength = 0.05f;  // metres, 0.001..0.5
};
extern ModellerOptionValues ModellerOptions;

// What the confirmation of an option page runs.
using ModellerRunFunction = void (*)(ModellerScreen& screen);
// Opens the page (its title and controls over the message sub-screen) with run for "yes";
// nothing while the screen has a sub-screen open.  1 when opened.
int OpenModellerOptions(ModellerScreen& screen, ModellerRunFunction run, int page);
// The rows the page draws, top first: one row a control, half a row between groups.  Tests
// use it to find the controls of the open page.
void DrawModellerOptionsPage(int page, Prss* pageOwner, int left, int top);
int OpenOptionsPage();  // the page open now; -1 none

// ---- [Checks and limits] ----
// 1 when the trace can be extruded: a trace mode, at least mode + 1 entries, as many as there
// are selected points, every entry a point's index.
int IsTraceValid(const ModellerScreen& screen);
// 0 when the current layer is shown; else the message box "A visible layer must be selected"
// and 1 (the caller stops).
int CheckLayerVisible(ModellerScreen& screen);
// The limits of the edited object from the spoke count of the edited spoke object: 32768
// points and triangles for an ordinary object, 1600 / n each for n spokes, with the messages
// a refusal shows.
void SetSpokeLimits(ModellerScreen& screen);
// 1 when adding the points and triangles keeps the edited object within its limits; else the
// limit's message in a message box (an error-coloured line while a sub-screen is open) and 0.
int CheckAddLimits(ModellerScreen& screen, int64_t addPoints, int64_t addTriangles);
// The triangles an extrusion of n points adds: 2n closed, 2n - 2 open, doubled for both sides.
int64_t ExtrusionTriangles(int64_t n, int closed, int sides);
// A 64-bit coordinate that fits the 16.16 range.
inline bool FitsFixed(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }
// A message box with the refusal (or an error-coloured line while a sub-screen is open).
void RefuseOperation(ModellerScreen& screen, const char* text);
// Nearest integer, ties to even (the modeller's rounding of typed and computed values).
int64_t RoundNearest(double value);

// ---- [Dispatch] ----
// The keys' requests (ModellerOperation): those built run at once; the others are kept in
// lastOperationAsked until their operations exist.
void RunModellerOperation(ModellerScreen& screen, ModellerOperation operation);
// The triangle mode's commands; word 1 opens "Detail reduction options" (the other words come
// with the triangle operations).
void TriangleModeCommand(void* owner, int clickCode, uintptr_t word);
// The modeller's screen behind a button's owner; null when none.
ModellerScreen* OperationScreen(void* owner);

// ---- [Extrusion] ----
// Extrudes the trace (less its last entry, the reference, in trace mode 2): n new points (the
// entries of indexList when given), 2n triangles for a closed strip and 2n - 2 for an open
// one, doubled for both sides; the trace moves onto the new points, which stay selected.
void ExtrudeSelection(ModellerScreen& screen, int closed, int sides, const uint16_t* indexList);
// Run of "Extrude options": the undo point "extrusion", two groups at least, the strip and the
// message with its sound.
void RunExtrusion(ModellerScreen& screen);
// Point tool word 19 (E): the checks, then "Extrude options".
void ExtrudeCommand(ModellerScreen& screen);

// ---- [Moving points] ----
// Moves the selected points along one axis (0 x, 1 y, 2 z) by the distance: "move point" /
// "move points"; a central point keeps x = 0; the mappings only moved points use move too.
// Nothing with no point selected; a move out of the 16.16 range is refused.
void MovePoints(ModellerScreen& screen, int axis, int64_t distance);

// ---- [Value buttons] ----
// Buttons in threes per axis: word w acts on axis w / 3 (0 right, 1 forward, 2 up; angles
// 0 pitch, 1 roll, 2 heading) with w mod 3: 0 a step down, 1 a step up, 2 the value itself
// (click code 6 copies it, 10 pastes the copy, any other click asks for a typed value).
// The green point's coordinates: all selected points move by the difference.
void GreenPointValueButton(void* owner, int clickCode, uintptr_t word);
// The edited object's offset ("move object") and angles ("rotate object", kept on quarter
// degrees).
void ObjectPositionButton(void* owner, int clickCode, uintptr_t word);
void ObjectAngleButton(void* owner, int clickCode, uintptr_t word);
// The copy slots of the value buttons (one for distances, one for angles, one for the level
// of detail distance).
struct ValueCopySlots {
  int32_t distance, angle, lodDistance;
};
extern ValueCopySlots ValueCopies;
// An angle (16-bit turn) after adding delta, kept on quarter degrees.
int16_t QuarterDegreeAngle(int32_t angle, int32_t delta);

// ---- [Object transforms] ----
// Words 0..7: even words divide, odd words multiply by the click code's factor (1.05, 1.1,
// 1.01, 2.0, else 1.0); 0 and 1 scale x, 2 and 3 y, 4 and 5 z, 6 and 7 all three: "scale".
void ScaleObjectButtons(void* owner, int clickCode, uintptr_t word);
// "Enter scale factor for entire object" / "... for subobject": "scale with mappings".
void ScaleObjectDialog(void* owner, int clickCode, uintptr_t word);
// The current level's distance: words 0 down and 1 up (1, 10 or 100 m by the click code),
// 2 the value (typed, copied or pasted); distances are then made to rise.
void LodDistanceButton(void* owner, int clickCode, uintptr_t word);

// ---- [Material callbacks] ----
// After an edit of the material flags: the flags repaired and the master colours passed on.
void MaterialFlagsChanged(void* owner, int clickCode, uintptr_t word);
// After the colour choice changed: the choice applied to the numbered mappings and the master
// colours passed on.
void ColourChoiceChanged(void* owner, int clickCode, uintptr_t word);

// ---- [Texts] ----
constexpr const char* TEXT_LAYER_NOT_VISIBLE = "A visible layer must be selected";
constexpr const char* TEXT_POINT_LIMIT = "Max %d points would be exceeded";
constexpr const char* TEXT_TRIANGLE_LIMIT = "Max %d triangles would be exceeded";
constexpr const char* TEXT_SPOKE_POINT_LIMIT = "Max %d points for each spoke of a %d-spoke wheel";
constexpr const char* TEXT_SPOKE_TRIANGLE_LIMIT = "Max %d triangles for each spoke of a %d-spoke wheel";
constexpr const char* TEXT_ENABLE_TRACE = "To allow extrusion you must enable trace";
constexpr const char* TEXT_EXTRUSION_INVALID = "The current selection is not valid for extrusion";
constexpr const char* TEXT_EXTRUSION_DONE = "Extrusion created - selected points should now be moved";
constexpr const char* TEXT_COLOUR_OUT_OF_BOUNDS = "Selected colour was out of bounds";
constexpr const char* TEXT_VALUE_OUT_OF_BOUNDS = "Value is out of bounds";
constexpr const char* TEXT_MULTIPLIER_OUT_OF_BOUNDS = "Multiplier is out of bounds";
constexpr int SPOKE_WHEEL_LIMIT = 1600;
constexpr int SOUND_DONE = 2, SOUND_REFUSED = 3;
