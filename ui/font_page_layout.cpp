// font_page_layout.cpp - packing the vector glyphs into the font pages.
#include "ui/font_page_layout.h"

#include <cstddef>
#include <vector>

namespace {

// A row's first glyph stands clear of its texture margin from the page's left edge, and a
// glyph's margin never passes the right edge: a filtered texel beyond the edge is read from the
// page's other side, which would show the ink there beside the glyph.  Four pixels in, an even
// number, so that each glyph keeps its place among the second level's 2 x 2 texels.
constexpr float ROW_START = -1.0f + 4.0f / 256.0f;
constexpr float ROW_RIGHT = 1.0f - FONT_PAGE_MARGIN;

struct RowCursor {
  float x = ROW_START, y = -1.0f;
  bool rowEmpty = true;
};

// A short row must also end on the page: when tall glyphs run out early the short rows
// follow them, off the usual grid, and a row starting just above the page end would run off it.
bool RowFits(float y, float rowStep, float rowLimit, bool tall) {
  return y <= rowLimit && (tall || y + rowStep <= FONT_ROW_END);
}

// Places glyph g in the current row or the next one.  Returns false when the next row would
// start past rowLimit (the glyph stays for later).
bool PlaceInRow(RowCursor& c, float cellWidth, float rowStep, float rowLimit, int page, bool tall,
                FontPagePlace& place) {
  if (!c.rowEmpty && c.x + cellWidth > ROW_RIGHT) {
    const float next = c.y + rowStep;
    if (!RowFits(next, rowStep, rowLimit, tall)) return false;
    c.y = next;
    c.x = ROW_START;
    c.rowEmpty = true;
  }
  place.page = static_cast<int8_t>(page);
  place.tall = tall ? 1 : 0;
  place.x = c.x;
  place.y = c.y;
  c.x += cellWidth + FONT_PAGE_GAP;
  c.rowEmpty = false;
  return true;
}

}  // namespace

FontPageLayout LayOutFontPages(const float* widths, const float* heights, const uint8_t* drawn, int count,
                               FontPagePlace* places) {
  FontPageLayout layout;
  std::vector<int> tall, shortOnes;
  for (int g = 0; g < count; ++g) {
    places[g] = FontPagePlace();
    if (g == 0 || !drawn[g]) continue;
    // A glyph wider than a row would wrap for ever: it is left out and shown as glyph 95.
    if (widths[g] * FONT_PAGE_CELL > ROW_RIGHT - ROW_START) {
      ++layout.tooWide;
      continue;
    }
    (heights[g] > FONT_TALL_HEIGHT ? tall : shortOnes).push_back(g);
  }
  std::size_t ti = 0, si = 0;
  for (int page = 0; page < MAX_FONT_PAGES && (ti < tall.size() || si < shortOnes.size()); ++page) {
    layout.pagesUsed = page + 1;
    RowCursor c;
    bool anyTall = false;
    while (ti < tall.size()) {
      const int g = tall[ti];
      if (!PlaceInRow(c, widths[g] * FONT_PAGE_CELL, FONT_TALL_ROW, FONT_TALL_ROWS_END, page, true, places[g])) break;
      anyTall = true;
      ++ti;
    }
    // Short rows start on the row after the last tall one.
    if (anyTall) c = RowCursor{ROW_START, c.y + FONT_TALL_ROW, true};
    if (!RowFits(c.y, FONT_SHORT_ROW, FONT_PAGE_END, false)) continue;
    while (si < shortOnes.size()) {
      const int g = shortOnes[si];
      if (!PlaceInRow(c, widths[g] * FONT_PAGE_CELL, FONT_SHORT_ROW, FONT_PAGE_END, page, false, places[g])) break;
      ++si;
    }
  }
  for (std::size_t i = ti; i < tall.size(); ++i) {
    if (layout.firstUnplaced < 0 || tall[i] < layout.firstUnplaced) layout.firstUnplaced = tall[i];
    ++layout.unplaced;
  }
  for (std::size_t i = si; i < shortOnes.size(); ++i) {
    if (layout.firstUnplaced < 0 || shortOnes[i] < layout.firstUnplaced) layout.firstUnplaced = shortOnes[i];
    ++layout.unplaced;
  }
  return layout;
}
