// front_end_test.cpp - the front end's services the shell starts: the account check before
// going online and the track-selection thumbnails.
#include "app_harness.h"

#include <cstring>

#include "core/frame_globals.h"
#include "frontend/frontend.h"
#include "platform/spawn.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "text/messages.h"
#include "ui/dialogs.h"

namespace {

bool MessageShown(const char* text) {
  for (int i = 0; i < MessageLineCount; ++i)
    if (std::strcmp(MessageLines[i].text, text) == 0) return true;
  return false;
}

void SetAccount(const char* user, const char* password) {
  std::snprintf(AccountUserName, sizeof AccountUserName, "%s", user);
  std::snprintf(AccountPassword, sizeof AccountPassword, "%s", password);
}

}  // namespace

TEST_F(AppHarness, GoingOnlineNeedsAValidUserNameAndAPasswordOfEightCharacters) {
  SpawnSetAllowed(0);  // the account page's "OK" must open no browser here
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  Prss* page = AppTopProcess();
  SetAccount("rider", "12345678");
  EXPECT_EQ(CheckAccountName(page), 1);
  EXPECT_EQ(page->sub, nullptr);

  // Each refusal opens the account page, whose second line is the web address.
  const struct {
    const char* user;
    const char* password;
    const char* said;
  } refusals[] = {{"ab", "12345678", "You must enter a valid user name"},
                  {" rider", "12345678", "You must enter a valid user name"},
                  {"rider", "1234567", "Password must have at least 8 characters"},
                  {"rider", "", "You must enter a valid password"}};
  for (const auto& r : refusals) {
    SetAccount(r.user, r.password);
    EXPECT_EQ(CheckAccountName(page), 0) << r.said;
    ASSERT_EQ(page->sub, &MessageBoxDialog.prss) << r.said;
    EXPECT_STREQ(MessageBoxDialog.first, r.said);
    EXPECT_STREQ(MessageBoxDialog.second, WEB_SITE_ADDRESS);
    MessageSubKey(&MessageBoxDialog.prss, 27);  // closed unanswered
    EXPECT_EQ(page->sub, nullptr);
  }
  // Without an owner nothing is said.
  SetAccount("rider", "");
  ResetMessages();
  EXPECT_EQ(CheckAccountName(nullptr), 0);
  EXPECT_EQ(MessageLineCount, 0);
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
  SpawnSetAllowed(1);
}

TEST_F(AppHarness, WithoutGraphicsTheAccountRefusalIsAMessageLine) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  SetAccount("rider", "short");
  EXPECT_EQ(CheckAccountName(AppTopProcess()), 0);
  EXPECT_TRUE(MessageShown("Password must have at least 8 characters"));
  EXPECT_EQ(AppTopProcess()->sub, nullptr);
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}

TEST_F(AppHarness, TrackThumbnailsLoadFromTheirPicturesAndAreFreedByName) {
  // A thumbnail "x_HS.jbw" is the picture data\pic\x_HS.jpg; any picture will do.
  const char* work = std::getenv("ZKT_WORK_DIR");
  ASSERT_NE(work, nullptr);
  std::filesystem::create_directories("data/pic");
  std::filesystem::copy_file(std::filesystem::path(work) / "data" / "png" / "SHEET_ALP.png", "data/pic/x_HS.jpg");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  TrackSelect.selected = 4;
  LoadTrackThumbnails(0);
  EXPECT_EQ(TrackSelect.selected, -1);
  ASSERT_NE(TrackSelect.thumbnails[0], nullptr);
  EXPECT_EQ(TrackSelect.thumbnails[0]->state, TEXTURE_OWNED);
  for (int row = 1; row < TRACK_COUNT; ++row) {
    ASSERT_NE(TrackSelect.thumbnails[row], nullptr) << row;
    EXPECT_EQ(TrackSelect.thumbnails[row]->state, TEXTURE_MISSING) << row;
  }
  // Cleared: the slots empty and the textures gone from the table.
  LoadTrackThumbnails(1);
  for (ZKTETexture* thumbnail : TrackSelect.thumbnails) EXPECT_EQ(thumbnail, nullptr);
  EXPECT_EQ(AddTextureRef("x_HS.jbw", 0), nullptr);
  // A screen with its images off loads none.
  TrackSelect.imagesOff = 1;
  LoadTrackThumbnails(0);
  EXPECT_EQ(TrackSelect.thumbnails[0], nullptr);
  TrackSelect.imagesOff = 0;
  // After the device is made again they come back by name: no record was left dangling.
  LoadTrackThumbnails(0);
  CloseD3D();
  ResetForDeviceReload();
  ASSERT_EQ(PreInitD3D(), nullptr);
  ASSERT_EQ(InitialiseGraphicsForScreen(), nullptr);
  ReleaseMediaForReload();
  ASSERT_NE(TrackSelect.thumbnails[0], nullptr);
  EXPECT_EQ(TrackSelect.thumbnails[0]->state, TEXTURE_OWNED);
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}

// The media reload after the device is made again brings back the system materials the
// screens draw with, and the pass it runs in draws nothing: its textures were the old
// device's.
TEST_F(AppHarness, AMediaReloadMakesTheSystemMaterialsAgainAndSkipsThePass) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  ASSERT_NE(SystemMaterials.plainWhite, nullptr);
  CloseD3D();
  ResetForDeviceReload();
  ASSERT_EQ(PreInitD3D(), nullptr);
  ASSERT_EQ(InitialiseGraphicsForScreen(), nullptr);
  SystemMaterials = SystemMaterialSet{};  // the old device's materials are gone with it
  FrameSkipped = 0;
  ReleaseMediaForReload();
  EXPECT_NE(SystemMaterials.plainWhite, nullptr);
  EXPECT_NE(SystemMaterials.plainBlack, nullptr);
  EXPECT_EQ(FrameSkipped, 1);
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}
