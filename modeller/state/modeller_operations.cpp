// modeller_operations.cpp - what every edit ends with (the edited mesh rebuilt), the checks
// and limits the operations share, and the callbacks of the material flags and colour choice.
#include "modeller/state/modeller_operations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/model_materials.h"
#include "model/model_object.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "text/messages.h"
#include "ui/dialogs.h"

namespace {

// The screen's colour choice on the numbered mappings (choice 0 when there is no such one), its
// cutout choice on the numbered cutouts.
void ApplyChoicesToMain(ModellerScreen& s, ModelObject& main) {
  const int choice = s.colourChoice & 7;
  main.ApplyColourChoice(choice < main.colourChoiceCount ? choice : 0);
  main.SelectNumberedCutouts(s.cutoutChoice & 63);
}

}  // namespace

// ---- [Edited mesh] ----

int EditedMeshRefreshes;

void RefreshEditedMesh(Prss* process) {
  ++EditedMeshRefreshes;
  ModellerScreen* s = process ? ModellerOf(process) : nullptr;
  if (!s) s = ActiveModeller;
  ObjectEditor* editor = s ? s->editor : ActiveObjectEditor;
  if (!editor || editor->shownCount == 0 || !editor->shown[0]) return;
  ModelObject& main = *editor->shown[0];
  const VehicleEditorLink& car = VehicleEditorHooks;
  if (ObjectEditorShared.spokeCount != 0 && car.carBeingEdited && car.carBeingEdited() && car.rebuildCarMeshes)
    car.rebuildCarMeshes();
  if (s && main.colourChoiceCount > 0) ApplyChoicesToMain(*s, main);
  RebuildMainPreview(*editor);
  ObjectEditorShared.rebuildWire = 1;
}

// ---- [Checks and limits] ----

int IsTraceValid(const ModellerScreen& s) {
  const ModellerState& st = s.state;
  const int mode = s.traceMode;
  if (mode == TRACE_OFF || st.traceCount < mode + 1 || st.traceCount != st.selectedPointCount) return 0;
  const int points = EditedObject ? EditedObject->pointCount : 0;
  for (int i = 0; i < st.traceCount; ++i)
    if (st.trace[i] >= points) return 0;
  return 1;
}

int CheckLayerVisible(ModellerScreen& s) {
  if (ObjectEditorShared.visibleLayers >> (s.state.currentLayer & 31) & 1) return 0;
  ShowMessageBox(&s.prss, TEXT_LAYER_NOT_VISIBLE);
  return 1;
}

void SetSpokeLimits(ModellerScreen& s) {
  const int spokes = ObjectEditorShared.spokeCount;
  if (spokes <= 0) {
    s.pointLimit = s.triangleLimit = MAX_EDIT_LIMIT;
    std::snprintf(s.pointLimitText, LIMIT_TEXT_SIZE, TEXT_POINT_LIMIT, MAX_EDIT_LIMIT);
    std::snprintf(s.triangleLimitText, LIMIT_TEXT_SIZE, TEXT_TRIANGLE_LIMIT, MAX_EDIT_LIMIT);
    return;
  }
  s.pointLimit = s.triangleLimit = SPOKE_WHEEL_LIMIT / spokes;
  std::snprintf(s.pointLimitText, LIMIT_TEXT_SIZE, TEXT_SPOKE_POINT_LIMIT, s.pointLimit, spokes);
  std::snprintf(s.triangleLimitText, LIMIT_TEXT_SIZE, TEXT_SPOKE_TRIANGLE_LIMIT, s.triangleLimit, spokes);
}

void RefuseOperation(ModellerScreen& s, const char* text) {
  if (s.prss.sub)
    ShowMessage(text, TextColours.error);
  else
    ShowMessageBox(&s.prss, text);
}

int CheckAddLimits(ModellerScreen& s, int64_t addPoints, int64_t addTriangles) {
  const ModelObject& o = *EditedObject;
  if (int64_t(o.pointCount) + addPoints > s.pointLimit) {
    RefuseOperation(s, s.pointLimitText);
    return 0;
  }
  if (int64_t(o.triangleCount) + addTriangles > s.triangleLimit) {
    RefuseOperation(s, s.triangleLimitText);
    return 0;
  }
  return 1;
}

int64_t RoundNearest(double value) {
  constexpr double LIMIT = 4.0e18;
  if (!(value == value)) return 0;
  if (value >= LIMIT) return int64_t(LIMIT);
  if (value <= -LIMIT) return -int64_t(LIMIT);
  return int64_t(std::nearbyint(value));  // the default rounding: to nearest, ties to even
}

ModellerScreen* OperationScreen(void* owner) { return owner ? ModellerOf(static_cast<Prss*>(owner)) : nullptr; }

// ---- [Material callbacks] ----

void MaterialFlagsChanged(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject) return;
  FixModelMaterialFlags(*s->mainObject, 0);
  s->mainObject->PropagateMasterColours();
}

void ColourChoiceChanged(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject) return;
  if (s->mainObject->colourChoiceCount > 0) ApplyChoicesToMain(*s, *s->mainObject);
  s->mainObject->PropagateMasterColours();
}
