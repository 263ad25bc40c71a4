// vr_gpu_test.cpp - the VR plug-in on a real GL context: what is drawn into the eye texture
// is what the plug-in reads back at the submit, through the GL name it was handed; and the
// window shows the left eye.  The device is made by the environment of render_gpu_test.cpp.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "core/config.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/render_target.h"
#include "render/vr.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/render/vr_test_plugins.h"

namespace {

TEST(VrEyeTexture, ThePluginReadsWhatWasDrawnIntoIt) {
  if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
  ResetVrState();
  VrConfig = VrSettings{};
  VrEnabled = 1;
  const uint32_t savedFlags = CfgScreenFlags;
  InstallVrTestPlugin("headset");
  ASSERT_EQ(LoadVrPlugin(), nullptr);
  VrTestControl* s = VrTestScript();
  ASSERT_NE(s, nullptr);
  s->recommendedWidth = 128;
  s->recommendedHeight = 64;
  ASSERT_EQ(OpenVrSession(), nullptr);
  ASSERT_EQ(InitVrDevice(), nullptr);
  EXPECT_NE(s->seen.context, nullptr) << "the GL context is handed over";
  EXPECT_NE(s->held.glName, 0u);
  ASSERT_EQ(BeginVrFrame(), 1);
  EXPECT_EQ(Gfx.screenWidth, 128) << "the eye texture is the target";
  ClearRGBA(std::array<float, 4>{1.0f, 0.0f, 0.0f, 1.0f}.data());
  UnsetRenderTarget();
  ASSERT_EQ(SubmitVrFrame(), 1);
  ASSERT_EQ(s->readBack, 1);
  EXPECT_EQ(s->leftCentre[0], 255);
  EXPECT_EQ(s->leftCentre[1], 0);
  EXPECT_EQ(s->rightCentre[0], 255);
  // The mirror: the window shows the eye's picture.
  GfxTexture2D back;
  ASSERT_EQ(GfxSwapChainGetBuffer(Gfx.swapChain, 0, &back), GFX_OK);
  std::vector<uint8_t> window(size_t(Gfx.screenWidth) * Gfx.screenHeight * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, back, 0, window.data(), window.size()));
  GfxRelease(back);
  const size_t centre = (size_t(Gfx.screenHeight / 2) * Gfx.screenWidth + size_t(Gfx.screenWidth / 2)) * 4;
  EXPECT_EQ(window[centre], 255);
  EXPECT_EQ(window[centre + 2], 0);
  ResetVrState();
  RemoveVrTestPlugins();
  VrEnabled = 0;
  CfgScreenFlags = savedFlags;
}

}  // namespace
