// modeller_operations.cpp - what every edit ends with (the edited mesh rebuilt), the hooks the
// modeller installs, the checks and limits the operations share, and the keys' dispatch.
#include "modeller/state/modeller_operations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/window_state.h"
#include "model/model_materials.h"
#include "model/model_object.h"
#include "modeller/operations/build_mode.h"
#include "modeller/files/modeller_files.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/point_tools.h"
#include "modeller/operations/stepwise_runs.h"
#include "modeller/operations/subobjects.h"
#include "modeller/operations/triangle_tools.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/problem_report.h"
#include "ui/value_edit.h"

namespace {

// The screen's colour choice on the numbered mappings (choice 0 when there is no such one), its
// cutout choice on the numbered cutouts.
void ApplyChoicesToMain(ModellerScreen& s, ModelObject& main) {
  const int choice = s.colourChoice & 7;
  main.ApplyColourChoice(choice < main.colourChoiceCount ? choice : 0);
  main.SelectNumberedCutouts(s.cutoutChoice & 63);
}

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
  if (s && main.colourChoiceCount > 0) ApplyChoicesToMain(*s, main);
  RebuildMainPreview(*editor);
  ObjectEditorShared.rebuildWire = 1;
}

}  // namespace

void InstallObjectEditorHooks() {
  RefreshEditedMesh = ModellerRefreshEditedMesh;
  AddUndoPoint = ModellerAddUndoPoint;
  SelectListedItems = ModellerSelectListedItems;
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

int64_t ExtrusionTriangles(int64_t n, int closed, int sides) {
  if (n <= 0) return 0;
  const int64_t one = closed ? 2 * n : 2 * n - 2;
  return sides == ADD_BOTH ? 2 * one : one;
}

int64_t RoundNearest(double value) {
  constexpr double LIMIT = 4.0e18;
  if (!(value == value)) return 0;
  if (value >= LIMIT) return int64_t(LIMIT);
  if (value <= -LIMIT) return -int64_t(LIMIT);
  return int64_t(std::nearbyint(value));  // the default rounding: to nearest, ties to even
}

// ---- [Dispatch] ----

ModellerScreen* OperationScreen(void* owner) { return owner ? ModellerOf(static_cast<Prss*>(owner)) : nullptr; }

void RunModellerOperation(ModellerScreen& s, ModellerOperation operation) {
  s.lastOperationAsked = operation;
  Prss* owner = &s.prss;
  switch (operation) {
    case OPERATION_DELETE_POINTS: PointToolsCommand(owner, 0, POINT_TOOL_DELETE); break;
    case OPERATION_DUPLICATE_POINTS:
    case OPERATION_NEW_POINT: PointToolsCommand(owner, CLICK_LEFT, POINT_TOOL_NEW_OR_DUPLICATE); break;
    case OPERATION_EXTRUDE: PointToolsCommand(owner, CLICK_LEFT, POINT_TOOL_EXTRUDE); break;
    case OPERATION_SELECT_POINT_TRIANGLES: PointToolsCommand(owner, CLICK_LEFT, POINT_TOOL_SELECT_TRIANGLES); break;
    case OPERATION_MERGE_DIALOG:
      if (s.state.mode == ModeBuild)
        MergeOrRelocate(owner, CLICK_LEFT, 0);
      else
        PointMergeButton(owner, CLICK_LEFT, 3);
      break;
    case OPERATION_DETAIL_REDUCTION_DIALOG: TriangleModeCommand(owner, CLICK_LEFT, 1); break;
    case OPERATION_DELETE_TRIANGLES: TriangleToolsCommand(owner, CLICK_LEFT, TRIANGLE_TOOL_DELETE); break;
    case OPERATION_DUPLICATE_TRIANGLES: TriangleToolsCommand(owner, CLICK_LEFT, TRIANGLE_TOOL_DUPLICATE); break;
    case OPERATION_FLIP_TRIANGLES: TriangleToolsCommand(owner, CLICK_LEFT, TRIANGLE_TOOL_FLIP); break;
    case OPERATION_SELECT_TRIANGLE_POINTS: TriangleToolsCommand(owner, CLICK_LEFT, TRIANGLE_TOOL_SELECT_POINTS); break;
    case OPERATION_HIDE_SELECTED:
    case OPERATION_HIDE_UNSELECTED:
    case OPERATION_UNHIDE_ALL: {
      const uintptr_t word = operation == OPERATION_UNHIDE_ALL ? 0 : operation == OPERATION_HIDE_SELECTED ? 1 : 2;
      if (s.state.mode == ModeTriangle) HideTriangles(owner, CLICK_LEFT, word);
      if (s.state.mode == ModePoint) HidePoints(owner, CLICK_LEFT, word);
      break;
    }
    case OPERATION_FLIP_CONNECTED:
      CountSelectedPoints(s, 1);
      if (s.state.selectedPointCount == 0 || !EditedObject) break;
      if (AddUndoPoint) AddUndoPoint("flip connected tris", 0, 0, 0);
      SelectTrianglesFromPoints(s, 1);
      if (RefreshEditedMesh) RefreshEditedMesh(owner);
      break;
    case OPERATION_NEW_SUBOBJECT: NewSubobject(owner, CLICK_LEFT, 0); break;
    case OPERATION_DUPLICATE_SUBOBJECT: NewSubobject(owner, CLICK_LEFT, 1); break;
    case OPERATION_DELETE_SUBOBJECT: SubobjectCommand(owner, CLICK_LEFT, SUBOBJECT_DELETE); break;
    case OPERATION_LOAD_DIALOG: FileCommand(owner, CLICK_LEFT, FILE_LOAD_MAIN); break;
    default: break;
  }
}

namespace {

void RepairMirroringAnswered(Prss* owner, uint32_t, uint32_t) { TriangleModeCommand(owner, CLICK_LEFT, 5); }

// The shared box round every point of the edited object: symmetric in x, at least -1..1 m
// in x and y and 0..1 m in z.
void FitBoxToPoints(const ModelObject& o) {
  int32_t low[3] = {-FIXED_ONE, -FIXED_ONE, 0}, high[3] = {FIXED_ONE, FIXED_ONE, FIXED_ONE};
  for (int i = 0; i < o.pointCount; ++i) {
    const int32_t v[3] = {o.points[i].x, o.points[i].y, o.points[i].z};
    for (int a = 0; a < 3; ++a) low[a] = std::min(low[a], v[a]), high[a] = std::max(high[a], v[a]);
  }
  const int32_t x = std::max(high[0], low[0] == INT32_MIN ? INT32_MAX : -low[0]);
  low[0] = -x, high[0] = x;
  for (int a = 0; a < 3; ++a) ModelBox.corners[0][a] = low[a], ModelBox.corners[1][a] = high[a];
  ModelBox.set = 1;
}

}  // namespace

void TriangleModeCommand(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  switch (word) {
    case 1: OpenModellerOptions(*s, StartDetailReduction, OPTIONS_REDUCTION); break;
    case 4: AskQuestion(&s->prss, RepairMirroringAnswered, "Replace unmirrored triangles with mirrored?", "", 0, 0, 0); break;
    case 5:
      if (AddUndoPoint) AddUndoPoint("repair mirroring", 0, 0, 0);
      EditedObject->ReplaceMirroredTriangles();
      CountSelectedTriangles(*s, 0);
      s->state.currentTriangle = EditedObject->triangleCount;
      if (RefreshEditedMesh) RefreshEditedMesh(owner ? static_cast<Prss*>(owner) : nullptr);
      break;
    case 6: ObjectEditorShared.modellerBox = ObjectEditorShared.modellerBox ? 0 : 2; break;
    case 7: FitBoxToPoints(*EditedObject); break;
    case 0: AskEditorSkin(*s); break;
    default: break;
  }
}

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
