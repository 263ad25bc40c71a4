// render_gpu_test.cpp - the device, render targets and render states on a real GL context
// (EGL without a window): clears, presentation status, the target stack, viewports, and every
// blend, rasterizer and depth state checked as pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "core/window_state.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/texture_record.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"

namespace {

bool g_deviceReady = false;

int CountLogLines(const std::string& text) {
  std::ifstream in("gpu/deb.log");
  int n = 0;
  for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
  return n;
}

class DeviceEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::filesystem::create_directories("gpu");
    std::filesystem::remove("gpu/deb.log");
    SetLogFileName("gpu/deb.log");
    UseSourceShaders();
    ScreenWidth = 64;
    ScreenHeight = 48;
    CfgStartWindowed = 1;
    CfgRenderHdr = 0;
    ResetDeviceSettings();
    CfgAntialiasing = 64;  // more than any software device offers
    g_deviceReady = PreInitD3D() == nullptr && InitialiseGraphicsForScreen() == nullptr;
  }
  void TearDown() override {
    ShutdownGraphics();
    EXPECT_EQ(GfxLiveObjectCount(), 0) << "everything the device made was released";
  }
};
const auto* g_env = ::testing::AddGlobalTestEnvironment(new DeviceEnvironment);

using Vertex = PlainTriangles::Vertex;

// A 32 x 32 render texture (with depth) pushed as the target, and what drawing into it needs.
class RenderTexturePixels : public ::testing::Test {
 protected:
  static constexpr int SIZE = 32;
  ZKTETexture target{};
  PlainTriangles triangles;

  void SetUp() override {
    if (!g_deviceReady) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE, true));
    // Clip-space positions: the matrix row holds the identity.
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    UploadConstantRowData(0, VS_ROW_MATRIX, identity, sizeof identity);
    ASSERT_EQ(SetRenderTexture(&target, 0, 0, 0), 1);
    ASSERT_TRUE(triangles.Start(16)) << "shaders 10 and 35 from " << ShaderFolder;
    RenderStates.pendingBlend = 0;
    RenderStates.pendingRaster = 0;
    RenderStates.pendingDepth = 0;
    FlushStates();
    Clear(0x00000000, 3);
  }
  void TearDown() override {
    if (!g_deviceReady) return;
    triangles.Stop();
    ReleaseTestTarget(target);
  }

  void Draw(const std::vector<Vertex>& v) { ASSERT_TRUE(triangles.Draw(v.data(), v.size())); }
  static std::vector<Vertex> Quad(float z, uint32_t colour) {
    return {{-1, 1, z, colour, 0, 0}, {1, 1, z, colour, 0, 0}, {-1, -1, z, colour, 0, 0},
            {1, 1, z, colour, 0, 0},  {1, -1, z, colour, 0, 0}, {-1, -1, z, colour, 0, 0}};
  }
  // Clockwise on screen (y up in clip space): top-left, top-right, bottom-left.
  static std::vector<Vertex> Clockwise(uint32_t colour) {
    return {{-1, 1, 0.5f, colour, 0, 0}, {1, 1, 0.5f, colour, 0, 0}, {-1, -1, 0.5f, colour, 0, 0}};
  }
  static std::vector<Vertex> CounterClockwise(uint32_t colour) {
    return {{1, -1, 0.5f, colour, 0, 0}, {1, 1, 0.5f, colour, 0, 0}, {-1, -1, 0.5f, colour, 0, 0}};
  }
  uint32_t Pixel(int x, int y) { return PixelArgb(ReadTargetPixels(target), SIZE, x, y); }
};

TEST(DeviceSetUp, TheBackBufferIsSrgbAndClearsToTheEncodedGrey) {
  if (!g_deviceReady) ZKT_SKIP_OUTSIDE_CI() << "no device";
  EXPECT_EQ(Gfx.initState, 2);
  EXPECT_EQ(Gfx.screenWidth, 64);
  EXPECT_EQ(Gfx.screenHeight, 48);
  EXPECT_EQ(Gfx.featureLevel, GFX_FEATURE_LEVEL_11_0);
  EXPECT_TRUE(bool(Gfx.depthView)) << "without HDR the back buffer has its own depth buffer";
  Clear(0xFF808080, 3);
  GfxTexture2D buffer;
  ASSERT_EQ(GfxSwapChainGetBuffer(Gfx.swapChain, 0, &buffer), GFX_OK);
  std::vector<uint8_t> pixels(64 * 48 * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, buffer, 0, pixels.data(), pixels.size()));
  GfxRelease(buffer);
  EXPECT_EQ(pixels[0], 188);
  EXPECT_EQ(pixels[1], 188);
  EXPECT_EQ(pixels[2], 188);
  EXPECT_EQ(pixels[3], 255);
  EXPECT_EQ(pixels[(47 * 64 + 63) * 4], 188);
}

TEST(DeviceSetUp, TheAntialiasingLevelIsClampedToTheDeviceWithOneLine) {
  if (!g_deviceReady) ZKT_SKIP_OUTSIDE_CI() << "no device";
  EXPECT_EQ(CfgAntialiasing, 64) << "the setting keeps the user's choice";
  EXPECT_EQ(CountLogLines("Antialiasing 64 is more than the device's"), 1);
  EXPECT_EQ(Gfx.appliedFlags[1], int(GfxMaxSampleCount(Gfx.device)));
}

TEST(DeviceSetUp, AMissingShaderIsReportedOnceAndItsDrawsAreSkipped) {
  if (!g_deviceReady) ZKT_SKIP_OUTSIDE_CI() << "no device";
  EXPECT_EQ(CountLogLines("Could not open vertex shader (" + std::string(ShaderFolder) + "/vs_26.glsl)"), 1);
  Material::SetVShader(26);
  EXPECT_FALSE(DrawsAllowed());
  Material::SetVShader(5);
  Material::SetVShader(26);
  EXPECT_EQ(CountLogLines("V shader 26 was not loaded"), 0) << "a failed shader is not tried again";
  Material::SetVShader(10);
  Material::SetPShader(35);
  EXPECT_TRUE(DrawsAllowed());
  // Released by name, it is read again (and reported again) on its next use.
  ReleaseShaders("carmirror");
  Material::SetVShader(26);
  EXPECT_EQ(CountLogLines("V shader 26 was not loaded : CarMirror6 vs_main WORLD"), 1);
  EXPECT_FALSE(DrawsAllowed());
  Material::SetVShader(10);
}

TEST(DeviceSetUp, AShaderThatDoesNotCompileIsToldWhenFirstBoundNotWhenTheDeviceReadsIt) {
  if (!g_deviceReady) ZKT_SKIP_OUTSIDE_CI() << "no device";
  namespace fs = std::filesystem;
  const fs::path folder = fs::absolute("gpu/broken_shaders");
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (const auto& entry : fs::directory_iterator(ShaderFolder)) fs::copy_file(entry.path(), folder / entry.path().filename());
  std::ofstream(folder / "ps_35.glsl") << "#version 430 core\nvoid main() { no such thing; }\n";
  char saved[sizeof ShaderFolder];
  std::snprintf(saved, sizeof saved, "%s", ShaderFolder);
  std::snprintf(ShaderFolder, sizeof ShaderFolder, "%s", folder.c_str());
  const std::string told = "Could not create pixel shader (World22)";
  const int before = CountLogLines(told);

  ReleaseShaders("World22");
  LoadAllPixelShaders();  // as the device reads them when it is made
  EXPECT_EQ(CountLogLines(told), before) << "read, not compiled yet";
  Material::SetVShader(10);
  Material::SetPShader(35);
  EXPECT_FALSE(DrawsAllowed()) << "its draws are skipped";
  EXPECT_EQ(CountLogLines(told), before + 2) << "logged and shown when first drawn with";
  EXPECT_EQ(CountLogLines((folder / "ps_35.glsl").string() + " : 0:"), 1) << "with the compiler's first line";
  Material::SetPShader(23);
  Material::SetPShader(35);
  EXPECT_EQ(CountLogLines(told), before + 2) << "told once";

  std::snprintf(ShaderFolder, sizeof ShaderFolder, "%s", saved);
  ReleaseShaders("World22");
  LoadAllPixelShaders();
  Material::SetPShader(35);
  EXPECT_TRUE(DrawsAllowed());
  Material::SetPShader(23);
}

TEST(DeviceSetUp, PresentationLogsEachNewFailureOnceAndItsEnd) {
  if (!g_deviceReady) ZKT_SKIP_OUTSIDE_CI() << "no device";
  LastPresentStatus = PRESENT_OK;
  PresentFrame();
  EXPECT_EQ(LastPresentStatus, PRESENT_OK);
  InjectPresentStatus(PRESENT_DEVICE_REMOVED, 3);
  for (int i = 0; i < 3; ++i) PresentFrame();
  EXPECT_EQ(LastPresentStatus, PRESENT_DEVICE_REMOVED);
  EXPECT_EQ(CountLogLines("Present error : DXGI_ERROR_DEVICE_REMOVED"), 1);
  InjectPresentStatus(0x80004005, 1);
  PresentFrame();
  EXPECT_EQ(CountLogLines("Present error : 0x80004005"), 1);
  InjectPresentStatus(PRESENT_OCCLUDED, 1);
  PresentFrame();
  EXPECT_EQ(CountLogLines("Present error : DXGI_STATUS_OCCLUDED"), 1);
  PresentFrame();
  PresentFrame();
  EXPECT_EQ(LastPresentStatus, PRESENT_OK);
  EXPECT_EQ(CountLogLines("Present error cleared"), 1);
}

TEST(DeviceSetUp, ADepthOptionChangeAloneRebuildsOnlyTheDepthBuffer) {
  if (!g_deviceReady) ZKT_SKIP_OUTSIDE_CI() << "no device";
  GfxRenderTargetView before = Gfx.backBufferView;
  ASSERT_TRUE(bool(Gfx.depthView));
  Gfx.pendingFlags[0] = 0;
  SetFullscreenMode(-1, 1);
  EXPECT_EQ(Gfx.backBufferView, before);
  EXPECT_FALSE(bool(Gfx.depthView));
  EXPECT_FALSE(bool(Gfx.depthTexture)) << "the depth buffer's texture is let go with its view";
  Gfx.pendingFlags[0] = 1;
  SetFullscreenMode(-1, 1);
  EXPECT_EQ(Gfx.backBufferView, before);
  EXPECT_TRUE(bool(Gfx.depthView));
  EXPECT_TRUE(bool(Gfx.depthTexture));
  EXPECT_EQ(RenderTargets.depthView, Gfx.depthView);
  // A new window size rebuilds the back buffer at that size, screen size and viewport with it.
  ScreenWidth = 40;
  ScreenHeight = 30;
  SetFullscreenMode(-1, 1);
  EXPECT_EQ(Gfx.screenWidth, 40);
  EXPECT_EQ(RenderTargets.viewport[3], 30.0f);
  GfxTexture2D buffer;
  ASSERT_EQ(GfxSwapChainGetBuffer(Gfx.swapChain, 0, &buffer), GFX_OK);
  GfxTexture2DDesc d;
  GfxGetDesc(buffer, &d);
  GfxRelease(buffer);
  EXPECT_EQ(d.width, 40u);
  CheckScreenDimensions("test");
  ScreenWidth = 64;
  ScreenHeight = 48;
  SetFullscreenMode(-1, 1);
  EXPECT_EQ(Gfx.screenWidth, 64);
}

TEST(DeviceSetUp, FullScreenAndBackFollowTheSwapChain) {
  if (!g_deviceReady) ZKT_SKIP_OUTSIDE_CI() << "no device";
  ASSERT_GT(DisplayModeCount(), 0);
  CfgStartWindowed = 1;
  GoFullScreen(0);
  EXPECT_EQ(CfgStartWindowed, 0);
  EXPECT_EQ(ReinitialiseRequest, 1);
  SetFullscreenMode(FullScreenModeIndex, CfgStartWindowed);
  EXPECT_EQ(IsFullScreen(), 1);
  EXPECT_EQ(SwapChainFullScreenDiffers(), 0);
  EXPECT_EQ(Gfx.screenWidth, DisplayModes()[0].width);
  ScreenWidth = 64;
  ScreenHeight = 48;
  GoWindowed();
  EXPECT_EQ(IsFullScreen(), 0);
  EXPECT_EQ(Gfx.screenWidth, 64);
  ReinitialiseRequest = 0;
}

// After a lost device is closed and started again (as the recovery does), the default
// material is there before anything asks for it: the world's untextured sweeps read it
// straight from the global. It is the first material of the emptied map (id 1), prelit.
TEST(DeviceSetUp, ARestartedDeviceMakesTheDefaultMaterialAtOnce) {
  if (!g_deviceReady) ZKT_SKIP_OUTSIDE_CI() << "no device";
  ASSERT_NE(GetDefaultMaterial(), nullptr);
  SetLogFileName("gpu/restart.log");  // the other tests count lines of the first start's log
  ShutdownGraphics();
  EXPECT_EQ(DefaultMaterial, nullptr) << "closing the device empties the materials";
  ScreenWidth = 64;
  ScreenHeight = 48;
  CfgStartWindowed = 1;
  CfgRenderHdr = 0;
  g_deviceReady = PreInitD3D() == nullptr && InitialiseGraphicsForScreen() == nullptr;
  SetLogFileName("gpu/deb.log");
  ASSERT_TRUE(g_deviceReady);
  ASSERT_NE(DefaultMaterial, nullptr);
  EXPECT_EQ(DefaultMaterial->id, 1u);
  EXPECT_EQ(DefaultMaterial->drawKind, 1);
  EXPECT_EQ(DefaultMaterial->texture, nullptr);
}

TEST_F(RenderTexturePixels, TheStackHoldsFourTargetsAndSizesFollowMipLevels) {
  // SetUp pushed one; three more fit, the fifth is refused and the fourth stays current.
  ZKTETexture mips{};
  GfxTexture2DDesc d;
  d.width = 512;
  d.height = 256;
  d.mipLevels = 4;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  ASSERT_EQ(GfxCreateTexture2D(Gfx.device, d, nullptr, &mips.texture), GFX_OK);
  for (uint32_t level = 0; level < 4; ++level) {
    GfxViewDesc vd;
    vd.mipSlice = level;
    ASSERT_EQ(GfxCreateRenderTargetView(Gfx.device, mips.texture, &vd, &mips.targetViews[level]), GFX_OK);
  }
  ReadTextureDescription(&mips);
  EXPECT_EQ(mips.mipLevels, 4);
  EXPECT_EQ(TextureMemorySize(&mips), 512u * 256 * 4 + 256 * 128 * 4 + 128 * 64 * 4 + 64 * 32 * 4);

  EXPECT_EQ(SetRenderTexture(&mips, 0, 2, 0), 1);
  EXPECT_EQ(Gfx.screenWidth, 128);
  EXPECT_EQ(Gfx.screenHeight, 64);
  EXPECT_EQ(RenderTargets.viewport[2], 128.0f);
  EXPECT_EQ(RenderTargets.viewport[3], 64.0f);
  EXPECT_EQ(SetRenderTexture(&mips, 0, 1, 0), 1);
  EXPECT_EQ(SetRenderTexture(&mips, 0, 3, 0), 1);
  EXPECT_EQ(RenderTargets.depth, 4);
  EXPECT_EQ(SetRenderTexture(&mips, 0, 0, 0), 0) << "a fifth push is refused";
  EXPECT_EQ(RenderTargets.view, mips.targetViews[3]);
  EXPECT_EQ(Gfx.screenWidth, 64);
  EXPECT_EQ(SetRenderTexture(&mips, 1, 0, 0), 1) << "replacing the top one is allowed";
  EXPECT_EQ(Gfx.screenWidth, 512);
  EXPECT_EQ(UnsetRenderTarget(), 1);
  EXPECT_EQ(UnsetRenderTarget(), 1);
  EXPECT_EQ(Gfx.screenWidth, 128) << "back to the level-2 target";
  EXPECT_EQ(UnsetRenderTarget(), 1);
  EXPECT_EQ(RenderTargets.view, target.targetViews[0]);
  EXPECT_EQ(Gfx.screenWidth, SIZE);
  EXPECT_EQ(UnsetRenderTarget(), 1);
  EXPECT_EQ(RenderTargets.view, Gfx.backBufferView);
  EXPECT_EQ(Gfx.screenWidth, 64);
  EXPECT_EQ(UnsetRenderTarget(), 0) << "nothing saved: the back buffer stays";
  EXPECT_EQ(SwitchRenderTarget(mips.targetViews[0], GfxDepthStencilView{}), 0);
  ReleaseTexture(&mips);
  ZKTETexture empty{};
  EXPECT_EQ(SetRenderTexture(&empty, 0, 0, 0), 0);
}

TEST_F(RenderTexturePixels, ViewportsOfNoSizeAreKeptButNotApplied) {
  const float none[6] = {0, 0, 0, 10, 0, 1};
  SetViewport(none);
  EXPECT_EQ(RenderTargets.viewport[2], 0.0f);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(16, 16), 0xFFFFFFFFu) << "the full viewport stayed in force";
  Clear(0, 3);
  SetViewportRect(0, 0, 16, 16);  // the upper-left quarter
  Draw(Quad(0.5f, 0xFF00FF00));
  EXPECT_EQ(Pixel(4, 4), 0xFF00FF00u);
  EXPECT_EQ(Pixel(24, 24), 0u);
  SetScreenWindow(1, 0.5f, -0.5f, 0.25f, 0.5f);
  EXPECT_EQ(RenderTargets.window.centreY, 0.5f);
  EXPECT_EQ(RenderTargets.window.pixelCentreX, 24.0f);
  EXPECT_EQ(RenderTargets.window.pixelScaleY, 8.0f);
}

TEST_F(RenderTexturePixels, EveryBlendStateOnAKnownPairOfColours) {
  // Destination (64, 128, 192, 128) and source (128, 64, 255, 128), as 0..1 values.
  const float dst[4] = {64 / 255.0f, 128 / 255.0f, 192 / 255.0f, 128 / 255.0f};
  const float src[4] = {128 / 255.0f, 64 / 255.0f, 1.0f, 128 / 255.0f};
  RenderStates.pendingDepth = 1;
  for (int state = 0; state < BLEND_STATE_COUNT; ++state) {
    GfxClearRenderTargetView(Gfx.context, RenderTargets.view, dst);
    RenderStates.pendingBlend = state;
    Draw(Quad(0.5f, 0x808040FF));
    uint32_t p = Pixel(16, 16);
    float a = src[3];
    for (int c = 0; c < 3; ++c) {
      float s = src[c], d = dst[c], want = 0;
      switch (state) {
        case 0: want = s; break;
        case 1: want = s + d; break;
        case 2: want = s * a + d * (1 - a); break;
        case 3: want = s + d * (1 - a); break;
        case 4: want = s * a + d; break;
        case 5: want = s * d; break;
        case 6: want = d * s; break;
      }
      int got = int((p >> (16 - 8 * c)) & 0xFF);
      EXPECT_NEAR(got, std::lround(std::fmin(want, 1.0f) * 255), 2) << "state " << state << " channel " << c;
    }
    EXPECT_EQ(int(p >> 24), 128) << "alpha is the larger of the two (state " << state << ")";
  }
  RenderStates.pendingBlend = 0;
}

TEST_F(RenderTexturePixels, CullingKeepsClockwiseOrCounterClockwiseTrianglesByState) {
  struct Case {
    int state;
    bool clockwiseDrawn, counterDrawn;
  };
  for (Case c : {Case{0, true, false}, Case{3, false, true}, Case{6, true, true}, Case{4, false, false}}) {
    Clear(0, 3);
    RenderStates.pendingRaster = c.state;
    Draw(Clockwise(0xFF00FF00));
    Draw(CounterClockwise(0xFF0000FF));
    EXPECT_EQ(Pixel(4, 4), c.clockwiseDrawn ? 0xFF00FF00u : 0u) << "state " << c.state;
    EXPECT_EQ(Pixel(28, 28), c.counterDrawn ? 0xFF0000FFu : 0u) << "state " << c.state;
  }
  // State 4 scissors: nothing is drawn until a rectangle is given.
  Clear(0, 3);
  GfxRect r{0, 0, 8, 8};
  GfxRSSetScissorRects(Gfx.context, 1, &r);
  RenderStates.pendingRaster = 4;
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(4, 4), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(12, 12), 0u);
  GfxRSSetScissorRects(Gfx.context, 0, nullptr);
  RenderStates.pendingRaster = 0;
}

TEST_F(RenderTexturePixels, DepthStatesTestAndWriteAsTheirTableSays) {
  auto drawn = [&](int depthState, float z) {
    RenderStates.pendingDepth = depthState;
    Draw(Quad(z, 0xFF0000FF));
    bool was = Pixel(16, 16) == 0xFF0000FFu;
    RenderStates.pendingDepth = 1;
    Draw(Quad(0.5f, 0xFFFF0000));  // red again, depth left alone
    return was;
  };
  RenderStates.pendingDepth = 0;
  Draw(Quad(0.5f, 0xFFFF0000));  // depth 0.5 written
  EXPECT_TRUE(drawn(0, 0.5f)) << "less-equal";
  EXPECT_FALSE(drawn(0, 0.6f));
  EXPECT_TRUE(drawn(1, 0.9f)) << "no test";
  EXPECT_TRUE(drawn(2, 0.5f));
  EXPECT_TRUE(drawn(3, 0.5f)) << "equal";
  EXPECT_FALSE(drawn(3, 0.4f));
  EXPECT_FALSE(drawn(4, 0.5f)) << "less";
  EXPECT_TRUE(drawn(4, 0.4f));
  // States 1, 2, 3 and 4 do not write: 0.5 is still the stored depth.
  EXPECT_FALSE(drawn(0, 0.55f));
  // State 0 writes: after 0.3 is drawn, 0.4 fails.
  EXPECT_TRUE(drawn(0, 0.3f));
  EXPECT_FALSE(drawn(0, 0.4f));
}

TEST_F(RenderTexturePixels, DepthBiasMovesDrawingNearerOrFarther) {
  RenderStates.pendingDepth = 0;
  Draw(Quad(0.5f, 0xFFFF0000));
  RenderStates.pendingDepth = 4;  // less, without writing
  RenderStates.pendingRaster = 0;
  Draw(Quad(0.5f, 0xFF00FF00));
  EXPECT_EQ(Pixel(16, 16), 0xFFFF0000u) << "no bias: equal depth fails less";
  RenderStates.pendingRaster = 1;
  Draw(Quad(0.5f, 0xFF00FF00));
  EXPECT_EQ(Pixel(16, 16), 0xFF00FF00u) << "bias -4 draws nearer";
  RenderStates.pendingDepth = 2;  // less-equal
  RenderStates.pendingRaster = 2;
  Draw(Quad(0.5f, 0xFF0000FF));
  EXPECT_EQ(Pixel(16, 16), 0xFF00FF00u) << "bias +4 draws farther and fails less-equal";
  RenderStates.pendingRaster = 6;
  Draw(Quad(0.5f, 0xFF0000FF));
  EXPECT_EQ(Pixel(16, 16), 0xFF0000FFu);
  RenderStates.pendingRaster = 0;
  RenderStates.pendingDepth = 0;
}

TEST_F(RenderTexturePixels, UnchangedStatesAndSamplersNeverReachTheDevice) {
  FlushStates();
  Draw(Quad(0.5f, 0xFFFFFFFF));
  uint32_t blends = Gfx.blendChanges, samplers = Gfx.samplerChanges;
  uint64_t calls = GfxGlCallCount();
  FlushStates();
  GfxDraw(Gfx.context, 6, 0);
  EXPECT_EQ(GfxGlCallCount() - calls, 1u) << "the draw itself, nothing else";
  EXPECT_EQ(Gfx.blendChanges, blends);
  RenderStates.pendingSampler[3] = 7;
  FlushStates();
  EXPECT_EQ(Gfx.samplerChanges, samplers + 1);
  FlushStates();
  RenderStates.pendingSampler[3] = 7;
  FlushStates();
  EXPECT_EQ(Gfx.samplerChanges, samplers + 1) << "the same sampler index again is not set";
  RenderStates.pendingBlend = 2;
  FlushStates();
  EXPECT_EQ(Gfx.blendChanges, blends + 1);
  RenderStates.pendingBlend = 0;
  RenderStates.pendingSampler[3] = 4;
}

TEST_F(RenderTexturePixels, AMultisampledTargetIsResolvedWhenLeft) {
  if (GfxMaxSampleCount(Gfx.device) < 4) GTEST_SKIP();
  ZKTETexture ms{};
  GfxTexture2DDesc d;
  d.width = d.height = 16;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  ASSERT_EQ(GfxCreateTexture2D(Gfx.device, d, nullptr, &ms.texture), GFX_OK);
  d.sampleDesc.count = 4;
  d.bindFlags = GFX_BIND_RENDER_TARGET;
  ASSERT_EQ(GfxCreateTexture2D(Gfx.device, d, nullptr, &ms.secondTexture), GFX_OK);
  ASSERT_EQ(GfxCreateRenderTargetView(Gfx.device, ms.secondTexture, nullptr, &ms.targetViews[0]), GFX_OK);
  ms.width = ms.height = 16;
  ms.format = GFX_FORMAT_R8G8B8A8_UNORM;
  ASSERT_EQ(SetRenderTexture(&ms, 0, 0, 0), 1);
  RenderStates.pendingDepth = 1;
  Draw(Quad(0.5f, 0xFF20C040));
  UnsetRenderTarget();
  std::vector<uint8_t> p(16 * 16 * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, ms.texture, 0, p.data(), p.size()));
  EXPECT_EQ(p[(8 * 16 + 8) * 4 + 0], 0x20);
  EXPECT_EQ(p[(8 * 16 + 8) * 4 + 1], 0xC0);
  ReleaseTexture(&ms);
  RenderStates.pendingDepth = 0;
}

}  // namespace
