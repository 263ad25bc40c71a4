// animation_frames.cpp - the editing operations on animations and poses (copies, frames
// inserted and deleted, sampling at a phase) and the bones coloured and mirrored.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/model_object.h"
#include "skeleton/skeleton.h"

namespace {

FixedTransform* NewTransforms(int solidCount) { return new FixedTransform[size_t(std::max(solidCount, 1))](); }

// The mirror image in x of a transform: x negated, M replaced by S M S, S = diag(-1, 1, 1).
void MirrorPose(IntVector& position, float m[9]) {
  position.x = NegateStored(position.x);
  m[1] = -m[1];
  m[2] = -m[2];
  m[3] = -m[3];
  m[6] = -m[6];
}

}  // namespace

// ---- [Animations] ----

void AnimationFrame::Set(const AnimationFrame& source, int solidCount) {
  time = source.time;
  if (!transforms) transforms = NewTransforms(solidCount);
  if (source.transforms && solidCount > 0)
    std::copy(source.transforms, source.transforms + solidCount, transforms);
}

void Animation::Copy(const Animation& source, int solidCount) {
  if (&source == this) return;
  Free();
  flags = source.flags;
  spare = source.spare;
  scale = source.scale;
  current = source.current;
  if (source.frameCount == 0) return;
  frames = new AnimationFrame[source.frameCount]();
  frameCount = source.frameCount;
  for (int i = 0; i < frameCount; ++i) frames[i].Set(source.frames[i], solidCount);
}

void Animation::InsertFrame(int index, int solidCount) {
  if (index < 0 || index >= frameCount) return;
  const int c = frameCount;
  AnimationFrame* grown = new AnimationFrame[size_t(c) + 1]();
  for (int i = 0; i <= index; ++i) grown[i] = frames[i];
  grown[index + 1].Set(frames[index], solidCount);
  for (int i = index + 1; i < c; ++i) grown[i + 1] = frames[i];
  delete[] frames;
  frames = grown;
  frameCount = uint16_t(c + 1);
  // One interval keeps its share of the whole length.
  if (c >= 2) scale = scale * float(c) / float(c - 1);
}

void Animation::DeleteFrame(int index, int /*solidCount*/) {
  if (index < 0 || index >= frameCount) return;
  delete[] frames[index].transforms;
  for (int i = index; i + 1 < frameCount; ++i) frames[i] = frames[i + 1];
  const int left = --frameCount;
  if (left == 0) {
    delete[] frames;
    frames = nullptr;
  }
  if (left >= 2) scale = scale * float(left - 1) / float(left);
}

int AnimationIntervals(const Animation& animation) {
  return animation.flags & ANIMATION_CYCLIC ? animation.frameCount : animation.frameCount - 1;
}

void SampleAnimation(const Animation& animation, BoneRig& rig, float phase) {
  const int n = animation.frameCount;
  if (n == 0) return;  // nothing to sample (and no modulo 0)
  const double t = double(phase) * AnimationIntervals(animation);
  const int64_t i = std::llround(t - 0.499999);
  const int a = int(((i % n) + n) % n), b = (a + 1) % n;
  BonePoseApply(rig, animation.frames[a].transforms, animation.frames[b].transforms, float(t - double(i)));
}

// ---- [Poses] ----

void Pose::MakeDefault(const BoneRig& rig) {
  Free();
  flags = 0;
  seatings = ALL_SEATINGS;
  std::memset(name, 0, sizeof name);
  std::strcpy(name, "unnamed");
  low.Init(rig);
  lowHeight = 0.0f;
  highHeight = 1.0f;
}

void Pose::Copy(const Pose& source, int solidCount) {
  if (&source == this) return;
  flags = source.flags;
  seatings = source.seatings;
  std::memcpy(name, source.name, sizeof name);
  low.Copy(source.low, solidCount);
  high.Copy(source.high, solidCount);
  lowHeight = source.lowHeight;
  highHeight = source.highHeight;
}

// ---- [Skeleton] ----

void Skeleton::ColourBones(BoneRig& rig) const {
  for (int i = 0; i < boneCount; ++i) {
    const int twins = bones[i].flags & SKELETON_BONE_SYMMETRICAL ? 2 : 1;
    for (int t = 0; t < twins; ++t) {
      const int solid = bones[i].firstSolid + t;
      if (solid >= 0 && solid < rig.boneCount) rig.bones[size_t(solid)].colour = bones[i].colour;
    }
  }
}

void MirrorSolid(Bone& solid) { MirrorPose(solid.position, solid.orientation); }

void Skeleton::MirrorBone(int bone, BoneRig& rig) const {
  if (bone < 0 || bone >= boneCount) return;
  const int first = bones[bone].firstSolid;
  const bool twins = bones[bone].flags & SKELETON_BONE_SYMMETRICAL;
  if (first < 0 || first + (twins ? 1 : 0) >= rig.boneCount) return;
  Bone& a = rig.bones[size_t(first)];
  MirrorSolid(a);
  if (!twins) return;
  Bone& b = rig.bones[size_t(first) + 1];
  MirrorSolid(b);
  std::swap(a.position, b.position);
  float m[9];
  std::copy(a.orientation, a.orientation + 9, m);
  std::copy(b.orientation, b.orientation + 9, a.orientation);
  std::copy(m, m + 9, b.orientation);
}

void Skeleton::MirrorAllBones(BoneRig& rig) const {
  for (int i = 0; i < boneCount; ++i) MirrorBone(i, rig);
}
