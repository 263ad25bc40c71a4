// font_pages.cpp - the font pages: the vector glyphs drawn four times too large into a
// 16-bit bitmap, then reduced 4 x 4 into 512 x 512 pages.  The layout is made with the system
// textures; a glyph is drawn into its page when text first needs it (a screen draws a few
// dozen of the five pages' glyphs).
#include "ui/font_pages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "render/font_pages.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/character_set.h"
#include "ui/font_page_layout.h"
#include "ui/glyph_cache.h"
#include "ui/glyph_raster.h"
#include "ui/text_measure.h"

namespace {

constexpr int SOURCE_PIXELS = 288;  // four times a 72-pixel cell
constexpr int SUPERSAMPLE = 4;
constexpr int COVERAGE_STEP = 16;   // alpha added by each of the 16 source pixels
// The glyphs drawn ahead: the printable ASCII characters (codes 32 to 126), which nearly every
// screen shows, and the placeholder.
constexpr int AHEAD_GLYPHS = GLYPH_PLACEHOLDER + 1;

int PageUnitsToPixels(float units) { return static_cast<int>(std::floor((units + 1.0f) * 256.0f + 0.5f)); }

float PageUnitsToTexture(float units) { return (units + 1.0f) * 0.5f; }

// Reduces the bitmap 4 x 4 into the page's coverage at the cell's corner: coverage points at
// the first texel's coverage byte, texels lie pixelBytes apart.
void ReduceIntoPage(const uint16_t* source, uint8_t* coverage, int pixelBytes, int left, int top, int cellWidth,
                    int cellHeight) {
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
      coverage[(py * FONT_PAGE_PIXELS + px) * pixelBytes] = static_cast<uint8_t>(std::min(alpha, 255));
    }
  }
}

// The places of the last layout.
FontPagePlace g_places[GLYPH_COUNT];
int g_pagesUsed;

// A page as far as text has needed it: the coverage of the glyphs drawn so far (a byte a
// texel), and its texture with those glyphs' boxes; the rest of the texture is never sampled
// and is left as the device made it.
struct PageState {
  std::vector<uint8_t> coverage;  // empty until the page's first glyph
  bool textureMade = false;
  bool refused = false;        // the device refused its texture: told once, not tried again
};
PageState g_pages[MAX_FONT_PAGES];
uint8_t g_glyphDrawn[GLYPH_COUNT];  // in its page's coverage
uint8_t g_glyphMade[GLYPH_COUNT];   // and in its page's texture

// Places every glyph of a set: the same set always gets the same places.
FontPageLayout PlaceGlyphs(const Char* glyphs, FontPagePlace* places) {
  float widths[GLYPH_COUNT], heights[GLYPH_COUNT];
  uint8_t drawn[GLYPH_COUNT];
  for (int g = 0; g < GLYPH_COUNT; ++g) {
    widths[g] = glyphs[g].width;
    heights[g] = glyphs[g].height;
    drawn[g] = g > 0 && (g < FIRST_RAW_GLYPH || glyphs[g].numPoints > 0);
  }
  return LayOutFontPages(widths, heights, drawn, GLYPH_COUNT, places);
}

// Places every glyph and gives it its page and texture box; glyphs not drawn show the
// placeholder from its place.
FontPageLayout LayOutGlyphs() {
  CurveSubdivisions = 7;  // the main thread's glyphs from here on: the number plates' too
  LetterSpacing = 0.083333336f;
  const FontPageLayout layout = PlaceGlyphs(Glyphs, g_places);
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
  // Glyphs not drawn are shown as the placeholder, from its place on its page.
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

void WhitePage(std::vector<uint8_t>& page) {
  page.resize(FONT_PAGE_PIXELS * FONT_PAGE_PIXELS * 4);
  for (size_t i = 0; i < page.size(); i += 4) {
    page[i] = page[i + 1] = page[i + 2] = 255;
    page[i + 3] = 0;
  }
}

int CellWidth(const Char& glyph) {
  return std::min(SOURCE_PIXELS / SUPERSAMPLE, static_cast<int>(std::ceil(glyph.width * FONT_PAGE_CELL * 256.0f)));
}

int CellHeight(const FontPagePlace& place) { return place.tall ? FONT_TALL_CELL_PIXELS : FONT_SHORT_CELL_PIXELS; }

// Draws a glyph into its cell, at its place, of a page's coverage.
void RasteriseGlyph(const Char& glyph, const FontPagePlace& place, uint8_t* coverage, int pixelBytes) {
  static thread_local std::vector<uint16_t> bitmap(SOURCE_PIXELS * SOURCE_PIXELS);
  CurveSubdivisions = 7;
  std::fill(bitmap.begin(), bitmap.end(), 0);
  SetCurrentBitmap16(bitmap.data(), SOURCE_PIXELS, SOURCE_PIXELS);
  DrawVectorGlyph(glyph, 2.0f, 255, -1.0f, -1.0f, 2.0f);
  SetCurrentBitmap16(nullptr, 0, 0);
  ReduceIntoPage(bitmap.data(), coverage, pixelBytes, PageUnitsToPixels(place.x), PageUnitsToPixels(place.y),
                 CellWidth(glyph), CellHeight(place));
}

// Draws the glyphs placed on the page into a white page of coverage in alpha.
void RasterisePage(int pageIndex, std::vector<uint8_t>& page) {
  WhitePage(page);
  for (int g = 0; g < GLYPH_COUNT; ++g)
    if (g_places[g].page == pageIndex) RasteriseGlyph(Glyphs[g], g_places[g], page.data() + 3, 4);
}

// The glyphs drawn ahead, on the start-up's reader of the character set, for the set it read:
// the places it gave them and the pages' coverage.  Taken by the next BuildFontPages that
// places the glyphs the same way; the reader writes it before the main thread joins it.
struct DrawnAhead {
  bool ready = false;
  FontPagePlace places[GLYPH_COUNT];
  std::vector<uint8_t> coverage[MAX_FONT_PAGES];  // empty: no glyph of the page drawn
  uint8_t drawn[GLYPH_COUNT] = {};
};
DrawnAhead g_ahead;

bool SamePlaces(const FontPagePlace* a, const FontPagePlace* b) {
  for (int g = 0; g < GLYPH_COUNT; ++g)
    if (a[g].page != b[g].page || a[g].tall != b[g].tall || a[g].x != b[g].x || a[g].y != b[g].y) return false;
  return true;
}

// The pages of the glyphs drawn ahead become the pages' coverage, those glyphs waiting only
// for their texture; nothing is taken when the set was placed otherwise.
void TakeGlyphsDrawnAhead() {
  if (!g_ahead.ready) return;
  if (SamePlaces(g_ahead.places, g_places)) {
    for (int p = 0; p < MAX_FONT_PAGES; ++p) g_pages[p].coverage = std::move(g_ahead.coverage[p]);
    std::copy(std::begin(g_ahead.drawn), std::end(g_ahead.drawn), std::begin(g_glyphDrawn));
  }
  ForgetGlyphsDrawnAhead();
}

// Pixels beyond a glyph's cell that drawing it may sample: its texture box reaches up to 4
// pixels past the cell (the 3-pixel margin; below, a short glyph's box passes its 56-pixel
// cell), and filtering the second level reads up to 3 more.  Rounded up.
constexpr int BOX_REACH = 8;

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
  for (PageState& page : g_pages) page = PageState{};
  std::fill(std::begin(g_glyphDrawn), std::end(g_glyphDrawn), 0);
  std::fill(std::begin(g_glyphMade), std::end(g_glyphMade), 0);
  TakeGlyphsDrawnAhead();
  SetKerningClasses();
}

void DrawFontGlyphsAhead(const Char* glyphs) {
  ForgetGlyphsDrawnAhead();
  PlaceGlyphs(glyphs, g_ahead.places);
  for (int g = 0; g < AHEAD_GLYPHS; ++g) {
    const FontPagePlace& place = g_ahead.places[g];
    if (place.page < 0) continue;
    std::vector<uint8_t>& page = g_ahead.coverage[place.page];
    if (page.empty()) page.assign(FONT_PAGE_PIXELS * FONT_PAGE_PIXELS, 0);
    RasteriseGlyph(glyphs[g], place, page.data(), 1);
    g_ahead.drawn[g] = 1;
  }
  g_ahead.ready = true;
}

void ForgetGlyphsDrawnAhead() { g_ahead = DrawnAhead{}; }

int MakeFontGlyph(int glyph) {
  if (glyph < 0 || glyph >= GLYPH_COUNT) return 0;
  if (g_places[glyph].page < 0) glyph = GLYPH_PLACEHOLDER;  // shown as the placeholder, from its place
  if (g_glyphMade[glyph]) return 1;
  const FontPagePlace& place = g_places[glyph];
  if (place.page < 0 || place.page >= g_pagesUsed) return 0;
  PageState& page = g_pages[place.page];
  if (page.refused) return 0;
  if (!page.textureMade) {
    if (!CreateFontPageTexture(place.page, FONT_PAGE_PIXELS)) {
      page.refused = true;
      char name[24];
      std::snprintf(name, sizeof name, "FONT%d_AON", int(place.page));
      ShowLabelledMessage("Can't create :", name, TextColours.message);
      return 0;
    }
    page.textureMade = true;
  }
  if (page.coverage.empty()) page.coverage.assign(FONT_PAGE_PIXELS * FONT_PAGE_PIXELS, 0);
  if (!g_glyphDrawn[glyph]) RasteriseGlyph(Glyphs[glyph], place, page.coverage.data(), 1);
  g_glyphDrawn[glyph] = 1;
  const int left = PageUnitsToPixels(place.x), top = PageUnitsToPixels(place.y);
  UpdateFontPageBox(place.page, page.coverage.data(), FONT_PAGE_PIXELS, left - BOX_REACH, top - BOX_REACH,
                    left + CellWidth(Glyphs[glyph]) + BOX_REACH, top + CellHeight(place) + BOX_REACH);
  g_glyphMade[glyph] = 1;
  return 1;
}

int FontGlyphWaiting(int glyph) {
  if (glyph < 0 || glyph >= GLYPH_COUNT) return 0;
  if (g_places[glyph].page < 0) glyph = GLYPH_PLACEHOLDER;
  return g_places[glyph].page >= 0 && !g_glyphMade[glyph];
}
