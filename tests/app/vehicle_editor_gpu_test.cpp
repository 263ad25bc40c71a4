// vehicle_editor_gpu_test.cpp - the vehicle editor as a user meets it (editor_window_harness.h):
// opened by the entry page's button, "LOAD" asks for a vehicle among data/veh, the sample car
// loads, stands and settles in the 3D view, the modeller opened and closed unchanged leaves
// "no changes", Esc closes it at once and the entry page is back; with unsaved changes the
// window's close asks first.  The pictures are written to the test's folder:
// vehicle_editor_empty.png, vehicle_editor_car.png, vehicle_editor_diagram.png (Shift+L) and
// vehicle_editor_status.png.
#include <SDL2/SDL.h>

#include <cstring>
#include <string>

#include "editor_window_harness.h"
#include "physics/car.h"
#include "platform/clock.h"
#include "modeller/edit_views.h"
#include "render/views.h"
#include "ui/screen_labels.h"
#include "vehicle_editor/animation/anim_edit.h"
#include "vehicle_editor/animation/anim_screen.h"
#include "vehicle_editor/frame_points.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

class VehicleEditorWindow : public CarWindow {
 protected:
  static void KeyWith(int modifier, int key) {
    HandleKeyDown(modifier, 0);
    HandleKeyDown(key, 0);
    HandleKeyUp(key);
    HandleKeyUp(modifier);
    Frame();
  }
  // The entry page's "vehicle editor" button: the panel's label column, from y 0.35 down a row.
  static void OpenFromTheEntryPage() {
    ASSERT_TRUE(EntryPageIsIdle());
    const PanelLayout& l = CurrentPanelLayout();
    ClickAt(int((1.0 + (l.labelX1 + l.labelX2) / 2) / 2 * WIDTH), int((1.0 + 0.35 + l.rowHeight / 2) / 2 * HEIGHT));
  }
  // Opens the editor through the entry page's button and loads the sample car by "LOAD".
  static void OpenAndLoad() {
    OpenFromTheEntryPage();
    ASSERT_NE(CurrentVehicleEditor, nullptr) << "the entry page's button opens the editor";
    Frame();
    Click("LOAD");
    ASSERT_TRUE(OpenTextEntry.open);
    Answer("Runabout");
    ASSERT_NE(CurrentVehicleEditor->car, nullptr);
  }
  // Pixels of the rectangle that differ between two pictures by more than 30 in a channel.
  static int Differing(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const uint8_t *p = a.At(x, y), *q = b.At(x, y);
        n += std::abs(p[0] - q[0]) > 30 || std::abs(p[1] - q[1]) > 30 || std::abs(p[2] - q[2]) > 30;
      }
    return n;
  }
};

TEST_F(VehicleEditorWindow, TheEntryPagesButtonOpensItTheSampleCarLoadsSettlesAndEscClosesIt) {
  OpenFromTheEntryPage();
  ASSERT_NE(CurrentVehicleEditor, nullptr);
  VehicleEditor& e = *CurrentVehicleEditor;
  Frame();
  EXPECT_EQ(e.car, nullptr);
  const InterfaceButton* load = FindButton("LOAD");
  ASSERT_NE(load, nullptr) << "the file row";
  ASSERT_NE(FindButton("Edit"), nullptr) << "the display row";
  const int loadX = load->left + 3, loadY = load->top + 3;
  const Picture empty = Shot("vehicle_editor_empty");
  EXPECT_FALSE(empty.Black(loadX, loadY)) << "the LOAD face";

  KeyWith(KEY_CTRL, 'O');
  ASSERT_TRUE(OpenTextEntry.open) << "Ctrl+O asks too";
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of vehicle to LOAD");
  bool listed = false;
  for (int i = 0; i < TextEntryDialogSub.pick.count; ++i)
    listed = listed || std::strcmp(TextEntryDialogSub.pick.entries[i].name, "Runabout") == 0;
  EXPECT_TRUE(listed) << "the entry lists data/veh";
  Answer("Runabout");
  ASSERT_NE(e.car, nullptr);
  EXPECT_STREQ(VehicleUndo::Slots[1].name, "load Runabout");
  EXPECT_EQ(e.selection.saved, 1);
  EXPECT_EQ(e.selection.selectedPoint, NO_POINT);
  Run(3000);
  EXPECT_FALSE(e.car->frozen);
  EXPECT_LT(e.car->speed, 0.05f) << "the car stands and settles";
  const Picture withCar = Shot("vehicle_editor_car");
  EXPECT_GT(Differing(empty, withCar, WIDTH / 2 - 60, HEIGHT / 2 - 40, WIDTH / 2 + 60, HEIGHT / 2 + 40), 2000)
      << "the car's body fills the middle of the view";

  Key('L', true);
  EXPECT_EQ(e.diagramFlags, 1u);
  EXPECT_EQ(e.selection.openTab, 3);
  const Picture diagram = Shot("vehicle_editor_diagram");
  EXPECT_GT(Differing(withCar, diagram, 0, 0, WIDTH, HEIGHT), 2000) << "the diagram of both axles";
  EXPECT_NE(FindButton("Suspension diagram"), nullptr) << "the suspension page stays, to switch it off";
  Key('L', true);
  EXPECT_EQ(e.diagramFlags, 0u);

  Key('E');
  ASSERT_NE(ActiveObjectEditor, nullptr) << "E opens the modeller on the car's model";
  for (int i = 0; i < 4 && ActiveObjectEditor; ++i) Key(KEY_ESCAPE);
  ASSERT_EQ(ActiveObjectEditor, nullptr);
  Frame();
  EXPECT_STREQ(e.statusText, "no changes");
  EXPECT_EQ(VehicleUndo::NumNodes, 1);
  const Picture status = Shot("vehicle_editor_status");
  EXPECT_GT(Differing(withCar, status, 0, 0, WIDTH, HEIGHT / 3), 50) << "the status line shows";

  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(CurrentVehicleEditor, nullptr) << "saved: Esc closes at once";
  EXPECT_TRUE(EntryPageIsIdle());
}

TEST_F(VehicleEditorWindow, WithUnsavedChangesTheWindowsCloseAsksFirst) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  RecordEdit("fuel tank");
  e.car->fuelTankCapacity = 30.0f;
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&quit), 1);
  Frame(2);
  ASSERT_NE(CurrentVehicleEditor, nullptr) << "the work is not lost";
  EXPECT_EQ(e.prss.sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "Exit ZKT?");
  Key(KEY_ESCAPE);  // no
  EXPECT_NE(CurrentVehicleEditor, nullptr);
  Key(KEY_ESCAPE);
  EXPECT_EQ(e.prss.sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "Exit editor?");
}

// The side view from the view buttons: the car drawn through the view's own projection, the
// frame's points as lettered labels at their projected pixels; a click selects the point, a
// second click deselects it and Shift+click on another adds a tube between the two.
TEST_F(VehicleEditorWindow, TheSideViewShowsTheFramesLetteredMarkersAndAClickSelectsThePoint) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  ASSERT_NE(FindButton("r"), nullptr) << "the edit views' buttons";
  Click("r");
  ASSERT_NE(EditViews.width, 0) << "a 2D view is current";
  // Two pivots 1 m apart at the car's mid height, whatever frame the sample car has.
  const int first = e.car->framePointCount;
  for (int i = 0; i < 2; ++i) {
    FramePoint* p = AppendFramePoint(*e.car);
    ASSERT_NE(p, nullptr);
    *p = FramePoint{0, i == 0 ? -32768 : 32768, 32768, 0.0f, 0, uint8_t(i == 0 ? 1 : 2), 0};
  }
  e.displayFlags &= ~SHOW_POINTS;
  Run(200);
  const Picture without = Shot("vehicle_editor_side");
  e.displayFlags |= SHOW_POINTS | SHOW_TUBES;
  const Picture with = Shot("vehicle_editor_markers");
  float x[2], y[2];
  for (int i = 0; i < 2; ++i) {
    IntVector world;
    TransformPoint(e.car->drawTransform, IntVector{0, i == 0 ? -32768 : 32768, 32768}, world);
    const int32_t at[3] = {world.x, world.y, world.z};
    int32_t depth;
    ASSERT_TRUE(ProjectPointToScreen(at, &x[i], &y[i], &depth));
  }
  EXPECT_GT(std::abs(x[1] - x[0]), 20.0f) << "the side view spreads the points along the car";
  const int px = int(x[0]), py = int(y[0]);
  EXPECT_GT(Differing(without, with, px - 6, py - 8, px + 6, py + 8), 20) << "the \"L\" label at its pixel";
  const ScreenLabel* label = FindScreenLabelAt(px, py);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->first, first);
  EXPECT_EQ(char(label->second), 'L');

  ClickAt(px, py);
  EXPECT_EQ(e.selection.selectedPoint, first) << "the click selects the point";
  ClickAt(px, py);
  EXPECT_EQ(e.selection.selectedPoint, NO_POINT) << "clicking the selected point deselects it";
  ClickAt(px, py);
  const int tubes = e.car->frameTubeCount;
  HandleKeyDown(KEY_SHIFT, 0);
  ClickAt(int(x[1]), int(y[1]));
  HandleKeyUp(KEY_SHIFT);
  ASSERT_EQ(e.car->frameTubeCount, tubes + 1) << "Shift+click adds a tube";
  EXPECT_EQ(e.car->frameTubes[tubes].a, first);
  EXPECT_EQ(e.car->frameTubes[tubes].b, first + 1);
  EXPECT_EQ(e.selection.selectedTube, tubes);
}

TEST_F(VehicleEditorWindow, AOpensTheDriversAnimationInDriverModeAndEscReturnsToTheCar) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Frame();
  ASSERT_NE(FindButton("Animate"), nullptr) << "the display row";
  Car* car = e.car;
  const Picture editor = Shot("vehicle_editor_before_animate");
  Key('A');
  ASSERT_NE(e.car->steeringInstance, nullptr) << "the sample car has a driver";
  ASSERT_NE(ActiveObjectEditor, nullptr) << "A opens the object editor";
  EXPECT_EQ(e.subEditor, SUB_ANIMATION);
  ASSERT_NE(OpenAnimEditorScreen, nullptr) << "and the animation editor over it";
  const AnimEditor& a = OpenAnimEditorScreen->editor;
  ASSERT_NE(a.driverAnimation, nullptr) << "driver mode";
  EXPECT_NE(a.driverAnimation, e.car->steeringPose) << "a copy";
  EXPECT_EQ(a.selected, a.driverAnimation);
  Frame(2);
  EXPECT_EQ(FindButton("walk"), nullptr) << "no movement buttons";
  const Picture shown = Shot("vehicle_editor_animate");
  EXPECT_GT(Differing(editor, shown, 0, 0, WIDTH, HEIGHT), 2000) << "the animation editor's screen";

  // One Esc leaves the animation editor, and the object editor under it closes with it.
  Key(KEY_ESCAPE);
  Frame();
  ASSERT_EQ(ActiveObjectEditor, nullptr);
  EXPECT_EQ(OpenAnimEditorScreen, nullptr);
  ASSERT_EQ(CurrentVehicleEditor, &e);
  Frame();
  EXPECT_EQ(e.subEditor, SUB_NONE);
  EXPECT_EQ(e.car, car) << "the car is kept";
  EXPECT_NE(e.car->steeringInstance, nullptr) << "its animations loaded again";
  EXPECT_NE(e.car->steeringPose, nullptr);
  EXPECT_EQ(CurrentProcess, &e.prss);
}

}  // namespace
