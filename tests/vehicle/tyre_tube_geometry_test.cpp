// tyre_tube_geometry_test.cpp - the per-frame geometry of the tyres and the frame: segments
// by distance, stream counts and limits, the drum, the frame tubes' cuts, mirrors and
// prisms and their 32-byte vertices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/gamma_tables.h"
#include "tests/core/report_recorder.h"
#include "tests/physics/car_test_util.h"
#include "tests/vehicle/wheels_at_rest.h"
#include "text/text_colours.h"
#include "vehicle/car_geometry.h"
#include "vehicle/frame_tubes.h"
#include "vehicle/tyre_geometry.h"
#include "vehicle/vehicle.h"
#include "vehicle/wheel_profile.h"

namespace {

constexpr int32_t M = 0x10000;

TEST(TyreGeometry, SegmentsByDistance) {
  EXPECT_EQ(ChooseTyreSegments(13, 5 * M, 0).segments, 26);
  const TyreSegments at13 = ChooseTyreSegments(0, 13 * M, 0);  // 24 x 12 / 13 = 22, down to 20
  EXPECT_EQ(at13.segments, 20);
  EXPECT_EQ(at13.simplified, 0);
  const TyreSegments at40 = ChooseTyreSegments(0, 40 * M, 0);  // 7 -> 4, below 8
  EXPECT_EQ(at40.segments, 8);
  EXPECT_EQ(at40.simplified, 1);
  EXPECT_EQ(ChooseTyreSegments(0, 18 * M, M).segments, 30);  // F = 18 m with the view direction
  EXPECT_EQ(ChooseTyreSegments(200, 5 * M, 0).segments, 30);  // a style beyond the table
  // At the edges: 24 x 12 / 24 = 12 exactly; 24 x 12 / 24.2 = 11.9, down to 8; 24 x 12 / 36 = 8,
  // still not simplified; a step further 7.99 drops to 4, below 8.
  EXPECT_EQ(ChooseTyreSegments(0, 24 * M, 0).segments, 12);
  const TyreSegments justPast24 = ChooseTyreSegments(0, 24 * M + M / 5, 0);
  EXPECT_EQ(justPast24.segments, 8);
  EXPECT_EQ(justPast24.simplified, 0);
  const TyreSegments at36 = ChooseTyreSegments(0, 36 * M, 0);
  EXPECT_EQ(at36.segments, 8);
  EXPECT_EQ(at36.simplified, 0) << "8 segments are not fewer than 8";
  const TyreSegments past36 = ChooseTyreSegments(0, 36 * M + 1, 0);
  EXPECT_EQ(past36.segments, 8);
  EXPECT_EQ(past36.simplified, 1);
  // Seen end on (view direction 1) the far distance is 12 x 1.5 = 18 m: at 20 m, 24 x 18 / 20
  // = 21.6, down to 20.
  EXPECT_EQ(ChooseTyreSegments(0, 20 * M, M).segments, 20);
  EXPECT_EQ(ChooseTyreSegments(0, 12 * M, 0).segments, 30) << "at the far distance itself: the style's own";
  // Near, each of the 22 styles' own count.
  const int segments[22] = {30, 30, 30, 27, 28, 30, 30, 28, 28, 27, 30, 30, 30, 26, 28, 30, 28, 30, 27, 30, 30, 30};
  for (int style = 0; style < 22; ++style)
    EXPECT_EQ(ChooseTyreSegments(uint8_t(style), 5 * M, 0).segments, segments[style]) << style;

}

struct StreamLog {
  std::vector<std::string> calls;
  int failStream = -1;
};

TyreStreamOps Recorder(StreamLog& log) {
  TyreStreamOps ops = {};
  ops.owner = &log;
  ops.start = [](void* o, int stream, uint32_t v, uint32_t i) {
    auto& l = *static_cast<StreamLog*>(o);
    l.calls.push_back("start " + std::to_string(stream) + " " + std::to_string(v) + " " + std::to_string(i));
    return stream == l.failStream ? 0 : 1;
  };
  ops.unlock = [](void* o, int stream) { static_cast<StreamLog*>(o)->calls.push_back("unlock " + std::to_string(stream)); };
  return ops;
}

TEST(TyreGeometry, CountsAndStreamLimits) {
  // Four wheels of style 13 with logos.
  TyreCountInputs in = {4, {26, 0}, 1, 0, 0, {}};
  TyreCounts c = CountTyreGeometry(in);
  EXPECT_EQ(c.vertices, 1512u);
  EXPECT_EQ(c.triangles, 1872u);
  EXPECT_EQ(c.logoVertices, 432u);
  EXPECT_EQ(c.logoTriangles, 416u);
  in.oneSided = 1;
  EXPECT_EQ(CountTyreGeometry(in).logoVertices, 216u);
  // Simplified wheels and a simplified spare: 4S + 4 and 4S each, triangles for both.
  in = {4, {8, 1}, 1, 0, 1, {8, 1}};
  c = CountTyreGeometry(in);
  EXPECT_EQ(c.vertices, 5u * 36u);
  EXPECT_EQ(c.triangles, 5u * 32u);
  EXPECT_EQ(c.logoVertices, 0u);
  in = {0, {30, 0}, 1, 0, 1, {20, 0}};  // the spare alone: two logo vertices a ring
  c = CountTyreGeometry(in);
  EXPECT_EQ(c.vertices, 21u * 14u);
  EXPECT_EQ(c.logoTriangles, 40u);
  in.logo = 0;  // the spare without logos: 21 rings of 14 and 20 segments of 18, no logo strip
  c = CountTyreGeometry(in);
  EXPECT_EQ(c.vertices, 294u);
  EXPECT_EQ(c.triangles, 360u);
  EXPECT_EQ(c.logoVertices, 0u);
  EXPECT_EQ(c.logoTriangles, 0u);
  TyreCounts editor = {};
  AddStripCounts(30, 14, 18, 0, editor);
  EXPECT_EQ(editor.vertices, 434u);
  EXPECT_EQ(editor.triangles, 540u);

  ReportRecorder recorder;
  StreamLog log;
  TyreStreamOps ops = Recorder(log);
  EXPECT_EQ(CheckTyreBufferLimits(ops, TyreCounts{2170, 2700, 620, 600}, 1), 1);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"start 0 2170 8100", "start 1 620 1800"}));
  UnlockTyreStreams(ops);
  EXPECT_EQ(ops.locked[0] | ops.locked[1], 0);
  const TyreCounts over[4] = {{2171, 2700, 620, 600}, {2170, 2701, 620, 600}, {2170, 2700, 621, 600},
                              {2170, 2700, 620, 601}};
  for (const TyreCounts& o : over) {
    log.calls.clear();
    EXPECT_EQ(CheckTyreBufferLimits(ops, o, 1), 0);
    EXPECT_TRUE(log.calls.empty());
  }
  EXPECT_EQ(ReportRecorder::Reports().lines.size(), 4u);
  // Six wheels of 30 segments: 2604 vertices, refused; at debug level 0 too, silently.
  const TyreCounts six = CountTyreGeometry(TyreCountInputs{6, {30, 0}, 0, 0, 0, {}});
  EXPECT_EQ(six.vertices, 2604u);
  EXPECT_EQ(CheckTyreBufferLimits(ops, six, 1), 0);
  EXPECT_EQ(CheckTyreBufferLimits(ops, six, 0), 0);
  EXPECT_EQ(ReportRecorder::Reports().lines.size(), 5u);
  EXPECT_NE(ReportRecorder::Reports().lines.back().find(TEXT_TYRE_LIMITS_EXCEEDED), std::string::npos);
  // No logo triangles: only the tyre stream.
  log.calls.clear();
  EXPECT_EQ(CheckTyreBufferLimits(ops, TyreCounts{100, 100, 0, 0}, 1), 1);
  EXPECT_EQ(log.calls.size(), 1u);
  UnlockTyreStreams(ops);
  // A failed logo start unlocks the tyre stream; a failed tyre start locks nothing.
  log.calls.clear();
  log.failStream = 1;
  EXPECT_EQ(CheckTyreBufferLimits(ops, TyreCounts{100, 100, 10, 10}, 1), 0);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"start 0 100 300", "start 1 10 30", "unlock 0"}));
  EXPECT_EQ(ops.locked[0] | ops.locked[1], 0);
  log.failStream = 0;
  EXPECT_EQ(CheckTyreBufferLimits(ops, TyreCounts{100, 100, 10, 10}, 1), 0);
  EXPECT_EQ(ops.locked[0] | ops.locked[1], 0);
  // No wheels: nothing to count, so the frame starts no stream.
  EXPECT_EQ(CountTyreGeometry(TyreCountInputs{}).triangles, 0u);
}

float FloatAt(const uint8_t* p) {
  float f;
  std::memcpy(&f, p, 4);
  return f;
}

TEST(TyreGeometry, DrumOfTwentyVerticesAndThirtyTwoTriangles) {
  std::vector<uint8_t> vertices(64 * DRAW_VERTEX_SIZE);
  std::vector<uint16_t> indices(256);
  TubeBatch batch = {vertices.data(), indices.data(), 64, 256, 0, 0};
  TyrePlacement tyre = {{0, 0, 0.3f}, {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, 0.3f, 0.2f, 0xFF202020, TyreTreadRow(0), 0};
  ASSERT_EQ(WriteTyreDrum(batch, tyre), 1);
  EXPECT_EQ(batch.vertexCount, 20u);
  EXPECT_EQ(batch.indexCount, 96u);
  // The first ring's left vertex lies at the bottom (radial 1 is down), on the ground.
  EXPECT_NEAR(FloatAt(&vertices[2 * DRAW_VERTEX_SIZE + 8]), 0.0f, 1e-6f);
  EXPECT_NEAR(FloatAt(&vertices[2 * DRAW_VERTEX_SIZE]), -0.1f, 1e-6f);
  EXPECT_EQ(vertices[2 * DRAW_VERTEX_SIZE + 19], 0);  // the colour without alpha
  EXPECT_FLOAT_EQ(FloatAt(&vertices[2 * DRAW_VERTEX_SIZE + 28]), 0.5f);  // the tread row of compound 0
  for (uint32_t i = 0; i < batch.indexCount; ++i) EXPECT_LT(indices[i], 20);
  // Too little room: nothing written.
  TubeBatch small = {vertices.data(), indices.data(), 19, 256, 0, 0};
  EXPECT_EQ(WriteTyreDrum(small, tyre), 0);
  EXPECT_EQ(small.vertexCount, 0u);
  // Ring 1 closes the first four triangles: the caps' centres 0 and 1, ring 0's pair 2 and 3,
  // ring 1's pair 4 and 5; the last ring (8) ends at 18 and 19, its u 8 x 0.125 = 1.
  const uint16_t first[12] = {0, 2, 4, 1, 5, 3, 2, 3, 5, 5, 4, 2};
  const uint16_t last[12] = {0, 16, 18, 1, 19, 17, 16, 17, 19, 19, 18, 16};
  for (int k = 0; k < 12; ++k) {
    EXPECT_EQ(indices[size_t(k)], first[k]) << k;
    EXPECT_EQ(indices[size_t(84 + k)], last[k]) << k;
  }
  EXPECT_FLOAT_EQ(FloatAt(&vertices[19 * DRAW_VERTEX_SIZE + 24]), 1.0f);
  EXPECT_FLOAT_EQ(FloatAt(&vertices[19 * DRAW_VERTEX_SIZE + 28]), 0.5f + 0.125f) << "the far side's row";
  EXPECT_FLOAT_EQ(FloatAt(&vertices[1 * DRAW_VERTEX_SIZE]), 0.1f) << "the far cap's centre";
  // A mirrored drum turns each triangle the other way.
  tyre.winding = 1;
  TubeBatch mirrored = {vertices.data(), indices.data(), 64, 256, 0, 0};
  ASSERT_EQ(WriteTyreDrum(mirrored, tyre), 1);
  const uint16_t turned[12] = {0, 4, 2, 1, 3, 5, 2, 5, 3, 5, 2, 4};
  for (int k = 0; k < 12; ++k) EXPECT_EQ(indices[size_t(k)], turned[k]) << k;
}

// A drum needs 20 vertices and 32 x 3 = 96 indices of room: a batch with exactly that room
// takes it; one index short takes nothing.
TEST(TyreGeometry, ADrumFitsABatchOfExactlyItsRoom) {
  std::vector<uint8_t> vertices(20 * DRAW_VERTEX_SIZE);
  std::vector<uint16_t> indices(96);
  const TyrePlacement tyre = {{0, 0, 0.3f}, {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, 0.3f, 0.2f, 0xFF202020, 0.5f, 0};
  TubeBatch exact = {vertices.data(), indices.data(), 20, 96, 0, 0};
  EXPECT_EQ(WriteTyreDrum(exact, tyre), 1);
  EXPECT_EQ(exact.vertexCount, 20u);
  EXPECT_EQ(exact.indexCount, 96u);
  TubeBatch shortOfOne = {vertices.data(), indices.data(), 20, 95, 0, 0};
  EXPECT_EQ(WriteTyreDrum(shortOfOne, tyre), 0);
  EXPECT_EQ(shortOfOne.vertexCount + shortOfOne.indexCount, 0u);
}

// The tread's texture row by compound: rows 4 to 7 of eight (0.5, 0.625, 0.75, 0.875) for the
// compound's two low bits.
TEST(TyreGeometry, TheTreadRowFollowsTheCompoundsTwoLowBits) {
  const float rows[8] = {0.5f, 0.625f, 0.75f, 0.875f, 0.5f, 0.625f, 0.75f, 0.875f};
  for (int compound = 0; compound < 8; ++compound) EXPECT_EQ(TyreTreadRow(compound), rows[compound]) << compound;
}

// A tyre style past the table's 22 takes the first style's 30 segments.
TEST(TyreGeometry, AStylePastTheTableTakesTheFirstStylesSegments) {
  EXPECT_EQ(ChooseTyreSegments(22, 5 * M, 0).segments, 30);
  EXPECT_EQ(ChooseTyreSegments(255, 5 * M, 0).segments, 30);
}

// A 200/50 tyre on a 0.2 m rim; the wheel stands with its first ring's radial axis down, its
// centre `drop` below the rolling radius above the ground plane z = 0.
class TyreRings : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultTextColours();
    BuildGammaTables();
    set = SuspensionBlock{};
    MakeTyre200Over50(set);
    ASSERT_EQ(BuildRimProfile(set, nullptr, RimProfileFlags{0, 0, 0}), -1);
    vertices.assign(2200 * DRAW_VERTEX_SIZE, 0);
    indices.assign(2700 * 3, 0);
    letterVertices.assign(620 * DRAW_VERTEX_SIZE, 0);
    letterIndices.assign(600 * 3, 0);
  }
  TyreRing Ring(int segments, float drop) {
    const float top = set.profile.points[3].y;
    TyreRing r = {};
    r.centre[2] = top - drop;
    const float axes[3][3] = {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}};
    std::memcpy(r.axes, axes, sizeof axes);
    r.profile = &set.profile;
    r.segments = segments;
    r.contact = 1;
    r.groundNormal[2] = 1.0f;
    r.letteringRows = 3;
    r.letteringColour = 0xFFFFFF;
    r.sideSign = 1.0f;
    return r;
  }
  int Write(const TyreRing& r) {
    tyre = {vertices.data(), indices.data(), 2200, 2700 * 3, 0, 0};
    letters = {letterVertices.data(), letterIndices.data(), 620, 600 * 3, 0, 0};
    return WriteTyreRings(tyre, &letters, r);
  }
  // Vertex i's coordinate k.
  float At(int i, int k) const { return FloatAt(&vertices[i * DRAW_VERTEX_SIZE + 4 * k]); }
  SuspensionBlock set;
  std::vector<uint8_t> vertices, letterVertices;
  std::vector<uint16_t> indices, letterIndices;
  TubeBatch tyre, letters;
};

TEST_F(TyreRings, CountsOfRingsAndLettering) {
  ASSERT_EQ(Write(Ring(26, 0.0f)), 1);
  EXPECT_EQ(tyre.vertexCount, 27u * 12u);  // the profile's 12 tyre points a ring (14 counted as room)
  EXPECT_EQ(tyre.indexCount, 26u * 18u * 3u);
  EXPECT_EQ(letters.vertexCount, 27u * 4u);
  EXPECT_EQ(letters.indexCount, 26u * 4u * 3u);
  EXPECT_FLOAT_EQ(FloatAt(&letterVertices[28]), 2 * 0.0625f + 0.0625f);  // point 1: the row's lower edge
  EXPECT_FLOAT_EQ(FloatAt(&letterVertices[DRAW_VERTEX_SIZE + 28]), 2 * 0.0625f);
  TyreRing oneSided = Ring(26, 0.0f);
  oneSided.sideSelector = 1;
  Write(oneSided);
  EXPECT_EQ(letters.vertexCount, 27u * 2u);
  EXPECT_EQ(letters.indexCount, 26u * 2u * 3u);
  for (uint32_t i = 0; i < tyre.indexCount; ++i) ASSERT_LT(indices[i], tyre.vertexCount);
  for (uint32_t i = 0; i < letters.indexCount; ++i) ASSERT_LT(letterIndices[i], letters.vertexCount);
  // Without room nothing is written to either batch.
  tyre = {vertices.data(), indices.data(), 100, 2700 * 3, 0, 0};
  letters = {letterVertices.data(), letterIndices.data(), 620, 600 * 3, 0, 0};
  EXPECT_EQ(WriteTyreRings(tyre, &letters, Ring(26, 0.0f)), 0);
  EXPECT_EQ(tyre.vertexCount + letters.vertexCount, 0u);
}

// A profile of fewer than twelve tyre points (the rim from the eleventh) makes no rings: nothing
// is written and the call says so.
TEST_F(TyreRings, AProfileOfFewerThanTwelveTyrePointsWritesNothing) {
  set.profile.firstRimPoint = 11;
  EXPECT_EQ(Write(Ring(26, 0.0f)), 0);
  EXPECT_EQ(tyre.vertexCount + tyre.indexCount + letters.vertexCount + letters.indexCount, 0u);
}

// A profile whose rim starts at the last point, one past it or far past it uses all 48 points
// a ring, and no more: 8 segments make 9 rings of 48 points (432), 8 steps of the 9 surfaces'
// two triangles (8 * 9 * 6 = 432 indices) and 9 rings of 4 lettering points (36).
TEST_F(TyreRings, AProfileOfAllFortyEightPointsWritesFortyEightARing) {
  for (const int32_t firstRim : {48, 49, 1000}) {
    SCOPED_TRACE(firstRim);
    set.profile.firstRimPoint = firstRim;
    TyreRing r = Ring(8, 0.0f);
    r.contact = 0;
    ASSERT_EQ(Write(r), 1);
    EXPECT_EQ(tyre.vertexCount, 432u);
    EXPECT_EQ(tyre.indexCount, 432u);
    EXPECT_EQ(letters.vertexCount, 36u);
    EXPECT_EQ(letters.indexCount, 8u * 4u * 3u);
  }
}

TEST_F(TyreRings, ABatchWithExactlyTheRoomNeededTakesTheRingsAndOneLessTakesNothing) {
  const TyreRing r = Ring(26, 0.0f);
  // 27 rings of 12 points and 26 segments of 18 triangles; the lettering 27 rings of 4 points
  // and 26 segments of 4 triangles.
  const uint32_t need[4] = {27 * 12, 26 * 18 * 3, 27 * 4, 26 * 4 * 3};
  for (int shortOf = -1; shortOf < 4; ++shortOf) {
    uint32_t room[4];
    for (int k = 0; k < 4; ++k) room[k] = need[k] - (k == shortOf ? 1 : 0);
    tyre = {vertices.data(), indices.data(), room[0], room[1], 0, 0};
    letters = {letterVertices.data(), letterIndices.data(), room[2], room[3], 0, 0};
    EXPECT_EQ(WriteTyreRings(tyre, &letters, r), shortOf < 0 ? 1 : 0) << "short of " << shortOf;
    if (shortOf >= 0) {
      EXPECT_EQ(tyre.vertexCount + letters.vertexCount, 0u) << "short of " << shortOf;
    }
  }
}

// A deformed tyre's lettering is mirrored on a wheel of the left side (sign -1) only: a wheel
// of sign 0 (on the centre line) reads as one of the right side.
TEST_F(TyreRings, OnlyALeftWheelsDeformedLetteringIsMirrored) {
  const auto lettering = [&](float sign) {
    TyreRing r = Ring(20, 0.01f);
    r.sideSign = sign;
    EXPECT_EQ(Write(r), 1);
    return std::vector<uint8_t>(letterVertices.begin(), letterVertices.begin() + long(letters.vertexCount) * DRAW_VERTEX_SIZE);
  };
  const std::vector<uint8_t> right = lettering(1.0f);
  ASSERT_FALSE(right.empty());
  EXPECT_TRUE(lettering(0.0f) == right) << "the centre line reads as the right side";
  EXPECT_FALSE(lettering(-1.0f) == right) << "the left side mirrored";
}

TEST_F(TyreRings, TreadBelowTheGroundIsLiftedAndTheWallBulges) {
  const float w = set.sectionWidth;
  ASSERT_EQ(Write(Ring(20, 0.01f)), 1);
  EXPECT_NEAR(At(3, 2), 0.0f, 1e-5f);  // the tread point 1 cm below is drawn on the ground
  EXPECT_NEAR(At(4, 2), 0.0f, 1e-5f);
  EXPECT_NEAR(At(8, 0), -w / 2 - 0.005f, 1e-5f);  // the wall 5 mm further out
  EXPECT_NEAR(At(9, 0), w / 2 + 0.005f, 1e-5f);
  EXPECT_NEAR(At(10, 0), At(8, 0), 1e-6f);  // the shoulder's copy goes with it
  // A ring away from the ground keeps its shape.
  EXPECT_NEAR(At(10 * 12 + 8, 0), -w / 2, 1e-5f);
  // 11 segments or fewer never deform; nor does a wheel without contact.
  Write(Ring(11, 0.01f));
  EXPECT_NEAR(At(3, 2), -0.01f, 1e-5f);
  EXPECT_NEAR(At(8, 0), -w / 2, 1e-5f);
  TyreRing free = Ring(20, 0.01f);
  free.contact = 0;
  Write(free);
  EXPECT_NEAR(At(3, 2), -0.01f, 1e-5f);
  // The sideways deformation moves the tread across by its full amount at the ground.
  TyreRing sideways = Ring(20, 0.0f);
  sideways.lateralDeformation = 0.01f;
  Write(sideways);
  EXPECT_NEAR(At(3, 0), set.profile.points[3].x + 0.01f, 1e-4f);
  // Over the whole ring at the ground, each point moves by its share of the amount: the
  // tread (2 to 5) all of it, the lower walls (8 to 11) 0.7, the shoulders (1 and 6) 0.3,
  // the rest none; each times the square of how far below twice the radius it lies.
  std::vector<float> plainX(12), plainZ(12);
  Write(Ring(20, 0.0f));
  for (int i = 0; i < 12; ++i) plainX[size_t(i)] = At(i, 0), plainZ[size_t(i)] = At(i, 2);
  Write(sideways);
  const double twoR = 2.0 * set.profile.points[3].y;
  const double part[12] = {0, 0.3, 1, 1, 1, 1, 0.3, 0, 0.7, 0.7, 0.7, 0.7};
  for (int i = 0; i < 12; ++i) {
    const double share = (twoR - plainZ[size_t(i)]) / twoR;
    EXPECT_NEAR(At(i, 0), plainX[size_t(i)] + part[i] * share * share * 0.01, 2e-5) << "point " << i;
  }
}

// A profile whose tread point lies on the axle (a tyre of no radius) still deforms to finite
// points: twice its radius counts as at least 2 mm.
TEST_F(TyreRings, ATyreOfNoRadiusDeformsToFinitePoints) {
  set.profile.points[3].y = 0.0f;
  TyreRing r = Ring(20, 0.01f);
  r.lateralDeformation = 0.01f;
  ASSERT_EQ(Write(r), 1);
  for (uint32_t i = 0; i < tyre.vertexCount; ++i)
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(std::isfinite(At(int(i), k))) << "vertex " << i << " coordinate " << k;
}

// A ring 1 cm into the ground pushes each bead out by half the depth and lifts it by 0.3 of
// it, moves each wall out by half and up by 0.7 of it and takes each shoulder's copy with its
// wall; a low profile tyre keeps its beads.  Twelve segments are enough to deform.
TEST_F(TyreRings, ASquashedRingMovesItsBeadsWallsAndShoulders) {
  TyreRing plain = Ring(12, 0.01f);
  plain.contact = 0;
  ASSERT_EQ(Write(plain), 1);
  std::vector<float> x(12), z(12);
  for (int i = 0; i < 12; ++i) x[size_t(i)] = At(i, 0), z[size_t(i)] = At(i, 2);
  ASSERT_EQ(Write(Ring(12, 0.01f)), 1);
  EXPECT_NEAR(At(3, 2), 0.0f, 1e-5f) << "twelve segments deform: the tread stands on the ground";
  // Point: its move across (out is -x on the first side) and up, in hundredths of the depth.
  const struct {
    int point;
    double across, up;
  } moved[6] = {{1, -0.5, 0.3}, {6, 0.5, 0.3}, {8, -0.5, 0.7}, {9, 0.5, 0.7}, {10, -0.5, 0.7}, {11, 0.5, 0.7}};
  const int wallOf[12] = {0, 0, 0, 0, 0, 0, 0, 0, 8, 9, 8, 9};
  for (const auto& m : moved) {
    const int from = wallOf[m.point] ? wallOf[m.point] : m.point;  // a shoulder takes its wall's place
    EXPECT_NEAR(At(m.point, 0), x[size_t(from)] + m.across * 0.01, 1e-5) << "point " << m.point;
    EXPECT_NEAR(At(m.point, 2), z[size_t(from)] + m.up * 0.01, 1e-5) << "point " << m.point;
  }
  TyreRing low = Ring(12, 0.01f);
  low.lowProfile = 1;
  ASSERT_EQ(Write(low), 1);
  for (int bead : {1, 6}) {
    EXPECT_NEAR(At(bead, 0), x[size_t(bead)], 1e-6f) << "a low profile's bead stays, point " << bead;
    EXPECT_NEAR(At(bead, 2), z[size_t(bead)], 1e-6f) << "point " << bead;
  }
  EXPECT_NEAR(At(8, 0), x[8] - 0.005f, 1e-5f) << "its walls still bulge";
  // No segments: nothing written.
  EXPECT_EQ(Write(Ring(0, 0.0f)), 0);
  EXPECT_EQ(tyre.vertexCount + letters.vertexCount, 0u);
}

// The lettering's points are the tyre's points 1, 8, 6 and 9 of each ring: u runs with the
// ring on the first side (1 and 8) and against it on the other (6 and 9), the lower edge
// (points 1 and 6) a row below the top of the lettering.  Each segment joins points 1-8 and
// 9-6 of two rings; a one-sided tyre has only points 6 and 9.
TEST_F(TyreRings, TheLetteringTakesItsPointsUAndTrianglesFromTheSidewalls) {
  TyreRing r = Ring(20, 0.0f);
  r.contact = 0;
  ASSERT_EQ(Write(r), 1);
  const int points[4] = {1, 8, 6, 9};
  const float rowTop = 2 * 0.0625f;  // 3 rows: (3 - 1) sixteenths
  for (int ring : {0, 5}) {
    const float u = float(ring) / 20.0f;
    for (int j = 0; j < 4; ++j) {
      const uint8_t* letter = &letterVertices[size_t(4 * ring + j) * DRAW_VERTEX_SIZE];
      const int i = ring * 12 + points[j];
      for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(FloatAt(letter + 4 * k), At(i, k)) << ring << " " << j << " " << k;
      EXPECT_FLOAT_EQ(FloatAt(letter + 24), j < 2 ? u : -u) << ring << " " << j;
      EXPECT_FLOAT_EQ(FloatAt(letter + 28), j % 2 ? rowTop : rowTop + 0.0625f) << ring << " " << j;
    }
  }
  // Segment 1 joins ring 1 (4..7) to ring 2 (8..11).
  const uint16_t joined[12] = {4, 5, 9, 9, 8, 4, 7, 6, 10, 10, 11, 7};
  for (int k = 0; k < 12; ++k) EXPECT_EQ(letterIndices[size_t(12 + k)], joined[k]) << k;
  r.winding = 1;
  Write(r);
  const uint16_t turned[12] = {4, 9, 5, 9, 4, 8, 7, 10, 6, 10, 7, 11};
  for (int k = 0; k < 12; ++k) EXPECT_EQ(letterIndices[size_t(12 + k)], turned[k]) << k;
  r.winding = 0;
  r.sideSelector = 1;
  Write(r);
  for (int j = 0; j < 2; ++j) {
    const uint8_t* letter = &letterVertices[size_t(2 * 5 + j) * DRAW_VERTEX_SIZE];
    EXPECT_FLOAT_EQ(FloatAt(letter), At(5 * 12 + points[j + 2], 0)) << j;
    EXPECT_FLOAT_EQ(FloatAt(letter + 24), -0.25f) << j;
  }
  const uint16_t oneSide[6] = {3, 2, 4, 4, 5, 3};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(letterIndices[size_t(6 + k)], oneSide[k]) << k;
  // A deformed tyre on the left mirrors its lettering.
  r = Ring(20, 0.0f);
  r.sideSign = -1.0f;
  Write(r);
  EXPECT_FLOAT_EQ(FloatAt(&letterVertices[size_t(4 * 5) * DRAW_VERTEX_SIZE + 24]), -0.25f);
  EXPECT_FLOAT_EQ(FloatAt(&letterVertices[size_t(4 * 5 + 2) * DRAW_VERTEX_SIZE + 24]), 0.25f);
}

// On ground sloping across the tyre each wall bulges by the deepest tread point of its own
// half and the middle: points 2 to 4 for the first wall (8), 3 to 5 for the second (9).  The
// depths are worked out here from the unsquashed ring and the ground's normal.
TEST_F(TyreRings, OnASlopeEachWallBulgesByItsOwnHalfsDeepestTreadPoint) {
  TyreRing plain = Ring(12, 0.01f);
  plain.contact = 0;
  ASSERT_EQ(Write(plain), 1);
  std::vector<double> x(12), z(12);
  for (int i = 0; i < 12; ++i) x[size_t(i)] = At(i, 0), z[size_t(i)] = At(i, 2);
  for (const double slope : {-0.05, 0.05}) {
    TyreRing r = Ring(12, 0.01f);
    const double length = std::sqrt(1.0 + slope * slope);
    r.groundNormal[0] = float(slope / length);
    r.groundNormal[2] = float(1.0 / length);
    ASSERT_EQ(Write(r), 1);
    double depth[2] = {0.0, 0.0};
    for (int i = 2; i <= 5; ++i) {
      const double h = x[size_t(i)] * r.groundNormal[0] + z[size_t(i)] * r.groundNormal[2];
      if (i <= 4) depth[0] = std::max(depth[0], -h);
      if (i >= 3) depth[1] = std::max(depth[1], -h);
    }
    EXPECT_NEAR(At(8, 0), x[8] - 0.5 * depth[0], 2e-6) << slope;
    EXPECT_NEAR(At(9, 0), x[9] + 0.5 * depth[1], 2e-6) << slope;
  }
}

class FrameTubes : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSinTable();
    vertices.assign(64 * 16 * DRAW_VERTEX_SIZE, 0);
    indices.assign(64 * 48, 0);
    batch = {vertices.data(), indices.data(), 64 * 16, 64 * 48, 0, 0};
    points[0] = {M / 2, 0, M / 4, 0, 0, 0, 0};
    points[1] = {M / 2, 2 * M, M / 4, 0, 0, 0, 0};
    points[2] = {0, M, M / 2, 0, 0, 0, 0};
    points[3] = {0, 2 * M, M / 2, 0, 0, 0, 0};
    scene = {};
    scene.points = points;
    scene.pointCount = 4;
  }
  int Draw(const FrameTube& tube, float distance, int all = 1) {
    scene.tubes = &tube;
    scene.tubeCount = 1;
    batch.vertexCount = batch.indexCount = 0;
    return DrawFrameTubeGeometry(batch, scene, all, static_cast<int32_t>(distance * 65536.0f), 0);
  }
  std::vector<uint8_t> vertices;
  std::vector<uint16_t> indices;
  TubeBatch batch;
  FramePoint points[4];
  FrameScene scene;
};

TEST_F(FrameTubes, CutByDistanceAndMirrored) {
  const FrameTube tube = {0, 1, 0, 0.02f, 0, TUBE_VISIBLE};
  EXPECT_EQ(Draw(tube, 5.99f), 1);
  EXPECT_EQ(batch.vertexCount, 32u);  // eight sides, and the mirror
  EXPECT_EQ(batch.indexCount, 96u);
  // The tube runs along x = 0.5 m from y = 0 to 2 m, its mirror along x = -0.5 m: each of its
  // sixteen points lies within the 0.02 m radius of its own line, at one end or the other.
  for (int i = 0; i < 32; ++i) {
    const float x = FloatAt(&vertices[size_t(i) * DRAW_VERTEX_SIZE]);
    const float y = FloatAt(&vertices[size_t(i) * DRAW_VERTEX_SIZE + 4]);
    EXPECT_NEAR(x, i < 16 ? 0.5f : -0.5f, 0.021f) << i;
    EXPECT_NEAR(std::min(std::abs(y), std::abs(y - 2.0f)), 0.0f, 0.021f) << i;
  }
  EXPECT_EQ(Draw(tube, 6.0f), 1);
  EXPECT_EQ(batch.vertexCount, 16u);  // four sides from 6 m
  EXPECT_EQ(Draw(tube, 35.99f), 1);
  EXPECT_EQ(Draw(tube, 36.0f), 0);  // not drawn from 36 m
  EXPECT_EQ(batch.vertexCount, 0u);
  // On the centre plane: once.
  const FrameTube centre = {2, 3, 0, 0.02f, 0, TUBE_VISIBLE | TUBE_CENTRE_PLANE};
  Draw(centre, 1.0f);
  EXPECT_EQ(batch.vertexCount, 16u);
  // A cross tube: from the point to its mirror, once.
  const FrameTube cross = {1, 1, 0, 0.02f, 0, 0};
  Draw(cross, 1.0f);
  EXPECT_EQ(batch.vertexCount, 16u);
  EXPECT_FLOAT_EQ(FloatAt(&vertices[0]) + FloatAt(&vertices[DRAW_VERTEX_SIZE]), 0.0f);  // x and -x
  EXPECT_EQ(Draw(cross, 1.0f, 0), 0);  // unmarked: only in "all tubes"
  // Counting: cross 1, between points 2 (centre plane 1), with an axle end 2.
  const FrameTube tubes[4] = {tube, centre, cross, {0, -1, 0, 0.02f, 0, TUBE_VISIBLE}};
  scene.tubes = tubes;
  scene.tubeCount = 4;
  EXPECT_EQ(CountFrameTubes(scene, 1), 6u);
  EXPECT_EQ(CountFrameTubes(scene, 0), 5u);
  // A centre-plane tube from point 0 is one tube, not an axle end's two.
  const FrameTube fromFirst[1] = {{0, 2, 0, 0.02f, 0, TUBE_VISIBLE | TUBE_CENTRE_PLANE}};
  scene.tubes = fromFirst;
  scene.tubeCount = 1;
  EXPECT_EQ(CountFrameTubes(scene, 1), 1u);
  // An end the frame does not have is left out.
  const FrameTube missing = {0, 9, 0, 0.02f, 0, TUBE_VISIBLE};
  EXPECT_EQ(Draw(missing, 1.0f), 0);
  const FrameTube onePast = {0, 4, 0, 0.02f, 0, TUBE_VISIBLE};  // the frame has points 0 to 3
  EXPECT_EQ(Draw(onePast, 1.0f), 0);
  EXPECT_EQ(batch.vertexCount, 0u);
  const FrameTube lastPoint = {0, 3, 0, 0.02f, 0, TUBE_VISIBLE};
  EXPECT_EQ(Draw(lastPoint, 1.0f), 1);
  const FrameTube pastTheSlots = {0, -(AXLE_POINTS + 1), 0, 0.02f, 0, TUBE_VISIBLE};
  EXPECT_EQ(Draw(pastTheSlots, 1.0f), 0);
  EXPECT_EQ(Draw(tubes[3], 1.0f), 0);  // axle point -1 not computed
}

TEST_F(FrameTubes, AxleAndFlatTubes) {
  scene.axleValid[0] = 1;  // -1: front axle end b
  scene.axlePoint[0] = {M, 2 * M, M / 4};
  scene.axleMirror[0] = {-M, 2 * M, M / 4};
  scene.axleValid[4] = 1;  // -5: front wheel centre
  scene.axlePoint[4] = {3 * M / 4, 2 * M, M / 4};
  scene.axleMirror[4] = {-3 * M / 4, 2 * M, M / 4};
  const FrameTube axle = {0, -1, 0, 0.02f, 0, TUBE_VISIBLE};
  EXPECT_EQ(Draw(axle, 1.0f), 1);
  EXPECT_EQ(batch.vertexCount, 32u);  // to the point and between the mirrors
  const auto sumX = [&](int first) {
    float sum = 0;
    for (int i = first; i < first + 16; ++i) sum += FloatAt(&vertices[i * DRAW_VERTEX_SIZE]);
    return sum;
  };
  EXPECT_NEAR(sumX(0) + sumX(16), 0.0f, 1e-3f);  // the second prism mirrors the first (to 16.16 rounding)
  // Flat: a tube straight across the car has no length component in its section, so nothing
  // is drawn; one rising along the car is an ellipse.
  scene.option2 = CAR_OPTION2_FLAT_AXLE_TUBES;
  const FrameTube across = {0, -1, 0, 0.02f, 0, TUBE_VISIBLE};
  Draw(across, 1.0f);
  EXPECT_EQ(batch.vertexCount, 0u);
  scene.axlePoint[0] = {M / 2, 52429, M / 4 + 39322};  // 0.8 along, 0.6 up
  scene.axleMirror[0] = {-M / 2, 52429, M / 4 + 39322};
  Draw(across, 1.0f);
  EXPECT_EQ(batch.vertexCount, 32u);
  // To a wheel centre a tube stays round; the view from above widens a flat one's cut.
  const FrameTube toCentre = {0, -5, 0, 0.02f, 0, TUBE_VISIBLE};
  EXPECT_EQ(Draw(toCentre, 20.0f), 1);
  EXPECT_EQ(Draw(across, 20.0f), 0);  // 0.02 x 0.5 x 1800 = 18 m
}

// On a car with flat axle tubes a tube from or to either wheel centre (-5 the front, -6 the
// rear) stays round and so is drawn as far as a round one (0.02 m x 1800 = 36 m); a tube to an
// axle end is flat, and seen level its cut is half as wide (18 m).
TEST_F(FrameTubes, TubesFromOrToEitherWheelCentreStayRoundOnAFlatAxleCar) {
  scene.option2 = CAR_OPTION2_FLAT_AXLE_TUBES;
  for (int slot : {0, 2, 4, 5}) {
    scene.axleValid[slot] = 1;
    scene.axlePoint[slot] = {M / 2, 52429, M / 4 + 39322};
    scene.axleMirror[slot] = {-M / 2, 52429, M / 4 + 39322};
  }
  for (int16_t centre : {-5, -6}) {
    EXPECT_EQ(Draw(FrameTube{0, centre, 0, 0.02f, 0, TUBE_VISIBLE}, 20.0f), 1) << "to " << centre;
    EXPECT_EQ(Draw(FrameTube{centre, 0, 0, 0.02f, 0, TUBE_VISIBLE}, 20.0f), 1) << "from " << centre;
  }
  for (int16_t end : {-1, -3}) {
    EXPECT_EQ(Draw(FrameTube{0, end, 0, 0.02f, 0, TUBE_VISIBLE}, 20.0f), 0) << "to " << end;
    EXPECT_EQ(Draw(FrameTube{end, 0, 0, 0.02f, 0, TUBE_VISIBLE}, 20.0f), 0) << "from " << end;
    EXPECT_EQ(Draw(FrameTube{end, 0, 0, 0.02f, 0, TUBE_VISIBLE}, 17.0f), 1) << "from " << end << " nearer";
  }
}

TEST_F(FrameTubes, AxlePointsFromACarsWheels) {
  Car car;
  MakeSampleCar(0, car);
  for (int i = 0; i < car.wheelCount; ++i) {
    car.wheels[i].centre = car.wheelPositions[i];
    car.wheels[i].spinAxis = Vec3{car.wheels[i].side, 0, 0};
  }
  car.options &= ~0x1800u;
  FrameScene none = CarFrameScene(car);
  for (uint8_t valid : none.axleValid) EXPECT_EQ(valid, 0);
  car.options |= 0x800;  // the front set only
  const FrameScene front = CarFrameScene(car);
  EXPECT_EQ(front.axleValid[0] + front.axleValid[1] + front.axleValid[4], 3);
  EXPECT_EQ(front.axleValid[2] + front.axleValid[3] + front.axleValid[5], 0);
  const float half = car.wheelSets[1].sectionWidth * 0.5f;
  const CarWheel* right = nullptr;
  for (int i = 0; i < car.wheelCount; ++i)
    if (car.wheels[i].wheelSet == 1 && car.wheels[i].side == 1.0f) right = &car.wheels[i];
  ASSERT_NE(right, nullptr);
  EXPECT_NEAR(front.axlePoint[4].x / 65536.0, right->centre.x, 1e-4);           // -5 the centre
  EXPECT_NEAR(front.axlePoint[0].x / 65536.0, right->centre.x + half, 1e-4);    // -1 end b, outboard
  EXPECT_NEAR(front.axleMirror[0].x / 65536.0, -right->centre.x - half, 1e-4);  // its mirror, the left wheel's
  // The sample's whole frame fits the batch its count asks for, every index in range.
  const uint32_t counted = CountFrameTubes(front, 1);
  ASSERT_GT(counted, 0u);
  std::vector<uint8_t> v(counted * TUBE_BATCH_PER_TUBE * DRAW_VERTEX_SIZE);
  std::vector<uint16_t> ix(counted * TUBE_INDICES_PER_TUBE);
  TubeBatch whole = {v.data(), ix.data(), counted * TUBE_BATCH_PER_TUBE, counted * TUBE_INDICES_PER_TUBE, 0, 0};
  for (int i = 0; i < car.frameTubeCount; ++i)
    if (!(car.frameTubes[i].radius > 0.0f)) car.frameTubes[i].radius = 0.02f;
  EXPECT_GT(DrawFrameTubeGeometry(whole, CarFrameScene(car), 1, 65536, 0), 0);
  for (uint32_t i = 0; i < whole.indexCount; ++i) ASSERT_LT(ix[i], whole.vertexCount);
}

// The rear set (option 0x1000) fills its own slots: its outboard end at -3 (slot 2), its inboard
// end at -4 (slot 3) and its centre at -6 (slot 5); the left wheel fills the mirror slots only.
// With both sets the front's inboard end stands at slot 1.
TEST_F(FrameTubes, TheRearAxleFillsItsOwnSlotsOutboardEndFirst) {
  Car car;
  MakeSampleCar(0, car);
  const CarWheel* right[2] = {};
  const CarWheel* left[2] = {};
  for (int i = 0; i < car.wheelCount; ++i) {
    car.wheels[i].centre = car.wheelPositions[i];
    car.wheels[i].spinAxis = Vec3{car.wheels[i].side, 0, 0};
    (car.wheels[i].side == 1.0f ? right : left)[car.wheels[i].wheelSet] = &car.wheels[i];
  }
  ASSERT_TRUE(right[0] && right[1] && left[0] && left[1]);
  car.options = (car.options & ~0x1800u) | 0x1000u;
  const FrameScene rear = CarFrameScene(car);
  const uint8_t valid[6] = {0, 0, 1, 1, 0, 1};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(rear.axleValid[k], valid[k]) << "slot " << k;
  const double half = car.wheelSets[0].sectionWidth * 0.5;
  EXPECT_NEAR(rear.axlePoint[2].x / 65536.0, right[0]->centre.x + half, 1e-4);
  EXPECT_NEAR(rear.axlePoint[3].x / 65536.0, right[0]->centre.x - half, 1e-4);
  EXPECT_NEAR(rear.axlePoint[5].x / 65536.0, right[0]->centre.x, 1e-4);
  EXPECT_NEAR(rear.axlePoint[5].y / 65536.0, right[0]->centre.y, 1e-4);
  EXPECT_NEAR(rear.axleMirror[2].x / 65536.0, left[0]->centre.x - half, 1e-4) << "the left wheel's outboard end";
  EXPECT_NEAR(rear.axleMirror[5].x / 65536.0, left[0]->centre.x, 1e-4);
  car.options |= 0x800u;
  const FrameScene both = CarFrameScene(car);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(both.axleValid[k], 1) << "slot " << k;
  EXPECT_NEAR(both.axlePoint[1].x / 65536.0, right[1]->centre.x - car.wheelSets[1].sectionWidth * 0.5, 1e-4);
  EXPECT_NEAR(both.axlePoint[2].x / 65536.0, right[0]->centre.x + half, 1e-4);
}

// A wheel a vehicle file puts far beyond the world (a million metres out) gives axle points
// held at 30000 m either way: 30000 x 65536 = 1966080000 in 16.16.
TEST_F(FrameTubes, AWheelFarBeyondTheWorldHoldsItsAxlePointsAtThirtyKilometres) {
  Car car;
  MakeSampleCar(0, car);
  car.wheels[0].centre = Vec3{1.0e6f, -1.0e6f, 0.25f};
  car.wheels[0].spinAxis = Vec3{1, 0, 0};
  IntVector a, b, centre;
  WheelContactBox(car, 0, a, b, centre);
  EXPECT_EQ(centre.x, 1966080000);
  EXPECT_EQ(centre.y, -1966080000);
  EXPECT_EQ(centre.z, 16384);  // 0.25 m
  EXPECT_EQ(a.x, 1966080000) << "the inner end, still far past the limit";
  EXPECT_EQ(b.x, 1966080000);
  EXPECT_EQ(b.y, -1966080000);
}

TEST_F(FrameTubes, ZeroLengthTubeAndVertexBytes) {
  TubeBatch b = batch;
  DrawTube(b, IntVector{M, M, M}, IntVector{M, M, M}, M / 50, 0, 1);  // degenerate, no failure
  EXPECT_EQ(b.vertexCount, 16u);
  for (uint32_t i = 0; i < b.vertexCount * 8; ++i) {
    float f;
    std::memcpy(&f, &vertices[4 * i], 4);
    EXPECT_TRUE(std::isfinite(f));
  }
  // A vertex byte by byte: position, packed normal and 0x7F, the word, then zeros.
  uint8_t v[DRAW_VERTEX_SIZE];
  const float p[3] = {1.0f, -2.0f, 0.5f}, n[3] = {0.0f, -1.0f, 0.70710678f};
  WriteDrawVertex(v, p, n, TUBE_VERTEX_WORD, 0.0f, 0.0f);
  const uint8_t expected[DRAW_VERTEX_SIZE] = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00,
                                              0x3F, 0x00, 0x81, 0x5A, 0x7F, 0xFF, 0xFF, 0xFF, 0x00, 0, 0,
                                              0,    0,    0,    0,    0,    0,    0,    0,    0,    0};
  EXPECT_EQ(std::memcmp(v, expected, DRAW_VERTEX_SIZE), 0);
  // The tables: sines and the ellipse's normals (at 90 degrees all along the length).
  EXPECT_EQ(TubeSines.sin[2], 65536);
  EXPECT_EQ(TubeSines.cos[1], 46341);
  EXPECT_EQ(TubeSines.ellipseLength[2], 65536);
  EXPECT_EQ(TubeSines.ellipseAcross[0], 65536);
  // A square prism along y at radius 1 m: its first offset lies along u = z x y = -x.
  b = batch;
  b.vertexCount = b.indexCount = 0;
  DrawTube(b, IntVector{0, 0, 0}, IntVector{0, 4 * M, 0}, M, 0, 0);
  EXPECT_EQ(b.vertexCount, 8u);
  EXPECT_EQ(b.indexCount, 24u);
  EXPECT_FLOAT_EQ(FloatAt(&vertices[0]), -1.0f);
  EXPECT_FLOAT_EQ(FloatAt(&vertices[DRAW_VERTEX_SIZE + 4]), 4.0f);
  EXPECT_EQ(static_cast<int8_t>(vertices[12]), -127);
  // The sides close onto the first pair.
  EXPECT_EQ(indices[0], 6);
  EXPECT_EQ(indices[1], 0);
}

TEST_F(FrameTubes, AHalfMetreTubeIsDrawnAroundItsUnitAxis) {
  // A tube half a metre long along z, radius 1/8 m.  Its unit axis t = (0, 0, 1) lies near z,
  // so the reference is x: u = x cross t = (0, -1, 0), w = t cross u = (1, 0, 0).  The first
  // side (angle 0) sits at radius * u from each end with u as its normal.
  TubeBatch b = batch;
  DrawTube(b, IntVector{0, 0, 0}, IntVector{0, 0, M / 2}, M / 8, 0, 0);
  EXPECT_EQ(b.vertexCount, 8u);
  EXPECT_EQ(b.indexCount, 24u);
  EXPECT_FLOAT_EQ(FloatAt(&vertices[0]), 0.0f);
  EXPECT_FLOAT_EQ(FloatAt(&vertices[4]), -0.125f);
  EXPECT_FLOAT_EQ(FloatAt(&vertices[8]), 0.0f);
  EXPECT_EQ(vertices[12], 0x00);
  EXPECT_EQ(vertices[13], 0x81);
  EXPECT_EQ(vertices[14], 0x00);
  EXPECT_FLOAT_EQ(FloatAt(&vertices[DRAW_VERTEX_SIZE]), 0.0f);
  EXPECT_FLOAT_EQ(FloatAt(&vertices[DRAW_VERTEX_SIZE + 4]), -0.125f);
  EXPECT_FLOAT_EQ(FloatAt(&vertices[DRAW_VERTEX_SIZE + 8]), 0.5f);
}

}  // namespace
