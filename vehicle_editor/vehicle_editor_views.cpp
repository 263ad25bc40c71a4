// vehicle_editor_views.cpp - the vehicle editor in the editors' views: the car drawn through the
// current view's own projection, in the 3D view over the ground along the editor's view angles,
// in a 2D view over its background and grid with the model's reference points and the frame's
// markers as screen labels that select a point or a tube when clicked; and over the car in
// either view, special draw's masses and wireframe and the editor's lines: the selected point's
// axis handles, dragged by the mouse, and the wheels' pivot lines.
#include "vehicle_editor/vehicle_editor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/frame_globals.h"
#include "core/window_state.h"
#include "dashboard/dash_draw.h"
#include "model/model_object.h"
#include "modeller/operations/drag_handles.h"
#include "modeller/editor/edit_views.h"
#include "physics/car.h"
#include "render/env_maps.h"
#include "render/immediate.h"
#include "render/matrices.h"
#include "render/object_picture.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/sky.h"
#include "render/views.h"
#include "text/text_colours.h"
#include "ui/screen_labels.h"
#include "vehicle/car_draw.h"
#include "vehicle/car_drawing.h"
#include "vehicle_editor/frame_points.h"

namespace {

// Label colours: the selected marker, a tube with flag bit 0, the wheel points; the model's
// reference points.
constexpr int MARK_COLOUR_PLAIN = 0, MARK_COLOUR_SELECTED = 2, MARK_COLOUR_SECOND = 4, MARK_COLOUR_WHEEL = 5;
constexpr int MODEL_MARK_COLOUR = 1;
constexpr uint32_t ALL_FRAME_TUBES = 0x20000;  // the car option that draws every frame tube
constexpr int RASTER_WIREFRAME = 7;
constexpr int TAB_SUSPENSION = 3, TAB_WHEELS = 6;  // the tabs whose pages show the wheel lines
constexpr uint32_t HIDDEN_BY_SPECIAL_DRAW = GFX_BODY | GFX_SUBOBJECTS | GFX_WHEEL_PIECES;
constexpr int BOX_HANDLES = 1;  // DrawAxisHandles' box mode: one handle word per axis, 0..2

void PointLabelClicked(uintptr_t owner, int click, int32_t point, uint32_t) {
  VehicleEditor::SelectPoint(reinterpret_cast<void*>(owner), click, static_cast<uintptr_t>(static_cast<intptr_t>(point)));
}

void TubeLabelClicked(uintptr_t owner, int click, int32_t tube, uint32_t) {
  VehicleEditor::SelectTube(reinterpret_cast<void*>(owner), click, static_cast<uintptr_t>(tube));
}

// A point in car axes (16.16) through the car's draw transform, as the label and line calls
// take it.
void CarToWorld(const Car& car, const IntVector& local, int32_t out[3]) {
  IntVector world;
  TransformPoint(car.drawTransform, local, world);
  out[0] = world.x, out[1] = world.y, out[2] = world.z;
}

int32_t ToFixed(float metres) {
  return static_cast<int32_t>(std::lround(std::clamp(double(metres), -32000.0, 32000.0) * 65536.0));
}

IntVector FixedOf(const Vec3& metres) { return IntVector{ToFixed(metres.x), ToFixed(metres.y), ToFixed(metres.z)}; }

// The car's body as drawn (its level's first-pass parts) in lines.
void DrawBodyWireframe(Car& car) {
  CarDrawing& d = DrawingOf(car);
  FastMesh* body = GetFastMesh(d.materialMesh);
  if (!body || d.drawnPass < 2) return;
  std::memcpy(WorldMatrix, d.worldMatrix, sizeof WorldMatrix);
  UploadWorldMatrix(0, 0);
  const int raster = RenderStates.pendingRaster;
  RenderStates.pendingRaster = RASTER_WIREFRAME;
  DrawFirstPassParts(*body, d.lodIndex, nullptr);
  RenderStates.pendingRaster = raster;
  SetIdentityMatrix(WorldMatrix);
  UploadWorldMatrix(0, 0);
}

// With special draw: the mass boxes ("masses", the wheels' with "w") and the wireframe ("wire").
// Drawing the boxes walks the mass model, which must leave the car's figures as they were.
void DrawSpecialOverlays(VehicleEditor& e) {
  Car& car = *e.car;
  if (e.displayFlags & SHOW_MASSES) {
    const auto kept = car.partMasses;
    car.BuildFrameGeometry(MASS_DRAW, e.displayFlags & SHOW_WHEEL_MASSES ? car.wheelCount : 0);
    car.partMasses = kept;
  }
  if (e.displayFlags & SHOW_WIRE) DrawBodyWireframe(car);
}

// Two lines per wheel, from its lower pivot and from its strut top or upper pivot to its centre.
void DrawWheelLines(const Car& car) {
  const uint32_t lower = 0xFF000000u | TextColours.lightGreen, upper = 0xFF000000u | TextColours.lightOrange;
  const bool own = BeginLineBatch3D();
  for (int i = 0; i < std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); ++i) {
    const CarWheel& w = car.wheels[i];
    const Vec3 top{w.lowerPivot.x + w.mountDx, w.lowerPivot.y, w.lowerPivot.z + w.mountDz};
    int32_t centre[3], a[3], b[3];
    CarToWorld(car, FixedOf(w.centre), centre);
    CarToWorld(car, FixedOf(w.lowerPivot), a);
    CarToWorld(car, FixedOf(top), b);
    DrawLineFixed3D(a, centre, lower);
    DrawLineFixed3D(b, centre, upper);
  }
  if (own) EndLineBatch3D();
}

}  // namespace

uint32_t VehicleEditor::CarGraphicsOptions() { return SpecialDraw ? ~HIDDEN_BY_SPECIAL_DRAW : 0xFFFFFFFFu; }

uint32_t VehicleEditor::SpecialDrawCarOptions(const VehicleEditor& e) {
  if (!SpecialDraw) return 0;
  uint32_t options = e.displayFlags & SHOW_FRAME ? ALL_FRAME_TUBES : 0;
  if ((e.displayFlags & SHOW_MASSES) && e.car && (e.car->options & OPT1_SPARE_WHEEL_MASS))
    options |= OPT1_SPARE_WHEEL_VISIBLE;
  return options;
}

void VehicleEditor::AddSelectionButtons(VehicleEditor& e) {
  if (!e.car || EditViews.width == 0) return;
  static std::vector<FrameMarker> markers;
  CollectFrameMarkers(e, markers);
  for (const FrameMarker& m : markers) {
    int32_t at[3];
    CarToWorld(*e.car, m.at, at);
    int colour = m.highlighted ? MARK_COLOUR_SELECTED : MARK_COLOUR_PLAIN;
    if (!m.highlighted && m.secondColour) colour = MARK_COLOUR_SECOND;
    if (!m.highlighted && m.kind == MARK_WHEEL_POINT) colour = MARK_COLOUR_WHEEL;
    const ScreenLabelCallback callback = m.kind == MARK_TUBE ? TubeLabelClicked : PointLabelClicked;
    const int type = m.label[0] ? LABEL_CHARACTER : LABEL_BOX;
    AddLabelAtPoint(at, m.index, static_cast<uint8_t>(m.label[0]), colour, callback, reinterpret_cast<uintptr_t>(&e),
                    type);
  }
}

void VehicleEditor::DrawModelMarks(VehicleEditor& e) {
  if (!e.car || !e.car->model || EditViews.width == 0) return;
  const ModelObject& model = *e.car->model;
  for (int i = 0; i < model.pointCount && model.points; ++i) {
    const ModelPoint& p = model.points[i];
    if (!(p.flags & POINT_REFERENCE)) continue;
    const int copies = p.flags & POINT_MIRRORED ? 2 : 1;
    for (int side = 0; side < copies; ++side) {
      int32_t at[3];
      CarToWorld(*e.car, IntVector{side ? NegateStored(p.x) : p.x, p.y, p.z}, at);
      AddLabelAtPoint(at, i, 0, MODEL_MARK_COLOUR, nullptr, 0, LABEL_SQUARE);
    }
  }
}

void VehicleEditor::DrawMarks(VehicleEditor& e) {
  if (!e.car || e.subEditor != SUB_NONE || e.prss.sub || e.diagramFlags) return;
  Car& car = *e.car;
  const int point = e.selection.selectedPoint;
  if (SpecialDraw && (e.displayFlags & SHOW_FRAME) && point >= 0 && point < car.framePointCount) {
    const FramePoint& p = car.framePoints[point];
    int32_t centre[3];
    CarToWorld(car, IntVector{p.x, p.y, p.z}, centre);
    float axes[3][2];
    int32_t length = 0;
    // A drag keeps the directions it started with.
    e.handleButtons[0] = ButtonCount;
    if (DrawAxisHandles(&e.prss, e.dragAxis, centre, car.drawTransform.rotation, StartPointDrag, BOX_HANDLES, axes,
                        &length) &&
        e.dragAxis < 0) {
      std::memcpy(e.axisDirections, axes, sizeof axes);
      e.dragScale = length;
    }
    e.handleButtons[1] = ButtonCount;
  }
  if (e.selection.openTab == TAB_SUSPENSION || e.selection.openTab == TAB_WHEELS) DrawWheelLines(car);
}

void VehicleEditor::DrawOverCar(VehicleEditor& e) {
  if (!e.car) return;
  if (SpecialDraw) DrawSpecialOverlays(e);
  DrawMarks(e);
}

void VehicleEditor::KeepMarksClearOfRows(VehicleEditor& e, int firstButton, int firstControl) {
  HideScreenLabelsUnderRows(firstButton, firstControl);
  const int end = std::min({e.handleButtons[1], firstButton, ButtonCount});
  for (int i = std::max(e.handleButtons[0], 0); i < end; ++i) {
    InterfaceButton& h = InterfaceButtons[i];
    const int w = h.right - h.left, tall = h.bottom - h.top;
    // Clear of the rows and of the other handles, wholly on the screen.
    const auto clear = [&](int l, int t) {
      return l >= 0 && t >= 0 && l + w <= ScreenWidth && t + tall <= ScreenHeight &&
             !MeetsRows(float(l), float(t), float(l + w), float(t + tall), e.handleButtons[0], firstControl, i);
    };
    int left = h.left, top = h.top;
    if (!NearestClearPlace(h.left, h.top, clear, &left, &top)) continue;
    h.left = left, h.top = top, h.right = left + w, h.bottom = top + tall;
  }
}

void VehicleEditor::PointDragMouse(VehicleEditor& e, const MouseRecord& m) {
  if (!m.leftHeld) {
    e.dragAxis = -1;
    return;
  }
  if (m.rightHeld) {
    CancelPointDrag(e);
    return;
  }
  if (e.dragAxis < 0 || e.dragAxis > 2) return;
  const float ax = e.axisDirections[e.dragAxis][0], ay = e.axisDirections[e.dragAxis][1];
  const double length2 = double(ax) * ax + double(ay) * ay;
  if (!(length2 > 0.0)) return;
  const int dx = MouseX - e.dragMouse[0], dy = MouseY - e.dragMouse[1];
  const double steps = std::round((double(dx) * ax + double(dy) * ay) / length2 * e.dragScale);
  if (steps == 0.0) return;
  DragPointStep(e, static_cast<int32_t>(std::clamp(steps, -2147483647.0, 2147483647.0)));
  e.dragMouse[0] = MouseX;
  e.dragMouse[1] = MouseY;
}

float VehicleEditor::HalfViewZoom() {
  // The view's zoom is 2 over its field factor (the width it shows at distance 1).
  const float field = CurrentView ? CurrentView->halfFieldFactor * 2.0f : 0.0f;
  return field > 0.0f && std::isfinite(field) ? 1.0f / field : 1.0f;
}

void VehicleEditor::AimView(VehicleEditor& e) {
  if (EditViews.width != 0 || !CurrentView) return;
  CurrentView->heading = e.viewAngles[0];
  CurrentView->pitch = e.viewAngles[1];
  CurrentView->roll = 0;
  ComputeViewAxes();
  ComputeViewBasis();
}

int VehicleEditor::DrawEditView(VehicleEditor& e) {
  if (!CurrentView) return 0;
  const bool flat = EditViews.width != 0;
  // The 3D view looks along the editor's view angles from the edit views' own camera.
  AimView(e);
  Car* drawn = e.car && !e.diagramFlags ? e.car : nullptr;
  if (drawn) {
    drawn->AccumulateRunTime();
    // The dashboard texture shows top gear and every lamp lit, for this frame only.
    if (SimFrameTime > 0) e.previewFrameRate = 1000.0f / float(SimFrameTime);
    DrawDashboardPreview(*drawn, e.previewFrameRate);
  }
  if (!flat && !e.pageOpen) {
    UpdateSky();
    SetViewLightColours(1);
    // The first car's frame would wait for the environment it reflects: it is made while
    // the empty editor rests.
    if (!drawn) PrepareEnvironmentAtRest();
  }
  // A 2D view stands in the room right of the rows at the left: the open page is about what
  // the view shows, its wheels and points.
  SetEditViewProjection(FrameTime, flat && ScreenWidth > 0 ? 2.0f * float(e.rowsRight) / float(ScreenWidth) - 1.0f : -1.0f);
  BeginEditorFrameClear();
  if (!flat) DrawEditorGround();
  DrawEditViewBackground();
  if (!drawn) return 0;
  Car& car = *drawn;
  if (flat) {
    DrawEditViewGrid();
    SetViewLightColours(0);
  }
  CarViewSettings settings{};
  settings.kind = flat ? VIEW_GARAGE : VIEW_OUTSIDE;
  settings.graphicsOptions = CarGraphicsOptions();
  settings.driverOption = e.displayFlags & SHOW_DRIVER ? 1 : 0;
  settings.viewPosition = IntVector{CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
  const uint8_t special = SpecialDraw;
  const uint32_t options = car.options;
  const float lodScale = e.lodScale, detailScale = e.detailScale;
  car.options |= SpecialDrawCarOptions(e);
  if (special) SpecialDraw = 2;
  // While half the view's zoom is below 1 (a view wider than about 53 degrees), the car's two
  // level-of-detail scales are lowered by it for this drawing.
  const float half = HalfViewZoom();
  if (half < 1.0f) {
    e.lodScale *= half;
    e.detailScale *= half;
  }
  settings.lodScale = e.lodScale;
  settings.detailScale = e.detailScale;
  const int refresh = flat ? 0 : 1;
  const uint16_t extra = flat ? 0 : DRAW_KEEP_SECOND_SLOT;
  DrawCar(car, settings, refresh, extra, 1);
  car.options = options;
  DrawCar(car, settings, refresh, extra, 2);
  DrawCarSecondPass(car);
  DrawOverCar(e);
  e.lodScale = lodScale;
  e.detailScale = detailScale;
  SpecialDraw = special;
  DrawModelMarks(e);
  AddSelectionButtons(e);
  return 1;
}

void VehicleEditor::ViewButton(void* owner, int, uintptr_t word) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  FitView(e, word == 2 ? 2 : word == 0 ? 0 : 1);
  e.framePending = 0;  // "object" centres the views on the car itself
}
