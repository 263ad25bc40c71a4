// tyre_setup_test.cpp - the tyre's physical figures from its sizes, against a
// double-precision transcription written here.
#include <gtest/gtest.h>

#include <cmath>

#include "wheel/wheel.h"

namespace {

struct TyreD {
  double R, profile, b, dmax, k, ct, kb, h, c7;
  double bounding, side, reach;  // 16.16 units, unrounded
};

TyreD SetupTyreD(double w, double aspect, double r, int compound, bool rounded, double extra) {
  const TyreCompound& c = TyreCompounds[compound];
  TyreD t = {};
  t.R = w * aspect + r;
  if (rounded) {
    t.b = w;
    t.profile = w / 2 * 1.4142;
  } else {
    const double crown = (t.R - 0.02 * w - (r + 0.018)) * 0.3, u = crown + 0.02 * w;
    t.profile = (u * u + w * w / 4) * 0.5 / u;
    t.b = (w / 2 - crown) * 2;
  }
  t.dmax = t.R - 0.03 * t.R - (r + 0.028);
  t.k = std::sqrt((1.03 - 0.004 * aspect) * w * 2 * t.R) * 0.00028 * 9810;
  t.ct = w * 250 / std::max(t.dmax, 0.01);
  t.kb = (1 - double(c.c1)) * c.c2 / c.c0 / 3 * (t.b * 1e6);
  t.h = c.rollingHeat;
  t.c7 = c.c7;
  t.bounding = std::sqrt(t.R * t.R + (w / 2 + extra) * (w / 2 + extra)) * 65536;
  t.side = w * 32768 / std::tan(0.5235987901687622);
  t.reach = t.side + t.R * 65536;
  return t;
}

SuspensionBlock Block(float w, float aspect, float r, uint8_t compound) {
  SuspensionBlock set = {};
  set.sectionWidth = w;
  set.aspectRatio = aspect;
  set.rimRadius = r;
  set.compoundIndex = compound;
  return set;
}

TEST(TyreSetup, TwentyCentimetresOnAHalfProfileAndAForty) {
  SuspensionBlock set = Block(0.2f, 0.5f, 0.2f, 5);
  SetupTyre(set, 0, 0.0f);
  EXPECT_NEAR(set.rollingRadius, 0.3f, 1e-7);
  EXPECT_NEAR(set.maxDeflection, 0.063f, 1e-7);  // 0.3 - 0.009 - 0.228
  EXPECT_EQ(set.radialStiffnessAtZero, 33844.5f);
  EXPECT_EQ(set.treadStiffnessAtZero, 16922.25f);
}

TEST(TyreSetup, MatchesTheTranscriptionForSizesCompoundsAndProfiles) {
  const float sizes[][3] = {
      {0.2f, 0.5f, 0.2f}, {0.315f, 0.3f, 0.229f}, {0.125f, 0.8f, 0.15f}, {0.09f, 0.9f, 0.3f}, {0.27f, 0.25f, 0.254f}};
  for (const auto& s : sizes)
    for (uint8_t compound = 0; compound < TYRE_COMPOUND_COUNT; ++compound)
      for (int rounded = 0; rounded < 2; ++rounded) {
        SuspensionBlock set = Block(s[0], s[1], s[2], compound);
        SetupTyre(set, rounded, 0.03f);
        const TyreD d = SetupTyreD(s[0], s[1], s[2], compound, rounded, 0.03f);
        const double rel = 2e-6;
        EXPECT_EQ(set.roundedProfile, rounded);
        EXPECT_NEAR(set.rollingRadius, d.R, d.R * rel);
        EXPECT_NEAR(set.profileRadius, d.profile, d.profile * 1e-5);
        EXPECT_NEAR(set.treadContactWidth, d.b, 1e-6);
        EXPECT_NEAR(set.maxDeflection, d.dmax, 1e-6);
        EXPECT_NEAR(set.radialStiffnessSlope, d.k, d.k * rel);
        EXPECT_NEAR(set.treadStiffnessSlope, d.k / 2, d.k * rel);
        EXPECT_NEAR(set.treadDamping, d.ct, d.ct * 1e-5);
        EXPECT_NEAR(set.brushStiffness, d.kb, d.kb * 1e-5);
        EXPECT_EQ(set.rollingHeat, TyreCompounds[compound].rollingHeat);
        EXPECT_EQ(set.compoundLast, TyreCompounds[compound].c7);
        EXPECT_NEAR(set.boundingRadius, d.bounding, 1.0);
        EXPECT_NEAR(set.sideDistance, d.side, 1.0);
        EXPECT_NEAR(set.reachDistance, d.reach, 2.0);
      }
}

TEST(TyreSetup, RoundProfileAndCompoundStiffness) {
  SuspensionBlock round = Block(0.12f, 0.7f, 0.22f, 7);
  SetupTyre(round, 1, 0.0f);
  EXPECT_EQ(round.treadContactWidth, 0.12f);
  EXPECT_NEAR(round.profileRadius, 0.12f * 0.7071f, 1e-6);

  // A compound with c1 = 0.35 gets 0.65 of the brush stiffness it would have with c1 = 0.
  for (uint8_t compound = 4; compound < TYRE_COMPOUND_COUNT; ++compound) {
    SuspensionBlock set = Block(0.2f, 0.5f, 0.2f, compound);
    SetupTyre(set, 0, 0.0f);
    const TyreCompound& c = TyreCompounds[compound];
    EXPECT_EQ(c.c1, 0.35f);
    const double withoutC1 = double(c.c2) / c.c0 / 3 * (double(set.treadContactWidth) * 1e6);
    EXPECT_NEAR(set.brushStiffness / withoutC1, 0.65, 1e-6);
  }
}

TEST(TyreSetup, ANarrowLowProfileTyreGetsFlooredDamping) {
  // 0.1 m at aspect 0.25 has no sidewall: dmax below 0.  Its damping comes from the 0.01 m
  // floor, positive and gentle enough for the explicit 1 ms step of its own wheel.
  SuspensionBlock set = Block(0.1f, 0.25f, 0.15f, 5);
  SetupTyre(set, 0, 0.0f);
  EXPECT_LT(set.maxDeflection, 0.0f);
  EXPECT_NEAR(set.treadDamping, 0.1f * 250.0f / 0.01f, 1e-2);
  const float R = set.rollingRadius;
  const float wheelMass = (R * 6.2831855f * 0.1f + R * R * 6.2831855f + 0.15f * 6.2831855f * 0.1f) * 12.0f;
  EXPECT_LT(set.treadDamping * 0.001f / wheelMass, 1.0f);
}

}  // namespace
