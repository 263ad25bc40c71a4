// wheel_object_gpu_test.cpp - the "Wheel Object" tab and the rim's graph as a user meets them
// (editor_window_harness.h): the tab's rows, a size step by its "+" button that the car
// follows, "edit rim" opening the graph over the editor, a point pressed and dragged by the
// mouse, the right button putting it back, and Escape closing the graph.  The pictures are
// written to the test's folder: vehicle_editor_wheel_object.png and vehicle_editor_rim.png.
#include <cmath>
#include <cstring>

#include "core/window_state.h"
#include "editor_window_harness.h"
#include "modeller/object_editor.h"
#include "modeller/vehicle_editor_link.h"
#include "physics/car.h"
#include "vehicle_editor/rim/rim_screen.h"
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
  ASSERT_NE(FindButton("edit rim"), nullptr);
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
  Click("edit spoke");
  ASSERT_NE(ActiveObjectEditor, nullptr) << "the modeller on the spoke";
  EXPECT_EQ(e.spokeInEditor, 1);
  EXPECT_EQ(VehicleEditorHooks.carSpokeCount(), car.spokeCount);
  for (int i = 0; i < 4 && ActiveObjectEditor; ++i) Key(KEY_ESCAPE);
  ASSERT_EQ(ActiveObjectEditor, nullptr);
  Frame();
  EXPECT_EQ(e.spokeInEditor, 0);
  EXPECT_STREQ(e.statusText, "no changes");
  EXPECT_EQ(VehicleUndo::NumNodes, nodes);
}

}  // namespace
