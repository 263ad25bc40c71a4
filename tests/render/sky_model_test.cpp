// sky_model_test.cpp - the analytic sky and the sun's radiance against the published tables
// read here from their text files: the cooked parameters at the control points exactly, the
// blend between turbidities and albedos and the sky radiance against double-precision
// evaluations written here, the dimming below the horizon, the solar pieces' continuity and
// the limb darkening.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/sky_model.h"
#include "render/sky_tables.h"
#include "tests/render/sky_tables_text.h"

namespace {

constexpr double PI = 3.14159265358979323846;

class SkyTables : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    params_ = SkyTableRows("hosek_rgb_params.txt");
    radiance_ = SkyTableRows("hosek_rgb_radiance.txt");
    paramsF_ = SkyTableRowsAsFloats("hosek_rgb_params.txt");
    radianceF_ = SkyTableRowsAsFloats("hosek_rgb_radiance.txt");
    solar_ = SkyTableRows("hosek_solar.txt");
  }
  void SetUp() override {
    ASSERT_EQ(params_.size(), 360u) << "render/sky_tables/hosek_rgb_params.txt";
    ASSERT_EQ(radiance_.size(), 60u);
    ASSERT_EQ(solar_.size(), 4950u);
    SkyPostedTurbidity = 3.0f;
    SkyPostedAlbedo = 0.1f;
  }
  void TearDown() override {
    SkyPostedTurbidity = 3.0f;
    SkyPostedAlbedo = 0.1f;
  }
  // Row of (channel, albedo, turbidity 1..10, control point): its nine parameters.
  static const std::vector<double>& ParamRow(int c, int a, int t, int i) {
    return params_[size_t(((c * 2 + a) * 10 + (t - 1)) * 6 + i)];
  }
  static const std::vector<double>& RadianceRow(int c, int a, int t) {
    return radiance_[size_t((c * 2 + a) * 10 + (t - 1))];
  }
  // The published blend in double precision.
  static void DoubleConfig(int c, double elevation, double turbidity, double albedo, double out[9], double* rad) {
    const double x = std::cbrt(std::max(elevation, 0.0) / (PI / 2));
    const double w[6] = {std::pow(1 - x, 5),         5 * x * std::pow(1 - x, 4), 10 * x * x * std::pow(1 - x, 3),
                         10 * x * x * x * (1 - x) * (1 - x), 5 * std::pow(x, 4) * (1 - x), std::pow(x, 5)};
    const int t = int(turbidity);
    const double f = turbidity - t;
    auto blend = [&](auto value) {
      double v = 0;
      for (int a = 0; a < 2; ++a) {
        const double wa = a ? albedo : 1 - albedo;
        v += wa * (1 - f) * value(a, t);
        if (t < 10) v += wa * f * value(a, t + 1);
      }
      return v;
    };
    for (int k = 0; k < 9; ++k)
      out[k] = blend([&](int a, int tt) {
        double s = 0;
        for (int i = 0; i < 6; ++i) s += w[i] * ParamRow(c, a, tt, i)[4 + k];
        return s;
      });
    *rad = blend([&](int a, int tt) {
      double s = 0;
      for (int i = 0; i < 6; ++i) s += w[i] * RadianceRow(c, a, tt)[3 + i];
      return s;
    });
  }
  static inline std::vector<std::vector<double>> params_, radiance_, solar_;
  static inline std::vector<std::vector<float>> paramsF_, radianceF_;
};

TEST_F(SkyTables, AtTheEndControlPointsTheCookedParametersAreTheTableRows) {
  for (int a = 0; a < 2; ++a)
    for (int t = 1; t <= 10; ++t) {
      SkyPostedTurbidity = float(t);
      SkyPostedAlbedo = float(a);
      for (int end = 0; end < 2; ++end) {
        const HosekSkyState& s = *HosekSkyModelInit(end ? 1.5707964f : 0.0f);
        const int control = end ? 5 : 0;
        for (int c = 0; c < 3; ++c) {
          const std::vector<float>& row = paramsF_[size_t(((c * 2 + a) * 10 + (t - 1)) * 6 + control)];
          for (int k = 0; k < 9; ++k) ASSERT_EQ(s.configs[c][k], row[4 + k]) << a << " " << t << " " << c << " " << k;
          ASSERT_EQ(s.radiances[c], radianceF_[size_t((c * 2 + a) * 10 + (t - 1))][3 + control]);
        }
      }
    }
}

// A turbidity outside 1..10 or an albedo outside 0..1 is held at the nearer end: at the
// horizon (the first control point) the cooked parameters are then exactly that end's table
// row, 14 and 0.2 giving turbidity 10 and 1, 1.6 and -0.5 albedo 1 and 0.
TEST_F(SkyTables, TurbidityAndAlbedoOutsideTheirRangesAreHeldAtTheEnds) {
  struct Row {
    float turbidity, albedo;
    int t, a;
  };
  for (const Row& r : {Row{14.0f, 1.6f, 10, 1}, Row{0.2f, -0.5f, 1, 0}, Row{14.0f, -0.5f, 10, 0}, Row{0.2f, 1.6f, 1, 1}}) {
    SkyPostedTurbidity = r.turbidity;
    SkyPostedAlbedo = r.albedo;
    const HosekSkyState& s = *HosekSkyModelInit(0.0f);
    for (int c = 0; c < 3; ++c) {
      const std::vector<float>& row = paramsF_[size_t(((c * 2 + r.a) * 10 + (r.t - 1)) * 6)];
      for (int k = 0; k < 9; ++k)
        EXPECT_EQ(s.configs[c][k], row[4 + k]) << r.turbidity << " " << r.albedo << " " << c << " " << k;
      EXPECT_EQ(s.radiances[c], radianceF_[size_t((c * 2 + r.a) * 10 + (r.t - 1))][3]) << r.turbidity << " " << r.albedo;
    }
  }
}

TEST_F(SkyTables, BetweenTurbiditiesAndAlbedosTheBlendMatchesADoubleEvaluation) {
  SkyPostedTurbidity = 3.0f;
  SkyPostedAlbedo = 0.1f;
  for (float elevation : {0.05f, 0.3f, 0.8f, 1.3f}) {
    const HosekSkyState& s = *HosekSkyModelInit(elevation);
    for (int c = 0; c < 3; ++c) {
      double expect[9], rad;
      DoubleConfig(c, elevation, 3.0, 0.1, expect, &rad);
      for (int k = 0; k < 9; ++k)
        EXPECT_NEAR(s.configs[c][k], expect[k], 1e-5 * std::fabs(expect[k])) << elevation << " " << c << " " << k;
      EXPECT_NEAR(s.radiances[c], rad, 1e-5 * rad);
    }
  }
  // A fractional turbidity blends towards the next one.
  SkyPostedTurbidity = 9.5f;
  SkyPostedAlbedo = 0.7f;
  const HosekSkyState& s = *HosekSkyModelInit(0.6f);
  double expect[9], rad;
  DoubleConfig(1, 0.6, 9.5, 0.7, expect, &rad);
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(s.configs[1][k], expect[k], 1e-5 * std::fabs(expect[k])) << k;
}

TEST_F(SkyTables, TheSkyRadianceMatchesADoubleEvaluationOfTheModel) {
  for (float elevation : {0.1f, 0.7f, 1.4f}) {
    const HosekSkyState& s = *HosekSkyModelInit(elevation);
    for (int c = 0; c < 3; ++c) {
      double p[9], rad;
      DoubleConfig(c, elevation, 3.0, 0.1, p, &rad);
      // 1.58 looks just below the horizon line: the zenith term is 0 there, not a root of a
      // negative.
      for (double theta : {0.0, 0.4, 1.0, 1.5, 1.58}) {
        for (double gamma : {0.02, 0.3, 1.2, 2.5}) {
          const double A = p[0], B = p[1], C = p[2], D = p[3], E = p[4], F = p[5], G = p[6], I = p[7], H = p[8];
          const double cg = std::cos(gamma), ct = std::cos(theta);
          const double zenith = std::sqrt(std::max(ct, 0.0));
          const double expect = (1 + A * std::exp(B / (ct + 0.01))) *
                                (C + D * std::exp(E * gamma) + F * cg * cg +
                                 G * (1 + cg * cg) / std::pow(1 + H * H - 2 * H * cg, 1.5) + I * zenith) *
                                rad;
          EXPECT_NEAR(HosekSkyRadiance(s, float(theta), float(gamma), c), expect, 1e-4 * std::fabs(expect))
              << elevation << " " << c << " " << theta << " " << gamma;
        }
      }
    }
  }
}

TEST_F(SkyTables, BelowTheHorizonTheSkyDimsToAUniformOne) {
  const HosekSkyState horizon = *HosekSkyModelInit(0.0f);
  const HosekSkyState just = *HosekSkyModelInit(-1e-6f);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(just.radiances[c], horizon.radiances[c], 1e-4 * horizon.radiances[c]);

  const HosekSkyState dusk = *HosekSkyModelInit(-0.1f);
  const float s = (0.31415927f - 0.1f) / 0.31415927f;
  const double m = 6.7489 + 1.057 * (0.1 * 180 / PI);
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(dusk.configs[c][2], horizon.configs[c][2] * s + (1 - s), 1e-5);
    EXPECT_NEAR(dusk.configs[c][3], horizon.configs[c][3] * s, 1e-5);
    EXPECT_EQ(dusk.configs[c][0], horizon.configs[c][0]) << "A, B, E and H stay";
    EXPECT_NEAR(dusk.radiances[c] / horizon.radiances[c], std::pow(10.0, -0.4 * m) / std::pow(10.0, -2.69956), 1e-4);
  }

  const HosekSkyState dark = *HosekSkyModelInit(-0.31415927f);
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(dark.configs[c][2], 1.0f, 1e-6f);
    for (int k : {3, 5, 6, 7}) EXPECT_NEAR(dark.configs[c][k], 0.0f, 1e-6f);
    EXPECT_NEAR(dark.radiances[c] / horizon.radiances[c], std::pow(10.0, -0.4 * 19) / std::pow(10.0, -2.69956), 1e-7);
    // Uniform but for the A term: the same radiance towards the sun and away from it.
    EXPECT_NEAR(HosekSkyRadiance(dark, 0.5f, 0.1f, c), HosekSkyRadiance(dark, 0.5f, 2.9f, c),
                1e-6f * HosekSkyRadiance(dark, 0.5f, 0.1f, c));
  }
}

// Past the dark elevation (18 degrees down) the sky stays as it is there: fully dimmed to the
// uniform C = 1 with D, F, G and I at 0, not turned over past it.  The brightness is held at the
// darkest magnitude, 19, so the radiance is the horizon's times 10^(-0.4 * 19) / 10^(-2.69956).
TEST_F(SkyTables, FarBelowTheDarkElevationTheSkyStaysFullyDimmed) {
  const HosekSkyState horizon = *HosekSkyModelInit(0.0f);
  for (float elevation : {-0.62831853f, -1.5f}) {  // 36 and about 86 degrees down
    const HosekSkyState deep = *HosekSkyModelInit(elevation);
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(deep.configs[c][2], 1.0f, 1e-6f) << "C, elevation " << elevation << ", channel " << c;
      for (int k : {3, 5, 6, 7})
        EXPECT_NEAR(deep.configs[c][k], 0.0f, 1e-6f) << "parameter " << k << ", elevation " << elevation;
      EXPECT_NEAR(deep.radiances[c] / horizon.radiances[c], std::pow(10.0, -0.4 * 19) / std::pow(10.0, -2.69956),
                  1e-7);
    }
  }
}

TEST_F(SkyTables, TheSolarRadianceFollowsTheTablesAndIsContinuousAtItsPieces) {
  // 440 nm at turbidity 3: the text's own coefficients, in double.
  auto piece = [&](int band, int t, int p) -> const std::vector<double>& {
    return solar_[size_t((band * 10 + (t - 1)) * 45 + p)];
  };
  for (double e : {0.0, 0.01, 0.2, 0.9, 1.5, PI / 2}) {  // the sun at the zenith is in the last piece, 44
    const int p = std::min(44, int(std::cbrt(2 * e / PI) * 45));
    const double x = e - std::pow(p / 45.0, 3) * PI / 2;
    const std::vector<double>& c = piece(3, 3, p);
    const double expect = c[3] * x * x * x + c[4] * x * x + c[5] * x + c[6];
    EXPECT_NEAR(HosekSolarRadiance(440.0f, float(e)), expect, 1e-4 * std::fabs(expect) + 1e-6) << e;
  }
  // Between wavelengths and turbidities the four neighbours are blended.
  SkyPostedTurbidity = 3.5f;
  const double e = 0.6;
  const int p = int(std::cbrt(2 * e / PI) * 45);
  const double x = e - std::pow(p / 45.0, 3) * PI / 2;
  auto v = [&](int band, int t) {
    const std::vector<double>& c = piece(band, t, p);
    return c[3] * x * x * x + c[4] * x * x + c[5] * x + c[6];
  };
  const double blend = 0.5 * (0.25 * v(3, 3) + 0.75 * v(4, 3)) + 0.5 * (0.25 * v(3, 4) + 0.75 * v(4, 4));
  EXPECT_NEAR(HosekSolarRadiance(470.0f, float(e)), blend, 1e-4 * blend);
  SkyPostedTurbidity = 3.0f;

  // Elevations outside the horizon to the zenith are held at them: the sun below the horizon
  // shines as at it, one past the zenith (a turned-over frame) as at the zenith.
  for (float w : {320.0f, 540.0f}) {
    EXPECT_EQ(HosekSolarRadiance(w, -0.3f), HosekSolarRadiance(w, 0.0f)) << w;
    EXPECT_EQ(HosekSolarRadiance(w, 2.0f), HosekSolarRadiance(w, float(PI / 2))) << w;
  }

  // Wavelengths outside 320..720 nm take the ends' values.
  for (double e : {0.1, 1.0}) {
    EXPECT_EQ(HosekSolarRadiance(250.0f, float(e)), HosekSolarRadiance(320.0f, float(e))) << e;
    EXPECT_EQ(HosekSolarRadiance(900.0f, float(e)), HosekSolarRadiance(720.0f, float(e))) << e;
  }

  for (float w : {320.0f, 480.0f, 720.0f})
    for (int q = 1; q < 45; ++q) {
      const float boundary = float(std::pow(q / 45.0, 3) * PI / 2);
      const float below = HosekSolarRadiance(w, std::nextafter(boundary, 0.0f));
      const float above = HosekSolarRadiance(w, boundary * 1.00001f);
      EXPECT_NEAR(below, above, 2e-3f * std::max(std::fabs(above), 1.0f)) << w << " nm, piece " << q;
    }
}

// The control points' weights are the Bernstein polynomials of degree 5 in
// x = cbrt(elevation / (pi/2)): at an eighth of a right angle x is 1/2 and the weights are
// 1, 5, 10, 10, 5, 1 over 32; at the horizon all on the first point, at the zenith all on
// the last; below the horizon as at it.
TEST(SkyWeights, BernsteinWeightsOfTheCubeRootOfTheElevation) {
  const double half = 3.14159265358979323846 / 2;
  float w[6];
  HosekControlWeights(float(half / 8), w);
  const double eighth[6] = {1, 5, 10, 10, 5, 1};
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(w[k], eighth[k] / 32, 1e-6) << k;
  for (const float e : {0.0f, -0.3f}) {
    HosekControlWeights(e, w);
    EXPECT_EQ(w[0], 1.0f) << e;
    for (int k = 1; k < 6; ++k) EXPECT_EQ(w[k], 0.0f) << e << " " << k;
  }
  HosekControlWeights(float(half), w);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(w[k], 0.0f, 1e-6) << k;
  EXPECT_NEAR(w[5], 1.0f, 1e-6);
}

TEST(LimbDarkening, TheListedCoefficientsAreThePublishedOnesRounded) {
  const std::vector<std::vector<double>> rows = SkyTableRows("hosek_limb_darkening.txt");
  ASSERT_EQ(rows.size(), 11u);
  for (int b = 0; b < 11; ++b) {
    EXPECT_EQ(rows[size_t(b)][0], 320 + 40 * b);
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(LimbDarkeningCoefficients[b][k], rows[size_t(b)][1 + k], 1e-5) << b << " " << k;
  }
}

TEST(LimbDarkening, TheDiscAverageApproachesTheExactIntegral) {
  // Over the unit disc, the mean of mu^k (mu = sqrt(1 - r^2)) is 2 / (k + 2).
  for (int b = 0; b < 11; ++b) {
    double exact = 0;
    for (int k = 0; k < 6; ++k) exact += LimbDarkeningCoefficients[b][k] * 2.0 / (k + 2);
    EXPECT_NEAR(LimbDarkeningDiscAverage(320.0f + 40.0f * float(b)), exact, 3e-3 * exact) << b;
  }
  // Between two rows the coefficients are blended linearly, and so is the average.
  const float mid = LimbDarkeningDiscAverage(500.0f);
  EXPECT_NEAR(mid, 0.5f * (LimbDarkeningDiscAverage(480.0f) + LimbDarkeningDiscAverage(520.0f)), 1e-5f);
  EXPECT_EQ(LimbDarkeningDiscAverage(800.0f), LimbDarkeningDiscAverage(720.0f));
}

TEST(SkyShaderConstants, RowsHoldTheParametersRadiancesAndSun) {
  const HosekSkyState& s = *HosekSkyModelInit(0.5f);
  const float sun[3] = {0.1f, 0.2f, 0.97f};
  float out[SKY_SHADER_CONSTANT_FLOATS];
  SetSkyShaderConstants(s, sun, 0.25f, out);
  EXPECT_EQ(out[7 * 4 + 1], s.configs[1][7]) << "row 7: the green zenith term";
  EXPECT_EQ(out[7 * 4 + 3], 0.0f);
  EXPECT_EQ(out[9 * 4 + 2], s.radiances[2]);
  EXPECT_EQ(out[10 * 4 + 2], 0.97f);
  EXPECT_EQ(out[10 * 4 + 3], 0.25f);
}

}  // namespace
