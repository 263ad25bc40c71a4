// contrast.cpp - contrast ratios and the backings that reach them, worked in luminance: with
// blending in linear light, a blend's luminance is the blend of the luminances.
#include "ui/contrast.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr uint32_t BLACK = 0x000000u, WHITE = 0xFFFFFFu;

const std::array<double, 256>& LinearTable() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (int i = 0; i < 256; ++i) {
      const double c = i / 255.0;
      t[size_t(i)] = c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    return t;
  }();
  return table;
}

// The scenes a backing is judged over: the plain page's colour, or black and white.
int Scenes(uint32_t scene, double out[2]) {
  if ((scene >> 24) == 0xFF) {
    out[0] = ColourLuminance(scene);
    return 1;
  }
  out[0] = 0.0;
  out[1] = 1.0;
  return 2;
}

}  // namespace

double ColourLuminance(uint32_t rgb) {
  const std::array<double, 256>& t = LinearTable();
  return 0.2126 * t[rgb >> 16 & 0xFF] + 0.7152 * t[rgb >> 8 & 0xFF] + 0.0722 * t[rgb & 0xFF];
}

double LuminanceContrast(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

double ColourContrast(uint32_t rgbA, uint32_t rgbB) { return LuminanceContrast(ColourLuminance(rgbA), ColourLuminance(rgbB)); }

double LayersLuminance(double sceneLuminance, const uint32_t* layers, int layerCount) {
  double l = sceneLuminance;
  for (int i = 0; i < layerCount; ++i) {
    const double alpha = static_cast<double>(layers[i] >> 24) / 255.0;
    l = alpha * ColourLuminance(layers[i]) + (1.0 - alpha) * l;
  }
  return l;
}

double WorstContrast(uint32_t ink, const uint32_t* layers, int layerCount, uint32_t scene) {
  double scenes[2];
  const int n = Scenes(scene, scenes);
  const double li = ColourLuminance(ink);
  double worst = 21.0;
  for (int s = 0; s < n; ++s) worst = std::min(worst, LuminanceContrast(li, LayersLuminance(scenes[s], layers, layerCount)));
  return worst;
}

int AlphaToStandOut(uint32_t ink, const uint32_t* under, int underCount, uint32_t rgb, int fromAlpha, uint32_t scene,
                    double aim) {
  double scenes[2];
  const int n = Scenes(scene, scenes);
  const double li = ColourLuminance(ink), lp = ColourLuminance(rgb);
  double lu[2];
  for (int s = 0; s < n; ++s) lu[s] = LayersLuminance(scenes[s], under, underCount);
  for (int alpha = std::clamp(fromAlpha, 0, 255); alpha <= 255; ++alpha) {
    const double a = alpha / 255.0;
    bool enough = true;
    for (int s = 0; s < n && enough; ++s) enough = LuminanceContrast(li, a * lp + (1.0 - a) * lu[s]) >= aim;
    if (enough) return alpha;
  }
  return -1;
}

uint32_t BackingToStandOut(uint32_t ink, const uint32_t* under, int underCount, uint32_t backing, uint32_t scene) {
  const int own = AlphaToStandOut(ink, under, underCount, backing, static_cast<int>(backing >> 24), scene);
  if (own >= 0) return static_cast<uint32_t>(own) << 24 | (backing & 0xFFFFFFu);
  // The backing's own colour is too near the ink: a light ink takes black, a dark one white.
  const uint32_t plain = ColourContrast(ink, BLACK) >= ColourContrast(ink, WHITE) ? BLACK : WHITE;
  const int alpha = AlphaToStandOut(ink, under, underCount, plain, 0, scene);
  return static_cast<uint32_t>(alpha < 0 ? 255 : alpha) << 24 | plain;
}

uint32_t SpanToStandOut(uint32_t span, uint32_t ink, const uint32_t* layers, int layerCount, uint32_t scene,
                        double aim) {
  if (WorstContrast(span, layers, layerCount, scene) >= aim) return span;
  constexpr int STEPS = 32;
  auto channel = [](uint32_t from, uint32_t to, int shift, int k) {
    const int a = static_cast<int>(from >> shift & 0xFF), b = static_cast<int>(to >> shift & 0xFF);
    return static_cast<uint32_t>(a + (b - a) * k / STEPS) << shift;
  };
  for (int k = 1; k < STEPS; ++k) {
    const uint32_t mixed = (span & 0xFF000000u) | channel(span, ink, 16, k) | channel(span, ink, 8, k) |
                           channel(span, ink, 0, k);
    if (WorstContrast(mixed, layers, layerCount, scene) >= aim) return mixed;
  }
  return (span & 0xFF000000u) | (ink & 0xFFFFFFu);
}

ColourWord TextColourOver(ColourWord face) {
  const auto rgb = [](ColourWord c) { return ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c); };
  const uint32_t f = rgb(face);
  return ColourContrast(rgb(TextColours.darkText), f) >= ColourContrast(rgb(TextColours.lightText), f)
             ? TextColours.darkText
             : TextColours.lightText;
}
