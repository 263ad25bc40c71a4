// A generated track loaded with the graphics device: the textures step and the rebuild steps
// run, the objects' meshes batched into render meshes, and made again after a device reload.
// The road drawn from above goes to track_load_gpu/<test>/short_road_from_above.png and
// short_road_after_reload.png.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "render/build_list.h"
#include "render/device.h"
#include "render/image_files.h"
#include "render/texture_table.h"
#include "tests/texconv/test_pictures.h"
#include "tests/world/world_gpu_frame.h"
#include "tests/world/world_test_util.h"
#include "tools/track_writer/track_files.h"
#include "world/fixed_ob.h"
#include "world/pre_gen.h"
#include "world/track_file.h"
#include "world/world.h"

namespace {

// The road's texture: one colour, not grey, so that a channel taken for another shows.
constexpr uint8_t ROAD_TEXEL[3] = {200, 150, 100};
constexpr int ROAD_TEXTURE_SIZE = 16;  // the smallest a texture may be
constexpr uint32_t CLEAR = 0xFF000000u;

class TrackLoadGpuTest : public WorldDeviceTest<64> {
 protected:
  void SetUp() override {
    WorldDeviceTest<64>::SetUp();
    if (IsSkipped()) return;
    previous_ = std::filesystem::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = previous_ / "track_load_gpu" / info->name();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "data" / "wld");
    std::filesystem::current_path(folder_);
    const TrackImages images = BuildTrackImages(TRACK_SHORT_ROAD, false);
    std::ofstream out("data/wld/short_road.wld", std::ios::binary);
    out.write(reinterpret_cast<const char*>(images.world.data()), std::streamsize(images.world.size()));
    // The road's texture: an RGB picture of one colour, loaded as written (no compressed or
    // halved copy, which would change its colour).
    std::filesystem::create_directories("data/png");
    testpics::PngLayout layout;
    layout.width = layout.height = ROAD_TEXTURE_SIZE;
    layout.colourType = 2;
    for (int i = 0; i < ROAD_TEXTURE_SIZE * ROAD_TEXTURE_SIZE; ++i)
      layout.samples.insert(layout.samples.end(), ROAD_TEXEL, ROAD_TEXEL + 3);
    const std::vector<uint8_t> png = testpics::EncodePng(layout);
    std::ofstream picture(std::string("data/png/") + SHORT_ROAD_TEXTURE + ".png", std::ios::binary);
    picture.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    graphics_ = GraphicsEnabled;
    compressed_ = CfgCompressedTex;
    half_ = CfgHalfTexRes;
    GraphicsEnabled = 1;
    CfgCompressedTex = CfgHalfTexRes = 0;
  }
  void TearDown() override {
    if (IsSkipped()) return;
    DeleteWorld();
    GraphicsEnabled = graphics_;
    CfgCompressedTex = compressed_;
    CfgHalfTexRes = half_;
    std::filesystem::current_path(previous_);
  }
  // Steps the load to its end: the texts seen, each once in order.
  static std::vector<std::string> Run(Wld& world) {
    std::vector<std::string> seen = {WorldLoadingText};
    for (int calls = 0; world.loadStep != 0 && calls < 10000; ++calls) {
      SetupWorldInGameCode();
      if (seen.back() != WorldLoadingText) seen.push_back(WorldLoadingText);
    }
    return seen;
  }
  // The road segments whose first level has its place in a render mesh.
  static int SegmentsInRenderMeshes(const Wld& world) {
    int n = 0;
    for (int i = 0; i < world.objectCount; ++i)
      if (world.objects[i]->type == OBJECT_SEGMENT && static_cast<WPreGen*>(world.objects[i])->levels[0].renderMesh >= 0)
        ++n;
    return n;
  }
  // The road from 8 m above its start, 4 pixels a metre, the origin on the centre of pixel
  // (32, 32): the road segments listed and drawn through their first layer, the picture
  // written as a PNG in the test's folder.
  static std::vector<uint8_t> Picture(Wld& world, const char* file) {
    ZKTETexture target{};
    if (!MakeTestTarget(target, 64, 64, true)) return {};
    const bool begun = BeginWorldFrame(target, LookDownFrom8m, LightFlatUp);
    Clear(CLEAR, 3);
    for (int i = 0; begun && i < world.objectCount; ++i) {
      if (world.objects[i]->type != OBJECT_SEGMENT) continue;
      auto* segment = static_cast<WPreGen*>(world.objects[i]);
      segment->currentLevel = 0;
      segment->AddToDrawList();
      segment->DrawLayer1();
    }
    std::vector<uint8_t> p = ReadTargetPixels(target);
    ReleaseTestTarget(target);
    ResetTestMatrices();
    RenderStates.pendingRaster = 0;
    RenderStates.pendingDepth = 0;
    if (!begun) return {};
    std::vector<uint8_t> png;
    EXPECT_EQ(EncodeImage(IMAGE_PNG, PictureRows{64, 64, p.data(), 64 * 4, 0, 0}, ImageWriteOptions{}, png), nullptr);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return p;
  }
  // The pixel of world (x, y) metres in the picture from above (y up the picture).
  static uint32_t At(const std::vector<uint8_t>& p, double x, double y) {
    return PixelArgb(p, 64, 32 + int(std::lround(x * 4)), 32 - int(std::lround(y * 4)));
  }
  // The linear value of an sRGB byte.
  static double LinearOfSrgb(uint8_t byte) {
    const double s = byte / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  }
  // The road's colour on screen, worked out here from what the track tool writes and the
  // frame sets: the road mapping's grid grey through the brightness table (round(255 x^2.2)),
  // times the texel as the shader reads it (pictures are sRGB textures: linear light), times
  // the light arriving (1 on a surface facing up under LightFlatUp); no specular (the grid
  // colour asks for no packed light and the frame has no sun) and no fog.  The test target
  // holds plain bytes: the linear result, not encoded again.
  static uint32_t RoadColour() {
    const double grey = std::lround(255.0 * std::pow(ROAD_MAPPING_GREY / 255.0, 2.2)) / 255.0;
    uint32_t colour = CLEAR;
    for (int c = 0; c < 3; ++c)
      colour |= uint32_t(std::lround(255.0 * LinearOfSrgb(ROAD_TEXEL[c]) * grey)) << (16 - 8 * c);
    return colour;
  }
  // Each channel within one step of the expected colour (the GPU's rounding).
  static bool Near(uint32_t seen, uint32_t expected) {
    for (int shift = 0; shift < 32; shift += 8)
      if (std::abs(int(seen >> shift & 255) - int(expected >> shift & 255)) > 1) return false;
    return true;
  }
  // The road shows its colour where it is flat (y 1..7 m, x within 4.5 m of its middle) and
  // the clear colour beside it (x 6.5 m and more) and before its start (y -1 m and less).
  static void ExpectRoadPicture(const std::vector<uint8_t>& p, const char* when) {
    ASSERT_EQ(p.size(), size_t(64 * 64 * 4)) << when;
    const uint32_t road = RoadColour();
    for (double x : {-4.5, -3.0, 0.0, 2.0, 4.5})
      for (double y : {1.0, 4.0, 7.0})
        EXPECT_PRED2(Near, At(p, x, y), road) << when << std::hex << ": road at x " << x << " y " << y;
    for (double y : {1.0, 4.0, 7.0})
      for (double x : {-7.5, -6.5, 6.5, 7.5})
        EXPECT_EQ(At(p, x, y), CLEAR) << when << ": beside the road at x " << x << " y " << y;
    for (double x : {-4.5, 0.0, 4.5})
      for (double y : {-1.0, -4.0, -7.5})
        EXPECT_EQ(At(p, x, y), CLEAR) << when << ": before the start at x " << x << " y " << y;
  }
  std::filesystem::path previous_, folder_;
  int graphics_ = 0, compressed_ = 0, half_ = 0;
};

TEST_F(TrackLoadGpuTest, TexturesAndRebuildRunToFinished) {
  CaughtLines lines;
  Wld* world = new Wld;
  ASSERT_EQ(world->LoadTrackFile("short_road"), 1);
  const std::vector<std::string> texts = Run(*world);
  ASSERT_EQ(world->loadFailed, 0);
  EXPECT_EQ(world->loadStep, 0);
  EXPECT_EQ(world->rebuildStep, 0);
  // Texture loading shows its 0% first and its plain name when it ends; then the rebuild.
  const ZKTETexture* road = AddTextureRef(SHORT_ROAD_TEXTURE, 0);  // fetched by the textures step
  ASSERT_NE(road, nullptr);
  EXPECT_NE(road->state, TEXTURE_MISSING);
  EXPECT_EQ(TextureForUse(const_cast<ZKTETexture*>(road))->format, GFX_FORMAT_R8G8B8A8_UNORM_SRGB);
  EXPECT_EQ(lines.Count(std::string("Can't open : ") + SHORT_ROAD_TEXTURE), 0);
  auto at = [&](const char* text) { return std::find(texts.begin(), texts.end(), text) - texts.begin(); };
  EXPECT_LT(at("Loading textures 0%"), at("Path adjustment"));
  EXPECT_LT(at("Path adjustment"), at("Rebuilding"));
  EXPECT_LT(at("Rebuilding"), at("Generating"));
  EXPECT_LT(at("Generating"), at("Preloading"));
  EXPECT_EQ(texts.back(), "FINISHED");
  EXPECT_GT(world->addedMeshes.count, 0);
  EXPECT_EQ(SegmentsInRenderMeshes(*world), SHORT_ROAD_SECTIONS + 1);
  for (BuildList* list : BuildLists) EXPECT_EQ(list, nullptr);  // freed after the third pass
  const int meshes = world->addedMeshes.count;
  const std::vector<uint8_t> before = Picture(*world, "short_road_from_above.png");
  ExpectRoadPicture(before, "loaded");

  // A device reload with the world loaded, as the program makes one: the device closed (its
  // buffers, materials and textures released with it) and made again, the world's
  // device-bound state cleared; its meshes are then made again from step 17.
  CloseD3D();
  world->ResetObjectStates(0);
  FreeViewObjects();
  ASSERT_EQ(PreInitD3D(), nullptr);
  ASSERT_EQ(InitialiseGraphicsForScreen(), nullptr);
  RebuildWorldObjectMeshes();
  EXPECT_EQ(world->loadStep, 17);
  EXPECT_EQ(IsWorldLoading(), 0);
  EXPECT_EQ(Run(*world).back(), "FINISHED");
  EXPECT_EQ(world->addedMeshes.count, meshes);
  EXPECT_EQ(SegmentsInRenderMeshes(*world), SHORT_ROAD_SECTIONS + 1);
  const std::vector<uint8_t> after = Picture(*world, "short_road_after_reload.png");
  ExpectRoadPicture(after, "reloaded");
  EXPECT_TRUE(after == before) << "the same picture after the reload";
  EXPECT_EQ(lines.Count(std::string("Can't open : ") + SHORT_ROAD_TEXTURE), 0);
}

}  // namespace
