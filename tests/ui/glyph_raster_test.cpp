// glyph_raster_test.cpp - triangle, ellipse and glyph fills into 16-bit bitmaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "ui/character_set.h"
#include "ui/glyph_raster.h"

namespace {

struct TestBitmap {
  int width, height;
  std::vector<uint16_t> pixels;
  TestBitmap(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0) {
    SetCurrentBitmap16(pixels.data(), w, h);
  }
  int Count(uint16_t value) const {
    int n = 0;
    for (uint16_t p : pixels) n += p == value;
    return n;
  }
  uint16_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

void Triangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int32_t v[3][2] = {{x0, y0}, {x1, y1}, {x2, y2}};
  std::memcpy(TriangleSlots, v, sizeof TriangleSlots);
}

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The reference, in closed form: a row is filled at its top edge (the top vertex itself in
// the top vertex's row), from the column the first side's edge crosses there up to the
// second's; each side follows its edge from the top vertex and, from the middle vertex's
// height on, the third edge.  A side's column is floor(x / 4) of the exact crossing.
int ReferenceCount(const int32_t v[3][2], int width, int height) {
  int top = 0;
  for (int i = 1; i < 3; ++i)
    if (v[i][1] < v[top][1]) top = i;
  const int32_t* t = v[top];
  const int32_t* a = v[(top + 1) % 3];
  const int32_t* b = v[(top + 2) % 3];
  if (t[1] < 0) return 0;
  const int64_t bottom = std::max(a[1], b[1]);
  auto column = [](const int32_t* from, const int32_t* to, int64_t y) {
    const int64_t dy = int64_t{to[1]} - from[1];
    return FloorDiv(int64_t{from[0]} * dy + (int64_t{to[0]} - from[0]) * (y - from[1]), 4 * dy);
  };
  int n = 0;
  for (int64_t row = FloorDiv(t[1], 4); row < height; ++row) {
    const int64_t y = std::max<int64_t>(4 * row, t[1]);
    if (y >= bottom) break;
    const int64_t left = y < a[1] ? column(t, a, y) : column(a, b, y);
    const int64_t right = y < b[1] ? column(t, b, y) : column(b, a, y);
    n += static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(right, width) - std::max<int64_t>(left, 0)));
  }
  return n;
}

}  // namespace

TEST(TriangleFill, ExactPixelCountsOnTestShapes) {
  TestBitmap b(64, 64);
  // A 10 x 6 pixel rectangle from two triangles sharing the diagonal: every pixel once.
  Triangle(8, 8, 8, 32, 48, 32);  // top-left, bottom-left, bottom-right: counter-clockwise on screen
  FillTriangle16(1);
  Triangle(8, 8, 48, 32, 48, 8);
  FillTriangle16(2);
  EXPECT_EQ(b.Count(1) + b.Count(2), 60);
  EXPECT_EQ(b.Count(1), 23);  // a row takes the diagonal where it crosses the row's top edge
  for (int y = 2; y < 8; ++y)
    for (int x = 2; x < 12; ++x) EXPECT_NE(b.At(x, y), 0) << x << "," << y;
  // A right triangle with legs of 8 pixels.
  TestBitmap c(64, 64);
  Triangle(0, 0, 0, 32, 32, 32);
  FillTriangle16(7);
  EXPECT_EQ(c.Count(7), 28);  // rows of 0..7 pixels: the diagonal's own column is the right edge
}

TEST(TriangleFill, TheOtherWindingFillsNothing) {
  TestBitmap b(32, 32);
  Triangle(8, 8, 48, 32, 8, 32);  // clockwise on screen
  FillTriangle16(1);
  EXPECT_EQ(b.Count(1), 0);
  int32_t v[3][2] = {{8, 8}, {48, 32}, {8, 32}};
  OrientToFill(v);
  std::memcpy(TriangleSlots, v, sizeof v);
  FillTriangle16(1);
  EXPECT_GT(b.Count(1), 0);
}

// Turned to the filling winding, a triangle fills exactly the pixels of its other winding:
// both coordinates of the two vertices change places.
TEST(TriangleFill, ATriangleTurnedToFillCoversWhatItsOtherWindingCovers) {
  TestBitmap a(32, 32);
  Triangle(8, 8, 8, 40, 48, 32);
  FillTriangle16(1);
  const int filled = a.Count(1);
  ASSERT_GT(filled, 0);
  TestBitmap b(32, 32);
  int32_t v[3][2] = {{8, 8}, {48, 32}, {8, 40}};
  OrientToFill(v);
  EXPECT_EQ(v[1][0], 8);
  EXPECT_EQ(v[1][1], 40);
  EXPECT_EQ(v[2][0], 48);
  EXPECT_EQ(v[2][1], 32);
  std::memcpy(TriangleSlots, v, sizeof v);
  FillTriangle16(1);
  EXPECT_EQ(b.Count(1), filled);
}

TEST(TriangleFill, StepsItsEdgesAsTheClosedFormOnRandomTriangles) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<int32_t> coord(0, 4 * 40 - 1);
  for (int i = 0; i < 400; ++i) {
    TestBitmap b(40, 40);
    int32_t v[3][2];
    for (auto& p : v) {
      p[0] = coord(random);
      p[1] = coord(random);
    }
    std::memcpy(TriangleSlots, v, sizeof v);
    FillTriangle16(1);
    ASSERT_EQ(b.Count(1), ReferenceCount(v, 40, 40)) << i;
  }
}

TEST(TriangleFill, ClipsColumnsAndRowsAndSkipsTrianglesAboveTheTop) {
  // Half of the triangle lies left of the bitmap and half right: nothing is written outside.
  std::vector<uint16_t> guarded(3 * 16 * 16, 0);
  SetCurrentBitmap16(guarded.data() + 16 * 16, 16, 16);
  Triangle(-400, 0, -400, 60, 400, 60);
  FillTriangle16(5);
  for (int i = 0; i < 16 * 16; ++i) EXPECT_EQ(guarded[i], 0);
  for (int i = 2 * 16 * 16; i < 3 * 16 * 16; ++i) EXPECT_EQ(guarded[i], 0);
  int inside = 0;
  for (int i = 16 * 16; i < 2 * 16 * 16; ++i) inside += guarded[i] == 5;
  EXPECT_GT(inside, 0);
  // Rows outside the clipping rows are stepped past, not written.
  TestBitmap b(16, 16);
  CurrentBitmap16.firstRow = 4;
  CurrentBitmap16.lastRow = 7;
  Triangle(0, 0, 0, 64, 64, 64);
  FillTriangle16(1);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      if (y < 4 || y > 7) {
        EXPECT_EQ(b.At(x, y), 0);
      }
    }
  }
  EXPECT_EQ(b.At(0, 4), 1);
  // A triangle reaching above row 0 is dropped whole.
  TestBitmap c(16, 16);
  Triangle(0, -1, 0, 64, 64, 64);
  FillTriangle16(1);
  EXPECT_EQ(c.Count(1), 0);
  // Coordinates far outside any bitmap neither overflow nor write.
  TestBitmap d(16, 16);
  Triangle(-2000000000, 0, -2000000000, 2000000000, 2000000000, 0);
  FillTriangle16(1);
  EXPECT_EQ(d.Count(1), 16 * 16);
}

TEST(EllipseFill, IsTheTwentyFourSidedFanOfItsRadii) {
  TestBitmap b(64, 64);
  FillEllipse16(128, 128, 80.0f, 40.0f, 3);  // radii of 20 and 10 pixels
  const int count = b.Count(3);
  // The 24-gon has area 12 sin(15 deg) rx ry = 3.1058 rx ry (in pixels).
  const double polygon = 0.5 * 24 * std::sin(0.2617994) * 20.0 * 10.0;
  EXPECT_NEAR(count, polygon, 0.05 * polygon);
  EXPECT_EQ(count, 614);  // exact: the fill is the same on every machine
  EXPECT_EQ(b.At(32, 32), 3);
  EXPECT_EQ(b.At(32 + 21, 32), 0);
  EXPECT_EQ(b.At(32, 32 + 11), 0);
}

// Ring points far outside the bitmap are pulled in to 2^26 quarter pixels (67108864), which
// sets the slope of an edge that still crosses the bitmap.  Centre (-1e9, 0), rx 1000000064,
// ry 1e9: ring point 0 is (-1e9 + 1000000064, 0) = (64, 0); point 23 (345 degrees) is
// (-1e9 + round(cos 345 * 1000000064), -round(sin 345 * 1e9)) = (-34074039, 258818774),
// pulled in to (-34074039, 67108864).  The fan's triangle through these two is the only one
// that reaches into the bitmap: its left side lies a billion quarter pixels to the left, its
// right side runs from (64, 0) to point 23.  At row 15 (y = 60) that edge lies at
// x = 64 - 60 * (64 + 34074039) / 67108864 = 64 - 30.47 = 33.53 quarter pixels, in column 8,
// so the row is filled in columns 0-7.  (Left at 258818774 the edge would stand at 56.1,
// filling columns 0-13.)
TEST(EllipseFill, RingPointsFarOutsideArePulledInToTheCoordinateLimit) {
  TestBitmap b(16, 16);
  FillEllipse16(-1000000000, 0, 1000000064.0f, 1000000000.0f, 1);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(b.At(x, 15), x < 8 ? 1 : 0) << "column " << x;
}

TEST(VectorGlyph, FillsTrianglesDotsAndCurvesAtTheGivenScale) {
  Char glyph;
  GraphPoint points[] = {{0, 0}, {9, 0}, {9, 9}, {4.5f, 4.5f}};
  CharTriangle triangles[] = {{{0, 1, 2}, 0}};
  glyph.numPoints = 4;
  glyph.points = points;
  glyph.numTriangles = 1;
  glyph.triangles = triangles;
  TestBitmap b(36, 36);
  DrawVectorGlyph(glyph, 2.0f, 9, -1.0f, -1.0f, 2.0f);
  // The lower-right half of the cell, y upwards: row r holds r pixels, the diagonal being met
  // at each row's top edge (the top row is the top vertex alone).
  EXPECT_EQ(b.Count(9), 36 * 35 / 2);
  EXPECT_EQ(b.At(35, 35), 9);
  EXPECT_EQ(b.At(0, 0), 0);
  // A dot of radius 2.0 units at the centre.
  CharDot dots[] = {{3, 0, 20, 20}};
  glyph.numTriangles = 0;
  glyph.numDots = 1;
  glyph.dots = dots;
  TestBitmap c(36, 36);
  DrawVectorGlyph(glyph, 2.0f, 4, -1.0f, -1.0f, 2.0f);
  EXPECT_NEAR(c.Count(4), 3.1058 * 8.0 * 8.0, 12.0);  // 2 units = 8 pixels on this bitmap
  EXPECT_EQ(c.At(18, 18), 4);
  glyph.points = nullptr;
  glyph.triangles = nullptr;
  glyph.dots = nullptr;
}

TEST(VectorGlyph, DrawsACurvedStrokeAsAStripBetweenItsLinks) {
  // The stroke from the bar (1,3)-(1,5) to the bar (8,3)-(8,5) fills the band between them.
  Char glyph;
  GraphPoint points[] = {{1, 3}, {1, 5}, {8, 3}, {8, 5}};
  CharLink links[] = {{0, 1, {0, 0}, 1.5707964f}, {2, 3, {0, 0}, 1.5707964f}};
  CharCurve curve = {};
  curve.linkA = 0;
  curve.linkB = 1;
  curve.endFlagA = 1;
  curve.endFlagB = 0;
  // As the reader prepares it: base line from (1,5) to (8,3); cross (0,2) at both ends.
  curve.baseStart[0] = 1;
  curve.baseStart[1] = 5;
  curve.baseEnd[0] = 8;
  curve.baseEnd[1] = 3;
  curve.crossStart[1] = 2;
  curve.crossEnd[1] = 2;
  curve.side[0].coeff[2] = 1.0f;  // h = t: along the top edge
  curve.side[1].coeff[2] = 1.0f;  // h = t - 1: along the bottom edge
  curve.side[1].coeff[3] = -1.0f;
  glyph.numPoints = 4;
  glyph.points = points;
  glyph.numLinks = 2;
  glyph.links = links;
  glyph.numCurves = 1;
  glyph.curves = &curve;
  CurveSubdivisions = 7;
  TestBitmap b(36, 36);
  DrawVectorGlyph(glyph, 2.0f, 1, -1.0f, -1.0f, 2.0f);
  // 7 units by 2 units at 4 pixels a unit: 28 x 8 pixels.
  EXPECT_EQ(b.Count(1), 28 * 8);
  // A setting of no subdivisions (or fewer) still draws the curve, as one piece: the sides
  // here are straight, so the same rectangle.
  for (const int subdivisions : {0, -3}) {
    CurveSubdivisions = subdivisions;
    TestBitmap one(36, 36);
    DrawVectorGlyph(glyph, 2.0f, 1, -1.0f, -1.0f, 2.0f);
    EXPECT_EQ(one.Count(1), 28 * 8) << subdivisions;
  }
  // The same band with its sides named the other way round (side 0 now along the bottom edge):
  // every piece is wound the other way and still fills the same 28 x 8 pixels.
  {
    CurveSubdivisions = 7;
    CharCurve turned = curve;
    turned.endFlagA = 0;  // side 0 starts at (1,3), side 1 at (1,5)
    turned.endFlagB = 1;  // and they end at (8,3) and (8,5)
    turned.side[0].coeff[3] = -1.0f;  // h = t - 1: the bottom edge
    turned.side[1].coeff[3] = 0.0f;   // h = t: the top edge
    glyph.curves = &turned;
    TestBitmap other(36, 36);
    DrawVectorGlyph(glyph, 2.0f, 1, -1.0f, -1.0f, 2.0f);
    EXPECT_EQ(other.Count(1), 28 * 8);
    glyph.curves = &curve;
  }
  // Bent by 4 t (1 - t) across (2 units up in the middle), the band still spans 2 units (8
  // pixels) up and down at every column: each piece joins the one before, so its middle
  // column is not also inked where the straight band would lie.
  for (CurveSide& side : curve.side) {
    side.coeff[1] -= 4.0f;
    side.coeff[2] += 4.0f;
  }
  CurveSubdivisions = 7;
  TestBitmap bent(36, 36);
  DrawVectorGlyph(glyph, 2.0f, 1, -1.0f, -1.0f, 2.0f);
  int left = bent.width, right = -1;
  for (int y = 0; y < bent.height; ++y)
    for (int x = 0; x < bent.width; ++x)
      if (bent.At(x, y) == 1) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  ASSERT_EQ(right - left + 1, 28);
  int middle = 0;
  for (int y = 0; y < bent.height; ++y) middle += bent.At((left + right) / 2, y) == 1;
  EXPECT_NEAR(middle, 8, 1);
  CurveSubdivisions = 1;
  glyph.points = nullptr;
  glyph.links = nullptr;
  glyph.curves = nullptr;
}
