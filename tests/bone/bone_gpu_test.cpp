// bone_gpu_test.cpp - a bone's box drawn on a real GL context from above: its colour (through
// the brightness curve of the frame) shows where its centre lands, and nothing beyond its
// edges; under the editor's model transform, the bone placed in the model first.
#include <gtest/gtest.h>

#include <cmath>

#include "bone/bone.h"
#include "core/gamma_tables.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "text/text_colours.h"

namespace {

constexpr int SIZE = 128;
constexpr float PIXELS_PER_METRE = 32;
constexpr uint32_t CLEAR = 0xFF102030u;

int Column(double x) { return int(std::floor(SIZE / 2 + x * PIXELS_PER_METRE)); }
int Row(double y) { return int(std::floor(SIZE / 2 - y * PIXELS_PER_METRE)); }

class BoneBox : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetDefaultTextColours();
    BuildGammaTables();
    ready_ = StartTestDevice(SIZE, SIZE);
  }
  static void TearDownTestSuite() { StopTestDevice(); }
  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE, true));
    ASSERT_EQ(SetRenderTexture(&target, 0, 0, 0), 1);
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
    // From 20 m above looking down: x to the right, y up the picture.
    const float rows[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
    const float eye[3] = {0, 0, 20};
    LookOrthographic(rows, eye, SIZE / PIXELS_PER_METRE);
    LightingMode = 4;
    DrawOpaqueBothFaces();
  }
  void TearDown() override {
    if (!ready_) return;
    FreeAllMaterials();
    ReleaseTestTarget(target);
    ResetTestMatrices();
    RenderStates.pendingDepth = 0;
    RenderStates.pendingRaster = 0;
    LightingMode = 0;
  }
  static inline bool ready_ = false;
  ZKTETexture target{};
};

TEST_F(BoneBox, ABonesBoxShowsItsColourAtItsProjectedCentre) {
  Bone bone;
  bone.halfSize = {0.5f, 0.25f, 0.2f};
  bone.colour = 200u | 40u << 8 | 60u << 16;  // red in byte 0
  for (int k = 0; k < 9; ++k) bone.orientation[k] = k % 4 == 0 ? 1.0f : 0.0f;
  bone.position = {FixedFromMetres(0.5f), FixedFromMetres(-0.5f), 0};
  Clear(CLEAR, 3);
  bone.DrawBox();
  const std::vector<uint8_t> p = ReadTargetPixels(target);
  const uint32_t centre = PixelArgb(p, SIZE, Column(0.5), Row(-0.5));
  // The colour as the frame shows it: through the brightness curve.
  EXPECT_NEAR(int(centre >> 16 & 0xFF), int(BrightnessTable[200]), 1);
  EXPECT_NEAR(int(centre >> 8 & 0xFF), int(BrightnessTable[40]), 1);
  EXPECT_NEAR(int(centre & 0xFF), int(BrightnessTable[60]), 1);
  EXPECT_EQ(PixelArgb(p, SIZE, Column(0.5), Row(-0.5 + 0.4)), CLEAR) << "beyond its half length in y";
  EXPECT_EQ(PixelArgb(p, SIZE, Column(-0.2), Row(-0.5)), CLEAR) << "beyond its half length in x";
}

// The editor's model transform turns a quarter turn about z (x onto y) and moves 1 m along x;
// the bone sits at (0.5, -0.5) in the model, its long half (0.5 m) along the model's x.  The
// placement is applied after the bone's own: the centre lands at the turn of (0.5, -0.5), that
// is (0.5, 0.5), plus (1, 0), and the long half lies along y.
TEST_F(BoneBox, UnderAModelTransformTheBoneIsPlacedInTheModelThenTheModelInTheWorld) {
  Bone bone;
  bone.halfSize = {0.5f, 0.25f, 0.2f};
  bone.colour = 200u | 40u << 8 | 60u << 16;
  for (int k = 0; k < 9; ++k) bone.orientation[k] = k % 4 == 0 ? 1.0f : 0.0f;
  bone.position = {FixedFromMetres(0.5f), FixedFromMetres(-0.5f), 0};
  FixedTransform placement{};
  placement.rotation = {{0, -FIXED_ONE, 0, FIXED_ONE, 0, 0, 0, 0, FIXED_ONE}};  // (x, y) -> (-y, x)
  placement.translation = {FixedFromMetres(1.0f), 0, 0};
  const FixedTransform* kept = BoneModelTransform;
  BoneModelTransform = &placement;
  Clear(CLEAR, 3);
  bone.DrawBox();
  BoneModelTransform = kept;
  const std::vector<uint8_t> p = ReadTargetPixels(target);
  const uint32_t centre = PixelArgb(p, SIZE, Column(1.5), Row(0.5));
  EXPECT_NEAR(int(centre >> 16 & 0xFF), int(BrightnessTable[200]), 1);
  EXPECT_NEAR(int(centre >> 8 & 0xFF), int(BrightnessTable[40]), 1);
  EXPECT_NEAR(int(centre & 0xFF), int(BrightnessTable[60]), 1);
  EXPECT_NE(PixelArgb(p, SIZE, Column(1.5), Row(0.5 + 0.4)), CLEAR) << "the long half turned along y";
  EXPECT_EQ(PixelArgb(p, SIZE, Column(1.5 + 0.4), Row(0.5)), CLEAR) << "beyond its short half in x";
  EXPECT_EQ(PixelArgb(p, SIZE, Column(1.5), Row(-0.5)), CLEAR) << "not the bone's own offset added unturned";
  EXPECT_EQ(PixelArgb(p, SIZE, Column(0.5), Row(-0.5)), CLEAR) << "not where it stands without the transform";
}

}  // namespace
