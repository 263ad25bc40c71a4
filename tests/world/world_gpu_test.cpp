// world_gpu_test.cpp - world surfaces drawn on the device under a top-down view: two strips (a
// two-column palette and a plain strip) and an alpha strip between them, swept, copied into a
// render mesh through the tree check and drawn by a pre-generated object's layers; and a
// section's joining triangles drawn from its listed entry.  The pictures go to gpu/ to look at.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/gamma_tables.h"
#include "render/constant_buffers.h"
#include "render/draw_mesh.h"
#include "render/image_files.h"
#include "render/primitives.h"
#include "render/views.h"
#include "sweep_test.h"
#include "tests/gpu_device.h"
#include "tests/render/mesh_fixtures.h"
#include "world/mapping.h"
#include "world/pre_gen.h"
#include "world/section.h"
#include "world/world.h"
#include "world_gpu_frame.h"

namespace {

constexpr int SIZE = 64;

// The device for this suite alone (the binary's other suites start their own).
class SweptSurface : public WorldDeviceTest<SIZE> {};


struct TestPreGen : WPreGen {
  TestPreGen() : WPreGen(OBJECT_PLACED) {}
  int GetAddMode() override { return 0; }
  int GetBuildList() override { return 0; }
  void BuildMeshes() override {}
  int BuildLodMesh(int) override { return 0; }
  void Load(DataFile&, int) override {}
  void GetPosition(IntVector&, float&) override {}
  void SetPosition(const IntVector&, float) override {}
  void Setup() override {}
};

uint32_t Expected(const uint8_t* palette) {
  return 0xFF000000u | uint32_t(BrightnessTable[palette[0]]) << 16 | uint32_t(BrightnessTable[palette[1]]) << 8 |
         BrightnessTable[palette[2]];
}

void ExpectNear(uint32_t got, uint32_t want, const char* what) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int g = int(got >> shift & 0xFF), w = int(want >> shift & 0xFF);
    EXPECT_LE(std::abs(g - w), 2) << what << std::hex << " got " << got << " want " << want;
  }
}

// The target made current and the top-down view, light and states set; 0 when no target.
bool StartTopDownFrame(ZKTETexture& target) {
  InitSinCosTables();
  if (!MakeTestTarget(target, SIZE, SIZE, true)) return false;
  return BeginWorldFrame(target, LookDownFrom8m, LightFlatUp);
}

void EndTopDownFrame(ZKTETexture& target, ZKTETexture& white) {
  FreeAllMaterials();
  ReleaseTexture(&white);
  ReleaseTestTarget(target);
  ResetTestMatrices();
  RenderStates.pendingRaster = 0;
  RenderStates.pendingDepth = 0;
  CurrentView = &MainView;
}

void WritePicture(const std::vector<uint8_t>& pixels, const char* path) {
  PictureRows rows{SIZE, SIZE, pixels.data(), size_t(SIZE) * 4, 0, 0};
  std::vector<uint8_t> png;
  ASSERT_EQ(EncodeImage(IMAGE_PNG, rows, ImageWriteOptions{}, png), nullptr);
  std::filesystem::create_directories("gpu");
  if (FILE* f = std::fopen(path, "wb")) {
    std::fwrite(png.data(), 1, png.size(), f);
    std::fclose(f);
  }
}

TEST_F(SweptSurface, TheLayersDrawTheStripsInTheirPaletteColours) {
  ZKTETexture target{};
  ASSERT_TRUE(StartTopDownFrame(target));
  ZKTETexture white = WhiteTexture();

  Material* solid = CreateMaterial(&white, 0, 0, 1, AlphaParams(0), 0);
  Material* blended = CreateMaterial(&white, 0, 0, 2, AlphaParams(2), 0);
  // Points at x = -6, -2, 2, 6 m: the palette strip (two columns), the alpha strip, the plain
  // strip; swept from y = -4 m to 4 m.
  SweepMapping palette(2, 1, 0, "road", solid);
  palette.palette = {200, 40, 40, 0, 40, 60, 220, 0};
  palette.cells = {0, 1};
  SweepMapping alpha(1, 1, 0, "glass", blended);
  alpha.palette = {250, 250, 60, 0};
  alpha.record.paletteCount = 1;
  SweepMapping plain(1, 1, 0, "road", solid);
  plain.palette = {90, 200, 90, 0};
  plain.record.paletteCount = 1;
  const std::vector<MappingRecord> maps = {palette.Record(), alpha.Record(), plain.Record()};
  const std::vector<MappingRef> edges = {{0, 0, 0, 1, 0, 1}, {1, 0, 0, 1, 1, 2}, {2, 0, 0, 1, 2, 3}};
  std::vector<IntVector> normals(2 * MAX_SWEEP_EDGES, IntVector{0, 0, 65536});
  std::vector<IntVector> points(4);
  const auto ring = [&](int k) {
    const int32_t xs[4] = {-6, -2, 2, 6};
    for (int i = 0; i < 4; ++i) points[size_t(i)] = {xs[i] * 65536, (-4 + 4 * k) * 65536, 0};
    return SweepRing{points.data(), 4, normals.data()};
  };
  BeginSweep(3, edges.data(), maps.data(), 3, ring(0), 2, 1, 1.0f);
  for (int k = 1; k <= 2; ++k) {
    const SweepRing r = ring(k);
    AddSweepRing(&r);
  }
  DropUnusedSweepTextures();
  auto* built = new BuiltMesh;
  EndSweep(*built);
  ASSERT_EQ(built->partCount, 2);

  FastMeshHandle handle = NewFastMesh();
  FastMesh& mesh = *GetFastMesh(handle);
  ASSERT_EQ(ReservePrimitiveParts(mesh, 2, 1), 1);
  mesh.parts[0].material = solid;
  mesh.parts[1].material = blended;
  WorldRenderMeshes = {handle};
  WorldCurrentRenderMesh = 0;
  TestPreGen object;
  object.levelCount = 1;
  object.levels[0].built = built;
  CheckTreeMaterials(object, "strips", 0);
  EXPECT_EQ(object.levels[0].partSlots[KIND_SOLID], 0);
  EXPECT_EQ(object.levels[0].partSlots[KIND_ALPHA], 1);
  BuildPrimitive(mesh, 0);
  object.currentLevel = 0;

  const int row = 32;  // y = 0
  const int paletteColumn0 = 32 - 5 * 4, paletteColumn1 = 32 - 3 * 4, alphaColumn = 32, plainColumn = 32 + 4 * 4;
  const uint32_t clear = 0xFF000000u;
  const auto check = [&](const char* layer, bool solids, bool alphas) {
    const std::vector<uint8_t> p = ReadTargetPixels(target);
    SCOPED_TRACE(layer);
    ExpectNear(PixelArgb(p, SIZE, paletteColumn0, row), solids ? Expected(&palette.palette[0]) : clear, "column 0");
    ExpectNear(PixelArgb(p, SIZE, paletteColumn1, row), solids ? Expected(&palette.palette[4]) : clear, "column 1");
    ExpectNear(PixelArgb(p, SIZE, plainColumn, row), solids ? Expected(&plain.palette[0]) : clear, "plain strip");
    ExpectNear(PixelArgb(p, SIZE, alphaColumn, row), alphas ? Expected(&alpha.palette[0]) : clear, "alpha strip");
    ExpectNear(PixelArgb(p, SIZE, paletteColumn0, 32 - 6 * 4), clear, "beside the strips");
    ExpectNear(PixelArgb(p, SIZE, 2, row), clear, "beside the strips");
    return p;
  };
  Clear(clear, 3);
  object.DrawLayer1();
  const std::vector<uint8_t> picture = check("layer 1", true, false);
  Clear(clear, 3);
  object.DrawLayer3();
  check("layer 3", true, false);
  Clear(clear, 3);
  object.DrawLayer4();
  check("layer 4", false, true);

  // The picture of the first layer with the fourth over it, to look at.
  Clear(clear, 3);
  object.DrawLayer1();
  object.DrawLayer4();
  WritePicture(ReadTargetPixels(target), "gpu/sweep_layers.png");

  object.Free();
  WorldRenderMeshes.clear();
  WorldCurrentRenderMesh = -1;
  FreeFastMesh(handle);
  EndTopDownFrame(target, white);
}

// A section whose two joining triangles lie flat between itself (y = -4 m) and a second
// section (y = 4 m), x from -4 m to 4 m: its mesh copied into a render mesh as the section's
// entry, listed (which marks the entry) and drawn in its mapping's average colour.
TEST_F(SweptSurface, ASectionsJoiningTrianglesAreDrawnInItsMappingsColour) {
  ZKTETexture target{};
  ASSERT_TRUE(StartTopDownFrame(target));
  ZKTETexture white = WhiteTexture();
  Material* solid = CreateMaterial(&white, 0, 0, 1, AlphaParams(0), 0);

  CWld = new Wld;
  CWld->mappingCount = 1;
  CWld->mappings = static_cast<MappingRecord*>(std::calloc(1, sizeof(MappingRecord)));
  MappingRecord& mapping = CWld->mappings[0];
  const uint8_t average[3] = {60, 150, 230};
  std::memcpy(mapping.average, average, 3);
  mapping.materialRecord = solid;
  auto* near = static_cast<WSection*>(MakeSection({0, -4 * 65536, 0}));
  auto* far = static_cast<WSection*>(MakeSection({0, 4 * 65536, 0}));
  for (WSection* s : {near, far}) {
    s->vertexCount = 2;
    s->vertices.resize(2);
    s->vertices[0].offset = -4 * 65536;
    s->vertices[1].offset = 4 * 65536;
    CWld->AddObjectToTable(s);
  }
  near->triangleCount = 2;
  near->triangles.resize(2);
  const uint8_t corners[2][3] = {{0, 1, 1}, {0, 1, 0}};
  const int32_t links[2][3] = {{-1, -1, 1}, {-1, 1, 1}};
  for (int t = 0; t < 2; ++t)
    for (int k = 0; k < 3; ++k) near->triangles[size_t(t)].corner[k] = corners[t][k], near->triangles[size_t(t)].link[k] = links[t][k];
  far->Setup();
  near->Setup();
  near->BuildMesh(true);
  ASSERT_NE(near->builtMesh, nullptr);
  EXPECT_EQ(near->GetBuildList(), 7);

  FastMeshHandle handle = NewFastMesh();
  FastMesh& mesh = *GetFastMesh(handle);
  ASSERT_EQ(ReservePrimitiveParts(mesh, 1, 1), 1);
  mesh.parts[0].material = solid;
  WorldRenderMeshes = {handle};
  near->meshList = 0;
  near->meshListEntry = uint16_t(mesh.groupCount);
  AddPrimitiveGroup(mesh);
  near->builtMesh->AddToRenderMesh(mesh, nullptr);
  BuildPrimitive(mesh, 0);
  near->AddToDrawList();
  ASSERT_EQ(mesh.dirtyBits[0] >> near->meshListEntry & 1, 1u) << "listing marks the section's entry";

  const uint32_t clear = 0xFF000000u;
  Clear(clear, 3);
  mesh.parts[0].DrawOnePart(near->meshListEntry, 3);
  const std::vector<uint8_t> p = ReadTargetPixels(target);
  const uint32_t colour = 0xFF000000u | uint32_t(BrightnessTable[average[0]]) << 16 |
                          uint32_t(BrightnessTable[average[1]]) << 8 | BrightnessTable[average[2]];
  // 4 pixels a metre about the centre: inside the square at (+-3 m, +-3 m), outside at 5 m.
  for (const auto& [x, y] : {std::pair{32, 32}, {20, 20}, {44, 44}, {20, 44}, {44, 20}})
    ExpectNear(PixelArgb(p, SIZE, x, y), colour, "inside");
  for (const auto& [x, y] : {std::pair{12, 32}, {52, 32}, {32, 12}, {32, 52}})
    ExpectNear(PixelArgb(p, SIZE, x, y), clear, "outside");
  WritePicture(p, "gpu/section_joining.png");

  delete CWld;
  CWld = nullptr;
  WorldRenderMeshes.clear();
  FreeFastMesh(handle);
  EndTopDownFrame(target, white);
}

}  // namespace
