// bone.cpp - bones, their rig and the rig's pose as 16.16 transforms.
#include "physics/bone/bone.h"

#include <algorithm>

Bone::Bone() {
  body.awake = 1;
  stiffness = BONE_STIFFNESS;
  grip = BONE_GRIP;
  damping = BONE_DAMPING;
}

void Bone::UpdateExtents() {
  float* e = body.extent;
  std::fill(e, e + 5, 0.0f);
  for (const Vec3& p : body.points) {
    e[0] = std::max(e[0], p.y);
    e[1] = std::min(e[1], p.y);
    e[2] = std::max(e[2], p.x);
    e[3] = std::min(e[3], p.x);
    e[4] = std::max(e[4], p.z);
  }
}

void Bone::InitState() {
  velocity = angularMomentum = force = torque = Vec3{};
  linearImpulse = angularImpulse = impulseHandedOn = Vec3{};
  offset = Vec3{};
}

void BoneRig::Init() { *this = BoneRig{}; }

void BoneRig::Allocate(int boneTotal, int jointTotal) {
  Free();
  boneCount = std::max(boneTotal, 0);
  jointCount = std::max(jointTotal, 0);
  bones = boneCount ? new Bone[size_t(boneCount)] : nullptr;
  joints = jointCount ? new BoneJoint[size_t(jointCount)]() : nullptr;
}

void BoneRig::Free() {
  delete[] bones;
  delete[] joints;
  Init();
}

void CopyPartPositions(const BoneRig& rig, FixedTransform* out) {
  for (int i = 0; i < rig.boneCount; ++i) {
    const Bone& b = rig.bones[i];
    MatrixFloatToFixed(b.orientation, out[i].rotation);
    out[i].translation = b.position;
  }
}
