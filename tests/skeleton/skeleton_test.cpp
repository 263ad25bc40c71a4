// skeleton_test.cpp - the skeleton body written and read back field by field (every write
// mode the same bytes), refused skeletons (no bones, 30 solids, damaged counts and every cut
// short body) holding nothing, animations read into rigs of another size, and the rig of bone
// solids a skeleton makes at rest with its pose copied to 16.16 transforms, its joints' frames
// and the bone indexes a joint may name.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/report.h"
#include "skeleton/skeleton.h"

namespace {

FixedTransform Transform(int seed) {
  FixedTransform t;
  for (int i = 0; i < 9; ++i) t.rotation.m[i] = seed * 100 + i;
  t.translation = {seed, -seed, seed * 7};
  return t;
}

void MakeAnimation(Animation& a, int frames, int solids, int seed) {
  a.flags = uint16_t(seed & 1);
  a.scale = 0.5f + float(seed);
  a.frameCount = uint16_t(frames);
  a.frames = frames ? new AnimationFrame[size_t(frames)]() : nullptr;
  for (int f = 0; f < frames; ++f) {
    a.frames[f].time = float(f) * 0.25f;
    a.frames[f].transforms = new FixedTransform[size_t(solids)];
    for (int k = 0; k < solids; ++k) a.frames[f].transforms[k] = Transform(seed * 1000 + f * 100 + k);
  }
}

// singles plain bones and pairs symmetrical ones, two joints, 18 movements of two frames, and
// two poses (one blended).
void MakeSkeleton(Skeleton& s, int singles, int pairs) {
  s.Init();
  s.density = 985.0f;
  s.boneCount = singles + pairs;
  s.bones = new SkeletonBone[size_t(s.boneCount)]();
  for (int i = 0; i < s.boneCount; ++i) {
    SkeletonBone& b = s.bones[i];
    b.flags = i >= singles ? SKELETON_BONE_SYMMETRICAL : 0;
    b.halfExtent[0] = 0.05f + 0.01f * float(i);
    b.halfExtent[1] = 0.04f;
    b.halfExtent[2] = 0.1f;
    b.position[0] = (i + 1) * 3000;
    b.position[1] = -i * 1000;
    b.position[2] = 65536 + i * 5000;
    b.angles[0] = 0.1f * float(i);
    b.angles[1] = -0.05f;
    b.angles[2] = 0.2f;
    b.colour = 0x102030u + uint32_t(i);
  }
  s.jointCount = 2;
  s.joints = new SkeletonJoint[2]();
  s.joints[0] = SkeletonJoint{SKELETON_JOINT_HINGE, 0, 0, {1, 2, 3}, 90.0f, 5.0f, 0, 1, {0.1f, 0.2f, 0.3f}};
  s.joints[1] = SkeletonJoint{0, SKELETON_JOINT_SYMMETRICAL, 0, {4, 5, 6}, 45.0f, 30.0f, 1, 2, {0, 0, 0}};
  const int solids = s.SolidCount();
  for (int m = 0; m < MOVEMENT_COUNT; ++m) MakeAnimation(s.movements[m], 2, solids, m);
  s.poseCount = 2;
  s.poses = new Pose[2];
  s.poses[0].flags = POSE_STANDING;
  s.poses[0].seatings = ALL_SEATINGS;
  std::strcpy(s.poses[0].name, "stand");
  MakeAnimation(s.poses[0].low, 1, solids, 40);
  s.poses[1].flags = POSE_BLEND | POSE_EXCITED;
  s.poses[1].seatings = 5;
  std::strcpy(s.poses[1].name, "cheer");
  MakeAnimation(s.poses[1].low, 2, solids, 41);
  MakeAnimation(s.poses[1].high, 3, solids, 42);
  s.poses[1].lowHeight = 0.2f;
  s.poses[1].highHeight = 0.7f;
}

template <class Write>
std::vector<uint8_t> Body(Write write) {
  const std::vector<uint8_t> bytes = MemoryWriteBody(write);
  EXPECT_FALSE(bytes.empty()) << "the counting pass measures what is written";
  return bytes;
}

// A body open for reading in memory.
struct Reader {
  std::vector<uint8_t> image;
  DataFile file{};
  explicit Reader(const std::vector<uint8_t>& body) {
    const uint8_t header[DATA_FILE_HEADER_SIZE] = {'Q', 'X', 'S', 'K', 'E', 'L', 0, 252};
    image.resize(DATA_FILE_HEADER_SIZE + body.size());
    std::memcpy(image.data(), header, DATA_FILE_HEADER_SIZE);
    if (!body.empty()) std::memcpy(image.data() + DATA_FILE_HEADER_SIZE, body.data(), body.size());
    int32_t version = 0;
    EXPECT_TRUE(file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), SKELETON_MAGIC, &version, 252));
  }
  ~Reader() { file.Close(); }
};

std::vector<uint8_t> SkeletonBody(const Skeleton& s) {
  return Body([&](DataFile& f) { s.Write(f); });
}

TEST(SkeletonFile, TheBodyReadsBackFieldByFieldAndWritesTheSameBytes) {
  Skeleton written;
  MakeSkeleton(written, 3, 14);  // 3 + 28 = 31 solids
  const std::vector<uint8_t> body = SkeletonBody(written);
  ASSERT_FALSE(body.empty());
  EXPECT_EQ(body.size(), 8 + 17u * SKELETON_BONE_BYTES + 4 + 2u * SKELETON_JOINT_BYTES + 4 +
                             18 * (12 + 2 * (4 + 31 * 48)) + 4 + (24 + 12 + 4 + 31 * 48) +
                             (24 + 12 + 2 * (4 + 31 * 48) + 12 + 3 * (4 + 31 * 48) + 8));

  Reader reader(body);
  Skeleton read;
  read.Init();
  ASSERT_EQ(read.Read(reader.file), 1);
  EXPECT_EQ(reader.file.BytesLeft(), 0);
  EXPECT_EQ(read.density, 985.0f);
  ASSERT_EQ(read.boneCount, 17);
  EXPECT_EQ(read.bones[16].colour, 0x102030u + 16);
  EXPECT_EQ(read.bones[16].angles[0], written.bones[16].angles[0]);
  EXPECT_EQ(read.bones[5].firstSolid, 0) << "made with the rig, not stored";
  ASSERT_EQ(read.jointCount, 2);
  EXPECT_EQ(read.joints[0].axisAngles[2], 0.3f);
  EXPECT_EQ(read.joints[0].limitA, 90.0f);
  EXPECT_EQ(read.joints[1].boneB, 2);
  EXPECT_EQ(read.movements[17].frames[1].transforms[30].translation.z, written.movements[17].frames[1].transforms[30].translation.z);
  EXPECT_EQ(read.movements[3].scale, 3.5f);
  ASSERT_EQ(read.poseCount, 2);
  EXPECT_STREQ(read.poses[1].name, "cheer");
  EXPECT_EQ(read.poses[1].high.frameCount, 3);
  EXPECT_EQ(read.poses[1].lowHeight, 0.2f);
  EXPECT_EQ(read.poses[0].lowHeight, 0.0f) << "without the blend flag neither heights nor high are stored";
  EXPECT_EQ(read.poses[0].highHeight, 1.0f);
  EXPECT_EQ(read.poses[0].high.frameCount, 0);
  EXPECT_EQ(SkeletonBody(read), body);

  // Through a file too: the same bytes after the header.
  std::filesystem::remove("skeleton.skl");
  DataFile out{};
  ASSERT_EQ(out.OpenWrite(nullptr, "skeleton.skl", SKELETON_MAGIC, SKELETON_FILE_VERSION), 1);
  written.Write(out);
  ASSERT_EQ(out.Close(), 1);
  EXPECT_EQ(std::filesystem::file_size("skeleton.skl"), body.size() + DATA_FILE_HEADER_SIZE);
  std::filesystem::remove("skeleton.skl");
  read.Free();
  // A skeleton without poses reads back with none and no pose table.
  for (int i = 0; i < written.poseCount; ++i) written.poses[i].Free();
  delete[] written.poses;
  written.poses = nullptr;
  written.poseCount = 0;
  Reader posesLess(SkeletonBody(written));
  Skeleton none;
  none.Init();
  ASSERT_EQ(none.Read(posesLess.file), 1);
  EXPECT_EQ(none.poseCount, 0);
  EXPECT_EQ(none.poses, nullptr);
  none.Free();
  written.Free();
}

TEST(SkeletonFile, ThirtySolidsAreRefusedAndThirtyOneTaken) {
  for (int singles : {0, 1}) {
    Skeleton s;
    MakeSkeleton(s, singles, 15);
    const std::vector<uint8_t> body = SkeletonBody(s);
    s.Free();
    Reader reader(body);
    Skeleton read;
    read.Init();
    EXPECT_EQ(read.Read(reader.file), singles) << 30 + singles << " solids";
    if (!singles) {
      EXPECT_EQ(read.boneCount, 0) << "a refused skeleton keeps no bones";
      EXPECT_EQ(read.bones, nullptr);
    }
    read.Free();
  }
  // No bones at all.
  std::vector<uint8_t> empty(8, 0);
  Reader reader(empty);
  Skeleton none;
  none.Init();
  EXPECT_EQ(none.Read(reader.file), 0);
}

TEST(SkeletonFile, DamagedBodiesAreRefusedWithNothingKept) {
  Skeleton s;
  MakeSkeleton(s, 1, 15);
  const std::vector<uint8_t> body = SkeletonBody(s);
  s.Free();
  for (size_t n = 1; n < body.size(); n += 7) {
    Reader reader(std::vector<uint8_t>(body.begin(), body.begin() + long(n)));
    Skeleton read;
    read.Init();
    ASSERT_EQ(read.Read(reader.file), 0) << n;
    EXPECT_EQ(read.boneCount, 0);
    EXPECT_EQ(read.poseCount, 0);
    EXPECT_EQ(read.movements[0].frames, nullptr);
  }
  // Counts beyond the bytes left: bones, joints, movements, poses.  The joint count's refusal
  // names its field.
  for (size_t at : {size_t(4), 8 + 16 * size_t(SKELETON_BONE_BYTES)}) {
    std::vector<uint8_t> damaged = body;
    damaged[at + 3] = 0x40;  // a count of about a billion
    Reader reader(damaged);
    Skeleton read;
    read.Init();
    SkeletonReadFault = "";
    EXPECT_EQ(read.Read(reader.file), 0) << at;
    if (at != 4) {
      EXPECT_STREQ(SkeletonReadFault, "skeleton joint count");
    }
  }
}

TEST(SkeletonFile, MoreThanEighteenMovementsRefuseTheSkeleton) {
  Skeleton s;
  MakeSkeleton(s, 1, 15);
  // A body with 20 movements: two more animation bodies before the poses.
  std::vector<uint8_t> body = Body([&](DataFile& f) {
    const int solids = s.SolidCount();
    f.WriteFloat(s.density);
    f.WriteInt(s.boneCount);
    for (int i = 0; i < s.boneCount; ++i) {
      f.WriteInt(int32_t(s.bones[i].flags));
      f.WriteInt(0);
      for (float h : s.bones[i].halfExtent) f.WriteFloat(h);
      for (int32_t p : s.bones[i].position) f.WriteInt(p);
      for (float a : s.bones[i].angles) f.WriteFloat(a);
      f.WriteInt(int32_t(s.bones[i].colour));
    }
    f.WriteInt(0);
    f.WriteInt(20);
    for (int m = 0; m < 20; ++m) WriteAnimation(s.movements[m % MOVEMENT_COUNT], f, solids);
    f.WriteInt(1);
    f.WriteInt(int32_t(s.poses[0].flags));
    f.WriteInt(int32_t(s.poses[0].seatings));
    f.WriteFixedString(s.poses[0].name, POSE_NAME_SIZE);
    WriteAnimation(s.poses[0].low, f, solids);
  });
  Reader reader(body);
  Skeleton read;
  read.Init();
  EXPECT_EQ(read.Read(reader.file), 0) << "we write eighteen: more is a damaged body";
  EXPECT_STREQ(SkeletonReadFault, "skeleton movement count");
  EXPECT_EQ(read.boneCount, 0);
  EXPECT_EQ(read.movements[0].frameCount, 0);
  read.Free();
  s.Free();
}

TEST(AnimationBody, FramesReadIntoAnotherRigKeepTheirPlaces) {
  Animation forty;
  MakeAnimation(forty, 2, 40, 3);
  const std::vector<uint8_t> body = Body([&](DataFile& f) { WriteAnimation(forty, f, 40); });
  {
    Reader reader(body);
    Animation a;
    ASSERT_EQ(ReadAnimation(a, reader.file, 36, 0.0f), 1);
    EXPECT_EQ(reader.file.BytesLeft(), 0);
    ASSERT_EQ(a.frameCount, 2);
    EXPECT_EQ(a.frames[1].time, 0.25f) << "the second frame starts after the skipped transforms";
    EXPECT_EQ(std::memcmp(&a.frames[1].transforms[35], &forty.frames[1].transforms[35], sizeof(FixedTransform)), 0);
    a.Free();
  }
  {
    // A rig of no solids (a count below zero counts as none): every stored transform skipped.
    Reader reader(body);
    Animation a;
    ASSERT_EQ(ReadAnimation(a, reader.file, -1, 0.0f), 1);
    EXPECT_EQ(reader.file.BytesLeft(), 0);
    ASSERT_EQ(a.frameCount, 2);
    EXPECT_EQ(a.frames[1].time, 0.25f);
    a.Free();
  }
  Animation thirtySix;
  MakeAnimation(thirtySix, 2, 36, 4);
  const std::vector<uint8_t> shorter = Body([&](DataFile& f) { WriteAnimation(thirtySix, f, 36); });
  {
    Reader reader(shorter);
    Animation a;
    ASSERT_EQ(ReadAnimation(a, reader.file, 40, 0.0f), 1);
    for (int k = 36; k < 40; ++k) {
      EXPECT_EQ(a.frames[1].transforms[k].rotation.m[0], FIXED_ONE) << k;
      EXPECT_EQ(a.frames[1].transforms[k].rotation.m[1], 0) << k;
      EXPECT_EQ(a.frames[1].transforms[k].translation.x, 0) << k;
    }
    a.Free();
  }
  // A scale marker of 0: the stored scale without a default, the default with one.
  std::vector<uint8_t> unmarked = body;
  unmarked[2] = 0;
  for (float fallback : {0.0f, 2.5f}) {
    Reader reader(unmarked);
    Animation a;
    ASSERT_EQ(ReadAnimation(a, reader.file, 40, fallback), 1);
    EXPECT_EQ(a.scale, fallback == 0.0f ? forty.scale : 2.5f);
    a.Free();
  }
  // A rig of no solids still counts a transform a frame against the budget.
  {
    Reader again(body);
    Animation none;
    int64_t budget = 1;
    EXPECT_EQ(ReadAnimationWithin(none, again.file, 0, 0.0f, budget), 0) << "two frames, room for one";
    EXPECT_EQ(budget, 1);
  }
  // Frames beyond the limit or the bytes: refused before anything is made.
  std::vector<uint8_t> many = body;
  many[8] = 0xFF;
  many[9] = 0xFF;
  Reader reader(many);
  Animation a;
  EXPECT_EQ(ReadAnimation(a, reader.file, 40, 0.0f), 0);
  EXPECT_EQ(a.frames, nullptr);
  // A small body whose frames store nothing still makes a transform per rig solid: the
  // reads of one file draw them from one budget, and an animation that would pass it is
  // refused before anything is made.
  {
    Reader again(body);
    Animation limited;
    int64_t budget = 2 * 40 - 1;
    EXPECT_EQ(ReadAnimationWithin(limited, again.file, 40, 0.0f, budget), 0);
    EXPECT_EQ(limited.frames, nullptr);
    EXPECT_EQ(budget, 2 * 40 - 1);
  }
  {
    Reader again(body);
    Animation enough;
    int64_t budget = 2 * 40;
    EXPECT_EQ(ReadAnimationWithin(enough, again.file, 40, 0.0f, budget), 1);
    EXPECT_EQ(budget, 0);
    enough.Free();
  }
  forty.Free();
  thirtySix.Free();
}

TEST(BoneRig, EachSolidStandsAtRestWithItsMassHullAndContactConstants) {
  Skeleton s;
  MakeSkeleton(s, 2, 15);
  s.bones[1].halfExtent[0] = 0.0f;  // a bone of no size
  BoneRig rig;
  s.CreateBones(rig);
  ASSERT_EQ(rig.boneCount, 32);
  EXPECT_EQ(rig.jointCount, 3) << "one constraint for the plain joint, two for the symmetrical one";
  EXPECT_EQ(s.joints[1].firstConstraint, 1);
  EXPECT_EQ(s.bones[2].firstSolid, 2);
  EXPECT_EQ(s.bones[3].firstSolid, 4) << "a symmetrical bone takes two solids";

  const SkeletonBone& sb = s.bones[2];
  const float hx = sb.halfExtent[0], hy = sb.halfExtent[1], hz = sb.halfExtent[2];
  for (int twin = 0; twin < 2; ++twin) {
    const Bone& b = rig.bones[2 + twin];
    const float mass = 8 * hx * hy * hz * 985.0f;
    EXPECT_FLOAT_EQ(b.mass, mass);
    EXPECT_FLOAT_EQ(b.stiffness, 1000 * mass);
    EXPECT_FLOAT_EQ(b.damping, 50 * mass);
    EXPECT_EQ(b.grip, BONE_GRIP);
    EXPECT_FLOAT_EQ(b.inertia[0], mass * (hy * hy + hz * hz) / 3);
    EXPECT_FLOAT_EQ(b.inertia[4], mass * (hx * hx + hz * hz) / 3);
    EXPECT_FLOAT_EQ(b.inertia[8], mass * (hx * hx + hy * hy) / 3);
    EXPECT_FLOAT_EQ(b.inverseInertia[4] * b.inertia[4], 1.0f);
    EXPECT_EQ(b.inertia[1], 0.0f);
    EXPECT_FLOAT_EQ(b.radius, std::sqrt(hx * hx + hy * hy + hz * hz));
    // The corners in four pairs differing in x.
    EXPECT_EQ(b.points[0].local.x, hx);
    EXPECT_EQ(b.points[1].local.x, -hx);
    EXPECT_EQ(b.points[2].local.y, -hy);
    EXPECT_EQ(b.points[7].local.z, -hz);
    EXPECT_EQ(b.extent[0], hy);
    EXPECT_EQ(b.extent[3], -hx);
    EXPECT_EQ(b.extent[4], hz);
    EXPECT_EQ(b.colour, sb.colour);
    EXPECT_EQ(b.halfSize.z, hz);
    EXPECT_EQ(b.awake, 1);
  }
  // The mirror twin: x negated, first and third angles negated.
  float m[9], mirrored[9];
  MatrixFromEulerF(m, sb.angles[0], sb.angles[1], sb.angles[2]);
  MatrixFromEulerF(mirrored, -sb.angles[0], sb.angles[1], -sb.angles[2]);
  EXPECT_EQ(rig.bones[2].position.x, sb.position[0]);
  EXPECT_EQ(rig.bones[3].position.x, -sb.position[0]);
  EXPECT_EQ(rig.bones[3].position.z, sb.position[2]);
  EXPECT_EQ(std::memcmp(rig.bones[2].orientation, m, sizeof m), 0);
  EXPECT_EQ(std::memcmp(rig.bones[3].orientation, mirrored, sizeof m), 0);
  // A bone of no size has no mass and turns by no torque.
  EXPECT_EQ(rig.bones[1].mass, 0.0f);
  EXPECT_EQ(rig.bones[1].inverseInertia[0], 0.0f);

  // The pose as 16.16 transforms, and back at rest after a move.
  std::vector<FixedTransform> frames(size_t(rig.boneCount));
  CopyPartPositions(rig, frames.data());
  FixedMatrix expected;
  MatrixFloatToFixed(mirrored, expected);
  EXPECT_EQ(std::memcmp(&frames[3].rotation, &expected, sizeof expected), 0);
  EXPECT_EQ(frames[3].translation.x, -sb.position[0]);
  EXPECT_EQ(frames[3].rotation.m[0], int32_t(std::nearbyint(mirrored[0] * 65536.0f)));
  rig.bones[3].position.x += 5000;
  rig.bones[3].velocity = {1, 2, 3};
  rig.stepsDone = rig.runTime = 70;
  rig.joints[0].lastSeparation = {0.5f, 0.5f, 0.5f};
  s.UpdateBones(rig);
  EXPECT_EQ(rig.stepsDone, 0u) << "the clock starts again";
  EXPECT_EQ(rig.runTime, 0u);
  EXPECT_EQ(rig.joints[0].lastSeparation.x, 0.0f);
  EXPECT_EQ(rig.bones[3].position.x, -sb.position[0]);
  EXPECT_EQ(rig.bones[3].velocity.y, 0.0f);
  rig.Free();
  EXPECT_TRUE(rig.bones.empty());
  s.Free();
}

TEST(BoneRig, EachJointJoinsItsBonesAtItsCentreWithItsFrameAndLimits) {
  Skeleton s;
  MakeSkeleton(s, 2, 15);
  BoneRig rig;
  s.CreateBones(rig);
  ASSERT_EQ(rig.jointCount, 3);
  // The hinge between the two plain bones.
  const BoneJoint& hinge = rig.joints[0];
  EXPECT_EQ(hinge.type, 1);
  EXPECT_EQ(hinge.a, &rig.bones[0]);
  EXPECT_EQ(hinge.b, &rig.bones[1]);
  EXPECT_FLOAT_EQ(hinge.swingLimit, 2.0f * std::sin(90.0f * 3.14159265f / 360.0f));
  EXPECT_FLOAT_EQ(hinge.twistLimit, 2.0f * std::sin(5.0f * 3.14159265f / 360.0f));
  // Each anchor, taken back to the world, is the joint's centre.
  for (int c = 0; c < 3; ++c) {
    const BoneJoint& j = rig.joints[c];
    const SkeletonJoint& sj = s.joints[c == 0 ? 0 : 1];
    const bool mirror = c == 2;
    const Vec3 a = MatrixTimes(j.a->orientation, j.anchorA) + MetresBetween(j.a->position, {});
    const Vec3 b = MatrixTimes(j.b->orientation, j.anchorB) + MetresBetween(j.b->position, {});
    const float x = float(sj.position[0]) / 65536.0f;
    // The mirror's anchor is the joint's offset mirrored: a plain bone A off the centre line
    // takes it from its own place.
    const float ax = float(s.bones[sj.boneA].position[0]) / 65536.0f;
    EXPECT_NEAR(a.x, mirror ? 2.0f * ax - x : x, 1e-5f) << c;
    EXPECT_NEAR(a.z, float(sj.position[2]) / 65536.0f, 1e-5f) << c;
    EXPECT_NEAR(b.x, mirror ? -x : x, 1e-5f) << c;
    EXPECT_NEAR(b.y, float(sj.position[1]) / 65536.0f, 1e-5f) << c;
    EXPECT_EQ(j.lastSeparation.x, 0.0f);
  }
  // The symmetrical joint's mirror joins the mirror twins; a plain bone joins both.
  EXPECT_EQ(rig.joints[1].a, &rig.bones[1]);
  EXPECT_EQ(rig.joints[2].a, &rig.bones[1]);
  EXPECT_EQ(rig.joints[1].b, &rig.bones[2]);
  EXPECT_EQ(rig.joints[2].b, &rig.bones[3]);
  // The free joint's frame with angles of 0 is bone A's rest orientation undone.
  const float* ra = rig.joints[1].a->orientation;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(rig.joints[1].frame[r * 3 + c], ra[c * 3 + r], 1e-6f);
  // A joint naming a bone the skeleton does not have joins nothing.
  s.joints[0].boneB = 99;
  BoneRig broken;
  s.CreateBones(broken);
  EXPECT_EQ(broken.joints[0].a, nullptr);
  rig.Free();
  broken.Free();
  s.Free();
}


// A joint's frame: bone A's rest orientation undone, then, for a hinge, bone B's rest
// orientation turned by the second angle about its x axis, and for the others Rz(a0) Rx(a1)
// Ry(a2), with a0 and a2 negated for the mirror twin; recomputed here in double precision.
// A joint naming a bone one past the last, or before the first, joins nothing.
TEST(BoneRig, AJointsFrameTurnsByItsAnglesAndABoneIndexOutsideJoinsNothing) {
  Skeleton s;
  MakeSkeleton(s, 2, 15);
  s.joints[1].axisAngles[0] = 0.3f;
  s.joints[1].axisAngles[1] = -0.2f;
  s.joints[1].axisAngles[2] = 0.4f;
  BoneRig rig;
  s.CreateBones(rig);
  using M = std::array<double, 9>;
  const auto mul = [](const M& a, const M& b) {
    M r{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) r[size_t(i * 3 + j)] += a[size_t(i * 3 + k)] * b[size_t(k * 3 + j)];
    return r;
  };
  const auto rx = [](double t) { return M{1, 0, 0, 0, std::cos(t), -std::sin(t), 0, std::sin(t), std::cos(t)}; };
  const auto ry = [](double t) { return M{std::cos(t), 0, std::sin(t), 0, 1, 0, -std::sin(t), 0, std::cos(t)}; };
  const auto rz = [](double t) { return M{std::cos(t), -std::sin(t), 0, std::sin(t), std::cos(t), 0, 0, 0, 1}; };
  const auto undone = [](const float* m) {  // the transpose
    M r{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) r[size_t(i * 3 + j)] = m[j * 3 + i];
    return r;
  };
  const auto of = [](const float* m) {
    M r{};
    for (int k = 0; k < 9; ++k) r[size_t(k)] = m[k];
    return r;
  };
  const double a0 = 0.3f, a1 = -0.2f, a2 = 0.4f, hinge = 0.2f;
  const M want[3] = {
      mul(undone(rig.joints[0].a->orientation), mul(of(rig.joints[0].b->orientation), rx(hinge))),
      mul(undone(rig.joints[1].a->orientation), mul(mul(rz(a0), rx(a1)), ry(a2))),
      mul(undone(rig.joints[2].a->orientation), mul(mul(rz(-a0), rx(a1)), ry(-a2))),
  };
  for (int c = 0; c < 3; ++c)
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(rig.joints[c].frame[k], want[c][size_t(k)], 2e-6) << c << " " << k;
  EXPECT_FLOAT_EQ(rig.joints[1].swingLimit, 2.0f * std::sin(45.0f * 3.14159265f / 360.0f));
  EXPECT_FLOAT_EQ(rig.joints[2].twistLimit, 2.0f * std::sin(30.0f * 3.14159265f / 360.0f));

  s.joints[0].boneA = s.boneCount;
  s.joints[1].boneA = -1;
  BoneRig broken;
  s.CreateBones(broken);
  ASSERT_EQ(broken.jointCount, 3);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(broken.joints[c].a, nullptr) << c;
    EXPECT_EQ(broken.joints[c].b, nullptr) << c;
  }
  s.joints[0].boneA = 0;
  s.joints[0].boneB = s.boneCount;
  s.joints[1].boneB = -1;
  BoneRig alsoBroken;
  s.CreateBones(alsoBroken);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(alsoBroken.joints[c].a, nullptr) << c;
  alsoBroken.Free();
  s.joints[0].boneB = 1;
  s.joints[1].boneB = 2;
  s.joints[1].boneA = s.boneCount - 1;
  BoneRig last;
  s.CreateBones(last);
  EXPECT_EQ(last.joints[1].a, &last.bones[size_t(s.bones[s.boneCount - 1].firstSolid)]) << "the last bone may be named";
  rig.Free();
  broken.Free();
  last.Free();
  s.Free();
}


// A joint must name bones the skeleton has: the first and last bones may be named, one past
// either end may not, as either of the joint's two bones.
TEST(SkeletonFile, AJointNamingABonePastEitherEndRefusesTheSkeleton) {
  struct Case { int boneA, boneB; bool taken; };
  const Case cases[] = {{0, 16, true}, {16, 1, true}, {1, 0, true}, {0, 17, false}, {17, 1, false}, {-1, 1, false}, {0, -1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.boneA) + " " + std::to_string(c.boneB));
    Skeleton s;
    MakeSkeleton(s, 2, 15);  // 17 bones
    s.joints[1].boneA = c.boneA;
    s.joints[1].boneB = c.boneB;
    const std::vector<uint8_t> body = SkeletonBody(s);
    s.Free();
    Reader reader(body);
    Skeleton read;
    read.Init();
    SkeletonReadFault = "";
    EXPECT_EQ(read.Read(reader.file), c.taken ? 1 : 0);
    if (!c.taken) {
      EXPECT_STREQ(SkeletonReadFault, "skeleton joint bones");
    }
    read.Free();
  }
}


// An animation body's header, twelve bytes little-endian: the flags (two bytes), the marker
// saying the scale is stored (1), a reserved byte written as 0, the scale as a float, the frame
// count and the solids a frame stores (two bytes each); the first frame's time follows.
TEST(AnimationBody, TheHeaderHoldsFlagsScaleMarkerAZeroReservedByteScaleAndCounts) {
  Animation a;
  MakeAnimation(a, 2, 3, 3);  // flags 1, scale 3.5
  const std::vector<uint8_t> body = Body([&](DataFile& f) { WriteAnimation(a, f, 3); });
  a.Free();
  ASSERT_GE(body.size(), 16u);
  // 3.5 = 1.75 x 2^1: sign 0, exponent 128, fraction .11 -> 0x40600000.
  const uint8_t header[16] = {1, 0, 1, 0, 0x00, 0x00, 0x60, 0x40, 2, 0, 3, 0, 0, 0, 0, 0};
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(body[i], header[i]) << "byte " << i;
}

// The frame limit of an animation body: exactly the limit is read, one frame more refused.
TEST(AnimationBody, TheFrameLimitItselfIsReadAndOneMoreRefused) {
  for (const int frames : {ANIMATION_FRAME_LIMIT, ANIMATION_FRAME_LIMIT + 1}) {
    SCOPED_TRACE(frames);
    Animation a;
    MakeAnimation(a, frames, 1, 2);
    const std::vector<uint8_t> body = Body([&](DataFile& f) { WriteAnimation(a, f, 1); });
    a.Free();
    Reader reader(body);
    Animation read;
    EXPECT_EQ(ReadAnimation(read, reader.file, 1, 0.0f), frames == ANIMATION_FRAME_LIMIT ? 1 : 0);
    EXPECT_EQ(read.frameCount, frames == ANIMATION_FRAME_LIMIT ? frames : 0);
    read.Free();
  }
}

}  // namespace

TEST(AnimationFile, AFileReadsIntoARigAndVersionsBefore249AreRefused) {
  std::filesystem::create_directories("data/move");
  std::filesystem::remove("data/move/wave.ban");  // what is read back is what this run wrote
  Animation a;
  MakeAnimation(a, 3, 4, 7);
  ASSERT_EQ(WriteAnimationFile(a, "data\\move\\wave.ban", nullptr, 4), 1);
  Animation back;
  ASSERT_EQ(ReadAnimationFile(back, "data\\move\\wave.ban", nullptr, 6, 0.0f), 1);
  ASSERT_EQ(back.frameCount, 3);
  EXPECT_EQ(back.scale, a.scale);
  EXPECT_EQ(back.frames[2].time, 0.5f);
  EXPECT_EQ(std::memcmp(&back.frames[1].transforms[3], &a.frames[1].transforms[3], sizeof(FixedTransform)), 0);
  EXPECT_EQ(back.frames[1].transforms[5].rotation.m[4], FIXED_ONE) << "a solid the file lacks stands still";
  back.Free();

  // A file that is missing or of another kind reads nothing; one before version 249 says so.
  std::vector<std::string> boxes;
  static std::vector<std::string>* seen = &boxes;
  ReportSink sink{};
  sink.box = [](Prss*, const char* first, const char* second) {
    seen->push_back(std::string(first) + " " + (second ? second : ""));
  };
  const ReportSink saved = InstallReportSink(sink);
  EXPECT_EQ(ReadAnimationFile(back, "data\\move\\none.ban", nullptr, 4, 0.0f), 0);
  EXPECT_TRUE(boxes.empty());
  for (int version : {249, 248}) {
    DataFile f;
    ASSERT_EQ(f.OpenWrite(nullptr, "data\\move\\old.ban", ANIMATION_FILE_MAGIC, version), 1);
    WriteAnimation(a, f, 4);
    ASSERT_EQ(f.Close(), 1);
    Animation old;
    EXPECT_EQ(ReadAnimationFile(old, "data\\move\\old.ban", nullptr, 4, 0.0f), version == 249 ? 1 : 0) << version;
    EXPECT_EQ(old.frameCount, version == 249 ? 3 : 0);
    old.Free();
  }
  // A file cut short inside its frames: "Damaged file :" with the path and the field that
  // no longer fits.
  {
    DataFile f;
    ASSERT_EQ(f.OpenWrite(nullptr, "data\\move\\cut.ban", ANIMATION_FILE_MAGIC, 250), 1);
    WriteAnimation(a, f, 4);
    ASSERT_EQ(f.Close(), 1);
    const auto size = std::filesystem::file_size("data/move/cut.ban");
    std::filesystem::resize_file("data/move/cut.ban", size - 8);
    Animation cut;
    EXPECT_EQ(ReadAnimationFile(cut, "data\\move\\cut.ban", nullptr, 4, 0.0f), 0);
    EXPECT_EQ(cut.frameCount, 0);
  }
  InstallReportSink(saved);
  EXPECT_EQ(boxes, (std::vector<std::string>{"Could not open file : data/move/old.ban",
                                             "Damaged file : data/move/cut.ban (animation frame count)"}));
  a.Free();
}

// A file whose folder is missing cannot be made: writing it fails with 0, says so once on the
// message line and leaves nothing behind.  Run in a scratch folder of its own, which has a data
// folder but no data\absent_dir in it.
TEST(AnimationFile, WritingIntoAMissingFolderFailsAndMakesNoFile) {
  const std::filesystem::path previous = std::filesystem::current_path();
  const std::filesystem::path folder = previous / "animation_absent_dir";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "data");
  std::filesystem::current_path(folder);
  static std::vector<std::string> lines;
  lines.clear();
  ReportSink sink{};
  sink.line = [](const char* text, ReportColour colour, int) {
    if (colour == REPORT_ERROR) lines.push_back(text);
  };
  const ReportSink saved = InstallReportSink(sink);
  Animation a;
  MakeAnimation(a, 3, 4, 7);
  const int written = WriteAnimationFile(a, "data\\absent_dir\\wave.ban", nullptr, 4);
  InstallReportSink(saved);
  std::filesystem::current_path(previous);
  a.Free();
  EXPECT_EQ(written, 0);
  EXPECT_EQ(lines.size(), 1u) << "the failure is reported once, in the error colour";
  if (!lines.empty()) {
    EXPECT_NE(lines[0].find("data/absent_dir/wave.ban"), std::string::npos) << lines[0];
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "data" / "absent_dir")) << "no file, nor a folder made for it";
  std::filesystem::remove_all(folder);
}

TEST(AnimationFile, AnAnimationMadeFromARigHoldsItsPresentPose) {
  Skeleton s;
  MakeSkeleton(s, 2, 15);
  BoneRig rig;
  s.CreateBones(rig);
  rig.bones[4].position.y += 777;
  Animation* a = new Animation;
  MakeAnimation(*a, 2, rig.boneCount, 3);
  a->Init(rig);
  EXPECT_EQ(a->frameCount, 1);
  EXPECT_EQ(a->scale, 1.0f);
  EXPECT_EQ(a->flags, 0);
  EXPECT_EQ(a->frames[0].time, 0.0f);
  std::vector<FixedTransform> now(size_t(rig.boneCount));
  CopyPartPositions(rig, now.data());
  EXPECT_EQ(std::memcmp(a->frames[0].transforms, now.data(), now.size() * sizeof(FixedTransform)), 0);
  Animation::Delete(a);
  Animation::Delete(nullptr);
  rig.Free();
  s.Free();
}
