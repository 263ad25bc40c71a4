// A generated track loaded with the graphics device: the textures step and the rebuild steps
// run, the objects' meshes batched into render meshes, and made again after a rebuild.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/frame_globals.h"
#include "core/report.h"
#include "render/build_list.h"
#include "render/device.h"
#include "render/image_files.h"
#include "render/texture_table.h"
#include "tests/world/world_gpu_frame.h"
#include "tools/track_writer/track_files.h"
#include "world/fixed_ob.h"
#include "world/pre_gen.h"
#include "world/track_file.h"
#include "world/world.h"

namespace {

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
    // The road's texture: plain white.
    std::filesystem::create_directories("data/png");
    const std::vector<uint8_t> white(4 * 4 * 4, 255);
    std::vector<uint8_t> png;
    ASSERT_EQ(EncodeImage(IMAGE_PNG, PictureRows{4, 4, white.data(), 16, 0, 0}, ImageWriteOptions{}, png), nullptr);
    std::ofstream picture(std::string("data/png/") + SHORT_ROAD_TEXTURE + ".png", std::ios::binary);
    picture.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    graphics_ = GraphicsEnabled;
    GraphicsEnabled = 1;
  }
  void TearDown() override {
    if (IsSkipped()) return;
    DeleteWorld();
    GraphicsEnabled = graphics_;
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
  // The road from 8 m above its start, 4 pixels a metre: the road segments listed and drawn
  // through their first layer.  1 when the road shows its mapping's grey (x 3 m, y 4 m), with
  // the clear colour beside it (x 7 m) and before its start (y -4 m).
  static int Picture(Wld& world) {
    ZKTETexture target{};
    if (!MakeTestTarget(target, 64, 64, true)) return 0;
    const bool begun = BeginWorldFrame(target, LookDownFrom8m, LightFlatUp);
    Clear(0xFF000000u, 3);
    for (int i = 0; begun && i < world.objectCount; ++i) {
      if (world.objects[i]->type != OBJECT_SEGMENT) continue;
      auto* segment = static_cast<WPreGen*>(world.objects[i]);
      segment->currentLevel = 0;
      segment->AddToDrawList();
      segment->DrawLayer1();
    }
    const std::vector<uint8_t> p = ReadTargetPixels(target);
    ReleaseTestTarget(target);
    ResetTestMatrices();
    RenderStates.pendingRaster = 0;
    RenderStates.pendingDepth = 0;
    const uint32_t road[2] = {PixelArgb(p, 64, 32 + 12, 32 - 16), PixelArgb(p, 64, 32 + 12, 32 + 16)};
    const uint32_t beside[2] = {PixelArgb(p, 64, 32 + 28, 32 - 16), PixelArgb(p, 64, 32 + 28, 32 + 16)};
    const auto grey = [](uint32_t c) { return (c & 0xFFFFFF) != 0 && ((c >> 16) & 255) == (c & 255); };
    return begun && grey(road[0]) != grey(road[1]) && beside[0] == 0xFF000000u && beside[1] == 0xFF000000u;
  }
  std::filesystem::path previous_, folder_;
  int graphics_ = 0;
};

TEST_F(TrackLoadGpuTest, TexturesAndRebuildRunToFinished) {
  Wld* world = new Wld;
  ASSERT_EQ(world->LoadTrackFile("short_road"), 1);
  const std::vector<std::string> texts = Run(*world);
  ASSERT_EQ(world->loadFailed, 0);
  EXPECT_EQ(world->loadStep, 0);
  EXPECT_EQ(world->rebuildStep, 0);
  // Texture loading shows its 0% first and its plain name when it ends; then the rebuild.
  EXPECT_NE(AddTextureRef(SHORT_ROAD_TEXTURE, 0), nullptr);  // fetched by the textures step
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
  EXPECT_EQ(Picture(*world), 1);

  // After a device reload the world's meshes are made again from step 17.
  RebuildWorldObjectMeshes();
  EXPECT_EQ(world->loadStep, 17);
  EXPECT_EQ(IsWorldLoading(), 0);
  EXPECT_EQ(Run(*world).back(), "FINISHED");
  EXPECT_EQ(world->addedMeshes.count, meshes);
  EXPECT_EQ(SegmentsInRenderMeshes(*world), SHORT_ROAD_SECTIONS + 1);
}

}  // namespace
