// glyph_cache.cpp - the glyph cache of the double-byte code pages.
#include "ui/glyph_cache.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/log.h"
#include "core/sound.h"
#include "platform/font_source.h"
#include "render/font_pages.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/character_set.h"
#include "ui/text_draw.h"

GlyphCachePage GlyphCachePages[MAX_GLYPH_CACHE_PAGES];
int NumGlyphCachePages;
int GlyphDebugLevel;
uint8_t GlyphCacheStaging[GLYPH_CACHE_CELL_PIXELS * GLYPH_CACHE_CELL_PIXELS * 4];

namespace {

constexpr int INITIAL_REQUESTS = 32;
constexpr int FAILURE_SOUND = 3;  // the interface's error sound

struct GlyphRequest {
  uint16_t glyphPage;
  uint8_t slot;
};

std::vector<GlyphRequest> g_requests;

void ShowCacheMessage(const char* text) { ShowMessage(text, TextColours.message); }

// A glyph that could not be cached or drawn: said, and heard.
void ShowCacheFailure(const char* text) {
  ShowCacheMessage(text);
  PlayUISound(FAILURE_SOUND);
}

// Every age from 2 to 254 on the page goes down by one, so cells not used lately drift
// towards being taken first.
void AgePage(GlyphCachePage& page) {
  for (GlyphCacheCell& cell : page.cells)
    if (cell.age >= 2 && cell.age <= 254) --cell.age;
}

// Page with room for count more glyphs this frame: the one with the fewest cells used, or
// a new one when all together lack the room.  -1 when no page can be had.
int ChooseCachePage(int count) {
  int room = 0, chosen = -1;
  for (int p = 0; p < NumGlyphCachePages; ++p) {
    room += GLYPH_CACHE_CELLS - GlyphCachePages[p].usedThisFrame;
    if (chosen < 0 || GlyphCachePages[p].usedThisFrame < GlyphCachePages[chosen].usedThisFrame) chosen = p;
  }
  if (room >= count && chosen >= 0 && GlyphCachePages[chosen].usedThisFrame < GLYPH_CACHE_CELLS) return chosen;
  char name[24];
  std::snprintf(name, sizeof name, "CACHE%d_AON", NumGlyphCachePages);
  if (NumGlyphCachePages >= MAX_GLYPH_CACHE_PAGES) {
    LogF("Too many glyph cache pages (max %d)", MAX_GLYPH_CACHE_PAGES);
    ShowLabelledMessage("Can't create :", name, TextColours.message);
    return -1;
  }
  if (!CreateGlyphCacheTexture(NumGlyphCachePages)) {
    ShowLabelledMessage("Can't create :", name, TextColours.message);
    return -1;
  }
  GlyphCachePage& page = GlyphCachePages[NumGlyphCachePages];
  page = GlyphCachePage();
  page.texture = 1;
  return NumGlyphCachePages++;
}

// Draws the code point with the owner's font into the staging cell; 1 on success.
int DrawUnicodeToBitmap(const CodePageRecord& owner, uint32_t codePoint, int pixelWidth) {
  static uint8_t surface[GLYPH_SURFACE_BYTES];
  char16_t text[2];
  int length = 1;
  if (codePoint >= 0x10000) {
    text[0] = static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
    text[1] = static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
    length = 2;
  } else {
    text[0] = static_cast<char16_t>(codePoint);
  }
  if (!FillGlyphSurface(255) || !DrawTextOnGlyphSurface(owner.font, text, length)) {
    ShowCacheFailure("DrawUnicodeToBitmap : Could not draw text");
    return 0;
  }
  if (!ReadGlyphSurface(surface)) {
    ShowCacheFailure("DrawUnicodeToBitmap : Could not retrieve text image");
    return 0;
  }
  // Rows 1..62 of the drawing become the cell's rows 0..61; only the glyph's own columns
  // keep ink, so a neighbour's overhang never shows.
  const int columns = std::min(pixelWidth, GLYPH_MAX_PIXEL_WIDTH);
  for (int y = 0; y < GLYPH_MAX_PIXEL_WIDTH; ++y) {
    const uint8_t* source = surface + (y + 1) * GLYPH_SURFACE_SIZE * 3;
    uint8_t* cell = GlyphCacheStaging + y * GLYPH_CACHE_CELL_PIXELS * 4;
    for (int x = 0; x < GLYPH_MAX_PIXEL_WIDTH; ++x)
      cell[x * 4 + 3] = x < columns ? static_cast<uint8_t>(255 - source[x * 3]) : 0;
  }
  return 1;
}

// Places one glyph on the page.  Returns 0 when the page has no cell left this frame.
int CacheGlyph(int pageIndex, const GlyphRequest& request) {
  GlyphCachePage& page = GlyphCachePages[pageIndex];
  int cellIndex = -1;
  for (int c = 0; c < GLYPH_CACHE_CELLS; ++c) {
    const uint8_t age = page.cells[c].age;
    if (age < GLYPH_AGE_THIS_FRAME && (cellIndex < 0 || age < page.cells[cellIndex].age)) cellIndex = c;
  }
  if (cellIndex < 0) {
    ShowCacheFailure("Could not find an old slot");
    if (GlyphDebugLevel) ShowCacheMessage("BUG: Couldn't find an unused slot in current_cc");
    return 0;
  }
  GlyphCacheCell& cell = page.cells[cellIndex];
  const int location = pageIndex * GLYPH_CACHE_CELLS + cellIndex;
  if (cell.age > 0 && cell.glyphPage < NumGlyphPages && cell.slot < GLYPH_PAGE_SLOTS) {
    GlyphSlot& old = GlyphPages[cell.glyphPage].slots[cell.slot];
    if (old.cacheLocation != location)
      ShowCacheFailure("Extra page character does not refer to this slot");
    else
      old.cacheLocation = CACHE_LOCATION_NONE;
  }
  GlyphPage& glyphPage = GlyphPages[request.glyphPage];
  GlyphSlot& slot = glyphPage.slots[request.slot];
  cell.glyphPage = request.glyphPage;
  cell.slot = request.slot;
  cell.age = GLYPH_AGE_THIS_FRAME;
  slot.cacheLocation = static_cast<uint16_t>(location);
  if (DrawUnicodeToBitmap(*glyphPage.owner, slot.codePoint, slot.pixelWidth))
    UpdateGlyphCacheCell(pageIndex, cellIndex % GLYPH_CACHE_ROW_CELLS, cellIndex / GLYPH_CACHE_ROW_CELLS,
                         GlyphCacheStaging, GLYPH_CACHE_CELL_PIXELS);
  ++page.usedThisFrame;
  return 1;
}

// A request that can still be served: its glyph exists, can be drawn and is not cached.
bool Servable(const GlyphRequest& r) {
  if (r.glyphPage >= NumGlyphPages || r.slot >= GLYPH_PAGE_SLOTS) return false;
  GlyphPage& page = GlyphPages[r.glyphPage];
  GlyphSlot& slot = page.slots[r.slot];
  SystemFont* font = page.owner ? DoubleByteFont(*page.owner) : nullptr;
  if (!font || slot.codePoint == 0) return false;
  if (slot.pixelWidth == GLYPH_WIDTH_UNMEASURED) {
    const int measured = SystemFontAdvance(font, slot.codePoint);
    slot.pixelWidth = measured < 0 ? GLYPH_WIDTH_CANNOT_DRAW
                                   : static_cast<uint8_t>(std::clamp(measured, 1, GLYPH_MAX_PIXEL_WIDTH));
  }
  return slot.pixelWidth != GLYPH_WIDTH_CANNOT_DRAW && slot.cacheLocation == CACHE_LOCATION_NONE;
}

}  // namespace

void InitGlyphCacheRequests() {
  g_requests.clear();
  g_requests.reserve(INITIAL_REQUESTS);
}

void FreeGlyphCacheRequests() { std::vector<GlyphRequest>().swap(g_requests); }

void RequestGlyphCache(int glyphPage, int slot) {
  for (const GlyphRequest& r : g_requests)
    if (r.glyphPage == glyphPage && r.slot == slot) return;
  g_requests.push_back({static_cast<uint16_t>(glyphPage), static_cast<uint8_t>(slot)});
}

int NumGlyphCacheRequests() { return static_cast<int>(g_requests.size()); }

void GlyphCacheInit() {
  std::vector<GlyphRequest> pending;
  for (const GlyphRequest& r : g_requests)
    if (Servable(r)) pending.push_back(r);
  g_requests.clear();
  size_t next = 0;
  while (next < pending.size()) {
    const int pageIndex = ChooseCachePage(static_cast<int>(pending.size() - next));
    if (pageIndex < 0) break;  // the rest wait for a later frame
    GlyphCachePage& page = GlyphCachePages[pageIndex];
    bool stuck = false;
    while (next < pending.size() && page.usedThisFrame < GLYPH_CACHE_CELLS) {
      if (!CacheGlyph(pageIndex, pending[next])) {
        stuck = true;
        break;
      }
      ++next;
    }
    AgePage(page);
    if (stuck) break;
  }
}

void AgeGlyphCache() {
  for (int p = 0; p < NumGlyphCachePages; ++p) {
    GlyphCachePage& page = GlyphCachePages[p];
    page.usedThisFrame = 0;
    for (GlyphCacheCell& cell : page.cells)
      if (cell.age > 254) cell.age = 254;
  }
}

void TouchCachedGlyph(int cacheLocation) {
  const int pageIndex = cacheLocation / GLYPH_CACHE_CELLS;
  if (cacheLocation < 0 || pageIndex >= NumGlyphCachePages) return;
  GlyphCachePage& page = GlyphCachePages[pageIndex];
  GlyphCacheCell& cell = page.cells[cacheLocation % GLYPH_CACHE_CELLS];
  if (cell.age != GLYPH_AGE_THIS_FRAME) {
    cell.age = GLYPH_AGE_THIS_FRAME;
    ++page.usedThisFrame;
  }
}

void ReleaseGlyphCache() {
  ReleaseGlyphCacheTextures();
  for (int p = 0; p < NumGlyphCachePages; ++p) GlyphCachePages[p] = GlyphCachePage();
  NumGlyphCachePages = 0;
  for (int i = 0; i < NumGlyphPages; ++i) {
    for (GlyphSlot& slot : GlyphPages[i].slots) {
      slot.cacheLocation = CACHE_LOCATION_NONE;
      slot.pixelWidth = GLYPH_WIDTH_UNMEASURED;
    }
  }
  g_requests.clear();
  EmptyTextBatches();  // their items name cells that are gone
}

void FreeGlyphCache() { ReleaseGlyphCache(); }

void FillGlyphCacheStagingWhite() {
  for (size_t i = 0; i < sizeof GlyphCacheStaging; i += 4)
    GlyphCacheStaging[i] = GlyphCacheStaging[i + 1] = GlyphCacheStaging[i + 2] = 255;
}
