// point_values.cpp - the coordinates of frame points typed, copied, pasted and stepped from the
// selected point's X, Y and Z buttons and the step buttons; every change recorded first and
// kept within 6 m of the origin.
#include <cmath>
#include <cstdio>

#include "core/report.h"
#include "core/window_state.h"
#include "physics/car.h"
#include "text/text_strings.h"
#include "ui/dialogs.h"
#include "vehicle_editor/frame_points.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {
constexpr int64_t POINT_VALUE_LIMIT = 393216;  // 6.0 m in 16.16
constexpr double METRE = 65536.0;
constexpr int POINT_VALUE_LENGTH = 8;
constexpr const char* TEXT_TOO_LOW = "New value is too low";
constexpr const char* TEXT_TOO_HIGH = "New value is too high";
constexpr const char* const VALUE_PROMPTS[3] = {"Enter new value for X (right)", "Enter new value for Y (forward)",
                                                "Enter new value for Z (up)"};
constexpr const char* const MOVE_NAMES[3] = {"move x", "move y", "move z"};
constexpr uintptr_t MOVE_KEY = 7;  // the history's merge key of the step buttons
constexpr int CLICK_COPY = CLICK_CTRL | CLICK_RIGHT, CLICK_PASTE = CLICK_SHIFT | CLICK_RIGHT;

VehicleEditor& EditorOf(void* owner) { return *static_cast<VehicleEditor*>(owner); }

int64_t ToFixed(double metres) { return std::llround(metres * METRE); }

// Stores a checked value into the selected point's coordinate under the edit's name.
void StorePointValue(VehicleEditor& e, int axis, int64_t value, const char* edit) {
  FramePoint* p = SelectedFramePoint(e);
  if (!p || VehicleEditor::CheckPointValueRange(e, value)) return;
  RecordEdit(edit);
  const int32_t now = *FrameCoordinate(*p, axis);
  VehicleEditor::MovePoint(e, static_cast<int32_t>(static_cast<uint32_t>(value) - static_cast<uint32_t>(now)), axis);
  VehicleEditor::PointsChanged(e);
}

void ValueAnswered(Prss* owner, const char* text, uint32_t axis) {
  VehicleEditor::EnterPointValue(*reinterpret_cast<VehicleEditor*>(owner), text, int(axis));
}

// The step in metres of a step button's click: the left button 0.001 m (Ctrl 0.0001, Shift
// 0.01, both 0.1), the right button ten times that (Ctrl 0.001, Shift 0.1, both 1.0).
double StepOfClick(int click) {
  const bool ctrl = click & CLICK_CTRL, shift = click & CLICK_SHIFT;
  const double left = ctrl && shift ? 0.1 : shift ? 0.01 : ctrl ? 0.0001 : 0.001;
  return click & CLICK_RIGHT ? left * 10.0 : left;
}
}  // namespace

int VehicleEditor::CheckPointValueRange(VehicleEditor& e, int64_t value) {
  const char* text = value < -POINT_VALUE_LIMIT ? TEXT_TOO_LOW : value > POINT_VALUE_LIMIT ? TEXT_TOO_HIGH : nullptr;
  if (!text) return 0;
  if (e.prss.sub)
    ReportLine(text, REPORT_WARNING);
  else
    ReportBox(&e.prss, text);
  return 1;
}

void VehicleEditor::PointValueAction(void* owner, int click, uintptr_t axis) {
  VehicleEditor& e = EditorOf(owner);
  FramePoint* p = SelectedFramePoint(e);
  if (!p || axis > 2) return;
  const int a = int(axis);
  if (click == CLICK_COPY) {
    e.copiedPointValue = float(*FrameCoordinate(*p, a) / METRE);
    return;
  }
  if (click == CLICK_PASTE) {
    StorePointValue(e, a, ToFixed(e.copiedPointValue), "paste point value");
    return;
  }
  char start[32];
  std::snprintf(start, sizeof start, "%.3f", *FrameCoordinate(*p, a) / METRE);
  AskText(&e.prss, ValueAnswered, VALUE_PROMPTS[a], POINT_VALUE_LENGTH, uint32_t(a), start, 0, 0, nullptr);
}

void VehicleEditor::EnterPointValue(VehicleEditor& e, const char* text, int axis) {
  if (!text || !text[0] || axis < 0 || axis > 2) return;
  StorePointValue(e, axis, ToFixed(StringToFloat(text)), "enter point value");
}

void VehicleEditor::MovePoints(void* owner, int click, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || word > 5) return;
  if (e.selection.selectedPoint != NO_POINT && !SelectedFramePoint(e)) return;  // a wheel point stays
  const int axis = int(word / 2);
  const double metres = word & 1 ? StepOfClick(click) : -StepOfClick(click);
  const int32_t step = static_cast<int32_t>(ToFixed(metres));
  // Steps of one button on one point (or on the whole frame) merge into one node.
  RecordEditKeyed(MOVE_NAMES[axis], MOVE_KEY, word + 1, uintptr_t(e.selection.selectedPoint - NO_POINT + 1));
  if (SelectedFramePoint(e)) {
    MovePoint(e, step, axis);
  } else {
    Car& car = *e.car;
    for (int i = 0; i < car.framePointCount; ++i) {
      if (car.framePoints[i].type != 0) continue;
      int32_t* value = FrameCoordinate(car.framePoints[i], axis);
      *value = static_cast<int32_t>(static_cast<uint32_t>(*value) + static_cast<uint32_t>(step));
    }
  }
  PointsChanged(e);
}
