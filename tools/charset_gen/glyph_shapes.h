// glyph_shapes.h - outlines to vector glyphs: flattening, tessellation into triangles in
// the winding that fills, and the program's own symbols.
//
// Grid units: the cell is 9 units high, x to the right, y upwards.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct ShapePoint {
  double x, y;
};
using Contour = std::vector<ShapePoint>;

// What one glyph record holds.
struct GlyphShape {
  std::vector<std::array<float, 2>> points;
  std::vector<std::array<uint8_t, 3>> triangles;
};

constexpr int MAX_GLYPH_POINTS = 256;     // point indices are bytes
constexpr int MAX_GLYPH_TRIANGLES = 255;  // the count is a byte

// Triangulates the filled area of the contours (non-zero winding).  Every triangle comes out
// in the winding that fills (positive area with y upwards), degenerate ones dropped.
// Returns false with a reason when the limits are exceeded or the tessellator fails.
bool Tessellate(const std::vector<Contour>& contours, GlyphShape* out, std::string* error);

// Removes repeated and nearly collinear points (deviation below tolerance).
void SimplifyContour(Contour* contour, double tolerance);

// The symbols the interface and the dashboards draw by raw code, in grid units.
// baseline and capHeight place them on the letters' lines.
enum SymbolKind {
  SYMBOL_BOX,          // the placeholder
  SYMBOL_CROSSED_BOX,  // a double-byte character that cannot be drawn
  SYMBOL_STEP_LEFT,
  SYMBOL_STEP_RIGHT,
  SYMBOL_ARROW_LEFT,
  SYMBOL_ARROW_RIGHT,
  SYMBOL_ARROW_UP,
  SYMBOL_ARROW_DOWN,
  // The dashboard's warning lamps and dial symbols, our own drawings.
  SYMBOL_LAMP,           // a plain round lamp
  SYMBOL_WATER,          // a thermometer standing in waves
  SYMBOL_FUEL,           // a fuel pump
  SYMBOL_FULL_BEAM,      // a headlamp throwing level rays
  SYMBOL_HANDBRAKE,      // a ring round an exclamation mark
  SYMBOL_ANTILOCK,       // a ring in brackets
  SYMBOL_ENGINE,         // an engine block
  SYMBOL_TRACTION,       // a car body over two skid lines
  SYMBOL_OIL,            // an oil can with a drop at its spout
  SYMBOL_BATTERY,        // a battery with its two poles
  SYMBOL_THERMOMETER,    // a thermometer
  SYMBOL_SHIFT_UP,       // an arrow up over a bar
  SYMBOL_PIT_LIMITER,    // a ring round a "P"
  SYMBOL_BOTH_ARROWS,    // arrows left and right
  SYMBOL_BOTH_TRIANGLES, // triangles left and right
  SYMBOL_TIMES,          // the multiplication sign
};
std::vector<Contour> SymbolContours(SymbolKind kind, double baseline, double capHeight);

// Seven-segment digits ('0'..'9'), minus, point, comma and the reverse gear's 'r'; lcd draws
// thin segments.
std::vector<Contour> SegmentContours(char c, bool lcd, double baseline, double capHeight);
double SegmentDigitRight();  // the right edge of a digit cell, for the blank
