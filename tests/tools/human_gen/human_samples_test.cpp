// human_samples_test.cpp - our human system and helmet (the files human_gen writes) through
// the program's loaders on the null device: 26 slots of four levels over one skeleton of 32
// solids, each level built from its model with its vertices in their bones' frames; the
// helmet's colours, its one fast mesh for both levels and its paintable skin, built again
// after the device went.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "model/model_file.h"
#include "platform/files.h"
#include "render/buffers.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "render/material.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "tests/core/report_recorder.h"
#include "tests/render/null_renderer.h"
#include "tools/human_gen/sample_humans.h"
#include "tools/model_gen/model_builder.h"

namespace {

// The builds report nothing but the pictures human_gen draws, which this folder lacks: no
// check of the figures' geometry, no level without a texture.
void ExpectOnlyMissingPictures() {
  for (const std::string& line : ReportRecorder::Reports().lines)
    if (line.find("hmn_cloth - File not found") == std::string::npos &&
        line.find("Skin HEL_DEFAULT was not found") == std::string::npos)
      ADD_FAILURE() << line;
}

class HumanSamples : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    ASSERT_TRUE(MakeFolder("data"));
    ASSERT_TRUE(MakeFolder("data\\hmn"));
  }
  void TearDown() override {
    FreeHumans();
    FreeHelmet();
    FreeAllFastMeshes();
    FreeAllMaterials();
    std::filesystem::remove_all("data/hmn");
  }
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

  ReportRecorder reports;
  BuildHumanMeshes();
  ExpectOnlyMissingPictures();
  ASSERT_EQ(HumanMeshes.slotCount, 26);
  for (int i = 0; i < HumanMeshes.slotCount; ++i) {
    const HumanMeshSlot& slot = HumanMeshes.slots[i];
    for (int level = 0; level < HUMAN_LEVELS; ++level) ASSERT_NE(slot.meshes[level], nullptr) << i << " " << level;
    EXPECT_EQ(slot.levelCount, 2);
    EXPECT_EQ(slot.skeletonIndex, 0u);
    EXPECT_GT(slot.meshes[0]->triangleCount, slot.meshes[1]->triangleCount) << "the second level is coarser";
    EXPECT_GT(slot.meshes[1]->triangleCount, 0);
    EXPECT_EQ(slot.meshes[2]->triangleCount, 0) << "levels the figure lacks are empty";
    EXPECT_EQ(slot.meshes[0]->partCount, 1) << "the one cloth page";
  }
  // Each vertex stands in the frame of the bone its point follows: near that bone's origin,
  // whatever the bone's height in the figure.
  const GouraudO3d& level0 = *HumanMeshes.slots[0].meshes[0];
  int highest = 0, lastFrame = 0;
  for (int p = 0; p < level0.pointCount; ++p) {
    highest = std::max(highest, std::abs(level0.points[p].z));
    lastFrame = std::max(lastFrame, int(level0.points[p].frame));
  }
  EXPECT_LT(highest, Metres(0.25)) << "every bone's box is within a quarter metre of its origin";
  EXPECT_EQ(lastFrame, SAMPLE_SKELETON_SOLIDS - 1) << "the last solid moves points too";
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

  ReportRecorder reports;
  LoadHelmet();
  ExpectOnlyMissingPictures();
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

TEST(DriverAnimations, EachSetSitsOnceAndSteersThroughThreeFramesOfItsWheelTurn) {
  Skeleton s;
  BuildSampleSkeleton(s);
  BoneRig rig;
  s.CreateBones(rig);
  // The legs are solids 6 to 13, the elbows and knees hinges.
  EXPECT_EQ(s.bones[6].firstSolid, 6);
  EXPECT_EQ(s.bones[9].firstSolid + 1, 13);
  int hinges = 0;
  for (int j = 0; j < s.jointCount; ++j)
    if ((s.joints[j].boneA == 13 && s.joints[j].boneB == 14) || (s.joints[j].boneA == 6 && s.joints[j].boneB == 7))
      hinges += s.joints[j].type == SKELETON_JOINT_HINGE;
  EXPECT_EQ(hinges, 2);
  for (const DriverAnimationSet& set : DRIVER_ANIMATION_SETS) {
    Animation sit, steer;
    BuildDriverAnimations(set, sit, steer);
    EXPECT_EQ(sit.frameCount, 1) << set.name;
    ASSERT_EQ(steer.frameCount, 3) << set.name;
    EXPECT_EQ(steer.flags & ANIMATION_CYCLIC, 0);
    EXPECT_FLOAT_EQ(steer.scale, set.wheelTurnDegrees * 3.14159265f / 180.0f);
    // The centre frame is the seated pose; the locks turn the hands opposite ways.
    EXPECT_EQ(std::memcmp(steer.frames[1].transforms, sit.frames[0].transforms, sizeof(FixedTransform) * 32), 0);
    const int hand = s.SolidOf(16, false);
    const int32_t centre = steer.frames[1].transforms[hand].translation.z;
    EXPECT_GT(steer.frames[0].transforms[hand].translation.z - centre, 0) << set.name;
    EXPECT_LT(steer.frames[2].transforms[hand].translation.z - centre, 0) << set.name;
    // Seated: the pelvis at the seat's hip point, 0.2 m forward of the seat and 0.3 m up (the
    // place every frame keeps), the head over it as high above it as it stood, the thighs
    // pointing forward from it.
    for (const Animation* a : {&sit, &steer})
      for (int f = 0; f < a->frameCount; ++f) {
        EXPECT_EQ(a->frames[f].transforms[0].translation.x, 0) << set.name;
        EXPECT_NEAR(a->frames[f].transforms[0].translation.y, 0.2 * 65536, 1) << set.name;
        EXPECT_NEAR(a->frames[f].transforms[0].translation.z, 0.3 * 65536, 1) << set.name;
      }
    const FixedTransform* seated = sit.frames[0].transforms;
    EXPECT_EQ(seated[4].translation.z - seated[0].translation.z, s.bones[4].position[2] - s.bones[0].position[2]);
    EXPECT_GT(seated[s.SolidOf(8, false)].translation.y - seated[0].translation.y, 65536 / 4);
    // The hands in front of the chest, at its height within 0.15 m.
    const int32_t chest = seated[2].translation.z;
    EXPECT_GT(seated[hand].translation.y - seated[0].translation.y, 65536 / 2);
    EXPECT_NEAR(seated[hand].translation.z, chest, 0.15 * 65536);
    sit.Free();
    steer.Free();
  }
  rig.Free();
  s.Free();
}

}  // namespace
