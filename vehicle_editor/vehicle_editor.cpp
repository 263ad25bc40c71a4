// vehicle_editor.cpp - the vehicle editor screen.
#include "vehicle_editor/vehicle_editor.h"

#include "modeller/vehicle_editor_link.h"

int VehicleEditorOpen;

// Identity transforms and the origin until the editor sets them.
ViewTransformTable EditorViewTransforms = [] {
  ViewTransformTable t{};
  for (auto& m : t.transforms) m[0] = m[5] = m[10] = m[15] = 1.0f;
  return t;
}();

// No car is edited until the vehicle editor screen exists.
void VehicleEditor::DrawScene() {}
void VehicleEditor::DrawOverlay() {}
void DrawAnimEditorOverlay() {}
Prss* CreateAnimEditor(Prss*, Bone*, BoneTable*, BoneLinkArray*, void*) { return nullptr; }
int CarBeingEdited() { return 0; }
int EditedCarEyeTransform(FixedTransform*) { return 0; }
int AnimationTestPlaying() { return 0; }

namespace {
// The object editor's menu command hands over its bones; until the animation editor screen
// takes the skeleton and rig from it (and checks them with CheckBoneHierarchy), nothing opens.
BoneLinkArray* CheckObjectEditorHierarchy(Prss*, Bone*, BoneTable*) { return nullptr; }
}  // namespace

void InstallVehicleEditorHooks() {
  VehicleEditorLink& h = VehicleEditorHooks;
  h.drawScene = VehicleEditor::DrawScene;
  h.drawOverlay = VehicleEditor::DrawOverlay;
  h.drawAnimEditorOverlay = DrawAnimEditorOverlay;
  h.createAnimEditor = CreateAnimEditor;
  h.checkBoneHierarchy = CheckObjectEditorHierarchy;
  h.updateBones = nullptr;  // Skeleton::UpdateBones comes with the skeleton
  h.carBeingEdited = CarBeingEdited;
  h.eyeTransform = EditedCarEyeTransform;
  h.animationTestPlaying = AnimationTestPlaying;
}
