// file_list_test.cpp - file lists filled from temporary folders.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/process.h"
#include "platform/files.h"
#include "ui/file_list.h"
#include "ui/interface.h"
#include "ui/interface_local.h"

namespace fs = std::filesystem;

namespace {

const char* const FOLDER = "fl_a";
const char* const FOLDER2 = "fl_b";

void Touch(const std::string& path, uint64_t seconds) {
  FileWriteAll(path.c_str(), "x", 1);
  FileSetWriteTime(path.c_str(), FileTimeFromUnix(static_cast<int64_t>(seconds), 0));
}

class FileLists : public ::testing::Test {
 protected:
  FileList list;
  void SetUp() override {
    fs::remove_all(FOLDER);
    fs::remove_all(FOLDER2);
    fs::create_directory(FOLDER);
    fs::create_directory(FOLDER2);
    ResetInterfaceState();
  }
  void TearDown() override {
    list.Free();
    FileListBetweenPasses = nullptr;
    fs::remove_all(FOLDER);
    fs::remove_all(FOLDER2);
  }
  std::string Names() const {
    std::string s;
    for (int i = 0; i < list.count; ++i) s += std::string(list.entries[i].name) + (i + 1 < list.count ? "," : "");
    return s;
  }
};

}  // namespace

TEST(Wildcards, MatchWithoutRegardToCase) {
  EXPECT_TRUE(MatchesWildcard("Car.SET", "*.set"));
  EXPECT_TRUE(MatchesWildcard("ab_c.spr", "ab?c*"));
  EXPECT_FALSE(MatchesWildcard("abc.sp", "*.spr"));
  EXPECT_TRUE(MatchesWildcard("x", "*"));
  // A "*" may match nothing at all, at the end or inside.
  EXPECT_TRUE(MatchesWildcard("abc", "abc*"));
  EXPECT_TRUE(MatchesWildcard("abc", "abc**"));
  EXPECT_TRUE(MatchesWildcard("abc", "ab*c"));
  EXPECT_TRUE(MatchesWildcard("", "*"));
  EXPECT_FALSE(MatchesWildcard("abc", "abc?"));
  EXPECT_FALSE(MatchesWildcard("abc", "abc*d"));
}

TEST_F(FileLists, NamesSortWithoutCaseAndLoseTheirExtension) {
  Touch("fl_a/beta.set", 1000);
  Touch("fl_a/Alpha.set", 2000);
  Touch("fl_a/gamma.txt", 3000);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 0, nullptr, 0);
  EXPECT_EQ(Names(), "Alpha,beta");
  EXPECT_EQ(list.selected, -1);
  list.Fill("fl_a\\*", FILE_SORT_TIME, 32, nullptr, 0, nullptr, 0);  // "*" keeps extensions; newest first
  EXPECT_EQ(Names(), "gamma.txt,Alpha.set,beta.set");
  EXPECT_STREQ(list.entries[2].second + FILE_LIST_DATE_TEXT, "1/1/70");
  EXPECT_STREQ(list.entries[2].second + FILE_LIST_TIME_TEXT, "00:16.40");
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 4, nullptr, 0, nullptr, 0);  // cut to the limit less one
  EXPECT_EQ(Names(), "Alp,bet");
  list.Fill("fl_a\\*.none", FILE_SORT_NAME, 32, nullptr, 0, nullptr, 0);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.entries, nullptr);
}

// Removing by name takes every entry of that name, whatever its case, the first one too.
TEST_F(FileLists, RemovingByNameTakesTheFirstEntryToo) {
  Touch("fl_a/beta.set", 1000);
  Touch("fl_a/Alpha.set", 2000);
  Touch("fl_a/gamma.set", 3000);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 0, nullptr, 0);
  ASSERT_EQ(Names(), "Alpha,beta,gamma");
  list.RemoveByName("alpha");
  EXPECT_EQ(Names(), "beta,gamma");
  list.RemoveByName("GAMMA");
  EXPECT_EQ(Names(), "beta");
}

// A length limit past the names' 64 bytes is held at 64: a name of 70 characters keeps 63.
TEST_F(FileLists, ALengthLimitPastTheNameSizeIsHeldThere) {
  const std::string longName(70, 'n');
  Touch("fl_a/" + longName + ".set", 1000);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 200, nullptr, 0, nullptr, 0);
  EXPECT_EQ(list.lengthLimit, 64u);
  EXPECT_EQ(Names(), std::string(63, 'n'));
  // A limit of 0 keeps no character at all, as one of 1 does.
  for (const uint32_t limit : {0u, 1u}) {
    list.Fill("fl_a\\*.set", FILE_SORT_NAME, limit, nullptr, 0, nullptr, 0);
    ASSERT_EQ(list.count, 1) << limit;
    EXPECT_STREQ(list.entries[0].name, "") << limit;
  }
}

TEST_F(FileLists, TwoPatternsWithTheDuplicateCheckListANameOnceFromTheFirst) {
  Touch("fl_a/same.set", 1000);
  Touch("fl_b/same.set", 2000);
  Touch("fl_b/other.set", 2000);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 0, "fl_b\\*.set", 1);
  ASSERT_EQ(Names(), "other,same");
  EXPECT_EQ(list.entries[0].secondFolder, 1);
  EXPECT_EQ(list.entries[1].secondFolder, 0);
  list.Fill("fl_none\\*.set", FILE_SORT_NAME, 32, nullptr, 0, "fl_b\\*.set", 1);  // first finds nothing
  EXPECT_EQ(Names(), "other,same");
}

// A replay's name has "_" as its fourth character and 5 to 19 characters, or as its seventh
// and 8 to 22: the lengths just inside are listed, those just outside are not.
TEST_F(FileLists, ReplayShapedNamesEndAtTheirLengths) {
  const std::string inside[] = {"abc_x", "abc_" + std::string(15, 'x'), "abcdef_x", "abcdef_" + std::string(15, 'x')};
  const std::string outside[] = {"abc_", "abc_" + std::string(16, 'x'), "abcdef_" + std::string(16, 'x')};
  uint64_t time = 100;
  for (const std::string& n : inside) Touch(std::string("fl_a/") + n + ".spr", time++);
  for (const std::string& n : outside) Touch(std::string("fl_a/") + n + ".spr", time++);
  list.Fill("fl_a\\*.spr", FILE_SORT_TIME_SHAPED, 64, nullptr, 0, nullptr, 0);
  const std::string names = "," + Names() + ",";
  for (const std::string& n : inside) EXPECT_NE(names.find("," + n + ","), std::string::npos) << n;
  for (const std::string& n : outside) EXPECT_EQ(names.find("," + n + ","), std::string::npos) << n;
}

TEST_F(FileLists, ModeFiltersAndEqualTimes) {
  for (const char* n : {"abc_x.spr", "ab_c.spr", "abcdef_long.spr", "abcdefghijklmnopqrstu_.spr"})
    Touch(std::string("fl_a/") + n, 5000);
  list.Fill("fl_a\\*.spr", FILE_SORT_TIME_SHAPED, 64, nullptr, 0, nullptr, 0);
  EXPECT_EQ(Names(), "abcdef_long,abc_x");  // equal times: the later found comes first
  Touch("fl_a/pic.JPG", 1);
  Touch("fl_a/pic.doc", 1);
  Touch("fl_a/z.tga", 2);
  list.Fill("fl_a\\*", FILE_SORT_IMAGE_NAME, 64, nullptr, 0, nullptr, 0);
  EXPECT_EQ(Names(), "pic.JPG,z.tga");
  list.Fill("fl_a\\*", FILE_SORT_IMAGE_TIME, 64, nullptr, 0, nullptr, 0);
  EXPECT_EQ(Names(), "z.tga,pic.JPG");
}

TEST_F(FileLists, LanguagesSortByTableWithEnglishFirstOnce) {
  for (const char* n : {"Suomi.txt", "English.txt", "Deutsch.txt", "Klingon.txt", "max_len.txt"}) Touch(std::string("fl_a/") + n, 1);
  list.Fill("fl_a\\*.txt", FILE_SORT_LANGUAGE, 32, nullptr, 0, nullptr, 0);
  EXPECT_EQ(Names(), "English,Deutsch,Suomi,Klingon");
  EXPECT_EQ(list.entries[3].languageIndex, LANGUAGE_INDEX_NONE);
}

TEST_F(FileLists, LeadingTextCharacterCheckAndResort) {
  Touch("fl_a/tmp_a.set", 1);
  Touch("fl_a/b~.set", 2);
  Touch("fl_a/c.set", 3);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, "TMP", 1, nullptr, 0);
  EXPECT_EQ(Names(), "c");
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 2, nullptr, 0);
  EXPECT_EQ(Names(), "b~,c,tmp_a");
  FileSortSetting = FILE_SORT_TIME;
  list.Resort();
  EXPECT_EQ(Names(), "c,b~,tmp_a");
  FileSortSetting = FILE_SORT_NAME;
}

// A list with room to spare (a duplicate refused after counting, or an entry removed)
// keeps exactly its own entries when resorted: nothing from the unused room is listed.
TEST_F(FileLists, ResortingAListWithRoomToSpareKeepsItsEntriesOnly) {
  Touch("fl_a/same.set", 1000);
  Touch("fl_b/same.set", 2000);
  Touch("fl_b/other.set", 500);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 0, "fl_b\\*.set", 1);
  EXPECT_EQ(Names(), "other,same");
  EXPECT_EQ(list.capacity, 3);  // three counted, the second "same" refused
  FileSortSetting = FILE_SORT_TIME;
  list.Resort();
  EXPECT_EQ(Names(), "same,other");  // newest first: 1000 (the first folder's "same"), then 500
  EXPECT_EQ(list.count, 2);

  Touch("fl_a/a.set", 1);
  Touch("fl_a/b.set", 2);
  Touch("fl_a/c.set", 3);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 0, nullptr, 0);
  EXPECT_EQ(Names(), "a,b,c,same");
  list.RemoveByName("same");  // the room it leaves still holds a copy of it
  list.RemoveByName("a");
  EXPECT_EQ(Names(), "b,c");
  list.Resort();
  EXPECT_EQ(Names(), "c,b");  // times 3, 2
  EXPECT_EQ(list.count, 2);
  FileSortSetting = FILE_SORT_NAME;
}

TEST_F(FileLists, FilesAppearingBetweenThePassesNeverOverrunTheList) {
  Touch("fl_a/a.set", 1);
  Touch("fl_a/b.set", 2);
  FileListBetweenPasses = [] {
    for (int i = 0; i < 50; ++i) Touch("fl_a/new" + std::to_string(i) + ".set", 9);
  };
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 0, nullptr, 0);
  EXPECT_EQ(list.count, 2);
  EXPECT_EQ(list.capacity, 2);
}

TEST_F(FileLists, RemovingSelectingAndFinding) {
  for (const char* n : {"one.set", "two.set", "three.set"}) Touch(std::string("fl_a/") + n, 1);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 0, nullptr, 0);
  list.SelectByName("TWO.set");
  EXPECT_EQ(list.selected, 2);
  EXPECT_EQ(list.FindByPrefix("th"), 1);
  EXPECT_NE(list.FindByName("ONE"), nullptr);
  list.RemoveByName("Three");
  EXPECT_EQ(Names(), "one,two");
  list.RemoveByName("two");  // the last: a name removed is found no more
  EXPECT_EQ(Names(), "one");
  EXPECT_EQ(list.FindByPrefix("tw"), -1);
  list.SelectByName("two");
  EXPECT_EQ(list.selected, -1);
  list.RemoveAt(0);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.entries, nullptr);
  EXPECT_EQ(list.selected, -1);
}

TEST_F(FileLists, DrawingAddsAScrollBarOnlyWhenRowsRunOut) {
  for (int i = 0; i < 5; ++i) Touch("fl_a/f" + std::to_string(i) + ".set", 1);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 0, nullptr, 0);
  Prss owner{};
  list.scroll = 3;
  list.Draw(&owner, nullptr, -0.5f, -0.5f, 0.5f, 0.1f, 5, 1);
  EXPECT_EQ(ValueControlCount, 5);  // exactly as many entries as rows: no bar
  EXPECT_EQ(list.scroll, 0);
  EXPECT_FLOAT_EQ(ValueControls[0].right, 0.5f);
  EXPECT_EQ(ValueControls[1].variable, reinterpret_cast<void*>(1));
  ClearInterface();
  list.scroll = 9;
  list.Draw(&owner, nullptr, -0.5f, -0.5f, 0.5f, 0.1f, 3, -1);
  EXPECT_EQ(list.scroll, 2);
  int rows = 0, wheel = 0;
  for (int i = 0; i < ValueControlCount; ++i) {
    rows += ValueControls[i].displayType == VALUE_TYPE_TEXT;
    wheel += ValueControls[i].displayType == VALUE_TYPE_WHEEL;
  }
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(wheel, 1);
  EXPECT_FLOAT_EQ(ValueControls[ValueControlCount - 1].right, 0.475f);
}

// Removing an entry keeps the selection on the list: the last entry selected stays the last.
TEST_F(FileLists, RemovingAnEntryKeepsTheSelectionOnTheList) {
  for (const char* n : {"a.set", "b.set", "c.set"}) Touch(std::string("fl_a/") + n, 1);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 0, nullptr, 0);
  list.selected = 2;
  list.RemoveAt(0);
  EXPECT_EQ(Names(), "b,c");
  EXPECT_EQ(list.selected, 1);
  list.selected = 0;
  list.RemoveAt(1);
  EXPECT_EQ(Names(), "b");
  EXPECT_EQ(list.selected, 0);
}

// The character check refuses a name with a byte from 127 (DEL) on, and takes one below it.
TEST_F(FileLists, TheCharacterCheckRefusesDelAndAbove) {
  Touch("fl_a/a\x7F.set", 1);
  Touch("fl_a/b~.set", 1);
  list.Fill("fl_a\\*.set", FILE_SORT_NAME, 32, nullptr, 2, nullptr, 0);
  EXPECT_EQ(Names(), "b~");
}
