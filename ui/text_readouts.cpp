// text_readouts.cpp - dashboard readouts in the dashboard digit glyphs.
#include "ui/text_readouts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/character_set.h"
#include "ui/code_pages.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

namespace {

constexpr int DASHBOARD_SHIFT = 96;

ReadoutText Shifted(const char* format, float value, const char* unit) {
  ReadoutText t{};
  std::snprintf(t.number, sizeof t.number, format, static_cast<double>(value));
  for (char* c = t.number; *c; ++c) *c = static_cast<char>(static_cast<unsigned char>(*c) + DASHBOARD_SHIFT);
  t.unit = unit;
  return t;
}

// The raw dashboard codes right-aligned at rightX: glyph = code - 32, unkerned.
void DrawRawCodes(const char* codes, float rightX, float y, float size, uint32_t colour) {
  float width = 0.0f;
  for (const char* c = codes; *c; ++c)
    width += (CharMetrics[static_cast<unsigned char>(*c) - FIRST_CODE].width + LetterSpacing) * size;
  float x = rightX - width;
  for (const char* c = codes; *c; ++c) {
    const int glyph = static_cast<unsigned char>(*c) - FIRST_CODE;
    QueueGlyph(glyph, x, y, size, colour);
    x += (CharMetrics[glyph].width + LetterSpacing) * size;
  }
}

void DrawReadout(const ReadoutText& t, float rightX, float y, uint32_t colour) {
  DrawRawCodes(t.number, rightX, y, READOUT_SIZE, colour);
  const float unitSize = READOUT_SIZE * READOUT_UNIT_SIZE;
  const float savedFactor = TextSizeFactor;
  TextSizeFactor = 1.0f;
  DrawText(t.unit, colour, rightX - TextWidth(t.unit, 0, unitSize), y + READOUT_SIZE, unitSize, 0);
  TextSizeFactor = savedFactor;
}

}  // namespace

ReadoutText SpeedReadoutText(float speedMetresPerSecond, int milesPerHour) {
  const float value = speedMetresPerSecond * (milesPerHour ? 2.237f : 3.6f);
  return Shifted("%.0f", std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 999.0f), milesPerHour ? "mph" : "km/h");
}

ReadoutText PressureReadoutText(float pressureBar, int psi) {
  if (std::isnan(pressureBar)) pressureBar = 0.0f;
  if (psi) return Shifted("%.1f", std::clamp(pressureBar * 14.7f, -99.9f, 99.9f), "psi");
  return Shifted("%.2f", std::clamp(pressureBar, -9.99f, 9.99f), "bar");
}

void DrawReadoutInt(float speedMetresPerSecond, int milesPerHour, float rightX, float y, uint32_t colour) {
  DrawReadout(SpeedReadoutText(speedMetresPerSecond, milesPerHour), rightX, y, colour);
}

void DrawReadoutDec(float pressureBar, int psi, float rightX, float y, uint32_t colour) {
  DrawReadout(PressureReadoutText(pressureBar, psi), rightX, y, colour);
}
