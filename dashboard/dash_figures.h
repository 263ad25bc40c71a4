// dash_figures.h - what the dashboard shows, worked out without drawing: the car's state as
// the dashboard reads it, the lamp word, the eight dials' records, and the texts and counts
// of the displays (clock, odometer, fuel line, LED rows, LCD arc, steering-wheel readouts).
//
// Sections: [Settings] [Car state] [Lamp word] [Dials] [Texts] [Displays]
//
// Engine speeds are radians per second, speeds metres per second.  LED digits are the ASCII
// code + 0x60 (0x90..0x99, the point 0x8E), LCD digits + 0x70 (0xA0..0xA9, the point 0x9E);
// the gear glyphs come from ",+1234567" by gear index + 0x60: reverse 0x8C shows the segments
// of an "r", neutral 0x8B the interface's left step arrow (one glyph serves both).
// Main thread only.
#pragma once
#include <cstdint>

#include "dashboard/dash_block.h"
#include "ui/number_gauge.h"

struct Car;
struct ZKTETexture;

// ---- [Settings] ----
// The program-wide units and options the dashboard reads (the dashboard page's unit button
// flips the speed unit).
struct DashSettings {
  int kmh = 1;             // 1 km/h, 0 mph
  int pressureUnit = 0;    // 0 psi, else bar
  int twelveHour = 0;      // the clock shows 1..12
  int showRemoteFuel = 0;  // the interface option 0x400: a remote car's fuel is shown
};
extern DashSettings DashUnits;
constexpr float DASH_KMH = 3.6f, DASH_MPH = 2.237f;  // speed factors from m/s
inline float DashSpeedFactor(int kmh) { return kmh ? DASH_KMH : DASH_MPH; }

// ---- [Car state] ----
// The race's figures for a car (laps counted, fuel used over them, lap timing, the live
// setting line), filled by the race when it installs the hook; zeros without it.
struct DashRaceFigures {
  int lapsCounted = 0;
  float fuelUsed = 0;          // litres over the laps counted
  int lapTimingValid = 0;
  uint32_t timingValue = 0;    // the lap timer, thousandths of a second
  int liveSelector = 0;        // 4: "Pit Instructions"
  char setupLine[32] = {};     // the live-setting line (FormatSetupLine)
};
extern void (*DashRaceFiguresOf)(const Car& car, DashRaceFigures* out);

struct DashCarState {
  int dashType = 0;
  uint8_t block[DASH_BLOCK_SIZE] = {};
  ZKTETexture* backing = nullptr;
  float engineSpeed = 0, maxEngineSpeed = 0;
  float speed = 0, topSpeed = 0;
  int gearIndex = 1, gearCount = 3;
  float fuel = 0, capacity = 0;
  int turbo = 0;
  float maxBoost = 0, boost = 0, oilPressure = 0;
  int engineType = 0;          // 0 no engine, 6 battery (the transmission type)
  double distance = 0;         // metres travelled
  int remote = 0;
  uint32_t lampMask = 0, lampWord = 0;
  int live = 1;
  float upperShift = 0, lowerShift = 0;  // the steering-wheel display's shift stages
  DashRaceFigures race;
};
// The state of a car, its lamp word and live flag included.
DashCarState DashStateOf(const Car& car);
inline int HasEngine(const DashCarState& s) { return s.engineType != 0; }
inline int IsBatteryCar(const DashCarState& s) { return s.engineType == 6; }
// The gear glyph of a gear index (LED digits; indices past the text show neutral).
uint8_t GearGlyph(int gearIndex);

// ---- [Lamp word] ----
// What lights the lamps, from the car's controls and engine.
struct DashLampInputs {
  int shiftUp = 0;            // Car::AutoShiftDecision said 2
  int remote = 0;
  float engineSpeed = 0, maxEngineSpeed = 0, stallSpeed = 0;
  int battery = 0, running = 0;
  float fuel = 0, capacity = 0;
  int fullBeam = 0, flash = 0;
  float handbrake = 0;
  int absByte = 0, absAction = 0;
  int pitLimiter = 0, tractionByte = 0;
  float throttleCut = 1.0f, cutValue = 0;
  int signals = 0;            // bit 0 left, bit 1 right
  uint16_t blinkTimer = 0;    // ms
  float health = 1.0f;
};
DashLampInputs LampInputsOf(const Car& car);
// The lamp word (bit n lamp n, bit 28 the red engine damage) ANDed with the lamp mask.
uint32_t MakeLampWord(const DashLampInputs& in, uint32_t lampMask);
constexpr float DAMAGE_RED_HEALTH = 0.9705f, DAMAGE_YELLOW_HEALTH = 0.9995f;
constexpr float BATTERY_LOW_SHARE = 0.05f;
constexpr uint16_t SIGNAL_BLINK_MS = 500;

// ---- [Dials] ----
extern DashGauge DashGauges[DASH_DIAL_COUNT];
// Every dial to its defaults (done once when the vehicle editor is created).
void ResetDashDefaults();
// X, Y, start, turn and both radii from the block's dial.
void PlaceGauge(DashGauge& g, const DashDial& dial);
// An engine speed this high (rpm) or not a number draws no red marks and no LCD arc.
constexpr float DASH_MOST_RPM = 100000.0f;
// The tachometer's scale and value from the flags (DASH_ANALOG_FIVE_STEPS, _HUNDREDS,
// _SECOND_GAP), the dial's maximum byte (0 automatic) and the engine.  The engine page's rev
// counter calls it with EngineDialFlags and maximum byte 0.
void SetupTachometer(DashGauge& g, uint32_t flags, int maximumByte, float engineSpeed, float maxEngineSpeed);
uint32_t EngineDialFlags(float maxEngineSpeed);  // 0x1000 above 2000 rad/s, else 0
const char* TachometerCaption(uint32_t flags);   // the sign x then "100" or "1000"
// The speedometer's maximum, turn (scaled in mph) and value; kind 1.
void SetupSpeedometer(DashGauge& g, int maximumByte, float topSpeed, int kmh, float speed);
// The fuel gauge's needle value: maximum x fuel / capacity (0 for a tank of 0, and held to
// the dial), and whether the needle shows (not for a remote car unless its fuel is shown).
float FuelGaugeValue(int32_t maximum, float fuel, float capacity);
int FuelNeedleShown(const DashCarState& s);
// The turbo gauge (psi or bar in tenths), or the frame-rate gauge without a turbo.
void SetupTurbo(DashGauge& g, int turbo, float maxBoost, float boost, int pressureUnit, float frameRate);

// ---- [Texts] ----
constexpr int DASH_TEXT_SIZE = 24;
// "%.2d:%.2d", or "%d:%.2d" with the hour modulo 12 (0 as 12).
void FormatDashClock(int hour, int minute, int twelveHour, char out[DASH_TEXT_SIZE]);
// Tenths of a kilometre or mile travelled, truncated: "%d.%d".
void FormatOdometer(double metres, int kmh, char out[DASH_TEXT_SIZE]);
// The 16 characters of the fuel line: "Fuel %.1f%%" or "Batt %.1f%%" padded, the laps of
// fuel left ending at character 16 ("%.1fL") when laps were counted and fuel used; empty
// without an engine.  A tank of 0 shows empty.
void FormatFuelLine(const DashCarState& s, char out[DASH_TEXT_SIZE]);
// Digits, points and minus moved to the LED (0x60) or LCD (0x70) codes; anything else kept.
void ToDigitCodes(char* text, int shift);
constexpr int LED_SHIFT = 0x60, LCD_SHIFT = 0x70;
// The steering-wheel display's speed: nearest(speed x factor x 10) held to 0..9999 as
// "%04d" with a point before the last digit (100 km/h "100.0").
void FormatWheelSpeed(float speed, float factor, char out[DASH_TEXT_SIZE]);
// Its timer: seconds within the minute and hundredths, "%2d.%02d" (0 when not timing).
void FormatWheelTimer(int valid, uint32_t timingValue, char out[DASH_TEXT_SIZE]);

// ---- [Displays] ----
// Type 3's LED row: lamps lit at rpm for a redline of maxRpm (each lamp 200 rpm).
int LedRowLit(int lamps, float rpm, float maxRpm);
// Type 3's LCD arc: N + 1 segment positions, figures every fourth.
struct LcdArc {
  int count = 0;              // N; 0: no arc
  int perThousand = 0;        // s
  int figureStep = 0;         // s'
  float start = 0, step = 0;  // radians
  float litFraction = 0;      // of the turn
};
LcdArc MakeLcdArc(uint32_t flags, const LcdArcShape& shape, float engineSpeed, float maxEngineSpeed);
// Segment j: 0 thin mark always, 2 thin mark when lit, 1 and 3 wide when lit.
inline int LcdSegmentLit(const LcdArc& a, int j) { return float(j) < a.litFraction * float(a.count); }
// Types 4 and 5: the shift stage 0..4.
int ShiftStage(const DashCarState& s);
// Type 6: the shift LEDs lit (0..9).
int BatteryLedsLit(const DashCarState& s);
