// text_draw_test.cpp - what drawing coded text queues (boxes, colours, code pages, accents,
// the cursor, selection and composition, wrapping) and what the flushes hand to the 2D list,
// the 2D stream and the 3D stream, on the fixed-width character set and the null device.
#include <gtest/gtest.h>

#include <cstring>

#include <cmath>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/process.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "tests/render/null_renderer.h"
#include "tests/ui/charset_test_util.h"
#include "text/code_pages.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/character_set.h"
#include "ui/draw_record.h"
#include "ui/glyph_cache.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "ui/text_readouts.h"
#include "ui/widgets.h"

namespace {

constexpr float LETTER = FIXED_GLYPH_WIDTH + 1.0f / 12.0f;  // advance of a letter at size 1
constexpr float MARGIN = 1.0f / 24.0f;                      // the texture margin, in cell heights
constexpr uint32_t RED = 0xFFFF0000u, WHITE = 0xFFFFFFFFu, GREY = 0xFF808080u, BLACK = 0xFF000000u;
int Glyph(char c) { return static_cast<unsigned char>(c) - FIRST_CODE; }

struct Highlight {
  float x0, y0, x1, y1;
};
std::vector<Highlight> g_highlights;
std::vector<Highlight> g_markers;

class TextDraw : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    saved_ = {TextSize,     TextSizeFactor, LetterSpacing, TextHorizontalScale, CurrentCodePage,
              GlyphMode,    TextDrawCursor, WrapMaxLines,  WrapLineCount,       ProgramClock,
              LastInputClock};
    for (int g = 0; g < GLYPH_COUNT; ++g)
      savedPlaces_[g] = {Glyphs[g].fontPage, Glyphs[g].u0, Glyphs[g].u1, Glyphs[g].v0, Glyphs[g].v1};
    UseFixedWidthCharacterSet();
    for (int page = 0; page < CODE_PAGE_COUNT; ++page) SetCodePageHasFont(page, 1);
    TextSize = 11;
    TextSizeFactor = 1.0f;
    LetterSpacing = 1.0f / 12.0f;
    TextHorizontalScale = 1.0f;
    CurrentCodePage = 0;
    TextDrawCursor = TEXT_CURSOR_NONE;
    GlyphMode = GLYPH_MODE_PLAIN;
    WrapMaxLines = WrapLineCount = 0;
    ProgramClock = 0;
    LastInputClock = 0;
    ImeComposition = TextComposition();
    PlaceGlyphs();
    EmptyTextBatches();
    CurrentTextBatch = &InterfaceTextBatch;
    g_highlights.clear();
    g_markers.clear();
    TextSelectionHighlight = [](float x0, float y0, float x1, float y1) { g_highlights.push_back({x0, y0, x1, y1}); };
    TextCompositionMarker = [](float x, float y, float h) { g_markers.push_back({x, y, x, y + h}); };
    ResetDraw2D();
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  }
  void TearDown() override {
    for (int page = 0; page < CODE_PAGE_COUNT; ++page) SetCodePageHasFont(page, !CODE_PAGES[page].doubleByte);
    CodePageRecords[0].entries[Glyph('E')] = CharacterEntry{uint16_t(Glyph('E')), 0, 0};
    CodePageRecords[0].entries[Glyph('e')] = CharacterEntry{uint16_t(Glyph('e')), 0, 0};
    TextSelectionHighlight = nullptr;
    TextCompositionMarker = nullptr;
    ImeComposition = TextComposition();
    EmptyTextBatches();
    ResetDraw2D();
    // The sizes, the spacing, the scale, the code page, the glyph mode, the cursor word, the
    // wrapping, the clocks and the glyphs' places on the font pages in place before are put
    // back.
    TextSize = saved_.textSize;
    TextSizeFactor = saved_.sizeFactor;
    LetterSpacing = saved_.letterSpacing;
    TextHorizontalScale = saved_.horizontalScale;
    CurrentCodePage = saved_.codePage;
    GlyphMode = saved_.glyphMode;
    TextDrawCursor = saved_.cursor;
    WrapMaxLines = saved_.wrapMaxLines;
    WrapLineCount = saved_.wrapLineCount;
    ProgramClock = saved_.programClock;
    LastInputClock = saved_.lastInputClock;
    for (int g = 0; g < GLYPH_COUNT; ++g) {
      const GlyphPlace& place = savedPlaces_[g];
      Glyphs[g].fontPage = place.fontPage;
      Glyphs[g].u0 = place.u0;
      Glyphs[g].u1 = place.u1;
      Glyphs[g].v0 = place.v0;
      Glyphs[g].v1 = place.v1;
    }
  }
  struct SavedText {
    int textSize;
    float sizeFactor, letterSpacing, horizontalScale;
    int codePage;
    uint8_t glyphMode;
    int32_t cursor;
    int wrapMaxLines, wrapLineCount;
    uint32_t programClock, lastInputClock;
  };
  struct GlyphPlace {
    uint8_t fontPage;
    float u0, u1, v0, v1;
  };
  SavedText saved_{};
  GlyphPlace savedPlaces_[GLYPH_COUNT] = {};
  // Each glyph on its own texture spot: page = glyph % 2, u0 = glyph / 1000.
  static void PlaceGlyphs() {
    for (int g = 0; g < GLYPH_COUNT; ++g) {
      Glyphs[g].fontPage = static_cast<uint8_t>(g % 2);
      Glyphs[g].u0 = float(g) / 1000.0f;
      Glyphs[g].u1 = Glyphs[g].u0 + 0.01f;
      Glyphs[g].v0 = 0.25f;
      Glyphs[g].v1 = 0.5f;
    }
  }
  static const std::vector<TextBatchItem>& Items() { return InterfaceTextBatch.items; }
  // The characters the queued items show, in order (cached or waiting glyphs as "#").
  static std::string Shown() {
    std::string s;
    for (const TextBatchItem& item : Items())
      s += item.texturePage < FONT_TEXTURE_PAGES ? static_cast<char>(item.glyph + FIRST_CODE) : '#';
    return s;
  }
};

}  // namespace

TEST_F(TextDraw, GlyphsAreBoxedOnTheirFontPageAndKerned) {
  const float size = 0.1f;
  const float end = DrawText("A V", GREY, 0.5f, -0.25f, size, 0);
  ASSERT_EQ(Shown(), "AV") << "the space takes room and draws nothing";
  const TextBatchItem& a = Items()[0];
  EXPECT_EQ(a.texturePage, Glyph('A') % 2);
  EXPECT_EQ(a.glyph, Glyph('A'));
  EXPECT_EQ(a.colour, GREY);
  EXPECT_FLOAT_EQ(a.x0, 0.5f - MARGIN * size);
  EXPECT_FLOAT_EQ(a.x1, 0.5f + (FIXED_GLYPH_WIDTH + MARGIN) * size);
  EXPECT_FLOAT_EQ(a.y0, -0.25f + size * 3.0f / 23.0f) << "the box starts 3/23 of the size below y";
  EXPECT_FLOAT_EQ(a.y1 - a.y0, size * 20.0f / 23.0f) << "and is 20/23 high for a glyph one cell high";
  EXPECT_FLOAT_EQ(end, 0.5f + TextWidth("A V", 0, size));

  EmptyTextBatches();
  DrawText("AV", GREY, 0.0f, 0.0f, size, 0);
  ASSERT_EQ(Items().size(), 2u);
  EXPECT_FLOAT_EQ(Items()[1].x0 - Items()[0].x0, LETTER * size - 3 * KERNING_STEP * size)
      << "\"AV\" is 3 steps of 0.025 x size closer than its advances";

  EmptyTextBatches();
  TextSizeFactor = 2.0f;
  TextHorizontalScale = 0.5f;
  DrawText("A", GREY, 0.0f, 0.0f, size, 0);
  EXPECT_FLOAT_EQ(Items()[0].x1 - Items()[0].x0, (FIXED_GLYPH_WIDTH + 2 * MARGIN) * size) << "x: 2 x 0.5";
  EXPECT_FLOAT_EQ(Items()[0].y1 - Items()[0].y0, 2 * size * 20.0f / 23.0f) << "y: the factor alone";
}

TEST_F(TextDraw, CaretCodesColourAndSwitchCodePages) {
  const std::string kanji = "\x93\xFA";
  DrawText(("a^1b^2c^8d^Je" + kanji + "^:" + kanji + "^").c_str(), GREY, 0, 0, 1, 0);
  ASSERT_EQ(Shown(), "abcde#\x93\xFA^") << "Japanese after ^J, two Latin 1 bytes after ^:, a caret at the end";
  EXPECT_EQ(Items()[0].colour, GREY);
  EXPECT_EQ(Items()[1].colour, RED) << "^1";
  EXPECT_EQ(Items()[2].colour, 0xFF00FF00u) << "^2";
  EXPECT_EQ(Items()[3].colour, GREY) << "^8 back to the starting colour";
  EXPECT_EQ(Items()[5].texturePage, TEXT_PAGE_WAITING) << "not in the glyph cache yet";
  EXPECT_EQ(Items()[5].glyph, CACHE_LOCATION_NONE);
  EXPECT_EQ(Items()[5].pixelWidth, FIXED_DOUBLE_BYTE_PIXELS);
  EXPECT_FLOAT_EQ(Items()[5].x1 - Items()[5].x0, 56.0f / 64.0f);
  EXPECT_FLOAT_EQ(Items()[5].y0, 0.0f) << "the stand-in page's box starts at y";
  EXPECT_FLOAT_EQ(Items()[5].y1, 20.0f / 23.0f);
  EXPECT_EQ(NumGlyphCacheRequests(), 1) << "its glyph is asked for";

  EmptyTextBatches();
  TextDrawCursor = TEXT_CURSOR_SHADOW;
  DrawText("a^1b^7c", 0xFF000000u, 0, 0, 1, 0);
  for (const TextBatchItem& item : Items()) EXPECT_EQ(item.colour, 0xFF000000u) << "a shadow keeps its colour";
  EXPECT_EQ(TextDrawCursor, TEXT_CURSOR_SHADOW) << "left to the caller";
}

TEST_F(TextDraw, AccentsSitOverTheirGlyphAndThePlainBoxHasNone) {
  CodePageRecords[0].entries[Glyph('E')] = CharacterEntry{uint16_t(Glyph('E')), 200, 1};  // a capital's accent
  CodePageRecords[0].entries[Glyph('e')] = CharacterEntry{uint16_t(Glyph('e')), 201, 0};
  DrawText("Ee", WHITE, 0, 0, 1, 0);
  ASSERT_EQ(Items().size(), 4u);
  EXPECT_EQ(Items()[1].glyph, 200);
  EXPECT_FLOAT_EQ(Items()[1].x0, Items()[0].x0) << "at the same x";
  EXPECT_FLOAT_EQ(Items()[1].y0, 0.0f) << "a capital's accent at the given y";
  EXPECT_EQ(Items()[3].glyph, 201);
  EXPECT_FLOAT_EQ(Items()[3].y0, 3.0f / 23.0f) << "a small letter's at the box";

  EmptyTextBatches();
  TextDrawCursor = TEXT_CURSOR_PLAIN_BOX;
  DrawText("Ee", WHITE, 0, 0, 1, 0);
  ASSERT_EQ(Shown(), "Ee");
  EXPECT_FLOAT_EQ(Items()[0].y0, 0.0f);
  EXPECT_FLOAT_EQ(Items()[0].y1, 1.0f) << "the full size from y";
}

TEST_F(TextDraw, TheCursorBlinksBeforeItsCharacterAndIsDrawnOnce) {
  const float b = DrawText("ab", WHITE, 0, 0, 1, 0);
  EmptyTextBatches();
  ProgramClock = 1499;
  TextDrawCursor = 1;
  DrawText("a^1bc", WHITE, 0, 0, 1, 0);
  EXPECT_EQ(Shown(), "|abc") << "byte 1 is the colour code: the cursor stands before b";
  EXPECT_FLOAT_EQ(Items()[0].x0, Items()[2].x0);
  EXPECT_EQ(Items()[0].colour, WHITE);
  EXPECT_EQ(TextDrawCursor, TEXT_CURSOR_NONE) << "consumed by the draw";

  EmptyTextBatches();
  DrawText("abc", WHITE, 0, 0, 1, 0);
  EXPECT_EQ(Shown(), "abc") << "no cursor without asking again";

  EmptyTextBatches();
  ProgramClock = 1500;
  TextDrawCursor = 1;
  DrawText("abc", WHITE, 0, 0, 1, 0);
  EXPECT_EQ(Shown(), "abc") << "hidden for the second half of each second";

  EmptyTextBatches();
  ProgramClock = 2000;
  TextDrawCursor = 2;
  DrawText("ab", WHITE, 0, 0, 1, 0);
  ASSERT_EQ(Shown(), "|ab");
  EXPECT_FLOAT_EQ(Items()[0].x0, b - MARGIN) << "after the last character";
}

TEST_F(TextDraw, TheCursorStopsBlinkingAndStandsShownTenSecondsAfterTheLastInput) {
  // The last key came at 3 s.  Up to 12.999 s the cursor blinks: hidden in the second half
  // of each second, and every drawn frame asks the blink tick for the next one.
  LastInputClock = 3000;
  ProgramClock = 12999;
  FrameChangesWithTime = 0;
  TextDrawCursor = 1;
  DrawText("ab", WHITE, 0, 0, 1, 0);
  EXPECT_EQ(Shown(), "ab") << "still blinking 9.999 s after the key: hidden at .999";
  EXPECT_EQ(FrameChangesWithTime, 1);
  // Shown while it blinks, it is marked to be drawn apart from the text (the blink then
  // changes no other draw).
  EmptyTextBatches();
  ProgramClock = 12400;
  TextDrawCursor = 1;
  DrawText("ab", WHITE, 0, 0, 1, 0);
  ASSERT_EQ(Shown(), "|ab");
  EXPECT_EQ(InterfaceTextBatch.blinkingCursors, std::vector<uint32_t>{0});

  // From 13 s on it stands shown whatever the phase, and asks for no frame.
  for (uint32_t at : {13000u, 13500u, 13999u, 60000u}) {
    EmptyTextBatches();
    ProgramClock = at;
    FrameChangesWithTime = 0;
    TextDrawCursor = 1;
    DrawText("ab", WHITE, 0, 0, 1, 0);
    EXPECT_EQ(Shown(), "|ab") << at;
    EXPECT_EQ(FrameChangesWithTime, 0) << at;
    EXPECT_TRUE(InterfaceTextBatch.blinkingCursors.empty()) << "standing, it is drawn with its text";
  }

  // A key brings the blinking back; the clock's wrap past 2^32 ms changes nothing.
  LastInputClock = 0xFFFFFF00u;
  ProgramClock = 600;  // 856 ms after the key
  EmptyTextBatches();
  FrameChangesWithTime = 0;
  TextDrawCursor = 1;
  DrawText("ab", WHITE, 0, 0, 1, 0);
  EXPECT_EQ(Shown(), "ab") << "600 ms into the clock's second: hidden";
  EXPECT_EQ(FrameChangesWithTime, 1);
}

TEST_F(TextDraw, ASelectionIsAHighlightToTheRightInsteadOfACursor) {
  TextDrawCursor = TextCursorWithSelection(1, 3);
  DrawText("abcd", WHITE, 0.5f, 0.25f, 1, 0);
  EXPECT_EQ(Shown(), "abcd");
  ASSERT_EQ(g_highlights.size(), 1u);
  EXPECT_FLOAT_EQ(g_highlights[0].x0, 0.5f + LETTER);
  EXPECT_FLOAT_EQ(g_highlights[0].x1, 0.5f + 3 * LETTER);
  EXPECT_FLOAT_EQ(g_highlights[0].y0, 0.25f);
  EXPECT_FLOAT_EQ(g_highlights[0].y1, 1.25f);

  TextDrawCursor = TextCursorWithSelection(3, 1);
  DrawText("abcd", WHITE, 0.5f, 0.25f, 1, 0);
  EXPECT_EQ(g_highlights.size(), 1u) << "the other end on the left adds none";
  TextDrawCursor = TextCursorWithSelection(2, 2);
  DrawText("abcd", WHITE, 0.5f, 0.25f, 1, 0);
  EXPECT_EQ(g_highlights.size(), 1u) << "both ends at one place add none";
}

TEST_F(TextDraw, TheCompositionIsDrawnAtTheCursorInItsColoursAndMovesTheRestRight) {
  const uint8_t attributes[] = {1, 3, 9};
  ImeComposition.open = 1;
  ImeComposition.text = "x^z";
  ImeComposition.attributes = attributes;
  ImeComposition.cursor = 2;
  ProgramClock = 700;  // the cursor does not blink while composing
  TextDrawCursor = 1;
  const float end = DrawText("ab", GREY, 0, 0, 1, 0);
  ASSERT_EQ(Shown(), "x^z|ab") << "a caret in the composition is a character";
  EXPECT_EQ(Items()[0].colour, COMPOSITION_COLOURS[1]);
  EXPECT_EQ(Items()[1].colour, COMPOSITION_COLOURS[3]);
  EXPECT_EQ(Items()[2].colour, 0xFF000000u) << "attributes of 5 and more are black";
  EXPECT_FLOAT_EQ(Items()[0].x0, LETTER - MARGIN) << "at the cursor, before b";
  EXPECT_FLOAT_EQ(Items()[3].x0, Items()[2].x0) << "its own cursor before its third byte";
  EXPECT_FLOAT_EQ(Items()[5].x0, 4 * LETTER - MARGIN) << "b moves right by the composition";
  EXPECT_FLOAT_EQ(end, 5 * LETTER);
  ASSERT_EQ(g_markers.size(), 1u);
  EXPECT_FLOAT_EQ(g_markers[0].x0, 4 * LETTER) << "the marker at its end";
}

TEST_F(TextDraw, WrappedTextCountsItsLinesAndTheProbeCountsCharacters) {
  const int lines = DrawTextRGB("aaaa bbbb cccc", 0, 1.0f, 1.5f, 255, 0, 0, 10, 0.0f, 5 * LETTER, 0.0f);
  EXPECT_EQ(lines, 3);
  EXPECT_EQ(WrapMaxLines, 0) << "wrapping is off again";
  ASSERT_EQ(Shown(), "aaaabbbbcccc");
  EXPECT_FLOAT_EQ(Items()[4].x0, -MARGIN);
  EXPECT_FLOAT_EQ(Items()[4].y0, 1.5f + 3.0f / 23.0f);
  EXPECT_EQ(Items()[8].colour, RED);
  EmptyTextBatches();
  EXPECT_EQ(DrawTextRGB("aaaa bbbb cccc", 0, 1.0f, 1.5f, 255, 0, 0, 2, 0.0f, 5 * LETTER, 0.0f), 2);
  EXPECT_EQ(Shown(), "aaaabbbb") << "drawing stops when the lines run out";

  // A wrapped text drawn in two calls: the second goes on counting the lines.
  EmptyTextBatches();
  WrapMaxLines = 2;
  WrapLineCount = 0;
  WrapWidth = 5 * LETTER;
  WrapLineHeight = 1.5f;
  DrawText("aaaa bbbb", WHITE, 0, 0, 1, 0);
  EXPECT_EQ(WrapLineCount, 1);
  DrawText("cccc dddd", WHITE, 0, 3.0f, 1, 0);
  EXPECT_EQ(Shown(), "aaaabbbbcccc");
  WrapMaxLines = 0;

  TextClickProbe = 1;
  TextClickProbeX = 2.4f * LETTER;
  DrawText("abcd", WHITE, 0, 0, 1, 0);
  EXPECT_EQ(TextClickProbeCount, 2) << "the middles of a and b lie left of the probe, c's does not";
  EXPECT_EQ(TextClickProbe, 0);
}

TEST_F(TextDraw, FittedTextCaptionsAndSingleCharacters) {
  const float full = TextWidth("abcdef", 0, 11.0f);
  DrawTextFitted("abcdef", 128, 255, 0, full / 2, 10.0f, 20.0f);
  ASSERT_EQ(Items().size(), 6u);
  EXPECT_NEAR(Items()[5].x1 - MARGIN * 5.5f - 10.0f, full / 2 - LetterSpacing * 5.5f, 1e-4) << "shrunk to fit";
  EXPECT_EQ(Items()[0].colour, 0xFF000000u | uint32_t(BrightnessTable[128]) << 16 | 0xFF00u);
  EXPECT_FLOAT_EQ(Items()[0].y0, 20.0f) << "the plain box";
  EXPECT_EQ(TextSizeFactor, 1.0f);
  EXPECT_EQ(TextDrawCursor, TEXT_CURSOR_NONE);

  EmptyTextBatches();
  const uint32_t savedFlags = CfgScreenFlags;
  CfgScreenFlags = CAPTION_SHADOW_BIT;
  DrawCentredCaption("a^1b", GREY);
  CfgScreenFlags = savedFlags;
  ASSERT_EQ(Items().size(), 4u);
  EXPECT_EQ(Items()[0].colour, 0xFF000000u);
  EXPECT_EQ(Items()[1].colour, 0xFF000000u) << "the shadow ignores colour codes";
  EXPECT_NEAR(Items()[0].x0 - Items()[2].x0, ShadowOffsetX, 1e-6);
  EXPECT_FLOAT_EQ(Items()[2].x0 + MARGIN * 0.12f, -LETTER * 0.12f) << "centred";
  EXPECT_FLOAT_EQ(Items()[2].y0, -0.61f + 0.12f * 3.0f / 23.0f);
  EXPECT_EQ(Items()[3].colour, RED);

  EmptyTextBatches();
  Glyphs[Glyph('Q')].numPoints = 1;
  DrawCharacter('Q', 255, 128, 0, 3.0f, 4.0f);
  DrawCharacter('R', 255, 128, 0, 3.0f, 4.0f);  // no points
  DrawCharacter(FIRST_CODE + GLYPH_COUNT, 255, 128, 0, 3.0f, 4.0f);  // past the glyphs
  DrawCharacter(FIRST_CODE - 1, 255, 128, 0, 3.0f, 4.0f);            // before them
  Glyphs[Glyph('Q')].numPoints = 0;
  ASSERT_EQ(Shown(), "Q");
  EXPECT_EQ(Items()[0].colour, 0xFFFF0000u | uint32_t(BrightnessTable[128]) << 8);
  EXPECT_FLOAT_EQ(Items()[0].y0, 4.5f + 11.0f * 3.0f / 23.0f);
  EXPECT_FLOAT_EQ(Items()[0].x1 - Items()[0].x0, (FIXED_GLYPH_WIDTH + 2 * MARGIN) * 11.0f);
}

// A value control's text, queued as the control is added: 0.85 of the control's height below
// 0.099, else 0.7; 0.15 of the height kept clear at the sides; the label's low bits align it.
// Each type's own size and room: the large text half as large again, the dark text 0.55 of a
// tall control, the narrow text 0.15 less room on the right, the fade text right-aligned, the
// character row half the height, and a label type with its full-height bit the whole height
// with no margin.
TEST_F(TextDraw, AValueControlsTextTakesTheSizeAndPlaceOfItsType) {
  struct Case {
    DisplayType type;
    intptr_t label;
    float height, size;
    int align;  // 0 centred, 1 left, 2 right
    float right = 1.0f, margin = -1.0f;  // margin -1: 0.15 of the height
  };
  const Case cases[] = {
      {VALUE_TYPE_TEXT, 0, 0.2f, 0.14f, 0},
      {VALUE_TYPE_TEXT, 1, 0.2f, 0.14f, 1},
      {VALUE_TYPE_TEXT, 2, 0.2f, 0.14f, 2},
      {VALUE_TYPE_TEXT, 3, 0.2f, 0.14f, 0},
      {VALUE_TYPE_BUTTON, 1, 0.2f, 0.14f, 1},
      {VALUE_TYPE_BIG_PANEL, 2, 0.2f, 0.14f, 2},
      {VALUE_TYPE_TEXT, 0, 0.098f, 0.0833f, 0},
      {VALUE_TYPE_TEXT, 0, 0.099f, 0.0693f, 0},
      {VALUE_TYPE_LARGE_TEXT, 0, 0.2f, 0.21f, 0},
      {VALUE_TYPE_DARK_TEXT, 0, 0.2f, 0.11f, 0},
      {VALUE_TYPE_DARK_TEXT, 0, 0.099f, 0.0693f, 0},
      {VALUE_TYPE_DARK_TEXT, 0, 0.05f, 0.0425f, 0},
      {VALUE_TYPE_NARROW_TEXT, 0, 0.2f, 0.14f, 0, 0.85f},
      {VALUE_TYPE_FADE_TEXT, 1, 0.2f, 0.14f, 2},
      {VALUE_TYPE_CHARACTER_ROW, 0, 0.2f, 0.1f, 0},
      {VALUE_TYPE_LABEL, 0x11, 0.2f, 0.2f, 1, 1.0f, 0.0f},
      {VALUE_TYPE_LABEL, 0x01, 0.2f, 0.14f, 1},
  };
  Prss owner{};
  for (const Case& c : cases) {
    ResetInterfaceState();
    EmptyTextBatches();
    CurrentTextBatch = &InterfaceTextBatch;
    AddValueControl(&owner, nullptr, IvText("A"), IvInt(0), IvInt(c.label), c.type, nullptr, nullptr, 0.0f, 0.0f, 1.0f,
                    c.height);
    const std::string what = "type " + std::to_string(c.type) + " label " + std::to_string(c.label) + " height " +
                             std::to_string(c.height);
    ASSERT_EQ(Items().size(), 1u) << what;
    const TextBatchItem& a = Items()[0];
    const float size = (a.y1 - a.y0) * 23.0f / 20.0f;  // a glyph's box is 20/23 of the size high
    EXPECT_NEAR(size, c.size, 1e-5f) << what;
    const float width = LETTER * c.size;
    const float margin = c.margin < 0.0f ? 0.15f * c.height : c.margin;
    const float x = c.align == 1 ? margin : c.align == 2 ? c.right - margin - width : 0.5f * (c.right - width);
    EXPECT_NEAR(a.x0 + MARGIN * size, x, 1e-5f) << what;
    EXPECT_NEAR(a.y0 - size * 3.0f / 23.0f, 0.5f * (c.height - size), 1e-5f) << what << ": centred upright";
  }
  ResetInterfaceState();
}

// A code-list control (VALUE_TYPE_CHARACTER_BITS) shows the character of each bit set in its minimum field,
// "0" for bit 0 up to "9", then "A" for bit 10, spaced evenly a quarter into each share.
TEST_F(TextDraw, ACodeListControlShowsACharacterPerSetBit) {
  ResetInterfaceState();
  EmptyTextBatches();
  CurrentTextBatch = &InterfaceTextBatch;
  Prss owner{};
  AddValueControl(&owner, nullptr, IvInt(1 | 4 | 1024), IvInt(1), IvInt(0), VALUE_TYPE_CHARACTER_BITS, nullptr, nullptr,
                  0.0f, 0.0f, 1.2f, 0.2f);
  EXPECT_EQ(Shown(), "02A");
  ASSERT_EQ(Items().size(), 3u);
  const float size = 0.1f;  // the cells are half the control's height
  EXPECT_NEAR(Items()[1].x0 + MARGIN * size, 1.2f * 1.25f / 3.0f, 1e-5f);
  ResetInterfaceState();
}

// A character cell (type 60 without its text bits) shows the glyph of its minimum field: the
// last glyph is shown, one past it or below the first is not.
TEST_F(TextDraw, ACharacterCellShowsOnlyAGlyphOfTheSet) {
  ResetInterfaceState();
  EmptyTextBatches();
  CurrentTextBatch = &InterfaceTextBatch;
  Prss owner{};
  for (const int glyph : {GLYPH_COUNT - 1, GLYPH_COUNT, -1})
    AddValueControl(&owner, nullptr, IvInt(glyph), IvInt(0), IvInt(0), VALUE_TYPE_CHARACTER_CELL, nullptr, nullptr,
                    0.0f, 0.0f, 0.1f, 0.1f);
  ASSERT_EQ(Items().size(), 1u);
  EXPECT_EQ(Items()[0].glyph, GLYPH_COUNT - 1);
  ResetInterfaceState();
}

// A colour control (VALUE_TYPE_COLOUR_SWATCH) shows its three channel values, red first, on one line at the
// text size of its height (0.7 x 0.5): one above the other they would stand 0.3 x 0.5 high,
// too small to read in a row.
TEST_F(TextDraw, AColourControlShowsItsThreeChannelsRedFirst) {
  ResetInterfaceState();
  EmptyTextBatches();
  CurrentTextBatch = &InterfaceTextBatch;
  Prss owner{};
  ColourWord colour = RgbWord(12, 34, 56);
  AddValueControl(&owner, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_COLOUR_SWATCH, &colour, nullptr, 0.0f, 0.0f,
                  1.0f, 0.5f);
  EXPECT_EQ(Shown(), "123456");
  ASSERT_EQ(Items().size(), 6u);
  EXPECT_LT(Items()[1].x1, Items()[2].x0) << "red left of green";
  EXPECT_LT(Items()[3].x1, Items()[4].x0) << "green left of blue";
  for (const TextBatchItem& item : Items()) {
    EXPECT_EQ(item.y0, Items()[0].y0) << "one line";
    EXPECT_GT(item.y1 - item.y0, 0.3f * 0.5f);
  }
  ResetInterfaceState();
}

TEST_F(TextDraw, TheFlushDrawsOnePassPerPageWithGlyphAndCacheCoordinates) {
  ASSERT_EQ(LoadTestImage(TestCharset().Build()), 1);  // a glyph page for one lead byte
  UseFixedWidthCharacterSet();
  PlaceGlyphs();
  NumGlyphCachePages = 3;
  DrawText("ab", WHITE, 0.0f, 0.0f, 0.5f, 0);  // a on page 1, b on page 0
  TextBatchItem cached{};
  cached.texturePage = GLYPH_CACHE_FIRST_TEXTURE_PAGE + 2;
  cached.glyph = 2 * 64 + 9;  // row 1, column 1
  cached.pixelWidth = 32;
  cached.x1 = cached.y1 = 0.5f;
  cached.colour = WHITE;
  QueueTextItem(InterfaceTextBatch, cached);
  TextBatchItem waiting = cached;
  waiting.texturePage = TEXT_PAGE_WAITING;
  waiting.glyph = CACHE_LOCATION_NONE;
  waiting.glyphPage = 0;
  waiting.slot = 0;
  QueueTextItem(InterfaceTextBatch, waiting);
  QueueTextItem(InterfaceTextBatch, waiting);
  GlyphPages[0].slots[0].cacheLocation = 64 + 3;  // cached since: cache page 1, cell 3
  waiting.slot = 1;  // and one still waiting
  QueueTextItem(InterfaceTextBatch, waiting);

  Draw2D& l = Draw2DList;
  DrawTextBox(InterfaceTextBatch);
  EXPECT_TRUE(Items().empty());
  ASSERT_EQ(l.counters.batchCount, 5u) << "background, font pages 0 and 1, cache pages 1 and 2";
  char name[24];
  const int pages[4] = {0, 1, 7, 8};
  for (int i = 0; i < 4; ++i) {
    TextPageTextureName(pages[i], name, sizeof name);
    ASSERT_NE(l.batches[i + 1].material->texture, nullptr);
    EXPECT_STREQ(l.batches[i + 1].material->texture->name, name);
    // Glyphs are blended (alpha mode 2), with a white shine colour.
    EXPECT_EQ(l.batches[i + 1].material->params.alphaMode, 2) << name;
    EXPECT_EQ(l.batches[i + 1].material->params.shineGreen, 0xFF) << name;
  }
  EXPECT_STREQ(l.batches[3].material->texture->name, "CACHE1_AON");
  EXPECT_EQ(l.batches[3].vertexCount, 8u) << "both items cached since";
  EXPECT_EQ(l.batches[4].vertexCount, 4u);
  const Draw2DVertex* b = &l.vertices[l.batches[1].firstVertex];
  EXPECT_FLOAT_EQ(b[0].u, Glyphs[Glyph('b')].u0);
  EXPECT_FLOAT_EQ(b[0].v, 0.25f);
  EXPECT_FLOAT_EQ(b[2].u, Glyphs[Glyph('b')].u1);
  EXPECT_FLOAT_EQ(b[2].v, 0.5f);
  EXPECT_FLOAT_EQ(b[0].x, (LETTER - MARGIN) * 0.5f) << "through the full-screen window";
  const Draw2DVertex* c = &l.vertices[l.batches[4].firstVertex];
  EXPECT_FLOAT_EQ(c[0].u, 0.125f);
  EXPECT_FLOAT_EQ(c[0].v, 0.125f);
  EXPECT_FLOAT_EQ(c[2].u, 0.125f + 32.0f / 512.0f);
  EXPECT_FLOAT_EQ(c[2].v, 0.125f + 62.0f / 512.0f);
  EXPECT_FLOAT_EQ(l.vertices[l.batches[3].firstVertex].u, 3 * 0.125f);
  NumGlyphCachePages = 0;
  FreeCharacterSet();
}

// After the glyphs, a gauge's quads and hub circles go into one untextured batch: a quad's
// corners in order as two triangles, a circle as a fan of 24 triangles about its centre that
// closes back on its first rim point at angle 0.
TEST_F(TextDraw, GaugeQuadsAndHubCirclesAreDrawnAsTrianglesAfterTheGlyphs) {
  EmptyTextBatches();
  GaugeQuad quad{};
  const float xs[4] = {0.0f, 0.4f, 0.4f, 0.0f}, ys[4] = {0.0f, 0.0f, 0.2f, 0.2f};
  for (int i = 0; i < 4; ++i) {
    quad.x[i] = xs[i];
    quad.y[i] = ys[i];
  }
  quad.colour = 0xFFFF0000u;
  ASSERT_TRUE(AddGaugeQuad(InterfaceTextBatch, quad));
  ASSERT_TRUE(AddHubCircle(InterfaceTextBatch, HubCircle{0.5f, -0.5f, 0.1f, 0.2f, 0xFF00FF00u, 0}));
  Draw2D& l = Draw2DList;
  DrawTextBox(InterfaceTextBatch);
  ASSERT_GE(l.counters.batchCount, 1u);
  const Draw2DBatch& shapes = l.batches[l.counters.batchCount - 1];  // the last, no glyph before it
  ASSERT_EQ(shapes.vertexCount, 4u + 1u + 24u);
  ASSERT_EQ(shapes.triangleCount, 2u + 24u);
  const Draw2DTriangle* t = &l.triangles[shapes.firstTriangle];
  const Draw2DVertex* v = &l.vertices[shapes.firstVertex];
  const uint32_t expected[5][3] = {{0, 1, 2}, {2, 3, 0}, {4, 5, 6}, {4, 6, 7}, {4, 28, 5}};
  const int at[5] = {0, 1, 2, 3, 25};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(t[at[k]].a, expected[k][0]) << "triangle " << at[k];
    EXPECT_EQ(t[at[k]].b, expected[k][1]) << "triangle " << at[k];
    EXPECT_EQ(t[at[k]].c, expected[k][2]) << "triangle " << at[k];
  }
  // Through the full-screen window x stays and y turns over.
  EXPECT_FLOAT_EQ(v[2].x, 0.4f);
  EXPECT_FLOAT_EQ(v[2].y, -0.2f);
  EXPECT_FLOAT_EQ(v[4].x, 0.5f) << "the centre";
  EXPECT_FLOAT_EQ(v[5].x, 0.6f) << "the first rim point, radius x to the right";
  EXPECT_FLOAT_EQ(v[5].y, 0.5f);
  EXPECT_NEAR(v[11].x, 0.5f, 1e-6f) << "a quarter round (6 of 24)";
  EXPECT_NEAR(std::fabs(v[11].y - v[4].y), 0.2f, 1e-6f) << "radius y from the centre";
  EXPECT_EQ(InterfaceTextBatch.quadCount, 0);
  EXPECT_EQ(InterfaceTextBatch.circleCount, 0);
}

TEST_F(TextDraw, SlantedAndFadedModesMoveCutAndFadeEdges) {
  GlyphMode = GLYPH_MODE_SLANTED;
  TextSlantLine = 0.5f;
  TextSlantFactor = 0.25f;
  DrawText("a", WHITE, 0.0f, -0.5f, 1.0f, 0);
  GlyphMode = GLYPH_MODE_FADED;
  DrawText("b", 0x80FFFFFFu, 0.0f, -0.35f, 0.23f, 0);  // box from -0.32 to -0.12
  DrawText("c", WHITE, 0.0f, 0.6f, 0.23f, 0);          // box from 0.63 to 0.83
  DrawText("d", WHITE, 0.0f, 2.0f, 0.23f, 0);          // below the panel: gone
  GlyphMode = GLYPH_MODE_PLAIN;
  const TextBatchItem a = Items()[0];
  DrawTextBox(InterfaceTextBatch);
  Draw2D& l = Draw2DList;
  ASSERT_EQ(l.counters.batchCount, 3u);
  const Draw2DVertex* v = &l.vertices[l.batches[2].firstVertex];  // page 1: a and c
  ASSERT_EQ(l.batches[2].vertexCount, 8u);
  EXPECT_FLOAT_EQ(v[0].x, a.x0 + (0.5f - a.y0) * 0.25f);
  EXPECT_FLOAT_EQ(v[3].x, a.x0 + (0.5f - a.y1) * 0.25f);
  EXPECT_FLOAT_EQ(v[4].y, -0.63f);
  EXPECT_EQ(v[4].colour >> 24, 0xFFu);
  EXPECT_EQ(v[6].colour >> 24, uint32_t(255 * 0.4f + 0.5f)) << "0.83 is two fifths of the way out of the ramp";
  const Draw2DVertex* w = &l.vertices[l.batches[1].firstVertex];  // page 0: b
  ASSERT_EQ(l.batches[1].vertexCount, 4u);
  EXPECT_FLOAT_EQ(w[0].y, 0.2f) << "cut at -0.2 (y up in clip space)";
  EXPECT_EQ(w[0].colour >> 24, 0u);
  EXPECT_FLOAT_EQ(w[0].v, 0.25f + 0.25f * 0.12f / 0.2f) << "v cut in proportion";
  EXPECT_EQ(w[2].colour >> 24, 0x80u);
}

TEST_F(TextDraw, FadedTextReachingPastThePanelBottomIsCutThere) {
  GlyphMode = GLYPH_MODE_FADED;
  DrawText("c", WHITE, 0.0f, 0.72f, 0.23f, 0);  // box from 0.75 to 0.95, the panel ends at 0.85
  GlyphMode = GLYPH_MODE_PLAIN;
  ASSERT_EQ(Items().size(), 1u);
  const TextBatchItem c = Items()[0];
  DrawTextBox(InterfaceTextBatch);
  Draw2D& l = Draw2DList;
  ASSERT_GE(l.counters.batchCount, 1u);
  const Draw2DBatch& batch = l.batches[l.counters.batchCount - 1];
  ASSERT_EQ(batch.vertexCount, 4u);
  const Draw2DVertex* v = &l.vertices[batch.firstVertex];
  EXPECT_FLOAT_EQ(v[0].y, -c.y0) << "the top stays (y up in clip space)";
  EXPECT_FLOAT_EQ(v[2].y, -0.85f) << "the bottom is cut at 0.85";
  EXPECT_FLOAT_EQ(v[3].y, -0.85f);
  EXPECT_FLOAT_EQ(v[0].v, 0.25f);
  // (0.85 - 0.75) / 0.2 = half the glyph's height is left: v from 0.25 to 0.25 + 0.25 / 2.
  EXPECT_NEAR(v[2].v, 0.375f, 1e-5f) << "v cut in proportion";
  EXPECT_NEAR(v[3].v, 0.375f, 1e-5f);
  EXPECT_EQ(v[2].colour >> 24, 0u) << "fully faded at the cut";
}

TEST_F(TextDraw, FadedItemsEndingOnTheCutsOrWithoutHeightAreLeftOut) {
  GlyphMode = GLYPH_MODE_FADED;
  DrawText("b", WHITE, 0.0f, 0.0f, 0.23f, 0);
  GlyphMode = GLYPH_MODE_PLAIN;
  ASSERT_EQ(Items().size(), 1u);
  TextBatchItem item = Items()[0];
  InterfaceTextBatch.items.clear();
  // The panel shows y from -0.2 to 0.85.
  const float spans[5][2] = {
      {-0.4f, -0.2f},  // ends on the top cut: gone
      {0.85f, 1.0f},   // starts on the bottom cut: gone
      {0.3f, 0.3f},    // no height: gone
      {-0.4f, -0.1f},  // reaches in past the top cut: kept
      {0.8f, 1.0f},    // starts above the bottom cut: kept
  };
  for (const auto& span : spans) {
    item.y0 = span[0];
    item.y1 = span[1];
    QueueTextItem(InterfaceTextBatch, item);
  }
  Draw2D& l = Draw2DList;
  DrawTextBox(InterfaceTextBatch);
  uint32_t corners = 0;
  for (uint32_t b = 1; b < l.counters.batchCount; ++b) corners += l.batches[b].vertexCount;  // past the background's
  EXPECT_EQ(corners, 8u) << "two glyphs of four corners";
}

TEST_F(TextDraw, PixelBatchesGoThroughTheStreamInDrawsOf5120Vertices) {
  for (int i = 0; i < 1300; ++i) {
    TextBatchItem item{};
    item.glyph = 2;
    item.x0 = 100.0f;
    item.x1 = 200.0f;
    item.y0 = 150.0f;
    item.y1 = 300.0f;
    item.colour = 0x80FF8040u;
    QueueTextItem(LabelTextBatch, item);
  }
  const uint32_t draws = Gfx.drawCalls;
  DrawTextPanel(LabelTextBatch);
  EXPECT_EQ(Gfx.drawCalls, draws + 2) << "1280 glyphs, then 20";
  EXPECT_TRUE(LabelTextBatch.items.empty());
  const std::vector<uint8_t> bytes = ReadBuffer(Stream2D.vertexBuffer->buffer);
  const Vertex2D first = VertexAt<Vertex2D>(bytes, 0);  // the last draw's, written from the start again
  EXPECT_FLOAT_EQ(first.x, 2.0f * 100.0f / 800.0f - 1.0f);
  EXPECT_FLOAT_EQ(first.y, 1.0f - 2.0f * 150.0f / 600.0f);
  EXPECT_EQ(first.colour, ApplyBrightnessTable(0x80FF8040u));
}

TEST_F(TextDraw, TextIn3DLiesAlongItsAxesAndIsMirroredWhenNotFacing) {
  const float origin[3] = {1.0f, 2.0f, 3.0f}, axisX[3] = {0.0f, 2.0f, 0.0f}, axisY[3] = {0.0f, 0.0f, -1.0f};
  const uint32_t draws = Gfx.drawCalls;
  DrawTextIn3D("^1a", 0x40FFFFFFu, 1, 0, origin, axisX, axisY);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  std::vector<uint8_t> bytes = ReadBuffer(StreamLines3D.vertexBuffer->buffer);
  VertexLine3D v = VertexAt<VertexLine3D>(bytes, 0);
  EXPECT_FLOAT_EQ(v.x, 1.0f);
  EXPECT_FLOAT_EQ(v.y, 2.0f - 2.0f * MARGIN);
  EXPECT_FLOAT_EQ(v.z, 3.0f - 3.0f / 23.0f);
  EXPECT_EQ(v.colour, 0x40FF0000u) << "the caret colour keeps the alpha";
  // The glyph's texture corners: u across the letter, v down it.
  EXPECT_FLOAT_EQ(v.u, Glyphs[Glyph('a')].u0);
  EXPECT_FLOAT_EQ(v.v, Glyphs[Glyph('a')].v0);
  EXPECT_FLOAT_EQ(VertexAt<VertexLine3D>(bytes, 2).u, Glyphs[Glyph('a')].u1);
  EXPECT_FLOAT_EQ(VertexAt<VertexLine3D>(bytes, 2).v, Glyphs[Glyph('a')].v1);
  EXPECT_FLOAT_EQ(VertexAt<VertexLine3D>(bytes, 1).y, 2.0f + 2.0f * (FIXED_GLYPH_WIDTH + MARGIN));
  // The glyph's two triangles take its four corners in turn: (0, 1, 2) and (2, 3, 0).
  const std::vector<uint8_t> indexBytes = ReadBuffer(StreamLines3D.indexBuffer->buffer);
  ASSERT_GE(indexBytes.size(), 12u);
  uint16_t index[6];
  std::memcpy(index, indexBytes.data(), sizeof index);
  const uint16_t a = index[0];
  EXPECT_EQ(std::vector<uint16_t>(index, index + 6),
            (std::vector<uint16_t>{a, uint16_t(a + 1), uint16_t(a + 2), uint16_t(a + 2), uint16_t(a + 3), a}));

  DrawTextIn3D("a", WHITE, 0, 0, origin, axisX, axisY);
  bytes = ReadBuffer(StreamLines3D.vertexBuffer->buffer);
  EXPECT_FLOAT_EQ(VertexAt<VertexLine3D>(bytes, 0).y, 2.0f + 2.0f * MARGIN);
  EXPECT_FLOAT_EQ(VertexAt<VertexLine3D>(bytes, 1).y, 2.0f - 2.0f * (FIXED_GLYPH_WIDTH + MARGIN));
  EXPECT_TRUE(Text3DBatch.items.empty());
}

TEST_F(TextDraw, ReadoutsUseTheDashboardDigitsRightAlignedWithTheUnitBelow) {
  EXPECT_STREQ(SpeedReadoutText(10.0f, 0).number, "\x93\x96") << "36 km/h as codes 147, 150";
  EXPECT_STREQ(SpeedReadoutText(10.0f, 0).unit, "km/h");
  EXPECT_STREQ(SpeedReadoutText(10.0f, 1).number, "\x92\x92") << "22 mph";
  EXPECT_STREQ(SpeedReadoutText(1000.0f, 0).number, "\x99\x99\x99") << "clamped to 999";
  EXPECT_STREQ(SpeedReadoutText(-5.0f, 0).number, "\x90");
  EXPECT_STREQ(SpeedReadoutText(std::nanf(""), 0).number, "\x90") << "no \"nan\" in dashboard glyphs";
  EXPECT_STREQ(PressureReadoutText(1.5f, 0).number, "\x91\x8E\x95\x90") << "1.50: the point is code 142";
  EXPECT_STREQ(PressureReadoutText(-20.0f, 0).number, "\x8D\x99\x8E\x99\x99") << "-9.99: the minus is code 141";
  EXPECT_STREQ(PressureReadoutText(2.0f, 1).number, "\x92\x99\x8E\x94") << "29.4 psi";
  EXPECT_STREQ(PressureReadoutText(10.0f, 1).unit, "psi");

  // A glyph narrowed to a cell keeps its height and its left edge.
  EmptyTextBatches();
  QueueGlyph('W' - FIRST_CODE, 10.0f, 0.0f, 4.0f, WHITE);
  QueueGlyphNarrowed('W' - FIRST_CODE, 10.0f, 0.0f, 4.0f, 0.5f, WHITE);
  ASSERT_EQ(Items().size(), 2u);
  EXPECT_NEAR(Items()[1].x1 - Items()[1].x0, 0.5f * (Items()[0].x1 - Items()[0].x0), 1e-5f);
  EXPECT_FLOAT_EQ(Items()[1].y1 - Items()[1].y0, Items()[0].y1 - Items()[0].y0);
  EXPECT_NEAR(Items()[1].x0 - 10.0f, 0.5f * (Items()[0].x0 - 10.0f), 1e-5f);
  EmptyTextBatches();
  constexpr float READOUT_SIZE = 10.0f;
  DrawReadoutInt(10.0f, 0, 70.0f, 50.0f, 30.0f, READOUT_SIZE, WHITE);
  ASSERT_EQ(Items().size(), 6u) << "two digits and \"km/h\"";
  EXPECT_EQ(Items()[0].glyph, 147 - FIRST_CODE);
  EXPECT_NEAR(Items()[1].x0 + (FIXED_GLYPH_WIDTH + 1.0f / 12.0f + MARGIN) * READOUT_SIZE, 100.0f, 1e-4)
      << "the last digit's advance ends at the right edge";
  EXPECT_EQ(Items()[2].glyph, Glyph('k'));
  EXPECT_FLOAT_EQ(Items()[2].y0, 60.0f + 4.1f * 3.0f / 23.0f) << "the unit below, at 0.41 of the size";
  EXPECT_NEAR(Items()[5].x1 - MARGIN * 4.1f + LetterSpacing * 4.1f, 100.0f, 1e-4);
}

TEST_F(TextDraw, PressureReadoutsHoldAtTheirWidestNumbers) {
  // 10 bar is 147 psi: held at 99.9; -10 bar at -99.9; 20 bar at 9.99 (codes 96 above ASCII).
  EXPECT_STREQ(PressureReadoutText(10.0f, 1).number, "\x99\x99\x8E\x99");
  EXPECT_STREQ(PressureReadoutText(-10.0f, 1).number, "\x8D\x99\x99\x8E\x99");
  EXPECT_STREQ(PressureReadoutText(20.0f, 0).number, "\x99\x8E\x99\x99");
  EXPECT_STREQ(PressureReadoutText(std::nanf(""), 0).number, "\x90\x8E\x90\x90") << "0.00";
}

TEST_F(TextDraw, ThePressureReadoutIsDrawnAtItsBoxWithItsUnitBelow) {
  // 1.5 bar is "1.50" in the dashboard digits (codes 145, 142, 149, 144), then "bar" below.
  constexpr float READOUT_SIZE = 10.0f;
  EmptyTextBatches();
  DrawReadoutDec(1.5f, 0, 70.0f, 50.0f, 30.0f, READOUT_SIZE, WHITE);
  ASSERT_EQ(Items().size(), 7u) << "four codes and \"bar\"";
  EXPECT_EQ(Items()[0].glyph, 145 - FIRST_CODE);
  EXPECT_EQ(Items()[3].glyph, 144 - FIRST_CODE);
  EXPECT_EQ(Items()[4].glyph, Glyph('b'));
  EXPECT_FLOAT_EQ(Items()[4].y0, 60.0f + 4.1f * 3.0f / 23.0f) << "the unit below, at 0.41 of the size";
  EXPECT_NEAR(Items()[6].x1 - MARGIN * 4.1f + LetterSpacing * 4.1f, 100.0f, 1e-4) << "ending at x + width";
}

TEST_F(TextDraw, RawCodesSkipControlBytesAndABlankOnlyMovesOn) {
  // The fixed-width set's blank advances 0.25 + 1/12 at size 1.
  constexpr float BLANK = FIXED_SPACE_WIDTH + 1.0f / 12.0f;
  EXPECT_FLOAT_EQ(RawCodesWidth(" ", 2.0f), 2.0f * BLANK) << "the blank has its width";
  EXPECT_FLOAT_EQ(RawCodesWidth("\x1F", 2.0f), 0.0f) << "below the first code: nothing";
  EXPECT_FLOAT_EQ(RawCodesWidth(nullptr, 2.0f), 0.0f);
  EmptyTextBatches();
  DrawRawCodes("\x1F a", 10.0f, 0.0f, 2.0f, WHITE);
  ASSERT_EQ(Items().size(), 1u) << "only the letter is queued";
  EXPECT_EQ(Items()[0].glyph, Glyph('a'));
  EmptyTextBatches();
  QueueGlyph(Glyph('a'), 10.0f + 2.0f * BLANK, 0.0f, 2.0f, WHITE);
  ASSERT_EQ(Items().size(), 1u);
  const float expected = Items()[0].x0;
  EmptyTextBatches();
  DrawRawCodes("\x1F a", 10.0f, 0.0f, 2.0f, WHITE);
  EXPECT_FLOAT_EQ(Items()[0].x0, expected) << "after one blank's advance, none for the control byte";
}

TEST_F(TextDraw, TextInABoxWrapsAcrossThePanelAtMostTenLinesOverABoxThatItLeavesBelow) {
  PanelLayoutIndex = 0;
  const PanelLayout& panel = CurrentPanelLayout();
  const float size = 0.05f;
  float y = 0.1f;
  EXPECT_EQ(DrawTextInBox("ab cd", 0, &y, size), 1);
  EXPECT_FLOAT_EQ(y, 0.1f + size) << "y moves below the one line";
  ASSERT_FALSE(Items().empty());
  EXPECT_FLOAT_EQ(Items()[0].x0, panel.labelX1 - MARGIN * size);
  EXPECT_EQ(Items()[0].colour, 0xFF000000u | ColourRed(TextColours.lightText) << 16 |
                                   ColourGreen(TextColours.lightText) << 8 | ColourBlue(TextColours.lightText));
  EXPECT_EQ(WrapMaxLines, 0) << "wrapping is off again";

  EmptyTextBatches();
  std::string longText;
  for (int i = 0; i < 400; ++i) longText += "word ";
  y = -0.8f;
  EXPECT_EQ(DrawTextInBox(longText.c_str(), 0, &y, size), TEXT_BOX_MAX_LINES);
  EXPECT_FLOAT_EQ(y, -0.8f + TEXT_BOX_MAX_LINES * size);
  float lowest = -1.0f;
  for (const TextBatchItem& item : Items()) {
    EXPECT_LE(item.x0, panel.labelX2) << "inside the panel's width";
    lowest = std::max(lowest, item.y0);
  }
  EXPECT_LT(lowest, y) << "no glyph below the box";

  FlushInterfaceBatch();
  const Draw2D& l = Draw2DList;
  const Draw2DBatch& boxes = l.batches[l.counters.batchCount - 1];
  ASSERT_EQ(boxes.vertexCount, 8u) << "one box per text";
  const Draw2DVertex* v = &l.vertices[boxes.firstVertex + 4];
  float x0 = 1, x1 = -1, y0 = 1, y1 = -1;
  for (int i = 0; i < 4; ++i) {
    x0 = std::min(x0, v[i].x), x1 = std::max(x1, v[i].x);
    y0 = std::min(y0, -v[i].y), y1 = std::max(y1, -v[i].y);  // clip space runs up
  }
  EXPECT_FLOAT_EQ(x0, panel.labelX1);
  EXPECT_FLOAT_EQ(x1, panel.labelX2);
  EXPECT_FLOAT_EQ(y0, -0.8f);
  EXPECT_FLOAT_EQ(y1, y);
  EXPECT_EQ(v[0].colour & 0xFF000000u, TEXT_BOX_COLOUR & 0xFF000000u);
}

// What the frame's record keeps of a drawn text: its runs of one colour (the cursor no part of
// them), its glyphs' cell height in pixels and their squeeze; a text drawn into another
// texture is a picture's and is left out.  With the ink hidden the glyphs are not drawn and
// the text is still recorded.
TEST_F(TextDraw, TheRecordHoldsATextsColouredRunsCellAndSqueezeWhetherOrNotItsInkIsDrawn) {
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight, savedRecording = DrawRecording;
  ScreenWidth = 800, ScreenHeight = 600;
  DrawRecording = 1;
  ResetDrawRecord();
  TextHorizontalScale = 0.75f;  // square glyphs on a 4:3 screen
  ProgramClock = 2000;
  TextDrawCursor = 1;
  DrawText("a^1bc", WHITE, 0.0f, 0.0f, 0.23f, 0);  // 69 pixels: cells of 60
  TextHorizontalScale = 0.375f;                    // squeezed to half
  DrawText("d", GREY, 0.0f, 0.5f, 0.23f, 0);
  ZKTETexture picture{};
  RenderTargets.renderTexture = &picture;  // a dashboard's texture
  DrawText("120", WHITE, 0.0f, -0.5f, 0.23f, 0);
  RenderTargets.renderTexture = nullptr;
  Draw2D& l = Draw2DList;
  TextInkHidden = 1;
  DrawTextBox(InterfaceTextBatch);
  TextInkHidden = 0;
  EXPECT_EQ(l.counters.triangleCount, 0u) << "no glyph drawn";
  ASSERT_EQ(DrawRecord.size(), 2u) << "the dashboard's text is its picture's";
  const DrawRecordEntry& e = DrawRecord[0];
  EXPECT_EQ(e.text, "a^1bc");
  EXPECT_NEAR(e.glyphHeight, 60.0f, 1e-3f);
  EXPECT_NEAR(e.squeeze, 1.0f, 1e-4f);
  ASSERT_EQ(e.spans.size(), 2u) << "white a, red bc; the white cursor is left out";
  EXPECT_EQ(e.spans[0].colour, WHITE);
  EXPECT_EQ(e.spans[0].glyphs, 1);
  EXPECT_EQ(e.spans[1].colour, RED);
  EXPECT_EQ(e.spans[1].glyphs, 2);
  // The runs lie over the glyphs' widths, 69 pixels a cell across: "a" from x 400, "b" one
  // letter (with its spacing) further.
  EXPECT_NEAR(e.left, 400.0f, 1e-3f);
  EXPECT_NEAR(e.spans[0].right, 400.0f + FIXED_GLYPH_WIDTH * 69.0f, 0.01f);
  EXPECT_NEAR(e.spans[1].left, 400.0f + LETTER * 69.0f, 0.01f);
  EXPECT_FLOAT_EQ(e.spans[1].right, e.right);
  EXPECT_NEAR(DrawRecord[1].squeeze, 0.5f, 1e-4f);
  DrawTextBox(InterfaceTextBatch);
  // A halo queued before a text is its glyphs at the eight offsets of a disc a step wide, in
  // the halo's colour with the text's colour codes ignored: a backing, so no text of the
  // record, and drawn while the ink is hidden too.
  l.StartBatch(nullptr);  // the background's room is taken with the list's first batch
  l.EndBatch();
  for (const int hidden : {1, 0}) {
    ResetDrawRecord();
    TextHorizontalScale = 0.75f;
    DrawTextHalo("a^1b", BLACK, 0.0f, 0.0f, 0.23f, 0, 0.01f);
    DrawText("a^1b", WHITE, 0.0f, 0.0f, 0.23f, 0);
    ASSERT_EQ(InterfaceTextBatch.items.size(), 8u * 2u + 2u) << hidden;
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(InterfaceTextBatch.items[i].colour, BLACK) << i;
    TextInkHidden = hidden;
    const uint32_t before = l.counters.triangleCount;
    DrawTextBox(InterfaceTextBatch);
    TextInkHidden = 0;
    EXPECT_EQ(l.counters.triangleCount - before, 2u * (hidden ? 16u : 18u)) << hidden;
    ASSERT_EQ(DrawRecord.size(), 1u) << "the text alone";
    EXPECT_EQ(DrawRecord[0].text, "a^1b");
    EXPECT_EQ(DrawRecord[0].spans.size(), 2u);
  }
  ScreenWidth = savedWidth, ScreenHeight = savedHeight;
  DrawRecording = savedRecording;
  ResetDrawRecord();
}
