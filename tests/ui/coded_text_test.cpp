// coded_text_test.cpp - caret codes.
#include <gtest/gtest.h>

#include <cstring>

#include "ui/coded_text.h"

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
}

TEST(StripCodes, NeverSplitsACodeOrOverrunsTheOutput) {
  char out[4];
  StripCodes(out, "ab^Lcd", sizeof out, 0);
  EXPECT_STREQ(out, "ab");
  StripCodes(out, "abcdef", sizeof out, 0);
  EXPECT_STREQ(out, "abc");
  StripCodes(out, "x^", sizeof out, 0);  // a caret at the very end is kept as it is
  EXPECT_STREQ(out, "x^");
}

TEST(UpperCase, FollowsTheLatin1CodePage) {
  BuildUpperCaseTable();
  EXPECT_EQ(UpperCaseTable['a'], 'A');
  EXPECT_EQ(UpperCaseTable['z'], 'Z');
  EXPECT_EQ(UpperCaseTable['A'], 'A');
  EXPECT_EQ(UpperCaseTable[224], 192);
  EXPECT_EQ(UpperCaseTable[247], 247);  // the division sign has no upper case
  EXPECT_EQ(UpperCaseTable[255], 159);
  EXPECT_EQ(UpperCaseTable[154], 138);
  EXPECT_EQ(UpperCaseTable['1'], '1');
}
