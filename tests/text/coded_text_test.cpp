// coded_text_test.cpp - caret codes: stripping, escapes, cutting and colours.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/coded_text.h"

TEST(StripCodes, DropsColoursKeepsOtherCodesAndZeroFills) {
  char out[32];
  std::memset(out, 'z', sizeof out);
  StripCodes(out, "^1red^8back^:zero^Jjp^^c^a", sizeof out, 0);
  EXPECT_STREQ(out, "red^Lback^Lzero^Jjp^^c^a");
  for (size_t i = std::strlen(out); i < sizeof out; ++i) EXPECT_EQ(out[i], 0);
}

TEST(StripCodes, MapsAnInputIndexToItsOutputIndex) {
  char out[32];
  EXPECT_EQ(StripCodes(out, "^3abc", sizeof out, 3), 1);  // 'b'
  EXPECT_EQ(StripCodes(out, "ab^7cd", sizeof out, 5), 3);  // 'd'
  EXPECT_EQ(StripCodes(out, "abc", sizeof out, 3), 3);     // the end
  // Both bytes of a dropped code map to the character after it.
  EXPECT_EQ(StripCodes(out, "^3abc", sizeof out, 0), 0);
  EXPECT_EQ(StripCodes(out, "^3abc", sizeof out, 1), 0);
  EXPECT_EQ(StripCodes(out, "x^9^2y", sizeof out, 4), 1);
  // A kept code keeps its place; an index past the copied text maps to the end.
  EXPECT_EQ(StripCodes(out, "^1a^Eb", sizeof out, 4), 2);
  EXPECT_EQ(StripCodes(out, "^1a^Eb", sizeof out, 5), 3);
  EXPECT_EQ(StripCodes(out, "abcdef", 4, 5), 3);
}

TEST(StripCodes, NeverSplitsACodeOrOverrunsTheOutput) {
  char out[4];
  StripCodes(out, "ab^Lcd", sizeof out, 0);
  EXPECT_STREQ(out, "ab");
  StripCodes(out, "abcdef", sizeof out, 0);
  EXPECT_STREQ(out, "abc");
  StripCodes(out, "x^", sizeof out, 0);  // a caret at the very end is kept as it is
  EXPECT_STREQ(out, "x^");
  StripCodes(out, "x", 0, 0);  // no room at all: nothing written
}

TEST(StripCodes, ReadsTrailBytesAsPartOfTheirCharacter) {
  // In the Japanese page 0x83 0x5E is one character whose trail byte is a caret: it must not
  // start a colour code that swallows the "1" after it.
  char out[32];
  StripCodes(out, "^J\x83^1", sizeof out, 0);
  EXPECT_STREQ(out, "^J\x83^1");
  // The same bytes in Latin 1 are a byte and a colour code.
  StripCodes(out, "\x83^1", sizeof out, 0);
  EXPECT_STREQ(out, "\x83");
  // A pair that does not fit whole is left out, not halved.
  char small[5];
  StripCodes(small, "^Ja\x82\xA0", sizeof small, 0);
  EXPECT_STREQ(small, "^Ja");
}

TEST(Escapes, UnescapeTurnsEscapesIntoTheirCharactersOnly) {
  char text[64];
  std::strcpy(text, "a^db^xc^");
  UnescapeSpecialChars(text);
  EXPECT_STREQ(text, "a\\b^xc^");

  std::strcpy(text, "^a^c^d^h^l^q^r^s^t^v");
  UnescapeSpecialChars(text);
  EXPECT_STREQ(text, "*:\\#<?>/\"|");

  // "^^" is a caret: the "a" after it is a letter, not an escape.
  std::strcpy(text, "^^a^1^Lz");
  UnescapeSpecialChars(text);
  EXPECT_STREQ(text, "^^a^1^Lz");

  // A trail byte that is a caret starts no escape.
  std::strcpy(text, "^J\x83^d");
  UnescapeSpecialChars(text);
  EXPECT_STREQ(text, "^J\x83^d");
}

TEST(Escapes, RemoveDeletesTheTenCharactersWithoutLeavingALoneCaret) {
  char text[64];
  std::strcpy(text, "a*b:c\\d#e<f?g>h/i\"j|k");
  RemoveSpecialChars(text);
  EXPECT_STREQ(text, "abcdefghijk");
  std::strcpy(text, "x^:y^1z");
  RemoveSpecialChars(text);
  EXPECT_STREQ(text, "xy^1z");
  std::strcpy(text, "^J\x83\x5C!");  // a trail byte 0x5C is no backslash
  RemoveSpecialChars(text);
  EXPECT_STREQ(text, "^J\x83\x5C!");

  EXPECT_TRUE(HasNoSpecialChars("plain name 1"));
  EXPECT_TRUE(HasNoSpecialChars(""));
  for (const char* p = SPECIAL_CHARS; *p; ++p) {
    const std::string name = std::string("ab") + *p;
    EXPECT_FALSE(HasNoSpecialChars(name.c_str())) << name;
  }
}

TEST(CutCodedText, CutsBetweenUnitsOnly) {
  char text[32];
  std::strcpy(text, "ab^1cd");
  EXPECT_EQ(CutCodedText(text, 3, 0), 2);  // "^1" would be split
  EXPECT_STREQ(text, "ab");
  std::strcpy(text, "^K\xB0\xA1\xB0\xA2");
  EXPECT_EQ(CutCodedText(text, 5, 0), 4);
  EXPECT_STREQ(text, "^K\xB0\xA1");
  // The starting page counts: the same bytes in Korean from the start.
  std::strcpy(text, "\xB0\xA1\xB0\xA2");
  EXPECT_EQ(CutCodedText(text, 3, 9), 2);
  std::strcpy(text, "\xB0\xA1\xB0\xA2");
  EXPECT_EQ(CutCodedText(text, 3, 0), 3);
  std::strcpy(text, "short");
  EXPECT_EQ(CutCodedText(text, 50, 0), 5);
  EXPECT_EQ(CodedTextBoundary("a^", 2, 0), 2);  // a lone caret at the end is one unit
}

TEST(CaretColour, RedGreenAndBlueBitsOpaque) {
  EXPECT_EQ(CaretColour(0), 0xFF000000u);
  EXPECT_EQ(CaretColour(1), 0xFFFF0000u);
  EXPECT_EQ(CaretColour(2), 0xFF00FF00u);
  EXPECT_EQ(CaretColour(3), 0xFFFFFF00u);  // yellow
  EXPECT_EQ(CaretColour(4), 0xFF0000FFu);
  EXPECT_EQ(CaretColour(7), 0xFFFFFFFFu);  // white
}
