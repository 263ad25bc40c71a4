// font_pages.cpp - the font pages: the vector glyphs drawn four times too large into a
// 16-bit bitmap, then reduced 4 x 4 into 512 x 512 pages.  The layout is made with the system
// textures; a page is drawn when text first needs it (most screens need two of the five).
#include "ui/font_pages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "render/font_pages.h"
#include "ui/character_set.h"
#include "ui/font_page_layout.h"
#include "ui/glyph_cache.h"
#include "ui/glyph_raster.h"
#include "ui/text/messages.h"
#include "ui/text_measure.h"
#include "ui/text/text_colours.h"

namespace {

constexpr int SOURCE_PIXELS = 288;  // four times a 72-pixel cell
constexpr int SUPERSAMPLE = 4;
constexpr int COVERAGE_STEP = 16;   // alpha added by each of the 16 source pixels

int PageUnitsToPixels(float units) { return static_cast<int>(std::floor((units + 1.0f) * 256.0f + 0.5f)); }

float PageUnitsToTexture(float units) { return (units + 1.0f) * 0.5f; }

// Reduces the bitmap 4 x 4 into the page at the cell's corner.
void ReduceIntoPage(const uint16_t* source, uint8_t* page, int left, int top, int cellWidth, int cellHeight) {
  for (int ty = 0; ty < cellHeight; ++ty) {
    const int py = top + ty;
    if (py < 0 || py >= FONT_PAGE_PIXELS) continue;
    for (int tx = 0; tx < cellWidth; ++tx) {
      const int px = left + tx;
      if (px < 0 || px >= FONT_PAGE_PIXELS) continue;
      int alpha = 0;
      for (int sy = 0; sy < SUPERSAMPLE; ++sy) {
        const uint16_t* row = source + (ty * SUPERSAMPLE + sy) * SOURCE_PIXELS + tx * SUPERSAMPLE;
        for (int sx = 0; sx < SUPERSAMPLE; ++sx) alpha += row[sx] ? COVERAGE_STEP : 0;
      }
      page[(py * FONT_PAGE_PIXELS + px) * 4 + 3] = static_cast<uint8_t>(std::min(alpha, 255));
    }
  }
}

// The places of the last layout, and the pages laid out but not rasterised yet.
FontPagePlace g_places[GLYPH_COUNT];
int g_pagesUsed;
bool g_pageWaiting[MAX_FONT_PAGES];

// Places every glyph and gives it its page and texture box; glyphs not drawn show the
// placeholder from its place.
FontPageLayout LayOutGlyphs() {
  CurveSubdivisions = 7;
  LetterSpacing = 0.083333336f;
  static float widths[GLYPH_COUNT], heights[GLYPH_COUNT];
  static uint8_t drawn[GLYPH_COUNT];
  for (int g = 0; g < GLYPH_COUNT; ++g) {
    widths[g] = Glyphs[g].width;
    heights[g] = Glyphs[g].height;
    drawn[g] = g > 0 && (g < FIRST_RAW_GLYPH || Glyphs[g].numPoints > 0);
  }
  const FontPageLayout layout = LayOutFontPages(widths, heights, drawn, GLYPH_COUNT, g_places);
  if (layout.unplaced > 0 || layout.tooWide > 0) {
    LogF("Font pages: %d glyphs left out (first %d), %d too wide", layout.unplaced, layout.firstUnplaced,
         layout.tooWide);
    if (GlyphDebugLevel) ShowMessage("Unexpected - no characters left", TextColours.message);
  }
  for (int g = 0; g < GLYPH_COUNT; ++g) {
    const FontPagePlace& place = g_places[g];
    if (place.page < 0) continue;
    Char& glyph = Glyphs[g];
    glyph.fontPage = static_cast<uint8_t>(place.page);
    const float top = place.y - 1.0f / 256.0f;
    glyph.u0 = PageUnitsToTexture(place.x - FONT_PAGE_MARGIN);
    glyph.u1 = PageUnitsToTexture(place.x + glyph.width * FONT_PAGE_CELL + FONT_PAGE_MARGIN);
    glyph.v0 = PageUnitsToTexture(top);
    glyph.v1 = PageUnitsToTexture(top + FONT_PAGE_CELL * glyph.height);
  }
  const Char& placeholder = Glyphs[GLYPH_PLACEHOLDER];
  for (int g = 0; g < GLYPH_COUNT; ++g) {
    if (g_places[g].page >= 0 || g == GLYPH_PLACEHOLDER) continue;
    Char& glyph = Glyphs[g];
    glyph.fontPage = placeholder.fontPage;
    glyph.u0 = placeholder.u0;
    glyph.u1 = placeholder.u1;
    glyph.v0 = placeholder.v0;
    glyph.v1 = placeholder.v1;
  }
  g_pagesUsed = layout.pagesUsed;
  return layout;
}

// Draws the glyphs placed on the page into a white page of coverage in alpha.
void RasterisePage(int pageIndex, std::vector<uint8_t>& page) {
  CurveSubdivisions = 7;
  page.resize(FONT_PAGE_PIXELS * FONT_PAGE_PIXELS * 4);
  for (size_t i = 0; i < page.size(); i += 4) {
    page[i] = page[i + 1] = page[i + 2] = 255;
    page[i + 3] = 0;
  }
  std::vector<uint16_t> bitmap(SOURCE_PIXELS * SOURCE_PIXELS);
  SetCurrentBitmap16(bitmap.data(), SOURCE_PIXELS, SOURCE_PIXELS);
  for (int g = 0; g < GLYPH_COUNT; ++g) {
    const FontPagePlace& place = g_places[g];
    if (place.page != pageIndex) continue;
    const Char& glyph = Glyphs[g];
    std::fill(bitmap.begin(), bitmap.end(), 0);
    DrawVectorGlyph(glyph, 2.0f, 255, -1.0f, -1.0f, 2.0f);
    const int cellWidth = std::min(SOURCE_PIXELS / SUPERSAMPLE,
                                   static_cast<int>(std::ceil(glyph.width * FONT_PAGE_CELL * 256.0f)));
    const int cellHeight = place.tall ? FONT_TALL_CELL_PIXELS : FONT_SHORT_CELL_PIXELS;
    ReduceIntoPage(bitmap.data(), page.data(), PageUnitsToPixels(place.x), PageUnitsToPixels(place.y), cellWidth,
                   cellHeight);
  }
  SetCurrentBitmap16(nullptr, 0, 0);
}

}  // namespace

int RasteriseFontPages(FontPageImages* out) {
  const FontPageLayout layout = LayOutGlyphs();
  out->pages.assign(layout.pagesUsed, std::vector<uint8_t>());
  out->unplaced = layout.unplaced + layout.tooWide;
  for (int p = 0; p < layout.pagesUsed; ++p) RasterisePage(p, out->pages[p]);
  return layout.pagesUsed;
}

void BuildFontPages() {
  LayOutGlyphs();
  for (int p = 0; p < MAX_FONT_PAGES; ++p) g_pageWaiting[p] = p < g_pagesUsed;
  SetKerningClasses();
}

int MakeFontPage(int page) {
  if (page < 0 || page >= MAX_FONT_PAGES || !g_pageWaiting[page]) return 0;
  g_pageWaiting[page] = false;  // one try: a page the device refuses is told once
  std::vector<uint8_t> image;
  RasterisePage(page, image);
  if (UploadFontPage(page, image.data(), FONT_PAGE_PIXELS, FONT_PAGE_PIXELS)) return 1;
  char name[24];
  std::snprintf(name, sizeof name, "FONT%d_AON", page);
  ShowLabelledMessage("Can't create :", name, TextColours.message);
  return 0;
}

int FontPageWaiting(int page) { return page >= 0 && page < MAX_FONT_PAGES && g_pageWaiting[page]; }
