// views.cpp - the View: set-up, basis, matrices, projection, clipping, moving, picking and
// the view's lighting constants.
#include "render/views.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/window_state.h"
#include "render/constant_buffers.h"
#include "render/matrices.h"
#include "render/render_target.h"
#include "render/sh_light.h"
#include "render/views_local.h"
#include "text/text_colours.h"

using namespace views_local;

View MainView;
View* CurrentView = &MainView;

FixedMatrix ViewRotation;
float ViewBasis[3][3];
int32_t ViewSidePlanes[4][3];
int32_t ViewSideSlopes[4];
int32_t ViewOrthoDepth;
ViewMatrixState ViewMatrices;
int ViewPanelShown;
int32_t ViewPanelLeft, ViewPanelRight;
ViewLightingConstants ViewLighting;
int LightingMode;
float WorldFarDistanceM;

namespace {

constexpr double PI = 3.14159265358979323846;

void SetRow(float m[16], int row, float a, float b, float c, float d) {
  m[row * 4 + 0] = a;
  m[row * 4 + 1] = b;
  m[row * 4 + 2] = c;
  m[row * 4 + 3] = d;
}

// Distance of a view-space point (16.16, as doubles) from a side plane, in 16.16 units.
double PlaneDistance(int plane, const double p[3]) {
  return (ViewSidePlanes[plane][0] * p[0] + ViewSidePlanes[plane][1] * p[1] + ViewSidePlanes[plane][2] * p[2]) /
         65536.0;
}

// The depth a view-space point projects with: its own, or the orthographic depth.
// 0 when it cannot be projected.
int ProjectionDepth(int32_t viewDepth, int32_t* depth) {
  if (ViewOrthoDepth != 0) {
    if (ViewOrthoDepth < VIEW_ORTHO_DEPTH_MIN) return 0;
    *depth = ViewOrthoDepth;
    return 1;
  }
  if (viewDepth < VIEW_NEAR_LIMIT) return 0;
  *depth = viewDepth;
  return 1;
}

int InsideScreenArea(float x, float y) {
  const float left = ViewPanelShown ? static_cast<float>(ViewPanelLeft) : 0.0f;
  const float right = ViewPanelShown ? static_cast<float>(ViewPanelRight) : static_cast<float>(ScreenWidth);
  return x >= left && x <= right && y >= 0.0f && y <= static_cast<float>(ScreenHeight);
}

int ProjectViewPoint(const int32_t vp[3], float* x, float* y, int32_t* depthOut) {
  int32_t depth;
  if (!ProjectionDepth(vp[2], &depth)) return 0;
  const View& v = *CurrentView;
  const float k = static_cast<float>(v.scale) / static_cast<float>(depth);
  *x = static_cast<float>(vp[0]) * k + static_cast<float>(v.centreX);
  *y = static_cast<float>(v.centreY) - static_cast<float>(vp[1]) * k;
  if (depthOut) *depthOut = depth;
  return 1;
}

void NormaliseDouble(double v[3]) {
  const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (len > 0.0)
    for (int i = 0; i < 3; ++i) v[i] /= len;
}

// The horizontal looking direction, normalised; straight down or up it is the direction
// the basis takes as screen-up, so the keys keep moving the picture the same way.
void HorizontalForward(const View& v, double* fx, double* fy) {
  const double h = std::sqrt(double(v.direction[0]) * v.direction[0] + double(v.direction[1]) * v.direction[1]);
  if (h >= 0.001) {
    *fx = -v.direction[0] / h;
    *fy = -v.direction[1] / h;
  } else {
    *fx = 0.0;
    *fy = v.direction[2] >= 0.0f ? -1.0 : 1.0;
  }
}

int32_t ClampOrthoDepth(int64_t depth) {
  return static_cast<int32_t>(std::clamp<int64_t>(depth, VIEW_ORTHO_DEPTH_MIN, INT32_MAX));
}

float GammaByte(uint32_t colourWord, int channel) {
  return static_cast<float>(std::pow((colourWord >> (8 * channel) & 255) / 255.0, 2.2));
}

}  // namespace

// ---- [Setting up] ----

void InitView(View& view, const int32_t position[3], const float direction[3], const int32_t lightDirection[3]) {
  view = View{};
  view.fieldFactorH = 0x10000;
  view.fieldFactorV = 0x10000;
  view.aspect = 1.0f;
  view.halfFieldFactor = 0.5f;
  for (int i = 0; i < 3; ++i) {
    view.position[i] = position[i];
    view.direction[i] = direction[i];
    view.lightDirection[i] = lightDirection[i];
    view.lightColours[0][i] = view.lightColours[1][i] = 1.0f;
    view.sunFactors[i] = 0.5f;
    view.channelScales[i] = 1.0f;
    for (int j = 0; j < 3; ++j) view.lightFactors[i][j] = 1.0f;
    view.cameraPosition[i] = ViewCamera.position[i];
  }
  view.lightFactorSingle = 1.0f;
  view.smallFactor = 1.0f / 4096.0f;
  view.fogDistance = 12000.0f;
  view.heading = 0xE800;
  view.pitch = 0x0C00;
  view.viewDistance = VIEW_DEFAULT_DISTANCE;
  // Until a sky is measured or computed, light of 1 from every direction.
  ShIrradiance neutral;
  ResetShIrradiance(&neutral, 0);
  std::memcpy(view.lightMatrices, neutral.m, sizeof view.lightMatrices);
  CurrentView = &view;
}

void SetDefaultView() {
  const int32_t position[3] = {10 << 16, 10 << 16, 5 << 16};
  const float direction[3] = {10.0f / 15.0f, 10.0f / 15.0f, 5.0f / 15.0f};
  const int32_t light[3] = {0x8000, 0x10000, 0x20000};
  InitView(MainView, position, direction, light);
  ViewOrthoDepth = 0;
  ComputeViewBasis();
}

void SetupViewRectangle(int left, int top, int right, int bottom, float centreOffsetX, float centreOffsetY,
                        float fieldFactor, float nearParameter, int apply) {
  View& v = *CurrentView;
  const int width = right - left, height = bottom - top;
  v.left = left;
  v.top = top;
  v.right = right;
  v.bottom = bottom;
  v.centreOffsetX = centreOffsetX;
  v.centreOffsetY = centreOffsetY;
  if (apply) {
    ViewMatrices.viewport[0] = left;
    ViewMatrices.viewport[1] = top;
    ViewMatrices.viewport[2] = std::max(width, 0);
    ViewMatrices.viewport[3] = std::max(height, 0);
    ViewMatrices.nearParameter = nearParameter;
    SetViewportRect(left, top, std::max(width, 0), std::max(height, 0));
  }
  v.centreX = left + static_cast<int32_t>(std::lround((centreOffsetX * 0.5 + 0.5) * width));
  v.centreY = top + static_cast<int32_t>(std::lround((centreOffsetY * 0.5 + 0.5) * height));
  const bool empty = width <= 0 || height <= 0;
  if (empty) {
    v.aspect = 1.0f;
    v.fieldFactorH = v.fieldFactorV = 0x20000;
  } else {
    v.aspect = static_cast<float>(width) / static_cast<float>(height);
    v.fieldFactorH = RoundToFixed(fieldFactor * 65536.0);
    v.fieldFactorV = RoundToFixed(fieldFactor * 65536.0 / v.aspect);
  }
  v.halfFieldFactor = fieldFactor * 0.5f;
  v.scale = (empty || v.fieldFactorH <= 0) ? 0 : FixDiv(width, v.fieldFactorH);

  // Slopes in the order of the planes: left, right, bottom, top.
  if (empty) {
    for (int32_t& s : ViewSideSlopes) s = 0x10000;
  } else {
    ViewSideSlopes[0] = static_cast<int32_t>(int64_t(v.centreX - left) * v.fieldFactorH / width);
    ViewSideSlopes[1] = static_cast<int32_t>(int64_t(right - v.centreX) * v.fieldFactorH / width);
    ViewSideSlopes[2] = static_cast<int32_t>(int64_t(bottom - v.centreY) * v.fieldFactorV / height);
    ViewSideSlopes[3] = static_cast<int32_t>(int64_t(v.centreY - top) * v.fieldFactorV / height);
  }
  // Inside is n . p >= 0.  The plane with normal (0, 1, s) bounds the view from below, so
  // it takes the bottom slope; (0, -1, s) the top one.
  const int32_t normals[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  for (int i = 0; i < 4; ++i) {
    const double s = ViewSideSlopes[i] / 65536.0;
    const double len = std::sqrt(1.0 + s * s);
    ViewSidePlanes[i][0] = RoundToFixed(normals[i][0] * 65536.0 / len);
    ViewSidePlanes[i][1] = RoundToFixed(normals[i][1] * 65536.0 / len);
    ViewSidePlanes[i][2] = RoundToFixed(s * 65536.0 / len);
  }
  if (apply) BuildViewMatrices();
}

void SetupSmallViewRectangle(float fieldFactor) {
  const int32_t areaWidth = ScreenLayout.viewRight - ScreenLayout.viewLeft;
  const int32_t areaHeight = ScreenLayout.viewHeight;
  auto px = [](double v) { return static_cast<int32_t>(std::lround(v)); };
  int left = ScreenLayout.viewLeft + px(SmallViewWindow.x * areaWidth);
  int top = px(SmallViewWindow.y * areaHeight);
  int right = left + px(SmallViewWindow.width * areaWidth);
  int bottom = top + px(SmallViewWindow.height * areaHeight);
  left = std::clamp(left, 0, ScreenWidth);
  right = std::clamp(right, left, ScreenWidth);
  top = std::clamp(top, 0, ScreenHeight);
  bottom = std::clamp(bottom, top, ScreenHeight);
  SetupViewRectangle(left, top, right, bottom, 0.0f, 0.0f, fieldFactor, 0.25f, 1);
}

void ComputeViewAxes() {
  View& v = *CurrentView;
  const float cp = FixCos(v.pitch) / 65536.0f, sp = FixSin(v.pitch) / 65536.0f;
  const float ch = FixCos(v.heading) / 65536.0f, sh = FixSin(v.heading) / 65536.0f;
  v.direction[0] = -cp * sh;
  v.direction[1] = cp * ch;
  v.direction[2] = sp;
}

void ComputeViewBasis() {
  View& v = *CurrentView;
  double d[3] = {v.direction[0], v.direction[1], v.direction[2]};
  NormaliseDouble(d);  // a direction that drifted from unit length would skew the picture
  double h = std::sqrt(d[0] * d[0] + d[1] * d[1]);
  double x, y, dz = d[2];
  if (h >= 0.001) {
    x = d[0] / h;
    y = d[1] / h;
  } else {
    x = 0.0;
    y = 1.0;
    h = 0.0;
    dz = dz >= 0.0 ? 1.0 : -1.0;
  }
  double right[3] = {-y, x, 0.0};
  double up[3] = {-dz * x, -dz * y, h};
  const double forward[3] = {-h * x, -h * y, -dz};
  if (v.roll != 0) {
    const double a = v.roll * (2.0 * PI / 65536.0), c = std::cos(a), s = std::sin(a);
    for (int i = 0; i < 3; ++i) {
      const double r = right[i], u = up[i];
      right[i] = c * r - s * u;
      up[i] = s * r + c * u;
    }
  }
  float m[9];
  for (int i = 0; i < 3; ++i) {
    ViewBasis[0][i] = static_cast<float>(right[i]);
    ViewBasis[1][i] = static_cast<float>(up[i]);
    ViewBasis[2][i] = static_cast<float>(forward[i]);
  }
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m[r * 3 + c] = ViewBasis[r][c];
  MatrixFloatToFixed(m, ViewRotation);
}

void BuildViewMatrices() {
  const View& v = *CurrentView;
  ViewMatrixState& s = ViewMatrices;
  float eye[3];
  for (int i = 0; i < 3; ++i) eye[i] = static_cast<float>(v.position[i] * FIXED_TO_M);
  const bool ortho = ViewOrthoDepth != 0;
  if (ortho)
    for (int i = 0; i < 3; ++i) eye[i] -= VIEW_ORTHO_EYE_BACK_M * ViewBasis[2][i];
  const float(&b)[3][3] = ViewBasis;
  SetRow(s.view, 0, b[0][0], b[1][0], b[2][0], 0.0f);
  SetRow(s.view, 1, b[0][1], b[1][1], b[2][1], 0.0f);
  SetRow(s.view, 2, b[0][2], b[1][2], b[2][2], 0.0f);
  float t[3];
  for (int r = 0; r < 3; ++r) t[r] = -(eye[0] * b[r][0] + eye[1] * b[r][1] + eye[2] * b[r][2]);
  SetRow(s.view, 3, t[0], t[1], t[2], 1.0f);

  const int width = v.right - v.left, height = v.bottom - v.top;
  const float fieldFactor = v.halfFieldFactor * 2.0f;
  s.offsetX = v.centreOffsetX;
  s.offsetY = -v.centreOffsetY;
  // The projection is made with the matrix state's own near and far planes.
  if (!ortho) {
    s.nearPlane = s.nearParameter > 0.0f ? s.nearParameter : VIEW_NEAR_LIMIT / 65536.0f;
    s.farPlane = VIEW_FAR_DISTANCE_M;
    if (WorldLoaded() && WorldFarDistanceM > s.farPlane) s.farPlane = WorldFarDistanceM;
  } else {
    s.nearPlane = VIEW_ORTHO_NEAR_M;
    s.farPlane = VIEW_ORTHO_FAR_M;
  }
  NearPlane = s.nearPlane;
  FarPlane = s.farPlane;
  if (!ortho) {
    const float w = fieldFactor * s.nearPlane;
    const float h = width > 0 ? w * static_cast<float>(height) / static_cast<float>(width) : w;
    SetupPerspective(s.projection, w, h);
    s.projection[8] = s.offsetX;
    s.projection[9] = s.offsetY;
  } else {
    const float w = fieldFactor * static_cast<float>(ViewOrthoDepth * FIXED_TO_M);
    SetupOrthographic(s.projection, w, w / v.aspect);
    // The same centre offsets as the processor's projection; w is 1, so they go in row 3.
    s.projection[12] = s.offsetX;
    s.projection[13] = s.offsetY;
  }
  MultiplyMatrix(s.view, s.viewProjection, s.projection);
  // The matrix state the constant uploads read.
  std::memcpy(ViewMatrix, s.view, sizeof ViewMatrix);
  std::memcpy(ProjectionMatrix, s.projection, sizeof ProjectionMatrix);
}

void GetViewAxes(float out[3][3]) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) out[r][c] = ViewBasis[c][r];
}

void OrbitView(const int32_t target[3], int32_t distance) {
  View& v = *CurrentView;
  ComputeViewAxes();
  for (int i = 0; i < 3; ++i) v.position[i] = RoundToFixed(target[i] + double(distance) * v.direction[i]);
}

void ClampViewPosition() {
  View& v = *CurrentView;
  v.position[0] = std::clamp(v.position[0], -VIEW_CLAMP_XY, VIEW_CLAMP_XY);
  v.position[1] = std::clamp(v.position[1], -VIEW_CLAMP_XY, VIEW_CLAMP_XY);
  v.position[2] = std::clamp(v.position[2], -VIEW_CLAMP_Z, VIEW_CLAMP_Z);
}

// ---- [Projection] ----

void WorldToView(const int32_t point[3], int32_t out[3]) {
  const View& v = *CurrentView;
  const int32_t d[3] = {WrapSub(point[0], v.position[0]), WrapSub(point[1], v.position[1]),
                        WrapSub(point[2], v.position[2])};
  for (int r = 0; r < 3; ++r) {
    const int32_t* row = &ViewRotation.m[r * 3];
    out[r] = FixDot3(row[0], d[0], row[1], d[1], row[2], d[2]);
  }
}

int ProjectPointToScreen(const int32_t point[3], float* x, float* y, int32_t* depth) {
  int32_t vp[3];
  WorldToView(point, vp);
  if (!ProjectViewPoint(vp, x, y, depth)) return 0;
  return InsideScreenArea(*x, *y);
}

int ProjectPointDepth(const int32_t point[3], float* u, float* v) {
  int32_t vp[3], depth;
  WorldToView(point, vp);
  if (!ProjectionDepth(vp[2], &depth)) return 0;
  const float half = CurrentView->halfFieldFactor;
  if (!(half > 0.0f)) return 0;
  *u = static_cast<float>(vp[0]) / static_cast<float>(depth) / half;
  *v = static_cast<float>(vp[1]) / static_cast<float>(depth) / half;
  return 1;
}

int ProjectAndTestOnScreen(const int32_t viewPoint[3], float* x, float* y, int wholeScreen) {
  if (!ProjectViewPoint(viewPoint, x, y, nullptr)) return 0;
  if (!wholeScreen) return InsideScreenArea(*x, *y);
  const float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
  return *x >= -w && *x <= 2.0f * w && *y >= -h && *y <= 2.0f * h;
}

void ProjectVertexForShading(const int32_t position[3], const float normal[3], ShadedVertex& out) {
  WorldToView(position, out.position);
  for (int r = 0; r < 3; ++r)
    out.normal[r] = ViewBasis[r][0] * normal[0] + ViewBasis[r][1] * normal[1] + ViewBasis[r][2] * normal[2];
}

// ---- [Clipping] ----

int SphereInView(const int32_t viewCentre[3], int32_t radius) {
  const bool ortho = ViewOrthoDepth != 0;
  if (ortho && ViewOrthoDepth < VIEW_ORTHO_DEPTH_MIN) return 0;
  if (!ortho && double(viewCentre[2]) + radius < VIEW_NEAR_LIMIT) return 0;
  // In an orthographic view every point stands at the fixed depth.
  const double p[3] = {double(viewCentre[0]), double(viewCentre[1]),
                       ortho ? double(ViewOrthoDepth) : double(viewCentre[2])};
  for (int i = 0; i < 4; ++i)
    if (PlaneDistance(i, p) < -double(radius)) return 0;
  return 1;
}

int ClipSegmentToView(int32_t a[3], int32_t b[3]) {
  const bool ortho = ViewOrthoDepth != 0;
  if (ortho && ViewOrthoDepth < VIEW_ORTHO_DEPTH_MIN) return 0;
  double pa[3] = {double(a[0]), double(a[1]), double(a[2])};
  double pb[3] = {double(b[0]), double(b[1]), double(b[2])};
  if (ortho) pa[2] = pb[2] = ViewOrthoDepth;
  double t0 = 0.0, t1 = 1.0;
  auto clip = [&](double da, double db) {
    if (da < 0.0 && db < 0.0) return false;
    if (da < 0.0) t0 = std::max(t0, da / (da - db));
    else if (db < 0.0) t1 = std::min(t1, da / (da - db));
    return t0 <= t1;
  };
  if (!ortho && !clip(pa[2] - VIEW_NEAR_LIMIT, pb[2] - VIEW_NEAR_LIMIT)) return 0;
  for (int i = 0; i < 4; ++i)
    if (!clip(PlaneDistance(i, pa), PlaneDistance(i, pb))) return 0;
  const double ra[3] = {double(a[0]), double(a[1]), double(a[2])};
  const double rb[3] = {double(b[0]), double(b[1]), double(b[2])};
  for (int i = 0; i < 3; ++i) {
    a[i] = RoundToFixed(ra[i] + (rb[i] - ra[i]) * t0);
    b[i] = RoundToFixed(ra[i] + (rb[i] - ra[i]) * t1);
  }
  // Rounding must not push an end back behind the near limit.
  if (!ortho) {
    a[2] = std::max(a[2], VIEW_NEAR_LIMIT);
    b[2] = std::max(b[2], VIEW_NEAR_LIMIT);
  }
  return 1;
}

// ---- [Moving] ----

void MoveViewByKeys() {
  View& v = *CurrentView;
  const double t = FrameTime / 1000.0;
  const int up = ArrowKeysHeld[0] != 0, down = ArrowKeysHeld[1] != 0;
  const int right = ArrowKeysHeld[2] != 0, left = ArrowKeysHeld[3] != 0;
  if (!CtrlHeld) {
    const int dx = right - left, dy = up - down;
    if (dx != 0 || dy != 0) {
      const int64_t height = std::abs(int64_t(v.position[2]));
      const int32_t base = static_cast<int32_t>(std::max<int64_t>(0x10000, 2 * height));
      const double speed = FixMul(base, CfgModelEdSpeed);  // 16.16 per second
      double fx, fy;
      HorizontalForward(v, &fx, &fy);
      const double rx = fy, ry = -fx;  // a quarter turn clockwise seen from above
      v.position[0] = RoundToFixed(v.position[0] + (dx * rx + dy * fx) * speed * t);
      v.position[1] = RoundToFixed(v.position[1] + (dx * ry + dy * fy) * speed * t);
    }
  } else {
    // The speed setting scales the zoom rate as it scales the movement.
    const double e = (CfgModelEdSpeed / 65536.0) * t;
    if (up) v.position[2] = RoundToFixed(v.position[2] * std::pow(4.0, e));
    else if (down) v.position[2] = RoundToFixed(v.position[2] * std::pow(0.25, e));
  }
  ClampViewPosition();
}

ViewMouseEvent ViewMouseEventFromRecord(const MouseRecord& r) {
  ViewMouseEvent e{};
  e.dx = r.dx;
  e.dy = r.dy;
  e.firstHeld = r.leftHeld != 0;
  e.secondHeld = r.rightHeld != 0;
  e.middleHeld = (r.clickCode & 16) != 0;  // the record carries the middle button's press only
  e.press = (r.clickCode & (1 | 2 | 16)) != 0;
  e.wheel = r.wheel;
  e.ctrlHeld = CtrlHeld != 0;
  return e;
}

void DragView(const ViewMouseEvent& e) {
  View& v = *CurrentView;
  if (e.secondHeld && !e.firstHeld && !e.ctrlHeld) {
    v.heading = static_cast<uint16_t>(v.heading + 36 * e.dx);
    ComputeViewAxes();
    ComputeViewBasis();
  }
  if (e.wheel == 1 || e.wheel == 2) {
    // Zoom about a point fixed in the world, so that a step and the opposite step cancel:
    // the view plane's point when orthographic, else the ground under the pointer or,
    // failing that, the point at the view distance.
    int32_t target[3];
    const int found = ViewOrthoDepth != 0 ? PickPointOnViewPlane(nullptr, target)
                                          : (PickGroundPoint(target) || PickPointOnViewPlane(nullptr, target));
    if (found) {
      for (int i = 0; i < 3; ++i) {
        const int32_t offset = WrapSub(v.position[i], target[i]);
        const int32_t scaled = e.wheel == 1 ? FixDiv(offset, 0x14000) : FixMul(offset, 0x14000);
        v.position[i] = RoundToFixed(double(target[i]) + scaled);
      }
      if (ViewOrthoDepth != 0) {
        const int64_t d = e.wheel == 1 ? FixDiv(ViewOrthoDepth, 0x14000) : int64_t(ViewOrthoDepth) * 0x14000 >> 16;
        ViewOrthoDepth = ClampOrthoDepth(d);
      }
    }
  }
  if (e.firstHeld && e.secondHeld) {
    if (ViewOrthoDepth != 0 && ScreenHeight > 0) {
      // A fast upward flick must not reach zero: a zero depth could never be scaled back.
      const int64_t d = int64_t(ViewOrthoDepth) * (ScreenHeight + 3 * e.dy) / ScreenHeight;
      ViewOrthoDepth = ClampOrthoDepth(d);
    }
  } else if (e.firstHeld && v.scale > 0) {
    const double depth = ViewOrthoDepth != 0 ? ViewOrthoDepth : v.viewDistance;
    const double mx = -e.dx * depth / v.scale, my = e.dy * depth / v.scale;
    for (int i = 0; i < 3; ++i) v.position[i] = RoundToFixed(v.position[i] + mx * ViewBasis[0][i] + my * ViewBasis[1][i]);
  }
}

// ---- [Picking] ----

int views_local::PointerRay(int mouseX, int mouseY, double origin[3], double direction[3]) {
  const View& v = *CurrentView;
  double sx, sy;
  if (!PointerInView(v, mouseX, mouseY) || !PixelToViewSlope(v, mouseX, mouseY, &sx, &sy)) return 0;
  if (ViewOrthoDepth != 0) {
    if (ViewOrthoDepth < VIEW_ORTHO_DEPTH_MIN) return 0;
    double offset[3];
    ViewToWorldVector(sx * ViewOrthoDepth, sy * ViewOrthoDepth, 0.0, offset);
    for (int i = 0; i < 3; ++i) {
      origin[i] = v.position[i] + offset[i];
      direction[i] = ViewBasis[2][i];
    }
    return 1;
  }
  ViewToWorldVector(sx, sy, 1.0, direction);
  NormaliseDouble(direction);
  for (int i = 0; i < 3; ++i) origin[i] = v.position[i];
  return 1;
}

int PickFromMouseAt(int mouseX, int mouseY, float direction[3]) {
  double origin[3], d[3];
  if (!PointerRay(mouseX, mouseY, origin, d)) return 0;
  for (int i = 0; i < 3; ++i) direction[i] = static_cast<float>(d[i]);
  return 1;
}

int PickFromMouse(float direction[3]) { return PickFromMouseAt(MouseX, MouseY, direction); }

int PickGroundPointAt(int mouseX, int mouseY, int32_t point[3]) {
  const View& v = *CurrentView;
  if (ViewOrthoDepth != 0) {
    if (v.scale <= 0) return 0;
    const double k = double(ViewOrthoDepth) / v.scale;
    const double ox = (mouseX - v.centreX) * k, oy = (v.centreY - mouseY) * k;
    const uint32_t angle = (v.heading - 32768u) & 0xFFFF;
    const double c = FixCos(angle) / 65536.0, s = FixSin(angle) / 65536.0;
    point[0] = RoundToFixed(v.position[0] + ox * c - oy * s);
    point[1] = RoundToFixed(v.position[1] + ox * s + oy * c);
    point[2] = 0;
    return 1;
  }
  float ray[3];
  if (!PickFromMouseAt(mouseX, mouseY, ray)) return 0;
  const double h = v.position[2] * FIXED_TO_M;
  if (std::fabs(h) < 0.001) return 0;
  // The ray must fall steeply enough: the hit stays within 16 km and the slope above 1/1024.
  if (h / std::clamp(h * 1024.0, -16384.0, 16384.0) > std::fabs(ray[2])) return 0;
  const double t = h * 65536.0 / -ray[2];
  if (t < 0.25) return 0;
  point[0] = RoundToFixed(v.position[0] + ray[0] * t);
  point[1] = RoundToFixed(v.position[1] + ray[1] * t);
  point[2] = 0;
  return 1;
}

int PickGroundPoint(int32_t point[3]) { return PickGroundPointAt(MouseX, MouseY, point); }

int PickPointOnViewPlaneAt(int mouseX, int mouseY, float forward[3], int32_t point[3]) {
  const View& v = *CurrentView;
  double origin[3], d[3];
  if (!PointerRay(mouseX, mouseY, origin, d)) return 0;
  if (forward)
    for (int i = 0; i < 3; ++i) forward[i] = ViewBasis[2][i];
  if (ViewOrthoDepth != 0) {
    for (int i = 0; i < 3; ++i) point[i] = RoundToFixed(origin[i]);
    return 1;
  }
  // The plane of the view distance, square to the looking direction.
  const double along = d[0] * ViewBasis[2][0] + d[1] * ViewBasis[2][1] + d[2] * ViewBasis[2][2];
  if (!(along > 0.0)) return 0;
  const double t = v.viewDistance / along;
  for (int i = 0; i < 3; ++i) point[i] = RoundToFixed(origin[i] + d[i] * t);
  return 1;
}

int PickPointOnViewPlane(float forward[3], int32_t point[3]) {
  return PickPointOnViewPlaneAt(MouseX, MouseY, forward, point);
}

double views_local::RayTriangle(const double dir[3], const double a[3], const double b[3], const double c[3]) {
  const double e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const double e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  const double p[3] = {dir[1] * e2[2] - dir[2] * e2[1], dir[2] * e2[0] - dir[0] * e2[2], dir[0] * e2[1] - dir[1] * e2[0]};
  const double det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
  if (std::fabs(det) < 1e-18) return -1.0;
  const double inv = 1.0 / det;
  const double s[3] = {-a[0], -a[1], -a[2]};  // the ray starts at the origin
  const double u = (s[0] * p[0] + s[1] * p[1] + s[2] * p[2]) * inv;
  if (u < 0.0 || u > 1.0) return -1.0;
  const double q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
  const double w = (dir[0] * q[0] + dir[1] * q[1] + dir[2] * q[2]) * inv;
  if (w < 0.0 || u + w > 1.0) return -1.0;
  return (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) * inv;
}

int PickTriangleAt(int mouseX, int mouseY, const int32_t (*triangles)[3][3], int count, int* index,
                   int32_t* distance) {
  double origin[3], dir[3];
  if (!PointerRay(mouseX, mouseY, origin, dir)) return 0;
  // In an orthographic view the shaders' eye stands back along the ray; so does the pick.
  const double back = ViewOrthoDepth != 0 ? VIEW_ORTHO_EYE_BACK_M : 0.0;
  double o[3];
  for (int i = 0; i < 3; ++i) o[i] = origin[i] * FIXED_TO_M - back * dir[i];
  double best = -1.0;
  int bestIndex = -1;
  for (int n = 0; n < count; ++n) {
    double p[3][3];
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i < 3; ++i) p[k][i] = triangles[n][k][i] * FIXED_TO_M - o[i];
    const double t = RayTriangle(dir, p[0], p[1], p[2]);
    if (t >= 0.0 && (bestIndex < 0 || t < best)) {
      best = t;
      bestIndex = n;
    }
  }
  if (bestIndex < 0) return 0;
  *index = bestIndex;
  if (distance) *distance = RoundToFixed((best - back) * 65536.0);
  return 1;
}

int PickPointAt(int mouseX, int mouseY, const int32_t (*points)[3], int count, float radius, int* index) {
  const float limit = radius * radius;
  float best = 0.0f;
  int bestIndex = -1;
  for (int n = 0; n < count; ++n) {
    int32_t vp[3];
    float x, y;
    WorldToView(points[n], vp);
    if (!ProjectViewPoint(vp, &x, &y, nullptr)) continue;
    const float dx = x - mouseX, dy = y - mouseY, d = dx * dx + dy * dy;
    if (d <= limit && (bestIndex < 0 || d < best)) {
      best = d;
      bestIndex = n;
    }
  }
  if (bestIndex < 0) return 0;
  *index = bestIndex;
  return 1;
}

// ---- [Lighting] ----

void SetViewLightColours(int mode) {
  View& v = *CurrentView;
  for (int c = 0; c < 3; ++c) {
    if (mode == 0) {
      v.lightColours[0][c] = v.lightColours[1][c] = 1.0f;
      v.sunFactors[c] = 0.5f;
    } else if (mode == 1) {
      v.lightColours[0][c] = GammaByte(CfgSunColour, c);
      v.lightColours[1][c] = GammaByte(CfgSkyHigh, c);
      v.sunFactors[c] = GammaByte(CfgGround, c);
    } else {
      v.lightColours[0][c] = 0.0f;
      v.lightColours[1][c] = 1.0f;
      v.sunFactors[c] = 0.0f;
    }
    for (int j = 0; j < 3; ++j) v.lightFactors[c][j] = 1.0f;
  }
  v.lightFactorSingle = 1.0f;
  double l[3] = {double(v.lightDirection[0]), double(v.lightDirection[1]), double(v.lightDirection[2])};
  NormaliseDouble(l);  // a zero direction stays zero: no sun term
  for (int i = 0; i < 3; ++i) v.lightDirectionUnit[i] = static_cast<float>(l[i]);
  const float sunUp = std::max(0.0f, v.lightDirectionUnit[2]);
  for (int c = 0; c < 3; ++c) {
    v.ambient[c] = v.sunFactors[c] * (v.lightColours[0][c] * sunUp + v.lightColours[1][c]);
    v.ambientColour[c] = static_cast<uint8_t>(std::clamp(v.ambient[c] * 255.0f, 0.0f, 255.0f));
  }
  v.ambientColour[3] = 0;
  v.fogDistance = 12000.0f;
  UploadViewLighting();
}

void SetViewDiffuseLight(float ambient, float sky, float direct) {
  View& v = *CurrentView;
  // (n, 1)^T M (n, 1) = ambient + sky n.z + direct (n . l): the linear terms halved in the
  // fourth row and the fourth column.
  for (float(&m)[16] : v.lightMatrices) {
    std::fill(std::begin(m), std::end(m), 0.0f);
    for (int i = 0; i < 3; ++i)
      m[i * 4 + 3] = m[3 * 4 + i] = 0.5f * (direct * v.lightDirectionUnit[i] + (i == 2 ? sky : 0.0f));
    m[15] = ambient;
  }
  UploadViewLighting();
}

void UploadViewLighting() {
  View& v = *CurrentView;
  ViewLightingConstants& k = ViewLighting;
  for (float& c : v.channelScales) c = 1.0f;
  const float* ch = v.channelScales;
  const float s = v.lightFactorSingle;
  std::memset(&k, 0, sizeof k);
  for (int c = 0; c < 3; ++c) {
    k.block0[c] = ch[c] * s;
    k.block1[c] = static_cast<float>(v.lightDirection[c] * FIXED_TO_M);
    k.block1[4 + c] = v.lightColours[0][c] * ch[c];
    k.block1[8 + c] = v.lightColours[1][c] * ch[c];
    k.block1[12 + c] = v.lightDirectionUnit[c];
    k.block1[16 + c] = ch[c];
    k.block1[20 + c] = ch[c] * s;
    k.block2[c] = ch[c];
  }
  k.block0[3] = 1.0f;
  UploadConstantRowData(0, VS_ROW_LIGHT_SCALE, k.block0, sizeof k.block0);
  UploadConstantRowData(0, VS_ROW_VIEW_LIGHTS, k.block1, sizeof k.block1);
  UploadConstantRowData(0, VS_ROW_LIGHT_CHANNELS, k.block2, sizeof k.block2);
  UploadLightMatricesVS(v.lightMatrices, v.ambient);
}

void UploadLightMatricesVS(const float matrices[3][16], const float colour[3]) {
  const View& v = *CurrentView;
  float* out = ViewLighting.lightVS;
  for (int m = 0; m < 3; ++m)
    for (int i = 0; i < 16; ++i) out[m * 16 + i] = matrices[m][i] * v.channelScales[m];
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) out[48 + r * 4 + c] = v.lightFactors[r][c] * v.channelScales[c] * v.smallFactor;
    out[48 + r * 4 + 3] = colour[r];
  }
  out[60] = -0.693147f / v.fogDistance;  // halves the light every fog distance
  out[61] = out[62] = out[63] = 0.0f;
  UploadConstantRowData(0, VS_ROW_LIGHT_MATRICES, ViewLighting.lightVS, sizeof ViewLighting.lightVS);
}

uint32_t ColourWithLighting(const int32_t normal[3], uint32_t colour) {
  const uint8_t channel[3] = {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16)};
  uint32_t out[3];
  if ((LightingMode >= 4 && LightingMode <= 6) || (colour & COLOUR_UNLIT_FLAG)) {
    for (int c = 0; c < 3; ++c) out[c] = BrightnessTable[channel[c]];
  } else {
    const View& v = *CurrentView;
    const float t = static_cast<float>(normal[2]) * (1.0f / 65536.0f) * 0.5f + 0.5f;
    // The light direction is 16.16 but not normalised: the sun term grows with its length.
    const int32_t sunDot = FixDot3(normal[0], v.lightDirection[0], normal[1], v.lightDirection[1], normal[2],
                                   v.lightDirection[2]);
    const float sun = sunDot > 0 ? static_cast<float>(sunDot) * (1.0f / 65536.0f) : 0.0f;
    for (int c = 0; c < 3; ++c) {
      const float low = v.lightColours[0][c], high = v.lightColours[1][c];
      const float light = low + (high - low) * t + sun * v.sunFactors[c];
      const float lit = static_cast<float>(BrightnessTable[channel[c]]) * light * v.channelScales[c];
      out[c] = static_cast<uint32_t>(std::clamp(std::lround(lit), 0L, 255L));
    }
  }
  return 0xFF000000u | out[0] << 16 | out[1] << 8 | out[2];
}
