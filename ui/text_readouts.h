// text_readouts.h - the number readouts of the dashboards: a speed and a pressure drawn in
// the dashboard digit glyphs, right-aligned, with the unit below.
//
// The digits "0".."9", the point, the minus and the blank of a formatted number are moved up
// by 96 to the dashboard glyphs (character codes 144..153, 142, 141, 128), drawn whatever the
// code page.  Sizes and positions are the current text batch's units.  Main thread only.
#pragma once
#include <cstdint>

constexpr float READOUT_UNIT_SIZE = 0.41f;  // of the readout size
constexpr int READOUT_TEXT_SIZE = 16;

// The texts a readout shows: the number in dashboard codes and its unit.
struct ReadoutText {
  char number[READOUT_TEXT_SIZE];
  const char* unit;
};
// "%.0f" of the speed in km/h (x 3.6) or mph (x 2.237), clamped to 0..999.
ReadoutText SpeedReadoutText(float speedMetresPerSecond, int milesPerHour);
// "%.2f" bar clamped to -9.99..9.99, or "%.1f" psi (x 14.7) clamped to -99.9..99.9.
ReadoutText PressureReadoutText(float pressureBar, int psi);

// Draws the number right-aligned in the caller's box (its right edge x + width, its top y,
// the box height as the glyph height), and the unit below it at READOUT_UNIT_SIZE of that.
void DrawReadoutInt(float speedMetresPerSecond, int milesPerHour, float x, float y, float width, float height,
                    uint32_t colour);
void DrawReadoutDec(float pressureBar, int psi, float x, float y, float width, float height, uint32_t colour);

// Raw glyph codes (glyph = code - 32, unkerned, whatever the code page: the dashboard digits,
// the lamp symbols and the sign x) at size: their width, and drawn from x (left edge).
float RawCodesWidth(const char* codes, float size);
void DrawRawCodes(const char* codes, float x, float y, float size, uint32_t colour);

// The race clock ("00:00:00", GetRaceClockMs) drawn white on black into the info texture
// "INFO~T" (render/frame.h), in a text batch of its own.
void DrawInfoTex();
