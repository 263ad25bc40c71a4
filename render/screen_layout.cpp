// screen_layout.cpp - how the window is divided into 3D views: the three layout records,
// the choice between them, the view area and the side-by-side screens.
#include <algorithm>
#include <cmath>

#include "core/config.h"
#include "render/draw2d.h"
#include "render/views.h"
#include "render/views_local.h"
#include "render/vr.h"

ViewLayout ViewLayouts[3];
ScreenLayoutState ScreenLayout = {LAYOUT_SINGLE, &ViewLayouts[LAYOUT_SINGLE], 1, 0, 0, 0, 0, 0, 0, 0, {}};
int ScreenLayoutNeedsSetup = 1;
int ViewsWideSideOnRight;
SmallViewWindowSettings SmallViewWindow = {0.3f, 0.3f, 0.7f, 0.0f};
int EditorViewsMode;
float EditorFieldOfView[3] = {60.0f, 60.0f, 60.0f};
float VrFieldOfView = 90.0f;

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double DEG = PI / 180.0;

// A value kept within [lo, hi]; NaN takes lo.
float ClampFloat(float v, float lo, float hi) {
  if (!(v >= lo)) return lo;
  return v > hi ? hi : v;
}

ViewLayout DefaultLayout(int left, int right, float fieldOfView) {
  ViewLayout l{};
  l.equalWidths = 1;
  l.leftScreens = left;
  l.rightScreens = right;
  l.fieldOfView = fieldOfView;
  l.centreWidth = l.sideWidth = 1024;
  l.screenAngle = 30.0f;
  return l;
}

float* FieldOfViewInUse() {
  if (VrEnabled) return &VrFieldOfView;
  if (EditorViewsMode) return &EditorFieldOfView[ScreenLayout.kind];
  return &ScreenLayout.layout->fieldOfView;
}

}  // namespace

void SetDefaultLayouts() {
  ViewLayouts[LAYOUT_SINGLE] = DefaultLayout(0, 0, 90.0f);
  ViewLayouts[LAYOUT_WIDE] = ViewsWideSideOnRight ? DefaultLayout(0, 1, 90.0f) : DefaultLayout(1, 0, 90.0f);
  ViewLayouts[LAYOUT_TRIPLE] = DefaultLayout(1, 1, 60.0f);
}

void MarkLayoutChanged() {
  ScreenLayoutNeedsSetup = 1;
  if (VrEnabled) CfgScreenFlags &= ~0x10000000u;
}

void ScreenSplit(int leftCount, int rightCount, float* leftFraction, float* rightEdge) {
  const ViewLayout& l = *ScreenLayout.layout;
  const double wc = l.equalWidths ? 1024.0 : l.centreWidth;
  const double ws = l.equalWidths ? 1024.0 : l.sideWidth;
  const double total = ws * leftCount + ws * rightCount + wc;
  *leftFraction = static_cast<float>(ws * leftCount / total);
  *rightEdge = static_cast<float>(1.0 - ws * rightCount / total);
}

float GetFovLimits(float* minimum, float* maximum, float* angle) {
  float* fov = FieldOfViewInUse();
  if (VrEnabled) {
    *minimum = 75.0f;
    *maximum = 120.0f;
    *angle = 0.0f;
  } else if (ScreenLayout.screenCount >= 2) {
    const int n = ScreenLayout.screenCount;
    *minimum = std::round(30.0f / n);
    *maximum = std::min(std::round(360.0f / n), 90.0f);
    *angle = ScreenLayout.layout->screenAngle;
  } else {
    *minimum = 30.0f;
    *maximum = 160.0f;
    *angle = 0.0f;
  }
  *fov = ClampFloat(*fov, *minimum, *maximum);
  return *fov;
}

float SetFieldOfView(float degrees) {
  *FieldOfViewInUse() = degrees;
  float minimum = 0, maximum = 0, angle = 0;
  return GetFovLimits(&minimum, &maximum, &angle);
}

void views_local::LayOutScreens(ScreenLayoutState& s, float fieldOfView, float screenAngle) {
  const ViewLayout& l = *s.layout;
  const int left = VrEnabled ? 0 : l.leftScreens, right = VrEnabled ? 0 : l.rightScreens;
  const double t = std::tan(fieldOfView * DEG * 0.5);
  s.centreIndex = left;
  for (LayoutScreen& sc : s.screens) sc = LayoutScreen{};
  LayoutScreen& centre = s.screens[left];
  centre.turn = 0.0f;
  centre.fieldFactor = static_cast<float>(2.0 * t);
  centre.centreOffset = VrEnabled ? 0.0f : l.centreOffset;
  centre.laidOut = 1;
  if (s.screenCount == 1) {
    centre.left = s.viewLeft;
    centre.right = s.viewRight;
    return;
  }

  // Pixel ranges: the side screens from the window's edges inwards, the centre between.
  const double wc = (l.equalWidths || !s.sideBySide) ? 1024.0 : l.centreWidth;
  const double ws = (l.equalWidths || !s.sideBySide) ? 1024.0 : l.sideWidth;
  const double unit = s.width / ((left + right) * ws + wc) * ws;
  auto u = [unit](int k) { return static_cast<int32_t>(std::lround(k * unit)); };
  for (int i = 0; i < left; ++i) {
    s.screens[i].left = u(i);
    s.screens[i].right = u(i + 1);
  }
  for (int j = 0; j < right; ++j) {  // j = 0 is the outermost right screen
    LayoutScreen& sc = s.screens[left + right - j];
    sc.left = s.width - u(j + 1);
    sc.right = s.width - u(j);
  }
  centre.left = u(left);
  centre.right = s.width - u(right);

  // Each screen turns by the angle between screens and shares its inner edge's direction
  // with its neighbour, so the picture runs on across the bezel.
  const double a = ClampFloat(screenAngle, 0.0f, fieldOfView) * DEG;
  const double c = centre.centreOffset;
  const double centreEdges[2] = {std::atan((c + 1.0) * t), std::atan((c - 1.0) * t)};  // left, right
  for (int side = 0; side < 2; ++side) {
    const int count = side == 0 ? left : right;
    const double sign = side == 0 ? 1.0 : -1.0;
    int previous = left;
    double edge = centreEdges[side];
    for (int k = 1; k <= count; ++k) {
      const int index = left - static_cast<int>(sign) * k;
      LayoutScreen& sc = s.screens[index];
      const LayoutScreen& p = s.screens[previous];
      const double turn = sign * k * a;
      const double d = std::cos(turn - edge) / std::cos(edge - p.turn);
      if (!(d >= 0.1)) break;
      const double width = sc.right - sc.left, previousWidth = p.right - p.left;
      const double h = (previousWidth > 0.0 ? width / previousWidth : 1.0) * (p.fieldFactor * 0.5) / d;
      const double offset = std::tan(edge - turn) / h + sign;
      sc.turn = static_cast<float>(turn);
      sc.fieldFactor = static_cast<float>(2.0 * h);
      sc.centreOffset = static_cast<float>(offset);
      sc.laidOut = 1;
      edge = turn + std::atan((offset + sign) * h);
      previous = index;
    }
  }

  if (s.sideBySide && l.narrowingPercent > 0.0f) {
    const float keep = 1.0f - l.narrowingPercent / 100.0f;
    for (int i = 0; i < s.screenCount; ++i) {
      s.screens[i].fieldFactor *= keep;
      s.screens[i].centreOffset /= keep;
    }
  }
}

void SetupScreenLayout(int width, int height) {
  ScreenLayoutNeedsSetup = 0;
  ScreenLayoutState& s = ScreenLayout;
  s.width = width;
  s.height = height;
  s.viewHeight = height;
  const int64_t w = width, h = height;
  if (VrEnabled) s.kind = LAYOUT_SINGLE;
  else if (w >= std::llround(3.75 * h)) s.kind = LAYOUT_TRIPLE;
  else if (2 * w >= 5 * h) s.kind = LAYOUT_WIDE;
  else s.kind = LAYOUT_SINGLE;
  s.layout = &ViewLayouts[s.kind];
  const ViewLayout& l = *s.layout;
  const int left = VrEnabled ? 0 : l.leftScreens, right = VrEnabled ? 0 : l.rightScreens;
  s.screenCount = left + 1 + right;
  s.sideBySide = s.screenCount > 1 && w >= s.screenCount * h;

  enum { WHOLE, SPLIT, CENTRE_16_9 } limit = WHOLE;
  float leftFraction = 0.0f, rightEdge = 1.0f;
  if (s.sideBySide) {
    limit = SPLIT;
    ScreenSplit(left, right, &leftFraction, &rightEdge);
  } else if (9 * w > 16 * h) {
    if (w >= 4 * h) {
      limit = SPLIT;  // one left and one right screen of equal width
      leftFraction = 1.0f / 3.0f;
      rightEdge = 2.0f / 3.0f;
    } else {
      limit = CENTRE_16_9;
    }
  }
  if (limit == WHOLE || l.wholeWidth || width <= 0) {
    s.viewLeft = 0;
    s.viewRight = width;
  } else if (limit == CENTRE_16_9) {
    const double margin = (1.0 - 16.0 * h / (9.0 * w)) * 0.5 * w;
    s.viewLeft = static_cast<int32_t>(std::lround(margin));
    s.viewRight = width - s.viewLeft;
  } else {
    s.viewLeft = static_cast<int32_t>(std::lround(leftFraction * double(w)));
    s.viewRight = static_cast<int32_t>(std::lround(rightEdge * double(w)));
  }
  // The frame's projection values follow the view area (the VR eyes take theirs from the
  // VR layer).
  if (width > 0 && height > 0) {
    ViewAreaWidthFraction = static_cast<float>(s.viewRight - s.viewLeft) / static_cast<float>(width);
    ViewAreaHeightFraction = static_cast<float>(s.viewHeight) / static_cast<float>(height);
  } else {
    ViewAreaWidthFraction = ViewAreaHeightFraction = 1.0f;
  }
  float minimum, maximum, angle;
  const float fieldOfView = GetFovLimits(&minimum, &maximum, &angle);
  views_local::LayOutScreens(s, fieldOfView, angle);
}
