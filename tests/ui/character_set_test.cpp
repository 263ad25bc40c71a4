// character_set_test.cpp - reading the character-set file, preparing glyphs, the code-page
// tables of the generated set, and double-byte glyph lookup.
#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "core/log.h"
#include "platform/font_source.h"
#include "tests/ui/charset_test_util.h"
#include "text/code_pages.h"
#include "ui/text_measure.h"

namespace {

class CharsetReader : public ::testing::Test {
 protected:
  void TearDown() override { FreeCharacterSet(); }
  TestCharset set;
};

// Loads the image with a fresh log, which it removes again: what the load returned and the
// log's text.
std::string LoadWithFreshLog(const Bytes& image, int& loaded) {
  std::remove(CurrentLogPath());
  loaded = LoadTestImage(image);
  std::stringstream log;
  {
    std::ifstream in(CurrentLogPath());
    log << in.rdbuf();
  }
  std::remove(CurrentLogPath());
  return log.str();
}

// Loads the image with a fresh log: the log's line from the file's name on when the load was
// refused as a damaged file (error 9), else "accepted or unreported".
std::string RefusalLine(const Bytes& image) {
  int ok = -1;
  const std::string text = LoadWithFreshLog(image, ok);
  const size_t at = text.find("test.abc");
  return ok == 0 && CharacterSetError == 9 && at != std::string::npos ? text.substr(at) : "accepted or unreported";
}

}  // namespace

// ---- Versions, padding and record counts ----

TEST_F(CharsetReader, ReadsVersion252WithoutPaddingAndPreparesSizes) {
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  EXPECT_EQ(CharacterSetError, 0);
  const Char& a = Glyphs['A' - 32];
  EXPECT_EQ(a.numPoints, 3);
  EXPECT_EQ(a.numTriangles, 1);
  EXPECT_FLOAT_EQ(a.width, 5.0f / 9.0f);
  EXPECT_FLOAT_EQ(a.height, (7.0f + 0.25f) / 9.0f);
  // A glyph without points below 96 has the minimum size.
  EXPECT_FLOAT_EQ(Glyphs['B' - 32].width, 1.0f / 9.0f);
  EXPECT_FLOAT_EQ(Glyphs['B' - 32].height, 1.25f / 9.0f);
  EXPECT_EQ(NumCodePagesInUse, 10);
  EXPECT_EQ(CodePageRecords[0].number, 1250);
  EXPECT_EQ(NumGlyphPages, 1);
}

TEST_F(CharsetReader, Version252WithTheFlagClearAndVersion251SkipPadding) {
  set.noPaddingFlag = 0;
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  EXPECT_EQ(Glyphs['A' - 32].numPoints, 3);
  FreeCharacterSet();
  set.version = 251;
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  EXPECT_EQ(Glyphs['A' - 32].numTriangles, 1);
  EXPECT_EQ(CodePageRecords[0].entries['A' - 32].glyph, 'A' - 32);
}

TEST_F(CharsetReader, RefusesVersionsOutsideTheReadRangeAndOtherMagic) {
  set.version = 250;
  EXPECT_EQ(LoadTestImage(set.Build()), 0);
  EXPECT_EQ(CharacterSetError, 4);
  set.version = 253;
  EXPECT_EQ(LoadTestImage(set.Build()), 0);
  EXPECT_EQ(CharacterSetError, 3);
  set.version = 252;
  Bytes image = set.Build();
  image[0] = 'Z';
  EXPECT_EQ(LoadTestImage(image), 0);
  EXPECT_EQ(CharacterSetError, 5);
  EXPECT_EQ(LoadTestImage(Bytes(image.begin(), image.begin() + 8)), 0);
}

TEST_F(CharsetReader, FewerGlyphRecordsLeaveTheRestEmptyWithThePlaceholdersSize) {
  set.glyphs.resize(100);
  set.glyphs[99].points = {{2.0f, 2.0f}, {3.0f, 2.0f}, {2.5f, 3.0f}};
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  EXPECT_EQ(Glyphs[99].numPoints, 3);
  EXPECT_EQ(Glyphs[300].numPoints, 0);
  EXPECT_FLOAT_EQ(Glyphs[300].width, Glyphs[GLYPH_PLACEHOLDER].width);
  EXPECT_FLOAT_EQ(Glyphs[300].height, Glyphs[GLYPH_PLACEHOLDER].height);
  // From the first raw glyph (96) on, not below it: glyph 94 keeps the least size, a ninth.
  EXPECT_FLOAT_EQ(Glyphs[FIRST_RAW_GLYPH].width, 5.0f / 9.0f) << "the placeholder box's width";
  EXPECT_FLOAT_EQ(Glyphs[FIRST_RAW_GLYPH].height, Glyphs[GLYPH_PLACEHOLDER].height);
  EXPECT_FLOAT_EQ(Glyphs[GLYPH_PLACEHOLDER - 1].width, 1.0f / 9.0f);
}

// No glyph records at all is the least of "fewer": the set loads with every glyph empty.
TEST_F(CharsetReader, ASetWithNoGlyphRecordsLoadsWithEveryGlyphEmpty) {
  set.glyphs.clear();
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  EXPECT_EQ(Glyphs[33].numPoints, 0);
  EXPECT_EQ(Glyphs[33].numTriangles, 0);
}

TEST_F(CharsetReader, RecordsBeyondTheTableAreReadPastSoTheCodePagesStillLoad) {
  set.glyphs.resize(GLYPH_COUNT + 3);
  set.glyphs[GLYPH_COUNT + 1].points = {{1.0f, 1.0f}};
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  EXPECT_EQ(CodePageRecords[3].entries['z' - 32].glyph, 'z' - 32);
}

TEST_F(CharsetReader, TenCodePagesAreRefusedAndTwelveUseTheFirstTen) {
  set.numCodePages = 10;
  EXPECT_EQ(LoadTestImage(set.Build()), 0);
  set.numCodePages = 12;
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  EXPECT_EQ(NumCodePagesInUse, 10);
  EXPECT_EQ(CodePageRecords[9].number, 1259);
}

TEST_F(CharsetReader, OnlyCodePagesInUseOwnGlyphPages) {
  set.numCodePages = 11;
  set.codePages.push_back(set.codePages[4]);  // the eleventh record repeats the Japanese table
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  EXPECT_EQ(GlyphPages[0].owner, &CodePageRecords[4]);
  for (const GlyphSlot& slot : GlyphPages[0].slots) {
    EXPECT_EQ(slot.cacheLocation, CACHE_LOCATION_NONE);
    EXPECT_EQ(slot.pixelWidth, GLYPH_WIDTH_UNMEASURED);
  }
}

// ---- Damaged files ----

TEST_F(CharsetReader, RefusesEveryTruncation) {
  const Bytes good = set.Build();
  for (size_t n = 0; n < good.size(); ++n) {
    const Bytes cut(good.begin(), good.begin() + static_cast<long>(n));  // a fresh copy: ASan sees the end
    EXPECT_EQ(LoadTestImage(cut), 0) << n;
  }
  EXPECT_EQ(CharacterSetError, 9);
}

TEST_F(CharsetReader, RefusesIndicesOutsideTheirTables) {
  auto refused = [&](TestCharset s) {
    const int ok = LoadTestImage(s.Build());
    return ok == 0 && CharacterSetError == 9;
  };
  TestCharset s = set;
  s.glyphs[40].points = {{1, 1}, {2, 2}};
  s.glyphs[40].triangles = {{0, 1, 2}};
  EXPECT_TRUE(refused(s)) << "triangle point";
  s = set;
  s.glyphs[40].points = {{1, 1}};
  s.glyphs[40].links = {{0, 1}};
  EXPECT_TRUE(refused(s)) << "link point";
  s = set;
  s.glyphs[40].points = {{1, 1}};
  s.glyphs[40].dots = {{3, 10, 10}};
  EXPECT_TRUE(refused(s)) << "dot point";
  s = set;
  s.glyphs[40].points = {{1, 1}, {2, 2}};
  s.glyphs[40].links = {{0, 1}};
  s.glyphs[40].curves = {{0, 1, 1, 1, {0, 0, 0, 0}}};
  EXPECT_TRUE(refused(s)) << "curve link";
  s.glyphs[40].curves = {{1, 0, 1, 1, {0, 0, 0, 0}}};
  EXPECT_TRUE(refused(s)) << "curve's first link one past the links";
  s.glyphs[40].curves = {{0, 0, 1, 1, {0, NAN, 0, 0}}};
  EXPECT_TRUE(refused(s)) << "curve angle not a number";
  s = set;
  s.glyphs[40].points = {{NAN, 1}};
  EXPECT_TRUE(refused(s)) << "point not a number";
  s = set;
  s.codePages[2]['x' - 32].glyph = GLYPH_COUNT;
  EXPECT_TRUE(refused(s)) << "glyph number";
  s = set;
  s.codePages[4][0x83 - 32] = CharacterEntry{1, 0, ENTRY_LEAD_PAGE};
  EXPECT_TRUE(refused(s)) << "glyph page";
  // A page past the tenth is not used, so what it names does not matter.
  s = set;
  s.numCodePages = 11;
  s.codePages.push_back(s.codePages[0]);
  s.codePages[10]['x' - 32].glyph = 60000;
  EXPECT_EQ(LoadTestImage(s.Build()), 1);
}

TEST_F(CharsetReader, RefusesNegativeAndOversizedCounts) {
  Bytes image = set.Build();
  // The glyph count sits after the header and the four flag bytes.
  Bytes negative = image;
  negative[12] = negative[13] = negative[14] = negative[15] = 0xFF;
  EXPECT_EQ(LoadTestImage(negative), 0);
  Bytes huge = image;
  huge[15] = 0x7F;
  EXPECT_EQ(LoadTestImage(huge), 0);
  Bytes points = image;
  points[16] = points[17] = points[18] = points[19] = 0xFF;  // glyph 0's point count
  EXPECT_EQ(LoadTestImage(points), 0);
}

// A count below its least is a damaged file: the load fails with the damaged-file error (9),
// and the log's line names the file and the count it could not take.
TEST_F(CharsetReader, ANegativeOrTooSmallCountIsReportedAsADamagedFileNamingTheCount) {
  SetLogFileName("");
  Bytes negativeGlyphs = set.Build();
  negativeGlyphs[12] = negativeGlyphs[13] = negativeGlyphs[14] = negativeGlyphs[15] = 0xFF;
  EXPECT_NE(RefusalLine(negativeGlyphs).find("-1"), std::string::npos) << "negative glyph count";
  TestCharset tenPages = set;  // eleven code pages at least
  tenPages.numCodePages = 10;
  EXPECT_NE(RefusalLine(tenPages.Build()).find("10"), std::string::npos) << "ten code pages";
  tenPages.numCodePages = 11;
  EXPECT_EQ(LoadTestImage(tenPages.Build()), 1);
  EXPECT_EQ(CharacterSetError, 0) << "eleven code pages";
  // Without glyph pages the file ends with their count; no page names one then.
  TestCharset noGlyphPages = set;
  noGlyphPages.glyphPages.clear();
  noGlyphPages.codePages[4][0x81 - 32] = CharacterEntry{0, 0, ENTRY_LEAD_NO_PAGE};
  Bytes negativePages = noGlyphPages.Build();
  ASSERT_EQ(LoadTestImage(negativePages), 1);
  const size_t last = negativePages.size() - 4;
  negativePages[last] = negativePages[last + 1] = negativePages[last + 2] = negativePages[last + 3] = 0xFF;
  EXPECT_NE(RefusalLine(negativePages).find("-1"), std::string::npos) << "negative glyph page count";
}

// A glyph count that just fits the bytes left is read, so a damaged record in it is told for
// what it is.  24 bytes: the magic and version 252 (8), the flag 1 (no padding) and three
// bytes (4), one glyph (4), then 8 bytes left, one unpadded record's least: a point count of
// -1 and four zero counts.  One record of 8 in 8 bytes fits; the record's -1 is refused.
TEST_F(CharsetReader, AGlyphCountThatJustFitsIsReadSoItsDamagedRecordIsNamed) {
  SetLogFileName("");
  const Bytes image = {'Q', 'X', 'C', 'H', 'A', 'R', 0x00, 0xFC, 0x01, 0x00, 0x00, 0x00,
                       0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};
  int loaded = -1;
  const std::string log = LoadWithFreshLog(image, loaded);
  EXPECT_EQ(loaded, 0);
  EXPECT_EQ(CharacterSetError, 9);
  EXPECT_NE(log.find("Corrupted file : test.abc (glyph 0: negative point count)"), std::string::npos)
      << log;
  EXPECT_EQ(log.find("File is too short"), std::string::npos) << "the count fits: not a short file";
}

// Likewise a point count that just fits: 28 bytes, the magic and version 252 (8), the flag 1
// (no padding) and three bytes (4), one glyph (4), a point count of 1 (4), then 8 bytes left,
// one point's worth: x a NaN (0x7FC00000, low byte first) and y 0.  One point of 8 in 8 bytes
// is read, and the NaN is refused by name rather than as a short file.
TEST_F(CharsetReader, APointCountThatJustFitsIsReadSoItsDamagedPointIsNamed) {
  SetLogFileName("");
  const Bytes image = {'Q',  'X',  'C',  'H',  'A',  'R',  0x00, 0xFC, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00,
                       0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x7F, 0x00, 0x00, 0x00, 0x00};
  int loaded = -1;
  const std::string log = LoadWithFreshLog(image, loaded);
  EXPECT_EQ(loaded, 0);
  EXPECT_EQ(CharacterSetError, 9);
  EXPECT_NE(log.find("Corrupted file : test.abc (glyph 0: point is not a number)"), std::string::npos)
      << log;
  EXPECT_EQ(log.find("File is too short"), std::string::npos) << "the point fits: not a short file";
}

// A damaged glyph record or table entry is logged with the file, naming the glyph (or the
// number) and what was wrong with it.
TEST_F(CharsetReader, ARefusalNamesTheGlyphAndItsFault) {
  SetLogFileName("");
  const auto says = [&](const TestCharset& s, const std::string& reason) {
    return RefusalLine(s.Build()).find(reason) != std::string::npos;
  };
  TestCharset s = set;
  s.glyphs[40].points = {{1, 1}, {2, 2}};
  s.glyphs[40].triangles = {{0, 1, 2}};
  EXPECT_TRUE(says(s, "glyph 40: triangle point out of range"));
  s = set;
  s.glyphs[40].points = {{1, 1}};
  s.glyphs[40].links = {{0, 1}};
  EXPECT_TRUE(says(s, "glyph 40: link point out of range"));
  s = set;
  s.glyphs[40].points = {{1, 1}};
  s.glyphs[40].dots = {{3, 10, 10}};
  EXPECT_TRUE(says(s, "glyph 40: dot point out of range"));
  s = set;
  s.glyphs[40].points = {{1, 1}, {2, 2}};
  s.glyphs[40].links = {{0, 1}};
  s.glyphs[40].curves = {{0, 1, 1, 1, {0, 0, 0, 0}}};
  EXPECT_TRUE(says(s, "glyph 40: curve link out of range"));
  s.glyphs[40].curves = {{0, 0, 1, 1, {0, NAN, 0, 0}}};
  EXPECT_TRUE(says(s, "glyph 40: curve angle is not a number"));
  s = set;
  s.glyphs[40].points = {{NAN, 1}};
  EXPECT_TRUE(says(s, "glyph 40: point is not a number"));
  s = set;
  s.codePages[2]['x' - 32].glyph = GLYPH_COUNT;
  EXPECT_TRUE(says(s, "glyph " + std::to_string(GLYPH_COUNT) + " out of range"));
  s = set;
  s.codePages[4][0x83 - 32] = CharacterEntry{1, 0, ENTRY_LEAD_PAGE};
  EXPECT_TRUE(says(s, "glyph page 1 out of range"));
  Bytes negativePoints = set.Build();
  negativePoints[16] = negativePoints[17] = negativePoints[18] = negativePoints[19] = 0xFF;  // glyph 0's point count
  EXPECT_NE(RefusalLine(negativePoints).find("glyph 0: negative point count"), std::string::npos);
}

TEST_F(CharsetReader, ARefusedFileLeavesTheLoadedSetInPlace) {
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  Bytes bad = set.Build();
  bad.resize(bad.size() - 1);
  EXPECT_EQ(LoadTestImage(bad), 0);
  EXPECT_EQ(Glyphs['A' - 32].numTriangles, 1);
  EXPECT_EQ(NumGlyphPages, 1);
}

TEST(CharacterSetStartUp, LoadFailsWithoutTheFileAndWithTheTinySetSucceeds) {
  ASSERT_EQ(LoadCharacterSet(), 0);  // the test folder has no data\abc
  EXPECT_EQ(CharacterSetError, 2);
  const Bytes tiny = ReadWholeFile(TinyCharsetPath());
  ASSERT_FALSE(tiny.empty()) << TinyCharsetPath();
  ASSERT_EQ(LoadTestImage(tiny), 1);
  EXPECT_GT(Glyphs['W' - 32].numTriangles, 0);
  EXPECT_EQ(CodePageRecords[4].entries[0x81 - 32].flags, ENTRY_LEAD_NO_PAGE);
  FreeCharacterSet();
}

// Works in a fresh folder of the test folder that holds the tiny set at path (under the
// folder), and goes back when done.
struct InFolderWithTinySet {
  std::filesystem::path previous = std::filesystem::current_path();
  InFolderWithTinySet(const char* name, const std::filesystem::path& path) {
    const std::filesystem::path folder = previous / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories((folder / path).parent_path());
    std::filesystem::copy_file(TinyCharsetPath(), folder / path);
    std::filesystem::current_path(folder);
  }
  ~InFolderWithTinySet() { std::filesystem::current_path(previous); }
};

TEST(CharacterSetStartUp, TheFileIsFoundWhateverTheCaseOfItsFolderAndName) {
  InFolderWithTinySet folder("charset_case", "Data/ABC/ZKT.Abc");
  EXPECT_EQ(LoadCharacterSet(), 1);
  EXPECT_EQ(CharacterSetError, 0);
  EXPECT_GT(Glyphs['W' - 32].numTriangles, 0);
  FreeCharacterSet();
}

// The start-up's reader of the file waits to be let draw the glyphs ahead: the load takes its
// set whether the reader was let before it read, after, or never.
TEST(CharacterSetStartUp, APreparedReadIsTakenWhetherOrNotItsReaderWasLetDrawAhead) {
  InFolderWithTinySet folder("charset_prepared", "data/abc/ZKT.abc");
  for (int when = 0; when < 3; ++when) {
    if (when == 0) DrawPreparedGlyphsAhead();  // told before the reader starts
    PrepareCharacterSet();
    if (when == 1) DrawPreparedGlyphsAhead();
    EXPECT_EQ(LoadCharacterSet(), 1) << when;
    EXPECT_GT(Glyphs['W' - 32].numTriangles, 0) << when;
    FreeCharacterSet();
  }
  PrepareCharacterSet();
  ForgetPreparedCharacterSet();  // a start that ended before it took the set
}

TEST(CharacterSetStartUp, TheFuzzersSeedWithLinksDotsAndCurvesLoads) {
  const char* source = std::getenv("ZKT_SOURCE_DIR");
  const Bytes seed = ReadWholeFile(std::string(source ? source : ".") + "/tests/fuzz/corpus/charset/curves.abc");
  ASSERT_EQ(LoadTestImage(seed), 1);
  EXPECT_EQ(Glyphs[0].numCurves, 1);
  EXPECT_EQ(Glyphs[0].numDots, 1);
  FreeCharacterSet();
}

// A dot reaching right of and below every point widens and deepens its glyph: a point at
// (2, 3) with a dot of radii 2 and 3 grid units reaches x 4 and y 0, so the glyph is 4 / 9
// wide and (9 - 0 + 0.25) / 9 deep.
TEST_F(CharsetReader, ADotPastItsPointsWidensAndDeepensItsGlyph) {
  TestGlyph& g = set.glyphs[41];
  g.points = {{2.0f, 3.0f}};
  g.dots = {{0, 20, 30}};
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  EXPECT_FLOAT_EQ(Glyphs[41].width, 4.0f / 9.0f);
  EXPECT_FLOAT_EQ(Glyphs[41].height, 9.25f / 9.0f);
}

// ---- Curves ----

TEST_F(CharsetReader, CurveSidesMeetTheLinksEnds) {
  // A stroke from the bar (0,0)-(0,2) to the bar (10,0)-(10,2); flags set so both cross
  // directions point up.
  TestGlyph& g = set.glyphs[50];
  g.points = {{0, 0}, {0, 2}, {10, 0}, {10, 2}};
  g.links = {{0, 1}, {2, 3}};
  g.curves = {{0, 1, 1, 0, {0, 0, 0, 0}}};
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  const CharCurve& c = Glyphs[50].curves[0];
  EXPECT_NEAR(Glyphs[50].links[0].angle, 1.5707964f, 1e-6f);
  for (int s = 0; s < 2; ++s) {
    for (float t : {0.0f, 0.25f, 0.5f, 1.0f}) {
      const float* k = c.side[s].coeff;
      const float h = ((k[0] * t + k[1]) * t + k[2]) * t + k[3];
      const float y = c.baseStart[1] + t * (c.baseEnd[1] - c.baseStart[1]) +
                      ((1 - t) * c.crossStart[1] + t * c.crossEnd[1]) * h;
      // Side 1 runs along the top edge, side 2 along the bottom; with zero angles, straight.
      EXPECT_NEAR(y, s == 0 ? 2.0f : 0.0f, 1e-5f) << "side " << s << " t " << t;
    }
  }
}

// The same stroke with each side leaning at its own angle at each end.  Along it x = 10 t and
// the cross direction is (0, 2), so a side's slope dy/dx is y'(t) / 10.  Worked by hand for
// side 1 (top edge): the base line runs (0,2) -> (10,0), the side's offset goes 0 -> 1, the
// chord between its ends is (10, 0) and the bar 2 long, so its start slope in cross units is
// (2 + 10 tan a) / 2 and y'(0) = -2 + 2 (2 + 10 tan a) / 2 = 10 tan a: the side leaves at
// slope tan a.  Likewise at the far end and for side 2.  Stored angles, in file order: side 1
// at A then B, side 2 at A then B.
TEST_F(CharsetReader, EachEndOfACurveSideLeansAtItsOwnStoredAngle) {
  TestGlyph& g = set.glyphs[50];
  g.points = {{0, 0}, {0, 2}, {10, 0}, {10, 2}};
  g.links = {{0, 1}, {2, 3}};
  const double up = std::atan(0.5), down = std::atan(-0.25);
  g.curves = {{0, 1, 1, 0, {float(up), 0.0f, 0.0f, float(down)}}};
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  const CharCurve& c = Glyphs[50].curves[0];
  // Position and slope of a side at t, in double.
  const auto y = [&](int s, double t) {
    const float* k = c.side[s].coeff;
    const double h = ((k[0] * t + k[1]) * t + k[2]) * t + k[3];
    return c.baseStart[1] + t * (c.baseEnd[1] - c.baseStart[1]) + ((1 - t) * c.crossStart[1] + t * c.crossEnd[1]) * h;
  };
  const auto slope = [&](int s, double t) {
    const float* k = c.side[s].coeff;
    const double h = ((k[0] * t + k[1]) * t + k[2]) * t + k[3];
    const double dh = (3.0 * k[0] * t + 2.0 * k[1]) * t + k[2];
    const double dy = (c.baseEnd[1] - c.baseStart[1]) + (c.crossEnd[1] - c.crossStart[1]) * h +
                      ((1 - t) * c.crossStart[1] + t * c.crossEnd[1]) * dh;
    return dy / 10.0;
  };
  // The ends stay on the bars' ends whatever the lean.
  EXPECT_NEAR(y(0, 0.0), 2.0, 1e-5);
  EXPECT_NEAR(y(0, 1.0), 2.0, 1e-5);
  EXPECT_NEAR(y(1, 0.0), 0.0, 1e-5);
  EXPECT_NEAR(y(1, 1.0), 0.0, 1e-5);
  EXPECT_NEAR(slope(0, 0.0), 0.5, 1e-5) << "side 1 leaves rising one in two";
  EXPECT_NEAR(slope(0, 1.0), 0.0, 1e-5) << "and arrives level";
  EXPECT_NEAR(slope(1, 0.0), 0.0, 1e-5) << "side 2 leaves level";
  EXPECT_NEAR(slope(1, 1.0), -0.25, 1e-5) << "and arrives falling one in four";
}

TEST_F(CharsetReader, ACurveOnALinkOfNoLengthCollapsesInsteadOfDividingByZero) {
  TestGlyph& g = set.glyphs[50];
  g.points = {{1, 1}, {1, 1}, {5, 1}, {5, 3}};
  g.links = {{0, 1}, {2, 3}};
  g.curves = {{0, 1, 1, 1, {1.5707964f, 0, 0, 0}}};
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  for (const CurveSide& side : Glyphs[50].curves[0].side)
    for (float k : side.coeff) EXPECT_TRUE(std::isfinite(k));
}

// ---- Fonts ----

TEST(FontList, EqualPrioritiesKeepTheirOrderAndTheListStopsAt76) {
  std::vector<FontListEntry> list(FONT_LIST_MAX);
  int count = 0;
  auto add = [&](int priority, const char* face) {
    FontListEntry e = {};
    e.priority = static_cast<uint8_t>(priority);
    std::snprintf(e.face, sizeof e.face, "%s", face);
    count = InsertFontListEntry(list.data(), count, e);
  };
  add(0, "Serif A");
  add(2, "Sans A");
  add(1, "Mono A");
  add(2, "Sans B");
  add(3, "Preferred");
  ASSERT_EQ(count, 5);
  EXPECT_STREQ(list[0].face, "Preferred");
  EXPECT_STREQ(list[1].face, "Sans A");
  EXPECT_STREQ(list[2].face, "Sans B");
  EXPECT_STREQ(list[3].face, "Mono A");
  EXPECT_STREQ(list[4].face, "Serif A");
  for (int i = 0; i < 100; ++i) add(0, "More");
  EXPECT_EQ(count, FONT_LIST_MAX);
  add(3, "Late preferred");  // after the earlier preferred face, pushing the last one out
  EXPECT_STREQ(list[1].face, "Late preferred");
  EXPECT_STREQ(list[FONT_LIST_MAX - 1].face, "More");
  EXPECT_EQ(count, FONT_LIST_MAX);
}

// A language covered by more faces than the list holds (80 against 76): the face is chosen
// among the faces the system listed first, never from past them, when the first question
// about the page's font comes after the character set is loaded.  The faces are the build's
// own font under 80 family names, each said to cover Japanese, in a font configuration of
// their own.
TEST(FontList, ALanguageWithMoreFacesThanTheListHoldsChoosesAmongTheListedOnes) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::absolute("many_faces");
  fs::remove_all(folder);
  fs::create_directories(folder / "fonts");
  std::string config = "<?xml version=\"1.0\"?>\n<fontconfig>\n<dir>" + (folder / "fonts").string() +
                       "</dir>\n<cachedir>" + (folder / "cache").string() + "</cachedir>\n";
  for (int i = 1; i <= 80; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Face %02d", i);
    const fs::path file = folder / "fonts" / (std::string(name + 5) + ".ttf");
    fs::create_symlink(ZKT_CHARSET_FONT, file);
    config += "<match target=\"scan\"><test name=\"file\"><string>" + file.string() +
              "</string></test><edit name=\"family\" mode=\"assign\" binding=\"same\"><string>" + name +
              "</string></edit><edit name=\"lang\" mode=\"assign\"><langset><string>ja</string></langset>"
              "</edit></match>\n";
  }
  config += "</fontconfig>\n";
  std::ofstream(folder / "fonts.conf") << config;
  const char* previous = std::getenv("FONTCONFIG_FILE");
  const std::string previousConfig = previous ? previous : "";
  CloseGlyphSurface();
  setenv("FONTCONFIG_FILE", (folder / "fonts.conf").c_str(), 1);

  std::vector<FontFaceInfo> listed(80);
  ASSERT_EQ(ListFontFaces("ja", listed.data(), 80), 80);
  for (FontChoice& choice : FontChoices) {
    choice.weight = 400;
    choice.face[0] = 0;
  }
  // Chosen before, but past the 76 the list keeps: the first listed face is taken instead.
  std::snprintf(FontChoices[0].face, sizeof FontChoices[0].face, "%s", listed[78].face);
  {
    InFolderWithTinySet set("charset_fonts", "data/abc/ZKT.abc");
    ASSERT_EQ(LoadCharacterSet(), 1);
  }
  // The loaded set leaves its double-byte pages' fonts to the first question about one.
  EXPECT_STREQ(FontChoices[0].face, listed[78].face);
  EXPECT_EQ(CharacterSetHasFont(CODE_PAGE_JAPANESE), 1);
  EXPECT_EQ(CodePageRecords[CODE_PAGE_JAPANESE].noFont, 0);
  EXPECT_STREQ(FontChoices[0].face, listed[0].face);
  // Chosen, the face is opened (megabytes of tables) by the first glyph that needs it.
  EXPECT_EQ(CodePageRecords[CODE_PAGE_JAPANESE].font, nullptr);
  EXPECT_NE(DoubleByteFont(CodePageRecords[CODE_PAGE_JAPANESE]), nullptr);
  EXPECT_EQ(DoubleByteFont(CodePageRecords[7]), nullptr) << "no face covers Chinese";
  FreeCharacterSet();

  if (previous) {
    setenv("FONTCONFIG_FILE", previousConfig.c_str(), 1);
  } else {
    unsetenv("FONTCONFIG_FILE");
  }
  CloseGlyphSurface();
  for (FontChoice& choice : FontChoices) choice.face[0] = 0;
  fs::remove_all(folder);
}

TEST(FontMeasure, FindsTheInkRowsAndReportsABlankSurface) {
  std::vector<uint8_t> surface(GLYPH_SURFACE_BYTES, 255);
  int top = -1, bottom = -1;
  EXPECT_EQ(FindInkRows(surface.data(), &top, &bottom), 0);
  surface[(10 * GLYPH_SURFACE_SIZE + 5) * 3] = 0;
  surface[(50 * GLYPH_SURFACE_SIZE + 60) * 3] = 254;
  surface[(55 * GLYPH_SURFACE_SIZE + 60) * 3 + 1] = 0;  // only the first colour byte counts
  ASSERT_EQ(FindInkRows(surface.data(), &top, &bottom), 1);
  EXPECT_EQ(top, 10);
  EXPECT_EQ(bottom, 50);
}

TEST(FontMeasure, InkOnTheSurfacesFirstAndLastRowsAndColumnsCounts) {
  std::vector<uint8_t> surface(GLYPH_SURFACE_BYTES, 255);
  int top = -1, bottom = -1;
  surface[0] = 0;                                   // row 0, column 0
  surface[(5 * GLYPH_SURFACE_SIZE + 63) * 3] = 0;  // row 5, the last column
  ASSERT_EQ(FindInkRows(surface.data(), &top, &bottom), 1);
  EXPECT_EQ(top, 0) << "the first row is kept once found";
  EXPECT_EQ(bottom, 5);
  std::fill(surface.begin(), surface.end(), uint8_t{255});
  surface[(63 * GLYPH_SURFACE_SIZE + 63) * 3] = 0;  // the very last pixel
  ASSERT_EQ(FindInkRows(surface.data(), &top, &bottom), 1);
  EXPECT_EQ(top, 63);
  EXPECT_EQ(bottom, 63);
}

// ---- Double-byte glyphs ----

TEST_F(CharsetReader, DoubleByteLookupShowsThePlaceholderWithoutAFontOrAPage) {
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  int width = 0, brk = 0;
  uint16_t location = 0;
  float advance = 0;
  const CharacterEntry& lead = CodePageRecords[4].entries[0x81 - 32];
  // A code page past the table, or below it, shows the placeholder.
  EXPECT_EQ(GetDoubleByteGlyph(CODE_PAGE_COUNT, lead, 0x40, &width, &advance, &location, &brk), GLYPH_PLACEHOLDER);
  EXPECT_EQ(GetDoubleByteGlyph(-1, lead, 0x40, &width, &advance, &location, &brk), GLYPH_PLACEHOLDER);
  // The font flag of a page past the table, or below it, is not set anywhere.
  SetCodePageHasFont(CODE_PAGE_COUNT, 1);
  SetCodePageHasFont(-1, 1);
  SetCodePageHasFont(CODE_PAGE_COUNT - 1, 0);
  EXPECT_EQ(CodePageRecords[CODE_PAGE_COUNT - 1].noFont, 1);
  CodePageRecords[4].noFont = 1;
  EXPECT_EQ(GetDoubleByteGlyph(4, lead, 0x40, &width, &advance, &location, &brk), GLYPH_PLACEHOLDER);
  EXPECT_EQ(GetDoubleByteGlyph(4, CodePageRecords[4].entries[0x82 - 32], 0x40, &width, &advance, &location, &brk),
            GLYPH_PLACEHOLDER);
  EXPECT_EQ(GetDoubleByteGlyph(0, CodePageRecords[0].entries['a' - 32], 0x40, &width, &advance, &location, nullptr),
            GLYPH_PLACEHOLDER);
  // A lead byte naming the glyph page one past the last (the set has one) has no page.
  CodePageRecords[4].noFont = 0;
  const CharacterEntry pastTheLast{1, 0, ENTRY_LEAD_PAGE};
  EXPECT_EQ(GetDoubleByteGlyph(4, pastTheLast, 0x40, &width, &advance, &location, &brk), GLYPH_PLACEHOLDER);
}

// Every page of the table, the first and the last too, takes its font flag; a page outside it
// has no font.
TEST_F(CharsetReader, TheFontFlagIsSetAndClearedOnEveryPageFromTheFirstToTheLast) {
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  for (const int page : {0, 4, CODE_PAGE_COUNT - 1}) {
    SetCodePageHasFont(page, 0);
    EXPECT_EQ(CharacterSetHasFont(page), 0) << page;
    EXPECT_EQ(CodePageRecords[page].noFont, 1) << page;
    SetCodePageHasFont(page, 1);
    EXPECT_EQ(CharacterSetHasFont(page), 1) << page;
    EXPECT_EQ(CodePageRecords[page].noFont, 0) << page;
  }
  EXPECT_EQ(CharacterSetHasFont(-1), 0);
  EXPECT_EQ(CharacterSetHasFont(CODE_PAGE_COUNT), 0);
}

TEST_F(CharsetReader, DoubleByteLookupMeasuresWithTheFontAndFlagsBreaks) {
  // Any installed face stands in for the code page's font: the build's own font always is.
  set.glyphPages[0][0x42 - 64] = 'W';
  set.glyphPages[0][0x43 - 64] = 0xE000;  // a private-use point no font here draws
  set.glyphPages[0][0x44 - 64] = 0x0301;  // a combining accent: no advance of its own
  ASSERT_EQ(LoadTestImage(set.Build()), 1);
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  CodePageRecord& page = CodePageRecords[4];
  page.font = OpenSystemFont("DejaVu Sans", 400, FONT_CELL_PIXELS);
  ASSERT_NE(page.font, nullptr);
  page.noFont = 0;
  page.glyphScale = 0.02f;
  const CharacterEntry& lead = page.entries[0x81 - 32];
  int width = 0, brk = 1;
  uint16_t location = 0;
  float advance = 0;
  EXPECT_EQ(GetDoubleByteGlyph(4, lead, 0x42, &width, &advance, &location, &brk), DOUBLE_BYTE_DRAWABLE);
  EXPECT_GT(width, 20);
  EXPECT_LE(width, GLYPH_MAX_PIXEL_WIDTH);
  EXPECT_FLOAT_EQ(advance, width * 0.02f);
  EXPECT_EQ(location, CACHE_LOCATION_NONE);
  EXPECT_EQ(brk, 0);
  EXPECT_EQ(GetDoubleByteGlyph(4, lead, 0x43, &width, &advance, &location, &brk), GLYPH_NOT_DRAWABLE);
  EXPECT_EQ(GlyphPages[0].slots[0x43 - 64].pixelWidth, GLYPH_WIDTH_CANNOT_DRAW);
  // A glyph of no advance still takes one pixel.
  EXPECT_EQ(GetDoubleByteGlyph(4, lead, 0x44, &width, &advance, &location, &brk), DOUBLE_BYTE_DRAWABLE);
  EXPECT_EQ(width, 1);
  EXPECT_EQ(GetDoubleByteGlyph(4, lead, 0x50, &width, &advance, &location, &brk), GLYPH_NOT_DRAWABLE);  // no character
  EXPECT_EQ(GetDoubleByteGlyph(4, lead, 0x3F, &width, &advance, &location, &brk), GLYPH_PLACEHOLDER);  // trail below 64
}

// The fixed-width stand-in flags as line breaks exactly the ideographic punctuation: U+3000 to
// U+3002, U+FF01, U+FF0C, U+FF0E and U+FF1F, each found through its page's own conversion;
// a letter of the page is no break.
TEST(FixedWidthSet, TheBreakCharactersAreTheIdeographicPunctuationOfEachPage) {
  UseFixedWidthCharacterSet();
  const char* const breaks[] = {"\xE3\x80\x80", "\xE3\x80\x81", "\xE3\x80\x82", "\xEF\xBC\x81",
                                "\xEF\xBC\x8C", "\xEF\xBC\x8E", "\xEF\xBC\x9F"};
  const char* const letter = "\xE4\xB8\x80";  // U+4E00, "one"
  const auto flag = [](int page, const char* utf8) {
    char bytes[4] = {};
    if (Utf8ToCodePage(utf8, page, bytes, sizeof bytes) != 2) return -1;
    const uint8_t lead = static_cast<uint8_t>(bytes[0]), trail = static_cast<uint8_t>(bytes[1]);
    int width = 0, brk = -1;
    float advance = 0.0f;
    uint16_t location = 0;
    GetDoubleByteGlyph(page, CodePageRecords[page].entries[lead - FIRST_CODE], trail, &width, &advance, &location,
                       &brk);
    return brk;
  };
  for (int page : {CODE_PAGE_JAPANESE, CODE_PAGE_TRADITIONAL_CHINESE, CODE_PAGE_SIMPLIFIED_CHINESE, CODE_PAGE_KOREAN}) {
    SetCodePageHasFont(page, 1);
    for (const char* b : breaks) EXPECT_EQ(flag(page, b), 1) << "page " << page;
    EXPECT_EQ(flag(page, letter), 0) << "page " << page;
    SetCodePageHasFont(page, 0);
  }
}

// ---- The generated set ----

namespace {

// The six single-byte code pages and what the C library says their bytes are.
struct SingleBytePage {
  int index;
  const char* name;
};
constexpr SingleBytePage SINGLE_BYTE_PAGES[] = {{0, "CP1252"}, {1, "CP1250"}, {2, "CP1254"},
                                                {3, "CP1257"}, {5, "CP1251"}, {6, "CP1253"}};

// Whether the C library's converter reads the byte as a character of the page.
bool IsCharacterOf(const char* codePage, int byte) {
  iconv_t cd = iconv_open("UTF-32LE", codePage);
  char in[1] = {static_cast<char>(byte)};
  char out[8];
  char* inPtr = in;
  char* outPtr = out;
  size_t inLeft = 1, outLeft = sizeof out;
  const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && outPtr - out == 4;
  iconv_close(cd);
  return ok;
}

}  // namespace

TEST(GeneratedCharacterSet, EveryCharacterOfTheSixSingleBytePagesHasAGlyph) {
  const Bytes image = ReadWholeFile(GeneratedCharsetPath());
  ASSERT_EQ(LoadTestImage(image), 1);
  const int windowsNumbers[10] = {1252, 1250, 1254, 1257, 932, 1251, 1253, 950, 936, 949};
  for (int p = 0; p < 10; ++p) EXPECT_EQ(CodePageRecords[p].number, windowsNumbers[p]);
  int composedCapitals = 0;
  for (const SingleBytePage& page : SINGLE_BYTE_PAGES) {
    for (int b = 33; b < 256; ++b) {
      if (b == 127) continue;
      // Bytes that are no character of the page show the placeholder, all others a glyph.
      const CharacterEntry& e = CodePageRecords[page.index].entries[b - 32];
      if (!IsCharacterOf(page.name, b)) {
        EXPECT_EQ(e.glyph, GLYPH_PLACEHOLDER) << page.name << " byte " << b;
        continue;
      }
      ASSERT_LT(e.glyph, GLYPH_COUNT);
      if (e.glyph == GLYPH_SPACE) continue;  // the no-break space
      EXPECT_GT(Glyphs[e.glyph].numTriangles, 0) << page.name << " byte " << b;
      if (e.accent) {
        EXPECT_GT(Glyphs[e.accent].numTriangles, 0) << page.name << " byte " << b;
        composedCapitals += e.flags != 0;
      }
    }
  }
  EXPECT_GT(composedCapitals, 50);
  // The placeholder is used only where the page has no character.
  EXPECT_EQ(CodePageRecords[0].entries[0x81 - 32].glyph, GLYPH_PLACEHOLDER);  // undefined in 1252
  EXPECT_NE(CodePageRecords[0].entries[0xC9 - 32].glyph, GLYPH_PLACEHOLDER);  // E acute
  EXPECT_EQ(CodePageRecords[0].entries[0xC9 - 32].glyph, 'E' - 32);           // composed from E
  EXPECT_NE(CodePageRecords[0].entries[0xC9 - 32].accent, 0);
  EXPECT_NE(CodePageRecords[0].entries[0xC9 - 32].flags, 0);
  EXPECT_EQ(CodePageRecords[0].entries[0xA0 - 32].glyph, GLYPH_SPACE);
  FreeCharacterSet();
}

TEST(GeneratedCharacterSet, KeepsEveryLimitTheDrawingRelies) {
  const Bytes image = ReadWholeFile(GeneratedCharsetPath());
  ASSERT_EQ(LoadTestImage(image), 1);
  for (int g = 0; g < GLYPH_COUNT; ++g) {
    const Char& glyph = Glyphs[g];
    for (int i = 0; i < glyph.numPoints; ++i) {
      EXPECT_GE(glyph.points[i].x, 0.0f) << g;
      EXPECT_LE(glyph.points[i].x, 9.0f) << g;
      EXPECT_GE(glyph.points[i].y, 0.0f) << g;
      EXPECT_LE(glyph.points[i].y, 9.0f) << g;  // above the cell a triangle would not be drawn
    }
    for (int i = 0; i < glyph.numTriangles; ++i) {
      const CharTriangle& t = glyph.triangles[i];
      const GraphPoint& a = glyph.points[t.p[0]];
      const GraphPoint& b = glyph.points[t.p[1]];
      const GraphPoint& c = glyph.points[t.p[2]];
      const float cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
      EXPECT_GT(cross, 0.0f) << "glyph " << g << " triangle " << i << " is in the winding that draws nothing";
    }
  }
  // Accents are bytes; every accent used by any page is below 256 by type, and exists.
  std::set<int> accents;
  for (int p = 0; p < CODE_PAGE_COUNT; ++p)
    for (const CharacterEntry& e : CodePageRecords[p].entries)
      if (!(e.flags & (ENTRY_LEAD_PAGE | ENTRY_LEAD_NO_PAGE)) && e.accent) accents.insert(e.accent);
  for (int a : accents) EXPECT_GT(Glyphs[a].numTriangles, 0) << a;
  // The symbols the interface draws by code.
  for (int code : {CODE_ARROW_STEP_LEFT, CODE_ARROW_STEP_RIGHT, CODE_ARROW_LEFT, CODE_ARROW_RIGHT, CODE_ARROW_UP,
                   CODE_ARROW_DOWN, CODE_LED_REVERSE, CODE_LED_MINUS, CODE_LED_POINT, CODE_LCD_MINUS, CODE_LCD_POINT})
    EXPECT_GT(Glyphs[code - 32].numTriangles, 0) << code;
  for (int d = 0; d < 10; ++d) {
    EXPECT_GT(Glyphs[CODE_LED_DIGIT_0 + d - 32].numTriangles, 0) << d;
    EXPECT_GT(Glyphs[CODE_LCD_DIGIT_0 + d - 32].numTriangles, 0) << d;
  }
  // The dashboard's lamp and dial symbols; the code-page letters of the same codes (micro,
  // multiplication sign) keep glyphs of their own.
  for (int code = 0xC0; code <= 0xCF; ++code) EXPECT_GT(Glyphs[code - 32].numTriangles, 0) << code;
  for (int code : {0xB5, 0xBD, 0xBE, 0xD7}) EXPECT_GT(Glyphs[code - 32].numTriangles, 0) << code;
  EXPECT_NE(CodePageRecords[0].entries[0xB5 - 32].glyph, 0xB5 - 32);
  EXPECT_NE(CodePageRecords[0].entries[0xD7 - 32].glyph, 0xD7 - 32);
  EXPECT_GT(Glyphs[CodePageRecords[0].entries[0xD7 - 32].glyph].numTriangles, 0);
  EXPECT_GT(Glyphs[GLYPH_PLACEHOLDER].numTriangles, 0);
  EXPECT_GT(Glyphs[GLYPH_NOT_DRAWABLE].numTriangles, 0);
  // The double-byte pages: every lead byte names a page or says it has none.
  for (int p : {4, 7, 8, 9}) {
    int leads = 0;
    for (const CharacterEntry& e : CodePageRecords[p].entries) leads += (e.flags & ENTRY_LEAD_PAGE) != 0;
    EXPECT_GT(leads, 50) << p;
  }
  EXPECT_GT(NumGlyphPages, 350);
  FreeCharacterSet();
}

TEST(GeneratedCharacterSet, TextMeasuringReadsTheLoadedGlyphsAndKerning) {
  const Bytes image = ReadWholeFile(GeneratedCharsetPath());
  ASSERT_EQ(LoadTestImage(image), 1);
  const float a = CharMetrics['A' - 32].width, v = CharMetrics['V' - 32].width;
  EXPECT_FLOAT_EQ(a, Glyphs['A' - 32].width);
  EXPECT_GT(v, 0.3f);
  // "AV": classes 2 and 6 pull the pair 3 steps of 0.025 closer.
  EXPECT_NEAR(TextWidth("AV", 0, 1.0f), a + v + 2 * LetterSpacing - 3 * KERNING_STEP, 1e-5f);
  // Text of a double-byte page shows placeholders until its font is set up.
  EXPECT_FALSE(CodePageHasFont(CODE_PAGE_JAPANESE));
  EXPECT_TRUE(CodePageHasFont(CODE_PAGE_LATIN1));
  FreeCharacterSet();
}
