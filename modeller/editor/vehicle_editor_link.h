// vehicle_editor_link.h - what the object editor asks of the vehicle editor: its scene, its
// overlays, the animation editor, the skeleton checks and the car being edited.
//
// The vehicle editor sits above the modeller in the layers, so it installs these at start-up
// (InstallVehicleEditorHooks, vehicle_editor/vehicle_editor.h).  A null member means the
// service is absent: nothing is drawn, no animation editor opens, no car is edited.  Main
// thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"

struct Prss;
// The skeleton records are the vehicle editor's; the object editor only hands them on.
struct Bone;
struct BoneTable;
struct BoneLinkArray;
struct ModelSkeleton;

struct VehicleEditorLink {
  void (*drawScene)();              // VehicleEditor::DrawScene: the car being edited, if any
  void (*drawOverlay)();            // VehicleEditor::DrawOverlay: the driver view's overlay
  void (*drawAnimEditorOverlay)();  // DrawAnimEditorOverlay
  // CreateAnimEditor: the animation editor screen over parent.
  Prss* (*createAnimEditor)(Prss* parent, Bone* bones, BoneTable* boneTable, BoneLinkArray* links, void* argument);
  // CheckBoneHierarchy: a new bone-link list, or null (the list freed) with the failure
  // shown on the screen.
  BoneLinkArray* (*checkBoneHierarchy)(Prss* screen, Bone* bones, BoneTable* boneTable);
  void (*updateBones)(Bone* bones, BoneTable* boneTable);  // Skeleton::UpdateBones
  // The bone array and bone table of a skeleton of the human system; 0 without one.
  int (*skeletonBones)(int skeletonIndex, Bone** bones, BoneTable** boneTable);
  // The positions (16.16) of the table's bone solids, at most capacity of them; their count.
  int (*bonePositions)(BoneTable* boneTable, int32_t (*out)[3], int capacity);
  int (*carBeingEdited)();          // 1 while the vehicle editor has a car
  int (*eyeTransform)(FixedTransform* out);  // the car's eye, for the driver view; 0 without
  int (*animationTestPlaying)();    // the animation test stops the 2D pan
  // Car::ReleaseMeshes and Car::BuildMeshes of the car on show, after an edit of one of its
  // spoke objects (its wheels show the new spokes).
  void (*rebuildCarMeshes)();
  // The car's configurations (each a name and a visible-layer mask) and its skin identifier,
  // offered by the modeller's layer panel.
  int (*configurationCount)();
  const char* (*configurationName)(int index);
  uint32_t (*configurationMask)(int index);
  const char* (*skinId)();
  // The spoke count (1..22) of the wheels of the car on show, 0 without one; and setting it
  // (the modeller's spoke count follows).
  int (*carSpokeCount)();
  void (*setCarSpokeCount)(int count);
  // The box (16.16, the car's model space) of wheel's tyre: its centre plus and minus half the
  // tyre width across, its radius lengthwise and in height; 0 past the last wheel.
  int (*wheelTyreBox)(int wheel, int32_t minimum[3], int32_t maximum[3]);
};
extern VehicleEditorLink VehicleEditorHooks;

// The wheel around the spoke object the modeller edits ("edit spoke" of the vehicle editor):
// the car on show, which of its wheel records is drawn around the spoke (the spoke object's
// space is that wheel's: its centre at the origin, its axle along x), that wheel's set (0
// rear, 1 front) and the spoke count.  The vehicle editor fills it when it opens the modeller
// on a spoke; the object editor empties it when it closes.  The eight mark slots belong to
// the wheel drawn in place and are cleared whenever a spoke edit opens.
constexpr int WHEEL_CONTEXT_MARKS = 8;
constexpr int WHEEL_CONTEXT_MARK_BYTES = 16;
struct SpokeWheelContext {
  void* car = nullptr;  // the vehicle editor's car; null while no spoke is edited on a car
  int32_t wheel = -1;   // the car's wheel record drawn around the spoke
  int32_t wheelSet = 0;
  int32_t spokeCount = 0;
  uint8_t marks[WHEEL_CONTEXT_MARKS][WHEEL_CONTEXT_MARK_BYTES] = {};
};
extern SpokeWheelContext SpokeWheel;

// The figure posed by the animation editor, which installs this while it is open and clears it
// at close.  With a skeleton the object editor's preview of the figure is built in the rest
// bones' frames and drawn by the rig's current frames; without one it is built and drawn at
// rest.
struct FigurePoseLink {
  const ModelSkeleton* skeleton;  // the rest bones; owned by the animation editor
  // The current frame of each rig solid, at most capacity of them; their count.
  int (*boneFrames)(FixedTransform* out, int capacity);
};
extern FigurePoseLink FigurePose;
