// editor_rest_gpu_test.cpp - the editors at rest (editor_window_harness.h), in fake time: once
// the sample car in the vehicle editor has settled, the loop draws nothing and steps nothing
// until something changes; a key press, a message line and a test weight on the car each bring
// the frames they need and no more, and a frame of the interface alone, drawn over the kept
// scene, shows what a whole frame shows.  The object editor on a new model, the modeller in each of
// its modes and the licence page after an OBJ import rest as well.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

#include "app/drive_file.h"
#include "frontend/mod_export.h"
#include "editor_window_harness.h"
#include "modeller/files/modeller_files.h"
#include "modeller/state/modeller_state.h"
#include "physics/car.h"
#include "platform/gfx.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "render/device.h"
#include "render/env_maps.h"
#include "render/kept_scene.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/text_entry.h"

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
  // The load's status line counted down in frames of the interface alone, which hold the
  // car's time: a drawn frame hands that over, and the car settles the little further it may.
  RedrawRequested = 1;
  ASSERT_TRUE(ComesToRest(30000));
  const uint32_t steps = car.stepCount;
  const IntVector at = car.position;
  EXPECT_EQ(DrawnIn(10000), 0) << "nothing moves: no frame in ten seconds";
  EXPECT_EQ(car.stepCount, steps) << "no frame, no step";
  EXPECT_EQ(RedrawRequested, 0);

  // "G" shows the centre of gravity: one frame.
  PressKey('G');
  EXPECT_EQ(DrawnIn(3000), 1);
  EXPECT_LE(std::abs(car.position.z - at.z), 7) << "it was at rest: 0.1 mm is 6.55 units";

  // A frame after a long stall that draws the car catches up at most a second of the car's
  // time (1 ms a step), that of a frame before it which only changed the interface (a message
  // line leaving) included.  That second may show the car settled a little further, which the
  // next frame finds still.  (A stall while nothing is drawn is no time of the car's: the
  // frame that input brings after it steps only its own pass.)
  PressKey('G');
  AppRunPass();  // the rest ends for the key, which asks for a frame
  ClockAdvanceFake(5000);
  const uint32_t stalled = car.stepCount;
  for (int pass = 0; pass < 100 && car.stepCount == stalled; ++pass) AppRunPass();
  EXPECT_EQ(car.stepCount - stalled, CAR_MOST_LAG_MS) << "the lag beyond a second is dropped";
  EXPECT_LE(DrawnIn(3000), 1);
  // The key's message line leaves in a frame of the interface alone: the resting car is
  // neither drawn again nor stepped.
  const uint32_t still = car.stepCount;
  EXPECT_LE(DrawnIn(4000), 1);
  EXPECT_EQ(car.stepCount, still);
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

// What the window shows after a pass: the back buffer.
Picture BackBufferPicture() {
  GfxTexture2D texture = GfxGetViewTexture(Gfx.backBufferView);
  GfxTexture2DDesc desc;
  GfxGetDesc(texture, &desc);
  Picture p;
  p.width = int(desc.width);
  p.height = int(desc.height);
  p.rgba.resize(size_t(p.width) * size_t(p.height) * 4);
  EXPECT_TRUE(GfxReadTexturePixels(Gfx.context, texture, 0, p.rgba.data(), p.rgba.size()));
  GfxRelease(texture);
  return p;
}

// The pixels that differ; with any, both pictures and their difference are kept beside the
// test's other pictures.
int DifferingPixels(const Picture& a, const Picture& b, const std::string& name) {
  if (a.width != b.width || a.height != b.height || a.rgba.empty()) return -1;
  std::vector<uint8_t> difference(a.rgba.size(), 255);
  int differing = 0;
  for (size_t i = 0; i < a.rgba.size(); i += 4) {
    bool same = true;
    for (int c = 0; c < 3; ++c) {
      difference[i + c] = uint8_t(255 - std::abs(int(a.rgba[i + c]) - int(b.rgba[i + c])));
      same = same && a.rgba[i + c] == b.rgba[i + c];
    }
    differing += same ? 0 : 1;
  }
  if (differing > 0) {
    std::filesystem::create_directories("../gpu");
    WritePng("../gpu/" + name + "_a.png", a.rgba, a.width, a.height);
    WritePng("../gpu/" + name + "_b.png", b.rgba, b.width, b.height);
    WritePng("../gpu/" + name + "_difference.png", difference, a.width, a.height);
  }
  return differing;
}

// What the window itself shows (its own framebuffer read back), rows from the top; rows
// its surface does not hold (an offscreen window's buffer keeps its first height) are
// taken from the picture given.
Picture WindowPicture(const Picture& drawn) {
  void* window = PlatformWindowHandle();
  uint8_t first[4];
  EXPECT_TRUE(GfxReadWindowPixel(window, 0, 0, first));  // the window's framebuffer bound for reading
  using ReadPixels = void (*)(int, int, int, int, unsigned, unsigned, void*);
  const auto readPixels = reinterpret_cast<ReadPixels>(GfxGetProcAddress("glReadPixels"));
  // Read twice over different fillings: a row read holds the same bytes both times.
  std::vector<uint8_t> rows[2];
  for (int k = 0; k < 2; ++k) {
    rows[k].assign(size_t(WIDTH) * HEIGHT * 4, uint8_t(k ? 0xFF : 0x00));
    if (readPixels) readPixels(0, 0, WIDTH, HEIGHT, 0x1908 /* GL_RGBA */, 0x1401 /* GL_UNSIGNED_BYTE */, rows[k].data());
  }
  Picture p = drawn;
  for (int y = 0; y < HEIGHT; ++y) {
    const size_t from = size_t(HEIGHT - 1 - y) * WIDTH * 4, length = size_t(WIDTH) * 4;
    if (std::equal(&rows[0][from], &rows[0][from] + length, &rows[1][from]))
      std::copy_n(&rows[0][from], length, &p.rgba[size_t(y) * WIDTH * 4]);
  }
  return p;
}

// The save-name entry over the resting car, its cursor blinking: a frame that changes only
// the interface (a message line's, the blink's) draws it over the scene kept from the last
// whole frame, and shows pixel for pixel what a whole frame of the same state shows, with
// the cursor shown and hidden, in both render target modes (HDR and not).  Such a frame
// sends the window only the cursor's few pixels, and the window then shows what the back
// buffer holds, pixel for pixel.
TEST_F(EditorAtRest, AFrameOfTheInterfaceAloneShowsWhatAWholeFrameOfTheSameStateShows) {
  OpenAndLoadTheSample();
  ASSERT_TRUE(ComesToRest(30000));
  // The car stands where it came to rest: whole frames at other times show the same scene.
  CurrentVehicleEditor->car->simulated = 0;
  Click("SAVE");
  ASSERT_TRUE(OpenTextEntry.open);
  // The chooser starts with the name selected, shown highlighted without a cursor; a letter
  // typed takes its place, and from then on the cursor blinks.
  EntryTypeChar('X');
  // The next pass's program clock at that point of the blink's second (the cursor shows in
  // its first half), the last input just before.
  const auto blinkAt = [](uint32_t at) {
    LastInputClock = ProgramClock;
    ClockAdvanceFake((at + 1000 - ProgramClock % 1000) % 1000);
  };
  const auto whole = [] {
    ReleaseKeptScene();
    RedrawRequested = 1;
    AppRunPass();
    return BackBufferPicture();
  };
  // A frame whose interface was not the one foreseen over the kept scene is not shown but
  // drawn again by the next pass, over the kept scene.
  const uint64_t parts = GfxPartPresentCount();
  const auto interfaceAlone = [] {
    const uint32_t kept = KeptScenePasses();
    InterfaceRedraw = 1;
    for (int pass = 0; pass < 2 && KeptScenePasses() == kept; ++pass) AppRunPass();
    EXPECT_EQ(KeptScenePasses(), kept + 1) << "the frame kept its scene";
    const Picture drawn = BackBufferPicture();
    EXPECT_EQ(DifferingPixels(WindowPicture(drawn), drawn, "kept_scene_window"), 0) << "what the window shows";
    return drawn;
  };
  for (const int hdr : {0, 1}) {
    CfgRenderHdr = uint32_t(hdr);
    for (int frame = 0; frame < 3; ++frame) whole();  // the render texture made, its exposure read
    blinkAt(250);
    const Picture shownWhole = whole();
    const Picture shown = interfaceAlone();
    EXPECT_EQ(DifferingPixels(shown, shownWhole, "kept_scene_shown"), 0) << "HDR " << hdr;
    blinkAt(750);
    const Picture hidden = interfaceAlone();
    ClockAdvanceFake(1);
    const Picture hiddenWhole = whole();
    EXPECT_EQ(DifferingPixels(hidden, hiddenWhole, "kept_scene_hidden"), 0) << "HDR " << hdr;
    EXPECT_GT(DifferingPixels(shownWhole, hiddenWhole, "kept_scene_blink"), 0) << "the cursor blinked";
    // Over the kept picture again: the first draws of the interface, the same as the last
    // frame's, are not drawn again, up to where the cursor is.
    blinkAt(250);
    EXPECT_EQ(DifferingPixels(interfaceAlone(), shownWhole, "kept_scene_shown_again"), 0) << "HDR " << hdr;
    blinkAt(750);
    EXPECT_EQ(DifferingPixels(interfaceAlone(), hiddenWhole, "kept_scene_hidden_again"), 0) << "HDR " << hdr;
  }
  EXPECT_GE(GfxPartPresentCount() - parts, 4u) << "the blink's frames sent the window only what changed";
}

TEST_F(EditorAtRest, ATestWeightNudgesTheCarWhichIsDrawnUntilItRestsAgain) {
  OpenAndLoadTheSample();
  Car& car = *CurrentVehicleEditor->car;
  ASSERT_TRUE(ComesToRest(30000));
  const IntVector before = car.position;
  const float pitchBefore = car.orientation[7];

  // 200 kg pressing at the front, 1.5 m ahead of the car's origin: as the side panel's switch
  // sets it, with the click that did (a press draws the scene: it may set the car moving).
  car.testWeight = 1;
  car.testWeightMass = 200.0f;
  car.testWeightPoint = {0.0f, 1.5f, 0.3f};
  PostWindowMessage(MSG_LBUTTONDOWN, MOUSE_LEFT_DOWN, PointParam(WIDTH / 2, HEIGHT - 2));
  PostWindowMessage(MSG_LBUTTONUP, 0, PointParam(WIDTH / 2, HEIGHT - 2));
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
