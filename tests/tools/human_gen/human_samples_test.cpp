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
  // One set for each animation set a class names, in its class's posture: the cars' seated,
  // the kart's lying back, the bike's leaning forward.
  std::vector<std::string> names;
  for (const DriverAnimationSet& set : DriverAnimationSets()) names.push_back(set.name);
  EXPECT_EQ(names, (std::vector<std::string>{"saloon", "racer", "coupe", "kart", "f1", "fsae", "bike"}));
  for (const DriverAnimationSet& set : DriverAnimationSets()) {
    SCOPED_TRACE(set.name);
    Animation sit, steer;
    BuildDriverAnimations(set, sit, steer);
    EXPECT_EQ(sit.frameCount, 1);
    ASSERT_EQ(steer.frameCount, 3);
    EXPECT_EQ(steer.flags & ANIMATION_CYCLIC, 0);
    EXPECT_FLOAT_EQ(steer.scale, set.wheelTurnDegrees * 3.14159265f / 180.0f);
    // The centre frame is the seated pose.
    EXPECT_EQ(std::memcmp(steer.frames[1].transforms, sit.frames[0].transforms, sizeof(FixedTransform) * 32), 0);
    const int hand = s.SolidOf(16, false), otherHand = s.SolidOf(16, true);
    EXPECT_EQ(steer.frames[1].transforms[hand].translation.x, -steer.frames[1].transforms[otherHand].translation.x)
        << "the hands either side of the middle";
    for (int f = 0; f < 3; ++f) {
      const FixedTransform* t = steer.frames[f].transforms;
      // The pelvis at the seat's hip point, 0.2 m forward of the seat and 0.3 m up.
      EXPECT_EQ(t[0].translation.x, 0);
      EXPECT_NEAR(t[0].translation.y, 0.2 * 65536, 1);
      EXPECT_NEAR(t[0].translation.z, 0.3 * 65536, 1);
      // No solid below the seat: every corner of every box at or above it.
      for (int bone = 0; bone < s.boneCount; ++bone)
        for (int twin = 0; twin < (s.bones[bone].flags & SKELETON_BONE_SYMMETRICAL ? 2 : 1); ++twin) {
          const FixedTransform& b = t[s.SolidOf(bone, twin == 1)];
          const float* h = s.bones[bone].halfExtent;
          double low = 0;
          for (int k = 0; k < 3; ++k) low += std::fabs(b.rotation.m[6 + k] / 65536.0) * h[k];
          EXPECT_GE(b.translation.z / 65536.0 - low, 0.0) << "bone " << bone << " in frame " << f;
        }
    }
    // At the middle the palms hold the grips: from the seat, the cars' wheel 0.55 m forward and
    // 0.65 m up, its rim 0.165 m out; the kart's 0.45 and 0.55, 0.14 out; the bike's bars 0.88
    // and 0.58, their grips 0.3 out.
    const double grips[3][3] = {{0.165, 0.55, 0.65}, {0.14, 0.45, 0.55}, {0.30, 0.88, 0.58}};
    const double* g = grips[set.posture];
    const IntVector& palm = steer.frames[1].transforms[hand].translation;
    EXPECT_NEAR(palm.x / 65536.0, g[0], 1e-3);
    EXPECT_NEAR(palm.y / 65536.0, g[1], 1e-3);
    EXPECT_NEAR(palm.z / 65536.0, g[2], 1e-3);
    // At the locks the hands have turned with the wheel about its column, which leans back by the
    // set's pitch: the right hand rises at the left lock, falls at the right.
    const int32_t centre = palm.z;
    EXPECT_GT(steer.frames[0].transforms[hand].translation.z - centre, 0);
    EXPECT_LT(steer.frames[2].transforms[hand].translation.z - centre, 0);
    if (set.posture == POSTURE_BIKE) {
      // The bars' 30 degrees about a column leaning back 24 degrees: the right grip at the left
      // lock is (0.3 cos 30, 0.88 + 0.3 sin 30 cos 24, 0.58 + 0.3 sin 30 sin 24).
      const IntVector& locked = steer.frames[0].transforms[hand].translation;
      EXPECT_NEAR(locked.x / 65536.0, 0.2598, 1e-3);
      EXPECT_NEAR(locked.y / 65536.0, 1.0170, 1e-3);
      EXPECT_NEAR(locked.z / 65536.0, 0.6410, 1e-3);
    }
    sit.Free();
    steer.Free();
  }
  rig.Free();
  s.Free();
}

}  // namespace
