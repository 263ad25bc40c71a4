// gamma_tables.h - the colour tables every 2D colour and every linearised colour byte goes
// through: bytes to linear light and back, and the interface's brightness curve.
//
// Filled before the first reader runs (at start-up, and again harmlessly by the device's
// pre-initialisation); readers only index them.
#pragma once
#include <cstdint>

// For i = 0..255 and x = i / 255:
extern float LinearFromGammaTable[256];    // x^2.2
extern uint8_t BrightnessTable[256];       // round(255 x^2.2): 0 -> 0, 128 -> 56, 255 -> 255
extern uint8_t GammaFromLinearTable[256];  // round(255 x^(1/2.2))

void BuildGammaTables();

// A 0xAARRGGBB vertex colour with red, green and blue passed through BrightnessTable.
inline uint32_t ApplyBrightnessTable(uint32_t argb) {
  return (argb & 0xFF000000u) | uint32_t(BrightnessTable[(argb >> 16) & 0xFF]) << 16 |
         uint32_t(BrightnessTable[(argb >> 8) & 0xFF]) << 8 | BrightnessTable[argb & 0xFF];
}
