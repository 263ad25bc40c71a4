// modeller_operations.h - how every geometry operation of the modeller runs: the checks of
// the selection, the layer and the limits that they share, the rebuild of the edited mesh that
// each ends with, and the callbacks of the material flags and the colour choice.
//
// Sections: [Pattern] [Checks and limits] [Edited mesh] [Material callbacks] [Texts]
//
// The operations themselves are in the operations' room (modeller/operations/): the option
// pages in modeller_options.h, the point tools and the extrusion in point_tools.h, the value
// buttons in value_buttons.h, merge by distance and detail reduction in stepwise_runs.h.  Main
// thread only.
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
// A 64-bit coordinate that fits the 16.16 range.
inline bool FitsFixed(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }
// A message box with the refusal (or an error-coloured line while a sub-screen is open).
void RefuseOperation(ModellerScreen& screen, const char* text);
// Nearest integer, ties to even (the modeller's rounding of typed and computed values).
int64_t RoundNearest(double value);
// The modeller's screen behind a button's owner; null when none.
ModellerScreen* OperationScreen(void* owner);

// ---- [Edited mesh] ----
// The display of the edited object rebuilt after an edit (process: the modeller or a sub-screen
// of it; else the open modeller, or without one the open object editor): the car's wheels when
// a spoke object of the car on show was edited, the colour and cutout choices, then the main
// object's preview; the wire edges follow in the next frame.  Also the interface's hook (EditedMeshChanged,
// ui/value_edit.h) and the object editor's (ModellerHooks).
void RefreshEditedMesh(Prss* process);
// The rebuilds so far, a seam for the tests that count what an edit asks for.
extern int EditedMeshRefreshes;

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
