// character_set.h - the vector character set ("data\abc\zkt.abc") and its glyph pages.
//
// Sections: [Loading] [What text measuring reads] [Fixed-width stand-in]
#pragma once
#include <cstdint>

#include "ui/code_pages.h"

// ---- [Loading] ----
int  LoadCharacterSet();  // 1 when loaded; the program cannot run without it
void FreeCharacterSet();

// 1 when text in the code page can be drawn: always for the single-byte pages, for the four
// double-byte pages (J, H, S, K) only once a font has been set up for them.
int CodePageHasFont(int index);
// Records the outcome of a double-byte page's font set-up (tests set it too).
void SetCodePageHasFont(int index, int hasFont);

// ---- [What text measuring reads] ----
// Measuring and laying out text read these tables in their inner loops, so they are plain
// arrays that LoadCharacterSet fills.
constexpr int GLYPH_COUNT = 544;         // glyph g stands for character code g + 32
constexpr int GLYPH_SPACE = 0;           // advances, draws nothing
constexpr int GLYPH_BAR = 92;            // "|", the text cursor
constexpr int GLYPH_PLACEHOLDER = 95;    // any character that cannot be shown
constexpr int GLYPH_NOT_DRAWABLE = 175;  // a double-byte character without a code point or a drawing
constexpr int FIRST_CODE = 32;           // bytes below have no character entry
constexpr int CODE_ENTRY_COUNT = 224;    // entries for the bytes 32..255

struct GlyphMetrics {
  float width;        // advance in cell heights, without LetterSpacing
  float height;       // in cell heights
  uint8_t leftClass;  // kerning class as the left letter of a pair, 0..19 (0: none)
  uint8_t rightClass; // kerning class as the right letter, 0..15 (0: none)
};
extern GlyphMetrics CharMetrics[GLYPH_COUNT];

// Flags of a character entry.
constexpr uint8_t ENTRY_LEAD_PAGE = 0x10;     // a lead byte: its trail characters lie on glyph page `glyph`
constexpr uint8_t ENTRY_LEAD_NO_PAGE = 0x20;  // a lead byte without a glyph page: shown as the placeholder
constexpr uint8_t ENTRY_LEAD = ENTRY_LEAD_PAGE | ENTRY_LEAD_NO_PAGE;

struct CharacterEntry {
  uint16_t glyph;  // the vector glyph, or for a lead byte the index of its glyph page
  uint8_t accent;  // a glyph drawn over it (0: none)
  uint8_t flags;   // ENTRY_LEAD_*; on a single-byte character non-zero puts the accent at the top
};

struct CodePageRecord {
  uint16_t number;      // the Windows code-page number
  uint8_t noFont;       // 1: a double-byte page with no usable font (its characters show the placeholder)
  float glyphScale;     // advance units per pixel of a double-byte glyph
  float topOffset;      // double-byte glyph box, in units of the box height
  float bottomExtent;
  CharacterEntry entries[CODE_ENTRY_COUNT];  // bytes 32..255
};
extern CodePageRecord CodePageRecords[CODE_PAGE_COUNT];

// The results of GetDoubleByteGlyph other than a glyph number.
constexpr int DOUBLE_BYTE_DRAWABLE = -1;
constexpr uint16_t CACHE_LOCATION_NONE = 0xFFFF;

// Resolves the double-byte character of a lead byte's entry in codePage and a trail byte.
// Returns GLYPH_PLACEHOLDER (trail below 64, no font, or an entry without ENTRY_LEAD_PAGE),
// GLYPH_NOT_DRAWABLE, or DOUBLE_BYTE_DRAWABLE with the pixel width, the advance (pixel
// width x the page's glyph scale, per unit of size) and the glyph-cache location filled in.
// breakFlag (optional) is set for the ideographic space, comma and full stop and the
// full-width "!", ",", "." and "?", after which wrapping may break a line.
int GetDoubleByteGlyph(int codePage, const CharacterEntry& entry, int trail, int* pixelWidth, float* advance,
                       uint16_t* cacheLocation, int* breakFlag);

// ---- [Fixed-width stand-in] ----
// Until the character-set file is read, LoadCharacterSet fills the tables with this: every
// glyph 0.5 cell heights wide (the space 0.25), each byte of 32..255 showing glyph byte - 32,
// the double-byte pages' lead bytes with ENTRY_LEAD_PAGE, every double-byte character 56
// pixels wide at a scale of 1/64, and the kerning classes set.  The font flags are left as
// they are: no double-byte page has a font until the font set-up exists.  Tests use it too.
constexpr float FIXED_GLYPH_WIDTH = 0.5f;
constexpr float FIXED_SPACE_WIDTH = 0.25f;
constexpr int FIXED_DOUBLE_BYTE_PIXELS = 56;
void UseFixedWidthCharacterSet();
