// colour_science.h - the colour conversions around the sky: chromaticity and XYZ, linear
// colours to gamma-encoded bytes, colour temperature both ways, white balance, and how much
// of the sun's disc stands above the horizon.
//
// Sections: [Matrices] [Conversions] [Colour temperature] [White balance] [Sun disc]
//
// Lighting colours are linear until they are stored as bytes, which are gamma-encoded with
// the exponent 1/2.2.  Pure computations, callable from the sky worker and the main thread;
// WhiteBalance is the main thread's.
#pragma once
#include <cstdint>

// ---- [Matrices] ----
// Linear sRGB (D65) to CIE XYZ and back, rows.
extern const float RgbToXyz[3][3];
extern const float XyzToRgb[3][3];
void MultiplyColourMatrix(const float m[3][3], const float in[3], float out[3]);

// ---- [Conversions] ----
// The debug texts of the conversions below go, while debug messages are on, to the message
// lines; a thread that must not touch them (the sky worker) names its own buffer here, and a
// text then replaces the buffer's content.  Null goes back to the message lines.
void SetColourMessageSink(char* buffer, int size);

// X = x Y / y, Y, Z = (1 - x - y) Y / y; (0, 0, 0) for y below 0.001.
void xyY_to_XYZ(float out[3], float x, float y, float Y);
// The brightest channel becomes 255, the others follow gamma-encoded; a colour whose
// brightest channel is 0.001 or less gives (0, 0, 0).  Negative and non-finite channels
// count as 0.
void ColourToRgb8(const float rgb[3], uint8_t out[3]);

// ---- [Colour temperature] ----
// The Planckian locus at T Kelvin (the cubic approximation of Kim et al.).
void KelvinToChromaticity(float* x, float* y, float kelvin);
// The correlated colour temperature of a linear sRGB colour (McCamy's formula); 0 where the
// formula's denominator vanishes.
float KelvinFromChromacity(const float rgb[3]);

// ---- [White balance] ----
struct WhiteBalanceState {
  int setting = 55;                 // the colour temperature, hundreds of Kelvin (0..255)
  uint8_t whiteColour[3] = {255, 255, 255};
  float multipliers[3] = {1.0f, 1.0f, 1.0f};
  uint8_t multiplierBytes[3] = {255, 255, 255};
  float sunKelvin = 0.0f;           // the sun's colour temperature of the last sky computation
};
extern WhiteBalanceState WhiteBalance;
// The white of the setting on the CIE daylight locus, and its reciprocal multipliers.  A
// setting whose white has a channel that is zero, negative or not finite keeps the previous
// multipliers and their bytes.
void ColourTemperatureToRgb();
// The setting from the sun's colour temperature (never below 4200 K), then its white.
void AutoWhiteBalance();

// ---- [Sun disc] ----
constexpr float SUN_ANGULAR_RADIUS = 0.00465f;
struct SunVisibility {
  float direction[3];  // the light direction: the sun, or the visible part of its disc
  float fraction;      // of the disc above the horizon, 0..1
  int sunSet;          // the disc is wholly below the horizon
};
// For a unit sun direction (z up).  A set sun lights from the horizon towards its heading;
// one straight below (no heading) gives a zero direction.
SunVisibility SunDiscVisibility(const float sun[3]);
