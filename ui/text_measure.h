// text_measure.h - measuring coded text, and laying it out into placed glyphs with word
// wrapping, cursor positions and the click probe.  Drawing turns the placed glyphs into quads.
//
// Sections: [Settings] [Kerning] [Measuring] [Layout]
//
// Widths come from the character set (ui/character_set.h): a vector glyph advances by
// (its width + LetterSpacing) x size, a double-byte glyph by its pixel width x its code
// page's glyph scale x size, and a pair of letters moves closer by the kerning table's value
// x 0.025 x size.  Caret codes take no room.  Sizes in screen units are multiplied by
// TextSizeFactor, and every x in screen units by TextHorizontalScale.  Main thread only.
#pragma once
#include <climits>
#include <cstdint>

// ---- [Settings] ----
extern int TextSize;               // the interface text size in pixels; 11 until the interface metrics set it
extern float TextSizeFactor;       // multiplies every size; callers change it for a moment and restore it
extern float LetterSpacing;        // added to every glyph's advance, in cell heights (1/12)
extern float TextHorizontalScale;  // multiplies x in screen units (the interface sets its aspect factor); 1.0

// ---- [Kerning] ----
constexpr float KERNING_STEP = 0.025f;  // x size per step of the pair table
constexpr int KERNING_LEFT_CLASSES = 20;
constexpr int KERNING_RIGHT_CLASSES = 16;
// Clears both classes of every glyph and gives the letters theirs; run once the glyphs exist.
void SetKerningClasses();
// The pair table: 0..3 steps for a left letter of class left followed by a right letter of
// class right.
int KerningSteps(int leftClass, int rightClass);

// ---- [Measuring] ----
// The width of a coded text that starts in codePage, at size (x TextSizeFactor).
float TextWidth(const char* text, int codePage, float size);
// The width for generated textures (number plates): starts in code page 0, 0.08 x size
// between letters in place of LetterSpacing and none after the last, every double-byte
// character shown as the placeholder; kerned.  No TextSizeFactor, no TextHorizontalScale.
float TextWidthAtSize(const char* text, float size);
// TextWidth in CurrentCodePage at TextSize with TextSizeFactor 1.0: pixels, so without
// TextHorizontalScale.
float TextWidthAtSize1(const char* text);
// (glyph width + LetterSpacing) x TextSize for a character code of 32 or more (the glyph
// code - 32, not through a code page); 0 below 32 and past the last glyph.
float CharWidth(int code);
// The x offset, from the text's start, at which the unit at byte index begins (where the
// text cursor stands before it); the whole width for an index at or past the end.
float TextXAtIndex(const char* text, int codePage, float size, int index);

// ---- [Layout] ----
enum TextPieceKind : uint8_t {
  TEXT_PIECE_GLYPH = 0,        // a vector glyph; GLYPH_SPACE takes room and draws nothing
  TEXT_PIECE_ACCENT = 1,       // a vector glyph over the one before it, at the same x
  TEXT_PIECE_DOUBLE_BYTE = 2,  // a glyph of the glyph cache
};

// One placed glyph.  x and y are in the units of the layout (screen units for the interface).
struct TextPiece {
  float x;             // left edge of the glyph, after kerning
  float y;             // the line's y: the starting y plus one line height for each line before
  float advance;       // x taken by the glyph (0 for an accent)
  uint32_t colour;     // 0xAARRGGBB
  int32_t byteIndex;   // the text's byte that made it (the lead byte of a double-byte character)
  uint16_t glyph;      // vector glyph; for a double-byte glyph its cache location (CACHE_LOCATION_NONE: not cached)
  uint16_t glyphPage;  // double-byte: the glyph page of its lead byte
  uint8_t kind;        // TextPieceKind
  uint8_t slot;        // double-byte: trail byte - 64
  uint8_t pixelWidth;  // double-byte
  uint8_t accentAtTop; // accent: 1 for the accents of capitals, drawn at the top of the glyph box
  uint8_t codePage;    // the code page the character was read in
};

struct TextLayoutSettings {
  int codePage = 0;                  // the code page the text starts in ("^8" returns to it)
  float size = 0.0f;                 // multiplied by TextSizeFactor
  uint32_t colour = 0xFFFFFFFFu;     // the starting colour ("^8", "^9", "^:" return to it)
  bool ignoreColourCodes = false;    // "^0".."^7" leave the colour (a shadow pass)
  bool noAccents = false;            // the plain glyph box: no accent pieces
  bool codesKeepAlpha = false;       // caret colours replace only red, green and blue (3D text)
  int wrapMaxLines = 0;              // 0: no wrapping
  float wrapWidth = 0.0f;            // the line's room, from the starting x
  float wrapLineHeight = 0.0f;       // added to y for each new line
  const int* wrapBreaks = nullptr;   // with wrapping: the byte indices (rising) that start each
  int wrapBreakCount = 0;            // further line; given, the room makes no breaks of its own
  bool probe = false;                // count the characters whose middle lies left of probeX
  float probeX = 0.0f;
};

struct TextLayoutResult {
  float endX;      // x after the last glyph
  float endY;      // y of the last line
  int lineCount;   // lines used, 1 or more
  int pieceCount;  // pieces the text made; more than the capacity when they did not all fit
  int probeCount;  // with settings.probe: characters whose middle lies left of probeX
  bool stopped;    // the lines ran out before the text did
};

// Lays out a coded text from (x, y) by the rules of reading coded text, with wrapping when
// settings.wrapMaxLines > 0: a line breaks after a space that ends beyond the room (further
// spaces skipped), or before a character that would end beyond it: at the last word start
// (after a space, or after a double-byte break character) when that lies beyond the first
// fifth of the line (the first 0.8 of it before a double-byte glyph), else at the character
// itself; a newline breaks too and returns to the starting colour and code page.  The
// first character of a line never breaks.  Breaks given by the caller (wrapBreaks) replace
// the room's: a line starts at each given character, colour and code page carried on.  At most capacity pieces are written (the rest
// are counted only).  Returns the pieces written.
int LayoutText(const char* text, float x, float y, const TextLayoutSettings& settings, TextPiece* pieces,
               int capacity, TextLayoutResult* result);
