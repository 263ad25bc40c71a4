// glyph_cache.h - double-byte glyphs drawn by their system font on first use into 64-cell
// texture pages "CACHE%d_AON", reused least recently used first.
//
// Sections: [Pages] [Requests] [Frame] [Staging]
//
// A cell's age is 255 while it was filled or drawn this frame, 254 down to 1 afterwards,
// and 0 while it is empty; the youngest-used cells are the last to be taken.  Main thread only.
#pragma once
#include <cstdint>

// ---- [Pages] ----
constexpr int GLYPH_CACHE_CELLS = 64;          // 8 x 8 cells of 64 pixels on a 512-pixel page
constexpr int GLYPH_CACHE_CELL_PIXELS = 64;
constexpr int GLYPH_CACHE_ROW_CELLS = 8;
constexpr int MAX_GLYPH_CACHE_PAGES = 64;      // see "Too many glyph cache pages"
constexpr int GLYPH_CACHE_FIRST_TEXTURE_PAGE = 6;  // text items name cache page n as 6 + n
constexpr uint8_t GLYPH_AGE_THIS_FRAME = 255;

struct GlyphCacheCell {
  uint16_t glyphPage;
  uint8_t slot;
  uint8_t age;
};

struct GlyphCachePage {
  uint16_t usedThisFrame;  // cells filled or drawn this frame
  int texture;             // 1 while its texture stands
  GlyphCacheCell cells[GLYPH_CACHE_CELLS];
};

extern GlyphCachePage GlyphCachePages[MAX_GLYPH_CACHE_PAGES];
extern int NumGlyphCachePages;

// Non-zero adds the messages meant for developers ("Debug Level " of cfg.txt).
extern int GlyphDebugLevel;

// ---- [Requests] ----
void InitGlyphCacheRequests();   // 32 entries, doubled when full
void FreeGlyphCacheRequests();
// Asks for the glyph to be cached this frame, once however often it is asked.
void RequestGlyphCache(int glyphPage, int slot);
int  NumGlyphCacheRequests();

// ---- [Frame] ----
// Serves the requests: places each glyph in a cell and draws it there.  Once a frame.
void GlyphCacheInit();
// After GlyphCacheInit: clears the frame's used counts; cells used this frame turn 254.
void AgeGlyphCache();
// What drawing a cached glyph does: its cell is used this frame.
void TouchCachedGlyph(int cacheLocation);
// Frees the cache pages, marks every glyph not cached and not measured.  For a media reload.
void ReleaseGlyphCache();
void FreeGlyphCache();  // at shut-down

// ---- [Staging] ----
// The 64 x 64 RGBA cell a glyph is drawn into before it is copied to its page: white, with
// the glyph's coverage in alpha.
extern uint8_t GlyphCacheStaging[GLYPH_CACHE_CELL_PIXELS * GLYPH_CACHE_CELL_PIXELS * 4];
void FillGlyphCacheStagingWhite();
