// language_table_test.cpp - the layout of the table of texts: the length field's second value
// and its reply code stand only where they are stated; the field of printf conversion letters.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/language.h"

namespace {

// The entries whose length field has a second value, and that value; every other has 0.
struct SecondValue {
  const char* key;
  int value;
};
constexpr SecondValue SECOND_VALUES[] = {
    {"3h_cfg_oc_X", 2},  {"3h_cfg_oc_Y", 2},  {"3g_pitstops", 6},  {"3g_spenalty", 6},
    {"3a_privatew", 12}, {"3a_modified", 12}, {"3h_arcade_w", 12}, {"3h_cruise_w", 12},
    {"3h_a3_lower", 4},  {"3h_a3_upper", 4},  {"3h_a3_toein", 4},  {"3h_a3_ctemp", 4},
};

int StatedSecondValue(const char* key) {
  for (const SecondValue& s : SECOND_VALUES)
    if (std::strncmp(key, s.key, LANGUAGE_KEY_LENGTH) == 0) return s.value;
  return 0;
}

}  // namespace

TEST(LanguageTableLayout, SecondLengthValuesAndReplyCodesStandOnlyWhereStated) {
  int found = 0;
  for (int i = 0; i < LANGUAGE_TEXT_COUNT; ++i) {
    const LanguageTextEntry& entry = LanguageTextTable[i];
    const std::string key(entry.key, LANGUAGE_KEY_LENGTH);
    EXPECT_EQ(entry.lengthExtra, StatedSecondValue(entry.key)) << key;
    found += StatedSecondValue(entry.key) != 0;
    // The reply code belongs to the last block of entries, the replies by code.
    if (i < FIRST_REPLY_TEXT) {
      EXPECT_EQ(entry.replyCode, 0) << key;
    }
  }
  EXPECT_EQ(found, 12) << "every stated entry is in the table";
}

// The table's maximum lengths are 4, 8, 16, 24, 32, 48, 64, 80, 96 and 120 bytes: whole
// four-byte words every one, so a length one byte off any of them is a slip in the table.
TEST(LanguageTableLayout, EveryMaximumLengthIsAWholeNumberOfFourByteWords) {
  for (int i = 0; i < LANGUAGE_TEXT_COUNT; ++i) {
    const LanguageTextEntry& entry = LanguageTextTable[i];
    EXPECT_EQ(entry.maxLength % 4, 0) << std::string(entry.key, LANGUAGE_KEY_LENGTH) << " " << int(entry.maxLength);
  }
}

// The conversions' letters fill a field of exactly as many bytes as there are conversions: the
// last byte becomes the terminating zero, so "%d %s" in two bytes reads "i", and nothing past
// the field is written.
TEST(PrintfConversionLetters, AFieldJustAsLongAsTheConversionsEndsWithItsZero) {
  char two[3] = {'x', 'x', 'x'};
  EXPECT_EQ(PrintfConversions("%d %s", two, 2), 2);
  EXPECT_STREQ(two, "i");
  EXPECT_EQ(two[2], 'x') << "the byte past the field is untouched";
}
