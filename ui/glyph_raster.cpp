// glyph_raster.cpp - 16-bit triangle, ellipse and vector-glyph fills.
//
// Edges are stepped row by row with integer error terms in 64 bits, so a fill is the same
// on every machine and every pixel count can be known in advance.
#include "ui/glyph_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ui/character_set.h"

thread_local Bitmap16 CurrentBitmap16;
thread_local int32_t TriangleSlots[3][2];
thread_local int CurveSubdivisions = 1;

namespace {

// Far enough outside any bitmap that clipping removes it, near enough that no sum overflows.
constexpr double COORD_LIMIT = 1 << 26;

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}


int32_t ToQuarterPixels(double v) {
  if (!(v == v)) return 0;  // not a number: a point that cannot be placed sits at the origin
  return static_cast<int32_t>(std::nearbyint(std::clamp(v, -COORD_LIMIT, COORD_LIMIT)));
}

// One edge stepped down the rows: the pixel column its x lies in and the error term, the
// x's fraction of that pixel in units of 1 / (4 dy) pixel.  Its start point's sub-pixel bits
// seed the error; each step of y by s quarter pixels adds dx s.
struct EdgeStepper {
  int64_t dx = 0, dy = 0;  // quarter pixels; dy > 0 while the edge is stepped
  int64_t y = 0;           // the quarter-pixel row the column and error stand for
  int64_t column = 0, error = 0;

  void Start(const int32_t* from, const int32_t* to) {
    dx = int64_t{to[0]} - from[0];
    dy = int64_t{to[1]} - from[1];
    y = from[1];
    column = FloorDiv(from[0], 4);
    error = (int64_t{from[0]} - 4 * column) * dy;
  }
  // Moves down to quarter-pixel row y2 (at or below y) and returns the column there.
  int64_t At(int64_t y2) {
    if (dy > 0 && y2 > y) {
      error += dx * (y2 - y);
      const int64_t carry = FloorDiv(error, 4 * dy);
      column += carry;
      error -= carry * 4 * dy;
    }
    y = y2;
    return column;
  }
};

void FillSpan(int row, int64_t from, int64_t to, uint16_t value) {
  const Bitmap16& b = CurrentBitmap16;
  from = std::max<int64_t>(from, 0);
  to = std::min<int64_t>(to, b.width);
  if (from >= to) return;
  uint16_t* line = reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(b.pixels) + int64_t{row} * b.pitchBytes);
  std::fill(line + from, line + to, value);
}

struct GlyphFrame {
  double originX, originY;
  double unitX, unitY;  // quarter pixels per grid unit
};

void PointToQuarterPixels(const GlyphFrame& f, float x, float y, int32_t out[2]) {
  out[0] = ToQuarterPixels(f.originX + std::nearbyint(f.unitX * x));
  out[1] = ToQuarterPixels(f.originY + std::nearbyint(f.unitY * (CELL_UNITS - y)));
}

void FillOriented(int32_t v[3][2], uint16_t value) {
  OrientToFill(v);
  std::memcpy(TriangleSlots, v, sizeof TriangleSlots);
  FillTriangle16(value);
}

void DrawCurve(const Char& glyph, const CharCurve& curve, const GlyphFrame& f, uint16_t value) {
  const int n = std::max(1, CurveSubdivisions);
  const CharLink& la = glyph.links[curve.linkA];
  const CharLink& lb = glyph.links[curve.linkB];
  // Side 1 takes link A's plus end (b when the flag is set) and link B's minus end.
  const GraphPoint& a1 = glyph.points[curve.endFlagA ? la.b : la.a];
  const GraphPoint& a2 = glyph.points[curve.endFlagA ? la.a : la.b];
  const GraphPoint& b1 = glyph.points[curve.endFlagB ? lb.a : lb.b];
  const GraphPoint& b2 = glyph.points[curve.endFlagB ? lb.b : lb.a];
  int32_t previous[2][2], next[2][2];
  PointToQuarterPixels(f, a1.x, a1.y, previous[0]);
  PointToQuarterPixels(f, a2.x, a2.y, previous[1]);
  for (int k = 1; k <= n; ++k) {
    if (k == n) {
      PointToQuarterPixels(f, b1.x, b1.y, next[0]);
      PointToQuarterPixels(f, b2.x, b2.y, next[1]);
    } else {
      const float t = static_cast<float>(k) / static_cast<float>(n);
      const float base[2] = {curve.baseStart[0] + t * (curve.baseEnd[0] - curve.baseStart[0]),
                             curve.baseStart[1] + t * (curve.baseEnd[1] - curve.baseStart[1])};
      const float cross[2] = {(1.0f - t) * curve.crossStart[0] + t * curve.crossEnd[0],
                              (1.0f - t) * curve.crossStart[1] + t * curve.crossEnd[1]};
      for (int s = 0; s < 2; ++s) {
        const float* c = curve.side[s].coeff;
        const float h = ((c[0] * t + c[1]) * t + c[2]) * t + c[3];
        PointToQuarterPixels(f, base[0] + cross[0] * h, base[1] + cross[1] * h, next[s]);
      }
    }
    int32_t first[3][2] = {{previous[0][0], previous[0][1]}, {previous[1][0], previous[1][1]},
                           {next[1][0], next[1][1]}};
    int32_t second[3][2] = {{previous[0][0], previous[0][1]}, {next[1][0], next[1][1]},
                            {next[0][0], next[0][1]}};
    FillOriented(first, value);
    FillOriented(second, value);
    std::memcpy(previous, next, sizeof previous);
  }
}

}  // namespace

void SetCurrentBitmap16(uint16_t* pixels, int width, int height) {
  CurrentBitmap16.pixels = pixels;
  CurrentBitmap16.width = width;
  CurrentBitmap16.height = height;
  CurrentBitmap16.pitchBytes = width * 2;
  CurrentBitmap16.firstRow = 0;
  CurrentBitmap16.lastRow = height - 1;
}

void OrientToFill(int32_t v[3][2]) {
  const int64_t cross = (int64_t{v[1][0]} - v[0][0]) * (int64_t{v[2][1]} - v[0][1]) -
                        (int64_t{v[1][1]} - v[0][1]) * (int64_t{v[2][0]} - v[0][0]);
  if (cross > 0) {
    std::swap(v[1][0], v[2][0]);
    std::swap(v[1][1], v[2][1]);
  }
}

void FillTriangle16(uint16_t value) {
  const Bitmap16& b = CurrentBitmap16;
  if (!b.pixels) return;
  const int32_t(*v)[2] = TriangleSlots;
  int top = 0;
  for (int i = 1; i < 3; ++i)
    if (v[i][1] < v[top][1]) top = i;
  const int n1 = (top + 1) % 3, n2 = (top + 2) % 3;
  if (v[top][1] < 0) return;
  const int64_t bottomY = std::max(v[n1][1], v[n2][1]);
  // Each side follows its edge from the top vertex, then the third edge from the middle one.
  // A row is filled at its top edge (the top vertex itself in the first row), from the first
  // side's column up to the second's.
  EdgeStepper first, second;
  first.Start(v[top], v[n1]);
  second.Start(v[top], v[n2]);
  bool firstTurned = false, secondTurned = false;
  const int64_t endRow = std::min<int64_t>(FloorDiv(bottomY - 1, 4), int64_t{b.lastRow});
  for (int64_t row = FloorDiv(v[top][1], 4); row <= endRow; ++row) {
    const int64_t y = std::max<int64_t>(4 * row, v[top][1]);
    if (y >= bottomY) break;
    if (!firstTurned && y >= v[n1][1]) {
      first.Start(v[n1], v[n2]);
      firstTurned = true;
    }
    if (!secondTurned && y >= v[n2][1]) {
      second.Start(v[n2], v[n1]);
      secondTurned = true;
    }
    const int64_t left = first.At(y), right = second.At(y);
    if (row >= b.firstRow && left < right) FillSpan(static_cast<int>(row), left, right, value);
  }
}

void FillEllipse16(int32_t x, int32_t y, float rx, float ry, uint16_t value) {
  constexpr int STEPS = 24;
  constexpr double STEP = 0.2617994;  // 15 degrees
  int32_t ring[STEPS][2];
  for (int k = 0; k < STEPS; ++k) {
    ring[k][0] = ToQuarterPixels(static_cast<double>(x) + std::nearbyint(std::cos(k * STEP) * rx));
    ring[k][1] = ToQuarterPixels(static_cast<double>(y) - std::nearbyint(std::sin(k * STEP) * ry));
  }
  for (int k = 0; k < STEPS; ++k) {
    const int next = (k + 1) % STEPS;
    const int32_t triangle[3][2] = {{x, y}, {ring[k][0], ring[k][1]}, {ring[next][0], ring[next][1]}};
    std::memcpy(TriangleSlots, triangle, sizeof TriangleSlots);
    FillTriangle16(value);
  }
}

void DrawVectorGlyph(const Char& glyph, float heightScale, uint16_t value, float xOffset, float yOffset,
                     float widthScale) {
  const Bitmap16& b = CurrentBitmap16;
  const double w2 = 2.0 * b.width, h2 = 2.0 * b.height;
  GlyphFrame f;
  f.originX = std::nearbyint(w2 * xOffset) + w2;
  f.originY = std::nearbyint(h2 * yOffset) + h2;
  f.unitX = w2 * widthScale / CELL_UNITS;
  f.unitY = h2 * heightScale / CELL_UNITS;
  for (int i = 0; i < glyph.numTriangles; ++i) {
    const CharTriangle& t = glyph.triangles[i];
    for (int k = 0; k < 3; ++k) {
      const GraphPoint& p = glyph.points[t.p[k]];
      PointToQuarterPixels(f, p.x, p.y, TriangleSlots[k]);
    }
    FillTriangle16(value);
  }
  for (int i = 0; i < glyph.numDots; ++i) {
    const CharDot& d = glyph.dots[i];
    const GraphPoint& p = glyph.points[d.point];
    int32_t centre[2];
    PointToQuarterPixels(f, p.x, p.y, centre);
    FillEllipse16(centre[0], centre[1], static_cast<float>(0.1 * d.radiusX * f.unitX),
                  static_cast<float>(0.1 * d.radiusY * f.unitY), value);
  }
  for (int i = 0; i < glyph.numCurves; ++i) DrawCurve(glyph, glyph.curves[i], f, value);
}
