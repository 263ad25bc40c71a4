// number_plates_test.cpp - plate slots and pages on the null device: a freed slot with the same
// text reused without a redraw, the 42nd plate sharing slot 0 with its message, counts in the
// whole word, changed pages redrawn one a frame in page order, the text fitted to 1.9 and
// coloured by its caret codes, the canvas halved into the two pictures, slot updates and the
// reset with the renderer's textures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/controls.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "render/buffers.h"
#include "render/generated_textures.h"
#include "render/material.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "tests/render/null_renderer.h"
#include "tests/ui/charset_test_util.h"
#include "ui/text_measure.h"
#include "vehicle/car_model.h"
#include "vehicle/number_plates.h"

namespace {

class NumberPlates : public NullRenderer {
 protected:
  static inline std::vector<std::string> lines;
  ReportSink saved{};
  static void SetUpTestSuite() {
    NullRenderer::SetUpTestSuite();
    const Bytes image = ReadWholeFile(GeneratedCharsetPath());
    charset_ = !image.empty() && LoadTestImage(image) == 1;
  }
  static void TearDownTestSuite() {
    FreeCharacterSet();
    NullRenderer::TearDownTestSuite();
  }
  void SetUp() override {
    NullRenderer::SetUp();
    ASSERT_TRUE(charset_) << "the generated character set " << GeneratedCharsetPath();
    GraphicsEnabled = 1;
    CfgDebugLevel = 0;
    InstallNumberPlates();
    ClearPlates();
    PlateRegenPending = 0;
    lines.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { lines.push_back(text); };
    saved = InstallReportSink(sink);
  }
  void TearDown() override {
    InstallReportSink(saved);
    ClearPlates();
    PlateRegenPending = 0;
    CfgDebugLevel = 0;
    GraphicsEnabled = 1;
    FreeAllMaterials();
  }
  static int Take(const char* text) {
    std::lock_guard<std::mutex> lock(PlateLock);
    return GetPlateSlot(text);
  }
  // Runs the frames' redraws until none is pending; the pages drawn, in order.
  static std::vector<int> RedrawAll() {
    std::vector<int> drawn;
    for (int frame = 0; frame < 20 && PlateRegenPending; ++frame) {
      bool before[PLATE_PAGES];
      for (int p = 0; p < PLATE_PAGES; ++p) before[p] = PlatePages[p].redraw;
      PlateRegenPending = 0;
      {
        std::lock_guard<std::mutex> lock(PlateLock);
        RegenPlates();
      }
      for (int p = 0; p < PLATE_PAGES; ++p)
        if (before[p] && !PlatePages[p].redraw) drawn.push_back(p);
    }
    return drawn;
  }
  static int Lines(const std::string& text) {
    int n = 0;
    for (const std::string& line : lines) n += line == text;
    return n;
  }
  static inline bool charset_ = false;
};

std::string SlotText(int slot) {
  return std::string(reinterpret_cast<const char*>(PlateTexts[slot].bytes), PLATE_TEXT_SIZE).c_str();
}

// The ink colours found in the canvas rows of one plate's quarter, and whether any lies outside.
struct QuarterInk {
  int ink = 0;
  std::vector<uint16_t> colours;
};
QuarterInk InkOf(const std::vector<uint16_t>& canvas, int quarter) {
  QuarterInk q;
  const int rows = PLATE_CANVAS_SIZE / 4;
  for (int y = quarter * rows; y < (quarter + 1) * rows; ++y)
    for (int x = 0; x < PLATE_CANVAS_SIZE; ++x) {
      const uint16_t p = canvas[size_t(y) * PLATE_CANVAS_SIZE + size_t(x)];
      if (p == PLATE_WHITE) continue;
      ++q.ink;
      if (std::find(q.colours.begin(), q.colours.end(), p) == q.colours.end()) q.colours.push_back(p);
    }
  return q;
}

}  // namespace

TEST_F(NumberPlates, SameTextTakesAnotherSlotAndAFreedSlotIsReusedWithoutARedraw) {
  EXPECT_EQ(Take("ABC 123"), 0);
  EXPECT_EQ(PlatePages[0].redraw, 1);
  EXPECT_EQ(PlateRegenPending, 1);
  ASSERT_NE(PlateMaterials[0], nullptr) << "the page's textures are made with its first slot";
  ASSERT_NE(AlphaPlateMaterials[0], nullptr);
  EXPECT_STREQ(PlateMaterials[0]->texture->name, "PLATE~0");
  EXPECT_STREQ(AlphaPlateMaterials[0]->texture->name, "PLATE~0_AON");
  EXPECT_EQ(Take("ABC 123"), 1) << "each car owns its slot";
  EXPECT_EQ(RedrawAll(), std::vector<int>{0});
  // The first car goes: its slot is free and still shows the text.
  PlateSlotUses[0] -= 1;
  EXPECT_EQ(Take("ABC 123"), 0);
  EXPECT_EQ(PlateSlotUses[0], 1);
  EXPECT_EQ(PlatePages[0].redraw, 0) << "no redraw";
  EXPECT_EQ(PlateRegenPending, 0);
  // Another text takes the first free slot and its page is drawn again.
  EXPECT_EQ(Take("XY"), 2);
  EXPECT_EQ(SlotText(2), "XY");
  EXPECT_EQ(PlatePages[0].redraw, 1);
  // Texts compare on all eight bytes: a longer text is cut there.
  EXPECT_EQ(Take("LONGPLATE"), 3);
  EXPECT_EQ(SlotText(3), "LONGPLAT");
  // An empty text never takes a slot that was never given a text as one that shows it: its
  // page is drawn.
  RedrawAll();
  EXPECT_EQ(Take(""), 4);
  EXPECT_EQ(PlatePages[1].redraw, 1);
}

TEST_F(NumberPlates, TheFortySecondPlateSharesSlotZeroAndCountsUseTheWholeWord) {
  for (int i = 0; i < PLATE_SLOTS; ++i) ASSERT_EQ(Take(("P" + std::to_string(i)).c_str()), i);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(Take("ONE MORE"), 0);
  EXPECT_EQ(Lines("Could not get number plate - total = 41"), 1);
  EXPECT_EQ(PlateSlotUses[0], 2);
  EXPECT_EQ(Take("AND MORE"), 0);
  EXPECT_EQ(Lines("Could not get number plate - total = 42"), 1);
  // 256 cars on slot 0 do not wrap its count to 0: the slot is not taken as free.
  PlateSlotUses[0] = 255;
  EXPECT_EQ(Take("WRAP"), 0);
  EXPECT_EQ(PlateSlotUses[0], 256);
  // Nor does a count at the largest the word holds: it stays there, and so does the total told
  // (2147483647 on slot 0 and 40 more on the others).
  PlateSlotUses[0] = INT32_MAX;
  EXPECT_EQ(Take("FULL"), 0);
  EXPECT_EQ(PlateSlotUses[0], INT32_MAX);
  EXPECT_EQ(Lines("Could not get number plate - total = 2147483647"), 1);
  PlateSlotUses[5] = 0;
  EXPECT_EQ(Take("FREED"), 5);
  EXPECT_EQ(SlotText(0), "P0");
}

TEST_F(NumberPlates, ChangedPagesAreRedrawnOneAFrameInPageOrder) {
  for (int i = 0; i < PLATE_SLOTS; ++i) Take(("S" + std::to_string(i)).c_str());
  RedrawAll();
  for (int slot : {30, 9, 37, 1, 17}) UpdatePlateHandle(slot, "NEW");
  EXPECT_EQ(PlateRegenPending, 1);
  const std::vector<int> expected = {0, 2, 4, 7, 9};
  EXPECT_EQ(RedrawAll(), expected);
  EXPECT_EQ(PlateRegenPending, 0);
  EXPECT_EQ(SlotText(37), "NEW");
  // Through the frame loop's deferred work: one page a call.
  ForcedRedrawPending = 0;
  TextureReloadPending = 0;
  UpdatePlateHandle(40, "LAST");
  UpdatePlateHandle(3, "FIRST");
  EXPECT_EQ(RunDeferredWork(), 1);
  EXPECT_EQ(PlatePages[0].redraw, 0);
  EXPECT_EQ(PlatePages[10].redraw, 1);
  EXPECT_EQ(RunDeferredWork(), 1);
  EXPECT_EQ(PlatePages[10].redraw, 0);
  EXPECT_EQ(RunDeferredWork(), 0);
}

TEST_F(NumberPlates, UpdatesOfASharedOrUnchangedSlotAreRefused) {
  Take("SAME");
  Take("SHARED");
  RedrawAll();
  PlateSlotUses[1] = 2;
  UpdatePlateHandle(0, "SAME");
  UpdatePlateHandle(1, "OTHER");
  EXPECT_TRUE(lines.empty()) << "debug messages only";
  EXPECT_EQ(PlateRegenPending, 0);
  CfgDebugLevel = 1;
  UpdatePlateHandle(0, "SAME");
  UpdatePlateHandle(1, "OTHER");
  UpdatePlateHandle(-1, "OTHER");
  EXPECT_EQ(Lines("Number plate to update (0) already matches"), 1);
  EXPECT_EQ(Lines("Number plate to update (1) does not have NumRefs==1"), 1);
  EXPECT_EQ(Lines("Number plate to update (-1) does not have NumRefs==1"), 1);
  EXPECT_EQ(SlotText(1), "SHARED");
  EXPECT_EQ(PlateRegenPending, 0);
}

TEST_F(NumberPlates, APageWithoutTexturesLosesItsMark) {
  GraphicsEnabled = 0;
  CfgDebugLevel = 1;
  EXPECT_EQ(Take("NOGFX"), 0);
  EXPECT_EQ(PlateMaterials[0], nullptr);
  EXPECT_EQ(PlatePages[0].redraw, 1);
  PlateRegenPending = 0;
  {
    std::lock_guard<std::mutex> lock(PlateLock);
    RegenPlates();
  }
  EXPECT_EQ(PlatePages[0].redraw, 0);
  EXPECT_EQ(PlateRegenPending, 0) << "nothing left to draw";
  EXPECT_EQ(Lines("PlateRegen[0] but a plate texture does not exist"), 1);
}

// Plates taken while graphics were off have pages without textures; each way a slot is taken
// or changed once graphics are on makes its page's two textures: a change of text, a freed
// slot taken again for its own text, and a plate past the last slot sharing slot 0.
TEST_F(NumberPlates, EachWayOfTakingOrChangingASlotMakesItsPagesTextures) {
  GraphicsEnabled = 0;
  for (int i = 0; i < 5; ++i) ASSERT_EQ(Take(("T" + std::to_string(i)).c_str()), i);
  ASSERT_EQ(PlateMaterials[0], nullptr);
  ASSERT_EQ(PlateMaterials[1], nullptr);
  GraphicsEnabled = 1;
  UpdatePlateHandle(0, "CHANGED");
  EXPECT_NE(PlateMaterials[0], nullptr) << "a change of text";
  EXPECT_NE(AlphaPlateMaterials[0], nullptr);
  PlateSlotUses[4] = 0;
  EXPECT_EQ(Take("T4"), 4);
  EXPECT_NE(PlateMaterials[1], nullptr) << "slot 4, on page 1, taken again for its own text";
  EXPECT_NE(AlphaPlateMaterials[1], nullptr);

  ClearPlates();
  GraphicsEnabled = 0;
  for (int i = 0; i < PLATE_SLOTS; ++i) ASSERT_EQ(Take(("P" + std::to_string(i)).c_str()), i);
  ASSERT_EQ(PlateMaterials[0], nullptr);
  GraphicsEnabled = 1;
  EXPECT_EQ(Take("ONE MORE"), 0);
  EXPECT_NE(PlateMaterials[0], nullptr) << "the plate past the last slot shares slot 0";
  EXPECT_NE(AlphaPlateMaterials[0], nullptr);
}

TEST_F(NumberPlates, AWideTextShrinksTo1Point9AndStaysCentredInItsQuarter) {
  EXPECT_FLOAT_EQ(PlateTextSize("AB 1"), PLATE_TEXT_SIZE_UNITS);
  const float size = PlateTextSize("WWWWWWWW");
  EXPECT_LT(size, PLATE_TEXT_SIZE_UNITS);
  EXPECT_NEAR(TextWidthAtSize("WWWWWWWW", size), 1.9f, 1e-4);
  PlateSlotText texts[4] = {MakePlateText("WWWWWWWW"), MakePlateText("I"), {}, {}};
  std::vector<uint16_t> canvas;
  DrawPlateCanvas(texts, canvas);
  // The wide text reaches to within 0.05 of each side but not past it.
  int left = PLATE_CANVAS_SIZE, right = -1;
  for (int y = 0; y < PLATE_CANVAS_SIZE / 4; ++y)
    for (int x = 0; x < PLATE_CANVAS_SIZE; ++x)
      if (canvas[size_t(y) * PLATE_CANVAS_SIZE + size_t(x)] != PLATE_WHITE) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  EXPECT_GE(left, 0.05 / 2 * PLATE_CANVAS_SIZE - 4);
  EXPECT_LE(right, PLATE_CANVAS_SIZE - 0.05 / 2 * PLATE_CANVAS_SIZE + 4);
  EXPECT_LT(left, 0.1 * PLATE_CANVAS_SIZE);
  EXPECT_NEAR((left + right) / 2.0, PLATE_CANVAS_SIZE / 2.0, 8);
  EXPECT_GT(InkOf(canvas, 1).ink, 0);
  EXPECT_EQ(InkOf(canvas, 2).ink + InkOf(canvas, 3).ink, 0);
}

// A space is a character of its own: "I I" is drawn wider than "II" by the space's width (the
// plate's 2 units across the canvas).
TEST_F(NumberPlates, ASpaceMovesTheLettersAfterItOnByItsWidth) {
  PlateSlotText texts[4] = {MakePlateText("I I"), MakePlateText("II"), {}, {}};
  std::vector<uint16_t> canvas;
  DrawPlateCanvas(texts, canvas);
  const auto span = [&](int quarter) {
    int left = PLATE_CANVAS_SIZE, right = -1;
    for (int y = quarter * 256; y < (quarter + 1) * 256; ++y)
      for (int x = 0; x < PLATE_CANVAS_SIZE; ++x)
        if (canvas[size_t(y) * PLATE_CANVAS_SIZE + size_t(x)] != PLATE_WHITE) {
          left = std::min(left, x);
          right = std::max(right, x);
        }
    return right - left;
  };
  const float size = PlateTextSize("I I");
  ASSERT_EQ(size, PlateTextSize("II"));
  const double space = (TextWidthAtSize("I I", size) - TextWidthAtSize("II", size)) * PLATE_CANVAS_SIZE / 2.0;
  ASSERT_GT(space, 8.0);
  EXPECT_NEAR(span(0) - span(1), space, 3.0);
}

TEST_F(NumberPlates, CaretCodesColourTheTextAndEachPlateStaysInItsQuarter) {
  PlateSlotText texts[4] = {MakePlateText("^1RED"), MakePlateText("AB^9CD"), MakePlateText("A^4B^8C"),
                            MakePlateText("^6Y^:Z")};
  std::vector<uint16_t> canvas;
  DrawPlateCanvas(texts, canvas);
  const QuarterInk red = InkOf(canvas, 0), black = InkOf(canvas, 1), mixed = InkOf(canvas, 2), last = InkOf(canvas, 3);
  EXPECT_GT(red.ink, 0);
  EXPECT_EQ(red.colours, std::vector<uint16_t>{0xF800}) << "^1: the red field full";
  EXPECT_EQ(black.colours, std::vector<uint16_t>{0x0000});
  std::vector<uint16_t> m = mixed.colours;
  std::sort(m.begin(), m.end());
  EXPECT_EQ(m, (std::vector<uint16_t>{0x0000, 0x001F})) << "^4 blue, ^8 black again";
  std::vector<uint16_t> l = last.colours;
  std::sort(l.begin(), l.end());
  EXPECT_EQ(l, (std::vector<uint16_t>{0x0000, 0x07FF})) << "^6 green and blue, ^: black again";
  // The quarters' edges stay white: no plate reaches into the next one.
  for (int q = 1; q < 4; ++q)
    for (int x = 0; x < PLATE_CANVAS_SIZE; ++x) {
      EXPECT_EQ(canvas[size_t(q * 256 - 1) * PLATE_CANVAS_SIZE + size_t(x)], PLATE_WHITE);
      EXPECT_EQ(canvas[size_t(q * 256) * PLATE_CANVAS_SIZE + size_t(x)], PLATE_WHITE);
    }
  // The canvas kept for the next page is white again before that page is drawn.
  const PlateSlotText blank[4] = {};
  DrawPlateCanvas(blank, canvas);
  EXPECT_EQ(std::count(canvas.begin(), canvas.end(), PLATE_WHITE), std::ptrdiff_t(canvas.size()));
}

// A caret and a code page letter switch the plate's characters to that page, the first page
// (L) included: switching to Greek and back draws the Latin letter as it is drawn alone, and
// the Greek one differs from it.
// Caret 7 is the last colour digit: all three fields, white, which leaves no ink on the white
// plate.  Caret 9 sets the colour back to black but keeps the code page; caret 8 also goes back
// to the first page.
TEST_F(NumberPlates, CaretSevenWritesWhiteAndCaretNineBlackOnTheSameCodePage) {
  PlateSlotText texts[4] = {MakePlateText("^7AB"), MakePlateText("^1A^9B"), MakePlateText("^G^9\xE9"),
                            MakePlateText("^G^8\xE9")};
  std::vector<uint16_t> canvas;
  DrawPlateCanvas(texts, canvas);
  EXPECT_EQ(InkOf(canvas, 0).ink, 0) << "white on white";
  std::vector<uint16_t> two = InkOf(canvas, 1).colours;
  std::sort(two.begin(), two.end());
  EXPECT_EQ(two, (std::vector<uint16_t>{0x0000, 0xF800})) << "^1 red, ^9 black again";
  PlateSlotText plain[4] = {MakePlateText("^G\xE9"), MakePlateText("\xE9"), {}, {}};
  std::vector<uint16_t> reference;
  DrawPlateCanvas(plain, reference);
  const auto quarter = [](const std::vector<uint16_t>& c, int q) {
    return std::vector<uint16_t>(c.begin() + ptrdiff_t(q) * 256 * PLATE_CANVAS_SIZE,
                                 c.begin() + ptrdiff_t(q + 1) * 256 * PLATE_CANVAS_SIZE);
  };
  ASSERT_FALSE(quarter(reference, 0) == quarter(reference, 1)) << "the Greek page's letter differs";
  EXPECT_TRUE(quarter(canvas, 2) == quarter(reference, 0)) << "^9 keeps the Greek page";
  EXPECT_TRUE(quarter(canvas, 3) == quarter(reference, 1)) << "^8 goes back to the first";
}

TEST_F(NumberPlates, ACaretAndLSwitchesAPlateBackToTheFirstCodePage) {
  PlateSlotText texts[4] = {MakePlateText("\xE9"), MakePlateText("^G^L\xE9"), MakePlateText("^G\xE9"), {}};
  std::vector<uint16_t> canvas;
  DrawPlateCanvas(texts, canvas);
  const auto quarter = [&](int q) {
    return std::vector<uint16_t>(canvas.begin() + ptrdiff_t(q) * 256 * PLATE_CANVAS_SIZE,
                                 canvas.begin() + ptrdiff_t(q + 1) * 256 * PLATE_CANVAS_SIZE);
  };
  ASSERT_GT(InkOf(canvas, 0).ink, 0);
  EXPECT_TRUE(quarter(1) == quarter(0)) << "back on the first page";
  EXPECT_FALSE(quarter(2) == quarter(0)) << "the Greek page's letter";
}

TEST_F(NumberPlates, ThePicturesAreTheCanvasHalvedTwice) {
  std::vector<uint16_t> canvas(size_t(PLATE_CANVAS_SIZE) * PLATE_CANVAS_SIZE, PLATE_WHITE);
  // A red 4 x 4 block at (8, 8) and one pixel of blue at (21, 2).
  for (int y = 8; y < 12; ++y)
    for (int x = 8; x < 12; ++x) canvas[size_t(y) * PLATE_CANVAS_SIZE + size_t(x)] = 0xF800;
  canvas[size_t(2) * PLATE_CANVAS_SIZE + 21] = 0x001F;
  std::vector<uint8_t> colour, alpha;
  PlatePictures(canvas, colour, alpha);
  ASSERT_EQ(colour.size(), size_t(256 * 256 * 4));
  ASSERT_EQ(alpha.size(), size_t(256 * 256 * 4));
  auto at = [](const std::vector<uint8_t>& p, int x, int y) { return &p[(size_t(y) * 256 + size_t(x)) * 4]; };
  EXPECT_EQ(at(colour, 2, 2)[0], 248);
  EXPECT_EQ(at(colour, 2, 2)[1], 0);
  EXPECT_EQ(at(colour, 2, 2)[2], 0);
  EXPECT_EQ(at(colour, 2, 2)[3], 255);
  EXPECT_EQ(at(alpha, 2, 2)[3], 255);
  EXPECT_EQ(at(colour, 0, 0)[0], 248) << "white: each field at the top of its byte";
  EXPECT_EQ(at(colour, 0, 0)[1], 252);
  EXPECT_EQ(at(alpha, 0, 0)[3], 0);
  // The blue pixel is one of sixteen: a sixteenth of the alpha, blue kept, red and green lower.
  EXPECT_EQ(at(alpha, 5, 0)[3], 255 / 16);
  EXPECT_EQ(at(alpha, 5, 0)[0], 255);
  EXPECT_LT(at(colour, 5, 0)[0], 248);
  // The same as converting every pixel and halving twice with the renderer's box filter.
  for (size_t i = 0; i < canvas.size(); i += 7919) canvas[i] = uint16_t(i * 2654435761u >> 16);
  PlatePictures(canvas, colour, alpha);
  std::vector<uint8_t> wantColour(canvas.size() * 4), wantAlpha(canvas.size() * 4);
  for (size_t i = 0; i < canvas.size(); ++i) {
    const uint16_t p = canvas[i];
    const uint8_t c[4] = {uint8_t((p >> 11) << 3), uint8_t((p >> 5 & 0x3F) << 2), uint8_t((p & 0x1F) << 3), 255};
    std::memcpy(&wantColour[i * 4], c, 4);
    const uint8_t a[4] = {255, 255, 255, uint8_t(p != PLATE_WHITE ? 255 : 0)};
    std::memcpy(&wantAlpha[i * 4], a, 4);
  }
  for (int side : {1024, 512}) {
    HalveImage(wantColour.data(), side, 0);
    HalveImage(wantAlpha.data(), side, 32);
  }
  EXPECT_EQ(std::memcmp(colour.data(), wantColour.data(), colour.size()), 0);
  EXPECT_EQ(std::memcmp(alpha.data(), wantAlpha.data(), alpha.size()), 0);
  // Alpha above 0 exactly where the colour is not the white of the canvas.
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const uint8_t* c = at(colour, x, y);
      const bool white = c[0] == 248 && c[1] == 252 && c[2] == 248;
      EXPECT_EQ(at(alpha, x, y)[3] > 0, !white) << x << " " << y;
    }
}

TEST_F(NumberPlates, ACarTakesItsOwnTextOrTheDefaultAndTheRendererResetsThePlates) {
  Car car;
  std::memcpy(car.plateText, "MY CAR", 6);
  int slot;
  {
    std::lock_guard<std::recursive_mutex> carLock(CarLock);
    std::lock_guard<std::mutex> lock(PlateLock);
    slot = TakeCarPlateSlot(car);
  }
  EXPECT_EQ(SlotText(slot), "MY CAR");
  Car plain;
  {
    std::lock_guard<std::mutex> lock(PlateLock);
    slot = TakeCarPlateSlot(plain);
  }
  EXPECT_EQ(SlotText(slot), DEFAULT_PLATE_TEXT);
  // "s_plate" of page 0 reaches the page's material.
  EXPECT_EQ(MapSpecialTextureName("s_plate", 0), PlateMaterials[0]);
  EXPECT_EQ(MapSpecialTextureName("s_plate_ALP", 0), AlphaPlateMaterials[0]);
  // The renderer's textures go: every slot and page is forgotten.
  ReleaseSystemTextures();
  EXPECT_EQ(PlateMaterials[0], nullptr);
  EXPECT_EQ(PlateSlotUses[slot], 0);
  EXPECT_EQ(PlatePages[0].redraw, 0);
  EXPECT_EQ(PlateTexts[slot].stored, 0);
}

TEST_F(NumberPlates, ThePagesGoWithTheRenderersMaterials) {
  const int slot = Take("ABC 123");
  ASSERT_NE(PlateMaterials[0], nullptr);
  // Closing the device empties the material map: a page kept past it would hand the next
  // "s_plate" look-up (the modeller's preview of a car) a freed material.
  FreeAllGraphics(1, 0);
  EXPECT_EQ(PlateMaterials[0], nullptr);
  EXPECT_EQ(AlphaPlateMaterials[0], nullptr);
  EXPECT_EQ(PlateSlotUses[slot], 0);
  EXPECT_EQ(PlateTexts[slot].stored, 0);
  Material* again = MapSpecialTextureName("s_plate", 0);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again, PlateMaterials[0]);
  EXPECT_NE(std::find(Materials.begin(), Materials.end(), again), Materials.end()) << "made again in the map";
}
