// vehicle_editor_car.cpp - the editor's car after an edit: set up again, its seats following
// the driver, its driver carried or not, the drive side told to the program (and chosen,
// locked or unlocked by the user), and the car put back at rest.
#include <cmath>

#include "core/report.h"
#include "physics/car.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

uint8_t DriveSideLeft;

namespace {
constexpr float FULL_BACK_SEAT = 0.35f;  // m: the driver this far off centre leaves room for three
constexpr uint8_t BACK_SEAT_CENTRAL = 1, BACK_SEAT_TWO = 2, BACK_SEAT_THREE = 3;

// The program's drive side and the local player's drive-side bit.
void TellDriveSide(uint8_t left) {
  DriveSideLeft = left;
  if (EditorShellHooks.driveSideChanged) EditorShellHooks.driveSideChanged(left);
}

void DriveSideLockAnswered(Prss* owner, uint32_t, uint32_t) {
  VehicleEditor::ToggleDriveSideLock(reinterpret_cast<VehicleEditor*>(owner), 0, 1);
}
}  // namespace

void VehicleEditor::RebuildCar(VehicleEditor& e) {
  if (e.car) e.car->SetupFromVehicle(1);
}

void VehicleEditor::SeatOptionChanged(VehicleEditor& e) {
  Car* car = e.car;
  if (!car) return;
  if (car->options & OPT1_BACK_SEAT) {
    const float offset = std::fabs(car->driverPosition.x);
    if (offset >= Car::OFF_CENTRE) {
      car->backSeatLateral = offset;
      car->seatsPerRow = offset >= FULL_BACK_SEAT ? BACK_SEAT_THREE : BACK_SEAT_TWO;
    } else {
      car->backSeatLateral = car->driverPosition.x;
      car->seatsPerRow = BACK_SEAT_CENTRAL;
    }
  }
  car->FreeAnimations();
  car->LoadAnimations();
  // The full set-up: the mass model seats the people again, so the humans' mass, the total
  // and the centre of gravity follow "driver", the seats and the passengers.
  car->SetupFromVehicle(0);
  car->UpdateWheelStates();
}

void VehicleEditor::SyncDriveSide(VehicleEditor& e) {
  if (!e.car || !e.car->HasOffCentreDriver()) return;
  const uint8_t left = e.car->driverPosition.x < 0.0f ? 1 : 0;
  if (left != DriveSideLeft) TellDriveSide(left);
}

void VehicleEditor::UpdateDriveSide(VehicleEditor& e) {
  if (!e.car) return;
  const uint8_t left = e.car->driverPosition.x < 0.0f ? 1 : 0;
  TellDriveSide(left);
  e.car->SetDriveSide(left);
}

void VehicleEditor::ToggleDriveSideLock(void* owner, int, uintptr_t word) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  if (!e.car) return;
  const bool locked = e.car->options & OPT1_DRIVE_SIDE_LOCKED;
  if (word == 0) {
    ReportQuestion(&e.prss, DriveSideLockAnswered,
                   locked ? "Allow user to select the drive side?" : "Set vehicle to have a locked drive side?", nullptr,
                   0, 0, 0);
    return;
  }
  RecordEdit(locked ? "unlock drive side" : "lock drive side");
  e.car->options ^= OPT1_DRIVE_SIDE_LOCKED;
  UpdateDriveSide(e);
}

void VehicleEditor::SetDriveSide(void* owner, int, uintptr_t word) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  const uint8_t left = word & 1;
  TellDriveSide(left);
  if (e.car) e.car->SetDriveSide(left);
}

void VehicleEditor::DriverPositionChanged(VehicleEditor& e) {
  SyncDriveSide(e);
  SeatOptionChanged(e);
}

void VehicleEditor::ApplyDriverOption(VehicleEditor& e) {
  const uint8_t wanted = e.displayFlags & SHOW_DRIVER ? 1 : 0;
  if (!e.car || wanted == e.driverApplied) return;
  e.driverApplied = wanted;
  e.car->driverSlot = wanted ? 0 : -1;
  SeatOptionChanged(e);
}
