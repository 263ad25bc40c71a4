// text_measure.cpp - widths, kerning, and the layout of coded text with word wrapping.
#include "ui/text_measure.h"

#include "text/code_pages.h"
#include "text/coded_text.h"
#include "ui/character_set.h"

int TextSize = 11;
float TextSizeFactor = 1.0f;
float LetterSpacing = 1.0f / 12.0f;
float TextHorizontalScale = 1.0f;

// ---- [Kerning] ----

namespace {

const uint8_t KERNING_PAIRS[KERNING_LEFT_CLASSES][KERNING_RIGHT_CLASSES] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // 0: no class
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0},  // 1: E H I M N Z d i j
    {0, 1, 1, 0, 3, 1, 3, 1, 1, 2, 2, 0, 0, 1, 2, 1},  // 2: A
    {0, 1, 0, 1, 1, 0, 1, 1, 0, 0, 2, 0, 0, 0, 0, 0},  // 3: B C D G O Q S
    {0, 3, 1, 3, 0, 0, 0, 0, 3, 2, 2, 2, 2, 2, 2, 2},  // 4: F T
    {0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0},  // 5: J U
    {0, 1, 1, 0, 0, 0, 1, 1, 1, 2, 2, 0, 0, 1, 2, 1},  // 6: K X
    {0, 0, 1, 0, 3, 1, 3, 0, 1, 2, 2, 0, 0, 1, 2, 0},  // 7: L
    {0, 2, 0, 3, 1, 0, 1, 1, 0, 0, 2, 0, 0, 0, 0, 0},  // 8: P
    {0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0},  // 9: R
    {0, 3, 1, 2, 0, 0, 1, 1, 2, 1, 2, 1, 1, 1, 1, 1},  // 10: V W Y
    {0, 0, 0, 0, 2, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0},  // 11: a t u z
    {0, 1, 0, 1, 3, 0, 2, 1, 0, 1, 2, 0, 0, 0, 1, 1},  // 12: b c e o p s
    {0, 2, 0, 3, 0, 0, 0, 0, 1, 0, 2, 0, 0, 0, 0, 0},  // 13: f
    {0, 0, 0, 0, 2, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0},  // 14: g q
    {0, 0, 0, 0, 3, 0, 2, 0, 0, 1, 2, 0, 0, 0, 1, 0},  // 15: h m n
    {0, 1, 0, 0, 2, 0, 1, 1, 1, 1, 2, 0, 0, 1, 1, 1},  // 16: k x
    {0, 0, 1, 0, 3, 1, 3, 0, 1, 3, 2, 0, 0, 1, 3, 0},  // 17: l
    {0, 2, 0, 3, 2, 0, 1, 2, 1, 0, 2, 0, 0, 0, 0, 0},  // 18: r
    {0, 2, 0, 2, 2, 0, 1, 2, 1, 0, 2, 0, 0, 0, 1, 1},  // 19: v w y
};

// Letters of each class, from class 1 on.
const char* const LEFT_CLASS_LETTERS[KERNING_LEFT_CLASSES - 1] = {
    "EHIMNZdij", "A", "BCDGOQS", "FT", "JU", "KX", "L", "P", "R", "VWY",
    "atuz", "bceops", "f", "gq", "hmn", "kx", "l", "r", "vwy"};
const char* const RIGHT_CLASS_LETTERS[KERNING_RIGHT_CLASSES - 1] = {
    "A", "CGOQS", "J", "T", "Ul", "VWY", "X", "acdeoqsg", "ft", "j", "mnrz", "p", "u", "vwy", "x"};

}  // namespace

void SetKerningClasses() {
  for (GlyphMetrics& glyph : CharMetrics) glyph.leftClass = glyph.rightClass = 0;
  for (int k = 1; k < KERNING_LEFT_CLASSES; ++k)
    for (const char* c = LEFT_CLASS_LETTERS[k - 1]; *c; ++c) CharMetrics[*c - FIRST_CODE].leftClass = static_cast<uint8_t>(k);
  for (int k = 1; k < KERNING_RIGHT_CLASSES; ++k)
    for (const char* c = RIGHT_CLASS_LETTERS[k - 1]; *c; ++c)
      CharMetrics[*c - FIRST_CODE].rightClass = static_cast<uint8_t>(k);
}

int KerningSteps(int leftClass, int rightClass) {
  if (leftClass < 0 || leftClass >= KERNING_LEFT_CLASSES || rightClass < 0 || rightClass >= KERNING_RIGHT_CLASSES)
    return 0;
  return KERNING_PAIRS[leftClass][rightClass];
}

// ---- [Reading] ----

namespace {

// What follows a caret, by its byte: a code page (0..9), or the character it draws.
struct CaretTable {
  int8_t page[256];
  uint8_t drawn[256];
  CaretTable() {
    for (int c = 0; c < 256; ++c) {
      page[c] = static_cast<int8_t>(CodePageIndexOfLetter(c));
      drawn[c] = static_cast<uint8_t>(c);
    }
    for (int i = 0; i < SPECIAL_CHAR_COUNT; ++i)
      drawn[static_cast<uint8_t>(ESCAPE_LETTERS[i])] = static_cast<uint8_t>(SPECIAL_CHARS[i]);
  }
};
const CaretTable CARET_TABLE;

inline int ValidGlyph(int glyph) { return glyph < GLYPH_COUNT ? glyph : GLYPH_PLACEHOLDER; }

// The vector glyph a single byte shows in a page when it is drawn on its own (after a caret):
// a lead byte there has no glyph of its own.
inline int SingleByteGlyph(const CharacterEntry* entries, int byte) {
  const CharacterEntry& entry = entries[byte - FIRST_CODE];
  return (entry.flags & ENTRY_LEAD) ? GLYPH_PLACEHOLDER : ValidGlyph(entry.glyph);
}

// The x offset of the text at scale (size in screen units x horizontal scale), reading
// units while their start lies before stopIndex.  spacing replaces LetterSpacing; with
// doubleBytePlaceholder every double-byte character is measured as the placeholder.
// glyphCount (optional) gets the glyphs measured.
float Measure(const char* text, int startPage, float scale, float spacing, bool doubleBytePlaceholder, int stopIndex,
              int* glyphCount) {
  if (startPage < 0 || startPage >= CODE_PAGE_COUNT) startPage = 0;
  const unsigned char* const begin = reinterpret_cast<const unsigned char*>(text ? text : "");
  const unsigned char* p = begin;
  int page = startPage;
  const CharacterEntry* entries = CodePageRecords[page].entries;
  const float kerningUnit = KERNING_STEP * scale;
  float x = 0.0f;
  int previousLeft = 0;
  int count = 0;
  while (p - begin < stopIndex) {
    const unsigned c = *p;
    if (!c) break;
    int glyph;
    if (c == CARET) {
      const unsigned code = p[1];
      if (!code) {
        ++p;
        glyph = SingleByteGlyph(entries, CARET);
      } else {
        p += 2;
        if (code >= '0' && code <= '9') {
          if (code == '8') page = startPage, entries = CodePageRecords[page].entries;
          continue;
        }
        if (code == ':') {
          page = 0, entries = CodePageRecords[page].entries;
          continue;
        }
        const int switched = CARET_TABLE.page[code];
        if (switched >= 0) {
          page = switched, entries = CodePageRecords[page].entries;
          continue;
        }
        const int drawn = CARET_TABLE.drawn[code];
        if (drawn < FIRST_CODE) continue;  // a caret before a control byte: both skipped
        glyph = SingleByteGlyph(entries, drawn);
      }
    } else if (c < FIRST_CODE) {
      ++p;
      continue;
    } else {
      const CharacterEntry& entry = entries[c - FIRST_CODE];
      if (!(entry.flags & ENTRY_LEAD)) {
        ++p;
        glyph = ValidGlyph(entry.glyph);
      } else if (!p[1]) {
        ++p;
        glyph = GLYPH_PLACEHOLDER;
      } else {
        const int trail = p[1];
        p += 2;
        glyph = GLYPH_PLACEHOLDER;
        if (!doubleBytePlaceholder) {
          int pixelWidth = 0;
          float advance = 0.0f;
          uint16_t location = 0;
          const int result = GetDoubleByteGlyph(page, entry, trail, &pixelWidth, &advance, &location, nullptr);
          if (result == DOUBLE_BYTE_DRAWABLE) {
            x += advance * scale;
            previousLeft = 0;
            ++count;
            continue;
          }
          glyph = ValidGlyph(result);
        }
      }
    }
    const GlyphMetrics& metrics = CharMetrics[glyph];
    if (previousLeft && metrics.rightClass) x -= KERNING_PAIRS[previousLeft][metrics.rightClass] * kerningUnit;
    x += (metrics.width + spacing) * scale;
    previousLeft = metrics.leftClass;
    ++count;
  }
  if (glyphCount) *glyphCount = count;
  return x;
}

}  // namespace

// ---- [Measuring] ----

float TextWidth(const char* text, int codePage, float size) {
  return Measure(text, codePage, size * TextSizeFactor * TextHorizontalScale, LetterSpacing, false, INT_MAX, nullptr);
}

float TextWidthAtSize(const char* text, float size) {
  constexpr float LETTER_GAP = 0.08f;
  int count = 0;
  const float width = Measure(text, 0, size, LETTER_GAP, true, INT_MAX, &count);
  return count > 0 ? width - LETTER_GAP * size : width;
}

float TextWidthAtSize1(const char* text) {
  return Measure(text, CurrentCodePage, static_cast<float>(TextSize), LetterSpacing, false, INT_MAX, nullptr);
}

float CharWidth(int code) {
  if (code < FIRST_CODE || code - FIRST_CODE >= GLYPH_COUNT) return 0.0f;
  return (CharMetrics[code - FIRST_CODE].width + LetterSpacing) * static_cast<float>(TextSize);
}

float TextXAtIndex(const char* text, int codePage, float size, int index) {
  return Measure(text, codePage, size * TextSizeFactor * TextHorizontalScale, LetterSpacing, false, index, nullptr);
}

// ---- [Layout] ----

namespace {

struct Layout {
  const TextLayoutSettings& settings;
  TextPiece* pieces;
  int capacity;
  float scale;
  float startX;
  int count = 0;  // pieces made, written or not
  float x;
  float y;
  int lines = 1;
  int probeCount = 0;
  bool stopped = false;

  Layout(const TextLayoutSettings& s, TextPiece* p, int cap, float sc, float x0, float y0)
      : settings(s), pieces(p), capacity(cap), scale(sc), startX(x0), x(x0), y(y0) {}

  void Add(const TextPiece& piece) {
    if (count < capacity) pieces[count] = piece;
    ++count;
  }
  // A new line; false when the lines have run out.
  bool NewLine() {
    if (lines >= settings.wrapMaxLines) {
      stopped = true;
      return false;
    }
    ++lines;
    x = startX;
    y += settings.wrapLineHeight;
    return true;
  }
};

// The state at a word start, to which a line break can go back.
struct WordStart {
  bool known = false;
  int index = 0;
  int page = 0;
  int count = 0;
  int probeCount = 0;
  uint32_t colour = 0;
  float used = 0.0f;  // fraction of the line's room already used
};

}  // namespace

int LayoutText(const char* text, float x, float y, const TextLayoutSettings& settings, TextPiece* pieces,
               int capacity, TextLayoutResult* result) {
  const int startPage = settings.codePage >= 0 && settings.codePage < CODE_PAGE_COUNT ? settings.codePage : 0;
  const float scale = settings.size * TextSizeFactor * TextHorizontalScale;
  const float kerningUnit = KERNING_STEP * scale;
  const bool wrapping = settings.wrapMaxLines > 0 && settings.wrapWidth > 0.0f;
  const bool givenBreaks = wrapping && settings.wrapBreaks;
  int nextBreak = 0;
  Layout layout(settings, pieces, capacity < 0 ? 0 : capacity, scale, x, y);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text ? text : "");

  int page = startPage;
  uint32_t colour = settings.colour;
  int previousLeft = 0;
  bool lineHasCharacter = false;
  bool markWordStart = false;
  bool skipSpaces = false;
  WordStart word;
  auto newLine = [&]() {
    if (!layout.NewLine()) return false;
    previousLeft = 0;
    lineHasCharacter = false;
    markWordStart = false;
    word.known = false;
    return true;
  };

  int i = 0;
  while (bytes[i] && !layout.stopped) {
    const int start = i;
    const unsigned c = bytes[i];
    const CharacterEntry* entries = CodePageRecords[page].entries;
    // Read one unit: a code changes the state; a character ends with a glyph to place.
    int glyph = -1;  // vector glyph, or -1 for a double-byte glyph
    const CharacterEntry* entry = nullptr;
    int trail = 0;
    int pixelWidth = 0;
    float doubleByteAdvance = 0.0f;
    uint16_t location = CACHE_LOCATION_NONE;
    int breakFlag = 0;
    if (c == CARET) {
      const unsigned code = bytes[i + 1];
      if (!code) {
        ++i;
        glyph = SingleByteGlyph(entries, CARET);
      } else {
        i += 2;
        if (code >= '0' && code <= '7') {
          if (!settings.ignoreColourCodes) {
            const uint32_t rgb = CaretColour(static_cast<int>(code - '0'));
            colour = settings.codesKeepAlpha ? (colour & 0xFF000000u) | (rgb & 0x00FFFFFFu) : rgb;
          }
          continue;
        }
        if (code == '8' || code == '9' || code == ':') {
          colour = settings.colour;
          if (code == '8') page = startPage;
          if (code == ':') page = 0;
          continue;
        }
        const int switched = CARET_TABLE.page[code];
        if (switched >= 0) {
          page = switched;
          continue;
        }
        const int drawn = CARET_TABLE.drawn[code];
        if (drawn < FIRST_CODE) continue;
        glyph = SingleByteGlyph(entries, drawn);
        entry = &entries[drawn - FIRST_CODE];
        if (entry->flags & ENTRY_LEAD) entry = nullptr;
      }
    } else if (c < FIRST_CODE) {
      ++i;
      if (c == '\n' && wrapping) {
        if (!newLine()) break;
        colour = settings.colour;
        page = startPage;
        skipSpaces = false;
      }
      continue;
    } else {
      const CharacterEntry& e = entries[c - FIRST_CODE];
      if (!(e.flags & ENTRY_LEAD)) {
        ++i;
        glyph = ValidGlyph(e.glyph);
        entry = &e;
      } else if (!bytes[i + 1]) {
        ++i;
        glyph = GLYPH_PLACEHOLDER;
      } else {
        trail = bytes[i + 1];
        i += 2;
        const int resolved = GetDoubleByteGlyph(page, e, trail, &pixelWidth, &doubleByteAdvance, &location, &breakFlag);
        if (resolved == DOUBLE_BYTE_DRAWABLE)
          entry = &e;
        else
          glyph = ValidGlyph(resolved);
      }
    }

    const bool isSpace = c == ' ';
    if (wrapping && skipSpaces) {
      if (isSpace) continue;
      skipSpaces = false;
    }
    if (wrapping && markWordStart) {
      word.known = true;
      word.index = start;
      word.page = page;
      word.count = layout.count;
      word.probeCount = layout.probeCount;
      word.colour = colour;
      word.used = (layout.x - layout.startX) / settings.wrapWidth;
      markWordStart = false;
    }

    if (givenBreaks && nextBreak < settings.wrapBreakCount && start >= settings.wrapBreaks[nextBreak]) {
      while (nextBreak < settings.wrapBreakCount && start >= settings.wrapBreaks[nextBreak]) ++nextBreak;
      if (lineHasCharacter && !newLine()) break;
    }

    // Where the glyph goes.
    const bool doubleByte = glyph < 0;
    float glyphX = layout.x;
    float advance;
    if (doubleByte) {
      advance = doubleByteAdvance * scale;
    } else {
      const GlyphMetrics& metrics = CharMetrics[glyph];
      if (previousLeft && metrics.rightClass) glyphX -= KERNING_PAIRS[previousLeft][metrics.rightClass] * kerningUnit;
      advance = (metrics.width + LetterSpacing) * scale;
    }

    if (wrapping && !givenBreaks && lineHasCharacter && !isSpace && glyphX + advance - layout.startX > settings.wrapWidth) {
      const float threshold = doubleByte ? 0.8f : 0.2f;
      if (word.known && word.used > threshold) {
        // Back to the word start: its pieces go, and it starts the next line.
        layout.count = word.count;
        layout.probeCount = word.probeCount;
        page = word.page;
        colour = word.colour;
        i = word.index;
        newLine();
        continue;
      }
      if (!newLine()) break;
      glyphX = layout.x;  // the character starts the next line, unkerned
    }

    TextPiece piece{};
    piece.x = glyphX;
    piece.y = layout.y;
    piece.advance = advance;
    piece.colour = colour;
    piece.byteIndex = start;
    piece.codePage = static_cast<uint8_t>(page);
    if (doubleByte) {
      piece.kind = TEXT_PIECE_DOUBLE_BYTE;
      piece.glyph = location;
      piece.glyphPage = entry->glyph;
      piece.slot = static_cast<uint8_t>(trail - FIRST_TRAIL_BYTE);
      piece.pixelWidth = static_cast<uint8_t>(pixelWidth);
      layout.Add(piece);
      previousLeft = 0;
    } else {
      piece.kind = TEXT_PIECE_GLYPH;
      piece.glyph = static_cast<uint16_t>(glyph);
      layout.Add(piece);
      if (entry && entry->accent && !settings.noAccents) {
        TextPiece accent = piece;
        accent.kind = TEXT_PIECE_ACCENT;
        accent.glyph = entry->accent;
        accent.advance = 0.0f;
        accent.accentAtTop = entry->flags != 0;
        layout.Add(accent);
      }
      previousLeft = CharMetrics[glyph].leftClass;
    }
    if (settings.probe && glyphX + advance * 0.5f < settings.probeX) ++layout.probeCount;
    layout.x = glyphX + advance;
    lineHasCharacter = true;

    if (wrapping && !givenBreaks && (isSpace || breakFlag)) {
      markWordStart = true;
      if (isSpace && layout.x - layout.startX > settings.wrapWidth) {
        if (!newLine()) break;
        skipSpaces = true;
      }
    }
  }

  if (result) {
    result->endX = layout.x;
    result->endY = layout.y;
    result->lineCount = layout.lines;
    result->pieceCount = layout.count;
    result->probeCount = layout.probeCount;
    result->stopped = layout.stopped;
  }
  return layout.count < layout.capacity ? layout.count : layout.capacity;
}
