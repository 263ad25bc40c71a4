// shapes_2d_gpu_test.cpp - the 2D routines on a real GL context, read back: a filled rectangle
// covers exactly its pixels, a one-pixel line lights one row or one column, a bevel box shows
// its light and dark edges (swapped when pressed), and the pointer picture turned a quarter
// shows its tip at the predicted corner.  The picture is written as gpu/shapes_2d.png.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/window_state.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/ui/png_test_util.h"
#include "text/text_colours.h"
#include "ui/bevel_box.h"
#include "ui/shapes_2d.h"

namespace {

constexpr int WIDTH = 320, HEIGHT = 240;

class Shapes2DPicture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ready_ = StartTestDevice(WIDTH, HEIGHT); }
  static void TearDownTestSuite() { StopTestDevice(); }
  ZKTETexture target{};

  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(MakeTestTarget(target, WIDTH, HEIGHT));
    ScreenWidth = WIDTH;
    ScreenHeight = HEIGHT;
    Projection.aspect = float(HEIGHT) / float(WIDTH);
    Projection.inverseAspect = float(WIDTH) / float(HEIGHT);
    SetDefaultTextColours();
  }
  void TearDown() override {
    ReleaseSystemTextures();
    Projection = FrameProjection{};
    if (!target.texture) return;
    ReleaseTestTarget(target);
  }
  std::vector<uint8_t> Finish() {
    FlushDraw2D();
    std::vector<uint8_t> p = ReadTargetPixels(target);
    while (RenderTargets.depth > 0) UnsetRenderTarget();
    return p;
  }
  static const uint8_t* At(const std::vector<uint8_t>& p, int x, int y) { return &p[(size_t(y) * WIDTH + x) * 4]; }
  static int Sum(const uint8_t* q) { return q[0] + q[1] + q[2]; }
  static bool Dark(const uint8_t* q) { return Sum(q) < 30; }
  static inline bool ready_ = false;
};

TEST_F(Shapes2DPicture, RectanglesLinesAndBevelBoxesLightTheirPixels) {
  ASSERT_TRUE(BeginTestFrame2D(target));
  FillRect2D(10, 10, 30, 20, 0xFFFF0000u);
  DrawPending2DTriangles(0);
  ASSERT_EQ(BeginLineBatch2D(), 1);
  EmitHLine2D(40, 40, 120, 0xFFFFFFFFu);
  EmitVLine2D(150, 30, 90, 0xFFFFFFFFu);
  EndLineBatch2D();
  const uint32_t face = RgbWord(180, 180, 180);  // light 217, dark 140
  DrawBevelBox(face, 0, 180, 20, 260, 80, 6);
  DrawBevelBox(face, 1, 180, 120, 260, 180, 6);
  DrawPending2DTriangles(0);
  const std::vector<uint8_t> p = Finish();
  ASSERT_TRUE(WritePng("gpu/shapes_2d.png", p, WIDTH, HEIGHT));

  for (int y = 10; y < 20; ++y)
    for (int x = 10; x < 30; ++x) ASSERT_GT(At(p, x, y)[0], 200) << x << ", " << y;
  for (int x = 10; x < 30; ++x) {
    EXPECT_TRUE(Dark(At(p, x, 9))) << x;
    EXPECT_TRUE(Dark(At(p, x, 20))) << x;
  }
  for (int y = 10; y < 20; ++y) {
    EXPECT_TRUE(Dark(At(p, 9, y))) << y;
    EXPECT_TRUE(Dark(At(p, 30, y))) << y;
  }

  EXPECT_GT(Sum(At(p, 80, 40)), 600) << "the line's row";
  EXPECT_TRUE(Dark(At(p, 80, 39)));
  EXPECT_TRUE(Dark(At(p, 80, 41)));
  EXPECT_GT(Sum(At(p, 150, 60)), 600) << "the line's column";
  EXPECT_TRUE(Dark(At(p, 149, 60)));
  EXPECT_TRUE(Dark(At(p, 151, 60)));

  const int faceSum = Sum(At(p, 220, 50));
  EXPECT_GT(Sum(At(p, 220, 20)), faceSum + 45) << "the top edge is light";
  EXPECT_LT(Sum(At(p, 220, 79)), faceSum - 45) << "the bottom edge is dark";
  EXPECT_GT(Sum(At(p, 180, 50)), faceSum + 45) << "the left edge is light";
  EXPECT_LT(Sum(At(p, 220, 120)), faceSum - 45) << "pressed: the top edge is dark";
  EXPECT_GT(Sum(At(p, 220, 179)), faceSum + 45) << "pressed: the bottom edge is light";
}

TEST_F(Shapes2DPicture, ThePointerTurnedAQuarterShowsItsTipUpperRight) {
  const char* work = std::getenv("ZKT_WORK_DIR");
  const std::string name = std::string(SYSTEM_SPRITE_NAMES[SYSTEM_SPRITE_COUNT - 1]) + ".png";
  const std::filesystem::path from = std::filesystem::path(work ? work : "") / "data/png" / name;
  if (!work || !std::filesystem::exists(from)) GTEST_SKIP() << "the sprite sheet was not drawn";
  std::filesystem::remove_all("data");
  std::filesystem::create_directories("data/png");
  std::filesystem::copy_file(from, "data/png/" + name);
  const int savedCompressed = CfgCompressedTex;
  CfgCompressedTex = 0;
  LoadSystemTextures();
  CfgCompressedTex = savedCompressed;
  ASSERT_NE(SystemMaterials.spriteSheet, nullptr);

  ASSERT_TRUE(BeginTestFrame2D(target));
  RenderStates.pendingBlend = 2;
  FlushStates();
  // Centre (160, 120), each corner 60 pixels across and as many up or down.
  DrawRotatedPicture(0xFFFFFFFFu, 1.5707963f, 0.0f, 0.0f, 0.375f * 1.4142136f);
  Draw2DList.CloseOpenBatch();
  const std::vector<uint8_t> p = Finish();
  ASSERT_TRUE(WritePng("gpu/shapes_2d_pointer.png", p, WIDTH, HEIGHT));
  // The tip lies in the upper right corner of the square (x 100..220, y 60..180); the pointer
  // turned a quarter points up and to the right, its far corner stays empty.
  int brightest = 0;
  for (int y = 64; y < 76; ++y)
    for (int x = 204; x < 216; ++x) brightest = std::max(brightest, Sum(At(p, x, y)));
  EXPECT_GT(brightest, 300) << "the tip, upper right";
  EXPECT_TRUE(Dark(At(p, 108, 172))) << "nothing at the lower left";
  EXPECT_TRUE(Dark(At(p, 212, 172))) << "nothing at the lower right";
}

}  // namespace
