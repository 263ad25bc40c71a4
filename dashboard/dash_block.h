// dash_block.h - typed access to a car's dashboard block: the packed records of a dial, a
// lamp, a box, a rectangle and a colour, the two block layouts, their option flags and the
// twelve warning lamps.
//
// Sections: [Records] [Blocks] [Option flags] [Lamps] [Access]
//
// Every record is a run of bytes, laid out as the vehicle file and the dash file store them;
// the blocks are copied out of and into the car's 160 bytes (vehicle_data/dashboard.h keeps
// the offsets the vehicle data needs), never overlaid.  Positions on the dashboard texture
// are -1..1 across and down.  Main thread only.
#pragma once
#include <cstdint>

#include "vehicle_data/dashboard.h"
#include "vehicle_data/vehicle_data.h"

// ---- [Records] ----
// One dial: X and Y centre (b x 0.01 - 1), start angle and clockwise turn (5 degree steps),
// radius (b x 0.005), maximum (0 automatic; 5 km/h or 500 rpm steps), style bits (handed to
// the dial drawer, ui/number_gauge.h), unit byte (caption place and distance).
struct DashDial {
  uint8_t x, y, start, turn, radius, maximum, style, unit;
};
// One warning lamp: X, Y (b x 0.01 - 1), size s (b x 0.01), symbol (0 plain lamp, 1 or 2 the
// lamp's symbols).
struct DashLight {
  uint8_t x, y, size, symbol;
};
// A display placed on the texture: X, Y (b x 0.01 - 1), width and height (b x 0.01).
struct DashBox {
  uint8_t x, y, width, height;
};
// A rectangle in 32nds of the half-size: X, Y (b / 32 - 1), width and height (b / 32).
struct DashRect {
  uint8_t x, y, width, height;
};
// Red, green, blue and a fourth byte (opacity where a field says so).
struct DashColour {
  uint8_t red, green, blue, fourth;
};
static_assert(sizeof(DashDial) == 8 && sizeof(DashLight) == 4 && sizeof(DashBox) == 4 && sizeof(DashRect) == 4 &&
                  sizeof(DashColour) == 4,
              "dashboard records are packed bytes");

// ---- [Blocks] ----
// The dials of the analog block, in block order.
enum DashDialIndex {
  DASH_SPEEDOMETER = 0,
  DASH_TACHOMETER = 1,
  DASH_TURBO = 2,  // the frame-rate gauge on a car without a turbo
  DASH_CLOCK = 3,
  DASH_WATER = 4,
  DASH_FUEL = 5,  // battery charge on a battery car
  DASH_OIL_TEMPERATURE = 6,
  DASH_OIL_PRESSURE = 7,
  DASH_DIAL_COUNT = 8,
};
// Types 1 and 2.
struct AnalogDashBlock {
  uint8_t flags[4];  // little-endian, DASH_ANALOG_ bits
  uint8_t displayStyle;  // 0 none, 1 gear bar, 2 plain text, 3 LCD digits
  uint8_t zero[3];
  DashColour displayBackground, displayText;
  DashLight lights[DASH_LAMPS];
  DashBox ledGear;
  DashRect blackRectangle;
  DashRect display;
  DashBox digitalSpeedometer;
  DashDial dials[DASH_DIAL_COUNT];
  DashColour text, backing, led, needle;
};
static_assert(sizeof(AnalogDashBlock) == 160, "the analog block is 160 bytes");
// Type 3's tachometer shape: an LCD arc or an LED row (flag DASH_FORMULA_LED_TACHOMETER).
struct LcdArcShape {
  uint8_t start, turn, radiusX, radiusY, innerAtStart, innerAtEnd, figureDistance, figureSize, style, zero;
};
struct LedRowShape {
  uint8_t count, spacing, size, zero[7];
};
// Type 3.
struct FormulaDashBlock {
  uint8_t flags[4];
  uint8_t tachometerX, tachometerY;
  union {
    LcdArcShape arc;
    LedRowShape row;
  };
  DashLight lights[DASH_LAMPS];
  DashBox gear, speedometer, display, turbo;
  DashColour text;  // its fourth byte the text opacity (32..255)
  DashColour backing, led;
  DashRect blackRectangle;
};
static_assert(sizeof(LcdArcShape) == 10 && sizeof(LedRowShape) == 10, "the tachometer shapes are 10 bytes");
static_assert(sizeof(FormulaDashBlock) == 96, "the formula block is 96 bytes");

// ---- [Option flags] ----
// Types 1 and 2 (the senses differ from bit to bit, as stored).
constexpr uint32_t DASH_ANALOG_SEPARATE_SIGNALS = 0x2;
constexpr uint32_t DASH_ANALOG_FIVE_STEPS = 0x8;        // tachometer marks in 5 steps per gap
constexpr uint32_t DASH_ANALOG_CLOCK_OFF = 0x10;
constexpr uint32_t DASH_ANALOG_TURBO_OFF = DASH_FLAG_TURBO_OFF;
constexpr uint32_t DASH_ANALOG_TACHOMETER_OFF = 0x40;
constexpr uint32_t DASH_ANALOG_LED_GEAR_OFF = 0x80;
constexpr uint32_t DASH_ANALOG_OIL_TEMPERATURE_ON = 0x100;
constexpr uint32_t DASH_ANALOG_OIL_PRESSURE_ON = 0x200;
constexpr uint32_t DASH_ANALOG_DIGITAL_SPEED_ON = 0x400;
constexpr uint32_t DASH_ANALOG_HUNDREDS = 0x800;        // tachometer figures in hundreds of rpm
constexpr uint32_t DASH_ANALOG_SECOND_GAP = DASH_FLAG_SECOND_GAP;  // gap 2 (thousands) or 10 (hundreds)
constexpr uint32_t DASH_ANALOG_SPEEDOMETER_ON = DASH_FLAG_ANALOG_SPEEDOMETER;
constexpr uint32_t DASH_COLOURS_SET = 0x10000;          // both blocks: the colours are the block's own
// Type 3.
constexpr uint32_t DASH_FORMULA_LED_GEAR = 0x1;
constexpr uint32_t DASH_FORMULA_SEPARATE_SIGNALS = 0x2;
constexpr uint32_t DASH_FORMULA_LED_TACHOMETER = 0x4;
constexpr uint32_t DASH_FORMULA_SECOND_GAP = DASH_FLAG_SECOND_GAP;  // LCD arc figures every 2

// ---- [Lamps] ----
// The twelve lamps' lamp-word bits are their indices; bit 28 turns the engine-damage lamp red.
enum DashLampIndex {
  DASH_LAMP_SHIFT = 0,
  DASH_LAMP_FULL_BEAM = 1,
  DASH_LAMP_HANDBRAKE = 2,
  DASH_LAMP_PIT_LIMITER = 3,
  DASH_LAMP_TRACTION = 4,
  DASH_LAMP_LEFT = 5,
  DASH_LAMP_RIGHT = 6,
  DASH_LAMP_SIGNALS = 7,
  DASH_LAMP_OIL_PRESSURE = 8,
  DASH_LAMP_BATTERY = 9,
  DASH_LAMP_ABS = 10,
  DASH_LAMP_ENGINE_DAMAGE = 11,
};
constexpr uint32_t DASH_LAMP_ENGINE_DAMAGE_RED = 1u << 28;
struct DashLampKind {
  const char* name;          // as the editor shows it
  uint8_t red, green, blue;  // lit
  uint8_t symbols[2];        // glyph codes of symbols 1 and 2 (the second may be 0: as the first)
};
extern const DashLampKind DASH_LAMP_KINDS[DASH_LAMPS];
constexpr uint8_t DASH_PLAIN_LAMP_GLYPH = 0xB5;  // the editor's label of symbol 0
constexpr DashColour DASH_LAMP_RED = {255, 48, 48, 255};
constexpr DashColour DASH_LAMP_OFF = {32, 32, 32, 255};

// ---- [Access] ----
// Copies of the car's block (160 bytes; the formula block is its first 96) and back.
AnalogDashBlock ReadAnalogBlock(const uint8_t block[DASH_BLOCK_SIZE]);
FormulaDashBlock ReadFormulaBlock(const uint8_t block[DASH_BLOCK_SIZE]);
void WriteAnalogBlock(const AnalogDashBlock& b, uint8_t block[DASH_BLOCK_SIZE]);
void WriteFormulaBlock(const FormulaDashBlock& b, uint8_t block[DASH_BLOCK_SIZE]);
// The option word of a block (its first four bytes, little-endian) and back.
uint32_t DashFlags(const uint8_t flags[4]);
void SetDashFlags(uint8_t flags[4], uint32_t value);
// The lamps of a block of any type 1 to 3 (they sit at the same offset in both).
DashLight DashLamp(const uint8_t block[DASH_BLOCK_SIZE], int lamp);
// A byte position b x 0.01 - 1, a size b x 0.01, a rectangle's b / 32 - 1 and b / 32.
inline float DashPosition(uint8_t b) { return float(b) * 0.01f - 1.0f; }
inline float DashSize(uint8_t b) { return float(b) * 0.01f; }
inline float DashRectPosition(uint8_t b) { return float(b) / 32.0f - 1.0f; }
inline float DashRectSize(uint8_t b) { return float(b) / 32.0f; }
