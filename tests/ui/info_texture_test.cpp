// info_texture_test.cpp - the race clock drawn into the info texture.
#include <gtest/gtest.h>

#include <cstring>

#include "render/frame.h"
#include "render/render_target.h"
#include "render/system_textures.h"
#include "tests/render/null_renderer.h"
#include "ui/text_readouts.h"

namespace {

using InfoTexture = NullRenderer;

TEST_F(InfoTexture, TheClockDrawsIntoItsTextureAndRestoresTheTarget) {
  LoadSystemTextures();
  const ScreenWindow before = RenderTargets.window;
  const int depth = RenderTargets.depth;
  GetRaceClockMs = [](uint32_t* ms) {
    *ms = 3723000u;
    return 1;
  };
  DrawInfoTex();
  GetRaceClockMs = nullptr;
  EXPECT_EQ(RenderTargets.depth, depth);
  EXPECT_EQ(RenderTargets.renderTexture, nullptr);
  EXPECT_EQ(std::memcmp(&RenderTargets.window, &before, sizeof before), 0) << "the interface's window is back";
  // Drawn while another target is current, the clock goes on top of it and comes back to it:
  // that target stays current, at its own size, and nothing below it is popped.
  ASSERT_EQ(EnterRenderTarget(GfxRenderTargetView{}, GfxDepthStencilView{}, 256, 128, 0), 1);
  const int outer = RenderTargets.depth;
  GetRaceClockMs = [](uint32_t* ms) {
    *ms = 59000u;
    return 1;
  };
  DrawInfoTex();
  GetRaceClockMs = nullptr;
  EXPECT_EQ(RenderTargets.depth, outer);
  EXPECT_EQ(RenderTargets.renderTexture, nullptr);
  EXPECT_EQ(Gfx.screenWidth, 256);
  EXPECT_EQ(Gfx.screenHeight, 128);
  while (RenderTargets.depth > 0) UnsetRenderTarget();
  ReleaseSystemTextures();  // later tests of this binary must not draw with the freed set
}

}  // namespace
