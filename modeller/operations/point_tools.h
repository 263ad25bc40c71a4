// point_tools.h - the point mode's operations on the selected points of the edited object:
// new and duplicated points, deletion, mirroring and the centre plane, reference points, the
// ambient darkness, the merges, the distance from the green point, rotating and scaling about
// it, the circle, the lathe and the extrusion of the traced selection; the build mode's merge,
// relocation and real point; and the selection routines they share with the triangle mode.
//
// Sections: [Point tools] [Darkness and merges] [Typed transforms] [Circle and lathe]
//           [Extrusion] [Build mode] [Selection routines] [Texts]
//
// Every operation follows the pattern of modeller_operations.h.  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

struct ModelObject;

// ---- [Point tools] ----
enum PointToolWord : int {
  POINT_TOOL_NEW_OR_DUPLICATE = 0,
  POINT_TOOL_DELETE = 1,
  POINT_TOOL_MIRROR_GREEN = 2,
  POINT_TOOL_CENTRE_GREEN = 3,
  POINT_TOOL_FIX_GREEN = 4,
  POINT_TOOL_FREE_GREEN = 5,
  POINT_TOOL_SET_DISTANCE = 6,
  POINT_TOOL_TRACE_CLOSED = 7,  // the display toggle: the trace drawn back to its first point
  POINT_TOOL_SELECT_BY_INDEX = 9,
  POINT_TOOL_CENTRE = 10,
  POINT_TOOL_MIRROR = 11,
  POINT_TOOL_FREE = 12,
  POINT_TOOL_REFERENCE_GREEN = 15,
  POINT_TOOL_SELECT_TRIANGLES = 17,
  POINT_TOOL_CIRCLE = 18,
  POINT_TOOL_EXTRUDE = 19,
  POINT_TOOL_LATHE = 20,
  POINT_TOOL_FLIP_FRONT_BACK = 21,
  POINT_TOOL_FLIP_LEFT_RIGHT = 22,
  POINT_TOOL_REFERENCE_OFF = 23,
  POINT_TOOL_REFERENCE_ON = 24,
};
// The point mode's button handler (and the keys' entry); recounts the selected points first.
void PointToolsCommand(void* owner, int clickCode, uintptr_t word);
// Copies of the selected points appended in index order (while the limit allows), each
// selected, traced and made green in turn; the sources lose their selection.
void DuplicatePoints(ModellerScreen& screen);
// Removes every point whose selected flag is set; triangle corners above a removed point are
// renumbered.  The caller makes sure no triangle uses a removed point.
void RemoveMarkedPoints(ModelObject& object);

// ---- [Darkness and merges] ----
// Words 0..3: "brt", "drk", "vdk", "exd" (asked first, then "set point darkness").
void PointDarknessButton(void* owner, int clickCode, uintptr_t word);
// Words 0 "avg", 1 "green", 2 "dist": the merge of that type; 3 "merge" opens its page.
void PointMergeButton(void* owner, int clickCode, uintptr_t word);
// Type 0 to the average, 1 to the green point, 2 the background merge by distance.
void MergeSelectedPoints(ModellerScreen& screen, int type);

// ---- [Typed transforms] ----
// The rotate and scale buttons: a left press starts their drag, a right press (and the 3D
// scale, kind 0) asks for the angle or factor.
enum PointTransformButton : int { TRANSFORM_BUTTON_SCALE_3D = 0 };
void PointTransformButtonAction(void* owner, int clickCode, uintptr_t kind);
// Asks the typed value of kind 0 (3D scale) or 1..4 (PointTransformKind).
void AskPointTransform(ModellerScreen& screen, int kind);
// Word 6: asks the distance of the selected points from the green point (in the view plane in
// a 2D view, in space otherwise), then "set point distance".
void AskSetDistance(ModellerScreen& screen);
// Turns the selected points but the green one about the axis through the green point along
// the view's depth, anti-clockwise as seen by the angle; results rounded to 16.16.  0 when a
// result would leave the 16.16 range (nothing moved).
int RotatePointsAroundGreen(ModellerScreen& screen, double radians, int apply);

// ---- [Circle and lathe] ----
void CreateCircle(ModellerScreen& screen);   // run of "Options for circle of points"
void RunLathe(ModellerScreen& screen);       // run of "Lathe options"

// ---- [Extrusion] ----
// The triangles an extrusion of n points adds: 2n closed, 2n - 2 open, doubled for both sides.
int64_t ExtrusionTriangles(int64_t n, int closed, int sides);
// Extrudes the trace (less its last entry, the reference, in trace mode 2): n new points (the
// entries of indexList when given), 2n triangles for a closed strip and 2n - 2 for an open
// one, doubled for both sides; the trace moves onto the new points, which stay selected.
void ExtrudeSelection(ModellerScreen& screen, int closed, int sides, const uint16_t* indexList);
// Run of "Extrude options": the undo point "extrusion", two groups at least, the strip and the
// message with its sound.
void RunExtrusion(ModellerScreen& screen);
// Point tool word 19 (E): the checks, then "Extrude options".
void ExtrudeCommand(ModellerScreen& screen);

// ---- [Build mode] ----
// Word 0 merges the first build point into the last, word 1 moves the triangles from the
// first to the last.
void MergeOrRelocate(void* owner, int clickCode, uintptr_t word);
// The build list's mirrored reference becomes a point of its own.
void CreateRealPoint(void* owner, int clickCode, uintptr_t word);

// ---- [Selection routines] ----
// Selects the point whose index the text gives ("Selected point #%d").
void SelectPointByIndex(ModellerScreen& screen, const char* text);
// The triangles of the current level with a selected point become the selection (each the
// current one in turn); with flip their second and third corners are swapped.
void SelectTrianglesFromPoints(ModellerScreen& screen, int flip);
// The points of the selected triangles become the selection, in triangle and corner order,
// each traced and made green in turn.
void SelectTrianglePoints(ModellerScreen& screen);

// ---- [Texts] ----
constexpr const char* TEXT_TWO_POINTS_NEEDED = "At least two points must be selected";
constexpr const char* TEXT_POINT_IN_USE = "Point is in use";
constexpr const char* TEXT_POINTS_IN_USE = "Points are in use";
constexpr const char* TEXT_MIRRORED_POINT_IN_USE = "Mirrored point is in use";
constexpr const char* TEXT_SOME_FIXED = "Can't merge - some but not all points are fixed to centre";
constexpr const char* TEXT_DISTANCE_OUT_OF_BOUNDS = "Distance is out of bounds";
constexpr const char* TEXT_ROTATION_OUT_OF_BOUNDS = "Rotation degrees must be between -180 and 180";
constexpr const char* TEXT_LATHE_NEEDS_2D = "Lathe function needs a 2D view";
constexpr const char* TEXT_LATHE_STEPS = "Number of steps must be between 1 and 80";
constexpr const char* TEXT_LATHE_FULL_TURN = "360 degree rotation needs at least 3 steps";
constexpr const char* TEXT_MERGE_REFLECTIONS = "Can't merge point reflections";
constexpr const char* TEXT_RELOCATE_REFLECTIONS = "Can't relocate on reflected points";
