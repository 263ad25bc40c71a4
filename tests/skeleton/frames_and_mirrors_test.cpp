// frames_and_mirrors_test.cpp - an animation's frames inserted, deleted, copied and sampled at
// a phase, poses made and copied, and the bones coloured and mirrored in x, on a small
// skeleton of a plain bone, a symmetrical pair and another plain bone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "skeleton/skeleton.h"

namespace {

// Bones: 0 plain (solid 0), 1 symmetrical (solids 1 and 2), 2 plain (solid 3).
void MakeSmallSkeleton(Skeleton& s) {
  s.Init();
  s.density = 1000.0f;
  s.boneCount = 3;
  s.bones = new SkeletonBone[3]();
  for (int i = 0; i < 3; ++i) {
    SkeletonBone& b = s.bones[i];
    b.flags = i == 1 ? SKELETON_BONE_SYMMETRICAL : 0;
    b.halfExtent[0] = b.halfExtent[1] = b.halfExtent[2] = 0.1f;
    b.position[0] = 20000 * (i + 1);
    b.position[1] = 3000 * i;
    b.position[2] = 65536 + 10000 * i;
    b.angles[0] = 0.2f + 0.1f * float(i);
    b.angles[1] = -0.3f;
    b.angles[2] = 0.4f;
    b.colour = 0x203040u + uint32_t(i);
  }
}

// n frames over solids; frame f holds solid k at x = f m, y = k.
void MakeFrames(Animation& a, int n, int solids) {
  a.Free();
  a.frameCount = uint16_t(n);
  a.frames = new AnimationFrame[size_t(n)]();
  for (int f = 0; f < n; ++f) {
    a.frames[f].time = 0.1f * float(f);
    a.frames[f].transforms = new FixedTransform[size_t(solids)]();
    for (int k = 0; k < solids; ++k) {
      MatrixIdentity(a.frames[f].transforms[k].rotation);
      a.frames[f].transforms[k].translation = {f * 65536, k, 0};
    }
  }
}

int FrameX(const Animation& a, int f) { return a.frames[f].transforms[0].translation.x / 65536; }

TEST(Frames, InsertAndDeleteKeepTheOrderAndOneIntervalsShareAndIgnoreIndexesOutside) {
  Animation a;
  MakeFrames(a, 2, 2);
  a.scale = 3.0f;
  a.InsertFrame(1, 2);  // 0 1 1
  ASSERT_EQ(a.frameCount, 3);
  EXPECT_FLOAT_EQ(a.scale, 6.0f) << "two frames, one interval: x 2/1";
  EXPECT_EQ(FrameX(a, 0), 0);
  EXPECT_EQ(FrameX(a, 1), 1);
  EXPECT_EQ(FrameX(a, 2), 1);
  EXPECT_EQ(a.frames[2].time, a.frames[1].time);
  a.InsertFrame(0, 2);  // 0 0 1 1
  ASSERT_EQ(a.frameCount, 4);
  EXPECT_FLOAT_EQ(a.scale, 9.0f) << "x 3/2";
  const int order[4] = {0, 0, 1, 1};
  for (int f = 0; f < 4; ++f) EXPECT_EQ(FrameX(a, f), order[f]) << f;
  a.InsertFrame(4, 2);
  a.InsertFrame(-1, 2);
  EXPECT_EQ(a.frameCount, 4) << "no frame 4, no frame -1";
  a.frames[2].transforms[0].translation.x = 2 * 65536;
  a.DeleteFrame(1, 2);  // 0 2 1
  ASSERT_EQ(a.frameCount, 3);
  EXPECT_FLOAT_EQ(a.scale, 6.0f) << "three left: x 2/3";
  EXPECT_EQ(FrameX(a, 1), 2);
  EXPECT_EQ(FrameX(a, 2), 1);
  a.DeleteFrame(3, 2);
  a.DeleteFrame(-1, 2);
  EXPECT_EQ(a.frameCount, 3);
  a.DeleteFrame(2, 2);  // 0 2
  EXPECT_FLOAT_EQ(a.scale, 3.0f) << "two left: x 1/2";
  a.DeleteFrame(0, 2);
  EXPECT_FLOAT_EQ(a.scale, 3.0f) << "one left: unchanged";
  EXPECT_EQ(FrameX(a, 0), 2);
  a.DeleteFrame(0, 2);
  EXPECT_EQ(a.frameCount, 0);
  EXPECT_EQ(a.frames, nullptr);
  a.Free();
}

// A single frame has no interval to share: its copy makes the first interval, and the scale
// stays what it was.
TEST(Frames, InsertingIntoASingleFrameLeavesTheScale) {
  Animation a;
  MakeFrames(a, 1, 2);
  a.scale = 3.0f;
  a.InsertFrame(0, 2);  // 0 0
  ASSERT_EQ(a.frameCount, 2);
  EXPECT_TRUE(std::isfinite(a.scale));
  EXPECT_EQ(a.scale, 3.0f);
  EXPECT_EQ(FrameX(a, 0), 0);
  EXPECT_EQ(FrameX(a, 1), 0);
  EXPECT_NE(a.frames[1].transforms, a.frames[0].transforms) << "the copy has transforms of its own";
  a.Free();
}

TEST(Frames, CopiesAreDeepAndKeepEveryField) {
  Animation a, b;
  MakeFrames(a, 3, 4);
  a.flags = ANIMATION_CYCLIC;
  a.spare = 7;
  a.scale = 2.5f;
  a.current = 2;
  b.Copy(a, 4);
  ASSERT_EQ(b.frameCount, 3);
  EXPECT_EQ(b.flags, ANIMATION_CYCLIC);
  EXPECT_EQ(b.spare, 7);
  EXPECT_EQ(b.scale, 2.5f);
  EXPECT_EQ(b.current, 2);
  for (int f = 0; f < 3; ++f) {
    EXPECT_NE(b.frames[f].transforms, a.frames[f].transforms);
    EXPECT_EQ(std::memcmp(b.frames[f].transforms, a.frames[f].transforms, 4 * sizeof(FixedTransform)), 0) << f;
    EXPECT_EQ(b.frames[f].time, a.frames[f].time);
  }
  b.Copy(b, 4);
  EXPECT_EQ(b.frameCount, 3) << "a copy onto itself changes nothing";
  Animation empty;
  empty.scale = 4.0f;
  b.Copy(empty, 4);
  EXPECT_EQ(b.frameCount, 0);
  EXPECT_EQ(b.frames, nullptr);
  EXPECT_EQ(b.scale, 4.0f);
  a.Free();
  b.Free();
}

// A copy told of a negative solid count copies no transform: each frame keeps its time and
// gets one zeroed transform of its own.
TEST(Frames, ACopyOfANegativeSolidCountGivesEachFrameOneZeroedTransform) {
  Animation a, b;
  MakeFrames(a, 1, 1);
  a.frames[0].time = 0.5f;
  a.frames[0].transforms[0].translation = {3 * 65536, 4, 5};
  EXPECT_NO_THROW(b.Copy(a, -1));
  EXPECT_EQ(b.frameCount, 1);
  if (b.frameCount == 1) {
    EXPECT_EQ(b.frames[0].time, 0.5f);
    EXPECT_NE(b.frames[0].transforms, nullptr);
    EXPECT_NE(b.frames[0].transforms, a.frames[0].transforms);
    const FixedTransform zero{};
    if (b.frames[0].transforms) {
      EXPECT_EQ(std::memcmp(&b.frames[0].transforms[0], &zero, sizeof zero), 0) << "nothing copied";
    }
  }
  a.Free();
  b.Free();
}

// Sampling: intervals = frames (cyclic) or frames - 1; t = p x intervals; between frame floor(t)
// and the next, modulo the count.
TEST(Frames, SamplingBlendsTheTwoFramesAroundThePhase) {
  Skeleton s;
  MakeSmallSkeleton(s);
  BoneRig rig;
  s.CreateBones(rig);
  Animation a;
  MakeFrames(a, 4, rig.boneCount);
  EXPECT_EQ(AnimationIntervals(a), 3);
  struct Case { bool cyclic; float phase; double x; };
  const Case cases[] = {{false, 0.0f, 0.0}, {false, 0.5f, 1.5}, {false, 1.0f, 3.0}, {false, 0.25f, 0.75},
                        {true, 0.5f, 2.0},  {true, 1.0f, 0.0},  {true, 0.875f, 1.5}, {true, 0.3f, 1.2}};
  for (const Case& c : cases) {
    a.flags = c.cyclic ? ANIMATION_CYCLIC : 0;
    SampleAnimation(a, rig, c.phase);
    // At 0.875 of a cyclic 4: t = 3.5, between frame 3 (x 3) and frame 0 (x 0): 1.5.
    EXPECT_NEAR(rig.bones[0].position.x, c.x * 65536, 1) << c.cyclic << " " << c.phase;
    EXPECT_EQ(rig.bones[2].position.y, 2) << "each solid its own transform";
  }
  a.flags = ANIMATION_CYCLIC;
  EXPECT_EQ(AnimationIntervals(a), 4);
  Animation none;
  rig.bones[0].position.x = 12345;
  SampleAnimation(none, rig, 0.5f);
  EXPECT_EQ(rig.bones[0].position.x, 12345) << "no frames: the rig stays";
  a.Free();
  rig.Free();
  s.Free();
}

TEST(Poses, ADefaultPoseSuitsEverySeatingAndACopyTakesBothAnimations) {
  Skeleton s;
  MakeSmallSkeleton(s);
  BoneRig rig;
  s.CreateBones(rig);
  Pose p;
  p.flags = 9;
  p.lowHeight = 0.4f;
  std::strcpy(p.name, "a long old name");
  MakeFrames(p.high, 2, rig.boneCount);  // an old blend's high animation: let go
  p.MakeDefault(rig);
  EXPECT_EQ(p.flags, 0u);
  EXPECT_EQ(p.seatings, 1023u);
  const char unnamed[POSE_NAME_SIZE] = "unnamed";
  EXPECT_EQ(std::memcmp(p.name, unnamed, POSE_NAME_SIZE), 0) << "the whole field, as a file stores it";
  EXPECT_EQ(p.lowHeight, 0.0f);
  EXPECT_EQ(p.highHeight, 1.0f);
  ASSERT_EQ(p.low.frameCount, 1);
  EXPECT_EQ(p.low.frames[0].transforms[3].translation.x, rig.bones[3].position.x);
  EXPECT_EQ(p.high.frameCount, 0);

  p.flags = POSE_BLEND;
  p.seatings = 5;
  std::strcpy(p.name, "wave");
  MakeFrames(p.high, 2, rig.boneCount);
  p.lowHeight = 0.25f;
  p.highHeight = 0.75f;
  Pose q;
  q.Copy(p, rig.boneCount);
  EXPECT_EQ(q.flags, POSE_BLEND);
  EXPECT_EQ(q.seatings, 5u);
  EXPECT_STREQ(q.name, "wave");
  EXPECT_EQ(q.low.frameCount, 1);
  ASSERT_EQ(q.high.frameCount, 2);
  EXPECT_EQ(q.high.frames[1].transforms[0].translation.x, 65536);
  EXPECT_NE(q.high.frames[1].transforms, p.high.frames[1].transforms);
  EXPECT_EQ(q.lowHeight, 0.25f);
  EXPECT_EQ(q.highHeight, 0.75f);
  p.Free();
  q.Free();
  rig.Free();
  s.Free();
}

// The mirror image in x: a plain bone in place, x negated and elements 01, 02, 10 and 20 of
// its orientation negated; a symmetrical pair exchanges its two mirrored transforms.
TEST(Mirrors, APlainBoneMirrorsInPlaceAndAPairExchangesItsMirroredTransforms) {
  Skeleton s;
  MakeSmallSkeleton(s);
  BoneRig rig;
  s.CreateBones(rig);
  for (int k = 0; k < 9; ++k) {
    rig.bones[0].orientation[k] = 0.1f * float(k + 1);
    rig.bones[1].orientation[k] = -0.05f * float(k + 2);
    rig.bones[2].orientation[k] = 0.07f * float(k) - 0.2f;
  }
  rig.bones[1].position = {1000, 2000, 3000};
  rig.bones[2].position = {-4000, 5000, 6000};
  Bone before[4];
  for (int i = 0; i < 4; ++i) {
    before[i].position = rig.bones[i].position;
    std::copy(rig.bones[i].orientation, rig.bones[i].orientation + 9, before[i].orientation);
  }
  const int sign[9] = {1, -1, -1, -1, 1, 1, -1, 1, 1};
  s.MirrorBone(0, rig);
  EXPECT_EQ(rig.bones[0].position.x, -before[0].position.x);
  EXPECT_EQ(rig.bones[0].position.y, before[0].position.y);
  EXPECT_EQ(rig.bones[0].position.z, before[0].position.z);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(rig.bones[0].orientation[k], float(sign[k]) * before[0].orientation[k]) << k;
  s.MirrorBone(1, rig);
  EXPECT_EQ(rig.bones[1].position.x, 4000);
  EXPECT_EQ(rig.bones[1].position.y, 5000);
  EXPECT_EQ(rig.bones[2].position.x, -1000);
  EXPECT_EQ(rig.bones[2].position.z, 3000);
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(rig.bones[1].orientation[k], float(sign[k]) * before[2].orientation[k]) << k;
    EXPECT_EQ(rig.bones[2].orientation[k], float(sign[k]) * before[1].orientation[k]) << k;
  }
  EXPECT_EQ(rig.bones[3].position.x, before[3].position.x) << "bone 2 untouched";
  // All bones twice: back where they were.
  s.MirrorAllBones(rig);
  s.MirrorAllBones(rig);
  EXPECT_EQ(rig.bones[0].position.x, -before[0].position.x);
  EXPECT_EQ(rig.bones[3].position.x, before[3].position.x);
  // Once more: every bone, the first (solid 0) too, mirrored back.
  s.MirrorAllBones(rig);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(rig.bones[0].orientation[k], before[0].orientation[k]) << k;
  EXPECT_EQ(rig.bones[0].position.x, before[0].position.x);
  s.MirrorAllBones(rig);
  // Bones outside the skeleton, or a pair whose second solid the rig lacks: nothing.
  s.MirrorBone(3, rig);
  s.MirrorBone(-1, rig);
  EXPECT_EQ(rig.bones[3].position.x, before[3].position.x);
  rig.boneCount = 2;  // the pair's second solid outside
  s.MirrorBone(1, rig);
  EXPECT_EQ(rig.bones[1].position.x, 4000);
  rig.boneCount = 1;  // the plain bone 0 inside: mirrored
  s.MirrorBone(0, rig);
  EXPECT_EQ(rig.bones[0].position.x, before[0].position.x);
  rig.boneCount = 4;
  // Colours: each solid its bone's, a solid outside the rig skipped.
  for (Bone& b : rig.bones) b.colour = 0;
  s.ColourBones(rig);
  const uint32_t colours[4] = {0x203040u, 0x203041u, 0x203041u, 0x203042u};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(rig.bones[i].colour, colours[i]) << i;
  for (Bone& b : rig.bones) b.colour = 0;
  rig.boneCount = 3;
  s.ColourBones(rig);
  EXPECT_EQ(rig.bones[2].colour, 0x203041u);
  EXPECT_EQ(rig.bones[3].colour, 0u);
  rig.boneCount = 4;
  rig.Free();
  s.Free();
}

// A symmetrical pair standing last in the rig: its second solid is the rig's last, and the
// pair is still mirrored and exchanged.
TEST(Mirrors, APairOnTheRigsLastTwoSolidsIsMirroredAndExchanged) {
  Skeleton s;
  MakeSmallSkeleton(s);
  s.bones[2].flags = SKELETON_BONE_SYMMETRICAL;  // solids 0; 1 and 2; 3 and 4
  BoneRig rig;
  s.CreateBones(rig);
  ASSERT_EQ(rig.boneCount, 5);
  ASSERT_EQ(s.bones[2].firstSolid, 3);
  for (int k = 0; k < 9; ++k) {
    rig.bones[3].orientation[k] = 0.1f * float(k + 1);
    rig.bones[4].orientation[k] = -0.05f * float(k + 2);
  }
  rig.bones[3].position = {1000, 2000, 3000};
  rig.bones[4].position = {-4000, 5000, 6000};
  s.MirrorBone(2, rig);
  // Each mirrored (x negated), then the two exchanged.
  EXPECT_EQ(rig.bones[3].position.x, 4000);
  EXPECT_EQ(rig.bones[3].position.y, 5000);
  EXPECT_EQ(rig.bones[3].position.z, 6000);
  EXPECT_EQ(rig.bones[4].position.x, -1000);
  EXPECT_EQ(rig.bones[4].position.y, 2000);
  EXPECT_EQ(rig.bones[4].position.z, 3000);
  const int sign[9] = {1, -1, -1, -1, 1, 1, -1, 1, 1};
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(rig.bones[3].orientation[k], float(sign[k]) * -0.05f * float(k + 2)) << k;
    EXPECT_EQ(rig.bones[4].orientation[k], float(sign[k]) * 0.1f * float(k + 1)) << k;
  }
  rig.Free();
  s.Free();
}

}  // namespace
