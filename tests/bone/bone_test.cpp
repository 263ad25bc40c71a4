// bone_test.cpp - a bone rig stepped in 1 ms steps: a free bone falls as the sum of its
// steps says, a rig comes to rest on the floor, a held bone carries its fixed bones and
// drags the rest and turns toward its target, a joint's gains follow its lighter bone and its
// swing and twist limits pull back only what passes them, a tilted box settles flat, a new
// bone's constants, and poses blend exactly.
#include <gtest/gtest.h>

#include <cmath>

#include "bone/bone.h"
#include "core/frame_globals.h"
#include "solid/solid_hooks.h"

namespace {

constexpr float G = -9.81f, DT = 0.001f;

// A bone of half size h and mass m at a height (m), level.
void MakeBone(Bone& b, float h, float m, float z) {
  b.mass = m;
  b.halfSize = {h, h, h};
  const Vec3 corners[BONE_HULL_POINTS] = {{h, h, h},   {-h, h, h},   {h, -h, h},   {-h, -h, h},
                                          {h, h, -h},  {-h, h, -h},  {h, -h, -h},  {-h, -h, -h}};
  for (int p = 0; p < BONE_HULL_POINTS; ++p) b.points[p].local = corners[p];
  b.UpdateExtents();
  b.radius = std::sqrt(3.0f) * h;
  b.stiffness = 1000.0f * m;
  b.damping = 50.0f * m;
  const float I = m * 2.0f * h * h / 3.0f;
  for (int k = 0; k < 3; ++k) b.inertia[k * 4] = I, b.inverseInertia[k * 4] = 1.0f / I;
  b.InitState();
  for (int k = 0; k < 9; ++k) b.orientation[k] = k % 4 == 0 ? 1.0f : 0.0f;
  b.position = {0, 0, FixedFromMetres(z)};
}

float Height(const Bone& b) { return float(b.position.z / 65536.0 + b.offset.z); }

BoneJoint FreeJoint(Bone& a, Bone& b, const Vec3& anchorA, const Vec3& anchorB) {
  BoneJoint j = {};
  j.type = 0;
  j.a = &a, j.b = &b;
  j.anchorA = anchorA, j.anchorB = anchorB;
  const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  std::copy(identity, identity + 9, j.frame);
  j.swingLimit = j.twistLimit = 1.0f;
  return j;
}

TEST(BoneRig, AFreeBoneFallsByTheSumOfItsSteps) {
  BoneRig rig;
  rig.Allocate(1, 0);
  MakeBone(rig.bones[0], 0.1f, 2.0f, 50.0f);
  AnimEditor editor;
  float v = 0.0f, fallen = 0.0f;  // the float transcription
  const float m = rig.bones[0].mass;
  for (int n = 1; n <= 2000; ++n) {
    Bone::SimulateStep(rig, editor, DT, G);
    fallen += v * DT;
    v += (m * G) * (DT / m);
    if (n % 500 == 0) {
      const double exact = double(G) * DT * DT * double(n) * (n - 1) / 2.0;
      EXPECT_NEAR(Height(rig.bones[0]) - 50.0, exact, std::fabs(exact) * 1e-4 + 2e-5) << n;
      EXPECT_NEAR(Height(rig.bones[0]) - 50.0f, fallen, 2e-5f) << n;
    }
  }
}

TEST(BoneRig, AFreeRigComesToRestOnTheFloor) {
  BoneRig rig;
  rig.Allocate(2, 1);
  MakeBone(rig.bones[0], 0.1f, 4.0f, 0.6f);
  MakeBone(rig.bones[1], 0.1f, 2.0f, 0.6f);
  rig.bones[1].position.x = FixedFromMetres(0.2f);
  rig.joints[0] = FreeJoint(rig.bones[0], rig.bones[1], {0.1f, 0, 0}, {-0.1f, 0, 0});
  AnimEditor editor;
  for (int n = 0; n < 4000; ++n) Bone::SimulateStep(rig, editor, DT, G);
  for (const Bone& b : rig.bones) {
    float lowest = 1e9f;
    for (int p = 0; p < b.pointCount; ++p)
      lowest = std::min(lowest, float(b.position.z / 65536.0) + (b.offset + MatrixTimes(b.orientation, b.points[p].local)).z);
    EXPECT_NEAR(lowest, 0.0f, 0.01f) << "on the floor";
    EXPECT_LT(std::sqrt(LengthSquared(b.velocity)), 0.01f) << "at rest";
  }
  const Vec3 s = rig.joints[0].lastSeparation;
  EXPECT_LT(std::sqrt(LengthSquared(s)), 0.002f) << "the joint holds";
}

TEST(BoneRig, AHeldBoneFloatsCarriesItsFixedBonesAndDragsTowardsItsTarget) {
  BoneRig rig;
  rig.Allocate(3, 0);
  MakeBone(rig.bones[0], 0.1f, 2.0f, -0.05f);  // held, half under the floor
  MakeBone(rig.bones[1], 0.1f, 2.0f, -0.05f);  // fixed to it
  MakeBone(rig.bones[2], 0.1f, 2.0f, -0.05f);  // free
  AnimEditor editor;
  editor.heldBone = 0;
  editor.pose.resize(3);
  editor.pose[1].mode = BONE_FIXED_TO_HELD;
  editor.pose[1].offset = {0.0f, 0.5f, 0.0f};
  const float quarter[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  std::copy(quarter, quarter + 9, editor.pose[1].relative);
  editor.targetPosition = {FixedFromMetres(10.0f), 0, FixedFromMetres(-0.05f)};  // far off along x
  editor.targetRadius = 4.0f;
  editor.dragGain = 50.0f;
  editor.ignoreTargetTurn = 1;
  for (Bone& b : rig.bones) b.velocity = {0.0f, 0.0f, 1.0f};

  Bone::SimulateStep(rig, editor, DT, 0.0f);
  for (const Bone& b : rig.bones)
    for (int p = 0; p < b.pointCount; ++p) EXPECT_FALSE(b.points[p].touching) << "no floor while held";
  // The free bone: its motion decays by 0.96, nothing else acts on it.
  EXPECT_FLOAT_EQ(rig.bones[2].velocity.z, 0.96f);
  // The held bone: pulled a quarter of the target's radius (1 m) at each of its 8 points.
  EXPECT_NEAR(rig.bones[0].velocity.x, 8.0f * editor.dragGain * 1.0f * DT * 0.96f, 1e-4f);
  EXPECT_NEAR(rig.bones[0].velocity.z, 0.96f, 1e-3f);

  for (int n = 0; n < 200; ++n) Bone::SimulateStep(rig, editor, DT, 0.0f);
  const Bone& h = rig.bones[0];
  const Bone& f = rig.bones[1];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      const float want = h.orientation[r * 3] * quarter[c] + h.orientation[r * 3 + 1] * quarter[3 + c] +
                         h.orientation[r * 3 + 2] * quarter[6 + c];
      EXPECT_NEAR(f.orientation[r * 3 + c], want, 1e-5f) << "turned with the held bone";
    }
  // Where the held bone's axes put it, as the held bone stood before its last move.
  const Vec3 apart = MetresBetween(f.position, h.position);
  const Vec3 want = MatrixTimes(h.orientation, Vec3{0.0f, 0.5f, 0.0f});
  EXPECT_NEAR(apart.x, want.x, 2e-3f);
  EXPECT_NEAR(apart.y, want.y, 2e-3f) << "carried rigidly";
  EXPECT_GT(h.position.x, FixedFromMetres(0.05f)) << "dragged towards the target";
}

TEST(BoneRig, AJointsGainsFollowTheLighterBoneAndAJointWithoutATwistAxisStaysFinite) {
  BoneRig rig;
  rig.Allocate(2, 1);
  MakeBone(rig.bones[0], 0.1f, 1.0f, 5.0f);
  MakeBone(rig.bones[1], 0.1f, 10.0f, 5.0f);
  rig.bones[1].position.x = FixedFromMetres(0.01f);  // 1 cm apart at their anchors
  rig.joints[0] = FreeJoint(rig.bones[0], rig.bones[1], {}, {});
  AnimEditor editor;
  Bone::SimulateStep(rig, editor, DT, 0.0f);
  const float s = float(FixedFromMetres(0.01f)) / 65536.0f;
  const float force = s * (100.0f * 1.0f / DT) + s * 20000.0f * 1.0f;  // c and k of 1 kg
  EXPECT_NEAR(rig.bones[0].velocity.x, force * DT / 1.0f, 1e-3f);
  EXPECT_NEAR(rig.bones[1].velocity.x, -force * DT / 10.0f, 1e-4f);

  // The joint's hinge axis along b's z axis: no twist axis, no twist term.
  BoneRig still;
  still.Allocate(2, 1);
  MakeBone(still.bones[0], 0.1f, 1.0f, 5.0f);
  MakeBone(still.bones[1], 0.1f, 1.0f, 5.0f);
  still.joints[0] = FreeJoint(still.bones[0], still.bones[1], {}, {});
  const float zFirst[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0};  // first column (0, 0, 1)
  std::copy(zFirst, zFirst + 9, still.joints[0].frame);
  still.joints[0].twistLimit = 0.0f;
  for (int n = 0; n < 10; ++n) Bone::SimulateStep(still, editor, DT, 0.0f);
  for (const Bone& b : still.bones) {
    EXPECT_TRUE(IsFinite(b.velocity));
    EXPECT_TRUE(IsFinite(b.angularMomentum));
  }
}

TEST(BoneRig, AJointPullingAtItsAnchorsTurnsBothBonesTheWayThePullGoes) {
  // Two bones side by side, joined at their facing ends; b stands 1 cm further along y, so the
  // joint pulls a's right end towards +y (turning a about +z) and b's left end towards -y
  // (turning b about +z as well).
  BoneRig rig;
  rig.Allocate(2, 1);
  MakeBone(rig.bones[0], 0.1f, 1.0f, 5.0f);
  MakeBone(rig.bones[1], 0.1f, 1.0f, 5.0f);
  rig.bones[1].position.x = FixedFromMetres(0.2f);
  rig.bones[1].position.y = FixedFromMetres(0.01f);
  rig.joints[0] = FreeJoint(rig.bones[0], rig.bones[1], {0.1f, 0, 0}, {-0.1f, 0, 0});
  AnimEditor editor;
  Bone::SimulateStep(rig, editor, DT, 0.0f);
  EXPECT_GT(rig.bones[0].velocity.y, 0.0f);
  EXPECT_LT(rig.bones[1].velocity.y, 0.0f);
  EXPECT_GT(rig.bones[0].angularMomentum.z, 0.0f);
  EXPECT_GT(rig.bones[1].angularMomentum.z, 0.0f);
  EXPECT_NEAR(rig.bones[0].angularMomentum.z, rig.bones[1].angularMomentum.z, 1e-4f) << "equal levers, equal pulls";
}

TEST(BoneRig, AHingeJointTurnsItsBonesBackTogetherOnlyWhenTheirXAxesPart) {
  // Two 1 kg bones at one place joined by a hinge (type 1): the hinge holds b's x axis to a's.
  // Lined up, one step leaves both unturned.  With b turned 0.1 rad about z, the hinge's
  // torque is 1000 x (1 kg)^2 x sin 0.1 about z: +z on a, -z on b, for the 1 ms step.
  for (const float angle : {0.0f, 0.1f}) {
    SCOPED_TRACE(angle);
    BoneRig rig;
    rig.Allocate(2, 1);
    MakeBone(rig.bones[0], 0.1f, 1.0f, 5.0f);
    MakeBone(rig.bones[1], 0.1f, 1.0f, 5.0f);
    const float c = std::cos(angle), s = std::sin(angle);
    const float turned[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    std::copy(turned, turned + 9, rig.bones[1].orientation);
    rig.joints[0] = FreeJoint(rig.bones[0], rig.bones[1], {}, {});
    rig.joints[0].type = 1;
    AnimEditor editor;
    Bone::SimulateStep(rig, editor, DT, 0.0f);
    const float expected = 1000.0f * s * DT;
    EXPECT_NEAR(rig.bones[0].angularMomentum.z, expected, 0.05f * expected + 1e-6f);
    EXPECT_NEAR(rig.bones[1].angularMomentum.z, -expected, 0.05f * expected + 1e-6f);
    for (const Bone& b : rig.bones) {
      EXPECT_NEAR(b.angularMomentum.x, 0.0f, 1e-6f);
      EXPECT_NEAR(b.angularMomentum.y, 0.0f, 1e-6f);
    }
  }
}

TEST(BonePoses, ABlendGivesPoseAAtZeroAndPoseBAtOneExactly) {
  BoneRig rig;
  rig.Allocate(3, 0);
  FixedTransform a[3], b[3];
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 9; ++k) {
      a[i].rotation.m[k] = 12345 * (k + 1) - 70001 * i;
      b[i].rotation.m[k] = -54321 * (k + 2) + 3 * i;
    }
    a[i].translation = {100001 * (i + 1), -7, 65536 * 3 + 1};
    b[i].translation = {-3, 999999 * (i + 1), -65537};
  }
  for (float t : {0.0f, 1.0f}) {
    BonePoseApply(rig, a, b, t);
    FixedTransform out[3];
    CopyPartPositions(rig, out);
    const FixedTransform* want = t == 0.0f ? a : b;
    for (int i = 0; i < 3; ++i) {
      for (int k = 0; k < 9; ++k) EXPECT_EQ(out[i].rotation.m[k], want[i].rotation.m[k]) << t;
      EXPECT_EQ(out[i].translation.x, want[i].translation.x);
      EXPECT_EQ(out[i].translation.y, want[i].translation.y);
      EXPECT_EQ(out[i].translation.z, want[i].translation.z);
    }
  }
  BonePoseApply(rig, a, b, 0.5f);
  EXPECT_EQ(rig.bones[0].position.y, 499996) << "halfway, to the nearest unit";
  // Stored and copied back, a pose is the same.
  BonePoseStore(rig, b);
  FixedTransform* copy = AllocPartPositions(rig);
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 9; ++k) EXPECT_EQ(copy[i].rotation.m[k], b[i].rotation.m[k]);
  delete[] copy;
}

namespace {
float LowGravity() { return -4.0f; }
}  // namespace

TEST(BoneRig, StepCatchesUpWithTheFrameTimeInMillisecondStepsUnderTheWorldsGravity) {
  BoneRig rig;
  rig.Allocate(1, 0);
  MakeBone(rig.bones[0], 0.1f, 1.0f, 5.0f);
  AnimEditor editor;
  editor.gravity = 0;
  rig.runTime = 37;
  rig.stepsDone = 0;
  const uint32_t savedFrameTime = SimFrameTime;
  SimFrameTime = 0;
  Bone::Step(rig, editor);  // no frame time: the steps owed are done
  EXPECT_EQ(rig.stepsDone, 37u);
  EXPECT_EQ(rig.bones[0].position.z, FixedFromMetres(5.0f)) << "no gravity while switched off";

  // Gravity on, the world's own (-4 m/s^2 here): frames of 10 and 20 ms are 30 steps of 1 ms,
  // each moving by the velocity before it, then adding g dt.  Recomputed in double:
  // fall = g dt^2 (0 + 1 + ... + 29) = -4 x 1e-6 x 435 = -1.74 mm, velocity g dt 30 = -0.12 m/s.
  WorldHooks hooks = NoWorldHooks();
  hooks.Gravity = LowGravity;
  const WorldHooks savedHooks = InstallWorldHooks(hooks);
  BoneRig falling;
  falling.Allocate(1, 0);
  MakeBone(falling.bones[0], 0.1f, 1.0f, 5.0f);
  editor.gravity = 1;
  double z = 0.0, v = 0.0;
  for (const uint32_t frameMs : {10u, 20u}) {
    SimFrameTime = frameMs;
    Bone::Step(falling, editor);
    for (uint32_t n = 0; n < frameMs; ++n) {
      z += v * 0.001;
      v += -4.0 * 0.001;
    }
    EXPECT_EQ(falling.stepsDone, falling.runTime);
    EXPECT_NEAR(Height(falling.bones[0]) - 5.0, z, 2e-5) << frameMs;
    EXPECT_NEAR(falling.bones[0].velocity.z, v, 1e-5) << frameMs;
  }
  EXPECT_EQ(falling.stepsDone, 30u);
  EXPECT_NEAR(z, -1.74e-3, 1e-9);
  InstallWorldHooks(savedHooks);
  SimFrameTime = savedFrameTime;
}


// A joint's swing and twist limits: b's z axis (swing) or y axis (twist) turned away from a's
// by an angle whose chord 2 sin(angle/2) passes the limit is pulled back by 1000 x (lighter
// mass)^2 x the excess, along the chord; a chord within the limit gives nothing.  The lighter
// bone here is b, 1 kg, on a 10 kg a.
TEST(BoneRig, AJointsSwingAndTwistLimitsPullBackOnlyWhatPassesThem) {
  struct Case { const char* name; int axis; float angle; float swing, twist; };
  const Case cases[] = {{"swing past", 0, 0.5f, 0.1f, 1.0f}, {"swing within", 0, 0.5f, 0.6f, 1.0f},
                        {"twist past", 2, 0.5f, 1.0f, 0.1f}, {"twist within", 2, 0.5f, 1.0f, 0.6f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoneRig rig;
    rig.Allocate(2, 1);
    MakeBone(rig.bones[0], 0.1f, 10.0f, 5.0f);
    MakeBone(rig.bones[1], 0.1f, 1.0f, 5.0f);
    const float co = std::cos(c.angle), si = std::sin(c.angle);
    // b turned about x (its z axis swings) or about z (its y axis twists).
    const float aboutX[9] = {1, 0, 0, 0, co, -si, 0, si, co};
    const float aboutZ[9] = {co, -si, 0, si, co, 0, 0, 0, 1};
    std::copy(c.axis == 0 ? aboutX : aboutZ, (c.axis == 0 ? aboutX : aboutZ) + 9, rig.bones[1].orientation);
    rig.joints[0] = FreeJoint(rig.bones[0], rig.bones[1], {}, {});
    rig.joints[0].swingLimit = c.swing;
    rig.joints[0].twistLimit = c.twist;
    AnimEditor editor;
    Bone::SimulateStep(rig, editor, DT, 0.0f);
    // The chord from a's axis to b's: swing (0, -sin, cos - 1), twist (-sin, cos - 1, 0).
    const double e[3] = {c.axis == 0 ? 0.0 : -si, c.axis == 0 ? -si : co - 1.0, c.axis == 0 ? co - 1.0 : 0.0};
    const double chord = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);  // 2 sin 0.25 = 0.4948
    const double limit = c.axis == 0 ? c.swing : c.twist;
    const double excess = std::max(0.0, chord - limit);
    const double f[3] = {e[0] / chord * excess * 1000.0, e[1] / chord * excess * 1000.0, e[2] / chord * excess * 1000.0};
    const Vec3 va = rig.bones[0].velocity, vb = rig.bones[1].velocity;
    EXPECT_NEAR(va.x, f[0] * DT / 10.0, 1e-6);
    EXPECT_NEAR(va.y, f[1] * DT / 10.0, 1e-6);
    EXPECT_NEAR(va.z, f[2] * DT / 10.0, 1e-6);
    EXPECT_NEAR(vb.x, -f[0] * DT, 1e-5);
    EXPECT_NEAR(vb.y, -f[1] * DT, 1e-5);
    EXPECT_NEAR(vb.z, -f[2] * DT, 1e-5);
  }
}

// The twist spring needs a twist axis: b's z axis crossed with the hinge axis.  A hinge axis
// tilted from b's z axis by just enough that the cross is the least twist axis (1e-6, whose
// square's root comes back to it exactly in floats) still gets the spring; a hinge axis along
// b's z axis gives none.  b is twisted 0.5 rad about z past a 0.1 limit, as above.
TEST(BoneRig, AHingeAxisTiltedByTheLeastTwistAxisStillGetsTheTwistSpring) {
  const float co = std::cos(0.5f), si = std::sin(0.5f);
  for (const float tilt : {BONE_LEAST_TWIST_AXIS, 0.0f}) {
    SCOPED_TRACE(tilt);
    BoneRig rig;
    rig.Allocate(2, 1);
    MakeBone(rig.bones[0], 0.1f, 10.0f, 5.0f);
    MakeBone(rig.bones[1], 0.1f, 1.0f, 5.0f);
    const float aboutZ[9] = {co, -si, 0, si, co, 0, 0, 0, 1};
    std::copy(aboutZ, aboutZ + 9, rig.bones[1].orientation);
    rig.joints[0] = FreeJoint(rig.bones[0], rig.bones[1], {}, {});
    rig.joints[0].twistLimit = 0.1f;
    // The hinge axis (the frame's column 0) = (tilt, 0, 1): (0, 0, 1) x (tilt, 0, 1) = (0, tilt, 0).
    rig.joints[0].frame[0] = tilt;
    rig.joints[0].frame[3] = 0.0f;
    rig.joints[0].frame[6] = 1.0f;
    AnimEditor editor;
    Bone::SimulateStep(rig, editor, DT, 0.0f);
    // The twist axis normalised is (0, 1, 0); the chord from it to b's y axis (-sin, cos - 1, 0),
    // 2 sin 0.25 = 0.4948 long, pulled back by 1000 x (1 kg)^2 x (chord - 0.1).
    const double e[3] = {-si, co - 1.0, 0.0};
    const double chord = std::sqrt(e[0] * e[0] + e[1] * e[1]);
    const double pull = tilt > 0.0f ? (chord - 0.1) * 1000.0 / chord : 0.0;
    const Vec3 va = rig.bones[0].velocity, vb = rig.bones[1].velocity;
    EXPECT_NEAR(va.x, e[0] * pull * DT / 10.0, 1e-6);
    EXPECT_NEAR(va.y, e[1] * pull * DT / 10.0, 1e-6);
    EXPECT_NEAR(va.z, 0.0, 1e-6);
    EXPECT_NEAR(vb.x, -e[0] * pull * DT, 1e-5);
    EXPECT_NEAR(vb.y, -e[1] * pull * DT, 1e-5);
    EXPECT_NEAR(vb.z, 0.0, 1e-5);
  }
}

// A rig made again starts its clock again and has its joints cleared; a bone of the least
// mass steps, a lighter one never does; a bone held still while another is dragged stays put.
TEST(BoneRig, AllocatingClearsTheJointsAndClockAndOnlyBonesOfTheLeastMassStep) {
  BoneRig rig;
  rig.Allocate(2, 1);
  rig.runTime = 40;
  rig.stepsDone = 40;
  rig.joints[0].a = &rig.bones[0];
  rig.Allocate(3, 2);
  EXPECT_EQ(rig.runTime, 0u);
  EXPECT_EQ(rig.stepsDone, 0u);
  ASSERT_EQ(rig.joints.size(), 2u);
  EXPECT_EQ(rig.joints[0].a, nullptr);
  EXPECT_EQ(rig.bones.size(), 3u);
  {
    BoneRig freed;
    freed.Allocate(3, 2);
    freed.Free();
    EXPECT_EQ(freed.boneCount, 0) << "a freed rig counts nothing";
    EXPECT_EQ(freed.jointCount, 0);
  }

  MakeBone(rig.bones[0], 0.1f, SOLID_LEAST_MASS, 50.0f);
  MakeBone(rig.bones[1], 0.1f, SOLID_LEAST_MASS * 0.5f, 50.0f);
  MakeBone(rig.bones[2], 0.1f, 1.0f, 50.0f);
  AnimEditor editor;
  Bone::SimulateStep(rig, editor, DT, G);
  EXPECT_FLOAT_EQ(rig.bones[0].velocity.z, G * DT) << "the least mass steps";
  EXPECT_EQ(rig.bones[1].velocity.z, 0.0f) << "lighter: never stepped";

  // Bone 0 dragged, bone 2 held still: bone 2 keeps its place whatever its velocity says.
  MakeBone(rig.bones[0], 0.1f, 1.0f, 50.0f);
  MakeBone(rig.bones[2], 0.1f, 1.0f, 50.0f);
  rig.bones[2].velocity = {0.0f, 0.0f, 1.0f};
  editor.heldBone = 0;
  editor.pose.resize(3);
  editor.pose[2].mode = BONE_HELD_STILL;
  editor.targetPosition = rig.bones[0].position;
  editor.targetRadius = 1.0f;
  for (int k = 0; k < 9; ++k) editor.targetOrientation[k] = k % 4 == 0 ? 1.0f : 0.0f;
  const float before = Height(rig.bones[2]);
  for (int n = 0; n < 5; ++n) Bone::SimulateStep(rig, editor, DT, 0.0f);
  EXPECT_NEAR(Height(rig.bones[2]), before, 1e-6f);
}


// A joint whose bones' axes lie together pulls nothing back, whatever its limits (a limit
// below 0, from a negative angle in a file, included).
TEST(BoneRig, AJointWithItsAxesTogetherPullsNothingBackEvenWithLimitsBelowZero) {
  for (const float limit : {0.0f, -0.1f}) {
    SCOPED_TRACE(limit);
    BoneRig rig;
    rig.Allocate(2, 1);
    MakeBone(rig.bones[0], 0.1f, 10.0f, 5.0f);
    MakeBone(rig.bones[1], 0.1f, 1.0f, 5.0f);
    rig.joints[0] = FreeJoint(rig.bones[0], rig.bones[1], {}, {});
    rig.joints[0].swingLimit = limit;
    rig.joints[0].twistLimit = limit;
    AnimEditor editor;
    Bone::SimulateStep(rig, editor, DT, 0.0f);
    for (const Bone& b : rig.bones) {
      EXPECT_EQ(b.velocity.x, 0.0f);
      EXPECT_EQ(b.velocity.y, 0.0f);
      EXPECT_EQ(b.velocity.z, 0.0f);
      EXPECT_EQ(b.angularMomentum.x, 0.0f);
      EXPECT_EQ(b.angularMomentum.y, 0.0f);
    }
  }
}


// A new bone: awake, 18000 N/m stiff, grip 0.5, damping 250 N s/m, eight zeroed hull points
// and no triangles.
TEST(Bone, ANewBoneIsAwakeWithItsContactConstantsAndEightZeroedPoints) {
  Bone b;
  EXPECT_EQ(b.awake, 1);
  EXPECT_EQ(b.stiffness, 18000.0f);
  EXPECT_EQ(b.grip, 0.5f);
  EXPECT_EQ(b.damping, 250.0f);
  ASSERT_EQ(b.pointCount, 8);
  EXPECT_EQ(b.triangleCount, 0);
  for (int p = 0; p < 8; ++p) {
    EXPECT_EQ(b.points[p].local.x, 0.0f) << p;
    EXPECT_EQ(b.points[p].local.z, 0.0f) << p;
  }
}


// A box dropped tilted onto the floor settles on a face: the floor's push at the low corner
// turns it flat, not further over.
TEST(BoneRig, ABoxDroppedTiltedSettlesFlatOnAFace) {
  BoneRig rig;
  rig.Allocate(1, 0);
  MakeBone(rig.bones[0], 0.1f, 2.0f, 0.3f);
  const float c = std::cos(0.3f), s = std::sin(0.3f);
  const float tilted[9] = {1, 0, 0, 0, c, -s, 0, s, c};  // 0.3 rad about x
  std::copy(tilted, tilted + 9, rig.bones[0].orientation);
  AnimEditor editor;
  for (int n = 0; n < 4000; ++n) Bone::SimulateStep(rig, editor, DT, G);
  const Bone& b = rig.bones[0];
  float upright = 0.0f;  // the largest vertical share of the box's axes: 1 when flat
  for (int k = 0; k < 3; ++k) upright = std::max(upright, std::fabs(b.orientation[6 + k]));
  EXPECT_NEAR(upright, 1.0f, 0.01f);
  EXPECT_NEAR(Height(b), 0.1f, 0.01f) << "resting on a face, half its size up";
  EXPECT_LT(std::sqrt(LengthSquared(b.velocity)), 0.01f);
}


// A held bone is turned toward the target's orientation: pulled at each of its points toward
// where the target puts that point, it comes round to the target, not away from it.
TEST(BoneRig, AHeldBoneTurnsTowardTheTargetsOrientation) {
  BoneRig rig;
  rig.Allocate(1, 0);
  MakeBone(rig.bones[0], 0.1f, 1.0f, 5.0f);
  AnimEditor editor;
  editor.heldBone = 0;
  editor.pose.resize(1);
  editor.targetPosition = rig.bones[0].position;
  editor.targetRadius = 1.0f;
  editor.dragGain = 200.0f;
  const float c = std::cos(0.3f), s = std::sin(0.3f);
  const float target[9] = {c, -s, 0, s, c, 0, 0, 0, 1};  // 0.3 rad about z
  std::copy(target, target + 9, editor.targetOrientation);
  for (int n = 0; n < 1000; ++n) Bone::SimulateStep(rig, editor, DT, 0.0f);
  const float* o = rig.bones[0].orientation;
  EXPECT_NEAR(o[0], c, 0.02f);
  EXPECT_NEAR(o[3], s, 0.02f) << "turned about +z as the target is";
  EXPECT_NEAR(o[8], 1.0f, 0.02f);
}


// Any bone may be fixed to the held one, the first bone of the rig as well.
TEST(BoneRig, TheFirstBoneFixedToAHeldBoneIsCarriedWithIt) {
  BoneRig rig;
  rig.Allocate(2, 0);
  MakeBone(rig.bones[0], 0.1f, 2.0f, 5.0f);
  MakeBone(rig.bones[1], 0.1f, 2.0f, 5.0f);
  AnimEditor editor;
  editor.heldBone = 1;
  editor.pose.resize(2);
  editor.pose[0].mode = BONE_FIXED_TO_HELD;
  editor.pose[0].offset = {0.0f, 0.0f, 0.5f};
  for (int k = 0; k < 9; ++k) editor.pose[0].relative[k] = k % 4 == 0 ? 1.0f : 0.0f;
  editor.targetPosition = rig.bones[1].position;
  editor.targetRadius = 1.0f;
  for (int k = 0; k < 9; ++k) editor.targetOrientation[k] = k % 4 == 0 ? 1.0f : 0.0f;
  Bone::SimulateStep(rig, editor, DT, 0.0f);
  EXPECT_NEAR(Height(rig.bones[0]) - Height(rig.bones[1]), 0.5f, 1e-3f) << "half a metre above the held bone";
}


// While bone 0 is held, a joint to a bone fixed to it pulls at neither: the fixed bone is
// carried, the joint has nothing to do.
TEST(BoneRig, AJointToABoneFixedToTheHeldOnePullsAtNeither) {
  BoneRig rig;
  rig.Allocate(2, 1);
  MakeBone(rig.bones[0], 0.1f, 1.0f, 5.0f);
  MakeBone(rig.bones[1], 0.1f, 1.0f, 5.0f);
  rig.bones[1].position.x = FixedFromMetres(0.3f);
  rig.joints[0] = FreeJoint(rig.bones[0], rig.bones[1], {0.1f, 0, 0}, {-0.1f, 0, 0});  // 10 cm apart
  AnimEditor editor;
  editor.heldBone = 0;
  editor.pose.resize(2);
  editor.pose[1].mode = BONE_FIXED_TO_HELD;
  editor.pose[1].offset = {0.3f, 0.0f, 0.0f};
  for (int k = 0; k < 9; ++k) editor.pose[1].relative[k] = k % 4 == 0 ? 1.0f : 0.0f;
  editor.targetPosition = rig.bones[0].position;
  editor.targetRadius = 1.0f;
  for (int k = 0; k < 9; ++k) editor.targetOrientation[k] = k % 4 == 0 ? 1.0f : 0.0f;
  Bone::SimulateStep(rig, editor, DT, 0.0f);
  EXPECT_NEAR(rig.bones[0].velocity.x, 0.0f, 1e-6f) << "held on its own target, unpulled";
  EXPECT_NEAR(rig.bones[0].angularMomentum.z, 0.0f, 1e-6f);
}

}  // namespace

TEST(BoneRig, NegativeCountsMakeAnEmptyRigAndAHeldIndexPastTheRigHoldsNothing) {
  BoneRig rig;
  rig.Allocate(-3, -1);
  EXPECT_EQ(rig.boneCount, 0);
  EXPECT_EQ(rig.jointCount, 0);
  EXPECT_TRUE(rig.bones.empty());
  // A held bone one past the last is no bone: the rig falls onto the floor as a free one.
  rig.Allocate(1, 0);
  MakeBone(rig.bones[0], 0.1f, 2.0f, 0.1f);
  AnimEditor editor;
  editor.heldBone = 1;
  for (int n = 0; n < 2000; ++n) Bone::SimulateStep(rig, editor, DT, G);
  EXPECT_NEAR(Height(rig.bones[0]), 0.1f, 0.02f) << "it stands on the floor, not falling through it";
  // Upside down, its first corner lies on the floor too.
  const float flipped[9] = {1, 0, 0, 0, -1, 0, 0, 0, -1};
  std::copy(flipped, flipped + 9, rig.bones[0].orientation);
  for (int n = 0; n < 500; ++n) Bone::SimulateStep(rig, editor, DT, G);
  ASSERT_NE(rig.bones[0].points[0].touching, 0) << "the first corner on the floor";
  editor.heldBone = 0;  // the one bone held: it floats, touching nothing
  Bone::SimulateStep(rig, editor, DT, G);
  for (int p = 0; p < rig.bones[0].pointCount; ++p) EXPECT_EQ(rig.bones[0].points[p].touching, 0) << p;
}

namespace {
int mapSquareCalls = 0;
int CountMapSquareRange(int32_t, int32_t, int32_t, int32_t, int&, int&, int&, int&) {
  ++mapSquareCalls;
  return 0;
}
// Puts the world's table back however the test ends.
struct WorldHooksKept {
  WorldHooks saved;
  explicit WorldHooksKept(const WorldHooks& hooks) : saved(InstallWorldHooks(hooks)) {}
  ~WorldHooksKept() { InstallWorldHooks(saved); }
  WorldHooksKept(const WorldHooksKept&) = delete;
  WorldHooksKept& operator=(const WorldHooksKept&) = delete;
};
}  // namespace

// Bones never meet the world's tree trunks: a step asks the world for no map squares, even a
// step of a whole second, whatever its length.
TEST(BoneRig, AStepNeverLooksForTreeTrunks) {
  WorldHooks hooks = NoWorldHooks();
  hooks.MapSquareRange = CountMapSquareRange;
  const WorldHooksKept kept(hooks);
  mapSquareCalls = 0;
  BoneRig rig;
  rig.Allocate(1, 0);
  MakeBone(rig.bones[0], 0.1f, 2.0f, 50.0f);  // awake, and heavy enough to be stepped
  ASSERT_NE(rig.bones[0].awake, 0);
  AnimEditor editor;
  Bone::SimulateStep(rig, editor, 1.0f, 0.0f);
  EXPECT_EQ(mapSquareCalls, 0);
}

// The editor's pose list may run past the rig's bones; the entries past the last bone belong to
// no bone and move nothing.  Bone 0 is held on its own place, bone 1 is free and still, and a
// third entry fixed to the held bone stands beyond them: after a step both bones are where they
// were, level, and the rig still has two.
TEST(BoneRig, PoseEntriesPastTheLastBoneAreIgnored) {
  BoneRig rig;
  rig.Allocate(2, 0);
  MakeBone(rig.bones[0], 0.1f, 2.0f, 1.0f);
  MakeBone(rig.bones[1], 0.1f, 2.0f, 1.0f);
  rig.bones[1].position.x = FixedFromMetres(0.5f);
  AnimEditor editor;
  editor.heldBone = 0;
  editor.pose.resize(3);
  editor.pose[2].mode = BONE_FIXED_TO_HELD;
  editor.pose[2].offset = {0.0f, 0.5f, 0.0f};
  editor.targetPosition = rig.bones[0].position;  // held where it is: no drag
  editor.targetRadius = 4.0f;
  editor.dragGain = 50.0f;
  Bone::SimulateStep(rig, editor, DT, 0.0f);
  EXPECT_EQ(rig.boneCount, 2);
  ASSERT_EQ(rig.bones.size(), 2u);
  const IntVector at[2] = {{0, 0, FixedFromMetres(1.0f)}, {FixedFromMetres(0.5f), 0, FixedFromMetres(1.0f)}};
  for (int i = 0; i < 2; ++i) {
    const Bone& b = rig.bones[size_t(i)];
    EXPECT_EQ(b.position.x, at[i].x) << i;
    EXPECT_EQ(b.position.y, at[i].y) << i;
    EXPECT_EQ(b.position.z, at[i].z) << i;
    EXPECT_EQ(b.offset.x, 0.0f) << i;
    EXPECT_EQ(b.offset.y, 0.0f) << i;
    EXPECT_EQ(b.offset.z, 0.0f) << i;
    for (int k = 0; k < 9; ++k) EXPECT_EQ(b.orientation[k], k % 4 == 0 ? 1.0f : 0.0f) << i << " " << k;
  }
}
