// frame_copies.cpp - the legs and frames mirrored, and carried solids copied into other frames
// relative to a reference solid.
#include "animation/anim_edit.h"
#include "animation/bone_links.h"
#include "core/report.h"
#include "skeleton/skeleton.h"

namespace {

// The other solid of a symmetrical bone, -1 for a plain one.
int TwinOf(const Skeleton& skeleton, int solid) {
  for (int i = 0; i < skeleton.boneCount; ++i) {
    const SkeletonBone& b = skeleton.bones[i];
    if (!(b.flags & SKELETON_BONE_SYMMETRICAL)) continue;
    if (solid == b.firstSolid) return solid + 1;
    if (solid == b.firstSolid + 1) return solid - 1;
  }
  return -1;
}

// Clears what a copy operation prepared.
void EndCopy(AnimEditor& editor) {
  editor.dragging = 0;
  editor.keyActive = 0;
  editor.highlighted = -1;
  ClearTempLock(editor);
}

}  // namespace

void MirrorLegs(AnimEditor& editor) {
  BoneRig& rig = *editor.rig;
  const BoneLinkArray& links = *editor.links;
  for (int i = 0; i < links.count; ++i) {
    const int state = links.links[size_t(i)].state;
    const int twin = TwinOf(*editor.skeleton, i);
    if ((state != LINK_FREE && state != LINK_CARRIED) || twin < 0 || twin >= rig.boneCount) continue;
    Bone& from = rig.bones[size_t(i)];
    Bone& to = rig.bones[size_t(twin)];
    to.position = from.position;
    std::copy(from.orientation, from.orientation + 9, to.orientation);
    MirrorSolid(to);
  }
}

void MirrorToOppositeFrame(AnimEditor& editor) {
  const int i = CurrentFrameIndex(editor);
  if (i < 0) return;
  const int n = editor.selected->frameCount;
  if (n == 2 * i + 1) return;  // the middle frame is its own mirror
  editor.skeleton->MirrorAllBones(*editor.rig);
  WriteRigToFrame(editor, n - i - 1);
  editor.skeleton->MirrorAllBones(*editor.rig);
}

void ApplyCarriedToFrames(AnimEditor& editor, int first, int last) {
  Animation* a = editor.selected;
  const BoneLinkArray& links = *editor.links;
  const int r = editor.reference;
  if (!a || r < 0 || r >= links.count) return;
  first = std::max(first, 0);
  last = std::min(last, a->frameCount - 1);
  for (int f = first; f <= last; ++f) {
    FixedTransform* t = a->frames[f].transforms;
    float R[9];
    for (int k = 0; k < 9; ++k) R[k] = float(t[r].rotation.m[k]) / 65536.0f;
    const IntVector origin = t[r].translation;
    for (int i = 0; i < links.count; ++i) {
      const BoneLink& l = links.links[size_t(i)];
      if (l.state != LINK_CARRIED || i == r) continue;
      for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
          t[i].rotation.m[row * 3 + col] =
              FixedFromScaled((R[row * 3] * l.relRotation[col] + R[row * 3 + 1] * l.relRotation[3 + col] +
                               R[row * 3 + 2] * l.relRotation[6 + col]) *
                              65536.0f);
      const IntVector d = FixedFromMetres(MatrixTimes(R, l.relPosition));
      t[i].translation = {SaturatingAdd(origin.x, d.x), SaturatingAdd(origin.y, d.y), SaturatingAdd(origin.z, d.z)};
    }
  }
}

int PrepareCopyToFrames(AnimEditor& editor) {
  if (CurrentFrameIndex(editor) < 0) {
    ReportBox(editor.screen, TEXT_NO_FRAME_SELECTED);
    return 0;
  }
  editor.slideMode = 0;
  editor.keyActive = 1;
  if (SlideBone(editor, 0, -1)) return 1;
  EndCopy(editor);
  return 0;
}

void CopyToFrames(AnimEditor& editor, int operation) {
  const int i = CurrentFrameIndex(editor);
  const int s = editor.selectedBone;
  if (i < 0 || !editor.links || s < 0 || s >= editor.links->count) {
    ReportBox(editor.screen, TEXT_NO_FRAME_SELECTED);
    return;
  }
  AddUndo(editor);
  if (operation == 1) {
    if (s == editor.links->root || !SlideBone(editor, 0, editor.links->links[size_t(s)].parent)) {
      EndCopy(editor);
      return;
    }
  }
  editor.highlighted = editor.reference;
  Animation& a = *editor.selected;
  const int n = a.frameCount;
  if (editor.autoCopyAndFlip && n != 2 * i + 1) {
    const int first = i < n / 2 ? 0 : n / 2, last = i < n / 2 ? n / 2 - 1 : n - 1;
    ApplyCarriedToFrames(editor, first, last);
    for (int j = first; j <= last; ++j) {
      if (n - 1 - j == j) continue;  // the middle frame is not flipped onto itself
      BonePoseStore(*editor.rig, a.frames[j].transforms);
      editor.skeleton->MirrorAllBones(*editor.rig);
      WriteRigToFrame(editor, n - 1 - j);
      editor.skeleton->MirrorAllBones(*editor.rig);
    }
  } else {
    ApplyCarriedToFrames(editor, 0, n - 1);
  }
  SetCurrentFrame(editor, i);
  EndCopy(editor);
}
