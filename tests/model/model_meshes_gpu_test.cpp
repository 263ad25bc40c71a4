// model_meshes_gpu_test.cpp - meshes built from the sample box drawn on a real GL context in
// an orthographic front view: the flat mesh in its mapping colours, the textured mesh showing
// its page's texels under a fixed light.  Each picture is written to gpu/*.png.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/gamma_tables.h"
#include "model/model_meshes.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/object_mesh.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/model/model_test_util.h"
#include "tests/platform/skip_outside_ci.h"
#include "tools/model_gen/sample_models.h"
#include "tools/sprite_gen/sprite_shapes.h"

namespace {

constexpr int SIZE = 64;           // pixels of the picture
constexpr float PIXELS_PER_METRE = 32;
constexpr int PAGE = 16;           // texels of the test page, in 2 x 2 blocks of one colour
constexpr uint32_t CLEAR = 0xFF102030u;

Material* g_pageMaterial;
Material* PageOnly(const char* name, int, int, int, const CutoutMaterial&, int skin) {
  return !skin && std::string(name) == SAMPLE_PAGE_TEXTURE ? g_pageMaterial : nullptr;
}

// Block (bx, by) of the page: a colour of its own (red in byte 0, as GL reads it).
uint32_t BlockRgba(int bx, int by) {
  return uint32_t(30 * bx + 20) | uint32_t(30 * by + 15) << 8 | uint32_t(200 - 20 * bx) << 16 | 0xFFu << 24;
}
uint32_t AsArgb(uint32_t rgba) {
  return (rgba & 0xFF000000u) | (rgba & 0xFF) << 16 | (rgba & 0xFF00) | (rgba >> 16 & 0xFF);
}

class ModelMeshPixels : public ModelTest {
 protected:
  static void SetUpTestSuite() { ready_ = StartTestDevice(SIZE, SIZE); }
  static void TearDownTestSuite() { StopTestDevice(); }

  ZKTETexture target{}, page{};
  ModelObject box{};

  void SetUp() override {
    ModelTest::SetUp();
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE, true));
    ASSERT_EQ(SetRenderTexture(&target, 0, 0, 0), 1);
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
    const int32_t origin[3] = {0, 0, 0}, light[3] = {0, 0, 65536};
    const float forward[3] = {0, -1, 0};
    InitView(view_, origin, forward, light);
    MeshDisplay = MeshDisplaySettings{};
    CurrentWorldPass = 0;
    LookFromTheFront();
    LightEvenlyWithoutFog();
    DrawOpaqueBothFaces();
    Clear(CLEAR, 3);
    ResetTempMeshes();
    box.Init();
    BuildSampleBox(box);
  }
  void TearDown() override {
    box.Free();
    FindSkinTexture = FindPageTextureByName;
    if (ready_) {
      ResetTempMeshes();
      FreeAllFastMeshes();
      for (int slot = 0; slot < 3; ++slot) BindTextureSlot(slot, nullptr);
      FreeAllMaterials();
      ReleaseTexture(&page);
      ReleaseTestTarget(target);
      ResetTestMatrices();
      RenderStates.pendingDepth = 0;
      RenderStates.pendingRaster = 0;
      MeshDisplay = MeshDisplaySettings{};
      LightingMode = 0;
    }
    ModelTest::TearDown();
  }

  // From 10 m in front (+y) looking back along -y, 2 m across: world -x to the right of the
  // picture, z up, the box's middle (z = 0.5 m) on the picture's centre.
  static void LookFromTheFront() {
    // Rows: where world x, y and z go in view space (x right, y up, z forward).
    const float rows[3][3] = {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}};
    const float eye[3] = {0, 10, 0.5f};
    LookOrthographic(rows, eye, SIZE / PIXELS_PER_METRE);
  }

  // The picture column and row of a world point on the box's front.
  static int Column(double x) { return int(std::floor(SIZE / 2 - x * PIXELS_PER_METRE)); }
  static int Row(double z) { return int(std::floor(SIZE / 2 - (z - 0.5) * PIXELS_PER_METRE)); }

  std::vector<uint8_t> Pixels(const char* pngName) {
    std::vector<uint8_t> p = ReadTargetPixels(target);
    Canvas picture{SIZE, SIZE, p};
    WritePng(std::string("gpu/") + pngName, picture);
    return p;
  }
  static uint32_t At(const std::vector<uint8_t>& p, int x, int y) { return PixelArgb(p, SIZE, x, y); }

  static bool ready_;
  View view_{};
};
bool ModelMeshPixels::ready_ = false;

void ExpectNear(uint32_t got, uint32_t want, int tolerance, const std::string& what) {
  for (int shift = 0; shift < 32; shift += 8)
    EXPECT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), tolerance)
        << what << std::hex << " got " << got << " want " << want;
}

}  // namespace

TEST_F(ModelMeshPixels, TheFlatBoxShowsItsMappingColoursThroughTheBrightnessTable) {
  // Each of the box's three mappings in a colour of its own.
  const ColourWord colours[3] = {RgbWord(200, 40, 40), RgbWord(40, 180, 60), RgbWord(60, 80, 220)};
  for (int i = 0; i < 3; ++i) box.mappings[i].colour = colours[i];
  Obj3d* mesh = new Obj3d();
  mesh->Init();
  BuildModelObj3d(box, *mesh, nullptr, nullptr, 0, 1, nullptr, ~0u);
  LightingMode = 4;  // paint colours as they are
  mesh->Draw(0, nullptr);
  const std::vector<uint8_t> p = Pixels("model_box_flat.png");
  const ColourWord front = box.mappings[1].colour;  // "front"
  const uint32_t want = ApplyBrightnessTable(0xFF000000u | ColourRed(front) << 16 | ColourGreen(front) << 8 |
                                             ColourBlue(front));
  for (const double x : {-0.4, 0.0, 0.4})
    for (const double z : {0.1, 0.5, 0.9}) ExpectNear(At(p, Column(x), Row(z)), want, 1, "front face");
  for (const auto& [x, y] : {std::pair{2, 2}, std::pair{Column(0.6), Row(0.5)}, std::pair{Column(0), Row(1.1)}})
    EXPECT_EQ(At(p, x, y), CLEAR) << x << " " << y;
  DeleteDrawMesh(mesh);
}

TEST_F(ModelMeshPixels, TheTexturedBoxShowsItsPagesTexelsUnderAFixedLight) {
  ASSERT_TRUE(ShadersCompile(12, 38)) << "vs_12 and ps_38 compiled";
  // The page: 2 x 2 texel blocks, each block a colour of its own.
  std::vector<uint32_t> texels(PAGE * PAGE);
  for (int y = 0; y < PAGE; ++y)
    for (int x = 0; x < PAGE; ++x) texels[size_t(y * PAGE + x)] = BlockRgba(x / 2, y / 2);
  GfxTexture2DDesc d;
  d.width = d.height = PAGE;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxSubresourceData initial{texels.data(), uint32_t(4 * PAGE), 0};
  ASSERT_EQ(GfxCreateTexture2D(Gfx.device, d, &initial, &page.texture), GFX_OK);
  ASSERT_EQ(GfxCreateShaderResourceView(Gfx.device, page.texture, nullptr, &page.view), GFX_OK);
  page.width = page.height = PAGE;
  page.mipLevels = 1;
  page.format = d.format;
  std::snprintf(page.name, sizeof page.name, "%s", SAMPLE_PAGE_TEXTURE);
  MaterialParams params{};
  params.shineRed = params.shineGreen = params.shineBlue = 0xFF;
  g_pageMaterial = CreateMaterial(&page, 0, 0, 0, params, 0);
  FindSkinTexture = PageOnly;

  AssignMeshTextures(box, 2, ~0u);
  GouraudO3d* mesh = new GouraudO3d();
  mesh->Init();
  BuildModelMeshes(box, nullptr, *mesh, nullptr, 0, 0, nullptr, nullptr, ~0u);
  ASSERT_EQ(mesh->partCount, 1);
  const int batches = mesh->Draw(0, nullptr);
  ASSERT_EQ(batches, 1);
  DrawTempMeshRange(0, batches);
  const std::vector<uint8_t> p = Pixels("model_box_textured.png");

  // The front's mapping looks from the front: u = 0.5 + (0.5 - x) / 4 and v = 1 - z / 4 over
  // the checker region of the page (left half of its right half, bottom quarter).
  for (const double x : {-0.25, 0.25})
    for (const double z : {0.25, 0.75}) {
      const double u = 0.5 + (0.5 - x) / 4, v = 1 - z / 4;
      const int bx = int(u * PAGE) / 2, by = int(v * PAGE) / 2;
      ExpectNear(At(p, Column(x), Row(z)), AsArgb(BlockRgba(bx, by)), 2,
                 "block " + std::to_string(bx) + "," + std::to_string(by));
    }
  EXPECT_EQ(At(p, 2, 2), CLEAR);
  EXPECT_EQ(At(p, Column(0.7), Row(0.5)), CLEAR);
  DeleteDrawMesh(mesh);
}
