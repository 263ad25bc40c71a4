// bevel_box.cpp - bevelled boxes in pixels through the shared 2D stream.
#include "ui/bevel_box.h"

#include <algorithm>

#include "core/gamma_tables.h"
#include "render/buffers.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/render_states.h"
#include "text/text_colours.h"
#include "ui/draw_record.h"

namespace {

constexpr uint32_t STREAM_BATCH_VERTICES = 5120;

// 0xAARRGGBB, opaque, through the brightness table.
uint32_t Vertex(uint32_t colourWord) {
  return ApplyBrightnessTable(0xFF000000u | (colourWord & 0xFF) << 16 | (colourWord >> 8 & 0xFF) << 8 |
                              (colourWord >> 16 & 0xFF));
}

uint32_t Mix(uint32_t c, int toward) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8)
    out |= ((((c >> shift) & 0xFF) + static_cast<uint32_t>(toward)) / 2) << shift;
  return out;
}

bool Room() {
  CircularVBuffer& s = Stream2D;
  if (s.batchOpen && s.vertexCount + 20 > STREAM_BATCH_VERTICES) DrawPending2DTriangles(0);
  if (!s.batchOpen) return s.StartBuf(GetDefaultMaterial(), 1, 1) != 0;
  return true;
}

// A quad whose corners take their own colours.
void Quad(const uint32_t colour[4], float ax, float ay, float bx, float by, float cx, float cy, float dx, float dy) {
  const int a = EmitVertex2D(colour[0], ax, ay, 0, 0), b = EmitVertex2D(colour[1], bx, by, 0, 0),
            c = EmitVertex2D(colour[2], cx, cy, 0, 0), d = EmitVertex2D(colour[3], dx, dy, 0, 0);
  if (a >= 0 && b >= 0 && c >= 0 && d >= 0) EmitQuadIndices(a, b, c, d);
}

void Box(uint32_t colourWord, bool swap, bool red, float x1, float y1, float x2, float y2, float bx, float by) {
  if (!Room()) return;
  RecordFillPixels(0xFF000000u | (colourWord & 0xFF) << 16 | (colourWord >> 8 & 0xFF) << 8 | (colourWord >> 16 & 0xFF),
                   x1, y1, x2, y2);
  uint32_t light = Mix(colourWord, 255), dark = Mix(colourWord, 100);
  if (swap) std::swap(light, dark);
  if (red) light = dark = TextColours.red;
  const uint32_t face = Vertex(colourWord), top = Vertex(light), bottom = Vertex(dark);
  // The edges take their shade on the outer corners and the face colour on the inner ones.
  const uint32_t faces[4] = {face, face, face, face}, topEdge[4] = {top, top, face, face},
                 leftEdge[4] = {top, face, face, top}, bottomEdge[4] = {face, face, bottom, bottom},
                 rightEdge[4] = {face, bottom, bottom, face};
  Quad(faces, x1 + bx, y1 + by, x2 - bx, y1 + by, x2 - bx, y2 - by, x1 + bx, y2 - by);
  Quad(topEdge, x1, y1, x2, y1, x2 - bx, y1 + by, x1 + bx, y1 + by);
  Quad(leftEdge, x1, y1, x1 + bx, y1 + by, x1 + bx, y2 - by, x1, y2);
  Quad(bottomEdge, x1 + bx, y2 - by, x2 - bx, y2 - by, x2, y2, x1, y2);
  Quad(rightEdge, x2 - bx, y1 + by, x2, y1, x2, y2, x2 - bx, y2 - by);
}

}  // namespace

void DrawBevelBox(uint32_t colourWord, int state, float x1, float y1, float x2, float y2, float bevelPixels) {
  Box(colourWord, state != 0 && state != 255, state == 255, x1, y1, x2, y2, bevelPixels, bevelPixels);
}

void DrawBevelBoxWide(uint32_t colourWord, int state, float x1, float y1, float x2, float y2) {
  Box(colourWord, state != 0, false, x1, y1, x2, y2, 0.25f * (x2 - x1), 0.25f * (y2 - y1));
}

void DrawBlendedBox(uint32_t argb, float x1, float y1, float x2, float y2) {
  CircularVBuffer& s = Stream2D;
  if (s.batchOpen) DrawPending2DTriangles(0);
  RecordFillPixels(argb, x1, y1, x2, y2);
  if (!s.StartBuf(GetDefaultMaterial(), 1, 1)) return;
  const int savedBlend = RenderStates.pendingBlend;
  RenderStates.pendingBlend = 2;
  const uint32_t colour = ApplyBrightnessTable(argb);
  const uint32_t corners[4] = {colour, colour, colour, colour};
  Quad(corners, x1, y1, x2, y1, x2, y2, x1, y2);
  DrawPending2DTriangles(0);
  RenderStates.pendingBlend = savedBlend;
}
