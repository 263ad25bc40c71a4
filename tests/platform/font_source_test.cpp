// font_source_test.cpp - the system font lists read on a worker at start-up: what the
// preparation hands over is what reading them at once gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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
  SystemFont* font = OpenSystemFont(english.faces.front().c_str(), 400, 64);
  EXPECT_NE(font, nullptr);
  CloseSystemFont(font);
  CloseGlyphSurface();

  // Prepared and never taken: closing and the end of the program wait for the worker.
  PrepareFontFaces(languages, 2);
  CloseGlyphSurface();
}

TEST(FontFaces, AFontOpenedOnAWorkerIsTheFontOpenedAtOnce) {
  CloseGlyphSurface();
  const FaceList english = Faces("en");
  ASSERT_GT(english.count, 0);
  const std::string face = english.faces.front();
  // Fonts are opened with the surface open, as the character set opens them.
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  SystemFont* direct = OpenSystemFont(face.c_str(), 600, 64);
  ASSERT_NE(direct, nullptr);
  const int advance = SystemFontAdvance(direct, 'W');
  EXPECT_GT(advance, 10);
  CloseGlyphSurface();

  const char* const languages[] = {"en"};
  PrepareFontFaces(languages, 1);
  SystemFontRequest requests[2] = {};
  std::snprintf(requests[0].face, sizeof requests[0].face, "%s", face.c_str());
  requests[0].weight = 600;
  requests[0].cellHeightPixels = 64;
  requests[1] = requests[0];
  requests[1].weight = 300;  // never asked for: closed with the surface
  PrepareSystemFonts(requests, 2);
  CloseGlyphSurface();  // before the opening: the prepared fonts stay
  ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
  SystemFont* prepared = OpenSystemFont(face.c_str(), 600, 64);
  ASSERT_NE(prepared, nullptr);
  EXPECT_EQ(SystemFontAdvance(prepared, 'W'), advance);
  SystemFont* again = OpenSystemFont(face.c_str(), 600, 64);
  ASSERT_NE(again, nullptr) << "taken once, then opened as usual";
  EXPECT_NE(again, prepared);
  EXPECT_EQ(SystemFontAdvance(again, 'W'), advance);
  EXPECT_EQ(OpenSystemFont("No Such Face At All", 600, 64), nullptr);
  CloseSystemFont(prepared);
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

}  // namespace
