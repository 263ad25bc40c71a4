// garage_picture.cpp - one car alone in a picture (garage_picture.h).
#include "vehicle/garage_picture.h"

#include <algorithm>
#include <cmath>

#include "core/frame_globals.h"
#include "physics/car.h"
#include "render/device.h"
#include "render/matrices.h"
#include "render/object_picture.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/sky.h"
#include "render/views.h"
#include "vehicle/car_drawing.h"

float EditorCarFitBox[4];

namespace {

int32_t ToFixed(double metres) { return static_cast<int32_t>(std::clamp(metres * 65536.0, -2147483647.0, 2147483647.0)); }

// Into the frame without a size given: the whole screen.
bool WholeScreen(const EditorCarPicture& p) { return !p.target && (p.width <= 0 || p.height <= 0); }

void ApplyView(const EditorCarPicture& p, float field, float centreX = 0.0f, float centreY = 0.0f) {
  const bool whole = WholeScreen(p);
  SetupViewRectangle(0, 0, whole ? Gfx.screenWidth : p.width, whole ? Gfx.screenHeight : p.height, centreX, centreY,
                     field, EDITOR_CAR_NEAR, 1);
  BuildViewMatrices();
}

float PictureAspect(const EditorCarPicture& p) {
  const bool whole = WholeScreen(p);
  const float w = float(whole ? Gfx.screenWidth : p.width), h = float(whole ? Gfx.screenHeight : p.height);
  return w > 0.0f && h > 0.0f ? w / h : 1.0f;
}

void TakePoint(const IntVector& world, float box[4], int& taken) {
  const int32_t point[3] = {world.x, world.y, world.z};
  float u = 0, v = 0;
  if (!ProjectPointDepth(point, &u, &v)) return;
  if (taken == 0 || u < box[0]) box[0] = u;
  if (taken == 0 || v < box[1]) box[1] = v;
  if (taken == 0 || u > box[2]) box[2] = u;
  if (taken == 0 || v > box[3]) box[3] = v;
  ++taken;
}

// The car's box on the screen: its body and posed items, and both ends of each axle.
int ScreenBox(Car& car, float box[4]) {
  float min[3] = {}, max[3] = {};
  int taken = CarMeshBounds(min, max, car, car.drawTransform, 2);
  if (taken > 0) {
    box[0] = min[0];
    box[1] = min[1];
    box[2] = max[0];
    box[3] = max[1];
  }
  const int wheels = std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS);
  for (int w = 0; w < wheels; ++w) {
    IntVector a, b, centre, world;
    WheelContactBox(car, w, a, b, centre);
    for (const IntVector* end : {&a, &b}) {
      TransformPoint(car.drawTransform, *end, world);
      TakePoint(world, box, taken);
    }
  }
  return taken;
}

}  // namespace

int FitBoxIntoRoom(const float box[4], const float room[4], float aspect, RoomFit& out) {
  const float boxWidth = box[2] - box[0], boxHeight = box[3] - box[1];
  const float roomWidth = room[2] - room[0], roomHeight = room[3] - room[1];
  if (!(boxWidth > 0.0f) || !(boxHeight > 0.0f) || !(roomWidth > 0.0f) || !(roomHeight > 0.0f) || !(aspect > 0.0f))
    return 0;
  // Across, the box's units are the picture's; up and down, one of them is aspect of the
  // picture's (its height is 2 / aspect of them).
  const float k = std::max(boxWidth / roomWidth, boxHeight * aspect / roomHeight);
  if (!std::isfinite(k)) return 0;
  out.widthFactor = k;
  out.centreX = 0.5f * (room[0] + room[2]) - 0.5f * (box[0] + box[2]) / k;
  out.centreY = 0.5f * (room[1] + room[3]) + 0.5f * (box[1] + box[3]) * aspect / k;
  return 1;
}

int DrawEditorCar(Car& car, const EditorCarPicture& p, const CarViewSettings& settings) {
  // Not while the device is being made or switched, without graphics, or into a frame that
  // draws nothing (a picture into a texture is still made then).
  if (Gfx.busy || !GraphicsEnabled || (!p.target && FrameSkipped)) return 0;
  if (!car.model || car.model->lodCount == 0 || !CurrentView) return 0;
  car.AccumulateRunTime();
  if (p.target && !SetRenderTexture(p.target, 0, 0, 0)) return 0;
  const View saved = *CurrentView;
  View& v = *CurrentView;
  v.heading = p.heading;
  v.pitch = EDITOR_CAR_PITCH;
  v.roll = 0;
  ComputeViewAxes();
  ComputeViewBasis();
  const double reference[3] = {car.position.x / 65536.0, car.position.y / 65536.0, car.position.z / 65536.0};
  double eye[3];
  for (int i = 0; i < 3; ++i)
    eye[i] = reference[i] + v.direction[i] * p.distance + ViewBasis[0][i] * p.offsets[0] +
             ViewBasis[1][i] * p.offsets[1] + ViewBasis[2][i] * p.offsets[2];
  for (int i = 0; i < 3; ++i) v.position[i] = ToFixed(eye[i]);
  float field = p.fieldFactor > 0.0f ? p.fieldFactor : 1.0f;
  ApplyView(p, field);
  // The picture's own light: the settings' sun, sky and ground colours (sky mode 0 brings the
  // sky up to date first).
  if (settings.skyMode == 0) UpdateSky();
  SetViewLightColours(1);

  CarViewSettings view = settings;
  view.kind = VIEW_GARAGE;
  view.lodScale = EDITOR_CAR_LOD_SCALE;
  view.viewPosition = IntVector{v.position[0], v.position[1], v.position[2]};
  DrawCar(car, view, 0, 0, 1);

  const bool room = p.room[2] > p.room[0] && p.room[3] > p.room[1];
  if (room) {
    float box[4] = {};
    RoomFit fit;
    if (ScreenBox(car, box) > 0 && FitBoxIntoRoom(box, p.room, PictureAspect(p), fit)) {
      field *= fit.widthFactor;
      ApplyView(p, field, fit.centreX, fit.centreY);
      ScreenBox(car, EditorCarFitBox);
    }
  } else if (p.target && p.fit) {
    for (int pass = 0; pass < EDITOR_CAR_FIT_PASSES; ++pass) {
      float box[4] = {};
      if (ScreenBox(car, box) == 0) break;
      for (int i = 0; i < 4; ++i) EditorCarFitBox[i] = box[i];
      // Centre the box: the camera moves across by the box's centre at the car's depth.
      int32_t inView[3];
      const int32_t ref[3] = {car.position.x, car.position.y, car.position.z};
      WorldToView(ref, inView);
      const double depth = std::max(inView[2] / 65536.0, 0.25);
      const double half = v.halfFieldFactor;
      const double across = 0.5 * (box[0] + box[2]) * half * depth, up = 0.5 * (box[1] + box[3]) * half * depth;
      for (int i = 0; i < 3; ++i) eye[i] += ViewBasis[0][i] * across + ViewBasis[1][i] * up;
      for (int i = 0; i < 3; ++i) v.position[i] = ToFixed(eye[i]);
      field *= EditorCarZoom(box[2] - box[0], box[3] - box[1]);
      ApplyView(p, field);
    }
    float box[4] = {};
    if (ScreenBox(car, box) > 0)
      for (int i = 0; i < 4; ++i) EditorCarFitBox[i] = box[i];
  }
  if (p.target) Clear(p.clearColour, 3);
  if (p.floor && !p.target) {
    BeginEditorFrameClear();
    DrawEditorGround();
  }
  view.viewPosition = IntVector{v.position[0], v.position[1], v.position[2]};
  UploadViewMatrices();
  const int outline = view.skyMode == EDITOR_CAR_SKY_OUTLINE;
  if (outline) {
    RenderStates.pendingRaster = EDITOR_CAR_OUTLINE_RASTER;
    FlushStates();
  }
  DrawCar(car, view, view.skyMode == 0, 0, 2);
  DrawCarSecondPass(car);
  if (outline) {
    RenderStates.pendingRaster = 0;
    FlushStates();
  }
  if (p.target) UnsetRenderTarget();
  *CurrentView = saved;
  ComputeViewBasis();
  BuildViewMatrices();
  UploadViewLighting();  // the frame's own light back
  if (!p.target) SetViewportFull();
  return 1;
}
