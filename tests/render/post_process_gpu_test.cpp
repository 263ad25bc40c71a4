// post_process_gpu_test.cpp - the render texture brought to a target through the tone curves,
// the anaglyph shader and the bloom chain, on a real GL context.  A known HDR picture goes
// into "RENDER~TX"; sample pixels of the result are compared with the same curves computed
// here.  The device is made by the environment of render_gpu_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/config.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/post_process.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/texture_record.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/render/float_target.h"

namespace {

// The curves of pixel shaders 5, 6 and 7, as the shaders compute them.
float Reinhard(float x) { return x / (1.0f + x); }
float Gamma(float x) { return std::pow(std::clamp(x, 0.0f, 1.0f), 1.0f / 2.2f); }
float FilmicRaw(float x) {
  const float A = 0.15f, B = 0.50f, C = 0.10f, D = 0.20f, E = 0.02f, F = 0.30f;
  return (x * (A * x + C * B) + D * E) / (x * (A * x + B) + D * F) - E / F;
}
float Filmic(float x) { return std::clamp(FilmicRaw(x) / FilmicRaw(11.2f), 0.0f, 1.0f); }


class PostProcessPixels : public ::testing::Test {
 protected:
  static constexpr int SIZE = 32;
  static constexpr float VALUES[16] = {0,   0.03125f, 0.0625f, 0.125f, 0.25f, 0.375f, 0.5f, 0.75f,
                                       1.0f, 1.5f,    2.0f,    3.0f,   4.0f,  8.0f,   16.0f, 64.0f};

  void SetUp() override {
    if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
    savedBloom_[0] = CfgBloomEffect[0];
    savedBloom_[1] = CfgBloomEffect[1];
  }
  void TearDown() override {
    if (Gfx.initState != 2) return;
    while (RenderTargets.depth > 0) UnsetRenderTarget();
    ResetPostChain(BloomChain);
    ReleaseRenderTextureAndQuad();
    ToneExposure = 1.0f;
    CfgBloomEffect[0] = savedBloom_[0];
    CfgBloomEffect[1] = savedBloom_[1];
  }

  // "RENDER~TX" (HDR) of the given size holding the picture, drawn in by a copy pass.
  void FillRenderTexture(int width, int height, const std::vector<float>& rgba) {
    source_ = std::make_unique<FloatTarget>(width, height, &rgba);
    ASSERT_EQ(SetRenderTargetTexture(width, height, 2), 2);
    PostChain copyChain{};
    ASSERT_EQ(CopyToTarget(copyChain, &source_->record, RenderTexture.texture), 1);
    ClosePostPass();
    UnsetRenderTarget();
  }

  // 4 x 4 blocks of 8 pixels, each channel a different value of VALUES.
  static std::vector<float> BlockPicture() {
    std::vector<float> p(SIZE * SIZE * 4);
    for (int y = 0; y < SIZE; ++y)
      for (int x = 0; x < SIZE; ++x) {
        int k = (y / 8) * 4 + x / 8;
        float* q = &p[(size_t(y) * SIZE + x) * 4];
        q[0] = VALUES[k];
        q[1] = VALUES[(k + 5) % 16];
        q[2] = VALUES[(k + 11) % 16];
        q[3] = 1.0f;
      }
    return p;
  }

  // Draws the render texture into a float target with the tone mode and checks each block's
  // centre against curve(exposed value).
  template <class Curve>
  void ExpectToneCurve(int toneMode, float exposure, Curve curve) {
    FillRenderTexture(SIZE, SIZE, BlockPicture());
    FloatTarget out(SIZE, SIZE);
    ToneExposure = exposure;
    ASSERT_EQ(SetRenderTexture(&out.record, 0, 0, 0), 1);
    DrawFullScreenQuad(1, toneMode, nullptr);
    UnsetRenderTarget();
    const std::vector<float> got = ReadFloats(&out.record);
    const std::vector<float> in = BlockPicture();
    for (int by = 0; by < 4; ++by)
      for (int bx = 0; bx < 4; ++bx) {
        size_t i = (size_t(by * 8 + 4) * SIZE + size_t(bx * 8 + 4)) * 4;
        for (int c = 0; c < 3; ++c) {
          float want = curve(in[i + c]);
          EXPECT_NEAR(got[i + c], want, 2e-3f + 2e-3f * std::fabs(want))
              << "tone " << toneMode << " block " << bx << "," << by << " channel " << c << " input " << in[i + c];
        }
      }
  }

  float savedBloom_[2];
  std::unique_ptr<FloatTarget> source_;
};

// The copy pass draws through pixel shader 1, the plain copy of its source, whatever the pass
// material would pick by itself, and leaves no override behind; the HDR values arrive as they were.
TEST_F(PostProcessPixels, TheCopyPassDrawsThroughThePlainCopyShader) {
  const std::vector<float> picture = BlockPicture();
  FloatTarget source(SIZE, SIZE, &picture);
  ASSERT_EQ(SetRenderTargetTexture(SIZE, SIZE, 2), 2);
  PostChain chain{};
  ASSERT_EQ(CopyToTarget(chain, &source.record, RenderTexture.texture), 1);
  EXPECT_EQ(Shaders.boundPixelNumber, 1);
  EXPECT_EQ(PixelShaderOverride, 0);
  ClosePostPass();
  UnsetRenderTarget();
  EXPECT_FALSE(chain.failed);
  const std::vector<float> got = ReadFloats(RenderTexture.texture);
  for (int by = 0; by < 4; ++by)
    for (int bx = 0; bx < 4; ++bx) {
      const size_t i = (size_t(by * 8 + 4) * SIZE + size_t(bx * 8 + 4)) * 4;
      for (int c = 0; c < 4; ++c)
        EXPECT_EQ(got[i + c], picture[i + c]) << "block " << bx << "," << by << " channel " << c;
    }
}

TEST_F(PostProcessPixels, ToneModeNoneCopiesTheHdrValues) {
  ExpectToneCurve(0, 3.0f, [](float x) { return x; });  // no exposure without a curve
}

TEST_F(PostProcessPixels, ReinhardMatchesTheCurveOfTheExposedValue) {
  const float e = 1.25f * 1.25f;
  ExpectToneCurve(1, 1.25f, [e](float x) { return Reinhard(x * e); });
}

TEST_F(PostProcessPixels, GammaClampsAndEncodesTheExposedValue) {
  const float e = 0.5f * 0.5f;
  ExpectToneCurve(2, 0.5f, [e](float x) { return Gamma(x * e); });
}

TEST_F(PostProcessPixels, FilmicMatchesTheCurveOfTheExposedValue) {
  const float e = 2.0f * 2.0f;
  ExpectToneCurve(3, 2.0f, [e](float x) { return Filmic(x * e); });
}

TEST_F(PostProcessPixels, AnaglyphTakesRedFromTheLeftEyeAndCyanFromTheRight) {
  std::vector<float> p(SIZE * SIZE * 4);
  for (int y = 0; y < SIZE; ++y)
    for (int x = 0; x < SIZE; ++x) {
      float* q = &p[(size_t(y) * SIZE + x) * 4];
      bool left = x < SIZE / 2;
      q[0] = left ? 0.75f : 0.125f;
      q[1] = left ? 0.125f : 0.5f;
      q[2] = left ? 0.125f : 0.25f;
      q[3] = 1.0f;
    }
  FillRenderTexture(SIZE, SIZE, p);
  FloatTarget out(SIZE, SIZE);
  ASSERT_EQ(SetRenderTexture(&out.record, 0, 0, 0), 1);
  DrawFullScreenQuad(0, 0, nullptr);
  UnsetRenderTarget();
  const std::vector<float> got = ReadFloats(&out.record);
  for (int x : {4, 16, 27}) {  // away from the middle seam of each half
    const float* q = &got[(size_t(16) * SIZE + x) * 4];
    EXPECT_NEAR(q[0], 0.75f, 1e-3f) << x;
    EXPECT_NEAR(q[1], 0.5f, 1e-3f) << x;
    EXPECT_NEAR(q[2], 0.25f, 1e-3f) << x;
  }
}

TEST_F(PostProcessPixels, LetterboxQuadBlackensTheBarsAndShowsThePictureBetween) {
  FillRenderTexture(SIZE, SIZE, std::vector<float>(SIZE * SIZE * 4, 0.5f));
  FloatTarget out(64, 48);  // 4:3: bars of 6 rows above and below a 64 x 36 picture
  ASSERT_EQ(SetRenderTexture(&out.record, 0, 0, 0), 1);
  Clear(0xFFFFFFFFu, 1);
  DrawFullScreenQuad(2, 0, nullptr);
  UnsetRenderTarget();
  const std::vector<float> got = ReadFloats(&out.record);
  auto red = [&](int x, int y) { return got[(size_t(y) * 64 + x) * 4]; };
  EXPECT_EQ(red(10, 2), 0.0f);
  EXPECT_EQ(red(10, 45), 0.0f);
  EXPECT_NEAR(red(10, 24), 0.5f, 1e-3f);
  EXPECT_NEAR(red(60, 7), 0.5f, 1e-3f);
}

// A render texture that holds nothing but its black clear is not drawn through the passes:
// the target is cleared black instead (over the white it held).
TEST_F(PostProcessPixels, ARenderTextureHoldingOnlyItsBlackClearClearsTheTargetBlack) {
  ASSERT_EQ(SetRenderTargetTexture(SIZE, SIZE, 2), 2);
  ASSERT_EQ(BeginFrame(), 1);
  ASSERT_TRUE(FrameStillBlack(RenderTexture.texture->targetViews[0]));
  UnsetRenderTarget();
  FloatTarget out(SIZE, SIZE);
  ASSERT_EQ(SetRenderTexture(&out.record, 0, 0, 0), 1);
  Clear(0xFFFFFFFFu, 1);
  DrawFullScreenQuad(1, 0, nullptr);
  UnsetRenderTarget();
  const std::vector<float> got = ReadFloats(&out.record);
  for (const int at : {0, SIZE * SIZE / 2 + SIZE / 2, SIZE * SIZE - 1}) {
    EXPECT_EQ(got[size_t(at) * 4 + 0], 0.0f) << at;
    EXPECT_EQ(got[size_t(at) * 4 + 1], 0.0f) << at;
    EXPECT_EQ(got[size_t(at) * 4 + 2], 0.0f) << at;
    EXPECT_EQ(got[size_t(at) * 4 + 3], 1.0f) << at;
  }
}

TEST_F(PostProcessPixels, BloomAddsTheWeightedBlurOfTheRenderTexture) {
  // A uniform picture: inside, every level holds the same value, so the render texture
  // gains exactly level 0's weight (the levels above are added with weight 0).
  FillRenderTexture(64, 64, std::vector<float>(64 * 64 * 4, 1.0f));
  CfgBloomEffect[0] = 0.0f;
  CfgBloomEffect[1] = 0.5f;
  RunPostProcessing(&BloomChain);
  ASSERT_FALSE(BloomChain.failed);
  EXPECT_EQ(RenderTargets.depth, 0);
  std::vector<float> got = ReadFloats(RenderTexture.texture);
  EXPECT_NEAR(got[(size_t(32) * 64 + 32) * 4], 1.5f, 0.01f);

  // A bright block glows onto dark pixels around it; the far corner stays nearly dark.
  ReleaseRenderTextureAndQuad();
  std::vector<float> spot(64 * 64 * 4, 0.0f);
  for (int y = 28; y < 36; ++y)
    for (int x = 28; x < 36; ++x)
      for (int c = 0; c < 4; ++c) spot[(size_t(y) * 64 + x) * 4 + c] = 100.0f;
  FillRenderTexture(64, 64, spot);
  CfgBloomEffect[0] = 0.9f;
  CfgBloomEffect[1] = 0.01f;
  RunPostProcessing(&BloomChain);
  got = ReadFloats(RenderTexture.texture);
  const float near = got[(size_t(32) * 64 + 20) * 4], far = got[(size_t(2) * 64 + 2) * 4];
  EXPECT_GT(near, 0.01f);
  EXPECT_LT(far, near / 4);
  EXPECT_NEAR(got[(size_t(32) * 64 + 32) * 4], 100.0f, 5.0f) << "the block itself gains a little";

  // The copy to the screen adds level 0 itself, leaving the render texture without it, and
  // shows what the upsize into the render texture and a plain copy showed, within the
  // rounding of the render texture's half floats.
  const std::vector<float> upsized = got;
  ReleaseRenderTextureAndQuad();
  FillRenderTexture(64, 64, spot);
  FloatTarget screen(64, 64);
  ASSERT_EQ(SetRenderTexture(&screen.record, 0, 0, 0), 1);
  DrawFullScreenQuad(1, 0, &BloomChain);
  UnsetRenderTarget();
  EXPECT_EQ(ReadFloats(RenderTexture.texture)[(size_t(32) * 64 + 20) * 4], 0.0f) << "the upsize was left to the copy";
  const std::vector<float> shown = ReadFloats(&screen.record);
  for (size_t i = 0; i < shown.size(); ++i) {
    if (i % 4 == 3) continue;
    ASSERT_NEAR(shown[i], upsized[i], 1e-3f * upsized[i] + 1e-6f) << "pixel " << i / 4 << " channel " << i % 4;
  }
}

}  // namespace
