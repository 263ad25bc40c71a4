// contrast_test.cpp - luminance and contrast ratios worked by hand from the sRGB curve and the
// ratio's definition, and the least backing alpha that lets a text stand out over black and
// white scenes or a plain page.
#include <gtest/gtest.h>

#include <cstdint>

#include "ui/contrast.h"

namespace {

constexpr uint32_t BLACK = 0x000000u, WHITE = 0xFFFFFFu;

TEST(Contrast, LuminanceWeighsRedGreenAndBlueByTheirShares) {
  EXPECT_DOUBLE_EQ(ColourLuminance(BLACK), 0.0);
  EXPECT_NEAR(ColourLuminance(WHITE), 1.0, 1e-12);
  EXPECT_NEAR(ColourLuminance(0xFF0000u), 0.2126, 1e-12);
  EXPECT_NEAR(ColourLuminance(0x00FF00u), 0.7152, 1e-12);
  EXPECT_NEAR(ColourLuminance(0x0000FFu), 0.0722, 1e-12);
  // The curve's straight foot: 10 / 255 = 0.0392 lies under 0.03928, so 10 / 255 / 12.92.
  EXPECT_NEAR(ColourLuminance(0x000A00u), 0.7152 * 10.0 / 255.0 / 12.92, 1e-12);
  // Above it the power: ((128 / 255 + 0.055) / 1.055) ^ 2.4 = 0.2158605.
  EXPECT_NEAR(ColourLuminance(0x808080u), 0.2158605, 1e-6);
}

TEST(Contrast, TheRatioTakesTheLighterOverTheDarkerEitherWayRound) {
  EXPECT_NEAR(LuminanceContrast(0.0, 1.0), 21.0, 1e-9);  // 1.05 / 0.05
  EXPECT_NEAR(LuminanceContrast(1.0, 0.0), 21.0, 1e-9);
  EXPECT_NEAR(LuminanceContrast(0.2, 0.45), 2.0, 1e-9);  // 0.5 / 0.25
  EXPECT_NEAR(ColourContrast(WHITE, BLACK), 21.0, 1e-9);
  EXPECT_NEAR(ColourContrast(0xFF0000u, 0xFF0000u), 1.0, 1e-12);
}

TEST(Contrast, LayersBlendOverTheSceneBottomFirst) {
  const uint32_t halfWhite = 0x80FFFFFFu, opaqueBlack = 0xFF000000u;
  EXPECT_NEAR(LayersLuminance(0.0, &halfWhite, 1), 128.0 / 255.0, 1e-12);
  EXPECT_NEAR(LayersLuminance(1.0, &halfWhite, 0), 1.0, 1e-12) << "no layers: the scene";
  const uint32_t both[2] = {opaqueBlack, halfWhite};
  EXPECT_NEAR(LayersLuminance(1.0, both, 2), 128.0 / 255.0, 1e-12) << "black covers the scene, then half white";
  const uint32_t reversed[2] = {halfWhite, opaqueBlack};
  EXPECT_NEAR(LayersLuminance(1.0, reversed, 2), 0.0, 1e-12);
}

TEST(Contrast, TheWorstSceneIsBlackOrWhiteUnlessAPlainPageIsGiven) {
  // White ink with nothing under it: 21 over black, 1 over white.
  EXPECT_NEAR(WorstContrast(0xFFFFFFFFu, nullptr, 0), 1.0, 1e-12);
  EXPECT_NEAR(WorstContrast(0xFFFFFFFFu, nullptr, 0, 0xFF000000u), 21.0, 1e-9) << "a black page";
  EXPECT_NEAR(WorstContrast(0xFFFFFFFFu, nullptr, 0, 0x00000000u), 1.0, 1e-12) << "no page: both scenes";
  EXPECT_NEAR(WorstContrast(0xFF000000u, nullptr, 0), 1.0, 1e-12) << "black ink: 1 over black, 21 over white";
  const uint32_t opaqueBlack = 0xFF000000u;
  EXPECT_NEAR(WorstContrast(0xFFFFFFFFu, &opaqueBlack, 1), 21.0, 1e-9) << "an opaque backing hides both";
}

TEST(Contrast, TheLeastAlphaOfABackingThatReachesTheAim) {
  // White ink over black at alpha a, over a white scene: 1.05 / (1 - a + 0.05) >= 4.8 wants
  // a >= 0.8313, alpha 212 (211 gives 4.718).
  EXPECT_EQ(AlphaToStandOut(0xFFFFFFFFu, nullptr, 0, BLACK, 0), 212);
  EXPECT_EQ(AlphaToStandOut(0xFFFFFFFFu, nullptr, 0, BLACK, 230), 230) << "from its own alpha up";
  EXPECT_EQ(AlphaToStandOut(0xFFFFFFFFu, nullptr, 0, BLACK, 300), 255) << "from no more than opaque";
  // White ink over black on a black page is always enough: from below zero, zero.
  EXPECT_EQ(AlphaToStandOut(0xFFFFFFFFu, nullptr, 0, BLACK, -10, 0xFF000000u), 0);
  // An aim of 20 wants 1 - a + 0.05 <= 0.0525: only opaque (254 gives 19.5).
  EXPECT_EQ(AlphaToStandOut(0xFFFFFFFFu, nullptr, 0, BLACK, 0, 0, 20.0), 255);
  EXPECT_EQ(AlphaToStandOut(0xFFFFFFFFu, nullptr, 0, WHITE, 0), -1) << "white on white never stands out";
  // Black ink over white, black scene: (a + 0.05) / 0.05 >= 4.8 wants a >= 0.19, alpha 49.
  EXPECT_EQ(AlphaToStandOut(0xFF000000u, nullptr, 0, WHITE, 0), 49);
}

TEST(Contrast, ABackingTooNearTheInkGivesWayToBlackOrWhite) {
  EXPECT_EQ(BackingToStandOut(0xFFFFFFFFu, nullptr, 0, 0xE0000000u), 0xE0000000u) << "enough as it is";
  EXPECT_EQ(BackingToStandOut(0xFFFFFFFFu, nullptr, 0, 0x10000000u), 0xD4000000u) << "its colour at alpha 212";
  EXPECT_EQ(BackingToStandOut(0xFFFFFFFFu, nullptr, 0, 0x40FFFFFFu), 0xD4000000u) << "white ink: black instead";
  EXPECT_EQ(BackingToStandOut(0xFF000000u, nullptr, 0, 0x40000000u), 0x31FFFFFFu) << "black ink: white at 49";
  // On a black page a white backing under white ink never does, and black needs no alpha.
  EXPECT_EQ(BackingToStandOut(0xFFFFFFFFu, nullptr, 0, 0x80FFFFFFu, 0xFF000000u), 0x00000000u);
  // Ink of luminance 0.1788 reaches 4.576 over black and 4.589 over white: neither is
  // enough, so the further one (white) opaque.
  EXPECT_EQ(BackingToStandOut(0xFF767576u, nullptr, 0, 0x40767576u), 0xFFFFFFFFu);
}

// A backing reaching the aim exactly is enough: white ink on a black page stands out by
// exactly 21 (1.05 / 0.05) with no backing at all.
TEST(Contrast, AContrastExactlyAtTheAimIsEnough) {
  EXPECT_EQ(AlphaToStandOut(0xFFFFFFFFu, nullptr, 0, BLACK, 0, 0xFF000000u, 21.0), 0);
}

// A backing whose own alpha is already enough keeps its colour, even at alpha 0: white ink on
// a black page needs none, so a see-through dark blue stays dark blue.
TEST(Contrast, ABackingEnoughAtAlphaZeroKeepsItsColour) {
  EXPECT_EQ(BackingToStandOut(0xFFFFFFFFu, nullptr, 0, 0x00123456u, 0xFF000000u), 0x00123456u);
}

}  // namespace
