// modeller_operations.cpp - what every edit ends with (the edited mesh rebuilt), the hooks the
// modeller installs, and the entry points of the operations still to come.
#include "modeller/model/model_object.h"
#include "modeller/modeller_screen.h"
#include "modeller/modeller_undo.h"
#include "modeller/object_editor.h"
#include "modeller/vehicle_editor_link.h"
#include "ui/value_edit.h"

namespace {

// The body of the RefreshEditedMesh hook: the car's wheels when a spoke object of the car on
// show was edited, the colour and cutout choices, then the main object's preview; the wire
// edges follow in the next frame.
void ModellerRefreshEditedMesh(Prss* process) {
  ModellerScreen* s = process ? ModellerOf(process) : nullptr;
  if (!s) s = ActiveModeller;
  ObjectEditor* editor = s ? s->editor : ActiveObjectEditor;
  if (!editor || editor->shownCount == 0 || !editor->shown[0]) return;
  ModelObject& main = *editor->shown[0];
  const VehicleEditorLink& car = VehicleEditorHooks;
  if (ObjectEditorShared.spokeCount != 0 && car.carBeingEdited && car.carBeingEdited() && car.rebuildCarMeshes)
    car.rebuildCarMeshes();
  if (s && main.colourChoiceCount > 0) {
    main.ApplyColourChoice(s->colourChoice & 7);
    main.SelectNumberedCutouts(s->cutoutChoice & 63);
  }
  RebuildMainPreview(*editor);
  ObjectEditorShared.rebuildWire = 1;
}

}  // namespace

void InstallObjectEditorHooks() {
  RefreshEditedMesh = ModellerRefreshEditedMesh;
  AddUndoPoint = ModellerAddUndoPoint;
}

void RunModellerOperation(ModellerScreen& screen, ModellerOperation operation) {
  screen.lastOperationAsked = operation;
}

void SetSpokeLimits(ModellerScreen& screen) {
  screen.pointLimit = MAX_EDIT_LIMIT;
  screen.triangleLimit = MAX_EDIT_LIMIT;
}

void StepStepwiseRun(ModellerScreen& screen) {
  if (screen.stepwiseRun == STEPWISE_MERGE_STOPPING || screen.stepwiseRun == STEPWISE_REDUCE_STOPPING)
    screen.stepwiseRun = STEPWISE_NONE;
}
