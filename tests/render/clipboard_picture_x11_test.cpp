// clipboard_picture_x11_test.cpp - clipboard pictures on a real X server (Xvfb in the test
// run), read by another program: xclip asks our owner for its targets, for "image/png" and
// "image/bmp" (large pictures in pieces), and what it gets equals the screen; a 1918-pixel
// wide picture has 5756-byte rows; taking the clipboard elsewhere makes the owner let go.
// Skipped without a display, xclip or ImageMagick.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/report.h"
#include "platform/image_clipboard.h"
#include "platform/window.h"
#include "render/device.h"
#include "render/screenshot.h"
#include "tests/core/report_recorder.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/render/image_reading.h"

namespace {

bool g_ready = false;

class X11Environment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!std::getenv("DISPLAY") || std::system("command -v xclip > /dev/null 2>&1") != 0 || !ImageMagickPresent())
      return;
    setenv("SDL_VIDEODRIVER", "x11", 1);
    if (!PlatformVideoStart()) return;
    if (!PlatformCreateWindow("clipboard pictures", 0, 0, 64, 48, WINDOW_OPENGL | WINDOW_HIDDEN)) return;
    g_ready = StartTestDevice(64, 48);
  }
  void TearDown() override {
    if (Gfx.initState == 2) ShutdownGraphics();
    PlatformDestroyWindow();
    PlatformVideoStop();
  }
};
const auto* g_env = ::testing::AddGlobalTestEnvironment(new X11Environment);

// What xclip reads of a target; tried a few times while the owner is busy or just changed.
std::string ReadTarget(const char* target) {
  std::string out;
  for (int attempt = 0; attempt < 3 && out.empty(); ++attempt)
    out = RunAndCollect(std::string("timeout 10 xclip -o -selection clipboard -t ") + target + " 2>/dev/null");
  return out;
}

std::vector<uint8_t> RgbOfFile(const std::string& bytes, const char* name) {
  const std::string path = std::string("x11/") + name;
  std::filesystem::create_directories("x11");
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return {};
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return ReadPictureRgb(path);
}

// A picture of width x height in a plain texture: each pixel's bytes from its place.
GfxTexture2D PatternTexture(int width, int height, std::vector<uint8_t>& rgba) {
  rgba.resize(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* q = &rgba[(size_t(y) * width + x) * 4];
      q[0] = uint8_t(x * 7 + y);
      q[1] = uint8_t(y * 3);
      q[2] = uint8_t(x ^ y);
      q[3] = 255;
    }
  GfxTexture2DDesc d;
  d.width = uint32_t(width);
  d.height = uint32_t(height);
  d.format = GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxSubresourceData data{rgba.data(), uint32_t(width) * 4, 0};
  GfxTexture2D t;
  EXPECT_EQ(GfxCreateTexture2D(Gfx.device, d, &data, &t), GFX_OK);
  return t;
}

bool SameRgb(const std::vector<uint8_t>& rgba, const std::vector<uint8_t>& rgb) {
  if (rgb.size() * 4 != rgba.size() * 3) return false;
  for (size_t i = 0, j = 0; i < rgba.size(); i += 4, j += 3)
    if (rgba[i] != rgb[j] || rgba[i + 1] != rgb[j + 1] || rgba[i + 2] != rgb[j + 2]) return false;
  return true;
}

class ClipboardPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_ready) ZKT_SKIP_OUTSIDE_CI() << "needs an X display, xclip, ImageMagick and a device";
  }
  void TearDown() override { CaptureSourceOverride = GfxTexture2D{}; }
};

TEST_F(ClipboardPictures, AnotherProgramPastesTheScreen) {
  ReportRecorder recorder;
  std::vector<uint8_t> frame;
  GfxTexture2D pattern = PatternTexture(64, 48, frame);
  GfxTexture2D back;
  ASSERT_EQ(GfxSwapChainGetBuffer(Gfx.swapChain, 0, &back), GFX_OK);
  GfxCopyResource(Gfx.context, back, pattern);  // the pattern on screen
  GfxRelease(back);
  GfxRelease(pattern);
  ASSERT_EQ(PlatformClipboardPicturesAvailable(), 1);
  ScreenshotRequest = 2;
  TakeScreenshot();
  EXPECT_TRUE(ReportRecorder::Reports().lines.empty()) << ReportRecorder::NewestText();
  EXPECT_EQ(PlatformClipboardPictureOwned(), 1);
  const std::string targets = ReadTarget("TARGETS");
  EXPECT_NE(targets.find("image/png"), std::string::npos) << targets;
  EXPECT_NE(targets.find("image/bmp"), std::string::npos) << targets;
  const std::string png = ReadTarget("image/png");
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_TRUE(SameRgb(frame, RgbOfFile(png, "screen.png")));
  const std::string bmp = ReadTarget("image/bmp");
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_TRUE(SameRgb(frame, RgbOfFile(bmp, "screen.bmp")));
}

TEST_F(ClipboardPictures, LargePicturesGoInPiecesWithRowsOfTheirStride) {
  std::vector<uint8_t> picture;
  GfxTexture2D wide = PatternTexture(1918, 600, picture);  // 3.4 MB as a bitmap: many pieces
  CaptureSourceOverride = wide;
  CopyScreenToClipboard();
  CaptureSourceOverride = GfxTexture2D{};
  GfxRelease(wide);
  const std::string bmp = ReadTarget("image/bmp");
  ASSERT_EQ(bmp.size(), 14u + 40u + 5756u * 600u) << "5756-byte rows";
  int32_t height;
  std::memcpy(&height, bmp.data() + 14 + 8, 4);
  EXPECT_EQ(height, -600) << "top row first";
  const uint8_t* row1 = reinterpret_cast<const uint8_t*>(bmp.data()) + 54 + 5756;
  EXPECT_EQ(row1[3 * 10 + 2], picture[(1918 + 10) * 4 + 0]) << "red third";
  EXPECT_EQ(row1[3 * 10 + 0], picture[(1918 + 10) * 4 + 2]) << "blue first";
  const std::string png = ReadTarget("image/png");
  EXPECT_TRUE(SameRgb(picture, RgbOfFile(png, "wide.png")));
}

TEST_F(ClipboardPictures, TheOwnerLetsGoWhenAnotherProgramTakesTheClipboard) {
  CopyScreenToClipboard();
  ASSERT_EQ(PlatformClipboardPictureOwned(), 1);
  ASSERT_EQ(std::system("printf 'words' | timeout 10 xclip -i -selection clipboard -loops 1 > /dev/null 2>&1 &"), 0);
  for (int i = 0; i < 200 && PlatformClipboardPictureOwned(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(PlatformClipboardPictureOwned(), 0);
  EXPECT_EQ(ReadTarget("UTF8_STRING"), "words");
}

}  // namespace
