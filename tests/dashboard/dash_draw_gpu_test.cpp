// dash_draw_gpu_test.cpp - dashboards drawn into a texture on the real GL device and read
// back: the backing, the lamps lit and unlit, the tachometer's needle, hub and figures, the
// LED gear and digital speedometer over their unlit "8"s, the black rectangle, the display's
// background, the clock's hands, type 3's LED row and readout, type 4's speed, type 5's shift
// lamps, type 6's LEDs; the frame's rules; a picture of each type under "dashboards/" in the
// test's work folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/gamma_tables.h"
#include "dashboard/dash_draw.h"
#include "dashboard/dash_draw_local.h"
#include "dashboard/dash_figures.h"
#include "physics/car.h"
#include "platform/clock.h"
#include "render/draw2d.h"
#include "render/material.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/ui/png_test_util.h"
#include "tests/ui/text_gpu_suite.h"
#include "ui/number_gauge.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "ui/text_readouts.h"

namespace {

constexpr int SIZE = 512;
constexpr float RPM = 1.0f / 9.549296f;
ZKTETexture* g_target = nullptr;

struct Rgb {
  int r, g, b;
};
// A colour as the target holds it: each channel through the brightness table.
Rgb Shown(int r, int g, int b) { return Rgb{BrightnessTable[r], BrightnessTable[g], BrightnessTable[b]}; }
uint32_t Word(int r, int g, int b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }
Rgb ShownWord(uint32_t word) { return Shown(int(word & 0xFF), int(word >> 8 & 0xFF), int(word >> 16 & 0xFF)); }

class DashPixels : public TextGpuSuite<SIZE, SIZE> {
 protected:
  ZKTETexture target{};
  std::vector<uint8_t> pixels;
  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(charset_) << "the generated character set " << GeneratedCharsetPath();
    ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE));
    ASSERT_TRUE(BeginTestFrame2D(target));
    g_target = &target;
    DashboardTarget = [] { return g_target; };
    EmptyTextBatches();
    ResetDashDefaults();
    DashUnits = DashSettings{};
    // The configuration's dashboard colours at their defaults (red in byte 0).
    const uint32_t dash[4] = {Word(120, 160, 200), Word(48, 48, 255), Word(200, 40, 40), Word(140, 160, 140)};
    std::memcpy(CfgCarDashColours, dash, sizeof dash);
    CfgRoadGearLed2 = Word(48, 48, 255);
    CfgClockText2 = Word(200, 200, 200);
    CfgClockNeedle2 = Word(200, 40, 40);
    CfgSplitText = Word(200, 200, 200);
  }
  void TearDown() override {
    DashboardTarget = nullptr;
    if (!target.texture) return;
    ReleaseTestTarget(target);
    RenderStates.pendingDepth = 0;
  }
  // A car state of a type with its default block, live, in third gear, 4000 of 8000 rpm.
  // A petrol car's quiet type 1 block whose only display is the gear bar, in red on dark red.
  static DashCarState GearBarCar();
  // A formula car (type 3) with LED tachometer flags, its display box at x -0.8, y -0.25,
  // 0.08 high, its LCD gear at x -0.8, y -0.8, 0.3 high, and no lamps.
  static DashCarState FormulaDisplayCar();
  static DashCarState State(int type) {
    Car car;
    car.dashType = uint8_t(type);
    car.SetDashDefaults();
    DashCarState s;
    s.dashType = type;
    std::memcpy(s.block, car.dash, sizeof s.block);
    s.engineType = 1;
    s.engineSpeed = 4000.0f * RPM;
    s.maxEngineSpeed = 8000.0f * RPM;
    s.speed = 10.0f;
    s.topSpeed = 55.6f;
    s.gearIndex = 4;
    s.gearCount = 7;
    s.fuel = 20.0f;
    s.capacity = 40.0f;
    s.lampMask = 0xFFFFFFFFu;
    return s;
  }
  ZKTETexture* Draw(const DashCarState& s, const char* picture = nullptr) {
    ZKTETexture* result = DrawDashboardState(s, 60.0f);
    pixels = ReadTargetPixels(target);
    if (picture) {
      std::filesystem::create_directories("dashboards");
      WritePng(std::string("dashboards/") + picture + ".png", pixels, SIZE, SIZE);
    }
    return result;
  }
  static int Px(float v) { return std::clamp(int(std::floor((v + 1.0f) * 0.5f * SIZE)), 0, SIZE - 1); }
  Rgb At(float x, float y) const {
    const uint8_t* q = &pixels[(size_t(Px(y)) * SIZE + size_t(Px(x))) * 4];
    return Rgb{q[0], q[1], q[2]};
  }
  static bool Near(const Rgb& a, const Rgb& b, int tolerance = 3) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
  }
  // The largest value of a channel over a rectangle (-1..1 units).
  int MostIn(int channel, float x0, float y0, float x1, float y1) const {
    int most = 0;
    for (int y = Px(y0); y <= Px(y1); ++y)
      for (int x = Px(x0); x <= Px(x1); ++x) most = std::max<int>(most, pixels[(size_t(y) * SIZE + size_t(x)) * 4 + size_t(channel)]);
    return most;
  }
  // Pixels of a rectangle whose channel lies in lo..hi.
  int CountIn(int channel, int lo, int hi, float x0, float y0, float x1, float y1) const {
    int n = 0;
    for (int y = Px(y0); y <= Px(y1); ++y)
      for (int x = Px(x0); x <= Px(x1); ++x) {
        const int v = pixels[(size_t(y) * SIZE + size_t(x)) * 4 + size_t(channel)];
        n += v >= lo && v <= hi;
      }
    return n;
  }
};

std::string Str(const Rgb& c) { return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b); }

// A type 1 block with nothing on but what the test turns on, its colours its own.
AnalogDashBlock QuietBlock(uint32_t flags) {
  AnalogDashBlock b{};
  SetDashFlags(b.flags, flags | DASH_COLOURS_SET | DASH_ANALOG_CLOCK_OFF | DASH_ANALOG_TURBO_OFF |
                            DASH_ANALOG_TACHOMETER_OFF | DASH_ANALOG_LED_GEAR_OFF);
  b.text = DashColour{200, 200, 200, 0};
  b.needle = DashColour{200, 40, 40, 0};
  b.led = DashColour{48, 48, 255, 0};
  b.backing = DashColour{0, 0, 0, 0};
  return b;
}

// A quiet block with a style 2 display across the target's width from y 0, 16 units high,
// white text on dark red.
AnalogDashBlock DisplayTextsBlock() {
  AnalogDashBlock b = QuietBlock(0);
  b.displayStyle = 2;
  b.display = DashRect{0, 32, 64, 16};
  b.displayBackground = DashColour{120, 40, 40, 0};
  b.displayText = DashColour{255, 255, 255, 0};
  return b;
}

DashCarState DashPixels::GearBarCar() {
  DashCarState s = State(1);
  AnalogDashBlock b = QuietBlock(0);
  b.displayStyle = 1;
  b.display = DashRect{4, 4, 24, 16};  // x -0.875 .. -0.125, y -0.875 .. -0.375
  b.displayBackground = DashColour{120, 40, 40, 0};
  b.displayText = DashColour{255, 120, 120, 0};
  WriteAnalogBlock(b, s.block);
  s.engineType = 0;
  return s;
}

DashCarState DashPixels::FormulaDisplayCar() {
  DashCarState s = State(3);
  FormulaDashBlock b = ReadFormulaBlock(s.block);
  SetDashFlags(b.flags, DASH_FORMULA_LED_TACHOMETER);  // the system colours, an LCD gear
  b.tachometerX = 100;
  b.tachometerY = 190;
  b.row = LedRowShape{5, 10, 5, {}};
  b.display = DashBox{20, 75, 0, 8};
  b.speedometer = DashBox{150, 10, 20, 10};
  b.gear = DashBox{20, 20, 20, 30};
  b.blackRectangle = DashRect{0, 0, 0, 0};
  WriteFormulaBlock(b, s.block);
  s.lampMask = 0;
  return s;
}

}  // namespace

TEST_F(DashPixels, EveryTypeShowsItsBackingAndTypesFourToSixReturnTheTexture) {
  const Rgb expected[7] = {{0, 0, 0}, {0, 0, 0}, {255, 255, 255}, Shown(120, 160, 200), {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  for (int type = 1; type <= 6; ++type) {
    DashCarState s = State(type);
    s.lampWord = 0xFFFFFFFFu;
    ZKTETexture* result = Draw(s, ("type" + std::to_string(type)).c_str());
    EXPECT_EQ(result, type >= 4 ? &target : nullptr) << type;
    EXPECT_TRUE(Near(At(0.995f, -0.995f), expected[type])) << type << ": " << Str(At(0.995f, -0.995f));
  }
  // Colours set in the block: the block's backing, through the brightness table.
  DashCarState s = State(1);
  AnalogDashBlock b = ReadAnalogBlock(s.block);
  SetDashFlags(b.flags, DashFlags(b.flags) | DASH_COLOURS_SET);
  b.backing = DashColour{100, 150, 50, 0};
  WriteAnalogBlock(b, s.block);
  Draw(s);
  EXPECT_TRUE(Near(At(0.995f, -0.995f), Shown(100, 150, 50))) << Str(At(0.995f, -0.995f));
}

// A backing texture is drawn over the whole dashboard in place of a clear: every corner shows
// the texture's own colour, none of them the black the target held before.  It is drawn
// through the interface's kind of material (prelit, draw kind 1, flags 1, solid, generation
// type 4, as the default material is), one record for the texture however often it is drawn.
TEST_F(DashPixels, ABackingTextureCoversTheWholeDashboardThroughOnePrelitMaterial) {
  constexpr int SIDE = 4;
  const std::vector<uint32_t> texels(SIDE * SIDE, 0xFF50C030u);  // bytes r 48, g 192, b 80, a 255
  ZKTETexture backing{};
  GfxTexture2DDesc d;
  d.width = d.height = SIDE;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxSubresourceData initial{texels.data(), uint32_t(4 * SIDE), 0};
  ASSERT_EQ(GfxCreateTexture2D(Gfx.device, d, &initial, &backing.texture), GFX_OK);
  ASSERT_EQ(GfxCreateShaderResourceView(Gfx.device, backing.texture, nullptr, &backing.view), GFX_OK);
  backing.width = backing.height = SIDE;
  backing.mipLevels = 1;
  backing.format = d.format;
  // Named as a loaded texture is: an unnamed one would share the default material's key.
  std::snprintf(backing.name, sizeof backing.name, "%s", "DASH_BACKING_TEST");
  DashCarState s = State(1);
  WriteAnalogBlock(QuietBlock(0), s.block);
  s.lampMask = 0;
  s.engineType = 0;
  Draw(s);
  ASSERT_TRUE(Near(At(0.995f, -0.995f), Rgb{0, 0, 0})) << "a black block first: " << Str(At(0.995f, -0.995f));
  s.backing = &backing;
  Draw(s, "backing_texture");
  Draw(s);  // a second frame makes no second material
  // The quad covers the black the target held: the corners and the middle in the texel's colour.
  for (const auto& [x, y] :
       {std::pair{0.0f, 0.0f}, {-0.995f, -0.995f}, {0.995f, -0.995f}, {-0.995f, 0.995f}, {0.995f, 0.995f}})
    EXPECT_TRUE(Near(At(x, y), Rgb{48, 192, 80})) << x << " " << y << ": " << Str(At(x, y));
  // And every quarter between the diagonals: the two triangles share the diagonal from corner
  // to corner, so each of the four (left, right, top, bottom) is wholly inside one of them.
  for (const auto& [x, y] : {std::pair{-0.9f, 0.0f}, {-0.6f, -0.2f}, {-0.6f, 0.2f}, {0.9f, 0.0f}, {0.0f, 0.9f},
                             {0.0f, -0.9f}})
    EXPECT_TRUE(Near(At(x, y), Rgb{48, 192, 80})) << x << " " << y << ": " << Str(At(x, y));
  std::vector<Material*> made;
  for (Material* m : Materials)
    if (m->texture == &backing) made.push_back(m);
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(int(made[0]->drawKind), 1);
  EXPECT_EQ(int(made[0]->second), 0);
  EXPECT_EQ(int(made[0]->flags), 1);
  EXPECT_EQ(int(made[0]->params.alphaMode), 0);
  EXPECT_EQ(int(made[0]->params.shineType), 0);
  EXPECT_EQ(int(made[0]->genType), 4);
  ReleaseMaterial(made[0]);  // the record names the texture, which leaves with this test
  ReleaseTexture(&backing);
}

TEST_F(DashPixels, LampsShowTheirLitColourOrDarkGreyAndOnlyWhatTheMaskHolds) {
  DashCarState s = State(1);
  AnalogDashBlock b = QuietBlock(0);
  for (int n = 0; n < DASH_LAMPS; ++n) b.lights[n] = DashLight{uint8_t(20 + 14 * n), 100, 5, 0};
  WriteAnalogBlock(b, s.block);
  s.lampMask = 0xFFFFFFFFu & ~(1u << DASH_LAMP_PIT_LIMITER);
  s.lampWord = 0xFFFFFFFFu;
  s.engineType = 0;  // no dials of the engine
  Draw(s, "lamps_lit");
  for (int n = 0; n < DASH_LAMPS; ++n) {
    const float x = DashPosition(b.lights[n].x);
    const DashLampKind& k = DASH_LAMP_KINDS[n];
    Rgb lit = Shown(k.red, k.green, k.blue);
    if (n == DASH_LAMP_ENGINE_DAMAGE) lit = Shown(255, 48, 48);  // bit 28: red
    if (n == DASH_LAMP_PIT_LIMITER) lit = Rgb{0, 0, 0};         // not in the mask: not drawn
    EXPECT_TRUE(Near(At(x, 0.0f), lit)) << k.name << ": " << Str(At(x, 0.0f));
  }
  // Symbols: the lamp's glyph, 2 s high, in the lit colour.
  for (int n = 0; n < DASH_LAMPS; ++n) b.lights[n] = DashLight{uint8_t(20 + 14 * n), 100, 6, uint8_t(1 + n % 2)};
  WriteAnalogBlock(b, s.block);
  Draw(s, "lamp_symbols");
  for (int n = 0; n < DASH_LAMPS; ++n) {
    if (n == DASH_LAMP_PIT_LIMITER) continue;
    const float x = DashPosition(b.lights[n].x);
    const DashLampKind& k = DASH_LAMP_KINDS[n];
    const int channel = n == DASH_LAMP_ENGINE_DAMAGE ? 0 : k.green >= k.red && k.green >= k.blue ? 1 : k.red >= k.blue ? 0 : 2;
    EXPECT_GT(CountIn(channel, 200, 255, x - 0.06f, -0.06f, x + 0.06f, 0.06f), 10) << k.name;
  }
  for (int n = 0; n < DASH_LAMPS; ++n) b.lights[n] = DashLight{uint8_t(20 + 14 * n), 100, 5, 0};
  // The four bytes after the twelfth lamp (the gear LED box, switched off) read as a lamp
  // would stand at (0, -0.6): the mask's bits past the twelve lamps draw nothing there.
  b.ledGear = DashBox{100, 40, 8, 0};
  WriteAnalogBlock(b, s.block);
  s.lampWord = 0;
  Draw(s, "lamps_off");
  for (int n = 0; n < DASH_LAMPS; ++n) {
    const Rgb off = n == DASH_LAMP_PIT_LIMITER ? Rgb{0, 0, 0} : Shown(32, 32, 32);
    EXPECT_TRUE(Near(At(DashPosition(b.lights[n].x), 0.0f), off)) << n << ": " << Str(At(DashPosition(b.lights[n].x), 0.0f));
  }
  // An unlit lamp shows as (3, 3, 3) on the black backing: the spot must stay exactly black.
  EXPECT_TRUE(Near(At(0.0f, -0.6f), Rgb{0, 0, 0}, 0)) << "no thirteenth lamp: " << Str(At(0.0f, -0.6f));
}

TEST_F(DashPixels, TheTachometerNeedleHubAndFiguresStandWhereTheEngineSpeedPutsThem) {
  for (int style : {0, GAUGE_STYLE_PIVOT | GAUGE_STYLE_NUM}) {
    DashCarState s = State(1);
    AnalogDashBlock b = QuietBlock(0);
    SetDashFlags(b.flags, DashFlags(b.flags) & ~DASH_ANALOG_TACHOMETER_OFF);
    b.dials[DASH_TACHOMETER] = DashDial{100, 100, 48, 48, 100, 0, uint8_t(style), 0};
    WriteAnalogBlock(b, s.block);
    s.capacity = 0;
    Draw(s, style ? "tachometer_bare" : "tachometer");
    const float r = 0.5f * GAUGE_RADIUS_SCALE;
    const float start = 48 * 0.08726647f, turn = 48 * -0.08726647f;
    const float angle = start + turn * 4.0f / 9.0f;  // 4000 rpm on a dial to 9
    const Rgb needle = Shown(200, 40, 40), text = Shown(200, 200, 200);
    EXPECT_TRUE(Near(At(std::cos(angle) * 0.4f * r, -std::sin(angle) * 0.4f * r), needle))
        << Str(At(std::cos(angle) * 0.4f * r, -std::sin(angle) * 0.4f * r));
    EXPECT_TRUE(Near(At(std::cos(angle + 0.5f) * 0.4f * r, -std::sin(angle + 0.5f) * 0.4f * r), Rgb{0, 0, 0}))
        << "the face beside the needle";
    // The hub, beside the needle.
    const float hx = std::cos(angle + 1.5708f) * 0.15f * r, hy = -std::sin(angle + 1.5708f) * 0.15f * r;
    EXPECT_TRUE(Near(At(hx, hy), style ? Rgb{0, 0, 0} : needle)) << style << ": " << Str(At(hx, hy));
    // The figure "5" at mark 10 of 18.
    const float five = start + turn * 10.0f / 18.0f, fr = 0.9f * r - 0.06f;
    const float fx = std::cos(five) * fr, fy = -std::sin(five) * fr;
    const int ink = CountIn(1, text.g - 30, 255, fx - 0.04f, fy - 0.04f, fx + 0.04f, fy + 0.04f);
    if (style) {
      EXPECT_EQ(ink, 0) << "no figures with \"num\"";
    } else {
      EXPECT_GT(ink, 5) << "the figure 5";
    }
  }
}

// Each of the small dials, placed alone in the middle (the others left at the corner with no
// radius), shows its needle's red there, whatever window the screen was drawn through; the turbo's needle stands at the boost's share of its
// maximum, as the tachometer's does: 0.5 bar of 1.0 is half the dial's turn.
TEST_F(DashPixels, EachSmallDialIsDrawnWhereItsBlockPutsItAndTheTurboNeedleAtTheBoostsShare) {
  const Rgb needle = Shown(200, 40, 40);
  for (int dial : {DASH_TURBO, DASH_WATER, DASH_FUEL, DASH_OIL_TEMPERATURE, DASH_OIL_PRESSURE}) {
    DashCarState s = State(1);
    AnalogDashBlock b = QuietBlock(DASH_ANALOG_OIL_TEMPERATURE_ON | DASH_ANALOG_OIL_PRESSURE_ON);
    SetDashFlags(b.flags, DashFlags(b.flags) & ~DASH_ANALOG_TURBO_OFF);
    b.dials[dial] = DashDial{100, 100, 48, 48, 100, 0, 0, 0};
    WriteAnalogBlock(b, s.block);
    s.turbo = 1;
    s.maxBoost = 1.0f;
    s.boost = 0.5f;
    s.oilPressure = 1.0f;
    DashUnits.pressureUnit = 1;
    // A split screen's window on the screen (its left half) does not shrink the dashboard.
    const ScreenWindow kept = RenderTargets.window;
    if (dial == DASH_TURBO) SetScreenWindow(1, -0.5f, 0.0f, 0.5f, 1.0f);
    Draw(s, dial == DASH_TURBO ? "turbo" : nullptr);
    RenderTargets.window = kept;
    EXPECT_GT(CountIn(0, needle.r - 20, needle.r + 20, -0.3f, -0.3f, 0.3f, 0.3f), 50) << "dial " << dial;
    if (dial != DASH_TURBO) continue;
    const float r = 0.5f * GAUGE_RADIUS_SCALE;
    const float start = 48 * 0.08726647f, turn = 48 * -0.08726647f;
    const float angle = start + turn * 0.5f;
    const float nx = std::cos(angle) * 0.4f * r, ny = -std::sin(angle) * 0.4f * r;
    EXPECT_TRUE(Near(At(nx, ny), needle)) << Str(At(nx, ny));
    const float fx = std::cos(angle + 0.5f) * 0.4f * r, fy = -std::sin(angle + 0.5f) * 0.4f * r;
    EXPECT_TRUE(Near(At(fx, fy), Rgb{0, 0, 0})) << "the face beside the needle: " << Str(At(fx, fy));
  }
}

TEST_F(DashPixels, TheLedGearAndDigitalSpeedometerLightOverTheirUnlitEights) {
  DashCarState s = State(1);
  AnalogDashBlock b = QuietBlock(DASH_ANALOG_DIGITAL_SPEED_ON);
  SetDashFlags(b.flags, DashFlags(b.flags) & ~DASH_ANALOG_LED_GEAR_OFF);
  b.ledGear = DashBox{20, 20, 20, 30};
  b.digitalSpeedometer = DashBox{120, 20, 40, 30};
  WriteAnalogBlock(b, s.block);
  s.capacity = 0;
  Draw(s, "led_digits");
  const float h = 0.3f;
  // The gear "3" lit in the LED colour, the rest of the "8" faint.
  EXPECT_GT(MostIn(2, -0.8f, -0.8f, -0.8f + RawCodesWidth("\x98", h), -0.8f + h), 200);
  EXPECT_GT(CountIn(2, 8, 40, -0.8f, -0.8f, -0.8f + RawCodesWidth("\x98", h), -0.8f + h), 5) << "the unlit 8";
  // 36 km/h in the last two of three cells.
  const float cell = RawCodesWidth("\x98", h), x0 = 0.2f;
  EXPECT_LT(MostIn(2, x0 + 0.1f * cell, -0.8f, x0 + 0.9f * cell, -0.8f + h), 60) << "the first cell unlit";
  EXPECT_GT(CountIn(2, 8, 40, x0 + 0.1f * cell, -0.8f, x0 + 0.9f * cell, -0.8f + h), 5);
  for (int c = 1; c < 3; ++c)
    EXPECT_GT(MostIn(2, x0 + (c + 0.1f) * cell, -0.8f, x0 + (c + 0.9f) * cell, -0.8f + h), 200) << c;
  // Past 999 km/h the three cells hold 999 and nothing stands left of them; backwards the last
  // cell reads 0 and the others stay unlit.
  s.speed = 1000.0f;  // 3600 km/h
  Draw(s);
  for (int c = 0; c < 3; ++c)
    EXPECT_GT(MostIn(2, x0 + (c + 0.1f) * cell, -0.8f, x0 + (c + 0.9f) * cell, -0.8f + h), 200) << "999, cell " << c;
  EXPECT_LT(MostIn(2, x0 - 0.9f * cell, -0.8f, x0 - 0.1f * cell, -0.8f + h), 60) << "no fourth cell";
  s.speed = -10.0f;
  Draw(s);
  EXPECT_LT(MostIn(2, x0 + 0.1f * cell, -0.8f, x0 + 1.9f * cell, -0.8f + h), 60) << "no sign, no tens";
  EXPECT_GT(MostIn(2, x0 + 2.1f * cell, -0.8f, x0 + 2.9f * cell, -0.8f + h), 200) << "0";
  s.live = 0;
  Draw(s);
  EXPECT_LT(MostIn(2, -0.8f, -0.8f, 0.8f, -0.8f + h), 60) << "not live: only the unlit 8s";
}

TEST_F(DashPixels, TheBlackRectangleTheDisplayAndTheClockHands) {
  DashCarState s = State(2);
  AnalogDashBlock b = QuietBlock(0);
  SetDashFlags(b.flags, DashFlags(b.flags) & ~(DASH_COLOURS_SET | DASH_ANALOG_CLOCK_OFF));
  b.blackRectangle = DashRect{4, 4, 8, 4};  // x -0.875 .. -0.625, y -0.875 .. -0.75
  b.displayStyle = 2;
  b.display = DashRect{4, 52, 8, 8};        // -0.875 .. -0.625 down from 0.625
  b.displayBackground = DashColour{120, 40, 40, 0};
  b.dials[DASH_CLOCK] = DashDial{100, 100, 18, 72, 100, 0, 0, 0};
  WriteAnalogBlock(b, s.block);
  s.engineType = 0;
  WallTime three{};
  three.year = 2026, three.month = 3, three.day = 1, three.hour = 3;
  ClockUseFake(0, three);
  Draw(s, "clock");
  ClockUseReal();
  EXPECT_TRUE(Near(At(-0.99f, -0.99f), Rgb{255, 255, 255})) << "type 2: white";
  EXPECT_TRUE(Near(At(-0.8f, -0.8f), Rgb{0, 0, 0})) << Str(At(-0.8f, -0.8f));
  EXPECT_TRUE(Near(At(-0.65f, -0.8f), Rgb{0, 0, 0})) << "its width across " << Str(At(-0.65f, -0.8f));
  EXPECT_TRUE(Near(At(-0.8f, -0.7f), Rgb{255, 255, 255})) << "its height up " << Str(At(-0.8f, -0.7f));
  EXPECT_TRUE(Near(At(-0.7f, 0.8f), Shown(120, 40, 40))) << Str(At(-0.7f, 0.8f));
  const float r = 0.5f * GAUGE_RADIUS_SCALE;
  const Rgb needle = ShownWord(CfgClockNeedle2);
  EXPECT_TRUE(Near(At(0.4f * r, 0.0f), needle)) << "03:00: the hour hand right " << Str(At(0.4f * r, 0.0f));
  EXPECT_TRUE(Near(At(0.0f, -0.6f * r), needle)) << "the minute hand up " << Str(At(0.0f, -0.6f * r));
  EXPECT_FALSE(Near(At(-0.4f * r, 0.0f), needle));
}

TEST_F(DashPixels, TypeThreeLedRowAndReadoutTypeFourSpeedAndTypeSixLeds) {
  DashCarState s = State(3);
  FormulaDashBlock b = ReadFormulaBlock(s.block);
  SetDashFlags(b.flags, DASH_FORMULA_LED_TACHOMETER | DASH_FORMULA_LED_GEAR);
  b.tachometerX = 100;
  b.tachometerY = 100;
  b.row = LedRowShape{12, 12, 4, {}};
  b.speedometer = DashBox{120, 20, 40, 20};
  WriteFormulaBlock(b, s.block);
  s.engineSpeed = 7000.0f * RPM;  // 7 of 12 lamps at 8000 rpm
  s.lampMask = 0;
  Draw(s, "formula_led_row");
  for (int i = 0; i < 12; ++i) {
    const float x = -5.5f * 0.12f + 0.12f * float(i);
    const Rgb expected = i < 7 ? Shown(255, 48, 48) : Shown(32, 32, 32);
    EXPECT_TRUE(Near(At(x, 0.0f), expected)) << i << ": " << Str(At(x, 0.0f));
  }
  EXPECT_TRUE(Near(At(-5.5f * 0.12f + 0.12f * 12.0f, 0.0f), ShownWord(CfgCarDashColours[0]))) << "no thirteenth lamp";
  // The speed (36 km/h) right-aligned in the speedometer box, in the LCD colour (black at 208).
  const float h = 0.2f, right = 0.2f + 0.4f, cell = RawCodesWidth("\x93", h);
  EXPECT_GT(CountIn(0, 0, 20, right - 2.0f * cell, -0.8f, right, -0.8f + h), 20) << "two digits of ink";
  EXPECT_EQ(CountIn(0, 0, 20, 0.2f, -0.8f, right - 2.2f * cell, -0.8f + h), 0) << "nothing left of them";

  // A turbo shows its boost in the turbo box: "1.50" bar, four cells of ink.
  b.turbo = DashBox{120, 50, 60, 20};
  WriteFormulaBlock(b, s.block);
  s.turbo = 1;
  s.boost = 1.5f;
  DashUnits.pressureUnit = 1;
  Draw(s, "formula_boost");
  const float boostRight = 0.2f + 0.6f;
  char boost[8] = "1.50";
  ToDigitCodes(boost, LED_SHIFT);
  const float boostWidth = RawCodesWidth(boost, h);
  EXPECT_GT(CountIn(0, 0, 20, boostRight - boostWidth, -0.5f, boostRight, -0.5f + h), 30) << "the boost";
  EXPECT_EQ(CountIn(0, 0, 20, 0.2f, -0.5f, boostRight - boostWidth - 0.02f, -0.5f + h), 0);
  DashUnits.pressureUnit = 0;

  // Type 4: 100 km/h reads "100.0" over "888.8" right of the centre.
  s = State(4);
  s.speed = 100.0f / 3.6f;
  Draw(s, "wheel_speed");
  char unlit[8] = "888.8";
  ToDigitCodes(unlit, LCD_SHIFT);
  const float dh = 0.22f, left = 0.45f - 0.5f * RawCodesWidth(unlit, dh);
  float x = left;
  const char lit[] = "100.0";
  for (int i = 0; i < 5; ++i) {
    const char one[2] = {unlit[i], 0};
    const float w = RawCodesWidth(one, dh);
    if (lit[i] != '.') {
      EXPECT_GT(MostIn(0, x, -0.35f, x + w, -0.35f + dh), 200) << "cell " << i;
    }
    x += w;
  }
  // Type 6: 8500 rpm lights five LEDs: two green, two amber, one red.
  s = State(6);
  s.engineSpeed = 8500.0f * RPM;
  Draw(s, "battery_leds");
  for (int i = 0; i < 9; ++i) {
    Rgb expected = Shown(32, 32, 32);
    if (i < 5) expected = i < 2 ? Shown(48, 255, 48) : i < 4 ? Shown(255, 192, 48) : Shown(255, 48, 48);
    EXPECT_TRUE(Near(At(float(i - 4) * 0.12f - 0.01f, -0.9f), expected)) << i << ": " << Str(At(float(i - 4) * 0.12f - 0.01f, -0.9f));
  }
  // Nine and no more: where a tenth would stand (x 5 x 0.12 - 0.01 = 0.59) the row shows
  // exactly what lies beyond it, at x 0.8 (an unlit LED is only a shade off the backing here).
  EXPECT_TRUE(Near(At(0.59f, -0.9f), At(0.8f, -0.9f), 0)) << "no tenth LED: " << Str(At(0.59f, -0.9f));
  // The speed and fuel line in black on the panel, the setting line above it.
  EXPECT_GT(CountIn(0, 0, 60, -0.43f, -0.69f, 0.43f, -0.57f), 20) << "the first line's ink";
  // The panel under the lines: x -0.48 .. 0.48, y -0.74 .. -0.38, in the fourth dash colour.
  EXPECT_TRUE(Near(At(0.46f, -0.73f), ShownWord(CfgCarDashColours[3]))) << Str(At(0.46f, -0.73f));
  EXPECT_TRUE(Near(At(-0.46f, -0.40f), ShownWord(CfgCarDashColours[3]))) << Str(At(-0.46f, -0.40f));
  EXPECT_FALSE(Near(At(-0.46f, 0.3f), ShownWord(CfgCarDashColours[3]))) << "nothing of it above";
}

// The battery display's first line has 16 cells: the speed in six, then "Batt 50.0%".  A full
// battery reads "Batt 99.9%", so its last cell still holds the "%" sign, not a cut "100.0".
TEST_F(DashPixels, AFullBatteryKeepsItsPercentSignInTheLastCell) {
  DashCarState s = State(6);
  const float g = GLYPH_BOX_HEIGHT;
  const float pitch = (0.86f - 16.0f * 0.0864f * g) / 15.0f + 0.0864f * g;
  const float last = -0.43f + 15.0f * pitch;  // the sixteenth cell's left edge
  Draw(s);
  const int half = CountIn(0, 0, 60, last, -0.69f, last + pitch, -0.57f);
  EXPECT_GT(half, 5) << "the % sign's ink";
  s.fuel = s.capacity;
  Draw(s);
  EXPECT_EQ(CountIn(0, 0, 60, last, -0.69f, last + pitch, -0.57f), half);
}

TEST_F(DashPixels, NothingIsDrawnWithoutATargetOrTypeAndEverythingIsPutBack) {
  const int depth = RenderTargets.depth;
  const ScreenWindow window = RenderTargets.window;
  GaugeTextColour = 0xFF010203u;
  TextHorizontalScale = 0.75f;
  DashCarState s = State(1);
  s.dashType = 7;
  EXPECT_EQ(DrawDashboardState(s, 60.0f), nullptr);
  s.dashType = 4;
  DashboardTarget = [] { return static_cast<ZKTETexture*>(nullptr); };
  EXPECT_EQ(DrawDashboardState(s, 60.0f), nullptr);
  static ZKTETexture unusable{};
  DashboardTarget = [] { return &unusable; };
  EXPECT_EQ(DrawDashboardState(s, 60.0f), nullptr) << "a target that cannot be set";
  DashboardTarget = [] { return g_target; };
  EXPECT_EQ(DrawDashboardState(s, 60.0f), &target);
  EXPECT_EQ(RenderTargets.depth, depth);
  EXPECT_EQ(std::memcmp(&RenderTargets.window, &window, sizeof window), 0);
  EXPECT_EQ(GaugeTextColour, 0xFF010203u);
  EXPECT_EQ(TextHorizontalScale, 0.75f);
  TextHorizontalScale = 1.0f;

  // The editor's preview: top gear and every lamp for the frame, the car as it was.
  Car car;
  car.dashType = 1;
  car.SetDashDefaults();
  car.gearCount = 7;
  car.gear = 2;
  car.flagWord = car.MakeFlagWord();
  const uint8_t before = car.gear;
  EXPECT_EQ(DrawDashboardPreview(car, 60.0f), nullptr);
  EXPECT_EQ(car.gear, before);
  pixels = ReadTargetPixels(target);
  const DashLight handbrake = DashLamp(car.dash, DASH_LAMP_HANDBRAKE);
  EXPECT_TRUE(Near(At(DashPosition(handbrake.x), DashPosition(handbrake.y)), Shown(255, 48, 48)))
      << "the handbrake lamp lit in the preview " << Str(At(DashPosition(handbrake.x), DashPosition(handbrake.y)));
}

TEST_F(DashPixels, TheGearBarMarksTheEngagedGearAndOnlyWhileLive) {
  DashCarState s = GearBarCar();
  Draw(s, "gear_bar");
  // Seven positions over the inner width; the fourth forward slot (index 4) is marked.
  const float width = 0.75f, inset = 0.04f * width, step = (width - 2 * inset) / 7.0f;
  const float left = -0.875f + inset, bottom = -0.375f - inset, y = bottom - 0.33f * width;
  EXPECT_TRUE(Near(At(left + 4.5f * step, y), Shown(255, 120, 120))) << Str(At(left + 4.5f * step, y));
  EXPECT_TRUE(Near(At(left + 2.5f * step, y), Shown(120, 40, 40))) << Str(At(left + 2.5f * step, y));
  // A label for each of the seven positions and none past them, right of the display.
  EXPECT_EQ(CountIn(0, 100, 255, -0.12f, -0.6f, -0.08f, -0.35f), 0) << "no eighth label";
  // The two rules across the bar, 1/64 thick, at 0.45 and 0.22 of the width up from its foot.
  for (const float up : {0.45f * width, 0.22f * width}) {
    const float ruleY = bottom - up + 0.5f / 64.0f;
    EXPECT_TRUE(Near(At(left + 2.0f * step, ruleY), Shown(255, 120, 120))) << up << ": " << Str(At(left + 2.0f * step, ruleY));
  }
  // A gear index past either end marks the end position.
  s.gearIndex = 9;
  Draw(s);
  EXPECT_TRUE(Near(At(left + 6.5f * step, y), Shown(255, 120, 120))) << "index 9: the last " << Str(At(left + 6.5f * step, y));
  EXPECT_TRUE(Near(At(left + 4.5f * step, y), Shown(120, 40, 40)));
  s.gearIndex = -1;
  Draw(s);
  EXPECT_TRUE(Near(At(left + 0.5f * step, y), Shown(255, 120, 120))) << "index -1: the first " << Str(At(left + 0.5f * step, y));
  EXPECT_TRUE(Near(At(left + 6.5f * step, y), Shown(120, 40, 40)));
  // No gears: one position across the whole bar.
  s.gearCount = 0;
  s.gearIndex = 0;
  Draw(s);
  for (const float share : {0.1f, 0.9f}) {
    const float x = left + share * 7.0f * step;
    EXPECT_TRUE(Near(At(x, y), Shown(255, 120, 120))) << share << ": " << Str(At(x, y));
  }
  s.gearCount = 7;
  s.gearIndex = 4;
  s.live = 0;
  Draw(s);
  EXPECT_TRUE(Near(At(left + 4.5f * step, y), Shown(120, 40, 40))) << "not live: the background only";
}

// The steering-wheel display's outer lamps, 0.16 wide, stand at x -0.85 and 0.85 on the lamp
// row at the foot (y -0.8): the shift light red while the lamp word's shift bit is set, dark
// grey while it is clear.  Nothing is lit at the top corners.
TEST_F(DashPixels, TheSteeringWheelsShiftLampsStandAtTheOuterEndsOfTheLampRow) {
  DashCarState s = State(5);
  s.lampWord = 1u << DASH_LAMP_SHIFT;
  Draw(s, "wheel_shift_lamps");
  for (const float x : {-0.85f, 0.85f}) {
    for (const float dx : {-0.06f, 0.0f, 0.06f})
      EXPECT_TRUE(Near(At(x + dx, -0.8f), Shown(255, 48, 48))) << x + dx << ": " << Str(At(x + dx, -0.8f));
    EXPECT_TRUE(Near(At(x, 0.85f), Rgb{0, 0, 0})) << "top corner " << x << ": " << Str(At(x, 0.85f));
  }
  // The handbrake lamp stands under the shift lamps, at y -0.6.
  s.lampWord = 1u << DASH_LAMP_HANDBRAKE;
  Draw(s);
  for (const float x : {-0.85f, 0.85f}) {
    EXPECT_TRUE(Near(At(x, -0.6f), Shown(255, 48, 48))) << "handbrake " << x << ": " << Str(At(x, -0.6f));
    EXPECT_TRUE(Near(At(x, -0.8f), Shown(32, 32, 32))) << "shift off " << x;
  }
  s.lampWord = 0;
  s.engineSpeed = 0.0f;  // no stage lamp lit either
  Draw(s);
  for (const float x : {-0.85f, 0.85f})
    EXPECT_TRUE(Near(At(x, -0.8f), Shown(32, 32, 32))) << x << ": " << Str(At(x, -0.8f));
}

// The steering wheel's four stage lamps on each side of the lamp row (y -0.8), each 0.16 wide
// at x 0.2, 0.32, 0.44 and 0.56 (each later one drawn over the one before): green from the
// first stage, yellow from the second, orange from the third, red with the shift light.  The
// stages start past 500, 600 and 700 rad/s for shifts at 600 and 700.
TEST_F(DashPixels, TheSteeringWheelsStageLampsLightOneMorePerStage) {
  DashCarState s = State(5);
  s.lowerShift = 600.0f;
  s.upperShift = 700.0f;
  s.lampWord = 0;
  const Rgb off = Shown(32, 32, 32);
  const Rgb lit[4] = {Shown(30, 200, 30), Shown(200, 200, 30), Shown(230, 120, 30), Shown(255, 48, 48)};
  const float visible[4] = {0.18f, 0.30f, 0.42f, 0.56f};  // clear of the next lamp
  const std::pair<float, int> stages[] = {{500.0f, 0}, {550.0f, 1}, {600.0f, 1}, {650.0f, 2}, {700.0f, 2}, {750.0f, 3}};
  for (const auto& [speed, stage] : stages) {
    s.engineSpeed = speed;
    Draw(s);
    for (int lamp = 0; lamp < 4; ++lamp)
      for (const float side : {-1.0f, 1.0f}) {
        const float x = side * visible[lamp];
        EXPECT_TRUE(Near(At(x, -0.8f), lamp < stage ? lit[lamp] : off))
            << speed << " rad/s, lamp " << lamp << " at " << x << ": " << Str(At(x, -0.8f));
      }
  }
  s.lampWord = 1u << DASH_LAMP_SHIFT;
  Draw(s, "wheel_stage_lamps");
  for (int lamp = 0; lamp < 4; ++lamp)
    EXPECT_TRUE(Near(At(visible[lamp], -0.8f), lit[lamp])) << "the shift light: all four, lamp " << lamp;
  // A flat lamp shows its colour to the unit (a step of one in 230 red shows as two).
  for (int lamp = 0; lamp < 4; ++lamp)
    EXPECT_TRUE(Near(At(visible[lamp], -0.8f), lit[lamp], 1)) << "lamp " << lamp << ": " << Str(At(visible[lamp], -0.8f));
}

// The steering wheel's lap timer, left of the centre: a valid time lights other segments than
// an invalid one (which reads 0.00), and a valid time of 0 reads as the invalid one does.
TEST_F(DashPixels, TheSteeringWheelsLapTimerShowsAValidTimeOnly) {
  DashCarState s = State(5);
  const auto timer = [&](int valid, uint32_t value) {
    s.race.lapTimingValid = valid;
    s.race.timingValue = value;
    Draw(s);
    std::vector<int> cells;
    for (float x = -0.85f; x < -0.05f; x += 0.01f) cells.push_back(MostIn(0, x, -0.35f, x + 0.01f, -0.13f));
    return cells;
  };
  const std::vector<int> none = timer(0, 65070);
  EXPECT_NE(timer(1, 65070), none) << "1:05.07 reads 5.07";
  EXPECT_EQ(timer(1, 0), none);
}


// The frame sets up the gauges it draws: without a turbo the rate gauge reads the frame rate
// out of 100; the oil pressure needle stays on its dial, at its maximum for any pressure above
// it and at 0 for one below nothing.
TEST_F(DashPixels, TheFrameSetsUpTheRateAndOilPressureGauges) {
  DashCarState s = State(1);
  AnalogDashBlock b = QuietBlock(DASH_ANALOG_OIL_PRESSURE_ON | DASH_ANALOG_SPEEDOMETER_ON);
  SetDashFlags(b.flags, DashFlags(b.flags) & ~uint32_t(DASH_ANALOG_TURBO_OFF));
  b.dials[DASH_SPEEDOMETER].maximum = 30;  // x 5 km/h
  DashUnits.kmh = 1;
  b.dials[DASH_OIL_PRESSURE].x = 150;  // 0.5 right of the centre
  b.dials[DASH_OIL_PRESSURE].radius = 40;  // 0.2
  WriteAnalogBlock(b, s.block);
  DashGauges[DASH_OIL_PRESSURE].centreX = -9.0f;
  s.turbo = 0;
  DashGauges[DASH_TURBO].maximum = 7;
  DashGauges[DASH_TURBO].value = -1.0f;
  s.oilPressure = 1.0e6f;
  Draw(s);
  EXPECT_EQ(DashGauges[DASH_TURBO].maximum, 100);
  EXPECT_EQ(DashGauges[DASH_TURBO].value, 60.0f);
  EXPECT_EQ(DashGauges[DASH_SPEEDOMETER].maximum, 150) << "the dial's own maximum, 30 x 5 km/h";
  const DashGauge& oil = DashGauges[DASH_OIL_PRESSURE];
  EXPECT_FLOAT_EQ(oil.centreX, 0.5f) << "placed on its dial";
  EXPECT_FLOAT_EQ(oil.radiusX, 0.2f);
  ASSERT_GT(oil.maximum, 0);
  EXPECT_EQ(oil.value, float(oil.maximum));
  s.oilPressure = -5.0f;
  Draw(s);
  EXPECT_EQ(oil.value, 0.0f);
  // With a turbo the same gauge reads the boost: 0.5 of a maximum of 1, in bar tenths.
  s.turbo = 1;
  s.maxBoost = 1.0f;
  s.boost = 0.5f;
  DashUnits.pressureUnit = 1;
  Draw(s);
  EXPECT_EQ(DashGauges[DASH_TURBO].maximum, 10);
  EXPECT_FLOAT_EQ(DashGauges[DASH_TURBO].value, 5.0f);
  EXPECT_EQ(DashGauges[DASH_TURBO].kind, 4);
}

// The editor's preview shows a test drive, 100 km/h at 0.8 of the maximum engine speed, on the
// dashboards that show figures whatever the car does (type 0, the formula display from type 3
// and any dashboard with a digital speedometer); types 1 and 2 without one show the car's own
// figures.  A car without gears shows its first position as its top gear.
TEST_F(DashPixels, ThePreviewShowsATestDriveFromTypeThreeOnAndWithADigitalSpeedometer) {
  Car car;
  car.transmissionType = TRANSMISSION_H_PATTERN;
  car.engine.redline = 8000.0f * RPM;
  car.engine.speed = 1000.0f * RPM;
  car.speed = 5.0f;
  car.gearCount = 7;
  // The tachometer's reading, in thousands of rpm, after a preview of an analog type.
  const auto tachometer = [&](int type, uint32_t flags) {
    car.dashType = uint8_t(type);
    car.SetDashDefaults();
    if (type != 0) {
      AnalogDashBlock b = QuietBlock(flags);
      SetDashFlags(b.flags, DashFlags(b.flags) & ~uint32_t(DASH_ANALOG_TACHOMETER_OFF));
      WriteAnalogBlock(b, car.dash);
    }
    car.flagWord = car.MakeFlagWord();
    DashGauges[DASH_TACHOMETER].value = -1.0f;
    DashGauges[DASH_SPEEDOMETER].value = -1.0f;
    EXPECT_EQ(DrawDashboardPreview(car, 60.0f), nullptr);
    return DashGauges[DASH_TACHOMETER].value;
  };
  EXPECT_NEAR(tachometer(0, 0), 6.4f, 1e-3f) << "type 0: 0.8 x 8000 rpm";
  EXPECT_NEAR(tachometer(1, 0), 1.0f, 1e-3f) << "type 1: the car's own 1000 rpm";
  EXPECT_NEAR(tachometer(2, 0), 1.0f, 1e-3f) << "type 2: the car's own 1000 rpm";
  EXPECT_NEAR(tachometer(2, DASH_ANALOG_DIGITAL_SPEED_ON), 6.4f, 1e-3f) << "type 2 with a digital speedometer";
  DashUnits.kmh = 1;
  EXPECT_NEAR(tachometer(1, DASH_ANALOG_DIGITAL_SPEED_ON | DASH_ANALOG_SPEEDOMETER_ON), 6.4f, 1e-3f);
  EXPECT_NEAR(DashGauges[DASH_SPEEDOMETER].value, 100.0f, 1e-3f) << "100 km/h";
  EXPECT_NEAR(tachometer(1, DASH_ANALOG_SPEEDOMETER_ON), 1.0f, 1e-3f);
  EXPECT_NEAR(DashGauges[DASH_SPEEDOMETER].value, 18.0f, 1e-3f) << "the car's own 5 m/s";
  DashUnits.kmh = 0;

  // The formula display: the preview draws what its state at the test drive draws, in top gear
  // with every lamp lit, and not what the car's own figures draw.
  car.dashType = 3;
  car.SetDashDefaults();
  car.flagWord = car.MakeFlagWord();
  const auto preview = [&] {
    EXPECT_EQ(DrawDashboardPreview(car, 60.0f), nullptr);
    return ReadTargetPixels(target);
  };
  DashCarState s = DashStateOf(car);
  s.live = 1;
  s.lampWord = 0xFFFFFFFFu;
  s.gearIndex = 6;
  s.speed = 100.0f / 3.6f;
  s.engineSpeed = 0.8f * car.engine.redline;
  const std::vector<uint8_t> testDrive = preview();
  Draw(s);
  EXPECT_TRUE(pixels == testDrive) << "type 3 at the test drive";
  s.speed = car.speed;
  s.engineSpeed = car.engine.speed;
  Draw(s);
  EXPECT_FALSE(pixels == testDrive) << "type 3 at the car's own figures";
  // No gears: the top gear is position 0 (reverse), not one below it (shown as neutral).
  car.gearCount = 0;
  s = DashStateOf(car);
  s.live = 1;
  s.lampWord = 0xFFFFFFFFu;
  s.speed = 100.0f / 3.6f;
  s.engineSpeed = 0.8f * car.engine.redline;
  const std::vector<uint8_t> noGears = preview();
  s.gearIndex = 0;
  Draw(s);
  EXPECT_TRUE(pixels == noGears) << "gear position 0";
  s.gearIndex = -1;
  Draw(s);
  EXPECT_FALSE(pixels == noGears) << "not position -1";
}

// The formula display's LCD arc at its defaults: centred at (0, 0.15), radii 1.33 across and
// 1.09 up, from 135 degrees turning 90 clockwise in 36 segments (to 8000 rpm), its inner edge
// at 0.96 of the radius at the start and 0.90 at the end.  At rest a mark stands at either
// end of the arc, the last segment's as well as the first's; the marks' ink (black at 208 of
// 255) reads 9 in red where the backing reads 49.
TEST_F(DashPixels, TheLcdArcHasAMarkAtEitherEndAndIsNotDrawnPastTheMostEngineSpeed) {
  DashCarState s = State(3);
  s.engineSpeed = 0.0f;
  s.lampMask = 0;
  Draw(s, "formula_lcd_arc");
  const double pi = 3.14159265358979;
  for (const auto& [degrees, inner] : {std::pair{135.0, 0.96}, std::pair{45.0, 0.90}}) {
    const double a = degrees * pi / 180.0, r = (inner + 1.0) / 2.0;
    const float x = float(std::cos(a) * 1.33 * r), y = float(0.15 - std::sin(a) * 1.09 * r);
    EXPECT_GT(CountIn(0, 0, 20, x - 0.01f, y - 0.01f, x + 0.01f, y + 0.01f), 0) << degrees << " degrees";
  }
  // Half way along (90 degrees), between the marks of 4000 and 5000 rpm, nothing at rest.
  const double a = 90.0 * pi / 180.0;
  const float x = float(std::cos(a) * 1.33 * 0.95), y = float(0.15 - std::sin(a) * 1.09 * 0.95);
  EXPECT_EQ(CountIn(0, 0, 20, x - 0.01f, y - 0.01f, x + 0.01f, y + 0.01f), 0);

  // An arc starting at 0 degrees with a radius of 0.3 puts its first mark and its figure "0"
  // about (0.3, 0.1); a maximum engine speed past the most makes no arc: nothing there.
  FormulaDashBlock b = ReadFormulaBlock(s.block);
  b.arc.start = 0;
  b.arc.radiusX = b.arc.radiusY = 30;
  WriteFormulaBlock(b, s.block);
  Draw(s);
  EXPECT_GT(CountIn(0, 0, 20, 0.2f, 0.0f, 0.4f, 0.2f), 0) << "the first mark and figure";
  s.maxEngineSpeed = 2.0f * DASH_MOST_RPM / 9.549296f;
  Draw(s, "formula_lcd_arc_none");
  EXPECT_EQ(CountIn(0, 0, 20, 0.2f, 0.0f, 0.4f, 0.2f), 0) << "no arc, no figure";
}

// The formula display's fuel line stands in its display box (at x 0, y -0.25, 0.12 high): its
// first characters in the LCD ink (9 in red on a backing of 49); a remote car's is not shown.
TEST_F(DashPixels, TheFormulaDisplaysFuelLineStandsInItsBoxUnlessTheCarIsRemote) {
  DashCarState s = State(3);
  s.lampMask = 0;
  Draw(s);
  EXPECT_GT(CountIn(0, 0, 20, 0.0f, -0.24f, 0.4f, -0.14f), 20) << "\"Fuel\"";
  s.remote = 1;
  Draw(s);
  EXPECT_EQ(CountIn(0, 0, 20, 0.0f, -0.24f, 0.4f, -0.14f), 0) << "remote";
}

// The colours a block sets are its own: the needle of type 1 and of type 2, the LED gear of
// types 1 and 3, each in the block's colour with colours set and in the configuration's
// without (the test makes the two differ).
TEST_F(DashPixels, TheNeedleAndLedColoursComeFromTheBlockOnlyWithColoursSet) {
  CfgClockNeedle2 = Word(200, 40, 40);
  CfgRoadGearLed2 = Word(255, 160, 0);
  const float r = 0.5f * GAUGE_RADIUS_SCALE;
  const float angle = 48 * 0.08726647f + 48 * -0.08726647f * 4.0f / 9.0f;  // 4000 rpm on a dial to 9
  const float nx = std::cos(angle) * 0.4f * r, ny = -std::sin(angle) * 0.4f * r;
  for (const int type : {1, 2}) {
    for (const bool set : {true, false}) {
      SCOPED_TRACE(testing::Message() << "type " << type << (set ? ", colours set" : ""));
      DashCarState s = State(type);
      AnalogDashBlock b = QuietBlock(0);
      uint32_t flags = DashFlags(b.flags) & ~uint32_t(DASH_ANALOG_TACHOMETER_OFF);
      if (!set) flags &= ~uint32_t(DASH_COLOURS_SET);
      SetDashFlags(b.flags, flags);
      b.needle = DashColour{40, 200, 40, 0};
      b.dials[DASH_TACHOMETER] = DashDial{100, 100, 48, 48, 100, 0, 0, 0};
      WriteAnalogBlock(b, s.block);
      s.capacity = 0;
      Draw(s);
      EXPECT_TRUE(Near(At(nx, ny), set ? Shown(40, 200, 40) : Shown(200, 40, 40))) << Str(At(nx, ny));
    }
  }
  // The LED gear "3" of type 1: blue from the block, orange from the configuration.
  const float h = 0.3f, w = RawCodesWidth("\x98", h);
  for (const bool set : {true, false}) {
    DashCarState s = State(1);
    AnalogDashBlock b = QuietBlock(0);
    uint32_t flags = DashFlags(b.flags) & ~uint32_t(DASH_ANALOG_LED_GEAR_OFF);
    if (!set) flags &= ~uint32_t(DASH_COLOURS_SET);
    SetDashFlags(b.flags, flags);
    b.ledGear = DashBox{20, 20, 20, 30};
    WriteAnalogBlock(b, s.block);
    s.capacity = 0;
    Draw(s);
    EXPECT_EQ(MostIn(2, -0.8f, -0.8f, -0.8f + w, -0.8f + h) > 200, set) << set;
    EXPECT_EQ(MostIn(0, -0.8f, -0.8f, -0.8f + w, -0.8f + h) > 200, !set) << set;
  }
  // Type 3's LED gear with its own colour set: green.
  DashCarState s = State(3);
  FormulaDashBlock f = ReadFormulaBlock(s.block);
  SetDashFlags(f.flags, DASH_COLOURS_SET | DASH_FORMULA_LED_GEAR | DASH_FORMULA_LED_TACHOMETER);
  f.backing = DashColour{0, 0, 0, 0};
  f.led = DashColour{40, 255, 40, 0};
  f.gear = DashBox{20, 20, 20, 30};
  WriteFormulaBlock(f, s.block);
  s.lampMask = 0;
  s.engineSpeed = 0.0f;
  Draw(s);
  EXPECT_GT(MostIn(1, -0.8f, -0.8f, -0.8f + w, -0.8f + h), 200);
  EXPECT_LT(MostIn(0, -0.8f, -0.8f, -0.8f + w, -0.8f + h), 100) << "not the configuration's orange";
  // Not live: only the unlit "8", a faint shade of the same green (255 x 16 / 255 = 16).
  s.live = 0;
  Draw(s);
  EXPECT_LT(MostIn(1, -0.8f, -0.8f, -0.8f + w, -0.8f + h), 60) << "no gear lit";
  EXPECT_GT(CountIn(1, 8, 40, -0.8f, -0.8f, -0.8f + w, -0.8f + h), 5) << "the unlit 8 in faint green";
}

// The steering wheel's fuel line takes the split-time text colour on type 4 and the clock's
// text colour on type 5 (the test makes them green and grey).
TEST_F(DashPixels, TheSteeringWheelsTextColourByType) {
  CfgSplitText = Word(40, 220, 40);
  CfgClockText2 = Word(200, 200, 200);
  const Rgb full = Shown(200, 220, 0);  // the grey's red and the green's green as the target holds them
  const auto greenAndGrey = [&](int type) {
    DashCarState s = State(type);
    Draw(s);
    int green = 0, grey = 0;
    for (int y = Px(0.2f); y <= Px(0.35f); ++y)
      for (int x = Px(-0.75f); x <= Px(0.6f); ++x) {
        const uint8_t* q = &pixels[(size_t(y) * SIZE + size_t(x)) * 4];
        green += q[1] > full.g - 20 && q[0] < full.g / 2;
        grey += q[0] > full.r - 20 && q[1] > full.r - 20;
      }
    return std::pair{green, grey};
  };
  const auto [green4, grey4] = greenAndGrey(4);
  EXPECT_GT(green4, 20);
  EXPECT_EQ(grey4, 0);
  const auto [green5, grey5] = greenAndGrey(5);
  EXPECT_EQ(green5, 0);
  EXPECT_GT(grey5, 20);
}

// Symbol 2 shows a lamp's second symbol where it has one (the left signal), and its first
// where it has none (the handbrake): the same picture as symbol 1.
TEST_F(DashPixels, SymbolTwoShowsTheSecondSymbolWhereTheLampHasOne) {
  const auto picture = [&](int lamp, uint8_t symbol) {
    DashCarState s = State(1);
    AnalogDashBlock b = QuietBlock(0);
    b.lights[lamp] = DashLight{100, 100, 10, symbol};
    WriteAnalogBlock(b, s.block);
    s.engineType = 0;
    s.lampMask = 1u << lamp;
    s.lampWord = 1u << lamp;
    Draw(s);
    return pixels;
  };
  EXPECT_FALSE(picture(DASH_LAMP_LEFT, 2) == picture(DASH_LAMP_LEFT, 1)) << "the left signal's two symbols";
  EXPECT_TRUE(picture(DASH_LAMP_HANDBRAKE, 2) == picture(DASH_LAMP_HANDBRAKE, 1)) << "the handbrake has one";
  EXPECT_FALSE(picture(DASH_LAMP_HANDBRAKE, 1) == picture(DASH_LAMP_HANDBRAKE, 0)) << "symbol 0: the plain lamp";
}

// A black rectangle one unit (1/32) wide or high is still drawn; one of no width is not.
TEST_F(DashPixels, ABlackRectangleOneUnitWideOrHighIsDrawn) {
  for (const auto& [rect, x, y] : {std::tuple{DashRect{4, 4, 1, 4}, -0.86f, -0.8f}, {DashRect{4, 4, 8, 1}, -0.8f, -0.86f}}) {
    DashCarState s = State(2);
    AnalogDashBlock b = QuietBlock(0);
    SetDashFlags(b.flags, DashFlags(b.flags) & ~uint32_t(DASH_COLOURS_SET));
    b.blackRectangle = rect;
    WriteAnalogBlock(b, s.block);
    s.engineType = 0;
    Draw(s);
    EXPECT_TRUE(Near(At(x, y), Rgb{0, 0, 0})) << int(rect.width) << " x " << int(rect.height) << ": " << Str(At(x, y));
    EXPECT_TRUE(Near(At(-0.8f, -0.7f), Rgb{255, 255, 255})) << "white above it";
  }
}

// The battery display's first line starts in its first cell: the speed's first digit.
TEST_F(DashPixels, TheBatteryLinesFirstCellHoldsTheSpeedsFirstDigit) {
  DashCarState s = State(6);
  const float g = GLYPH_BOX_HEIGHT;
  const float pitch = (0.86f - 16.0f * 0.0864f * g) / 15.0f + 0.0864f * g;
  Draw(s);
  EXPECT_GT(CountIn(0, 0, 60, -0.43f, -0.69f, -0.43f + pitch, -0.57f), 5) << "the 3 of 36 km/h";
}

// The formula display's lines in their cells (the display box at x -0.8, y -0.25, 0.08 high:
// cells 0.096 apart): "Fuel 50.0%" with a blank cell between the word and the figure and none
// after the "%"; the setting line one cell pitch under it.  Its LCD gear lights the gear in
// the LED colour only while live.
TEST_F(DashPixels, TheFormulaDisplaysLinesStandInTheirCellsAndItsLcdGearLights) {
  DashCarState s = FormulaDisplayCar();
  std::strcpy(s.race.setupLine, "W");
  Draw(s, "formula_lines");
  const float h = 0.08f, pitch = 1.2f * h, x0 = -0.8f, y0 = -0.25f;
  const auto ink = [&](int line, int k) {
    const float x = x0 + float(k) * pitch, y = y0 + float(line) * pitch;
    return CountIn(0, 0, 20, x + 0.2f * pitch, y + 0.1f * h, x + 0.8f * pitch, y + 0.9f * h);
  };
  for (const int k : {0, 1, 2, 3, 5, 6, 8, 9}) EXPECT_GT(ink(0, k), 0) << "cell " << k << " of \"Fuel 50.0%\"";
  for (const int k : {4, 10, 11}) EXPECT_EQ(ink(0, k), 0) << "blank cell " << k;
  EXPECT_GT(ink(1, 0), 0) << "the setting line's W";
  EXPECT_EQ(ink(1, 1), 0);
  const float gh = 0.3f, gw = RawCodesWidth("\x98", gh);
  EXPECT_GT(MostIn(2, -0.8f, -0.8f, -0.8f + gw, -0.8f + gh), 200) << "the gear in the LED blue";
  s.live = 0;
  Draw(s);
  EXPECT_LT(MostIn(2, -0.8f, -0.8f, -0.8f + gw, -0.8f + gh), 180) << "not live: no gear";
  EXPECT_EQ(ink(0, 0), 0) << "not live: no fuel line";
}

// A setting line holds sixteen cells: the brake balance at 100% reads "Brake Bal Fr 100%",
// seventeen letters, and shows as "Brake Bal Fr 100" with nothing in a seventeenth cell.
// The formula display's setting line: cells 0.096 apart from x -0.8, y -0.25 + 0.096.
TEST_F(DashPixels, ASettingLineShowsSixteenCellsAndNoSeventeenth) {
  DashCarState s = FormulaDisplayCar();
  std::strcpy(s.race.setupLine, "Brake Bal Fr 100%");
  ASSERT_EQ(std::strlen(s.race.setupLine), 17u);
  Draw(s);
  const float h = 0.08f, pitch = 1.2f * h, x0 = -0.8f, y = -0.25f + pitch;
  const auto ink = [&](int k) {
    const float x = x0 + float(k) * pitch;
    return CountIn(0, 0, 20, x + 0.1f * pitch, y + 0.1f * h, x + 0.9f * pitch, y + 0.9f * h);
  };
  for (const int k : {0, 13, 14, 15}) EXPECT_GT(ink(k), 0) << "cell " << k << " of \"Brake Bal Fr 100\"";
  EXPECT_EQ(ink(12), 0) << "the blank before 100";
  EXPECT_EQ(ink(16), 0) << "no seventeenth cell: the % is not drawn";
  // The same line with its last letter in the sixteenth cell shows it there.
  std::strcpy(s.race.setupLine, "Brake Bal Fr 10%");
  Draw(s);
  EXPECT_GT(ink(15), 0) << "the % in the sixteenth cell";
}

// The steering wheel's gear stands lit in the middle (0.34 high from y -0.45) while live, and
// its setting line stands under the fuel line (at y 0.4) unless the car is remote; not live,
// only the unlit digits stand.
TEST_F(DashPixels, TheSteeringWheelsGearAndSettingLine) {
  DashCarState s = State(4);
  std::strcpy(s.race.setupLine, "W");
  Draw(s, "wheel_gear");
  const float gh = 0.34f, gw = RawCodesWidth("\x98", gh);
  EXPECT_GT(MostIn(0, -0.5f * gw, -0.45f, 0.5f * gw, -0.45f + gh), 200) << "the gear in red";
  const float g = GLYPH_BOX_HEIGHT;
  const float pitch = (1.5f - 16.0f * 0.135f * g) / 15.0f + 0.135f * g;
  const auto settingInk = [&] { return CountIn(0, 100, 255, -0.75f, 0.41f, -0.75f + pitch, 0.54f); };
  EXPECT_GT(settingInk(), 3) << "the W";
  EXPECT_EQ(CountIn(0, 100, 255, -0.75f + pitch, 0.41f, -0.75f + 3.0f * pitch, 0.54f), 0) << "one character";
  s.remote = 1;
  Draw(s);
  EXPECT_EQ(settingInk(), 0) << "a remote car's setting line is empty";
  s.remote = 0;
  s.live = 0;
  Draw(s);
  EXPECT_LT(MostIn(0, -0.5f * gw, -0.45f, 0.5f * gw, -0.45f + gh), 100) << "not live: the unlit 8 only";
  // Not live, the speed's and the timer's unlit "888.8" and "88.88" still stand faint in their
  // places right and left of the centre (0.22 high from y -0.35).
  EXPECT_GT(CountIn(0, 8, 40, 0.25f, -0.33f, 0.65f, -0.15f), 5) << "the speed's unlit digits";
  EXPECT_GT(CountIn(0, 8, 40, -0.65f, -0.33f, -0.25f, -0.15f), 5) << "the timer's unlit digits";
  EXPECT_LT(MostIn(0, 0.25f, -0.33f, 0.65f, -0.15f), 60) << "none lit";
}

// The battery display's line in its sixteen cells: the speed in the first six (held to 0..999
// km/h), the fuel from the seventh; the setting line under it; its gear lit red left of the
// panel.  A tank of 0 reads as an empty one.
TEST_F(DashPixels, TheBatteryDisplaysLineCellsSettingLineAndGear) {
  const float g = GLYPH_BOX_HEIGHT;
  const float pitch = (0.86f - 16.0f * 0.0864f * g) / 15.0f + 0.0864f * g;
  const auto ink = [&](float y, int k) {
    const float x = -0.43f + float(k) * pitch;
    return CountIn(0, 0, 60, x + 0.15f * pitch, y + 0.01f, x + 0.85f * pitch, y + 0.15f);
  };
  DashCarState s = State(6);
  std::strcpy(s.race.setupLine, "W");
  Draw(s, "battery_lines");
  EXPECT_GT(ink(-0.7f, 1), 0) << "the 6 of 36 km/h";
  for (const int k : {2, 5}) EXPECT_EQ(ink(-0.7f, k), 0) << "blank cell " << k;
  EXPECT_GT(ink(-0.7f, 6), 0) << "the F of Fuel in the seventh cell";
  EXPECT_GT(ink(-0.55f, 0), 0) << "the setting line's W";
  EXPECT_EQ(ink(-0.55f, 1), 0);
  const float gh = 0.61f, gw = RawCodesWidth("\x98", gh);
  EXPECT_GT(MostIn(0, -0.79f - 0.5f * gw, -0.35f, -0.79f + 0.5f * gw, -0.35f + gh), 200) << "the gear";
  EXPECT_LT(MostIn(0, -0.3f, -0.35f, -0.1f, -0.35f + gh), 100) << "nothing of the gear right of the panel's edge";
  s.speed = 1000.0f;  // 3600 km/h
  Draw(s);
  EXPECT_GT(ink(-0.7f, 2), 0) << "999";
  EXPECT_EQ(ink(-0.7f, 3), 0) << "no fourth digit";
  s.speed = -10.0f;
  Draw(s);
  EXPECT_GT(ink(-0.7f, 0), 0) << "0";
  EXPECT_EQ(ink(-0.7f, 1), 0) << "no sign, no second digit";
  s.speed = 10.0f;
  s.fuel = 0.0f;
  Draw(s);
  std::vector<int> empty;
  for (int k = 10; k < 16; ++k) empty.push_back(ink(-0.7f, k));
  s.fuel = 20.0f;
  s.capacity = 0.0f;
  Draw(s);
  for (int k = 10; k < 16; ++k) EXPECT_EQ(ink(-0.7f, k), empty[size_t(k - 10)]) << "a tank of 0 reads 0.0%, cell " << k;
}

// Type 3 without its own colours: the black rectangle is drawn unless the configuration's
// first dash colour (the backing) is black, whatever the others are.
TEST_F(DashPixels, TypeThreesBlackRectangleFollowsTheConfigurationsBacking) {
  DashCarState s = State(3);
  FormulaDashBlock b = ReadFormulaBlock(s.block);
  SetDashFlags(b.flags, DASH_FORMULA_LED_TACHOMETER | DASH_FORMULA_LED_GEAR);
  b.blackRectangle = DashRect{4, 4, 8, 4};  // x -0.875 .. -0.625, y -0.875 .. -0.75
  b.tachometerX = 100;
  b.tachometerY = 190;
  b.row = LedRowShape{5, 10, 5, {}};
  WriteFormulaBlock(b, s.block);
  s.lampMask = 0;
  CfgCarDashColours[1] = Word(0, 0, 0);
  Draw(s);
  EXPECT_TRUE(Near(At(-0.8f, -0.8f), Rgb{0, 0, 0})) << Str(At(-0.8f, -0.8f));
  EXPECT_TRUE(Near(At(-0.8f, -0.7f), ShownWord(CfgCarDashColours[0]))) << Str(At(-0.8f, -0.7f));
}

// The frame sets up the gauges of types 1 and 2 before it draws them: the water and oil
// temperatures a third of the way up (kinds 6 and 7), the fuel gauge the tank's share of its
// dial (kind 6) under the fuel symbol, or the battery's for a battery car, with no needle for
// a remote car; the tachometer to the dial's own maximum (24 x 500 rpm: 12 thousands).  Type
// 0 draws no rate gauge, and its tachometer's maximum is automatic.
TEST_F(DashPixels, TheFrameSetsUpTheTemperatureFuelAndTachometerGauges) {
  DashCarState s = State(1);
  AnalogDashBlock b = QuietBlock(DASH_ANALOG_OIL_TEMPERATURE_ON);
  SetDashFlags(b.flags, DashFlags(b.flags) & ~uint32_t(DASH_ANALOG_TACHOMETER_OFF));
  b.dials[DASH_TACHOMETER].maximum = 24;
  WriteAnalogBlock(b, s.block);
  DashGauges[DASH_WATER].maximum = 12;
  DashGauges[DASH_OIL_TEMPERATURE].maximum = 9;
  DashGauges[DASH_FUEL].maximum = 10;
  Draw(s);
  EXPECT_EQ(DashGauges[DASH_WATER].kind, 6);
  EXPECT_FLOAT_EQ(DashGauges[DASH_WATER].value, 12.0f * 0.333f);
  EXPECT_EQ(DashGauges[DASH_OIL_TEMPERATURE].kind, 7);
  EXPECT_FLOAT_EQ(DashGauges[DASH_OIL_TEMPERATURE].value, 9.0f * 0.333f);
  const DashGauge& fuel = DashGauges[DASH_FUEL];
  EXPECT_EQ(fuel.kind, 6);
  EXPECT_STREQ(fuel.symbol, "\xBE");
  EXPECT_EQ(fuel.needle, 1);
  EXPECT_FLOAT_EQ(fuel.value, 5.0f) << "20 of 40 on a dial of 10";
  EXPECT_EQ(DashGauges[DASH_TACHOMETER].maximum, 12);
  s.engineType = 6;
  s.remote = 1;
  Draw(s);
  EXPECT_STREQ(fuel.symbol, "\xC6") << "the battery's symbol";
  EXPECT_EQ(fuel.needle, 0) << "a remote car's";
  EXPECT_EQ(fuel.value, 0.0f);

  DashGauges[DASH_TURBO].maximum = 7;
  s = State(0);
  Draw(s);
  EXPECT_EQ(DashGauges[DASH_TURBO].maximum, 7) << "type 0 has no rate gauge";
  EXPECT_EQ(DashGauges[DASH_TACHOMETER].maximum, 9) << "type 0's tachometer is automatic: 8 + the gap";
}

// The display's texts (style 2 plain, style 3 in LCD digits) in the display's text colour:
// the clock on the first line, the odometer 1.5 lines under it; none while not live.  The
// display spans the target's width from y 0: its texts 0.1 high from an inset of 0.08.
TEST_F(DashPixels, TheDisplaysClockAndOdometerLines) {
  DashCarState s = State(1);
  AnalogDashBlock b = DisplayTextsBlock();
  WriteAnalogBlock(b, s.block);
  s.engineType = 0;
  s.distance = 12345.0;  // 12.3 km
  WallTime three{};
  three.year = 2026, three.month = 3, three.day = 1, three.hour = 15, three.minute = 4;
  ClockUseFake(0, three);
  const auto ink = [&](float y, float x0, float x1) { return CountIn(1, 200, 255, x0, y + 0.01f, x1, y + 0.09f); };
  const float clockY = 0.08f, odometerY = 0.08f + 0.15f;
  Draw(s, "display_texts");
  const int clock = ink(clockY, -0.95f, 0.0f), odometer = ink(odometerY, -0.95f, 0.0f);
  EXPECT_GT(clock, 20) << "15:04";
  EXPECT_GT(odometer, 10) << "12.3";
  EXPECT_EQ(ink(clockY, -0.99f, -0.93f), 0) << "the inset";
  const std::vector<uint8_t> plain = pixels;
  // The pixels of a line's band, row after row.
  const auto band = [&](float y) {
    std::vector<uint8_t> out;
    for (int py = Px(y + 0.01f); py <= Px(y + 0.09f); ++py)
      out.insert(out.end(), pixels.begin() + std::ptrdiff_t((size_t(py) * SIZE + size_t(Px(-0.95f))) * 4),
                 pixels.begin() + std::ptrdiff_t((size_t(py) * SIZE + size_t(Px(0.0f))) * 4));
    return out;
  };
  const std::vector<uint8_t> plainClock = band(clockY), plainOdometer = band(odometerY);
  s.distance = 0.0;
  Draw(s);
  EXPECT_LT(ink(odometerY, -0.95f, 0.0f), odometer) << "0.0 is shorter than 12.3";
  DashUnits.twelveHour = 1;
  Draw(s);
  EXPECT_LT(ink(clockY, -0.95f, 0.0f), clock) << "3:04 is shorter than 15:04";
  DashUnits.twelveHour = 0;
  s.distance = 12345.0;
  b.displayStyle = 3;
  WriteAnalogBlock(b, s.block);
  Draw(s, "display_lcd_texts");
  EXPECT_GT(ink(clockY, -0.95f, 0.0f), 20);
  EXPECT_GT(ink(odometerY, -0.95f, 0.0f), 10);
  EXPECT_FALSE(pixels == plain) << "LCD digits, not the plain ones";
  EXPECT_FALSE(band(clockY) == plainClock) << "the clock in LCD digits";
  EXPECT_FALSE(band(odometerY) == plainOdometer) << "the odometer in LCD digits";
  s.live = 0;
  Draw(s);
  EXPECT_EQ(ink(clockY, -0.95f, 0.0f), 0) << "not live: the background only";
  EXPECT_EQ(ink(odometerY, -0.95f, 0.0f), 0);
  ClockUseReal();
}

// The clock line shows the hour and the minute of the wall clock, in 24 hours when the
// twelve-hour setting is off: 15:04 and 15:07 differ in the minute, 15:04 and 03:04 in the
// hour (a twelve-hour clock would show "3:04" for both).
TEST_F(DashPixels, TheDisplaysClockShowsTheHourAndTheMinute) {
  DashCarState s = State(1);
  WriteAnalogBlock(DisplayTextsBlock(), s.block);
  s.engineType = 0;
  DashUnits.twelveHour = 0;
  const float clockY = 0.08f;
  // The clock line's band, row after row.
  const auto band = [&]() {
    std::vector<uint8_t> out;
    for (int py = Px(clockY + 0.01f); py <= Px(clockY + 0.09f); ++py)
      out.insert(out.end(), pixels.begin() + std::ptrdiff_t((size_t(py) * SIZE + size_t(Px(-0.95f))) * 4),
                 pixels.begin() + std::ptrdiff_t((size_t(py) * SIZE + size_t(Px(0.0f))) * 4));
    return out;
  };
  const auto drawnAt = [&](int hour, int minute) {
    WallTime t{};
    t.year = 2026, t.month = 3, t.day = 1, t.hour = hour, t.minute = minute;
    ClockUseFake(0, t);
    Draw(s);
    return band();
  };
  const std::vector<uint8_t> fourPastThree = drawnAt(15, 4);
  const std::vector<uint8_t> sevenPastThree = drawnAt(15, 7);
  const std::vector<uint8_t> fourPastThreeAtNight = drawnAt(3, 4);
  const std::vector<uint8_t> again = drawnAt(15, 4);
  ClockUseReal();
  EXPECT_TRUE(again == fourPastThree) << "the same time draws the same line";
  EXPECT_FALSE(sevenPastThree == fourPastThree) << "15:07 against 15:04: the minute is shown";
  EXPECT_FALSE(fourPastThreeAtNight == fourPastThree) << "03:04 against 15:04: the hour is not taken modulo 12";
}

// A lamp is a disc at full colour to 0.8 of its radius with a ring fading out to the radius:
// the centre first, then for each of its 16 segments the inner point and the outer one, at
// angle i x 22.5 degrees.  A red lamp of radius 0.1 at (0.5, -0.25), on a window that leaves
// the units as they are: the inner point of segment 0 at (0.58, -0.25), its outer point at
// (0.6, -0.25) and transparent; segment 1's outer point at (0.5 + 0.1 cos 22.5,
// -0.25 + 0.1 sin 22.5) = (0.592388, -0.211732).
TEST_F(DashPixels, ALampsFadingRingStandsAroundItsCentre) {
  const ScreenWindow kept = RenderTargets.window;
  RenderTargets.window.centreX = RenderTargets.window.centreY = 0.0f;
  RenderTargets.window.scaleX = RenderTargets.window.scaleY = 1.0f;
  if (Draw2DList.counters.batchOpen) Draw2DList.EndBatch();  // the lamp opens a batch of its own
  FillLamp(0xFFFF0000u, 0.5f, -0.25f, 0.1f);
  RenderTargets.window = kept;
  const uint32_t first = Draw2DList.counters.batchVertexStart;
  ASSERT_EQ(Draw2DList.counters.vertexCount - first, 1u + 2u * 16u);
  const std::vector<Draw2DVertex> v(Draw2DList.vertices.begin() + std::ptrdiff_t(first),
                                    Draw2DList.vertices.begin() + std::ptrdiff_t(first + 33));
  Draw2DList.Reset();  // the lamp is not drawn
  EXPECT_NEAR(v[0].x, 0.5f, 1e-5f);
  EXPECT_NEAR(v[0].y, -0.25f, 1e-5f);
  EXPECT_NEAR(v[1].x, 0.58f, 1e-5f);
  EXPECT_NEAR(v[1].y, -0.25f, 1e-5f);
  EXPECT_EQ(v[1].colour >> 24, 0xFFu) << "the solid disc";
  EXPECT_NEAR(v[2].x, 0.6f, 1e-5f);
  EXPECT_NEAR(v[2].y, -0.25f, 1e-5f);
  EXPECT_EQ(v[2].colour >> 24, 0u) << "the ring fades out";
  EXPECT_NEAR(v[4].x, 0.592388f, 1e-5f);
  EXPECT_NEAR(v[4].y, -0.211732f, 1e-5f);
  EXPECT_EQ(v[4].colour >> 24, 0u);
}

// The gear bar of nine positions labels every one of them: the ninth ("7") too.
TEST_F(DashPixels, TheGearBarOfNinePositionsLabelsTheNinth) {
  DashCarState s = GearBarCar();
  s.gearCount = 9;
  s.gearIndex = 0;
  Draw(s, "gear_bar_nine");
  const float width = 0.75f, inset = 0.04f * width, step = (width - 2 * inset) / 9.0f;
  const float left = -0.875f + inset, bottom = -0.375f - inset;
  const float labelTop = bottom - 0.22f * width + 0.02f, labelSize = 0.21f * (width - 2 * inset);
  EXPECT_GT(CountIn(0, 200, 255, left + 8.1f * step, labelTop, left + 8.9f * step, labelTop + labelSize), 3)
      << "the ninth label";
}

// The formula display draws the block's lamps as the analog ones do: lit in the lamp's colour,
// dark grey while the lamp word's bit is clear.
TEST_F(DashPixels, TheFormulaDisplayDrawsItsLamps) {
  DashCarState s = State(3);
  FormulaDashBlock b = ReadFormulaBlock(s.block);
  SetDashFlags(b.flags, DASH_FORMULA_LED_TACHOMETER | DASH_FORMULA_LED_GEAR);
  b.tachometerX = 100;
  b.tachometerY = 190;
  b.row = LedRowShape{5, 10, 5, {}};
  for (DashLight& l : b.lights) l = DashLight{0, 0, 0, 0};
  b.lights[DASH_LAMP_HANDBRAKE] = DashLight{60, 150, 6, 0};  // x -0.4, y 0.5
  WriteFormulaBlock(b, s.block);
  s.lampMask = 1u << DASH_LAMP_HANDBRAKE;
  s.lampWord = 1u << DASH_LAMP_HANDBRAKE;
  Draw(s, "formula_lamp");
  EXPECT_TRUE(Near(At(-0.4f, 0.5f), Shown(255, 48, 48))) << Str(At(-0.4f, 0.5f));
  s.lampWord = 0;
  Draw(s);
  EXPECT_TRUE(Near(At(-0.4f, 0.5f), Shown(32, 32, 32))) << Str(At(-0.4f, 0.5f));
}

// Every gauge of the analog dash drawn is placed from its own dial's bytes: dial k at x 110 +
// 10k and y 90 - 10k (b x 0.01 - 1: 0.1 + 0.1k and -0.1 - 0.1k) with a radius of 20 + 4k
// (b x 0.005: 0.1 + 0.02k).
TEST_F(DashPixels, EachAnalogGaugeIsPlacedFromItsOwnDial) {
  DashCarState s = State(1);
  AnalogDashBlock b = QuietBlock(DASH_ANALOG_SPEEDOMETER_ON | DASH_ANALOG_OIL_TEMPERATURE_ON | DASH_ANALOG_OIL_PRESSURE_ON);
  SetDashFlags(b.flags, DashFlags(b.flags) & ~uint32_t(DASH_ANALOG_CLOCK_OFF | DASH_ANALOG_TURBO_OFF |
                                                       DASH_ANALOG_TACHOMETER_OFF));
  for (int k = 0; k < 8; ++k) {
    b.dials[k].x = uint8_t(110 + 10 * k);
    b.dials[k].y = uint8_t(90 - 10 * k);
    b.dials[k].radius = uint8_t(20 + 4 * k);
    b.dials[k].start = 18;
    b.dials[k].turn = 54;
  }
  WriteAnalogBlock(b, s.block);
  for (DashGauge& g : DashGauges) g.centreX = g.centreY = g.radiusX = 9.0f;
  Draw(s);
  for (int k = 0; k < 8; ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(DashGauges[k].centreX, 0.1f + 0.1f * float(k), 1e-5f);
    EXPECT_NEAR(DashGauges[k].centreY, -0.1f - 0.1f * float(k), 1e-5f);
    EXPECT_NEAR(DashGauges[k].radiusX, 0.1f + 0.02f * float(k), 1e-5f);
  }
}

// The display's clock line reads the wall clock of the frame: 15:04 and 09:58 draw different
// lines, and the same time the same line.
TEST_F(DashPixels, TheDisplaysClockLineFollowsTheWallClock) {
  DashCarState s = State(1);
  WriteAnalogBlock(DisplayTextsBlock(), s.block);
  s.engineType = 0;
  const float clockY = 0.08f;
  // The clock line's band of pixels, row after row.
  const auto band = [&] {
    std::vector<uint8_t> out;
    for (int py = Px(clockY + 0.01f); py <= Px(clockY + 0.09f); ++py)
      out.insert(out.end(), pixels.begin() + std::ptrdiff_t((size_t(py) * SIZE + size_t(Px(-0.95f))) * 4),
                 pixels.begin() + std::ptrdiff_t((size_t(py) * SIZE + size_t(Px(0.0f))) * 4));
    return out;
  };
  WallTime when{};
  when.year = 2026, when.month = 3, when.day = 1, when.hour = 15, when.minute = 4;
  ClockUseFake(0, when);
  Draw(s);
  const std::vector<uint8_t> afternoon = band();
  when.hour = 9, when.minute = 58;
  ClockUseFake(0, when);
  Draw(s);
  EXPECT_FALSE(band() == afternoon) << "09:58 is not 15:04";
  when.hour = 15, when.minute = 4;
  ClockUseFake(0, when);
  Draw(s);
  EXPECT_TRUE(band() == afternoon);
  ClockUseReal();
}
