// garage_panel_test.cpp - the information panel on the garage page: drawn full-screen for the
// car on show, and a set-up change through its rows setting the car up again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/process.h"
#include "core/report.h"
#include "core/sound_echo.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "info_panel/info_panel.h"
#include "info_panel/info_panel_layout.h"
#include "physics/car.h"
#include "render/frame.h"
#include "solid/solid_hooks.h"
#include "vehicle_data/setup_record.h"
#include "text/code_pages.h"
#include "text/language.h"
#include "text/text_colours.h"
#include "ui/interface.h"
#include "ui/widgets.h"
#include "world/race_state.h"

namespace fs = std::filesystem;

namespace {

const ValueControl* Showing(const char* text) {
  char shown[256];
  for (int i = ValueControlCount - 1; i >= 0; --i)
    if (ValueControlText(ValueControls[i], shown, sizeof shown) && std::strcmp(shown, text) == 0)
      return &ValueControls[i];
  return nullptr;
}

// A left press and release in the middle of the control, handed to the interface.  The
// control is copied first: the press may lay the panel out again.
void ClickMiddle(const ValueControl& control) {
  const ValueControl c = control;
  MouseX = static_cast<int>(((c.left + c.right) * 0.5f + 1.0f) * 0.5f * ScreenWidth);
  MouseY = static_cast<int>(((c.top + c.bottom) * 0.5f + 1.0f) * 0.5f * ScreenHeight);
  MouseRecord press{};
  press.clickCode = CLICK_LEFT;
  press.leftHeld = 1;
  HandleInterfaceMouse(&press);
  MouseRecord release{};
  release.releaseCode = CLICK_LEFT;
  HandleInterfaceMouse(&release);
}

// The garage opened on a sample vehicle (the "Runabout" unless named) at 1280 x 1024, its
// reports silenced; the sink that stood before goes into saved.
Prss* OpenGarage(ReportSink& saved, const char* vehicle = "Runabout") {
  ReportSink sink{};
  sink.line = [](const char*, ReportColour, int) {};
  saved = InstallReportSink(sink);
  SetDefaultTextColours();
  const char* work = std::getenv("ZKT_WORK_DIR");
  fs::remove_all("data");
  fs::create_directories("data/veh");
  fs::create_directories("data/raf");
  fs::create_directories("data/engine");
  const std::string file = std::string(vehicle) + ".veh";
  fs::copy_file(fs::path(work) / "data/veh" / file, fs::path("data/veh") / file);
  fs::copy_file(fs::path(work) / "data/engine/DEFAULT.eng", "data/engine/DEFAULT.eng");
  InitSinCosTables();
  ScreenWidth = 1280;
  ScreenHeight = 1024;
  SetInterfaceMetrics();
  return OpenGaragePage(nullptr, vehicle);
}

// Ends the garage page, which then acts no more, leaves the information panel on its first
// page and gives the reports back to the sink that stood before.
void CloseGarage(Prss* page, const ReportSink& saved) {
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr);
  InfoPageShown = INFO_PAGE_INFO;
  InstallReportSink(saved);
}

// A test on the garage: Open() brings it up on a sample vehicle's car, Close() skips the frame
// and ends it.
class GaragePanel : public ::testing::Test {
 protected:
  // The garage opened on the vehicle named (the "Runabout" unless named) and the car on show.
  void Open(const char* vehicle = "Runabout") {
    page = OpenGarage(saved, vehicle);
    car = GarageCar();
  }
  void Close() {
    FrameSkipped = 1;
    CloseGarage(page, saved);
  }
  ReportSink saved{};
  Prss* page = nullptr;
  Car* car = nullptr;
};

// One drawn frame of the garage with the information panel on the page given.
void ShowInfoPage(Prss* page, int shown) {
  InfoPageShown = shown;
  FrameSkipped = 0;
  ClearInterface();
  page->act(page);
}

// The first of the panel's arrows (a control of display type 2 with a callback) that carries
// the word given, or null.
const ValueControl* ArrowWithWord(uintptr_t word) {
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (c.callback && c.displayType == VALUE_TYPE_GLYPH && reinterpret_cast<uintptr_t>(c.variable) == word) return &c;
  }
  return nullptr;
}

// A left click on an arrow, handed to its callback with the arrow's own word.
void Step(const ValueControl& arrow) {
  arrow.callback(arrow.owner, CLICK_LEFT, reinterpret_cast<uintptr_t>(arrow.variable));
}

TEST_F(GaragePanel, AnAddedMassStepSetsTheCarUpAgain) {
  Open();
  ASSERT_NE(car, nullptr);
  InfoPageShown = INFO_PAGE_INFO;
  car->currentSetup.bytes[SETUP_BALLAST] = 0;
  car->SetupFromVehicle(1);
  FrameSkipped = 0;
  ClearInterface();
  page->act(page);
  EXPECT_NE(Showing("Handicaps"), nullptr);
  // Full-screen: the identity transform puts the tab row at the panel's own top.
  const ValueControl* info = Showing("Info");
  ASSERT_NE(info, nullptr);
  EXPECT_FLOAT_EQ(info->top, -0.7f);
  const ValueControl* up = nullptr;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].variable == &car->currentSetup.bytes[SETUP_BALLAST] &&
        ValueControls[i].displayType == VALUE_TYPE_BYTE_PLUS)
      up = &ValueControls[i];
  ASSERT_NE(up, nullptr);
  ClickMiddle(*up);
  EXPECT_EQ(car->currentSetup.bytes[SETUP_BALLAST], 1);
  EXPECT_EQ(car->appliedBallast, 1) << "the car set up again with the new mass";
  Close();
}


// The garage edits its car's set-up in place through the panel's selectors, whose arrows
// stand left and right of the text they change: seven tyre makers and four differentials,
// each wrapping round; every step sets the car up again.
TEST_F(GaragePanel, TheSelectorsStepWrapAndSetTheCarUpAgain) {
  Open();
  ASSERT_NE(car, nullptr);
  ASSERT_TRUE(car->driveType == DRIVE_FRONT || car->driveType == DRIVE_REAR) << "one differential";
  const int axle = car->driveType == DRIVE_FRONT ? 1 : 0;
  uint8_t* bytes = car->currentSetup.bytes;
  // The arrow beside the text shown: -1 the left one, +1 the right one.
  const auto press = [&](const char* shown, int side) {
    const ValueControl* text = Showing(shown);
    ASSERT_NE(text, nullptr) << shown;
    const ValueControl& arrow = *(text + side);
    ASSERT_NE(arrow.callback, nullptr) << shown;
    Step(arrow);
  };

  bytes[SETUP_TYRE_MAKER] = 6;
  ShowInfoPage(page, INFO_PAGE_TYRES);
  press(TyreMakerNames[6], +1);
  EXPECT_EQ(bytes[SETUP_TYRE_MAKER], 0) << "past the last maker, the first";
  ShowInfoPage(page, INFO_PAGE_TYRES);
  press(TyreMakerNames[0], -1);
  EXPECT_EQ(bytes[SETUP_TYRE_MAKER], 6);
  ShowInfoPage(page, INFO_PAGE_TYRES);
  press(TyreMakerNames[6], -1);
  EXPECT_EQ(bytes[SETUP_TYRE_MAKER], 5);
  // The tyre selectors take the words 0 to 5 (two axles' types, then the maker): word 6
  // changes nothing.
  {
    ShowInfoPage(page, INFO_PAGE_TYRES);
    const ValueControl* maker = Showing(TyreMakerNames[5]);
    ASSERT_NE(maker, nullptr);
    const ValueControl arrow = *(maker + 1);
    const SetupRecord before = car->currentSetup;
    arrow.callback(arrow.owner, CLICK_LEFT, 6);
    EXPECT_EQ(std::memcmp(&before, &car->currentSetup, sizeof before), 0) << "tyre word 6";
  }

  // The driven axle's differential: open, locked (the driven pair's differential locks), on round.
  uint8_t& differential = bytes[SETUP_AXLE[axle] + AXLE_DIFFERENTIAL];
  differential = 0;
  car->SetupFromVehicle(1);
  ASSERT_EQ(car->wheelSets[axle].lockedDifferential, 0);
  ShowInfoPage(page, INFO_PAGE_FINAL_DRIVE);
  const ValueControl* open = Showing("OPEN DIFF");
  ASSERT_NE(open, nullptr);
  const ValueControl right = *(open + 1), left = *(open - 1);
  Step(right);
  EXPECT_EQ(differential, 1);
  EXPECT_EQ(car->wheelSets[axle].lockedDifferential, 1) << "the car set up again";
  Step(left);
  Step(left);
  EXPECT_EQ(differential, 3) << "below the first, the last";
  Step(right);
  EXPECT_EQ(differential, 0);
  // The differentials take the words 0 to 5 (front, rear, centre): word 6 changes nothing.
  {
    const SetupRecord before = car->currentSetup;
    right.callback(right.owner, CLICK_LEFT, 6);
    EXPECT_EQ(std::memcmp(&before, &car->currentSetup, sizeof before), 0) << "differential word 6";
  }

  // The configuration, with a second one made: on round both ways.
  std::strcpy(car->configs[0].name, "HARD TOP");
  std::strcpy(car->configs[1].name, "OPEN ROOF");
  car->configCount = 2;
  uint8_t& configuration = bytes[SETUP_CONFIGURATION];
  configuration = 0;
  ShowInfoPage(page, INFO_PAGE_INFO);
  press("HARD TOP", +1);
  EXPECT_EQ(configuration, 1);
  ShowInfoPage(page, INFO_PAGE_INFO);
  press("OPEN ROOF", +1);
  EXPECT_EQ(configuration, 0) << "past the last configuration, the first";
  ShowInfoPage(page, INFO_PAGE_INFO);
  press("HARD TOP", -1);
  EXPECT_EQ(configuration, 1) << "below the first, the last";

  Close();
}

// The car on show is placed on the garage floor: standing above it, facing along y, awake
// and in neutral.  It is loaded for a right-hand drive: the sample, whose driver sits on the
// left, shows mirrored.
TEST_F(GaragePanel, TheCarOnShowStandsOnTheFloorFacingAlongY) {
  Open();
  ASSERT_NE(car, nullptr);
  EXPECT_EQ(car->mirrored, 1);
  EXPECT_EQ(CurrentProcess, page) << "keys and clicks go to the garage";
  EXPECT_EQ(car->position.x, 0) << "at the garage's middle";
  EXPECT_EQ(car->position.y, 0);
  EXPECT_GT(car->position.z, 0);
  EXPECT_FLOAT_EQ(car->orientation[0], 1.0f);
  EXPECT_FLOAT_EQ(car->orientation[4], 1.0f);
  EXPECT_FLOAT_EQ(car->orientation[8], 1.0f);
  EXPECT_EQ(car->awake, 1);
  EXPECT_EQ(car->gear, 1) << "neutral";
  Close();
}

// The car on show is built with the vehicle's first set-up and first colours, in no driver's
// slot and with no pair words, as a show car that is stepped.  Nothing is said of defaults.
// Its Colours page offers the colours its model paints: the Runabout's body has one marked
// mapping ("M1", the grille), its rim "M1_rim" and "M2_rim" and its spoke "M2_spoke".
TEST_F(GaragePanel, TheCarOnShowIsBuiltWithTheVehiclesFirstSetupAndColours) {
  static std::vector<std::string> lines;
  lines.clear();
  Open();
  ReportSink sink{};
  sink.line = [](const char* text, ReportColour, int) { lines.push_back(text); };
  InstallReportSink(sink);
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr);
  page = OpenGaragePage(nullptr, "Runabout");
  car = GarageCar();
  ASSERT_NE(car, nullptr);
  EXPECT_TRUE(lines.empty()) << lines.front();
  EXPECT_GE(car->setupCount, 2) << "the test needs a second set-up to tell from the first";
  EXPECT_GE(car->colourConfigCount, 2) << "and a second colour configuration";
  EXPECT_EQ(car->setupIndex, 0);
  EXPECT_EQ(car->colourIndex, 0);
  EXPECT_EQ(car->driverSlot, 0);
  EXPECT_EQ(car->pairWords[0], 0u);
  EXPECT_EQ(car->pairWords[1], 0u);
  EXPECT_EQ(car->showCar, 1);
  ShowInfoPage(page, INFO_PAGE_COLOURS);
  const auto offered = [&](int group) {
    std::vector<int> colours;
    for (int i = 0; i < ValueControlCount; ++i)
      for (int k = 0; k < 4; ++k)
        if (ValueControls[i].displayType == VALUE_TYPE_COLOUR_SWATCH &&
            ValueControls[i].colour == &car->currentColours.groups[group][k])
          colours.push_back(k + 1);
    return colours;
  };
  EXPECT_EQ(offered(0), std::vector<int>{1}) << "the body";
  EXPECT_EQ(offered(1), (std::vector<int>{1, 2})) << "the wheels";
  Close();
}

// The race's countdown caption is drawn on a garage frame only while the countdown runs, down
// to its last millisecond.
TEST_F(GaragePanel, TheCountdownCaptionIsDrawnOnlyWhileTheCountdownRuns) {
  static int drawn;
  drawn = 0;
  Open();
  void (*const drawer)(const char*, uint32_t) = CountdownCaptionDrawer;
  CountdownCaptionDrawer = [](const char*, uint32_t) { ++drawn; };
  FrameSkipped = 0;
  RaceState.countdownMs = 0;
  ClearInterface();
  page->act(page);
  EXPECT_EQ(drawn, 0) << "no countdown";
  RaceState.countdownMs = 1;
  ClearInterface();
  page->act(page);
  EXPECT_EQ(drawn, 1) << "its last millisecond";
  RaceState.countdownMs = 0;
  KeepDrawing = 0;
  CountdownCaptionDrawer = drawer;
  Close();
}

// The garage's title is in code page 0 whatever the translation's page, and once the panel is
// drawn its full-screen layout is put back: a panel rectangle is transformed as it is.
TEST_F(GaragePanel, TheTitleIsPlainAndThePanelsLayoutIsPutBackAfterTheFrame) {
  Open();
  const int codePage = CurrentCodePage;
  CurrentCodePage = 5;
  FrameSkipped = 0;
  ClearInterface();
  page->act(page);
  const ValueControl* title = Showing("Garage");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->displayType, VALUE_TYPE_TITLE);
  EXPECT_EQ(title->codePage, 0);
  float left = -0.5f, top = -0.5f, right = 0.5f, bottom = 0.5f;
  TransformPanelRect(left, top, right, bottom);
  EXPECT_FLOAT_EQ(left, -0.5f);
  EXPECT_FLOAT_EQ(top, -0.5f);
  EXPECT_FLOAT_EQ(right, 0.5f);
  EXPECT_FLOAT_EQ(bottom, 0.5f);
  CurrentCodePage = codePage;
  Close();
}

// "take cover picture" shows only while a cover is being taken.  Without a device to take the
// frame from it takes none: the cover stays to be taken, a cover picture already there is
// kept, and the page ends as on "back".
TEST_F(GaragePanel, WithoutADeviceTheCoverButtonTakesNoPicture) {
  Open();
  CoverState = COVER_NONE;
  FrameSkipped = 0;
  ClearInterface();
  page->act(page);
  EXPECT_EQ(Showing("take cover picture"), nullptr);
  CoverState = COVER_TAKING;
  { std::ofstream(COVER_PICTURE, std::ios::binary) << "older"; }
  ClearInterface();
  page->act(page);
  const ValueControl* take = Showing("take cover picture");
  ASSERT_NE(take, nullptr);
  ClickMiddle(*take);
  EXPECT_EQ(page->alive, 0);
  EXPECT_EQ(CoverState, COVER_TAKING);
  std::ifstream in(COVER_PICTURE, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "older");
  in.close();
  fs::remove(COVER_PICTURE);
  CoverState = COVER_NONE;
  FrameSkipped = 1;
  EXPECT_EQ(page->act(page), nullptr);
  InfoPageShown = INFO_PAGE_INFO;
  InstallReportSink(saved);
}

// The garage's title picks the first panel layout, so the "take cover picture" button lies
// in its label column at the left: x -0.95 to -0.3, one row of 0.06 from 0.6 down to 0.66.
TEST_F(GaragePanel, TheCoverButtonLiesInTheFirstLayoutsLabelColumn) {
  Open();
  CoverState = COVER_TAKING;
  FrameSkipped = 0;
  ClearInterface();
  page->act(page);
  EXPECT_EQ(PanelLayoutIndex, 0);
  const ValueControl* take = Showing("take cover picture");
  ASSERT_NE(take, nullptr);
  EXPECT_FLOAT_EQ(take->left, -0.95f);
  EXPECT_FLOAT_EQ(take->right, -0.3f);
  EXPECT_FLOAT_EQ(take->top, 0.6f);
  EXPECT_FLOAT_EQ(take->bottom, 0.66f);
  CoverState = COVER_NONE;
  Close();
}

// A vehicle that cannot be loaded leaves the garage without a car and says which.
// A car standing still asks for no more frames; a race's countdown running, down to its last
// millisecond, does.
TEST_F(GaragePanel, OnlyARunningCountdownKeepsTheFramesComingForACarAtRest) {
  Open();
  ASSERT_NE(GarageCar(), nullptr);
  const uint32_t simFrameTime = SimFrameTime;
  SimFrameTime = 0;  // no time passes: the car on show does not move
  FrameSkipped = 1;
  RaceState.countdownMs = 0;
  KeepDrawing = 0;
  page->act(page);
  EXPECT_EQ(KeepDrawing, 0);
  RaceState.countdownMs = 1;
  page->act(page);
  EXPECT_EQ(KeepDrawing, 1);
  RaceState.countdownMs = 0;
  KeepDrawing = 0;
  SimFrameTime = simFrameTime;
  CloseGarage(page, saved);
}

// The passengers page's buttons seat a man or a woman through the garage's own handler: the
// word is the seat times four plus the kind, two bits a seat in the set-up's passenger word.
// Words past the last seat's (15) change nothing.
TEST_F(GaragePanel, ThePassengerButtonsSeatTheChosenKindInTheSetup) {
  Open();
  ASSERT_NE(car, nullptr);
  ShowInfoPage(page, INFO_PAGE_PASSENGERS);
  const ValueControl* man = Showing(LanguageTexts[TX_3a_smallman]);
  ASSERT_NE(man, nullptr);
  ASSERT_NE(man->callback, nullptr);
  const ValueControl button = *man;
  SetSetupWord(car->currentSetup, SETUP_PASSENGERS, 0);
  car->showCarPlacements = 3;
  button.callback(button.owner, CLICK_LEFT, 1 * 4 + 2);  // seat 1, a woman
  EXPECT_EQ(SetupWord(car->currentSetup, SETUP_PASSENGERS), 2u << 2);
  EXPECT_EQ(car->showCarPlacements, 0) << "the car set up again";
  button.callback(button.owner, CLICK_LEFT, 15);  // seat 3, kind 3
  EXPECT_EQ(SetupWord(car->currentSetup, SETUP_PASSENGERS), (2u << 2) | (3u << 6));
  button.callback(button.owner, CLICK_LEFT, 16);
  EXPECT_EQ(SetupWord(car->currentSetup, SETUP_PASSENGERS), (2u << 2) | (3u << 6)) << "word 16";
  SetSetupWord(car->currentSetup, SETUP_PASSENGERS, 0);
  InfoPageShown = INFO_PAGE_INFO;
  Close();
}

// The brakes page's anti-lock "On" and "Off" go through the garage's switch handler: word 5
// sets the anti-lock flag (4), word 4 clears it; words past 5 change nothing.
TEST_F(GaragePanel, TheAntiLockSwitchSetsAndClearsItsFlagInTheSetup) {
  Open();
  ASSERT_NE(car, nullptr);
  car->options2 |= OPT2_ANTI_LOCK;
  ShowInfoPage(page, INFO_PAGE_BRAKES);
  const ValueControl* on = Showing(LanguageTexts[TX_3a_on_buttn]);
  ASSERT_NE(on, nullptr);
  ASSERT_NE(on->callback, nullptr);
  const ValueControl button = *on;
  uint8_t& flags = car->currentSetup.bytes[SETUP_FLAGS];
  flags = SETUP_FLAG_KEEP;
  car->showCarPlacements = 3;
  button.callback(button.owner, CLICK_LEFT, 5);
  EXPECT_EQ(flags, SETUP_FLAG_KEEP | SETUP_FLAG_ANTI_LOCK);
  EXPECT_EQ(car->showCarPlacements, 0) << "the car set up again";
  button.callback(button.owner, CLICK_LEFT, 4);
  EXPECT_EQ(flags, SETUP_FLAG_KEEP);
  button.callback(button.owner, CLICK_LEFT, 7);
  EXPECT_EQ(flags, SETUP_FLAG_KEEP) << "word 7";
  flags = SETUP_FLAG_KEEP | SETUP_FLAG_ANTI_LOCK;
  button.callback(button.owner, CLICK_LEFT, 6);
  EXPECT_EQ(flags, SETUP_FLAG_KEEP | SETUP_FLAG_ANTI_LOCK) << "word 6";
  InfoPageShown = INFO_PAGE_INFO;
  Close();
}

// Opening the garage makes the echo lines ready: line 8 lies 80 m away, 160 m there and
// back, 160 / 330 * 44100 = 21381.8, so 21382 samples; the counters, the listener's too,
// start at 0.
TEST_F(GaragePanel, OpeningTheGarageMakesTheEchoReady) {
  SoundListener.counters[0] = 5;
  Echo.ready = 0;
  Echo.counters[0] = 7;
  Echo.lines[7].delay = 0;
  Open();
  EXPECT_EQ(Echo.ready, 1);
  EXPECT_EQ(Echo.counters[0], 0u);
  EXPECT_EQ(Echo.lines[7].delay, 21382u);
  EXPECT_EQ(SoundListener.counters[0], 0u);
  Close();
}

// Every frame drawn gives the garage its "back" button again, and a click on it ends the page.
TEST_F(GaragePanel, TheBackButtonShowsEveryFrameAndLeavesTheGarage) {
  Open();
  CoverState = COVER_NONE;
  for (int frame = 0; frame < 2; ++frame) {
    FrameSkipped = 0;
    ClearInterface();
    page->act(page);
    ASSERT_NE(Showing("back"), nullptr) << "frame " << frame;
    EXPECT_EQ(page->alive, 1);
  }
  ClickMiddle(*Showing("back"));
  EXPECT_EQ(page->alive, 0) << "the garage is left";
  FrameSkipped = 1;
  EXPECT_EQ(page->act(page), nullptr);
  InfoPageShown = INFO_PAGE_INFO;
  InstallReportSink(saved);
}

TEST_F(GaragePanel, AVehicleThatCannotBeLoadedIsNamedAndLeavesNoCar) {
  static std::vector<std::string> lines;
  lines.clear();
  ReportSink sink{};
  sink.line = [](const char* text, ReportColour, int) { lines.push_back(text); };
  saved = InstallReportSink(sink);
  fs::remove_all("data");
  fs::create_directories("data/veh");
  page = OpenGaragePage(nullptr, "Nosuchcar");
  EXPECT_EQ(GarageCar(), nullptr);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Garage : could not load Nosuchcar"), lines.end());
  Close();
}

// A stored configuration past the car's last is taken as the last before stepping; a car
// without configurations keeps its byte; a count above the table's four steps over four.
TEST_F(GaragePanel, TheConfigurationStepStaysWithinTheCarsConfigurations) {
  Open();
  ASSERT_NE(car, nullptr);
  uint8_t& configuration = car->currentSetup.bytes[SETUP_CONFIGURATION];
  std::strcpy(car->configs[0].name, "HARD TOP");
  std::strcpy(car->configs[1].name, "OPEN ROOF");
  car->configCount = 2;
  configuration = 0;
  ShowInfoPage(page, INFO_PAGE_INFO);
  const ValueControl* text = Showing("HARD TOP");
  ASSERT_NE(text, nullptr);
  const ValueControl left = *(text - 1), right = *(text + 1);
  ASSERT_NE(left.callback, nullptr);
  ASSERT_NE(right.callback, nullptr);

  std::strcpy(car->configs[2].name, "ROLL CAGE");
  car->configCount = 3;
  configuration = 5;  // three configurations: 5 is taken as 2, the last
  Step(left);
  EXPECT_EQ(configuration, 1);
  configuration = 5;
  Step(right);
  EXPECT_EQ(configuration, 0);

  car->configCount = 0;
  configuration = 2;
  Step(right);
  EXPECT_EQ(configuration, 2) << "no configurations: nothing to step";
  Step(left);
  EXPECT_EQ(configuration, 2);

  for (int i = 3; i < VEHICLE_MAX_CONFIGS; ++i)
    std::snprintf(car->configs[i].name, sizeof car->configs[i].name, "C%d", i);
  car->configCount = VEHICLE_MAX_CONFIGS + 2;
  configuration = VEHICLE_MAX_CONFIGS - 1;
  Step(right);
  EXPECT_EQ(configuration, 0) << "four configurations at most";
  Step(left);
  EXPECT_EQ(configuration, VEHICLE_MAX_CONFIGS - 1);
  car->configCount = 2;
  configuration = 0;
  // A step makes the wheels' meshes again, for the new configuration.
  car->wheelMeshesBuilt = 1;
  car->showCarPlacements = 3;
  Step(right);
  EXPECT_EQ(configuration, 1);
  EXPECT_EQ(car->wheelMeshesBuilt, 0);
  EXPECT_EQ(car->showCarPlacements, 0) << "the car set up again";
  configuration = 0;
  // Only the words 0 (down) and 1 (up) step: a word past them changes nothing.
  right.callback(right.owner, CLICK_LEFT, 2);
  EXPECT_EQ(configuration, 0) << "word 2";

  Close();
}

// Each axle's tyre type steps through the car's range of types, wrapping at both ends.
TEST_F(GaragePanel, TheTyreTypeStepsWrapWithinTheCarsRange) {
  Open();
  ASSERT_NE(car, nullptr);
  int least = 0, most = 0;
  car->GetTyreTypeRange(least, most);
  ASSERT_LT(least, most) << "the test needs two types at least";
  uint8_t& type = car->currentSetup.bytes[SETUP_AXLE[0] + AXLE_TYRE_TYPE];
  type = static_cast<uint8_t>(least);
  ShowInfoPage(page, INFO_PAGE_TYRES);
  // The rear axle's arrows carry the words 0 (down) and 1 (up).
  const ValueControl* down = ArrowWithWord(0);
  const ValueControl* up = ArrowWithWord(1);
  ASSERT_NE(down, nullptr);
  ASSERT_NE(up, nullptr);
  const ValueControl left = *down, right = *up;
  car->wheelMeshesBuilt = 1;
  car->showCarPlacements = 3;
  Step(right);
  EXPECT_EQ(type, least + 1);
  EXPECT_EQ(car->wheelMeshesBuilt, 0) << "the tyres' meshes made again";
  EXPECT_EQ(car->showCarPlacements, 0) << "the car set up again";
  Step(left);
  Step(left);
  EXPECT_EQ(type, most) << "below the first type, the last";
  Step(right);
  EXPECT_EQ(type, least) << "past the last type, the first";

  Close();
}

// The second axle's tyre arrows (words 2 down and 3 up) step that axle's type through the
// car's range, wrapping, and leave the first axle's type alone.
TEST_F(GaragePanel, TheSecondAxlesTyreArrowsStepOnlyItsOwnType) {
  Open();
  ASSERT_NE(car, nullptr);
  int least = 0, most = 0;
  car->GetTyreTypeRange(least, most);
  ASSERT_LT(least, most) << "the test needs two types at least";
  uint8_t& first = car->currentSetup.bytes[SETUP_AXLE[0] + AXLE_TYRE_TYPE];
  uint8_t& second = car->currentSetup.bytes[SETUP_AXLE[1] + AXLE_TYRE_TYPE];
  first = second = static_cast<uint8_t>(least);
  ShowInfoPage(page, INFO_PAGE_TYRES);
  const ValueControl* down = ArrowWithWord(2);
  const ValueControl* up = ArrowWithWord(3);
  ASSERT_NE(down, nullptr);
  ASSERT_NE(up, nullptr);
  const ValueControl left = *down, right = *up;
  Step(right);
  EXPECT_EQ(second, least + 1);
  EXPECT_EQ(first, least);
  Step(left);
  Step(left);
  EXPECT_EQ(second, most) << "below the first type, the last";
  EXPECT_EQ(first, least);
  InfoPageShown = INFO_PAGE_INFO;
  Close();
}

// With "symmetric" lit the Tyres page shows one set of arrows per pair row, bound to the left
// side: the front pressure's ► and the camber's ► move the right side with it, as in the
// vehicle editor; with the switch off the right side stays.
TEST_F(GaragePanel, WithSymmetricLitAPairRowsArrowMovesBothSides) {
  Open();
  ASSERT_NE(car, nullptr);
  SetupRecord& s = car->currentSetup;
  const int front = SETUP_AXLE[1];
  // The right arrow (type 42 for a word, 40 for a byte) of the row bound to the variable.
  const auto stepUp = [&](const void* variable, int type) {
    ShowInfoPage(page, INFO_PAGE_TYRES);
    const ValueControl* up = nullptr;
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].variable == variable && ValueControls[i].displayType == type) up = &ValueControls[i];
    ASSERT_NE(up, nullptr) << type;
    ClickMiddle(*up);
  };
  for (const bool symmetric : {true, false}) {
    const uint16_t kpa = SetupShort(s, front + AXLE_PRESSURE_LEFT);
    SetSetupShort(s, front + AXLE_PRESSURE_RIGHT, kpa);
    s.bytes[front + AXLE_CAMBER_LEFT] = s.bytes[front + AXLE_CAMBER_RIGHT] = 40;
    s.bytes[SETUP_FLAGS] = symmetric ? uint8_t(SETUP_FLAG_KEEP | SETUP_FLAG_SYMMETRIC) : uint8_t(SETUP_FLAG_KEEP);
    stepUp(s.bytes + front + AXLE_PRESSURE_LEFT, 42);
    EXPECT_EQ(SetupShort(s, front + AXLE_PRESSURE_LEFT), kpa + 1) << symmetric;
    EXPECT_EQ(SetupShort(s, front + AXLE_PRESSURE_RIGHT), symmetric ? kpa + 1 : kpa) << symmetric;
    stepUp(s.bytes + front + AXLE_CAMBER_LEFT, 40);
    EXPECT_EQ(s.bytes[front + AXLE_CAMBER_LEFT], 41) << symmetric;
    EXPECT_EQ(s.bytes[front + AXLE_CAMBER_RIGHT], symmetric ? 41 : 40) << symmetric;
  }
  InfoPageShown = INFO_PAGE_INFO;
  Close();
}

// A frame that does not draw the car still steps it up to the time given: its run time
// grows by each frame's time, in 1 ms steps.
TEST_F(GaragePanel, TheCarOnShowStepsOnFramesThatDoNotDrawIt) {
  Open();
  ASSERT_NE(car, nullptr);
  const uint32_t simFrameTime = SimFrameTime;
  const int frameBegun3D = FrameBegun3D;
  const int inactive = WindowInactive;
  WindowInactive = 0;
  FrameBegun3D = 0;
  SimFrameTime = 20;
  const uint32_t before = car->runTime;
  FrameSkipped = 1;
  page->act(page);
  EXPECT_EQ(car->runTime, before + 20) << "a skipped frame";
  FrameSkipped = 0;
  ClearInterface();
  page->act(page);
  EXPECT_EQ(car->runTime, before + 40) << "a frame drawn without its 3D part";
  SimFrameTime = simFrameTime;
  FrameBegun3D = frameBegun3D;
  WindowInactive = inactive;
  Close();
}

// A four-wheel-drive car's centre differential: open and viscous, stepping round both ways.
TEST_F(GaragePanel, TheCentreDifferentialStepsBetweenOpenAndViscous) {
  Open("Estate");
  ASSERT_NE(car, nullptr);
  ASSERT_EQ(car->driveType, DRIVE_FOUR);
  uint8_t& centre = car->currentSetup.bytes[SETUP_CENTRE_DIFFERENTIAL];
  centre = 0;
  car->SetupFromVehicle(1);
  ShowInfoPage(page, INFO_PAGE_FINAL_DRIVE);
  // The last selector of the page is the centre one: after the front and rear axles'.
  const ValueControl* text = Showing("OPEN DIFF");
  ASSERT_NE(text, nullptr);
  const ValueControl left = *(text - 1), right = *(text + 1);
  ASSERT_EQ(reinterpret_cast<uintptr_t>(left.variable), 4u);
  ASSERT_EQ(reinterpret_cast<uintptr_t>(right.variable), 5u);
  Step(right);
  EXPECT_EQ(centre, 1);
  Step(right);
  EXPECT_EQ(centre, 0) << "past viscous, open";
  Step(left);
  EXPECT_EQ(centre, 1) << "below open, viscous";
  Step(left);
  EXPECT_EQ(centre, 0);

  Close();
}

// Every page, for cars of every build, full-screen at the two usual screen sizes: each control
// lies on screen (the suspension page's five rows per axle once ran past the bottom edge).
TEST_F(GaragePanel, EveryPageLiesOnScreen) {
  ReportSink sink{};
  sink.line = [](const char*, ReportColour, int) {};
  const ReportSink saved = InstallReportSink(sink);
  SetDefaultTextColours();
  const char* work = std::getenv("ZKT_WORK_DIR");
  fs::remove_all("data");
  fs::create_directories("data/raf");
  fs::copy(fs::path(work) / "data/veh", "data/veh", fs::copy_options::recursive);
  fs::copy(fs::path(work) / "data/engine", "data/engine", fs::copy_options::recursive);
  InitSinCosTables();
  constexpr float EDGE = 1.0001f;
  const int sizes[][2] = {{1024, 768}, {1280, 1024}};
  for (const auto& size : sizes) {
    ScreenWidth = size[0];
    ScreenHeight = size[1];
    SetInterfaceMetrics();
    for (const char* name : {"Runabout", "Kart", "Estate", "Solar", "Racer", "Endurance", "Hauler"}) {
      Prss* page = OpenGaragePage(nullptr, name);
      ASSERT_NE(GarageCar(), nullptr) << name;
      for (int shown = INFO_PAGE_RATINGS; shown < INFO_PAGE_COUNT; ++shown) {
        ShowInfoPage(page, shown);
        ASSERT_GT(ValueControlCount, 0);
        for (int i = 0; i < ValueControlCount; ++i) {
          const ValueControl& c = ValueControls[i];
          char text[256] = "";
          ValueControlText(c, text, sizeof text);
          EXPECT_TRUE(c.left >= -EDGE && c.right <= EDGE && c.top >= -EDGE && c.bottom <= EDGE)
              << name << " page " << shown << " at " << size[0] << "x" << size[1] << ": \"" << text << "\" at "
              << c.left << "," << c.top << ".." << c.right << "," << c.bottom;
        }
      }
      FrameSkipped = 1;
      Prss_Terminate(page);
      page->act(page);
    }
  }
  InfoPageShown = INFO_PAGE_INFO;
  InstallReportSink(saved);
}

}  // namespace

// The entry page's "garage" opens the garage on the sample vehicle over the page, which stays
// under it.
TEST_F(GaragePanel, TheEntryPagesGarageButtonOpensTheGarageOverThePage) {
  ReportSink saved{};
  Prss* sample = OpenGarage(saved, GARAGE_SAMPLE_VEHICLE);  // the sample's files in place
  FrameSkipped = 1;
  Prss_Terminate(sample);
  ASSERT_EQ(sample->act(sample), nullptr);
  Prss* page = CreateEntryPage(nullptr);
  FrameSkipped = 0;
  ClearInterface();
  ASSERT_EQ(page->act(page), page);
  const ValueControl* shown = Showing("garage");
  ASSERT_NE(shown, nullptr);
  ClickMiddle(*shown);
  FrameSkipped = 1;
  ASSERT_NE(page->sub, nullptr) << "the garage covers the page";
  EXPECT_EQ(page->sub->parent, page);
  EXPECT_NE(GarageCar(), nullptr);
  Prss_Terminate(page->sub);
  EXPECT_EQ(page->act(page), page) << "the garage closed, the page stays";
  EXPECT_EQ(page->sub, nullptr);
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr);
  ClearInterface();
  InstallReportSink(saved);
}
