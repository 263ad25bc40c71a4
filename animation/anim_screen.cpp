// anim_screen.cpp - the animation editor screen's life, its frame, its keys and its mouse,
// the phase and the undo step.
#include "animation/anim_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "animation/anim_edit.h"
#include "animation/bone_links.h"
#include "core/report.h"
#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "platform/keys.h"
#include "render/object_picture.h"
#include "render/views.h"
#include "skeleton/human_system.h"
#include "skeleton/skeleton.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/text_entry.h"

AnimEditorScreen* OpenAnimEditorScreen = nullptr;
AnimVehicleLink AnimVehicleHooks = {};

namespace {

constexpr double THREE_PI = 3.0 * 3.14159265358979323846;
constexpr int DRAG_STEPS_A_FRAME = 4;
constexpr const char* TEXT_EXIT_QUESTION = "Exit animation editor?";
constexpr const char* TEXT_EXIT_PROGRAM = "Exit ZKT?";
constexpr const char* TEXT_UNSAVED_LOST = "Unsaved changes will be lost";
constexpr const char* TEXT_UNDO_EMPTY = "Undo buffer is empty";
constexpr const char* TEXT_NO_ANIM = "NO ANIM selected";
constexpr int UNDO_EMPTY_SOUND = 3;

AnimEditorScreen& ScreenOf(Prss* process) { return *reinterpret_cast<AnimEditorScreen*>(process); }

// Word 1: the object editor closes too (Shift+X).
void LeaveAnswered(Prss* owner, uint32_t closeAll, uint32_t) {
  if (closeAll) ObjectEditorShared.closeAll = 1;
  Prss_Terminate(owner);
}

// "Yes" to the program's quit with unsaved changes: the request again, the editor closed.
void QuitAnswered(Prss* owner, uint32_t, uint32_t) {
  ExitRequested = 1;
  RedrawRequested = 1;
  Prss_Terminate(owner);
}

void AskLeave(AnimEditorScreen& s, uint32_t closeAll) {
  if (!s.editor.unsaved) {
    LeaveAnswered(&s.prss, closeAll, 0);
    return;
  }
  if (s.prss.sub) return;
  ReportQuestion(&s.prss, LeaveAnswered, TEXT_EXIT_QUESTION, TEXT_UNSAVED_LOST, closeAll, 0, 0);
}

// The object editor's figure drawn by the rig's solids where they stand now.
int FigureBoneFrames(FixedTransform* out, int capacity) {
  const AnimEditorScreen* s = OpenAnimEditorScreen;
  if (!s || capacity <= 0) return 0;
  const BoneRig& rig = *s->editor.rig;
  std::vector<FixedTransform> frames(size_t(std::max(rig.boneCount, 1)));
  CopyPartPositions(rig, frames.data());
  const int count = std::min(rig.boneCount, capacity);
  std::copy_n(frames.begin(), count, out);
  return count;
}

// Everything the screen owns freed, and what it changed put back.
void CloseScreen(AnimEditorScreen* s) {
  AnimEditor& e = s->editor;
  e.skeleton->UpdateBones(*e.rig);
  e.skeleton->ColourBones(*e.rig);
  if (OpenAnimEditorScreen == s) {
    OpenAnimEditorScreen = nullptr;
    FigurePose = {};
  }
  ClearUndo(e);
  EditorFrameHook = s->savedHook;
  EditorFrameHookArgument = s->savedHookArgument;
  s->blendTest = 0;
  if (float* output = AnimVehicleHooks.steeringOutput ? AnimVehicleHooks.steeringOutput() : nullptr) *output = 0.0f;
  Animation::Delete(e.driverAnimation);
  Animation::Delete(s->copiedAnimation);
  delete[] s->copiedFrame;
  delete s->grabSolid;
  BoneLinkArray::Delete(e.links);
  delete s;
}

// The held keys' action: Q, W, E turn about x, y, z; A, S, D slide along x, y, z, two of them
// in a plane.  0 with nothing held.
int HeldKeyAction(uint8_t& slide) {
  const auto held = [](int key) { return KeyState[key] != 0; };
  const bool a = held('A'), s = held('S'), d = held('D');
  slide = 0;
  if (held('Q')) return 1;
  if (held('W')) return 2;
  if (held('E')) return 4;
  slide = 1;
  if (s && d) return 6;
  if (a && d) return 5;
  if (a && s) return 3;
  if (a) return 1;
  if (s) return 2;
  if (d) return 4;
  return 0;
}

// The view the mouse works in, from the object editor's current view.
void TakeView(AnimEditor& e) {
  AnimEditor::View& v = e.view;
  float axes[3][3];
  GetViewAxes(axes);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) v.orientation[r * 3 + c] = axes[r][c];
  v.eye = {CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
  v.scale = EditViews.fovScale;
  v.width = CurrentView->right - CurrentView->left;
  v.height = CurrentView->bottom - CurrentView->top;
  v.perspective = EditViews.width == 0 ? 1 : 0;
}

// Step 2 of the frame: the held keys prepare a slide or turn of the selected bone.
void ReadHeldKeys(AnimEditorScreen& s) {
  AnimEditor& e = s.editor;
  uint8_t slide = 1;
  const int mask = s.prss.sub || TextEntryActive ? 0 : HeldKeyAction(slide);
  if (mask == 0 || e.selectedBone < 0) {
    if (e.keyActive || e.axisMask) {
      e.keyActive = 0;
      e.axisMask = 0;
      ClearTempLock(e);
      ColourLocks(e);
    }
    return;
  }
  if (e.axisMask == mask && e.slideMode == slide) return;  // prepared already (or refused)
  e.axisMask = uint8_t(mask);
  e.slideMode = slide;
  e.keyActive = 0;
  if (CurrentFrameIndex(e) < 0) {
    if (!s.prss.sub) ReportBox(&s.prss, TEXT_NO_FRAME_SELECTED);
    return;
  }
  e.keyActive = uint8_t(SlideBone(e, e.autoLockParent, -1));
}

// What the selected bone turns about: the root's own position, else the mean of its joints'
// centres as its own anchors place them.
void UpdatePivot(AnimEditor& e) {
  const BoneRig& rig = *e.rig;
  const Bone& bone = rig.bones[size_t(e.selectedBone)];
  if (e.selectedBone == e.links->root) {
    e.pivot = bone.position;
    return;
  }
  double sum[3] = {};
  int count = 0;
  for (const BoneJoint& j : rig.joints) {
    if (j.b != &bone) continue;
    const Vec3 turned = MatrixTimes(bone.orientation, j.anchorB);
    sum[0] += std::nearbyint(double(turned.x) * 65536.0);
    sum[1] += std::nearbyint(double(turned.y) * 65536.0);
    sum[2] += std::nearbyint(double(turned.z) * 65536.0);
    ++count;
  }
  if (count == 0) {
    e.pivot = bone.position;
    return;
  }
  e.pivot = {SaturatingAdd(bone.position.x, int64_t(std::nearbyint(sum[0] / count))),
             SaturatingAdd(bone.position.y, int64_t(std::nearbyint(sum[1] / count))),
             SaturatingAdd(bone.position.z, int64_t(std::nearbyint(sum[2] / count)))};
}

// The drag target as a light green copy of the selected bone at the target.
void UpdateGrabSolid(AnimEditorScreen& s) {
  AnimEditor& e = s.editor;
  if (!s.grabSolid || e.selectedBone < 0) return;
  const Bone& bone = e.rig->bones[size_t(e.selectedBone)];
  s.grabSolid->halfSize = bone.halfSize;
  s.grabSolid->colour = BONE_COLOUR_TARGET;
  s.grabSolid->position = e.targetPosition;
  std::copy(e.targetOrientation, e.targetOrientation + 9, s.grabSolid->orientation);
}

}  // namespace

// ---- [Opening and the frame] ----

BoneLinkArray* CheckObjectEditorHierarchy(Prss* screen, Bone*, BoneTable* table) {
  if (!table || !table->skeleton || !table->rig) return nullptr;
  BoneLinkArray* links = new BoneLinkArray;
  if (CheckBoneHierarchy(*links, screen, *table->skeleton, *table->rig)) return links;
  BoneLinkArray::Delete(links);
  return nullptr;
}

int TableBonePositions(BoneTable* table, int32_t (*out)[3], int capacity) {
  if (!table || !table->rig) return 0;
  const int count = std::min(table->rig->boneCount, capacity);
  for (int i = 0; i < count; ++i) {
    const IntVector& p = table->rig->bones[size_t(i)].position;
    out[i][0] = p.x, out[i][1] = p.y, out[i][2] = p.z;
  }
  return count;
}

void UpdateTableBones(Bone*, BoneTable* table) {
  if (table && table->skeleton && table->rig) table->skeleton->UpdateBones(*table->rig);
}

Prss* CreateAnimEditor(Prss* parent, Bone*, BoneTable* table, BoneLinkArray* links, void* argument) {
  AnimEditorScreen* s = Prss_New<AnimEditorScreen>();
  Prss_Init(&s->prss, parent, AnimEditorScreenAction, AnimEditorKey, AnimEditorMouse, nullptr, nullptr);
  AnimEditor& e = s->editor;
  s->table = table;
  e.screen = &s->prss;
  e.skeleton = table->skeleton;
  e.rig = table->rig;
  e.links = links;
  e.gravity = 0;
  s->savedHook = EditorFrameHook;
  s->savedHookArgument = EditorFrameHookArgument;
  EditorFrameHook = DrawAnimEditorHook;
  EditorFrameHookArgument = s;
  OpenAnimEditorScreen = s;
  s->restBones = RestBones(*e.skeleton, *e.rig);
  s->figureSkeleton = {s->restBones.data(), int(s->restBones.size())};
  FigurePose = {&s->figureSkeleton, FigureBoneFrames};
  e.grabTransforms.resize(size_t(e.rig->boneCount));
  s->grabSolid = new Bone();
  s->grabSolid->colour = BONE_COLOUR_TARGET;
  e.skeleton->ColourBones(*e.rig);
  const Animation* handed = static_cast<const Animation*>(argument);
  const bool vehicle = VehicleOnShow();
  if (handed) {
    e.driverAnimation = new Animation;
    e.driverAnimation->Copy(*handed, e.rig->boneCount);
    e.selected = e.driverAnimation;
    SetCurrentFrame(e, 0);
    e.autoCopyAndFlip = e.symmetricalLegs = vehicle ? 1 : 0;
    if (vehicle) std::snprintf(s->caption, sizeof s->caption, "...%s", AnimVehicleHooks.vehicleName());
  }
  e.autoLockParent = 1;
  Prss_MakeCurrent(&s->prss);
  return &s->prss;
}

Prss* AnimEditorScreenAction(Prss* process) {
  AnimEditorScreen& s = ScreenOf(process);
  AnimEditor& e = s.editor;
  if (!process->alive) {
    CloseScreen(&s);
    return nullptr;
  }
  if (!e.dragging) ReadHeldKeys(s);
  Prss_ActSub(process);
  if (process->sub) return process;
  // A quit request: unsaved changes are asked about first, as the other editors do.
  if (ExitRequested) {
    if (e.unsaved) {
      ExitRequested = 0;
      ReportQuestion(process, QuitAnswered, TEXT_EXIT_PROGRAM, TEXT_UNSAVED_LOST, 0, 0, 0);
    } else {
      Prss_Terminate(process);
    }
    return process;
  }
  if (e.dragging) {
    e.dragGain = e.slideMode ? DRAG_GAIN_SLIDE : DRAG_GAIN_TURN;
    for (int i = 0; i < DRAG_STEPS_A_FRAME; ++i) Bone::Step(*e.rig, e);
    UpdateGrabSolid(s);
  } else {
    TakeView(e);
    if (e.selectedBone >= 0 && !(e.keyActive && e.slideMode)) UpdatePivot(e);
  }
  if (!FrameSkipped && !EditorDrawingOff) {
    DrawAnimHandles(s);
    DrawAnimEditor(s);
    // The bone labels last, each where it is clear of the panels and of the labels before it.
    if (!s.blendTest) DrawBoneLabels(s);
    // A drag steps the bones each frame, a held key moves the selected one, a test plays the
    // animation: those go on drawing; otherwise the figure holds still.
    if (e.dragging || e.keyActive || e.axisMask || s.testing) KeepDrawing = 1;
    Prss_RestAfterDrawing(process);
  }
  return process;
}

void AskLeaveAnimEditor(AnimEditorScreen& s) { AskLeave(s, 0); }

void AnimEditorKey(Prss* process, int key) {
  AnimEditorScreen& s = ScreenOf(process);
  AnimEditor& e = s.editor;
  const int letter = key >= 'a' && key <= 'z' ? key - ('a' - 'A') : key;
  switch (letter) {
    case KEY_TAB: e.autoLockParent ^= 1; return;
    case KEY_ESCAPE: AskLeaveAnimEditor(s); return;
    case ' ':
      if (s.blendTest || !e.links) return;
      e.selectedBone = e.selectedBone == e.links->root ? -1 : e.links->root;
      return;
    case 'C':
      for (BoneLink& l : e.links->links) l.locked = 0;
      e.selectedBone = -1;
      ColourLocks(e);
      return;
    case 'I':
    case 'O':
      if (process->parent) ObjectEditorKey(process->parent, key);
      return;
    case 'X':
      if (ShiftHeld) AskLeave(s, 1);
      return;
    case ',':
    case KEY_COMMA: FrameCommand(s, FRAME_PREVIOUS); return;
    case '.':
    case KEY_PERIOD: FrameCommand(s, FRAME_NEXT); return;
    case KEYCODE_INSERT: FrameCommand(s, FRAME_DUP); return;
    case KEYCODE_DELETE: FrameCommand(s, FRAME_DEL); return;
    case KEYCODE_CTRL_LETTER + 'Z': UndoStep(s); return;
    case 'A':
    case 'D':
    case 'E':
    case 'Q':
    case 'S':
    case 'W': return;  // read as held keys
    default: EditView::SelectByKey(key); return;
  }
}

void AnimEditorMouse(Prss* process, MouseRecord* mouse) {
  AnimEditorScreen& s = ScreenOf(process);
  AnimEditor& e = s.editor;
  if (!mouse) return;
  const MouseRecord& m = *mouse;
  if (e.dragging) {
    if (m.clickCode && !(m.clickCode & 1)) {
      CancelDrag(e);
      return;
    }
    if (m.releaseCode & 1) {
      FinishDrag(e);
      return;
    }
    if (m.dx || m.dy) MoveDrag(e, MouseX, MouseY);
    return;
  }
  if (s.testing) {
    if (m.releaseCode & 1 || !m.leftHeld) {
      s.testing = 0;
      s.testStart = -1;
      return;
    }
    if (m.dx || m.dy) MoveTest(s, MouseX);
    return;
  }
  if (e.keyActive && (m.clickCode & 1) && !FindButtonUnderMouse()) {
    TakeView(e);
    if (StartDrag(e, MouseX, MouseY)) {
      UpdateGrabSolid(s);
      return;
    }
  }
  if (HandleInterfaceMouse(mouse)) return;
  if (process->parent) ObjectEditorMouse(process->parent, mouse);
}

// ---- The phase and undo ----

float SteeringOutputFor(float phase, float lock, float scale, float wheelTurn) {
  if (!(wheelTurn > 0.0f)) return 0.0f;
  const double out = -(2.0 * phase - 1.0) * double(lock) * double(scale) / std::min(double(wheelTurn), THREE_PI);
  return std::isfinite(out) ? float(out) : 0.0f;
}

void SetPhase(AnimEditorScreen& s, float phase) {
  AnimEditor& e = s.editor;
  e.phase = std::isfinite(phase) ? std::clamp(phase, 0.0f, 1.0f) : 0.0f;
  const AnimVehicleLink& v = AnimVehicleHooks;
  float* output = v.steeringOutput ? v.steeringOutput() : nullptr;
  if (!output) return;
  const float lock = v.steeringLock ? v.steeringLock() : 0.0f;
  const float wheel = v.wheelTurn ? v.wheelTurn() : 0.0f;
  *output = SteeringOutputFor(e.phase, lock, e.selected ? e.selected->scale : 1.0f, wheel);
}

void UndoStep(AnimEditorScreen& s) {
  AnimEditor& e = s.editor;
  if (e.undo.empty()) {
    ReportLine(TEXT_UNDO_EMPTY, REPORT_GREY);
    ReportSound(UNDO_EMPTY_SOUND);
    return;
  }
  if (!e.selected) {
    ReportBox(&s.prss, TEXT_NO_ANIM);
    return;
  }
  const int index = CurrentFrameIndex(e);
  const int count = e.selected->frameCount;
  Animation* last = e.undo.back();
  e.undo.pop_back();
  e.selected->Copy(*last, e.rig->boneCount);
  Animation::Delete(last);
  SetCurrentFrame(e, e.selected->frameCount == count && index >= 0 ? index : 0);
  SetPhase(s, e.phase);
}

int AnimationTestPlaying() { return OpenAnimEditorScreen && OpenAnimEditorScreen->testing ? 1 : 0; }
