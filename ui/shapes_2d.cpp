// shapes_2d.cpp - filled rectangles, pixel lines and interface pictures in the 2D lists.
#include "ui/shapes_2d.h"

#include <algorithm>
#include <cmath>

#include "render/buffers.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/texture_record.h"

namespace {

constexpr float PICTURE_MARGIN = 0.025f;  // of the cell's width, inside each edge
constexpr float QUARTER_TURN = 1.5707963f;
constexpr int CORNER_PIXELS_MOST = 512;

bool TriangleRoom() {
  CircularVBuffer& s = Stream2D;
  if (s.batchOpen && s.topology == GFX_TOPOLOGY_TRIANGLELIST && s.vertexCount >= STREAM_FLUSH_VERTICES)
    DrawPending2DTriangles(0);
  if (!s.batchOpen) return s.StartBuf(GetDefaultMaterial(), 1, 1) != 0;
  return s.topology == GFX_TOPOLOGY_TRIANGLELIST;
}

bool LineBatchOpen() { return Stream2D.batchOpen && Stream2D.topology == GFX_TOPOLOGY_LINELIST; }

// The list's units from pixels: x -1..1 across, y -1 at the top.
float ListX(float px) { return Gfx.screenWidth ? 2.0f * px / float(Gfx.screenWidth) - 1.0f : -1.0f; }
float ListY(float py) { return Gfx.screenHeight ? 2.0f * py / float(Gfx.screenHeight) - 1.0f : -1.0f; }

// One quad of its own batch on texture over (x0, y0)-(x1, y1) in the list's units.
void TexturedQuad(const Material* texture, float x0, float y0, float x1, float y1, float u0, float v0, float u1,
                  float v1) {
  Draw2D& list = Draw2DList;
  list.CloseOpenBatch();
  list.StartBatch(texture);
  const uint32_t white = 0xFFFFFFFF;
  const int a = list.AddVertex(white, x0, y0, u0, v0), b = list.AddVertex(white, x1, y0, u1, v0),
            c = list.AddVertex(white, x1, y1, u1, v1), d = list.AddVertex(white, x0, y1, u0, v1);
  list.AddQuad(a, b, c, d);
  list.EndBatch();
}

}  // namespace

void FillRect2D(float x0, float y0, float x1, float y1, uint32_t colour) {
  if (!TriangleRoom()) return;
  const int a = EmitVertex2D(colour, x0, y0, 0, 0), b = EmitVertex2D(colour, x1, y0, 1, 0),
            c = EmitVertex2D(colour, x1, y1, 1, 1), d = EmitVertex2D(colour, x0, y1, 0, 1);
  EmitQuadIndices(a, b, c, d);
}

void EmitLine2D(uint32_t colour, float x0, float y0, float x1, float y1) {
  if (!LineBatchOpen()) return;  // lines sent while no batch is open are dropped
  if (Stream2D.vertexCount + 2 > LINE_FLUSH_VERTICES) {
    EndLineBatch2D();
    if (!BeginLineBatch2D()) return;
  }
  EmitVertex2D(colour, x0 + 0.5f, y0 + 0.5f, 0, 0);
  EmitVertex2D(colour, x1 + 0.5f, y1 + 0.5f, 0, 0);
}

void EmitHLine2D(float x0, float y, float x1, uint32_t colour) { EmitLine2D(colour, x0, y, x1, y); }
void EmitVLine2D(float x, float y0, float y1, uint32_t colour) { EmitLine2D(colour, x, y0, x, y1); }

void DrawRotatedPicture(uint32_t colour, float angle, float x, float y, float size) {
  PictureCell p{};
  if (!FindInterfacePicture(INTERFACE_POINTER_PICTURE, p)) return;
  Draw2D& list = Draw2DList;
  list.UseTexture(INTERFACE_POINTER_PICTURE);
  const float margin = PICTURE_MARGIN * (p.u1 - p.u0);
  const float u[4] = {p.u0 + margin, p.u1 - margin, p.u1 - margin, p.u0 + margin};
  const float v[4] = {p.v0 + margin, p.v0 + margin, p.v1 - margin, p.v1 - margin};
  // The picture's top left corner lies at angle - 3/4 turn (y runs down), the others a quarter
  // turn on each.
  int corner[4];
  for (int k = 0; k < 4; ++k) {
    const float a = angle - 3.0f * QUARTER_TURN / 2.0f + float(k) * QUARTER_TURN;
    corner[k] = list.AddVertex(colour, x + size * std::cos(a), y + size * std::sin(a) * Projection.inverseAspect, u[k],
                               v[k]);
  }
  list.AddQuad(corner[0], corner[1], corner[2], corner[3]);
}

void DrawTextureCorner(const Material* texture) {
  const float s = std::min(float(Gfx.screenHeight) / 2.0f, float(CORNER_PIXELS_MOST));
  const float w = float(Gfx.screenWidth), h = float(Gfx.screenHeight);
  TexturedQuad(texture, ListX(w - s), ListY(h - s), ListX(w), ListY(h), 0, 0, 1, 1);
}

int TextureCornerSide(int screenWidth, int screenHeight) {
  (void)screenWidth;
  return std::min(screenHeight / 2, CORNER_PIXELS_MOST);
}

void DrawTextureTopRight(const Material* texture) {
  if (!texture) return;
  const float s = float(TextureCornerSide(Gfx.screenWidth, Gfx.screenHeight));
  const float w = float(Gfx.screenWidth);
  TexturedQuad(texture, ListX(w - s), ListY(0.0f), ListX(w), ListY(s), 0, 0, 1, 1);
}

void DrawTextureInRect(const Material* texture, int mode, float top, float left, float bottom, float right) {
  if (!texture || !texture->texture) return;
  const float tw = float(texture->texture->width), th = float(texture->texture->height);
  const float width = right - left, height = top - bottom;
  // A texture of one texel each way, or a rectangle without size, leaves nothing to fit.
  if (tw < 2.0f || th < 2.0f || !(width != 0.0f) || !(height != 0.0f)) return;
  const float A = Projection.inverseAspect, A2 = Projection.aspect;
  float u0 = 0.5f / tw, u1 = 1.0f - 0.5f / tw, v0 = 0.5f / th, v1 = 1.0f - 0.5f / th;
  float x0 = left, x1 = right, y0 = top, y1 = bottom;
  const float cx = 0.5f * (left + right), cy = 0.5f * (top + bottom);
  if (mode == 1) {
    const float span = std::min((1.0f - 1.0f / th) * th * A * width / (height * tw), u1 - u0);
    u0 = 0.5f - span / 2.0f;
    u1 = 0.5f + span / 2.0f;
  } else if (mode == 2) {
    const float picture = (tw - 1.0f) / (th - 1.0f), rectangle = A * width / height;
    if (picture > rectangle) {
      const float half = 0.5f * height * rectangle / picture;
      y0 = cy + half;
      y1 = cy - half;
    } else {
      const float half = 0.5f * width * picture / rectangle;
      x0 = cx - half;
      x1 = cx + half;
    }
  } else {
    const float span = (1.0f - 1.0f / tw) * tw * A2 * height / (width * th), full = v1 - v0;
    if (span > full) {
      const float half = 0.5f * height * full / span;
      y0 = cy + half;
      y1 = cy - half;
    } else {
      v0 = 0.5f - span / 2.0f;
      v1 = 0.5f + span / 2.0f;
    }
  }
  // Device units have y up, the list's y runs down.
  TexturedQuad(texture, x0, -y0, x1, -y1, u0, v0, u1, v1);
}
