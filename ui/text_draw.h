// text_draw.h - drawing coded text: glyphs queued as text batch items while a frame is
// built, and the batches flushed once a frame, one pass per texture page.
//
// Sections: [Settings] [Batches] [Queueing] [Convenience] [3D text] [Flushing] [Seams]
//
// Layout (placing, kerning, wrapping, colours and code pages) is ui/text_measure.h's
// LayoutText; this file turns the placed glyphs into boxes on the font pages ("FONT%d_AON")
// or the glyph cache pages ("CACHE%d_AON"), adds the blinking cursor, the selection and the
// IME composition, and hands the quads to the 2D list (render/draw2d.h), the shared 2D
// stream (pixel batches) or the 3D line stream.  y runs down in the interface's screen
// units and in pixels.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

// ---- [Settings] ----
// -1 no cursor; -2 colour codes are ignored (a shadow pass); -3 the plain glyph box without
// accents; 0 or more: the cursor's byte index in the low 16 bits and the other end of a
// selection (0: none) in the high 16 bits.  A cursor is drawn by one draw only: the draw
// sets it back to -1.
extern int32_t TextDrawCursor;
constexpr int32_t TEXT_CURSOR_NONE = -1;
constexpr int32_t TEXT_CURSOR_SHADOW = -2;
constexpr int32_t TEXT_CURSOR_PLAIN_BOX = -3;
inline int32_t TextCursorWithSelection(int cursor, int otherEnd) {
  return static_cast<int32_t>((static_cast<uint32_t>(otherEnd & 0xFFFF) << 16) | static_cast<uint32_t>(cursor & 0xFFFF));
}

enum TextGlyphMode : uint8_t {
  GLYPH_MODE_PLAIN = 0,
  GLYPH_MODE_SLANTED = 1,  // each edge's x moves by (TextSlantLine - y) x TextSlantFactor
  GLYPH_MODE_FADED = 2,    // faded and cut at a list panel's top (-0.2) and foot (0.85)
  // A plain glyph of a text's halo (DrawTextHalo): a backing in the shape of the text, not
  // its ink, so drawn with TextInkHidden too.
  GLYPH_MODE_HALO = 3,
};
extern uint8_t GlyphMode;  // copied into every queued item
// 1: the batches are drawn without their glyphs (their texts are still recorded, and the
// dials' shapes and the texts' halos drawn): the layout check's picture of what lies behind
// every text.
extern int TextInkHidden;
extern float TextSlantLine, TextSlantFactor;  // set by the value control being drawn
// While TextHeavyFrom is 0 or more, DrawText draws the glyphs made by the text's bytes from
// that index on heavier: again at each offset up to TextHeavyWeight units (of the batch) to
// the right and down, so that every stroke is that much thicker.  The caller sets both and
// sets TextHeavyFrom back to -1.
extern int TextHeavyFrom;
extern float TextHeavyWeight;

// Word wrapping of DrawText: off while WrapMaxLines is 0.  WrapLineCount counts the line
// breaks made so far; the caller sets it to 0 before a wrapped text and reads it after.
extern int WrapMaxLines;
extern int WrapLineCount;
extern float WrapWidth;       // the line's room from the x given to DrawText
extern float WrapLineHeight;  // added to y for each new line
// Breaks of the caller's choosing (TextLayoutSettings::wrapBreaks) while not null.
extern const int* WrapBreaks;
extern int WrapBreakCount;

// The click probe: while TextClickProbe is set, the next draw counts the characters whose
// middle lies left of TextClickProbeX into TextClickProbeCount and clears the flag.
extern int TextClickProbe;
extern float TextClickProbeX;
extern int TextClickProbeCount;

// The glyph box: a glyph of size s is drawn in a box s x 20/23 high whose top is s x 3/23
// below the given y; the plain box (-3) is s high from y.  Horizontally a glyph spans its
// advance's size, so ink lines up with measuring.
constexpr float GLYPH_BOX_HEIGHT = 0.86956525f;  // 20/23
constexpr float GLYPH_BOX_DROP = 0.1304348f;     // 3/23
constexpr float TEXT_CURSOR_BLINK_MS = 1000.0f;  // hidden for the second half of each period
// Once nobody has pressed a key or the mouse for this long, the cursor stops blinking and stands
// shown: a text entry left waiting asks for no more frames, and the screen under it rests.
constexpr uint32_t TEXT_CURSOR_BLINK_SPAN_MS = 10000;

// ---- [Batches] ----
constexpr uint8_t TEXT_PAGE_WAITING = 255;  // a double-byte glyph not yet in the glyph cache
constexpr int FONT_TEXTURE_PAGES = 6;        // pages 0..5; 6 + n is glyph cache page n

struct TextBatchItem {
  uint8_t texturePage;  // 0..5 "FONT%d_AON", 6 + n cache page n, TEXT_PAGE_WAITING
  uint8_t glyphMode;
  uint16_t glyph;       // vector glyph, or the cache location of a cached glyph (0xFFFF waiting)
  uint16_t glyphPage;   // cached glyphs: the glyph page and the slot in it, and the pixel width
  uint8_t slot;
  uint8_t pixelWidth;
  float x0, y0, x1, y1;
  uint32_t colour;      // 0xAARRGGBB
};
static_assert(sizeof(TextBatchItem) == 28, "text batch items are 28 bytes");

constexpr int TEXT_BATCH_MAX_ITEMS = 1 << 20;  // beyond this items are dropped
constexpr int TEXT_BATCH_MAX_QUADS = 256;      // gauge marks and needles
constexpr int TEXT_BATCH_MAX_CIRCLES = 8;      // gauge hubs

struct GaugeQuad {
  float x[4], y[4];  // corners in drawing order
  uint32_t colour;
  uint32_t unused;
};
static_assert(sizeof(GaugeQuad) == 40, "gauge quads are 40 bytes");

struct HubCircle {
  float x, y, radiusX, radiusY;
  uint32_t colour;
  uint32_t unused;
};
static_assert(sizeof(HubCircle) == 24, "hub circles are 24 bytes");

struct TextBatch {
  std::vector<TextBatchItem> items;  // room doubles when full
  // The items that are a blinking text cursor, in order: a screen batch draws them apart
  // (render/draw2d.h), so that the blink changes no other draw.
  std::vector<uint32_t> blinkingCursors;
  int quadCount = 0;
  GaugeQuad quads[TEXT_BATCH_MAX_QUADS];
  int circleCount = 0;
  HubCircle circles[TEXT_BATCH_MAX_CIRCLES];
};

extern TextBatch InterfaceTextBatch;    // screen units, flushed by DrawTextBox
extern TextBatch LabelTextBatch;        // pixels, flushed by DrawTextPanel
extern TextBatch SmallTextBatch;        // pixels, flushed by DrawTextPanel
extern TextBatch Text3DBatch;           // DrawTextIn3D's, drawn at once
extern TextBatch* CurrentTextBatch;     // where DrawText queues; the interface batch by default

void AllocateTextBatches();   // with the character set
void FreeTextBatches();
void EmptyTextBatches();      // all four; also when the glyph cache is released
// Adds an item, or drops it when the batch is at TEXT_BATCH_MAX_ITEMS.
void QueueTextItem(TextBatch& batch, const TextBatchItem& item);
// Add a gauge quad or hub circle; dropped (false) when the batch's list is full.
bool AddGaugeQuad(TextBatch& batch, const GaugeQuad& quad);
bool AddHubCircle(TextBatch& batch, const HubCircle& circle);
constexpr int HUB_CIRCLE_SEGMENTS = 24;

// ---- [Queueing] ----
// Queues a coded text at (x, y) in colour (0xAARRGGBB) and size (x TextSizeFactor), starting
// in codePage.  Returns the x after its last glyph.  Reads the settings above.
float DrawText(const char* text, uint32_t colour, float x, float y, float size, int codePage);
// Queues a halo for the text DrawText would draw with the same place, size and code page:
// its glyphs in colour (colour codes ignored) at every offset of up to radius units (of the
// batch) around, in GLYPH_MODE_HALO.  Queued before the text, it rings each of its strokes
// with the colour.  It is no text of the frame's record.
void DrawTextHalo(const char* text, uint32_t colour, float x, float y, float size, int codePage, float radius);
// Queues one vector glyph in the glyph box of size (without TextSizeFactor or
// TextHorizontalScale) at (x, y) into the current batch.
void QueueGlyph(int glyph, float x, float y, float size, uint32_t colour);
// The same with its width times widthFactor (a glyph squeezed into a narrower cell).
void QueueGlyphNarrowed(int glyph, float x, float y, float size, float widthFactor, uint32_t colour);
// Queues one vector glyph (character code 32 or more, glyph = code - 32) at (x, y + 0.5) at
// TextSize with TextSizeFactor 1.0, in the opaque colour of the bytes through the brightness
// table.  Codes without points draw nothing.
void DrawCharacter(int code, uint8_t red, uint8_t green, uint8_t blue, float x, float y);

// ---- [Convenience] ----
// Draws text in CurrentCodePage at TextSize, shrunk to maxWidth, with the plain box.
void DrawTextFitted(const char* text, uint8_t red, uint8_t green, uint8_t blue, float maxWidth, float x, float y);
// One line centred at size 0.12, shrunk to a width of 2.0; shadowed when the interface
// options ask for it.
void DrawCentredCaption(const char* text, uint32_t colour);
extern int CaptionRaised;  // set by the start-up sequence: the caption sits at -0.5
constexpr uint32_t CAPTION_SHADOW_BIT = 0x4000;  // of cfg.txt's "Screen Flags "
extern float ShadowOffsetX, ShadowOffsetY;       // screen units of the caption's shadow
// Draws a wrapped coded text between leftX and rightX from y, at most maxLines lines of
// lineHeight, in an opaque colour; returns the lines used (1 or more).
int DrawTextRGB(const char* text, int codePage, float size, float lineHeight, uint8_t red, uint8_t green,
                uint8_t blue, int maxLines, float leftX, float rightX, float y);
// Draws a coded text wrapped to at most TEXT_BOX_MAX_LINES lines across the current panel
// layout's label column, from *y, in the light text colour, lines one size apart; then a
// translucent black box (TEXT_BOX_COLOUR) under the lines drawn.  *y moves below the box.
// Returns the lines drawn.
int DrawTextInBox(const char* text, int codePage, float* y, float size);
constexpr int TEXT_BOX_MAX_LINES = 10;
constexpr uint32_t TEXT_BOX_COLOUR = 0x80000000u;

// ---- [3D text] ----
// Lays the text out at size 1 and draws it at once, one 3D draw per texture page: a layout
// point (x, y) becomes origin + x axisX + y axisY (metres; y runs down the text, so axisY
// usually points down).  facing 0 negates x, so that the text reads from the other side.
// Caret colours replace only red, green and blue.
void DrawTextIn3D(const char* text, uint32_t colour, int facing, int codePage, const float origin[3],
                  const float axisX[3], const float axisY[3]);

// ---- [Flushing] ----
// Draws the batch's items through the 2D list, one 2D batch per texture page (the font pages,
// then each cache page), then its gauge quads and hub circles (fans of HUB_CIRCLE_SEGMENTS)
// untextured in one more batch, and empties it.  Items still waiting whose glyph was cached since
// are drawn from the cache; the others wait for the next frame's draw.
void DrawTextBox(TextBatch& batch);
// The same for a batch in pixels, through the shared 2D stream, drawn every 5120 vertices.
// Dials are drawn in screen units only: a pixel batch's quads and circles are emptied.
void DrawTextPanel(TextBatch& batch);
constexpr uint32_t TEXT_PANEL_DRAW_VERTICES = 5120;
// The texture-coordinate rectangle of an item: u0, v0, u1, v1.  False for a waiting item.
bool TextItemUV(const TextBatchItem& item, float uv[4]);
// The texture name of a page: "FONT%d_AON" or "CACHE%d_AON".
void TextPageTextureName(int texturePage, char* out, int outSize);

// ---- [Seams] ----
// The IME composition, kept by the text entry line; drawn at the cursor in place of it.
struct TextComposition {
  int open = 0;
  const char* text = nullptr;          // in InputCodePage, without caret codes
  const uint8_t* attributes = nullptr; // one per byte; null: all 0
  int cursor = 0;                      // byte index in text
};
extern TextComposition ImeComposition;
// The colours of composition attributes 0..5 (5 and more black).
extern const uint32_t COMPOSITION_COLOURS[6];
// Called with the selection's rectangle (x from the cursor to the other end, the text's
// height) and with the composition's end, so the interface can add its highlight and its
// end marker; null: nothing is added.
extern void (*TextSelectionHighlight)(float x0, float y0, float x1, float y1);
extern void (*TextCompositionMarker)(float x, float y, float height);
