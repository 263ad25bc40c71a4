// screen_rect.cpp - the selection rectangle of the perspective view and the projection of
// view-space points into the interface's normalised units.
#include <algorithm>
#include <cmath>

#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_state.h"
#include "render/draw2d.h"
#include "render/views.h"

namespace {

constexpr float LARGE_ENOUGH = 0.011f;

float PointerX() { return ScreenWidth > 0 ? 2.0f * float(MouseX) / float(ScreenWidth) - 1.0f : 0.0f; }
float PointerY() { return ScreenHeight > 0 ? 2.0f * float(MouseY) / float(ScreenHeight) - 1.0f : 0.0f; }

int ProjectWorld(const int32_t point[3], float out[2]) {
  int32_t view[3];
  WorldToView(point, view);
  return ProjectToScreen(view, out);
}

}  // namespace

int ProjectToScreen(const int32_t viewPoint[3], float out[2]) {
  int32_t depth;
  if (ViewOrthoDepth != 0) {
    if (ViewOrthoDepth < VIEW_ORTHO_DEPTH_MIN) return 0;
    depth = ViewOrthoDepth;
  } else {
    if (viewPoint[2] < EditViewNearClip || viewPoint[2] <= 0) return 0;
    depth = viewPoint[2];
  }
  if (ScreenWidth <= 0 || ScreenHeight <= 0) return 0;
  const View& v = *CurrentView;
  const float k = float(v.scale) / float(depth);
  const float x = float(viewPoint[0]) * k + float(v.centreX);
  const float y = float(v.centreY) - float(viewPoint[1]) * k;
  out[0] = 2.0f * x / float(ScreenWidth) - 1.0f;
  out[1] = 2.0f * y / float(ScreenHeight) - 1.0f;
  return 1;
}

int RectOverlapsProjected(const ScreenRect& rect, const float corners[3][2], int flag) {
  const float* p[3] = {corners[0], corners[1], corners[2]};
  for (int axis = 0; axis < 2; ++axis) {
    if (p[0][axis] < rect.minimum[axis] && p[1][axis] < rect.minimum[axis] && p[2][axis] < rect.minimum[axis]) return 0;
    if (p[0][axis] > rect.maximum[axis] && p[1][axis] > rect.maximum[axis] && p[2][axis] > rect.maximum[axis]) return 0;
  }
  if (!flag) std::swap(p[1], p[2]);
  const float cx[4] = {rect.minimum[0], rect.maximum[0], rect.maximum[0], rect.minimum[0]};
  const float cy[4] = {rect.minimum[1], rect.minimum[1], rect.maximum[1], rect.maximum[1]};
  for (int i = 0; i < 3; ++i) {
    const float* a = p[i];
    const float* b = p[(i + 1) % 3];
    const float ex = b[0] - a[0], ey = b[1] - a[1];
    bool anyNegative = false;
    for (int c = 0; c < 4 && !anyNegative; ++c) anyNegative = ex * (cy[c] - a[1]) - ey * (cx[c] - a[0]) < 0.0f;
    if (!anyNegative) return 0;  // the rectangle lies wholly outside this edge
  }
  return 1;
}

int ProjectedWinding(const float corners[3][2]) {
  const float area = (corners[1][0] - corners[0][0]) * (corners[2][1] - corners[0][1]) -
                     (corners[1][1] - corners[0][1]) * (corners[2][0] - corners[0][0]);
  return area <= 0.0f ? 1 : 0;
}

void ScreenRect::Begin() {
  active = 1;
  start[0] = current[0] = minimum[0] = maximum[0] = PointerX();
  start[1] = current[1] = minimum[1] = maximum[1] = PointerY();
}

void ScreenRect::Update() {
  current[0] = PointerX();
  current[1] = PointerY();
  for (int i = 0; i < 2; ++i) {
    minimum[i] = std::min(start[i], current[i]);
    maximum[i] = std::max(start[i], current[i]);
  }
}

int ScreenRect::IsLargeEnough() const {
  // Across, the limit is scaled to the same pixels as down.
  const float across = ScreenWidth > 0 ? LARGE_ENOUGH * float(ScreenHeight) / float(ScreenWidth) : LARGE_ENOUGH;
  return std::fabs(start[0] - current[0]) >= across || std::fabs(start[1] - current[1]) >= LARGE_ENOUGH;
}

int ScreenRect::ContainsPoint(const int32_t point[3]) const {
  float p[2];
  if (!ProjectWorld(point, p)) return 0;
  return p[0] >= minimum[0] && p[0] <= maximum[0] && p[1] >= minimum[1] && p[1] <= maximum[1];
}

int ScreenRect::ContainsTriangle(const int32_t p0[3], const int32_t p1[3], const int32_t p2[3], int flag) const {
  float corners[3][2];
  if (!ProjectWorld(p0, corners[0]) || !ProjectWorld(p1, corners[1]) || !ProjectWorld(p2, corners[2])) return 0;
  return RectOverlapsProjected(*this, corners, flag);
}

void ScreenRect::Draw() const {
  // Four lines of a pixel's thickness in the 2D list: yellow while Ctrl selects, orange-red
  // while the release would deselect.
  const uint32_t colour = CtrlHeld ? 0xFFFFE63Cu : 0xFFFF5A28u;
  const float tx = ScreenWidth > 0 ? 2.0f / float(ScreenWidth) : 0.0f;
  const float ty = ScreenHeight > 0 ? 2.0f / float(ScreenHeight) : 0.0f;
  const float x0 = minimum[0], x1 = maximum[0], y0 = minimum[1], y1 = maximum[1];
  const float lines[4][4] = {{x0, y0, x1 + tx, y0 + ty},
                             {x0, y1, x1 + tx, y1 + ty},
                             {x0, y0, x0 + tx, y1 + ty},
                             {x1, y0, x1 + tx, y1 + ty}};
  Draw2D& list = Draw2DList;
  list.StartBatch(nullptr);
  for (const auto& l : lines) {
    const int a = list.AddVertex(colour, l[0], l[1], 0, 0), b = list.AddVertex(colour, l[2], l[1], 0, 0),
              c = list.AddVertex(colour, l[2], l[3], 0, 0), d = list.AddVertex(colour, l[0], l[3], 0, 0);
    if (a >= 0 && b >= 0 && c >= 0 && d >= 0) list.AddQuad(a, b, c, d);
  }
  list.EndBatch();
}
