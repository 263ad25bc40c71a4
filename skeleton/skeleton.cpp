// skeleton.cpp - animations, poses, the skeleton's life, and the rig made from it.
#include "skeleton/skeleton.h"

#include <algorithm>
#include <cmath>

#include "model/model_object.h"

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

namespace {

void RotationX(float a, float m[9]) {
  const float c = std::cos(a), s = std::sin(a);
  const float r[9] = {1, 0, 0, 0, c, -s, 0, s, c};
  std::copy(r, r + 9, m);
}
void RotationY(float a, float m[9]) {
  const float c = std::cos(a), s = std::sin(a);
  const float r[9] = {c, 0, s, 0, 1, 0, -s, 0, c};
  std::copy(r, r + 9, m);
}
void RotationZ(float a, float m[9]) {
  const float c = std::cos(a), s = std::sin(a);
  const float r[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
  std::copy(r, r + 9, m);
}
void Multiply(const float a[9], const float b[9], float out[9]) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) out[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
}
// The joint centre from a bone's rest position, m; x negated for the mirror.
Vec3 JointOffset(const SkeletonJoint& j, const SkeletonBone& b, bool mirror) {
  Vec3 d = {static_cast<float>((int64_t{j.position[0]} - b.position[0]) / 65536.0),
            static_cast<float>((int64_t{j.position[1]} - b.position[1]) / 65536.0),
            static_cast<float>((int64_t{j.position[2]} - b.position[2]) / 65536.0)};
  if (mirror) d.x = -d.x;
  return d;
}
// A limit in degrees as the distance between two unit axes that far apart.
float LimitDistance(float degrees) { return 2.0f * std::sin(degrees * 3.14159265f / 360.0f); }

}  // namespace

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
  // The joints, at rest: each one's anchors in its bones' axes, its frame in bone A's axes
  // and its limits as the distances the limit springs allow.
  int constraint = 0;
  for (int j = 0; j < jointCount; ++j) {
    SkeletonJoint& sj = joints[j];
    sj.firstConstraint = constraint;
    const int twins = sj.flags & SKELETON_JOINT_SYMMETRICAL ? 2 : 1;
    for (int t = 0; t < twins && constraint < rig.jointCount; ++t) {
      BoneJoint& c = rig.joints[size_t(constraint++)];
      c = BoneJoint{};
      if (sj.boneA < 0 || sj.boneA >= boneCount || sj.boneB < 0 || sj.boneB >= boneCount) continue;
      const bool mirror = t == 1;
      c.type = static_cast<int32_t>(sj.type);
      c.a = &rig.bones[size_t(SolidOf(sj.boneA, mirror))];
      c.b = &rig.bones[size_t(SolidOf(sj.boneB, mirror))];
      c.anchorA = MatrixTransposeTimes(c.a->orientation, JointOffset(sj, bones[sj.boneA], mirror));
      c.anchorB = MatrixTransposeTimes(c.b->orientation, JointOffset(sj, bones[sj.boneB], mirror));
      float r[9];
      if (sj.type == SKELETON_JOINT_HINGE) {
        float turn[9];
        RotationX(sj.axisAngles[1], turn);
        Multiply(c.b->orientation, turn, r);
      } else {
        const float a0 = mirror ? -sj.axisAngles[0] : sj.axisAngles[0], a2 = mirror ? -sj.axisAngles[2] : sj.axisAngles[2];
        float z[9], x[9], y[9], zx[9];
        RotationZ(a0, z);
        RotationX(sj.axisAngles[1], x);
        RotationY(a2, y);
        Multiply(z, x, zx);
        Multiply(zx, y, r);
      }
      float inverse[9];  // of an orientation: its transpose
      for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) inverse[row * 3 + col] = c.a->orientation[col * 3 + row];
      Multiply(inverse, r, c.frame);
      c.swingLimit = LimitDistance(sj.limitA);
      c.twistLimit = LimitDistance(sj.limitB);
    }
  }
  rig.stepsDone = rig.runTime = 0;
}

int Skeleton::SolidOf(int bone, bool mirror) const {
  const SkeletonBone& b = bones[bone];
  return b.firstSolid + (mirror && (b.flags & SKELETON_BONE_SYMMETRICAL) ? 1 : 0);
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
