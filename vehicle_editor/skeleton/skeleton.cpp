// skeleton.cpp - animations, poses, the skeleton's life, and the rig made from it.
#include "vehicle_editor/skeleton/skeleton.h"

#include <cmath>

#include "modeller/model/model_object.h"

const char* const MOVEMENT_NAMES[MOVEMENT_COUNT] = {
    "ready",      "walk",      "run",        "turn0",       "turn90",       "turn180",
    "walk0",      "walk90",    "walk180",    "walk_stop0",  "walk_stop90",  "walk_stop180",
    "run0",       "run90",     "run180",     "run_stop0",   "run_stop90",   "run_stop180"};

// ---- [Animations] ----

void Animation::Free() {
  for (int i = 0; i < frameCount; ++i) delete[] frames[i].transforms;
  delete[] frames;
  flags = 0;
  scale = 1.0f;
  frameCount = 0;
  frames = nullptr;
}

void Animation::Init(const BoneRig& rig) {
  Free();
  frames = new AnimationFrame[1]();
  frameCount = 1;
  frames[0].time = 0.0f;
  frames[0].transforms = new FixedTransform[size_t(rig.boneCount > 0 ? rig.boneCount : 1)]();
  CopyPartPositions(rig, frames[0].transforms);
}

void Animation::Delete(Animation* animation) {
  if (!animation) return;
  animation->Free();
  delete animation;
}

void Pose::Free() {
  low.Free();
  high.Free();
}

// ---- [Skeleton] ----

void Skeleton::Init() { *this = Skeleton{}; }

void Skeleton::Clear() {
  for (Animation& m : movements) m.Free();
  for (int i = 0; i < poseCount; ++i) poses[i].Free();
  delete[] poses;
  poses = nullptr;
  poseCount = 0;
}

void Skeleton::Free() {
  Clear();
  delete[] bones;
  delete[] joints;
  bones = nullptr;
  joints = nullptr;
  boneCount = jointCount = 0;
}

int Skeleton::SolidCount() const {
  int n = 0;
  for (int i = 0; i < boneCount; ++i) n += bones[i].flags & SKELETON_BONE_SYMMETRICAL ? 2 : 1;
  return n;
}

int Skeleton::ConstraintCount() const {
  int n = 0;
  for (int i = 0; i < jointCount; ++i) n += joints[i].flags & SKELETON_JOINT_SYMMETRICAL ? 2 : 1;
  return n;
}

// ---- [Rig] ----

void Skeleton::CreateBones(BoneRig& rig) {
  rig.Allocate(SolidCount(), ConstraintCount());
  int solid = 0;
  for (int i = 0; i < boneCount; ++i) {
    SkeletonBone& sb = bones[i];
    sb.firstSolid = solid;
    const int twins = sb.flags & SKELETON_BONE_SYMMETRICAL ? 2 : 1;
    const float hx = sb.halfExtent[0], hy = sb.halfExtent[1], hz = sb.halfExtent[2];
    for (int t = 0; t < twins; ++t) {
      Bone& b = rig.bones[solid++];
      b.mass = 8.0f * hx * hy * hz * density;
      b.halfSize = {hx, hy, hz};
      b.colour = sb.colour;
      // The corners in four pairs, each pair differing in x.
      const Vec3 corners[BONE_HULL_POINTS] = {{hx, hy, hz},   {-hx, hy, hz},   {hx, -hy, hz},   {-hx, -hy, hz},
                                              {hx, hy, -hz},  {-hx, hy, -hz},  {hx, -hy, -hz},  {-hx, -hy, -hz}};
      for (int p = 0; p < BONE_HULL_POINTS; ++p) b.points[p].local = corners[p];
      b.UpdateExtents();
      b.radius = std::sqrt(hx * hx + hy * hy + hz * hz);
      b.stiffness = 1000.0f * b.mass;
      b.damping = 50.0f * b.mass;
      const float diagonal[3] = {b.mass * (hy * hy + hz * hz) / 3.0f, b.mass * (hx * hx + hz * hz) / 3.0f,
                                 b.mass * (hx * hx + hy * hy) / 3.0f};
      for (int k = 0; k < 3; ++k) {
        b.inertia[k * 4] = diagonal[k];
        // A box of no size has no inertia to invert: it takes no turning from a torque.
        b.inverseInertia[k * 4] = diagonal[k] > 0.0f ? 1.0f / diagonal[k] : 0.0f;
      }
    }
  }
  UpdateBones(rig);
  // The constraints' places; their frames and anchors are made by the animation editor.
  int constraint = 0;
  for (int j = 0; j < jointCount; ++j) {
    joints[j].firstConstraint = constraint;
    constraint += joints[j].flags & SKELETON_JOINT_SYMMETRICAL ? 2 : 1;
  }
  rig.stepsDone = rig.runTime = 0;
}

void Skeleton::UpdateBones(BoneRig& rig) {
  int solid = 0;
  for (int i = 0; i < boneCount && solid < rig.boneCount; ++i) {
    const SkeletonBone& sb = bones[i];
    const int twins = sb.flags & SKELETON_BONE_SYMMETRICAL ? 2 : 1;
    for (int t = 0; t < twins && solid < rig.boneCount; ++t) {
      Bone& b = rig.bones[solid++];
      b.InitState();
      const bool mirror = t == 1;
      b.position = {mirror ? NegateStored(sb.position[0]) : sb.position[0], sb.position[1], sb.position[2]};
      const float a = mirror ? -sb.angles[0] : sb.angles[0], c = mirror ? -sb.angles[2] : sb.angles[2];
      MatrixFromEulerF(b.orientation, a, sb.angles[1], c);
    }
  }
  for (int j = 0; j < rig.jointCount; ++j) rig.joints[j].lastSeparation = Vec3{};
  rig.stepsDone = rig.runTime = 0;
}
