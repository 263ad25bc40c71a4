// vr_panel_test.cpp - the in-headset panel: its rows counted and centred between -0.42 and
// 0.42 in rows 0.08 high, its buttons pressed through the interface reaching the recentring,
// and its hint naming the function key that holds the recentre command.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/frame_globals.h"
#include "core/process.h"
#include "core/window_state.h"
#include "render/vr.h"
#include "tests/ui/control_clicks.h"
#include "text/language.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/text_entry.h"
#include "ui/vr_panel.h"

namespace {

Prss* PanelOwnerAct(Prss* p) { return p; }

class VrPanel : public ::testing::Test {
 protected:
  Prss owner{};
  void SetUp() override {
    ResetInterfaceState();
    ResetDialogs();
    ResetTextEntry();
    ResetLanguageTexts();  // the built-in English
    FrameSkipped = 0;
    ExitRequested = 0;
    ScreenWidth = 800;
    ScreenHeight = 600;
    Prss_Init(&owner, nullptr, PanelOwnerAct, nullptr, Prss_SimpleMouse, nullptr, nullptr);
    Prss_MakeCurrent(&owner);
    Vr = VrPluginState{};
    Vr.recentreKey = -1;
    VrOverlayPrompt = 1;
  }
  void TearDown() override {
    ResetInterfaceState();
    CurrentProcess = nullptr;
    Vr = VrPluginState{};
    VrOverlayPrompt = 0;
  }
  const ValueControl* Row(const char* text) const {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].minimum.text && std::string(ValueControls[i].minimum.text) == text) return &ValueControls[i];
    return nullptr;
  }
};

TEST_F(VrPanel, RowsAreCentredAndEightHundredthsHigh) {
  ClearInterface();
  const int rows = DrawVrPanel(&owner);
  ASSERT_EQ(rows, 6);
  ASSERT_EQ(ValueControlCount, 6);
  EXPECT_FLOAT_EQ(ValueControls[0].top, -0.24f);
  EXPECT_FLOAT_EQ(ValueControls[5].bottom, 0.24f);
  for (int i = 0; i < rows; ++i) {
    EXPECT_FLOAT_EQ(ValueControls[i].left, -0.42f);
    EXPECT_FLOAT_EQ(ValueControls[i].right, 0.42f);
    EXPECT_NEAR(ValueControls[i].bottom - ValueControls[i].top, 0.08f, 1e-6f);
  }
  // A positional headset whose place is not known yet adds the row that says so.
  ClearInterface();
  Vr.info.flags = ZKTVR_FLAG_POSITIONAL;
  EXPECT_EQ(DrawVrPanel(&owner), 7);
  EXPECT_NE(Row(LanguageTexts[TX_3h_orposunk]), nullptr);
}

TEST_F(VrPanel, TheButtonsRecentreOrCloseThePanel) {
  ClearInterface();
  DrawVrPanel(&owner);
  const ValueControl* cancel = Row(LanguageTexts[TX_3h_vrcancno]);
  ASSERT_NE(cancel, nullptr);
  Vr.recentreState = 1;
  ClickControl(*cancel);
  EXPECT_EQ(Vr.recentreState, 0) << "the smoothing stops";
  EXPECT_EQ(VrOverlayPrompt, 0);

  VrOverlayPrompt = 1;
  Vr.positionValid = 1;
  Vr.lastPosition[0] = 0.25f;
  Vr.angles[0] = 0.5f;
  ClearInterface();
  DrawVrPanel(&owner);
  const ValueControl* keep = Row(LanguageTexts[TX_3h_vrokrelp]);
  ASSERT_NE(keep, nullptr);
  ClickControl(*keep);
  EXPECT_EQ(Vr.originSet, 1);
  EXPECT_EQ(Vr.originPosition[0], 0.25f);
  EXPECT_EQ(Vr.originHeading, 0.5f) << "the heading is kept as the origin's";
  EXPECT_EQ(VrOverlayPrompt, 0);
}

TEST_F(VrPanel, TheHintNamesTheRecentreKeyOrCommand) {
  ClearInterface();
  DrawVrPanel(&owner);
  EXPECT_NE(Row("Reset command : ^7/vr reset"), nullptr);
  Vr.recentreKey = 2;
  ClearInterface();
  DrawVrPanel(&owner);
  EXPECT_NE(Row("Reset key : ^7F3"), nullptr);
  Vr.headAngles[0] = 0.5f;
  Vr.headOffset[1] = 0.1f;
  ClearInterface();
  DrawVrPanel(&owner);
  EXPECT_NE(Row("Yaw 29 degrees / Position 0 mm 100 mm 0 mm"), nullptr);
}

// A language file may leave the command's label empty (" %s"): its blank is dropped with the
// label's trailing blanks, so the hint keeps the one blank put before the command.
TEST_F(VrPanel, AnEmptyCommandLabelLeavesOneBlankBeforeTheCommand) {
  LanguageTexts[TX_3h_vrrstcmd] = " %s";
  ClearInterface();
  DrawVrPanel(&owner);
  EXPECT_NE(Row(" ^7/vr reset"), nullptr);
  EXPECT_EQ(Row("  ^7/vr reset"), nullptr) << "the label's own blank is not kept";
  ResetLanguageTexts();
}

}  // namespace
