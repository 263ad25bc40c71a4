// vr_and_shots_test.cpp - the frame loop's VR and screenshot steps: VR asked for on the
// command line opens the plug-in at start-up, frames go to the eye texture and are submitted
// with the panel over them, a failed submit turns VR off and the program runs on; without a
// plug-in VR stays off with its message; a requested shot is taken with the next frame.
#include <cstring>
#include <filesystem>
#include <string>

#include "app_harness.h"
#include "render/draw2d.h"
#include "render/screenshot.h"
#include "render/vr.h"
#include "tests/render/vr_test_plugins.h"
#include "text/messages.h"
#include "ui/interface.h"

namespace {

bool MessageShown(const char* part) {
  for (int i = 0; i < MessageLineCount; ++i)
    if (std::strstr(MessageLines[i].text, part)) return true;
  return false;
}

TEST_F(AppHarness, VrFromTheCommandLineSubmitsFramesUntilTheHeadsetFails) {
  InstallVrTestPlugin("headset");
  ASSERT_EQ(AppStartup("/vr=rift"), START_RUNNING);
  EXPECT_TRUE(LogHas("check VR"));
  EXPECT_TRUE(LogHas("open VR"));
  ASSERT_EQ(VrEnabled, 1);
  ASSERT_EQ(VrPresenting, 1);
  VrTestControl* s = VrTestScript();
  ASSERT_NE(s, nullptr);
  AddVrSample(s, 2, 0.25f, 0, 0, 0.5f, 0.0f, 0.0f);
  RunPasses(3);
  EXPECT_EQ(s->submits, 3);
  EXPECT_EQ(s->resets, 1) << "the first frame recentres";
  EXPECT_EQ(s->trackingReads, 3) << "once a frame";
  EXPECT_EQ(VrOverlayPrompt, 1) << "the recentre panel is up";
  EXPECT_GE(ValueControlCount, 7) << "its rows are value controls";

  // Escape closes the panel without reaching the screens.
  PostWindowMessage(MSG_KEYDOWN, 27, 0);
  RunPasses(1);
  EXPECT_EQ(VrOverlayPrompt, 0);
  EXPECT_EQ(VrPromptEscaped, 1);

  s->submitError = "headset unplugged";
  RunPasses(1);
  EXPECT_EQ(VrEnabled, 0);
  EXPECT_EQ(VrPresenting, 0);
  EXPECT_TRUE(MessageShown("headset unplugged"));
  RunPasses(3);  // frames go to the screen again
  EXPECT_FALSE(QuitFlag);
  AppShutdown();
  RemoveVrTestPlugins();
}

// A headset frame's projection: each eye square in the view area's units, so the height
// scale over the width scale is the area's width fraction over its height fraction.  The
// second layout flag doubles the height scale for whole-width eyes (first flag set) and
// halves it for half-width ones.
TEST_F(AppHarness, TheHeadsetsLayoutFlagsScaleTheHeightOfItsProjection) {
  InstallVrTestPlugin("headset");
  ASSERT_EQ(AppStartup("/vr=rift"), START_RUNNING);
  ASSERT_EQ(VrPresenting, 1);
  const auto ratio = [&](int wholeWidth, int scaled) {
    VrLayoutFlags[0] = wholeWidth;
    VrLayoutFlags[1] = scaled;
    RunPasses(1);
    return double(Projection.yScale) / double(Projection.xScale) /
           (double(ViewAreaWidthFraction) / double(ViewAreaHeightFraction));
  };
  EXPECT_NEAR(ratio(0, 0), 1.0, 1e-5);
  EXPECT_NEAR(ratio(1, 0), 1.0, 1e-5);
  EXPECT_NEAR(ratio(1, 1), 2.0, 1e-5);
  EXPECT_NEAR(ratio(0, 1), 0.5, 1e-5);
  VrLayoutFlags[0] = VrLayoutFlags[1] = 0;
  AppShutdown();
  RemoveVrTestPlugins();
}

TEST_F(AppHarness, VrWithoutAPluginStaysOffWithItsMessage) {
  RemoveVrTestPlugins();
  ASSERT_EQ(AppStartup("/vr=on"), START_RUNNING);
  EXPECT_EQ(VrEnabled, 0);
  EXPECT_EQ(VrPresenting, 0);
  RunPasses(2);
  EXPECT_TRUE(LogHas("VR : Could not load VR DLL"));
  AppShutdown();
}

// "/vr=openvr" chooses the second plug-in and "/vr=rift" the first, even where neither loads.
TEST_F(AppHarness, TheCommandLineChoosesTheVrPlugIn) {
  RemoveVrTestPlugins();
  ASSERT_EQ(AppStartup("/vr=openvr"), START_RUNNING);
  EXPECT_EQ(VrConfig.plugin, 1);
  AppShutdown();
  AppResetState();
  VrConfig.plugin = 1;
  ASSERT_EQ(AppStartup("/vr=rift"), START_RUNNING);
  EXPECT_EQ(VrConfig.plugin, 0);
  AppShutdown();
}

TEST_F(AppHarness, ARequestedShotIsTakenWithTheNextFrame) {
  WriteConfigFile("Next Shot 1\nSS Type 2\n");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(1);
  ScreenshotRequest = 1;
  RedrawRequested = 1;
  RunPasses(1);
  EXPECT_EQ(ScreenshotRequest, 0);
  EXPECT_TRUE(std::filesystem::is_regular_file("data/shots/zkt_00000001.png"));
  EXPECT_EQ(CfgNextShot, 2);
  AppShutdown();
}

}  // namespace
