// layout_kinds_test.cpp - old layout object kinds brought to the present numbering: the seven
// conversion tables and the fold, row by row where it matters, and the kinds they refuse.
#include <gtest/gtest.h>

#include <set>
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

TEST(LayoutKinds, RowsMatchTheirTables) {
  // First, last and the rows with flags or a heading addition.
  ExpectConverts(1, {0, 20, 0, 0});
  ExpectConverts(1, {13, 55, 3, 0});
  ExpectConverts(1, {18, 53, 3, 0});
  ExpectConverts(1, {112, 121, 0, 0});
  ExpectConverts(2, {4, 148, 0, 0});
  ExpectConverts(2, {22, 55, 2, 0});
  ExpectConverts(2, {105, 105, 0, 0});
  ExpectConverts(2, {203, 121, 0, 0});
  ExpectConverts(3, {0, 21, 0, 0});
  ExpectConverts(3, {4, 52, 5, 0});
  ExpectConverts(3, {11, 54, 5, 0});
  ExpectConverts(3, {100, 53, 5, 0});
  ExpectConverts(3, {102, 121, 0, 0});
  ExpectConverts(4, {0, 55, 1, 0});
  ExpectConverts(4, {4, 53, 2, 0});
  ExpectConverts(4, {25, 96, 0, 64});
  ExpectConverts(4, {27, 96, 0, 64});
  ExpectConverts(4, {67, 121, 0, 0});
  ExpectConverts(5, {1, 20, 0, 0});
  ExpectConverts(5, {77, 53, 4, 0});
  ExpectConverts(5, {80, 54, 2, 0});
  ExpectConverts(5, {90, 54, 1, 0});
  ExpectConverts(5, {104, 121, 0, 0});
  ExpectConverts(6, {0, 54, 1, 0});
  ExpectConverts(6, {13, 53, 1, 0});
  ExpectConverts(6, {54, 144, 0, 0});
  ExpectConverts(6, {82, 121, 0, 0});
  ExpectConverts(7, {0, 55, 1, 0});
  ExpectConverts(7, {6, 53, 2, 0});
  ExpectConverts(7, {81, 144, 0, 0});
  ExpectConverts(7, {140, 121, 0, 0});
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
