// buffers_test.cpp - buffer records, circular batches, the immediate streams and their
// emitters, grids, constant rows, compute job buffers and the release of everything, on the
// null device (which keeps the bytes written into its buffers).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/gamma_tables.h"
#include "render/buffers.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "tests/render/null_renderer.h"
#include "text/text_colours.h"

namespace {

using BufferRecords = NullRenderer;

TEST_F(BufferRecords, FormatsListsLocksAndRefusals) {
  EXPECT_EQ(VertexStride(1), 32);
  EXPECT_EQ(VertexStride(2), 24);
  EXPECT_EQ(VertexStride(3), 24);
  EXPECT_EQ(VertexStride(4), 0);
  uint32_t before = VertexBuffers.count;
  VertexBuffer* last = VertexBuffers.last;
  VertexBuffer* bad = reinterpret_cast<VertexBuffer*>(1);
  EXPECT_EQ(CreateVertexBuffer(7, 2, 10, &bad), -1) << "an unknown format has no stride";
  EXPECT_EQ(bad, nullptr);
  EXPECT_EQ(CreateVertexBuffer(2, 2, 0x20000000, &bad), -1) << "more bytes than a buffer can hold";
  EXPECT_EQ(VertexBuffers.count, before) << "a refused record is not kept";

  VertexBuffer* a;
  VertexBuffer* b;
  ASSERT_EQ(CreateVertexBuffer(2, 2, 8, &a), 0);
  ASSERT_EQ(CreateVertexBuffer(1, 0, 4, &b), 0);
  EXPECT_EQ(VertexBuffers.count, before + 2);
  EXPECT_EQ(VertexBuffers.last, b);
  EXPECT_EQ(b->prev, a);
  void* p;
  ASSERT_EQ(a->LockV(GFX_MAP_WRITE_DISCARD, &p, 3), 1);
  const VertexLine3D v{1, 2, 3, 0xFF00FF00u, 0.5f, 0.25f};
  std::memcpy(p, &v, sizeof v);
  a->UnlockV();
  EXPECT_EQ(VertexAt<VertexLine3D>(ReadBuffer(a->buffer), 3).colour, 0xFF00FF00u) << "the lock points at vertex 3";
  EXPECT_EQ(a->LockV(GFX_MAP_WRITE_DISCARD, &p, 8), 0) << "past the last vertex";
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(b->LockV(GFX_MAP_WRITE_DISCARD, &p, 0), 0) << "a default buffer cannot be mapped";

  IndexBuffer* i;
  ASSERT_EQ(CreateIndexBuffer(0, 2, 6, &i), 0);
  EXPECT_EQ(i->indexBytes, 2);
  ASSERT_EQ(i->LockI(GFX_MAP_WRITE_DISCARD, &p, 5), 1);
  *static_cast<uint16_t*>(p) = 0xBEEF;
  i->UnlockI();
  std::vector<uint8_t> indices = ReadBuffer(i->buffer);
  EXPECT_EQ(indices[10] | indices[11] << 8, 0xBEEF);

  ReleaseVertexBuffer(a);
  EXPECT_EQ(VertexBuffers.count, before + 1);
  EXPECT_EQ(b->prev, last) << "unlinked from between its neighbours";
  ReleaseVertexBuffer(b);
  ReleaseIndexBuffer(i);
  EXPECT_EQ(VertexBuffers.count, before);
}

using CircularBatches = NullRenderer;

TEST_F(CircularBatches, ContinueWritesAfterWhatWasDrawnAndCopiesReachTheBuffer) {
  CircularVBuffer b{};
  ASSERT_EQ(b.InitBuf(2, 1, 64, 32), 1);
  ASSERT_EQ(b.StartBuf(nullptr, 1, 1), 1);
  EXPECT_EQ(b.material, GetDefaultMaterial()) << "no material: the default one";
  auto put = [&b](float x) {
    VertexLine3D v{x, 0, 0, 0xFFFFFFFFu, 0, 0};
    std::memcpy(b.vertexWrite, &v, sizeof v);
    b.vertexWrite += b.stride;
    ++b.vertexCount;
  };
  put(1);
  put(2);
  put(3);
  *b.indexWrite++ = 0, *b.indexWrite++ = 1, *b.indexWrite++ = 2;
  b.triangleCount = 1;
  uint32_t draws = Gfx.drawCalls;
  b.UnlockBuffer();
  b.DrawBuffer(0);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  ASSERT_EQ(b.ContinueBuf(), 1);
  put(4);
  *b.indexWrite++ = 1, *b.indexWrite++ = 2, *b.indexWrite++ = 3;
  ++b.triangleCount;
  b.UnlockBuffer();
  std::vector<uint8_t> vertices = ReadBuffer(b.vertexBuffer->buffer);
  EXPECT_EQ(VertexAt<VertexLine3D>(vertices, 2).x, 3.0f);
  EXPECT_EQ(VertexAt<VertexLine3D>(vertices, 3).x, 4.0f) << "continued after the three drawn";
  std::vector<uint8_t> indices = ReadBuffer(b.indexBuffer->buffer);
  EXPECT_EQ(indices[6], 1);
  EXPECT_EQ(indices[10], 3);

  // Through the system copy: the unlock copies what was written in one discarding map.
  ASSERT_EQ(b.StartBuf(nullptr, 0, 0), 1);
  EXPECT_EQ(b.verticesMapped, 0);
  put(7);
  put(8);
  b.UnlockBuffer();
  EXPECT_EQ(VertexAt<VertexLine3D>(ReadBuffer(b.vertexBuffer->buffer), 1).x, 8.0f);
  b.Close();
}

TEST_F(CircularBatches, FailedMapsOpenNothingAndShortStripsDrawNothing) {
  CircularVBuffer fixed{};
  ASSERT_EQ(fixed.InitBuf(3, 0, 16, 8), 1);
  EXPECT_EQ(fixed.StartBuf(nullptr, 1, 1), 0) << "a default buffer cannot be mapped";
  EXPECT_EQ(fixed.batchOpen, 0);
  EXPECT_EQ(fixed.vertexWrite, nullptr);
  EXPECT_EQ(fixed.StartBuf(nullptr, 0, 0), 1) << "through the system copies it can be written";
  Vertex2D v{0.5f, 0.5f, 0, 0xFF102030u, 0, 0};
  std::memcpy(fixed.vertexWrite, &v, sizeof v);
  fixed.vertexCount = 1;
  fixed.UnlockBuffer();
  EXPECT_EQ(VertexAt<Vertex2D>(ReadBuffer(fixed.vertexBuffer->buffer), 0).colour, 0xFF102030u);
  fixed.Close();

  CircularVBuffer& s = Stream2D;
  ASSERT_EQ(s.StartV(nullptr, 1, GFX_TOPOLOGY_TRIANGLESTRIP), 1);
  EmitVertex2D(0xFFFFFFFF, 0, 0, 0, 0);
  EmitVertex2D(0xFFFFFFFF, 10, 0, 0, 0);
  uint32_t draws = Gfx.drawCalls;
  DrawPendingStrip(0);
  EXPECT_EQ(Gfx.drawCalls, draws) << "two vertices make no strip";
  ASSERT_EQ(s.StartV(nullptr, 1, GFX_TOPOLOGY_TRIANGLESTRIP), 1);
  EmitFullScreenQuad();
  DrawPendingStrip(7);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(RenderStates.appliedSampler[0], 7) << "the strip's sampler is in force for its draw";
}

// Drawn with the world pass's material, a batch closes, puts the states asked for into
// force before its one draw and leaves the raster state as it found it.
TEST_F(CircularBatches, AWorldBatchPutsTheStatesAskedForInForceBeforeItsDraw) {
  CircularVBuffer b{};
  ASSERT_EQ(b.InitBuf(2, 1, 64, 32), 1);
  ASSERT_EQ(b.StartBuf(nullptr, 1, 1), 1);
  for (float x : {1.0f, 2.0f, 3.0f}) {
    VertexLine3D v{x, 0, 0, 0xFFFFFFFFu, 0, 0};
    std::memcpy(b.vertexWrite, &v, sizeof v);
    b.vertexWrite += b.stride;
    ++b.vertexCount;
  }
  *b.indexWrite++ = 0, *b.indexWrite++ = 1, *b.indexWrite++ = 2;
  b.triangleCount = 1;
  RenderStates.pendingBlend = 2;
  FlushStates();
  ASSERT_EQ(RenderStates.appliedBlend, 2);
  RenderStates.pendingBlend = 0;  // asked for, not yet in force
  RenderStates.pendingRaster = 1;
  const uint32_t draws = Gfx.drawCalls;
  b.DrawBufferWorld();
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(b.batchOpen, 0);
  EXPECT_EQ(RenderStates.appliedBlend, RenderStates.pendingBlend) << "the states asked for are in force";
  EXPECT_EQ(RenderStates.appliedBlend, 0);
  EXPECT_EQ(RenderStates.pendingRaster, 1) << "put back";
  b.Close();
}

using Emitters2D = NullRenderer;

// A strip quad is four vertices in strip order, top left, top right, bottom left, bottom
// right, each white at depth 0 with its corner's coordinates.
TEST_F(Emitters2D, AStripQuadIsFourWhiteCornersInStripOrder) {
  CircularVBuffer& s = Stream2D;
  ASSERT_EQ(s.StartV(nullptr, 1, GFX_TOPOLOGY_TRIANGLESTRIP), 1);
  EmitStripQuad(-0.5f, 0.75f, 0.25f, -1.0f, 0.125f, 0.375f, 0.625f, 0.875f);
  EXPECT_EQ(s.vertexCount, 4u);
  s.UnlockBuffer();
  const std::vector<uint8_t> bytes = ReadBuffer(s.vertexBuffer->buffer);
  const float want[4][4] = {{-0.5f, 0.75f, 0.125f, 0.375f},
                            {0.25f, 0.75f, 0.625f, 0.375f},
                            {-0.5f, -1.0f, 0.125f, 0.875f},
                            {0.25f, -1.0f, 0.625f, 0.875f}};
  for (uint32_t i = 0; i < 4; ++i) {
    const Vertex2D v = VertexAt<Vertex2D>(bytes, i);
    EXPECT_EQ(v.x, want[i][0]) << i;
    EXPECT_EQ(v.y, want[i][1]) << i;
    EXPECT_EQ(v.z, 0.0f) << i;
    EXPECT_EQ(v.colour, 0xFFFFFFFFu) << i;
    EXPECT_EQ(v.u, want[i][2]) << i;
    EXPECT_EQ(v.v, want[i][3]) << i;
  }
}

TEST_F(Emitters2D, PixelsBecomeClipSpaceAndAFullBatchRefusesWithOneMessage) {
  ASSERT_EQ(Gfx.screenWidth, 800);
  ASSERT_EQ(Gfx.screenHeight, 600);
  CircularVBuffer& s = Stream2D;
  ASSERT_EQ(s.StartBuf(nullptr, 1, 1), 1);
  EXPECT_EQ(EmitVertex2D(0xFF000000u, 0, 0, 0, 0), 0);
  EXPECT_EQ(EmitVertex2D(0xFF000000u, 800, 0, 1, 0), 1);
  EXPECT_EQ(EmitVertex2D(0xFF000000u, 800, 600, 1, 1), 2);
  EXPECT_EQ(EmitVertex2D(0xFF000000u, 400, 300, 0.5f, 0.5f), 3);
  EmitQuadIndices(0, 1, 2, 3);
  EXPECT_EQ(s.triangleCount, 2u);
  EmitQuadIndices(0, 1, -1, 3);
  EXPECT_EQ(s.triangleCount, 2u) << "a refused corner leaves the quad out";
  s.UnlockBuffer();
  std::vector<uint8_t> bytes = ReadBuffer(s.vertexBuffer->buffer);
  Vertex2D v0 = VertexAt<Vertex2D>(bytes, 0), v2 = VertexAt<Vertex2D>(bytes, 2), v3 = VertexAt<Vertex2D>(bytes, 3);
  EXPECT_EQ(v0.x, -1.0f);
  EXPECT_EQ(v0.y, 1.0f) << "the top-left pixel is the top-left of clip space";
  EXPECT_EQ(v2.x, 1.0f);
  EXPECT_EQ(v2.y, -1.0f);
  EXPECT_EQ(v3.x, 0.0f);
  EXPECT_EQ(v3.z, 0.0f);
  std::vector<uint8_t> indices = ReadBuffer(s.indexBuffer->buffer);
  const uint8_t want[6] = {0, 1, 2, 2, 3, 0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(indices[size_t(i) * 2], want[i]) << i;

  ASSERT_EQ(s.StartBuf(nullptr, 1, 1), 1);
  for (uint32_t i = 0; i < STREAM_2D_VERTICES; ++i) ASSERT_EQ(EmitVertex2D(0xFFFFFFFFu, 1, 1, 0, 0), int(i));
  EXPECT_EQ(EmitVertex2D(0xFFFFFFFFu, 1, 1, 0, 0), -1) << "the 16385th vertex is refused";
  EXPECT_EQ(EmitVertex2D(0xFFFFFFFFu, 1, 1, 0, 0), -1);
  EXPECT_EQ(s.vertexCount, STREAM_2D_VERTICES);
  EXPECT_EQ(CountLogLines("2D stream: no room for 1 vertices"), 1) << "reported once per batch";
  s.UnlockBuffer();
  s.batchOpen = 0;
  EXPECT_EQ(EmitVertex2D(0xFFFFFFFFu, 1, 1, 0, 0), -1) << "no batch open";
}

TEST_F(Emitters2D, LineBatchesOpenOnceAndPendingTrianglesAreNotLost) {
  ASSERT_EQ(Stream2D.StartBuf(nullptr, 1, 1), 1);
  int a = EmitVertex2D(0xFFFFFFFFu, 0, 0, 0, 0), b = EmitVertex2D(0xFFFFFFFFu, 9, 0, 0, 0);
  int c = EmitVertex2D(0xFFFFFFFFu, 9, 9, 0, 0), d = EmitVertex2D(0xFFFFFFFFu, 0, 9, 0, 0);
  EmitQuadIndices(a, b, c, d);
  uint32_t draws = Gfx.drawCalls;
  EXPECT_EQ(BeginLineBatch2D(), 1);
  EXPECT_EQ(Gfx.drawCalls, draws + 1) << "the quad was drawn before the line batch began";
  EXPECT_EQ(BeginLineBatch2D(), 0) << "one is open already";
  EmitVertex2D(0xFFFFFFFFu, 0, 0, 0, 0);
  EmitVertex2D(0xFFFFFFFFu, 5, 5, 0, 0);
  Material::EnableVertexDeclaration(1);
  EndLineBatch2D();
  EXPECT_EQ(Gfx.drawCalls, draws + 2);
  EXPECT_EQ(Shaders.boundLayout, 3) << "the 2D vertex layout";
  EXPECT_EQ(Shaders.boundVertexNumber, 5);
  EXPECT_EQ(Shaders.boundPixelNumber, 23);
  EXPECT_EQ(Stream2D.batchOpen, 0);
}

using Lines3D = NullRenderer;

TEST_F(Lines3D, TheStreamDrawsAndStartsAgainAtItsLimitWithoutSplittingALine) {
  const float a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
  const uint32_t drawn = StreamLines3D.vertexCount;  // what an earlier batch left
  EmitLine3D(0xFFFFFFFFu, a, b);
  EXPECT_EQ(StreamLines3D.vertexCount, drawn) << "no batch open: nothing";
  ASSERT_EQ(BeginLineBatch3D(), 1);
  EXPECT_EQ(BeginLineBatch3D(), 0);
  uint32_t draws = Gfx.drawCalls;
  for (int i = 0; i < 32766; ++i) EmitLine3D(0xFF00FF00u, a, b);
  EXPECT_EQ(StreamLines3D.vertexCount, 65532u);
  EXPECT_EQ(Gfx.drawCalls, draws);
  EmitLine3D(0xFF00FF00u, a, b);  // the 65533rd and 65534th vertices
  EXPECT_EQ(Gfx.drawCalls, draws + 1) << "the full batch was drawn";
  EXPECT_EQ(StreamLines3D.vertexCount, 0u);
  EXPECT_TRUE(Line3DBatchOpen()) << "and a new one begun";
  const float c[3] = {7, 8, 9};
  EmitLine3D(0xFFFF0000u, c, a);
  EXPECT_EQ(StreamLines3D.vertexCount, 2u);
  EndLineBatch3D();
  EXPECT_EQ(Gfx.drawCalls, draws + 2);
  EXPECT_FALSE(Line3DBatchOpen());
  std::vector<uint8_t> bytes = ReadBuffer(StreamLines3D.vertexBuffer->buffer);
  VertexLine3D first = VertexAt<VertexLine3D>(bytes, 0);
  EXPECT_EQ(first.x, 7.0f) << "the new batch began at vertex 0";
  EXPECT_EQ(first.colour, 0xFFFF0000u);
  EXPECT_EQ(Shaders.boundVertexNumber, 10);
  EXPECT_EQ(Shaders.boundPixelNumber, 35);
}

TEST_F(Lines3D, FixedPointAndViewPointsBecomeMetres) {
  ASSERT_EQ(BeginLineBatch3D(), 1);
  const int32_t p[3] = {65536, 131072, -32768}, q[3] = {0, 0, 65536 * 100};
  DrawLineFixed3D(p, q, 0xFF123456u);
  // The view: a quarter turn about z (rows right, up, forward) and a position.
  FixedMatrix savedRotation = ViewRotation;
  View* savedView = CurrentView;
  View view{};
  view.position[0] = 10 * 65536;
  CurrentView = &view;
  ViewRotation = FixedMatrix{{0, FIXED_ONE, 0, -FIXED_ONE, 0, 0, 0, 0, FIXED_ONE}};
  DrawLineBetweenPoints3D(p, q, 0xFF123456u);
  ViewRotation = savedRotation;
  CurrentView = savedView;
  const uint8_t* written = StreamLines3D.vertexWrite - 4 * sizeof(VertexLine3D);
  VertexLine3D v[4];
  std::memcpy(v, written, sizeof v);
  EXPECT_EQ(v[0].x, 1.0f);
  EXPECT_EQ(v[0].y, 2.0f);
  EXPECT_EQ(v[0].z, -0.5f);
  EXPECT_EQ(v[1].z, 100.0f);
  EXPECT_EQ(v[0].u, 0.0f);
  // Rotation transposed: (1, 2, -0.5) -> (-2, 1, -0.5), then 10 m along x.
  EXPECT_FLOAT_EQ(v[2].x, 8.0f);
  EXPECT_FLOAT_EQ(v[2].y, 1.0f);
  EXPECT_FLOAT_EQ(v[2].z, -0.5f);
  EndLineBatch3D();
  uint32_t drawn = StreamLines3D.vertexCount;
  DrawLineFixed3D(p, q, 0xFF123456u);
  EXPECT_EQ(StreamLines3D.vertexCount, drawn) << "no batch open: nothing";

  // 16.16 products need 64 bits: 16384 m x 0.5 overflows a 32-bit product.
  int32_t acc[3] = {100, -100, 0};
  const int32_t w[3] = {0x40000000, -0x40000000, -3};
  AddScaledFixedVector(acc, w, 0x8000);
  EXPECT_EQ(acc[0], 100 + 0x20000000);
  EXPECT_EQ(acc[1], -100 - 0x20000000);
  EXPECT_EQ(acc[2], -2) << "the shift rounds towards minus infinity";
  int32_t out[3];
  ScaleFixedVector(out, w, 0x30000);  // x 3
  EXPECT_EQ(out[0], int32_t(0xC0000000u)) << "kept to 32 bits";
  EXPECT_EQ(out[2], -9);
}

// The lines of the open batch, as (start, end, colour).
struct GridLine {
  float ax, ay, bx, by;
  uint32_t colour;
};
std::vector<GridLine> OpenBatchLines() {
  std::vector<GridLine> lines;
  const uint8_t* first = StreamLines3D.vertexWrite - size_t(StreamLines3D.vertexCount) * sizeof(VertexLine3D);
  for (uint32_t i = 0; i + 1 < StreamLines3D.vertexCount; i += 2) {
    VertexLine3D v[2];
    std::memcpy(v, first + size_t(i) * sizeof(VertexLine3D), sizeof v);
    lines.push_back({v[0].x, v[0].y, v[1].x, v[1].y, v[0].colour});
  }
  return lines;
}

// An oriented grid's lines are the flat grid's, each end taken through the matrix: with the
// rows (1, 2, 0), (3, 4, 0), (5, 6, 0) the local point (x, y) lands at (x + 2y, 3x + 4y, 5x + 6y).
// One step of 1 m each way: three lines along each local axis, and no arrow heads.
TEST_F(Lines3D, AnOrientedGridTakesEveryLineEndThroughItsMatrix) {
  FixedMatrix m{};
  const int32_t rows[9] = {1, 2, 0, 3, 4, 0, 5, 6, 0};
  for (int i = 0; i < 9; ++i) m.m[i] = rows[i] * 65536;
  ASSERT_EQ(BeginLineBatch3D(), 1);
  DrawOrientedGrid(65536, 65536, m);
  const uint8_t* first = StreamLines3D.vertexWrite - size_t(StreamLines3D.vertexCount) * sizeof(VertexLine3D);
  ASSERT_EQ(StreamLines3D.vertexCount, 12u);
  std::vector<std::array<double, 4>> ends;  // the local (x, y) of both ends, solved from world x and y
  for (uint32_t i = 0; i < StreamLines3D.vertexCount; i += 2) {
    VertexLine3D v[2];
    std::memcpy(v, first + size_t(i) * sizeof(VertexLine3D), sizeof v);
    std::array<double, 4> local{};
    for (int k = 0; k < 2; ++k) {
      // The inverse of ((1, 2), (3, 4)) is ((-2, 1), (1.5, -0.5)).
      const double x = -2.0 * v[k].x + 1.0 * v[k].y, y = 1.5 * v[k].x - 0.5 * v[k].y;
      local[size_t(2 * k)] = x;
      local[size_t(2 * k + 1)] = y;
      EXPECT_NEAR(v[k].z, 5.0 * x + 6.0 * y, 1e-5) << "line " << i / 2 << " end " << k;
    }
    ends.push_back(local);
  }
  EndLineBatch3D();
  std::vector<std::array<double, 4>> expected;
  for (double c : {-1.0, 0.0, 1.0}) {
    expected.push_back({c, -1.0, c, 1.0});
    expected.push_back({-1.0, c, 1.0, c});
  }
  for (const auto& e : expected) {
    const bool found = std::any_of(ends.begin(), ends.end(), [&e](const std::array<double, 4>& l) {
      for (size_t k = 0; k < 4; ++k)
        if (std::fabs(l[k] - e[k]) > 1e-5) return false;
      return true;
    });
    EXPECT_TRUE(found) << "(" << e[0] << ", " << e[1] << ") to (" << e[2] << ", " << e[3] << ")";
  }
}

TEST_F(Lines3D, GroundGridsMarkEveryTenthLineAndTheAxes) {
  ASSERT_EQ(BeginLineBatch3D(), 1);
  DrawGroundGrid(6 * 65536, 32768);  // 6 m in half metres: 12 steps each way
  std::vector<GridLine> lines = OpenBatchLines();
  EXPECT_EQ(lines.size(), 4u * 12 + 6) << "8 n + 12 vertices, within the 8 n + 16 asked for";
  uint32_t strong = 0xFF000000u | BrightnessTable[GridStrongGrey] * 0x010101u;
  uint32_t weak = 0xFF000000u | BrightnessTable[GridWeakGrey] * 0x010101u;
  int strongLines = 0, weakLines = 0, heads = 0;
  for (const GridLine& l : lines) {
    bool alongY = l.ax == l.bx && l.ay == -6.0f && l.by == 6.0f;
    bool alongX = l.ay == l.by && l.ax == -6.0f && l.bx == 6.0f;
    if (!alongX && !alongY) {
      ++heads;
      EXPECT_EQ(l.colour, strong);
      continue;
    }
    float c = alongY ? l.ax : l.ay;
    bool tenth = std::fmod(std::fabs(c), 5.0f) == 0.0f;
    EXPECT_EQ(l.colour, tenth ? strong : weak) << c;
    (tenth ? strongLines : weakLines)++;
  }
  EXPECT_EQ(heads, 4) << "two heads of two lines each";
  EXPECT_EQ(strongLines, 6) << "the axes and the lines at 5 m each way";
  EXPECT_EQ(weakLines, 44);
  EndLineBatch3D();

  // Refusals: a step of 0, and a grid too fine to draw.
  DrawGroundGrid(65536, 0);
  DrawGroundGrid(0x7FFFFFFF, 1);
  EXPECT_EQ(CountLogLines("DrawGroundGrid: the size and step must be above 0"), 1);
  EXPECT_EQ(CountLogLines("DrawGroundGrid: 2147483647 steps each way"), 1);
  EXPECT_FALSE(Line3DBatchOpen()) << "a grid drawn alone opens and draws its own batch";

  // Through a quarter turn: the lines along x become lines along y; no heads.
  ASSERT_EQ(BeginLineBatch3D(), 1);
  DrawOrientedGrid(65536, 65536, FixedMatrix{{0, -FIXED_ONE, 0, FIXED_ONE, 0, 0, 0, 0, FIXED_ONE}});
  lines = OpenBatchLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_FLOAT_EQ(lines[0].ax, 1.0f) << "x = -1 along y, turned";
  EXPECT_FLOAT_EQ(lines[0].ay, -1.0f);
  EXPECT_FLOAT_EQ(lines[0].bx, -1.0f);
  EndLineBatch3D();
}

// Each arrow head is two barbs from its axis's tip, back by a sixteenth of the size and out by
// a sixty-fourth to each side. For 6 m in half metres: 12 steps each way, so the tips are at
// 6 m; back = 6 / 16 = 0.375 and side = 6 / 64 = 0.09375, so the barbs end at (5.625, +-0.09375)
// on the x axis and at (+-0.09375, 5.625) on the y axis, each 0.3865 m long.
TEST_F(Lines3D, GroundGridArrowHeadsAreBarbsFromTheAxisTips) {
  ASSERT_EQ(BeginLineBatch3D(), 1);
  DrawGroundGrid(6 * 65536, 32768);
  const std::vector<GridLine> lines = OpenBatchLines();
  EndLineBatch3D();
  std::vector<GridLine> heads;
  for (const GridLine& l : lines) {
    const bool alongY = l.ax == l.bx && l.ay == -6.0f && l.by == 6.0f;
    const bool alongX = l.ay == l.by && l.ax == -6.0f && l.bx == 6.0f;
    if (!alongX && !alongY) heads.push_back(l);
  }
  ASSERT_EQ(heads.size(), 4u);
  const float barb = std::sqrt(0.375f * 0.375f + 0.09375f * 0.09375f);  // 0.3865
  for (const GridLine& l : heads)
    EXPECT_NEAR(std::hypot(l.bx - l.ax, l.by - l.ay), barb, 1e-5) << "(" << l.ax << ", " << l.ay << ")";
  const float expected[4][4] = {
      {6.0f, 0.0f, 5.625f, 0.09375f}, {6.0f, 0.0f, 5.625f, -0.09375f},
      {0.0f, 6.0f, 0.09375f, 5.625f}, {0.0f, 6.0f, -0.09375f, 5.625f}};
  for (const auto& e : expected) {
    const bool found = std::any_of(heads.begin(), heads.end(), [&e](const GridLine& l) {
      return std::fabs(l.ax - e[0]) < 1e-5f && std::fabs(l.ay - e[1]) < 1e-5f && std::fabs(l.bx - e[2]) < 1e-5f &&
             std::fabs(l.by - e[3]) < 1e-5f;
    });
    EXPECT_TRUE(found) << "(" << e[0] << ", " << e[1] << ") to (" << e[2] << ", " << e[3] << ")";
  }
}

TEST_F(Lines3D, TheFootprintIsARectangleInTheMessageColour) {
  ASSERT_EQ(BeginLineBatch3D(), 1);
  float length = FootprintHalfLength, width = FootprintHalfWidth;
  FootprintHalfLength = 2.0f;
  FootprintHalfWidth = 1.0f;
  DrawFootprintRectangle(float(M_PI / 2));
  FootprintHalfLength = length;
  FootprintHalfWidth = width;
  std::vector<GridLine> lines = OpenBatchLines();
  ASSERT_EQ(lines.size(), 4u);
  ColourWord m = TextColours.message;
  uint32_t colour = 0xFF000000u | uint32_t(BrightnessTable[m & 0xFF]) << 16 |
                    uint32_t(BrightnessTable[(m >> 8) & 0xFF]) << 8 | BrightnessTable[(m >> 16) & 0xFF];
  for (const GridLine& l : lines) EXPECT_EQ(l.colour, colour);
  // (2, 1) turned a quarter: (-1, 2).
  EXPECT_NEAR(lines[0].ax, -1.0f, 1e-6);
  EXPECT_NEAR(lines[0].ay, 2.0f, 1e-6);
  EXPECT_NEAR(lines[3].bx, -1.0f, 1e-6) << "closed";
  EndLineBatch3D();
}

using ConstantRows = NullRenderer;

TEST_F(ConstantRows, ShapesSlotsAndTheRowsBoundAtCreation) {
  const uint8_t zero[16] = {};
  UpdateCSBufferIfNeeded(zero);  // a row of every stage bound before the release
  ASSERT_EQ(CSBoundRow[0], 0);
  ReleaseConstantBuffers();  // made afresh: earlier tests have bound shared slots
  for (int slot = 0; slot < CONSTANT_SLOTS; ++slot) {
    EXPECT_EQ(VSBoundRow[slot], 0xFF) << "released: nothing bound in slot " << slot;
    EXPECT_EQ(PSBoundRow[slot], 0xFF) << slot;
    EXPECT_EQ(CSBoundRow[slot], 0xFF) << slot;
  }
  ASSERT_EQ(CreateConstantBuffers(), 1);
  // Every row's slot and size, as listed (slot, bytes); the vertex table's last row (slot 14,
  // 32 bytes) and the pixel table's view constants (slot 13, 16 x 48 + 16 + 96 = 880 bytes)
  // follow the listed ones.
  const std::pair<int, uint32_t> vs[] = {{0, 64},  {1, 64},  {2, 112},  {3, 64},   {4, 32},  {5, 48},
                                         {6, 80},  {7, 64},  {8, 16},   {9, 256},  {10, 48}, {11, 96},
                                         {12, 144}, {13, 192}, {10, 96}, {14, 32}};
  const std::pair<int, uint32_t> ps[] = {{0, 32},  {1, 96},  {2, 16},  {3, 16},  {4, 48},  {5, 48},  {6, 128},
                                         {7, 304}, {8, 16},  {8, 80},  {8, 16},  {8, 16},  {9, 16},  {8, 176},
                                         {8, 16},  {9, 32},  {10, 48}, {11, 64}, {12, 16}, {13, 880}};
  static_assert(std::size(vs) == VS_CONSTANT_ROWS && std::size(ps) == PS_CONSTANT_ROWS);
  for (int row = 0; row < VS_CONSTANT_ROWS; ++row) {
    EXPECT_EQ(VSConstants[row].slot, vs[row].first) << "vertex row " << row;
    EXPECT_EQ(VSConstants[row].size, vs[row].second) << "vertex row " << row;
  }
  for (int row = 0; row < PS_CONSTANT_ROWS; ++row) {
    EXPECT_EQ(PSConstants[row].slot, ps[row].first) << "pixel row " << row;
    EXPECT_EQ(PSConstants[row].size, ps[row].second) << "pixel row " << row;
  }
  EXPECT_EQ(CSConstants[0].slot, 0);
  EXPECT_EQ(CSConstants[0].size, 16u);
  for (int row = 0; row < VS_FIXED_ROWS; ++row) EXPECT_EQ(VSBoundRow[row], row);
  for (int row = 0; row < PS_FIXED_ROWS; ++row) EXPECT_EQ(PSBoundRow[row], row);
  EXPECT_EQ(VSBoundRow[10], 0xFF) << "shared slots are bound when first used";
  EXPECT_EQ(CSBoundRow[0], 0xFF);
}

TEST_F(ConstantRows, AnUnchangedRowMakesNoDeviceCall) {
  float values[4] = {1, 2, 3, 4};
  UploadConstantRowData(0, 8, values, sizeof values);
  uint32_t uploads = ConstantUploadCount;
  uint64_t calls = GfxGlCallCount();
  UploadConstantRowData(0, 8, values, sizeof values);
  UpdateVSBufferIfNeeded(8);
  UpdatePSBufferIfNeeded(2);
  UpdatePSBufferIfNeeded(2);
  EXPECT_EQ(GfxGlCallCount(), calls) << "nothing reached the device";
  values[3] = 5;
  UploadConstantRowData(0, 8, values, sizeof values);
  EXPECT_EQ(ConstantUploadCount, uploads + 1);
  std::vector<uint8_t> bytes = ReadBuffer(VSConstants[8].buffer);
  float got[4];
  std::memcpy(got, bytes.data(), sizeof got);
  EXPECT_EQ(got[3], 5.0f);
  UpdatePSBuffer(2);
  EXPECT_EQ(ConstantUploadCount, uploads + 2) << "the forced form always writes";
}

TEST_F(ConstantRows, RowsSharingASlotTakeItWhenUsedEvenUnchanged) {
  float a[12] = {1}, b[24] = {2};
  UploadConstantRowData(0, 10, a, sizeof a);
  EXPECT_EQ(VSBoundRow[10], 10);
  UploadConstantRowData(0, 14, b, sizeof b);
  EXPECT_EQ(VSBoundRow[10], 14);
  uint32_t uploads = ConstantUploadCount;
  UploadConstantRowData(0, 10, a, sizeof a);
  EXPECT_EQ(ConstantUploadCount, uploads) << "the bytes did not change";
  EXPECT_EQ(VSBoundRow[10], 10) << "but the row is bound in its slot again";
  // A local light through the material code lands in its row and slot.
  LocalLights[3].colour[0] = 0.25f;
  SetLocalLights(1u << 3, 2);
  EXPECT_EQ(PSBoundRow[8], 14);
  EXPECT_EQ(VSBoundRow[10], 10);
  float first;
  std::memcpy(&first, PSConstants[14].shadow, sizeof first);
  EXPECT_EQ(first, 0.25f);
}

TEST_F(ConstantRows, TheViewsLightingReachesItsFourVertexRows) {
  const int cutMessages = CountLogLines("UploadConstantRow");
  SetDefaultView();
  for (int m = 0; m < 3; ++m)
    for (int i = 0; i < 16; ++i) MainView.lightMatrices[m][i] = 0.01f * float(m * 16 + i + 1);
  SetViewLightColours(0);
  auto rowHolds = [](int row, const float* values, size_t bytes) {
    const std::vector<uint8_t> held = ReadBuffer(VSConstants[row].buffer);
    return held.size() == bytes && std::memcmp(held.data(), values, bytes) == 0;
  };
  EXPECT_TRUE(rowHolds(VS_ROW_LIGHT_SCALE, ViewLighting.block0, sizeof ViewLighting.block0));
  EXPECT_TRUE(rowHolds(VS_ROW_VIEW_LIGHTS, ViewLighting.block1, sizeof ViewLighting.block1));
  EXPECT_TRUE(rowHolds(VS_ROW_LIGHT_CHANNELS, ViewLighting.block2, sizeof ViewLighting.block2));
  EXPECT_TRUE(rowHolds(VS_ROW_LIGHT_MATRICES, ViewLighting.lightVS, sizeof ViewLighting.lightVS));
  EXPECT_EQ(VSBoundRow[VSConstants[VS_ROW_VIEW_LIGHTS].slot], VS_ROW_VIEW_LIGHTS);
  EXPECT_EQ(CountLogLines("UploadConstantRow"), cutMessages) << "every block fits its row";

  // Changed colours reach the rows again; the fog factor is word 60 of the light matrices.
  const std::vector<uint8_t> before = ReadBuffer(VSConstants[VS_ROW_VIEW_LIGHTS].buffer);
  SetViewLightColours(2);
  EXPECT_NE(ReadBuffer(VSConstants[VS_ROW_VIEW_LIGHTS].buffer), before);
  EXPECT_TRUE(rowHolds(VS_ROW_VIEW_LIGHTS, ViewLighting.block1, sizeof ViewLighting.block1));
  float fog;
  std::memcpy(&fog, ReadBuffer(VSConstants[VS_ROW_LIGHT_MATRICES].buffer).data() + 60 * sizeof(float), sizeof fog);
  EXPECT_NEAR(fog, -0.693147f / 12000.0f, 1e-12);
}

TEST_F(ConstantRows, OversizedDataIsCutToTheRowWithAMessage) {
  float big[8] = {9, 9, 9, 9, 7, 7, 7, 7};
  UploadConstantRowData(1, 3, big, sizeof big);
  EXPECT_EQ(CountLogLines("UploadConstantRow: 32 bytes for row 3 of stage 1, which holds 16"), 1);
  float got[4];
  std::memcpy(got, PSConstants[3].shadow, sizeof got);
  EXPECT_EQ(got[3], 9.0f);
  UploadConstantRowData(1, 20, big, 4);
  EXPECT_EQ(CountLogLines("UploadConstantRow: no constant row 20"), 1);
  uint32_t word[4] = {1, 2, 3, 4};
  UpdateCSBufferIfNeeded(word);
  EXPECT_EQ(CSBoundRow[0], 0) << "the compute row is bound once used";
}

using ComputeBuffers = NullRenderer;

TEST_F(ComputeBuffers, TheJobIsMadeWithTheDeviceAndReadsBackItsCounters) {
  ASSERT_TRUE(bool(SharedComputeJob.rawBuffer));
  ComputeJob job{};
  ASSERT_EQ(CreateComputeBuffers(job), nullptr);
  const uint32_t fill[4] = {7, 7, 7, 7};
  GfxClearUnorderedAccessViewUint(Gfx.context, job.view, fill);
  GetComputeShaderResult(job);
  GfxMappedSubresource m;
  ASSERT_EQ(GfxMapResource(Gfx.context, job.readBuffer, 0, GFX_MAP_READ, &m), GFX_OK);
  const uint32_t* counters = static_cast<const uint32_t*>(m.data);
  EXPECT_EQ(counters[0], 7u);
  EXPECT_EQ(counters[63], 7u);
  GfxUnmap(Gfx.context, job.readBuffer, 0);
  RunComputeShader(job.view, 1, 1, GfxShaderResourceView{});
  EXPECT_EQ(Shaders.boundCompute, 0) << "no compute shader is left bound after the job";
  ReleaseComputeBuffers(job);
  EXPECT_FALSE(bool(job.rawBuffer));
  // Made again over a job that holds its buffers, the job first gives those back.
  const auto live = GfxLiveObjectCount();
  ASSERT_EQ(CreateComputeBuffers(job), nullptr);
  ASSERT_EQ(CreateComputeBuffers(job), nullptr);
  ReleaseComputeBuffers(job);
  EXPECT_EQ(GfxLiveObjectCount(), live);

  GfxBufferDesc plain;
  plain.byteWidth = 64;
  plain.bindFlags = GFX_BIND_UNORDERED_ACCESS;
  GfxBuffer buffer;
  ASSERT_EQ(GfxCreateBuffer(Gfx.device, plain, nullptr, &buffer), GFX_OK);
  GfxUnorderedAccessView view;
  EXPECT_EQ(CreateBufferUAV(buffer, &view), GFX_E_INVALIDARG) << "neither raw nor structured";
  GfxRelease(buffer);
}

// The release of everything and the device's re-creation.
using ReleaseAll = NullRenderer;

TEST_F(ReleaseAll, FreeAllGraphicsEmptiesEverythingAndMakesTheStreamsAgain) {
  VertexBuffer* extra;
  ASSERT_EQ(CreateVertexBuffer(2, 0, 16, &extra), 0);
  MaterialParams p{};
  GetMaterialByName("wall", 0, 0, 0, p, 0);
  Draw2DList.StartBatch(nullptr);
  Draw2DList.AddVertex(0xFFFFFFFFu, 0, 0, 0, 0);
  ZKTETexture* named = GetTexture("paint", 4);
  ShineTextures[0] = named;
  int live = GfxLiveObjectCount();

  FreeAllGraphics(1, 0);
  EXPECT_EQ(VertexBuffers.count, 1u) << "the 2D stream, made again";
  EXPECT_EQ(IndexBuffers.count, 1u);
  EXPECT_EQ(StreamLit.vertexCapacity, STREAM_LIT_VERTICES) << "the 3D streams shaped, made on their first start";
  EXPECT_EQ(Materials.size(), 1u) << "the default material, made again";
  EXPECT_EQ(ShineTextures[0], nullptr);
  EXPECT_EQ(Draw2DList.counters.vertexCount, 0u);
  EXPECT_EQ(Draw2DList.vertices.size(), DRAW2D_INITIAL_VERTICES);
  EXPECT_EQ(Stream2D.vertexCapacity, STREAM_2D_VERTICES);
  EXPECT_EQ(GfxLiveObjectCount(), live - 1) << "the extra buffer is gone";
  EXPECT_TRUE(bool(Shaders.layouts[3])) << "shaders kept without the second flag";
  ASSERT_EQ(StreamLit.StartBuf(nullptr, 1, 1), 1);
  StreamLit.UnlockBuffer();
  EXPECT_EQ(VertexBuffers.count, 2u) << "made by its first start";
  EXPECT_EQ(StreamLit.vertexBuffer->count, STREAM_LIT_VERTICES);

  FreeAllGraphics(0, 1);
  EXPECT_EQ(VertexBuffers.count, 0u);
  EXPECT_EQ(IndexBuffers.count, 0u);
  EXPECT_FALSE(bool(Shaders.layouts[3]));
  EXPECT_FALSE(bool(SharedComputeJob.rawBuffer));
  Draw2DList.StartBatch(nullptr);
  Draw2DList.AddVertex(0xFFFFFFFFu, 0, 0, 0, 0);
  FlushDraw2D();  // nothing to draw into: nothing happens
  ResetDraw2D();

  // The device's recovery: closed, then made again with everything in place.
  CloseD3D();
  EXPECT_EQ(GfxLiveObjectCount(), 0);
  ASSERT_EQ(PreInitD3D(), nullptr);
  ASSERT_EQ(InitialiseGraphicsForScreen(), nullptr);
  EXPECT_EQ(VertexBuffers.count, 1u);
  ASSERT_EQ(StreamLines3D.StartBuf(nullptr, 1, 1), 1);
  StreamLines3D.UnlockBuffer();
  EXPECT_EQ(VertexBuffers.count, 2u);
  EXPECT_TRUE(bool(VSConstants[0].buffer));
  EXPECT_EQ(VSBoundRow[9], 9);
  EXPECT_TRUE(bool(SharedComputeJob.view));
  EXPECT_EQ(Draw2DList.batches.size(), DRAW2D_INITIAL_BATCHES);
}

// Room is what is left of each capacity: a batch may fill a buffer exactly but not pass it
// by one vertex or one triangle.  Without an open batch (no write pointers) there is no room,
// except that a batch of vertices alone needs no index pointer.  A refusal is marked once.
TEST(CircularRoom, ABatchMayFillTheBufferExactlyButNotPassIt) {
  uint8_t vertices[16] = {};
  uint16_t indices[16] = {};
  CircularVBuffer b{};
  b.vertexCapacity = 10;
  b.triangleCapacity = 6;
  b.vertexCount = 4;
  b.triangleCount = 2;
  b.vertexWrite = vertices;
  b.indexWrite = indices;
  EXPECT_TRUE(b.HasRoom(6, 4));
  EXPECT_FALSE(b.HasRoom(7, 4));
  EXPECT_FALSE(b.HasRoom(6, 5));
  EXPECT_TRUE(b.HasRoom(0, 0));
  b.indexWrite = nullptr;
  EXPECT_TRUE(b.HasRoom(6, 0)) << "vertices alone";
  EXPECT_FALSE(b.HasRoom(6, 1));
  b.indexWrite = indices;
  b.vertexWrite = nullptr;
  EXPECT_FALSE(b.HasRoom(1, 0));
  b.vertexWrite = vertices;

  EXPECT_TRUE(b.CheckRoom(6, 4, "test stream"));
  EXPECT_EQ(b.roomReported, 0);
  EXPECT_FALSE(b.CheckRoom(7, 4, "test stream"));
  EXPECT_EQ(b.roomReported, 1);
  EXPECT_FALSE(b.CheckRoom(7, 4, "test stream"));
  EXPECT_EQ(b.roomReported, 1);
}

}  // namespace
