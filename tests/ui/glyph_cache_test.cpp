// glyph_cache_test.cpp - placing double-byte glyphs in the cache pages, ageing and reuse,
// and a Japanese character through the system fonts of the generated character set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "core/config.h"
#include "core/sound.h"
#include "core/window_state.h"
#include "platform/audio.h"
#include "platform/font_source.h"
#include "platform/gfx.h"
#include "render/device.h"
#include "render/texture_table.h"
#include "tests/source_shaders.h"
#include "tests/ui/charset_test_util.h"
#include "text/messages.h"
#include "ui/glyph_cache.h"

namespace {

// Code points the build's own font draws, standing in for double-byte characters.
std::vector<uint16_t> DrawableCodePoints() {
  std::vector<uint16_t> cps;
  for (uint16_t c = 'A'; c <= 'Z'; ++c) cps.push_back(c);
  for (uint16_t c = 'a'; c <= 'z'; ++c) cps.push_back(c);
  for (uint16_t c = 0xC0; c <= 0x17F; ++c) cps.push_back(c);
  return cps;
}

// The cache pages are textures of the texture table: the renderer runs on the null device.
class NullDevice : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    GfxUseNullBackend(true);
    UseSourceShaders();
    ScreenWidth = 320;
    ScreenHeight = 240;
    CfgStartWindowed = 1;
    deviceReady_ = PreInitD3D() == nullptr && InitialiseGraphicsForScreen() == nullptr;
  }
  static void TearDownTestSuite() {
    ShutdownGraphics();
    GfxUseNullBackend(false);
  }
  static inline bool deviceReady_;
};

class GlyphCache : public NullDevice {
 protected:
  void SetUp() override {
    ASSERT_TRUE(deviceReady_);
    TestCharset set;
    const std::vector<uint16_t> cps = DrawableCodePoints();
    for (int i = 0; i < GLYPH_PAGE_SLOTS && i < static_cast<int>(cps.size()); ++i) set.glyphPages[0][i] = cps[i];
    ASSERT_EQ(LoadTestImage(set.Build()), 1);
    ASSERT_EQ(OpenGlyphSurface(), GLYPH_SURFACE_OK);
    CodePageRecord& page = CodePageRecords[4];
    page.font = OpenSystemFont("DejaVu Sans", 400, FONT_CELL_PIXELS);
    ASSERT_NE(page.font, nullptr);
    page.noFont = 0;
    page.glyphScale = 0.02f;
    InitGlyphCacheRequests();
  }
  void TearDown() override { FreeCharacterSet(); }

  // Asks for slot as the text drawing does: look it up, then request it when not cached.
  int Show(int slot) {
    int width = 0;
    uint16_t location = 0;
    float advance = 0;
    const int r = GetDoubleByteGlyph(CODE_PAGE_JAPANESE, CodePageRecords[4].entries[0x81 - 32], FIRST_TRAIL_BYTE + slot,
                                     &width, &advance, &location, nullptr);
    EXPECT_EQ(r, DOUBLE_BYTE_DRAWABLE) << slot;
    if (location == CACHE_LOCATION_NONE)
      RequestGlyphCache(0, slot);
    else
      TouchCachedGlyph(location);
    return location;
  }
  int Location(int slot) const { return GlyphPages[0].slots[slot].cacheLocation; }
  void EndFrame() {
    GlyphCacheInit();
    AgeGlyphCache();
  }
};

int StagingInk() {
  int ink = 0;
  for (int i = 0; i < GLYPH_CACHE_CELL_PIXELS * GLYPH_CACHE_CELL_PIXELS; ++i) ink += GlyphCacheStaging[i * 4 + 3] > 0;
  return ink;
}

}  // namespace

TEST_F(GlyphCache, PlacesAGlyphOnFirstUseAndDrawsIt) {
  EXPECT_EQ(Show(0), CACHE_LOCATION_NONE);
  Show(0);  // asked twice in a frame, placed once
  EXPECT_EQ(NumGlyphCacheRequests(), 1);
  GlyphCacheInit();
  EXPECT_EQ(NumGlyphCachePages, 1);
  EXPECT_EQ(Location(0), 0);
  EXPECT_EQ(GlyphCachePages[0].cells[0].age, GLYPH_AGE_THIS_FRAME);
  EXPECT_EQ(GlyphCachePages[0].usedThisFrame, 1);
  EXPECT_GT(StagingInk(), 100);  // an "A" of 64 pixels
  EXPECT_EQ(NumGlyphCacheRequests(), 0);
  AgeGlyphCache();
  EXPECT_EQ(GlyphCachePages[0].cells[0].age, 254);
  EXPECT_EQ(GlyphCachePages[0].usedThisFrame, 0);
  EXPECT_EQ(Show(0), 0);  // cached now: drawing it makes it this frame's again
  EXPECT_EQ(GlyphCachePages[0].cells[0].age, GLYPH_AGE_THIS_FRAME);
  EXPECT_EQ(GlyphCachePages[0].usedThisFrame, 1);
}

// A glyph asked for before it was ever measured is measured as it is placed: a combining
// accent, of no advance of its own, still takes one pixel.
TEST_F(GlyphCache, AGlyphMeasuredAsItIsPlacedTakesAtLeastOnePixel) {
  GlyphSlot& slot = GlyphPages[0].slots[5];
  slot.codePoint = 0x0301;
  slot.pixelWidth = GLYPH_WIDTH_UNMEASURED;
  RequestGlyphCache(0, 5);
  GlyphCacheInit();
  EXPECT_EQ(slot.pixelWidth, 1);
  EXPECT_EQ(Location(5), 0);
}

TEST_F(GlyphCache, MoreThan64NewGlyphsInAFrameOpenASecondPage) {
  for (int slot = 0; slot < 65; ++slot) Show(slot);
  GlyphCacheInit();
  EXPECT_EQ(NumGlyphCachePages, 2);
  for (int slot = 0; slot < 65; ++slot) EXPECT_NE(Location(slot), CACHE_LOCATION_NONE) << slot;
  EXPECT_EQ(GlyphCachePages[0].usedThisFrame, 64);
  EXPECT_EQ(GlyphCachePages[1].usedThisFrame, 1);
  EXPECT_EQ(Location(64), GLYPH_CACHE_CELLS);  // page 1, cell 0
}

TEST_F(GlyphCache, TheLeastRecentlyUsedCellIsTakenAndItsOldGlyphForgotten) {
  for (int slot = 0; slot < 64; ++slot) Show(slot);
  EndFrame();
  ASSERT_EQ(NumGlyphCachePages, 1);
  // Next frame: 63 glyphs are drawn again, one new one arrives.
  for (int slot = 0; slot < 63; ++slot) Show(slot);
  Show(100);
  EndFrame();
  EXPECT_EQ(NumGlyphCachePages, 1);
  EXPECT_EQ(Location(63), CACHE_LOCATION_NONE);
  EXPECT_EQ(Location(100), 63);
  EXPECT_EQ(GlyphCachePages[0].cells[63].slot, 100);
}

TEST_F(GlyphCache, ACellThatDoesNotKnowItsGlyphIsSaidAndHeard) {
  // Sound on SDL's silent driver, with an error sound of its own.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  // Long enough (about 20 s on the silent driver's clock) that it still plays when the test
  // looks, however late a loaded machine lets it look.
  SampleRecord& error = SampleRecords[3];
  error.stereo = 1;
  error.length = 1 << 20;
  error.data.assign(2 << 20, 1000);
  OpenSound();
  ASSERT_EQ(SoundOpen, 1);
  for (int slot = 0; slot < 64; ++slot) Show(slot);
  EndFrame();
  ASSERT_EQ(Location(63), 63);
  EXPECT_FALSE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 3));
  // The glyph of the cell that is taken next claims to live elsewhere.
  GlyphPages[0].slots[63].cacheLocation = 5;
  for (int slot = 0; slot < 63; ++slot) Show(slot);
  Show(100);
  ResetMessages();
  EndFrame();
  EXPECT_EQ(Location(100), 63);
  EXPECT_EQ(GlyphPages[0].slots[63].cacheLocation, 5) << "a place not its own is left alone";
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "Extra page character does not refer to this slot");
  EXPECT_TRUE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 3));
  ShutdownSound();
}

TEST_F(GlyphCache, AGlyphDrawnEveryFrameIsNeverReplaced) {
  for (int slot = 0; slot < 64; ++slot) Show(slot);
  EndFrame();
  const int kept = Location(5);
  for (int frame = 0; frame < 300; ++frame) {
    Show(5);
    Show(64 + frame % 100);  // a stream of other glyphs through the one page
    EndFrame();
    ASSERT_EQ(Location(5), kept) << frame;
  }
  EXPECT_EQ(NumGlyphCachePages, 1);
}

TEST_F(GlyphCache, AgesFallOnlyOnPagesThatTakeNewGlyphs) {
  Show(0);
  EndFrame();  // cell 0: 255 at the end of its frame, then 254
  Show(1);
  GlyphCacheInit();  // the page took a glyph: 254 goes down, this frame's 255 stays
  EXPECT_EQ(GlyphCachePages[0].cells[0].age, 253);
  EXPECT_EQ(GlyphCachePages[0].cells[1].age, GLYPH_AGE_THIS_FRAME);
  EXPECT_EQ(GlyphCachePages[0].cells[2].age, 0);  // empty cells stay empty
}

// Ages fall down to 1 and no further: a cell at 2 goes to 1, one at 1 stays there.
TEST_F(GlyphCache, AgesFallToOneAndNoFurther) {
  for (int slot = 0; slot < 3; ++slot) Show(slot);
  EndFrame();
  GlyphCachePages[0].cells[1].age = 2;
  GlyphCachePages[0].cells[2].age = 1;
  Show(3);
  GlyphCacheInit();
  EXPECT_EQ(GlyphCachePages[0].cells[0].age, 253);
  EXPECT_EQ(GlyphCachePages[0].cells[1].age, 1);
  EXPECT_EQ(GlyphCachePages[0].cells[2].age, 1);
  EXPECT_EQ(Location(3), 3) << "into the first empty cell";
}

// Between equally used pages the first is chosen, and between equally old cells the first.
TEST_F(GlyphCache, TiesGoToTheFirstPageAndItsFirstCell) {
  for (int slot = 0; slot < 65; ++slot) Show(slot);
  EndFrame();  // page 0 full, page 1 holding one; neither used now
  ASSERT_EQ(NumGlyphCachePages, 2);
  Show(100);
  GlyphCacheInit();
  EXPECT_EQ(Location(100), 0) << "page 0, its first cell of the 64 equally old";
  EXPECT_EQ(Location(0), CACHE_LOCATION_NONE);
  EXPECT_EQ(GlyphCachePages[1].usedThisFrame, 0);
}

// A page with exactly the room still needed this frame takes the glyphs; no page is added.
TEST_F(GlyphCache, APageWithExactlyTheRoomLeftTakesTheGlyphs) {
  for (int slot = 0; slot < 62; ++slot) Show(slot);
  GlyphCacheInit();
  ASSERT_EQ(GlyphCachePages[0].usedThisFrame, 62);
  Show(62);
  Show(63);
  GlyphCacheInit();  // two more in the same frame: two cells left
  EXPECT_EQ(NumGlyphCachePages, 1);
  EXPECT_EQ(Location(62), 62);
  EXPECT_EQ(Location(63), 63);
}

TEST_F(GlyphCache, ReleaseForgetsEveryPlaceAndWidth) {
  for (int slot = 0; slot < 10; ++slot) Show(slot);
  GlyphCacheInit();
  ReleaseGlyphCache();
  EXPECT_EQ(NumGlyphCachePages, 0);
  for (const GlyphSlot& slot : GlyphPages[0].slots) {
    EXPECT_EQ(slot.cacheLocation, CACHE_LOCATION_NONE);
    EXPECT_EQ(slot.pixelWidth, GLYPH_WIDTH_UNMEASURED);
  }
  Show(3);
  GlyphCacheInit();
  EXPECT_EQ(Location(3), 0);
}

using GlyphCacheWithSystemFonts = NullDevice;

TEST_F(GlyphCacheWithSystemFonts, AJapaneseCharacterReachesTheCache) {
  ASSERT_TRUE(deviceReady_);
  const Bytes image = ReadWholeFile(GeneratedCharsetPath());
  ASSERT_EQ(LoadTestImage(image), 1);
  for (FontChoice& choice : FontChoices) choice.weight = 400;
  SetUpGlyphFonts();
  InitGlyphCacheRequests();
  CodePageRecord& japanese = CodePageRecords[4];
  if (!DoubleByteFont(japanese)) {
    FreeCharacterSet();
    GTEST_SKIP() << "no font with Japanese characters is installed (Debian: fonts-noto-cjk)";
  }
  EXPECT_EQ(japanese.noFont, 0);
  EXPECT_NE(FontChoices[0].face[0], 0);
  EXPECT_GT(japanese.glyphScale, 0.01f) << "measured as it opened";
  EXPECT_LT(japanese.glyphScale, 0.05f);
  // HIRAGANA LETTER A is 0x82 0xA0 in code page 932.
  const CharacterEntry& lead = japanese.entries[0x82 - 32];
  ASSERT_TRUE(lead.flags & ENTRY_LEAD_PAGE);
  int width = 0;
  uint16_t location = 0;
  float advance = 0;
  ASSERT_EQ(GetDoubleByteGlyph(CODE_PAGE_JAPANESE, lead, 0xA0, &width, &advance, &location, nullptr), DOUBLE_BYTE_DRAWABLE);
  EXPECT_EQ(GlyphPages[lead.glyph].slots[0xA0 - 64].codePoint, 0x3042);
  EXPECT_GT(width, 30);
  EXPECT_EQ(location, CACHE_LOCATION_NONE);
  RequestGlyphCache(lead.glyph, 0xA0 - 64);
  GlyphCacheInit();
  EXPECT_NE(GlyphPages[lead.glyph].slots[0xA0 - 64].cacheLocation, CACHE_LOCATION_NONE);
  EXPECT_GT(StagingInk(), 150);
  FreeCharacterSet();
}
