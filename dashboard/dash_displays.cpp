// dash_displays.cpp - the formula display (type 3) and the steering-wheel displays (types 4
// to 6).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "dashboard/dash_draw_local.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "ui/text_readouts.h"

namespace {

constexpr float RPM_PER_RAD_S = 9.549296f;

// The LCD arc: its segments and, unless the style says "num", its figures.
void DrawLcdArc(const FormulaDashBlock& b, uint32_t colour, const DashCarState& s) {
  const LcdArc arc = MakeLcdArc(DashFlags(b.flags), b.arc, s.engineSpeed, s.maxEngineSpeed);
  if (arc.count <= 0) return;
  const float cx = DashPosition(b.tachometerX), cy = DashPosition(b.tachometerY);
  const float rx = DashSize(b.arc.radiusX), ry = DashSize(b.arc.radiusY);
  for (int j = 0; j <= arc.count; ++j) {
    const int phase = j % 4;
    const bool lit = LcdSegmentLit(arc, j);
    if (phase != 0 && !lit) continue;
    const float t = float(j) / float(arc.count);
    const float inner = 0.01f * (float(b.arc.innerAtStart) + (float(b.arc.innerAtEnd) - float(b.arc.innerAtStart)) * t);
    const float half = 0.5f * (phase == 1 || phase == 3 ? 0.6f : 0.2f) * arc.step;
    const float a = arc.start + float(j) * arc.step;
    float x[4], y[4];
    const float angles[4] = {a - half, a - half, a + half, a + half};
    const float radii[4] = {inner, 1.0f, 1.0f, inner};
    for (int k = 0; k < 4; ++k) {
      x[k] = cx + std::cos(angles[k]) * rx * radii[k];
      y[k] = cy - std::sin(angles[k]) * ry * radii[k];
    }
    FillQuad(colour, x, y);
    if (phase != 0 || (b.arc.style & 16)) continue;
    char figure[DASH_TEXT_SIZE];
    std::snprintf(figure, sizeof figure, "%d", j / 4 * arc.figureStep);
    ToDigitCodes(figure, LCD_SHIFT);
    const float size = 1.5f * DashSize(b.arc.figureSize), distance = 0.01f * float(b.arc.figureDistance);
    DrawCodesCentred(figure, cx + std::cos(a) * rx * distance, cy - std::sin(a) * ry * distance - 0.5f * size, size,
                     colour);
  }
}

void DrawLedRow(const FormulaDashBlock& b, const DashCarState& s) {
  const int n = b.row.count;
  const float d = DashSize(b.row.spacing), z = DashSize(b.row.size);
  const float cx = DashPosition(b.tachometerX), cy = DashPosition(b.tachometerY);
  const int lit = s.live ? LedRowLit(n, s.engineSpeed * RPM_PER_RAD_S, s.maxEngineSpeed * RPM_PER_RAD_S) : 0;
  for (int i = 0; i < n; ++i)
    FillLamp(i < lit ? ArgbOf(DASH_LAMP_RED) : ArgbOf(DASH_LAMP_OFF), cx - float(n - 1) * d / 2.0f + float(i) * d, cy, z);
}

}  // namespace

void DrawFormulaDash(const DashFrame& f) {
  const DashCarState& s = *f.state;
  const FormulaDashBlock b = ReadFormulaBlock(s.block);
  const uint32_t flags = DashFlags(b.flags);
  const uint32_t lcd = flags & DASH_COLOURS_SET ? ArgbOf(b.text, b.text.fourth) : WithAlpha(DASH_BLACK, 208);
  const bool ownBacking = flags & DASH_COLOURS_SET;
  const bool blackBacking =
      s.backing != nullptr ||
      (ownBacking ? b.backing.red == 0 && b.backing.green == 0 && b.backing.blue == 0 : CfgCarDashColours[0] == 0);
  DrawBlackRectangle(b.blackRectangle, blackBacking);
  DrawBlockLamps(s);
  if (HasEngine(s)) {
    if (flags & DASH_FORMULA_LED_TACHOMETER) DrawLedRow(b, s);
    else if (s.live) DrawLcdArc(b, lcd, s);
    const float x = DashPosition(b.gear.x), y = DashPosition(b.gear.y), h = DashSize(b.gear.height);
    if (flags & DASH_FORMULA_LED_GEAR) {
      DrawGear(f, f.ledColour, x, y, h);
    } else if (s.live) {
      const char gear[2] = {char(GearGlyph(s.gearIndex)), 0};
      DrawRawCodes(gear, x, y, h, f.ledColour);
    }
  }
  if (!s.live) return;
  if (HasEngine(s) && FuelLineShown(s)) {
    const float h = DashSize(b.display.height);
    const float x = DashPosition(b.display.x), y = DashPosition(b.display.y);
    char fuel[DASH_TEXT_SIZE];
    FormatFuelLine(s, fuel);
    DrawFixedPitch(fuel, lcd, h, 1.2f * h, x, y);
    if (!s.remote) DrawFixedPitch(LiveSettingLine(s), lcd, h, 1.2f * h, x, y + 1.2f * h);
  }
  DrawReadoutInt(s.speed, !DashUnits.kmh, DashPosition(b.speedometer.x), DashPosition(b.speedometer.y),
                 DashSize(b.speedometer.width), DashSize(b.speedometer.height), lcd);
  if (s.turbo)
    DrawReadoutDec(s.boost, DashUnits.pressureUnit == 0, DashPosition(b.turbo.x), DashPosition(b.turbo.y),
                   DashSize(b.turbo.width), DashSize(b.turbo.height), lcd);
}

// ---- the steering-wheel displays ----

namespace {

constexpr float WHEEL_LAMP_HALF = 0.08f;
constexpr float WHEEL_LAMP_Y = -0.8f, WHEEL_SECOND_LAMP_Y = -0.6f;
constexpr float WHEEL_DIGIT_Y = -0.35f, WHEEL_DIGIT_HEIGHT = 0.22f;
constexpr float WHEEL_GEAR_Y = -0.45f, WHEEL_GEAR_HEIGHT = 0.34f;
constexpr float WHEEL_TEXT_Y = 0.2f, WHEEL_TEXT_HEIGHT = 0.15f;

void WheelLamp(float x, float y, uint32_t colour) {
  for (float side : {-1.0f, 1.0f}) FillRect(colour, side * x - WHEEL_LAMP_HALF, y - WHEEL_LAMP_HALF, side * x + WHEEL_LAMP_HALF, y + WHEEL_LAMP_HALF);
}

void DrawLcdReadout(const char* unlit, const char* lit, float centreX, float y, float h, uint32_t colour, bool live) {
  char codes[DASH_TEXT_SIZE];
  std::snprintf(codes, sizeof codes, "%s", unlit);
  ToDigitCodes(codes, LCD_SHIFT);
  const float left = centreX - 0.5f * RawCodesWidth(codes, h);
  DrawRawCodes(codes, left, y, h, WithAlpha(colour, UNLIT_ALPHA));
  if (!live) return;
  std::snprintf(codes, sizeof codes, "%s", lit);
  ToDigitCodes(codes, LCD_SHIFT);
  DrawRawCodes(codes, left, y, h, colour);
}

}  // namespace

void DrawWheelDash(const DashFrame& f) {
  const DashCarState& s = *f.state;
  const float savedWidth = TextHorizontalScale;
  TextHorizontalScale = 0.85f;
  const int stage = ShiftStage(s);
  const uint32_t off = ArgbOf(DASH_LAMP_OFF), red = ArgbOf(DASH_LAMP_RED);
  WheelLamp(0.85f, WHEEL_LAMP_Y, s.live && (s.lampWord & 1u << DASH_LAMP_SHIFT) ? red : off);
  WheelLamp(0.85f, WHEEL_SECOND_LAMP_Y, s.live && (s.lampWord & 1u << DASH_LAMP_HANDBRAKE) ? red : off);
  WheelLamp(0.2f, WHEEL_LAMP_Y, stage >= 1 ? Argb(30, 200, 30) : off);
  WheelLamp(0.32f, WHEEL_LAMP_Y, stage >= 2 ? Argb(200, 200, 30) : off);
  WheelLamp(0.44f, WHEEL_LAMP_Y, stage >= 3 ? Argb(230, 120, 30) : off);
  WheelLamp(0.56f, WHEEL_LAMP_Y, stage >= 4 ? red : off);
  DrawGear(f, f.ledColour, -0.5f * RawCodesWidth("\x98", WHEEL_GEAR_HEIGHT), WHEEL_GEAR_Y, WHEEL_GEAR_HEIGHT);
  char speed[DASH_TEXT_SIZE], timer[DASH_TEXT_SIZE];
  FormatWheelSpeed(s.speed, f.speedFactor, speed);
  FormatWheelTimer(s.race.lapTimingValid, s.race.timingValue, timer);
  DrawLcdReadout("888.8", speed, 0.45f, WHEEL_DIGIT_Y, WHEEL_DIGIT_HEIGHT, f.ledColour, s.live);
  DrawLcdReadout("88.88", timer, -0.45f, WHEEL_DIGIT_Y, WHEEL_DIGIT_HEIGHT, f.ledColour, s.live);
  if (s.live) {
    const float g = GLYPH_BOX_HEIGHT;
    const float pitch = (1.5f - 16.0f * 0.135f * g) / 15.0f + 0.135f * g;
    char fuel[DASH_TEXT_SIZE];
    FormatFuelLine(s, fuel);
    if (FuelLineShown(s)) DrawFixedPitch(fuel, GaugeTextColour, WHEEL_TEXT_HEIGHT, pitch, -0.75f, WHEEL_TEXT_Y);
    DrawFixedPitch(LiveSettingLine(s), GaugeTextColour, WHEEL_TEXT_HEIGHT, pitch, -0.75f, WHEEL_TEXT_Y + 0.2f);
  }
  TextHorizontalScale = savedWidth;
}

void DrawBatteryDash(const DashFrame& f) {
  const DashCarState& s = *f.state;
  const float savedWidth = TextHorizontalScale;
  TextHorizontalScale = 0.62f;
  if (HasEngine(s)) {
    const int lit = BatteryLedsLit(s);
    for (int i = 0; i < 9; ++i) {
      uint32_t colour = ArgbOf(DASH_LAMP_OFF);
      if (i < lit) colour = i < 2 ? Argb(48, 255, 48) : i < 4 ? Argb(255, 192, 48) : ArgbOf(DASH_LAMP_RED);
      FillLamp(colour, float(i - 4) * 0.12f - 0.01f, -0.9f, 0.07f);
    }
  }
  DrawGear(f, ArgbOf(DASH_LAMP_RED), -0.79f - 0.5f * RawCodesWidth("\x98", 0.61f), -0.35f, 0.61f);
  FillRect(ArgbOfWord(CfgCarDashColours[3]), -0.48f, -0.74f, 0.48f, -0.38f);
  if (!s.live) {
    TextHorizontalScale = savedWidth;
    return;
  }
  const float g = GLYPH_BOX_HEIGHT;
  const float pitch = (0.86f - 16.0f * 0.0864f * g) / 15.0f + 0.0864f * g;
  char line[DASH_TEXT_SIZE + 16];
  const float speed = std::clamp(s.speed * f.speedFactor, 0.0f, 999.0f);
  std::snprintf(line, sizeof line, "%d     ", int(std::lround(std::isfinite(speed) ? speed : 0.0f)));
  if (FuelLineShown(s)) {
    const float share = s.capacity > 0.0f ? std::clamp(s.fuel * 100.0f / s.capacity, 0.0f, 99.9f) : 0.0f;
    std::snprintf(line + 6, sizeof line - 6, IsBatteryCar(s) ? "Batt %4.1f%%" : "Fuel %4.1f%%", double(share));
  }
  const uint32_t black = WithAlpha(DASH_BLACK, 240);
  DrawFixedPitch(line, black, 0.16f, pitch, -0.43f, -0.7f);
  DrawFixedPitch(LiveSettingLine(s), black, 0.16f, pitch, -0.43f, -0.55f);
}
