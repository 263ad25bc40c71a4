// dash_draw.cpp - the dashboard's frame, its shared shapes and the analog dashboards.
#include "dashboard/dash_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/gamma_tables.h"
#include "dashboard/dash_draw_local.h"
#include "physics/car.h"
#include "platform/clock.h"
#include "platform/gfx.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/kept_scene.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "ui/character_set.h"
#include "ui/number_gauge.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "ui/text_readouts.h"

namespace {

ZKTETexture* ClocksTexture() {
  Material* m = ClocksMaterial();
  return m ? m->texture : nullptr;
}

constexpr float DASH_TEXT_WIDTH_FACTOR = 0.8695652f;
constexpr int LAMP_SEGMENTS = 16;
constexpr float LAMP_SOLID = 0.8f;

TextBatch g_dashBatch;  // the dashboard's texts, drawn at the end of each type's routine

void OpenFills() {
  Draw2D& l = Draw2DList;
  if (!l.counters.batchOpen || l.batches[l.counters.batchCount].material != GetDefaultMaterial()) l.StartBatch(nullptr);
}

Material* BackingMaterial(ZKTETexture* texture) {
  if (!texture || !texture->texture) return nullptr;
  if (Material* found = FindMaterial(texture, 1, 0, 1, SolidParams(), GEN_TYPE_INTERFACE)) return found;
  return CreateMaterial(texture, 1, 0, 1, SolidParams(), GEN_TYPE_INTERFACE);
}

uint32_t DialTextColour(const DashCarState& s) {
  const uint32_t flags = DashFlags(s.block);
  if ((s.dashType == 1 || s.dashType == 2) && (flags & DASH_COLOURS_SET)) return ArgbOf(ReadAnalogBlock(s.block).text);
  switch (s.dashType) {
    case 2:
    case 3: return ArgbOfWord(CfgCarDashColours[1]);
    case 4:
    case 6: return ArgbOfWord(CfgSplitText);
    default: return ArgbOfWord(CfgClockText2);
  }
}

uint32_t NeedleColour(const DashCarState& s) {
  if ((s.dashType == 1 || s.dashType == 2) && (DashFlags(s.block) & DASH_COLOURS_SET))
    return ArgbOf(ReadAnalogBlock(s.block).needle);
  return ArgbOfWord(CfgClockNeedle2);
}

uint32_t LedColour(const DashCarState& s) {
  const uint32_t flags = DashFlags(s.block);
  if (s.dashType == 3) return flags & DASH_COLOURS_SET ? ArgbOf(ReadFormulaBlock(s.block).led) : ArgbOfWord(CfgRoadGearLed2);
  if (s.dashType >= 4) return ArgbOf(DASH_LAMP_RED);
  return flags & DASH_COLOURS_SET ? ArgbOf(ReadAnalogBlock(s.block).led) : ArgbOfWord(CfgRoadGearLed2);
}

void EnsureGaugeDefaults() {
  static bool done = false;
  if (!done) ResetDashDefaults();
  done = true;
}

}  // namespace

ZKTETexture* (*DashboardTarget)() = ClocksTexture;

uint32_t BackingColour(const DashCarState& s) {
  const uint32_t flags = DashFlags(s.block);
  switch (s.dashType) {
    case 1:
    case 2: {
      if (!(flags & DASH_COLOURS_SET)) return s.dashType == 1 ? DASH_BLACK : 0xFFFFFFFFu;
      return ArgbOf(ReadAnalogBlock(s.block).backing);
    }
    case 3:
      return flags & DASH_COLOURS_SET ? ArgbOf(ReadFormulaBlock(s.block).backing) : ArgbOfWord(CfgCarDashColours[0]);
    default:
      return DASH_BLACK;
  }
}


// ---- shapes ----

uint32_t ArgbOfWord(uint32_t colourWord) {
  return Argb(uint8_t(colourWord), uint8_t(colourWord >> 8), uint8_t(colourWord >> 16));
}

void FillQuad(uint32_t argb, const float x[4], const float y[4]) {
  OpenFills();
  Draw2D& l = Draw2DList;
  int v[4];
  for (int i = 0; i < 4; ++i) v[i] = l.AddVertex(argb, x[i], y[i], 0.0f, 0.0f);
  if (v[0] >= 0 && v[3] >= 0) l.AddQuad(v[0], v[1], v[2], v[3]);
}

void FillRect(uint32_t argb, float x0, float y0, float x1, float y1) {
  const float x[4] = {x0, x1, x1, x0}, y[4] = {y0, y0, y1, y1};
  FillQuad(argb, x, y);
}

void FillLamp(uint32_t argb, float x, float y, float s) {
  OpenFills();
  Draw2D& l = Draw2DList;
  const int centre = l.AddVertex(argb, x, y, 0.0f, 0.0f);
  int inner[LAMP_SEGMENTS], outer[LAMP_SEGMENTS];
  for (int i = 0; i < LAMP_SEGMENTS; ++i) {
    const float a = 6.2831855f * float(i) / LAMP_SEGMENTS;
    inner[i] = l.AddVertex(argb, x + std::cos(a) * s * LAMP_SOLID, y + std::sin(a) * s * LAMP_SOLID, 0.0f, 0.0f);
    outer[i] = l.AddVertex(argb & 0xFFFFFFu, x + std::cos(a) * s, y + std::sin(a) * s, 0.0f, 0.0f);
  }
  if (centre < 0) return;
  for (int i = 0; i < LAMP_SEGMENTS; ++i) {
    const int j = (i + 1) % LAMP_SEGMENTS;
    l.AddTriangle(centre, inner[i], inner[j]);
    l.AddQuad(inner[i], outer[i], outer[j], inner[j]);
  }
}

void DrawCodesCentred(const char* codes, float x, float y, float h, uint32_t argb) {
  DrawRawCodes(codes, x - 0.5f * RawCodesWidth(codes, h), y, h, argb);
}

void DrawFixedPitch(const char* text, uint32_t argb, float h, float pitch, float x, float y) {
  const float cell = h > 0.0f ? pitch / h : 0.0f;
  for (int k = 0; k < 16 && text[k]; ++k) {
    const int code = static_cast<unsigned char>(text[k]);
    if (code <= FIRST_CODE) continue;
    const float w = CharMetrics[code - FIRST_CODE].width + LetterSpacing;
    if (w <= cell || w <= 0.0f) QueueGlyph(code - FIRST_CODE, x + float(k) * pitch + 0.5f * (cell - w) * h, y, h, argb);
    else QueueGlyphNarrowed(code - FIRST_CODE, x + float(k) * pitch, y, h, cell / w, argb);
  }
}

void DrawBlockLamps(const DashCarState& s) {
  for (int n = 0; n < DASH_LAMPS; ++n) {
    if (!(s.lampMask & 1u << n)) continue;
    const DashLight light = DashLamp(s.block, n);
    const DashLampKind& kind = DASH_LAMP_KINDS[n];
    uint32_t colour = ArgbOf(DASH_LAMP_OFF);
    if (s.lampWord & 1u << n)
      colour = n == DASH_LAMP_ENGINE_DAMAGE && (s.lampWord & DASH_LAMP_ENGINE_DAMAGE_RED) ? ArgbOf(DASH_LAMP_RED)
                                                                                 : Argb(kind.red, kind.green, kind.blue);
    const float x = DashPosition(light.x), y = DashPosition(light.y), size = DashSize(light.size);
    if (light.symbol == 0) {
      FillLamp(colour, x, y, size);
    } else {
      const uint8_t code = light.symbol >= 2 && kind.symbols[1] ? kind.symbols[1] : kind.symbols[0];
      const char codes[2] = {char(code), 0};
      DrawCodesCentred(codes, x, y - size, 2.0f * size, colour);
    }
  }
}

void DrawBlackRectangle(const DashRect& r, int backingIsBlack) {
  if (backingIsBlack || r.width == 0 || r.height == 0) return;
  const float x = DashRectPosition(r.x), y = DashRectPosition(r.y);
  FillRect(DASH_BLACK, x, y, x + DashRectSize(r.width), y + DashRectSize(r.height));
}

void DrawGear(const DashFrame& f, uint32_t argb, float x, float y, float h) {
  DrawRawCodes("\x98", x, y, h, WithAlpha(argb, UNLIT_ALPHA));
  if (!f.state->live) return;
  const char gear[2] = {char(GearGlyph(f.state->gearIndex)), 0};
  DrawRawCodes(gear, x, y, h, argb);
}

const char* LiveSettingLine(const DashCarState& s) {
  if (s.remote) return "";
  return s.race.liveSelector == 4 ? "Pit Instructions" : s.race.setupLine;
}

int FuelLineShown(const DashCarState& s) { return HasEngine(s) && (!s.remote || DashUnits.showRemoteFuel); }

// ---- the analog dashboards ----

namespace {

void DrawMultiFunctionDisplay(const DashFrame& f, const AnalogDashBlock& b) {
  const DashCarState& s = *f.state;
  if (b.displayStyle == 0) return;
  const float x0 = DashRectPosition(b.display.x), y0 = DashRectPosition(b.display.y);
  const float width = DashRectSize(b.display.width), height = DashRectSize(b.display.height);
  FillRect(ArgbOf(b.displayBackground), x0, y0, x0 + width, y0 + height);
  if (!s.live) return;
  const float inset = 0.04f * width;
  const float innerX = x0 + inset, innerWidth = width - 2.0f * inset, bottom = y0 + height - inset;
  const uint32_t text = ArgbOf(b.displayText);
  if (b.displayStyle == 1) {
    const float rule = 1.0f / 64.0f;
    for (float up : {0.45f * width, 0.22f * width}) FillRect(text, innerX, bottom - up, innerX + innerWidth, bottom - up + rule);
    const int positions = std::max(s.gearCount, 1);
    const float step = innerWidth / float(positions);
    const float markerX = innerX + float(std::clamp(s.gearIndex, 0, positions - 1)) * step;
    FillRect(text, markerX, bottom - 0.22f * width + rule, markerX + step, bottom - 0.45f * width);
    const float labelSize = 0.21f * innerWidth;
    for (int i = 0; i < positions && i < 9; ++i) {
      const char label[2] = {",+1234567"[i] == ',' ? 'R' : ",+1234567"[i] == '+' ? 'N' : ",+1234567"[i], 0};
      DrawCodesCentred(label, innerX + (float(i) + 0.5f) * step, bottom - 0.22f * width + 0.02f, labelSize, text);
    }
    return;
  }
  WallTime now{};
  ClockWallTime(now, true);
  char clock[DASH_TEXT_SIZE], odometer[DASH_TEXT_SIZE];
  FormatDashClock(now.hour, now.minute, DashUnits.twelveHour, clock);
  FormatOdometer(s.distance, DashUnits.kmh, odometer);
  if (b.displayStyle == 3) {
    ToDigitCodes(clock, LCD_SHIFT);
    ToDigitCodes(odometer, LCD_SHIFT);
  }
  const float size = 0.05f * width;
  DrawRawCodes(clock, innerX, y0 + inset, size, text);
  DrawRawCodes(odometer, innerX, y0 + inset + 1.5f * size, size, text);
}

void DrawDial(int index, const DashDial& dial, const char* caption, int unitByte) {
  DrawNumberGauge(DashGauges[index], 1, dial.style, unitByte, caption);
}

}  // namespace

void DrawAnalogDash(const DashFrame& f) {
  const DashCarState& s = *f.state;
  const AnalogDashBlock b = ReadAnalogBlock(s.block);
  const uint32_t flags = s.dashType == 0 ? 0 : DashFlags(b.flags);
  DrawMultiFunctionDisplay(f, b);
  DrawBlackRectangle(b.blackRectangle, s.backing != nullptr || BackingColour(s) == DASH_BLACK);
  if (s.dashType != 0) DrawBlockLamps(s);
  if (HasEngine(s) && !(flags & DASH_ANALOG_LED_GEAR_OFF) && s.dashType != 0)
    DrawGear(f, f.ledColour, DashPosition(b.ledGear.x), DashPosition(b.ledGear.y), DashSize(b.ledGear.height));
  if (HasEngine(s) && !(flags & DASH_ANALOG_TACHOMETER_OFF)) {
    DashGauge& g = DashGauges[DASH_TACHOMETER];
    const DashDial& dial = b.dials[DASH_TACHOMETER];
    PlaceGauge(g, dial);
    const uint32_t tachoFlags = s.dashType == 0 ? EngineDialFlags(s.maxEngineSpeed) : flags;
    SetupTachometer(g, tachoFlags, s.dashType == 0 ? 0 : dial.maximum, s.engineSpeed, s.maxEngineSpeed);
    DrawDial(DASH_TACHOMETER, dial, TachometerCaption(tachoFlags), dial.unit);
  }
  if (flags & DASH_ANALOG_DIGITAL_SPEED_ON) {
    const float x = DashPosition(b.digitalSpeedometer.x), y = DashPosition(b.digitalSpeedometer.y);
    const float h = DashSize(b.digitalSpeedometer.height);
    DrawRawCodes("\x98\x98\x98", x, y, h, WithAlpha(f.ledColour, UNLIT_ALPHA));
    if (s.live) {
      char speed[DASH_TEXT_SIZE];
      const float v = std::clamp(s.speed * f.speedFactor, 0.0f, 999.0f);
      std::snprintf(speed, sizeof speed, "%.0f", std::isfinite(v) ? double(v) : 0.0);
      ToDigitCodes(speed, LED_SHIFT);
      DrawRawCodes(speed, x + RawCodesWidth("\x98\x98\x98", h) - RawCodesWidth(speed, h), y, h, f.ledColour);
    }
  }
  if (flags & DASH_ANALOG_SPEEDOMETER_ON) {
    DashGauge& g = DashGauges[DASH_SPEEDOMETER];
    const DashDial& dial = b.dials[DASH_SPEEDOMETER];
    PlaceGauge(g, dial);
    SetupSpeedometer(g, dial.maximum, s.topSpeed, DashUnits.kmh, s.speed);
    DrawDial(DASH_SPEEDOMETER, dial, DashUnits.kmh ? "km/h" : "mph", dial.unit);
  }
  if (!(flags & DASH_ANALOG_TURBO_OFF) && s.dashType != 0) {
    DashGauge& g = DashGauges[DASH_TURBO];
    PlaceGauge(g, b.dials[DASH_TURBO]);
    SetupTurbo(g, s.turbo, s.maxBoost, s.boost, DashUnits.pressureUnit, f.frameRate);
    DrawDial(DASH_TURBO, b.dials[DASH_TURBO], nullptr, 0);
  }
  if (s.dashType == 0) return;  // its zeroed block places nothing more
  if (!(flags & DASH_ANALOG_CLOCK_OFF)) {
    DashGauge& g = DashGauges[DASH_CLOCK];
    PlaceGauge(g, b.dials[DASH_CLOCK]);
    g.value = 0;
    g.kind = 5;
    DrawDial(DASH_CLOCK, b.dials[DASH_CLOCK], nullptr, 0);
  }
  {
    DashGauge& g = DashGauges[DASH_WATER];
    PlaceGauge(g, b.dials[DASH_WATER]);
    g.kind = 6;
    g.value = float(g.maximum) * 0.333f;
    DrawDial(DASH_WATER, b.dials[DASH_WATER], nullptr, 0);
  }
  if (HasEngine(s)) {
    DashGauge& g = DashGauges[DASH_FUEL];
    PlaceGauge(g, b.dials[DASH_FUEL]);
    g.kind = 6;
    g.symbol = IsBatteryCar(s) ? "\xC6" : "\xBE";
    g.needle = uint8_t(FuelNeedleShown(s));
    g.value = g.needle ? FuelGaugeValue(g.maximum, s.fuel, s.capacity) : 0.0f;
    DrawDial(DASH_FUEL, b.dials[DASH_FUEL], nullptr, 0);
  }
  if (flags & DASH_ANALOG_OIL_TEMPERATURE_ON) {
    DashGauge& g = DashGauges[DASH_OIL_TEMPERATURE];
    PlaceGauge(g, b.dials[DASH_OIL_TEMPERATURE]);
    g.kind = 7;
    g.value = float(g.maximum) * 0.333f;
    DrawDial(DASH_OIL_TEMPERATURE, b.dials[DASH_OIL_TEMPERATURE], nullptr, 0);
  }
  if (flags & DASH_ANALOG_OIL_PRESSURE_ON) {
    DashGauge& g = DashGauges[DASH_OIL_PRESSURE];
    PlaceGauge(g, b.dials[DASH_OIL_PRESSURE]);
    g.kind = 7;
    g.value = std::clamp(s.oilPressure, 0.0f, float(g.maximum));
    DrawDial(DASH_OIL_PRESSURE, b.dials[DASH_OIL_PRESSURE], nullptr, 0);
  }
}

// ---- the frame ----

ZKTETexture* DrawDashboardState(const DashCarState& s, float frameRate) {
  ZKTETexture* target = DashboardTarget ? DashboardTarget() : nullptr;
  if (!target || s.dashType >= DASH_TYPE_COUNT || s.dashType < 0) return nullptr;
  if (SetRenderTexture(target, 0, 0, 0) != 1) return nullptr;
  EnsureGaugeDefaults();
  const ScreenWindow savedWindow = RenderTargets.window;
  const uint32_t savedText = GaugeTextColour, savedNeedle = GaugeNeedleColour;
  const float savedWidth = TextHorizontalScale;
  TextBatch* const savedBatch = CurrentTextBatch;
  const int savedBlend = RenderStates.pendingBlend, savedRaster = RenderStates.pendingRaster;
  SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  RenderStates.pendingRaster = 6;  // the dials' quads turn either way
  RenderStates.pendingBlend = 2;   // alpha: the unlit digits and the soft lamps
  GaugeTextColour = DialTextColour(s);
  GaugeNeedleColour = NeedleColour(s);
  TextHorizontalScale = DASH_TEXT_WIDTH_FACTOR;
  // A batch of the dashboard's own: the interface's may already hold this frame's texts.
  CurrentTextBatch = &g_dashBatch;
  Material* backing = BackingMaterial(s.backing);
  if (backing) {
    Draw2D& l = Draw2DList;
    l.StartBatch(backing);
    const int a = l.AddVertex(0xFFFFFFFFu, -1.0f, -1.0f, 0.0f, 0.0f), b = l.AddVertex(0xFFFFFFFFu, 1.0f, -1.0f, 1.0f, 0.0f);
    const int c = l.AddVertex(0xFFFFFFFFu, 1.0f, 1.0f, 1.0f, 1.0f), d = l.AddVertex(0xFFFFFFFFu, -1.0f, 1.0f, 0.0f, 1.0f);
    if (a >= 0) l.AddQuad(a, b, c, d);
  } else {
    Clear(ApplyBrightnessTable(BackingColour(s)), 1);
  }
  DashFrame f{&s, LedColour(s), DashSpeedFactor(DashUnits.kmh), frameRate};
  switch (s.dashType) {
    case 3: DrawFormulaDash(f); break;
    case 4:
    case 5: DrawWheelDash(f); break;
    case 6: DrawBatteryDash(f); break;
    default: DrawAnalogDash(f); break;
  }
  DrawTextBox(g_dashBatch);
  FlushDraw2D();
  ResetDraw2D();
  UnsetRenderTarget();
  RenderStates.pendingBlend = savedBlend;
  RenderStates.pendingRaster = savedRaster;
  CurrentTextBatch = savedBatch;
  TextHorizontalScale = savedWidth;
  GaugeTextColour = savedText;
  GaugeNeedleColour = savedNeedle;
  RenderTargets.window = savedWindow;
  if (target->mipLevels > 1 && target->view) GfxGenerateMips(Gfx.context, target->view);
  return s.dashType >= 4 ? target : nullptr;
}

ZKTETexture* DrawDashboard(const Car& car, float frameRate) {
  if (car.dashType >= DASH_TYPE_COUNT) return nullptr;
  return DrawDashboardState(DashStateOf(car), frameRate);
}

ZKTETexture* DrawDashboardPreview(const Car& car, float frameRate) {
  if (car.dashType >= DASH_TYPE_COUNT) return nullptr;
  // Drawn afresh for the editor's 3D view alone: a frame that keeps the view keeps it too.
  if (ZKTETexture* target = DashboardTarget ? DashboardTarget() : nullptr) DrawnWithTheScene(target->texture);
  DashCarState s = DashStateOf(car);
  s.gearIndex = std::max(s.gearCount - 1, 0);
  s.live = 1;
  s.lampWord = 0xFFFFFFFFu;
  const bool digital = DashFlags(s.block) & DASH_ANALOG_DIGITAL_SPEED_ON;
  if (s.dashType == 0 || s.dashType >= 3 || digital) {
    s.speed = DASH_TEST_SPEED;
    s.engineSpeed = DASH_TEST_ENGINE_SHARE * s.maxEngineSpeed;
  }
  return DrawDashboardState(s, frameRate);
}
