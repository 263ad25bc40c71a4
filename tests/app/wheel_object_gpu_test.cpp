// wheel_object_gpu_test.cpp - the "Wheel Object" and "Suspension" tabs and the rim's graph as
// a user meets them (editor_window_harness.h): the tab's rows, a size step by its "+" button
// that the car follows, "edit rim" opening the graph over the editor, a point pressed and
// dragged by the mouse, the right button putting it back, Escape closing the graph, "edit
// spoke" showing the spoke inside its wheel; the suspension tab's lit alignment, and the
// tyre's top after a rim step where the side view puts the new outer radius.  The pictures
// are written to the test's folder: vehicle_editor_wheel_object.png, vehicle_editor_rim.png,
// vehicle_editor_spoke.png, vehicle_editor_suspension.png, vehicle_editor_left_forward.png,
// vehicle_editor_tyre_before.png and vehicle_editor_tyre_after.png.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/window_state.h"
#include "editor_window_harness.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "physics/car.h"
#include "rim/rim_screen.h"
#include "ui/interface_draw.h"
#include "vehicle/car_drawing.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

class WheelObjectWindow : public CarWindow {
 protected:
  static void OpenAndLoad() {
    ASSERT_TRUE(EntryPageIsIdle());
    const PanelLayout& l = CurrentPanelLayout();
    ClickAt(int((1.0 + (l.labelX1 + l.labelX2) / 2) / 2 * WIDTH), int((1.0 + 0.35 + l.rowHeight / 2) / 2 * HEIGHT));
    ASSERT_NE(CurrentVehicleEditor, nullptr);
    Frame();
    HandleKeyDown(KEY_CTRL, 0);
    HandleKeyDown('O', 0);
    HandleKeyUp('O');
    HandleKeyUp(KEY_CTRL);
    Frame();
    Answer("Runabout");
    ASSERT_NE(CurrentVehicleEditor->car, nullptr);
  }
  // The shown buttons with exactly that text, in the frame's order.
  static std::vector<InterfaceButton> ButtonsShowing(const char* text) {
    std::vector<InterfaceButton> found;
    char shown[128];
    for (int i = 0; i < ButtonCount; ++i)
      if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strcmp(shown, text) == 0)
        found.push_back(InterfaceButtons[i]);
    return found;
  }
  // The face of a button: a pixel inside its bevel, above its text.
  static const uint8_t* Face(const Picture& p, const InterfaceButton& b) {
    return p.At(b.left + 5, b.top + 4);
  }
  static int Distance(const uint8_t* a, const uint8_t* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
  }
  // The first row from y0 down to y1 in column x where four pixels running differ from the
  // background (a grid line is one pixel), or -1.
  static int FirstSolidRow(const Picture& p, int x, int y0, int y1, const uint8_t* background) {
    int run = 0;
    for (int y = y0; y < y1; ++y) {
      run = Distance(p.At(x, y), background) > 40 ? run + 1 : 0;
      if (run == 4) return y - 3;
    }
    return -1;
  }
  static void KeyWithCtrl(int key) {
    HandleKeyDown(KEY_CTRL, 0);
    HandleKeyDown(key, 0);
    HandleKeyUp(key);
    HandleKeyUp(KEY_CTRL);
    Frame();
  }
  static void Drag(int x, int y, int held) {
    MouseRecord move{};
    move.leftHeld = held;
    KeyState[1] = uint8_t(held);
    Mouse(move, x, y);
    Frame();
  }
};

TEST_F(WheelObjectWindow, TheTabsRowsStepTheTyreAndEditRimOpensTheGraphOverTheCar) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Car& car = *e.car;
  Click("Wheel Object");
  ASSERT_EQ(e.selection.openTab, 2);
  ASSERT_NE(FindButton("FRONT"), nullptr);
  const Picture page = Shot("vehicle_editor_wheel_object");
  const InterfaceButton* front = FindButton("FRONT");
  EXPECT_FALSE(page.Black(front->left + 2, front->top + 2)) << "the heading's face";

  // "+" of the first "Width" row: the front set, 5 mm wider, merged with further steps.
  const float width = car.wheelSets[1].sectionWidth;
  const InterfaceButton* plus = nullptr;
  for (int i = 0; i < ButtonCount && !plus; ++i)
    if (InterfaceButtons[i].handler == VehicleEditor::StepFrontTyreSize && InterfaceButtons[i].word == 1)
      plus = &InterfaceButtons[i];
  ASSERT_NE(plus, nullptr);
  ClickAt((plus->left + plus->right) / 2, (plus->top + plus->bottom) / 2);
  EXPECT_NEAR(car.wheelSets[1].sectionWidth, std::round(width / 0.005f + 1) * 0.005f, 1e-6f);
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "set width");
  EXPECT_NEAR(car.wheelSets[1].rollingRadius,
              car.wheelSets[1].aspectRatio * car.wheelSets[1].sectionWidth + car.wheelSets[1].rimRadius, 1e-5f);

  ASSERT_TRUE(ScrollPageTo("edit rim")) << "the page scrolls to the front set's rim rows";
  Click("edit rim");
  ASSERT_NE(e.prss.sub, nullptr);
  RimScreen& host = *reinterpret_cast<RimScreen*>(e.prss.sub);
  Frame();
  const Graph& g = host.graph;
  const Picture rim = Shot("vehicle_editor_rim");
  // The background inside the graph, away from grid lines and points: 0x505050 as the frame
  // stores it (vertex colours are linear, the frame sRGB).
  const double linear = 0x50 / 255.0;
  const int stored = int(std::lround((1.055 * std::pow(linear, 1 / 2.4) - 0.055) * 255));
  int plain = 0;
  for (int x = g.left + 3; x < g.left + g.width / 3; ++x) {
    const uint8_t* p = rim.At(x, g.top + g.height / 2 + 3);
    plain += std::abs(p[0] - stored) < 3 && std::abs(p[1] - stored) < 3 && std::abs(p[2] - stored) < 3;
  }
  EXPECT_GT(plain, g.width / 6) << "the 0x505050 background";
  // The vertical grid lines (a step of 0.1 at a range of 5) in their predicted columns.
  const float step = g.GridStep();
  int lines = 0, tested = 0;
  for (int k = int(std::ceil(g.originX / step)); k * step <= g.originX + g.scaleW && tested < 20; ++k, ++tested) {
    const uint8_t* p = rim.At(g.ScreenX(k * step), g.top + g.height / 2 + 3);
    lines += std::abs(p[0] - stored) >= 3;
  }
  EXPECT_EQ(lines, tested) << "each grid column differs from the background";
  // Point 1 (4, 4) where the view puts it.
  const WXS& profile = *car.rim;
  const int px = int(std::rint((4.0f - g.originX) * g.width / g.scaleW + g.left));
  const int py = int(std::rint(g.top + g.height - (4.0f - g.originY) * g.height / g.scaleH));
  const uint8_t* point = rim.At(px, py);
  EXPECT_GT(point[0] + point[1] + point[2], 3 * 0x50 + 60) << "point 1 is drawn at " << px << ", " << py;

  // Press a point of the profile other than 0 and 1 (or add one), drag it, then cancel.
  if (profile.numPoints < 3) {
    MouseX = g.left + g.width / 2, MouseY = g.top + g.height / 2;
    Key('P');
  }
  ASSERT_GE(profile.numPoints, 3);
  const GraphPoint before = profile.points[2];
  const int x0 = g.ScreenX(before.x), y0 = g.ScreenY(before.y);
  MouseRecord press{};
  press.clickCode = CLICK_LEFT;
  press.leftHeld = 1;
  KeyState[1] = 1;
  Mouse(press, x0, y0);
  ASSERT_TRUE(g.IsSelected(2));
  Drag(x0 + 40, y0 - 25, 1);
  EXPECT_FLOAT_EQ(profile.points[2].x, before.x + 40 * g.scaleW / g.width);
  EXPECT_FLOAT_EQ(profile.points[2].y, before.y + 25 * g.scaleH / g.height);
  KeyState[2] = 1;
  Frame();
  KeyState[1] = KeyState[2] = 0;
  EXPECT_EQ(profile.points[2].x, before.x);
  EXPECT_EQ(profile.points[2].y, before.y);

  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(e.prss.sub, nullptr) << "Escape closes the graph";
  EXPECT_EQ(CurrentVehicleEditor, &e) << "and leaves the editor open";

  // "edit spoke": the modeller on the spoke object; closed unchanged it leaves "no changes".
  const int nodes = VehicleUndo::NumNodes;
  std::memset(SpokeWheel.marks, 0xA5, sizeof SpokeWheel.marks);
  Click("edit spoke");
  ASSERT_NE(ActiveObjectEditor, nullptr) << "the modeller on the spoke";
  EXPECT_EQ(e.spokeInEditor, 1);
  EXPECT_EQ(VehicleEditorHooks.carSpokeCount(), car.spokeCount);
  // The wheel context: the car, the front set's last wheel record, the set, the spoke count;
  // the mark slots and the car's subobject marks cleared.
  EXPECT_EQ(SpokeWheel.car, &car);
  EXPECT_EQ(SpokeWheel.wheel, car.wheelSets[1].rightWheel - 1);
  EXPECT_EQ(SpokeWheel.wheelSet, 1);
  EXPECT_EQ(SpokeWheel.spokeCount, car.spokeCount);
  for (const auto& slot : SpokeWheel.marks)
    for (uint8_t b : slot) ASSERT_EQ(b, 0);
  for (const auto& wheel : car.wheelSubobjects)
    for (const DrawMesh* mark : wheel) EXPECT_EQ(mark, nullptr);
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "edit spoke");
  // Drawn in place: the wheel's tyre around the spoke, gone with "show vehicle" off.
  Frame(2);
  const Picture inPlace = Shot("vehicle_editor_spoke");
  ObjectEditorShared.showVehicle = 0;
  const Picture alone = Shot("vehicle_editor_spoke_alone");
  ObjectEditorShared.showVehicle = 1;
  int differing = 0;
  for (int y = 0; y < HEIGHT; ++y)
    for (int x = 0; x < WIDTH; ++x) differing += Distance(inPlace.At(x, y), alone.At(x, y)) > 60;
  EXPECT_GT(differing, 400) << "the tyre and rim around the spoke";
  // The tyre's top, in the spoke's own space, where the modeller's view projects it.
  const SuspensionBlock& frontSet = car.wheelSets[1];
  const int32_t top[3] = {0, 0, int32_t(std::lround(frontSet.rollingRadius * 0.97f * 65536))};
  float tx = 0, ty = 0;
  int32_t depth = 0;
  ASSERT_TRUE(ProjectPointToScreen(top, &tx, &ty, &depth));
  ASSERT_TRUE(tx >= 3 && ty >= 3 && tx < WIDTH - 3 && ty < HEIGHT - 3) << tx << ", " << ty;
  EXPECT_TRUE(inPlace.Near(int(tx), int(ty), [&](const uint8_t* p) {
    const uint8_t* q = alone.At(int(tx), int(ty));
    return Distance(p, q) > 40;
  })) << "the tread at " << tx << ", " << ty;
  for (int i = 0; i < 4 && ActiveObjectEditor; ++i) Key(KEY_ESCAPE);
  ASSERT_EQ(ActiveObjectEditor, nullptr);
  Frame();
  EXPECT_EQ(e.spokeInEditor, 0);
  EXPECT_STREQ(e.statusText, "no changes");
  EXPECT_EQ(VehicleUndo::NumNodes, nodes);
  EXPECT_EQ(SpokeWheel.car, nullptr) << "the context goes with the modeller";
}

// The rim's graph in the window, by keys and the tool row: "P" adds at the pointer where the
// test's own pixel arithmetic puts it, "C" clears, "A" and Ctrl+A select all; "new point",
// "dup point", "zero x" and "delete" act on the selection; a held "+" zooms by 1 + 0.0001 x the
// frame's milliseconds each frame.  After each change points 0 and 1 stand fixed and the
// wheels are made again from the new profile on the next frame.
TEST_F(WheelObjectWindow, TheRimsGraphAnswersKeysTheToolRowAndAHeldZoom) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Car& car = *e.car;
  Click("Wheel Object");
  ASSERT_TRUE(ScrollPageTo("edit rim"));
  Click("edit rim");
  ASSERT_NE(e.prss.sub, nullptr);
  Frame();
  Graph& g = reinterpret_cast<RimScreen*>(e.prss.sub)->graph;
  const WXS& rim = *car.rim;
  const auto fixedPointsStand = [&] {
    EXPECT_EQ(rim.points[0].x, 0.0f);
    EXPECT_EQ(rim.points[0].y, 4.0f);
    EXPECT_EQ(rim.points[1].x, 4.0f);
    EXPECT_EQ(rim.points[1].y, 4.0f);
  };
  // Each change releases the wheels; the next frame, which draws the car beside the graph,
  // makes them again from the new profile.
  const auto wheelsMadeAgain = [&](const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(car.wheelMeshesBuilt, 0) << "released by the change";
    Frame();
    EXPECT_EQ(car.wheelMeshesBuilt, 1) << "made again on the next frame";
    fixedPointsStand();
  };

  // "P" at a pixel of the graph: the point at the test's own graph coordinates of the pixel.
  const int points = rim.numPoints;
  const int mx = g.left + g.width * 3 / 5, my = g.top + g.height / 3;
  MouseX = mx, MouseY = my;
  HandleKeyDown('P', 0);
  HandleKeyUp('P');
  ASSERT_EQ(rim.numPoints, points + 1);
  const GraphPoint added = rim.points[points];
  EXPECT_FLOAT_EQ(added.x, (mx - g.left) * g.scaleW / g.width + g.originX);
  EXPECT_FLOAT_EQ(added.y, g.originY + (g.top + g.height - my) * g.scaleH / g.height);
  EXPECT_EQ(g.selectionCount, 1);
  wheelsMadeAgain("P");

  Key('C');
  EXPECT_EQ(g.selectionCount, 0);
  Key('A');
  EXPECT_EQ(g.selectionCount, rim.numPoints);
  Key('C');
  KeyWithCtrl('A');
  EXPECT_EQ(g.selectionCount, rim.numPoints) << "Ctrl+A";
  Key('C');

  // The tool row: a new point at (0, 0) selected alone, its duplicate, x set to 0, deleted.
  ClickButton(*FindButton("new point"));
  ASSERT_EQ(rim.numPoints, points + 2);
  EXPECT_EQ(rim.points[points + 1].x, 0.0f);
  EXPECT_EQ(rim.points[points + 1].y, 0.0f);
  wheelsMadeAgain("new point");
  ClickButton(*FindButton("dup point"));
  ASSERT_EQ(rim.numPoints, points + 3);
  EXPECT_EQ(g.selectionCount, 1);
  EXPECT_EQ(g.selection[0], points + 2) << "the copy is the selection";
  wheelsMadeAgain("dup point");
  g.selection[0] = points;  // the point "P" added
  ClickButton(*FindButton("zero x"));
  EXPECT_EQ(rim.points[points].x, 0.0f);
  EXPECT_EQ(rim.points[points].y, added.y);
  wheelsMadeAgain("zero x");
  ClickButton(*FindButton("delete"));
  EXPECT_EQ(rim.numPoints, points + 2);
  EXPECT_EQ(g.selectionCount, 0);
  wheelsMadeAgain("delete");

  // A held "+": each frame divides both ranges by 1 + 0.0001 x the frame's milliseconds (the
  // fake clock's step and what the pass itself takes).
  const InterfaceButton* zoom = FindButton("+", "Zoom in (hold)");
  ASSERT_NE(zoom, nullptr);
  MouseRecord press{};
  press.clickCode = CLICK_LEFT;
  press.leftHeld = 1;
  KeyState[1] = 1;
  Mouse(press, (zoom->left + zoom->right) / 2, (zoom->top + zoom->bottom) / 2);
  for (int i = 0; i < 3; ++i) {
    const float w = g.scaleW, h = g.scaleH;
    ClockAdvanceFake(FRAME_MS);
    Frame();
    EXPECT_GE(FrameTime, FRAME_MS);
    const float f = 1.0f + float(FrameTime) * 0.0001f;
    EXPECT_FLOAT_EQ(g.scaleW, w / f) << i;
    EXPECT_FLOAT_EQ(g.scaleH, h / f) << i;
  }
  KeyState[1] = 0;
  MouseRecord release{};
  release.releaseCode = 1;
  Mouse(release, MouseX, MouseY);
  const float w = g.scaleW;
  ClockAdvanceFake(FRAME_MS);
  Frame();
  EXPECT_EQ(g.toolMode, 0) << "the release ends the held action";
  EXPECT_EQ(g.scaleW, w);
  Key(KEY_ESCAPE);
  Frame();
}

// The "Suspension" tab beside the car: the alignment the axle has is the lit button, and
// "left forward" moves the light to itself.  Then, with the body hidden (special draw) in the
// side view, a rim-diameter step raises the tyre's top to where the view projects the new
// outer radius.
TEST_F(WheelObjectWindow, TheSuspensionPageLightsTheAlignmentAndARimStepRaisesTheTyresTop) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Car& car = *e.car;
  Click("Suspension");
  ASSERT_EQ(e.selection.openTab, 3);
  Frame();
  // The sample's axles are aligned: each axle's "aligned" is lit, "left forward" is not.  On
  // this window the page scrolls: the front axle's row shows at its top, the rear axle's at
  // its end.
  const Picture page = Shot("vehicle_editor_suspension");
  std::vector<InterfaceButton> aligned = ButtonsShowing("aligned"), leftForward = ButtonsShowing("left forward");
  ASSERT_EQ(aligned.size(), 1u) << "the front axle's row";
  ASSERT_EQ(leftForward.size(), 1u);
  ASSERT_TRUE(aligned[0].word & 4) << "the front set";
  const uint8_t* lit = Face(page, aligned[0]);
  const uint8_t* plain = Face(page, leftForward[0]);
  EXPECT_GT(Distance(lit, plain), 30) << "the lit face stands out";
  ASSERT_TRUE(ScrollPageTo("Oval suspension arms"));
  const Picture rear = Shot("vehicle_editor_suspension_rear");
  const auto rearRow = [](const char* text) {
    for (const InterfaceButton& b : ButtonsShowing(text))
      if (!(b.word & 4)) return b;
    ADD_FAILURE() << "no \"" << text << "\" of the rear axle";
    return InterfaceButton{};
  };
  EXPECT_LT(Distance(Face(rear, rearRow("aligned")), lit), 12) << "both axles' lit faces alike";
  EXPECT_LT(Distance(Face(rear, rearRow("left forward")), plain), 12);

  // "left forward" of the front axle (the row whose word holds bit 2).
  ASSERT_TRUE(ScrollPageTo("left forward", true));
  const InterfaceButton front = ButtonsShowing("left forward")[0];
  ASSERT_TRUE(front.word & 4);
  ClickButton(front);
  Frame();
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "set alignment");
  const SuspensionBlock& set = car.wheelSets[1];
  EXPECT_GT(car.wheelPositions[set.leftWheel - 1].y, car.wheelPositions[set.rightWheel - 1].y);
  const Picture moved = Shot("vehicle_editor_left_forward");
  std::vector<InterfaceButton> after = ButtonsShowing("left forward");
  ASSERT_EQ(after.size(), 1u);
  const InterfaceButton& nowLit = after[0];
  ASSERT_TRUE(nowLit.word & 4);
  EXPECT_LT(Distance(Face(moved, nowLit), lit), 12) << "the front \"left forward\" is lit now";
  // The undo puts back the vehicle's car as recorded: a car made afresh.
  KeyWithCtrl('Z');
  Car& undone = *e.car;
  const SuspensionBlock& axle = undone.wheelSets[1];
  EXPECT_EQ(undone.wheelPositions[axle.leftWheel - 1].y, undone.wheelPositions[axle.rightWheel - 1].y);

  // The tyre's top in the side view, before and after a step up of the front rim diameter.
  Click("Suspension");  // closes the tab
  ASSERT_EQ(e.selection.openTab, -1);
  e.displayFlags = 0;
  Key('S');
  ASSERT_EQ(SpecialDraw, 1);
  Click("r");
  ASSERT_NE(EditViews.width, 0);
  const int wheel = axle.rightWheel - 1;
  const auto tyreTop = [&](const char* name, float* projected) {
    Settle(1500);
    ClearMessages();  // the message lines stand over the view's top left
    const Picture shot = Shot(name);
    float axes[3][3], centre[3];
    ComputeWheelMatrix(undone, undone.wheels[wheel], axes, centre);
    const int32_t at[3] = {int32_t(std::lround(centre[0] * 65536)), int32_t(std::lround(centre[1] * 65536)),
                           int32_t(std::lround((centre[2] + axle.rollingRadius) * 65536))};
    float x = 0, y = 0;
    int32_t depth = 0;
    EXPECT_TRUE(ProjectPointToScreen(at, &x, &y, &depth));
    *projected = y;
    const uint8_t* background = shot.At(int(x), std::max(0, int(y) - 40));
    return FirstSolidRow(shot, int(x), std::max(0, int(y) - 30), std::min(HEIGHT, int(y) + 30), background);
  };
  float before = 0, afterY = 0;
  const int topBefore = tyreTop("vehicle_editor_tyre_before", &before);
  EXPECT_NEAR(topBefore, before, 2.5) << "the tyre's top as drawn";
  const float radius = axle.rollingRadius, rim = axle.rimRadius;
  VehicleEditor::StepFrontTyreSize(&e, CLICK_LEFT, 5);
  VehicleEditor::StepFrontTyreSize(&e, CLICK_LEFT, 5);
  EXPECT_NEAR(axle.rollingRadius - radius, axle.rimRadius - rim, 1e-5f);
  EXPECT_GT(axle.rimRadius - rim, 0.019f) << "about two inches more of diameter";
  const int topAfter = tyreTop("vehicle_editor_tyre_after", &afterY);
  EXPECT_NEAR(topAfter, afterY, 2.5) << "the new outer radius as drawn";
  EXPECT_LT(topAfter, topBefore - 3) << "the top rose";
  Key('S');
}

}  // namespace
