// countdown_caption_test.cpp - the garage's countdown caption: its text for each race state
// and mode, the seconds it shows, and its way to the centred caption.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/frontend.h"
#include "solid/solid_hooks.h"
#include "text/language.h"
#include "text/text_colours.h"
#include "ui/text_draw.h"
#include "world/race_state.h"

namespace {

std::string Caption(int state, int mode, int32_t ms) {
  char text[160];
  CountdownCaptionText(state, mode, ms, text, sizeof text);
  return text;
}

TEST(CountdownCaption, EachStateAndModeHasItsNameAndStateText) {
  ResetLanguageTexts();
  EXPECT_EQ(Caption(1, 0, 4200), "Race starts in 5 seconds");
  EXPECT_EQ(Caption(1, 2, 4200), "Race starts in 5 seconds");
  EXPECT_EQ(Caption(2, 1, 4200), "Race ends in 5 seconds");
  EXPECT_EQ(Caption(2, 2, 4200), "Race restarts in 5 seconds");
  EXPECT_EQ(Caption(3, 2, 4200), "Qualifying ends in 5 seconds");
  EXPECT_EQ(Caption(3, 1, 4200), "Qualifying restarts in 5 seconds");
  EXPECT_EQ(Caption(0, 0, 4200), "Race restarts in 5 seconds");
  // The whole seconds left plus one.
  EXPECT_EQ(Caption(1, 0, 999), "Race starts in 1 seconds");
  EXPECT_EQ(Caption(1, 0, 1000), "Race starts in 2 seconds");
  EXPECT_EQ(Caption(1, 0, 0), "Race starts in 1 seconds");
}

TEST(CountdownCaption, AConversionInsideATranslatedPartIsNeverReadAsAFormat) {
  ResetLanguageTexts();
  const char* saved = LanguageTexts[TX_zk_cntdnrac];
  LanguageTexts[TX_zk_cntdnrac] = "100%d %s";
  EXPECT_EQ(Caption(1, 0, 0), "100%d %s starts in 1 seconds");
  LanguageTexts[TX_zk_cntdnrac] = saved;
}

std::vector<std::pair<std::string, uint32_t>> g_drawn;
void RecordCaption(const char* text, uint32_t colour) { g_drawn.emplace_back(text, colour); }

TEST(CountdownCaption, TheRacesStateIsDrawnCentredInTheCaptionColour) {
  ResetLanguageTexts();
  SetDefaultTextColours();
  RaceState = RaceWords{};
  RaceState.state = 3;
  RaceState.mode = 2;
  RaceState.countdownMs = 12999;
  g_drawn.clear();
  CountdownCaptionDrawer = RecordCaption;
  DrawCountdownCaption();
  CountdownCaptionDrawer = DrawCentredCaption;
  RaceState = RaceWords{};
  ASSERT_EQ(g_drawn.size(), 1u);
  EXPECT_EQ(g_drawn[0].first, "Qualifying ends in 13 seconds");
  const ColourWord a = TextColours.lightYellow, b = TextColours.yellow;
  const uint32_t want = 0xFF000000u | (ColourRed(a) + ColourRed(b)) / 2 << 16 | (ColourGreen(a) + ColourGreen(b)) / 2 << 8 |
                        (ColourBlue(a) + ColourBlue(b)) / 2;
  EXPECT_EQ(g_drawn[0].second, want);
}

}  // namespace
