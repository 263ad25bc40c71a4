// dash_figures_test.cpp - the dashboard's numbers without drawing: the dials' defaults and
// scales, the texts of the displays, the lamp word on its thresholds and the lamp mask the
// dashboard's flags give.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "core/config.h"
#include "dashboard/dash_block.h"
#include "dashboard/dash_draw_local.h"
#include "dashboard/dash_figures.h"
#include "physics/car.h"

namespace {

constexpr float RPM = 1.0f / 9.549296f;  // rad/s per rpm

}  // namespace

TEST(DashDials, DefaultsAndTheTachometerScales) {
  ResetDashDefaults();
  const int32_t maxima[8] = {180, 10, 15, 12, 10, 10, 150, 8}, gaps[8] = {5, 1, 1, 1, 1, 1, 50, 1};
  for (int i = 0; i < DASH_DIAL_COUNT; ++i) {
    const DashGauge& g = DashGauges[i];
    EXPECT_EQ(g.maximum, maxima[i]) << i;
    EXPECT_EQ(g.labelGap, gaps[i]) << i;
    EXPECT_EQ(g.needle, 1);
    EXPECT_FLOAT_EQ(g.radiusX, 0.1f);
    EXPECT_EQ(g.firstRedMark, 0);
  }
  EXPECT_FLOAT_EQ(DashGauges[DASH_CLOCK].turn, -6.2831855f);
  EXPECT_STREQ(DashGauges[DASH_FUEL].symbol, "\xBE");
  EXPECT_STREQ(DashGauges[DASH_OIL_TEMPERATURE].symbol, "\xC5\xC7");
  EXPECT_EQ(DashGauges[DASH_SPEEDOMETER].symbol, nullptr);

  DashGauge g{};
  SetupTachometer(g, 0, 0, 3000.0f * RPM, 7600.0f * RPM);
  EXPECT_EQ(g.labelGap, 1);
  EXPECT_EQ(g.maximum, 9) << "8 + the gap";
  EXPECT_EQ(g.firstRedMark, 15) << "the red from 7500 rpm";
  EXPECT_EQ(g.kind, 2);
  EXPECT_NEAR(g.value, 3.0f, 1e-4f);
  SetupTachometer(g, DASH_ANALOG_HUNDREDS, 0, 3000.0f * RPM, 7600.0f * RPM);
  EXPECT_EQ(g.labelGap, 5);
  SetupTachometer(g, DASH_ANALOG_HUNDREDS | DASH_ANALOG_SECOND_GAP | DASH_ANALOG_FIVE_STEPS, 0, 3000.0f * RPM,
                  7600.0f * RPM);
  EXPECT_EQ(g.labelGap, 10);
  EXPECT_EQ(g.kind, 3);
  EXPECT_NEAR(g.value, 30.0f, 1e-3f);
  EXPECT_EQ(g.maximum, 86);
  SetupTachometer(g, DASH_ANALOG_SECOND_GAP, 18, 0.0f, 7600.0f * RPM);
  EXPECT_EQ(g.labelGap, 2);
  EXPECT_EQ(g.maximum, 9) << "18 x 500 rpm, in thousands";
  EXPECT_STREQ(TachometerCaption(0), "\xD7" "1000");
  EXPECT_STREQ(TachometerCaption(DASH_ANALOG_HUNDREDS), "\xD7" "100");
  EXPECT_EQ(EngineDialFlags(2000.0f), 0u);
  EXPECT_EQ(EngineDialFlags(2000.5f), DASH_ANALOG_SECOND_GAP);
  // A redline of 20,000 rpm is a real one; a damaged engine draws no red.
  SetupTachometer(g, 0, 0, 0.0f, 20000.0f * RPM);
  EXPECT_EQ(g.firstRedMark, 40);
  for (float bad : {std::nanf(""), INFINITY, 200000.0f * RPM}) {
    SetupTachometer(g, 0, 0, bad, bad);
    EXPECT_EQ(g.firstRedMark, 0);
    EXPECT_EQ(g.maximum, 1);
    EXPECT_TRUE(std::isfinite(g.value));
  }
}

TEST(DashDials, SpeedometerUnitsTurboAndFrameRate) {
  DashGauge g{};
  g.turn = -4.0f;
  SetupSpeedometer(g, 0, 55.6f, 1, 10.0f);
  EXPECT_EQ(g.maximum, 200);
  EXPECT_FLOAT_EQ(g.turn, -4.0f);
  EXPECT_NEAR(g.value, 36.0f, 1e-4f);
  g.turn = -4.0f;
  SetupSpeedometer(g, 0, 55.6f, 0, 10.0f);
  EXPECT_EQ(g.maximum, 125);
  EXPECT_NEAR(g.turn, -4.0f * 125.0f * 1.6093f / 200.0f, 1e-5f) << "the needle's travel covers the same speed";
  EXPECT_NEAR(g.value, 22.37f, 1e-3f);
  EXPECT_EQ(g.kind, 1);
  SetupSpeedometer(g, 30, 55.6f, 1, 0.0f);
  EXPECT_EQ(g.maximum, 150) << "the dial's own maximum: 30 x 5 km/h";
  SetupSpeedometer(g, 0, 1.0f, 1, 0.0f);
  EXPECT_EQ(g.maximum, 30) << "at least 30";
  SetupSpeedometer(g, 0, std::nanf(""), 1, std::nanf(""));
  EXPECT_EQ(g.maximum, 30);
  EXPECT_EQ(g.value, 0.0f);
  SetupSpeedometer(g, 0, 2000.0f, 1, 0.0f);
  EXPECT_EQ(g.maximum, 3600) << "a top speed held at 1000 m/s: 3600 km/h";

  // The fuel gauge: empty for a tank of 0, held to the dial, hidden for a remote car.
  EXPECT_FLOAT_EQ(FuelGaugeValue(10, 20.0f, 40.0f), 5.0f);
  EXPECT_EQ(FuelGaugeValue(10, 20.0f, 0.0f), 0.0f);
  EXPECT_EQ(FuelGaugeValue(10, 80.0f, 40.0f), 10.0f);
  EXPECT_EQ(FuelGaugeValue(10, std::nanf(""), 40.0f), 0.0f);
  DashCarState remote;
  remote.remote = 1;
  EXPECT_EQ(FuelNeedleShown(remote), 0);
  DashUnits.showRemoteFuel = 1;
  EXPECT_EQ(FuelNeedleShown(remote), 1);
  DashUnits = DashSettings{};

  g.radiusX = 0.2f;
  SetupTurbo(g, 1, 1.0f, 0.5f, 0, 60.0f);
  EXPECT_EQ(g.maximum, 15);
  EXPECT_NEAR(g.value, 7.35f, 1e-5f);
  EXPECT_EQ(g.kind, 1);
  EXPECT_EQ(g.labelGap, 1);
  EXPECT_FLOAT_EQ(g.radiusY, 0.2f);
  SetupTurbo(g, 1, 1.0f, -0.5f, 1, 60.0f);
  EXPECT_EQ(g.maximum, 10) << "bar in tenths";
  SetupTurbo(g, 1, 200.0f, 0.0f, 0, 60.0f);
  EXPECT_EQ(g.maximum, 1470) << "a boost of 200 held at 100: 100 x 14.7 psi";
  SetupTurbo(g, 1, 1.0f, -0.5f, 1, 60.0f);
  EXPECT_EQ(g.value, 0.0f) << "held at 0";
  EXPECT_EQ(g.kind, 4);
  SetupTurbo(g, 0, 1.0f, 0.5f, 0, 240.0f);
  EXPECT_EQ(g.maximum, 100);
  EXPECT_EQ(g.value, 100.0f);
  EXPECT_EQ(g.labelGap, 5);
}

TEST(DashTexts, ClockOdometerWheelReadoutsAndFuelLine) {
  char t[DASH_TEXT_SIZE];
  FormatDashClock(0, 5, 0, t);
  EXPECT_STREQ(t, "00:05");
  FormatDashClock(0, 5, 1, t);
  EXPECT_STREQ(t, "12:05") << "hour 0 as 12";
  FormatDashClock(13, 7, 1, t);
  EXPECT_STREQ(t, "1:07");
  FormatDashClock(12, 0, 1, t);
  EXPECT_STREQ(t, "12:00");
  FormatOdometer(12345.0, 1, t);
  EXPECT_STREQ(t, "12.3");
  FormatOdometer(12345.0, 0, t);
  EXPECT_STREQ(t, "7.6");
  FormatOdometer(-5.0, 1, t);
  EXPECT_STREQ(t, "0.0");
  FormatOdometer(2e11, 1, t);
  EXPECT_STREQ(t, "100000000.0") << "held at 1e11 m: 1e8 km";

  FormatWheelSpeed(100.0f / 3.6f, 3.6f, t);
  EXPECT_STREQ(t, "100.0");
  FormatWheelSpeed(1000.0f / 3.6f, 3.6f, t);
  EXPECT_STREQ(t, "999.9");
  FormatWheelSpeed(1.0f, 3.6f, t);
  EXPECT_STREQ(t, "003.6");
  FormatWheelSpeed(-10.0f, 3.6f, t);
  EXPECT_STREQ(t, "000.0") << "backwards reads 0";
  FormatWheelSpeed(3.0e8f, 1.0f, t);
  EXPECT_STREQ(t, "999.9") << "far past the top: held before the rounding, not wrapped";
  FormatWheelTimer(1, 65070, t);  // 1:05.07
  EXPECT_STREQ(t, " 5.07") << "hundredths with a zero, not a blank";
  ToDigitCodes(t, LCD_SHIFT);
  EXPECT_STREQ(t, " \xA5\x9E\xA0\xA7") << "a blank stays a blank, not the LED 0 (0x90)";
  FormatWheelTimer(0, 65070, t);
  EXPECT_STREQ(t, " 0.00");
  char gear[2] = {char(GearGlyph(0)), 0};
  EXPECT_EQ(uint8_t(gear[0]), 0x8C);
  EXPECT_EQ(GearGlyph(1), 0x8B);
  EXPECT_EQ(GearGlyph(4), 0x93);
  EXPECT_EQ(GearGlyph(99), 0x8B);
  EXPECT_EQ(GearGlyph(8), 0x97) << "'7', the last gear: 0x37 + 0x60";
  EXPECT_EQ(GearGlyph(9), 0x8B) << "one past the last: neutral";
  EXPECT_EQ(GearGlyph(-1), 0x8B);

  DashCarState s;
  s.engineType = 1;
  s.fuel = 30.0f;
  s.capacity = 60.0f;
  FormatFuelLine(s, t);
  EXPECT_STREQ(t, "Fuel 50.0%      ") << "no laps shown before any fuel is used";
  s.race.lapsCounted = 2;
  s.race.fuelUsed = 4.0f;
  FormatFuelLine(s, t);
  EXPECT_STREQ(t, "Fuel 50.0% 15.0L");
  EXPECT_EQ(std::strlen(t), 16u) << "the laps end at character 16";
  s.race.fuelUsed = 0.1f;
  FormatFuelLine(s, t);
  EXPECT_STREQ(t, "Fuel 50.0%      ") << "600 laps: not shown";
  s.race.fuelUsed = 4.0f;
  s.fuel = -2.0f;
  FormatFuelLine(s, t);
  EXPECT_STREQ(t, "Fuel 0.0%   0.0L") << "less than no fuel: 0 and 0 laps";
  s.fuel = 30.0f;
  s.race.lapsCounted = 0;
  FormatFuelLine(s, t);
  EXPECT_STREQ(t, "Fuel 50.0%      ") << "fuel used before any lap was counted: no laps";
  // 99.9 laps is too many to show, 99.8 is not: 1 used in one lap.
  s.race.lapsCounted = 1;
  s.race.fuelUsed = 1.0f;
  s.capacity = 1000.0f;
  s.fuel = 99.9f;
  FormatFuelLine(s, t);
  EXPECT_STREQ(t, "Fuel 10.0%      ");
  s.fuel = 99.8f;
  FormatFuelLine(s, t);
  EXPECT_STREQ(t, "Fuel 10.0% 99.8L");
  s.fuel = 30.0f;
  s.capacity = 60.0f;
  s.engineType = 6;
  s.capacity = 0.0f;
  FormatFuelLine(s, t);
  EXPECT_EQ(std::string(t, 9), "Batt 0.0%") << "an empty tank of 0 shows 0";
  s.capacity = 10.0f;
  s.fuel = 20.0f;
  s.race = DashRaceFigures{};
  FormatFuelLine(s, t);
  EXPECT_EQ(std::string(t, 10), "Batt 99.9%");
  s.engineType = 0;
  FormatFuelLine(s, t);
  EXPECT_STREQ(t, "") << "no engine, no line";
}

TEST(DashDisplays, LedRowLcdArcShiftStagesAndBatteryLeds) {
  EXPECT_EQ(LedRowLit(12, 5700.0f, 8000.0f), 0);
  EXPECT_EQ(LedRowLit(12, 5700.1f, 8000.0f), 1) << "the first lamp from 5700 rpm";
  EXPECT_EQ(LedRowLit(12, 7899.0f, 8000.0f), 11);
  EXPECT_EQ(LedRowLit(12, 7900.0f, 8000.0f), 12) << "the last at 7900 rpm";
  EXPECT_EQ(LedRowLit(12, 1e9f, 8000.0f), 12);
  EXPECT_EQ(LedRowLit(12, 1e12f, 8000.0f), 12) << "the steps held before they are counted";
  EXPECT_EQ(LedRowLit(12, std::nanf(""), 8000.0f), 0);
  EXPECT_EQ(LedRowLit(0, 9000.0f, 8000.0f), 0);
  EXPECT_EQ(LedRowLit(-3, 9000.0f, 8000.0f), 0) << "fewer than no lamps light none";

  LcdArcShape shape{27, 18, 133, 109, 96, 90, 100, 10, 0, 0};
  LcdArc arc = MakeLcdArc(DASH_FORMULA_SECOND_GAP, shape, 4500.0f * RPM, 9000.0f * RPM);
  EXPECT_EQ(arc.count, 20);
  EXPECT_EQ(arc.figureStep, 2);
  std::string figures;
  for (int j = 0; j <= arc.count; j += 4) figures += std::to_string(j / 4 * arc.figureStep) + " ";
  EXPECT_EQ(figures, "0 2 4 6 8 10 ");
  EXPECT_NEAR(arc.step * float(arc.count), 18 * -0.08726647f, 1e-5f);
  EXPECT_NEAR(arc.litFraction, 4.5f / 10.0f, 1e-3f);
  EXPECT_TRUE(LcdSegmentLit(arc, 9)) << "4500 rpm passes segment 9 of 20";
  EXPECT_FALSE(LcdSegmentLit(arc, 10));
  arc = MakeLcdArc(0, shape, 0.0f, 9000.0f * RPM);
  EXPECT_EQ(arc.count, 40);
  EXPECT_FALSE(LcdSegmentLit(arc, 0));
  EXPECT_EQ(MakeLcdArc(0, shape, 0.0f, 150000.0f * RPM).count, 0) << "a damaged engine draws no arc";
  EXPECT_EQ(MakeLcdArc(0, shape, 0.0f, std::nanf("")).count, 0);
  EXPECT_EQ(MakeLcdArc(0, shape, 0.0f, 20000.0f * RPM).count, 84) << "20,000 rpm is a redline";
  EXPECT_EQ(MakeLcdArc(0, shape, 20000.0f * RPM, 9000.0f * RPM).litFraction, 1.0f) << "past the redline: all lit";
  EXPECT_EQ(MakeLcdArc(0, shape, -100.0f, 9000.0f * RPM).litFraction, 0.0f);
  EXPECT_EQ(MakeLcdArc(0, shape, 0.0f, 0.0f).count, 4) << "no engine speed: one thousand's four segments";

  DashCarState s;
  s.engineType = 6;
  s.engineSpeed = 7650.0f * RPM;
  EXPECT_EQ(BatteryLedsLit(s), 0);
  s.engineSpeed = 7700.1f * RPM;
  EXPECT_EQ(BatteryLedsLit(s), 1);
  s.engineSpeed = 99999.0f * RPM;
  EXPECT_EQ(BatteryLedsLit(s), 8);
  s.lampWord = 1u << DASH_LAMP_SHIFT;
  EXPECT_EQ(BatteryLedsLit(s), 9);
  s.live = 0;
  EXPECT_EQ(BatteryLedsLit(s), 0);

  s = DashCarState{};
  s.upperShift = 900.0f;
  s.lowerShift = 800.0f;
  const float speeds[5] = {650.0f, 750.0f, 850.0f, 950.0f, 950.0f};
  for (int stage = 0; stage < 5; ++stage) {
    s.engineSpeed = speeds[stage];
    s.lampWord = stage == 4 ? 1u << DASH_LAMP_SHIFT : 0;
    EXPECT_EQ(ShiftStage(s), stage);
  }
  // Each stage begins just past its edge: 700 (800 less the 100 between the shifts), 800, 900.
  s.lampWord = 0;
  for (auto [speed, stage] : {std::pair{700.0f, 0}, {700.1f, 1}, {800.0f, 1}, {800.1f, 2}, {900.0f, 2}, {900.1f, 3}}) {
    s.engineSpeed = speed;
    EXPECT_EQ(ShiftStage(s), stage) << speed;
  }
}

TEST(DashLamps, TheLampWordOnItsThresholdsAndTheMask) {
  const uint32_t all = 0xFFFFFFFFu;
  DashLampInputs in;
  in.absByte = 1;
  in.maxEngineSpeed = 800.0f;
  in.stallSpeed = 80.0f;
  in.engineSpeed = 400.0f;
  EXPECT_EQ(MakeLampWord(in, all), 0u) << "a quiet car";
  in.health = 0.9705f;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_ENGINE_DAMAGE) << "yellow";
  in.health = 0.9704f;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_ENGINE_DAMAGE | DASH_LAMP_ENGINE_DAMAGE_RED) << "red";
  in.health = 0.9995f;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_ENGINE_DAMAGE);
  in.health = 0.9996f;
  EXPECT_EQ(MakeLampWord(in, all), 0u);
  in.health = 0.5f;
  EXPECT_EQ(MakeLampWord(in, all & ~(1u << DASH_LAMP_ENGINE_DAMAGE)), 0u) << "only with the lamp in the mask";
  in.health = 1.0f;

  in.signals = 3;
  in.blinkTimer = 499;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_LEFT | 1u << DASH_LAMP_RIGHT | 1u << DASH_LAMP_SIGNALS);
  in.blinkTimer = 500;
  EXPECT_EQ(MakeLampWord(in, all), 0u);
  in.signals = 0;

  in.throttleCut = 0.9999f;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_TRACTION);
  in.throttleCut = 1.0f;
  EXPECT_EQ(MakeLampWord(in, all), 0u);
  in.cutValue = 0.01f;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_TRACTION);
  in.cutValue = 0;

  in.engineSpeed = 800.0f;
  EXPECT_EQ(MakeLampWord(in, all), 0u) << "at the maximum";
  in.engineSpeed = 800.1f;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_SHIFT) << "above the maximum";
  in.remote = 1;
  EXPECT_EQ(MakeLampWord(in, all), 0u) << "never for a remote car";
  in.shiftUp = 1;
  EXPECT_EQ(MakeLampWord(in, all), 0u);
  in.remote = 0;
  in.engineSpeed = 400.0f;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_SHIFT) << "the gearbox asks to shift up";
  in.shiftUp = 0;

  in.battery = 1;
  in.capacity = 100.0f;
  in.fuel = 4.99f;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_BATTERY);
  in.fuel = 5.0f;
  EXPECT_EQ(MakeLampWord(in, all), 0u);
  in.capacity = 0.0f;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_BATTERY) << "no battery counts as empty";
  in.battery = 0;
  in.running = 1;
  in.engineSpeed = 19.9f;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_OIL_PRESSURE | 1u << DASH_LAMP_BATTERY) << "below a quarter of the stall speed";
  in.engineSpeed = 20.0f;
  EXPECT_EQ(MakeLampWord(in, all), 0u) << "at a quarter of 80: no longer below";
  in.running = 0;
  in.engineSpeed = 10.0f;
  EXPECT_EQ(MakeLampWord(in, all), 0u) << "an engine that is not running shows neither";
  in.running = 1;
  in.engineSpeed = 400.0f;

  in.handbrake = 0.1f;
  in.fullBeam = 1;
  in.pitLimiter = 1;
  in.absByte = 0;
  const uint32_t lit = 1u << DASH_LAMP_HANDBRAKE | 1u << DASH_LAMP_FULL_BEAM | 1u << DASH_LAMP_PIT_LIMITER | 1u << DASH_LAMP_ABS;
  EXPECT_EQ(MakeLampWord(in, all), lit);
  EXPECT_EQ(MakeLampWord(in, 1u << DASH_LAMP_ABS), 1u << DASH_LAMP_ABS) << "ANDed with the mask";
}

TEST(DashLamps, TheLampMaskReadsTheDashboardFlags) {
  Car car;
  car.options2 = 0x400;  // the class's turn-signal lamps
  car.engineFlag = 1;
  car.engine.flags = 0;
  car.dashType = 1;
  std::memset(car.dash, 0, sizeof car.dash);
  uint32_t mask = car.MakeFlagWord();
  EXPECT_EQ(mask & (1u << DASH_LAMP_SIGNALS | 1u << DASH_LAMP_LEFT | 1u << DASH_LAMP_RIGHT), 1u << DASH_LAMP_SIGNALS);
  EXPECT_TRUE(mask & 1u << DASH_LAMP_OIL_PRESSURE);
  car.dash[0] = uint8_t(DASH_ANALOG_SEPARATE_SIGNALS);
  car.dash[1] = uint8_t(DASH_ANALOG_OIL_PRESSURE_ON >> 8);
  mask = car.MakeFlagWord();
  EXPECT_EQ(mask & (1u << DASH_LAMP_SIGNALS | 1u << DASH_LAMP_LEFT | 1u << DASH_LAMP_RIGHT), 1u << DASH_LAMP_LEFT | 1u << DASH_LAMP_RIGHT);
  EXPECT_FALSE(mask & 1u << DASH_LAMP_OIL_PRESSURE) << "the gauge takes the lamp's place";
  car.dashType = 5;
  mask = car.MakeFlagWord();
  EXPECT_EQ(mask & (1u << DASH_LAMP_SIGNALS | 1u << DASH_LAMP_OIL_PRESSURE), 1u << DASH_LAMP_SIGNALS | 1u << DASH_LAMP_OIL_PRESSURE)
      << "types without a block count no flags";

  // The car's state as the dashboard reads it.
  car.dashType = 3;
  car.SetDashDefaults();
  car.transmissionType = TRANSMISSION_ELECTRIC;
  car.engine.running = 0;
  car.flagWord = 0xFFFFFFFFu;
  DashCarState s = DashStateOf(car);
  EXPECT_EQ(s.engineType, 6);
  EXPECT_EQ(s.live, 0) << "a battery car switched off is not live";
  EXPECT_EQ(s.lampWord, 0u);
  EXPECT_EQ(std::memcmp(s.block, car.dash, sizeof s.block), 0);
  car.engine.running = 1;
  s = DashStateOf(car);
  EXPECT_EQ(s.live, 1);
}

// The flags word is four bytes, lowest first; the byte after it stays as it was.
TEST(DashBlock, TheFlagsWordIsFourBytesLowestFirst) {
  uint8_t bytes[5] = {0, 0, 0, 0, 0xAB};
  SetDashFlags(bytes, 0x12345678u);
  EXPECT_EQ(bytes[0], 0x78);
  EXPECT_EQ(bytes[1], 0x56);
  EXPECT_EQ(bytes[2], 0x34);
  EXPECT_EQ(bytes[3], 0x12);
  EXPECT_EQ(bytes[4], 0xAB);
  EXPECT_EQ(DashFlags(bytes), 0x12345678u);
}

// The twelve warning lamps in block order: the name the editor shows, the lit colour and the
// glyphs of symbols 1 and 2 (0: the lamp has one symbol).
TEST(DashBlock, TheLampTableHoldsEachLampsNameColourAndSymbols) {
  struct Lamp {
    const char* name;
    int red, green, blue, first, second;
  };
  const Lamp table[12] = {{"Shift light", 255, 48, 48, 0xC8, 0},      {"Full beam", 48, 48, 255, 0xC0, 0},
                          {"Handbrake", 255, 48, 48, 0xC1, 0},        {"Pit limiter", 48, 240, 48, 0xC9, 0},
                          {"Traction control", 240, 144, 48, 0xC4, 0}, {"<", 48, 240, 48, 0xCC, 0xCE},
                          {">", 48, 240, 48, 0xCD, 0xCF},             {"<>", 48, 240, 48, 0xCA, 0xCB},
                          {"Oil pressure", 255, 48, 48, 0xC5, 0},     {"Battery", 255, 48, 48, 0xC6, 0},
                          {"ABS", 240, 144, 48, 0xC2, 0},             {"Engine damage", 240, 240, 48, 0xC3, 0}};
  ASSERT_EQ(DASH_LAMPS, 12);
  for (int n = 0; n < 12; ++n) {
    SCOPED_TRACE(n);
    const DashLampKind& k = DASH_LAMP_KINDS[n];
    EXPECT_STREQ(k.name, table[n].name);
    EXPECT_EQ(k.red, table[n].red);
    EXPECT_EQ(k.green, table[n].green);
    EXPECT_EQ(k.blue, table[n].blue);
    EXPECT_EQ(k.symbols[0], table[n].first);
    EXPECT_EQ(k.symbols[1], table[n].second);
  }
  EXPECT_EQ(DASH_PLAIN_LAMP_GLYPH, 0xB5);
}

// The lamps' inputs copied from the car, field by field; the anti-lock's action counts only
// the car's own wheels (a release on a wheel past the count is none of them).
TEST(DashLamps, TheLampInputsReadTheCarsFieldsAndOnlyItsOwnWheels) {
  Car car;
  car.remote = 1;
  car.engine.speed = 300.0f;
  car.engine.redline = 800.0f;
  car.engine.idleSpeed = 80.0f;
  car.engine.running = 1;
  car.engine.health = 0.98f;
  car.transmissionType = TRANSMISSION_ELECTRIC;
  car.fuelAmount = 12.0f;
  car.fuelCapacity = 40.0f;
  car.flashFlag = 1;
  car.flashCounter = 7;
  car.controls.handbrake = 0.25f;
  car.antiLock = 3;
  car.assists.pitLimit = 80;
  car.assists.word = ASSIST_TRACTION;
  car.controls.tractionFactor = 0.5f;
  car.timers.engineCut = 0.75f;
  car.signalFlag = 2;
  car.signalCounter = 123;
  car.wheelCount = 2;
  car.wheelSteps[2].antiLockRelease = 50;  // the third wheel: not the car's
  DashLampInputs in = LampInputsOf(car);
  EXPECT_EQ(in.remote, 1);
  EXPECT_EQ(in.engineSpeed, 300.0f);
  EXPECT_EQ(in.maxEngineSpeed, 800.0f);
  EXPECT_EQ(in.stallSpeed, 80.0f);
  EXPECT_EQ(in.battery, 1);
  EXPECT_EQ(in.running, 1);
  EXPECT_EQ(in.fuel, 12.0f);
  EXPECT_EQ(in.capacity, 40.0f);
  EXPECT_EQ(in.fullBeam, 1);
  EXPECT_EQ(in.flash, 7);
  EXPECT_EQ(in.handbrake, 0.25f);
  EXPECT_EQ(in.absByte, 3);
  EXPECT_EQ(in.absAction, 0) << "no release on the car's two wheels";
  EXPECT_EQ(in.pitLimiter, 80);
  EXPECT_NE(in.tractionByte, 0);
  EXPECT_EQ(in.throttleCut, 0.5f);
  EXPECT_EQ(in.cutValue, 0.75f);
  EXPECT_EQ(in.signals, 2);
  EXPECT_EQ(in.blinkTimer, 123);
  EXPECT_EQ(in.health, 0.98f);
  // A release on the first wheel, then on the last of the two, counts.
  car.wheelSteps[0].antiLockRelease = 1;
  EXPECT_EQ(LampInputsOf(car).absAction, 1);
  car.wheelSteps[0].antiLockRelease = 0;
  car.wheelSteps[1].antiLockRelease = 20;
  EXPECT_EQ(LampInputsOf(car).absAction, 1);
  car.wheelCount = 0;
  car.wheelSteps[0].antiLockRelease = 20;
  EXPECT_EQ(LampInputsOf(car).absAction, 0) << "a car of no wheels";
  car.engine.running = 0;
  car.transmissionType = 1;
  in = LampInputsOf(car);
  EXPECT_EQ(in.running, 0);
  EXPECT_EQ(in.battery, 0);
}

// Each side's signal lights its own lamp and the shared one; only the blink's first half.
TEST(DashLamps, EachSignalLightsItsOwnSideAndTheSharedLamp) {
  const uint32_t all = 0xFFFFFFFFu;
  DashLampInputs in;
  in.absByte = 1;
  in.signals = 1;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_LEFT | 1u << DASH_LAMP_SIGNALS) << "left only";
  in.signals = 2;
  EXPECT_EQ(MakeLampWord(in, all), 1u << DASH_LAMP_RIGHT | 1u << DASH_LAMP_SIGNALS) << "right only";
  in.blinkTimer = 500;
  EXPECT_EQ(MakeLampWord(in, all), 0u);
}

// The car's state: a turbo only with the engine's turbo flag; the shift stages at 97% and
// 93% of the redline.
TEST(DashLamps, TheStateReadsTheTurboFlagAndTheShiftShares) {
  Car car;
  car.dashType = 1;
  car.SetDashDefaults();
  car.transmissionType = 1;
  car.engine.flags = 0;
  car.engine.redline = 1000.0f;
  DashCarState s = DashStateOf(car);
  EXPECT_EQ(s.turbo, 0);
  EXPECT_FLOAT_EQ(s.upperShift, 970.0f);
  EXPECT_FLOAT_EQ(s.lowerShift, 930.0f);
  car.engine.flags = ENGINE_TURBO;
  EXPECT_NE(DashStateOf(car).turbo, 0);
}

namespace {

// The engine speed (rad/s) that the dashboard's own conversion (x 9.549296) turns into exactly
// `rpm`, found among the floats next to rpm / 9.549296.
float ExactlyAtRpm(float rpm) {
  float w = rpm / 9.549296f;
  for (int k = 0; k < 64 && w * 9.549296f != rpm; ++k) w = std::nextafter(w, w * 9.549296f < rpm ? INFINITY : 0.0f);
  return w;
}

}  // namespace

// Exactly at an edge: 100,000 rpm is still a redline (its arc and red marks are drawn).  The
// battery car's LEDs: one more each 200 rpm, held at eight, none without an engine.
TEST(DashDisplays, TheRedlineLimitAndTheBatteryLedsOnTheirExactEdges) {
  const float most = ExactlyAtRpm(100000.0f);
  ASSERT_EQ(most * 9.549296f, 100000.0f);
  LcdArcShape shape{27, 18, 133, 109, 96, 90, 100, 10, 0, 0};
  // 100,000 rpm: 100 thousands and one more, four segments each.
  EXPECT_EQ(MakeLcdArc(0, shape, 0.0f, most).count, 404);
  EXPECT_EQ(MakeLcdArc(0, shape, 0.0f, std::nextafter(most, INFINITY)).count, 0);
  DashGauge g{};
  SetupTachometer(g, 0, 0, 0.0f, most);
  EXPECT_EQ(g.firstRedMark, 200) << "2 / 1 x 100 thousands";
  SetupTachometer(g, 0, 0, 0.0f, std::nextafter(most, INFINITY));
  EXPECT_EQ(g.firstRedMark, 0);

  // Without a second gap: a figure for every thousand, four segments to it.
  const LcdArc arc = MakeLcdArc(0, shape, 0.0f, 9000.0f * RPM);
  EXPECT_EQ(arc.figureStep, 1);
  EXPECT_EQ(arc.perThousand, 4);

  DashCarState s;
  s.engineType = 6;
  s.engineSpeed = 7900.1f * RPM;
  EXPECT_EQ(BatteryLedsLit(s), 2) << "one more each 200 rpm";
  s.engineSpeed = 1e30f;
  EXPECT_EQ(BatteryLedsLit(s), 8) << "far past: the steps held before they are counted";
  s.lampWord = 1u << DASH_LAMP_SHIFT;
  s.engineType = 0;
  EXPECT_EQ(BatteryLedsLit(s), 0) << "no engine, no LEDs, not even the shift's nine";
}

// The rate gauge of a car without a turbo: 0..100 frames, a plain dial (kind 1) whatever the
// turbo gauge before it was.
TEST(DashDials, TheRateGaugeWithoutATurboIsAPlainDial) {
  DashGauge g{};
  SetupTurbo(g, 1, 1.0f, 0.5f, 1, 60.0f);
  ASSERT_EQ(g.kind, 4);
  SetupTurbo(g, 0, 1.0f, 0.5f, 1, 42.0f);
  EXPECT_EQ(g.kind, 1);
  EXPECT_EQ(g.value, 42.0f);
  EXPECT_EQ(g.maximum, 100);
  EXPECT_EQ(g.labelGap, 5);
  SetupTurbo(g, 0, 1.0f, 0.5f, 1, -5.0f);
  EXPECT_EQ(g.value, 0.0f) << "held at 0";
}

// The live-setting line: nothing for a remote car, "Pit Instructions" for selector 4 and the
// race's own line for any other; the fuel line only with an engine, and for a remote car only
// when the option shows a remote car's fuel.
TEST(DashTexts, TheLiveSettingLineAndWhenTheFuelLineIsShown) {
  DashCarState s;
  std::strcpy(s.race.setupLine, "Brake bias 60%");
  EXPECT_STREQ(LiveSettingLine(s), "Brake bias 60%");
  for (const auto& [selector, line] : {std::pair{3, "Brake bias 60%"}, {4, "Pit Instructions"}, {5, "Brake bias 60%"}}) {
    s.race.liveSelector = selector;
    EXPECT_STREQ(LiveSettingLine(s), line) << selector;
  }
  s.remote = 1;
  EXPECT_STREQ(LiveSettingLine(s), "");

  DashUnits = DashSettings{};
  s = DashCarState{};
  s.engineType = 1;
  EXPECT_EQ(FuelLineShown(s), 1);
  s.remote = 1;
  EXPECT_EQ(FuelLineShown(s), 0) << "a remote car's fuel is not shown";
  DashUnits.showRemoteFuel = 1;
  EXPECT_EQ(FuelLineShown(s), 1) << "unless the option shows it";
  s.engineType = 0;
  EXPECT_EQ(FuelLineShown(s), 0) << "no engine, no fuel line";
  DashUnits = DashSettings{};
}

// The backing colour by type: type 1 black and type 2 white unless the block sets its own,
// type 3 the configuration's first dash colour (red in byte 0) unless the block sets its own,
// every other type black.
TEST(DashBlock, TheBackingColourByTypeAndColoursSet) {
  const uint32_t savedFirst = CfgCarDashColours[0];
  CfgCarDashColours[0] = 0x00C8A078u;  // red 0x78, green 0xA0, blue 0xC8
  DashCarState s;
  const uint32_t expected[7] = {DASH_BLACK, DASH_BLACK, 0xFFFFFFFFu, 0xFF78A0C8u, DASH_BLACK, DASH_BLACK, DASH_BLACK};
  for (int type = 0; type <= 6; ++type) {
    s.dashType = type;
    EXPECT_EQ(BackingColour(s), expected[type]) << type;
  }
  SetDashFlags(s.block, DASH_COLOURS_SET);
  s.dashType = 1;
  AnalogDashBlock a = ReadAnalogBlock(s.block);
  a.backing = DashColour{10, 20, 30, 0};
  WriteAnalogBlock(a, s.block);
  EXPECT_EQ(BackingColour(s), 0xFF0A141Eu);
  s.dashType = 2;
  EXPECT_EQ(BackingColour(s), 0xFF0A141Eu);
  s.dashType = 3;
  FormulaDashBlock f = ReadFormulaBlock(s.block);
  f.backing = DashColour{40, 50, 60, 0};
  WriteFormulaBlock(f, s.block);
  EXPECT_EQ(BackingColour(s), 0xFF28323Cu);
  s.dashType = 4;
  EXPECT_EQ(BackingColour(s), DASH_BLACK) << "the steering wheel's block sets nothing";
  CfgCarDashColours[0] = savedFirst;
  EXPECT_EQ(ArgbOfWord(0x00302010u), 0xFF102030u) << "red in byte 0";
}
