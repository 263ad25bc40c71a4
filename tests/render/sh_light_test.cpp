// sh_light_test.cpp - spherical-harmonic light against the values of analytic skies: a
// uniform hemisphere's irradiance and coefficients, a cosine sky's L10, the defaults, the
// disc's centre of odd sizes, and projections on two threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "render/sh_light.h"

namespace {

constexpr double PI = 3.14159265358979323846;

// An N x N polar image whose pixel inside the disc is value(theta) (one byte, all channels).
template <class Value>
std::vector<uint8_t> PolarImage(int n, Value value) {
  std::vector<uint8_t> image(size_t(n) * n * 4, 0);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const double u = (2.0 * i - (n - 1)) / n, v = (2.0 * j - (n - 1)) / n;
      const double r = std::sqrt(u * u + v * v);
      if (r > 1) continue;
      const uint8_t b = uint8_t(std::lround(value(r * PI / 2) * 255));
      for (int c = 0; c < 3; ++c) image[(size_t(j) * n + i) * 4 + c] = b;
    }
  return image;
}

float Up(const ShIrradiance& m, int c) {
  const float n[3] = {0, 0, 1};
  float out[3];
  ShIrradianceOf(m, n, out);
  return out[c];
}

TEST(ShLight, AWhiteHemisphereGivesIrradianceOneUpAndNoneDown) {
  for (int n : {64, 65}) {
    const std::vector<uint8_t> white = PolarImage(n, [](double) { return 1.0; });
    ShIrradiance m;
    AccumulateCubeFaceSH(white.data(), n * 4, n, 1.0f, &m);
    const float down[3] = {0, 0, -1}, side[3] = {1, 0, 0};
    float d[3], s[3], up[3];
    ShIrradianceOf(m, down, d);
    ShIrradianceOf(m, side, s);
    SkyIrradianceUp(m, up);
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(up[c], 1.0f, 0.01f) << n;
      EXPECT_NEAR(Up(m, c), up[c], 1e-5f);
      EXPECT_NEAR(d[c], 0.0f, 0.01f) << n;
      EXPECT_NEAR(s[c], 0.5f, 0.01f) << n;
    }
  }
}

TEST(ShLight, CoefficientsOfAUniformAndOfACosineSky) {
  const int n = 128;
  const std::vector<uint8_t> white = PolarImage(n, [](double) { return 1.0; });
  ShIrradiance m;
  AccumulateCubeFaceSH(white.data(), n * 4, n, float(PI), &m);
  EXPECT_NEAR(ShAccumulators[0][0], 0.282095 * 2 * PI, 0.01 * 0.282095 * 2 * PI) << "L00 over the hemisphere";
  EXPECT_NEAR(ShAccumulators[1][1], 0.0, 1e-3) << "L1-1";
  EXPECT_NEAR(ShAccumulators[2][3], 0.0, 1e-3) << "L11";
  EXPECT_NEAR(ShAccumulators[0][2], 0.488603 * PI, 0.01 * 0.488603 * PI) << "L10";

  const std::vector<uint8_t> cosine = PolarImage(n, [](double theta) { return std::cos(theta); });
  AccumulateCubeFaceSH(cosine.data(), n * 4, n, float(PI), &m);
  EXPECT_NEAR(ShAccumulators[0][2], 0.488603 * 2 * PI / 3, 0.01 * 0.488603 * 2 * PI / 3) << "L10";
  EXPECT_NEAR(ShAccumulators[0][0], 0.282095 * PI, 0.01 * 0.282095 * PI) << "L00";
}

TEST(ShLight, TheDiscCentreOfAnOddImageCountsWithItsLimitWeight) {
  for (int n : {1, 5, 65}) {
    std::vector<uint8_t> image(size_t(n) * n * 4, 0);
    const size_t centre = (size_t(n / 2) * n + n / 2) * 4;
    image[centre] = image[centre + 1] = image[centre + 2] = 255;
    ShIrradiance m;
    AccumulateCubeFaceSH(image.data(), n * 4, n, float(PI), &m);
    const double weight = (PI / n) * (PI / n);  // sin(theta) / theta -> 1
    EXPECT_NEAR(ShAccumulators[0][0], 0.282095 * weight, 1e-6 * weight + 1e-9) << n;
    EXPECT_NEAR(ShAccumulators[0][2], 0.488603 * weight, 1e-6 * weight + 1e-9) << "the zenith, L10";
    EXPECT_EQ(ShAccumulators[0][3], 0.0f);
    for (float v : m.m[0]) EXPECT_TRUE(std::isfinite(v)) << n;
  }
}

TEST(ShLight, TheDefaultsLightEverythingOrOnlyWhatFacesUp) {
  ShIrradiance m;
  float up[3];
  ResetShIrradiance(&m, 0);
  SkyIrradianceUp(m, up);
  const float down[3] = {0, 0, -1};
  float d[3];
  ShIrradianceOf(m, down, d);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(up[c], 1.0f);
    EXPECT_EQ(d[c], 1.0f);
  }
  ResetShIrradiance(&m, 1);
  SkyIrradianceUp(m, up);
  ShIrradianceOf(m, down, d);
  const float side[3] = {0, 1, 0};
  float s[3];
  ShIrradianceOf(m, side, s);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(up[c], 1.0f);
    EXPECT_EQ(d[c], 0.0f);
    EXPECT_EQ(s[c], 0.5f);
  }
}

TEST(ShLight, ProjectionsOnTwoThreadsDoNotMix) {
  const int n = 32;
  const std::vector<uint8_t> bright = PolarImage(n, [](double) { return 1.0; });
  const std::vector<uint8_t> dim = PolarImage(n, [](double) { return 0.25; });
  ShIrradiance brightAlone, dimAlone;
  AccumulateCubeFaceSH(bright.data(), n * 4, n, 1.0f, &brightAlone);
  AccumulateCubeFaceSH(dim.data(), n * 4, n, 1.0f, &dimAlone);
  std::atomic<bool> mixed{false};
  auto run = [&](const std::vector<uint8_t>& image, const ShIrradiance& alone) {
    for (int i = 0; i < 200; ++i) {
      ShIrradiance m;
      AccumulateCubeFaceSH(image.data(), n * 4, n, 1.0f, &m);
      if (m.m[1][15] != alone.m[1][15]) mixed = true;
    }
  };
  std::thread a(run, std::cref(bright), std::cref(brightAlone));
  std::thread b(run, std::cref(dim), std::cref(dimAlone));
  a.join();
  b.join();
  EXPECT_FALSE(mixed);
}

}  // namespace
