// point_values_test.cpp - the drive side (synchronised, updated, chosen, locked) and the frame
// point values (typed, copied, pasted, stepped) of the vehicle editor on the sample road car.
#include <cmath>

#include "core/window_state.h"
#include "editor_fixture.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/frame_points.h"

namespace {

class PointValues : public EditorTest {
 protected:
  void Select(int point) { e->selection.selectedPoint = point; }
  FramePoint& Point(int i) { return car().framePoints[i]; }
  void TypeValue(int axis, const char* prompt, const char* text) {
    VehicleEditor::PointValueAction(e, CLICK_LEFT, uintptr_t(axis));
    Type(prompt, text);
  }
};

int sideTold = -1;

}  // namespace

TEST_F(PointValues, SixMetresIsTheLimitOfATypedValue) {
  ASSERT_GT(car().framePointCount, 1);
  const std::vector<uint8_t> loaded = Bytes();
  Select(1);
  VehicleEditor::PointValueAction(e, CLICK_LEFT, 1);
  ASSERT_EQ(OpenTextEntry.open, 1);
  char start[32];
  std::snprintf(start, sizeof start, "%.3f", Point(1).y / 65536.0);
  EXPECT_STREQ(OpenTextEntry.initialText, start) << "the entry starts from the value";
  ASSERT_EQ(ConfirmTextEntry("6.0"), 1);
  EXPECT_EQ(Point(1).y, 393216);
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "enter point value");

  const std::vector<uint8_t> before = Bytes();
  const int nodes = VehicleUndo::NumNodes;
  TypeValue(0, "Enter new value for X (right)", "6.0001");
  EXPECT_TRUE(SaidBox("New value is too high"));
  TypeValue(2, "Enter new value for Z (up)", "-6,0001");
  EXPECT_TRUE(SaidBox("New value is too low"));
  TypeValue(2, "Enter new value for Z (up)", "");
  EXPECT_EQ(Bytes(), before) << "refusals and an empty text change nothing";
  EXPECT_EQ(VehicleUndo::NumNodes, nodes);

  TypeValue(2, "Enter new value for Z (up)", "-1,25");
  EXPECT_EQ(Point(1).z, -81920) << "a comma is the decimal point";
  TypeValue(0, "Enter new value for X (right)", "-6.0");
  EXPECT_EQ(Point(1).x, -393216) << "minus six metres is within the limit too";
  VehicleEditor::UndoRedo(e, 0, 0);
  VehicleEditor::UndoRedo(e, 0, 0);
  VehicleEditor::UndoRedo(e, 0, 0);
  EXPECT_EQ(Bytes(), loaded);

  // Over a page of its own (a sub-screen open) the refusal is a warning line, not a box.
  Prss over{};
  e->prss.sub = &over;
  Reports() = Caught{};
  EXPECT_EQ(VehicleEditor::CheckPointValueRange(*e, 6 * 65536), 0);
  EXPECT_EQ(VehicleEditor::CheckPointValueRange(*e, -6 * 65536), 0);
  EXPECT_EQ(VehicleEditor::CheckPointValueRange(*e, 6 * 65536 + 1), 1);
  e->prss.sub = nullptr;
  EXPECT_TRUE(Reports().boxes.empty());
  ASSERT_EQ(Reports().lines.size(), 1u);
  EXPECT_EQ(Reports().lines[0], "New value is too high");
}

TEST_F(PointValues, CtrlRightCopiesAndShiftRightPastesACoordinate) {
  Select(0);
  const int32_t x = Point(0).x;
  VehicleEditor::PointValueAction(e, CLICK_CTRL | CLICK_RIGHT, 0);
  EXPECT_EQ(OpenTextEntry.open, 0);
  EXPECT_FLOAT_EQ(e->copiedPointValue, float(x / 65536.0));
  Select(1);
  VehicleEditor::PointValueAction(e, CLICK_SHIFT | CLICK_RIGHT, 2);
  EXPECT_EQ(Point(1).z, x) << "pasted on another axis of another point";
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "paste point value");
  // A copied value beyond the limit is refused on pasting.
  e->copiedPointValue = 7.0f;
  const std::vector<uint8_t> before = Bytes();
  VehicleEditor::PointValueAction(e, CLICK_SHIFT | CLICK_RIGHT, 0);
  EXPECT_TRUE(SaidBox("New value is too high"));
  EXPECT_EQ(Bytes(), before);
}

TEST_F(PointValues, StepsFollowTheClickAndMoveOnePointOrEveryVertex) {
  struct Case {
    int click;
    int32_t step;  // 16.16
  };
  const Case cases[] = {
      {CLICK_LEFT, 66},                              // 0.001 m
      {CLICK_LEFT | CLICK_CTRL, 7},                  // 0.0001
      {CLICK_LEFT | CLICK_SHIFT, 655},               // 0.01
      {CLICK_LEFT | CLICK_CTRL | CLICK_SHIFT, 6554}, // 0.1
      {CLICK_RIGHT, 655},
      {CLICK_RIGHT | CLICK_CTRL, 66},
      {CLICK_RIGHT | CLICK_SHIFT, 6554},
      {CLICK_RIGHT | CLICK_CTRL | CLICK_SHIFT, 65536},
  };
  Select(2);
  for (const Case& c : cases) {
    const int32_t y = Point(2).y, other = Point(3).y;
    VehicleEditor::MovePoints(e, c.click, 3);  // y, forward
    EXPECT_EQ(Point(2).y - y, c.step) << c.click;
    EXPECT_EQ(Point(3).y, other);
    VehicleEditor::MovePoints(e, c.click, 2);  // y, back
    EXPECT_EQ(Point(2).y, y) << c.click;
  }
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "move y");

  // None selected: every vertex moves, the pivots stay.
  Select(NO_POINT);
  std::vector<FramePoint> was(car().framePoints, car().framePoints + car().framePointCount);
  const int nodes = VehicleUndo::NumNodes;
  VehicleEditor::MovePoints(e, CLICK_LEFT, 1);
  VehicleEditor::MovePoints(e, CLICK_LEFT, 1);
  EXPECT_EQ(VehicleUndo::NumNodes, nodes + 1) << "steps of one button merge";
  int vertices = 0;
  for (int i = 0; i < car().framePointCount; ++i) {
    const int32_t expected = was[size_t(i)].x + (was[size_t(i)].type == 0 ? 132 : 0);
    EXPECT_EQ(Point(i).x, expected) << i;
    vertices += was[size_t(i)].type == 0;
  }
  EXPECT_GT(vertices, 0);
  EXPECT_LT(vertices, car().framePointCount) << "the sample has pivots too";
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "move x");
}

// The six step buttons are x down and up, y down and up, z down and up (words 0 to 5): each
// moves its own coordinate of the selected point by 0.001 m (66 in 16.16) and records its own
// undo node; a seventh word is no button and moves nothing.
TEST_F(PointValues, TheSixStepButtonsMoveEachAxisDownAndUpAndNoOtherWordMoves) {
  const char* const names[3] = {"move x", "move y", "move z"};
  Select(2);
  for (int word = 0; word < 6; ++word) {
    const FramePoint was = Point(2);
    const int nodes = VehicleUndo::NumNodes;
    VehicleEditor::MovePoints(e, CLICK_LEFT, uintptr_t(word));
    const int axis = word / 2, step = word % 2 ? 66 : -66;
    EXPECT_EQ(Point(2).x - was.x, axis == 0 ? step : 0) << "word " << word;
    EXPECT_EQ(Point(2).y - was.y, axis == 1 ? step : 0) << "word " << word;
    EXPECT_EQ(Point(2).z - was.z, axis == 2 ? step : 0) << "word " << word;
    EXPECT_EQ(VehicleUndo::NumNodes, nodes + 1) << "word " << word;
    EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, names[axis]) << "word " << word;
  }
  const FramePoint was = Point(2);
  const int nodes = VehicleUndo::NumNodes;
  VehicleEditor::MovePoints(e, CLICK_LEFT, 6);
  EXPECT_EQ(Point(2).x, was.x);
  EXPECT_EQ(Point(2).y, was.y);
  EXPECT_EQ(Point(2).z, was.z);
  EXPECT_EQ(VehicleUndo::NumNodes, nodes) << "nothing recorded";
}

TEST_F(PointValues, TheDriveSideIsSyncedUpdatedChosenAndLocked) {
  sideTold = -1;
  const auto kept = EditorShellHooks.driveSideChanged;
  EditorShellHooks.driveSideChanged = [](int left) { sideTold = left; };
  car().options &= ~OPT1_DRIVE_SIDE_LOCKED;

  // 0.1 m left of the centre: too close to tell the program, but the update decides by side.
  car().driverPosition.x = -0.1f;
  DriveSideLeft = 0;
  VehicleEditor::SyncDriveSide(*e);
  EXPECT_EQ(DriveSideLeft, 0);
  EXPECT_EQ(sideTold, -1);
  VehicleEditor::UpdateDriveSide(*e);
  EXPECT_EQ(DriveSideLeft, 1);
  EXPECT_EQ(sideTold, 1);

  // An off-centre driver: the position change tells the program; choosing the other side
  // mirrors the car, choosing its own side does not.
  car().driverPosition.x = 0.35f;
  VehicleEditor::DriverPositionChanged(*e);
  EXPECT_EQ(DriveSideLeft, 0);
  VehicleEditor::SetDriveSide(e, 0, 0);
  EXPECT_EQ(car().mirrored, 0);
  VehicleEditor::SetDriveSide(e, 0, 1);
  EXPECT_EQ(DriveSideLeft, 1);
  EXPECT_EQ(sideTold, 1);
  EXPECT_EQ(car().mirrored, 1) << "the right-hand driver moved to the left";

  // The lock: a question each way, recorded on yes.
  const std::vector<uint8_t> before = Bytes();
  VehicleEditor::ToggleDriveSideLock(e, 0, 0);
  EXPECT_TRUE(Asked("Set vehicle to have a locked drive side?"));
  EXPECT_EQ(Bytes(), before) << "nothing before the answer";
  AnswerYes();
  EXPECT_NE(car().options & OPT1_DRIVE_SIDE_LOCKED, 0u);
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "lock drive side");
  EXPECT_EQ(DriveSideLeft, 0) << "the side the driver's place gives";
  EXPECT_EQ(car().mirrored, 0);
  VehicleEditor::ToggleDriveSideLock(e, 0, 0);
  EXPECT_TRUE(Asked("Allow user to select the drive side?"));
  AnswerYes();
  EXPECT_EQ(car().options & OPT1_DRIVE_SIDE_LOCKED, 0u);
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "unlock drive side");
  EditorShellHooks.driveSideChanged = kept;
}
