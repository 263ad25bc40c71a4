// bone.cpp - bones, their rig and the rig's pose as 16.16 transforms.
#include "physics/bone/bone.h"

#include <algorithm>

Bone::Bone() {
  awake = 1;
  stiffness = BONE_STIFFNESS;
  grip = BONE_GRIP;
  damping = BONE_DAMPING;
  AllocateHull(BONE_HULL_POINTS, 0);
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
