// immediate.cpp - the shared immediate streams, the 2D and 3D emitters and the grids.
#include "render/immediate.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/gamma_tables.h"
#include "core/log.h"
#include "core/report.h"
#include "render/device.h"
#include "render/material.h"
#include "render/shaders.h"
#include "render/views.h"
#include "text/text_colours.h"

CircularVBuffer Stream2D;
CircularVBuffer StreamApart2D;
CircularVBuffer StreamLines3D;
CircularVBuffer StreamLit;

uint8_t GridStrongGrey = 200, GridWeakGrey = 114;  // the interface's default greys
float FootprintHalfLength = 2.0f, FootprintHalfWidth = 1.0f;

namespace {

void Report(const char* text) { ReportLine(text, REPORT_MESSAGE, REPORT_TARGET_DEBUG); }

uint32_t GreyColour(uint8_t level) {
  uint32_t g = BrightnessTable[level];
  return 0xFF000000u | g << 16 | g << 8 | g;
}

// A ColourWord (red in byte 0) as a vertex colour through the brightness table.
uint32_t WordColour(ColourWord word) {
  return 0xFF000000u | uint32_t(BrightnessTable[word & 0xFF]) << 16 |
         uint32_t(BrightnessTable[(word >> 8) & 0xFF]) << 8 | BrightnessTable[(word >> 16) & 0xFF];
}

bool ValidIndex(int i, const CircularVBuffer& b) { return i >= 0 && uint32_t(i) < b.vertexCapacity; }

void WriteIndices(CircularVBuffer& b, const int* list, int count) {
  for (int i = 0; i < count; ++i) *b.indexWrite++ = uint16_t(list[i]);
  b.triangleCount += uint32_t(count / 3);
}

void Line(uint32_t colour, float ax, float ay, float az, float bx, float by, float bz) {
  const float a[3] = {ax, ay, az}, b[3] = {bx, by, bz};
  EmitLine3D(colour, a, b);
}

// The grid in the ground plane, each point taken through matrix (rows of 16.16) when given.
void Grid(int32_t size, int32_t step, const FixedMatrix* matrix, bool arrows) {
  if (step <= 0 || size <= 0) {
    Report("DrawGroundGrid: the size and step must be above 0");
    return;
  }
  int64_t n = (int64_t(size) - 1) / step + 1;
  if (n > MAX_GRID_STEPS) {
    char line[96];
    std::snprintf(line, sizeof line, "DrawGroundGrid: %lld steps each way (at most %d)", (long long)n, MAX_GRID_STEPS);
    Report(line);
    return;
  }
  bool own = false;
  if (!Line3DBatchOpen()) {
    if (!BeginLineBatch3D()) return;
    own = true;
  }
  float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  if (matrix)
    for (int i = 0; i < 9; ++i) m[i] = float(matrix->m[i]) / 65536.0f;
  auto line = [&m](uint32_t colour, float ax, float ay, float bx, float by) {
    Line(colour, m[0] * ax + m[1] * ay, m[3] * ax + m[4] * ay, m[6] * ax + m[7] * ay, m[0] * bx + m[1] * by,
         m[3] * bx + m[4] * by, m[6] * bx + m[7] * by);
  };
  const uint32_t strong = GreyColour(GridStrongGrey), weak = GreyColour(GridWeakGrey);
  const float extent = float(n * step) / 65536.0f;
  for (int64_t i = -n; i <= n; ++i) {
    uint32_t colour = i % 10 == 0 ? strong : weak;
    float c = float(i * step) / 65536.0f;
    if (i == 0 && arrows) {
      // The centre lines become the axes, each with its head at the positive end.
      float back = float(size) / 65536.0f / 16.0f, side = float(size) / 65536.0f / 64.0f;
      line(strong, -extent, 0, extent, 0);
      line(strong, extent, 0, extent - back, side);
      line(strong, extent, 0, extent - back, -side);
      line(strong, 0, -extent, 0, extent);
      line(strong, 0, extent, side, extent - back);
      line(strong, 0, extent, -side, extent - back);
      continue;
    }
    line(colour, c, -extent, c, extent);
    line(colour, -extent, c, extent, c);
  }
  if (own) EndLineBatch3D();
}

}  // namespace

// ---- [Streams] ----

int CreateImmediateBuffers() {
  // The interface draws through the 2D stream from the first frame; the 3D streams are made
  // when a screen first draws in 3D.
  const int ok = Stream2D.InitBuf(3, 1, STREAM_2D_VERTICES, STREAM_TRIANGLES);
  StreamLines3D.InitBufOnFirstUse(2, 1, STREAM_3D_VERTICES, STREAM_TRIANGLES);
  StreamLit.InitBufOnFirstUse(1, 1, STREAM_LIT_VERTICES, STREAM_TRIANGLES);
  StreamApart2D.InitBufOnFirstUse(3, 1, APART_2D_VERTICES, APART_2D_TRIANGLES);
  if (!ok) LogLine("CreateImmediateBuffers failed");
  return ok;
}

void CloseImmediateBuffers() {
  Stream2D.Close();
  StreamLines3D.Close();
  StreamLit.Close();
  StreamApart2D.Close();
}

// ---- [2D] ----

int EmitVertex2D(uint32_t colour, float x, float y, float u, float v) {
  CircularVBuffer& b = Stream2D;
  if (!b.CheckRoom(1, 0, "2D stream")) return -1;
  float width = float(Gfx.screenWidth), height = float(Gfx.screenHeight);
  Vertex2D vertex{width != 0 ? 2.0f * x / width - 1.0f : -1.0f, height != 0 ? 1.0f - 2.0f * y / height : 1.0f, 0.0f,
                  colour, u, v};
  std::memcpy(b.vertexWrite, &vertex, sizeof vertex);
  b.vertexWrite += b.stride;
  return int(b.vertexCount++);
}

void EmitQuadIndices(int a, int b, int c, int d) {
  CircularVBuffer& s = Stream2D;
  // A corner that was refused (-1) would pull in a vertex never written.
  if (!ValidIndex(a, s) || !ValidIndex(b, s) || !ValidIndex(c, s) || !ValidIndex(d, s)) return;
  if (!s.CheckRoom(0, 2, "2D stream")) return;
  const int list[6] = {a, b, c, c, d, a};
  WriteIndices(s, list, 6);
}

void EmitFullScreenQuad() { EmitStripQuad(-1, 1, 1, -1, 0, 0, 1, 1); }

void EmitStripQuad(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1) {
  CircularVBuffer& b = Stream2D;
  if (!b.CheckRoom(4, 0, "2D stream")) return;
  const Vertex2D quad[4] = {{x0, y0, 0, 0xFFFFFFFFu, u0, v0},
                            {x1, y0, 0, 0xFFFFFFFFu, u1, v0},
                            {x0, y1, 0, 0xFFFFFFFFu, u0, v1},
                            {x1, y1, 0, 0xFFFFFFFFu, u1, v1}};
  std::memcpy(b.vertexWrite, quad, sizeof quad);
  b.vertexWrite += sizeof quad;
  b.vertexCount += 4;
}

int BeginLineBatch2D() {
  CircularVBuffer& b = Stream2D;
  if (b.batchOpen && b.topology == GFX_TOPOLOGY_LINELIST) return 0;
  // Triangles still pending are drawn first rather than lost to the new batch.
  if (b.batchOpen && b.triangleCount > 0) DrawPending2DTriangles(b.material ? (b.material->flags & 3) : 0);
  return b.StartV(nullptr, 1, GFX_TOPOLOGY_LINELIST);
}

void EndLineBatch2D() {
  CircularVBuffer& b = Stream2D;
  if (!b.batchOpen || b.topology != GFX_TOPOLOGY_LINELIST) return;
  b.UnlockBuffer();
  Material::EnableVertexDeclaration(3);
  Material::SetVShader(5);
  Material::SetPShader(23);
  b.DrawBufferSimple();
}

void DrawPending2DTriangles(int samplerIndex) {
  CircularVBuffer& b = Stream2D;
  b.UnlockBuffer();
  Material::EnableVertexDeclaration(3);
  Material::SetVShader(5);
  Material::SetPShader(b.material && b.material->texture ? 24 : 23);
  b.DrawBuffer(samplerIndex);
}

void DrawPendingStrip(int samplerIndex) {
  CircularVBuffer& b = Stream2D;
  b.UnlockBuffer();
  Material::EnableVertexDeclaration(3);
  Material::SetVShader(5);
  Material::SetPShader(b.material && b.material->texture ? 24 : 23);
  b.DrawBufferStrip(samplerIndex);
}

// ---- [3D lines] ----

bool Line3DBatchOpen() { return StreamLines3D.batchOpen && StreamLines3D.topology == GFX_TOPOLOGY_LINELIST; }

int BeginLineBatch3D() {
  if (Line3DBatchOpen()) return 0;
  return StreamLines3D.StartV(nullptr, 1, GFX_TOPOLOGY_LINELIST);
}

void EndLineBatch3D() {
  if (Line3DBatchOpen()) StreamLines3D.DrawBuffer3DSimple();
}

void EmitLine3D(uint32_t colour, const float a[3], const float b[3]) {
  CircularVBuffer& s = StreamLines3D;
  if (!Line3DBatchOpen()) return;
  if (!s.HasRoom(2, 0)) {
    // Only an odd vertex written by hand can leave one place: draw and go on in a new batch.
    const Material* m = s.material;
    s.DrawBuffer3DSimple();
    if (!s.StartV(m, 1, GFX_TOPOLOGY_LINELIST)) return;
  }
  const VertexLine3D pair[2] = {{a[0], a[1], a[2], colour, 0, 0}, {b[0], b[1], b[2], colour, 0, 0}};
  std::memcpy(s.vertexWrite, pair, sizeof pair);
  s.vertexWrite += sizeof pair;
  s.vertexCount += 2;
  if (s.vertexCount >= s.vertexCapacity) {
    const Material* m = s.material;
    s.DrawBuffer3DSimple();
    s.StartV(m, 1, GFX_TOPOLOGY_LINELIST);
  }
}

int EmitVertex3D(uint32_t colour, float x, float y, float z, float u, float v) {
  CircularVBuffer& s = StreamLines3D;
  if (!s.CheckRoom(1, 0, "3D line stream")) return -1;
  const VertexLine3D vertex{x, y, z, colour, u, v};
  std::memcpy(s.vertexWrite, &vertex, sizeof vertex);
  s.vertexWrite += sizeof vertex;
  return int(s.vertexCount++);
}

void EmitTriangleIndices3D(int a, int b, int c) {
  CircularVBuffer& s = StreamLines3D;
  if (!ValidIndex(a, s) || !ValidIndex(b, s) || !ValidIndex(c, s)) return;
  if (!s.CheckRoom(0, 1, "3D line stream")) return;
  const int list[3] = {a, b, c};
  WriteIndices(s, list, 3);
}

void EmitQuadIndices3D(int a, int b, int c, int d) {
  CircularVBuffer& s = StreamLines3D;
  if (!ValidIndex(a, s) || !ValidIndex(b, s) || !ValidIndex(c, s) || !ValidIndex(d, s)) return;
  if (!s.CheckRoom(0, 2, "3D line stream")) return;
  const int list[6] = {a, b, c, c, d, a};
  WriteIndices(s, list, 6);
}

void DrawLineFixed3D(const int32_t a[3], const int32_t b[3], uint32_t colour) {
  if (!Line3DBatchOpen()) return;
  const float pa[3] = {float(a[0]) / 65536.0f, float(a[1]) / 65536.0f, float(a[2]) / 65536.0f};
  const float pb[3] = {float(b[0]) / 65536.0f, float(b[1]) / 65536.0f, float(b[2]) / 65536.0f};
  EmitLine3D(colour, pa, pb);
}

void DrawLineBetweenPoints3D(const int32_t a[3], const int32_t b[3], uint32_t colour) {
  const int32_t* position = CurrentView->position;
  IntVector ends[2];
  const int32_t* points[2] = {a, b};
  for (int i = 0; i < 2; ++i) {
    IntVector p{points[i][0], points[i][1], points[i][2]};
    MatrixTransformTransposed(ViewRotation, p, ends[i]);
    ends[i].x += position[0];
    ends[i].y += position[1];
    ends[i].z += position[2];
  }
  const int32_t pa[3] = {ends[0].x, ends[0].y, ends[0].z}, pb[3] = {ends[1].x, ends[1].y, ends[1].z};
  DrawLineFixed3D(pa, pb, colour);
}

// ---- [Grids] ----

void DrawGroundGrid(int32_t size, int32_t step) { Grid(size, step, nullptr, true); }

void DrawOrientedGrid(int32_t size, int32_t step, const FixedMatrix& matrix) { Grid(size, step, &matrix, false); }

void DrawFootprintRectangle(float angleRadians) {
  bool own = false;
  if (!Line3DBatchOpen()) {
    if (!BeginLineBatch3D()) return;
    own = true;
  }
  float c = std::cos(angleRadians), s = std::sin(angleRadians);
  const float corners[4][2] = {{FootprintHalfLength, FootprintHalfWidth},
                               {-FootprintHalfLength, FootprintHalfWidth},
                               {-FootprintHalfLength, -FootprintHalfWidth},
                               {FootprintHalfLength, -FootprintHalfWidth}};
  float p[4][2];
  for (int i = 0; i < 4; ++i) {
    p[i][0] = corners[i][0] * c - corners[i][1] * s;
    p[i][1] = corners[i][0] * s + corners[i][1] * c;
  }
  uint32_t colour = WordColour(TextColours.message);
  for (int i = 0; i < 4; ++i) Line(colour, p[i][0], p[i][1], 0, p[(i + 1) % 4][0], p[(i + 1) % 4][1], 0);
  if (own) EndLineBatch3D();
}

// ---- [Fixed-point vectors] ----

void AddScaledFixedVector(int32_t a[3], const int32_t v[3], int32_t k) {
  for (int i = 0; i < 3; ++i) a[i] += int32_t((int64_t(v[i]) * k) >> 16);
}

void ScaleFixedVector(int32_t out[3], const int32_t v[3], int32_t k) {
  for (int i = 0; i < 3; ++i) out[i] = int32_t((int64_t(v[i]) * k) >> 16);
}
