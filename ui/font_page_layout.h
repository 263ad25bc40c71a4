// font_page_layout.h - where each vector glyph lies on the font pages "FONT%d_AON".
//
// Pure arithmetic, shared with the character-set generator (tools/charset_gen), which runs
// the same packing at build time so that a set whose glyphs would not fit never ships.
//
// Page units run from -1 to 1 across a 512-pixel page (256 pixels a unit), x from the left
// and y from the top.  Glyph widths and heights are in cell heights (9 grid units).
#pragma once
#include <cstdint>

constexpr int FONT_PAGE_PIXELS = 512;
constexpr int MAX_FONT_PAGES = 6;
constexpr float FONT_PAGE_CELL = 0.28125f;      // page units per cell height (72 pixels)
// Between glyphs of a row (8 pixels): a glyph's texture margin and the second level's 2 x 2
// texels that filtering reads beyond it stay off its neighbour's ink.
constexpr float FONT_PAGE_GAP = 0.03125f;
constexpr float FONT_PAGE_MARGIN = 0.01171875f; // texture margin left and right (3 pixels)
constexpr float FONT_TALL_HEIGHT = 0.8343333f;  // glyphs taller than this use tall rows
constexpr float FONT_TALL_ROW = 0.296875f;      // 76 pixels
constexpr float FONT_SHORT_ROW = 0.234375f;     // 60 pixels
constexpr float FONT_TALL_ROWS_END = -0.40725f; // no tall row starts below this
constexpr float FONT_PAGE_END = 0.999f;         // no short row starts below this
constexpr float FONT_ROW_END = 1.001f;          // a row may not reach below this
constexpr int FONT_TALL_CELL_PIXELS = 72;
constexpr int FONT_SHORT_CELL_PIXELS = 56;

// The glyph size rules of the character set: the width is the rightmost ink (at least one
// grid unit) and the height runs from the cell top to the lowest ink (at least one unit),
// plus a quarter unit.  The reader and the generator both use these.
inline float GlyphWidthFromRight(float rightUnits) { return rightUnits / 9.0f; }
inline float GlyphHeightFromDepth(float depthUnits) { return (depthUnits + 0.25f) / 9.0f; }

struct FontPagePlace {
  int8_t page = -1;   // -1: not placed
  uint8_t tall = 0;
  float x = 0.0f, y = 0.0f;  // the cell's top-left corner in page units
};

struct FontPageLayout {
  int pagesUsed = 0;
  int unplaced = 0;  // drawn glyphs left when the pages ran out
  int tooWide = 0;   // drawn glyphs wider than a whole row
  int firstUnplaced = -1;
};

// Places every glyph g with drawn[g] (glyph 0, the space, never is): tall glyphs first in
// rows of 76 pixels, two rows a page, then short glyphs in rows of 60 pixels to the page's
// foot; pages are filled one after another, at most MAX_FONT_PAGES.  A row's glyphs and their
// texture margins stay within the page's sides.
FontPageLayout LayOutFontPages(const float* widths, const float* heights, const uint8_t* drawn, int count,
                               FontPagePlace* places);
