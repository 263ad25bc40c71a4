// anim_drag.cpp - the frame shown, the undo history, and the drag of a bone: the mouse ray,
// its start, each move's target, its cancel and its end.
#include <algorithm>
#include <bit>
#include <cmath>

#include "animation/anim_edit.h"
#include "animation/bone_links.h"
#include "core/report.h"
#include "skeleton/skeleton.h"

namespace {

constexpr double TWO_PI = 6.283185307179586;

// The rotation by angle about the unit axis u (row-major).
void AxisRotation(const Vec3& u, float angle, float r[9]) {
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  const float m[9] = {t * u.x * u.x + c,       t * u.x * u.y - s * u.z, t * u.x * u.z + s * u.y,
                      t * u.x * u.y + s * u.z, t * u.y * u.y + c,       t * u.y * u.z - s * u.x,
                      t * u.x * u.z - s * u.y, t * u.y * u.z + s * u.x, t * u.z * u.z + c};
  std::copy(m, m + 9, r);
}

void Multiply(const float a[9], const float b[9], float out[9]) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) out[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
}

int64_t Dot16(const IntVector& a, const IntVector& b) {
  return (int64_t{a.x} * b.x + int64_t{a.y} * b.y + int64_t{a.z} * b.z) >> 16;
}

// The pose entries Bone::Step reads: held solids still, carried ones fixed to the held one.
void HandOverStates(AnimEditor& editor) {
  const BoneLinkArray& links = *editor.links;
  editor.pose.assign(size_t(links.count), BonePoseEntry{});
  for (int i = 0; i < links.count; ++i) {
    const BoneLink& l = links.links[size_t(i)];
    BonePoseEntry& e = editor.pose[size_t(i)];
    e.mode = l.state == LINK_CARRIED ? BONE_FIXED_TO_HELD : l.state == LINK_HELD ? BONE_HELD_STILL : BONE_FREE;
    std::copy(l.relRotation, l.relRotation + 9, e.relative);
    e.offset = l.relPosition;
  }
}

}  // namespace

// ---- [Frames and undo] ----

int CurrentFrameIndex(const AnimEditor& editor) {
  if (!editor.selected || !editor.currentFrame) return -1;
  const int64_t i = editor.currentFrame - editor.selected->frames;
  return i >= 0 && i < editor.selected->frameCount ? int(i) : -1;
}

void SetCurrentFrame(AnimEditor& editor, int index) {
  Animation* a = editor.selected;
  editor.currentFrame = a && index >= 0 && index < a->frameCount ? &a->frames[index] : nullptr;
  if (editor.currentFrame) BonePoseStore(*editor.rig, editor.currentFrame->transforms);
  else editor.skeleton->UpdateBones(*editor.rig);
  const int intervals = a ? AnimationIntervals(*a) : 0;
  editor.phase = !editor.currentFrame || index == 0 || intervals <= 0
                     ? 0.0f
                     : std::clamp(float(index) / float(intervals), 0.0f, 1.0f);
}

void AddUndo(AnimEditor& editor) {
  if (!editor.selected) return;
  if (int(editor.undo.size()) >= ANIM_UNDO_LIMIT) {
    Animation::Delete(editor.undo.front());
    editor.undo.erase(editor.undo.begin());
  }
  Animation* copy = new Animation;
  copy->Copy(*editor.selected, editor.rig->boneCount);
  editor.undo.push_back(copy);
  editor.unsaved = 1;
}

void ClearUndo(AnimEditor& editor) {
  for (Animation* a : editor.undo) Animation::Delete(a);
  editor.undo.clear();
}

void WriteRigToFrame(AnimEditor& editor, int index) {
  if (!editor.selected || index < 0 || index >= editor.selected->frameCount) return;
  AnimationFrame& f = editor.selected->frames[index];
  CopyPartPositions(*editor.rig, f.transforms);
  f.time = 0.0f;
}

// ---- [Drag] ----

int MouseRay(const AnimEditor& editor, int mouseX, int mouseY, const IntVector& point, const IntVector& normal,
             IntVector& out) {
  const AnimEditor::View& v = editor.view;
  if (v.width <= 0) return 0;
  const float w = float(v.width);
  Vec3 d = {(float(mouseX) - float(v.width) / 2.0f) / w * v.scale, (float(v.height) / 2.0f - float(mouseY)) / w * v.scale,
            1.0f};
  d = d * (1.0f / std::sqrt(LengthSquared(d)));
  const IntVector dir = FixedFromMetres(MatrixTimes(v.orientation, d));
  const int64_t nd = Dot16(normal, dir);
  if (std::abs(nd) < MOUSE_RAY_LEAST_DOT) return 0;
  const IntVector toPoint = {int32_t(int64_t{point.x} - v.eye.x), int32_t(int64_t{point.y} - v.eye.y),
                             int32_t(int64_t{point.z} - v.eye.z)};
  const int64_t np = Dot16(normal, toPoint);
  out = {SaturatingAdd(v.eye.x, int64_t{dir.x} * np / nd), SaturatingAdd(v.eye.y, int64_t{dir.y} * np / nd),
         SaturatingAdd(v.eye.z, int64_t{dir.z} * np / nd)};
  return 1;
}

int StartDrag(AnimEditor& editor, int mouseX, int mouseY) {
  const int s = editor.selectedBone;
  if (!editor.keyActive || editor.dragging || !editor.links || s < 0 || s >= editor.links->count) return 0;
  BoneRig& rig = *editor.rig;
  editor.grabTransforms.resize(size_t(rig.boneCount));
  for (int i = 0; i < rig.boneCount; ++i) {
    Bone& b = rig.bones[size_t(i)];
    AnimEditor::Grab& g = editor.grabTransforms[size_t(i)];
    g.position = b.position;
    std::copy(b.orientation, b.orientation + 9, g.orientation);
    b.velocity = b.angularMomentum = Vec3{};
  }
  for (BoneJoint& j : rig.joints) j.lastSeparation = Vec3{};
  editor.links->links[size_t(s)].locked = 0;
  const Bone& selected = rig.bones[size_t(s)];
  if (editor.slideMode == 1 && editor.view.perspective && std::popcount(unsigned(editor.axisMask)) == 2) {
    const int32_t one = FIXED_ONE;
    editor.planeNormal = editor.axisMask == 3 ? IntVector{0, 0, one}
                         : editor.axisMask == 5 ? IntVector{0, one, 0}
                                                : IntVector{one, 0, 0};
    if (!MouseRay(editor, mouseX, mouseY, selected.position, editor.planeNormal, editor.planeStart)) return 0;
  }
  editor.dragStart[0] = mouseX;
  editor.dragStart[1] = mouseY;
  editor.highlighted = s;
  editor.dragging = 1;
  if (!SlideBone(editor, editor.autoLockParent, -1)) {
    editor.dragging = 0;
    editor.highlighted = -1;
    ClearTempLock(editor);
    return 0;
  }
  editor.heldBone = s;
  editor.targetPosition = selected.position;
  std::copy(selected.orientation, selected.orientation + 9, editor.targetOrientation);
  editor.targetRadius = selected.radius;
  editor.dragGain = editor.slideMode == 1 ? DRAG_GAIN_SLIDE : DRAG_GAIN_TURN;
  HandOverStates(editor);
  return 1;
}

void MoveDrag(AnimEditor& editor, int mouseX, int mouseY) {
  if (!editor.dragging) return;
  const AnimEditor::Grab& g = editor.grabTransforms[size_t(editor.selectedBone)];
  const int dx = mouseX - editor.dragStart[0], dy = mouseY - editor.dragStart[1];
  if (editor.slideMode == 0) {
    const int axis = editor.axisMask & 1 ? 0 : editor.axisMask & 2 ? 1 : 2;
    const float angle = float(double(dx) * TWO_PI / double(std::max(editor.view.width, 1)));
    const Vec3 u = {g.orientation[axis], g.orientation[3 + axis], g.orientation[6 + axis]};
    float r[9];
    AxisRotation(u, angle, r);
    Multiply(r, g.orientation, editor.targetOrientation);
    const Vec3 arm = MatrixTimes(r, MetresBetween(g.position, editor.pivot));
    const IntVector d = FixedFromMetres(arm);
    editor.targetPosition = {SaturatingAdd(editor.pivot.x, d.x), SaturatingAdd(editor.pivot.y, d.y),
                             SaturatingAdd(editor.pivot.z, d.z)};
    return;
  }
  IntVector target = g.position;
  std::copy(g.orientation, g.orientation + 9, editor.targetOrientation);
  if (!editor.view.perspective || std::popcount(unsigned(editor.axisMask)) == 1) {
    int32_t* coordinate[3] = {&target.x, &target.y, &target.z};
    const int32_t* kept[3] = {&g.position.x, &g.position.y, &g.position.z};
    for (int axis = 0; axis < 3; ++axis) {
      if (!(editor.axisMask & (1 << axis))) continue;
      const double a = editor.handleScreen[axis][0], b = editor.handleScreen[axis][1];
      const int64_t L = std::llround(std::sqrt(a * a + b * b));
      if (L == 0) continue;
      const double d = (a * dx + b * dy) / double(L * L) * editor.handleLength;
      const int64_t step = std::llround(d);
      if (step != 0) *coordinate[axis] = SaturatingAdd(*kept[axis], step);
    }
  } else {
    IntVector now;
    if (!MouseRay(editor, mouseX, mouseY, g.position, editor.planeNormal, now)) return;
    target = {SaturatingAdd(g.position.x, int64_t{now.x} - editor.planeStart.x),
              SaturatingAdd(g.position.y, int64_t{now.y} - editor.planeStart.y),
              SaturatingAdd(g.position.z, int64_t{now.z} - editor.planeStart.z)};
  }
  editor.targetPosition = target;
}

void EndDrag(AnimEditor& editor) {
  editor.dragging = 0;
  editor.highlighted = -1;
  editor.heldBone = -1;
  ClearTempLock(editor);
}

void CancelDrag(AnimEditor& editor) {
  if (!editor.dragging) return;
  BoneRig& rig = *editor.rig;
  for (int i = 0; i < rig.boneCount && i < int(editor.grabTransforms.size()); ++i) {
    Bone& b = rig.bones[size_t(i)];
    const AnimEditor::Grab& g = editor.grabTransforms[size_t(i)];
    b.position = g.position;
    std::copy(g.orientation, g.orientation + 9, b.orientation);
    b.velocity = b.angularMomentum = Vec3{};
  }
  EndDrag(editor);
}

void FinishDrag(AnimEditor& editor) {
  if (!editor.dragging) return;
  const int frame = CurrentFrameIndex(editor);
  if (frame >= 0) {
    AddUndo(editor);
    const int s = editor.selectedBone;
    if (editor.symmetricalLegs && s >= LEG_FIRST_SOLID && s <= LEG_LAST_SOLID) MirrorLegs(editor);
    WriteRigToFrame(editor, frame);
    if (editor.autoCopyAndFlip) MirrorToOppositeFrame(editor);
  }
  EndDrag(editor);
}
