// layers.h - the modeller's layer panel (which layers are shown, which layer the selected
// triangles are on, merging one layer into another, the car's configurations), the
// assignment of the triangle attributes to the selection with the selection of every triangle
// that has one, and two clean-ups of unused points.
//
// Sections: [Layer panel] [Attributes] [Hidden items and points] [Texts]
//
// The visible-layer mask is the object editor's (ObjectEditorShared.visibleLayers); the names
// shown and edited are the main object's.  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

// ---- [Layer panel] ----
constexpr int PANEL_LAYERS = 16;  // the panels offer layers 0..15
// At the row cursor, its rows starting at the cursor's x and the first a row under it: the
// assignment panel in triangle mode with triangles selected and Shift not held, else the
// visibility panel; then the configuration buttons of the car on show.  LAYER_PANEL_UNITS wide.
constexpr int LAYER_PANEL_UNITS = 16;
void AddLayerPanel(ModellerScreen& screen);
// A layer button of the visibility panel: right click renames, left click shows or hides it
// (a layer shown becomes the current one).
void LayerButtonAction(void* owner, int clickCode, uintptr_t layer);
// A layer button of the assignment panel: right click renames, left click asks to put the
// selected triangles on the layer.
void AssignLayerAction(void* owner, int clickCode, uintptr_t layer);
// The row leaders: 0 all shown, 1 none shown, 2 the Shift hint, 3 merge the current layer.
void LayerPanelAction(void* owner, int clickCode, uintptr_t word);
// The triangles of layer from (the main object's and every subobject's) go to layer to and
// from's name is cleared everywhere: "merge layer".
void MergeLayer(ModellerScreen& screen, int to, int from);

// ---- [Attributes] ----
// The attribute buttons (value of the button as the word).  With Ctrl the selection becomes
// every shown triangle of the current level with that value; with no selection the value only
// becomes current; else the selected triangles are asked to take it.
void AssignGroupAction(void* owner, int clickCode, uintptr_t group);
void AssignContributionAction(void* owner, int clickCode, uintptr_t level);
void AssignSwapAction(void* owner, int clickCode, uintptr_t swap);
// A mapping ("colour") button: right click renames the mapping (the light names offered);
// with Ctrl (not in build mode) the shown triangles of the current level with that mapping
// join the selection; in triangle mode with a selection the selected triangles are asked to
// take it; otherwise it only becomes the current mapping.
void AssignColourAction(void* owner, int clickCode, uintptr_t mapping);

// ---- [Hidden items and points] ----
// Deselects the selected triangles and points that lie only in hidden layers.
void DeselectHiddenItems(ModellerScreen& screen);
// Of the selected points, those no triangle uses and that are not reference points are
// removed; record 1 records the undo point "delete unused points".
void DeleteUnusedPoints(ModellerScreen& screen, int record);
// Selected points whose mirrored copy no triangle needs lose their mirrored and central flags.
void UnmirrorUnusedPoints(ModellerScreen& screen);

// ---- [Texts] ----
constexpr const char* TEXT_LAYER_NAME = "Enter name for layer";
constexpr const char* TEXT_PRESS_SHIFT = "Press SHIFT to select layers";
constexpr const char* TEXT_MERGE_LAYER_TITLE = "Select a layer to merge the selected layer into";
constexpr const char* TEXT_ALL_MIRRORED = "All the triangles are mirrored so can't be set to l.r.swap";
constexpr const char* TEXT_UNNAMED_LAYER = "layer";
constexpr const char* TEXT_RENAME_MAPPING = "Enter new name for mapping";
// The hints of the four normal contribution level buttons, "zero" to "high"; the row's label
// keeps the row's own hint, "Normal contribution level".
constexpr const char* NORMAL_LEVEL_HINTS[4] = {"Contribution to normals overridden by other triangles",
                                               "Default contribution to normals", "Medium contribution to normals",
                                               "High contribution to normals"};
