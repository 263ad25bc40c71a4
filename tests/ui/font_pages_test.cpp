// font_pages_test.cpp - packing the glyphs into the font pages, and the pages of the
// generated character set.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "tests/ui/charset_test_util.h"
#include "tests/ui/png_test_util.h"
#include "ui/font_page_layout.h"
#include "ui/font_pages.h"
#include "ui/text_measure.h"

namespace {

// The page as a person sees it: black ink on white.
std::vector<uint8_t> InkOnWhite(const std::vector<uint8_t>& page) {
  std::vector<uint8_t> out(page.size());
  for (size_t i = 0; i < page.size(); i += 4) {
    const uint8_t v = static_cast<uint8_t>(255 - page[i + 3]);
    out[i] = out[i + 1] = out[i + 2] = v;
    out[i + 3] = 255;
  }
  return out;
}

struct PixelRect {
  int left, top, right, bottom;  // right and bottom exclusive
};

PixelRect RectOf(const Char& g) {
  return {static_cast<int>(std::floor(g.u0 * FONT_PAGE_PIXELS)), static_cast<int>(std::floor(g.v0 * FONT_PAGE_PIXELS)),
          static_cast<int>(std::ceil(g.u1 * FONT_PAGE_PIXELS)), static_cast<int>(std::ceil(g.v1 * FONT_PAGE_PIXELS))};
}

class GeneratedFontPages : public ::testing::Test {
 protected:
  void SetUp() override {
    const Bytes image = ReadWholeFile(GeneratedCharsetPath());
    ASSERT_FALSE(image.empty()) << GeneratedCharsetPath();
    ASSERT_EQ(LoadTestImage(image), 1);
  }
  void TearDown() override { FreeCharacterSet(); }
};

}  // namespace

TEST(FontPageLayout, FillsTwoTallRowsThenSixShortRowsAPage) {
  // Glyphs of exactly one cell width: 72 + 8 pixels each, so 6 fit in a 512-pixel row.
  std::vector<float> widths(GLYPH_COUNT, 1.0f), heights(GLYPH_COUNT, 0.5f);
  std::vector<uint8_t> drawn(GLYPH_COUNT, 1);
  for (int g = 1; g <= 20; ++g) heights[g] = 1.0f;  // 20 tall glyphs
  std::vector<FontPagePlace> places(GLYPH_COUNT);
  const FontPageLayout layout = LayOutFontPages(widths.data(), heights.data(), drawn.data(), GLYPH_COUNT, places.data());
  EXPECT_EQ(places[0].page, -1);  // the space is never drawn
  // Page 0: tall rows at -1 and -0.703125 (6 each), then short rows from -0.40625.
  EXPECT_EQ(places[1].page, 0);
  EXPECT_FLOAT_EQ(places[1].y, -1.0f);
  EXPECT_FLOAT_EQ(places[7].y, -0.703125f);
  EXPECT_EQ(places[13].page, 1);  // the third tall row is on the next page
  EXPECT_FLOAT_EQ(places[13].y, -1.0f);
  EXPECT_EQ(places[21].page, 0);  // the first short glyph
  EXPECT_FLOAT_EQ(places[21].y, -0.40625f);
  EXPECT_FLOAT_EQ(places[21].x, -1.0f + 4.0f / 256.0f);  // its texture margin on the page
  EXPECT_TRUE(places[1].tall);
  EXPECT_FALSE(places[21].tall);
  // Six short rows of six on page 0.
  EXPECT_EQ(places[21 + 35].page, 0);
  EXPECT_FLOAT_EQ(places[21 + 35].y, 0.765625f);
  EXPECT_EQ(places[21 + 36].page, 1);
  // 543 glyphs: 20 tall and 523 short need more than six pages.
  EXPECT_EQ(layout.pagesUsed, MAX_FONT_PAGES);
  EXPECT_GT(layout.unplaced, 0);
}

TEST(FontPageLayout, ShortRowsFollowTheLastTallRowWhenTallGlyphsRunOut) {
  std::vector<float> widths(GLYPH_COUNT, 1.0f), heights(GLYPH_COUNT, 0.5f);
  std::vector<uint8_t> drawn(GLYPH_COUNT, 0);
  for (int g = 1; g <= 8; ++g) drawn[g] = 1;
  heights[1] = 1.0f;
  std::vector<FontPagePlace> places(GLYPH_COUNT);
  const FontPageLayout layout = LayOutFontPages(widths.data(), heights.data(), drawn.data(), GLYPH_COUNT, places.data());
  EXPECT_EQ(layout.pagesUsed, 1);
  EXPECT_EQ(layout.unplaced, 0);
  EXPECT_FLOAT_EQ(places[2].y, -1.0f + FONT_TALL_ROW);
  EXPECT_FLOAT_EQ(places[8].y, -1.0f + FONT_TALL_ROW + FONT_SHORT_ROW);  // the seventh short glyph wraps
}

TEST(FontPageLayout, NeverStartsAShortRowThatWouldRunOffThePage) {
  // One tall glyph: the short rows start 76 pixels down, so only seven of them fit.
  std::vector<float> widths(GLYPH_COUNT, 1.0f), heights(GLYPH_COUNT, 0.5f);
  std::vector<uint8_t> drawn(GLYPH_COUNT, 1);
  heights[1] = 1.0f;
  std::vector<FontPagePlace> places(GLYPH_COUNT);
  LayOutFontPages(widths.data(), heights.data(), drawn.data(), GLYPH_COUNT, places.data());
  float lowest = -1.0f;
  for (int g = 2; g < GLYPH_COUNT; ++g)
    if (places[g].page == 0) lowest = std::max(lowest, places[g].y);
  EXPECT_FLOAT_EQ(lowest, -1.0f + FONT_TALL_ROW + 6 * FONT_SHORT_ROW);
  EXPECT_LE(lowest + FONT_SHORT_ROW, 1.0f);
  // A page without tall glyphs has eight short rows, the last ending at the page's foot.
  for (int g = 2; g < GLYPH_COUNT; ++g)
    if (places[g].page == 1) lowest = places[g].y;
  EXPECT_FLOAT_EQ(lowest, -1.0f + 7 * FONT_SHORT_ROW);
}

TEST(FontPageLayout, LeavesOutAGlyphWiderThanARowInsteadOfWrappingForEver) {
  std::vector<float> widths(GLYPH_COUNT, 1.0f), heights(GLYPH_COUNT, 0.5f);
  std::vector<uint8_t> drawn(GLYPH_COUNT, 0);
  drawn[1] = drawn[2] = 1;
  widths[1] = 100.0f;
  std::vector<FontPagePlace> places(GLYPH_COUNT);
  const FontPageLayout layout = LayOutFontPages(widths.data(), heights.data(), drawn.data(), GLYPH_COUNT, places.data());
  EXPECT_EQ(layout.tooWide, 1);
  EXPECT_EQ(places[1].page, -1);
  EXPECT_EQ(places[2].page, 0);
}

TEST_F(GeneratedFontPages, EveryGlyphFindsRoomWithinSixPagesAndCarriesInk) {
  FontPageImages images;
  const int pages = RasteriseFontPages(&images);
  EXPECT_GE(pages, 1);
  EXPECT_LE(pages, MAX_FONT_PAGES);
  EXPECT_EQ(images.unplaced, 0);
  for (int g = 1; g < GLYPH_COUNT; ++g) {
    const Char& glyph = Glyphs[g];
    if (glyph.numTriangles == 0) continue;
    ASSERT_LT(glyph.fontPage, pages) << g;
    const PixelRect r = RectOf(glyph);
    const std::vector<uint8_t>& page = images.pages[glyph.fontPage];
    int ink = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, FONT_PAGE_PIXELS); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, FONT_PAGE_PIXELS); ++x)
        ink += page[(y * FONT_PAGE_PIXELS + x) * 4 + 3] > 0;
    EXPECT_GT(ink, 3) << "glyph " << g << " has no ink inside its texture rectangle";
  }
}

TEST_F(GeneratedFontPages, InkLiesOnlyInsideTheGlyphsRectanglesWhichNeverOverlap) {
  FontPageImages images;
  const int pages = RasteriseFontPages(&images);
  for (int p = 0; p < pages; ++p) {
    std::vector<int> onPage;
    for (int g = 1; g < GLYPH_COUNT; ++g)
      if (Glyphs[g].fontPage == p && Glyphs[g].numPoints > 0) onPage.push_back(g);
    // Texture rectangles may touch (the margins meet half way between cells) but never overlap,
    // and never reach past the page's side: filtering would read the ink of the other side
    // there, a stroke beside the glyph.
    for (size_t i = 0; i < onPage.size(); ++i) {
      EXPECT_GE(Glyphs[onPage[i]].u0, 0.0f) << "glyph " << onPage[i];
      EXPECT_LE(Glyphs[onPage[i]].u1, 1.0f) << "glyph " << onPage[i];
      for (size_t j = i + 1; j < onPage.size(); ++j) {
        const Char& a = Glyphs[onPage[i]];
        const Char& b = Glyphs[onPage[j]];
        const bool apart = a.u1 <= b.u0 + 1e-6f || b.u1 <= a.u0 + 1e-6f || a.v1 <= b.v0 + 1e-6f || b.v1 <= a.v0 + 1e-6f;
        ASSERT_TRUE(apart) << "glyphs " << onPage[i] << " and " << onPage[j] << " overlap on page " << p;
      }
    }
    std::vector<uint8_t> inside(FONT_PAGE_PIXELS * FONT_PAGE_PIXELS, 0);
    for (int g : onPage) {
      const PixelRect r = RectOf(Glyphs[g]);
      for (int y = std::max(r.top, 0); y < std::min(r.bottom, FONT_PAGE_PIXELS); ++y)
        for (int x = std::max(r.left, 0); x < std::min(r.right, FONT_PAGE_PIXELS); ++x) inside[y * FONT_PAGE_PIXELS + x] = 1;
    }
    int stray = 0, covered = 0;
    for (int i = 0; i < FONT_PAGE_PIXELS * FONT_PAGE_PIXELS; ++i) {
      const uint8_t alpha = images.pages[p][i * 4 + 3];
      EXPECT_EQ(images.pages[p][i * 4], 255);  // white everywhere: coverage lives in alpha
      if (alpha && !inside[i] && ++stray < 5)
        ADD_FAILURE() << "stray ink at " << i % FONT_PAGE_PIXELS << "," << i / FONT_PAGE_PIXELS << " on page " << p;
      covered += alpha > 0;
    }
    EXPECT_EQ(stray, 0) << "page " << p;
    EXPECT_GT(covered, p + 1 < pages ? 5000 : 1000) << "page " << p << " (the last one is filled only in part)";
  }
  // A person looks at this one.
  ASSERT_TRUE(WritePng("font_page0.png", InkOnWhite(images.pages[0]), FONT_PAGE_PIXELS, FONT_PAGE_PIXELS));
  for (int p = 1; p < pages; ++p)
    WritePng("font_page" + std::to_string(p) + ".png", InkOnWhite(images.pages[p]), FONT_PAGE_PIXELS, FONT_PAGE_PIXELS);
  EXPECT_TRUE(std::filesystem::exists("font_page0.png"));
}

TEST_F(GeneratedFontPages, GlyphsNotDrawnShowThePlaceholdersPlace) {
  FontPageImages images;
  RasteriseFontPages(&images);
  const Char& placeholder = Glyphs[GLYPH_PLACEHOLDER];
  for (int g = FIRST_RAW_GLYPH; g < GLYPH_COUNT; ++g) {
    if (Glyphs[g].numPoints > 0) continue;
    EXPECT_EQ(Glyphs[g].fontPage, placeholder.fontPage) << g;
    EXPECT_EQ(Glyphs[g].u0, placeholder.u0) << g;
    EXPECT_EQ(Glyphs[g].v1, placeholder.v1) << g;
  }
  EXPECT_FLOAT_EQ(LetterSpacing, 1.0f / 12.0f);
}

TEST_F(GeneratedFontPages, TextureRowsFollowTheGlyphHeight) {
  FontPageImages images;
  RasteriseFontPages(&images);
  const Char& a = Glyphs['A' - 32];
  // The top sits 1/256 page units above the row (half a pixel in texture units less).
  EXPECT_NEAR(a.v1 - a.v0, 0.5f * FONT_PAGE_CELL * a.height, 1e-6f);
  EXPECT_NEAR(a.u1 - a.u0, 0.5f * (FONT_PAGE_CELL * a.width + 2 * FONT_PAGE_MARGIN), 1e-6f);
  BuildFontPages();  // no device here: the pages are not made, the kerning classes still are
  EXPECT_EQ(CharMetrics['A' - 32].leftClass, 2);
  EXPECT_EQ(CharMetrics['V' - 32].rightClass, 6);
}

// A glyph wider than a cell is inked across its cell's 72 pixels only: the drawing it comes from
// is one cell (288 source pixels, four to a page pixel) wide.  Here a box 1.5 cells wide.
TEST(FontPages, AGlyphWiderThanItsCellIsInkedAcrossTheCellOnly) {
  TestCharset set;
  set.glyphs[33].points = {{0.0f, 2.0f}, {13.5f, 2.0f}, {13.5f, 8.0f}, {0.0f, 8.0f}};
  set.glyphs[33].triangles = {{0, 1, 2}, {0, 2, 3}};
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  const Char& wide = Glyphs[33];
  ASSERT_FLOAT_EQ(wide.width, 1.5f);
  FontPageImages images;
  ASSERT_GT(RasteriseFontPages(&images), wide.fontPage);
  const std::vector<uint8_t>& page = images.pages[wide.fontPage];
  const PixelRect r = RectOf(wide);
  int inkedColumns = 0;
  for (int x = std::max(r.left, 0); x < std::min(r.right, FONT_PAGE_PIXELS); ++x) {
    bool inked = false;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, FONT_PAGE_PIXELS); ++y)
      inked = inked || page[(y * FONT_PAGE_PIXELS + x) * 4 + 3] != 0;
    inkedColumns += inked;
  }
  EXPECT_EQ(inkedColumns, 72);
  FreeCharacterSet();
}
