// text_names_test.cpp - name cleaning, display names, code-page prefixes, name checks and
// player file names.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "text/code_pages.h"
#include "text/text_names.h"

namespace {

std::string Clean(const char* in, int fromDigit = 0, int toDigit = 0, int* flag = nullptr) {
  char out[64];
  char* end = CleanName(out, sizeof out, in, fromDigit, toDigit, flag);
  EXPECT_EQ(*end, 0);
  EXPECT_EQ(end - out, static_cast<long>(std::strlen(out)));
  return out;
}

}  // namespace

TEST(CleanName, KeepsCodesDropsBrokenOnesAndControlBytes) {
  EXPECT_EQ(Clean("^1Red^8 ^Lname"), "^1Red^8 ^Lname");
  EXPECT_EQ(Clean("a^dz^^"), "a^dz^^");      // escapes and carets are codes from "0" to "z"
  EXPECT_EQ(Clean("a^ b^~c^"), "abc");       // a caret before a blank, "~" or nothing goes
  EXPECT_EQ(Clean("a\tb\nc\x1F" "d"), "abcd");
  EXPECT_EQ(Clean("^7white^8", '7', '8'), "^8white^8");  // from digit written as to digit
  EXPECT_EQ(Clean("^8x", '8', ':'), "^:x");
}

TEST(CleanName, KeepsDoubleByteCharactersWholeOrDropsTheLeadByte) {
  // Korean from "^K" on: a pair with a trail of 64 or more stays, a lead byte before a lower
  // byte goes and the lower byte stays.
  EXPECT_EQ(Clean("^K\xB0\xA1\xB0" "1"), "^K\xB0\xA1" "1");
  EXPECT_EQ(Clean("^K\xB0"), "^K");
  // The trail byte of a pair may be a caret: it stays part of the pair.
  EXPECT_EQ(Clean("^J\x83^1x"), "^J\x83^1x");
  // "^8" and "^:" return to page 0, where the same bytes are single characters.
  EXPECT_EQ(Clean("^K^8\xB0" "1"), "^K^8\xB0" "1");
  EXPECT_EQ(Clean("^K^:\xB0" "1"), "^K^:\xB0" "1");
}

TEST(CleanName, TrimsSpacesAndNamesTheEmptyResult) {
  EXPECT_EQ(Clean("   Bob  "), "Bob");
  EXPECT_EQ(Clean(""), "unnamed");
  EXPECT_EQ(Clean("  \t\r "), "unnamed");
  EXPECT_EQ(Clean("^ "), "unnamed");
  EXPECT_EQ(Clean(nullptr), "unnamed");
}

TEST(CleanName, FlagsBackslashesAndHighBytes) {
  int flag = -1;
  Clean("plain", 0, 0, &flag);
  EXPECT_EQ(flag, 0);
  Clean("back\\slash", 0, 0, &flag);
  EXPECT_EQ(flag, 1);
  Clean("caf\xE9", 0, 0, &flag);
  EXPECT_EQ(flag, 1);
  Clean("^d escaped", 0, 0, &flag);  // escaped: no backslash byte
  EXPECT_EQ(flag, 0);
}

TEST(CleanName, CutsALongNameBetweenCharacters) {
  char out[6];
  std::memset(out, 'z', sizeof out);
  CleanName(out, sizeof out, "abcd^1ef", 0, 0, nullptr);
  EXPECT_STREQ(out, "abcd");  // "^1" would not fit whole
  CleanName(out, sizeof out, "^Kab\xB0\xA1", 0, 0, nullptr);
  EXPECT_STREQ(out, "^Kab");
  char tiny[4];
  CleanName(tiny, sizeof tiny, "", 0, 0, nullptr);
  EXPECT_STREQ(tiny, "unn");  // even the fallback is cut to fit
}

// Five bytes of room (a buffer of six): a code, a single byte or a pair that ends exactly at
// the fifth byte is kept; one that would pass it is not.
TEST(CleanName, ACharacterEndingOnTheLastByteOfRoomIsKept) {
  char out[6];
  CleanName(out, sizeof out, "abc^1ef", 0, 0, nullptr);
  EXPECT_STREQ(out, "abc^1");
  CleanName(out, sizeof out, "abcdefg", 0, 0, nullptr);
  EXPECT_STREQ(out, "abcde");
  CleanName(out, sizeof out, "^Ka\xB0\xA1x", 0, 0, nullptr);
  EXPECT_STREQ(out, "^Ka\xB0\xA1");
  // Codes run from "0" to "z": the bytes just outside go with their caret.
  EXPECT_EQ(Clean("^0a^zb^/c^{d"), "^0a^zbcd");
}

TEST(DisplayName, TwoBuffersInTurnAndNoPageReset) {
  CurrentCodePage = 0;
  const char* first = MakeDisplayName("^1Alice^8");
  const char* second = MakeDisplayName("Bob");
  EXPECT_NE(first, second);
  EXPECT_STREQ(first, "^1Alice^:");
  EXPECT_STREQ(second, "Bob");
  EXPECT_STREQ(MakeDisplayName("  "), "unnamed");
}

TEST(DisplayName, Latin1NamesShowInLatin1UnderAnotherTranslationAndLongNamesAreCutBetweenCharacters) {
  CurrentCodePage = 5;
  EXPECT_STREQ(MakeDisplayName("Ren\xE9"), "^LRen\xE9");
  EXPECT_STREQ(MakeDisplayName("Plain"), "Plain");
  // A long name is cut so that the prefix and the name fit 32 bytes.
  const std::string longName(40, '\xE9');
  const char* shown = MakeDisplayName(longName.c_str());
  EXPECT_EQ(std::strlen(shown), 31u);
  EXPECT_EQ(std::string(shown, 2), "^L");
  // A Japanese name of 2 + 14 x 2 = 30 bytes: with the prefix 29 bytes are left, which would end
  // in the first byte of the fourteenth character; it is cut before that character instead.
  std::string japanese = "^J";
  for (int i = 0; i < 14; ++i) japanese += "\x82\xA0";
  EXPECT_EQ(std::string(MakeDisplayName(japanese.c_str())), "^L" + japanese.substr(0, 2 + 13 * 2));
  CurrentCodePage = 0;
  EXPECT_EQ(std::strlen(MakeDisplayName(longName.c_str())), 31u);
}

TEST(CodepagePrefix, PrefixesOnlyNamesThatNeedItAndKeepsTheFieldTerminated) {
  char name[PREFIXED_NAME_SIZE];
  std::strcpy(name, "Plain");
  EXPECT_EQ(SetCodepagePrefix(name, 5), 0);
  EXPECT_STREQ(name, "Plain");

  std::strcpy(name, "\xC6\xE8");
  EXPECT_EQ(SetCodepagePrefix(name, 5), 1);
  EXPECT_STREQ(name, "^C\xC6\xE8");

  std::memset(name, '\xE9', sizeof name);  // a full field without a terminator
  EXPECT_EQ(SetCodepagePrefix(name, 1), 1);
  EXPECT_EQ(std::strlen(name), 63u);
  EXPECT_EQ(name[63], 0);
  EXPECT_EQ(std::string(name, 2), "^E");

  // Japanese pairs are never split by the cut: 30 pairs and one more byte of room.
  std::string pairs;
  for (int i = 0; i < 31; ++i) pairs += "\x93\xFA";
  std::memset(name, 0, sizeof name);
  std::memcpy(name, pairs.data(), 62);
  EXPECT_EQ(SetCodepagePrefix(name, 4), 1);
  EXPECT_EQ(std::strlen(name), 2u + 60u);

  char field[8] = "a\\b";
  EXPECT_EQ(SetCodepagePrefixN(field, sizeof field, 0), 1);
  EXPECT_STREQ(field, "^La\\b");
  char tooSmall[2] = "\xE9";
  EXPECT_EQ(SetCodepagePrefixN(tooSmall, sizeof tooSmall, 0), 0);
  char three[3] = "\xE9";  // room for the prefix alone: the name is cut to nothing
  EXPECT_EQ(SetCodepagePrefixN(three, sizeof three, 0), 1);
  EXPECT_STREQ(three, "^L");
  std::strcpy(name, "\xE9");
  EXPECT_EQ(SetCodepagePrefix(name, CODE_PAGE_COUNT), 0) << "no such code page";
  EXPECT_EQ(SetCodepagePrefix(name, -1), 0);
  EXPECT_EQ(SetCodepagePrefix(name, CODE_PAGE_COUNT - 1), 1);
}

// Byte 127 is the last plain byte and 128 the first high one: only the high one flags a name
// or asks for a code-page prefix.
TEST(CodepagePrefix, ByteHundredTwentyEightIsTheFirstThatNeedsAPrefix) {
  int flag = -1;
  Clean("a\x7F" "b", 0, 0, &flag);
  EXPECT_EQ(flag, 0);
  Clean("a\x80" "b", 0, 0, &flag);
  EXPECT_EQ(flag, 1);
  char plain[8] = "a\x7F" "b";
  EXPECT_EQ(SetCodepagePrefixN(plain, sizeof plain, 0), 0);
  EXPECT_STREQ(plain, "a\x7F" "b");
  char high[8] = "a\x80" "b";
  EXPECT_EQ(SetCodepagePrefixN(high, sizeof high, 0), 1);
  EXPECT_STREQ(high, "^La\x80" "b");
  // A field of four bytes filled to its end is read no further: the backslash after it is
  // another field's.
  char fields[2][4] = {{'a', 'b', 'c', 'd'}, {'\\', 0, 0, 0}};
  EXPECT_EQ(SetCodepagePrefixN(fields[0], 4, 0), 0);
  EXPECT_EQ(fields[0][3], 'd');
}

TEST(NameChecks, PlainNamesAndUserNames) {
  EXPECT_TRUE(IsPlainName("Track_1-b.x y"));
  EXPECT_FALSE(IsPlainName("caf\xE9"));
  EXPECT_FALSE(IsPlainName("a^1"));

  EXPECT_EQ(CheckUserName(""), 1);
  EXPECT_EQ(CheckUserName("ab"), 1);
  EXPECT_EQ(CheckUserName(" abc"), 3);
  EXPECT_EQ(CheckUserName("abc "), 3);
  EXPECT_EQ(CheckUserName("ab#c"), 2);
  EXPECT_EQ(CheckUserName("a^b"), 2);
  EXPECT_EQ(CheckUserName("x\xA0y"), 2);
  EXPECT_EQ(CheckUserName("a\"b"), 2);
  EXPECT_EQ(CheckUserName("#"), 2);  // a refused byte counts before the length
  EXPECT_EQ(CheckUserName("Ren\xE9 Racer"), 0);
  EXPECT_EQ(CheckUserName("abc"), 0);
}

// The refused byte ranges of a user name are 0-31, 34-39 and 127-191; the bytes just outside
// each range are allowed.
TEST(NameChecks, UserNameByteRangesEndWhereTheySay) {
  const struct {
    unsigned char byte;
    int result;
  } cases[] = {{31, 2}, {32, 0}, {33, 0}, {34, 2}, {39, 2}, {40, 0}, {126, 0}, {127, 2}, {191, 2}, {192, 0}};
  for (const auto& c : cases) {
    const char name[4] = {'a', char(c.byte), 'c', 0};
    EXPECT_EQ(CheckUserName(name), c.result) << int(c.byte);
  }
  // Plain names: digits, both cases of letters, ".", "-", "_" and the space; the bytes
  // beside each range are not plain.
  EXPECT_TRUE(IsPlainName("09AZaz"));
  for (const char* odd : {"/", ":", "@", "[", "`", "{"}) EXPECT_FALSE(IsPlainName(odd)) << odd;
}

class PlayerFiles : public ::testing::Test {
 protected:
  std::filesystem::path saved;
  void SetUp() override {
    saved = std::filesystem::current_path();
    std::filesystem::remove_all("players");
    std::filesystem::create_directories("players/data/misc");
    std::filesystem::current_path("players");
  }
  void TearDown() override { std::filesystem::current_path(saved); }
  static void Touch(const std::string& name) { std::ofstream("data/misc/" + name) << "x"; }
};

TEST_F(PlayerFiles, AFreeNameIsUsedAsItIs) {
  char path[64];
  char name[24] = "Racer";
  EXPECT_EQ(MakeUniquePlayerFileName(path, sizeof path, name, sizeof name), 1);
  EXPECT_STREQ(path, "data\\misc\\Racer.ply");
  EXPECT_STREQ(name, "Racer");
  // The path is 19 characters: 20 bytes hold it and its end, 19 do not (the path is refused,
  // not cut).
  char exact[20];
  EXPECT_EQ(MakeUniquePlayerFileName(exact, sizeof exact, name, sizeof name), 1);
  EXPECT_STREQ(exact, "data\\misc\\Racer.ply");
  char short1[19];
  EXPECT_EQ(MakeUniquePlayerFileName(short1, sizeof short1, name, sizeof name), 0);
  EXPECT_STREQ(short1, "");
  EXPECT_STREQ(name, "Racer");
}

TEST_F(PlayerFiles, ATakenNameGetsTheFirstFreeNumberWhateverTheCase) {
  Touch("RACER.ply");
  Touch("racer_1.PLY");
  char path[64];
  char name[24] = "Racer";
  EXPECT_EQ(MakeUniquePlayerFileName(path, sizeof path, name, sizeof name), 1);
  EXPECT_STREQ(path, "data\\misc\\Racer_2.ply");
  EXPECT_STREQ(name, "Racer_2");
}

TEST_F(PlayerFiles, TheBudgetLimitsTheNumbers) {
  char path[64];
  // 21 characters leave 2: "_1".."_9".
  const std::string base(21, 'n');
  Touch(base + ".ply");
  for (int i = 1; i <= 8; ++i) Touch(base + "_" + std::to_string(i) + ".ply");
  char name[24];
  std::strcpy(name, base.c_str());
  EXPECT_EQ(MakeUniquePlayerFileName(path, sizeof path, name, sizeof name), 1);
  EXPECT_EQ(std::string(name), base + "_9");
  Touch(base + "_9.ply");
  std::strcpy(name, base.c_str());
  EXPECT_EQ(MakeUniquePlayerFileName(path, sizeof path, name, sizeof name), 0);
  EXPECT_EQ(std::string(name), base);  // left as it was

  // 22 characters leave 1: no number fits.
  const std::string longer(22, 'm');
  Touch(longer + ".ply");
  std::strcpy(name, longer.c_str());
  EXPECT_EQ(MakeUniquePlayerFileName(path, sizeof path, name, sizeof name), 0);
  // 20 characters leave 3: numbers up to 99.
  const std::string shorter(20, 's');
  for (int i = 0; i <= 9; ++i) Touch(shorter + (i ? "_" + std::to_string(i) : "") + ".ply");
  std::strcpy(name, shorter.c_str());
  EXPECT_EQ(MakeUniquePlayerFileName(path, sizeof path, name, sizeof name), 1);
  EXPECT_EQ(std::string(name), shorter + "_10");
}

TEST_F(PlayerFiles, ANameThatIsNoFileNameIsRefused) {
  char path[64] = "unchanged";
  char name[24] = "../../etc";
  EXPECT_EQ(MakeUniquePlayerFileName(path, sizeof path, name, sizeof name), 0);
  char empty[24] = "";
  EXPECT_EQ(MakeUniquePlayerFileName(path, sizeof path, empty, sizeof empty), 0);
  char small[8];
  char fits[24] = "Racer";
  EXPECT_EQ(MakeUniquePlayerFileName(small, sizeof small, fits, sizeof fits), 0);  // the path does not fit
  EXPECT_STREQ(small, "");
}
