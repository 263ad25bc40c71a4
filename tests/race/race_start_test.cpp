// The race start over generated tracks: the world made and loaded a frame at a time to its
// end, a missing track refused with nothing left behind, a damaged one deleted when it fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/frame_globals.h"
#include "core/game_code.h"
#include "core/report.h"
#include "platform/files.h"
#include "race/ai_driver.h"
#include "race/race.h"
#include "race/race_start.h"
#include "tests/track_scratch.h"
#include "tools/track_writer/track_files.h"
#include "world/autocross.h"
#include "world/track_file.h"
#include "world/world.h"

namespace {

class RaceStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graphics_ = GraphicsEnabled;
    GraphicsEnabled = 0;
  }
  void TearDown() override {
    DeleteWorld();
    GraphicsEnabled = graphics_;
  }
  static void Write(const char* name, const std::vector<uint8_t>& bytes) {
    TrackScratch::Write(std::string(name) + ".wld", bytes);
  }
  TrackScratch scratch_{"race_start"};
  int graphics_ = 0;
};

TEST_F(RaceStartTest, LoadsAFrameAtATimeToFinished) {
  Write("short_road", BuildTrackImages(TRACK_SHORT_ROAD, false).world);
  ASSERT_EQ(StartRaceWorld("short_road"), 1);
  ASSERT_NE(CWld, nullptr);
  EXPECT_STREQ(CWld->trackCode, "SH");
  EXPECT_STREQ(RaceWorldLoadingLine(), "Paths");
  int frames = 0, result = RACE_WORLD_LOADING;
  while (result == RACE_WORLD_LOADING && frames < 1000) {
    result = StepRaceWorldLoading();
    EXPECT_EQ(GameCodeNesting(), 0);
    ++frames;
  }
  EXPECT_EQ(result, RACE_WORLD_READY);
  EXPECT_STREQ(RaceWorldLoadingLine(), "FINISHED");
  EXPECT_GE(frames, 15);  // one step a frame at least
  // Leaving (for the credits, the start screen) deletes the world.
  DeleteWorld();
  EXPECT_EQ(CWld, nullptr);
  EXPECT_STREQ(RaceWorldLoadingLine(), "");
}

TEST_F(RaceStartTest, TheRacesSelectionReachesTheWorld) {
  Write("short_road", BuildTrackImages(TRACK_SHORT_ROAD, false).world);
  GetTrackSelection = AnswerTrackSelection;
  LoadedRaceSetting = 7;
  ASSERT_EQ(StartRaceWorld("short_road", 2, 1), 1);
  EXPECT_STREQ(SelectedTrack.shortName, "short_road");
  EXPECT_EQ(CWld->configNumber, 2);
  EXPECT_EQ(CWld->configFlags, 1u);
  EXPECT_EQ(LoadedRaceSetting, 0);
  // A second start replaces the world: at most one, and the first world's layout goes with it.
  ASSERT_EQ(AddLayoutPlace({0, 0, 0, 0x80, 252, 0}, nullptr), 1);
  ASSERT_EQ(LayoutPlaceCount, 1);
  ASSERT_EQ(StartRaceWorld("short_road"), 1);
  EXPECT_EQ(CWld->configNumber, 1);
  EXPECT_EQ(CWld->configFlags, 0u);
  EXPECT_EQ(LayoutPlaceCount, 0) << "the first world's layout place";
  GetTrackSelection = nullptr;
}

TEST_F(RaceStartTest, TheTracksShortNameIsItsCodeNumberAndLetter) {
  EXPECT_STREQ(FormatTrackName(), "");  // no world
  Write("short_road", BuildTrackImages(TRACK_SHORT_ROAD, false).world);
  GetTrackSelection = AnswerTrackSelection;
  struct Case {
    int32_t number;
    uint32_t flags;
    const char* name;
  };
  for (const Case& c : {Case{1, 0, "SH1"}, Case{2, 1, "SH2R"}, Case{3, 2, "SH3X"}, Case{12, 3, "SH12Y"},
                        Case{1, 4, "SH1"}}) {
    ASSERT_EQ(StartRaceWorld("short_road", c.number, c.flags), 1);
    EXPECT_STREQ(FormatTrackName(), c.name);
  }
  // Loaded to its end: the configuration in force (the track stores one path).
  ASSERT_EQ(StartRaceWorld("short_road"), 1);
  for (int frames = 0; frames < 1000 && StepRaceWorldLoading() == RACE_WORLD_LOADING; ++frames) {
  }
  ASSERT_EQ(CWld->loadStep, 0);
  EXPECT_STREQ(FormatTrackName(), "SH1");
  // The computer drivers' path file goes by it.
  char path[FILE_PATH_SIZE], code[AI_CAR_CODE_SIZE];
  ASSERT_EQ(AiPathFileName(path, sizeof path, code, "Runabout"), 1);
  EXPECT_STREQ(path, "data\\knw\\SH1_ZK1.knw");
  // A world without a track code has no short name.
  CWld->trackCode[0] = 0;
  EXPECT_STREQ(FormatTrackName(), "");
  DeleteWorld();
  EXPECT_STREQ(FormatTrackName(), "");
  // A refused track leaves no world and no name.
  EXPECT_EQ(StartRaceWorld("no_such_track", 2, 1), 0);
  EXPECT_STREQ(FormatTrackName(), "");
  GetTrackSelection = nullptr;
}

TEST_F(RaceStartTest, RefusalsLeaveNoWorld) {
  EXPECT_EQ(StartRaceWorld("no_such_track"), 0);
  EXPECT_EQ(CWld, nullptr);
  EXPECT_EQ(TrackScratch::NewestLine(), TEXT_TRACK_NOT_FOUND);
  // A track whose body is damaged: the page sees the failure and the world is gone.
  std::vector<uint8_t> bad = BuildTrackImages(TRACK_FLAT_SQUARE, false).world;
  bad[8] = 30;  // format revision 30
  Write("bad", bad);
  ASSERT_EQ(StartRaceWorld("bad"), 1);
  EXPECT_EQ(StepRaceWorldLoading(), RACE_WORLD_FAILED);
  EXPECT_EQ(CWld, nullptr);
  EXPECT_EQ(StepRaceWorldLoading(), RACE_WORLD_FAILED);
}

}  // namespace
