// frame_points_test.cpp - the editor's frame tools on the sample "Runabout" (8 points: four
// vertices, then the front lower pivot 4, the front top 5, the rear lower pivot 6 and the
// rear upper pivot 7; 7 tubes, 4 and 5 suspension links to -5 and -6): points made, copied,
// deleted and dragged, tubes added and deleted, the frame deleted; refusals change nothing.
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "core/fixed_math.h"
#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "tests/vehicle_editor/editor_fixture.h"
#include "ui/screen_labels.h"
#include "vehicle/car_geometry.h"
#include "vehicle_editor/frame_points.h"

using namespace VehicleUndo;

namespace {

class Frame : public EditorTest {
 protected:
  // One successful change: one node, one set-up of the car.
  template <class Change>
  void ExpectOneChange(const char* name, Change change) {
    const int nodes = NumNodes;
    const uint32_t setups = e->carSetups;
    change();
    EXPECT_EQ(NumNodes, nodes + 1) << name;
    EXPECT_STREQ(Slots[NumNodes].name, name);
    EXPECT_EQ(e->carSetups, setups + 1) << name;
    EXPECT_EQ(e->selection.saved, 0);
  }
  // A refusal: the frame, the history and the car's set-up count are untouched.
  template <class Change>
  void ExpectRefused(const char* message, Change change) {
    const std::vector<uint8_t> before = Bytes();
    const int nodes = NumNodes;
    const uint32_t setups = e->carSetups;
    Reports().boxes.clear();
    change();
    EXPECT_EQ(Bytes(), before) << message;
    EXPECT_EQ(NumNodes, nodes) << message;
    EXPECT_EQ(e->carSetups, setups) << message;
    EXPECT_TRUE(SaidBox(message) || SaidInfo(message)) << message;
  }
  void Select(int point, int tube) {
    e->selection.selectedPoint = point;
    e->selection.selectedTube = tube;
  }
};

TEST_F(Frame, TheSampleHasTheFrameTheseTestsExpect) {
  ASSERT_EQ(car().framePointCount, 8);
  ASSERT_EQ(car().frameTubeCount, 7);
  EXPECT_EQ(car().framePoints[4].type, 1);
  EXPECT_EQ(car().framePoints[6].type, 1);
  EXPECT_EQ(car().frameTubes[4].b, -5);
  EXPECT_EQ(car().frameTubes[5].b, -6);
}

TEST_F(Frame, NewAndDuplicatePointsAreAppendedAndSelected) {
  ExpectOneChange("new point", [&] { VehicleEditor::PointAction(e, 0, 0); });
  ASSERT_EQ(car().framePointCount, 9);
  EXPECT_EQ(e->selection.selectedPoint, 8);
  const FramePoint zero{};
  EXPECT_EQ(std::memcmp(&car().framePoints[8], &zero, sizeof zero), 0);
  Select(4, -1);
  const FramePoint pivot = car().framePoints[4];
  ExpectOneChange("duplicate point", [&] { VehicleEditor::PointAction(e, 0, 1); });
  ASSERT_EQ(car().framePointCount, 10);
  EXPECT_EQ(e->selection.selectedPoint, 9);
  EXPECT_EQ(std::memcmp(&car().framePoints[9], &pivot, sizeof pivot), 0);
  // Without a selected frame point there is nothing to copy.
  Select(NO_POINT, -1);
  const int nodes = NumNodes;
  VehicleEditor::PointAction(e, 0, 1);
  EXPECT_EQ(car().framePointCount, 10);
  EXPECT_EQ(NumNodes, nodes);
}

TEST_F(Frame, DeletingPointsRenumbersTheLastPointsTubesAndFreesAnEmptyArray) {
  Select(0, -1);
  ExpectRefused("Point is used by a tube", [&] { VehicleEditor::PointAction(e, 0, 2); });
  EXPECT_EQ(e->selection.selectedPoint, 0);
  // Two new points 8 and 9; a tube from 0 to 9; deleting 8 moves 9 into its slot.
  VehicleEditor::PointAction(e, 0, 0);
  VehicleEditor::PointAction(e, 0, 0);
  car().framePoints[9].x = 12345;
  Select(0, -1);
  ASSERT_EQ(VehicleEditor::AddTube(*e, 9), 1);
  const int tube = car().frameTubeCount - 1;
  Select(8, -1);
  ExpectOneChange("delete point", [&] { VehicleEditor::DeleteSelected(*e); });
  ASSERT_EQ(car().framePointCount, 9);
  EXPECT_EQ(car().framePoints[8].x, 12345);
  EXPECT_EQ(car().frameTubes[tube].a, 0);
  EXPECT_EQ(car().frameTubes[tube].b, 8);
  EXPECT_EQ(e->selection.selectedPoint, NO_POINT);
  // A frame of one point: deleting it frees the array.
  VehicleEditor::DeleteFrame(*e);
  while (car().framePointCount) {
    Select(0, -1);
    VehicleEditor::DeleteSelected(*e);
  }
  VehicleEditor::PointAction(e, 0, 0);
  ASSERT_EQ(car().framePointCount, 1);
  ExpectOneChange("delete point", [&] { VehicleEditor::PointAction(e, 0, 2); });
  EXPECT_EQ(car().framePointCount, 0);
  EXPECT_EQ(car().framePoints, nullptr);
  EXPECT_EQ(e->selection.selectedPoint, NO_POINT);
}

// A point's label clicked after the last point was deleted selects an index one past the
// frame (8 on the sample's 8 points): no marker shows and the delete key records nothing.
TEST_F(Frame, ASelectionOnePastTheLastPointIsNoFramePoint) {
  ASSERT_EQ(car().framePointCount, 8);
  Select(NO_POINT, -1);
  e->markedPointShown = 0;
  VehicleEditor::SelectPoint(e, 0, 8);
  EXPECT_EQ(e->selection.selectedPoint, 8);
  EXPECT_EQ(e->markedPointShown, 0) << "no marker for a point that is not there";
  const int nodes = NumNodes;
  const uint32_t setups = e->carSetups;
  VehicleEditor::DeleteSelected(*e);
  EXPECT_EQ(NumNodes, nodes) << "no delete recorded";
  EXPECT_EQ(e->carSetups, setups);
  EXPECT_EQ(car().framePointCount, 8);
  EXPECT_EQ(e->markedPointShown, 0);
}

TEST_F(Frame, DeletingATubeMovesTheLastIntoItsSlotAndTheDeleteKeyChoosesByTheSelection) {
  const FrameTube last = car().frameTubes[6];
  Select(NO_POINT, 1);
  ExpectOneChange("delete tube", [&] { VehicleEditor::Key(&e->prss, KEYCODE_DELETE); });
  ASSERT_EQ(car().frameTubeCount, 6);
  EXPECT_EQ(car().frameTubes[1].a, last.a);
  EXPECT_EQ(car().frameTubes[1].b, last.b);
  EXPECT_EQ(e->selection.selectedTube, -1);
  // The first tube too; the one past the last is no tube.
  const FrameTube lastNow = car().frameTubes[5];
  Select(NO_POINT, 0);
  ExpectOneChange("delete tube", [&] { VehicleEditor::Key(&e->prss, KEYCODE_DELETE); });
  ASSERT_EQ(car().frameTubeCount, 5);
  EXPECT_EQ(car().frameTubes[0].a, lastNow.a);
  const int tubeNodes = NumNodes;
  Select(NO_POINT, 5);
  VehicleEditor::Key(&e->prss, KEYCODE_DELETE);
  VehicleEditor::TubeAction(e, 0, 0);
  EXPECT_EQ(car().frameTubeCount, 5);
  EXPECT_EQ(NumNodes, tubeNodes);
  RemoveFrameTube(car(), 5);  // one past the last, and before the first: no tube
  RemoveFrameTube(car(), -1);
  EXPECT_EQ(car().frameTubeCount, 5);
  // Word 1 only clears the selection; both selected: the message, nothing deleted.
  Select(NO_POINT, 2);
  VehicleEditor::TubeAction(e, 0, 1);
  EXPECT_EQ(e->selection.selectedTube, -1);
  Select(2, 2);
  const int nodes = NumNodes;
  VehicleEditor::Key(&e->prss, KEYCODE_DELETE);
  EXPECT_TRUE(SaidInfo("A point and a tube are both selected"));
  EXPECT_EQ(NumNodes, nodes);
  EXPECT_EQ(car().frameTubeCount, 5);
}

TEST_F(Frame, AddingATubeRefusesWheelPointsItCannotUse) {
  Select(-5, -1);
  ExpectRefused("Can't add tube between two wheel points", [&] { VehicleEditor::AddTube(*e, -6); });
  Select(0, -1);
  ExpectRefused("Unknown wheel point", [&] { VehicleEditor::AddTube(*e, -9); });
  // The rear axle with one wheel: its wheel points take no tube.
  for (int i = 0; i < car().wheelCount; ++i)
    if (car().wheels[i].wheelSet == 0) {
      car().wheels[i].wheelSet = 1;
      break;
    }
  EXPECT_EQ(AxleHasBothWheels(car(), 0), 0);
  ExpectRefused("Can't add suspension tube to a single wheel", [&] { VehicleEditor::AddTube(*e, -4); });
  Select(-3, -1);
  ExpectRefused("Can't add suspension tube to a single wheel", [&] { VehicleEditor::AddTube(*e, 1); });
  EXPECT_EQ(e->selection.selectedPoint, -3);
}

// A wheel left in the slot past the car's last (a car that had one wheel more) counts for no
// axle: with three wheels the axle of the fourth has one wheel, its wheel points stand only
// when that one is on the right, and it takes no strut conversion.
TEST_F(Frame, AWheelPastTheCarsLastCountsForNoAxle) {
  ASSERT_EQ(car().wheelCount, 4);
  car().wheelCount = 3;
  const int axle = car().wheels[3].wheelSet;
  int onAxle = 0;
  bool right = false;
  for (int i = 0; i < 3; ++i)
    if (car().wheels[i].wheelSet == axle) ++onAxle, right = car().wheels[i].side >= 0.0f;
  ASSERT_EQ(onAxle, 1);
  ASSERT_GE(car().wheels[3].side, 0.0f) << "the fourth wheel is a right-hand one";
  EXPECT_EQ(AxleHasBothWheels(car(), axle), 0);
  EXPECT_EQ(AxleHasBothWheels(car(), 1 - axle), 1);
  // Points -1, -2 and -5 are the front axle's ends, -3, -4 and -6 the rear's (slot = point + 6).
  IntVector at[WHEEL_POINTS];
  uint8_t present[WHEEL_POINTS];
  WheelPointPositions(car(), at, present);
  for (const int point : {-1, -2, -5}) EXPECT_EQ(present[point + WHEEL_POINTS], axle == 1 ? right : true) << point;
  for (const int point : {-3, -4, -6}) EXPECT_EQ(present[point + WHEEL_POINTS], axle == 0 ? right : true) << point;
  ExpectRefused("MacPherson Strut is for a PAIR of wheels",
                [&] { VehicleEditor::ConvertSuspension(*e, axle, SUSPENSION_MACPHERSON_STRUT); });
  car().wheelCount = 4;
}

TEST_F(Frame, ANewTubeCopiesASelectedTubeOfItsKindOrTakesTheDefaults) {
  Select(0, -1);
  ExpectOneChange("add tube", [&] { VehicleEditor::AddTube(*e, 3); });
  FrameTube t = car().frameTubes[7];
  EXPECT_EQ(t.a, 0);
  EXPECT_EQ(t.b, 3);
  EXPECT_EQ(t.massPerMetre, 10.0f);
  // The car's set-up gives a frame tube the radius of its mass per metre (0.01 m per root).
  EXPECT_FLOAT_EQ(t.radius, 0.01f * std::sqrt(10.0f));
  EXPECT_EQ(t.flags, 0u);
  EXPECT_EQ(e->selection.selectedPoint, NO_POINT);
  EXPECT_EQ(e->selection.selectedTube, 7);
  // With the suspension link 5 selected a new frame tube takes the defaults still.
  Select(1, 5);
  VehicleEditor::AddTube(*e, 2);
  EXPECT_EQ(car().frameTubes[8].massPerMetre, 10.0f);
  Select(1, -1);
  VehicleEditor::AddTube(*e, -1);
  t = car().frameTubes[9];
  EXPECT_EQ(t.massPerMetre, 0.0f);
  EXPECT_FLOAT_EQ(t.radius, 0.02f);
  EXPECT_EQ(t.flags, 0u);
  // A link selected: a new link copies its radius and flags; a frame tube its mass.
  Select(2, 4);
  VehicleEditor::AddTube(*e, -2);
  t = car().frameTubes[10];
  EXPECT_EQ(t.radius, car().frameTubes[4].radius);
  EXPECT_EQ(t.flags, car().frameTubes[4].flags);
  Select(2, 1);
  VehicleEditor::AddTube(*e, 1);
  EXPECT_EQ(car().frameTubes[11].massPerMetre, car().frameTubes[1].massPerMetre);
  // Point 0 is a frame point like any other: linked to a wheel point either way round.
  Select(0, -1);
  ExpectOneChange("add tube", [&] { EXPECT_EQ(VehicleEditor::AddTube(*e, -1), 1); });
  EXPECT_EQ(car().frameTubes[12].a, 0);
  EXPECT_EQ(car().frameTubes[12].b, -1);
  Select(-2, -1);
  ExpectOneChange("add tube", [&] { EXPECT_EQ(VehicleEditor::AddTube(*e, 0), 1); });
  EXPECT_EQ(car().frameTubes[13].a, -2);
  EXPECT_EQ(car().frameTubes[13].b, 0);
}

TEST_F(Frame, WheelPointsComeFromTheWheelsByAxle) {
  IntVector at[WHEEL_POINTS];
  uint8_t present[WHEEL_POINTS];
  WheelPointPositions(car(), at, present);
  for (int s = 0; s < WHEEL_POINTS; ++s) EXPECT_EQ(present[s], 1) << s;
  for (int i = 0; i < car().wheelCount; ++i) {
    const CarWheel& w = car().wheels[i];
    if (w.side < 0.0f) continue;
    IntVector a, b, c;
    WheelContactBox(car(), i, a, b, c);
    const int centreSlot = (w.wheelSet == 1 ? -5 : -6) + WHEEL_POINTS;
    EXPECT_EQ(at[centreSlot].x, c.x);
    EXPECT_EQ(at[centreSlot].z, c.z);
  }
  // A right wheel of neither axle (its set one past the two) gives no points: the rear right
  // wheel's three go, the front's stay.
  for (int i = 0; i < car().wheelCount; ++i)
    if (car().wheels[i].wheelSet == 0 && car().wheels[i].side >= 0.0f) car().wheels[i].wheelSet = CAR_WHEEL_SETS;
  WheelPointPositions(car(), at, present);
  for (const int end : {-3, -4, -6}) EXPECT_EQ(present[end + WHEEL_POINTS], 0) << end;
  for (const int end : {-1, -2, -5}) EXPECT_EQ(present[end + WHEEL_POINTS], 1) << end;
  EXPECT_EQ(WheelPointAxle(-6), 0);
  EXPECT_EQ(WheelPointAxle(-1), 1);
  EXPECT_EQ(WheelPointAxle(-7), -1);
  EXPECT_EQ(WheelPointAxle(0), -1);
}

// A wheel on the centre line (side 0, as a bike's) stands for its axle's right wheel: both
// axles still give all six wheel points.
TEST_F(Frame, WheelsOnTheCentreLineGiveTheirAxlesWheelPoints) {
  int central = 0;
  for (int i = 0; i < car().wheelCount; ++i)
    if (car().wheels[i].side > 0.0f) {
      car().wheels[i].side = 0.0f;
      ++central;
    }
  ASSERT_EQ(central, 2) << "one right wheel per axle";
  IntVector at[WHEEL_POINTS];
  uint8_t present[WHEEL_POINTS];
  WheelPointPositions(car(), at, present);
  for (int s = 0; s < WHEEL_POINTS; ++s) EXPECT_EQ(present[s], 1) << s;
}

// The first wheel counts like any other: made the rear axle's only right-hand wheel (its
// partner turned to the left), it gives the rear axle's three points, the centre one at its
// own centre in fixed units.
TEST_F(Frame, TheFirstWheelGivesItsAxlesWheelPoints) {
  ASSERT_EQ(car().wheels[0].wheelSet, 0) << "wheel 0 is a rear wheel";
  ASSERT_EQ(car().wheels[1].wheelSet, 0) << "wheel 1 is the other rear wheel";
  car().wheels[0].side = 1.0f;
  car().wheels[1].side = -1.0f;
  IntVector at[WHEEL_POINTS];
  uint8_t present[WHEEL_POINTS];
  WheelPointPositions(car(), at, present);
  for (const int point : {-3, -4, -6}) EXPECT_EQ(present[point + WHEEL_POINTS], 1) << point;
  const Vec3& centre = car().wheels[0].centre;
  EXPECT_EQ(at[-6 + WHEEL_POINTS].x, int32_t(std::lround(centre.x * 65536.0f)));
  EXPECT_EQ(at[-6 + WHEEL_POINTS].y, int32_t(std::lround(centre.y * 65536.0f)));
  EXPECT_EQ(at[-6 + WHEEL_POINTS].z, int32_t(std::lround(centre.z * 65536.0f)));
}

TEST_F(Frame, APivotMovedAlignsOnlyPivotsOfItsTypeOnItsSide) {
  Select(4, -1);
  VehicleEditor::PointAction(e, 0, 1);  // 8: a second front lower pivot
  car().framePoints[8].x = -car().framePoints[8].x;
  const FramePoint rear = car().framePoints[6], top = car().framePoints[5];
  Reports().boxes.clear();
  VehicleEditor::SelectPoint(e, 0, 4);
  ASSERT_EQ(e->selection.selectedPoint, 4);
  const uint32_t setups = e->carSetups;
  VehicleEditor::MovePoint(*e, 65536, 0);
  VehicleEditor::MovePoint(*e, -6554, 2);
  VehicleEditor::PointsChanged(*e);
  EXPECT_EQ(e->carSetups, setups + 1);
  const FramePoint& moved = car().framePoints[4];
  EXPECT_EQ(car().framePoints[8].x, moved.x);
  EXPECT_EQ(car().framePoints[8].z, moved.z);
  EXPECT_EQ(std::memcmp(&car().framePoints[6], &rear, sizeof rear), 0);
  EXPECT_EQ(std::memcmp(&car().framePoints[5], &top, sizeof top), 0);
  EXPECT_FLOAT_EQ(e->markedPosition[0], float(moved.x) / 65536.0f);
  // Clicking the selected point deselects it; a tube marker toggles.
  VehicleEditor::SelectPoint(e, 0, 4);
  EXPECT_EQ(e->selection.selectedPoint, NO_POINT);
  EXPECT_EQ(e->markedPointShown, 0);
  VehicleEditor::SelectTube(e, 0, 3);
  EXPECT_EQ(e->selection.selectedTube, 3);
  VehicleEditor::SelectTube(e, 0, 3);
  EXPECT_EQ(e->selection.selectedTube, -1);
}

TEST_F(Frame, ShiftClickOnAPointMarkerAddsATube) {
  VehicleEditor::SelectPoint(e, 0, 0);
  ShiftHeld = 1;
  VehicleEditor::SelectPoint(e, 0, 3);
  ShiftHeld = 0;
  ASSERT_EQ(car().frameTubeCount, 8);
  EXPECT_EQ(car().frameTubes[7].a, 0);
  EXPECT_EQ(car().frameTubes[7].b, 3);
}

TEST_F(Frame, DeletingTheFrameKeepsTheSuspensionPointsInOrder) {
  VehicleEditor::FrameAction(e, 0, 3);
  ASSERT_TRUE(Asked("Delete entire frame?"));
  const FramePoint kept[4] = {car().framePoints[4], car().framePoints[5], car().framePoints[6], car().framePoints[7]};
  ExpectOneChange("delete frame", [&] { AnswerYes(); });
  ASSERT_EQ(car().framePointCount, 4);
  EXPECT_EQ(std::memcmp(car().framePoints, kept, sizeof kept), 0);
  EXPECT_EQ(car().frameTubeCount, 0);
  EXPECT_EQ(car().frameTubes, nullptr);
  // The display words of the frame rows.
  VehicleEditor::FrameAction(e, 0, 1);
  EXPECT_EQ(SpecialDraw, 1);
  EXPECT_TRUE(e->displayFlags & SHOW_FRAME);
  VehicleEditor::FrameAction(e, 0, 0);
  EXPECT_EQ(SpecialDraw, 0);
}

TEST_F(Frame, DragsOfOnePointMakeOneNodeAndARightClickPutsThePointBack) {
  VehicleEditor::SelectPoint(e, 0, 2);
  const FramePoint start = car().framePoints[2];
  const int nodes = NumNodes;
  VehicleEditor::StartPointDrag(e, 0, 1);
  VehicleEditor::DragPointStep(*e, 1000);
  VehicleEditor::StartPointDrag(e, 0, 2);
  VehicleEditor::DragPointStep(*e, -500);
  EXPECT_EQ(NumNodes, nodes + 1);
  EXPECT_STREQ(Slots[NumNodes].name, "drag point");
  EXPECT_EQ(car().framePoints[2].y, start.y + 1000);
  EXPECT_EQ(car().framePoints[2].z, start.z - 500);
  // A cancel puts the point back where the run of drags found it and drops the node.
  VehicleEditor::CancelPointDrag(*e);
  EXPECT_EQ(std::memcmp(&car().framePoints[2], &start, sizeof start), 0);
  EXPECT_EQ(NumNodes, nodes);
  EXPECT_EQ(e->selection.saved, 1);
  // A new drag after the cancel records again.
  VehicleEditor::StartPointDrag(e, 0, 0);
  EXPECT_EQ(NumNodes, nodes + 1);
}

// The smallest drag step, one unit (1/65536 m), moves the point: by a step given directly,
// and by a one-pixel move along a 50-pixel handle worth 50 units (1 * 50 / 50^2 * 50 = 1).
TEST_F(Frame, ADragStepOfOneUnitMovesThePoint) {
  VehicleEditor::SelectPoint(e, 0, 2);
  const FramePoint start = car().framePoints[2];
  VehicleEditor::StartPointDrag(e, 0, 1);  // handle 1 is y
  VehicleEditor::DragPointStep(*e, 1);
  EXPECT_EQ(car().framePoints[2].y, start.y + 1);
  EXPECT_EQ(car().framePoints[2].x, start.x);
  EXPECT_EQ(car().framePoints[2].z, start.z);

  e->axisDirections[0][0] = 50.0f, e->axisDirections[0][1] = 0.0f;
  e->dragScale = 50;
  MouseX = 100, MouseY = 100;
  VehicleEditor::StartPointDrag(e, 0, 0);
  ASSERT_EQ(e->dragAxis, 0);
  MouseRecord m{};
  m.leftHeld = 1;
  MouseX = 101;
  VehicleEditor::PointDragMouse(*e, m);
  EXPECT_EQ(car().framePoints[2].x, start.x + 1);
  MouseX = 102;  // one more pixel from where the last step left the pointer
  VehicleEditor::PointDragMouse(*e, m);
  EXPECT_EQ(car().framePoints[2].x, start.x + 2);
  m.leftHeld = 0;
  VehicleEditor::PointDragMouse(*e, m);
}

// The mouse during a handle drag: the pointer's travel projected onto the handle's screen
// direction, over its squared length, times the drag scale; a move across the handle or a
// handle without a direction moves nothing; letting go ends the drag, the right button
// cancels it.
TEST_F(Frame, TheMouseStepsTheDraggedPointAlongItsHandleEndsAndCancels) {
  VehicleEditor::SelectPoint(e, 0, 2);
  const FramePoint start = car().framePoints[2];
  e->axisDirections[1][0] = 30.0f, e->axisDirections[1][1] = -40.0f;  // 50 pixels long
  e->axisDirections[2][0] = e->axisDirections[2][1] = 0.0f;
  e->dragScale = 65536;  // the handle stands for 1 m
  MouseX = 100, MouseY = 100;
  VehicleEditor::StartPointDrag(e, 0, 1);
  MouseRecord m{};
  m.leftHeld = 1;
  MouseX = 106, MouseY = 92;  // (6, -8): a fifth of the handle
  VehicleEditor::PointDragMouse(*e, m);
  EXPECT_EQ(car().framePoints[2].y, start.y + 13107);
  MouseX = 114, MouseY = 98;  // (8, 6): square to the handle
  VehicleEditor::PointDragMouse(*e, m);
  EXPECT_EQ(car().framePoints[2].y, start.y + 13107) << "across the handle: no step, the start stays";
  MouseX = 100, MouseY = 100;
  VehicleEditor::PointDragMouse(*e, m);
  EXPECT_EQ(car().framePoints[2].y, start.y) << "back along the handle from the last step";
  m.leftHeld = 0;
  VehicleEditor::PointDragMouse(*e, m);
  EXPECT_EQ(e->dragAxis, -1) << "let go";

  VehicleEditor::StartPointDrag(e, 0, 2);
  m.leftHeld = 1;
  MouseX = 160;
  VehicleEditor::PointDragMouse(*e, m);
  EXPECT_EQ(car().framePoints[2].z, start.z) << "a handle left out moves nothing";
  VehicleEditor::StartPointDrag(e, 0, 1);
  MouseX = 130, MouseY = 60;
  VehicleEditor::PointDragMouse(*e, m);
  EXPECT_NE(car().framePoints[2].y, start.y);
  m.rightHeld = 1;
  VehicleEditor::PointDragMouse(*e, m);
  EXPECT_EQ(e->dragAxis, -1);
  EXPECT_EQ(std::memcmp(&car().framePoints[2], &start, sizeof start), 0) << "the right button puts it back";
  // An undo in the middle of a drag puts in another car: the drag ends with the old one.
  VehicleEditor::StartPointDrag(e, 0, 1);
  UndoEdit(*e);
  EXPECT_EQ(e->dragAxis, -1);

  // The view's mouse handling gives a drag along the first handle (x) to the point: 10 of
  // the handle's 50 pixels.
  e->selection.selectedPoint = 2;
  const FramePoint before = car().framePoints[2];
  e->axisDirections[0][0] = 50.0f, e->axisDirections[0][1] = 0.0f;
  e->dragScale = 65536;
  MouseX = 100, MouseY = 100;
  VehicleEditor::StartPointDrag(e, 0, 0);
  ASSERT_EQ(e->dragAxis, 0);
  MouseRecord drag{};
  drag.leftHeld = 1;
  MouseX = 110;
  VehicleEditor::ViewEvent(reinterpret_cast<Prss*>(e), &drag);
  EXPECT_EQ(car().framePoints[2].x, before.x + 13107);
}

TEST_F(Frame, MarkersStandAtPointsAndTubeMiddlesWithTheirLettersAndTheSelection) {
  std::vector<FrameMarker> marks;
  e->displayFlags &= ~(SHOW_POINTS | SHOW_TUBES);
  CollectFrameMarkers(*e, marks);
  EXPECT_TRUE(marks.empty());
  e->displayFlags |= SHOW_POINTS | SHOW_TUBES;
  Select(4, 4);
  CollectFrameMarkers(*e, marks);
  ASSERT_EQ(marks.size(), 7u + 8u + 6u);
  const FramePoint& a = car().framePoints[0];
  const FramePoint& b = car().framePoints[1];
  EXPECT_EQ(marks[0].kind, MARK_TUBE);
  EXPECT_EQ(marks[0].at.y, (a.y + b.y) / 2);
  EXPECT_EQ(marks[0].at.z, (a.z + b.z) / 2);
  EXPECT_EQ(marks[4].highlighted, 1);
  EXPECT_EQ(marks[4].secondColour, 1);  // the sample's visible suspension link
  EXPECT_EQ(marks[5].secondColour, 0);
  const FrameMarker& pivot = marks[7 + 4];
  EXPECT_EQ(pivot.kind, MARK_POINT);
  EXPECT_STREQ(pivot.label, "L");
  EXPECT_EQ(pivot.highlighted, 1);
  EXPECT_STREQ(marks[7 + 0].label, "");
  EXPECT_STREQ(marks[7 + 7].label, "U");
  EXPECT_EQ(marks.back().kind, MARK_WHEEL_POINT);
  EXPECT_EQ(marks.back().index, -1);
  // The letters the editor shows for types 1 to 3, and none for a type byte a file may hold
  // beyond them.
  const uint8_t type = car().framePoints[0].type;
  const struct {
    uint8_t type;
    const char* label;
  } letters[] = {{1, "L"}, {2, "U"}, {3, "T"}, {4, ""}, {5, ""}, {255, ""}};
  for (const auto& l : letters) {
    car().framePoints[0].type = l.type;
    CollectFrameMarkers(*e, marks);
    ASSERT_EQ(marks.size(), 7u + 8u + 6u);
    EXPECT_EQ(marks[7 + 0].kind, MARK_POINT);
    EXPECT_STREQ(marks[7 + 0].label, l.label) << "type " << int(l.type);
  }
  car().framePoints[0].type = type;
  // A tube to a point one past the frame's last, or to a wheel point past the six, has no
  // middle to mark; one to the last point and one to wheel point -6 have.
  const int16_t kept[2] = {car().frameTubes[0].b, car().frameTubes[1].b};
  const auto tubeMarked = [&](int tube) {
    CollectFrameMarkers(*e, marks);
    for (const FrameMarker& m : marks)
      if (m.kind == MARK_TUBE && m.index == tube) return true;
    return false;
  };
  car().frameTubes[0].b = int16_t(car().framePointCount - 1);
  car().frameTubes[1].b = -6;
  EXPECT_TRUE(tubeMarked(0));
  EXPECT_TRUE(tubeMarked(1));
  car().frameTubes[0].b = int16_t(car().framePointCount);
  car().frameTubes[1].b = -7;
  EXPECT_FALSE(tubeMarked(0));
  EXPECT_FALSE(tubeMarked(1));
  car().frameTubes[0].b = kept[0];
  car().frameTubes[1].b = kept[1];
}

}  // namespace

// In a side view each tube's label selects that tube, whatever the click, and a second
// click on it lets it go; each frame point's label selects that point.
TEST_F(Frame, ATubesOrPointsLabelInTheViewSelectsThatTubeOrPoint) {
  e->displayFlags |= SHOW_POINTS | SHOW_TUBES;
  SelectEditView(VIEW_RIGHT);
  const int32_t width = EditViews.width;
  EditViews.width = 8 << 16;
  SetEditViewProjection(0);
  ClearScreenLabels();
  VehicleEditor::AddSelectionButtons(*e);
  EditViews.width = width;
  static const ScreenLabel* labels[MAX_SCREEN_LABELS];
  const int n = ScreenLabelsByDepth(labels, MAX_SCREEN_LABELS);
  int tubes = 0, points = 0;
  for (int i = 0; i < n; ++i) {
    const ScreenLabel label = *labels[i];
    ASSERT_NE(label.callback, nullptr) << i;
    Select(-1, -1);
    label.callback(label.ownerWord, 1, label.first, label.second);
    if (e->selection.selectedTube < 0) {  // a frame point's label selects that point
      if (label.first >= 0) {
        EXPECT_EQ(e->selection.selectedPoint, label.first);
        ++points;
      }
      continue;
    }
    ++tubes;
    EXPECT_EQ(e->selection.selectedTube, label.first);
    label.callback(label.ownerWord, 1, label.first, label.second);
    EXPECT_EQ(e->selection.selectedTube, -1) << label.first;
  }
  EXPECT_GE(tubes, 2) << "the sample's tubes seen from the side";
  EXPECT_GE(points, 2) << "and its points";
  ClearScreenLabels();
}

// A frame whose deletion leaves one suspension point keeps that point in an array of one.
TEST_F(Frame, DeletingAFrameThatLeavesOneSuspensionPointKeepsThatPoint) {
  ASSERT_EQ(car().framePointCount, 8);
  for (int i = 5; i < 8; ++i) car().framePoints[i].type = 0;  // plain frame vertices
  const FramePoint only = car().framePoints[4];
  ASSERT_NE(only.type, 0) << "a suspension point";
  VehicleEditor::FrameAction(e, 0, 3);
  ASSERT_TRUE(Asked("Delete entire frame?"));
  AnswerYes();
  ASSERT_EQ(car().framePointCount, 1);
  ASSERT_NE(car().framePoints, nullptr);
  EXPECT_EQ(std::memcmp(&car().framePoints[0], &only, sizeof only), 0);
}

// The model's reference points show as squares in the view, in the model marks' colour and
// with no click: a plain one once, a mirrored one twice, at its own x and at -x (seen from
// the front on a screen 1024 wide, as far left of its middle as right); a point that is no reference shows nothing.
TEST_F(Frame, TheModelsReferencePointsShowAsSquaresAndAMirroredOneOnBothSides) {
  ModelObject& m = *car().model;
  ASSERT_GE(m.pointCount, 3);
  std::vector<uint8_t> flags(size_t(m.pointCount));
  for (int i = 0; i < m.pointCount; ++i) {
    flags[size_t(i)] = m.points[i].flags;
    m.points[i].flags = uint8_t(m.points[i].flags & ~(POINT_REFERENCE | POINT_MIRRORED));
  }
  // Two points off the middle: one plain, one mirrored.
  int plain = -1, mirrored = -1;
  for (int i = 0; i < m.pointCount && mirrored < 0; ++i) {
    if (m.points[i].x == 0) continue;
    if (plain < 0) plain = i;
    else mirrored = i;
  }
  ASSERT_GE(mirrored, 0);
  m.points[plain].flags |= POINT_REFERENCE;
  m.points[mirrored].flags |= POINT_REFERENCE | POINT_MIRRORED;
  // The car drawn at the origin, unturned.
  const auto transform = car().drawTransform;
  MatrixIdentity(car().drawTransform.rotation);
  car().drawTransform.translation = IntVector{};
  const int screen[2] = {ScreenWidth, ScreenHeight};
  ScreenWidth = 1024;
  ScreenHeight = 768;
  SelectEditView(VIEW_FRONT);
  const int32_t width = EditViews.width;
  EditViews.width = 8 << 16;
  SetEditViewProjection(0);
  ClearScreenLabels();
  VehicleEditor::DrawModelMarks(*e);
  ScreenWidth = screen[0];
  ScreenHeight = screen[1];
  EditViews.width = width;
  static const ScreenLabel* labels[MAX_SCREEN_LABELS];
  const int n = ScreenLabelsByDepth(labels, MAX_SCREEN_LABELS);
  ASSERT_EQ(n, 3);
  std::vector<std::pair<float, float>> mirroredAt;
  int plainShown = 0;
  for (int i = 0; i < n; ++i) {
    const ScreenLabel& label = *labels[i];
    EXPECT_EQ(label.colourKind, 1) << i;
    EXPECT_EQ(label.type, LABEL_SQUARE) << i;
    EXPECT_EQ(label.callback, nullptr) << i;
    if (label.first == plain) ++plainShown;
    if (label.first == mirrored) mirroredAt.emplace_back(label.x, label.y);
  }
  EXPECT_EQ(plainShown, 1);
  ASSERT_EQ(mirroredAt.size(), 2u);
  const float apart = std::hypot(mirroredAt[0].first - mirroredAt[1].first, mirroredAt[0].second - mirroredAt[1].second);
  EXPECT_GT(apart, 1.0f) << "the copy stands at -x";
  EXPECT_NEAR((mirroredAt[0].first + mirroredAt[1].first) / 2, 512.0f, 0.5f) << "as far either side of the middle";
  ClearScreenLabels();
  car().drawTransform = transform;
  for (int i = 0; i < m.pointCount; ++i) m.points[i].flags = flags[size_t(i)];
}
