// vehicle_editor.h - the vehicle editor screen, and the services of it the interface and the
// object editor use.
//
// Layer: vehicle_editor/, a subsystem over vehicle/ (tools/layers.txt).
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "ui/bevel_box.h"
#include "ui/value_edit.h"
#include "render/view_constants.h"

struct Bone;
struct BoneTable;
struct BoneLinkArray;
struct Prss;

extern int VehicleEditorOpen;  // the vehicle editor screen is open

// RecordEditMerging, the interface's hook into the vehicle editor's undo history, is in
// ui/value_edit.h; the bevelled boxes the editor draws are the interface's (ui/bevel_box.h).

// The editor's table of transforms that the view pixel-shader constants are made from (the
// renderer reads it through ViewTransformSource, installed by the program shell).
extern ViewTransformTable EditorViewTransforms;

// ---- The object editor's view of the vehicle editor ----
// The object editor reaches these through the hooks of modeller/vehicle_editor_link.h, which
// InstallVehicleEditorHooks points here (once, at start-up).  Until the vehicle editor screen
// exists no car is edited: the scene and overlays draw nothing and no animation editor opens.
namespace VehicleEditor {
void DrawScene();    // the car being edited in the object editor's 3D view
void DrawOverlay();  // the driver view's overlay
}  // namespace VehicleEditor
void DrawAnimEditorOverlay();
Prss* CreateAnimEditor(Prss* parent, Bone* bones, BoneTable* boneTable, BoneLinkArray* links, void* argument);
// The bone hierarchy is checked by CheckBoneHierarchy (vehicle_editor/animation/bone_links.h).
int CarBeingEdited();                      // 1 while a car is edited
int EditedCarEyeTransform(FixedTransform* out);  // 0 without a car
int AnimationTestPlaying();                // the animation editor's test runs
void InstallVehicleEditorHooks();
