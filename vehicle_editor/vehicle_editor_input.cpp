// vehicle_editor_input.cpp - the vehicle editor's keys and mouse: display toggles, the view
// turned by Ctrl and the left button, the steering set from the interface, the history keys,
// and the car set down again.
#include <algorithm>
#include <cmath>

#include "core/frame_globals.h"
#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "physics/car.h"
#include "render/views.h"
#include "solid/solid.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "vehicle/car_drawing.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

uint8_t SpecialDraw;

namespace {
constexpr int HEADING_PER_UNIT = 36, PITCH_PER_UNIT = 18;
constexpr int PITCH_HIGHEST = 15474;
constexpr float DEGREES_TO_RADIANS = 3.1415927f / 180.0f;
constexpr int CTRL = KEYCODE_CTRL_LETTER;

// Shift+O: the options page covers the editor until it closes.
void OpenOptionsPage(VehicleEditor& e) {
  if (e.prss.sub || !EditorShellHooks.openOptions) return;
  Prss* page = EditorShellHooks.openOptions(&e.prss);
  if (!page) return;
  Prss_AddSub(&e.prss, page);
  e.dialogOpen = 1;
}

// Shift+S: the garage page shows the car for the export's cover picture; the export starts
// when the page has closed with the picture made.
void OpenCoverGarage(VehicleEditor& e) {
  if (e.prss.sub || !e.car || !EditorShellHooks.openCoverGarage) return;
  SpecialDraw = 0;
  Prss* page = EditorShellHooks.openCoverGarage(&e.prss, e.vehicleName);
  if (!page) return;
  Prss_AddSub(&e.prss, page);
  e.coverState = COVER_GARAGE_OPEN;
}


// The 3D view at the driver's eye (a little above it), looking ahead along the car; a car
// without a driver keeps its view.
void EyeView(VehicleEditor& e) {
  const Car& car = *e.car;
  if (!car.steerAnimation[0] || car.driverSlot < 0) return;
  const float side = car.mirrored ? -1.0f : 1.0f;
  const float local[3] = {(car.driverPosition.x + car.headOffset.x) * side, car.driverPosition.y + car.headOffset.y,
                          car.driverPosition.z + car.headOffset.z + DRIVER_EYE_RISE / 65536.0f};
  const int32_t place[3] = {car.position.x, car.position.y, car.position.z};
  for (int i = 0; i < 3; ++i) {
    const float* row = &car.orientation[i * 3];
    e.eyePoint[i] = float(place[i] / 65536.0) + row[0] * local[0] + row[1] * local[1] + row[2] * local[2];
  }
  // The view looks along minus its direction: half a turn from the car's heading.
  const float heading = std::atan2(-car.orientation[1], car.orientation[4]);
  e.viewAngles[0] = uint16_t(int32_t(std::lround(heading * 65536.0 / (2.0 * 3.14159265358979))) + 0x8000);
  e.viewAngles[1] = 0;
  e.eyeView = 1;
  if (EditViews.width != 0 || !CurrentView) return;
  for (int i = 0; i < 3; ++i)
    CurrentView->position[i] = int32_t(std::lround(std::clamp(double(e.eyePoint[i]), -32000.0, 32000.0) * 65536.0));
  VehicleEditor::AimView(e);
}

// The point the 3D view turns about (metres): the car's reference point, which the framing may
// have put off the view's middle, when it stands a metre or more ahead of the eye; else the
// point on the view's axis a metre ahead; the eye itself (the view turns in place) at the
// driver's eye or without a car.
void TurnPivot(const VehicleEditor& e, double pivot[3]) {
  const View& v = *CurrentView;
  for (int i = 0; i < 3; ++i) pivot[i] = v.position[i] / 65536.0;
  if (!e.car || e.eyeView) return;
  const int32_t car[3] = {e.car->position.x, e.car->position.y, e.car->position.z};
  double depth = 0.0;
  for (int i = 0; i < 3; ++i) depth += (double(v.position[i]) - car[i]) / 65536.0 * v.direction[i];
  for (int i = 0; i < 3; ++i) pivot[i] = depth >= 1.0 ? car[i] / 65536.0 : pivot[i] - v.direction[i];
}
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
  AimView(e);  // the axes the view has before the turn
  e.viewAngles[0] = uint16_t(e.viewAngles[0] + dx * HEADING_PER_UNIT);
  // A view the mouse turned to look up (a negative pitch) turns on from level.
  const int pitch = int(int16_t(e.viewAngles[1])) - dy * PITCH_PER_UNIT;
  e.viewAngles[1] = uint16_t(std::clamp(pitch, 0, PITCH_HIGHEST));
  if (EditViews.width != 0 || !CurrentView) return;
  // The eye moves with the view about the pivot, so the pivot keeps its place on the screen:
  // its offset from the pivot stays the same along the view's axes.
  View& v = *CurrentView;
  double pivot[3], offset[3] = {};
  TurnPivot(e, pivot);
  float axes[3][3];
  GetViewAxes(axes);
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < 3; ++i) offset[k] += (v.position[i] / 65536.0 - pivot[i]) * axes[i][k];
  AimView(e);
  GetViewAxes(axes);
  for (int i = 0; i < 3; ++i) {
    const double p = pivot[i] + offset[0] * axes[i][0] + offset[1] * axes[i][1] + offset[2] * axes[i][2];
    v.position[i] = int32_t(std::lround(std::clamp(p, -32000.0, 32000.0) * 65536.0));
  }
}

void VehicleEditor::ViewEvent(Prss* process, MouseRecord* mouse) {
  VehicleEditor& e = *reinterpret_cast<VehicleEditor*>(process);
  if (e.dragAxis >= 0) {
    PointDragMouse(e, *mouse);
    return;
  }
  if (HandleInterfaceMouse(mouse)) {
    SetSteering(e);
    return;
  }
  if (CtrlHeld && mouse->leftHeld && !mouse->rightHeld) {
    TurnView(e, mouse->dx, mouse->dy);
    return;
  }
  HandleEditViewMouse(mouse, 0);
  // The edit view's own turning of the 3D view is kept in the view angles.
  if (EditViews.width == 0 && CurrentView) {
    e.viewAngles[0] = CurrentView->heading;
    e.viewAngles[1] = CurrentView->pitch;
  }
}

void VehicleEditor::Key(Prss* process, int keyCode) {
  VehicleEditor& e = *reinterpret_cast<VehicleEditor*>(process);
  const int letter = keyCode >= 'a' && keyCode <= 'z' ? keyCode - ('a' - 'A') : keyCode;
  // Enter and Esc close the new-vehicle page, keeping the vehicle built.
  if (NewVehicleWizard::Running && (letter == 27 || letter == 13)) {
    NewVehicleWizard::Close();
    return;
  }
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
    case 'A':
      if (!ShiftHeld) Animate(&e, 0, 0);
      return;
    case 'E':
      if (!ShiftHeld) EditModel(&e, 0, 0);
      return;
    case 'K': return;
    case 'S':
      if (ShiftHeld)
        OpenCoverGarage(e);
      else
        SpecialDraw ^= 1;
      return;
    case 'L':
      if (!ShiftHeld) break;
      e.diagramFlags ^= 1;
      e.selection.openTab = 3;
      return;
    case 'O':
      if (ShiftHeld)
        OpenOptionsPage(e);
      else
        FitView(e, 1);
      return;
    case 'X':
      if (ShiftHeld) AskExit(e);
      return;
    case KEYCODE_DELETE: DeleteSelected(e); return;
    case CTRL + 'O': FileAction(&e, 0, 2); return;
    case CTRL + 'N': FileAction(&e, 0, 9); return;
    case CTRL + 'Z': UndoEdit(e); return;
    case CTRL + 'Y': RedoEdit(e); return;
    default: break;
  }
  EditView::SelectByKey(keyCode);
}

void VehicleEditor::FitView(VehicleEditor& e, int mode) {
  if (!e.car) return;
  e.framePending = 0;
  if (mode == 2) {
    EyeView(e);
    return;
  }
  e.eyeView = 0;
  const float radius = std::max(e.car->radius, 2.0f);
  const float size = mode == 1 ? radius * 1.125f : radius;
  // The edit views show the vehicle's size across, round the world's origin or ("object") the
  // car: the 3D view looks at it along the view angles from far enough away.
  AimView(e);
  // Saturating: a damaged vehicle file can give a radius beyond 32 bits of 16.16, or none.
  // Round the car itself with mode 1, else over the world's origin at the car's height.
  const int32_t centre[3] = {mode == 1 ? e.car->position.x : 0, mode == 1 ? e.car->position.y : 0, e.car->position.z};
  FrameEditView(FixedFromMetres(size), centre, 0);
  // Round the car, the room its panels leave is known once the frame has built them: in the 3D
  // view both kinds are framed then, in a 2D view that one (the 3D view keeps its camera).
  if (mode == 1) {
    e.framePending = uint8_t(EditViews.width != 0 ? FRAME_PENDING_2D : FRAME_PENDING_3D | FRAME_PENDING_2D);
    KeepDrawing = 1;
  }
}

void VehicleEditor::FrameWhenDue(VehicleEditor& e) {
  const uint8_t kind = EditViews.width != 0 ? FRAME_PENDING_2D : FRAME_PENDING_3D;
  const int32_t* position = CurrentView->position;
  if (kind == FRAME_PENDING_2D && CurrentViewCode() != e.framedCode && EditViews.width == e.framedWidth &&
      std::equal(position, position + 3, e.framedCentre))
    e.framePending |= FRAME_PENDING_2D;
  if (!(e.framePending & kind) || !e.car || e.eyeView || DialogOpen || e.prss.sub) return;
  e.framePending &= uint8_t(~kind);
  float low[3], high[3];
  if (!CarBox(*e.car, low, high)) return;
  int32_t boxLow[3], boxHigh[3], centre[3];
  for (int i = 0; i < 3; ++i) {
    boxLow[i] = FixedFromMetres(low[i]), boxHigh[i] = FixedFromMetres(high[i]);
    centre[i] = FixedFromMetres(0.5f * (low[i] + high[i]));
  }
  const float half = 0.5f * std::sqrt((high[0] - low[0]) * (high[0] - low[0]) + (high[1] - low[1]) * (high[1] - low[1]) +
                                      (high[2] - low[2]) * (high[2] - low[2]));
  FrameEditView(FixedFromMetres(std::max(half, 0.5f)), centre, 1, boxLow, boxHigh, e.infoPanelBox);
  if (kind == FRAME_PENDING_2D) {
    e.framedCode = CurrentViewCode();
    e.framedWidth = EditViews.width;
    std::copy(position, position + 3, e.framedCentre);
  }
  KeepDrawing = 1;
}
