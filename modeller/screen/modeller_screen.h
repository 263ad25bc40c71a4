// modeller_screen.h - the modeller: the object editor's sub-screen in which one model is
// edited, in one of eight modes, with the selection it owns, its keys, its mouse (picking and
// selection), the overlay that shows the selection and the frame of its buttons.
//
// Sections: [Screen life] [Keys and mouse] [Dispatch] [Buttons and overlay] [Mode sub-screens]
//           [Texts]
//
// The screen's record and the state every part of the modeller shares are modeller_state.h.
// The object editor opens the modeller through its hooks (ModellerHooks, object_editor.h),
// which InstallModellerHooks points here.  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

struct MouseRecord;

// ---- [Screen life] ----
// The modeller's screen inside the object editor, over the main object and its preview entry;
// noExitQuestion 0 asks before a changed model is left.  The editor attaches it as its
// sub-screen.
Prss* StartModeller(ObjectEditor& editor, ModelObject* object, PreviewEntry* preview, Bone* bones,
                    BoneTable* boneTable, int noExitQuestion);
Prss* ModellerScreenAction(Prss* process);
// "yes" to "Exit ZKT?": the program's exit is asked for again and the modeller closes.
void ConfirmModellerExit(ModellerScreen& screen);

// ---- [Keys and mouse] ----
void ModellerScreenKeys(Prss* process, int key);
// Escape and Shift+X: the panels shown again, a stepwise run asked to stop, the question
// before a changed model is left, or the modeller closed.
void ModellerExitKey(ModellerScreen& screen);
void ModellerScreenMouse(Prss* process, MouseRecord* mouse);  // modeller_mouse.cpp

// ---- [Dispatch] ----
// The keys' requests (ModellerOperation): those built run at once; the others are kept in
// lastOperationAsked until their operations exist.
void RunModellerOperation(ModellerScreen& screen, ModellerOperation operation);
// The triangle mode's commands; word 1 opens "Detail reduction options" (the other words come
// with the triangle operations).
void TriangleModeCommand(void* owner, int clickCode, uintptr_t word);

// ---- [Buttons and overlay] ----
// Each frame, last: a slice of a stepwise run (and nothing else while one runs); else the
// markers with the pass of the selection rectangle, the rectangle itself and the subobject
// labels, the automatic level of detail; then the mode bar, the level-of-detail row (or the
// spoke count) with the collision mesh's button, the level's distance, the colour choices,
// the output counts, the undo buttons, the mode's panel with the attribute column, the layer
// panel, the mapping list and the object panel.
void AddModellerButtons(ModellerScreen& screen);
// The level automatic choice takes at a (zoom-scaled, 16.16) camera distance: the current one
// while the distance lies between the previous level's distance (0 for the first) and its own,
// else the first whose distance is not below it (the last at most).
int LodForDistance(const ModelObject& object, int current, int32_t distance);
// The object's output triangles and vertices of a level: its built cache's, or, before a
// build, each triangle (a mirrored one twice) over the corners it uses.
void OutputCounts(const ModelObject& object, int level, int64_t& triangles, int64_t& vertices);
constexpr int64_t OUTPUT_WARNING_COUNT = 65536;  // totals above it show in the warning colour
// "lod dist" and the current level's distance of the edited object, with its steps, at the row
// cursor; then the next row.
void AddLodDistanceRow(ModellerScreen& screen);
// The main object's colour choices (a button each and the sliders of the one shown) and the
// cutout choice of its numbered families ("mapping config : %d"), when it has them.
void AddChoiceRows(ModellerScreen& screen);
// The panels of modes 0 to 3 at the row cursor, a row at a time (modeller_panels.cpp).  The
// triangle and build panels return the row (pixels) where the attribute column starts.
void AddSubobjectPanel(ModellerScreen& screen);
int AddTrianglePanel(ModellerScreen& screen);
void AddPointPanel(ModellerScreen& screen);
int AddBuildPanel(ModellerScreen& screen);
// At the right edge: the current mapping, smoothing group, normal contribution level and
// drive-side swap, each a button of its attribute.  The column stands as high as the panel
// rows from firstButton on leave the right edge free, row top (pixels) at the lowest, so the
// view options under it keep their place in a short window.
void AddAttributeColumn(ModellerScreen& screen, int top, int firstButton);
// The highest pixel row from which `rows` rows of `units` button units against the right edge
// lie over none of the rows added from index firstButton on.
int FreeTopAtRightEdge(int firstButton, int units, int rows);
// "triangle buttons :" with "NO" and "YES" (word 3), width units in all.
void AddTriangleButtonsOption(ModellerScreen& screen, int units);
// The fills and outlines of the selected triangles, the outlines under the pointer and the
// trace's lines (drawn after the previews).
void DrawEditedObjectOverlay(ModellerScreen& screen);
// The handles of the edited object: point mode's move handles at the current point (with Ctrl
// or a drag running in a 2D view and two points selected, the rotate and scale buttons
// instead), subobject mode's at the edited subobject or the shared box.  Added after every
// row of the frame, so that their labels, which keep clear of the buttons already there,
// keep clear of the rows too (the rows cannot know where the labels would stand).
void AddEditedObjectHandles(ModellerScreen& screen);
// Point and build modes: a marker button at each shown point (and its mirrored copy); the
// pass of the selection rectangle over the points; in point mode with the skeleton shown, a
// label at each bone whose click assigns the selected points to it (AssignPointsToBone).
void DrawPointMarkers(ModellerScreen& screen);
void DrawBoneLabels(ModellerScreen& screen);
// Triangle mode: the pass of the selection rectangle over the triangles, and the centre
// buttons while the triangle-buttons option is on.
void DrawTriangleMarkers(ModellerScreen& screen);
// Triangle, point and build modes, a draw mode that shows the model's surfaces (not wire or
// layers) and the wire overlay on: the object editor then picks both sides of triangles.
int ShowsViewMarks();

// ---- [Mode sub-screens] ----
// The sub-screen of a texture mode (4 the texture mapping panel, texture_mapping.h; 5 the
// cutouts screen, cutouts_screen.h; 6 the texture pages screen, texture_pages.h); null for the
// other modes.  After undo and redo the open one takes up the restored selection.  Installed as
// the modes' hooks (ModeSubScreens, modeller_state.h).
Prss* OpenModeSubScreen(ModellerScreen& screen, int mode);
void ReloadModeSubScreen(ModellerScreen& screen);

// ---- [Texts] ----
constexpr const char* TEXT_EXIT_EDITOR = "Exit editor?";
constexpr const char* TEXT_EXIT_PROGRAM = "Exit ZKT?";
constexpr const char* TEXT_UNSAVED_LOST = "Unsaved changes will be lost";
