// triangle_tools.h - the triangle mode's operations on the selected triangles of the edited
// object: deletion, duplication (in place, into another level, as reflected copies), mirroring,
// flipping, sides, subdivision, breaking off into a subobject, hiding, the smoothing groups and
// the object's list of mappings ("colours").
//
// Sections: [Tools] [Shared edits] [Hiding] [Groups] [Colours] [Texts]
//
// Every operation follows the pattern of modeller_operations.h.  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

struct ModelObject;

// ---- [Tools] ----
enum TriangleToolWord : int {
  TRIANGLE_TOOL_DELETE = 0,
  TRIANGLE_TOOL_DUPLICATE = 2,
  TRIANGLE_TOOL_BUTTONS_OPTION = 3,
  TRIANGLE_TOOL_CHECK_UNMIRRORED = 4,
  TRIANGLE_TOOL_BUILD_UNMIRRORED = 5,
  TRIANGLE_TOOL_MIRROR_CURRENT = 6,
  TRIANGLE_TOOL_MIRROR_SELECTED = 7,
  TRIANGLE_TOOL_UNMIRROR = 8,
  TRIANGLE_TOOL_FACING_OPTION = 9,
  TRIANGLE_TOOL_SELECT_BY_INDEX = 10,
  TRIANGLE_TOOL_FLIP = 11,
  TRIANGLE_TOOL_CHECK_BREAK_OFF = 12,
  TRIANGLE_TOOL_BREAK_OFF = 13,
  TRIANGLE_TOOL_DOUBLE_SIDED = 14,
  TRIANGLE_TOOL_SINGLE_SIDED = 15,
  TRIANGLE_TOOL_SELECT_POINTS = 17,
};
// The triangle mode's button handler (and the keys' entry); recounts the selected triangles
// first.
void TriangleToolsCommand(void* owner, int clickCode, uintptr_t word);
// Word 0 asks "Convert each selected triangle into 4 triangles?", word 1 runs the subdivision.
void SubdivideTriangles(void* owner, int clickCode, uintptr_t word);
// Asks, then duplicates the selected triangles into the level and shows that level.
void AddTrianglesToLod(ModellerScreen& screen, int level);

// ---- [Shared edits] ----
enum DuplicateMode : int { DUPLICATE_IN_PLACE = 0, DUPLICATE_INTO_LEVEL = 1, DUPLICATE_MIRRORED = 2 };
// Removes the selected triangles in one pass, the others keeping their order; the selected
// count becomes 0.
void DeleteSelectedTriangles(ModellerScreen& screen);
// New triangles in destination made from the selected triangles of the edited object (see the
// modes; in place the points are copied too, the copies and the new triangles selected, the
// sources deselected).  0 with the point limit's message when the copies do not fit.
int DuplicateTriangles(ModellerScreen& screen, ModelObject& destination, int mode, int level);
// The triangle gets the mirrored flag and each of its own (not reflected) points becomes
// mirrored, or fixed to the centre when it lies on x = 0.
void MirrorTriangle(ModelObject& object, int triangle);

// ---- [Hiding] ----
// Word 0 shows all, 1 hides the selected ones (deselecting them), 2 hides the unselected ones.
void HideTriangles(void* owner, int clickCode, uintptr_t word);
void HidePoints(void* owner, int clickCode, uintptr_t word);

// ---- [Groups] ----
void AddGroup(void* owner, int clickCode, uintptr_t word);
// The current group becomes the value and every selected triangle takes it ("set group").
void SetGroup(ModellerScreen& screen, int group);
// Groups above the current one move down by one, the current group becomes 0; never fewer
// than one group.
void RemoveGroup(void* owner, int clickCode, uintptr_t word);
void CompressGroups(void* owner, int clickCode, uintptr_t word);

// ---- [Colours] ----
enum ColourCommandWord : int { COLOUR_DELETE = 0, COLOUR_ADD = 1, COLOUR_DELETE_UNUSED = 2, COLOUR_CHOOSE = 3 };
void ColourCommand(void* owner, int clickCode, uintptr_t word);
// Adding one offers the light names (LIGHT_MAPPING_NAMES, model_materials.h) as its name.

// ---- [Texts] ----
constexpr const char* TEXT_DUPLICATED_TRIANGLES = "Duplicated triangles - selected points should now be moved";
constexpr const char* TEXT_MIRROR_REFLECTED = "Can't mirror the triangle - it is based on a reflected point";
constexpr const char* TEXT_MIRROR_SWAP = "Can't mirror the triangle - it is set to l.r.swap";
constexpr const char* TEXT_ONE_SWAP_SKIPPED = "One of the triangles is l.r.swap so could not be mirrored";
constexpr const char* TEXT_SOME_SWAP_SKIPPED = "Some of the triangles are l.r.swap so could not be mirrored";
constexpr const char* TEXT_BUILD_UNMIRRORED = "Build unmirrored triangles on reflected points?";
constexpr const char* TEXT_NO_BREAK_OFF_SUBOBJECT = "Did not find a subobject to break off into";
constexpr const char* TEXT_NEED_EMPTY_SUBOBJECT = "You must create a new empty subobject to break off into";
constexpr const char* TEXT_BREAK_OFF = "Break off selected triangles into existing subobject?";
constexpr const char* TEXT_BREAK_OFF_NOTE = "Unused non-reference points will be deleted";
constexpr const char* TEXT_SUBDIVIDE = "Convert each selected triangle into 4 triangles?";
constexpr const char* TEXT_SUBDIVIDE_NOTE = "Edges shared with unselected triangles will no longer be shared";
constexpr const char* TEXT_CURRENT_LOD = "Can't add triangles to current LOD";
constexpr const char* TEXT_ADD_TO_LOD = "Duplicate triangles and add to different LOD?";
constexpr const char* TEXT_MAX_GROUPS = "Reached maximum number of groups";
constexpr const char* TEXT_ONE_COLOUR_NEEDED = "There must be at least one colour";
constexpr const char* TEXT_COLOUR_USED = "Colour is used";
constexpr const char* TEXT_MAX_COLOURS = "Reached maximum number of colours";
constexpr const char* TEXT_NAME_DUPLICATED_MAPPING = "Enter name of duplicated mapping";
