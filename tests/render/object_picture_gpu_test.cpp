// object_picture_gpu_test.cpp - object pictures on a real GL context: each background mode
// shows its background and the texture layout's pixels (shaded, black with a white halo, the
// two wireframes), at 2048 and at 1024; the layers choose the parts; the editor's ground is
// made once and drawn.  The device is made by the environment of render_gpu_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "core/config.h"
#include "render/device.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/object_picture.h"
#include "render/render_target.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/render/mesh_fixtures.h"

namespace {

class ObjectPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
    savedOptions_ = CfgEditorOptions;
    solid_ = KeyMaterial(201, 0, WhitePlaceholder);
    alpha_ = KeyMaterial(202, 1, WhitePlaceholder);
    mesh_ = NewGouraud();
    AllocateMeshArrays(*mesh_, 6, 2, 2);
    mesh_->parts[0] = GouraudPart{0, solid_, 3, 1};
    mesh_->parts[1] = GouraudPart{1, alpha_, 3, 1};
    const float uv[6][2] = {{0.25f, 0.25f}, {0.75f, 0.25f}, {0.25f, 0.75f},
                            {0.6f, 0.6f},   {0.9f, 0.6f},   {0.6f, 0.9f}};
    for (int i = 0; i < 6; ++i) {
      GouraudPoint& p = mesh_->points[i];
      p.u = uv[i][0];
      p.v = uv[i][1];
      // Facing the picture's light: shaded at full strength.
      p.nx = 0.30151134f;
      p.ny = -0.30151134f;
      p.nz = 0.90453403f;
      p.colour = &red_;
    }
    for (int t = 0; t < 2; ++t)
      for (int c = 0; c < 3; ++c) mesh_->triangles[t].index[c] = uint16_t(3 * t + c);
  }
  void TearDown() override {
    if (Gfx.initState != 2) return;
    DeleteDrawMesh(mesh_);
    ReleaseMaterial(solid_);
    ReleaseMaterial(alpha_);
    CfgEditorOptions = savedOptions_;
  }

  // The picture's pixels (RGBA, sRGB bytes) and its side.
  std::vector<uint8_t> Picture(int layers, int mode, int* size) {
    ZKTETexture* t = DrawObjectPicture(nullptr, *mesh_, layers, mode);
    std::vector<uint8_t> pixels;
    if (!t) return pixels;
    *size = t->width;
    EXPECT_EQ(t->width, t->height);
    EXPECT_TRUE(t->secondTexture) << "drawn with samples";
    pixels.resize(size_t(t->width) * t->height * 4);
    EXPECT_TRUE(GfxReadTexturePixels(Gfx.context, t->texture, 0, pixels.data(), pixels.size()));
    FreeTextureRecord(t);
    EXPECT_EQ(RenderTargets.depth, 0) << "back on the screen";
    return pixels;
  }
  static const uint8_t* At(const std::vector<uint8_t>& p, int size, float u, float v) {
    const int x = std::clamp(int(u * float(size)), 0, size - 1), y = std::clamp(int(v * float(size)), 0, size - 1);
    return &p[(size_t(y) * size_t(size) + size_t(x)) * 4];
  }
  // The darkest and the brightest red in a 7 x 7 window about a pixel.
  static void RedRange(const std::vector<uint8_t>& p, int size, int x, int y, int* low, int* high) {
    *low = 255;
    *high = 0;
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx) {
        const int v = p[(size_t(y + dy) * size_t(size) + size_t(x + dx)) * 4];
        *low = std::min(*low, v);
        *high = std::max(*high, v);
      }
  }

  GouraudColour red_{255, 0, 0, 0};
  GouraudO3d* mesh_ = nullptr;
  Material* solid_ = nullptr;
  Material* alpha_ = nullptr;
  uint32_t savedOptions_ = 0;
};

TEST_F(ObjectPictures, EachModeShowsItsBackgroundAndTheLayout) {
  const uint8_t grey = SrgbByte(176.0f / 255.0f);
  for (int small : {0, 1}) {
    CfgEditorOptions = small ? (savedOptions_ | EDITOR_OPTION_SMALL_PICTURE) : (savedOptions_ & ~EDITOR_OPTION_SMALL_PICTURE);
    const int expectedSize = small ? 1024 : 2048;
    EXPECT_EQ(ObjectPictureSize(), expectedSize);
    int size = 0;

    std::vector<uint8_t> p = Picture(PICTURE_LAYER_SOLID, PICTURE_SHADED, &size);
    ASSERT_EQ(size, expectedSize);
    EXPECT_NEAR(At(p, size, 0.1f, 0.1f)[0], grey, 1) << "grey background";
    EXPECT_NEAR(At(p, size, 0.35f, 0.35f)[0], 255, 2) << "the texture times the red points, fully lit";
    EXPECT_LE(At(p, size, 0.35f, 0.35f)[1], 2);

    p = Picture(PICTURE_LAYER_SOLID, PICTURE_HALO, &size);
    const int halo = small ? 2 : 4;
    const int edge = size / 4;  // the triangle's top edge
    EXPECT_EQ(At(p, size, 0.1f, 0.1f)[0], 0) << "black background";
    EXPECT_EQ(At(p, size, 0.35f, 0.35f)[0], 0) << "the triangles black";
    EXPECT_EQ(p[(size_t(edge - halo / 2 - 1) * size + size_t(size / 2)) * 4], 255) << "the halo white above the edge";
    EXPECT_EQ(p[(size_t(edge - halo - 3) * size + size_t(size / 2)) * 4], 0) << "black beyond the halo";

    int low = 0, high = 0;
    p = Picture(PICTURE_LAYER_SOLID, PICTURE_WIRE_ON_WHITE, &size);
    EXPECT_EQ(At(p, size, 0.1f, 0.1f)[0], 255) << "white background";
    EXPECT_EQ(At(p, size, 0.35f, 0.35f)[0], 255) << "the inside is not filled";
    RedRange(p, size, size / 2, edge, &low, &high);
    EXPECT_LT(low, 200) << "a dark edge (an edge on a pixel border covers half of two rows)";

    p = Picture(PICTURE_LAYER_SOLID, PICTURE_WIRE_ON_BLACK, &size);
    EXPECT_EQ(At(p, size, 0.1f, 0.1f)[0], 0);
    EXPECT_EQ(At(p, size, 0.35f, 0.35f)[0], 0);
    RedRange(p, size, size / 2, edge, &low, &high);
    EXPECT_GT(high, 100) << "a white edge";
  }
}

TEST_F(ObjectPictures, TheLayersChooseTheParts) {
  int size = 0;
  const uint8_t grey = SrgbByte(176.0f / 255.0f);
  std::vector<uint8_t> p = Picture(PICTURE_LAYER_SOLID, PICTURE_SHADED, &size);
  EXPECT_NEAR(At(p, size, 0.65f, 0.65f)[0], grey, 1) << "the alpha part left out";
  p = Picture(PICTURE_LAYERS_BOTH, PICTURE_SHADED, &size);
  EXPECT_GT(At(p, size, 0.65f, 0.65f)[0], grey + 5) << "the alpha part blended over the grey";
  EXPECT_LT(At(p, size, 0.65f, 0.65f)[1], grey - 5);
  p = Picture(PICTURE_LAYER_ALPHA, PICTURE_SHADED, &size);
  EXPECT_NEAR(At(p, size, 0.35f, 0.35f)[0], grey, 1) << "the solid part left out";
}

TEST_F(ObjectPictures, TheEditorGroundIsMadeOnceAndDrawnUnderTheView) {
  // A target of our own, the view straight down onto the ground: x, y of the world across the
  // target, 10 m from edge to edge, the ground's depth in the middle of the range.
  ZKTETexture* target = CreateZKTETextureRT("GROUNDTEST~T", 32, 32, GFX_FORMAT_R8G8B8A8_UNORM_SRGB, RT_DEPTH_16);
  ASSERT_NE(target, nullptr);
  ASSERT_EQ(SetRenderTexture(target, 0, 0, 0), 1);
  ClearRGBA(std::array<float, 4>{0.0f, 0.0f, 1.0f, 1.0f}.data());
  float view[16], projection[16];
  std::copy(ViewMatrix, ViewMatrix + 16, view);
  std::copy(ProjectionMatrix, ProjectionMatrix + 16, projection);
  SetIdentityMatrix(ViewMatrix);
  SetIdentityMatrix(ProjectionMatrix);
  ProjectionMatrix[0] = ProjectionMatrix[5] = 0.1f;
  ProjectionMatrix[14] = 0.5f;
  DrawEditorGround();
  DrawEditorGround();
  UnsetRenderTarget();
  std::copy(view, view + 16, ViewMatrix);
  std::copy(projection, projection + 16, ProjectionMatrix);
  std::vector<uint8_t> p(32 * 32 * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, target->texture, 0, p.data(), p.size()));
  const uint8_t* centre = &p[(16 * 32 + 16) * 4];
  EXPECT_GT(centre[0], 60) << "the ground's grey over the blue";
  const uint8_t* corner = &p[0];
  EXPECT_EQ(corner[0], 0) << "beyond the disc";
  // The disc's ring is even about the x axis and the y axis: just above and just below the x
  // axis, 5.3 m out to the right and to the left, the ground shows alike (no wedge missing
  // where the ring starts).
  for (int row : {15, 16}) {
    const uint8_t* right = &p[(size_t(row) * 32 + 24) * 4];
    const uint8_t* left = &p[(size_t(row) * 32 + 7) * 4];
    EXPECT_GT(right[0], 10) << "row " << row;
    EXPECT_NEAR(right[0], left[0], 2) << "row " << row;
  }
  ZKTETexture* ground = AddTextureRef("EDGROUND~T", 0);
  ASSERT_NE(ground, nullptr) << "its texture is kept";
  // The ground's picture: 64 x 64, grey 96 + 64 f and alpha 255 sqrt(f), where f falls from 1
  // at the centre (31.5, 31.5) to 0 at 32 texels from it and stays 0 beyond (the corners).
  std::vector<uint8_t> g(64 * 64 * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, ground->texture, 0, g.data(), g.size()));
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{63, 0}, std::pair{32, 32}, std::pair{0, 32}, std::pair{20, 50}}) {
    const double f = std::max(0.0, 1.0 - std::hypot(x - 31.5, y - 31.5) / 32.0);
    const uint8_t* q = &g[(size_t(y) * 64 + size_t(x)) * 4];
    EXPECT_EQ(q[0], 96 + std::lround(64.0 * f)) << x << "," << y;
    EXPECT_EQ(q[2], q[0]) << x << "," << y;
    EXPECT_EQ(q[3], std::lround(255.0 * std::sqrt(f))) << x << "," << y;
  }
  FreeTextureRecord(target);
}

TEST_F(ObjectPictures, TheEditorFrameIsClearedToTheViewsAmbientOnceAFrame) {
  ZKTETexture* target = CreateZKTETextureRT("CLEARTEST~T", 8, 8, GFX_FORMAT_R8G8B8A8_UNORM_SRGB, RT_DEPTH_16);
  ASSERT_NE(target, nullptr);
  ASSERT_EQ(SetRenderTexture(target, 0, 0, 0), 1);
  const float saved[3] = {CurrentView->ambient[0], CurrentView->ambient[1], CurrentView->ambient[2]};
  CurrentView->ambient[0] = 0.5f;
  CurrentView->ambient[1] = 0.0f;
  CurrentView->ambient[2] = 0.25f;
  EditorFrameCleared = 0;
  EXPECT_EQ(BeginEditorFrameClear(), 1);
  CurrentView->ambient[0] = 1.0f;
  EXPECT_EQ(BeginEditorFrameClear(), 0) << "once a frame";
  EditorFrameCleared = 0;
  EditorDrawingOff = 1;
  EXPECT_EQ(BeginEditorFrameClear(), 0) << "nothing is cleared while drawing is off";
  EditorDrawingOff = 0;
  UnsetRenderTarget();
  std::vector<uint8_t> p(8 * 8 * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, target->texture, 0, p.data(), p.size()));
  EXPECT_NEAR(p[0], SrgbByte(0.5f), 1);
  EXPECT_EQ(p[1], 0);
  EXPECT_NEAR(p[2], SrgbByte(0.25f), 1);
  EXPECT_EQ(p[3], 255);
  for (int i = 0; i < 3; ++i) CurrentView->ambient[i] = saved[i];
  FreeTextureRecord(target);
}

}  // namespace
