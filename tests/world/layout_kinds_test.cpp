// layout_kinds_test.cpp - old layout object kinds brought to the present numbering: the seven
// conversion tables and the fold, row by row where it matters, and the kinds they refuse.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <vector>
#include <string>

#include "world/layout_kinds.h"
#include "world_test_util.h"

namespace {

LayoutObjectRecord Record(uint8_t kind, uint8_t heading = 0, uint8_t flags = 0) {
  return {-1234, 567, 89, flags, kind, heading};
}

struct Expected {
  uint8_t oldKind, newKind, flags, heading;  // heading after converting from heading 0
};

void ExpectConverts(int table, Expected e) {
  SCOPED_TRACE("table " + std::to_string(table) + " kind " + std::to_string(e.oldKind));
  LayoutObjectRecord r = Record(e.oldKind, 0, 0);
  EXPECT_EQ(ConvertLayoutObjectKind(r, table), 1);
  EXPECT_EQ(r.kind, e.newKind);
  EXPECT_EQ(r.flags, e.flags);
  EXPECT_EQ(r.heading, e.heading);
  // Position and height stay as they were.
  EXPECT_EQ(r.x, -1234);
  EXPECT_EQ(r.y, 567);
  EXPECT_EQ(r.z, 89);
}

}  // namespace

TEST(LayoutKinds, TablesHoldTheirRowsOnceEach) {
  const int expected[LAYOUT_CONVERSION_TABLES] = {42, 41, 46, 45, 45, 39, 43};
  for (int n = 1; n <= LAYOUT_CONVERSION_TABLES; ++n) {
    int count = -1;
    const LayoutKindRow* rows = LayoutConversionTable(n, count);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(count, expected[n - 1]) << "table " << n;
    std::set<int> seen;
    for (int i = 0; i < count; ++i)
      EXPECT_TRUE(seen.insert(rows[i].oldKind).second) << "table " << n << " kind " << int(rows[i].oldKind);
  }
  int count = -1;
  EXPECT_EQ(LayoutConversionTable(0, count), nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(LayoutConversionTable(8, count), nullptr);

  const LayoutKindFold* fold = LayoutFoldTable(count);
  EXPECT_EQ(count, 38);
  std::set<int> olds, news;
  for (int i = 0; i < count; ++i) {
    EXPECT_TRUE(olds.insert(fold[i].oldKind).second);
    news.insert(fold[i].newKind);
    EXPECT_LT(fold[i].low, 8);
  }
  // No kind the fold makes is folded again, so at most one row applies to a record.
  for (int k : news) EXPECT_EQ(olds.count(k), 0u) << k;
}

// Every row of the seven tables and of the fold, written old>new with "f" and the new flags and
// "h" and the heading addition where they are not 0.
namespace {

const char* const TABLE_ROWS[LAYOUT_CONVERSION_TABLES] = {
    // table 1
    "0>20, 1>21, 12>55 f1, 13>55 f3, 17>53 f1, 18>53 f3, 19>113, 20>112, 22>20, 23>21, 24>22, 25>23, "
    "26>25, 27>29, 28>27, 29>28, 30>24, 31>26, 32>30, 33>40, 34>43, 35>41, 36>42, 37>161, 38>160, "
    "39>104, 40>105, 41>106, 42>136, 43>138, 44>139, 46>6, 47>7, 48>11, 49>8, 50>12, 51>9, 52>13, "
    "53>10, 54>4, 82>120, 112>121",
    // table 2
    "4>148, 17>23, 18>22, 21>55 f1, 22>55 f2, 73>20, 74>21, 75>22, 76>23, 77>25, 78>29, 79>27, 80>28, "
    "81>136, 82>138, 83>139, 84>137, 85>24, 86>26, 87>30, 88>40, 89>43, 90>41, 91>42, 92>161, 93>160, "
    "94>144, 95>6, 96>7, 97>11, 98>8, 99>12, 100>9, 101>13, 102>10, 103>4, 104>106, 105>105, 106>104, "
    "202>120, 203>121",
    // table 3
    "0>21, 2>52, 3>52 f1, 4>52 f5, 10>54 f1, 11>54 f5, 12>54, 44>20, 45>21, 46>22, 47>23, 48>25, "
    "49>29, 50>27, 51>28, 52>144, 53>24, 54>26, 55>30, 56>40, 57>43, 58>41, 59>42, 60>136, 61>138, "
    "62>139, 63>137, 64>106, 65>105, 66>104, 67>6, 68>7, 69>11, 70>8, 71>12, 72>9, 73>13, 74>10, "
    "75>4, 76>161, 77>160, 98>53, 99>53 f1, 100>53 f5, 101>120, 102>121",
    // table 4
    "0>55 f1, 1>55 f2, 2>138, 3>53 f1, 4>53 f2, 19>49, 23>144, 24>96 h64, 25>96 h64, 27>96 h64, "
    "29>20, 30>22, 31>23, 32>29, 33>40, 34>21, 39>25, 40>27, 41>28, 42>136, 43>138, 44>139, 45>137, "
    "46>106, 47>105, 48>104, 49>160, 50>6, 51>11, 52>8, 53>7, 54>9, 55>12, 56>13, 57>10, 58>161, "
    "59>4, 60>26, 61>24, 62>30, 63>43, 64>41, 65>42, 66>120, 67>121",
    // table 5
    "1>20, 2>54 f1, 9>53 f1, 13>20, 14>21, 15>22, 16>23, 17>25, 18>29, 19>27, 20>28, 21>24, 22>26, "
    "23>30, 24>40, 25>43, 26>41, 27>42, 28>161, 29>160, 30>144, 31>136, 32>138, 33>139, 34>137, "
    "35>106, 36>105, 37>104, 38>6, 39>7, 40>11, 41>8, 42>12, 43>9, 44>13, 45>10, 46>4, 75>54 f1, "
    "77>53 f4, 78>53 f2, 79>54 f4, 80>54 f2, 90>54 f1, 103>120, 104>121",
    // table 6
    "0>54 f1, 1>138, 8>21, 9>23, 13>53 f1, 32>20, 33>22, 34>25, 35>29, 36>27, 37>28, 38>24, 39>26, "
    "40>30, 41>40, 42>43, 43>41, 44>42, 45>161, 46>160, 47>136, 48>138, 49>139, 50>137, 51>106, "
    "52>105, 53>104, 54>144, 55>6, 56>7, 57>11, 58>8, 59>12, 60>9, 61>13, 62>10, 63>4, 81>120, 82>121",
    // table 7
    "0>55 f1, 1>55 f2, 2>20, 3>21, 4>138, 5>53 f1, 6>53 f2, 73>20, 74>21, 75>22, 76>23, 77>25, 78>29, "
    "79>27, 80>28, 81>144, 82>136, 83>138, 84>139, 85>137, 86>106, 87>105, 88>104, 89>24, 90>26, "
    "91>30, 92>40, 93>43, 94>41, 95>42, 96>161, 97>160, 98>6, 99>7, 100>11, 101>8, 102>12, 103>9, "
    "104>13, 105>10, 106>4, 139>120, 140>121",
};
// The fold, old>new (low variant, high variant).
const char FOLD_ROWS[] =
    "22>20 (0, 0), 23>20 (1, 0), 24>21 (2, 0), 25>20 (3, 0), 26>21 (3, 0), 27>21 (4, 0), 28>20 (5, "
    "0), 29>20 (6, 0), 30>21 (6, 0), 41>40 (2, 0), 42>40 (3, 0), 43>40 (6, 0), 65>64 (0, 1), 66>64 "
    "(0, 2), 67>64 (0, 3), 68>64 (0, 4), 69>64 (0, 5), 70>64 (0, 6), 71>64 (0, 7), 72>64 (0, 8), "
    "73>64 (0, 9), 74>64 (0, 10), 75>64 (0, 11), 76>64 (0, 12), 77>64 (0, 13), 85>84 (0, 1), 86>84 "
    "(0, 2), 87>84 (0, 3), 88>84 (0, 4), 89>84 (0, 5), 90>84 (0, 6), 91>84 (0, 7), 113>112 (0, 1), "
    "137>136 (1, 0), 138>136 (2, 0), 139>136 (3, 0), 161>160 (0, 1), 169>168 (0, 1)";
}  // namespace

namespace {

// The rows written in a list, in order.
std::vector<Expected> ParseRows(const char* text) {
  std::vector<Expected> rows;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    Expected e{};
    int oldKind = -1, newKind = -1, value = 0;
    char arrow = 0, tag = 0;
    std::istringstream row(item);
    row >> oldKind >> arrow >> newKind;
    while (row >> tag >> value) (tag == 'f' ? e.flags : e.heading) = uint8_t(value);
    e.oldKind = uint8_t(oldKind), e.newKind = uint8_t(newKind);
    rows.push_back(e);
  }
  return rows;
}

}  // namespace

TEST(LayoutKinds, EveryRowOfEveryTableAndNoOtherKind) {
  const int expected[LAYOUT_CONVERSION_TABLES] = {42, 41, 46, 45, 45, 39, 43};
  for (int n = 1; n <= LAYOUT_CONVERSION_TABLES; ++n) {
    const std::vector<Expected> rows = ParseRows(TABLE_ROWS[n - 1]);
    ASSERT_EQ(int(rows.size()), expected[n - 1]) << "table " << n;
    std::set<int> named;
    for (const Expected& e : rows) {
      ExpectConverts(n, e);
      named.insert(e.oldKind);
    }
    CaughtLines caught;
    for (int kind = 0; kind < 256; ++kind) {
      if (named.count(kind)) continue;
      LayoutObjectRecord r = Record(uint8_t(kind));
      EXPECT_EQ(ConvertLayoutObjectKind(r, n), 0) << "table " << n << " kind " << kind;
      EXPECT_EQ(r.kind, 0);
    }
  }
}

TEST(LayoutKinds, TheFoldTakesEveryRowAndLeavesEveryOtherKind) {
  std::istringstream in(FOLD_ROWS);
  std::string item;
  int folded[256];
  for (int& f : folded) f = -1;
  int rows = 0;
  while (std::getline(in, item, ')')) {
    int oldKind = -1, newKind = -1, low = -1, high = -1;
    char c = 0;
    std::istringstream row(item);
    if (item.find_first_of("0123456789") == std::string::npos) continue;
    if (item[0] == ',') row >> c;
    row >> oldKind >> c >> newKind >> c >> low >> c >> high;
    ASSERT_TRUE(oldKind >= 0 && oldKind < 256) << item;
    folded[oldKind] = newKind << 8 | (high * 8 + low);
    ++rows;
  }
  ASSERT_EQ(rows, 38);
  for (int kind = 0; kind < 256; ++kind) {
    LayoutObjectRecord r = Record(uint8_t(kind), 99, 0);
    EXPECT_EQ(FoldLayoutObjectKind(r), folded[kind] >= 0 ? 1 : 0) << kind;
    EXPECT_EQ(r.kind, folded[kind] >= 0 ? folded[kind] >> 8 : kind) << kind;
    EXPECT_EQ(r.flags, folded[kind] >= 0 ? folded[kind] & 0xFF : 0) << kind;
    EXPECT_EQ(r.heading, 99);
  }
}

TEST(LayoutKinds, HeadingTurnsModuloAFullTurn) {
  // Table 4 makes kind 24 a kind 96 turned a quarter: 200 + 64 wraps to 8.
  LayoutObjectRecord r = Record(24, 200, 0);
  EXPECT_EQ(ConvertLayoutObjectKind(r, 4), 1);
  EXPECT_EQ(r.kind, 96);
  EXPECT_EQ(r.heading, 8);
  r = Record(27, 191, 0);
  ConvertLayoutObjectKind(r, 4);
  EXPECT_EQ(r.heading, 255);
  // Rows without an addition keep the heading; a row's flags replace the record's.
  r = Record(12, 77, 6);
  ConvertLayoutObjectKind(r, 1);
  EXPECT_EQ(r.heading, 77);
  EXPECT_EQ(r.flags, 1);
}

TEST(LayoutKinds, UnknownKindsAndTablesGiveKindZeroWithTheMessage) {
  CaughtLines caught;
  LayoutObjectRecord r = Record(45, 30, 0);
  EXPECT_EQ(ConvertLayoutObjectKind(r, 1), 0);
  EXPECT_EQ(r.kind, 0);
  EXPECT_EQ(r.heading, 30);
  EXPECT_EQ(r.flags, 0);
  EXPECT_EQ(r.x, -1234);
  EXPECT_EQ(caught.Count("COULD NOT CONVERT OBJECT (45)"), 1);

  // A table number outside 1 to 7 converts nothing, even a kind every table names.
  for (int n : {0, 8, -1, 255}) {
    r = Record(0, 0, 0);
    r.kind = 106;
    EXPECT_EQ(ConvertLayoutObjectKind(r, n), 0) << n;
    EXPECT_EQ(r.kind, 0) << n;
  }
  EXPECT_EQ(caught.Count("COULD NOT CONVERT OBJECT (106)"), 4);
  // Kind 255 is named by no table.
  r = Record(255);
  EXPECT_EQ(ConvertLayoutObjectKind(r, 2), 0);
  EXPECT_EQ(caught.Count("COULD NOT CONVERT OBJECT (255)"), 1);
}

TEST(LayoutKinds, FoldKeepsTheVariantInTheFlags) {
  struct Case {
    uint8_t oldKind, newKind, flags;
  };
  // Low variants alone, high variants alone (times 8), first and last rows of each family.
  const Case cases[] = {{22, 20, 0},   {23, 20, 1},   {24, 21, 2},    {30, 21, 6},    {41, 40, 2},
                        {43, 40, 6},   {65, 64, 8},   {67, 64, 24},   {77, 64, 104},  {85, 84, 8},
                        {91, 84, 56},  {113, 112, 8}, {137, 136, 1},  {139, 136, 3},  {161, 160, 8},
                        {169, 168, 8}};
  for (const Case& c : cases) {
    LayoutObjectRecord r = Record(c.oldKind, 99, 0);
    EXPECT_EQ(FoldLayoutObjectKind(r), 1) << int(c.oldKind);
    EXPECT_EQ(r.kind, c.newKind) << int(c.oldKind);
    EXPECT_EQ(r.flags, c.flags) << int(c.oldKind);
    EXPECT_EQ(r.heading, 99);
  }
  // Kinds outside the fold, its own results among them, stay as they are, without a message.
  CaughtLines caught;
  for (uint8_t kind : {uint8_t(20), uint8_t(64), uint8_t(31), uint8_t(170), uint8_t(255)}) {
    LayoutObjectRecord r = Record(kind, 5, 0);
    EXPECT_EQ(FoldLayoutObjectKind(r), 0);
    EXPECT_EQ(r.kind, kind);
    EXPECT_EQ(r.flags, 0);
  }
  EXPECT_TRUE(CaughtLines::Lines().empty());
}
