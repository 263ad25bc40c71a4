// sky_gpu_test.cpp - the sky on a real GL context: "SKY~GPU" drawn by pixel shader 30 from the
// worker's constants against the sky model evaluated on the CPU at sample texels, and a
// picture scheme measured into its light.  The device is made by the environment of
// render_gpu_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "platform/files.h"
#include "render/device.h"
#include "render/render_target.h"
#include "render/sh_light.h"
#include "render/sky.h"
#include "render/sky_measure.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "tests/core/report_recorder.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/texconv/test_pictures.h"

namespace {

constexpr double PI = 3.14159265358979323846;

double SrgbToLinear(uint8_t b) {
  const double c = b / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

void WaitForResult() {
  while (Sky.state.load(std::memory_order_acquire) != SKY_RESULT_READY) ThreadSleepMs(1);
}

class SkyPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
    std::filesystem::remove_all("data/skies");
    LoadLightScm();
    CurrentLightScheme = 0;
  }
  void TearDown() override {
    if (Gfx.initState != 2) return;
    StopSkyThread();
    while (RenderTargets.depth > 0) UnsetRenderTarget();
    for (LightScheme& s : LightSchemes) {
      if (s.skyTexture && s.skyTexture != Sky.texture) FreeTextureRecord(s.skyTexture);
      s.skyTexture = nullptr;
    }
    FreeTextureRecord(Sky.texture);
    ClearLightSchemeLightWords();
    ReleaseSkyMeasureSurfaces();
    std::filesystem::remove_all("data/skies");
    LoadLightScm();
  }
  ReportRecorder recorder_;
};

TEST_F(SkyPixels, PixelShader30DrawsTheSkyModelIntoTheSkyTexture) {
  CreateSkyTexture();
  ASSERT_NE(Sky.texture, nullptr);
  const float elevation = 0.35f;
  const float sun[3] = {0.8f * std::cos(elevation), -0.6f * std::cos(elevation), std::sin(elevation)};
  PollSkyWorker(sun);
  WaitForResult();
  PollSkyWorker(sun);
  ASSERT_EQ(Sky.state.load(), SKY_IDLE);

  const int n = SKY_TEXTURE_SIZE;
  std::vector<uint8_t> pixels(size_t(n) * n * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, Sky.texture->texture, 0, pixels.data(), pixels.size()));
  // The worker is idle: the model state for the same sun is made again here.
  const HosekSkyState state = *HosekSkyModelInit(elevation);
  const double scale = Sky.result.shaderConstants[43];
  int compared = 0;
  for (int j = 4; j < n; j += 9)
    for (int i = 2; i < n; i += 7) {
      // Texel centres: 2(i + 1/2)/N - 1 (ComputeSky's (2i/63 - 1) x 0.984375 at N = 64).
      const double x = 2.0 * (i + 0.5) / n - 1, y = 2.0 * (j + 0.5) / n - 1, r = std::hypot(x, y);
      const uint8_t* p = &pixels[(size_t(j) * n + i) * 4];
      if (r > 1) {
        if (r > 1.01) {
          for (int c = 0; c < 3; ++c) EXPECT_EQ(p[c], 0) << i << " " << j << ": outside the disc";
        }
        continue;
      }
      if (r > 0.99) continue;  // the rim's pixels straddle the disc
      const double theta = r * PI / 2, k = r > 0 ? std::sin(theta) / r : 0;
      const double view[3] = {k * x, k * y, std::cos(theta)};
      const double gamma = std::acos(std::clamp(view[0] * sun[0] + view[1] * sun[1] + view[2] * sun[2], -1.0, 1.0));
      for (int c = 0; c < 3; ++c) {
        const double radiance = HosekSkyRadiance(state, float(theta), float(gamma), c) * scale;
        EXPECT_NEAR(p[c], SrgbByte(radiance), 2) << i << " " << j << " channel " << c;
      }
      ++compared;
    }
  EXPECT_GT(compared, 500);
  EXPECT_EQ(CurrentScheme().skyBrightness, Sky.result.largest);
}

TEST_F(SkyPixels, APictureSchemeGetsItsMeasuredLight) {
  // A plain picture in data/skies and a scheme naming it.
  const int n = 64;
  testpics::PngLayout picture;  // RGB: a picture without "_ALP" in its name has no alpha
  picture.width = picture.height = n;
  picture.colourType = 2;
  for (int p = 0; p < n * n; ++p) picture.samples.insert(picture.samples.end(), {200, 150, 90});
  ASSERT_TRUE(MakeFolder("data"));
  ASSERT_TRUE(MakeFolder("data\\skies"));
  ASSERT_TRUE(testpics::WriteFileBytes("data/skies/plain_sky.png", testpics::EncodePng(picture)));
  LightSchemes[1] = LightSchemes[0];
  std::snprintf(LightSchemes[1].skyPicture, SKY_PICTURE_NAME_SIZE, "plain_sky");
  LightSchemes[1].skyBrightness = 4.0f;
  LightSchemeCount = 2;
  CurrentLightScheme = 1;

  UpdateSky();
  const LightScheme& s = LightSchemes[1];
  ASSERT_NE(s.skyTexture, nullptr);
  EXPECT_STREQ(s.skyTexture->name, "plain_sky");
  EXPECT_NE(s.skyTexture, Sky.texture);
  EXPECT_EQ(s.skyBrightness, 1.0f);
  EXPECT_EQ(Sky.state.load(), SKY_IDLE) << "a picture scheme posts nothing to the worker";
  const uint8_t colour[3] = {200, 150, 90};
  float up[3];
  SkyIrradianceUp(s.light, up);
  for (int c = 0; c < 3; ++c) {
    // The measured colour is the picture's, decoded to linear and encoded again with 1/2.2.
    const int expected = int(std::lround(std::pow(SrgbToLinear(colour[c]), 1 / 2.2) * 255));
    EXPECT_NEAR(int(s.skyAmbientColour >> (8 * c) & 0xFF), expected, 2) << c;
    EXPECT_NEAR(up[c], SrgbToLinear(colour[c]), 0.03) << c << ": a uniform sky lights an upward normal with its colour";
  }
  // The computed scheme gets the worker's texture.
  CurrentLightScheme = 0;
  UpdateSky();
  EXPECT_EQ(LightSchemes[0].skyTexture, Sky.texture);
}

// The measured colour is the average over the disc of the tracked picture (128 x 128, the
// disc a little wider than the square: radius 128/127 of the half side), brought back with
// 1/2.2.  A black picture whose first and last rows are white puts only the middle pixels of
// those rows into the average: counted here in doubles.
TEST_F(SkyPixels, ThePictureIsAveragedOverItsDiscFromTheFirstRowToTheLast) {
  const int n = TRACKED_SIZE;
  testpics::PngLayout picture;
  picture.width = picture.height = n;
  picture.colourType = 2;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const uint8_t v = (y == 0 || y == n - 1) ? 255 : 0;
      picture.samples.insert(picture.samples.end(), {v, v, v});
    }
  ASSERT_TRUE(MakeFolder("data"));
  ASSERT_TRUE(MakeFolder("data\\skies"));
  ASSERT_TRUE(testpics::WriteFileBytes("data/skies/rim_sky.png", testpics::EncodePng(picture)));
  LightSchemes[1] = LightSchemes[0];
  std::snprintf(LightSchemes[1].skyPicture, SKY_PICTURE_NAME_SIZE, "rim_sky");
  LightSchemeCount = 2;
  CurrentLightScheme = 1;
  UpdateSky();
  ASSERT_NE(LightSchemes[1].skyTexture, nullptr);
  double inside = 0, white = 0;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const double u = (2.0 * x / (n - 1) - 1) * 127.0 / 128.0, v = (2.0 * y / (n - 1) - 1) * 127.0 / 128.0;
      if (u * u + v * v > 1.0) continue;
      ++inside;
      white += (y == 0 || y == n - 1);
    }
  ASSERT_GT(white, 0.0);
  const int expected = int(std::lround(std::pow(white / inside, 1 / 2.2) * 255));
  for (int c = 0; c < 3; ++c)
    EXPECT_NEAR(int(LightSchemes[1].skyAmbientColour >> (8 * c) & 0xFF), expected, 1) << c;
}

}  // namespace
