// screenshot_gpu_test.cpp - screenshots of a real back buffer: each format read back with
// ImageMagick against the frame (exact for BMP, PNG and TIFF, bounded for JPEG and GIF) with
// its metadata; multisampled and 16-bit float pictures resolved and converted; the 3840 x 2160
// capture; the clipboard's packed bitmap of the screen.  The device is made by the
// environment of render_gpu_test.cpp (64 x 48).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "core/config.h"
#include "platform/files.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/image_files.h"
#include "render/render_target.h"
#include "render/screenshot.h"
#include "render/texture_record.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/render/float_target.h"
#include "tests/render/image_reading.h"

namespace {

class ScreenshotPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
    width_ = Gfx.screenWidth;
    height_ = Gfx.screenHeight;
    savedNext_ = CfgNextShot;
    savedType_ = CfgSsType;
    savedFlags_ = CfgScreenFlags;
    std::filesystem::remove_all("data/shots");
    std::filesystem::create_directories("data");  // the shots folder is made when missing
  }
  void TearDown() override {
    if (Gfx.initState != 2) return;
    CaptureSourceOverride = GfxTexture2D{};
    while (RenderTargets.depth > 0) UnsetRenderTarget();
    ReleaseRenderTextureAndQuad();
    CfgNextShot = savedNext_;
    CfgSsType = savedType_;
    CfgScreenFlags = savedFlags_;
    std::filesystem::remove_all("data/shots");
  }

  // The folder emptied, or made when missing.
  static void MakeEmptyFolder(const std::filesystem::path& folder) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  // A 1 x 1 RGBA texture of default usage (not readable by the CPU) holding the texel given.
  static GfxResult MakeOneTexelTexture(const uint8_t (&texel)[4], GfxTexture2D* texture) {
    GfxTexture2DDesc d;
    d.width = 1;
    d.height = 1;
    d.mipLevels = 1;
    d.format = GFX_FORMAT_R8G8B8A8_UNORM;
    d.usage = GFX_USAGE_DEFAULT;
    GfxSubresourceData initial;
    initial.data = texel;
    initial.rowPitch = 4;
    return GfxCreateTexture2D(Gfx.device, d, &initial, texture);
  }

  // 8 x 8 blocks of flat colours, written straight into the back buffer's bytes.
  std::vector<uint8_t> FillBackBuffer() {
    std::vector<uint8_t> p(size_t(width_) * height_ * 4);
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const int block = (y / 8) * 16 + x / 8;
        uint8_t* q = &p[(size_t(y) * width_ + x) * 4];
        q[0] = uint8_t(block * 53 + 11);
        q[1] = uint8_t(250 - block * 19);
        q[2] = uint8_t(block * 97);
        q[3] = 255;
      }
    GfxTexture2D back;
    EXPECT_EQ(GfxSwapChainGetBuffer(Gfx.swapChain, 0, &back), GFX_OK);
    GfxUpdateSubresource(Gfx.context, back, 0, nullptr, p.data(), uint32_t(width_) * 4, 0);
    GfxRelease(back);
    return p;
  }

  // The staging texture's pixels (RGBA), checked for its size.
  static std::vector<uint8_t> ReadStaging(GfxTexture2D staging, int width, int height) {
    std::vector<uint8_t> out;
    GfxTexture2DDesc d;
    GfxGetDesc(staging, &d);
    EXPECT_EQ(d.format, GFX_FORMAT_R8G8B8A8_UNORM_SRGB);
    EXPECT_EQ(int(d.width), width);
    EXPECT_EQ(int(d.height), height);
    GfxMappedSubresource m;
    if (GfxMapResource(Gfx.context, staging, 0, GFX_MAP_READ, &m) != GFX_OK) return out;
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(m.data) + size_t(y) * m.rowPitch;
      out.insert(out.end(), row, row + size_t(width) * 4);
    }
    GfxUnmap(Gfx.context, staging, 0);
    return out;
  }

  int width_ = 0, height_ = 0, savedNext_ = 0, savedType_ = 0;
  uint32_t savedFlags_ = 0;
};

TEST_F(ScreenshotPixels, EveryFormatHoldsTheFrameAndItsMetadata) {
  if (!ImageMagickPresent()) GTEST_SKIP() << "ImageMagick is not installed";
  const std::vector<uint8_t> frame = FillBackBuffer();
  const std::string software = ImageSoftwareName();
  for (int container = 0; container < IMAGE_CONTAINER_COUNT; ++container) {
    CfgNextShot = 1;
    CfgSsType = container;
    ScreenshotRequest = 1;
    TakeScreenshot();
    EXPECT_EQ(ScreenshotRequest, 0);
    EXPECT_EQ(CfgNextShot, 2);
    const std::string path = std::string("data/shots/zkt_00000001.") + ImageExtension(container);
    const std::vector<uint8_t> rgb = ReadPictureRgb(path);
    ASSERT_EQ(rgb.size(), size_t(width_) * height_ * 3) << path;
    int worst = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        if (container == IMAGE_JPEG && (x % 8 < 2 || x % 8 > 5 || y % 8 < 2 || y % 8 > 5)) continue;
        for (int c = 0; c < 3; ++c)
          worst = std::max(worst, std::abs(int(frame[(size_t(y) * width_ + x) * 4 + c]) -
                                           int(rgb[(size_t(y) * width_ + x) * 3 + c])));
      }
    const int bound = container == IMAGE_JPEG ? 8 : container == IMAGE_GIF ? 26 : 0;
    EXPECT_LE(worst, bound) << path;
    const std::string info = IdentifyVerbose(path);
    if (container == IMAGE_PNG) {
      EXPECT_NE(info.find("Software: " + software), std::string::npos);
      EXPECT_NE(info.find("png:sRGB: intent=0"), std::string::npos);
    } else if (container == IMAGE_JPEG) {
      EXPECT_NE(info.find("exif:Software: " + software), std::string::npos);
      EXPECT_NE(info.find("exif:ColorSpace: 1"), std::string::npos);
    } else if (container == IMAGE_TIFF) {
      EXPECT_NE(info.find("tiff:software: " + software), std::string::npos);
      EXPECT_EQ(TiffExifColourSpace(path), 1);
    }
  }
}

TEST_F(ScreenshotPixels, MultisampledAndFloatPicturesAreResolvedAndConverted) {
  const int w = 16, h = 8;
  // Four samples of 8-bit sRGB, cleared to a linear 0.25 / 0.5 / 1.0.
  GfxTexture2DDesc d;
  d.width = w;
  d.height = h;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
  d.sampleDesc.count = 4;
  d.bindFlags = GFX_BIND_RENDER_TARGET;
  GfxTexture2D ms;
  ASSERT_EQ(GfxCreateTexture2D(Gfx.device, d, nullptr, &ms), GFX_OK);
  GfxViewDesc v;
  v.dimension = GFX_VIEW_TEXTURE2DMS;
  GfxRenderTargetView msView;
  ASSERT_EQ(GfxCreateRenderTargetView(Gfx.device, ms, &v, &msView), GFX_OK);
  const float colour[4] = {0.25f, 0.5f, 1.0f, 1.0f};
  GfxClearRenderTargetView(Gfx.context, msView, colour);
  CaptureSourceOverride = ms;
  GfxTexture2D shot = GetScreenshotTexture();
  ASSERT_TRUE(shot);
  std::vector<uint8_t> p = ReadStaging(shot, w, h);
  ASSERT_EQ(p.size(), size_t(w) * h * 4);
  EXPECT_EQ(p[0], SrgbByte(0.25f));
  EXPECT_EQ(p[1], SrgbByte(0.5f));
  EXPECT_EQ(p[2], 255);
  GfxRelease(shot);

  // 16-bit float, one sample: each value encoded as sRGB, beyond 1 clamped.
  std::vector<float> values(size_t(w) * h * 4);
  for (int i = 0; i < w * h; ++i) {
    values[size_t(i) * 4 + 0] = float(i % w) / float(w);
    values[size_t(i) * 4 + 1] = 0.5f;
    values[size_t(i) * 4 + 2] = 3.0f;
    values[size_t(i) * 4 + 3] = 1.0f;
  }
  {
    FloatTarget float16(w, h, &values);
    CaptureSourceOverride = float16.record.texture;
    shot = GetScreenshotTexture();
    ASSERT_TRUE(shot);
    p = ReadStaging(shot, w, h);
    for (int x : {0, 3, 8, 15}) {
      EXPECT_NEAR(p[size_t(x) * 4 + 0], SrgbByte(float(x) / float(w)), 1) << x;
      EXPECT_NEAR(p[size_t(x) * 4 + 1], SrgbByte(0.5f), 1);
      EXPECT_EQ(p[size_t(x) * 4 + 2], 255);
    }
    GfxRelease(shot);
  }

  // 16-bit float with four samples.
  d.format = GFX_FORMAT_R16G16B16A16_FLOAT;
  GfxTexture2D msFloat;
  ASSERT_EQ(GfxCreateTexture2D(Gfx.device, d, nullptr, &msFloat), GFX_OK);
  GfxRenderTargetView msFloatView;
  ASSERT_EQ(GfxCreateRenderTargetView(Gfx.device, msFloat, &v, &msFloatView), GFX_OK);
  const float hdr[4] = {0.5f, 2.0f, 0.0f, 1.0f};
  GfxClearRenderTargetView(Gfx.context, msFloatView, hdr);
  CaptureSourceOverride = msFloat;
  const int live = GfxLiveObjectCount();
  shot = GetScreenshotTexture();
  ASSERT_TRUE(shot);
  p = ReadStaging(shot, w, h);
  EXPECT_NEAR(p[0], SrgbByte(0.5f), 1);
  EXPECT_EQ(p[1], 255);
  EXPECT_EQ(p[2], 0);
  GfxRelease(shot);
  EXPECT_EQ(GfxLiveObjectCount(), live) << "the resolved and drawn pictures between are released";
  CaptureSourceOverride = GfxTexture2D{};
  GfxRelease(msFloatView);
  GfxRelease(msFloat);
  GfxRelease(msView);
  GfxRelease(ms);
}

TEST_F(ScreenshotPixels, TheHighResolutionCaptureTakesTheWholeRenderTexture) {
  if (!ImageMagickPresent()) GTEST_SKIP() << "ImageMagick is not installed";
  CfgScreenFlags |= 0x10000000u;
  for (int kind : {1, 2}) {
    ASSERT_EQ(SetRenderTargetTexture(3840, 2160, kind), kind);
    ClearRGBA(std::array<float, 4>{0.5f, 0.25f, 0.0f, 1.0f}.data());
    UnsetRenderTarget();
    EXPECT_EQ(Gfx.screenWidth, width_) << "back to the screen's size";
    GfxTexture2D shot = GetScreenshotTexture();
    ASSERT_TRUE(shot) << kind;
    const std::vector<uint8_t> p = ReadStaging(shot, 3840, 2160);
    ASSERT_EQ(p.size(), size_t(3840) * 2160 * 4);
    const size_t last = (size_t(2159) * 3840 + 3839) * 4;
    EXPECT_NEAR(p[last + 0], SrgbByte(0.5f), 1) << kind;
    EXPECT_NEAR(p[last + 1], SrgbByte(0.25f), 1) << kind;
    GfxRelease(shot);
    EXPECT_EQ(Gfx.screenWidth, width_);
  }
  CfgNextShot = 1;
  CfgSsType = IMAGE_PNG;
  ScreenshotRequest = 1;
  TakeScreenshot();
  EXPECT_NE(IdentifyVerbose("data/shots/zkt_00000001.png").find("Geometry: 3840x2160"), std::string::npos);
}

// A texture the CPU cannot read is copied into a readable one before it is written: one
// texel of red 200, green 100, blue 50 makes a 24-bit BMP of 14 + 40 header bytes and one row
// of 3 bytes padded to 4, 58 in all, its texel stored blue first at byte 54.
TEST_F(ScreenshotPixels, ATextureTheCpuCannotReadIsSavedWithItsOwnPixels) {
  const std::filesystem::path folder = "data/one_texel_shot";
  MakeEmptyFolder(folder);
  const uint8_t texel[4] = {200, 100, 50, 255};
  GfxTexture2D texture;
  ASSERT_EQ(MakeOneTexelTexture(texel, &texture), GFX_OK);
  const std::string path = (folder / "one.bmp").string();
  EXPECT_EQ(SaveWICTextureToFile(Gfx.context, texture, IMAGE_BMP, path.c_str(), GFX_FORMAT_UNKNOWN, nullptr), GFX_OK);
  GfxRelease(texture);
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::filesystem::remove_all(folder);
  ASSERT_EQ(bytes.size(), 58u);
  EXPECT_EQ(bytes[54], 50);
  EXPECT_EQ(bytes[55], 100);
  EXPECT_EQ(bytes[56], 200);
}

// A picture whose bytes cannot all be written (here the file-size limit, whose signal the
// program ignores so the write fails with EFBIG) is refused, and its temporary file is removed:
// the folder is left empty.  The 1 x 1 bitmap is 54 header bytes and 4 of pixels; 16 fit.
TEST_F(ScreenshotPixels, AFailedWriteLeavesNoTemporaryFile) {
  const std::filesystem::path folder = "data/failed_shot";
  MakeEmptyFolder(folder);
  const uint8_t texel[4] = {200, 100, 50, 255};
  GfxTexture2D texture;
  ASSERT_EQ(MakeOneTexelTexture(texel, &texture), GFX_OK);
  const std::string path = (folder / "one.bmp").string();
  IgnoreFileSizeLimitSignal();  // as the program does at start-up: else the signal ends it
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const GfxResult saveResult =
      SaveWICTextureToFile(Gfx.context, texture, IMAGE_BMP, path.c_str(), GFX_FORMAT_UNKNOWN, nullptr);
  setrlimit(RLIMIT_FSIZE, &saved);
  GfxRelease(texture);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) left.push_back(entry.path().filename().string());
  std::filesystem::remove_all(folder);
  EXPECT_EQ(saveResult, GFX_E_FAIL);
  EXPECT_TRUE(left.empty()) << left.size() << " left, the first " << (left.empty() ? "" : left[0]);
}

// The clipboard's packed bitmap and the picture kept in memory (request 3) both hold the
// screen's pixels top row first.
TEST_F(ScreenshotPixels, ThePackedBitmapOfTheScreenIsBgrTopFirstAndTheKeptPictureRgb) {
  const std::vector<uint8_t> frame = FillBackBuffer();
  std::vector<uint8_t> block;
  ASSERT_EQ(GetGlobalDIB(block), 1);
  const uint32_t stride = BitmapRowBytes(width_);
  ASSERT_EQ(block.size(), 40 + size_t(stride) * height_);
  int32_t height;
  std::memcpy(&height, &block[8], 4);
  EXPECT_EQ(height, -height_);
  ScreenshotRequest = 3;
  TakeScreenshot();
  EXPECT_EQ(ScreenshotRequest, 0);
  ASSERT_EQ(KeptShot.width, width_);
  ASSERT_EQ(KeptShot.height, height_);
  for (int y : {0, 9, height_ - 1})
    for (int x : {0, 17, width_ - 1}) {
      const uint8_t* bgr = &block[40 + size_t(y) * stride + size_t(x) * 3];
      const uint8_t* rgba = &frame[(size_t(y) * width_ + x) * 4];
      EXPECT_EQ(bgr[0], rgba[2]);
      EXPECT_EQ(bgr[1], rgba[1]);
      EXPECT_EQ(bgr[2], rgba[0]);
      EXPECT_EQ(KeptShot.pixels[size_t(y) * width_ + x], uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2]);
    }
}

}  // namespace
