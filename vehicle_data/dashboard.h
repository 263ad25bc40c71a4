// dashboard.h - the car's dashboard block as the vehicle data holds it: the block's size by
// dashboard type, its defaults by type and class, the conversion of the blocks older vehicle
// files stored, and the type older files take from the model's texture pages.
//
// Sections: [Types] [Layout] [Defaults and conversion]
//
// The block is a packed record of bytes (lamps, boxes, rectangles, dials and colours at fixed
// offsets); the dashboard's drawing and editor read it where they need it.  A lamp is four
// bytes (X, Y, size, symbol), a box or rectangle four (X, Y, width, height), a dial eight
// (X, Y, start, turn, radius, maximum, style, unit), a colour four (red, green, blue, a fourth
// byte).  Main thread only.
#pragma once
#include <cstdint>

struct ModelObject;
struct VehicleData;

// ---- [Types] ----
// 0 none, 1 analog dark, 2 analog white, 3 LED/LCD formula display, 4 and 5 steering-wheel
// displays, 6 battery-car display.  The texture page each type is drawn onto, by type (none
// for type 0).
constexpr int DASH_TYPE_ANALOG_DARK = 1, DASH_TYPE_ANALOG_WHITE = 2, DASH_TYPE_FORMULA = 3;
extern const char* const DashPageNames[7];
// 160 for types 1 and 2, 96 for type 3, 0 for the others.
int DashBlockSize(int type);

// ---- [Layout] ----
constexpr int DASH_LAMPS = 12;        // in lamp order: shift light, full beam, handbrake, pit
                                      // limiter, traction control, left, right and shared turn
                                      // signal, oil pressure, battery, ABS, engine damage
constexpr int DASH_LAMP_OFFSET = 16;  // the twelve lamps of every block type
constexpr int DASH_LAMP_BYTES = 4;
// Types 1 and 2.
constexpr int DASH_FLAGS = 0;                 // u32
constexpr int DASH_DISPLAY_BACKGROUND = 8;    // colours
constexpr int DASH_DISPLAY_TEXT = 12;
constexpr int DASH_LED_GEAR_BOX = 64;
constexpr int DASH_BLACK_RECTANGLE = 68;
constexpr int DASH_DISPLAY_RECTANGLE = 72;
constexpr int DASH_DIGITAL_SPEED_BOX = 76;
constexpr int DASH_DIALS = 80;                // eight dials: speedometer, tachometer, turbo,
constexpr int DASH_DIAL_BYTES = 8;            // clock, water, fuel, oil temperature, oil pressure
constexpr int DASH_TEXT_COLOUR = 144;
constexpr int DASH_BACKING_COLOUR = 148;
constexpr int DASH_LED_COLOUR = 152;
constexpr int DASH_NEEDLE_COLOUR = 156;
constexpr uint32_t DASH_FLAG_ANALOG_SPEEDOMETER = 0x2000;
constexpr uint32_t DASH_FLAG_TURBO_OFF = 0x20;     // the turbo (or frame-rate) gauge off
constexpr uint32_t DASH_FLAG_SECOND_GAP = 0x1000;  // both blocks: the tachometer labelled every 2 (thousands)
constexpr int DASH_DIAL_MAXIMUM = 5;               // a dial's maximum byte (the speedometer's in 5 km/h steps, 0 automatic)
constexpr int DASH_DIAL_UNIT = 7;                  // a dial's unit byte: caption place, distance
// Type 3.
constexpr int DASH3_TACHOMETER = 4;  // centre X, Y, then the ten bytes of its shape
constexpr int DASH3_GEAR_BOX = 64;
constexpr int DASH3_SPEED_BOX = 68;
constexpr int DASH3_DISPLAY_BOX = 72;
constexpr int DASH3_TURBO_BOX = 76;
constexpr int DASH3_TEXT_COLOUR = 80;  // its fourth byte the text opacity
constexpr int DASH3_BACKING_COLOUR = 84;
constexpr int DASH3_LED_COLOUR = 88;
constexpr int DASH3_BLACK_RECTANGLE = 92;
// A type 3 block stored shorter than this takes the defaults of the fields it lacks.
constexpr int DASH3_SHORT_BLOCK = 92;
// The traction-control bit of the vehicle's lights and aids word, which moves lamps aside.
constexpr uint32_t LIGHTS_AIDS_TRACTION_CONTROL = 1;

// ---- [Defaults and conversion] ----
// The default block of a type, for the vehicle's class and options, into out (160 bytes;
// zeroes for types 0 and 4 to 6).
void MakeDashDefaults(const VehicleData& data, int type, uint8_t out[160]);
// The dashboard a vehicle file stored (its type, stored size and block already read), settled
// as the car needs it.  A block of size 0 takes the defaults of its type.  Otherwise, unless
// DashSizeMode is 2: files before version 252 of types 1 to 3 give missing (black) colours
// their defaults and clamp each lamp's X and Y to 5..195 and its size to 5..10; format
// revisions before 6 of types 1 and 2 double a dark display colour (every channel at most 128,
// capped at 255); blocks of types 1 and 2 shorter than 160 bytes and of type 3 shorter than 92
// take the defaults of the bytes they lack.
void SettleStoredDashboard(VehicleData& data, int version, int revision);
// The type a model's texture pages name ("s_clock" 1 .. "s_clock_fj" 6, any case): the last
// page that names one decides; 0 when none does.
int DashTypeFromPages(const ModelObject& model);
