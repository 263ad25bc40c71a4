// anim_test_util.h - the animation tests' skeleton: a trunk with a head, arms of three solids
// a side (upper arm, forearm, hand) and legs, and an editor record over its rig.
#pragma once
#include <cstring>

#include "animation/anim_edit.h"
#include "animation/bone_links.h"
#include "skeleton/skeleton.h"

// Solids: 0 trunk, 1 head, 2 3 upper arms, 4 5 forearms, 6 7 hands, 8 9 legs.
enum TestSolid { TRUNK = 0, HEAD = 1, UPPER_ARM = 2, FOREARM = 4, HAND = 6, LEG = 8, TEST_SOLIDS = 10 };

inline void MakeTestSkeleton(Skeleton& s) {
  s.Init();
  struct Shape { bool pair; double x, y, z, hx, hy, hz; };
  const Shape shapes[6] = {{false, 0, 0, 1.2, 0.15, 0.1, 0.3},   {false, 0, 0, 1.65, 0.1, 0.1, 0.12},
                           {true, 0.25, 0, 1.35, 0.05, 0.05, 0.14}, {true, 0.25, 0, 1.07, 0.04, 0.04, 0.12},
                           {true, 0.25, 0, 0.9, 0.03, 0.02, 0.05},  {true, 0.1, 0, 0.5, 0.07, 0.07, 0.4}};
  s.boneCount = 6;
  s.bones = new SkeletonBone[6]();
  for (int i = 0; i < 6; ++i) {
    SkeletonBone& b = s.bones[i];
    b.flags = shapes[i].pair ? SKELETON_BONE_SYMMETRICAL : 0;
    b.halfExtent[0] = float(shapes[i].hx);
    b.halfExtent[1] = float(shapes[i].hy);
    b.halfExtent[2] = float(shapes[i].hz);
    b.position[0] = int32_t(shapes[i].x * 65536);
    b.position[1] = int32_t(shapes[i].y * 65536);
    b.position[2] = int32_t(shapes[i].z * 65536);
    b.angles[0] = 0.1f * float(i);
    b.colour = 0x101010u * uint32_t(i + 1);
  }
  const int pairs[5][2] = {{0, 1}, {0, 2}, {2, 3}, {3, 4}, {0, 5}};
  s.jointCount = 5;
  s.joints = new SkeletonJoint[5]();
  for (int j = 0; j < 5; ++j) {
    SkeletonJoint& joint = s.joints[j];
    joint.type = j == 2 ? SKELETON_JOINT_HINGE : 0;
    joint.flags = j == 0 ? 0 : SKELETON_JOINT_SYMMETRICAL;
    joint.boneA = pairs[j][0];
    joint.boneB = pairs[j][1];
    for (int k = 0; k < 3; ++k)
      joint.position[k] = (s.bones[pairs[j][0]].position[k] + s.bones[pairs[j][1]].position[k]) / 2;
    joint.limitA = 90.0f;
    joint.limitB = 30.0f;
  }
}

// An editor over the test skeleton's rig with its links checked, and a selected animation of
// frames copies of the rig at rest.
struct TestEditor {
  Skeleton skeleton;
  BoneRig rig;
  BoneLinkArray links;
  Animation animation;
  AnimEditor editor;
  int hierarchy = 0;  // what CheckBoneHierarchy said of the rig: 1 when it is one tree
  // anchoredBone: a skeleton bone made an anchor before the rig is built (-1: none).
  explicit TestEditor(int frames = 1, int anchoredBone = -1) {
    MakeTestSkeleton(skeleton);
    if (anchoredBone >= 0) skeleton.bones[anchoredBone].flags |= SKELETON_BONE_ANCHOR;
    skeleton.CreateBones(rig);
    hierarchy = CheckBoneHierarchy(links, nullptr, skeleton, rig);
    animation.Init(rig);
    for (int i = 1; i < frames; ++i) animation.InsertFrame(0, rig.boneCount);
    editor.skeleton = &skeleton;
    editor.rig = &rig;
    editor.links = &links;
    editor.selected = &animation;
    editor.currentFrame = &animation.frames[0];
  }
  ~TestEditor() {
    ClearUndo(editor);
    animation.Free();
    rig.Free();
    skeleton.Free();
  }
};

inline bool SameTransforms(const FixedTransform* a, const FixedTransform* b, int n) {
  return std::memcmp(a, b, sizeof(FixedTransform) * size_t(n)) == 0;
}
