// anim_commands.cpp - the animation editor's commands: frames (previous, next, DUP, DEL),
// animations and their clipboards, movements, "move all", the test bar and the file
// commands with their questions.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "animation/anim_edit.h"
#include "animation/anim_screen.h"
#include "animation/bone_links.h"
#include "core/report.h"
#include "skeleton/skeleton.h"
#include "ui/dialogs.h"

namespace {

constexpr const char* TEXT_NO_ANIM = "NO ANIM selected";
constexpr const char* TEXT_TOO_MANY_FRAMES = "Too many frames";
constexpr const char* TEXT_ONE_FRAME_NEEDED = "An animation needs at least one frame";
constexpr const char* TEXT_TWO_FRAMES_TO_TEST = "You need at least two frames to test animation";
constexpr const char* TEXT_BAD_DISTANCE = "Distance must be a number that keeps every position in range";
constexpr const char* AXIS_NAMES[3] = {"X (right)", "Y (forward)", "Z (up)"};

enum FileAnswer : uint32_t { ANSWER_SAVE_SKELETON = 0, ANSWER_LOAD = 2, ANSWER_SAVE = 3, ANSWER_MOVE_ALL = 20 };

AnimEditorScreen& ScreenOf(Prss* owner) { return *reinterpret_cast<AnimEditorScreen*>(owner); }

// The selected animation and its current frame index, or -1 with the refusal shown.
int CurrentOrRefuse(AnimEditorScreen& s) {
  if (!s.editor.selected) {
    ReportBox(&s.prss, TEXT_NO_ANIM);
    return -1;
  }
  const int i = CurrentFrameIndex(s.editor);
  if (i < 0) ReportBox(&s.prss, TEXT_NO_FRAME_SELECTED);
  return i;
}

void ShowFrame(AnimEditorScreen& s, int index) {
  s.testing = 0;
  s.testStart = -1;
  SetCurrentFrame(s.editor, index);
  SetPhase(s, s.editor.phase);
}

void Duplicate(AnimEditorScreen& s) {
  AnimEditor& e = s.editor;
  const int i = CurrentOrRefuse(s);
  if (i < 0) return;
  Animation& a = *e.selected;
  const int n = a.frameCount;
  const bool mirror = e.autoCopyAndFlip && n != 2 * i + 1;
  const int m = n - i - 1;
  if (n + (mirror ? 2 : 1) > ANIM_FRAME_LIMIT) {
    ReportBox(&s.prss, TEXT_TOO_MANY_FRAMES);
    return;
  }
  AddUndo(e);
  const int solids = e.rig->boneCount;
  a.InsertFrame(i, solids);
  int current = i + 1;
  if (mirror) {
    // The mirror frame itself is copied: it moved up one when it stood after frame i.
    a.InsertFrame(m > i ? m + 1 : m, solids);
    if (m < i) current = i + 2;
  }
  ShowFrame(s, current);
}

void Delete(AnimEditorScreen& s) {
  AnimEditor& e = s.editor;
  int i = CurrentOrRefuse(s);
  if (i < 0) return;
  Animation& a = *e.selected;
  const int n = a.frameCount;
  const bool mirror = e.autoCopyAndFlip && n != 2 * i + 1;
  const int m = n - i - 1;
  if (n - (mirror ? 2 : 1) < 1) {
    ReportBox(&s.prss, TEXT_ONE_FRAME_NEEDED);
    return;
  }
  AddUndo(e);
  const int solids = e.rig->boneCount;
  const int removed = i;
  a.DeleteFrame(removed, solids);
  if (i >= a.frameCount) --i;
  if (mirror) {
    if (m > removed) {
      a.DeleteFrame(m - 1, solids);
    } else {
      a.DeleteFrame(m, solids);
      if (i > 0) --i;
    }
  }
  ShowFrame(s, std::clamp(i, 0, a.frameCount - 1));
}

void NameAnswered(Prss* owner, const char* text, uint32_t word) {
  AnimEditorScreen& s = ScreenOf(owner);
  switch (word) {
    case ANSWER_SAVE_SKELETON: SaveSkeleton(s.editor, text); return;
    case ANSWER_LOAD: LoadAnimation(s.editor, text); return;
    case ANSWER_SAVE: SaveAnimation(s.editor, text); return;
    default:
      if (word >= ANSWER_MOVE_ALL && word < ANSWER_MOVE_ALL + 3) {
        char* end = nullptr;
        const double metres = std::strtod(text, &end);
        if (end == text || !MoveWholeAnimation(s, int(word - ANSWER_MOVE_ALL), metres))
          ReportBox(&s.prss, TEXT_BAD_DISTANCE);
      }
      return;
  }
}

void RemoveAnswered(Prss* owner, uint32_t, uint32_t) {
  AnimEditorScreen& s = ScreenOf(owner);
  AnimEditor& e = s.editor;
  ClearUndo(e);
  e.skeleton->Clear();
  s.selectedPose = -1;
  s.selectedMovement = -1;
  s.blendTest = 0;
  if (!e.driverAnimation) {
    e.selected = nullptr;
    SetCurrentFrame(e, -1);
  }
  e.unsaved = 1;
}

void CopyAnswered(Prss* owner, uint32_t, int chosen) { CopyToFrames(ScreenOf(owner).editor, chosen); }

}  // namespace

// ---- [Commands] ----

void FrameCommand(AnimEditorScreen& s, int word) {
  AnimEditor& e = s.editor;
  switch (word) {
    case FRAME_PREVIOUS:
    case FRAME_NEXT: {
      const int i = CurrentOrRefuse(s);
      if (i < 0) return;
      const int n = e.selected->frameCount;
      ShowFrame(s, (i + (word == FRAME_NEXT ? 1 : n - 1)) % n);
      return;
    }
    case FRAME_DUP: Duplicate(s); return;
    case FRAME_DEL: Delete(s); return;
    default: return;
  }
}

void AnimCommand(AnimEditorScreen& s, int word, int click) {
  AnimEditor& e = s.editor;
  const int solids = e.rig->boneCount;
  if (word == 6 || word == 7 || word == 8 || word == 10) {
    switch (word) {
      case 6: NewPose(s); return;
      case 7:
        if (s.selectedPose >= 0)
          ReportQuestion(&s.prss, [](Prss* owner, uint32_t, uint32_t) { DeletePose(ScreenOf(owner)); },
                         "Delete this pose?", e.skeleton->poses[s.selectedPose].name, 0, 0, 0);
        return;
      case 8: StartBlendTest(s); return;
      default: DeletePose(s); return;
    }
  }
  (void)click;
  if (!e.selected) {
    ReportBox(&s.prss, TEXT_NO_ANIM);
    return;
  }
  Animation& a = *e.selected;
  switch (word) {
    case 0:
      if (a.frameCount > 0) return;
      SetCurrentFrame(e, -1);
      a.Init(*e.rig);
      e.unsaved = 1;
      ShowFrame(s, 0);
      return;
    case 1:
      if (!s.copiedAnimation) s.copiedAnimation = new Animation;
      s.copiedAnimation->Copy(a, solids);
      return;
    case 2:
      a.Free();
      e.unsaved = 1;
      ShowFrame(s, -1);
      return;
    case 3:
      if (!s.copiedAnimation) return;
      AddUndo(e);
      a.Copy(*s.copiedAnimation, solids);
      ShowFrame(s, 0);
      return;
    case 4:
      delete[] s.copiedFrame;
      s.copiedFrame = AllocPartPositions(*e.rig);
      return;
    case 5: {
      const int i = CurrentOrRefuse(s);
      if (i < 0 || !s.copiedFrame) return;
      AddUndo(e);
      std::copy(s.copiedFrame, s.copiedFrame + solids, a.frames[i].transforms);
      a.frames[i].time = 0.0f;
      ShowFrame(s, i);
      if (e.autoCopyAndFlip) MirrorToOppositeFrame(e);
      return;
    }
    case 9: {
      const int i = CurrentOrRefuse(s);
      if (i < 0) return;
      AddUndo(e);
      e.skeleton->MirrorAllBones(*e.rig);
      WriteRigToFrame(e, i);
      ShowFrame(s, i);
      return;
    }
    default: return;
  }
}

void AnimFileCommand(AnimEditorScreen& s, int word) {
  AnimEditor& e = s.editor;
  char start[40] = {};
  switch (word) {
    case 0:
      AskText(&s.prss, NameAnswered, "Enter name of skeleton to SAVE", 16, ANSWER_SAVE_SKELETON, "", 0, 6,
              SKELETON_SAVE_PATTERN);
      return;
    case 1:
      ReportQuestion(&s.prss, RemoveAnswered, "Remove all animations from skeleton?", "Data will be lost", 0, 0, 0);
      return;
    case 2:
      AskText(&s.prss, NameAnswered, "Enter name of animation to LOAD", 32, ANSWER_LOAD, e.animationName, 0, 4,
              ANIMATION_SAVE_PATTERN);
      return;
    case 3:
      AskText(&s.prss, NameAnswered, "Enter name of animation to SAVE", 32, ANSWER_SAVE, e.animationName, 0, 6,
              ANIMATION_SAVE_PATTERN);
      return;
    case 4:
    case 5:
      if (!e.driverAnimation || !VehicleOnShow()) return;
      std::snprintf(start, sizeof start, word == 4 ? "sit_%s" : "str_%s", AnimVehicleHooks.vehicleName());
      AskText(&s.prss, NameAnswered, "Enter name of animation to SAVE", 12, ANSWER_SAVE, start, 0, 6,
              ANIMATION_SAVE_PATTERN);
      return;
    case 9:
      if (PrepareCopyToFrames(e)) {
        static const char* const options[2] = {TEXT_COPY_CHILDREN, TEXT_COPY_WITH_PARENT};
        if (!AskSelect(&s.prss, CopyAnswered, TEXT_COPY_QUESTION, nullptr, options, 2, 0, 0)) {
          e.keyActive = 0;
          ClearTempLock(e);
          ColourLocks(e);
        }
      }
      return;
    case 10: UndoStep(s); return;
    default: return;
  }
}

void AskMoveAll(AnimEditorScreen& s, int axis) {
  char prompt[96];
  std::snprintf(prompt, sizeof prompt, "Enter distance to move whole animation in %s direction", AXIS_NAMES[axis]);
  AskText(&s.prss, NameAnswered, prompt, 12, ANSWER_MOVE_ALL + uint32_t(axis), "", 0, 0, nullptr);
}

void SelectMovement(AnimEditorScreen& s, int movement) {
  AnimEditor& e = s.editor;
  ClearUndo(e);
  s.selectedPose = -1;
  s.blendTest = 0;
  if (s.selectedMovement == movement || movement < 0 || movement >= MOVEMENT_COUNT) {
    s.selectedMovement = -1;
    e.selected = nullptr;
    ShowFrame(s, -1);
    return;
  }
  s.selectedMovement = movement;
  e.selected = &e.skeleton->movements[movement];
  ShowFrame(s, 0);
}

int MoveWholeAnimation(AnimEditorScreen& s, int axis, double metres) {
  AnimEditor& e = s.editor;
  if (!e.selected || axis < 0 || axis > 2) return 0;
  const double step = metres * 65536.0;
  if (!std::isfinite(step) || std::fabs(step) > 4294967295.0) return 0;
  const int64_t add = int64_t(std::nearbyint(step));
  Animation& a = *e.selected;
  const int solids = e.rig->boneCount;
  const auto coordinate = [axis](FixedTransform& t) -> int32_t& {
    return axis == 0 ? t.translation.x : axis == 1 ? t.translation.y : t.translation.z;
  };
  for (int f = 0; f < a.frameCount; ++f)
    for (int k = 0; k < solids; ++k) {
      const int64_t moved = int64_t(coordinate(a.frames[f].transforms[k])) + add;
      if (moved < INT32_MIN || moved > INT32_MAX) return 0;
    }
  AddUndo(e);
  for (int f = 0; f < a.frameCount; ++f)
    for (int k = 0; k < solids; ++k) {
      // In 64 bits: a move of more than 2^31 units that lands in range must not overflow int.
      int32_t& c = coordinate(a.frames[f].transforms[k]);
      c = int32_t(int64_t(c) + add);
    }
  ShowFrame(s, CurrentFrameIndex(e));
  return 1;
}

int StartTest(AnimEditorScreen& s, int mouseX) {
  AnimEditor& e = s.editor;
  if (!e.selected || e.selected->frameCount < 2) {
    ReportBox(&s.prss, TEXT_TWO_FRAMES_TO_TEST);
    return 0;
  }
  s.testing = 1;
  s.testStart = mouseX;
  s.testPhase = e.phase;
  e.currentFrame = nullptr;
  return 1;
}

int FrameButtonCount(const Animation& a) { return a.frameCount + (a.flags & ANIMATION_CYCLIC ? 1 : 0); }

void MoveTest(AnimEditorScreen& s, int mouseX) {
  AnimEditor& e = s.editor;
  if (!s.testing || !e.selected) return;
  const int buttonCount = FrameButtonCount(*e.selected);
  if (buttonCount <= 0) return;
  const float phase = std::clamp(s.testPhase + float(mouseX - s.testStart) / float(2 * buttonCount), 0.0f, 1.0f);
  SetPhase(s, phase);
  SampleAnimation(*e.selected, *e.rig, e.phase);
}
