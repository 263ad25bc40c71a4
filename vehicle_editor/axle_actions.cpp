// axle_actions.cpp - the suspension page's axle actions: an axle's position, the stagger of a
// pair of wheels and the side of a single wheel.
#include <algorithm>

#include "core/report.h"
#include "physics/car.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

constexpr float FRONT_LIMIT = 4.0f, REAR_LIMIT = -0.1f;  // m: the foremost place of a staggered wheel
constexpr float STAGGER = 0.1f;                          // m
constexpr float OFFSET_TRACK = 1.0f;                     // m: a single wheel offset to the left
constexpr uintptr_t FRONT_SET_BIT = 4;
enum AxleMode : int { MODE_LEFT = 0, MODE_MIDDLE = 1, MODE_RIGHT = 2 };

// The set's wheels as indexes, -1 for none.
void SetWheels(const Car& car, int set, int& left, int& right) {
  left = car.wheelSets[set].leftWheel - 1;
  right = car.wheelSets[set].rightWheel - 1;
}

}  // namespace

void VehicleEditor::AxlePositionChanged(void* owner, int, uintptr_t) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  if (!e.car) return;
  Car& car = *e.car;
  for (int set = 0; set < CAR_WHEEL_SETS; ++set) {
    int left, right;
    SetWheels(car, set, left, right);
    if (left >= 0 && right >= 0 && car.wheelPositions[left].y != car.wheelPositions[right].y) continue;
    for (int wheel : {left, right})
      if (wheel >= 0) car.wheelPositions[wheel].y = e.axlePositions[set];
  }
  car.CopyWheelsToConfigs();
  VehicleValueChanged(e);
}

void VehicleEditor::SetAlignment(void* owner, int, uintptr_t word) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  if (!e.car) return;
  Car& car = *e.car;
  const int set = word & FRONT_SET_BIT ? 1 : 0;
  int left, right;
  SetWheels(car, set, left, right);
  if (left < 0 || right < 0) return;
  RecordEdit("set alignment");
  float& l = car.wheelPositions[left].y;
  float& r = car.wheelPositions[right].y;
  const float limit = set == 1 ? FRONT_LIMIT : REAR_LIMIT;
  switch (int(word & 3)) {
    case MODE_LEFT:
      l = std::min(r + STAGGER, limit);
      r = std::min(r, l - STAGGER);
      break;
    case MODE_MIDDLE: l = r = std::min(l, r); break;
    case MODE_RIGHT:
      r = std::min(l + STAGGER, limit);
      l = std::min(l, r - STAGGER);
      break;
    default: break;
  }
  VehicleValueChanged(e);
}

void VehicleEditor::SetWheelOffset(void* owner, int, uintptr_t word) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  if (!e.car) return;
  Car& car = *e.car;
  const int set = word & FRONT_SET_BIT ? 1 : 0;
  int left, right;
  SetWheels(car, set, left, right);
  const int wheel = left >= 0 ? left : right;
  if (wheel < 0) return;
  switch (int(word & 3)) {
    case MODE_RIGHT: ReportBox(&e.prss, "Single wheel offset to right is currently unavailable"); return;
    case MODE_MIDDLE:
      RecordEdit("set wheel central");
      car.wheelSets[set].trackWidth = 0.0f;
      car.wheelPositions[wheel].x = 0.0f;
      break;
    default:
      RecordEdit("set wheel offset");
      car.wheelSets[set].trackWidth = OFFSET_TRACK;
      car.wheelPositions[wheel].x = -0.5f * OFFSET_TRACK;
      break;
  }
  VehicleValueChanged(e);
}
