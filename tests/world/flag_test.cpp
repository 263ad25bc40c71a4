// flag_test.cpp - the cloth flag: its record's limits, the step's timing, the pole, rest in
// still air, the wind, and the two-sided mesh with its mapping's coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tools/track_writer/track_writer.h"
#include "world/flag.h"
#include "world/mapping.h"
#include "world_test_util.h"

namespace {

struct Deleter {
  void operator()(FixedOb* o) const { DeleteWorldObject(o); }
};

std::unique_ptr<FixedOb, Deleter> ReadFlag(const TrackFlag& flag) {
  WrittenStream s([&](DataFile& f) {
    WriteNewObjectHeader(f, OBJECT_FLAG, 0, 0, 0, 0xFFFFFFFFu, 10 << 16, 20 << 16);
    WriteFlagRecord(f, flag);
  });
  FixedOb* o = CreateWorldObject(s.file, 252);
  EXPECT_EQ(s.file.BytesLeft(), 0);
  return std::unique_ptr<FixedOb, Deleter>(o);
}

float FastestPoint(const WFlag& f) {
  float fastest = 0;
  for (const ClothPoint& p : f.points)
    fastest = std::max(fastest, std::sqrt(p.velocity[0] * p.velocity[0] + p.velocity[1] * p.velocity[1] +
                                          p.velocity[2] * p.velocity[2]));
  return fastest;
}

TEST(Flag, RecordLimits) {
  TrackFlag big;
  big.width = 6;
  big.height = 2;
  big.mapping = 3;
  auto o = ReadFlag(big);
  auto* f = static_cast<WFlag*>(o.get());
  EXPECT_EQ(f->width, 4.0f);
  EXPECT_FLOAT_EQ(f->height, 4.0f / 3.0f);
  EXPECT_EQ(f->mapping, 3);
  TrackFlag small;
  small.width = 0.2f;
  small.height = 9;
  auto o2 = ReadFlag(small);
  EXPECT_EQ(static_cast<WFlag*>(o2.get())->width, 1.0f);
  EXPECT_EQ(static_cast<WFlag*>(o2.get())->height, 3.0f);
  small.height = NAN;
  auto o3 = ReadFlag(small);
  EXPECT_EQ(static_cast<WFlag*>(o3.get())->height, 1.5f) << "not finite: the default";
  // A damaged record's huge width scaled the height to almost nothing, and the cloth's step
  // (which divides by its mass) then ran away to infinities.
  TrackFlag wide;
  wide.width = 2e20f;
  wide.height = 0.5f;
  auto o4 = ReadFlag(wide);
  auto* f4 = static_cast<WFlag*>(o4.get());
  EXPECT_EQ(f4->width, 4.0f);
  EXPECT_EQ(f4->height, 0.5f);
  f4->Setup();
  const float wind[3] = {3, -2, 0};
  for (int k = 0; k < 20; ++k) f4->StepCloth(10, wind);
  EXPECT_TRUE(std::isfinite(FastestPoint(*f4)));
}

TEST(Flag, StepsAndRest) {
  TrackFlag record;
  record.top = 5;
  auto o = ReadFlag(record);
  auto* f = static_cast<WFlag*>(o.get());
  f->Setup();
  EXPECT_EQ(f->centre.z, int32_t(std::lround((5 - 1.25) * 65536)));
  EXPECT_EQ(f->points[4].position[0], (10 + 2) << 16);
  EXPECT_EQ(f->points[19].position[2], int32_t(3.5 * 65536));
  const float still[3] = {0, 0, 0};
  const ClothPoint before = f->points[7];
  f->StepCloth(3, still);
  f->StepCloth(4, still);
  EXPECT_EQ(std::memcmp(&f->points[7], &before, sizeof before), 0) << "7 ms: no step";
  f->StepCloth(2, still);
  EXPECT_EQ(f->stepTime, 0);
  EXPECT_NE(f->points[7].position[2], before.position[2]) << "9 ms: one step";
  int32_t pole[FLAG_ROWS][3];
  for (int r = 0; r < FLAG_ROWS; ++r)
    for (int a = 0; a < 3; ++a) pole[r][a] = f->points[r * FLAG_COLUMNS].position[a];
  for (int i = 0; i < 2000; ++i) f->StepCloth(10, still);
  EXPECT_LT(FastestPoint(*f), 0.05f) << "at rest in still air";
  for (int r = 0; r < FLAG_ROWS; ++r)
    for (int a = 0; a < 3; ++a) EXPECT_EQ(f->points[r * FLAG_COLUMNS].position[a], pole[r][a]) << "the pole";
  // It hangs: the free corner below its start, not far from the pole's side.
  EXPECT_LT(f->points[4].position[2], 5 << 16);
  // Wind across the cloth pushes it along the wind.
  const float wind[3] = {0, 8, 0};
  for (int i = 0; i < 300; ++i) f->StepCloth(10, wind);
  EXPECT_GT(f->points[9].position[1], 20 << 16);
  for (int r = 0; r < FLAG_ROWS; ++r) EXPECT_EQ(f->points[r * FLAG_COLUMNS].position[1], 20 << 16);
}

TEST(Flag, ASpringStretchedPastHalfItsLengthAgainPullsNoHarder) {
  // The free top corner pulled 10 m or 20 m out along the cloth: each of its springs is held at
  // half its rest length's pull, so after one step in still air it comes back as fast either way
  // (the springs' directions differ by under a degree); unheld, twice as fast from 20 m.
  float speed[2];
  for (int k = 0; k < 2; ++k) {
    auto o = ReadFlag(TrackFlag{});
    auto* f = static_cast<WFlag*>(o.get());
    f->Setup();
    f->points[4].position[0] += (10 << 16) * (k + 1);
    const float still[3] = {0, 0, 0};
    f->StepCloth(10, still);
    speed[k] = f->points[4].velocity[0];
  }
  ASSERT_LT(speed[0], 0.0f) << "pulled back toward the pole";
  EXPECT_NEAR(speed[1] / speed[0], 1.0, 0.02);
}

TEST(Flag, TwoSidedMesh) {
  auto o = ReadFlag(TrackFlag{});
  auto* f = static_cast<WFlag*>(o.get());
  f->Setup();
  MappingRecord m = {};
  m.uSpan = 64;
  m.vSpan = 128;
  m.uOffset = 32;
  m.vOffset = 0;
  m.colour = 0xFF8000;
  FlagMesh mesh;
  f->BuildFlagMesh(&m, mesh);
  // 40 vertices, 48 triangles; every index within the vertices.
  for (uint16_t i : mesh.indices) EXPECT_LT(i, FLAG_VERTICES);
  EXPECT_EQ(std::size(mesh.indices), size_t(3 * 48));
  // The front's u runs 0.25 .. 0.75 across, the back's the other way; v 0 .. 1 from the bottom.
  EXPECT_FLOAT_EQ(mesh.vertices[0].u, 0.25f);
  EXPECT_FLOAT_EQ(mesh.vertices[4].u, 0.75f);
  EXPECT_FLOAT_EQ(mesh.vertices[FLAG_POINTS].u, 0.75f);
  EXPECT_FLOAT_EQ(mesh.vertices[0].v, 1.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[15].v, 0.0f);
  EXPECT_EQ(mesh.vertices[0].normal[1], -127);
  EXPECT_EQ(mesh.vertices[FLAG_POINTS].normal[1], 127);
  EXPECT_EQ(mesh.vertices[0].colour & 0xFF, 0u);
  EXPECT_EQ((mesh.vertices[0].colour >> 16) & 0xFF, 255u);
  f->flagFlags = 1;
  f->BuildFlagMesh(&m, mesh);
  EXPECT_FLOAT_EQ(mesh.vertices[FLAG_POINTS].u, 0.25f) << "the back as the front";
}

// The cloth hangs in the plane y = 20 m with its columns along +x and its rows going down:
// down the rows is -z, along the columns +x, and (-z) x (+x) = -y, the front's side.  A step
// in still air barely moves it (gravity for 0.01 s), so every point's normal and the drawn
// front still face -y, the back +y.
TEST(Flag, NormalsFaceTheFrontsSideAfterAStep) {
  auto o = ReadFlag(TrackFlag{});
  auto* f = static_cast<WFlag*>(o.get());
  f->Setup();
  const float still[3] = {0, 0, 0};
  f->StepCloth(10, still);
  ASSERT_EQ(f->stepTime, 0) << "one step";
  for (int i = 0; i < FLAG_POINTS; ++i) {
    EXPECT_NEAR(f->points[i].normal[0], 0.0f, 0.05f) << i;
    EXPECT_NEAR(f->points[i].normal[1], -1.0f, 0.05f) << i;
    EXPECT_NEAR(f->points[i].normal[2], 0.0f, 0.05f) << i;
  }
  FlagMesh mesh;
  f->BuildFlagMesh(nullptr, mesh);
  for (int i = 0; i < FLAG_POINTS; ++i) {
    EXPECT_LE(mesh.vertices[i].normal[1], -120) << "front " << i;
    EXPECT_GE(mesh.vertices[FLAG_POINTS + i].normal[1], 120) << "back " << i;
  }
}

}  // namespace
