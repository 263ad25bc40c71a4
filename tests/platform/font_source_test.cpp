// font_source_test.cpp - the system font lists read on a worker at start-up: what the
// preparation hands over is what reading them at once gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/font_source.h"

namespace {

struct FaceList {
  int count = 0;
  std::vector<std::string> faces;
  std::vector<int> kinds;
  bool operator==(const FaceList&) const = default;
};

FaceList Faces(const char* language, int max = 64) {
  std::vector<FontFaceInfo> found(static_cast<size_t>(max));
  FaceList list;
  list.count = ListFontFaces(language, found.data(), max);
  for (int i = 0; i < std::min(list.count, max); ++i) {
    list.faces.push_back(found[size_t(i)].face);
    list.kinds.push_back(found[size_t(i)].familyKind);
  }
  return list;
}

// The font files this process holds mapped into memory (a face is read through a map of its
// file for as long as it is open).
int MappedFontFiles() {
  std::ifstream maps("/proc/self/maps");
  int count = 0;
  for (std::string line; std::getline(maps, line);) count += line.find("/fonts/") != std::string::npos;
  return count;
}

TEST(FontFaces, AListPreparedOnAWorkerIsTheListReadAtOnce) {
  CloseGlyphSurface();
  const FaceList japanese = Faces("ja"), english = Faces("en");
  EXPECT_GT(english.count, 0) << "the build's own font covers English";
  CloseGlyphSurface();

  const char* const languages[] = {"ja", "en"};
  PrepareFontFaces(languages, 2);
  CloseGlyphSurface();  // a character set replacing none: the preparation waits for the opening
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  EXPECT_EQ(Faces("ja"), japanese);
  EXPECT_EQ(Faces("en"), english);
  EXPECT_EQ(Faces("ja"), japanese) << "asked again, the same";
  const FaceList two = Faces("en", 2);
  EXPECT_EQ(two.count, english.count) << "every face is counted";
  EXPECT_EQ(two.faces.size(), size_t(std::min(english.count, 2))) << "no more than asked are written";
  const int mapped = MappedFontFiles();
  SystemFont* font = OpenSystemFont(english.faces.front().c_str(), 400, 64);
  EXPECT_NE(font, nullptr);
  EXPECT_GT(MappedFontFiles(), mapped) << "an open face maps its file";
  CloseSystemFont(font);
  EXPECT_EQ(MappedFontFiles(), mapped) << "a closed face lets its file go";
  // Every listed face opens under its own name, not only the one fontconfig would pick for a
  // pattern without a family.
  for (const std::string& face : english.faces) {
    SystemFont* each = OpenSystemFont(face.c_str(), 400, 32);
    EXPECT_NE(each, nullptr) << face;
    CloseSystemFont(each);
  }
  CloseGlyphSurface();

  // Prepared and never taken: closing and the end of the program wait for the worker.
  PrepareFontFaces(languages, 2);
  CloseGlyphSurface();
}

TEST(FontFaces, ANegativeCountOfLanguagesPreparesNoneAndTheSurfaceStillOpens) {
  CloseGlyphSurface();
  const char* const languages[] = {"en"};
  PrepareFontFaces(languages, -1);
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  EXPECT_GT(Faces("en").count, 0) << "read at once instead";
  CloseGlyphSurface();
}

// A list shorter than the faces found gets the first faces only: the entries past the room
// the caller gave stay as they were, while the count still tells every face.
TEST(FontFaces, AShortListIsFilledUpToItsRoomAndNoFurther) {
  CloseGlyphSurface();
  const FaceList english = Faces("en");
  ASSERT_GT(english.count, 3) << "the installed fonts cover English with several families";
  std::vector<FontFaceInfo> found(size_t(english.count) + 1);
  for (FontFaceInfo& f : found) {
    std::snprintf(f.face, sizeof f.face, "%s", "untouched");
    f.familyKind = -1;
  }
  EXPECT_EQ(ListFontFaces("en", found.data(), 2), english.count);
  EXPECT_EQ(std::string(found[0].face), english.faces[0]);
  EXPECT_EQ(std::string(found[1].face), english.faces[1]);
  for (size_t i = 2; i < found.size(); ++i) {
    EXPECT_EQ(std::string(found[i].face), "untouched") << "entry " << i;
    EXPECT_EQ(found[i].familyKind, -1) << "entry " << i;
  }
  EXPECT_EQ(ListFontFaces("en", nullptr, 2), english.count) << "counted without a list";
  CloseGlyphSurface();
}

// Each face is told by its kind: fixed-width spacing or "mono" in the name is mono, "serif"
// without "sans" is another kind, and the rest are sans.  The families below come with the
// fonts this program is built and tested with; each one listed is checked.
TEST(FontFaces, EachListedFaceIsToldMonoSerifOrSans) {
  CloseGlyphSurface();
  const FaceList english = Faces("en");
  const struct {
    const char* face;
    int kind;
  } known[] = {
      {"DejaVu Sans Mono", FONT_FAMILY_MONO}, {"Noto Mono", FONT_FAMILY_MONO}, {"Nimbus Mono PS", FONT_FAMILY_MONO},
      {"Noto Sans Mono", FONT_FAMILY_MONO},   {"DejaVu Serif", FONT_FAMILY_OTHER}, {"DejaVu Sans", FONT_FAMILY_SANS},
      {"Nimbus Sans", FONT_FAMILY_SANS},
  };
  int checked = 0;
  for (const auto& k : known) {
    const auto at = std::find(english.faces.begin(), english.faces.end(), k.face);
    if (at == english.faces.end()) continue;
    EXPECT_EQ(english.kinds[size_t(at - english.faces.begin())], k.kind) << k.face;
    ++checked;
  }
  EXPECT_GT(checked, 0) << "none of the usual families is installed";
  CloseGlyphSurface();
}

// Each language lists the face made for it first: of the CJK families that all cover Japanese,
// Korean and both Chinese scripts, each language's own; and each face once.
TEST(FontFaces, EachLanguageListsTheFaceMadeForItFirst) {
  CloseGlyphSurface();
  const struct {
    const char* language;
    const char* first;
  } expected[] = {{"ja", "Noto Sans CJK JP"}, {"ko", "Noto Sans CJK KR"}, {"zh-cn", "Noto Sans CJK SC"},
                  {"zh-tw", "Noto Sans CJK TC"}, {"en", "DejaVu Sans"}};
  for (const auto& e : expected) {
    const FaceList list = Faces(e.language, 256);
    ASSERT_GT(list.count, 0) << e.language;
    EXPECT_EQ(list.faces.front(), e.first) << e.language;
    std::vector<std::string> sorted = list.faces;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << e.language << ": a face twice";
  }
  const FaceList japanese = Faces("ja", 256);
  EXPECT_EQ(std::count(japanese.faces.begin(), japanese.faces.end(), "DejaVu Sans"), 0)
      << "a face without Japanese is not listed for it";
  CloseGlyphSurface();
}

// The weight picks the face of the family: DejaVu Sans comes in extra light, book and bold, and
// its bold W is wider than its book one.  Weights past either end of 1 to 1000 are the ends.
TEST(FontFaces, TheWeightPicksTheFamilysFace) {
  CloseGlyphSurface();
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  const auto advance = [](int weight) {
    SystemFont* font = OpenSystemFont("DejaVu Sans", weight, 64);
    EXPECT_NE(font, nullptr) << weight;
    const int w = SystemFontAdvance(font, 'W');
    CloseSystemFont(font);
    return w;
  };
  const int book = advance(400), bold = advance(700);
  EXPECT_GT(bold, book);
  EXPECT_EQ(advance(1000), bold);
  EXPECT_EQ(advance(5000), bold);
  EXPECT_EQ(advance(-5), advance(1));
  CloseGlyphSurface();
}

// Text is inked black on the surface's white up to its length and no further; each pixel keeps
// the darker of what it had and the ink, and ink past the right edge is dropped, never carried
// into the next row.
TEST(GlyphSurface, TextIsInkedUpToItsLengthKeepingTheDarkerPixelAndClippedAtTheRightEdge) {
  CloseGlyphSurface();
  const FaceList english = Faces("en");
  ASSERT_GT(english.count, 0);
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  SystemFont* font = OpenSystemFont(english.faces.front().c_str(), 400, 32);
  ASSERT_NE(font, nullptr);
  std::vector<uint8_t> pixels(GLYPH_SURFACE_BYTES);
  const auto inked = [&](const char16_t* text, int length, uint8_t background) {
    EXPECT_EQ(FillGlyphSurface(background), 1);
    EXPECT_EQ(DrawTextOnGlyphSurface(font, text, length), 1);
    EXPECT_EQ(ReadGlyphSurface(pixels.data()), 1);
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [&](uint8_t p) { return p != background; }));
  };
  EXPECT_EQ(inked(u"W", 0, 255), 0) << "a text of no length draws nothing";
  const int one = inked(u"W", 1, 255);
  EXPECT_GT(one, 0);
  EXPECT_EQ(inked(u"WW", 1, 255), one) << "only the first of two characters";
  EXPECT_GT(inked(u"WW", 2, 255), one);
  EXPECT_EQ(inked(u"W", 1, 0), 0) << "a black surface stays black under any ink";

  // A surrogate pair is one character: a high half (D800 to DBFF) followed by a low one (DC00
  // to DFFF).  None of these characters is in the font: each draws the same missing-glyph box.
  const int box = inked(u"\xD800", 1, 255);
  ASSERT_GT(box, 0);
  EXPECT_EQ(inked(u"\xD800\xDC00", 2, 255), box) << "the first pair";
  EXPECT_EQ(inked(u"\xDBFF\xDFFF", 2, 255), box) << "the last pair";
  EXPECT_GT(inked(u"\xD800\xE000", 2, 255), box) << "E000 is no low half: two characters";
  EXPECT_GT(inked(u"\xDC00\xDC00", 2, 255), box) << "DC00 is no high half: two characters";
  EXPECT_GT(inked(u"\xD7FF\xDC00", 2, 255), box) << "D7FF is no high half: two characters";

  // Three spaces, then more W's than fit: the first column stays white in every row.
  ASSERT_GT(inked(u"   WWWWWW", 9, 255), 0);
  for (int y = 0; y < GLYPH_SURFACE_SIZE; ++y) EXPECT_EQ(pixels[size_t(y) * GLYPH_SURFACE_SIZE * 3], 255) << "row " << y;
  CloseSystemFont(font);

  // A font of cells twice the surface's height: its W runs past the bottom row, which is the
  // last one inked; the rows below the surface are dropped.
  SystemFont* tall = OpenSystemFont(english.faces.front().c_str(), 400, 2 * GLYPH_SURFACE_SIZE);
  ASSERT_NE(tall, nullptr);
  ASSERT_EQ(FillGlyphSurface(255), 1);
  EXPECT_EQ(DrawTextOnGlyphSurface(tall, u"W", 1), 1);
  ASSERT_EQ(ReadGlyphSurface(pixels.data()), 1);
  const auto bottomRow = pixels.begin() + (GLYPH_SURFACE_SIZE - 1) * GLYPH_SURFACE_SIZE * 3;
  EXPECT_TRUE(std::any_of(bottomRow, pixels.end(), [](uint8_t p) { return p != 255; })) << "the bottom row is inked";
  CloseSystemFont(tall);
  CloseGlyphSurface();
}

// Ink that starts left of the surface or above it is dropped there, but the very first column
// and the very first row are inked.  DejaVu Sans at cells of 32 pixels (26 above the baseline)
// gives "j" a hook one pixel left of the pen, and the capital A with circumflex and acute
// (U+1EA4) accents two pixels above the ascent.
TEST(GlyphSurface, InkReachesTheFirstColumnAndTheFirstRow) {
  CloseGlyphSurface();
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  SystemFont* font = OpenSystemFont("DejaVu Sans", 400, 32);
  ASSERT_NE(font, nullptr) << "DejaVu Sans comes with the build's fonts";
  std::vector<uint8_t> pixels(GLYPH_SURFACE_BYTES);
  const auto draw = [&](const char16_t* text) {
    EXPECT_EQ(FillGlyphSurface(255), 1);
    EXPECT_EQ(DrawTextOnGlyphSurface(font, text, 1), 1);
    EXPECT_EQ(ReadGlyphSurface(pixels.data()), 1);
  };
  draw(u"j");
  bool column = false;
  for (int y = 0; y < GLYPH_SURFACE_SIZE; ++y) column = column || pixels[size_t(y) * GLYPH_SURFACE_SIZE * 3] != 255;
  EXPECT_TRUE(column) << "the hook of the j in the first column";
  draw(u"\u1EA4");
  EXPECT_TRUE(std::any_of(pixels.begin(), pixels.begin() + GLYPH_SURFACE_SIZE * 3, [](uint8_t p) { return p != 255; }))
      << "the accents in the first row";
  CloseSystemFont(font);
  CloseGlyphSurface();
}

// A glyph is inked over its own bitmap only.  The stem of DejaVu Sans' "l" is 184 units wide
// and 1556 high on an em of 2048; at cells of 32 pixels the em is 27.5 pixels (the cell is
// ascent plus descent, 2384 units), so the stem is 2.5 pixels wide, three columns with its
// soft edges, and 21 rows high.
TEST(GlyphSurface, AGlyphInksItsOwnColumnsAndRowsOnly) {
  CloseGlyphSurface();
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  SystemFont* font = OpenSystemFont("DejaVu Sans", 400, 32);
  ASSERT_NE(font, nullptr);
  ASSERT_EQ(FillGlyphSurface(255), 1);
  ASSERT_EQ(DrawTextOnGlyphSurface(font, u"l", 1), 1);
  std::vector<uint8_t> pixels(GLYPH_SURFACE_BYTES);
  ASSERT_EQ(ReadGlyphSurface(pixels.data()), 1);
  std::vector<bool> columns(GLYPH_SURFACE_SIZE), rows(GLYPH_SURFACE_SIZE);
  for (int y = 0; y < GLYPH_SURFACE_SIZE; ++y)
    for (int x = 0; x < GLYPH_SURFACE_SIZE; ++x)
      if (pixels[size_t(y * GLYPH_SURFACE_SIZE + x) * 3] != 255) columns[size_t(x)] = rows[size_t(y)] = true;
  EXPECT_EQ(std::count(columns.begin(), columns.end(), true), 3);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), true), 21);
  CloseSystemFont(font);
  CloseGlyphSurface();
}

// A surface opened again starts white, whatever the one before was left holding.
TEST(GlyphSurface, ANewSurfaceIsWhite) {
  CloseGlyphSurface();
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  ASSERT_EQ(FillGlyphSurface(0), 1);
  CloseGlyphSurface();
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  std::vector<uint8_t> pixels(GLYPH_SURFACE_BYTES, 0);
  ASSERT_EQ(ReadGlyphSurface(pixels.data()), 1);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), uint8_t(255)), GLYPH_SURFACE_BYTES);
  CloseGlyphSurface();
}

}  // namespace
