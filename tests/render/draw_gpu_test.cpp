// draw_gpu_test.cpp - pixels drawn through the 2D list, the 3D line stream and the lit stream
// on a real GL context: a 2D frame of textured, plain and blended quads over a background, a
// ground grid under a known projection, the line stream's restart, and prelit geometry.
// The device is made by the environment of render_gpu_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/gamma_tables.h"
#include "render/buffers.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/texture_record.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"

namespace {

// A 64 x 64 plain (not sRGB) target, so that colours read back as written, and a 4 x 1
// texture of two red and two green texels.
class DrawPixels : public ::testing::Test {
 protected:
  static constexpr int SIZE = 64;
  ZKTETexture target{};
  ZKTETexture picture{};
  Material* textured = nullptr;

  void SetUp() override {
    if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE));
    const uint32_t texels[4] = {0xFF0000FFu, 0xFF0000FFu, 0xFF00FF00u, 0xFF00FF00u};  // bytes r, g, b, a
    GfxTexture2DDesc t;
    t.width = 4;
    t.height = 1;
    t.format = GFX_FORMAT_R8G8B8A8_UNORM;
    t.bindFlags = GFX_BIND_SHADER_RESOURCE;
    GfxSubresourceData data{texels, 16, 0};
    ASSERT_EQ(GfxCreateTexture2D(Gfx.device, t, &data, &picture.texture), GFX_OK);
    ASSERT_EQ(GfxCreateShaderResourceView(Gfx.device, picture.texture, nullptr, &picture.view), GFX_OK);
    std::snprintf(picture.name, sizeof picture.name, "TEST~STRIPES");
    MaterialParams p{};
    textured = CreateMaterial(&picture, 0, 0, 0, p, 0);
    ASSERT_TRUE(BeginTestFrame2D(target));
  }
  void TearDown() override {
    if (Gfx.initState != 2) return;
    BindTextureSlot(0, nullptr);
    ReleaseMaterial(textured);
    ReleaseTexture(&picture);
    ReleaseTestTarget(target);
    ResetTestMatrices();
    RenderStates.pendingDepth = 0;
  }
  // 0xAARRGGBB of a pixel (x right, y down).
  uint32_t Pixel(int x, int y) { return PixelArgb(ReadTargetPixels(target), SIZE, x, y); }
  static uint32_t Grey(uint8_t level) { return 0xFF000000u | BrightnessTable[level] * 0x010101u; }
  // Looking straight down from 8 m: 4 pixels a metre, the ground's origin on the centre of
  // pixel (32, 32), x to the right and y up the screen.
  static void LookDown() {
    SetViewportFull();
    SetIdentityMatrix(WorldMatrix);
    SetIdentityMatrix(ViewMatrix);
    ViewMatrix[10] = -1.0f;
    ViewMatrix[14] = 8.0f;
    SetNearFar(1.0f / 64, 2.0f, 1.0f, 1024.0f, -1.0f / 64);
    UploadViewMatrices();
  }
  static void Quad(float x0, float y0, float x1, float y1, uint32_t colour) {
    Draw2D& l = Draw2DList;
    int a = l.AddVertex(colour, x0, y0, 0, 0), b = l.AddVertex(colour, x1, y0, 1, 0);
    int c = l.AddVertex(colour, x1, y1, 1, 1), d = l.AddVertex(colour, x0, y1, 0, 1);
    l.AddQuad(a, b, c, d);
  }
};

void ExpectNear(uint32_t got, uint32_t want, int tolerance, const char* what) {
  for (int shift = 0; shift < 32; shift += 8) {
    int g = int((got >> shift) & 0xFF), w = int((want >> shift) & 0xFF);
    EXPECT_NEAR(g, w, tolerance) << what << std::hex << " got " << got << " want " << want;
  }
}

TEST_F(DrawPixels, A2DFrameDrawsTheBackgroundFirstThenItsBatchesInOrder) {
  Draw2D& l = Draw2DList;
  l.StartBatch(nullptr);
  Quad(-0.75f, -0.5f, -0.25f, 0.5f, 0xFF808080u);  // pixels 8..24 x 16..48, grey through the table
  l.StartBatch(textured);
  Quad(0.0f, -1.0f, 1.0f, 0.0f, 0xFFFFFFFFu);  // pixels 32..64 x 0..32, the stripes across
  l.StartBatch(nullptr);
  Quad(0.0f, 0.5f, 1.0f, 1.0f, 0x80FFFFFFu);  // half-transparent white, lower right
  l.EndBatch();
  BeginBackgroundBatch(nullptr);  // added last, drawn first
  Quad(-1, -1, 1, 1, 0xFF0000FFu);
  EndBackgroundBatch();
  FlushDraw2D();
  ResetDraw2D();

  EXPECT_EQ(Pixel(4, 4), 0xFF0000FFu) << "the background";
  EXPECT_EQ(Pixel(16, 32), Grey(128)) << "the plain quad over it";
  EXPECT_EQ(Pixel(8, 16), Grey(128)) << "its top-left pixel";
  EXPECT_EQ(Pixel(24, 32), 0xFF0000FFu) << "its right edge is outside";
  for (int x = 36; x < 44; ++x) EXPECT_EQ(Pixel(x, 16), 0xFFFF0000u) << "red texels at " << x;
  for (int x = 52; x < 60; ++x) EXPECT_EQ(Pixel(x, 16), 0xFF00FF00u) << "green texels at " << x;
  ExpectNear(Pixel(48, 56), 0xFF8080FFu, 1, "white at half alpha over blue");
  EXPECT_EQ(Pixel(48, 40), 0xFF0000FFu);
}

// A batch reads its texture through the sampler it names: the point sampler (7) keeps each
// stripe texel sharp up to its edge, magnified 8 times (pixel 47 is still texel 1, red; pixel
// 48 is texel 2, green); the usual linear one (0) blends across it: at pixel 47 the texel
// coordinate is 15.5 / 8 = 1.9375, 0.4375 of the way from texel 1's centre to texel 2's, so
// red 255 x 0.5625 = 143.4 and green 255 x 0.4375 = 111.6; pixel 48 the other way round.
TEST_F(DrawPixels, ThePointSamplerKeepsTexelsSharpWhereTheLinearOneBlends) {
  Draw2D& l = Draw2DList;
  l.StartBatch(textured, 7);
  Quad(0.0f, -1.0f, 1.0f, 0.0f, 0xFFFFFFFFu);  // pixels 32..64 x 0..32
  l.StartBatch(textured, 0);
  Quad(0.0f, 0.0f, 1.0f, 1.0f, 0xFFFFFFFFu);  // pixels 32..64 x 32..64
  l.EndBatch();
  FlushDraw2D();
  ResetDraw2D();
  EXPECT_EQ(Pixel(47, 16), 0xFFFF0000u) << "point: the last pixel of texel 1";
  EXPECT_EQ(Pixel(48, 16), 0xFF00FF00u) << "point: the first pixel of texel 2";
  ExpectNear(Pixel(47, 48), 0xFF8F7000u, 2, "linear: 0.4375 of the way to green");
  ExpectNear(Pixel(48, 48), 0xFF708F00u, 2, "linear: 0.5625 of the way to green");
}

TEST_F(DrawPixels, AGroundGridLandsOnThePredictedPixels) {
  LookDown();
  uint32_t draws = Gfx.drawCalls;
  DrawGroundGrid(6 * 65536, 32768);  // every half metre, 6 m each way: columns 8..56
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  const uint32_t strong = Grey(GridStrongGrey), weak = Grey(GridWeakGrey);
  // Lines along y at x = i / 2 fill column 32 + 2i; lines along x fill row 32 - 2i.
  EXPECT_EQ(Pixel(34, 33), weak) << "x = 0.5";
  EXPECT_EQ(Pixel(30, 37), weak) << "x = -0.5";
  EXPECT_EQ(Pixel(52, 33), strong) << "x = 5, the tenth line";
  EXPECT_EQ(Pixel(12, 45), strong) << "x = -5";
  EXPECT_EQ(Pixel(33, 12), strong) << "y = 5";
  EXPECT_EQ(Pixel(41, 30), weak) << "y = 0.5";
  EXPECT_EQ(Pixel(32, 41), strong) << "the y axis";
  EXPECT_EQ(Pixel(41, 32), strong) << "the x axis";
  EXPECT_EQ(Pixel(35, 33), 0xFF000000u) << "between lines";
  EXPECT_EQ(Pixel(33, 35), 0xFF000000u);
  EXPECT_EQ(Pixel(4, 4), 0xFF000000u) << "outside the grid";
  EXPECT_EQ(Pixel(60, 33), 0xFF000000u);
}

TEST_F(DrawPixels, AFullLineStreamDrawsWhatItHoldsAndGoesOn) {
  LookDown();
  ASSERT_EQ(BeginLineBatch3D(), 1);
  const float a[3] = {1, -2, 0}, b[3] = {1, 2, 0};  // column 36, rows 24..40
  uint32_t draws = Gfx.drawCalls;
  for (int i = 0; i < 32767; ++i) EmitLine3D(0xFF00FF00u, a, b);
  EXPECT_EQ(Gfx.drawCalls, draws + 1) << "65534 vertices: drawn";
  const float c[3] = {-1, -2, 0}, d[3] = {-1, 2, 0};  // column 28
  EmitLine3D(0xFFFF0000u, c, d);
  EndLineBatch3D();
  EXPECT_EQ(Gfx.drawCalls, draws + 2);
  EXPECT_EQ(Pixel(36, 30), 0xFF00FF00u) << "the first batch";
  EXPECT_EQ(Pixel(28, 30), 0xFFFF0000u) << "the line after the restart";
}

// A quad over the whole target through vs_11 and ps_37: the stripes times grey 0x80.
void DrawPrelitQuad(Material* textured) {
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  UploadConstantRowData(0, VS_ROW_MATRIX, identity, sizeof identity);
  CircularVBuffer& s = StreamLit;
  ASSERT_EQ(s.StartBuf(textured, 1, 1), 1);
  const VertexLit corners[4] = {{-1, 1, 0.5f, {0, 0, 127, 127}, 0xFF808080u, 0, 0, 0},
                                {1, 1, 0.5f, {0, 0, 127, 127}, 0xFF808080u, 0, 1, 0},
                                {1, -1, 0.5f, {0, 0, 127, 127}, 0xFF808080u, 0, 1, 1},
                                {-1, -1, 0.5f, {0, 0, 127, 127}, 0xFF808080u, 0, 0, 1}};
  std::memcpy(s.vertexWrite, corners, sizeof corners);
  s.vertexWrite += sizeof corners;
  s.vertexCount = 4;
  const uint16_t indices[6] = {0, 1, 2, 2, 3, 0};
  std::memcpy(s.indexWrite, indices, sizeof indices);
  s.indexWrite += 6;
  s.triangleCount = 2;
  s.UnlockBuffer();
  Material::EnableVertexDeclaration(1);
  Material::SetVShader(11);
  Material::SetPShader(37);
  s.DrawBuffer(0);
}

TEST_F(DrawPixels, PrelitGeometryTakesTheTextureTimesItsColour) {
  ASSERT_TRUE(ShadersCompile(11, 37)) << "vs_11 and ps_37 compiled";
  DrawPrelitQuad(textured);
  EXPECT_EQ(Pixel(12, 32), 0xFF800000u) << "red texel times grey";
  EXPECT_EQ(Pixel(52, 32), 0xFF008000u) << "green texel times grey";
}

// A car's lamps: pixel row 2 holds the lamp colour (the light colour times twice the lamp's
// brightness) with 1 in its fourth place while lamps are drawn; with 0 there (the row after
// the lamps) prelit drawing ignores it.  The target clamps what passes 1.
TEST_F(DrawPixels, LampsTakeTheLampColourOfPixelRowTwo) {
  ASSERT_TRUE(ShadersCompile(11, 37)) << "vs_11 and ps_37 compiled";
  const float lamps[4] = {1.5f, 0.5f, 4.0f, 1.0f};
  UploadConstantRowData(1, 2, lamps, sizeof lamps);
  DrawPrelitQuad(textured);
  EXPECT_EQ(Pixel(12, 32), 0xFFC00000u) << "red texel times grey times 1.5";
  EXPECT_EQ(Pixel(52, 32), 0xFF004000u) << "green texel times grey times 0.5";
  const float after[4] = {3.0f, 3.0f, 3.0f, 0.0f};
  UploadConstantRowData(1, 2, after, sizeof after);
  DrawPrelitQuad(textured);
  EXPECT_EQ(Pixel(12, 32), 0xFF800000u) << "no lamps: the row is not read";
  EXPECT_EQ(Pixel(52, 32), 0xFF008000u);
  const float none[4] = {};
  UploadConstantRowData(1, 2, none, sizeof none);
}

TEST_F(DrawPixels, AnUnchangedConstantRowReachesNoGlCall) {
  float row[4] = {0.5f, 0.25f, 0, 1};
  UploadConstantRowData(1, 2, row, sizeof row);
  uint64_t calls = GfxGlCallCount();
  uint32_t uploads = ConstantUploadCount;
  UploadConstantRowData(1, 2, row, sizeof row);
  UploadConstantRowData(1, 2, row, sizeof row);
  EXPECT_EQ(GfxGlCallCount(), calls);
  EXPECT_EQ(ConstantUploadCount, uploads);
  row[0] = 0.75f;
  UploadConstantRowData(1, 2, row, sizeof row);
  EXPECT_GT(GfxGlCallCount(), calls);
  const float none[4] = {};
  UploadConstantRowData(1, 2, none, sizeof none);  // the lamp colour row back as drawing finds it
}

}  // namespace
