// draw2d.cpp - the 2D draw list: collecting batches during the frame and drawing them once.
#include "render/draw2d.h"

#include <algorithm>
#include <cstdio>

#include "core/gamma_tables.h"
#include "core/report.h"
#include "render/device.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/system_textures.h"

FrameProjection Projection;
float Draw2DPixelScale = 1.0f;
int InterfaceDrawing;
float ViewAreaWidthFraction = 1.0f, ViewAreaHeightFraction = 1.0f;
int AlternativeInterfaceShaderMode;
Draw2D Draw2DList;

namespace {

constexpr uint32_t BACKGROUND_VERTICES = 4, BACKGROUND_TRIANGLES = 2;

template <class T>
void MakeRoom(std::vector<T>& array, uint32_t count, uint32_t initial) {
  if (count < array.size()) return;
  array.resize(std::max<size_t>(array.size() * 2, initial));
}

// The reserved batch 0: inactive, 4 vertices and 2 triangles of room for the background.
void ReserveBackground(Draw2D& list) {
  MakeRoom(list.batches, 0, DRAW2D_INITIAL_BATCHES);
  while (list.vertices.size() < BACKGROUND_VERTICES) MakeRoom(list.vertices, uint32_t(list.vertices.size()), DRAW2D_INITIAL_VERTICES);
  while (list.triangles.size() < BACKGROUND_TRIANGLES)
    MakeRoom(list.triangles, uint32_t(list.triangles.size()), DRAW2D_INITIAL_TRIANGLES);
  list.batches[0] = Draw2DBatch{0, 0, nullptr, BACKGROUND_VERTICES, BACKGROUND_TRIANGLES, 0, 0, 0, 0};
  std::fill_n(list.vertices.begin(), BACKGROUND_VERTICES, Draw2DVertex{});
  std::fill_n(list.triangles.begin(), BACKGROUND_TRIANGLES, Draw2DTriangle{});
  list.counters.batchCount = 1;
  list.counters.vertexCount = BACKGROUND_VERTICES;
  list.counters.triangleCount = BACKGROUND_TRIANGLES;
}

void Refuse(Draw2D& list, const char* text) {
  if (list.refusedReported) return;
  list.refusedReported = 1;
  ReportLine(text, REPORT_MESSAGE, REPORT_TARGET_DEBUG);
}

inline void Put(Vertex2D* out, const Draw2DVertex& v) { *out = Vertex2D{v.x, v.y, 0.0f, v.colour, v.u, v.v}; }

// Draws what the stream's buffer holds with the batch's shader and sampler.
void DrawStream(const Draw2DBatch& b, CircularVBuffer& stream = Stream2D) {
  Material::SetPShader(b.material->texture ? 24 : 23);
  stream.DrawBuffer(b.sampler);
}

// Writes the batch's vertices and triangles into the stream's started buffer and unlocks it;
// box, when given, gets the vertices' bounding box in clip space.  Triangles naming a vertex
// outside the batch are left out.  The triangles kept.
uint32_t WriteBatch(CircularVBuffer& stream, const Draw2D& list, const Draw2DBatch& b, float* box) {
  Vertex2D* out = reinterpret_cast<Vertex2D*>(stream.vertexWrite);
  const Draw2DVertex* in = &list.vertices[b.firstVertex];
  if (box && b.vertexCount > 0) box[0] = box[2] = in[0].x, box[1] = box[3] = in[0].y;
  for (uint32_t i = 0; i < b.vertexCount; ++i) {
    Put(&out[i], in[i]);
    if (!box) continue;
    box[0] = std::min(box[0], in[i].x), box[1] = std::min(box[1], in[i].y);
    box[2] = std::max(box[2], in[i].x), box[3] = std::max(box[3], in[i].y);
  }
  stream.vertexWrite += size_t(b.vertexCount) * sizeof(Vertex2D);
  stream.vertexCount = b.vertexCount;
  uint16_t* index = stream.indexWrite;
  const Draw2DTriangle* t = &list.triangles[b.firstTriangle];
  uint32_t kept = 0;
  for (uint32_t i = 0; i < b.triangleCount; ++i) {
    if (t[i].a >= b.vertexCount || t[i].b >= b.vertexCount || t[i].c >= b.vertexCount) continue;
    index[0] = uint16_t(t[i].a);
    index[1] = uint16_t(t[i].b);
    index[2] = uint16_t(t[i].c);
    index += 3;
    ++kept;
  }
  stream.indexWrite = index;
  stream.triangleCount = kept;
  stream.UnlockBuffer();
  return kept;
}

// One batch that fits the 2D stream: one mapped write and one draw.  A flush's first batch
// starts the stream afresh and the others follow it where they find room, so that the same
// batches are written to the same places in every frame (a frame of the interface alone is
// told from its bytes and draws).
void DrawWhole(const Draw2D& list, const Draw2DBatch& b, bool first) {
  const int started =
      first ? Stream2D.StartBuf(b.material, 1, 1) : Stream2D.StartBufAfter(b.material, b.vertexCount, b.triangleCount);
  if (!started) return;
  WriteBatch(Stream2D, list, b, nullptr);
  DrawStream(b);
}

// A batch drawn apart: from its own stream, the draw's reach told to the device (the
// bounding box of its vertices in clip space).  False when it does not fit that stream.
bool DrawApart(const Draw2D& list, const Draw2DBatch& b) {
  CircularVBuffer& stream = StreamApart2D;
  if (b.vertexCount > APART_2D_VERTICES || b.triangleCount > APART_2D_TRIANGLES || !stream.StartBuf(b.material, 1, 1))
    return false;
  float box[4] = {};
  const uint32_t kept = WriteBatch(stream, list, b, box);
  if (kept > 0) GfxBoundNextDraw(box[0], box[1], box[2], box[3]);
  DrawStream(b, stream);
  return true;
}

// A batch with more vertices or triangles than the 2D stream holds: drawn in pieces, each
// piece taking the vertices its triangles use.
void DrawSplit(Draw2D& list, const Draw2DBatch& b) {
  if (list.remap.size() < b.vertexCount) {
    list.remap.resize(b.vertexCount);
    list.remapStamp.assign(b.vertexCount, 0);
    list.stamp = 0;
  }
  const Draw2DVertex* in = &list.vertices[b.firstVertex];
  auto startPiece = [&]() {
    if (++list.stamp == 0) {  // the stamps wrapped: forget them all
      std::fill(list.remapStamp.begin(), list.remapStamp.end(), 0);
      list.stamp = 1;
    }
    return Stream2D.StartBuf(b.material, 1, 1);
  };
  if (!startPiece()) return;
  const Draw2DTriangle* t = &list.triangles[b.firstTriangle];
  for (uint32_t i = 0; i < b.triangleCount; ++i) {
    const uint32_t corners[3] = {t[i].a, t[i].b, t[i].c};
    if (corners[0] >= b.vertexCount || corners[1] >= b.vertexCount || corners[2] >= b.vertexCount) continue;
    uint32_t fresh = 0;
    for (uint32_t c : corners) fresh += list.remapStamp[c] != list.stamp;
    if (!Stream2D.HasRoom(fresh, 1)) {
      Stream2D.UnlockBuffer();
      DrawStream(b);
      if (!startPiece()) return;
    }
    for (uint32_t c : corners) {
      if (list.remapStamp[c] != list.stamp) {
        list.remapStamp[c] = list.stamp;
        list.remap[c] = Stream2D.vertexCount++;
        Put(reinterpret_cast<Vertex2D*>(Stream2D.vertexWrite), in[c]);
        Stream2D.vertexWrite += sizeof(Vertex2D);
      }
      *Stream2D.indexWrite++ = uint16_t(list.remap[c]);
    }
    ++Stream2D.triangleCount;
  }
  Stream2D.UnlockBuffer();
  DrawStream(b);
}

}  // namespace

// ---- [List] ----

void Draw2D::Init() {
  batches.assign(DRAW2D_INITIAL_BATCHES, Draw2DBatch{});
  vertices.assign(DRAW2D_INITIAL_VERTICES, Draw2DVertex{});
  triangles.assign(DRAW2D_INITIAL_TRIANGLES, Draw2DTriangle{});
  Reset();
  // Until a screen layout sets a window, the list covers the whole target.
  const ScreenWindow& w = RenderTargets.window;
  if (w.scaleX == 0.0f && w.scaleY == 0.0f) SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
}

void Draw2D::Free() {
  batches = {};
  vertices = {};
  triangles = {};
  remap = {};
  remapStamp = {};
  Reset();
}

void Draw2D::Reset() {
  boundPicture = -1;
  counters = Draw2DCounters{};
  saved = Draw2DCounters{};
  inBackground = 0;
  refusedReported = 0;
}

void Draw2D::StartBatch(const Material* material, int sampler) {
  if (inBackground) {
    Refuse(*this, "Draw2D::StartBatch: the background batch is being written");
    return;
  }
  if (counters.batchOpen) EndBatch();
  if (counters.batchCount == 0) ReserveBackground(*this);
  MakeRoom(batches, counters.batchCount, DRAW2D_INITIAL_BATCHES);
  batches[counters.batchCount] =
      Draw2DBatch{1, 1, material ? material : GetDefaultMaterial(), 0, 0, counters.vertexCount, counters.triangleCount,
                  uint8_t(sampler >= 0 && sampler < SAMPLER_STATE_COUNT ? sampler : 0), 0};
  counters.batchVertexStart = counters.vertexCount;
  counters.batchTriangleStart = counters.triangleCount;
  counters.batchOpen = 1;
}

void Draw2D::StartApartBatch(const Material* material) {
  StartBatch(material);
  if (counters.batchOpen) batches[counters.batchCount].apart = 1;
}

void Draw2D::EndBatch() {
  if (!counters.batchOpen) return;
  Draw2DBatch& b = batches[counters.batchCount];
  b.vertexCount = counters.vertexCount - counters.batchVertexStart;
  b.triangleCount = counters.triangleCount - counters.batchTriangleStart;
  ++counters.batchCount;
  counters.batchOpen = 0;
}

int Draw2D::AddVertex(uint32_t colour, float x, float y, float u, float v) {
  if (!counters.batchOpen) {
    Refuse(*this, "Draw2D::AddVertex: no batch open");
    return -1;
  }
  if (inBackground && counters.vertexCount >= BACKGROUND_VERTICES) {
    Refuse(*this, "Draw2D::AddVertex: the background batch holds 4 vertices");
    return -1;
  }
  MakeRoom(vertices, counters.vertexCount, DRAW2D_INITIAL_VERTICES);
  const ScreenWindow& w = RenderTargets.window;
  vertices[counters.vertexCount] = Draw2DVertex{w.scaleX * x + w.centreX, w.scaleY * y + w.centreY, u, v,
                                                ApplyBrightnessTable(colour)};
  return int(counters.vertexCount++ - counters.batchVertexStart);
}

void Draw2D::AddTriangle(int a, int b, int c) {
  if (!counters.batchOpen) {
    Refuse(*this, "Draw2D::AddTriangle: no batch open");
    return;
  }
  if (a < 0 || b < 0 || c < 0) return;  // a corner that was refused
  if (inBackground && counters.triangleCount >= BACKGROUND_TRIANGLES) {
    Refuse(*this, "Draw2D::AddTriangle: the background batch holds 2 triangles");
    return;
  }
  MakeRoom(triangles, counters.triangleCount, DRAW2D_INITIAL_TRIANGLES);
  triangles[counters.triangleCount++] = Draw2DTriangle{uint32_t(a), uint32_t(b), uint32_t(c)};
}

void Draw2D::AddQuad(int a, int b, int c, int d) {
  AddTriangle(a, b, c);
  AddTriangle(c, d, a);
}

void Draw2D::Flush() {
  if (inBackground) EndBackgroundBatch();
  if (counters.batchOpen) EndBatch();
  if (counters.batchCount == 0 || !Stream2D.vertexBuffer) return;
  Material::EnableVertexDeclaration(3);
  Material::SetVShader(5);
  int previousBlend = -1;
  bool first = true;
  for (uint32_t i = 0; i < counters.batchCount; ++i) {
    const Draw2DBatch& b = batches[i];
    if (!b.active || b.vertexCount == 0 || b.triangleCount == 0 || !b.material) continue;
    if (b.blend != previousBlend) Shaders.boundPixelSlot = -1;  // bound again by the next SetPShader
    previousBlend = b.blend;
    RenderStates.pendingBlend = b.blend ? 2 : 0;
    // The 2D stream starts afresh with the first batch drawn from it.
    if (b.apart && DrawApart(*this, b)) continue;
    if (b.vertexCount <= Stream2D.vertexCapacity && b.triangleCount <= Stream2D.triangleCapacity)
      DrawWhole(*this, b, first);
    else
      DrawSplit(*this, b);
    if (first && AlternativeInterfaceShaderMode) Shaders.boundPixelSlot = -1;
    first = false;
  }
  RenderStates.pendingBlend = 0;
}

void Draw2D::UseTexture(int picture) {
  if (picture == boundPicture && counters.batchOpen) return;
  PictureCell p{};
  if (!FindInterfacePicture(picture, p)) return;
  CloseOpenBatch();
  StartBatch(p.material);
  boundPicture = picture;
}

void Draw2D::CloseOpenBatch() {
  if (boundPicture != -1) EndBatch();
  boundPicture = -1;
}

void Draw2D::AddRect(uint32_t colour, int aspect, float cx, float cy, float half) {
  const float vertical = aspect ? half * Projection.inverseAspect : half;
  const int a = AddVertex(colour, cx - half, cy - vertical, 0, 0), b = AddVertex(colour, cx + half, cy - vertical, 1, 0),
            c = AddVertex(colour, cx + half, cy + vertical, 1, 1), d = AddVertex(colour, cx - half, cy + vertical, 0, 1);
  AddQuad(a, b, c, d);
}

// ---- [Interface pictures] ----

int FindInterfacePicture(int index, PictureCell& out) {
  if (index < 0 || index >= SPRITE_SHEET_CELLS * SPRITE_SHEET_CELLS) return 0;
  const float cell = 1.0f / SPRITE_SHEET_CELLS;
  out.material = SystemMaterials.spriteSheet;
  out.u0 = float(index % SPRITE_SHEET_CELLS) * cell;
  out.v0 = float(index / SPRITE_SHEET_CELLS) * cell;
  out.u1 = out.u0 + cell;
  out.v1 = out.v0 + cell;
  return 1;
}

// ---- [Background batch] ----

void BeginBackgroundBatch(const Material* material) {
  Draw2D& list = Draw2DList;
  if (list.inBackground) return;
  // An empty list gets its reserved batch now, so the background is drawn even alone.
  if (list.counters.batchCount == 0 && !list.counters.batchOpen) ReserveBackground(list);
  list.saved = list.counters;
  list.counters = Draw2DCounters{0, 0, 0, 0, 0, 1};
  list.batches[0] = Draw2DBatch{1, 0, material ? material : GetDefaultMaterial(), 0, 0, 0, 0, 0, 0};
  list.inBackground = 1;
}

void EndBackgroundBatch() {
  Draw2D& list = Draw2DList;
  if (!list.inBackground) return;
  list.batches[0].vertexCount = list.counters.vertexCount;
  list.batches[0].triangleCount = list.counters.triangleCount;
  list.counters = list.saved;
  list.inBackground = 0;
}

// ---- [Frame calls] ----

void FlushDraw2D() { Draw2DList.Flush(); }
void ResetDraw2D() { Draw2DList.Reset(); }
