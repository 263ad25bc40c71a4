// race_start_gpu_test.cpp - a track loaded in the running program as a join to a game host
// would start it (editor_window_harness.h): the loading page over the entry page steps the load
// once a drawn frame inside the game-code section, every frame is drawn while the world builds,
// the window keys wait for it, and the page closes at "FINISHED".  The garage car then stands
// on its springs under the world's gravity, and leaving for the credits deletes the world.
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/game_code.h"
#include "editor_window_harness.h"
#include "frontend/frontend.h"
#include "physics/car.h"
#include "render/image_files.h"
#include "tests/physics/static_balance.h"
#include "tools/track_writer/track_files.h"
#include "world/track_file.h"
#include "world/world.h"

namespace {

class RaceStartWindow : public CarWindow {
 protected:
  void SetUp() override {
    CarWindow::SetUp();
    if (IsSkipped()) return;
    std::filesystem::create_directories("data/wld");
    const TrackImages images = BuildTrackImages(TRACK_SHORT_ROAD, false);
    std::ofstream out("data/wld/short_road.wld", std::ios::binary);
    out.write(reinterpret_cast<const char*>(images.world.data()), std::streamsize(images.world.size()));
    // The road's texture: plain white, 16 x 16 (the smallest a texture may be).
    const std::vector<uint8_t> white(16 * 16 * 4, 255);
    std::vector<uint8_t> png;
    ASSERT_EQ(EncodeImage(IMAGE_PNG, PictureRows{16, 16, white.data(), 64, 0, 0}, ImageWriteOptions{}, png), nullptr);
    std::ofstream picture(std::string("data/png/") + SHORT_ROAD_TEXTURE + ".png", std::ios::binary);
    picture.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  }
  // Shown message lines that hold the text.
  static int MessageCount(const char* text) {
    int n = 0;
    for (int i = 0; i < MessageLineCount; ++i) n += std::strstr(MessageLines[i].text, text) ? 1 : 0;
    return n;
  }
  static float RearTravel(const Car& car) {
    for (int i = 0; i < car.wheelCount; ++i)
      if (car.wheels[i].wheelSet == 0) return car.wheels[i].travel;
    return 0.0f;
  }
};

TEST_F(RaceStartWindow, AJoinedTrackLoadsAFrameAtATimeAndTheGarageCarStandsUnderItsGravity) {
  ASSERT_TRUE(EntryPageIsIdle());
  Prss* entry = CurrentProcess;

  // A track that is not there: the reason shown, no page, no world.
  EXPECT_EQ(JoinRaceTrack("missing", 1, 0), nullptr);
  EXPECT_EQ(CWld, nullptr);
  EXPECT_EQ(CurrentProcess, entry);
  EXPECT_EQ(entry->sub, nullptr);
  EXPECT_EQ(MessageCount(TEXT_TRACK_NOT_FOUND), 1);

  // The short road in its second configuration, reversed: the race's selection reaches the world.
  Prss* page = JoinRaceTrack("short_road", 2, 1);
  ASSERT_NE(page, nullptr);
  ASSERT_NE(CWld, nullptr);
  EXPECT_EQ(CurrentProcess, page);
  EXPECT_EQ(entry->sub, page);
  EXPECT_EQ(CWld->configFlags, 1u);
  EXPECT_STREQ(CWld->trackCode, "SH");
  EXPECT_EQ(JoinRaceTrack("short_road", 1, 0), nullptr) << "one load at a time";

  std::vector<int> order;       // the load steps in the order the frames met them
  std::map<int, int> passes;    // frames begun in each step
  bool crafted = false;
  for (int pass = 0; WorldBuildStage() != 0 && pass < 3000; ++pass) {
    const int step = WorldBuildStage();
    if (order.empty() || order.back() != step) order.push_back(step);
    ++passes[step];
    if (step >= 1 && step <= 16) {
      // The window keys (F4 full screen, Shift+F11/F12 borderless) wait for the load.
      for (int shift = 0; shift < 2; ++shift) {
        if (shift) HandleKeyDown(KEY_SHIFT, 0);
        HandleKeyDown(KEY_F1 + (shift ? 10 : 3), 0);
        HandleKeyUp(KEY_F1 + (shift ? 10 : 3));
        if (shift) HandleKeyUp(KEY_SHIFT);
      }
      EXPECT_EQ(FullScreenRequest, -1) << step;
      EXPECT_EQ(GoWindowedRequest, 0) << step;
      EXPECT_EQ(WindowRequest, 0) << step;
    }
    // Entered already when a load call comes: the section reports both faults and leaves
    // one level, so the caller's own level is left to it.
    const bool craft = step == 7 && !crafted;
    if (craft) EnterGameCode();
    // Nothing asks for the frame: the world building does.
    RedrawRequested = 0;
    const uint32_t drawn = DrawnFrameCount;
    ClockAdvanceFake(FRAME_MS);
    AppRunPass();
    EXPECT_TRUE(DrawnFrameCount == drawn + 1 || DrawnFrameCount == 1) << "pass " << pass << " step " << step;
    if (craft) {
      crafted = true;
      EXPECT_EQ(GameCodeNesting(), 1);
      EXPECT_EQ(MessageCount("EnterGameCode already entered"), 1);
      EXPECT_EQ(MessageCount("LeaveGameCode not fully exited"), 1);
      LeaveGameCode();
      EXPECT_EQ(MessageCount("LeaveGameCode not in game code"), 0);
      LeaveGameCode();  // once more: outside the section
      EXPECT_EQ(MessageCount("LeaveGameCode not in game code"), 1);
    }
    EXPECT_EQ(GameCodeNesting(), 0) << "pass " << pass;
  }
  ASSERT_NE(CWld, nullptr);
  EXPECT_EQ(CWld->loadFailed, 0);
  EXPECT_EQ(WorldBuildStage(), 0);
  EXPECT_STREQ(WorldLoadingText, "FINISHED");
  EXPECT_GT(CWld->addedMeshes.count, 0) << "the rebuild ran with the device";
  EXPECT_EQ(MessageCount((std::string("Can't open : ") + SHORT_ROAD_TEXTURE).c_str()), 0) << "the road's picture loads";
  // One load call a drawn frame: each step in the table's order, each short step one frame
  // (two calls a frame would skip one, none would show it twice); textures take their first
  // frame to gather the names, the rebuild several.
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 10, 9, 11, 12, 13, 14, 15, 16, 17}));
  for (const auto& [step, frames] : passes) {
    if (step == 14 || step == 17) {
      EXPECT_GE(frames, 2) << step;
    } else {
      EXPECT_EQ(frames, 1) << step;
    }
  }
  // "FINISHED" closed the page: the entry page has the input again.
  EXPECT_EQ(entry->sub, nullptr);
  EXPECT_EQ(CurrentProcess, entry);
  Frame();
  EXPECT_TRUE(EntryPageIsIdle());

  // The garage car stands on z = 0 under the world's gravity.  At the standard gravity, then
  // at 9.0: each spring holds its wheel's share of the lighter weight less the wheel's own,
  // which the test computes from the settled car's figures.
  const PanelLayout& l = CurrentPanelLayout();
  ClickAt(int((1.0 + (l.labelX1 + l.labelX2) / 2) / 2 * WIDTH), int((1.0 + 0.45 + l.rowHeight / 2) / 2 * HEIGHT));
  Car* car = GarageCar();
  ASSERT_NE(car, nullptr);
  CWld->gravity = STANDARD_GRAVITY;
  Settle(3000);
  EXPECT_LT(car->speed, 0.01f);
  ExpectStaticBalance(*car, StaticBalanceShares{0.02, 0.02, 0.02});
  const float standardTravel = RearTravel(*car);
  CWld->gravity = -9.0f;
  Settle(3000);
  EXPECT_LT(car->speed, 0.01f);
  {
    SCOPED_TRACE("gravity 9.0");
    ExpectStaticBalance(*car, StaticBalanceShares{0.02, 0.02, 0.02}, 9.0);
  }
  EXPECT_LT(RearTravel(*car), standardTravel * 0.99f) << "the springs carry less";

  // Out of the garage, and out of the program through the credits: the world is deleted.
  Key(27);
  Frame();
  EXPECT_EQ(GarageCar(), nullptr);
  ASSERT_NE(CWld, nullptr);
  Key(27);
  EXPECT_EQ(CWld, nullptr) << "leaving for the credits deletes the world";
}

// A program shut down while its track loads, and one shut down with it loaded: the world goes
// with the screens, before the device.
TEST_F(RaceStartWindow, ShutDownDeletesTheWorldLoadingOrLoaded) {
  for (const int passes : {5, 400}) {
    ASSERT_NE(JoinRaceTrack("short_road", 1, 0), nullptr) << passes;
    for (int pass = 0; pass < passes && WorldBuildStage() != 0; ++pass) Frame();
    EXPECT_EQ(WorldBuildStage() != 0, passes == 5);
    ASSERT_NE(CWld, nullptr);
    EXPECT_EQ(AppShutdown(), 0);
    EXPECT_EQ(CWld, nullptr) << passes;
    if (passes == 5) {
      ASSERT_EQ(AppStartup(""), START_RUNNING);
      Frame();
    }
  }
}

}  // namespace
