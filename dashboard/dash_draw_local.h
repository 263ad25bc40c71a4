// dash_draw_local.h - what the dashboard's drawing files share: filled shapes into the 2D
// list, raw glyph texts, the fixed-pitch text, the lamps and the colours of a frame.
#pragma once
#include <cstdint>

#include "dashboard/dash_block.h"
#include "dashboard/dash_figures.h"

struct DashFrame {
  const DashCarState* state;
  uint32_t ledColour;     // 0xFFRRGGBB
  float speedFactor;
  float frameRate;
};

inline uint32_t Argb(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}
inline uint32_t ArgbOf(const DashColour& c, uint8_t alpha = 255) { return Argb(c.red, c.green, c.blue, alpha); }
uint32_t ArgbOfWord(uint32_t colourWord);  // a configuration colour (red in byte 0), opaque
inline uint32_t WithAlpha(uint32_t argb, uint8_t alpha) { return (argb & 0xFFFFFFu) | uint32_t(alpha) << 24; }
constexpr uint32_t DASH_BLACK = 0xFF000000u;
constexpr uint8_t UNLIT_ALPHA = 16;

// A rectangle filled in an untextured batch of the 2D list (x0 < x1, y0 < y1).
void FillRect(uint32_t argb, float x0, float y0, float x1, float y1);
// A quad of four corners, untextured.
void FillQuad(uint32_t argb, const float x[4], const float y[4]);
// A lamp: a soft disc of radius s (full colour to 0.8 s, fading out at s).
void FillLamp(uint32_t argb, float x, float y, float s);
// Raw glyph codes, their top at y, height h; centred on x, or from x.
void DrawCodesCentred(const char* codes, float x, float y, float h, uint32_t argb);
// Up to 16 characters, character k at x + k pitch, each centred in a cell of the pitch (a
// wider glyph squeezed to the cell).
void DrawFixedPitch(const char* text, uint32_t argb, float h, float pitch, float x, float y);
// The backing colour the target is cleared with (before the brightness table); DASH_BLACK
// counts as none.
uint32_t BackingColour(const DashCarState& s);
// The twelve lamps of a block (types 1 to 3) that the lamp mask holds.
void DrawBlockLamps(const DashCarState& s);
// The black rectangle of a block when there is a backing colour to cover.
void DrawBlackRectangle(const DashRect& r, int backingIsBlack);
// The unlit "8" at opacity 16 and, while live, the gear glyph, at (x, y) h high.
void DrawGear(const DashFrame& f, uint32_t argb, float x, float y, float h);
// The live-setting line: "Pit Instructions" for selector 4, else the race's line.
const char* LiveSettingLine(const DashCarState& s);
int FuelLineShown(const DashCarState& s);

// The displays by type.
void DrawAnalogDash(const DashFrame& f);
void DrawFormulaDash(const DashFrame& f);
void DrawWheelDash(const DashFrame& f);
void DrawBatteryDash(const DashFrame& f);
