// model_checks.cpp - model check findings into the problem report, and the installation of the
// modeller's hooks.
//
// While a check runs, the report's checked model is filled from the ModelObject tree being
// checked: the main object first, then its subobjects with their rotations and offsets, so
// that each marker lands where its point or triangle is drawn.  Marker object numbers are
// therefore the subobject's number plus one (1 the main object), as the report counts them.
#include "modeller/screen/model_checks.h"

#include <cstddef>
#include <vector>

#include "model/model_lod_cache.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/build_mode.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_undo.h"
#include "ui/problem_report.h"
#include "ui/value_edit.h"

namespace {

struct CheckRun {
  std::vector<CheckedObject> objects;
  CheckedModel model{};
  const ModelObject* root = nullptr;
  const CheckedModel* previousModel = nullptr;
  int previousMode = 0;
};
CheckRun g_run;

CheckedObject Placement(const ModelObject& o) {
  CheckedObject c{};
  // The report turns by MatrixFromAngles(heading, pitch, roll); an object's rotation is made
  // from its third, first and second angle.
  c.angles[0] = uint16_t(o.angles[2]);
  c.angles[1] = uint16_t(o.angles[0]);
  c.angles[2] = uint16_t(o.angles[1]);
  c.offset = IntVector{o.offset[0], o.offset[1], o.offset[2]};
  return c;
}

void BeginCheck(const ModelObject& object, const ModelObject* parent) {
  CheckRun& r = g_run;
  r.root = parent ? parent : &object;
  r.objects.clear();
  r.objects.push_back(CheckedObject{});  // the main object stays where the model is
  for (int i = 0; i < r.root->childCount && r.root->children; ++i) r.objects.push_back(Placement(r.root->children[i]));
  r.model = CheckedModel{IntVector{0, 0, 0}, r.objects.data(), int(r.objects.size())};
  r.previousModel = CurrentCheckModel;
  r.previousMode = ProblemReportMode;
  CurrentCheckModel = &r.model;
  ProblemReportMode = ModelCheckLevel == 2 ? PROBLEM_REPORT_COLLECT : 0;
}

void ReportCheckProblem(int kind, int object, const char* text) { ReportProblemf(kind, object, "%s", text); }

int AddCheckMarker(int kind, int item, const ModelObject& object, const IntVector& point) {
  const CheckRun& r = g_run;
  const CheckedObject* placed = nullptr;
  if (r.root == &object)
    placed = &r.objects[0];
  else if (r.root && r.root->children && &object >= r.root->children && &object < r.root->children + r.root->childCount)
    placed = &r.objects[std::size_t(&object - r.root->children) + 1];
  return AddProblemMarker(kind, item, placed, &point);
}

void EndCheck() {
  CurrentCheckModel = g_run.previousModel;
  ProblemReportMode = g_run.previousMode;
  g_run.root = nullptr;
}

// The object editor's refresh of its sub-screen: only the modeller's.
int RefreshModellerMesh(Prss* process) {
  if (!ModellerOf(process)) return 0;
  RefreshEditedMesh(process);
  return 1;
}

}  // namespace

void InstallModellerHooks() {
  ModelCheckReport = ModelCheckHooks{BeginCheck, ReportCheckProblem, AddCheckMarker, EndCheck};
  EditedMeshChanged = RefreshEditedMesh;
  AddUndoPoint = ModellerAddUndoPoint;
  SelectListedItems = ModellerSelectListedItems;
  ModellerHooks = ModellerLink{StartModeller, ShowsViewMarks, RefreshModellerMesh};
  ModeSubScreens = ModeSubScreenLink{OpenModeSubScreen, ReloadModeSubScreen};
}
