// text_measure_test.cpp - widths, kerning and the layout of coded text with word wrapping,
// on the fixed-width character set (letters 0.5 cell heights, the space 0.25, double-byte
// characters 56 pixels at 1/64).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/code_pages.h"
#include "ui/character_set.h"
#include "ui/text_measure.h"

namespace {

constexpr float LETTER = FIXED_GLYPH_WIDTH + 1.0f / 12.0f;  // advance of a letter at size 1
constexpr float SPACE = FIXED_SPACE_WIDTH + 1.0f / 12.0f;
constexpr float DOUBLE = 56.0f / 64.0f;
const std::string KANJI = "\x93\xFA";     // a Japanese character
const std::string COMMA = "\x81\x41";     // the ideographic comma: a break character

class TextMeasure : public ::testing::Test {
 protected:
  void SetUp() override {
    UseFixedWidthCharacterSet();
    for (int page = 0; page < CODE_PAGE_COUNT; ++page) SetCodePageHasFont(page, 1);
    TextSize = 11;
    TextSizeFactor = 1.0f;
    LetterSpacing = 1.0f / 12.0f;
    TextHorizontalScale = 1.0f;
    CurrentCodePage = 0;
  }
  void TearDown() override {
    SetUp();
    for (int page = 0; page < CODE_PAGE_COUNT; ++page) SetCodePageHasFont(page, !CODE_PAGES[page].doubleByte);
  }

  struct Laid {
    std::vector<TextPiece> pieces;
    TextLayoutResult result;
  };
  static Laid Lay(const std::string& text, const TextLayoutSettings& settings, float x = 0.0f, float y = 0.0f) {
    Laid laid;
    laid.pieces.resize(256);
    const int n = LayoutText(text.c_str(), x, y, settings, laid.pieces.data(), 256, &laid.result);
    laid.pieces.resize(static_cast<size_t>(n));
    return laid;
  }
  static TextLayoutSettings Wrapped(float width, int maxLines = 10) {
    TextLayoutSettings s;
    s.size = 1.0f;
    s.wrapWidth = width;
    s.wrapMaxLines = maxLines;
    s.wrapLineHeight = 2.0f;
    return s;
  }
  // The text each line holds, glyphs as their characters (double-byte glyphs as "#").
  static std::vector<std::string> Lines(const Laid& laid) {
    std::vector<std::string> lines;
    for (const TextPiece& p : laid.pieces) {
      if (p.kind == TEXT_PIECE_ACCENT) continue;
      const size_t line = static_cast<size_t>(p.y / 2.0f + 0.5f);
      if (lines.size() <= line) lines.resize(line + 1);
      lines[line] += p.kind == TEXT_PIECE_DOUBLE_BYTE ? '#' : static_cast<char>(p.glyph + FIRST_CODE);
    }
    return lines;
  }
};

}  // namespace

TEST_F(TextMeasure, GlyphsAdvanceByWidthAndLetterSpacingAndCodesTakeNoRoom) {
  EXPECT_FLOAT_EQ(TextWidth("123", 0, 1.0f), 3 * LETTER);
  EXPECT_FLOAT_EQ(TextWidth("1 2", 0, 2.0f), 2 * (2 * LETTER + SPACE));
  EXPECT_FLOAT_EQ(TextWidth("1^12^83^L4^95^:6^J7", 0, 1.0f), TextWidth("1234567", 0, 1.0f));
  EXPECT_FLOAT_EQ(TextWidth("", 0, 1.0f), 0.0f);
  EXPECT_FLOAT_EQ(TextWidth(nullptr, 0, 1.0f), 0.0f);
  EXPECT_FLOAT_EQ(TextWidth("a\tb\nc", 0, 1.0f), TextWidth("abc", 0, 1.0f));  // bytes below 32 skipped
  EXPECT_FLOAT_EQ(TextWidth("1^", 0, 1.0f), 2 * LETTER);    // a caret at the end shows
  EXPECT_FLOAT_EQ(TextWidth("1^^2", 0, 1.0f), 3 * LETTER);  // "^^" shows a caret
  EXPECT_FLOAT_EQ(TextWidth("^d^x", 0, 1.0f), 2 * LETTER);  // an escape and another letter show
  EXPECT_FLOAT_EQ(TextWidth("1^ 2", 0, 2.0f), 2 * (2 * LETTER + SPACE));  // a space after a caret shows too
  TextSizeFactor = 2.0f;
  EXPECT_FLOAT_EQ(TextWidth("12", 0, 1.0f), 4 * LETTER);
  TextSizeFactor = 1.0f;
  TextHorizontalScale = 0.5f;
  EXPECT_FLOAT_EQ(TextWidth("12", 0, 1.0f), LETTER);
}

TEST_F(TextMeasure, KerningPullsPairsTogether) {
  const float size = 0.1f;
  EXPECT_FLOAT_EQ(TextWidth("AV", 0, size), 2 * LETTER * size - 3 * KERNING_STEP * size);
  EXPECT_FLOAT_EQ(TextWidth("To", 0, 1.0f), 2 * LETTER - 3 * KERNING_STEP);
  EXPECT_FLOAT_EQ(TextWidth("A^1V", 0, 1.0f), TextWidth("AV", 0, 1.0f));  // codes keep the pair
  EXPECT_FLOAT_EQ(TextWidth("A V", 0, 1.0f), 2 * LETTER + SPACE);         // a space breaks it
  EXPECT_FLOAT_EQ(TextWidth("12", 0, 1.0f), 2 * LETTER);
  EXPECT_FLOAT_EQ(TextWidth("lj", 0, 1.0f), 2 * LETTER - 2 * KERNING_STEP);  // a letter in both classes
  EXPECT_EQ(KerningSteps(20, 0), 0);  // out of the table
  // A code page past the last is measured as the first.
  EXPECT_FLOAT_EQ(TextWidth("AV", CODE_PAGE_COUNT, 1.0f), TextWidth("AV", 0, 1.0f));
  EXPECT_FLOAT_EQ(TextWidth("AV", -1, 1.0f), TextWidth("AV", 0, 1.0f));
}

TEST_F(TextMeasure, DoubleByteCharactersFollowTheirCodePage) {
  EXPECT_FLOAT_EQ(TextWidth(KANJI.c_str(), 4, 1.0f), DOUBLE);
  EXPECT_FLOAT_EQ(TextWidth(("^J" + KANJI).c_str(), 0, 1.0f), DOUBLE);
  EXPECT_FLOAT_EQ(TextWidth(KANJI.c_str(), 0, 1.0f), 2 * LETTER);  // two bytes of Latin 1
  EXPECT_FLOAT_EQ(TextWidth(("^J" + KANJI + "^8" + KANJI).c_str(), 0, 1.0f), DOUBLE + 2 * LETTER);
  // A lead byte at the end, or before a byte below 64, is the placeholder (taking the byte).
  EXPECT_FLOAT_EQ(TextWidth("\x93", 4, 1.0f), LETTER);
  EXPECT_FLOAT_EQ(TextWidth("\x93" "1", 4, 1.0f), LETTER);
  // A trail byte that is a caret is no code.
  EXPECT_FLOAT_EQ(TextWidth("\x83^1", 4, 1.0f), DOUBLE + LETTER);
  // A page without a font shows the placeholder.
  SetCodePageHasFont(4, 0);
  EXPECT_FLOAT_EQ(TextWidth(KANJI.c_str(), 4, 1.0f), LETTER);
}

TEST_F(TextMeasure, TextureWidthsUseLetterGapsAndNoDoubleByteGlyphs) {
  EXPECT_FLOAT_EQ(TextWidthAtSize("12", 1.0f), 2 * FIXED_GLYPH_WIDTH + 0.08f);
  EXPECT_FLOAT_EQ(TextWidthAtSize("1", 2.0f), 2 * FIXED_GLYPH_WIDTH);
  EXPECT_FLOAT_EQ(TextWidthAtSize("", 1.0f), 0.0f);
  EXPECT_FLOAT_EQ(TextWidthAtSize(("^J" + KANJI).c_str(), 1.0f), FIXED_GLYPH_WIDTH);
  EXPECT_FLOAT_EQ(TextWidthAtSize(KANJI.c_str(), 1.0f), 2 * FIXED_GLYPH_WIDTH + 0.08f);  // starts in Latin 1
  EXPECT_FLOAT_EQ(TextWidthAtSize("AV", 1.0f), 2 * FIXED_GLYPH_WIDTH + 0.08f - 3 * KERNING_STEP);
  TextSizeFactor = 3.0f;  // not for textures
  EXPECT_FLOAT_EQ(TextWidthAtSize("1", 1.0f), FIXED_GLYPH_WIDTH);
}

TEST_F(TextMeasure, PixelWidthsAtTheInterfaceTextSize) {
  TextSizeFactor = 3.0f;  // set aside for the call
  TextHorizontalScale = 0.5f;
  CurrentCodePage = 4;
  EXPECT_FLOAT_EQ(TextWidthAtSize1(KANJI.c_str()), DOUBLE * 11);
  EXPECT_FLOAT_EQ(TextSizeFactor, 3.0f);
  EXPECT_FLOAT_EQ(CharWidth('A'), LETTER * 11);
  EXPECT_FLOAT_EQ(CharWidth(31), 0.0f);
  EXPECT_FLOAT_EQ(CharWidth(FIRST_CODE + GLYPH_COUNT), 0.0f);
  EXPECT_FLOAT_EQ(CharWidth(FIRST_CODE + GLYPH_COUNT - 1), LETTER * 11);
}

TEST_F(TextMeasure, CursorPositionsCountBytesWithCodes) {
  const char* text = "ab^1cd";
  EXPECT_FLOAT_EQ(TextXAtIndex(text, 0, 1.0f, 0), 0.0f);
  EXPECT_FLOAT_EQ(TextXAtIndex(text, 0, 1.0f, 2), 2 * LETTER);
  EXPECT_FLOAT_EQ(TextXAtIndex(text, 0, 1.0f, 4), 2 * LETTER);
  EXPECT_FLOAT_EQ(TextXAtIndex(text, 0, 1.0f, 5), 3 * LETTER);
  EXPECT_FLOAT_EQ(TextXAtIndex(text, 0, 1.0f, 99), TextWidth(text, 0, 1.0f));
}

TEST_F(TextMeasure, LayoutPlacesGlyphsWhereMeasuringSaysAndEndsAtTheWidth) {
  TextLayoutSettings s;
  s.size = 0.07f;
  const std::string text = "To ^1be^J" + KANJI + " A^dV^^";
  const Laid laid = Lay(text, s);
  EXPECT_EQ(laid.result.endX, TextWidth(text.c_str(), 0, 0.07f));  // the same sums, bit for bit
  EXPECT_EQ(laid.result.lineCount, 1);
  EXPECT_FALSE(laid.result.stopped);
  for (const TextPiece& p : laid.pieces)
    EXPECT_FLOAT_EQ(p.x + p.advance, TextXAtIndex(text.c_str(), 0, 0.07f, p.byteIndex + 1)) << p.byteIndex;
  ASSERT_EQ(Lines(laid).size(), 1u);
  EXPECT_EQ(Lines(laid)[0], "To be# A\\V^");
  const Laid spaced = Lay("1^ 2", s);  // a space after a caret is drawn as a space
  ASSERT_EQ(Lines(spaced).size(), 1u);
  EXPECT_EQ(Lines(spaced)[0], "1 2");

  const Laid moved = Lay("12", s, 1.0f, 2.0f);
  ASSERT_EQ(moved.pieces.size(), 2u);
  EXPECT_FLOAT_EQ(moved.pieces[0].x, 1.0f);
  EXPECT_FLOAT_EQ(moved.pieces[1].x, 1.0f + LETTER * 0.07f);
  EXPECT_FLOAT_EQ(moved.pieces[1].y, 2.0f);
  EXPECT_EQ(moved.pieces[1].byteIndex, 1);
}

TEST_F(TextMeasure, LayoutColoursAndCodePages) {
  TextLayoutSettings s;
  s.size = 1.0f;
  s.colour = 0x80123456u;
  Laid laid = Lay("a^1b^3c^8d^7e^9f^2g^:h", s);
  ASSERT_EQ(laid.pieces.size(), 8u);
  const uint32_t expected[] = {0x80123456u, 0xFFFF0000u, 0xFFFFFF00u, 0x80123456u,
                               0xFFFFFFFFu, 0x80123456u, 0xFF00FF00u, 0x80123456u};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(laid.pieces[i].colour, expected[i]) << i;

  s.ignoreColourCodes = true;  // a shadow pass keeps its colour
  laid = Lay("a^1b", s);
  EXPECT_EQ(laid.pieces[1].colour, 0x80123456u);
  s.ignoreColourCodes = false;
  s.codesKeepAlpha = true;  // 3D text keeps its alpha
  laid = Lay("a^1b", s);
  EXPECT_EQ(laid.pieces[1].colour, 0x80FF0000u);

  s.codesKeepAlpha = false;
  s.codePage = 4;
  laid = Lay("^L" + KANJI + "^8" + KANJI + "^:" + KANJI, s);
  ASSERT_EQ(laid.pieces.size(), 5u);
  EXPECT_EQ(laid.pieces[0].kind, TEXT_PIECE_GLYPH);
  EXPECT_EQ(laid.pieces[0].codePage, 0);
  EXPECT_EQ(laid.pieces[2].kind, TEXT_PIECE_DOUBLE_BYTE);
  EXPECT_EQ(laid.pieces[2].codePage, 4);
  EXPECT_EQ(laid.pieces[2].byteIndex, 6);
  EXPECT_EQ(laid.pieces[2].glyphPage, 0x93);  // the stand-in's page of the lead byte
  EXPECT_EQ(laid.pieces[2].slot, 0xFA - FIRST_TRAIL_BYTE);
  EXPECT_EQ(laid.pieces[2].pixelWidth, FIXED_DOUBLE_BYTE_PIXELS);
  EXPECT_EQ(laid.pieces[2].glyph, CACHE_LOCATION_NONE);
  EXPECT_EQ(laid.pieces[3].kind, TEXT_PIECE_GLYPH);  // "^:" is Latin 1 again
}

TEST_F(TextMeasure, AccentsSitOverTheirGlyphUnlessThePlainBoxIsAsked) {
  CharacterEntry& capital = CodePageRecords[0].entries[0xC9 - FIRST_CODE];
  capital = CharacterEntry{static_cast<uint16_t>('E' - FIRST_CODE), 200, 1};
  CharacterEntry& small = CodePageRecords[0].entries[0xE9 - FIRST_CODE];
  small = CharacterEntry{static_cast<uint16_t>('e' - FIRST_CODE), 201, 0};
  TextLayoutSettings s;
  s.size = 1.0f;
  Laid laid = Lay("x\xC9\xE9", s);
  ASSERT_EQ(laid.pieces.size(), 5u);
  EXPECT_EQ(laid.pieces[2].kind, TEXT_PIECE_ACCENT);
  EXPECT_EQ(laid.pieces[2].glyph, 200);
  EXPECT_EQ(laid.pieces[2].x, laid.pieces[1].x);
  EXPECT_EQ(laid.pieces[2].accentAtTop, 1);
  EXPECT_EQ(laid.pieces[4].glyph, 201);
  EXPECT_EQ(laid.pieces[4].accentAtTop, 0);
  EXPECT_FLOAT_EQ(laid.result.endX, 3 * LETTER);  // accents take no room
  s.noAccents = true;
  laid = Lay("x\xC9\xE9", s);
  EXPECT_EQ(laid.pieces.size(), 3u);
}

TEST_F(TextMeasure, TheClickProbeCountsCharactersLeftOfIt) {
  TextLayoutSettings s;
  s.size = 1.0f;
  s.probe = true;
  s.probeX = 1.6f * LETTER;
  EXPECT_EQ(Lay("ab^1cd", s).result.probeCount, 2);
  s.probeX = 0.0f;
  EXPECT_EQ(Lay("ab", s).result.probeCount, 0);
  s.probeX = 100.0f;
  EXPECT_EQ(Lay("ab cd", s).result.probeCount, 5);
}

TEST_F(TextMeasure, WrappingBreaksAfterASpaceThatEndsBeyondTheLineAndSkipsMoreSpaces) {
  const Laid laid = Lay("aaaa    bbbb", Wrapped(4 * LETTER + SPACE - 0.01f));
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"aaaa ", "bbbb"}));
  EXPECT_EQ(laid.result.lineCount, 2);
  EXPECT_FLOAT_EQ(laid.pieces[5].x, 0.0f);
  EXPECT_FLOAT_EQ(laid.pieces[5].y, 2.0f);
  EXPECT_EQ(laid.pieces[5].byteIndex, 8);
}

TEST_F(TextMeasure, WrappingMovesAWordThatStartedPastTheFirstFifth) {
  const Laid laid = Lay("aaaa bbbb", Wrapped(6 * LETTER));
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"aaaa ", "bbbb"}));
  EXPECT_EQ(laid.pieces.size(), 9u);  // the first try of the word was dropped
  EXPECT_FLOAT_EQ(laid.result.endX, 4 * LETTER);
}

TEST_F(TextMeasure, WrappingBreaksInsideAWordThatStartedInTheFirstFifth) {
  const float width = 10 * LETTER;
  const Laid laid = Lay("a bbbbbbbbbbbb", Wrapped(width));
  // "a " uses (LETTER + SPACE) / width = 0.157 of the line: the word breaks where it overflows.
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"a bbbbbbbb", "bbbb"}));
}

TEST_F(TextMeasure, WrappingRestoresTheWordStartsColourAndCodePage) {
  const Laid laid = Lay("aaaa ^1b^Jb" + KANJI, Wrapped(5.5f * LETTER));
  ASSERT_EQ(Lines(laid), (std::vector<std::string>{"aaaa ", "bb#"}));
  EXPECT_EQ(laid.pieces[5].colour, 0xFFFF0000u);
  EXPECT_EQ(laid.pieces[5].codePage, 0);
  EXPECT_EQ(laid.pieces[7].kind, TEXT_PIECE_DOUBLE_BYTE);
}

TEST_F(TextMeasure, AWordWiderThanTheLineFillsLineAfterLineUntilTheyRunOut) {
  Laid laid = Lay("bbbbbbbbbb", Wrapped(2.5f * LETTER));
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"bb", "bb", "bb", "bb", "bb"}));
  EXPECT_FALSE(laid.result.stopped);
  laid = Lay("bbbbbbbbbb", Wrapped(2.5f * LETTER, 3));
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"bb", "bb", "bb"}));
  EXPECT_EQ(laid.result.lineCount, 3);
  EXPECT_TRUE(laid.result.stopped);
  // A character wider than the whole line still gets a line of its own.
  laid = Lay("abc", Wrapped(0.1f));
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(TextMeasure, NewlinesBreakOnlyWhenWrappingAndRestoreColourAndPage) {
  TextLayoutSettings s = Wrapped(100.0f);
  s.codePage = 4;
  Laid laid = Lay("^La^1b\n" + KANJI, s);
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"ab", "#"}));
  EXPECT_EQ(laid.pieces[2].colour, 0xFFFFFFFFu);
  s.wrapMaxLines = 0;
  laid = Lay("ab\ncd", s);
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"abcd"}));
  laid = Lay("ab\ncd", Wrapped(100.0f, 1));  // no second line to go to
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"ab"}));
  EXPECT_TRUE(laid.result.stopped);
}

TEST_F(TextMeasure, DoubleByteGlyphsBreakAtThemselvesUpToFourFifths) {
  // The word start after the space lies at half the line: a letter would move the word,
  // a double-byte glyph breaks where it overflows.
  const float width = 2 * (2 * LETTER + SPACE);
  Laid laid = Lay("^Jab " + KANJI + KANJI + KANJI, Wrapped(width));
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"ab #", "##"}));
  laid = Lay("ab cccc", Wrapped(width));
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"ab ", "cccc"}));
}

TEST_F(TextMeasure, ADoubleByteBreakCharacterMarksAWordStart) {
  const float width = 5 * DOUBLE + 1.5f * LETTER;
  Laid laid = Lay("^J" + KANJI + KANJI + KANJI + KANJI + COMMA + "ab", Wrapped(width));
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"#####", "ab"}));
  laid = Lay("^J" + KANJI + KANJI + KANJI + KANJI + KANJI + "ab", Wrapped(width));
  EXPECT_EQ(Lines(laid), (std::vector<std::string>{"#####a", "b"}));
}

TEST_F(TextMeasure, LayoutNeverWritesMorePiecesThanItHasRoomFor) {
  TextLayoutSettings s;
  s.size = 1.0f;
  std::vector<TextPiece> pieces(4);
  pieces[3].byteIndex = -77;
  TextLayoutResult result{};
  EXPECT_EQ(LayoutText("abcdef", 0.0f, 0.0f, s, pieces.data(), 3, &result), 3);
  EXPECT_EQ(result.pieceCount, 6);
  EXPECT_EQ(pieces[3].byteIndex, -77);
  EXPECT_FLOAT_EQ(result.endX, TextWidth("abcdef", 0, 1.0f));  // measured to the end all the same
  EXPECT_EQ(LayoutText("abc", 0.0f, 0.0f, s, nullptr, 0, &result), 0);
  EXPECT_EQ(result.pieceCount, 3);
  EXPECT_EQ(LayoutText(nullptr, 0.0f, 0.0f, s, pieces.data(), 3, nullptr), 0);
}

namespace {

// The pair table, row by row as listed: the steps of each left class (the previous glyph's)
// before each right class (this glyph's); outside the table, none.
TEST(KerningTable, EveryPairOfClassesHasItsListedSteps) {
  const char* const ROWS[KERNING_LEFT_CLASSES] = {
      "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0", "0 0 0 0 0 0 0 0 0 0 2 0 0 0 0 0", "0 1 1 0 3 1 3 1 1 2 2 0 0 1 2 1",
      "0 1 0 1 1 0 1 1 0 0 2 0 0 0 0 0", "0 3 1 3 0 0 0 0 3 2 2 2 2 2 2 2", "0 1 0 1 0 0 0 0 0 0 2 0 0 0 0 0",
      "0 1 1 0 0 0 1 1 1 2 2 0 0 1 2 1", "0 0 1 0 3 1 3 0 1 2 2 0 0 1 2 0", "0 2 0 3 1 0 1 1 0 0 2 0 0 0 0 0",
      "0 0 0 0 1 0 1 0 0 0 2 0 0 0 0 0", "0 3 1 2 0 0 1 1 2 1 2 1 1 1 1 1", "0 0 0 0 2 0 1 0 0 0 2 0 0 0 0 0",
      "0 1 0 1 3 0 2 1 0 1 2 0 0 0 1 1", "0 2 0 3 0 0 0 0 1 0 2 0 0 0 0 0", "0 0 0 0 2 0 1 0 0 0 2 0 0 0 0 0",
      "0 0 0 0 3 0 2 0 0 1 2 0 0 0 1 0", "0 1 0 0 2 0 1 1 1 1 2 0 0 1 1 1", "0 0 1 0 3 1 3 0 1 3 2 0 0 1 3 0",
      "0 2 0 3 2 0 1 2 1 0 2 0 0 0 0 0", "0 2 0 2 2 0 1 2 1 0 2 0 0 0 1 1"};
  for (int left = 0; left < KERNING_LEFT_CLASSES; ++left)
    for (int right = 0; right < KERNING_RIGHT_CLASSES; ++right)
      EXPECT_EQ(KerningSteps(left, right), ROWS[left][2 * right] - '0') << left << ", " << right;
  EXPECT_EQ(KERNING_LEFT_CLASSES, 20);
  EXPECT_EQ(KERNING_RIGHT_CLASSES, 16);
  EXPECT_EQ(KerningSteps(2, 16), 0);
  EXPECT_EQ(KerningSteps(-1, 1), 0);
  EXPECT_EQ(KerningSteps(2, -1), 0);
}

}  // namespace

// With letters 0.75 wide (a half and a quarter of spacing) every sum is exact, so the limits
// are met exactly: a probe on a letter's middle does not count it, and a line exactly as wide
// as its letters holds them all.
TEST_F(TextMeasure, ExactLimitsCountAsInside) {
  LetterSpacing = 0.25f;
  TextLayoutSettings s;
  s.size = 1.0f;
  s.probe = true;
  s.probeX = 0.375f;  // the middle of the first letter
  EXPECT_EQ(Lay("ab", s).result.probeCount, 0);
  s.probeX = 1.125f;  // the middle of the second
  EXPECT_EQ(Lay("ab", s).result.probeCount, 1);
  const Laid four = Lay("aaaa", Wrapped(3.0f));
  EXPECT_EQ(Lines(four), (std::vector<std::string>{"aaaa"}));
  EXPECT_EQ(four.result.lineCount, 1);
  EXPECT_EQ(Lines(Lay("aaaaa", Wrapped(3.0f))), (std::vector<std::string>{"aaaa", "a"}));
  // No wrapping without a width or without lines to wrap into.
  EXPECT_EQ(Lay("aaaa bbbb", Wrapped(0.0f)).result.lineCount, 1);
  EXPECT_EQ(Lay("aaaa bbbb", Wrapped(3.0f, 0)).result.lineCount, 1);
}
