// vehicle_editor_views.cpp - the vehicle editor in the editors' 2D views: the car drawn through
// the view's own projection over its background and grid, and the frame's markers as screen
// labels that select a point or a tube when clicked.
#include "vehicle_editor/vehicle_editor.h"

#include <vector>

#include "core/frame_globals.h"
#include "modeller/edit_views.h"
#include "physics/car.h"
#include "render/object_picture.h"
#include "render/views.h"
#include "ui/screen_labels.h"
#include "vehicle/car_draw.h"
#include "vehicle/car_drawing.h"
#include "vehicle_editor/frame_points.h"

namespace {

// Label colours: the selected marker, a tube with flag bit 0, the wheel points.
constexpr int MARK_COLOUR_PLAIN = 0, MARK_COLOUR_SELECTED = 2, MARK_COLOUR_SECOND = 4, MARK_COLOUR_WHEEL = 5;

void PointLabelClicked(uintptr_t owner, int click, int32_t point, uint32_t) {
  VehicleEditor::SelectPoint(reinterpret_cast<void*>(owner), click, static_cast<uintptr_t>(static_cast<intptr_t>(point)));
}

void TubeLabelClicked(uintptr_t owner, int click, int32_t tube, uint32_t) {
  VehicleEditor::SelectTube(reinterpret_cast<void*>(owner), click, static_cast<uintptr_t>(tube));
}

}  // namespace

void VehicleEditor::AddSelectionButtons(VehicleEditor& e) {
  if (!e.car || EditViews.width == 0) return;
  static std::vector<FrameMarker> markers;
  CollectFrameMarkers(e, markers);
  for (const FrameMarker& m : markers) {
    IntVector world;
    TransformPoint(e.car->drawTransform, m.at, world);
    const int32_t at[3] = {world.x, world.y, world.z};
    int colour = m.highlighted ? MARK_COLOUR_SELECTED : MARK_COLOUR_PLAIN;
    if (!m.highlighted && m.secondColour) colour = MARK_COLOUR_SECOND;
    if (!m.highlighted && m.kind == MARK_WHEEL_POINT) colour = MARK_COLOUR_WHEEL;
    const ScreenLabelCallback callback = m.kind == MARK_TUBE ? TubeLabelClicked : PointLabelClicked;
    const int type = m.label[0] ? LABEL_CHARACTER : LABEL_BOX;
    AddLabelAtPoint(at, m.index, static_cast<uint8_t>(m.label[0]), colour, callback, reinterpret_cast<uintptr_t>(&e),
                    type);
  }
}

int VehicleEditor::DrawEditView(VehicleEditor& e) {
  if (EditViews.width == 0) return 0;
  e.car->AccumulateRunTime();
  SetEditViewProjection(FrameTime);
  BeginEditorFrameClear();
  DrawEditViewBackground();
  DrawEditViewGrid();
  if (CurrentView) {
    SetViewLightColours(0);
    CarViewSettings settings{};
    settings.kind = VIEW_GARAGE;
    settings.graphicsOptions = 0xFFFFFFFF;
    settings.driverOption = e.displayFlags & SHOW_DRIVER ? 1 : 0;
    settings.viewPosition = IntVector{CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
    const uint8_t special = SpecialDraw;
    if (special) SpecialDraw = 2;
    DrawCar(*e.car, settings, 0, 0, 1);
    SpecialDraw = special;
  }
  AddSelectionButtons(e);
  return 1;
}

void VehicleEditor::ViewButton(void* owner, int, uintptr_t word) {
  FitView(*static_cast<VehicleEditor*>(owner), word == 2 ? 2 : 1);
}
