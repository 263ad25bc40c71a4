// anim_screen_test.cpp - the animation editor screen's commands on the test skeleton, without a
// window: frames and undo, "move all", the test bar and the steering output, poses with their
// seatings, blends and heights, keys and held keys, the mouse, the clipboards and file
// questions, every panel's buttons (word, place, colour, lit state, what a press does), the
// axis handles and bone labels in a perspective view, driver mode, and what closing gives back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <string>
#include <vector>

#include "animation/anim_screen.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "platform/keys.h"
#include "render/immediate.h"
#include "render/object_picture.h"
#include "render/views.h"
#include "ui/interface_draw.h"
#include "modeller/editor/edit_views.h"
#include "tests/animation/anim_test_util.h"
#include "tests/core/report_recorder.h"
#include "tests/render/null_renderer.h"
#include "tests/ui/mouse_records.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"

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
  QuestionCallback lastAnswer = nullptr;  // what "yes" to the last question calls
  uint32_t lastWords[2] = {};             // the words "yes" hands it
  static AnimScreen* current;

  void SetUp() override {
    current = this;
    ReportSink sink = InstallReportSink(ReportSink{});
    sink.question = [](Prss*, QuestionCallback answer, const char* first, const char* second, uint32_t firstWord,
                       uint32_t secondWord, int) {
      ++current->questions;
      current->lastAnswer = answer;
      current->lastWords[0] = firstWord;
      current->lastWords[1] = secondWord;
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
  // The screen's buttons for this frame, drawn on a 1024 x 768 screen.
  void Draw() {
    const int keptWidth = ScreenWidth, keptHeight = ScreenHeight;
    ScreenWidth = 1024, ScreenHeight = 768;
    ClearInterface();
    DrawAnimEditor(*s);
    ScreenWidth = keptWidth, ScreenHeight = keptHeight;
  }
  static std::string TextOf(const InterfaceButton& b) {
    char shown[160];
    return ButtonText(b, shown, sizeof shown) ? std::string(shown) : std::string();
  }
  // The last button showing text, or null.
  static const InterfaceButton* Shown(const char* text) {
    for (int i = ButtonCount - 1; i >= 0; --i)
      if (TextOf(InterfaceButtons[i]) == text) return &InterfaceButtons[i];
    return nullptr;
  }
  // The buttons of one row (their tops at top), left to right.
  static std::vector<const InterfaceButton*> RowAt(int top, int fromX = 0, int toX = 1 << 30) {
    std::vector<const InterfaceButton*> row;
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].top == top && InterfaceButtons[i].left >= fromX && InterfaceButtons[i].right <= toX &&
          InterfaceButtons[i].right > InterfaceButtons[i].left)
        row.push_back(&InterfaceButtons[i]);
    std::sort(row.begin(), row.end(), [](auto* a, auto* b) { return a->left < b->left; });
    return row;
  }
  static void Press(const InterfaceButton& b, int code = 1) { b.handler(b.owner, code, b.word); }
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
  ReportRecorder::Reports().boxes.clear();
  AnimCommand(*s, 1, 1);  // "copy animation" with no movement selected
  EXPECT_EQ(Box(), "NO ANIM selected|-");
  EXPECT_EQ(s->copiedAnimation, nullptr);
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
  Movement(2, 3, 2);
  SelectMovement(*s, 5);
  SelectMovement(*s, 2);
  EXPECT_EQ(CurrentFrameIndex(E()), 0) << "a movement selected shows its first frame";
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

// The frame limits met exactly: with the mirror frame, 30 frames may grow by two to the 32 the
// editor holds, and deleting frame 0 of 3 takes frame 2 with it and leaves frame 1 alone; without
// it, the second of two frames may go, leaving one.
TEST_F(AnimScreen, DupAndDelReachTheirLimitsExactly) {
  E().autoCopyAndFlip = 1;
  Movement(1, 30, 0);
  FrameCommand(*s, FRAME_DUP);
  EXPECT_EQ(E().selected->frameCount, 32) << "30 + 2 is the limit itself";
  Movement(2, 3, 0);
  for (int f = 0; f < 3; ++f) E().selected->frames[f].transforms[HEAD].translation.z = f;
  SetCurrentFrame(E(), 0);
  FrameCommand(*s, FRAME_DEL);
  ASSERT_EQ(E().selected->frameCount, 1) << "3 - 2 leaves the one frame an animation needs";
  EXPECT_EQ(E().selected->frames[0].transforms[HEAD].translation.z, 1);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);

  E().autoCopyAndFlip = 0;
  Movement(3, 2, 1);
  FrameCommand(*s, FRAME_DEL);
  EXPECT_EQ(E().selected->frameCount, 1) << "2 - 1 leaves one frame";
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  EXPECT_EQ(E().undo.size(), 1u);
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

TEST_F(AnimScreen, MoveAllTakesTheWholeThirtyTwoBitSpanInOneStep) {
  // 0xFFFF.FFFF m is 4294967295 units, the largest move allowed: from -2147483648 it lands
  // exactly on 2147483647.
  Movement(1, 1, 0);
  Animation& a = *E().selected;
  for (int k = 0; k < rig.boneCount; ++k) a.frames[0].transforms[k].translation.x = INT32_MIN;
  const size_t undos = E().undo.size();
  ASSERT_EQ(MoveWholeAnimation(*s, 0, 4294967295.0 / 65536.0), 1);
  for (int k = 0; k < rig.boneCount; ++k) EXPECT_EQ(E().selected->frames[0].transforms[k].translation.x, INT32_MAX);
  EXPECT_EQ(E().undo.size(), undos + 1);
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
  s->selectedMovement = 2;  // a movement was shown last
  NewPose(*s);  // "dup pose"
  EXPECT_TRUE(E().undo.empty()) << "the poses move to a new table: no undo reaches back across";
  EXPECT_EQ(s->selectedMovement, -1) << "the new pose is what is edited: no movement is selected";
  ASSERT_EQ(skeleton.poseCount, 2);
  EXPECT_STREQ(skeleton.poses[1].name, "a-very-long-pos");
  EXPECT_EQ(s->selectedPose, 1);
  RenamePose(*s, "two");
  s->selectedPose = -1;
  NewPose(*s);
  RenamePose(*s, "three");
  ASSERT_EQ(skeleton.poseCount, 3);
  // Selecting a pose shows the first frame of its animation, whatever frame was shown.
  Animation& low = skeleton.poses[1].low;
  while (low.frameCount < 3) low.InsertFrame(0, rig.boneCount);
  low.frames[0].transforms[HEAD].translation.x = 4321;
  Movement(2, 3, 2);
  SelectPose(*s, 1, 0);
  EXPECT_EQ(s->selectedPose, 1);
  EXPECT_EQ(E().currentFrame, &low.frames[0]);
  EXPECT_EQ(rig.bones[HEAD].position.x, 4321);
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

  // Made plain while the high half is shown: the editor goes back to the low half's first
  // frame, not the emptied high half.
  ASSERT_EQ(s->poseHalf, 1);
  ASSERT_EQ(E().selected, &p.high);
  MakePosePlain(*s);
  EXPECT_EQ(p.flags & POSE_BLEND, 0u);
  EXPECT_EQ(p.high.frameCount, 0);
  EXPECT_EQ(p.lowHeight, 0.0f);
  EXPECT_EQ(p.highHeight, 1.0f);
  EXPECT_EQ(s->blendTest, 0);
  EXPECT_EQ(s->poseHalf, 0);
  EXPECT_EQ(E().selected, &p.low);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
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
  // The program's quit asks too, taking the request back until answered.
  ExitRequested = 1;
  AnimEditorScreenAction(&s->prss);
  EXPECT_EQ(lastQuestion, "Exit ZKT?|Unsaved changes will be lost");
  EXPECT_EQ(ExitRequested, 0);
  EXPECT_EQ(s->prss.alive, 1);
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

// Space selects the root, which is the trunk, solid 0: the side panel's first row still shows
// the selected bone's place in millimetres.  The trunk rests 1.2 m up, stored as
// int(1.2 * 65536) = 78643, and 78643 * 1000 / 65536 = 1199.996 rounds to 1200.
TEST_F(AnimScreen, TheFirstSolidSelectedShowsItsPlaceInTheSidePanelsFirstRow) {
  AnimEditorKey(&s->prss, ' ');
  ASSERT_EQ(E().selectedBone, TRUNK);
  Draw();
  const InterfaceButton* label = Shown("selected bone pos");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->top, ButtonHeight);
  const InterfaceButton* axes = Shown("xyz");
  ASSERT_NE(axes, nullptr);
  EXPECT_EQ(axes->top, ButtonHeight);
  const InterfaceButton* place = Shown("0 0 1200");
  ASSERT_NE(place, nullptr);
  EXPECT_EQ(place->top, ButtonHeight);
}

// The side panel against the screen's right edge, row under row: each command under its word
// in the order of the editor's command list, a full row filling the panel's fourteen units.
TEST_F(AnimScreen, TheSidePanelOffersEachCommandUnderItsWordRowUnderRow) {
  Movement(1, 2, 0);
  AnimCommand(*s, 1, 1);  // "copy animation": "paste animation" is offered
  AnimCommand(*s, 4, 1);  // "COPY frame": "PASTE frame" is offered
  E().selectedBone = HAND;
  Draw();
  const IntVector& hand = rig.bones[HAND].position;
  char where[64];
  std::snprintf(where, sizeof where, "%d %d %d", int(std::lround(hand.x * 1000.0 / 65536)),
                int(std::lround(hand.y * 1000.0 / 65536)), int(std::lround(hand.z * 1000.0 / 65536)));
  struct Want { std::string text; uintptr_t word; };
  struct Line { std::vector<Want> buttons; bool full; };
  const std::vector<Line> lines = {
      {{{"selected bone pos", 0}, {"xyz", 0}, {where, 0}}, true},
      {{{"TAB : auto lock parent", 0}}, true},
      {{{"save skeleton", 0}, {"remove anims", 1}}, true},
      {{{"LOAD animation", 2}, {"SAVE animation", 3}}, true},
      {{{"copy to all frames", 9}, {"UNDO (0)", 10}}, true},
      {{{"copy animation", 1}}, false},
      {{{"delete animation", 2}, {"paste animation", 3}}, true},
      {{{"COPY frame", 4}, {"PASTE frame", 5}, {"FLIP frame", 9}}, true},
      {{{"move all", 0}, {"X(r)", 0}, {"Y(f)", 1}, {"Z(u)", 2}}, true},
      {{{"A/S/D : slide X/Y/Z", 0}}, true},
      {{{"Q/W/E : rotate X/Y/Z", 0}}, true},
      {{{"right click : lock bone", 0}}, true},
  };
  const int panelLeft = 1024 - 14 * ButtonWidth;
  for (size_t r = 0; r < lines.size(); ++r) {
    const auto row = RowAt(int(r + 1) * ButtonHeight, panelLeft);
    ASSERT_EQ(row.size(), lines[r].buttons.size()) << "row " << r + 1;
    int x = panelLeft;
    for (size_t k = 0; k < row.size(); ++k) {
      EXPECT_EQ(TextOf(*row[k]), lines[r].buttons[k].text) << "row " << r + 1;
      EXPECT_EQ(row[k]->word, lines[r].buttons[k].word) << lines[r].buttons[k].text;
      EXPECT_EQ(row[k]->left, x) << lines[r].buttons[k].text << ": no gap and no overlap";
      EXPECT_EQ(row[k]->bottom - row[k]->top, ButtonHeight);
      EXPECT_EQ(row[k]->fourth.i != 0, lines[r].buttons[k].text == "TAB : auto lock parent")
          << lines[r].buttons[k].text << ": only the toggle that is on shows lit";
      x = row[k]->right;
    }
    if (lines[r].full) {
      EXPECT_EQ(x, 1024) << "row " << r + 1 << " fills the panel";
    }
  }
  // The buttons reach their commands.
  Press(*Shown("TAB : auto lock parent"));
  EXPECT_EQ(E().autoLockParent, 0);
  Press(*Shown("Z(u)"));
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter distance to move whole animation in Z (up) direction");
  CancelTextEntry();
  Press(*Shown("delete animation"));
  EXPECT_EQ(E().selected->frameCount, 0);
  EXPECT_EQ(E().currentFrame, nullptr);
  EXPECT_EQ(E().unsaved, 1);

  // "new animation" on an empty animation when "ready" is selected or has frames; "ready" is
  // never deleted.
  SelectMovement(*s, 3);
  Draw();
  EXPECT_EQ(Shown("new animation"), nullptr) << "empty, and \"ready\" empty too";
  skeleton.movements[0].Init(rig);
  Draw();
  ASSERT_NE(Shown("new animation"), nullptr);
  const auto row = RowAt(Shown("new animation")->top, panelLeft);
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(TextOf(*row[0]), "new animation");
  EXPECT_EQ(row[0]->word, 0u);
  EXPECT_EQ(row[0]->left, panelLeft);
  EXPECT_EQ(TextOf(*row[1]), "copy animation");
  EXPECT_EQ(row[1]->right, 1024);
  Press(*row[0]);
  EXPECT_EQ(skeleton.movements[3].frameCount, 1);
  SelectMovement(*s, 0);
  Draw();
  EXPECT_EQ(Shown("delete animation"), nullptr);
  ClearInterface();
}

// In driver mode with a vehicle on show: its name above, the wheel turn held between pi/8 and
// 3 pi, the two toggles and the two SIT/STR saves; no movements, poses or deleting.
TEST_F(AnimScreen, DriverModeShowsTheVehicleTheWheelTurnTheTogglesAndTheSitAndStrSaves) {
  AnimVehicleHooks.vehicleName = [] { return "kart"; };
  E().driverAnimation = new Animation;
  E().driverAnimation->Init(rig);
  E().selected = E().driverAnimation;
  SetCurrentFrame(E(), 0);
  std::snprintf(s->caption, sizeof s->caption, "...kart");
  Draw();
  const int panelLeft = 1024 - 14 * ButtonWidth;
  EXPECT_EQ(Shown("ready"), nullptr);
  EXPECT_EQ(Shown("new pose"), nullptr);
  EXPECT_EQ(Shown("delete animation"), nullptr);
  const InterfaceButton* caption = Shown("...kart");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->top, ButtonHeight);
  EXPECT_EQ(caption->left, panelLeft);
  // The caption is a plain label: never lit, so its face stays the plain light grey (200, 200,
  // 200) rather than the lit face's 14/16 of it (175, 175, 175).
  EXPECT_EQ(caption->fourth.i, 0);
  EXPECT_EQ(ButtonFaceColour(*caption), 0xC8C8C8u);
  const InterfaceButton* wheel = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].word == reinterpret_cast<uintptr_t>(&E().selected->scale) && InterfaceButtons[i].handler) {
      wheel = &InterfaceButtons[i];
      break;
    }
  ASSERT_NE(wheel, nullptr);
  EXPECT_EQ(wheel->top, 2 * ButtonHeight);
  EXPECT_EQ(wheel->left, panelLeft);
  EXPECT_FLOAT_EQ(wheel->text.f, float(PI / 8));
  EXPECT_FLOAT_EQ(wheel->third.f, float(3 * PI));
  E().unsaved = 0;
  E().selected->scale = 20.0f;
  Press(*wheel);
  EXPECT_FLOAT_EQ(E().selected->scale, float(3 * PI));
  EXPECT_EQ(E().unsaved, 1);
  E().selected->scale = 0.01f;
  Press(*wheel);
  EXPECT_FLOAT_EQ(E().selected->scale, float(PI / 8));
  E().selected->scale = 2.0f;
  Press(*wheel);
  EXPECT_FLOAT_EQ(E().selected->scale, 2.0f);
  EXPECT_EQ(TextOf(*wheel), "Wheel Max Turn (ONE WAY) 2.00") << "radians, shown as they are";

  const auto toggles = RowAt(3 * ButtonHeight, panelLeft);
  ASSERT_EQ(toggles.size(), 2u);
  EXPECT_EQ(TextOf(*toggles[0]), "symmetrical legs");
  EXPECT_EQ(toggles[0]->word, 1u);
  EXPECT_EQ(TextOf(*toggles[1]), "auto copy and flip");
  EXPECT_EQ(toggles[1]->word, 2u);
  EXPECT_EQ(toggles[1]->right, 1024);
  Press(*toggles[0]);
  EXPECT_EQ(E().symmetricalLegs, 1);
  EXPECT_EQ(E().autoCopyAndFlip, 0);
  Press(*toggles[1]);
  EXPECT_EQ(E().autoCopyAndFlip, 1);

  const InterfaceButton* load = Shown("LOAD animation");
  ASSERT_NE(load, nullptr);
  const auto saves = RowAt(load->top + ButtonHeight, panelLeft);
  ASSERT_EQ(saves.size(), 2u);
  EXPECT_EQ(TextOf(*saves[0]), "SAVE as SIT");
  EXPECT_EQ(saves[0]->word, 4u);
  EXPECT_EQ(TextOf(*saves[1]), "SAVE as STR");
  EXPECT_EQ(saves[1]->word, 5u);
  EXPECT_EQ(saves[1]->right, 1024);
  Press(*saves[1]);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of animation to SAVE");
  EXPECT_STREQ(OpenTextEntry.initialText, "str_kart");
  EXPECT_EQ(OpenTextEntry.maxLength, 12);
  CancelTextEntry();
  Press(*saves[0]);
  EXPECT_STREQ(OpenTextEntry.initialText, "sit_kart");
  CancelTextEntry();
  AnimVehicleHooks = AnimVehicleLink{};
  ClearInterface();
}

// The frame row, second from the bottom: the previous arrow, a button per frame numbered from
// 1 (and "1" again in a cyclic animation), the next arrow, DUP and DEL; the test bar under it.
TEST_F(AnimScreen, TheFrameRowNumbersTheFramesAndLightsOnlyTheCurrentOne) {
  Movement(1, 3, 0);
  E().selected->flags = uint16_t(E().selected->flags | ANIMATION_CYCLIC);
  Draw();
  const int rowTop = (768 / ButtonHeight - 2) * ButtonHeight;
  const auto row = RowAt(rowTop);
  ASSERT_EQ(row.size(), 8u);
  const uintptr_t words[8] = {FRAME_PREVIOUS, 0, 1, 2, 0, FRAME_NEXT, FRAME_DUP, FRAME_DEL};
  const char* const texts[8] = {nullptr, "1", "2", "3", "1", nullptr, "DUP", "DEL"};
  const int units[8] = {1, 1, 1, 1, 1, 1, 2, 2};
  const intptr_t lit[8] = {0, 1, 0, 0, 0, 0, 0, 0};
  int x = 0;
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(row[size_t(k)]->word, words[k]) << k;
    if (texts[k]) {
      EXPECT_EQ(TextOf(*row[size_t(k)]), texts[k]) << k;
    }
    EXPECT_EQ(row[size_t(k)]->left, x) << k;
    EXPECT_EQ(row[size_t(k)]->right - row[size_t(k)]->left, units[k] * ButtonWidth) << k;
    EXPECT_EQ(row[size_t(k)]->fourth.i, lit[k]) << k << ": only the current frame's own button is lit";
    x = row[size_t(k)]->right;
  }
  const auto bar = RowAt(rowTop + ButtonHeight);
  ASSERT_EQ(bar.size(), 1u);
  EXPECT_EQ(bar[0]->left, 0);
  EXPECT_STREQ(bar[0]->hint, "You need at least two frames to test animation");
  // A frame button shows its frame; the arrows and DUP reach their commands.
  Press(*row[3]);
  EXPECT_EQ(CurrentFrameIndex(E()), 2);
  Press(*row[5]);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  Press(*row[0]);
  EXPECT_EQ(CurrentFrameIndex(E()), 2);
  Press(*row[6]);
  EXPECT_EQ(E().selected->frameCount, 4);
  // An empty animation: "NO FRAMES" and "new".
  SelectMovement(*s, 2);
  Draw();
  const auto empty = RowAt(rowTop);
  ASSERT_EQ(empty.size(), 2u);
  EXPECT_EQ(TextOf(*empty[0]), "NO FRAMES");
  EXPECT_EQ(empty[0]->right, 3 * ButtonWidth);
  EXPECT_EQ(TextOf(*empty[1]), "new");
  EXPECT_EQ(empty[1]->word, 0u);
  EXPECT_EQ(empty[1]->fourth.i, 0) << "a command, not a state: never lit";
  Press(*empty[1]);
  EXPECT_EQ(skeleton.movements[2].frameCount, 1);
  ClearInterface();
}

// The movements down the left edge from the second row, each under its slot number, light
// blue with frames and grey without, the selected one lit.
TEST_F(AnimScreen, TheMovementButtonsStandDownTheLeftEdgeColouredByTheirFrames) {
  Movement(2, 1, 0);
  Draw();
  for (int m = 0; m < MOVEMENT_COUNT; ++m) {
    const InterfaceButton* b = Shown(MOVEMENT_NAMES[m]);
    ASSERT_NE(b, nullptr) << m;
    EXPECT_EQ(b->word, uintptr_t(m));
    EXPECT_EQ(b->left, 0);
    EXPECT_EQ(b->top, (1 + m) * ButtonHeight) << m;
    EXPECT_EQ(b->right, 5 * ButtonWidth);
    EXPECT_EQ(b->fourth.i, m == 2 ? 1 : 0) << m;
    ASSERT_NE(b->colour, nullptr);
    EXPECT_EQ(*b->colour, m == 2 ? 0xFFA0A0u : 0x949494u) << m;
  }
  Press(*Shown(MOVEMENT_NAMES[5]));
  EXPECT_EQ(E().selected, &skeleton.movements[5]);
  ClearInterface();
}

// The pose panel beside the movements: the poses with their "high" halves, the pose commands,
// the flags, plain or blend, the height, the seatings the pose suits and the seating shown.
TEST_F(AnimScreen, ThePosePanelListsThePosesTheirCommandsFlagsAndSeatingsUnderTheirWords) {
  // Seating types by bit number.
  const char* const seatings[SEATING_COUNT] = {"standing area",  "sit or stand", "low wall",     "bench",
                                               "fence in front", "high wall",    "fence behind", "base of wall",
                                               "point left",     "point right"};
  const int x = 6 * ButtonWidth, end = 14 * ButtonWidth;
  Draw();
  auto row = RowAt(ButtonHeight, x, end);
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(TextOf(*row[0]), "new pose");
  EXPECT_EQ(row[0]->word, 6u);
  EXPECT_EQ(row[0]->left, x);
  // No pose: the seating shown is chosen below, the label first, then seating 0 highest down
  // to seating 9 lowest.
  EXPECT_EQ(RowAt(3 * ButtonHeight, x, end).size(), 1u);
  const InterfaceButton* chooseLabel = Shown("selected seating :");
  ASSERT_NE(chooseLabel, nullptr);
  EXPECT_EQ(chooseLabel->top, 3 * ButtonHeight);
  for (int k = 0; k < SEATING_COUNT; ++k) {
    const InterfaceButton* b = Shown(seatings[k]);
    ASSERT_NE(b, nullptr) << k;
    EXPECT_EQ(b->word, uintptr_t(k)) << seatings[k];
    EXPECT_EQ(b->left, x);
    EXPECT_EQ(b->right, chooseLabel->right) << seatings[k] << ": one column as wide as its label";
    EXPECT_EQ(b->top, (4 + k) * ButtonHeight) << seatings[k];
  }
  Press(*Shown("bench"));
  EXPECT_EQ(s->selectedSeating, 3);
  Press(*Shown("bench"));
  EXPECT_EQ(s->selectedSeating, -1) << "the chosen one again: none";
  Press(*row[0]);
  ASSERT_EQ(skeleton.poseCount, 1);
  RenamePose(*s, "one");
  s->selectedPose = -1;
  NewPose(*s);
  RenamePose(*s, "two");
  MakePoseBlend(*s);
  Pose& p = skeleton.poses[1];
  p.seatings = 1u << 3 | 1u << 8;
  p.flags |= POSE_EXCITED;
  ASSERT_EQ(s->poseHalf, 1);
  Draw();

  struct Want { const char* text; uintptr_t word; intptr_t lit; };
  const std::vector<std::vector<Want>> lines = {
      {{"one", 0, 0}},
      {{"two", 2, 0}, {"high", 3, 1}},
      {{"dup pose", 6, 0}, {"delete pose", 7, 0}},
      {{"test blend", 8, 0}},
      {{"Standing", 0, 0}, {"Excited", 1, 1}},
      {{"plain", 0, 0}, {"blend", 1, 1}},
  };
  for (size_t r = 0; r < lines.size(); ++r) {
    row = RowAt(int(r + 1) * ButtonHeight, x, end);
    ASSERT_EQ(row.size(), lines[r].size()) << "row " << r + 1;
    int left = x;
    for (size_t k = 0; k < row.size(); ++k) {
      EXPECT_EQ(TextOf(*row[k]), lines[r][k].text);
      EXPECT_EQ(row[k]->word, lines[r][k].word) << lines[r][k].text;
      EXPECT_EQ(row[k]->fourth.i != 0, lines[r][k].lit != 0) << lines[r][k].text;
      EXPECT_EQ(row[k]->left, left) << lines[r][k].text;
      left = row[k]->right;
    }
  }
  // Row 7 edits the selected half's height; then "suitable for :" and the ten seatings in bit
  // order, lit by the pose's bits; then "selected seating :" (seating 0) and the ten again,
  // seating 0 highest and seating 9 lowest.
  const InterfaceButton* height = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].word == reinterpret_cast<uintptr_t>(&p.highHeight) && InterfaceButtons[i].handler) {
      height = &InterfaceButtons[i];
      break;
    }
  ASSERT_NE(height, nullptr);
  EXPECT_EQ(height->top, 7 * ButtonHeight);
  EXPECT_EQ(height->left, x);
  const InterfaceButton suitableLabel = *RowAt(8 * ButtonHeight, x, end).at(0);
  EXPECT_EQ(TextOf(suitableLabel), "suitable for :");
  for (int k = 0; k < SEATING_COUNT; ++k) {
    row = RowAt((9 + k) * ButtonHeight, x, end);
    ASSERT_EQ(row.size(), 1u) << k;
    EXPECT_EQ(TextOf(*row[0]), seatings[k]);
    EXPECT_EQ(row[0]->right, suitableLabel.right) << seatings[k] << ": as wide as its label";
    EXPECT_EQ(row[0]->word, uintptr_t(2 + k));
    EXPECT_EQ(row[0]->fourth.i, k == 3 || k == 8 ? 1 : 0) << seatings[k];
  }
  row = RowAt(19 * ButtonHeight, x, end);
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(TextOf(*row[0]), "selected seating :");
  EXPECT_EQ(row[0]->word, 0u);
  const int chooseRight = row[0]->right;
  EXPECT_GT(chooseRight, suitableLabel.right) << "the chosen seatings' column is the wider";
  for (int k = 0; k < SEATING_COUNT; ++k) {
    const auto one = RowAt((20 + k) * ButtonHeight, x, end);
    ASSERT_EQ(one.size(), 1u) << k;
    EXPECT_EQ(TextOf(*one[0]), seatings[k]);
    EXPECT_EQ(one[0]->right, chooseRight) << seatings[k];
    EXPECT_EQ(one[0]->word, uintptr_t(k)) << seatings[k];
    EXPECT_EQ(one[0]->fourth.i, k == s->selectedSeating ? 1 : 0) << seatings[k];
  }

  // What the buttons do.
  const InterfaceButton heightButton = *height;
  p.highHeight = 1.5f;
  Press(heightButton);
  EXPECT_FLOAT_EQ(p.highHeight, 1.0f) << "held within 0..1";
  EXPECT_FLOAT_EQ(s->testHeight, 1.0f);
  EXPECT_EQ(TextOf(heightButton), "animation height 1.00") << "a plain share of the height, not an angle";
  Press(*RowAt(5 * ButtonHeight, x, end)[0]);
  EXPECT_EQ(p.flags & (POSE_STANDING | POSE_EXCITED), POSE_STANDING | POSE_EXCITED);
  Press(*RowAt(5 * ButtonHeight, x, end)[1]);
  EXPECT_EQ(p.flags & (POSE_STANDING | POSE_EXCITED), POSE_STANDING);
  Press(*RowAt(12 * ButtonHeight, x, end)[0]);  // "bench" under "suitable for :"
  EXPECT_EQ(p.seatings, 1u << 8);
  Press(*RowAt(19 * ButtonHeight, x, end)[0]);
  EXPECT_EQ(s->selectedSeating, 0) << "the label stands for seating 0";
  Press(*RowAt(4 * ButtonHeight, x, end)[0]);
  EXPECT_EQ(s->blendTest, 1);
  Press(*RowAt(6 * ButtonHeight, x, end)[0]);
  EXPECT_EQ(p.flags & POSE_BLEND, 0u) << "\"plain\"";
  Press(*RowAt(2 * ButtonHeight, x, end)[0], 2);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter new name for pose");
  EXPECT_STREQ(OpenTextEntry.initialText, "two");
  EXPECT_EQ(OpenTextEntry.maxLength, POSE_NAME_SIZE);
  EXPECT_EQ(OpenTextEntry.prefixLength, 0) << "the whole name may be typed over";
  ConfirmTextEntry("deux");
  EXPECT_STREQ(p.name, "deux");
  // A right click on another pose selects that pose's low half first, then asks its new name.
  Press(*RowAt(ButtonHeight, x, end)[0], 2);
  EXPECT_EQ(s->selectedPose, 0);
  EXPECT_EQ(s->poseHalf, 0);
  EXPECT_EQ(E().selected, &skeleton.poses[0].low);
  EXPECT_STREQ(OpenTextEntry.initialText, "one");
  CancelTextEntry();
  SelectPose(*s, 1, 0);
  Press(*RowAt(ButtonHeight, x, end)[0], 1);
  EXPECT_EQ(s->selectedPose, 0);
  EXPECT_EQ(E().selected, &skeleton.poses[0].low);
  ClearInterface();
}

// A blend's high height past 1 is held at 1, whichever way it was reached.
TEST_F(AnimScreen, ABlendsHighHeightIsHeldAtOne) {
  NewPose(*s);
  MakePoseBlend(*s);
  Pose& p = skeleton.poses[0];
  ASSERT_EQ(s->poseHalf, 1);
  SetPoseHeight(*s, 1.5f);
  EXPECT_FLOAT_EQ(p.highHeight, 1.0f);
  EXPECT_FLOAT_EQ(s->testHeight, 1.0f);
  SetPoseHeight(*s, -2.0f);
  EXPECT_FLOAT_EQ(p.lowHeight, 0.0f);
  EXPECT_FLOAT_EQ(p.highHeight, 0.1f);
  p.highHeight = 0.8f;
  p.lowHeight = 0.2f;
  s->blendTest = 1;
  SetTestHeight(*s, 0.1f);
  EXPECT_FLOAT_EQ(s->testHeight, 0.2f) << "held at the low height";
}

// The clipboards: "copy animation" and "paste animation", "COPY frame" and "PASTE frame"; and
// "FLIP frame", which gives each bone its mirror image in x (twice restores the frame).
TEST_F(AnimScreen, TheClipboardsCopyAndPasteAndFlipMirrorsTheFrame) {
  Movement(1, 3, 2);
  Animation& a = *E().selected;
  a.frames[2].transforms[HAND].translation.x += 1000;
  a.frames[2].transforms[HAND].translation.z += 3000;
  AnimCommand(*s, 5, 1);
  EXPECT_TRUE(E().undo.empty()) << "nothing to paste: nothing recorded";
  AnimCommand(*s, 1, 1);
  ASSERT_NE(s->copiedAnimation, nullptr);
  ASSERT_EQ(s->copiedAnimation->frameCount, 3);
  EXPECT_TRUE(SameTransforms(s->copiedAnimation->frames[2].transforms, a.frames[2].transforms, rig.boneCount));
  a.DeleteFrame(0, rig.boneCount);
  SetCurrentFrame(E(), 1);
  AnimCommand(*s, 3, 1);
  ASSERT_EQ(a.frameCount, 3);
  EXPECT_TRUE(SameTransforms(s->copiedAnimation->frames[2].transforms, a.frames[2].transforms, rig.boneCount));
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  EXPECT_EQ(E().undo.size(), 1u);
  // The frame clipboard takes the rig as it stands: frame 2 shown.
  SetCurrentFrame(E(), 2);
  AnimCommand(*s, 4, 1);
  ASSERT_NE(s->copiedFrame, nullptr);
  EXPECT_TRUE(SameTransforms(s->copiedFrame, a.frames[2].transforms, rig.boneCount));
  SetCurrentFrame(E(), 0);
  a.frames[0].time = 0.5f;
  AnimCommand(*s, 5, 1);
  EXPECT_TRUE(SameTransforms(a.frames[0].transforms, a.frames[2].transforms, rig.boneCount));
  EXPECT_EQ(a.frames[0].time, 0.0f);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  EXPECT_EQ(E().undo.size(), 2u);
  EXPECT_EQ(rig.bones[HAND].position.x, a.frames[2].transforms[HAND].translation.x) << "shown";
  // FLIP: the hand's twin takes the hand's place mirrored in x, and the hand the twin's.
  Animation before;
  before.Copy(a, rig.boneCount);
  AnimCommand(*s, 9, 1);
  EXPECT_EQ(E().undo.size(), 3u);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  const FixedTransform* was = before.frames[0].transforms;
  const FixedTransform* now = a.frames[0].transforms;
  EXPECT_NEAR(now[HAND + 1].translation.x, -was[HAND].translation.x, 2);
  EXPECT_NEAR(now[HAND + 1].translation.z, was[HAND].translation.z, 2);
  EXPECT_NEAR(now[HAND].translation.x, -was[HAND + 1].translation.x, 2);
  EXPECT_NEAR(now[HAND].translation.z, was[HAND + 1].translation.z, 2);
  EXPECT_NEAR(now[TRUNK].translation.x, -was[TRUNK].translation.x, 2);
  AnimCommand(*s, 9, 1);
  for (int k = 0; k < rig.boneCount; ++k) {
    EXPECT_NEAR(now[k].translation.x, was[k].translation.x, 2) << k;
    EXPECT_NEAR(now[k].translation.z, was[k].translation.z, 2) << k;
  }
  before.Free();
}

// The file commands' questions: their prompts, lengths and file patterns; the typed distance
// of "move all" goes along its own axis, and what is not a number is refused aloud.
TEST_F(AnimScreen, TheFileCommandsAskTheirQuestionsAndMoveAllTakesTheTypedDistance) {
  Movement(1, 2, 1);
  std::snprintf(E().animationName, sizeof E().animationName, "wave");
  AnimFileCommand(*s, 0);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of skeleton to SAVE");
  EXPECT_EQ(OpenTextEntry.maxLength, 16);
  EXPECT_STREQ(OpenTextEntry.filePattern, "data\\skl\\%s.skl");
  EXPECT_STREQ(OpenTextEntry.initialText, "");
  CancelTextEntry();
  for (const auto& [command, prompt] : {std::pair{2, "Enter name of animation to LOAD"},
                                        std::pair{3, "Enter name of animation to SAVE"}}) {
    AnimFileCommand(*s, command);
    EXPECT_STREQ(OpenTextEntry.prompt, prompt);
    EXPECT_EQ(OpenTextEntry.maxLength, 32) << prompt;
    EXPECT_EQ(OpenTextEntry.type, command == 2 ? 4 : 6) << "a chooser of existing files to load, a name to save";
    EXPECT_STREQ(OpenTextEntry.filePattern, "data\\move\\%s.ban") << prompt;
    if (command == 2) {
      EXPECT_STREQ(OpenTextEntry.initialText, "wave");
    }
    CancelTextEntry();
  }
  AnimFileCommand(*s, 4);
  EXPECT_EQ(OpenTextEntry.open, 0) << "SAVE as SIT needs driver mode and a vehicle";

  const int32_t y = E().selected->frames[0].transforms[HEAD].translation.y;
  const int32_t x = E().selected->frames[0].transforms[HEAD].translation.x;
  AskMoveAll(*s, 1);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter distance to move whole animation in Y (forward) direction");
  EXPECT_EQ(OpenTextEntry.maxLength, 12);
  ConfirmTextEntry("0.5");
  EXPECT_EQ(E().selected->frames[0].transforms[HEAD].translation.y, y + 32768);
  EXPECT_EQ(E().selected->frames[0].transforms[HEAD].translation.x, x);
  AskMoveAll(*s, 0);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter distance to move whole animation in X (right) direction");
  ConfirmTextEntry("-0.25");
  EXPECT_EQ(E().selected->frames[0].transforms[HEAD].translation.x, x - 16384);
  AskMoveAll(*s, 2);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter distance to move whole animation in Z (up) direction");
  ConfirmTextEntry("far");
  EXPECT_EQ(Box(), "Distance must be a number that keeps every position in range|-");
  EXPECT_EQ(E().undo.size(), 2u);
  AnimFileCommand(*s, 10);
  EXPECT_EQ(E().selected->frames[0].transforms[HEAD].translation.x, x) << "UNDO";
  EXPECT_EQ(E().undo.size(), 1u);

  // "remove anims": the question, then every movement and pose gone and nothing selected.
  NewPose(*s);
  Movement(2, 2, 0);
  lastAnswer = nullptr;
  AnimFileCommand(*s, 1);
  EXPECT_EQ(lastQuestion, "Remove all animations from skeleton?|Data will be lost");
  ASSERT_NE(lastAnswer, nullptr);
  E().unsaved = 0;
  lastAnswer(&s->prss, 1, 0);
  EXPECT_EQ(skeleton.movements[1].frameCount, 0);
  EXPECT_EQ(skeleton.movements[2].frameCount, 0);
  EXPECT_EQ(skeleton.poseCount, 0);
  EXPECT_EQ(E().selected, nullptr);
  EXPECT_EQ(E().currentFrame, nullptr);
  EXPECT_EQ(s->selectedMovement, -1);
  EXPECT_EQ(s->selectedPose, -1);
  EXPECT_EQ(E().unsaved, 1);
}

// Held keys name the drag the next press starts: Q, W, E turn about x, y, z before any slide;
// A, S, D slide along x, y, z, two of them in a plane.
TEST_F(AnimScreen, HeldKeysPrepareATurnOrASlideOfTheSelectedBone) {
  const auto act = [&](const char* keys) {
    for (const char* k = "QWEASD"; *k; ++k) KeyState[int(*k)] = 0;
    for (const char* k = keys; *k; ++k) KeyState[int(*k)] = 1;
    const int skipped = FrameSkipped;
    FrameSkipped = 1;
    s->prss.act(&s->prss);
    FrameSkipped = skipped;
  };
  SelectMovement(*s, 2);
  E().selectedBone = HAND;
  act("A");
  EXPECT_EQ(Box(), "No frame selected|-");
  EXPECT_EQ(E().keyActive, 0);
  act("");
  Movement(1, 2, 0);
  E().selectedBone = HAND;
  struct Case { const char* keys; int mask; int slide; };
  const Case cases[] = {{"Q", 1, 0},  {"W", 2, 0},  {"E", 4, 0},  {"QD", 1, 0}, {"WA", 2, 0}, {"ES", 4, 0},
                        {"SD", 6, 1}, {"AD", 5, 1}, {"AS", 3, 1}, {"ASD", 6, 1}, {"A", 1, 1}, {"S", 2, 1},
                        {"D", 4, 1}};
  for (const Case& c : cases) {
    act("");
    EXPECT_EQ(E().axisMask, 0) << "released";
    EXPECT_EQ(E().keyActive, 0);
    act(c.keys);
    EXPECT_EQ(E().axisMask, c.mask) << c.keys;
    EXPECT_EQ(E().slideMode, c.slide) << c.keys;
    EXPECT_EQ(E().keyActive, 1) << c.keys;
  }
  act("");
  // Not dragging and no key: the pivot is the joint the bone hangs from (forearm to hand at
  // (0.25, 0, 0.985) m, at rest); the root turns about its own position.
  EXPECT_NEAR(std::abs(E().pivot.x), 0.25 * 65536, 2);
  EXPECT_NEAR(E().pivot.y, 0, 2);
  EXPECT_NEAR(E().pivot.z, 0.985 * 65536, 2);
  E().selectedBone = TRUNK;
  act("");
  EXPECT_EQ(E().pivot.x, rig.bones[TRUNK].position.x);
  EXPECT_EQ(E().pivot.z, rig.bones[TRUNK].position.z);
  E().selectedBone = -1;
  act("S");
  EXPECT_EQ(E().axisMask, 0) << "no bone selected";
  act("");
}

// Keys: comma and full stop step through the frames, Delete deletes, Space does nothing while
// a blend is tested.
TEST_F(AnimScreen, FrameKeysStepAndDeleteAndSpaceWaitsForTheBlendTest) {
  Movement(1, 3, 0);
  AnimEditorKey(&s->prss, ',');
  EXPECT_EQ(CurrentFrameIndex(E()), 2);
  AnimEditorKey(&s->prss, '.');
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  AnimEditorKey(&s->prss, KEY_COMMA);
  EXPECT_EQ(CurrentFrameIndex(E()), 2);
  AnimEditorKey(&s->prss, KEY_PERIOD);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  AnimEditorKey(&s->prss, KEYCODE_DELETE);
  EXPECT_EQ(E().selected->frameCount, 2);
  AnimEditorKey(&s->prss, 'a');
  EXPECT_EQ(E().selectedBone, -1) << "held keys are read, not pressed";
  s->blendTest = 1;
  AnimEditorKey(&s->prss, ' ');
  EXPECT_EQ(E().selectedBone, -1);
  s->blendTest = 0;
}


// While the screen is open the object editor's figure is posed by the rig, within the room
// given; the modeller's bone labels read the rig's positions the same way; closing gives the
// figure back and leaves the steering at rest.
TEST_F(AnimScreen, TheFigureAndTheBoneLabelsReadTheRigWithinTheRoomGiven) {
  ASSERT_NE(FigurePose.boneFrames, nullptr);
  ASSERT_NE(FigurePose.skeleton, nullptr);
  EXPECT_EQ(FigurePose.skeleton->count, TEST_SOLIDS);
  rig.bones[FOREARM].position.y += 4321;
  FixedTransform out[TEST_SOLIDS + 2] = {};
  out[3].translation.x = 77;
  EXPECT_EQ(FigurePose.boneFrames(out, 3), 3);
  EXPECT_EQ(out[2].translation.x, rig.bones[2].position.x);
  EXPECT_EQ(out[3].translation.x, 77) << "past the room given: untouched";
  EXPECT_EQ(FigurePose.boneFrames(out, TEST_SOLIDS + 2), TEST_SOLIDS);
  EXPECT_EQ(out[FOREARM].translation.y, rig.bones[FOREARM].position.y);
  EXPECT_EQ(FigurePose.boneFrames(out, 0), 0);
  int32_t at[TEST_SOLIDS + 1][3] = {};
  at[2][0] = 55;
  EXPECT_EQ(TableBonePositions(&table, at, 2), 2);
  EXPECT_EQ(at[1][2], rig.bones[1].position.z);
  EXPECT_EQ(at[2][0], 55);
  EXPECT_EQ(TableBonePositions(&table, at, TEST_SOLIDS + 1), TEST_SOLIDS);
  EXPECT_EQ(at[FOREARM][1], rig.bones[FOREARM].position.y);
  EXPECT_EQ(TableBonePositions(nullptr, at, 4), 0);
  UpdateTableBones(nullptr, &table);
  BoneRig rest;
  skeleton.CreateBones(rest);
  EXPECT_EQ(rig.bones[FOREARM].position.y, rest.bones[FOREARM].position.y) << "back at rest";
  rest.Free();

  static float output;
  output = 5.0f;
  AnimVehicleHooks.steeringOutput = [] { return &output; };
  Close();
  EXPECT_EQ(FigurePose.boneFrames, nullptr);
  EXPECT_EQ(output, 0.0f);
  AnimVehicleHooks = AnimVehicleLink{};
}

// The mouse: while a test runs a move samples the animation and a release (or the left button
// no longer held) ends it; while dragging another button cancels, the left release finishes
// into the frame.  Each frame of a drag steps the rig and shows the target light green.
TEST_F(AnimScreen, TheMouseDrivesTheTestAndEndsADragByCancelOrRelease) {
  Movement(1, 3, 0);
  ASSERT_EQ(StartTest(*s, 100), 1);
  MouseRecord m{};
  m.leftHeld = 1;
  m.dx = 3;
  MouseX = 103;  // + 3 / (2 x 3 buttons)
  AnimEditorMouse(&s->prss, &m);
  EXPECT_FLOAT_EQ(E().phase, 0.5f);
  m = MouseRecord{};
  m.releaseCode = 1;
  AnimEditorMouse(&s->prss, &m);
  EXPECT_EQ(s->testing, 0);
  EXPECT_EQ(s->testStart, -1);
  ASSERT_EQ(StartTest(*s, 100), 1);
  m = MouseRecord{};
  m.dx = 1;
  AnimEditorMouse(&s->prss, &m);
  EXPECT_EQ(s->testing, 0) << "the left button no longer held";

  SetCurrentFrame(E(), 0);
  E().selectedBone = FOREARM;
  E().slideMode = 1;
  E().axisMask = 1;
  E().keyActive = uint8_t(SlideBone(E(), 0, -1));
  ASSERT_EQ(E().keyActive, 1);
  const int32_t kept = rig.bones[FOREARM].position.x;
  ASSERT_EQ(StartDrag(E(), 10, 10), 1);
  // A frame of the drag: the target shown light green where it is, the turn gain for a turn,
  // the rig stepped four times on the frame's time (10 ms each: 40 ms of 1 ms steps).
  E().targetPosition.x += 5000;
  E().slideMode = 0;
  const int skipped = FrameSkipped;
  const uint32_t keptFrameTime = SimFrameTime, ran = rig.runTime;
  SimFrameTime = 10;
  FrameSkipped = 1;
  s->prss.act(&s->prss);
  FrameSkipped = skipped;
  SimFrameTime = keptFrameTime;
  EXPECT_EQ(rig.runTime - ran, 40u);
  EXPECT_EQ(rig.stepsDone, rig.runTime);
  EXPECT_EQ(E().dragGain, 200.0f);
  ASSERT_NE(s->grabSolid, nullptr);
  EXPECT_EQ(s->grabSolid->position.x, E().targetPosition.x);
  EXPECT_EQ(s->grabSolid->colour, 0xA0FFA0u);
  EXPECT_EQ(s->grabSolid->halfSize.z, rig.bones[FOREARM].halfSize.z);
  E().slideMode = 1;
  FrameSkipped = 1;
  s->prss.act(&s->prss);
  FrameSkipped = skipped;
  EXPECT_EQ(E().dragGain, 1200.0f);

  rig.bones[FOREARM].position.x = kept + 3000;
  m = MouseRecord{};
  m.clickCode = 1;
  m.leftHeld = 1;
  AnimEditorMouse(&s->prss, &m);
  EXPECT_EQ(E().dragging, 1) << "a left press goes on dragging";
  m = MouseRecord{};
  m.clickCode = 2;
  m.rightHeld = 1;
  AnimEditorMouse(&s->prss, &m);
  EXPECT_EQ(E().dragging, 0);
  EXPECT_EQ(rig.bones[FOREARM].position.x, kept) << "cancelled: back where it began";
  EXPECT_TRUE(E().undo.empty());

  ASSERT_EQ(StartDrag(E(), 10, 10), 1);
  rig.bones[FOREARM].position.x = kept + 3000;
  m = MouseRecord{};
  m.releaseCode = 1;
  AnimEditorMouse(&s->prss, &m);
  EXPECT_EQ(E().dragging, 0);
  EXPECT_EQ(E().selected->frames[0].transforms[FOREARM].translation.x, kept + 3000);
  EXPECT_EQ(E().undo.size(), 1u);
}


// A perspective view from 4 m in front of the figure (+y), 1 m up (at x = eyeX), looking back
// along -y, on a 1024 x 768 screen; the view in use until the object is gone.
struct FrontView {
  View view{};
  int keptWidth = ScreenWidth, keptHeight = ScreenHeight;
  int32_t keptEditWidth = EditViews.width;
  float keptFov = EditViews.fovScale;
  explicit FrontView(int32_t eyeX = 0) {
    InitSinCosTables();
    ScreenWidth = 1024;
    ScreenHeight = 768;
    SetDefaultLayouts();
    SetupScreenLayout(1024, 768);
    const int32_t eye[3] = {eyeX, 4 << 16, 1 << 16};
    const float light[3] = {0, 0, 1};
    const int32_t lightDir[3] = {0, 0, 0x10000};
    InitView(view, eye, light, lightDir);
    view.heading = 0;
    view.pitch = 0;
    ComputeViewAxes();
    ComputeViewBasis();
    SetupViewRectangle(0, 0, 1024, 768, 0, 0, 1.2f, 0.25f, 1);
    EditViews.width = 0;
    EditViews.fovScale = 0.8f;
  }
  ~FrontView() {
    CurrentView = &MainView;
    ScreenWidth = keptWidth, ScreenHeight = keptHeight;
    EditViews.width = keptEditWidth;
    EditViews.fovScale = keptFov;
  }
};

// The selected bone's three axis handles: each a label "X", "Y" or "Z" where the axis's end
// projects, the end a sixteenth of the depth times the view's field factor from the bone;
// world axes while sliding, the bone's own about the pivot while turning; lit when its key is
// held or no key is.
TEST_F(AnimScreen, TheAxisHandlesStandAtTheProjectedEndsOfTheBonesAxes) {
  FrontView front;
  Movement(1, 1, 0);
  E().selectedBone = FOREARM;
  const auto handles = [&] {
    ClearInterface();
    DrawAnimHandles(*s);
    std::vector<const InterfaceButton*> found(3, nullptr);
    for (int i = 0; i < ButtonCount; ++i)
      for (int a = 0; a < 3; ++a)
        if (TextOf(InterfaceButtons[i]) == std::string(1, char('X' + a))) found[size_t(a)] = &InterfaceButtons[i];
    return found;
  };
  for (const bool turning : {false, true}) {
    SCOPED_TRACE(turning ? "turning" : "sliding");
    E().keyActive = turning ? 1 : 0;
    E().slideMode = turning ? 0 : 1;
    E().axisMask = turning ? 2 : 0;
    E().pivot = rig.bones[UPPER_ARM].position;
    const Bone& bone = rig.bones[FOREARM];
    const IntVector centre = turning ? E().pivot : bone.position;
    const int32_t c[3] = {centre.x, centre.y, centre.z};
    float cx, cy;
    int32_t depth;
    ASSERT_EQ(ProjectPointToScreen(c, &cx, &cy, &depth), 1);
    const double length = double(depth) * 0.8f / 16.0;
    const auto found = handles();
    EXPECT_EQ(E().handleLength, int32_t(length));
    for (int a = 0; a < 3; ++a) {
      ASSERT_NE(found[size_t(a)], nullptr) << a;
      double dir[3] = {a == 0 ? 1.0 : 0.0, a == 1 ? 1.0 : 0.0, a == 2 ? 1.0 : 0.0};
      if (turning)
        for (int r = 0; r < 3; ++r) dir[r] = bone.orientation[r * 3 + a];
      const int32_t end[3] = {int32_t(c[0] + dir[0] * length), int32_t(c[1] + dir[1] * length), int32_t(c[2] + dir[2] * length)};
      float ex, ey;
      int32_t endDepth;
      ASSERT_EQ(ProjectPointToScreen(end, &ex, &ey, &endDepth), 1);
      const InterfaceButton& b = *found[size_t(a)];
      EXPECT_NEAR((b.left + b.right) / 2.0, ex, 1.01) << a;
      EXPECT_NEAR((b.top + b.bottom) / 2.0, ey, 1.01) << a;
      EXPECT_EQ(b.right - b.left, ButtonWidth);
      EXPECT_NEAR(E().handleScreen[a][0], ex - cx, 0.01) << a;
      EXPECT_NEAR(E().handleScreen[a][1], ey - cy, 0.01) << a;
      ASSERT_NE(b.colour, nullptr);
      const bool lit = !turning || a == 1;
      EXPECT_EQ(*b.colour, lit ? 0xA0FFA0u : 0x949494u) << a;
    }
  }
  // While dragging the handles keep what the drag began with.
  E().dragging = 1;
  E().handleLength = 7;
  E().handleScreen[0][0] = 3.0f;
  handles();
  EXPECT_EQ(E().handleLength, 7);
  EXPECT_EQ(E().handleScreen[0][0], 3.0f);
  E().dragging = 0;
  E().selectedBone = TRUNK;
  const auto root = handles();
  EXPECT_TRUE(std::all_of(root.begin(), root.end(), [](auto* b) { return b != nullptr; })) << "the root, solid 0, has handles";
  E().selectedBone = TEST_SOLIDS;
  const auto none = handles();
  EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](auto* b) { return b == nullptr; })) << "no such bone";
  ClearInterface();
}

// The bones' labels "#<solid>": halo labels (text, no face) in white, red when locked, lit
// (framed) when selected; a left click on one, through the interface, selects the bone, a right
// click locks it; a click beside it does neither; a bone behind the eye has none.
TEST_F(AnimScreen, TheBoneLabelsSelectOnALeftClickAndLockOnARightClick) {
  FrontView front;
  E().selectedBone = HEAD;
  E().links->links[HAND].locked = 1;
  rig.bones[LEG].position.y = 10 << 16;  // behind the eye
  ClearInterface();
  DrawBoneLabels(*s);
  for (int i = 0; i < TEST_SOLIDS; ++i) {
    const std::string text = "#" + std::to_string(i);
    const InterfaceButton* b = Shown(text.c_str());
    if (i == LEG) {
      EXPECT_EQ(b, nullptr) << "behind the eye";
      continue;
    }
    ASSERT_NE(b, nullptr) << i;
    EXPECT_EQ(b->word, uintptr_t(i));
    EXPECT_EQ(b->style, BUTTON_STYLE_HALO_TEXT) << i;
    EXPECT_EQ(b->fourth.i != 0, i == HEAD) << i;
    ASSERT_NE(b->colour, nullptr);
    EXPECT_EQ(*b->colour, i == HAND ? 0x0000FFu : 0xFFFFFFu) << i;
  }
  SetInterfaceRectangleToScreen();
  const InterfaceButton forearm = *Shown("#4");
  const int x = (forearm.left + forearm.right) / 2, y = (forearm.top + forearm.bottom) / 2;
  // A press and its release, then the next frame's labels (a press on a button empties the
  // table, as the frame loop's next frame fills it again).
  const auto click = [&](int atX, int atY, int code) {
    PressMouse(atX, atY, code);
    ReleaseMouse(atX, atY, code);
    ClearInterface();
    DrawBoneLabels(*s);
  };
  // Beside the label (a pixel past its right edge, where no other label stands): nothing.
  MouseX = forearm.right, MouseY = y;
  ASSERT_EQ(FindButtonUnderMouse(), nullptr);
  click(forearm.right, y, 1);
  EXPECT_EQ(E().selectedBone, HEAD);
  click(x, y, 1);
  EXPECT_EQ(E().selectedBone, FOREARM);
  EXPECT_EQ(E().links->links[FOREARM].locked, 0u);
  click(forearm.left, forearm.top, 2);  // its top left pixel is the label's
  EXPECT_EQ(E().links->links[FOREARM].locked, 1u);
  EXPECT_EQ(E().selectedBone, FOREARM);
  click(x, y, 1);
  EXPECT_EQ(E().selectedBone, -1) << "a second left click clears the selection";
  ClearInterface();
}


// A bone's label stands only for a point on the screen: a point on the left or top edge
// (pixel 0) has one; a point on the right or bottom edge (x = width, y = height) has none,
// one pixel more of screen and it has one.  The head, moved onto the eye's line of sight,
// projects onto the view's centre exactly; the view's centre is moved onto each edge.
TEST_F(AnimScreen, ABoneLabelNeedsItsPointFromPixelZeroToOneShortOfTheScreensEdge) {
  FrontView front;
  for (int i = 0; i < TEST_SOLIDS; ++i) rig.bones[size_t(i)].position.y = 10 << 16;  // behind the eye
  rig.bones[HEAD].position = {0, 0, 1 << 16};  // the eye stands at x 0, z 1 m
  const auto headLabelled = [&](int centreX, int centreY, int width, int height) {
    CurrentView->centreX = centreX;
    CurrentView->centreY = centreY;
    ScreenWidth = width;
    ScreenHeight = height;
    ClearInterface();
    DrawBoneLabels(*s);
    return Shown("#1") != nullptr;
  };
  EXPECT_TRUE(headLabelled(512, 384, 1024, 768)) << "the centre";
  EXPECT_TRUE(headLabelled(0, 384, 1024, 768)) << "the left edge, x 0";
  EXPECT_TRUE(headLabelled(512, 0, 1024, 768)) << "the top edge, y 0";
  EXPECT_FALSE(headLabelled(512, 384, 512, 768)) << "x at the width";
  EXPECT_TRUE(headLabelled(512, 384, 513, 768));
  EXPECT_FALSE(headLabelled(512, 384, 1024, 384)) << "y at the height";
  EXPECT_TRUE(headLabelled(512, 384, 1024, 385));
  ClearInterface();
}

// With a vehicle's driver placement the labels stand where the placement puts the bones:
// turned by its rotation, then moved by its translation.  Here a half turn about z and 0.5 m
// along x take the head at x 0.2 m to x -0.2 + 0.5 = 0.3 m.
TEST_F(AnimScreen, TheBoneLabelsFollowTheDriversPlacementInTheVehicle) {
  FrontView front;
  for (int i = 0; i < TEST_SOLIDS; ++i) rig.bones[size_t(i)].position.y = 10 << 16;  // behind the eye
  rig.bones[HEAD].position = {int32_t(0.2 * 65536), 0, 1 << 16};
  AnimVehicleHooks.driverPlacement = [](FixedTransform* out) {
    *out = FixedTransform{};
    out->rotation.m[0] = -65536;
    out->rotation.m[4] = -65536;
    out->rotation.m[8] = 65536;
    out->translation = {32768, 0, 0};
    return 1;
  };
  ClearInterface();
  DrawBoneLabels(*s);
  AnimVehicleHooks = AnimVehicleLink{};
  const int32_t placed[3] = {int32_t(0.3 * 65536), 0, 1 << 16};
  float x, y;
  int32_t depth;
  ASSERT_EQ(ProjectPointToScreen(placed, &x, &y, &depth), 1);
  const InterfaceButton* head = Shown("#1");
  ASSERT_NE(head, nullptr);
  EXPECT_NEAR((head->left + head->right) / 2.0, x, 1.01);
  EXPECT_NEAR((head->top + head->bottom) / 2.0, y, 1.01);
  EXPECT_LT(x, 500.0f) << "off the centre: facing the figure, its +x is on the screen's left";
  ClearInterface();
}


// Every pose edit marks the skeleton unsaved: a new pose, a rename, a flag, plain or blend,
// a height, a delete.
TEST_F(AnimScreen, EveryPoseEditMarksTheSkeletonUnsaved) {
  const auto marked = [&](const char* what, auto edit) {
    E().unsaved = 0;
    edit();
    EXPECT_EQ(E().unsaved, 1) << what;
  };
  marked("new pose", [&] { NewPose(*s); });
  marked("rename", [&] { RenamePose(*s, "sit"); });
  marked("blend", [&] { MakePoseBlend(*s); });
  marked("height", [&] { SetPoseHeight(*s, 0.5f); });
  marked("plain", [&] { MakePosePlain(*s); });
  marked("delete", [&] { DeletePose(*s); });
  E().unsaved = 0;
  MakePosePlain(*s);
  SetPoseHeight(*s, 0.5f);
  RenamePose(*s, "none");
  EXPECT_EQ(E().unsaved, 0) << "no pose selected: nothing changed";
}

// A left press away from the buttons with a slide prepared starts the drag where the mouse is.
TEST_F(AnimScreen, ALeftPressAwayFromTheButtonsStartsTheDragAtTheMouse) {
  Movement(1, 1, 0);
  E().selectedBone = FOREARM;
  E().slideMode = 1;
  E().axisMask = 1;
  E().keyActive = uint8_t(SlideBone(E(), 0, -1));
  ASSERT_EQ(E().keyActive, 1);
  ClearInterface();
  MouseX = 37;
  MouseY = 211;
  MouseRecord m{};
  m.clickCode = 1;
  m.leftHeld = 1;
  AnimEditorMouse(&s->prss, &m);
  ASSERT_EQ(E().dragging, 1);
  EXPECT_EQ(E().dragStart[0], 37);
  EXPECT_EQ(E().dragStart[1], 211);
  EXPECT_EQ(s->grabSolid->colour, 0xA0FFA0u);
  EXPECT_EQ(s->grabSolid->position.x, rig.bones[FOREARM].position.x) << "the target where the bone is";
  CancelDrag(E());
}


// The edges of the commands' ranges: the first and last movements, a move that lands exactly
// on the 32-bit limits, a test of exactly two frames, deleting down to one frame, and a blend
// whose two heights are equal.
TEST_F(AnimScreen, CommandsTakeTheEdgesOfTheirRanges) {
  SelectMovement(*s, 0);
  EXPECT_EQ(E().selected, &skeleton.movements[0]);
  EXPECT_EQ(s->selectedMovement, 0);
  SelectMovement(*s, MOVEMENT_COUNT - 1);
  EXPECT_EQ(E().selected, &skeleton.movements[MOVEMENT_COUNT - 1]);
  SelectMovement(*s, MOVEMENT_COUNT);
  EXPECT_EQ(E().selected, nullptr);
  EXPECT_EQ(s->selectedMovement, -1);

  Movement(1, 2, 0);
  EXPECT_EQ(MoveWholeAnimation(*s, 3, 0.5), 0) << "no fourth axis";
  EXPECT_EQ(MoveWholeAnimation(*s, -1, 0.5), 0);
  const int32_t z = E().selected->frames[1].transforms[HEAD].translation.z;
  ASSERT_EQ(MoveWholeAnimation(*s, 2, 0.5), 1);
  EXPECT_EQ(E().selected->frames[1].transforms[HEAD].translation.z, z + 32768);
  // Up to the largest 32-bit coordinate exactly, and down to the smallest: a move of nearly
  // 2^32 units that lands in range (it once overflowed int on the way).
  int32_t highest = INT32_MIN, lowest = INT32_MAX;
  for (int f = 0; f < 2; ++f)
    for (int k = 0; k < rig.boneCount; ++k) {
      highest = std::max(highest, E().selected->frames[f].transforms[k].translation.x);
      lowest = std::min(lowest, E().selected->frames[f].transforms[k].translation.x);
    }
  ASSERT_EQ(MoveWholeAnimation(*s, 0, (double(INT32_MAX) - highest) / 65536.0), 1);
  ASSERT_EQ(MoveWholeAnimation(*s, 0, (double(INT32_MIN) - lowest - (double(INT32_MAX) - highest)) / 65536.0), 1);
  int32_t least = INT32_MAX;
  for (int f = 0; f < 2; ++f)
    for (int k = 0; k < rig.boneCount; ++k) least = std::min(least, E().selected->frames[f].transforms[k].translation.x);
  EXPECT_EQ(least, INT32_MIN);
  EXPECT_EQ(MoveWholeAnimation(*s, 0, -1.0 / 65536.0), 0) << "one unit further wraps";

  // "new animation" makes one only where there is none: a single frame is kept as it is.
  Movement(4, 1, 0);
  E().selected->frames[0].transforms[HEAD].translation.x += 777;
  const int32_t kept = E().selected->frames[0].transforms[HEAD].translation.x;
  AnimCommand(*s, 0, 1);
  ASSERT_EQ(E().selected->frameCount, 1);
  EXPECT_EQ(E().selected->frames[0].transforms[HEAD].translation.x, kept);
  Movement(1, 2, 0);

  EXPECT_EQ(StartTest(*s, 10), 1) << "two frames are enough to test";
  SetCurrentFrame(E(), 1);
  FrameCommand(*s, FRAME_DEL);
  EXPECT_EQ(E().selected->frameCount, 1) << "two frames may become one";
  AnimCommand(*s, 9, 1);  // FLIP at frame 0, the first: a frame like any other
  EXPECT_TRUE(ReportRecorder::Reports().boxes.empty()) << ReportRecorder::Reports().boxes.front();

  NewPose(*s);
  MakePoseBlend(*s);
  Pose& p = skeleton.poses[0];
  p.high.frames[0].transforms[HAND].translation.x += 5000;
  p.lowHeight = p.highHeight = 0.5f;
  s->blendTest = 1;
  SetTestHeight(*s, 0.5f);
  EXPECT_EQ(rig.bones[HAND].position.x, p.low.frames[0].transforms[HAND].translation.x) << "no span: the low pose";
}


// "Yes" to the leaving question closes the screen; after Shift+X the object editor as well,
// after Escape only the screen.
TEST_F(AnimScreen, YesToLeavingAfterShiftXClosesTheObjectEditorToo) {
  E().unsaved = 1;
  ShiftHeld = 1;
  AnimEditorKey(&s->prss, 'X');
  ShiftHeld = 0;
  ASSERT_NE(lastAnswer, nullptr);
  EXPECT_EQ(s->prss.alive, 1) << "asked, not yet closed";
  lastAnswer(&s->prss, lastWords[0], lastWords[1]);
  EXPECT_EQ(s->prss.alive, 0);
  EXPECT_EQ(ObjectEditorShared.closeAll, 1);
  ObjectEditorShared.closeAll = 0;
}

TEST_F(AnimScreen, YesToLeavingAfterEscapeClosesOnlyTheScreen) {
  E().unsaved = 1;
  AnimEditorKey(&s->prss, KEY_ESCAPE);
  ASSERT_NE(lastAnswer, nullptr);
  lastAnswer(&s->prss, lastWords[0], lastWords[1]);
  EXPECT_EQ(s->prss.alive, 0);
  EXPECT_EQ(ObjectEditorShared.closeAll, 0);
}


// While a slide drag runs the side panel shows "move" and how far the bone has gone since the
// drag began, in millimetres; the screen's controls record into no other editor's history.
TEST_F(AnimScreen, ASlideDragShowsItsDisplacementInMillimetresAndControlsRecordNowhereElse) {
  Movement(1, 1, 0);
  E().selectedBone = FOREARM;
  E().dragging = 1;
  E().slideMode = 1;
  E().grabTransforms.resize(size_t(rig.boneCount));
  for (int i = 0; i < rig.boneCount; ++i) E().grabTransforms[size_t(i)].position = rig.bones[size_t(i)].position;
  rig.bones[FOREARM].position.x += 6554;   // 100.006 mm
  rig.bones[FOREARM].position.y -= 13107;  // -199.997 mm
  EditDomain = 3;
  Draw();
  const InterfaceButton* move = Shown("move");
  ASSERT_NE(move, nullptr);
  const auto row = RowAt(move->top, move->left);
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(TextOf(*row[1]), "100 -200 0");
  EXPECT_EQ(row[1]->left, row[0]->right);
  EXPECT_EQ(move->top, Shown("xyz")->top + ButtonHeight) << "under the bone's position";
  for (int i = 0; i < ButtonCount; ++i) EXPECT_EQ(InterfaceButtons[i].editDomain, 0) << TextOf(InterfaceButtons[i]);
  E().slideMode = 0;
  Draw();
  EXPECT_EQ(Shown("move"), nullptr) << "a turn shows no displacement";
  E().dragging = 0;
  ClearInterface();
}

// Pressing a pose's "high" button selects that pose's high animation; a pose flag pressed marks
// the skeleton unsaved; a frame button ends a running test.
TEST_F(AnimScreen, TheHighButtonSelectsTheHighAnimationAndAFrameButtonEndsATest) {
  NewPose(*s);
  MakePoseBlend(*s);
  s->selectedPose = -1;
  NewPose(*s);  // pose 1, plain, selected
  Draw();
  const InterfaceButton* high = Shown("high");
  ASSERT_NE(high, nullptr);
  Press(*high);
  EXPECT_EQ(s->selectedPose, 0);
  EXPECT_EQ(s->poseHalf, 1);
  EXPECT_EQ(E().selected, &skeleton.poses[0].high);
  Draw();
  E().unsaved = 0;
  Press(*Shown("Standing"));
  EXPECT_EQ(E().unsaved, 1);
  ClearInterface();

  Movement(1, 3, 0);
  ASSERT_EQ(StartTest(*s, 10), 1);
  Draw();
  const auto frames = RowAt((768 / ButtonHeight - 2) * ButtonHeight);
  ASSERT_GE(frames.size(), 3u);
  Press(*frames[2]);  // frame "2"
  EXPECT_EQ(s->testing, 0);
  EXPECT_EQ(CurrentFrameIndex(E()), 1);
  EXPECT_FLOAT_EQ(E().phase, 0.5f);
  ClearInterface();
}


// "copy to all frames" asks which copy, and the choice runs it: here the forearm's hand in every
// frame relative to the forearm, recorded for undo.
TEST_F(AnimScreen, CopyToAllFramesAsksWhichCopyAndRunsTheChoice) {
  Movement(1, 2, 0);
  E().selectedBone = FOREARM;
  E().selected->frames[0].transforms[HAND].translation.y += 3000;
  SetCurrentFrame(E(), 0);
  AnimFileCommand(*s, 9);
  ASSERT_EQ(SelectDialog.prss.alive, 1);
  EXPECT_STREQ(SelectDialog.title, "Select copy operation");
  ASSERT_EQ(SelectDialog.count, 2);
  EXPECT_STREQ(SelectDialog.texts[0], "Copy children relative to bone -> all frames");
  EXPECT_STREQ(SelectDialog.texts[1], "Bone & children relative to parent -> all frames");
  EXPECT_EQ(SelectDialog.current, 0) << "the first choice offered first";
  SelectItemClick(nullptr, 1, 0);
  EXPECT_EQ(E().undo.size(), 1u);
  EXPECT_EQ(E().keyActive, 0);
  EXPECT_EQ(E().selected->frames[1].transforms[HAND].translation.y, E().selected->frames[0].transforms[HAND].translation.y)
      << "the forearm stands alike in both frames: so does the copied hand";
}

// In driver mode the screen opens on a copy of the animation handed over, its first frame
// shown; with a vehicle on show its name heads the panel and the two mirror toggles start on.
TEST_F(AnimScreen, DriverModeOpensOnACopyOfTheHandedAnimationWithTheVehicle) {
  Close();
  Animation handed;
  handed.Init(rig);
  handed.InsertFrame(0, rig.boneCount);
  handed.frames[1].transforms[HAND].translation.x += 999;
  handed.scale = 2.0f;
  for (const bool vehicle : {true, false}) {
    SCOPED_TRACE(vehicle ? "a vehicle on show" : "no vehicle");
    AnimVehicleHooks.vehicleName = nullptr;
    if (vehicle) AnimVehicleHooks.vehicleName = [] { return "kart"; };
    BoneLinkArray* links = CheckObjectEditorHierarchy(nullptr, nullptr, &table);
    ASSERT_NE(links, nullptr);
    s = reinterpret_cast<AnimEditorScreen*>(CreateAnimEditor(nullptr, nullptr, &table, links, &handed));
    ASSERT_NE(E().driverAnimation, nullptr);
    EXPECT_NE(E().driverAnimation, &handed) << "a copy";
    EXPECT_EQ(E().selected, E().driverAnimation);
    ASSERT_EQ(E().selected->frameCount, 2);
    EXPECT_NE(E().selected->frames[1].transforms, handed.frames[1].transforms);
    EXPECT_EQ(E().selected->frames[1].transforms[HAND].translation.x, handed.frames[1].transforms[HAND].translation.x);
    EXPECT_EQ(E().selected->scale, 2.0f);
    EXPECT_EQ(E().currentFrame, &E().selected->frames[0]);
    EXPECT_EQ(E().autoCopyAndFlip, vehicle ? 1 : 0);
    EXPECT_EQ(E().symmetricalLegs, vehicle ? 1 : 0);
    EXPECT_EQ(E().autoLockParent, 1);
    EXPECT_STREQ(s->caption, vehicle ? "...kart" : "");
    Close();
  }
  AnimVehicleHooks = AnimVehicleLink{};
  handed.Free();
  EXPECT_EQ(CheckObjectEditorHierarchy(nullptr, nullptr, nullptr), nullptr);
}


// Changing what is edited empties the undo history: selecting a pose or a movement, deleting a
// pose, making it plain or a blend, removing the animations.
TEST_F(AnimScreen, ChangingWhatIsEditedEmptiesTheUndoHistory) {
  NewPose(*s);
  s->selectedPose = -1;
  NewPose(*s);
  const auto emptied = [&](const char* what, auto change) {
    AddUndo(E());
    ASSERT_FALSE(E().undo.empty()) << what;
    change();
    EXPECT_TRUE(E().undo.empty()) << what;
  };
  emptied("select a pose", [&] { SelectPose(*s, 0, 0); });
  emptied("make it a blend", [&] { MakePoseBlend(*s); });
  emptied("make it plain", [&] { MakePosePlain(*s); });
  emptied("delete it", [&] { DeletePose(*s); });
  SelectMovement(*s, 1);
  AnimCommand(*s, 0, 1);
  emptied("select a movement", [&] { SelectMovement(*s, 2); });
  emptied("remove the animations", [&] {
    AnimFileCommand(*s, 1);
    lastAnswer(&s->prss, lastWords[0], lastWords[1]);
  });
}

// The blend test starts with the seating checked for the pose and the rig posed at the test
// height, no frame shown.
TEST_F(AnimScreen, TheBlendTestStartsWithTheSeatingCheckedAndTheRigPosed) {
  NewPose(*s);
  MakePoseBlend(*s);
  Pose& p = skeleton.poses[0];
  p.seatings = 1u << 5;
  s->selectedSeating = 2;
  p.high.frames[0].transforms[HAND].translation.x += 8000;
  p.lowHeight = 0.0f;
  p.highHeight = 1.0f;
  s->testHeight = 1.0f;
  StartBlendTest(*s);
  ASSERT_EQ(s->blendTest, 1);
  EXPECT_EQ(s->selectedSeating, 5);
  EXPECT_EQ(E().currentFrame, nullptr);
  EXPECT_EQ(rig.bones[HAND].position.x, p.high.frames[0].transforms[HAND].translation.x);
  EXPECT_EQ(E().selectedBone, -1);
}

// Letting go of the keys gives back the parent locked for the turn and its colour.
TEST_F(AnimScreen, LettingGoOfTheKeysGivesBackTheTemporaryLock) {
  Movement(1, 1, 0);
  E().selectedBone = FOREARM;
  const auto act = [&](const char* keys) {
    for (const char* k = "QWEASD"; *k; ++k) KeyState[int(*k)] = 0;
    for (const char* k = keys; *k; ++k) KeyState[int(*k)] = 1;
    const int skipped = FrameSkipped;
    FrameSkipped = 1;
    s->prss.act(&s->prss);
    FrameSkipped = skipped;
  };
  act("Q");
  ASSERT_EQ(E().tempLocked, UPPER_ARM);
  EXPECT_EQ(E().links->links[UPPER_ARM].locked, 1u);
  EXPECT_EQ(rig.bones[FOREARM].colour, BONE_COLOUR_FREE) << "coloured by its part in the turn";
  act("");
  EXPECT_EQ(E().tempLocked, -1);
  EXPECT_EQ(E().links->links[UPPER_ARM].locked, 0u);
  EXPECT_EQ(rig.bones[FOREARM].colour, skeleton.bones[3].colour) << "back in its own colour";
}

// A frame drawn: the screen's buttons, the handles and the bone labels (none while a blend is
// tested), the view taken from the editor's view; closing leaves the rig in its own colours.
TEST_F(AnimScreen, AFrameDrawsTheButtonsAndLabelsAndTakesTheView) {
  FrontView front;
  Movement(1, 1, 0);
  E().selectedBone = HEAD;
  const int off = EditorDrawingOff, skipped = FrameSkipped;
  EditorDrawingOff = 0;
  FrameSkipped = 0;
  ClearInterface();
  s->prss.act(&s->prss);
  EXPECT_NE(Shown("save skeleton"), nullptr);
  EXPECT_NE(Shown("#3"), nullptr);
  EXPECT_NE(Shown("Z"), nullptr) << "the handles";
  EXPECT_EQ(E().view.width, 1024);
  EXPECT_EQ(E().view.height, 768);
  EXPECT_EQ(E().view.eye.y, 4 << 16);
  EXPECT_EQ(E().view.perspective, 1);
  s->blendTest = 1;
  ClearInterface();
  s->prss.act(&s->prss);
  EXPECT_EQ(Shown("#3"), nullptr) << "no labels while a blend is tested";
  s->blendTest = 0;
  // A drawn frame asks for the next only while something moves: here a test of the animation.
  const int keep = KeepDrawing;
  KeepDrawing = 0;
  s->prss.act(&s->prss);
  EXPECT_EQ(KeepDrawing, 0) << "nothing moves: the figure holds still";
  s->testing = 1;
  s->prss.act(&s->prss);
  EXPECT_EQ(KeepDrawing, 1) << "a test plays";
  s->testing = 0;
  KeepDrawing = keep;
  EditorDrawingOff = off;
  FrameSkipped = skipped;
  ClearInterface();
  E().links->links[HAND].locked = 1;
  rig.bones[HAND].colour = BONE_COLOUR_LOCKED;
  Close();
  EXPECT_EQ(rig.bones[HAND].colour, skeleton.bones[4].colour);
}


// A handle that would reach past the largest coordinate ends at it: the bone 1000 units short
// of the edge, its handle about 13000 long.
TEST_F(AnimScreen, AHandleReachingPastTheLargestCoordinateEndsAtIt) {
  FrontView front(INT32_MAX - (1 << 15));  // the eye half a metre short of the edge
  Movement(1, 1, 0);
  E().selectedBone = HAND;
  rig.bones[HAND].position = {INT32_MAX - 1000, 0, 1 << 16};
  ClearInterface();
  DrawAnimHandles(*s);
  const IntVector& p = rig.bones[HAND].position;
  const int32_t c[3] = {p.x, p.y, p.z};
  float cx, cy, ex, ey;
  int32_t depth, endDepth;
  ASSERT_EQ(ProjectPointToScreen(c, &cx, &cy, &depth), 1);
  ASSERT_GT(double(depth) * 0.8f / 16.0, 1000.0) << "the handle would pass the edge";
  const int32_t end[3] = {INT32_MAX, p.y, p.z};
  ASSERT_EQ(ProjectPointToScreen(end, &ex, &ey, &endDepth), 1);
  const InterfaceButton* x = Shown("X");
  ASSERT_NE(x, nullptr);
  EXPECT_NEAR((x->left + x->right) / 2.0, ex, 1.01);
  EXPECT_NEAR(E().handleScreen[0][0], ex - cx, 0.01);
  ClearInterface();
}


// While a question is open the screen's frame ends after the question's: none of the
// screen's buttons.
TEST_F(AnimScreen, WhileAQuestionIsOpenTheFrameRunsOnlyTheQuestion) {
  Movement(1, 1, 0);
  AskMoveAll(*s, 0);
  ASSERT_NE(s->prss.sub, nullptr);
  const int off = EditorDrawingOff, skipped = FrameSkipped;
  EditorDrawingOff = 0;
  FrameSkipped = 0;
  ClearInterface();
  s->prss.act(&s->prss);
  EditorDrawingOff = off;
  FrameSkipped = skipped;
  EXPECT_EQ(Shown("save skeleton"), nullptr);
  CancelTextEntry();
  ClearInterface();
}


// While a blend is tested the pose panel edits the test height on its own row under "plain"
// and "blend", in place of the animation height.
TEST_F(AnimScreen, TheTestHeightHasItsOwnRowUnderPlainAndBlend) {
  NewPose(*s);
  MakePoseBlend(*s);
  StartBlendTest(*s);
  ASSERT_EQ(s->blendTest, 1);
  Draw();
  const int x = 6 * ButtonWidth;
  const InterfaceButton* blend = Shown("blend");
  ASSERT_NE(blend, nullptr);
  const InterfaceButton* test = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].word == reinterpret_cast<uintptr_t>(&s->testHeight) && InterfaceButtons[i].handler) {
      test = &InterfaceButtons[i];
      break;
    }
  ASSERT_NE(test, nullptr);
  EXPECT_EQ(test->top, blend->top + ButtonHeight);
  EXPECT_EQ(test->left, x);
  for (int i = 0; i < ButtonCount; ++i)
    EXPECT_NE(InterfaceButtons[i].word, reinterpret_cast<uintptr_t>(&skeleton.poses[0].highHeight)) << "no animation height";
  // An edit past the pose's heights is held within them.
  const InterfaceButton edit = *test;
  skeleton.poses[0].lowHeight = 0.25f;
  skeleton.poses[0].highHeight = 0.75f;
  s->testHeight = 5.0f;
  Press(edit);
  EXPECT_FLOAT_EQ(s->testHeight, 0.75f);
  EXPECT_EQ(TextOf(edit), "test height 0.75") << "a plain share of the height, not an angle";
  ClearInterface();
}

// The screen on the null device, so that the hook's lines reach the 3D line stream.
class AnimScreenOnDevice : public OnNullDevice<AnimScreen> {
 protected:
  // The 3D line vertices one frame's handles and hook draw.
  uint32_t HookLineVertices() {
    ClearInterface();
    DrawAnimHandles(*s);
    EXPECT_EQ(BeginLineBatch3D(), 1);
    DrawAnimEditorHook(s);
    const uint32_t n = StreamLines3D.vertexCount;
    EndLineBatch3D();
    return n;
  }
};

// The frame hook draws a line from the selected bone to each of its three axis handles: three
// lines, six vertices more than the same frame without a selected bone, none left out.
TEST_F(AnimScreenOnDevice, TheHookDrawsALineToEachOfTheThreeHandles) {
  ASSERT_TRUE(NullDevice::ready_);
  FrontView front;
  E().selectedBone = -1;
  const uint32_t without = HookLineVertices();
  E().selectedBone = FOREARM;
  EXPECT_EQ(HookLineVertices(), without + 6u);
  ClearInterface();
}

// The line to a handle that would reach past the largest coordinate ends at it, beside the
// bone, and not wrapped round to the far side of the world: the bone 1000 units short of the
// edge, its X handle about 13000 long.
TEST_F(AnimScreenOnDevice, AHandleLinePastTheLargestCoordinateEndsAtIt) {
  ASSERT_TRUE(NullDevice::ready_);
  FrontView front(INT32_MAX - (1 << 15));
  Movement(1, 1, 0);
  E().selectedBone = HAND;
  rig.bones[HAND].position = {INT32_MAX - 1000, 0, 1 << 16};
  ClearInterface();
  DrawAnimHandles(*s);
  ASSERT_EQ(BeginLineBatch3D(), 1);
  DrawAnimEditorHook(s);
  // The hook's last three lines are the handles', X first.
  ASSERT_GE(StreamLines3D.vertexCount, 6u);
  const VertexLine3D* x = reinterpret_cast<const VertexLine3D*>(StreamLines3D.vertexWrite) - 6;
  EXPECT_FLOAT_EQ(x[0].x, float((INT32_MAX - 1000) / 65536.0));
  EXPECT_FLOAT_EQ(x[1].x, float(INT32_MAX / 65536.0));
  EXPECT_FLOAT_EQ(x[1].z, 1.0f);
  EndLineBatch3D();
  ClearInterface();
}

// A frame takes the editor's view: its axes, all three rows, as the view gives them.
TEST_F(AnimScreen, AFrameTakesAllThreeRowsOfTheViewsAxes) {
  FrontView front;
  Movement(1, 1, 0);
  const int off = EditorDrawingOff, skipped = FrameSkipped;
  EditorDrawingOff = 0;
  FrameSkipped = 0;
  ClearInterface();
  for (float& v : E().view.orientation) v = 7.0f;
  s->prss.act(&s->prss);
  float axes[3][3];
  GetViewAxes(axes);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(E().view.orientation[r * 3 + c], axes[r][c]) << r << " " << c;
  EditorDrawingOff = off;
  FrameSkipped = skipped;
  ClearInterface();
}

// The test's phase is held to 0..1; one that is not a number counts as 0.
TEST_F(AnimScreen, TheTestsPhaseIsHeldToZeroToOne) {
  Movement(1, 3, 0);
  SetPhase(*s, 1.5f);
  EXPECT_EQ(E().phase, 1.0f);
  SetPhase(*s, -0.25f);
  EXPECT_EQ(E().phase, 0.0f);
  SetPhase(*s, 0.25f);
  EXPECT_EQ(E().phase, 0.25f);
  SetPhase(*s, std::nanf(""));
  EXPECT_EQ(E().phase, 0.0f);
}

// With the driver's animation (no bone boxes) the hook draws the handles' three lines and
// nothing else; with no bone selected it draws none, nothing left over from the frame before.
TEST_F(AnimScreenOnDevice, WithoutASelectedBoneNoHandleLinesAreDrawn) {
  ASSERT_TRUE(NullDevice::ready_);
  FrontView front;
  E().driverAnimation = new Animation;  // the screen frees it when it closes
  E().selectedBone = FOREARM;
  EXPECT_EQ(HookLineVertices(), 6u);
  E().selectedBone = -1;
  EXPECT_EQ(HookLineVertices(), 0u);
  ClearInterface();
}

}  // namespace

// The pose's flag buttons flip the pose's flags (word 0 and 1) and its "suitable for" buttons
// its seatings (word 2 + the seating's bit), each only its own bit.
TEST_F(AnimScreen, ThePoseFlagAndSeatingButtonsFlipTheirOwnBits) {
  const int x = 6 * ButtonWidth, end = 14 * ButtonWidth;
  Draw();
  auto row = RowAt(ButtonHeight, x, end);
  ASSERT_EQ(row.size(), 1u);
  Press(*row[0]);  // "new pose"
  ASSERT_EQ(skeleton.poseCount, 1);
  Pose& p = skeleton.poses[0];
  p.flags = 0;
  p.seatings = 0;
  s->selectedPose = 0;
  // The button showing the text with the word.
  const auto button = [&](const char* text, uintptr_t word) -> const InterfaceButton* {
    Draw();
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].handler && InterfaceButtons[i].word == word && TextOf(InterfaceButtons[i]) == text)
        return &InterfaceButtons[i];
    return nullptr;
  };
  const InterfaceButton* first = button("standing area", 2);
  ASSERT_NE(first, nullptr);
  Press(*first);
  EXPECT_EQ(p.seatings, 1u) << "the first seating";
  EXPECT_EQ(p.flags, 0u);
  const InterfaceButton* tenth = button("point right", 11);
  ASSERT_NE(tenth, nullptr);
  Press(*tenth);
  EXPECT_EQ(p.seatings, 1u | 1u << 9) << "the tenth seating";
  const InterfaceButton* excited = button("Excited", 1);
  ASSERT_NE(excited, nullptr);
  Press(*excited);
  EXPECT_EQ(p.flags, POSE_EXCITED);
  EXPECT_EQ(p.seatings, 1u | 1u << 9);
}

// A drawn frame with nothing moving leaves no redraw asked for: the screen rests.
TEST_F(AnimScreen, ADrawnFrameWithNothingMovingRests) {
  FrontView front;
  Movement(1, 1, 0);
  const int off = EditorDrawingOff, skipped = FrameSkipped;
  EditorDrawingOff = 0;
  FrameSkipped = 0;
  ClearInterface();
  RedrawRequested = 1;
  s->prss.act(&s->prss);
  EXPECT_EQ(RedrawRequested, 0);
  EditorDrawingOff = off;
  FrameSkipped = skipped;
  ClearInterface();
}

// Deleting a frame is recorded for undo, and the undo brings the frame back in its place; a
// refused delete records nothing.
TEST_F(AnimScreen, ADeletedFrameComesBackWithUndo) {
  Movement(1, 3, 1);
  for (int f = 0; f < 3; ++f) E().selected->frames[f].transforms[HEAD].translation.z = 10 + f;
  SetCurrentFrame(E(), 1);
  FrameCommand(*s, FRAME_DEL);
  ASSERT_EQ(E().selected->frameCount, 2);
  EXPECT_EQ(E().undo.size(), 1u);
  UndoStep(*s);
  ASSERT_EQ(E().selected->frameCount, 3);
  for (int f = 0; f < 3; ++f) EXPECT_EQ(E().selected->frames[f].transforms[HEAD].translation.z, 10 + f) << f;
  Movement(2, 1, 0);
  FrameCommand(*s, FRAME_DEL);
  EXPECT_EQ(Box(), "An animation needs at least one frame|-");
  EXPECT_TRUE(E().undo.empty()) << "a refused delete records nothing";
}

// Deleting the first frame shows the frame that takes its place, the new first frame: of
// 10 11 12 the delete leaves 11 12 on 11; with copy and flip, frame 0 of four takes its mirror
// frame 3 along and leaves 11 12 on 11.
TEST_F(AnimScreen, DeletingTheFirstFrameShowsTheNewFirstFrame) {
  for (const int flip : {0, 1}) {
    SCOPED_TRACE(flip);
    E().autoCopyAndFlip = uint8_t(flip);
    const int frames = flip ? 4 : 3;
    Movement(1 + flip, frames, 0);
    for (int f = 0; f < frames; ++f) E().selected->frames[f].transforms[HEAD].translation.z = 10 + f;
    SetCurrentFrame(E(), 0);
    FrameCommand(*s, FRAME_DEL);
    ASSERT_EQ(E().selected->frameCount, 2);
    EXPECT_EQ(E().selected->frames[0].transforms[HEAD].translation.z, 11);
    EXPECT_EQ(E().selected->frames[1].transforms[HEAD].translation.z, 12);
    EXPECT_EQ(CurrentFrameIndex(E()), 0);
  }
}

// The blend test's height places the rig between the low and the high pose by its share of
// the span: with heights 0.2 and 0.6, a test height of 0.5 is three quarters of the way, so a
// hand 5000 further in the high pose stands 3750 along.  Heights that meet leave no span, and
// the rig takes the low pose.
TEST_F(AnimScreen, TheTestHeightBlendsByItsShareOfTheSpanAndNoSpanGivesTheLowPose) {
  Movement(1, 2, 0);
  NewPose(*s);
  MakePoseBlend(*s);
  Pose& p = skeleton.poses[0];
  p.high.frames[0].transforms[HAND].translation.x = p.low.frames[0].transforms[HAND].translation.x + 5000;
  const int32_t low = p.low.frames[0].transforms[HAND].translation.x;
  s->blendTest = 1;
  p.lowHeight = 0.2f;
  p.highHeight = 0.6f;
  SetTestHeight(*s, 0.5f);
  EXPECT_NEAR(rig.bones[HAND].position.x, low + 3750, 1);
  p.lowHeight = p.highHeight = 0.5f;
  rig.bones[HAND].position.x = low + 77;
  SetTestHeight(*s, 0.5f);
  EXPECT_EQ(rig.bones[HAND].position.x, low) << "no span: the low pose";
}

// With copy and flip, deleting a frame of the second half takes its mirror frame, which
// stands before it, along: of 10 11 12 13 14, frame 3 goes with frame 1, leaving 10 12 14 on
// 14, the frame that followed the deleted one.
TEST_F(AnimScreen, DeletingAFrameOfTheSecondHalfTakesItsMirrorBeforeIt) {
  E().autoCopyAndFlip = 1;
  Movement(3, 5, 3);
  for (int f = 0; f < 5; ++f) E().selected->frames[f].transforms[HEAD].translation.z = 10 + f;
  SetCurrentFrame(E(), 3);
  FrameCommand(*s, FRAME_DEL);
  ASSERT_EQ(E().selected->frameCount, 3);
  const int left[3] = {10, 12, 14};
  for (int f = 0; f < 3; ++f) EXPECT_EQ(E().selected->frames[f].transforms[HEAD].translation.z, left[f]) << f;
  EXPECT_EQ(CurrentFrameIndex(E()), 2);
}

// An undo that brings back a frame count shows the first frame and turns the steering wheel
// to its phase: with a 30 degree lock, a scale of 2 and a wheel figure of pi, phase 0 turns
// it +(pi / 6) x 2 / pi = 1/3.
TEST_F(AnimScreen, AnUndoTurnsTheSteeringWheelToTheShownFramesPhase) {
  static float output;
  AnimVehicleHooks.steeringOutput = [] { return &output; };
  AnimVehicleHooks.steeringLock = [] { return float(30.0 * PI / 180.0); };
  AnimVehicleHooks.wheelTurn = [] { return float(PI); };
  Movement(1, 3, 2);
  E().selected->scale = 2.0f;
  SetCurrentFrame(E(), 2);
  FrameCommand(*s, FRAME_DEL);
  ASSERT_EQ(E().selected->frameCount, 2);
  output = 7.0f;
  UndoStep(*s);
  ASSERT_EQ(E().selected->frameCount, 3);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  EXPECT_EQ(E().phase, 0.0f);
  EXPECT_NEAR(output, 1.0 / 3.0, 1e-6);
  AnimVehicleHooks = AnimVehicleLink{};
}
