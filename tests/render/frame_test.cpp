// frame_test.cpp - frame start, letterbox, background range, chain sizes, the render texture,
// system textures and special names on the null device.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/process.h"
#include "render/buffers.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/frame.h"
#include "render/material.h"
#include "render/post_process.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "tests/render/null_renderer.h"
#include "tests/texconv/test_pictures.h"

namespace {

TEST(Letterbox, TallAndWideScreensKeepSixteenByNineCentred) {
  LetterboxRect tall = GetLetterbox16x9(1920, 1200);
  EXPECT_EQ(tall.left, 0);
  EXPECT_EQ(tall.top, 60);
  EXPECT_EQ(tall.width, 1920);
  EXPECT_EQ(tall.height, 1080);
  LetterboxRect wide = GetLetterbox16x9(2560, 1080);
  EXPECT_EQ(wide.left, 320);
  EXPECT_EQ(wide.top, 0);
  EXPECT_EQ(wide.width, 1920);
  EXPECT_EQ(wide.height, 1080);
  LetterboxRect exact = GetLetterbox16x9(1280, 720);
  EXPECT_EQ(exact.left, 0);
  EXPECT_EQ(exact.top, 0);
  EXPECT_EQ(exact.width, 1280);
  EXPECT_EQ(exact.height, 720);
  LetterboxRect empty = GetLetterbox16x9(640, 0);  // a minimised window: no division by zero
  EXPECT_EQ(empty.width, 640);
}

TEST(BackgroundPicture, VerticalRangeFollowsTheAspectFactor) {
  float v0, v1;
  BackgroundVRange(0.5f, &v0, &v1);
  EXPECT_FLOAT_EQ(v0, 0.25f);
  EXPECT_FLOAT_EQ(v1, 0.75f);
  BackgroundVRange(1.6f, &v0, &v1);  // taller than the picture: clamped to the whole picture
  EXPECT_FLOAT_EQ(v0, 0.0f);
  EXPECT_FLOAT_EQ(v1, 1.0f);
}

TEST(BloomChain, LevelSizesHalveWithTheirBordersUntilTheSmallestIsReached) {
  int w[POST_CHAIN_LEVELS], h[POST_CHAIN_LEVELS];
  int n = BloomLevelSizes(1920, 1080, 1, 0, w, h);
  ASSERT_GE(n, 2);
  EXPECT_EQ(w[0], 962);
  EXPECT_EQ(h[0], 542);
  for (int i = 1; i < n; ++i) {
    EXPECT_GT(w[i - 1], 4) << i;  // the one before was above 2 b + 2 on both sides
    EXPECT_GT(h[i - 1], 4) << i;
    EXPECT_EQ(w[i], w[i - 1] / 2 + 2) << i;
    EXPECT_EQ(h[i], h[i - 1] / 2 + 2) << i;
  }
  EXPECT_TRUE(w[n - 1] <= 4 || h[n - 1] <= 4 || n == POST_CHAIN_LEVELS);

  n = BloomLevelSizes(1920, 1080, 0, 0, w, h);
  const int expected[][2] = {{960, 540}, {480, 270}, {240, 135}, {120, 67}, {60, 33},
                             {30, 16},   {15, 8},    {7, 4},     {3, 2}};
  ASSERT_EQ(n, 9);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(w[i], expected[i][0]) << i;
    EXPECT_EQ(h[i], expected[i][1]) << i;
  }
  // One eye of a side-by-side texture: a quarter of the width, less the middle column.
  BloomLevelSizes(2000, 1000, 1, 1, w, h);
  EXPECT_EQ(w[0], (1000 - 1) / 2 + 2);
  EXPECT_EQ(h[0], 502);
  // Never more than sixteen levels, whatever the size.
  EXPECT_LE(BloomLevelSizes(1 << 30, 1 << 30, 1, 0, w, h), POST_CHAIN_LEVELS);
}

TEST(BloomChain, DownsizeRangesCoverTwoSourceTexelsPerPixelWithTheBorderOutside) {
  float uv[4];
  DownsizeUvRange(64, 32, 34, 18, 1, 0, uv);
  EXPECT_FLOAT_EQ(uv[0], -2.0f / 64);
  EXPECT_FLOAT_EQ(uv[1], (68.0f - 2) / 64);
  EXPECT_FLOAT_EQ(uv[2], -2.0f / 32);
  EXPECT_FLOAT_EQ(uv[3], (36.0f - 2) / 32);
  DownsizeUvRange(64, 32, 16, 16, 0, 2, uv);  // the right-hand eye
  EXPECT_FLOAT_EQ(uv[0], 0.5f);
  EXPECT_FLOAT_EQ(uv[1], 1.0f);
}

// Each push gives the frame its mode and keeps the one it covered; pops give them back in
// turn.  Fifteen entries fit: a sixteenth push is skipped, and a pop of an empty stack
// leaves the mode and the depth alone.
TEST(ClearModes, PushesAreUndoneInTurnAndTheStackHoldsFifteen) {
  const ClearModeStack savedStack = ScreenClearModes;
  const int savedMode = FrameClear.mode;
  ScreenClearModes.depth = 0;
  FrameClear.mode = 1;
  PushClearMode(2);
  EXPECT_EQ(TopClearMode(), 2);
  PushClearMode(3);
  EXPECT_EQ(TopClearMode(), 3);
  EXPECT_EQ(ScreenClearModes.depth, 2);
  PopClearMode();
  EXPECT_EQ(TopClearMode(), 2);
  PopClearMode();
  EXPECT_EQ(TopClearMode(), 1);
  EXPECT_EQ(ScreenClearModes.depth, 0);
  PopClearMode();
  EXPECT_EQ(TopClearMode(), 1) << "nothing to pop";
  EXPECT_EQ(ScreenClearModes.depth, 0);

  for (int i = 0; i < 15; ++i) PushClearMode(100 + i);
  EXPECT_EQ(ScreenClearModes.depth, 15);
  EXPECT_EQ(TopClearMode(), 114);
  PushClearMode(999);
  EXPECT_EQ(ScreenClearModes.depth, 15) << "a full stack skips the push";
  EXPECT_EQ(TopClearMode(), 114);
  PopClearMode();
  EXPECT_EQ(TopClearMode(), 113);
  for (int i = 0; i < 14; ++i) PopClearMode();
  EXPECT_EQ(TopClearMode(), 1);
  EXPECT_EQ(ScreenClearModes.depth, 0);
  ScreenClearModes = savedStack;
  FrameClear.mode = savedMode;
}

TEST(InfoClock, SplitsMillisecondsIntoHoursMinutesSeconds) {
  int h, m, s;
  SplitClock(3600000u + 2 * 60000u + 3 * 1000u + 999u, &h, &m, &s);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(m, 2);
  EXPECT_EQ(s, 3);
  SplitClock(101u * 3600000u, &h, &m, &s);  // the hours wrap at 100 and fit "%.2d"
  EXPECT_EQ(h, 1);
}

TEST(FrameClear, EachModeGivesItsColourAndOthersDoNotClear) {
  BuildGammaTables();
  FrameClearSettings s;
  float c[4];
  ASSERT_TRUE(FrameClearColour(s, c));
  EXPECT_EQ(c[0] + c[1] + c[2], 0.0f);
  s.alternativeBackground = 1;
  ASSERT_TRUE(FrameClearColour(s, c));
  EXPECT_FLOAT_EQ(c[1], BrightnessTable[25] / 255.0f);
  EXPECT_FLOAT_EQ(c[2], BrightnessTable[100] / 255.0f);
  s.mode = 1;
  s.colour = 0x80FF4000u;
  ASSERT_TRUE(FrameClearColour(s, c));
  EXPECT_FLOAT_EQ(c[0], 1.0f);
  EXPECT_FLOAT_EQ(c[1], 64.0f / 255.0f);
  EXPECT_FLOAT_EQ(c[3], 128.0f / 255.0f);
  s.mode = 3;
  s.viewBackground[0] = 0.25f;
  ASSERT_TRUE(FrameClearColour(s, c));
  EXPECT_FLOAT_EQ(c[0], 0.25f);
  EXPECT_FLOAT_EQ(c[3], 1.0f);
  s.mode = 2;
  EXPECT_FALSE(FrameClearColour(s, c));
}

class FrameOnNullDevice : public NullRenderer {
 protected:
  void TearDown() override {
    LastPresentStatus = PRESENT_OK;
    while (RenderTargets.depth > 0) UnsetRenderTarget();
    ReleaseRenderTextureAndQuad();
    CfgRenderHdr = 0;
  }
};

TEST_F(FrameOnNullDevice, AFailedPresentationSkipsTheFrameUntilItIsCleared) {
  LastPresentStatus = PRESENT_DEVICE_RESET;
  EXPECT_EQ(BeginFrameClear(), 0);
  EXPECT_EQ(FrameDrawSkipped, 1);
  EXPECT_EQ(FrameBegun3D, 1);
  LastPresentStatus = PRESENT_OK;
  EXPECT_EQ(BeginFrame(), 1);
  EXPECT_EQ(FrameDrawSkipped, 0);
}

TEST_F(FrameOnNullDevice, RenderTextureFollowsSizeAndKindAndIsRefusedWithoutASize) {
  EXPECT_EQ(SetRenderTargetTexture(0, 100, 2), 0);
  ASSERT_EQ(SetRenderTargetTexture(320, 200, 2), 2);
  ZKTETexture* first = RenderTexture.texture;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->format, GFX_FORMAT_R16G16B16A16_FLOAT);
  EXPECT_EQ(RenderTargets.renderTexture, first);
  EXPECT_EQ(Gfx.screenWidth, 320) << "the target's size becomes the screen size";
  UnsetRenderTarget();
  ASSERT_EQ(SetRenderTargetTexture(160, 100, 1), 1);
  EXPECT_EQ(RenderTexture.texture->width, 160);
  EXPECT_EQ(RenderTexture.texture->format, GFX_FORMAT_R8G8B8A8_UNORM_SRGB);
  UnsetRenderTarget();
  EXPECT_EQ(SetScreenRenderTarget(), 5);
  EXPECT_EQ(RenderTexture.texture, nullptr) << "the frame's picture waits for its first drawing";
  EXPECT_EQ(Gfx.screenWidth, 800);
  GfxDraw(Gfx.context, 3, 0);
  ASSERT_NE(RenderTexture.texture, nullptr);
  EXPECT_EQ(RenderTexture.texture->width, 800);
  UnsetRenderTarget();
}

// Releasing the frame's picture closes a post-processing pass left open: its pushed target is
// popped and no pass is open any more.
TEST_F(FrameOnNullDevice, ReleasingTheFramesPictureClosesAnOpenPostPass) {
  ASSERT_EQ(SetScreenRenderTarget(), 5);
  ASSERT_EQ(BeginFrame(), 1);
  const int depth = RenderTargets.depth;
  ASSERT_EQ(AddRenderTarget(GfxRenderTargetView{}, GfxDepthStencilView{}), 1);
  PostPassOpen = 1;  // as a pass leaves it while its target is pushed
  ASSERT_NE(RenderTexture.texture, nullptr);
  ASSERT_EQ(RenderTargets.renderTexture, RenderTexture.texture);
  ReleaseRenderTargetTexture();
  EXPECT_EQ(PostPassOpen, 0);
  EXPECT_EQ(RenderTargets.depth, depth) << "the pass's target popped";
  // The frame still has the freed picture's target pushed: nothing names the record any more,
  // so the frame's end pops back without reading it.
  EXPECT_EQ(RenderTargets.renderTexture, nullptr);
  for (int i = 0; i < RenderTargets.depth; ++i) EXPECT_EQ(RenderTargets.stack[i].renderTexture, nullptr) << i;
}

TEST_F(FrameOnNullDevice, TheFramesPictureIsMadeOnlyWhenSomethingDrawsIntoIt) {
  ReleaseRenderTargetTexture();
  PostChain none{};
  EXPECT_EQ(CreateBloomTargets(none, 0, 0), 0) << "no frame's picture: no bloom";
  const int depthBefore = RenderTargets.depth;
  const int madeBefore = TextureCount();
  // A page of the interface: cleared black, nothing drawn, nothing made.
  ASSERT_EQ(SetScreenRenderTarget(), 5);
  EXPECT_EQ(RenderTexture.waiting, 1);
  ASSERT_EQ(BeginFrame(), 1);
  EXPECT_EQ(RenderTargets.depth, depthBefore + 1);
  UnsetRenderTarget();
  DrawFullScreenQuad(1, 0, &BloomChain);
  EXPECT_EQ(RenderTexture.texture, nullptr);
  EXPECT_EQ(TextureCount(), madeBefore) << "no texture at all";
  EXPECT_EQ(BloomChain.count, 0);
  EXPECT_EQ(PostFrameHidden, 0);
  EXPECT_EQ(RenderTargets.depth, depthBefore);

  // A 3D view: the first draw makes it, cleared black, keeping the viewport set meanwhile.
  ASSERT_EQ(SetScreenRenderTarget(), 5);
  ASSERT_EQ(BeginFrame(), 1);
  const float view[6] = {10, 20, 300, 200, 0, 1};
  SetViewport(view);
  GfxDraw(Gfx.context, 3, 0);
  ASSERT_NE(RenderTexture.texture, nullptr);
  EXPECT_EQ(RenderTexture.waiting, 0);
  EXPECT_EQ(RenderTargets.view, RenderTexture.texture->targetViews[0]);
  EXPECT_EQ(RenderTargets.renderTexture, RenderTexture.texture);
  EXPECT_EQ(RenderTargets.viewport[2], 300.0f) << "the viewport set before the draw stays";
  EXPECT_FALSE(FrameStillBlack(RenderTexture.texture->targetViews[0]));
  UnsetRenderTarget();
  DrawFullScreenQuad(1, 0, &BloomChain);
  EXPECT_GT(BloomChain.count, 0) << "the picture goes through the post-processing";
  EXPECT_FALSE(bool(BoundTextures[0])) << "the picture is not left bound once drawn to the screen";

  // Made once, it is the target of every later frame at once.
  ZKTETexture* made = RenderTexture.texture;
  ASSERT_EQ(SetScreenRenderTarget(), 5);
  EXPECT_EQ(RenderTargets.view, made->targetViews[0]);
  UnsetRenderTarget();

  // A clear of another colour, or another target pushed over it, makes it at once.
  ReleaseRenderTargetTexture();
  FrameClear.mode = 1;
  FrameClear.colour = 0xFF203040u;
  ASSERT_EQ(SetScreenRenderTarget(), 5);
  ASSERT_EQ(BeginFrameClear(), 1);
  EXPECT_NE(RenderTexture.texture, nullptr);
  UnsetRenderTarget();
  FrameClear = FrameClearSettings{};
  ReleaseRenderTargetTexture();
  ASSERT_EQ(SetScreenRenderTarget(), 5);
  ASSERT_EQ(BeginFrame(), 1);
  ASSERT_EQ(AddRenderTarget(GfxRenderTargetView{}, GfxDepthStencilView{}), 1);
  ASSERT_NE(RenderTexture.texture, nullptr);
  EXPECT_EQ(RenderTargets.stack[RenderTargets.depth - 1].view, RenderTexture.texture->targetViews[0])
      << "saved under the pushed target";
  UnsetRenderTarget();
  UnsetRenderTarget();
  EXPECT_EQ(RenderTargets.depth, depthBefore);
}

TEST_F(FrameOnNullDevice, PostProcessingMakesTheBloomLevelsAndEmptiesTheChainWhenSwitchedOff) {
  ASSERT_EQ(SetRenderTargetTexture(256, 128, 2), 2);
  UnsetRenderTarget();
  const int depthBefore = RenderTargets.depth;
  DrawFullScreenQuad(1, 1, &BloomChain);
  EXPECT_EQ(BloomChain.failed, 0);
  EXPECT_EQ(BloomChain.mode, 3);
  EXPECT_EQ(BloomChain.border, 1);
  int w[POST_CHAIN_LEVELS], h[POST_CHAIN_LEVELS];
  const int n = BloomLevelSizes(256, 128, 1, 0, w, h);
  ASSERT_EQ(BloomChain.count, n);
  for (int i = 0; i < n; ++i) {
    ASSERT_NE(BloomChain.targets[i], nullptr);
    EXPECT_EQ(BloomChain.targets[i]->width, w[i]) << i;
    EXPECT_EQ(BloomChain.targets[i]->height, h[i]) << i;
    EXPECT_EQ(BloomChain.targets[i]->format, GFX_FORMAT_R16G16B16A16_FLOAT);
  }
  EXPECT_EQ(RenderTargets.depth, depthBefore) << "every pass pushed was popped";
  EXPECT_EQ(PostPassOpen, 0);
  EXPECT_EQ(RenderStates.pendingDepth, 0);
  EXPECT_EQ(RenderStates.pendingBlend, 0);

  PostProcessingEnabled = 0;
  DrawFullScreenQuad(1, 0, &BloomChain);
  EXPECT_EQ(BloomChain.count, 0);
  EXPECT_EQ(AddTextureRef("BLOOM~R0", 0), nullptr) << "the levels were freed";
  PostProcessingEnabled = 1;
}

// Flag 4 makes new bloom levels that stay out of the texture table: nothing finds them by
// name, the table's count stays, and a second such chain is made beside the first. From a
// 320 x 200 picture without a border the levels start at half its size and halve until a side
// is 2 or less: 160 x 100, 80 x 50, 40 x 25, 20 x 12, 10 x 6, 5 x 3, 2 x 1, seven levels.
TEST_F(FrameOnNullDevice, NewBloomLevelsStayOutOfTheTextureTable) {
  ClosePostPass();
  ResetPostChain(BloomChain);  // no listed levels left by an earlier frame
  ASSERT_EQ(AddTextureRef("BLOOM~R0", GEN_TYPE_RENDER), nullptr);
  ASSERT_EQ(SetRenderTargetTexture(320, 200, 2), 2);
  UnsetRenderTarget();
  const int listed = TextureCount();

  PostChain first{};
  ASSERT_EQ(CreateBloomTargets(first, 1 | 4, 0), 1);
  ClosePostPass();
  const int widths[7] = {160, 80, 40, 20, 10, 5, 2}, heights[7] = {100, 50, 25, 12, 6, 3, 1};
  ASSERT_EQ(first.count, 7);
  for (int i = 0; i < 7; ++i) {
    ASSERT_NE(first.targets[i], nullptr) << i;
    EXPECT_EQ(first.targets[i]->width, widths[i]) << i;
    EXPECT_EQ(first.targets[i]->height, heights[i]) << i;
  }
  EXPECT_EQ(TextureCount(), listed) << "none of the levels is listed";
  for (int i = 0; i < 7; ++i) {
    const std::string name = "BLOOM~R" + std::to_string(i);
    EXPECT_EQ(AddTextureRef(name.c_str(), GEN_TYPE_RENDER), nullptr) << name;
  }

  PostChain second{};
  EXPECT_EQ(CreateBloomTargets(second, 1 | 4, 0), 1) << "the names are free for another chain";
  ClosePostPass();
  EXPECT_EQ(second.count, 7);
  EXPECT_EQ(second.failed, 0);
  EXPECT_NE(second.targets[0], first.targets[0]);
  ResetPostChain(second);
  ResetPostChain(first);
  EXPECT_EQ(TextureCount(), listed);
}

TEST_F(FrameOnNullDevice, APictureOfNothingButItsBlackClearSkipsThePostProcessing) {
  // A page of the interface only: the render texture is cleared black and nothing drawn.
  ASSERT_EQ(SetRenderTargetTexture(256, 128, 2), 2);
  ASSERT_EQ(BeginFrame(), 1);
  EXPECT_TRUE(FrameStillBlack(RenderTexture.texture->targetViews[0]));
  UnsetRenderTarget();
  DrawFullScreenQuad(1, 0, &BloomChain);
  EXPECT_EQ(BloomChain.count, 0) << "no bloom levels are made for a black picture";
  EXPECT_EQ(PostFrameHidden, 0);

  // Something drawn into it: the post-processing runs.
  ASSERT_EQ(SetRenderTargetTexture(256, 128, 2), 2);
  ASSERT_EQ(BeginFrame(), 1);
  GfxDraw(Gfx.context, 3, 0);
  EXPECT_FALSE(FrameStillBlack(RenderTexture.texture->targetViews[0]));
  UnsetRenderTarget();
  DrawFullScreenQuad(1, 0, &BloomChain);
  EXPECT_GT(BloomChain.count, 0);

  // A clear of another colour is a picture too.
  FrameClear.mode = 1;
  FrameClear.colour = 0xFF203040u;
  ASSERT_EQ(SetRenderTargetTexture(256, 128, 2), 2);
  ASSERT_EQ(BeginFrameClear(), 1);
  EXPECT_FALSE(FrameStillBlack(RenderTexture.texture->targetViews[0]));
  UnsetRenderTarget();
  FrameClear = FrameClearSettings{};
}

TEST_F(FrameOnNullDevice, DeviceReleaseDropsTheRenderTextureAndTheFrameMakesItAgain) {
  ASSERT_EQ(SetRenderTargetTexture(128, 64, 2), 2);
  UnsetRenderTarget();
  DrawFullScreenQuad(1, 0, &BloomChain);
  ASSERT_GT(BloomChain.count, 0);
  FreeAllGraphics(1, 0);
  EXPECT_EQ(RenderTexture.texture, nullptr);
  EXPECT_EQ(BloomChain.count, 0);
  ASSERT_EQ(SetRenderTargetTexture(128, 64, 2), 2);
  UnsetRenderTarget();
  DrawFullScreenQuad(1, 0, &BloomChain);
  EXPECT_GT(BloomChain.count, 0);
}

// After the device went, the frame's picture, its quad and both post chains are gone with it:
// forgetting them drops every reference (counts, mode, targets) and frees no record, since
// the next emptying of the texture table frees them.
TEST_F(FrameOnNullDevice, ForgettingTheRenderTexturesDropsBothChainsWithoutFreeingTheirRecords) {
  ASSERT_EQ(SetRenderTargetTexture(128, 64, 2), 2);
  UnsetRenderTarget();
  DrawFullScreenQuad(1, 0, &BloomChain);
  ASSERT_GT(BloomChain.count, 0);
  ASSERT_EQ(CreateBlurTargets(BlurChain), 1);
  ASSERT_EQ(BlurChain.count, BLUR_LEVELS);
  ASSERT_NE(BlurChain.targets[0], nullptr);
  const int listed = TextureCount();

  ForgetRenderTextures();
  EXPECT_EQ(RenderTexture.texture, nullptr);
  EXPECT_EQ(RenderTexture.quadMode, -1);
  for (const PostChain* chain : {&BloomChain, &BlurChain}) {
    const char* which = chain == &BloomChain ? "bloom" : "blur";
    EXPECT_EQ(chain->count, 0) << which;
    EXPECT_EQ(chain->mode, 0) << which;
    EXPECT_EQ(chain->failed, 0) << which;
    for (int i = 0; i < POST_CHAIN_LEVELS; ++i) EXPECT_EQ(chain->targets[i], nullptr) << which << " " << i;
  }
  EXPECT_EQ(TextureCount(), listed) << "the records stay listed until the table is emptied";

  FreeAllGraphics(1, 0);  // empties the table, as the device release does
  EXPECT_EQ(BlurChain.count, 0);
}

// The materials of the sprite pictures and the logo, in loading order.
std::vector<Material*> PictureMaterials() {
  const SystemMaterialSet& m = SystemMaterials;
  return {m.discSolid, m.discDrilled, m.logoSprite, m.dust,       m.tyre,
          m.needleCentre, m.iconSheet, m.largePanel, m.smallPanel, m.logo};
}

// One sprite file in the test's data folder: 16 x 16 RGBA.
void WriteSprite(const char* name) {
  std::filesystem::create_directories("data/png");
  std::vector<uint8_t> rgba(16 * 16 * 4, 200);
  ASSERT_TRUE(testpics::WriteFileBytes(std::string("data/png/") + name + ".png",
                                       testpics::EncodeRgbaPng(rgba.data(), 16, 16)));
}

TEST_F(FrameOnNullDevice, MissingSpritesBorrowTheGreyPlaceholderWithoutAMessage) {
  std::filesystem::remove_all("data");
  FreeAllGraphics(1, 0);  // nothing left listed from earlier tests
  const int toldBefore = CountLogLines("Can't open");
  LoadSystemTextures();
  ASSERT_NE(GreyPlaceholder, nullptr);
  const std::vector<Material*> pictures = PictureMaterials();
  for (size_t i = 0; i < pictures.size(); ++i) {
    ASSERT_NE(pictures[i], nullptr) << i;
    ASSERT_NE(pictures[i]->texture, nullptr) << i;
    EXPECT_EQ(pictures[i]->texture->state, TEXTURE_MISSING) << i;
    EXPECT_EQ(pictures[i]->texture->texture, GreyPlaceholder->texture) << i;
    EXPECT_TRUE(pictures[i]->texture->flags & TEXTURE_HAS_ALPHA) << i << ": an _ALP name keeps its alpha";
  }
  EXPECT_EQ(CountLogLines("Can't open"), toldBefore) << "a placeholder is no failure to report";
}

TEST_F(FrameOnNullDevice, APictureIsReadWhenFirstDrawnAndADamagedFileIsToldAtOnce) {
  std::filesystem::remove_all("data");
  WriteSprite("DUST_ALP");
  WriteSprite("TYRE_ALP");
  // A file that is not a picture at all: the loader's checks refuse it before decoding.
  testpics::WriteFileBytes("data/png/NDLCTR_ALP.png", std::vector<uint8_t>(64, 'x'));
  // A picture whose header is sound but whose pixels are cut off: only decoding finds out.
  std::vector<uint8_t> rgba(16 * 16 * 4, 90);
  std::vector<uint8_t> cut = testpics::EncodeRgbaPng(rgba.data(), 16, 16);
  cut.resize(40);
  testpics::WriteFileBytes("data/png/LIGHT_ALP.png", cut);
  const int savedCompressed = CfgCompressedTex;
  CfgCompressedTex = 0;
  FreeAllGraphics(1, 0);
  const int invalidBefore = CountLogLines("Invalid texture NDLCTR_ALP"), decodeBefore = CountLogLines("LIGHT_ALP");
  LoadSystemTextures();
  EXPECT_EQ(CountLogLines("Invalid texture NDLCTR_ALP"), invalidBefore + 1) << "told as the set is made";
  EXPECT_EQ(SystemMaterials.needleCentre->texture->state, TEXTURE_MISSING);

  ZKTETexture* dust = SystemMaterials.dust->texture;
  EXPECT_EQ(dust->state, TEXTURE_ON_FIRST_USE) << "found, checked, not read";
  EXPECT_EQ(dust->texture, GreyPlaceholder->texture);
  EXPECT_TRUE(dust->flags & TEXTURE_FROM_FILE);
  SetTexture(0, dust);
  EXPECT_EQ(dust->state, TEXTURE_OWNED) << "read as it is bound";
  EXPECT_NE(dust->texture, GreyPlaceholder->texture);
  EXPECT_EQ(BoundTextures[0], dust->texture) << "and its own texture bound";
  EXPECT_EQ(dust->width, 16);
  EXPECT_EQ(SystemMaterials.tyre->texture->state, TEXTURE_ON_FIRST_USE) << "a picture not drawn waits";

  ZKTETexture* light = SystemMaterials.iconSheet->texture;
  EXPECT_EQ(light->state, TEXTURE_ON_FIRST_USE);
  EXPECT_EQ(CountLogLines("LIGHT_ALP"), decodeBefore);
  EXPECT_EQ(TextureForUse(light)->state, TEXTURE_MISSING) << "a picture that does not decode keeps the placeholder";
  EXPECT_EQ(light->texture, GreyPlaceholder->texture);
  EXPECT_GT(CountLogLines("LIGHT_ALP"), decodeBefore) << "told when it is first drawn";
  SetTexture(0, nullptr);
  CfgCompressedTex = savedCompressed;
  std::filesystem::remove_all("data");
}

TEST_F(FrameOnNullDevice, SystemTexturesComeBackAfterADeviceRecreation) {
  std::filesystem::remove_all("data");
  WriteSprite("DUST_ALP");
  const int savedCompressed = CfgCompressedTex;
  CfgCompressedTex = 0;
  CfgRenderHdr = 1;
  FreeAllGraphics(1, 0);
  LoadSystemTextures();
  ASSERT_NE(SystemMaterials.dust, nullptr);
  EXPECT_EQ(TextureForUse(SystemMaterials.dust->texture)->state, TEXTURE_OWNED);
  const bool fontPage = AddTextureRef("FONT0_AON", 0) != nullptr;
  // The render textures wait for their first use: most screens never draw into them.
  EXPECT_EQ(SystemMaterials.mirror, nullptr);
  EXPECT_EQ(AddTextureRef("MIRROR~T", 0), nullptr);
  EXPECT_EQ(AddTextureRef("INFO~T", 0), nullptr);
  ASSERT_NE(MirrorMaterial(), nullptr);
  ASSERT_NE(ClocksMaterial(), nullptr);
  ASSERT_NE(InfoPanelMaterial(), nullptr);
  EXPECT_EQ(MirrorMaterial(), SystemMaterials.mirror) << "made once";
  // Nothing draws the mirrors' images: the glass is black without the 59 MB target.
  EXPECT_EQ(SystemMaterials.mirror->texture, AddTextureRef("PLAIN~B", 0));
  EXPECT_NE(SystemMaterials.mirror, SystemMaterials.plainBlack) << "a material of its own";
  EXPECT_EQ(SystemMaterials.mirror->second, 1);
  EXPECT_EQ(AddTextureRef("MIRROR~T", 0), nullptr);
  // The target a mirror view would draw into.
  ZKTETexture* mirrorTarget = CreateMirrorTexture();
  ASSERT_NE(mirrorTarget, nullptr);
  EXPECT_EQ(mirrorTarget->format, GFX_FORMAT_R16G16B16A16_FLOAT);
  EXPECT_EQ(mirrorTarget->width, 1024);
  EXPECT_TRUE(bool(mirrorTarget->depthView)) << "the mirror scene is drawn with depth";
  EXPECT_EQ(SystemMaterials.clocks->texture->format, GFX_FORMAT_R8G8B8A8_UNORM_SRGB);
  EXPECT_EQ(SystemMaterials.infoPanel->texture->format, GFX_FORMAT_R8G8B8A8_UNORM_SRGB);
  EXPECT_EQ(SystemMaterials.infoPanel->texture->mipLevels, 4);
  EXPECT_EQ(SystemMaterials.infoPanel->genType, 5);
  ASSERT_NE(SystemMaterials.plainWhite, nullptr);
  ASSERT_NE(SystemMaterials.fallback, nullptr);
  EXPECT_EQ(SystemMaterials.fallback->drawKind, 0);

  FreeAllGraphics(1, 0);
  ReleaseSystemTextures();
  EXPECT_EQ(AddTextureRef("MIRROR~T", 0), nullptr) << "the table was emptied";
  EXPECT_EQ(SystemMaterials.dust, nullptr);
  EXPECT_EQ(MirrorMaterial(), nullptr) << "nothing is made between a release and the loading";
  LoadSystemTextures();
  ASSERT_NE(MirrorMaterial(), nullptr);
  EXPECT_EQ(AddTextureRef("PLAIN~B", 0), SystemMaterials.mirror->texture);
  EXPECT_NE(ClocksMaterial(), nullptr);
  EXPECT_NE(InfoPanelMaterial(), nullptr);
  EXPECT_NE(AddTextureRef("CLOCKS~T", 0), nullptr);
  EXPECT_NE(AddTextureRef("INFO~T", 0), nullptr);
  EXPECT_NE(AddTextureRef("PLAIN~B", 0), nullptr);
  EXPECT_NE(AddTextureRef("PLAIN~W", 0), nullptr);
  EXPECT_EQ(AddTextureRef("FONT0_AON", 0) != nullptr, fontPage) << "the font pages are built with the rest";
  for (Material* m : PictureMaterials()) ASSERT_NE(m, nullptr);
  ASSERT_NE(SystemMaterials.dust->texture, nullptr);
  EXPECT_EQ(TextureForUse(SystemMaterials.dust->texture)->state, TEXTURE_OWNED) << "the sprite is read from its file again";
  EXPECT_TRUE(bool(SystemMaterials.dust->texture->texture));
  CfgCompressedTex = savedCompressed;
  std::filesystem::remove_all("data");
}

TEST_F(FrameOnNullDevice, LoadingAgainWithoutADeviceReleaseKeepsOneListedRecordPerName) {
  FreeAllGraphics(1, 0);
  LoadSystemTextures();
  const int listed = TextureCount();
  const auto objects = GfxLiveObjectCount();
  LoadSystemTextures();
  EXPECT_EQ(TextureCount(), listed);
  EXPECT_EQ(GfxLiveObjectCount(), objects) << "nothing made again beside the listed textures";
  ASSERT_NE(SystemMaterials.plainWhite, nullptr);
  ASSERT_NE(SystemMaterials.plainBlack, nullptr);
  EXPECT_EQ(SystemMaterials.plainWhite->texture, AddTextureRef("PLAIN~W", 0)) << "freed with the table";
  EXPECT_EQ(SystemMaterials.plainBlack->texture, AddTextureRef("PLAIN~B", 0));
  ASSERT_NE(MirrorMaterial(), nullptr);
  EXPECT_EQ(SystemMaterials.mirror->texture, AddTextureRef("PLAIN~B", 0));
}

// Each system material takes the draw kind, second byte, flags, parameter block and
// generation type of its row in the table of system textures: the plain ones solid (the
// white's third shiny), the race sprites kind 0 flags 1 blended (the tyre with its own block),
// the interface sprites and the logo kind 1 flags 0 blended, the clocks and the information
// panel kind 1 flags 1 solid at generation type 5, the mirror kind 0 with second byte 1.
TEST_F(FrameOnNullDevice, SystemMaterialsTakeTheKindFlagsAndBlockOfTheirRow) {
  std::filesystem::remove_all("data");
  for (int i = 0; i < SYSTEM_SPRITE_COUNT; ++i) WriteSprite(SYSTEM_SPRITE_NAMES[i]);
  WriteSprite(LOGO_PICTURE_NAME);
  FreeAllGraphics(1, 0);
  LoadSystemTextures();
  const SystemMaterialSet& m = SystemMaterials;
  struct Row {
    const Material* material;
    const char* what;
    int kind, second, flags, alphaMode, shineType, reflectance, shine, soft, genType;
  };
  // shine: the shine colour's three bytes alike.
  const Row rows[] = {
      {m.plainBlack, "plain black", 1, 0, 1, 0, 0, 0, 255, 0, 4},
      {m.plainWhite, "plain white", 1, 0, 1, 0, 0, 0, 255, 0, 4},
      {m.fallback, "fallback", 0, 0, 1, 0, 0, 0, 255, 0, 4},
      {m.plainWhiteShiny, "shiny white", 0, 0, 1, 0, 1, 1, 255, 0, 4},
      {m.discSolid, "solid disc", 0, 0, 1, 2, 0, 0, 255, 0, 4},
      {m.discDrilled, "drilled disc", 0, 0, 1, 2, 0, 0, 255, 0, 4},
      {m.logoSprite, "logo sprite", 0, 0, 1, 2, 0, 0, 255, 0, 4},
      {m.dust, "dust", 0, 0, 1, 2, 0, 0, 255, 0, 4},
      {m.tyre, "tyre", 0, 0, 1, 0, 2, 6, 200, 70, 4},
      {m.needleCentre, "needle centre", 1, 0, 0, 2, 0, 0, 255, 0, 4},
      {m.iconSheet, "icon sheet", 1, 0, 0, 2, 0, 0, 255, 0, 4},
      {m.largePanel, "large panel", 1, 0, 0, 2, 0, 0, 255, 0, 4},
      {m.smallPanel, "small panel", 1, 0, 0, 2, 0, 0, 255, 0, 4},
      {m.spriteSheet, "sprite sheet", 1, 0, 0, 2, 0, 0, 255, 0, 4},
      {m.logo, "logo picture", 1, 0, 0, 2, 0, 0, 255, 0, 4},
      {ClocksMaterial(), "clocks", 1, 0, 1, 0, 0, 0, 255, 0, 5},
      {InfoPanelMaterial(), "information panel", 1, 0, 1, 0, 0, 0, 255, 0, 5},
      {MirrorMaterial(), "mirror", 0, 1, 1, 0, 0, 0, 255, 0, -1},
  };
  for (const Row& r : rows) {
    ASSERT_NE(r.material, nullptr) << r.what;
    EXPECT_EQ(r.material->drawKind, r.kind) << r.what;
    EXPECT_EQ(r.material->second, r.second) << r.what;
    EXPECT_EQ(r.material->flags, r.flags) << r.what;
    const MaterialParams& p = r.material->params;
    EXPECT_EQ(p.alphaMode, r.alphaMode) << r.what;
    EXPECT_EQ(p.shineType, r.shineType) << r.what;
    EXPECT_EQ(p.reflectance, r.reflectance) << r.what;
    EXPECT_EQ(p.shineRed, r.shine) << r.what;
    EXPECT_EQ(p.shineGreen, r.shine) << r.what;
    EXPECT_EQ(p.shineBlue, r.shine) << r.what;
    EXPECT_EQ(p.softShine, r.soft) << r.what;
    if (r.genType >= 0) {
      EXPECT_EQ(r.material->genType, r.genType) << r.what;
    }
  }
  EXPECT_EQ(m.plainBlack->texture, AddTextureRef("PLAIN~B", 0));
  for (const Material* white : {m.plainWhite, m.fallback, m.plainWhiteShiny})
    EXPECT_EQ(white->texture, AddTextureRef("PLAIN~W", 0));
  EXPECT_EQ(m.clocks->texture, AddTextureRef("CLOCKS~T", 0));
  EXPECT_EQ(m.infoPanel->texture, AddTextureRef("INFO~T", 0));
  std::filesystem::remove_all("data");
}

// Page 0 of the plates, asked for before it exists, is made with the mod's plate text, even a
// text of one letter; without a text, with the default one.
std::string g_plateTextAsked;
TEST_F(FrameOnNullDevice, TheFirstPlatePageIsMadeWithTheModsTextOrTheDefault) {
  LoadSystemTextures();
  ASSERT_EQ(PlateMaterials[0], nullptr);
  int (*savedGet)(const char*) = GetPlateSlot;
  const char* savedText = ModPlateText;
  GetPlateSlot = [](const char* text) {
    g_plateTextAsked = text;
    return 0;
  };
  for (const char* text : {"Q", "", static_cast<const char*>(nullptr)}) {
    ModPlateText = text;
    g_plateTextAsked.clear();
    EXPECT_EQ(MapSpecialTextureName("s_plate", 0), SystemMaterials.fallback) << "no page made here";
    EXPECT_EQ(g_plateTextAsked, text && text[0] ? text : DEFAULT_PLATE_TEXT);
  }
  GetPlateSlot = savedGet;
  ModPlateText = savedText;
}

TEST_F(FrameOnNullDevice, SpecialNamesFindTheirMaterialsInAnyCase) {
  LoadSystemTextures();
  EXPECT_EQ(MapSpecialTextureName("S_MIRR", 0), MirrorMaterial());
  EXPECT_NE(SystemMaterials.mirror, nullptr) << "made when the name first asked for it";
  EXPECT_EQ(MapSpecialTextureName("s_Info", 0), InfoPanelMaterial());
  EXPECT_EQ(MapSpecialTextureName("s_clock_white", 0), ClocksMaterial());
  EXPECT_EQ(MapSpecialTextureName("wheel", 0), nullptr);
  // A plate that does not exist (and an index out of range) stands in with the fallback.
  EXPECT_EQ(MapSpecialTextureName("s_plate", 3), SystemMaterials.fallback);
  EXPECT_EQ(MapSpecialTextureName("s_plate_ALP", 99), SystemMaterials.fallback);
  EXPECT_EQ(MapSpecialTextureName(nullptr, 0), nullptr);
}

TEST_F(FrameOnNullDevice, BackgroundPictureIsSkippedWithoutItsFile) {
  EXPECT_EQ(LoadBackgroundPicture("nowhere"), nullptr);
  EXPECT_EQ(LoadBackgroundPicture(""), nullptr);
  const char* const saved = CurrentBackground;
  CurrentBackground = "dock";
  DrawBackgroundPicture();  // "dock" has no picture: nothing drawn, nothing kept
  EXPECT_EQ(Background.material, nullptr);
  EXPECT_STREQ(Background.loadedName, "dock");
  CurrentBackground = saved;
}

TEST_F(FrameOnNullDevice, BackgroundPictureIsTheJpgInThePictureFolderWithOneLevel) {
  std::filesystem::remove_all("data");
  std::filesystem::create_directories("data/pic");
  const std::vector<uint8_t> grey(32 * 32 * 3, 90);
  ASSERT_TRUE(testpics::WriteFileBytes("data/pic/bkg_pits.jpg",
                                       testpics::EncodeJpeg(grey.data(), 32, 32, 3, 90, false)));
  Material* m = LoadBackgroundPicture("pits");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m, SystemMaterials.background);
  ASSERT_NE(m->texture, nullptr);
  EXPECT_EQ(m->texture->state, TEXTURE_OWNED);
  EXPECT_EQ(m->texture->width, 32);
  EXPECT_EQ(m->texture->mipLevels, 1);
  EXPECT_EQ(m->drawKind, 1);
  EXPECT_EQ(m->second, 0);
  EXPECT_EQ(m->flags, 0);
  EXPECT_EQ(m->params.alphaMode, 0) << "solid";
  EXPECT_EQ(TextureConfig.mipLevels, 0) << "the settings are put back";
  EXPECT_EQ(TextureConfig.specialPicture, 0);
  ReleaseTextureRef(SystemMaterials.background);
  std::filesystem::remove_all("data");
}

// The background picture is drawn as the background batch: four white corners from the
// top left round to the bottom left, the picture's rows v0..v1 for the screen's shape.
TEST_F(FrameOnNullDevice, TheBackgroundPictureIsAQuadOfFourWhiteCornersInTheBackgroundBatchOutsideARace) {
  std::filesystem::remove_all("data");
  std::filesystem::create_directories("data/pic");
  const std::vector<uint8_t> grey(32 * 32 * 3, 90);
  ASSERT_TRUE(testpics::WriteFileBytes("data/pic/bkg_pits.jpg",
                                       testpics::EncodeJpeg(grey.data(), 32, 32, 3, 90, false)));
  ResetDraw2D();
  SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  CurrentBackground = "pits";
  DrawBackgroundPicture();
  ASSERT_NE(Background.material, nullptr);
  const Draw2D& l = Draw2DList;
  ASSERT_EQ(l.batches[0].vertexCount, 4u);
  EXPECT_EQ(l.batches[0].triangleCount, 2u);
  EXPECT_EQ(l.batches[0].material, Background.material);
  float v0, v1;
  BackgroundVRange(Projection.aspect, &v0, &v1);
  const float want[4][4] = {{-1, 1, 0, v0}, {1, 1, 1, v0}, {1, -1, 1, v1}, {-1, -1, 0, v1}};  // x, y (clip), u, v
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(l.vertices[i].x, want[i][0]) << i;
    EXPECT_EQ(l.vertices[i].y, want[i][1]) << i;
    EXPECT_EQ(l.vertices[i].u, want[i][2]) << i;
    EXPECT_EQ(l.vertices[i].v, want[i][3]) << i;
    EXPECT_EQ(l.vertices[i].colour, 0xFFFFFFFFu) << i;
  }
  // The picture is read once for its name: drawn again, it needs its file no more.
  Material* loaded = Background.material;
  std::filesystem::remove("data/pic/bkg_pits.jpg");
  ResetDraw2D();
  DrawBackgroundPicture();
  EXPECT_EQ(Background.material, loaded) << "the same name keeps its picture";
  EXPECT_EQ(l.batches[0].vertexCount, 4u);
  // On the front end's menu pages (1) it is drawn; in a race session (2) not.
  const uint8_t savedState = GameState;
  GameState = 1;
  ResetDraw2D();
  DrawBackgroundPicture();
  EXPECT_EQ(l.counters.batchCount, 1u) << "drawn on a menu page";
  GameState = 2;
  ResetDraw2D();
  DrawBackgroundPicture();
  EXPECT_EQ(l.counters.batchCount, 0u) << "nothing drawn in a race";
  GameState = savedState;
  CurrentBackground = "";
  DrawBackgroundPicture();
  EXPECT_EQ(Background.material, nullptr) << "no name: the picture is let go";
  ResetDraw2D();
  std::filesystem::remove_all("data");
}

// The blur chain's seven levels are square float targets from 128 pixels down to 2, each
// half the one before, named "BLUR~R0" to "BLUR~R6"; a chain that holds some levels already
// keeps them and gets the rest.
TEST_F(FrameOnNullDevice, TheBlurChainsLevelsHalveFrom128To2) {
  ForgetRenderTextures();  // no chain keeps a level: they are made here afresh
  auto freeLevels = [] {
    for (int i = 0; i < BLUR_LEVELS; ++i) FreeTextureRecord(AddTextureRef(("BLUR~R" + std::to_string(i)).c_str(), 0));
  };
  freeLevels();
  PostChain chain{};
  ASSERT_EQ(CreateBlurTargets(chain), 1);
  ASSERT_EQ(chain.count, 7);
  EXPECT_EQ(chain.mode, 1);
  const int sides[7] = {128, 64, 32, 16, 8, 4, 2};
  for (int i = 0; i < 7; ++i) {
    ASSERT_NE(chain.targets[i], nullptr) << i;
    EXPECT_EQ(chain.targets[i]->width, sides[i]) << i;
    EXPECT_EQ(chain.targets[i]->height, sides[i]) << i;
    EXPECT_EQ(chain.targets[i]->format, GFX_FORMAT_R16G16B16A16_FLOAT) << i;
    EXPECT_EQ(std::string(chain.targets[i]->name), "BLUR~R" + std::to_string(i));
  }
  PostChain part{};
  part.count = 3;
  ZKTETexture* const held = chain.targets[0];
  part.targets[0] = part.targets[1] = part.targets[2] = held;
  ASSERT_EQ(CreateBlurTargets(part), 1);
  EXPECT_EQ(part.count, 7);
  EXPECT_EQ(part.targets[2], held) << "the levels it held stay";
  EXPECT_EQ(part.targets[3], chain.targets[3]);
  EXPECT_EQ(part.targets[6], chain.targets[6]);
  freeLevels();
}

}  // namespace
