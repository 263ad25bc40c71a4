// page_contents_test.cpp - the vehicle editor's pages 4 to 11 and its side panel on sample
// vehicles: what each page shows in which case, figures against the test's own computation,
// and edits made by mouse through the controls (recorded, undone, refusals leaving nothing).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/config.h"
#include "dashboard/dash_figures.h"
#include "pages_fixture.h"
#include "physics/car.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "text/text_colours.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_editor/default_setups.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/model_pages.h"

namespace {

using namespace VehicleUndo;

constexpr float DEGREE = 0.017453292f;

class PageContentsTest : public PagesTest {
 protected:
  void TearDown() override {
    SpecialDraw = 0;
    PagesTest::TearDown();
  }
  // The flag toggle (style 53 or 55) showing the label.
  const InterfaceButton* Toggle(const char* label) {
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if ((b.style == BUTTON_STYLE_FLAG32 || b.style == BUTTON_STYLE_FLAG8) && b.text.text &&
          std::strcmp(b.text.text, label) == 0)
        return &b;
    }
    return nullptr;
  }
  static std::string Format(const char* format, double value) {
    char text[128];
    std::snprintf(text, sizeof text, format, value);
    return text;
  }
  static std::string FormatInt(const char* format, int value) {
    char text[128];
    std::snprintf(text, sizeof text, format, value);
    return text;
  }
  // The side panel alone, as the act function builds it after the pages.
  void BuildSide() {
    ClearInterface();
    VehicleEditor::BuildSidePanel(*e);
  }
  int PanelButtons() { return ButtonCount; }
};

// Every later page of the saloon, the bike's steering, the electric car's positions and mass,
// and the side panel, as snapshots (rows, labels, words, hints, selected states).
TEST_F(PageContentsTest, SnapshotsOfTheLaterPagesAndTheSidePanel) {
  static const char* const NAMES[TAB_PAGE_COUNT] = {nullptr, nullptr, nullptr, nullptr,
                                                    "page4_saloon", "page5_saloon", "page6_saloon", "page7_saloon",
                                                    "page8_saloon", "page9_saloon", "page10_saloon", "page11_saloon"};
  DashUnits.kmh = 1;
  // The side each car is built for, whatever side an earlier test left the program on.
  VehicleEditor::UpdateDriveSide(*e);
  for (int tab = TAB_ALLOW; tab < TAB_PAGE_COUNT; ++tab) {
    Open(tab);
    ExpectSnapshot(NAMES[tab]);
  }
  SpecialDraw = 1;
  e->displayFlags |= SHOW_FRAME;
  e->selection.selectedPoint = 0;
  BuildSide();
  ExpectSnapshot("side_panel_point");
  Load("Sportbike");
  VehicleEditor::UpdateDriveSide(*e);
  Open(TAB_STEERING);
  ExpectSnapshot("page6_bike");
  Load("Roadster");
  VehicleEditor::UpdateDriveSide(*e);
  Open(TAB_OBJECT_POSITIONS);
  ExpectSnapshot("page7_electric");
  Open(TAB_MASS);
  ExpectSnapshot("page8_electric");
}

// The local folder's button shows the folder for a test export, even one of a single letter,
// and a placeholder while none is set.
TEST_F(PageContentsTest, TheTestExportFolderButtonShowsTheFolderOrAPlaceholder) {
  SpecialDraw = 1;
  e->displayFlags |= SHOW_FRAME;
  e->selection.selectedPoint = 0;
  char folder[8] = "D";
  EditorShellHooks.testExportFolder = folder;
  BuildSide();
  EXPECT_TRUE(Shown("D"));
  EXPECT_FALSE(Shown("[folder for TEST export]"));
  folder[0] = 0;
  BuildSide();
  EXPECT_TRUE(Shown("[folder for TEST export]"));
  EditorShellHooks.testExportFolder = nullptr;
  BuildSide();
  EXPECT_TRUE(Shown("[folder for TEST export]"));
}

// The four mod rows hand the shell's export check the editor, the click and the row's word:
// check 0, test 1, upload 2, share 3.
struct ModCheckCall {
  void* editor;
  int click;
  uintptr_t word;
};
ModCheckCall g_modCheck{};
void RecordModCheck(void* editor, int click, uintptr_t word) { g_modCheck = {editor, click, word}; }

TEST_F(PageContentsTest, TheModRowsHandTheExportCheckTheirClickAndWord) {
  EditorShellHooks.checkModForExport = RecordModCheck;
  const char* const rows[4] = {"CHECK if vehicle is valid for mod export", "TEST mod in ZKT", "EXPORT mod for UPLOAD",
                               "export to SHARE vehicle for development"};
  for (int word = 0; word < 4; ++word) {
    BuildSide();
    const InterfaceButton* row = Find(rows[word]);
    ASSERT_NE(row, nullptr) << rows[word];
    g_modCheck = {nullptr, 0, 99};
    ClickButton(*row, CLICK_RIGHT);
    EXPECT_EQ(g_modCheck.editor, static_cast<void*>(e)) << rows[word];
    EXPECT_EQ(g_modCheck.click & CLICK_RIGHT, CLICK_RIGHT) << rows[word];
    EXPECT_EQ(g_modCheck.word, uintptr_t(word)) << rows[word];
  }
  EditorShellHooks.checkModForExport = nullptr;
}

// The side panel with a tube of the frame selected (and the frame move rows open), then with a
// suspension link, as snapshots; the tube's row of buttons measured by hand: "clr" 2 units,
// "delete tube" 6, the visibility label 6 and its switch 2, the panel's 16 units in all.
TEST_F(PageContentsTest, TheSidePanelsTubeRowsInSnapshotsAndMeasured) {
  SpecialDraw = 1;
  e->displayFlags |= SHOW_FRAME;
  e->diagramFlags = 0;
  e->selection.selectedPoint = NO_POINT;
  e->frameMove = 1;
  ASSERT_GE(car().frameTubes[0].a, 0);
  ASSERT_GE(car().frameTubes[0].b, 0);
  ASSERT_TRUE(car().frameTubes[4].a < 0 || car().frameTubes[4].b < 0) << "tube 4 is a suspension link";
  for (const auto& [tube, name] : {std::pair{0, "side_panel_tube"}, std::pair{4, "side_panel_link"}}) {
    e->selection.selectedTube = tube;
    BuildSide();
    ExpectSnapshot(name);
    const InterfaceButton* clear = Find("clr");
    const InterfaceButton* remove = Find("delete tube");
    const InterfaceButton* visibility = Find("tube visibility");
    ASSERT_TRUE(clear && remove && visibility) << name;
    EXPECT_EQ(clear->right - clear->left, 2 * ButtonWidth) << name;
    EXPECT_EQ(remove->left, clear->right) << name;
    EXPECT_EQ(remove->right - remove->left, 6 * ButtonWidth) << name;
    EXPECT_EQ(visibility->left, remove->right) << name;
    EXPECT_EQ(visibility->right - visibility->left, 6 * ButtonWidth) << name;
    EXPECT_TRUE(remove->top == clear->top && visibility->top == clear->top) << name;
  }
  e->frameMove = 0;
  e->selection.selectedTube = -1;
}

// ---- Allow, light colours and steering ----

TEST_F(PageContentsTest, AllowTogglesFlipTheirBitsAndTheLockLimitFollowsEveryChange) {
  Car& c = car();
  Open(TAB_ALLOW);
  EXPECT_TRUE(Shown(FormatInt("Maximum lock is limited to %d\xB0", c.GetMaxSteeringLock()).c_str()));
  struct Row {
    const char* label;
    uint32_t* word;
    uint32_t bit;
    bool setUp;  // the car is set up again after the switch
  };
  const Row rows[] = {{"Open differential only", &c.options, 0x200000, true},
                      {"Single setting differential", &c.options, 0x400000, true},
                      {"Live adjust brake balance", &c.options, 0x10000000, true},
                      {"Live adjust anti roll", &c.options, 0x20000000, true},
                      {"Pit speed limiter", &c.options, 0x40000000, true},
                      {"Handbrake", &c.options2, 0x800, false},
                      {"ABS brakes", &c.options2, 0x1, true},
                      {"Rear brake only", &c.options2, 0x2, true},
                      {"Horn", &c.options2, 0x100, false},
                      {"Starter motor", &c.options2, 0x8000, false},
                      {"Limit setup lock to base setup lock", &c.options2, 0x4, true}};
  for (const Row& row : rows) {
    Build();
    const InterfaceButton* toggle = Toggle(row.label);
    ASSERT_NE(toggle, nullptr) << row.label;
    const uint32_t before = *row.word;
    const int nodes = NumNodes;
    const uint32_t setups = e->carSetups;
    ClickButton(*toggle);
    EXPECT_EQ(*row.word ^ before, row.bit) << row.label;
    EXPECT_EQ(NumNodes, nodes + 1) << row.label << " is recorded";
    EXPECT_EQ(e->carSetups, setups + (row.setUp ? 1u : 0u)) << row.label;
    // The limit is read anew each frame, whatever the base-lock switch says.
    Build();
    EXPECT_TRUE(Shown(FormatInt("Maximum lock is limited to %d\xB0", c.GetMaxSteeringLock()).c_str())) << row.label;
  }

  // Custom tyre types: the rows come and go, the stored limits stay.
  c.options2 |= OPT2_TYRE_TYPE_LIMITS;
  c.rimBytes[1] = 1;
  c.rimBytes[2] = 5;
  Build();
  EXPECT_TRUE(Shown("Minimum type"));
  EXPECT_TRUE(Shown("SLICK_R2"));
  EXPECT_TRUE(Shown("ROAD_NORMAL"));
  // The first and the last compound by name; a type past the list shows "?".
  c.rimBytes[1] = 0;
  c.rimBytes[2] = 7;
  Build();
  EXPECT_TRUE(Shown("SLICK_R1"));
  EXPECT_TRUE(Shown("KNOBBLY"));
  EXPECT_FALSE(Shown("?"));
  c.rimBytes[2] = 8;
  Build();
  EXPECT_TRUE(Shown("?"));
  // Each type row ends in its own "-" and "+": the maximum's "+" raises the maximum, the
  // minimum's "-" lowers the minimum.
  const auto stepOnRowOf = [&](const char* label, const char* sign) -> const InterfaceButton* {
    const InterfaceButton* row = Find(label);
    if (!row) return nullptr;
    char shown[8];
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].top == row->top && ButtonText(InterfaceButtons[i], shown, sizeof shown) &&
          std::strcmp(shown, sign) == 0)
        return &InterfaceButtons[i];
    return nullptr;
  };
  c.rimBytes[1] = 1;
  c.rimBytes[2] = 5;
  Build();
  ASSERT_NE(stepOnRowOf("Maximum type", "+"), nullptr);
  ClickButton(*stepOnRowOf("Maximum type", "+"));
  EXPECT_EQ(c.rimBytes[1], 1);
  EXPECT_EQ(c.rimBytes[2], 6);
  Build();
  ASSERT_NE(stepOnRowOf("Minimum type", "-"), nullptr);
  ClickButton(*stepOnRowOf("Minimum type", "-"));
  EXPECT_EQ(c.rimBytes[1], 0);
  EXPECT_EQ(c.rimBytes[2], 6);
  c.rimBytes[1] = 1;
  c.rimBytes[2] = 5;
  Build();
  ASSERT_NE(Find("YES"), nullptr);
  ClickButton(*Find("YES"));
  Build();
  EXPECT_FALSE(Shown("Minimum type"));
  EXPECT_FALSE(Shown("Maximum type"));
  EXPECT_EQ(c.rimBytes[1], 1);
  EXPECT_EQ(c.rimBytes[2], 5);
}

// The allow page's limit rows stand only while their switches are on: the lowest and highest
// tyre pressure each on a row of its own, its label then its value.
TEST_F(PageContentsTest, TheAllowPagesPressureRowsStandOnlyWhileSwitchedOn) {
  UseTallScreen();
  car().options2 &= ~OPT2_PRESSURE_LIMITS;
  car().rimWords[0] = 150;
  car().rimWords[1] = 320;
  Open(TAB_ALLOW);
  EXPECT_FALSE(Shown("Minimum pressure"));
  EXPECT_FALSE(Shown("150 kPa"));
  car().options2 |= OPT2_PRESSURE_LIMITS;
  Open(TAB_ALLOW);
  const InterfaceButton* lowest = Find("Minimum pressure");
  const InterfaceButton* highest = Find("Maximum pressure");
  const InterfaceButton* low = Find("150 kPa");
  const InterfaceButton* high = Find("320 kPa");
  ASSERT_TRUE(lowest && highest && low && high);
  EXPECT_EQ(low->top, lowest->top);
  EXPECT_EQ(low->left, lowest->right);
  EXPECT_EQ(high->top, highest->top);
  EXPECT_EQ(highest->top, lowest->top + ButtonHeight);
}

TEST_F(PageContentsTest, LightColoursShowThePitLightOnlyWithTheLimiterAndTestLightsTheLamp) {
  UseTallScreen();
  Car& c = car();
  c.options &= ~OPT1_PIT_LIMITER;
  Open(TAB_LIGHT_COLOURS);
  EXPECT_TRUE(Shown("No pit speed limiter"));
  EXPECT_EQ(Toggle("Pit speed limiter flashing light"), nullptr);
  EXPECT_FALSE(Shown("Pit limiter light uses"));
  c.options |= OPT1_PIT_LIMITER;
  c.options2 |= OPT2_FLASHER;
  Build();
  ASSERT_NE(Toggle("Pit speed limiter flashing light"), nullptr);
  ASSERT_TRUE(Shown("rear fog"));
  EXPECT_EQ(FindFirst("brake")->fourth.i, 1) << "brake lights while the choice bit is clear";
  ClickButton(*FindFirst("rear fog"));
  EXPECT_TRUE(c.lightsAndAids & LIGHTS_PIT_LIGHT_FOG);
  EXPECT_TRUE(c.options & OPT1_PIT_LIMITER) << "choosing the light keeps the limiter";
  EXPECT_STREQ(Slots[NumNodes].name, "set pit limiter light");

  // Eight lights, each with its test switch; "TEST" flips the light's test byte.
  Build();
  int tests = 0;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].style == BUTTON_STYLE_TEXT && InterfaceButtons[i].text.text &&
        std::strcmp(InterfaceButtons[i].text.text, "TEST") == 0)
      ++tests;
  EXPECT_EQ(tests, EDITOR_LIGHT_TESTS);
  const InterfaceButton* brakeTest = FindFirst("TEST");
  ClickButton(*brakeTest);
  EXPECT_EQ(e->lightTests[0], 1);
  Build();
  EXPECT_EQ(FindFirst("TEST")->fourth.i, 1) << "selected while set";
  EXPECT_TRUE(Shown("LOAD all light and mesh colours"));
  EXPECT_TRUE(Shown("SAVE all light and mesh colours"));
}

// Every text of a frame with the Light Colours page open, on each sample vehicle with every
// optional row shown: read once the page is built and again at the end of the frame (the side
// panel built after it), each must still be there and unchanged.
// The light colours page without the pit light is 29 rows (the two switches, the pit limiter
// row, eight blocks of three rows and the two file rows) and starts under the tab rows' last
// row (5 rows down): when its rows and one more end exactly on the common rows the switches
// keep a row each; a pixel less and they share one.
TEST_F(PageContentsTest, TheLightSwitchesShareARowOnlyWhenThePageIsShortOfRows) {
  Car& c = car();
  c.options &= ~OPT1_PIT_LIMITER;
  const int H = ButtonHeight;
  const int common = ScreenHeight - CommonRowsTop(c);  // the common rows' height
  ScreenHeight = 5 * H + 30 * H + common;
  ASSERT_EQ(CommonRowsTop(c), 35 * H);
  Open(TAB_LIGHT_COLOURS);
  ASSERT_TRUE(Toggle("Headlights") && Toggle("Indicators"));
  EXPECT_EQ(Toggle("Indicators")->top, Toggle("Headlights")->top + H) << "a row each";
  ScreenHeight -= 1;
  Build();
  ASSERT_TRUE(Toggle("Headlights") && Toggle("Indicators"));
  EXPECT_EQ(Toggle("Indicators")->top, Toggle("Headlights")->top) << "one row shared";
  e->selection.openTab = -1;
}

TEST_F(PageContentsTest, LightColoursTextsLiveThroughTheWholeFrame) {
  const auto texts = [](int buttons, int values) {
    std::vector<std::string> out;
    char shown[256];
    for (int i = 0; i < buttons; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      out.push_back(ButtonText(b, shown, sizeof shown) ? shown : "");
      // A toggle keeps its label's text beside the "YES" / "NO" it shows.
      if ((b.style == BUTTON_STYLE_FLAG32 || b.style == BUTTON_STYLE_FLAG8) && b.text.text)
        out.back() += std::string("|") + b.text.text;
    }
    for (int i = 0; i < values; ++i) out.push_back(ValueControlText(ValueControls[i], shown, sizeof shown) ? shown : "");
    return out;
  };
  for (const char* name : {"", "Sportbike", "Roadster", "Kart"}) {
    if (name[0]) Load(name);
    Car& c = car();
    c.options |= OPT1_PIT_LIMITER;
    c.options2 |= OPT2_FLASHER | OPT2_HEADLIGHT | OPT2_INDICATORS;
    for (uint8_t& test : e->lightTests) test = 1;
    e->selection.openTab = TAB_LIGHT_COLOURS;
    ClearInterface();
    VehicleEditor::DrawInfoPanel(*e);
    VehicleEditor::BuildPanels(*e);
    const int buttons = ButtonCount, values = ValueControlCount;
    const std::vector<std::string> built = texts(buttons, values);
    ASSERT_NE(FindFirst("Pit limiter light uses"), nullptr) << name;
    VehicleEditor::BuildSidePanel(*e);
    const std::vector<std::string> ended = texts(buttons, values);
    for (size_t i = 0; i < built.size(); ++i) EXPECT_EQ(ended[i], built[i]) << name << " text " << i;
    texts(ButtonCount, ValueControlCount);  // the side panel's own
    for (uint8_t& test : e->lightTests) test = 0;
  }
}

// A step of a light's colour slider reaches the light record the lamps are built from.
TEST_F(PageContentsTest, ALightColourSliderStepReachesTheLamp) {
  Car& c = car();
  Open(TAB_LIGHT_COLOURS);
  for (int light : {LIGHT_BRAKE, LIGHT_HEAD}) {
    const ColourWord before = c.colours[light];
    const uint8_t* red = reinterpret_cast<const uint8_t*>(&c.colours[light]);
    const InterfaceButton* down = nullptr;
    for (int i = 0; i < ButtonCount && !down; ++i)
      if (InterfaceButtons[i].style == BUTTON_STYLE_COLOUR_MINUS &&
          InterfaceButtons[i].word == reinterpret_cast<uintptr_t>(red))
        down = &InterfaceButtons[i];
    ASSERT_NE(down, nullptr) << "light " << light;
    ASSERT_GT(*red, 0);
    ClickButton(*down);
    ASSERT_NE(c.colours[light], before) << "the slider stepped light " << light;
    EXPECT_EQ(c.lights[light].colour[0], ColourRed(c.colours[light])) << "light " << light;
    EXPECT_EQ(c.lights[light].colour[1], ColourGreen(c.colours[light])) << "light " << light;
    EXPECT_EQ(c.lights[light].colour[2], ColourBlue(c.colours[light])) << "light " << light;
    Build();
  }
}

// A bike's handlebar heading, and its pitch against the caster, may be off by the checks'
// tolerance of 0.005 degrees itself and still pass; 0.006 degrees is off.
TEST_F(PageContentsTest, TheBikeHeadingAndPitchChecksAllowExactlyTheirTolerance) {
  Car& c = car();
  c.options |= OPT1_BIKE;
  float angle = 0.005f * DEGREE;  // the float whose degrees are exactly 0.005f
  for (int i = 0; i < 8 && angle / DEGREE < 0.005f; ++i) angle = std::nextafter(angle, 1.0f);
  for (int i = 0; i < 8 && angle / DEGREE > 0.005f; ++i) angle = std::nextafter(angle, 0.0f);
  ASSERT_EQ(angle / DEGREE, 0.005f);
  c.wheelSets[1].caster = 0.0f;
  c.steeringWheelAlign = angle;
  c.steeringWheelPitch = angle;
  Open(TAB_STEERING);
  EXPECT_TRUE(Shown("BIKE: Heading is zero - OK"));
  EXPECT_TRUE(Shown("BIKE: Pitch matches caster - OK"));
  c.steeringWheelAlign = 0.006f * DEGREE;
  c.steeringWheelPitch = 0.006f * DEGREE;
  Build();
  EXPECT_TRUE(Shown("BIKE: Heading is not zero"));
  EXPECT_TRUE(StartsShown("BIKE: Pitch does not match caster"));
  e->selection.openTab = -1;
}

TEST_F(PageContentsTest, SteeringBikeChecksAndTheSteerRangeFollowTheMaximumLock) {
  Car& c = car();
  c.options &= ~OPT1_BIKE;
  Open(TAB_STEERING);
  EXPECT_FALSE(StartsShown("BIKE:")) << "no bike rows on a non-bike";
  EXPECT_FALSE(StartsShown("Trail reduction"));
  char animation[32];
  std::snprintf(animation, sizeof animation, "str_%.8s", c.steerAnimation);
  EXPECT_TRUE(Shown(animation));

  c.options |= OPT1_BIKE;
  const int lock = c.GetMaxSteeringLock();
  c.steeringWheelTurn = (float(lock) + 0.004f) * DEGREE;
  c.steeringWheelAlign = 0.0f;
  c.steeringWheelPitch = c.wheelSets[1].caster;
  Build();
  EXPECT_TRUE(Shown("BIKE: Turn matches maximum lock - OK"));
  EXPECT_TRUE(Shown("BIKE: Heading is zero - OK"));
  EXPECT_TRUE(Shown("BIKE: Pitch matches caster - OK"));
  c.steeringWheelTurn = (float(lock) + 0.01f) * DEGREE;
  c.steeringWheelAlign = 0.01f * DEGREE;
  Build();
  EXPECT_TRUE(Shown(FormatInt("BIKE: Turn does not match maximum lock %d\xB0", lock).c_str()));
  EXPECT_TRUE(Shown("BIKE: Heading is not zero"));
  c.trailReduction = 0.05f;
  c.steeringWheelPitch = 0.4f;
  Build();
  EXPECT_TRUE(Shown(Format("Fork offset (to steering axis) %.3fm", 0.05 * std::cos(double(c.steeringWheelPitch))).c_str()));
  EXPECT_TRUE(Shown(Format("BIKE: Pitch does not match caster %.2f\xB0", double(c.wheelSets[1].caster / DEGREE)).c_str()));

  // "Steer" stays within plus and minus the maximum lock.
  e->steeringValue = float(lock) * DEGREE;
  Build();
  const InterfaceButton* steer = FindLabelled("Steer", BUTTON_STYLE_FLOAT_DEGREES);
  ASSERT_NE(steer, nullptr);
  ClickButton(*(steer + 4));
  EXPECT_LE(e->steeringValue, float(lock) * DEGREE + 1e-6f);
  e->steeringValue = -float(lock) * DEGREE;
  Build();
  ClickButton(*(FindLabelled("Steer", BUTTON_STYLE_FLOAT_DEGREES) + 3));
  EXPECT_GE(e->steeringValue, -float(lock) * DEGREE - 1e-6f);
}

// ---- Object positions and mass ----

TEST_F(PageContentsTest, ObjectPositionsShowTheFrNotesTheBatteryAndOnlyTheRestoreButtonWhenMirrored) {
  UseTallScreen();
  Car& c = car();
  VehicleEditor::UpdateDriveSide(*e);  // the program on the car's side: its positions are not mirrored
  ASSERT_EQ(c.wheelCount, 4);
  c.driveType = DRIVE_REAR;
  c.options &= ~(OPT1_TRANSVERSE_ENGINE | OPT1_ENGINE_REVERSED);
  c.enginePosition.y = 0.05f;
  Open(TAB_OBJECT_POSITIONS);
  EXPECT_FALSE(Shown("OK")) << "not FR at 0.05 m";
  c.enginePosition.y = 0.1f;
  Build();
  EXPECT_TRUE(Shown("OK"));
  EXPECT_TRUE(Shown("?")) << "anti-clockwise is unusual for an FR";
  const uint32_t setups = e->carSetups;
  ClickButton(*Find("longitudinal"));
  EXPECT_TRUE(c.options & OPT1_TRANSVERSE_ENGINE);
  EXPECT_STREQ(Slots[NumNodes].name, "set engine mounting");
  EXPECT_EQ(e->carSetups, setups + 1) << "the car is set up again";
  Build();
  EXPECT_TRUE(Shown("transverse"));
  EXPECT_TRUE(Shown("?"));
  EXPECT_TRUE(Shown("-"));
  EXPECT_TRUE(Shown("Rotation (from right)"));
  EXPECT_TRUE(Shown("Fuel tank"));
  EXPECT_TRUE(Shown("Visible")) << "the spare wheel's fixed visible row";
  // Without the spare wheel's mass, "Visible" is a heading with the bit's state beside it.
  const auto besideVisible = [&] {
    const InterfaceButton* heading = Find("Visible");
    char shown[128] = "";
    if (!heading) return std::string("no heading");
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.left == heading->right && b.top == heading->top && ButtonText(b, shown, sizeof shown)) return std::string(shown);
    }
    return std::string("nothing beside");
  };
  c.options &= ~(OPT1_SPARE_WHEEL_MASS | OPT1_SPARE_WHEEL_VISIBLE);
  Build();
  EXPECT_TRUE(Shown("NO"));
  EXPECT_EQ(besideVisible(), "NO");
  c.options |= OPT1_SPARE_WHEEL_VISIBLE;
  Build();
  EXPECT_TRUE(Shown("YES"));
  EXPECT_EQ(besideVisible(), "YES");
  // With the spare wheel's mass, "Visible" is also a toggle, lit exactly while the bit is set.
  c.options = (c.options | OPT1_SPARE_WHEEL_MASS) & ~OPT1_SPARE_WHEEL_VISIBLE;
  Build();
  ASSERT_NE(Toggle("Visible"), nullptr);
  EXPECT_EQ(Toggle("Visible")->fourth.i, 0) << "the bit clear";
  c.options |= OPT1_SPARE_WHEEL_VISIBLE;
  Build();
  ASSERT_NE(Toggle("Visible"), nullptr);
  EXPECT_EQ(Toggle("Visible")->fourth.i, 1) << "the bit set";
  c.options &= ~(OPT1_SPARE_WHEEL_MASS | OPT1_SPARE_WHEEL_VISIBLE);

  // Mirrored for a test of the other side: the restore button and the summary.
  c.mirrored = 1;
  Build();
  EXPECT_TRUE(Shown("allow object positions to be adjusted"));
  EXPECT_FALSE(Shown("Engine"));
  EXPECT_TRUE(StartsShown("Total mass"));
  c.mirrored = 0;

  Load("Roadster");
  Open(TAB_OBJECT_POSITIONS);
  EXPECT_TRUE(Shown("Traction battery"));
  EXPECT_FALSE(Shown("Fuel tank"));
  Open(TAB_MASS);
  EXPECT_TRUE(StartsShown("Battery capacity"));
  EXPECT_FALSE(Toggle("Specify fuel tank size"));
  Load("Kart");
  Open(TAB_MASS);
  EXPECT_FALSE(StartsShown("Suspension mass constant"));
  Load("Saloon");
  Open(TAB_MASS);
  EXPECT_TRUE(StartsShown("Suspension mass constant"));
}

TEST_F(PageContentsTest, TheMassSummaryMatchesTheCarsFigures) {
  UseTallScreen();
  Car& c = car();
  VehicleEditor::UpdateDriveSide(*e);  // the program on the car's side: its positions are not mirrored
  Open(TAB_MASS);
  EXPECT_TRUE(Shown(Format("Total mass %.0fkg", c.mass).c_str()));
  EXPECT_TRUE(Shown(Format("Mass (excluding driver) %.0fkg", c.mass - c.partMasses.humans).c_str()));
  const float* up = &c.orientation[6];
  const double height = c.position.z / 65536.0 + up[0] * c.centreOfMass.x + up[1] * c.centreOfMass.y +
                        up[2] * c.centreOfMass.z;
  EXPECT_TRUE(Shown(Format("COG height above ground %.3fm", height).c_str()));

  // Halfway between the axles: 50 : 50; on the front axle: 100 : 0.
  c.centreOfMass.y = c.foremostY - c.wheelBase / 2.0f;
  Build();
  EXPECT_TRUE(Shown("50.0 F : 50.0 R"));
  c.centreOfMass.y = c.foremostY;
  Build();
  EXPECT_TRUE(Shown("100.0 F : 0.0 R"));
  // No wheelbase to share over: no distribution at all.
  c.wheelBase = 0.0f;
  Build();
  EXPECT_FALSE(StartsShown("100.0 F"));
  EXPECT_TRUE(StartsShown("Total mass"));
  VehicleEditor::VehicleValueChanged(*e);

  // "Spare wheel" raises the total by the first wheel's mass.
  c.options &= ~(OPT1_SPARE_WHEEL_MASS | OPT1_SPARE_WHEEL_VISIBLE);
  VehicleEditor::VehicleValueChanged(*e);
  Open(TAB_OBJECT_POSITIONS);
  const float before = c.mass;
  ASSERT_NE(Toggle("Spare wheel"), nullptr);
  ClickButton(*Toggle("Spare wheel"));
  EXPECT_TRUE(c.options & OPT1_SPARE_WHEEL_MASS);
  EXPECT_NEAR(c.mass, before + c.wheels[0].unsprungMass, 0.01f);
  Open(TAB_MASS);
  EXPECT_TRUE(Shown(Format("Spare wheel %.0fkg", c.wheels[0].unsprungMass).c_str()));

  // A right click on the scale minus divides each solid tube by 1.1; the frame mass follows.
  std::vector<float> solid;
  for (int i = 0; i < c.frameTubeCount; ++i)
    solid.push_back(c.frameTubes[i].a >= 0 && c.frameTubes[i].b >= 0 ? c.frameTubes[i].massPerMetre : -1.0f);
  ASSERT_FALSE(solid.empty());
  const float frameBefore = c.partMasses.frame;
  const InterfaceButton* label = Find("Scale frame mass");
  ASSERT_NE(label, nullptr);
  ClickButton(*(label + 1), 2);
  for (int i = 0; i < c.frameTubeCount; ++i) {
    if (solid[size_t(i)] >= 0.0f) {
      EXPECT_NEAR(c.frameTubes[i].massPerMetre, solid[size_t(i)] / 1.1f, 1e-4f) << i;
    }
  }
  EXPECT_LT(c.partMasses.frame, frameBefore);
  const int nodes = NumNodes;
  UndoEdit(*e);
  EXPECT_EQ(NumNodes, nodes) << "undo keeps the nodes, steps back";
}

// The weight distribution needs wheels and a wheelbase of more than a millimetre; without
// wheels the spare wheel weighs nothing.
TEST_F(PageContentsTest, TheWeightDistributionNeedsWheelsAndMoreThanAMillimetreOfWheelbase) {
  UseTallScreen();
  Car& c = car();
  VehicleEditor::UpdateDriveSide(*e);
  Open(TAB_MASS);
  c.centreOfMass.y = c.foremostY;  // on the front axle: 100 : 0 over any wheelbase
  const float base = c.wheelBase;
  c.wheelBase = 0.002f;
  Build();
  EXPECT_TRUE(Shown("100.0 F : 0.0 R")) << "two millimetres";
  c.wheelBase = 0.001f;
  Build();
  EXPECT_FALSE(Shown("100.0 F : 0.0 R")) << "one millimetre is none";
  c.wheelBase = base;
  Build();
  EXPECT_TRUE(Shown("100.0 F : 0.0 R"));

  c.options |= OPT1_SPARE_WHEEL_MASS;
  ASSERT_GE(c.wheels[0].unsprungMass, 1.0f);
  Build();
  EXPECT_TRUE(Shown(Format("Spare wheel %.0fkg", c.wheels[0].unsprungMass).c_str()));
  const int wheels = c.wheelCount;
  c.wheelCount = 0;
  Build();
  EXPECT_FALSE(Shown("100.0 F : 0.0 R")) << "no wheels";
  EXPECT_TRUE(Shown("Spare wheel 0kg")) << "no wheels";
  c.wheelCount = wheels;
  VehicleEditor::VehicleValueChanged(*e);
}

// ---- Aerodynamics, configurations, textures ----

TEST_F(PageContentsTest, AerodynamicsUnsprungWingsUsabilityAndTheTopSpeedUnits) {
  UseTallScreen();
  Car& c = car();
  c.options |= OPT1_UNSPRUNG_WINGS;
  Open(TAB_AERODYNAMICS);
  ASSERT_NE(Toggle("Unsprung wings"), nullptr);
  ClickButton(*Toggle("Unsprung wings"));
  Build();
  EXPECT_EQ(Toggle("Unsprung wings"), nullptr) << "gone once off";
  // The sample body has no wing subobjects: an unused rear wing cannot be used.
  bool rearWing = false;
  for (int i = 0; c.model && i < c.model->childCount; ++i) rearWing |= c.model->children[i].type == SUBOBJECT_REAR_WING;
  c.aero[0][0] = c.aero[0][1] = 0.0f;
  Build();
  EXPECT_EQ(Shown("not usable"), !rearWing);
  EXPECT_TRUE(StartsShown("Body drag")) << "the main body is in use";
  // A wing in use shows its three setting bytes: the extra value beside its name, the lowest
  // and the highest below.
  c.aero[1][0] = 100.0f;
  c.wingAngles[1][0] = 3, c.wingAngles[1][1] = 9, c.wingAngles[1][2] = 5;
  Build();
  EXPECT_TRUE(Shown("extra 5"));
  EXPECT_TRUE(Shown("min 3"));
  EXPECT_TRUE(Shown("max 9"));

  c.topSpeed = 50.0f;
  DashUnits.kmh = 0;
  Build();
  EXPECT_TRUE(Shown("Estimated max speed 50 m/s"));
  ASSERT_TRUE(Shown("112 mph"));
  ClickButton(*Find("112 mph"));
  EXPECT_NE(DashUnits.kmh, 0);
  c.topSpeed = 50.0f;
  Build();
  EXPECT_TRUE(Shown("180 km/h"));
  DashUnits.kmh = 0;
}

TEST_F(PageContentsTest, ConfigurationsCountLayersAndTheTexturesPage) {
  Car& c = car();
  c.configCount = 1;
  c.currentSetup.bytes[SETUP_CONFIGURATION] = 0;
  Open(TAB_CONFIGURATIONS);
  EXPECT_TRUE(Shown("1 mesh config"));
  VehicleEditor::AddConfig(*e, "SECOND");
  Build();
  EXPECT_TRUE(Shown("2 mesh configs"));
  const InterfaceButton* second = Find("SECOND");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->fourth.i, 1) << "the new one is current";
  // A layer button flips its bit of the current configuration's mask.
  const int current = c.currentSetup.bytes[SETUP_CONFIGURATION];
  const uint32_t mask = c.configs[current].layerMask;
  int layerButtons = 0;
  const InterfaceButton* firstLayer = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].handler == VehicleEditor::SwitchLayer) {
      if (!firstLayer) firstLayer = &InterfaceButtons[i];
      ++layerButtons;
    }
  EXPECT_EQ(layerButtons, 16);
  ClickButton(*firstLayer);
  EXPECT_EQ(c.configs[current].layerMask ^ mask, 1u);
  Build();
  EXPECT_TRUE(Shown("remove unused layers from model") || Shown("all layers are in use"));
  // A set-up byte one past the configurations lights the first.
  c.currentSetup.bytes[SETUP_CONFIGURATION] = uint8_t(c.configCount);
  Build();
  EXPECT_EQ(Find(c.configs[0].name)->fourth.i, 1);
  EXPECT_EQ(Find("SECOND")->fourth.i, 0);
  // No configuration: no layer buttons.
  const int configs = c.configCount;
  c.configCount = 0;
  Build();
  EXPECT_TRUE(Shown("0 mesh configs"));
  for (int i = 0; i < ButtonCount; ++i) EXPECT_NE(InterfaceButtons[i].handler, VehicleEditor::SwitchLayer) << i;
  c.configCount = configs;

  Open(TAB_TEXTURES);
  EXPECT_TRUE(Shown("CLOCKS"));
  const uint8_t dash = c.dashType;
  c.dashType = DASH_TYPE_COUNT;  // one past the dashboards: none
  Build();
  EXPECT_TRUE(Shown("[no clocks]"));
  c.dashType = dash;
  Build();
  EXPECT_TRUE(Shown("export for DV"));
  EXPECT_TRUE(Shown("export for RLS"));
  EXPECT_TRUE(Shown("calculate combined texture area"));
  EXPECT_TRUE(StartsShown("ALL materials:"));
  EXPECT_FALSE(Shown("Error: car has more than 3 LOD"));
  c.model->lodCount = 4;
  Build();
  EXPECT_TRUE(Shown("Error: car has more than 3 LOD"));
  // The error takes a row of its own at the page's left, the one above the materials' count.
  const InterfaceButton* error = Find("Error: car has more than 3 LOD");
  const InterfaceButton* count = nullptr;
  char shown[128];
  for (int i = 0; i < ButtonCount && !count; ++i)
    if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::string(shown).rfind("ALL materials:", 0) == 0)
      count = &InterfaceButtons[i];
  ASSERT_NE(error, nullptr);
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(error->left, count->left);
  EXPECT_EQ(error->bottom, count->top);
  c.model->lodCount = 3;
  Build();
  EXPECT_FALSE(Shown("Error: car has more than 3 LOD")) << "three are not more than three";
}

// The material table over stand-in level meshes: counts by material and level, and a 65th
// material refused with "TOO MANY MATERIALS".
TEST_F(PageContentsTest, TheMaterialTableCountsTrianglesByMaterialAndLevel) {
  Car& c = car();
  std::vector<Material> materials(65);
  for (Material& m : materials) m = Material{};
  materials[1].params.shineType = 1;
  GouraudO3d levels[2];
  std::vector<GouraudPart> parts[2];
  // Level 1: materials 0 and 1; level 2: material 1 again and material 2.
  parts[0] = {GouraudPart{0, &materials[0], 3, 10}, GouraudPart{1, &materials[1], 3, 4}};
  parts[1] = {GouraudPart{0, &materials[1], 3, 6}, GouraudPart{1, &materials[2], 3, 2}};
  GouraudO3d* kept[2] = {c.levelMeshes[0], c.levelMeshes[1]};
  const uint8_t lods = c.model->lodCount;
  c.model->lodCount = 2;
  for (int i = 0; i < 2; ++i) {
    levels[i].Init();
    levels[i].partCount = int32_t(parts[i].size());
    levels[i].parts = parts[i].data();
    c.levelMeshes[i] = &levels[i];
  }
  MaterialTable table{};
  FillMaterialTable(c, table);
  EXPECT_EQ(table.count, 3);
  EXPECT_EQ(table.overflow, 0);
  EXPECT_EQ(table.entries[1].material, &materials[1]);
  EXPECT_EQ(table.entries[1].triangles[0], 4);
  EXPECT_EQ(table.entries[1].triangles[1], 6);
  EXPECT_EQ(table.entries[2].triangles[0], 0);
  // A fourth level is past the table's three columns: its own material is not listed.
  GouraudO3d fourth;
  fourth.Init();
  GouraudPart fourthPart{0, &materials[3], 3, 5};
  fourth.partCount = 1;
  fourth.parts = &fourthPart;
  GouraudO3d* keptFourth = c.levelMeshes[3];
  c.levelMeshes[3] = &fourth;
  c.model->lodCount = 4;
  FillMaterialTable(c, table);
  EXPECT_EQ(table.count, 3) << "four levels count three";
  EXPECT_EQ(table.entries[1].triangles[1], 6);
  c.model->lodCount = 2;
  c.levelMeshes[3] = keptFourth;
  fourth.parts = nullptr;
  fourth.partCount = 0;
  FillMaterialTable(c, table);
  Open(TAB_TEXTURES);
  EXPECT_TRUE(Shown("ALL materials: 3"));
  EXPECT_TRUE(Shown("sh")) << "the shiny material";
  EXPECT_TRUE(Shown("[no tex]"));
  // A row per material, the three levels' counts after the name and "sh" column: material 0
  // shows 10 in L1, material 1 shows 4 and 6 in L1 and L2, material 2 only 2 in L2.
  const InterfaceButton* ten = Find("10");
  const InterfaceButton* four = Find("4");
  const InterfaceButton* six = Find("6");
  ASSERT_NE(ten, nullptr);
  ASSERT_NE(four, nullptr);
  ASSERT_NE(six, nullptr);
  EXPECT_EQ(four->top, six->top) << "one material's counts share its row";
  EXPECT_LT(ten->top, four->top) << "the next material on the row below";
  EXPECT_EQ(ten->left, four->left) << "both in the L1 column";
  EXPECT_LT(four->left, six->left);

  // 65 distinct materials in the first level: the 65th overflows the table.
  std::vector<GouraudPart> many;
  for (int i = 0; i < 65; ++i) many.push_back(GouraudPart{uint8_t(i), &materials[size_t(i)], 3, 1});
  levels[0].partCount = 65;
  levels[0].parts = many.data();
  FillMaterialTable(c, table);
  EXPECT_EQ(table.overflow, 1);
  EXPECT_EQ(table.count, MATERIAL_TABLE_SIZE);
  Build();
  EXPECT_TRUE(Shown("TOO MANY MATERIALS"));
  EXPECT_FALSE(StartsShown("ALL materials"));

  for (int i = 0; i < 2; ++i) {
    levels[i].parts = nullptr;
    levels[i].partCount = 0;
    c.levelMeshes[i] = kept[i];
  }
  c.model->lodCount = lods;
}

// ---- The side panel and the drive side ----

TEST_F(PageContentsTest, TheSidePanelByCarSelectionAndSpecialDraw) {
  Car& c = car();
  ASSERT_GT(c.framePointCount, 0);
  SpecialDraw = 1;
  e->diagramFlags = 0;
  e->displayFlags |= SHOW_FRAME;
  e->selection.selectedPoint = NO_POINT;
  e->selection.selectedTube = -1;
  BuildSide();
  EXPECT_TRUE(Shown("Skin ID"));
  EXPECT_TRUE(Shown("edit engine"));
  EXPECT_TRUE(Shown("load frame"));
  EXPECT_TRUE(Shown("allow frame move")) << "points and none selected";
  EXPECT_TRUE(Shown("new point"));
  EXPECT_EQ(Find("show frame")->fourth.i, 1);
  EXPECT_GE(Find("Skin ID")->left, ScreenWidth - 16 * ButtonWidth);

  // A frame point: its rows; the coordinate reads the 16.16 position.
  e->selection.selectedPoint = 0;
  BuildSide();
  EXPECT_TRUE(Shown("POINT type"));
  // The type's name beside the label; a type past the four names reads "?".
  const auto typeShown = [&](uint8_t type) {
    c.framePoints[0].type = type;
    BuildSide();
    const InterfaceButton* label = Find("POINT type");
    char shown[128] = "";
    if (!label) return std::string("no label");
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].left == label->right && InterfaceButtons[i].top == label->top &&
          ButtonText(InterfaceButtons[i], shown, sizeof shown))
        return std::string(shown);
    return std::string("nothing beside");
  };
  const uint8_t pointType = c.framePoints[0].type;
  EXPECT_EQ(typeShown(3), "thrust bearing");
  EXPECT_EQ(typeShown(4), "?");
  c.framePoints[0].type = pointType;
  BuildSide();
  EXPECT_TRUE(Shown(Format("R %.3f", c.framePoints[0].x / 65536.0).c_str()));
  EXPECT_TRUE(Shown("dup pt"));
  EXPECT_FALSE(Shown("allow frame move"));
  EXPECT_FALSE(Shown("new point"));
  // The test weight and its point's height.
  ClickButton(*Toggle("TEST: Add weight at point"));
  EXPECT_EQ(c.testWeight & 1, 1);
  BuildSide();
  const float* up = &c.orientation[6];
  const FramePoint& p = c.framePoints[0];
  const double height = c.position.z / 65536.0 + up[0] * p.x / 65536.0 + up[1] * p.y / 65536.0 + up[2] * p.z / 65536.0;
  EXPECT_TRUE(Shown(Format("height of test point %.3f", height).c_str()));

  // A wheel point: no point rows, no adding or removing.
  e->selection.selectedPoint = -1;
  BuildSide();
  EXPECT_FALSE(Shown("POINT type"));
  EXPECT_FALSE(Shown("dup pt"));
  EXPECT_FALSE(Shown("new point"));
  EXPECT_EQ(c.testWeight & 1, 0) << "no weight without its point";

  // Special draw off: no frame rows; a selected point's rows stay.
  SpecialDraw = 0;
  e->selection.selectedPoint = 0;
  BuildSide();
  EXPECT_FALSE(Shown("load frame"));
  EXPECT_FALSE(Shown("dup pt"));
  EXPECT_TRUE(Shown("POINT type"));
  EXPECT_EQ(Find("show frame")->fourth.i, 0);

  // One tube field: kg/m between two frame points, a radius once an end is a wheel point.
  SpecialDraw = 1;
  e->selection.selectedPoint = NO_POINT;
  int solid = -1, link = -1;
  for (int i = 0; i < c.frameTubeCount; ++i) {
    if (c.frameTubes[i].a >= 0 && c.frameTubes[i].b >= 0 && solid < 0) solid = i;
    if ((c.frameTubes[i].a < 0 || c.frameTubes[i].b < 0) && link < 0) link = i;
  }
  ASSERT_GE(solid, 0);
  e->selection.selectedTube = solid;
  BuildSide();
  EXPECT_TRUE(Shown(Format("%.2f kg/m", c.frameTubes[solid].massPerMetre).c_str()));
  EXPECT_TRUE(Shown(Format("TUBE mass %.3f kg", c.frameTubes[solid].mass).c_str()));
  EXPECT_FALSE(StartsShown("radius"));
  // The tube's rows stand one under the other below the "points" and "tubes" list row.
  const InterfaceButton* listRow = Find("points");
  const InterfaceButton* massRow = Find(Format("TUBE mass %.3f kg", c.frameTubes[solid].mass).c_str());
  const InterfaceButton* perMetreRow = Find(Format("%.2f kg/m", c.frameTubes[solid].massPerMetre).c_str());
  ASSERT_NE(listRow, nullptr);
  ASSERT_NE(massRow, nullptr);
  ASSERT_NE(perMetreRow, nullptr);
  EXPECT_EQ(massRow->top, listRow->top + ButtonHeight);
  EXPECT_EQ(perMetreRow->top, listRow->top + 2 * ButtonHeight);
  if (link >= 0) {
    e->selection.selectedTube = link;
    BuildSide();
    EXPECT_TRUE(StartsShown("radius"));
    const uint32_t flags = c.frameTubes[link].flags;
    const InterfaceButton* on = Find(flags & 1 ? "ON" : "OFF");
    ASSERT_NE(on, nullptr);
    ClickButton(*on);
    EXPECT_EQ((c.frameTubes[link].flags ^ flags) & 1, 1u);
    // A link's visibility survives a save and a load.
    c.frameTubes[link].flags |= 1u;
    ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "LinkShown", 1), 1);
    ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, "LinkShown", -1), 1);
    ASSERT_GT(car().frameTubeCount, link);
    EXPECT_EQ(car().frameTubes[link].flags & 1u, 1u) << "the link is still shown";
  }

  // No car: nothing at all.
  Car* kept = e->car;
  e->car = nullptr;
  BuildSide();
  EXPECT_EQ(PanelButtons(), 0);
  e->car = kept;
}

// The side panel at the edges of its cases: a selection one past the last point (left from a
// longer frame) is no point, and its test weight goes off; a tube ending on point 0 is a solid
// tube; a frame without points has nothing to move; the panel starts on the top row from
// exactly 27 W of room left of it (where the history buttons end).
TEST_F(PageContentsTest, TheSidePanelAtTheEdgesOfItsCases) {
  Car& c = car();
  ASSERT_GT(c.framePointCount, 1);
  SpecialDraw = 1;
  e->diagramFlags = 0;
  e->displayFlags |= SHOW_FRAME;
  e->selection.selectedTube = -1;

  e->selection.selectedPoint = c.framePointCount;
  c.testWeight |= 1;
  BuildSide();
  EXPECT_FALSE(Shown("POINT type")) << "one past the last point";
  EXPECT_FALSE(Shown("dup pt"));
  EXPECT_EQ(c.testWeight & 1, 0) << "no weight without its point";
  e->selection.selectedPoint = c.framePointCount - 1;
  BuildSide();
  EXPECT_TRUE(Shown("POINT type")) << "the last point";

  // Tube 0 joins two frame points; moved to end on point 0 it stays solid (kg/m, no radius).
  e->selection.selectedPoint = NO_POINT;
  FrameTube& tube = c.frameTubes[0];
  ASSERT_GE(tube.a, 0);
  ASSERT_GE(tube.b, 0);
  ASSERT_GT(tube.massPerMetre, 0.0f);
  const int16_t a = tube.a, b = tube.b;
  tube.a = 1;
  tube.b = 0;
  e->selection.selectedTube = 0;
  BuildSide();
  EXPECT_TRUE(Shown(Format("%.2f kg/m", tube.massPerMetre).c_str())) << "ending on point 0";
  EXPECT_FALSE(StartsShown("radius"));
  EXPECT_TRUE(Shown("OFF")) << "solid tubes are never visible";
  tube.a = b;
  tube.b = 0;
  BuildSide();
  EXPECT_TRUE(Shown(Format("%.2f kg/m", tube.massPerMetre).c_str()));
  tube.a = a;
  tube.b = b;
  e->selection.selectedTube = -1;

  // No points: a new one can be made, but there is no frame to move.
  const int points = c.framePointCount;
  c.framePointCount = 0;
  BuildSide();
  EXPECT_TRUE(Shown("new point"));
  EXPECT_FALSE(Shown("allow frame move"));
  c.framePointCount = points;
  BuildSide();
  EXPECT_TRUE(Shown("allow frame move"));

  // 16 W of panel and 27 W beside it: the top row; a pixel less: one row lower.
  const int width = ScreenWidth;
  ScreenWidth = 43 * ButtonWidth;
  BuildSide();
  ASSERT_NE(Find("Skin ID"), nullptr);
  EXPECT_EQ(Find("Skin ID")->top, 0);
  EXPECT_EQ(Find("Skin ID")->left, 27 * ButtonWidth);
  ScreenWidth = 43 * ButtonWidth - 1;
  BuildSide();
  ASSERT_NE(Find("Skin ID"), nullptr);
  EXPECT_EQ(Find("Skin ID")->top, ButtonHeight);
  ScreenWidth = width;
}

TEST_F(PageContentsTest, TheDriveSideRowLocksAndTriesTheOtherSide) {
  Car& c = car();
  c.driverPosition.x = -0.37f;
  c.options &= ~OPT1_DRIVE_SIDE_LOCKED;
  Build();
  ASSERT_TRUE(Shown("select"));
  EXPECT_TRUE(Shown("built as left drive"));
  ASSERT_NE(Find("\x9B"), nullptr);
  const std::vector<uint8_t> before = Bytes();
  // The right side on a left-drive car mirrors it; the built side restores it.
  ClickButton(*Find("\x9B"));
  EXPECT_EQ(c.mirrored, 1);
  Open(TAB_OBJECT_POSITIONS);
  EXPECT_TRUE(Shown("allow object positions to be adjusted"));
  ClickButton(*Find("allow object positions to be adjusted"));
  EXPECT_EQ(c.mirrored, 0);
  // The lock asks first; "select" locks.
  Build();
  ClickButton(*Find("select"));
  ASSERT_FALSE(Reports().questions.empty());
  EXPECT_EQ(Reports().questions.back(), "Set vehicle to have a locked drive side?");
  AnswerYes();
  EXPECT_TRUE(c.options & OPT1_DRIVE_SIDE_LOCKED);
  Build();
  EXPECT_TRUE(Shown("locked drive side"));
  EXPECT_FALSE(Shown("select"));
  UndoEdit(*e);
  EXPECT_EQ(Bytes(), before);
}

}  // namespace
