// character_set.h - the vector character set ("data\abc\zkt.abc"), the ten code pages, the
// glyph pages of the double-byte characters and the system fonts that draw those.
//
// Sections: [Glyphs] [Symbols] [What text measuring reads] [Glyph pages] [Fonts] [Loading]
//           [Double-byte glyphs] [Fixed-width stand-in]
//
// Grid units: a glyph is drawn on a cell 9 units high, x to the right and y upwards; its
// width and height are kept in cell heights.  Main thread only.
#pragma once
#include <cstdint>

#include "core/graph_data.h"
#include "text/code_pages.h"

// ---- [Glyphs] ----
constexpr int GLYPH_COUNT = 544;         // glyph g stands for character code g + 32
constexpr int GLYPH_SPACE = 0;           // advances, draws nothing
constexpr int GLYPH_BAR = 92;            // "|", the text cursor
constexpr int GLYPH_PLACEHOLDER = 95;    // any character that cannot be shown
constexpr int GLYPH_NOT_DRAWABLE = 175;  // a double-byte character without a code point or a drawing
constexpr int FIRST_CODE = 32;           // bytes below have no character entry
constexpr int FIRST_RAW_GLYPH = 96;      // glyphs from here on without points copy glyph 95's size
constexpr float CELL_UNITS = 9.0f;

struct CharLink {
  uint8_t a, b;        // point indices
  uint8_t spare[2];    // carried from the file, never used
  float angle;         // of the line from a to b, computed at load
};

struct CharTriangle {
  uint8_t p[3];  // point indices, in the winding that fills
  uint8_t unused;
};

struct CharDot {
  uint8_t point;
  uint8_t unused;
  uint8_t radiusX, radiusY;  // tenths of a grid unit
};

// One side of a curved stroke: its offset from the base line, in units of the cross
// direction, is coeff[0] t^3 + coeff[1] t^2 + coeff[2] t + coeff[3] for t in 0..1.
struct CurveSide {
  float angles[2];  // stored shape angles at the link-A and link-B ends (radians)
  float coeff[4];
};

struct CharCurve {
  uint8_t linkA, linkB;
  uint8_t endFlagA, endFlagB;  // 0 turns that link's direction by pi
  float baseStart[2], baseEnd[2];
  float crossStart[2], crossEnd[2];
  CurveSide side[2];
};

// One vector glyph.  Its kerning classes live in CharMetrics, beside the sizes that
// measuring reads.
struct Char : GraphData {
  uint8_t numLinks = 0, numTriangles = 0, numDots = 0, numCurves = 0;
  CharLink* links = nullptr;
  CharTriangle* triangles = nullptr;
  CharDot* dots = nullptr;
  CharCurve* curves = nullptr;
  uint8_t fontPage = 0;   // the "FONT%d_AON" page that holds the rasterised glyph
  float width = 0.0f;     // advance, in cell heights
  float height = 0.0f;    // from the cell top down to the lowest ink, in cell heights
  float u0 = 0.0f, u1 = 0.0f, v0 = 0.0f, v1 = 0.0f;  // left, right, top, bottom on the font page

  void Free() override;
};

extern Char Glyphs[GLYPH_COUNT];

// ---- [Symbols] ----
// Raw character codes that the interface and the dashboards draw directly (glyph = code - 32),
// whatever the code page.  The code-page tables map their own bytes elsewhere.
constexpr int CODE_LED_BLANK = 0x80;
constexpr int CODE_ARROW_STEP_LEFT = 0x8B;   // the value-stepping arrows of the panels
constexpr int CODE_LED_REVERSE = 0x8C;     // the LED gear's reverse: segments of an "r"
constexpr int CODE_LED_MINUS = 0x8D;
constexpr int CODE_LED_POINT = 0x8E;
constexpr int CODE_LED_DIGIT_0 = 0x90;       // LED digits 0..9: ASCII + 0x60
constexpr int CODE_ARROW_STEP_RIGHT = 0x9B;
constexpr int CODE_LCD_MINUS = 0x9D;
constexpr int CODE_LCD_POINT = 0x9E;
constexpr int CODE_LCD_DIGIT_0 = 0xA0;       // LCD digits 0..9: ASCII + 0x70
constexpr int CODE_ARROW_LEFT = 0xB6;        // the on-screen keyboard's arrow keys
constexpr int CODE_ARROW_RIGHT = 0xB7;
constexpr int CODE_ARROW_UP = 0xB9;
constexpr int CODE_ARROW_DOWN = 0xBA;

// ---- [What text measuring reads] ----
// Measuring and laying out text read these tables in their inner loops, so they are plain
// arrays that LoadCharacterSet fills.
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

struct SystemFont;

struct CodePageRecord {
  uint16_t number;      // the Windows code-page number
  uint8_t noFont;       // 1: a double-byte page with no usable font (its characters show the placeholder)
  float glyphScale;     // advance units per pixel of a double-byte glyph
  float topOffset;      // double-byte glyph box, in units of the box height
  float bottomExtent;
  CharacterEntry entries[CODE_ENTRY_COUNT];  // bytes 32..255
  SystemFont* font;     // the double-byte page's font; null when none or not opened yet
  int32_t fontSlot;     // 0..3 for the double-byte pages
  uint8_t fontToOpen;   // 1: a face is chosen (FontChoices), opened by the first glyph that needs it
};
extern CodePageRecord CodePageRecords[CODE_PAGE_COUNT];
extern int NumCodePagesInUse;  // min(records in the file, 10)

// ---- [Glyph pages] ----
constexpr int GLYPH_PAGE_SLOTS = 192;     // trail bytes 64..255
constexpr uint16_t CACHE_LOCATION_NONE = 0xFFFF;
constexpr uint8_t GLYPH_WIDTH_UNMEASURED = 0;
constexpr uint8_t GLYPH_WIDTH_CANNOT_DRAW = 255;
constexpr int GLYPH_MAX_PIXEL_WIDTH = 62;

struct GlyphSlot {
  uint16_t codePoint;      // 0 = no character
  uint16_t cacheLocation;  // cache page * 64 + cell, or CACHE_LOCATION_NONE
  uint8_t pixelWidth;      // 0 not yet measured, 255 cannot be drawn, else 1..62
  uint8_t unused[3];
};

struct GlyphPage {
  CodePageRecord* owner;
  GlyphSlot slots[GLYPH_PAGE_SLOTS];
};

extern GlyphPage* GlyphPages;
extern int NumGlyphPages;

// ---- [Fonts] ----
constexpr int NUM_FONT_SLOTS = 4;  // J, H, S, K
constexpr int FONT_NAME_SIZE = 64;
constexpr int FONT_LIST_MAX = 76;
constexpr int FONT_CELL_PIXELS = 64;

struct FontSlotInfo {
  int codePage;           // index 0..9
  int charSet;            // the character-set number of the slot
  const char* preferredFace;
  const char* logName;
  const char* language;   // for the font list
};
extern const FontSlotInfo FONT_SLOTS[NUM_FONT_SLOTS];

// Kept in cfg.txt ("FN_J ".."FN_K ", "FW_J ".."FW_K "); the face is written back after a
// font was set up.
struct FontChoice {
  int32_t weight;
  char face[FONT_NAME_SIZE];
};
extern FontChoice FontChoices[NUM_FONT_SLOTS];

struct FontListEntry {
  uint8_t priority;  // 3 preferred face, 2 sans, 1 monospace, 0 other
  char face[FONT_NAME_SIZE];
};

// Inserts before the first entry of lower priority, so equal priorities keep their order.
// Returns the new count; a full list (FONT_LIST_MAX) keeps its count.
int InsertFontListEntry(FontListEntry* list, int count, const FontListEntry& entry);

// The ink rows of a 64 x 64 24-bit surface (first colour byte below 255): 0 when it has none.
int FindInkRows(const uint8_t* surface, int* top, int* bottom);

// 1 when text in the code page can be drawn: always for the single-byte pages, for the four
// double-byte pages (J, H, S, K) only when a font is set up for them (asking about one sets
// up the fonts the loaded character set left pending).  The body of the text services'
// CodePageHasFont hook (text/code_pages.h).
int CharacterSetHasFont(int index);
// Says by hand whether a page has a font (tests); a pending set-up is dropped.
void SetCodePageHasFont(int index, int hasFont);

// ---- [Loading] ----
constexpr const char* CHARACTER_SET_PATH = "data\\abc\\zkt.abc";
constexpr const char* CHARACTER_SET_MAGIC = "QXCHAR";
constexpr int CHARACTER_SET_VERSION = 252;
constexpr int CHARACTER_SET_LOWEST_VERSION = 251;
constexpr int MIN_CODE_PAGE_RECORDS = 11;   // a file with fewer is refused
constexpr int GLYPH_RECORD_PADDING = 100;   // skipped after each glyph record unless flagged
constexpr int CODE_PAGE_RECORD_BYTES = 4 + CODE_ENTRY_COUNT * 4;
constexpr int GLYPH_PAGE_RECORD_BYTES = GLYPH_PAGE_SLOTS * 2;
constexpr int FILE_LINK_BYTES = 4;
constexpr int FILE_CURVE_BYTES = 20;

// The data-file error of the last load: 0, 2 not found, 3 later version, 4 obsolete,
// 5 wrong type, 9 too short or damaged.
extern int CharacterSetError;

int  LoadCharacterSet();  // 1 when loaded; the program cannot run without it
void FreeCharacterSet();
// The file's reader alone, from a whole file image in memory (header included); the path
// only names it in messages.  1 when loaded; a refused image leaves the previous set.
int  ReadCharacterSet(const uint8_t* image, int64_t length, const char* path);
// Starts reading and parsing the character set's file on a worker, so that LoadCharacterSet
// finds it read, and its printable ASCII glyphs drawn for the font pages once
// DrawPreparedGlyphsAhead lets it (the start-up calls it before the window system starts).
// Optional: without it LoadCharacterSet reads the file itself.  A start that ends before it
// loads the set forgets the read (ForgetPreparedCharacterSet), so a later one reads the file
// as it is then.
void PrepareCharacterSet();
// Lets the reader draw the glyphs ahead once it has read the file (the start-up tells it when
// the window system has started); a LoadCharacterSet before that takes the set without them.
void DrawPreparedGlyphsAhead();
void ForgetPreparedCharacterSet();
// Starts reading the system's font list for the four double-byte code pages on a worker, so
// that SetUpGlyphFonts finds it ready (the start-up calls it once the player's language is
// known, when that is not English).  Optional: without it SetUpGlyphFonts reads the list itself.
void PrepareGlyphFonts();
// Sets up the system fonts of the four double-byte code pages: chooses each one's face from
// the list.  LoadCharacterSet leaves this to the first question about such a page (its
// glyphs, its font, whether it has one): most runs draw no double-byte text.  A face is
// opened and measured only when the first of its glyphs is needed (DoubleByteFont): the
// faces of these fonts are large.
void SetUpGlyphFonts();
// The page's font, opened and measured at its first use; null when the page has none (also
// when its chosen face cannot be opened or draws nothing, which gives the page no font).
SystemFont* DoubleByteFont(CodePageRecord& page);
void FreeGlyphFonts();

// ---- [Double-byte glyphs] ----
constexpr int DOUBLE_BYTE_DRAWABLE = -1;

// Resolves the double-byte character of a lead byte's entry in codePage and a trail byte.
// Returns GLYPH_PLACEHOLDER (trail below 64, no font, or an entry without ENTRY_LEAD_PAGE),
// GLYPH_NOT_DRAWABLE, or DOUBLE_BYTE_DRAWABLE with the pixel width, the advance (pixel
// width x the page's glyph scale, per unit of size) and the glyph-cache location filled in.
// breakFlag (optional) is set for the ideographic space, comma and full stop and the
// full-width "!", ",", "." and "?", after which wrapping may break a line.
int GetDoubleByteGlyph(int codePage, const CharacterEntry& entry, int trail, int* pixelWidth, float* advance,
                       uint16_t* cacheLocation, int* breakFlag);
// The glyph page named by a lead-byte entry, or null.
GlyphPage* GlyphPageOfEntry(const CharacterEntry& entry);

// ---- [Fixed-width stand-in] ----
// Tables for tests of text measuring that must not depend on the generated glyphs: every
// glyph 0.5 cell heights wide (the space 0.25), each byte of 32..255 showing glyph
// byte - 32, the double-byte pages' lead bytes with ENTRY_LEAD_PAGE, every double-byte
// character 56 pixels wide at a scale of 1/64, and the kerning classes set.  The font flags
// are left as they are.  LoadCharacterSet and ReadCharacterSet leave the stand-in.
constexpr float FIXED_GLYPH_WIDTH = 0.5f;
constexpr float FIXED_SPACE_WIDTH = 0.25f;
constexpr int FIXED_DOUBLE_BYTE_PIXELS = 56;
void UseFixedWidthCharacterSet();
