// editor_rest_gpu_test.cpp - the editors at rest (editor_window_harness.h), in fake time: once
// the sample car in the vehicle editor has settled, the loop draws nothing and steps nothing
// until something changes; a key press, a message line and a test weight on the car each bring
// the frames they need and no more.  The object editor on a new model, the modeller in each of
// its modes and the licence page after an OBJ import rest as well.
#include <cmath>
#include <cstdint>
#include <fstream>

#include "app/drive_file.h"
#include "frontend/mod_export.h"
#include "editor_window_harness.h"
#include "modeller/files/modeller_files.h"
#include "modeller/state/modeller_state.h"
#include "physics/car.h"
#include "platform/messages.h"
#include "render/env_maps.h"
#include "text/messages.h"
#include "text/text_colours.h"

namespace {

class EditorAtRest : public CarWindow {
 protected:
  ProbeProcess* counter_ = nullptr;

  // A counting screen put over the program's top screen: each of its acts is a drawn frame.
  void CountFrames() {
    counter_ = Prss_New<ProbeProcess>();
    Prss_Init(&counter_->prss, nullptr, ProbeAct, ProbeKey, nullptr, nullptr, nullptr);
    Prss* top = AppTopProcess();
    counter_->prss.sub = top;
    top->parent = &counter_->prss;
    AppSetTopProcess(&counter_->prss);
  }
  // Passes of the loop, unforced, until the fake clock has gone on by ms; the frames drawn.
  int DrawnIn(uint32_t ms) {
    const int before = counter_->acts;
    const uint32_t start = ClockNowMs();
    while (!QuitFlag && ClockNowMs() - start < ms) AppRunPass();
    return counter_->acts - before;
  }
  // Passes until seven seconds go by without a frame (longer than a message line stays), at
  // most limitMs: false if they never do.
  bool ComesToRest(uint32_t limitMs) {
    for (uint32_t t = 0, quiet = 0; t < limitMs; t += 1000) {
      quiet = DrawnIn(1000) == 0 ? quiet + 1 : 0;
      if (quiet == 7) return true;
    }
    return false;
  }
  static void PressKey(int key) {
    PostWindowMessage(MSG_KEYDOWN, uint64_t(key), 0);
    PostWindowMessage(MSG_KEYUP, uint64_t(key), 0);
  }
  void OpenAndLoadTheSample() {
    CountFrames();
    OpenVehicleEditorFromTheEntryPage();
    ASSERT_NE(CurrentVehicleEditor, nullptr);
    Click("LOAD");
    ASSERT_TRUE(OpenTextEntry.open);
    Answer("Runabout");
    ASSERT_NE(CurrentVehicleEditor->car, nullptr);
  }
};

TEST_F(EditorAtRest, ASettledCarAsksForNoFrameAndIsNotSteppedUntilAKeyBringsOneFrame) {
  OpenAndLoadTheSample();
  Car& car = *CurrentVehicleEditor->car;
  ASSERT_TRUE(ComesToRest(30000)) << "the sample car settles on the ground and its lines go";
  const uint32_t steps = car.stepCount;
  const IntVector at = car.position;
  EXPECT_EQ(DrawnIn(10000), 0) << "nothing moves: no frame in ten seconds";
  EXPECT_EQ(car.stepCount, steps) << "no frame, no step";
  EXPECT_EQ(RedrawRequested, 0);

  // "G" shows the centre of gravity: one frame.
  PressKey('G');
  EXPECT_EQ(DrawnIn(3000), 1);
  EXPECT_LE(std::abs(car.position.z - at.z), 7) << "it was at rest: 0.1 mm is 6.55 units";

  // A frame after a long stall catches up at most a second of the car's time (1 ms a step).
  // That second may show the car settled a little further, which the next frame finds still.
  // (A stall while nothing is drawn is no time of the car's: the frame that input brings
  // after it steps only its own pass.)
  PressKey('G');
  AppRunPass();  // the rest ends for the key, which asks for a frame
  ClockAdvanceFake(5000);
  const uint32_t stalled = car.stepCount;
  const int frames = counter_->acts;
  while (counter_->acts == frames) AppRunPass();
  EXPECT_EQ(car.stepCount - stalled, CAR_MOST_LAG_MS) << "the lag beyond a second is dropped";
  EXPECT_LE(DrawnIn(3000), 1);
  EXPECT_EQ(DrawnIn(3000), 0);
}

// The environment a car reflects is drawn while the empty editor rests, not in the first car's
// frame, which would otherwise wait for it (the first load after each start stalled).
TEST_F(EditorAtRest, TheEmptyEditorDrawsTheEnvironmentForItsFirstCarWhileItRests) {
  CountFrames();
  ASSERT_EQ(Environment.state, ENVIRONMENT_NOT_CREATED);
  OpenVehicleEditorFromTheEntryPage();
  ASSERT_NE(CurrentVehicleEditor, nullptr);
  DrawnIn(3000);
  EXPECT_EQ(Environment.state, ENVIRONMENT_DRAWN);
  EXPECT_EQ(WorkAtRest, nullptr);
}

TEST_F(EditorAtRest, AMessageLineBringsTheFrameThatShowsItAndTheOneThatShowsItGone) {
  OpenAndLoadTheSample();
  ASSERT_TRUE(ComesToRest(30000));
  ASSERT_EQ(MessageLineCount, 0) << "the load's lines are gone";
  AddMessage("a line for six seconds", TextColours.message, MSG_TARGET_LOCAL);
  EXPECT_EQ(DrawnIn(5800), 1);
  EXPECT_EQ(MessageLineCount, 1);
  EXPECT_EQ(DrawnIn(1000), 1);
  EXPECT_EQ(MessageLineCount, 0);
  EXPECT_EQ(DrawnIn(5000), 0);
}

TEST_F(EditorAtRest, ATestWeightNudgesTheCarWhichIsDrawnUntilItRestsAgain) {
  OpenAndLoadTheSample();
  Car& car = *CurrentVehicleEditor->car;
  ASSERT_TRUE(ComesToRest(30000));
  const IntVector before = car.position;
  const float pitchBefore = car.orientation[7];

  // 200 kg pressing at the front, 1.5 m ahead of the car's origin: as the side panel's switch
  // sets it, with the click that did.
  car.testWeight = 1;
  car.testWeightMass = 200.0f;
  car.testWeightPoint = {0.0f, 1.5f, 0.3f};
  PostWindowMessage(MSG_MOUSEMOVE, 0, PointParam(WIDTH / 2, HEIGHT / 2));
  IntVector last = car.position, previous = last;
  float lastRow[9], previousRow[9];
  std::copy(car.orientation, car.orientation + 9, lastRow);
  std::copy(lastRow, lastRow + 9, previousRow);
  int drawn = 0, quiet = 0;
  for (int pass = 0; pass < 3000 && quiet < 100; ++pass) {
    const int count = counter_->acts;
    AppRunPass();
    if (counter_->acts != count) {
      ++drawn;
      quiet = 0;
      previous = last;
      std::copy(lastRow, lastRow + 9, previousRow);
      last = car.position;
      std::copy(car.orientation, car.orientation + 9, lastRow);
    } else {
      ++quiet;
    }
  }
  EXPECT_GE(drawn, 5) << "the car moved over several frames";
  EXPECT_EQ(quiet, 100) << "and came to rest again";
  EXPECT_NE(car.orientation[7], pitchBefore) << "pitched by the weight at the front";
  EXPECT_LT(car.position.z, before.z + 66) << "not lifted";
  // The last frame drawn found it still against the one before: under 0.1 mm and 0.01 degree.
  const double dx = last.x - previous.x, dy = last.y - previous.y, dz = last.z - previous.z;
  EXPECT_LE(std::sqrt(dx * dx + dy * dy + dz * dz), 0.0001 * 65536.0);
  double squares = 0;
  for (int i = 0; i < 9; ++i) squares += (double(lastRow[i]) - previousRow[i]) * (double(lastRow[i]) - previousRow[i]);
  EXPECT_LE(std::sqrt(squares / 2.0), 0.01 * 3.14159265358979 / 180.0);
  EXPECT_EQ(DrawnIn(5000), 0);
}

// An export takes a step a frame: once started it draws the frames it needs with no input
// until the mod stands in place, and then the editor rests again.
TEST_F(EditorAtRest, AnExportUnderWayDrawsUntilItEndsWithNoInput) {
  OpenAndLoadTheSample();
  ASSERT_TRUE(ComesToRest(30000));
  Click("export to SHARE vehicle for development");
  ASSERT_TRUE(ModExportRunning());
  EXPECT_GT(DrawnIn(10000), 3) << "a step a frame";
  EXPECT_FALSE(ModExportRunning());
  EXPECT_EQ(ModExportResult, MOD_EXPORT_DONE);
  EXPECT_TRUE(std::filesystem::exists("share/mods/vehicles/Runabout~001/Runabout~001.veh"));
  EXPECT_FALSE(std::filesystem::exists("share/mods/vehicles/Runabout~001.partial"));
  EXPECT_TRUE(ComesToRest(20000)) << "the line that tells of it goes, and the editor rests";
}

TEST_F(EditorAtRest, TheObjectEditorAndEveryModellerModeRest) {
  CountFrames();
  OpenFromTheEntryPage();
  ASSERT_NE(ActiveModeller, nullptr);
  ASSERT_TRUE(ComesToRest(30000)) << "a new model";
  for (int mode = 0; mode < MODELLER_MODE_COUNT; ++mode) {
    const int key = MODELLER_MODE_BUTTONS[mode].shiftKey;
    PostWindowMessage(MSG_KEYDOWN, KEY_SHIFT, 0);
    PressKey(key);
    PostWindowMessage(MSG_KEYUP, KEY_SHIFT, 0);
    EXPECT_TRUE(ComesToRest(20000)) << MODELLER_MODE_BUTTONS[mode].label;
    ASSERT_NE(ActiveModeller, nullptr);
    EXPECT_EQ(ActiveModeller->state.mode, mode) << MODELLER_MODE_BUTTONS[mode].label;
    EXPECT_EQ(DrawnIn(5000), 0) << MODELLER_MODE_BUTTONS[mode].label;
  }
  // The licence page an OBJ import opens holds still too.
  PostWindowMessage(MSG_KEYDOWN, KEY_SHIFT, 0);
  PressKey(MODELLER_MODE_BUTTONS[ModeSubobject].shiftKey);
  PostWindowMessage(MSG_KEYUP, KEY_SHIFT, 0);
  ASSERT_TRUE(ComesToRest(20000));
  std::filesystem::create_directories("data/obj");
  std::ofstream("data/obj/rest.obj") << "v 0 0 0\nv 1 0 0\nv 1 0 1\nv 0 0 1\nf 1 2 3 4\n";
  ASSERT_EQ(LoadIntoModeller(*ActiveModeller, "rest", LOAD_OBJ), 1);
  ASSERT_NE(ActiveModeller->prss.sub, nullptr) << "the licence page";
  EXPECT_TRUE(ComesToRest(20000)) << "the licence page";
  EXPECT_EQ(DrawnIn(10000), 0) << "the licence page";
  ASSERT_NE(ActiveModeller->prss.sub, nullptr) << "still open";
}

// The benchmarks' drive file: a reach scrolls the wheel page down until "edit rim" shows and
// no further; the click after it opens the rim editor; a click on a button no frame shows is
// given up after 30 s, in the log.
TEST_F(EditorAtRest, TheDriveFileReachesAButtonDownALongPageAndGivesUpOneThatNeverShows) {
  OpenAndLoadTheSample();
  std::ofstream("drive.txt") << "click Wheel Object\nreach edit rim\nclick edit rim\nclick no such button\n";
  ASSERT_EQ(OpenDriveFile("drive.txt"), 1);
  VehicleEditor& editor = *CurrentVehicleEditor;
  for (int pass = 0; pass < 2000 && !editor.prss.sub; ++pass) AppRunPass();
  ASSERT_NE(editor.prss.sub, nullptr) << "the rim editor opened";
  const int32_t scrolled = editor.pageScroll;
  EXPECT_GT(scrolled, 0) << "the button was below the window";
  EXPECT_FALSE(LogHas("drive : no button \"edit rim\""));
  DrawnIn(29000);
  EXPECT_FALSE(LogHas("drive : no button \"no such button\""));
  DrawnIn(2000);
  EXPECT_TRUE(LogHas("drive : no button \"no such button\""));
  EXPECT_EQ(editor.pageScroll, scrolled);
  CloseDriveFile();
  std::filesystem::remove("drive.txt");

  // A row less scrolled (a notch scrolls a row) and the button is not on the page yet: the
  // reach stopped where it first showed.  The rim editor's rows stand in the page's: close it.
  PressKey(KEY_ESCAPE);
  DrawnIn(500);
  ASSERT_EQ(editor.prss.sub, nullptr);
  ASSERT_NE(FindButton("edit rim"), nullptr);
  editor.pageScroll = scrolled - 1;
  RedrawRequested = 1;
  DrawnIn(500);
  EXPECT_EQ(FindButton("edit rim"), nullptr);
}

}  // namespace
