// vehicle_editor_input.cpp - the vehicle editor's keys and mouse: display toggles, the view
// turned by Ctrl and the left button, the steering set from the interface, the history keys,
// and the car set down again.
#include <algorithm>
#include <cmath>

#include "core/window_state.h"
#include "modeller/edit_views.h"
#include "physics/car.h"
#include "ui/interface.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

uint8_t SpecialDraw;

namespace {
constexpr int HEADING_PER_UNIT = 36, PITCH_PER_UNIT = 18;
constexpr int PITCH_HIGHEST = 15474;
constexpr float DEGREES_TO_RADIANS = 3.1415927f / 180.0f;
constexpr int CTRL = KEYCODE_CTRL_LETTER;

}  // namespace

int SteeringWordOf(float steeringValue, float fullLockDegrees) {
  const float lock = fullLockDegrees * DEGREES_TO_RADIANS;
  // A vehicle without a lock (or with a lock that is no number) steers straight.
  if (!(std::isfinite(lock) && lock != 0.0f) || !std::isfinite(steeringValue)) return STEERING_STRAIGHT;
  const double word = std::lround(32768.0 - double(steeringValue) * 32768.0 / lock);
  return int(std::clamp(word, 0.0, 65535.0));
}

void VehicleEditor::SetSteering(VehicleEditor& e) {
  if (e.car) e.car->inputs.steering = uint16_t(SteeringWordOf(e.steeringValue, float(e.car->steeringLock)));
}

void VehicleEditor::TurnView(VehicleEditor& e, int dx, int dy) {
  e.viewAngles[0] = uint16_t(e.viewAngles[0] + dx * HEADING_PER_UNIT);
  const int pitch = int(e.viewAngles[1]) - dy * PITCH_PER_UNIT;
  e.viewAngles[1] = uint16_t(std::clamp(pitch, 0, PITCH_HIGHEST));
}

void VehicleEditor::ViewEvent(Prss* process, MouseRecord* mouse) {
  VehicleEditor& e = *reinterpret_cast<VehicleEditor*>(process);
  if (HandleInterfaceMouse(mouse)) {
    SetSteering(e);
    return;
  }
  if (CtrlHeld && mouse->leftHeld && !mouse->rightHeld) {
    TurnView(e, mouse->dx, mouse->dy);
    return;
  }
  HandleEditViewMouse(mouse, 0);
}

void VehicleEditor::Key(Prss* process, int keyCode) {
  VehicleEditor& e = *reinterpret_cast<VehicleEditor*>(process);
  const int letter = keyCode >= 'a' && keyCode <= 'z' ? keyCode - ('a' - 'A') : keyCode;
  switch (letter) {
    case 27: AskExit(e); return;
    case ' ': ResetCar(e); return;
    case 'C':
      e.selection.selectedPoint = NO_POINT;
      e.selection.selectedTube = -1;
      return;
    case 'D': e.displayFlags ^= SHOW_DRIVER; return;
    case 'G': e.displayFlags ^= SHOW_COG; return;
    case 'I': e.displayFlags ^= SHOW_FUEL; return;
    case 'A': case 'E': case 'K': return;  // the animation editor and the modeller come later
    case 'S':
      if (!ShiftHeld) SpecialDraw ^= 1;
      return;  // Shift+S, the cover picture for an export, comes with the export
    case 'L':
      if (!ShiftHeld) break;
      e.diagramFlags ^= 1;
      e.selection.openTab = 3;
      return;
    case 'O':
      if (!ShiftHeld) FitView(e, 1);
      return;  // Shift+O, the options screen, comes with the front end's hook
    case 'X':
      if (ShiftHeld) AskExit(e);
      return;
    case KEYCODE_DELETE: DeleteSelected(e); return;
    case CTRL + 'O': FileAction(&e, 0, 2); return;
    case CTRL + 'Z': UndoEdit(e); return;
    case CTRL + 'Y': RedoEdit(e); return;
    default: break;
  }
  EditView::SelectByKey(keyCode);
}

void VehicleEditor::FitView(VehicleEditor& e, int mode) {
  if (mode > 1 || !e.car) return;  // mode 2, the driver's eye, comes with the 2D views
  const float radius = std::max(e.car->radius, 2.0f);
  e.viewDistance = 2.5f * (mode == 1 ? radius * 1.125f : radius);
}
