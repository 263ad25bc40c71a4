// views_gpu_test.cpp - the view's matrices on a real GL context: a small marker drawn at a
// world point through the view-projection matrix lands on the pixel the processor's
// projection gives for that point.  Runs in the same binary as the device tests, which
// make the device.
#include <gtest/gtest.h>

#include <vector>

#include "core/fixed_math.h"
#include "core/window_state.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"

namespace {

constexpr int TARGET_W = 96, TARGET_H = 64;

TEST(ViewsOnTheDevice, AMarkerDrawnAtAWorldPointLandsOnItsProjectedPixel) {
  if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
  InitSinCosTables();
  ZKTETexture target{};
  ASSERT_TRUE(MakeTestTarget(target, TARGET_W, TARGET_H, true));
  ASSERT_EQ(SetRenderTexture(&target, 0, 0, 0), 1);

  const int savedW = ScreenWidth, savedH = ScreenHeight;
  ScreenWidth = TARGET_W;
  ScreenHeight = TARGET_H;
  View view;
  struct PutBackMainView {
    ~PutBackMainView() { CurrentView = &MainView; }
  } putBack;  // this view lives on the stack of this test only
  const int32_t eye[3] = {2 << 16, -(3 << 16), 1 << 16};
  const float direction[3] = {0.3f, 0.9f, 0.3162f};
  const int32_t light[3] = {0, 0, 0x10000};
  InitView(view, eye, direction, light);
  view.roll = 0x0600;
  ComputeViewBasis();
  // Off-centre, with offsets that put the centre on whole pixels: the processor's centre is
  // rounded to a pixel and the shaders' is not.
  SetupViewRectangle(0, 0, TARGET_W, TARGET_H, 0.25f, -0.25f, 1.3f, 0.25f, 1);

  // The shader multiplies a row vector by the matrix it is given stored transposed.
  float transposed[16];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) transposed[c * 4 + r] = ViewMatrices.viewProjection[r * 4 + c];
  UploadConstantRowData(0, VS_ROW_MATRIX, transposed, sizeof transposed);  // the matrix row, bound in slot 0
  PlainTriangles triangles;
  ASSERT_TRUE(triangles.Start(12));
  RenderStates.pendingBlend = 0;
  RenderStates.pendingRaster = 0;
  RenderStates.pendingDepth = 0;

  // World points in front of the eye at several depths and places in the picture.
  const float places[4][3] = {{0.0f, 0.0f, 4.0f}, {0.9f, 0.5f, 7.0f}, {-1.5f, -0.4f, 12.0f}, {0.3f, -0.2f, 2.5f}};
  for (const auto& place : places) {
    float p[3];
    for (int i = 0; i < 3; ++i)
      p[i] = eye[i] / 65536.0f + place[0] * ViewBasis[0][i] + place[1] * ViewBasis[1][i] + place[2] * ViewBasis[2][i];
    const int32_t fixedPoint[3] = {int32_t(p[0] * 65536.0f), int32_t(p[1] * 65536.0f), int32_t(p[2] * 65536.0f)};
    float x, y;
    int32_t depth;
    ASSERT_EQ(ProjectPointToScreen(fixedPoint, &x, &y, &depth), 1);
    // A square marker 2.4 pixels across, square to the view, both windings so no culling
    // state can drop it.
    const float half = 1.2f * (depth / 65536.0f) / view.scale;
    float corner[4][3];
    const float signs[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    for (int k = 0; k < 4; ++k)
      for (int i = 0; i < 3; ++i)
        corner[k][i] = fixedPoint[i] / 65536.0f + half * (signs[k][0] * ViewBasis[0][i] + signs[k][1] * ViewBasis[1][i]);
    const int order[12] = {0, 1, 2, 2, 3, 0, 0, 2, 1, 2, 0, 3};
    PlainTriangles::Vertex v[12];
    for (int k = 0; k < 12; ++k) v[k] = {corner[order[k]][0], corner[order[k]][1], corner[order[k]][2], 0xFFFFFFFFu, 0, 0};
    Clear(0x00000000, 3);
    ASSERT_TRUE(triangles.Draw(v, 12));

    const std::vector<uint8_t> pixels = ReadTargetPixels(target);
    double sx = 0, sy = 0;
    int lit = 0;
    for (int j = 0; j < TARGET_H; ++j)
      for (int i = 0; i < TARGET_W; ++i)
        if (pixels[(size_t(j) * TARGET_W + i) * 4] > 128) {
          sx += i + 0.5;
          sy += j + 0.5;
          ++lit;
        }
    ASSERT_GT(lit, 0) << "nothing drawn for the point at depth " << place[2];
    EXPECT_LE(lit, 9);
    // The lit pixels' centres average to the marker's centre within half a pixel.
    EXPECT_NEAR(sx / lit, x, 0.55) << "depth " << place[2];
    EXPECT_NEAR(sy / lit, y, 0.55) << "depth " << place[2];
  }

  triangles.Stop();
  ReleaseTestTarget(target);
  ScreenWidth = savedW;
  ScreenHeight = savedH;
}

}  // namespace
