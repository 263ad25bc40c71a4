// sprite_shapes.h - a small RGBA canvas and the shapes the sprite pictures are drawn from.
//
// Shapes are given in pixels (x right, y down, pixel centres at +0.5) and are painted with
// 4 x 4 samples per pixel, so their edges come out smooth.  Colours are straight (not
// premultiplied) 8-bit RGBA; painting blends "over" what is there.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Rgba {
  uint8_t r, g, b, a;
};

struct Canvas {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // RGBA rows, top row first
};

Canvas MakeCanvas(int width, int height, Rgba fill);

// Paints colour over every pixel by the share of its samples for which inside(x, y) holds.
void PaintCoverage(Canvas& c, Rgba colour, const std::function<bool(float x, float y)>& inside);
// A colour per sample: colourAt returns the colour (alpha 0 leaves the sample alone).
void PaintShaded(Canvas& c, const std::function<Rgba(float x, float y)>& colourAt);

void FillDisc(Canvas& c, float cx, float cy, float radius, Rgba colour);
void FillRing(Canvas& c, float cx, float cy, float inner, float outer, Rgba colour);
void FillRoundedRect(Canvas& c, float x0, float y0, float x1, float y1, float radius, Rgba colour);
void FillPolygon(Canvas& c, const std::vector<float>& xy, Rgba colour);  // x0, y0, x1, y1 ...
// A bar from (x0, y0) to (x1, y1) of the given half width with round ends.
void FillBar(Canvas& c, float x0, float y0, float x1, float y1, float halfWidth, Rgba colour);
// Replaces the alpha of the pixels inside the disc by zero (a hole through what is drawn).
void CutDisc(Canvas& c, float cx, float cy, float radius);

// Writes the canvas as an 8-bit RGBA PNG file (RGB without withAlpha: the program refuses an
// alpha channel in a picture whose name does not ask for one); false (with a line on stderr)
// on failure.
bool WritePng(const std::string& path, const Canvas& c, bool withAlpha = true);
// Writes the canvas's colours (its alpha left out) as a JPEG file at quality 92; false (with a
// line on stderr) on failure.
bool WriteJpeg(const std::string& path, const Canvas& c);
