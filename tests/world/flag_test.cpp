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

// A flag draws with its one mapping record: listed when there is room for one, and nothing
// written without room.
TEST(Flag, ItsMappingIsListedWhenThereIsRoom) {
  TrackFlag t;
  t.mapping = 3;
  auto o = ReadFlag(t);
  uint16_t used[2] = {9, 9};
  EXPECT_EQ(o->MappingsInUse(used, 0), 0);
  EXPECT_EQ(used[0], 9);
  EXPECT_EQ(o->MappingsInUse(used, 1), 1);
  EXPECT_EQ(used[0], 3);
  EXPECT_EQ(used[1], 9);
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
  // A wind straight up meets the hanging cloth edge-on: it is not blown out of its plane.
  const float up[3] = {0, 0, 8};
  for (int i = 0; i < 100; ++i) f->StepCloth(10, up);
  EXPECT_NEAR(f->points[9].position[1] / 65536.0, 20.0, 0.01);
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

// The world's texture orientation table, row by row (a, b, c, d, e, f): u' = a u + b v + e and
// v' = c u + d v + f; rows 1 to 3 quarter turns, 4 to 7 mirrored.
TEST(Flag, OrientationCodesFollowTheWorldsTextureTable) {
  const float table[8][6] = {{1, 0, 0, 1, 0, 0},  {0, 1, -1, 0, 0, 1}, {-1, 0, 0, -1, 1, 1},
                             {0, -1, 1, 0, 1, 0}, {-1, 0, 0, 1, 1, 0}, {0, 1, 1, 0, 0, 0},
                             {1, 0, 0, -1, 0, 1}, {0, -1, -1, 0, 1, 1}};
  for (int code = 0; code < 8; ++code) {
    float t[6];
    MappingOrientationTransform(code, t);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(t[k], table[code][k]) << "code " << code << " entry " << k;
  }
  // On the cloth: the whole texture with code 1 (a quarter turn).  The top row's v is 1 before
  // the turn; at the pole u is 0, at the free edge 1: u' = v = 1 both, v' = 1 - u = 1 then 0.
  auto o = ReadFlag(TrackFlag{});
  auto* f = static_cast<WFlag*>(o.get());
  f->Setup();
  MappingRecord m = {};
  m.uSpan = m.vSpan = 128;
  m.orientation = 1;
  FlagMesh mesh;
  f->BuildFlagMesh(&m, mesh);
  EXPECT_FLOAT_EQ(mesh.vertices[0].u, 1.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[0].v, 1.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[4].u, 1.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[4].v, 0.0f);
  // The bottom row at the pole: u 0, v 0 before the turn, so u' = 0 and v' = 1.
  EXPECT_FLOAT_EQ(mesh.vertices[15].u, 0.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[15].v, 1.0f);
}

// The default flag (2 m x 1.5 m, top at 2 m) stands at (10 m, 20 m): d = sqrt(4 + 2.25) / 2 =
// 1.25 m, so the centre is 2 - 1.25 = 0.75 m up, the half-size (2, 2, 1.25) m and the radius
// sqrt(2^2 + 1.25^2) m.  Each point weighs 2 x 1.5 / 32 kg under -9.81 m/s^2.  The inner points
// lie in the middle of their cells: the first a quarter metre right of the pole and a quarter
// metre below the top, the last 1.75 m right and 1.25 m below.
TEST(Flag, SetupPlacesTheBoundsTheWeightsAndTheCellMiddles) {
  auto o = ReadFlag(TrackFlag{});
  auto* f = static_cast<WFlag*>(o.get());
  f->Setup();
  EXPECT_NE(f->flags & 4, 0);
  EXPECT_EQ(f->centre.x, 10 << 16);
  EXPECT_EQ(f->centre.y, 20 << 16);
  EXPECT_EQ(f->centre.z, 49152);
  EXPECT_EQ(f->halfSize.x, 2 << 16);
  EXPECT_EQ(f->halfSize.y, 2 << 16);
  EXPECT_EQ(f->halfSize.z, 81920);
  EXPECT_EQ(f->radius, int32_t(std::nearbyint(std::sqrt(4.0 + 1.25 * 1.25) * 65536.0)));
  const float weight = 2.0f * 1.5f / 32.0f * -9.81f;
  for (const ClothPoint& p : f->points) EXPECT_FLOAT_EQ(p.force[2], weight);
  for (int i = 0; i < FLAG_POINTS; ++i) EXPECT_EQ(f->points[i].free, i % FLAG_COLUMNS != 0) << i;
  EXPECT_EQ(f->points[0].position[0], 10 << 16);
  EXPECT_EQ(f->points[0].position[2], 2 << 16);
  EXPECT_EQ(f->points[1].position[0], (10 << 16) + 32768) << "half a metre along";
  EXPECT_EQ(f->points[5].position[2], (2 << 16) - 32768) << "half a metre down";
  for (const ClothPoint& p : f->inner) {
    EXPECT_EQ(p.free, 1);
    EXPECT_EQ(p.position[1], 20 << 16);
    EXPECT_FLOAT_EQ(p.force[2], weight);
    EXPECT_EQ(p.normal[1], -1.0f);
  }
  EXPECT_EQ(f->inner[0].position[0], (10 << 16) + 16384);
  EXPECT_EQ(f->inner[0].position[2], (2 << 16) - 16384);
  EXPECT_EQ(f->inner[FLAG_INNER - 1].position[0], (10 << 16) + 114688);
  EXPECT_EQ(f->inner[FLAG_INNER - 1].position[2], (2 << 16) - 81920);
  // The inner point of row 2, column 1 (the fifth): 0.25 m right, 0.75 m down.
  EXPECT_EQ(f->inner[4].position[0], (10 << 16) + 16384);
  EXPECT_EQ(f->inner[4].position[2], (2 << 16) - 49152);
}

TEST(Flag, EightGatheredMillisecondsMakeExactlyOneStep) {
  auto o = ReadFlag(TrackFlag{});
  auto* f = static_cast<WFlag*>(o.get());
  f->Setup();
  const float still[3] = {0, 0, 0};
  const int32_t start = f->points[7].position[2];
  f->StepCloth(8, still);
  EXPECT_EQ(f->stepTime, 0);
  EXPECT_NE(f->points[7].position[2], start) << "8 ms: one step";
  const int32_t after = f->points[7].position[2];
  f->StepCloth(7, still);
  EXPECT_EQ(f->stepTime, 7);
  EXPECT_EQ(f->points[7].position[2], after);
  f->StepCloth(1, still);
  EXPECT_EQ(f->stepTime, 0);
  EXPECT_NE(f->points[7].position[2], after) << "7 + 1 ms: the next step";
  // After a step in still air the inner points' normals, the cell's diagonals crossed and
  // scaled by 0.25 / e^2, still face -y: for a flat cell of a = b = 0.5 m the diagonals
  // (a, 0, -b) x (a, 0, b) = (0, -2ab, 0), and 0.25 / e^2 = 1 / (a^2 + b^2), so -1.
  for (int i = 0; i < FLAG_INNER; ++i) {
    EXPECT_NEAR(f->inner[i].normal[0], 0.0f, 0.05f) << i;
    EXPECT_NEAR(f->inner[i].normal[1], -1.0f, 0.05f) << i;
    EXPECT_NEAR(f->inner[i].normal[2], 0.0f, 0.05f) << i;
  }
}

// After each step every point's force is its weight again, (0, 0, m g): what the springs
// pulled across the cloth (here in y, once the wind has blown it out of its plane) is not
// carried into the next step.
TEST(Flag, EachStepLeavesOnlyTheWeightOnEveryPoint) {
  auto o = ReadFlag(TrackFlag{});
  auto* f = static_cast<WFlag*>(o.get());
  f->Setup();
  const float wind[3] = {2, 8, 0};
  for (int i = 0; i < 3; ++i) f->StepCloth(10, wind);
  ASSERT_GT(f->points[9].position[1], 20 << 16) << "blown out of its plane";
  const float weight = 2.0f * 1.5f / 32.0f * -9.81f;
  for (const ClothPoint* set : {f->points, f->inner})
    for (int i = 0; i < (set == f->points ? FLAG_POINTS : FLAG_INNER); ++i) {
      EXPECT_EQ(set[i].force[0], 0.0f) << i;
      EXPECT_EQ(set[i].force[1], 0.0f) << i;
      EXPECT_FLOAT_EQ(set[i].force[2], weight) << i;
    }
}

// The first cell (points 0, 1 at the top, 5, 6 below) and the last (13, 14 over 18, 19): two
// front triangles (top left, bottom left, bottom right; top left, bottom right, top right) and
// the back's copies 20 vertices on, wound the other way.  The colour bytes go through the
// brightness curve round(255 (x / 255)^2.2) one by one.
TEST(Flag, MeshTrianglesAndColourBytes) {
  auto o = ReadFlag(TrackFlag{});
  auto* f = static_cast<WFlag*>(o.get());
  f->Setup();
  MappingRecord m = {};
  m.uSpan = m.vSpan = 128;
  m.colour = 0x4080C0;
  FlagMesh mesh;
  f->BuildFlagMesh(&m, mesh);
  const uint16_t first[12] = {0, 5, 6, 0, 6, 1, 21, 26, 20, 26, 25, 20};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(mesh.indices[i], first[i]) << i;
  const uint16_t last[12] = {13, 18, 19, 13, 19, 14, 34, 39, 33, 39, 38, 33};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(mesh.indices[3 * FLAG_TRIANGLES - 12 + i], last[i]) << i;
  auto bright = [](int x) { return uint32_t(std::lround(255.0 * std::pow(x / 255.0, 2.2))); };
  const uint32_t colour = bright(0x40) << 16 | bright(0x80) << 8 | bright(0xC0);
  for (const FlagVertex& v : mesh.vertices) EXPECT_EQ(v.colour, colour);
  for (const FlagVertex& v : mesh.vertices) EXPECT_EQ(v.normal[3], 127);
  // Rows down the texture: v is 1 at the top, 2/3, 1/3, then 0; the positions in metres.
  EXPECT_FLOAT_EQ(mesh.vertices[5].v, 2.0f / 3.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[10].v, 1.0f / 3.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[6].u, 0.25f);
  EXPECT_FLOAT_EQ(mesh.vertices[FLAG_POINTS + 6].u, 0.75f);
  EXPECT_FLOAT_EQ(mesh.vertices[6].position[0], 10.5f);
  EXPECT_FLOAT_EQ(mesh.vertices[6].position[1], 20.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[6].position[2], 1.5f);
  EXPECT_FLOAT_EQ(mesh.vertices[FLAG_POINTS + 6].position[0], 10.5f);
  // Without a record: white and the whole texture.
  f->BuildFlagMesh(nullptr, mesh);
  EXPECT_EQ(mesh.vertices[0].colour, 0xFFFFFFu);
  EXPECT_FLOAT_EQ(mesh.vertices[4].u, 1.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[15].v, 0.0f);
}

}  // namespace
