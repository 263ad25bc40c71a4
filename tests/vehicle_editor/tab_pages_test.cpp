// tab_pages_test.cpp - the vehicle editor's panels: the common rows, the tabs, the status
// line's room, the class, transmission and suspension pages (snapshots and the cases that
// decide what a page shows), and edits made through the pages' controls.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "info_panel/info_panel.h"
#include "pages_fixture.h"
#include "render/views.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/screen_labels.h"
#include "render/draw2d.h"
#include "vehicle/setup_diagram.h"
#include "vehicle_data/vehicle_class.h"

namespace {

using namespace VehicleUndo;

TEST_F(PagesTest, TheCommonRowsStartAboveTheBottomByTheSetupsColoursAndDriver) {
  Car& c = car();
  // Four set-ups and nine colour configurations: 6 + 4 + 2 + 1 rows, one more off centre.
  c.setupCount = 4;
  c.colourConfigCount = 9;
  c.driverPosition.x = 0.0f;
  Build();
  ASSERT_NE(Find("default setups"), nullptr);
  EXPECT_EQ(Find("default setups")->top, ScreenHeight - 13 * ButtonHeight);
  EXPECT_TRUE(Shown("central driver"));
  c.driverPosition.x = -0.37f;
  Build();
  EXPECT_EQ(Find("default setups")->top, ScreenHeight - 14 * ButtonHeight);
  EXPECT_EQ(Find("LOAD")->top, ScreenHeight - ButtonHeight) << "the file row is the bottom row";
  ExpectSnapshot("common_rows_left_drive");

  // 0.19 m is central, 0.2 m is built as a side.
  c.driverPosition.x = 0.19f;
  Build();
  EXPECT_TRUE(Shown("central driver"));
  c.driverPosition.x = 0.2f;
  Build();
  EXPECT_TRUE(Shown("built as right drive"));
  c.driverPosition.x = -0.2f;
  Build();
  EXPECT_TRUE(Shown("built as left drive"));
  c.steerAnimation[0] = 0;
  Build();
  EXPECT_TRUE(Shown("no driver"));

  // Seven colour configurations: rows of 3, 3 and 1, the last filled to 8 units.
  c.colourConfigCount = 7;
  c.setupCount = 1;
  Build();
  int swatches = 0, lastRowRight = 0, filler = -1;
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.handler == VehicleEditor::SelectColourConfig) {
      ++swatches;
      lastRowRight = b.right;
      if (b.word == 6) {
        EXPECT_EQ(b.left, 0) << "the seventh starts the third row";
      }
    }
    if (b.style == BUTTON_STYLE_PLAIN && !b.owner && b.top == InterfaceButtons[i - 1].top &&
        InterfaceButtons[i - 1].word == 6)
      filler = i;
  }
  EXPECT_EQ(swatches, 7);
  ASSERT_GE(filler, 0);
  EXPECT_EQ(InterfaceButtons[filler].left, lastRowRight);
  EXPECT_EQ(InterfaceButtons[filler].right, 8 * ButtonWidth);
  ExpectSnapshot("common_rows_seven_colours");

  // A count past the nine configurations a vehicle holds (a damaged file) shows the nine.
  c.colourConfigCount = 12;
  Build();
  swatches = 0;
  for (int i = 0; i < ButtonCount; ++i) swatches += InterfaceButtons[i].handler == VehicleEditor::SelectColourConfig;
  EXPECT_EQ(swatches, VEHICLE_MAX_COLOUR_CONFIGS);
  c.colourConfigCount = 7;
}

// A configuration count past the four a vehicle holds (a damaged file) is shown as four.
TEST_F(PagesTest, TheConfigurationsPageCountsNoMoreThanFourConfigurations) {
  Car& c = car();
  ASSERT_EQ(VEHICLE_MAX_CONFIGS, 4);
  const int saved = c.configCount;
  ASSERT_GE(saved, 1);
  for (int i = saved; i < VEHICLE_MAX_CONFIGS; ++i) c.configs[i] = c.configs[0];
  c.configCount = VEHICLE_MAX_CONFIGS + 2;
  Open(TAB_CONFIGURATIONS);
  EXPECT_TRUE(Shown("4 mesh configs"));
  EXPECT_FALSE(Shown("6 mesh configs"));
  c.configCount = saved;
}

// The display toggles of a drawn frame stand from 12 units in the rows 3, 4 and (with special
// draw) 5 up from the bottom edge: "driver" 5 units, "fuel" 5, "special draw" 6, "COG" 5;
// "Edit" 5 and "Animate" 6 above them; "wire" and "masses" 5 each above those.  A toggle's 5
// units are its label's 3 and its box's 2.  A row that would reach the edit views' block at
// the bottom right goes on in the row above.
TEST_F(PagesTest, TheDisplayTogglesStandInTheirRowsAboveTheBottomFromTwelveUnits) {
  const auto frame = [&] {
    ClearInterface();
    FrameSkipped = 0;
    VehicleEditor::ScreenAction(&e->prss);
    FrameSkipped = 1;
  };
  struct Place {
    const char* text;
    int left, width, rowUp;
  };
  const auto expectAt = [&](const Place& p) {
    const InterfaceButton* b = Find(p.text);
    ASSERT_NE(b, nullptr) << p.text;
    EXPECT_EQ(b->left, p.left * ButtonWidth) << p.text;
    EXPECT_EQ(b->right - b->left, p.width * ButtonWidth) << p.text;
    EXPECT_EQ(b->top, ScreenHeight - p.rowUp * ButtonHeight) << p.text;
  };
  const uint8_t special = SpecialDraw;
  SpecialDraw = 0;
  frame();
  for (const Place& p : {Place{"driver", 12, 3, 3}, Place{"fuel", 17, 3, 3}, Place{"special draw", 22, 6, 3},
                         Place{"COG", 28, 3, 3}, Place{"Edit", 12, 5, 4}, Place{"Animate", 17, 6, 4}})
    expectAt(p);
  EXPECT_EQ(Find("wire"), nullptr) << "no special-draw row";
  SpecialDraw = 1;
  frame();
  for (const Place& p : {Place{"wire", 12, 3, 5}, Place{"masses", 17, 3, 5}, Place{"Edit", 12, 5, 4}}) expectAt(p);
  // 864 pixels wide (36 units) the edit views' block of 8 units leaves 16 from 12: "COG" goes
  // on in the row above, and the rows after it one higher; none reaches the block.
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 864;
  ScreenHeight = 608;
  ASSERT_EQ(ButtonWidth, 24);
  frame();
  for (const Place& p : {Place{"driver", 12, 3, 3}, Place{"special draw", 22, 6, 3}, Place{"COG", 12, 3, 4},
                         Place{"Edit", 12, 5, 5}, Place{"Animate", 17, 6, 5}, Place{"wire", 12, 3, 6}})
    expectAt(p);
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.top >= ScreenHeight - 6 * ButtonHeight && b.left >= 12 * ButtonWidth && b.left < 28 * ButtonWidth) {
      EXPECT_LE(b.right, 28 * ButtonWidth) << "button " << i;
    }
  }
  ScreenWidth = savedWidth;
  ScreenHeight = savedHeight;
  SpecialDraw = special;
}

TEST_F(PagesTest, WithoutACarOnlyTheNameBoxLoadAndNewAndHistoryOnlyWithPointsAhead) {
  RecordEdit("tyre width");
  UndoEdit(*e);
  ASSERT_EQ(NumRedo, 1);
  VehicleEditor::InstallCar(*e, nullptr, "");
  Build();
  EXPECT_TRUE(Shown("LOAD"));
  EXPECT_TRUE(Shown("NEW"));
  EXPECT_TRUE(Shown("undo") && Shown("redo")) << "points lie ahead";
  EXPECT_FALSE(Shown("SAVE"));
  EXPECT_FALSE(Shown("Vehicle Class"));
  ExpectSnapshot("no_car_points_ahead");
  Clear();
  Build();
  EXPECT_FALSE(Shown("undo"));
  EXPECT_FALSE(Shown("H"));
  EXPECT_EQ(ButtonCount, 3) << "the name box, LOAD and NEW";
}

TEST_F(PagesTest, TabsTwoPerRowTheOpenOneSelectedASecondClickClosesIt) {
  Build();
  for (int i = 0; i < TAB_PAGE_COUNT; ++i) {
    const InterfaceButton* tab = Find(TabLabels[i]);
    ASSERT_NE(tab, nullptr) << TabLabels[i];
    EXPECT_EQ(tab->left, (i % 2) * 8 * ButtonWidth);
    EXPECT_EQ(tab->top, (i / 2) * ButtonHeight);
    EXPECT_EQ(tab->fourth.i, 0);
  }
  ClickButton(*Find("Suspension"));
  EXPECT_EQ(e->selection.openTab, 3);
  Build();
  EXPECT_EQ(Find("Suspension")->fourth.i, 1);
  EXPECT_TRUE(Shown("Suspension diagram")) << "the page below the tabs";
  ClickButton(*Find("Suspension"));
  EXPECT_EQ(e->selection.openTab, -1);
  Build();
  EXPECT_FALSE(Shown("Suspension diagram"));
  EXPECT_TRUE(Shown("LOAD")) << "the common rows stay";
  // Every tab has its page below the tabs.
  const int withoutPage = ButtonCount;
  for (int tab = 0; tab < TAB_PAGE_COUNT; ++tab) {
    Open(tab);
    EXPECT_GT(ButtonCount, withoutPage) << TabLabels[tab];
  }
}

// The hint line over the view area between the side panels, and the mouse there.
const ValueControl* ViewAreaControl() {
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].variable == &EditViews) return &ValueControls[i];
  return nullptr;
}

MouseRecord Record(int click, int dx = 0) {
  MouseRecord m{};
  m.clickCode = click;
  m.leftHeld = click == CLICK_LEFT || (click == 0 && dx != 0);
  m.dx = dx;
  return m;
}

TEST_F(PagesTest, TheViewAreaBetweenThePanelsShowsTheHintAndLeavesTheMouseToTheView) {
  // At 1024 pixels 32 W of panels leave under 15 W between them: no control.
  Build();
  EXPECT_EQ(ViewAreaControl(), nullptr);
  ScreenWidth = 1280;
  ScreenHeight = 1024;
  Build();
  const ValueControl* area = ViewAreaControl();
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->displayType, VIEW_AREA_DISPLAY_TYPE);
  EXPECT_EQ(area->owner, nullptr) << "it never takes a press";
  EXPECT_NEAR((area->left + 1.0f) * 0.5f * ScreenWidth, 16 * ButtonWidth, 1e-3);
  EXPECT_NEAR((area->right + 1.0f) * 0.5f * ScreenWidth, ScreenWidth - 16 * ButtonWidth, 1e-3);
  EXPECT_NEAR((area->top + 1.0f) * 0.5f * ScreenHeight, ButtonHeight, 1e-3) << "below the top row";
  EXPECT_NEAR((area->bottom + 1.0f) * 0.5f * ScreenHeight, 2 * ButtonHeight, 1e-3);
  ExpectSnapshot("common_rows_wide_view_area");
  // Exactly 15 W between the margins is enough, a pixel less is not.
  ScreenWidth = 32 * ButtonWidth + 15 * ButtonWidth;
  Build();
  EXPECT_NE(ViewAreaControl(), nullptr);
  ScreenWidth -= 1;
  Build();
  EXPECT_EQ(ViewAreaControl(), nullptr);
  ScreenWidth = 1280;

  // The line shows the hint of the button under the pointer, nothing over the view.
  const InterfaceButton* load = Find("LOAD");
  ASSERT_NE(load, nullptr);
  MouseX = load->left + 2, MouseY = load->top + 2;
  FindButtonUnderMouse();
  Build();
  char text[256];
  ASSERT_EQ(ValueControlText(*ViewAreaControl(), text, sizeof text), 1);
  EXPECT_STREQ(text, "Load a new vehicle from data\\veh (CTRL+O)");
  MouseX = ScreenWidth / 2, MouseY = ScreenHeight / 2;
  FindButtonUnderMouse();
  Build();
  ASSERT_EQ(ValueControlText(*ViewAreaControl(), text, sizeof text), 1);
  EXPECT_STREQ(text, "");

  // A left drag in the side view pans it, starting on the hint line or lower in the view;
  // the interface takes nothing.
  SelectEditView(VIEW_RIGHT);
  EditViews.width = 8 << 16;
  SetEditViewProjection(0);
  Prss* process = reinterpret_cast<Prss*>(e);
  const int nodes = NumNodes;
  for (const int y : {ButtonHeight + ButtonHeight / 2, ScreenHeight / 2}) {
    Build();
    MouseX = ScreenWidth / 2, MouseY = y;
    const int32_t before[3] = {CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
    MouseRecord press = Record(CLICK_LEFT), move = Record(0, 40), release{};
    VehicleEditor::ViewEvent(process, &press);
    EXPECT_EQ(press.leftHeld, 1) << "not cleared by a value control, y " << y;
    Build();
    VehicleEditor::ViewEvent(process, &move);  // the first motion arms the pan
    VehicleEditor::ViewEvent(process, &move);
    release.releaseCode = 1;
    VehicleEditor::ViewEvent(process, &release);
    EXPECT_NE(std::memcmp(CurrentView->position, before, sizeof before), 0) << "the view panned, y " << y;
    EXPECT_EQ(e->selection.openTab, -1);
  }
  EXPECT_EQ(NumNodes, nodes) << "nothing recorded";
  // A press on a panel's button goes to the button.
  Build();
  const InterfaceButton* tab = Find("Suspension");
  ASSERT_NE(tab, nullptr);
  MouseX = tab->left + 2, MouseY = tab->top + 2;
  MouseRecord press = Record(CLICK_LEFT);
  VehicleEditor::ViewEvent(process, &press);
  EXPECT_EQ(e->selection.openTab, TAB_SUSPENSION);
  SelectEditView(VIEW_PERSPECTIVE);
}

TEST_F(PagesTest, TheStatusLineKeepsThePointButtonsClearFor3000ms) {
  ShowVehicleEditorInfo("Mesh centre");
  FrameTime = 1000;
  Build();
  EXPECT_EQ(PointButtonTopLimit, 61) << "8 % of 768, rounded";
  Build();
  Build();
  EXPECT_EQ(e->statusTime, 0);
  Build();
  EXPECT_EQ(PointButtonTopLimit, 0) << "given back when the text has gone";
  FrameTime = 0;
  // The centre marks name themselves.
  VehicleEditor::ShowMarkName(e, 1, 2);
  EXPECT_TRUE(SaidLine("Centre of mass"));
}

// The status line asks for frames of the interface alone while it counts down (the car's
// picture is kept: nothing in it moves), one more where it ends to give the limit back, and
// none once it has gone.
TEST_F(PagesTest, TheStatusLineAsksForInterfaceFramesUntilItHasGone) {
  ShowVehicleEditorInfo("Mesh centre");
  FrameTime = 1000;
  for (int32_t left : {2000, 1000, 0}) {
    KeepDrawing = 0;
    InterfaceRedraw = 0;
    Build();
    EXPECT_EQ(e->statusTime, left);
    EXPECT_EQ(InterfaceRedraw, 1) << left << " ms left";
    EXPECT_EQ(KeepDrawing, 0) << "the 3D view is not drawn again for it";
  }
  InterfaceRedraw = 0;
  Build();
  EXPECT_EQ(InterfaceRedraw, 0) << "the text has gone";
  EXPECT_EQ(PointButtonTopLimit, 0);
  FrameTime = 0;
}

// With every edit undone there is nothing left to undo: "undo" is off and does nothing,
// "redo" is on; one edit back from there, both are on.
TEST_F(PagesTest, WithEveryEditUndoneUndoIsOffAndRedoOn) {
  RecordEdit("tyre width");
  const int redo = NumRedo;
  ASSERT_GE(NumNodes, 1);
  NumRedo = NumNodes;
  Build();
  const InterfaceButton* undo = Find("undo");
  const InterfaceButton* redoButton = Find("redo");
  ASSERT_TRUE(undo && redoButton);
  EXPECT_EQ(undo->handler, nullptr);
  EXPECT_EQ(undo->fourth.i, 0);
  EXPECT_NE(redoButton->handler, nullptr);
  NumRedo = NumNodes - 1;
  Build();
  undo = Find("undo");
  ASSERT_NE(undo, nullptr);
  EXPECT_NE(undo->handler, nullptr);
  EXPECT_EQ(undo->fourth.i, 1);
  NumRedo = redo;
}

// A set-up count past the most a vehicle holds lists no more set-ups than the most; a tab
// number past the last page opens no page.
TEST_F(PagesTest, NoMoreSetupRowsThanTheMostAndNoPagePastTheLast) {
  Car& c = car();
  ASSERT_GT(c.setupCount, 0);
  const int setups = c.setupCount;
  for (int i = c.setupCount; i < VEHICLE_MAX_SETUPS; ++i) c.setups[i] = c.setups[0];
  c.setupCount = VEHICLE_MAX_SETUPS + 1;
  Build();
  int listed = 0;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].handler == VehicleEditor::SelectSetup) ++listed;
  EXPECT_EQ(listed, VEHICLE_MAX_SETUPS);
  c.setupCount = setups;

  e->selection.openTab = -1;
  Build();
  const int closed = ButtonCount;
  e->selection.openTab = TAB_PAGE_COUNT;
  Build();
  EXPECT_EQ(ButtonCount, closed) << "nothing more than with no tab open";
  e->selection.openTab = -1;
}

TEST_F(PagesTest, PageSnapshotsOfASaloonAnElectricCarABikeGearboxAKartAndABike) {
  Open(TAB_CLASS);
  ExpectSnapshot("page0_saloon");
  EXPECT_EQ(Find("saloon")->fourth.i, 1);
  Open(TAB_TRANSMISSION);
  ExpectSnapshot("page1_saloon");
  EXPECT_TRUE(StartsShown("Reverse gear ratio"));
  EXPECT_TRUE(Shown("Traction control"));
  EXPECT_EQ(car().lightsAndAids & 1, 1u);
  EXPECT_TRUE(Shown("TC uses ignition")) << "with traction control";
  car().lightsAndAids &= ~1u;
  Build();
  EXPECT_FALSE(Shown("TC uses ignition"));
  Open(TAB_SUSPENSION);
  ExpectSnapshot("page3_saloon");

  Load("Roadster");
  Open(TAB_TRANSMISSION);
  ExpectSnapshot("page1_electric");
  EXPECT_FALSE(StartsShown("Number of forward gears"));
  EXPECT_FALSE(Shown("Shift light"));
  EXPECT_TRUE(Shown("Traction control"));
  EXPECT_TRUE(Shown("Engine sound file"));

  Load("Sportbike");
  Open(TAB_TRANSMISSION);
  ExpectSnapshot("page1_motorbike_gearbox");
  EXPECT_TRUE(Shown("No reverse gear"));
  EXPECT_FALSE(StartsShown("Reverse gear ratio"));
  Open(TAB_SUSPENSION);
  ExpectSnapshot("page3_bike");

  Load("Kart");
  Open(TAB_SUSPENSION);
  ExpectSnapshot("page3_kart");
  Open(TAB_TRANSMISSION);
  EXPECT_TRUE(Shown("No reverse gear")) << "the centrifugal clutch";

  Load("Solar");
  Open(TAB_TRANSMISSION);
  EXPECT_FALSE(Shown("Traction control")) << "no power unit";
  EXPECT_FALSE(Shown("Engine sound file"));
  EXPECT_FALSE(StartsShown("Number of forward gears"));
}

// The wheel object page of the saloon as loaded (a rear set of its own, a rim edge too narrow
// for a lip), then with a rim edge that takes a lip and no rear disc, as snapshots on a screen
// tall enough for one column; the disc row and the rim's four buttons measured by hand from the
// page's 16-unit rows; the rear rows gone when the rear is the front's.
TEST_F(PagesTest, TheWheelObjectPageInSnapshotsAndItsDiscAndRimRowsMeasured) {
  const auto starting = [](const char* start) -> const InterfaceButton* {
    char shown[128];
    for (int i = 0; i < ButtonCount; ++i)
      if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::string(shown).rfind(start, 0) == 0)
        return &InterfaceButtons[i];
    return nullptr;
  };
  const auto count = [](const char* text) {
    char shown[128];
    int n = 0;
    for (int i = 0; i < ButtonCount; ++i)
      n += ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strcmp(shown, text) == 0;
    return n;
  };
  UseTallScreen();
  ASSERT_EQ(car().options & OPT1_SAME_TYRES, 0u);
  Open(TAB_WHEEL_OBJECT);
  ExpectSnapshot("page2_saloon");
  EXPECT_TRUE(Shown("Note: Rim lip depth not available")) << "2 mm of rim edge";
  EXPECT_TRUE(Shown("Note: Total visible rim depth 23 mm")) << "5 mm inner depth + 18";
  // "Brake disc type" half the row (8 units), then SOLID and DRILLED a quarter each (4 units).
  const InterfaceButton* label = Find("Brake disc type");
  const InterfaceButton* solid = Find("SOLID");
  const InterfaceButton* drilled = Find("DRILLED");
  ASSERT_TRUE(label && solid && drilled);
  EXPECT_EQ(label->right - label->left, 8 * ButtonWidth);
  EXPECT_EQ(solid->left, label->right);
  EXPECT_EQ(solid->right - solid->left, 4 * ButtonWidth);
  EXPECT_EQ(drilled->left, solid->right);
  EXPECT_EQ(drilled->right - drilled->left, 4 * ButtonWidth);
  EXPECT_TRUE(solid->top == label->top && drilled->top == label->top);
  // The rim's four buttons share a row of their own under the tyre style's: 4 units each.
  const InterfaceButton* style = starting("Low profile tyre style");
  const InterfaceButton* editRim = Find("edit rim");
  ASSERT_TRUE(style && editRim);
  EXPECT_EQ(editRim->top, style->top + ButtonHeight);
  EXPECT_EQ(editRim->left, style->left);
  const char* const rimButtons[4] = {"edit rim", "edit spoke", "LOAD WHL", "SAVE WHL"};
  for (int i = 0; i < 4; ++i) {
    const InterfaceButton* b = Find(rimButtons[i]);
    ASSERT_NE(b, nullptr) << rimButtons[i];
    EXPECT_EQ(b->left, editRim->left + i * 4 * ButtonWidth) << rimButtons[i];
    EXPECT_EQ(b->right - b->left, 4 * ButtonWidth) << rimButtons[i];
    EXPECT_EQ(b->top, editRim->top) << rimButtons[i];
  }
  EXPECT_EQ(count("dimensions OK"), 2) << "a status row per set";

  car().wheelSets[1].rimEdgeExtraWidthMm = 4;
  car().wheelSets[0].brakeDiscRadiusMm = 0;
  Open(TAB_WHEEL_OBJECT);
  ExpectSnapshot("page2_saloon_rear_set");
  EXPECT_FALSE(Shown("Note: Rim lip depth not available")) << "4 mm of rim edge";
  EXPECT_TRUE(Shown("Rear brake disc"));
  EXPECT_TRUE(Shown("NO DISC 0 mm"));

  car().options |= OPT1_SAME_TYRES;
  Open(TAB_WHEEL_OBJECT);
  EXPECT_FALSE(Shown("Rear brake disc"));
  EXPECT_EQ(count("dimensions OK"), 1) << "the front set's rows only";
}

// One control's rectangle in pixels, with what the failure message names it by.
struct Placed {
  int left, top, right, bottom;
  std::string name;
  bool decoration;  // a slider's knob (no owner, no text) or a scroll bar's knob: inside its trough
};

std::vector<Placed> PlacedControls(int firstButton, int firstValue) {
  std::vector<Placed> out;
  char text[160];
  for (int i = firstButton; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    const bool shown = ButtonText(b, text, sizeof text) && text[0];
    const char* label =
        b.style >= BUTTON_STYLE_FLOAT && b.style <= BUTTON_STYLE_FLOAT_THOUSANDTHS ? b.fourth.text : nullptr;
    out.push_back(
        {b.left, b.top, b.right, b.bottom,
         std::string(label   ? label
                     : shown ? text
                             : "") +
             " (style " + std::to_string(b.style) + ")",
         (b.style == BUTTON_STYLE_PLAIN && !b.owner && !b.handler && !shown) || b.style == BUTTON_STYLE_SCROLL_KNOB});
  }
  for (int i = firstValue; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (c.displayType == VALUE_TYPE_WHEEL) continue;  // a scroll bar's wheel area, over the rows it scrolls
    const auto x = [](float v) { return int(std::lround((double(v) + 1.0) * 0.5 * ScreenWidth)); };
    const auto y = [](float v) { return int(std::lround((double(v) + 1.0) * 0.5 * ScreenHeight)); };
    out.push_back({x(c.left), y(c.top), x(c.right), y(c.bottom), "value control " + std::to_string(i), false});
  }
  return out;
}

bool Overlap(const Placed& a, const Placed& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
bool Inside(const Placed& inner, const Placed& outer) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
         inner.bottom <= outer.bottom;
}

// Every tab page of every sample vehicle, at the three usual screen sizes: no two of the
// page's controls overlap (a slider's knob lies inside its trough by design, and a scroll
// bar's wheel area lies over the rows it scrolls), none reaches past the screen's edges or
// into the side panel, and none reaches the tab rows above or the common rows below, the
// Light Colours page's eight blocks included.  A page longer than its column goes on in a
// second column beside the panel where the screen has the room (the Wheel Object page's
// rear set, the suspension page's last rows), and scrolls where it has not (1024 wide).
TEST_F(PagesTest, NoTwoControlsOfAnyPageOverlap) {
  const char* const cars[] = {"Runabout", "Saloon", "Roadster", "Kart", "Sportbike", "Scooter", "Solar"};
  const int sizes[][2] = {{1024, 768}, {1280, 1024}, {1920, 1080}};
  for (const char* name : cars) {
    Load(name);
    VehicleEditor::UpdateDriveSide(*e);
    for (const auto& size : sizes) {
      ScreenWidth = size[0];
      ScreenHeight = size[1];
      SetInterfaceMetrics();
      e->selection.openTab = -1;
      Build();
      const int firstButton = ButtonCount, firstValue = ValueControlCount;
      const std::vector<Placed> common = PlacedControls(0, 0);
      for (int tab = 0; tab < TAB_PAGE_COUNT; ++tab) {
        Open(tab);
        const std::vector<Placed> page = PlacedControls(firstButton, firstValue);
        const std::string where = std::string(name) + " " + std::to_string(size[0]) + " page " + std::to_string(tab) + ": ";
        const int sideLeft = ScreenWidth - PANEL_ROW_UNITS * ButtonWidth;
        for (size_t i = 0; i < page.size(); ++i) {
          const Placed& a = page[i];
          EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= sideLeft && a.bottom <= ScreenHeight)
              << where << a.name << " off screen or over the side panel at " << a.left << "," << a.top;
          for (size_t j = i + 1; j < page.size(); ++j) {
            const Placed& b = page[j];
            if ((a.decoration && Inside(a, b)) || (b.decoration && Inside(b, a))) continue;
            EXPECT_FALSE(Overlap(a, b)) << where << a.name << " at " << a.left << "," << a.top << " and " << b.name
                                        << " at " << b.left << "," << b.top;
          }
          for (const Placed& c : common)
            EXPECT_FALSE(Overlap(a, c)) << where << a.name << " at " << a.left << "," << a.top << " over "
                                        << c.name << " at " << c.left << "," << c.top;
        }
      }
    }
  }
  e->selection.openTab = -1;
}

// The button whose shown text starts with the text, or null.
const InterfaceButton* Starting(const char* start) {
  char shown[160];
  for (int i = 0; i < ButtonCount; ++i)
    if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strncmp(shown, start, std::strlen(start)) == 0)
      return &InterfaceButtons[i];
  return nullptr;
}
const InterfaceButton* ScrollKnob() {
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].style == BUTTON_STYLE_SCROLL_KNOB) return &InterfaceButtons[i];
  return nullptr;
}

// The suspension page of a car with double wishbones on both axles is 24 rows: the two
// switches, per axle its type, half upright, forward, max up, included angle, offset, the two
// arm lengths, the required track and the alignment row (10), then "Oval suspension arms" and
// "Wheelbase".  With four set-ups, nine colour configurations and the sample's off-centre
// driver the common rows take 14 rows (6 + 1 + 4 + (9 - 1) / 3 + 1), so on a 1280 x 1024
// screen (rows of 24 pixels) they start at 1024 - 14 x 24 = 688 and the room under the six tab
// rows (from 144) holds 22 rows: the page's last two rows are the ones that went over "default
// setups" and the first set-up.  They now stand at the top of a second column beside the
// panel (16 W from the left), clear of the side panel.  On 1024 x 768 the common rows start at
// 768 - 336 = 432, the room holds 12 rows and there is no room for a second column: the page
// scrolls, a row a wheel step, until its last row stands on the room's last row.
TEST_F(PagesTest, APageLongerThanItsRoomGoesOnBesideThePanelOrScrolls) {
  Load("Runabout");
  Car& c = car();
  c.wheelSets[0].suspensionType = c.wheelSets[1].suspensionType = SUSPENSION_DOUBLE_WISHBONE;
  for (int i = c.setupCount; i < VEHICLE_MAX_SETUPS; ++i) c.setups[i] = c.setups[0];
  c.setupCount = VEHICLE_MAX_SETUPS;
  for (int i = c.colourConfigCount; i < VEHICLE_MAX_COLOUR_CONFIGS; ++i) c.colourConfigs[i] = c.colourConfigs[0];
  c.colourConfigCount = VEHICLE_MAX_COLOUR_CONFIGS;
  for (int set = 0; set < 2; ++set) SetSetupFloat(c.currentSetup, SETUP_AXLE[set] + AXLE_ANTI_ROLL, 1000.0f);
  ASSERT_EQ(VEHICLE_MAX_SETUPS, 4);
  ASSERT_EQ(VEHICLE_MAX_COLOUR_CONFIGS, 9);

  ScreenWidth = 1280, ScreenHeight = 1024;
  SetInterfaceMetrics();
  ASSERT_EQ(ButtonHeight, 24);
  Open(TAB_SUSPENSION);
  const int W = ButtonWidth, H = ButtonHeight;
  EXPECT_EQ(CommonRowsTop(c), 688);
  ASSERT_NE(Find("Suspension diagram"), nullptr);
  EXPECT_EQ(Find("Suspension diagram")->top, 6 * H) << "the first row under the tabs";
  const InterfaceButton* oval = Find("Oval suspension arms");
  const InterfaceButton* wheelbase = Starting("Wheelbase");
  ASSERT_NE(oval, nullptr);
  ASSERT_NE(wheelbase, nullptr);
  EXPECT_EQ(oval->left, 16 * W);
  EXPECT_EQ(oval->top, 6 * H) << "the second column's first row";
  EXPECT_EQ(wheelbase->left, 16 * W);
  EXPECT_EQ(wheelbase->top, 7 * H);
  EXPECT_LE(wheelbase->right, 1280 - 16 * W) << "clear of the side panel";
  EXPECT_EQ(ScrollKnob(), nullptr) << "the whole page is on the screen";
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.left < 16 * W && b.top >= 6 * H && b.top < 688) {
      EXPECT_LE(b.bottom, 688) << "the first column ends on the common rows";
    }
  }

  ScreenWidth = 1024, ScreenHeight = 768;
  SetInterfaceMetrics();
  Open(TAB_SUSPENSION);
  const InterfaceButton* knob = ScrollKnob();
  ASSERT_NE(knob, nullptr) << "the page scrolls";
  EXPECT_EQ(knob->left / W, 16) << "right of the panel";
  EXPECT_NE(Find("Suspension diagram"), nullptr);
  EXPECT_EQ(Starting("Wheelbase"), nullptr) << "past the room, not on the screen";
  EXPECT_EQ(CommonRowsTop(c), 432);
  {
    // Counts past the most a vehicle holds take no more rows than the most.
    const int setups = c.setupCount, colours = c.colourConfigCount;
    c.setupCount = VEHICLE_MAX_SETUPS + 1;
    EXPECT_EQ(CommonRowsTop(c), 432);
    c.setupCount = setups;
    c.colourConfigCount = 2 * VEHICLE_MAX_COLOUR_CONFIGS;
    EXPECT_EQ(CommonRowsTop(c), 432);
    c.colourConfigCount = colours;
  }
  // A wheel step down over the page scrolls a row; the last row stops on the room's last row.
  MouseRecord down{};
  down.wheel = -1;
  for (int step = 0; step < 24 - 12; ++step) {
    MouseX = 5 * W, MouseY = 10 * H;
    Prss_DeliverMouse(&down);
    Build();
  }
  EXPECT_EQ(e->pageScroll, 24 - 12);
  ASSERT_NE(Starting("Wheelbase"), nullptr) << "scrolled into the room";
  EXPECT_EQ(Starting("Wheelbase")->top, 432 - H);
  EXPECT_EQ(Find("Suspension diagram"), nullptr) << "scrolled out at the top";
  EXPECT_EQ(Find("Zero springs test"), nullptr);
  MouseX = 5 * W, MouseY = 10 * H;
  Prss_DeliverMouse(&down);
  Build();
  EXPECT_EQ(e->pageScroll, 24 - 12) << "no further than the last row";
  // A scroll of exactly the page's 24 rows (the page grew shorter) keeps its last row, 23.
  e->pageScroll = 24;
  Build();
  EXPECT_EQ(e->pageScroll, 23);
  e->pageScroll = 23;
  Build();
  EXPECT_EQ(e->pageScroll, 23) << "the last row itself stays";
  // A scroll above the first row (a value left from a longer page) shows the page from its
  // first row with the knob at the top of its bar, as a scroll of 0 does.
  e->pageScroll = 0;
  Build();
  ASSERT_NE(ScrollKnob(), nullptr);
  const int knobTop = ScrollKnob()->top, knobBottom = ScrollKnob()->bottom;
  e->pageScroll = -3;
  Build();
  ASSERT_NE(ScrollKnob(), nullptr);
  EXPECT_EQ(ScrollKnob()->top, knobTop);
  EXPECT_EQ(ScrollKnob()->bottom, knobBottom) << "the knob covers the same twelve rows";
  ASSERT_NE(Find("Suspension diagram"), nullptr);
  EXPECT_EQ(Find("Suspension diagram")->top, 6 * H) << "the first row under the tabs";
  // Another tab starts at its top.
  ClickButton(*Find("Mass"));
  Build();
  EXPECT_EQ(e->pageScroll, 0);
  // A screen without room for a second column keeps the one beside the panel, its scroll bar
  // right of it: (700 - 16 W - the bar) / 16 W is no whole column.
  ScreenWidth = 700;
  Open(TAB_SUSPENSION);
  knob = ScrollKnob();
  ASSERT_NE(knob, nullptr) << "the page scrolls";
  EXPECT_EQ(knob->left / W, 16) << "right of the panel";
  ASSERT_NE(Find("Suspension diagram"), nullptr);
  EXPECT_EQ(Find("Suspension diagram")->left, 0);
  e->selection.openTab = -1;
}

// A minimised window has no pixels: a page built then still goes past its room and gets its
// scroll bar, and the bar's wheel area keeps to finite coordinates (a zero width or height
// counts as one pixel) instead of dividing by zero.
TEST_F(PagesTest, APageOnAScreenWithoutPixelsKeepsItsWheelAreaFinite) {
  Load("Runabout");
  for (const int size : {0, 1}) {
    ScreenWidth = size, ScreenHeight = size;
    Open(TAB_SUSPENSION);
    ASSERT_NE(ScrollKnob(), nullptr) << "the page is past its room at size " << size;
    const ValueControl* area = nullptr;
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == VALUE_TYPE_WHEEL) area = &ValueControls[i];
    ASSERT_NE(area, nullptr) << size;
    EXPECT_TRUE(std::isfinite(area->left) && std::isfinite(area->right)) << size;
    EXPECT_TRUE(std::isfinite(area->top) && std::isfinite(area->bottom)) << size;
    // From the left edge (0 of one pixel, -1 normalised) to past the right edge.
    EXPECT_FLOAT_EQ(area->left, -1.0f) << size;
  }
  e->selection.openTab = -1;
}

// The Light Colours page's eight blocks stand one below the other, three rows apart (four
// sliders of three quarters of a row each), when the screen has the rows; on a 768-row screen
// they stand in two columns of four, the two switches sharing a row, and the file rows end
// above the common rows.
TEST_F(PagesTest, TheLightBlocksStandInOneColumnOrTwoAsTheRowsAllow) {
  Load("Saloon");
  const char* const names[8] = {"brake", "head", "tail", "left ind", "right ind", "rear fog", "front fog", "reverse"};
  const auto blocks = [&] {
    std::vector<const InterfaceButton*> out;
    for (const char* name : names) out.push_back(FindFirst(name));
    return out;
  };
  ScreenWidth = 1920;
  ScreenHeight = 1200;
  SetInterfaceMetrics();
  Open(TAB_LIGHT_COLOURS);
  std::vector<const InterfaceButton*> b = blocks();
  for (int i = 0; i < 8; ++i) {
    ASSERT_NE(b[i], nullptr) << names[i];
    EXPECT_EQ(b[i]->left, 0) << names[i];
    EXPECT_EQ(b[i]->top, b[0]->top + 3 * i * ButtonHeight) << names[i];
  }
  EXPECT_NE(Find("Headlights")->top, Find("Indicators")->top);
  // Slider mode 0 (to 255) for the white lights "head", "rear fog" and "front fog", mode 2
  // (to 220) for the others: each light's red slider.
  const int most[8] = {220, 255, 220, 220, 220, 255, 255, 220};
  for (int i = 0; i < 8; ++i) {
    const InterfaceButton* red = nullptr;
    for (int k = 0; k < ButtonCount && !red; ++k)
      if (InterfaceButtons[k].style == BUTTON_STYLE_RED_SLIDER &&
          InterfaceButtons[k].word == reinterpret_cast<uintptr_t>(&car().colours[i]))
        red = &InterfaceButtons[k];
    ASSERT_NE(red, nullptr) << names[i];
    EXPECT_EQ(red->third.i, most[i]) << names[i];
  }

  ScreenWidth = 1024;
  ScreenHeight = 768;
  SetInterfaceMetrics();
  Open(TAB_LIGHT_COLOURS);
  b = blocks();
  for (int i = 0; i < 8; ++i) {
    ASSERT_NE(b[i], nullptr) << names[i];
    EXPECT_EQ(b[i]->left, i / 4 * 11 * ButtonWidth) << names[i];
    EXPECT_EQ(b[i]->top, b[0]->top + 3 * (i % 4) * ButtonHeight) << names[i];
  }
  EXPECT_EQ(Find("Headlights")->top, Find("Indicators")->top);
  EXPECT_EQ(Find("Indicators")->left, 8 * ButtonWidth);
  const InterfaceButton* save = Find("SAVE all light and mesh colours");
  ASSERT_NE(save, nullptr);
  EXPECT_LE(save->bottom, Find("default setups")->top);
  EXPECT_EQ(Find("LOAD all light and mesh colours")->top, b[3]->top + 3 * ButtonHeight) << "right under the blocks";

  // Screens whose columns of blocks would still reach the common rows (at 864 x 608 a column of
  // two blocks, room for one only; at 1206 x 608 three columns, each of one): the blocks flow with the page, each whole in a column and
  // clear of the common rows and the side panel, and the page scrolls to the last of them.
  for (const auto& [width, height] : {std::pair{864, 608}, {1206, 608}}) {
    ScreenWidth = width;
    ScreenHeight = height;
    SetInterfaceMetrics();
    e->pageScroll = 0;
    Open(TAB_LIGHT_COLOURS);
    const int commonTop = CommonRowsTop(car());
    int shown = 0;
    b = blocks();
    for (int i = 0; i < 8; ++i) {
      if (!b[i]) continue;
      ++shown;
      if (b[i]->left < 16 * ButtonWidth) {
        EXPECT_LE(b[i]->top + 3 * ButtonHeight, commonTop) << names[i] << " at " << width << "x" << height;
      }
      EXPECT_LE(b[i]->left + 11 * ButtonWidth, ScreenWidth - 16 * ButtonWidth) << names[i];
    }
    EXPECT_GE(shown, 1) << width << "x" << height;
    EXPECT_LT(shown, 8) << width << "x" << height << ": the rest scrolled";
    EXPECT_EQ(blocks()[7], nullptr);
    for (int scroll = 1; scroll < 40 && !blocks()[7]; ++scroll) {
      e->pageScroll = scroll;
      Build();
    }
    ASSERT_NE(blocks()[7], nullptr) << "the last block scrolled into the room at " << width << "x" << height;
    if (blocks()[7]->left < 16 * ButtonWidth) {
      EXPECT_LE(blocks()[7]->top + 3 * ButtonHeight, commonTop);
    }
  }
  e->pageScroll = 0;

  // A screen too narrow for a second column beside the side panel: one column all the same.
  ScreenWidth = 16 * ButtonWidth + 11 * ButtonWidth - 1;
  ScreenHeight = 600;
  SetInterfaceMetrics();
  Open(TAB_LIGHT_COLOURS);
  b = blocks();
  ASSERT_NE(b[0], nullptr);
  for (int i = 0; i < 8; ++i)
    if (b[i]) {
      EXPECT_EQ(b[i]->left, 0) << names[i];
    }
}

// Every shipped sample passes the Suspension page's and the diagram's own checks: a half
// upright from 0.65 to 0.75 of the rolling radius, and a track within 0.01 m of the required.
TEST_F(PagesTest, EverySamplesUprightsAndTracksPassTheEditorsChecks) {
  UseTallScreen();
  Draw2DList.Init();
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) {
    const char* name = BuiltinVehicleTable[row].name;
    Load(name);
    Open(TAB_SUSPENSION);
    EXPECT_NE(FindLabelled("Half upright length", BUTTON_STYLE_FLOAT), nullptr) << name;
    EXPECT_EQ(FindLabelled("Half upright ^3(TOO", BUTTON_STYLE_FLOAT), nullptr) << name;
    for (int set = 0; set < CAR_WHEEL_SETS; ++set) {
      const SuspensionBlock& s = car().wheelSets[set];
      const float ratio = s.halfUprightLength / s.rollingRadius;
      EXPECT_TRUE(ratio >= 0.65f && ratio <= 0.75f) << name << " set " << set << ": " << ratio;
      DiagramTexts texts{};
      Draw2DList.Reset();
      DrawSetupDiagram(car(), set, -1.0f, -1.0f, 1.0f, 1.0f, 1, 0.05f, texts);
      if (texts.track < 0.0f || s.trackWidth == 0.0f) continue;  // a single wheel, or no track asked for
      EXPECT_LE(std::fabs(texts.track - s.trackWidth), 0.01f)
          << name << " set " << set << ": track " << texts.track << " of " << s.trackWidth;
    }
  }
}

// A half upright of exactly three quarters or of exactly 0.65 of the rolling radius is no
// warning yet; an axle without wheels has no anti roll bar to disable.
TEST_F(PagesTest, TheUprightWarningsStartPastTheirRatiosAndAnAxleWithoutWheelsHasNoAntiRollSwitch) {
  UseTallScreen();
  Car& c = car();
  SuspensionBlock& front = c.wheelSets[1];
  for (int set = 0; set < CAR_WHEEL_SETS; ++set) c.wheelSets[set].rollingRadius = 0.4f;
  for (const float upright : {0.75f * 0.4f, 0.65f * 0.4f}) {
    for (int set = 0; set < CAR_WHEEL_SETS; ++set) c.wheelSets[set].halfUprightLength = upright;
    Open(TAB_SUSPENSION);
    EXPECT_NE(FindLabelled("Half upright length", BUTTON_STYLE_FLOAT), nullptr) << upright;
    EXPECT_EQ(FindLabelled("Half upright ^3(TOO", BUTTON_STYLE_FLOAT), nullptr) << upright;
  }

  const auto switches = [] {
    int n = 0;
    for (int i = 0; i < ButtonCount; ++i)
      if ((InterfaceButtons[i].style == BUTTON_STYLE_FLAG32 || InterfaceButtons[i].style == BUTTON_STYLE_FLAG8) &&
          InterfaceButtons[i].text.text && std::strcmp(InterfaceButtons[i].text.text, "Disable anti roll bar") == 0)
        ++n;
    return n;
  };
  SetSetupFloat(c.currentSetup, SETUP_AXLE[0] + AXLE_ANTI_ROLL, 1000.0f);
  SetSetupFloat(c.currentSetup, SETUP_AXLE[1] + AXLE_ANTI_ROLL, 0.0f);
  ASSERT_NE(front.suspensionType, SUSPENSION_RIGID);
  Build();
  EXPECT_EQ(switches(), 1) << "the front axle's, without an anti roll setting";
  const auto leftWheel = front.leftWheel, rightWheel = front.rightWheel;
  front.leftWheel = front.rightWheel = 0;
  Build();
  EXPECT_EQ(switches(), 0) << "no wheels on the axle";
  front.leftWheel = leftWheel;
  front.rightWheel = rightWheel;
  e->selection.openTab = -1;
}

TEST_F(PagesTest, TheSuspensionPagesStaggerUprightCasterAndSingleWheelCases) {
  Car& c = car();
  SuspensionBlock& front = c.wheelSets[1];
  const int left = front.leftWheel - 1, right = front.rightWheel - 1;
  ASSERT_GE(left, 0);
  ASSERT_GE(right, 0);
  c.wheelPositions[left].y = 1.2f;
  c.wheelPositions[right].y = 1.3f;
  Open(TAB_SUSPENSION);
  const InterfaceButton* l = FindLabelled("L fwd", BUTTON_STYLE_FLOAT);
  const InterfaceButton* r = FindLabelled("R fwd", BUTTON_STYLE_FLOAT);
  ASSERT_NE(l, nullptr);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(l->top, r->top) << "side by side";
  EXPECT_EQ(r->left, 8 * ButtonWidth);
  const InterfaceButton* rightForward = FindFirst("right forward");  // the front axle's row
  EXPECT_EQ(rightForward->fourth.i, 1);
  EXPECT_EQ(rightForward->handler, nullptr);
  c.wheelPositions[right].y = 1.2f;
  Build();
  EXPECT_NE(FindLabelled("Forward", BUTTON_STYLE_FLOAT), nullptr);
  EXPECT_EQ(FindFirst("aligned")->fourth.i, 1);

  // The half upright against the rolling radius.
  front.halfUprightLength = 0.25f;
  front.rollingRadius = 0.3f;
  Build();
  EXPECT_NE(FindLabelled("Half upright ^3(TOO LONG)", BUTTON_STYLE_FLOAT), nullptr);
  front.halfUprightLength = 0.25f;
  front.rollingRadius = 0.4f;
  Build();
  EXPECT_NE(FindLabelled("Half upright ^3(TOO SHORT)", BUTTON_STYLE_FLOAT), nullptr);

  // The caster's top: 45 degrees with the bike flag, even in the kart class.
  Load("Kart");
  car().options |= 0x4000;
  car().wheelSets[1].suspensionType = SUSPENSION_LINEAR;
  Open(TAB_SUSPENSION);
  const InterfaceButton* caster = FindLabelled("Caster", BUTTON_STYLE_FLOAT_DEGREES);
  ASSERT_NE(caster, nullptr);
  EXPECT_NEAR(caster->third.f, 45.0f * 0.017453292f, 1e-6f);
  car().options &= ~0x4000u;
  Build();
  EXPECT_NEAR(FindLabelled("Caster", BUTTON_STYLE_FLOAT_DEGREES)->third.f, 22.5f * 0.017453292f, 1e-6f);

  // A single wheel with no track: the offset row alone.
  Load("Scooter");
  Open(TAB_SUSPENSION);
  EXPECT_TRUE(Shown("central"));
  EXPECT_FALSE(StartsShown("Inclination"));
  EXPECT_EQ(Find("central")->fourth.i, 1);
}

// The suspension page measures the axles from the car's own wheels: a stale position left in
// the slot past the last wheel (of the two-wheeler) moves neither the rearmost nor the foremost
// axle.
TEST_F(PagesTest, TheAxlePositionsComeFromTheCarsWheelsAlone) {
  Load("Sportbike");
  const int n = car().wheelCount;
  ASSERT_GT(n, 0);
  ASSERT_LT(n, CAR_MAX_WHEELS);
  float rearmost = 0.0f, foremost = 0.0f;
  for (int i = 0; i < n; ++i) {
    rearmost = std::min(rearmost, car().wheelPositions[i].y);
    foremost = std::max(foremost, car().wheelPositions[i].y);
  }
  ASSERT_LT(rearmost, 0.0f);
  ASSERT_GT(foremost, 0.0f);
  for (const float stale : {9.0f, -9.0f}) {
    car().wheelPositions[n] = {0.0f, stale, 0.0f};
    Open(TAB_SUSPENSION);
    EXPECT_EQ(e->axlePositions[0], rearmost) << stale;
    EXPECT_EQ(e->axlePositions[1], foremost) << stale;
  }
  car().wheelPositions[n] = {};
}

TEST_F(PagesTest, AValueEditedThroughAControlChangesTheCarAndIsRecordedAndUndone) {
  Open(TAB_SUSPENSION);
  const std::vector<uint8_t> before = Bytes();
  const int nodes = NumNodes;
  const uint32_t setups = e->carSetups;
  const float maxUp = car().wheelSets[1].maxUpPosition;
  // The front axle's "Max up" plus button.
  const InterfaceButton* value = FindLabelled("Max up", BUTTON_STYLE_FLOAT);
  ASSERT_NE(value, nullptr);
  const InterfaceButton* plus = value + 4;
  ASSERT_EQ(plus->style, 34);
  ClickButton(*plus);
  EXPECT_NEAR(car().wheelSets[1].maxUpPosition, maxUp + 0.001f, 1e-6f);
  EXPECT_EQ(NumNodes, nodes + 1);
  EXPECT_EQ(std::strncmp(Slots[NumNodes].name, "set", 3), 0) << Slots[NumNodes].name;
  EXPECT_GT(e->carSetups, setups) << "the car is set up again";
  UndoEdit(*e);
  EXPECT_EQ(Bytes(), before);

  // A toggle of the transmission page records and flips its bit.
  Open(TAB_TRANSMISSION);
  const InterfaceButton* shift = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].style == BUTTON_STYLE_FLAG32 &&
        std::strcmp(InterfaceButtons[i].text.text, "Shift light") == 0)
      shift = &InterfaceButtons[i];
  ASSERT_NE(shift, nullptr);
  const uint32_t options = car().options;
  ClickButton(*shift);
  EXPECT_EQ(car().options ^ options, 0x40000u);
  EXPECT_STREQ(Slots[NumNodes].name, "switch shift light");

  // A value typed outside the range is refused; nothing changes, nothing is recorded.
  Open(TAB_SUSPENSION);
  const std::vector<uint8_t> now = Bytes();
  const int count = NumNodes;
  ClickButton(*FindLabelled("Max up", BUTTON_STYLE_FLOAT), 2);
  Type(OpenTextEntry.prompt, "5");
  EXPECT_STREQ(MessageBoxDialog.first, "New value is too high");
  ResetDialogs();
  e->prss.sub = nullptr;

  EXPECT_EQ(Bytes(), now);
  EXPECT_EQ(NumNodes, count);
}

// Every edit made through a control of the editor's pages, of the side panel and of the
// information panel's pages names its row: a left press on each control that records an edit,
// on every tab page and every panel page of five sample vehicles, never leaves "unknown" on the
// status line or in the undo and redo hints (the "-" and "+" of a value row and the arrows
// of a panel row among them).
TEST_F(PagesTest, EveryEditThroughARowIsNamedAfterTheRow) {
  UseTallScreen();
  SetInterfaceMetrics();
  const auto records = [](int domain, int style, bool button) {
    if (domain != EDIT_DOMAIN_VEHICLE) return false;
    if (button)
      return (style >= BUTTON_STYLE_FLOAT && style <= BUTTON_STYLE_ANGLE_PLUS) ||
             (style >= BUTTON_STYLE_INT_PLUS && style <= BUTTON_STYLE_FLAG8);
    // The style argument holds a value control's display type here.
    return (style >= VALUE_TYPE_FLOAT && style <= VALUE_TYPE_EXPLICIT_STEP) || style == VALUE_TYPE_COLOUR_BYTE ||
           style == VALUE_TYPE_MAPPED_BYTE || style == VALUE_TYPE_WORD ||
           (style >= VALUE_TYPE_BYTE_PLUS && style <= VALUE_TYPE_FLOAT_MINUS);
  };
  const auto frame = [&] {
    ClearInterface();
    VehicleEditor::DrawInfoPanel(*e);
    VehicleEditor::BuildPanels(*e);
    VehicleEditor::BuildSidePanel(*e);
  };
  int pressed = 0;
  for (const char* name : {"Runabout", "Saloon", "Sportbike", "Kart", "Solar"}) {
    Load(name);
    for (int tab = -1; tab < TAB_PAGE_COUNT; ++tab) {
      for (int page = INFO_PAGE_INFO; page < (tab < 0 ? INFO_PAGE_COUNT : INFO_PAGE_INFO + 1); ++page) {
        InfoPageShown = page;
        e->selection.openTab = tab;
        // The frame is made again before each press: a press may change what the page shows.
        for (int i = 0;; ++i) {
          frame();
          const bool button = i < ButtonCount;
          if (!button && i - ButtonCount >= ValueControlCount) break;
          std::string where = std::string(name) + " tab " + std::to_string(tab) + " page " + std::to_string(page);
          e->statusText[0] = 0;
          if (button) {
            const InterfaceButton b = InterfaceButtons[i];
            if (!b.owner || !records(b.editDomain, b.style, true)) continue;
            ClickButton(b);
            where += " button style " + std::to_string(b.style);
          } else {
            const ValueControl c = ValueControls[i - ButtonCount];
            if (!c.owner || !records(c.editDomain, c.displayType, false)) continue;
            ClickControl(c);
            where += " value type " + std::to_string(c.displayType);
          }
          ++pressed;
          UpdateHints();
          EXPECT_EQ(std::strstr(e->statusText, "unknown"), nullptr) << where << ": " << e->statusText;
          EXPECT_EQ(std::strstr(UndoHint, "unknown"), nullptr) << where << ": " << UndoHint;
          UndoEdit(*e);
          UpdateHints();
          EXPECT_EQ(std::strstr(RedoHint, "unknown"), nullptr) << where << ": " << RedoHint;
          RedoEdit(*e);
          e->selection.openTab = tab;
        }
      }
    }
  }
  EXPECT_GT(pressed, 500);
  InfoPageShown = INFO_PAGE_INFO;
  e->selection.openTab = -1;
}

}  // namespace

namespace {

// A right press on a row's value asks for it typed; a value outside the row's range is
// refused with nothing stored, no history node and the vehicle's bytes unchanged: below
// "Max up", and 4.5 m for the front axle's "Forward" (0.1 to 4.0 m).
TEST_F(PagesTest, AValueTypedOutsideItsRangeIsRefused) {
  const auto refused = [&](const char* label, const char* typed, const char* message) {
    SCOPED_TRACE(label);
    Open(TAB_SUSPENSION);
    const std::vector<uint8_t> before = Bytes();
    const float forward = e->axlePositions[1];
    const int nodes = VehicleUndo::NumNodes;
    const InterfaceButton* row = FindLabelled(label, BUTTON_STYLE_FLOAT);
    ASSERT_NE(row, nullptr);
    ClickButton(*row, 2);
    Type(OpenTextEntry.prompt, typed);
    EXPECT_STREQ(MessageBoxDialog.first, message);
    if (e->prss.sub) Prss_RemoveSub(&e->prss, "test");
    ResetDialogs();
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(e->axlePositions[1], forward);
    EXPECT_EQ(VehicleUndo::NumNodes, nodes);
  };
  refused("Max up", "-5", "New value is too low");
  refused("Forward", "4.5", "New value is too high");
}

// The wheel object page's four option toggles flip their bits ("Grooved slicks" has the
// wheels made again on the next frame), and its file buttons ask for the wheel file's name:
// "SAVE WHL" writes data/whl/<name>.whl, "LOAD WHL" reads it back as one edit.
TEST_F(PagesTest, TheWheelObjectTogglesAndWheelFileButtonsActThroughThePage) {
  UseTallScreen();
  struct Toggle {
    const char* text;
    uint32_t* flags;
    uint32_t mask;
  };
  const Toggle toggles[] = {{"Concealed wheels (saloon car)", &car().options, 0x20},
                            {"Concealed driver (most cars)", &car().options, 0x1},
                            {"Reflect wheels (to left side)", &car().options, 0x8000000},
                            {"Grooved slicks", &car().options2, 0x4000}};
  for (const Toggle& t : toggles) {
    SCOPED_TRACE(t.text);
    Open(TAB_WHEEL_OBJECT);
    const InterfaceButton* b = FindLabelled(t.text, BUTTON_STYLE_FLAG32);
    ASSERT_NE(b, nullptr);
    const uint32_t before = *t.flags;
    e->releaseMeshesCountdown = 0;
    ClickButton(*b);
    EXPECT_EQ(*t.flags ^ before, t.mask);
    if (t.flags == &car().options2) {
      EXPECT_EQ(e->releaseMeshesCountdown, 1) << "the rim shape applied";
    }
  }
  // The first tyre size button is the front set's width "-": it narrows the front tyres.
  Open(TAB_WHEEL_OBJECT);
  const InterfaceButton* firstStep = nullptr;
  for (int i = 0; i < ButtonCount && !firstStep; ++i)
    if (InterfaceButtons[i].handler == VehicleEditor::StepFrontTyreSize ||
        InterfaceButtons[i].handler == VehicleEditor::StepRearTyreSize)
      firstStep = &InterfaceButtons[i];
  ASSERT_NE(firstStep, nullptr);
  const float frontWidth = car().wheelSets[1].sectionWidth, rearWidth = car().wheelSets[0].sectionWidth;
  ClickButton(*firstStep);
  EXPECT_LT(car().wheelSets[1].sectionWidth, frontWidth);
  if (!(car().options & OPT1_SAME_TYRES)) {
    EXPECT_EQ(car().wheelSets[0].sectionWidth, rearWidth);
  }
  // The brake disc's two types, each button setting its own.
  for (const auto& [text, type] : {std::pair{"DRILLED", 1}, std::pair{"SOLID", 0}}) {
    Open(TAB_WHEEL_OBJECT);
    const InterfaceButton* b = Find(text);
    ASSERT_NE(b, nullptr) << text;
    ClickButton(*b);
    EXPECT_EQ(car().rimBytes[0], type) << text;
    Open(TAB_WHEEL_OBJECT);
    EXPECT_EQ(Find("DRILLED")->fourth.i, type) << "the type set is lit";
    EXPECT_EQ(Find("SOLID")->fourth.i, 1 - type);
  }

  std::filesystem::create_directories("data/whl");
  Open(TAB_WHEEL_OBJECT);
  ASSERT_NE(Find("SAVE WHL"), nullptr);
  ClickButton(*Find("SAVE WHL"));
  Type("Enter name of WHL to SAVE", "page");
  EXPECT_TRUE(std::filesystem::exists("data/whl/page.whl"));
  const int nodes = VehicleUndo::NumNodes;
  Open(TAB_WHEEL_OBJECT);
  ClickButton(*Find("LOAD WHL"));
  Type("Enter name of WHL to LOAD", "page");
  EXPECT_EQ(VehicleUndo::NumNodes, nodes + 1);
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "load wheel");
}

// With the centres shown and no diagram, three boxes mark the reference point, the centre
// without the wheels and the centre of mass; a diagram or the centres hidden take them away.
TEST_F(PagesTest, TheCentreMarksStandOnlyWithTheCentresShownAndNoDiagram) {
  const auto marks = [&] {
    Build();
    std::vector<const ScreenLabel*> labels(MAX_SCREEN_LABELS);
    const int n = ScreenLabelsByDepth(labels.data(), MAX_SCREEN_LABELS);
    int count = 0;
    for (int i = 0; i < n; ++i)
      if (labels[i]->type == LABEL_BOX && labels[i]->ownerWord == reinterpret_cast<uintptr_t>(e)) ++count;
    return count;
  };
  e->diagramFlags = 0;
  e->displayFlags |= SHOW_COG;
  EXPECT_EQ(marks(), 3);
  // Each mark names its centre when clicked; the mesh centre stands in colour 3, the others in 1.
  {
    std::vector<const ScreenLabel*> labels(MAX_SCREEN_LABELS);
    const int n = ScreenLabelsByDepth(labels.data(), MAX_SCREEN_LABELS);
    const char* const names[3] = {"Mesh centre", "Centre of mass excluding wheels", "Centre of mass"};
    int seen = 0;
    for (int i = 0; i < n; ++i) {
      const ScreenLabel& l = *labels[i];
      if (l.type != LABEL_BOX || l.ownerWord != reinterpret_cast<uintptr_t>(e)) continue;
      ASSERT_GE(l.first, 0);
      ASSERT_LE(l.first, 2);
      EXPECT_EQ(l.colourKind, l.first == 0 ? 3 : 1) << l.first;
      Reports() = Caught{};
      ASSERT_NE(l.callback, nullptr);
      l.callback(l.ownerWord, CLICK_LEFT, l.first, l.second);
      ASSERT_EQ(Reports().lines.size(), 1u) << l.first;
      EXPECT_EQ(Reports().lines[0], names[l.first]);
      seen |= 1 << l.first;
    }
    EXPECT_EQ(seen, 7) << "all three marks";
  }
  e->diagramFlags = 1;
  EXPECT_EQ(marks(), 0);
  e->diagramFlags = 0;
  e->displayFlags &= ~SHOW_COG;
  EXPECT_EQ(marks(), 0);
}

// With the frame shown, the side panel's tube rows stand for a selected tube of the frame: the
// last tube has them, an index one past the last (a stale selection) has none.
TEST_F(PagesTest, TheTubeRowsStandOnlyForATubeOfTheFrame) {
  ASSERT_GT(car().frameTubeCount, 0);
  const uint8_t special = SpecialDraw;
  SpecialDraw = 1;  // the frame shown, as its rows need
  e->displayFlags |= SHOW_FRAME;
  e->diagramFlags = 0;
  e->selection.selectedPoint = NO_POINT;
  e->selection.selectedTube = car().frameTubeCount - 1;
  ClearInterface();
  VehicleEditor::BuildSidePanel(*e);
  EXPECT_NE(Find("delete tube"), nullptr);
  e->selection.selectedTube = car().frameTubeCount;
  ClearInterface();
  VehicleEditor::BuildSidePanel(*e);
  EXPECT_EQ(Find("delete tube"), nullptr);
  e->selection.selectedTube = -1;
  ClearInterface();
  VehicleEditor::BuildSidePanel(*e);
  EXPECT_EQ(Find("delete tube"), nullptr);
  SpecialDraw = special;
}

}  // namespace
