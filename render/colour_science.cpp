// colour_science.cpp - chromaticity, colour temperature, white balance and the sun's disc.
#include "render/colour_science.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "core/report.h"
#include "text/messages.h"  // DebugMessagesOn

const float RgbToXyz[3][3] = {
    {0.4124564f, 0.3575761f, 0.1804375f},
    {0.2126729f, 0.7151522f, 0.0721750f},
    {0.0193339f, 0.1191920f, 0.9503041f},
};
const float XyzToRgb[3][3] = {
    {3.2404542f, -1.5371385f, -0.4985314f},
    {-0.9692660f, 1.8760108f, 0.0415560f},
    {0.0556434f, -0.2040259f, 1.0572252f},
};

WhiteBalanceState WhiteBalance;

namespace {

thread_local char* g_sink;
thread_local int g_sinkSize;

void DebugText(const char* format, double value) {
  if (!DebugMessagesOn) return;
  char text[80];
  std::snprintf(text, sizeof text, format, value);
  if (g_sink) std::snprintf(g_sink, size_t(g_sinkSize), "%s", text);
  else ReportLine(text, REPORT_GREY);
}

// For ColourToRgb8: negative and non-finite channels count as 0.
float Usable(float v) { return std::isfinite(v) && v > 0.0f ? v : 0.0f; }

}  // namespace

void MultiplyColourMatrix(const float m[3][3], const float in[3], float out[3]) {
  for (int r = 0; r < 3; ++r) out[r] = m[r][0] * in[0] + m[r][1] * in[1] + m[r][2] * in[2];
}

// ---- [Conversions] ----

void SetColourMessageSink(char* buffer, int size) {
  g_sink = size > 0 ? buffer : nullptr;
  g_sinkSize = size;
}

void xyY_to_XYZ(float out[3], float x, float y, float Y) {
  if (y < 0.001f) {
    DebugText("XYZ_to_xyY: y = %.6f", y);
    out[0] = out[1] = out[2] = 0.0f;
    return;
  }
  out[0] = x * Y / y;
  out[1] = Y;
  out[2] = (1.0f - x - y) * Y / y;
}

void ColourToRgb8(const float rgb[3], uint8_t out[3]) {
  const float c[3] = {Usable(rgb[0]), Usable(rgb[1]), Usable(rgb[2])};
  const float m = std::max({c[0], c[1], c[2]});
  const float k = m > 0.001f ? 1.0f / m : 0.0f;
  for (int i = 0; i < 3; ++i) out[i] = uint8_t(std::lround(std::pow(c[i] * k, 0.45454544f) * 255.0f));
}

// ---- [Colour temperature] ----

void KelvinToChromaticity(float* x, float* y, float kelvin) {
  const float u = 1.0f / (kelvin * 0.001f);
  const float u2 = u * u, u3 = u2 * u;
  const float cx = kelvin <= 4000.0f ? -0.2661239f * u3 - 0.2343589f * u2 + 0.8776956f * u + 0.17991f
                                     : -3.025847f * u3 + 2.1070378f * u2 + 0.2226347f * u + 0.24039f;
  const float x2 = cx * cx, x3 = x2 * cx;
  float cy;
  if (kelvin < 2222.0f) cy = -1.1063814f * x3 - 1.3481102f * x2 + 2.1855583f * cx - 0.20219684f;
  else if (kelvin < 4000.0f) cy = -0.9549476f * x3 - 1.3741859f * x2 + 2.09137f * cx - 0.16748866f;
  else cy = 3.081758f * x3 - 5.873387f * x2 + 3.7511299f * cx - 0.37001482f;
  *x = cx;
  *y = cy;
}

float KelvinFromChromacity(const float rgb[3]) {
  float xyz[3];
  MultiplyColourMatrix(RgbToXyz, rgb, xyz);
  const float s = xyz[0] + xyz[1] + xyz[2];
  float x = 0.31271f, y = 0.31271f;
  if (s < 0.001f) {
    DebugText("XYZ_to_xyY: sum = %.6f", s);
  } else {
    x = xyz[0] / s;
    y = xyz[1] / s;
  }
  const float d = y - 0.1858f;
  if (std::fabs(d) < 0.001f) {
    DebugText("KelvinFromChromacity: denominator = %.6f", d);
    return 0.0f;
  }
  const float n = (x - 0.332f) / d;
  return -449.0f * n * n * n + 3525.0f * n * n - 6823.3f * n + 5520.33f;
}

// ---- [White balance] ----

void ColourTemperatureToRgb() {
  WhiteBalanceState& w = WhiteBalance;
  const float kelvin = float(w.setting) * 100.0f;
  const float u = 1.0f / (kelvin * 0.001f);
  const float u2 = u * u, u3 = u2 * u;
  const float x = kelvin <= 7000.0f ? -4.607f * u3 + 2.9678f * u2 + 0.09911f * u + 0.244063f
                                    : -2.0064f * u3 + 1.9018f * u2 + 0.24748f * u + 0.23704f;
  const float y = -3.0f * x * x + 2.87f * x - 0.275f;
  float xyz[3], rgb[3];
  xyY_to_XYZ(xyz, x, y, 1.0f);
  MultiplyColourMatrix(XyzToRgb, xyz, rgb);
  ColourToRgb8(rgb, w.whiteColour);
  for (float c : rgb)
    if (!std::isfinite(c) || c <= 0.0f) return;  // no white to balance by: keep the multipliers
  for (int c = 0; c < 3; ++c) w.multipliers[c] = 1.0f / rgb[c];
  ColourToRgb8(w.multipliers, w.multiplierBytes);
}

void AutoWhiteBalance() {
  const float kelvin = std::max(4200.0f, (WhiteBalance.sunKelvin + 7100.0f) * 0.5f);
  WhiteBalance.setting = std::clamp(int(std::lround(kelvin * 0.01f)), 0, 255);
  ColourTemperatureToRgb();
}

// ---- [Sun disc] ----

SunVisibility SunDiscVisibility(const float sun[3]) {
  SunVisibility v{{sun[0], sun[1], sun[2]}, 1.0f, 0};
  const float x = sun[0], y = sun[1], z = sun[2];
  if (z >= SUN_ANGULAR_RADIUS) return v;
  if (z >= -SUN_ANGULAR_RADIUS) {
    const float f = (z + SUN_ANGULAR_RADIUS) / (2.0f * SUN_ANGULAR_RADIUS);
    const float d[3] = {x, y, f * SUN_ANGULAR_RADIUS};
    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (length > 0.0001f) {
      for (int i = 0; i < 3; ++i) v.direction[i] = d[i] / length;
      v.fraction = f;
      return v;
    }
  }
  const float h = std::sqrt(x * x + y * y);
  v.fraction = 0.0f;
  v.sunSet = 1;
  v.direction[0] = h > 0.0f ? x / h : 0.0f;
  v.direction[1] = h > 0.0f ? y / h : 0.0f;
  v.direction[2] = 0.0f;
  return v;
}
