// text_strings_test.cpp - caseless comparison, bounded copies, parsing and time texts.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <cwctype>

#include "text/code_pages.h"
#include "text/text_strings.h"

TEST(UpperCase, IsTheUpperCasingOfLatin1) {
  BuildUpperCaseTable();
  EXPECT_EQ(UpperCaseTable['a'], 'A');
  EXPECT_EQ(UpperCaseTable[247], 247);  // the division sign lies between the letters
  EXPECT_EQ(UpperCaseTable[255], 159);
  EXPECT_EQ(UpperCaseTable[223], 223);  // sharp s has no capital in the page
  // Every byte whose character has an upper case in the page maps to it; all others stay.
  if (!std::setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale";
  for (int c = 0; c < 256; ++c) {
    const wint_t character = CodePageByteToUnicode(0, static_cast<uint8_t>(c));
    int expected = c;
    if (character) {
      const wint_t upper = std::towupper(character);
      for (int b = 0; b < 256; ++b)
        if (upper != character && CodePageByteToUnicode(0, static_cast<uint8_t>(b)) == upper) expected = b;
    }
    EXPECT_EQ(UpperCaseTable[c], expected) << c;
  }
  std::setlocale(LC_CTYPE, "C");
}

TEST(CaselessComparison, ComparesFindsAndStartsWith) {
  EXPECT_EQ(CompareNoCase("Hello", "hELLO"), 0);
  EXPECT_EQ(CompareNoCase("\xE9t\xE9", "\xC9T\xC9"), 0);  // "été" and "ÉTÉ"
  EXPECT_LT(CompareNoCase("abc", "abd"), 0);
  EXPECT_GT(CompareNoCase("abcd", "ABC"), 0);
  EXPECT_EQ(CompareNoCase("a", "b"), 'A' - 'B');
  EXPECT_EQ(CompareNoCase("", ""), 0);

  const char* text = "The Quick brown fox";
  EXPECT_EQ(FindNoCase(text, "QUICK"), text + 4);
  EXPECT_EQ(FindNoCase(text, "fox"), text + 16);
  EXPECT_EQ(FindNoCase(text, "foxes"), nullptr);
  EXPECT_EQ(FindNoCase(text, ""), text);
  EXPECT_EQ(FindNoCase("", "a"), nullptr);

  EXPECT_EQ(StartsWithNoCase("Config.txt", "config"), 1);
  EXPECT_EQ(StartsWithNoCase("Con", "config"), 0);
  EXPECT_EQ(StartsWithNoCase("anything", ""), 1);

  char upper[] = "abc\xE9xyz1";
  StrUpper(upper);
  EXPECT_STREQ(upper, "ABC\xE9XYZ1");  // only "a".."z"
}

TEST(BoundedCopies, NeverWritePastTheirSize) {
  char out[8];
  std::memset(out, 'z', sizeof out);
  CopyStringN(out, "abcdefghij", 4);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(out[4], 'z');
  CopyStringN(out, nullptr, 4);
  EXPECT_STREQ(out, "");
  CopyStringN(out, "abc", 1);
  EXPECT_STREQ(out, "");

  std::memset(out, 'z', sizeof out);
  EXPECT_EQ(CopyWithoutQuotes(out, sizeof out, "\"a\"b\"c", 6), 3);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(CopyWithoutQuotes(out, sizeof out, "\"abc\"def", 3), 2);  // three source bytes
  EXPECT_STREQ(out, "ab");
  EXPECT_EQ(CopyWithoutQuotes(out, 4, "abcdefgh", 8), 3);  // the output's size wins
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(out[4], 'z');
  EXPECT_EQ(CopyWithoutQuotes(out, sizeof out, "ab", 50), 2);  // stops at the terminator
}

TEST(Parsing, IntegersAndFloatsOrZero) {
  EXPECT_EQ(StringToInt("42"), 42);
  EXPECT_EQ(StringToInt("  -7x"), -7);
  EXPECT_EQ(StringToInt("abc"), 0);
  EXPECT_EQ(StringToInt(""), 0);
  EXPECT_EQ(StringToInt(nullptr), 0);
  EXPECT_EQ(StringToInt("99999999999"), 2147483647);
  EXPECT_EQ(StringToInt("-99999999999"), -2147483647 - 1);

  EXPECT_FLOAT_EQ(StringToFloat("1,5"), 1.5f);
  EXPECT_FLOAT_EQ(StringToFloat(" -0.25"), -0.25f);
  EXPECT_FLOAT_EQ(StringToFloat("12abc"), 12.0f);
  EXPECT_EQ(StringToFloat("abc"), 0.0f);
  EXPECT_EQ(StringToFloat("nan"), 0.0f);
  EXPECT_EQ(StringToFloat("-inf"), 0.0f);
  EXPECT_EQ(StringToFloat("1e39"), 0.0f);  // beyond a float
  // Only 15 bytes are read.
  EXPECT_FLOAT_EQ(StringToFloat("1234567890123456789"), 123456789012345.0f);
}

TEST(FormatTime, MinutesUnderAnHourHoursFromAnHourOn) {
  char out[32];
  EXPECT_STREQ(FormatTime(out, sizeof out, nullptr, false, 63450), "1:03.45");
  EXPECT_STREQ(FormatTime(out, sizeof out, nullptr, false, 3723450), "1:02:03.45");
  EXPECT_STREQ(FormatTime(out, sizeof out, nullptr, false, 0), "0:00.00");
  EXPECT_STREQ(FormatTime(out, sizeof out, nullptr, false, 3599999), "59:59.99");
  EXPECT_STREQ(FormatTime(out, sizeof out, nullptr, false, 3600000), "1:00:00.00");
  EXPECT_STREQ(FormatTime(out, sizeof out, nullptr, false, 1009), "0:01.00");  // hundredths cut
  EXPECT_STREQ(FormatTime(out, sizeof out, "Best", true, 61230), "Best 1:01.23");
  EXPECT_STREQ(FormatTime(out, sizeof out, "Lap:", false, 61230), "Lap:1:01.23");
  EXPECT_STREQ(FormatTime(out, sizeof out, nullptr, true, 61230), " 1:01.23");
  EXPECT_STREQ(FormatTime(out, sizeof out, nullptr, false, -1500), "-0:01.50");
  EXPECT_STREQ(FormatTime(out, sizeof out, nullptr, false, -2147483647 - 1), "-596:31:23.64");
  char small[6];
  EXPECT_STREQ(FormatTime(small, sizeof small, nullptr, false, 3723450), "1:02:");
}
