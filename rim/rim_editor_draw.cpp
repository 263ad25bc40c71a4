// rim_editor_draw.cpp - the rim editor's draw hook: the graph, the surfaces with their ticks,
// and the car's tyre section behind the rim for reference.
#include <algorithm>
#include <cmath>
#include <memory>

#include "core/frame_globals.h"
#include "physics/car.h"
#include "render/immediate.h"
#include "rim/rim_editor_local.h"
#include "ui/shapes_2d.h"
#include "vehicle/wheel_profile.h"

namespace {

struct Segment {
  float x0, y0, x1, y1;
};

// Cuts the segment to the graph's rectangle; false when nothing of it lies inside.
bool ClipToGraph(const Graph& g, Segment& s) {
  const float left = float(g.left), right = float(g.left + g.width - 1);
  const float top = float(g.top), bottom = float(g.top + g.height - 1);
  const float dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  float t0 = 0.0f, t1 = 1.0f;
  const float p[4] = {-dx, dx, -dy, dy};
  const float q[4] = {s.x0 - left, right - s.x0, s.y0 - top, bottom - s.y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0f) {
      if (q[i] < 0.0f) return false;
      continue;
    }
    const float t = q[i] / p[i];
    if (p[i] < 0.0f)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  s = Segment{s.x0 + t0 * dx, s.y0 + t0 * dy, s.x0 + t1 * dx, s.y0 + t1 * dy};
  return true;
}

void EmitClipped(const Graph& g, uint32_t colour, Segment s) {
  if (ClipToGraph(g, s)) EmitLine2D(colour, s.x0, s.y0, s.x1, s.y1);
}

// Each surface as a line, and a tick from its middle, as long as the surface but at most 20
// pixels, turned a quarter from the way its first point goes to its second: a surface drawn
// leftwards ticks upwards, one drawn downwards ticks to the left.
void DrawSurfaces(const GraphWXS& g) {
  const WXS& rim = *g.rim;
  for (int i = 0; i < rim.surfaceCount; ++i) {
    const RimSurface& f = rim.surfaces[i];
    if (f.first >= uint32_t(rim.numPoints) || f.second >= uint32_t(rim.numPoints)) continue;
    const GraphPoint& a = rim.points[f.first];
    const GraphPoint& b = rim.points[f.second];
    const float ax = float(g.ScreenX(a.x)), ay = float(g.ScreenY(a.y));
    const float bx = float(g.ScreenX(b.x)), by = float(g.ScreenY(b.y));
    EmitClipped(g, RIM_SURFACE_COLOUR, Segment{ax, ay, bx, by});
    const float dx = bx - ax, dy = by - ay, length = std::hypot(dx, dy);
    if (!(length > 0.0f)) continue;
    const float tick = std::min(length, float(RIM_MAX_SURFACE_TICK));
    const float mx = (ax + bx) * 0.5f, my = (ay + by) * 0.5f;
    EmitClipped(g, RIM_SURFACE_COLOUR, Segment{mx, my, mx - dy / length * tick, my + dx / length * tick});
  }
}

void DrawTyreOutline(const GraphWXS& g) {
  if (!g.car) return;
  RimLine lines[RIM_TYRE_OUTLINE_LINES];
  const int count = RimTyreOutline(g.car->wheelSets[1], *g.rim, CarRimProfileFlags(*g.car).rounded, lines,
                                   RIM_TYRE_OUTLINE_LINES);
  for (int i = 0; i < count; ++i)
    EmitClipped(g, RIM_TYRE_OUTLINE_COLOUR,
                Segment{float(g.ScreenX(lines[i].a.x)), float(g.ScreenY(lines[i].a.y)), float(g.ScreenX(lines[i].b.x)),
                        float(g.ScreenY(lines[i].b.y))});
}

}  // namespace

int RimTyreOutline(const SuspensionBlock& set, const WXS& rim, int roundTyre, RimLine* lines, int maxLines) {
  if (rim.numPoints < 2 || !rim.points) return 0;
  // The wheel builder's placing of the profile: x about the middle of points 0 and 1, their
  // half distance being the rim's half width and edge; y by the inner radius over 4.0.
  const float cx = (rim.points[0].x + rim.points[1].x) * 0.5f;
  const float hs = std::fabs(rim.points[1].x - rim.points[0].x) * 0.5f;
  const float half = set.rimWidth * 0.5f + PROFILE_RIM_EDGE;
  const float inner = set.rimRadius - set.rimInnerDepthMm / 1000.0f;
  if (!(hs > 0.0f) || !(half > 0.0f) || !(inner > 0.0f) || !std::isfinite(hs * cx / half / inner)) return 0;
  auto tyre = std::make_unique<SuspensionBlock>(set);
  BuildRimProfile(*tyre, nullptr, RimProfileFlags{roundTyre, 0, 0});
  const WheelProfile& p = tyre->profile;
  const auto place = [&](const ProfilePoint& q) {
    return GraphPoint{cx + q.x * hs / half, q.y * RIM_FIXED_COORDINATE / inner};
  };
  int count = 0;
  for (int i = 0; i < std::min(p.surfaceCount, PROFILE_TYRE_SURFACES) && count < maxLines; ++i) {
    const ProfileSurface& f = p.surfaces[i];
    if (f.first >= uint32_t(p.pointCount) || f.second >= uint32_t(p.pointCount)) continue;
    const RimLine line{place(p.points[f.first]), place(p.points[f.second])};
    if (std::isfinite(line.a.x) && std::isfinite(line.a.y) && std::isfinite(line.b.x) && std::isfinite(line.b.y))
      lines[count++] = line;
  }
  return count;
}

void DrawRimEditor(void* screen) {
  RimScreen& s = *RimOf(screen);
  if (s.savedHook) s.savedHook(s.savedHookArgument);
  if (FrameSkipped || s.prss.sub) return;
  const GraphWXS& g = s.graph;
  g.PaintGraph();
  const int opened = BeginLineBatch2D();
  DrawTyreOutline(g);
  DrawSurfaces(g);
  if (opened) EndLineBatch2D();
}
