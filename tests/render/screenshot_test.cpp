// screenshot_test.cpp - shot requests on the null device: the numbered file and its counter,
// numbers whose file exists passed over, every number taken, failures that clear the
// request, and the control link's named shots (unsafe names refused, no file overwritten).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "render/image_files.h"
#include "render/screenshot.h"
#include "tests/core/report_recorder.h"
#include "tests/render/null_renderer.h"

namespace {

std::vector<std::pair<int, int>> g_replies;

class Shots : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    std::filesystem::remove_all("data/shots");
    std::filesystem::create_directories("data/shots");
    savedNext_ = CfgNextShot;
    savedType_ = CfgSsType;
    savedFlags_ = CfgScreenFlags;
    CfgNextShot = 1;
    CfgSsType = IMAGE_PNG;
    g_replies.clear();
    ShotReplyToConnection = [](int connection, int error) { g_replies.emplace_back(connection, error); };
  }
  void TearDown() override {
    std::filesystem::remove_all("data/shots");
    CfgNextShot = savedNext_;
    CfgSsType = savedType_;
    CfgScreenFlags = savedFlags_;
    ShotReplyToConnection = nullptr;
    PendingShotName[0] = 0;
    PendingShotConnection = SHOT_NO_CONNECTION;
  }
  static void Touch(const char* path) { std::ofstream(path) << "x"; }
  static int TemporaryFiles() {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator("data/shots"))
      n += entry.path().extension() == ".tmp";
    return n;
  }
  int savedNext_ = 0, savedType_ = 0;
  uint32_t savedFlags_ = 0;
};

TEST_F(Shots, TheFirstShotIsNumberOneAndTheCounterMovesOn) {
  ReportRecorder recorder;
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_EQ(ScreenshotRequest, 0);
  EXPECT_TRUE(std::filesystem::is_regular_file("data/shots/zkt_00000001.png"));
  EXPECT_EQ(TemporaryFiles(), 0) << "nothing is left of the writing";
  EXPECT_EQ(CfgNextShot, 2);
  EXPECT_EQ(ReportRecorder::NewestText(), "data/shots/zkt_00000001.png") << "the path is shown";
  CfgSsType = IMAGE_TIFF;
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_TRUE(std::filesystem::is_regular_file("data/shots/zkt_00000002.tif"));
  EXPECT_EQ(CfgNextShot, 3);
}

TEST_F(Shots, NumbersWhoseFileExistsArePassedOver) {
  Touch("data/shots/zkt_00000002.png");
  Touch("data/shots/ZKT_00000003.PNG");  // any case
  Touch("data/shots/zkt_00000004.jpg");  // another format's file leaves the number free
  CfgNextShot = 2;
  char name[SHOT_NAME_SIZE];
  ASSERT_EQ(NextShotName("png", name, sizeof name), 1);
  EXPECT_STREQ(name, "zkt_00000004");
  EXPECT_EQ(CfgNextShot, 5);
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_TRUE(std::filesystem::is_regular_file("data/shots/zkt_00000005.png"));
  EXPECT_EQ(std::filesystem::file_size("data/shots/zkt_00000002.png"), 1u) << "never overwritten";
  // A number below the first starts at the first.
  CfgNextShot = 0;
  ASSERT_EQ(NextShotName("png", name, sizeof name), 1);
  EXPECT_STREQ(name, "zkt_00000001");
  EXPECT_EQ(CfgNextShot, 2);
}

// A shot file's number is any run of digits between "zkt_" and the extension, however short:
// "zkt_7" takes 7.  A name with a letter among its digits or with no digits at all takes no
// number.
TEST_F(Shots, AShortNumberTakesItsNumberAndANameWithoutDigitsTakesNone) {
  Touch("data/shots/zkt_7.png");
  Touch("data/shots/zkt_x8.png");
  Touch("data/shots/zkt_9y.png");
  Touch("data/shots/zkt_.png");
  char name[SHOT_NAME_SIZE];
  CfgNextShot = 7;
  ASSERT_EQ(NextShotName("png", name, sizeof name), 1);
  EXPECT_STREQ(name, "zkt_00000008") << "7 is taken by zkt_7, 8 is free";
  CfgNextShot = 9;
  ASSERT_EQ(NextShotName("png", name, sizeof name), 1);
  EXPECT_STREQ(name, "zkt_00000009");
}

TEST_F(Shots, TheLastNumberIsUsedAndThenNoneIsLeft) {
  ReportRecorder recorder;
  CfgNextShot = 99999999;
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_TRUE(std::filesystem::is_regular_file("data/shots/zkt_99999999.png"));
  EXPECT_EQ(CfgNextShot, 100000000) << "the configuration reads it back as 99999999";
  const size_t files = size_t(std::distance(std::filesystem::directory_iterator("data/shots"), {}));
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_EQ(ScreenshotRequest, 0);
  EXPECT_EQ(ReportRecorder::NewestText(), "No free screenshot number (every one up to 99999999 is taken)");
  EXPECT_EQ(size_t(std::distance(std::filesystem::directory_iterator("data/shots"), {})), files);
  EXPECT_EQ(CfgNextShot, 100000000);
}

TEST_F(Shots, AFailedWriteSaysSoAndClearsTheRequest) {
  ReportRecorder recorder;
  std::filesystem::remove_all("data/shots");
  Touch("data/shots");  // a file where the folder should be
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_EQ(ScreenshotRequest, 0);
  // One line, naming the file and why it could not be written.
  EXPECT_EQ(ReportRecorder::NewestText(), "Could not write file : ^Ldata/shots/zkt_00000001.png^8 : Not a directory");
  EXPECT_EQ(ReportRecorder::Reports().lines.size(), 1u);
  std::filesystem::remove("data/shots");
}

TEST_F(Shots, AHighResolutionCaptureNeedsItsRenderTexture) {
  ReportRecorder recorder;
  CfgScreenFlags |= 0x10000000u;
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_EQ(ScreenshotRequest, 0);
  EXPECT_EQ(ReportRecorder::CountLines("No render target texture"), 1);
  EXPECT_FALSE(std::filesystem::exists("data/shots/zkt_00000001.png"));
}

TEST_F(Shots, NamedShotsOfTheControlLink) {
  ReportRecorder recorder;
  std::snprintf(PendingShotName, SHOT_NAME_SIZE, "lap_one");
  PendingShotConnection = 2;
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_TRUE(std::filesystem::is_regular_file("data/shots/lap_one.png"));
  EXPECT_STREQ(LastShotName, "lap_one");
  ASSERT_EQ(g_replies.size(), 1u);
  EXPECT_EQ(g_replies[0], std::make_pair(2, 0));
  EXPECT_EQ(CfgNextShot, 1) << "a named shot takes no number";
  EXPECT_EQ(PendingShotConnection, SHOT_NO_CONNECTION);

  // The same name again would overwrite: refused, and the file stays as it was.
  const auto size = std::filesystem::file_size("data/shots/lap_one.png");
  std::snprintf(PendingShotName, SHOT_NAME_SIZE, "lap_one");
  PendingShotConnection = 3;
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_EQ(g_replies.back(), std::make_pair(3, 3));
  EXPECT_EQ(std::filesystem::file_size("data/shots/lap_one.png"), size);
  EXPECT_EQ(TemporaryFiles(), 0);

  // A name that would leave the folder is refused before anything is written.
  std::snprintf(PendingShotName, SHOT_NAME_SIZE, "../escape");
  PendingShotConnection = 4;
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_EQ(g_replies.back(), std::make_pair(4, 3));
  EXPECT_FALSE(std::filesystem::exists("data/escape.png"));
}

TEST_F(Shots, OtherRequestsAreCleared) {
  ScreenshotRequest = 7;
  TakeScreenshot();
  EXPECT_EQ(ScreenshotRequest, 0);
  EXPECT_TRUE(std::filesystem::is_empty("data/shots"));
}

TEST_F(Shots, TheClipboardCopyWithoutX11SaysItNeedsIt) {
  ReportRecorder recorder;
  ScreenshotRequest = 2;
  TakeScreenshot();
  EXPECT_EQ(ScreenshotRequest, 0);
  EXPECT_EQ(ReportRecorder::NewestText(), "Clipboard pictures need the X11 display");
}

TEST(ClipboardBitmap, ABlockWithoutItsRowsMakesNoPicture) {
  ReportRecorder recorder;
  ClipboardPicture picture;
  std::vector<uint8_t> block;
  EXPECT_EQ(GetDDB(block, picture), 0);
  EXPECT_EQ(ReportRecorder::NewestText(), "GetDDB : GlobalLock failed");
  std::vector<uint8_t> rgba(4 * 4 * 3, 200);
  BuildPackedBitmap(PictureRows{4, 3, rgba.data(), 16, 0, 1}, block);
  ASSERT_EQ(GetDDB(block, picture), 1);
  EXPECT_EQ(picture.bmp.size(), 14 + block.size());
  EXPECT_EQ(picture.png[1], 'P');
  block.pop_back();  // one byte of the last row missing
  EXPECT_EQ(GetDDB(block, picture), 0);
  EXPECT_EQ(ReportRecorder::NewestText(), "GetDDB : CreateDIBitmap failed");
}

}  // namespace
