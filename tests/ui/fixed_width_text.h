// fixed_width_text.h - the fixed-width stand-in character set for tests that measure texts.
#pragma once
#include <algorithm>
#include <iterator>
#include <vector>

#include "ui/character_set.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

// While it lives, the fixed-width character set (every glyph 7/12 of the size, 1/12 between
// glyphs) and the text settings it measures by; what was there before comes back after.
struct FixedWidthText {
  std::vector<GlyphMetrics> metrics{std::begin(CharMetrics), std::end(CharMetrics)};
  std::vector<CodePageRecord> records{std::begin(CodePageRecords), std::end(CodePageRecords)};
  float spacing = LetterSpacing, factor = TextSizeFactor, scale = TextHorizontalScale;
  int cursor = TextDrawCursor;
  FixedWidthText() {
    UseFixedWidthCharacterSet();
    LetterSpacing = 1.0f / 12.0f;
    TextSizeFactor = 1.0f;
    TextDrawCursor = TEXT_CURSOR_NONE;
  }
  ~FixedWidthText() {
    EmptyTextBatches();
    std::copy(metrics.begin(), metrics.end(), std::begin(CharMetrics));
    std::copy(records.begin(), records.end(), std::begin(CodePageRecords));
    LetterSpacing = spacing;
    TextSizeFactor = factor;
    TextHorizontalScale = scale;
    TextDrawCursor = cursor;
  }
};
