// car_skins_test.cpp - skin names and their files, the download queue, the missing-skin
// report, the helmet's skin and every state of the car's skin check, from files and their
// times in the test's own folders.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/data_file.h"
#include "tests/vehicle/car_model_fixture.h"

namespace {

TEST(JoinedNames, PrefixUnderscoreAndTheNameCutTo22) {
  char out[64];
  JoinUnderscoreName(out, sizeof out, "XR5", "blue");
  EXPECT_STREQ(out, "XR5_blue");
  JoinUnderscoreName(out, sizeof out, "1A2B3C", "abcdefghijklmnopqrstuvwxyz");
  EXPECT_STREQ(out, "1A2B3C_abcdefghijklmnopqrstuv");
  JoinUnderscoreName(out, sizeof out, "XR5", nullptr);
  EXPECT_STREQ(out, "XR5_");
}

TEST(JoinedNames, NeverWritesPastTheBuffer) {
  char out[12];
  std::memset(out, 'z', sizeof out);
  JoinUnderscoreName(out, 8, "prefix", "name");
  EXPECT_STREQ(out, "prefix_");
  EXPECT_EQ(out[8], 'z');
}

TEST(SkinNames, ASkinNameSplitsAtItsFirstUnderscoreAfterThreeOrSixCharacters) {
  SkinName n;
  ASSERT_EQ(ParseSkinName(n, "XRT_blue"), 1);
  EXPECT_STREQ(n.prefix, "XRT");
  EXPECT_STREQ(n.skin, "blue");
  ASSERT_EQ(ParseSkinName(n, "1A2B3C_red_2"), 1);
  EXPECT_STREQ(n.prefix, "1A2B3C");
  EXPECT_STREQ(n.skin, "red_2");
  const std::string longest = "XRT_" + std::string(31, 's');
  EXPECT_EQ(ParseSkinName(n, longest.c_str()), 1);
  for (const char* bad : {"AB_x", "ABCD_x", "XRT_", "XRT", "_blue", ""}) {
    EXPECT_EQ(ParseSkinName(n, bad), 0) << bad;
    EXPECT_STREQ(n.prefix, "") << "nothing is left behind";
  }
  EXPECT_EQ(ParseSkinName(n, ("XRT_" + std::string(32, 's')).c_str()), 0);
  EXPECT_EQ(ParseSkinName(n, nullptr), 0);
}

class Skins : public CarModelTest {
 protected:
  void SetUp() override {
    CarModelTest::SetUp();
    for (const char* folder : {"data/skins", "data/skins_dds", "data/skins_x", "data/skins_y"}) {
      std::filesystem::remove_all(folder);
      std::filesystem::create_directories(folder);
    }
    std::memcpy(car_.shortName, "XRT", 4);
    car_.colourConfigCount = 1;
    std::memcpy(car_.colourConfigs[0].name, "red", 4);
  }
  static void Touch(const char* path) { std::ofstream(path) << "x"; }
  // The check's result and the state it left.
  std::pair<int, int> Check(const char* skin) {
    std::snprintf(car_.skinName, sizeof car_.skinName, "%s", skin);
    CarSkinState = 99;
    const int fetch = car_.CheckSkin();
    return {fetch, CarSkinState};
  }
  Car car_;
};

using Result = std::pair<int, int>;

TEST_F(Skins, LocalSkinsAndTheCarsOwnTexturesAreNeverFetched) {
  EXPECT_EQ(Check(""), Result(0, SKIN_STATE_NO_SKIN));
  GraphicsEnabled = 0;
  EXPECT_EQ(Check("green"), Result(0, SKIN_STATE_NO_SKIN)) << "no graphics";
  GraphicsEnabled = 1;
  EXPECT_EQ(Check("RED"), Result(0, 99)) << "one of the car's texture names, any case";
  Touch("data/skins/XRT_blue.jpg");
  EXPECT_EQ(Check("blue"), Result(0, 99));
  Touch("data/skins_dds/XRT_navy.dds");
  EXPECT_EQ(Check("navy"), Result(0, 99));
  SkinPaths paths;
  EXPECT_EQ(MakeSkinPaths(paths, "XRT_blue"), 1);
  EXPECT_NE(std::string(paths.jpg).find("XRT_blue.jpg"), std::string::npos);
  EXPECT_NE(std::string(paths.dds).find("XRT_blue.dds"), std::string::npos);
  EXPECT_EQ(MakeSkinPaths(paths, "XRT_none"), 0);
  EXPECT_EQ(MakeSkinPaths(paths, "../XRT_blue"), 0) << "no path reaches out of the folders";
  EXPECT_STREQ(paths.jpg, "");
}

TEST_F(Skins, OnlyTheColourSetsTheCarCountsNameItsOwnTextures) {
  // A name left behind in the set after the counted one (a car whose count was lowered) is
  // not one of its textures any more.
  std::memcpy(car_.colourConfigs[1].name, "blue", 5);
  EXPECT_EQ(car_.HasTextureName("red"), 1);
  EXPECT_EQ(car_.HasTextureName("blue"), 0);
  car_.colourConfigCount = 2;
  EXPECT_EQ(car_.HasTextureName("BLUE"), 1);
  car_.colourConfigCount = 0;
  EXPECT_EQ(car_.HasTextureName("red"), 0);
}

TEST_F(Skins, AMissingSkinIsFetchedAtOnceOffLineOrAfterBothFolders) {
  EXPECT_EQ(Check("green"), Result(1, SKIN_STATE_TO_FETCH)) << "not connected: at once";
  SkinService.connectionMode = 3;
  EXPECT_EQ(Check("green"), Result(1, SKIN_STATE_TO_FETCH)) << "both folders tried";
  Touch("data/skins_y/XRT_green.dds");
  EXPECT_EQ(Check("green"), Result(0, SKIN_STATE_Y_FOLDER)) << "found in the other folder";
  SkinService.connectionMode = 0;
  SkinService.connectionState = 1;
  EXPECT_EQ(Check("green"), Result(0, SKIN_STATE_Y_FOLDER));
  SkinService.downloadSetting = SKIN_DOWNLOAD_Y_FIRST;
  EXPECT_EQ(Check("green"), Result(0, SKIN_STATE_Y_FOLDER)) << "the y folder first";
  Touch("data/skins_x/XRT_lime.dds");
  EXPECT_EQ(Check("lime"), Result(0, SKIN_STATE_X_FOLDER));
  SkinService.connectionState = 0;
  EXPECT_EQ(Check("lime"), Result(1, SKIN_STATE_TO_FETCH)) << "not connected: the y folder alone";
}

TEST_F(Skins, ADownloadedSkinOlderThanBothTimesIsFetchedAgainWhenTheServiceMay) {
  Touch("data/skins_x/XRT_green.dds");
  const uint32_t time = FileTimeMinutes("data\\skins_x\\XRT_green.dds");
  ASSERT_GT(time, 0u);
  SkinService.fetchSwitch = 1;
  SkinService.minimumSkinTime = time + 1;
  car_.requiredSkinTime = time + 1;
  EXPECT_EQ(Check("green"), Result(1, SKIN_STATE_TO_FETCH)) << "stale";
  car_.requiredSkinTime = time;
  EXPECT_EQ(Check("green"), Result(0, SKIN_STATE_X_FOLDER)) << "not older than the smaller time";
  car_.requiredSkinTime = time + 1;
  SkinService.fetchSwitch = 0;
  EXPECT_EQ(Check("green"), Result(0, SKIN_STATE_X_FOLDER)) << "the service does not fetch again";
  SkinService.fetchSwitch = 1;
  SkinService.refusal = 1;
  EXPECT_EQ(Check("green"), Result(0, SKIN_STATE_X_FOLDER)) << "the service refuses";
  SkinService.refusal = 0;
  SkinService.downloadSetting = SKIN_DOWNLOAD_OFF;
  EXPECT_EQ(Check("green"), Result(0, SKIN_STATE_X_FOLDER)) << "downloads off";
  SkinService.downloadSetting = SKIN_DOWNLOAD_X_FIRST;
  RunMode = RUN_MODE_REPLAY_CHECK;
  EXPECT_EQ(Check("green"), Result(0, SKIN_STATE_X_FOLDER)) << "a batch run";
}

TEST_F(Skins, TheFirstBuildQueuesTheSkinOnceAndAFullQueueIsSaid) {
  ModelBuilder b;
  AddSquare(b, "x", "PLAIN~W", 0);
  GiveModel(car_, b);
  std::snprintf(car_.skinName, sizeof car_.skinName, "green");
  car_.BuildModel();
  ASSERT_EQ(SkinDownloads.count, 1);
  EXPECT_STREQ(SkinDownloads.entries[0].name.prefix, "XRT");
  EXPECT_STREQ(SkinDownloads.entries[0].name.skin, "green");
  EXPECT_EQ(SkinDownloads.entries[0].flag, 0);
  EXPECT_STREQ(car_.skinTexture, "XRT_green") << "the skin texture bound";
  EXPECT_EQ(EditorSkinName[0], 0) << "a one-time request";
  car_.BuildModel();
  EXPECT_EQ(SkinDownloads.count, 1) << "only on the first build";

  Car other;
  std::memcpy(other.shortName, "XRT", 4);
  GiveModel(other, b);
  std::snprintf(other.skinName, sizeof other.skinName, "GREEN");
  other.BuildModel();
  EXPECT_EQ(Lines("1|-1|" + std::string(TEXT_SKIN_IN_QUEUE)), 1);
  EXPECT_EQ(Lines("XRT_GREEN"), 1) << "the language text, the prefix and the skin";

  for (int i = SkinDownloads.count; i < SKIN_QUEUE_SIZE; ++i)
    EXPECT_EQ(QueueSkinDownload("XRT", ("s" + std::to_string(i)).c_str(), 1, 0), 1);
  EXPECT_EQ(QueueSkinDownload("XRT", "more", 1, 1), 0);
  EXPECT_EQ(Lines(TEXT_SKIN_QUEUE_FULL), 1);
  EXPECT_EQ(SkinDownloads.entries[SKIN_QUEUE_SIZE - 1].flag, 1);
}

TEST_F(Skins, MissingSkinsAndTheHelmetsAreReportedWithTheirPrefixes) {
  car_.ReportMissingSkins();
  EXPECT_EQ(MissingSkins.count, 0) << "no model: nothing";
  ModelBuilder b;
  AddSquare(b, "x", "PLAIN~W", 0);
  GiveModel(car_, b);
  std::snprintf(car_.skinName, sizeof car_.skinName, "Red");
  car_.ReportMissingSkins();
  EXPECT_EQ(MissingSkins.count, 0) << "its own texture and the default helmet";
  std::snprintf(car_.skinName, sizeof car_.skinName, "green");
  std::snprintf(car_.helmetName, sizeof car_.helmetName, "gold");
  car_.ReportMissingSkins();
  ASSERT_EQ(MissingSkins.count, 2);
  EXPECT_STREQ(MissingSkins.entries[0].prefix, "XRT");
  EXPECT_STREQ(MissingSkins.entries[0].skin, "green");
  EXPECT_STREQ(MissingSkins.entries[1].prefix, HELMET_SKIN_PREFIX);
  EXPECT_STREQ(MissingSkins.entries[1].skin, "gold");
  for (int i = 0; i < 40; ++i) RecordMissingSkin("XRT", "more");
  EXPECT_EQ(MissingSkins.count, MISSING_SKINS_KEPT) << "the list keeps its first entries";
}

TEST_F(Skins, TheHelmetTakesANamedSkinWhosePictureIsFound) {
  ZKTETexture* slot = reinterpret_cast<ZKTETexture*>(1);
  ChooseSkinTexture(slot, "gold", 0);
  EXPECT_EQ(slot, nullptr) << "no picture";
  Touch("data/skins/HEL_gold.jpg");
  ChooseSkinTexture(slot, "gold", 0);
  EXPECT_NE(slot, nullptr);
  ChooseSkinTexture(slot, "DEFAULT", 0);
  EXPECT_EQ(slot, nullptr);
  ChooseSkinTexture(slot, "gold", 0);
  GraphicsEnabled = 0;
  ChooseSkinTexture(slot, "gold", 0);
  EXPECT_EQ(slot, nullptr) << "no graphics: emptied";

  GraphicsEnabled = 1;
  ModelBuilder b;
  AddSquare(b, "x", "PLAIN~W", 0);
  GiveModel(car_, b);
  std::snprintf(car_.helmetName, sizeof car_.helmetName, "gold");
  car_.helmetSkinChange = 1;
  car_.ApplyPendingModelChanges();
  EXPECT_NE(car_.helmetTexture, nullptr) << "a helmet skin change is taken on the next frame";
  EXPECT_EQ(car_.helmetSkinChange, 0u);
}

}  // namespace
