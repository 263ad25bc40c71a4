// vehicle_editor_gpu_test.cpp - the vehicle editor as a user meets it (editor_window_harness.h):
// opened by the entry page's button, "LOAD" asks for a vehicle among data/veh, the sample car
// loads, stands and settles in the 3D view, the modeller opened and closed unchanged leaves
// "no changes", Esc closes it at once and the entry page is back, as it was at the start; with
// unsaved changes the window's close asks first.  The pictures are written to the test's folder:
// vehicle_editor_empty.png, vehicle_editor_car.png, vehicle_editor_diagram.png (Shift+L),
// vehicle_editor_status.png and the 2D views' pictures named in the README.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "animation/anim_edit.h"
#include "animation/anim_screen.h"
#include "core/config.h"
#include "core/gamma_tables.h"
#include "editor_window_harness.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "physics/car.h"
#include "platform/clock.h"
#include "render/gouraud_mesh.h"
#include "render/texture_names.h"
#include "render/views.h"
#include "skeleton/human_system.h"
#include "tests/gpu_device.h"
#include "tests/physics/static_balance.h"
#include "text/code_pages.h"
#include "ui/draw_record.h"
#include "ui/screen_labels.h"
#include "vehicle/car_animations.h"
#include "vehicle/car_drawing.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_editor/frame_points.h"
#include "vehicle_editor/tab_pages.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

class VehicleEditorWindow : public CarWindow {
 protected:
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
  // The pixel where a point of the car (car axes, metres) shows in the current view.
  static bool CarPointOnScreen(const Car& car, double x, double y, double z, float* sx, float* sy) {
    IntVector world;
    const IntVector local{int32_t(std::lround(x * 65536)), int32_t(std::lround(y * 65536)), int32_t(std::lround(z * 65536))};
    TransformPoint(car.drawTransform, local, world);
    const int32_t at[3] = {world.x, world.y, world.z};
    int32_t depth;
    return ProjectPointToScreen(at, sx, sy, &depth) != 0;
  }
  // A painted pixel: the body's colour, not the grey of the view, its grid or the ground.
  static bool Coloured(const uint8_t* p) {
    return std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 60;
  }
  // Two shown buttons whose rectangles overlap, as "a / b"; empty when none do.
  static std::string OverlappingButtons() {
    for (int i = 0; i < ButtonCount; ++i)
      for (int j = i + 1; j < ButtonCount; ++j) {
        const InterfaceButton &a = InterfaceButtons[i], &b = InterfaceButtons[j];
        if (a.right <= a.left || a.bottom <= a.top || b.right <= b.left || b.bottom <= b.top) continue;
        if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom) {
          char x[128] = "", y[128] = "";
          ButtonText(a, x, sizeof x);
          ButtonText(b, y, sizeof y);
          return std::string(x) + " / " + y;
        }
      }
    return "";
  }
  // A press at (x, y), the pointer moved to (x2, y2) with the button held, and let go.
  static void Press(int x, int y) {
    MouseRecord press{};
    press.clickCode = CLICK_LEFT;
    press.leftHeld = 1;
    Mouse(press, x, y);
  }
  static void MoveHeld(int x, int y, int right = 0) {
    MouseRecord move{};
    move.dx = x - MouseX;
    move.dy = y - MouseY;
    move.leftHeld = 1;
    move.rightHeld = right;
    if (right) move.clickCode = CLICK_RIGHT;
    Mouse(move, x, y);
  }
  static void Release(int x, int y) {
    MouseRecord release{};
    release.releaseCode = 1;
    Mouse(release, x, y);
  }
  // How far a pixel lies from the frame's clear colour (the view's ambient colour; the window
  // is an sRGB target), summed over the channels.
  static int FromClear(const uint8_t* p) {
    int unlike = 0;
    for (int c = 0; c < 3; ++c) unlike += std::abs(int(p[c]) - int(SrgbByte(CurrentView->ambient[c])));
    return unlike;
  }
  // In the 3D view: the body where the car's centre (0.45 m up) projects (the roof over it,
  // far from the clear colour) and the paint of its bonnet (its half away from the information
  // panel's column); the ground where a point on it 3 m from the car towards the eye projects,
  // grey and unlike the clear colour.
  static void ExpectBodyAndGround(const Picture& shot, const char* when) {
    SCOPED_TRACE(when);
    const Car& car = *CurrentVehicleEditor->car;
    float x, y;
    ASSERT_TRUE(CarPointOnScreen(car, 0.0, 0.0, 0.45, &x, &y));
    ASSERT_TRUE(x >= 0 && y >= 0 && x < WIDTH && y < HEIGHT) << x << ", " << y;
    EXPECT_GT(FromClear(shot.At(int(x), int(y))), 60) << "the body at " << x << ", " << y;
    ASSERT_TRUE(CarPointOnScreen(car, -0.3, 1.4, 0.7, &x, &y));
    EXPECT_TRUE(Coloured(shot.At(int(x), int(y)))) << "the bonnet's paint at " << x << ", " << y;
    const float* d = CurrentView->direction;
    const double across = std::hypot(d[0], d[1]);
    ASSERT_GT(across, 0.1) << "the view looks down at a slant";
    const int32_t ground[3] = {car.position.x + int32_t(std::lround(3.0 * d[0] / across * 65536)),
                               car.position.y + int32_t(std::lround(3.0 * d[1] / across * 65536)), 0};
    int32_t depth;
    ASSERT_TRUE(ProjectPointToScreen(ground, &x, &y, &depth)) << "the ground point is in view";
    const uint8_t* p = shot.At(int(x), int(y));
    EXPECT_TRUE(IsGrey(p)) << "the ground at " << x << ", " << y;
    EXPECT_GT(FromClear(p), 20) << "the ground stands out from the clear colour at " << x << ", " << y;
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
  Settle(3000);
  EXPECT_FALSE(e.car->frozen);
  EXPECT_LT(e.car->speed, 0.05f) << "the car stands and settles";
  const Picture withCar = Shot("vehicle_editor_car");
  EXPECT_GT(Differing(empty, withCar, WIDTH / 2 - 60, HEIGHT / 2 - 40, WIDTH / 2 + 60, HEIGHT / 2 + 40), 2000)
      << "the car's body fills the middle of the view";
  // The 3D view is the edit views' own camera along the editor's view angles: the body's colour
  // where the car's centre projects, the ground between the car and the eye.
  ASSERT_EQ(EditViews.width, 0);
  EXPECT_EQ(CurrentView->heading, e.viewAngles[0]);
  EXPECT_EQ(CurrentView->pitch, e.viewAngles[1]);
  ExpectBodyAndGround(withCar, "as loaded");

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

// The entry page looks the same each time it shows: closed by Esc, the vehicle editor and the
// object editor leave nothing of their last 3D frame behind the page once it rests
// (entry_page_first.png, entry_page_after_vehicle.png, entry_page_after_object.png).  The top
// third, where the message lines name the shots, is left out; the pointer stands where it
// points at nothing, as at the start.
TEST_F(VehicleEditorWindow, TheEntryPageShowsAsAtTheStartWhenAnEditorCloses) {
  ResetMessages();
  Mouse(MouseRecord{}, WIDTH - 10, HEIGHT / 2);
  const Picture first = Shot("entry_page_first");
  const auto closeAndCompare = [&](const char* name) {
    Mouse(MouseRecord{}, WIDTH - 10, HEIGHT / 2);
    HandleKeyDown(KEY_ESCAPE, 0);
    HandleKeyUp(KEY_ESCAPE);
    const Picture again = Resting(name);
    ASSERT_TRUE(EntryPageIsIdle());
    // A few pixels at the edges of letters may differ (the editor filled the glyph cache).
    EXPECT_LT(Differing(first, again, 0, HEIGHT / 3, WIDTH, HEIGHT), 50);
    EXPECT_TRUE(again.Black(WIDTH / 2, HEIGHT / 2)) << "the page's background";
  };

  OpenAndLoad();
  Run(500);
  EXPECT_GT(Differing(first, Shot("entry_page_vehicle_editor"), 0, HEIGHT / 3, WIDTH, HEIGHT), 20000)
      << "the editor's view";
  {
    SCOPED_TRACE("the vehicle editor closed");
    closeAndCompare("entry_page_after_vehicle");
  }

  ObjectEditorWindow::OpenFromTheEntryPage();
  Frame(2);
  EXPECT_GT(Differing(first, Shot("entry_page_object_editor"), 0, HEIGHT / 3, WIDTH, HEIGHT), 20000)
      << "the editor's view";
  {
    SCOPED_TRACE("the object editor closed");
    closeAndCompare("entry_page_after_object");
  }
}

// The 3D view, drawn through the edit views' own camera: Ctrl with the left button turns it
// about the car, which stays where it projected, its body and the ground in view
// (vehicle_editor_turned.png); the centre marks stand where the view projects the car's
// centres and a click names one; the wheels' pivot lines and special draw show as in the 2D
// views; a view wider than its zoom's half draws the car at a level-of-detail distance lowered
// by that half while it draws, the editor's two scales given back after.
TEST_F(VehicleEditorWindow, TheThreeDViewTurnsAboutTheCarAndShowsItsMarksAndItsLevelOfDetailFollowsTheZoom) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Run(500);
  ASSERT_EQ(EditViews.width, 0);
  // The view turns about the car, framed off the view's middle in the room the panels leave.
  const int32_t centre[3] = {e.car->position.x, e.car->position.y, e.car->position.z};
  double depthAlong = 0.0;
  for (int i = 0; i < 3; ++i) depthAlong += (CurrentView->position[i] - double(centre[i])) / 65536.0 * CurrentView->direction[i];
  float bx, by;
  int32_t depth;
  ASSERT_TRUE(ProjectPointToScreen(centre, &bx, &by, &depth));
  const uint16_t heading = e.viewAngles[0], pitch = e.viewAngles[1];
  HandleKeyDown(KEY_CTRL, 0);
  MouseRecord turn{};
  turn.leftHeld = 1;
  turn.dx = 300;
  turn.dy = 60;
  Mouse(turn, WIDTH / 2, HEIGHT / 2);
  HandleKeyUp(KEY_CTRL);
  EXPECT_EQ(e.viewAngles[0], uint16_t(heading + 300 * 36));
  EXPECT_EQ(e.viewAngles[1], uint16_t(pitch - 60 * 18));
  ClearMessages();  // the load's report is drawn over the view, where the car's pixels are read
  const Picture turned = Shot("vehicle_editor_turned");
  EXPECT_EQ(CurrentView->heading, e.viewAngles[0]) << "the view follows its angles";
  float tx, ty;
  ASSERT_TRUE(ProjectPointToScreen(centre, &tx, &ty, &depth));
  EXPECT_NEAR(tx, bx, 1.0f) << "turned about the car, which stays where it was";
  EXPECT_NEAR(ty, by, 1.0f);
  EXPECT_NEAR(depth / 65536.0, depthAlong, 0.01) << "as far from the eye as before";
  ExpectBodyAndGround(turned, "turned");

  // "COG": the three centre marks at their projected pixels; a click names the mesh centre.
  Key('G');
  ASSERT_TRUE(e.displayFlags & SHOW_COG);
  Frame();
  // The marks stand a few pixels apart on a car framed small: the mesh centre's is found by
  // its number, anchored where the car's reference point projects, and clicked where its face
  // shows from under the others.
  const ScreenLabel* labels[64];
  const ScreenLabel* mark = nullptr;
  for (int i = 0, n = ScreenLabelsByDepth(labels, 64); i < n; ++i)
    if (labels[i]->first == 0 && std::hypot(labels[i]->x - tx, labels[i]->y - ty) < 1.5f) mark = labels[i];
  ASSERT_NE(mark, nullptr) << "the mesh centre's mark in the 3D view";
  char text[LABEL_TEXT_SIZE];
  float left, top, right, bottom;
  ASSERT_TRUE(GetScreenLabelRect(*mark, text, &left, &top, &right, &bottom));
  int clickX = -1, clickY = -1;
  for (int y = int(top); y < int(bottom) && clickX < 0; ++y)
    for (int x = int(left); x < int(right) && clickX < 0; ++x)
      if (FindScreenLabelAt(x, y) == mark) clickX = x, clickY = y;
  ASSERT_GE(clickX, 0) << "some of the mark's face shows";
  ClickAt(clickX, clickY);
  ASSERT_NE(GetNewestMessageText(), nullptr);
  EXPECT_STREQ(GetNewestMessageText(), "Mesh centre");
  Key('G');

  // The wheels' pivot lines over the car with tab 6 open.
  const Picture plain = Shot("vehicle_editor_3d_before_lines");
  e.selection.openTab = 6;
  EXPECT_GT(Differing(plain, Shot("vehicle_editor_3d_wheel_lines"), 0, 0, WIDTH, HEIGHT), 20) << "the pivot lines";
  e.selection.openTab = -1;
  // Special draw hides the body where the car's centre projects.
  Key('S');
  e.displayFlags &= ~(SHOW_MASSES | SHOW_FRAME);
  const Picture hidden = Shot("vehicle_editor_3d_special_draw");
  float x, y;
  ASSERT_TRUE(CarPointOnScreen(*e.car, 0.0, 0.0, 0.45, &x, &y));
  EXPECT_FALSE(Coloured(hidden.At(int(x), int(y)))) << "no body";
  Key('S');
  e.displayFlags |= SHOW_MASSES | SHOW_FRAME;

  // The level of detail: at 50 degrees half the zoom is above 1 and the distance stands; at
  // 100 degrees it is lowered by half the zoom (1 / (2 tan 50)) for the drawing only.
  const CarDrawing& d = DrawingOf(*e.car);
  SetEditViewFieldOfView(50.0f);
  Frame();
  ASSERT_GT(d.viewDistance, 65536);
  EXPECT_NEAR(d.lodDistance, d.viewDistance, 2) << "no scaling";
  SetEditViewFieldOfView(100.0f);
  Frame();
  const double half = 1.0 / (2.0 * std::tan(50.0 * 3.14159265358979 / 180.0));
  EXPECT_NEAR(VehicleEditor::HalfViewZoom(), half, 1e-4);
  EXPECT_NEAR(double(d.lodDistance), d.viewDistance * half, 0.001 * d.viewDistance) << "lowered while drawing";
  EXPECT_EQ(e.lodScale, 1.0f) << "given back";
  EXPECT_EQ(e.detailScale, 1.0f);
  SetEditViewFieldOfView(DEFAULT_FIELD_OF_VIEW);
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

// The car follows the vehicle: after each change, set up once and stepped by the editor's
// drawn frames in fake time, it stands at rest within 3 s at its static balance (the tyres
// carry the weight, the axles by the lever rule, each spring its load: the ride heights within
// 2 %) with the frame's mass doubled, the front converted to linear and then to a strut; undone,
// it has its earlier bytes and settles back to its earlier heights.
TEST_F(VehicleEditorWindow, TheCarSettlesAtItsStaticBalanceAfterEachChangeAndAfterTheUndo) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  // The program on the car's own drive side, whatever side an earlier test left: a car loaded
  // mirrored is read back unmirrored from the history.
  VehicleEditor::UpdateDriveSide(e);
  const auto bytes = [&] {
    std::vector<uint8_t> body;
    EXPECT_EQ(WriteVehicleBody(*e.car, e.vehicleName, 1, body), 1);
    return body;
  };
  const auto travels = [&] {
    std::vector<float> t;
    for (int i = 0; i < e.car->wheelCount; ++i) t.push_back(e.car->wheels[i].travel);
    return t;
  };
  const StaticBalanceShares share{0.02, 0.02, 0.02};
  const auto settles = [&](const char* when) {
    SCOPED_TRACE(when);
    Settle(3000);
    ASSERT_FALSE(e.car->frozen);
    EXPECT_LT(e.car->speed, 0.01f);
    ExpectStaticBalance(*e.car, share);
  };
  constexpr int FRONT = 1;
  settles("as loaded");
  const std::vector<uint8_t> loaded = bytes();
  const std::vector<float> heights = travels();
  ASSERT_EQ(e.car->wheelSets[FRONT].suspensionType, SUSPENSION_MACPHERSON_STRUT) << "the sample's front";

  uint32_t setups = e.carSetups;
  const float mass = e.car->mass;
  VehicleEditor::ScaleFrameMass(&e, CLICK_RIGHT | CLICK_SHIFT, 1);  // Shift with the right button on plus: twice
  EXPECT_EQ(e.carSetups, setups + 1);
  EXPECT_GT(e.car->mass, mass);
  settles("the frame's mass doubled");
  for (int i = 0; i < e.car->wheelCount; ++i) EXPECT_GT(e.car->wheels[i].travel, heights[size_t(i)]) << "sinks " << i;

  setups = e.carSetups;
  VehicleEditor::ConvertToLinear(e, FRONT);
  EXPECT_EQ(e.carSetups, setups + 1);
  ASSERT_EQ(e.car->wheelSets[FRONT].suspensionType, SUSPENSION_LINEAR);
  settles("the front linear");

  setups = e.carSetups;
  VehicleEditor::ConvertSuspension(e, FRONT, SUSPENSION_MACPHERSON_STRUT);
  EXPECT_EQ(e.carSetups, setups + 1);
  ASSERT_EQ(e.car->wheelSets[FRONT].suspensionType, SUSPENSION_MACPHERSON_STRUT);
  settles("the front a strut again");

  for (int k = 0; k < 3; ++k) KeyWith(KEY_CTRL, 'Z');
  EXPECT_EQ(bytes(), loaded);
  settles("undone");
  const std::vector<float> back = travels();
  for (size_t i = 0; i < heights.size(); ++i) EXPECT_NEAR(back[i], heights[i], std::fabs(heights[i]) * 0.02) << i;
}

// The transmission page: a tab opened, "electric motor" chosen from the list and the question
// answered yes by the mouse; the page shows the motor's rows and the car settles on its
// wheels; Ctrl+Z restores the earlier state byte for byte, Ctrl+Y the motor.  The picture of
// the open page (vehicle_editor_page1.png) shows the open tab's highlight and the reverse
// ratio's knob.  In the side view the car's centre mark, clicked, names itself.
TEST_F(VehicleEditorWindow, APageChangesTheCarToElectricAndUndoAndRedoRestoreEachState) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  const auto bytes = [&] {
    std::vector<uint8_t> body;
    EXPECT_EQ(WriteVehicleBody(*e.car, e.vehicleName, 1, body), 1);
    return body;
  };
  Click("Transmission / Audio");
  ASSERT_EQ(e.selection.openTab, 1);
  const InterfaceButton* open = FindButton("Transmission / Audio");
  const InterfaceButton* closed = FindButton("Vehicle Class");
  const InterfaceButton* ratio = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].style == BUTTON_STYLE_FLOAT &&
        std::strncmp(InterfaceButtons[i].fourth.text, "Reverse gear ratio", 18) == 0)
      ratio = &InterfaceButtons[i];
  ASSERT_NE(ratio, nullptr);
  ASSERT_NE(open, nullptr);
  ASSERT_NE(closed, nullptr);
  const int openX = open->right - 3, openY = open->top + 3, closedX = closed->right - 3, closedY = closed->top + 3;
  // The knob's bright part: the last button without owner after the bar (its middle line, or,
  // under the label, its piece above or below the glyphs).
  const InterfaceButton* knob = ratio + 1;
  while (!knob[1].owner) ++knob;
  const InterfaceButton& line = *knob;
  const int knobX = (line.left + line.right) / 2, knobY = (line.top + line.bottom) / 2;
  const Picture page = Shot("vehicle_editor_page1");
  const uint8_t *lit = page.At(openX, openY), *unlit = page.At(closedX, closedY);
  EXPECT_GT(std::abs(lit[0] - unlit[0]) + std::abs(lit[1] - unlit[1]) + std::abs(lit[2] - unlit[2]), 60)
      << "the open tab is drawn in the highlight colour";
  const auto bright = [](const uint8_t* p) { return p[0] + p[1] + p[2] > 3 * 180; };
  EXPECT_TRUE(page.Near(knobX, knobY, bright)) << "the reverse ratio bar's knob";
  EXPECT_FALSE(page.Near(knobX + ButtonWidth, (ratio->top + ratio->bottom) / 2, bright)) << "the bar beside it";
  const std::vector<uint8_t> combustion = bytes();

  Click("H-pattern gearbox");
  ASSERT_EQ(e.prss.sub, &SelectDialog.prss) << "the list of transmission types";
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, TRANSMISSION_ELECTRIC);
  Frame();
  ASSERT_EQ(e.prss.sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "Convert to electric vehicle?");
  Key('Y');
  ASSERT_EQ(e.car->transmissionType, TRANSMISSION_ELECTRIC);
  Frame();
  EXPECT_NE(FindButton("electric motor"), nullptr) << "the page names the motor";
  EXPECT_EQ(FindButton("Shift light"), nullptr) << "no gearbox rows";
  EXPECT_NE(FindButton("Traction control"), nullptr);
  Settle(3000);
  EXPECT_FALSE(e.car->frozen);
  EXPECT_LT(e.car->speed, 0.05f) << "the car settles";
  const std::vector<uint8_t> electric = bytes();

  KeyWith(KEY_CTRL, 'Z');
  EXPECT_EQ(bytes(), combustion);
  EXPECT_EQ(e.car->transmissionType, TRANSMISSION_H_PATTERN);
  // Redo: the motor again, with the figures the conversion gave it.
  KeyWith(KEY_CTRL, 'Y');
  EXPECT_EQ(e.car->transmissionType, TRANSMISSION_ELECTRIC);
  EXPECT_STREQ(e.car->engineName, "ELECTRIC");
  EXPECT_EQ(bytes(), electric);
  KeyWith(KEY_CTRL, 'Z');
  EXPECT_EQ(bytes(), combustion);
  // "COG" on in the side view: the car's centre mark, clicked, names itself.
  Click("r");
  ASSERT_NE(EditViews.width, 0);
  Key('G');
  ASSERT_TRUE(e.displayFlags & SHOW_COG);
  Frame();
  const int32_t centre[3] = {e.car->position.x, e.car->position.y, e.car->position.z};
  float cx = 0, cy = 0;
  int32_t depth = 0;
  ASSERT_TRUE(ProjectPointToScreen(centre, &cx, &cy, &depth));
  const ScreenLabel* mark = FindScreenLabelAt(int(cx), int(cy));
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->first, 0);
  ClickAt(int(cx), int(cy));
  ASSERT_NE(GetNewestMessageText(), nullptr);
  EXPECT_STREQ(GetNewestMessageText(), "Mesh centre");
  Key('G');
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
  // Two pivots 0.8 m apart at the car's mid height, whatever frame the sample car has (clear of
  // the side panel at the right edge).
  constexpr int32_t POINT_Y = 26214;
  const int first = e.car->framePointCount;
  for (int i = 0; i < 2; ++i) {
    FramePoint* p = AppendFramePoint(*e.car);
    ASSERT_NE(p, nullptr);
    *p = FramePoint{0, i == 0 ? -POINT_Y : POINT_Y, 32768, 0.0f, 0, uint8_t(i == 0 ? 1 : 2), 0};
  }
  e.displayFlags &= ~SHOW_POINTS;
  Run(200);
  const Picture without = Shot("vehicle_editor_side");
  e.displayFlags |= SHOW_POINTS | SHOW_TUBES;
  const Picture with = Shot("vehicle_editor_markers");
  float x[2], y[2];
  for (int i = 0; i < 2; ++i) {
    IntVector world;
    TransformPoint(e.car->drawTransform, IntVector{0, i == 0 ? -POINT_Y : POINT_Y, 32768}, world);
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

// The side and top views draw the car's body through their own projection under the normal
// back-face state: its side faces the "r" view and its bonnet the "t" view.  The display rows
// stand clear of the edit views' button block, with and without special draw.
TEST_F(VehicleEditorWindow, TheSideAndTopViewsShowTheBodyAndNoButtonsOverlap) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Run(200);
  EXPECT_EQ(OverlappingButtons(), "") << "the 3D view's rows";
  Click("r");
  ASSERT_NE(EditViews.width, 0);
  Run(100);
  const Picture side = Shot("vehicle_editor_body_side");
  float x, y;
  ASSERT_TRUE(CarPointOnScreen(*e.car, 0.9, 0.5, 0.35, &x, &y));
  EXPECT_TRUE(Coloured(side.At(int(x), int(y)))) << "the body's side at " << x << ", " << y;
  Click("t");
  Run(100);
  const Picture top = Shot("vehicle_editor_body_top");
  ASSERT_TRUE(CarPointOnScreen(*e.car, 0.45, 0.8, 0.7, &x, &y));
  EXPECT_TRUE(Coloured(top.At(int(x), int(y)))) << "the bonnet, wound to face up, at " << x << ", " << y;

  // Special draw hides the body: the mass boxes and the frame stand in its place.
  Key('S');
  ASSERT_EQ(SpecialDraw, 1);
  ASSERT_NE(FindButton("frame"), nullptr);
  EXPECT_EQ(OverlappingButtons(), "") << "with special draw's row";
  e.displayFlags &= ~(SHOW_MASSES | SHOW_FRAME);
  // Message lines are drawn over the view: each shot's own line is cleared before the next
  // shot, so the pictures compared differ only in what they draw of the car.
  ClearMessages();
  const Picture hidden = Shot("vehicle_editor_special_draw");
  EXPECT_FALSE(Coloured(hidden.At(int(x), int(y)))) << "no body";
  e.displayFlags |= SHOW_MASSES;
  const Picture masses = Shot("vehicle_editor_masses");
  EXPECT_GT(Differing(hidden, masses, 0, 0, WIDTH, HEIGHT), 500) << "the mass boxes";
  // A spare wheel the vehicle carries, not shown, lies flat on the boot: with the masses its
  // tyre is drawn where its mass is counted, and the vehicle's options are left as they were.
  const uint32_t options = e.car->options;
  e.car->options = (options | OPT1_SPARE_WHEEL_MASS) & ~OPT1_SPARE_WHEEL_VISIBLE;
  e.car->spareWheelPosition = Vec3{0.0f, -1.0f, 0.8f};
  const Picture spare = Shot("vehicle_editor_spare_wheel");
  EXPECT_EQ(e.car->options & OPT1_SPARE_WHEEL_VISIBLE, 0u);
  float sx, sy;
  ASSERT_TRUE(CarPointOnScreen(*e.car, 0.0, -1.0, 0.8, &sx, &sy));
  const int r = 100;  // past the tyre's ring (its middle is open: special draw hides the rim)
  EXPECT_GT(Differing(masses, spare, int(sx) - r, int(sy) - r, int(sx) + r, int(sy) + r), 100) << "the spare's tyre";
  e.displayFlags &= ~SHOW_MASSES;
  ClearMessages();
  // (a point label beside it may stand a pixel elsewhere; a tyre is a hundred pixels or more)
  EXPECT_LT(Differing(hidden, Shot("vehicle_editor_special_draw"), int(sx) - r, int(sy) - r, int(sx) + r, int(sy) + r), 20)
      << "without the masses, no spare";
  e.car->options = options;
  // A tube across two new points, drawn with "frame".
  const int first = e.car->framePointCount;
  for (int i = 0; i < 2; ++i) {
    FramePoint* p = AppendFramePoint(*e.car);
    ASSERT_NE(p, nullptr);
    *p = FramePoint{16384, i == 0 ? -65536 : 65536, 32768, 0.0f, 0, 0, 0};
  }
  FrameTube* tube = AppendFrameTube(*e.car);
  ASSERT_NE(tube, nullptr);
  *tube = FrameTube{int16_t(first), int16_t(first + 1), 10.0f, 0.0f, 0, 0};
  VehicleEditor::VehicleValueChanged(e);
  e.displayFlags |= SHOW_FRAME;
  const Picture frame = Shot("vehicle_editor_frame");
  EXPECT_GT(Differing(hidden, frame, 0, 0, WIDTH, HEIGHT), 100) << "the frame's tube";
  e.displayFlags &= ~SHOW_FRAME;
  e.displayFlags |= SHOW_WIRE;
  const Picture wire = Shot("vehicle_editor_wire");
  EXPECT_GT(Differing(hidden, wire, 0, 0, WIDTH, HEIGHT), 200) << "the body's wireframe";
  Key('S');
}

// The Suspension page's pictures keep clear of the rows: the suspension diagram (Shift+L)
// stands in the room the page and the side panel leave, its texts (both axles' titles, track
// lines and wheel columns) meeting neither each other nor a row; in a side view the front
// wheel, whose geometry the page's rows set, lies in the room right of the page.
TEST_F(VehicleEditorWindow, TheSuspensionPagesDiagramAndSideViewKeepClearOfItsRows) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Run(200);
  Key('L', true);
  ASSERT_NE(e.diagramFlags, 0u);
  ASSERT_EQ(e.selection.openTab, TAB_SUSPENSION) << "Shift+L opens the Suspension page";
  Shot("vehicle_editor_suspension_diagram");
  DrawRecording = 1;
  Frame();
  DrawRecording = 0;
  struct Box {
    float left, top, right, bottom;
    std::string what;
  };
  const auto meet = [](const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
  };
  std::vector<Box> texts, rows;
  const auto diagramText = [](const std::string& t) {
    for (const char* start : {"Camber :", "Inclination :", "Caster :", "Scrub :", "SA ", "\xB5 :", "FRONT :", "REAR :",
                              "Track :"})
      if (t.rfind(start, 0) == 0) return true;
    return t.find(" psi / ") != std::string::npos;
  };
  for (const DrawRecordEntry& t : DrawRecord)
    if (t.role == RECORD_TEXT && t.label.empty() && diagramText(t.text)) texts.push_back({t.left, t.top, t.right, t.bottom, t.text});
  EXPECT_EQ(texts.size(), 2u * (2u * 7u + 2u)) << "two axles: each wheel's seven lines, the title and the track";
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    rows.push_back({float(b.left), float(b.top), float(b.right), float(b.bottom), "a button"});
  }
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    rows.push_back({(c.left + 1.0f) * 0.5f * WIDTH, (c.top + 1.0f) * 0.5f * HEIGHT, (c.right + 1.0f) * 0.5f * WIDTH,
                    (c.bottom + 1.0f) * 0.5f * HEIGHT, "a control"});
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_TRUE(texts[i].left >= 0.0f && texts[i].right <= WIDTH && texts[i].bottom <= HEIGHT) << texts[i].what;
    for (size_t j = i + 1; j < texts.size(); ++j)
      EXPECT_FALSE(meet(texts[i], texts[j])) << "\"" << texts[i].what << "\" and \"" << texts[j].what << "\"";
    for (const Box& r : rows) EXPECT_FALSE(meet(texts[i], r)) << "\"" << texts[i].what << "\" under " << r.what;
  }

  // The left view: the front's wheel box (its centre, a rolling radius each way along the car
  // and up) in sight, under no row.
  Key('L', true);
  ASSERT_EQ(e.diagramFlags, 0u);
  Click("l");
  ASSERT_NE(EditViews.width, 0);
  Frame(2);
  Shot("vehicle_editor_suspension_left_view");
  int fronts = 0;
  for (int i = 0; i < e.car->wheelCount; ++i) {
    const CarWheel& w = e.car->wheels[i];
    if (w.wheelSet != 1) continue;
    const double r = e.car->wheelSets[1].rollingRadius;
    ASSERT_GT(r, 0.1);
    Box wheel{float(WIDTH), float(HEIGHT), 0.0f, 0.0f, "the front wheel"};
    for (const double dy : {-r, r})
      for (const double dz : {-r, r}) {
        float x, y;
        ASSERT_TRUE(CarPointOnScreen(*e.car, w.centre.x, w.centre.y + dy, w.centre.z + dz, &x, &y));
        wheel.left = std::min(wheel.left, x), wheel.right = std::max(wheel.right, x);
        wheel.top = std::min(wheel.top, y), wheel.bottom = std::max(wheel.bottom, y);
      }
    EXPECT_TRUE(wheel.left >= 0.0f && wheel.right <= WIDTH && wheel.top >= 0.0f && wheel.bottom <= HEIGHT)
        << wheel.left << ".." << wheel.right << " x " << wheel.top << ".." << wheel.bottom;
    for (int k = 0; k < ButtonCount; ++k) {
      const InterfaceButton& b = InterfaceButtons[k];
      // The view's own marks (a wheel's letters) are no rows.
      if (b.right - b.left < ButtonWidth || b.bottom - b.top < ButtonHeight - 1) continue;
      EXPECT_FALSE(meet(wheel, Box{float(b.left), float(b.top), float(b.right), float(b.bottom), ""}))
          << "a row over the front wheel: " << b.left << ".." << b.right << " x " << b.top << ".." << b.bottom;
    }
    ++fronts;
  }
  EXPECT_EQ(fronts, 2);
}

// With special draw and "frame", the selected frame point shows axis handles in a 2D view.
// Pressing one starts the drag, the point follows the pointer along the handle, a second drag
// of the same point makes no second history node, and the right button puts the point back
// where the first drag began and drops the node.
TEST_F(VehicleEditorWindow, AHandleDraggedByTheMouseMovesThePointAndTheRightButtonPutsItBack) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Click("r");
  const int point = e.car->framePointCount;
  FramePoint* added = AppendFramePoint(*e.car);
  ASSERT_NE(added, nullptr);
  *added = FramePoint{0, 0, 32768, 0.0f, 0, 0, 0};
  Key('S');
  ASSERT_NE(e.displayFlags & SHOW_FRAME, 0u);
  Settle(2000);  // the car settles first: the drag is measured against a car standing still
  float px, py;
  ASSERT_TRUE(CarPointOnScreen(*e.car, 0, 0, 0.5, &px, &py));
  ClickAt(int(px), int(py));
  ASSERT_EQ(e.selection.selectedPoint, point);
  Frame();
  EXPECT_EQ(FindButton("x"), nullptr) << "the x handle points at the viewer";
  const InterfaceButton* handle = FindButton("y");
  ASSERT_NE(handle, nullptr) << "the handle along the car";
  const Picture before = Shot("vehicle_editor_handles");
  const int nodes = VehicleUndo::NumNodes;
  int hx = (handle->left + handle->right) / 2, hy = (handle->top + handle->bottom) / 2;
  Press(hx, hy);
  ASSERT_EQ(e.dragAxis, 1) << "the press starts the drag along y";
  EXPECT_EQ(VehicleUndo::NumNodes, nodes + 1);
  EXPECT_STREQ(VehicleUndo::Slots[nodes + 1].name, "drag point");
  MoveHeld(hx + 40, hy);
  MoveHeld(hx + 40, hy + 25);  // across the handle: nothing
  Release(hx + 40, hy + 25);
  EXPECT_EQ(e.dragAxis, -1);
  float qx, qy;
  const FramePoint& moved = e.car->framePoints[point];
  EXPECT_EQ(moved.x, 0);
  EXPECT_EQ(moved.z, 32768);
  ASSERT_TRUE(CarPointOnScreen(*e.car, 0, moved.y / 65536.0, 0.5, &qx, &qy));
  EXPECT_NEAR(qx - px, 40.0f, 1.5f) << "the point followed the pointer";
  EXPECT_NEAR(qy, py, 1.5f);
  const Picture after = Shot("vehicle_editor_dragged");
  EXPECT_GT(Differing(before, after, int(px) - 10, int(py) - 10, int(qx) + 10, int(qy) + 10), 20);

  Frame();
  handle = FindButton("y");
  ASSERT_NE(handle, nullptr);
  hx = (handle->left + handle->right) / 2, hy = (handle->top + handle->bottom) / 2;
  Press(hx, hy);
  MoveHeld(hx - 20, hy);
  EXPECT_EQ(VehicleUndo::NumNodes, nodes + 1) << "a second drag of the point joins the first's node";
  MoveHeld(hx - 20, hy, 1);
  EXPECT_EQ(e.dragAxis, -1);
  EXPECT_EQ(e.car->framePoints[point].y, 0) << "back where the first drag began";
  EXPECT_EQ(VehicleUndo::NumNodes, nodes) << "the drag's node is dropped";
  Release(hx - 20, hy);
  Frame();

  // The 3D view shows the handles too, and a drag there moves the point the same way.
  Click("P");
  ASSERT_EQ(EditViews.width, 0);
  Shot("vehicle_editor_handles_3d");
  handle = FindButton("z");
  ASSERT_NE(handle, nullptr) << "the handles over the car in the 3D view";
  hx = (handle->left + handle->right) / 2, hy = (handle->top + handle->bottom) / 2;
  Press(hx, hy);
  ASSERT_EQ(e.dragAxis, 2);
  MoveHeld(hx, hy - 30);
  Release(hx, hy - 30);
  EXPECT_GT(e.car->framePoints[point].z, 32768) << "dragged up";
  Key('S');
}

// The view-point buttons: "object" centres the 2D view on the car, "origin" on the world's
// origin.  Tab 3 or 6 open draws the wheels' pivot lines; the model's reference points get
// labels, twice for a mirrored one.
TEST_F(VehicleEditorWindow, OriginAndObjectCentreTheViewAndTheWheelLinesAndModelMarksShow) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Click("r");
  e.car->position.x += 3 << 16;
  e.car->position.y += 2 << 16;
  Click("object");
  EXPECT_EQ(CurrentView->position[0], e.car->position.x);
  EXPECT_EQ(CurrentView->position[1], e.car->position.y);
  Click("origin");
  EXPECT_EQ(CurrentView->position[0], 0);
  EXPECT_EQ(CurrentView->position[1], 0);
  Click("object");
  Run(100);

  const Picture plain = Shot("vehicle_editor_before_lines");
  e.selection.openTab = 6;
  const Picture lines = Shot("vehicle_editor_wheel_lines");
  EXPECT_GT(Differing(plain, lines, 0, 0, WIDTH, HEIGHT), 20) << "the wheels' pivot lines";
  e.selection.openTab = -1;

  ModelObject& model = *e.car->model;
  int mirrored = -1;
  for (int i = 0; i < model.pointCount && mirrored < 0; ++i)
    if (model.points[i].flags & POINT_MIRRORED) mirrored = i;
  ASSERT_GE(mirrored, 0);
  Frame();
  const int labels = ScreenLabelCount;
  model.points[mirrored].flags |= POINT_REFERENCE;
  Frame();
  EXPECT_EQ(ScreenLabelCount, labels + 2) << "a label on each side";
  model.points[mirrored].flags &= uint8_t(~POINT_REFERENCE);
}

// The animation editor frames the car and its driver as a loaded car is framed, however far
// the view was zoomed out before (here until the car is too far off to be drawn).
TEST_F(VehicleEditorWindow, AOpensTheDriversAnimationInDriverModeAndEscReturnsToTheCar) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Frame();
  ASSERT_NE(FindButton("Animate"), nullptr) << "the display row";
  Car* car = e.car;
  // The car's dark blue paint, lit or in shade, in the middle of the view (clear of the
  // panels and of the colour rows' blue swatch): a tenth of its pixels or more, the car framed
  // in the room the panels leave.
  const auto paint = [](const Picture& p) {
    int n = 0, all = 0;
    for (int y = HEIGHT * 3 / 10; y < HEIGHT * 7 / 10; ++y)
      for (int x = WIDTH * 42 / 100; x < WIDTH * 8 / 10; ++x, ++all) {
        const uint8_t* c = p.At(x, y);
        n += c[2] > 90 && c[2] > c[0] + 60 && c[2] > c[1] + 60 ? 1 : 0;
      }
    return double(n) / all;
  };
  EXPECT_GT(paint(Shot("vehicle_editor_framed")), 0.1) << "the loaded car framed";
  for (int notch = 0; notch < 20; ++notch) Wheel(2);
  const Picture editor = Shot("vehicle_editor_before_animate");
  EXPECT_LT(paint(editor), 0.01) << "zoomed out, the car is gone";
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
  EXPECT_GT(paint(shown), 0.2) << "the car framed again";
  // The driver is drawn in the car while the car's figure is one that sits in cars (its flag
  // bit 0), and not otherwise.
  FixedTransform seat;
  ASSERT_NE(AnimVehicleHooks.driverPlacement, nullptr);
  EXPECT_EQ(AnimVehicleHooks.driverPlacement(&seat), 1) << "the sample driver sits in cars";
  HumanModel& figure = Humans.models[e.car->steeringInstance->human - Humans.models];
  figure.flags &= ~HUMAN_MODEL_USABLE;
  EXPECT_EQ(AnimVehicleHooks.driverPlacement(&seat), 0);
  figure.flags |= HUMAN_MODEL_USABLE;
  // On a mirrored car the seat stands across the centre line, where the figure is drawn: the
  // two placements lie twice the seat's offset from the centre line apart.
  Car& c = *e.car;
  ASSERT_NE(c.driverPosition.x, 0.0f) << "the sample's driver sits off the centre line";
  FixedTransform across;
  c.mirrored = 0;
  ASSERT_EQ(AnimVehicleHooks.driverPlacement(&seat), 1);
  c.mirrored = 1;
  ASSERT_EQ(AnimVehicleHooks.driverPlacement(&across), 1);
  c.mirrored = 0;
  const double dx = (across.translation.x - seat.translation.x) / 65536.0;
  const double dy = (across.translation.y - seat.translation.y) / 65536.0;
  const double dz = (across.translation.z - seat.translation.z) / 65536.0;
  EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 2.0 * std::fabs(c.driverPosition.x), 0.001);
  // The wheel turn it is given is the drawn one, t = w L / r, r the lock of the vehicle's first
  // stored set-up: at half that lock the wheel turns half of w.
  const int reference = c.FirstDefaultSetup().bytes[SETUP_STEERING_LOCK];
  ASSERT_GE(reference, 2);
  const uint8_t keptLock = c.steeringLock;
  c.steeringLock = uint8_t(reference / 2);
  ASSERT_NE(AnimVehicleHooks.wheelTurn, nullptr);
  EXPECT_NEAR(AnimVehicleHooks.wheelTurn(), c.steeringWheelTurn * double(reference / 2) / reference, 1e-5);
  c.steeringLock = keptLock;

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

namespace {
// The texture names of an object and its subobjects that an export copies: named pages that are
// not skin pages or special names, once each (any case).
void ExportedNames(const ModelObject& o, std::set<std::string>& out) {
  for (int i = 0; i < o.pageCount; ++i) {
    const TexturePage& p = o.pages[i];
    if (p.type == PAGE_SKIN || !p.name[0] || IsSpecialTextureName(p.name)) continue;
    std::string name(p.name);
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    out.insert(name);
  }
  for (int c = 0; c < o.childCount; ++c) ExportedNames(o.children[c], out);
}
}  // namespace

// "Export PNG" asks first, then copies the textures of the car's model and of its spoke object
// to data/png_export, each once; "Export DDS" waits for compressed textures.
TEST_F(VehicleEditorWindow, TheTextureExportCopiesTheModelsAndTheSpokesTextures) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Frame();
  std::set<std::string> names;
  ExportedNames(*e.car->model, names);
  ExportedNames(e.car->spoke, names);
  // Names resolve without regard to case: the PNGs and JPGs of data/png by their lower-case stem.
  std::set<std::string> files;
  for (const auto& f : std::filesystem::directory_iterator("data/png")) {
    std::string stem = f.path().stem().string(), ext = f.path().extension().string();
    for (char& c : stem) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".png" || ext == ".jpg") files.insert(stem);
  }
  size_t present = 0;
  for (const std::string& n : names) present += files.count(n);
  ASSERT_GT(present, 0u) << "the sample car's textures are in data/png";
  std::filesystem::remove_all("data/png_export");

  VehicleEditor::ExportTextures(&e, 0, 0);
  ASSERT_TRUE(MessageBoxDialog.prss.alive);
  EXPECT_EQ(std::string(MessageBoxDialog.first), "Export PNG files?");
  EXPECT_EQ(std::string(MessageBoxDialog.second), "Files will be saved to png_export folder");
  EXPECT_FALSE(std::filesystem::exists("data/png_export")) << "nothing before the answer";
  Key('Y');
  Frame();
  size_t exported = 0;
  for (const auto& f : std::filesystem::directory_iterator("data/png_export")) exported += f.is_regular_file();
  EXPECT_EQ(exported, present);

  const int compressed = CfgCompressedTex;
  CfgCompressedTex = 0;
  VehicleEditor::ExportTextures(&e, 0, 1);
  ASSERT_TRUE(MessageBoxDialog.prss.alive);
  EXPECT_EQ(std::string(MessageBoxDialog.first), "You must enable compressed textures");
  Key(KEY_ENTER);
  Frame();
  EXPECT_FALSE(std::filesystem::exists("data/dds_export"));
  CfgCompressedTex = 1;
  VehicleEditor::ExportTextures(&e, 0, 1);
  ASSERT_TRUE(MessageBoxDialog.prss.alive);
  EXPECT_EQ(std::string(MessageBoxDialog.first), "Export DDS files?");
  Key('N');
  Frame();
  EXPECT_FALSE(std::filesystem::exists("data/dds_export")) << "no: nothing exported";
  CfgCompressedTex = compressed;
}

namespace {

// Pages 4 to 11 and the side panel beside the car, opened by their tabs and pictured
// (vehicle_editor_page4.png .. vehicle_editor_page11.png): the open tab is lit; "TEST" on the
// light page takes its own colour while set and lights the light's lamp on the car; the
// texture page's table counts the car's level meshes' triangles by material.
// The drive-side buttons, unlocked on a car with its driver off centre, show the step arrows
// of the character set pointing their way, not the placeholder box: at the arrow's tip side
// the ink is a short run level with its middle, at the other side a full-height edge.
TEST_F(VehicleEditorWindow, TheDriveSideButtonsShowStepArrowsPointingTheirWay) {
  OpenAndLoad();
  Car& car = *CurrentVehicleEditor->car;
  ASSERT_NE(car.steerAnimation[0], 0) << "the sample car has a driver";
  if (std::fabs(car.driverPosition.x) < Car::OFF_CENTRE) car.driverPosition.x = -0.4f;
  car.options &= ~OPT1_DRIVE_SIDE_LOCKED;
  Frame();
  const InterfaceButton* found[2] = {FindButton("\x8B"), FindButton("\x9B")};
  ASSERT_NE(found[0], nullptr);
  ASSERT_NE(found[1], nullptr);
  ASSERT_TRUE(found[0]->hint && std::strstr(found[0]->hint, "left side driving position")) << found[0]->hint;
  const InterfaceButton buttons[2] = {*found[0], *found[1]};
  // In a single-byte page and in a double-byte one, whose lead bytes the arrows' codes are.
  const int savedPage = CurrentCodePage;
  for (const int page : {CODE_PAGE_LATIN1, CODE_PAGE_JAPANESE}) {
    CurrentCodePage = page;
    Frame();
    const Picture p = Shot(page == CODE_PAGE_LATIN1 ? "vehicle_editor_drive_side_arrows"
                                                    : "vehicle_editor_drive_side_arrows_japanese");
    // -1 tip on the left, +1 on the right, 0 neither (a box has full-height edges both sides).
    const auto tipSide = [&](const InterfaceButton& b) {
      const int x0 = b.left + 3, x1 = b.right - 3, y0 = b.top + 3, y1 = b.bottom - 3;
      const uint8_t* face = p.At(x0, y0);
      const auto ink = [&](int x, int y) {
        const uint8_t* q = p.At(x, y);
        return std::abs(q[0] - face[0]) + std::abs(q[1] - face[1]) + std::abs(q[2] - face[2]) > 120;
      };
      int left = x1, right = x0, top = y1, bottom = y0;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
          if (ink(x, y)) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      if (right - left < 3 || bottom - top < 3) return 0;
      const auto run = [&](int x, int* low, int* high) {  // the ink's rows at column x
        *low = bottom, *high = top;
        for (int y = top; y <= bottom; ++y)
          if (ink(x, y)) *low = std::min(*low, y), *high = std::max(*high, y);
        return *high - *low + 1;
      };
      const int height = bottom - top + 1, middle = (top + bottom) / 2;
      int low, high;
      const int atLeft = run(left, &low, &high);
      const bool tipLeft = atLeft <= height / 3 && std::abs((low + high) / 2 - middle) <= 2;
      const int atRight = run(right, &low, &high);
      const bool tipRight = atRight <= height / 3 && std::abs((low + high) / 2 - middle) <= 2;
      if (tipLeft && atRight >= height * 3 / 4) return -1;
      if (tipRight && atLeft >= height * 3 / 4) return 1;
      return 0;
    };
    EXPECT_EQ(tipSide(buttons[0]), -1) << "the left button's arrow points left, code page " << page;
    EXPECT_EQ(tipSide(buttons[1]), 1) << "the right button's arrow points right, code page " << page;
  }
  CurrentCodePage = savedPage;
}

TEST_F(VehicleEditorWindow, TheLaterPagesAndTheSidePanelArePicturedBesideTheCar) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  const auto difference = [](const uint8_t* a, const uint8_t* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
  };
  const char* const tabs[] = {"Allow", "Light Colours", "Steering", "Object Positions",
                              "Mass", "Aerodynamics", "Configurations", "Textures"};
  for (int i = 0; i < 8; ++i) {
    Click(tabs[i]);
    ASSERT_EQ(e.selection.openTab, 4 + i) << tabs[i];
    Frame();
    const InterfaceButton* open = FindButton(tabs[i]);
    const InterfaceButton* closed = FindButton(i == 0 ? "Light Colours" : "Allow");
    ASSERT_NE(open, nullptr);
    ASSERT_NE(closed, nullptr);
    ASSERT_NE(FindButton("edit engine"), nullptr) << "the side panel";
    const int openX = open->right - 3, openY = open->top + 3, closedX = closed->right - 3, closedY = closed->top + 3;
    char name[40];
    std::snprintf(name, sizeof name, "vehicle_editor_page%d", 4 + i);
    const Picture page = Shot(name);
    EXPECT_GT(difference(page.At(openX, openY), page.At(closedX, closedY)), 60) << tabs[i] << " is lit";
  }

  // The texture table: its count is the test's own count of distinct materials.
  const Car& car = *e.car;
  std::vector<const Material*> keys;
  for (int level = 0; level < std::min<int>(car.model->lodCount, 3); ++level) {
    std::vector<const DrawMesh*> meshes = {car.levelMeshes[level]};
    while (!meshes.empty()) {
      const DrawMesh* mesh = meshes.back();
      meshes.pop_back();
      if (!mesh) continue;
      for (int c = 0; c < mesh->childCount; ++c) meshes.push_back(mesh->children[c]);
      if (!mesh->IsGouraud()) continue;
      const GouraudO3d& g = static_cast<const GouraudO3d&>(*mesh);
      for (int p = 0; p < g.partCount; ++p)
        if (std::find(keys.begin(), keys.end(), g.parts[p].key) == keys.end()) keys.push_back(g.parts[p].key);
    }
  }
  char all[40];
  std::snprintf(all, sizeof all, "ALL materials: %d", int(keys.size()));
  EXPECT_NE(FindButton(all), nullptr) << all;
  EXPECT_FALSE(keys.empty());

  // "TEST" on the brake light: its own colour while set, and the lamp lit on the car.
  Click("Light Colours");
  Frame();
  const InterfaceButton* test = nullptr;
  for (int i = 0; i < ButtonCount && !test; ++i)
    if (InterfaceButtons[i].style != BUTTON_STYLE_SYMBOL && InterfaceButtons[i].text.text &&
        std::strcmp(InterfaceButtons[i].text.text, "TEST") == 0)
      test = &InterfaceButtons[i];
  ASSERT_NE(test, nullptr);
  const int tx = test->left + 3, ty = test->top + 3;
  const Picture off = Shot("vehicle_editor_lights_off");
  ClickAt(tx + 5, ty + 5);
  ASSERT_EQ(e.lightTests[0], 1);
  Frame();
  EXPECT_EQ(DrawingOf(*e.car).forceLamps, 1);
  EXPECT_EQ(DrawingOf(*e.car).forcedPattern[0], 1);
  const Picture on = Shot("vehicle_editor_lights_brake");
  EXPECT_GT(difference(on.At(tx, ty), off.At(tx, ty)), 30) << "TEST in its own colour while set";
  ClickAt(tx + 5, ty + 5);
  Frame();
  EXPECT_EQ(DrawingOf(*e.car).forceLamps, 0);
}


// The light colour page beside the car seen from behind: each light's swatch shows the
// light's colour record through the brightness table, and "TEST" on "brake" lights the brake
// lamp at its projected pixel: the lamp's texture times the brake light's colour through the
// table, in place of the texture at full strength that the unlit lamp's self-lit panel shows.
// (The window is an sRGB target: a linear value v reads back as SrgbByte(v).)
TEST_F(VehicleEditorWindow, TheLightSwatchesShowTheirColoursAndTestingTheBrakeLightsItsLamp) {
  const auto Stored = [](uint8_t linear) { return SrgbByte(linear / 255.0); };
  const auto Linear = [](uint8_t stored) {
    const double s = stored / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Click("Light Colours");
  ASSERT_EQ(e.selection.openTab, TAB_LIGHT_COLOURS);
  Click("b");
  ASSERT_NE(EditViews.width, 0);
  Click("object");  // centred on the car, 5 m across
  EditViews.width = 5 << 16;
  Run(100);
  const Picture off = Shot("vehicle_editor_lights_behind");

  // The swatches: the face below the label, where no other button lies over it.
  int checked = 0;
  for (int light = 0; light < EDITOR_LIGHT_TESTS; ++light) {
    const InterfaceButton* swatch = nullptr;
    for (int i = 0; i < ButtonCount && !swatch; ++i)
      if (InterfaceButtons[i].colour == &e.car->colours[light]) swatch = &InterfaceButtons[i];
    ASSERT_NE(swatch, nullptr) << "light " << light;
    const int x = (swatch->left + swatch->right) / 2, y = swatch->bottom - InterfaceScaleRounded - 4;
    bool covered = false;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (&b != swatch && x >= b.left && x < b.right && y >= b.top && y < b.bottom) covered = true;
    }
    if (covered || y >= HEIGHT) continue;
    const uint8_t* record = reinterpret_cast<const uint8_t*>(&e.car->colours[light]);
    const uint8_t* shown = off.At(x, y);
    for (int channel = 0; channel < 3; ++channel)
      EXPECT_NEAR(int(shown[channel]), int(Stored(BrightnessTable[record[channel]])), 2)
          << "light " << light << " channel " << channel << " at " << x << ", " << y;
    ++checked;
  }
  EXPECT_GE(checked, 4) << "most swatches stand clear of the common rows";
  // A colour changed in the record shows in its swatch on the next frame.
  const ColourWord saved = e.car->colours[0];
  e.car->colours[0] = RgbWord(128, 64, 200);
  const Picture changed = Shot("vehicle_editor_lights_changed");
  {
    const InterfaceButton* swatch = nullptr;
    for (int i = 0; i < ButtonCount && !swatch; ++i)
      if (InterfaceButtons[i].colour == &e.car->colours[0]) swatch = &InterfaceButtons[i];
    ASSERT_NE(swatch, nullptr);
    const uint8_t* shown = changed.At((swatch->left + swatch->right) / 2, swatch->bottom - InterfaceScaleRounded - 4);
    EXPECT_NEAR(int(shown[0]), int(Stored(BrightnessTable[128])), 2);
    EXPECT_NEAR(int(shown[1]), int(Stored(BrightnessTable[64])), 2);
    EXPECT_NEAR(int(shown[2]), int(Stored(BrightnessTable[200])), 2);
  }
  e.car->colours[0] = saved;
  Frame();

  // The brake lamp: the middle of the right-hand lamp's panel on the car's back (x 0 to
  // 0.45 m, z 0.5 to 0.7 m at y -2.0 m), in the back view clear of the panels; 10 m across
  // the room right of the page, the view's middle in the room's.
  EditViews.width = 10 << 16;
  Frame();
  float lx, ly;
  ASSERT_TRUE(CarPointOnScreen(*e.car, 0.225, -2.0, 0.6, &lx, &ly));
  const int px = int(lx), py = int(ly);
  ASSERT_GT(e.rowsRight, 0) << "the page's rows";
  ASSERT_GT(px, e.rowsRight);
  ASSERT_LT(px, WIDTH);
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    ASSERT_FALSE(px >= b.left && px < b.right && py >= b.top && py < b.bottom) << "a button over the lamp";
  }
  const InterfaceButton* test = nullptr;
  for (int i = 0; i < ButtonCount && !test; ++i)
    if (InterfaceButtons[i].style != BUTTON_STYLE_SYMBOL && InterfaceButtons[i].text.text &&
        std::strcmp(InterfaceButtons[i].text.text, "TEST") == 0 && InterfaceButtons[i].word == 0)
      test = &InterfaceButtons[i];
  ASSERT_NE(test, nullptr);
  const int tx = test->left + 5, ty = test->top + 5;
  const InterfaceButton* headTest = nullptr;  // the headlights' switch, the next "TEST" down
  for (int i = 0; i < ButtonCount && !headTest; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.handler == test->handler && b.word == 1 && b.left == test->left && b.top > test->top) headTest = &b;
  }
  ASSERT_NE(headTest, nullptr);
  const int hTx = headTest->left + 5, hTy = headTest->top + 5;
  const Picture unlit = Shot("vehicle_editor_brake_off");
  ClickAt(tx, ty);
  ASSERT_EQ(e.lightTests[0], 1);
  Frame();
  const Picture lit = Shot("vehicle_editor_brake_test");
  const auto brightness = [](const uint8_t* p) { return int(p[0]) + int(p[1]) + int(p[2]); };
  // A lit lamp is its texture (what the self-lit panel shows when off) times its colour record
  // through the brightness table, times the view's light colour and twice the lamp's
  // brightness: 2 for the brake lamp, 2g + 1 for the headlights (g, the glare, 0 here).
  ASSERT_NE(CurrentView, nullptr);
  const auto LitLamp = [&](const uint8_t* texture, const uint8_t* colour, double lampBrightness, int channel) {
    return int(SrgbByte(Linear(texture[channel]) * BrightnessTable[colour[channel]] / 255.0 *
                        CurrentView->lightColours[0][channel] * 2.0 * lampBrightness));
  };
  EXPECT_GT(std::abs(brightness(lit.At(px, py)) - brightness(unlit.At(px, py))), 30) << "the lamp changes";
  // Its own (red) channel no darker than the panel off, and the whole brighter than texture x
  // colour without the lamp's brightness; in the dark channels the panel off shows a little
  // more than its bare texture, hence 5 steps.
  EXPECT_GE(int(lit.At(px, py)[0]), int(unlit.At(px, py)[0])) << "the brake lamp's red";
  int plain = 0;
  for (int channel = 0; channel < 3; ++channel)
    plain += LitLamp(unlit.At(px, py), reinterpret_cast<const uint8_t*>(&e.car->colours[0]), 0.5, channel);
  EXPECT_GT(brightness(lit.At(px, py)), plain + 30) << "brighter than texture x colour alone";
  for (int channel = 0; channel < 3; ++channel)
    EXPECT_NEAR(int(lit.At(px, py)[channel]),
                LitLamp(unlit.At(px, py), reinterpret_cast<const uint8_t*>(&e.car->colours[0]), 2.0, channel), 5)
        << "the lamp at " << px << ", " << py << " channel " << channel;
  ClickAt(tx, ty);
  EXPECT_EQ(e.lightTests[0], 0);
  Frame();
  const Picture again = Shot("vehicle_editor_brake_off_again");
  EXPECT_EQ(brightness(again.At(px, py)), brightness(unlit.At(px, py))) << "off again";

  // The headlights from the front (x 0 to 0.9 m, z 0.5 to 0.7 m at y 2.0 m), 4 m across the
  // room right of the page, their lamp's colour darkened so that neither picture saturates and
  // the brightness shows.
  Click("f");
  Click("object");
  EditViews.width = 4 << 16;
  uint8_t* headColour = e.car->lights[LIGHT_HEAD].colour;
  const uint8_t savedHead[3] = {headColour[0], headColour[1], headColour[2]};
  headColour[0] = 160, headColour[1] = 140, headColour[2] = 120;
  e.car->FreeFastMeshes();  // the lamps' colours are built into their meshes
  Run(10);
  // Either headlight (the body is mirrored) that no button covers: on a screen 1024 wide the
  // page's second column of light blocks stands over the left of the view.
  int hx = -1, hy = -1;
  for (const double side : {0.45, -0.45}) {
    ASSERT_TRUE(CarPointOnScreen(*e.car, side, 2.0, 0.6, &lx, &ly));
    bool covered = false;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (int(lx) >= b.left && int(lx) < b.right && int(ly) >= b.top && int(ly) < b.bottom) covered = true;
    }
    if (!covered) {
      hx = int(lx), hy = int(ly);
      break;
    }
  }
  ASSERT_GE(hx, 0) << "a button over both headlights";
  const Picture headOff = Shot("vehicle_editor_head_off");
  ClickAt(hTx, hTy);
  ASSERT_EQ(e.lightTests[1], 1);
  Frame();
  const Picture headOn = Shot("vehicle_editor_head_test");
  for (int channel = 0; channel < 3; ++channel)
    EXPECT_NEAR(int(headOn.At(hx, hy)[channel]), LitLamp(headOff.At(hx, hy), headColour, 1.0, channel), 5)
        << "the headlight at " << hx << ", " << hy << " channel " << channel;
  ClickAt(hTx, hTy);
  EXPECT_EQ(e.lightTests[1], 0);
  std::memcpy(headColour, savedHead, sizeof savedHead);
  e.car->FreeFastMeshes();
  Frame();
}

}  // namespace
