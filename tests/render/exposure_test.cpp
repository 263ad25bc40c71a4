// exposure_test.cpp - the exposure region chosen from a chain's levels (margins, the least
// area, stereo eyes and their frusta), the luminance bins, and the read's pending flag across
// the eyes, on the null device.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "render/constant_buffers.h"
#include "render/exposure.h"
#include "render/post_process.h"
#include "render/texture_record.h"
#include "tests/core/report_recorder.h"
#include "tests/render/null_renderer.h"
#include "text/messages.h"

namespace {

// A chain whose levels have the given sizes, largest first (records only: no device objects).
struct FakeChain {
  std::vector<ZKTETexture> levels;
  PostChain chain{};
  explicit FakeChain(std::vector<std::pair<int, int>> sizes) : levels(sizes.size()) {
    for (size_t i = 0; i < sizes.size(); ++i) {
      levels[i].width = sizes[i].first;
      levels[i].height = sizes[i].second;
      levels[i].format = GFX_FORMAT_R16G16B16A16_FLOAT;
      chain.targets[i] = &levels[i];
    }
    chain.count = int(sizes.size());
  }
};

class ExposureRegion : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetExposure();
    saved_ = Gfx.featureLevel;
    Gfx.featureLevel = GFX_FEATURE_LEVEL_11_0;
  }
  void TearDown() override {
    Gfx.featureLevel = saved_;
    VrEyeTangents = EyeTangents{};
    DebugMessagesOn = 0;
    ResetExposure();
  }
  GfxFeatureLevel saved_;
  ReportRecorder recorder_;
};

TEST_F(ExposureRegion, TheSmallestLevelWithEnoughAreaInsideTheMarginIsTaken) {
  DebugMessagesOn = 1;
  FakeChain tooSmall({{64, 48}, {40, 30}});  // 48 x 32 and 24 x 14 are below 1920
  EXPECT_EQ(ChooseExposureRegion(tooSmall.chain, 0), 0);
  ASSERT_NE(ReportRecorder::NewestText(), "");
  // The multiplication sign of code page 0 (Latin 1, byte 0xD7) between the sizes.
  EXPECT_EQ(ReportRecorder::NewestText(), "No suitable size for ReadSurf [src 64\xD7" "48]");

  FakeChain chain({{160, 120}, {80, 60}, {64, 48}, {40, 30}});
  ASSERT_EQ(ChooseExposureRegion(chain.chain, 0), 1);
  const ExposureReadState& e = ExposureRead;
  EXPECT_EQ(e.level, 1) << "80 x 60 leaves 64 x 44 = 2816";
  EXPECT_EQ(e.left, 8);
  EXPECT_EQ(e.top, 8);
  EXPECT_EQ(e.width, 64);
  EXPECT_EQ(e.height, 44);
  EXPECT_EQ(e.format, GFX_FORMAT_R16G16B16A16_FLOAT);

  PostChain empty{};
  EXPECT_EQ(ChooseExposureRegion(empty, 0), 0);
  EXPECT_NE(ReportRecorder::NewestText().find("Exposure error: NumBlurResize = 0"), std::string::npos);
}

TEST_F(ExposureRegion, BelowFeatureLevel11TheMarginAndTheLeastAreaAreSmaller) {
  Gfx.featureLevel = GFX_FEATURE_LEVEL_10_1;
  FakeChain chain({{40, 30}, {20, 15}, {10, 8}});
  ASSERT_EQ(ChooseExposureRegion(chain.chain, 0), 1);
  EXPECT_EQ(ExposureRead.level, 1) << "16 x 11 = 176 of at least 120";
  EXPECT_EQ(ExposureRead.left, 2);
  EXPECT_EQ(ExposureRead.width, 16);
}

TEST_F(ExposureRegion, StereoRegionsCoverBothEyes) {
  FakeChain chain({{80, 60}, {48, 40}});  // 32 x 24 = 768: too small even for an eye
  ASSERT_EQ(ChooseExposureRegion(chain.chain, 1), 1);
  EXPECT_EQ(ExposureRead.level, 0);
  EXPECT_EQ(ExposureRead.width, 128) << "twice the eye's 64";
  EXPECT_EQ(ExposureRead.secondLeft, 80 - 8 - 64);

  // With the eye's frusta the region is centred on the view direction.
  VrEyeTangents = EyeTangents{1, {1.0f, 0.6f}, {0.8f, 0.8f}};
  ResetExposure();
  ASSERT_EQ(ChooseExposureRegion(chain.chain, 1), 1);
  const float c = 0.577f;  // the tangents' half-angle, at most 30 degrees
  EXPECT_EQ(ExposureRead.level, 1) << "35 x 29 of the small level is enough for an eye";
  EXPECT_EQ(ExposureRead.left, int(std::lround((1.0f - c) / 1.6f * 48)));
  EXPECT_EQ(ExposureRead.width, 2 * int(std::lround(2 * c / 1.6f * 48)));
  EXPECT_EQ(ExposureRead.top, int(std::lround((0.8f - c) / 1.6f * 40)));
  EXPECT_EQ(ExposureRead.height, int(std::lround(2 * c / 1.6f * 40)));
  EXPECT_EQ(ExposureRead.secondLeft, 48 - ExposureRead.left - ExposureRead.width / 2);
}

// The least area is taken itself: 64 x 56 leaves 48 x 40 = 1920 inside the margin of 8,
// 64 x 55 only 48 x 39; an eye needs 960 (56 x 40 leaves 40 x 24); below feature level 11
// the margin is 2 and the least area 120 (16 x 14 leaves 12 x 10).
TEST_F(ExposureRegion, TheLeastAreaItselfIsEnoughAndOneRowLessIsNot) {
  FakeChain exact({{64, 56}});
  EXPECT_EQ(ChooseExposureRegion(exact.chain, 0), 1);
  EXPECT_EQ(ExposureRead.width * ExposureRead.height, 1920);
  ResetExposure();
  FakeChain short1({{64, 55}});
  EXPECT_EQ(ChooseExposureRegion(short1.chain, 0), 0);
  FakeChain eye({{56, 40}});
  EXPECT_EQ(ChooseExposureRegion(eye.chain, 1), 1);
  EXPECT_EQ(ExposureRead.width, 2 * 40);
  ResetExposure();
  FakeChain eyeShort({{56, 39}});
  EXPECT_EQ(ChooseExposureRegion(eyeShort.chain, 1), 0);
  Gfx.featureLevel = GFX_FEATURE_LEVEL_10_1;
  FakeChain small({{16, 14}});
  EXPECT_EQ(ChooseExposureRegion(small.chain, 0), 1);
  EXPECT_EQ(ExposureRead.width * ExposureRead.height, 120);
  ResetExposure();
  FakeChain smallShort({{16, 13}});
  EXPECT_EQ(ChooseExposureRegion(smallShort.chain, 0), 0);
}

// A frustum far off centre puts the region partly outside the level: it is cut at the
// level's left (or top) edge, and at its right (or bottom) edge.  Tangents 0.2 and 1.0
// (half-angle 0.577, the largest): from (0.2 - 0.577) / 1.2 to (0.2 + 0.577) / 1.2 of the
// width; 0.8 and 0.8 give 0.5 -+ 0.577 / 1.6 of the height.
TEST_F(ExposureRegion, AFrustumOffCentreIsCutAtTheLevelsEdges) {
  FakeChain chain({{80, 60}, {48, 40}});
  const float c = 0.577f;
  VrEyeTangents = EyeTangents{1, {0.2f, 1.0f}, {0.8f, 0.8f}};
  ASSERT_EQ(ChooseExposureRegion(chain.chain, 1), 1);
  ASSERT_EQ(ExposureRead.level, 1);
  EXPECT_EQ(ExposureRead.left, 0) << "cut at the left edge";
  EXPECT_EQ(ExposureRead.width, 2 * int(std::lround(2 * c / 1.2f * 48)));
  EXPECT_EQ(ExposureRead.secondLeft, 48 - ExposureRead.width / 2);

  ResetExposure();
  VrEyeTangents = EyeTangents{1, {1.0f, 0.2f}, {0.2f, 1.0f}};
  ASSERT_EQ(ChooseExposureRegion(chain.chain, 1), 1);
  ASSERT_EQ(ExposureRead.level, 1);
  const int left = int(std::lround((1.0f - c) / 1.2f * 48));
  EXPECT_EQ(ExposureRead.left, left);
  EXPECT_EQ(ExposureRead.width, 2 * (48 - left)) << "cut at the right edge";
  EXPECT_EQ(ExposureRead.top, 0) << "cut at the top edge";
  EXPECT_EQ(ExposureRead.height, int(std::lround(2 * c / 1.2f * 40)));
}

TEST(ExposureBins, FourBinsAnOctaveFromTwoToTheMinusTwelve) {
  EXPECT_EQ(ExposureBin(0, 0, 0), 0);
  EXPECT_EQ(ExposureBin(-1, -1, -1), 0);
  EXPECT_EQ(ExposureBin(NAN, 0, 0), 0);
  EXPECT_EQ(ExposureBin(1.1f, 1.1f, 1.1f), 48);  // 2^0 to 2^0 x 1.25
  EXPECT_EQ(ExposureBin(1.3f, 1.3f, 1.3f), 49);
  EXPECT_EQ(ExposureBin(1.8f, 1.8f, 1.8f), 51);
  EXPECT_EQ(ExposureBin(0.5f, 0.5f, 0.5f), 44);
  EXPECT_EQ(ExposureBin(1e-9f, 1e-9f, 1e-9f), 0);
  EXPECT_EQ(ExposureBin(1e6f, 0, 0), 63);
  EXPECT_EQ(ExposureBin(INFINITY, 0, 0), 63);
  EXPECT_EQ(ExposureBin(0, 1, 0), ExposureBin(0.7152f, 0.7152f, 0.7152f)) << "green weighs 0.7152";
  for (int b = 0; b < 64; ++b) {
    const float l = ExposureBinLuminance(b);
    EXPECT_EQ(ExposureBin(l, l, l), b) << "the middle of a bin falls in it";
  }
  uint32_t h[EXPOSURE_BINS] = {};
  EXPECT_EQ(HistogramMeanLuminance(h), 0.0f);
  h[48] = 3;
  h[44] = 1;
  EXPECT_NEAR(HistogramMeanLuminance(h), (3 * 1.125f + 0.5625f) / 4, 1e-6f);
}

using ExposureReads = NullRenderer;

TEST_F(ExposureReads, TheFirstEyeLeavesNothingPendingAndTheSecondCompletesTheRead) {
  ResetExposure();
  FakeChain chain({{80, 60}});
  ASSERT_EQ(SetupExposureReadback(chain.chain, 1), 1);
  EXPECT_EQ(ExposureRead.readPending, 0);
  EXPECT_EQ(ExposureRead.state, EXPOSURE_NO_VALUE);
  ASSERT_EQ(SetupExposureReadback(chain.chain, 2), 1);
  EXPECT_EQ(ExposureRead.readPending, 1);
  EXPECT_EQ(ExposureRead.state, EXPOSURE_WAITING);
  EXPECT_EQ(SetupExposureReadback(chain.chain, 2), 0) << "pending: no second read";
  // The next frame's first eye collects it.
  ASSERT_EQ(SetupExposureReadback(chain.chain, 1), 1);
  EXPECT_EQ(ExposureRead.state, EXPOSURE_VALUE);
  ResetExposure();
}

TEST_F(ExposureReads, AReaderThatCannotBeMadeEndsMeteringAndShowsTheFrames) {
  ResetExposure();
  ReportRecorder recorder;
  const GfxFeatureLevel saved = Gfx.featureLevel;
  Gfx.featureLevel = GFX_FEATURE_LEVEL_10_1;
  FakeChain chain({{80, 60}});
  chain.levels[0].format = GFX_FORMAT_UNKNOWN;  // no readable surface of that format
  EXPECT_EQ(SetupExposureReadback(chain.chain, 0), 0);
  EXPECT_EQ(ExposureRead.state, EXPOSURE_FAILED);
  ASSERT_NE(ReportRecorder::NewestText(), "");
  EXPECT_NE(ReportRecorder::NewestText().find("Exposure error: CreateReadSurf failed"), std::string::npos);
  EXPECT_EQ(SetupExposureReadback(chain.chain, 0), 0) << "no further attempts";
  Gfx.featureLevel = saved;
  ResetExposure();
}

}  // namespace
