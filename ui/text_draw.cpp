// text_draw.cpp - queueing placed glyphs as text batch items, the cursor, selection and IME
// composition, and flushing the batches one texture page at a time.
#include "ui/text_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/render_states.h"
#include "text/code_pages.h"
#include "text/coded_text.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/character_set.h"
#include "ui/draw_record.h"
#include "ui/font_page_layout.h"
#include "ui/font_pages.h"
#include "ui/glyph_cache.h"
#include "ui/interface_draw.h"
#include "ui/text_measure.h"
#include "ui/widgets.h"

int32_t TextDrawCursor = TEXT_CURSOR_NONE;
uint8_t GlyphMode = GLYPH_MODE_PLAIN;
int TextInkHidden;
float TextSlantLine, TextSlantFactor;
int TextHeavyFrom = -1;
float TextHeavyWeight;
int WrapMaxLines, WrapLineCount;
float WrapWidth, WrapLineHeight;
const int* WrapBreaks;
int WrapBreakCount;
int TextClickProbe;
float TextClickProbeX;
int TextClickProbeCount;
int CaptionRaised;
float ShadowOffsetX = 0.005f, ShadowOffsetY = 0.005f;

TextBatch InterfaceTextBatch, LabelTextBatch, SmallTextBatch, Text3DBatch;
TextBatch* CurrentTextBatch = &InterfaceTextBatch;

TextComposition ImeComposition;
const uint32_t COMPOSITION_COLOURS[6] = {0xFFFFFF00u, 0xFFFFFFFFu, 0xFF00FFFFu, 0xFFFF00FFu, 0xFFFF0000u, 0xFF000000u};
void (*TextSelectionHighlight)(float x0, float y0, float x1, float y1);
void (*TextCompositionMarker)(float x, float y, float height);

// ---- [Batches] ----

void AllocateTextBatches() {
  InterfaceTextBatch.items.reserve(2048);
  LabelTextBatch.items.reserve(2048);
  SmallTextBatch.items.reserve(96);
  Text3DBatch.items.reserve(96);
  EmptyTextBatches();
}

void FreeTextBatches() {
  for (TextBatch* b : {&InterfaceTextBatch, &LabelTextBatch, &SmallTextBatch, &Text3DBatch}) {
    b->items = {};
    b->quadCount = b->circleCount = 0;
  }
}

void EmptyTextBatches() {
  for (TextBatch* b : {&InterfaceTextBatch, &LabelTextBatch, &SmallTextBatch, &Text3DBatch}) {
    ForgetQueuedTexts(*b);
    b->items.clear();
    b->blinkingCursors.clear();
    b->quadCount = b->circleCount = 0;
  }
}

void QueueTextItem(TextBatch& batch, const TextBatchItem& item) {
  if (batch.items.size() >= size_t(TEXT_BATCH_MAX_ITEMS)) return;
  batch.items.push_back(item);
}

bool AddGaugeQuad(TextBatch& batch, const GaugeQuad& quad) {
  if (batch.quadCount >= TEXT_BATCH_MAX_QUADS) return false;
  batch.quads[batch.quadCount++] = quad;
  return true;
}

bool AddHubCircle(TextBatch& batch, const HubCircle& circle) {
  if (batch.circleCount >= TEXT_BATCH_MAX_CIRCLES) return false;
  batch.circles[batch.circleCount++] = circle;
  return true;
}

// ---- [Queueing] ----

namespace {

constexpr float GLYPH_MARGIN = FONT_PAGE_MARGIN / FONT_PAGE_CELL;  // cell heights left and right of the ink
constexpr uint32_t WHITE = 0xFFFFFFFFu;

std::vector<TextPiece> g_pieces;       // the placed glyphs of the text being drawn
std::vector<TextPiece> g_composition;  // and of the IME composition

int Layout(std::vector<TextPiece>& pieces, const char* text, float x, float y, const TextLayoutSettings& settings,
           TextLayoutResult* result) {
  // A byte makes at most a glyph and its accent.
  const size_t room = 2 * std::strlen(text ? text : "") + 2;
  if (pieces.size() < room) pieces.resize(room);
  return LayoutText(text, x, y, settings, pieces.data(), int(pieces.size()), result);
}

// How glyphs of one draw are boxed: the size, the size across and the box.
struct GlyphBox {
  float size;    // vertical, TextSizeFactor included
  float sizeX;   // horizontal, TextHorizontalScale included
  float height;  // of the box
  float drop;    // from y to the box's top
};

GlyphBox MakeBox(float size, bool plain) {
  const float s = size * TextSizeFactor;
  return GlyphBox{s, s * TextHorizontalScale, plain ? s : s * GLYPH_BOX_HEIGHT, plain ? 0.0f : s * GLYPH_BOX_DROP};
}

TextBatchItem VectorItem(int glyph, float x, float top, const GlyphBox& box, uint32_t colour) {
  const GlyphMetrics& m = CharMetrics[glyph];
  TextBatchItem item{};
  item.texturePage = Glyphs[glyph].fontPage;
  item.glyphMode = GlyphMode;
  item.glyph = uint16_t(glyph);
  item.x0 = x - GLYPH_MARGIN * box.sizeX;
  item.x1 = x + (m.width + GLYPH_MARGIN) * box.sizeX;
  item.y0 = top;
  item.y1 = top + m.height * box.height;
  item.colour = colour;
  return item;
}

void QueuePiece(TextBatch& batch, const TextPiece& p, const GlyphBox& box) {
  if (p.kind == TEXT_PIECE_DOUBLE_BYTE) {
    const CodePageRecord& page = CodePageRecords[p.codePage < CODE_PAGE_COUNT ? p.codePage : 0];
    TextBatchItem item{};
    item.glyphMode = GlyphMode;
    item.glyphPage = p.glyphPage;
    item.slot = p.slot;
    item.pixelWidth = p.pixelWidth;
    item.x0 = p.x;
    item.x1 = p.x + p.advance;
    item.y0 = p.y - page.topOffset * box.height;
    item.y1 = p.y + page.bottomExtent * box.height;
    item.colour = p.colour;
    if (p.glyph == CACHE_LOCATION_NONE) {
      item.texturePage = TEXT_PAGE_WAITING;
      item.glyph = CACHE_LOCATION_NONE;
      RequestGlyphCache(p.glyphPage, p.slot);
    } else {
      item.texturePage = uint8_t(GLYPH_CACHE_FIRST_TEXTURE_PAGE + p.glyph / GLYPH_CACHE_CELLS);
      item.glyph = p.glyph;
      TouchCachedGlyph(p.glyph);
    }
    QueueTextItem(batch, item);
    return;
  }
  if (p.kind == TEXT_PIECE_GLYPH && p.glyph == GLYPH_SPACE) return;
  // The accents of capitals sit at the given y, above the box.
  const float top = p.y + (p.kind == TEXT_PIECE_ACCENT && p.accentAtTop ? 0.0f : box.drop);
  QueueTextItem(batch, VectorItem(p.glyph, p.x, top, box, p.colour));
}

// The placed glyphs queued, those from TextHeavyFrom on again at every offset up to
// TextHeavyWeight across and down, a unit a step so that no gap opens inside a stroke.
void QueuePieces(TextBatch& batch, const TextPiece* pieces, int count, const GlyphBox& box) {
  const int steps = TextHeavyFrom < 0 ? 0 : std::max(1, static_cast<int>(std::ceil(TextHeavyWeight)));
  for (int i = 0; i < count; ++i) {
    QueuePiece(batch, pieces[i], box);
    if (steps == 0 || pieces[i].byteIndex < TextHeavyFrom) continue;
    for (int down = 0; down <= steps; ++down)
      for (int across = 0; across <= steps; ++across) {
        if (down == 0 && across == 0) continue;
        TextPiece moved = pieces[i];
        moved.x += TextHeavyWeight * static_cast<float>(across) / static_cast<float>(steps);
        moved.y += TextHeavyWeight * static_cast<float>(down) / static_cast<float>(steps);
        QueuePiece(batch, moved, box);
      }
  }
}

// The x and y at which the unit at byte index stands: the first glyph from that index on,
// or the end.
void PlaceAtIndex(const TextPiece* pieces, int count, const TextLayoutResult& r, int index, int* at, float* x,
                  float* y) {
  for (int i = 0; i < count; ++i) {
    if (pieces[i].kind == TEXT_PIECE_ACCENT || pieces[i].byteIndex < index) continue;
    *at = i;
    *x = pieces[i].x;
    *y = pieces[i].y;
    return;
  }
  *at = count;
  *x = r.endX;
  *y = r.endY;
}

// The composition at (x, y): its glyphs coloured by attribute, its cursor (no blinking) and the
// marker at its end.  Returns its width.
float DrawComposition(TextBatch& batch, float x, float y, float size, const GlyphBox& box) {
  const TextComposition& c = ImeComposition;
  // Carets are characters here: each becomes "^^", so the reader draws it.
  std::string text;
  std::vector<int> source;  // the composition byte each byte of text came from
  for (int i = 0; c.text[i]; ++i) {
    text.push_back(c.text[i]);
    source.push_back(i);
    if (c.text[i] == CARET) {
      text.push_back(CARET);
      source.push_back(i);
    }
  }
  TextLayoutSettings s;
  s.codePage = InputCodePage;
  s.size = size;
  s.noAccents = box.drop == 0.0f;
  TextLayoutResult r;
  const int n = Layout(g_composition, text.c_str(), x, y, s, &r);
  int cursorAt = n;
  for (int i = 0; i < n; ++i) {
    TextPiece p = g_composition[i];
    const int from = source[size_t(p.byteIndex)];
    if (cursorAt == n && p.kind != TEXT_PIECE_ACCENT && from >= c.cursor) cursorAt = i;
    const int attribute = c.attributes ? std::min<int>(c.attributes[from], 5) : 0;
    p.colour = COMPOSITION_COLOURS[attribute];
    QueuePiece(batch, p, box);
  }
  const float cursorX = cursorAt < n ? g_composition[cursorAt].x : r.endX;
  QueueTextItem(batch, VectorItem(GLYPH_BAR, cursorX, y + box.drop, box, WHITE));
  if (TextCompositionMarker) TextCompositionMarker(r.endX, y, box.size);
  return r.endX - x;
}

// DrawText's work; DrawText adds the text to the frame's record when one is kept, from the
// item *textFirst on (after the text cursor, which is no part of the text).
float QueueText(const char* text, uint32_t colour, float x, float y, float size, int codePage, size_t* textFirst) {
  if (!text) text = "";
  const int32_t cursorWord = TextDrawCursor;
  TextLayoutSettings s;
  s.codePage = codePage;
  s.size = size;
  s.colour = colour;
  s.ignoreColourCodes = cursorWord == TEXT_CURSOR_SHADOW;
  s.noAccents = cursorWord == TEXT_CURSOR_PLAIN_BOX;
  if (WrapMaxLines > 0) {
    // The lines already used by earlier draws of the same wrapped text count too.
    s.wrapMaxLines = std::max(1, WrapMaxLines - WrapLineCount);
    s.wrapWidth = WrapWidth;
    s.wrapLineHeight = WrapLineHeight;
    s.wrapBreaks = WrapBreaks;
    s.wrapBreakCount = WrapBreakCount;
  }
  s.probe = TextClickProbe != 0;
  s.probeX = TextClickProbeX;
  TextLayoutResult r;
  const int n = Layout(g_pieces, text, x, y, s, &r);
  if (WrapMaxLines > 0) WrapLineCount += r.lineCount - 1;
  if (TextClickProbe) {
    TextClickProbeCount = r.probeCount;
    TextClickProbe = 0;
  }
  TextBatch& batch = *CurrentTextBatch;
  const GlyphBox box = MakeBox(size, cursorWord == TEXT_CURSOR_PLAIN_BOX);
  if (cursorWord < 0) {
    QueuePieces(batch, g_pieces.data(), n, box);
    return r.endX;
  }

  // A cursor, a selection or a composition: drawn by this draw only.
  TextDrawCursor = TEXT_CURSOR_NONE;
  const int cursor = cursorWord & 0xFFFF;
  const int otherEnd = (cursorWord >> 16) & 0xFFFF;
  const bool composing = ImeComposition.open && ImeComposition.text;
  int at;
  float cursorX, cursorY;
  PlaceAtIndex(g_pieces.data(), n, r, composing && otherEnd ? otherEnd : cursor, &at, &cursorX, &cursorY);
  float endX = r.endX;
  if (composing) {
    const float width = DrawComposition(batch, cursorX, cursorY, size, box);
    // What follows on the cursor's line moves right to make room.
    for (int i = at; i < n; ++i)
      if (g_pieces[i].y == cursorY) g_pieces[i].x += width;
    if (r.endY == cursorY) endX += width;
  } else if (otherEnd) {
    int endAt;
    float otherX, otherY;
    PlaceAtIndex(g_pieces.data(), n, r, otherEnd, &endAt, &otherX, &otherY);
    if (otherX > cursorX && TextSelectionHighlight) TextSelectionHighlight(cursorX, cursorY, otherX, cursorY + box.size);
  } else {
    const bool blinking = ProgramClock - LastInputClock < TEXT_CURSOR_BLINK_SPAN_MS;
    if (blinking) FrameChangesWithTime = 1;
    if (!blinking || ProgramClock % uint32_t(TEXT_CURSOR_BLINK_MS) < uint32_t(TEXT_CURSOR_BLINK_MS / 2)) {
      const size_t at = batch.items.size();
      QueueTextItem(batch, VectorItem(GLYPH_BAR, cursorX, cursorY + box.drop, box, WHITE));
      if (blinking && batch.items.size() > at) batch.blinkingCursors.push_back(uint32_t(at));
      *textFirst = batch.items.size();
    }
  }
  QueuePieces(batch, g_pieces.data(), n, box);
  return endX;
}

}  // namespace

float DrawText(const char* text, uint32_t colour, float x, float y, float size, int codePage) {
  size_t first = CurrentTextBatch->items.size();
  const float endX = QueueText(text, colour, x, y, size, codePage, &first);
  RecordQueuedText(*CurrentTextBatch, first, text, colour);
  return endX;
}

void DrawTextHalo(const char* text, uint32_t colour, float x, float y, float size, int codePage, float radius) {
  // Whole steps a unit apart over a disc (its rim rounded outwards), so that no gap opens
  // between two offsets.
  const int steps = std::max(1, static_cast<int>(std::ceil(radius)));
  const float unit = radius / static_cast<float>(steps);
  const uint8_t savedMode = GlyphMode;
  const int32_t savedCursor = TextDrawCursor;
  const int savedHeavy = TextHeavyFrom;
  GlyphMode = GLYPH_MODE_HALO;
  TextHeavyFrom = -1;
  for (int dy = -steps; dy <= steps; ++dy)
    for (int dx = -steps; dx <= steps; ++dx) {
      if ((dx == 0 && dy == 0) || dx * dx + dy * dy > steps * steps + steps) continue;
      TextDrawCursor = TEXT_CURSOR_SHADOW;  // one colour, no cursor
      size_t first = 0;
      QueueText(text, colour, x + unit * static_cast<float>(dx), y + unit * static_cast<float>(dy), size, codePage,
                &first);
    }
  GlyphMode = savedMode;
  TextDrawCursor = savedCursor;
  TextHeavyFrom = savedHeavy;
}

void QueueGlyph(int glyph, float x, float y, float size, uint32_t colour) {
  QueueGlyphNarrowed(glyph, x, y, size, 1.0f, colour);
}

void QueueGlyphNarrowed(int glyph, float x, float y, float size, float widthFactor, uint32_t colour) {
  if (glyph < 0 || glyph >= GLYPH_COUNT) return;
  const GlyphBox box{size, size * widthFactor, size * GLYPH_BOX_HEIGHT, size * GLYPH_BOX_DROP};
  QueueTextItem(*CurrentTextBatch, VectorItem(glyph, x, y + box.drop, box, colour));
}

void DrawCharacter(int code, uint8_t red, uint8_t green, uint8_t blue, float x, float y) {
  const int glyph = code - FIRST_CODE;
  if (glyph < 0 || glyph >= GLYPH_COUNT || Glyphs[glyph].numPoints == 0) return;
  const uint32_t colour = 0xFF000000u | uint32_t(BrightnessTable[red]) << 16 | uint32_t(BrightnessTable[green]) << 8 |
                          BrightnessTable[blue];
  QueueGlyph(glyph, x, y + 0.5f, float(TextSize), colour);
}

// ---- [Convenience] ----

void DrawTextFitted(const char* text, uint8_t red, uint8_t green, uint8_t blue, float maxWidth, float x, float y) {
  const float savedFactor = TextSizeFactor;
  const float width = TextWidth(text, CurrentCodePage, float(TextSize));
  if (width > maxWidth && width > 0.0f) TextSizeFactor *= maxWidth / width;
  TextDrawCursor = TEXT_CURSOR_PLAIN_BOX;
  const uint32_t colour = 0xFF000000u | uint32_t(BrightnessTable[red]) << 16 | uint32_t(BrightnessTable[green]) << 8 |
                          BrightnessTable[blue];
  DrawText(text, colour, x, y, float(TextSize), CurrentCodePage);
  TextDrawCursor = TEXT_CURSOR_NONE;
  TextSizeFactor = savedFactor;
}

void DrawCentredCaption(const char* text, uint32_t colour) {
  constexpr float SIZE = 0.12f, MAX_WIDTH = 2.0f;
  const float savedFactor = TextSizeFactor;
  float width = TextWidth(text, CurrentCodePage, SIZE);
  if (width > MAX_WIDTH) {
    TextSizeFactor *= MAX_WIDTH / width;
    width = MAX_WIDTH;
  }
  const float x = -0.5f * width;
  const float y = (CaptionRaised ? -0.5f : -0.55f) - 0.06f;
  if (CfgScreenFlags & CAPTION_SHADOW_BIT) {
    const int32_t savedCursor = TextDrawCursor;
    TextDrawCursor = TEXT_CURSOR_SHADOW;
    DrawText(text, 0xFF000000u, x + ShadowOffsetX, y + ShadowOffsetY, SIZE, CurrentCodePage);
    TextDrawCursor = savedCursor;
  }
  DrawText(text, colour, x, y, SIZE, CurrentCodePage);
  TextSizeFactor = savedFactor;
}

int DrawTextRGB(const char* text, int codePage, float size, float lineHeight, uint8_t red, uint8_t green,
                uint8_t blue, int maxLines, float leftX, float rightX, float y) {
  WrapMaxLines = std::max(0, maxLines);
  WrapLineCount = 0;
  WrapWidth = rightX - leftX;
  WrapLineHeight = lineHeight;
  DrawText(text, 0xFF000000u | uint32_t(red) << 16 | uint32_t(green) << 8 | blue, leftX, y, size, codePage);
  const int lines = WrapLineCount + 1;
  WrapMaxLines = 0;
  WrapLineCount = 0;
  return lines;
}

int DrawTextInBox(const char* text, int codePage, float* y, float size) {
  const PanelLayout& panel = CurrentPanelLayout();
  const ColourWord colour = TextColours.lightText;
  const int lines = DrawTextRGB(text, codePage, size, size, uint8_t(ColourRed(colour)), uint8_t(ColourGreen(colour)),
                                uint8_t(ColourBlue(colour)), TEXT_BOX_MAX_LINES, panel.labelX1, panel.labelX2, *y);
  const float bottom = *y + float(lines) * size;
  DrawInterfaceQuad(TEXT_BOX_COLOUR, panel.labelX1, *y, panel.labelX2, bottom);
  *y = bottom;
  return lines;
}

// ---- [Flushing] ----

void TextPageTextureName(int texturePage, char* out, int outSize) {
  if (texturePage < FONT_TEXTURE_PAGES)
    std::snprintf(out, size_t(outSize), "FONT%d_AON", texturePage);
  else
    std::snprintf(out, size_t(outSize), "CACHE%d_AON", texturePage - GLYPH_CACHE_FIRST_TEXTURE_PAGE);
}

bool TextItemUV(const TextBatchItem& item, float uv[4]) {
  if (item.texturePage == TEXT_PAGE_WAITING) return false;
  if (item.texturePage < FONT_TEXTURE_PAGES) {
    const Char& g = Glyphs[item.glyph < GLYPH_COUNT ? item.glyph : GLYPH_PLACEHOLDER];
    uv[0] = g.u0;
    uv[1] = g.v0;
    uv[2] = g.u1;
    uv[3] = g.v1;
    return true;
  }
  constexpr float CELL = 0.125f, CELL_HEIGHT = 62.0f / 512.0f;
  const int cell = item.glyph % GLYPH_CACHE_CELLS;
  uv[0] = float(cell % GLYPH_CACHE_ROW_CELLS) * CELL;
  uv[1] = float(cell / GLYPH_CACHE_ROW_CELLS) * CELL;
  uv[2] = uv[0] + float(item.pixelWidth) / 512.0f;
  uv[3] = uv[1] + CELL_HEIGHT;
  return true;
}

namespace {

// One item's four corners (top left, top right, bottom right, bottom left) after its glyph
// mode; false when nothing of it is left to draw.
struct Corner {
  float x, y, u, v;
  uint32_t colour;
};

float FadeFactor(float y) {
  constexpr float TOP = -0.2f, BOTTOM = 0.85f, RAMP = 0.05f;
  return std::clamp((y - TOP) / RAMP, 0.0f, 1.0f) * std::clamp((BOTTOM - y) / RAMP, 0.0f, 1.0f);
}

uint32_t ScaleAlpha(uint32_t colour, float factor) {
  const uint32_t alpha = uint32_t(float(colour >> 24) * factor + 0.5f);
  return (colour & 0x00FFFFFFu) | std::min<uint32_t>(alpha, 255) << 24;
}

bool ItemCorners(const TextBatchItem& item, Corner out[4]) {
  float uv[4];
  if (!TextItemUV(item, uv)) return false;
  float y0 = item.y0, y1 = item.y1, v0 = uv[1], v1 = uv[3];
  uint32_t topColour = item.colour, bottomColour = item.colour;
  if (item.glyphMode == GLYPH_MODE_FADED) {
    constexpr float CUT_TOP = -0.2f, CUT_BOTTOM = 0.85f;
    if (y1 <= CUT_TOP || y0 >= CUT_BOTTOM || y1 <= y0) return false;
    const float cutY0 = std::max(y0, CUT_TOP), cutY1 = std::min(y1, CUT_BOTTOM);
    const float dv = (uv[3] - uv[1]) / (y1 - y0);
    v0 = uv[1] + (cutY0 - y0) * dv;
    v1 = uv[1] + (cutY1 - y0) * dv;
    y0 = cutY0;
    y1 = cutY1;
    topColour = ScaleAlpha(item.colour, FadeFactor(y0));
    bottomColour = ScaleAlpha(item.colour, FadeFactor(y1));
  }
  float shiftTop = 0.0f, shiftBottom = 0.0f;
  if (item.glyphMode == GLYPH_MODE_SLANTED) {
    shiftTop = (TextSlantLine - y0) * TextSlantFactor;
    shiftBottom = (TextSlantLine - y1) * TextSlantFactor;
  }
  out[0] = Corner{item.x0 + shiftTop, y0, uv[0], v0, topColour};
  out[1] = Corner{item.x1 + shiftTop, y0, uv[2], v0, topColour};
  out[2] = Corner{item.x1 + shiftBottom, y1, uv[2], v1, bottomColour};
  out[3] = Corner{item.x0 + shiftBottom, y1, uv[0], v1, bottomColour};
  return true;
}

// Items waiting for the cache whose glyph has been cached since take their cell.
void ResolveWaitingItems(TextBatch& batch) {
  for (TextBatchItem& item : batch.items) {
    if (item.texturePage != TEXT_PAGE_WAITING || item.glyphPage >= NumGlyphPages) continue;
    const uint16_t location = GlyphPages[item.glyphPage].slots[item.slot % GLYPH_PAGE_SLOTS].cacheLocation;
    if (location == CACHE_LOCATION_NONE || location / GLYPH_CACHE_CELLS >= NumGlyphCachePages) continue;
    item.texturePage = uint8_t(GLYPH_CACHE_FIRST_TEXTURE_PAGE + location / GLYPH_CACHE_CELLS);
    item.glyph = location;
  }
}

// The batch's item indices grouped by texture page, pages in order; starts[p] .. starts[p + 1]
// are page p's.  Waiting items are left out.
std::vector<uint32_t> g_order;
int g_starts[257];

void GroupByPage(const TextBatch& batch) {
  int counts[256] = {};
  for (const TextBatchItem& item : batch.items) ++counts[item.texturePage];
  counts[TEXT_PAGE_WAITING] = 0;
  g_starts[0] = 0;
  for (int p = 0; p < 256; ++p) g_starts[p + 1] = g_starts[p] + counts[p];
  g_order.resize(size_t(g_starts[256]));
  int next[256];
  std::copy(g_starts, g_starts + 256, next);
  for (uint32_t i = 0; i < batch.items.size(); ++i) {
    const int page = batch.items[i].texturePage;
    if (page != TEXT_PAGE_WAITING) g_order[size_t(next[page]++)] = i;
  }
}

// The material of a texture page: its texture, sampled linearly, blended.  The batch's glyphs
// on a font page are drawn into it first, those that text had not needed before.
const Material* PageMaterial(const TextBatch& batch, int texturePage) {
  if (texturePage < FONT_TEXTURE_PAGES)
    for (int k = g_starts[texturePage]; k < g_starts[texturePage + 1]; ++k)
      MakeFontGlyph(batch.items[g_order[size_t(k)]].glyph);
  char name[24];
  TextPageTextureName(texturePage, name, sizeof name);
  MaterialParams params{};
  params.alphaMode = 2;
  params.shineRed = params.shineGreen = params.shineBlue = 0xFF;
  return GetMaterialByName(name, 0, 0, 0, params, 0);
}

int LastTexturePage() { return GLYPH_CACHE_FIRST_TEXTURE_PAGE + NumGlyphCachePages - 1; }

// Whether an item is drawn: every one, or with the ink hidden only a halo's.
bool ItemDrawn(const TextBatchItem& item) { return !TextInkHidden || item.glyphMode == GLYPH_MODE_HALO; }

bool PageDrawn(const TextBatch& batch, int page) {
  for (int k = g_starts[page]; k < g_starts[page + 1]; ++k)
    if (ItemDrawn(batch.items[g_order[size_t(k)]])) return true;
  return false;
}

// The gauge quads and hub circles, untextured, in one 2D batch after the glyphs.
void DrawGaugeShapes(Draw2D& list, TextBatch& batch) {
  if (batch.quadCount > 0 || batch.circleCount > 0) {
    list.StartBatch(nullptr);
    for (int q = 0; q < batch.quadCount; ++q) {
      const GaugeQuad& quad = batch.quads[q];
      int v[4];
      for (int i = 0; i < 4; ++i) v[i] = list.AddVertex(quad.colour, quad.x[i], quad.y[i], 0.0f, 0.0f);
      list.AddQuad(v[0], v[1], v[2], v[3]);
    }
    for (int c = 0; c < batch.circleCount; ++c) {
      const HubCircle& circle = batch.circles[c];
      const int centre = list.AddVertex(circle.colour, circle.x, circle.y, 0.0f, 0.0f);
      int first = -1, previous = -1;
      for (int k = 0; k < HUB_CIRCLE_SEGMENTS; ++k) {
        const float a = 6.2831855f * float(k) / float(HUB_CIRCLE_SEGMENTS);
        const int v = list.AddVertex(circle.colour, circle.x + std::cos(a) * circle.radiusX,
                                     circle.y + std::sin(a) * circle.radiusY, 0.0f, 0.0f);
        if (previous >= 0) list.AddTriangle(centre, previous, v);
        if (first < 0) first = v;
        previous = v;
      }
      list.AddTriangle(centre, previous, first);
    }
    list.EndBatch();
  }
  batch.quadCount = batch.circleCount = 0;
}

}  // namespace

void DrawTextBox(TextBatch& batch) {
  ResolveWaitingItems(batch);
  GroupByPage(batch);
  Draw2D& list = Draw2DList;
  const std::vector<uint32_t>& cursors = batch.blinkingCursors;  // in order, as g_order's pages are
  auto addItem = [&](uint32_t item) {
    Corner c[4];
    if (!ItemDrawn(batch.items[item]) || !ItemCorners(batch.items[item], c)) return;
    int v[4];
    for (int i = 0; i < 4; ++i) v[i] = list.AddVertex(c[i].colour, c[i].x, c[i].y, c[i].u, c[i].v);
    list.AddQuad(v[0], v[1], v[2], v[3]);
  };
  for (int page = 0; page <= LastTexturePage(); ++page) {
    if (!PageDrawn(batch, page)) continue;
    const Material* material = PageMaterial(batch, page);
    // A blinking cursor goes just before its page's other glyphs, in a batch of its own.
    bool apart = false;
    for (int k = g_starts[page]; k < g_starts[page + 1]; ++k) {
      const uint32_t item = g_order[size_t(k)];
      if (!ItemDrawn(batch.items[item]) || !std::binary_search(cursors.begin(), cursors.end(), item)) continue;
      if (!apart) list.StartApartBatch(material);
      apart = true;
      addItem(item);
    }
    if (apart) list.EndBatch();
    list.StartBatch(material);
    for (int k = g_starts[page]; k < g_starts[page + 1]; ++k) {
      const uint32_t item = g_order[size_t(k)];
      if (cursors.empty() || !std::binary_search(cursors.begin(), cursors.end(), item)) addItem(item);
    }
    list.EndBatch();
  }
  RecordDrawnBatch(batch, 1);
  batch.items.clear();
  batch.blinkingCursors.clear();
  DrawGaugeShapes(list, batch);
}

void DrawTextPanel(TextBatch& batch) {
  ResolveWaitingItems(batch);
  GroupByPage(batch);
  CircularVBuffer& stream = Stream2D;
  const int savedBlend = RenderStates.pendingBlend;
  RenderStates.pendingBlend = 2;
  for (int page = 0; page <= LastTexturePage(); ++page) {
    if (!PageDrawn(batch, page)) continue;
    const Material* material = PageMaterial(batch, page);
    if (!stream.StartBuf(material, 1, 1)) break;
    for (int k = g_starts[page]; k < g_starts[page + 1]; ++k) {
      Corner c[4];
      if (!ItemDrawn(batch.items[g_order[size_t(k)]])) continue;
      if (!ItemCorners(batch.items[g_order[size_t(k)]], c)) continue;
      if (stream.vertexCount + 4 > TEXT_PANEL_DRAW_VERTICES) {
        DrawPending2DTriangles(material->flags & 3);
        if (!stream.StartBuf(material, 1, 1)) break;
      }
      int v[4];
      for (int i = 0; i < 4; ++i) v[i] = EmitVertex2D(ApplyBrightnessTable(c[i].colour), c[i].x, c[i].y, c[i].u, c[i].v);
      EmitQuadIndices(v[0], v[1], v[2], v[3]);
    }
    if (stream.batchOpen) DrawPending2DTriangles(material->flags & 3);
  }
  RenderStates.pendingBlend = savedBlend;
  RecordDrawnBatch(batch, 0);
  batch.items.clear();
  batch.blinkingCursors.clear();
  batch.quadCount = batch.circleCount = 0;
}

// ---- [3D text] ----

void DrawTextIn3D(const char* text, uint32_t colour, int facing, int codePage, const float origin[3],
                  const float axisX[3], const float axisY[3]) {
  if (!text) return;
  TextLayoutSettings s;
  s.codePage = codePage;
  s.size = 1.0f;
  s.colour = colour;
  s.codesKeepAlpha = true;
  TextLayoutResult r;
  const float savedFactor = TextSizeFactor, savedScale = TextHorizontalScale;
  TextSizeFactor = TextHorizontalScale = 1.0f;
  const int n = Layout(g_pieces, text, 0.0f, 0.0f, s, &r);
  const GlyphBox box = MakeBox(1.0f, false);
  TextSizeFactor = savedFactor;
  TextHorizontalScale = savedScale;
  TextBatch& batch = Text3DBatch;
  ForgetQueuedTexts(batch);
  batch.items.clear();
  batch.blinkingCursors.clear();
  const uint8_t savedMode = GlyphMode;
  GlyphMode = GLYPH_MODE_PLAIN;
  for (int i = 0; i < n; ++i) QueuePiece(batch, g_pieces[i], box);
  GlyphMode = savedMode;
  if (!facing)
    for (TextBatchItem& item : batch.items) {
      item.x0 = -item.x0;
      item.x1 = -item.x1;
    }

  ResolveWaitingItems(batch);
  GroupByPage(batch);
  CircularVBuffer& stream = StreamLines3D;
  const int savedBlend = RenderStates.pendingBlend, savedRaster = RenderStates.pendingRaster;
  RenderStates.pendingBlend = 2;
  RenderStates.pendingRaster = 6;  // seen from either side
  for (int page = 0; page <= LastTexturePage(); ++page) {
    if (g_starts[page] == g_starts[page + 1]) continue;
    if (!stream.StartBuf(PageMaterial(batch, page), 1, 1)) break;
    for (int k = g_starts[page]; k < g_starts[page + 1]; ++k) {
      Corner c[4];
      if (!ItemCorners(batch.items[g_order[size_t(k)]], c)) continue;
      if (!stream.HasRoom(4, 2)) {
        const Material* material = stream.material;
        stream.DrawBuffer3D();
        if (!stream.StartBuf(material, 1, 1)) break;
      }
      int v[4];
      for (int i = 0; i < 4; ++i) {
        float p[3];
        for (int a = 0; a < 3; ++a) p[a] = origin[a] + c[i].x * axisX[a] + c[i].y * axisY[a];
        v[i] = EmitVertex3D(c[i].colour, p[0], p[1], p[2], c[i].u, c[i].v);
      }
      EmitQuadIndices3D(v[0], v[1], v[2], v[3]);
    }
    if (stream.batchOpen) stream.DrawBuffer3D();
  }
  RenderStates.pendingBlend = savedBlend;
  RenderStates.pendingRaster = savedRaster;
  batch.items.clear();
  batch.blinkingCursors.clear();
}
