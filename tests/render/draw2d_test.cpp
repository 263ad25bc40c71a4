// draw2d_test.cpp - the gamma tables, the 2D draw list (batch 0 for the background, growth,
// refusals, what a flush writes and how a large batch is split) and the matrix state with its
// uploads, on the null device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/gamma_tables.h"
#include "render/constant_buffers.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/views.h"
#include "tests/render/null_renderer.h"

namespace {

TEST(GammaTables, TheBrightnessCurveAndItsInverse) {
  EXPECT_EQ(BrightnessTable[0], 0);
  EXPECT_EQ(BrightnessTable[255], 255);
  EXPECT_EQ(BrightnessTable[128], 56) << "round(255 x (128/255)^2.2)";
  EXPECT_EQ(BrightnessTable[1], 0);
  EXPECT_EQ(LinearFromGammaTable[0], 0.0f);
  EXPECT_EQ(LinearFromGammaTable[255], 1.0f);
  EXPECT_NEAR(LinearFromGammaTable[128], 0.219520f, 1e-6);
  EXPECT_EQ(GammaFromLinearTable[56], 128) << "back to where it came from";
  EXPECT_EQ(GammaFromLinearTable[255], 255);
  for (int i = 1; i < 256; ++i) {
    EXPECT_LE(BrightnessTable[i - 1], BrightnessTable[i]) << i;
    EXPECT_LE(GammaFromLinearTable[i - 1], GammaFromLinearTable[i]) << i;
  }
  EXPECT_EQ(ApplyBrightnessTable(0x80FF8040u), 0x80FF380Cu) << "alpha kept, the colour bytes through the table";
}

class Draw2DListTest : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    Draw2DList.Init();  // arrays back at their first size: earlier tests may have grown them
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  }
  void TearDown() override { ResetDraw2D(); }
  // A quad of the interface's units (y down) with its two triangles.
  static void Quad(float x0, float y0, float x1, float y1, uint32_t colour) {
    Draw2D& l = Draw2DList;
    int a = l.AddVertex(colour, x0, y0, 0, 0), b = l.AddVertex(colour, x1, y0, 1, 0);
    int c = l.AddVertex(colour, x1, y1, 1, 1), d = l.AddVertex(colour, x0, y1, 0, 1);
    l.AddQuad(a, b, c, d);
  }
};

TEST_F(Draw2DListTest, TheFirstBatchReservesBatchZeroAndVerticesGoThroughTheWindow) {
  Draw2D& l = Draw2DList;
  l.StartBatch(nullptr);
  EXPECT_EQ(l.counters.vertexCount, 4u) << "the background's four vertices come first";
  EXPECT_EQ(l.counters.triangleCount, 2u);
  EXPECT_EQ(l.AddVertex(0x80FF8040u, -1, -1, 0.25f, 0.5f), 0);
  EXPECT_EQ(l.AddVertex(0xFFFFFFFFu, 1, 1, 0, 0), 1);
  SetScreenWindow(0, 0.5f, -0.5f, 0.25f, 0.5f);  // a quarter of the width, half the height
  EXPECT_EQ(l.AddVertex(0xFFFFFFFFu, 1, 1, 0, 0), 2);
  l.EndBatch();
  ASSERT_EQ(l.counters.batchCount, 2u);
  EXPECT_EQ(l.batches[0].active, 0);
  EXPECT_EQ(l.batches[0].vertexCount, 4u);
  EXPECT_EQ(l.batches[1].active, 1);
  EXPECT_EQ(l.batches[1].blend, 1);
  EXPECT_EQ(l.batches[1].material, GetDefaultMaterial());
  EXPECT_EQ(l.batches[1].firstVertex, 4u);
  EXPECT_EQ(l.batches[1].vertexCount, 3u);
  const Draw2DVertex& top = l.vertices[4];
  EXPECT_EQ(top.x, -1.0f);
  EXPECT_EQ(top.y, 1.0f) << "the top of the screen is the top of clip space";
  EXPECT_EQ(top.u, 0.25f);
  EXPECT_EQ(top.colour, 0x80FF380Cu);
  EXPECT_EQ(l.vertices[5].y, -1.0f);
  EXPECT_EQ(l.vertices[6].x, 0.75f);
  EXPECT_EQ(l.vertices[6].y, 0.0f);
}

// A rectangle about a centre is four corners from the top left round to the bottom left, each
// with its corner of the whole texture; with the aspect flag its half height is the half
// width times the inverse aspect.
TEST_F(Draw2DListTest, ARectangleRunsFromItsTopLeftRoundWithTheWholeTexture) {
  Draw2D& l = Draw2DList;
  l.StartBatch(nullptr);
  const float savedInverse = Projection.inverseAspect;
  Projection.inverseAspect = 0.5f;
  for (int aspect : {0, 1}) {
    const uint32_t first = l.counters.vertexCount;
    l.AddRect(0xFF336699u, aspect, 0.25f, 0.5f, 0.125f);
    ASSERT_EQ(l.counters.vertexCount, first + 4);
    const float vertical = aspect ? 0.0625f : 0.125f;
    // The fixture's window keeps x and turns y over.
    const float x[4] = {0.125f, 0.375f, 0.375f, 0.125f};
    const float y[4] = {-(0.5f - vertical), -(0.5f - vertical), -(0.5f + vertical), -(0.5f + vertical)};
    const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
    for (uint32_t k = 0; k < 4; ++k) {
      const Draw2DVertex& p = l.vertices[first + k];
      EXPECT_FLOAT_EQ(p.x, x[k]) << aspect << " corner " << k;
      EXPECT_FLOAT_EQ(p.y, y[k]) << aspect << " corner " << k;
      EXPECT_EQ(p.u, u[k]) << aspect << " corner " << k;
      EXPECT_EQ(p.v, v[k]) << aspect << " corner " << k;
      EXPECT_EQ(p.colour, ApplyBrightnessTable(0xFF336699u));
    }
  }
  Projection.inverseAspect = savedInverse;
}

// A rectangle's two triangles cover its whole square, each wound the way its corners run (so
// neither is turned away by a facing test): every sample point off the diagonals, one in each
// wedge the diagonals cut, lies in one of them.
TEST_F(Draw2DListTest, ARectanglesTwoTrianglesCoverItsWholeSquareWoundLikeItsCorners) {
  Draw2D& l = Draw2DList;
  l.StartBatch(nullptr);
  const uint32_t base = l.counters.vertexCount;  // the batch's first vertex
  const uint32_t firstTriangle = l.counters.triangleCount;
  l.AddRect(0xFFFFFFFFu, 0, 0.5f, 0.5f, 0.25f);
  ASSERT_EQ(l.counters.triangleCount, firstTriangle + 2);
  auto corner = [&](uint32_t index, double& x, double& y) {
    ASSERT_LT(index, 4u) << "a corner of this rectangle";
    x = l.vertices[base + index].x;
    y = l.vertices[base + index].y;
  };
  // Twice the signed area of (p, q, r).
  auto cross = [](double px, double py, double qx, double qy, double rx, double ry) {
    return (qx - px) * (ry - py) - (qy - py) * (rx - px);
  };
  double cx[4], cy[4];
  for (uint32_t k = 0; k < 4; ++k) corner(k, cx[k], cy[k]);
  // The corners in their order: x 0.25 0.75 0.75 0.25, y -0.25 -0.25 -0.75 -0.75; twice
  // the signed area of the first three is one square of side 0.5 = 0.25, of sign s.
  const double s = cross(cx[0], cy[0], cx[1], cy[1], cx[2], cy[2]) > 0 ? 1 : -1;
  double tx[2][3], ty[2][3];
  for (int t = 0; t < 2; ++t) {
    const Draw2DTriangle& tri = l.triangles[firstTriangle + uint32_t(t)];
    corner(tri.a, tx[t][0], ty[t][0]);
    corner(tri.b, tx[t][1], ty[t][1]);
    corner(tri.c, tx[t][2], ty[t][2]);
    EXPECT_NEAR(s * cross(tx[t][0], ty[t][0], tx[t][1], ty[t][1], tx[t][2], ty[t][2]), 0.25, 1e-6)
        << "triangle " << t << ": half the square, wound like the corners";
  }
  // Sample points at quarter steps of the half width about the centre, off both diagonals.
  for (double fx : {-0.75, -0.25, 0.25, 0.75})
    for (double fy : {-0.75, -0.25, 0.25, 0.75}) {
      if (std::fabs(fx) == std::fabs(fy)) continue;
      const double px = 0.5 + 0.25 * fx, py = -(0.5 + 0.25 * fy);
      bool inside = false;
      for (int t = 0; t < 2; ++t) {
        const double w0 = cross(tx[t][0], ty[t][0], tx[t][1], ty[t][1], px, py);
        const double w1 = cross(tx[t][1], ty[t][1], tx[t][2], ty[t][2], px, py);
        const double w2 = cross(tx[t][2], ty[t][2], tx[t][0], ty[t][0], px, py);
        if ((w0 > 0 && w1 > 0 && w2 > 0) || (w0 < 0 && w1 < 0 && w2 < 0)) inside = true;
      }
      EXPECT_TRUE(inside) << "point " << fx << ", " << fy << " of the half width from the centre";
    }
}

TEST_F(Draw2DListTest, ArraysDoubleWhenFullAndKeepWhatTheyHold) {
  Draw2D& l = Draw2DList;
  ASSERT_EQ(l.vertices.size(), DRAW2D_INITIAL_VERTICES);
  l.StartBatch(nullptr);
  for (int i = 0; i < 4092; ++i) l.AddVertex(0xFF000000u | uint32_t(i), float(i) / 4096.0f, 0, 0, 0);
  EXPECT_EQ(l.vertices.size(), 4096u);
  EXPECT_EQ(l.AddVertex(0xFFFFFFFFu, 0, 0, 0, 0), 4092) << "the frame's 4097th vertex";
  EXPECT_EQ(l.vertices.size(), 8192u);
  EXPECT_EQ(l.vertices[5].colour, ApplyBrightnessTable(0xFF000001u));
  EXPECT_EQ(l.vertices[4095].x, 4091.0f / 4096.0f);
  l.EndBatch();
  for (int i = 0; i < 300; ++i) {
    l.StartBatch(nullptr);
    l.EndBatch();
  }
  EXPECT_EQ(l.batches.size(), 512u);
  EXPECT_EQ(l.counters.batchCount, 302u);
}

TEST_F(Draw2DListTest, WritesWithoutABatchAreRefusedAndAnOpenBatchIsClosedNotLost) {
  Draw2D& l = Draw2DList;
  EXPECT_EQ(l.AddVertex(0xFFFFFFFFu, 0, 0, 0, 0), -1);
  l.AddTriangle(0, 1, 2);
  EXPECT_EQ(l.counters.vertexCount, 0u);
  EXPECT_EQ(l.counters.triangleCount, 0u);
  EXPECT_EQ(CountLogLines("Draw2D::AddVertex: no batch open"), 1);
  l.StartBatch(nullptr);
  Quad(0, 0, 1, 1, 0xFFFFFFFFu);
  l.StartBatch(nullptr);  // without EndBatch
  Quad(0, 0, 1, 1, 0xFFFFFFFFu);
  l.AddTriangle(-1, 0, 1);  // a refused corner
  l.EndBatch();
  ASSERT_EQ(l.counters.batchCount, 3u);
  EXPECT_EQ(l.batches[1].vertexCount, 4u);
  EXPECT_EQ(l.batches[1].triangleCount, 2u);
  EXPECT_EQ(l.batches[2].firstVertex, 8u);
  EXPECT_EQ(l.batches[2].triangleCount, 2u);
}

TEST_F(Draw2DListTest, TheBackgroundGoesIntoBatchZeroEvenWhenItIsTheOnlyDrawing) {
  Draw2D& l = Draw2DList;
  MaterialParams p{};
  Material* picture = GetMaterialByName("bkg_test", 0, 0, 0, p, 0);
  BeginBackgroundBatch(picture);
  Quad(-1, -1, 1, 1, 0xFFFFFFFFu);
  EXPECT_EQ(l.AddVertex(0xFFFFFFFFu, 0, 0, 0, 0), -1) << "room for four vertices only";
  EndBackgroundBatch();
  ASSERT_EQ(l.counters.batchCount, 1u);
  EXPECT_EQ(l.batches[0].active, 1);
  EXPECT_EQ(l.batches[0].blend, 0) << "opaque";
  EXPECT_EQ(l.batches[0].material, picture);
  EXPECT_EQ(l.batches[0].vertexCount, 4u);
  EXPECT_EQ(l.batches[0].triangleCount, 2u);
  uint32_t draws = Gfx.drawCalls;
  FlushDraw2D();
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(Shaders.boundPixelNumber, 24) << "the picture's texture";

  // Written after the interface, while a batch is open: both come through intact.
  ResetDraw2D();
  l.StartBatch(nullptr);
  Quad(0, 0, 0.5f, 0.5f, 0xFF00FF00u);
  l.EndBatch();
  l.StartBatch(nullptr);
  int first = l.AddVertex(0xFFFF0000u, 0, 0, 0, 0);
  BeginBackgroundBatch(picture);
  Quad(-1, -1, 1, 1, 0xFF0000FFu);
  EndBackgroundBatch();
  EXPECT_EQ(l.counters.batchOpen, 1);
  EXPECT_EQ(l.AddVertex(0xFFFF0000u, 1, 0, 0, 0), first + 1) << "the open batch goes on";
  EXPECT_EQ(l.vertices[0].colour, 0xFF0000FFu);
  EXPECT_EQ(l.vertices[4].colour, 0xFF00FF00u);
  EXPECT_EQ(l.vertices[8].colour, 0xFFFF0000u);
  EXPECT_EQ(l.batches[1].vertexCount, 4u);
  l.AddVertex(0xFFFF0000u, 1, 1, 0, 0);
  l.AddTriangle(0, 1, 2);
  draws = Gfx.drawCalls;
  FlushDraw2D();
  EXPECT_EQ(Gfx.drawCalls, draws + 3) << "the background, then the two batches";
  EXPECT_EQ(RenderStates.appliedBlend, 2) << "the last batch blends";
  EXPECT_EQ(RenderStates.pendingBlend, 0);
}

TEST_F(Draw2DListTest, AFlushWritesClipVerticesAnd16BitIndicesAndLeavesBadTrianglesOut) {
  Draw2D& l = Draw2DList;
  l.StartBatch(nullptr);
  l.AddVertex(0xFF102030u, -1, -1, 0.5f, 0.25f);
  l.AddVertex(0xFF102030u, 1, -1, 0, 0);
  l.AddVertex(0xFF102030u, 1, 1, 0, 0);
  l.AddTriangle(0, 1, 2);
  l.AddTriangle(0, 1, 99);
  l.AddTriangle(3, 1, 2);  // each corner at the first bad value: the vertex count
  l.AddTriangle(0, 3, 2);
  l.AddTriangle(0, 1, 3);
  l.AddTriangle(1, 0, 2);  // the batch's first vertex, 0, is good in every corner
  l.AddTriangle(1, 2, 0);
  FlushDraw2D();
  EXPECT_EQ(Stream2D.vertexCount, 3u);
  EXPECT_EQ(Stream2D.triangleCount, 3u) << "a triangle naming a vertex outside its batch is left out";
  EXPECT_EQ(Shaders.boundVertexNumber, 5);
  EXPECT_EQ(Shaders.boundPixelNumber, 23) << "no texture";
  std::vector<uint8_t> bytes = ReadBuffer(Stream2D.vertexBuffer->buffer);
  Vertex2D v = VertexAt<Vertex2D>(bytes, Stream2D.batchVertex);  // after what earlier batches wrote
  EXPECT_EQ(v.x, -1.0f);
  EXPECT_EQ(v.y, 1.0f);
  EXPECT_EQ(v.z, 0.0f);
  EXPECT_EQ(v.colour, ApplyBrightnessTable(0xFF102030u));
  EXPECT_EQ(v.u, 0.5f);
  EXPECT_EQ(v.v, 0.25f);
  std::vector<uint8_t> indices = ReadBuffer(Stream2D.indexBuffer->buffer);
  const size_t second = 2 * (Stream2D.batchIndex + 2);
  EXPECT_EQ(indices[second] | indices[second + 1] << 8, 2) << "counted from the batch's first vertex";
}

TEST_F(Draw2DListTest, ABatchLargerThanTheStreamIsDrawnInPieces) {
  Draw2D& l = Draw2DList;
  l.StartBatch(nullptr);
  const int quads = 20000;  // 80000 vertices: four full pieces of 4096 quads and a fifth
  for (int q = 0; q < quads; ++q) Quad(float(q) / quads, 0, float(q) / quads, 0.5f, 0xFFFFFFFFu);
  uint32_t draws = Gfx.drawCalls;
  FlushDraw2D();
  EXPECT_EQ(Gfx.drawCalls, draws + 5);
  EXPECT_EQ(Stream2D.vertexCount, 80000u - 4 * STREAM_2D_VERTICES);
  EXPECT_EQ(Stream2D.triangleCount, 40000u - 4 * 8192);
  Vertex2D first = VertexAt<Vertex2D>(ReadBuffer(Stream2D.vertexBuffer->buffer), 0);
  EXPECT_EQ(first.x, float(4 * 4096) / quads) << "the last piece begins with quad 16384";

  // A fan round one vertex: every piece takes that vertex again.
  ResetDraw2D();
  l.StartBatch(nullptr);
  for (int i = 0; i < 20000; ++i) l.AddVertex(0xFFFFFFFFu, i == 0 ? -0.5f : 0.0f, 0, 0, 0);
  for (int i = 1; i + 1 < 20000; ++i) l.AddTriangle(0, i, i + 1);
  l.AddTriangle(20000, 1, 2);  // corners at the vertex count are left out here too
  l.AddTriangle(1, 20000, 2);
  l.AddTriangle(1, 2, 20000);
  draws = Gfx.drawCalls;
  FlushDraw2D();
  EXPECT_EQ(Gfx.drawCalls, draws + 2);
  EXPECT_EQ(Stream2D.vertexCount, 20000u - 16383 + 1) << "vertex 0 again, then the rest";
  first = VertexAt<Vertex2D>(ReadBuffer(Stream2D.vertexBuffer->buffer), 0);
  EXPECT_EQ(first.x, -0.5f);
}

// A batch of exactly as many vertices or triangles as the 2D stream holds (16384 and 65536)
// still goes whole: every vertex in its own place, unused ones too, in one draw.  Only one
// more is drawn in pieces, which keep just the vertices their triangles use, in the order
// the triangles first name them.
TEST_F(Draw2DListTest, ABatchThatJustFillsTheStreamIsDrawnWhole) {
  Draw2D& l = Draw2DList;
  l.StartBatch(nullptr);
  for (uint32_t i = 0; i < STREAM_2D_VERTICES; ++i) l.AddVertex(0xFFFFFFFFu, float(i) / 16384.0f, 0, 0, 0);
  l.AddTriangle(16383, 1, 2);
  uint32_t draws = Gfx.drawCalls;
  FlushDraw2D();
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(Stream2D.vertexCount, 16384u) << "the unused vertices are written too";
  std::vector<uint8_t> indices = ReadBuffer(Stream2D.indexBuffer->buffer);
  EXPECT_EQ(indices[0] | indices[1] << 8, 16383) << "the last vertex keeps its place";

  // 65536 triangles over three vertices, each naming vertex 2 first.
  ResetDraw2D();
  l.StartBatch(nullptr);
  for (float x : {-0.5f, 0.0f, 0.5f}) l.AddVertex(0xFFFFFFFFu, x, 0, 0, 0);
  for (uint32_t i = 0; i < STREAM_TRIANGLES; ++i) l.AddTriangle(2, 1, 0);
  draws = Gfx.drawCalls;
  FlushDraw2D();
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(Stream2D.triangleCount, 65536u);
  EXPECT_EQ(VertexAt<Vertex2D>(ReadBuffer(Stream2D.vertexBuffer->buffer), 0).x, -0.5f) << "vertex 0 stays first";
  indices = ReadBuffer(Stream2D.indexBuffer->buffer);
  EXPECT_EQ(indices[0] | indices[1] << 8, 2);
}

// The sprite sheet is 32 x 32 pictures, numbered along the rows: 0 and 1023 are its
// corners, -1 and 1024 no picture.  A batch's sampler is one of the 9 states (0..8), any
// other number the usual one (0).  The background batch holds two triangles, a third is
// refused.
TEST_F(Draw2DListTest, PicturesSamplersAndTheBackgroundsTrianglesAtTheirEnds) {
  PictureCell p{};
  EXPECT_EQ(FindInterfacePicture(-1, p), 0);
  EXPECT_EQ(FindInterfacePicture(1024, p), 0);
  ASSERT_EQ(FindInterfacePicture(0, p), 1);
  EXPECT_EQ(p.u0, 0.0f);
  EXPECT_EQ(p.v0, 0.0f);
  EXPECT_EQ(p.u1, 1.0f / 32);
  ASSERT_EQ(FindInterfacePicture(1023, p), 1);
  EXPECT_EQ(p.u0, 31.0f / 32);
  EXPECT_EQ(p.v0, 31.0f / 32);
  EXPECT_EQ(p.u1, 1.0f);
  EXPECT_EQ(p.v1, 1.0f);
  ASSERT_EQ(FindInterfacePicture(2 * 32 + 5, p), 1);  // row 2, column 5
  EXPECT_EQ(p.u0, 5.0f / 32);
  EXPECT_EQ(p.v0, 2.0f / 32);

  Draw2D& l = Draw2DList;
  l.StartBatch(nullptr, 8);
  l.StartBatch(nullptr, 9);
  l.StartBatch(nullptr, -1);
  l.StartBatch(nullptr, 1);
  l.EndBatch();
  ASSERT_EQ(l.counters.batchCount, 5u);
  EXPECT_EQ(l.batches[1].sampler, 8);
  EXPECT_EQ(l.batches[2].sampler, 0);
  EXPECT_EQ(l.batches[3].sampler, 0);
  EXPECT_EQ(l.batches[4].sampler, 1);

  BeginBackgroundBatch(nullptr);
  Quad(-1, -1, 1, 1, 0xFFFFFFFFu);
  l.AddTriangle(0, 2, 3);
  EXPECT_EQ(l.counters.triangleCount, 2u) << "a third triangle is refused";
  EndBackgroundBatch();
  EXPECT_EQ(l.batches[0].triangleCount, 2u);
  EXPECT_EQ(CountLogLines("Draw2D::AddTriangle: the background batch holds 2 triangles"), 1);
}

class MatrixState : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    std::memcpy(savedViewport_, RenderTargets.viewport, sizeof savedViewport_);
  }
  void TearDown() override {
    SetViewport(savedViewport_);
    CurrentWorldPass = 0;
    InitMatrices();
  }
  // A row vector through a matrix: x, y, z, w.
  static void Apply(const float m[16], const float p[4], float out[4]) {
    for (int c = 0; c < 4; ++c) out[c] = p[0] * m[c] + p[1] * m[4 + c] + p[2] * m[8 + c] + p[3] * m[12 + c];
  }
  float savedViewport_[6];
};

// The starting matrices: identity view and world, and a projection 1 m near, 1024 m far,
// two units wide at the near plane (so x scales by 1) with no offsets.
TEST_F(MatrixState, TheStartingProjectionIsOneMetreNearAndTwoWide) {
  const float view[6] = {0, 0, 400, 200, 0, 1};
  SetViewport(view);
  InitMatrices();
  EXPECT_EQ(NearPlane, 1.0f);
  EXPECT_EQ(FarPlane, 1024.0f);
  EXPECT_EQ(ProjectionMatrix[0], 1.0f);
  EXPECT_EQ(ProjectionMatrix[5], 2.0f) << "half as high as wide";
  EXPECT_EQ(ProjectionMatrix[8], 0.0f);
  EXPECT_EQ(ProjectionMatrix[9], 0.0f);
  EXPECT_EQ(ProjectionMatrix[11], 1.0f);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(ViewMatrix[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
}

TEST_F(MatrixState, PerspectiveAndOrthographicMapNearToZeroAndFarToOne) {
  NearPlane = 1.0f;
  FarPlane = 1024.0f;
  float m[16];
  SetupPerspective(m, 2.0f, 1.5f);
  EXPECT_EQ(m[0], 1.0f);
  EXPECT_FLOAT_EQ(m[5], 2.0f / 1.5f);
  EXPECT_EQ(m[11], 1.0f);
  EXPECT_EQ(m[15], 0.0f);
  float out[4];
  const float nearEdge[4] = {1.0f, 0.75f, 1.0f, 1.0f}, farCentre[4] = {0, 0, 1024.0f, 1.0f};
  Apply(m, nearEdge, out);
  EXPECT_FLOAT_EQ(out[0] / out[3], 1.0f) << "half the width at the near plane is the right edge";
  EXPECT_FLOAT_EQ(out[1] / out[3], 1.0f);
  EXPECT_NEAR(out[2] / out[3], 0.0f, 1e-6);
  Apply(m, farCentre, out);
  EXPECT_FLOAT_EQ(out[2] / out[3], 1.0f);
  SetupOrthographic(m, 4.0f, 2.0f);
  EXPECT_EQ(m[0], 0.5f);
  EXPECT_EQ(m[5], 1.0f);
  EXPECT_EQ(m[15], 1.0f);
  Apply(m, nearEdge, out);
  EXPECT_NEAR(out[2], 0.0f, 1e-6);
  Apply(m, farCentre, out);
  EXPECT_FLOAT_EQ(out[2], 1.0f);
}

TEST_F(MatrixState, NearFarFollowsTheViewportShapeAndCarriesTheOffsets) {
  SetViewportRect(0, 0, 800, 600);
  SetNearFar(0.25f, 2.0f, 0.5f, 100.0f, -0.125f);
  EXPECT_EQ(NearPlane, 0.5f);
  EXPECT_EQ(FarPlane, 100.0f);
  EXPECT_FLOAT_EQ(ProjectionMatrix[0], 1.0f) << "2 near / (2 near)";
  EXPECT_FLOAT_EQ(ProjectionMatrix[5], 800.0f / 600.0f);
  EXPECT_EQ(ProjectionMatrix[8], 0.25f);
  EXPECT_EQ(ProjectionMatrix[9], -0.125f);
  const float none[6] = {0, 0, 0, 600, 0, 1};
  SetViewport(none);
  SetNearFar(0, 2.0f, 1.0f, 1024.0f, 0);
  EXPECT_EQ(ProjectionMatrix[0], ProjectionMatrix[5]) << "a viewport of width 0 gives a square view";
}

TEST_F(MatrixState, TheViewUploadIsTheTransposedProductAndAloneTheProjection) {
  float a[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, b[16], expected[16];
  SetIdentityMatrix(b);
  b[12] = 3;
  b[1] = 2;
  MultiplyMatrix(a, expected, b);
  EXPECT_EQ(expected[0], 1 + 4 * 3.0f);
  EXPECT_EQ(expected[1], 1 * 2 + 2.0f);
  float alias[16];
  std::memcpy(alias, a, sizeof a);
  MultiplyMatrix(alias, alias, b);
  EXPECT_EQ(std::memcmp(alias, expected, sizeof alias), 0) << "out may be an input";

  std::memcpy(WorldMatrix, a, sizeof a);
  std::memcpy(ViewMatrix, b, sizeof b);
  SetNearFar(0, 2.0f, 1.0f, 1024.0f, 0);
  float worldView[16], combined[16];
  MultiplyMatrix(WorldMatrix, worldView, ViewMatrix);
  MultiplyMatrix(worldView, combined, ProjectionMatrix);
  UploadViewMatrices();
  float row[16];
  std::memcpy(row, VSConstants[VS_ROW_MATRIX].shadow, sizeof row);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(row[r * 4 + c], combined[c * 4 + r]) << r << c;
  UploadProjectionOnly();
  std::memcpy(row, VSConstants[VS_ROW_MATRIX].shadow, sizeof row);
  EXPECT_EQ(row[3 * 4 + 2], 1.0f) << "m23 transposed";
  EXPECT_EQ(row[2 * 4 + 3], ProjectionMatrix[14]);
}

TEST_F(MatrixState, TheViewsMatricesAreTheOnesUploaded) {
  View view;
  const int32_t eye[3] = {2 << 16, -(3 << 16), 1 << 16};
  const float direction[3] = {0.3f, 0.9f, 0.3162f};
  const int32_t light[3] = {0, 0, 0x10000};
  View* saved = CurrentView;
  InitView(view, eye, direction, light);
  ComputeViewBasis();
  SetupViewRectangle(0, 0, 64, 48, 0.25f, -0.25f, 1.3f, 0.25f, 1);
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  float row[16];
  std::memcpy(row, VSConstants[VS_ROW_MATRIX].shadow, sizeof row);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(row[c * 4 + r], ViewMatrices.viewProjection[r * 4 + c]) << r << c;
  EXPECT_EQ(NearPlane, ViewMatrices.nearPlane);
  CurrentView = saved;
}

TEST_F(MatrixState, TheWorldRowCarriesTheCameraInObjectSpace) {
  // The object turned a quarter about z (x to y) and moved 10 m along x; the eye at (0, 0, 5).
  SetIdentityMatrix(WorldMatrix);
  WorldMatrix[0] = 0, WorldMatrix[1] = 1, WorldMatrix[4] = -1, WorldMatrix[5] = 0;
  WorldMatrix[12] = 10;
  SetIdentityMatrix(ViewMatrix);
  ViewMatrix[14] = -5;
  CurrentWorldPass = 0;
  int car = ShaderCarFlag;
  UploadWorldMatrix(1, 0);
  EXPECT_EQ(ShaderCarFlag, 1);
  ShaderCarFlag = car;
  float row[16];
  std::memcpy(row, VSConstants[VS_ROW_WORLD].shadow, sizeof row);
  EXPECT_EQ(row[0], 0.0f);
  EXPECT_EQ(row[1], -1.0f) << "the rotation's first column";
  EXPECT_EQ(row[3], 10.0f) << "and its translation";
  EXPECT_FLOAT_EQ(row[12], 0.0f);
  EXPECT_FLOAT_EQ(row[13], 10.0f);
  EXPECT_FLOAT_EQ(row[14], 5.0f);
  EXPECT_EQ(row[15], 1.0f);

  // The local-light pass: only the object's lights, taken into its space.
  CurrentWorldPass = 3;
  for (float& f : LocalLights[0].transform) f = 0;
  LocalLights[0].transform[0] = LocalLights[0].transform[5] = LocalLights[0].transform[10] = 1;
  ObjectLocalLightMask = 1;
  std::memcpy(VSConstants[VS_ROW_WORLD].data, row, sizeof row);
  UploadWorldMatrix(0, 0);
  EXPECT_EQ(LightWorldMatrix[1], -1.0f);
  EXPECT_EQ(LightWorldMatrix[3], 10.0f);
  EXPECT_EQ(VSBoundRow[10], 10);
  float light[12];
  std::memcpy(light, VSConstants[10].shadow, sizeof light);
  EXPECT_EQ(light[3], 10.0f) << "the light's transform times the world's";
}

TEST_F(MatrixState, TheThreeByFourAndObjectRowsHoldTheirLayouts) {
  float m[16];
  for (int i = 0; i < 16; ++i) m[i] = float(i);
  UploadMatrix3x4(m);
  float row[12];
  std::memcpy(row, VSConstants[VS_ROW_MATRIX3X4].shadow, sizeof row);
  EXPECT_EQ(row[1], 4.0f);
  EXPECT_EQ(row[3], 12.0f);
  EXPECT_EQ(row[11], 14.0f);
  // Six positions and colours are taken; whatever lies after them in the caller's memory
  // (here a seventh of each) is not: the row ends with the scale and three zeros.
  const float positions[7][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, {16, 17, 18}, {91, 92, 93}};
  const uint8_t colours[7] = {0, 51, 102, 153, 204, 255, 77};
  UpdateObjectVSBuffer(positions, colours, 0.5f);
  float object[28];
  std::memcpy(object, VSConstants[VS_ROW_OBJECT].shadow, sizeof object);
  EXPECT_EQ(object[4], 4.0f);
  EXPECT_FLOAT_EQ(object[7], 0.2f);
  EXPECT_EQ(object[20], 16.0f);
  EXPECT_EQ(object[22], 18.0f);
  EXPECT_EQ(object[23], 1.0f);
  EXPECT_EQ(object[24], 0.5f);
  for (int i = 25; i < 28; ++i) EXPECT_EQ(object[i], 0.0f) << i;
}

}  // namespace
