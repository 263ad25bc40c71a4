// vehicle_editor_sub.cpp - the object editor over the vehicle editor: the modeller on the car's
// model ("Edit"), the driver's animation ("Animate"), the car drawn in the object editor's
// view, and what the editor rebuilds when the sub-editor has closed.
#include "core/frame_globals.h"
#include "modeller/object_editor.h"
#include "physics/car.h"
#include "vehicle/car_draw.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_model.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

constexpr const char* EDIT_MODEL = "edit model";

VehicleEditor* Editor(void* owner) { return static_cast<VehicleEditor*>(owner); }

// A sub-editor opens only over an editor with a car and nothing else open.
bool MayOpenSubEditor(const VehicleEditor& e) { return e.car && !e.prss.sub && e.subEditor == SUB_NONE; }

// The car's meshes made again from its (possibly edited) model, and the car set up again.
void RebuildFromModel(VehicleEditor& e) {
  Car& car = *e.car;
  car.modelInEditor = 0;
  car.ReleaseMeshes();
  car.SetLodDistances();
  car.BuildBodyMesh();
  VehicleEditor::ResetCar(e);
}

}  // namespace

void VehicleEditor::EditModel(void* owner, int, uintptr_t) {
  VehicleEditor& e = *Editor(owner);
  if (!MayOpenSubEditor(e) || !e.car->model) return;
  Car& car = *e.car;
  RecordEdit(EDIT_MODEL);
  car.ReleaseMeshes();
  car.modelInEditor = 1;
  e.subEditor = SUB_MODELLER;
  ObjectEditor* editor = OpenObjectEditor(&e.prss, OPEN_MODELLER, car.model, -1, nullptr, nullptr,
                                          CALLER_VEHICLE_EDITOR, CarLayerMask(car));
  if (!editor) {
    e.subEditor = SUB_NONE;
    RebuildFromModel(e);
    VehicleUndo::FreeLatestNode(&e.selection);
    return;
  }
  Prss_AddSub(&e.prss, &editor->prss);
}

void VehicleEditor::Animate(void* owner, int, uintptr_t) {
  VehicleEditor& e = *Editor(owner);
  if (!MayOpenSubEditor(e)) return;
  e.displayFlags |= SHOW_DRIVER;
  ApplyDriverOption(e);
  if (!e.car->steeringInstance) e.car->LoadAnimations();
  if (!e.car->steeringInstance) {
    ShowVehicleEditorInfo(e.car->steerAnimation[0] ? "There is no driver to animate"
                                                   : "To include a driver you must specify a steering animation");
    return;
  }
  // The driver's animation opens in the animation editor, which the object editor does not
  // offer yet: the driver is shown and nothing else opens.
}

// Called by the act function once the sub-editor has closed.
void VehicleEditor::SubEditorClosed(VehicleEditor& e) {
  const uint8_t which = e.subEditor;
  e.subEditor = SUB_NONE;
  if (!e.car) return;
  if (which == SUB_MODELLER) {
    RebuildFromModel(e);
    // The modeller reports a change of the model by its unsaved-changes word.
    if (!ObjectEditorShared.unsavedChanges) {
      MarkEdit("no changes");
      VehicleUndo::FreeLatestNode(&e.selection);
    }
    ObjectEditorShared.unsavedChanges = 0;
  } else if (which == SUB_ANIMATION) {
    e.car->FreeAnimations();
    e.car->LoadAnimations();
  }
}

void VehicleEditor::DrawScene() {
  VehicleEditor* e = CurrentVehicleEditor;
  if (!e || !e->car || FrameSkipped || e->subEditor != SUB_MODELLER || !ObjectEditorShared.showVehicle) return;
  const uint8_t special = SpecialDraw;
  SpecialDraw = 0;
  CarViewSettings view{};
  view.kind = VIEW_EDITOR;
  view.driverOption = e->displayFlags & SHOW_DRIVER ? 1 : 0;
  view.graphicsOptions = ~uint32_t(GFX_BODY);  // the modeller draws the body itself
  DrawCar(*e->car, view, 1, 0, 3);
  DrawCarSecondPass(*e->car);
  SpecialDraw = special;
}

void VehicleEditor::DrawOverlay() {}
