// camera.cpp - the camera's pick point and the mouse control that turns and moves the
// current view about it.
#include <algorithm>
#include <cmath>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "render/views.h"
#include "render/views_local.h"
#include "render/vr.h"

using namespace views_local;

ViewCameraRecord ViewCamera = {{0, 0, 0},
                               {{0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x10000}},
                               {{0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x10000}},
                               {0, 0, 0},
                               {},
                               0, 0, 0, 0, 0, 0, 0, {}, {}, 0, 0, 0};
int (*CameraWorldPickHook)(ViewCameraRecord& camera);
int (*CameraSelectionPickHook)(ViewCameraRecord& camera);
void (*CameraPickShiftHook)(int32_t point[3]);

namespace {

constexpr uint32_t DOUBLE_PRESS_MS = 250;
constexpr int32_t PITCH_LIMIT = 15474;  // 85 degrees
constexpr uint32_t SCREEN_FLAG_REVERSE_LOOK = 0x10;
constexpr uint32_t SCREEN_FLAG_REVERSE_TURN = 0x10000;

int PickRayPlaneFrom(const int32_t origin[3], int mouseX, int mouseY, int32_t point[3]) {
  float ray[3];
  if (!PickFromMouseAt(mouseX, mouseY, ray)) return 0;
  const CameraPickState& p = ViewCamera.pick;
  const float* n = p.planeNormal;
  double d = 0.0, s = 0.0;
  for (int i = 0; i < 3; ++i) {
    d -= n[i] * (double(p.planePoint[i]) - origin[i]) * FIXED_TO_M;
    s -= n[i] * double(ray[i]);
  }
  if (std::fabs(d) < 0.001) return 0;
  if (d / std::clamp(d * 1024.0, -4096.0, 4096.0) > std::fabs(s)) return 0;
  const double t = d * 65536.0 / s;
  // A ray running away from the plane meets it behind the eye: that is no pick.
  if (t < 0.0) return 0;
  for (int i = 0; i < 3; ++i) point[i] = RoundToFixed(origin[i] + ray[i] * t);
  return 1;
}

// Moves the eye and carries the same change into the caller's offset.
void MoveEye(View& v, const double eye[3], int32_t viewOffset[3]) {
  for (int i = 0; i < 3; ++i) {
    const int32_t e = RoundToFixed(eye[i]);
    viewOffset[i] = RoundToFixed(double(viewOffset[i]) + (double(e) - v.position[i]));
    v.position[i] = e;
  }
}

void ScalePickOffset(View& v, double factor, int32_t viewOffset[3]) {
  const int32_t* pick = ViewCamera.pick.pickResult;
  double eye[3];
  for (int i = 0; i < 3; ++i) eye[i] = pick[i] + (double(v.position[i]) - pick[i]) * factor;
  MoveEye(v, eye, viewOffset);
}

int16_t ClampPitch(int32_t pitch) { return static_cast<int16_t>(std::clamp(pitch, -PITCH_LIMIT, PITCH_LIMIT)); }

// Heading and pitch steps for a pointer motion across the view area.
void LookSteps(int32_t dx, int32_t dy, int32_t* heading, int32_t* pitch) {
  const int32_t width = std::max(1, ScreenLayout.viewRight - ScreenLayout.viewLeft);
  const int32_t height = std::max(1, ScreenLayout.viewHeight);
  *heading = static_cast<int32_t>(int64_t(dx) * 32768 / width);
  *pitch = VrEnabled ? 0 : static_cast<int32_t>(int64_t(dy) * -16384 / height);
}

}  // namespace

void CopyViewMatrix() {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) ViewRotation.m[3 * r + c] = ViewCamera.orientation.m[3 * c + r];
}

void ResetViewMatrices() {
  ViewCameraRecord& cam = ViewCamera;
  for (int32_t& p : cam.position) p = 0;
  MatrixIdentity(cam.orientation);
  CopyViewMatrix();
  cam.viewMatrix = ViewRotation;
  for (int i = 0; i < 3; ++i) cam.viewPosition[i] = cam.position[i];
}

int PickRayPlaneAt(int mouseX, int mouseY, int32_t point[3]) {
  return PickRayPlaneFrom(ViewCamera.pick.rayOrigin, mouseX, mouseY, point);
}

void CameraForSound(int32_t position[3], float front[4], float top[4]) {
  const FixedMatrix& o = ViewCamera.orientation;
  for (int i = 0; i < 3; ++i) {
    position[i] = ViewCamera.position[i];
    front[i] = float(o.m[3 * i + 2]) / float(FIXED_ONE);
    top[i] = float(o.m[3 * i + 1]) / float(FIXED_ONE);
  }
  front[3] = top[3] = 0.0f;
}

int PickRayPlane(int32_t point[3]) { return PickRayPlaneAt(MouseX, MouseY, point); }

int UpdateCameraPick(int mode) {
  CameraPickState& p = ViewCamera.pick;
  if (mode == 1) return CameraWorldPickHook ? CameraWorldPickHook(ViewCamera) : 0;
  if (mode == 2) return CameraSelectionPickHook ? CameraSelectionPickHook(ViewCamera) : 0;
  int32_t point[3];
  if (!PickGroundPoint(point)) return 0;
  for (int i = 0; i < 3; ++i) p.pickResult[i] = point[i];
  p.pickNormal[0] = p.pickNormal[1] = 0.0f;
  p.pickNormal[2] = 1.0f;
  return 1;
}

void GetCameraPickPoint(int32_t point[3]) {
  for (int i = 0; i < 3; ++i) point[i] = ViewCamera.pick.pickResult[i];
  if (CameraPickShiftHook) CameraPickShiftHook(point);
}

void CameraMouseControl(const ViewMouseEvent& e, int32_t viewOffset[3], int mode) {
  View& v = *CurrentView;
  ViewCameraRecord& cam = ViewCamera;

  // Free look.
  if (e.secondHeld && !e.firstHeld && !e.ctrlHeld) {
    int32_t dh, dp;
    LookSteps(e.dx, e.dy, &dh, &dp);
    if (CfgScreenFlags & SCREEN_FLAG_REVERSE_LOOK) {
      dh = -dh;
      dp = -dp;
    }
    v.heading = static_cast<uint16_t>(v.heading + dh);
    v.pitch = static_cast<uint16_t>(ClampPitch(static_cast<int16_t>(v.pitch) + dp));
    ComputeViewAxes();
    ComputeViewBasis();
  }

  // A second press soon after the first takes the eye three quarters of the way in.
  if (e.press) {
    if (cam.pressRemembered && ProgramClock - cam.lastPressMs < DOUBLE_PRESS_MS) {
      if (UpdateCameraPick(mode)) ScalePickOffset(v, 0.25, viewOffset);
      return;
    }
    cam.lastPressMs = ProgramClock;
    cam.pressRemembered = 1;
  }

  if ((e.wheel == 1 || e.wheel == 2) && UpdateCameraPick(mode))
    ScalePickOffset(v, e.wheel == 1 ? 0.8 : 1.25, viewOffset);

  const int pan = e.firstHeld && !e.secondHeld && !e.middleHeld;
  const int orbit = (e.firstHeld && e.secondHeld) || e.middleHeld;
  if (!pan && !orbit) {
    cam.dragMode = 0;
    return;
  }
  const int wanted = pan ? 1 : 2;
  if (cam.dragMode != wanted) {
    // The first event of a drag: remember where it started.
    cam.dragMode = 0;
    if (!UpdateCameraPick(mode)) return;
    CameraPickState& p = cam.pick;
    for (int i = 0; i < 3; ++i) {
      p.planePoint[i] = p.pickResult[i];
      p.rayOrigin[i] = v.position[i];
      cam.dragStartEye[i] = v.position[i];
      cam.dragStartOffset[i] = viewOffset[i];
    }
    cam.dragMouseX = MouseX;
    cam.dragMouseY = MouseY;
    cam.dragMotionX = cam.dragMotionY = 0;
    cam.dragHeading = v.heading;
    cam.dragPitch = v.pitch;
    double dist2 = 0.0;
    for (int i = 0; i < 3; ++i) dist2 += std::pow(double(v.position[i]) - p.pickResult[i], 2);
    cam.dragDistance = RoundToFixed(std::sqrt(dist2));
    const bool nearSurface = (double(v.position[2]) - p.pickResult[2]) < 65536.0;
    for (int i = 0; i < 3; ++i) p.planeNormal[i] = nearSurface ? p.pickNormal[i] : (i == 2 ? 1.0f : 0.0f);
    cam.dragMode = wanted;
    return;
  }

  if (pan) {
    // The plane point that was under the pointer at the start stays under it.
    int32_t start[3], now[3];
    if (!PickRayPlaneFrom(cam.pick.rayOrigin, cam.dragMouseX, cam.dragMouseY, start)) return;
    if (!PickRayPlaneFrom(cam.pick.rayOrigin, MouseX, MouseY, now)) return;
    double eye[3];
    for (int i = 0; i < 3; ++i) eye[i] = cam.dragStartEye[i] + (double(start[i]) - now[i]);
    MoveEye(v, eye, viewOffset);
    return;
  }

  // Turning about the picked point at the distance it had when the drag began.
  cam.dragMotionX += e.dx;
  cam.dragMotionY += e.dy;
  int32_t dh, dp;
  LookSteps(cam.dragMotionX, cam.dragMotionY, &dh, &dp);
  if (CfgScreenFlags & SCREEN_FLAG_REVERSE_TURN) {
    dh = -dh;
    dp = -dp;
  }
  v.heading = static_cast<uint16_t>(cam.dragHeading + dh);
  v.pitch = static_cast<uint16_t>(ClampPitch(static_cast<int16_t>(cam.dragPitch) + dp));
  ComputeViewAxes();
  ComputeViewBasis();
  double eye[3];
  for (int i = 0; i < 3; ++i) eye[i] = cam.pick.pickResult[i] + double(cam.dragDistance) * v.direction[i];
  MoveEye(v, eye, viewOffset);
}
