// symbol_glyphs_test.cpp - the program's symbols in both generated character sets: every code
// the interface and the dashboards draw as a symbol (the step arrows, the plain lamp, the
// warning lamps, the display-style symbols, the LED and LCD digits) has a glyph of its own
// with ink, not the placeholder, and the step arrows point their way; the symbol buttons draw
// those glyphs in every code page.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/window_state.h"
#include "tests/ui/charset_test_util.h"
#include "text/code_pages.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"
#include "ui/text_draw.h"

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

// ---- The symbol buttons ----
// The buttons labelled with the program's symbols (the lamp symbols, the display styles, the
// step arrows with or without a bar) are symbol buttons: in the real character set their
// labels queue the symbols' own glyphs, in a single-byte page and in a double-byte page
// alike, where the same bytes as text show the page's letters or its placeholder.

namespace {

// The glyphs a button's label queues into the small text batch.
std::vector<int> QueuedGlyphs(const InterfaceButton& b) {
  EmptyTextBatches();
  QueueButtonLabel(b, 0xFFFFFFFFu);
  std::vector<int> glyphs;
  for (const TextBatchItem& item : SmallTextBatch.items) glyphs.push_back(item.glyph);
  return glyphs;
}

std::vector<int> OwnGlyphs(const std::string& codes) {
  std::vector<int> glyphs;
  for (unsigned char c : codes) glyphs.push_back(c - FIRST_CODE);
  return glyphs;
}

}  // namespace

TEST(SymbolGlyphs, SymbolButtonsDrawTheSymbolsOwnGlyphsInEveryCodePage) {
  ASSERT_TRUE(ReadGeneratedCharset()) << GeneratedCharsetPath();
  ScreenWidth = 1024;
  ScreenHeight = 768;
  SetInterfaceMetrics();
  const int savedPage = CurrentCodePage;
  std::vector<std::string> labels = {"\x8B", "\x9B", "|\x8B", "\x9B|", "\x8B\x9B", "\xB5", "\xA1\xA2\xA3"};
  for (int code = 0xC0; code <= 0xCF; ++code) labels.push_back(std::string(1, char(code)));
  for (int page : {CODE_PAGE_LATIN1, 5, CODE_PAGE_JAPANESE, CODE_PAGE_KOREAN}) {
    CurrentCodePage = page;
    for (const std::string& label : labels) {
      ClearInterface();
      RowCursorX = 0;
      RowCursorY = 0;
      AddRowButtonStyle4(nullptr, 2, 0, 0, nullptr, label.c_str(), nullptr, nullptr);
      ASSERT_EQ(ButtonCount, 1);
      char shown[16];
      ASSERT_TRUE(ButtonText(InterfaceButtons[0], shown, sizeof shown));
      EXPECT_EQ(std::string(shown), label) << "the label reads back as its codes";
      EXPECT_EQ(QueuedGlyphs(InterfaceButtons[0]), OwnGlyphs(label)) << "page " << page << ", label 0x" << std::hex
                                                                      << int(static_cast<unsigned char>(label[0]));
    }
    // The arrow styles of the value buttons draw their glyphs the same way.
    ClearInterface();
    AddButton(nullptr, 0, 0, 40, ButtonHeight, 0, IvInt(0), IvInt(0), IvInt(0), BUTTON_STYLE_BYTE_STEP_PLUS, nullptr,
              nullptr, nullptr);
    AddButton(nullptr, 40, 0, 80, ButtonHeight, 0, IvInt(0), IvInt(0), IvInt(0), BUTTON_STYLE_BYTE_STEP_MINUS, nullptr,
              nullptr, nullptr);
    EXPECT_EQ(QueuedGlyphs(InterfaceButtons[0]), OwnGlyphs("\x9B")) << page;
    EXPECT_EQ(QueuedGlyphs(InterfaceButtons[1]), OwnGlyphs("\x8B")) << page;
  }
  // What the same bytes show as text: the fault these buttons had.
  ClearInterface();
  AddRowButton(nullptr, 2, 0, 0, nullptr, "\xB5", nullptr, nullptr);
  AddRowButton(nullptr, 2, 0, 0, nullptr, "\xC0", nullptr, nullptr);
  AddRowButton(nullptr, 2, 0, 0, nullptr, "\x8B", nullptr, nullptr);
  CurrentCodePage = CODE_PAGE_LATIN1;
  EXPECT_NE(QueuedGlyphs(InterfaceButtons[0]), OwnGlyphs("\xB5")) << "text shows the letter mu";
  EXPECT_NE(QueuedGlyphs(InterfaceButtons[1]), OwnGlyphs("\xC0")) << "text shows A grave";
  CurrentCodePage = CODE_PAGE_JAPANESE;
  EXPECT_NE(QueuedGlyphs(InterfaceButtons[2]), OwnGlyphs("\x8B")) << "a lead byte as text is no arrow";
  // Other texts keep their drawing through the page.
  ClearInterface();
  CurrentCodePage = CODE_PAGE_LATIN1;
  AddRowButton(nullptr, 4, 0, 0, nullptr, "\xE9t\xE9", nullptr, nullptr);
  EXPECT_EQ(QueuedGlyphs(InterfaceButtons[0]).front(), CodePageRecords[0].entries[0xE9 - FIRST_CODE].glyph);
  CurrentCodePage = savedPage;
  ClearInterface();
  EmptyTextBatches();
  FreeCharacterSet();
}
