// strip_ring_test.cpp - the strip ring (a strip stretched in place, the wrap of the ring, an
// owner leaving the world, clearing) and the view pixel-shader constants against a
// double-precision product, uploaded with the world matrix while shadows are drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <array>
#include <set>

#include "render/constant_buffers.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/shaders.h"
#include "render/strip_ring.h"
#include "render/view_constants.h"
#include "render/views.h"
#include "tests/render/null_renderer.h"

namespace {

const int32_t A[3] = {1, 2, 3}, B[3] = {4, 5, 6};
const uint32_t WORDS[3] = {7, 8, 9};

int Add(int previous, const void* owner, float intensity = 0.5f) {
  return AddTyreMark(A, B, WORDS, previous, 0x1234, owner, intensity);
}

class StripRingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearTyreMarks();
    std::fill(std::begin(Strips.segments), std::end(Strips.segments), StripSegment{});
  }
  void TearDown() override { ForgetWheelMarkSegmentsHook = nullptr; }
  const StripSegment& At(int i) { return Strips.segments[i]; }
};

TEST_F(StripRingTest, AHundredCallsMakeFourSegments) {
  const int owner = 0;
  std::set<int> used;
  int end = -1;
  for (int call = 1; call <= 100; ++call) {
    end = Add(end, &owner);
    used.insert(end);
    const int expected = call == 1 ? 0 : call == 2 ? 1 : call <= 82 ? 2 : 3;
    ASSERT_EQ(end, expected) << "call " << call;
    if (call == 81) {
      EXPECT_EQ(At(2).step, 80);
    }
    if (call == 82) {
      EXPECT_EQ(At(2).step, 1) << "the step count wraps from 81 to 1";
    }
  }
  EXPECT_EQ(used.size(), 4u);
  EXPECT_EQ(Strips.writeIndex, 4);
  EXPECT_EQ(At(0).step, STRIP_NEW_SEGMENT);
  EXPECT_EQ(At(1).step, STRIP_NEW_SEGMENT + 1);
  EXPECT_EQ(At(3).step, 19) << "taken at call 83 (258), stretched through call 100";
  EXPECT_EQ(At(0).intensity, 0) << "a strip's first segment";
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(At(i).previous, &At(i - 1)) << i;
    EXPECT_EQ(At(i - 1).next, &At(i)) << i;
    EXPECT_EQ(At(i).intensity, 128) << i;
  }
  EXPECT_EQ(At(3).next, nullptr);
  EXPECT_EQ(At(3).owner, &owner);
  EXPECT_EQ(At(3).value, 0x1234);
  EXPECT_EQ(At(3).words[2], 9u);
  EXPECT_EQ(At(3).b[1], 5);
}

TEST_F(StripRingTest, IntensityIsHeldToAByte) {
  const int first = Add(-1, nullptr);
  EXPECT_EQ(At(Add(first, nullptr, 2.0f)).intensity, 255);
  EXPECT_EQ(At(Add(first, nullptr, -1.0f)).intensity, 0);
  EXPECT_EQ(At(Add(first, nullptr, NAN)).intensity, 0);
  EXPECT_EQ(At(Add(-1, nullptr, 1.0f)).intensity, 0) << "no previous segment";
  EXPECT_EQ(At(Add(STRIP_RING_SIZE, nullptr, 1.0f)).previous, nullptr) << "an index beyond the ring starts a strip";
}

TEST_F(StripRingTest, The8193rdSegmentOverwritesTheFirstAndUnlinksItsSuccessor) {
  const int owner = 0;
  const int first = Add(-1, &owner);
  const int second = Add(first, &owner);
  ASSERT_EQ(At(second).previous, &At(first));
  for (int i = 2; i < STRIP_RING_SIZE; ++i) Add(-1, nullptr);
  EXPECT_EQ(Strips.writeIndex, 0);
  EXPECT_EQ(Strips.wrapped, 1);
  EXPECT_EQ(Add(-1, nullptr), 0) << "the 8193rd segment takes slot 0 again";
  EXPECT_EQ(At(second).previous, nullptr);
  EXPECT_EQ(At(second).intensity, 0);
  EXPECT_EQ(At(0).next, nullptr);
  EXPECT_EQ(At(0).owner, nullptr);
  EXPECT_EQ(Strips.writeIndex, 1);

  // A strip continued across the wrap point (slots 8190, 8191, 0): each of its segments
  // unlinks its successor when its slot is taken again.
  ClearTyreMarks();
  for (int i = 0; i < STRIP_RING_SIZE - 2; ++i) Add(-1, nullptr);
  const int a = Add(-1, &owner);      // slot 8190
  const int b = Add(a, &owner);       // slot 8191
  const int c = Add(b, &owner);       // slot 0, after the wrap
  ASSERT_EQ(c, 0);
  for (int i = 1; i < STRIP_RING_SIZE - 2; ++i) Add(-1, nullptr);
  Add(-1, nullptr);  // slot 8190 again
  EXPECT_EQ(At(b).previous, nullptr);
  Add(-1, nullptr);  // slot 8191 again
  EXPECT_EQ(At(c).previous, nullptr);
  EXPECT_EQ(At(c).intensity, 0);
}

TEST_F(StripRingTest, AnOwnerLeavingClearsItsSegmentsAndTheirNeighboursOnlyWhereWritten) {
  const int x = 0, leaving = 0, other = 0;
  const int before = Add(-1, &x);
  const int middle = Add(before, &leaving);
  const int after = Add(middle, &x);
  const int otherFirst = Add(-1, &other);
  const int otherSecond = Add(otherFirst, &other);
  // A stale segment beyond the write index, as a ring cleared earlier leaves them.
  Strips.segments[100].owner = &leaving;
  Strips.segments[100].intensity = 50;

  RemoveTyreMarksOf(&leaving);
  ASSERT_EQ(At(after).previous, &At(middle));
  EXPECT_EQ(At(middle).owner, nullptr);
  EXPECT_EQ(At(middle).intensity, 0);
  EXPECT_EQ(At(before).intensity, 0) << "its previous segment";
  EXPECT_EQ(At(after).intensity, 0) << "its next segment";
  EXPECT_EQ(At(after).owner, &x) << "neighbours keep their owners";
  EXPECT_EQ(At(otherSecond).intensity, 128) << "other strips are untouched";
  EXPECT_EQ(At(100).owner, &leaving) << "before the wrap only the written segments are scanned";
  EXPECT_EQ(At(100).intensity, 50);

  Strips.wrapped = 1;
  RemoveTyreMarksOf(&leaving);
  EXPECT_EQ(At(100).owner, nullptr) << "once wrapped every segment is scanned";
}

int g_forgotten;
TEST_F(StripRingTest, ClearingEmptiesTheRingAndTellsTheCars) {
  Add(Add(-1, nullptr), nullptr);
  Strips.wrapped = 1;
  g_forgotten = 0;
  ForgetWheelMarkSegmentsHook = [] { ++g_forgotten; };
  ClearTyreMarks();
  EXPECT_EQ(Strips.writeIndex, 0);
  EXPECT_EQ(Strips.wrapped, 0);
  EXPECT_EQ(g_forgotten, 1);
  EXPECT_EQ(Add(-1, nullptr), 0);
}

// ---- view constants ----

class ViewConstants : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    for (int k = 0; k < VIEW_SOURCE_TRANSFORMS; ++k)
      for (int e = 0; e < 16; ++e) table_.transforms[k][e] = std::sin(float(k * 16 + e) * 0.37f) * 3.0f;
    table_.reference[0] = 5 << 16;
    table_.reference[1] = -(3 << 16) + 0x8000;
    table_.reference[2] = 1 << 16;
    ViewTransformSource = &table_;
    SetIdentityMatrix(ViewMatrix);
    // A turn about z by 30 degrees, a tilt, and a translation.
    const float c = std::cos(0.5235988f), s = std::sin(0.5235988f);
    const float view[16] = {c, -s * 0.8f, s * 0.6f, 0, s, c * 0.8f, -c * 0.6f, 0, 0, 0.6f, 0.8f, 0, 1.5f, -2.0f, 7.0f, 1};
    std::memcpy(ViewMatrix, view, sizeof view);
    savedView_ = CurrentView;
    CurrentView = &MainView;
    savedPosition_ = {CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
    CurrentView->position[0] = 2 << 16;
    CurrentView->position[1] = 10 << 16;
    CurrentView->position[2] = -(1 << 15);
  }
  void TearDown() override {
    ViewTransformSource = nullptr;
    for (int i = 0; i < 3; ++i) CurrentView->position[i] = savedPosition_[i];
    CurrentView = savedView_;
    SetIdentityMatrix(ViewMatrix);
  }
  ViewPSConstants Uploaded() {
    ViewPSConstants c;
    std::memcpy(&c, PSConstants[PS_ROW_VIEW_CONSTANTS].shadow, sizeof c);
    return c;
  }
  ViewTransformTable table_{};
  std::array<int32_t, 3> savedPosition_{};
  View* savedView_ = nullptr;
};

TEST_F(ViewConstants, RelativeToTheViewTheyEqualADoublePrecisionProduct) {
  UploadViewPSConstants(1);
  const ViewPSConstants c = Uploaded();
  for (int k = 0; k < VIEW_SOURCE_TRANSFORMS; ++k)
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 4; ++col) {
        double product = 0;  // (T V) at (col, row): the product's column `row` as a row
        for (int m = 0; m < 4; ++m) product += double(table_.transforms[k][col * 4 + m]) * ViewMatrix[m * 4 + row];
        EXPECT_NEAR(c.rows[k][row * 4 + col], product, 1e-5) << k << " " << row << " " << col;
      }
  double d[3];
  for (int i = 0; i < 3; ++i) d[i] = (double(table_.reference[i]) - CurrentView->position[i]) / 65536.0;
  for (int j = 0; j < 3; ++j)
    EXPECT_NEAR(c.reference[j], d[0] * ViewMatrix[j] + d[1] * ViewMatrix[4 + j] + d[2] * ViewMatrix[8 + j], 1e-5);
  EXPECT_EQ(c.reference[3], 0.0f);
  for (uint8_t b : c.zero) EXPECT_EQ(b, 0);
  EXPECT_EQ(PSBoundRow[13], PS_ROW_VIEW_CONSTANTS) << "a slot of their own";
}

TEST_F(ViewConstants, AsTheyStandAndOnlyWithTheShadowFlag) {
  UploadViewPSConstants(0);
  ViewPSConstants c = Uploaded();
  for (int k = 0; k < VIEW_SOURCE_TRANSFORMS; ++k)
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 4; ++col) EXPECT_EQ(c.rows[k][row * 4 + col], table_.transforms[k][col * 4 + row]);
  EXPECT_EQ(c.reference[0], 5.0f);
  EXPECT_EQ(c.reference[1], -2.5f);

  // With the world matrix: only while shadows are drawn, relative to the view as asked.
  SetIdentityMatrix(WorldMatrix);
  CurrentWorldPass = 0;
  const int savedShadow = ShaderShadowFlag, savedCar = ShaderCarFlag;
  ShaderShadowFlag = 0;
  UploadWorldMatrix(0, 1);
  EXPECT_EQ(Uploaded().reference[0], 5.0f) << "no shadows: nothing uploaded";
  ShaderShadowFlag = 1;
  UploadWorldMatrix(0, 1);
  EXPECT_NE(Uploaded().reference[0], 5.0f);
  ShaderShadowFlag = savedShadow;
  ShaderCarFlag = savedCar;

  // Without a source table: identity transforms at the origin.
  ViewTransformSource = nullptr;
  UploadViewPSConstants(0);
  c = Uploaded();
  EXPECT_EQ(c.rows[7][0], 1.0f);
  EXPECT_EQ(c.rows[7][5], 1.0f);
  EXPECT_EQ(c.rows[7][3], 0.0f);
  EXPECT_EQ(c.reference[1], 0.0f);
}

}  // namespace
