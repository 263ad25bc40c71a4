// colour_science_test.cpp - the colour conversions against independent values: the
// Planckian locus integrated here from Planck's law through the CIE table, McCamy's formula
// at D65, the sRGB matrices, gamma-encoded bytes, the white balance (and what it keeps for a
// colour temperature without a white) and the sun's disc at the horizon.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "render/colour_science.h"
#include "render/sky_tables.h"
#include "tests/core/report_recorder.h"
#include "tests/render/sky_tables_text.h"
#include "text/messages.h"

namespace {

// x, y of a black body at T Kelvin through the tabulated 2-degree observer.
void PlanckChromaticity(double kelvin, const std::vector<std::vector<double>>& cie, double* x, double* y) {
  const double h = 6.62607015e-34, c = 2.99792458e8, k = 1.380649e-23;
  double X = 0, Y = 0, Z = 0;
  for (const std::vector<double>& row : cie) {
    const double l = row[0] * 1e-9;
    const double b = 2 * h * c * c / (std::pow(l, 5) * (std::exp(h * c / (l * k * kelvin)) - 1));
    X += b * row[1];
    Y += b * row[2];
    Z += b * row[3];
  }
  *x = X / (X + Y + Z);
  *y = Y / (X + Y + Z);
}

TEST(ColourScience, TheChromaticityOfAColourTemperatureLiesOnThePlanckianLocus) {
  const std::vector<std::vector<double>> cie = SkyTableRows("cie1931_2deg_5nm.txt");
  ASSERT_EQ(cie.size(), 60u);
  for (int i = 0; i < 60; ++i)
    for (int k = 0; k < 3; ++k)
      ASSERT_EQ(Cie1931ColourMatching[i][k], float(cie[size_t(i)][1 + k])) << "the compiled-in table, row " << i;
  for (int kelvin = 2000; kelvin <= 10000; kelvin += 250) {
    double px, py;
    PlanckChromaticity(kelvin, cie, &px, &py);
    float x, y;
    KelvinToChromaticity(&x, &y, float(kelvin));
    EXPECT_NEAR(x, px, 0.005) << kelvin;
    EXPECT_NEAR(y, py, 0.005) << kelvin;
  }
}

TEST(ColourScience, TheSrgbMatricesTakeWhiteToD65AndUndoEachOther) {
  const float white[3] = {1, 1, 1};
  float xyz[3];
  MultiplyColourMatrix(RgbToXyz, white, xyz);
  EXPECT_NEAR(xyz[0], 0.95047f, 1e-4f);
  EXPECT_NEAR(xyz[1], 1.00000f, 1e-4f);
  EXPECT_NEAR(xyz[2], 1.08883f, 1e-4f);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      float sum = 0;
      for (int k = 0; k < 3; ++k) sum += XyzToRgb[r][k] * RgbToXyz[k][c];
      EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, 1e-4f) << r << c;
    }
  EXPECT_NEAR(KelvinFromChromacity(white), 6504.0f, 10.0f) << "McCamy at D65";
}

TEST(ColourScience, BytesAreTheBrightestChannelScaledAndGammaEncoded) {
  uint8_t out[3];
  const float warm[3] = {2, 1, 0};
  ColourToRgb8(warm, out);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[1], 186);
  EXPECT_EQ(out[2], 0);
  const float black[3] = {0, 0, 0};
  ColourToRgb8(black, out);
  EXPECT_EQ(out[0] | out[1] | out[2], 0);
  const float odd[3] = {1, -0.5f, NAN};  // negative and non-finite channels count as 0
  ColourToRgb8(odd, out);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 0);
}

// The limits themselves: a brightest channel of 0.001 is black, a little more is scaled to
// full; a y of 0.001 is used (x Y / y = 300), only below it is degenerate.  A sink of no
// room is no sink: the text goes to the message lines.
TEST(ColourScience, TheSmallestBrightnessAndChromaticityThatCount) {
  uint8_t out[3];
  const float dim[3] = {0.001f, 0.0005f, 0.0f};
  ColourToRgb8(dim, out);
  EXPECT_EQ(out[0] | out[1] | out[2], 0);
  const float brighter[3] = {0.0011f, 0.00055f, 0.0f};
  ColourToRgb8(brighter, out);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[1], std::lround(std::pow(0.5, 1 / 2.2) * 255));
  float xyz[3] = {0, 0, 0};
  xyY_to_XYZ(xyz, 0.3f, 0.001f, 1.0f);
  EXPECT_FLOAT_EQ(xyz[0], 300.0f);
  EXPECT_EQ(xyz[1], 1.0f);

  ReportRecorder recorder;
  DebugMessagesOn = 1;
  char sink[8] = "x";
  SetColourMessageSink(sink, 0);
  xyY_to_XYZ(xyz, 0.3f, 0.0f, 1.0f);
  SetColourMessageSink(nullptr, 0);
  EXPECT_STREQ(sink, "x") << "nothing written into it";
  EXPECT_EQ(ReportRecorder::NewestText(), "XYZ_to_xyY: y = 0.000000");
  DebugMessagesOn = 0;
}

TEST(ColourScience, DegenerateChromaticitiesGiveZerosAndDebugTexts) {
  ReportRecorder recorder;
  DebugMessagesOn = 1;
  float xyz[3] = {1, 1, 1};
  xyY_to_XYZ(xyz, 0.3f, 0.0005f, 1.0f);
  EXPECT_EQ(xyz[0], 0.0f);
  EXPECT_EQ(xyz[2], 0.0f);
  ASSERT_NE(ReportRecorder::NewestText(), "");
  EXPECT_NE(ReportRecorder::NewestText().find("XYZ_to_xyY: y = 0.000500"), std::string::npos);
  // A blue whose y sits on McCamy's epicentre.
  const float blue[3] = {0.0f, 0.3065f, 1.0f};
  EXPECT_EQ(KelvinFromChromacity(blue), 0.0f);
  EXPECT_NE(ReportRecorder::NewestText().find("KelvinFromChromacity: denominator"), std::string::npos);

  // A thread with its own sink: the text goes there, not to the message lines.
  ReportRecorder::Reports() = RecordedReports{};
  char sink[80] = "";
  SetColourMessageSink(sink, sizeof sink);
  xyY_to_XYZ(xyz, 0.3f, 0.0f, 1.0f);
  SetColourMessageSink(nullptr, 0);
  EXPECT_STREQ(sink, "XYZ_to_xyY: y = 0.000000");
  EXPECT_EQ(ReportRecorder::NewestText(), "");
  DebugMessagesOn = 0;
  xyY_to_XYZ(xyz, 0.3f, 0.0f, 1.0f);
  EXPECT_EQ(ReportRecorder::NewestText(), "") << "silent without debug messages";
}

TEST(WhiteBalance, ASettingWithoutAWhiteKeepsThePreviousMultipliers) {
  WhiteBalance = WhiteBalanceState{};
  EXPECT_EQ(WhiteBalance.multipliers[0], 1.0f) << "1.0 at start";
  // Settings whose daylight white cannot be made: T = 0 and a y below 0.001.
  for (int setting : {0, 10}) {
    WhiteBalance.setting = setting;
    ColourTemperatureToRgb();
    for (float m : WhiteBalance.multipliers) EXPECT_EQ(m, 1.0f) << setting;
  }
  WhiteBalance.setting = 40;  // 4000 K: reddish white, blue boosted
  ColourTemperatureToRgb();
  const WhiteBalanceState warm = WhiteBalance;
  EXPECT_EQ(warm.whiteColour[0], 255);
  EXPECT_LT(warm.whiteColour[2], warm.whiteColour[0]);
  EXPECT_GT(warm.multipliers[2], warm.multipliers[0]);
  for (float m : warm.multipliers) EXPECT_TRUE(std::isfinite(m) && m > 0);
  WhiteBalance.setting = 0;
  ColourTemperatureToRgb();
  EXPECT_EQ(std::memcmp(WhiteBalance.multipliers, warm.multipliers, sizeof warm.multipliers), 0);
  EXPECT_EQ(std::memcmp(WhiteBalance.multiplierBytes, warm.multiplierBytes, 3), 0);

  WhiteBalance.setting = 65;  // about D65: a nearly neutral white
  ColourTemperatureToRgb();
  for (float m : WhiteBalance.multipliers) EXPECT_NEAR(m, 1.0f, 0.06f);
  WhiteBalance = WhiteBalanceState{};
}

TEST(WhiteBalance, AutomaticBalanceFollowsTheSunButNeverBelow4200K) {
  WhiteBalance = WhiteBalanceState{};
  WhiteBalance.sunKelvin = 3000.0f;
  AutoWhiteBalance();
  EXPECT_EQ(WhiteBalance.setting, 51);  // (3000 + 7100) / 2 = 5050 K
  WhiteBalance.sunKelvin = 0.0f;
  AutoWhiteBalance();
  EXPECT_EQ(WhiteBalance.setting, 42);
  WhiteBalance.sunKelvin = 60000.0f;  // (60000 + 7100) / 2 = 33550 K: past the setting's 255
  AutoWhiteBalance();
  EXPECT_EQ(WhiteBalance.setting, 255);
  WhiteBalance = WhiteBalanceState{};
}

TEST(SunDisc, TheVisiblePartOfTheDiscLightsAtTheHorizon) {
  const float high[3] = {0.6f, 0.0f, 0.8f};
  SunVisibility v = SunDiscVisibility(high);
  EXPECT_EQ(v.fraction, 1.0f);
  EXPECT_EQ(v.sunSet, 0);
  EXPECT_EQ(v.direction[2], 0.8f);

  const float halfSet[3] = {1.0f, 0.0f, 0.0f};
  v = SunDiscVisibility(halfSet);
  EXPECT_FLOAT_EQ(v.fraction, 0.5f);
  EXPECT_NEAR(v.direction[2], 0.5f * SUN_ANGULAR_RADIUS, 1e-6f);
  EXPECT_NEAR(std::hypot(v.direction[0], v.direction[2]), 1.0f, 1e-6f);

  const float set[3] = {0.0f, 0.6f, -0.8f};
  v = SunDiscVisibility(set);
  EXPECT_EQ(v.sunSet, 1);
  EXPECT_EQ(v.fraction, 0.0f);
  EXPECT_EQ(v.direction[1], 1.0f);
  EXPECT_EQ(v.direction[2], 0.0f);

  const float nadir[3] = {0.0f, 0.0f, -1.0f};
  v = SunDiscVisibility(nadir);
  EXPECT_EQ(v.sunSet, 1);
  for (float d : v.direction) EXPECT_EQ(d, 0.0f) << "no heading: no direction, and no division by zero";
}

// The disc's edges: a sun exactly its angular radius up is whole (its direction kept as
// given), exactly its radius down is just set but not gone (fraction 0, still a direction
// on the horizon).  Half set at a heading off both axes, the direction is (x, y, r/2) made
// unit, worked out here in doubles.
TEST(SunDisc, TheDiscsEdgesAndAHalfSetSunOffTheAxes) {
  const float r = SUN_ANGULAR_RADIUS;
  const float up[3] = {0.6f, 0.0f, r};
  SunVisibility v = SunDiscVisibility(up);
  EXPECT_EQ(v.fraction, 1.0f);
  EXPECT_EQ(v.sunSet, 0);
  EXPECT_EQ(v.direction[0], 0.6f) << "kept as given, not made unit";
  EXPECT_EQ(v.direction[2], r);

  const float down[3] = {0.6f, 0.8f, -r};
  v = SunDiscVisibility(down);
  EXPECT_EQ(v.sunSet, 0);
  EXPECT_EQ(v.fraction, 0.0f);
  EXPECT_NEAR(v.direction[0], 0.6f, 1e-6f);
  EXPECT_NEAR(v.direction[1], 0.8f, 1e-6f);
  EXPECT_NEAR(v.direction[2], 0.0f, 1e-6f);

  const float half[3] = {0.6f, 0.8f, 0.0f};
  v = SunDiscVisibility(half);
  EXPECT_FLOAT_EQ(v.fraction, 0.5f);
  const double z = 0.5 * double(r), length = std::sqrt(0.36 + 0.64 + z * z);
  EXPECT_NEAR(v.direction[0], 0.6 / length, 1e-6);
  EXPECT_NEAR(v.direction[1], 0.8 / length, 1e-6);
  EXPECT_NEAR(v.direction[2], z / length, 1e-7);
}

}  // namespace
