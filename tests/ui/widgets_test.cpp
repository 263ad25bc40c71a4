// widgets_test.cpp - interface_cfg.txt and the stock widgets' controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/process.h"
#include "platform/files.h"
#include "render/buffers.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/render_target.h"
#include "tests/render/null_renderer.h"
#include "tests/ui/png_test_util.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/character_set.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/interface_local.h"
#include "ui/text_draw.h"
#include "ui/value_steps.h"
#include "ui/version_banner.h"
#include "ui/widgets.h"

namespace {

void ReadText(const char* text) { ReadInterfaceCfgFromText(text, std::strlen(text)); }

class Widgets : public ::testing::Test {
 protected:
  Prss owner{};
  void SetUp() override {
    ResetInterfaceState();
    InterfaceColours = InterfaceColourSettings{};
  }
  void TearDown() override { ResetInterfaceState(); }
  int CountType(DisplayType type) const {
    int n = 0;
    for (int i = 0; i < ValueControlCount; ++i) n += ValueControls[i].displayType == type;
    return n;
  }
  const ValueControl* FindType(DisplayType type) const {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == type) return &ValueControls[i];
    return nullptr;
  }
};

}  // namespace

TEST(InterfaceCfg, ValuesAreClampedAndUnknownTextSkipped) {
  ReadText("Big Alpha 1.7\nMap Dark Alpha 0.1\nMap Light Alpha 0.2\nButton Alpha -3\nnoise Big Col 300 -5 7\n");
  EXPECT_FLOAT_EQ(InterfaceColours.bigAlpha, 1.0f);
  EXPECT_FLOAT_EQ(InterfaceColours.mapDarkAlpha, 0.2f);
  EXPECT_FLOAT_EQ(InterfaceColours.mapLightAlpha, 0.2f);
  EXPECT_FLOAT_EQ(InterfaceColours.buttonAlpha, 0.0f);
  EXPECT_EQ(InterfaceColours.bigCol, RgbWord(255, 0, 7));  // channels clamped into their bytes
  EXPECT_EQ(BigAlphaWord, 0xFF000000u);                    // derived after reading
  EXPECT_EQ(ButtonAlphaWord, 0u);
  ReadText("Button Col 4 5 999\nBig Text 300 2 -9\n");
  EXPECT_EQ(InterfaceColours.buttonCol, RgbWord(4, 5, 255));
  EXPECT_EQ(InterfaceColours.bigText, RgbWord(255, 2, 0));
}

// Alphas set past either end (not through the file, which clamps them as read) are held at
// the ends when turned into vertex alphas: 2 is opaque, -0.5 clear.
TEST(InterfaceCfg, AlphaWordsHoldAlphasOutsideZeroToOne) {
  const InterfaceColourSettings saved = InterfaceColours;
  InterfaceColours.buttonAlpha = 2.0f;
  InterfaceColours.bigAlpha = -0.5f;
  ApplyInterfaceColours();
  EXPECT_EQ(ButtonAlphaWord, 0xFF000000u);
  EXPECT_EQ(BigAlphaWord, 0u);
  InterfaceColours = saved;
  ApplyInterfaceColours();
}

// A number is read only up to the end of the text given, even when more digits follow it in
// memory: "Big Alpha 0.55" read without its last byte gives 0.5.
TEST(InterfaceCfg, ANumberEndsWhereTheTextEnds) {
  const InterfaceColourSettings saved = InterfaceColours;
  const char text[] = "Big Alpha 0.55";
  ReadInterfaceCfgFromText(text, sizeof text - 2);
  EXPECT_FLOAT_EQ(InterfaceColours.bigAlpha, 0.5f);
  const char colour[] = "Big Col 1 2 34";
  ReadInterfaceCfgFromText(colour, sizeof colour - 2);
  EXPECT_EQ(InterfaceColours.bigCol, RgbWord(1, 2, 3));
  InterfaceColours = saved;
  ApplyInterfaceColours();
}

// A lesson's arrow row: its label, then the value as its format shows it ("%d" without one)
// between the arrows of words w and w + 1, live through the lesson editor's step handler.
TEST_F(Widgets, AnArrowRowShowsItsFormattedValueBetweenItsArrows) {
  AddScreenTitle("t", 5, 0);
  const int n = ValueControlCount;
  const InterfaceHandler saved = LessonEditorStep;
  LessonEditorStep = [](void*, int, uintptr_t) {};
  AddPanelArrowRow(&owner, "Laps", nullptr, 12, 20, 0.1f);
  AddPanelArrowRow(&owner, "Time", "%d s", 7, 30, 0.2f);
  LessonEditorStep = saved;
  ASSERT_EQ(ValueControlCount, n + 8);
  EXPECT_STREQ(ValueControls[n].minimum.text, "Laps");
  EXPECT_EQ(ValueControls[n + 1].variable, reinterpret_cast<void*>(20));
  EXPECT_EQ(ValueControls[n + 1].owner, &owner);
  EXPECT_STREQ(ValueControls[n + 2].minimum.text, "12");
  EXPECT_NEAR(ValueControls[n + 2].left, -0.19f, 1e-6f);
  EXPECT_NEAR(ValueControls[n + 2].right, 0.19f, 1e-6f);
  EXPECT_EQ(ValueControls[n + 3].variable, reinterpret_cast<void*>(21));
  EXPECT_STREQ(ValueControls[n + 6].minimum.text, "7 s");
}

// Writing the settings replaces what the text held before.
TEST(InterfaceCfg, WritingReplacesTheTextsOldContents) {
  std::string out = "old contents\n";
  WriteInterfaceCfgToText(out);
  EXPECT_EQ(out.find("old contents"), std::string::npos);
  EXPECT_FALSE(out.empty());
}

TEST(InterfaceCfg, TheGroundGridsTakeTheirGreysFromTheSettings) {
  ReadText("Button Col 180 180 180\nText Unavailable 90 90 88\n");
  EXPECT_EQ(GridStrongGrey, 180);
  EXPECT_EQ(GridWeakGrey, 90);
  ReadText("");
  EXPECT_EQ(GridStrongGrey, 200);
  EXPECT_EQ(GridWeakGrey, 114);
}

TEST(InterfaceCfg, AOneKeyFileKeepsEveryOtherDefaultAndNonNumbersAreIgnored) {
  ReadText("Own Car 1 2 3");
  const InterfaceColourSettings d{};
  EXPECT_EQ(InterfaceColours.ownCar, RgbWord(1, 2, 3));
  EXPECT_EQ(InterfaceColours.carAhead, d.carAhead);
  EXPECT_FLOAT_EQ(InterfaceColours.bigAlpha, 0.5f);
  ReadText("Big Alpha nan\nButton Alpha x\nCar Ahead 1 2\n");
  EXPECT_FLOAT_EQ(InterfaceColours.bigAlpha, 0.5f);
  EXPECT_FLOAT_EQ(InterfaceColours.buttonAlpha, 0.3f);
  EXPECT_EQ(InterfaceColours.carAhead, d.carAhead);  // a colour needs all three numbers
}

TEST(InterfaceCfg, WriteThenReadRoundTripsInTableOrder) {
  InterfaceCfgPath = "interface_cfg_test.txt";
  std::remove(InterfaceCfgPath);
  ReadInterfaceCfg();  // a missing file keeps the defaults
  EXPECT_EQ(InterfaceColours.titleGrey, RgbWord(218, 255, 87));
  InterfaceColours.carLapBehind = RgbWord(1, 2, 3);
  InterfaceColours.mapDarkAlpha = 0.75f;
  ASSERT_EQ(WriteInterfaceCfg(), 1);
  std::string text;
  ASSERT_EQ(FileReadAll(InterfaceCfgPath, text, 4096), 0);
  EXPECT_EQ(text.rfind("Big Alpha 0.50\nBig Col 5 0 0\nButton Alpha 0.30\n", 0), 0u);
  EXPECT_NE(text.find("Map Dark Alpha 0.75\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 21), "Car Lap Behind 1 2 3\n");
  InterfaceColours = InterfaceColourSettings{};
  ReadInterfaceCfg();
  EXPECT_EQ(InterfaceColours.carLapBehind, RgbWord(1, 2, 3));
  EXPECT_FLOAT_EQ(InterfaceColours.mapDarkAlpha, 0.75f);
  // "Car Lap Ahead " and "Car Ahead " share their end: each keeps its own value.
  EXPECT_EQ(InterfaceColours.carLapAhead, RgbWord(255, 255, 192));
  std::remove(InterfaceCfgPath);
  InterfaceCfgPath = "interface_cfg.txt";
}

TEST(InterfaceCfg, AFileWithoutOneSettingIsKeptAsideBeforeItIsWrittenOver) {
  std::filesystem::remove_all("interface_kept");
  std::filesystem::create_directories("interface_kept");
  InterfaceCfgPath = "interface_kept/interface_cfg.txt";
  const std::string foreign = "<colours><title>green</title></colours>\n";
  std::ofstream(InterfaceCfgPath, std::ios::binary) << foreign;
  ReadInterfaceCfg();
  EXPECT_EQ(InterfaceColours.titleGrey, RgbWord(218, 255, 87));
  std::string kept;
  ASSERT_EQ(FileReadAll("interface_kept/interface_cfg.txt.kept", kept, 4096), 0);
  EXPECT_EQ(kept, foreign);
  ASSERT_EQ(WriteInterfaceCfg(), 1);
  ASSERT_EQ(FileReadAll("interface_kept/interface_cfg.txt.kept", kept, 4096), 0);
  EXPECT_EQ(kept, foreign);
  std::ofstream(InterfaceCfgPath, std::ios::binary) << "junk Big Alpha 0.25\n";  // one setting: read
  ReadInterfaceCfg();
  EXPECT_FLOAT_EQ(InterfaceColours.bigAlpha, 0.25f);
  EXPECT_FALSE(std::filesystem::exists("interface_kept/interface_cfg.txt.kept2"));
  InterfaceCfgPath = "interface_cfg.txt";
}

TEST_F(Widgets, TitleAndCornerButtonsSetTheFrameState) {
  AddScreenTitle("Options", 5, 0);
  EXPECT_FLOAT_EQ(MessageTop, -0.85f);
  EXPECT_NE(InterfaceFlags & INTERFACE_FLAG_SCREEN_TITLE, 0u);
  EXPECT_FLOAT_EQ(CurrentPanelLayout().valueX1, -0.25f);
  AddCornerBackButton(&owner, 7, nullptr);
  const ValueControl* back = FindType(VALUE_TYPE_DARK_TEXT);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->owner, nullptr);  // no handler: unavailable
  EXPECT_EQ(back->colour, &InterfaceColours.textUnavailable);
  EXPECT_STREQ(back->minimum.text, "OK");
  EXPECT_EQ(BackButtonShown, 1);
  ClearInterface();
  EXPECT_EQ(BackButtonShown, 0);
  AddOkButton(&owner, 1, Prss_CloseHandler, nullptr, 0.2f);
  EXPECT_STREQ(ValueControls[0].minimum.text, "GO");
  EXPECT_FLOAT_EQ(ValueControls[0].left, 0.55f);
}

TEST_F(Widgets, StockCallbacksCycleToggleAndSet) {
  int32_t v = 1;
  CycleValue(nullptr, 2, reinterpret_cast<uintptr_t>(&v));
  EXPECT_EQ(v, 0);
  CycleValue(nullptr, 0, reinterpret_cast<uintptr_t>(&v));  // nothing to cycle through
  EXPECT_EQ(v, 0);
  uint32_t flags = 5;
  ToggleBits(nullptr, 4, reinterpret_cast<uintptr_t>(&flags));
  EXPECT_EQ(flags, 1u);
  SetValue(nullptr, 3, reinterpret_cast<uintptr_t>(&v));
  EXPECT_EQ(v, 3);
}

TEST_F(Widgets, RowsUseTheSelectedLayoutColumns) {
  AddScreenTitle("t", 0, 1);
  static const char* const TWO[] = {"off", "on", nullptr};
  int32_t choice = 0;
  AddPanelCycleRow(&owner, "Mode :", &choice, TWO, "host_nm", 0.1f);
  EXPECT_EQ(CountType(VALUE_TYPE_LABEL), 1);
  const ValueControl* value = FindType(VALUE_TYPE_TEXT_LIST);
  ASSERT_NE(value, nullptr);
  EXPECT_FLOAT_EQ(value->left, 0.0f);
  EXPECT_FLOAT_EQ(value->bottom, 0.16f);
  EXPECT_EQ(value->maximum.i, 2);
  EXPECT_EQ(CountType(VALUE_TYPE_HELP), 1);  // the help button
  ClearInterface();
  ScreenshotFormat = 4;
  AddScreenshotFormatRow(&owner, 0.0f);
  ASSERT_EQ(CountType(VALUE_TYPE_TEXT_SLOT), 5);
  EXPECT_FLOAT_EQ(ValueControls[ValueControlCount - 1].right, 0.1f);  // the last ends on the column's edge
  EXPECT_EQ(ValueControls[ValueControlCount - 1].colour, &InterfaceColours.textSelected);
  EXPECT_EQ(ValueControls[ValueControlCount - 2].colour, &InterfaceColours.textUnselected);
}

// A flag row shows the flag's word "no" or "yes" as the bit is clear or set.
TEST_F(Widgets, AFlagRowShowsNoOrYesByItsBit) {
  AddScreenTitle("t", 0, 1);
  uint32_t flags = 0;
  AddPanelFlagRow(&owner, "Flag :", &flags, 4, nullptr, 0.1f);
  const ValueControl* value = FindType(VALUE_TYPE_YES_NO);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->variable, &flags);
  char shown[64];
  ASSERT_EQ(ValueControlText(*value, shown, sizeof shown), 1);
  EXPECT_STREQ(shown, LanguageTexts[TX_3a_smlnobrk]);
  flags = 4;
  ASSERT_EQ(ValueControlText(*value, shown, sizeof shown), 1);
  EXPECT_STREQ(shown, LanguageTexts[TX_3a_smlysbrk]);
}

// A screen title is a title tab (VALUE_TYPE_TITLE) across the top; a labelled toggle's label is a
// style-3 label two units shorter than the row.
TEST_F(Widgets, ATitleIsATabAndALabelledToggleLabelIsStyleThree) {
  AddScreenTitle("t", 0, 1);
  EXPECT_NE(FindType(VALUE_TYPE_TITLE), nullptr);
  ClearInterface();
  RowCursorX = 0;
  RowCursorY = 0;
  uint32_t flags = 0;
  AddFlagToggle(&owner, 6, "Mirror", 1, &flags, nullptr, 0, nullptr, nullptr);
  ASSERT_GE(ButtonCount, 1);
  EXPECT_EQ(InterfaceButtons[0].style, BUTTON_STYLE_LABEL);
  EXPECT_EQ(InterfaceButtons[0].right - InterfaceButtons[0].left, 4 * ButtonWidth);
}

TEST_F(Widgets, FloatStepsAreLiveOnlyAwayFromTheirBounds) {
  float v = 0.0f;
  AddFloatSlider(&owner, "%.1f", -0.5f, 0.5f, 0.0f, 0.1f, &v, 0.0f, 1.0f, 0.1f, nullptr);
  ASSERT_EQ(ValueControlCount, 3);
  EXPECT_EQ(ValueControls[0].displayType, VALUE_TYPE_FLOAT_MINUS);
  EXPECT_EQ(ValueControls[0].owner, nullptr);  // at the minimum
  EXPECT_EQ(ValueControls[2].owner, &owner);
  EXPECT_FLOAT_EQ(ValueControls[1].top, 0.005f);
  EXPECT_FLOAT_EQ(ValueControls[1].left, -0.47f);
}

// A value row shows its text between its arrows (the options page's gearbox rows: "automatic"),
// and the arrows step with words w and w + 1.
TEST_F(Widgets, AValueRowShowsItsTextBetweenItsArrows) {
  AddScreenTitle("t", 5, 0);
  int32_t value = 0;
  AddPanelValueRow(&owner, "wheel gear shift", "automatic", &value, 6, CycleValue, 0.0f);
  const ValueControl* middle = FindType(VALUE_TYPE_INT_VALUE);
  ASSERT_NE(middle, nullptr);
  char shown[64];
  ASSERT_EQ(ValueControlText(*middle, shown, sizeof shown), 1);
  EXPECT_STREQ(shown, "automatic");
  EXPECT_NE(ValueControlInk(*middle), 0u) << "the text is drawn";
  std::vector<uintptr_t> words;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].displayType == VALUE_TYPE_TEXT && ValueControls[i].owner == &owner)
      words.push_back(reinterpret_cast<uintptr_t>(ValueControls[i].variable));
  EXPECT_EQ(words, (std::vector<uintptr_t>{6, 7}));
}

TEST_F(Widgets, ScrollBarPartsFollowItsHeight) {
  int32_t position = 0;
  AddScrollBar(&owner, &position, 0.9f, 0.95f, 0.0f, 0.05f, 4, 10);  // short: down and drag area only
  EXPECT_EQ(CountType(VALUE_TYPE_SCROLL_UP), 0);
  EXPECT_EQ(CountType(VALUE_TYPE_SCROLL_DOWN), 1);
  EXPECT_EQ(CountType(VALUE_TYPE_WHEEL), 1);
  ClearInterface();
  AddScrollBar(&owner, &position, 0.9f, 0.95f, 0.0f, 0.1f, 4, 10);  // up over the top half, down the rest
  ASSERT_NE(FindType(VALUE_TYPE_SCROLL_UP), nullptr);
  EXPECT_FLOAT_EQ(FindType(VALUE_TYPE_SCROLL_UP)->bottom, 0.05f);
  EXPECT_FLOAT_EQ(FindType(VALUE_TYPE_SCROLL_DOWN)->top, 0.05f);
  EXPECT_EQ(CountType(VALUE_TYPE_SCROLL), 0);
  ClearInterface();
  position = 3;
  AddScrollBar(&owner, &position, 0.9f, 0.95f, 0.0f, 1.0f, 4, 10);
  const ValueControl* thumb = FindType(VALUE_TYPE_SCROLL);
  ASSERT_NE(thumb, nullptr);
  EXPECT_EQ(thumb->minimum.i, 3);
  EXPECT_EQ(thumb->maximum.i, 7);
  EXPECT_EQ(thumb->label.i, 10);
  EXPECT_FLOAT_EQ(FindType(VALUE_TYPE_SCROLL_DOWN)->top, 0.96f);
}

// The up arrow comes with a height of 0.081 and the thumb with 0.121, exactly; up to 0.121
// the up arrow takes the top half, from it 0.04.
TEST_F(Widgets, AScrollBarsArrowAndThumbComeAtTheirExactHeights) {
  int32_t position = 0;
  AddScrollBar(&owner, &position, 0.9f, 0.95f, 0.0f, 0.081f, 4, 10);
  ASSERT_NE(FindType(VALUE_TYPE_SCROLL_UP), nullptr) << "the up arrow at 0.081";
  EXPECT_FLOAT_EQ(FindType(VALUE_TYPE_SCROLL_UP)->bottom, 0.0405f);
  EXPECT_EQ(FindType(VALUE_TYPE_SCROLL), nullptr);
  ClearInterface();
  AddScrollBar(&owner, &position, 0.9f, 0.95f, 0.0f, 0.121f, 4, 10);
  ASSERT_NE(FindType(VALUE_TYPE_SCROLL), nullptr) << "the thumb at 0.121";
  ASSERT_NE(FindType(VALUE_TYPE_SCROLL_UP), nullptr);
  EXPECT_FLOAT_EQ(FindType(VALUE_TYPE_SCROLL_UP)->bottom, 0.04f);
  EXPECT_FLOAT_EQ(FindType(VALUE_TYPE_SCROLL_DOWN)->top, 0.081f);
  ClearInterface();
  AddScrollBar(&owner, &position, 0.9f, 0.95f, 0.0f, 0.08f, 4, 10);
  EXPECT_EQ(FindType(VALUE_TYPE_SCROLL_UP), nullptr) << "no up arrow below 0.081";
}

// A row list's scroll bar, on an 800 x 600 screen, is one button wide at the given pixels and
// as tall as its rows, its arrows a row high (their glyphs as large as the rows' texts); on a
// screen of no size it is not added.
TEST_F(Widgets, ARowListsScrollBarIsOneButtonWideAndAsTallAsItsRows) {
  const int saved[2] = {ScreenWidth, ScreenHeight};
  ScreenWidth = 800;
  ScreenHeight = 600;
  int32_t position = 0;
  AddRowListScrollBar(&owner, &position, 400, 150, 5, 20);
  const ValueControl* area = FindType(VALUE_TYPE_WHEEL);
  ASSERT_NE(area, nullptr);
  EXPECT_NEAR(area->left, 0.0f, 1e-6f);
  EXPECT_NEAR(area->right, 2.0f * float(400 + ButtonWidth) / 800.0f - 1.0f, 1e-6f);
  EXPECT_NEAR(area->top, -0.5f, 1e-6f);
  EXPECT_NEAR(area->bottom, 2.0f * float(150 + 5 * ButtonHeight) / 600.0f - 1.0f, 1e-6f);
  EXPECT_EQ(area->maximum.i, 5) << "the last row shown: the position plus the rows";
  EXPECT_EQ(area->label.i, 20);
  const float row = 2.0f * float(ButtonHeight) / 600.0f;
  for (const DisplayType type : {VALUE_TYPE_SCROLL_UP, VALUE_TYPE_SCROLL_DOWN}) {
    const ValueControl* arrow = FindType(type);
    ASSERT_NE(arrow, nullptr) << type;
    EXPECT_NEAR(arrow->bottom - arrow->top, row, 1e-5f) << type;
  }
  for (const auto& [w, h] : {std::pair{0, 600}, std::pair{800, 0}}) {
    ClearInterface();
    ScreenWidth = w;
    ScreenHeight = h;
    AddRowListScrollBar(&owner, &position, 400, 150, 5, 20);
    EXPECT_EQ(ValueControlCount, 0) << w << " x " << h;
  }
  ScreenWidth = saved[0];
  ScreenHeight = saved[1];
}

TEST_F(Widgets, ColourAndCoordinateRows) {
  AddScreenTitle("t", 5, 0);  // value columns -0.25 .. 0.25
  ColourWord colour = RgbWord(1, 2, 3);
  AddColourRowWithFlags(&owner, "Colour :", &colour, RGB_SLIDERS_BRIGHTNESS, nullptr, 0.0f);
  const ValueControl* swatch = FindType(VALUE_TYPE_COLOUR_SWATCH);
  ASSERT_NE(swatch, nullptr);
  EXPECT_FLOAT_EQ(swatch->right, 0.0f);
  ASSERT_EQ(CountType(VALUE_TYPE_COLOUR_BYTE), 3);
  const ValueControl* green = &ValueControls[ValueControlCount - 3];
  EXPECT_EQ(green->variable, reinterpret_cast<uint8_t*>(&colour) + 1);
  EXPECT_FLOAT_EQ(green->left, 0.0625f);  // quarters with the brightness slider
  EXPECT_EQ(CountType(VALUE_TYPE_COLOUR_TRIPLE), 1);

  ClearInterface();
  const NamedPoint points[2] = {{"start", 0}, {"finish", 1}};
  AddCoordinateRows(&owner, points, 2, 0.0f, 11, -0.5f, 0.5f);
  EXPECT_EQ(ValueControlCount, 3 + 4);  // no REV for the first
  const ValueControl& rev = ValueControls[ValueControlCount - 1];
  EXPECT_EQ(rev.variable, reinterpret_cast<void*>(9));
  EXPECT_STREQ(rev.minimum.text, "REV");
  EXPECT_FLOAT_EQ(rev.top, 0.06f);
  EXPECT_EQ(ValueControls[5].colour, &InterfaceColours.textSelected);  // word 11: the second row's Y
  EXPECT_EQ(ValueControls[5].owner, nullptr);  // no lesson editor yet: shown only
}

// A coordinate row splits its width in fifths: the name two, then X, Y and REV one each.
TEST_F(Widgets, CoordinateRowsSplitTheirWidthInFifths) {
  const NamedPoint points[1] = {{"finish", 1}};
  AddCoordinateRows(&owner, points, 1, 0.0f, 0, -0.5f, 0.5f);
  ASSERT_EQ(ValueControlCount, 4);
  const float edges[5] = {-0.5f, -0.1f, 0.1f, 0.3f, 0.5f};
  for (int i = 0; i < 4; ++i) {
    const ValueControl& c = ValueControls[i];
    EXPECT_NEAR(c.left, edges[i], 1e-6f) << i;
    EXPECT_NEAR(c.right, edges[i + 1], 1e-6f) << i;
  }
}

TEST(VersionBanner, PlacementFollowsThePosition) {
  const BannerPlacement wide = VersionBannerPlacement(1, 16.0f / 9.0f);  // 0.341 high: scaled to 0.3
  EXPECT_FLOAT_EQ(wide.halfHeight, 0.3f);
  EXPECT_NEAR(wide.halfWidth, 0.6f * 0.3f / (0.6f * 16.0f / 9.0f * 0.32f), 1e-6);
  EXPECT_FLOAT_EQ(wide.centreY, -0.54f);
  EXPECT_FLOAT_EQ(wide.bandBottom, -1.0f);
  const BannerPlacement band = VersionBannerPlacement(2, 1.0f);
  EXPECT_FLOAT_EQ(band.halfHeight, 0.44f * 0.32f);
  EXPECT_NEAR(band.bandBottom, band.halfHeight * 1.67f - 1.0f, 1e-6);
  EXPECT_NEAR(band.centreY, 0.5f * (band.bandBottom - 1.0f), 1e-6);
  EXPECT_FLOAT_EQ(band.centreX, 0.57f);
  EXPECT_NEAR(VersionBannerPlacement(3, 1.0f).centreY, 0.44f * 0.32f - 0.95f, 1e-6);
  EXPECT_NEAR(VersionBannerPlacement(4, 1.0f).centreY, -0.5125f - 0.36f * 0.32f * 0.67f, 1e-6);
  EXPECT_FLOAT_EQ(VersionBannerPlacement(7, 1.0f).centreY, 0.0f);
}

// The version text is drawn on the fixed-width stand-in character set (without a set its
// letters all map to the blank and nothing is queued); the set in place before is put back
// after each test.
class BannerDraw : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    savedMetrics_.assign(std::begin(CharMetrics), std::end(CharMetrics));
    savedRecords_.assign(std::begin(CodePageRecords), std::end(CodePageRecords));
    UseFixedWidthCharacterSet();
  }
  void TearDown() override {
    EmptyTextBatches();
    std::copy(savedMetrics_.begin(), savedMetrics_.end(), std::begin(CharMetrics));
    std::copy(savedRecords_.begin(), savedRecords_.end(), std::begin(CodePageRecords));
  }

 private:
  std::vector<GlyphMetrics> savedMetrics_;
  std::vector<CodePageRecord> savedRecords_;
};

TEST_F(BannerDraw, WithoutALogoNoQuadIsDrawn) {
  ResetDraw2D();
  const uint32_t before = Draw2DList.counters.vertexCount;
  DrawVersionBanner(2, 1);  // no logo file: no band, no quad; the text alone
  DrawVersionBanner(1, 0);
  EXPECT_EQ(Draw2DList.counters.vertexCount, before);
  EmptyTextBatches();
  ResetDraw2D();
}

// With a logo picture the banner draws it as one quad of white corners over the top 0.32 of
// the picture.  Position 7 is centred, 0.6 half wide; on a square screen its half height is
// 0.6 * 0.32 = 0.192.  The full-screen window turns y over (clip space points up), so the
// corners (-0.6, -0.192), (0.6, -0.192), (0.6, 0.192), (-0.6, 0.192) are kept with y negated.
TEST_F(BannerDraw, TheLogoIsAQuadOverTheBannerShowingTheTopOfItsPicture) {
  const std::filesystem::path previous = std::filesystem::current_path();
  const std::filesystem::path folder = previous / "banner_logo";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "data" / "png");
  EXPECT_TRUE(WriteRgbPng((folder / "data" / "png" / "LOGO.png").string(), std::vector<uint8_t>(16 * 16 * 3, 200), 16,
                          16));
  const int savedCompressed = CfgCompressedTex;
  const FrameProjection savedProjection = Projection;
  const ScreenWindow savedWindow = RenderTargets.window;
  CfgCompressedTex = 0;
  std::filesystem::current_path(folder);
  FreeAllGraphics(1, 0);  // the logo is looked up again, its file there now
  Projection.inverseAspect = 1.0f;
  SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  ResetDraw2D();
  DrawVersionBanner(7, 0);
  std::vector<Draw2DVertex> quad;
  uint32_t triangles = 0;
  if (Draw2DList.counters.batchCount > 0) {
    const Draw2DBatch last = Draw2DList.batches[Draw2DList.counters.batchCount - 1];
    triangles = last.triangleCount;
    quad.assign(Draw2DList.vertices.begin() + last.firstVertex,
                Draw2DList.vertices.begin() + last.firstVertex + last.vertexCount);
  }
  ResetDraw2D();
  FreeAllGraphics(1, 0);  // nothing kept of the picture past the test
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
  CfgCompressedTex = savedCompressed;
  Projection = savedProjection;
  RenderTargets.window = savedWindow;

  ASSERT_EQ(quad.size(), 4u) << "the logo's batch";
  EXPECT_EQ(triangles, 2u);
  const float expected[4][4] = {
      {-0.6f, 0.192f, 0.0f, 0.0f}, {0.6f, 0.192f, 1.0f, 0.0f}, {0.6f, -0.192f, 1.0f, 0.32f}, {-0.6f, -0.192f, 0.0f, 0.32f}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(quad[i].x, expected[i][0], 1e-6f) << i;
    EXPECT_NEAR(quad[i].y, expected[i][1], 1e-6f) << i;
    EXPECT_FLOAT_EQ(quad[i].u, expected[i][2]) << i;
    EXPECT_FLOAT_EQ(quad[i].v, expected[i][3]) << i;
  }
}

// The version text is queued in the title colour, each channel in its own byte of the
// vertex colour: a title colour of (0x12, 0x34, 0x56) gives 0xFF123456 on every letter.
TEST_F(BannerDraw, TheVersionTextTakesTheTitleColourChannelByChannel) {
  const ColourWord saved = InterfaceColours.titleGrey;
  InterfaceColours.titleGrey = RgbWord(0x12, 0x34, 0x56);
  EmptyTextBatches();
  TextBatch* const before = CurrentTextBatch;
  CurrentTextBatch = &InterfaceTextBatch;
  DrawVersionBanner(3, 1);
  CurrentTextBatch = before;
  InterfaceColours.titleGrey = saved;
  ASSERT_FALSE(InterfaceTextBatch.items.empty());
  for (const TextBatchItem& item : InterfaceTextBatch.items) EXPECT_EQ(item.colour, 0xFF123456u);
  EmptyTextBatches();
  ResetDraw2D();
}

TEST_F(Widgets, ByteSlidersShowTheirRangeThroughTheLabelAndStepWithinTheBytes) {
  char shown[64];
  uint8_t x = 100;  // over 0..200 shown as -1..1
  AddSlider(&owner, "X %.2f", &x, -0.5f, 0.5f, 0.0f, 0.05f, -1.0f, 1.0f, 0, 200, nullptr);
  ASSERT_EQ(ValueControlCount, 4);
  ASSERT_EQ(ValueControlText(ValueControls[0], shown, sizeof shown), 1);
  EXPECT_STREQ(shown, "X 0.00");
  // No address in the label's flags (its low bits would align it and drop its margins): only
  // the narrow margin, the steps keeping its sides clear.
  EXPECT_EQ(ValueControls[0].label.i, LABEL_NARROW_MARGIN);
  const ValueControl& bar = ValueControls[2];
  EXPECT_EQ(bar.displayType, VALUE_TYPE_MAPPED_BYTE);
  EXPECT_EQ(bar.byteMinimum, 0);
  EXPECT_EQ(bar.byteMaximum, 200);
  EXPECT_FLOAT_EQ(bar.minimum.f, -1.0f);
  EXPECT_FLOAT_EQ(bar.maximum.f, 1.0f);

  ClearInterface();
  uint8_t angle = 24;  // 0..72 shown as 0..360 degrees
  AddSlider(&owner, "Start Angle %.0f", &angle, -0.5f, 0.5f, 0.0f, 0.05f, 0.0f, 360.0f, 0, 72, nullptr);
  ValueControlText(ValueControls[0], shown, sizeof shown);
  EXPECT_STREQ(shown, "Start Angle 120");

  ClearInterface();
  uint8_t turn = 12;  // at its lowest byte: the left step is dead, the right one live
  AddSlider(&owner, "Turn Angle %.0f", &turn, -0.5f, 0.5f, 0.0f, 0.05f, 60.0f, 360.0f, 12, 72, nullptr);
  ValueControlText(ValueControls[0], shown, sizeof shown);
  EXPECT_STREQ(shown, "Turn Angle 60");
  EXPECT_EQ(ValueControls[1].owner, nullptr);
  EXPECT_EQ(ValueControls[3].owner, &owner);
  EXPECT_EQ(ValueControls[3].label.i, 72);  // the right step stops at the highest byte
  EXPECT_FLOAT_EQ(MappedByteValue(72, 60.0f, 360.0f, 12, 72), 360.0f);
  EXPECT_FLOAT_EQ(MappedByteValue(5, 0.5f, 2.0f, 5, 5), 0.5f);  // an empty byte range shows the minimum

  // The float rows' labels show their value through the label too.
  ClearInterface();
  AddScreenTitle("t", 5, 0);
  float mass = 2.5f;
  AddPanelSliderRow(&owner, "Mass %.1f", &mass, 0.0f, 10.0f, nullptr, 0.0f);
  ValueControlText(ValueControls[ValueControlCount - 4], shown, sizeof shown);
  EXPECT_STREQ(shown, "Mass 2.5");
  EXPECT_EQ(ValueControls[ValueControlCount - 4].label.i, 0);
  AddPanelRangeRow(&owner, "Grip %.2f", &mass, 0.0f, 10.0f, 0.1f);
  ValueControlText(ValueControls[ValueControlCount - 4], shown, sizeof shown);
  EXPECT_STREQ(shown, "Grip 2.50");
}

TEST_F(Widgets, AColourEditorIsALabelRowOverThreeFullRangeSliders) {
  ColourWord colour = RgbWord(10, 20, 30);
  ColourWord style = 0;
  AddColourEditor(&owner, &colour, "Text colour", &style, nullptr, 0.1f, -0.5f, 0.4f, 0.05f);
  ASSERT_EQ(ValueControlCount, 4);
  EXPECT_EQ(ValueControls[0].displayType, VALUE_TYPE_LABEL);
  EXPECT_STREQ(ValueControls[0].minimum.text, "Text colour");
  EXPECT_EQ(ValueControls[0].colour, &style);
  EXPECT_FLOAT_EQ(ValueControls[0].bottom, 0.15f);
  for (int i = 1; i <= 3; ++i) {
    const ValueControl& s = ValueControls[i];
    EXPECT_EQ(s.displayType, VALUE_TYPE_COLOUR_BYTE);
    EXPECT_EQ(s.variable, reinterpret_cast<uint8_t*>(&colour) + (i - 1));
    EXPECT_EQ(s.minimum.i, 0);
    EXPECT_EQ(s.maximum.i, 255);
    EXPECT_FLOAT_EQ(s.top, 0.15f);
    EXPECT_FLOAT_EQ(s.bottom, 0.2f);
  }
  EXPECT_FLOAT_EQ(ValueControls[1].left, -0.5f);
  EXPECT_FLOAT_EQ(ValueControls[3].right, 0.4f);
}

namespace {

// One control's kind, owner, colour and place, as a row widget should have made it.
void ExpectControl(const ValueControl& c, DisplayType type, const Prss* owner, const ColourWord* colour, float left,
                   float top, float right, float bottom, const char* what) {
  EXPECT_EQ(c.displayType, type) << what;
  EXPECT_EQ(c.owner, owner) << what;
  EXPECT_EQ(c.colour, colour) << what;
  EXPECT_NEAR(c.left, left, 1e-6f) << what;
  EXPECT_NEAR(c.top, top, 1e-6f) << what;
  EXPECT_NEAR(c.right, right, 1e-6f) << what;
  EXPECT_NEAR(c.bottom, bottom, 1e-6f) << what;
}

}  // namespace

// The first panel layout: labels from -0.95 to -0.3, values from 0 to 0.1, rows 0.06 high.
TEST_F(Widgets, LabelButtonAndTextRowsTakeTheirKindsAndColumns) {
  // The last layout is taken; one past the table, or below it, falls back to the first.
  AddScreenTitle("t", 9, 1);
  EXPECT_FLOAT_EQ(CurrentPanelLayout().labelX1, -0.85f);
  PanelLayoutIndex = 10;
  EXPECT_FLOAT_EQ(CurrentPanelLayout().labelX1, -0.95f);
  PanelLayoutIndex = -1;
  EXPECT_FLOAT_EQ(CurrentPanelLayout().labelX1, -0.95f);
  AddScreenTitle("t", 10, 1);
  EXPECT_EQ(PanelLayoutIndex, 0);
  AddScreenTitle("t", -1, 1);
  EXPECT_EQ(PanelLayoutIndex, 0);
  ClearInterface();
  const InterfaceColourSettings& c = InterfaceColours;
  AddPanelLabel("Car", 0.2f);
  ASSERT_EQ(ValueControlCount, 1);
  ExpectControl(ValueControls[0], VALUE_TYPE_BUTTON, nullptr, &c.bigText, -0.95f, 0.2f, -0.3f, 0.26f, "label");
  EXPECT_STREQ(ValueControls[0].minimum.text, "Car");
  AddPanelButton(&owner, "Go", 5, Prss_CloseHandler, 0.3f);
  ASSERT_EQ(ValueControlCount, 2);
  ExpectControl(ValueControls[1], VALUE_TYPE_FADE_TEXT, &owner, &c.bigText, -0.95f, 0.3f, -0.3f, 0.36f, "button");
  EXPECT_EQ(ValueControls[1].variable, reinterpret_cast<void*>(5));
  EXPECT_EQ(ValueControls[1].callback, Prss_CloseHandler);
  AddPanelTextRow("Name :", "Bob", 0.4f);
  ASSERT_EQ(ValueControlCount, 4);
  ExpectControl(ValueControls[2], VALUE_TYPE_LABEL, nullptr, &c.textUnselected, -0.95f, 0.4f, -0.3f, 0.46f,
                "text row label");
  ExpectControl(ValueControls[3], VALUE_TYPE_TEXT, nullptr, &c.textUnavailable, 0.0f, 0.4f, 0.1f, 0.46f,
                "text row value");
  EXPECT_STREQ(ValueControls[3].minimum.text, "Bob");
  char buffer[8] = "ab";
  AddPanelTextField(&owner, "Field :", buffer, 7, "help_key", VALUE_TYPE_EDIT_TEXT, nullptr, 0.5f);
  ASSERT_EQ(ValueControlCount, 7);
  ExpectControl(ValueControls[5], VALUE_TYPE_EDIT_TEXT, &owner, &c.textString, 0.0f, 0.5f, 0.1f, 0.56f, "text field");
  EXPECT_EQ(ValueControls[5].maximum.i, 8) << "seven characters and the zero";
  ExpectControl(ValueControls[6], VALUE_TYPE_HELP, &owner, &c.textUnselected, 0.1f, 0.5f, 0.2f, 0.56f, "help button");
  EXPECT_STREQ(static_cast<const char*>(ValueControls[6].variable), "help_key");
}

// A slider row on the fifth layout (labels -0.95 to -0.25, values -0.25 to 0.25, rows 0.06
// high): its shown value left, then over the values the lower step 0.03 wide, the slider and
// the upper step, 0.005 in from the row's top and bottom; each step live only away from its
// bound.  A range row's steps are 0.06 wide and fill the whole row.
TEST_F(Widgets, SliderAndRangeRowsPlaceTheirStepsBesideTheirValue) {
  AddScreenTitle("t", 5, 1);
  const InterfaceColourSettings& c = InterfaceColours;
  float v = 2.0f;
  int n = ValueControlCount;
  AddPanelSliderRow(&owner, "Grip %.1f", &v, 0.0f, 2.0f, nullptr, 0.2f);
  ASSERT_EQ(ValueControlCount, n + 4);
  ExpectControl(ValueControls[n], VALUE_TYPE_HELD_FLOAT, nullptr, &c.textUnselected, -0.95f, 0.2f, -0.25f, 0.26f,
                "shown value");
  EXPECT_FLOAT_EQ(HeldFloatOf(ValueControls[n].variable), 2.0f);
  ExpectControl(ValueControls[n + 1], VALUE_TYPE_FLOAT_MINUS, &owner, &c.textUnselected, -0.25f, 0.205f, -0.22f, 0.255f,
                "lower step");
  ExpectControl(ValueControls[n + 2], VALUE_TYPE_FLOAT, &owner, &c.bigText, -0.22f, 0.205f, 0.22f, 0.255f, "slider");
  ExpectControl(ValueControls[n + 3], VALUE_TYPE_FLOAT_PLUS, nullptr, &c.textUnavailable, 0.22f, 0.205f, 0.25f, 0.255f,
                "upper step");
  EXPECT_FLOAT_EQ(ValueControls[n + 1].maximum.f, 0.1f) << "one step of the label's precision";
  EXPECT_FLOAT_EQ(ValueControls[n + 1].label.f, 0.0f) << "the lower step's bound";
  EXPECT_FLOAT_EQ(ValueControls[n + 2].minimum.f, 0.0f);
  EXPECT_FLOAT_EQ(ValueControls[n + 2].maximum.f, 2.0f);
  v = 0.0f;
  n = ValueControlCount;
  AddPanelRangeRow(&owner, "Grip %.2f", &v, 0.0f, 2.0f, 0.2f);
  ASSERT_EQ(ValueControlCount, n + 4);
  ExpectControl(ValueControls[n], VALUE_TYPE_HELD_FLOAT, nullptr, &c.textUnselected, -0.95f, 0.2f, -0.25f, 0.26f,
                "range shown");
  ExpectControl(ValueControls[n + 1], VALUE_TYPE_FLOAT_MINUS, nullptr, &c.textUnavailable, -0.25f, 0.2f, -0.19f, 0.26f,
                "range lower");
  ExpectControl(ValueControls[n + 2], VALUE_TYPE_TYPED_FLOAT, &owner, &c.bigText, -0.19f, 0.2f, 0.19f, 0.26f,
                "range middle");
  ExpectControl(ValueControls[n + 3], VALUE_TYPE_FLOAT_PLUS, &owner, &c.textUnselected, 0.19f, 0.2f, 0.25f, 0.26f,
                "range upper");
  EXPECT_FLOAT_EQ(ValueControls[n + 3].maximum.f, 0.01f);
  EXPECT_FLOAT_EQ(ValueControls[n + 3].label.f, 2.0f) << "the upper step's bound";
}

// A byte slider: the mapped value shown over the whole row, the down step (VALUE_TYPE_BYTE_MINUS) at the
// left, the byte control between, the up step (VALUE_TYPE_BYTE_PLUS) at the right.
TEST_F(Widgets, AByteSliderHasItsDownAndUpStepsAtItsEnds) {
  const InterfaceColourSettings& c = InterfaceColours;
  uint8_t byte = 200;
  AddSlider(&owner, "%.0f", &byte, -0.5f, 0.5f, 0.1f, 0.05f, 0.0f, 100.0f, 0, 200, nullptr);
  ASSERT_EQ(ValueControlCount, 4);
  // The label between the steps, which would cover its first and last letters.
  ExpectControl(ValueControls[0], VALUE_TYPE_HELD_FLOAT, nullptr, &c.textSelected, -0.47f, 0.1f, 0.47f, 0.15f, "shown");
  EXPECT_FLOAT_EQ(HeldFloatOf(ValueControls[0].variable), 100.0f);
  ExpectControl(ValueControls[1], VALUE_TYPE_BYTE_MINUS, &owner, &c.textUnselected, -0.5f, 0.1f, -0.47f, 0.15f, "down");
  EXPECT_EQ(ValueControls[1].label.i, 0);
  ExpectControl(ValueControls[2], VALUE_TYPE_MAPPED_BYTE, &owner, &TextColours.panelGrey, -0.47f, 0.1f, 0.47f, 0.15f,
                "byte");
  ExpectControl(ValueControls[3], VALUE_TYPE_BYTE_PLUS, nullptr, &c.textUnavailable, 0.47f, 0.1f, 0.5f, 0.15f,
                "up, at the top");
  EXPECT_EQ(ValueControls[3].label.i, 200);
}

// A control's ink: a right-aligned light label (VALUE_TYPE_FADE_TEXT) and a dark-text field (VALUE_TYPE_DARK_TEXT) keep
// their fixed colours whatever colour the control names; a plain label (types 0 and 8) is
// drawn in the colour it names.  Colour words hold red in the low byte, the ink is 0xFFRRGGBB.
TEST_F(Widgets, OnlyTheFixedColourTypesIgnoreTheColourTheControlNames) {
  const TextColourTable saved = TextColours;
  TextColours.lightText = RgbWord(250, 240, 230);
  TextColours.darkText = RgbWord(5, 6, 7);
  ColourWord named = RgbWord(200, 10, 20);
  const auto ink = [&named](DisplayType type) {
    ValueControl c{};
    c.displayType = static_cast<uint8_t>(type);
    c.minimum = IvText("Gear");
    c.colour = &named;
    return ValueControlInk(c);
  };
  EXPECT_EQ(ink(VALUE_TYPE_FADE_TEXT), 0xFFFAF0E6u) << "light";
  EXPECT_EQ(ink(VALUE_TYPE_DARK_TEXT), 0xFF050607u) << "dark";
  EXPECT_EQ(ink(VALUE_TYPE_TEXT_BLOCK), 0xFFC80A14u) << "its own";
  EXPECT_EQ(ink(VALUE_TYPE_TEXT), 0xFFC80A14u) << "its own";
  TextColours = saved;
}

// The message history button is one unit wide at the row cursor, lit while the history shows,
// and a press on it shows or hides the history.
TEST_F(Widgets, TheMessageHistoryButtonIsOneUnitAndTogglesTheHistory) {
  SetInterfaceMetrics();
  const int saved = ShowMessageHistory;
  ShowMessageHistory = 0;
  RowCursorX = 0;
  RowCursorY = 0;
  const int index = AddMessageHistoryButton(&owner);
  ASSERT_GE(index, 0);
  const InterfaceButton b = InterfaceButtons[index];
  EXPECT_EQ(b.left, 0);
  EXPECT_EQ(b.right, ButtonWidth);
  EXPECT_EQ(b.fourth.i, 0);
  ASSERT_NE(b.handler, nullptr);
  b.handler(&owner, 1, b.word);
  EXPECT_EQ(ShowMessageHistory, 1);
  ClearInterface();
  RowCursorX = 0;
  EXPECT_EQ(InterfaceButtons[AddMessageHistoryButton(&owner)].fourth.i, 1) << "lit while shown";
  ShowMessageHistory = saved;
}

// A flag row and the screenshot format row each begin with their label in the label column.
TEST_F(Widgets, FlagAndScreenshotFormatRowsHaveTheirLabels) {
  AddScreenTitle("t", 0, 1);
  uint32_t flags = 0;
  AddPanelFlagRow(&owner, "Flag :", &flags, 4, nullptr, 0.1f);
  const ValueControl* label = FindType(VALUE_TYPE_LABEL);
  ASSERT_NE(label, nullptr);
  EXPECT_STREQ(label->minimum.text, "Flag :");
  EXPECT_EQ(CountType(VALUE_TYPE_LABEL), 1);
  ClearInterface();
  AddScreenshotFormatRow(&owner, 0.0f);
  label = FindType(VALUE_TYPE_LABEL);
  ASSERT_NE(label, nullptr);
  EXPECT_STREQ(label->minimum.text, LanguageTexts[TX_3h_ssfiletp]);
  EXPECT_EQ(CountType(VALUE_TYPE_LABEL), 1);
}

// A colour row is its label, its swatch and three sliders over the whole byte, 0 to 255.
TEST_F(Widgets, AColourRowIsALabelASwatchAndThreeFullByteSliders) {
  AddScreenTitle("t", 0, 1);
  ColourWord colour = RgbWord(1, 2, 3);
  const int before = ValueControlCount;
  AddColourRow(&owner, "Colour :", &colour, 0.0f);
  ASSERT_EQ(ValueControlCount - before, 5);
  const ValueControl* c = &ValueControls[before];
  EXPECT_EQ(c[0].displayType, VALUE_TYPE_LABEL);
  EXPECT_STREQ(c[0].minimum.text, "Colour :");
  EXPECT_EQ(c[1].displayType, VALUE_TYPE_COLOUR_SWATCH);
  for (int i = 2; i < 5; ++i) {
    EXPECT_EQ(c[i].displayType, VALUE_TYPE_COLOUR_BYTE) << i;
    EXPECT_EQ(c[i].minimum.i, 0) << i;
    EXPECT_EQ(c[i].maximum.i, 255) << i;
  }
}
