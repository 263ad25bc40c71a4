// anim_screen_test.cpp - the animation editor screen's commands on the test skeleton, without a
// window: frames and undo, "move all", the test bar and the steering output, poses with their
// seatings, blends and heights, keys, the side panel's message-history button, and what
// closing gives back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "animation/anim_screen.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "modeller/object_editor.h"
#include "platform/keys.h"
#include "tests/animation/anim_test_util.h"
#include "tests/core/report_recorder.h"
#include "ui/interface.h"

namespace {

constexpr double PI = 3.14159265358979323846;

void OtherHook(void*) {}

// The screen over the test skeleton, as the object editor opens it (no parent screen here).
class AnimScreen : public ::testing::Test {
 protected:
  ReportRecorder recorder;
  Skeleton skeleton;
  BoneRig rig;
  BoneTable table{};
  AnimEditorScreen* s = nullptr;
  int questions = 0;
  std::string lastQuestion;
  static AnimScreen* current;

  void SetUp() override {
    current = this;
    ReportSink sink = InstallReportSink(ReportSink{});
    sink.question = [](Prss*, QuestionCallback, const char* first, const char* second, uint32_t, uint32_t, int) {
      ++current->questions;
      current->lastQuestion = std::string(first) + "|" + (second ? second : "-");
      return 1;
    };
    InstallReportSink(sink);
    MakeTestSkeleton(skeleton);
    skeleton.CreateBones(rig);
    table = {&skeleton, &rig};
    EditorFrameHook = OtherHook;
    EditorFrameHookArgument = &table;
    BoneLinkArray* links = CheckObjectEditorHierarchy(nullptr, nullptr, &table);
    ASSERT_NE(links, nullptr);
    s = reinterpret_cast<AnimEditorScreen*>(CreateAnimEditor(nullptr, nullptr, &table, links, nullptr));
  }
  void TearDown() override {
    if (s) Close();
    EditorFrameHook = nullptr;
    EditorFrameHookArgument = nullptr;
    rig.Free();
    skeleton.Free();
  }
  void Close() {
    if (s->prss.alive) Prss_Terminate(&s->prss);
    EXPECT_EQ(s->prss.act(&s->prss), nullptr);
    s = nullptr;
  }
  AnimEditor& E() { return s->editor; }
  std::string Box() {
    const auto& boxes = ReportRecorder::Reports().boxes;
    return boxes.empty() ? "" : boxes.back();
  }
  // Movement slot m selected with frames copies of the rest pose, frame `at` current.
  void Movement(int m, int frames, int at = 0) {
    SelectMovement(*s, m);
    AnimCommand(*s, 0, 1);
    Animation& a = *E().selected;
    while (a.frameCount < frames) a.InsertFrame(0, rig.boneCount);
    SetCurrentFrame(E(), at);
  }
};
AnimScreen* AnimScreen::current = nullptr;

TEST_F(AnimScreen, OpeningAndClosingTakeAndGiveBackTheDrawHookAndTheRigAtRest) {
  EXPECT_EQ(OpenAnimEditorScreen, s);
  EXPECT_EQ(EditorFrameHook, &DrawAnimEditorHook);
  EXPECT_EQ(E().gravity, 0) << "the rig's gravity stays off";
  EXPECT_EQ(E().autoLockParent, 1);
  EXPECT_EQ(s->testHeight, 0.5f);
  rig.bones[HAND].position.x += 5000;
  Close();
  EXPECT_EQ(OpenAnimEditorScreen, nullptr);
  EXPECT_EQ(EditorFrameHook, &OtherHook);
  EXPECT_EQ(EditorFrameHookArgument, &table);
  BoneRig rest;
  skeleton.CreateBones(rest);
  EXPECT_EQ(rig.bones[HAND].position.x, rest.bones[HAND].position.x) << "the rig is left at rest";
  rest.Free();
}

TEST_F(AnimScreen, MovementsAreSelectedAndMadeAndKeyActionsNeedAnAnimation) {
  FrameCommand(*s, FRAME_DUP);
  EXPECT_EQ(Box(), "NO ANIM selected|-");
  SelectMovement(*s, 1);
  EXPECT_EQ(E().selected, &skeleton.movements[1]);
  EXPECT_EQ(E().currentFrame, nullptr);
  FrameCommand(*s, FRAME_NEXT);
  EXPECT_EQ(Box(), "No frame selected|-");
  AnimCommand(*s, 0, 1);  // "new animation"
  ASSERT_EQ(skeleton.movements[1].frameCount, 1);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  EXPECT_EQ(E().unsaved, 1);
  SelectMovement(*s, 1);
  EXPECT_EQ(E().selected, nullptr) << "the selected movement clicked again clears the selection";
}

TEST_F(AnimScreen, DupAndDelFollowTheMirrorFrameAndTheLimits) {
  E().autoCopyAndFlip = 1;
  Movement(1, 4, 0);
  FrameCommand(*s, FRAME_DUP);
  EXPECT_EQ(E().selected->frameCount, 6) << "frame 0 of 4 and its mirror frame 3";
  EXPECT_EQ(CurrentFrameIndex(E()), 1);
  // Of the two middle frames, each is duplicated beside itself: the copies stay mirrors.
  Movement(8, 4, 1);
  for (int f = 0; f < 4; ++f) E().selected->frames[f].transforms[HEAD].translation.z = f;
  SetCurrentFrame(E(), 1);
  FrameCommand(*s, FRAME_DUP);
  ASSERT_EQ(E().selected->frameCount, 6);
  const int order[6] = {0, 1, 1, 2, 2, 3};
  for (int f = 0; f < 6; ++f) EXPECT_EQ(E().selected->frames[f].transforms[HEAD].translation.z, order[f]) << f;
  EXPECT_EQ(CurrentFrameIndex(E()), 2);
  // Frame 3 of 4: its mirror frame 0 comes before it.
  Movement(9, 4, 3);
  for (int f = 0; f < 4; ++f) E().selected->frames[f].transforms[HEAD].translation.z = f;
  SetCurrentFrame(E(), 3);
  FrameCommand(*s, FRAME_DUP);
  const int before[6] = {0, 0, 1, 2, 3, 3};
  for (int f = 0; f < 6; ++f) EXPECT_EQ(E().selected->frames[f].transforms[HEAD].translation.z, before[f]) << f;
  EXPECT_EQ(CurrentFrameIndex(E()), 5);
  Movement(2, 31, 0);
  FrameCommand(*s, FRAME_DUP);
  EXPECT_EQ(Box(), "Too many frames|-");
  EXPECT_EQ(E().selected->frameCount, 31);
  Movement(3, 5, 2);
  FrameCommand(*s, FRAME_DUP);
  EXPECT_EQ(E().selected->frameCount, 6) << "the middle frame has no mirror";
  // Deleting takes the mirror frame too: of 0 1 2 3, frame 1 leaves 0 and 3.
  Movement(10, 4, 1);
  for (int f = 0; f < 4; ++f) E().selected->frames[f].transforms[HEAD].translation.z = f;
  SetCurrentFrame(E(), 1);
  FrameCommand(*s, FRAME_DEL);
  ASSERT_EQ(E().selected->frameCount, 2);
  EXPECT_EQ(E().selected->frames[0].transforms[HEAD].translation.z, 0);
  EXPECT_EQ(E().selected->frames[1].transforms[HEAD].translation.z, 3);
  EXPECT_EQ(CurrentFrameIndex(E()), 1);
  // Deleting: frame 0 of 2 takes its mirror with it, so nothing would remain.
  Movement(4, 2, 0);
  FrameCommand(*s, FRAME_DEL);
  EXPECT_EQ(Box(), "An animation needs at least one frame|-");
  EXPECT_EQ(E().selected->frameCount, 2);

  E().autoCopyAndFlip = 0;
  Movement(5, 31, 30);
  FrameCommand(*s, FRAME_DUP);
  EXPECT_EQ(E().selected->frameCount, 32);
  FrameCommand(*s, FRAME_DUP);
  EXPECT_EQ(E().selected->frameCount, 32);
  EXPECT_EQ(Box(), "Too many frames|-");
  Movement(6, 1, 0);
  FrameCommand(*s, FRAME_DEL);
  EXPECT_EQ(Box(), "An animation needs at least one frame|-");
  // The last-indexed frame of several may go; the scale keeps one interval's share.
  Movement(7, 4, 3);
  E().selected->scale = 3.0f;
  FrameCommand(*s, FRAME_DEL);
  EXPECT_EQ(E().selected->frameCount, 3);
  EXPECT_EQ(CurrentFrameIndex(E()), 2);
  EXPECT_FLOAT_EQ(E().selected->scale, 2.0f);
  // Previous and next wrap around.
  FrameCommand(*s, FRAME_NEXT);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  FrameCommand(*s, FRAME_PREVIOUS);
  EXPECT_EQ(CurrentFrameIndex(E()), 2);
}

TEST_F(AnimScreen, UndoKeepsEightyEntriesAndSaysWhenItIsEmpty) {
  UndoStep(*s);
  EXPECT_EQ(ReportRecorder::NewestText(), "Undo buffer is empty");
  ASSERT_FALSE(ReportRecorder::Reports().sounds.empty());
  EXPECT_EQ(ReportRecorder::Reports().sounds.back(), 3);
  Movement(1, 2, 0);
  for (int i = 0; i < 81; ++i) {
    E().selected->frames[0].transforms[HEAD].translation.z = i;
    AddUndo(E());
  }
  EXPECT_EQ(E().undo.size(), 80u);
  EXPECT_EQ(E().undo.front()->frames[0].transforms[HEAD].translation.z, 1) << "the oldest dropped";
  FrameCommand(*s, FRAME_DUP);
  ASSERT_EQ(E().selected->frameCount, 3);
  UndoStep(*s);
  EXPECT_EQ(E().selected->frameCount, 2);
  EXPECT_EQ(CurrentFrameIndex(E()), 0) << "the frame count changed: the first frame";
  UndoStep(*s);
  EXPECT_EQ(E().selected->frames[0].transforms[HEAD].translation.z, 80);
  E().selected = nullptr;
  UndoStep(*s);
  EXPECT_EQ(Box(), "NO ANIM selected|-");
}

TEST_F(AnimScreen, MoveAllAddsTheTypedDistanceAndRefusesWhatWouldWrap) {
  Movement(1, 3, 1);
  Animation before;
  before.Copy(*E().selected, rig.boneCount);
  ASSERT_EQ(MoveWholeAnimation(*s, 1, 0.25), 1);
  for (int f = 0; f < 3; ++f)
    for (int k = 0; k < rig.boneCount; ++k) {
      EXPECT_EQ(E().selected->frames[f].transforms[k].translation.y, before.frames[f].transforms[k].translation.y + 16384);
      EXPECT_EQ(E().selected->frames[f].transforms[k].translation.x, before.frames[f].transforms[k].translation.x);
    }
  EXPECT_EQ(CurrentFrameIndex(E()), 1);
  EXPECT_EQ(E().undo.size(), 1u);
  Animation moved;
  moved.Copy(*E().selected, rig.boneCount);
  EXPECT_EQ(MoveWholeAnimation(*s, 2, std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(MoveWholeAnimation(*s, 2, std::nan("")), 0);
  EXPECT_EQ(MoveWholeAnimation(*s, 2, 32767.99), 0) << "the trunk at 1.2 m would pass 32 bits";
  EXPECT_EQ(MoveWholeAnimation(*s, 2, -1e12), 0);
  for (int f = 0; f < 3; ++f)
    EXPECT_TRUE(SameTransforms(moved.frames[f].transforms, E().selected->frames[f].transforms, rig.boneCount));
  EXPECT_EQ(E().undo.size(), 1u) << "a refusal records nothing";
  before.Free();
  moved.Free();
}

TEST_F(AnimScreen, TheTestBarSamplesThePhaseAndDrivesTheSteeringOutput) {
  Movement(1, 1, 0);
  EXPECT_EQ(StartTest(*s, 100), 0);
  EXPECT_EQ(Box(), "You need at least two frames to test animation|-");
  Movement(2, 3, 1);
  E().selected->frames[2].transforms[HAND].translation.x += 65536;
  static float output;
  output = 7.0f;
  AnimVehicleHooks.steeringOutput = [] { return &output; };
  AnimVehicleHooks.steeringLock = [] { return float(30.0 * PI / 180.0); };
  AnimVehicleHooks.wheelTurn = [] { return float(PI); };
  E().selected->scale = 2.0f;
  SetCurrentFrame(E(), 1);
  ASSERT_EQ(StartTest(*s, 100), 1);
  EXPECT_EQ(E().currentFrame, nullptr);
  EXPECT_FLOAT_EQ(s->testPhase, 0.5f);
  MoveTest(*s, 103);  // n = 3 buttons: + 3 / 6
  EXPECT_FLOAT_EQ(E().phase, 1.0f);
  BoneRig sampled;
  skeleton.CreateBones(sampled);
  SampleAnimation(*E().selected, sampled, 1.0f);
  EXPECT_EQ(rig.bones[HAND].position.x, sampled.bones[HAND].position.x);
  MoveTest(*s, 99);
  EXPECT_NEAR(E().phase, 0.5f - 1.0f / 6.0f, 1e-6);
  MoveTest(*s, -500);
  EXPECT_EQ(E().phase, 0.0f) << "clamped";
  EXPECT_NEAR(output, -(2 * 0.0 - 1) * (30.0 * PI / 180.0) * 2.0 / PI, 1e-6);
  sampled.Free();
  // The wheel figure past 3 pi counts as 3 pi; none (or a result that is not a number) gives 0.
  EXPECT_NEAR(SteeringOutputFor(1.0f, 0.5f, 2.0f, 20.0f), -0.5 * 2.0 / (3 * PI), 1e-6);
  EXPECT_EQ(SteeringOutputFor(0.2f, 0.5f, 2.0f, 0.0f), 0.0f);
  EXPECT_EQ(SteeringOutputFor(0.2f, 0.5f, 2.0f, -1.0f), 0.0f);
  EXPECT_EQ(SteeringOutputFor(0.2f, std::numeric_limits<float>::infinity(), 2.0f, 1.0f), 0.0f);
  AnimVehicleHooks.wheelTurn = [] { return 0.0f; };
  SetPhase(*s, 0.2f);
  EXPECT_EQ(output, 0.0f);
  AnimVehicleHooks = AnimVehicleLink{};
}

// The test bar under the frame row spans the row's frame buttons and their two arrows, and at
// least four buttons, so its label fits whatever the frame count.
TEST_F(AnimScreen, TheTestBarSpansTheFrameRowAndAtLeastFourButtons) {
  const auto testBarWidth = [&] {
    ClearInterface();
    DrawAnimEditor(*s);
    for (int i = ButtonCount - 1; i >= 0; --i)
      if (InterfaceButtons[i].hint && std::strstr(InterfaceButtons[i].hint, "to test animation"))
        return (InterfaceButtons[i].right - InterfaceButtons[i].left) / ButtonWidth;
    return -1;
  };
  Movement(1, 1, 0);
  E().selected->flags = uint16_t(E().selected->flags & ~ANIMATION_CYCLIC);
  EXPECT_EQ(testBarWidth(), 4) << "one frame: 1 + 2 arrows is 3, widened to 4";
  E().selected->flags = uint16_t(E().selected->flags | ANIMATION_CYCLIC);
  EXPECT_EQ(testBarWidth(), 4) << "one frame and the first again";
  Movement(2, 3, 0);
  E().selected->flags = uint16_t(E().selected->flags | ANIMATION_CYCLIC);
  EXPECT_EQ(testBarWidth(), 6) << "three frames, the first again and 2 arrows";
  ClearInterface();
}

// The message-history button closes the side panel: at the panel's left edge, one row under
// the last line of hints, one button wide and on the screen.
TEST_F(AnimScreen, TheMessageHistoryButtonClosesTheSidePanelUnderItsLastRow) {
  const int keptWidth = ScreenWidth, keptHeight = ScreenHeight;
  ScreenWidth = 1024, ScreenHeight = 768;
  Movement(1, 2, 0);
  ClearInterface();
  DrawAnimEditor(*s);
  ScreenWidth = keptWidth, ScreenHeight = keptHeight;
  int history = -1;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].hint && std::strstr(InterfaceButtons[i].hint, "the message history")) history = i;
  ASSERT_GT(history, 0);
  const InterfaceButton& h = InterfaceButtons[history];
  const InterfaceButton& above = InterfaceButtons[history - 1];  // "right click : lock bone"
  EXPECT_EQ(above.right, 1024) << "the panel stands against the screen's right edge";
  EXPECT_EQ(h.left, above.left);
  EXPECT_EQ(h.top, above.top + ButtonHeight);
  EXPECT_EQ(h.right - h.left, ButtonWidth);
  EXPECT_LE(h.bottom, 768);
  ClearInterface();
}

TEST_F(AnimScreen, PosesAreMadeCopiedRenamedAndDeletedWithTheLastTakingThePlace) {
  NewPose(*s);
  ASSERT_EQ(skeleton.poseCount, 1);
  EXPECT_STREQ(skeleton.poses[0].name, "unnamed");
  EXPECT_EQ(skeleton.poses[0].seatings, 1023u);
  EXPECT_EQ(E().selected, &skeleton.poses[0].low);
  RenamePose(*s, "a-very-long-pose-name");
  EXPECT_STREQ(skeleton.poses[0].name, "a-very-long-pos") << "15 characters and the zero";
  AddUndo(E());
  ASSERT_FALSE(E().undo.empty());
  NewPose(*s);  // "dup pose"
  EXPECT_TRUE(E().undo.empty()) << "the poses move to a new table: no undo reaches back across";
  ASSERT_EQ(skeleton.poseCount, 2);
  EXPECT_STREQ(skeleton.poses[1].name, "a-very-long-pos");
  EXPECT_EQ(s->selectedPose, 1);
  RenamePose(*s, "two");
  s->selectedPose = -1;
  NewPose(*s);
  RenamePose(*s, "three");
  ASSERT_EQ(skeleton.poseCount, 3);
  SelectPose(*s, 1, 0);
  EXPECT_EQ(s->selectedPose, 1);
  AnimCommand(*s, 7, 1);
  EXPECT_EQ(lastQuestion, "Delete this pose?|two");
  DeletePose(*s);
  ASSERT_EQ(skeleton.poseCount, 2);
  EXPECT_STREQ(skeleton.poses[0].name, "a-very-long-pos");
  EXPECT_STREQ(skeleton.poses[1].name, "three");
  EXPECT_EQ(s->selectedPose, -1);
  EXPECT_EQ(E().selected, nullptr);
  EXPECT_EQ(E().currentFrame, nullptr);
  // Selecting the selected pose again clears the selection.
  SelectPose(*s, 1, 0);
  SelectPose(*s, 1, 0);
  EXPECT_EQ(s->selectedPose, -1);
}

TEST_F(AnimScreen, SeatingsBlendsAndHeightsKeepTheirRules) {
  NewPose(*s);
  Pose& p = skeleton.poses[0];
  s->selectedSeating = 3;
  p.seatings = 0;
  s->selectedPose = -1;
  SelectPose(*s, 0, 0);
  EXPECT_EQ(s->selectedSeating, -1);
  EXPECT_EQ(Box(), "Pose may not be used in any seating types|-");
  p.seatings = 1u << 5 | 1u << 7;
  CheckPoseSeating(*s);
  EXPECT_EQ(s->selectedSeating, 5) << "the lowest seating the pose suits";

  p.low.Free();
  MakePoseBlend(*s);
  EXPECT_EQ(Box(), "need a base animation to make a blended animation|-");
  EXPECT_EQ(p.flags & POSE_BLEND, 0u);
  p.low.Init(rig);
  MakePoseBlend(*s);
  ASSERT_NE(p.flags & POSE_BLEND, 0u);
  ASSERT_EQ(p.high.frameCount, 1);
  EXPECT_TRUE(SameTransforms(p.low.frames[0].transforms, p.high.frames[0].transforms, rig.boneCount));
  EXPECT_EQ(E().selected, &p.high);

  s->poseHalf = 0;
  SetPoseHeight(*s, 0.95f);
  EXPECT_FLOAT_EQ(p.highHeight, 1.0f);
  EXPECT_FLOAT_EQ(p.lowHeight, 0.9f);
  p.lowHeight = 0.0f;
  s->poseHalf = 1;
  SetPoseHeight(*s, 0.05f);
  EXPECT_FLOAT_EQ(p.highHeight, 0.1f);
  EXPECT_FLOAT_EQ(p.lowHeight, 0.0f);

  // The blend test: a height between the two mixes the first frames.
  p.highHeight = 0.8f;
  p.lowHeight = 0.2f;
  p.high.frames[0].transforms[HAND].translation.x += 30001;
  p.high.frames[0].transforms[HEAD].rotation.m[1] += 777;
  p.high.InsertFrame(0, rig.boneCount);
  EXPECT_EQ(BlendTestOffered(*s), 0) << "frame counts differ";
  p.high.DeleteFrame(1, rig.boneCount);
  ASSERT_EQ(BlendTestOffered(*s), 1);
  StartBlendTest(*s);
  EXPECT_EQ(s->blendTest, 1);
  SetTestHeight(*s, 0.35f);
  const double t = (0.35f - 0.2f) / (0.8f - 0.2f);
  const FixedTransform& a = p.low.frames[0].transforms[HAND];
  const FixedTransform& b = p.high.frames[0].transforms[HAND];
  EXPECT_EQ(rig.bones[HAND].position.x, int32_t(std::nearbyint(a.translation.x + (double(b.translation.x) - a.translation.x) * t)));
  const double m = p.low.frames[0].transforms[HEAD].rotation.m[1] +
                   double(p.high.frames[0].transforms[HEAD].rotation.m[1] - p.low.frames[0].transforms[HEAD].rotation.m[1]) * t;
  EXPECT_EQ(rig.bones[HEAD].orientation[1], float(m / 65536.0));
  SetTestHeight(*s, 0.99f);
  EXPECT_FLOAT_EQ(s->testHeight, 0.8f) << "held within the two heights";
  EXPECT_EQ(rig.bones[HAND].position.x, b.translation.x);

  MakePosePlain(*s);
  EXPECT_EQ(p.flags & POSE_BLEND, 0u);
  EXPECT_EQ(p.high.frameCount, 0);
  EXPECT_EQ(p.lowHeight, 0.0f);
  EXPECT_EQ(p.highHeight, 1.0f);
  EXPECT_EQ(s->blendTest, 0);
}

TEST_F(AnimScreen, KeysToggleSelectUnlockAndAskBeforeLosingChanges) {
  AnimEditorKey(&s->prss, KEY_TAB);
  EXPECT_EQ(E().autoLockParent, 0);
  AnimEditorKey(&s->prss, ' ');
  EXPECT_EQ(E().selectedBone, E().links->root);
  AnimEditorKey(&s->prss, ' ');
  EXPECT_EQ(E().selectedBone, -1);
  SelectBone(E(), 1, HAND);
  EXPECT_EQ(rig.bones[HAND].colour, BONE_COLOUR_LOCKED);
  SelectBone(E(), 0, HAND);
  AnimEditorKey(&s->prss, 'c');
  EXPECT_EQ(E().links->links[HAND].locked, 0u);
  EXPECT_EQ(E().selectedBone, -1);
  EXPECT_NE(rig.bones[HAND].colour, BONE_COLOUR_LOCKED);
  Movement(1, 2, 0);
  AnimEditorKey(&s->prss, KEYCODE_INSERT);
  EXPECT_EQ(E().selected->frameCount, 3);
  AnimEditorKey(&s->prss, KEYCODE_CTRL_LETTER + 'Z');
  EXPECT_EQ(E().selected->frameCount, 2);
  ASSERT_EQ(E().unsaved, 1);
  AnimEditorKey(&s->prss, KEY_ESCAPE);
  EXPECT_EQ(lastQuestion, "Exit animation editor?|Unsaved changes will be lost");
  EXPECT_EQ(s->prss.alive, 1);
  AnimEditorKey(&s->prss, 'X');
  EXPECT_EQ(questions, 1) << "X alone does nothing";
  ShiftHeld = 1;
  AnimEditorKey(&s->prss, 'X');
  EXPECT_EQ(questions, 2) << "Shift+X asks too";
  E().unsaved = 0;
  AnimEditorKey(&s->prss, 'X');
  ShiftHeld = 0;
  EXPECT_EQ(s->prss.alive, 0) << "nothing unsaved: it closes";
  EXPECT_EQ(ObjectEditorShared.closeAll, 1) << "and the object editor with it";
  ObjectEditorShared.closeAll = 0;
}

TEST_F(AnimScreen, EscapeWithNothingUnsavedClosesAtOnce) {
  AnimEditorKey(&s->prss, KEY_ESCAPE);
  EXPECT_EQ(s->prss.alive, 0);
  EXPECT_EQ(questions, 0);
  EXPECT_EQ(ObjectEditorShared.closeAll, 0);
}

}  // namespace
