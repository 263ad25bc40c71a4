// anim_poses.cpp - the animation editor's poses: the list and its commands, the seating
// shown, plain and blended poses with their heights, and the test of a blend.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "animation/anim_edit.h"
#include "animation/anim_screen.h"
#include "core/report.h"
#include "skeleton/skeleton.h"

const char* const SEATING_NAMES[SEATING_COUNT] = {"standing area", "sit or stand",   "low wall",      "bench",
                                                  "fence in front", "high wall",     "fence behind",  "base of wall",
                                                  "point left",    "point right"};

namespace {

constexpr const char* TEXT_NO_SEATING = "Pose may not be used in any seating types";
constexpr const char* TEXT_NEED_BASE = "need a base animation to make a blended animation";

Pose* SelectedPose(AnimEditorScreen& s) {
  Skeleton& k = *s.editor.skeleton;
  return s.selectedPose >= 0 && s.selectedPose < k.poseCount ? &k.poses[s.selectedPose] : nullptr;
}

void ClearPoseSelection(AnimEditorScreen& s) {
  s.selectedPose = -1;
  s.blendTest = 0;
  s.editor.selected = nullptr;
  SetCurrentFrame(s.editor, -1);
}

// The pose's half becomes the selected animation, its first frame shown.
void ShowHalf(AnimEditorScreen& s, Pose& pose, int half) {
  s.poseHalf = uint8_t(half);
  s.editor.selected = half ? &pose.high : &pose.low;
  SetCurrentFrame(s.editor, 0);
}

}  // namespace

void SelectPose(AnimEditorScreen& s, int pose, int half) {
  AnimEditor& e = s.editor;
  ClearUndo(e);
  if (pose < 0 || pose >= e.skeleton->poseCount) return;
  if (pose == s.selectedPose && half == s.poseHalf && !s.blendTest) {
    ClearPoseSelection(s);
    return;
  }
  s.selectedMovement = -1;
  s.selectedPose = pose;
  Pose& p = e.skeleton->poses[pose];
  s.testHeight = half ? p.highHeight : p.lowHeight;
  ShowHalf(s, p, half);
  CheckPoseSeating(s);
  s.blendTest = 0;
}

void CheckPoseSeating(AnimEditorScreen& s) {
  const Pose* p = SelectedPose(s);
  if (!p) return;
  if (s.selectedSeating >= 0 && s.selectedSeating < SEATING_COUNT && (p->seatings >> s.selectedSeating & 1)) return;
  for (int k = 0; k < SEATING_COUNT; ++k)
    if (p->seatings >> k & 1) {
      s.selectedSeating = k;
      return;
    }
  s.selectedSeating = -1;
  ReportBox(&s.prss, TEXT_NO_SEATING);
}

void NewPose(AnimEditorScreen& s) {
  AnimEditor& e = s.editor;
  Skeleton& k = *e.skeleton;
  ClearUndo(e);
  const Pose* source = SelectedPose(s);
  Pose* grown = new Pose[size_t(k.poseCount) + 1];
  // The records move over whole: their animations' frames change owner, not place.
  for (int i = 0; i < k.poseCount; ++i) grown[i] = k.poses[i];
  Pose& made = grown[k.poseCount];
  if (source)
    made.Copy(grown[source - k.poses], e.rig->boneCount);
  else
    made.MakeDefault(*e.rig);
  delete[] k.poses;
  k.poses = grown;
  ++k.poseCount;
  e.unsaved = 1;
  s.selectedMovement = -1;
  s.selectedPose = k.poseCount - 1;
  s.blendTest = 0;
  ShowHalf(s, made, 0);
}

void DeletePose(AnimEditorScreen& s) {
  AnimEditor& e = s.editor;
  Skeleton& k = *e.skeleton;
  ClearUndo(e);
  Pose* p = SelectedPose(s);
  if (!p) return;
  p->Free();
  *p = k.poses[k.poseCount - 1];
  k.poses[k.poseCount - 1] = Pose{};
  if (--k.poseCount == 0) {
    delete[] k.poses;
    k.poses = nullptr;
  }
  e.unsaved = 1;
  ClearPoseSelection(s);
}

void RenamePose(AnimEditorScreen& s, const char* name) {
  Pose* p = SelectedPose(s);
  if (!p || !name) return;
  char kept[POSE_NAME_SIZE] = {};
  std::snprintf(kept, POSE_NAME_TYPED + 1, "%s", name);
  std::copy(kept, kept + POSE_NAME_SIZE, p->name);
  s.editor.unsaved = 1;
}

void MakePosePlain(AnimEditorScreen& s) {
  Pose* p = SelectedPose(s);
  if (!p || !(p->flags & POSE_BLEND)) return;
  ClearUndo(s.editor);
  p->high.Free();
  p->flags &= ~POSE_BLEND;
  p->lowHeight = 0.0f;
  p->highHeight = 1.0f;
  s.blendTest = 0;
  s.editor.unsaved = 1;
  ShowHalf(s, *p, 0);
}

void MakePoseBlend(AnimEditorScreen& s) {
  Pose* p = SelectedPose(s);
  if (!p || (p->flags & POSE_BLEND)) return;
  if (p->low.frameCount == 0) {
    ReportBox(&s.prss, TEXT_NEED_BASE);
    return;
  }
  ClearUndo(s.editor);
  p->flags |= POSE_BLEND;
  p->high.Copy(p->low, s.editor.rig->boneCount);
  s.editor.unsaved = 1;
  ShowHalf(s, *p, 1);
}

void SetPoseHeight(AnimEditorScreen& s, float height) {
  Pose* p = SelectedPose(s);
  if (!p || !std::isfinite(height)) return;
  height = std::clamp(height, 0.0f, 1.0f);
  (s.poseHalf ? p->highHeight : p->lowHeight) = height;
  if (p->lowHeight > p->highHeight - BLEND_HEIGHT_GAP) p->highHeight = std::min(p->lowHeight + BLEND_HEIGHT_GAP, 1.0f);
  if (p->lowHeight > p->highHeight - BLEND_HEIGHT_GAP) p->lowHeight = 1.0f - BLEND_HEIGHT_GAP;
  s.testHeight = s.poseHalf ? p->highHeight : p->lowHeight;
  s.editor.unsaved = 1;
}

int BlendTestOffered(const AnimEditorScreen& s) {
  const Skeleton& k = *s.editor.skeleton;
  if (s.selectedPose < 0 || s.selectedPose >= k.poseCount) return 0;
  const Pose& p = k.poses[s.selectedPose];
  return (p.flags & POSE_BLEND) && p.low.frameCount == p.high.frameCount ? 1 : 0;
}

void StartBlendTest(AnimEditorScreen& s) {
  if (!BlendTestOffered(s)) return;
  CheckPoseSeating(s);
  s.editor.selectedBone = -1;
  s.blendTest = 1;
  SetTestHeight(s, s.testHeight);
}

void SetTestHeight(AnimEditorScreen& s, float height) {
  Pose* p = SelectedPose(s);
  if (!p || !std::isfinite(height)) return;
  s.testHeight = std::clamp(height, p->lowHeight, p->highHeight);
  const float span = p->highHeight - p->lowHeight;
  const float t = span > 0.0f ? (s.testHeight - p->lowHeight) / span : 0.0f;
  if (p->low.frameCount == 0 || p->high.frameCount == 0) return;
  s.editor.currentFrame = nullptr;
  BonePoseApply(*s.editor.rig, p->low.frames[0].transforms, p->high.frames[0].transforms, t);
}
