// vehicle_editor_sub.cpp - the object editor over the vehicle editor: the modeller on the car's
// model ("Edit"), the driver's animation ("Animate"), the car drawn in the object editor's
// view, and what the editor rebuilds when the sub-editor has closed.
#include "core/frame_globals.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "physics/car.h"
#include "skeleton/human_system.h"
#include "vehicle/car_animations.h"
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

// The car's meshes made again from its (possibly edited) model or spoke, the car set up again
// and its colour marks scanned.
void RebuildFromModel(VehicleEditor& e) {
  Car& car = *e.car;
  car.modelInEditor = 0;
  car.ReleaseMeshes();
  car.SetLodDistances();
  car.BuildBodyMesh();
  VehicleEditor::ResetCar(e);
  if (ScanColourMarks) ScanColourMarks(car);  // the model's or the spoke's marks may have changed
}

}  // namespace

void VehicleEditor::EditModel(void* owner, int, uintptr_t) {
  VehicleEditor& e = *Editor(owner);
  if (!MayOpenSubEditor(e) || !e.car->model) return;
  Car& car = *e.car;
  RecordOpeningEdit(EDIT_MODEL);
  e.pageEditPoint = EDIT_MODEL;
  car.ReleaseMeshes();
  car.modelInEditor = 1;
  e.subEditor = SUB_MODELLER;
  ObjectEditor* editor = OpenObjectEditor(&e.prss, OPEN_MODELLER, car.model, -1, nullptr, nullptr,
                                          CALLER_VEHICLE_EDITOR, CarLayerMask(car));
  if (!editor) {
    e.subEditor = SUB_NONE;
    e.pageEditPoint = nullptr;
    RebuildFromModel(e);
    DropOpeningEdit(e);
    return;
  }
  MarkOpened(e);
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
  // The object editor opens on the driver's figure and its skeleton; the animation editor
  // over it edits a copy of the driver's animation, which the car loads again on closing.
  const HumanModel* driver = e.car->steeringInstance->human;
  const int human = int(driver - Humans.models);
  if (!e.car->steeringPose || human < 0 || human >= Humans.modelCount) {
    ShowVehicleEditorInfo("There is no driver to animate");
    return;
  }
  HumanModel& figure = Humans.models[human];
  // The animation editor shows the car and its driver in the editor's views: framed as a
  // loaded car is, whatever the view was turned or zoomed to.
  FitView(e, 1);
  e.subEditor = SUB_ANIMATION;
  ObjectEditor* editor = OpenObjectEditor(&e.prss, OPEN_ANIMATION_EDITOR, &figure.model, int(figure.skeletonIndex),
                                          e.car->steeringPose, nullptr, CALLER_VEHICLE_EDITOR, ~0u);
  if (!editor) {
    e.subEditor = SUB_NONE;
    return;
  }
  Prss_AddSub(&e.prss, &editor->prss);
}

// Called by the act function once the sub-editor has closed.
void VehicleEditor::SubEditorClosed(VehicleEditor& e) {
  const uint8_t which = e.subEditor;
  e.subEditor = SUB_NONE;
  e.spokeInEditor = 0;
  SpokeWheel = SpokeWheelContext{};
  if (!e.car) return;
  if (which == SUB_MODELLER) {
    // The car changed when its bytes did, read before the rebuild sets the level distances
    // anew: the modeller's unsaved-changes word tells only whether the model differs from its
    // file, which a LOAD or SAVE inside it moves.
    const int unchanged = UnchangedSinceOpening(e, e.pageEditPoint);
    e.pageEditPoint = nullptr;
    RebuildFromModel(e);
    CloseOpeningEdit(e, unchanged);
    ObjectEditorShared.unsavedChanges = 0;
  } else if (which == SUB_ANIMATION) {
    e.car->FreeAnimations();
    e.car->LoadAnimations();
  }
}

void VehicleEditor::DrawScene() {
  VehicleEditor* e = CurrentVehicleEditor;
  if (!e || !e->car || FrameSkipped || e->subEditor != SUB_MODELLER || !ObjectEditorShared.showVehicle) return;
  if (e->spokeInEditor) {
    // The spoke is edited in place: its wheel alone, in the spoke's own space.
    if (SpokeWheel.car == e->car) DrawWheelInPlace(*e->car, SpokeWheel.wheel, CarTyreFrame{});
    return;
  }
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

// The car around the driver while the animation editor runs; the editor draws the driver.
void VehicleEditor::DrawOverlay() {
  VehicleEditor* e = CurrentVehicleEditor;
  if (!e || !e->car || FrameSkipped || e->subEditor != SUB_ANIMATION || !ObjectEditorShared.showVehicle) return;
  CarViewSettings view{};
  view.kind = VIEW_EDITOR;
  view.driverOption = 0;
  view.graphicsOptions = ~0u;
  DrawCar(*e->car, view, 1, 0, 3);
  DrawCarSecondPass(*e->car);
}
