// text_convert_test.cpp - characters of the double-byte code pages through the C library's
// converter, against the pages' published tables: one and two bytes each way, a lead byte
// without its trail byte, and characters or pages the conversion does not have.
#include "platform/text_convert.h"

#include <gtest/gtest.h>

TEST(DoubleByteChars, EachPageReadsAndWritesItsTwoByteCharacters) {
  const struct {
    int page;
    uint32_t codePoint;
    unsigned char bytes[2];
  } known[] = {
      {932, 0x3042, {0x82, 0xA0}},  // hiragana a
      {936, 0x4E2D, {0xD6, 0xD0}},  // zhong
      {949, 0xAC00, {0xB0, 0xA1}},  // ga
      {950, 0x4E2D, {0xA4, 0xA4}},  // zhong
  };
  for (const auto& k : known) {
    int used = 0;
    // Exactly the two bytes available: the character is whole.
    EXPECT_EQ(DecodeDoubleByteChar(k.page, k.bytes, 2, &used), k.codePoint) << k.page;
    EXPECT_EQ(used, 2) << k.page;
    unsigned char out[2] = {0, 0};
    EXPECT_EQ(EncodeDoubleByteChar(k.page, k.codePoint, out), 2) << k.page;
    EXPECT_EQ(out[0], k.bytes[0]) << k.page;
    EXPECT_EQ(out[1], k.bytes[1]) << k.page;
    // A lead byte alone is no character.
    EXPECT_EQ(DecodeDoubleByteChar(k.page, k.bytes, 1, &used), 0u) << k.page;
    EXPECT_EQ(used, 1) << k.page;
  }
}

TEST(DoubleByteChars, SingleBytesUnknownCharactersAndOtherPagesAreTold) {
  const unsigned char text[3] = {'A', 0xB1, 0};
  int used = 0;
  EXPECT_EQ(DecodeDoubleByteChar(932, text, 3, &used), uint32_t('A'));
  EXPECT_EQ(used, 1);
  EXPECT_EQ(DecodeDoubleByteChar(932, text + 1, 2, &used), 0xFF71u) << "half-width katakana a, one byte";
  EXPECT_EQ(used, 1);
  unsigned char out[2] = {0, 0};
  EXPECT_EQ(EncodeDoubleByteChar(932, 'A', out), 1);
  EXPECT_EQ(out[0], 'A');
  EXPECT_EQ(EncodeDoubleByteChar(932, 0xAC00, out), 0) << "no hangul in the Japanese page";
  EXPECT_EQ(EncodeDoubleByteChar(1252, 'A', out), 0) << "not a double-byte page";
  EXPECT_EQ(DecodeDoubleByteChar(1252, text, 3, &used), 0u);
  EXPECT_EQ(DecodeDoubleByteChar(932, text, 0, &used), 0u) << "nothing to read";
  EXPECT_EQ(DecodeDoubleByteChar(932, text, 1, &used), uint32_t('A')) << "exactly one byte to read";
  EXPECT_EQ(used, 1);
  EXPECT_EQ(EncodeDoubleByteChar(932, 0, out), 0) << "the terminating zero is no character";
}

// Every byte of the code point counts: a character past the 16 bits of the plane, or a number
// past Unicode, whose low 16 bits are a character of the page is still no character of it.
TEST(DoubleByteChars, CharactersPastTheBasicPlaneAreNotTheirLowBits) {
  unsigned char out[2] = {0, 0};
  ASSERT_EQ(EncodeDoubleByteChar(936, 0x4E2D, out), 2) << "zhong, D6 D0";
  EXPECT_EQ(EncodeDoubleByteChar(936, 0x14E2D, out), 0) << "plane 1: not zhong";
  EXPECT_EQ(EncodeDoubleByteChar(936, 0x24E2D, out), 0) << "plane 2: not zhong";
  EXPECT_EQ(EncodeDoubleByteChar(936, 0x01004E2D, out), 0) << "past Unicode: not zhong";
  EXPECT_EQ(EncodeDoubleByteChar(932, 0x10041, out), 0) << "plane 1: not 'A'";
}
