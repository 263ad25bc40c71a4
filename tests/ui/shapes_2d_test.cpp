// shapes_2d_test.cpp - what the 2D routines put into the renderer's lists on the null device:
// pixels to device units, lines on pixel centres and dropped while no line batch is open,
// the flushes at 5120 and 16382 vertices, bevel shades (swapped when pressed, one colour in
// mode 255), pictures cut into batches per picture, the pointer turned about its centre, the
// textured rectangles' three fits; and the default audio device read from the configuration.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/gamma_tables.h"
#include "render/buffers.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "tests/render/null_renderer.h"
#include "text/text_colours.h"
#include "ui/bevel_box.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/screen_labels.h"
#include "ui/shapes_2d.h"

namespace {

constexpr float W = 800, H = 600;  // the null renderer's screen

class Shapes2D : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    if (Stream2D.batchOpen) DrawPending2DTriangles(0);
    ResetDraw2D();
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
    Projection.aspect = H / W;
    Projection.inverseAspect = W / H;
  }
  void TearDown() override {
    if (Stream2D.batchOpen) Stream2D.UnlockBuffer();
    Stream2D.batchOpen = 0;
    ResetDraw2D();
    Projection = FrameProjection{};
  }
  // The stream's vertices written so far, read back after drawing them.
  static std::vector<Vertex2D> DrawnStream(uint32_t count, bool lines) {
    if (lines)
      EndLineBatch2D();
    else
      DrawPending2DTriangles(0);
    std::vector<uint8_t> bytes = ReadBuffer(Stream2D.vertexBuffer->buffer);
    std::vector<Vertex2D> out;
    for (uint32_t i = 0; i < count; ++i) out.push_back(VertexAt<Vertex2D>(bytes, i));
    return out;
  }
};

TEST_F(Shapes2D, RectanglesAndLinesLandOnPixelsAndFlushAtTheirLimits) {
  FillRect2D(100, 50, 300, 150, 0xFF00FF00u);
  ASSERT_EQ(Stream2D.vertexCount, 4u);
  std::vector<Vertex2D> v = DrawnStream(4, false);
  EXPECT_FLOAT_EQ(v[0].x, 2.0f * 100 / W - 1.0f);
  EXPECT_FLOAT_EQ(v[0].y, 1.0f - 2.0f * 50 / H);
  EXPECT_FLOAT_EQ(v[2].x, 2.0f * 300 / W - 1.0f);
  EXPECT_FLOAT_EQ(v[2].y, 1.0f - 2.0f * 150 / H);
  EXPECT_EQ(v[2].u, 1.0f);
  EXPECT_EQ(v[2].v, 1.0f);

  for (int i = 0; i < 1280; ++i) FillRect2D(0, 0, 1, 1, 0xFFFFFFFFu);
  EXPECT_EQ(Stream2D.vertexCount, 5120u);
  uint32_t draws = Gfx.drawCalls;
  FillRect2D(0, 0, 1, 1, 0xFFFFFFFFu);
  EXPECT_EQ(Gfx.drawCalls, draws + 1) << "5120 vertices are drawn before the next shape";
  EXPECT_EQ(Stream2D.vertexCount, 4u);
  DrawPending2DTriangles(0);

  EmitHLine2D(0, 10, 50, 0xFFFFFFFFu);
  EXPECT_FALSE(Stream2D.batchOpen) << "a line without an open line batch is dropped";
  ASSERT_EQ(BeginLineBatch2D(), 1);
  EmitHLine2D(10, 20, 60, 0xFFFF0000u);
  EmitVLine2D(30, 5, 25, 0xFFFF0000u);
  v = DrawnStream(4, true);
  EXPECT_FLOAT_EQ(v[0].x, 2.0f * 10.5f / W - 1.0f) << "half a pixel in";
  EXPECT_FLOAT_EQ(v[0].y, 1.0f - 2.0f * 20.5f / H);
  EXPECT_FLOAT_EQ(v[1].y, v[0].y);
  EXPECT_FLOAT_EQ(v[2].x, v[3].x);

  ASSERT_EQ(BeginLineBatch2D(), 1);
  for (int i = 0; i < 8191; ++i) EmitLine2D(0xFFFFFFFFu, 0, 0, 1, 1);
  EXPECT_EQ(Stream2D.vertexCount, 16382u);
  draws = Gfx.drawCalls;
  EmitLine2D(0xFFFFFFFFu, 0, 0, 1, 1);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(Stream2D.vertexCount, 2u) << "a new line batch holds the line";
  EndLineBatch2D();
}

TEST_F(Shapes2D, BevelBoxesShadeThroughTheBrightnessTableAndSwapWhenPressed) {
  const uint32_t c = RgbWord(100, 40, 200);
  auto argb = [](int r, int g, int b) { return ApplyBrightnessTable(0xFF000000u | r << 16 | g << 8 | b); };
  const uint32_t face = argb(100, 40, 200), light = argb(177, 147, 227), dark = argb(100, 70, 150);
  struct Case {
    int mode;
    uint32_t top, bottom;
  };
  const uint32_t red = TextColours.red;
  const uint32_t redVertex = argb(red & 0xFF, red >> 8 & 0xFF, red >> 16 & 0xFF);
  for (const Case& k : {Case{0, light, dark}, Case{1, dark, light}, Case{255, redVertex, redVertex}}) {
    DrawBevelBox(c, k.mode, 10, 10, 110, 60, 4);
    const std::vector<Vertex2D> v = DrawnStream(20, false);
    EXPECT_EQ(v[0].colour, face) << k.mode;
    EXPECT_EQ(v[4].colour, k.top) << "the top edge, mode " << k.mode;
    EXPECT_EQ(v[6].colour, face) << "inner corners take the face colour";
    EXPECT_EQ(v[14].colour, k.bottom) << "the bottom edge, mode " << k.mode;
    EXPECT_FLOAT_EQ(v[0].x, 2.0f * 14 / W - 1.0f) << "the face is inset by the bevel";
  }
}

// The wide form's bevel is a quarter of the box's width across and of its height down, and
// any state but 0 swaps its edges (255 too: only the plain form turns red).
TEST_F(Shapes2D, WideBevelBoxesTakeAQuarterOfEachSideAndSwapForAnyState) {
  const uint32_t c = RgbWord(100, 40, 200);
  auto argb = [](int r, int g, int b) { return ApplyBrightnessTable(0xFF000000u | r << 16 | g << 8 | b); };
  const uint32_t light = argb(177, 147, 227), dark = argb(100, 70, 150);
  for (const auto& [state, top] : {std::pair{0, light}, std::pair{1, dark}, std::pair{255, dark}}) {
    DrawBevelBoxWide(c, state, 10, 10, 110, 50);  // 100 x 40: bevels of 25 and 10
    const std::vector<Vertex2D> v = DrawnStream(20, false);
    EXPECT_FLOAT_EQ(v[0].x, 2.0f * 35 / W - 1.0f) << state;
    EXPECT_FLOAT_EQ(v[0].y, 1.0f - 2.0f * 20 / H) << state;
    EXPECT_FLOAT_EQ(v[2].x, 2.0f * 85 / W - 1.0f) << state;
    EXPECT_FLOAT_EQ(v[2].y, 1.0f - 2.0f * 40 / H) << state;
    EXPECT_EQ(v[4].colour, top) << "the top edge, state " << state;
  }
}

// A blended box and a bevel box are recorded as fills over the pixels they cover, the blended
// one in its own colour, the bevel box in its face colour, opaque.
TEST_F(Shapes2D, BlendedAndBevelBoxesAreRecordedWhereTheyAreDrawn) {
  StartFrameRecord();
  DrawBlendedBox(0x80102030u, 10.0f, 20.0f, 110.0f, 60.0f);
  DrawBevelBox(RgbWord(1, 2, 3), 0, 5.0f, 6.0f, 50.0f, 40.0f, 4.0f);
  ASSERT_EQ(DrawRecord.size(), 2u);
  const DrawRecordEntry& blended = DrawRecord[0];
  EXPECT_EQ(blended.colour, 0x80102030u);
  EXPECT_FLOAT_EQ(blended.left, 10.0f);
  EXPECT_FLOAT_EQ(blended.top, 20.0f);
  EXPECT_FLOAT_EQ(blended.right, 110.0f);
  EXPECT_FLOAT_EQ(blended.bottom, 60.0f);
  const DrawRecordEntry& bevel = DrawRecord[1];
  EXPECT_EQ(bevel.colour, 0xFF010203u);
  EXPECT_FLOAT_EQ(bevel.left, 5.0f);
  EXPECT_FLOAT_EQ(bevel.top, 6.0f);
  EXPECT_FLOAT_EQ(bevel.right, 50.0f);
  EXPECT_FLOAT_EQ(bevel.bottom, 40.0f);
  StartFrameRecord();
}

// Screen labels without text are small boxes: kinds 1 to 5 in red, green, orange, yellow and
// light orange; kind 0 in the panel grey, faded with depth to two thirds at the deepest.  Each
// label is drawn as a batch of its own, so the stream's start holds the last one drawn.
TEST_F(Shapes2D, ScreenLabelsTakeTheirKindsColourOrFadeWithDepth) {
  auto argb = [](ColourWord c) { return ApplyBrightnessTable(0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF)); };
  SetInterfaceRectangleToScreen();
  SetDefaultTextColours();
  const ColourWord kinds[5] = {TextColours.red, TextColours.green, TextColours.orange, TextColours.yellow,
                               TextColours.lightOrange};
  EXPECT_EQ(TextColours.lightOrange & 0xFFFFFF, 0xA0D2FFu);
  for (int kind = 1; kind <= 5; ++kind) {
    ClearScreenLabels();
    ASSERT_EQ(AddScreenLabel(100, 0, 0, kind, nullptr, 0, LABEL_SQUARE, 200, 200), 1);
    DrawScreenLabels();
    EXPECT_EQ(DrawnStream(1, false)[0].colour, argb(kinds[kind - 1])) << "kind " << kind;
  }
  // Kind 0 between keys 1000 (a label off the screen) and 4000: 65536 - 65536 d / 9000 of
  // each channel in 16.16, d the label's depth past the nearest.
  const ColourWord grey = TextColours.panelGrey;
  for (const auto& [key, keep] : {std::pair{4000, 43691}, std::pair{2500, 54614}, std::pair{1000, 65536}}) {
    ClearScreenLabels();
    AddScreenLabel(1000, 0, 0, 0, nullptr, 0, LABEL_SQUARE, -50, 200);
    AddScreenLabel(4000, 0, 0, 0, nullptr, 0, LABEL_SQUARE, -50, 200);
    ASSERT_EQ(AddScreenLabel(key, 0, 0, 0, nullptr, 0, LABEL_SQUARE, 200, 200), 1);
    DrawScreenLabels();
    ColourWord faded = 0;
    for (int shift = 0; shift < 24; shift += 8) faded |= ((grey >> shift & 0xFF) * uint32_t(keep) >> 16) << shift;
    EXPECT_EQ(DrawnStream(1, false)[0].colour, argb(faded)) << "key " << key;
  }
  ClearScreenLabels();
}

TEST_F(Shapes2D, PicturesCutBatchesThePointerTurnsAndTexturesFitTheirRectangles) {
  Draw2D& list = Draw2DList;
  list.UseTexture(INTERFACE_POINTER_PICTURE);
  const uint32_t batches = list.counters.batchCount;
  list.UseTexture(INTERFACE_POINTER_PICTURE);
  EXPECT_EQ(list.counters.batchCount, batches) << "the same picture keeps its batch";
  list.AddRect(0xFFFFFFFFu, 1, 0.0f, 0.0f, 0.1f);
  EXPECT_NEAR(list.vertices[list.counters.vertexCount - 1].y, -0.1f * W / H, 1e-6) << "square on the screen";
  list.UseTexture(0);
  EXPECT_EQ(list.counters.batchCount, batches + 1) << "another picture closes the batch";
  list.CloseOpenBatch();
  EXPECT_EQ(list.boundPicture, -1);
  EXPECT_EQ(list.counters.batchOpen, 0);

  // A quarter turn brings the picture's top left corner (the pointer's tip) to the upper right.
  const uint32_t first = list.counters.vertexCount;
  DrawRotatedPicture(0xFFFFFFFFu, 1.5707963f, 0.2f, 0.3f, 0.1f);
  const Draw2DVertex& tip = list.vertices[first];
  EXPECT_NEAR(tip.x, 0.2f + 0.1f * 0.70710678f, 1e-5);
  EXPECT_NEAR(tip.y, -(0.3f - 0.1f * 0.70710678f * W / H), 1e-5) << "y runs down: upward";
  PictureCell p{};
  ASSERT_EQ(FindInterfacePicture(415, p), 1);
  EXPECT_NEAR(tip.u, p.u0 + 0.025f / 32.0f, 1e-6) << "2.5 % inside the cell";
  EXPECT_NEAR(p.u0, 31.0f / 32.0f, 1e-6);
  EXPECT_NEAR(p.v0, 12.0f / 32.0f, 1e-6);
  EXPECT_EQ(FindInterfacePicture(1024, p), 0);
  list.CloseOpenBatch();

  ZKTETexture texture{};
  Material m{};
  m.texture = &texture;
  texture.width = texture.height = 1;
  uint32_t before = list.counters.vertexCount;
  DrawTextureInRect(&m, 1, 0.5f, -0.5f, -0.5f, 0.5f);
  DrawTextureInRect(nullptr, 1, 0.5f, -0.5f, -0.5f, 0.5f);
  texture.width = texture.height = 64;
  DrawTextureInRect(&m, 2, 0.5f, -0.5f, 0.5f, 0.5f);
  EXPECT_EQ(list.counters.vertexCount, before) << "one texel, no texture or no height: nothing";

  // Two texels either way are enough; one texel in either direction is not.
  texture.width = 2;
  texture.height = 1;
  DrawTextureInRect(&m, 1, 0.5f, -0.5f, -0.5f, 0.5f);
  texture.width = 1;
  texture.height = 2;
  DrawTextureInRect(&m, 1, 0.5f, -0.5f, -0.5f, 0.5f);
  EXPECT_EQ(list.counters.vertexCount, before) << "one texel wide or high: nothing";
  texture.width = texture.height = 2;
  DrawTextureInRect(&m, 1, 0.5f, -0.5f, -0.5f, 0.5f);
  ASSERT_EQ(list.counters.vertexCount, before + 4) << "a 2 x 2 texture is drawn";
  EXPECT_NEAR(list.vertices[before].v, 0.25f, 1e-6) << "half a texel of two in";
  texture.width = texture.height = 64;
  before = list.counters.vertexCount;

  // A square texture in a square of the device: mode 2 narrows the quad to the screen's shape.
  DrawTextureInRect(&m, 2, 0.5f, -0.5f, -0.5f, 0.5f);
  const Draw2DVertex* q = &list.vertices[before];
  const float narrow = 0.5f * H / W;
  EXPECT_NEAR(q[0].x, -narrow, 1e-5);
  EXPECT_NEAR(q[1].x, narrow, 1e-5);
  EXPECT_NEAR(q[0].u, 0.5f / 64, 1e-6) << "half a texel in";
  // Mode 1 fills the height and shows the middle of the width that fits.
  DrawTextureInRect(&m, 1, 0.5f, -0.5f, -0.5f, 0.5f);
  q = &list.vertices[before + 4];
  EXPECT_NEAR(q[0].x, -0.5f, 1e-6);
  const float span = std::min(63.0f / 64.0f * W / H, 63.0f / 64.0f);
  EXPECT_NEAR(q[1].u - q[0].u, span, 1e-5);
  // Any other mode fills the width; the rectangle is taller than the texture on the screen
  // only when its height passes H / W of its width.
  DrawTextureInRect(&m, 0, 0.5f, -0.5f, -0.5f, 0.5f);
  q = &list.vertices[before + 8];
  const float vSpan = 63.0f / 64.0f * H / W;
  EXPECT_NEAR(q[3].v - q[0].v, vSpan, 1e-5);
  EXPECT_NEAR(q[0].y, 0.5f, 1e-6) << "the top edge stays (device units, y up)";
  EXPECT_EQ(list.counters.batchOpen, 0) << "each texture is a batch of its own";
  // A texture drawn while a picture's batch is open closes that batch first: the picture's
  // quad stays in it, and the picture must be bound afresh.
  list.UseTexture(INTERFACE_POINTER_PICTURE);
  list.AddRect(0xFFFFFFFFu, 1, 0.0f, 0.0f, 0.1f);
  const uint32_t pictureBatch = list.counters.batchCount - 1;
  DrawTextureInRect(&m, 1, 0.5f, -0.5f, -0.5f, 0.5f);
  EXPECT_EQ(list.boundPicture, -1);
  EXPECT_EQ(list.batches[pictureBatch].triangleCount, 2u);
  EXPECT_EQ(list.batches[list.counters.batchCount - 1].triangleCount, 2u);

  const uint32_t cornerFirst = list.counters.vertexCount;
  DrawTextureCorner(&m);
  const float s = std::min(H / 2, 512.0f);
  EXPECT_NEAR(list.vertices[cornerFirst].x, 2 * (W - s) / W - 1, 1e-5);
  EXPECT_NEAR(list.vertices[cornerFirst + 2].y, -1.0f, 1e-5) << "down to the bottom edge";

  const uint32_t topFirst = list.counters.vertexCount;
  DrawTextureTopRight(&m);
  EXPECT_EQ(TextureCornerSide(int(W), int(H)), int(s));
  EXPECT_NEAR(list.vertices[topFirst].x, 2 * (W - s) / W - 1, 1e-5);
  EXPECT_NEAR(list.vertices[topFirst].y, 1.0f, 1e-5) << "from the top edge (device units, y up)";
  EXPECT_NEAR(list.vertices[topFirst + 2].y, 1.0f - 2 * s / H, 1e-5);
  EXPECT_NEAR(list.vertices[topFirst + 2].x, 1.0f, 1e-5);

  // On a screen taller than 1024 pixels the corner stays 512 pixels across.
  EXPECT_EQ(TextureCornerSide(1600, 1200), 512);
  EXPECT_EQ(TextureCornerSide(800, 1024), 512);
  EXPECT_EQ(TextureCornerSide(800, 1000), 500);
  const int32_t screen[2] = {Gfx.screenWidth, Gfx.screenHeight};
  Gfx.screenWidth = 1600;
  Gfx.screenHeight = 1200;
  const uint32_t tallFirst = list.counters.vertexCount;
  DrawTextureCorner(&m);
  Gfx.screenWidth = screen[0];
  Gfx.screenHeight = screen[1];
  EXPECT_NEAR(list.vertices[tallFirst].x, 2.0f * (1600 - 512) / 1600 - 1, 1e-5);
  EXPECT_NEAR(list.vertices[tallFirst + 2].x, 1.0f, 1e-5);
}

}  // namespace
