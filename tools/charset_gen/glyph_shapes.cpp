// glyph_shapes.cpp - tessellation with the GLU tessellator, and the symbol outlines.
#include "tools/charset_gen/glyph_shapes.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <utility>

namespace {

struct TessVertex {
  double xyz[3];
};

struct TessContext {
  std::deque<TessVertex> vertices;  // stable addresses for the tessellator
  std::vector<const TessVertex*> output;
  bool failed = false;
};

void OnBegin(GLenum, void*) {}
void OnEdgeFlag(GLboolean, void*) {}  // its presence makes the tessellator emit plain triangles
void OnVertex(void* vertex, void* context) {
  static_cast<TessContext*>(context)->output.push_back(static_cast<const TessVertex*>(vertex));
}
void OnEnd(void*) {}
void OnCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* context) {
  TessContext* c = static_cast<TessContext*>(context);
  c->vertices.push_back({{coords[0], coords[1], 0.0}});
  *out = &c->vertices.back();
}
void OnError(GLenum, void* context) { static_cast<TessContext*>(context)->failed = true; }

using Callback = void (*)();

Contour Rectangle(double x0, double y0, double x1, double y1) {  // counter-clockwise
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

Contour Reversed(Contour c) {
  std::reverse(c.begin(), c.end());
  return c;
}

// A counter-clockwise polygon from points given in a unit box, placed in the cell.
Contour Place(std::initializer_list<ShapePoint> unit, double left, double bottom, double width, double height) {
  Contour c;
  for (const ShapePoint& p : unit) c.push_back({left + p.x * width, bottom + p.y * height});
  return c;
}

// A counter-clockwise disc (an ellipse of radii rx, ry) of n corners.
Contour Disc(double cx, double cy, double rx, double ry, int n = 24) {
  Contour c;
  for (int i = 0; i < n; ++i) {
    const double a = 6.283185307179586 * i / n;
    c.push_back({cx + std::cos(a) * rx, cy + std::sin(a) * ry});
  }
  return c;
}

// A ring: the disc less a smaller one.
std::vector<Contour> Ring(double cx, double cy, double r, double width) {
  return {Disc(cx, cy, r, r), Reversed(Disc(cx, cy, r - width, r - width))};
}

// A bar of a thickness from (x0, y0) to (x1, y1), counter-clockwise.
Contour Bar(double x0, double y0, double x1, double y1, double thickness) {
  const double length = std::hypot(x1 - x0, y1 - y0);
  const double nx = -(y1 - y0) / length * thickness / 2, ny = (x1 - x0) / length * thickness / 2;
  return {{x0 - nx, y0 - ny}, {x1 - nx, y1 - ny}, {x1 + nx, y1 + ny}, {x0 + nx, y0 + ny}};
}

std::vector<Contour> Joined(std::vector<Contour> a, const std::vector<Contour>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The dashboard symbols, drawn in a box from x 0.5 to 6.1 over the capitals' height.
std::vector<Contour> LampSymbol(SymbolKind kind, double baseline, double capHeight) {
  const double b = baseline, h = capHeight, t = b + h, m = b + h / 2;
  const double l = 0.5, r = 6.1, cx = (l + r) / 2, w = 0.5;
  switch (kind) {
    case SYMBOL_LAMP:
      return {Disc(cx, m, h / 2, h / 2)};
    case SYMBOL_WATER:
      return {Bar(cx, b + 1.0, cx, t, 0.7), Disc(cx, b + 0.9, 0.7, 0.7), Bar(cx, t - 0.6, cx + 1.2, t - 0.6, w),
              Bar(cx, t - 1.6, cx + 1.2, t - 1.6, w), Bar(l, b + 0.2, cx - 1.0, b + 0.2, w),
              Bar(cx + 1.0, b + 0.2, r, b + 0.2, w)};
    case SYMBOL_FUEL:
      return {Rectangle(l + 0.6, b, l + 3.4, b + w), Rectangle(l + 0.9, b, l + 1.4, t),
              Rectangle(l + 2.6, b, l + 3.1, t), Rectangle(l + 0.9, t - w, l + 3.1, t),
              Rectangle(l + 0.9, m, l + 3.1, m + w), Bar(l + 3.1, t - 1.0, r - 0.6, t - 1.6, w),
              Bar(r - 0.6, t - 1.6, r - 0.6, b + 0.8, w)};
    case SYMBOL_FULL_BEAM:
      return {Place({{0.0, 0.0}, {0.4, 0.0}, {0.8, 0.15}, {1.0, 0.5}, {0.8, 0.85}, {0.4, 1.0}, {0.0, 1.0}},
                    cx - 0.2, b, 2.9, h),
              Bar(l, t - 0.5, cx - 0.6, t - 0.5, w), Bar(l, m, cx - 0.6, m, w), Bar(l, b + 0.5, cx - 0.6, b + 0.5, w)};
    case SYMBOL_HANDBRAKE:
      return Joined(Ring(cx, m, h / 2, w), {Rectangle(cx - 0.3, m - 0.4, cx + 0.3, t - 0.8),
                                            Rectangle(cx - 0.3, b + 0.7, cx + 0.3, b + 1.2)});
    case SYMBOL_ANTILOCK:
      return Joined(Ring(cx, m, h / 2 - 0.4, w),
                    {Bar(l, b + 0.4, l, t - 0.4, w), Bar(r, b + 0.4, r, t - 0.4, w)});
    case SYMBOL_ENGINE:
      return {Rectangle(l + 0.8, b + 0.6, r - 0.8, t - 1.2), Rectangle(cx - 1.2, t - 1.2, cx + 1.2, t - 0.7),
              Rectangle(cx - 0.3, t - 0.7, cx + 0.3, t), Rectangle(l, m - 0.5, l + 0.8, m + 0.5),
              Rectangle(r - 0.8, m - 0.6, r, m + 0.6)};
    case SYMBOL_TRACTION:
      return {Place({{0.0, 0.0}, {1.0, 0.0}, {1.0, 0.55}, {0.75, 0.6}, {0.6, 1.0}, {0.3, 1.0}, {0.15, 0.6}, {0.0, 0.55}},
                    l + 0.4, m, r - l - 0.8, h / 2),
              Bar(l + 0.6, b, cx - 0.4, m - 0.6, w), Bar(cx + 0.4, b, r - 0.6, m - 0.6, w)};
    case SYMBOL_OIL: {  // an oil can: body, neck and cap, a handle, the spout and a drop under it
      const double k = h / 4.0;
      return {Rectangle(l + 1.0, b, l + 3.8, b + 2.8 * k), Rectangle(l + 2.0, b + 2.8 * k, l + 2.8, b + 3.4 * k),
              Rectangle(l + 1.7, b + 3.4 * k, l + 3.1, b + 3.8 * k), Bar(l + 0.2, b + 0.8 * k, l + 0.2, b + 2.6 * k, w),
              Bar(l, b + 0.8 * k, l + 1.2, b + 0.8 * k, w), Bar(l, b + 2.6 * k, l + 1.2, b + 2.6 * k, w),
              Bar(l + 3.6, b + 2.2 * k, r - 0.4, b + 3.6 * k, w),
              Place({{0.5, 1.0}, {0.1, 0.4}, {0.2, 0.1}, {0.5, 0.0}, {0.8, 0.1}, {0.9, 0.4}}, r - 0.9, b + 0.4 * k, 0.8,
                    1.4 * k)};
    }
    case SYMBOL_BATTERY:
      return {Rectangle(l, b, r, t - 0.8), Reversed(Rectangle(l + w, b + w, r - w, t - 0.8 - w)),
              Rectangle(l + 0.8, t - 0.8, l + 1.8, t), Rectangle(r - 1.8, t - 0.8, r - 0.8, t),
              Rectangle(l + 1.0, m - 0.2, l + 2.2, m + 0.2), Rectangle(r - 2.2, m - 0.2, r - 1.0, m + 0.2),
              Rectangle(r - 1.8, m - 0.6, r - 1.4, m + 0.6)};
    case SYMBOL_THERMOMETER:
      return {Bar(cx, b + 1.0, cx, t, 0.7), Disc(cx, b + 0.9, 0.8, 0.8), Bar(cx, t - 0.6, cx + 1.2, t - 0.6, w),
              Bar(cx, t - 1.6, cx + 1.2, t - 1.6, w)};
    case SYMBOL_SHIFT_UP:
      return {Place({{0.5, 1.0}, {0.0, 0.55}, {0.34, 0.55}, {0.34, 0.2}, {0.66, 0.2}, {0.66, 0.55}, {1.0, 0.55}},
                    cx - 2.0, b, 4.0, h),
              Rectangle(cx - 2.0, b, cx + 2.0, b + w)};
    case SYMBOL_PIT_LIMITER:
      return Joined(Ring(cx, m, h / 2, w), {Rectangle(cx - 0.9, b + 0.8, cx - 0.4, t - 0.8),
                                            Rectangle(cx - 0.9, t - 1.3, cx + 0.7, t - 0.8),
                                            Rectangle(cx - 0.9, m - 0.1, cx + 0.7, m + 0.4),
                                            Rectangle(cx + 0.4, m - 0.1, cx + 0.9, t - 0.8)});
    case SYMBOL_BOTH_ARROWS:
      return {Place({{0.0, 0.5}, {0.25, 0.0}, {0.25, 0.36}, {0.75, 0.36}, {0.75, 0.0}, {1.0, 0.5}, {0.75, 1.0},
                     {0.75, 0.64}, {0.25, 0.64}, {0.25, 1.0}},
                    l, b + 1.0, r - l, h - 2.0)};
    case SYMBOL_BOTH_TRIANGLES:
      return {Place({{0.0, 0.5}, {0.42, 0.0}, {0.42, 1.0}}, l, b + 0.6, r - l, h - 1.2),
              Place({{0.58, 0.0}, {1.0, 0.5}, {0.58, 1.0}}, l, b + 0.6, r - l, h - 1.2)};
    case SYMBOL_TIMES:
      return {Bar(l + 1.0, b + 0.6, r - 1.6, t - 1.6, 0.6), Bar(l + 1.0, t - 1.6, r - 1.6, b + 0.6, 0.6)};
    default:
      return {};
  }
}

}  // namespace

void SimplifyContour(Contour* contour, double tolerance) {
  Contour& c = *contour;
  bool changed = true;
  while (changed && c.size() > 3) {
    changed = false;
    for (size_t i = 0; i < c.size() && c.size() > 3; ++i) {
      const ShapePoint& a = c[(i + c.size() - 1) % c.size()];
      const ShapePoint& p = c[i];
      const ShapePoint& b = c[(i + 1) % c.size()];
      const double dx = b.x - a.x, dy = b.y - a.y;
      const double length = std::hypot(dx, dy);
      const double deviation = length > 1e-12 ? std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / length
                                              : std::hypot(p.x - a.x, p.y - a.y);
      if (deviation < tolerance) {
        c.erase(c.begin() + static_cast<long>(i));
        changed = true;
        --i;
      }
    }
  }
}

bool Tessellate(const std::vector<Contour>& contours, GlyphShape* out, std::string* error) {
  TessContext context;
  GLUtesselator* tess = gluNewTess();
  gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<Callback>(OnBegin));
  gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Callback>(OnEdgeFlag));
  gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<Callback>(OnVertex));
  gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<Callback>(OnEnd));
  gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<Callback>(OnCombine));
  gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<Callback>(OnError));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
  gluTessNormal(tess, 0.0, 0.0, 1.0);
  gluTessBeginPolygon(tess, &context);
  for (const Contour& contour : contours) {
    if (contour.size() < 3) continue;
    gluTessBeginContour(tess);
    for (const ShapePoint& p : contour) {
      context.vertices.push_back({{p.x, p.y, 0.0}});
      gluTessVertex(tess, context.vertices.back().xyz, &context.vertices.back());
    }
    gluTessEndContour(tess);
  }
  gluTessEndPolygon(tess);
  gluDeleteTess(tess);
  if (context.failed || context.output.size() % 3 != 0) {
    *error = "the tessellator failed";
    return false;
  }
  out->points.clear();
  out->triangles.clear();
  std::map<std::pair<float, float>, int> indexOf;
  auto indexFor = [&](const TessVertex* v) {
    const std::pair<float, float> key(static_cast<float>(v->xyz[0]), static_cast<float>(v->xyz[1]));
    auto found = indexOf.find(key);
    if (found != indexOf.end()) return found->second;
    const int index = static_cast<int>(out->points.size());
    out->points.push_back({key.first, key.second});
    indexOf.emplace(key, index);
    return index;
  };
  for (size_t i = 0; i < context.output.size(); i += 3) {
    int t[3] = {indexFor(context.output[i]), indexFor(context.output[i + 1]), indexFor(context.output[i + 2])};
    const auto& a = out->points[t[0]];
    const auto& b = out->points[t[1]];
    const auto& c = out->points[t[2]];
    const double cross = (double{b[0]} - a[0]) * (double{c[1]} - a[1]) - (double{b[1]} - a[1]) * (double{c[0]} - a[0]);
    if (std::fabs(cross) < 1e-7) continue;
    if (cross < 0) std::swap(t[1], t[2]);  // positive area with y upwards is the winding that fills
    out->triangles.push_back({static_cast<uint8_t>(t[0]), static_cast<uint8_t>(t[1]), static_cast<uint8_t>(t[2])});
    if (t[0] >= MAX_GLYPH_POINTS || t[1] >= MAX_GLYPH_POINTS || t[2] >= MAX_GLYPH_POINTS) {
      *error = "too many points";
      return false;
    }
  }
  if (out->points.size() > MAX_GLYPH_POINTS) {
    *error = "too many points";
    return false;
  }
  if (out->triangles.size() > MAX_GLYPH_TRIANGLES) {
    *error = "too many triangles";
    return false;
  }
  return true;
}

std::vector<Contour> SymbolContours(SymbolKind kind, double baseline, double capHeight) {
  const double top = baseline + capHeight;
  const double stroke = 0.55;
  switch (kind) {
    case SYMBOL_BOX:
      return {Rectangle(0.6, baseline, 4.8, top), Reversed(Rectangle(0.6 + stroke, baseline + stroke, 4.8 - stroke, top - stroke))};
    case SYMBOL_CROSSED_BOX: {
      std::vector<Contour> c = SymbolContours(SYMBOL_BOX, baseline, capHeight);
      const double d = stroke * 0.7;
      c.push_back({{0.6, baseline}, {0.6 + d, baseline}, {4.8, top - d}, {4.8, top}, {4.8 - d, top}, {0.6, baseline + d}});
      c.push_back({{4.8 - d, baseline}, {4.8, baseline}, {4.8, baseline + d}, {0.6 + d, top}, {0.6, top}, {0.6, top - d}});
      return c;
    }
    case SYMBOL_STEP_LEFT:
      return {Place({{0.0, 0.5}, {1.0, 0.0}, {1.0, 1.0}}, 0.6, baseline + 0.6, 3.6, capHeight - 1.2)};
    case SYMBOL_STEP_RIGHT:
      return {Place({{0.0, 0.0}, {1.0, 0.5}, {0.0, 1.0}}, 0.6, baseline + 0.6, 3.6, capHeight - 1.2)};
    case SYMBOL_ARROW_LEFT:
      return {Place({{0.0, 0.5}, {0.45, 0.0}, {0.45, 0.36}, {1.0, 0.36}, {1.0, 0.64}, {0.45, 0.64}, {0.45, 1.0}},
                    0.5, baseline + 1.2, 6.0, capHeight - 2.4)};
    case SYMBOL_ARROW_RIGHT:
      return {Place({{0.0, 0.36}, {0.55, 0.36}, {0.55, 0.0}, {1.0, 0.5}, {0.55, 1.0}, {0.55, 0.64}, {0.0, 0.64}},
                    0.5, baseline + 1.2, 6.0, capHeight - 2.4)};
    case SYMBOL_ARROW_UP:
      return {Place({{0.5, 1.0}, {0.0, 0.55}, {0.34, 0.55}, {0.34, 0.0}, {0.66, 0.0}, {0.66, 0.55}, {1.0, 0.55}},
                    0.6, baseline, 4.4, capHeight)};
    case SYMBOL_ARROW_DOWN:
      return {Place({{0.5, 0.0}, {1.0, 0.45}, {0.66, 0.45}, {0.66, 1.0}, {0.34, 1.0}, {0.34, 0.45}, {0.0, 0.45}},
                    0.6, baseline, 4.4, capHeight)};
    default:
      return LampSymbol(kind, baseline, capHeight);
  }
}

namespace {

constexpr double DIGIT_LEFT = 0.6, DIGIT_RIGHT = 4.6;

// A segment as an elongated hexagon between two points, counter-clockwise.
Contour Segment(double x0, double y0, double x1, double y1, double thickness) {
  const double h = thickness / 2.0;
  if (y0 == y1) {
    return {{x0, y0}, {x0 + h, y0 - h}, {x1 - h, y1 - h}, {x1, y1}, {x1 - h, y1 + h}, {x0 + h, y0 + h}};
  }
  return {{x0, y0}, {x0 + h, y0 + h}, {x1 + h, y1 - h}, {x1, y1}, {x1 - h, y1 - h}, {x0 - h, y0 + h}};
}

}  // namespace

double SegmentDigitRight() { return DIGIT_RIGHT; }

std::vector<Contour> SegmentContours(char c, bool lcd, double baseline, double capHeight) {
  const double t = lcd ? 0.5 : 0.8;
  const double gap = lcd ? 0.12 : 0.05;
  const double l = DIGIT_LEFT + t / 2, r = DIGIT_RIGHT - t / 2;
  const double b = baseline + t / 2, top = baseline + capHeight - t / 2, m = (b + top) / 2;
  // Segments a..g: top, upper right, lower right, bottom, lower left, upper left, middle.
  const Contour segments[7] = {
      Segment(l + gap, top, r - gap, top, t), Segment(r, m + gap, r, top - gap, t),
      Segment(r, b + gap, r, m - gap, t),     Segment(l + gap, b, r - gap, b, t),
      Segment(l, b + gap, l, m - gap, t),     Segment(l, m + gap, l, top - gap, t),
      Segment(l + gap, m, r - gap, m, t)};
  static const char* const DIGITS[10] = {"abcdef", "bc", "abdeg", "abcdg", "bcfg",
                                         "acdfg",  "acdefg", "abc", "abcdefg", "abcdfg"};
  std::vector<Contour> out;
  if (c >= '0' && c <= '9') {
    for (const char* s = DIGITS[c - '0']; *s; ++s) out.push_back(segments[*s - 'a']);
  } else if (c == '-') {
    out.push_back(segments[6]);
  } else if (c == 'r') {  // the reverse gear: lower left and middle
    out.push_back(segments[4]);
    out.push_back(segments[6]);
  } else if (c == '.') {
    out.push_back(Rectangle(DIGIT_LEFT, baseline, DIGIT_LEFT + 1.0, baseline + 1.0));
  } else if (c == ',') {
    out.push_back({{DIGIT_LEFT, baseline}, {DIGIT_LEFT + 1.0, baseline}, {DIGIT_LEFT + 1.0, baseline + 1.0},
                   {DIGIT_LEFT, baseline + 1.0}});
    out.push_back({{DIGIT_LEFT + 0.4, baseline - 1.2}, {DIGIT_LEFT + 1.0, baseline - 0.2},
                   {DIGIT_LEFT + 0.4, baseline - 0.2}});
  }
  return out;
}
