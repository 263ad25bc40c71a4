// text_readouts.cpp - dashboard readouts in the dashboard digit glyphs.
#include "ui/text_readouts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/gfx.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/frame.h"
#include "render/material.h"
#include "render/render_target.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "text/code_pages.h"
#include "ui/character_set.h"
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

void DrawReadout(const ReadoutText& t, float rightX, float y, float size, uint32_t colour) {
  DrawRawCodes(t.number, rightX - RawCodesWidth(t.number, size), y, size, colour);
  const float unitSize = size * READOUT_UNIT_SIZE;
  const float savedFactor = TextSizeFactor;
  TextSizeFactor = 1.0f;
  DrawText(t.unit, colour, rightX - TextWidth(t.unit, 0, unitSize), y + size, unitSize, 0);
  TextSizeFactor = savedFactor;
}

}  // namespace

float RawCodesWidth(const char* codes, float size) {
  float width = 0.0f;
  for (const char* c = codes; c && *c; ++c) {
    const int code = static_cast<unsigned char>(*c);
    if (code >= FIRST_CODE) width += (CharMetrics[code - FIRST_CODE].width + LetterSpacing) * size;
  }
  return width;
}

void DrawRawCodes(const char* codes, float x, float y, float size, uint32_t colour) {
  for (const char* c = codes; c && *c; ++c) {
    const int code = static_cast<unsigned char>(*c);
    if (code < FIRST_CODE) continue;
    if (code > FIRST_CODE) QueueGlyph(code - FIRST_CODE, x, y, size, colour);  // a blank only moves on
    x += (CharMetrics[code - FIRST_CODE].width + LetterSpacing) * size;
  }
}

ReadoutText SpeedReadoutText(float speedMetresPerSecond, int milesPerHour) {
  const float value = speedMetresPerSecond * (milesPerHour ? 2.237f : 3.6f);
  return Shifted("%.0f", std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 999.0f), milesPerHour ? "mph" : "km/h");
}

ReadoutText PressureReadoutText(float pressureBar, int psi) {
  if (std::isnan(pressureBar)) pressureBar = 0.0f;
  if (psi) return Shifted("%.1f", std::clamp(pressureBar * 14.7f, -99.9f, 99.9f), "psi");
  return Shifted("%.2f", std::clamp(pressureBar, -9.99f, 9.99f), "bar");
}

void DrawReadoutInt(float speedMetresPerSecond, int milesPerHour, float x, float y, float width, float height,
                    uint32_t colour) {
  DrawReadout(SpeedReadoutText(speedMetresPerSecond, milesPerHour), x + width, y, height, colour);
}

void DrawReadoutDec(float pressureBar, int psi, float x, float y, float width, float height, uint32_t colour) {
  DrawReadout(PressureReadoutText(pressureBar, psi), x + width, y, height, colour);
}

void DrawInfoTex() {
  Material* panel = InfoPanelMaterial();  // made when first drawn into
  ZKTETexture* info = panel ? panel->texture : nullptr;
  if (!info || !info->texture) return;
  // The clock's widest text fills 90% of the panel's width.
  const float widest = TextWidth("000:00:00", 0, 1.0f);
  const float size = widest > 0.0f ? 1.8f / widest : 0.1f;
  uint32_t ms = 0;
  if (!GetRaceClockMs || !GetRaceClockMs(&ms)) ms = 0;
  int h, m, s;
  SplitClock(ms, &h, &m, &s);
  char text[16];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", h, m, s);
  if (!SetRenderTexture(info, 0, 0, 0)) return;
  const ScreenWindow savedWindow = RenderTargets.window;
  SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  Clear(0xFF000000u, 1);
  // A batch of its own: the interface's batch may already hold this frame's texts.
  static TextBatch clockBatch;
  TextBatch* const savedBatch = CurrentTextBatch;
  CurrentTextBatch = &clockBatch;
  DrawText(text, 0xFFFFFFFFu, -TextWidth(text, 0, size) / 2.0f, -size / 2.0f, size, 0);
  CurrentTextBatch = savedBatch;
  DrawTextBox(clockBatch);
  FlushDraw2D();
  ResetDraw2D();
  UnsetRenderTarget();
  RenderTargets.window = savedWindow;
  if (info->mipLevels > 1 && info->view) GfxGenerateMips(Gfx.context, info->view);
}
