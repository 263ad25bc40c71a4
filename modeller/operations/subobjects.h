// subobjects.h - the subobject mode's operations: new, duplicated, deleted and reordered
// subobjects, their types and drive-side functions, moving an object's geometry, the levels
// of detail, the main object's colour choices ("mono colours"), merging a subobject into a
// layer of the main object, and the clean-up of unused tables and points.
//
// Sections: [Subobjects] [Commands] [Merge and clean-up] [Texts]
//
// Every operation follows the pattern of modeller_operations.h.  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

struct ModelObject;

// ---- [Subobjects] ----
// What each type does, as the type lists show it ("Main object" .. "Hub object : ...").
extern const char* const SUBOBJECT_TYPE_DESCRIPTIONS[13];
// Word 0 a new subobject (at the green point when asked from point mode), 1 a copy of the
// edited subobject; both ask for the name first.
void NewSubobject(void* owner, int clickCode, uintptr_t word);
// The subobject freed and taken out of its parent's list (the main object emptied instead);
// the main object becomes the edited object.
void DeleteSubobject(ModellerScreen& screen, ModelObject& object);
// Word 0 swaps the edited subobject with the one before it, 1 with the one after.
void MoveSubobjectInList(void* owner, int clickCode, uintptr_t word);
// "delete unused attachments": the main object's attachments without triangles go.
void DeleteUnusedAttachments(void* owner, int clickCode, uintptr_t word);

// ---- [Commands] ----
enum SubobjectCommandWord : int {
  SUBOBJECT_DELETE = 2,
  SUBOBJECT_DELETE_MONO_COLOUR = 3,
  SUBOBJECT_ADD_MONO_COLOUR = 4,
  SUBOBJECT_MOVE_FIRST = 5,  // 5..10: -x, +x, -y, +y, -z, +z
  SUBOBJECT_TYPE = 11,
  SUBOBJECT_FLIP_FUNCTION = 12,
  SUBOBJECT_REMOVE_LOD = 13,
  SUBOBJECT_ADD_LOD = 14,
  SUBOBJECT_MERGE = 15,
};
void SubobjectCommand(void* owner, int clickCode, uintptr_t word);

// ---- [Merge and clean-up] ----
// Unused mappings, cutouts and pages removed (one of each always kept); full also removes
// the points no triangle uses that are not reference points.  Recursive.
void CleanUpModel(ModelObject& object, int full);
// The same on the edited object's tree through the screen: the current mapping 0 and the
// selection reset.
void CleanUpObject(ModellerScreen& screen, ModelObject& object, int full);
// The edited subobject's triangles join the main object on the layer, turned and moved into
// its frame, its tables matched by name and content; the subobject is deleted.  Everything is
// checked before anything changes.  1 when merged.
int MergeSubobjectIntoMain(ModellerScreen& screen, int layer);

// ---- [Texts] ----
constexpr const char* TEXT_MAX_SUBOBJECTS = "Reached maximum number of subobjects";
constexpr const char* TEXT_NEW_SUBOBJECT_NAME = "Enter name of new subobject";
constexpr const char* TEXT_ADDED_SUBOBJECT = "Added a new subobject";
constexpr const char* TEXT_DUPLICATED_SUBOBJECT = "Duplicated subobject";
constexpr const char* TEXT_NOT_MAIN_TYPE = "Can't set subobject as main object";
constexpr const char* TEXT_FLIP_ATTACHMENTS_ONLY = "You can only select the flip function of attachments";
constexpr const char* TEXT_INVALID_FLIP = "Invalid flip function";
constexpr const char* TEXT_CARS_THREE_LODS = "LOD : cars only have 3";
constexpr const char* TEXT_FOUR_LODS = "LOD : increased to 4 but only 3 recommended";
constexpr const char* TEXT_MERGE_SUBOBJECT = "Merge subobject into this layer in main object?";
constexpr const char* TEXT_VALID_LAYER = "A valid layer must be selected";
constexpr const char* TEXT_NOT_CENTRED = "Object contains mirrored points but is not centred";
constexpr const char* TEXT_CENTRALISE = "Centralise object and continue?";
constexpr const char* TEXT_TOO_MANY_PAGES = "Too many texture pages";
constexpr const char* TEXT_TOO_MANY_CUTOUTS = "Too many cutouts";
constexpr const char* TEXT_TOO_MANY_MAPPINGS = "Too many mappings";
constexpr const char* TEXT_DEFAULT_SUBOBJECT_NAME = "subobject";
