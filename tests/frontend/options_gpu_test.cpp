// options_gpu_test.cpp - the options screen drawn on a real GL context and used as a new user
// would: clicks on the "Button Alpha" step raise the buttons' alpha, and the next frame shows
// the buttons stronger; and the garage page's cover picture taken from the drawn frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/frame_globals.h"
#include "core/process.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "render/draw2d.h"
#include "render/screenshot.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "tests/ui/control_clicks.h"
#include "tests/ui/png_test_util.h"
#include "tests/ui/text_gpu_suite.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/text/messages.h"
#include "ui/text_draw.h"

namespace {

constexpr int WIDTH = 320, HEIGHT = 240;

class OptionsScreen : public TextGpuSuite<WIDTH, HEIGHT> {
 protected:
  ZKTETexture target{};
  void SetUp() override {
    if (!ready_) GTEST_SKIP() << "no device";
    ASSERT_TRUE(charset_) << "the generated character set";
    ASSERT_TRUE(MakeTestTarget(target, WIDTH, HEIGHT));
    Projection.aspect = float(HEIGHT) / float(WIDTH);
    Projection.inverseAspect = float(WIDTH) / float(HEIGHT);
    SetDefaultTextColours();
    InterfaceColours = InterfaceColourSettings{};
    ApplyInterfaceColours();
    SetInterfaceMetrics();
    ResetInterfaceState();
    ResetMessages();
  }
  void TearDown() override {
    ResetInterfaceState();
    InterfaceColours = InterfaceColourSettings{};
    ApplyInterfaceColours();
    if (!target.texture) return;
    ReleaseTestTarget(target);
    RenderStates.pendingDepth = 0;
  }
  std::vector<uint8_t> DrawPage(Prss*& page) {
    EXPECT_TRUE(BeginTestFrame2D(target));
    EmptyTextBatches();
    ClearInterface();
    FrameSkipped = 0;
    page = page->act(page);
    DrawInterface();
    FlushDraw2D();
    ResetDraw2D();
    DrawButtons();
    std::vector<uint8_t> p = ReadTargetPixels(target);
    while (RenderTargets.depth > 0) UnsetRenderTarget();
    return p;
  }
  // The up step of the slider bound to variable, in this frame's controls.
  static const ValueControl* StepUp(const void* variable) {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].variable == variable && ValueControls[i].displayType == 44) return &ValueControls[i];
    return nullptr;
  }
};

}  // namespace

TEST_F(OptionsScreen, AChangedButtonAlphaShowsOnTheNextFrame) {
  std::filesystem::create_directories("data/misc");
  Prss* page = OpenOptions(nullptr);
  Prss_MakeCurrent(page);
  EXPECT_EQ(DialogOpen, 2);
  std::vector<uint8_t> before = DrawPage(page);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(WritePng("gpu/options_before.png", before, WIDTH, HEIGHT));
  const float alpha = InterfaceColours.buttonAlpha;
  // Twenty clicks on the step, one a frame as a user's would come.
  for (int i = 0; i < 20; ++i) {
    const ValueControl* step = StepUp(&InterfaceColours.buttonAlpha);
    ASSERT_NE(step, nullptr) << "the Button Alpha slider";
    ClickControl(*step);
    if (i < 19) DrawPage(page);
  }
  EXPECT_GT(InterfaceColours.buttonAlpha, alpha + 0.2f);
  EXPECT_EQ(ButtonAlphaWord, uint32_t(std::lround(InterfaceColours.buttonAlpha * 255)) << 24) << "applied at once";
  std::vector<uint8_t> after = DrawPage(page);
  ASSERT_TRUE(WritePng("gpu/options_after.png", after, WIDTH, HEIGHT));
  // What the buttons draw with the button alpha: every pixel of the frame summed.
  auto sum = [](const std::vector<uint8_t>& p) {
    long total = 0;
    for (size_t i = 0; i < p.size(); i += 4) total += p[i] + p[i + 1] + p[i + 2];
    return total;
  };
  EXPECT_GT(sum(after), sum(before) + 1000) << "the light grey button faces are stronger over the dark background";
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr);
  EXPECT_EQ(DialogOpen, 0);
}

TEST_F(OptionsScreen, TheGaragePageTakesTheCoverPictureFromTheDrawnFrame) {
  std::filesystem::remove("cover.png");
  CoverState = COVER_TAKING;
  Prss* page = CreateGaragePage(nullptr);
  Prss_MakeCurrent(page);
  DrawPage(page);
  const ValueControl* take = nullptr;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].displayType == 9 && std::strcmp(ValueControls[i].minimum.text, "take cover picture") == 0)
      take = &ValueControls[i];
  ASSERT_NE(take, nullptr);
  CaptureSourceOverride = target.texture;  // the frame as the test draws it
  ClickControl(*take);
  CaptureSourceOverride = GfxTexture2D{};
  EXPECT_EQ(CoverState, COVER_MADE);
  EXPECT_TRUE(std::filesystem::exists("cover.png"));
  std::vector<uint8_t> head(8);
  std::ifstream("cover.png", std::ios::binary).read(reinterpret_cast<char*>(head.data()), 8);
  EXPECT_EQ(head[1], 'P') << "a PNG";
  EXPECT_EQ(page->act(page), nullptr) << "the page closes with the picture";
  CoverState = COVER_NONE;
}
