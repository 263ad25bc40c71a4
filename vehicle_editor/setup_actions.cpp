// setup_actions.cpp - the small actions of the tabs and of the information panel: the wheel
// and view options, an unused aerodynamic item put to use, and the steps of the car's current
// set-up (tyres, tyre maker, differentials, configuration, passengers, switches), each stored
// back into the chosen default set-up.
#include <algorithm>
#include <cstring>

#include "core/report.h"
#include "info_panel/colour_marks.h"
#include "info_panel/info_panel.h"
#include "physics/car.h"
#include "vehicle/car_model.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_editor/default_setups.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"


void (*ScanColourMarks)(Car& car) = [](Car& car) { ScanCarColourMarks(&car); };
int (*ModelHasFlaggedType12Part)(const Car& car) = [](const Car& car) { return CarHasFlaggedHub(&car); };
void (*GiveLocalPlayerStrategy)();

namespace {

constexpr float USED_AERO_LIFT = -0.6f, USED_AERO_DRAG = 0.2f;
constexpr int TYRE_TYPE_MOST_SLICK = 4;  // formula cars: types 0..4
constexpr int AXLE_DIFFERENTIAL_KINDS = 4, CENTRE_DIFFERENTIAL_KINDS = 2;
constexpr uint8_t PAINT_DELAY_FRAMES = 8;
constexpr const char* TEXT_NO_FUNCTION = "No function";

VehicleEditor& EditorOf(void* owner) { return *static_cast<VehicleEditor*>(owner); }

uintptr_t KeyOf(const void* field) { return reinterpret_cast<uintptr_t>(field); }

}  // namespace

// ---- Tab options ----

void VehicleEditor::WheelOptionChanged(void* owner, int, uintptr_t) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  if (!(car.options & OPT1_SPARE_WHEEL_MASS)) car.options &= ~OPT1_SPARE_WHEEL_VISIBLE;
  VehicleValueChanged(e);
  e.releaseMeshesCountdown = 1;
}

void VehicleEditor::UseAero(void* owner, int, uintptr_t item) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || item >= AERO_ITEMS) return;
  RecordEdit("use aero");
  e.car->aero[item][0] = USED_AERO_LIFT;
  e.car->aero[item][1] = USED_AERO_DRAG;
  VehicleValueChanged(e);
}

void VehicleEditor::ToggleViewOption(void* owner, int, uintptr_t light) {
  VehicleEditor& e = EditorOf(owner);
  if (light < EDITOR_LIGHT_TESTS) e.lightTests[light] ^= 1;
}

void VehicleEditor::FreeFastMeshes(void* owner, int, uintptr_t) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  // The light colour sliders land here: the lamps take their colour from the light records,
  // so those follow the vehicle's colours before the meshes are built again.
  TakeVehicleLightColours(*e.car);
  e.car->FreeFastMeshes();
}

// ---- The information panel ----

void VehicleEditor::StoreSetup(VehicleEditor& e) {
  Car& car = *e.car;
  // A vehicle may hold no set-ups at all; nothing is written outside the list.
  if (car.setupIndex < 0 || car.setupIndex >= car.setupCount || car.setupIndex >= VEHICLE_MAX_SETUPS) return;
  car.setups[car.setupIndex].record = car.currentSetup;
}

void VehicleEditor::InfoSetupChanged(void* owner, int, uintptr_t) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  VehicleValueChanged(e);
  StoreSetup(e);
}

namespace {

// The current colour record copied into the chosen colour configuration, when there is one.
void StoreColours(Car& car) {
  if (car.colourIndex < 0 || car.colourIndex >= car.colourConfigCount ||
      car.colourIndex >= VEHICLE_MAX_COLOUR_CONFIGS)
    return;
  car.colourConfigs[car.colourIndex] = car.currentColours;
}

}  // namespace

void VehicleEditor::InfoColourChanged(void* owner, int, uintptr_t) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  if (e.rebuildModelCountdown == 0) e.rebuildModelCountdown = PAINT_DELAY_FRAMES;
  StoreColours(*e.car);
}

void VehicleEditor::InfoSkinColourChanged(void* owner, int, uintptr_t) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  if (e.releaseMeshesCountdown == 0) e.releaseMeshesCountdown = PAINT_DELAY_FRAMES;
  if (ModelHasFlaggedType12Part && ModelHasFlaggedType12Part(*e.car) && e.rebuildModelCountdown == 0)
    e.rebuildModelCountdown = PAINT_DELAY_FRAMES;
  StoreColours(*e.car);
}

void VehicleEditor::StepTyreType(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  uint8_t* bytes = car.currentSetup.bytes;
  const bool up = word % 2 == 1;
  if (word < 4) {
    const int axle = word < 2 ? 0 : 1;
    uint8_t& type = bytes[SETUP_AXLE[axle] + AXLE_TYRE_TYPE];
    int least = 0, most = TYRE_TYPE_MOST_SLICK;
    if (car.vehicleClass != CLASS_FORMULA && car.vehicleClass != CLASS_F1) car.GetTyreTypeRange(least, most);
    if (most < least) most = least;
    RecordEditKeyed(axle == 0 ? "set rear tyre type" : "set front tyre type", KeyOf(&type), 0, 0);
    type = static_cast<uint8_t>(WrappedStep(type, least, most, up));
  } else if (word < 6) {
    uint8_t& maker = bytes[SETUP_TYRE_MAKER];
    RecordEditKeyed("set tyre manufacturer", KeyOf(&maker), 0, 0);
    maker = static_cast<uint8_t>(WrappedStep(maker, 0, TYRE_MAKER_COUNT - 1, up));
  } else {
    ReportLine(TEXT_NO_FUNCTION, REPORT_MESSAGE);
    return;
  }
  car.ReleaseMeshes();
  car.SetupFromVehicle(1);
  StoreSetup(e);
}

void VehicleEditor::StepDifferential(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || word > 5) return;
  Car& car = *e.car;
  uint8_t* bytes = car.currentSetup.bytes;
  static const char* const NAMES[3] = {"set rear diff", "set front diff", "set centre diff"};
  const int which = static_cast<int>(word / 2);
  uint8_t& kind = which == 2 ? bytes[SETUP_CENTRE_DIFFERENTIAL] : bytes[SETUP_AXLE[which] + AXLE_DIFFERENTIAL];
  const int kinds = which == 2 ? CENTRE_DIFFERENTIAL_KINDS : AXLE_DIFFERENTIAL_KINDS;
  RecordEditKeyed(NAMES[which], KeyOf(&kind), 0, 0);
  kind = static_cast<uint8_t>(WrappedStep(kind, 0, kinds - 1, word % 2 == 1));
  car.SetupFromVehicle(1);
  StoreSetup(e);
}

void VehicleEditor::StepConfiguration(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || e.car->configCount <= 0 || word > 1) return;
  Car& car = *e.car;
  uint8_t& current = car.currentSetup.bytes[SETUP_CONFIGURATION];
  RecordEditKeyed("set configuration", KeyOf(&current), 0, 0);
  const int last = std::min(car.configCount, VEHICLE_MAX_CONFIGS) - 1;
  current = static_cast<uint8_t>(WrappedStep(std::min<int>(current, last), 0, last, word == 1));
  RebuildEditedCar(car);
  StoreSetup(e);
}

void VehicleEditor::SetPassengers(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || word > 15) return;
  Car& car = *e.car;
  RecordEditKeyed("adjust passengers", KeyOf(&car.currentSetup.bytes[SETUP_PASSENGERS]), 0, 0);
  ApplyPassengerWord(car.currentSetup, word);
  SeatOptionChanged(e);
  StoreSetup(e);
}

void VehicleEditor::SetSetupSwitch(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || word > 5) return;
  static const char* const NAMES[3] = {"switch symmetric", "switch tc", "switch abs"};
  RecordEditKeyed(NAMES[word / 2], KeyOf(&e.car->currentSetup.bytes[SETUP_FLAGS]), SwitchFlagOfWord(word), 0);
  ApplySwitchWord(e.car->currentSetup, word);
  if (word == 1) VehicleValueChanged(e);
  StoreSetup(e);
}

void VehicleEditor::InfoStrategyChanged(void*, int, uintptr_t) {
  if (GiveLocalPlayerStrategy) GiveLocalPlayerStrategy();
}
