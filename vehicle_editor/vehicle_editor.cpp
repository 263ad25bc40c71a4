// vehicle_editor.cpp - the vehicle editor screen: one car built from the vehicle being
// edited, standing and stepped under the car simulation, drawn in the editor's 3D view, with
// the status line, the file row and the history buttons.
#include "vehicle_editor/vehicle_editor.h"

#include <cstdio>
#include <cstring>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "core/sound_echo.h"
#include "core/window_state.h"
#include "modeller/vehicle_editor_link.h"
#include "physics/car.h"
#include "render/draw_mesh.h"
#include "render/frame.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/text_draw.h"
#include "ui/widgets.h"
#include "vehicle/car_drawing.h"
#include "vehicle/data/vehicle_file.h"
#include "vehicle/garage_picture.h"
#include "vehicle_editor/animation/anim_screen.h"
#include "vehicle_editor/default_setups.h"
#include "vehicle_editor/skeleton/human_system.h"
#include "vehicle_editor/vehicle_undo.h"

int VehicleEditorOpen;
VehicleEditor* CurrentVehicleEditor;

// Identity transforms and the origin until the editor sets them.
ViewTransformTable EditorViewTransforms = [] {
  ViewTransformTable t{};
  for (auto& m : t.transforms) m[0] = m[5] = m[10] = m[15] = 1.0f;
  return t;
}();

namespace {

constexpr const char* TEXT_EXIT_EDITOR = "Exit editor?";
constexpr const char* TEXT_EXIT_PROGRAM = "Exit ZKT?";
constexpr const char* TEXT_UNSAVED_LOST = "Unsaved changes will be lost";

constexpr float VIEW_DISTANCE_AT_OPEN = 8.0f;  // m
constexpr float VIEW_FIELD = 1.0f;
constexpr uintptr_t FILE_WORD_LOAD = 2, FILE_WORD_SAVE = 6;
constexpr uintptr_t UNDO_WORD = 0, REDO_WORD = 1;

// The grid step the editors' 2D views snap to, as the program keeps it while no editor runs.
int32_t g_gridStep = 65536;

// The history's copy of a point, read in place of a file for the length of one load.
struct HistoryRead {
  explicit HistoryRead(const VehicleUndoNode& n) {
    HistoryVehicleCopy = {n.stored, n.size};
    KeepUnmirrored = 1;
    NoModPath = 1;
  }
  ~HistoryRead() {
    HistoryVehicleCopy = {};
    KeepUnmirrored = 0;
    NoModPath = 0;
  }
};

void ExitEditorAnswered(Prss* owner, uint32_t, uint32_t) {
  if (owner->alive) Prss_Terminate(owner);
}

void ExitProgramAnswered(Prss* owner, uint32_t, uint32_t) {
  ExitRequested = 1;
  RedrawRequested = 1;
  if (owner->alive) Prss_Terminate(owner);
}

void HistoryListButton(void* owner, int, uintptr_t) {
  // The list of history points comes with the tab pages.
  (void)owner;
}

// The status line: the name of the last edit (edit colour) or an information text, counted
// down by the frame time.
void RunStatusLine(VehicleEditor& e) {
  if (e.statusTime <= 0) return;
  e.statusTime = static_cast<int32_t>(FrameTime) >= e.statusTime ? 0 : e.statusTime - static_cast<int32_t>(FrameTime);
  if (!FrameSkipped) DrawCentredCaption(e.statusText, e.statusIsEdit);
}

void DrawCar(VehicleEditor& e) {
  EditorCarPicture p{};
  p.heading = e.viewAngles[0];
  p.distance = e.viewDistance;
  p.fieldFactor = VIEW_FIELD;
  CarViewSettings settings{};
  settings.graphicsOptions = 0xFFFFFFFF;
  settings.skyMode = 1;
  if (!DrawEditorCar(*e.car, p, settings)) e.car->AccumulateRunTime();  // stepped even when not drawn
}

// The file row and the history buttons, from the bottom left.
void AddBottomRows(VehicleEditor& e) {
  Prss* owner = &e.prss;
  SetRowCursorFromBottomLeft(2);
  // The vehicle's name, with a red "*" while there are unsaved changes.
  static char fileName[40];
  std::snprintf(fileName, sizeof fileName, "%s%s", e.vehicleName, e.car && !e.selection.saved ? "^1*" : "");
  AddRowButton(owner, 10, 0, 0, nullptr, fileName, nullptr, "The vehicle's file name");
  AddRowButton(owner, 3, FILE_WORD_LOAD, 0, nullptr, "LOAD", VehicleEditor::FileAction, "Load a vehicle (CTRL+O)");
  if (e.car)
    AddRowButton(owner, 3, FILE_WORD_SAVE, 0, nullptr, "SAVE", VehicleEditor::FileAction, "Save the vehicle to data\\veh");
  SetRowCursorFromBottomLeft(1);
  using namespace VehicleUndo;
  UpdateHints();
  static char current[12], ahead[12];
  std::snprintf(current, sizeof current, "%d", NumNodes - NumRedo);
  std::snprintf(ahead, sizeof ahead, "%d", NumRedo);
  const char* listHint = "View the edit history to select an edit point";
  AddRowButton(owner, 2, 0, 0, nullptr, current, HistoryListButton, listHint);
  AddRowButton(owner, 3, UNDO_WORD, NumRedo < NumNodes, nullptr, "undo",
               NumRedo < NumNodes ? VehicleEditor::UndoRedo : nullptr, UndoHint);
  AddRowButton(owner, 3, REDO_WORD, NumRedo > 0, nullptr, "redo", NumRedo > 0 ? VehicleEditor::UndoRedo : nullptr,
               RedoHint);
  AddRowButton(owner, 2, 0, 0, nullptr, ahead, HistoryListButton, listHint);
}

void CloseEditor(VehicleEditor* e) {
  CurrentVehicleEditor = nullptr;
  VehicleUndo::Clear();
  delete e->car;
  e->car = nullptr;
  g_gridStep = e->savedGridStep;
  SpecialDraw = e->savedSpecialDraw;
  RecordEditMerging = nullptr;
  VehicleEditorOpen = 0;
}

}  // namespace

const char* LoadErrorText() {
  switch (LastDataFileError) {
    case 2: return "File not found";
    case 3: return "File from a later version";
    case 4: return "Obsolete file version";
    case 5: return "Wrong type of file";
    case 9: return "Corrupted file";
    default: return "Unknown error";
  }
}

VehicleEditor* VehicleEditor::Create(Prss* parent) {
  VehicleEditor* e = Prss_New<VehicleEditor>();
  CurrentVehicleEditor = e;
  Prss_Init(&e->prss, parent, ScreenAction, Key, ViewEvent, Terminate, nullptr);
  e->displayFlags = DISPLAY_FLAGS_AT_OPEN;
  e->viewAngles[0] = EDITOR_HEADING_AT_OPEN;
  e->viewAngles[1] = EDITOR_PITCH_AT_OPEN;
  e->viewDistance = VIEW_DISTANCE_AT_OPEN;
  e->dragAxis = -1;
  VehicleUndo::Clear();
  for (int i = 0; i < HISTORY_POINTS; ++i) e->editPointNames[i] = VehicleUndo::Slots[i].name;
  e->selection = VehicleSelection{-1, NO_POINT, -1, 1, {}};
  e->savedGridStep = g_gridStep;
  g_gridStep = EDITOR_GRID_STEP;
  e->savedSpecialDraw = SpecialDraw;
  SpecialDraw = 0;
  RecordEditMerging = RecordInterfaceEdit;
  // The sound of a screen that shows a car: the listener at the camera, the echo ready.
  ResetSoundListener();
  InitEchoDelayLines();
  Prss_MakeCurrent(&e->prss);
  if (!e->prss.background && parent) e->prss.background = parent->background;
  VehicleEditorOpen = 1;
  return e;
}

Prss* VehicleEditor::ScreenAction(Prss* process) {
  VehicleEditor* e = reinterpret_cast<VehicleEditor*>(process);
  if (!process->alive) {
    Prss* parent = process->parent;
    CloseEditor(e);
    delete e;
    if (parent) Prss_MakeCurrent(parent);
    return nullptr;
  }
  GameState = 0;
  if (process->sub) {
    // A page or dialog covers the editor: a quit request waits until it has closed.
    Prss_ActSub(process);
    return process;
  }
  if (ExitRequested) {
    if (e->car && !e->selection.saved) {
      ExitRequested = 0;
      AskQuestion(process, ExitProgramAnswered, TEXT_EXIT_PROGRAM, TEXT_UNSAVED_LOST, 0, 0, 0);
      return process;
    }
    Prss_Terminate(process);
    return process;
  }
  if (!FrameSkipped) {
    if (e->car) {
      if (FrameBegun3D) DrawCar(*e);
    }
    RunStatusLine(*e);
    if (!e->car) AddScreenTitle("no vehicle loaded", 0, 1);
    AddBottomRows(*e);
  } else if (e->car) {
    RunStatusLine(*e);
  }
  return process;
}

void VehicleEditor::AskExit(VehicleEditor& e) {
  if (e.car && !e.selection.saved) {
    if (!e.prss.sub) AskQuestion(&e.prss, ExitEditorAnswered, TEXT_EXIT_EDITOR, TEXT_UNSAVED_LOST, 0, 0, 0);
    return;
  }
  Terminate(&e.prss);
}

void VehicleEditor::Terminate(Prss* process) {
  if (process->alive) Prss_Terminate(process);
}

void VehicleEditor::UndoRedo(void* owner, int, uintptr_t word) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  if (word == UNDO_WORD)
    UndoEdit(e);
  else
    RedoEdit(e);
}

int VehicleEditor::LoadVehicleState(VehicleEditor& e, const char* name, int point) {
  const VehicleLoadArgs args = {0, 0, 0, nullptr, 0, nullptr, 1, {0, 0}, 1, nullptr, 0};
  char text[160];
  if (!name) {
    if (point < 0 || point >= HISTORY_POINTS || !VehicleUndo::Slots[point].stored) {
      ShowVehicleEditorInfo("This edit point holds no vehicle");
      return 0;
    }
    const VehicleUndoNode& n = VehicleUndo::Slots[point];
    Car* car = new Car;
    int loaded;
    {
      HistoryRead reading(n);
      loaded = car->LoadVehicle(n.vehicleName, args);
    }
    if (!loaded) {
      delete car;
      std::snprintf(text, sizeof text, "Could not load vehicle : %s %s", LoadErrorText(), n.vehicleName);
      ReportLine(text, REPORT_ERROR);
      return 0;
    }
    InstallCar(e, car, n.vehicleName);
    return 1;
  }
  Car* car = new Car;
  if (!car->LoadVehicle(name, args)) {
    delete car;
    std::snprintf(text, sizeof text, "Could not load vehicle : %s %s", LoadErrorText(), name);
    ReportLine(text, REPORT_ERROR);
    // A damaged file also names the field that failed.
    char path[FILE_PATH_SIZE];
    if (LastDataFileError == VEHICLE_FILE_CORRUPTED && LastVehicleReadField && MakeVehiclePath(path, sizeof path, name, 0))
      ReportVehicleReadFailure(path);
    return 0;
  }
  std::snprintf(text, sizeof text, "load %s", name);
  RecordEdit(text);
  e.selection.selectedPoint = NO_POINT;
  e.selection.selectedTube = -1;
  e.selection.saved = 1;
  InstallCar(e, car, name);
  return 1;
}

void VehicleEditor::InstallCar(VehicleEditor& e, Car* car, const char* name) {
  EditorSetupChoice = 0;
  EditorColourChoice = 0;
  delete e.car;
  e.car = car;
  std::snprintf(e.vehicleName, sizeof e.vehicleName, "%s", name ? name : "");
  if (car) ResetCar(e);
}

void VehicleEditor::ResetCar(VehicleEditor& e) {
  if (!e.car) return;
  e.car->showCar = 1;
  ++e.carSetups;
  e.car->SetupFromVehicle(1);
  e.car->PlaceAt(0, 0, 0.0f);
}

void VehicleEditor::VehicleValueChanged(VehicleEditor& e) {
  if (!e.car) return;
  ++e.carSetups;
  e.car->SetupFromVehicle(1);
}

// ---- The object editor's view ----
// The modeller over the vehicle editor comes with "Edit": until then no car is drawn there.
void VehicleEditor::DrawScene() {}
void VehicleEditor::DrawOverlay() {}
int CarBeingEdited() { return CurrentVehicleEditor && CurrentVehicleEditor->car ? 1 : 0; }
int EditedCarEyeTransform(FixedTransform*) { return 0; }

namespace {
// The vehicle on show, as the animation editor reads it.
const Car* ShownCar() { return CurrentVehicleEditor ? CurrentVehicleEditor->car : nullptr; }
const char* ShownVehicleName() { return ShownCar() ? CurrentVehicleEditor->vehicleName : nullptr; }
float ShownSteeringLock() { return ShownCar() ? float(ShownCar()->steeringLock * (3.14159265358979323846 / 180.0)) : 0.0f; }
float ShownWheelTurn() { return ShownCar() ? ShownCar()->steeringWheelTurn : 0.0f; }
float* ShownSteering() { return ShownCar() ? &CurrentVehicleEditor->steeringValue : nullptr; }
// The driver's seat in the car as it stands: the car's orientation and position after the
// driver's position in the car's axes.
int ShownDriverPlacement(FixedTransform* out) {
  const Car* car = ShownCar();
  if (!car) return 0;
  FixedTransform carFrame, seat;
  MatrixFloatToFixed(car->orientation, carFrame.rotation);
  carFrame.translation = car->position;
  SetIdentityTransform(seat);
  seat.translation = FixedFromMetres(car->driverPosition);
  TransformCompose(carFrame, seat, *out);
  return 1;
}
}  // namespace

void InstallVehicleEditorHooks() {
  VehicleEditorLink& h = VehicleEditorHooks;
  h.drawScene = VehicleEditor::DrawScene;
  h.drawOverlay = VehicleEditor::DrawOverlay;
  h.drawAnimEditorOverlay = DrawAnimEditorOverlay;
  h.createAnimEditor = CreateAnimEditor;
  h.checkBoneHierarchy = CheckObjectEditorHierarchy;
  h.updateBones = UpdateTableBones;
  h.skeletonBones = HumanSkeletonBones;
  h.bonePositions = TableBonePositions;
  h.carBeingEdited = CarBeingEdited;
  h.eyeTransform = EditedCarEyeTransform;
  h.animationTestPlaying = AnimationTestPlaying;
  AnimVehicleHooks = {ShownVehicleName, ShownSteeringLock, ShownWheelTurn, ShownDriverPlacement, ShownSteering};
}
