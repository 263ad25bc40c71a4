// placed_gpu_test.cpp - a tree and a placed box batched into render meshes and drawn by
// their layers on the device, seen from the side (looking along +y): bark on the trunk, the
// foliage texture in the crown, the box in its mapping colour, a start light's red lamp once
// its entry is drawn and the clear colour around them; and the tree's shadow pass into a
// shadow map.  The pictures go to gpu/placed_and_tree.png and gpu/tree_shadow_map.png.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "render/constant_buffers.h"
#include "render/draw_mesh.h"
#include "render/image_files.h"
#include "render/primitives.h"
#include "render/shaders.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/render/mesh_fixtures.h"
#include "tests/texconv/test_pictures.h"
#include "world/mesh_batching.h"
#include "world/placed_object.h"
#include "world/sphere_directions.h"
#include "world/tree.h"
#include "world/world.h"
#include "world_test_util.h"
#include "world_gpu_frame.h"

namespace {

constexpr int SIZE = 64;
constexpr double FIX = 65536.0;

class PlacedAndTree : public WorldDeviceTest<SIZE> {};

// The box model: 2 m on a side about the origin, one part of the box material, its points in
// the mapping colour.
Material* BoxMaterial = nullptr;
Material* LampMaterial = nullptr;  // the start lights' first red lamp
int BoxModel = 0, StartLightModel = 0;
constexpr uint32_t BOX_COLOUR = 0xFF2040E0;

int EntryOf(int index, PreGenEntryView& view) {
  view = {};
  view.sourceKind = SOURCE_MODEL;
  view.scale = 1.0f;
  view.model = index == 172 ? &StartLightModel : &BoxModel;
  return 1;
}
int MaterialsNamed(void* model, const char* name, Material** out, int room) {
  if (model != &StartLightModel || std::strcmp(name, "l_red1") != 0 || room < 1) return 0;
  out[0] = LampMaterial;
  return 1;
}
int LodMesh(void* model, const FixedTransform& t, int, BuiltMesh& mesh) {
  static const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  mesh.Free();
  mesh.points = new BuiltPoint[8]();
  mesh.triangles = new BuiltTriangle[12]();
  mesh.parts = new BuiltPart[1]();
  for (int i = 0; i < 8; ++i) {
    const IntVector c = {(i & 1 ? 1 : -1) << 16, (i & 2 ? 1 : -1) << 16, (i & 4 ? 1 : -1) << 16};
    IntVector w;
    TransformPoint(t, c, w);
    BuiltPoint& p = mesh.points[i];
    p.position[0] = w.x;
    p.position[1] = w.y;
    p.position[2] = w.z;
    p.normal[2] = 1.0f;
    p.shade = 255;
    p.colour = model == &StartLightModel ? 0xFF101010 : BOX_COLOUR;
  }
  for (int f = 0; f < 6; ++f) {
    mesh.triangles[2 * f] = {{uint32_t(faces[f][0]), uint32_t(faces[f][1]), uint32_t(faces[f][2])}, 0};
    mesh.triangles[2 * f + 1] = {{uint32_t(faces[f][0]), uint32_t(faces[f][2]), uint32_t(faces[f][3])}, 0};
  }
  mesh.parts[0] = {0, model == &StartLightModel ? LampMaterial : BoxMaterial, 8, 12};
  mesh.pointCount = 8;
  mesh.triangleCount = 12;
  mesh.partCount = 1;
  return 0;
}

// The tree of these pictures: its base at (-4, 0, -7), a 3 m trunk, four tips, foliage 3 m
// long and wide, white bark and foliage (the textures give the colours).
WTree* AddTestTree(Wld& world) {
  auto* tree = new WTree({-(4 << 16), 0, 0});
  tree->baseHeight = -7.0f;
  tree->branchLength = 3.0f;
  tree->trunkRadius = 0.5f;
  tree->tipCount = 4;
  tree->spread = 2;
  tree->seed = 9;
  tree->foliageLength = 3.0f;
  tree->foliageWidth = 3.0f;
  tree->barkColour = 0xFFFFFF;
  tree->foliageColour = 0xFFFFFF;
  tree->Setup();
  world.AddObjectToTable(tree);
  return tree;
}

bool Reddish(uint32_t argb) { return (argb >> 16 & 255) > (argb >> 8 & 255) + 30 && (argb >> 16 & 255) > 60; }
bool Greenish(uint32_t argb) { return (argb >> 8 & 255) > (argb >> 16 & 255) + 30 && (argb >> 8 & 255) > 60; }
bool Bluish(uint32_t argb) { return (argb & 255) > (argb >> 16 & 255) + 30 && (argb & 255) > 60; }

TEST_F(PlacedAndTree, BatchedAndDrawnByTheirLayers) {
  InitSinCosTables();
  InitSphereDirections();
  const WorldModelServices savedModels = WorldModels;
  const int savedGraphics = GraphicsEnabled;
  GraphicsEnabled = 1;
  ZKTETexture target{};
  ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE, true));
  ZKTETexture white = PlainTexture(0xFFFFFFFFu, "TEST~WHITE");
  ZKTETexture barkTexture = PlainTexture(0xFF2050E0u, "TEST~BARK");  // red-brown (bytes r, g, b, a)
  ZKTETexture leafTexture = PlainTexture(0xFF30E040u, "TEST~LEAF");  // green
  ASSERT_TRUE(BeginWorldFrame(target, LookAlongYFrom8m, LightEvenly));

  BoxMaterial = CreateMaterial(&white, 0, 0, 1, AlphaParams(0), 0);
  TreeBarkMaterials[0] = CreateMaterial(&barkTexture, 0, 0, 1, AlphaParams(0), 0);
  TreeFoliageMaterials[0] = CreateMaterial(&leafTexture, 0, 0, 1, AlphaParams(1), 0);
  WorldModelServices s = {};
  s.EntryOf = EntryOf;
  s.BuildLodMesh = LodMesh;
  s.MaterialsNamed = MaterialsNamed;
  WorldModels = s;
  LampMaterial = CreateMaterial(&white, 0, 0, 3, AlphaParams(0), 0);
  {
    Wld world;
    CWld = &world;
    // The box: 2 m on a side centred at (4, 0, 0).
    auto* box = new FObject({4 << 16, 0, 0});
    box->objectIndex = 1;
    box->Setup();
    box->BuildMeshes();
    world.AddObjectToTable(box);
    // The start lights: one lamp box, dark in the level, lit red in its lamp's entry, at
    // (4, 0, 5).
    auto* lights = new FObject({4 << 16, 0, 0});
    lights->objectIndex = 172;
    lights->heightMetres = 5.0f;
    lights->Setup();
    lights->BuildMeshes();
    world.AddObjectToTable(lights);
    // The tree: its base at (-4, 0, -7), a 3 m trunk, four tips, foliage 2 m long.
    WTree* tree = AddTestTree(world);
    BuildAllWorldMeshes(world);
    ASSERT_EQ(WorldRenderMeshes.size(), 2u) << "a batch a build list: placed objects, then trees";
    ASSERT_EQ(tree->renderMesh, 1);
    ASSERT_EQ(box->levels[0].renderMesh, 0);

    const uint32_t clear = 0xFF000000u;
    Clear(clear, 3);
    box->currentLevel = 0;
    box->DrawLayer1();
    tree->DrawLayer1();
    tree->DrawLayer4();
    const std::vector<uint8_t> p = ReadTargetPixels(target);
    // Pixel rows: z up the picture; try both ways the target may be stored.
    const auto at = [&](double x, double z) {
      const int column = 32 + int(std::lround(x * 4));
      const int rowUp = 32 - int(std::lround(z * 4));
      return PixelArgb(p, SIZE, column, rowUp);
    };
    EXPECT_TRUE(Bluish(at(4.0, 0.0))) << std::hex << at(4.0, 0.0) << " the box in its mapping colour";
    EXPECT_TRUE(Bluish(at(4.5, 0.5)));
    EXPECT_EQ(at(4.0, 3.0), clear) << "between the box and the lamp";
    // The lamp: dark in its level, red through the brightness table once its entry is drawn.
    ASSERT_EQ(lights->levels[0].startLights, START_LIGHTS_PRESENT | 1);
    FastMesh* lampMesh = GetWorldRenderMesh(lights->levels[0].renderMesh);
    ASSERT_NE(lampMesh, nullptr);
    lights->currentLevel = 0;
    Clear(clear, 3);
    lights->DrawLayer1();
    const uint32_t dark = PixelArgb(ReadTargetPixels(target), SIZE, 48, 32 - 20);
    EXPECT_FALSE(Reddish(dark)) << std::hex << dark;
    for (Primitive& part : lampMesh->parts)
      if (part.material == LampMaterial) part.DrawOnePart(uint32_t(lights->levels[0].entry) + 1, 3);
    const uint32_t lit = PixelArgb(ReadTargetPixels(target), SIZE, 48, 32 - 20);
    EXPECT_TRUE(Reddish(lit)) << std::hex << lit << " the red lamp";
    EXPECT_EQ(at(0.0, 0.0), clear) << "between them";
    EXPECT_TRUE(Reddish(at(-4.0, -6.0))) << std::hex << at(-4.0, -6.0) << " bark on the trunk";
    // The crown: the foliage of four tips round the top of the trunk and above it.
    int leaves = 0;
    for (int column = 0; column < 32; ++column)
      for (int row = 0; row < 24; ++row) leaves += Greenish(PixelArgb(p, SIZE, column, row));
    EXPECT_GT(leaves, 20) << "the foliage texture in the crown";
    EXPECT_EQ(at(-7.5, -7.5), clear) << "beside the trunk";

    // In a wind along +x the crown leans to the right; the trunk's foot stays.
    const auto leafColumns = [&](const std::vector<uint8_t>& pixels) {
      double sum = 0;
      int n = 0;
      for (int column = 0; column < 32; ++column)
        for (int row = 0; row < SIZE; ++row)
          if (Greenish(PixelArgb(pixels, SIZE, column, row))) sum += column, ++n;
      return n ? sum / n : 0.0;
    };
    WorldWindVector[0] = 40.0f;
    Clear(clear, 3);
    tree->DrawLayer1();
    tree->DrawLayer4();
    const std::vector<uint8_t> windy = ReadTargetPixels(target);
    WorldWindVector[0] = 0.0f;
    EXPECT_GT(leafColumns(windy), leafColumns(p) + 1.0) << "the crown leans with the wind";
    EXPECT_EQ(PixelArgb(windy, SIZE, 16, 32 + 24), PixelArgb(p, SIZE, 16, 32 + 24)) << "the foot stays";

    // A placed model's first layer draws under the layered render state too: the world
    // shader's tree variant reaches the draw, and the box's top leans with a strong wind
    // while its foot, below its anchor height, stays.
    WorldWindVector[0] = 400.0f;
    Clear(clear, 3);
    box->DrawLayer1();
    EXPECT_EQ(Shaders.boundVertexNumber, RENDER_STATE_LAYERED) << "the tree variant drew the box";
    EXPECT_EQ(VertexShaderOverride, 0) << "the selector is back to 0 after the layer";
    const std::vector<uint8_t> leaning = ReadTargetPixels(target);
    WorldWindVector[0] = 0.0f;
    const auto pixel = [&](const std::vector<uint8_t>& pixels, double x, double z) {
      return PixelArgb(pixels, SIZE, 32 + int(std::lround(x * 4)), 32 - int(std::lround(z * 4)));
    };
    EXPECT_TRUE(Bluish(pixel(leaning, 7.0, 0.75))) << std::hex << pixel(leaning, 7.0, 0.75) << " the top leans";
    EXPECT_EQ(pixel(p, 7.0, 0.75), clear) << "beside the box without wind";
    EXPECT_TRUE(Bluish(pixel(leaning, 4.5, -0.75))) << "the foot stays";
    EXPECT_EQ(pixel(leaning, 6.75, -0.75), clear);

    PictureRows rows{SIZE, SIZE, p.data(), size_t(SIZE) * 4, 0, 0};
    std::vector<uint8_t> png;
    ASSERT_EQ(EncodeImage(IMAGE_PNG, rows, ImageWriteOptions{}, png), nullptr);
    std::filesystem::create_directories("gpu");
    if (FILE* f = std::fopen("gpu/placed_and_tree.png", "wb")) {
      std::fwrite(png.data(), 1, png.size(), f);
      std::fclose(f);
    }
    CWld = nullptr;
  }
  WorldModels = savedModels;
  GraphicsEnabled = savedGraphics;
  TreeBarkMaterials[0] = TreeFoliageMaterials[0] = nullptr;
  FreeAllMaterials();
  ReleaseTexture(&white);
  ReleaseTexture(&barkTexture);
  ReleaseTexture(&leafTexture);
  ReleaseTestTarget(target);
  ResetTestMatrices();
  RenderStates.pendingRaster = 0;
  RenderStates.pendingDepth = 0;
  CurrentView = &MainView;
}

// The shadow pass draws a tree into the shadow map as the light sees it (here a light
// shining along +y): the pass binds the shadow map's tree shader and clears the map to white;
// the bark (layer 3) writes black, the foliage (layer 4) black where its texture passes the
// alpha test, and in the second pass a blended leaf lets its colour through.  The shadow
// leans with the tree in the wind.
TEST_F(PlacedAndTree, ATreesShadowPassDrawsItsSilhouetteIntoTheShadowMap) {
  InitSinCosTables();
  InitSphereDirections();
  const int savedGraphics = GraphicsEnabled;
  GraphicsEnabled = 1;
  ZKTETexture target{};
  ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE, true));
  ZKTETexture bark = PlainTexture(0xFF2050E0u, "TEST~BARK");
  ZKTETexture leaf = PlainTexture(0xFF30E040u, "TEST~LEAF");        // opaque green
  ZKTETexture cutLeaf = PlainTexture(0x2030E040u, "TEST~CUTLEAF");  // alpha 32: cut away
  ZKTETexture glassLeaf = PlainTexture(0x8030E040u, "TEST~GLASS");  // alpha 128: half the light
  ASSERT_TRUE(BeginWorldFrame(target, LookAlongYFrom8m, LightEvenly));
  TreeBarkMaterials[0] = CreateMaterial(&bark, 0, 0, 1, AlphaParams(0), 0);
  TreeFoliageMaterials[0] = CreateMaterial(&leaf, 0, 0, 1, AlphaParams(1), 0);
  Material* cut = CreateMaterial(&cutLeaf, 0, 0, 1, AlphaParams(1), 0);
  Material* glass = CreateMaterial(&glassLeaf, 0, 0, 1, AlphaParams(2), 0);
  {
    Wld world;
    CWld = &world;
    WTree* tree = AddTestTree(world);
    BuildAllWorldMeshes(world);
    FastMesh* mesh = GetWorldRenderMesh(tree->renderMesh);
    ASSERT_NE(mesh, nullptr);
    ASSERT_LT(tree->foliagePart, mesh->parts.size());
    Primitive& foliage = mesh->parts[tree->foliagePart];

    const uint32_t white = 0xFFFFFFFFu, black = 0xFF000000u;
    CurrentWorldPass = 1;
    const auto shadowPass = [&]() {
      Clear(white, 3);
      Material::SetVShader(4);
      Material::SetPShader(20);
      tree->DrawLayer3();
      Material::SetPShader(22);
      tree->DrawLayer4();
      EXPECT_TRUE(DrawsAllowed()) << "the shadow map's shaders are shipped";
      return ReadTargetPixels(target);
    };
    const auto count = [&](const std::vector<uint8_t>& p, uint32_t colour) {
      int n = 0;
      for (int column = 0; column < 32; ++column)
        for (int row = 0; row < 24; ++row) n += PixelArgb(p, SIZE, column, row) == colour;
      return n;
    };
    const auto at = [](const std::vector<uint8_t>& p, double x, double z) {
      return PixelArgb(p, SIZE, 32 + int(std::lround(x * 4)), 32 - int(std::lround(z * 4)));
    };
    const std::vector<uint8_t> still = shadowPass();
    EXPECT_EQ(Shaders.boundVertexNumber, 4);
    EXPECT_EQ(at(still, -4.0, -6.0), black) << std::hex << at(still, -4.0, -6.0) << " the trunk stops the light";
    EXPECT_EQ(at(still, -7.5, -7.5), white) << "beside the trunk";
    EXPECT_EQ(at(still, 4.0, 0.0), white) << "where nothing stands";
    const int crown = count(still, black);
    EXPECT_GT(crown, 20) << "the foliage stops the light";

    // Leaves whose texture fails the alpha test cast no shadow: only the bark's tips remain.
    foliage.material = cut;
    const std::vector<uint8_t> cutAway = shadowPass();
    EXPECT_LT(count(cutAway, black), crown / 2) << "the cut leaves let the light through";
    EXPECT_EQ(at(cutAway, -4.0, -6.0), black);

    // In the wind the shadow's crown moves with the tree's; the trunk's foot stays.
    foliage.material = TreeFoliageMaterials[0];
    const auto blackColumns = [&](const std::vector<uint8_t>& p) {
      double sum = 0;
      int n = 0;
      for (int column = 0; column < 32; ++column)
        for (int row = 0; row < 24; ++row)
          if (PixelArgb(p, SIZE, column, row) == black) sum += column, ++n;
      return n ? sum / n : 0.0;
    };
    WorldWindVector[0] = 40.0f;
    const std::vector<uint8_t> windy = shadowPass();
    WorldWindVector[0] = 0.0f;
    EXPECT_GT(blackColumns(windy), blackColumns(still) + 1.0) << "the shadow leans with the tree";
    EXPECT_EQ(at(windy, -4.0, -6.5), black) << "the foot stays";

    // The second pass: a blended leaf multiplies its colour, by its alpha, into the map.
    foliage.material = glass;
    RenderStates.pendingRaster = 0;  // each pane once, not both its windings
    Clear(white, 3);
    Material::SetVShader(4);
    BeginSecondPass();
    EXPECT_EQ(Shaders.boundPixelNumber, 21);
    tree->DrawLayer4();
    EndSecondPass();
    const std::vector<uint8_t> tinted = ReadTargetPixels(target);
    int green = 0;
    for (int column = 0; column < 32; ++column)
      for (int row = 0; row < 24; ++row) {
        const uint32_t c = PixelArgb(tinted, SIZE, column, row);
        const int r = int(c >> 16 & 255), g = int(c >> 8 & 255), b = int(c & 255);
        if (g > r + 40 && g > b + 40 && r > 30) ++green;
      }
    EXPECT_GT(green, 20) << "light through green panes: tinted green, not stopped";
    EXPECT_EQ(at(tinted, 4.0, 0.0), white);
    CurrentWorldPass = 0;

    PictureRows rows{SIZE, SIZE, still.data(), size_t(SIZE) * 4, 0, 0};
    std::vector<uint8_t> png;
    ASSERT_EQ(EncodeImage(IMAGE_PNG, rows, ImageWriteOptions{}, png), nullptr);
    std::filesystem::create_directories("gpu");
    if (FILE* f = std::fopen("gpu/tree_shadow_map.png", "wb")) {
      std::fwrite(png.data(), 1, png.size(), f);
      std::fclose(f);
    }
    CWld = nullptr;
  }
  GraphicsEnabled = savedGraphics;
  TreeBarkMaterials[0] = TreeFoliageMaterials[0] = nullptr;
  FreeAllMaterials();
  ReleaseTexture(&bark);
  ReleaseTexture(&leaf);
  ReleaseTexture(&cutLeaf);
  ReleaseTexture(&glassLeaf);
  ReleaseTestTarget(target);
  ResetTestMatrices();
  RenderStates.pendingRaster = 0;
  RenderStates.pendingDepth = 0;
  CurrentView = &MainView;
}

TEST_F(PlacedAndTree, TheTreePicturesLoadAsSolidBarkAndAlphaTestedFoliage) {
  const int savedGraphics = GraphicsEnabled;
  GraphicsEnabled = 1;
  std::filesystem::create_directories("data/png");
  for (int n = 0; n < TREE_TEXTURES; ++n)
    for (int foliage = 0; foliage < 2; ++foliage) {
      testpics::PngLayout layout;
      layout.width = layout.height = 16;
      layout.colourType = foliage ? 6 : 2;
      for (int i = 0; i < 16 * 16; ++i)
        for (int k = 0; k < (foliage ? 4 : 3); ++k) layout.samples.push_back(uint8_t(k == 1 || k == 3 ? 200 : 60));
      char name[64];
      std::snprintf(name, sizeof name, foliage ? "data/png/TREELEAF%d_ALP.png" : "data/png/TREEBARK%d.png", n);
      if (n == 3 && foliage) continue;  // one picture missing
      const std::vector<uint8_t> png = testpics::EncodePng(layout);
      std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    }
  CaughtLines caught;
  LoadTreeTextures();
  // Eight pictures are looked for (bark and foliage of trees 0 to 3); only the one missing is told.
  ASSERT_EQ(caught.Count("Can't open"), 1);
  EXPECT_EQ(caught.Count("Can't open : TREELEAF3_ALP"), 1);
  for (int n = 0; n < TREE_TEXTURES; ++n) {
    ASSERT_NE(TreeBarkMaterials[n], nullptr) << n;
    EXPECT_EQ(TreeBarkMaterials[n]->params.alphaMode, 0);
    if (n == 3) {
      EXPECT_EQ(TreeFoliageMaterials[n], nullptr) << "a missing picture gives no material";
      continue;
    }
    ASSERT_NE(TreeFoliageMaterials[n], nullptr) << n;
    EXPECT_EQ(TreeFoliageMaterials[n]->params.alphaMode, 1);
  }
  ForgetTreeTextures();
  FreeAllMaterials();
  GraphicsEnabled = savedGraphics;
}

}  // namespace
