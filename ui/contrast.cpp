// contrast.cpp - contrast ratios and the backings that reach them, worked in luminance: with
// blending in linear light, a blend's luminance is the blend of the luminances.
#include "ui/contrast.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

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

namespace {

// The shades of a colour by nearness: itself, then darker and lighter by a step each in turn,
// the lighter ones while at least half saturated (the largest channel's lead over the least is
// half the largest or more), so that every one keeps the colour's hue.
std::vector<uint32_t> ShadesOf(uint32_t rgb) {
  constexpr int STEPS = 32;
  std::vector<uint32_t> out{rgb & 0xFFFFFFu};
  for (int k = 1; k < STEPS; ++k) {
    uint32_t darker = 0, lighter = 0;
    int high = 0, low = 255;
    for (int shift = 0; shift < 24; shift += 8) {
      const int c = static_cast<int>(rgb >> shift & 0xFF);
      const int l = c + (255 - c) * k / STEPS;
      darker |= static_cast<uint32_t>(c * (STEPS - k) / STEPS) << shift;
      lighter |= static_cast<uint32_t>(l) << shift;
      high = std::max(high, l), low = std::min(low, l);
    }
    out.push_back(darker);
    if (2 * (high - low) >= high) out.push_back(lighter);
  }
  return out;
}

}  // namespace

uint32_t SpanToStandOut(uint32_t span, uint32_t ink, const uint32_t* layers, int layerCount, uint32_t* backing,
                        uint32_t scene, double aim) {
  *backing = 0;
  const uint32_t alpha = span & 0xFF000000u;
  const std::vector<uint32_t> shades = ShadesOf(span);
  auto apart = [&](uint32_t rgb) { return ColourContrast(rgb, ink & 0xFFFFFFu) >= SPAN_INK_CONTRAST_AIMED; };
  for (uint32_t rgb : shades)
    if (apart(rgb) && WorstContrast(rgb, layers, layerCount, scene) >= aim) return alpha | rgb;
  // No shade stands out there: the nearest apart from the ink, on a backing of its own.
  uint32_t kept = span & 0xFFFFFFu;
  for (uint32_t rgb : shades)
    if (apart(rgb)) {
      kept = rgb;
      break;
    }
  *backing = BackingToStandOut(kept, layers, layerCount, 0x00000000u, scene);
  return alpha | kept;
}

ColourWord TextColourOver(ColourWord face) {
  const auto rgb = [](ColourWord c) { return ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c); };
  const uint32_t f = rgb(face);
  return ColourContrast(rgb(TextColours.darkText), f) >= ColourContrast(rgb(TextColours.lightText), f)
             ? TextColours.darkText
             : TextColours.lightText;
}
