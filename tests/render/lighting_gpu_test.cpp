// lighting_gpu_test.cpp - lighting on a real GL context: a sky picture measured through
// "TRACKED~T", the environment textures drawn from the scheme's sky with their mips and the
// soft shine, and the exposure read-back (compute shader 2's histogram, and the region copy
// below feature level 11_0) against a CPU reduction of the same region.  The device is made
// by the environment of render_gpu_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/config.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/env_maps.h"
#include "render/exposure.h"
#include "render/frame.h"
#include "render/material.h"
#include "render/post_process.h"
#include "render/render_target.h"
#include "render/sh_light.h"
#include "render/sky.h"
#include "render/sky_measure.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "tests/core/report_recorder.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/render/float_target.h"

namespace {

double SrgbToLinear(uint8_t b) {
  const double c = b / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// An sRGB picture of n x n pixels (outside the texture table) standing for a scheme's sky.
struct Picture {
  ZKTETexture record{};
  std::vector<uint8_t> bytes;
  template <class Colour>
  Picture(int n, Colour colour) : bytes(size_t(n) * n * 4) {
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) colour(x, y, &bytes[(size_t(y) * n + x) * 4]);
    GfxTexture2DDesc d;
    d.width = d.height = uint32_t(n);
    d.format = GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
    d.bindFlags = GFX_BIND_SHADER_RESOURCE;
    GfxSubresourceData data{bytes.data(), uint32_t(n) * 4, 0};
    EXPECT_EQ(GfxCreateTexture2D(Gfx.device, d, &data, &record.texture), GFX_OK);
    EXPECT_EQ(GfxCreateShaderResourceView(Gfx.device, record.texture, nullptr, &record.view), GFX_OK);
    ReadTextureDescription(&record);
  }
  ~Picture() { ReleaseTexture(&record); }
};

void Set(uint8_t* p, uint8_t r, uint8_t g, uint8_t b) {
  p[0] = r;
  p[1] = g;
  p[2] = b;
  p[3] = 255;
}

int CountMessages(const char* text) { return ReportRecorder::CountLines(text); }

std::vector<uint8_t> ReadBytes(ZKTETexture* t, int mip) {
  const int w = std::max(t->width >> mip, 1), h = std::max(t->height >> mip, 1);
  std::vector<uint8_t> out(size_t(w) * h * 4);
  EXPECT_TRUE(GfxReadTexturePixels(Gfx.context, t->texture, uint32_t(mip), out.data(), out.size()));
  return out;
}

class LightingPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
  }
  void TearDown() override {
    if (Gfx.initState != 2) return;
    while (RenderTargets.depth > 0) UnsetRenderTarget();
    ReleaseEnvironmentTextures();
    ReleaseSkyMeasureSurfaces();
    CurrentScheme().skyTexture = nullptr;
    ResetExposure();
  }
  ReportRecorder recorder_;
};

// ---- Measuring a sky picture ----

// Four quadrants of different colours: the byte the 8-bit target holds for each pixel is
// the picture's colour decoded to linear (the picture is drawn one texel a pixel).
uint8_t QuadrantByte(int x, int y, int c) {
  static const uint8_t COLOURS[4][3] = {{250, 40, 10}, {20, 200, 90}, {128, 128, 128}, {10, 60, 240}};
  return COLOURS[(y >= 64) * 2 + (x >= 64)][c];
}

TEST_F(LightingPixels, AMeasuredSkyPictureGivesItsGammaEncodedAverageAndItsLight) {
  Picture sky(TRACKED_SIZE, [](int x, int y, uint8_t* p) {
    Set(p, QuadrantByte(x, y, 0), QuadrantByte(x, y, 1), QuadrantByte(x, y, 2));
  });
  LightScheme scheme{};
  scheme.skyTexture = &sky.record;
  scheme.skyBrightness = 3.0f;
  ASSERT_EQ(MeasureSkyPicture(scheme), 1);
  ASSERT_NE(SkyMeasure.target, nullptr);
  EXPECT_EQ(AddTextureRef("TRACKED~T", 0), SkyMeasure.target);
  EXPECT_EQ(SkyMeasure.target->format, GFX_FORMAT_R8G8B8A8_UNORM);
  EXPECT_EQ(scheme.skyBrightness, 1.0f);

  // What the surface should hold, and its disc's average.
  std::vector<uint8_t> held(size_t(TRACKED_SIZE) * TRACKED_SIZE * 4, 0);
  double sum[3] = {0, 0, 0};
  int count = 0;
  for (int j = 0; j < TRACKED_SIZE; ++j)
    for (int i = 0; i < TRACKED_SIZE; ++i) {
      const double u = (2.0 * i / 127 - 1) * 0.9921875, v = (2.0 * j / 127 - 1) * 0.9921875;
      for (int c = 0; c < 3; ++c) held[(size_t(j) * 128 + i) * 4 + c] = uint8_t(std::lround(SrgbToLinear(QuadrantByte(i, j, c)) * 255));
      if (u * u + v * v > 1) continue;
      ++count;
      for (int c = 0; c < 3; ++c) sum[c] += held[(size_t(j) * 128 + i) * 4 + c];
    }
  for (int c = 0; c < 3; ++c) {
    const int expect = int(std::lround(std::pow(sum[c] / (count * 255.0), 1 / 2.2) * 255));
    EXPECT_NEAR(int((scheme.skyAmbientColour >> (8 * c)) & 0xFF), expect, 1) << c;
  }
  EXPECT_EQ(scheme.skyAmbientColour >> 24, 0u);

  ShIrradiance expected;
  AccumulateCubeFaceSH(held.data(), TRACKED_SIZE * 4, TRACKED_SIZE, 1.0f, &expected);
  for (int c = 0; c < 3; ++c)
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(scheme.light.m[c][k], expected.m[c][k], 2e-3f) << c << " " << k;

  // A region alone: the top-left quadrant's colour.
  uint32_t colour = 0;
  ASSERT_EQ(rtex_fill_av_col(&colour, nullptr, 0.0f, 0.0f, 0.5f, 0.5f), 1);
  for (int c = 0; c < 3; ++c) {
    const double linear = std::lround(SrgbToLinear(QuadrantByte(0, 0, c)) * 255) / 255.0;
    EXPECT_NEAR(int((colour >> (8 * c)) & 0xFF), int(std::lround(std::pow(linear, 1 / 2.2) * 255)), 1) << c;
  }
  EXPECT_EQ(rtex_fill_av_col(&colour, nullptr, 0.5f, 0.2f, 0.5f, 0.9f), 0);
  EXPECT_EQ(CountMessages("area is zero"), 1);
  EXPECT_EQ(rtex_fill_av_col(&colour, nullptr, 0.1f, 0.7f, 0.9f, 0.7f), 0);
  EXPECT_EQ(CountMessages("area is zero"), 2);
  // A region running past the right and bottom edges is cut at them: the bottom-right quadrant.
  ASSERT_EQ(rtex_fill_av_col(&colour, nullptr, 0.5f, 0.5f, 1.5f, 1.5f), 1);
  for (int c = 0; c < 3; ++c) {
    const double linear = std::lround(SrgbToLinear(QuadrantByte(127, 127, c)) * 255) / 255.0;
    EXPECT_NEAR(int((colour >> (8 * c)) & 0xFF), int(std::lround(std::pow(linear, 1 / 2.2) * 255)), 1) << c;
  }
  // A region starting before the left or the top edge starts at it and keeps its size: a
  // quarter picture from x = -0.25 (pixel -32) is columns 0 to 63, from y = -0.25 rows 0 to 63.
  ASSERT_EQ(rtex_fill_av_col(&colour, nullptr, -0.25f, 0.5f, 0.25f, 1.0f), 1);
  for (int c = 0; c < 3; ++c) {
    const double linear = std::lround(SrgbToLinear(QuadrantByte(0, 127, c)) * 255) / 255.0;
    EXPECT_NEAR(int((colour >> (8 * c)) & 0xFF), int(std::lround(std::pow(linear, 1 / 2.2) * 255)), 1)
        << c << ": the bottom-left quadrant";
  }
  ASSERT_EQ(rtex_fill_av_col(&colour, nullptr, 0.5f, -0.25f, 1.0f, 0.25f), 1);
  for (int c = 0; c < 3; ++c) {
    const double linear = std::lround(SrgbToLinear(QuadrantByte(127, 0, c)) * 255) / 255.0;
    EXPECT_NEAR(int((colour >> (8 * c)) & 0xFF), int(std::lround(std::pow(linear, 1 / 2.2) * 255)), 1)
        << c << ": the top-right quadrant";
  }
}

// ---- Environment textures ----

TEST_F(LightingPixels, WithoutASkyTextureTheEnvironmentFailsOnceAndStaysFailed) {
  CurrentScheme().skyTexture = nullptr;
  ASSERT_EQ(Environment.state, ENVIRONMENT_NOT_CREATED);
  UpdateEnvironmentTexture();
  ASSERT_EQ(Environment.state, ENVIRONMENT_TO_DRAW);
  EXPECT_NE(AddTextureRef("ENVIRO~S", 0), nullptr);
  EXPECT_NE(AddTextureRef("EROUGH~S", 0), nullptr);
  for (const char* name : {"ENVIRO~O0", "ENVIRO~O1", "ENVIRO~O2", "ENVIRO~O3"}) EXPECT_NE(AddTextureRef(name, 0), nullptr);
  EXPECT_EQ(AddTextureRef("ENVIRO~O3", 0)->width, 64);
  UpdateEnvironmentTexture();
  EXPECT_EQ(Environment.state, ENVIRONMENT_FAILED);
  EXPECT_EQ(CountMessages("No sky texture for environment texture"), 1);
  EXPECT_EQ(AddTextureRef("ENVIRO~S", 0), nullptr) << "released on failure";
  UpdateEnvironmentTexture();
  RequestEnvironmentRedraw();
  UpdateEnvironmentTexture();
  EXPECT_EQ(Environment.state, ENVIRONMENT_FAILED);
  EXPECT_EQ(CountMessages("No sky texture for environment texture"), 1) << "shown once";
  ReleaseEnvironmentTextures();
  EXPECT_EQ(Environment.state, ENVIRONMENT_NOT_CREATED);
}

TEST_F(LightingPixels, TheSkyIsDrawnIntoTheEnvironmentWithItsMipsAndTheSoftShine) {
  // A polar sky: a warm zenith disc, a blue ring to the horizon, black outside the disc.
  constexpr int N = 64;
  Picture sky(N, [](int x, int y, uint8_t* p) {
    const double u = (x + 0.5) / N * 2 - 1, v = (y + 0.5) / N * 2 - 1, r = std::sqrt(u * u + v * v);
    if (r > 1) Set(p, 0, 0, 0);
    else if (r < 0.4) Set(p, 240, 200, 120);
    else Set(p, 60, 110, 230);
  });
  CurrentScheme().skyTexture = &sky.record;
  UpdateEnvironmentTexture();
  ASSERT_EQ(Environment.state, ENVIRONMENT_TO_DRAW);
  UpdateEnvironmentTexture();
  ASSERT_EQ(Environment.state, ENVIRONMENT_DRAWN);
  EXPECT_EQ(ShineTextures[0], Environment.hard);
  EXPECT_EQ(ShineTextures[1], Environment.soft);
  EXPECT_EQ(RenderTargets.depth, 0) << "every target pushed was popped";

  const std::vector<uint8_t> hard = ReadBytes(Environment.hard, 0);
  auto at = [&](int x, int y, int c) { return int(hard[(size_t(y) * 512 + x) * 4 + c]); };
  EXPECT_NEAR(at(256, 256, 0), 240, 3) << "the zenith";
  EXPECT_NEAR(at(256, 256, 2), 120, 3);
  EXPECT_NEAR(at(256 + 180, 256, 2), 230, 3) << "the ring";
  EXPECT_NEAR(at(6, 6, 0), 60, 4) << "outside the disc the horizon is repeated";
  EXPECT_NEAR(at(6, 6, 2), 230, 4);
  EXPECT_NEAR(at(505, 300, 1), 110, 4);

  // The device made the mips: the last one is the picture's mean, neither black nor white.
  const std::vector<uint8_t> last = ReadBytes(Environment.hard, 9);
  EXPECT_GT(last[2], 150);
  EXPECT_LT(last[0], 200);
  // The soft shine's three levels are filled: blurred, but the zenith still warm.
  for (int mip = 0; mip < 3; ++mip) {
    const std::vector<uint8_t> soft = ReadBytes(Environment.soft, mip);
    const int s = 128 >> mip;
    const uint8_t* centre = &soft[(size_t(s / 2) * s + s / 2) * 4];
    const uint8_t* corner = &soft[(size_t(2) * s + 2) * 4];
    EXPECT_GT(centre[0], centre[2]) << mip;
    EXPECT_GT(corner[2], corner[0]) << mip;
    EXPECT_GT(corner[2], 150) << mip;
  }

  // A redraw is asked for after a sky change; failed or absent textures are left alone.
  RequestEnvironmentRedraw();
  EXPECT_EQ(Environment.state, ENVIRONMENT_TO_DRAW);
  UpdateEnvironmentTexture();
  EXPECT_EQ(Environment.state, ENVIRONMENT_DRAWN);
  ReleaseEnvironmentTextures();
  EXPECT_EQ(ShineTextures[0], nullptr);
  EXPECT_EQ(AddTextureRef("BLUR~R0", 0), nullptr) << "the blur targets went too";
  RequestEnvironmentRedraw();
  EXPECT_EQ(Environment.state, ENVIRONMENT_NOT_CREATED);
}

// ---- Exposure ----

// An 80 x 60 level of luminances spread over the histogram's range.
std::vector<float> LevelPixels() {
  std::vector<float> p(80 * 60 * 4);
  uint32_t seed = 12345;
  for (size_t i = 0; i < p.size(); i += 4) {
    seed = seed * 1664525u + 1013904223u;
    const float base = std::ldexp(1.0f + float(seed >> 24) / 256.0f, int(seed >> 8 & 15) - 10);
    p[i] = base * 0.9f;
    p[i + 1] = base;
    p[i + 2] = base * 1.3f;
    p[i + 3] = 1.0f;
  }
  return p;
}

// The CPU's histogram of a region of the level as it was stored (half floats).
void CpuHistogram(const std::vector<float>& level, int left, int top, int width, int height, uint32_t out[64]) {
  for (int y = top; y < top + height; ++y)
    for (int x = left; x < left + width; ++x) {
      const float* p = &level[(size_t(y) * 80 + x) * 4];
      ++out[ExposureBin(FromHalf(ToHalf(p[0])), FromHalf(ToHalf(p[1])), FromHalf(ToHalf(p[2])))];
    }
}

class ExposurePixels : public LightingPixels {
 protected:
  void SetUp() override {
    LightingPixels::SetUp();
    if (IsSkipped()) return;
    pixels_ = LevelPixels();
    level_ = std::make_unique<FloatTarget>(80, 60, &pixels_);
    chain_.targets[0] = &level_->record;
    chain_.count = 1;
    savedLevel_ = Gfx.featureLevel;
    ResetExposure();
  }
  void TearDown() override {
    if (Gfx.initState == 2) Gfx.featureLevel = savedLevel_;
    LightingPixels::TearDown();
  }
  std::vector<float> pixels_;
  std::unique_ptr<FloatTarget> level_;
  PostChain chain_{};
  GfxFeatureLevel savedLevel_{};
};

TEST_F(ExposurePixels, ComputeShaderTwoCountsTheRegionAsTheCpuDoes) {
  ASSERT_GE(Gfx.featureLevel, GFX_FEATURE_LEVEL_11_0);
  ASSERT_EQ(SetupExposureReadback(chain_, 0), 1);
  EXPECT_EQ(ExposureRead.state, EXPOSURE_WAITING);
  ASSERT_EQ(CollectExposureRead(), 1);
  EXPECT_EQ(ExposureRead.state, EXPOSURE_VALUE);
  uint32_t expect[64] = {};
  CpuHistogram(pixels_, 8, 8, 64, 44, expect);
  int used = 0;
  for (int b = 0; b < 64; ++b) {
    EXPECT_EQ(ExposureRead.histogram[b], expect[b]) << "bin " << b;
    used += expect[b] > 0;
  }
  EXPECT_GT(used, 20) << "the picture spreads over many bins";
  EXPECT_FLOAT_EQ(ExposureRead.meanLuminance, HistogramMeanLuminance(expect));

  // Stereo: the two eyes' regions, the second mirrored, add up in one read.
  ResetExposure();
  ASSERT_EQ(SetupExposureReadback(chain_, 1), 1);
  EXPECT_EQ(ExposureRead.readPending, 0);
  ASSERT_EQ(SetupExposureReadback(chain_, 2), 1);
  ASSERT_EQ(CollectExposureRead(), 1);
  const ExposureReadState& e = ExposureRead;
  uint32_t both[64] = {};
  CpuHistogram(pixels_, e.left, e.top, e.width / 2, e.height, both);
  CpuHistogram(pixels_, e.secondLeft, e.top, e.width / 2, e.height, both);
  for (int b = 0; b < 64; ++b) EXPECT_EQ(e.histogram[b], both[b]) << "bin " << b;
}

TEST_F(ExposurePixels, BelowFeatureLevel11TheRegionIsCopiedAndCountedOnTheCpu) {
  Gfx.featureLevel = GFX_FEATURE_LEVEL_10_1;
  ASSERT_EQ(SetupExposureReadback(chain_, 0), 1);
  const ExposureReadState& e = ExposureRead;
  ASSERT_EQ(e.left, 2);
  ASSERT_EQ(e.width, 76);
  ASSERT_TRUE(bool(e.readSurface));
  // The surface holds exactly the level's region.
  std::vector<uint16_t> region(size_t(e.width) * e.height * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, e.readSurface, 0, region.data(), region.size() * 2));
  int wrong = 0;
  for (int y = 0; y < e.height; ++y)
    for (int x = 0; x < e.width; ++x)
      for (int c = 0; c < 4; ++c)
        wrong += region[(size_t(y) * e.width + x) * 4 + c] != ToHalf(pixels_[(size_t(y + 2) * 80 + x + 2) * 4 + c]);
  EXPECT_EQ(wrong, 0);
  ASSERT_EQ(CollectExposureRead(), 1);
  uint32_t expect[64] = {};
  CpuHistogram(pixels_, 2, 2, 76, 56, expect);
  for (int b = 0; b < 64; ++b) EXPECT_EQ(e.histogram[b], expect[b]) << "bin " << b;
}

TEST_F(ExposurePixels, MeteredFramesAreHiddenOnlyUntilTheFirstValue) {
  const int savedExposure = CfgExposure[0];
  CfgExposure[0] = 3;
  // Levels too small for a region: nothing to wait for, the frame is shown.
  ASSERT_EQ(SetRenderTargetTexture(64, 64, 2), 2);
  UnsetRenderTarget();
  RunPostProcessing(&BloomChain);
  EXPECT_EQ(PostFrameHidden, 0);
  EXPECT_EQ(ExposureRead.state, EXPOSURE_NO_VALUE);
  ReleaseRenderTextureAndQuad();
  ASSERT_EQ(SetRenderTargetTexture(256, 192, 2), 2);
  UnsetRenderTarget();
  RunPostProcessing(&BloomChain);
  EXPECT_EQ(PostFrameHidden, 1) << "the first frame waits for its read";
  EXPECT_EQ(ExposureRead.state, EXPOSURE_WAITING);
  RunPostProcessing(&BloomChain);
  EXPECT_EQ(ExposureRead.state, EXPOSURE_VALUE);
  EXPECT_EQ(PostFrameHidden, 0);
  EXPECT_GT(ExposureRead.meanLuminance, -1.0f);
  // After a failure metering stops and every frame is shown.
  ResetExposure();
  ExposureRead.state = EXPOSURE_FAILED;
  RunPostProcessing(&BloomChain);
  EXPECT_EQ(PostFrameHidden, 0);
  EXPECT_EQ(ExposureRead.readPending, 0);
  // Without metering ("Exposure " not 3) nothing is read.
  ResetExposure();
  CfgExposure[0] = 0;
  RunPostProcessing(&BloomChain);
  EXPECT_EQ(PostFrameHidden, 0);
  EXPECT_EQ(ExposureRead.state, EXPOSURE_NO_VALUE);
  CfgExposure[0] = savedExposure;
  while (RenderTargets.depth > 0) UnsetRenderTarget();
  ResetPostChain(BloomChain);
  ReleaseRenderTextureAndQuad();
}

}  // namespace
