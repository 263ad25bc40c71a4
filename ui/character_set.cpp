// character_set.cpp - the character set.  Until its reader exists the fixed-width stand-in
// fills the tables that measuring reads, so text can be measured and laid out, and the
// double-byte pages stay without a font.
#include "ui/character_set.h"

#include <cstring>

#include "ui/text_measure.h"

GlyphMetrics CharMetrics[GLYPH_COUNT];
CodePageRecord CodePageRecords[CODE_PAGE_COUNT];

namespace {

// The double-byte pages start without a font; their font set-up clears the flag.
const bool g_recordsNamed = [] {
  for (int page = 0; page < CODE_PAGE_COUNT; ++page) {
    CodePageRecords[page].number = CODE_PAGES[page].number;
    CodePageRecords[page].noFont = CODE_PAGES[page].doubleByte ? 1 : 0;
  }
  return true;
}();

}  // namespace

int LoadCharacterSet() {
  UseFixedWidthCharacterSet();
  return 1;
}

void FreeCharacterSet() {}

int CodePageHasFont(int index) { return index >= 0 && index < CODE_PAGE_COUNT && !CodePageRecords[index].noFont; }

void SetCodePageHasFont(int index, int hasFont) {
  if (index >= 0 && index < CODE_PAGE_COUNT) CodePageRecords[index].noFont = hasFont ? 0 : 1;
}

namespace {

// The break characters (U+3000..U+3002, U+FF01, U+FF0C, U+FF0E, U+FF1F) as lead and trail
// bytes of each double-byte page.
struct BreakPair {
  int codePage;
  uint8_t lead, trail;
};
const BreakPair BREAK_PAIRS[] = {
    {CODE_PAGE_JAPANESE, 0x81, 0x40}, {CODE_PAGE_JAPANESE, 0x81, 0x41}, {CODE_PAGE_JAPANESE, 0x81, 0x42},
    {CODE_PAGE_JAPANESE, 0x81, 0x49}, {CODE_PAGE_JAPANESE, 0x81, 0x43}, {CODE_PAGE_JAPANESE, 0x81, 0x44},
    {CODE_PAGE_JAPANESE, 0x81, 0x48},
    {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x40}, {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x42},
    {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x43}, {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x49},
    {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x41}, {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x44},
    {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x48},
    {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA1, 0xA1}, {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA1, 0xA2},
    {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA1, 0xA3}, {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA3, 0xA1},
    {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA3, 0xAC}, {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA3, 0xAE},
    {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA3, 0xBF},
    {CODE_PAGE_KOREAN, 0xA1, 0xA1}, {CODE_PAGE_KOREAN, 0xA1, 0xA2}, {CODE_PAGE_KOREAN, 0xA1, 0xA3},
    {CODE_PAGE_KOREAN, 0xA3, 0xA1}, {CODE_PAGE_KOREAN, 0xA3, 0xAC}, {CODE_PAGE_KOREAN, 0xA3, 0xAE},
    {CODE_PAGE_KOREAN, 0xA3, 0xBF},
};

}  // namespace

// The stand-in keeps each lead byte's own value as its glyph-page index, so the lead byte
// can be found again from the entry.
int GetDoubleByteGlyph(int codePage, const CharacterEntry& entry, int trail, int* pixelWidth, float* advance,
                       uint16_t* cacheLocation, int* breakFlag) {
  if (breakFlag) *breakFlag = 0;
  const CodePageRecord& record = CodePageRecords[codePage];
  if (trail < FIRST_TRAIL_BYTE || record.noFont || !(entry.flags & ENTRY_LEAD_PAGE)) return GLYPH_PLACEHOLDER;
  *pixelWidth = FIXED_DOUBLE_BYTE_PIXELS;
  *advance = static_cast<float>(FIXED_DOUBLE_BYTE_PIXELS) * record.glyphScale;
  *cacheLocation = CACHE_LOCATION_NONE;
  if (breakFlag)
    for (const BreakPair& pair : BREAK_PAIRS)
      if (pair.codePage == codePage && pair.lead == entry.glyph && pair.trail == trail) *breakFlag = 1;
  return DOUBLE_BYTE_DRAWABLE;
}

void UseFixedWidthCharacterSet() {
  for (GlyphMetrics& glyph : CharMetrics) glyph = GlyphMetrics{FIXED_GLYPH_WIDTH, 1.0f, 0, 0};
  CharMetrics[GLYPH_SPACE].width = FIXED_SPACE_WIDTH;
  for (int page = 0; page < CODE_PAGE_COUNT; ++page) {
    CodePageRecord& record = CodePageRecords[page];
    const uint8_t noFont = record.noFont;
    std::memset(&record, 0, sizeof record);
    record.number = CODE_PAGES[page].number;
    record.noFont = noFont;
    record.glyphScale = 1.0f / 64.0f;
    record.topOffset = 0.0f;
    record.bottomExtent = 1.0f;
    for (int code = FIRST_CODE; code < 256; ++code) {
      CharacterEntry& entry = record.entries[code - FIRST_CODE];
      entry.glyph = static_cast<uint16_t>(code - FIRST_CODE);
      if (IsLeadByte(page, static_cast<uint8_t>(code))) {
        entry.glyph = static_cast<uint16_t>(code);
        entry.flags = ENTRY_LEAD_PAGE;
      }
    }
  }
  SetKerningClasses();
}
