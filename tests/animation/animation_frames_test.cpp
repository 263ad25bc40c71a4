// animation_frames_test.cpp - frames inserted and deleted with the scale kept in proportion,
// deep copies, sampling at a phase, bones mirrored and coloured, a symmetrical bone's two
// solids; the editor's file commands and damaged files leaving what was loaded unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

#include "core/data_file.h"
#include "tests/animation/anim_test_util.h"
#include "tests/core/report_recorder.h"

namespace {

// An animation of n frames over rig solids whose frame f holds every solid at x = f metres.
void MakeFrames(Animation& a, int n, int solids) {
  a.Free();
  a.frameCount = uint16_t(n);
  a.frames = new AnimationFrame[size_t(n)]();
  for (int f = 0; f < n; ++f) {
    a.frames[f].time = float(f);
    a.frames[f].transforms = new FixedTransform[size_t(solids)]();
    for (int k = 0; k < solids; ++k) {
      MatrixIdentity(a.frames[f].transforms[k].rotation);
      a.frames[f].transforms[k].translation = {f * 65536, k, 0};
    }
  }
}

int FrameX(const Animation& a, int f) { return a.frames[f].transforms[0].translation.x / 65536; }

TEST(AnimationFrames, InsertingAndDeletingKeepOneIntervalsShareOfTheScale) {
  Animation a;
  MakeFrames(a, 1, 3);
  a.scale = 2.0f;
  a.InsertFrame(0, 3);
  EXPECT_EQ(a.frameCount, 2);
  EXPECT_EQ(a.scale, 2.0f) << "one frame had no interval to keep";
  MakeFrames(a, 3, 3);
  a.scale = 2.0f;
  a.InsertFrame(1, 3);  // 0 1 1 2
  ASSERT_EQ(a.frameCount, 4);
  EXPECT_FLOAT_EQ(a.scale, 2.0f * 3.0f / 2.0f);
  EXPECT_EQ(FrameX(a, 1), 1);
  EXPECT_EQ(FrameX(a, 2), 1);
  EXPECT_EQ(FrameX(a, 3), 2);
  EXPECT_NE(a.frames[1].transforms, a.frames[2].transforms) << "the inserted frame owns its transforms";
  a.DeleteFrame(0, 3);  // 1 1 2: three left
  EXPECT_FLOAT_EQ(a.scale, 3.0f * 2.0f / 3.0f);
  a.DeleteFrame(2, 3);
  a.DeleteFrame(5, 3);  // outside: nothing
  EXPECT_EQ(a.frameCount, 2);
  const float two = a.scale;
  a.DeleteFrame(1, 3);
  EXPECT_EQ(a.frameCount, 1);
  EXPECT_EQ(a.scale, two) << "down to one frame keeps the scale";
  a.Free();
}

TEST(AnimationFrames, CopiesAreDeepAndPosesCopyBothAnimations) {
  TestEditor t;
  Animation* source = new Animation;
  MakeFrames(*source, 3, TEST_SOLIDS);
  source->flags = ANIMATION_CYCLIC;
  source->spare = 7;
  source->scale = 0.75f;
  Animation copy;
  copy.Copy(*source, TEST_SOLIDS);
  Animation::Delete(source);  // the copy must stand alone (ASan)
  ASSERT_EQ(copy.frameCount, 3);
  EXPECT_EQ(copy.flags, ANIMATION_CYCLIC);
  EXPECT_EQ(copy.spare, 7);
  EXPECT_EQ(copy.scale, 0.75f);
  EXPECT_EQ(copy.frames[2].time, 2.0f);
  EXPECT_EQ(copy.frames[2].transforms[TEST_SOLIDS - 1].translation.y, TEST_SOLIDS - 1);
  copy.Free();

  Pose* pose = new Pose;
  pose->MakeDefault(t.rig);
  EXPECT_STREQ(pose->name, "unnamed");
  EXPECT_EQ(pose->seatings, ALL_SEATINGS);
  EXPECT_EQ(pose->low.frameCount, 1);
  EXPECT_EQ(pose->high.frameCount, 0);
  pose->flags = POSE_BLEND;
  MakeFrames(pose->high, 2, TEST_SOLIDS);
  pose->highHeight = 0.8f;
  Pose other;
  other.Copy(*pose, TEST_SOLIDS);
  pose->Free();
  delete pose;
  EXPECT_EQ(other.flags, POSE_BLEND);
  EXPECT_EQ(other.high.frameCount, 2);
  EXPECT_EQ(other.highHeight, 0.8f);
  EXPECT_EQ(FrameX(other.high, 1), 1);
  other.Free();
}

TEST(AnimationFrames, SamplingAtAPhaseBlendsTheFramesAroundIt) {
  TestEditor t;
  Animation a;
  MakeFrames(a, 4, TEST_SOLIDS);
  auto x = [&] { return t.rig.bones[0].position.x; };
  a.flags = ANIMATION_CYCLIC;
  SampleAnimation(a, t.rig, 1.0f);  // t = 4: frame 0 into 1, weight 0
  EXPECT_EQ(x(), 0);
  SampleAnimation(a, t.rig, 0.375f);  // t = 1.5
  EXPECT_EQ(x(), 65536 + 32768);
  SampleAnimation(a, t.rig, 0.875f);  // t = 3.5: frame 3 into 0
  EXPECT_EQ(x(), 3 * 65536 - 3 * 32768);
  a.flags = 0;
  SampleAnimation(a, t.rig, 1.0f);  // t = 3: frame 3 into 0, weight 0
  EXPECT_EQ(x(), 3 * 65536);
  SampleAnimation(a, t.rig, 0.5f);  // t = 1.5
  EXPECT_EQ(x(), 65536 + 32768);
  // One frame: every phase is that frame.
  MakeFrames(a, 1, TEST_SOLIDS);
  a.frames[0].transforms[0].translation.x = 7 * 65536;
  for (const float phase : {0.0f, 0.5f, 1.0f}) {
    t.rig.bones[0].position.x = 12345;
    SampleAnimation(a, t.rig, phase);
    EXPECT_EQ(x(), 7 * 65536) << phase;
  }
  a.Free();
  t.rig.bones[0].position.x = 12345;
  SampleAnimation(a, t.rig, 0.5f);  // no frames: nothing changes, no modulo 0
  EXPECT_EQ(x(), 12345);
}

TEST(Bones, MirroringTwiceRestoresAndColoursFollowTheBones) {
  TestEditor t;
  // Turn everything off its rest so the mirror is not the identity.
  for (Bone& b : t.rig.bones) {
    const float turn[9] = {0.8f, -0.6f, 0.0f, 0.48f, 0.64f, -0.6f, 0.36f, 0.48f, 0.8f};
    std::copy(turn, turn + 9, b.orientation);
    b.position.x += 1234;
  }
  std::vector<FixedTransform> before(TEST_SOLIDS), once(TEST_SOLIDS), after(TEST_SOLIDS);
  CopyPartPositions(t.rig, before.data());
  t.skeleton.MirrorBone(0, t.rig);  // plain: in place
  t.skeleton.MirrorBone(2, t.rig);  // the upper arms: exchanged
  CopyPartPositions(t.rig, once.data());
  EXPECT_EQ(once[TRUNK].translation.x, -before[TRUNK].translation.x);
  EXPECT_EQ(once[TRUNK].rotation.m[1], -before[TRUNK].rotation.m[1]);
  EXPECT_EQ(once[TRUNK].rotation.m[4], before[TRUNK].rotation.m[4]);
  EXPECT_EQ(once[UPPER_ARM].translation.x, -before[UPPER_ARM + 1].translation.x);
  EXPECT_EQ(once[UPPER_ARM + 1].translation.z, before[UPPER_ARM].translation.z);
  t.skeleton.MirrorBone(0, t.rig);
  t.skeleton.MirrorBone(2, t.rig);
  CopyPartPositions(t.rig, after.data());
  EXPECT_TRUE(SameTransforms(before.data(), after.data(), TEST_SOLIDS));

  for (Bone& b : t.rig.bones) b.colour = 0;
  t.skeleton.ColourBones(t.rig);
  EXPECT_EQ(t.rig.bones[HAND + 1].colour, t.skeleton.bones[4].colour);
  EXPECT_EQ(t.rig.bones[LEG].colour, t.skeleton.bones[5].colour);
}

TEST(Bones, OneSymmetricalBoneMakesTwoSolidsOfTheBoxesMassAndInertia) {
  Skeleton s;
  s.Init();
  s.boneCount = 1;
  s.bones = new SkeletonBone[1]();
  s.bones[0] = SkeletonBone{SKELETON_BONE_SYMMETRICAL, 0, {0.1f, 0.2f, 0.3f}, {65536, 0, 0}, {0, 0, 0}, 0xFF};
  BoneRig rig;
  s.CreateBones(rig);
  ASSERT_EQ(rig.boneCount, 2);
  const float mass = 8.0f * 0.1f * 0.2f * 0.3f * 1000.0f;
  for (const Bone& b : rig.bones) {
    EXPECT_FLOAT_EQ(b.mass, mass);
    EXPECT_FLOAT_EQ(b.radius, std::sqrt(0.01f + 0.04f + 0.09f));
    EXPECT_FLOAT_EQ(b.inertia[0], mass * (0.04f + 0.09f) / 3.0f);
    EXPECT_FLOAT_EQ(b.inertia[8], mass * (0.01f + 0.04f) / 3.0f);
    EXPECT_FLOAT_EQ(b.stiffness, 1000.0f * mass);
    EXPECT_FLOAT_EQ(b.damping, 50.0f * mass);
  }
  EXPECT_EQ(rig.bones[1].position.x, -65536) << "the twin stands mirrored";
  EXPECT_EQ(rig.stepsDone, 0u);
  rig.Free();
  s.Free();
}

class AnimationFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove_all("data");
    std::filesystem::create_directories("data/move");
    std::filesystem::create_directories("data/skl");
  }
  void TearDown() override { std::filesystem::remove_all("data"); }
  ReportRecorder recorder;
};

// Saving makes the animations' folder when it is missing, and the file is written into it.
TEST_F(AnimationFiles, SavingMakesTheMissingFolderOfTheAnimations) {
  std::filesystem::remove_all("data/move");
  TestEditor t(2);
  ASSERT_EQ(SaveAnimation(t.editor, "made"), 1);
  EXPECT_EQ(ReportRecorder::NewestText(), "Saved ^Ldata/move/made.ban");
  ASSERT_EQ(SaveSkeleton(t.editor, "made"), 1);
  EXPECT_EQ(ReportRecorder::NewestText(), "Saved ^Ldata/skl/made.skl");
  EXPECT_TRUE(std::filesystem::is_directory("data/move"));
  EXPECT_TRUE(std::filesystem::exists("data/move/made.ban"));
}

TEST_F(AnimationFiles, SavedThenLoadedTheAnimationComesBackAndTheHistoryEmpties) {
  TestEditor t(3);
  Animation driver;
  t.editor.driverAnimation = &driver;  // driver mode: the name is kept
  t.animation.scale = 1.5f;
  t.animation.frames[2].transforms[HEAD].translation.y = 4242;
  t.editor.unsaved = 1;
  ASSERT_EQ(SaveAnimation(t.editor, "wave"), 1);
  EXPECT_STREQ(t.editor.animationName, "wave");
  EXPECT_EQ(t.editor.unsaved, 0);
  Animation saved;
  saved.Copy(t.animation, TEST_SOLIDS);

  AddUndo(t.editor);
  t.animation.DeleteFrame(2, TEST_SOLIDS);
  std::snprintf(t.editor.animationName, sizeof t.editor.animationName, "other");
  SetCurrentFrame(t.editor, 1);  // the load shows the first frame whichever was shown
  t.rig.bones[HEAD].position.y = 999;
  ASSERT_EQ(LoadAnimation(t.editor, "wave"), 1);
  EXPECT_TRUE(t.editor.undo.empty());
  EXPECT_STREQ(t.editor.animationName, "wave");
  EXPECT_EQ(t.editor.unsaved, 0);
  ASSERT_EQ(t.animation.frameCount, 3);
  EXPECT_EQ(t.animation.scale, 1.5f);
  EXPECT_EQ(t.editor.currentFrame, &t.animation.frames[0]);
  EXPECT_EQ(t.rig.bones[HEAD].position.y, saved.frames[0].transforms[HEAD].translation.y) << "the rig in frame 0";
  EXPECT_EQ(t.editor.phase, 0.0f);
  for (int f = 0; f < 3; ++f)
    EXPECT_TRUE(SameTransforms(t.animation.frames[f].transforms, saved.frames[f].transforms, TEST_SOLIDS)) << f;
  saved.Free();

  // Without a selected animation neither loads nor saves.
  Animation* kept = t.editor.selected;
  t.editor.selected = nullptr;
  EXPECT_EQ(LoadAnimation(t.editor, "wave"), 0);
  EXPECT_EQ(ReportRecorder::Reports().boxes.back(), "NO ANIM selected|-");
  EXPECT_EQ(SaveAnimation(t.editor, "wave2"), 0);
  EXPECT_FALSE(std::filesystem::exists("data/move/wave2.ban"));
  t.editor.selected = kept;

  // A missing file or a bad name changes nothing.
  EXPECT_EQ(LoadAnimation(t.editor, "none"), 0);
  EXPECT_EQ(SaveAnimation(t.editor, "a|b"), 0);
  ASSERT_FALSE(ReportRecorder::Reports().boxes.empty());
  EXPECT_EQ(ReportRecorder::Reports().boxes.back(), "Invalid file name : a|b holds \"|\", which no file name may hold|-")
      << "the fault, the name and why";
  EXPECT_EQ(LoadAnimation(t.editor, "../x"), 0);
  EXPECT_EQ(t.animation.frameCount, 3);
  EXPECT_FALSE(std::filesystem::exists("data/move/a|b.ban"));
  t.editor.driverAnimation = nullptr;
}

TEST_F(AnimationFiles, ASkeletonIsSavedAsItsBodyInItsContainer) {
  TestEditor t;
  ASSERT_EQ(SaveSkeleton(t.editor, "tester"), 1);
  const std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) { t.skeleton.Write(f); });
  std::vector<uint8_t> file(DATA_FILE_HEADER_SIZE + body.size());
  FILE* in = std::fopen("data/skl/tester.skl", "rb");
  ASSERT_NE(in, nullptr);
  ASSERT_EQ(std::fread(file.data(), 1, file.size(), in), file.size());
  EXPECT_EQ(std::fgetc(in), EOF);
  std::fclose(in);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "QXSKEL");
  EXPECT_EQ(file[6] * 256 + file[7], 252);
  EXPECT_TRUE(std::equal(body.begin(), body.end(), file.begin() + DATA_FILE_HEADER_SIZE));
}

TEST_F(AnimationFiles, DamagedFilesNameTheFieldAndLeaveWhatWasLoaded) {
  TestEditor t(2);
  t.animation.frames[1].transforms[0].translation.x = 777;
  Animation bad;
  MakeFrames(bad, 2, TEST_SOLIDS);
  bad.scale = std::numeric_limits<float>::infinity();
  ASSERT_EQ(WriteAnimationFile(bad, "data\\move\\inf.ban", nullptr, TEST_SOLIDS), 1);
  bad.Free();
  EXPECT_EQ(LoadAnimation(t.editor, "inf"), 0);
  EXPECT_EQ(t.animation.frameCount, 2);
  EXPECT_EQ(t.animation.frames[1].transforms[0].translation.x, 777);
  ASSERT_FALSE(ReportRecorder::Reports().boxes.empty());
  EXPECT_EQ(ReportRecorder::Reports().boxes.back(), "Damaged file :|data/move/inf.ban (animation scale)");

  // A skeleton whose joint names a bone it lacks is refused with the field named.
  Skeleton s;
  s.Init();
  s.boneCount = SKELETON_MIN_SOLIDS;
  s.bones = new SkeletonBone[SKELETON_MIN_SOLIDS]();
  s.jointCount = 1;
  s.joints = new SkeletonJoint[1]();
  s.joints[0].boneA = 0;
  s.joints[0].boneB = SKELETON_MIN_SOLIDS;  // one past the last bone
  const std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) { s.Write(f); });
  s.Free();
  const std::vector<uint8_t> image = DataFileImage(SKELETON_MAGIC, body, 252);
  DataFile f{};
  int32_t version = 0;
  ASSERT_TRUE(f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), SKELETON_MAGIC, &version, 252));
  Skeleton read;
  read.Init();
  EXPECT_EQ(read.Read(f), 0);
  f.Close();
  EXPECT_STREQ(SkeletonReadFault, "skeleton joint bones");
  EXPECT_EQ(read.boneCount, 0);
}

}  // namespace

namespace {

// An animation file image built byte by byte: version, flags, frames of solids transforms.
std::vector<uint8_t> HandMadeFile(int version, uint16_t flags, int frames, int solids) {
  std::vector<uint8_t> b = {'Q', 'X', 'A', 'N', 'I', 'M', uint8_t(version >> 8), uint8_t(version)};
  auto u16 = [&](uint32_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
  u16(flags);
  b.push_back(1);
  b.push_back(0);
  u32(0x3FC00000u);  // 1.5
  u16(uint32_t(frames));
  u16(uint32_t(solids));
  for (int f = 0; f < frames; ++f) {
    u32(0x3E800000u * uint32_t(f > 0));  // 0.25 after the first
    for (int k = 0; k < solids * 12; ++k) u32(uint32_t(f * 1000 + k));
  }
  return b;
}

TEST_F(AnimationFiles, HandMadeFilesOfEveryVersionReadAndWriteBackTheSameBody) {
  for (int version : {249, 250, 251, 252})
    for (uint16_t flags : {uint16_t(0), ANIMATION_CYCLIC})
      for (int frames : {0, 1, 32}) {
        const std::vector<uint8_t> image = HandMadeFile(version, flags, frames, 5);
        FILE* out = std::fopen("data/move/hand.ban", "wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(image.data(), 1, image.size(), out);
        std::fclose(out);
        Animation a;
        ASSERT_EQ(ReadAnimationFile(a, "data\\move\\hand.ban", nullptr, 5, 0.0f), 1) << version << frames;
        EXPECT_EQ(a.frameCount, frames);
        EXPECT_EQ(a.flags, flags);
        const std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) { WriteAnimation(a, f, 5); });
        EXPECT_EQ(body.size(), image.size() - DATA_FILE_HEADER_SIZE) << "the counting pass measures the body";
        EXPECT_TRUE(std::equal(body.begin(), body.end(), image.begin() + DATA_FILE_HEADER_SIZE)) << version << frames;
        a.Free();
      }
  // Version 248 without an owner: the refusal is an error line naming the path.
  const std::vector<uint8_t> old = HandMadeFile(248, 0, 1, 5);
  FILE* out = std::fopen("data/move/old.ban", "wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(old.data(), 1, old.size(), out);
  std::fclose(out);
  Animation a;
  EXPECT_EQ(ReadAnimationFile(a, "data\\move\\old.ban", nullptr, 5, 0.0f), 0);
  ASSERT_FALSE(ReportRecorder::Reports().boxes.empty());
  EXPECT_EQ(ReportRecorder::Reports().boxes.back(), "Could not open file :|data/move/old.ban");
}

}  // namespace
