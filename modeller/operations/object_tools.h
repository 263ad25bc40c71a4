// object_tools.h - the tools that act on the whole edited object: clean-up of unused records,
// reflection in x, the triangle sort by facing, merging another model file's mesh, and the
// display switches and selection reset of the same command.
//
// Sections: [Command] [Merging a mesh file] [Texts]
//
// Selecting everything, the box selection and the shortcut keys are in modeller_selection.h
// and modeller_keys.cpp; the clean-up itself is CleanUpObject (subobjects.h).  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

// ---- [Command] ----
enum ObjectToolWord : int {
  OBJECT_TOOL_CLEANUP = 0,       // asks partial or full, then "partial cleanup" / "cleanup object"
  OBJECT_TOOL_ASK_REFLECT = 1,   // asks, then word 2
  OBJECT_TOOL_REFLECT = 2,       // "reflect": the edited object mirrored in x
  OBJECT_TOOL_MERGE_MESH = 3,    // asks for a model file's name, then MergeMeshFile
  OBJECT_TOOL_AUTO_MIRROR = 4,   // flips the build mode's automatic mirroring of new triangles
  OBJECT_TOOL_VIEW_CLEAR_0 = 6,  // the 2D views' frame clear 0
  OBJECT_TOOL_VIEW_CLEAR_1 = 7,  // ... 1
  OBJECT_TOOL_DESELECT = 8,      // the selection reset
  OBJECT_TOOL_SORT = 9,          // "magic triangle sort"
};
void ObjectToolsCommand(void* owner, int clickCode, uintptr_t word);
// The clean-up's answer: full 0 removes unused mappings, cutouts and pages, full 1 also the
// points no triangle uses (reference points stay); on the edited object and its subobjects.
void RunObjectCleanUp(ModellerScreen& screen, int full);

// ---- [Merging a mesh file] ----
// Loads the model file and merges its mesh into the edited object, which must have as many
// mappings, cutouts, pages, groups and levels: points at an existing point's position reuse
// it, triangles already present stay, new ones go to the first unnamed layer (named "NEW"),
// and the existing triangles no loaded one matched are set apart on the next unnamed layer
// ("OLD") or, where their layer also holds matched ones, on further unnamed layers ("NEW2",
// ...).  The layers taken are unnamed and empty, from 1 to 15 (layer 0 is every model's own).
// Records "merge mesh"; refuses without two such layers or past the limits, changing nothing.
// 1 when merged.
int MergeMeshFile(ModellerScreen& screen, const char* name);

// ---- [Texts] ----
constexpr const char* TEXT_CLEANUP_MAIN = "Select cleanup option (for main object and subobjects)";
constexpr const char* TEXT_CLEANUP_SUBOBJECT = "Select cleanup option (for subobject)";
constexpr const char* TEXT_CLEANUP_PARTIAL = "Delete unused mappings, cutouts and texture pages";
constexpr const char* TEXT_CLEANUP_FULL = "Delete unused mappings, cutouts, pages and points";
constexpr const char* TEXT_REFLECT_SUBOBJECT = "Reflect subobject?";
constexpr const char* TEXT_REFLECT_MAIN_AND_SUBOBJECTS = "Reflect main object and subobjects?";
constexpr const char* TEXT_REFLECT_MAIN = "Reflect main object?";
constexpr const char* TEXT_MERGE_MESH_NAME = "Enter name of mesh to MERGE";
constexpr const char* TEXT_MAPPINGS_MISMATCH = "Number of mappings does not match";
constexpr const char* TEXT_CUTOUTS_MISMATCH = "Number of cutouts does not match";
constexpr const char* TEXT_PAGES_MISMATCH = "Number of texture pages does not match";
constexpr const char* TEXT_GROUPS_MISMATCH = "Number of groups does not match";
constexpr const char* TEXT_LODS_MISMATCH = "Number of LODs does not match";
constexpr const char* TEXT_NO_TWO_UNNAMED_LAYERS = "Could not find two unnamed layers";
constexpr const char* TEXT_RUN_OUT_OF_LAYERS = "Run out of layers";
