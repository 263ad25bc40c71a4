// glyph_raster.h - filling vector glyphs, triangles and ellipses into 16-bit bitmaps.
//
// Sections: [Bitmap] [Fills] [Glyphs]
//
// Positions are in quarter pixels, x to the right and y downwards.  A pixel is filled when
// its centre lies inside: a row when top <= centre < bottom, a column when the left edge
// <= centre < the right edge, so shapes that share an edge never both fill its pixels.
// The font pages and the number plates draw through here.  Each thread draws into its own
// current bitmap (the start-up's reader of the character set draws the first font glyphs).
#pragma once
#include <cstdint>

struct Char;

// ---- [Bitmap] ----
struct Bitmap16 {
  uint16_t* pixels = nullptr;
  int width = 0, height = 0;  // pixels
  int pitchBytes = 0;
  int firstRow = 0, lastRow = -1;  // rows outside are not written
};

extern thread_local Bitmap16 CurrentBitmap16;
extern thread_local int32_t TriangleSlots[3][2];  // the triangle FillTriangle16 fills: x, y in quarter pixels
extern thread_local int CurveSubdivisions;        // quads per curved stroke; 1 unless set

// Makes bitmap the current one, every row open to drawing.
void SetCurrentBitmap16(uint16_t* pixels, int width, int height);

// ---- [Fills] ----
// Fills the triangle in TriangleSlots.  Only one winding fills: going from the top vertex,
// the next vertex lies on the left (counter-clockwise as seen on screen); the other winding
// draws nothing.  A triangle whose top is above row 0 is not drawn at all.  Columns are
// clipped to the bitmap.
void FillTriangle16(uint16_t value);
// A fan of 24 triangles of 15 degrees around (x, y); radii in quarter pixels.
void FillEllipse16(int32_t x, int32_t y, float rx, float ry, uint16_t value);
// Puts the three vertices in the winding that fills.
void OrientToFill(int32_t v[3][2]);

// ---- [Glyphs] ----
// Offsets run from -1 (left or top edge) to 1; at scales 2.0 and offsets -1, -1 a glyph's
// 9-unit cell covers the whole bitmap.
void DrawVectorGlyph(const Char& glyph, float heightScale, uint16_t value, float xOffset, float yOffset,
                     float widthScale);
