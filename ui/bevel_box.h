// bevel_box.h - bevelled boxes in pixels through the shared 2D stream (the interface's
// panels, and the vehicle editor's boxes).
#pragma once
#include <cstdint>

// A box in pixels through the shared 2D stream: a face in the colour and four bevel edges,
// light (c + 255) / 2 above and left, dark (c + 100) / 2 below and right; a state other than
// 0 and 255 swaps them, 255 draws both in red.  The bevel is bevelPixels wide (the button
// inset); the wide form's bevel is a quarter of the box's width and height, and any state
// other than 0 swaps its edges.  Drawn when the stream's batch is drawn
// (DrawPending2DTriangles); both open a batch on the default material when none is open.
void DrawBevelBox(uint32_t colourWord, int state, float x1, float y1, float x2, float y2, float bevelPixels);
void DrawBevelBoxWide(uint32_t colourWord, int state, float x1, float y1, float x2, float y2);
// A plain box in a vertex colour (0xAARRGGBB) blended by its alpha, drawn at once (what the
// stream held is drawn first, so it stays under it).
void DrawBlendedBox(uint32_t argb, float x1, float y1, float x2, float y2);
