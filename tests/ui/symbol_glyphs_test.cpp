// symbol_glyphs_test.cpp - the program's symbols in both generated character sets: every code
// the interface and the dashboards draw as a symbol (the step arrows, the plain lamp, the
// warning lamps, the display-style symbols, the LED and LCD digits) has a glyph of its own
// with ink, not the placeholder, and the step arrows point their way.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/ui/charset_test_util.h"

namespace {

std::vector<int> SymbolCodes() {
  std::vector<int> codes = {CODE_ARROW_STEP_LEFT, CODE_ARROW_STEP_RIGHT, 0xB5, 0xA1, 0xA2, 0xA3,
                            CODE_LED_REVERSE,     CODE_LED_MINUS,        CODE_LED_POINT, CODE_LCD_MINUS,
                            CODE_LCD_POINT};
  for (int code = 0xC0; code <= 0xCF; ++code) codes.push_back(code);
  for (int d = 0; d < 10; ++d) {
    codes.push_back(CODE_LED_DIGIT_0 + d);
    codes.push_back(CODE_LCD_DIGIT_0 + d);
  }
  return codes;
}

// The filled area of a glyph in square grid units.
double Ink(const Char& glyph) {
  double area = 0.0;
  for (int i = 0; i < glyph.numTriangles; ++i) {
    const GraphPoint& a = glyph.points[glyph.triangles[i].p[0]];
    const GraphPoint& b = glyph.points[glyph.triangles[i].p[1]];
    const GraphPoint& c = glyph.points[glyph.triangles[i].p[2]];
    area += 0.5 * ((double{b.x} - a.x) * (double{c.y} - a.y) - (double{b.y} - a.y) * (double{c.x} - a.x));
  }
  return area;
}

bool SameShape(const Char& a, const Char& b) {
  if (a.numPoints != b.numPoints || a.numTriangles != b.numTriangles) return false;
  for (int i = 0; i < a.numPoints; ++i)
    if (a.points[i].x != b.points[i].x || a.points[i].y != b.points[i].y) return false;
  return true;
}

// Where a step arrow's tip lies: -1 left, +1 right, 0 neither.  The tip is the one point on
// its side of the ink, level with the ink's middle; the other side is a full-height edge.
int TipSide(const Char& glyph) {
  float minX = 9, maxX = 0, minY = 9, maxY = 0;
  for (int i = 0; i < glyph.numPoints; ++i) {
    minX = std::min(minX, glyph.points[i].x), maxX = std::max(maxX, glyph.points[i].x);
    minY = std::min(minY, glyph.points[i].y), maxY = std::max(maxY, glyph.points[i].y);
  }
  const float middle = 0.5f * (minY + maxY), height = maxY - minY;
  auto spanAt = [&](float x) {
    float low = 9, high = 0;
    for (int i = 0; i < glyph.numPoints; ++i)
      if (std::abs(glyph.points[i].x - x) < 0.05f) low = std::min(low, glyph.points[i].y), high = std::max(high, glyph.points[i].y);
    return std::make_pair(low, high);
  };
  const auto left = spanAt(minX), right = spanAt(maxX);
  auto isTip = [&](std::pair<float, float> s) {
    return s.second - s.first < 0.1f * height && std::abs(0.5f * (s.first + s.second) - middle) < 0.1f * height;
  };
  auto isEdge = [&](std::pair<float, float> s) { return s.second - s.first > 0.9f * height; };
  if (isTip(left) && isEdge(right)) return -1;
  if (isTip(right) && isEdge(left)) return 1;
  return 0;
}

void ExpectEverySymbolDrawn(const std::string& which) {
  ASSERT_GT(Ink(Glyphs[GLYPH_PLACEHOLDER]), 0.0) << which;
  for (int code : SymbolCodes()) {
    const Char& glyph = Glyphs[code - FIRST_CODE];
    EXPECT_NE(code - FIRST_CODE, GLYPH_PLACEHOLDER);
    EXPECT_GT(Ink(glyph), 0.3) << which << ": code 0x" << std::hex << code << " has no ink";
    EXPECT_FALSE(SameShape(glyph, Glyphs[GLYPH_PLACEHOLDER])) << which << ": code 0x" << std::hex << code
                                                             << " is the placeholder box";
  }
  EXPECT_EQ(TipSide(Glyphs[CODE_ARROW_STEP_LEFT - FIRST_CODE]), -1) << which;
  EXPECT_EQ(TipSide(Glyphs[CODE_ARROW_STEP_RIGHT - FIRST_CODE]), 1) << which;
  // The unlit LED background "8" lights every segment, so each digit's ink lies within it.
  const double eight = Ink(Glyphs[CODE_LED_DIGIT_0 + 8 - FIRST_CODE]);
  for (int d = 0; d < 10; ++d) EXPECT_LE(Ink(Glyphs[CODE_LED_DIGIT_0 + d - FIRST_CODE]), eight + 1e-6) << d;
  EXPECT_LT(Ink(Glyphs[CODE_LED_DIGIT_0 + 1 - FIRST_CODE]), 0.5 * eight);
  // LCD digits are the plainer, thinner style.
  EXPECT_LT(Ink(Glyphs[CODE_LCD_DIGIT_0 + 8 - FIRST_CODE]), eight) << which;
}

}  // namespace

TEST(SymbolGlyphs, TheGeneratedSetDrawsEverySymbolCodeAndItsPagesShowTheStepArrowsAsText) {
  ASSERT_TRUE(ReadGeneratedCharset()) << GeneratedCharsetPath();
  ExpectEverySymbolDrawn("generated set");
  // Text showing the arrows' bytes (the arrow buttons) reaches the step arrows in every
  // single-byte page; the letters sharing the lamps' codes keep glyphs of their own.
  for (int page : {0, 1, 2, 3, 5, 6}) {
    EXPECT_EQ(CodePageRecords[page].entries[CODE_ARROW_STEP_LEFT - FIRST_CODE].glyph, CODE_ARROW_STEP_LEFT - FIRST_CODE)
        << page;
    EXPECT_EQ(CodePageRecords[page].entries[CODE_ARROW_STEP_RIGHT - FIRST_CODE].glyph,
              CODE_ARROW_STEP_RIGHT - FIRST_CODE)
        << page;
  }
  EXPECT_NE(CodePageRecords[0].entries[0xC4 - FIRST_CODE].glyph, 0xC4 - FIRST_CODE);  // A diaeresis
  EXPECT_EQ(CodePageRecords[0].entries[0xC4 - FIRST_CODE].glyph, 'A' - FIRST_CODE);
  FreeCharacterSet();
}

TEST(SymbolGlyphs, TheTinySetOfTheWindowTestsDrawsTheSymbolsAtTheirOwnCodes) {
  const Bytes image = ReadWholeFile(TinyCharsetPath());
  ASSERT_EQ(LoadTestImage(image), 1) << TinyCharsetPath();
  ExpectEverySymbolDrawn("tiny set");
  for (int code : SymbolCodes()) EXPECT_EQ(CodePageRecords[0].entries[code - FIRST_CODE].glyph, code - FIRST_CODE);
  // Other bytes above ASCII stay the placeholder, and the double-byte pages' lead bytes
  // still have no glyph page.
  EXPECT_EQ(CodePageRecords[0].entries[0xE9 - FIRST_CODE].glyph, GLYPH_PLACEHOLDER);
  EXPECT_EQ(CodePageRecords[4].entries[CODE_ARROW_STEP_LEFT - FIRST_CODE].flags, ENTRY_LEAD_NO_PAGE);
  FreeCharacterSet();
}
