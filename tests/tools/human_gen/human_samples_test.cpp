// human_samples_test.cpp - our human system and helmet (the files human_gen writes) through
// the program's loaders on the null device: 26 slots of four levels over one skeleton of 32
// solids, each level built from its model posed at rest; the helmet's colours, its one fast
// mesh for both levels and its paintable skin, built again after the device went.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "core/data_file.h"
#include "modeller/model/model_file.h"
#include "platform/files.h"
#include "render/buffers.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "render/material.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "tests/render/null_renderer.h"
#include "tools/human_gen/sample_humans.h"

namespace {

// What the stand-in builder saw, and what it builds: a part per page of the model with a
// triangle per ten of the level's triangles.
struct BuildCall {
  const ModelObject* model;
  int level;
  int frameCount;
  FixedTransform firstFrame;
};
std::vector<BuildCall> g_calls;

void RecordingBuilder(ModelObject& model, GouraudO3d& mesh, int level, const FixedTransform* frames, int frameCount) {
  BuildCall call{&model, level, frameCount, {}};
  if (frames && frameCount > 0) call.firstFrame = frames[0];
  g_calls.push_back(call);
  int triangles = 0;
  for (int t = 0; t < model.triangleCount; ++t) triangles += model.triangles[t].lod == level;
  if (triangles == 0) return;
  const int parts = model.pageCount;
  const int perPart = triangles / 10 + 1;
  AllocateMeshArrays(mesh, parts * 3, parts * perPart, parts);
  for (int p = 0; p < parts; ++p) {
    const TexturePage& page = model.pages[p];
    // A skin page takes the helmet's default skin.
    const char* name = page.type == PAGE_SKIN ? SAMPLE_HELMET_SKIN : page.name;
    TextureConfig.nextType = page.type == PAGE_SKIN ? TEXTURE_TYPE_SKIN : TEXTURE_TYPE_GENERAL;
    mesh.parts[p] = GouraudPart{uint8_t(p), GetMaterialByName(name, 0, 0, 0, MaterialParams{}, 0), 3, perPart};
    TextureConfig.nextType = TEXTURE_TYPE_GENERAL;
    for (int k = 0; k < 3; ++k) mesh.points[p * 3 + k].x = k * 1000;
    for (int t = 0; t < perPart; ++t) mesh.triangles[p * perPart + t] = GouraudTriangle{{uint16_t(p * 3), uint16_t(p * 3 + 1), uint16_t(p * 3 + 2)}, 0};
  }
}

class HumanSamples : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    ASSERT_TRUE(MakeFolder("data"));
    ASSERT_TRUE(MakeFolder("data\\hmn"));
    g_calls.clear();
  }
  void TearDown() override {
    BuildModelMeshesSeam = saved_;
    FreeHumans();
    FreeHelmet();
    FreeAllFastMeshes();
    FreeAllMaterials();
    std::filesystem::remove_all("data/hmn");
  }
  ModelMeshBuilder saved_ = BuildModelMeshesSeam;
};

TEST_F(HumanSamples, OurHumanSystemGivesTwentySixSlotsOfFourLevelsOverOneSkeleton) {
  const std::vector<uint8_t> image = SampleHumanSystemFile();
  ASSERT_FALSE(image.empty());
  ASSERT_EQ(FileWriteAll(HUMAN_SYSTEM_FILE, image.data(), image.size()), 0);
  ASSERT_EQ(LoadHumanSystem(), 1);
  ASSERT_EQ(Humans.modelCount, SAMPLE_FIGURE_COUNT);
  ASSERT_EQ(Humans.skeletonCount, 1);
  const Skeleton& s = Humans.skeletons[0];
  EXPECT_EQ(s.SolidCount(), SAMPLE_SKELETON_SOLIDS);
  EXPECT_GE(s.SolidCount(), SKELETON_MIN_SOLIDS);
  for (const Animation& m : s.movements) EXPECT_EQ(m.frameCount, 1);
  EXPECT_EQ(s.movements[1].flags & ANIMATION_CYCLIC, ANIMATION_CYCLIC) << "walking runs on";
  EXPECT_EQ(HumanSystemFileImage(Humans.models, Humans.modelCount, Humans.skeletons, Humans.skeletonCount), image)
      << "read back, it writes the same bytes";

  BuildModelMeshesSeam = RecordingBuilder;
  BuildHumanMeshes();
  ASSERT_EQ(HumanMeshes.slotCount, 26);
  for (int i = 0; i < HumanMeshes.slotCount; ++i) {
    const HumanMeshSlot& slot = HumanMeshes.slots[i];
    for (int level = 0; level < HUMAN_LEVELS; ++level) ASSERT_NE(slot.meshes[level], nullptr) << i << " " << level;
    EXPECT_EQ(slot.levelCount, 2);
    EXPECT_EQ(slot.skeletonIndex, 0u);
  }
  ASSERT_EQ(g_calls.size(), 26u * HUMAN_LEVELS);
  EXPECT_EQ(g_calls[5].level, 1);
  EXPECT_EQ(g_calls[5].frameCount, SAMPLE_SKELETON_SOLIDS) << "posed by every solid of the skeleton";
  // At rest the first frame is the pelvis: unturned, at its place.
  EXPECT_EQ(g_calls[5].firstFrame.rotation.m[0], FIXED_ONE);
  EXPECT_EQ(g_calls[5].firstFrame.translation.z, Humans.skeletons[0].bones[0].position[2]);
  EXPECT_GT(HumanMeshes.slots[0].meshes[0]->triangleCount, HumanMeshes.slots[0].meshes[1]->triangleCount)
      << "the second level is coarser";
  EXPECT_EQ(HumanMeshes.slots[0].meshes[2]->triangleCount, 0) << "levels the figure lacks are empty";
  EXPECT_EQ(FindHumanSlot(0), 0) << "the driver";
  EXPECT_EQ(FindHumanSlot(1), 26);
  EXPECT_EQ(HumanMeshes.slots[14].value, SampleFigureValue(3));
}

TEST_F(HumanSamples, TheHelmetLoadsInItsColoursWithOneFastMeshAndIsBuiltAgainAfterTheDevice) {
  ModelObject helmet;
  helmet.Init();
  BuildSampleHelmet(helmet);
  helmet.mappings[0].colour = 5u | 200u << 8 | 100u << 16 | CF_SELF_LIT;
  ASSERT_EQ(SaveModelFile(helmet, nullptr, HELMET_FILE, 1), 1);
  helmet.Free();

  BuildModelMeshesSeam = RecordingBuilder;
  LoadHelmet();
  ASSERT_NE(HelmetModel, nullptr);
  EXPECT_EQ(HelmetModel->mappings[0].colour, 13u | 204u << 8 | 128u << 16) << "10..160 scaled to 13..204, flags cleared";
  EXPECT_EQ(Helmet.levelCount, 2);
  ASSERT_NE(GetFastMesh(Helmet.fastMesh), nullptr);
  EXPECT_EQ(GetFastMesh(Helmet.fastMesh)->groupCount, 2u) << "one fast mesh for both levels";
  ASSERT_NE(Helmet.paintable, nullptr);
  EXPECT_STREQ(Helmet.paintable->name, SAMPLE_HELMET_SKIN);
  EXPECT_EQ(FastMeshCount(), 1);

  // The device goes and comes back: the meshes are made again, nothing is freed twice.
  FreeAllGraphics(1, 0);
  RebuildHumanMeshes();
  EXPECT_EQ(FastMeshCount(), 1);
  ASSERT_NE(GetFastMesh(Helmet.fastMesh), nullptr);
  EXPECT_NE(Helmet.paintable, nullptr);
  RebuildHumanMeshes();
  EXPECT_EQ(FastMeshCount(), 1) << "a rebuild gives the old fast mesh back first";

  // No helmet file: no helmet, nothing said.
  FreeHelmet();
  std::filesystem::remove("data/hmn/helmet.qxe");
  LoadHelmet();
  EXPECT_EQ(HelmetModel, nullptr);
  EXPECT_EQ(Helmet.meshes[0], nullptr);
}

}  // namespace
